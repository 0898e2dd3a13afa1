// A file URL stored as data: the keyed archive of a URL that the platform's own setter writes.
#include "VexoExtensions/UserDefaults.h"
#include "fuzz/ScratchFolder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    brisquel::vexo::UserDefaults::urlFromValue(QVariant(quillmere::fuzz::bytesOf(data, size)));
    return 0;
}
