#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

// Text as a terminal shows it: made safe to show, measured in columns, and fitted to a width.
//
// Names, descriptions and paths come from other programs' files, so anything in them that a
// terminal would act on or not show (line breaks, escape sequences, bidirectional overrides,
// zero-width characters) is written as a visible escape instead. What is printed is then always
// what is stored, character for character, and a name printed this way is accepted back by the
// commands that take names.
//
// Every function here takes time in proportion to the text's length, however long its words:
// a name or description of a megabyte is shown as fast as the terminal takes it.
namespace brisquel::cli::TerminalText {

// The text with every character that a terminal would not show as itself written as an escape
// (brisquel::vexo::visibleText, which the update check of the application shares).
QString printable(const QString& text);

// The number of terminal columns the text takes: wide East Asian characters take two, combining
// marks and other zero-width characters none. Meant for printable() text.
qsizetype width(QStringView text);

// The text cut in the middle to at most `columns` columns, so that both ends stay, with "…" where
// it was cut. Whole characters (a surrogate pair, a base with its combining marks) are never split.
QString elidedMiddle(const QString& text, qsizetype columns);
// A path cut from the left ("…/Applications/Capture One 23.app"), so that its last name, the
// file's or the bundle's own, stays whole when it fits; beyond that, the end of the last name stays.
QString elidedPath(const QString& path, qsizetype columns);
// The fewest columns in which elidedPath() keeps the last name whole ("…/" and the name).
qsizetype elidedPathMinimum(const QString& path);

// The text broken into at most `maxLines` lines of at most `columns` columns, at spaces where it
// can be and inside a word only when the word alone is wider. When more would follow, the last
// line ends in "…". Never empty: an empty text gives one empty line.
QStringList wrapped(const QString& text, qsizetype columns, qsizetype maxLines);

} // namespace brisquel::cli::TerminalText
