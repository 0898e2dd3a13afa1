#include "Preferences/PreferencesTabViewController.h"

#include "Preferences/Localization.h"
#include "Preferences/SegmentedControlStyleViewController.h"
#include "Preferences/ToolbarItemStyleViewController.h"
#include "VexoExtensions/MainBundle.h"

#include <QAction>
#include <QEvent>
#include <QKeySequence>
#include <QLayout>
#include <QMainWindow>
#include <QShortcut>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QVariantAnimation>

namespace quillmere {

namespace {

QRect interpolated(const QRect& from, const QRect& to, qreal t) {
    const auto mix = [t](int a, int b) { return qRound(a + (b - a) * t); };
    return QRect(QPoint(mix(from.x(), to.x()), mix(from.y(), to.y())),
                 QSize(mix(from.width(), to.width()), mix(from.height(), to.height())));
}

// A picture of a view at a size, as it would draw in place: made before the view is shown, so the
// transition can start from the first frame.
QPixmap snapshot(QWidget* view, QSize size) {
    view->ensurePolished();
    view->resize(size);
    if (QLayout* layout = view->layout()) {
        layout->activate();
    }
    return view->grab(QRect(QPoint(0, 0), size));
}

// Keyboard focus that went with a pane going off screen comes to the pane on screen: its first
// widget that takes focus by Tab.
void keepFocusIn(QWidget* window, QWidget* paneView) {
    QWidget* focus = window ? window->focusWidget() : nullptr;
    if (!window || (focus && focus->isVisible() && focus->window() == window)) {
        return;
    }
    if (QWidget* first = PreferencesTabViewController::firstFocusableWidget(paneView)) {
        first->setFocus(Qt::TabFocusReason);
    }
}

} // namespace

QWidget* PreferencesTabViewController::firstFocusableWidget(QWidget* paneView) {
    QWidget* window = paneView->window();
    // In the order Tab visits them.
    for (QWidget* widget = paneView->nextInFocusChain(); widget && widget != paneView;
         widget = widget->nextInFocusChain()) {
        if (paneView->isAncestorOf(widget) && (widget->focusPolicy() & Qt::TabFocus) &&
            widget->isVisibleTo(window) && widget->isEnabled()) {
            return widget;
        }
    }
    return nullptr;
}

PreferencesTabViewController::PreferencesTabViewController(QObject* parent)
    : ViewController(parent), m_animation(new QVariantAnimation(this)), m_groupEnd(new QTimer(this)) {
    m_groupEnd->setSingleShot(true);
    m_groupEnd->setTimerType(Qt::PreciseTimer);
    m_groupEnd->setInterval(kTransitionMilliseconds);
    connect(m_groupEnd, &QTimer::timeout, this, &PreferencesTabViewController::completeTransition);
    m_animation->setStartValue(0.0);
    m_animation->setEndValue(1.0);
    m_animation->setDuration(kTransitionMilliseconds);
    m_animation->setEasingCurve(transitionEasingCurve());
    connect(m_animation, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& value) { applyProgress(value.toReal()); });
    connect(m_animation, &QVariantAnimation::finished, this,
            &PreferencesTabViewController::finishAnimationGroup);
}

PreferencesTabViewController::~PreferencesTabViewController() {
    m_animation->stop();
    m_completions.clear();
    setAppearedPane(nullptr);
    if (m_windowObject) {
        m_windowObject->removeEventFilter(this);
    }
    // The style controller's items live in the window's toolbar; they go before the panes they
    // name.
    m_styleControllerObject.reset();
}

QEasingCurve PreferencesTabViewController::transitionEasingCurve() {
    // The platform's ease-in-ease-out timing: the cubic Bézier curve (0.42, 0) (0.58, 1).
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(QPointF(0.42, 0.0), QPointF(0.58, 1.0), QPointF(1.0, 1.0));
    return curve;
}

QWidget* PreferencesTabViewController::makeView() {
    auto* view = new QWidget;
    view->setObjectName(QStringLiteral("PreferencesTabView"));
    m_layout = new QVBoxLayout(view);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
    view->installEventFilter(this);
    return view;
}

std::vector<PreferencePane*> PreferencesTabViewController::preferencePanes() const {
    std::vector<PreferencePane*> panes;
    panes.reserve(m_preferencePanes.size());
    for (const auto& pane : m_preferencePanes) {
        panes.push_back(pane.get());
    }
    return panes;
}

PreferencesStyleController* PreferencesTabViewController::preferencesStyleController() const {
    return m_preferencesStyleController;
}

PreferencePane* PreferencesTabViewController::activeViewController() const {
    return m_activeTab ? m_preferencePanes[*m_activeTab].get() : nullptr;
}

QMainWindow* PreferencesTabViewController::window() const {
    return m_window;
}

void PreferencesTabViewController::checkIndex(int index) const {
    if (index < 0 || index >= static_cast<int>(m_preferencePanes.size())) {
        qFatal("Preferences: pane index %d is outside the %d panes", index,
               static_cast<int>(m_preferencePanes.size()));
    }
}

void PreferencesTabViewController::installPanes(std::vector<std::unique_ptr<PreferencePane>> panes,
                                                Preferences::Style style) {
    if (m_style) {
        qFatal("Preferences: the panes of a preferences window are installed once");
    }
    if (panes.empty()) {
        qFatal("Preferences: a preferences window needs at least one pane");
    }
    for (const auto& pane : panes) {
        if (!pane) {
            qFatal("Preferences: a pane of the list is null");
        }
    }
    m_window = qobject_cast<QMainWindow*>(view()->window());
    m_windowObject = m_window.data();
    if (!m_window || m_window == view()) {
        qFatal("Preferences: install the panes once the controller's view is a window's content");
    }

    m_preferencePanes = std::move(panes);
    m_style = style;
    for (const auto& pane : m_preferencePanes) {
        pane->setParent(this);
    }

    if (style == Preferences::Style::segmentedControl) {
        auto* controller = new SegmentedControlStyleViewController(preferencePanes());
        m_styleControllerObject.reset(controller);
        m_preferencesStyleController = controller;
    } else {
        auto* controller = new ToolbarItemStyleViewController(nullptr, preferencePanes());
        m_styleControllerObject.reset(controller);
        m_preferencesStyleController = controller;
    }
    m_preferencesStyleController->setDelegate(this);
    m_window->installEventFilter(this);

    // Keyboard: the next and the previous pane, wherever the focus is in the window.
    auto* next = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_PageDown), m_window);
    auto* previous = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_PageUp), m_window);
    connect(next, &QShortcut::activated, this, [this] {
        const int count = static_cast<int>(m_preferencePanes.size());
        switchToPane((m_activeTab.value_or(0) + 1) % count, true);
    });
    connect(previous, &QShortcut::activated, this, [this] {
        const int count = static_cast<int>(m_preferencePanes.size());
        switchToPane((m_activeTab.value_or(0) + count - 1) % count, true);
    });
}

QToolBar* PreferencesTabViewController::ensureToolbar() {
    if (m_toolbar || !m_window) {
        return m_toolbar;
    }
    m_toolbar = new QToolBar(m_window);
    m_toolbar->setObjectName(QStringLiteral("PreferencesToolbar"));
    m_toolbar->setMovable(false);
    m_toolbar->setFloatable(false);
    m_toolbar->setContextMenuPolicy(Qt::PreventContextMenu);
    m_toolbar->toggleViewAction()->setVisible(false);
    m_toolbar->toggleViewAction()->setEnabled(false);
    m_toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_toolbar->setIconSize(QSize(32, 32));
    if (auto* items = dynamic_cast<ToolbarItemStyleViewController*>(m_preferencesStyleController)) {
        items->setToolbar(m_toolbar);
    }
    m_window->addToolBar(Qt::TopToolBarArea, m_toolbar);
    buildToolbar();
    if (m_activeTab) {
        m_preferencesStyleController->markSelected(*m_activeTab);
    }
    return m_toolbar;
}

void PreferencesTabViewController::buildToolbar() {
    const QStringList selectable = toolbarSelectableItemIdentifiers();
    for (const QString& identifier : toolbarDefaultItemIdentifiers()) {
        if (identifier == kToolbarFlexibleSpaceItemIdentifier) {
            auto* space = new QWidget(m_toolbar);
            space->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
            m_toolbar->addWidget(space);
            continue;
        }
        QAction* item = toolbarItemForItemIdentifier(identifier);
        item->setCheckable(selectable.contains(identifier));
        m_toolbar->addAction(item);
    }
    // A keyboard user reaches the pane buttons with Tab, as the platform's full keyboard access does.
    for (QAction* item : m_toolbar->actions()) {
        if (auto* button = qobject_cast<QToolButton*>(m_toolbar->widgetForAction(item))) {
            if (button->focusPolicy() == Qt::NoFocus) {
                button->setFocusPolicy(Qt::TabFocus);
            }
        }
    }
}

QStringList PreferencesTabViewController::toolbarDefaultItemIdentifiers() const {
    return m_preferencesStyleController ? m_preferencesStyleController->itemIdentifiers() : QStringList();
}

QStringList PreferencesTabViewController::toolbarAllowedItemIdentifiers() const {
    return toolbarDefaultItemIdentifiers();
}

QStringList PreferencesTabViewController::toolbarSelectableItemIdentifiers() const {
    if (m_style == Preferences::Style::segmentedControl) {
        return {};
    }
    return toolbarDefaultItemIdentifiers();
}

QAction* PreferencesTabViewController::toolbarItemForItemIdentifier(const QString& itemIdentifier) {
    if (itemIdentifier == kToolbarFlexibleSpaceItemIdentifier || !m_preferencesStyleController) {
        return nullptr;
    }
    return m_preferencesStyleController->makeToolbarItem(
        Preferences::PaneIdentifier::fromToolbarItemIdentifier(itemIdentifier));
}

void PreferencesTabViewController::switchToPane(const Preferences::PaneIdentifier& identifier,
                                                bool animated) {
    int index = 0;
    for (int i = 0; i < static_cast<int>(m_preferencePanes.size()); ++i) {
        if (m_preferencePanes[i]->preferencePaneIdentifier() == identifier) {
            index = i;
            break;
        }
    }
    switchToPane(index, animated);
}

void PreferencesTabViewController::switchToPane(int index, bool animated) {
    checkIndex(index);
    // A switch during a transition starts from where that one would end.
    completeTransition();
    if (!m_activeTab) {
        displayFirstPane(index);
    } else if (index != *m_activeTab) {
        transitionToPane(index, animated);
    }
    m_activeTab = index;
    m_preferencesStyleController->markSelected(index);
    if (m_window) {
        m_window->setWindowTitle(windowTitle(index));
    }
}

void PreferencesTabViewController::displayFirstPane(int index) {
    PreferencePane* pane = m_preferencePanes[index].get();
    QWidget* paneView = pane->view();
    // Into the window before anything is measured: a view polished on its own is polished again,
    // fonts and all, once it joins the window.
    paneView->setParent(view());
    pinToSuperviewEdges(paneView);
    fitWindowToPane(pane, false);
    if (m_windowShown) {
        setAppearedPane(pane);
    }
}

void PreferencesTabViewController::transitionToPane(int index, bool animated) {
    PreferencePane* from = activeViewController();
    PreferencePane* to = m_preferencePanes[index].get();
    const TransitionOptions options =
        animated && m_isAnimated ? TransitionOptions(TransitionOption::crossfade) : TransitionOptions();
    unpin(from->view());
    const auto completion = [this, to] { pinToSuperviewEdges(to->view()); };
    // With crossfade, transition() runs the window's resize and the crossfade as one group.
    transition(from, to, options, completion);
    if (!options) {
        // Qt's layouts do not resize a window to its content, so the size is set here.
        fitWindowToPane(to, false);
    }
}

void PreferencesTabViewController::transition(PreferencePane* from, PreferencePane* to,
                                              TransitionOptions options, std::function<void()> completion) {
    const bool animates = (options.toInt() & kAnimatedTransitionOptions) != 0;
    if (animates && !m_collecting) {
        runAnimationGroup([&] {
            fitWindowToPane(to, true);
            transition(from, to, options, completion);
        });
        return;
    }

    QWidget* fromView = from->view();
    QWidget* toView = to->view();
    if (toView->parentWidget() != view()) {
        toView->setParent(view());
    }
    unpin(fromView);
    setAppearedPane(nullptr);

    if (!animates) {
        fromView->hide();
        toView->show();
        if (completion) {
            completion();
        }
        keepFocusIn(m_window, toView);
        if (m_windowShown) {
            setAppearedPane(to);
        }
        emit transitionFinished();
        return;
    }

    const QPixmap fromPicture = fromView->grab();
    const QPixmap toPicture = snapshot(toView, fittingSize(toView));
    fromView->hide();
    toView->hide();
    const bool centred = m_preferencesStyleController && m_preferencesStyleController->keepsWindowCentered();
    m_overlay = new PaneTransitionOverlay(fromPicture, toPicture, options, centred, view());
    m_overlay->show();
    m_completions.push_back([this, to, toView, completion = std::move(completion)] {
        delete m_overlay;
        toView->show();
        if (completion) {
            completion();
        }
        keepFocusIn(m_window, toView);
        if (m_windowShown) {
            setAppearedPane(to);
        }
    });
}

bool PreferencesTabViewController::isTransitioning() const {
    return m_animation->state() == QAbstractAnimation::Running;
}

void PreferencesTabViewController::completeTransition() {
    if (isTransitioning()) {
        // Stopping does not emit finished; the group ends here instead.
        m_animation->stop();
        finishAnimationGroup();
    }
}

void PreferencesTabViewController::runAnimationGroup(const std::function<void()>& changes) {
    completeTransition();
    // The group's 0.25 s run from the request: the pictures taken to start it are part of them.
    m_groupEnd->start();
    m_collecting = true;
    changes();
    m_collecting = false;
    if (!m_frameTo && m_completions.empty()) {
        m_groupEnd->stop();
        return;
    }
    if (m_frameFrom && m_frameTo && *m_frameFrom == *m_frameTo) {
        m_frameFrom.reset();
        m_frameTo.reset();
    }
    m_animation->start();
}

void PreferencesTabViewController::applyProgress(qreal progress) {
    if (m_frameFrom && m_frameTo) {
        applyWindowFrame(interpolated(*m_frameFrom, *m_frameTo, progress));
    }
    if (m_overlay) {
        m_overlay->setProgress(progress);
    }
}

void PreferencesTabViewController::finishAnimationGroup() {
    m_groupEnd->stop();
    applyProgress(1.0);
    m_frameFrom.reset();
    m_frameTo.reset();
    std::vector<std::function<void()>> completions;
    completions.swap(m_completions);
    for (const auto& completion : completions) {
        completion();
    }
    emit transitionFinished();
}

QSize PreferencesTabViewController::fittingSize(QWidget* view) {
    // A layout answers its size hint without laying anything out; the view is laid out once, at
    // its final size.
    view->ensurePolished();
    QSize size = view->sizeHint();
    if (!size.isValid()) {
        size = view->size();
    }
    size = size.expandedTo(view->minimumSizeHint())
               .expandedTo(view->minimumSize())
               .boundedTo(view->maximumSize());
    if (view->hasHeightForWidth()) {
        // Exactly the height this width needs. The size hint's height was worked out for another
        // width (a wrapped text's guess), and taking it would leave blank space under the last
        // control.
        size.setHeight(
            std::clamp(view->heightForWidth(size.width()), view->minimumHeight(), view->maximumHeight()));
    }
    return size.expandedTo(QSize(1, 1));
}

QSize PreferencesTabViewController::frameSizeForContentSize(QSize contentSize) const {
    if (m_toolbar && m_window && !m_toolbar->isHidden()) {
        // A window narrower than its toolbar would hide pane buttons (or the whole segmented
        // control) behind the toolbar's overflow menu.
        const QSize toolbar = m_toolbar->sizeHint();
        return QSize(std::max(contentSize.width(), toolbar.width()), contentSize.height() + toolbar.height());
    }
    return contentSize;
}

QRect PreferencesTabViewController::fittedFrame(QSize contentSize) const {
    const QRect old = m_window ? m_window->geometry() : QRect();
    const QSize size = frameSizeForContentSize(contentSize);
    // Qt's y grows downwards: keeping y keeps the top edge.
    int x = old.x();
    if (m_preferencesStyleController && m_preferencesStyleController->keepsWindowCentered()) {
        x = old.x() + (old.width() - size.width()) / 2;
    }
    return QRect(QPoint(x, old.y()), size);
}

void PreferencesTabViewController::fitWindowToPane(PreferencePane* pane, bool animated) {
    if (!m_window) {
        return;
    }
    const QRect frame = fittedFrame(fittingSize(pane->view()));
    if (!animated) {
        applyWindowFrame(frame);
        return;
    }
    if (!m_collecting) {
        runAnimationGroup([&] { fitWindowToPane(pane, true); });
        return;
    }
    m_frameFrom = m_window->geometry();
    m_frameTo = frame;
}

void PreferencesTabViewController::applyWindowFrame(const QRect& frame) {
    // The window is not resizable by the user: its size is held at exactly what is set here.
    if (m_window->minimumSize() != frame.size() || m_window->maximumSize() != frame.size()) {
        m_window->setFixedSize(frame.size());
    }
    m_window->setGeometry(frame);
}

QString PreferencesTabViewController::windowTitle(int index) const {
    if (m_preferencePanes.size() >= 2) {
        checkIndex(index);
        return m_preferencePanes[index]->preferencePaneTitle();
    }
    return applicationDisplayName() + QLatin1Char(' ') +
           Preferences::Localization::localized(Preferences::Localization::Word::preferences);
}

QString PreferencesTabViewController::applicationDisplayName() {
    for (const char* key : {"CFBundleDisplayName", "CFBundleName", "CFBundleExecutable"}) {
        const QVariant value = brisquel::vexo::MainBundle::object(QLatin1String(key));
        if (value.typeId() == QMetaType::QString && !value.toString().isEmpty()) {
            return value.toString();
        }
    }
    return QStringLiteral("<Unknown App Name>");
}

void PreferencesTabViewController::pinToSuperviewEdges(QWidget* paneView) {
    if (paneView->parentWidget() != view()) {
        qFatal("Preferences: a pane's view is pinned only inside the controller's view");
    }
    if (m_layout->indexOf(paneView) < 0) {
        // A pane that cannot grow, in a window widened for its toolbar, stands where the window
        // is anchored: at the left, or in the middle for the segmented style.
        Qt::Alignment alignment;
        if (!(paneView->sizePolicy().horizontalPolicy() & QSizePolicy::GrowFlag)) {
            const bool centred =
                m_preferencesStyleController && m_preferencesStyleController->keepsWindowCentered();
            alignment = centred ? Qt::AlignHCenter : Qt::AlignLeft;
        }
        m_layout->addWidget(paneView, 0, alignment);
    }
    paneView->show();
}

void PreferencesTabViewController::unpin(QWidget* paneView) {
    m_layout->removeWidget(paneView);
}

void PreferencesTabViewController::setAppearedPane(PreferencePane* pane) {
    if (pane == m_appearedPane) {
        return;
    }
    if (PreferencePane* going = m_appearedPane) {
        m_appearedPane = nullptr;
        going->viewWillDisappear();
    }
    m_appearedPane = pane;
    if (pane) {
        pane->viewDidAppear();
    }
}

bool PreferencesTabViewController::eventFilter(QObject* watched, QEvent* event) {
    // Compared as an object: while the window is being destroyed it is no main window any more.
    if (m_windowObject && watched == m_windowObject.data()) {
        switch (event->type()) {
        case QEvent::Show:
            m_windowShown = true;
            if (!isTransitioning()) {
                setAppearedPane(activeViewController());
            }
            break;
        case QEvent::Hide:
            m_windowShown = false;
            completeTransition();
            setAppearedPane(nullptr);
            break;
        default:
            break;
        }
    } else if (isViewLoaded() && watched == view() && event->type() == QEvent::LayoutRequest) {
        // The shown pane's needs changed (a label grew, a row appeared): the window follows.
        PreferencePane* pane = activeViewController();
        if (pane && m_window && !isTransitioning() && m_layout->indexOf(pane->view()) >= 0) {
            const QRect frame = fittedFrame(fittingSize(pane->view()));
            if (frame.size() != m_window->size()) {
                applyWindowFrame(frame);
            }
        }
    }
    return ViewController::eventFilter(watched, event);
}

} // namespace quillmere
