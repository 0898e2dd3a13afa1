#include "core/platform/PollingObservation.h"

namespace brisquel {

PollingObservation::PollingObservation(std::function<bool()> lookAgain, std::function<void()> onChange,
                                       std::chrono::milliseconds interval)
    : m_lookAgain(std::move(lookAgain)), m_onChange(std::move(onChange)) {
    m_timer.setInterval(interval);
    connect(&m_timer, &QTimer::timeout, this, &PollingObservation::lookNow);
    m_timer.start();
}

void PollingObservation::lookNow() {
    m_timer.start();
    if (!m_lookAgain || !m_lookAgain() || !m_onChange)
        return;
    // The one told may end the observation: nothing of this object is touched from here on, not
    // even the function being called.
    const std::function<void()> tell = m_onChange;
    tell();
}

} // namespace brisquel
