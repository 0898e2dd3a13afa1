#include "platform/posix/FolderMetadataSearch.h"

#include "support/TempFolder.h"

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

MetadataQuery captureOneQuery(const QStringList& scopes) {
    MetadataQuery query;
    query.searchScopes = scopes;
    query.displayNamePrefix = QStringLiteral("Capture One");
    query.sortAttribute = Attr::displayName;
    return query;
}

QStringList displayNames(const QList<MetadataItem>& items) {
    QStringList names;
    for (const MetadataItem& item : items) {
        names << item.value(Attr::displayName).toString();
    }
    return names;
}

BundleLayout bundle(const QString& name, const QString& identifier,
                  const QString& version = QStringLiteral("16.0")) {
    BundleLayout layout;
    layout.bundleName = name;
    layout.bundleIdentifier = identifier;
    layout.version = version;
    return layout;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

QByteArray binaryInfoPlist(const QList<QPair<QByteArray, QByteArray>>& strings) {
    plist_t dict = plist_new_dict();
    for (const auto& [key, value] : strings) {
        plist_dict_set_item(dict, key.constData(), plist_new_string(value.constData()));
    }
    char* bytes = nullptr;
    uint32_t length = 0;
    plist_to_bin(dict, &bytes, &length);
    QByteArray result(bytes, qsizetype(length));
    free(bytes); // allocated by libplist with malloc
    plist_free(dict);
    return result;
}

} // namespace

// --- What a found bundle carries ---

TEST(FolderMetadataSearch, ReportsTheAttributesOfAFoundBundle) {
    TempFolder apps;
    const QString path = makeBundle(apps.path(), bundle(QStringLiteral("Capture One 23.app"),
                                                        QStringLiteral("com.captureone.captureone16"),
                                                        QStringLiteral("16.3.1")));
    const QList<MetadataItem> items = FolderMetadataSearch().execute(captureOneQuery({apps.path()}));
    ASSERT_EQ(items.size(), 1);
    const MetadataItem& item = items.first();
    EXPECT_EQ(item.value(Attr::fsName).toString(), QStringLiteral("Capture One 23.app"));
    EXPECT_EQ(item.value(Attr::displayName).toString(), QStringLiteral("Capture One 23"));
    EXPECT_EQ(item.value(Attr::bundleIdentifier).toString(), QStringLiteral("com.captureone.captureone16"));
    EXPECT_EQ(item.value(Attr::version).toString(), QStringLiteral("16.3.1"));
    EXPECT_EQ(item.value(Attr::path).toString(), path);
    EXPECT_EQ(QUrl(item.value(Attr::url).toString()), QUrl::fromLocalFile(path));
    EXPECT_FALSE(item.attributes.contains(Attr::iconPath)) << "no icon file is named";
}

TEST(FolderMetadataSearch, ReadsABinaryInformationDictionary) {
    TempFolder apps;
    const QString bundlePath = apps.filePath(QStringLiteral("Capture One 21.app"));
    writeFile(bundlePath + QStringLiteral("/Contents/Info.plist"),
              binaryInfoPlist(
                  {{"CFBundleIdentifier", "com.example.binary"}, {"CFBundleShortVersionString", "14.2"}}));
    const QList<MetadataItem> items = FolderMetadataSearch().execute(captureOneQuery({apps.path()}));
    ASSERT_EQ(items.size(), 1);
    EXPECT_EQ(items.first().value(Attr::bundleIdentifier).toString(), QStringLiteral("com.example.binary"));
    EXPECT_EQ(items.first().value(Attr::version).toString(), QStringLiteral("14.2"));
}

TEST(FolderMetadataSearch, LeavesOutAVersionTheDictionaryLacks) {
    TempFolder apps;
    makeBundle(apps.path(),
               bundle(QStringLiteral("Capture One 12.app"), QStringLiteral("com.example.nover"), {}));
    const QList<MetadataItem> items = FolderMetadataSearch().execute(captureOneQuery({apps.path()}));
    ASSERT_EQ(items.size(), 1);
    EXPECT_FALSE(items.first().attributes.contains(Attr::version));
    EXPECT_EQ(items.first().value(Attr::bundleIdentifier).toString(), QStringLiteral("com.example.nover"));
}

TEST(FolderMetadataSearch, MalformedDictionaryGivesOnlyTheNameAndLocation) {
    TempFolder apps;
    const QString bundlePath = apps.filePath(QStringLiteral("Capture One 20.app"));
    writeFile(bundlePath + QStringLiteral("/Contents/Info.plist"),
              "<plist><dict><key>CFBundleIdentifier</key>");
    const QList<MetadataItem> items = FolderMetadataSearch().execute(captureOneQuery({apps.path()}));
    ASSERT_EQ(items.size(), 1);
    QStringList keys = items.first().attributes.keys();
    keys.sort();
    QStringList expected{Attr::fsName, Attr::displayName, Attr::path, Attr::url};
    expected.sort();
    EXPECT_EQ(keys, expected);
}

TEST(FolderMetadataSearch, PassesANonTextValueOnAsItStands) {
    TempFolder apps;
    const QString bundlePath = apps.filePath(QStringLiteral("Capture One 19.app"));
    writeFile(bundlePath + QStringLiteral("/Contents/Info.plist"),
              "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict>"
              "<key>CFBundleIdentifier</key><string>com.example.numeric</string>"
              "<key>CFBundleShortVersionString</key><integer>19</integer></dict></plist>");
    const QList<MetadataItem> items = FolderMetadataSearch().execute(captureOneQuery({apps.path()}));
    ASSERT_EQ(items.size(), 1);
    const QVariant version = items.first().value(Attr::version);
    ASSERT_TRUE(version.isValid());
    EXPECT_NE(version.typeId(), QMetaType::QString);
    EXPECT_EQ(version.toLongLong(), 19);
}

TEST(FolderMetadataSearch, FindsTheNamedIconWithOrWithoutItsExtension) {
    TempFolder apps;
    const QString a =
        makeBundle(apps.path(), bundle(QStringLiteral("Capture One 1.app"), QStringLiteral("a")));
    const QString b =
        makeBundle(apps.path(), bundle(QStringLiteral("Capture One 2.app"), QStringLiteral("b")));
    const QString c =
        makeBundle(apps.path(), bundle(QStringLiteral("Capture One 3.app"), QStringLiteral("c")));
    const auto withIcon = [](const QString& bundlePath, const QString& id, const QString& iconFile) {
        writeFile(bundlePath + QStringLiteral("/Contents/Info.plist"),
                  QStringLiteral("<?xml version=\"1.0\"?><plist version=\"1.0\"><dict>"
                                 "<key>CFBundleIdentifier</key><string>%1</string>"
                                 "<key>CFBundleIconFile</key><string>%2</string></dict></plist>")
                      .arg(id, iconFile)
                      .toUtf8());
    };
    withIcon(a, QStringLiteral("a"), QStringLiteral("AppIcon"));
    writeFile(a + QStringLiteral("/Contents/Resources/AppIcon.icns"), "icns");
    withIcon(b, QStringLiteral("b"), QStringLiteral("Logo"));
    writeFile(b + QStringLiteral("/Contents/Resources/Logo.png"), "png");
    withIcon(c, QStringLiteral("c"), QStringLiteral("Missing.icns"));

    const QList<MetadataItem> items = FolderMetadataSearch().execute(captureOneQuery({apps.path()}));
    ASSERT_EQ(items.size(), 3);
    EXPECT_EQ(items[0].value(Attr::iconPath).toString(),
              a + QStringLiteral("/Contents/Resources/AppIcon.icns"));
    EXPECT_EQ(items[1].value(Attr::iconPath).toString(), b + QStringLiteral("/Contents/Resources/Logo.png"));
    EXPECT_FALSE(items[2].attributes.contains(Attr::iconPath));
}

TEST(FolderMetadataSearch, IgnoresAnIconNameThatLeavesTheResourcesFolder) {
    TempFolder apps;
    const QString a =
        makeBundle(apps.path(), bundle(QStringLiteral("Capture One 1.app"), QStringLiteral("a")));
    writeFile(a + QStringLiteral("/Contents/Info.plist"),
              "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict>"
              "<key>CFBundleIdentifier</key><string>a</string>"
              "<key>CFBundleIconFile</key><string>../Info.plist</string></dict></plist>");
    const QList<MetadataItem> items = FolderMetadataSearch().execute(captureOneQuery({apps.path()}));
    ASSERT_EQ(items.size(), 1);
    EXPECT_FALSE(items.first().attributes.contains(Attr::iconPath));
}

// --- Which bundles are found ---

TEST(FolderMetadataSearch, MissingScopeGivesNothing) {
    TempFolder apps;
    EXPECT_TRUE(FolderMetadataSearch()
                    .execute(captureOneQuery({apps.filePath(QStringLiteral("nowhere"))}))
                    .isEmpty());
}

TEST(FolderMetadataSearch, EmptyFolderGivesNothing) {
    TempFolder apps;
    EXPECT_TRUE(FolderMetadataSearch().execute(captureOneQuery({apps.path()})).isEmpty());
}

TEST(FolderMetadataSearch, MatchesThePrefixCaseSensitively) {
    TempFolder apps;
    makeBundle(apps.path(), bundle(QStringLiteral("Capture One 22.app"), QStringLiteral("x.22")));
    makeBundle(apps.path(), bundle(QStringLiteral("capture one 2.app"), QStringLiteral("x.2")));
    makeBundle(apps.path(), bundle(QStringLiteral("CAPTURE ONE 3.app"), QStringLiteral("x.3")));
    makeBundle(apps.path(), bundle(QStringLiteral("Photo Capture One.app"), QStringLiteral("x.p")));
    EXPECT_EQ(displayNames(FolderMetadataSearch().execute(captureOneQuery({apps.path()}))),
              QStringList{QStringLiteral("Capture One 22")});
}

TEST(FolderMetadataSearch, NeedsTheInformationDictionaryAndTheSuffix) {
    TempFolder apps;
    QDir().mkpath(apps.filePath(QStringLiteral("Capture One 5.app/Contents/Resources")));
    makeBundle(apps.path(), bundle(QStringLiteral("Capture One 6.bundle"), QStringLiteral("x.6")));
    makeBundle(apps.path(), bundle(QStringLiteral("Capture One 7.app"), QStringLiteral("x.7")));
    writeFile(apps.filePath(QStringLiteral("Capture One 8.app")), "a file, not a folder");
    EXPECT_EQ(displayNames(FolderMetadataSearch().execute(captureOneQuery({apps.path()}))),
              QStringList{QStringLiteral("Capture One 7")});
}

TEST(FolderMetadataSearch, EmptyPrefixListsEveryBundle) {
    TempFolder apps;
    makeBundle(apps.path(), bundle(QStringLiteral("Preview.app"), QStringLiteral("x.p")));
    makeBundle(apps.path(), bundle(QStringLiteral("Capture One 7.app"), QStringLiteral("x.7")));
    MetadataQuery query = captureOneQuery({apps.path()});
    query.displayNamePrefix.clear();
    EXPECT_EQ(displayNames(FolderMetadataSearch().execute(query)),
              (QStringList{QStringLiteral("Capture One 7"), QStringLiteral("Preview")}));
}

TEST(FolderMetadataSearch, FindsBundlesDeepInsideFoldersAndOtherBundles) {
    TempFolder apps;
    const QString outer = makeBundle(apps.filePath(QStringLiteral("Vendors/Phase")),
                                     bundle(QStringLiteral("Capture One 22.app"), QStringLiteral("x.outer")));
    makeBundle(outer + QStringLiteral("/Contents/Helpers"),
               bundle(QStringLiteral("Capture One Helper.app"), QStringLiteral("x.helper")));
    const QString other =
        makeBundle(apps.path(), bundle(QStringLiteral("Suite.app"), QStringLiteral("x.suite")));
    makeBundle(other + QStringLiteral("/Contents/Applications"),
               bundle(QStringLiteral("Capture One Express.app"), QStringLiteral("x.express")));
    EXPECT_EQ(displayNames(FolderMetadataSearch().execute(captureOneQuery({apps.path()}))),
              (QStringList{QStringLiteral("Capture One 22"), QStringLiteral("Capture One Express"),
                           QStringLiteral("Capture One Helper")}));
}

TEST(FolderMetadataSearch, SortsNamesTheFinderWay) {
    TempFolder apps;
    for (const char* name :
         {"Capture One 10", "Capture One 9", "Capture One 23", "Capture One 1.2", "Capture One"}) {
        makeBundle(apps.path(),
                   bundle(QString::fromUtf8(name) + QStringLiteral(".app"), QString::fromUtf8(name)));
    }
    EXPECT_EQ(displayNames(FolderMetadataSearch().execute(captureOneQuery({apps.path()}))),
              (QStringList{QStringLiteral("Capture One"), QStringLiteral("Capture One 1.2"),
                           QStringLiteral("Capture One 9"), QStringLiteral("Capture One 10"),
                           QStringLiteral("Capture One 23")}));
}

TEST(FolderMetadataSearch, OrdersEqualNamesByPath) {
    TempFolder apps;
    for (const char* folder : {"m", "z", "a"}) {
        makeBundle(apps.filePath(QString::fromUtf8(folder)),
                   bundle(QStringLiteral("Capture One 23.app"), QString::fromUtf8(folder)));
    }
    QStringList identifiers;
    for (const MetadataItem& item : FolderMetadataSearch().execute(captureOneQuery({apps.path()}))) {
        identifiers << item.value(Attr::bundleIdentifier).toString();
    }
    EXPECT_EQ(identifiers, (QStringList{QStringLiteral("a"), QStringLiteral("m"), QStringLiteral("z")}));
}

TEST(FolderMetadataSearch, KeepsNonAsciiNamesIntact) {
    TempFolder apps;
    const QString name = QStringLiteral("Capture One Ünïcode ✓.app");
    const QString path = makeBundle(apps.path(), bundle(name, QStringLiteral("x.u")));
    const QList<MetadataItem> items = FolderMetadataSearch().execute(captureOneQuery({apps.path()}));
    ASSERT_EQ(items.size(), 1);
    EXPECT_EQ(items.first().value(Attr::fsName).toString(), name);
    EXPECT_EQ(items.first().value(Attr::path).toString(), path);
    EXPECT_EQ(QUrl(items.first().value(Attr::url).toString()).toLocalFile(), path);
}

TEST(FolderMetadataSearch, ReportsABundleOnceWhenScopesOverlap) {
    TempFolder apps;
    makeBundle(apps.filePath(QStringLiteral("sub")),
               bundle(QStringLiteral("Capture One 9.app"), QStringLiteral("x")));
    const QList<MetadataItem> items = FolderMetadataSearch().execute(captureOneQuery(
        {apps.path(), apps.filePath(QStringLiteral("sub")), apps.path() + QStringLiteral("/.")}));
    EXPECT_EQ(displayNames(items), QStringList{QStringLiteral("Capture One 9")});
}

// --- Links and unreadable folders ---

TEST(FolderMetadataSearch, SurvivesALinkCycleWithoutFollowingLinks) {
    TempFolder apps;
    makeBundle(apps.filePath(QStringLiteral("a")),
               bundle(QStringLiteral("Capture One 9.app"), QStringLiteral("x.9")));
    ASSERT_EQ(symlink(qPrintable(apps.path()), qPrintable(apps.filePath(QStringLiteral("a/loop")))), 0);
    ASSERT_EQ(symlink(qPrintable(apps.filePath(QStringLiteral("a"))),
                      qPrintable(apps.filePath(QStringLiteral("b")))),
              0);
    TempFolder elsewhere;
    makeBundle(elsewhere.path(), bundle(QStringLiteral("Capture One 10.app"), QStringLiteral("x.10")));
    ASSERT_EQ(symlink(qPrintable(elsewhere.path()), qPrintable(apps.filePath(QStringLiteral("linked")))), 0);
    ASSERT_EQ(symlink(qPrintable(elsewhere.filePath(QStringLiteral("Capture One 10.app"))),
                      qPrintable(apps.filePath(QStringLiteral("Capture One 11.app")))),
              0);

    EXPECT_EQ(displayNames(FolderMetadataSearch().execute(captureOneQuery({apps.path()}))),
              QStringList{QStringLiteral("Capture One 9")});
}

TEST(FolderMetadataSearch, FollowsALinkThatIsTheScopeItself) {
    TempFolder real;
    TempFolder links;
    makeBundle(real.path(), bundle(QStringLiteral("Capture One 9.app"), QStringLiteral("x.9")));
    const QString scope = links.filePath(QStringLiteral("Applications"));
    ASSERT_EQ(symlink(qPrintable(real.path()), qPrintable(scope)), 0);
    EXPECT_EQ(displayNames(FolderMetadataSearch().execute(captureOneQuery({scope}))),
              QStringList{QStringLiteral("Capture One 9")});
}

TEST(FolderMetadataSearch, PassesOverAFolderItCannotRead) {
    TempFolder apps;
    makeBundle(apps.path(), bundle(QStringLiteral("Capture One 9.app"), QStringLiteral("x.9")));
    makeBundle(apps.filePath(QStringLiteral("locked")),
               bundle(QStringLiteral("Capture One 10.app"), QStringLiteral("x.10")));
    makeBundle(apps.filePath(QStringLiteral("z")),
               bundle(QStringLiteral("Capture One 11.app"), QStringLiteral("x.11")));
    const QString locked = apps.filePath(QStringLiteral("locked"));
    ASSERT_EQ(chmod(qPrintable(locked), 0), 0);
    ASSERT_EQ(chmod(qPrintable(apps.path()), 0755), 0);

    // Permission bits bind everyone but a privileged user; such a user searches as an ordinary
    // one in a child process so the bits take effect.
    if (geteuid() != 0) {
        EXPECT_EQ(displayNames(FolderMetadataSearch().execute(captureOneQuery({apps.path()}))),
                  (QStringList{QStringLiteral("Capture One 9"), QStringLiteral("Capture One 11")}));
    } else {
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(fds[0]);
            if (setgid(65534) != 0 || setuid(65534) != 0) {
                _exit(3);
            }
            const QByteArray out =
                displayNames(FolderMetadataSearch().execute(captureOneQuery({apps.path()})))
                    .join(u'|')
                    .toUtf8();
            _exit(write(fds[1], out.constData(), size_t(out.size())) == out.size() ? 0 : 4);
        }
        close(fds[1]);
        QByteArray received;
        char buffer[512];
        ssize_t n;
        while ((n = read(fds[0], buffer, sizeof buffer)) > 0) {
            received.append(buffer, n);
        }
        close(fds[0]);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        ASSERT_EQ(WEXITSTATUS(status), 0) << "the child could not give up its privileges";
        EXPECT_EQ(received, QByteArray("Capture One 9|Capture One 11"));
    }
    chmod(qPrintable(locked), 0700);
}
