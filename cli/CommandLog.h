#pragma once

#include "core/platform/Log.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <mutex>

namespace brisquel::cli {

// The library's diagnostic channels as the tool uses them. Standard output belongs to the tool's
// own results (which may be JSON), so nothing of the library's reaches it: its lines are kept, so a
// failure can be explained in the tool's one-line message, and with --verbose they are also passed
// to the platform's system log (standard-output lines go to standard error instead).
class CommandLog final : public Log {
public:
    CommandLog(std::shared_ptr<Log> systemLog, bool verbose);

    void system(const QString& line) override;
    void standardOutput(const QString& line) override;

    // The last line any channel received; empty when none.
    QString lastLine() const;
    // Forgets the lines kept so far.
    void clear();

private:
    std::shared_ptr<Log> m_systemLog;
    bool m_verbose;
    mutable std::mutex m_mutex;
    QStringList m_lines;
};

} // namespace brisquel::cli
