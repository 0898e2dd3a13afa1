#include "VexoExtensions/SecureURL.h"

#include <QFileInfo>

namespace brisquel::vexo {

namespace {

const QByteArray kMagic = QByteArrayLiteral("vexo-bookmark/1\n");

} // namespace

std::optional<QByteArray> bookmarkData(const QUrl& url) {
    if (!url.isValid() || !url.isLocalFile())
        return std::nullopt;
    const QFileInfo file(url.toLocalFile());
    if (!file.exists())
        return std::nullopt;
    return kMagic + QUrl::fromLocalFile(file.absoluteFilePath()).toEncoded(QUrl::FullyEncoded);
}

std::optional<QUrl> resolveBookmarkData(const QByteArray& bookmark) {
    if (!bookmark.startsWith(kMagic))
        return std::nullopt;
    const QUrl url = QUrl::fromEncoded(bookmark.mid(kMagic.size()), QUrl::StrictMode);
    if (!url.isValid() || !url.isLocalFile())
        return std::nullopt;
    if (!QFileInfo::exists(url.toLocalFile()))
        return std::nullopt;
    return url;
}

bool setSecureURL(UserDefaults& defaults, const std::optional<QUrl>& url, const QString& key) {
    const std::optional<QByteArray> bookmark = url ? bookmarkData(*url) : std::nullopt;
    if (!bookmark)
        return defaults.removeValue(key);
    return defaults.setValue(key, *bookmark);
}

std::optional<QUrl> secureURL(const UserDefaults& defaults, const QString& key) {
    const QVariant value = defaults.value(key);
    if (value.typeId() != QMetaType::QByteArray)
        return std::nullopt;
    return resolveBookmarkData(value.toByteArray());
}

} // namespace brisquel::vexo
