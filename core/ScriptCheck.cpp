#include "core/ScriptCheck.h"

#include <QFile>
#include <QStringDecoder>

#ifdef Q_OS_MACOS
#include "VexoExtensions/ProcessRunner.h"

#include <QTemporaryDir>
#endif

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iterator>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace brisquel {

namespace {

using Status = ScriptCheck::Status;

// What every compiled AppleScript's data begins with.
constexpr char kCompiledScriptMagic[] = "FasdUAS";
constexpr qsizetype kMagicLength = sizeof kCompiledScriptMagic - 1;
// Where a script bundle keeps the script Capture One runs.
constexpr char kBundleMainScript[] = "/Contents/Resources/Scripts/main.scpt";

QString errorText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

struct Verdict {
    Status status = Status::Passes;
    QString reason;
};

// A file's contents: its start, or (for a script text) all of it.
struct Contents {
    QByteArray bytes;
    qint64 size = 0;
};

// Opened so that nothing can make the open or the read wait: a FIFO put in the file's place
// between the look at it and the open is refused here too.
Verdict readFile(const QByteArray& path, const QString& shown, qint64 longest, Contents& contents) {
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        const int error = errno;
        return {Status::NotReadable, shown + QStringLiteral(" cannot be read: ") + errorText(error)};
    }
    struct stat info {};
    Verdict verdict;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        verdict = {Status::NotAFile, shown + QStringLiteral(" is not a regular file")};
    } else {
        contents.size = info.st_size;
        contents.bytes.resize(qsizetype(qMin<qint64>(longest, info.st_size)));
        qsizetype done = 0;
        while (done < contents.bytes.size()) {
            const ssize_t n = ::read(fd, contents.bytes.data() + done, size_t(contents.bytes.size() - done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                const int error = errno;
                verdict = {Status::NotReadable,
                           shown + QStringLiteral(" cannot be read: ") + errorText(error)};
                break;
            }
            if (n == 0)
                break; // it was made shorter meanwhile
            done += n;
        }
        contents.bytes.resize(done);
    }
    ::close(fd);
    return verdict;
}

// Tab, line feed, page break and carriage return are the only control characters a script text
// holds; any other (a NUL above all) is binary data.
bool hasForeignControls(const QString& text) {
    return std::ranges::any_of(text, [](QChar c) {
        const char16_t u = c.unicode();
        return (u < 0x20 && u != u'\t' && u != u'\n' && u != u'\f' && u != u'\r') || u == 0x7f;
    });
}

std::optional<QString> decoded(QStringConverter::Encoding encoding, QByteArrayView bytes) {
    QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless);
    QString text = decoder.decode(bytes);
    // Qt's UTF-16 decoder lets a lone surrogate or a byte left over at the end pass.
    const bool utf16 = encoding == QStringConverter::Utf16LE || encoding == QStringConverter::Utf16BE;
    if (decoder.hasError() || !text.isValidUtf16() || (utf16 && bytes.size() % 2 != 0))
        return std::nullopt;
    return text;
}

// Mac Roman maps every byte to a character; only its control characters can make it binary.
QString fromMacRoman(QByteArrayView bytes) {
    static constexpr char16_t kHigh[128] = {
        0x00C4, 0x00C5, 0x00C7, 0x00C9, 0x00D1, 0x00D6, 0x00DC, 0x00E1, 0x00E0, 0x00E2, 0x00E4, 0x00E3,
        0x00E5, 0x00E7, 0x00E9, 0x00E8, 0x00EA, 0x00EB, 0x00ED, 0x00EC, 0x00EE, 0x00EF, 0x00F1, 0x00F3,
        0x00F2, 0x00F4, 0x00F6, 0x00F5, 0x00FA, 0x00F9, 0x00FB, 0x00FC, 0x2020, 0x00B0, 0x00A2, 0x00A3,
        0x00A7, 0x2022, 0x00B6, 0x00DF, 0x00AE, 0x00A9, 0x2122, 0x00B4, 0x00A8, 0x2260, 0x00C6, 0x00D8,
        0x221E, 0x00B1, 0x2264, 0x2265, 0x00A5, 0x00B5, 0x2202, 0x2211, 0x220F, 0x03C0, 0x222B, 0x00AA,
        0x00BA, 0x03A9, 0x00E6, 0x00F8, 0x00BF, 0x00A1, 0x00AC, 0x221A, 0x0192, 0x2248, 0x2206, 0x00AB,
        0x00BB, 0x2026, 0x00A0, 0x00C0, 0x00C3, 0x00D5, 0x0152, 0x0153, 0x2013, 0x2014, 0x201C, 0x201D,
        0x2018, 0x2019, 0x00F7, 0x25CA, 0x00FF, 0x0178, 0x2044, 0x20AC, 0x2039, 0x203A, 0xFB01, 0xFB02,
        0x2021, 0x00B7, 0x201A, 0x201E, 0x2030, 0x00C2, 0x00CA, 0x00C1, 0x00CB, 0x00C8, 0x00CD, 0x00CE,
        0x00CF, 0x00CC, 0x00D3, 0x00D4, 0xF8FF, 0x00D2, 0x00DA, 0x00DB, 0x00D9, 0x0131, 0x02C6, 0x02DC,
        0x00AF, 0x02D8, 0x02D9, 0x02DA, 0x00B8, 0x02DD, 0x02DB, 0x02C7};
    QString text;
    text.reserve(bytes.size());
    for (const char byte : bytes) {
        const auto u = static_cast<unsigned char>(byte);
        text.append(QChar(u < 0x80 ? char16_t(u) : kHigh[u - 0x80]));
    }
    return text;
}

// The text a script file holds, in the encodings AppleScript reads; none for binary data or text
// in another encoding.
std::optional<QString> scriptText(const QByteArray& bytes) {
    std::optional<QString> text;
    if (bytes.startsWith("\xEF\xBB\xBF"))
        text = decoded(QStringConverter::Utf8, QByteArrayView(bytes).sliced(3));
    else if (bytes.startsWith("\xFF\xFE"))
        text = decoded(QStringConverter::Utf16LE, QByteArrayView(bytes).sliced(2));
    else if (bytes.startsWith("\xFE\xFF"))
        text = decoded(QStringConverter::Utf16BE, QByteArrayView(bytes).sliced(2));
    else if (!(text = decoded(QStringConverter::Utf8, bytes)))
        text = fromMacRoman(bytes);
    if (text && hasForeignControls(*text))
        return std::nullopt;
    return text;
}

#ifdef Q_OS_MACOS
// Whether AppleScript compiles the text; its complaint otherwise. osacompile writes into a
// scratch folder that is removed with everything in it.
Verdict compiles(const QByteArray& path, const QString& shown) {
    QTemporaryDir scratch;
    if (!scratch.isValid())
        return {Status::NotReadable, shown + QStringLiteral(" cannot be compiled: no scratch folder (") +
                                         scratch.errorString() + QLatin1Char(')')};
    vexo::Process task(
        QStringLiteral("/usr/bin/osacompile"),
        {QStringLiteral("-o"), scratch.filePath(QStringLiteral("check.scpt")), QFile::decodeName(path)});
    try {
        task.run(false);
    } catch (const vexo::ProcessError& error) {
        return {Status::DoesNotCompile,
                shown + QStringLiteral(" does not compile: ") +
                    error.failureReason()
                        .value_or(QStringLiteral("AppleScript's reason is not readable text"))
                        .trimmed()};
    } catch (const vexo::ProcessLaunchError& error) {
        return {Status::NotReadable,
                shown + QStringLiteral(" cannot be compiled: osacompile cannot be started (") +
                    error.message() + QLatin1Char(')')};
    }
    return {};
}
#endif

// Why a regular file is not a script Capture One runs; a pass when it is one.
Verdict checkRegularFile(const QByteArray& path, const QString& shown) {
    const QString suffix = QFile::decodeName(path.mid(path.lastIndexOf('.') + 1)).toLower();
    const bool scriptName = suffix == QLatin1String("scpt") || suffix == QLatin1String("applescript");
    Contents contents;
    if (Verdict read =
            readFile(path, shown, scriptName ? ScriptCheck::kLongestScriptText : kMagicLength, contents);
        read.status != Status::Passes)
        return read;
    if (contents.size == 0)
        return {Status::Empty, shown + QStringLiteral(" is empty")};
    if (contents.bytes.startsWith(kCompiledScriptMagic))
        return {};
    if (!scriptName)
        return {Status::NotAScript,
                shown + QStringLiteral(" is not an AppleScript file (.scpt, .scptd or .applescript)")};
    if (contents.size > ScriptCheck::kLongestScriptText)
        return {Status::NotAScript,
                shown + QStringLiteral(" is too large to be a script text (over ") +
                    QString::number(ScriptCheck::kLongestScriptText / vexo::limits::kMebibyte) +
                    QStringLiteral(" MB) and is not a compiled script")};
    if (!scriptText(contents.bytes))
        return {Status::NotAScript,
                shown + QStringLiteral(" is neither a compiled script nor a script text (UTF-8, UTF-16 with "
                                       "a byte-order mark, or Mac Roman)")};
#ifdef Q_OS_MACOS
    return compiles(path, shown);
#else
    return {};
#endif
}

QString kindOf(mode_t mode) {
    if (S_ISFIFO(mode))
        return QStringLiteral("a FIFO");
    if (S_ISSOCK(mode))
        return QStringLiteral("a socket");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("a device");
    return QStringLiteral("not a regular file");
}

Verdict check(const QByteArray& path, const QString& shown) {
    struct stat info {};
    if (::stat(path.constData(), &info) != 0) {
        const int error = errno;
        struct stat link {};
        if (error == ENOENT && ::lstat(path.constData(), &link) == 0)
            return {Status::Missing,
                    shown + QStringLiteral(" is a symbolic link to a file that does not exist")};
        if (error == ENOENT)
            return {Status::Missing, shown + QStringLiteral(" does not exist")};
        return {Status::NotReadable, shown + QStringLiteral(" cannot be reached: ") + errorText(error)};
    }
    if (S_ISDIR(info.st_mode)) {
        if (!path.toLower().endsWith(".scptd"))
            return {Status::NotAFile, shown + QStringLiteral(" is a folder, not a script file")};
        // The bundle's main script is judged as a file of its own would be: a FIFO, a folder or a
        // dangling link there is named as what it is; only a main script that is not there at all
        // makes a bundle "without" one.
        const QByteArray main = path + kBundleMainScript;
        struct stat mainInfo {};
        if (::lstat(main.constData(), &mainInfo) != 0 && errno == ENOENT)
            return {Status::NotAScript, shown + QStringLiteral(" is a script bundle without ") +
                                            QLatin1String(kBundleMainScript + 1)};
        return check(main, shown + QLatin1String(kBundleMainScript));
    }
    if (!S_ISREG(info.st_mode))
        return {Status::NotAFile, shown + QStringLiteral(" is ") + kindOf(info.st_mode) +
                                      QStringLiteral(", not a script file")};
    return checkRegularFile(path, shown);
}

} // namespace

ScriptCheck ScriptCheck::of(const QString& path, const QString& shown) {
    Verdict verdict = check(QFile::encodeName(path), shown.isEmpty() ? path : shown);
    return ScriptCheck(verdict.status, std::move(verdict.reason));
}

namespace {

// What a user reads for each outcome, and the name JSON gives it, in the order of the statuses.
struct Naming {
    const char* word;
    const char* identifier;
};
constexpr Naming kNamings[] = {
    {"ok", "ok"},
    {"missing", "missing"},
    {"unreadable", "unreadable"},
    {"not a file", "notAFile"},
    {"empty", "empty"},
    {"not a script", "notAScript"},
    {"does not compile", "doesNotCompile"},
};
static_assert(std::size(kNamings) == std::size_t(ScriptCheck::Status::DoesNotCompile) + 1);

const Naming& namingOf(ScriptCheck::Status status) {
    return kNamings[std::size_t(status)];
}

} // namespace

QString ScriptCheck::word() const {
    return QLatin1String(namingOf(m_status).word);
}

QString ScriptCheck::identifier() const {
    return QLatin1String(namingOf(m_status).identifier);
}

} // namespace brisquel
