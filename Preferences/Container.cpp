#include "Preferences/Container.h"

#include "Preferences/SectionLayout.h"

#include <QFrame>

namespace quillmere::Preferences {

Container::Container(qreal contentWidth, SectionBuilder sections, QWidget* parent)
    : Container(contentWidth, 0, std::move(sections), parent) {}

Container::Container(qreal contentWidth, qreal minimumLabelWidth, SectionBuilder sections, QWidget* parent)
    : QWidget(parent), m_layout(new SectionLayout(contentWidth, minimumLabelWidth, this)),
      m_sectionCount(static_cast<int>(sections.size())) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    for (int i = 0; i < m_sectionCount; ++i) {
        const Section& section = sections[static_cast<size_t>(i)];
        QFrame* divider = nullptr;
        // No divider closes the column.
        if (section.bottomDivider() && i + 1 < m_sectionCount) {
            divider = new QFrame(this);
            divider->setFrameShape(QFrame::HLine);
            divider->setFrameShadow(QFrame::Sunken);
            divider->setObjectName(QStringLiteral("sectionDivider"));
            // The line is drawn across the middle of its 20-pixel row.
            divider->setFixedHeight(SectionLayout::kDividerHeight);
            m_dividers.append(divider);
        }
        m_layout->addRow(section.label(), section.content(), section.verticalAlignment(), divider);
    }
}

qreal Container::contentWidth() const {
    return m_layout->contentWidth();
}

qreal Container::minimumLabelWidth() const {
    return m_layout->minimumLabelWidth();
}

qreal Container::maximumLabelWidth() const {
    return m_layout->maximumLabelWidth();
}

int Container::labelEdge() const {
    return m_layout->contentsRect().left() + SectionLayout::kHorizontalMargin + m_layout->labelColumnWidth();
}

} // namespace quillmere::Preferences
