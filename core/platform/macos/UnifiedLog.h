#pragma once

#include "core/platform/Log.h"

namespace brisquel::macos {

// The system log of macOS (os_log), where NSLog writes too: each line goes there as a public
// argument of a fixed format, never as a format itself, and to standard error in NSLog's shape
// "YYYY-MM-DD HH:MM:SS.mmm Process[pid:thread] text", so that a terminal shows it as on Linux.
// Standard output gets the text and a line break.
class UnifiedLog final : public Log {
public:
    void system(const QString& line) override;
    void standardOutput(const QString& line) override;
};

} // namespace brisquel::macos
