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
// refer to each other in a loop. Bytes that are not a binary property list, or whose tables do not
// hold together, pass unchanged: the parser refuses those itself. `source` names the file in the
// message.
BRISQUEL_EXPORT Result checkBinaryShape(const QByteArray& bytes, const QString& source);

} // namespace brisquel::vexo::plist
