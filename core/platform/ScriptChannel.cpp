#include "core/platform/ScriptChannel.h"

#include <QStringList>

#include <algorithm>

namespace brisquel {

namespace {

// Forms in which a script result names a file: a bare absolute path, a file URL, or the
// language's file specifiers followed by a path, optionally in double quotes.
const QStringList kFilePrefixes{QStringLiteral("POSIX file "), QStringLiteral("file "),
                                QStringLiteral("alias ")};

bool isPlainWord(const QString& text) {
    if (text.isEmpty()) {
        return false;
    }
    return std::ranges::all_of(text, [](const QChar c) {
        const char16_t u = c.unicode();
        return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9') ||
               u == u'_' || u == u'.';
    });
}

QString quoted(const QString& text) {
    if (isPlainWord(text)) {
        return text;
    }
    QString out = QStringLiteral("\"");
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'"':
            out += QStringLiteral("\\\"");
            break;
        case u'\\':
            out += QStringLiteral("\\\\");
            break;
        case u'\n':
            out += QStringLiteral("\\n");
            break;
        case u'\r':
            out += QStringLiteral("\\r");
            break;
        case u'\t':
            out += QStringLiteral("\\t");
            break;
        default:
            if (c.unicode() < 0x20) {
                out += QStringLiteral("\\U%1").arg(int(c.unicode()), 4, 16, QLatin1Char('0'));
            } else {
                out += c;
            }
        }
    }
    out += QLatin1Char('"');
    return out;
}

QString indent(int level) {
    return QString(qsizetype{level} * 4, QLatin1Char(' '));
}

QString describeValue(const QVariant& value, int level);

QString describeMap(const QVariantMap& map, int level) {
    QString out = QStringLiteral("{\n");
    for (auto it = map.constBegin(); it != map.constEnd(); ++it) {
        out += indent(level + 1) + quoted(it.key()) + QStringLiteral(" = ") +
               describeValue(it.value(), level + 1) + QStringLiteral(";\n");
    }
    out += indent(level) + QLatin1Char('}');
    return out;
}

QString describeList(const QVariantList& list, int level) {
    QString out = QStringLiteral("(\n");
    for (qsizetype i = 0; i < list.size(); ++i) {
        out += indent(level + 1) + describeValue(list.at(i), level + 1);
        out += i + 1 < list.size() ? QStringLiteral(",\n") : QStringLiteral("\n");
    }
    out += indent(level) + QLatin1Char(')');
    return out;
}

QString describeValue(const QVariant& value, int level) {
    switch (value.typeId()) {
    case QMetaType::QVariantMap:
        return describeMap(value.toMap(), level);
    case QMetaType::QVariantList:
    case QMetaType::QStringList:
        return describeList(value.toList(), level);
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
        return value.toString();
    default:
        return quoted(value.toString());
    }
}

} // namespace

std::optional<QUrl> ScriptResult::fileURL() const {
    if (!value) {
        return std::nullopt;
    }
    QString text = *value;
    if (text.startsWith(QLatin1String("file://"))) {
        const QUrl url(text, QUrl::StrictMode);
        if (url.isValid() && url.isLocalFile() && url.host().isEmpty()) {
            return url;
        }
        return std::nullopt;
    }
    for (const QString& prefix : kFilePrefixes) {
        if (text.startsWith(prefix)) {
            text = text.mid(prefix.size());
            break;
        }
    }
    if (text.size() >= 2 && text.startsWith(QLatin1Char('"')) && text.endsWith(QLatin1Char('"'))) {
        text = text.mid(1, text.size() - 2);
    }
    if (!text.startsWith(QLatin1Char('/')) || text.contains(QChar(u'\0'))) {
        return std::nullopt;
    }
    return QUrl::fromLocalFile(text);
}

QString ScriptResult::describe(const QVariantMap& errorInfo) {
    return describeMap(errorInfo, 0);
}

} // namespace brisquel
