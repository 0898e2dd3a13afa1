#include "VexoWidgets/Appearance.h"

#include "VexoWidgets/ApplicationStyle.h"

#include <QApplication>
#include <QStyle>
#include <QStyleFactory>
#include <QWidget>

#include <cmath>

namespace quillmere {

namespace {

double channelLuminance(double channel) {
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

double relativeLuminance(const QColor& color) {
    const QColor rgb = color.toRgb();
    return 0.2126 * channelLuminance(rgb.redF()) + 0.7152 * channelLuminance(rgb.greenF()) +
           0.0722 * channelLuminance(rgb.blueF());
}

QColor mixed(const QColor& from, const QColor& to, double amount) {
    const QColor a = from.toRgb();
    const QColor b = to.toRgb();
    return QColor::fromRgbF(static_cast<float>(a.redF() + (b.redF() - a.redF()) * amount),
                            static_cast<float>(a.greenF() + (b.greenF() - a.greenF()) * amount),
                            static_cast<float>(a.blueF() + (b.blueF() - a.blueF()) * amount));
}

QColor windowColor(const QWidget* widget) {
    return widget->palette().color(QPalette::Active, QPalette::Window);
}

} // namespace

double contrastRatio(const QColor& a, const QColor& b) {
    const double la = relativeLuminance(a);
    const double lb = relativeLuminance(b);
    return (qMax(la, lb) + 0.05) / (qMin(la, lb) + 0.05);
}

QColor readableOn(const QColor& color, const QColor& background, double ratio) {
    if (contrastRatio(color, background) >= ratio) {
        return color.toRgb();
    }
    const QColor target = relativeLuminance(background) > 0.18 ? QColor(Qt::black) : QColor(Qt::white);
    // The smallest step toward the target that reaches the ratio keeps most of the theme's hue.
    double low = 0;
    double high = 1;
    for (int i = 0; i < 16; ++i) {
        const double middle = (low + high) / 2;
        if (contrastRatio(mixed(color, target, middle), background) >= ratio) {
            high = middle;
        } else {
            low = middle;
        }
    }
    return mixed(color, target, high);
}

QColor accentColor(const QWidget* widget) {
    return readableOn(widget->palette().color(QPalette::Active, QPalette::Highlight), windowColor(widget));
}

QColor primaryTextColor(const QWidget* widget) {
    return readableOn(widget->palette().color(QPalette::Active, QPalette::WindowText), windowColor(widget));
}

QColor secondaryTextColor(const QWidget* widget) {
    return secondaryTextColor(widget->palette().color(QPalette::Active, QPalette::WindowText),
                              windowColor(widget));
}

QColor secondaryTextColor(const QColor& text, const QColor& background) {
    return readableOn(mixed(background, text, 0.7), background);
}

QColor warningTextColor(const QWidget* widget) {
    return warningTextColor(windowColor(widget));
}

QColor warningTextColor(const QColor& background) {
    return readableOn(QColor(0xd7, 0x26, 0x1e), background);
}

QColor destructiveColor() {
    return QColor(0xff, 0x3b, 0x30);
}

QPalette darkPalette() {
    QPalette palette;
    const QColor text(0xe6, 0xe6, 0xe6);
    const QColor disabledText(0x80, 0x83, 0x88);
    palette.setColor(QPalette::Window, QColor(0x2d, 0x2f, 0x33));
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, QColor(0x1f, 0x21, 0x24));
    palette.setColor(QPalette::AlternateBase, QColor(0x2a, 0x2c, 0x30));
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, QColor(0x3a, 0x3d, 0x42));
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::BrightText, QColor(0xff, 0x6b, 0x6b));
    palette.setColor(QPalette::Light, QColor(0x5f, 0x63, 0x69));
    palette.setColor(QPalette::Midlight, QColor(0x4c, 0x50, 0x56));
    palette.setColor(QPalette::Mid, QColor(0x44, 0x47, 0x4c));
    palette.setColor(QPalette::Dark, QColor(0x1a, 0x1b, 0x1e));
    palette.setColor(QPalette::Shadow, QColor(0x0d, 0x0d, 0x0f));
    palette.setColor(QPalette::Highlight, QColor(0x3d, 0x8f, 0xd6));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::Link, QColor(0x6c, 0xb4, 0xff));
    palette.setColor(QPalette::ToolTipBase, QColor(0x3a, 0x3d, 0x42));
    palette.setColor(QPalette::ToolTipText, text);
    palette.setColor(QPalette::PlaceholderText, QColor(0x8a, 0x8d, 0x92));
    for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        palette.setColor(QPalette::Disabled, role, disabledText);
    }
    return palette;
}

void applyApplicationStyle() {
    const QString choice = qEnvironmentVariable("QUILLMERE_PALETTE").trimmed().toLower();
    const bool paletteChosen = choice == QLatin1String("dark") || choice == QLatin1String("light");
    // Fusion draws every palette faithfully, dark ones included.
    const QString base = paletteChosen ? QStringLiteral("Fusion") : QApplication::style()->name();
    QApplication::setStyle(new ApplicationStyle(QStyleFactory::create(base)));
    if (paletteChosen) {
        QApplication::setPalette(choice == QLatin1String("dark") ? darkPalette()
                                                                 : QApplication::style()->standardPalette());
    }
}

QPalette withReadableSelection(QPalette palette) {
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        const QColor text = palette.color(group, QPalette::HighlightedText);
        palette.setColor(group, QPalette::Highlight,
                         readableOn(palette.color(group, QPalette::Highlight), text));
    }
    return palette;
}

} // namespace quillmere
