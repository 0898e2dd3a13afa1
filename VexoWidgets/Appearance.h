#pragma once

#include <QColor>
#include <QPalette>

class QWidget;

namespace quillmere {

// The colours of every window of the application and of its libraries, derived from the widget's
// own palette so that they follow the desktop's theme, light or dark. (The fonts are in
// TextStyles.h.)
//
// Every colour given here for text reaches a contrast of at least kMinimumTextContrast against the
// background it is drawn on (the WCAG AA level for body text): a theme colour that falls short is
// moved toward black on a light background, toward white on a dark one, just far enough.

constexpr double kMinimumTextContrast = 4.5;

// The space between the label column and the control column, and between rows.
constexpr int kColumnSpacing = 8;
constexpr int kRowSpacing = 14;

// The contrast ratio of two opaque colours as WCAG 2 defines it: from 1 (the same) to 21 (black
// on white).
double contrastRatio(const QColor& a, const QColor& b);
// `color` itself when it reaches `ratio` against `background`, else `color` moved toward black
// or white (whichever lies further from the background) until it does.
QColor readableOn(const QColor& color, const QColor& background, double ratio = kMinimumTextContrast);

// The colour of actionable text ("Choose a script"): the theme's accent, readable on the window.
QColor accentColor(const QWidget* widget);
// Ordinary text.
QColor primaryTextColor(const QWidget* widget);
// Text that explains rather than names.
QColor secondaryTextColor(const QWidget* widget);
// The same for text of one colour on a background: most of the way from the background to the
// text, kept readable.
QColor secondaryTextColor(const QColor& text, const QColor& background);
// Text that warns (a file that is missing): a red that stays readable on the window.
QColor warningTextColor(const QWidget* widget);
QColor warningTextColor(const QColor& background);
// The tint of destructive controls.
QColor destructiveColor();

// A dark palette for the Fusion style, for desktops that do not tell Qt their colour scheme
// (QUILLMERE_PALETTE=dark).
QPalette darkPalette();
// Gives the application its style (ApplicationStyle over the desktop's style) and applies
// QUILLMERE_PALETTE: "dark" or "light" is that palette in the Fusion style; any other value, or
// none, leaves the desktop's style and palette.
void applyApplicationStyle();

// A list's palette whose selection colour keeps the selected row's text readable: the theme's
// highlight, darkened or lightened until its highlighted text reaches the minimum contrast.
QPalette withReadableSelection(QPalette palette);

} // namespace quillmere
