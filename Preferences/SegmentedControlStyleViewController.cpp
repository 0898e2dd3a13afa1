#include "Preferences/SegmentedControlStyleViewController.h"

#include "Preferences/SegmentedControl.h"

#include <QAction>
#include <QApplication>
#include <QFontMetricsF>
#include <QMenu>
#include <QWidgetAction>

#include <cmath>

namespace quillmere {

SegmentedControlStyleViewController::SegmentedControlStyleViewController(
    std::vector<PreferencePane*> preferencePanes, TitleMeasurement measurement, QObject* parent)
    : ViewController(parent), m_preferencePanes(std::move(preferencePanes)),
      m_measurement(std::move(measurement)) {
    if (!m_measurement) {
        m_measurement = [](const QString& title) {
            return QFontMetricsF(QApplication::font()).size(Qt::TextSingleLine, title);
        };
    }
}

SegmentedControlStyleViewController::~SegmentedControlStyleViewController() {
    if (m_groupItem) {
        m_groupItem->setMenu(nullptr);
    }
    delete m_menu;
}

QSizeF SegmentedControlStyleViewController::segmentSize() const {
    qreal width = 0;
    qreal height = 0;
    for (const PreferencePane* pane : m_preferencePanes) {
        const QSizeF title = m_measurement(pane->preferencePaneTitle());
        width = std::max(width, title.width());
        height = std::max(height, title.height());
    }
    return QSizeF(width + 36, height + 12);
}

QWidget* SegmentedControlStyleViewController::makeView() {
    return buildSegmentedControl();
}

SegmentedControl* SegmentedControlStyleViewController::segmentedControl() {
    return static_cast<SegmentedControl*>(view());
}

SegmentedControl* SegmentedControlStyleViewController::buildSegmentedControl() {
    auto* control = new SegmentedControl;
    const int count = static_cast<int>(m_preferencePanes.size());
    control->setSegmentCount(count);
    control->setObjectName(kControlIdentifier);
    connect(control, &SegmentedControl::segmentActivated, this,
            &SegmentedControlStyleViewController::segmentedControlAction);
    // Whole pixels, rounded up, so that no title is cut.
    const QSizeF size = segmentSize();
    const int segmentWidth = static_cast<int>(std::ceil(size.width()));
    control->setSegmentWidth(segmentWidth);
    control->setSegmentHeight(static_cast<int>(std::ceil(size.height())));
    control->setFixedSize(control->sizeHint());
    for (int i = 0; i < count; ++i) {
        control->setLabel(i, m_preferencePanes[i]->preferencePaneTitle());
    }
    control->setAccessibleName(tr("Preference panes"));
    return control;
}

QStringList SegmentedControlStyleViewController::itemIdentifiers() const {
    return {kToolbarFlexibleSpaceItemIdentifier, kItemIdentifier, kToolbarFlexibleSpaceItemIdentifier};
}

QAction* SegmentedControlStyleViewController::makeToolbarItem(const Preferences::PaneIdentifier& identifier) {
    if (identifier.rawValue != kItemIdentifier) {
        qFatal("Preferences: the segmented style has no toolbar item \"%s\"",
               qUtf8Printable(identifier.rawValue));
    }
    if (m_groupItem) {
        return m_groupItem;
    }
    m_groupItem = new QWidgetAction(this);
    m_groupItem->setObjectName(kItemIdentifier);
    m_groupItem->setDefaultWidget(segmentedControl());
    // The sub-items' menu forms: what the toolbar offers when it shows the group as a menu.
    m_menu = new QMenu;
    for (int i = 0; i < static_cast<int>(m_preferencePanes.size()); ++i) {
        const QString title = m_preferencePanes[i]->preferencePaneTitle();
        auto* item = new QAction(title, m_menu);
        item->setObjectName(kSegmentItemPrefix + title);
        item->setData(i);
        connect(item, &QAction::triggered, this, [this, item] { segmentedControlMenuAction(item); });
        m_menu->addAction(item);
    }
    m_groupItem->setMenu(m_menu);
    return m_groupItem;
}

QList<QAction*> SegmentedControlStyleViewController::segmentItems() const {
    return m_menu ? m_menu->actions() : QList<QAction*>();
}

void SegmentedControlStyleViewController::markSelected(int index) {
    if (index < 0 || index >= static_cast<int>(m_preferencePanes.size())) {
        qFatal("Preferences: pane index %d is outside the %d panes", index,
               static_cast<int>(m_preferencePanes.size()));
    }
    segmentedControl()->setSelectedSegment(index);
}

void SegmentedControlStyleViewController::segmentedControlAction(int selectedSegment) {
    if (PreferencesStyleControllerDelegate* target = delegate()) {
        target->switchToPane(selectedSegment, true);
    }
}

void SegmentedControlStyleViewController::segmentedControlMenuAction(QAction* menuItem) {
    if (PreferencesStyleControllerDelegate* target = delegate()) {
        target->switchToPane(menuItem->data().toInt(), true);
    }
}

} // namespace quillmere
