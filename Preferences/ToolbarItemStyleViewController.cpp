#include "Preferences/ToolbarItemStyleViewController.h"

#include <QAction>
#include <QActionGroup>
#include <QToolBar>

namespace quillmere {

ToolbarItemStyleViewController::ToolbarItemStyleViewController(QToolBar* toolbar,
                                                               std::vector<PreferencePane*> preferencePanes,
                                                               QObject* parent)
    : QObject(parent), m_toolbar(toolbar), m_preferencePanes(std::move(preferencePanes)),
      m_group(new QActionGroup(this)) {
    m_group->setExclusive(true);
}

QStringList ToolbarItemStyleViewController::itemIdentifiers() const {
    QStringList identifiers;
    for (const PreferencePane* pane : m_preferencePanes) {
        identifiers.append(pane->preferencePaneIdentifier().asToolbarItemIdentifier());
    }
    return identifiers;
}

QAction* ToolbarItemStyleViewController::makeToolbarItem(const Preferences::PaneIdentifier& identifier) {
    const QString itemIdentifier = identifier.asToolbarItemIdentifier();
    for (QAction* existing : m_group->actions()) {
        if (existing->objectName() == itemIdentifier) {
            return existing;
        }
    }
    const auto pane =
        std::find_if(m_preferencePanes.begin(), m_preferencePanes.end(),
                     [&](PreferencePane* p) { return p->preferencePaneIdentifier() == identifier; });
    if (pane == m_preferencePanes.end()) {
        qFatal("Preferences: no pane has the toolbar item identifier \"%s\"", qUtf8Printable(itemIdentifier));
    }
    auto* item = new QAction((*pane)->toolbarItemIcon(), (*pane)->preferencePaneTitle(), this);
    item->setObjectName(itemIdentifier);
    item->setCheckable(true);
    item->setToolTip((*pane)->preferencePaneTitle());
    m_group->addAction(item);
    connect(item, &QAction::triggered, this, [this, item] { toolbarItemSelected(item); });
    return item;
}

void ToolbarItemStyleViewController::markSelected(int index) {
    if (index < 0 || index >= static_cast<int>(m_preferencePanes.size())) {
        qFatal("Preferences: pane index %d is outside the %d panes", index,
               static_cast<int>(m_preferencePanes.size()));
    }
    const QString identifier = m_preferencePanes[index]->preferencePaneIdentifier().asToolbarItemIdentifier();
    for (QAction* item : m_group->actions()) {
        if (item->objectName() == identifier) {
            item->setChecked(true);
            return;
        }
    }
}

void ToolbarItemStyleViewController::toolbarItemSelected(QAction* item) {
    if (PreferencesStyleControllerDelegate* target = delegate()) {
        target->switchToPane(Preferences::PaneIdentifier::fromToolbarItemIdentifier(item->objectName()),
                             true);
    }
}

} // namespace quillmere
