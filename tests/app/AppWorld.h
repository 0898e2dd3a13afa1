#pragma once

#include "FakePlatform.h"
#include "TempFolder.h"

#include "AppFinder.h"
#include "platform/Platform.h"

#include <QStringList>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>

class QWidget;

namespace apptest {

// The world of one GUI test: an applications folder and a preferences folder inside a temporary
// folder, searched and stored by the real Linux services (folder walk, property-list files),
// with a fake list of running applications so a test decides which copy runs. The platform is
// installed for the test and a finder made over it.
class AppWorld {
public:
    AppWorld();
    ~AppWorld();

    // A copy "Capture One <number>.app" with identifier com.captureone.captureone<number> and the
    // given background scripts (name, description); returns the bundle path.
    QString addCopy(int number, const QList<QPair<QString, QString>>& scripts = defaultScripts());
    static QList<QPair<QString, QString>> defaultScripts();
    static QString identifier(int number);

    void setRunning(const QStringList& bundleIdentifiers);

    // A script file in the world (any name), created with some content.
    QString scriptFile(const QString& name);

    // The domain file of a bundle identifier, and its contents as the disk holds them now (none
    // when missing or unreadable).
    QString domainFile(const QString& domain) const;
    std::optional<QVariantMap> domainContents(const QString& domain) const;
    // Writes a value the way another program would (its own handle on the domain).
    bool writeExternally(const QString& domain, const QString& key, const QVariant& value) const;
    // The raw bytes of a file (empty when missing).
    static QByteArray readBytes(const QString& path);

    brisquel::AppFinder& finder() { return *m_finder; }
    const brisquel::Platform& platform() const { return m_platform; }
    testsupport::RecordingLog& log() { return *m_log; }
    QString applicationsFolder() const { return m_applications; }
    QString preferencesFolder() const { return m_preferences; }
    const testsupport::TempFolder& temp() const { return m_temp; }

    // The platform's metadata search, so a test can hold a search back.
    void setMetadataSearch(std::shared_ptr<brisquel::MetadataSearch> search);
    void setRunningApplications(std::shared_ptr<brisquel::RunningApplications> running);

private:
    void rebuild();

    testsupport::TempFolder m_temp;
    QString m_applications;
    QString m_preferences;
    std::shared_ptr<testsupport::RecordingLog> m_log;
    std::shared_ptr<testsupport::FakeRunningApplications> m_running;
    brisquel::Platform m_platform;
    std::unique_ptr<brisquel::AppFinder> m_finder;
};

// Waits until the work handed to other threads has finished and its results have been
// delivered, so nothing outlives the test's world.
void settle();

// Handles events until the condition holds or the time is up; true when it holds.
bool waitUntil(const std::function<bool()>& condition, int timeoutMilliseconds = 3000);

// Number of visible top-level windows of a type.
template <typename T> int visibleTopLevels();

} // namespace apptest

#include <QApplication>
#include <QWidget>

template <typename T> int apptest::visibleTopLevels() {
    int count = 0;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && qobject_cast<T*>(w)) {
            ++count;
        }
    }
    return count;
}
