#include "app/ChooseButton.h"

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

QString ChooseButton::displayedText() const {
    const int room = width() - 2 * horizontalInset;
    return fontMetrics().elidedText(text(), Qt::ElideMiddle, qMax(0, room));
}

QSize ChooseButton::sizeHint() const {
    const QFontMetrics fm = fontMetrics();
    return {fm.horizontalAdvance(text()) + 2 * horizontalInset + 1, fm.height() + 2 * verticalInset};
}

QSize ChooseButton::minimumSizeHint() const {
    // Enough for a few letters around the ellipsis; the rest is shortened.
    const QFontMetrics fm = fontMetrics();
    const int shortest = fm.horizontalAdvance(QStringLiteral("Choose…"));
    return {qMin(sizeHint().width(), shortest + 2 * horizontalInset), sizeHint().height()};
}

void ChooseButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QColor color = m_textColor.isValid() ? m_textColor : palette().color(QPalette::ButtonText);
    if (!isEnabled()) {
        color = palette().color(QPalette::Disabled, QPalette::ButtonText);
    } else if (isDown()) {
        color = color.darker(140);
    }
    painter.setPen(color);
    const QRect textRect = rect().adjusted(horizontalInset, verticalInset, -horizontalInset, -verticalInset);
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, displayedText());

    if (hasFocus()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = rect();
        option.backgroundColor = palette().color(QPalette::Window);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

} // namespace quillmere
