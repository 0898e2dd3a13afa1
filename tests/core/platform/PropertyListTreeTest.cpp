#include "core/platform/PropertyListTree.h"

#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>

using namespace Qt::Literals::StringLiterals;
using brisquel::PropertyListTree;
using Kind = brisquel::PropertyListTree::Kind;
using brisquel::vexo::Status;

namespace {

// A tree of the tests' own, standing for a platform's property-list objects: a leaf's value (an
// integer without one is beyond 64 bits; a date is its seconds), or a container's children.
struct Object;
using Ref = std::shared_ptr<Object>;
struct Object {
    Kind kind;
    QVariant value;
    std::vector<Ref> elements;
    std::vector<std::pair<Ref, Ref>> entries;
};
Ref leaf(Kind kind, const QVariant& value = {}) {
    return std::make_shared<Object>(Object{kind, value, {}, {}});
}

struct Source {
    using Node = const Object*;
    Kind kind(Node n) const { return n->kind; }
    qsizetype size(Node n) const {
        return n->kind == Kind::Array        ? qsizetype(n->elements.size())
               : n->kind == Kind::Dictionary ? qsizetype(n->entries.size())
               : n->kind == Kind::Data       ? n->value.toByteArray().size()
                                             : n->value.toString().size();
    }
    QString text(Node n) const { return n->value.toString(); }
    std::optional<qint64> integer(Node n) const {
        return n->value.isValid() ? std::optional(n->value.toLongLong()) : std::nullopt;
    }
    double real(Node n) const { return n->value.toDouble(); }
    bool boolean(Node n) const { return n->value.toBool(); }
    double dateSeconds(Node n) const { return n->value.toDouble(); }
    QByteArray data(Node n) const { return n->value.toByteArray(); }
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

Ref arrayOf(const Ref& element, size_t count) {
    return std::make_shared<Object>(Object{Kind::Array, {}, std::vector<Ref>(count, element), {}});
}

// What a platform's objects hold comes back as its kind (and a value is made of its kind) through
// the preferences contract on the back-ends that use the tree; what another program may have stored
// there is bounded here.
TEST(PropertyListTree, AReadBeyondTheBoundsOrOfNoKindFailsWithItsReason) {
    Ref numberKey = leaf(Kind::Dictionary);
    numberKey->entries.emplace_back(leaf(Kind::Integer, 1), leaf(Kind::Integer, 2));
    Ref deep = leaf(Kind::Array);
    for (int i = 0; i <= brisquel::vexo::limits::kPropertyListDepth; ++i)
        deep = arrayOf(deep, 1);
    const struct {
        const char* name;
        Ref tree;
        Status status;
        const char* words;
    } rows[]{
        {"integer beyond 64 bits", leaf(Kind::Integer), Status::TooLarge, "outside the signed 64-bit range"},
        {"date not a number", leaf(Kind::Date, std::numeric_limits<double>::quiet_NaN()), Status::Malformed,
         "date"},
        {"date past any calendar", leaf(Kind::Date, 1e15), Status::Malformed, "date"},
        {"object of no kind", leaf(Kind::Other), Status::Malformed, "no property-list kind"},
        {"key that is not text", numberKey, Status::Malformed, "key that is not text"},
        {"one object named too often", arrayOf(leaf(Kind::Integer, 1), 500'001), Status::TooLarge,
         "more than 500000 values"},
        {"data too large in all", arrayOf(leaf(Kind::Data, QByteArray(1 << 20, 'x')), 129), Status::TooLarge,
         "bytes of text and data"},
        {"too deep", deep, Status::TooLarge, "more than 128 levels deep"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const brisquel::vexo::Expected<QVariant> value =
            PropertyListTree::read(Source{}, row.tree.get(), u"It"_s);
        ASSERT_FALSE(value);
        EXPECT_EQ(value.result().status(), row.status);
        EXPECT_TRUE(value.result().message().startsWith(u"It "_s)) << value.result().message().toStdString();
        EXPECT_TRUE(value.result().message().contains(QLatin1String(row.words)))
            << value.result().message().toStdString();
    }
}

} // namespace
