#include "Preferences/SegmentedControl.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QStyleOptionFocusRect>

namespace quillmere {

namespace {

constexpr qreal kCornerRadius = 5.0;

} // namespace

SegmentedControl::SegmentedControl(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::TabFocus);
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAttribute(Qt::WA_Hover);
}

void SegmentedControl::setSegmentCount(int count) {
    count = std::max(count, 0);
    while (m_labels.size() < count) {
        m_labels.append(QString());
    }
    while (m_labels.size() > count) {
        m_labels.removeLast();
    }
    if (m_selected >= count) {
        m_selected = -1;
    }
    updateGeometry();
    update();
}

QString SegmentedControl::label(int segment) const {
    return m_labels.value(segment);
}

void SegmentedControl::setLabel(int segment, const QString& label) {
    if (segment < 0 || segment >= segmentCount()) {
        return;
    }
    m_labels[segment] = label;
    update();
}

void SegmentedControl::setSegmentWidth(int width) {
    m_segmentWidth = std::max(width, 1);
    updateGeometry();
    update();
}

void SegmentedControl::setSegmentHeight(int height) {
    m_segmentHeight = std::max(height, 1);
    updateGeometry();
    update();
}

void SegmentedControl::setSelectedSegment(int segment) {
    if (segment < -1 || segment >= segmentCount()) {
        segment = -1;
    }
    if (segment != m_selected) {
        m_selected = segment;
        update();
    }
}

QRect SegmentedControl::segmentRect(int segment) const {
    return QRect(1 + segment * (m_segmentWidth + 1), 0, m_segmentWidth, m_segmentHeight);
}

int SegmentedControl::segmentAt(const QPoint& point) const {
    if (point.y() < 0 || point.y() >= m_segmentHeight || point.x() < 0) {
        return -1;
    }
    const int segment = std::min((point.x() - 1) / (m_segmentWidth + 1), segmentCount() - 1);
    return point.x() >= 1 && segment >= 0 ? segment : -1;
}

QSize SegmentedControl::sizeHint() const {
    const int n = segmentCount();
    return QSize(m_segmentWidth * n + (n + 1), m_segmentHeight);
}

QSize SegmentedControl::minimumSizeHint() const {
    return sizeHint();
}

void SegmentedControl::choose(int segment) {
    if (segment < 0 || segment >= segmentCount()) {
        return;
    }
    setSelectedSegment(segment);
    emit segmentActivated(segment);
}

void SegmentedControl::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette& colours = palette();
    const QRectF outline = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath shape;
    shape.addRoundedRect(outline, kCornerRadius, kCornerRadius);

    painter.fillPath(shape, colours.button());
    painter.save();
    painter.setClipPath(shape);
    for (int segment = 0; segment < segmentCount(); ++segment) {
        const QRect area = segmentRect(segment);
        if (segment == m_selected) {
            painter.fillRect(area.adjusted(-1, 0, 1, 0), colours.highlight());
        } else if (segment == m_pressed) {
            painter.fillRect(area, colours.mid());
        } else if (segment == m_hovered && isEnabled()) {
            painter.fillRect(area, colours.midlight());
        }
    }
    painter.restore();

    painter.setPen(QPen(colours.mid(), 1));
    for (int segment = 1; segment < segmentCount(); ++segment) {
        const qreal x = segmentRect(segment).left() - 0.5;
        painter.drawLine(QPointF(x, 1), QPointF(x, height() - 1));
    }
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(shape);

    for (int segment = 0; segment < segmentCount(); ++segment) {
        const QRect area = segmentRect(segment).adjusted(4, 0, -4, 0);
        const QString text = fontMetrics().elidedText(m_labels[segment], Qt::ElideRight, area.width());
        painter.setPen(segment == m_selected ? colours.highlightedText().color()
                                             : colours.buttonText().color());
        painter.drawText(area, Qt::AlignCenter | Qt::TextSingleLine, text);
    }

    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = segmentRect(std::max(m_selected, 0)).adjusted(2, 2, -2, -2);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

void SegmentedControl::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_pressed = segmentAt(event->position().toPoint());
    update();
}

void SegmentedControl::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    const int pressed = m_pressed;
    m_pressed = -1;
    update();
    // Released over the segment it was pressed on: a press dragged off is a change of mind.
    if (pressed >= 0 && segmentAt(event->position().toPoint()) == pressed) {
        choose(pressed);
    }
}

void SegmentedControl::mouseMoveEvent(QMouseEvent* event) {
    const int hovered = segmentAt(event->position().toPoint());
    if (hovered != m_hovered) {
        m_hovered = hovered;
        update();
    }
    QWidget::mouseMoveEvent(event);
}

void SegmentedControl::leaveEvent(QEvent* event) {
    m_hovered = -1;
    update();
    QWidget::leaveEvent(event);
}

void SegmentedControl::keyPressEvent(QKeyEvent* event) {
    const int count = segmentCount();
    if (count == 0) {
        QWidget::keyPressEvent(event);
        return;
    }
    const int current = std::max(m_selected, 0);
    switch (event->key()) {
    case Qt::Key_Left:
        choose(std::max(current - 1, 0));
        break;
    case Qt::Key_Right:
        choose(std::min(current + 1, count - 1));
        break;
    case Qt::Key_Home:
        choose(0);
        break;
    case Qt::Key_End:
        choose(count - 1);
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

} // namespace quillmere
