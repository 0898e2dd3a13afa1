// The feedback form's interface description (read only: building the form needs a display).
#include "ContactForm/FormInterface.h"
#include "fuzz/ScratchFolder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quillmere::FormInterface::parse(quillmere::fuzz::bytesOf(data, size),
                                    QStringLiteral("ContactFormViewController.json"));
    return 0;
}
