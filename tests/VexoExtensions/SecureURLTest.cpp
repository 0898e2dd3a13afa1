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

// A stored address reads back while its file exists; a value that does not resolve is none, and stays.
TEST_F(SecureURLTest, StoresAnExistingFileAndReadsOnlyWhatResolves) {
    const QString path = folder.write(QStringLiteral("a file #1.txt"), "x");
    EXPECT_TRUE(setSecureURL(defaults, QUrl::fromLocalFile(path), kKey));
    EXPECT_EQ(secureURL(defaults, kKey), QUrl::fromLocalFile(path));
    QFile::remove(path);
    EXPECT_FALSE(secureURL(defaults, kKey));
    EXPECT_TRUE(stored());
    for (const QVariant& value : {QVariant(QStringLiteral("/tmp")), QVariant(QByteArray("random bytes"))}) {
        defaults.m_values.insert(kKey, value);
        EXPECT_FALSE(secureURL(defaults, kKey)) << value.typeName();
    }
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
