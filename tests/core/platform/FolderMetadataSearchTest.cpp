#include "core/platform/posix/FolderMetadataSearch.h"

#include "VexoExtensions/PropertyList.h"
#include "tests/support/BoundedRun.h"
#include "tests/support/HostileFiles.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QUrl>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using brisquel::FolderMetadataSearch;
using brisquel::MetadataSearchResult;
using testsupport::TempFolder;
namespace Attr = brisquel::MetadataAttribute;
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

// The walk finds matching bundles deep in folders and inside bundles, once however often the scopes
// name their folder; the prefix is case-sensitive, and a bundle needs the suffix and a dictionary.
// Each item: its path, and what its dictionary holds beyond the name and location every bundle has
// ("#": a number, passed on as it stands where text belongs). A dictionary that cannot be read, or
// none at all, is passed over with its reason.
TEST(FolderMetadataSearch, FindsEveryMatchingBundleOnceWithWhatItsDictionaryHolds) {
    TempFolder apps;
    const auto info = [&](const QString& name, const QString& key, const QByteArray& value) {
        apps.write(name + u".app/Contents/Info.plist"_s, hostile::xmlDictionary({}, key, value));
    };
    bundle(apps.path(), u"Capture One 23.app"_s);
    apps.write(u"Capture One 8.app"_s, "a file, not a folder");
    for (const char* name : {"capture one 2.app", "Photo Capture One.app", "Capture One 6.bundle"})
        bundle(apps.path(), QString::fromUtf8(name));
    const QString outer = bundle(apps.filePath(u"Vendors/Phase"_s), u"Capture One 30.app"_s);
    bundle(outer + u"/Contents/Helpers"_s, u"Capture One Helper.app"_s);
    QDir().mkpath(apps.filePath(u"Capture One 5.app/Contents/Resources"_s));
    apps.write(u"Capture One 21.app/Contents/Info.plist"_s,
               *brisquel::vexo::plist::toBinary(QVariantMap{{u"CFBundleIdentifier"_s, u"b"_s}}));
    apps.write(u"Capture One 20.app/Contents/Info.plist"_s, "<plist><dict><key>CFBundleIdentifier</key>");
    info(u"Capture One 19"_s, u"CFBundleShortVersionString"_s, "<integer>19</integer>");
    // An icon named without its extension, and one outside Resources.
    info(u"Capture One AppIcon"_s, u"CFBundleIconFile"_s, "<string>AppIcon</string>");
    info(u"Capture One Info"_s, u"CFBundleIconFile"_s, "<string>../Info.plist</string>");
    const QString icon = apps.write(u"Capture One AppIcon.app/Contents/Resources/AppIcon.icns"_s, "icns");

    const MetadataSearchResult found =
        search({apps.path(), apps.filePath(u"Vendors"_s), apps.path() + u"/."_s});
    QStringList items;
    for (const brisquel::MetadataItem& item : found.items) {
        QVariantHash rest = item.attributes;
        const QString path = rest.take(Attr::kPath).toString();
        const QString name = rest.take(Attr::kFsName).toString();
        EXPECT_EQ(rest.take(Attr::kDisplayName), QVariant(name.chopped(4)));
        EXPECT_EQ(path.section(u'/', -1), name);
        EXPECT_EQ(QUrl(rest.take(Attr::kUrl).toString()), QUrl::fromLocalFile(path));
        QStringList held{path.mid(apps.path().size() + 1)};
        for (auto it = rest.cbegin(); it != rest.cend(); ++it)
            held << it.key() + u'=' + it->toString() + (it->typeId() == QMetaType::QString ? u""_s : u"#"_s);
        std::sort(held.begin() + 1, held.end());
        items << held.join(u' ');
    }
    const QString standard = u" kMDItemCFBundleIdentifier=com.captureone.captureone16 kMDItemVersion=16.0"_s;
    EXPECT_EQ(
        items,
        (QStringList{u"Capture One 19.app kMDItemVersion=19#"_s,
                     u"Capture One 21.app kMDItemCFBundleIdentifier=b"_s, u"Capture One 23.app"_s + standard,
                     u"Vendors/Phase/Capture One 30.app"_s + standard,
                     u"Capture One AppIcon.app QuillmereIconPath="_s + icon,
                     u"Vendors/Phase/Capture One 30.app/Contents/Helpers/Capture One Helper.app"_s + standard,
                     u"Capture One Info.app"_s}));
    QStringList skipped;
    for (const brisquel::SkippedEntry& entry : found.skipped)
        skipped << entry.path.section(u'/', -1) + u": "_s + entry.reason.message();
    skipped.sort();
    const QString told = skipped.join(u'\n');
    EXPECT_TRUE(
        QRegularExpression(u"^Capture One 20.app: .*not a property list.*\nCapture One 5.app: [^\n]+$"_s)
            .match(told)
            .hasMatch())
        << qPrintable(told);
    EXPECT_EQ(names(search({apps.path()}, {})).size(), 9); // and two more with no prefix asked
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
    void (*make)(const QString& info); // the Info.plist to spoil
    const char* reason;
};
class HostileBundles : public ::testing::TestWithParam<HostileBundle> {};

TEST_P(HostileBundles, ArePassedOverWithinBounds) {
    TempFolder apps;
    bundle(apps.path(), u"Capture One 23.app"_s);
    const QString info = apps.filePath(u"Capture One Bad.app/Contents/Info.plist"_s);
    QDir().mkpath(apps.filePath(u"Capture One Bad.app/Contents/Resources"_s));
    GetParam().make(info);
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

using P = const QString&;
const HostileBundle kHostileBundles[]{
    {"Fifo", [](P plist) { hostile::makeFifo(plist); }, "not a regular file"},
    {"LinkToFifo", [](P plist) { hostile::makeLinkToFifo(plist); }, "not a regular file"},
    {"Folder", [](P plist) { QDir().mkpath(plist); }, "not a regular file"},
    {"Nested",
     [](P plist) { hostile::writeFile(plist, hostile::deeplyNestedPlist(u"x.n"_s, u"N"_s, 50000)); }, "deep"},
    {"SharedReferences",
     [](P plist) { hostile::writeFile(plist, hostile::sharedReferencePlist(u"x.s"_s, u"S"_s, 10)); },
     "values"},
    {"FiftyMegabytes", [](P plist) { hostile::writeLargeInfoPlist(plist, u"x.l"_s, 50 << 20); }, "too large"},
    {"NameNotUtf8",
     [](P plist) {
         hostile::writeFile(plist, hostile::xmlDictionary(u"x.u"_s, u"k"_s, "<true/>"));
         ::rename(QFile::encodeName(plist.section(u'/', 0, -3)).constData(),
                  (QFile::encodeName(plist.section(u'/', 0, -4)) + "/Capture One \xff.app").constData());
     },
     "UTF-8"}};
INSTANTIATE_TEST_SUITE_P(Rows, HostileBundles, ::testing::ValuesIn(kHostileBundles),
                         [](const auto& row) { return std::string(row.param.name); });
