#pragma once

#include "core/platform/ScriptChannel.h"

#include <QString>
#include <chrono>

namespace brisquel {

// Carries AppleScript to an "osascript" program: each source runs as `<program> -e <source>`.
//
// The program is the one named by the environment variable QUILLMERE_OSASCRIPT when it is set,
// else "osascript" found on PATH; it is looked up anew for every run. A program that is missing,
// cannot start, fails or outlives the time limit gives no result and error information; otherwise
// the result is what it printed, less the final line break.
class OsascriptChannel final : public ScriptChannel {
public:
    // Like the platform's Apple-event time-out, so a target that never answers cannot hold the
    // caller forever.
    static constexpr std::chrono::milliseconds kDefaultTimeLimit = std::chrono::minutes(2);

    // An empty program means: look it up as described above.
    explicit OsascriptChannel(QString program = {}, std::chrono::milliseconds timeLimit = kDefaultTimeLimit);

    ScriptResult execute(const QString& source) override;

    // The program a run would use now; empty when none is found.
    QString resolveProgram() const;

private:
    QString m_program;
    std::chrono::milliseconds m_timeLimit;
};

} // namespace brisquel
