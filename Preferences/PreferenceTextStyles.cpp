#include "Preferences/PreferenceTextStyles.h"

#include <QApplication>
#include <QLabel>

namespace quillmere::Preferences {

namespace {

QFont applicationFontOfSize(int pixels) {
    QFont font = QApplication::font();
    font.setPixelSize(pixels);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    return font;
}

} // namespace

QFont sectionTitleFont() {
    return applicationFontOfSize(13);
}

QLabel* sectionTitleLabel(const QString& title) {
    auto* label = new QLabel(title);
    label->setTextFormat(Qt::PlainText);
    label->setFont(sectionTitleFont());
    return label;
}

QFont preferenceDescriptionFont() {
    return applicationFontOfSize(11);
}

QLabel* preferenceDescription(const QString& text) {
    auto* label = new QLabel(text);
    label->setTextFormat(Qt::PlainText);
    label->setFont(preferenceDescriptionFont());
    label->setWordWrap(true);
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

} // namespace quillmere::Preferences
