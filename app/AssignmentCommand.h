#pragma once

#include "VexoExtensions/Result.h"
#include "VexoExtensions/UserDefaults.h"

#include <QCoreApplication>
#include <QList>
#include <QString>
#include <QUndoCommand>
#include <QVariant>

#include <memory>

namespace quillmere {

// One step of the window's undo history: what one action of the user (choosing a script's file,
// removing it, importing several) changed in the preferences domain of one copy of Capture One.
//
// For every key it changed the step keeps the exact values the domain held before and after,
// whatever their kind (a path text, the platform's archived URL, nothing at all), so that undoing
// and redoing put back exactly what was stored, through the domain's several-key write: one write
// for the whole step, every key or none, with the same locking and durability as every other
// write.
//
// The step is made once its action has been stored: the first redo() the history asks of it does
// nothing.
//
// Undoing (or redoing) reads the domain first. When a key no longer holds what the step left there
// (the brisquel tool, Capture One or another window changed it meanwhile), nothing of the step is
// written: that change is the user's latest word. The write itself is a compare-and-write, so a
// change made between that reading and the writing is refused as well. The step then names the
// scripts and what they hold now (conflictText()) and makes itself obsolete, so that the history
// drops it: its values describe a state that no longer exists, and keeping it would block every
// older step behind it. A key that already holds the wanted value is left alone. A write that fails
// leaves the domain as it was, and the step stays where it was, to be tried again.
class AssignmentCommand final : public QUndoCommand {
    Q_DECLARE_TR_FUNCTIONS(AssignmentCommand)

public:
    // One key's change. An invalid QVariant means the key held no value.
    struct Change {
        QString key;
        // The script's display name, as its row shows it.
        QString title;
        QVariant before;
        QVariant after;
    };
    // A key found holding something other than what the step expected there.
    struct Conflict {
        QString title;
        QVariant stored;
    };
    enum class Side { Before, After };
    enum class Outcome {
        Done,       // the domain holds the side's values
        Conflicted, // another writer changed a key meanwhile; nothing was written
        Failed,     // the domain could not be read or written; it holds what it held
    };

    // `copyIdentifier` and `copyName` name the copy whose domain it is; `text` names the action
    // ("Assign Batch Done").
    AssignmentCommand(std::shared_ptr<brisquel::vexo::UserDefaults> domain, QString copyIdentifier,
                      QString copyName, const QString& text, QList<Change> changes);

    // The action of one row: "Assign <title>" when it stored a value, "Remove <title>" when it
    // removed one.
    static QString textFor(const Change& change);

    // Brings the domain to one side's values, as undo() (Before) and redo() (After) do.
    Outcome apply(Side side);
    // The stack's next call to undo() or redo() does nothing: the history has applied that side
    // already (through apply(), which tells it how that went).
    void passOverNextCall() { m_passOver = true; }

    void undo() override;
    void redo() override;

    Outcome outcome() const { return m_outcome; }
    // Why the last apply() failed.
    const brisquel::vexo::Result& failure() const { return m_failure; }
    // What the last apply() found changed by another writer.
    const QList<Conflict>& conflicts() const { return m_conflicts; }
    // For the user, after a conflict: which scripts changed and what they hold now, and that the
    // step was not applied.
    QString conflictText(Side side) const;

    const QString& copyIdentifier() const { return m_copyIdentifier; }
    const QString& copyName() const { return m_copyName; }
    const QList<Change>& changes() const { return m_changes; }

    // A stored value as the user knows it: the file it names, no file, or a value naming none.
    static QString describe(const QVariant& stored);
    // Whether two stored values are the same value of the same kind (UserDefaults::sameValue()).
    static bool same(const QVariant& a, const QVariant& b);

private:
    Outcome attempt(Side side);

    std::shared_ptr<brisquel::vexo::UserDefaults> m_domain;
    QString m_copyIdentifier;
    QString m_copyName;
    QList<Change> m_changes;
    // Made after its action was stored, so the first redo() passes.
    bool m_passOver = true;
    Outcome m_outcome = Outcome::Done;
    brisquel::vexo::Result m_failure;
    QList<Conflict> m_conflicts;
};

} // namespace quillmere
