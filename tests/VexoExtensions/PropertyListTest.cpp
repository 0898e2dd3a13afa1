#include "VexoExtensions/PropertyList.h"
#include "VexoExtensions/BinaryPropertyListShape.h"
#include "VexoExtensions/InputLimits.h"
#include "tests/support/HostileFiles.h"
#include "tests/support/PlistTestSupport.h"

#include <QDateTime>
#include <QSize>
#include <QStringEncoder>
#include <algorithm>
#include <gtest/gtest.h>
#include <limits>
#include <plist/plist.h>

using namespace brisquel;

namespace {

TEST(PropertyListValues, EveryKindSurvivesABinaryRoundTrip) {
    const qint64 largest = std::numeric_limits<qint64>::max();
    const QVariant date(QDateTime::fromString(QStringLiteral("2023-05-17T08:09:10.123Z"), Qt::ISODateWithMs));
    const QVariant nested = QVariantList{qint64(1), QVariantMap{{QStringLiteral("x"), 1.5}}, QVariantMap{}};
    QList<QPair<QVariant, QVariant>> cases{
        {QVariantList{1, QVariantMap{{QStringLiteral("x"), 1.5}}, QVariantMap{}}, nested},
        {quint64(5), QVariant::fromValue<qint64>(5)}, // small unsigned numbers are plain integers
        {QStringList{QStringLiteral("a")}, QVariantList{QStringLiteral("a")}}};
    for (const QVariant& same :
         {QVariant(QStringLiteral("Grüße — 📷")), QVariant(0.1), QVariant(QByteArray("\0a\xff", 3)),
          QVariant(std::numeric_limits<qint64>::min()), QVariant(largest), QVariant(quint64(largest) + 1),
          date})
        cases.append({same, same});
    for (const auto& [value, expected] : cases) {
        const QVariant back = vexo::plist::parse(vexo::plist::toBinary(value).value_or("")).valueOr({});
        // Kinds as well as values: QVariant equality alone would let a number pass for another.
        EXPECT_EQ(back.typeId(), expected.typeId()) << qPrintable(value.toString());
        EXPECT_EQ(back, expected) << qPrintable(value.toString());
    }
    EXPECT_EQ(vexo::plist::parse(*vexo::plist::toBinary(date)).valueOr({}).toDateTime().timeSpec(), Qt::UTC);
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

// Shapes that harm a tree builder, refused with their reason before one is built (or read, at the bound).
struct HostileShape {
    const char* name;
    QByteArray (*bytes)();
    vexo::Status status; // Ok: read
    const char* reason;
};

void PrintTo(const HostileShape& shape, std::ostream* out) {
    *out << shape.name;
}

class PropertyListShapes : public ::testing::TestWithParam<HostileShape> {};

TEST_P(PropertyListShapes, AreRefusedBeforeATreeIsBuilt) {
    const HostileShape& shape = GetParam();
    const vexo::Expected<QVariant> read = vexo::plist::parse(shape.bytes(), QStringLiteral("hostile.plist"));
    const QString message = read.result().message();
    EXPECT_EQ(read.result().status(), shape.status) << qPrintable(message);
    EXPECT_TRUE(read || (message.startsWith(QStringLiteral("hostile.plist ")) &&
                         message.contains(QLatin1String(shape.reason))))
        << qPrintable(message);
}

using namespace testsupport::HostileFiles;
constexpr int kDeep = 200'000;
constexpr int kDeepest = vexo::limits::kPropertyListDepth + 1;  // the top value and 128 levels below
constexpr qint64 kMost = vexo::limits::kPropertyListValues - 1; // and the array that holds them
const vexo::Status kRefused = vexo::Status::TooLarge;
const vexo::Status kRead = vexo::Status::Ok;
const vexo::Status kMalformed = vexo::Status::Malformed;
const char* const kDeepWords = "levels deep";

// End tags in attribute values and comments, which only a careless tokenizer takes for end tags.
QByteArray endTagsIn(const QByteArray& opening) {
    return "<plist>" + opening.repeated(kDeep) + QByteArray("</array>").repeated(kDeep) + "</plist>";
}
// Nesting one level too deep, in UTF-16: counted in any encoding.
QByteArray deepUtf16() {
    QStringEncoder encoder(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
    return encoder.encode(
        QString::fromUtf8(nestedXmlPlist(kDeepest + 1)).remove(QStringLiteral(" encoding=\"UTF-8\"")));
}

QByteArray oneObject(const QByteArray& object) {
    QByteArray bytes = "bplist00" + object + '\x08'; // the offset table: the object is at 8
    bytes += QByteArray(6, '\0') + QByteArray("\x00\x01\x01", 3);
    for (const qsizetype field : {qsizetype(1), qsizetype(0), 8 + object.size()}) // count, top, table
        bytes += QByteArray(7, '\0') + char(field);
    return bytes;
}

const HostileShape kShapes[] = {
    {"XmlDeepMixed", [] { return nestedXmlPlist(kDeep, Nesting::Mixed); }, kRefused, kDeepWords},
    {"XmlDeepUnderAKey", [] { return xmlDictionary({}, QStringLiteral("k"), nestedXmlValue(kDeep)); },
     kRefused, kDeepWords},
    {"XmlOneLevelTooDeep", [] { return nestedXmlPlist(kDeepest + 1); }, kRefused, "128 levels deep"},
    {"XmlDeepest", [] { return nestedXmlPlist(kDeepest, Nesting::Mixed); }, kRead, ""},
    {"XmlEndTagsInAttributes", [] { return endTagsIn("<array a=\"</array>\">"); }, kRefused, kDeepWords},
    {"XmlEndTagsInComments", [] { return endTagsIn("<array><!-- </array> -->"); }, kRefused, kDeepWords},
    {"XmlUtf16Deep", deepUtf16, kRefused, kDeepWords},
    {"XmlManyValues", [] { return manyValuesXmlPlist(kMost + 1); }, kRefused, "more than 500000"},
    {"XmlMostValues", [] { return manyValuesXmlPlist(kMost); }, kRead, ""},
    {"BinaryDeepMixed", [] { return nestedBinaryPlist(kDeep, Nesting::Mixed); }, kRefused, kDeepWords},
    {"BinaryOneLevelTooDeep", [] { return nestedBinaryPlist(kDeepest + 1); }, kRefused, "128 levels deep"},
    {"BinaryDeepest", [] { return nestedBinaryPlist(kDeepest, Nesting::Mixed); }, kRead, ""},
    {"BinaryManyValues", [] { return manyValuesBinaryPlist(kMost + 1); }, kRefused, "more than 500000"},
    {"BinaryMostValues", [] { return manyValuesBinaryPlist(kMost); }, kRead, ""},
    {"BinarySharedArrays", [] { return sharedReferencePlist(30, 2); }, kRefused, "values"},
    {"BinaryWideSharedArrays", [] { return sharedReferencePlist(100, 1000); }, kRefused, "values"},
    {"BinaryLoop", loopingPlist, kMalformed, "loop"},
    // A text of five letters with room for two: the parser would read the tables as letters.
    {"BinaryTextIntoOffsetTable", [] { return oneObject("\x55he"); }, kMalformed, "does not hold together"},
    {"BinaryDateOfFourBytes", [] { return oneObject(QByteArray("\x32\0\0\0\0", 5)); }, kMalformed,
     "does not hold"},
    {"BinaryOneDate", [] { return oneObject(QByteArray("\x33\0\0\0\0\0\0\0\0", 9)); }, kRead, ""},
};

INSTANTIATE_TEST_SUITE_P(Hostile, PropertyListShapes, ::testing::ValuesIn(kShapes),
                         [](const ::testing::TestParamInfo<HostileShape>& row) {
                             return std::string(row.param.name);
                         });

TEST(PropertyListTrees, ValuesLookedUpWhereTheyLieReadAsInTheWholeTree) {
    const vexo::plist::Node tree = plisttest::everyKindTree();
    auto* const root = static_cast<plist_t>(tree.get());
    plist_dict_set_item(root, "same array", plist_copy(plist_dict_get_item(root, "array")));
    const QByteArray bytes = vexo::plist::nodeToBinary(root);
    const QVariantMap whole = vexo::plist::parse(bytes).valueOr(QVariant()).toMap();
    QStringList keys = whole.keys();
    std::reverse(keys.begin(), keys.end());
    keys << QStringLiteral("absent") << keys.first();
    const vexo::Expected<QVariantList> looked = vexo::plist::readBinaryDictionaryValues(bytes, keys, {});
    ASSERT_TRUE(looked) << qPrintable(looked.result().message());
    ASSERT_EQ(looked->size(), keys.size());
    for (qsizetype i = 0; i < keys.size(); ++i) {
        EXPECT_EQ(looked->at(i), whole.value(keys[i])) << qPrintable(keys[i]);
        EXPECT_EQ(looked->at(i).typeId(), whole.value(keys[i]).typeId()) << qPrintable(keys[i]);
    }
}

} // namespace
