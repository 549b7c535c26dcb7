// Doubly linked list of element pointers. The list owns its elements through destroyData and
// copies an element only in the ...Copy operations (through copyData). It does not lock.
#pragma once
#include <cstdint>

struct List;

struct ListNode {
    void* data;
    ListNode* next;
    ListNode* prev;
};

// 0 equal; negative: element sorts before probe.
typedef int (*ListCompareFn)(const void* element, const void* probe);
typedef void (*ListReleaseFn)(void* data);
typedef void (*ListPrintFn)(List* list, ListNode* node);
// Stores a copy of source in *slot; non-zero on success.
typedef int (*ListCopyFn)(void** slot, const void* source);

struct List {
    ListNode* head;
    ListNode* tail;
    ListReleaseFn destroyData;
    ListPrintFn print;
    ListCompareFn compare;
    ListCopyFn copyData;
    int32_t count;
    int32_t cursor;  // reading position of the owner; reset to 0 by every insertion
};

// Element of ListCreatePairs lists: two malloc'ed strings, the pair itself malloc'ed.
struct StringPair {
    char* first;
    char* second;
};

// Lists with zeroed record but the callbacks of their kind; null without memory.
// Strings: strcmp order, print, free() release, copy by duplicating (elements are malloc'ed).
List* ListCreateStrings(void);
// StringPair elements: released with both strings; no compare, print or copy.
List* ListCreatePairs(void);
// Row indices (malloc'ed int) for found lists: FoundListCompareEqual, free() release.
List* ListCreateIndices(void);

// Appends data at the tail (the list takes ownership). The new node, or null for a null list
// or without memory.
ListNode* ListAppend(List* list, void* data);
// Appends a copy of data made by copyData; null when copyData is missing or fails.
ListNode* ListAppendCopy(List* list, const void* data);
// Inserts data before the first element that does not sort before it (ahead of its equals).
// The new node; null for a null list, a missing compare or without memory.
ListNode* ListInsertSorted(List* list, void* data);
// The same with a copy made by copyData; null when copyData is missing or fails.
ListNode* ListInsertSortedCopy(List* list, const void* data);
// First node whose element compares 0 with probe; null when list, head or compare is missing.
ListNode* ListFind(List* list, const void* probe);
// Unlinks node, releases its element with destroyData and frees it: 1. Refuses with 0 when
// the list has no destroyData (the list stays unchanged) or an argument is null.
int ListRemoveNode(List* list, ListNode* node);
// ListFind then ListRemoveNode: 1 when a node was found and removed.
int ListFindAndRemove(List* list, const void* probe);
// Releases every element (through destroyData when set) and node; returns the remaining count
// (0 after success, -1 for a null list).
int ListClear(List* list);
// Clears the list and frees the record; sets *list to null.
void ListDestroy(List** list);
// print(list, node) for every node with an element, when print is set.
void ListPrintAll(List* list);
