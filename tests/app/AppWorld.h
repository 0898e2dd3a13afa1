#pragma once

#include "tests/support/FakePlatform.h"
#include "tests/support/TempFolder.h"

#include "core/AppFinder.h"
#include "core/platform/Platform.h"

#include <QApplication>
#include <QMessageBox>
#include <QStringList>
#include <QVariantMap>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class QMainWindow;

namespace quillmere {
class AppDelegate;
class ApplicationView;
class ContentView;
class ScriptPanel;
class ScriptView;
} // namespace quillmere

namespace apptest {

// The world of one GUI test: an applications folder and a preferences folder in a temporary
// folder, searched and stored by the real Linux services, with no copy running. Its copies have
// bundle identifiers of their own, so that nothing else on the machine shares a domain with them.
class AppWorld {
public:
    AppWorld();
    ~AppWorld();

    // "Capture One <number>.app" with the identifier identifier(number), version "<number>.0" and
    // the given background scripts (name, description); returns the bundle path.
    QString addCopy(int number, const QList<QPair<QString, QString>>& scripts = defaultScripts());
    static QList<QPair<QString, QString>> defaultScripts();
    QString identifier(int number) const;
    // Gives a copy an icon file (named by CFBundleIconFile) holding `contents`.
    void setIcon(const QString& bundle, const QString& fileName, const QByteArray& contents) const;

    void setMetadataSearch(std::shared_ptr<brisquel::MetadataSearch> search) {
        m_platform.metadataSearch = std::move(search);
        rebuild();
    }
    void setRunningApplications(std::shared_ptr<brisquel::RunningApplications> running) {
        m_platform.runningApplications = std::move(running);
        rebuild();
    }
    void setPreferences(std::shared_ptr<brisquel::vexo::PreferencesDomains> preferences) {
        m_platform.preferences = std::move(preferences);
        rebuild();
    }
    void setApplicationsFolder(const QString& folder) {
        m_platform.applicationsFolder = folder;
        rebuild();
    }

    // The detail view of copy `number` alone in a window, shown once its rows are read and laid out.
    std::unique_ptr<quillmere::ApplicationView> showDetail(int number, QSize size = QSize(500, 400));

    QString scriptFile(const QString& name) const {
        return m_temp.write(QStringLiteral("Scripts/") + name, QByteArrayLiteral("on run\nend run\n"));
    }

    QString domainFile(const QString& domain) const {
        return m_preferences + u'/' + domain + QStringLiteral(".plist");
    }
    // The domain as the disk holds it now; none when missing or unreadable.
    std::optional<QVariantMap> domainContents(const QString& domain) const;
    // Writes (or, given no value, removes) a key the way another program would.
    bool writeExternally(const QString& domain, const QString& key, const QVariant& value) const;
    static QByteArray readBytes(const QString& path);

    brisquel::AppFinder& finder() { return *m_finder; }
    const brisquel::Platform& platform() const { return m_platform; }
    testsupport::RecordingLog& log() { return *m_log; }
    QString applicationsFolder() const { return m_applications; }
    QString preferencesFolder() const { return m_preferences; }
    const testsupport::TempFolder& temp() const { return m_temp; }

private:
    void rebuild();

    testsupport::TempFolder m_temp;
    QString m_identifierPrefix;
    QString m_applications;
    QString m_preferences;
    std::shared_ptr<testsupport::RecordingLog> m_log;
    brisquel::Platform m_platform;
    std::unique_ptr<brisquel::AppFinder> m_finder;
};

// Waits until work handed to other threads has finished and its results have been delivered.
void settle();

bool waitUntil(const std::function<bool()>& condition, int timeoutMilliseconds = 5000);

// The application's main window over a world, launched as the program launches it: with no copy
// running, the last copy is shown, and the window is ready once that copy's rows are read.
class AppWindow {
public:
    explicit AppWindow(AppWorld& world);
    ~AppWindow();
    AppWindow(const AppWindow&) = delete;
    AppWindow& operator=(const AppWindow&) = delete;

    quillmere::AppDelegate& delegate() const { return *m_delegate; }
    quillmere::ContentView* content() const;
    QMainWindow* window() const;
    // The copy named "Capture One <number>" (a failure when there is none).
    brisquel::AppFinder::App copy(int number) const;
    void select(int number) const;
    void waitForRows() const;
    quillmere::ScriptView* row(int index) const;
    QString undoText() const;

private:
    std::unique_ptr<quillmere::AppDelegate> m_delegate;
};

QMessageBox* onlyMessageBox();

void closeMessageBoxes();

// The text a person reads in a tooltip or other text that Qt may take for markup: rich text is
// rendered to its plain form, plain text stays as it is.
QString shownText(const QString& text);

template <typename T> QList<T*> visibleTopLevels() {
    QList<T*> found;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* t = qobject_cast<T*>(w); t && t->isVisible()) {
            found.append(t);
        }
    }
    return found;
}

// Clicks a row's choose button and returns the shared panel it opened.
quillmere::ScriptPanel* openPanel(quillmere::ScriptView* view);
void choose(quillmere::ScriptView* view, const QString& file);

} // namespace apptest
