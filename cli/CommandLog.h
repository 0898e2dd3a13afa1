#pragma once

#include "core/platform/Log.h"

#include <QString>
#include <memory>

namespace brisquel::cli {

// The library's diagnostic channels as the tool uses them. Standard output belongs to the tool's
// own results (which may be JSON), so nothing of the library's reaches it. Without --verbose the
// lines are dropped: every failure the user must learn about comes back to the tool with its
// reason and is said in the tool's own words. With --verbose they go to the platform's system log
// (which also writes standard error), and standard-output lines go to standard error; both made
// printable first, since they may carry names from other programs' files.
class CommandLog final : public Log {
public:
    CommandLog(std::shared_ptr<Log> systemLog, bool verbose);

    void system(const QString& line) override;
    void standardOutput(const QString& line) override;

private:
    std::shared_ptr<Log> m_systemLog;
    bool m_verbose;
};

} // namespace brisquel::cli
