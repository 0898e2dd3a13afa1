#pragma once

#include <QFont>
#include <QImage>
#include <QPixmap>
#include <QRect>
#include <QStyledItemDelegate>

namespace quillmere {

// One sidebar row: the copy's icon; its display name in the headline font, with a "Running"
// badge while it runs; below it, as captions, the bundle identifier and "Version 16.2".
//
// The sidebar's list draws its rows through this view (a list delegate), so twenty rows cost no
// more than their painting. Each row's item carries the copy: its display name as the item's text
// (which also serves type-ahead and assistive tools), the bundle identifier, the version text and
// whether it runs under the roles below, and the icon as the item's decoration. A copy whose bundle
// names no readable icon gets a generic application icon, drawn at the size of real icons.
//
// Every text is drawn as it stands (never as markup), shortened with an ellipsis when the row is
// too narrow for it.
class AppHeaderView final : public QStyledItemDelegate {
    Q_OBJECT

public:
    static constexpr int kIdentifierRole = Qt::UserRole + 1;
    static constexpr int kVersionRole = Qt::UserRole + 2;
    static constexpr int kRunningRole = Qt::UserRole + 3;
    // True while the row's icon is being decoded: its place stays empty rather than showing the
    // generic icon for a moment.
    static constexpr int kIconPendingRole = Qt::UserRole + 4;
    // The icon is drawn at this size (the size the platform gives application icons).
    static constexpr int kIconSize = 32;
    static constexpr int kMargin = 6;
    static constexpr int kSpacing = 8;

    explicit AppHeaderView(QObject* parent = nullptr);

    // Everything a row shows, and where, for the given place and state.
    struct Look {
        QPixmap icon;
        QRect iconRect;
        QString name;
        QFont nameFont;
        QColor nameColor;
        QRect nameRect;
        // Empty while the copy is not running.
        QString badge;
        QRect badgeRect;
        QColor badgeColor;     // the badge's text
        QColor badgeFillColor; // behind it
        QString identifier;
        QString version;
        QFont captionFont;
        QColor captionColor;
        QRect identifierRect;
        QRect versionRect;
        QColor background;
        bool focusRing = false;
    };
    Look look(const QStyleOptionViewItem& option, const QModelIndex& index) const;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // "Version 16.2"; empty for an empty version text.
    static QString versionLine(const QString& version);
    static QString runningText();

    // Reads an icon file into an image of at most kIconSize points (at twice the pixels, for sharp
    // high-density screens); a null image when the file is missing, is no regular file (a FIFO
    // never holds the reader up), is too large or is not an image. Safe away from the GUI thread.
    static QImage loadIcon(const QString& path);
    // The icon shown for a copy whose bundle names no readable icon, kIconSize points square.
    static QPixmap genericApplicationIcon(qreal devicePixelRatio);
};

} // namespace quillmere
