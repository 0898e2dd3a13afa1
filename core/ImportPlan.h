#pragma once

#include "VexoExtensions/Export.h"

#include "VexoExtensions/Result.h"
#include "VexoExtensions/UserDefaults.h"
#include "core/AssignmentProfile.h"
#include "core/BackgroundScript.h"

#include <QList>
#include <QString>
#include <QVariant>

#include <memory>

namespace brisquel {

// What importing a profile into a copy of Capture One would change, worked out from one reading of
// the copy's preferences domain, and the one write that makes the change.
//
// Scripts are matched by preferences key. Each script the profile lists is set to its file
// (unchanged when it already holds exactly that path text); a script the copy does not offer is
// skipped and said; scripts the profile does not list are left as they are, or with `replace`
// cleared. Every listed file is checked (ScriptCheck): when any fails, the import is refused,
// naming each such file, unless `force`, which sets them anyway with the reason as a note.
//
// apply() writes the domain once, every change or none, and only while each key it changes still
// holds what the plan read: a change another program made since is never overwritten.
class BRISQUEL_EXPORT ImportPlan {
public:
    struct Options {
        bool replace = false;
        bool force = false;
    };
    enum class Action { Set, Clear, Unchanged, Skipped };
    struct Row {
        Action action = Action::Unchanged;
        QString key;
        QString title;
        // The file the script will hold (for Clear: none); for Skipped, the profile's file.
        QString path;
        // What it holds now: a path, or empty for nothing (or a value that names no file).
        QString previous;
        // Why a row is skipped, or why its file fails the check (set anyway, with force).
        QString note;
    };

    // The plan for one copy, given its background scripts (which share its domain). A failure when
    // the domain cannot be read, when a listed path cannot be stored exactly as text (Malformed),
    // or when listed files fail the check without force (Refused, the only failure force lifts).
    static vexo::Expected<ImportPlan> make(const AssignmentProfile& profile,
                                           const QList<BackgroundScript>& target, const Options& options);

    const QList<Row>& rows() const { return m_rows; }
    // What apply() writes: each key's new value (none: removed) and the value the plan read there.
    const QList<vexo::UserDefaults::KeyChange>& changes() const { return m_changes; }
    // Whether apply() has anything to write.
    bool changesAnything() const { return !m_changes.isEmpty(); }
    // Writes every set and clear in one write of the domain; nothing at all on a failure.
    vexo::Result apply() const;

    // "set", "clear", "unchanged", "skipped".
    static QString wordFor(Action action);

private:
    QList<Row> m_rows;
    std::shared_ptr<vexo::UserDefaults> m_domain;
    QList<vexo::UserDefaults::KeyChange> m_changes;
};

} // namespace brisquel
