#include "tests/VexoUpdater/UpdaterWorld.h"

#include "VexoExtensions/MainBundle.h"

#include <QDesktopServices>

namespace updatertest {

namespace {

const QStringList kOpenedSchemes = {QStringLiteral("https"), QStringLiteral("http"), QStringLiteral("file"),
                                    QStringLiteral("javascript"), QStringLiteral("ftp")};

} // namespace

OpenedUrls::OpenedUrls() {
    for (const QString& scheme : kOpenedSchemes)
        QDesktopServices::setUrlHandler(scheme, this, "open");
}

OpenedUrls::~OpenedUrls() {
    for (const QString& scheme : kOpenedSchemes)
        QDesktopServices::unsetUrlHandler(scheme);
}

QByteArray feedOf(const QByteArray& items, const QByteArray& prefix) {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<rss version=\"2.0\" xmlns:" + prefix +
           "=\"http://www.andymatuschak.org/xml-namespaces/sparkle\"><channel><title>Test</title>" + items +
           "</channel></rss>";
}

QByteArray itemOf(const QByteArray& version, const QByteArray& extra, const QByteArray& enclosure) {
    return "<item><title>Version " + version + "</title><sparkle:version>" + version + "</sparkle:version>" +
           extra + "<enclosure " + enclosure + "/></item>";
}

// Quillmere 1.0, build 100.
UpdaterWorld::UpdaterWorld() {
    brisquel::vexo::MainBundle::setInfoDictionary(
        QVariantMap{{QStringLiteral("CFBundleName"), QStringLiteral("Quillmere")},
                    {QStringLiteral("CFBundleVersion"), QStringLiteral("100")},
                    {QStringLiteral("CFBundleShortVersionString"), QStringLiteral("1.0")},
                    {QStringLiteral("CFBundleIdentifier"), kBundleIdentifier}});
    fakes.install();
    quillmere::Updater::setSharedUpdater(nullptr);
}

UpdaterWorld::~UpdaterWorld() {
    quillmere::Updater::setSharedUpdater(nullptr);
    brisquel::vexo::MainBundle::setInfoDictionary(std::nullopt);
    testsupport::FakePlatform().install();
}

} // namespace updatertest
