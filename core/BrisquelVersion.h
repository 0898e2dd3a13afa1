#pragma once

namespace brisquel {

// The library's version: the build's identification text and its number.
extern const char* const BrisquelVersionString;
extern const double BrisquelVersionNumber;

} // namespace brisquel
