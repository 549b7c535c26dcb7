// The system's common dialogs behind the prompts seam: open, save, folder, colour, font, print.
#include "ui/promptdialogs.h"

#include <commdlg.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>

namespace {

void FillFileDialog(OPENFILENAMEA* dialog, const FileDialogRequest* request)
{
    std::memset(dialog, 0, sizeof *dialog);
    dialog->lStructSize = sizeof *dialog;
    dialog->hwndOwner = request->owner;
    dialog->hInstance = GetModuleHandleA(nullptr);
    dialog->lpstrFilter = request->filter;
    dialog->nFilterIndex = request->filter ? 1 : 0;
    dialog->lpstrFile = request->file;
    dialog->nMaxFile = request->fileSize;
    dialog->lpstrInitialDir = request->initialDir;
    dialog->lpstrTitle = request->title;
    dialog->lpstrDefExt = request->defaultExt;
    dialog->Flags = request->flags | OFN_EXPLORER;
}

// A single choice in a multiple-selection dialog comes back as one path: end it with the
// second NUL that the list form promises.
void EndFileList(const OPENFILENAMEA* dialog, FileDialogRequest* request)
{
    if (!(request->flags & OFN_ALLOWMULTISELECT)) return;
    size_t length = strnlen(request->file, request->fileSize);
    if (dialog->nFileOffset > length) return;  // already a list: folder, files, final NUL
    if (length + 1 < request->fileSize) request->file[length + 1] = '\0';
}

int IsUsableRequest(const FileDialogRequest* request)
{
    return request && request->file && request->fileSize >= 2;
}

int CALLBACK SelectStartFolder(HWND browser, UINT message, LPARAM, LPARAM data)
{
    const char* start = reinterpret_cast<const char*>(data);
    if (message == BFFM_INITIALIZED && start && start[0]) SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, data);
    return 0;
}

}  // namespace

int ShowOpenFileDialog(FileDialogRequest* request)
{
    if (!IsUsableRequest(request)) return 0;
    OPENFILENAMEA dialog;
    FillFileDialog(&dialog, request);
    if (!GetOpenFileNameA(&dialog)) return 0;
    EndFileList(&dialog, request);
    return 1;
}

int ShowSaveFileDialog(FileDialogRequest* request)
{
    if (!IsUsableRequest(request)) return 0;
    OPENFILENAMEA dialog;
    FillFileDialog(&dialog, request);
    return GetSaveFileNameA(&dialog) ? 1 : 0;
}

int ShowFolderBrowser(HWND owner, const char* title, const char* startFolder, char* folder, size_t folderSize)
{
    if (!folder || folderSize == 0) return 0;
    char display[MAX_PATH] = "";
    BROWSEINFOA browse = {};
    browse.hwndOwner = owner;
    browse.pszDisplayName = display;
    browse.lpszTitle = title;
    browse.ulFlags = BIF_NEWDIALOGSTYLE | BIF_RETURNONLYFSDIRS;
    browse.lpfn = SelectStartFolder;
    browse.lParam = reinterpret_cast<LPARAM>(startFolder);
    LPITEMIDLIST chosen = SHBrowseForFolderA(&browse);
    if (!chosen) return 0;
    char path[MAX_PATH] = "";
    BOOL isFolder = SHGetPathFromIDListA(chosen, path);
    CoTaskMemFree(chosen);
    // A choice outside the file system (a printer, the network root) counts as cancel.
    if (!isFolder || !path[0]) return 0;
    snprintf(folder, folderSize, "%s", path);
    return 1;
}

int ShowColourChooser(HWND owner, COLORREF* colour)
{
    if (!colour) return 0;
    static COLORREF custom[16];
    CHOOSECOLORA choose = {};
    choose.lStructSize = sizeof choose;
    choose.hwndOwner = owner;
    choose.rgbResult = *colour;
    choose.lpCustColors = custom;
    choose.Flags = CC_RGBINIT | CC_FULLOPEN | CC_ANYCOLOR;
    if (!ChooseColorA(&choose)) return 0;
    *colour = choose.rgbResult;
    return 1;
}

int ShowFontChooser(HWND owner, LOGFONTA* font, COLORREF* colour)
{
    if (!font) return 0;
    CHOOSEFONTA choose = {};
    choose.lStructSize = sizeof choose;
    choose.hwndOwner = owner;
    choose.lpLogFont = font;
    choose.rgbColors = colour ? *colour : 0;
    choose.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT | CF_EFFECTS;
    if (!ChooseFontA(&choose)) return 0;
    if (colour) *colour = choose.rgbColors;
    return 1;
}

int ShowPrintDialog(HWND owner, HDC* dc)
{
    if (!dc) return 0;
    *dc = nullptr;
    PRINTDLGA print = {};
    print.lStructSize = sizeof print;
    print.hwndOwner = owner;
    print.Flags = PD_RETURNDC | PD_NOPAGENUMS | PD_NOSELECTION;
    BOOL chosen = PrintDlgA(&print);
    if (print.hDevMode) GlobalFree(print.hDevMode);
    if (print.hDevNames) GlobalFree(print.hDevNames);
    if (!chosen || !print.hDC) return 0;
    *dc = print.hDC;
    return 1;
}
