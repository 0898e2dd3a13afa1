#include "cli/Console.h"

#include "cli/TextTable.h"

#include <QtGlobal>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <sys/ioctl.h>
#include <unistd.h>

namespace brisquel::cli::Console {

namespace {

constexpr qsizetype kFallbackWidth = 80;

// The first error met writing standard output; 0 while there was none.
int outputError = 0;

void writeTo(FILE* stream, const QByteArray& bytes) {
    const size_t written = std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    const int flushed = std::fflush(stream);
    if ((written != size_t(bytes.size()) || flushed != 0) && stream == stdout && outputError == 0) {
        outputError = errno != 0 ? errno : EIO;
    }
}

} // namespace

void writeOut(const QString& text) {
    writeTo(stdout, text.toUtf8());
}

void writeOutBytes(const QByteArray& bytes) {
    writeTo(stdout, bytes);
}

void writeError(const QString& text) {
    writeTo(stderr, text.toUtf8());
}

QString outputFailure() {
    return outputError == 0 ? QString() : QString::fromLocal8Bit(std::strerror(outputError));
}

bool outputIsTerminal() {
    return isatty(STDOUT_FILENO) == 1;
}

qsizetype outputWidth() {
    if (!outputIsTerminal()) {
        return TextTable::kUnlimited;
    }
    winsize size{};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) {
        return size.ws_col;
    }
    bool ok = false;
    const int columns = qEnvironmentVariableIntValue("COLUMNS", &ok);
    return ok && columns > 0 ? columns : kFallbackWidth;
}

} // namespace brisquel::cli::Console
