#include "core/platform/PropertyListTree.h"

#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

#include <memory>

using namespace Qt::Literals::StringLiterals;
using brisquel::PropertyListTree;
using Kind = brisquel::PropertyListTree::Kind;
using brisquel::vexo::Status;

namespace {

// A tree of the tests' own, standing for a platform's property-list objects: a leaf's value (an
// integer without one is beyond 64 bits; a date is its seconds), or a container's children (a
// dictionary's keys and values in turn).
struct Object;
using Ref = std::shared_ptr<const Object>;
struct Object {
    Kind kind;
    QVariant value;
    std::vector<Ref> children;
};
Ref make(Kind kind, const QVariant& value = {}, std::vector<Ref> children = {}) {
    return std::make_shared<const Object>(Object{kind, value, std::move(children)});
}

struct Source {
    using Node = const Object*;
    Kind kind(Node n) const { return n->kind; }
    qsizetype size(Node n) const {
        const auto count = qsizetype(n->children.size());
        return n->kind == Kind::Array        ? count
               : n->kind == Kind::Dictionary ? count / 2
                                             : n->value.toByteArray().size();
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
        for (const Ref& child : n->children)
            out.push_back(child.get());
        return out;
    }
    std::vector<std::pair<Node, Node>> entries(Node n) const {
        std::vector<std::pair<Node, Node>> out;
        for (size_t i = 0; i + 1 < n->children.size(); i += 2)
            out.emplace_back(n->children[i].get(), n->children[i + 1].get());
        return out;
    }
};

Ref arrayOf(const Ref& element, size_t count) {
    return make(Kind::Array, {}, std::vector<Ref>(count, element));
}

// What a platform's objects hold comes back as its kind (and a value is made of its kind) through
// the preferences contract on the back-ends that use the tree; what another program may have stored
// there is bounded here.
TEST(PropertyListTree, AReadBeyondTheBoundsOrOfNoKindFailsWithItsReason) {
    Ref deep = make(Kind::Array);
    for (int i = 0; i <= brisquel::vexo::limits::kPropertyListDepth; ++i)
        deep = arrayOf(deep, 1);
    const struct {
        const char* name;
        Ref tree;
        Status status;
        const char* words;
    } rows[]{
        {"integer beyond 64 bits", make(Kind::Integer), Status::TooLarge, "outside the signed 64-bit range"},
        {"date past any calendar", make(Kind::Date, 1e15), Status::Malformed, "date"},
        {"object of no kind", make(Kind::Other), Status::Malformed, "no property-list kind"},
        {"key that is not text", make(Kind::Dictionary, {}, {make(Kind::Integer, 1), make(Kind::Integer, 2)}),
         Status::Malformed, "key that is not text"},
        {"one object named too often", arrayOf(make(Kind::Integer, 1), 500'001), Status::TooLarge,
         "more than 500000 values"},
        {"data too large in all", arrayOf(make(Kind::Data, QByteArray(1 << 20, 'x')), 129), Status::TooLarge,
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
