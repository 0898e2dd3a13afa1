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
        // Where no event loop ran (a command's one check, a test program), as the application
        // object begins to go: its children are deleted only after it has taken down its own
        // machinery, and the network's objects torn down then were left behind now and then
        // (about one run in a hundred, under LeakSanitizer).
        qAddPostRoutine([] { delete shared.data(); });
    }
    return *shared;
}

} // namespace quillmere
