#pragma once

#include "VexoExtensions/UserDefaults.h"

#include <QString>

#include <functional>
#include <memory>

namespace brisquel {
class FileChangeObservation;
class PollingObservation;
} // namespace brisquel

namespace brisquel::macos {

// Tells when another program may have changed a preferences domain of the current user. The
// preferences daemon tells no other process, so the domain is synchronized and compared with the
// last look about once a second (PollingObservation); an event on its file in
// ~/Library/Preferences, which the daemon writes when it sees fit, only brings the next look
// forward. Made and told on a thread that runs an event loop.
class CFPreferencesObservation final : public vexo::ChangeObservation {
public:
    CFPreferencesObservation(const QString& domain, std::function<void()> onChange);
    ~CFPreferencesObservation() override;

private:
    std::unique_ptr<PollingObservation> m_poll;
    // Declared after the poll it hastens, so that it ends first.
    std::unique_ptr<FileChangeObservation> m_fileEvents;
};

} // namespace brisquel::macos
