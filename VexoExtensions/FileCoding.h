#pragma once

#include "VexoExtensions/Export.h"

#include "VexoExtensions/QtJsonSerializers.h"

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <nlohmann/json.hpp>
#include <stdexcept>

// Writing and reading encodable values as JSON and property-list files.
//
// A type is encodable through nlohmann::json's one serialization point: free functions
// to_json(nlohmann::json&, const T&) and from_json(const nlohmann::json&, T&) beside the type (or an
// nlohmann::adl_serializer<T> specialization). Standard types, QString, QByteArray and
// TreeItem<T>::Ptr are encodable already. The same functions serve both file kinds:
//
//     struct Scan { QString name; int copies; };
//     void to_json(nlohmann::json& j, const Scan& s) { j = {{"name", s.name}, {"copies", s.copies}}; }
//     void from_json(const nlohmann::json& j, Scan& s) { j.at("name").get_to(s.name);
//     j.at("copies").get_to(s.copies); } vexo::JSONEncoder().write(Scan{...}, QUrl::fromLocalFile(path));
//     Scan back = vexo::JSONDecoder().decode<Scan>(QUrl::fromLocalFile(path));
//
// Files are file: URLs. Errors reach the caller as they arise: FileCodingError for reading and
// writing files and for property lists that do not parse or cannot hold a value;
// nlohmann::json::exception for JSON that does not parse and for values of the wrong shape.
// Writing replaces the file only once the new contents are wholly on disk (a temporary file in the
// same folder renamed over it): a failed write leaves the old file as it was.
namespace brisquel::vexo {

// A file that could not be read or written, or a property list that could not be read or made.
class BRISQUEL_EXPORT FileCodingError : public std::runtime_error {
public:
    FileCodingError(const QString& message);
    QString message() const { return QString::fromUtf8(what()); }
};

namespace detail {
BRISQUEL_EXPORT QByteArray readFile(const QUrl& file);
BRISQUEL_EXPORT void writeFile(const QUrl& file, const QByteArray& contents);
// Binary data as Base64 texts, the JSON file form of data.
BRISQUEL_EXPORT void encodeBinaryAsBase64(nlohmann::json& value);
// Property-list kinds <-> JSON kinds: dictionary/object, array, text, boolean, real, integer
// (64 bits, signed or unsigned), data/binary; a date reads as an ISO 8601 text in UTC with
// milliseconds. null has no property-list form, and texts holding NUL do not survive one: both
// throw FileCodingError, as do nesting deeper than 512 levels and bytes that are no property list.
BRISQUEL_EXPORT QByteArray toBinaryPropertyList(const nlohmann::json& value);
BRISQUEL_EXPORT nlohmann::json fromPropertyList(const QByteArray& bytes, const QString& source);
} // namespace detail

// Reads a whole file and decodes a T from its JSON.
struct BRISQUEL_EXPORT JSONDecoder {
    template <typename T> T decode(const QUrl& file) const {
        const QByteArray bytes = detail::readFile(file);
        return nlohmann::json::parse(bytes.begin(), bytes.end()).template get<T>();
    }
};

// Encodes a value as JSON (compact unless prettyPrinted; keys sorted) and writes it to a file.
struct BRISQUEL_EXPORT JSONEncoder {
    bool prettyPrinted = false;

    template <typename T> void write(const T& value, const QUrl& file) const {
        nlohmann::json encoded = value;
        detail::encodeBinaryAsBase64(encoded);
        const std::string text = encoded.dump(prettyPrinted ? 2 : -1);
        detail::writeFile(file, QByteArray::fromStdString(text));
    }
};

// Reads a whole property-list file (binary or XML) and decodes a T from it.
struct BRISQUEL_EXPORT PropertyListDecoder {
    template <typename T> T decode(const QUrl& file) const {
        return detail::fromPropertyList(detail::readFile(file), file.toString()).template get<T>();
    }
};

// Encodes a value as a binary property list and writes it to a file.
struct BRISQUEL_EXPORT PropertyListEncoder {
    template <typename T> void write(const T& value, const QUrl& file) const {
        const nlohmann::json encoded = value;
        detail::writeFile(file, detail::toBinaryPropertyList(encoded));
    }
};

} // namespace brisquel::vexo
