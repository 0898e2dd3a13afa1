#pragma once

#include "VexoExtensions/QtJsonSerializers.h"

#include <QString>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <concepts>
#include <cstddef>
#include <memory>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <type_traits>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace brisquel::vexo {

// A node of a tree of T values, shared by reference: the tree is reached through
// std::shared_ptr<TreeItem<T>> (TreeItem<T>::Ptr).
//
// Lifetime: a node lives while anything refers to it, from outside (a Ptr) or from inside the tree
// (a child's parent link, a parent's children list). Holding any node therefore keeps its
// ancestors, and through them the whole tree, alive; when the last outside Ptr to a tree goes,
// the whole tree is freed, links in both directions notwithstanding. A node only links to nodes of
// its own T. A tree is not safe to use from two threads at once; distinct trees are independent.
// Letting go of the last outside reference to a node looks for another holder that still reaches
// it, first up its parent chain: cheap while an ancestor is held, up to the size of the node's
// reach when nothing is.
//
// parent, children and object can all be read and written; operations that take nodes throw
// std::invalid_argument for a null one and change nothing then. Equality of nodes (==) is equality of
// their objects; identity is the Ptr's.
template <typename T> class TreeItem final {
    static_assert(std::equality_comparable<T>, "TreeItem needs values that compare with ==");

public:
    using Ptr = std::shared_ptr<TreeItem>;

    // A node holding object, with no parent and no children.
    static Ptr make(T object) { return (new TreeItem(std::move(object)))->handle(); }

    T object;

    Ptr parent() const { return m_parent ? m_parent->handle() : nullptr; }
    // Sets the parent link only; the new parent's children are not changed.
    void setParent(const Ptr& parent) {
        if (m_parent == parent.get())
            return;
        // Held until the links are settled; letting go then frees the old parent if nothing else
        // reaches it.
        const Ptr old = m_parent ? m_parent->handle() : nullptr;
        if (parent)
            parent->addReferrer(this);
        if (m_parent)
            m_parent->removeReferrer(this);
        m_parent = parent.get();
    }

    std::vector<Ptr> children() const {
        std::vector<Ptr> result;
        result.reserve(m_children.size());
        for (TreeItem* child : m_children)
            result.push_back(child->handle());
        return result;
    }
    // Replaces the children list only; the nodes' parent links are not changed.
    void setChildren(const std::vector<Ptr>& children) {
        requireNodes(children);
        // The old children stay held until every link is settled; letting go of them then frees
        // those that nothing else reaches.
        std::vector<Ptr> old;
        old.reserve(m_children.size());
        for (TreeItem* child : m_children)
            old.push_back(child->handle());
        for (const Ptr& child : children)
            child->addReferrer(this);
        for (TreeItem* child : m_children)
            child->removeReferrer(this);
        m_children.clear();
        for (const Ptr& child : children)
            m_children.push_back(child.get());
    }
    std::size_t childCount() const { return m_children.size(); }
    // The child at index, or null when there is none.
    Ptr childAt(std::ptrdiff_t index) const {
        if (index < 0 || static_cast<std::size_t>(index) >= m_children.size())
            return nullptr;
        return m_children[static_cast<std::size_t>(index)]->handle();
    }

    // 0 without a parent, else the parent's depth + 1. Throws std::logic_error when the parent
    // links run in a circle.
    int depth() const {
        int depth = 0;
        const TreeItem* slow = this;
        for (const TreeItem* node = m_parent; node; node = node->m_parent) {
            ++depth;
            if (depth % 2 == 0)
                slow = slow->m_parent;
            if (node == slow)
                throw std::logic_error("TreeItem: the parent links form a cycle");
        }
        return depth;
    }
    bool isLeaf() const { return m_children.empty(); }

    // Every descendant in pre-order (a child, its own descendants, then the next child).
    // Throws std::logic_error when a node is among its own descendants.
    std::vector<Ptr> flatChildren() const {
        std::vector<Ptr> result;
        preorder([&](TreeItem* node) {
            result.push_back(node->handle());
            return false;
        });
        return result;
    }
    // The first descendant (in flatChildren order) whose object equals value; this node itself is
    // not considered. Null when there is none.
    Ptr search(const T& value) const {
        TreeItem* found = nullptr;
        preorder([&](TreeItem* node) {
            if (node->object == value)
                found = node;
            return found != nullptr;
        });
        return found ? found->handle() : nullptr;
    }
    // The same search as search(): over all descendants, not only the direct children.
    Ptr child(const T& value) const { return search(value); }

    // Inserts nodes in order: at the end, or from position at on (clamped to the number of
    // children; a negative position counts as 0), each after the one before. A node whose object
    // differs from this node's gets this node as its parent; one with an equal object is inserted
    // with its parent link untouched. A node that had another parent stays in that parent's list.
    void addChildren(const std::vector<Ptr>& nodes, std::optional<std::ptrdiff_t> at = std::nullopt) {
        requireNodes(nodes);
        std::optional<std::size_t> position;
        if (at)
            position = static_cast<std::size_t>(std::max<std::ptrdiff_t>(*at, 0));
        for (const Ptr& node : nodes) {
            if (!(node->object == object))
                node->setParent(handle());
            node->addReferrer(this);
            if (!position) {
                m_children.push_back(node.get());
            } else {
                const std::size_t index = std::min(*position, m_children.size());
                m_children.insert(m_children.begin() + static_cast<std::ptrdiff_t>(index), node.get());
                *position = index + 1;
            }
        }
    }
    // Wraps each value in a new node and inserts those nodes as above.
    void addChildren(const std::vector<T>& values, std::optional<std::ptrdiff_t> at = std::nullopt) {
        std::vector<Ptr> nodes;
        nodes.reserve(values.size());
        for (const T& value : values)
            nodes.push_back(make(value));
        addChildren(nodes, at);
    }
    // For each node: removes from the children the node itself, or else the first child with an
    // equal object, and clears the removed child's parent link when it pointed here. Nodes that
    // match no child change nothing.
    void removeChildren(const std::vector<Ptr>& nodes) {
        requireNodes(nodes);
        for (const Ptr& node : nodes) {
            auto entry = std::find(m_children.begin(), m_children.end(), node.get());
            if (entry == m_children.end())
                entry = std::find_if(m_children.begin(), m_children.end(),
                                     [&](TreeItem* child) { return child->object == node->object; });
            if (entry == m_children.end())
                continue;
            TreeItem* removed = *entry;
            const Ptr keep = removed->handle(); // stays alive until its links are settled
            if (removed->m_parent == this)
                removed->setParent(nullptr);
            m_children.erase(entry);
            removed->removeReferrer(this);
        }
    }

    friend bool operator==(const TreeItem& a, const TreeItem& b) { return a.object == b.object; }
    friend bool operator<(const TreeItem& a, const TreeItem& b) requires requires(const T& x) {
        { x < x } -> std::convertible_to<bool>;
    }
    { return a.object < b.object; }
    friend bool operator>(const TreeItem& a, const TreeItem& b) requires requires(const T& x) {
        { x < x } -> std::convertible_to<bool>;
    }
    { return b.object < a.object; }
    friend bool operator<=(const TreeItem& a, const TreeItem& b) requires requires(const T& x) {
        { x < x } -> std::convertible_to<bool>;
    }
    { return !(b.object < a.object); }
    friend bool operator>=(const TreeItem& a, const TreeItem& b) requires requires(const T& x) {
        { x < x } -> std::convertible_to<bool>;
    }
    { return !(a.object < b.object); }

    // "<TreeItem " + the object's text + " " + depth + ">". The object's text is the value itself
    // for texts, QString::number for numbers, toString() where T has one, else what operator<<
    // writes to a std::ostream.
    QString description() const;

    TreeItem(const TreeItem&) = delete;
    TreeItem& operator=(const TreeItem&) = delete;

private:
    explicit TreeItem(T value) : object(std::move(value)) {}
    ~TreeItem() = default;

    // An outside reference to this node. Each one shares one control block per node; when the
    // last one goes, the node may have become unreachable, and collect() decides.
    Ptr handle() const {
        auto* self = const_cast<TreeItem*>(this);
        if (Ptr existing = m_self.lock())
            return existing;
        Ptr fresh(self, [](TreeItem* node) { collect(node); });
        self->m_self = fresh;
        return fresh;
    }
    bool isHeld() const { return !m_self.expired(); }

    static void requireNodes(const std::vector<Ptr>& nodes) {
        for (const Ptr& node : nodes)
            if (!node)
                throw std::invalid_argument("TreeItem: a null node among the nodes given");
    }

    void addReferrer(TreeItem* from) { ++m_referrers[from]; }
    void removeReferrer(TreeItem* from) {
        auto it = m_referrers.find(from);
        if (it != m_referrers.end() && --it->second == 0)
            m_referrers.erase(it);
    }

    template <typename Visit> void preorder(Visit&& visit) const {
        // Explicit stacks: deep trees do not exhaust the call stack.
        struct Frame {
            const TreeItem* node;
            std::size_t next;
        };
        std::vector<Frame> stack{{this, 0}};
        std::unordered_set<const TreeItem*> onPath{this};
        while (!stack.empty()) {
            Frame& frame = stack.back();
            if (frame.next == frame.node->m_children.size()) {
                onPath.erase(frame.node);
                stack.pop_back();
                continue;
            }
            TreeItem* child = frame.node->m_children[frame.next++];
            if (onPath.count(child))
                throw std::logic_error("TreeItem: a node is among its own descendants");
            if (visit(child))
                return;
            onPath.insert(child);
            stack.push_back({child, 0});
        }
    }

    // Frees every node that can no longer be reached from an outside reference, starting from
    // start, whose last outside reference has just gone (links are only ever dropped while the
    // nodes at both ends are held, so this is the one moment a node can become unreachable). Nodes not
    // reachable from start are unaffected by that loss, so only start's reach is examined.
    static void collect(TreeItem* start) {
        if (start->isHeld() || reachedFromHeld(start))
            return;
        // Everything start reaches through links.
        std::vector<TreeItem*> reach{start};
        std::unordered_set<TreeItem*> inReach{start};
        for (std::size_t i = 0; i < reach.size(); ++i) {
            auto visit = [&](TreeItem* next) {
                if (next && inReach.insert(next).second)
                    reach.push_back(next);
            };
            visit(reach[i]->m_parent);
            for (TreeItem* child : reach[i]->m_children)
                visit(child);
        }
        // Alive: held from outside, or linked from a node outside the reach (which the loss did not
        // affect), and whatever those reach.
        std::unordered_set<TreeItem*> alive;
        std::vector<TreeItem*> work;
        for (TreeItem* node : reach) {
            bool live = node->isHeld();
            for (const auto& [from, count] : node->m_referrers)
                live = live || !inReach.count(from);
            if (live && alive.insert(node).second)
                work.push_back(node);
        }
        while (!work.empty()) {
            TreeItem* node = work.back();
            work.pop_back();
            auto mark = [&](TreeItem* next) {
                if (next && alive.insert(next).second)
                    work.push_back(next);
            };
            mark(node->m_parent);
            for (TreeItem* child : node->m_children)
                mark(child);
        }
        std::vector<TreeItem*> dead;
        for (TreeItem* node : reach)
            if (!alive.count(node))
                dead.push_back(node);
        // Unlink the dead from the living first, so that whatever the objects' destructors do
        // meets a consistent graph.
        for (TreeItem* node : dead) {
            if (node->m_parent && alive.count(node->m_parent))
                node->m_parent->m_referrers.erase(node);
            for (TreeItem* child : node->m_children)
                if (alive.count(child))
                    child->m_referrers.erase(node);
            node->m_parent = nullptr;
            node->m_children.clear();
            node->m_referrers.clear();
        }
        for (TreeItem* node : dead)
            delete node;
    }

    // Whether an outside reference reaches node through links. Each node's referrers are checked
    // for a holder as soon as they are seen; the search goes on up the parent chain first (where
    // the holder of a tree usually is).
    static bool reachedFromHeld(TreeItem* node) {
        if (node->isHeld())
            return true;
        std::vector<TreeItem*> work{node};
        std::unordered_set<TreeItem*> seen{node};
        while (!work.empty()) {
            TreeItem* current = work.back();
            work.pop_back();
            TreeItem* preferred = nullptr;
            for (const auto& [from, count] : current->m_referrers) {
                if (from->isHeld())
                    return true;
                if (from == current->m_parent)
                    preferred = from;
                else if (seen.insert(from).second)
                    work.push_back(from);
            }
            if (preferred && seen.insert(preferred).second)
                work.push_back(preferred);
        }
        return false;
    }

    TreeItem* m_parent = nullptr;
    std::vector<TreeItem*> m_children;
    std::unordered_map<TreeItem*, int> m_referrers; // nodes whose links point here, with counts
    mutable std::weak_ptr<TreeItem> m_self;
};

namespace detail {

template <typename T> QString describe(const T& value) {
    if constexpr (std::is_convertible_v<const T&, QString>)
        return QString(value);
    else if constexpr (std::is_arithmetic_v<T>)
        return QString::number(value);
    else if constexpr (requires {
                           { value.toString() } -> std::convertible_to<QString>;
                       })
        return value.toString();
    else {
        std::ostringstream stream;
        stream << value;
        return QString::fromStdString(stream.str());
    }
}

} // namespace detail

template <typename T> QString TreeItem<T>::description() const {
    return QStringLiteral("<TreeItem ") + detail::describe(object) + QLatin1Char(' ') +
           QString::number(depth()) + QLatin1Char('>');
}

} // namespace brisquel::vexo

// The encoded form of a tree, through nlohmann::json's serialization point (so JSONEncoder and
// PropertyListEncoder in FileCoding.h take trees): {"object": <T>, "children": [<tree>, ...]}.
// The parent link is not encoded; decoding reads only those two keys and gives nodes without
// parent links (every decoded node has depth 0). A null Ptr encodes as null and decodes from null.
// Trees deeper than kMaxDepth levels (or children lists that run in a circle) throw
// std::length_error instead of exhausting the stack.
template <typename T> struct nlohmann::adl_serializer<std::shared_ptr<brisquel::vexo::TreeItem<T>>> {
    using Node = brisquel::vexo::TreeItem<T>;
    static constexpr int kMaxDepth = 2048;

    static void to_json(nlohmann::json& j, const std::shared_ptr<Node>& node) {
        // Built aside and moved in at the end: j may be a json under construction, whose
        // destructor would not run if encoding threw halfway.
        nlohmann::json encoded;
        encode(encoded, node, 0);
        j = std::move(encoded);
    }
    static void from_json(const nlohmann::json& j, std::shared_ptr<Node>& node) { node = decode(j, 0); }

private:
    static void checkDepth(int depth) {
        if (depth > kMaxDepth)
            throw std::length_error("TreeItem: trees deeper than 2048 levels are not encoded or decoded");
    }

    static void encode(nlohmann::json& j, const std::shared_ptr<Node>& node, int depth) {
        checkDepth(depth);
        if (!node) {
            j = nullptr;
            return;
        }
        j = nlohmann::json::object();
        j["object"] = node->object;
        nlohmann::json children = nlohmann::json::array();
        for (const auto& child : node->children()) {
            nlohmann::json encoded;
            encode(encoded, child, depth + 1);
            children.push_back(std::move(encoded));
        }
        j["children"] = std::move(children);
    }

    static std::shared_ptr<Node> decode(const nlohmann::json& j, int depth) {
        checkDepth(depth);
        if (j.is_null())
            return nullptr;
        std::shared_ptr<Node> node = Node::make(j.at("object").template get<T>());
        std::vector<std::shared_ptr<Node>> children;
        for (const nlohmann::json& child : j.at("children")) {
            std::shared_ptr<Node> decoded = decode(child, depth + 1);
            if (!decoded)
                throw std::invalid_argument("TreeItem: a child encoded as null");
            children.push_back(std::move(decoded));
        }
        node->setChildren(children);
        return node;
    }
};
