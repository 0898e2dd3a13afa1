#pragma once

#include "VexoExtensions/Export.h"

namespace brisquel {

// The library's version: the build's identification text and its number.
extern BRISQUEL_EXPORT const char* const BrisquelVersionString;
extern BRISQUEL_EXPORT const double BrisquelVersionNumber;

} // namespace brisquel
