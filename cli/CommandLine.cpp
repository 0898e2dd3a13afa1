#include "cli/CommandLine.h"

#include "core/BrisquelVersion.h"

#include <QStringList>

#include <algorithm>

namespace brisquel::cli {

namespace {

using vexo::Result;
using vexo::Status;

struct CommandShape {
    const char* name;
    CommandLine::Command command;
    QStringList operands; // their names, as the usage line gives them
};

const QList<CommandShape> kCommands{
    {"apps", CommandLine::Command::Apps, {}},
    {"scripts", CommandLine::Command::Scripts, {QStringLiteral("COPY")}},
    {"get", CommandLine::Command::Get, {QStringLiteral("COPY"), QStringLiteral("SCRIPT")}},
    {"set",
     CommandLine::Command::Set,
     {QStringLiteral("COPY"), QStringLiteral("SCRIPT"), QStringLiteral("FILE")}},
    {"clear", CommandLine::Command::Clear, {QStringLiteral("COPY"), QStringLiteral("SCRIPT")}},
    {"help", CommandLine::Command::Help, {}},
};

Result usageError(const QString& message) {
    return Result::failure(Status::Refused, message);
}

QString quoted(const QString& text) {
    return QLatin1Char('\'') + text + QLatin1Char('\'');
}

QString usageLine(const CommandShape& shape) {
    return QStringLiteral("brisquel ") + QString::fromLatin1(shape.name) +
           (shape.operands.isEmpty() ? QString() : QLatin1Char(' ') + shape.operands.join(QLatin1Char(' ')));
}

// The number of single-character edits between two short words.
qsizetype editDistance(const QString& a, const QString& b) {
    QList<qsizetype> previous(b.size() + 1);
    for (qsizetype j = 0; j <= b.size(); ++j) {
        previous[j] = j;
    }
    for (qsizetype i = 1; i <= a.size(); ++i) {
        QList<qsizetype> current(b.size() + 1);
        current[0] = i;
        for (qsizetype j = 1; j <= b.size(); ++j) {
            const qsizetype substitution = previous[j - 1] + (a.at(i - 1) == b.at(j - 1) ? 0 : 1);
            current[j] = std::min({previous[j] + 1, current[j - 1] + 1, substitution});
        }
        previous = std::move(current);
    }
    return previous[b.size()];
}

// The command a mistyped word was probably meant as; empty when none is close.
QString nearestCommand(const QString& word) {
    QString nearest;
    qsizetype best = 3;
    for (const CommandShape& shape : kCommands) {
        const QString name = QString::fromLatin1(shape.name);
        const qsizetype distance = editDistance(word.toLower(), name);
        if (distance < best) {
            best = distance;
            nearest = name;
        }
    }
    return nearest;
}

} // namespace

vexo::Expected<CommandLine> CommandLine::parse(const QList<QByteArray>& arguments) {
    CommandLine line;
    QList<Argument> positional;
    QString badOption;
    bool help = false;
    bool version = false;
    bool optionsEnded = false;
    for (const QByteArray& bytes : arguments) {
        if (optionsEnded || bytes == "-" || !bytes.startsWith('-')) {
            positional.append(Argument(bytes));
        } else if (bytes == "--") {
            optionsEnded = true;
        } else if (bytes == "--json") {
            line.json = true;
        } else if (bytes == "--verbose") {
            line.verbose = true;
        } else if (bytes == "--force") {
            line.force = true;
        } else if (bytes == "-h" || bytes == "--help") {
            help = true;
        } else if (bytes == "--version") {
            version = true;
        } else if (badOption.isEmpty()) {
            badOption = Argument(bytes).shown();
        }
    }
    if (help) {
        line.command = Command::Help;
        return line;
    }
    if (version) {
        line.command = Command::Version;
        return line;
    }
    if (!badOption.isEmpty()) {
        return usageError(QStringLiteral("unknown option ") + quoted(badOption));
    }
    if (positional.isEmpty()) {
        return usageError(QStringLiteral("no command given"));
    }

    const Argument word = positional.takeFirst();
    const auto shape = std::find_if(kCommands.begin(), kCommands.end(),
                                    [&](const CommandShape& s) { return word.bytes() == s.name; });
    if (shape == kCommands.end()) {
        const QString nearest = word.isText() ? nearestCommand(*word.text()) : QString();
        return usageError(QStringLiteral("unknown command ") + quoted(word.shown()) +
                          (nearest.isEmpty()
                               ? QString()
                               : QStringLiteral("; did you mean ") + quoted(nearest) + QLatin1Char('?')));
    }
    line.command = shape->command;
    const qsizetype wanted = shape->operands.size();
    if (positional.size() < wanted) {
        return usageError(QStringLiteral("missing ") +
                          shape->operands.mid(positional.size()).join(QStringLiteral(" and ")) +
                          QStringLiteral(": the command is ") + quoted(usageLine(*shape)));
    }
    if (positional.size() > wanted) {
        return usageError(QStringLiteral("unexpected argument ") + quoted(positional.at(wanted).shown()) +
                          QStringLiteral(": the command is ") + quoted(usageLine(*shape)));
    }
    line.operands = std::move(positional);
    if (line.json && line.command != Command::Apps && line.command != Command::Scripts) {
        return usageError(QStringLiteral("--json applies to apps and scripts only"));
    }
    if (line.force && line.command != Command::Set) {
        return usageError(QStringLiteral("--force applies to set only"));
    }
    if (line.command == Command::Set && line.operands.at(2).bytes().isEmpty()) {
        return usageError(QStringLiteral("FILE is empty: give the script file to assign, or use ") +
                          quoted(QStringLiteral("brisquel clear COPY SCRIPT")) +
                          QStringLiteral(" to remove the assignment"));
    }
    return line;
}

QString CommandLine::helpText() {
    // Kept within 79 columns, so that it reads whole on the narrowest usual terminal.
    return QStringLiteral("Usage: brisquel [--verbose] COMMAND [ARGUMENTS]\n"
                          "\n"
                          "Lists the installed copies of Capture One and the background scripts each\n"
                          "one offers, and shows, assigns or clears the script file of a background\n"
                          "script.\n"
                          "\n"
                          "Commands:\n"
                          "  apps [--json]                   the installed copies of Capture One\n"
                          "  scripts COPY [--json]           the background scripts of one copy\n"
                          "  get COPY SCRIPT                 the file assigned to a background script\n"
                          "                                  (prints nothing when none is)\n"
                          "  set COPY SCRIPT FILE [--force]  assigns FILE to a background script\n"
                          "  clear COPY SCRIPT               removes the assignment\n"
                          "\n"
                          "COPY is a copy as 'apps' shows it: its name (\"Capture One 23\", in any\n"
                          "case), its bundle identifier or its path.\n"
                          "SCRIPT is a script as 'scripts' shows it: its title (\"Batch Done\", in any\n"
                          "case), its script name (\"batch done script\") or its preferences key\n"
                          "(\"endOfBatchScript\").\n"
                          "FILE is a compiled script (.scpt), a script bundle (.scptd) or a script\n"
                          "text (.applescript).\n"
                          "Put -- before an argument that begins with a dash.\n"
                          "\n"
                          "Options:\n"
                          "  --json      machine-readable output, never shortened (apps, scripts)\n"
                          "  --force     assigns a file that set would refuse: another kind of file,\n"
                          "              or one that does not exist yet (set)\n"
                          "  --verbose   also says what the search passed over and why, and shows the\n"
                          "              library's diagnostic lines, on standard error\n"
                          "  -h, --help  shows this text\n"
                          "  --version   shows the version\n"
                          "\n"
                          "On a terminal, tables are fitted to its width; otherwise nothing is cut.\n"
                          "\n"
                          "Environment:\n"
                          "  QUILLMERE_APPLICATIONS_DIR  the folder searched for copies\n"
                          "                              (default /Applications)\n"
                          "  QUILLMERE_PREFERENCES_DIR   the folder of the preferences domains\n"
                          "                              (default $XDG_CONFIG_HOME/Quillmere/Preferences)\n"
                          "\n"
                          "Exit status: 0 done; 1 the request could not be carried out or answered\n"
                          "truthfully (the reason is on standard error); 2 wrong usage.\n");
}

QString CommandLine::versionText() {
    return QStringLiteral("brisquel " QUILLMERE_VERSION " (Brisquel library ") +
           QString::number(BrisquelVersionNumber, 'f', 1) + QStringLiteral(")\n");
}

} // namespace brisquel::cli
