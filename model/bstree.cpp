#include "model/bstree.h"

#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <vector>

#include "config/log.h"

// Every walk here is iterative over the parent links: the tree is not balanced, and keys
// that arrive sorted (members in archive order) make it as deep as it is large.

static BSTreeNode* Leftmost(BSTreeNode* node)
{
    while (node->left) node = node->left;
    return node;
}

static BSTreeNode* NextInOrder(BSTreeNode* node)
{
    if (node->right) return Leftmost(node->right);
    BSTreeNode* parent = node->parent;
    while (parent && node == parent->right) {
        node = parent;
        parent = parent->parent;
    }
    return parent;
}

static BSTreeNode* FirstInOrder(BSTree* tree)
{
    return tree && tree->root ? Leftmost(tree->root) : nullptr;
}

BSTree* BSTreeCreate(void)
{
    return static_cast<BSTree*>(std::calloc(1, sizeof(BSTree)));
}

void BSTreeSetPrintNode(BSTree* tree, BSTreePrintFn printNode) { if (tree) tree->printNode = printNode; }
void BSTreeSetVisit(BSTree* tree, BSTreeVisitFn visit) { if (tree) tree->visit = visit; }
void BSTreeSetVisitMayStop(BSTree* tree, BSTreeVisitMayStopFn visitMayStop) { if (tree) tree->visitMayStop = visitMayStop; }
void BSTreeSetCompare(BSTree* tree, BSTreeCompareFn compare) { if (tree) tree->compare = compare; }
void BSTreeSetDestroyKey(BSTree* tree, BSTreeReleaseFn destroyKey) { if (tree) tree->destroyKey = destroyKey; }
void BSTreeSetUserData(BSTree* tree, void* userData) { if (tree) tree->userData = userData; }

BSTreeNode* BSTreeInsert(BSTree* tree, void* key)
{
    if (!tree || !key || !tree->compare) return nullptr;
    BSTreeNode* node = static_cast<BSTreeNode*>(std::calloc(1, sizeof(BSTreeNode)));
    if (!node) return nullptr;
    node->key = key;
    if (!tree->root) {
        tree->root = node;
    } else {
        BSTreeNode* at = tree->root;
        for (;;) {
            BSTreeNode** slot = tree->compare(key, at->key) >= 0 ? &at->right : &at->left;
            if (!*slot) {
                *slot = node;
                node->parent = at;
                break;
            }
            at = *slot;
        }
    }
    tree->count++;
    return node;
}

namespace {

// Inserts keys[first..last) middle first, then each half the same way: a run given in order
// makes a tree of logarithmic depth instead of a chain.
int InsertMiddleFirst(BSTree* tree, void** keys, int first, int last)
{
    int inserted = 0;
    // An explicit stack of ranges: the depth of the ranges is logarithmic, but no recursion is
    // needed at all.
    std::vector<std::pair<int, int>> ranges;
    ranges.emplace_back(first, last);
    while (!ranges.empty()) {
        std::pair<int, int> range = ranges.back();
        ranges.pop_back();
        if (range.first >= range.second) continue;
        int middle = range.first + (range.second - range.first) / 2;
        if (BSTreeInsert(tree, keys[middle])) inserted++;
        else if (tree->destroyKey) tree->destroyKey(keys[middle]);
        ranges.emplace_back(middle + 1, range.second);
        ranges.emplace_back(range.first, middle);
    }
    return inserted;
}

}  // namespace

int BSTreeInsertAll(BSTree* tree, void** keys, int count)
{
    if (!keys || count <= 0) return 0;
    if (!tree || !tree->compare) {
        for (int i = 0; tree && tree->destroyKey && i < count; i++)
            if (keys[i]) tree->destroyKey(keys[i]);
        return 0;
    }
    std::vector<void*> sorted;
    sorted.reserve((size_t)count);
    for (int i = 0; i < count; i++)
        if (keys[i]) sorted.push_back(keys[i]);
    BSTreeCompareFn compare = tree->compare;
    std::stable_sort(sorted.begin(), sorted.end(), [compare](void* a, void* b) { return compare(a, b) < 0; });
    return InsertMiddleFirst(tree, sorted.data(), 0, (int)sorted.size());
}

BSTreeNode* BSTreeSearch(BSTree* tree, const void* probe)
{
    if (!tree || !tree->compare) return nullptr;
    BSTreeNode* at = tree->root;
    while (at && at->key) {
        int c = tree->compare(probe, at->key);
        if (c == 0) return at;
        at = c > 0 ? at->right : at->left;
    }
    return nullptr;
}

// 1 when parent (null for the root) links to node.
static int HoldsAsChild(BSTree* tree, BSTreeNode* parent, BSTreeNode* node)
{
    if (!parent) return tree->root == node;
    return parent->left == node || parent->right == node;
}

static void ReplaceInParent(BSTree* tree, BSTreeNode* node, BSTreeNode* replacement)
{
    BSTreeNode* parent = node->parent;
    if (!parent) tree->root = replacement;
    else if (parent->left == node) parent->left = replacement;
    else parent->right = replacement;
    if (replacement) replacement->parent = parent;
}

int BSTreeDeleteNode(BSTree* tree, BSTreeNode* pk)
{
    if (!tree || !pk || !tree->root) return 0;
    // 1 leaf, 2 only a left child, 3 only a right child, 4 two children.
    int kind = !pk->left ? (!pk->right ? 1 : 3) : (!pk->right ? 2 : 4);
    if (!HoldsAsChild(tree, pk->parent, pk)) {
        LogPrint(-1, 0, "parent is not parent of pk!! %d", kind);
        return 0;
    }
    switch (kind) {
    case 1:
        ReplaceInParent(tree, pk, nullptr);
        break;
    case 2:
        ReplaceInParent(tree, pk, pk->left);
        break;
    case 3:
        ReplaceInParent(tree, pk, pk->right);
        break;
    case 4: {
        // The left child moves up; the right subtree hangs below the left subtree's maximum.
        BSTreeNode* rightmost = pk->left;
        while (rightmost->right) rightmost = rightmost->right;
        rightmost->right = pk->right;
        pk->right->parent = rightmost;
        ReplaceInParent(tree, pk, pk->left);
        break;
    }
    default:
        LogLine("not handled (3)!!");
        return 0;
    }
    if (tree->destroyKey) tree->destroyKey(pk->key);
    std::free(pk);
    tree->count--;
    // 0 means refused, so removing the last node reports 1.
    return tree->count > 0 ? tree->count : 1;
}

void BSTreeWalk(BSTree* tree)
{
    for (BSTreeNode* node = FirstInOrder(tree); node; node = NextInOrder(node)) {
        if (tree->printNode) tree->printNode(tree, node);
        if (tree->visit) tree->visit(tree->userData, tree, node);
    }
}

void BSTreeWalkUnskipped(BSTree* tree)
{
    for (BSTreeNode* node = FirstInOrder(tree); node; node = NextInOrder(node)) {
        if (node->skip) continue;
        if (tree->printNode) tree->printNode(tree, node);
        if (tree->visit) tree->visit(tree->userData, tree, node);
    }
}

void BSTreeWalkDeleting(BSTree* tree)
{
    if (!tree || !tree->visitMayStop) return;
    BSTreeNode* node = FirstInOrder(tree);
    while (node) {
        // Taken before the visit: deleting a node never moves or frees any other node and
        // keeps the order of the rest, so the successor stays the right place to go on.
        BSTreeNode* next = NextInOrder(node);
        tree->visitMayStop(tree->userData, tree, node);
        node = next;
    }
}

int BSTreeWalkUntil(BSTree* tree)
{
    if (!tree || !tree->visitMayStop) return 0;
    for (BSTreeNode* node = FirstInOrder(tree); node; node = NextInOrder(node))
        if (!tree->visitMayStop(tree->userData, tree, node)) return 0;
    return 1;
}

int BSTreeCheckAll(BSTree* tree)
{
    if (!tree) return 101;
    if (tree->count == 0) return 100;
    if (!tree->root) return 102;
    if (!tree->visitMayStop) return 103;
    for (BSTreeNode* node = FirstInOrder(tree); node; node = NextInOrder(node))
        if (!tree->visitMayStop(tree->userData, tree, node)) return 0;
    return 1;
}

int BSTreePrintDepth(BSTree* tree, BSTreeNode* node, int depth)
{
    if (!node) return depth;
    // In-order over the parent links below node, tracking the depth on the way.
    BSTreeNode* top = node;
    int height = depth;
    int d = depth;
    while (node->left) { node = node->left; d++; }
    while (node) {
        std::printf("%s %d\n", node->key ? static_cast<const char*>(node->key) : "(null)", d);
        if (d + 1 > height) height = d + 1;
        if (node->right) {
            node = node->right;
            d++;
            while (node->left) { node = node->left; d++; }
            continue;
        }
        // Climb while coming from the right; stop at the subtree's top.
        while (node != top && node == node->parent->right) { node = node->parent; d--; }
        if (node == top) break;
        node = node->parent;
        d--;
    }
    std::fflush(stdout);
    return height;
}

void BSTreeDestroy(BSTree** treeRef)
{
    if (!treeRef || !*treeRef) return;
    BSTree* tree = *treeRef;
    BSTreeNode* node = tree->root;
    // Post-order: a node goes once both of its subtrees are gone.
    while (node) {
        if (node->left) { node = node->left; continue; }
        if (node->right) { node = node->right; continue; }
        BSTreeNode* parent = node->parent;
        if (parent) {
            if (parent->left == node) parent->left = nullptr;
            else parent->right = nullptr;
        }
        if (tree->destroyKey) tree->destroyKey(node->key);
        std::free(node);
        tree->count--;
        node = parent;
    }
    tree->root = nullptr;
    tree->count = 0;
    std::free(tree);
    *treeRef = nullptr;
}

int BSTreeCount(const BSTree* tree)
{
    return tree ? tree->count : -1;
}
