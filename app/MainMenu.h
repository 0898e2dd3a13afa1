#pragma once

#include <QObject>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

namespace quillmere {

// The application's menus: File (Close Window, Quit) and Help (About Quillmere). On macOS the
// About and Quit commands move to the application menu by their roles.
//
// The Help menu is where the update check and the feedback form add their commands (helpMenu());
// commands of our own are in title case.
class MainMenu final : public QObject {
    Q_OBJECT

public:
    // Fills the menu bar; `window` is the window the commands act on and the About box's parent.
    MainMenu(QMenuBar* menuBar, QWidget* window, QObject* parent = nullptr);

    QMenu* fileMenu() const { return m_fileMenu; }
    QMenu* helpMenu() const { return m_helpMenu; }
    QAction* aboutAction() const { return m_about; }
    QAction* quitAction() const { return m_quit; }
    QAction* closeAction() const { return m_close; }

    // The About box's text: the application's name and version and the library's version, in
    // plain words (rich text of our own, every value escaped).
    static QString aboutText();

public slots:
    void showAbout();

private:
    QWidget* m_window;
    QMenu* m_fileMenu = nullptr;
    QMenu* m_helpMenu = nullptr;
    QAction* m_about = nullptr;
    QAction* m_quit = nullptr;
    QAction* m_close = nullptr;
};

} // namespace quillmere
