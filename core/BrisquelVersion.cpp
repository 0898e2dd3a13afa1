#include "core/BrisquelVersion.h"

namespace brisquel {

const char* const BrisquelVersionString =
    "@(#)PROGRAM:Brisquel  PROJECT:Brisquel-" BRISQUEL_PROJECT_VERSION "\n";
const double BrisquelVersionNumber = 1.0;

} // namespace brisquel
