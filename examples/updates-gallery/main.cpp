// Shows the updates pane or the update dialog in one of its states, for a person to look at (and
// for the README's screenshots). The feed is served on this machine by the process itself (a
// failed check asks a port where nothing listens); the settings live in a temporary folder.
// Nothing of the user's is read or written.
//
//   updates_gallery pane | found | found-long | uptodate | failed

#include "VexoExtensions/MainBundle.h"
#include "VexoUpdater/FeedUpdater.h"
#include "VexoUpdater/UpdateDialog.h"
#include "VexoUpdater/UpdatesViewController.h"
#include "core/platform/Platform.h"
#include "tests/support/TestHttpServer.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QVBoxLayout>

#include <cstdio>

namespace {

QByteArray feed(const QByteArray& notes, const QByteArray& title = "Quillmere 2.0") {
    return "<?xml version=\"1.0\"?><rss version=\"2.0\" "
           "xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\"><channel><item><title>" +
           title + "</title><description><![CDATA[" + notes +
           "]]></description><sparkle:version>200</sparkle:version>"
           "<sparkle:shortVersionString>2.0</sparkle:shortVersionString>"
           "<sparkle:releaseNotesLink>https://updates.tamberline.com/quillmere/2.0.html</"
           "sparkle:releaseNotesLink>"
           "<enclosure url=\"https://updates.tamberline.com/quillmere/Quillmere-2.0.tar.xz\" "
           "length=\"8123456\"/>"
           "</item></channel></rss>";
}

const QByteArray kNotes =
    "<h3>What’s new</h3><ul><li>Script rows remember the folder you last chose from.</li>"
    "<li>Copies of Capture One on other volumes are found too.</li>"
    "<li>Fixes a crash when a scripting definition is empty.</li></ul>"
    "<p>See <a href=\"https://updates.tamberline.com/quillmere/2.0.html\">the full notes</a>."
    "<script>alert('never shown')</script><img src=\"https://tracker.example/p.png\"></p>";

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const QString mode = application.arguments().value(1, QStringLiteral("pane"));
    QTemporaryDir preferences;
    qputenv("QUILLMERE_PREFERENCES_DIR", preferences.path().toUtf8());
    brisquel::vexo::MainBundle::setInfoDictionary(
        QVariantMap{{QStringLiteral("CFBundleIdentifier"), QStringLiteral("com.tamberline.Quillmere")},
                    {QStringLiteral("CFBundleName"), QStringLiteral("Quillmere")},
                    {QStringLiteral("CFBundleVersion"), QStringLiteral("100")},
                    {QStringLiteral("CFBundleShortVersionString"), QStringLiteral("1.0")}});
    brisquel::Platform::install(brisquel::Platform::native());

    testsupport::TestHttpServer server;
    server.answer(QStringLiteral("/found.xml"), feed(kNotes));
    QByteArray longNotes;
    for (int i = 0; i < 40; ++i)
        longNotes +=
            "<p>A long line of release notes that goes on and on to see how the dialog wraps it, number " +
            QByteArray::number(i) +
            ", with an address https://updates.tamberline.com/applications/"
            "com.tamberline.Quillmere/releases/appcast.xml in it.</p>";
    server.answer(QStringLiteral("/long.xml"),
                  feed(longNotes, "Quillmere 2.0 with a very long title indeed"));
    server.answer(QStringLiteral("/current.xml"),
                  feed("", "Quillmere 1.0").replace("200", "100").replace("2.0", "1.0"));

    quillmere::FeedUpdater updater;
    quillmere::Updater::setSharedUpdater(&updater);

    if (mode == QLatin1String("pane")) {
        quillmere::UpdatesViewController pane;
        QWidget window;
        window.setWindowTitle(QStringLiteral("Quillmere Preferences"));
        auto* layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(pane.view());
        window.show();
        pane.viewDidAppear();
        const int status = QApplication::exec();
        pane.viewWillDisappear();
        return status;
    }
    QUrl address = server.url(mode == QLatin1String("found")        ? QStringLiteral("/found.xml")
                              : mode == QLatin1String("found-long") ? QStringLiteral("/long.xml")
                                                                    : QStringLiteral("/current.xml"));
    // A failed check: a feed address on this machine where nothing listens.
    if (mode == QLatin1String("failed"))
        address.setPort(testsupport::closedPort());
    updater.setFeedURL(address);
    updater.checkForUpdates();
    QObject::connect(updater.dialog(), &QDialog::finished, &application, &QApplication::quit);
    std::printf("checking %s\n", qPrintable(address.toString()));
    std::fflush(stdout);
    return QApplication::exec();
}
