#include "tests/support/FakePlatform.h"

#include <QTimer>

namespace testsupport {

namespace {

struct MemoryObservation final : brisquel::vexo::ChangeObservation {
    MemoryObservation(std::shared_ptr<QHash<int, std::function<void()>>> observers, int id)
        : m_observers(std::move(observers)), m_id(id) {}
    ~MemoryObservation() override { m_observers->remove(m_id); }
    const std::shared_ptr<QHash<int, std::function<void()>>> m_observers;
    const int m_id;
};

} // namespace

using brisquel::vexo::Result;

Result MemoryDefaults::refusedWrite() const {
    return Result::failure(brisquel::vexo::Status::NotStored,
                           m_domain + QStringLiteral(" cannot be written (test)"));
}

Result MemoryDefaults::write(const QString& key, const QVariant& value) {
    if (m_failWrites)
        return refusedWrite();
    m_values.insert(key, value);
    return stored();
}

Result MemoryDefaults::remove(const QString& key) {
    return writeValues({{key, QVariant(), std::nullopt}});
}

Result MemoryDefaults::writeValues(const QList<KeyChange>& changes) {
    if (changes.isEmpty())
        return {};
    if (m_failWrites)
        return refusedWrite();
    if (Result duplicate = duplicateRefusal(changes); !duplicate)
        return duplicate;
    QVariantList now;
    for (const KeyChange& change : changes)
        now.append(m_values.value(change.key));
    if (Result conflict = conflictWith(changes, now); !conflict)
        return conflict;
    for (const KeyChange& change : changes) {
        if (change.value.isValid())
            m_values.insert(change.key, change.value);
        else
            m_values.remove(change.key);
    }
    return stored();
}

std::unique_ptr<brisquel::vexo::ChangeObservation>
MemoryDefaults::observeChanges(std::function<void()> onChange) {
    if (!m_watchable)
        return nullptr;
    const int id = m_nextObserver++;
    m_observers->insert(id, std::move(onChange));
    return std::make_unique<MemoryObservation>(m_observers, id);
}

Result MemoryDefaults::stored() {
    ++m_writes;
    // Like a watched file: told later, and only to the observations still live then.
    QTimer::singleShot(0, [observers = std::weak_ptr(m_observers)] {
        const auto live = observers.lock();
        for (const int id : live ? live->keys() : QList<int>()) {
            if (const auto found = live->constFind(id); found != live->constEnd()) {
                const std::function<void()> onChange = found.value();
                onChange();
            }
        }
    });
    return {};
}

std::shared_ptr<MemoryDefaults> MemoryPreferences::domain(const QString& name) {
    auto& d = m_domains[name];
    if (!d)
        d = std::make_shared<MemoryDefaults>(name);
    return d;
}

brisquel::Platform FakePlatform::platform() const {
    return {.metadataSearch = metadata,
            .runningApplications = running,
            .preferences = preferences,
            .scriptChannel = scripts,
            .automationPermission = permission,
            .log = log,
            .applicationsFolder = applicationsFolder,
            .applicationsFolderProblem = {}};
}

brisquel::MetadataItem metadataItem(const QString& fsName, const QString& bundleIdentifier,
                                    const QString& path, const QString& version) {
    namespace MetadataAttribute = brisquel::MetadataAttribute;
    brisquel::MetadataItem item;
    for (const auto& [key, value] : {std::pair{MetadataAttribute::kFsName, fsName},
                                     {MetadataAttribute::kBundleIdentifier, bundleIdentifier},
                                     {MetadataAttribute::kPath, path},
                                     {MetadataAttribute::kVersion, version}})
        if (!value.isEmpty())
            item.attributes.insert(key, value);
    return item;
}

} // namespace testsupport
