#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QMainWindow;
class QMenuBar;

namespace brisquel {
class AppFinder;
}

namespace quillmere {

class ContactForm;
class ContentView;
class MainMenu;
class PreferencesWindowController;
class WindowFrameAutosave;

// The application's delegate: it builds the main window when launching has finished and owns
// it for the rest of the process. Closing the window only hides it; nothing reopens it.
//
// It also owns the one preferences window (made with the delegate, shown by the Preferences
// command; its only pane is Updates, so its toolbar is hidden) and the feedback form's entry point
// (the Send Feedback command). The update check goes to the shared updater, which the application
// installs once the main window has been shown (see ApplicationLaunch).
class AppDelegate final : public QObject {
    Q_OBJECT

public:
    // The main window's first requested size; the content's own minimum (750 × 400) wins.
    static constexpr int kRequestedWidth = 600;
    static constexpr int kRequestedHeight = 400;
    // Where the main window keeps its frame in the application's own preferences domain.
    static inline const QString kMainWindowFrameName = QStringLiteral("Main Window");

    // `finder` searches for the installed copies (the shared finder in the application).
    explicit AppDelegate(brisquel::AppFinder& finder, QObject* parent = nullptr);
    ~AppDelegate() override;

    // None until launching has finished, then the one main window.
    QMainWindow* window() const { return m_window.get(); }
    ContentView* contentView() const { return m_contentView; }
    MainMenu* mainMenu() const { return m_mainMenu; }
    WindowFrameAutosave* frameAutosave() const { return m_frameAutosave; }
    PreferencesWindowController* preferencesWindowController() const {
        return m_preferencesWindowController.get();
    }

public slots:
    // Builds the main window around the content, restores its size (a saved size larger than the
    // screen is fitted to the screen's available area, title bar included), centres it on the
    // screen and brings it to the front.
    void applicationDidFinishLaunching();
    // Nothing is left to do at termination: every assignment was stored when it was made, and
    // the window wrote its own frame.
    void applicationWillTerminate();
    // The Preferences command: shows the preferences window with the pane shown last.
    void preferencesMenuItemActionHandler();
    // The Check for Updates command: the shared updater checks and tells the user the outcome.
    void checkForUpdates();

private:
    // Keeps the window, frame included, within its screen's available area and centred on it.
    void fitAndCentre();

    brisquel::AppFinder& m_finder;
    std::unique_ptr<PreferencesWindowController> m_preferencesWindowController;
    ContactForm* m_contactForm = nullptr;
    std::unique_ptr<QMainWindow> m_window;
    ContentView* m_contentView = nullptr;
    WindowFrameAutosave* m_frameAutosave = nullptr;
    MainMenu* m_mainMenu = nullptr;
    // Where there is one menu bar for the whole desktop, it outlives any window.
    std::unique_ptr<QMenuBar> m_globalMenuBar;
};

} // namespace quillmere
