#include "Preferences/SectionLayout.h"

#include <QLabel>
#include <QWidget>

#include <cmath>

namespace quillmere::Preferences {

namespace {

int rounded(qreal value) {
    return static_cast<int>(std::ceil(value - 1e-9));
}

bool isMultiLine(const QWidget* widget) {
    const auto* label = qobject_cast<const QLabel*>(widget);
    return label && (label->wordWrap() || label->text().contains(QLatin1Char('\n')));
}

// The distance from a widget's top to the baseline of its first line of text, at a height. Text
// in a one-line control is centred vertically; a wrapped label starts at its top.
int firstBaseline(const QWidget* widget, int height) {
    const QFontMetrics metrics = widget->fontMetrics();
    if (isMultiLine(widget)) {
        const auto* label = static_cast<const QLabel*>(widget);
        return label->contentsMargins().top() + label->margin() + metrics.ascent();
    }
    return (height - metrics.height()) / 2 + metrics.ascent();
}

int lastBaseline(const QWidget* widget, int height) {
    const QFontMetrics metrics = widget->fontMetrics();
    if (isMultiLine(widget)) {
        const auto* label = static_cast<const QLabel*>(widget);
        return height - label->contentsMargins().bottom() - label->margin() - metrics.descent();
    }
    return firstBaseline(widget, height);
}

QSize boundedHint(const QWidgetItem* item) {
    return item->sizeHint().expandedTo(item->minimumSize()).boundedTo(item->maximumSize());
}

} // namespace

SectionLayout::SectionLayout(qreal contentWidth, qreal minimumLabelWidth, QWidget* parent)
    : QLayout(parent), m_contentWidth(std::max<qreal>(contentWidth, 0)),
      m_minimumLabelWidth(std::max<qreal>(minimumLabelWidth, 0)) {
    setContentsMargins(0, 0, 0, 0);
    setSizeConstraint(QLayout::SetFixedSize);
}

SectionLayout::~SectionLayout() {
    for (QWidgetItem* item : items()) {
        delete item;
    }
}

void SectionLayout::addRow(QWidget* label, const QList<QWidget*>& content, VerticalAlignment alignment,
                           QWidget* divider) {
    Row row;
    row.alignment = alignment;
    if (label) {
        addChildWidget(label);
        row.label = new QWidgetItemV2(label);
    }
    for (QWidget* widget : content) {
        addChildWidget(widget);
        row.content.append(new QWidgetItemV2(widget));
    }
    if (divider) {
        addChildWidget(divider);
        row.divider = new QWidgetItemV2(divider);
    }
    m_rows.append(row);
    invalidate();
}

void SectionLayout::addItem(QLayoutItem* item) {
    // A widget added the plain way becomes a row of content without a label.
    QWidget* widget = item->widget();
    delete item;
    if (widget) {
        addRow(nullptr, {widget}, VerticalAlignment::top, nullptr);
    }
}

QList<QWidgetItem*> SectionLayout::items() const {
    QList<QWidgetItem*> all;
    for (const Row& row : m_rows) {
        if (row.label) {
            all.append(row.label);
        }
        all.append(row.content);
        if (row.divider) {
            all.append(row.divider);
        }
    }
    return all;
}

QLayoutItem* SectionLayout::itemAt(int index) const {
    const QList<QWidgetItem*> all = items();
    return index >= 0 && index < all.size() ? all[index] : nullptr;
}

QLayoutItem* SectionLayout::takeAt(int index) {
    QWidgetItem* item = static_cast<QWidgetItem*>(itemAt(index));
    if (!item) {
        return nullptr;
    }
    for (Row& row : m_rows) {
        if (row.label == item) {
            row.label = nullptr;
        } else if (row.divider == item) {
            row.divider = nullptr;
        } else {
            row.content.removeOne(item);
        }
    }
    invalidate();
    return item;
}

int SectionLayout::count() const {
    return static_cast<int>(items().size());
}

int SectionLayout::maximumLabelWidth() const {
    int widest = 0;
    for (const Row& row : m_rows) {
        if (row.label && !row.label->isEmpty()) {
            widest = std::max(widest, boundedHint(row.label).width());
        }
    }
    return widest;
}

int SectionLayout::labelColumnWidth() const {
    return labelColumnWidth(maximumLabelWidth());
}

int SectionLayout::labelColumnWidth(int widest) const {
    for (const Row& row : m_rows) {
        if (row.divider && !row.divider->isEmpty()) {
            return std::max(widest, rounded(m_minimumLabelWidth));
        }
    }
    return widest;
}

int SectionLayout::arrange(QPoint origin, bool apply) const {
    const int columnWidth = this->columnWidth();
    const int left = origin.x() + kHorizontalMargin;
    // Each widget's hints are asked once here; items keep them until the layout is invalidated.
    const int widest = maximumLabelWidth();
    const int labelColumn = labelColumnWidth(widest);
    const int dividerColumn = std::max(widest, rounded(m_minimumLabelWidth));
    const int labelEdge = left + labelColumn;
    const int contentLeft = labelEdge + kSpacing;
    const int available = std::max(0, left + columnWidth - contentLeft);

    int y = origin.y() + kVerticalMargin;
    bool first = true;
    for (const Row& row : m_rows) {
        const bool hasLabel = row.label && !row.label->isEmpty();
        QList<QPair<QWidgetItem*, QSize>> content;
        for (QWidgetItem* item : row.content) {
            if (item->isEmpty()) {
                continue;
            }
            const QSize hint = boundedHint(item);
            const bool fills = (item->expandingDirections() & Qt::Horizontal) || item->hasHeightForWidth();
            const int width = std::clamp(fills ? available : std::min(hint.width(), available),
                                         std::min(item->minimumSize().width(), available),
                                         std::max(0, item->maximumSize().width()));
            int height = hint.height();
            if (item->hasHeightForWidth()) {
                height = std::clamp(item->heightForWidth(width), item->minimumSize().height(),
                                    item->maximumSize().height());
            }
            content.append({item, QSize(width, height)});
        }
        if (!hasLabel && content.isEmpty()) {
            continue;
        }
        if (!first) {
            y += kSpacing;
        }
        first = false;

        int contentHeight = 0;
        for (int i = 0; i < content.size(); ++i) {
            contentHeight += content[i].second.height() + (i > 0 ? kSpacing : 0);
        }
        const QSize labelSize = hasLabel ? boundedHint(row.label) : QSize(0, 0);

        // Where label and content start below the row's top, by the alignment.
        int labelTop = 0;
        int contentTop = 0;
        if (hasLabel && !content.isEmpty()) {
            int offset = 0; // content top minus label top
            switch (row.alignment) {
            case VerticalAlignment::top:
                break;
            case VerticalAlignment::center:
                offset = (labelSize.height() - contentHeight) / 2;
                break;
            case VerticalAlignment::bottom:
                offset = labelSize.height() - contentHeight;
                break;
            case VerticalAlignment::firstTextBaseline: {
                const auto& [item, size] = content.first();
                offset = firstBaseline(row.label->widget(), labelSize.height()) -
                         firstBaseline(item->widget(), size.height());
                break;
            }
            case VerticalAlignment::lastTextBaseline: {
                const auto& [item, size] = content.last();
                offset = lastBaseline(row.label->widget(), labelSize.height()) -
                         (contentHeight - size.height() + lastBaseline(item->widget(), size.height()));
                break;
            }
            }
            labelTop = std::max(0, -offset);
            contentTop = std::max(0, offset);
        }
        const int rowHeight = std::max(labelTop + labelSize.height(), contentTop + contentHeight);

        if (apply) {
            if (hasLabel) {
                row.label->setGeometry(QRect(QPoint(labelEdge - labelSize.width(), y + labelTop), labelSize));
            }
            int contentY = y + contentTop;
            for (const auto& [item, size] : content) {
                item->setGeometry(QRect(QPoint(contentLeft, contentY), size));
                contentY += size.height() + kSpacing;
            }
        }
        y += rowHeight;

        if (row.divider && !row.divider->isEmpty()) {
            y += kSpacing;
            if (apply) {
                // The divider starts the label column's width to the left of the label edge.
                const int start = labelEdge - dividerColumn;
                row.divider->setGeometry(QRect(start, y, columnWidth, kDividerHeight));
            }
            y += kDividerHeight;
        }
    }
    return y + kVerticalMargin - origin.y();
}

int SectionLayout::columnWidth() const {
    if (m_cachedColumnWidth >= 0) {
        return m_cachedColumnWidth;
    }
    // The column never cuts a label or a control short: content that cannot fit after the label
    // column widens it. Wrapping text and widgets that stretch take what is left.
    const int labelColumn = labelColumnWidth();
    int widestContent = 0;
    for (const Row& row : m_rows) {
        for (const QWidgetItem* item : row.content) {
            if (item->isEmpty()) {
                continue;
            }
            const bool fills = (item->expandingDirections() & Qt::Horizontal) || item->hasHeightForWidth();
            widestContent =
                std::max(widestContent, fills ? item->minimumSize().width() : boundedHint(item).width());
        }
    }
    m_cachedColumnWidth =
        std::max(rounded(m_contentWidth), labelColumn + (widestContent > 0 ? kSpacing : 0) + widestContent);
    return m_cachedColumnWidth;
}

QSize SectionLayout::sizeHint() const {
    if (m_cachedHeight < 0) {
        m_cachedHeight = arrange(QPoint(0, 0), false);
    }
    return QSize(columnWidth() + 2 * kHorizontalMargin, m_cachedHeight);
}

QSize SectionLayout::minimumSize() const {
    return sizeHint();
}

QSize SectionLayout::maximumSize() const {
    return sizeHint();
}

Qt::Orientations SectionLayout::expandingDirections() const {
    return {};
}

void SectionLayout::invalidate() {
    m_cachedHeight = -1;
    m_cachedColumnWidth = -1;
    QLayout::invalidate();
}

void SectionLayout::setGeometry(const QRect& rect) {
    QLayout::setGeometry(rect);
    arrange(rect.topLeft(), true);
}

} // namespace quillmere::Preferences
