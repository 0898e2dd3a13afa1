#include "VexoExtensions/PropertyList.h"
#include "core/platform/posix/PlistFileDefaults.h"
#include "tests/support/ArchivedURL.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/TempFolder.h"

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
    danglingRoot.rootIndex = 99;
    loop.relative = QStringLiteral("a.scpt"); // its own base, endlessly
    loop.baseIndex = 1;
    for (const ArchivedURL& archive : {web, otherArchiver, otherClass, danglingRoot, loop})
        EXPECT_FALSE(urlOf(archive.bytes())) << qPrintable(archive.relative);
    EXPECT_FALSE(urlOf(*vexo::plist::toBinary(
        QVariantMap{{QStringLiteral("$archiver"), QStringLiteral("NSKeyedArchiver")}})));
}

TEST(PreferencesURLWriting, APathIsStoredAsPlainTextAndReadBack) {
    testsupport::TempFolder temp;
    auto log = std::make_shared<testsupport::RecordingLog>();
    PlistFileDefaults defaults(temp.path(), QStringLiteral("com.captureone.captureone16"), log);
    for (const QString& path :
         {QStringLiteral("/Users/me/My Scripts/done.scpt"),
          QStringLiteral("/Users/me/\"quoted\" 'too'.applescript"),
          QStringLiteral("/Users/me/Grüße/日本語.scpt"), QStringLiteral("/tmp/100%25 and %.scpt"),
          QStringLiteral("/tmp/a#b?c.scpt"), QStringLiteral("/tmp/back\\slash.scpt")}) {
        ASSERT_TRUE(defaults.setUrl(kKey, QUrl::fromLocalFile(path))) << qPrintable(path);
        EXPECT_EQ(defaults.string(kKey), path);
        EXPECT_EQ(defaults.url(kKey), QUrl::fromLocalFile(path));
    }
    EXPECT_TRUE(defaults.setUrl(kKey, std::nullopt));
    EXPECT_FALSE(defaults.value(kKey).isValid());
    EXPECT_TRUE(log->systemLines().isEmpty());

    // A URL without a file path, and a path that cannot be kept exactly as text (what a name with
    // bytes that are not UTF-8 decodes to), are refused with a log line; nothing else is stored.
    ASSERT_TRUE(defaults.setValue(kKey, QStringLiteral("/kept.scpt")));
    const QList<QUrl> refused{
        QUrl(QStringLiteral("https://example.com/a.scpt")), QUrl(),
        QUrl::fromLocalFile(QStringLiteral("/tmp/caf") + QChar::ReplacementCharacter +
                            QStringLiteral(".scpt")),
        QUrl::fromLocalFile(QStringLiteral("/tmp/a") + QChar(0xDC80) + QStringLiteral(".scpt"))};
    for (const QUrl& url : refused)
        EXPECT_FALSE(defaults.setUrl(kKey, url)) << qPrintable(url.toString());
    EXPECT_EQ(defaults.string(kKey), QStringLiteral("/kept.scpt"));
    EXPECT_EQ(log->systemLines().size(), refused.size());
    EXPECT_TRUE(log->systemLines().last().contains(QStringLiteral("cannot be stored exactly as text")));
}

} // namespace
