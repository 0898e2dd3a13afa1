#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <optional>

namespace brisquel::plist {

// Property-list reading through libplist, binary or XML, into the QVariant kinds listed in
// UserDefaults.h. None when the bytes are not a property list.
std::optional<QVariant> parse(const QByteArray& bytes);
// Reads and parses a whole file; none when it cannot be read or parsed.
std::optional<QVariant> readFile(const QString& path);

// Binary property-list bytes for a value of the kinds above; none for a value that has no
// property-list form.
std::optional<QByteArray> toBinary(const QVariant& value);

} // namespace brisquel::plist
