#pragma once

#include "Preferences/Section.h"

#include <QLayout>
#include <QList>

class QWidgetItem;

namespace quillmere::Preferences {

// The layout of a Container: rows of a label and a column of content, a label column whose right
// edge all labels share, dividers between rows, and fixed margins.
//
// Geometry, with W the content width and L the widest label's width (its size hint):
// - the column of rows is W wide, 30 pixels from the left and right edges and 20 from the top and
//   bottom: the layout is W + 60 wide, as tall as its rows need. When the label column and a
//   section's content (at its own width; wrapping text and stretching widgets at their least)
//   need more than W, the column widens to hold them: nothing is cut short;
// - the label edge lies E to the right of the column's left edge, where E is L, or the larger of
//   L and the minimum label width when any divider is drawn (a divider starts at the left edge of
//   the label column, E to the left of the label edge);
// - each label's right edge is on the label edge; the content starts kSpacing after it; a content
//   widget that expands horizontally, or whose height depends on its width, takes the rest of the
//   column, any other its own width (never more than the rest);
// - rows, and the widgets within a row's content, are kSpacing apart; a divider row is W wide and
//   20 tall, its line centred, kSpacing from the rows around it;
// - within a row, label and content line up by the section's vertical alignment.
// Hidden widgets take no room. A label whose width changes moves the label edge for every row at
// the next layout.
class SectionLayout final : public QLayout {
    Q_OBJECT

public:
    static constexpr int kSpacing = 8;
    static constexpr int kVerticalMargin = 20;
    static constexpr int kHorizontalMargin = 30;
    static constexpr int kDividerHeight = 20;

    SectionLayout(qreal contentWidth, qreal minimumLabelWidth, QWidget* parent);
    ~SectionLayout() override;

    // Adds a row; divider (may be null) is the widget drawn below it.
    void addRow(QWidget* label, const QList<QWidget*>& content, VerticalAlignment alignment,
                QWidget* divider);

    qreal contentWidth() const { return m_contentWidth; }
    qreal minimumLabelWidth() const { return m_minimumLabelWidth; }
    // The widest label's width now (0 with no labels).
    int maximumLabelWidth() const;
    // The label edge's distance from the column's left edge (E above).
    int labelColumnWidth() const;
    // The column's width: W, or more when a label and its content need more (see above).
    int columnWidth() const;

    void addItem(QLayoutItem* item) override;
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    int count() const override;
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    QSize maximumSize() const override;
    Qt::Orientations expandingDirections() const override;
    void setGeometry(const QRect& rect) override;
    void invalidate() override;

private:
    struct Row {
        QWidgetItem* label = nullptr;
        QList<QWidgetItem*> content;
        VerticalAlignment alignment = VerticalAlignment::firstTextBaseline;
        QWidgetItem* divider = nullptr;
    };

    // Lays the rows out from the top-left corner origin; places the widgets when apply is set.
    // Returns the height used.
    int arrange(QPoint origin, bool apply) const;
    QList<QWidgetItem*> items() const;
    int labelColumnWidth(int widest) const;

    qreal m_contentWidth;
    qreal m_minimumLabelWidth;
    QList<Row> m_rows;
    mutable int m_cachedHeight = -1;
    mutable int m_cachedColumnWidth = -1;
};

} // namespace quillmere::Preferences
