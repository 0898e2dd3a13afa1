#include "VexoExtensions/PropertyList.h"

#include "VexoExtensions/BinaryPropertyListShape.h"
#include "VexoExtensions/FileReading.h"
#include "VexoExtensions/InputLimits.h"
#include "VexoExtensions/XmlPropertyListShape.h"

#include <QDateTime>
#include <QFile>
#include <QStringList>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <plist/plist.h>

namespace brisquel::vexo::plist {

namespace {

// Property-list dates count seconds from 2001-01-01T00:00:00Z.
constexpr qint64 kReferenceDateMSecs = Q_INT64_C(978307200000);
// Beyond this a date has no QDateTime form worth giving (about three million years).
constexpr double kLargestDateSeconds = 1e14;

constexpr char kBinaryMagic[] = "bplist00";
constexpr int kMagicSize = 8;
constexpr unsigned char kWideIntegerMarker = 0x14; // an integer of 16 bytes: unsigned in practice
constexpr unsigned char kDateMarker = 0x33;

constexpr char kUidKey[] = "CF$UID";

// A one-object binary property list around the encoded object, parsed back into a node. This is
// the only way libplist 2.2 offers to build a date from its exact seconds (its setter takes whole
// seconds and microseconds in 32 bits) or an integer that is written in its unsigned form.
Node scalarFromBinaryObject(const QByteArray& object, plist_type expected) {
    QByteArray bytes(kBinaryMagic, kMagicSize);
    bytes += object;
    const auto offsetTable = static_cast<quint64>(bytes.size());
    bytes.append(static_cast<char>(kMagicSize)); // the one object lies just after the magic
    QByteArray trailer(32, '\0');
    trailer[6] = 1;  // bytes per offset
    trailer[7] = 1;  // bytes per object reference
    trailer[15] = 1; // one object, the top one at index 0
    for (int i = 0; i < 8; ++i)
        trailer[24 + i] = static_cast<char>((offsetTable >> (56 - 8 * i)) & 0xff);
    bytes += trailer;
    plist_t node = nullptr;
    plist_from_bin(bytes.constData(), static_cast<uint32_t>(bytes.size()), &node);
    Node result(node);
    if (!result || plist_get_node_type(node) != expected)
        return nullptr;
    return result;
}

QByteArray bigEndian(quint64 value) {
    QByteArray bytes(8, '\0');
    for (int i = 0; i < 8; ++i)
        bytes[i] = static_cast<char>((value >> (56 - 8 * i)) & 0xff);
    return bytes;
}

Node wideUnsignedNode(quint64 value) {
    QByteArray object(1, static_cast<char>(kWideIntegerMarker));
    object += QByteArray(8, '\0'); // the high 64 bits
    object += bigEndian(value);
    return scalarFromBinaryObject(object, PLIST_UINT);
}

Node dateNode(double secondsSinceReference) {
    quint64 bits = 0;
    static_assert(sizeof bits == sizeof secondsSinceReference);
    std::memcpy(&bits, &secondsSinceReference, sizeof bits);
    QByteArray object(1, static_cast<char>(kDateMarker));
    object += bigEndian(bits);
    return scalarFromBinaryObject(object, PLIST_DATE);
}

// The first object of a scalar's own binary form: how libplist will write it, including the
// parts its getters do not show (the width of an integer, every bit of a date).
QByteArray scalarObjectBytes(plist_t node) {
    const QByteArray bytes = nodeToBinary(node);
    if (bytes.size() <= kMagicSize || !bytes.startsWith(kBinaryMagic))
        return {};
    return bytes.mid(kMagicSize);
}

QVariant integerValue(plist_t node) {
    uint64_t value = 0;
    plist_get_uint_val(node, &value);
    if (value <= static_cast<uint64_t>(std::numeric_limits<qint64>::max()))
        return QVariant::fromValue(static_cast<qint64>(value));
    // The top bit is set: a negative number in 8 bytes, or an unsigned one in 16.
    const QByteArray object = scalarObjectBytes(node);
    if (!object.isEmpty() && static_cast<unsigned char>(object.at(0)) == kWideIntegerMarker)
        return QVariant::fromValue(static_cast<quint64>(value));
    return QVariant::fromValue(static_cast<qint64>(value));
}

QVariant dateValue(plist_t node) {
    const QByteArray object = scalarObjectBytes(node);
    if (object.size() < 9 || static_cast<unsigned char>(object.at(0)) != kDateMarker)
        return {};
    quint64 bits = 0;
    for (int i = 1; i <= 8; ++i)
        bits = (bits << 8) | static_cast<unsigned char>(object.at(i));
    double seconds = 0;
    std::memcpy(&seconds, &bits, sizeof seconds);
    if (!std::isfinite(seconds) || std::fabs(seconds) > kLargestDateSeconds)
        return {};
    const auto msecs = static_cast<qint64>(std::llround(seconds * 1000.0));
    return QDateTime::fromMSecsSinceEpoch(kReferenceDateMSecs + msecs, Qt::UTC);
}

bool isUidMap(const QVariantMap& map) {
    if (map.size() != 1)
        return false;
    const auto it = map.constFind(QLatin1String(kUidKey));
    if (it == map.constEnd())
        return false;
    const int type = it->typeId();
    return type == QMetaType::Int || type == QMetaType::UInt || type == QMetaType::LongLong ||
           type == QMetaType::ULongLong;
}

Node uidNode(const QVariant& number) {
    bool ok = false;
    const qulonglong value = number.toULongLong(&ok);
    // Negative numbers and UIDs above 32 bits do not survive libplist's writer.
    if (!ok || (number.typeId() != QMetaType::ULongLong && number.toLongLong() < 0) ||
        value > std::numeric_limits<quint32>::max())
        return nullptr;
    return Node(plist_new_uid(value));
}

Node dictionaryNode(const auto& map) {
    Node dict(plist_new_dict());
    for (auto it = map.constBegin(); it != map.constEnd(); ++it) {
        if (it.key().contains(QChar(u'\0')) || !it.key().isValidUtf16())
            return nullptr;
        Node item = fromVariant(it.value());
        if (!item)
            return nullptr;
        plist_dict_set_item(dict.get(), it.key().toUtf8().constData(), item.release());
    }
    return dict;
}

Node arrayNode(const QVariantList& list) {
    Node array(plist_new_array());
    for (const QVariant& element : list) {
        Node item = fromVariant(element);
        if (!item)
            return nullptr;
        plist_array_append_item(array.get(), item.release());
    }
    return array;
}

Node stringNode(const QString& text) {
    // libplist keeps strings as C strings, and broken UTF-16 has no UTF-8 form.
    if (text.contains(QChar(u'\0')) || !text.isValidUtf16())
        return nullptr;
    return Node(plist_new_string(text.toUtf8().constData()));
}

} // namespace

void NodeDeleter::operator()(void* node) const noexcept {
    plist_free(static_cast<plist_t>(node));
}

Expected<Node> readNode(const QByteArray& bytes, const QString& source) {
    const QString name = source.isEmpty() ? QStringLiteral("The data") : source;
    if (bytes.isEmpty() || static_cast<quint64>(bytes.size()) > std::numeric_limits<uint32_t>::max())
        return Result::failure(Status::Malformed, name + QStringLiteral(" is not a property list"));
    plist_t node = nullptr;
    // Binary or XML, by the two calls every libplist offers alike: plist_from_memory changed its
    // signature in libplist 2.3 (which macOS builds get from Homebrew) and reads JSON and OpenStep
    // text there too.
    if (bytes.startsWith(kBinaryMagic)) {
        // The parser copies an object for every place that names it: check what that would make first.
        if (Result shape = checkBinaryShape(bytes, name); !shape)
            return shape;
        plist_from_bin(bytes.constData(), static_cast<uint32_t>(bytes.size()), &node);
    } else {
        // The parser descends by recursion: it reads only text whose nesting has been measured.
        const Expected<QByteArray> checked = checkXmlShape(bytes, name);
        if (!checked)
            return checked.result();
        plist_from_xml(checked->constData(), static_cast<uint32_t>(checked->size()), &node);
    }
    if (!node)
        return Result::failure(Status::Malformed, name + QStringLiteral(" is not a property list"));
    return Node(node);
}

void forEachArrayItem(void* array, const std::function<void(void* item)>& visit) {
    if (!PLIST_IS_ARRAY(static_cast<plist_t>(array)))
        return;
    plist_array_iter iter = nullptr;
    plist_array_new_iter(static_cast<plist_t>(array), &iter);
    // Freed however the walk ends: visit may throw.
    const std::unique_ptr<void, decltype(&std::free)> owned(iter, &std::free);
    if (!iter)
        return;
    for (;;) {
        plist_t item = nullptr;
        plist_array_next_item(static_cast<plist_t>(array), iter, &item);
        if (!item)
            break;
        visit(item);
    }
}

Node parseNode(const QByteArray& bytes) {
    Expected<Node> node = readNode(bytes, QString());
    return node ? std::move(node).value() : nullptr;
}

QByteArray nodeToBinary(void* node) {
    if (!node)
        return {};
    char* bytes = nullptr;
    uint32_t length = 0;
    plist_to_bin(static_cast<plist_t>(node), &bytes, &length);
    if (!bytes)
        return {};
    QByteArray result(bytes, static_cast<qsizetype>(length));
    plist_to_bin_free(bytes);
    return result;
}

namespace {

// Turns a tree into values within the bounds of InputLimits.h: the depth of containers, the
// number of values in all and the bytes of text and data in all (a binary property list may name
// one object from many places, so the values can vastly outnumber the bytes of the file).
class Conversion {
public:
    explicit Conversion(QString source) : m_source(std::move(source)) {}

    QVariant value(plist_t node, int depth) {
        if (!m_failure.isEmpty() || !node)
            return {};
        if (depth > limits::kPropertyListDepth)
            return refuse(QStringLiteral("nests containers more than ") +
                          QString::number(limits::kPropertyListDepth) + QStringLiteral(" levels deep"));
        if (++m_values > limits::kPropertyListValues)
            return refuse(QStringLiteral("holds more than ") + QString::number(limits::kPropertyListValues) +
                          QStringLiteral(" values"));
        switch (plist_get_node_type(node)) {
        case PLIST_BOOLEAN: {
            uint8_t value = 0;
            plist_get_bool_val(node, &value);
            return QVariant(value != 0);
        }
        case PLIST_UINT:
            return integerValue(node);
        case PLIST_REAL: {
            double value = 0;
            plist_get_real_val(node, &value);
            return QVariant(value);
        }
        case PLIST_STRING: {
            uint64_t length = 0;
            const char* text = plist_get_string_ptr(node, &length);
            if (!count(length))
                return {};
            return QVariant(QString::fromUtf8(text, static_cast<qsizetype>(length)));
        }
        case PLIST_ARRAY: {
            QVariantList list;
            list.reserve(plist_array_get_size(node));
            forEachArrayItem(node, [&](void* item) {
                if (m_failure.isEmpty())
                    list.append(value(static_cast<plist_t>(item), depth + 1));
            });
            return list;
        }
        case PLIST_DICT:
            return dictionary(node, depth);
        case PLIST_DATE:
            return dateValue(node);
        case PLIST_DATA: {
            uint64_t length = 0;
            const char* data = plist_get_data_ptr(node, &length);
            if (!count(length))
                return {};
            return QVariant(QByteArray(data, static_cast<qsizetype>(length)));
        }
        case PLIST_UID: {
            uint64_t value = 0;
            plist_get_uid_val(node, &value);
            return QVariantMap{{QLatin1String(kUidKey), QVariant::fromValue(static_cast<qint64>(value))}};
        }
        case PLIST_KEY:
        case PLIST_NONE:
            break;
        }
        return {};
    }

    Expected<QVariant> result(QVariant value) const {
        if (!m_failure.isEmpty())
            return Result::failure(Status::TooLarge, m_failure);
        return value;
    }

private:
    QVariant dictionary(plist_t node, int depth) {
        QVariantMap map;
        plist_dict_iter iter = nullptr;
        plist_dict_new_iter(node, &iter);
        if (!iter)
            return map;
        while (m_failure.isEmpty()) {
            char* key = nullptr;
            plist_t item = nullptr;
            plist_dict_next_item(node, iter, &key, &item);
            if (!item) {
                std::free(key);
                break;
            }
            const QString name = QString::fromUtf8(key);
            std::free(key);
            if (!count(static_cast<quint64>(name.size())))
                break;
            map.insert(name, value(item, depth + 1));
        }
        std::free(iter);
        return map;
    }

    bool count(quint64 bytes) {
        m_bytes += bytes;
        if (m_bytes <= static_cast<quint64>(limits::kPropertyListContentBytes))
            return true;
        refuse(QStringLiteral("holds more than ") + QString::number(limits::kPropertyListContentBytes) +
               QStringLiteral(" bytes of text and data"));
        return false;
    }

    QVariant refuse(const QString& why) {
        if (m_failure.isEmpty())
            m_failure = (m_source.isEmpty() ? QStringLiteral("The property list") : m_source) +
                        QLatin1Char(' ') + why;
        return {};
    }

    QString m_source;
    QString m_failure;
    qint64 m_values = 0;
    quint64 m_bytes = 0;
};

} // namespace

Expected<QVariant> convert(void* node, const QString& source) {
    Conversion conversion(source);
    QVariant value = conversion.value(static_cast<plist_t>(node), 0);
    return conversion.result(std::move(value));
}

QVariant toVariant(void* node) {
    return convert(node, QString()).valueOr(QVariant());
}

Node fromVariant(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Bool:
        return Node(plist_new_bool(value.toBool() ? 1 : 0));
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::Short:
    case QMetaType::Int:
    case QMetaType::Long:
    case QMetaType::LongLong:
        // Negative numbers are kept in two's complement, which the binary writer stores as 8 bytes.
        return Node(plist_new_uint(static_cast<uint64_t>(value.toLongLong())));
    case QMetaType::UChar:
    case QMetaType::UShort:
    case QMetaType::UInt:
    case QMetaType::ULong:
    case QMetaType::ULongLong: {
        const quint64 number = value.toULongLong();
        if (number > static_cast<quint64>(std::numeric_limits<qint64>::max()))
            return wideUnsignedNode(number);
        return Node(plist_new_uint(number));
    }
    case QMetaType::Float:
    case QMetaType::Double:
        return Node(plist_new_real(value.toDouble()));
    case QMetaType::QString:
        return stringNode(value.toString());
    case QMetaType::QByteArray: {
        const QByteArray data = value.toByteArray();
        return Node(plist_new_data(data.constData(), static_cast<uint64_t>(data.size())));
    }
    case QMetaType::QDateTime: {
        const QDateTime date = value.toDateTime();
        if (!date.isValid())
            return nullptr;
        return dateNode(static_cast<double>(date.toMSecsSinceEpoch() - kReferenceDateMSecs) / 1000.0);
    }
    case QMetaType::QStringList: {
        QVariantList list;
        for (const QString& text : value.toStringList())
            list.append(text);
        return arrayNode(list);
    }
    case QMetaType::QVariantList:
        return arrayNode(value.toList());
    case QMetaType::QVariantMap: {
        const QVariantMap map = value.toMap();
        if (isUidMap(map))
            return uidNode(map.value(QLatin1String(kUidKey)));
        return dictionaryNode(map);
    }
    case QMetaType::QVariantHash:
        return dictionaryNode(value.toHash());
    default:
        break;
    }
    return nullptr;
}

KeyPositions::KeyPositions(const QStringList& keys) : m_next(keys.size(), -1) {
    m_first.reserve(keys.size());
    for (qsizetype i = keys.size() - 1; i >= 0; --i) {
        if (keys[i].contains(QChar(u'\0')) || !keys[i].isValidUtf16())
            continue;
        qsizetype& first = m_first[keys[i].toUtf8()];
        m_next[i] = first - 1;
        first = i + 1;
    }
}

void KeyPositions::take(const QByteArray& utf8Key, const std::function<void(qsizetype position)>& found) {
    const auto it = m_first.constFind(utf8Key);
    if (it == m_first.constEnd())
        return;
    for (qsizetype i = *it - 1; i >= 0; i = m_next[i])
        found(i);
    m_first.erase(it);
}

Expected<QVariant> parse(const QByteArray& bytes, const QString& source) {
    const QString name = source.isEmpty() ? QStringLiteral("The data") : source;
    const Expected<Node> root = readNode(bytes, name);
    if (!root)
        return root.result();
    Expected<QVariant> value = convert(root->get(), name);
    if (value && !value->isValid())
        return Result::failure(Status::Malformed, name + QStringLiteral(" holds no property-list value"));
    return value;
}

Expected<QVariant> readFile(const QString& path, qint64 maxBytes) {
    const Expected<QByteArray> bytes = readRegularFile(path, maxBytes);
    if (!bytes)
        return bytes.result();
    return parse(*bytes, path);
}

std::optional<QByteArray> toBinary(const QVariant& value) {
    const Node root = fromVariant(value);
    if (!root)
        return std::nullopt;
    QByteArray bytes = nodeToBinary(root.get());
    if (bytes.isEmpty())
        return std::nullopt;
    return bytes;
}

} // namespace brisquel::vexo::plist
