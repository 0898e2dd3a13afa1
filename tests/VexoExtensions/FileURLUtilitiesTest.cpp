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
        {"/a/README", "-", "/a/README-1"},
        {"/a/archive.tar.gz", "-", "/a/archive.tar-1.gz"},
        {"/a/50% off #1?.txt", " ", "/a/50% off #1? 1.txt"}, // URL-special characters survive
    };
    for (const auto& [before, delimiter, after] : cases) {
        const QUrl bumped =
            incrementingCounter(file(before), 1, 1, QStringLiteral("%d"), QString::fromUtf8(delimiter));
        EXPECT_EQ(bumped.toLocalFile(), QString::fromUtf8(after)) << before;
    }
    QUrl url = file("/a/b.txt"); // the in-place form leaves the address as it was on an error
    EXPECT_THROW(incrementCounter(url, 1, 1, QStringLiteral("%n"), QStringLiteral("-")), CounterError);
    EXPECT_EQ(url, file("/a/b.txt"));
}

TEST(PathHelpers, ReplaceAndReadTheLastComponent) {
    const std::vector<std::pair<QUrl, QUrl>> cases = {
        {replacingPathExtension(file("/a/b.txt"), QStringLiteral("md")), file("/a/b.md")},
        {replacingPathExtension(file("/a/b.tar.gz"), QStringLiteral("zip")), file("/a/b.tar.zip")},
        {replacingLastPathComponent(file("/a/b.txt"), QStringLiteral("c"), true), file("/a/c.txt")},
        {replacingLastPathComponent(QUrl(QStringLiteral("a/b.txt")), QStringLiteral("c"), false),
         QUrl(QStringLiteral("a/c"))},
        {replacingLastPathComponent(file("/x/old/"), QStringLiteral("new"), true), file("/x/new/")},
    };
    for (const auto& [made, expected] : cases)
        EXPECT_EQ(made, expected) << expected.toString().toStdString();
    EXPECT_EQ(lastPathComponent(file("/a/b.txt")), QStringLiteral("b.txt"));
    EXPECT_EQ(lastPathComponent(file("/")), QString());
    for (const char* none : {"/a/.bashrc", "/a/notes.", "/a/b"})
        EXPECT_EQ(pathExtension(file(none)), QString()) << none;
}
