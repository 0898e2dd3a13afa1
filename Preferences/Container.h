#pragma once

#include "Preferences/Section.h"

#include <QList>
#include <QWidget>

#include <vector>

class QFrame;

namespace quillmere::Preferences {

class SectionLayout;

// The sections of a pane, gathered in the order written: a braced list of Section values.
using SectionBuilder = std::vector<Section>;

// A pane's settings laid out as a column of sections: labels right-aligned against one column
// edge, each section's content just after that edge, a divider below each section that asks for
// one (except the last), 20 pixels above and below and 30 left and right. Written as one
// expression:
//
//   new Container(400, {
//       Section(tr("Startup:"), {launchAtLogin, openWindow}, {.bottomDivider = true}),
//       Section(tr("Updates:"), {checkAutomatically, preferenceDescription(tr("..."))}),
//   });
//
// The container is contentWidth + 60 wide (wider only when a label and its section's content
// could not fit otherwise: nothing is cut short) and as tall as its sections need; it takes the
// sections' widgets as its children. Sections are laid out once, as given: a widget shown, hidden
// or resized later (a label whose text grows) is laid out again at once, and the label column
// follows the widest label. A container without sections is just its margins.
class Container final : public QWidget {
    Q_OBJECT

public:
    Container(qreal contentWidth, SectionBuilder sections, QWidget* parent = nullptr);
    Container(qreal contentWidth, qreal minimumLabelWidth, SectionBuilder sections,
              QWidget* parent = nullptr);

    qreal contentWidth() const;
    // The label column's least width when dividers are placed (0 when not given).
    qreal minimumLabelWidth() const;
    // The widest label as last measured.
    qreal maximumLabelWidth() const;
    // The labels' common right edge, in the container's coordinates.
    int labelEdge() const;

    int sectionCount() const { return m_sectionCount; }
    // The dividers drawn, top to bottom.
    QList<QFrame*> dividers() const { return m_dividers; }

private:
    SectionLayout* m_layout;
    int m_sectionCount;
    QList<QFrame*> m_dividers;
};

} // namespace quillmere::Preferences
