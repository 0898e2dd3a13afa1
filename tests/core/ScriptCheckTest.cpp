#include "core/ScriptCheck.h"
#include "tests/support/HostileFiles.h"
#include "tests/support/TempFolder.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using brisquel::ScriptCheck;
using Status = ScriptCheck::Status;

namespace {

const QByteArray kCompiled = QByteArrayLiteral("FasdUAS 1.101.10\x0e\0\0\0\x04\x0f\xff\xff");

struct CheckRow {
    const char* name;
    const char* file;   // relative to the test's folder
    QByteArray content; // written unless `make` builds the thing itself
    std::function<void(const testsupport::TempFolder&)> make;
    Status status;
    const char* words; // in the reason; the file's name is always there too
};

void PrintTo(const CheckRow& row, std::ostream* out) {
    *out << row.name;
}

class ScriptCheckKinds : public ::testing::TestWithParam<CheckRow> {};

TEST_P(ScriptCheckKinds, GiveTheirStatusAndReason) {
    const CheckRow& row = GetParam();
    const testsupport::TempFolder folder;
    if (row.make)
        row.make(folder);
    else
        folder.write(QString::fromUtf8(row.file), row.content);
    const ScriptCheck check = ScriptCheck::of(folder.filePath(QString::fromUtf8(row.file)));
    EXPECT_EQ(check.status(), row.status) << check.reason().toStdString();
    if (row.status == Status::Passes) {
        EXPECT_TRUE(check.reason().isEmpty()) << check.reason().toStdString();
        EXPECT_EQ(check.word(), u"ok"_s);
        return;
    }
    EXPECT_TRUE(check.reason().startsWith(folder.filePath(QString::fromUtf8(row.file))))
        << check.reason().toStdString();
    EXPECT_TRUE(check.reason().contains(QString::fromUtf8(row.words))) << check.reason().toStdString();
}

const auto mkpath = [](const char* relative) {
    return [relative](const testsupport::TempFolder& folder) {
        QDir().mkpath(folder.filePath(QString::fromUtf8(relative)));
    };
};

INSTANTIATE_TEST_SUITE_P(
    Rows, ScriptCheckKinds,
    ::testing::Values(
        CheckRow{"Compiled", "a.scpt", kCompiled, {}, Status::Passes, ""},
        CheckRow{"CompiledAnyName", "compiled", kCompiled, {}, Status::Passes, ""},
        CheckRow{"Utf8", "t.applescript", "return \"Grüße\"\n", {}, Status::Passes, ""},
        CheckRow{"Utf8Bom", "t.applescript", "\xEF\xBB\xBFreturn 1\r\n", {}, Status::Passes, ""},
        CheckRow{"Utf16le",
                 "t.scpt",
                 QByteArray("\xFF\xFEr\0e\0t\0u\0r\0n\0 \0001\0", 18),
                 {},
                 Status::Passes,
                 ""},
        CheckRow{"Utf16be",
                 "t.scpt",
                 QByteArray("\xFE\xFF\0r\0e\0t\0u\0r\0n\0 \0001", 18),
                 {},
                 Status::Passes,
                 ""},
        CheckRow{"MacRoman", "t.applescript", "-- caf\x8e\treturn 1\n", {}, Status::Passes, ""},
        CheckRow{"Bundle",
                 "B.scptd",
                 {},
                 [](const testsupport::TempFolder& f) {
                     f.write(u"B.scptd/Contents/Resources/Scripts/main.scpt"_s, kCompiled);
                 },
                 Status::Passes,
                 ""},
        CheckRow{"Missing",
                 "gone.scpt",
                 {},
                 [](const testsupport::TempFolder&) {},
                 Status::Missing,
                 "does not exist"},
        CheckRow{"DanglingLink",
                 "link.scpt",
                 {},
                 [](const testsupport::TempFolder& f) {
                     QFile::link(f.filePath(u"nowhere"_s), f.filePath(u"link.scpt"_s));
                 },
                 Status::Missing,
                 "symbolic link"},
        CheckRow{"UnderAFile",
                 "f/x.scpt",
                 {},
                 [](const testsupport::TempFolder& f) { f.write(u"f"_s, "x"); },
                 Status::NotReadable,
                 "cannot be reached"},
        CheckRow{"Empty", "e.scpt", "", {}, Status::Empty, "is empty"},
        CheckRow{
            "Binary", "p.scpt", QByteArray("\x89PNG\r\n\x1a\n\0\0", 10), {}, Status::NotAScript, "neither"},
        CheckRow{"ControlCharacters", "c.applescript", "return 1\x1b[2J", {}, Status::NotAScript, "neither"},
        CheckRow{"LoneSurrogate",
                 "u.scpt",
                 QByteArray("\xFF\xFE\x00\xDCr\0", 6),
                 {},
                 Status::NotAScript,
                 "neither"},
        CheckRow{"OddUtf16", "u.scpt", QByteArray("\xFE\xFF\0r\0", 5), {}, Status::NotAScript, "neither"},
        CheckRow{"OtherKind", "notes.txt", "return 1", {}, Status::NotAScript, "not an AppleScript file"},
        CheckRow{"Folder", "Folder", {}, mkpath("Folder"), Status::NotAFile, "is a folder"},
        CheckRow{"HollowBundle", "H.scptd", {}, mkpath("H.scptd/Contents"), Status::NotAScript, "without"},
        CheckRow{"BundleOfAFolder",
                 "N.scptd",
                 {},
                 mkpath("N.scptd/Contents/Resources/Scripts/main.scpt"),
                 Status::NotAFile,
                 "/main.scpt is a folder"},
        CheckRow{"Fifo",
                 "pipe.scpt",
                 {},
                 [](const testsupport::TempFolder& f) {
                     testsupport::HostileFiles::makeFifo(f.filePath(u"pipe.scpt"_s));
                 },
                 Status::NotAFile,
                 "is a FIFO"}),
    [](const ::testing::TestParamInfo<CheckRow>& row) { return std::string(row.param.name); });

// Permissions do not hold back the superuser, whom the test may run as.
TEST(ScriptCheckPermissions, AFileThatCannotBeReadSaysSo) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "run as the superuser, who reads every file";
    const testsupport::TempFolder folder;
    const QString path = folder.write(u"locked.scpt"_s, kCompiled);
    QFile::setPermissions(path, QFileDevice::WriteOwner);
    const ScriptCheck check = ScriptCheck::of(path);
    EXPECT_EQ(check.status(), Status::NotReadable);
    EXPECT_TRUE(check.reason().contains(u"cannot be read"_s)) << check.reason().toStdString();
}

} // namespace
