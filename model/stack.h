// Simple singly linked stack of element pointers (the result of RBTreeEnumerate and a general
// work stack). The stack never owns its elements unless StackDestroy is given a release.
#pragma once

struct StackNode {
    void* info;
    StackNode* next;
};

struct Stack {
    StackNode* top;
    StackNode* tail;  // last node, so that StackJoin appends in constant time
};

// Empty stack; null when memory runs out. Release with StackDestroy.
Stack* StackCreate(void);
// Pushes element (may be null) on top. 1 on success, 0 for a null stack or without memory.
int StackPush(Stack* stack, void* element);
// Removes and returns the top element; null when the stack is empty or null.
void* StackPop(Stack* stack);
// 1 when the stack holds at least one element, 0 when it is empty or null.
int StackNotEmpty(const Stack* stack);
// Appends every element of second below those of first and frees the second record; returns
// first (or second when first is null). The caller must not use second afterwards.
Stack* StackJoin(Stack* first, Stack* second);
// Frees the stack and its nodes; releaseElement (may be null) is called for each element.
void StackDestroy(Stack* stack, void (*releaseElement)(void* element));
