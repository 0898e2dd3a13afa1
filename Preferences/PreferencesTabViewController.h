#pragma once

#include "Preferences/PaneTransitionOverlay.h"
#include "Preferences/PreferencePane.h"
#include "Preferences/PreferencesStyleController.h"

#include <QEasingCurve>
#include <QMainWindow>
#include <QPointer>
#include <QRect>
#include <QToolBar>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QAction;
class QTimer;
class QVariantAnimation;
class QVBoxLayout;

namespace quillmere {

class PaneTransitionOverlay;

// The content of a preferences window: shows one pane at a time, switches panes from the toolbar
// (in one of the two styles), and fits the window to the shown pane.
//
// Its view is a plain widget whose only shown child is the shown pane's view, which fills it (the
// pane's view is "pinned": it sits in the view's layout, with no margins). The other panes' views,
// once made, stay children of the view, hidden.
//
// Switching: the first pane shown is put in place and the window sized to it at once. Later
// switches, when both the call and the controller allow animation, crossfade the two panes in
// 0.25 s, ease-in-ease-out, while the window resizes to the new pane along the same curve; without
// animation the new pane replaces the old one at once and the window takes its size at once. The
// window keeps its top edge, and its left edge or (segmented style) its horizontal centre. A
// switch that arrives while another one is animating first completes the running one.
//
// The window is sized to a pane's fitting size (see fittingSize): the frame holds the pane and, when
// shown, the toolbar. When the shown pane's size needs change later (a label grows), the window
// follows at once.
//
// Appearance: the shown pane hears viewDidAppear when its view comes on screen in a shown window
// (the first show, the end of a switch, the window shown again) and viewWillDisappear when it
// goes off (the start of a switch away, the window hidden or closed). The two always alternate.
//
// Caller's errors stop the program with a message: installing panes twice, or without the view
// in a main window, or with no panes; an index outside the pane list.
class PreferencesTabViewController final : public ViewController, public PreferencesStyleControllerDelegate {
    Q_OBJECT

public:
    static constexpr int kTransitionMilliseconds = 250;

    explicit PreferencesTabViewController(QObject* parent = nullptr);
    ~PreferencesTabViewController() override;

    // The index of the pane on screen; none until the first pane is shown.
    std::optional<int> activeTab() const { return m_activeTab; }
    // The panes, in toolbar order; owned by this controller.
    std::vector<PreferencePane*> preferencePanes() const;
    std::optional<Preferences::Style> style() const { return m_style; }
    PreferencesStyleController* preferencesStyleController() const;
    // The pane at activeTab(); null before the first pane is shown.
    PreferencePane* activeViewController() const;

    // Whether pane switches may animate (true at creation).
    bool isAnimated() const { return m_isAnimated; }
    void setAnimated(bool animated) { m_isAnimated = animated; }

    // Takes the panes and the style controller of the style, for the window that holds this
    // controller's view. Called once, by the window controller, once the view is the window's
    // content. The toolbar itself is made when first needed (ensureToolbar()): making one decodes
    // the style's artwork, which a window that is not shown yet, or hides its toolbar, never draws.
    void installPanes(std::vector<std::unique_ptr<PreferencePane>> panes, Preferences::Style style);

    // Shows the pane at index: the first pane shown is put in place at once; another pane is
    // switched to (animated when asked and allowed); the shown pane stays. In every case the pane is
    // then marked selected in the toolbar and the window title set.
    void switchToPane(int index, bool animated) override;
    // The first pane with this identifier, or the first pane when none has it.
    void switchToPane(const Preferences::PaneIdentifier& identifier, bool animated) override;

    // Replaces from's view by to's, then calls completion. With crossfade or a slide among the
    // options, the change animates while the window resizes to to's fitting size; otherwise it is
    // immediate and the window keeps its size. For callers other than switchToPane: to's view is
    // left unpinned for the completion to place.
    void transition(PreferencePane* from, PreferencePane* to, TransitionOptions options,
                    std::function<void()> completion);
    // Whether a transition or an animated resize is running.
    bool isTransitioning() const;
    // Ends a running transition at once, as if its time had run out.
    void completeTransition();

    // Resizes the window to hold pane's fitting size (top edge fixed; left edge, or horizontal
    // centre when the style keeps the window centred).
    void fitWindowToPane(PreferencePane* pane, bool animated);
    // The window frame (client rectangle) that fitWindowToPane would give for a content size.
    QRect fittedFrame(QSize contentSize) const;
    // The window size that holds a content size: the content, and the toolbar when it is shown
    // (at least as wide as the toolbar needs, so that no pane's item is hidden).
    QSize frameSizeForContentSize(QSize contentSize) const;

    // Two or more panes: the title of the pane at index. Otherwise the application's name, a space,
    // and the word "Preferences" in the user's language.
    QString windowTitle(int index) const;
    // The information dictionary's CFBundleDisplayName, else CFBundleName, else
    // CFBundleExecutable (the first that is a non-empty text); "<Unknown App Name>" when none is.
    static QString applicationDisplayName();

    // The first widget of a pane's view that Tab reaches; null when none takes the focus.
    static QWidget* firstFocusableWidget(QWidget* paneView);

    // The smallest comfortable size of a view: its size hint, within its minimum and maximum
    // sizes; when its height depends on its width, exactly the height that width needs.
    static QSize fittingSize(QWidget* view);

    // The toolbar's answers: the style's item identifiers (empty without a style)...
    QStringList toolbarDefaultItemIdentifiers() const;
    QStringList toolbarAllowedItemIdentifiers() const;
    // ...of which these can be shown selected (none for the segmented style)...
    QStringList toolbarSelectableItemIdentifiers() const;
    // ...and the item for one (null for the flexible space).
    QAction* toolbarItemForItemIdentifier(const QString& itemIdentifier);

    // The window's toolbar; null until ensureToolbar() made it.
    QToolBar* toolbar() const { return m_toolbar; }
    // Makes the toolbar, with the style's items, on the window (once), and returns it.
    QToolBar* ensureToolbar();
    // The easing of every pane transition: the platform's ease-in-ease-out curve.
    static QEasingCurve transitionEasingCurve();

signals:
    // A transition (animated or not) has put its pane in place.
    void transitionFinished();

protected:
    QWidget* makeView() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void displayFirstPane(int index);
    void transitionToPane(int index, bool animated);
    // Pins a view to the edges of this controller's view, which must already be its parent.
    void pinToSuperviewEdges(QWidget* view);
    void unpin(QWidget* view);
    QMainWindow* window() const;
    void checkIndex(int index) const;
    void buildToolbar();
    void applyWindowFrame(const QRect& frame);

    // The animation group: changes made inside it (an animated fit, an animated transition)
    // run together on one clock.
    void runAnimationGroup(const std::function<void()>& changes);
    void applyProgress(qreal progress);
    void finishAnimationGroup();

    void setAppearedPane(PreferencePane* pane);

    std::optional<int> m_activeTab;
    std::vector<std::unique_ptr<PreferencePane>> m_preferencePanes;
    std::optional<Preferences::Style> m_style;
    // The style controller as the object that owns it and as its interface.
    std::unique_ptr<QObject> m_styleControllerObject;
    PreferencesStyleController* m_preferencesStyleController = nullptr;
    bool m_isAnimated = true;

    QVBoxLayout* m_layout = nullptr;
    QPointer<QToolBar> m_toolbar;
    QPointer<QMainWindow> m_window;
    QPointer<QObject> m_windowObject;

    QVariantAnimation* m_animation;
    // Ends the group on time: animation frames come on a 16 ms beat, which alone could end the
    // group up to a frame late.
    QTimer* m_groupEnd;
    bool m_collecting = false;
    std::optional<QRect> m_frameFrom;
    std::optional<QRect> m_frameTo;
    QPointer<PaneTransitionOverlay> m_overlay;
    std::vector<std::function<void()>> m_completions;

    PreferencePane* m_appearedPane = nullptr;
    bool m_windowShown = false;
};

} // namespace quillmere
