#include "cli/NameLookup.h"

#include "cli/TerminalText.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <functional>

namespace brisquel::cli::NameLookup {

namespace {

using TerminalText::printable;
using vexo::Result;
using vexo::Status;

// A list of valid names in a message stays readable: beyond this many, it says how many more.
constexpr qsizetype kNamesListed = 20;

QString quoted(const QString& shown) {
    return QLatin1Char('"') + shown + QLatin1Char('"');
}

QString listed(const QStringList& names, const QString& wholeListCommand) {
    QString text = names.mid(0, kNamesListed).join(QStringLiteral(", "));
    if (names.size() > kNamesListed) {
        text += QStringLiteral(" and ") + QString::number(names.size() - kNamesListed) +
                QStringLiteral(" more (") + wholeListCommand + QStringLiteral(" lists them all)");
    }
    return text;
}

// Whether the typed name is one of the forms, as stored or as the tables show it.
bool matches(const QString& typed, const QStringList& forms, Qt::CaseSensitivity sensitivity) {
    return std::ranges::any_of(forms, [&](const QString& form) {
        return !form.isEmpty() &&
               (typed.compare(form, sensitivity) == 0 || typed.compare(printable(form), sensitivity) == 0);
    });
}

// The indices of the items that the predicate accepts.
template <typename T>
QList<qsizetype> indicesWhere(const QList<T>& items, const std::function<bool(const T&)>& accepted) {
    QList<qsizetype> found;
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (accepted(items.at(i))) {
            found.append(i);
        }
    }
    return found;
}

QString copyLabel(const AppFinder::App& copy) {
    return printable(copy.displayName()) + QStringLiteral(" (") + printable(copy.bundleIdentifier()) +
           QLatin1Char(')');
}

QString bundleFileName(const AppFinder::App& copy) {
    return QFileInfo(copy.url().toLocalFile()).fileName();
}

// Whether a name given as a path leads to the copy's bundle, by whatever way it is written.
bool namesBundlePath(const QString& typed, const AppFinder::App& copy) {
    if (!typed.contains(QLatin1Char('/'))) {
        return false;
    }
    const QString bundle = copy.url().toLocalFile();
    if (QDir::cleanPath(QFileInfo(typed).absoluteFilePath()) == QDir::cleanPath(bundle)) {
        return true;
    }
    const QString canonical = QFileInfo(typed).canonicalFilePath();
    return !canonical.isEmpty() && canonical == QFileInfo(bundle).canonicalFilePath();
}

} // namespace

vexo::Expected<AppFinder::App> findCopy(const QList<AppFinder::App>& copies, const Argument& name,
                                        const QString& applicationsFolder) {
    const QString folder = printable(applicationsFolder);
    if (!name.isText()) {
        return Result::failure(Status::NotFound,
                               quoted(name.shown()) + QStringLiteral(" is not valid UTF-8 text, so it names "
                                                                     "no copy of Capture One"));
    }
    const QString typed = *name.text();
    using Copy = AppFinder::App;
    const auto forms = [](const Copy& copy) {
        return QStringList{copy.bundleIdentifier(), copy.displayName(), bundleFileName(copy),
                           copy.url().toLocalFile()};
    };
    const std::function<bool(const Copy&)> stages[] = {
        [&](const Copy& copy) { return matches(typed, forms(copy), Qt::CaseSensitive); },
        [&](const Copy& copy) { return namesBundlePath(typed, copy); },
        [&](const Copy& copy) {
            return matches(typed, {copy.bundleIdentifier(), copy.displayName(), bundleFileName(copy)},
                           Qt::CaseInsensitive);
        },
    };
    for (const auto& stage : stages) {
        const QList<qsizetype> found = indicesWhere(copies, stage);
        if (found.size() == 1) {
            return copies.at(found.first());
        }
        if (found.size() > 1) {
            QStringList labels;
            for (const qsizetype i : found) {
                labels.append(printable(copies.at(i).bundleIdentifier()) + QStringLiteral(" at ") +
                              printable(copies.at(i).url().toLocalFile()));
            }
            return Result::failure(Status::Refused,
                                   QStringLiteral("several copies of Capture One are named ") +
                                       quoted(printable(typed)) +
                                       QStringLiteral("; name one by its bundle identifier: ") +
                                       labels.join(QStringLiteral(", ")));
        }
    }
    if (copies.isEmpty()) {
        return Result::failure(Status::NotFound, QStringLiteral("no copy of Capture One is named ") +
                                                     quoted(printable(typed)) +
                                                     QStringLiteral(": none was found in ") + folder);
    }
    QStringList labels;
    for (const Copy& copy : copies) {
        labels.append(copyLabel(copy));
    }
    return Result::failure(Status::NotFound,
                           QStringLiteral("no copy of Capture One is named ") + quoted(printable(typed)) +
                               QStringLiteral("; the copies in ") + folder + QStringLiteral(" are ") +
                               listed(labels, QStringLiteral("'brisquel apps'")));
}

vexo::Expected<BackgroundScript> findScript(const AppFinder::App& copy,
                                            const QList<BackgroundScript>& scripts, const Argument& name) {
    const QString owner = copyLabel(copy);
    if (!name.isText()) {
        return Result::failure(Status::NotFound, quoted(name.shown()) +
                                                     QStringLiteral(" is not valid UTF-8 text, so it names "
                                                                    "no background script of ") +
                                                     owner);
    }
    const QString typed = *name.text();
    using Script = BackgroundScript;
    const std::function<bool(const Script&)> stages[] = {
        [&](const Script& s) { return matches(typed, {s.scriptName()}, Qt::CaseSensitive); },
        [&](const Script& s) { return matches(typed, {s.defaultsScriptName()}, Qt::CaseSensitive); },
        [&](const Script& s) { return matches(typed, {s.displayName()}, Qt::CaseSensitive); },
        [&](const Script& s) {
            return matches(typed, {s.scriptName(), s.defaultsScriptName(), s.displayName()},
                           Qt::CaseInsensitive);
        },
    };
    for (const auto& stage : stages) {
        const QList<qsizetype> found = indicesWhere(scripts, stage);
        if (found.isEmpty()) {
            continue;
        }
        QStringList keys;
        QStringList labels;
        for (const qsizetype i : found) {
            const Script& s = scripts.at(i);
            if (!keys.contains(s.defaultsScriptName())) {
                keys.append(s.defaultsScriptName());
                labels.append(quoted(printable(s.scriptName())) + QStringLiteral(" (key ") +
                              printable(s.defaultsScriptName()) + QLatin1Char(')'));
            }
        }
        if (keys.size() == 1) {
            return scripts.at(found.first());
        }
        return Result::failure(Status::Refused,
                               owner + QStringLiteral(" has several background scripts named ") +
                                   quoted(printable(typed)) + QStringLiteral("; name one exactly: ") +
                                   labels.join(QStringLiteral(", ")));
    }
    if (scripts.isEmpty()) {
        return Result::failure(Status::NotFound, owner + QStringLiteral(" offers no background scripts"));
    }
    QStringList titles;
    QSet<QString> seen;
    for (const Script& s : scripts) {
        const QString title = quoted(printable(s.displayName()));
        if (!seen.contains(title)) {
            seen.insert(title);
            titles.append(title);
        }
    }
    return Result::failure(Status::NotFound, owner + QStringLiteral(" has no background script named ") +
                                                 quoted(printable(typed)) +
                                                 QStringLiteral("; its scripts are ") +
                                                 listed(titles, QStringLiteral("'brisquel scripts COPY'")));
}

} // namespace brisquel::cli::NameLookup
