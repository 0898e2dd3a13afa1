#pragma once

#include "Preferences/PreferencesStyleController.h"

#include <QObject>
#include <QPointer>

#include <vector>

class QAction;
class QActionGroup;
class QToolBar;

namespace quillmere {

// The toolbar-item style: one toolbar button per pane (icon above label), in pane order; the
// shown pane's button is checked. The window keeps its left edge when it resizes.
class ToolbarItemStyleViewController final : public QObject, public PreferencesStyleController {
    Q_OBJECT

public:
    // The panes are the tab controller's and outlive this controller; the toolbar is the window's.
    ToolbarItemStyleViewController(QToolBar* toolbar, std::vector<PreferencePane*> preferencePanes,
                                   QObject* parent = nullptr);

    QToolBar* toolbar() const { return m_toolbar; }
    // The window's toolbar, once it is made (the tab controller makes it when first needed).
    void setToolbar(QToolBar* toolbar) { m_toolbar = toolbar; }
    const std::vector<PreferencePane*>& preferencePanes() const { return m_preferencePanes; }

    bool keepsWindowCentered() const override { return false; }
    // One identifier per pane: the pane's identifier, in pane order; no flexible spaces.
    QStringList itemIdentifiers() const override;
    // A checkable action with the pane's title and icon; the program stops when no pane has the
    // identifier. Asking again for the same identifier gives the same action.
    QAction* makeToolbarItem(const Preferences::PaneIdentifier& identifier) override;
    // Checks the item of pane index (when the toolbar holds it).
    void markSelected(int index) override;

public slots:
    // A toolbar item was clicked: switch, animated, to the pane its identifier names (the first
    // pane when none does). Ignored once the delegate is gone.
    void toolbarItemSelected(QAction* item);

private:
    QPointer<QToolBar> m_toolbar;
    std::vector<PreferencePane*> m_preferencePanes;
    QActionGroup* m_group;
};

} // namespace quillmere
