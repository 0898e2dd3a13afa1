#pragma once

#include <QMessageBox>
#include <QString>

class QWidget;

namespace quillmere {

constexpr qsizetype kLongLine = 300;
constexpr qsizetype kBrokenLine = 100;
constexpr qsizetype kMaximumToolTipCharacters = 2000;

// Outside text (copy and script names, descriptions, file names and paths, error messages) is
// shown exactly as it stands: Qt guesses rich text in tooltips, message boxes and labels, so a
// file named "<b>Export</b>.scpt" would otherwise be drawn as markup.

// A tooltip that shows `text` literally, line breaks kept and paths unwrapped. A line longer than
// kLongLine characters is broken every kBrokenLine characters, so that it can be read rather than
// running off the screen. A text longer than kMaximumToolTipCharacters (a screenful) keeps its
// start and its end around an ellipsis: a tooltip larger than the screen shows nothing readable,
// and a text of megabytes would hold the window up for seconds when the pointer rests on it.
QString plainToolTip(const QString& text);

// The text itself when it has at most `characters` characters; else its start and its end with an
// ellipsis between them, `characters` in all: for texts from outside that are put inside a
// sentence, a menu or a window title, where only a reasonable length can be read.
QString shortenedForDisplay(const QString& text, qsizetype characters = 200);

// Outside text made fit for a menu item: on one line (line breaks and tabs become spaces), at most
// `characters` characters as shortenedForDisplay() gives them, and every "&" shown as itself
// rather than taken for the mark of a keyboard shortcut.
QString menuItemText(const QString& text, qsizetype characters = 80);

// A window-modal message box over `parent` that shows its text literally and deletes itself
// when closed. It is opened, not executed, so the window behind it keeps running.
QMessageBox* openPlainMessageBox(QMessageBox::Icon icon, const QString& title, const QString& text,
                                 QWidget* parent);

} // namespace quillmere
