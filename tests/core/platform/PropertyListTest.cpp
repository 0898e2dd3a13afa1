#include "platform/PropertyList.h"
#include "PlistTestSupport.h"
#include "TempFolder.h"

#include <QDateTime>
#include <QSize>
#include <QStandardPaths>
#include <gtest/gtest.h>
#include <limits>
#include <plist/plist.h>

using namespace brisquel;

namespace {

QVariant roundTrip(const QVariant& value) {
    const std::optional<QByteArray> bytes = plist::toBinary(value);
    if (!bytes)
        return QStringLiteral("<no binary form>");
    return plist::parse(*bytes).value_or(QStringLiteral("<unreadable>"));
}

TEST(PropertyListValues, ScalarsKeepTheirKindAndValue) {
    EXPECT_EQ(roundTrip(QStringLiteral("Grüße — 📷")), QVariant(QStringLiteral("Grüße — 📷")));
    EXPECT_EQ(roundTrip(true), QVariant(true));
    EXPECT_EQ(roundTrip(0.1), QVariant(0.1));
    EXPECT_EQ(roundTrip(QByteArray("\0a\xff", 3)), QVariant(QByteArray("\0a\xff", 3)));
    EXPECT_EQ(roundTrip(QByteArray()).typeId(), QMetaType::QByteArray);
}

TEST(PropertyListValues, IntegersKeepSignAndWidth) {
    EXPECT_EQ(roundTrip(42), QVariant::fromValue<qint64>(42));
    EXPECT_EQ(roundTrip(-1), QVariant::fromValue<qint64>(-1));
    const qint64 smallest = std::numeric_limits<qint64>::min();
    EXPECT_EQ(roundTrip(smallest), QVariant::fromValue(smallest));
    const qint64 largest = std::numeric_limits<qint64>::max();
    EXPECT_EQ(roundTrip(largest), QVariant::fromValue(largest));
    const quint64 aboveSigned = quint64(largest) + 1;
    EXPECT_EQ(roundTrip(aboveSigned), QVariant::fromValue(aboveSigned));
    const quint64 largestUnsigned = std::numeric_limits<quint64>::max();
    EXPECT_EQ(roundTrip(largestUnsigned), QVariant::fromValue(largestUnsigned));
    // Small unsigned numbers are plain integers in the file.
    EXPECT_EQ(roundTrip(quint64(5)), QVariant::fromValue<qint64>(5));
}

TEST(PropertyListValues, DatesKeepMillisecondsAcrossTheWholeRange) {
    for (const char* text : {"2023-05-17T08:09:10.123Z", "1901-01-01T00:00:00.001Z",
                             "2001-01-01T00:00:00.000Z", "2150-12-31T23:59:59.999Z"}) {
        const QDateTime date = QDateTime::fromString(QLatin1String(text), Qt::ISODateWithMs);
        ASSERT_TRUE(date.isValid()) << text;
        const QVariant back = roundTrip(date);
        ASSERT_EQ(back.typeId(), QMetaType::QDateTime) << text;
        EXPECT_EQ(back.toDateTime(), date) << text;
        EXPECT_EQ(back.toDateTime().timeSpec(), Qt::UTC) << text;
    }
}

TEST(PropertyListValues, ContainersNestAndKeepEveryElement) {
    const QVariantMap map{
        {QStringLiteral("list"), QVariantList{1, QStringLiteral("two"), QVariantList{}, false}},
        {QStringLiteral("inner"), QVariantMap{{QStringLiteral("x"), 1.5}}},
        {QStringLiteral("empty"), QVariantMap{}}};
    const QVariant back = roundTrip(map);
    ASSERT_EQ(back.typeId(), QMetaType::QVariantMap);
    const QVariantMap result = back.toMap();
    EXPECT_EQ(result.value(QStringLiteral("list")).toList(),
              (QVariantList{QVariant::fromValue<qint64>(1), QStringLiteral("two"), QVariantList{}, false}));
    EXPECT_EQ(result.value(QStringLiteral("inner")).toMap().value(QStringLiteral("x")), QVariant(1.5));
    EXPECT_EQ(result.value(QStringLiteral("empty")).typeId(), QMetaType::QVariantMap);
    EXPECT_EQ(roundTrip(QStringList{QStringLiteral("a"), QStringLiteral("b")}),
              QVariant(QVariantList{QStringLiteral("a"), QStringLiteral("b")}));
}

TEST(PropertyListValues, UidsReadAsTheirDictionaryFormAndWriteBack) {
    const QVariantMap uid{{QStringLiteral("CF$UID"), 7}};
    const plist::Node node = plist::fromVariant(uid);
    ASSERT_TRUE(node);
    EXPECT_EQ(plist_get_node_type(static_cast<plist_t>(node.get())), PLIST_UID);
    EXPECT_EQ(plist::toVariant(node.get()), QVariant(QVariantMap{{QStringLiteral("CF$UID"), qint64(7)}}));
}

TEST(PropertyListValues, ValuesWithoutAPropertyListFormAreRefused) {
    EXPECT_FALSE(plist::toBinary(QVariant()));
    EXPECT_FALSE(plist::toBinary(QVariant::fromValue(QSize(1, 2))));
    EXPECT_FALSE(plist::toBinary(QDateTime()));
    EXPECT_FALSE(plist::toBinary(QString(QStringLiteral("a")) + QChar(u'\0') + QStringLiteral("b")));
    EXPECT_FALSE(plist::toBinary(QString(QChar(0xD800))));
    // One bad element spoils the whole container rather than vanishing from it.
    EXPECT_FALSE(plist::toBinary(QVariantList{1, QVariant()}));
    EXPECT_FALSE(plist::toBinary(QVariantMap{{QString::fromUtf8("a\0b", 3), 1}}));
}

TEST(PropertyListReading, ReadsXmlAndBinaryAndRefusesAnythingElse) {
    const QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
                           "<key>a</key><integer>-5</integer><key>b</key><string>x &amp; y</string>"
                           "</dict></plist>";
    const std::optional<QVariant> fromXml = plist::parse(xml);
    ASSERT_TRUE(fromXml);
    EXPECT_EQ(fromXml->toMap().value(QStringLiteral("a")), QVariant::fromValue<qint64>(-5));
    EXPECT_EQ(fromXml->toMap().value(QStringLiteral("b")), QVariant(QStringLiteral("x & y")));
    const QByteArray binary = *plist::toBinary(fromXml->toMap());
    EXPECT_TRUE(binary.startsWith("bplist00"));
    EXPECT_EQ(plist::parse(binary), fromXml);

    EXPECT_FALSE(plist::parse(QByteArray()));
    EXPECT_FALSE(plist::parse("not a property list"));
    EXPECT_FALSE(plist::parse(binary.left(binary.size() - 10)));
    EXPECT_FALSE(plist::parse("<plist version=\"1.0\"><dict><key>a</key></plist>"));
    EXPECT_FALSE(plist::readFile(QStringLiteral("/nonexistent/file.plist")));
}

TEST(PropertyListTrees, UntouchedNodesSurviveABinaryWriteBitForBit) {
    const plist::Node tree = plisttest::everyKindTree();
    const QByteArray written = plist::nodeToBinary(tree.get());
    const plist::Node reread = plist::parseNode(written);
    ASSERT_TRUE(reread);
    EXPECT_EQ(plisttest::describe(reread.get()), plisttest::describe(tree.get()));
    // The date finer than a microsecond really is kept (0x33 then the exact double).
    const plist_t fine = plist_dict_get_item(static_cast<plist_t>(reread.get()), "fine date");
    EXPECT_EQ(plist::nodeToBinary(fine).mid(8, 9).toHex(), QByteArray("3341c53ac4270fcd6f"));
    // And the integer above the signed range stays unsigned.
    EXPECT_EQ(plist::toVariant(plist_dict_get_item(static_cast<plist_t>(reread.get()), "largest unsigned")),
              QVariant::fromValue(std::numeric_limits<quint64>::max()));
}

TEST(PropertyListTrees, OtherReadersReadWhatWeWrite) {
    testsupport::TempFolder folder;
    const QString path = folder.filePath(QStringLiteral("every.plist"));
    plisttest::writeFileBytes(path, plist::nodeToBinary(plisttest::everyKindTree().get()));

    const QString plistutil = QStandardPaths::findExecutable(QStringLiteral("plistutil"));
    if (!plistutil.isEmpty()) {
        const plisttest::ProgramRun run = plisttest::runProgram(plistutil, {QStringLiteral("-i"), path});
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_TRUE(run.output.contains("<key>nested</key>")) << run.output.constData();
    }
    const QString python = plisttest::pythonWithPlistlib();
    if (python.isEmpty())
        GTEST_SKIP() << "python3 with plistlib is not available; only plistutil checked the file";
    const QString script =
        QStringLiteral("import plistlib, sys, datetime\n"
                       "d = plistlib.load(open(sys.argv[1], 'rb'))\n"
                       "assert d['largest unsigned'] == 2**64 - 1, d['largest unsigned']\n"
                       "assert d['just above signed'] == 2**63\n"
                       "assert d['smallest signed'] == -2**63\n"
                       "assert d['minus one'] == -1\n"
                       "assert d['array'][2]['wide'] == 0xfedcba9876543210\n"
                       "assert d['data'] == b'\\x00\\x01\\x02\\xff\\x00'\n"
                       "assert d['non-ASCII text'] == 'Gr\\u00fc\\u00dfe \\u2014 \\U0001f4f7'\n"
                       "assert d['uid'] == plistlib.UID(7)\n"
                       "assert d['fine date'].year == 2023, d['fine date']\n"
                       "print('ok')\n");
    const plisttest::ProgramRun run = plisttest::runProgram(python, {QStringLiteral("-c"), script, path});
    EXPECT_EQ(run.exitCode, 0) << run.output.constData();
    EXPECT_EQ(run.output.trimmed(), QByteArray("ok"));
}

} // namespace
