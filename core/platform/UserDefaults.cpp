#include "platform/UserDefaults.h"

namespace brisquel {

std::optional<QString> UserDefaults::string(const QString& key) const {
    const QVariant v = value(key);
    if (v.typeId() != QMetaType::QString)
        return std::nullopt;
    return v.toString();
}

std::optional<bool> UserDefaults::boolean(const QString& key) const {
    const QVariant v = value(key);
    if (v.typeId() != QMetaType::Bool)
        return std::nullopt;
    return v.toBool();
}

std::optional<QByteArray> UserDefaults::data(const QString& key) const {
    const QVariant v = value(key);
    if (v.typeId() != QMetaType::QByteArray)
        return std::nullopt;
    return v.toByteArray();
}

std::optional<QUrl> UserDefaults::url(const QString& key) const {
    const std::optional<QString> text = string(key);
    if (!text || text->isEmpty())
        return std::nullopt;
    return QUrl::fromLocalFile(*text);
}

bool UserDefaults::setURL(const QString& key, const std::optional<QUrl>& url) {
    if (!url)
        return removeValue(key);
    if (!url->isLocalFile())
        return false;
    return setValue(key, url->toLocalFile());
}

} // namespace brisquel
