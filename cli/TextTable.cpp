#include "cli/TextTable.h"

#include <algorithm>

namespace brisquel::cli {

namespace {

// Columns are aligned by characters, counting a surrogate pair once.
qsizetype width(const QString& text) {
    qsizetype n = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!text.at(i).isLowSurrogate()) {
            ++n;
        }
    }
    return n;
}

} // namespace

TextTable::TextTable(QStringList header) : m_header(std::move(header)) {}

void TextTable::addRow(QStringList cells) {
    while (cells.size() < m_header.size()) {
        cells.append(QString());
    }
    m_rows.append(std::move(cells));
}

QString TextTable::printable(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'\n') {
            out += QStringLiteral("\\n");
        } else if (u == u'\t') {
            out += QStringLiteral("\\t");
        } else if (u == u'\r') {
            out += QStringLiteral("\\r");
        } else if (u < 0x20 || u == 0x7f || (u >= 0x80 && u < 0xa0) || u == 0x2028 || u == 0x2029) {
            out += QStringLiteral("\\u%1").arg(int(u), 4, 16, QLatin1Char('0'));
        } else {
            out += c;
        }
    }
    return out;
}

QString TextTable::render() const {
    QList<QStringList> lines;
    lines.append(m_header);
    lines.append(m_rows);
    for (QStringList& line : lines) {
        for (QString& cell : line) {
            cell = printable(cell);
        }
    }
    QList<qsizetype> widths(m_header.size(), 0);
    for (const QStringList& line : lines) {
        for (qsizetype c = 0; c < widths.size() && c < line.size(); ++c) {
            widths[c] = std::max(widths[c], width(line.at(c)));
        }
    }
    QString out;
    for (const QStringList& line : lines) {
        QString text;
        for (qsizetype c = 0; c < line.size(); ++c) {
            if (c > 0) {
                text += QStringLiteral("  ");
            }
            text += line.at(c);
            if (c + 1 < line.size()) {
                text += QString(widths.value(c) - width(line.at(c)), QLatin1Char(' '));
            }
        }
        while (text.endsWith(QLatin1Char(' '))) {
            text.chop(1);
        }
        out += text + QLatin1Char('\n');
    }
    return out;
}

} // namespace brisquel::cli
