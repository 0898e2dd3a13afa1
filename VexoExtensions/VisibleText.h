#pragma once

#include "VexoExtensions/Export.h"

#include <QByteArray>
#include <QString>

// Text from outside (names, descriptions, paths, a server's answer) made safe to print where a
// person reads it: a terminal, a log, a message.
//
// Anything in it that a terminal would act on or not show (line breaks, escape sequences,
// bidirectional overrides, zero-width characters) is written as a visible escape instead, so that
// what is printed is always what was received, character for character.
namespace brisquel::vexo {

// One code point of a text and the UTF-16 code units it takes; a lone surrogate stands for itself.
struct CodePoint {
    char32_t value;
    qsizetype length;
};

// The code point that begins at `at` (which must lie inside the text).
inline CodePoint codePointAt(QStringView text, qsizetype at) {
    const QChar c = text.at(at);
    if (c.isHighSurrogate() && at + 1 < text.size() && text.at(at + 1).isLowSurrogate())
        return {QChar::surrogateToUcs4(c, text.at(at + 1)), 2};
    return {c.unicode(), 1};
}

// The code point that ends just before `end` (which must be above 0).
inline CodePoint codePointBefore(QStringView text, qsizetype end) {
    const QChar c = text.at(end - 1);
    if (c.isLowSurrogate() && end >= 2 && text.at(end - 2).isHighSurrogate())
        return {QChar::surrogateToUcs4(text.at(end - 2), c), 2};
    return {c.unicode(), 1};
}

// The text with every character that would not show as itself written as an escape: "\n", "\t",
// "\r", "\\" for a backslash, "\uXXXX" (or "\UXXXXXXXX" beyond the BMP) for the rest: control
// characters (C0, DEL and C1), format characters (bidirectional controls, zero-width spaces and
// joiners, the byte-order mark), other default-ignorable characters that draw nothing (such as
// Hangul fillers), line and paragraph separators, spaces other than U+0020, unassigned code
// points and lone surrogates.
BRISQUEL_EXPORT QString visibleText(const QString& text);

// A JSON document (UTF-8, as QJsonDocument writes it) with every character that visibleText()
// would escape and JSON leaves as it is (C1 controls, DEL, bidirectional overrides, zero-width
// characters, line separators...) written as a \u escape (a surrogate pair beyond the BMP). The
// document means exactly what it meant: every reader decodes the same strings; only a terminal
// showing it no longer acts on them. Characters outside strings are only ASCII and stay.
BRISQUEL_EXPORT QByteArray jsonWithVisibleEscapes(const QByteArray& json);

} // namespace brisquel::vexo
