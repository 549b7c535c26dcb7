// Red-black tree with two sentinels: root.left is the real root, nil is the shared leaf.
// Keys are ordered by compare; equal keys go to the right of existing ones. The tree owns
// keys and infos through destroyKey and destroyInfo. It does not lock: the caller serialises.
#pragma once
#include <cstdint>

struct Stack;
struct RBTree;

struct RBTreeNode {
    int red;
    void* key;
    void* info;
    RBTreeNode* left;
    RBTreeNode* right;
    RBTreeNode* parent;
};

// 0 equal; 1 when the node's key sorts after the probe; any other value: sorts before.
typedef int (*RBTreeCompareFn)(const void* nodeKey, const void* probe);
typedef void (*RBTreePrintFn)(RBTree* tree, RBTreeNode* node);
typedef void (*RBTreeVisitFn)(void* userData, RBTree* tree, RBTreeNode* node);
typedef void (*RBTreeReleaseFn)(void* value);

struct RBTree {
    RBTreePrintFn printNode;        // used by RBTreeWalk
    RBTreeVisitFn visit;            // used by RBTreeWalk
    RBTreeCompareFn compare;
    RBTreeCompareFn compareExtended;  // only for RBTreeSearch_ExtendedCompare
    RBTreeReleaseFn destroyKey;
    RBTreeReleaseFn destroyInfo;
    RBTreeNode* root;  // sentinel; root->left is the real root
    RBTreeNode* nil;   // sentinel leaf; its links point to itself
    int32_t count;
    void* userData;    // handed to visit
};

// Empty tree with all callbacks null; null without memory. Release with RBTreeDestroy.
RBTree* RBTreeCreate(void);
// Empty string key tree: case-sensitive byte compare, keys released with free(), key printed.
// Keys inserted into it must be malloc'ed strings (e.g. _strdup). Null without memory.
RBTree* RBTreeCreateStrings(void);

// Links a new node holding key and info; the tree takes ownership of both. Returns the node,
// or null for a null tree, a tree without compare or without memory (then nothing is owned
// or changed).
RBTreeNode* RBTreeInsert(RBTree* tree, void* key, void* info);
// Node whose key compares 0 with probe (compare(node.key, probe)), or null.
RBTreeNode* RBTreeSearch(RBTree* tree, const void* probe);
// The same descent with compareExtended; null (and a log line) when it or the tree is missing.
RBTreeNode* RBTreeSearch_ExtendedCompare(RBTree* tree, const void* probe);

// Leftmost node; tree->nil for an empty tree, null for a null tree.
RBTreeNode* RBTreeFirst(RBTree* tree);
// Next node in order, or tree->nil after the last; null for a null tree or node.
RBTreeNode* RBTreeSuccessor(RBTree* tree, RBTreeNode* node);
// Previous node in order, or tree->nil before the first; null for a null tree or node.
RBTreeNode* RBTreePredecessor(RBTree* tree, RBTreeNode* node);

// Removes node (which must belong to tree), releasing its key and info. Pointers to all other
// nodes stay valid: when the in-order successor is spliced out, that node object takes the
// deleted node's place.
void RBTreeDelete(RBTree* tree, RBTreeNode* node);
// Releases every node (key and info), both sentinels and the record; sets *tree to null.
void RBTreeDestroy(RBTree** tree);
// Number of nodes released by the most recent RBTreeDestroy (diagnostics only).
int RBTreeReleasedNodeCount(void);

// In-order walk calling printNode(tree, node) and then visit(userData, tree, node), each when set.
void RBTreeWalk(RBTree* tree);
// Stack of the nodes whose keys lie in [low, high]; popping yields them in ascending order.
// Empty when none (or low sorts after high); null for a null tree or without memory.
// The caller frees the stack with StackDestroy(stack, nullptr): the nodes stay in the tree.
Stack* RBTreeEnumerate(RBTree* tree, const void* low, const void* high);
// Diagnostic printNode callback for string key trees: appends "%s\r\n" of the node's key to
// the file "c:\\rbtree.txt".
void RBTreeDumpToFile(RBTree* tree, RBTreeNode* node);
