#include "core/platform/posix/FolderMetadataSearch.h"

#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>
#include <plist/plist.h>

#include <QDir>
#include <QFile>
#include <QUrl>

#include <cstdlib>

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

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

QByteArray xmlInfo(const QByteArray& entries) {
    return "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict>" + entries + "</dict></plist>";
}

QByteArray binaryInfo(const char* identifier, const char* version) {
    plist_t dict = plist_new_dict();
    plist_dict_set_item(dict, "CFBundleIdentifier", plist_new_string(identifier));
    plist_dict_set_item(dict, "CFBundleShortVersionString", plist_new_string(version));
    char* bytes = nullptr;
    uint32_t length = 0;
    plist_to_bin(dict, &bytes, &length);
    QByteArray result(bytes, qsizetype(length));
    free(bytes); // allocated by libplist with malloc
    plist_free(dict);
    return result;
}

} // namespace

TEST(FolderMetadataSearch, ReportsWhatEachKindOfInformationDictionaryHolds) {
    TempFolder apps;
    bundle(apps.path(), QStringLiteral("Capture One 23.app"), QStringLiteral("com.captureone.captureone16"),
           QStringLiteral("16.3.1"));
    bundle(apps.path(), QStringLiteral("Capture One 12.app"), QStringLiteral("com.example.nover"), {});
    bundle(apps.path(), QStringLiteral("Capture One Ünïcode ✓.app"), QStringLiteral("x.u"));
    const auto info = [&](const QString& name, const QByteArray& bytes) {
        writeFile(apps.filePath(name + QStringLiteral("/Contents/Info.plist")), bytes);
    };
    info(QStringLiteral("Capture One 21.app"), binaryInfo("com.example.binary", "14.2"));
    info(QStringLiteral("Capture One 20.app"), "<plist><dict><key>CFBundleIdentifier</key>");
    info(QStringLiteral("Capture One 19.app"),
         xmlInfo("<key>CFBundleShortVersionString</key><integer>19</integer>"));
    // Icons named with or without their extension; one that does not exist; one outside Resources.
    for (const auto& [name, icon] :
         {std::pair{"AppIcon", "AppIcon"}, std::pair{"Logo", "Logo"}, std::pair{"Missing", "Missing.icns"},
          std::pair{"Escape", "../Info.plist"}})
        info(QStringLiteral("Capture One %1.app").arg(QLatin1String(name)),
             xmlInfo("<key>CFBundleIconFile</key><string>" + QByteArray(icon) + "</string>"));
    writeFile(apps.filePath(QStringLiteral("Capture One AppIcon.app/Contents/Resources/AppIcon.icns")),
              "icns");
    writeFile(apps.filePath(QStringLiteral("Capture One Logo.app/Contents/Resources/Logo.png")), "png");

    // Beyond the name and location that every bundle has.
    const QHash<QString, QVariantHash> expected{
        {QStringLiteral("Capture One 23.app"),
         {{Attr::kBundleIdentifier, QStringLiteral("com.captureone.captureone16")},
          {Attr::kVersion, QStringLiteral("16.3.1")}}},
        {QStringLiteral("Capture One 12.app"),
         {{Attr::kBundleIdentifier, QStringLiteral("com.example.nover")}}},
        {QStringLiteral("Capture One Ünïcode ✓.app"),
         {{Attr::kBundleIdentifier, QStringLiteral("x.u")}, {Attr::kVersion, QStringLiteral("16.0")}}},
        {QStringLiteral("Capture One 21.app"),
         {{Attr::kBundleIdentifier, QStringLiteral("com.example.binary")},
          {Attr::kVersion, QStringLiteral("14.2")}}},
        // A number where text belongs is passed on as it stands.
        {QStringLiteral("Capture One 19.app"), {{Attr::kVersion, QVariant::fromValue<qint64>(19)}}},
        {QStringLiteral("Capture One AppIcon.app"),
         {{Attr::kIconPath,
           apps.filePath(QStringLiteral("Capture One AppIcon.app/Contents/Resources/AppIcon.icns"))}}},
        {QStringLiteral("Capture One Logo.app"),
         {{Attr::kIconPath,
           apps.filePath(QStringLiteral("Capture One Logo.app/Contents/Resources/Logo.png"))}}},
        {QStringLiteral("Capture One Missing.app"), {}},
        {QStringLiteral("Capture One Escape.app"), {}}};

    MetadataQuery query;
    query.searchScopes = {apps.path()};
    query.displayNamePrefix = QStringLiteral("Capture One");
    const brisquel::MetadataSearchResult found = FolderMetadataSearch().search(query);
    // A dictionary that cannot be read is passed over with its reason.
    ASSERT_EQ(found.skipped.size(), 1);
    EXPECT_EQ(found.skipped.first().path, apps.filePath(QStringLiteral("Capture One 20.app")));
    EXPECT_TRUE(found.skipped.first().reason.message().contains(QStringLiteral("not a property list")))
        << qPrintable(found.skipped.first().reason.message());
    const QList<MetadataItem>& items = found.items;
    ASSERT_EQ(items.size(), expected.size());
    for (const MetadataItem& item : items) {
        const QString name = item.value(Attr::kFsName).toString();
        SCOPED_TRACE(qPrintable(name));
        ASSERT_TRUE(expected.contains(name));
        QVariantHash rest = item.attributes;
        EXPECT_EQ(rest.take(Attr::kDisplayName), QVariant(name.chopped(4)));
        EXPECT_EQ(rest.take(Attr::kPath), QVariant(apps.filePath(name)));
        EXPECT_EQ(QUrl(rest.take(Attr::kUrl).toString()), QUrl::fromLocalFile(apps.filePath(name)));
        rest.remove(Attr::kFsName);
        const QVariantHash wanted = expected.value(name);
        EXPECT_EQ(rest, wanted);
        // QVariant equality would let the text "19" pass for the number.
        for (auto it = wanted.cbegin(); it != wanted.cend(); ++it)
            EXPECT_EQ(rest.value(it.key()).typeId(), it->typeId()) << qPrintable(it.key());
    }
}

TEST(FolderMetadataSearch, FindsEveryMatchingBundleOnceWhereverItIs) {
    TempFolder apps;
    bundle(apps.path(), QStringLiteral("Capture One 22.app"));
    // The prefix is case-sensitive, and a bundle needs the suffix and an information dictionary.
    bundle(apps.path(), QStringLiteral("capture one 2.app"));
    bundle(apps.path(), QStringLiteral("CAPTURE ONE 3.app"));
    bundle(apps.path(), QStringLiteral("Photo Capture One.app"));
    bundle(apps.path(), QStringLiteral("Capture One 6.bundle"));
    QDir().mkpath(apps.filePath(QStringLiteral("Capture One 5.app/Contents/Resources")));
    writeFile(apps.filePath(QStringLiteral("Capture One 8.app")), "a file, not a folder");
    // Deep inside folders and inside other bundles.
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
    EXPECT_EQ(valuesOf(search({apps.path()}, {})),
              (QStringList{QStringLiteral("capture one 2"), QStringLiteral("CAPTURE ONE 3"),
                           QStringLiteral("Capture One 22"), QStringLiteral("Capture One 30"),
                           QStringLiteral("Capture One Express"), QStringLiteral("Capture One Helper"),
                           QStringLiteral("Photo Capture One"), QStringLiteral("Suite")}));

    TempFolder empty;
    EXPECT_TRUE(search({empty.path()}).isEmpty());
    EXPECT_TRUE(search({empty.filePath(QStringLiteral("nowhere"))}).isEmpty());
}

TEST(FolderMetadataSearch, SortsTheFinderWayThenByPath) {
    TempFolder apps;
    for (const char* name : {"Capture One 10", "Capture One 9", "Capture One 1.2", "Capture One"})
        bundle(apps.path(), QString::fromUtf8(name) + QStringLiteral(".app"), QString::fromUtf8(name));
    // Equal names are ordered by path, so the walk's order never decides.
    for (const char* folder : {"m", "z", "a"})
        bundle(apps.filePath(QString::fromUtf8(folder)), QStringLiteral("Capture One 23.app"),
               QString::fromUtf8(folder));
    EXPECT_EQ(valuesOf(search({apps.path()}), Attr::kBundleIdentifier),
              (QStringList{QStringLiteral("Capture One"), QStringLiteral("Capture One 1.2"),
                           QStringLiteral("Capture One 9"), QStringLiteral("Capture One 10"),
                           QStringLiteral("a"), QStringLiteral("m"), QStringLiteral("z")}));
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
