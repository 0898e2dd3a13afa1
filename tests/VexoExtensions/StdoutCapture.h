#pragma once

#include <QByteArray>
#include <QTemporaryFile>
#include <cstdio>
#include <unistd.h>

namespace vexotest {

// Sends this process's standard output (descriptor 1) to a temporary file until taken.
class StdoutCapture {
public:
    StdoutCapture() {
        m_file.open();
        std::fflush(stdout);
        ::dup2(m_file.handle(), STDOUT_FILENO);
    }
    ~StdoutCapture() {
        take();
        ::close(m_saved);
    }
    StdoutCapture(const StdoutCapture&) = delete;
    StdoutCapture& operator=(const StdoutCapture&) = delete;

    // Everything written since the capture began; standard output is restored.
    QByteArray take() {
        std::fflush(stdout);
        ::dup2(m_saved, STDOUT_FILENO);
        m_file.seek(0);
        return m_file.readAll();
    }

private:
    QTemporaryFile m_file;
    int m_saved = ::dup(STDOUT_FILENO);
};

} // namespace vexotest
