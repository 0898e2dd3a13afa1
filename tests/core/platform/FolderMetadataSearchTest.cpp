#include "core/platform/posix/FolderMetadataSearch.h"

#include "tests/support/BoundedRun.h"
#include "tests/support/HostileFiles.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using brisquel::FolderMetadataSearch;
using brisquel::MetadataSearchResult;
using testsupport::TempFolder;
namespace hostile = testsupport::HostileFiles;

namespace {

MetadataSearchResult search(const QStringList& scopes, const QString& prefix = u"Capture One"_s) {
    brisquel::MetadataQuery query;
    query.searchScopes = scopes;
    query.displayNamePrefix = prefix;
    query.sortAttribute = brisquel::MetadataAttribute::kDisplayName;
    return FolderMetadataSearch().search(query);
}

QStringList names(const MetadataSearchResult& result) {
    QStringList values;
    for (const brisquel::MetadataItem& item : result.items)
        values << item.value(brisquel::MetadataAttribute::kDisplayName).toString();
    return values;
}

QString bundle(const QString& folder, const QString& name) {
    testsupport::BundleLayout layout;
    layout.bundleName = name;
    return testsupport::makeBundle(folder, layout);
}

} // namespace

// Which names match is every search's contract; the walk finds them deep in folders and bundles,
// once however often the scopes name their folder.
TEST(FolderMetadataSearch, FindsEveryMatchingBundleOnceWhereverItIs) {
    TempFolder apps;
    bundle(apps.path(), u"Capture One 22.app"_s);
    apps.write(u"Capture One 8.app"_s, "a file, not a folder");
    const QString outer = bundle(apps.filePath(u"Vendors/Phase"_s), u"Capture One 30.app"_s);
    bundle(outer + u"/Contents/Helpers"_s, u"Capture One Helper.app"_s);
    const QString suite = bundle(apps.path(), u"Suite.app"_s);
    bundle(suite + u"/Contents/Applications"_s, u"Capture One Express.app"_s);

    const QStringList scopes{apps.path(), apps.filePath(u"Vendors"_s), apps.path() + u"/."_s};
    EXPECT_EQ(names(search(scopes)), (QStringList{u"Capture One 22"_s, u"Capture One 30"_s,
                                                  u"Capture One Express"_s, u"Capture One Helper"_s}));
    EXPECT_EQ(names(search({apps.path()}, {})).size(), 5); // and Suite, with no prefix asked
}

TEST(FolderMetadataSearch, FollowsNoLinkButTheScopeItself) {
    TempFolder apps;
    bundle(apps.filePath(u"a"_s), u"Capture One 9.app"_s);
    TempFolder elsewhere;
    bundle(elsewhere.path(), u"Capture One 10.app"_s);
    const QList<QPair<QString, QString>> links{
        {apps.path(), apps.filePath(u"a/loop"_s)}, // a cycle
        {elsewhere.path(), apps.filePath(u"linked"_s)},
        {elsewhere.filePath(u"Capture One 10.app"_s), apps.filePath(u"Capture One 11.app"_s)},
        {apps.path(), elsewhere.filePath(u"Applications"_s)}};
    for (const auto& [target, link] : links)
        ASSERT_TRUE(QFile::link(target, link)) << qPrintable(link);
    EXPECT_EQ(names(search({apps.path()})), QStringList{u"Capture One 9"_s});
    EXPECT_EQ(names(search({elsewhere.filePath(u"Applications"_s)})), QStringList{u"Capture One 9"_s});
}

// A folder without folders below it is never read for what it holds, unless it cannot be read.
// Permission bits bind everyone but a privileged user, who searches as an ordinary one in a child.
TEST(FolderMetadataSearch, PassesOverAFolderItCannotReadAndSaysSo) {
    TempFolder apps;
    bundle(apps.path(), u"Capture One 9.app"_s);
    const QString locked = bundle(apps.filePath(u"locked"_s), u"Capture One 10.app"_s).section(u'/', 0, -2);
    bundle(apps.filePath(u"z"_s), u"Capture One 11.app"_s);
    const QString sealed = apps.filePath(u"sealed"_s);
    QDir().mkpath(sealed);
    ASSERT_EQ(chmod(qPrintable(locked), 0) + chmod(qPrintable(sealed), 0) +
                  chmod(qPrintable(apps.path()), 0755),
              0);
    const auto searchedAsExpected = [&] {
        const MetadataSearchResult result = search({apps.path()});
        QStringList unreadable;
        for (const brisquel::SkippedEntry& entry : result.skipped)
            if (entry.reason.message().contains(u"cannot be searched"_s))
                unreadable << entry.path;
        unreadable.sort();
        return names(result) == QStringList{u"Capture One 9"_s, u"Capture One 11"_s} &&
               unreadable == QStringList{locked, sealed};
    };
    if (geteuid() != 0) {
        EXPECT_TRUE(searchedAsExpected());
    } else {
        const pid_t child = fork();
        if (child == 0)
            _exit(setgid(65534) != 0 || setuid(65534) != 0 ? 3 : searchedAsExpected() ? 0 : 1);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
            << WEXITSTATUS(status)
            << " (1: the search found something else, or did not say which folders it "
               "could not read; 3: could not drop privileges)";
    }
    chmod(qPrintable(locked), 0700);
    chmod(qPrintable(sealed), 0700);
}

// Each is passed over with its reason, within bounds, and the good one beside it is found.
struct HostileBundle {
    const char* name;
    void (*make)(const QString& info, const TempFolder& apps); // info: the Info.plist to spoil
    const char* reason;
};
void PrintTo(const HostileBundle& row, std::ostream* out) {
    *out << row.name;
}
class HostileBundles : public ::testing::TestWithParam<HostileBundle> {};

TEST_P(HostileBundles, ArePassedOverWithinBounds) {
    TempFolder apps;
    bundle(apps.path(), u"Capture One 23.app"_s);
    const QString info = apps.filePath(u"Capture One Bad.app/Contents/Info.plist"_s);
    QDir().mkpath(apps.filePath(u"Capture One Bad.app/Contents/Resources"_s));
    GetParam().make(info, apps);
    MetadataSearchResult result;
    bool done = false;
    testsupport::expectWithinBounds(testsupport::runBounded(
        [&] {
            result = search({apps.path()});
            done = true;
        },
        [&] { return done; }));
    EXPECT_EQ(names(result), QStringList{u"Capture One 23"_s});
    ASSERT_EQ(result.skipped.size(), 1);
    const QString reason = result.skipped.at(0).reason.message();
    EXPECT_TRUE(reason.contains(QString::fromUtf8(GetParam().reason), Qt::CaseInsensitive))
        << qPrintable(reason);
    QProcess::execute(u"rm"_s, {u"-rf"_s, apps.path()}); // the folder's own clean-up cannot name every entry
}

using Apps = const TempFolder&;
INSTANTIATE_TEST_SUITE_P(
    Rows, HostileBundles,
    ::testing::Values(
        HostileBundle{"Fifo", [](const QString& plist, Apps) { hostile::makeFifo(plist); },
                      "not a regular file"},
        HostileBundle{"LinkToFifo",
                      [](const QString& plist, Apps apps) {
                          hostile::makeFifo(apps.filePath(u"fifo"_s));
                          QFile::link(apps.filePath(u"fifo"_s), plist);
                      },
                      "not a regular file"},
        HostileBundle{"Folder", [](const QString& plist, Apps) { QDir().mkpath(plist); },
                      "not a regular file"},
        HostileBundle{"Nested",
                      [](const QString& plist, Apps) {
                          hostile::writeFile(plist, hostile::deeplyNestedPlist(u"x.n"_s, u"N"_s, 50000));
                      },
                      "deep"},
        HostileBundle{"SharedReferences",
                      [](const QString& plist, Apps) {
                          hostile::writeFile(plist, hostile::sharedReferencePlist(u"x.s"_s, u"S"_s, 10));
                      },
                      "values"},
        HostileBundle{
            "FiftyMegabytes",
            [](const QString& plist, Apps) { hostile::writeLargeInfoPlist(plist, u"x.l"_s, 50 << 20); },
            "too large"},
        HostileBundle{"NameNotUtf8",
                      [](const QString& plist, Apps apps) {
                          hostile::writeFile(plist, hostile::xmlDictionary(u"x.u"_s, u"k"_s, "<true/>"));
                          ::rename(QFile::encodeName(plist.section(u'/', 0, -3)).constData(),
                                   (QFile::encodeName(apps.path()) + "/Capture One \xff.app").constData());
                      },
                      "UTF-8"}),
    [](const auto& row) { return std::string(row.param.name); });
