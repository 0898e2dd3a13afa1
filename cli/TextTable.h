#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace brisquel::cli {

// A plain-text table: a header row, then one row per record, columns padded to their widest cell
// and two spaces apart. Every cell is shown through TerminalText::printable(), so no cell can
// break the layout or drive the terminal. The last column is not padded, so lines carry no
// trailing spaces.
//
// Given a width (a terminal's), the table is fitted to it: columns that may give way do so, widest
// first (wrapped columns, then paths), down to a readable minimum (for a path, its last name whole).
// Names are not cut, since a name shown must be accepted back: when the table still does not fit,
// each row is shown as a block instead, its first cell as a heading and every other cell on a line
// of its own under its column's header, wrapped or elided to the width. A cell that would take
// more than a screenful of lines (a name or description of a megabyte) ends in "…" instead.
// Without a width nothing is cut. Rendering takes time in proportion to the cells' total length.
class TextTable final {
public:
    // What a column does when the table is too wide.
    enum class Fit {
        Keep,      // names and identifiers: never cut
        ElidePath, // paths: cut from the left, so the file's or the bundle's name stays
        Wrap,      // prose: broken into lines at spaces
    };
    struct Column {
        QString header;
        Fit fit = Fit::Keep;
    };

    static constexpr qsizetype kUnlimited = -1;

    explicit TextTable(QList<Column> columns);

    // Missing cells are empty; cells beyond the header's are ignored.
    void addRow(QStringList cells);
    qsizetype rowCount() const { return m_rows.size(); }

    // The table, one line per row (more for wrapped cells), each ending in a line break.
    QString render(qsizetype maxWidth = kUnlimited) const;

private:
    // The column widths that fit maxWidth; empty when the table cannot fit it without cutting a
    // name.
    QList<qsizetype> fittedWidths(const QList<QStringList>& lines, qsizetype maxWidth) const;
    QString renderColumns(const QList<QStringList>& lines, const QList<qsizetype>& widths) const;
    QString renderBlocks(const QList<QStringList>& lines, qsizetype maxWidth) const;
    // A cell's text in `columns` columns, one entry per line, as its column's fit has it.
    QStringList fitted(qsizetype column, const QString& text, qsizetype columns) const;

    QList<Column> m_columns;
    QList<QStringList> m_rows;
};

} // namespace brisquel::cli
