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

void GatherOverwriteFacts(const char* existingPath, int64_t newSize, uint32_t newDosDate, OverwriteFacts* facts)
{
    if (!facts) return;
    memset(facts, 0, sizeof *facts);
    facts->existingSize = -1;
    facts->newSize = newSize;
    facts->newDosDate = newDosDate;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (existingPath && GetFileAttributesExA(existingPath, GetFileExInfoStandard, &data)) {
        facts->existingSize = ((int64_t)data.nFileSizeHigh << 32) | data.nFileSizeLow;
        facts->existingTime = data.ftLastWriteTime;
    }
}

namespace {

// "label 12,345 bytes, 2021-03-04 05:06" with what is known.
void FormatFactLine(char* out, size_t outSize, const char* label, int64_t size, const SYSTEMTIME* when)
{
    char sizeText[40] = "?";
    if (size >= 0) {
        char digits[32];
        snprintf(digits, sizeof digits, "%lld", (long long)size);
        size_t n = strlen(digits), k = 0;
        for (size_t i = 0; i < n && k + 2 < sizeof sizeText; ++i) {
            if (i > 0 && (n - i) % 3 == 0) sizeText[k++] = '.';
            sizeText[k++] = digits[i];
        }
        sizeText[k] = '\0';
    }
    char dateText[40] = "?";
    if (when)
        snprintf(dateText, sizeof dateText, "%04u-%02u-%02u %02u:%02u:%02u", when->wYear, when->wMonth, when->wDay,
                 when->wHour, when->wMinute, when->wSecond);
    snprintf(out, outSize, "%s %s B, %s", label, sizeText, dateText);
}

}  // namespace

int AskOverwriteQuestion(HWND owner, const char* targetName, const OverwriteFacts* facts)
{
    char text[1024];
    int n = snprintf(text, sizeof text, "%s %s %s ?", GetMessageText(14), targetName ? targetName : "",
                     GetMessageText(15));
    const char* const* texts = GetConfirmationDialogText();
    if (facts && n > 0 && (size_t)n < sizeof text) {
        SYSTEMTIME existing, member;
        FILETIME local;
        const SYSTEMTIME* existingWhen = nullptr;
        const SYSTEMTIME* memberWhen = nullptr;
        if ((facts->existingTime.dwLowDateTime || facts->existingTime.dwHighDateTime) &&
            FileTimeToLocalFileTime(&facts->existingTime, &local) && FileTimeToSystemTime(&local, &existing))
            existingWhen = &existing;
        if (facts->newDosDate && DosDateTimeToFileTime(HIWORD(facts->newDosDate), LOWORD(facts->newDosDate), &local) &&
            FileTimeToSystemTime(&local, &member))
            memberWhen = &member;
        char first[200], second[200];
        FormatFactLine(first, sizeof first, texts[5], facts->existingSize, existingWhen);
        FormatFactLine(second, sizeof second, texts[6], facts->newSize, memberWhen);
        snprintf(text + n, sizeof text - (size_t)n, "\n\n%s\n%s", first, second);
    }
    // Button order: replace, replace all, skip, skip all, cancel.
    const char* captions[5] = {texts[0], texts[1], texts[2], texts[4], texts[3]};
    return PromptButtonBox(owner, GetMessageText(16), text, 5, captions, 4, OVERWRITE_SKIP);
}
