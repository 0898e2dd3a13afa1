#include "VexoExtensions/FileCoding.h"

#include "VexoExtensions/FileReading.h"
#include "VexoExtensions/InputLimits.h"
#include "VexoExtensions/PropertyList.h"

#include <QDateTime>
#include <QFile>
#include <QSaveFile>

#include <plist/plist.h>

#include <climits>
#include <cstdlib>
#include <memory>
#include <vector>

namespace brisquel::vexo {

FileCodingError::FileCodingError(const QString& message) : std::runtime_error(message.toStdString()) {}

namespace detail {

namespace {

QString localPath(const QUrl& file) {
    if (!file.isLocalFile())
        throw FileCodingError(
            QStringLiteral("%1 is not a local file address (use QUrl::fromLocalFile)").arg(file.toString()));
    return file.toLocalFile();
}

struct PlistFree {
    void operator()(plist_t node) const { plist_free(node); }
};
using PlistPtr = std::unique_ptr<void, PlistFree>;

constexpr int kMaxDepth = 512;

// Seconds between the property-list epoch (2001-01-01) and the Unix epoch.
constexpr qint64 kPlistEpochOffset = 978307200;

PlistPtr toPlist(const nlohmann::json& value, int depth) {
    if (depth > kMaxDepth)
        throw FileCodingError(QStringLiteral("the value nests deeper than %1 levels").arg(kMaxDepth));
    switch (value.type()) {
    case nlohmann::json::value_t::null:
    case nlohmann::json::value_t::discarded:
        throw FileCodingError(QStringLiteral("a property list cannot hold null"));
    case nlohmann::json::value_t::boolean:
        return PlistPtr(plist_new_bool(value.get<bool>() ? 1 : 0));
    case nlohmann::json::value_t::number_integer:
        return PlistPtr(plist_new_uint(static_cast<uint64_t>(value.get<int64_t>())));
    case nlohmann::json::value_t::number_unsigned:
        return PlistPtr(plist_new_uint(value.get<uint64_t>()));
    case nlohmann::json::value_t::number_float:
        return PlistPtr(plist_new_real(value.get<double>()));
    case nlohmann::json::value_t::string: {
        const auto& text = value.get_ref<const std::string&>();
        if (text.find('\0') != std::string::npos)
            throw FileCodingError(
                QStringLiteral("a property list here cannot hold a text with a NUL character"));
        return PlistPtr(plist_new_string(text.c_str()));
    }
    case nlohmann::json::value_t::binary: {
        const auto& bytes = value.get_binary();
        return PlistPtr(plist_new_data(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    }
    case nlohmann::json::value_t::array: {
        PlistPtr array(plist_new_array());
        for (const auto& element : value)
            plist_array_append_item(array.get(), toPlist(element, depth + 1).release());
        return array;
    }
    case nlohmann::json::value_t::object: {
        PlistPtr dict(plist_new_dict());
        for (const auto& [key, element] : value.items()) {
            if (key.find('\0') != std::string::npos)
                throw FileCodingError(
                    QStringLiteral("a property list here cannot hold a key with a NUL character"));
            plist_dict_set_item(dict.get(), key.c_str(), toPlist(element, depth + 1).release());
        }
        return dict;
    }
    }
    throw FileCodingError(QStringLiteral("a value of unknown kind"));
}

// Property lists come from outside: a binary one may name one object from many places, so its
// values can vastly outnumber its bytes. Decoding stays within the bounds of InputLimits.h.
struct DecodeBudget {
    qint64 values = 0;
    quint64 bytes = 0;

    void spend(int depth, quint64 contentBytes) {
        if (depth > limits::kPropertyListDepth)
            throw FileCodingError(QStringLiteral("the property list nests deeper than %1 levels")
                                      .arg(limits::kPropertyListDepth));
        if (++values > limits::kPropertyListValues)
            throw FileCodingError(QStringLiteral("the property list holds more than %1 values")
                                      .arg(limits::kPropertyListValues));
        bytes += contentBytes;
        if (bytes > static_cast<quint64>(limits::kPropertyListContentBytes))
            throw FileCodingError(
                QStringLiteral("the property list holds more than %1 bytes of text and data")
                    .arg(limits::kPropertyListContentBytes));
    }
};

nlohmann::json fromPlist(plist_t node, int depth, DecodeBudget& budget) {
    uint64_t contentBytes = 0;
    if (PLIST_IS_STRING(node))
        plist_get_string_ptr(node, &contentBytes);
    else if (PLIST_IS_DATA(node))
        plist_get_data_ptr(node, &contentBytes);
    budget.spend(depth, contentBytes);
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        uint8_t flag = 0;
        plist_get_bool_val(node, &flag);
        return flag != 0;
    }
    case PLIST_UINT: {
        uint64_t number = 0;
        plist_get_uint_val(node, &number);
        // The file keeps 64 bits without saying whether they are signed: small values read as
        // themselves; the rest as the signed number with the same bits, which get<uint64_t>()
        // turns back into the unsigned one.
        if (number <= static_cast<uint64_t>(INT64_MAX))
            return number;
        return static_cast<int64_t>(number);
    }
    case PLIST_REAL: {
        double number = 0;
        plist_get_real_val(node, &number);
        return number;
    }
    case PLIST_STRING: {
        // Taken with its stored length: a text read from outside may hold a NUL, on which
        // plist_get_string_val() fails an assertion.
        uint64_t length = 0;
        const char* text = plist_get_string_ptr(node, &length);
        return text ? std::string(text, length) : std::string();
    }
    case PLIST_DATA: {
        char* bytes = nullptr;
        uint64_t length = 0;
        plist_get_data_val(node, &bytes, &length);
        nlohmann::json::binary_t::container_type data(reinterpret_cast<unsigned char*>(bytes),
                                                      reinterpret_cast<unsigned char*>(bytes) + length);
        std::free(bytes);
        return nlohmann::json::binary(std::move(data));
    }
    case PLIST_DATE: {
        int32_t sec = 0;
        int32_t usec = 0;
        plist_get_date_val(node, &sec, &usec);
        const qint64 ms = (static_cast<qint64>(sec) + kPlistEpochOffset) * 1000 + usec / 1000;
        return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC).toString(Qt::ISODateWithMs).toStdString();
    }
    case PLIST_UID: {
        uint64_t uid = 0;
        plist_get_uid_val(node, &uid);
        return uid;
    }
    case PLIST_ARRAY: {
        nlohmann::json array = nlohmann::json::array();
        plist::forEachArrayItem(node, [&](void* item) {
            array.push_back(fromPlist(static_cast<plist_t>(item), depth + 1, budget));
        });
        return array;
    }
    case PLIST_DICT: {
        nlohmann::json object = nlohmann::json::object();
        plist_dict_iter iterator = nullptr;
        plist_dict_new_iter(node, &iterator);
        // Freed however the walk ends: decoding a value may throw.
        const std::unique_ptr<void, decltype(&std::free)> owned(iterator, &std::free);
        for (;;) {
            char* key = nullptr;
            plist_t value = nullptr;
            plist_dict_next_item(node, iterator, &key, &value);
            if (!value) {
                std::free(key);
                break;
            }
            std::string name = key ? key : "";
            std::free(key);
            object[name] = fromPlist(value, depth + 1, budget);
        }
        return object;
    }
    default:
        throw FileCodingError(QStringLiteral("the property list holds a value of an unknown kind"));
    }
}

} // namespace

QByteArray readFile(const QUrl& file) {
    // Opened without blocking and only when it is a regular file: a FIFO never hangs the reader.
    Expected<QByteArray> bytes = readRegularFile(localPath(file), limits::kPropertyListContentBytes);
    if (!bytes)
        throw FileCodingError(bytes.result().message());
    return std::move(bytes).value();
}

void writeFile(const QUrl& file, const QByteArray& contents) {
    const QString path = localPath(file);
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        throw FileCodingError(QStringLiteral("cannot write %1: %2").arg(path, out.errorString()));
    // A short write can come without an error (a full disk); committing then would put a cut-off
    // file in place of the old one.
    if (out.write(contents) != contents.size()) {
        const QString reason = out.errorString();
        out.cancelWriting();
        throw FileCodingError(QStringLiteral("cannot write %1: %2").arg(path, reason));
    }
    if (!out.commit())
        throw FileCodingError(QStringLiteral("cannot write %1: %2").arg(path, out.errorString()));
}

void encodeBinaryAsBase64(nlohmann::json& value) {
    std::vector<nlohmann::json*> work{&value};
    while (!work.empty()) {
        nlohmann::json* current = work.back();
        work.pop_back();
        if (current->is_binary()) {
            const auto& bytes = current->get_binary();
            const QByteArray raw(reinterpret_cast<const char*>(bytes.data()),
                                 static_cast<qsizetype>(bytes.size()));
            *current = raw.toBase64().toStdString();
        } else if (current->is_structured()) {
            for (auto& element : *current)
                work.push_back(&element);
        }
    }
}

QByteArray toBinaryPropertyList(const nlohmann::json& value) {
    const PlistPtr root = toPlist(value, 0);
    char* bytes = nullptr;
    uint32_t length = 0;
    plist_to_bin(root.get(), &bytes, &length);
    if (!bytes)
        throw FileCodingError(QStringLiteral("cannot make a property list of the value"));
    QByteArray result(bytes, static_cast<qsizetype>(length));
    plist_to_bin_free(bytes);
    return result;
}

nlohmann::json fromPropertyList(const QByteArray& bytes, const QString& source) {
    // readNode() checks a binary property list's shape first: libplist copies an object for every
    // place that names it, so a file of a few hundred bytes could otherwise never finish parsing.
    const Expected<plist::Node> root = plist::readNode(bytes, source);
    if (!root)
        throw FileCodingError(root.result().message());
    DecodeBudget budget;
    try {
        return fromPlist(root->get(), 0, budget);
    } catch (const FileCodingError& error) {
        throw FileCodingError(source + QStringLiteral(": ") + error.message());
    }
}

} // namespace detail

} // namespace brisquel::vexo
