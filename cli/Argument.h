#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace brisquel::cli {

// One command-line argument, kept as the bytes the program was given. File names on this system
// are bytes, not text: a name that is not valid UTF-8 has no exact text form, and decoding it the
// usual lossy way would silently name another file (a look-alike with U+FFFD in its place).
class Argument final {
public:
    explicit Argument(QByteArray bytes);

    const QByteArray& bytes() const { return m_bytes; }
    // The text, when the bytes are well-formed UTF-8 (no stray, overlong or surrogate sequences);
    // none otherwise.
    const std::optional<QString>& text() const { return m_text; }
    bool isText() const { return m_text.has_value(); }

    // The argument as a message shows it: its text made printable (TerminalText::printable), with
    // each byte that belongs to no valid UTF-8 sequence written as "\xNN".
    QString shown() const { return shown(m_bytes); }

    static std::optional<QString> decodeExactly(const QByteArray& bytes);
    static QString shown(const QByteArray& bytes);

private:
    QByteArray m_bytes;
    std::optional<QString> m_text;
};

} // namespace brisquel::cli
