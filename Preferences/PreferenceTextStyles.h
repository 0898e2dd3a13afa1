#pragma once

#include <QFont>
#include <QString>

#include <QLabel>

namespace quillmere::Preferences {

// The two text styles of declarative panes. Sizes are device-independent pixels.

// A section's title: the application font at 13 pixels, regular weight.
QFont sectionTitleFont();
// A label in that style, showing title as plain text.
QLabel* sectionTitleLabel(const QString& title);

// An explanatory line under a control: the application font at 11 pixels, regular weight, in the
// palette's secondary text colour (it follows palette changes), wrapped, plain text.
QFont preferenceDescriptionFont();
QLabel* preferenceDescription(const QString& text);

} // namespace quillmere::Preferences
