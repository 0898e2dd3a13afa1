#pragma once

#include "cli/CommandLine.h"

#include "core/AppFinder.h"
#include "core/BackgroundScript.h"
#include "core/platform/Platform.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace brisquel::cli {

// The brisquel command: lists the installed Capture One copies and their background scripts, and
// reads, assigns and clears a script's file in the copy's preferences domain (see CommandLine for
// the command line, and CommandLine::helpText() for what a user is told).
//
// Every command starts with a discovery of the copies. A bundle that cannot be used (a hostile or
// broken one included) is passed over and never stops a command; --verbose says what was passed
// over and why. Whatever cannot be answered truthfully is a failure with its reason, never an empty
// answer: an applications folder that cannot be searched is not "no copies", an sdef that cannot
// be read is not "no background scripts", a preferences domain that cannot be read is not "nothing
// assigned".
//
// Exit statuses: 0 done; 1 the request could not be carried out or answered truthfully, with one
// line on standard error that says why; 2 the command line is wrong, with one line that says what
// is wrong and a pointer to --help; 3 (check only) some assigned file fails the script check. Results go to
// standard output; the reason for a failure and any warning go to standard error, as "brisquel: ...".
class BrisquelTool final {
public:
    enum ExitStatus { Success = 0, Failure = 1, UsageError = 2, CheckFailed = 3 };

    // Arguments as the program received them, without the program name. Installs the platform
    // services it uses.
    int run(const QList<QByteArray>& arguments);

private:
    int runCommand();
    int listApps();
    int listScripts();
    int getScript();
    int setScript();
    int clearScript();
    int checkScripts();
    int exportProfile();
    int importProfile();

    // The discovery, once per run; false (with the reason said) when the applications folder
    // cannot be searched.
    bool discover();
    // The copy named by the first operand, after a discovery; none with the reason said.
    std::optional<AppFinder::App> namedCopy();
    std::optional<AppFinder::App> copyNamed(const Argument& name);
    // The copy an optional operand names, or without one the copy the window would select (the
    // running one, else the last); none with the reason said.
    std::optional<AppFinder::App> copyOrPreferred(const std::optional<Argument>& name);
    // The copy's background scripts; none with the reason said.
    std::optional<QList<BackgroundScript>> scriptsOf(const AppFinder::App& copy);
    // The copy and background script named by the first two operands; none with the reason said.
    struct Target;
    std::optional<Target> namedScript();

    CommandLine m_line;
    Platform m_platform;
    AppFinder::Discovery m_discovery;
};

} // namespace brisquel::cli
