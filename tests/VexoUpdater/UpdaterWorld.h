#pragma once

#include "VexoUpdater/Updater.h"
#include "tests/support/FakePlatform.h"

#include <QList>
#include <QObject>
#include <QStringList>
#include <QUrl>

#include <memory>

namespace updatertest {

// An update feed of these items (its namespace under this prefix), and an item titled "Version
// <version>" with `extra` elements and one enclosure of these attributes.
QByteArray feedOf(const QByteArray& items, const QByteArray& prefix = "sparkle");
QByteArray itemOf(const QByteArray& version, const QByteArray& extra = {},
                  const QByteArray& enclosure = "url=\"https://example.test/app.zip\" length=\"10\"");

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

// Fake platform services, an information dictionary and no shared updater, put back at the end.
class UpdaterWorld {
public:
    static inline const QString kBundleIdentifier = QStringLiteral("com.example.updater-tests");

    UpdaterWorld();
    ~UpdaterWorld();
    UpdaterWorld(const UpdaterWorld&) = delete;
    UpdaterWorld& operator=(const UpdaterWorld&) = delete;

    std::shared_ptr<testsupport::MemoryDefaults> defaults() const {
        return fakes.preferences->domain(kBundleIdentifier);
    }
    testsupport::FakePlatform fakes;
};

} // namespace updatertest
