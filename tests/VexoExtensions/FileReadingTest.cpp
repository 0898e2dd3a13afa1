#include "VexoExtensions/FileReading.h"
#include "tests/support/HostileFiles.h"
#include "tests/support/TempFolder.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace brisquel::vexo;

namespace {

// What lies at the path, read with a bound of three bytes: the status, and the reason's words or the bytes.
struct FileCase {
    const char* name;
    QString (*make)(const testsupport::TempFolder& folder);
    Status status;
    const char* words;
};

QString fifo(const testsupport::TempFolder& folder) {
    const QString path = folder.filePath(QStringLiteral("fifo"));
    testsupport::HostileFiles::makeFifo(path);
    return path;
}

const FileCase kFiles[] = {
    {"AtTheBound", [](const auto& f) { return f.write(QStringLiteral("three"), "abc"); }, Status::Ok, "abc"},
    {"Empty", [](const auto& f) { return f.write(QStringLiteral("empty"), ""); }, Status::Ok, ""},
    {"OneByteOver", [](const auto& f) { return f.write(QStringLiteral("four"), "abcd"); }, Status::TooLarge,
     "too large"},
    {"Missing", [](const auto& f) { return f.filePath(QStringLiteral("missing")); }, Status::NotFound,
     "does not exist"},
    {"UnderAFile", [](const auto& f) { return f.write(QStringLiteral("file"), "x") + QStringLiteral("/in"); },
     Status::NotFound, "does not exist"},
    {"Folder", [](const auto& f) { return f.path(); }, Status::NotRegularFile, "not a regular file"},
    {"Fifo", fifo, Status::NotRegularFile, "not a regular file"},
    {"LinkToAFifo",
     [](const auto& f) {
         const QString link = f.filePath(QStringLiteral("link"));
         QFile::link(fifo(f), link);
         return link;
     },
     Status::NotRegularFile, "not a regular file"},
};

TEST(RegularFileReading, ReadsOnlyARegularFileWithinTheBound) {
    for (const FileCase& c : kFiles) {
        const testsupport::TempFolder folder;
        const QString path = c.make(folder);
        const Expected<QByteArray> read = readRegularFile(path, 3);
        const QString message = read.result().message();
        EXPECT_EQ(read.result().status(), c.status) << c.name;
        EXPECT_EQ(checkRegularFile(path, 3).status(), c.status) << c.name;
        if (c.status == Status::Ok)
            EXPECT_EQ(read.valueOr({}), QByteArray(c.words)) << c.name;
        else
            EXPECT_TRUE(message.startsWith(path) && message.contains(QLatin1String(c.words)))
                << qPrintable(message);
    }
}

} // namespace
