#include "tests/VexoUpdater/UpdaterWorld.h"

#include "VexoExtensions/MainBundle.h"

#include <QDesktopServices>

namespace updatertest {

using namespace Qt::Literals::StringLiterals;

namespace {

const QStringList kOpenedSchemes = {u"https"_s, u"http"_s, u"file"_s, u"javascript"_s, u"ftp"_s};

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

const QString UpdaterWorld::kBundleIdentifier = u"com.example.updater-tests"_s;

UpdaterWorld::UpdaterWorld(const QString& version, const QString& shortVersion,
                           const QString& bundleIdentifier)
    : m_bundleIdentifier(bundleIdentifier) {
    QVariantMap info;
    if (!bundleIdentifier.isEmpty())
        info.insert(u"CFBundleIdentifier"_s, bundleIdentifier);
    info.insert(u"CFBundleName"_s, u"Quillmere"_s);
    if (!version.isEmpty())
        info.insert(u"CFBundleVersion"_s, version);
    if (!shortVersion.isEmpty())
        info.insert(u"CFBundleShortVersionString"_s, shortVersion);
    brisquel::vexo::MainBundle::setInfoDictionary(info);
    fakes.install();
    quillmere::Updater::setSharedUpdater(nullptr);
}

UpdaterWorld::~UpdaterWorld() {
    quillmere::Updater::setSharedUpdater(nullptr);
    brisquel::vexo::MainBundle::setInfoDictionary(std::nullopt);
    testsupport::FakePlatform().install();
}

std::shared_ptr<testsupport::MemoryDefaults> UpdaterWorld::defaults() const {
    return fakes.preferences->domain(m_bundleIdentifier);
}

QStringList UpdaterWorld::feedLines() const {
    QStringList lines;
    for (const QString& line : fakes.log->systemLines()) {
        if (line.startsWith(QLatin1String("Setting Sparkle feed to ")))
            lines.append(line);
    }
    return lines;
}

} // namespace updatertest
