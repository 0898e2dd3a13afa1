#include "VexoExtensions/PropertyList.h"
#include "tests/core/platform/PlistTestSupport.h"

#include <QDateTime>
#include <QSize>
#include <gtest/gtest.h>
#include <limits>
#include <plist/plist.h>

using namespace brisquel;

namespace {

TEST(PropertyListValues, EveryKindSurvivesABinaryRoundTrip) {
    const auto date = [](const char* text) {
        return QVariant(QDateTime::fromString(QLatin1String(text), Qt::ISODateWithMs));
    };
    const qint64 smallest = std::numeric_limits<qint64>::min();
    const qint64 largest = std::numeric_limits<qint64>::max();
    const QList<QPair<QVariant, QVariant>> cases{
        {QStringLiteral("Grüße — 📷"), QStringLiteral("Grüße — 📷")},
        {true, true},
        {0.1, 0.1},
        {QByteArray("\0a\xff", 3), QByteArray("\0a\xff", 3)},
        {QByteArray(), QByteArray()},
        {42, QVariant::fromValue<qint64>(42)},
        {-1, QVariant::fromValue<qint64>(-1)},
        {smallest, smallest},
        {largest, largest},
        {quint64(largest) + 1, quint64(largest) + 1},
        {std::numeric_limits<quint64>::max(), std::numeric_limits<quint64>::max()},
        {quint64(5), QVariant::fromValue<qint64>(5)}, // small unsigned numbers are plain integers
        {date("2023-05-17T08:09:10.123Z"), date("2023-05-17T08:09:10.123Z")},
        {date("1901-01-01T00:00:00.001Z"), date("1901-01-01T00:00:00.001Z")},
        {date("2001-01-01T00:00:00.000Z"), date("2001-01-01T00:00:00.000Z")},
        {date("2150-12-31T23:59:59.999Z"), date("2150-12-31T23:59:59.999Z")},
        {QStringList{QStringLiteral("a"), QStringLiteral("b")},
         QVariantList{QStringLiteral("a"), QStringLiteral("b")}},
        {QVariantList{1, QVariantMap{{QStringLiteral("x"), 1.5}}, QVariantMap{}, QVariantList{}},
         QVariantList{qint64(1), QVariantMap{{QStringLiteral("x"), 1.5}}, QVariantMap{}, QVariantList{}}}};
    for (const auto& [value, expected] : cases) {
        const std::optional<QByteArray> bytes = vexo::plist::toBinary(value);
        ASSERT_TRUE(bytes) << qPrintable(value.toString());
        const vexo::Expected<QVariant> back = vexo::plist::parse(*bytes);
        ASSERT_TRUE(back) << qPrintable(value.toString());
        // Kinds as well as values: QVariant equality alone would let a number pass for another.
        EXPECT_EQ(back->typeId(), expected.typeId()) << qPrintable(value.toString());
        EXPECT_EQ(*back, expected) << qPrintable(value.toString());
        if (expected.typeId() == QMetaType::QDateTime) {
            EXPECT_EQ(back->toDateTime().timeSpec(), Qt::UTC);
        }
    }
}

TEST(PropertyListValues, UidsReadAsTheirDictionaryFormAndWriteBack) {
    const vexo::plist::Node node = vexo::plist::fromVariant(QVariantMap{{QStringLiteral("CF$UID"), 7}});
    ASSERT_TRUE(node);
    EXPECT_EQ(plist_get_node_type(static_cast<plist_t>(node.get())), PLIST_UID);
    EXPECT_EQ(vexo::plist::toVariant(node.get()),
              QVariant(QVariantMap{{QStringLiteral("CF$UID"), qint64(7)}}));
}

TEST(PropertyListValues, ValuesWithoutAPropertyListFormAreRefused) {
    // One bad element spoils the whole container rather than vanishing from it.
    for (const QVariant& value : {QVariant(), QVariant::fromValue(QSize(1, 2)), QVariant(QDateTime()),
                                  QVariant(QStringLiteral("a") + QChar(u'\0') + QStringLiteral("b")),
                                  QVariant(QString(QChar(0xD800))), QVariant(QVariantList{1, QVariant()}),
                                  QVariant(QVariantMap{{QString::fromUtf8("a\0b", 3), 1}})})
        EXPECT_FALSE(vexo::plist::toBinary(value)) << value.typeName();
}

TEST(PropertyListReading, ReadsXmlAndBinaryAndRefusesAnythingElse) {
    const vexo::Expected<QVariant> fromXml = vexo::plist::parse(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
        "<key>a</key><integer>-5</integer><key>b</key><string>x &amp; y</string></dict></plist>");
    EXPECT_EQ(*fromXml, QVariant(QVariantMap{{QStringLiteral("a"), QVariant::fromValue<qint64>(-5)},
                                             {QStringLiteral("b"), QStringLiteral("x & y")}}));
    const QByteArray binary = *vexo::plist::toBinary(fromXml->toMap());
    EXPECT_TRUE(binary.startsWith("bplist00"));
    EXPECT_EQ(vexo::plist::parse(binary).valueOr(QVariant()), *fromXml);

    for (const QByteArray& bytes :
         {QByteArray(), QByteArray("not a property list"), binary.left(binary.size() - 10),
          QByteArray("<plist version=\"1.0\"><dict><key>a</key></plist>")})
        EXPECT_FALSE(vexo::plist::parse(bytes)) << bytes.constData();
    EXPECT_FALSE(vexo::plist::readFile(QStringLiteral("/nonexistent/file.plist"), 1024));
}

TEST(PropertyListReading, SmallFilesStandingForHugeOrEndlessTreesAreRefusedBeforeParsing) {
    const struct {
        const char* what;
        QByteArray bytes;
        vexo::Status status;
        const char* reason;
    } cases[]{
        {"2^30 strings from 30 shared arrays", plisttest::sharedReferencePlist(30, 2), vexo::Status::TooLarge,
         "values"},
        {"a hundred arrays naming one another a thousand times", plisttest::sharedReferencePlist(100, 1000),
         vexo::Status::TooLarge, "values"},
        {"50,000 nested binary arrays", plisttest::nestedBinaryPlist(50000), vexo::Status::TooLarge,
         "levels deep"},
        {"50,000 nested XML arrays", plisttest::nestedXmlPlist(50000), vexo::Status::TooLarge, "levels deep"},
        {"an array holding itself", plisttest::loopingPlist(), vexo::Status::Malformed, "loop"},
    };
    for (const auto& c : cases) {
        const vexo::Expected<QVariant> read = vexo::plist::parse(c.bytes, QStringLiteral("hostile.plist"));
        ASSERT_FALSE(read) << c.what;
        EXPECT_EQ(read.result().status(), c.status) << c.what;
        EXPECT_TRUE(read.result().message().startsWith(QStringLiteral("hostile.plist ")));
        EXPECT_TRUE(read.result().message().contains(QLatin1String(c.reason)))
            << qPrintable(read.result().message());
    }
    // Within the bounds the same shapes read as they should: sharing and nesting as such are fine.
    EXPECT_EQ(vexo::plist::parse(plisttest::sharedReferencePlist(10, 2)).valueOr(QVariant()).toList().size(),
              2);
    EXPECT_TRUE(vexo::plist::parse(plisttest::nestedBinaryPlist(100)));
    EXPECT_TRUE(vexo::plist::parse(plisttest::nestedXmlPlist(100)));
}

TEST(PropertyListTrees, UntouchedNodesSurviveABinaryWriteBitForBit) {
    const vexo::plist::Node tree = plisttest::everyKindTree();
    const vexo::plist::Node reread = vexo::plist::parseNode(vexo::plist::nodeToBinary(tree.get()));
    ASSERT_TRUE(reread);
    EXPECT_EQ(plisttest::describe(reread.get()), plisttest::describe(tree.get()));
    // Pinned by their bytes, should describe() and the writer share a fault: the date finer than a
    // microsecond (0x33 then the exact double), and the integer above the signed range.
    const auto item = [&](const char* key) {
        return plist_dict_get_item(static_cast<plist_t>(reread.get()), key);
    };
    EXPECT_EQ(vexo::plist::nodeToBinary(item("fine date")).mid(8, 9).toHex(),
              QByteArray("3341c53ac4270fcd6f"));
    EXPECT_EQ(vexo::plist::toVariant(item("largest unsigned")),
              QVariant::fromValue(std::numeric_limits<quint64>::max()));
}

} // namespace
