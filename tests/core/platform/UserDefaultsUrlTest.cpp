#include "FakePlatform.h"
#include "TempFolder.h"
#include "platform/PropertyList.h"
#include "platform/posix/PlistFileDefaults.h"

#include <QDir>
#include <gtest/gtest.h>
#include <plist/plist.h>

using namespace brisquel;

namespace {

const QString kKey = QStringLiteral("captureDoneScript");

// A keyed archive of a URL as the platform's archiver writes it: $objects[1] is the URL object,
// whose "NS.relative" and "NS.base" refer to other objects by UID.
struct ArchivedURL {
    QString relative = QStringLiteral("file:///Users/me/Library/Scripts/My%20Script%20%C3%BC.scpt");
    QString base; // empty: no base ($null)
    bool baseLoops = false;
    QString archiver = QStringLiteral("NSKeyedArchiver");
    QString className = QStringLiteral("NSURL");
    uint64_t rootIndex = 1;
    bool xml = false;

    QByteArray bytes() const {
        plist_t objects = plist_new_array();
        plist_array_append_item(objects, plist_new_string("$null"));
        plist_t url = plist_new_dict();
        plist_dict_set_item(url, "NS.relative", plist_new_uid(2));
        plist_dict_set_item(url, "NS.base", plist_new_uid(base.isEmpty() ? (baseLoops ? 1 : 0) : 4));
        plist_dict_set_item(url, "$class", plist_new_uid(3));
        plist_array_append_item(objects, url);
        plist_array_append_item(objects, plist_new_string(relative.toUtf8().constData()));
        plist_t cls = plist_new_dict();
        plist_dict_set_item(cls, "$classname", plist_new_string(className.toUtf8().constData()));
        plist_t classes = plist_new_array();
        plist_array_append_item(classes, plist_new_string(className.toUtf8().constData()));
        plist_array_append_item(classes, plist_new_string("NSObject"));
        plist_dict_set_item(cls, "$classes", classes);
        plist_array_append_item(objects, cls);
        if (!base.isEmpty()) {
            plist_t baseURL = plist_new_dict();
            plist_dict_set_item(baseURL, "NS.relative", plist_new_uid(5));
            plist_dict_set_item(baseURL, "NS.base", plist_new_uid(0));
            plist_dict_set_item(baseURL, "$class", plist_new_uid(3));
            plist_array_append_item(objects, baseURL);
            plist_array_append_item(objects, plist_new_string(base.toUtf8().constData()));
        }
        plist_t root = plist_new_dict();
        plist_dict_set_item(root, "$version", plist_new_uint(100000));
        plist_dict_set_item(root, "$archiver", plist_new_string(archiver.toUtf8().constData()));
        plist_t top = plist_new_dict();
        plist_dict_set_item(top, "root", plist_new_uid(rootIndex));
        plist_dict_set_item(root, "$top", top);
        plist_dict_set_item(root, "$objects", objects);
        QByteArray result;
        if (xml) {
            char* text = nullptr;
            uint32_t length = 0;
            plist_to_xml(root, &text, &length);
            result = QByteArray(text, length);
            plist_to_xml_free(text);
        } else {
            result = plist::nodeToBinary(root);
        }
        plist_free(root);
        return result;
    }
};

std::optional<QUrl> urlOf(const QVariant& stored) {
    testsupport::MemoryDefaults defaults(QStringLiteral("com.captureone.captureone16"));
    defaults.m_values.insert(kKey, stored);
    return defaults.url(kKey);
}

TEST(PreferencesURLReading, ATextIsAFileSystemPath) {
    EXPECT_EQ(urlOf(QStringLiteral("/Users/me/a b.scpt")),
              QUrl::fromLocalFile(QStringLiteral("/Users/me/a b.scpt")));
    EXPECT_EQ(urlOf(QStringLiteral("/tmp/100%.scpt"))->toLocalFile(), QStringLiteral("/tmp/100%.scpt"));
    EXPECT_EQ(urlOf(QStringLiteral("~/Scripts/x.scpt"))->toLocalFile(),
              QDir::homePath() + QStringLiteral("/Scripts/x.scpt"));
    EXPECT_EQ(urlOf(QStringLiteral("relative.scpt"))->toLocalFile(),
              QDir::current().absoluteFilePath(QStringLiteral("relative.scpt")));
    EXPECT_FALSE(urlOf(QString()));
}

TEST(PreferencesURLReading, OtherKindsGiveNone) {
    EXPECT_FALSE(urlOf(QVariant::fromValue<qint64>(42)));
    EXPECT_FALSE(urlOf(true));
    EXPECT_FALSE(urlOf(QVariantList{QStringLiteral("/a")}));
    EXPECT_FALSE(urlOf(QVariant()));
    EXPECT_FALSE(urlOf(QByteArray("/Users/me/a.scpt")));
}

TEST(PreferencesURLReading, AnArchivedURLIsDecoded) {
    const ArchivedURL archive;
    const std::optional<QUrl> url = urlOf(archive.bytes());
    ASSERT_TRUE(url);
    EXPECT_EQ(url->toLocalFile(), QStringLiteral("/Users/me/Library/Scripts/My Script ü.scpt"));

    ArchivedURL xml;
    xml.xml = true;
    EXPECT_EQ(urlOf(xml.bytes()), url);

    ArchivedURL withBase;
    withBase.relative = QStringLiteral("Scripts/done.scpt");
    withBase.base = QStringLiteral("file:///Users/me/Library/");
    EXPECT_EQ(urlOf(withBase.bytes())->toLocalFile(), QStringLiteral("/Users/me/Library/Scripts/done.scpt"));
}

TEST(PreferencesURLReading, ArchivesThatAreNotAFileURLGiveNone) {
    ArchivedURL web;
    web.relative = QStringLiteral("https://example.com/a.scpt");
    EXPECT_FALSE(urlOf(web.bytes()));
    ArchivedURL otherArchiver;
    otherArchiver.archiver = QStringLiteral("NSArchiver");
    EXPECT_FALSE(urlOf(otherArchiver.bytes()));
    ArchivedURL otherClass;
    otherClass.className = QStringLiteral("NSString");
    EXPECT_FALSE(urlOf(otherClass.bytes()));
    ArchivedURL danglingRoot;
    danglingRoot.rootIndex = 99;
    EXPECT_FALSE(urlOf(danglingRoot.bytes()));
    ArchivedURL loop; // its own base, endlessly
    loop.relative = QStringLiteral("a.scpt");
    loop.baseLoops = true;
    EXPECT_FALSE(urlOf(loop.bytes()));
    EXPECT_FALSE(urlOf(
        *plist::toBinary(QVariantMap{{QStringLiteral("$archiver"), QStringLiteral("NSKeyedArchiver")}})));
}

TEST(PreferencesURLWriting, APathSurvivesStoringAndReading) {
    testsupport::TempFolder temp;
    auto log = std::make_shared<testsupport::RecordingLog>();
    PlistFileDefaults defaults(temp.path(), QStringLiteral("com.captureone.captureone16"), log);
    for (const QString& path :
         {QStringLiteral("/Users/me/My Scripts/done.scpt"),
          QStringLiteral("/Users/me/\"quoted\" 'too'.applescript"),
          QStringLiteral("/Users/me/Grüße/日本語.scpt"), QStringLiteral("/tmp/100%25 and %.scpt"),
          QStringLiteral("/tmp/a#b?c.scpt"), QStringLiteral("/tmp/back\\slash.scpt")}) {
        ASSERT_TRUE(defaults.setURL(kKey, QUrl::fromLocalFile(path))) << qPrintable(path);
        // Stored as the plain path, not as a URL.
        EXPECT_EQ(defaults.string(kKey), path);
        EXPECT_EQ(defaults.url(kKey)->toLocalFile(), path);
        EXPECT_TRUE(defaults.url(kKey)->isLocalFile());
    }
    EXPECT_TRUE(defaults.setURL(kKey, std::nullopt));
    EXPECT_FALSE(defaults.value(kKey).isValid());
    EXPECT_FALSE(defaults.url(kKey));
    EXPECT_TRUE(log->systemLines().isEmpty());
}

TEST(PreferencesURLWriting, AURLWithoutAFilePathIsNotStored) {
    testsupport::MemoryDefaults defaults(QStringLiteral("com.captureone.captureone16"));
    defaults.m_values.insert(kKey, QStringLiteral("/kept.scpt"));
    EXPECT_FALSE(defaults.setURL(kKey, QUrl(QStringLiteral("https://example.com/a.scpt"))));
    EXPECT_FALSE(defaults.setURL(kKey, QUrl()));
    EXPECT_EQ(defaults.string(kKey), QStringLiteral("/kept.scpt"));
}

} // namespace
