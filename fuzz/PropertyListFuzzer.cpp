// The property-list reader: binary (after the check of its shape) and XML.
#include "VexoExtensions/PropertyList.h"
#include "fuzz/ScratchFolder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    brisquel::vexo::plist::parse(quillmere::fuzz::bytesOf(data, size), QStringLiteral("input.plist"));
    return 0;
}
