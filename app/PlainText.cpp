#include "app/PlainText.h"

namespace quillmere {

namespace {

// Where a line may be broken without splitting a character in two.
qsizetype breakBefore(const QString& line, qsizetype at) {
    return at < line.size() && line.at(at).isLowSurrogate() ? at + 1 : at;
}

} // namespace

QString plainToolTip(const QString& text) {
    if (text.isEmpty()) {
        return {};
    }
    QStringList lines;
    for (const QString& line :
         shortenedForDisplay(text, kMaximumToolTipCharacters).split(QLatin1Char('\n'))) {
        if (line.size() <= kLongLine) {
            lines.append(line.toHtmlEscaped());
            continue;
        }
        for (qsizetype start = 0; start < line.size();) {
            const qsizetype end = breakBefore(line, qMin(line.size(), start + kBrokenLine));
            lines.append(line.mid(start, end - start).toHtmlEscaped());
            start = end;
        }
    }
    return QStringLiteral("<p style=\"white-space:pre\">") + lines.join(QStringLiteral("<br>")) +
           QStringLiteral("</p>");
}

QString shortenedForDisplay(const QString& text, qsizetype characters) {
    if (text.size() <= characters) {
        return text;
    }
    // Never more than `characters`: the start gives up, and the end leaves out, half a pair.
    qsizetype head = (characters - 1) / 2;
    if (head > 0 && text.at(head).isLowSurrogate()) {
        --head;
    }
    const qsizetype tail = breakBefore(text, text.size() - (characters - 1 - (characters - 1) / 2));
    return text.left(head) + QChar(0x2026) + text.mid(tail);
}

QString menuItemText(const QString& text, qsizetype characters) {
    QString line = text;
    for (QChar& c : line) {
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QLatin1Char('\t') ||
            c == QChar::LineSeparator || c == QChar::ParagraphSeparator) {
            c = QLatin1Char(' ');
        }
    }
    return shortenedForDisplay(line, characters).replace(QLatin1Char('&'), QStringLiteral("&&"));
}

QMessageBox* openPlainMessageBox(QMessageBox::Icon icon, const QString& title, const QString& text,
                                 QWidget* parent) {
    auto* box = new QMessageBox(icon, title, QString(), QMessageBox::Ok, parent);
    box->setTextFormat(Qt::PlainText);
    box->setText(text);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
    return box;
}

} // namespace quillmere
