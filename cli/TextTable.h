#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace brisquel::cli {

// A plain-text table with a header row and columns padded to their widest cell. The last column
// is not padded, so long texts there do not leave trailing spaces.
class TextTable {
public:
    explicit TextTable(QStringList header);

    void addRow(QStringList cells);
    qsizetype rowCount() const { return m_rows.size(); }

    // The table, one line per row, each ending in a line break.
    QString render() const;

    // Text made safe for one terminal cell: control characters (line breaks, escape sequences)
    // are written as visible escapes, so names read from other programs' files cannot break the
    // layout or drive the terminal.
    static QString printable(const QString& text);

private:
    QStringList m_header;
    QList<QStringList> m_rows;
};

} // namespace brisquel::cli
