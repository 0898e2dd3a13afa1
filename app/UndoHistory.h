#pragma once

#include "app/AssignmentCommand.h"

#include <QObject>
#include <QString>
#include <QUndoStack>

#include <memory>

class QAction;
class QWidget;

namespace quillmere {

// The main window's undo history of script assignments, for the whole run of the application: it
// outlives the copy shown, so a step taken on one copy can be undone while another is shown.
//
// It offers Edit › Undo and Edit › Redo, named after the step they would take back or take again
// ("Undo Assign Batch Done"); a step on a copy other than the one shown names its copy too ("Undo
// Assign Batch Done in Capture One 22"), since the rows on screen do not say what it would change.
// With nothing to undo or redo they read plainly "Undo" and "Redo" and are disabled.
//
// Undoing or redoing tells the window what came of it: a step whose scripts were changed meanwhile
// by another program or window is not applied and is dropped, with a notice naming the scripts and
// what they hold now; a write that fails is shown with its reason, like any other failed write in
// the window, and the step stays where it was.
class UndoHistory final : public QObject {
    Q_OBJECT

public:
    // `window` is where the history tells the user what it could not do.
    explicit UndoHistory(QWidget* window, QObject* parent = nullptr);
    ~UndoHistory() override;

    QAction* undoAction() const { return m_undo; }
    QAction* redoAction() const { return m_redo; }
    const QUndoStack& stack() const { return m_stack; }

    // Takes a step the user has just taken (its values already stored); the steps undone before it
    // can no longer be redone.
    void record(std::unique_ptr<AssignmentCommand> step);
    // The copy the window shows (its bundle identifier; empty for none).
    void setShownCopy(const QString& copyIdentifier);

public slots:
    void undo();
    void redo();

signals:
    // An undo or redo looked at the domain of this copy, and may have changed it.
    void assignmentsChanged(const QString& copyIdentifier);

private:
    using Side = AssignmentCommand::Side;
    void take(Side side);
    AssignmentCommand* commandAt(int index) const;
    QString menuText(const AssignmentCommand& step) const;
    void updateActions();

    QWidget* m_window;
    QUndoStack m_stack;
    QString m_shownCopy;
    QAction* m_undo = nullptr;
    QAction* m_redo = nullptr;
};

} // namespace quillmere
