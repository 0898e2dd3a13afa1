// The library's resource bundle: where it is looked for, what it must hold, and the stop when it
// is missing.

#include "VexoUpdater/ResourceBundle.h"

#include "VexoExtensions/MainBundle.h"
#include "VexoUpdater/UpdatesViewDescription.h"
#include "tests/support/TempFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

using brisquel::vexo::findResourceBundle;
using quillmere::UpdatesViewDescription;

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

TEST_P(BundleLookupOrder, prefersTheResourceFolderThenTheLibrarysFolderThenTheApplicationsFolder) {
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

INSTANTIATE_TEST_SUITE_P(
    Lookup, BundleLookupOrder,
    ::testing::Values(Placement{"everywhere", true, true, true, 0},
                      Placement{"beside the library and the application", false, true, true, 1},
                      Placement{"in the resources and the application's folder", true, false, true, 0},
                      Placement{"only in the application's folder", false, false, true, 2},
                      Placement{"nowhere", false, false, false, -1}));

TEST(BundleLookupOrder, anEmptyCandidateIsSkipped) {
    testsupport::TempFolder root;
    QDir().mkpath(root.filePath(kBundle));
    EXPECT_EQ(findResourceBundle(kBundle, {QString(), root.path()}), QDir::cleanPath(root.filePath(kBundle)));
}

TEST(UpdaterBundleCandidates, areTheDataFolderThenTheFolderOfTheCodeThenTheApplicationsFolder) {
    testsupport::TempFolder data;
    const QByteArray saved = qgetenv("QUILLMERE_DATA_DIR");
    qputenv("QUILLMERE_DATA_DIR", data.path().toUtf8());
    static const char marker = 0; // lives in this program, like the library linked into it
    const QStringList candidates = brisquel::vexo::resourceBundleCandidates(&marker);
    if (saved.isNull())
        qunsetenv("QUILLMERE_DATA_DIR");
    else
        qputenv("QUILLMERE_DATA_DIR", saved);
    ASSERT_EQ(candidates.size(), 3);
    EXPECT_EQ(candidates[0], QDir::cleanPath(data.path()));
    EXPECT_EQ(candidates[1], QCoreApplication::applicationDirPath());
    EXPECT_EQ(candidates[2], QCoreApplication::applicationDirPath());
}

TEST(UpdaterBundle, isFoundBesideTheProgramAndHoldsTheDescriptionAndTheArtwork) {
    const QString bundle = quillmere::updaterResourceBundle();
    EXPECT_TRUE(bundle.endsWith(kBundle));
    for (const char* file : {"UpdatesView.json", "arrow.down.circle.png", "arrow.down.circle@2x.png"})
        EXPECT_TRUE(QFileInfo(QDir(bundle).filePath(QString::fromUtf8(file))).isFile()) << file;
    const auto description =
        UpdatesViewDescription::read(QDir(bundle).filePath(QStringLiteral("UpdatesView.json")));
    ASSERT_TRUE(description) << description.result().message().toStdString();
    EXPECT_EQ(description->rows.size(), 3);
    const QList<QSize> sizes = quillmere::updaterIcon().availableSizes();
    EXPECT_TRUE(sizes.contains(QSize(32, 32)));
    EXPECT_TRUE(sizes.contains(QSize(64, 64)));
}

TEST(UpdaterBundleMissingCheck, aProgramWithTheBundleInNoPlaceStopsWithTheMessage) {
    testsupport::TempFolder folder;
    const QString copy = folder.filePath(QStringLiteral("bin/updater_tests"));
    QDir().mkpath(folder.filePath(QStringLiteral("bin")));
    ASSERT_TRUE(QFile::copy(QCoreApplication::applicationFilePath(), copy));
    QFile::setPermissions(copy, QFile::permissions(copy) | QFileDevice::ExeOwner);
    QDir().mkpath(folder.filePath(QStringLiteral("data")));

    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QUILLMERE_DATA_DIR"), folder.filePath(QStringLiteral("data")));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(environment);
    // The test above, run where no bundle is: its first lookup stops the program.
    process.start(
        copy,
        {QStringLiteral(
            "--gtest_filter=UpdaterBundle.isFoundBesideTheProgramAndHoldsTheDescriptionAndTheArtwork")});
    ASSERT_TRUE(process.waitForFinished(60'000));
    const QString errors = QString::fromUtf8(process.readAllStandardError());
    EXPECT_FALSE(process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0);
    EXPECT_TRUE(errors.contains(QStringLiteral("unable to find bundle named VexoWidgets_VexoUpdater")))
        << errors.toStdString();
}

// --- The interface description ---

struct BadDescription {
    const char* what;
    QByteArray json;
    const char* message;
};

void PrintTo(const BadDescription& b, std::ostream* os) {
    *os << b.what;
}

class BrokenInterfaceDescription : public ::testing::TestWithParam<BadDescription> {};

TEST_P(BrokenInterfaceDescription, isRefusedNamingTheFileAndTheCause) {
    const auto description =
        UpdatesViewDescription::parse(GetParam().json, QStringLiteral("/b/UpdatesView.json"));
    ASSERT_FALSE(description);
    const QString message = description.result().message();
    EXPECT_TRUE(message.startsWith(QStringLiteral("/b/UpdatesView.json: "))) << message.toStdString();
    EXPECT_TRUE(message.contains(QString::fromUtf8(GetParam().message))) << message.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Bundle, BrokenInterfaceDescription,
    ::testing::Values(
        BadDescription{"not JSON", "{rows: [", "not valid JSON"},
        BadDescription{"a list", "[]", "not a JSON object"},
        BadDescription{"rows that are not a list", "{\"rows\": 3}", "\"rows\" is not a list"},
        BadDescription{"no beta switch", "{\"rows\": []}",
                       "no switch for the setting \"includeBetaReleases\""},
        BadDescription{
            "an unknown setting",
            "{\"rows\": [{\"kind\": \"switch\", \"title\": \"X\", \"setting\": \"deleteEverything\"}]}",
            "row 1 names the setting \"deleteEverything\""},
        BadDescription{"an unknown kind", "{\"rows\": [{\"kind\": \"slider\", \"title\": \"X\"}]}",
                       "row 1 is of the unknown kind \"slider\""},
        BadDescription{"a row without a title", "{\"rows\": [{\"kind\": \"switch\"}]}", "row 1 has no title"},
        BadDescription{"a last-check text without the date",
                       "{\"rows\": [{\"kind\": \"checkNow\", \"title\": \"Go\", \"lastChecked\": \"Last\"}]}",
                       "row 1: \"lastChecked\" has no %1 for the date"}));

} // namespace
