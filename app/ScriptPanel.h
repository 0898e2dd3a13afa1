#pragma once

#include "app/ScriptFileDialog.h"

#include <QObject>
#include <QPointer>
#include <QUrl>

#include <functional>
#include <optional>

namespace quillmere {

// The one script-choosing panel of the process, shared by every script row. The panel window
// is created and configured on first use and then kept, unchanged, until the application ends;
// it opens as a window of its own (not attached to the main window) and never blocks it.
//
// One request is served at a time: a row that asks while the panel is open for another row
// takes the panel over (the earlier row hears nothing), and when the asking row goes away the
// panel closes, so a choice never lands in a row that no longer exists.
class ScriptPanel final : public QObject {
    Q_OBJECT

public:
    // Called once when the panel is dismissed: the chosen file, or none for Cancel.
    using Completion = std::function<void(const std::optional<QUrl>& chosen)>;

    // The panel of the process (GUI thread only).
    static ScriptPanel& shared();
    ~ScriptPanel() override;

    // The panel window, created and configured if this is the first use.
    ScriptFileDialog* dialog();
    // The panel window if it was ever created, else null.
    ScriptFileDialog* existingDialog() const { return m_dialog; }

    // Shows the panel for a requester; the completion runs on the GUI thread when the panel is
    // dismissed, unless the requester is gone or another request took the panel over first.
    void begin(QObject* requester, Completion completion);

    // The object whose request is being served, or null.
    QObject* requester() const { return m_requester; }

signals:
    // The panel window was created (once per process).
    void created();

private:
    explicit ScriptPanel(QObject* parent);
    void finish(int result);
    void requesterDestroyed();

    QPointer<ScriptFileDialog> m_dialog;
    QPointer<QObject> m_requester;
    QMetaObject::Connection m_requesterConnection;
    Completion m_completion;
};

} // namespace quillmere
