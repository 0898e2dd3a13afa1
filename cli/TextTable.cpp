#include "cli/TextTable.h"

#include "cli/TerminalText.h"

#include <algorithm>
#include <numeric>

namespace brisquel::cli {

namespace {

constexpr qsizetype kGap = 2;
// Below these widths a wrapped or elided column stops giving way while others still can:
// narrower, a description or a path no longer reads as one.
constexpr qsizetype kWrapMinimum = 20;
constexpr qsizetype kElideMinimum = 16;
// A path column keeps room for "…/" and the longest last name, up to this many columns: a longer
// name is cut too rather than pushing the table into blocks.
constexpr qsizetype kPathMinimumMost = 40;
// A cell never takes more lines than this on a terminal: a description or a name of a megabyte
// ends in "…" (the whole text is in --json and in output that is not a terminal's).
constexpr qsizetype kMostLinesPerCell = 12;
// A block's values get at least this many columns, however narrow the terminal.
constexpr qsizetype kBlockValueMinimum = 20;

qsizetype lineWidth(const QList<qsizetype>& widths) {
    return std::accumulate(widths.begin(), widths.end(), qsizetype(0)) +
           kGap * std::max<qsizetype>(widths.size() - 1, 0);
}

} // namespace

TextTable::TextTable(QList<Column> columns) : m_columns(std::move(columns)) {}

void TextTable::addRow(QStringList cells) {
    cells.resize(m_columns.size());
    m_rows.append(std::move(cells));
}

QList<qsizetype> TextTable::fittedWidths(const QList<QStringList>& lines, qsizetype maxWidth) const {
    QList<qsizetype> widths(m_columns.size(), 0);
    for (const QStringList& line : lines) {
        for (qsizetype c = 0; c < widths.size(); ++c) {
            widths[c] = std::max(widths[c], TerminalText::width(line.at(c)));
        }
    }
    if (maxWidth == kUnlimited) {
        return widths;
    }
    // What a path column needs to keep each path's last name whole.
    QList<qsizetype> pathFloor(widths.size(), kElideMinimum);
    for (qsizetype c = 0; c < widths.size(); ++c) {
        if (m_columns.at(c).fit != Fit::ElidePath) {
            continue;
        }
        for (qsizetype row = 1; row < lines.size(); ++row) {
            pathFloor[c] =
                std::max(pathFloor[c],
                         std::min(TerminalText::elidedPathMinimum(lines.at(row).at(c)), kPathMinimumMost));
        }
    }
    // Each pass lets one kind of column give way, widest first.
    const auto giveWay = [&](Fit fit, qsizetype floor) {
        QList<qsizetype> minimum(widths.size());
        for (qsizetype c = 0; c < widths.size(); ++c) {
            const qsizetype columnFloor = m_columns.at(c).fit == Fit::ElidePath ? pathFloor[c] : floor;
            minimum[c] = std::min(widths[c], std::max(columnFloor, TerminalText::width(lines.first().at(c))));
        }
        while (lineWidth(widths) > maxWidth) {
            qsizetype widest = -1;
            for (qsizetype c = 0; c < widths.size(); ++c) {
                if (m_columns.at(c).fit == fit && widths[c] > minimum[c] &&
                    (widest < 0 || widths[c] > widths[widest])) {
                    widest = c;
                }
            }
            if (widest < 0) {
                return;
            }
            // In large steps while far too wide, so a huge cell costs only a few passes.
            const qsizetype excess = lineWidth(widths) - maxWidth;
            widths[widest] -= std::clamp<qsizetype>(excess / 2, 1, widths[widest] - minimum[widest]);
        }
    };
    giveWay(Fit::Wrap, kWrapMinimum);
    giveWay(Fit::ElidePath, kElideMinimum);
    return lineWidth(widths) <= maxWidth ? widths : QList<qsizetype>();
}

QStringList TextTable::fitted(qsizetype column, const QString& text, qsizetype columns) const {
    if (TerminalText::width(text) <= columns) {
        return {text};
    }
    switch (m_columns.at(column).fit) {
    case Fit::Wrap:
        return TerminalText::wrapped(text, columns, kMostLinesPerCell);
    case Fit::ElidePath:
        return {TerminalText::elidedPath(text, columns)};
    case Fit::Keep:
        break;
    }
    // A name longer than a whole line is wrapped; only one longer than a screenful is cut.
    return TerminalText::wrapped(text, columns, kMostLinesPerCell);
}

QString TextTable::render(qsizetype maxWidth) const {
    QList<QStringList> lines;
    lines.reserve(m_rows.size() + 1);
    QStringList header;
    for (const Column& column : m_columns) {
        header.append(column.header);
    }
    lines.append(header);
    for (const QStringList& row : m_rows) {
        QStringList shown;
        shown.reserve(row.size());
        for (const QString& cell : row) {
            shown.append(TerminalText::printable(cell));
        }
        lines.append(std::move(shown));
    }
    const QList<qsizetype> widths = fittedWidths(lines, maxWidth);
    return widths.isEmpty() ? renderBlocks(lines, maxWidth) : renderColumns(lines, widths);
}

QString TextTable::renderColumns(const QList<QStringList>& lines, const QList<qsizetype>& widths) const {
    QString out;
    for (const QStringList& line : lines) {
        QList<QStringList> cells;
        qsizetype height = 1;
        for (qsizetype c = 0; c < widths.size(); ++c) {
            cells.append(fitted(c, line.at(c), widths[c]));
            height = std::max(height, cells.last().size());
        }
        for (qsizetype i = 0; i < height; ++i) {
            QString text;
            for (qsizetype c = 0; c < widths.size(); ++c) {
                const QString part = cells.at(c).value(i);
                if (c > 0) {
                    text += QString(kGap, QLatin1Char(' '));
                }
                text += part;
                if (c + 1 < widths.size()) {
                    text += QString(std::max<qsizetype>(widths[c] - TerminalText::width(part), 0),
                                    QLatin1Char(' '));
                }
            }
            while (text.endsWith(QLatin1Char(' '))) {
                text.chop(1);
            }
            out += text + QLatin1Char('\n');
        }
    }
    return out;
}

QString TextTable::renderBlocks(const QList<QStringList>& lines, qsizetype maxWidth) const {
    qsizetype labelWidth = 0;
    for (qsizetype c = 1; c < m_columns.size(); ++c) {
        labelWidth = std::max(labelWidth, TerminalText::width(m_columns.at(c).header));
    }
    const QString indent(kGap, QLatin1Char(' '));
    const qsizetype valueWidth = std::max(maxWidth - kGap - labelWidth - kGap, kBlockValueMinimum);
    QString out;
    for (qsizetype row = 1; row < lines.size(); ++row) {
        const QStringList& line = lines.at(row);
        if (row > 1) {
            out += QLatin1Char('\n');
        }
        out += fitted(0, line.at(0), std::max(maxWidth, kBlockValueMinimum)).join(QLatin1Char('\n')) +
               QLatin1Char('\n');
        for (qsizetype c = 1; c < m_columns.size(); ++c) {
            const QString& label = m_columns.at(c).header;
            const QStringList parts = fitted(c, line.at(c), valueWidth);
            for (qsizetype i = 0; i < parts.size(); ++i) {
                QString text =
                    indent + (i == 0 ? label : QString()) +
                    QString(labelWidth - (i == 0 ? TerminalText::width(label) : 0) + kGap, QLatin1Char(' ')) +
                    parts.at(i);
                while (text.endsWith(QLatin1Char(' '))) {
                    text.chop(1);
                }
                out += text + QLatin1Char('\n');
            }
        }
    }
    return out;
}

} // namespace brisquel::cli
