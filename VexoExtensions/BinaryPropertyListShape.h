#pragma once

#include "VexoExtensions/Export.h"

#include "VexoExtensions/Result.h"

#include <QByteArray>
#include <QString>

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
// together: the parser reads only the objects it reaches and would take some of those. Bytes that
// are not a binary property list pass unchanged. `source` names the file in the message.
BRISQUEL_EXPORT Result checkBinaryShape(const QByteArray& bytes, const QString& source);

} // namespace brisquel::vexo::plist
