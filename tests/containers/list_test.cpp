// Doubly linked list: sorted insertion ahead of equals, copies, removal refusals, clearing,
// the standard creators and the cursor reset.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "model/list.h"
#include "model/stack.h"

namespace {

int gReleased = 0;

int* NewInt(int value)
{
    int* p = static_cast<int*>(std::malloc(sizeof(int)));
    *p = value;
    return p;
}

int IntOf(const ListNode* node)
{
    return *static_cast<const int*>(node->data);
}

// Walks forward and backward; both directions must agree with count.
std::vector<int> IntsChecked(const List* list, std::string* why)
{
    std::vector<int> forward, backward;
    const ListNode* prev = nullptr;
    for (const ListNode* n = list->head; n; n = n->next) {
        if (n->prev != prev) *why = "prev link broken";
        forward.push_back(IntOf(n));
        prev = n;
    }
    if (prev != list->tail) *why = "tail is not the last node";
    for (const ListNode* n = list->tail; n; n = n->prev) backward.insert(backward.begin(), IntOf(n));
    if (forward != backward) *why = "forward and backward walks differ";
    if (static_cast<int>(forward.size()) != list->count) *why = "count differs from the nodes";
    return forward;
}

List* CountingIndices()
{
    List* list = ListCreateIndices();
    list->destroyData = [](void* data) { gReleased++; std::free(data); };
    return list;
}

}  // namespace

TEST(List, InsertSortedPlacesNewElementBeforeItsEquals)
{
    List* list = ListCreateIndices();
    ASSERT_NE(list, nullptr);
    ListInsertSorted(list, NewInt(1));
    ListNode* oldThree = ListInsertSorted(list, NewInt(3));
    ListNode* newThree = ListInsertSorted(list, NewInt(3));
    ASSERT_NE(newThree, nullptr);
    EXPECT_EQ(newThree->next, oldThree) << "the new 3 goes ahead of the old 3";
    EXPECT_EQ(list->head->next, newThree);

    for (int v : {7, 0, 5, 3, 9, 0}) ListInsertSorted(list, NewInt(v));
    std::string why;
    EXPECT_EQ(IntsChecked(list, &why), (std::vector<int>{0, 0, 1, 3, 3, 3, 5, 7, 9}));
    EXPECT_EQ(why, "");
    ListDestroy(&list);
    EXPECT_EQ(list, nullptr);
}

TEST(List, EveryInsertionResetsTheCursor)
{
    List* list = ListCreateStrings();
    struct Case {
        const char* name;
        ListNode* (*insert)(List*);
    } cases[] = {
        {"append", [](List* l) { return ListAppend(l, _strdup("a")); }},
        {"append copy", [](List* l) { return ListAppendCopy(l, "b"); }},
        {"insert sorted", [](List* l) { return ListInsertSorted(l, _strdup("c")); }},
        {"insert sorted copy", [](List* l) { return ListInsertSortedCopy(l, "d"); }},
    };
    for (const Case& c : cases) {
        list->cursor = 5;
        ASSERT_NE(c.insert(list), nullptr) << c.name;
        EXPECT_EQ(list->cursor, 0) << c.name;
    }
    EXPECT_EQ(list->count, 4);
    ListDestroy(&list);
}

TEST(List, CopiesNeedCopyDataAndAreIndependent)
{
    List* strings = ListCreateStrings();
    char source[] = "zeta";
    ListNode* copy = ListAppendCopy(strings, source);
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy->data, static_cast<void*>(source)) << "the list holds its own copy";
    source[0] = 'b';
    EXPECT_STREQ(static_cast<const char*>(copy->data), "zeta");
    ListNode* sortedCopy = ListInsertSortedCopy(strings, source);  // "beta" sorts first
    ASSERT_NE(sortedCopy, nullptr);
    EXPECT_EQ(strings->head, sortedCopy);
    EXPECT_EQ(ListAppendCopy(strings, nullptr), nullptr) << "a failing copy inserts nothing";
    EXPECT_EQ(strings->count, 2);
    ListDestroy(&strings);

    List* indices = ListCreateIndices();  // no copyData
    int five = 5;
    EXPECT_EQ(ListAppendCopy(indices, &five), nullptr);
    EXPECT_EQ(ListInsertSortedCopy(indices, &five), nullptr);
    EXPECT_EQ(indices->count, 0);
    EXPECT_EQ(indices->head, nullptr);
    ListDestroy(&indices);

    List* pairs = ListCreatePairs();  // no compare
    StringPair* pair = static_cast<StringPair*>(std::malloc(sizeof(StringPair)));
    pair->first = _strdup("from");
    pair->second = _strdup("to");
    EXPECT_EQ(ListInsertSorted(pairs, pair), nullptr) << "sorted insertion needs a compare";
    ASSERT_NE(ListAppend(pairs, pair), nullptr);
    EXPECT_EQ(ListFind(pairs, pair), nullptr) << "finding needs a compare";
    EXPECT_EQ(ListRemoveNode(pairs, pairs->head), 1) << "pairs are released with both strings";
    ListDestroy(&pairs);
}

TEST(List, FindAndRemoveKeepLinksIntact)
{
    List* list = CountingIndices();
    for (int v : {1, 2, 3, 4, 5}) ListAppend(list, NewInt(v));
    struct Case {
        int remove;
        std::vector<int> left;
    } cases[] = {{3, {1, 2, 4, 5}}, {1, {2, 4, 5}}, {5, {2, 4}}, {9, {2, 4}}, {4, {2}}, {2, {}}};
    for (const Case& c : cases) {
        gReleased = 0;
        int found = ListFind(list, &c.remove) != nullptr;
        EXPECT_EQ(ListFindAndRemove(list, &c.remove), found) << "remove " << c.remove;
        EXPECT_EQ(gReleased, found) << "remove " << c.remove;
        std::string why;
        EXPECT_EQ(IntsChecked(list, &why), c.left) << "remove " << c.remove;
        EXPECT_EQ(why, "") << "remove " << c.remove;
    }
    EXPECT_EQ(list->head, nullptr);
    EXPECT_EQ(list->tail, nullptr);
    ListDestroy(&list);
}

TEST(List, FindReturnsTheFirstMatchOrNothing)
{
    List* list = ListCreateStrings();
    EXPECT_EQ(ListFind(list, "a"), nullptr) << "empty list";
    ListNode* first = ListAppend(list, _strdup("a"));
    ListAppend(list, _strdup("a"));
    EXPECT_EQ(ListFind(list, "a"), first);
    EXPECT_EQ(ListFind(list, "A"), nullptr);
    list->compare = nullptr;
    EXPECT_EQ(ListFind(list, "a"), nullptr) << "no compare";
    EXPECT_EQ(ListFind(nullptr, "a"), nullptr);
    ListDestroy(&list);
}

TEST(List, RemoveNodeWithoutDestroyDataIsRefused)
{
    List* list = ListCreateIndices();
    for (int v : {1, 2, 3}) ListAppend(list, NewInt(v));
    ListReleaseFn release = list->destroyData;
    list->destroyData = nullptr;
    EXPECT_EQ(ListRemoveNode(list, list->head->next), 0);
    std::string why;
    EXPECT_EQ(IntsChecked(list, &why), (std::vector<int>{1, 2, 3})) << "the list stays unchanged";
    EXPECT_EQ(why, "");
    list->destroyData = release;
    EXPECT_EQ(ListRemoveNode(list, nullptr), 0);
    EXPECT_EQ(ListRemoveNode(nullptr, list->head), 0);
    ListDestroy(&list);
}

TEST(List, ClearReleasesEveryElementAndDestroyNullsThePointer)
{
    List* list = CountingIndices();
    for (int v = 0; v < 50; v++) ListAppend(list, NewInt(v));
    list->cursor = 7;
    gReleased = 0;
    EXPECT_EQ(ListClear(list), 0);
    EXPECT_EQ(gReleased, 50);
    EXPECT_EQ(list->head, nullptr);
    EXPECT_EQ(list->tail, nullptr);
    ASSERT_NE(ListAppend(list, NewInt(1)), nullptr) << "a cleared list is usable again";
    gReleased = 0;
    ListDestroy(&list);
    EXPECT_EQ(gReleased, 1);
    EXPECT_EQ(list, nullptr);
    EXPECT_EQ(ListClear(nullptr), -1);
    ListDestroy(&list);
    ListDestroy(nullptr);
}

TEST(List, PrintAllVisitsNodesWithElements)
{
    List* list = ListCreateStrings();
    ListAppend(list, _strdup("x"));
    ListAppend(list, nullptr);
    ListAppend(list, _strdup("y"));
    static std::string printed;
    printed.clear();
    list->print = [](List*, ListNode* n) { printed += static_cast<const char*>(n->data); };
    ListPrintAll(list);
    EXPECT_EQ(printed, "xy");
    ListDestroy(&list);
}

TEST(Stack, PushPopJoinDestroy)
{
    Stack* s = StackCreate();
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(StackPop(s), nullptr);
    EXPECT_EQ(StackNotEmpty(s), 0);
    int a = 1, b = 2, c = 3, d = 4;
    StackPush(s, &a);
    StackPush(s, &b);
    Stack* t = StackCreate();
    StackPush(t, &c);
    StackPush(t, &d);
    s = StackJoin(s, t);  // s: b a, then t: d c
    std::vector<int> popped;
    while (StackNotEmpty(s)) popped.push_back(*static_cast<int*>(StackPop(s)));
    EXPECT_EQ(popped, (std::vector<int>{2, 1, 4, 3}));

    struct Case {
        const char* name;
        std::vector<int*> first, second, expected;
    } cases[] = {
        {"empty first", {}, {&a, &b}, {&b, &a}},
        {"empty second", {&a, &b}, {}, {&b, &a}},
        {"both empty", {}, {}, {}},
    };
    for (const Case& k : cases) {
        Stack* x = StackCreate();
        Stack* y = StackCreate();
        for (int* p : k.first) StackPush(x, p);
        for (int* p : k.second) StackPush(y, p);
        x = StackJoin(x, y);
        std::vector<int*> got;
        while (StackNotEmpty(x)) got.push_back(static_cast<int*>(StackPop(x)));
        EXPECT_EQ(got, k.expected) << k.name;
        StackPush(x, &c);
        EXPECT_EQ(StackPop(x), &c) << k.name << ": usable after the join";
        StackDestroy(x, nullptr);
    }

    static int released;
    released = 0;
    for (int i = 0; i < 3; i++) StackPush(s, NewInt(i));
    StackDestroy(s, [](void* p) { released++; std::free(p); });
    EXPECT_EQ(released, 3);
    EXPECT_EQ(StackPush(nullptr, &a), 0);
    EXPECT_EQ(StackPop(nullptr), nullptr);
    StackDestroy(nullptr, nullptr);
}
