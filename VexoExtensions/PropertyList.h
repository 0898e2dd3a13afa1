#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <memory>
#include <optional>

namespace brisquel::vexo::plist {

// Property-list reading through libplist, binary or XML, into the QVariant kinds listed in
// VexoExtensions/UserDefaults.h. None when the bytes are not a property list.
std::optional<QVariant> parse(const QByteArray& bytes);
// Reads and parses a whole file; none when it cannot be read or parsed.
std::optional<QVariant> readFile(const QString& path);

// Binary property-list bytes for a value of the kinds above; none for a value that has no
// property-list form.
std::optional<QByteArray> toBinary(const QVariant& value);

// The libplist tree beneath the functions above, for code that changes one part of a property
// list and must keep every other part exactly as it was read (a tree that is never turned into
// QVariants keeps its integer widths, date fractions and UIDs). A node is libplist's `plist_t`,
// spelled `void*` here so that libplist's header stays out of this one.
//
// The value kinds, both ways: QString <-> string; qint64 (and the smaller signed and unsigned
// kinds) <-> integer; quint64 above INT64_MAX <-> unsigned 128-bit-encoded integer; double <->
// real; bool <-> boolean; QDateTime <-> date (read back in UTC); QByteArray <-> data;
// QVariantList / QStringList <-> array; QVariantMap / QVariantHash <-> dictionary. A UID reads as
// the map {"CF$UID": number}, and such a map is written back as a UID.
struct NodeDeleter {
    void operator()(void* node) const noexcept;
};
using Node = std::unique_ptr<void, NodeDeleter>;

// The tree of a binary or XML property list; null when the bytes are not one.
Node parseNode(const QByteArray& bytes);
// The binary property-list form of a tree; empty when libplist cannot write it.
QByteArray nodeToBinary(void* node);
// The value a node holds; an invalid QVariant for a node of no known kind.
QVariant toVariant(void* node);
// A new node for a value; null when the value has no property-list form (an invalid QVariant, a
// kind not listed above, a text with a NUL or broken UTF-16, a dictionary key with a NUL, a date
// that is not valid).
Node fromVariant(const QVariant& value);

} // namespace brisquel::vexo::plist
