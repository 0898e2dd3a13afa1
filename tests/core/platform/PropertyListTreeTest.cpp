#include "core/platform/PropertyListTree.h"

#include "tests/support/QtPrinters.h"

#include <QDateTime>
#include <QSize>
#include <gtest/gtest.h>

#include <limits>
#include <memory>

using namespace Qt::Literals::StringLiterals;
using brisquel::PropertyListTree;
using Kind = brisquel::PropertyListTree::Kind;
using brisquel::vexo::Status;

namespace {

// A tree of the tests' own, standing for a platform's property-list objects.
struct Object {
    Kind kind = Kind::Other;
    QString text;
    std::optional<qint64> integer;
    double number = 0; // a real, or a date's seconds
    bool boolean = false;
    QByteArray data;
    std::vector<std::shared_ptr<Object>> elements;
    std::vector<std::pair<std::shared_ptr<Object>, std::shared_ptr<Object>>> entries;
};
using Ref = std::shared_ptr<Object>;

// An object of the kind, with one member set; none when `budget` has run out (a platform out of
// memory).
template <typename Member, typename Value>
Ref object(Kind kind, Member Object::*member = nullptr, Value&& value = 0, int* budget = nullptr) {
    if (budget && (*budget)-- <= 0)
        return nullptr;
    auto made = std::make_shared<Object>();
    made->kind = kind;
    if (member)
        made.get()->*member = std::forward<Value>(value);
    return made;
}
Ref object(Kind kind) {
    return object<bool>(kind, nullptr, false);
}

struct Source {
    using Node = const Object*;
    Kind kind(Node n) const { return n->kind; }
    qsizetype size(Node n) const {
        switch (n->kind) {
        case Kind::Text:
            return n->text.size();
        case Kind::Data:
            return n->data.size();
        case Kind::Array:
            return qsizetype(n->elements.size());
        default:
            return qsizetype(n->entries.size());
        }
    }
    QString text(Node n) const { return n->text; }
    std::optional<qint64> integer(Node n) const { return n->integer; }
    double real(Node n) const { return n->number; }
    bool boolean(Node n) const { return n->boolean; }
    double dateSeconds(Node n) const { return n->number; }
    QByteArray data(Node n) const { return n->data; }
    std::vector<Node> elements(Node n) const {
        std::vector<Node> out;
        for (const Ref& e : n->elements)
            out.push_back(e.get());
        return out;
    }
    std::vector<std::pair<Node, Node>> entries(Node n) const {
        std::vector<std::pair<Node, Node>> out;
        for (const auto& [k, v] : n->entries)
            out.emplace_back(k.get(), v.get());
        return out;
    }
};

struct Sink {
    using Node = Ref;
    int budget = std::numeric_limits<int>::max();
    Ref text(const QString& v) { return object(Kind::Text, &Object::text, v, &budget); }
    Ref integer(qint64 v) { return object(Kind::Integer, &Object::integer, v, &budget); }
    Ref real(double v) { return object(Kind::Real, &Object::number, v, &budget); }
    Ref boolean(bool v) { return object(Kind::Boolean, &Object::boolean, v, &budget); }
    Ref date(double seconds) { return object(Kind::Date, &Object::number, seconds, &budget); }
    Ref data(const QByteArray& v) { return object(Kind::Data, &Object::data, v, &budget); }
    Ref array(std::vector<Ref>& v) { return object(Kind::Array, &Object::elements, std::move(v), &budget); }
    Ref dictionary(std::vector<std::pair<Ref, Ref>>& v) {
        return object(Kind::Dictionary, &Object::entries, std::move(v), &budget);
    }
};

QVariant date(const char* text) {
    return QDateTime::fromString(QLatin1String(text), Qt::ISODateWithMs);
}

QVariant nestedLists(int depth) {
    QVariant value = QVariantList{};
    for (int i = 0; i < depth; ++i)
        value = QVariantList{value};
    return value;
}

brisquel::vexo::Expected<QVariant> readBack(const Ref& tree) {
    return PropertyListTree::read(Source{}, tree.get(), u"The value"_s);
}

TEST(PropertyListTree, EveryKindComesBackAsTheKindTheLinuxFilesGive) {
    const qint64 smallest = std::numeric_limits<qint64>::min();
    const qint64 largest = std::numeric_limits<qint64>::max();
    const struct {
        QVariant value;
        QVariant expected;
    } rows[]{
        {u"Grüße — 📷"_s, u"Grüße — 📷"_s},
        {QString(), QString()},
        {true, true},
        {0.1, 0.1},
        {1.5f, 1.5},
        {QByteArray("\0a\xff", 3), QByteArray("\0a\xff", 3)},
        {42, QVariant::fromValue<qint64>(42)},
        {smallest, smallest},
        {largest, largest},
        {quint64(5), QVariant::fromValue<qint64>(5)},
        {quint64(largest), largest},
        {date("2023-05-17T08:09:10.123Z"), date("2023-05-17T08:09:10.123Z")},
        {date("1901-01-01T00:00:00.001Z"), date("1901-01-01T00:00:00.001Z")},
        {QStringList{u"a"_s, u"b"_s}, QVariantList{u"a"_s, u"b"_s}},
        {QVariantHash{{u"k"_s, 1}}, QVariantMap{{u"k"_s, qint64(1)}}},
        {QVariantList{1, QVariantMap{{u"x"_s, QVariantList{}}}, QVariantMap{}},
         QVariantList{qint64(1), QVariantMap{{u"x"_s, QVariantList{}}}, QVariantMap{}}},
        {nestedLists(brisquel::vexo::limits::kPropertyListDepth),
         nestedLists(brisquel::vexo::limits::kPropertyListDepth)},
    };
    for (const auto& [value, expected] : rows) {
        SCOPED_TRACE(value.toString().toStdString() + " " + value.metaType().name());
        Sink sink;
        brisquel::vexo::Expected<Ref> tree = PropertyListTree::make(sink, value);
        ASSERT_TRUE(tree) << tree.result().message().toStdString();
        const brisquel::vexo::Expected<QVariant> back = readBack(*tree);
        ASSERT_TRUE(back) << back.result().message().toStdString();
        // Kinds as well as values: QVariant equality alone would let a number pass for another.
        EXPECT_EQ(back->typeId(), expected.typeId());
        EXPECT_EQ(*back, expected);
        if (expected.typeId() == QMetaType::QDateTime) {
            EXPECT_EQ(back->toDateTime().timeSpec(), Qt::UTC);
        }
    }
}

TEST(PropertyListTree, AValueWithoutAFormHereIsRefusedWithItsReason) {
    QVariantMap nulKey{{QString::fromUtf16(u"a\0b", 3), 1}};
    const struct {
        const char* name;
        QVariant value;
        Status status;
        const char* words;
        int budget = std::numeric_limits<int>::max();
    } rows[]{
        {"unsigned above the signed range", QVariant::fromValue(quint64(1) << 63), Status::Refused,
         "9223372036854775808 is above 9223372036854775807"},
        {"largest unsigned", QVariant::fromValue(std::numeric_limits<quint64>::max()), Status::Refused,
         "18446744073709551615"},
        {"text with a NUL", QString::fromUtf16(u"a\0b", 3), Status::Refused, "a text holds a NUL"},
        {"broken UTF-16", QString(QChar(0xD800)), Status::Refused, "not valid UTF-16"},
        {"key with a NUL", nulKey, Status::Refused, "a dictionary key holds a NUL"},
        {"deep inside a list", QVariantList{1, QVariantList{QVariant::fromValue(quint64(1) << 63)}},
         Status::Refused, "above"},
        {"date not valid", QDateTime(), Status::Refused, "date that is not valid"},
        {"other kind", QSize(1, 2), Status::Refused, "the kind QSize"},
        {"no value", QVariant(), Status::Refused, "holds no value"},
        {"too deep", nestedLists(brisquel::vexo::limits::kPropertyListDepth + 1), Status::Refused,
         "more than 128 levels deep"},
        {"platform out of memory", QVariantList{1, 2}, Status::NotStored, "could not make", 2},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Sink sink{row.budget};
        const brisquel::vexo::Expected<Ref> tree = PropertyListTree::make(sink, row.value);
        ASSERT_FALSE(tree);
        EXPECT_EQ(tree.result().status(), row.status);
        EXPECT_TRUE(tree.result().message().contains(QLatin1String(row.words)))
            << tree.result().message().toStdString();
    }
}

TEST(PropertyListTree, AReadBeyondTheBoundsOrOfNoKindFailsWithItsReason) {
    const auto integer = [](std::optional<qint64> v) { return object(Kind::Integer, &Object::integer, v); };
    const auto dateAt = [](double seconds) { return object(Kind::Date, &Object::number, seconds); };
    const auto arrayOf = [](const Ref& element, size_t count) {
        return object(Kind::Array, &Object::elements, std::vector<Ref>(count, element));
    };
    Ref numberKey = object(Kind::Dictionary);
    numberKey->entries.emplace_back(integer(1), integer(2));
    const Ref megabyte = object(Kind::Data, &Object::data, QByteArray(1 << 20, 'x'));
    Ref deep = object(Kind::Array);
    for (int i = 0; i <= brisquel::vexo::limits::kPropertyListDepth; ++i)
        deep = arrayOf(deep, 1);

    const struct {
        const char* name;
        Ref tree;
        Status status;
        const char* words;
    } rows[]{
        {"integer beyond 64 bits", integer(std::nullopt), Status::TooLarge,
         "outside the signed 64-bit range"},
        {"date not a number", dateAt(std::numeric_limits<double>::quiet_NaN()), Status::Malformed, "date"},
        {"date past any calendar", dateAt(1e15), Status::Malformed, "date"},
        {"object of no kind", object(Kind::Other), Status::Malformed, "no property-list kind"},
        {"key that is not text", numberKey, Status::Malformed, "key that is not text"},
        {"one object named too often", arrayOf(integer(1), 500'001), Status::TooLarge,
         "more than 500000 values"},
        {"data too large in all", arrayOf(megabyte, 129), Status::TooLarge, "bytes of text and data"},
        {"too deep", deep, Status::TooLarge, "more than 128 levels deep"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const brisquel::vexo::Expected<QVariant> value = readBack(row.tree);
        ASSERT_FALSE(value);
        EXPECT_EQ(value.result().status(), row.status);
        EXPECT_TRUE(value.result().message().startsWith(QLatin1String("The value ")))
            << value.result().message().toStdString();
        EXPECT_TRUE(value.result().message().contains(QLatin1String(row.words)))
            << value.result().message().toStdString();
    }
}

} // namespace
