// The main bundle's information dictionary, and where a library's resource bundle is looked for.

#include "VexoExtensions/MainBundle.h"

#include "tests/support/ScopedEnvironment.h"
#include "tests/support/TempFolder.h"

#include <QCoreApplication>
#include <QDir>

#include <gtest/gtest.h>

using brisquel::vexo::findResourceBundle;
using brisquel::vexo::MainBundle;

namespace {

const QString kBundle = QStringLiteral("VexoWidgets_VexoUpdater.bundle");

struct Placement {
    const char* where;
    bool inResources;
    bool inLibraryFolder;
    bool inApplicationFolder;
    int expected; // index of the candidate found; -1 none
};

void PrintTo(const Placement& p, std::ostream* os) {
    *os << p.where;
}

class BundleLookupOrder : public ::testing::TestWithParam<Placement> {};

TEST_P(BundleLookupOrder, PrefersResourcesThenLibraryThenApplication) {
    testsupport::TempFolder root;
    const QStringList candidates{root.filePath(QStringLiteral("share/quillmere")),
                                 root.filePath(QStringLiteral("lib")), root.filePath(QStringLiteral("bin"))};
    const bool present[] = {GetParam().inResources, GetParam().inLibraryFolder,
                            GetParam().inApplicationFolder};
    for (int i = 0; i < 3; ++i) {
        QDir().mkpath(candidates[i]);
        if (present[i])
            QDir().mkpath(candidates[i] + QLatin1Char('/') + kBundle);
    }
    const std::optional<QString> found = findResourceBundle(kBundle, candidates);
    if (GetParam().expected < 0) {
        EXPECT_FALSE(found.has_value());
        return;
    }
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(*found, QDir::cleanPath(candidates[GetParam().expected] + QLatin1Char('/') + kBundle));
}

INSTANTIATE_TEST_SUITE_P(Lookup, BundleLookupOrder,
                         ::testing::Values(Placement{"Everywhere", true, true, true, 0},
                                           Placement{"LibraryAndApplication", false, true, true, 1},
                                           Placement{"ResourcesAndApplication", true, false, true, 0},
                                           Placement{"OnlyApplication", false, false, true, 2},
                                           Placement{"Nowhere", false, false, false, -1}),
                         [](const ::testing::TestParamInfo<Placement>& row) {
                             return std::string(row.param.where);
                         });

TEST(BundleLookupOrder, AnEmptyCandidateIsSkipped) {
    testsupport::TempFolder root;
    QDir().mkpath(root.filePath(kBundle));
    EXPECT_EQ(findResourceBundle(kBundle, {QString(), root.path()}), QDir::cleanPath(root.filePath(kBundle)));
}

TEST(BundleCandidates, AreTheDataFolderThenTheFolderOfTheCodeThenTheApplicationsFolder) {
    testsupport::TempFolder data;
    const testsupport::ScopedEnvironment dataFolder("QUILLMERE_DATA_DIR", data.path().toUtf8());
    static const char marker = 0; // lives in this program, like the library linked into it
    const QStringList candidates = brisquel::vexo::resourceBundleCandidates(&marker);
    ASSERT_EQ(candidates.size(), 3);
    EXPECT_EQ(candidates[0], QDir::cleanPath(data.path()));
    EXPECT_EQ(candidates[1], QCoreApplication::applicationDirPath());
    EXPECT_EQ(candidates[2], QCoreApplication::applicationDirPath());
}

} // namespace
