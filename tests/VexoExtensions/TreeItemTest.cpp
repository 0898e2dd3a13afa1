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

// Counts live instances, to see nodes (and their objects) freed.
struct Counted {
    static inline int alive = 0;
    int id = 0;
    explicit Counted(int i = 0) : id(i) { ++alive; }
    Counted(const Counted& other) : id(other.id) { ++alive; }
    Counted& operator=(const Counted&) = default;
    ~Counted() { --alive; }
    friend bool operator==(const Counted& a, const Counted& b) { return a.id == b.id; }
};

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

} // namespace

// --- shape ---------------------------------------------------------------------------------------

TEST(TreeItemShape, NewNodeIsALeafAtDepthZero) {
    const auto node = Node::make(S("x"));
    EXPECT_EQ(node->object, S("x"));
    EXPECT_FALSE(node->parent());
    EXPECT_TRUE(node->isLeaf());
    EXPECT_EQ(node->depth(), 0);
}

TEST(TreeItemShape, FlatChildrenArePreOrderAndDepthCounts) {
    SmallTree t;
    EXPECT_EQ(objects(t.root->flatChildren()), (QStringList{S("A"), S("C"), S("B")}));
    EXPECT_EQ(t.c->depth(), 2);
    EXPECT_EQ(t.c->parent(), t.a);
    EXPECT_FALSE(t.root->isLeaf());
}

TEST(TreeItemShape, SearchFindsDescendantsButNotItself) {
    SmallTree t;
    EXPECT_EQ(t.root->child(S("C")), t.c);
    EXPECT_EQ(t.root->search(S("B")), t.b);
    EXPECT_FALSE(t.root->search(S("R")));
    EXPECT_FALSE(t.root->search(S("missing")));
    // The first in pre-order wins.
    const auto secondC = Node::make(S("C"));
    t.b->addChildren({secondC});
    EXPECT_EQ(t.root->search(S("C")), t.c);
}

TEST(TreeItemShape, Description) {
    SmallTree t;
    EXPECT_EQ(t.root->description(), S("<TreeItem R 0>"));
    EXPECT_EQ(t.c->description(), S("<TreeItem C 2>"));
    EXPECT_EQ(TreeItem<int>::make(42)->description(), S("<TreeItem 42 0>"));
}

TEST(TreeItemShape, EqualityAndOrderAreTheObjects) {
    const auto x1 = Node::make(S("x"));
    const auto x2 = Node::make(S("x"));
    const auto y = Node::make(S("y"));
    EXPECT_TRUE(*x1 == *x2);
    EXPECT_FALSE(x1 == x2); // different nodes
    EXPECT_TRUE(*x1 < *y);
    EXPECT_TRUE(*x1 <= *x2);
    EXPECT_TRUE(*y > *x1);
    EXPECT_TRUE(*y >= *y);
}

// --- inserting and removing ----------------------------------------------------------------------

TEST(TreeItemInsert, AtAPositionInOrderClampedOrAppended) {
    auto make = [] {
        auto n = Node::make(S("P"));
        n->addChildren(std::vector<QString>{S("A"), S("B")});
        return n;
    };
    auto p = make();
    p->addChildren(std::vector<QString>{S("X"), S("Y")}, 1);
    EXPECT_EQ(objects(p->children()), (QStringList{S("A"), S("X"), S("Y"), S("B")}));
    p = make();
    p->addChildren(std::vector<QString>{S("X"), S("Y")}, 10);
    EXPECT_EQ(objects(p->children()), (QStringList{S("A"), S("B"), S("X"), S("Y")}));
    p = make();
    p->addChildren(std::vector<QString>{S("X"), S("Y")});
    EXPECT_EQ(objects(p->children()), (QStringList{S("A"), S("B"), S("X"), S("Y")}));
    p = make();
    p->addChildren(std::vector<QString>{S("X")}, -3); // a negative position counts as 0
    EXPECT_EQ(objects(p->children()), (QStringList{S("X"), S("A"), S("B")}));
    for (const auto& child : p->children())
        EXPECT_EQ(child->parent(), p);
}

TEST(TreeItemInsert, EqualValueKeepsItsParentLink) {
    const auto p = Node::make(S("same"));
    const auto twin = Node::make(S("same"));
    p->addChildren({twin});
    EXPECT_EQ(p->childCount(), 1U);
    EXPECT_FALSE(twin->parent());
}

TEST(TreeItemInsert, MovingToAnotherParentLeavesTheOldList) {
    SmallTree t;
    t.b->addChildren({t.c});
    EXPECT_EQ(t.c->parent(), t.b);
    EXPECT_EQ(objects(t.a->children()), QStringList{S("C")});
}

TEST(TreeItemRemove, RemovesTheNodeAndClearsItsParent) {
    SmallTree t;
    t.root->removeChildren({t.a});
    EXPECT_EQ(objects(t.root->children()), QStringList{S("B")});
    EXPECT_FALSE(t.a->parent());
    EXPECT_EQ(t.c->depth(), 1);
    t.root->removeChildren({Node::make(S("missing"))}); // nothing happens
    EXPECT_EQ(t.root->childCount(), 1U);
}

TEST(TreeItemRemove, EqualValueRemovesTheFirstEqualChildAndUnlinksIt) {
    SmallTree t;
    const auto lookalike = Node::make(S("B"));
    t.root->removeChildren({lookalike});
    EXPECT_EQ(objects(t.root->children()), QStringList{S("A")});
    EXPECT_FALSE(t.b->parent()); // the node actually removed no longer claims the old parent
}

TEST(TreeItemRemove, PrefersTheVeryNodeOverAnEarlierEqualOne) {
    const auto p = Node::make(S("P"));
    const auto first = Node::make(S("x"));
    const auto second = Node::make(S("x"));
    p->addChildren({first, second});
    p->removeChildren({second});
    ASSERT_EQ(p->childCount(), 1U);
    EXPECT_EQ(p->childAt(0), first);
    EXPECT_EQ(first->parent(), p);
}

TEST(TreeItemShape, CyclesAreReportedNotLoopedOn) {
    const auto a = Node::make(S("a"));
    const auto b = Node::make(S("b"));
    a->addChildren({b});
    b->addChildren({a});
    EXPECT_THROW(a->flatChildren(), std::logic_error);
    EXPECT_THROW(a->depth(), std::logic_error);
    b->removeChildren({a});
}

// --- lifetime ------------------------------------------------------------------------------------

TEST(TreeItemLifetime, HoldingALeafKeepsTheWholeAncestry) {
    Node::Ptr leaf;
    {
        SmallTree t;
        leaf = t.c;
    }
    ASSERT_TRUE(leaf->parent());
    EXPECT_EQ(leaf->parent()->object, S("A"));
    EXPECT_EQ(leaf->parent()->parent()->object, S("R"));
    EXPECT_EQ(leaf->depth(), 2);
    EXPECT_EQ(objects(leaf->parent()->parent()->flatChildren()), (QStringList{S("A"), S("C"), S("B")}));
}

TEST(TreeItemLifetime, DroppingTheLastReferenceFreesTheWholeTree) {
    Counted::alive = 0;
    {
        auto root = TreeItem<Counted>::make(Counted(0));
        std::vector<TreeItem<Counted>::Ptr> level{root};
        int id = 1;
        for (int depth = 0; depth < 4; ++depth) {
            std::vector<TreeItem<Counted>::Ptr> next;
            for (const auto& node : level) {
                node->addChildren(std::vector<Counted>{Counted(id), Counted(id + 1), Counted(id + 2)});
                id += 3;
                for (const auto& child : node->children())
                    next.push_back(child);
            }
            level = std::move(next);
        }
        EXPECT_EQ(Counted::alive, 1 + 3 + 9 + 27 + 81);
        level.clear();
        EXPECT_EQ(Counted::alive, 121); // the root still holds everything
    }
    EXPECT_EQ(Counted::alive, 0);
}

TEST(TreeItemLifetime, FreedFromAnyLastHolder) {
    Counted::alive = 0;
    {
        TreeItem<Counted>::Ptr leaf;
        {
            auto root = TreeItem<Counted>::make(Counted(1));
            root->addChildren(std::vector<Counted>{Counted(2), Counted(3)});
            leaf = root->childAt(1);
        }
        EXPECT_EQ(Counted::alive, 3);
    }
    EXPECT_EQ(Counted::alive, 0);
}

TEST(TreeItemLifetime, RemovedSubtreeIsFreedWhenNothingHoldsIt) {
    Counted::alive = 0;
    auto root = TreeItem<Counted>::make(Counted(1));
    root->addChildren(std::vector<Counted>{Counted(2), Counted(3)});
    root->childAt(0)->addChildren(std::vector<Counted>{Counted(4)});
    EXPECT_EQ(Counted::alive, 4);
    root->removeChildren({root->childAt(0)});
    EXPECT_EQ(Counted::alive, 2);
    root->setChildren({});
    EXPECT_EQ(Counted::alive, 1);
    root.reset();
    EXPECT_EQ(Counted::alive, 0);
}

TEST(TreeItemLifetime, NodeListedUnderTwoParentsStaysWhileEitherReachesIt) {
    Counted::alive = 0;
    {
        auto first = TreeItem<Counted>::make(Counted(1));
        auto second = TreeItem<Counted>::make(Counted(2));
        auto shared = TreeItem<Counted>::make(Counted(3));
        first->addChildren({shared});
        second->addChildren({shared}); // now shared's parent is second; first still lists it
        shared.reset();
        second.reset(); // first -> shared -> second: all reachable from first
        EXPECT_EQ(Counted::alive, 3);
        EXPECT_EQ(first->childAt(0)->parent()->object.id, 2);
    }
    EXPECT_EQ(Counted::alive, 0);
}

TEST(TreeItemLifetime, ReparentingFreesAnUnreachableOldParent) {
    Counted::alive = 0;
    auto child = TreeItem<Counted>::make(Counted(1));
    {
        auto parent = TreeItem<Counted>::make(Counted(2));
        parent->addChildren({child});
    }
    EXPECT_EQ(Counted::alive, 2); // the child's parent link keeps the parent
    child->setParent(nullptr);
    EXPECT_EQ(Counted::alive, 1);
    child.reset();
    EXPECT_EQ(Counted::alive, 0);
}

TEST(TreeItemLifetime, CycleOfChildrenIsFreedToo) {
    Counted::alive = 0;
    {
        auto a = TreeItem<Counted>::make(Counted(1));
        auto b = TreeItem<Counted>::make(Counted(2));
        a->addChildren({b});
        b->addChildren({a});
    }
    EXPECT_EQ(Counted::alive, 0);
}

TEST(TreeItemLifetime, DeepTreeIsFreedWithoutRecursion) {
    Counted::alive = 0;
    {
        std::vector<TreeItem<Counted>::Ptr> chain{TreeItem<Counted>::make(Counted(0))};
        for (int i = 1; i < 100000; ++i) {
            chain.push_back(TreeItem<Counted>::make(Counted(i)));
            chain[chain.size() - 2]->addChildren({chain.back()});
        }
        EXPECT_EQ(chain.back()->depth(), 99999);
        EXPECT_EQ(chain.front()->flatChildren().size(), 99999U);
    }
    EXPECT_EQ(Counted::alive, 0);
}

// --- encoded form ------------------------------------------------------------------------------

TEST(TreeItemCoding, EncodedFormHasObjectAndChildrenOnly) {
    SmallTree t;
    const nlohmann::json encoded = t.root;
    EXPECT_EQ(encoded, nlohmann::json::parse(R"({"object":"R","children":[
        {"object":"A","children":[{"object":"C","children":[]}]},
        {"object":"B","children":[]}]})"));
}

TEST(TreeItemCoding, RoundTripKeepsValuesAndOrderButNoParents) {
    SmallTree t;
    const nlohmann::json encoded = t.root;
    const auto decoded = encoded.get<Node::Ptr>();
    EXPECT_EQ(decoded->object, S("R"));
    EXPECT_EQ(objects(decoded->flatChildren()), (QStringList{S("A"), S("C"), S("B")}));
    for (const auto& node : decoded->flatChildren()) {
        EXPECT_FALSE(node->parent());
        EXPECT_EQ(node->depth(), 0);
    }
}

TEST(TreeItemCoding, ExtraKeysAreIgnoredMissingKeysThrow) {
    const auto decoded =
        nlohmann::json::parse(R"({"object":"x","children":[],"parent":"ignored"})").get<Node::Ptr>();
    EXPECT_EQ(decoded->object, S("x"));
    EXPECT_THROW(nlohmann::json::parse(R"({"object":"x"})").get<Node::Ptr>(), nlohmann::json::out_of_range);
    EXPECT_THROW(nlohmann::json::parse(R"({"object":3,"children":[]})").get<Node::Ptr>(),
                 nlohmann::json::type_error);
}

TEST(TreeItemCoding, TooDeepOrCircularTreesThrowInsteadOfOverflowing) {
    const auto a = Node::make(S("a"));
    const auto b = Node::make(S("b"));
    a->addChildren({b});
    b->addChildren({a});
    EXPECT_THROW(nlohmann::json{a}, std::length_error);
    b->removeChildren({a});

    std::string deep;
    for (int i = 0; i < 3000; ++i)
        deep += R"({"object":"n","children":[)";
    deep += R"({"object":"leaf","children":[]})";
    for (int i = 0; i < 3000; ++i)
        deep += "]}";
    EXPECT_THROW(nlohmann::json::parse(deep).get<Node::Ptr>(), std::length_error);
}

TEST(TreeItemInsert, NullNodesAreRefusedWithoutChange) {
    SmallTree t;
    EXPECT_THROW(t.root->addChildren({t.c, nullptr}), std::invalid_argument);
    EXPECT_THROW(t.root->removeChildren({nullptr}), std::invalid_argument);
    EXPECT_THROW(t.root->setChildren({nullptr}), std::invalid_argument);
    EXPECT_EQ(objects(t.root->children()), (QStringList{S("A"), S("B")}));
}
