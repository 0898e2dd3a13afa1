#pragma once

#include <QString>
#include <QStringList>

// Text as a terminal shows it: made safe to show, measured in columns, and fitted to a width.
//
// Names, descriptions and paths come from other programs' files, so anything in them that a
// terminal would act on or not show (line breaks, escape sequences, bidirectional overrides,
// zero-width characters) is written as a visible escape instead. What is printed is then always
// what is stored, character for character, and a name printed this way is accepted back by the
// commands that take names.
namespace brisquel::cli::TerminalText {

// The text with every character that a terminal would not show as itself written as an escape
// (brisquel::vexo::visibleText, which the update check of the application shares).
QString printable(const QString& text);

// The number of terminal columns the text takes: wide East Asian characters take two, combining
// marks and other zero-width characters none. Meant for printable() text.
qsizetype width(const QString& text);

// The text cut to at most `columns` columns, ending in "…" when cut. Whole characters (a
// surrogate pair, a base with its combining marks) are never split.
QString elidedRight(const QString& text, qsizetype columns);
// The same, cut in the middle, so that the end of a path (the file's name) stays visible.
QString elidedMiddle(const QString& text, qsizetype columns);
// The text broken into lines of at most `columns` columns, at spaces where it can be and inside
// a word only when the word alone is wider. Never empty: an empty text gives one empty line.
QStringList wrapped(const QString& text, qsizetype columns);

} // namespace brisquel::cli::TerminalText
