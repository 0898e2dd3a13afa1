#include "VexoExtensions/TreeItem.h"

#include <QStringList>
#include <gtest/gtest.h>

using namespace brisquel::vexo;

namespace {

using Node = TreeItem<QString>;

QString S(const char* text) {
    return QString::fromUtf8(text);
}

QStringList objects(const std::vector<Node::Ptr>& nodes) {
    QStringList result;
    for (const auto& node : nodes)
        result.append(node->object);
    return result;
}

// root -> A (-> C), B
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

// Counts live values, to see nodes freed.
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

// Every test ends with every node freed (also checked by LeakSanitizer in the sanitizer build).
class TreeItemLifetime : public testing::Test {
protected:
    void SetUp() override { Counted::alive = 0; }
    void TearDown() override { EXPECT_EQ(Counted::alive, 0) << "nodes outlived every outside reference"; }

    // 1 -> 2 (-> 4, 5), 3
    static CNode::Ptr fiveNodes() {
        auto root = CNode::make(Counted(1));
        root->addChildren(std::vector<Counted>{Counted(2), Counted(3)});
        root->childAt(0)->addChildren(std::vector<Counted>{Counted(4), Counted(5)});
        return root;
    }
};

} // namespace

TEST(TreeItemShape, FlatChildrenArePreOrderAndDepthCounts) {
    SmallTree t;
    EXPECT_EQ(objects(t.root->flatChildren()), (QStringList{S("A"), S("C"), S("B")}));
    EXPECT_EQ(t.c->depth(), 2);
    EXPECT_TRUE(t.b->isLeaf() && !t.root->isLeaf());
    // Search finds the first descendant in pre-order, never the node itself.
    t.b->addChildren({Node::make(S("A"))});
    EXPECT_EQ(t.root->search(S("A")), t.a);
    EXPECT_FALSE(t.root->search(S("R")));
    // Added to another parent, a node takes it as its parent and stays in the old list.
    t.b->addChildren({t.c});
    EXPECT_EQ(t.c->parent(), t.b);
    EXPECT_EQ(objects(t.a->children()), QStringList{S("C")});
}

TEST(TreeItemInsert, AtAPositionInOrderClampedOrAppended) {
    const std::vector<std::pair<std::optional<std::ptrdiff_t>, QStringList>> cases = {
        {1, {S("A"), S("X"), S("Y"), S("B")}},
        {10, {S("A"), S("B"), S("X"), S("Y")}},
        {std::nullopt, {S("A"), S("B"), S("X"), S("Y")}},
        {-3, {S("X"), S("Y"), S("A"), S("B")}}, // a negative position counts as 0
    };
    for (const auto& [at, expected] : cases) {
        const auto p = Node::make(S("P"));
        p->addChildren(std::vector<QString>{S("A"), S("B")});
        p->addChildren(std::vector<QString>{S("X"), S("Y")}, at);
        EXPECT_EQ(objects(p->children()), expected) << at.value_or(-99);
        for (const auto& child : p->children())
            EXPECT_EQ(child->parent(), p);
    }
}

TEST(TreeItemInsert, NullNodesAreRefusedWithoutChange) {
    SmallTree t;
    EXPECT_THROW(t.root->addChildren({t.c, nullptr}), std::invalid_argument);
    EXPECT_THROW(t.root->removeChildren({nullptr}), std::invalid_argument);
    EXPECT_THROW(t.root->setChildren({nullptr}), std::invalid_argument);
    EXPECT_EQ(objects(t.root->children()), (QStringList{S("A"), S("B")}));
}

TEST(TreeItemRemove, UnlinksTheNodeActuallyRemovedPreferringTheVeryNode) {
    SmallTree t;
    t.root->removeChildren({Node::make(S("B")), Node::make(S("missing"))}); // a lookalike removes B
    EXPECT_EQ(objects(t.root->children()), QStringList{S("A")});
    EXPECT_FALSE(t.b->parent());
    t.root->removeChildren({t.a});
    EXPECT_FALSE(t.a->parent());
    EXPECT_EQ(t.c->depth(), 1);

    const auto first = Node::make(S("x"));
    const auto second = Node::make(S("x"));
    t.root->addChildren({first, second});
    t.root->removeChildren({second});
    EXPECT_EQ(t.root->children(), (std::vector<Node::Ptr>{first}));
    EXPECT_EQ(first->parent(), t.root);
    EXPECT_FALSE(second->parent());
}

TEST_F(TreeItemLifetime, AnyHeldNodeKeepsTheWholeTreeUntilItIsDropped) {
    for (int held : {1, 5, 3}) {
        auto root = fiveNodes();
        CNode::Ptr node = held == 1 ? root : root->search(Counted(held));
        ASSERT_TRUE(node);
        root.reset();
        EXPECT_EQ(Counted::alive, 5) << held;
        CNode::Ptr top = node;
        while (top->parent())
            top = top->parent();
        EXPECT_EQ(top->flatChildren().size(), 4U);
        top.reset();
        node.reset();
        EXPECT_EQ(Counted::alive, 0) << held;
    }
}

TEST_F(TreeItemLifetime, DeepTreeIsWalkedAndFreedWithoutRecursion) {
    std::vector<CNode::Ptr> chain{CNode::make(Counted(0))};
    for (int i = 1; i < 100000; ++i) {
        chain.push_back(CNode::make(Counted(i)));
        chain[chain.size() - 2]->addChildren({chain.back()});
    }
    EXPECT_EQ(chain.back()->depth(), 99999);
    EXPECT_EQ(chain.front()->flatChildren().size(), 99999U);
}

TEST(TreeItemCoding, EncodedFormHasObjectAndChildrenOnlyAndDecodesWithoutParents) {
    SmallTree t;
    const nlohmann::json encoded = t.root;
    EXPECT_EQ(encoded, nlohmann::json::parse(R"({"object":"R","children":[
        {"object":"A","children":[{"object":"C","children":[]}]},
        {"object":"B","children":[]}]})"));
    const auto decoded = encoded.get<Node::Ptr>();
    EXPECT_EQ(nlohmann::json(decoded), encoded);
    EXPECT_FALSE(decoded->childAt(0)->parent());
}

TEST_F(TreeItemLifetime, CyclesAreReportedNotLoopedOnAndFreed) {
    const auto a = CNode::make(Counted(1));
    const auto b = CNode::make(Counted(2));
    a->addChildren({b});
    b->addChildren({a});
    EXPECT_THROW(a->flatChildren(), std::logic_error);
    EXPECT_THROW(a->depth(), std::logic_error);
}

TEST(TreeItemCoding, CircularIncompleteOrTooDeepTreesThrowInsteadOfOverflowing) {
    const auto a = Node::make(S("a"));
    a->addChildren({Node::make(S("b"))});
    a->childAt(0)->addChildren({a});
    EXPECT_THROW(nlohmann::json{a}, std::length_error);
    a->childAt(0)->setChildren({});
    EXPECT_THROW(nlohmann::json::parse(R"({"object":"x"})").get<Node::Ptr>(), nlohmann::json::out_of_range);

    std::string deep;
    for (int i = 0; i < 3000; ++i)
        deep += R"({"object":"n","children":[)";
    deep += R"({"object":"leaf","children":[]})";
    for (int i = 0; i < 3000; ++i)
        deep += "]}";
    EXPECT_THROW(nlohmann::json::parse(deep).get<Node::Ptr>(), std::length_error);
}
