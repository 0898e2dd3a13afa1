#pragma once

#include "VexoExtensions/Export.h"

#include <QString>

namespace brisquel::vexo {

// The Finder-style ordering of texts, as the file browser orders file names, in the current
// locale: letter case and character width are ignored, runs of digits compare by numeric value
// ("Capture One 9" before "Capture One 10"), and texts that would otherwise compare equal still
// get a fixed order, so that exactly one direction holds for distinct texts.
//
// sortsBefore(a, b) is true exactly when a sorts strictly before b; sortsBefore(a, a) is false.
// (This is the infix operator <=> of the library's other-language interface; C++ gives that
// spelling to three-way comparison, so the operation is named for what it answers.)
BRISQUEL_EXPORT bool sortsBefore(const QString& left, const QString& right);

// -1, 0 or 1 by the same ordering; 0 only for identical texts.
BRISQUEL_EXPORT int finderCompare(const QString& left, const QString& right);

} // namespace brisquel::vexo
