#include "VexoExtensions/FileURLUtilities.h"
#include "VexoExtensions/StringUtilities.h"

#include <gtest/gtest.h>

using namespace brisquel::vexo;

namespace {
QUrl file(const char* path) {
    return QUrl::fromLocalFile(QString::fromUtf8(path));
}
} // namespace

TEST(FileCounter, AddsThenBumpsBeforeTheExtension) {
    const QUrl scan = file("/photos/Scan.tif");
    const QUrl first = incrementingCounter(scan, 1, 1, QStringLiteral("%d"), QStringLiteral("_"));
    EXPECT_EQ(first, file("/photos/Scan_1.tif"));
    EXPECT_EQ(incrementingCounter(first, 1, 1, QStringLiteral("%d"), QStringLiteral("_")),
              file("/photos/Scan_2.tif"));
}

TEST(FileCounter, NamesWithoutExtensionAndHiddenFiles) {
    EXPECT_EQ(incrementingCounter(file("/a/README"), 1, 1, QStringLiteral("%d"), QStringLiteral("-")),
              file("/a/README-1"));
    EXPECT_EQ(incrementingCounter(file("/a/.profile"), 1, 1, QStringLiteral("%d"), QStringLiteral("-")),
              file("/a/.profile-1"));
    EXPECT_EQ(incrementingCounter(file("/a/archive.tar.gz"), 1, 1, QStringLiteral("%d"), QStringLiteral("-")),
              file("/a/archive.tar-1.gz"));
}

TEST(FileCounter, SpecialCharactersInNamesSurvive) {
    const QUrl odd = file("/a/50% off #1?.txt");
    const QUrl bumped = incrementingCounter(odd, 1, 1, QStringLiteral("%d"), QStringLiteral(" "));
    EXPECT_EQ(bumped.toLocalFile(), QStringLiteral("/a/50% off #1? 1.txt"));
    EXPECT_TRUE(bumped.isLocalFile());
}

TEST(FileCounter, InPlaceFormAndErrors) {
    QUrl url = file("/a/b.txt");
    incrementCounter(url, 5, 1, QStringLiteral("%02d"), QStringLiteral("-"));
    EXPECT_EQ(url, file("/a/b-05.txt"));
    EXPECT_THROW(incrementCounter(url, 1, 1, QStringLiteral("%n"), QStringLiteral("-")), CounterError);
    EXPECT_EQ(url, file("/a/b-05.txt"));
}

TEST(PathHelpers, ReplacingTheExtension) {
    EXPECT_EQ(replacingPathExtension(file("/a/b.txt"), QStringLiteral("md")), file("/a/b.md"));
    EXPECT_EQ(replacingPathExtension(file("/a/b"), QStringLiteral("md")), file("/a/b.md"));
    EXPECT_EQ(replacingPathExtension(file("/a/b.txt"), QString()), file("/a/b"));
    QUrl url = file("/a/b.tar.gz");
    replacePathExtension(url, QStringLiteral("zip"));
    EXPECT_EQ(url, file("/a/b.tar.zip"));
}

TEST(PathHelpers, ReplacingTheLastComponent) {
    EXPECT_EQ(replacingLastPathComponent(QUrl(QStringLiteral("a/b.txt")), QStringLiteral("c"), true),
              QUrl(QStringLiteral("a/c.txt")));
    EXPECT_EQ(replacingLastPathComponent(QUrl(QStringLiteral("a/b.txt")), QStringLiteral("c"), false),
              QUrl(QStringLiteral("a/c")));
    EXPECT_EQ(replacingLastPathComponent(file("/x/a/b"), QStringLiteral("c"), true), file("/x/a/c"));
    QUrl folder = file("/x/old/");
    replaceLastPathComponent(folder, QStringLiteral("new"), true);
    EXPECT_EQ(folder, file("/x/new/"));
}

TEST(PathHelpers, ComponentsAndExtensions) {
    EXPECT_EQ(lastPathComponent(file("/a/b.txt")), QStringLiteral("b.txt"));
    EXPECT_EQ(pathExtension(file("/a/b.txt")), QStringLiteral("txt"));
    EXPECT_EQ(pathExtension(file("/a/.bashrc")), QString());
    EXPECT_EQ(pathExtension(file("/a/notes.")), QString());
    EXPECT_EQ(lastPathComponent(file("/")), QString());
}
