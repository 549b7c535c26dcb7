// Unbalanced search tree: the delete cases against a reference, the refusals, the walks
// (including deleting walks) and the check codes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "model/bstree.h"

namespace {

int gReleased = 0;

int CompareInts(const void* probe, const void* nodeKey)
{
    int a = *static_cast<const int*>(probe), b = *static_cast<const int*>(nodeKey);
    return a < b ? -1 : (a > b ? 1 : 0);
}

void ReleaseInt(void* key)
{
    gReleased++;
    std::free(key);
}

int* NewInt(int value)
{
    int* p = static_cast<int*>(std::malloc(sizeof(int)));
    *p = value;
    return p;
}

int KeyOf(const BSTreeNode* node)
{
    return *static_cast<const int*>(node->key);
}

BSTree* CreateIntTree()
{
    BSTree* tree = BSTreeCreate();
    BSTreeSetCompare(tree, CompareInts);
    BSTreeSetDestroyKey(tree, ReleaseInt);
    return tree;
}

BSTree* TreeOf(const std::vector<int>& keys, std::vector<BSTreeNode*>* nodes = nullptr)
{
    BSTree* tree = CreateIntTree();
    for (int k : keys) {
        BSTreeNode* n = BSTreeInsert(tree, NewInt(k));
        if (nodes) nodes->push_back(n);
    }
    return tree;
}

// Collects the keys in order and checks the links; an empty why means all links agree.
std::vector<int> InOrderChecked(const BSTree* tree, std::string* why)
{
    std::vector<int> keys;
    std::vector<const BSTreeNode*> pending;
    if (tree->root && tree->root->parent) *why = "root has a parent";
    const BSTreeNode* node = tree->root;
    while (node || !pending.empty()) {
        while (node) {
            if (node->left && node->left->parent != node) *why = "left child's parent link";
            if (node->right && node->right->parent != node) *why = "right child's parent link";
            pending.push_back(node);
            node = node->left;
        }
        node = pending.back();
        pending.pop_back();
        keys.push_back(KeyOf(node));
        node = node->right;
    }
    return keys;
}

struct WalkLog {
    std::vector<int> visited;
    int deleteEvery;  // 1: delete every node, 2: every other node, 0: none
    int stopAt;       // WalkUntil / CheckAll: return 0 at this key
};

int DeletingVisitor(void* user, BSTree* tree, BSTreeNode* node)
{
    WalkLog* log = static_cast<WalkLog*>(user);
    log->visited.push_back(KeyOf(node));
    if (log->deleteEvery && log->visited.size() % static_cast<size_t>(log->deleteEvery) == 0) {
        return BSTreeDeleteNode(tree, node) != 0;
    }
    return 0;
}

int StoppingVisitor(void* user, BSTree*, BSTreeNode* node)
{
    WalkLog* log = static_cast<WalkLog*>(user);
    log->visited.push_back(KeyOf(node));
    return KeyOf(node) == log->stopAt ? 0 : 1;
}

}  // namespace

TEST(BSTree, RandomInsertDeleteMatchesReference)
{
    std::mt19937 rng(977);
    BSTree* tree = CreateIntTree();
    std::multiset<int> reference;
    std::vector<BSTreeNode*> held;
    for (int step = 0; step < 4000; step++) {
        int op = static_cast<int>(rng() % 10);
        bool grow = step < 2000 ? op < 6 : op < 3;
        if (grow) {
            int value = static_cast<int>(rng() % 150);
            held.push_back(BSTreeInsert(tree, NewInt(value)));
            ASSERT_NE(held.back(), nullptr);
            reference.insert(value);
        } else if (!held.empty()) {
            size_t victim = rng() % held.size();
            int key = KeyOf(held[victim]);
            int result = BSTreeDeleteNode(tree, held[victim]);
            held.erase(held.begin() + static_cast<long>(victim));
            reference.erase(reference.find(key));
            int expected = reference.empty() ? 1 : static_cast<int>(reference.size());
            ASSERT_EQ(result, expected) << "result of deleting key " << key << " at step " << step;
        }
        std::string why;
        std::vector<int> keys = InOrderChecked(tree, &why);
        ASSERT_EQ(why, "") << "step " << step;
        ASSERT_TRUE(std::equal(keys.begin(), keys.end(), reference.begin(), reference.end())) << "step " << step;
        ASSERT_EQ(BSTreeCount(tree), static_cast<int>(reference.size())) << "step " << step;
        int probe = static_cast<int>(rng() % 150);
        BSTreeNode* found = BSTreeSearch(tree, &probe);
        ASSERT_EQ(found != nullptr, reference.count(probe) > 0) << "search " << probe << " at step " << step;
    }
    gReleased = 0;
    int remaining = BSTreeCount(tree);
    BSTreeDestroy(&tree);
    EXPECT_EQ(tree, nullptr);
    EXPECT_EQ(gReleased, remaining);
}

TEST(BSTree, DeletingTheRootOfEachShape)
{
    struct Case {
        const char* name;
        std::vector<int> keys;  // the first key is the root
        int newRoot;            // -1: tree becomes empty
        int result;
    } cases[] = {
        {"only node", {5}, -1, 1},
        {"only a left child", {5, 3, 1}, 3, 2},
        {"only a right child", {5, 8, 9}, 8, 2},
        {"two children", {5, 3, 8, 1, 4, 7, 9}, 3, 6},
    };
    for (const Case& c : cases) {
        BSTree* tree = TreeOf(c.keys);
        gReleased = 0;
        EXPECT_EQ(BSTreeDeleteNode(tree, tree->root), c.result) << c.name;
        EXPECT_EQ(gReleased, 1) << c.name;
        if (c.newRoot < 0) {
            EXPECT_EQ(tree->root, nullptr) << c.name;
            EXPECT_EQ(BSTreeCount(tree), 0) << c.name;
        } else {
            ASSERT_NE(tree->root, nullptr) << c.name;
            EXPECT_EQ(KeyOf(tree->root), c.newRoot) << c.name;
            EXPECT_EQ(tree->root->parent, nullptr) << c.name;
            for (int k : c.keys) {
                if (k == c.keys[0]) continue;
                EXPECT_NE(BSTreeSearch(tree, &k), nullptr) << c.name << ": key " << k << " lost";
            }
        }
        std::string why;
        std::vector<int> keys = InOrderChecked(tree, &why);
        EXPECT_EQ(why, "") << c.name;
        EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end())) << c.name;
        BSTreeDestroy(&tree);
    }
}

TEST(BSTree, DeleteRefusesANodeItsParentDoesNotHold)
{
    // Keys 5 root; 3 has only a left child 1; 8 has two children 7, 9; 1 is a leaf; 12 below 9.
    struct Case {
        const char* name;
        int key;
    } cases[] = {{"leaf", 1}, {"only a left child", 3}, {"only a right child", 9}, {"two children", 8}};
    for (const Case& c : cases) {
        std::vector<BSTreeNode*> nodes;
        BSTree* tree = TreeOf({5, 3, 8, 1, 7, 9, 12}, &nodes);
        BSTreeNode* node = BSTreeSearch(tree, &c.key);
        ASSERT_NE(node, nullptr) << c.name;
        BSTreeNode* trueParent = node->parent;
        int other = 7;
        node->parent = BSTreeSearch(tree, &other);  // a node that is not its parent
        ASSERT_NE(node->parent, trueParent) << c.name;
        gReleased = 0;
        EXPECT_EQ(BSTreeDeleteNode(tree, node), 0) << c.name;
        EXPECT_EQ(gReleased, 0) << c.name;
        EXPECT_EQ(BSTreeCount(tree), 7) << c.name;
        node->parent = trueParent;
        std::string why;
        EXPECT_EQ(InOrderChecked(tree, &why), (std::vector<int>{1, 3, 5, 7, 8, 9, 12})) << c.name;
        EXPECT_EQ(why, "") << c.name;
        BSTreeDestroy(&tree);
    }
    BSTree* tree = TreeOf({1});
    EXPECT_EQ(BSTreeDeleteNode(tree, nullptr), 0);
    EXPECT_EQ(BSTreeDeleteNode(nullptr, tree->root), 0);
    BSTreeDestroy(&tree);
}

TEST(BSTree, WalkDeletingVisitsEveryNodeOnceWhileDeleting)
{
    std::vector<int> sorted, reversed, shuffled;
    for (int i = 0; i < 200; i++) sorted.push_back(i / 2);  // pairs of equal keys
    reversed.assign(sorted.rbegin(), sorted.rend());
    shuffled = sorted;
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(5));
    struct Case {
        const char* name;
        const std::vector<int>* keys;
        int deleteEvery;
    } cases[] = {
        {"sorted, delete all", &sorted, 1},     {"reversed, delete all", &reversed, 1},
        {"shuffled, delete all", &shuffled, 1}, {"sorted, every other", &sorted, 2},
        {"reversed, every other", &reversed, 2}, {"shuffled, every other", &shuffled, 2},
        {"shuffled, none", &shuffled, 0},
    };
    for (const Case& c : cases) {
        BSTree* tree = TreeOf(*c.keys);
        WalkLog log{{}, c.deleteEvery, -1};
        BSTreeSetUserData(tree, &log);
        BSTreeSetVisitMayStop(tree, DeletingVisitor);
        BSTreeWalkDeleting(tree);
        EXPECT_EQ(log.visited, sorted) << c.name << ": every node once, in order";
        std::vector<int> kept;
        for (size_t i = 0; i < sorted.size(); i++)
            if (!c.deleteEvery || (i + 1) % static_cast<size_t>(c.deleteEvery) != 0) kept.push_back(sorted[i]);
        std::string why;
        EXPECT_EQ(InOrderChecked(tree, &why), kept) << c.name;
        EXPECT_EQ(why, "") << c.name;
        EXPECT_EQ(BSTreeCount(tree), static_cast<int>(kept.size())) << c.name;
        if (kept.empty()) {
            EXPECT_EQ(tree->root, nullptr) << c.name;
        }
        BSTreeDestroy(&tree);
    }
}

TEST(BSTree, WalksSkipAndStop)
{
    BSTree* tree = TreeOf({4, 2, 6, 1, 3, 5, 7});
    static std::string visited;
    visited.clear();
    BSTreeSetVisit(tree, [](void*, BSTree*, BSTreeNode* n) { visited += std::to_string(KeyOf(n)); });
    BSTreeWalk(tree);
    EXPECT_EQ(visited, "1234567");
    for (int k : {2, 7}) BSTreeSearch(tree, &k)->skip = 1;
    visited.clear();
    BSTreeWalkUnskipped(tree);
    EXPECT_EQ(visited, "13456");

    WalkLog log{{}, 0, 3};
    BSTreeSetUserData(tree, &log);
    BSTreeSetVisitMayStop(tree, StoppingVisitor);
    EXPECT_EQ(BSTreeWalkUntil(tree), 0);
    EXPECT_EQ(log.visited, (std::vector<int>{1, 2, 3})) << "the walk ends at the visitor's 0";
    log = {{}, 0, 99};
    EXPECT_EQ(BSTreeWalkUntil(tree), 1);
    EXPECT_EQ(log.visited.size(), 7u);
    BSTreeDestroy(&tree);
}

TEST(BSTree, CheckAllCodes)
{
    WalkLog log{{}, 0, -1};
    EXPECT_EQ(BSTreeCheckAll(nullptr), 101);

    BSTree* empty = CreateIntTree();
    BSTreeSetUserData(empty, &log);
    BSTreeSetVisitMayStop(empty, StoppingVisitor);
    EXPECT_EQ(BSTreeCheckAll(empty), 100);
    EXPECT_TRUE(log.visited.empty()) << "an empty tree calls no visitor";
    empty->count = 1;  // inconsistent record: count without root
    EXPECT_EQ(BSTreeCheckAll(empty), 102);
    empty->count = 0;
    BSTreeDestroy(&empty);

    BSTree* tree = TreeOf({2, 1, 3});
    EXPECT_EQ(BSTreeCheckAll(tree), 103);
    BSTreeSetUserData(tree, &log);
    BSTreeSetVisitMayStop(tree, StoppingVisitor);
    EXPECT_EQ(BSTreeCheckAll(tree), 1);
    log = {{}, 0, 2};
    EXPECT_EQ(BSTreeCheckAll(tree), 0);
    BSTreeDestroy(&tree);
}

TEST(BSTree, PrintDepthReturnsHeight)
{
    struct Case {
        const char* name;
        std::vector<int> keys;
        int height;
    } cases[] = {
        {"empty", {}, 0}, {"one", {1}, 1}, {"balanced", {4, 2, 6, 1, 3, 5, 7}, 3},
        {"chain", {1, 2, 3, 4, 5}, 5}, {"zigzag", {1, 5, 2, 4, 3}, 5},
    };
    for (const Case& c : cases) {
        // A tree of the keys as text, since the print takes keys as strings.
        BSTree* tree = BSTreeCreate();
        BSTreeSetCompare(tree, [](const void* a, const void* b) { return std::strcmp(static_cast<const char*>(a), static_cast<const char*>(b)); });
        BSTreeSetDestroyKey(tree, std::free);
        for (int k : c.keys) BSTreeInsert(tree, _strdup(std::to_string(k).c_str()));
        EXPECT_EQ(BSTreePrintDepth(tree, tree->root, 0), c.height) << c.name;
        EXPECT_EQ(BSTreePrintDepth(tree, tree->root, 10), c.keys.empty() ? 10 : 10 + c.height) << c.name;
        BSTreeDestroy(&tree);
    }
}

// Keys that arrive in order make a chain as deep as the tree is large: walks and release
// must not run out of stack on it.
TEST(BSTree, DeepChainWalksAndReleases)
{
    const int n = 30000;
    BSTree* tree = CreateIntTree();
    for (int i = 0; i < n; i++) ASSERT_NE(BSTreeInsert(tree, NewInt(i)), nullptr);
    static int visits;
    visits = 0;
    BSTreeSetVisit(tree, [](void*, BSTree*, BSTreeNode*) { visits++; });
    BSTreeWalk(tree);
    EXPECT_EQ(visits, n);
    WalkLog log{{}, 2, -1};
    BSTreeSetUserData(tree, &log);
    BSTreeSetVisitMayStop(tree, DeletingVisitor);
    BSTreeWalkDeleting(tree);
    EXPECT_EQ(BSTreeCount(tree), n / 2);
    gReleased = 0;
    BSTreeDestroy(&tree);
    EXPECT_EQ(gReleased, n / 2);
    EXPECT_EQ(tree, nullptr);
}

TEST(BSTree, NullAndMissingArguments)
{
    int key = 1;
    EXPECT_EQ(BSTreeCount(nullptr), -1);
    EXPECT_EQ(BSTreeInsert(nullptr, &key), nullptr);
    EXPECT_EQ(BSTreeSearch(nullptr, &key), nullptr);
    BSTreeWalk(nullptr);
    BSTreeWalkUnskipped(nullptr);
    BSTreeWalkDeleting(nullptr);
    EXPECT_EQ(BSTreeWalkUntil(nullptr), 0);
    BSTree* none = nullptr;
    BSTreeDestroy(&none);
    BSTree* tree = CreateIntTree();
    EXPECT_EQ(BSTreeInsert(tree, nullptr), nullptr) << "a null key is refused";
    EXPECT_EQ(BSTreeCount(tree), 0);
    EXPECT_EQ(BSTreeSearch(tree, &key), nullptr);
    BSTreeDestroy(&tree);
}

namespace {

int Depth(const BSTreeNode* node)
{
    int deepest = 0;
    std::vector<std::pair<const BSTreeNode*, int>> stack;
    if (node) stack.emplace_back(node, 1);
    while (!stack.empty()) {
        auto [at, depth] = stack.back();
        stack.pop_back();
        deepest = std::max(deepest, depth);
        if (at->left) stack.emplace_back(at->left, depth + 1);
        if (at->right) stack.emplace_back(at->right, depth + 1);
    }
    return deepest;
}

void CollectInOrder(const BSTreeNode* node, std::vector<int>* out)
{
    std::vector<const BSTreeNode*> stack;
    while (node || !stack.empty()) {
        while (node) {
            stack.push_back(node);
            node = node->left;
        }
        node = stack.back();
        stack.pop_back();
        out->push_back(KeyOf(node));
        node = node->right;
    }
}

}  // namespace

TEST(BSTreeInsertAll, KeysGivenInOrderMakeAShallowTreeWithEveryKey)
{
    struct Case {
        const char* name;
        std::vector<int> keys;
    };
    std::vector<int> ascending(100000), descending(100000), duplicates;
    for (int i = 0; i < 100000; i++) ascending[i] = i, descending[i] = 100000 - i;
    for (int i = 0; i < 3000; i++) duplicates.push_back(i / 3);
    const Case cases[] = {{"ascending", ascending}, {"descending", descending}, {"runs of duplicates", duplicates},
                          {"one key", {7}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BSTree* tree = CreateIntTree();
        std::vector<void*> keys;
        for (int k : c.keys) keys.push_back(NewInt(k));
        keys.push_back(nullptr);  // null keys are passed over
        EXPECT_EQ(BSTreeInsertAll(tree, keys.data(), (int)keys.size()), (int)c.keys.size());
        EXPECT_EQ(tree->count, (int)c.keys.size());
        std::vector<int> walked;
        CollectInOrder(tree->root, &walked);
        std::vector<int> expected = c.keys;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(walked, expected);
        for (int k : {c.keys.front(), c.keys.back(), c.keys[c.keys.size() / 2]}) EXPECT_NE(BSTreeSearch(tree, &k), nullptr);
        // Distinct keys in order give a balanced tree (one insert at a time gave a chain as deep as
        // the set); runs of equal keys all go right of each other, so they may be deeper.
        if (c.keys != duplicates) {
            int logDepth = 1;
            while ((1 << logDepth) <= (int)c.keys.size()) logDepth++;
            EXPECT_LE(Depth(tree->root), logDepth) << "keys in order must not build a chain";
        }
        gReleased = 0;
        BSTreeDestroy(&tree);
        EXPECT_EQ(gReleased, (int)c.keys.size());
    }
}
