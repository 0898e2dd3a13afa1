#include "cli/Argument.h"

#include "cli/TerminalText.h"

namespace brisquel::cli {

namespace {

// The length of the well-formed UTF-8 sequence at the start of bytes (RFC 3629: no overlong
// forms, no surrogates, nothing above U+10FFFF); 0 when none starts there.
qsizetype sequenceLength(const unsigned char* bytes, qsizetype available) {
    const unsigned char lead = bytes[0];
    if (lead < 0x80) {
        return 1;
    }
    qsizetype length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xbf;
    if (lead >= 0xc2 && lead <= 0xdf) {
        length = 2;
    } else if (lead >= 0xe0 && lead <= 0xef) {
        length = 3;
        low = lead == 0xe0 ? 0xa0 : 0x80;  // overlong
        high = lead == 0xed ? 0x9f : 0xbf; // surrogates
    } else if (lead >= 0xf0 && lead <= 0xf4) {
        length = 4;
        low = lead == 0xf0 ? 0x90 : 0x80;  // overlong
        high = lead == 0xf4 ? 0x8f : 0xbf; // beyond U+10FFFF
    } else {
        return 0;
    }
    if (available < length || bytes[1] < low || bytes[1] > high) {
        return 0;
    }
    for (qsizetype i = 2; i < length; ++i) {
        if (bytes[i] < 0x80 || bytes[i] > 0xbf) {
            return 0;
        }
    }
    return length;
}

} // namespace

Argument::Argument(QByteArray bytes) : m_bytes(std::move(bytes)), m_text(decodeExactly(m_bytes)) {}

std::optional<QString> Argument::decodeExactly(const QByteArray& bytes) {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
    for (qsizetype at = 0; at < bytes.size();) {
        const qsizetype length = sequenceLength(data + at, bytes.size() - at);
        if (length == 0) {
            return std::nullopt;
        }
        at += length;
    }
    return QString::fromUtf8(bytes);
}

QString Argument::shown(const QByteArray& bytes) {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
    QString out;
    qsizetype validFrom = 0;
    const auto flush = [&](qsizetype end) {
        out += TerminalText::printable(QString::fromUtf8(bytes.constData() + validFrom, end - validFrom));
    };
    for (qsizetype at = 0; at < bytes.size();) {
        const qsizetype length = sequenceLength(data + at, bytes.size() - at);
        if (length > 0) {
            at += length;
            continue;
        }
        flush(at);
        out += QStringLiteral("\\x") + QString::number(data[at], 16).rightJustified(2, QLatin1Char('0'));
        validFrom = ++at;
    }
    flush(bytes.size());
    return out;
}

} // namespace brisquel::cli
