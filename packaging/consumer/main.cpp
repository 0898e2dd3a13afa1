// Calls into the installed library: its version, and the Finder-style ordering, which runs
// through ICU inside the library.
#include "VexoExtensions/TextOrdering.h"
#include "core/BrisquelVersion.h"

#include <QString>

#include <cstdio>

int main() {
    const bool numericOrder =
        brisquel::vexo::sortsBefore(QStringLiteral("Capture One 9"), QStringLiteral("Capture One 10"));
    std::printf("Brisquel %.1f, numeric order %s\n", brisquel::BrisquelVersionNumber,
                numericOrder ? "yes" : "no");
    return numericOrder ? 0 : 1;
}
