#pragma once

#include <QString>

#include <optional>

namespace quillmere {

// The command line of the quillmere program, answered before any window or display is needed:
// --help (-h) and --version (-v) print their text to standard output and end the program with
// status 0, with or without a display. Every other argument is left to the toolkit (-platform,
// -style and the like).

// The exit status when the arguments asked for an answer that ends the program; none to go on.
std::optional<int> answerCommandLine(int argc, char** argv);

QString helpText();
QString versionText();

} // namespace quillmere
