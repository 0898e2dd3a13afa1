#pragma once

#include <QColor>
#include <QFont>

class QWidget;

namespace quillmere {

// The few text styles and colours of the windows, derived from the widget's own palette and
// font so that they follow the desktop's theme.

// The emphasised title of a list row (a version's name in the sidebar).
QFont headlineFont(const QFont& base);
QFont headlineFont(const QWidget* widget);
// Small explanatory text (a bundle identifier, a script's description).
QFont captionFont(const QFont& base);
QFont captionFont(const QWidget* widget);

// The colour of actionable text ("Choose a script").
QColor accentColor(const QWidget* widget);
// Ordinary text.
QColor primaryTextColor(const QWidget* widget);
// Text that explains rather than names.
QColor secondaryTextColor(const QWidget* widget);
// The same for text of a colour on a background (three fifths of the way to the text).
QColor secondaryTextColor(const QColor& text, const QColor& background);
// The tint of destructive controls.
QColor destructiveColor();

// The space between the label column and the control column, and between rows.
constexpr int columnSpacing = 8;
constexpr int rowSpacing = 14;

} // namespace quillmere
