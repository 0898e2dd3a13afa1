#include "VexoExtensions/UserDefaults.h"

#include "VexoExtensions/PropertyList.h"

#include <QDir>
#include <plist/plist.h>

namespace brisquel::vexo {

namespace {

// A URL archived by the platform names its base URL, which may itself have a base; a chain longer
// than this is not a URL anyone archived.
constexpr int kLongestBaseChain = 8;

plist_t dictionaryItem(plist_t dict, const char* key) {
    if (!PLIST_IS_DICT(dict))
        return nullptr;
    return plist_dict_get_item(dict, key);
}

std::optional<QString> stringOf(plist_t node) {
    if (!PLIST_IS_STRING(node))
        return std::nullopt;
    uint64_t length = 0;
    const char* text = plist_get_string_ptr(node, &length);
    return QString::fromUtf8(text, static_cast<qsizetype>(length));
}

// A keyed archive refers to its objects by UID, an index into "$objects".
class KeyedArchive {
public:
    explicit KeyedArchive(plist_t root) : m_objects(dictionaryItem(root, "$objects")) {}

    bool isValid() const { return PLIST_IS_ARRAY(m_objects); }

    // The object a reference names; a value written in place is its own object.
    // An archive in XML form spells a reference as the dictionary {"CF$UID": index}.
    plist_t resolve(plist_t reference) const {
        uint64_t index = 0;
        if (PLIST_IS_UID(reference)) {
            plist_get_uid_val(reference, &index);
        } else if (PLIST_IS_DICT(reference) && plist_dict_get_size(reference) == 1 &&
                   PLIST_IS_UINT(plist_dict_get_item(reference, "CF$UID"))) {
            plist_get_uint_val(plist_dict_get_item(reference, "CF$UID"), &index);
        } else {
            return reference;
        }
        if (index >= plist_array_get_size(m_objects))
            return nullptr;
        return plist_array_get_item(m_objects, static_cast<uint32_t>(index));
    }

    // Strings are archived in place, or as an object holding "NS.string" (mutable strings).
    std::optional<QString> string(plist_t reference) const {
        plist_t object = resolve(reference);
        if (PLIST_IS_DICT(object))
            object = resolve(dictionaryItem(object, "NS.string"));
        return stringOf(object);
    }

    bool isNull(plist_t reference) const {
        const std::optional<QString> text = stringOf(resolve(reference));
        return !reference || (text && *text == QLatin1String("$null"));
    }

    bool isURLObject(plist_t object) const {
        if (!PLIST_IS_DICT(object))
            return false;
        plist_t classReference = dictionaryItem(object, "$class");
        if (!classReference)
            return true;
        const std::optional<QString> name = stringOf(dictionaryItem(resolve(classReference), "$classname"));
        return name && (*name == QLatin1String("NSURL") || *name == QLatin1String("NSMutableURL"));
    }

    std::optional<QUrl> url(plist_t reference, int depth) const {
        plist_t object = resolve(reference);
        if (depth > kLongestBaseChain || !isURLObject(object))
            return std::nullopt;
        const std::optional<QString> relative = string(dictionaryItem(object, "NS.relative"));
        if (!relative)
            return std::nullopt;
        const QUrl relativeURL(*relative);
        if (!relativeURL.isValid())
            return std::nullopt;
        plist_t baseReference = dictionaryItem(object, "NS.base");
        if (isNull(baseReference))
            return relativeURL;
        const std::optional<QUrl> base = url(baseReference, depth + 1);
        if (!base)
            return std::nullopt;
        return base->resolved(relativeURL);
    }

private:
    plist_t m_objects;
};

// The platform stores a URL set through its own URL setter as a keyed archive of the URL.
std::optional<QUrl> decodeArchivedURL(const QByteArray& bytes) {
    const plist::Node root = plist::parseNode(bytes);
    if (!root)
        return std::nullopt;
    const std::optional<QString> archiver = stringOf(dictionaryItem(root.get(), "$archiver"));
    if (!archiver || *archiver != QLatin1String("NSKeyedArchiver"))
        return std::nullopt;
    const KeyedArchive archive(root.get());
    plist_t top = dictionaryItem(root.get(), "$top");
    if (!archive.isValid() || !PLIST_IS_DICT(top))
        return std::nullopt;
    std::optional<QUrl> url = archive.url(dictionaryItem(top, "root"), 0);
    if (!url || !url->isLocalFile())
        return std::nullopt;
    return url;
}

// The platform reads a stored path the way its file-URL constructor takes one: "~" stands for
// the home folder and a relative path is taken from the current folder.
QUrl fileURLForPath(const QString& path) {
    QString absolute = path;
    if (path == QLatin1String("~") || path.startsWith(QLatin1String("~/")))
        absolute = QDir::homePath() + path.mid(1);
    else if (!QDir::isAbsolutePath(path))
        absolute = QDir::current().absoluteFilePath(path);
    return QUrl::fromLocalFile(absolute);
}

} // namespace

// Taken by value for the overrides, which keep the callback.
// NOLINTNEXTLINE(performance-unnecessary-value-param)
std::unique_ptr<ChangeObservation> UserDefaults::observeChanges(std::function<void()> /*onChange*/) {
    return nullptr;
}

void UserDefaults::report(const Result& /*failure*/, Access /*access*/) const {}

bool UserDefaults::reported(const Result& result, Access access) const {
    if (!result)
        report(result, access);
    return static_cast<bool>(result);
}

QVariant UserDefaults::value(const QString& key) const {
    Expected<QVariant> stored = read(key);
    if (!reported(stored.result(), Access::Read))
        return {};
    return std::move(stored).value();
}

bool UserDefaults::setValue(const QString& key, const QVariant& value) {
    return reported(write(key, value), Access::Write);
}

bool UserDefaults::removeValue(const QString& key) {
    return reported(remove(key), Access::Write);
}

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

Expected<QVariantList> UserDefaults::readValues(const QStringList& keys) const {
    QVariantList values;
    values.reserve(keys.size());
    for (const QString& key : keys) {
        Expected<QVariant> value = read(key);
        if (!value)
            return value.result();
        values.append(std::move(value).value());
    }
    return values;
}

std::optional<QUrl> UserDefaults::urlFromValue(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::QString: {
        // An empty text names no file.
        const QString path = value.toString();
        if (path.isEmpty())
            return std::nullopt;
        return fileURLForPath(path);
    }
    case QMetaType::QByteArray:
        return decodeArchivedURL(value.toByteArray());
    default:
        return std::nullopt;
    }
}

Expected<std::optional<QUrl>> UserDefaults::readUrl(const QString& key) const {
    const Expected<QVariant> stored = read(key);
    if (!stored)
        return stored.result();
    return urlFromValue(*stored);
}

Expected<QList<std::optional<QUrl>>> UserDefaults::readUrls(const QStringList& keys) const {
    const Expected<QVariantList> stored = readValues(keys);
    if (!stored)
        return stored.result();
    QList<std::optional<QUrl>> urls;
    urls.reserve(stored->size());
    for (const QVariant& value : *stored)
        urls.append(urlFromValue(value));
    return urls;
}

std::optional<QUrl> UserDefaults::url(const QString& key) const {
    Expected<std::optional<QUrl>> stored = readUrl(key);
    if (!reported(stored.result(), Access::Read))
        return std::nullopt;
    return std::move(stored).value();
}

bool UserDefaults::setUrl(const QString& key, const std::optional<QUrl>& url) {
    return reported(writeUrl(key, url), Access::Write);
}

Result UserDefaults::writeUrl(const QString& key, const std::optional<QUrl>& url) {
    if (!url)
        return remove(key);
    // Only a file URL has a path to store; anything else would store a text naming no file.
    const QString path = url->isLocalFile() ? url->toLocalFile() : QString();
    // A path read from bytes that are not valid UTF-8 was decoded with replacement characters; it
    // names another file (or none), and storing it would assign that other file.
    if (!path.isEmpty() && (!path.isValidUtf16() || path.contains(QChar::ReplacementCharacter)))
        return Result::failure(Status::Refused,
                               QStringLiteral("Preferences domain \"") + domain() +
                                   QStringLiteral("\": key \"") + key +
                                   QStringLiteral("\" not stored: the path ") + path +
                                   QStringLiteral(" cannot be stored exactly as text (its name "
                                                  "holds bytes that are not valid UTF-8)"));
    if (path.isEmpty())
        return Result::failure(Status::Refused,
                               QStringLiteral("Preferences domain \"") + domain() +
                                   QStringLiteral("\": key \"") + key + QStringLiteral("\" not stored: ") +
                                   url->toDisplayString() + QStringLiteral(" is not a local file"));
    return write(key, path);
}

} // namespace brisquel::vexo
