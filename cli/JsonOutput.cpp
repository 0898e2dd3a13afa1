#include "cli/JsonOutput.h"

#include "cli/TerminalText.h"

#include <QJsonDocument>
#include <QString>

namespace brisquel::cli::JsonOutput {

namespace {

void appendEscape(QString& out, char16_t unit) {
    out += QStringLiteral("\\u") + QString::number(unit, 16).rightJustified(4, QLatin1Char('0'));
}

} // namespace

QByteArray text(const QJsonArray& array) {
    // Qt escapes the C0 controls, quotes and backslashes; everything else it writes raw. Outside
    // strings, JSON has only ASCII, so each character escaped here lies inside a string.
    const QString raw = QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Indented));
    QString out;
    out.reserve(raw.size());
    for (qsizetype at = 0; at < raw.size(); ++at) {
        const QChar c = raw.at(at);
        if (c.unicode() < 0x7f) {
            out += c;
            continue;
        }
        char32_t value = c.unicode();
        qsizetype length = 1;
        if (c.isHighSurrogate() && at + 1 < raw.size() && raw.at(at + 1).isLowSurrogate()) {
            value = QChar::surrogateToUcs4(c, raw.at(at + 1));
            length = 2;
        }
        if (TerminalText::showsAsItself(value)) {
            out += QStringView(raw).mid(at, length);
        } else {
            for (qsizetype i = 0; i < length; ++i) {
                appendEscape(out, raw.at(at + i).unicode());
            }
        }
        at += length - 1;
    }
    return out.toUtf8();
}

} // namespace brisquel::cli::JsonOutput
