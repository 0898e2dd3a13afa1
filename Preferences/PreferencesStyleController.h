#pragma once

#include "Preferences/PreferencePane.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

class QAction;

namespace quillmere {

// What a style controller asks of the controller that shows the panes.
class PreferencesStyleControllerDelegate {
public:
    virtual ~PreferencesStyleControllerDelegate() = default;
    // The first pane with this identifier, or the first pane when none has it.
    virtual void switchToPane(const Preferences::PaneIdentifier& identifier, bool animated) = 0;
    // The pane at index; an index outside the pane list is a caller's error.
    virtual void switchToPane(int index, bool animated) = 0;
};

// The toolbar items of one tab-switcher style: which items the toolbar holds, how each is made,
// and how the selected pane is shown. A toolbar item is a QAction; a widget item (the segmented
// control) is a QWidgetAction. The flexible space that centres items is named by
// kToolbarFlexibleSpaceItemIdentifier; the toolbar makes it itself.
class PreferencesStyleController {
public:
    virtual ~PreferencesStyleController() = default;

    // Held weakly: when the delegate (a QObject) is gone, actions that would reach it are ignored.
    PreferencesStyleControllerDelegate* delegate() const { return m_delegateObject ? m_delegate : nullptr; }
    void setDelegate(PreferencesStyleControllerDelegate* delegate) {
        m_delegate = delegate;
        m_delegateObject = dynamic_cast<QObject*>(delegate);
    }

    // Whether the window keeps its horizontal centre (else its left edge) when it resizes.
    virtual bool keepsWindowCentered() const = 0;
    // The toolbar's items, in order.
    virtual QStringList itemIdentifiers() const = 0;
    // The item for one of itemIdentifiers() (not the flexible space), owned by this controller.
    // An identifier that names no item of this style is a caller's error: the program stops.
    virtual QAction* makeToolbarItem(const Preferences::PaneIdentifier& identifier) = 0;
    // Shows pane index as the selected one.
    virtual void markSelected(int index) = 0;

private:
    PreferencesStyleControllerDelegate* m_delegate = nullptr;
    QPointer<QObject> m_delegateObject;
};

// The platform's identifier of a toolbar's flexible space.
inline const QString kToolbarFlexibleSpaceItemIdentifier = QStringLiteral("NSToolbarFlexibleSpaceItem");

} // namespace quillmere
