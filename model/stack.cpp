#include "model/stack.h"

#include <cstdlib>

Stack* StackCreate(void)
{
    return static_cast<Stack*>(std::calloc(1, sizeof(Stack)));
}

int StackPush(Stack* stack, void* element)
{
    if (!stack) return 0;
    StackNode* node = static_cast<StackNode*>(std::malloc(sizeof(StackNode)));
    if (!node) return 0;
    node->info = element;
    node->next = stack->top;
    if (!stack->top) stack->tail = node;
    stack->top = node;
    return 1;
}

void* StackPop(Stack* stack)
{
    if (!stack || !stack->top) return nullptr;
    StackNode* node = stack->top;
    void* element = node->info;
    stack->top = node->next;
    if (!stack->top) stack->tail = nullptr;
    std::free(node);
    return element;
}

int StackNotEmpty(const Stack* stack)
{
    return stack && stack->top ? 1 : 0;
}

Stack* StackJoin(Stack* first, Stack* second)
{
    if (!first) return second;
    if (!second) return first;
    if (second->top) {
        if (first->tail) first->tail->next = second->top;
        else first->top = second->top;
        first->tail = second->tail;
    }
    std::free(second);
    return first;
}

void StackDestroy(Stack* stack, void (*releaseElement)(void* element))
{
    if (!stack) return;
    StackNode* node = stack->top;
    while (node) {
        StackNode* next = node->next;
        if (releaseElement) releaseElement(node->info);
        std::free(node);
        node = next;
    }
    std::free(stack);
}
