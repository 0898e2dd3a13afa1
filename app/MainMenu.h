#pragma once

#include <QKeySequence>
#include <QObject>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

namespace quillmere {

// The application's menus: File (headed by the window's content: Import Assignments…, Export
// Assignments…, Copy Assignments To; then Preferences…, Close Window, Quit), Edit (filled by the
// window's content: Undo, Redo) and Help (Check for Updates…,
// Send Feedback…, About Quillmere). On macOS, Preferences, About, Quit and the update check move to
// the application menu by their roles. Commands of our own are in title case.
//
// The menu only offers the commands; the delegate connects the preferences, update and feedback
// commands to what carries them out.
class MainMenu final : public QObject {
    Q_OBJECT

public:
    // Fills the menu bar; `window` is the window the commands act on and the About box's parent.
    MainMenu(QMenuBar* menuBar, QWidget* window, QObject* parent = nullptr);

    QMenu* fileMenu() const { return m_fileMenu; }
    QMenu* editMenu() const { return m_editMenu; }
    QMenu* helpMenu() const { return m_helpMenu; }
    QAction* aboutAction() const { return m_about; }
    QAction* quitAction() const { return m_quit; }
    QAction* closeAction() const { return m_close; }
    QAction* preferencesAction() const { return m_preferences; }
    QAction* checkForUpdatesAction() const { return m_checkForUpdates; }
    QAction* sendFeedbackAction() const { return m_sendFeedback; }

    // The preferences command's shortcut: the platform's own, or Ctrl+, where the toolkit knows
    // none (Linux desktops have no common one).
    static QKeySequence preferencesShortcut();

    // The About box's text: the application's name and version and the library's version, in
    // plain words (rich text of our own, every value escaped).
    static QString aboutText();

public slots:
    void showAbout();

private:
    QWidget* m_window;
    QMenu* m_fileMenu = nullptr;
    QMenu* m_editMenu = nullptr;
    QMenu* m_helpMenu = nullptr;
    QAction* m_about = nullptr;
    QAction* m_quit = nullptr;
    QAction* m_close = nullptr;
    QAction* m_preferences = nullptr;
    QAction* m_checkForUpdates = nullptr;
    QAction* m_sendFeedback = nullptr;
};

} // namespace quillmere
