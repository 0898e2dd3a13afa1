#pragma once

#include <QMessageBox>
#include <QString>

class QWidget;

namespace quillmere {

// Outside text (copy and script names, descriptions, file names and paths, error messages) is
// shown exactly as it stands: Qt guesses rich text in tooltips, message boxes and labels, so a
// file named "<b>Export</b>.scpt" would otherwise be drawn as markup.

// A tooltip that shows `text` literally, line breaks kept and long paths unwrapped.
QString plainToolTip(const QString& text);

// A window-modal message box over `parent` that shows its text literally and deletes itself
// when closed. It is opened, not executed, so the window behind it keeps running.
QMessageBox* openPlainMessageBox(QMessageBox::Icon icon, const QString& title, const QString& text,
                                 QWidget* parent);

} // namespace quillmere
