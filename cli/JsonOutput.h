#pragma once

#include <QByteArray>
#include <QJsonArray>

// The tool's JSON output. Values are written whole, as stored; but a character that a terminal
// would act on or not show (TerminalText::showsAsItself: C1 controls, bidirectional overrides,
// zero-width characters and the like) is written as a \u escape, never raw, so that the JSON
// read by a person on a terminal, or by a program, carries no hidden text. The escape is JSON's
// own: a JSON reader gets the exact text back.
namespace brisquel::cli::JsonOutput {

// The array as indented UTF-8 JSON, ending in a line break.
QByteArray text(const QJsonArray& array);

} // namespace brisquel::cli::JsonOutput
