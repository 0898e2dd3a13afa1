#include "core/platform/posix/FolderMetadataSearch.h"

#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QUrl>

#include <sys/wait.h>
#include <unistd.h>

using brisquel::FolderMetadataSearch;
using brisquel::MetadataItem;
using brisquel::MetadataQuery;
namespace Attr = brisquel::MetadataAttribute;
using testsupport::BundleLayout;
using testsupport::makeBundle;
using testsupport::TempFolder;

namespace {

QList<MetadataItem> search(const QStringList& scopes, const QString& prefix = QStringLiteral("Capture One")) {
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

QString bundle(const QString& folder, const QString& name, const QString& identifier = QStringLiteral("x"),
               const QString& version = QStringLiteral("16.0")) {
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
    bundle(apps.path(), QStringLiteral("Capture One 22.app"));
    apps.write(QStringLiteral("Capture One 8.app"), "a file, not a folder");
    const QString outer =
        bundle(apps.filePath(QStringLiteral("Vendors/Phase")), QStringLiteral("Capture One 30.app"));
    bundle(outer + QStringLiteral("/Contents/Helpers"), QStringLiteral("Capture One Helper.app"));
    const QString suite = bundle(apps.path(), QStringLiteral("Suite.app"));
    bundle(suite + QStringLiteral("/Contents/Applications"), QStringLiteral("Capture One Express.app"));

    const QStringList scopes{apps.path(), apps.filePath(QStringLiteral("Vendors")),
                             apps.path() + QStringLiteral("/.")};
    EXPECT_EQ(valuesOf(search(scopes)),
              (QStringList{QStringLiteral("Capture One 22"), QStringLiteral("Capture One 30"),
                           QStringLiteral("Capture One Express"), QStringLiteral("Capture One Helper")}));
    EXPECT_EQ(valuesOf(search({apps.path()}, {})).size(), 5); // and Suite, with no prefix asked
}

TEST(FolderMetadataSearch, FollowsNoLinkButTheScopeItself) {
    TempFolder apps;
    bundle(apps.filePath(QStringLiteral("a")), QStringLiteral("Capture One 9.app"));
    TempFolder elsewhere;
    bundle(elsewhere.path(), QStringLiteral("Capture One 10.app"));
    const QList<QPair<QString, QString>> links{
        {apps.path(), apps.filePath(QStringLiteral("a/loop"))}, // a cycle
        {apps.filePath(QStringLiteral("a")), apps.filePath(QStringLiteral("b"))},
        {elsewhere.path(), apps.filePath(QStringLiteral("linked"))},
        {elsewhere.filePath(QStringLiteral("Capture One 10.app")),
         apps.filePath(QStringLiteral("Capture One 11.app"))},
        {apps.path(), elsewhere.filePath(QStringLiteral("Applications"))}};
    for (const auto& [target, link] : links)
        ASSERT_TRUE(QFile::link(target, link)) << qPrintable(link);
    const QStringList found{QStringLiteral("Capture One 9")};
    EXPECT_EQ(valuesOf(search({apps.path()})), found);
    EXPECT_EQ(valuesOf(search({elsewhere.filePath(QStringLiteral("Applications"))})), found);
}

TEST(FolderMetadataSearch, PassesOverAFolderItCannotReadAndSaysSo) {
    TempFolder apps;
    bundle(apps.path(), QStringLiteral("Capture One 9.app"));
    bundle(apps.filePath(QStringLiteral("locked")), QStringLiteral("Capture One 10.app"));
    bundle(apps.filePath(QStringLiteral("z")), QStringLiteral("Capture One 11.app"));
    // A folder without folders below it is never read for what it holds, unless it cannot be read.
    QDir().mkpath(apps.filePath(QStringLiteral("sealed")));
    const QString locked = apps.filePath(QStringLiteral("locked"));
    const QString sealed = apps.filePath(QStringLiteral("sealed"));
    ASSERT_EQ(chmod(qPrintable(locked), 0), 0);
    ASSERT_EQ(chmod(qPrintable(sealed), 0), 0);
    ASSERT_EQ(chmod(qPrintable(apps.path()), 0755), 0);
    const QStringList expected{QStringLiteral("Capture One 9"), QStringLiteral("Capture One 11")};
    const auto searchedAsExpected = [&] {
        MetadataQuery query;
        query.searchScopes = {apps.path()};
        query.displayNamePrefix = QStringLiteral("Capture One");
        const brisquel::MetadataSearchResult result = FolderMetadataSearch().search(query);
        QStringList unreadable;
        for (const brisquel::SkippedEntry& entry : result.skipped) {
            if (entry.reason.message().contains(QStringLiteral("cannot be searched")))
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
