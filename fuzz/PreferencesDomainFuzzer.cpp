// Reading a preferences domain file: single values, several from one reading, and file URLs.
#include "core/platform/Log.h"
#include "core/platform/posix/PlistFileDefaults.h"
#include "fuzz/ScratchFolder.h"

namespace {

class SilentLog final : public brisquel::Log {
public:
    void system(const QString&) override {}
    void standardOutput(const QString&) override {}
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const QString kFolder = quillmere::fuzz::scratchFolder() + QStringLiteral("/Preferences");
    static const QString kDomain = QStringLiteral("com.captureone.captureone16");
    static const QStringList kKeys = {QStringLiteral("captureDoneScript"), QStringLiteral("batchDoneScript"),
                                      QStringLiteral("exportDoneScript"), QStringLiteral("recentScripts")};
    quillmere::fuzz::writeFile(kFolder + QLatin1Char('/') + kDomain + QStringLiteral(".plist"), data, size);
    // A new handle each time: nothing read before can stand for this input.
    brisquel::PlistFileDefaults defaults(kFolder, kDomain, std::make_shared<SilentLog>());
    defaults.read(kKeys.first());
    defaults.readValues(kKeys);
    for (const QString& key : kKeys)
        defaults.readUrl(key);
    return 0;
}
