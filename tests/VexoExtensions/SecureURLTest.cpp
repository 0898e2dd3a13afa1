#include "VexoExtensions/SecureURL.h"
#include "FakePlatform.h"
#include "TempFolder.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace brisquel::vexo;

namespace {
const QString Key = QStringLiteral("lastFolder");
} // namespace

TEST(SecureURL, StoresDataAndReadsTheAddressBack) {
    testsupport::TempFolder folder;
    const QString path = folder.write(QStringLiteral("a file #1.txt"), "x");
    testsupport::MemoryDefaults defaults(QStringLiteral("com.example.test"));
    EXPECT_TRUE(setSecureURL(defaults, QUrl::fromLocalFile(path), Key));
    EXPECT_EQ(defaults.value(Key).typeId(), QMetaType::QByteArray);
    EXPECT_EQ(secureURL(defaults, Key), QUrl::fromLocalFile(path));
}

TEST(SecureURL, NoneRemovesTheKey) {
    testsupport::TempFolder folder;
    testsupport::MemoryDefaults defaults(QStringLiteral("com.example.test"));
    setSecureURL(defaults, QUrl::fromLocalFile(folder.path()), Key);
    ASSERT_TRUE(defaults.m_values.contains(Key));
    EXPECT_TRUE(setSecureURL(defaults, std::nullopt, Key));
    EXPECT_FALSE(defaults.m_values.contains(Key));
    EXPECT_FALSE(secureURL(defaults, Key));
}

TEST(SecureURL, AddressThatCannotBeBookmarkedRemovesTheKey) {
    testsupport::TempFolder folder;
    testsupport::MemoryDefaults defaults(QStringLiteral("com.example.test"));
    setSecureURL(defaults, QUrl::fromLocalFile(folder.path()), Key);
    setSecureURL(defaults, QUrl::fromLocalFile(folder.filePath(QStringLiteral("missing"))), Key);
    EXPECT_FALSE(defaults.m_values.contains(Key));
    setSecureURL(defaults, QUrl::fromLocalFile(folder.path()), Key);
    setSecureURL(defaults, QUrl(QStringLiteral("https://example.invalid/")), Key);
    EXPECT_FALSE(defaults.m_values.contains(Key));
}

TEST(SecureURL, KeyWithoutBookmarkDataIsNone) {
    testsupport::MemoryDefaults defaults(QStringLiteral("com.example.test"));
    EXPECT_FALSE(secureURL(defaults, Key));
    defaults.m_values.insert(Key, QStringLiteral("/tmp")); // text, not data
    EXPECT_FALSE(secureURL(defaults, Key));
    defaults.m_values.insert(Key, QByteArray("random bytes"));
    EXPECT_FALSE(secureURL(defaults, Key));
}

TEST(SecureURL, FileThatIsGoneIsNoneAndTheValueStays) {
    testsupport::TempFolder folder;
    const QString path = folder.write(QStringLiteral("gone.txt"), "x");
    testsupport::MemoryDefaults defaults(QStringLiteral("com.example.test"));
    setSecureURL(defaults, QUrl::fromLocalFile(path), Key);
    QFile::remove(path);
    EXPECT_FALSE(secureURL(defaults, Key));
    EXPECT_TRUE(defaults.m_values.contains(Key));
}

TEST(SecureURL, FailedWriteIsReported) {
    testsupport::TempFolder folder;
    testsupport::MemoryDefaults defaults(QStringLiteral("com.example.test"));
    defaults.m_failWrites = true;
    EXPECT_FALSE(setSecureURL(defaults, QUrl::fromLocalFile(folder.path()), Key));
}

TEST(SecureURL, BookmarkFormIsStable) {
    testsupport::TempFolder folder;
    const auto bookmark = bookmarkData(QUrl::fromLocalFile(folder.path()));
    ASSERT_TRUE(bookmark);
    EXPECT_EQ(*bookmark, bookmarkData(QUrl::fromLocalFile(folder.path())));
    EXPECT_TRUE(bookmark->startsWith("vexo-bookmark/1\n"));
    EXPECT_EQ(resolveBookmarkData(*bookmark), QUrl::fromLocalFile(folder.path()));
}
