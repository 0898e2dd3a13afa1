#include "VexoUpdater/LastUpdateCheck.h"

#include "VexoUpdater/Updater.h"

namespace quillmere {

LastUpdateCheck& LastUpdateCheck::shared() {
    static LastUpdateCheck record;
    return record;
}

void LastUpdateCheck::follow(Updater* updater, std::function<QDateTime()> clock) {
    connect(updater, &Updater::updateCheckFinished, this,
            [this, clock = std::move(clock)](const brisquel::vexo::Result& result) {
                record(Outcome{clock(), result});
            });
}

void LastUpdateCheck::record(const Outcome& outcome) {
    m_outcome = outcome;
    emit changed();
}

void LastUpdateCheck::clear() {
    m_outcome.reset();
    emit changed();
}

} // namespace quillmere
