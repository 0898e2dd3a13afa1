// The icons a window makes at its start load no image plug-in: the toolkit, asked to find an
// image file's format itself, loads every image plug-in installed to ask each (some 200 KiB and a
// millisecond at each start). They are still drawn as they were.

#include "VexoWidgets/ApplicationStyle.h"
#include "VexoWidgets/LazyIconEngine.h"

#include "tests/support/TempFolder.h"

#include <QFile>
#include <QImage>
#include <QPixmap>
#include <QStyleFactory>
#include <QStyleOption>

#include <gtest/gtest.h>

namespace {

// Whether an image plug-in is mapped into this process; nullopt where the system does not say.
std::optional<bool> imagePlugInLoaded() {
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    return maps.readAll().contains("/imageformats/");
}

// A 24-pixel square of dark blue, written as the bytes of a PNG file: writing it with the toolkit
// would load the image plug-ins, to ask each whether it writes PNG.
constexpr char kBluePng[] =
    "\x89PNG\r\n\x1a\n\x00\x00\x00\x0dIHDR\x00\x00\x00\x18\x00\x00\x00\x18\x08\x06\x00\x00\x00\xe0\x77\x3d"
    "\xf8\x00\x00\x00\x24IDAT\x78\xda\x63\x60\x60\x68\xf8\x4f\x5b\x3c\x6a\xc1\xa8\x05\xa3\x16\x8c\x5a"
    "\x30\x6a\xc1\xa8\x05\xa3\x16\x8c\x5a\x30\x24\x2c\x00\x00\x46\xdd\x5d\xee\x77\x4e\x5c\x8a\x00\x00"
    "\x00\x00IEND\xae\x42\x60\x82";

QImage drawn(const QIcon& icon) {
    return icon.pixmap(16, 16).toImage();
}

TEST(ImagePlugIns, AreNotLoadedForTheMenuBarsOverflowIconOrForIconFilesNamedByTheirFormat) {
    if (!imagePlugInLoaded() || *imagePlugInLoaded()) {
        GTEST_SKIP() << "needs /proc/self/maps and a process that has loaded no image plug-in";
    }
    quillmere::ApplicationStyle style(QStyleFactory::create(QStringLiteral("Fusion")));
    const QIcon overflow = style.standardIcon(QStyle::SP_ToolBarHorizontalExtensionButton);
    QStyleOption rightToLeft;
    rightToLeft.direction = Qt::RightToLeft;
    const QIcon overflowRightToLeft =
        style.standardIcon(QStyle::SP_ToolBarHorizontalExtensionButton, &rightToLeft);

    testsupport::TempFolder folder;
    const QByteArray bytes(kBluePng, sizeof kBluePng - 1);
    const QString png = folder.write(QStringLiteral("icon.png"), bytes);
    const QString mislabelled = folder.write(QStringLiteral("icon.jpg"), bytes); // a PNG all the same
    const QIcon fromFile = quillmere::LazyIconEngine::icon({png});
    EXPECT_EQ(fromFile.availableSizes(), QList<QSize>{QSize(24, 24)});
    EXPECT_EQ(fromFile.pixmap(24, 24).toImage().pixelColor(5, 5), QColor(Qt::darkBlue));
    EXPECT_FALSE(*imagePlugInLoaded());

    // Drawn, they are the base style's own; a file that is not what its suffix says is read still.
    QStyleOption leftToRight;
    leftToRight.direction = Qt::LeftToRight;
    EXPECT_EQ(drawn(overflow), drawn(style.baseStyle()->standardIcon(
                                   QStyle::SP_ToolBarHorizontalExtensionButton, &leftToRight)));
    EXPECT_EQ(drawn(overflowRightToLeft), drawn(style.baseStyle()->standardIcon(
                                              QStyle::SP_ToolBarHorizontalExtensionButton, &rightToLeft)));
    EXPECT_NE(drawn(overflow), drawn(overflowRightToLeft));
    EXPECT_EQ(quillmere::LazyIconEngine::icon({mislabelled}).availableSizes(), QList<QSize>{QSize(24, 24)});
}

} // namespace
