#include "app/ApplicationIcon.h"

#include "VexoWidgets/LazyIconEngine.h"

#include <QStringList>

#include <iterator>

namespace quillmere {

namespace {

// Where the application compiles the images in, one "<size>.png" each.
const QString kIconFolder = QStringLiteral(":/quillmere/icons/");
constexpr int kCompiledSizes[] = {16, 24, 32, 48, 64, 128, 256};
constexpr int kLargestWindowIcon = 64;

QIcon compiledIcon(int largest) {
    QStringList files;
    for (const int size : kCompiledSizes) {
        if (size <= largest) {
            files.append(kIconFolder + QString::number(size) + QStringLiteral(".png"));
        }
    }
    return LazyIconEngine::icon(files);
}

} // namespace

QIcon applicationIcon() {
    return compiledIcon(kCompiledSizes[std::size(kCompiledSizes) - 1]);
}

QIcon windowIcon() {
    return compiledIcon(kLargestWindowIcon);
}

} // namespace quillmere
