#pragma once

#include "tests/support/FakePlatform.h"
#include "tests/support/PlistTestSupport.h"
#include "tests/support/TempFolder.h"

#include "core/AppFinder.h"
#include "core/platform/Platform.h"

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>
#include <ostream>

class QMainWindow;

namespace quillmere {
class AppDelegate;
class ApplicationView;
class ContentView;
class ScriptPanel;
class ScriptView;
} // namespace quillmere

namespace apptest {

inline const QString kCaptureKey = QStringLiteral("endOfCaptureScript");
inline const QString kBatchKey = QStringLiteral("endOfBatchScript");

// An applications folder and a preferences folder in a temporary folder, served by the real Linux
// services, with no copy running. Its copies' identifiers are its own, so no domain is shared. It
// closes the message boxes left when it goes.
class AppWorld {
public:
    AppWorld();
    ~AppWorld();

    // "Capture One <number>.app", identifier(number), version "<number>.0"; returns the bundle path.
    QString addCopy(int number,
                    const QList<QPair<QString, QString>>& scripts = {
                        {QStringLiteral("capture done script"), QStringLiteral("Runs after each capture.")},
                        {QStringLiteral("batch done script"), QStringLiteral("Runs after a batch.")},
                        {QStringLiteral("live view became ready script"), QStringLiteral("Runs.")}});
    QString identifier(int number) const;
    void setIcon(const QString& bundle, const QString& fileName, const QByteArray& contents) const;
    // Changes a service of the platform, for the finder and everything made after.
    void change(const std::function<void(brisquel::Platform&)>& change);

    // The detail view of copy `number` alone in a window, shown once its rows are read and laid out.
    std::unique_ptr<quillmere::ApplicationView> showDetail(int number, QSize size = QSize(500, 400));

    QString scriptFile(const QString& name) const {
        return m_temp.write(QStringLiteral("Scripts/") + name, QByteArrayLiteral("on run\nend run\n"));
    }
    QString domainFile(const QString& domain) const {
        return m_preferences + u'/' + domain + QStringLiteral(".plist");
    }
    // None when missing or unreadable.
    std::optional<QVariantMap> domainContents(const QString& domain) const;
    // As another program would; no value removes the key.
    bool writeExternally(const QString& domain, const QString& key, const QVariant& value) const;

    brisquel::AppFinder& finder() { return *m_finder; }
    const brisquel::Platform& platform() const { return m_platform; }
    testsupport::RecordingLog& log() { return *m_log; }
    QString applicationsFolder() const { return m_applications; }
    QString preferencesFolder() const { return m_preferences; }
    const testsupport::TempFolder& temp() const { return m_temp; }

private:
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

// The main window, launched as the program does: with no copy running the last copy is shown, and
// the window is ready once its rows are read.
class AppWindow {
public:
    explicit AppWindow(AppWorld& world);
    ~AppWindow();
    AppWindow(const AppWindow&) = delete;
    AppWindow& operator=(const AppWindow&) = delete;

    quillmere::AppDelegate& delegate() const { return *m_delegate; }
    quillmere::ContentView* content() const;
    QMainWindow* window() const;
    brisquel::AppFinder::App copy(int number) const; // "Capture One <number>"
    void select(int number) const;
    void waitForRows() const;
    quillmere::ScriptView* row(int index) const;
    QString undoText() const;

private:
    std::unique_ptr<quillmere::AppDelegate> m_delegate;
};

// The text of the one message box shown, which is closed; empty (and a failure) without one.
QString takeMessage();
void closeMessageBoxes();

// The text a person reads where Qt may take text for markup.
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

// A table's row prints as its name, as the table's name generator calls it.
template <typename Row>
requires requires(const Row& row) {
    row.name;
}
void PrintTo(const Row& row, std::ostream* out) {
    *out << row.name;
}

} // namespace apptest
