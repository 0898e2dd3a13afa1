#pragma once

#include "core/platform/macos/CFHolder.h"

#include <QString>

namespace brisquel::macos {

// Text crosses between QString and CFString as UTF-16 units, unchanged both ways: the two keep the
// same units, so no text is reinterpreted or normalised on the way.

// A new CFString with the text's units; null when Core Foundation cannot make one.
CFHolder makeCFString(const QString& text);
// The units of a CFString (a null one gives an empty text).
QString toQString(CFStringRef string);

} // namespace brisquel::macos
