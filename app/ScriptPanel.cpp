#include "app/ScriptPanel.h"

#include "app/ScriptFileDialog.h"

#include <QCoreApplication>
#include <QDir>
#include <QThread>

namespace quillmere {

ScriptPanel& ScriptPanel::shared() {
    Q_ASSERT(QThread::currentThread() == qApp->thread());
    // Owned by the application object, so the panel window goes before the GUI does.
    static QPointer<ScriptPanel> instance;
    if (!instance) {
        instance = new ScriptPanel(qApp);
    }
    return *instance;
}

ScriptPanel::ScriptPanel(QObject* parent) : QObject(parent) {
    // The panel window lives until the application ends, and goes while the event loop's
    // machinery is still there to stop its folder watcher.
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] { delete m_dialog.data(); });
}

ScriptPanel::~ScriptPanel() {
    // The window has no parent to take it along.
    delete m_dialog.data();
}

ScriptFileDialog* ScriptPanel::dialog() {
    if (!m_dialog) {
        m_dialog = new ScriptFileDialog(nullptr);
        m_dialog->setDirectory(QDir::homePath());
        m_dialog->resize(m_dialog->sizeHint().expandedTo(QSize(720, 460)));
        connect(m_dialog, &QDialog::finished, this, &ScriptPanel::finish);
        emit created();
    }
    return m_dialog;
}

void ScriptPanel::begin(QObject* requester, Completion completion) {
    ScriptFileDialog* panel = dialog();
    disconnect(m_requesterConnection);
    m_requester = requester;
    m_completion = std::move(completion);
    if (requester) {
        m_requesterConnection =
            connect(requester, &QObject::destroyed, this, &ScriptPanel::requesterDestroyed);
    }
    panel->show();
    panel->raise();
    panel->activateWindow();
}

void ScriptPanel::finish(int result) {
    disconnect(m_requesterConnection);
    const QPointer<QObject> requester = m_requester;
    Completion completion = std::move(m_completion);
    m_requester = nullptr;
    m_completion = nullptr;
    if (!requester || !completion) {
        return;
    }
    std::optional<QUrl> chosen;
    if (result == QDialog::Accepted) {
        const QList<QUrl> urls = m_dialog->selectedUrls();
        if (!urls.isEmpty() && urls.first().isLocalFile()) {
            chosen = urls.first();
        }
    }
    completion(chosen);
}

void ScriptPanel::requesterDestroyed() {
    // Only the current requester is connected, so this is the request being served.
    m_requester = nullptr;
    m_completion = nullptr;
    if (m_dialog && m_dialog->isVisible()) {
        m_dialog->reject();
    }
}

} // namespace quillmere
