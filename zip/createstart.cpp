// Starting archive runs from the window: a new archive from a folder or from chosen files, files
// dropped or pasted onto the open archive, and the command line's archive jobs (see create.h).
#include <windows.h>
#include <commdlg.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/langtext.h"
#include "config/log.h"
#include "config/settings.h"
#include "model/appstate.h"
#include "model/list.h"
#include "model/liststruct.h"
#include "model/strutil.h"
#include "ui/prompts.h"
#include "zip/create.h"
#include "zip/createinternal.h"
#include "zip/listing.h"

namespace {

enum { kSelectionBuffer = 32768 };
const char kZipFilter[] = "ZIP (*.zip)\0*.zip\0*.*\0*.*\0";

char gLastFolder[260];

HWND OwnerWindow(void)
{
    return GApp.hwndMain ? GApp.hwndMain : GetForegroundWindow();
}

void TakeViews(ZipCreateOptions* o)
{
    o->viewList = GetViewList();
    o->folderTree = GApp.hwndTree;
    o->focusWindow = GApp.hwndFocusView;
}

// Steps shared by every start: the password and the filter.
void AskPasswordAndFilter(ZipCreateOptions* o)
{
    if (o->encrypt) {
        if (!IsGlobalPasswordSet() && PromptSetPassword() != PROMPT_OK) o->encrypt = 0;
        CopyBounded(o->password, sizeof o->password, o->encrypt ? password : "");
        if (!o->password[0]) o->encrypt = 0;
    }
    if (o->filterFlag) {
        if (PromptFileFilter() == PROMPT_OK && GFilterSet) {
            o->filter = ListCreateStrings();
            for (ListNode* n = GFilterSet->head; o->filter && n; n = n->next)
                if (n->data) ListAppendCopy(o->filter, n->data);
        }
    }
}

// %TEMP%\zip_temp.zip, or the save dialog. 1 with the name in o->targetArchive, 0 cancelled.
int ChooseTarget(ZipCreateOptions* o, int overwritePrompt)
{
    if (o->temporaryArchive) {
        char temp[260] = "";
        GetEnvironmentVariableA("TEMP", temp, sizeof temp);
        snprintf(o->targetArchive, sizeof o->targetArchive, "%s\\%s", temp, "zip_temp.zip");
        return 1;
    }
    char file[260] = "";
    FileDialogRequest save = {OwnerWindow(), GetMessageText(26), kZipFilter, "zip", nullptr,
                              (DWORD)(OFN_PATHMUSTEXIST | (overwritePrompt ? OFN_OVERWRITEPROMPT : 0)), file, sizeof file};
    if (!PromptSaveFile(&save) || !file[0]) return 0;
    CopyBounded(o->targetArchive, sizeof o->targetArchive, file);
    return 1;
}

void EmptyViews(void)
{
    if (GZipCreateHooks.clearViews)
        GZipCreateHooks.clearViews();
    else if (GApp.hwndList)
        ClearList(GApp.hwndList);
}

// The file dialog's multiple selection: folder, then names, NUL-separated; one choice is the
// full path alone. 1 with o->paths filled, 0 cancelled.
int PickFiles(ZipCreateOptions* o)
{
    std::vector<std::string> paths;
    std::string folder;
    if (!AskForFilesToAdd(OwnerWindow(), &paths, &folder)) return 0;
    std::vector<const char*> pointers;
    for (const std::string& s : paths) pointers.push_back(s.c_str());
    if (!SetZipCreatePaths(o, pointers.data(), (int)pointers.size())) return 0;
    o->droppedFiles = 0;
    o->selectedFiles = 1;
    CopyBounded(o->baseFolder, sizeof o->baseFolder, folder.c_str());
    return 1;
}

}  // namespace

int NewArchivesCanBeTar(void)
{
    // The create command writes ZIP archives only; TAR creation comes with the TAR engine.
    return 0;
}

int AskForFilesToAdd(HWND owner, std::vector<std::string>* paths, std::string* folder)
{
    std::vector<char> buffer(kSelectionBuffer, '\0');
    DWORD flags = OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
    if (!GetHideDialogFilesDirs()) flags |= OFN_FORCESHOWHIDDEN;
    FileDialogRequest open = {owner, GetMessageText(1), nullptr, nullptr, nullptr, flags, buffer.data(),
                              (DWORD)buffer.size() - 1};
    if (!paths || !folder || !PromptOpenFile(&open) || !buffer[0]) return 0;
    paths->clear();
    std::string first = buffer.data();
    const char* p = buffer.data() + first.size() + 1;
    *folder = first;
    if (!*p) {
        // A single file: the dialog gives its full path.
        size_t cut = first.find_last_of("\\/");
        *folder = cut == std::string::npos ? std::string() : first.substr(0, cut);
        paths->push_back(first);
    }
    for (; *p; p += strlen(p) + 1) paths->push_back(*folder + "\\" + p);
    return (int)paths->size();
}

int StartNewArchive(const char* folder)
{
    if (!TryEnterBusy(GApp.busy)) {
        LogLine("already busy");
        return 0;
    }
    ZipCreateOptions* o = NewZipCreateOptions();
    if (!o) {
        LeaveBusy(GApp.busy);
        return 0;
    }
    ApplyCreationSettings(o);
    TakeViews(o);
    char current[260] = "";
    GetCurrentDirectoryA(sizeof current, current);
    if ((folder && *folder) || GetAddDirectories() == 0) {
        char chosen[260] = "";
        if (folder && *folder) {
            CopyBounded(chosen, sizeof chosen, folder);
        } else {
            char title[300];
            snprintf(title, sizeof title, "%s - %s", GetMessageText(25), GetConfigurationText(GetPreferredTar() && NewArchivesCanBeTar() ? 16 : 15));
            if (!PromptBrowseFolder(OwnerWindow(), title, gLastFolder[0] ? gLastFolder : "c:\\", chosen, sizeof chosen) ||
                !chosen[0]) {
                ReleaseZipCreateOptions(o);
                LeaveBusy(GApp.busy);
                return 0;
            }
            CopyBounded(gLastFolder, sizeof gLastFolder, chosen);
        }
        size_t n = strlen(chosen);
        while (n > 3 && (chosen[n - 1] == '\\' || chosen[n - 1] == '/')) chosen[--n] = '\0';
        CopyBounded(o->baseFolder, sizeof o->baseFolder, chosen);
        o->relativeNames = 1;
    } else if (!PickFiles(o)) {
        ReleaseZipCreateOptions(o);
        LeaveBusy(GApp.busy);
        return 0;
    }
    AskPasswordAndFilter(o);
    if (!ChooseTarget(o, 1)) {
        ReleaseZipCreateOptions(o);
        LeaveBusy(GApp.busy);
        return 0;
    }
    CopyBounded(o->savedDirectory, sizeof o->savedDirectory, current);
    CopyBounded(o->sourceBase, sizeof o->sourceBase, o->baseFolder);
    EmptyViews();
    if (o->sourceBase[0]) SetCurrentDirectoryA(o->sourceBase);
    SetCompressionMethod(CM_ZIP);
    o->holdsBusy = 1;
    char target[260];
    CopyBounded(target, sizeof target, o->targetArchive);
    if (StartZipWorkDirectoryThread(o) != 0) return 0;
    SetArchiveMainTitle(target);
    return 1;
}

int StartAppendToOpenArchive(const char* const* paths, int count, const char* prefixPath)
{
    if (!paths || count <= 0 || !GApp.currentArchive[0]) return 0;
    if (!TryEnterBusy(GApp.busy)) {
        LogLine("already busy");
        return 0;
    }
    ZipCreateOptions* o = NewZipCreateOptions();
    if (!o || !SetZipCreatePaths(o, paths, count)) {
        ReleaseZipCreateOptions(o);
        LeaveBusy(GApp.busy);
        return 0;
    }
    ApplyCreationSettings(o);
    // The archive exists already: it is not the self-extractor's temporary one.
    o->temporaryArchive = 0;
    TakeViews(o);
    o->append = 1;
    o->prefixMode = 1;
    CopyBounded(o->prefixPath, sizeof o->prefixPath, prefixPath ? prefixPath : "");
    CopyBounded(o->targetArchive, sizeof o->targetArchive, GApp.currentArchive);
    AskPasswordAndFilter(o);
    GetCurrentDirectoryA(sizeof o->savedDirectory, o->savedDirectory);
    o->holdsBusy = 1;
    return StartZipWorkDirectoryThread(o) == 0 ? 1 : 0;
}

int CreateArchiveFromFiles(const char* const* files, int count, int silent, int append)
{
    if (GApp.busy.load()) return 0;
    if (!silent && !TryEnterBusy(GApp.busy)) return 0;
    if (GApp.hwndList) EnableWindow(GApp.hwndList, TRUE);
    ZipCreateOptions* o = NewZipCreateOptions();
    if (!o || !SetZipCreatePaths(o, files, count)) {
        ReleaseZipCreateOptions(o);
        if (!silent) LeaveBusy(GApp.busy);
        return 0;
    }
    ApplyCreationSettings(o);
    TakeViews(o);
    o->silent = silent ? 1 : 0;
    o->append = append ? 1 : 0;
    o->prefixMode = 1;
    AskPasswordAndFilter(o);
    if (!ChooseTarget(o, !append)) {
        ReleaseZipCreateOptions(o);
        if (!silent) LeaveBusy(GApp.busy);
        return 0;
    }
    GetCurrentDirectoryA(sizeof o->savedDirectory, o->savedDirectory);
    EmptyViews();
    SetCompressionMethod(CM_ZIP);
    o->holdsBusy = silent ? 0 : 1;
    char target[260];
    CopyBounded(target, sizeof target, o->targetArchive);
    if (StartZipWorkDirectoryThread(o) != 0) return 0;
    if (!silent) SetArchiveMainTitle(target);
    if (GApp.hwndFocusView) SetFocus(GApp.hwndFocusView);
    return 1;
}
