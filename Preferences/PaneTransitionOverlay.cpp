#include "Preferences/PaneTransitionOverlay.h"

#include <QEvent>
#include <QPainter>

namespace quillmere {

PaneTransitionOverlay::PaneTransitionOverlay(QPixmap from, QPixmap to, TransitionOptions options,
                                             bool centred, QWidget* parent)
    : QWidget(parent), m_from(std::move(from)), m_to(std::move(to)), m_options(options), m_centred(centred) {
    setAutoFillBackground(true);
    setGeometry(parent->rect());
    parent->installEventFilter(this);
    raise();
}

void PaneTransitionOverlay::setProgress(qreal progress) {
    m_progress = std::clamp(progress, 0.0, 1.0);
    update();
}

bool PaneTransitionOverlay::eventFilter(QObject* watched, QEvent* event) {
    // The area grows or shrinks with the window; the overlay keeps covering all of it.
    if (watched == parent() && event->type() == QEvent::Resize) {
        setGeometry(parentWidget()->rect());
    }
    return QWidget::eventFilter(watched, event);
}

void PaneTransitionOverlay::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const qreal t = m_progress;
    const unsigned options = m_options.toInt();
    const bool fades = options & static_cast<unsigned>(TransitionOption::crossfade);
    const bool rightToLeft = layoutDirection() == Qt::RightToLeft;

    // Where each picture stands at progress t: slides move the old one out and the new one in.
    QPointF fromOffset;
    QPointF toOffset;
    const qreal w = width();
    const qreal h = height();
    bool left = (options & 0x40) && !(options & 0x100);
    bool right = (options & 0x80) && !(options & 0x100);
    if ((options & 0x140) == 0x140) {
        (rightToLeft ? right : left) = true;
    } else if ((options & 0x180) == 0x180) {
        (rightToLeft ? left : right) = true;
    }
    if (left) {
        fromOffset = {-t * w, 0};
        toOffset = {(1 - t) * w, 0};
    } else if (right) {
        fromOffset = {t * w, 0};
        toOffset = {-(1 - t) * w, 0};
    } else if (options & 0x10) {
        fromOffset = {0, -t * h};
        toOffset = {0, (1 - t) * h};
    } else if (options & 0x20) {
        fromOffset = {0, t * h};
        toOffset = {0, -(1 - t) * h};
    }

    const auto anchor = [&](const QPixmap& picture) {
        const qreal pictureWidth = picture.width() / picture.devicePixelRatio();
        return QPointF(m_centred ? (w - pictureWidth) / 2 : 0, 0);
    };
    painter.setOpacity(fades ? 1 - t : 1);
    painter.drawPixmap(anchor(m_from) + fromOffset, m_from);
    painter.setOpacity(fades ? t : 1);
    painter.drawPixmap(anchor(m_to) + toOffset, m_to);
}

} // namespace quillmere
