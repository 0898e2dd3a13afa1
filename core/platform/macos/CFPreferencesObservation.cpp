#include "core/platform/macos/CFPreferencesObservation.h"

#include "core/platform/PollingObservation.h"
#include "core/platform/macos/CFHolder.h"
#include "core/platform/macos/CFText.h"
#include "core/platform/posix/FileChangeObservation.h"

#include <QDir>

namespace brisquel::macos {

namespace {

// The current user's keys and values in the domain, after a synchronization brought in what other
// programs wrote; null for an empty domain (CFPreferencesCopyKeyList gives no list then).
CFHolder lookAt(CFStringRef domain) {
    CFPreferencesAppSynchronize(domain);
    const CFHolder keys =
        CFHolder::adopt(CFPreferencesCopyKeyList(domain, kCFPreferencesCurrentUser, kCFPreferencesAnyHost));
    if (!keys)
        return {};
    return CFHolder::adopt(CFPreferencesCopyMultiple(keys.as<CFArrayRef>(), domain, kCFPreferencesCurrentUser,
                                                     kCFPreferencesAnyHost));
}

bool same(const CFHolder& a, const CFHolder& b) {
    if (!a || !b)
        return !a && !b;
    return CFEqual(a.get(), b.get());
}

} // namespace

CFPreferencesObservation::CFPreferencesObservation(const QString& domain, std::function<void()> onChange) {
    auto name = std::make_shared<CFHolder>(makeCFString(domain));
    auto last = std::make_shared<CFHolder>(*name ? lookAt(name->as<CFStringRef>()) : CFHolder());
    m_poll = std::make_unique<PollingObservation>(
        [name, last] {
            if (!*name)
                return false;
            CFHolder now = lookAt(name->as<CFStringRef>());
            const bool changed = !same(now, *last);
            *last = std::move(now);
            return changed;
        },
        std::move(onChange));
    PollingObservation* poll = m_poll.get();
    m_fileEvents = std::make_unique<FileChangeObservation>(
        QDir::homePath() + QStringLiteral("/Library/Preferences/") + domain + QStringLiteral(".plist"),
        // Queued: the look may tell someone who ends this observation, file watch and all.
        [poll] { QMetaObject::invokeMethod(poll, &PollingObservation::lookNow, Qt::QueuedConnection); });
}

CFPreferencesObservation::~CFPreferencesObservation() = default;

} // namespace brisquel::macos
