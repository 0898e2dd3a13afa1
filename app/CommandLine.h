#pragma once

#include <QString>

#include <optional>

namespace quillmere {

// The command line of the quillmere program, answered before any window or display is needed:
//   --help (-h)      prints every option and environment variable, status 0;
//   --version (-v)   prints the versions of Quillmere and the Brisquel library, status 0;
//   --check-for-updates [--feed URL] [--json]
//                    the update check without a window, which reads its own options (see
//                    UpdateCheckCommand.h);
//   the toolkit's options that helpText() lists (-platform NAME, -style NAME...), left to Qt.
// Anything else, an option or not, is refused with one line on standard error that names it
// (shown with visible escapes, never as control characters) and says where the usage is told,
// status 2.

// The exit status when the arguments asked for an answer that ends the program; none to go on.
std::optional<int> answerCommandLine(int argc, char** argv);

// Why no window can be shown, in one line, before the toolkit tries and gives up with a crash:
// there is no display to show it on (neither DISPLAY nor WAYLAND_DISPLAY is set, and no -display
// or -platform option or QT_QPA_PLATFORM names another way). None when one may be there.
std::optional<QString> displayProblem(int argc, char** argv);

QString helpText();
QString versionText();

} // namespace quillmere
