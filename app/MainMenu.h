#pragma once

#include <QObject>

class QAction;
class QMenuBar;
class QWidget;

namespace quillmere {

// The application's menus: File (Close Window, Quit) and Help (About Quillmere). On macOS the
// About and Quit commands move to the application menu by their roles.
class MainMenu final : public QObject {
    Q_OBJECT

public:
    // Fills the menu bar; `window` is the window the commands act on and the About box's parent.
    MainMenu(QMenuBar* menuBar, QWidget* window, QObject* parent = nullptr);

    QAction* aboutAction() const { return m_about; }
    QAction* quitAction() const { return m_quit; }
    QAction* closeAction() const { return m_close; }

    // The text of the About box.
    static QString aboutText();

public slots:
    void showAbout();

private:
    QWidget* m_window;
    QAction* m_about = nullptr;
    QAction* m_quit = nullptr;
    QAction* m_close = nullptr;
};

} // namespace quillmere
