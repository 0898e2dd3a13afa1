#include "app/CommandLine.h"

#include "VexoExtensions/VisibleText.h"

#include "VexoExtensions/MainBundle.h"
#include "core/BrisquelVersion.h"

#include <QCoreApplication>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <initializer_list>

namespace quillmere {

namespace {

void print(std::FILE* stream, const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

QString tr(const char* text) {
    return QCoreApplication::translate("CommandLine", text);
}

// The toolkit's options that the program takes, without their dashes: those that take a value
// (as the next argument, or after "="), and those that do not.
const QStringList kToolkitOptionsWithValue = {
    QStringLiteral("platform"),     QStringLiteral("platformtheme"), QStringLiteral("display"),
    QStringLiteral("style"),        QStringLiteral("stylesheet"),    QStringLiteral("qwindowgeometry"),
    QStringLiteral("qwindowtitle"), QStringLiteral("session")};
const QStringList kToolkitFlags = {QStringLiteral("reverse")};

// The option's name without its one or two dashes and any "=value"; empty for what is no option.
QString optionName(const QString& argument) {
    if (!argument.startsWith(u'-') || argument.size() < 2) {
        return {};
    }
    const QString name = argument.mid(argument.startsWith(QLatin1String("--")) ? 2 : 1);
    return name.section(u'=', 0, 0);
}

int refuse(const QString& why) {
    print(stderr, QStringLiteral("quillmere: ") + why + QStringLiteral("; ") +
                      tr("usage: quillmere [--help] [--version] [--check-for-updates] [toolkit options]") +
                      u'\n');
    return 2;
}

bool isArgument(const char* argument, std::initializer_list<const char*> names) {
    return std::any_of(names.begin(), names.end(),
                       [argument](const char* name) { return std::strcmp(argument, name) == 0; });
}

} // namespace

QString helpText() {
    return tr("Usage: quillmere [--help] [--version] [toolkit options]\n"
              "  or:  quillmere --check-for-updates [--feed URL] [--json]\n"
              "\n"
              "Quillmere assigns AppleScript files to the background scripts of every\n"
              "installed copy of Capture One: it lists the copies, shows the script file\n"
              "assigned to each background script, and stores your choices in Capture One's\n"
              "own preferences.\n"
              "\n"
              "Options:\n"
              "  -h, --help     Show this help and exit.\n"
              "  -v, --version  Show the versions of Quillmere and the Brisquel library,\n"
              "                 and exit.\n"
              "  --check-for-updates\n"
              "                 Check the update feed without opening a window: print the\n"
              "                 running version, the newest release and whether it is newer.\n"
              "                 Exit status 0 when the check completed, 1 when it failed.\n"
              "  --feed URL     With --check-for-updates: check that feed instead of the one\n"
              "                 the beta setting selects.\n"
              "  --json         With --check-for-updates: print one JSON object.\n"
              "\n"
              "Toolkit options, passed to Qt (one dash or two):\n"
              "  -platform NAME        the window system: xcb, wayland, offscreen...\n"
              "  -platformtheme NAME   the desktop integration to use\n"
              "  -display NAME         the X display to open (as DISPLAY does)\n"
              "  -style NAME           the widget style, such as fusion\n"
              "  -stylesheet FILE      a Qt style sheet for every window\n"
              "  -reverse              lay windows out from right to left\n"
              "  -qwindowgeometry GEOMETRY, -qwindowtitle TITLE\n"
              "                        the main window's first geometry and title\n"
              "  -session ID           the session a session manager restores\n"
              "Any other argument is refused (exit status 2).\n"
              "\n"
              "Environment:\n"
              "  QUILLMERE_APPLICATIONS_DIR  the folder searched for copies of Capture One\n"
              "                              (default /Applications)\n"
              "  QUILLMERE_PREFERENCES_DIR   the folder of preferences domains, one\n"
              "                              <domain>.plist each (default\n"
              "                              $XDG_CONFIG_HOME/Quillmere/Preferences)\n"
              "  QUILLMERE_OSASCRIPT         the program that runs AppleScript\n"
              "                              (default osascript)\n"
              "  QUILLMERE_PALETTE           dark or light, where the desktop does not tell\n"
              "  QUILLMERE_UPDATE_FEED_BASE  a studio's own update-feed address, ending in\n"
              "                              applications/ (https; http only to this\n"
              "                              computer); else the preference updateFeedBase,\n"
              "                              else the built-in one\n"
              "  QUILLMERE_DATA_DIR          the folder that holds the resource bundles\n"
              "                              (default share/quillmere beside bin/)\n"
              "  DISPLAY, WAYLAND_DISPLAY    the display the window opens on; without one,\n"
              "                              quillmere says so and exits with status 1\n"
              "\n"
              "The brisquel tool reads and sets the same assignments from a terminal.\n");
}

QString versionText() {
    using brisquel::vexo::MainBundle;
    const QString version = MainBundle::shortVersion();
    const QString build = MainBundle::version();
    QString text = MainBundle::name() + QLatin1Char(' ') + version;
    if (!build.isEmpty()) {
        text += QStringLiteral(" (build ") + build + QLatin1Char(')');
    }
    return text + QLatin1Char('\n') + QStringLiteral("Brisquel library ") +
           QString::number(brisquel::BrisquelVersionNumber, 'f', 1) + QLatin1Char('\n');
}

std::optional<int> answerCommandLine(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (isArgument(argv[i], {"--help", "-h", "-help"})) {
            print(stdout, helpText());
            return 0;
        }
        if (isArgument(argv[i], {"--version", "-v"})) {
            print(stdout, versionText());
            return 0;
        }
    }
    for (int i = 1; i < argc; ++i) {
        // The update check reads its own options.
        if (isArgument(argv[i], {"--check-for-updates"})) {
            return std::nullopt;
        }
    }
    for (int i = 1; i < argc; ++i) {
        const QString argument = QString::fromLocal8Bit(argv[i]);
        const QString name = optionName(argument);
        if (kToolkitFlags.contains(name) && !argument.contains(u'=')) {
            continue;
        }
        if (kToolkitOptionsWithValue.contains(name)) {
            if (argument.contains(u'=')) {
                continue;
            }
            if (i + 1 >= argc) {
                return refuse(tr("the option %1 needs a value").arg(brisquel::vexo::visibleText(argument)));
            }
            ++i;
            continue;
        }
        return refuse((name.isEmpty() ? tr("unexpected argument %1") : tr("unknown option %1"))
                          .arg(QLatin1Char('"') + brisquel::vexo::visibleText(argument) + QLatin1Char('"')));
    }
    return std::nullopt;
}

std::optional<QString> displayProblem(int argc, char** argv) {
#if defined(Q_OS_MACOS)
    Q_UNUSED(argc);
    Q_UNUSED(argv);
    return std::nullopt;
#else
    if (!qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
        !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        return std::nullopt;
    }
    for (int i = 1; i < argc; ++i) {
        const QString name = optionName(QString::fromLocal8Bit(argv[i]));
        if (name == QLatin1String("platform") || name == QLatin1String("display")) {
            return std::nullopt;
        }
    }
    return tr("no display to show the window on: neither DISPLAY nor WAYLAND_DISPLAY is set "
              "(quillmere --check-for-updates works without one)");
#endif
}

} // namespace quillmere
