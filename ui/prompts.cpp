#include "ui/prompts.h"

#include <cstdio>
#include <cstring>

#include "app/langtext.h"
#include "model/list.h"
#include "ui/promptdialogs.h"

char password[260];
List* GFilterSet;

int SetGlobalPassword(const char* text)
{
    char next[sizeof password];
    snprintf(next, sizeof next, "%s", text ? text : "");
    if (std::strcmp(next, password) == 0) return 0;
    std::memcpy(password, next, sizeof password);
    return 1;
}

int IsGlobalPasswordSet(void)
{
    return password[0] != '\0';
}

void ClearGlobalPassword(void)
{
    SecureZeroMemory(password, sizeof password);
}

void FreeGlobalFilterSet(void)
{
    ListDestroy(&GFilterSet);
}

int SetGlobalFilterFromText(const char* text)
{
    if (!text) return 0;
    List* set = ListCreateStrings();
    if (!set) return 0;
    const char* part = text;
    while (*part) {
        const char* end = std::strchr(part, ';');
        size_t length = end ? (size_t)(end - part) : std::strlen(part);
        // An empty part would be a suffix that every name ends with: skip it.
        if (length > 0) {
            char suffix[260];
            snprintf(suffix, sizeof suffix, "%.*s", (int)length, part);
            ListAppendCopy(set, suffix);
        }
        if (!end) break;
        part = end + 1;
    }
    if (set->count == 0) {
        ListDestroy(&set);
        return 0;
    }
    // A previous set that the caller forgot to free would leak; release it here.
    FreeGlobalFilterSet();
    GFilterSet = set;
    return 1;
}

static int RealMessageBox(HWND owner, const char* text, const char* caption, UINT type)
{
    return MessageBoxA(owner, text, caption, type);
}

static INT_PTR RunModalDialogDirectly(const char* name, INT_PTR (*run)(void* context), void* context)
{
    return run ? run(context) : -1;
}

Prompts GPrompts = {
    RealMessageBox,     ShowOpenFileDialog,  ShowSaveFileDialog,    ShowFolderBrowser,
    ShowSetPasswordDialog, ShowPasswordPrompt, ShowButtonBox,       ShowFileFilterDialog,
    ShowLineNumberDialog, ShowRenameFolderDialog, ShowColourChooser, ShowFontChooser,
    ShowPrintDialog,    RunModalDialogDirectly,
};

void ResetPromptsToDialogs(void)
{
    GPrompts.messageBox = RealMessageBox;
    GPrompts.openFile = ShowOpenFileDialog;
    GPrompts.saveFile = ShowSaveFileDialog;
    GPrompts.browseFolder = ShowFolderBrowser;
    GPrompts.setPassword = ShowSetPasswordDialog;
    GPrompts.passwordPrompt = ShowPasswordPrompt;
    GPrompts.buttonBox = ShowButtonBox;
    GPrompts.fileFilter = ShowFileFilterDialog;
    GPrompts.lineNumber = ShowLineNumberDialog;
    GPrompts.renameFolder = ShowRenameFolderDialog;
    GPrompts.chooseColor = ShowColourChooser;
    GPrompts.chooseFont = ShowFontChooser;
    GPrompts.printDialog = ShowPrintDialog;
    GPrompts.modalDialog = RunModalDialogDirectly;
}

int PromptMessageBox(HWND owner, const char* text, const char* caption, UINT type)
{
    return GPrompts.messageBox ? GPrompts.messageBox(owner, text, caption, type) : IDCANCEL;
}

int PromptOpenFile(FileDialogRequest* request)
{
    return GPrompts.openFile ? GPrompts.openFile(request) : 0;
}

int PromptSaveFile(FileDialogRequest* request)
{
    return GPrompts.saveFile ? GPrompts.saveFile(request) : 0;
}

int PromptBrowseFolder(HWND owner, const char* title, const char* startFolder, char* folder, size_t folderSize)
{
    return GPrompts.browseFolder ? GPrompts.browseFolder(owner, title, startFolder, folder, folderSize) : 0;
}

int PromptSetPassword(void)
{
    return GPrompts.setPassword ? GPrompts.setPassword() : PROMPT_CANCEL;
}

int PromptPassword(void)
{
    return GPrompts.passwordPrompt ? GPrompts.passwordPrompt() : PROMPT_CANCEL;
}

int PromptButtonBox(HWND owner, const char* caption, const char* text, int count, const char* const* captions,
                    int iconKind, int defaultIndex)
{
    if (!GPrompts.buttonBox) return -1;
    return GPrompts.buttonBox(owner, caption, text, count, captions, iconKind, defaultIndex);
}

int PromptFileFilter(void)
{
    return GPrompts.fileFilter ? GPrompts.fileFilter() : PROMPT_CANCEL;
}

int PromptLineNumber(HWND owner, char* exchange, size_t exchangeSize)
{
    return GPrompts.lineNumber ? GPrompts.lineNumber(owner, exchange, exchangeSize) : PROMPT_CANCEL;
}

int PromptRenameFolder(char* exchange, size_t exchangeSize)
{
    return GPrompts.renameFolder ? GPrompts.renameFolder(exchange, exchangeSize) : PROMPT_CANCEL;
}

int PromptChooseColor(HWND owner, COLORREF* colour)
{
    return GPrompts.chooseColor ? GPrompts.chooseColor(owner, colour) : 0;
}

int PromptChooseFont(HWND owner, LOGFONTA* font, COLORREF* colour)
{
    return GPrompts.chooseFont ? GPrompts.chooseFont(owner, font, colour) : 0;
}

int PromptPrintDialog(HWND owner, HDC* dc)
{
    if (dc) *dc = nullptr;
    return GPrompts.printDialog ? GPrompts.printDialog(owner, dc) : 0;
}

INT_PTR PromptModalDialog(const char* name, INT_PTR (*run)(void* context), void* context)
{
    return GPrompts.modalDialog ? GPrompts.modalDialog(name, run, context) : -1;
}

int AskOverwriteQuestion(HWND owner, const char* targetName)
{
    char text[1024];
    snprintf(text, sizeof text, "%s %s %s ?", GetMessageText(14), targetName ? targetName : "", GetMessageText(15));
    const char* const* captions = GetConfirmationDialogText();
    return PromptButtonBox(owner, GetMessageText(16), text, 4, captions, 4, OVERWRITE_SKIP);
}
