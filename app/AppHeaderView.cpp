#include "app/AppHeaderView.h"

#include "app/Appearance.h"

#include <QApplication>
#include <QIcon>
#include <QImageReader>
#include <QPainter>
#include <QStyle>

namespace quillmere {

AppHeaderView::AppHeaderView(QObject* parent) : QStyledItemDelegate(parent) {}

QPixmap AppHeaderView::genericApplicationIcon(const QWidget* widget) {
    QIcon icon = QIcon::fromTheme(QStringLiteral("application-x-executable"));
    if (icon.isNull()) {
        const QStyle* style = widget ? widget->style() : QApplication::style();
        icon = style->standardIcon(QStyle::SP_DesktopIcon, nullptr, widget);
    }
    return icon.pixmap(QSize(iconSize, iconSize),
                       widget ? widget->devicePixelRatioF() : qApp->devicePixelRatio());
}

AppHeaderView::Look AppHeaderView::look(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    Look look;
    const QWidget* widget = option.widget;
    const QVariant decoration = index.data(Qt::DecorationRole);
    look.icon = decoration.canConvert<QPixmap>() ? decoration.value<QPixmap>() : QPixmap();
    if (look.icon.isNull()) {
        look.icon = genericApplicationIcon(widget);
    }
    look.name = index.data(Qt::DisplayRole).toString();
    look.identifier = index.data(IdentifierRole).toString();

    look.nameFont = headlineFont(option.font);
    look.identifierFont = captionFont(option.font);

    const bool selected = option.state & QStyle::State_Selected;
    const QPalette::ColorGroup group = !(option.state & QStyle::State_Enabled) ? QPalette::Disabled
                                       : (option.state & QStyle::State_Active) ? QPalette::Active
                                                                               : QPalette::Inactive;
    if (selected) {
        look.nameColor = option.palette.color(group, QPalette::HighlightedText);
        look.identifierColor = look.nameColor;
        look.identifierColor.setAlphaF(0.85);
    } else {
        look.nameColor = option.palette.color(group, QPalette::Text);
        look.identifierColor =
            secondaryTextColor(look.nameColor, option.palette.color(group, QPalette::Base));
    }

    const QRect area = option.rect.adjusted(margin, margin, -margin, -margin);
    look.iconRect = QRect(area.left(), area.top() + (area.height() - iconSize) / 2, iconSize, iconSize);
    const QFontMetrics nameMetrics(look.nameFont);
    const QFontMetrics identifierMetrics(look.identifierFont);
    const int textLeft = look.iconRect.right() + 1 + spacing;
    const int textHeight = nameMetrics.height() + 1 + identifierMetrics.height();
    const int top = area.top() + (area.height() - textHeight) / 2;
    look.nameRect = QRect(textLeft, top, area.right() + 1 - textLeft, nameMetrics.height());
    look.identifierRect =
        QRect(textLeft, look.nameRect.bottom() + 2, look.nameRect.width(), identifierMetrics.height());
    return look;
}

void AppHeaderView::paint(QPainter* painter, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const {
    QStyleOptionViewItem panel = option;
    initStyleOption(&panel, index);
    // The style draws the row's background and selection; the row draws its own contents.
    panel.text.clear();
    panel.icon = QIcon();
    const QStyle* style = option.widget ? option.widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &panel, painter, option.widget);

    const Look row = look(option, index);
    painter->save();
    const QSize iconPoints = row.icon.deviceIndependentSize().toSize();
    const QRect iconTarget(row.iconRect.center() - QPoint(iconPoints.width() / 2, iconPoints.height() / 2),
                           iconPoints);
    painter->drawPixmap(iconTarget, row.icon);
    painter->setFont(row.nameFont);
    painter->setPen(row.nameColor);
    painter->drawText(row.nameRect, Qt::AlignLeft | Qt::AlignVCenter,
                      QFontMetrics(row.nameFont).elidedText(row.name, Qt::ElideRight, row.nameRect.width()));
    painter->setFont(row.identifierFont);
    painter->setPen(row.identifierColor);
    painter->drawText(row.identifierRect, Qt::AlignLeft | Qt::AlignVCenter,
                      QFontMetrics(row.identifierFont)
                          .elidedText(row.identifier, Qt::ElideMiddle, row.identifierRect.width()));
    if (option.state & QStyle::State_HasFocus) {
        QStyleOptionFocusRect focus;
        focus.QStyleOption::operator=(option);
        focus.backgroundColor = option.palette.color(QPalette::Highlight);
        style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, option.widget);
    }
    painter->restore();
}

QSize AppHeaderView::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
    const int textHeight = QFontMetrics(headlineFont(option.font)).height() + 1 +
                           QFontMetrics(captionFont(option.font)).height();
    return {iconSize + spacing + 2 * margin + 120, qMax(iconSize, textHeight) + 2 * margin};
}

QImage AppHeaderView::loadIcon(const QString& path) {
    if (path.isEmpty()) {
        return {};
    }
    QImageReader reader(path);
    const QSize size = reader.size();
    const int pixels = iconSize * 2;
    if (size.isValid() && (size.width() > pixels || size.height() > pixels)) {
        reader.setScaledSize(size.scaled(pixels, pixels, Qt::KeepAspectRatio));
    }
    QImage image = reader.read();
    if (image.isNull()) {
        return {};
    }
    if (image.width() > pixels || image.height() > pixels) {
        image = image.scaled(pixels, pixels, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    if (image.width() > iconSize || image.height() > iconSize) {
        image.setDevicePixelRatio(qMax(image.width(), image.height()) / qreal(iconSize));
    }
    return image;
}

} // namespace quillmere
