#include "VexoWidgets/LazyIconEngine.h"

#include "tests/support/TempFolder.h"

#include <QImage>
#include <QPixmap>

#include <gtest/gtest.h>

using quillmere::LazyIconEngine;

namespace {

TEST(LazyIconEngine, DecodesNothingUntilDrawnAndThenOnlyTheFileThatSuitsTheSize) {
    testsupport::TempFolder folder;
    QStringList files;
    for (const int size : {64, 16, 256}) {
        QImage image(size, size, QImage::Format_ARGB32);
        image.fill(Qt::darkBlue);
        files << folder.filePath(QString::number(size) + QStringLiteral(".png"));
        EXPECT_TRUE(image.save(files.last()));
    }
    auto* engine = new LazyIconEngine(files << folder.filePath(QStringLiteral("missing.png")));
    const QIcon icon(engine); // owns the engine
    EXPECT_EQ(icon.availableSizes(), (QList<QSize>{QSize(16, 16), QSize(64, 64), QSize(256, 256)}));
    EXPECT_EQ(engine->decodedCount(), 0);
    EXPECT_EQ(icon.pixmap(32, 32).size(), QSize(32, 32));
    EXPECT_EQ(engine->decodedCount(), 1); // the 64, scaled down
    EXPECT_EQ(icon.pixmap(16, 16).size(), QSize(16, 16));
    EXPECT_EQ(icon.pixmap(512, 512).size(), QSize(256, 256)); // never scaled up
    EXPECT_EQ(engine->decodedCount(), 3);
}

} // namespace
