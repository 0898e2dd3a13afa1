#include "VexoExtensions/PropertyList.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/HostileFiles.h"

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
    QString base;      // empty: no base ($null)
    int baseIndex = 0; // with no base: 0 for $null, 1 for the URL itself (a loop)
    QString archiver = QStringLiteral("NSKeyedArchiver");
    QString className = QStringLiteral("NSURL");
    int rootIndex = 1;
    bool xml = false;

    QByteArray bytes() const {
        const auto uid = [](int index) { return QVariantMap{{QStringLiteral("CF$UID"), index}}; };
        const auto url = [&](int relativeIndex, int baseAt) {
            return QVariantMap{{QStringLiteral("NS.relative"), uid(relativeIndex)},
                               {QStringLiteral("NS.base"), uid(baseAt)},
                               {QStringLiteral("$class"), uid(3)}};
        };
        QVariantList objects{
            QStringLiteral("$null"), url(2, base.isEmpty() ? baseIndex : 4), relative,
            QVariantMap{{QStringLiteral("$classname"), className},
                        {QStringLiteral("$classes"), QStringList{className, QStringLiteral("NSObject")}}}};
        if (!base.isEmpty())
            objects << url(5, 0) << base;
        const vexo::plist::Node root = vexo::plist::fromVariant(
            QVariantMap{{QStringLiteral("$version"), 100000},
                        {QStringLiteral("$archiver"), archiver},
                        {QStringLiteral("$top"), QVariantMap{{QStringLiteral("root"), uid(rootIndex)}}},
                        {QStringLiteral("$objects"), objects}});
        if (!xml)
            return vexo::plist::nodeToBinary(root.get());
        char* text = nullptr;
        uint32_t length = 0;
        plist_to_xml(static_cast<plist_t>(root.get()), &text, &length);
        const QByteArray result(text, length);
        plist_to_xml_free(text);
        return result;
    }
};

std::optional<QUrl> urlOf(const QVariant& stored) {
    testsupport::MemoryDefaults defaults(QStringLiteral("com.captureone.captureone16"));
    defaults.m_values.insert(kKey, stored);
    return defaults.url(kKey);
}

TEST(PreferencesURLReading, ATextIsAFileSystemPathAndOtherKindsAreNone) {
    const QList<QPair<QString, QString>> paths{
        {QStringLiteral("/Users/me/a b.scpt"), QStringLiteral("/Users/me/a b.scpt")},
        {QStringLiteral("/tmp/100%.scpt"), QStringLiteral("/tmp/100%.scpt")},
        {QStringLiteral("~/Scripts/x.scpt"), QDir::homePath() + QStringLiteral("/Scripts/x.scpt")},
        {QStringLiteral("relative.scpt"), QDir::current().absoluteFilePath(QStringLiteral("relative.scpt"))}};
    for (const auto& [text, path] : paths)
        EXPECT_EQ(urlOf(text), QUrl::fromLocalFile(path)) << qPrintable(text);
    for (const QVariant& other :
         {QVariant(QString()), QVariant::fromValue<qint64>(42), QVariant(true),
          QVariant(QVariantList{QStringLiteral("/a")}), QVariant(), QVariant(QByteArray("/Users/me/a.scpt"))})
        EXPECT_FALSE(urlOf(other)) << other.typeName();
}

TEST(PreferencesURLReading, AnArchivedFileURLIsDecodedAndAnyOtherArchiveIsNone) {
    const QUrl expected = QUrl::fromLocalFile(QStringLiteral("/Users/me/Library/Scripts/My Script ü.scpt"));
    EXPECT_EQ(urlOf(ArchivedURL().bytes()), expected);
    ArchivedURL xml;
    xml.xml = true;
    EXPECT_EQ(urlOf(xml.bytes()), expected);
    ArchivedURL withBase;
    withBase.relative = QStringLiteral("Scripts/done.scpt");
    withBase.base = QStringLiteral("file:///Users/me/Library/");
    EXPECT_EQ(urlOf(withBase.bytes()),
              QUrl::fromLocalFile(QStringLiteral("/Users/me/Library/Scripts/done.scpt")));

    ArchivedURL web, otherArchiver, otherClass, danglingRoot, loop;
    web.relative = QStringLiteral("https://example.com/a.scpt");
    otherArchiver.archiver = QStringLiteral("NSArchiver");
    otherClass.className = QStringLiteral("NSString");
    danglingRoot.rootIndex = 99;
    loop.relative = QStringLiteral("a.scpt"); // its own base, endlessly
    loop.baseIndex = 1;
    for (const ArchivedURL& archive : {web, otherArchiver, otherClass, danglingRoot, loop})
        EXPECT_FALSE(urlOf(archive.bytes())) << qPrintable(archive.relative);
    EXPECT_FALSE(urlOf(*vexo::plist::toBinary(
        QVariantMap{{QStringLiteral("$archiver"), QStringLiteral("NSKeyedArchiver")}})));

    // Data holding a property list that no tree should be built for is no URL either.
    namespace hostile = testsupport::HostileFiles;
    for (const QByteArray& data :
         {hostile::nestedXmlPlist(200000, hostile::Nesting::Mixed), hostile::nestedBinaryPlist(200000),
          hostile::manyValuesXmlPlist(600000), hostile::sharedReferencePlist(30, 2)})
        EXPECT_FALSE(urlOf(data));
}

} // namespace
