#include "VexoUpdater/Updater.h"

#include <QPointer>

namespace quillmere {

namespace {

// Set and read on the GUI thread only.
QPointer<Updater>& shared() {
    static QPointer<Updater> updater;
    return updater;
}

} // namespace

Updater::~Updater() = default;

Updater* Updater::sharedUpdater() {
    return shared().data();
}

void Updater::setSharedUpdater(Updater* updater) {
    shared() = updater;
}

} // namespace quillmere
