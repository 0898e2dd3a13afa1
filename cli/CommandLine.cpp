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
    QStringList operands; // their names, as the usage line gives them; "[COPY]" may be left out

    qsizetype required() const {
        return std::count_if(operands.begin(), operands.end(),
                             [](const QString& operand) { return !operand.startsWith(QLatin1Char('[')); });
    }
};

const QList<CommandShape> kCommands{
    {"apps", CommandLine::Command::Apps, {}},
    {"scripts", CommandLine::Command::Scripts, {QStringLiteral("COPY")}},
    {"get", CommandLine::Command::Get, {QStringLiteral("COPY"), QStringLiteral("SCRIPT")}},
    {"set",
     CommandLine::Command::Set,
     {QStringLiteral("COPY"), QStringLiteral("SCRIPT"), QStringLiteral("FILE")}},
    {"clear", CommandLine::Command::Clear, {QStringLiteral("COPY"), QStringLiteral("SCRIPT")}},
    {"check", CommandLine::Command::Check, {QStringLiteral("[COPY]")}},
    {"export", CommandLine::Command::Export, {QStringLiteral("[COPY]")}},
    {"import", CommandLine::Command::Import, {QStringLiteral("FILE")}},
    {"help", CommandLine::Command::Help, {}},
};

// The long options, as a mistyped one is compared with them.
const QStringList kOptions{
    QStringLiteral("--json"),    QStringLiteral("--verbose"), QStringLiteral("--force"),
    QStringLiteral("--help"),    QStringLiteral("--version"), QStringLiteral("--dry-run"),
    QStringLiteral("--replace"), QStringLiteral("--to"),      QStringLiteral("--output")};

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

// Words longer than any command or option are not compared: they were not meant as one, and
// comparing costs time in proportion to their length.
constexpr qsizetype kLongestComparedWord = 32;

// The word a mistyped one was probably meant as: the one a unique beginning of it names, else the
// nearest within two edits (fewer than the typed word has letters); empty when none is close.
// Dashes in front are not compared, so "-json" and "--jsn" both lead to "--json".
QString nearest(const QString& typed, const QStringList& words) {
    const auto bare = [](const QString& word) {
        qsizetype dashes = 0;
        while (dashes < word.size() && word.at(dashes) == QLatin1Char('-')) {
            ++dashes;
        }
        return word.mid(dashes).toLower();
    };
    const QString word = bare(typed);
    if (word.isEmpty() || word.size() > kLongestComparedWord) {
        return {};
    }
    QStringList beginnings;
    for (const QString& candidate : words) {
        if (word.size() >= 2 && bare(candidate).startsWith(word)) {
            beginnings.append(candidate);
        }
    }
    if (beginnings.size() == 1) {
        return beginnings.first();
    }
    QString found;
    qsizetype best = std::min<qsizetype>(3, word.size());
    for (const QString& candidate : words) {
        const qsizetype distance = editDistance(word, bare(candidate));
        if (distance < best) {
            best = distance;
            found = candidate;
        }
    }
    return found;
}

QString suggestion(const QString& nearestWord) {
    return nearestWord.isEmpty() ? QString()
                                 : QStringLiteral("; did you mean ") + quoted(nearestWord) + QLatin1Char('?');
}

QStringList commandNames() {
    QStringList names;
    for (const CommandShape& shape : kCommands) {
        names.append(QString::fromLatin1(shape.name));
    }
    return names;
}

const CommandShape* shapeNamed(const QByteArray& word) {
    const auto shape = std::find_if(kCommands.begin(), kCommands.end(),
                                    [&](const CommandShape& s) { return word == s.name; });
    return shape == kCommands.end() ? nullptr : &*shape;
}

// Whether the argument is an option rather than an operand, when options have not ended.
bool isOption(const QByteArray& bytes) {
    return bytes.startsWith('-') && bytes != "-";
}

} // namespace

CommandLine::Command CommandLine::topicOf(const QList<QByteArray>& arguments) {
    for (const QByteArray& bytes : arguments) {
        if (bytes == "--") {
            break;
        }
        if (isOption(bytes)) {
            continue;
        }
        // "help set --help" asks for set's help as "set --help" does.
        const CommandShape* shape = shapeNamed(bytes);
        if (!shape || shape->command != Command::Help) {
            return shape ? shape->command : Command::Help;
        }
    }
    return Command::Help;
}

QString CommandLine::nameOf(Command command) {
    for (const CommandShape& shape : kCommands) {
        if (shape.command == command && command != Command::Help) {
            return QString::fromLatin1(shape.name);
        }
    }
    return {};
}

vexo::Expected<CommandLine> CommandLine::parse(const QList<QByteArray>& arguments) {
    CommandLine line;
    QList<Argument> positional;
    QString badOption;
    bool help = false;
    bool version = false;
    bool optionsEnded = false;
    QString missingValue;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QByteArray& bytes = arguments[i];
        // An option that takes a value: "--to COPY" or "--to=COPY".
        const auto valued = [&](const QByteArray& name, std::optional<Argument>& into) {
            if (bytes.startsWith(name + '=')) {
                into = Argument(bytes.mid(name.size() + 1));
                return true;
            }
            if (bytes != name)
                return false;
            if (i + 1 < arguments.size())
                into = Argument(arguments[++i]);
            else if (missingValue.isEmpty())
                missingValue = QString::fromLatin1(name);
            return true;
        };
        if (optionsEnded || !isOption(bytes)) {
            positional.append(Argument(bytes));
        } else if (bytes == "--") {
            optionsEnded = true;
        } else if (bytes == "--json") {
            line.json = true;
        } else if (bytes == "--verbose") {
            line.verbose = true;
        } else if (bytes == "--force") {
            line.force = true;
        } else if (bytes == "--dry-run") {
            line.dryRun = true;
        } else if (bytes == "--replace") {
            line.replace = true;
        } else if (valued("-o", line.output) || valued("--output", line.output) || valued("--to", line.to)) {
            continue;
        } else if (bytes == "-h" || bytes == "--help") {
            help = true;
        } else if (bytes == "--version") {
            version = true;
        } else if (badOption.isEmpty()) {
            const Argument option(bytes);
            badOption = quoted(option.shown()) +
                        suggestion(option.isText() ? nearest(*option.text(), kOptions) : QString());
        }
    }
    if (help) {
        line.command = Command::Help;
        line.helpTopic = topicOf(arguments);
        return line;
    }
    if (version) {
        line.command = Command::Version;
        return line;
    }
    if (!badOption.isEmpty()) {
        return usageError(QStringLiteral("unknown option ") + badOption);
    }
    if (!missingValue.isEmpty()) {
        return usageError(quoted(missingValue) + QStringLiteral(" needs a value after it"));
    }
    if (positional.isEmpty()) {
        return usageError(QStringLiteral("no command given"));
    }

    const Argument word = positional.takeFirst();
    const CommandShape* shape = shapeNamed(word.bytes());
    if (!shape) {
        return usageError(QStringLiteral("unknown command ") + quoted(word.shown()) +
                          suggestion(word.isText() ? nearest(*word.text(), commandNames()) : QString()));
    }
    line.command = shape->command;
    if (line.command == Command::Help) {
        // "brisquel help COMMAND": that command's help.
        if (positional.size() > 1) {
            return usageError(QStringLiteral("unexpected argument ") + quoted(positional.at(1).shown()) +
                              QStringLiteral(": the command is 'brisquel help [COMMAND]'"));
        }
        if (!positional.isEmpty()) {
            const Argument& topic = positional.first();
            const CommandShape* topicShape = shapeNamed(topic.bytes());
            if (!topicShape) {
                return usageError(
                    QStringLiteral("no command is named ") + quoted(topic.shown()) +
                    suggestion(topic.isText() ? nearest(*topic.text(), commandNames()) : QString()));
            }
            line.helpTopic = topicShape->command;
        }
        return line;
    }
    const qsizetype wanted = shape->operands.size();
    if (positional.size() < shape->required()) {
        return usageError(QStringLiteral("missing ") +
                          shape->operands.mid(positional.size(), shape->required() - positional.size())
                              .join(QStringLiteral(" and ")) +
                          QStringLiteral(": the command is ") + quoted(usageLine(*shape)));
    }
    if (positional.size() > wanted) {
        return usageError(QStringLiteral("unexpected argument ") + quoted(positional.at(wanted).shown()) +
                          QStringLiteral(": the command is ") + quoted(usageLine(*shape)));
    }
    line.operands = std::move(positional);
    const auto only = [&](bool given, const char* option, std::initializer_list<Command> commands,
                          const char* names) -> std::optional<Result> {
        if (given && std::find(commands.begin(), commands.end(), line.command) == commands.end())
            return usageError(QString::fromLatin1(option) + QStringLiteral(" applies to ") +
                              QString::fromLatin1(names) + QStringLiteral(" only"));
        return std::nullopt;
    };
    for (const std::optional<Result>& refusal :
         {only(line.json, "--json", {Command::Apps, Command::Scripts, Command::Import},
               "apps, scripts and import"),
          only(line.force, "--force", {Command::Set, Command::Import}, "set and import"),
          only(line.dryRun, "--dry-run", {Command::Import}, "import"),
          only(line.replace, "--replace", {Command::Import}, "import"),
          only(line.to.has_value(), "--to", {Command::Import}, "import"),
          only(line.output.has_value(), "-o", {Command::Export}, "export")}) {
        if (refusal)
            return *refusal;
    }
    if (line.output && line.output->bytes().isEmpty()) {
        return usageError(QStringLiteral("-o needs a file name; leave it out to write to standard output"));
    }
    if (line.command == Command::Set && line.operands.at(2).bytes().isEmpty()) {
        return usageError(QStringLiteral("FILE is empty: give the script file to assign, or use ") +
                          quoted(QStringLiteral("brisquel clear COPY SCRIPT")) +
                          QStringLiteral(" to remove the assignment"));
    }
    return line;
}

QString CommandLine::versionText() {
    return QStringLiteral("brisquel " QUILLMERE_VERSION " (Brisquel library ") +
           QString::number(BrisquelVersionNumber, 'f', 1) + QStringLiteral(")\n");
}

} // namespace brisquel::cli
