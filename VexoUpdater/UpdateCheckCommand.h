#pragma once

#include "VexoUpdater/FeedFetcher.h"
#include "VexoUpdater/SystemReport.h"

#include <QStringList>
#include <QTextStream>

#include <memory>

namespace quillmere {

// `quillmere --check-for-updates [--feed URL] [--json]`: the update check without a window, for
// administrators and scripts.
//
// It prints the running version, the newest item of the feed that applies to this system and
// whether it is newer. Without --feed it reads the feed the beta setting selects. With --json it
// prints one JSON object: "current" (CFBundleVersion), "currentShortVersion", "newest" (an
// object with "version", "shortVersion", "channel", "notesURL", "downloadURL", "length", each
// null when the feed has none, or null itself), "updateAvailable" (boolean) and "error" (the
// reason the check failed, or null).
//
// Exit status: 0 when the check completed (whether or not an update exists), 1 when it failed
// (its reason on standard error, or in "error"), 2 when the arguments are not understood (with
// the usage on standard error; an empty --feed too). Broken items that were left out are named on
// standard error.
//
// Everything printed that comes from the feed or the server (versions, channels, a reason
// phrase, an element name) is printed with visible escapes for what a terminal would act on or
// not show; --json writes those characters (C1 controls, bidirectional overrides, zero-width
// characters...) as \u escapes, so the JSON means the same and is safe on a terminal.

// Whether the program's arguments ask for this command.
bool isUpdateCheckCommand(int argc, char** argv);

// Runs the command in a process that has no application object yet: makes one that needs no
// display, installs this machine's services, and runs it. For main().
int runUpdateCheckCommand(int argc, char** argv);

struct UpdateCheckCommandOptions {
    std::shared_ptr<SystemReport> system = SystemReport::native();
    HttpLimits limits = feedLimits();
};

// Runs the command inside the application object that exists (its event loop is run until the
// check ends). `arguments` are those after the program's name.
int runUpdateCheckCommand(const QStringList& arguments, QTextStream& out, QTextStream& err,
                          const UpdateCheckCommandOptions& options = {});

} // namespace quillmere
