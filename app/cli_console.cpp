#include "app/cli_console.h"

#include <cstdio>

int CliMessageBox(HWND, const char* text, const char* caption, UINT type)
{
    fprintf(stderr, "kelvora-cli: %s%s%s\n", caption && *caption ? caption : "", caption && *caption ? ": " : "",
            text ? text : "");
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
    case MB_RETRYCANCEL: return IDCANCEL;
    case MB_YESNO:
    case MB_YESNOCANCEL: return IDNO;
    default: return IDOK;
    }
}
