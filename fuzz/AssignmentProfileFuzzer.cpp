// An assignment profile, a JSON document that travels between users and Macs. Whatever it reads,
// what it writes again reads back as the same profile.
#include "core/AssignmentProfile.h"
#include "fuzz/ScratchFolder.h"

namespace {

const QString kHome = QStringLiteral("/Users/someone");

bool sameScripts(const brisquel::AssignmentProfile& a, const brisquel::AssignmentProfile& b) {
    if (a.scripts.size() != b.scripts.size())
        return false;
    for (qsizetype i = 0; i < a.scripts.size(); ++i) {
        const auto& left = a.scripts.at(i);
        const auto& right = b.scripts.at(i);
        if (left.key != right.key || left.title != right.title || left.path != right.path)
            return false;
    }
    return a.source.name == b.source.name && a.source.bundleIdentifier == b.source.bundleIdentifier &&
           a.source.version == b.source.version;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto read = brisquel::AssignmentProfile::fromJson(bytes, QStringLiteral("fuzz.json"), kHome);
    if (!read)
        return 0;
    const auto again =
        brisquel::AssignmentProfile::fromJson(read->toJson(kHome), QStringLiteral("again"), kHome);
    if (!again)
        quillmere::fuzz::harnessFailure(QStringLiteral("a profile it wrote is refused: ") +
                                        again.result().message());
    if (!sameScripts(*read, *again))
        quillmere::fuzz::harnessFailure(QStringLiteral("a profile written and read again differs"));
    return 0;
}
