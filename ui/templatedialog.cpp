#include "ui/templatedialog.h"

#include <cstring>

namespace {

// DLGTEMPLATE followed by empty menu and class arrays, the caption, and the font
// (DS_SETFONT): all WORD-aligned, as the dialog manager expects.
struct TemplateBuffer {
    alignas(DWORD) WORD words[128];
};

void BuildTemplate(TemplateBuffer* buffer, DWORD style)
{
    std::memset(buffer, 0, sizeof *buffer);
    DLGTEMPLATE* t = reinterpret_cast<DLGTEMPLATE*>(buffer->words);
    t->style = style;
    t->dwExtendedStyle = 0;
    t->cdit = 0;
    t->x = t->y = t->cx = t->cy = 0;
    WORD* p = reinterpret_cast<WORD*>(t + 1);
    *p++ = 0;  // no menu
    *p++ = 0;  // standard dialog class
    static const char kCaption[] = "Configuration";
    for (const char* c = kCaption; *c; ++c) *p++ = (WORD)(unsigned char)*c;
    *p++ = 0;
    *p++ = 8;  // point size of the DS_SETFONT font
    static const char kFont[] = "MS Shell Dlg";
    for (const char* c = kFont; *c; ++c) *p++ = (WORD)(unsigned char)*c;
    *p++ = 0;
}

// The foreground window when it is one of ours. A modal dialog disables its owner while it
// runs; another program's window must never be disabled (or left so if we end early).
HWND GetOwnForegroundWindow(void)
{
    HWND foreground = GetForegroundWindow();
    if (!foreground) return nullptr;
    DWORD process = 0;
    GetWindowThreadProcessId(foreground, &process);
    return process == GetCurrentProcessId() ? foreground : nullptr;
}

}  // namespace

INT_PTR ShowTemplateDialogOwned(HWND owner, DLGPROC proc, int resizable, int sysMenu, LPARAM param)
{
    DWORD style = WS_POPUP | WS_VISIBLE | WS_CAPTION | DS_CENTER | DS_MODALFRAME | DS_SETFONT | DS_FIXEDSYS |
                  DS_3DLOOK;
    if (resizable) style |= WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
    if (sysMenu) style |= WS_SYSMENU;
    TemplateBuffer buffer;
    BuildTemplate(&buffer, style);
    if (!owner) owner = GetOwnForegroundWindow();
    return DialogBoxIndirectParamA(GetModuleHandleA(nullptr), reinterpret_cast<LPCDLGTEMPLATEA>(buffer.words),
                                   owner, proc, param);
}

INT_PTR ShowTemplateDialog(DLGPROC proc, int resizable, int sysMenu, LPARAM param)
{
    return ShowTemplateDialogOwned(nullptr, proc, resizable, sysMenu, param);
}

INT_PTR ShowTemplateDialogShort(DLGPROC proc, LPARAM param)
{
    return ShowTemplateDialog(proc, 0, 1, param);
}
