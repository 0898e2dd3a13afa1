#include "Preferences/PaneHostingController.h"

namespace quillmere {

PaneHostingController::PaneHostingController(Preferences::PaneIdentifier identifier, QString title,
                                             QIcon toolbarIcon, ContentBuilder rootView, QObject* parent)
    : PreferencePane(parent), m_identifier(std::move(identifier)), m_title(std::move(title)),
      m_icon(std::move(toolbarIcon)), m_rootView(std::move(rootView)) {}

QWidget* PaneHostingController::makeView() {
    QWidget* view = m_rootView ? m_rootView() : nullptr;
    if (!view) {
        qFatal("Preferences: the content of pane \"%s\" made no widget",
               qUtf8Printable(m_identifier.rawValue));
    }
    m_rootView = nullptr; // what it captured is not needed any more
    return view;
}

} // namespace quillmere
