#include "VexoExtensions/FileReading.h"
#include "tests/support/HostileFiles.h"
#include "tests/support/TempFolder.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace brisquel::vexo;

namespace {

// What lies at the path read with a bound of three bytes: the status, and words of the reason
// (or the bytes read).
struct FileCase {
    const char* name;
    QString (*make)(const testsupport::TempFolder& folder);
    Status status;
    const char* words;
};

void PrintTo(const FileCase& c, std::ostream* out) {
    *out << c.name;
}

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

class RegularFileReading : public ::testing::TestWithParam<FileCase> {};

TEST_P(RegularFileReading, ReadsOnlyARegularFileWithinTheBound) {
    const FileCase& c = GetParam();
    const testsupport::TempFolder folder;
    const QString path = c.make(folder);
    const Expected<QByteArray> read = readRegularFile(path, 3);
    const Result checked = checkRegularFile(path, 3);
    EXPECT_EQ(read.result().status(), c.status) << qPrintable(read.result().message());
    EXPECT_EQ(checked.status(), c.status);
    if (c.status == Status::Ok) {
        EXPECT_EQ(read.valueOr({}), QByteArray(c.words));
        return;
    }
    EXPECT_TRUE(read.result().message().startsWith(path)) << qPrintable(read.result().message());
    EXPECT_TRUE(read.result().message().contains(QLatin1String(c.words)))
        << qPrintable(read.result().message());
}

INSTANTIATE_TEST_SUITE_P(Files, RegularFileReading, ::testing::ValuesIn(kFiles),
                         [](const ::testing::TestParamInfo<FileCase>& row) {
                             return std::string(row.param.name);
                         });

} // namespace
