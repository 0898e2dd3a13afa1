#include "cli/TerminalText.h"

#include "VexoExtensions/VisibleText.h"

#include <unicode/uchar.h>

#include <algorithm>

namespace brisquel::cli::TerminalText {

namespace {

const QString kEllipsis = QStringLiteral("…");

using vexo::CodePoint;
using vexo::codePointAt;
using vexo::codePointBefore;

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
qsizetype prefixEnd(QStringView text, qsizetype columns) {
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
qsizetype suffixStart(QStringView text, qsizetype columns) {
    qsizetype used = 0;
    qsizetype start = text.size();
    while (start > 0) {
        const CodePoint cp = codePointBefore(text, start);
        const qsizetype w = columnsOf(cp.value);
        if (used + w > columns) {
            break;
        }
        used += w;
        start -= cp.length;
    }
    while (start < text.size() && columnsOf(codePointAt(text, start).value) == 0) {
        start += codePointAt(text, start).length;
    }
    return start;
}

// Lines of at most `columns` columns, gathered up to a limit: the last line that fits ends in "…"
// when more would have followed.
class LineGatherer {
public:
    LineGatherer(qsizetype columns, qsizetype maxLines) : m_columns(columns), m_maxLines(maxLines) {}

    bool full() const { return m_full; }
    qsizetype width() const { return m_width; }
    bool lineIsEmpty() const { return m_line.isEmpty(); }

    void append(QStringView text, qsizetype width) {
        m_line += text;
        m_width += width;
    }
    // Ends the current line; false once the limit is reached and nothing more is taken.
    bool endLine() {
        if (m_full) {
            return false;
        }
        if (m_lines.size() == m_maxLines) {
            QString& last = m_lines.last();
            last = last.left(prefixEnd(last, m_columns - 1)) + kEllipsis;
            m_full = true;
            return false;
        }
        m_lines.append(m_line);
        m_line.clear();
        m_width = 0;
        return true;
    }
    QStringList lines() {
        if (!m_full && (!m_line.isEmpty() || m_lines.isEmpty())) {
            endLine();
        }
        return m_lines;
    }

private:
    qsizetype m_columns;
    qsizetype m_maxLines;
    QStringList m_lines;
    QString m_line;
    qsizetype m_width = 0;
    bool m_full = false;
};

} // namespace

QString printable(const QString& text) {
    return vexo::visibleText(text);
}

qsizetype width(QStringView text) {
    qsizetype columns = 0;
    for (qsizetype at = 0; at < text.size();) {
        const CodePoint cp = codePointAt(text, at);
        columns += columnsOf(cp.value);
        at += cp.length;
    }
    return columns;
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

QString elidedPath(const QString& path, qsizetype columns) {
    if (width(path) <= columns) {
        return path;
    }
    if (columns <= 0) {
        return {};
    }
    // The longest end that fits beside the "…", from a folder separator when it holds one, so that
    // no folder's name is shown in part; else the end of the last name, whose extension stays.
    const qsizetype start = suffixStart(path, columns - 1);
    const qsizetype separator = path.indexOf(QLatin1Char('/'), start);
    const bool fromSeparator = separator >= 0 && separator + 1 < path.size();
    return kEllipsis + path.mid(fromSeparator ? separator : start);
}

qsizetype elidedPathMinimum(const QString& path) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const qsizetype last = width(QStringView(path).mid(slash + 1));
    return std::min(width(path), slash >= 0 ? last + 2 : last);
}

QStringList wrapped(const QString& text, qsizetype columns, qsizetype maxLines) {
    columns = std::max<qsizetype>(columns, 1);
    maxLines = std::max<qsizetype>(maxLines, 1);
    LineGatherer out(columns, maxLines);
    const QStringView all(text);
    for (qsizetype at = 0; at < all.size() && !out.full();) {
        if (all.at(at) == QLatin1Char(' ')) {
            ++at;
            continue;
        }
        qsizetype end = text.indexOf(QLatin1Char(' '), at);
        end = end < 0 ? all.size() : end;
        const QStringView word = all.mid(at, end - at);
        at = end;
        const qsizetype wordWidth = width(word);
        if (!out.lineIsEmpty() && out.width() + 1 + wordWidth <= columns) {
            out.append(u" ", 1);
            out.append(word, wordWidth);
            continue;
        }
        if (!out.lineIsEmpty() && !out.endLine()) {
            break;
        }
        if (wordWidth <= columns) {
            out.append(word, wordWidth);
            continue;
        }
        // A word wider than a whole line is broken where each line ends, in one pass over it.
        for (qsizetype p = 0; p < word.size();) {
            const CodePoint cp = codePointAt(word, p);
            const qsizetype w = columnsOf(cp.value);
            if (out.width() + w > columns && !out.lineIsEmpty() && !out.endLine()) {
                break;
            }
            out.append(word.mid(p, cp.length), w);
            p += cp.length;
        }
    }
    return out.lines();
}

} // namespace brisquel::cli::TerminalText
