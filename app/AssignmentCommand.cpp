#include "app/AssignmentCommand.h"

#include "app/PlainText.h"

#include <QUrl>

#include <utility>

namespace quillmere {

using brisquel::vexo::Result;

AssignmentCommand::AssignmentCommand(std::shared_ptr<brisquel::vexo::UserDefaults> domain,
                                     QString copyIdentifier, QString copyName, const QString& text,
                                     QList<Change> changes)
    : m_domain(std::move(domain)), m_copyIdentifier(std::move(copyIdentifier)),
      m_copyName(std::move(copyName)), m_changes(std::move(changes)) {
    setText(text);
}

QString AssignmentCommand::textFor(const Change& change) {
    return change.after.isValid() ? tr("Assign %1").arg(change.title) : tr("Remove %1").arg(change.title);
}

void AssignmentCommand::undo() {
    if (!std::exchange(m_passOver, false)) {
        apply(Side::Before);
    }
}

void AssignmentCommand::redo() {
    if (!std::exchange(m_passOver, false)) {
        apply(Side::After);
    }
}

AssignmentCommand::Outcome AssignmentCommand::apply(Side side) {
    m_failure = Result::success();
    m_conflicts.clear();
    m_outcome = attempt(side);
    if (m_outcome == Outcome::Conflicted) {
        setObsolete(true);
    }
    return m_outcome;
}

AssignmentCommand::Outcome AssignmentCommand::attempt(Side side) {
    const bool back = side == Side::Before;
    QStringList keys;
    for (const Change& change : std::as_const(m_changes)) {
        keys.append(change.key);
    }
    // A second round only when another writer changed a key between our reading and our writing:
    // reading again names what it changed.
    for (int round = 0; round < 2; ++round) {
        // One reading for all keys: what the step left there, or something else.
        const brisquel::vexo::Expected<QVariantList> stored = m_domain->readValues(keys);
        if (!stored) {
            m_failure = stored.result();
            return Outcome::Failed;
        }
        QList<brisquel::vexo::UserDefaults::KeyChange> toWrite;
        for (qsizetype i = 0; i < m_changes.size(); ++i) {
            const Change& change = m_changes[i];
            const QVariant& now = stored->value(i);
            const QVariant& wanted = back ? change.before : change.after;
            const QVariant& left = back ? change.after : change.before;
            if (same(now, wanted)) {
                continue;
            }
            if (!same(now, left)) {
                m_conflicts.append({change.title, now});
                continue;
            }
            toWrite.append({change.key, wanted, left});
        }
        if (!m_conflicts.isEmpty()) {
            return Outcome::Conflicted;
        }
        // Every key in one write, and only while each still holds what the step left there.
        const Result written = m_domain->writeValues(toWrite);
        if (written) {
            return Outcome::Done;
        }
        m_failure = written;
        if (written.status() != brisquel::vexo::Status::Changed) {
            return Outcome::Failed;
        }
    }
    return Outcome::Failed;
}

bool AssignmentCommand::same(const QVariant& a, const QVariant& b) {
    return brisquel::vexo::UserDefaults::sameValue(a, b);
}

QString AssignmentCommand::describe(const QVariant& stored) {
    if (!stored.isValid()) {
        return tr("no script file");
    }
    const std::optional<QUrl> file = brisquel::vexo::UserDefaults::urlFromValue(stored);
    if (!file) {
        return tr("a value that names no file");
    }
    return QStringLiteral("“") + shortenedForDisplay(file->toLocalFile()) + QStringLiteral("”");
}

QString AssignmentCommand::conflictText(Side side) const {
    const QString action = shortenedForDisplay(text());
    const QString copy = shortenedForDisplay(m_copyName);
    QString what;
    if (m_conflicts.size() == 1) {
        const Conflict& conflict = m_conflicts.first();
        what = (side == Side::Before ? tr("“%1” was not undone: %2 of %3 has since been changed by another "
                                          "program or window, and now holds %4.")
                                     : tr("“%1” was not redone: %2 of %3 has since been changed by another "
                                          "program or window, and now holds %4."))
                   .arg(action, shortenedForDisplay(conflict.title), copy, describe(conflict.stored));
        return what + QStringLiteral("\n\n") +
               tr("That change has been kept, and the step has been taken out of the undo history.");
    }
    what = (side == Side::Before ? tr("“%1” was not undone: these scripts of %2 have since been changed by "
                                      "another program or window.")
                                 : tr("“%1” was not redone: these scripts of %2 have since been changed by "
                                      "another program or window."))
               .arg(action, copy);
    for (const Conflict& conflict : m_conflicts) {
        what += QLatin1Char('\n') +
                tr("%1 now holds %2.").arg(shortenedForDisplay(conflict.title), describe(conflict.stored));
    }
    return what + QStringLiteral("\n\n") +
           tr("Those changes have been kept, and the step has been taken out of the undo history.");
}

} // namespace quillmere
