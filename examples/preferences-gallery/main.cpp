// The preferences gallery: the preferences window with one or three declarative panes, in either
// toolbar style. (The option is --tab-style: Qt keeps --style for the widget style.)
//
//   preferences_gallery [--tab-style toolbar|segmented] [--panes 1|3] [--show general|appearance|advanced]
//
// The window's frame is kept in the settings folder named by QUILLMERE_PREFERENCES_DIR (else the
// user's), as the application's is. Closing the window ends the program.

#include "GalleryPanes.h"

#include "Preferences/PreferencesWindowController.h"
#include "Preferences/UserInteractionPausableWindow.h"
#include "VexoExtensions/MainBundle.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QPointer>
#include <QTimer>

#include <cstdio>

using quillmere::PreferencesWindowController;
using quillmere::Preferences::Style;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Preferences Gallery"));
    // The program stands in for an application: its name titles a one-pane window, its identifier
    // names the settings domain that keeps the window's frame.
    brisquel::vexo::MainBundle::setInfoDictionary(QVariantMap{
        {QStringLiteral("CFBundleName"), QStringLiteral("Preferences Gallery")},
        {QStringLiteral("CFBundleIdentifier"), QStringLiteral("org.quillmere.example.preferences-gallery")},
    });

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Shows the preferences window with declarative panes."));
    parser.addHelpOption();
    const QCommandLineOption styleOption(QStringLiteral("tab-style"),
                                         QStringLiteral("The tab style: toolbar (default) or segmented."),
                                         QStringLiteral("style"), QStringLiteral("toolbar"));
    const QCommandLineOption panesOption(QStringLiteral("panes"),
                                         QStringLiteral("How many panes: 1 or 3 (default)."),
                                         QStringLiteral("count"), QStringLiteral("3"));
    const QCommandLineOption showOption(
        QStringLiteral("show"), QStringLiteral("The pane to show first: general, appearance or advanced."),
        QStringLiteral("pane"));
    parser.addOptions({styleOption, panesOption, showOption});
    parser.process(app);

    const QString styleName = parser.value(styleOption);
    if (styleName != QLatin1String("toolbar") && styleName != QLatin1String("segmented")) {
        std::fprintf(stderr, "preferences_gallery: unknown tab style \"%s\": use toolbar or segmented\n",
                     qUtf8Printable(styleName));
        return 2;
    }
    const QString count = parser.value(panesOption);
    if (count != QLatin1String("1") && count != QLatin1String("3")) {
        std::fprintf(stderr, "preferences_gallery: %s panes cannot be shown: use 1 or 3\n",
                     qUtf8Printable(count));
        return 2;
    }
    const Style style =
        styleName == QLatin1String("segmented") ? Style::segmentedControl : Style::toolbarItems;

    QPointer<quillmere::UserInteractionPausableWindow> window;
    const auto pauseInput = [&window] {
        if (!window) {
            return;
        }
        window->setUserInteractionEnabled(false);
        QTimer::singleShot(3000, window, [&window] {
            if (window) {
                window->setUserInteractionEnabled(true);
            }
        });
    };

    const quillmere::Preferences::Pane general = gallery::generalPane();
    const quillmere::Preferences::Pane appearance = gallery::appearancePane();
    const quillmere::Preferences::Pane advanced = gallery::advancedPane(pauseInput);
    std::vector<std::reference_wrapper<const quillmere::PreferencePaneConvertible>> panes = {general};
    if (count == QLatin1String("3")) {
        panes = {general, appearance, advanced};
    }

    PreferencesWindowController controller(panes, style);
    window = controller.window();
    if (parser.isSet(showOption)) {
        controller.show(quillmere::Preferences::PaneIdentifier(parser.value(showOption)));
    } else {
        controller.show();
    }
    return QApplication::exec();
}
