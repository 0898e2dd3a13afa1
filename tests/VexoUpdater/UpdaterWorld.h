#pragma once

#include "VexoUpdater/SystemReport.h"
#include "VexoUpdater/Updater.h"
#include "tests/support/FakePlatform.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <memory>

namespace updatertest {

// A settings domain in memory that can be watched, like one kept on disk: every stored change
// is told to each live observation later, from the event loop.
class ObservableDefaults final : public brisquel::vexo::UserDefaults {
public:
    explicit ObservableDefaults(QString domain) : m_domain(std::move(domain)) {}
    QString domain() const override { return m_domain; }
    brisquel::vexo::Expected<QVariant> read(const QString& key) const override;
    brisquel::vexo::Result write(const QString& key, const QVariant& value) override;
    brisquel::vexo::Result remove(const QString& key) override;
    std::unique_ptr<brisquel::vexo::ChangeObservation>
    observeChanges(std::function<void()> onChange) override;

    int liveObservations() const { return static_cast<int>(m_observers->size()); }

    QHash<QString, QVariant> values;
    bool failWrites = false;

private:
    void tell();

    QString m_domain;
    std::shared_ptr<QHash<int, std::function<void()>>> m_observers =
        std::make_shared<QHash<int, std::function<void()>>>();
    int m_nextObserver = 0;
};

class ObservablePreferences final : public brisquel::vexo::PreferencesDomains {
public:
    std::shared_ptr<brisquel::vexo::UserDefaults> open(const QString& domain) override { return of(domain); }
    std::shared_ptr<ObservableDefaults> of(const QString& domain);

private:
    QHash<QString, std::shared_ptr<ObservableDefaults>> m_domains;
};

// An updater that records what it is told.
class RecordingUpdater final : public quillmere::Updater {
public:
    void setFeedURL(const QUrl& url) override { feeds.append(url); }
    QUrl feedURL() const override { return feeds.isEmpty() ? QUrl() : feeds.last(); }
    void checkForUpdates() override { ++checks; }
    void reloadSettings() override { ++settingsChanges; }

    QList<QUrl> feeds;
    int checks = 0;
    int settingsChanges = 0;
};

// Stands in for the desktop's browser: records every address the program asks it to open.
class OpenedUrls final : public QObject {
    Q_OBJECT

public:
    OpenedUrls();
    ~OpenedUrls() override;
    Q_INVOKABLE void open(const QUrl& url) { urls.append(url); }
    QList<QUrl> urls;
};

class FakeSystemReport final : public quillmere::SystemReport {
public:
    FakeSystemReport(QString os, std::optional<QString> version)
        : m_os(std::move(os)), m_version(std::move(version)) {}
    QString operatingSystem() const override { return m_os; }
    std::optional<QString> systemVersion() const override { return m_version; }

private:
    QString m_os;
    std::optional<QString> m_version;
};

// The world of one test: fake platform services with a watchable settings domain, an
// information dictionary of its own (bundle identifier, versions), and no shared updater.
// Everything is put back at the end.
class UpdaterWorld {
public:
    static const QString kBundleIdentifier;

    explicit UpdaterWorld(const QString& version = QStringLiteral("100"),
                          const QString& shortVersion = QStringLiteral("1.0"),
                          const QString& bundleIdentifier = kBundleIdentifier);
    ~UpdaterWorld();
    UpdaterWorld(const UpdaterWorld&) = delete;
    UpdaterWorld& operator=(const UpdaterWorld&) = delete;

    // The application's own domain.
    std::shared_ptr<ObservableDefaults> defaults() const;
    // The "Setting Sparkle feed to …" lines logged so far.
    QStringList feedLines() const;
    QStringList logLines() const;

    testsupport::FakePlatform fakes;
    std::shared_ptr<ObservablePreferences> preferences = std::make_shared<ObservablePreferences>();

private:
    QString m_bundleIdentifier;
};

} // namespace updatertest
