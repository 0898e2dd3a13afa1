#include "app/MainMenu.h"

#include "app/ApplicationIcon.h"

#include "VexoExtensions/MainBundle.h"
#include "core/BrisquelVersion.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>

namespace quillmere {

MainMenu::MainMenu(QMenuBar* menuBar, QWidget* window, QObject* parent) : QObject(parent), m_window(window) {
    m_fileMenu = menuBar->addMenu(tr("&File"));
    m_preferences = m_fileMenu->addAction(tr("&Preferences…"));
    m_preferences->setShortcut(preferencesShortcut());
    m_preferences->setMenuRole(QAction::PreferencesRole);
    m_fileMenu->addSeparator();
    m_close = m_fileMenu->addAction(tr("&Close Window"));
    m_close->setShortcut(QKeySequence::Close);
    connect(m_close, &QAction::triggered, this, [this] {
        QWidget* active = QApplication::activeWindow();
        (active ? active : m_window)->close();
    });
    m_fileMenu->addSeparator();
    m_quit = m_fileMenu->addAction(tr("&Quit"));
    m_quit->setShortcut(QKeySequence::Quit);
    m_quit->setMenuRole(QAction::QuitRole);
    connect(m_quit, &QAction::triggered, qApp, &QCoreApplication::quit, Qt::QueuedConnection);

    m_editMenu = menuBar->addMenu(tr("&Edit"));

    m_helpMenu = menuBar->addMenu(tr("&Help"));
    m_checkForUpdates = m_helpMenu->addAction(tr("Check for &Updates…"));
    m_checkForUpdates->setMenuRole(QAction::ApplicationSpecificRole);
    m_sendFeedback = m_helpMenu->addAction(tr("Send &Feedback…"));
    m_helpMenu->addSeparator();
    m_about = m_helpMenu->addAction(tr("&About %1").arg(brisquel::vexo::MainBundle::name()));
    m_about->setMenuRole(QAction::AboutRole);
    connect(m_about, &QAction::triggered, this, &MainMenu::showAbout);
}

QKeySequence MainMenu::preferencesShortcut() {
    const QKeySequence platform(QKeySequence::Preferences);
    return platform.isEmpty() ? QKeySequence(Qt::CTRL | Qt::Key_Comma) : platform;
}

QString MainMenu::aboutText() {
    using brisquel::vexo::MainBundle;
    const QString version = MainBundle::shortVersion();
    const QString build = MainBundle::version();
    const QString versionLine =
        build.isEmpty() ? tr("Version %1").arg(version) : tr("Version %1 (build %2)").arg(version, build);
    const QString library = tr("Uses the Brisquel library, version %1.")
                                .arg(QString::number(brisquel::BrisquelVersionNumber, 'f', 1));
    return QStringLiteral("<h3>") + MainBundle::name().toHtmlEscaped() + QStringLiteral("</h3><p>") +
           versionLine.toHtmlEscaped() + QStringLiteral("</p><p>") +
           tr("Assigns AppleScript files to the background scripts of every installed copy of Capture One.")
               .toHtmlEscaped() +
           QStringLiteral("</p><p>") + library.toHtmlEscaped() + QStringLiteral("</p>");
}

void MainMenu::showAbout() {
    static QPointer<QMessageBox> box;
    if (!box) {
        box = new QMessageBox(QMessageBox::NoIcon, tr("About %1").arg(brisquel::vexo::MainBundle::name()),
                              QString(), QMessageBox::Ok, m_window);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setTextFormat(Qt::RichText);
        box->setText(aboutText());
        box->setIconPixmap(applicationIcon().pixmap(64, 64));
    }
    box->open();
    box->raise();
    box->activateWindow();
}

} // namespace quillmere
