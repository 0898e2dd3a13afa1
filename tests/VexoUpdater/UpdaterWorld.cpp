#include "tests/VexoUpdater/UpdaterWorld.h"

#include "VexoExtensions/MainBundle.h"

#include <QDesktopServices>
#include <QTimer>

namespace updatertest {

using brisquel::vexo::Expected;
using brisquel::vexo::Result;
using brisquel::vexo::Status;

namespace {

class Observation final : public brisquel::vexo::ChangeObservation {
public:
    Observation(std::shared_ptr<QHash<int, std::function<void()>>> observers, int id)
        : m_observers(std::move(observers)), m_id(id) {}
    ~Observation() override { m_observers->remove(m_id); }

private:
    std::shared_ptr<QHash<int, std::function<void()>>> m_observers;
    int m_id;
};

} // namespace

Expected<QVariant> ObservableDefaults::read(const QString& key) const {
    return values.value(key);
}

Result ObservableDefaults::write(const QString& key, const QVariant& value) {
    if (failWrites)
        return Result::failure(Status::NotStored, m_domain + QStringLiteral(".plist: the disk is full"));
    values.insert(key, value);
    tell();
    return {};
}

Result ObservableDefaults::remove(const QString& key) {
    values.remove(key);
    tell();
    return {};
}

std::unique_ptr<brisquel::vexo::ChangeObservation>
ObservableDefaults::observeChanges(std::function<void()> onChange) {
    const int id = m_nextObserver++;
    m_observers->insert(id, std::move(onChange));
    return std::make_unique<Observation>(m_observers, id);
}

void ObservableDefaults::tell() {
    // Like a watched file: told later, and only to the observations still live then.
    std::weak_ptr<QHash<int, std::function<void()>>> observers = m_observers;
    QTimer::singleShot(0, [observers] {
        const auto live = observers.lock();
        if (!live)
            return;
        const QList<int> ids = live->keys();
        for (const int id : ids) {
            if (const auto found = live->find(id); found != live->end())
                found.value()();
        }
    });
}

std::shared_ptr<ObservableDefaults> ObservablePreferences::of(const QString& domain) {
    auto& slot = m_domains[domain];
    if (!slot)
        slot = std::make_shared<ObservableDefaults>(domain);
    return slot;
}

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

const QString UpdaterWorld::kBundleIdentifier = QStringLiteral("com.example.updater-tests");

UpdaterWorld::UpdaterWorld(const QString& version, const QString& shortVersion,
                           const QString& bundleIdentifier)
    : m_bundleIdentifier(bundleIdentifier) {
    QVariantMap info;
    if (!bundleIdentifier.isEmpty())
        info.insert(QStringLiteral("CFBundleIdentifier"), bundleIdentifier);
    info.insert(QStringLiteral("CFBundleName"), QStringLiteral("Quillmere"));
    if (!version.isEmpty())
        info.insert(QStringLiteral("CFBundleVersion"), version);
    if (!shortVersion.isEmpty())
        info.insert(QStringLiteral("CFBundleShortVersionString"), shortVersion);
    brisquel::vexo::MainBundle::setInfoDictionary(info);
    brisquel::Platform platform = fakes.platform();
    platform.preferences = preferences;
    brisquel::Platform::install(platform);
    quillmere::Updater::setSharedUpdater(nullptr);
}

UpdaterWorld::~UpdaterWorld() {
    quillmere::Updater::setSharedUpdater(nullptr);
    brisquel::vexo::MainBundle::setInfoDictionary(std::nullopt);
    testsupport::FakePlatform().install();
}

std::shared_ptr<ObservableDefaults> UpdaterWorld::defaults() const {
    return preferences->of(m_bundleIdentifier);
}

QStringList UpdaterWorld::feedLines() const {
    QStringList lines;
    for (const QString& line : fakes.log->systemLines()) {
        if (line.startsWith(QLatin1String("Setting Sparkle feed to ")))
            lines.append(line);
    }
    return lines;
}

QStringList UpdaterWorld::logLines() const {
    return fakes.log->systemLines();
}

} // namespace updatertest
