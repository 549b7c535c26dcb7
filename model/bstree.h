// Unbalanced binary search tree; duplicates go to the right. The tree owns its keys through
// destroyKey. It does not lock: the caller serialises.
#pragma once
#include <cstdint>

struct BSTree;

struct BSTreeNode {
    void* key;
    int skip;  // passed over by BSTreeWalkUnskipped
    BSTreeNode* left;
    BSTreeNode* right;
    BSTreeNode* parent;
};

// 0 equal; >= 0: the probe goes right of the node's key; < 0: left.
typedef int (*BSTreeCompareFn)(const void* probe, const void* nodeKey);
typedef void (*BSTreePrintFn)(BSTree* tree, BSTreeNode* node);
typedef void (*BSTreeVisitFn)(void* userData, BSTree* tree, BSTreeNode* node);
typedef int (*BSTreeVisitMayStopFn)(void* userData, BSTree* tree, BSTreeNode* node);
typedef void (*BSTreeReleaseFn)(void* key);

struct BSTree {
    BSTreePrintFn printNode;
    BSTreeVisitFn visit;
    BSTreeVisitMayStopFn visitMayStop;
    BSTreeCompareFn compare;
    BSTreeReleaseFn destroyKey;
    BSTreeNode* root;  // null when empty
    int32_t count;
    void* userData;    // handed to visit and visitMayStop
};

// Zeroed tree; null without memory. Release with BSTreeDestroy.
BSTree* BSTreeCreate(void);
// Setters of the callbacks and the user data; each ignores a null tree.
void BSTreeSetPrintNode(BSTree* tree, BSTreePrintFn printNode);
void BSTreeSetVisit(BSTree* tree, BSTreeVisitFn visit);
void BSTreeSetVisitMayStop(BSTree* tree, BSTreeVisitMayStopFn visitMayStop);
void BSTreeSetCompare(BSTree* tree, BSTreeCompareFn compare);
void BSTreeSetDestroyKey(BSTree* tree, BSTreeReleaseFn destroyKey);
void BSTreeSetUserData(BSTree* tree, void* userData);

// Links a new node for key (the tree takes ownership); null for a null tree, a null key, a
// missing compare or without memory.
BSTreeNode* BSTreeInsert(BSTree* tree, void* key);
// Inserts count keys (null keys skipped), the tree taking each: they are put in order and
// inserted middle first, so that keys given in order (rows of a sorted list, keys of another
// tree) do not build a chain as deep as the set; a key that cannot be linked is released with
// destroyKey. Returns the number inserted.
int BSTreeInsertAll(BSTree* tree, void** keys, int count);
// Node whose key compares 0 with probe, or null (also when a node without key is met).
BSTreeNode* BSTreeSearch(BSTree* tree, const void* probe);
// Unlinks node, releases its key and frees it. Returns the new count, 1 when the last node
// was removed, 0 when refused (the node's parent does not hold it, null arguments).
int BSTreeDeleteNode(BSTree* tree, BSTreeNode* node);

// In-order: printNode(tree, node) then visit(userData, tree, node), each when set.
void BSTreeWalk(BSTree* tree);
// As BSTreeWalk but passes over nodes whose skip flag is set.
void BSTreeWalkUnskipped(BSTree* tree);
// In-order visitMayStop(userData, tree, node) for every node exactly once; the visitor may
// delete the node it is given (BSTreeDeleteNode) and no other, and returns non-zero when it
// did. The walk always goes on with the next node.
void BSTreeWalkDeleting(BSTree* tree);
// In-order visitMayStop until it returns 0. Returns 1 when every node was visited, 0 when
// the visitor stopped the walk or the tree or visitor is missing.
int BSTreeWalkUntil(BSTree* tree);
// 101 null tree, 100 empty, 102 no root, 103 no visitMayStop; else 1 when visitMayStop
// returned non-zero for every node, 0 at the first node for which it returned 0.
int BSTreeCheckAll(BSTree* tree);
// Prints every key below node (keys taken as strings) with its depth ("%s %d\n"), starting
// at depth; returns the height: depth for a null node, else the deepest level + 1.
int BSTreePrintDepth(BSTree* tree, BSTreeNode* node, int depth);
// Releases every node with destroyKey, then the record; sets *tree to null.
void BSTreeDestroy(BSTree** tree);
// count, or -1 for a null tree.
int BSTreeCount(const BSTree* tree);
