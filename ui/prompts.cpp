#include "ui/prompts.h"

static int RealMessageBox(HWND owner, const char* text, const char* caption, UINT type)
{
    return MessageBoxA(owner, text, caption, type);
}

Prompts GPrompts = {RealMessageBox};

void ResetPromptsToDialogs(void)
{
    GPrompts.messageBox = RealMessageBox;
}

int PromptMessageBox(HWND owner, const char* text, const char* caption, UINT type)
{
    return GPrompts.messageBox(owner, text, caption, type);
}
