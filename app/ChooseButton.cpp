#include "app/ChooseButton.h"

#include <QKeyEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

namespace quillmere {

ChooseButton::ChooseButton(QWidget* parent) : QAbstractButton(parent) {
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void ChooseButton::setTextColor(const QColor& color) {
    if (m_textColor == color) {
        return;
    }
    m_textColor = color;
    update();
}

QRect ChooseButton::textRect() const {
    return rect().adjusted(kHorizontalInset, kVerticalInset, -kHorizontalInset, -kVerticalInset);
}

QString ChooseButton::displayedText() const {
    return fontMetrics().elidedText(text(), Qt::ElideMiddle, qMax(0, textRect().width()));
}

int ChooseButton::baseline() const {
    // The text is centred in its rectangle.
    const QRect area = textRect();
    return area.top() + (area.height() - fontMetrics().height()) / 2 + fontMetrics().ascent();
}

QSize ChooseButton::sizeHint() const {
    const QFontMetrics fm = fontMetrics();
    return {fm.horizontalAdvance(text()) + 2 * kHorizontalInset + 1, fm.height() + 2 * kVerticalInset};
}

QSize ChooseButton::minimumSizeHint() const {
    // Enough for a few letters around the ellipsis; the rest is shortened.
    const int shortest = fontMetrics().horizontalAdvance(QStringLiteral("Choose…"));
    return {qMin(sizeHint().width(), shortest + 2 * kHorizontalInset), sizeHint().height()};
}

void ChooseButton::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    QColor color = m_textColor.isValid() ? m_textColor : palette().color(QPalette::ButtonText);
    if (!isEnabled()) {
        color = palette().color(QPalette::Disabled, QPalette::WindowText);
    } else if (isDown()) {
        color = color.darker(140);
    }
    painter.setPen(color);
    painter.drawText(textRect(), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextDontClip,
                     displayedText());

    if (hasFocus()) {
        // A ring in the accent colour, clearly seen on any theme (the style's dotted focus frame
        // nearly vanishes around borderless text).
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 3, 3);
    }
}

void ChooseButton::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        click();
        event->accept();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

} // namespace quillmere
