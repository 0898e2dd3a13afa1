#include "app/PlainText.h"

namespace quillmere {

QString plainToolTip(const QString& text) {
    if (text.isEmpty()) {
        return {};
    }
    QString escaped = text.toHtmlEscaped();
    escaped.replace(QLatin1Char('\n'), QStringLiteral("<br>"));
    return QStringLiteral("<p style=\"white-space:pre\">") + escaped + QStringLiteral("</p>");
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
