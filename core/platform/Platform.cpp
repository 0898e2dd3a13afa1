#include "core/platform/Platform.h"

#include "VexoExtensions/MainBundle.h"

#include <QtGlobal>

namespace brisquel {

namespace {

// Set at start-up, before other threads run; read-only afterwards.
std::unique_ptr<Platform>& installed() {
    static std::unique_ptr<Platform> platform;
    return platform;
}

} // namespace

std::shared_ptr<vexo::UserDefaults> Platform::standardUserDefaults() const {
    return preferences ? preferences->open(vexo::MainBundle::bundleIdentifier()) : nullptr;
}

const Platform& Platform::current() {
    auto& platform = installed();
    if (!platform) {
        static const Platform fallback = native();
        return fallback;
    }
    return *platform;
}

void Platform::install(Platform platform) {
    installed() = std::make_unique<Platform>(std::move(platform));
}

} // namespace brisquel
