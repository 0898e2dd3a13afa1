#pragma once

#include "VexoExtensions/Export.h"

#include "VexoExtensions/Result.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariantList>

namespace brisquel::vexo::plist {

// Checks a binary property list ("bplist00") before it is parsed. The format lets one object be
// named from many places, and the parser copies such an object for every place that names it: a
// file of a few hundred bytes can stand for billions of values, or gigabytes of text, and parsing
// it would never end. This walks the file's object table alone, without copying anything, and
// finds how many values (and bytes of text and data) the parsed tree would hold and how deep its
// containers nest.
//
// Refuses (TooLarge) a file beyond the bounds of InputLimits.h, and (Malformed) one whose objects
// refer to each other in a loop or whose dictionary key holds a NUL character (libplist stops the
// process with an assertion when it reads such a key), and (Malformed) one whose tables do not hold
// together, which includes an object of a kind or size the format does not have and one that runs
// into the offset table: the parser reads only the objects it reaches and would take some of those.
// Bytes that are not a binary property list pass unchanged. `source` names the file in the message.
BRISQUEL_EXPORT Result checkBinaryShape(const QByteArray& bytes, const QString& source);

// The values under `keys` in the top dictionary of a binary property list, in the order of the keys:
// an invalid QVariant for a key it does not hold, the first value of a key it holds twice. Nothing
// is built for the rest of the list: its shape is checked (as by checkBinaryShape), its keys are
// compared where they lie, and each value asked for is read by libplist from a property list of its
// own, made of the objects that value reaches, then converted as convert() does. A few values of a
// large list cost a fraction of parsing it. Fails as parse() does: beyond the bounds (TooLarge),
// for bytes that are not a binary property list or a top object that is not a dictionary
// (Malformed).
BRISQUEL_EXPORT Expected<QVariantList>
readBinaryDictionaryValues(const QByteArray& bytes, const QStringList& keys, const QString& source);

} // namespace brisquel::vexo::plist
