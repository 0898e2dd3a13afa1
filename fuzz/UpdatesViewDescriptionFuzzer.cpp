// The updates pane's interface description.
#include "VexoUpdater/UpdatesViewDescription.h"
#include "fuzz/ScratchFolder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quillmere::UpdatesViewDescription::parse(quillmere::fuzz::bytesOf(data, size),
                                             QStringLiteral("UpdatesView.json"));
    return 0;
}
