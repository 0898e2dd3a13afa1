#include "app/UndoHistory.h"

#include "app/PlainText.h"

#include <QAction>
#include <QKeySequence>
#include <QMessageBox>

namespace quillmere {

UndoHistory::UndoHistory(QWidget* window, QObject* parent) : QObject(parent), m_window(window) {
    // Our own actions rather than the stack's: an undo must be able to fail and leave its step
    // where it is, which the stack's own actions cannot.
    m_undo = new QAction(this);
    m_undo->setShortcuts(QKeySequence::Undo);
    connect(m_undo, &QAction::triggered, this, &UndoHistory::undo);
    m_redo = new QAction(this);
    // Ctrl+Shift+Z (Cmd+Shift+Z on the Mac) first, so that the menu shows it, whatever else the
    // platform also binds (Ctrl+Y where the desktop follows Windows).
    const QKeySequence shiftZ(Qt::CTRL | Qt::SHIFT | Qt::Key_Z);
    QList<QKeySequence> redoKeys = QKeySequence::keyBindings(QKeySequence::Redo);
    redoKeys.removeAll(shiftZ);
    redoKeys.prepend(shiftZ);
    m_redo->setShortcuts(redoKeys);
    connect(m_redo, &QAction::triggered, this, &UndoHistory::redo);
    connect(&m_stack, &QUndoStack::indexChanged, this, &UndoHistory::updateActions);
    updateActions();
}

UndoHistory::~UndoHistory() = default;

void UndoHistory::record(std::unique_ptr<AssignmentCommand> step) {
    // The stack's redo() of a new step passes: its values are stored already.
    m_stack.push(step.release());
    updateActions();
}

void UndoHistory::setShownCopy(const QString& copyIdentifier) {
    m_shownCopy = copyIdentifier;
    updateActions();
}

void UndoHistory::undo() {
    take(Side::Before);
}

void UndoHistory::redo() {
    take(Side::After);
}

void UndoHistory::take(Side side) {
    const bool back = side == Side::Before;
    AssignmentCommand* step = commandAt(back ? m_stack.index() - 1 : m_stack.index());
    if (!step) {
        return;
    }
    // The step is applied first and the stack moved after, only when the step went somewhere: the
    // stack itself has no notion of an undo that fails.
    const AssignmentCommand::Outcome outcome = step->apply(side);
    const QString copy = step->copyIdentifier();
    const QString action = shortenedForDisplay(step->text());
    if (outcome == AssignmentCommand::Outcome::Failed) {
        const QString what =
            back ? tr("“%1” could not be undone.").arg(action) : tr("“%1” could not be redone.").arg(action);
        openPlainMessageBox(QMessageBox::Warning, tr("The Script Could Not Be Saved"),
                            what + QStringLiteral("\n\n") + step->failure().message() +
                                QStringLiteral("\n\n") +
                                tr("The step stays in the undo history, so that it can be tried again."),
                            m_window);
        emit assignmentsChanged(copy);
        return;
    }
    QString notice;
    QString title;
    if (outcome == AssignmentCommand::Outcome::Conflicted) {
        notice = step->conflictText(side);
        title = step->conflicts().size() == 1 ? tr("The Script Was Changed Elsewhere")
                                              : tr("The Scripts Were Changed Elsewhere");
    }
    // A conflicted step is obsolete: moving the stack past it drops it.
    step->passOverNextCall();
    if (back) {
        m_stack.undo();
    } else {
        m_stack.redo();
    }
    updateActions();
    // The rows show at once what the domain holds now, before the notice is read.
    emit assignmentsChanged(copy);
    if (!notice.isEmpty()) {
        openPlainMessageBox(QMessageBox::Information, title, notice, m_window);
    }
}

AssignmentCommand* UndoHistory::commandAt(int index) const {
    if (index < 0 || index >= m_stack.count()) {
        return nullptr;
    }
    // Every step of this stack is one.
    return static_cast<AssignmentCommand*>(const_cast<QUndoCommand*>(m_stack.command(index)));
}

QString UndoHistory::menuText(const AssignmentCommand& step) const {
    const QString action =
        step.copyIdentifier() == m_shownCopy ? step.text() : tr("%1 in %2").arg(step.text(), step.copyName());
    return menuItemText(action);
}

void UndoHistory::updateActions() {
    const AssignmentCommand* undoable = commandAt(m_stack.index() - 1);
    const AssignmentCommand* redoable = commandAt(m_stack.index());
    m_undo->setEnabled(undoable != nullptr);
    m_undo->setText(undoable ? tr("&Undo %1").arg(menuText(*undoable)) : tr("&Undo"));
    m_redo->setEnabled(redoable != nullptr);
    m_redo->setText(redoable ? tr("&Redo %1").arg(menuText(*redoable)) : tr("&Redo"));
}

} // namespace quillmere
