#pragma once

#include "core/AppFinder.h"

#include <QFont>
#include <QImage>
#include <QPixmap>
#include <QRect>
#include <QStyledItemDelegate>

namespace quillmere {

// One sidebar row: the version's icon, its display name in the headline font and its bundle
// identifier as a caption below it.
//
// The sidebar's list draws its rows through this view (a list delegate), so twenty rows cost no
// more than their painting. Each row's item carries the version: its display name as the item's
// text (which also serves type-ahead and assistive tools), the bundle identifier under
// IdentifierRole and the icon as the item's decoration.
class AppHeaderView final : public QStyledItemDelegate {
    Q_OBJECT

public:
    // The item data role that holds the bundle identifier.
    static constexpr int IdentifierRole = Qt::UserRole + 1;
    // The icon is drawn at this size (the size the platform gives application icons).
    static constexpr int iconSize = 32;
    static constexpr int margin = 6;
    static constexpr int spacing = 8;

    explicit AppHeaderView(QObject* parent = nullptr);

    // Everything a row shows, and where, for the given place and state.
    struct Look {
        QPixmap icon;
        QRect iconRect;
        QString name;
        QFont nameFont;
        QColor nameColor;
        QRect nameRect;
        QString identifier;
        QFont identifierFont;
        QColor identifierColor;
        QRect identifierRect;
    };
    Look look(const QStyleOptionViewItem& option, const QModelIndex& index) const;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // Reads an icon file into an image of at most iconSize points (at twice the pixels, for
    // sharp high-density screens); a null image when the file is missing or unreadable. Safe to
    // call away from the GUI thread.
    static QImage loadIcon(const QString& path);
    // The icon shown for a version whose bundle names no readable icon.
    static QPixmap genericApplicationIcon(const QWidget* widget);
};

} // namespace quillmere
