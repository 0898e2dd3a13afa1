#pragma once

#include "Preferences/PreferencePane.h"
#include "Preferences/UserInteractionPausableWindow.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace quillmere {

class PreferencesTabViewController;
class WindowFrameAutosave;

// The application's preferences window: one window of panes with a toolbar that switches them
// (see PreferencesTabViewController for switching, sizing and titles). Made once at start-up and
// kept for the application's life; show() brings it up.
//
// The window is created hidden, titled and closable but not resizable (its size always follows
// the shown pane). Closing it hides it; the next show() brings it back with the pane shown last,
// where the user left it. Its frame is kept in the application's own preferences domain under
// "com.tamberline.Preferences.FrameAutosaveName" once it has been shown, and restored at every
// show(): the saved position (top edge, and left edge or, for the segmented style, horizontal
// centre), kept on a screen that exists now. The first time, the window is centred on the screen
// with its title bar and borders (see WindowPlacement). The size always comes from the shown pane,
// so a frame saved with a larger pane never crops a smaller one.
//
// Every show() gives the keyboard focus to the shown pane, visibly: to the control that had it
// last, or to the pane's first control.
//
// Toolbar rule: the toolbar shows when hidesToolbarForSingleItem() is false or there are two or
// more panes; it cannot be moved, floated, customised or hidden by the user.
//
// Caller's errors stop the program with a message: an empty pane list, or a null pane. There is
// no way to make the controller from an existing window or from saved state.
class PreferencesWindowController final : public QObject {
    Q_OBJECT

public:
    static inline const QString kFrameAutosaveName =
        QStringLiteral("com.tamberline.Preferences.FrameAutosaveName");

    explicit PreferencesWindowController(std::vector<std::unique_ptr<PreferencePane>> preferencePanes,
                                         Preferences::Style style = Preferences::Style::toolbarItems,
                                         bool animated = true, bool hidesToolbarForSingleItem = true);
    // Makes one pane of each convertible (a declarative Pane), in order, then as above. The
    // convertibles are only read during the call.
    explicit PreferencesWindowController(
        const std::vector<std::reference_wrapper<const PreferencePaneConvertible>>& preferencePanes,
        Preferences::Style style = Preferences::Style::toolbarItems, bool animated = true,
        bool hidesToolbarForSingleItem = true);
    ~PreferencesWindowController() override;

    PreferencesWindowController(const PreferencesWindowController&) = delete;
    PreferencesWindowController& operator=(const PreferencesWindowController&) = delete;

    // Shows the pane with this identifier (the first pane when none has it) or, without one, the
    // pane shown last (the first pane the first time); then shows the window, places it, and
    // brings it to the front with the keyboard focus.
    void show(std::optional<Preferences::PaneIdentifier> paneIdentifier = std::nullopt);

    bool isAnimated() const;
    void setAnimated(bool animated);
    bool hidesToolbarForSingleItem() const { return m_hidesToolbarForSingleItem; }
    // Re-applies the toolbar rule at once.
    void setHidesToolbarForSingleItem(bool hides);

    PreferencesTabViewController* tabViewController() const { return m_tabViewController.get(); }
    UserInteractionPausableWindow* window() const { return m_window.get(); }

    // Where an action (a method name, "selectAll") that the window controller cannot perform
    // goes: this controller when it has the method; else none before a pane is shown; else the
    // first object from the shown pane outwards that has it (the pane, its view, the focused
    // widget inside the view and that widget's parents up to the view); else the answer of the
    // pane's own invokable supplementalTargetForAction(QByteArray, QObject*), when it has one and
    // the answer has the method; else none. An object "has" an action when its meta-object has an
    // invokable method of that name taking nothing or one QObject* (the sender).
    QObject* supplementalTargetForAction(const QByteArray& action, QObject* sender) const;
    // Calls the action on its target (with the sender when the method takes one); false when
    // there is no target.
    bool sendAction(const QByteArray& action, QObject* sender);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void applyToolbarRule();
    void placeWindow();
    void focusShownPane();
    // A key press that nothing in the window took: the shown pane's own shortcuts get it.
    bool offerKeyToPane(const QKeyEvent* event);

    std::unique_ptr<PreferencesTabViewController> m_tabViewController;
    std::unique_ptr<UserInteractionPausableWindow> m_window;
    bool m_hidesToolbarForSingleItem;
    QPointer<WindowFrameAutosave> m_frameAutosave;
};

} // namespace quillmere
