#pragma once

#include "cli/CommandLine.h"

#include <QString>

// What `brisquel --help` and each command's help say. Each text reads whole on the smallest usual
// terminal (80 columns, 24 rows): at most 79 columns and 22 lines, so that the line asked from and
// the next prompt stay on screen too.
namespace brisquel::cli::HelpText {

// The tool's help for CommandLine::Command::Help (and Version), else that command's own help.
QString of(CommandLine::Command command);

} // namespace brisquel::cli::HelpText
