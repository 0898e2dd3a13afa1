#include "cli/TerminalText.h"

#include "VexoExtensions/VisibleText.h"

#include <unicode/uchar.h>

namespace brisquel::cli::TerminalText {

namespace {

const QString kEllipsis = QStringLiteral("…");

using vexo::CodePoint;
using vexo::codePointAt;

qsizetype columnsOf(char32_t c) {
    const UChar32 u = static_cast<UChar32>(c);
    const int category = u_charType(u);
    if (category == U_NON_SPACING_MARK || category == U_ENCLOSING_MARK || category == U_FORMAT_CHAR) {
        return 0;
    }
    const int eastAsian = u_getIntPropertyValue(u, UCHAR_EAST_ASIAN_WIDTH);
    return eastAsian == U_EA_WIDE || eastAsian == U_EA_FULLWIDTH ? 2 : 1;
}

// The longest start of text that takes at most `columns` columns, with the zero-width marks that
// belong to its last character.
qsizetype prefixEnd(const QString& text, qsizetype columns) {
    qsizetype used = 0;
    qsizetype at = 0;
    while (at < text.size()) {
        const CodePoint cp = codePointAt(text, at);
        const qsizetype w = columnsOf(cp.value);
        if (used + w > columns) {
            break;
        }
        used += w;
        at += cp.length;
    }
    return at;
}

// Where the longest end of text that takes at most `columns` columns begins, never on a mark that
// belongs to a character left out.
qsizetype suffixStart(const QString& text, qsizetype columns) {
    QList<qsizetype> starts;
    for (qsizetype at = 0; at < text.size(); at += codePointAt(text, at).length) {
        starts.append(at);
    }
    qsizetype used = 0;
    qsizetype start = text.size();
    for (qsizetype i = starts.size() - 1; i >= 0; --i) {
        const qsizetype w = columnsOf(codePointAt(text, starts.at(i)).value);
        if (used + w > columns) {
            break;
        }
        used += w;
        start = starts.at(i);
    }
    while (start < text.size() && columnsOf(codePointAt(text, start).value) == 0) {
        start += codePointAt(text, start).length;
    }
    return start;
}

} // namespace

QString printable(const QString& text) {
    return vexo::visibleText(text);
}

qsizetype width(const QString& text) {
    qsizetype columns = 0;
    for (qsizetype at = 0; at < text.size();) {
        const CodePoint cp = codePointAt(text, at);
        columns += columnsOf(cp.value);
        at += cp.length;
    }
    return columns;
}

QString elidedRight(const QString& text, qsizetype columns) {
    if (width(text) <= columns) {
        return text;
    }
    if (columns <= 0) {
        return {};
    }
    return text.left(prefixEnd(text, columns - 1)) + kEllipsis;
}

QString elidedMiddle(const QString& text, qsizetype columns) {
    if (width(text) <= columns) {
        return text;
    }
    if (columns <= 0) {
        return {};
    }
    const qsizetype right = (columns - 1) / 2;
    const qsizetype left = columns - 1 - right;
    return text.left(prefixEnd(text, left)) + kEllipsis + text.mid(suffixStart(text, right));
}

QStringList wrapped(const QString& text, qsizetype columns) {
    columns = std::max<qsizetype>(columns, 1);
    QStringList lines;
    QString line;
    qsizetype lineWidth = 0;
    for (QString word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        qsizetype wordWidth = width(word);
        if (!line.isEmpty() && lineWidth + 1 + wordWidth <= columns) {
            line += QLatin1Char(' ') + word;
            lineWidth += 1 + wordWidth;
            continue;
        }
        if (!line.isEmpty()) {
            lines.append(line);
        }
        // A word wider than a whole line is broken where the line ends.
        while (wordWidth > columns) {
            qsizetype end = prefixEnd(word, columns);
            if (end == 0) {
                end = codePointAt(word, 0).length; // one character wider than the line
            }
            lines.append(word.left(end));
            word = word.mid(end);
            wordWidth = width(word);
        }
        line = word;
        lineWidth = wordWidth;
    }
    if (!line.isEmpty() || lines.isEmpty()) {
        lines.append(line);
    }
    return lines;
}

} // namespace brisquel::cli::TerminalText
