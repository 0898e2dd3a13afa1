#include "app/ApplicationIcon.h"

#include "app/AppIdentity.h"

#include <QIconEngine>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace quillmere {

QPixmap drawnApplicationIcon(int size, qreal devicePixelRatio) {
    QPixmap pixmap(qRound(size * devicePixelRatio), qRound(size * devicePixelRatio));
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    // Drawn on a 64-unit grid.
    painter.scale(size / 64.0, size / 64.0);

    const QRectF tile(3, 3, 58, 58);
    QLinearGradient fill(tile.topLeft(), tile.bottomRight());
    fill.setColorAt(0, QColor(0x2b, 0x4c, 0x9b));
    fill.setColorAt(1, QColor(0x12, 0x2a, 0x5c));
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(tile, 13, 13);

    // The line of ink the quill has written.
    painter.setPen(QPen(QColor(0x8f, 0xd3, 0xff), 3, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(12, 50), QPointF(34, 50));

    // The feather: a curved vane from the tip (lower left) to the top right.
    QPainterPath vane;
    vane.moveTo(17, 47);
    vane.cubicTo(20, 30, 34, 14, 52, 10);
    vane.cubicTo(50, 22, 40, 36, 22, 44);
    vane.closeSubpath();
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(Qt::white));
    painter.drawPath(vane);
    // Its shaft, darker against the vane.
    painter.setPen(QPen(QColor(0x2b, 0x4c, 0x9b), 1.6, Qt::SolidLine, Qt::RoundCap));
    painter.setBrush(Qt::NoBrush);
    QPainterPath shaft;
    shaft.moveTo(15, 50);
    shaft.cubicTo(24, 36, 36, 22, 50, 12);
    painter.drawPath(shaft);
    return pixmap;
}

namespace {

// Draws the icon at whatever size is asked for, only when it is asked for.
class DrawnIconEngine final : public QIconEngine {
public:
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode /*mode*/, QIcon::State /*state*/) override {
        painter->drawPixmap(
            rect, drawnApplicationIcon(qMin(rect.width(), rect.height()),
                                       painter->device() ? painter->device()->devicePixelRatioF() : 1.0));
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode /*mode*/, QIcon::State /*state*/) override {
        return drawnApplicationIcon(qMin(size.width(), size.height()));
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode /*mode*/, QIcon::State /*state*/,
                         qreal scale) override {
        return drawnApplicationIcon(qMin(size.width(), size.height()), scale);
    }
    // The sizes a window system is given for a window's icon.
    QList<QSize> availableSizes(QIcon::Mode /*mode*/, QIcon::State /*state*/) override {
        return {QSize(16, 16), QSize(32, 32), QSize(48, 48), QSize(64, 64)};
    }
    QIconEngine* clone() const override { return new DrawnIconEngine; }
    QString key() const override { return QStringLiteral("QuillmereDrawnIcon"); }
};

} // namespace

QIcon applicationIcon() {
    QIcon themed = QIcon::fromTheme(applicationBundleIdentifier());
    if (!themed.isNull()) {
        return themed;
    }
    return QIcon(new DrawnIconEngine);
}

} // namespace quillmere
