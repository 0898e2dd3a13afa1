#include "app/AppHeaderView.h"

#include "VexoWidgets/Appearance.h"
#include "VexoWidgets/TextStyles.h"
#include "app/PlainText.h"

#include "VexoExtensions/FileReading.h"
#include "VexoExtensions/InputLimits.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QBuffer>
#include <QImageReader>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>

namespace quillmere {

namespace {

QColor mix(const QColor& a, const QColor& b, double amount) {
    return QColor::fromRgbF(static_cast<float>(a.redF() + (b.redF() - a.redF()) * amount),
                            static_cast<float>(a.greenF() + (b.greenF() - a.greenF()) * amount),
                            static_cast<float>(a.blueF() + (b.blueF() - a.blueF()) * amount));
}

} // namespace

AppHeaderView::AppHeaderView(QObject* parent) : QStyledItemDelegate(parent) {}

QString AppHeaderView::versionLine(const QString& version) {
    return version.isEmpty() ? QString() : tr("Version %1").arg(version);
}

QString AppHeaderView::runningText() {
    return tr("Running");
}

QPixmap AppHeaderView::genericApplicationIcon(qreal devicePixelRatio) {
    // Our own drawing, so that it has exactly the size of real icons on every desktop (an icon
    // theme may hold only small sizes of its generic icon).
    const int pixels = qRound(kIconSize * devicePixelRatio);
    QPixmap pixmap(pixels, pixels);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF tile(1.5, 1.5, kIconSize - 3, kIconSize - 3);
    QLinearGradient fill(tile.topLeft(), tile.bottomLeft());
    fill.setColorAt(0, QColor(0x9a, 0xa0, 0xa6));
    fill.setColorAt(1, QColor(0x6b, 0x71, 0x78));
    painter.setPen(QPen(QColor(0x55, 0x5b, 0x61), 1));
    painter.setBrush(fill);
    painter.drawRoundedRect(tile, 7, 7);
    // A window: a frame with a title bar.
    const QRectF window(8, 10, kIconSize - 16, kIconSize - 19);
    painter.setPen(QPen(Qt::white, 1.6));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(window, 1.5, 1.5);
    painter.drawLine(QPointF(window.left(), window.top() + 3.5), QPointF(window.right(), window.top() + 3.5));
    return pixmap;
}

AppHeaderView::Look AppHeaderView::look(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    Look look;
    const QWidget* widget = option.widget;
    const QVariant decoration = index.data(Qt::DecorationRole);
    look.icon = decoration.canConvert<QPixmap>() ? decoration.value<QPixmap>() : QPixmap();
    if (look.icon.isNull() && !index.data(kIconPendingRole).toBool()) {
        look.icon = genericApplicationIcon(widget ? widget->devicePixelRatioF() : qApp->devicePixelRatio());
    }
    look.name = index.data(Qt::DisplayRole).toString();
    look.identifier = index.data(kIdentifierRole).toString();
    look.version = versionLine(index.data(kVersionRole).toString());
    look.badge = index.data(kRunningRole).toBool() ? runningText() : QString();

    look.nameFont = headlineFont(option.font);
    look.captionFont = captionFont(option.font);

    const QPalette& palette = option.palette;
    const QPalette::ColorGroup group = !(option.state & QStyle::State_Enabled) ? QPalette::Disabled
                                       : (option.state & QStyle::State_Active) ? QPalette::Active
                                                                               : QPalette::Inactive;
    const bool selected = option.state & QStyle::State_Selected;
    const bool listHasFocus = widget && widget->hasFocus();
    const QColor base = palette.color(group, QPalette::Base);
    const QColor running(0x2e, 0x7d, 0x32);
    if (selected && listHasFocus) {
        // The selection in full colour while the keyboard is in the list, muted otherwise: where the
        // focus is shows at a glance.
        look.background = readableOn(palette.color(group, QPalette::Highlight),
                                     palette.color(group, QPalette::HighlightedText));
        look.nameColor = readableOn(palette.color(group, QPalette::HighlightedText), look.background);
        look.captionColor = look.nameColor;
        look.badgeFillColor = look.nameColor;
        look.badgeColor = look.background;
    } else {
        look.background = selected ? mix(base, palette.color(group, QPalette::Text), 0.14) : base;
        look.nameColor = readableOn(palette.color(group, QPalette::Text), look.background);
        look.captionColor = secondaryTextColor(look.nameColor, look.background);
        look.badgeColor = QColor(Qt::white);
        look.badgeFillColor = readableOn(running, look.badgeColor);
    }
    // The current row of the list that has the keyboard, whatever the style makes of focus.
    const auto* view = qobject_cast<const QAbstractItemView*>(widget);
    look.focusRing = listHasFocus && view && view->currentIndex() == index;

    const QRect area = option.rect.adjusted(kMargin, kMargin, -kMargin, -kMargin);
    look.iconRect = QRect(area.left(), area.top() + (area.height() - kIconSize) / 2, kIconSize, kIconSize);
    const QFontMetrics nameMetrics(look.nameFont);
    const QFontMetrics captionMetrics(look.captionFont);
    const int textLeft = look.iconRect.right() + 1 + kSpacing;
    const int captionLines = look.version.isEmpty() ? 1 : 2;
    const int textHeight = nameMetrics.height() + captionLines * (1 + captionMetrics.height());
    const int top = area.top() + (area.height() - textHeight) / 2;
    const int textWidth = area.right() + 1 - textLeft;
    int nameWidth = textWidth;
    if (!look.badge.isEmpty()) {
        const int badgeWidth = captionMetrics.horizontalAdvance(look.badge) + 10;
        const int badgeHeight = captionMetrics.height() + 2;
        nameWidth = qMax(0, textWidth - badgeWidth - kSpacing);
        const int nameShown = qMin(nameWidth, nameMetrics.horizontalAdvance(look.name));
        look.badgeRect = QRect(textLeft + nameShown + kSpacing,
                               top + (nameMetrics.height() - badgeHeight) / 2, badgeWidth, badgeHeight);
    }
    look.nameRect = QRect(textLeft, top, nameWidth, nameMetrics.height());
    look.identifierRect = QRect(textLeft, look.nameRect.bottom() + 2, textWidth, captionMetrics.height());
    if (!look.version.isEmpty()) {
        look.versionRect =
            QRect(textLeft, look.identifierRect.bottom() + 2, textWidth, captionMetrics.height());
    }
    return look;
}

void AppHeaderView::paint(QPainter* painter, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const {
    const Look row = look(option, index);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(Qt::NoPen);
    painter->setBrush(row.background);
    painter->drawRoundedRect(QRectF(option.rect).adjusted(2, 1, -2, -1), 5, 5);

    const QSize iconPoints = row.icon.deviceIndependentSize().toSize();
    const QRect iconTarget(row.iconRect.center() - QPoint(iconPoints.width() / 2, iconPoints.height() / 2),
                           iconPoints);
    painter->drawPixmap(iconTarget, row.icon);

    painter->setFont(row.nameFont);
    painter->setPen(row.nameColor);
    painter->drawText(row.nameRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextDontClip,
                      QFontMetrics(row.nameFont)
                          .elidedText(shortenedForDisplay(row.name, qsizetype(4) * row.nameRect.width()),
                                      Qt::ElideRight, row.nameRect.width()));
    painter->setFont(row.captionFont);
    const QFontMetrics captionMetrics(row.captionFont);
    if (!row.badge.isEmpty()) {
        painter->setPen(Qt::NoPen);
        painter->setBrush(row.badgeFillColor);
        painter->drawRoundedRect(QRectF(row.badgeRect), row.badgeRect.height() / 2.0,
                                 row.badgeRect.height() / 2.0);
        painter->setPen(row.badgeColor);
        painter->drawText(row.badgeRect, Qt::AlignCenter | Qt::TextSingleLine | Qt::TextDontClip, row.badge);
    }
    painter->setPen(row.captionColor);
    painter->drawText(row.identifierRect,
                      Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextDontClip,
                      captionMetrics.elidedText(
                          shortenedForDisplay(row.identifier, qsizetype(4) * row.identifierRect.width()),
                          Qt::ElideMiddle, row.identifierRect.width()));
    if (!row.version.isEmpty()) {
        painter->drawText(row.versionRect,
                          Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextDontClip,
                          captionMetrics.elidedText(
                              shortenedForDisplay(row.version, qsizetype(4) * row.versionRect.width()),
                              Qt::ElideRight, row.versionRect.width()));
    }
    if (row.focusRing) {
        const QColor ring = option.state & QStyle::State_Selected
                                ? row.nameColor
                                : option.palette.color(QPalette::Active, QPalette::Highlight);
        // Inside the row's own background, so that it shows against the selection colour.
        painter->setPen(QPen(ring, 2));
        painter->setBrush(Qt::NoBrush);
        painter->drawRoundedRect(QRectF(option.rect).adjusted(5, 4, -5, -4), 4, 4);
    }
    painter->restore();
}

QSize AppHeaderView::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& /*index*/) const {
    // Every row leaves room for the version line, so that the rows are of one height.
    const int textHeight = QFontMetrics(headlineFont(option.font)).height() +
                           2 * (1 + QFontMetrics(captionFont(option.font)).height());
    return {kIconSize + kSpacing + 2 * kMargin + 120, qMax(kIconSize, textHeight) + 2 * kMargin};
}

QImage AppHeaderView::loadIcon(const QString& path) {
    if (path.isEmpty()) {
        return {};
    }
    const brisquel::vexo::Expected<QByteArray> bytes =
        brisquel::vexo::readRegularFile(path, brisquel::vexo::limits::kIconFileBytes);
    if (!bytes) {
        return {};
    }
    QBuffer buffer;
    buffer.setData(*bytes);
    buffer.open(QIODevice::ReadOnly);
    // A PNG file is read by the toolkit's own reader at once. Otherwise every image plug-in
    // installed is loaded to be asked whether it knows the bytes.
    static const QByteArray kPngSignature = QByteArrayLiteral("\x89PNG\r\n\x1a\n");
    const bool png = bytes->startsWith(kPngSignature);
    QImageReader reader(&buffer, png ? QByteArrayLiteral("png") : QByteArray());
    reader.setAutoDetectImageFormat(!png);
    const int pixels = kIconSize * 2;
    // A format that decodes at a smaller size does so (JPEG, SVG); PNG's reader would only scale
    // the whole image afterwards, by a slower path than the one below.
    if (const QSize size = reader.size(); !png && reader.supportsOption(QImageIOHandler::ScaledSize) &&
                                          size.isValid() &&
                                          (size.width() > pixels || size.height() > pixels)) {
        reader.setScaledSize(size.scaled(pixels, pixels, Qt::KeepAspectRatio));
    }
    QImage image = reader.read();
    if (image.isNull()) {
        return {};
    }
    // In the format a pixmap with transparency is drawn from, so that neither the smooth scaling
    // (which takes its quick path only for this format) nor the sidebar's pixmap converts it again.
    image.convertTo(QImage::Format_ARGB32_Premultiplied);
    if (image.width() > pixels || image.height() > pixels) {
        image = image.scaled(pixels, pixels, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    // Drawn at kIconSize points whatever its own size: a small image is scaled up, a large one
    // keeps its pixels for high-density screens.
    image.setDevicePixelRatio(qMax(image.width(), image.height()) / qreal(kIconSize));
    return image;
}

} // namespace quillmere
