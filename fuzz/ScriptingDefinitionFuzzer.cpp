// The sdef reader: loading a file and selecting its background-script properties.
#include "core/ScriptingDefinition.h"
#include "fuzz/ScratchFolder.h"

namespace ScriptingDefinition = brisquel::ScriptingDefinition;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const QString kPath = quillmere::fuzz::scratchFolder() + QStringLiteral("/Fuzz.sdef");
    quillmere::fuzz::writeFile(kPath, data, size);
    const auto document = ScriptingDefinition::load(kPath);
    if (!document)
        return 0;
    for (const ScriptingDefinition::ScriptProperty& property : ScriptingDefinition::select(*document)) {
        // The XPath 1.0 form of ends-with() must select exactly the names that end in "script".
        if (!property.name.endsWith(QLatin1String("script")))
            quillmere::fuzz::harnessFailure(QStringLiteral("selected a property named ") + property.name);
    }
    return 0;
}
