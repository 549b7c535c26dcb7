// Red-black tree: structure kept valid through random inserts and deletes, order of equal
// keys, node pointers stable across deletes, searches, range enumeration and release.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "model/rbtree.h"
#include "model/stack.h"
#include "support/testsupport.h"

namespace {

int gReleasedKeys = 0;
int gReleasedInfos = 0;

int CompareIntKeys(const void* nodeKey, const void* probe)
{
    int a = *static_cast<const int*>(nodeKey), b = *static_cast<const int*>(probe);
    return a < b ? -1 : (a > b ? 1 : 0);
}

void ReleaseIntKey(void* key)
{
    gReleasedKeys++;
    std::free(key);
}

void CountInfo(void* info)
{
    gReleasedInfos++;
}

int* NewInt(int value)
{
    int* p = static_cast<int*>(std::malloc(sizeof(int)));
    *p = value;
    return p;
}

int KeyOf(const RBTreeNode* node)
{
    return *static_cast<const int*>(node->key);
}

RBTree* CreateIntTree()
{
    RBTree* tree = RBTreeCreate();
    tree->compare = CompareIntKeys;
    tree->destroyKey = ReleaseIntKey;
    tree->destroyInfo = CountInfo;
    return tree;
}

// Checks the red-black rules below node; returns the black height or -1 after a failure.
int CheckSubtree(const RBTree* tree, const RBTreeNode* node, std::string* why)
{
    if (node == tree->nil) return 1;
    if (node->left != tree->nil && node->left->parent != node) { *why = "left child's parent link"; return -1; }
    if (node->right != tree->nil && node->right->parent != node) { *why = "right child's parent link"; return -1; }
    if (node->red && (node->left->red || node->right->red)) { *why = "red node with red child"; return -1; }
    int left = CheckSubtree(tree, node->left, why);
    if (left < 0) return -1;
    int right = CheckSubtree(tree, node->right, why);
    if (right < 0) return -1;
    if (left != right) { *why = "unequal black heights"; return -1; }
    return left + (node->red ? 0 : 1);
}

// Empty string when the tree is a valid red-black tree, else what is wrong.
std::string CheckRedBlack(const RBTree* tree)
{
    const RBTreeNode* nil = tree->nil;
    if (nil->red || nil->left != nil || nil->right != nil || nil->parent != nil) return "nil sentinel changed";
    if (tree->root->red) return "root sentinel red";
    const RBTreeNode* top = tree->root->left;
    if (top != nil && top->red) return "root red";
    if (top != nil && top->parent != tree->root) return "real root's parent is not the root sentinel";
    std::string why;
    if (CheckSubtree(tree, top, &why) < 0) return why;
    return "";
}

std::vector<RBTreeNode*> InOrderNodes(RBTree* tree)
{
    std::vector<RBTreeNode*> nodes;
    for (RBTreeNode* n = RBTreeFirst(tree); n != tree->nil; n = RBTreeSuccessor(tree, n)) nodes.push_back(n);
    return nodes;
}

}  // namespace

TEST(RBTree, RandomOperationsMatchMultisetAndKeepRedBlackRules)
{
    std::mt19937 rng(20261209);
    RBTree* tree = CreateIntTree();
    ASSERT_NE(tree, nullptr);
    std::multiset<int> reference;
    std::vector<RBTreeNode*> held;  // every live node, to prove pointers survive deletes

    for (int step = 0; step < 6000; step++) {
        int op = static_cast<int>(rng() % 10);
        int value = static_cast<int>(rng() % 200);  // small range: many equal keys
        // Grow first, then shrink, so both directions see deep trees.
        bool grow = step < 3000 ? op < 6 : op < 3;
        if (grow) {
            RBTreeNode* node = RBTreeInsert(tree, NewInt(value), nullptr);
            ASSERT_NE(node, nullptr) << "step " << step;
            reference.insert(value);
            held.push_back(node);
        } else if (!held.empty() && op < 9) {
            size_t victim = rng() % held.size();
            int key = KeyOf(held[victim]);
            RBTreeDelete(tree, held[victim]);
            held.erase(held.begin() + static_cast<long>(victim));
            reference.erase(reference.find(key));
        } else {
            RBTreeNode* found = RBTreeSearch(tree, &value);
            bool expected = reference.count(value) > 0;
            ASSERT_EQ(found != nullptr, expected) << "search " << value << " at step " << step;
            if (found) {
                ASSERT_EQ(KeyOf(found), value) << "step " << step;
            }
        }

        std::string why = CheckRedBlack(tree);
        ASSERT_EQ(why, "") << "step " << step;
        ASSERT_EQ(tree->count, static_cast<int>(reference.size())) << "step " << step;
        std::vector<RBTreeNode*> nodes = InOrderNodes(tree);
        std::vector<int> keys;
        for (RBTreeNode* n : nodes) keys.push_back(KeyOf(n));
        ASSERT_TRUE(std::equal(keys.begin(), keys.end(), reference.begin(), reference.end()))
            << "in-order keys differ from the reference at step " << step;
        std::vector<RBTreeNode*> a(nodes), b(held);
        std::sort(a.begin(), a.end());
        std::sort(b.begin(), b.end());
        ASSERT_EQ(a, b) << "the tree's node objects are not the ones handed out, step " << step;
    }
    gReleasedKeys = 0;
    int remaining = tree->count;
    RBTreeDestroy(&tree);
    EXPECT_EQ(tree, nullptr);
    EXPECT_EQ(gReleasedKeys, remaining);
    EXPECT_EQ(RBTreeReleasedNodeCount(), remaining);
}

TEST(RBTree, EqualKeysKeepInsertionOrderAndSurviveDeletes)
{
    RBTree* tree = CreateIntTree();
    // Infos carry the insertion sequence; equal keys must come out in that order.
    int sequence = 0;
    std::vector<RBTreeNode*> fives;
    for (int round = 0; round < 40; round++) {
        for (int key : {5, 1, 9, 5, 3}) {
            RBTreeNode* n = RBTreeInsert(tree, NewInt(key), reinterpret_cast<void*>(static_cast<intptr_t>(++sequence)));
            if (key == 5) fives.push_back(n);
        }
    }
    // Remove a few equals from the middle; the others must keep their relative order.
    for (int i = 10; i < 20; i++) RBTreeDelete(tree, fives[static_cast<size_t>(i)]);
    ASSERT_EQ(CheckRedBlack(tree), "");
    intptr_t lastKey = -1, lastSeq = 0;
    for (RBTreeNode* n = RBTreeFirst(tree); n != tree->nil; n = RBTreeSuccessor(tree, n)) {
        intptr_t seq = reinterpret_cast<intptr_t>(n->info);
        if (KeyOf(n) == lastKey) {
            EXPECT_GT(seq, lastSeq) << "equal key " << lastKey << " out of insertion order";
        }
        lastKey = KeyOf(n);
        lastSeq = seq;
    }
    int five = 5;
    RBTreeNode* found = RBTreeSearch(tree, &five);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(KeyOf(found), 5);
    RBTreeDestroy(&tree);
}

TEST(RBTree, StringTreeHoldsDuplicatesAndWalksBothWays)
{
    RBTree* tree = RBTreeCreateStrings();
    ASSERT_NE(tree, nullptr);
    for (const char* s : {"b", "a", "c", "a"}) ASSERT_NE(RBTreeInsert(tree, _strdup(s), nullptr), nullptr);
    EXPECT_EQ(tree->count, 4);
    RBTreeNode* a = RBTreeSearch(tree, "a");
    ASSERT_NE(a, nullptr);
    EXPECT_STREQ(static_cast<const char*>(a->key), "a");
    EXPECT_EQ(RBTreeSearch(tree, "A"), nullptr) << "the string tree compares case-sensitively";

    std::string forward, backward;
    RBTreeNode* last = tree->nil;
    for (RBTreeNode* n = RBTreeFirst(tree); n != tree->nil; n = RBTreeSuccessor(tree, n)) {
        forward += static_cast<const char*>(n->key);
        last = n;
    }
    for (RBTreeNode* n = last; n != tree->nil; n = RBTreePredecessor(tree, n)) backward += static_cast<const char*>(n->key);
    EXPECT_EQ(forward, "aabc");
    EXPECT_EQ(backward, "cbaa");
    RBTreeDestroy(&tree);
    EXPECT_EQ(tree, nullptr);
}

TEST(RBTree, EmptyAndNullTreesAreHarmless)
{
    RBTree* tree = RBTreeCreateStrings();
    ASSERT_NE(tree, nullptr);
    EXPECT_EQ(RBTreeFirst(tree), tree->nil) << "an empty tree starts at nil";
    static int visits;
    visits = 0;
    tree->visit = [](void*, RBTree*, RBTreeNode*) { visits++; };
    RBTreeWalk(tree);
    EXPECT_EQ(visits, 0);
    EXPECT_EQ(RBTreeSearch(tree, "x"), nullptr);
    Stack* range = RBTreeEnumerate(tree, "a", "z");
    ASSERT_NE(range, nullptr);
    EXPECT_EQ(StackNotEmpty(range), 0);
    StackDestroy(range, nullptr);
    RBTreeDestroy(&tree);
    EXPECT_EQ(RBTreeReleasedNodeCount(), 0);

    RBTree* none = nullptr;
    EXPECT_EQ(RBTreeInsert(nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(RBTreeSearch(nullptr, "x"), nullptr);
    EXPECT_EQ(RBTreeSearch_ExtendedCompare(nullptr, "x"), nullptr);
    EXPECT_EQ(RBTreeFirst(nullptr), nullptr);
    EXPECT_EQ(RBTreeSuccessor(nullptr, nullptr), nullptr);
    EXPECT_EQ(RBTreePredecessor(nullptr, nullptr), nullptr);
    EXPECT_EQ(RBTreeEnumerate(nullptr, "a", "b"), nullptr);
    RBTreeDelete(nullptr, nullptr);
    RBTreeWalk(nullptr);
    RBTreeDestroy(&none);
    RBTreeDestroy(nullptr);
}

TEST(RBTree, DeleteReleasesKeyAndInfoOfTheDeletedNodeOnly)
{
    RBTree* tree = CreateIntTree();
    std::vector<RBTreeNode*> nodes;
    for (int i = 0; i < 15; i++) nodes.push_back(RBTreeInsert(tree, NewInt(i), NewInt(i)));
    tree->destroyInfo = [](void* info) { gReleasedInfos += *static_cast<int*>(info) + 1000; std::free(info); };
    // The root has two children, so its successor object moves into its place.
    RBTreeNode* root = tree->root->left;
    int rootKey = KeyOf(root);
    gReleasedKeys = 0;
    gReleasedInfos = 0;
    RBTreeDelete(tree, root);
    EXPECT_EQ(gReleasedKeys, 1);
    EXPECT_EQ(gReleasedInfos, 1000 + rootKey) << "the info released must be the deleted node's";
    EXPECT_EQ(tree->count, 14);
    EXPECT_EQ(RBTreeSearch(tree, &rootKey), nullptr);
    for (RBTreeNode* n : nodes) {
        if (n == root) continue;
        int key = KeyOf(n);
        EXPECT_EQ(RBTreeSearch(tree, &key), n) << "node of key " << key << " moved or lost";
        EXPECT_EQ(*static_cast<int*>(n->info), key) << "info of key " << key;
    }
    EXPECT_EQ(CheckRedBlack(tree), "");
    RBTreeDestroy(&tree);
}

TEST(RBTree, EnumerateReturnsRangeInAscendingOrder)
{
    RBTree* tree = CreateIntTree();
    for (int key : {40, 10, 20, 30, 20, 50}) RBTreeInsert(tree, NewInt(key), nullptr);
    struct Case {
        int low, high;
        std::vector<int> expected;
    } cases[] = {
        {15, 35, {20, 20, 30}}, {20, 20, {20, 20}},           {0, 100, {10, 20, 20, 30, 40, 50}},
        {10, 10, {10}},         {50, 99, {50}},               {51, 60, {}},
        {0, 9, {}},             {35, 15, {}} /* low above high */, {21, 29, {}},
    };
    for (const Case& c : cases) {
        Stack* range = RBTreeEnumerate(tree, &c.low, &c.high);
        ASSERT_NE(range, nullptr);
        std::vector<int> got;
        while (StackNotEmpty(range)) got.push_back(KeyOf(static_cast<RBTreeNode*>(StackPop(range))));
        EXPECT_EQ(got, c.expected) << "range [" << c.low << ", " << c.high << "]";
        StackDestroy(range, nullptr);
    }
    EXPECT_EQ(tree->count, 6) << "enumerating must not change the tree";
    RBTreeDestroy(&tree);
}

TEST(RBTree, ExtendedSearchUsesItsOwnCompare)
{
    RBTree* tree = RBTreeCreateStrings();
    for (const char* s : {"Alpha", "beta", "Gamma"}) RBTreeInsert(tree, _strdup(s), nullptr);
    EXPECT_EQ(RBTreeSearch_ExtendedCompare(tree, "alpha"), nullptr) << "no extended compare set";
    // Order by the first letter only: consistent with the tree's order for these keys.
    tree->compareExtended = [](const void* nodeKey, const void* probe) {
        int a = std::tolower(*static_cast<const unsigned char*>(nodeKey));
        int b = std::tolower(*static_cast<const unsigned char*>(probe));
        return a < b ? -1 : (a > b ? 1 : 0);
    };
    RBTreeNode* n = RBTreeSearch_ExtendedCompare(tree, "gnu");
    ASSERT_NE(n, nullptr);
    EXPECT_STREQ(static_cast<const char*>(n->key), "Gamma");
    EXPECT_EQ(RBTreeSearch_ExtendedCompare(tree, "x"), nullptr);
    RBTreeDestroy(&tree);
}

TEST(RBTree, WalkPrintsAndVisitsInOrderAndDumpsKeysToFile)
{
    DeleteFileA("c:\\rbtree.txt");
    RBTree* tree = RBTreeCreateStrings();
    for (const char* s : {"m", "c", "x", "a"}) RBTreeInsert(tree, _strdup(s), nullptr);
    std::string visited;
    tree->userData = &visited;
    tree->visit = [](void* user, RBTree*, RBTreeNode* n) { *static_cast<std::string*>(user) += static_cast<const char*>(n->key); };
    tree->printNode = RBTreeDumpToFile;
    RBTreeWalk(tree);
    EXPECT_EQ(visited, "acmx");
    std::string dumped;
    ASSERT_TRUE(ReadWholeFile("c:\\rbtree.txt", &dumped));
    EXPECT_EQ(dumped, "a\r\nc\r\nm\r\nx\r\n");
    DeleteFileA("c:\\rbtree.txt");
    RBTreeDestroy(&tree);
}
