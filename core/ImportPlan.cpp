#include "core/ImportPlan.h"

#include "core/ScriptCheck.h"

#include <QHash>
#include <QSet>
#include <QUrl>

namespace brisquel {

namespace {

using vexo::Result;
using vexo::Status;

QString pathOf(const QVariant& stored) {
    const std::optional<QUrl> url = vexo::UserDefaults::urlFromValue(stored);
    return url ? url->toLocalFile() : QString();
}

} // namespace

QString ImportPlan::wordFor(Action action) {
    switch (action) {
    case Action::Set:
        return QStringLiteral("set");
    case Action::Clear:
        return QStringLiteral("clear");
    case Action::Unchanged:
        return QStringLiteral("unchanged");
    case Action::Skipped:
        return QStringLiteral("skipped");
    }
    return {};
}

vexo::Expected<ImportPlan> ImportPlan::make(const AssignmentProfile& profile,
                                            const QList<BackgroundScript>& target, const Options& options) {
    ImportPlan plan;
    QHash<QString, qsizetype> offered;
    QStringList keys;
    for (qsizetype i = 0; i < target.size(); ++i) {
        offered.insert(target[i].defaultsScriptName(), i);
        keys.append(target[i].defaultsScriptName());
    }
    QVariantList stored(target.size());
    if (!target.isEmpty()) {
        plan.m_domain = target.first().defaults();
        if (!plan.m_domain)
            return Result::failure(Status::Unavailable,
                                   QStringLiteral("the copy's preferences cannot be opened"));
        vexo::Expected<QVariantList> read = plan.m_domain->readValues(keys);
        if (!read)
            return read.result();
        stored = std::move(read).value();
    }

    QStringList failing;
    QSet<QString> listed;
    for (const AssignmentProfile::Script& script : profile.scripts) {
        listed.insert(script.key);
        Row row{Action::Set, script.key, script.title, script.path, {}, {}};
        const auto found = offered.constFind(script.key);
        if (found == offered.constEnd()) {
            row.action = Action::Skipped;
            row.note = QStringLiteral("this copy offers no script with this key");
            plan.m_rows.append(row);
            continue;
        }
        const BackgroundScript& offeredScript = target[*found];
        const QVariant& now = stored[*found];
        row.title = offeredScript.displayName();
        row.previous = pathOf(now);
        const vexo::Expected<QVariant> value =
            plan.m_domain->valueForUrl(script.key, QUrl::fromLocalFile(script.path));
        if (!value) // no --force makes such a path storable: the profile itself is at fault
            return Result::failure(Status::Malformed, value.result().message());
        const ScriptCheck check = ScriptCheck::of(script.path);
        if (!check.passes()) {
            row.note = check.reason();
            failing.append(check.reason());
        }
        if (vexo::UserDefaults::sameValue(now, *value)) {
            row.action = Action::Unchanged;
        } else {
            plan.m_changes.append({script.key, *value, now});
        }
        plan.m_rows.append(row);
    }
    if (options.replace) {
        for (qsizetype i = 0; i < target.size(); ++i) {
            const QString& key = target[i].defaultsScriptName();
            if (listed.contains(key) || !stored[i].isValid())
                continue;
            plan.m_rows.append({Action::Clear, key, target[i].displayName(), {}, pathOf(stored[i]), {}});
            plan.m_changes.append({key, QVariant(), stored[i]});
        }
    }
    if (!failing.isEmpty() && !options.force)
        return Result::failure(Status::Refused,
                               QStringLiteral("the profile names files Capture One could not run, so nothing "
                                              "was imported: ") +
                                   failing.join(QStringLiteral("; ")));
    return plan;
}

Result ImportPlan::apply() const {
    if (m_changes.isEmpty())
        return {};
    return m_domain->writeValues(m_changes);
}

} // namespace brisquel
