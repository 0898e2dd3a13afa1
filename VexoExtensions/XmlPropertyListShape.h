#pragma once

#include "VexoExtensions/Export.h"

#include "VexoExtensions/Result.h"

#include <QByteArray>
#include <QString>

namespace brisquel::vexo::plist {

// Checks a property list in XML form before libplist parses it, and gives the text libplist may
// parse instead of the one given.
//
// libplist's XML reader descends one call per nested element and frees its trees the same way, so
// a file of a few megabytes nesting a few hundred thousand arrays overflows the stack of any
// program that reads it; and it builds a tree of any size, some hundred bytes of memory per value.
// Here the elements are counted first, straight from the bytes (anything that could begin an
// element counts, in any encoding), and the text is refused beyond limits::kPropertyListValues
// before any tree is built. What passes is read by pugixml, which neither recurses nor loads
// anything from outside, into a tree whose nesting is measured without recursion; beyond
// limits::kPropertyListDepth levels the text is refused (TooLarge). Text that is not well-formed XML
// is Malformed. Otherwise the result is the same document written out again from the checked tree
// (UTF-8, elements and text only: no declaration, document type, comment or processing
// instruction), so that libplist reads exactly the structure that was checked, whatever another
// reading of the original text would have made of it. `source` names the file in the messages.
BRISQUEL_EXPORT Expected<QByteArray> checkXmlShape(const QByteArray& bytes, const QString& source);

} // namespace brisquel::vexo::plist
