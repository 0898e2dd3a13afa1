#include "VexoExtensions/PropertyList.h"
#include "tests/support/ArchivedURL.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/HostileFiles.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace brisquel;

namespace {

using testsupport::ArchivedURL;

const QString kKey = QStringLiteral("captureDoneScript");

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
    danglingRoot.rootIndex = 4;               // one past the last of the four objects
    loop.relative = QStringLiteral("a.scpt"); // its own base, endlessly
    loop.baseIndex = 1;
    for (const ArchivedURL& archive : {web, otherArchiver, otherClass, danglingRoot, loop})
        EXPECT_FALSE(urlOf(archive.bytes())) << qPrintable(archive.relative);
    EXPECT_FALSE(urlOf(*vexo::plist::toBinary(
        QVariantMap{{QStringLiteral("$archiver"), QStringLiteral("NSKeyedArchiver")}})));

    // Data holding a property list that no tree should be built for is no URL either.
    for (const QByteArray& data : {testsupport::HostileFiles::nestedXmlPlist(200000),
                                   testsupport::HostileFiles::sharedReferencePlist(30, 2)})
        EXPECT_FALSE(urlOf(data));
}

} // namespace
