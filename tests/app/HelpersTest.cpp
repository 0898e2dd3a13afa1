// The small helpers behind the windows: the URL transformer and the saved-frame text. (The domain
// watcher is exercised by the rows that follow other programs' changes.)

#include "Preferences/WindowFrameAutosave.h"
#include "app/URLTransformer.h"

#include <QDir>
#include <QUrl>

#include <gtest/gtest.h>

using namespace quillmere;

namespace {

TEST(URLTransformerTest, FileUrlsAndPathTextsTurnIntoEachOther) {
    const URLTransformer transformer;
    const QString path = QStringLiteral("/tmp/a b.scpt");
    const QVariant text = transformer.transformedValue(QUrl::fromLocalFile(path));
    ASSERT_EQ(text.metaType(), QMetaType::fromType<QString>());
    EXPECT_EQ(text.toString(), path); // a blank, not an escape
    EXPECT_EQ(transformer.transformedValue(QUrl(QStringLiteral("file:///tmp/caf%C3%A9%20x.scpt"))).toString(),
              QStringLiteral("/tmp/café x.scpt"));

    const QVariant url = transformer.reverseTransformedValue(path);
    ASSERT_EQ(url.metaType(), QMetaType::fromType<QUrl>());
    EXPECT_EQ(url.toUrl(), QUrl::fromLocalFile(path));
    EXPECT_EQ(transformer.transformedValue(url).toString(), path);
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
    URLTransformer::registerTransformers();
    const auto registered = ValueTransformer::forName(QStringLiteral("URLTransformer"));
    ASSERT_NE(registered, nullptr);
    EXPECT_EQ(registered->transformedValue(QUrl::fromLocalFile(QStringLiteral("/a"))).toString(),
              QStringLiteral("/a"));
    EXPECT_EQ(ValueTransformer::forName(QStringLiteral("NoSuchTransformer")), nullptr);
}

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

} // namespace
