#include "app/ApplicationIcon.h"

#include <QDir>

namespace quillmere {

namespace {

// Where the application compiles the images in, one "<size>.png" each.
constexpr QLatin1StringView kIconFolder(":/quillmere/icons");

} // namespace

QString applicationIconName() {
    return QStringLiteral("com.tamberline.Quillmere");
}

QIcon applicationIcon() {
    QIcon compiledIn;
    const QDir folder(kIconFolder);
    // Each image is added with its own size, so that a small icon is drawn from the small image
    // (drawn for that size) rather than scaled down from a large one.
    for (const QString& name : folder.entryList({QStringLiteral("*.png")}, QDir::Files)) {
        compiledIn.addFile(folder.filePath(name));
    }
    return QIcon::fromTheme(applicationIconName(), compiledIn);
}

} // namespace quillmere
