#include "VexoExtensions/FileURLUtilities.h"
#include "VexoExtensions/StringUtilities.h"

#include <gtest/gtest.h>

using namespace brisquel::vexo;

namespace {
QUrl file(const char* path) {
    return QUrl::fromLocalFile(QString::fromUtf8(path));
}
} // namespace

TEST(FileCounter, CountsTheNameBeforeTheExtension) {
    const std::vector<std::tuple<const char*, const char*, const char*>> cases = {
        {"/photos/Scan.tif", "_", "/photos/Scan_1.tif"},
        {"/photos/Scan_1.tif", "_", "/photos/Scan_2.tif"},
        {"/a/README", "-", "/a/README-1"},
        {"/a/.profile", "-", "/a/.profile-1"},
        {"/a/archive.tar.gz", "-", "/a/archive.tar-1.gz"},
        {"/a/50% off #1?.txt", " ", "/a/50% off #1? 1.txt"}, // URL-special characters survive
    };
    for (const auto& [before, delimiter, after] : cases) {
        const QUrl bumped =
            incrementingCounter(file(before), 1, 1, QStringLiteral("%d"), QString::fromUtf8(delimiter));
        EXPECT_EQ(bumped.toLocalFile(), QString::fromUtf8(after));
        EXPECT_TRUE(bumped.isLocalFile()) << before;
    }
}

TEST(FileCounter, InPlaceFormLeavesTheAddressOnError) {
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
    EXPECT_EQ(lastPathComponent(file("/")), QString());
    EXPECT_EQ(pathExtension(file("/a/b.txt")), QStringLiteral("txt"));
    EXPECT_EQ(pathExtension(file("/a/.bashrc")), QString());
    EXPECT_EQ(pathExtension(file("/a/notes.")), QString());
}
