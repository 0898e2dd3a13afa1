#pragma once

#include "Preferences/PreferencesStyleController.h"

#include <QSizeF>

#include <functional>
#include <vector>

class QAction;
class QMenu;
class QWidgetAction;

namespace quillmere {

class SegmentedControl;

// The segmented-control style: one segmented control centred in the toolbar between two flexible
// spaces, one segment per pane, all segments as wide as the widest title needs. The window keeps
// its horizontal centre when it resizes. Its view, made on first use, is the segmented control.
class SegmentedControlStyleViewController final : public ViewController, public PreferencesStyleController {
    Q_OBJECT

public:
    // Measures a title as the control would draw it: width and height in device-independent
    // pixels.
    using TitleMeasurement = std::function<QSizeF(const QString& title)>;

    // The panes are the tab controller's and outlive this controller. Without a measurement,
    // titles are measured with the application font's metrics.
    explicit SegmentedControlStyleViewController(std::vector<PreferencePane*> preferencePanes,
                                                 TitleMeasurement measurement = {},
                                                 QObject* parent = nullptr);
    ~SegmentedControlStyleViewController() override;

    const std::vector<PreferencePane*>& preferencePanes() const { return m_preferencePanes; }

    // The size of every segment: the widest and the tallest title plus 36 × 12 (36 × 12 with no
    // panes).
    QSizeF segmentSize() const;
    // The control, made on first use.
    SegmentedControl* segmentedControl();

    bool keepsWindowCentered() const override { return true; }
    // A flexible space, "toolbarSegmentedControlItem", a flexible space.
    QStringList itemIdentifiers() const override;
    // The group item that shows the control, with one sub-item per pane ("segment-" and the pane's
    // title) whose menu form switches to that pane. Any identifier but
    // "toolbarSegmentedControlItem" is a caller's error: the program stops. Asking again gives the
    // same item.
    QAction* makeToolbarItem(const Preferences::PaneIdentifier& identifier) override;
    // Selects segment index.
    void markSelected(int index) override;

    // The group item's sub-items, once made.
    QList<QAction*> segmentItems() const;

    static inline const QString kItemIdentifier = QStringLiteral("toolbarSegmentedControlItem");
    static inline const QString kControlIdentifier = QStringLiteral("toolbarSegmentedControl");
    static inline const QString kSegmentItemPrefix = QStringLiteral("segment-");

public slots:
    // The user chose a segment: switch, animated, to that pane. Ignored once the delegate is gone.
    void segmentedControlAction(int selectedSegment);
    // A sub-item's menu form was chosen: switch, animated, to the pane its tag (data) names.
    void segmentedControlMenuAction(QAction* menuItem);

protected:
    QWidget* makeView() override;

private:
    SegmentedControl* buildSegmentedControl();

    std::vector<PreferencePane*> m_preferencePanes;
    TitleMeasurement m_measurement;
    QWidgetAction* m_groupItem = nullptr;
    QMenu* m_menu = nullptr;
};

} // namespace quillmere
