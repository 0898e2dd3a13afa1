// The update-feed reader.
#include "VexoUpdater/Appcast.h"
#include "fuzz/ScratchFolder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Beta releases and a known system version let every condition on an item be weighed.
    quillmere::AppcastCriteria criteria;
    criteria.includeBetaReleases = true;
    criteria.systemVersion = QStringLiteral("12.4");
    quillmere::Appcast::readNewest(quillmere::fuzz::bytesOf(data, size), criteria,
                                   QStringLiteral("https://updates.example/appcast.xml"));
    return 0;
}
