#include "cli/CommandLog.h"

#include <cstdio>

namespace brisquel::cli {

CommandLog::CommandLog(std::shared_ptr<Log> systemLog, bool verbose)
    : m_systemLog(std::move(systemLog)), m_verbose(verbose) {}

void CommandLog::system(const QString& line) {
    {
        std::lock_guard lock(m_mutex);
        m_lines.append(line);
    }
    if (m_verbose && m_systemLog) {
        m_systemLog->system(line);
    }
}

void CommandLog::standardOutput(const QString& line) {
    {
        std::lock_guard lock(m_mutex);
        m_lines.append(line);
    }
    if (m_verbose) {
        const QByteArray bytes = (line + QLatin1Char('\n')).toUtf8();
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    }
}

QString CommandLog::lastLine() const {
    std::lock_guard lock(m_mutex);
    return m_lines.isEmpty() ? QString() : m_lines.last();
}

void CommandLog::clear() {
    std::lock_guard lock(m_mutex);
    m_lines.clear();
}

} // namespace brisquel::cli
