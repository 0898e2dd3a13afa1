#pragma once

#include "VexoExtensions/UserDefaults.h"
#include "core/platform/Log.h"
#include "core/platform/macos/CFHolder.h"

#include <memory>
#include <mutex>

namespace brisquel::macos {

// One preferences domain of the current user, through Core Foundation's preferences, whose daemon
// caches every domain and writes its file when it sees fit. The domain's .plist file is never
// touched: a direct write could be lost, or overwrite the owner's own changes.
//
// Reading synchronizes first, so that a change made by another program (Capture One, `defaults
// write`) is seen, then asks CFPreferencesCopyAppValue, which sees managed (MDM) values too. A
// write or removal counts only when no key it changes is managed, CFPreferencesAppSynchronize() says the
// daemon has it, and reading the key back gives what was stored (a value kept for this Mac only,
// or one an administrator set, would still stand in front of it). Otherwise the key's earlier
// value is put back and the reason given. Domain names follow the Linux files' rule
// (PlistFileDefaults::isAcceptableDomainName); Core Foundation would take a name holding "/" for a
// file's path.
//
// No process is told when another one changes a domain: observeChanges() looks again about once a
// second (CFPreferencesObservation.h).
class CFPreferencesDefaults final : public vexo::UserDefaults {
public:
    CFPreferencesDefaults(QString domain, std::shared_ptr<Log> log);

    QString domain() const override { return m_domain; }
    vexo::Expected<QVariant> read(const QString& key) const override;
    vexo::Expected<QVariantList> readValues(const QStringList& keys) const override;
    vexo::Result write(const QString& key, const QVariant& value) override;
    vexo::Result remove(const QString& key) override;
    // Sets and removes every key with one CFPreferencesSetMultiple() in the current user's domain
    // for any host (where CFPreferencesSetAppValue() writes), then one synchronize and a reading
    // back of each key; when any key does not hold, every key gets its earlier value back. Apple
    // offers no compare-and-swap on a domain: the expected values are compared right after a
    // synchronize has brought in other programs' changes, so only a change made in the moment
    // between that reading and the write goes unseen.
    vexo::Result writeValues(const QList<KeyChange>& changes) override;
    std::unique_ptr<vexo::ChangeObservation> observeChanges(std::function<void()> onChange) override;

private:
    void report(const vexo::Result& failure, Access access) const override;

    QString m_domain;
    CFHolder m_domainName; // null for a refused name
    std::shared_ptr<Log> m_log;
    mutable std::mutex m_reportMutex;
    // The last read failure reported, so that a domain that cannot be read is said once per cause.
    mutable QString m_lastReadFailure;
};

// Opens the current user's domains through Core Foundation's preferences.
class CFPreferencesDomains final : public vexo::PreferencesDomains {
public:
    explicit CFPreferencesDomains(std::shared_ptr<Log> log) : m_log(std::move(log)) {}
    std::shared_ptr<vexo::UserDefaults> open(const QString& domain) override;

private:
    std::shared_ptr<Log> m_log;
};

} // namespace brisquel::macos
