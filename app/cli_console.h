// What the console companion's commands share: their answer to the program's message boxes.
#pragma once
#include <windows.h>

// GPrompts.messageBox of the console: prints "kelvora-cli: CAPTION: TEXT" on standard error and
// takes the careful answer without asking (Cancel where offered, else No, else OK).
int CliMessageBox(HWND owner, const char* text, const char* caption, UINT type);
