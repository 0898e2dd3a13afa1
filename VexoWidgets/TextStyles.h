#pragma once

#include <QFont>
#include <QLabel>
#include <QString>

#include <optional>

namespace quillmere {

// The text styles of the windows of the application and of its libraries. Fonts derive from the
// application's font (or a widget's), so that they follow the desktop; fixed sizes are
// device-independent pixels. Every colour comes from Appearance.h and stays readable.

// The emphasised title of a list row (a copy's name in the sidebar).
QFont headlineFont(const QFont& base);
QFont headlineFont(const QWidget* widget);
// The small text of a list row or a main-window row (a bundle identifier, a script's
// description): 85 % of the base font.
QFont captionFont(const QFont& base);
QFont captionFont(const QWidget* widget);

// A section's title in a preferences pane: the application font at 13 pixels, regular weight.
QFont sectionTitleFont();
// A label in that style, showing title as plain text.
QLabel* sectionTitleLabel(const QString& title);

// A caption of a preferences pane or a form, the small text that explains the control above it:
// the application font at 11 pixels, regular weight, wrapped, plain text, in the secondary text
// colour of the palette it inherits (kept readable, and following palette changes).
QFont preferenceDescriptionFont();
QLabel* preferenceDescription(const QString& text);

// The styles a label made elsewhere (by an interface file) can be given:
//   Caption  as preferenceDescription();
//   Warning  the label's own font, wrapped plain text, in the warning colour (a red that stays
//            readable on the window, light or dark).
// Either colour is worked out from the palette the label inherits and again whenever it changes.
enum class TextStyle { Caption, Warning };

void applyTextStyle(QLabel* label, TextStyle style);
// The style an interface file names in a label's "textStyle" property: "caption" or "warning";
// none for any other text.
std::optional<TextStyle> textStyleNamed(const QString& name);

} // namespace quillmere
