#include "VexoExtensions/TreeItem.h"

#include <gtest/gtest.h>

using namespace brisquel::vexo;

namespace {

using Node = TreeItem<QString>;

QString S(const char* text) {
    return QString::fromUtf8(text);
}

struct SmallTree {
    Node::Ptr root = Node::make(S("R"));
    Node::Ptr a = Node::make(S("A"));
    Node::Ptr b = Node::make(S("B"));
    Node::Ptr c = Node::make(S("C"));
    SmallTree() {
        root->addChildren({a, b});
        a->addChildren({c});
    }
};

struct Counted {
    static inline int alive = 0;
    int id = 0;
    explicit Counted(int i = 0) : id(i) { ++alive; }
    Counted(const Counted& other) : id(other.id) { ++alive; }
    Counted& operator=(const Counted&) = default;
    ~Counted() { --alive; }
    friend bool operator==(const Counted& a, const Counted& b) { return a.id == b.id; }
};
using CNode = TreeItem<Counted>;

// Every test ends with every node freed.
class TreeItemLifetime : public testing::Test {
protected:
    void SetUp() override { Counted::alive = 0; }
    void TearDown() override { EXPECT_EQ(Counted::alive, 0) << "nodes outlived every outside reference"; }

    static CNode::Ptr fiveNodes() {
        auto root = CNode::make(Counted(1));
        root->addChildren(std::vector<Counted>{Counted(2), Counted(3)});
        root->childAt(0)->addChildren(std::vector<Counted>{Counted(4), Counted(5)});
        return root;
    }
};

} // namespace

// A held node keeps its tree; a cycle is reported, not looped on, and freed; a deep tree is walked
// and freed without recursion.
TEST_F(TreeItemLifetime, HeldNodesCyclesAndDeepTrees) {
    for (int held : {1, 5, 3}) {
        auto root = fiveNodes();
        CNode::Ptr node = held == 1 ? root : root->search(Counted(held));
        ASSERT_TRUE(node);
        root.reset();
        EXPECT_EQ(Counted::alive, 5) << held;
        node.reset();
        EXPECT_EQ(Counted::alive, 0) << held;
    }
    const auto a = CNode::make(Counted(1));
    const auto b = CNode::make(Counted(2));
    a->addChildren({b});
    b->addChildren({a});
    EXPECT_THROW(a->flatChildren(), std::logic_error);
    EXPECT_THROW(a->depth(), std::logic_error);

    std::vector<CNode::Ptr> chain{CNode::make(Counted(0))};
    for (int i = 1; i < 100000; ++i) {
        chain.push_back(CNode::make(Counted(i)));
        chain[chain.size() - 2]->addChildren({chain.back()});
    }
    EXPECT_EQ(chain.back()->depth(), 99999);
    EXPECT_EQ(chain.front()->flatChildren().size(), 99999U);
}

// Null nodes are refused and leave the tree as it was. The encoded form has the object and the
// children only, and decodes without parents; a circular, incomplete or too deep tree throws instead
// of overflowing.
TEST(TreeItemCoding, EncodedFormAndTreesThatCannotBeBuiltOrCoded) {
    SmallTree t;
    EXPECT_THROW(t.root->addChildren({t.c, nullptr}), std::invalid_argument);
    EXPECT_THROW(t.root->setChildren({nullptr}), std::invalid_argument);
    const nlohmann::json encoded = t.root;
    EXPECT_EQ(encoded, nlohmann::json::parse(R"({"object":"R","children":[
        {"object":"A","children":[{"object":"C","children":[]}]}, {"object":"B","children":[]}]})"));
    const Node::Ptr decoded = encoded.get<Node::Ptr>();
    EXPECT_EQ(nlohmann::json(decoded), encoded);
    EXPECT_FALSE(decoded->childAt(0)->parent()); // no node knows its parent
    t.c->addChildren({t.root});
    EXPECT_THROW(nlohmann::json{t.root}, std::length_error);
    t.c->setChildren({});
    EXPECT_THROW(nlohmann::json::parse(R"({"object":"x"})").get<Node::Ptr>(), nlohmann::json::out_of_range);
    const QByteArray deep = QByteArray(R"({"object":"n","children":[)").repeated(3000) +
                            R"({"object":"leaf","children":[]})" + QByteArray("]}").repeated(3000);
    EXPECT_THROW(nlohmann::json::parse(deep.toStdString()).get<Node::Ptr>(), std::length_error);
}
