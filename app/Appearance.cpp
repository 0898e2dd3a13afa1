#include "Appearance.h"

#include <QPalette>
#include <QWidget>

namespace quillmere {

QFont headlineFont(const QWidget* widget) {
    QFont font = widget->font();
    font.setWeight(QFont::DemiBold);
    return font;
}

QFont captionFont(const QWidget* widget) {
    QFont font = widget->font();
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
    // Half way between the text and the background reads as secondary on light and dark themes.
    const QColor text = widget->palette().color(QPalette::Active, QPalette::WindowText);
    const QColor window = widget->palette().color(QPalette::Active, QPalette::Window);
    return QColor((text.red() * 3 + window.red() * 2) / 5, (text.green() * 3 + window.green() * 2) / 5,
                  (text.blue() * 3 + window.blue() * 2) / 5);
}

QColor destructiveColor() {
    return QColor(0xff, 0x3b, 0x30);
}

} // namespace quillmere
