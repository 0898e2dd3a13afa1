#include "app/MainMenu.h"

#include "app/AppIdentity.h"

#include "core/BrisquelVersion.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>

namespace quillmere {

MainMenu::MainMenu(QMenuBar* menuBar, QWidget* window, QObject* parent) : QObject(parent), m_window(window) {
    QMenu* file = menuBar->addMenu(tr("&File"));
    m_close = file->addAction(tr("&Close Window"));
    m_close->setShortcut(QKeySequence::Close);
    connect(m_close, &QAction::triggered, this, [this] {
        QWidget* active = QApplication::activeWindow();
        (active ? active : m_window)->close();
    });
    file->addSeparator();
    m_quit = file->addAction(tr("&Quit"));
    m_quit->setShortcut(QKeySequence::Quit);
    m_quit->setMenuRole(QAction::QuitRole);
    connect(m_quit, &QAction::triggered, qApp, &QCoreApplication::quit, Qt::QueuedConnection);

    QMenu* help = menuBar->addMenu(tr("&Help"));
    m_about = help->addAction(tr("&About Quillmere"));
    m_about->setMenuRole(QAction::AboutRole);
    connect(m_about, &QAction::triggered, this, &MainMenu::showAbout);
}

QString MainMenu::aboutText() {
    return tr("<h3>%1 %2</h3>"
              "<p>Assigns AppleScript files to the background scripts of every installed copy of "
              "Capture One.</p>"
              "<p>Brisquel library %3</p>")
        .arg(applicationName(), QCoreApplication::applicationVersion().toHtmlEscaped(),
             QString::fromUtf8(brisquel::BrisquelVersionString).toHtmlEscaped());
}

void MainMenu::showAbout() {
    static QPointer<QMessageBox> box;
    if (!box) {
        box = new QMessageBox(QMessageBox::NoIcon, tr("About Quillmere"), aboutText(), QMessageBox::Ok,
                              m_window);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setTextFormat(Qt::RichText);
        box->setIconPixmap(QApplication::windowIcon().pixmap(64, 64));
    }
    box->open();
    box->raise();
    box->activateWindow();
}

} // namespace quillmere
