#include "VexoExtensions/EnvironmentPath.h"

#include <QFile>

namespace brisquel::vexo {

namespace {

// The length of the UTF-8 sequence a lead byte begins; 0 for a byte that begins none.
int sequenceLength(unsigned char lead) {
    if (lead < 0x80)
        return 1;
    if ((lead & 0xE0) == 0xC0)
        return 2;
    if ((lead & 0xF0) == 0xE0)
        return 3;
    if ((lead & 0xF8) == 0xF0)
        return 4;
    return 0;
}

QString escaped(unsigned char byte) {
    return QStringLiteral("\\x") + QString::number(byte, 16).toUpper().rightJustified(2, QLatin1Char('0'));
}

} // namespace

QString printableBytes(const QByteArray& bytes) {
    QString text;
    text.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size();) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        const int length = sequenceLength(lead);
        if (length > 0 && i + length <= bytes.size()) {
            // Overlong forms, surrogates and code points beyond Unicode decode to U+FFFD.
            const QString decoded = QString::fromUtf8(bytes.constData() + i, length);
            const char32_t code = decoded.toUcs4().value(0);
            const bool exact = decoded.size() <= 2 && !decoded.contains(QChar::ReplacementCharacter);
            if (exact && code >= 0x20 && code != 0x7F && !(code >= 0x80 && code < 0xA0)) {
                text += decoded;
                i += length;
                continue;
            }
            if (exact && length > 1) {
                for (int k = 0; k < length; ++k)
                    text += escaped(static_cast<unsigned char>(bytes[i + k]));
                i += length;
                continue;
            }
        }
        text += escaped(lead);
        ++i;
    }
    return text;
}

Expected<QString> environmentPath(const char* variable) {
    const QByteArray raw = qgetenv(variable);
    if (raw.isEmpty())
        return QString();
    const QString path = QFile::decodeName(raw);
    if (QFile::encodeName(path) == raw)
        return path;
    return Result::failure(Status::Refused,
                           QString::fromLatin1(variable) + QStringLiteral(" names ") + printableBytes(raw) +
                               QStringLiteral(", which is not valid UTF-8: no text names that folder "
                                              "exactly, so it is not used; give a path that is valid UTF-8"));
}

} // namespace brisquel::vexo
