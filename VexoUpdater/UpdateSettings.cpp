#include "VexoUpdater/UpdateSettings.h"

#include "core/platform/Platform.h"

namespace quillmere::UpdateSettings {

std::shared_ptr<brisquel::vexo::UserDefaults> applicationDefaults() {
    return brisquel::Platform::current().standardUserDefaults();
}

const brisquel::vexo::Setting<bool>* booleanSetting(const QString& key) {
    for (const brisquel::vexo::Setting<bool>* setting :
         {&includeBetaReleases, &automaticallyChecksForUpdates}) {
        if (setting->key() == key) {
            return setting;
        }
    }
    return nullptr;
}

} // namespace quillmere::UpdateSettings
