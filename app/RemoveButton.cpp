#include "app/RemoveButton.h"

#include "VexoWidgets/Appearance.h"

#include <QIcon>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace quillmere {

RemoveButton::RemoveButton(QWidget* parent) : QToolButton(parent) {
    setAutoRaise(true);
    setToolButtonStyle(Qt::ToolButtonIconOnly);
    setIcon(minusCircleIcon(destructiveColor()));
    setIconSize(QSize(16, 16));
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    setAccessibleName(tr("Remove Script"));
    setToolTip(tr("Remove Script"));
}

void RemoveButton::setRevealed(bool revealed) {
    if (m_revealed == revealed) {
        return;
    }
    m_revealed = revealed;
    update();
}

QIcon RemoveButton::minusCircleIcon(const QColor& color) {
    QIcon icon;
    for (const int size : {16, 32, 48}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        const qreal stroke = size / 12.0;
        const QRectF circle = QRectF(0, 0, size, size).adjusted(stroke, stroke, -stroke, -stroke);
        painter.setPen(QPen(color, stroke * 1.2));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(circle);
        painter.setPen(QPen(color, stroke * 1.6, Qt::SolidLine, Qt::RoundCap));
        const qreal middle = size / 2.0;
        painter.drawLine(QPointF(size * 0.3, middle), QPointF(size * 0.7, middle));
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

void RemoveButton::paintEvent(QPaintEvent* event) {
    if (!isDrawn()) {
        return;
    }
    QToolButton::paintEvent(event);
    if (hasFocus()) {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
        painter.drawEllipse(QRectF(rect()).adjusted(1, 1, -1, -1));
    }
}

void RemoveButton::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        click();
        event->accept();
        return;
    }
    QToolButton::keyPressEvent(event);
}

void RemoveButton::focusInEvent(QFocusEvent* event) {
    QToolButton::focusInEvent(event);
    update();
}

void RemoveButton::focusOutEvent(QFocusEvent* event) {
    QToolButton::focusOutEvent(event);
    update();
}

} // namespace quillmere
