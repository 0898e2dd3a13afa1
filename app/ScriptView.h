#pragma once

#include "app/AssignmentCommand.h"
#include "app/AssignmentState.h"
#include "app/RemoveButton.h"
#include "app/Showings.h"
#include "core/BackgroundScript.h"

#include <QPointer>
#include <QUrl>
#include <QWidget>

#include <optional>

class QLabel;
class QMenu;

namespace quillmere {

class ChooseButton;
class ControlAlignment;
class WrappingLabel;

// One row of the script form: one background script of one copy of Capture One, the file assigned
// to it, and the means to choose another file or remove the assignment.
//
//   [label]  [Choose a script | file name  (! missing)]          [remove]
//            description
//
// The label stands in the label column that the form's ControlAlignment shares among its rows;
// everything else is the control column. Every read and write of the assignment goes through the
// script record, and so through Capture One's preferences domain.
//
// The row renders one AssignmentState: the file the domain names, what that file is like, and the
// mark that says so. The state the row is made with serves its first showing; each later showing
// reads the domain again, and a check of the file alone (FileWatch tells when; the view that holds
// the row checks away from the GUI thread) keeps the mark true while the row is on screen. When the domain
// cannot be read, the row says the assignment is unknown and is disabled: it never offers "Choose a script"
// over an assignment it cannot see. An assigned file Capture One could not run (gone, unreadable, empty, not
// a script) is marked in the row with the check's word, and the check's reason, which names the file, is its
// tooltip and part of its accessible description.
//
// The label and the description are outside text of any length: each shows at most a few lines,
// the rest cut with an ellipsis and the whole text in the tooltip.
class ScriptView final : public QWidget {
    Q_OBJECT

public:
    // A description longer than this many lines is cut.
    static constexpr int kMaximumDescriptionLines = 6;

    // The row shows `assignment` when one is given (a listing reads the domain once for all its
    // rows), else it reads the domain itself; either serves its first showing.
    ScriptView(brisquel::BackgroundScript script, ControlAlignment* alignment, QWidget* parent = nullptr,
               std::optional<AssignmentState> assignment = std::nullopt);

    const brisquel::BackgroundScript& script() const { return m_script; }
    // What the row shows of the assignment.
    const AssignmentState& assignment() const { return m_assignment; }
    // The row's own copy of the assigned file: the remove button exists exactly while it is set.
    const std::optional<QUrl>& url() const { return m_assignment.url(); }
    // Success, or why Capture One's preferences could not be read at the last refresh.
    const brisquel::vexo::Result& readFailure() const { return m_assignment.readFailure(); }
    // Whether the pointer is over the row.
    bool removeVisible() const { return m_removeVisible; }

    WrappingLabel* label() const { return m_label; }
    ChooseButton* chooseButton() const { return m_chooseButton; }
    // Null while no file is assigned.
    RemoveButton* removeButton() const { return m_removeButton; }
    WrappingLabel* descriptionLabel() const { return m_description; }
    // The check's word ("missing", "empty", "not a script") beside the file's name when Capture One
    // could not run the file; hidden otherwise.
    QLabel* fileStatusLabel() const { return m_statusText; }

    // The row's context actions (choose, show in the file manager, remove), in the state the row
    // is in now.
    QMenu* createContextMenu(QWidget* parent);

    // The label the choose button shows when nothing is assigned.
    static QString chooseText();
    // The label it shows when the assignment cannot be known.
    static QString unknownText();

public slots:
    // Reads the assignment from the record again and shows it.
    void refresh();
    // Shows an assignment read elsewhere (the listing's one reading for all rows).
    void showAssignment(const AssignmentState& assignment);
    // Shows a check of the assigned file made away from the GUI thread (the view that holds the
    // row checks); a check of a file the row no longer shows is passed over.
    void showCheck(const QUrl& file, const brisquel::ScriptCheck& check);
    // The pointer entered (true) or left (false) the row.
    void hover(bool inside);
    // Opens the shared panel; a file chosen there becomes the assignment, Cancel changes nothing.
    void choose();
    // Removes the assignment.
    void clear();
    // Shows the assigned file in the file manager, or tells why it cannot.
    void revealFile();
    // Opens the context menu under the focused control (Shift+F10, the Menu key: the form that
    // holds the row gives it these keys).
    void openContextMenuFromKeyboard();

signals:
    // The row wrote the assignment (after a choice or a removal), whether or not it was stored.
    void assignmentWritten(bool stored);
    // A choice or a removal changed what the domain stores: the exact values before and after,
    // for the window's undo history.
    void assignmentChanged(const quillmere::AssignmentCommand::Change& change);
    // The row read the domain again.
    void refreshed();

protected:
    void showEvent(QShowEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void apply(const std::optional<QUrl>& chosen);
    void updateChooseButton();
    void updateFileStatus();
    void updateRemoveButton();
    void updateColors();
    void reportFailedWrite(const std::optional<QUrl>& chosen, const brisquel::vexo::Result& failure);
    void popUpContextMenu(const QPoint& globalPosition);

    brisquel::BackgroundScript m_script;
    AssignmentState m_assignment;
    // The first showing is served by the assignment the row was made with; a row shown again reads
    // its assignment again.
    Showings m_showings;
    bool m_removeVisible = false;

    WrappingLabel* m_label = nullptr;
    QWidget* m_buttonRow = nullptr;
    ChooseButton* m_chooseButton = nullptr;
    QLabel* m_statusIcon = nullptr;
    QLabel* m_statusText = nullptr;
    QPointer<RemoveButton> m_removeButton;
    WrappingLabel* m_description = nullptr;
};

} // namespace quillmere
