#pragma once

#include "core/platform/Platform.h"
#include "tests/support/QtPrinters.h"

#include <QHash>
#include <QMutex>
#include <QSet>
#include <QStringList>
#include <functional>

namespace testsupport {

// Captures both log channels.
class RecordingLog final : public brisquel::Log {
public:
    void system(const QString& line) override { record(m_system, line); }
    void standardOutput(const QString& line) override { record(m_output, line); }
    QStringList systemLines() const { return recorded(m_system); }
    QStringList outputLines() const { return recorded(m_output); }

private:
    void record(QStringList& lines, const QString& line) {
        QMutexLocker lock(&m_mutex);
        lines << line;
    }
    QStringList recorded(const QStringList& lines) const {
        QMutexLocker lock(&m_mutex);
        return lines;
    }

    mutable QMutex m_mutex;
    QStringList m_system;
    QStringList m_output;
};

// The one preferences domain in memory of the tests, watched like one on disk: each change stored
// through write() or remove() (not m_values) is told later, once, to each observation live then.
class MemoryDefaults final : public brisquel::vexo::UserDefaults {
public:
    explicit MemoryDefaults(QString domain) : m_domain(std::move(domain)) {}
    QString domain() const override { return m_domain; }
    brisquel::vexo::Expected<QVariant> read(const QString& key) const override { return m_values.value(key); }
    brisquel::vexo::Result write(const QString& key, const QVariant& value) override;
    brisquel::vexo::Result remove(const QString& key) override;
    brisquel::vexo::Result writeValues(const QList<KeyChange>& changes) override;
    std::unique_ptr<brisquel::vexo::ChangeObservation>
    observeChanges(std::function<void()> onChange) override;

    int liveObservations() const { return static_cast<int>(m_observers->size()); }

    QHash<QString, QVariant> m_values;
    bool m_failWrites = false;
    // How many times the domain was written (a several-key write counts once).
    int m_writes = 0;
    // False: the domain cannot be watched (observeChanges gives null), as some platforms' cannot.
    bool m_watchable = true;

private:
    brisquel::vexo::Result stored();
    brisquel::vexo::Result refusedWrite() const;

    QString m_domain;
    std::shared_ptr<QHash<int, std::function<void()>>> m_observers =
        std::make_shared<QHash<int, std::function<void()>>>();
    int m_nextObserver = 0;
};

class MemoryPreferences final : public brisquel::vexo::PreferencesDomains {
public:
    std::shared_ptr<brisquel::vexo::UserDefaults> open(const QString& name) override { return domain(name); }
    std::shared_ptr<MemoryDefaults> domain(const QString& name);

private:
    QHash<QString, std::shared_ptr<MemoryDefaults>> m_domains;
};

// Records every source it is given; answers with a canned result.
class FakeScriptChannel final : public brisquel::ScriptChannel {
public:
    brisquel::ScriptResult execute(const QString& source) override {
        sources << source;
        return result;
    }
    QStringList sources;
    brisquel::ScriptResult result;
};

class FakeRunningApplications final : public brisquel::RunningApplications {
public:
    QList<qint64> processesWithBundleIdentifier(const QString& bundleIdentifier) override {
        return running.contains(bundleIdentifier) ? QList<qint64>{4242} : QList<qint64>{};
    }
    QSet<QString> running;
};

class FakeMetadataSearch final : public brisquel::MetadataSearch {
public:
    brisquel::MetadataSearchResult search(const brisquel::MetadataQuery& query) override {
        queries << query;
        return {items, skipped};
    }
    QList<brisquel::MetadataItem> items;
    QList<brisquel::SkippedEntry> skipped;
    QList<brisquel::MetadataQuery> queries;
};

class FakePermission final : public brisquel::AutomationPermission {
public:
    int determine(const QString& target, bool /*askUser*/) override {
        targets << target;
        return status;
    }
    QStringList targets;
    int status = 0;
};

// A complete set of fakes, with typed access to each.
struct FakePlatform {
    brisquel::Platform platform() const;
    // Installs these fakes as the platform in force (until the next install).
    void install() const { brisquel::Platform::install(platform()); }

    std::shared_ptr<RecordingLog> log = std::make_shared<RecordingLog>();
    std::shared_ptr<MemoryPreferences> preferences = std::make_shared<MemoryPreferences>();
    std::shared_ptr<FakeScriptChannel> scripts = std::make_shared<FakeScriptChannel>();
    std::shared_ptr<FakeRunningApplications> running = std::make_shared<FakeRunningApplications>();
    std::shared_ptr<FakeMetadataSearch> metadata = std::make_shared<FakeMetadataSearch>();
    std::shared_ptr<FakePermission> permission = std::make_shared<FakePermission>();
    QString applicationsFolder = QStringLiteral("/Applications");
};

// A metadata item with the four attributes a record needs (an empty value leaves it out).
brisquel::MetadataItem metadataItem(const QString& fsName, const QString& bundleIdentifier,
                                    const QString& path, const QString& version);

} // namespace testsupport
