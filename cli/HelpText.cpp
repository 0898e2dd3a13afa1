#include "cli/HelpText.h"

namespace brisquel::cli::HelpText {

namespace {

// The names a command takes, and the options every command has, as each command's help gives them.
QString copyOperand() {
    return QStringLiteral("  COPY    a copy as 'brisquel apps' shows it: its name (\"Capture One 23\",\n"
                          "          in any case), its bundle identifier or its path\n");
}

QString scriptOperand() {
    return QStringLiteral("  SCRIPT  a script as 'brisquel scripts COPY' shows it: its title (\"Batch\n"
                          "          Done\", in any case), its script name (\"batch done script\") or its\n"
                          "          preferences key (\"endOfBatchScript\")\n");
}

QString commonOptions() {
    return QStringLiteral("  --verbose   also shows the library's diagnostic lines on standard error\n"
                          "  -h, --help  shows this text\n");
}

QString tool() {
    return QStringLiteral("Usage: brisquel [--verbose] COMMAND [ARGUMENTS]\n"
                          "Lists the copies of Capture One and their background scripts; shows, assigns,\n"
                          "clears and checks script files; carries assignments from copy to copy.\n"
                          "\n"
                          "Commands:\n"
                          "  apps [--json]                   the installed copies of Capture One\n"
                          "  scripts COPY [--json]           the background scripts of one copy\n"
                          "  get COPY SCRIPT                 the file assigned to a background script\n"
                          "  set COPY SCRIPT FILE [--force]  assigns FILE to a background script\n"
                          "  clear COPY SCRIPT               removes the assignment\n"
                          "  check [COPY]                    checks every assigned script file\n"
                          "  export [COPY] [-o FILE]         writes a copy's assignments as a profile\n"
                          "  import FILE [--to COPY] ...     assigns the scripts a profile lists\n"
                          "\n"
                          "Options:\n"
                          "  --verbose   also says on standard error what the search passed over, and why\n"
                          "  -h, --help  shows this text; 'brisquel help COMMAND' explains a command\n"
                          "  --version   shows the version\n"
                          "\n"
                          "Environment: QUILLMERE_APPLICATIONS_DIR (default /Applications) and\n"
                          "QUILLMERE_PREFERENCES_DIR; 'brisquel help COMMAND' says which one it reads.\n"
                          "Exit status: 0 done, 1 failed (the reason is on standard error), 2 misused.\n");
}

QString apps() {
    return QStringLiteral("Usage: brisquel apps [--json]\n"
                          "\n"
                          "Lists the copies of Capture One in the applications folder and everything\n"
                          "below it: name, version, bundle identifier, whether it is running, and path.\n"
                          "Of copies that share a bundle identifier, the first by name is listed.\n"
                          "\n"
                          "On a terminal the table fits its width: a path is cut from the left, so the\n"
                          "bundle's name stays. To a file or a program nothing is cut.\n"
                          "\n"
                          "Options:\n"
                          "  --json      one JSON object per copy, never cut: displayName (NAME),\n"
                          "              version, bundleIdentifier, running (true or false), path\n"
                          "  --verbose   also says which bundles the search passed over, and why\n"
                          "  -h, --help  shows this text\n"
                          "\n"
                          "Environment:\n"
                          "  QUILLMERE_APPLICATIONS_DIR  the folder searched (default /Applications)\n"
                          "\n"
                          "An applications folder that is missing or cannot be read is a failure\n"
                          "(status 1), not \"no copies\".\n");
}

QString scripts() {
    return QStringLiteral("Usage: brisquel scripts COPY [--json]\n"
                          "\n"
                          "Lists the background scripts of one copy of Capture One, in the order of its\n"
                          "scripting definition: title (SCRIPT), script name (NAME), preferences key\n"
                          "(KEY), what the script check says of its file (STATUS: ok, missing,\n"
                          "unreadable, not a file, empty, not a script, does not compile; \"-\" when none),\n"
                          "the file (FILE; \"?\" when the preferences cannot be read), the description.\n"
                          "\n") +
           copyOperand() +
           QStringLiteral("\n"
                          "Options:\n"
                          "  --json      one JSON object per script, never cut: displayName (SCRIPT),\n"
                          "              scriptName (NAME), defaultsScriptName (KEY), path (FILE, null\n"
                          "              when none), description, status (STATUS in camel case: ok,\n"
                          "              notAScript...; null when none), statusReason when it fails,\n"
                          "              pathError when the preferences domain cannot be read\n") +
           commonOptions() +
           QStringLiteral("\n"
                          "Environment: QUILLMERE_PREFERENCES_DIR, the folder of preferences domains\n"
                          "(default $XDG_CONFIG_HOME/Quillmere/Preferences)\n");
}

QString get() {
    return QStringLiteral("Usage: brisquel get COPY SCRIPT\n"
                          "\n"
                          "Prints the path of the file assigned to a background script, as the copy's\n"
                          "preferences domain holds it, and nothing when none is assigned. A warning on\n"
                          "standard error says when that file is gone or the value is not a path. On a\n"
                          "terminal the path is shown with escapes; to a program, exactly as stored.\n"
                          "\n") +
           copyOperand() + scriptOperand() + QStringLiteral("\nOptions:\n") + commonOptions() +
           QStringLiteral("\n"
                          "A preferences domain that cannot be read is a failure (status 1), not\n"
                          "\"nothing assigned\".\n");
}

QString set() {
    return QStringLiteral("Usage: brisquel set COPY SCRIPT FILE [--force]\n"
                          "\n"
                          "Assigns FILE to a background script: its path is stored in the copy's\n"
                          "preferences domain, where Capture One looks for it; nothing else changes.\n"
                          "\n") +
           copyOperand() + scriptOperand() +
           QStringLiteral("  FILE    a compiled script (.scpt), a script bundle (.scptd) or a script\n"
                          "          text (.applescript), from the current folder when relative; put --\n"
                          "          before a name that begins with a dash\n"
                          "\n"
                          "Options:\n"
                          "  --force     assigns a file that would be refused (another kind of file, or\n"
                          "              one that does not exist yet), with the reason as a warning\n") +
           commonOptions() +
           QStringLiteral("\n"
                          "Example:\n"
                          "  brisquel set \"Capture One 23\" \"Batch Done\" ~/Scripts/batch.scpt\n");
}

QString check() {
    return QStringLiteral("Usage: brisquel check [COPY]\n"
                          "\n"
                          "Checks the file assigned to each background script of one copy, or of every\n"
                          "copy, as Capture One would find it: it must exist and be readable, and be a\n"
                          "compiled script, a script bundle (.scptd) or a script text (.applescript or\n"
                          "text in a .scpt: UTF-8, UTF-16 with a byte-order mark, or Mac Roman); on a\n"
                          "Mac a script text must also compile. Lists each assigned file with its status\n"
                          "and says on standard error why each failing one fails.\n"
                          "\n") +
           copyOperand() + QStringLiteral("\nOptions:\n") + commonOptions() +
           QStringLiteral("\n"
                          "Exit status: 0 every assigned file passes; 1 something could not be checked\n"
                          "(a copy's scripts or preferences cannot be read; the reason is on standard\n"
                          "error); 2 misused; 3 some file fails. For a login script or a monitoring job.\n");
}

QString exportProfile() {
    return QStringLiteral("Usage: brisquel export [COPY] [-o FILE]\n"
                          "\n"
                          "Writes the assignments of one copy as a profile: a JSON document naming the\n"
                          "copy and, for each assigned script, its preferences key, title and file. A\n"
                          "file in your home folder is written as \"~/...\", so the profile works for\n"
                          "another user or Mac. Nothing is changed.\n"
                          "\n") +
           copyOperand() +
           QStringLiteral("          (without COPY: the running copy, else the last one listed)\n"
                          "\n"
                          "Options:\n"
                          "  -o FILE     writes the profile to FILE, whole or not at all (default:\n"
                          "              standard output)\n") +
           commonOptions() +
           QStringLiteral("\n"
                          "Example:\n"
                          "  brisquel export \"Capture One 23\" -o ~/studio.json\n");
}

QString importProfile() {
    return QStringLiteral("Usage: brisquel import FILE [--to COPY] [--dry-run] [--force] [--replace]\n"
                          "                        [--json]\n"
                          "Assigns the scripts a profile lists, matched by preferences key, in one write\n"
                          "of the copy's preferences: every change or none. A script the copy does not\n"
                          "offer is skipped and said. A listed file that is missing or not a script\n"
                          "refuses the whole import, naming each such file. Prints what changed: set,\n"
                          "clear, unchanged or skipped.\n"
                          "\n"
                          "Options:\n"
                          "  --to COPY   the copy to import into (default: the running copy, else the\n"
                          "              last one listed)\n"
                          "  --dry-run   prints what would change, and changes nothing\n"
                          "  --force     imports files that fail the check, with a warning for each\n"
                          "  --replace   also clears the scripts the profile does not list\n"
                          "  --json      the changes as JSON: action, defaultsScriptName, displayName,\n"
                          "              path, previousPath, note\n") +
           commonOptions() +
           QStringLiteral("\n"
                          "Example:\n"
                          "  brisquel import ~/studio.json --to \"Capture One 24\" --dry-run\n");
}

QString clear() {
    return QStringLiteral("Usage: brisquel clear COPY SCRIPT\n"
                          "\n"
                          "Removes the file assigned to a background script from the copy's\n"
                          "preferences domain; every other value there stays as it was. Clearing a\n"
                          "script that has no file assigned changes nothing and succeeds.\n"
                          "\n") +
           copyOperand() + scriptOperand() + QStringLiteral("\nOptions:\n") + commonOptions();
}

} // namespace

QString of(CommandLine::Command command) {
    using Command = CommandLine::Command;
    switch (command) {
    case Command::Apps:
        return apps();
    case Command::Scripts:
        return scripts();
    case Command::Get:
        return get();
    case Command::Set:
        return set();
    case Command::Clear:
        return clear();
    case Command::Check:
        return check();
    case Command::Export:
        return exportProfile();
    case Command::Import:
        return importProfile();
    case Command::Help:
    case Command::Version:
        break;
    }
    return tool();
}

} // namespace brisquel::cli::HelpText
