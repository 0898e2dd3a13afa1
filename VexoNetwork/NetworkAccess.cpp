#include "VexoNetwork/NetworkAccess.h"

#include <QCoreApplication>

namespace quillmere {

NetworkAccess::NetworkAccess(QObject* parent) : QObject(parent) {}

NetworkAccess::~NetworkAccess() = default;

bool NetworkAccess::hasManager() const {
    return findChild<QObject*>(QString(), Qt::FindDirectChildrenOnly) != nullptr;
}

NetworkAccess& NetworkAccess::application() {
    static QPointer<NetworkAccess> shared;
    if (!shared) {
        QCoreApplication* application = QCoreApplication::instance();
        if (!application)
            qFatal("NetworkAccess::application() needs the application object");
        shared = new NetworkAccess(application);
        // Gone when the event loop ends, while the application object is still whole: a transfer
        // ended at the last moment is then let go of in order, not in the application's teardown.
        QObject::connect(application, &QCoreApplication::aboutToQuit, shared, [] { delete shared.data(); });
    }
    return *shared;
}

} // namespace quillmere
