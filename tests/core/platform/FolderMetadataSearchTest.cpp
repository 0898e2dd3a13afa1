#include "core/platform/posix/FolderMetadataSearch.h"

#include "tests/support/BoundedRun.h"
#include "tests/support/HostileFiles.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QUrl>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using brisquel::FolderMetadataSearch;
using brisquel::MetadataItem;
using brisquel::MetadataQuery;
namespace Attr = brisquel::MetadataAttribute;
using testsupport::BundleLayout;
using testsupport::makeBundle;
using testsupport::TempFolder;
namespace hostile = testsupport::HostileFiles;

namespace {

QList<MetadataItem> search(const QStringList& scopes, const QString& prefix = u"Capture One"_s) {
    MetadataQuery query;
    query.searchScopes = scopes;
    query.displayNamePrefix = prefix;
    query.sortAttribute = Attr::kDisplayName;
    return FolderMetadataSearch().execute(query);
}

QStringList valuesOf(const QList<MetadataItem>& items, const QString& attribute = Attr::kDisplayName) {
    QStringList values;
    for (const MetadataItem& item : items)
        values << item.value(attribute).toString();
    return values;
}

QString bundle(const QString& folder, const QString& name, const QString& identifier = u"x"_s,
               const QString& version = u"16.0"_s) {
    BundleLayout layout;
    layout.bundleName = name;
    layout.bundleIdentifier = identifier;
    layout.version = version;
    return makeBundle(folder, layout);
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
    EXPECT_EQ(valuesOf(search(scopes)), (QStringList{u"Capture One 22"_s, u"Capture One 30"_s,
                                                     u"Capture One Express"_s, u"Capture One Helper"_s}));
    EXPECT_EQ(valuesOf(search({apps.path()}, {})).size(), 5); // and Suite, with no prefix asked
}

TEST(FolderMetadataSearch, FollowsNoLinkButTheScopeItself) {
    TempFolder apps;
    bundle(apps.filePath(u"a"_s), u"Capture One 9.app"_s);
    TempFolder elsewhere;
    bundle(elsewhere.path(), u"Capture One 10.app"_s);
    const QList<QPair<QString, QString>> links{
        {apps.path(), apps.filePath(u"a/loop"_s)}, // a cycle
        {apps.filePath(u"a"_s), apps.filePath(u"b"_s)},
        {elsewhere.path(), apps.filePath(u"linked"_s)},
        {elsewhere.filePath(u"Capture One 10.app"_s), apps.filePath(u"Capture One 11.app"_s)},
        {apps.path(), elsewhere.filePath(u"Applications"_s)}};
    for (const auto& [target, link] : links)
        ASSERT_TRUE(QFile::link(target, link)) << qPrintable(link);
    const QStringList found{u"Capture One 9"_s};
    EXPECT_EQ(valuesOf(search({apps.path()})), found);
    EXPECT_EQ(valuesOf(search({elsewhere.filePath(u"Applications"_s)})), found);
}

TEST(FolderMetadataSearch, PassesOverAFolderItCannotReadAndSaysSo) {
    TempFolder apps;
    bundle(apps.path(), u"Capture One 9.app"_s);
    bundle(apps.filePath(u"locked"_s), u"Capture One 10.app"_s);
    bundle(apps.filePath(u"z"_s), u"Capture One 11.app"_s);
    // A folder without folders below it is never read for what it holds, unless it cannot be read.
    QDir().mkpath(apps.filePath(u"sealed"_s));
    const QString locked = apps.filePath(u"locked"_s);
    const QString sealed = apps.filePath(u"sealed"_s);
    ASSERT_EQ(chmod(qPrintable(locked), 0), 0);
    ASSERT_EQ(chmod(qPrintable(sealed), 0), 0);
    ASSERT_EQ(chmod(qPrintable(apps.path()), 0755), 0);
    const QStringList expected{u"Capture One 9"_s, u"Capture One 11"_s};
    const auto searchedAsExpected = [&] {
        MetadataQuery query;
        query.searchScopes = {apps.path()};
        query.displayNamePrefix = u"Capture One"_s;
        const brisquel::MetadataSearchResult result = FolderMetadataSearch().search(query);
        QStringList unreadable;
        for (const brisquel::SkippedEntry& entry : result.skipped) {
            if (entry.reason.message().contains(u"cannot be searched"_s))
                unreadable << entry.path;
        }
        unreadable.sort();
        return valuesOf(result.items) == expected && unreadable == QStringList{locked, sealed};
    };

    // Permission bits bind everyone but a privileged user; such a user searches as an ordinary
    // one in a child process so the bits take effect.
    if (geteuid() != 0) {
        EXPECT_TRUE(searchedAsExpected());
    } else {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (setgid(65534) != 0 || setuid(65534) != 0)
                _exit(3);
            _exit(searchedAsExpected() ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0)
            << "1: the search found something else, or did not say which folders it could not read; "
               "3: could not drop privileges";
    }
    chmod(qPrintable(locked), 0700);
    chmod(qPrintable(sealed), 0700);
}

// --- Hostile bundles: each is passed over with its reason, within bounds, and the good one beside it
// is found ---
struct HostileBundle {
    const char* name;
    std::function<void(const QString& info, const TempFolder& apps)> make; // info: the Info.plist to spoil
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
    brisquel::MetadataSearchResult result;
    bool done = false;
    const testsupport::BoundedRun run = testsupport::runBounded(
        [&] {
            MetadataQuery query;
            query.searchScopes = {apps.path()};
            query.displayNamePrefix = u"Capture One"_s;
            result = FolderMetadataSearch().search(query);
            done = true;
        },
        [&] { return done; });
    testsupport::expectWithinBounds(run);
    EXPECT_EQ(valuesOf(result.items), QStringList{u"Capture One 23"_s});
    ASSERT_EQ(result.skipped.size(), 1);
    EXPECT_TRUE(result.skipped.at(0).reason.message().contains(QString::fromUtf8(GetParam().reason),
                                                               Qt::CaseInsensitive))
        << qPrintable(result.skipped.at(0).reason.message());
    QProcess::execute(u"rm"_s, {u"-rf"_s, apps.path()}); // the folder's own clean-up cannot name every entry
}

INSTANTIATE_TEST_SUITE_P(
    Rows, HostileBundles,
    ::testing::Values(
        HostileBundle{"Fifo", [](const QString& plist, const auto&) { hostile::makeFifo(plist); },
                      "not a regular file"},
        HostileBundle{"LinkToFifo",
                      [](const QString& plist, const TempFolder& apps) {
                          hostile::makeFifo(apps.filePath(u"fifo"_s));
                          QFile::link(apps.filePath(u"fifo"_s), plist);
                      },
                      "not a regular file"},
        HostileBundle{"Folder", [](const QString& plist, const auto&) { QDir().mkpath(plist); },
                      "not a regular file"},
        HostileBundle{"Nested",
                      [](const QString& plist, const auto&) {
                          hostile::writeFile(plist, hostile::deeplyNestedPlist(u"x.n"_s, u"N"_s, 50000));
                      },
                      "deep"},
        HostileBundle{"SharedReferences",
                      [](const QString& plist, const auto&) {
                          hostile::writeFile(plist, hostile::sharedReferencePlist(u"x.s"_s, u"S"_s, 10));
                      },
                      "values"},
        HostileBundle{"FiftyMegabytes",
                      [](const QString& plist, const auto&) {
                          hostile::writeLargeInfoPlist(plist, u"x.l"_s, 50 << 20);
                      },
                      "too large"},
        HostileBundle{"NameNotUtf8",
                      [](const QString& plist, const TempFolder& apps) {
                          QDir(plist.section(u'/', 0, -3)).removeRecursively();
                          const QByteArray name = QFile::encodeName(apps.path()) + "/Capture One \xff.app";
                          ::mkdir(name.constData(), 0755);
                          ::mkdir((name + "/Contents").constData(), 0755);
                          const int fd =
                              ::open((name + "/Contents/Info.plist").constData(), O_WRONLY | O_CREAT, 0644);
                          const QByteArray bytes = hostile::xmlDictionary(u"x.u"_s, u"k"_s, "<true/>");
                          EXPECT_EQ(::write(fd, bytes.constData(), size_t(bytes.size())), bytes.size());
                          ::close(fd);
                      },
                      "UTF-8"}),
    [](const auto& row) { return std::string(row.param.name); });
