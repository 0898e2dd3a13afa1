// The small helpers behind the windows: the URL transformer, the saved-frame text, the script
// file names and the domain watcher.

#include "AppWorld.h"

#include "DomainWatcher.h"
#include "URLTransformer.h"
#include "WindowFrameAutosave.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QUrl>

#include <gtest/gtest.h>

using namespace quillmere;

namespace {

// ---- URLTransformer ----

TEST(URLTransformerTest, AFileUrlGivesItsPathTextWithBlanksNotEscapes) {
    const URLTransformer transformer;
    const QVariant text = transformer.transformedValue(QUrl::fromLocalFile(QStringLiteral("/tmp/a b.scpt")));
    ASSERT_EQ(text.metaType(), QMetaType::fromType<QString>());
    EXPECT_EQ(text.toString(), QStringLiteral("/tmp/a b.scpt"));
    EXPECT_EQ(transformer.transformedValue(QUrl(QStringLiteral("file:///tmp/caf%C3%A9%20x.scpt"))).toString(),
              QStringLiteral("/tmp/café x.scpt"));
}

TEST(URLTransformerTest, APathTextGivesTheFileUrlForTheSamePath) {
    const URLTransformer transformer;
    const QVariant url = transformer.reverseTransformedValue(QStringLiteral("/tmp/a b.scpt"));
    ASSERT_EQ(url.metaType(), QMetaType::fromType<QUrl>());
    EXPECT_TRUE(url.toUrl().isLocalFile());
    EXPECT_EQ(url.toUrl().toLocalFile(), QStringLiteral("/tmp/a b.scpt"));
    // Round trip.
    EXPECT_EQ(transformer.transformedValue(url).toString(), QStringLiteral("/tmp/a b.scpt"));
    // A relative path is taken from the current folder, as it stands.
    EXPECT_EQ(transformer.reverseTransformedValue(QStringLiteral("x/../y.scpt")).toUrl().toLocalFile(),
              QDir::currentPath() + QStringLiteral("/x/../y.scpt"));
}

TEST(URLTransformerTest, AnythingElseGivesNothingEitherWay) {
    const URLTransformer transformer;
    for (const QVariant& value : {QVariant(), QVariant(42), QVariant(3.5), QVariant(QByteArray("/tmp/a")),
                                  QVariant(QStringList{QStringLiteral("/tmp/a")})}) {
        EXPECT_FALSE(transformer.transformedValue(value).isValid()) << value.typeName();
        EXPECT_FALSE(transformer.reverseTransformedValue(value).isValid()) << value.typeName();
    }
    // Each direction takes only its own kind.
    EXPECT_FALSE(transformer.transformedValue(QStringLiteral("/tmp/a")).isValid());
    EXPECT_FALSE(
        transformer.reverseTransformedValue(QUrl::fromLocalFile(QStringLiteral("/tmp/a"))).isValid());
    EXPECT_FALSE(transformer.reverseTransformedValue(QString()).isValid());
}

TEST(URLTransformerTest, IsOfferedUnderItsNameAndAllowsReversing) {
    EXPECT_EQ(URLTransformer::valueTransformerNames(), QStringList{QStringLiteral("URLTransformer")});
    EXPECT_TRUE(URLTransformer().allowsReverseTransformation());
    EXPECT_FALSE(URLTransformer().transformedValueClass().isValid());
    URLTransformer::registerTransformers();
    const auto registered = ValueTransformer::forName(QStringLiteral("URLTransformer"));
    ASSERT_NE(registered, nullptr);
    EXPECT_EQ(registered->transformedValue(QUrl::fromLocalFile(QStringLiteral("/a"))).toString(),
              QStringLiteral("/a"));
    EXPECT_EQ(ValueTransformer::forName(QStringLiteral("NoSuchTransformer")), nullptr);
}

// ---- the saved frame text ----

TEST(WindowFrameTextTest, ReadsWhatItWritesAndRefusesWhatIsNotAFrame) {
    const QString text = WindowFrameAutosave::frameString(QRect(10, -20, 800, 500), QRect(0, 0, 1280, 800));
    EXPECT_EQ(text, QStringLiteral("10 -20 800 500 0 0 1280 800"));
    EXPECT_EQ(WindowFrameAutosave::parseFrame(text), QRect(10, -20, 800, 500));
    EXPECT_EQ(WindowFrameAutosave::parseFrame(QStringLiteral("1 2 300.4 200.6")), QRect(1, 2, 300, 201));
    for (const QString& bad :
         {QString(), QStringLiteral("1 2 3"), QStringLiteral("a b c d"), QStringLiteral("0 0 0 100"),
          QStringLiteral("0 0 100 -1"), QStringLiteral("0 0 1e300 100"), QStringLiteral("1 2 3 4 5")}) {
        EXPECT_FALSE(WindowFrameAutosave::parseFrame(bad).has_value()) << bad.toStdString();
    }
}

// ---- the domain watcher ----

TEST(DomainWatcherTest, ReportsReplacementsAndTheFirstFileOfADomain) {
    apptest::AppWorld world;
    const QString file = world.domainFile(QStringLiteral("com.example.watched"));
    DomainWatcher watcher(file);
    EXPECT_TRUE(watcher.isWatching());
    QSignalSpy changed(&watcher, &DomainWatcher::changed);

    // The domain gets its first file.
    ASSERT_TRUE(world.writeExternally(QStringLiteral("com.example.watched"), QStringLiteral("k"), 1));
    EXPECT_TRUE(apptest::waitUntil([&] { return changed.count() >= 1; }, 3000));
    // Each write renames a new file over the old one; every one is seen.
    for (int i = 2; i <= 4; ++i) {
        const int before = changed.count();
        ASSERT_TRUE(world.writeExternally(QStringLiteral("com.example.watched"), QStringLiteral("k"), i));
        EXPECT_TRUE(apptest::waitUntil([&] { return changed.count() > before; }, 3000));
    }
}

TEST(DomainWatcherTest, WatchesNothingForADomainWithoutAFile) {
    DomainWatcher watcher{QString()};
    EXPECT_FALSE(watcher.isWatching());
}

} // namespace
