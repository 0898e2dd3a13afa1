#pragma once

#include "VexoExtensions/UserDefaults.h"

#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>

namespace brisquel {

// Tells when something may have changed by looking at it again at a steady pace: for what sends no
// notice of its changes, such as another application's preferences domain on macOS, whose daemon
// tells no other process. lookAgain() looks and says whether what it sees differs from its last
// look; onChange() is then called. Both run on the thread that made the observation, which must
// run an event loop, and never after the observation is destroyed.
//
// lookNow() looks at once and starts the pace again from there: a file-system event may shorten the
// wait this way, never replace the pace (the event may come late, or not at all).
class PollingObservation final : public QObject, public vexo::ChangeObservation {
    Q_OBJECT

public:
    // About once a second, while a window shows what is watched.
    static constexpr std::chrono::milliseconds kInterval{1000};

    PollingObservation(std::function<bool()> lookAgain, std::function<void()> onChange,
                       std::chrono::milliseconds interval = kInterval);

    void lookNow();

private:
    std::function<bool()> m_lookAgain;
    std::function<void()> m_onChange;
    QTimer m_timer;
};

} // namespace brisquel
