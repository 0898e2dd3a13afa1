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
    const char* file; // relative to the test's folder
    QByteArray content;
    Status status;
    const char* words;     // in the reason; the file's name is always there too
    const char* make = ""; // "": `content` written as the file; else what is made there instead
};

class ScriptCheckKinds : public ::testing::TestWithParam<CheckRow> {};

TEST_P(ScriptCheckKinds, GiveTheirStatusAndReason) {
    const CheckRow& row = GetParam();
    if (std::string_view(row.make) == "locked" && ::geteuid() == 0)
        GTEST_SKIP() << "run as the superuser, who reads every file";
    const testsupport::TempFolder folder;
    const QString file = QString::fromUtf8(row.file);
    const std::string_view make = row.make;
    if (make.empty())
        folder.write(file, row.content);
    else if (make == "mkdir") // `content` names the folder
        QDir().mkpath(folder.filePath(QString::fromUtf8(row.content)));
    else if (make == "bundle")
        folder.write(file + u"/Contents/Resources/Scripts/main.scpt"_s, row.content);
    else if (make == "link")
        QFile::link(folder.filePath(u"nowhere"_s), folder.filePath(file));
    else if (make == "fifo")
        testsupport::HostileFiles::makeFifo(folder.filePath(file));
    else if (make == "underFile")
        folder.write(file.section(u'/', 0, 0), "x");
    else if (make == "locked")
        QFile::setPermissions(folder.write(file, kCompiled), QFileDevice::WriteOwner);
    const ScriptCheck check = ScriptCheck::of(folder.filePath(file));
    EXPECT_EQ(check.status(), row.status) << check.reason().toStdString();
    if (row.status == Status::Passes) {
        EXPECT_TRUE(check.reason().isEmpty()) << check.reason().toStdString();
        EXPECT_EQ(check.word(), u"ok"_s);
        return;
    }
    EXPECT_TRUE(check.reason().startsWith(folder.filePath(file))) << check.reason().toStdString();
    EXPECT_TRUE(check.reason().contains(QString::fromUtf8(row.words))) << check.reason().toStdString();
}

const QByteArray kUtf16le("\xFF\xFEr\0e\0t\0u\0r\0n\0 \0001\0", 18);
const QByteArray kUtf16be("\xFE\xFF\0r\0e\0t\0u\0r\0n\0 \0001", 18);
const QByteArray kPng("\x89PNG\r\n\x1a\n\0\0", 10);

INSTANTIATE_TEST_SUITE_P(
    Rows, ScriptCheckKinds,
    ::testing::Values(
        CheckRow{"Compiled", "a.scpt", kCompiled, Status::Passes, ""},
        CheckRow{"CompiledAnyName", "compiled", kCompiled, Status::Passes, ""},
        CheckRow{"Utf8", "t.applescript", "return \"Grüße\"\n", Status::Passes, ""},
        CheckRow{"Utf8Bom", "t.applescript", "\xEF\xBB\xBFreturn 1\r\n", Status::Passes, ""},
        CheckRow{"Utf16le", "t.scpt", kUtf16le, Status::Passes, ""},
        CheckRow{"Utf16be", "t.scpt", kUtf16be, Status::Passes, ""},
        CheckRow{"MacRoman", "t.applescript", "-- caf\x8e\treturn 1\n", Status::Passes, ""},
        CheckRow{"Bundle", "B.scptd", kCompiled, Status::Passes, "", "bundle"},
        CheckRow{"Missing", "gone.scpt", {}, Status::Missing, "does not exist", "none"},
        CheckRow{"DanglingLink", "link.scpt", {}, Status::Missing, "symbolic link", "link"},
        CheckRow{"UnderAFile", "f/x.scpt", {}, Status::NotReadable, "cannot be reached", "underFile"},
        CheckRow{"Empty", "e.scpt", "", Status::Empty, "is empty"},
        CheckRow{"Binary", "p.scpt", kPng, Status::NotAScript, "neither"},
        CheckRow{"ControlCharacters", "c.applescript", "return 1\x1b[2J", Status::NotAScript, "neither"},
        CheckRow{"LoneSurrogate", "u.scpt", QByteArray("\xFF\xFE\x00\xDCr\0", 6), Status::NotAScript,
                 "neither"},
        CheckRow{"OddUtf16", "u.scpt", QByteArray("\xFE\xFF\0r\0", 5), Status::NotAScript, "neither"},
        CheckRow{"OtherKind", "notes.txt", "return 1", Status::NotAScript, "not an AppleScript file"},
        CheckRow{"Folder", "Folder", "Folder", Status::NotAFile, "is a folder", "mkdir"},
        CheckRow{"HollowBundle", "H.scptd", "H.scptd/Contents", Status::NotAScript, "without", "mkdir"},
        CheckRow{"BundleOfAFolder", "N.scptd", "N.scptd/Contents/Resources/Scripts/main.scpt",
                 Status::NotAFile, "/main.scpt is a folder", "mkdir"},
        CheckRow{"Fifo", "pipe.scpt", {}, Status::NotAFile, "is a FIFO", "fifo"},
        CheckRow{"Unreadable", "locked.scpt", {}, Status::NotReadable, "cannot be read", "locked"}),
    [](const ::testing::TestParamInfo<CheckRow>& row) { return std::string(row.param.name); });

} // namespace
