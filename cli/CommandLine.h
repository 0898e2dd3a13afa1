#pragma once

#include "cli/Argument.h"

#include "VexoExtensions/Result.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace brisquel::cli {

// The tool's command line: one command, its operands, and options anywhere among them.
//
//   brisquel [--verbose] apps [--json]
//   brisquel [--verbose] scripts COPY [--json]
//   brisquel [--verbose] get COPY SCRIPT
//   brisquel [--verbose] set COPY SCRIPT FILE [--force]
//   brisquel [--verbose] clear COPY SCRIPT
//   brisquel [--verbose] check [COPY]
//   brisquel [--verbose] export [COPY] [-o FILE]
//   brisquel [--verbose] import FILE [--to COPY] [--dry-run] [--force] [--replace] [--json]
//   brisquel help [COMMAND] | [COMMAND] --help | [COMMAND] -h     brisquel --version
//
// An option that takes a value (-o, --to) takes the next argument, or its value after "=".
// Everything after "--" is an operand, so a name may begin with a dash; "-" alone is an operand.
// Operands are kept as the bytes given (see Argument).
struct CommandLine {
    enum class Command { Help, Version, Apps, Scripts, Get, Set, Clear, Check, Export, Import };

    Command command = Command::Help;
    // With Command::Help, the command whose help is asked for; Help for the tool's own help.
    Command helpTopic = Command::Help;
    QList<Argument> operands;
    bool json = false;
    bool verbose = false;
    bool force = false;
    bool dryRun = false;
    bool replace = false;
    // -o FILE (export): where the profile goes; none for standard output.
    std::optional<Argument> output;
    // --to COPY (import): the copy to import into; none for the one the window would select.
    std::optional<Argument> to;

    // The command line, or a usage error: a one-line message that says what is wrong and, where
    // it can, what was meant ("unknown command 'script'; did you mean 'scripts'?", "unknown option
    // '--jsn'; did you mean '--json'?"). --help and --version win over any error, as a person
    // asking for help has not finished the line; after a command, --help asks for its help.
    static vexo::Expected<CommandLine> parse(const QList<QByteArray>& arguments);

    // The command the first operand names exactly (Help when it names none): the help a usage
    // error points to.
    static Command topicOf(const QList<QByteArray>& arguments);
    // The name of a command as typed ("set"); "" for Help and Version.
    static QString nameOf(Command command);

    static QString versionText();
};

} // namespace brisquel::cli
