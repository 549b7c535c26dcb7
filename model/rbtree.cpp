#include "model/rbtree.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "config/log.h"
#include "model/stack.h"

static std::atomic<int> GRBTreeReleasedNodes{0};

static int CompareStringKeys(const void* nodeKey, const void* probe)
{
    int r = std::strcmp(static_cast<const char*>(nodeKey), static_cast<const char*>(probe));
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

static void ReleaseStringKey(void* key)
{
    std::free(key);
}

static void PrintStringKey(RBTree* tree, RBTreeNode* node)
{
    LogLine(node && node->key ? static_cast<const char*>(node->key) : "(null)");
}

RBTree* RBTreeCreate(void)
{
    RBTree* tree = static_cast<RBTree*>(std::calloc(1, sizeof(RBTree)));
    if (!tree) return nullptr;
    RBTreeNode* nil = static_cast<RBTreeNode*>(std::calloc(1, sizeof(RBTreeNode)));
    RBTreeNode* root = static_cast<RBTreeNode*>(std::calloc(1, sizeof(RBTreeNode)));
    if (!nil || !root) {
        std::free(nil);
        std::free(root);
        std::free(tree);
        return nullptr;
    }
    nil->left = nil->right = nil->parent = nil;
    root->left = root->right = root->parent = nil;
    tree->nil = nil;
    tree->root = root;
    return tree;
}

RBTree* RBTreeCreateStrings(void)
{
    RBTree* tree = RBTreeCreate();
    if (!tree) return nullptr;
    tree->compare = CompareStringKeys;
    tree->destroyKey = ReleaseStringKey;
    tree->printNode = PrintStringKey;
    return tree;
}

static void RotateLeft(RBTree* tree, RBTreeNode* x)
{
    RBTreeNode* nil = tree->nil;
    RBTreeNode* y = x->right;
    x->right = y->left;
    // Never write nil's parent here: the delete fix-up relies on it.
    if (y->left != nil) y->left->parent = x;
    y->parent = x->parent;
    if (x == x->parent->left) x->parent->left = y;
    else x->parent->right = y;
    y->left = x;
    x->parent = y;
}

static void RotateRight(RBTree* tree, RBTreeNode* y)
{
    RBTreeNode* nil = tree->nil;
    RBTreeNode* x = y->left;
    y->left = x->right;
    if (x->right != nil) x->right->parent = y;
    x->parent = y->parent;
    if (y == y->parent->left) y->parent->left = x;
    else y->parent->right = x;
    x->right = y;
    y->parent = x;
}

// Plain search-tree insertion by the compare == 1 rule: equal keys end up on the right.
static void LinkNode(RBTree* tree, RBTreeNode* z)
{
    RBTreeNode* nil = tree->nil;
    RBTreeNode* y = tree->root;
    RBTreeNode* x = tree->root->left;
    z->left = z->right = nil;
    while (x != nil) {
        y = x;
        x = tree->compare(x->key, z->key) == 1 ? x->left : x->right;
    }
    z->parent = y;
    if (y == tree->root || tree->compare(y->key, z->key) == 1) y->left = z;
    else y->right = z;
}

RBTreeNode* RBTreeInsert(RBTree* tree, void* key, void* info)
{
    if (!tree || !tree->compare) return nullptr;
    RBTreeNode* x = static_cast<RBTreeNode*>(std::malloc(sizeof(RBTreeNode)));
    if (!x) return nullptr;
    x->key = key;
    x->info = info;
    LinkNode(tree, x);
    RBTreeNode* created = x;
    x->red = 1;
    // The root sentinel is black, so the loop stops below the real root without a test.
    while (x->parent->red) {
        RBTreeNode* grand = x->parent->parent;
        if (x->parent == grand->left) {
            RBTreeNode* uncle = grand->right;
            if (uncle->red) {
                x->parent->red = 0;
                uncle->red = 0;
                grand->red = 1;
                x = grand;
            } else {
                if (x == x->parent->right) {
                    x = x->parent;
                    RotateLeft(tree, x);
                }
                x->parent->red = 0;
                x->parent->parent->red = 1;
                RotateRight(tree, x->parent->parent);
            }
        } else {
            RBTreeNode* uncle = grand->left;
            if (uncle->red) {
                x->parent->red = 0;
                uncle->red = 0;
                grand->red = 1;
                x = grand;
            } else {
                if (x == x->parent->left) {
                    x = x->parent;
                    RotateRight(tree, x);
                }
                x->parent->red = 0;
                x->parent->parent->red = 1;
                RotateLeft(tree, x->parent->parent);
            }
        }
    }
    tree->root->left->red = 0;
    tree->count++;
    return created;
}

static RBTreeNode* SearchWith(RBTree* tree, RBTreeCompareFn compare, const void* probe)
{
    RBTreeNode* nil = tree->nil;
    RBTreeNode* x = tree->root->left;
    while (x != nil) {
        int c = compare(x->key, probe);
        if (c == 0) return x;
        x = c == 1 ? x->left : x->right;
    }
    return nullptr;
}

RBTreeNode* RBTreeSearch(RBTree* tree, const void* probe)
{
    if (!tree || !tree->compare) return nullptr;
    return SearchWith(tree, tree->compare, probe);
}

RBTreeNode* RBTreeSearch_ExtendedCompare(RBTree* tree, const void* probe)
{
    if (!tree || !tree->compareExtended) {
        LogLine("RBTreeSearch_ExtendedCompare: Tree not quite initialized!");
        return nullptr;
    }
    return SearchWith(tree, tree->compareExtended, probe);
}

RBTreeNode* RBTreeFirst(RBTree* tree)
{
    if (!tree) return nullptr;
    RBTreeNode* x = tree->root->left;
    if (x == tree->nil) return tree->nil;
    while (x->left != tree->nil) x = x->left;
    return x;
}

RBTreeNode* RBTreeSuccessor(RBTree* tree, RBTreeNode* x)
{
    if (!tree || !x) return nullptr;
    if (x == tree->nil) return tree->nil;
    RBTreeNode* nil = tree->nil;
    RBTreeNode* y = x->right;
    if (y != nil) {
        while (y->left != nil) y = y->left;
        return y;
    }
    y = x->parent;
    while (y != tree->root && x == y->right) {
        x = y;
        y = y->parent;
    }
    return y == tree->root ? nil : y;
}

RBTreeNode* RBTreePredecessor(RBTree* tree, RBTreeNode* x)
{
    if (!tree || !x) return nullptr;
    if (x == tree->nil) return tree->nil;
    RBTreeNode* nil = tree->nil;
    RBTreeNode* y = x->left;
    if (y != nil) {
        while (y->right != nil) y = y->right;
        return y;
    }
    y = x->parent;
    while (y != tree->root && x == y->left) {
        x = y;
        y = y->parent;
    }
    return y == tree->root ? nil : y;
}

static void DeleteFixUp(RBTree* tree, RBTreeNode* x)
{
    while (!x->red && x != tree->root->left) {
        if (x == x->parent->left) {
            RBTreeNode* w = x->parent->right;
            if (w->red) {
                w->red = 0;
                x->parent->red = 1;
                RotateLeft(tree, x->parent);
                w = x->parent->right;
            }
            if (!w->right->red && !w->left->red) {
                w->red = 1;
                x = x->parent;
            } else {
                if (!w->right->red) {
                    w->left->red = 0;
                    w->red = 1;
                    RotateRight(tree, w);
                    w = x->parent->right;
                }
                w->red = x->parent->red;
                x->parent->red = 0;
                w->right->red = 0;
                RotateLeft(tree, x->parent);
                x = tree->root->left;
            }
        } else {
            RBTreeNode* w = x->parent->left;
            if (w->red) {
                w->red = 0;
                x->parent->red = 1;
                RotateRight(tree, x->parent);
                w = x->parent->left;
            }
            if (!w->right->red && !w->left->red) {
                w->red = 1;
                x = x->parent;
            } else {
                if (!w->left->red) {
                    w->right->red = 0;
                    w->red = 1;
                    RotateLeft(tree, w);
                    w = x->parent->left;
                }
                w->red = x->parent->red;
                x->parent->red = 0;
                w->left->red = 0;
                RotateRight(tree, x->parent);
                x = tree->root->left;
            }
        }
    }
    x->red = 0;
}

void RBTreeDelete(RBTree* tree, RBTreeNode* z)
{
    if (!tree || !z || z == tree->nil || z == tree->root) return;
    RBTreeNode* nil = tree->nil;
    RBTreeNode* root = tree->root;
    // y is the node that leaves its place: z itself, or z's successor when z has two children.
    RBTreeNode* y = (z->left == nil || z->right == nil) ? z : RBTreeSuccessor(tree, z);
    RBTreeNode* x = y->left == nil ? y->right : y->left;
    x->parent = y->parent;  // may set nil's parent: the fix-up starts from there
    if (y->parent == root) root->left = x;
    else if (y == y->parent->left) y->parent->left = x;
    else y->parent->right = x;

    if (y != z) {
        if (!y->red) DeleteFixUp(tree, x);
        if (tree->destroyKey) tree->destroyKey(z->key);
        if (tree->destroyInfo) tree->destroyInfo(z->info);
        // The successor object takes z's place, so pointers to it stay valid.
        y->left = z->left;
        y->right = z->right;
        y->parent = z->parent;
        y->red = z->red;
        z->left->parent = y;
        z->right->parent = y;
        if (z == z->parent->left) z->parent->left = y;
        else z->parent->right = y;
        std::free(z);
    } else {
        if (tree->destroyKey) tree->destroyKey(y->key);
        if (tree->destroyInfo) tree->destroyInfo(y->info);
        if (!y->red) DeleteFixUp(tree, x);
        std::free(y);
    }
    nil->left = nil->right = nil->parent = nil;
    nil->red = 0;
    tree->count--;
}

static void ReleaseSubtree(RBTree* tree, RBTreeNode* x)
{
    if (x == tree->nil) return;
    ReleaseSubtree(tree, x->left);
    ReleaseSubtree(tree, x->right);
    if (tree->destroyKey) tree->destroyKey(x->key);
    if (tree->destroyInfo) tree->destroyInfo(x->info);
    std::free(x);
    GRBTreeReleasedNodes++;
}

void RBTreeDestroy(RBTree** treeRef)
{
    if (!treeRef || !*treeRef) return;
    RBTree* tree = *treeRef;
    GRBTreeReleasedNodes = 0;
    ReleaseSubtree(tree, tree->root->left);
    std::free(tree->root);
    std::free(tree->nil);
    std::free(tree);
    *treeRef = nullptr;
}

int RBTreeReleasedNodeCount(void)
{
    return GRBTreeReleasedNodes.load();
}

static void WalkSubtree(RBTree* tree, RBTreeNode* x)
{
    if (x == tree->nil) return;
    WalkSubtree(tree, x->left);
    if (tree->printNode) tree->printNode(tree, x);
    if (tree->visit) tree->visit(tree->userData, tree, x);
    WalkSubtree(tree, x->right);
}

void RBTreeWalk(RBTree* tree)
{
    if (!tree) return;
    WalkSubtree(tree, tree->root->left);
}

Stack* RBTreeEnumerate(RBTree* tree, const void* low, const void* high)
{
    if (!tree || !tree->compare) return nullptr;
    Stack* result = StackCreate();
    if (!result) return nullptr;
    RBTreeNode* nil = tree->nil;
    RBTreeNode* x = tree->root->left;
    RBTreeNode* lastBest = nil;
    // The last node in order whose key does not sort after high.
    while (x != nil) {
        if (tree->compare(x->key, high) == 1) {
            x = x->left;
        } else {
            lastBest = x;
            x = x->right;
        }
    }
    // Pushed from high down to low, so popping yields ascending order.
    while (lastBest != nil && tree->compare(low, lastBest->key) != 1) {
        if (!StackPush(result, lastBest)) {
            StackDestroy(result, nullptr);
            return nullptr;
        }
        lastBest = RBTreePredecessor(tree, lastBest);
    }
    return result;
}

void RBTreeDumpToFile(RBTree* tree, RBTreeNode* node)
{
    if (!node) return;
    FILE* f = std::fopen("c:\\rbtree.txt", "ab");
    if (!f) return;
    std::fprintf(f, "%s\r\n", node->key ? static_cast<const char*>(node->key) : "(null)");
    std::fclose(f);
}
