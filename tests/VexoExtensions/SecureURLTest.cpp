#include "VexoExtensions/SecureURL.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/TempFolder.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace brisquel::vexo;

namespace {

const QString kKey = QStringLiteral("lastFolder");

class SecureURLTest : public testing::Test {
protected:
    bool stored() const { return defaults.m_values.contains(kKey); }
    QUrl folderURL() const { return QUrl::fromLocalFile(folder.path()); }

    testsupport::TempFolder folder;
    testsupport::MemoryDefaults defaults{QStringLiteral("com.example.test")};
};

} // namespace

TEST_F(SecureURLTest, StoresDataAndReadsTheAddressBack) {
    const QString path = folder.write(QStringLiteral("a file #1.txt"), "x");
    EXPECT_TRUE(setSecureURL(defaults, QUrl::fromLocalFile(path), kKey));
    EXPECT_EQ(defaults.value(kKey).typeId(), QMetaType::QByteArray);
    EXPECT_EQ(secureURL(defaults, kKey), QUrl::fromLocalFile(path));
    defaults.m_failWrites = true;
    EXPECT_FALSE(setSecureURL(defaults, folderURL(), kKey));
}

TEST_F(SecureURLTest, NoneOrAnAddressThatCannotBeBookmarkedRemovesTheKey) {
    const std::vector<std::optional<QUrl>> removing = {
        std::nullopt, QUrl::fromLocalFile(folder.filePath(QStringLiteral("missing"))),
        QUrl(QStringLiteral("https://example.invalid/"))};
    for (const auto& url : removing) {
        setSecureURL(defaults, folderURL(), kKey);
        ASSERT_TRUE(stored());
        EXPECT_TRUE(setSecureURL(defaults, url, kKey));
        EXPECT_FALSE(stored()) << url.value_or(QUrl()).toString().toStdString();
    }
    EXPECT_FALSE(secureURL(defaults, kKey));
}

// A value that does not resolve is none, and stays.
TEST_F(SecureURLTest, ValueThatDoesNotResolveIsNoneAndStays) {
    defaults.m_values.insert(kKey, QStringLiteral("/tmp")); // text, not data
    EXPECT_FALSE(secureURL(defaults, kKey));
    defaults.m_values.insert(kKey, QByteArray("random bytes"));
    EXPECT_FALSE(secureURL(defaults, kKey));
    const QString path = folder.write(QStringLiteral("gone.txt"), "x");
    setSecureURL(defaults, QUrl::fromLocalFile(path), kKey);
    QFile::remove(path);
    EXPECT_FALSE(secureURL(defaults, kKey));
    EXPECT_TRUE(stored());
}
