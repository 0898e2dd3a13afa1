#include "Preferences/PreferencesWindowController.h"

#include "Preferences/PreferencesTabViewController.h"
#include "Preferences/UserInteractionPausableWindow.h"
#include "Preferences/WindowFrameAutosave.h"
#include "Preferences/WindowPlacement.h"
#include "core/platform/Platform.h"

#include <QAction>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMetaMethod>
#include <QScreen>
#include <QShortcut>
#include <QToolBar>

namespace quillmere {

namespace {

std::vector<std::unique_ptr<PreferencePane>>
madePanes(const std::vector<std::reference_wrapper<const PreferencePaneConvertible>>& convertibles) {
    std::vector<std::unique_ptr<PreferencePane>> panes;
    panes.reserve(convertibles.size());
    for (const PreferencePaneConvertible& convertible : convertibles) {
        panes.push_back(convertible.makePreferencePane());
    }
    return panes;
}

// The invokable method of this name that takes nothing or a QObject* sender; -1 when none.
int actionMethod(const QObject* object, const QByteArray& action) {
    if (!object || action.isEmpty()) {
        return -1;
    }
    const QMetaObject* meta = object->metaObject();
    for (const QByteArray& signature : {action + "()", action + "(QObject*)"}) {
        const int index = meta->indexOfMethod(signature.constData());
        if (index >= 0 && meta->method(index).methodType() != QMetaMethod::Signal) {
            return index;
        }
    }
    return -1;
}

bool respondsTo(const QObject* object, const QByteArray& action) {
    return actionMethod(object, action) >= 0;
}

} // namespace

PreferencesWindowController::PreferencesWindowController(
    const std::vector<std::reference_wrapper<const PreferencePaneConvertible>>& preferencePanes,
    Preferences::Style style, bool animated, bool hidesToolbarForSingleItem)
    : PreferencesWindowController(madePanes(preferencePanes), style, animated, hidesToolbarForSingleItem) {}

PreferencesWindowController::PreferencesWindowController(
    std::vector<std::unique_ptr<PreferencePane>> preferencePanes, Preferences::Style style, bool animated,
    bool hidesToolbarForSingleItem)
    : m_tabViewController(std::make_unique<PreferencesTabViewController>()),
      m_hidesToolbarForSingleItem(hidesToolbarForSingleItem) {
    if (preferencePanes.empty()) {
        qFatal("Preferences: a preferences window needs at least one pane");
    }
    if (!preferencePanes.front()) {
        qFatal("Preferences: a pane of the list is null");
    }

    // Titled and closable: no minimise or maximise button, and no resizing by the user.
    m_window = std::make_unique<UserInteractionPausableWindow>();
    m_window->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                             Qt::WindowCloseButtonHint);
    m_window->setObjectName(QStringLiteral("PreferencesWindow"));
    // Nothing docks or moves in this window: no layout animations, which would hold back the
    // first paint and fight the pane transition's own resize.
    m_window->setAnimated(false);

    m_window->setCentralWidget(m_tabViewController->view());
    if (style == Preferences::Style::toolbarItems) {
        m_window->setUnifiedTitleAndToolBarOnMac(true);
    }
    m_tabViewController->setAnimated(animated);
    m_tabViewController->installPanes(std::move(preferencePanes), style);
    applyToolbarRule();
    m_window->installEventFilter(this);
    // The keys that close a settings window on every desktop: the platform's Close (Ctrl+W) and
    // Escape. Both are held back, as any shortcut, while user input is paused.
    for (const QKeySequence& keys : {QKeySequence(QKeySequence::Close), QKeySequence(Qt::Key_Escape)}) {
        auto* shortcut = new QShortcut(keys, m_window.get());
        connect(shortcut, &QShortcut::activated, m_window.get(), &QWidget::close);
    }
}

PreferencesWindowController::~PreferencesWindowController() {
    // The window goes first: hiding it tells the shown pane it disappears while the tab
    // controller is still whole.
    if (m_window) {
        m_window->removeEventFilter(this);
        m_window->hide();
        // The tab controller hears nothing of the window's own destruction, when it is no longer
        // a main window.
        m_window->removeEventFilter(m_tabViewController.get());
    }
    m_window.reset();
    m_tabViewController.reset();
}

bool PreferencesWindowController::isAnimated() const {
    return m_tabViewController->isAnimated();
}

void PreferencesWindowController::setAnimated(bool animated) {
    m_tabViewController->setAnimated(animated);
}

void PreferencesWindowController::setHidesToolbarForSingleItem(bool hides) {
    m_hidesToolbarForSingleItem = hides;
    applyToolbarRule();
}

void PreferencesWindowController::applyToolbarRule() {
    const bool visible = !m_hidesToolbarForSingleItem || m_tabViewController->preferencePanes().size() > 1;
    // A toolbar that would be hidden is not made for that.
    QToolBar* toolbar = visible ? m_tabViewController->ensureToolbar() : m_tabViewController->toolbar();
    if (!toolbar) {
        return;
    }
    if (toolbar->isHidden() == !visible) {
        return;
    }
    toolbar->setVisible(visible);
    // The window holds the pane and, now or no longer, the toolbar.
    if (PreferencePane* pane = m_tabViewController->activeViewController()) {
        m_tabViewController->fitWindowToPane(pane, false);
    }
}

void PreferencesWindowController::show(std::optional<Preferences::PaneIdentifier> paneIdentifier) {
    // The window is about to be shown: it has its toolbar from now on, hidden or not.
    if (!m_tabViewController->toolbar()) {
        m_tabViewController->ensureToolbar();
        applyToolbarRule();
    }
    if (paneIdentifier) {
        m_tabViewController->switchToPane(*paneIdentifier, false);
    } else if (!m_tabViewController->activeTab()) {
        m_tabViewController->switchToPane(0, false);
    }
    // Placed before it is shown, so that it never appears elsewhere first.
    placeWindow();
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
    focusShownPane();
}

void PreferencesWindowController::focusShownPane() {
    PreferencePane* pane = m_tabViewController->activeViewController();
    if (!pane || !pane->isViewLoaded()) {
        return;
    }
    // The control that had the focus when the window was last shown keeps it; the first time, the
    // pane's first control takes it. Either way the focus shows, as after Tab: the window was
    // opened from the keyboard or the menu, and the keyboard is where the user goes next.
    QWidget* paneView = pane->view();
    QWidget* focus = m_window->focusWidget();
    if (!focus || !paneView->isAncestorOf(focus) || !focus->isVisibleTo(m_window.get()) ||
        !focus->isEnabled()) {
        focus = PreferencesTabViewController::firstFocusableWidget(paneView);
    }
    if (focus) {
        m_window->setAttribute(Qt::WA_KeyboardFocusChange);
        focus->setFocus(Qt::TabFocusReason);
        focus->update();
    }
}

void PreferencesWindowController::placeWindow() {
    if (!m_window->screen() || QGuiApplication::screens().isEmpty()) {
        return;
    }
    if (!m_frameAutosave) {
        m_frameAutosave = new WindowFrameAutosave(
            m_window.get(), brisquel::Platform::current().standardUserDefaults(), kFrameAutosaveName);
    }
    // Shown already: it stays where the user has it.
    if (m_window->isVisible()) {
        m_frameAutosave->save();
    }
    // The size belongs to the shown pane; the saved frame gives the place, else the window is
    // centred on the screen, its title bar and borders included.
    const bool centred = m_tabViewController->preferencesStyleController() &&
                         m_tabViewController->preferencesStyleController()->keepsWindowCentered();
    if (const std::optional<QRect> saved = m_frameAutosave->savedFrame()) {
        const QSize size = m_window->size();
        const int x = centred ? saved->x() + (saved->width() - size.width()) / 2 : saved->x();
        WindowPlacement::restore(m_window.get(), QRect(QPoint(x, saved->y()), size));
    } else {
        WindowPlacement::centre(m_window.get());
    }
}

QObject* PreferencesWindowController::supplementalTargetForAction(const QByteArray& action,
                                                                  QObject* sender) const {
    if (respondsTo(this, action)) {
        return const_cast<PreferencesWindowController*>(this);
    }
    PreferencePane* pane = m_tabViewController->activeViewController();
    if (!pane) {
        return nullptr;
    }
    if (respondsTo(pane, action)) {
        return pane;
    }
    if (pane->isViewLoaded()) {
        QWidget* paneView = pane->view();
        QWidget* focus = m_window->focusWidget();
        if (focus && paneView->isAncestorOf(focus)) {
            for (QWidget* widget = focus; widget && widget != paneView; widget = widget->parentWidget()) {
                if (respondsTo(widget, action)) {
                    return widget;
                }
            }
        }
        if (respondsTo(paneView, action)) {
            return paneView;
        }
    }
    const QMetaObject* meta = pane->metaObject();
    if (meta->indexOfMethod("supplementalTargetForAction(QByteArray,QObject*)") >= 0) {
        QObject* target = nullptr;
        QMetaObject::invokeMethod(pane, "supplementalTargetForAction", Qt::DirectConnection,
                                  Q_RETURN_ARG(QObject*, target), Q_ARG(QByteArray, action),
                                  Q_ARG(QObject*, sender));
        if (respondsTo(target, action)) {
            return target;
        }
    }
    return nullptr;
}

bool PreferencesWindowController::sendAction(const QByteArray& action, QObject* sender) {
    QObject* target = supplementalTargetForAction(action, sender);
    if (!target) {
        return false;
    }
    const QMetaMethod method = target->metaObject()->method(actionMethod(target, action));
    return method.parameterCount() == 0
               ? method.invoke(target, Qt::DirectConnection)
               : method.invoke(target, Qt::DirectConnection, Q_ARG(QObject*, sender));
}

bool PreferencesWindowController::offerKeyToPane(const QKeyEvent* event) {
    PreferencePane* pane = m_tabViewController->activeViewController();
    if (!pane || !pane->isViewLoaded() || event->key() == Qt::Key_unknown) {
        return false;
    }
    const QKeySequence pressed(event->keyCombination());
    QList<QAction*> actions = pane->findChildren<QAction*>();
    actions += pane->view()->findChildren<QAction*>();
    actions += pane->view()->actions();
    for (QAction* action : actions) {
        if (!action->isEnabled()) {
            continue;
        }
        for (const QKeySequence& shortcut : action->shortcuts()) {
            if (shortcut.matches(pressed) == QKeySequence::ExactMatch) {
                action->trigger();
                return true;
            }
        }
    }
    return false;
}

bool PreferencesWindowController::eventFilter(QObject* watched, QEvent* event) {
    // Key presses reach the window only when no widget in it took them.
    if (watched == m_window.get() && event->type() == QEvent::KeyPress) {
        if (offerKeyToPane(static_cast<QKeyEvent*>(event))) {
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace quillmere
