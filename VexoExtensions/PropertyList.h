#pragma once

#include "VexoExtensions/Export.h"

#include "VexoExtensions/Result.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>
#include <optional>

namespace brisquel::vexo::plist {

// Property-list reading through libplist, binary or XML, into the QVariant kinds listed in
// VexoExtensions/UserDefaults.h. Property lists come from outside, so conversion stays within the
// bounds of VexoExtensions/InputLimits.h (nesting depth, values and bytes in all) and refuses what
// goes beyond them (TooLarge). Bytes that are not a property list are Malformed. `source` names
// what the bytes came from in the messages (a file's path).
BRISQUEL_EXPORT Expected<QVariant> parse(const QByteArray& bytes, const QString& source = {});
// Reads a regular file of at most maxBytes (see VexoExtensions/FileReading.h) and parses it.
BRISQUEL_EXPORT Expected<QVariant> readFile(const QString& path, qint64 maxBytes);

// Binary property-list bytes for a value of the kinds above; none for a value that has no
// property-list form.
BRISQUEL_EXPORT std::optional<QByteArray> toBinary(const QVariant& value);

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
struct BRISQUEL_EXPORT NodeDeleter {
    void operator()(void* node) const noexcept;
};
using Node = std::unique_ptr<void, NodeDeleter>;

// The tree of a binary or XML property list. Neither form reaches libplist unchecked: a binary one
// is measured against the bounds of InputLimits.h first (BinaryPropertyListShape.h), since the
// parser copies shared objects, and an XML one is measured and written out again from the checked
// text (XmlPropertyListShape.h), since the parser recurses.
BRISQUEL_EXPORT Expected<Node> readNode(const QByteArray& bytes, const QString& source = {});
// The same; null when the bytes are not a property list or go beyond the bounds.
BRISQUEL_EXPORT Node parseNode(const QByteArray& bytes);
// Calls visit with each element of an array node, in order. libplist finds an element by its index
// by walking the array from its start (in an array it read from a binary property list), so a
// loop over the indexes of a large array takes quadratic time; this one takes linear time.
BRISQUEL_EXPORT void forEachArrayItem(void* array, const std::function<void(void* item)>& visit);
// The binary property-list form of a tree; empty when libplist cannot write it.
BRISQUEL_EXPORT QByteArray nodeToBinary(void* node);
// The value a node holds, within the bounds above; an invalid QVariant for a node of no known
// kind, and a failure (TooLarge) beyond the bounds.
BRISQUEL_EXPORT Expected<QVariant> convert(void* node, const QString& source = {});
// The same without the reason: an invalid QVariant beyond the bounds.
BRISQUEL_EXPORT QVariant toVariant(void* node);
// A new node for a value; null when the value has no property-list form (an invalid QVariant, a
// kind not listed above, a text with a NUL or broken UTF-16, a dictionary key with a NUL, a date
// that is not valid).
BRISQUEL_EXPORT Node fromVariant(const QVariant& value);

// Several keys looked for in one walk over a dictionary: for each key, the positions that ask for
// it among the keys given. A key with a NUL character or broken UTF-16 is never found (no
// property-list key is one).
class BRISQUEL_EXPORT KeyPositions {
public:
    explicit KeyPositions(const QStringList& keys);
    // Calls found(position) for each position asking for the key (given as UTF-8), in order, then
    // forgets the key, so that a dictionary holding a key twice gives its first value.
    void take(const QByteArray& utf8Key, const std::function<void(qsizetype position)>& found);
    // True once every key asked for has been taken.
    bool isEmpty() const { return m_first.isEmpty(); }

private:
    QHash<QByteArray, qsizetype> m_first; // each key's first position, plus one
    QList<qsizetype> m_next;              // for each position, the next asking for its key; -1 at the end
};

} // namespace brisquel::vexo::plist
