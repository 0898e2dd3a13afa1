// A bundle's information dictionary (Contents/Info.plist) and the icon file it names.
#include "core/platform/MetadataSearch.h"
#include "core/platform/posix/FolderMetadataSearch.h"
#include "fuzz/ScratchFolder.h"
#include "tests/support/HostileFiles.h"

namespace {

// A bundle whose Resources hold a few icon files and things that must never be taken for one.
QString makeBundle() {
    using quillmere::fuzz::writeFile;
    const QString bundle = quillmere::fuzz::scratchFolder() + QStringLiteral("/Fuzz.app");
    const QString resources = bundle + QStringLiteral("/Contents/Resources/");
    const std::uint8_t png[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    for (const char* name : {"AppIcon.icns", "AppIcon.png", "Icon.png", "Document.icns"})
        writeFile(resources + QLatin1String(name), png, sizeof png);
    QDir().mkpath(resources + QStringLiteral("Folder.icns"));
    testsupport::HostileFiles::makeFifo(resources + QStringLiteral("Pipe.png"));
    writeFile(bundle + QStringLiteral("/Contents/Outside.png"), png, sizeof png);
    return bundle;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const QString kBundle = makeBundle();
    static const QString kResources = kBundle + QStringLiteral("/Contents/Resources/");
    quillmere::fuzz::writeFile(kBundle + QStringLiteral("/Contents/Info.plist"), data, size);
    const auto item = brisquel::FolderMetadataSearch::itemForBundle(kBundle);
    if (!item)
        return 0;
    // Whatever the dictionary names, the icon is a file directly in Resources.
    const QString icon = item->value(brisquel::MetadataAttribute::kIconPath).toString();
    if (!icon.isEmpty() && (!icon.startsWith(kResources) || icon.mid(kResources.size()).contains(u'/')))
        quillmere::fuzz::harnessFailure(QStringLiteral("icon outside the bundle's resources: ") + icon);
    return 0;
}
