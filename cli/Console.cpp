#include "cli/Console.h"

#include "cli/TextTable.h"

#include <QtGlobal>

#include <cstdio>

#include <sys/ioctl.h>
#include <unistd.h>

namespace brisquel::cli::Console {

namespace {

constexpr qsizetype kFallbackWidth = 80;

void writeTo(FILE* stream, const QByteArray& bytes) {
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
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
