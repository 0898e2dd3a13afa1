#include "Preferences/Pane.h"

#include "Preferences/PaneHostingController.h"

namespace quillmere::Preferences {

Pane::Pane(PaneIdentifier identifier, QString title, QIcon toolbarIcon, ContentBuilder content)
    : m_identifier(std::move(identifier)), m_title(std::move(title)), m_toolbarIcon(std::move(toolbarIcon)),
      m_content(std::move(content)) {}

std::unique_ptr<PreferencePane> Pane::makePreferencePane() const {
    return std::make_unique<PaneHostingController>(m_identifier, m_title, m_toolbarIcon, m_content);
}

} // namespace quillmere::Preferences
