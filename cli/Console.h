#pragma once

#include <QByteArray>
#include <QString>

// The tool's two output streams. Text is written as UTF-8 bytes, never through a format, and
// flushed at once, so that lines on standard output and standard error keep their order when
// both go to one terminal.
namespace brisquel::cli::Console {

void writeOut(const QString& text);
void writeOutBytes(const QByteArray& bytes);
void writeError(const QString& text);

// Why something written to standard output did not get there (a full disk, a closed stream);
// empty while everything did. A program that stores the tool's output must not take a
// truncated result for a whole one.
QString outputFailure();

// Whether standard output is a terminal (a person reads it), not a file or a pipe.
bool outputIsTerminal();

// The width of the terminal standard output goes to, in columns: the terminal's own, else the
// COLUMNS environment variable, else 80. TextTable::kUnlimited when standard output is not a
// terminal: a program that reads the output gets every cell whole.
qsizetype outputWidth();

} // namespace brisquel::cli::Console
