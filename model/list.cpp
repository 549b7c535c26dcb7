#include "model/list.h"

#include <cstdlib>
#include <cstring>

#include "config/log.h"
#include "model/compare.h"

static int CompareStrings(const void* element, const void* probe)
{
    int r = std::strcmp(static_cast<const char*>(element), static_cast<const char*>(probe));
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

static void PrintString(List* list, ListNode* node)
{
    LogLine(static_cast<const char*>(node->data));
}

static void ReleasePlain(void* data)
{
    std::free(data);
}

static int CopyString(void** slot, const void* source)
{
    if (!slot || !source) return 0;
    *slot = _strdup(static_cast<const char*>(source));
    return *slot ? 1 : 0;
}

static void ReleaseStringPair(void* data)
{
    StringPair* pair = static_cast<StringPair*>(data);
    if (!pair) return;
    std::free(pair->first);
    std::free(pair->second);
    std::free(pair);
}

static List* CreateList(ListCompareFn compare, ListPrintFn print, ListReleaseFn destroyData, ListCopyFn copyData)
{
    List* list = static_cast<List*>(std::calloc(1, sizeof(List)));
    if (!list) return nullptr;
    list->compare = compare;
    list->print = print;
    list->destroyData = destroyData;
    list->copyData = copyData;
    return list;
}

List* ListCreateStrings(void)
{
    return CreateList(CompareStrings, PrintString, ReleasePlain, CopyString);
}

List* ListCreatePairs(void)
{
    return CreateList(nullptr, nullptr, ReleaseStringPair, nullptr);
}

List* ListCreateIndices(void)
{
    return CreateList(FoundListCompareEqual, nullptr, ReleasePlain, nullptr);
}

static ListNode* NewNode(void* data)
{
    ListNode* node = static_cast<ListNode*>(std::calloc(1, sizeof(ListNode)));
    if (node) node->data = data;
    return node;
}

// Links node in front of before, or at the tail when before is null.
static void LinkBefore(List* list, ListNode* node, ListNode* before)
{
    if (!before) {
        node->prev = list->tail;
        node->next = nullptr;
        if (list->tail) list->tail->next = node;
        else list->head = node;
        list->tail = node;
    } else {
        node->next = before;
        node->prev = before->prev;
        if (before->prev) before->prev->next = node;
        else list->head = node;
        before->prev = node;
    }
    list->count++;
    list->cursor = 0;
}

ListNode* ListAppend(List* list, void* data)
{
    if (!list) return nullptr;
    ListNode* node = NewNode(data);
    if (!node) return nullptr;
    LinkBefore(list, node, nullptr);
    return node;
}

// Makes a copy of data through the list's copyData; null when there is none or it fails.
static void* CopyElement(List* list, const void* data)
{
    if (!list->copyData) return nullptr;
    void* copy = nullptr;
    if (!list->copyData(&copy, data)) {
        if (copy && list->destroyData) list->destroyData(copy);
        return nullptr;
    }
    return copy;
}

// Inserts an element that the list already owns; on failure the element is released.
static ListNode* AdoptCopy(List* list, void* copy, ListNode* (*insert)(List*, void*))
{
    ListNode* node = insert(list, copy);
    if (!node && list->destroyData) list->destroyData(copy);
    return node;
}

ListNode* ListAppendCopy(List* list, const void* data)
{
    if (!list) return nullptr;
    void* copy = CopyElement(list, data);
    if (!copy) return nullptr;
    return AdoptCopy(list, copy, ListAppend);
}

ListNode* ListInsertSorted(List* list, void* data)
{
    if (!list || !list->compare) return nullptr;
    ListNode* node = NewNode(data);
    if (!node) return nullptr;
    ListNode* before = list->head;
    while (before && list->compare(before->data, data) < 0) before = before->next;
    LinkBefore(list, node, before);
    return node;
}

ListNode* ListInsertSortedCopy(List* list, const void* data)
{
    if (!list || !list->compare) return nullptr;
    void* copy = CopyElement(list, data);
    if (!copy) return nullptr;
    return AdoptCopy(list, copy, ListInsertSorted);
}

ListNode* ListFind(List* list, const void* probe)
{
    if (!list || !list->head || !list->compare) return nullptr;
    for (ListNode* node = list->head; node; node = node->next)
        if (list->compare(node->data, probe) == 0) return node;
    return nullptr;
}

int ListRemoveNode(List* list, ListNode* node)
{
    if (!list || !node || !list->destroyData) return 0;
    if (node->prev) node->prev->next = node->next;
    else list->head = node->next;
    if (node->next) node->next->prev = node->prev;
    else list->tail = node->prev;
    list->destroyData(node->data);
    std::free(node);
    list->count--;
    return 1;
}

int ListFindAndRemove(List* list, const void* probe)
{
    ListNode* node = ListFind(list, probe);
    if (!node) return 0;
    return ListRemoveNode(list, node);
}

int ListClear(List* list)
{
    if (!list) return -1;
    ListNode* node = list->head;
    while (node) {
        ListNode* next = node->next;
        if (list->destroyData) list->destroyData(node->data);
        std::free(node);
        list->count--;
        node = next;
    }
    list->head = list->tail = nullptr;
    list->cursor = 0;
    return list->count;
}

void ListDestroy(List** listRef)
{
    if (!listRef || !*listRef) return;
    ListClear(*listRef);
    std::free(*listRef);
    *listRef = nullptr;
}

void ListPrintAll(List* list)
{
    if (!list || !list->print) return;
    for (ListNode* node = list->head; node; node = node->next)
        if (node->data) list->print(list, node);
}
