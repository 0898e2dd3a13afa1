#pragma once

#include <QAbstractItemView>
#include <QFileDialog>
#include <QPointer>
#include <QUrl>

#include <functional>
#include <optional>

class QLineEdit;

namespace quillmere {

// The one script-choosing panel of the process, shared by every script row: a file-open window
// of its own (not attached to the main window, blocking nothing) in which exactly one existing
// AppleScript file can be chosen, a compiled script (.scpt), a script bundle (.scptd) or an
// AppleScript text file (.applescript). A script bundle is a folder on disk but is chosen as one
// file, however it is picked: its name typed, double-clicked, or selected and Choose pressed.
// Other folders are opened, never chosen; a typed name of another kind is refused with a message
// and the panel stays open.
//
// The panel is created and configured on first use and kept, unchanged, until the application
// ends. It opens in the folder last used, whether the user browsed there or typed a path into it,
// and where it was left on screen (centred, title bar included, the first time); every use starts
// with nothing selected: a file chosen for one row is never offered to the next. Its list of
// files gives the size, kind and date columns the room they need and the name the rest.
//
// One request is served at a time: a row that asks while the panel is open for another row takes
// the panel over (the earlier row hears nothing), and when the asking row goes away the panel
// closes, so a choice never lands in a row that no longer exists.
//
// Its name field completes names from a list under the field. That list never outlives the
// panel (accepting with Return while it shows closes both), and a click outside it does what it
// was aimed at (one click on Choose chooses).
class ScriptPanel final : public QFileDialog {
    Q_OBJECT

public:
    // Called once when the panel is dismissed: the chosen file, or none for Cancel.
    using Completion = std::function<void(const std::optional<QUrl>& chosen)>;

    // The panel of the process, created on first use (GUI thread only).
    static ScriptPanel& shared();
    // The panel if it was ever created, else null.
    static ScriptPanel* existing();

    // Shows the panel for a requester, with nothing selected; the completion runs on the GUI
    // thread when the panel is dismissed, unless the requester is gone or another request took
    // the panel over first.
    void begin(QObject* requester, Completion completion);
    // The object whose request is being served, or null.
    QObject* requester() const { return m_requester; }

    // The name field and its completion list.
    QLineEdit* fileNameField() const;
    QAbstractItemView* completionList() const { return m_completionList; }

    // Whether a file name has an AppleScript file's extension, .scpt or .applescript (in any
    // letter case).
    static bool isScriptFileName(const QString& fileName);
    // Whether a path names a script bundle: a folder whose name ends in .scptd (any letter case).
    static bool isScriptBundle(const QString& path);

public slots:
    void accept() override;
    void done(int result) override;

signals:
    // A typed name was refused; the text is the message shown.
    void refused(const QString& message);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ScriptPanel();
    // Chooses a script bundle as the panel's one file.
    void chooseBundle(const QString& path);
    // The script bundle an activated item of a file list names; empty when it names none.
    QString bundleAt(const QAbstractItemView* view) const;
    void fitColumns();
    void fitPlaces();
    void clearSelection();
    void closeCompletionList();
    void finish(int result);
    void requesterDestroyed();

    QPointer<QAbstractItemView> m_completionList;
    // Pressed by a click that closed the completion list; its release is due.
    QPointer<QWidget> m_pressedThroughList;
    QPointer<QObject> m_requester;
    QMetaObject::Connection m_requesterConnection;
    Completion m_completion;
    // A script bundle chosen: the panel itself would report the folder it would have opened.
    std::optional<QUrl> m_chosenBundle;
    // Where the panel was when it was last dismissed.
    std::optional<QRect> m_lastPlace;
};

} // namespace quillmere
