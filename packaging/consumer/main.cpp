// Calls into the installed library as a program of someone else's would: its version, the
// Finder-style ordering (ICU inside the library), and, given a folder, a search for Capture One
// copies below it through the native platform services.
//
// Usage: brisquel-consumer [APPLICATIONS_FOLDER]
// Prints one line; exits 1 when the ordering is wrong or the folder holds no copy.
#include "VexoExtensions/TextOrdering.h"
#include "core/BrisquelVersion.h"
#include "core/platform/Platform.h"

#include <QString>

#include <cstdio>

int main(int argc, char** argv) {
    const bool numericOrder =
        brisquel::vexo::sortsBefore(QStringLiteral("Capture One 9"), QStringLiteral("Capture One 10"));
    std::printf("Brisquel %.1f, numeric order %s", brisquel::BrisquelVersionNumber,
                numericOrder ? "yes" : "no");
    qsizetype copies = -1;
    if (argc > 1) {
        brisquel::MetadataQuery query;
        query.searchScopes = {QString::fromLocal8Bit(argv[1])};
        query.displayNamePrefix = QStringLiteral("Capture One");
        query.sortAttribute = brisquel::MetadataAttribute::kDisplayName;
        copies = brisquel::Platform::native().metadataSearch->search(query).items.size();
        std::printf(", %lld copies found", static_cast<long long>(copies));
    }
    std::printf("\n");
    return numericOrder && copies != 0 ? 0 : 1;
}
