#include "VexoExtensions/SecureURL.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/TempFolder.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace brisquel::vexo;

// An address reads back while its file exists; none, or one that cannot be kept, removes the key.
TEST(SecureURL, KeepsAnExistingFileAndReadsOnlyWhatResolves) {
    const QString key = QStringLiteral("lastFolder");
    testsupport::TempFolder folder;
    testsupport::MemoryDefaults defaults(QStringLiteral("com.example.test"));
    const QString path = folder.write(QStringLiteral("a file #1.txt"), "x");
    EXPECT_TRUE(setSecureURL(defaults, QUrl::fromLocalFile(path), key));
    EXPECT_EQ(secureURL(defaults, key), QUrl::fromLocalFile(path));
    QFile::remove(path);
    EXPECT_FALSE(secureURL(defaults, key));
    EXPECT_TRUE(defaults.m_values.contains(key));
    defaults.m_values.insert(key, QStringLiteral("/tmp")); // text, not data
    EXPECT_FALSE(secureURL(defaults, key));
    for (const std::optional<QUrl>& url : {std::optional<QUrl>(), std::optional(QUrl::fromLocalFile(path)),
                                           std::optional(QUrl(QStringLiteral("https://example.invalid/")))}) {
        defaults.m_values.insert(key, QByteArray("random bytes"));
        EXPECT_FALSE(secureURL(defaults, key));
        EXPECT_TRUE(setSecureURL(defaults, url, key));
        EXPECT_FALSE(defaults.m_values.contains(key)) << url.value_or(QUrl()).toString().toStdString();
    }
    defaults.m_failWrites = true;
    EXPECT_FALSE(setSecureURL(defaults, QUrl::fromLocalFile(folder.path()), key));
}
