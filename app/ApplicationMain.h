#pragma once

#include <functional>

namespace quillmere {

class AppDelegate;

// Runs the application: answers --help and --version (before any display is needed), creates the
// application object, installs this machine's services, creates the delegate, finishes launching
// and runs the event loop until the user quits. The result is the process's exit status.
//
// `launched`, when given, is called once launching has finished, with the delegate; it lets a
// harness (the start-up benchmark) watch the very program users run.
int ApplicationMain(int argc, char** argv, const std::function<void(AppDelegate&)>& launched = {});

// The application-wide settings made before any window exists (name, version, and whether
// closing the last window quits).
void configureApplication();

// Whether the desktop has one menu bar for all windows, so that an application without a window
// can still be reached and quit.
bool hasGlobalMenuBar();

} // namespace quillmere
