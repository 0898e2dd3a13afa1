#include "app/URLTransformer.h"

#include <QDir>
#include <QUrl>

namespace quillmere {

QVariant URLTransformer::transformedValue(const QVariant& value) const {
    if (value.metaType() != QMetaType::fromType<QUrl>()) {
        return {};
    }
    const QUrl url = value.toUrl();
    if (!url.isValid()) {
        return {};
    }
    return url.path(QUrl::FullyDecoded);
}

QVariant URLTransformer::reverseTransformedValue(const QVariant& value) const {
    if (value.metaType() != QMetaType::fromType<QString>()) {
        return {};
    }
    const QString path = value.toString();
    if (path.isEmpty()) {
        return {};
    }
    // Only prefixed, never cleaned: ".." and links stay as the text names them.
    const QString absolute =
        QDir::isAbsolutePath(path) ? path : QDir::currentPath() + QLatin1Char('/') + path;
    return QUrl::fromLocalFile(absolute);
}

QStringList URLTransformer::valueTransformerNames() {
    return {QStringLiteral("URLTransformer")};
}

void URLTransformer::registerTransformers() {
    const auto transformer = std::make_shared<const URLTransformer>();
    for (const QString& name : valueTransformerNames()) {
        ValueTransformer::setValueTransformer(transformer, name);
    }
}

} // namespace quillmere
