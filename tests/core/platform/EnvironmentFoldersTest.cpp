// Folders named by the environment reach the file system exactly as named, or not at all: a path
// that is not valid UTF-8 has no exact text, and any text made of it names a look-alike folder.
#include "core/AppFinder.h"
#include "core/platform/Platform.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/TempFolder.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using namespace brisquel;

namespace {

// The variables a row sets.
constexpr const char* kNames[] = {"QUILLMERE_PREFERENCES_DIR", "XDG_CONFIG_HOME", "HOME",
                                  "QUILLMERE_APPLICATIONS_DIR"};

struct FolderRow {
    const char* name;
    const char* variable;
    QByteArray leaf;   // the last part of the path, below the test's folder
    const char* shown; // how the message shows it
};

class EnvironmentFolders : public ::testing::TestWithParam<FolderRow> {};

TEST_P(EnvironmentFolders, ThatAreNotUtf8AreRefused) {
    const FolderRow& row = GetParam();
    const testsupport::ScopedEnvironment restore[]{kNames[0], kNames[1], kNames[2], kNames[3]};
    const testsupport::TempFolder temp;
    for (const char* name : kNames)
        qunsetenv(name);
    // Never the machine's own folders: a folder that does not exist, and the test's own home.
    qputenv("QUILLMERE_APPLICATIONS_DIR", QFile::encodeName(temp.filePath(u"none"_s)));
    qputenv("HOME", QFile::encodeName(temp.path()));
    qputenv(row.variable, QFile::encodeName(temp.path()) + '/' + row.leaf);

    const Platform platform = Platform::native();
    const vexo::Result written =
        platform.preferences->open(u"com.captureone.captureone16"_s)->write(u"k"_s, 1);
    const bool applications = qstrcmp(row.variable, "QUILLMERE_APPLICATIONS_DIR") == 0;
    const vexo::Result& result = applications ? AppFinder::discoverWithReport(platform).folder : written;
    EXPECT_EQ(result.status(), vexo::Status::Refused) << qPrintable(result.message());
    EXPECT_TRUE(result.message().contains(QLatin1String(row.variable))) << qPrintable(result.message());
    EXPECT_TRUE(result.message().contains(QString::fromUtf8(row.shown))) << qPrintable(result.message());
    // Nothing was made anywhere: no look-alike folder, no domain.
    if (!applications) {
        EXPECT_TRUE(QDir(temp.path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
    }
}

INSTANTIATE_TEST_SUITE_P(
    , EnvironmentFolders,
    ::testing::Values(FolderRow{"PreferencesLatin1", "QUILLMERE_PREFERENCES_DIR", "caf\xE9", "caf\\xE9"},
                      FolderRow{"PreferencesSurrogate", "QUILLMERE_PREFERENCES_DIR", "a\xED\xA0\x80",
                                "a\\xED\\xA0\\x80"},
                      FolderRow{"ConfigHomeCut", "XDG_CONFIG_HOME", "x\xC3", "x\\xC3"},
                      FolderRow{"HomeLatin1", "HOME", "h\xFF", "h\\xFF"},
                      FolderRow{"ApplicationsLatin1", "QUILLMERE_APPLICATIONS_DIR", "apps\xE9", "apps\\xE9"}),
    [](const ::testing::TestParamInfo<FolderRow>& row) { return std::string(row.param.name); });

} // namespace
