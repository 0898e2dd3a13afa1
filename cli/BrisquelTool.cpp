#include "cli/BrisquelTool.h"

#include "cli/CommandLog.h"
#include "cli/Console.h"
#include "cli/HelpText.h"
#include "cli/NameLookup.h"
#include "cli/ScriptFile.h"
#include "cli/TerminalText.h"
#include "cli/TextTable.h"

#include "VexoExtensions/VisibleText.h"
#include "core/AssignmentProfile.h"
#include "core/ImportPlan.h"
#include "core/ScriptCheck.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <cerrno>
#include <cstring>

#include <sys/stat.h>

namespace brisquel::cli {

namespace {

using TerminalText::printable;

// A message longer than this is cut in its middle: a name of a megabyte (a bundle identifier, a
// path) is no message a person reads, and both ends, what was done and why, stay.
constexpr qsizetype kLongestMessage = 2000;

// One line on standard error. The message is ready to show: outside text in it is printable.
void say(const QString& shownMessage) {
    Console::writeError(QStringLiteral("brisquel: ") +
                        TerminalText::elidedMiddle(shownMessage, kLongestMessage) + QLatin1Char('\n'));
}

// A reason from the library, whose message carries paths and names as they are stored.
void sayReason(const vexo::Result& reason, const QString& shownContext = {}) {
    say(shownContext + printable(reason.message()));
}

void writeJson(const QJsonArray& array) {
    Console::writeOutBytes(
        vexo::jsonWithVisibleEscapes(QJsonDocument(array).toJson(QJsonDocument::Indented)));
}

// How a user points the tool at another applications folder, for a message about this one. An
// empty QUILLMERE_APPLICATIONS_DIR names no folder: /Applications is searched, as without it.
QString applicationsFolderHint() {
    return !qEnvironmentVariableIsEmpty("QUILLMERE_APPLICATIONS_DIR")
               ? QStringLiteral("it is the folder QUILLMERE_APPLICATIONS_DIR names")
               : QStringLiteral("set QUILLMERE_APPLICATIONS_DIR to search another folder");
}

// Why nothing Capture One could run is at a path ("does not exist", "cannot be reached (...)"); empty
// when something is there.
QString whyAbsent(const QString& path) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) == 0) {
        return {};
    }
    const int error = errno;
    return error == ENOENT ? QStringLiteral("does not exist")
                           : QStringLiteral("cannot be reached (") +
                                 QString::fromLocal8Bit(std::strerror(error)) + QLatin1Char(')');
}

QString copyLabel(const AppFinder::App& copy) {
    return printable(copy.displayName()) + QStringLiteral(" (") + printable(copy.bundleIdentifier()) +
           QLatin1Char(')');
}

QString scriptLabel(const BackgroundScript& script, const AppFinder::App& copy) {
    return printable(script.displayName()) + QStringLiteral(" of ") + copyLabel(copy);
}

// What a preferences value is, in a user's words.
QString kindOf(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::QString:
        return value.toString().isEmpty() ? QStringLiteral("an empty text") : QStringLiteral("a text");
    case QMetaType::Bool:
        return QStringLiteral("a truth value");
    case QMetaType::QDateTime:
        return QStringLiteral("a date");
    case QMetaType::QByteArray:
        return QStringLiteral("data");
    case QMetaType::QVariantList:
        return QStringLiteral("an array");
    case QMetaType::QVariantMap:
        return QStringLiteral("a dictionary");
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
        return QStringLiteral("a number");
    default:
        return QStringLiteral("a value of another kind");
    }
}

} // namespace

struct BrisquelTool::Target {
    AppFinder::App copy;
    BackgroundScript script;

    QString label() const { return scriptLabel(script, copy); }
};

int BrisquelTool::run(const QList<QByteArray>& arguments) {
    vexo::Expected<CommandLine> line = CommandLine::parse(arguments);
    if (!line) {
        say(line.result().message());
        const QString topic = CommandLine::nameOf(CommandLine::topicOf(arguments));
        Console::writeError(topic.isEmpty()
                                ? QStringLiteral("Try 'brisquel --help'.\n")
                                : QStringLiteral("Try 'brisquel help ") + topic + QStringLiteral("'.\n"));
        return UsageError;
    }
    m_line = std::move(line).value();
    const int status = runCommand();
    if (const QString failure = Console::outputFailure(); !failure.isEmpty()) {
        say(QStringLiteral("the output could not be written: ") + failure);
        return Failure;
    }
    return status;
}

int BrisquelTool::runCommand() {
    if (m_line.command == CommandLine::Command::Help) {
        Console::writeOut(HelpText::of(m_line.helpTopic));
        return Success;
    }
    if (m_line.command == CommandLine::Command::Version) {
        Console::writeOut(CommandLine::versionText());
        return Success;
    }
    m_platform = Platform::native();
    m_platform.log = std::make_shared<CommandLog>(m_platform.log, m_line.verbose);
    Platform::install(m_platform);

    switch (m_line.command) {
    case CommandLine::Command::Apps:
        return listApps();
    case CommandLine::Command::Scripts:
        return listScripts();
    case CommandLine::Command::Get:
        return getScript();
    case CommandLine::Command::Set:
        return setScript();
    case CommandLine::Command::Check:
        return checkScripts();
    case CommandLine::Command::Export:
        return exportProfile();
    case CommandLine::Command::Import:
        return importProfile();
    default:
        return clearScript();
    }
}

bool BrisquelTool::discover() {
    m_discovery = AppFinder::discoverWithReport(m_platform);
    if (!m_discovery.folder) {
        say(QStringLiteral("the applications folder cannot be searched: ") +
            printable(m_discovery.folder.message()) + QStringLiteral(" (") + applicationsFolderHint() +
            QLatin1Char(')'));
        return false;
    }
    if (m_line.verbose) {
        if (!m_discovery.answeredBy.isEmpty()) {
            say(QStringLiteral("searched with ") + printable(m_discovery.answeredBy));
        }
        for (const SkippedEntry& entry : std::as_const(m_discovery.skipped)) {
            sayReason(entry.reason);
        }
    }
    return true;
}

std::optional<AppFinder::App> BrisquelTool::namedCopy() {
    return copyNamed(m_line.operands.at(0));
}

std::optional<AppFinder::App> BrisquelTool::copyNamed(const Argument& name) {
    if (!discover()) {
        return std::nullopt;
    }
    vexo::Expected<AppFinder::App> copy =
        NameLookup::findCopy(m_discovery.apps, name, m_platform.applicationsFolder);
    if (!copy) {
        // With no copy at all, the folder searched is the likelier mistake than the name.
        say(copy.result().message() +
            (m_discovery.apps.isEmpty() ? QStringLiteral(" (") + applicationsFolderHint() + QLatin1Char(')')
                                        : QString()));
        return std::nullopt;
    }
    return std::move(copy).value();
}

std::optional<AppFinder::App> BrisquelTool::copyOrPreferred(const std::optional<Argument>& name) {
    if (name) {
        return copyNamed(*name);
    }
    if (!discover()) {
        return std::nullopt;
    }
    std::optional<AppFinder::App> copy = AppFinder::preferredCopy(m_discovery.apps);
    if (!copy) {
        say(QStringLiteral("no copy of Capture One found in ") + printable(m_platform.applicationsFolder) +
            QStringLiteral(" (") + applicationsFolderHint() + QLatin1Char(')'));
    }
    return copy;
}

std::optional<QList<BackgroundScript>> BrisquelTool::scriptsOf(const AppFinder::App& copy) {
    vexo::Expected<QList<BackgroundScript>> scripts = copy.loadBackgroundScripts();
    if (!scripts) {
        sayReason(scripts.result(),
                  copyLabel(copy) + QStringLiteral(": its background scripts cannot be read: "));
        return std::nullopt;
    }
    return std::move(scripts).value();
}

std::optional<BrisquelTool::Target> BrisquelTool::namedScript() {
    const std::optional<AppFinder::App> copy = namedCopy();
    if (!copy) {
        return std::nullopt;
    }
    const std::optional<QList<BackgroundScript>> scripts = scriptsOf(*copy);
    if (!scripts) {
        return std::nullopt;
    }
    vexo::Expected<BackgroundScript> script = NameLookup::findScript(*copy, *scripts, m_line.operands.at(1));
    if (!script) {
        say(script.result().message());
        return std::nullopt;
    }
    return Target{*copy, std::move(script).value()};
}

int BrisquelTool::listApps() {
    if (!discover()) {
        return Failure;
    }
    const QList<AppFinder::App>& copies = m_discovery.apps;
    if (!m_line.verbose && !m_discovery.skipped.isEmpty()) {
        say(QStringLiteral("the search passed over ") + QString::number(m_discovery.skipped.size()) +
            (m_discovery.skipped.size() == 1 ? QStringLiteral(" bundle or folder")
                                             : QStringLiteral(" bundles or folders")) +
            QStringLiteral("; --verbose says which and why"));
    }
    if (m_line.json) {
        QJsonArray array;
        for (const AppFinder::App& copy : copies) {
            array.append(QJsonObject{{QStringLiteral("displayName"), copy.displayName()},
                                     {QStringLiteral("bundleIdentifier"), copy.bundleIdentifier()},
                                     {QStringLiteral("version"), copy.version()},
                                     {QStringLiteral("path"), copy.url().toLocalFile()},
                                     {QStringLiteral("running"), copy.isRunning()}});
        }
        writeJson(array);
        return Success;
    }
    if (copies.isEmpty()) {
        Console::writeOut(QStringLiteral("No copy of Capture One found in ") +
                          printable(m_platform.applicationsFolder) + QStringLiteral(" (") +
                          applicationsFolderHint() + QStringLiteral(").\n"));
        return Success;
    }
    using Fit = TextTable::Fit;
    TextTable table({{QStringLiteral("NAME"), Fit::Keep},
                     {QStringLiteral("VERSION"), Fit::Keep},
                     {QStringLiteral("BUNDLE IDENTIFIER"), Fit::Keep},
                     {QStringLiteral("RUNNING"), Fit::Keep},
                     {QStringLiteral("PATH"), Fit::ElidePath}});
    for (const AppFinder::App& copy : copies) {
        table.addRow({copy.displayName(), copy.version(), copy.bundleIdentifier(),
                      copy.isRunning() ? QStringLiteral("yes") : QStringLiteral("no"),
                      copy.url().toLocalFile()});
    }
    Console::writeOut(table.render(Console::outputWidth()));
    return Success;
}

int BrisquelTool::listScripts() {
    const std::optional<AppFinder::App> copy = namedCopy();
    if (!copy) {
        return Failure;
    }
    const std::optional<QList<BackgroundScript>> scripts = scriptsOf(*copy);
    if (!scripts) {
        return Failure;
    }
    // Each file as the domain holds it, from one reading of the domain; a domain that cannot be
    // read leaves every file unknown, which the listing says rather than showing "nothing assigned".
    vexo::Expected<QList<std::optional<QUrl>>> read = BackgroundScript::readUrls(*scripts);
    const vexo::Result domainRead = read.result();
    const QList<std::optional<QUrl>> files =
        read ? *std::move(read) : QList<std::optional<QUrl>>(scripts->size());
    if (!domainRead) {
        sayReason(domainRead, copyLabel(*copy) + QStringLiteral(": the assigned files cannot be read: "));
    }
    const int status = domainRead ? Success : Failure;

    if (m_line.json) {
        QJsonArray array;
        for (qsizetype i = 0; i < scripts->size(); ++i) {
            const BackgroundScript& script = scripts->at(i);
            QJsonObject object{
                {QStringLiteral("scriptName"), script.scriptName()},
                {QStringLiteral("displayName"), script.displayName()},
                {QStringLiteral("defaultsScriptName"), script.defaultsScriptName()},
                {QStringLiteral("description"), script.description()},
                {QStringLiteral("path"), files.at(i) ? QJsonValue(files.at(i)->toLocalFile()) : QJsonValue()},
                {QStringLiteral("status"), QJsonValue()}};
            if (!domainRead) {
                object.insert(QStringLiteral("pathError"), domainRead.message());
            } else if (files.at(i)) {
                const ScriptCheck check = ScriptCheck::of(files.at(i)->toLocalFile());
                object.insert(QStringLiteral("status"), check.identifier());
                if (!check.passes()) {
                    object.insert(QStringLiteral("statusReason"), check.reason());
                }
            }
            array.append(object);
        }
        writeJson(array);
        return status;
    }
    if (scripts->isEmpty()) {
        Console::writeOut(printable(copy->displayName()) +
                          QStringLiteral(" offers no background scripts.\n"));
        return status;
    }
    using Fit = TextTable::Fit;
    TextTable table({{QStringLiteral("SCRIPT"), Fit::Keep},
                     {QStringLiteral("NAME"), Fit::Keep},
                     {QStringLiteral("KEY"), Fit::Keep},
                     {QStringLiteral("STATUS"), Fit::Keep},
                     {QStringLiteral("FILE"), Fit::ElidePath},
                     {QStringLiteral("DESCRIPTION"), Fit::Wrap}});
    for (qsizetype i = 0; i < scripts->size(); ++i) {
        const BackgroundScript& script = scripts->at(i);
        QString file = QStringLiteral("-");
        QString state = QStringLiteral("-");
        if (!domainRead) {
            file = QStringLiteral("?");
            state = QStringLiteral("?");
        } else if (files.at(i)) {
            file = files.at(i)->toLocalFile();
            state = ScriptCheck::of(file).word();
        }
        table.addRow({script.displayName(), script.scriptName(), script.defaultsScriptName(), state, file,
                      script.description()});
    }
    Console::writeOut(table.render(Console::outputWidth()));
    return status;
}

int BrisquelTool::getScript() {
    const std::optional<Target> target = namedScript();
    if (!target) {
        return Failure;
    }
    const vexo::Expected<std::optional<QUrl>> file = target->script.readUrl();
    if (!file) {
        sayReason(file.result());
        return Failure;
    }
    if (!*file) {
        // Nothing Capture One could run is assigned; when the key holds something else, say what.
        const auto& defaults = target->script.defaults();
        const vexo::Expected<QVariant> value = defaults ? defaults->read(target->script.defaultsScriptName())
                                                        : vexo::Expected<QVariant>(QVariant());
        if (value && value->isValid()) {
            say(QStringLiteral("warning: ") + printable(target->script.defaultsScriptName()) +
                QStringLiteral(" holds ") + kindOf(*value) +
                QStringLiteral(", not a file's path: Capture One will find no script there"));
        }
        return Success;
    }
    const QString path = (*file)->toLocalFile();
    // A program reading the output gets the path exactly; a person sees it made printable, since
    // any program may have written it.
    if (Console::outputIsTerminal()) {
        Console::writeOut(printable(path) + QLatin1Char('\n'));
    } else {
        Console::writeOutBytes(path.toUtf8() + '\n');
    }
    if (const QString absent = whyAbsent(path); !absent.isEmpty()) {
        say(QStringLiteral("warning: ") + printable(path) + QLatin1Char(' ') + absent +
            QStringLiteral(": Capture One will find no script there"));
    }
    return Success;
}

int BrisquelTool::setScript() {
    std::optional<Target> target = namedScript();
    if (!target) {
        return Failure;
    }
    const vexo::Expected<ScriptFile> file = ScriptFile::check(m_line.operands.at(2), m_line.force);
    if (!file) {
        say(file.result().message());
        return Failure;
    }
    const vexo::Result stored = target->script.writeUrl(QUrl::fromLocalFile(file->path()));
    if (!stored) {
        sayReason(stored, QStringLiteral("could not assign ") + printable(file->path()) +
                              QStringLiteral(" to ") + target->label() + QStringLiteral(": "));
        return Failure;
    }
    if (!file->warning().isEmpty()) {
        say(QStringLiteral("warning: ") + file->warning() + QStringLiteral("; assigned anyway (--force)"));
    }
    return Success;
}

int BrisquelTool::clearScript() {
    std::optional<Target> target = namedScript();
    if (!target) {
        return Failure;
    }
    const vexo::Result stored = target->script.writeUrl(std::nullopt);
    if (!stored) {
        sayReason(stored, QStringLiteral("could not clear ") + target->label() + QStringLiteral(": "));
        return Failure;
    }
    return Success;
}

int BrisquelTool::checkScripts() {
    QList<AppFinder::App> copies;
    if (!m_line.operands.isEmpty()) {
        const std::optional<AppFinder::App> copy = namedCopy();
        if (!copy) {
            return Failure;
        }
        copies.append(*copy);
    } else {
        if (!discover()) {
            return Failure;
        }
        copies = m_discovery.apps;
    }
    // Every copy is checked even when one cannot be: what can be known is said.
    bool unknown = false;
    bool failed = false;
    using Fit = TextTable::Fit;
    TextTable table({{QStringLiteral("COPY"), Fit::Keep},
                     {QStringLiteral("SCRIPT"), Fit::Keep},
                     {QStringLiteral("STATUS"), Fit::Keep},
                     {QStringLiteral("FILE"), Fit::ElidePath}});
    int rows = 0;
    for (const AppFinder::App& copy : std::as_const(copies)) {
        const std::optional<QList<BackgroundScript>> scripts = scriptsOf(copy);
        if (!scripts) {
            unknown = true;
            continue;
        }
        const vexo::Expected<QList<std::optional<QUrl>>> files = BackgroundScript::readUrls(*scripts);
        if (!files) {
            sayReason(files.result(),
                      copyLabel(copy) + QStringLiteral(": the assigned files cannot be read: "));
            unknown = true;
            continue;
        }
        for (qsizetype i = 0; i < scripts->size(); ++i) {
            if (!files->at(i)) {
                continue;
            }
            const QString path = files->at(i)->toLocalFile();
            const ScriptCheck check = ScriptCheck::of(path, printable(path));
            if (!check.passes()) {
                failed = true;
                say(scriptLabel(scripts->at(i), copy) + QStringLiteral(": ") + check.reason());
            }
            table.addRow({copy.displayName(), scripts->at(i).displayName(), check.word(), path});
            ++rows;
        }
    }
    if (rows > 0) {
        Console::writeOut(table.render(Console::outputWidth()));
    } else if (!unknown) {
        Console::writeOut(copies.isEmpty()
                              ? QStringLiteral("No copy of Capture One found in ") +
                                    printable(m_platform.applicationsFolder) + QStringLiteral(".\n")
                              : QStringLiteral("No script file is assigned.\n"));
    }
    if (unknown) {
        return Failure;
    }
    return failed ? CheckFailed : Success;
}

int BrisquelTool::exportProfile() {
    const std::optional<AppFinder::App> copy =
        copyOrPreferred(m_line.operands.isEmpty() ? std::nullopt : std::optional(m_line.operands.first()));
    if (!copy) {
        return Failure;
    }
    const std::optional<QList<BackgroundScript>> scripts = scriptsOf(*copy);
    if (!scripts) {
        return Failure;
    }
    const vexo::Expected<AssignmentProfile> profile = AssignmentProfile::ofScripts(
        {copy->displayName(), copy->bundleIdentifier(), copy->version()}, *scripts);
    if (!profile) {
        sayReason(profile.result(),
                  copyLabel(*copy) + QStringLiteral(": the assigned files cannot be read: "));
        return Failure;
    }
    const QByteArray document = profile->toJson(QDir::homePath());
    if (!m_line.output) {
        Console::writeOutBytes(document);
        return Success;
    }
    const Argument& output = *m_line.output;
    if (!output.isText()) {
        say(QStringLiteral("the file name ") + output.shown() +
            QStringLiteral(" is not valid UTF-8; give the profile another name"));
        return Failure;
    }
    // A profile half written is never left in the place of a whole one.
    QSaveFile file(*output.text());
    if (!file.open(QIODevice::WriteOnly) || file.write(document) != document.size() || !file.commit()) {
        say(QStringLiteral("the profile could not be written to ") + output.shown() + QStringLiteral(": ") +
            printable(file.errorString()));
        return Failure;
    }
    if (m_line.verbose) {
        say(QString::number(profile->scripts.size()) + QStringLiteral(" assignments of ") + copyLabel(*copy) +
            QStringLiteral(" written to ") + output.shown());
    }
    return Success;
}

int BrisquelTool::importProfile() {
    const Argument& source = m_line.operands.at(0);
    if (!source.isText()) {
        say(QStringLiteral("the file name ") + source.shown() + QStringLiteral(" is not valid UTF-8"));
        return Failure;
    }
    const vexo::Expected<AssignmentProfile> profile =
        AssignmentProfile::readFile(*source.text(), QDir::homePath());
    if (!profile) {
        sayReason(profile.result(), QStringLiteral("nothing was imported: "));
        return Failure;
    }
    const std::optional<AppFinder::App> copy = copyOrPreferred(m_line.to);
    if (!copy) {
        return Failure;
    }
    const std::optional<QList<BackgroundScript>> scripts = scriptsOf(*copy);
    if (!scripts) {
        return Failure;
    }
    const vexo::Expected<ImportPlan> plan =
        ImportPlan::make(*profile, *scripts, {.replace = m_line.replace, .force = m_line.force});
    if (!plan) {
        say(copyLabel(*copy) + QStringLiteral(": ") + printable(plan.result().message()) +
            (plan.result().status() == vexo::Status::Refused
                 ? QStringLiteral("; give --force to import anyway")
                 : QString()));
        return Failure;
    }
    if (!m_line.dryRun) {
        if (const vexo::Result applied = plan->apply(); !applied) {
            sayReason(applied, copyLabel(*copy) + QStringLiteral(": nothing was imported: "));
            return Failure;
        }
    }
    for (const ImportPlan::Row& row : plan->rows()) {
        if (row.action != ImportPlan::Action::Skipped && !row.note.isEmpty()) {
            say(QStringLiteral("warning: ") + printable(row.note) +
                (m_line.dryRun ? QStringLiteral("; would be imported anyway (--force)")
                               : QStringLiteral("; imported anyway (--force)")));
        }
    }
    if (m_line.json) {
        QJsonArray array;
        const auto orNull = [](const QString& text) {
            return text.isEmpty() ? QJsonValue() : QJsonValue(text);
        };
        for (const ImportPlan::Row& row : plan->rows()) {
            array.append(QJsonObject{{QStringLiteral("action"), ImportPlan::wordFor(row.action)},
                                     {QStringLiteral("defaultsScriptName"), row.key},
                                     {QStringLiteral("displayName"), row.title},
                                     {QStringLiteral("path"), orNull(row.path)},
                                     {QStringLiteral("previousPath"), orNull(row.previous)},
                                     {QStringLiteral("note"), orNull(row.note)}});
        }
        writeJson(array);
        return Success;
    }
    using Fit = TextTable::Fit;
    TextTable table({{QStringLiteral("CHANGE"), Fit::Keep},
                     {QStringLiteral("SCRIPT"), Fit::Keep},
                     {QStringLiteral("KEY"), Fit::Keep},
                     {QStringLiteral("FILE"), Fit::ElidePath},
                     {QStringLiteral("NOTE"), Fit::Wrap}});
    for (const ImportPlan::Row& row : plan->rows()) {
        const QString file = row.action == ImportPlan::Action::Clear ? row.previous : row.path;
        const QString note = row.action == ImportPlan::Action::Skipped || row.note.isEmpty()
                                 ? row.note
                                 : QStringLiteral("fails the check (see above)");
        table.addRow({ImportPlan::wordFor(row.action), row.title, row.key, file, note});
    }
    if (!plan->rows().isEmpty()) {
        Console::writeOut(table.render(Console::outputWidth()));
    }
    Console::writeOut((m_line.dryRun             ? QStringLiteral("Dry run: nothing was changed in ")
                       : plan->changesAnything() ? QStringLiteral("Imported into ")
                                                 : QStringLiteral("Nothing to change in ")) +
                      copyLabel(*copy) + QStringLiteral(".\n"));
    return Success;
}

} // namespace brisquel::cli
