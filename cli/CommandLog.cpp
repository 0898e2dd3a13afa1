#include "cli/CommandLog.h"

#include "cli/Console.h"
#include "cli/TerminalText.h"

namespace brisquel::cli {

CommandLog::CommandLog(std::shared_ptr<Log> systemLog, bool verbose)
    : m_systemLog(std::move(systemLog)), m_verbose(verbose) {}

void CommandLog::system(const QString& line) {
    if (m_verbose && m_systemLog) {
        m_systemLog->system(TerminalText::printable(line));
    }
}

void CommandLog::standardOutput(const QString& line) {
    if (m_verbose) {
        Console::writeError(TerminalText::printable(line) + QLatin1Char('\n'));
    }
}

} // namespace brisquel::cli
