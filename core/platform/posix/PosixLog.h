#pragma once

#include "core/platform/Log.h"

namespace brisquel {

// The system log of this platform: one line per message on standard error, in the shape
// "YYYY-MM-DD HH:MM:SS.mmm Process[pid:tid] text", and the same text to syslog.
// Standard output gets the text and a line break.
class PosixLog final : public Log {
public:
    void system(const QString& line) override;
    void standardOutput(const QString& line) override;

    // The standard-error line for a message (without its line break).
    static QString formatSystemLine(const QString& text);
};

} // namespace brisquel
