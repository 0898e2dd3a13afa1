// The property-list decoder of the file-coding utilities (PropertyListDecoder's reading step).
#include "VexoExtensions/FileCoding.h"
#include "fuzz/ScratchFolder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        brisquel::vexo::detail::fromPropertyList(quillmere::fuzz::bytesOf(data, size),
                                                 QStringLiteral("input.plist"));
    } catch (const brisquel::vexo::FileCodingError&) {
        // A refusal, as documented.
    }
    return 0;
}
