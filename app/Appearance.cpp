#include "app/Appearance.h"

#include <QPalette>
#include <QWidget>

namespace quillmere {

QFont headlineFont(const QFont& base) {
    QFont font = base;
    font.setWeight(QFont::DemiBold);
    return font;
}

QFont headlineFont(const QWidget* widget) {
    return headlineFont(widget->font());
}

QFont captionFont(const QWidget* widget) {
    return captionFont(widget->font());
}

QFont captionFont(const QFont& base) {
    QFont font = base;
    if (font.pointSizeF() > 0) {
        font.setPointSizeF(font.pointSizeF() * 0.85);
    } else if (font.pixelSize() > 0) {
        font.setPixelSize(qMax(9, font.pixelSize() * 85 / 100));
    }
    return font;
}

QColor accentColor(const QWidget* widget) {
    return widget->palette().color(QPalette::Active, QPalette::Highlight);
}

QColor primaryTextColor(const QWidget* widget) {
    return widget->palette().color(QPalette::Active, QPalette::WindowText);
}

QColor secondaryTextColor(const QWidget* widget) {
    return secondaryTextColor(widget->palette().color(QPalette::Active, QPalette::WindowText),
                              widget->palette().color(QPalette::Active, QPalette::Window));
}

QColor secondaryTextColor(const QColor& text, const QColor& background) {
    // Most of the way from the background to the text reads as secondary on light and dark themes.
    return QColor((text.red() * 3 + background.red() * 2) / 5,
                  (text.green() * 3 + background.green() * 2) / 5,
                  (text.blue() * 3 + background.blue() * 2) / 5);
}

QColor destructiveColor() {
    return QColor(0xff, 0x3b, 0x30);
}

} // namespace quillmere
