#include "VexoExtensions/VisibleText.h"

#include <unicode/uchar.h>

namespace brisquel::vexo {

namespace {

bool isShownAsItself(char32_t c) {
    if (c == U' ') {
        return true;
    }
    if (c == U'\\') {
        return false;
    }
    const UChar32 u = static_cast<UChar32>(c);
    switch (u_charType(u)) {
    case U_CONTROL_CHAR:
    case U_FORMAT_CHAR:
    case U_LINE_SEPARATOR:
    case U_PARAGRAPH_SEPARATOR:
    case U_SPACE_SEPARATOR:
    case U_SURROGATE:
    case U_UNASSIGNED:
        return false;
    default:
        // Characters that draw nothing although they are not format characters: Hangul fillers,
        // variation selectors, the combining grapheme joiner, Mongolian selectors.
        return !u_hasBinaryProperty(u, UCHAR_DEFAULT_IGNORABLE_CODE_POINT);
    }
}

QString hex(char32_t value, int digits) {
    return QString::number(uint(value), 16).rightJustified(digits, QLatin1Char('0'));
}

QString escaped(char32_t c) {
    switch (c) {
    case U'\n':
        return QStringLiteral("\\n");
    case U'\t':
        return QStringLiteral("\\t");
    case U'\r':
        return QStringLiteral("\\r");
    case U'\\':
        return QStringLiteral("\\\\");
    default:
        break;
    }
    if (c > 0xffff) {
        return QStringLiteral("\\U") + hex(c, 8);
    }
    return QStringLiteral("\\u") + hex(c, 4);
}

} // namespace

QString visibleText(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype at = 0; at < text.size();) {
        const CodePoint cp = codePointAt(text, at);
        if (isShownAsItself(cp.value)) {
            out += QStringView(text).mid(at, cp.length);
        } else {
            out += escaped(cp.value);
        }
        at += cp.length;
    }
    return out;
}

QByteArray jsonWithVisibleEscapes(const QByteArray& json) {
    const QString text = QString::fromUtf8(json);
    QString out;
    out.reserve(text.size());
    for (qsizetype at = 0; at < text.size();) {
        const CodePoint cp = codePointAt(text, at);
        // JSON's own syntax, and the controls below DEL that its writers escape already, is ASCII.
        if (cp.value < 0x7f || isShownAsItself(cp.value)) {
            out += QStringView(text).mid(at, cp.length);
        } else {
            // JSON spells a character beyond the BMP as its UTF-16 surrogate pair.
            for (qsizetype i = 0; i < cp.length; ++i)
                out += QStringLiteral("\\u") + hex(text.at(at + i).unicode(), 4);
        }
        at += cp.length;
    }
    return out.toUtf8();
}

} // namespace brisquel::vexo
