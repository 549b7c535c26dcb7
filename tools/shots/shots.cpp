// kelvora_shots: opens one of the program's dialogs by name for a screenshot.
//   kelvora_shots --list <file>           writes the shot names, one a line
//   kelvora_shots <name> <ready file>     opens the dialog, writes "x y width height" of its
//                                         window to the ready file, and closes the dialog
//                                         once the ready file is gone (after 60 s at most)
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/langtext.h"
#include "shots.h"

namespace {

const Shot kShots[] = {
    {"progress-collapsed", OpenProgressCollapsedShot, CloseProgressShot},
    {"progress-expanded", OpenProgressExpandedShot, CloseProgressShot},
    {"set-password", OpenSetPasswordShot, nullptr},
    {"overwrite-question", OpenOverwriteQuestionShot, nullptr},
    {"main-flat-view", OpenFlatViewShot, CloseMainWindowShot},
    {"main-folder-view", OpenFolderViewShot, CloseMainWindowShot},
    {"main-extraction-progress", OpenExtractionProgressShot, CloseMainWindowShot},
    {"main-search-hit", OpenSearchHitShot, CloseMainWindowShot},
    {"help-window", OpenHelpWindowShot, CloseHelpWindowShot},
};

int WriteShotList(const char* path)
{
    FILE* out = std::fopen(path, "w");
    if (!out) return 2;
    for (const Shot& shot : kShots) std::fprintf(out, "%s\n", shot.name);
    return std::fclose(out) == 0 ? 0 : 2;
}

// Written under a temporary name and renamed, so that the script never reads half a line.
int WriteReadyFile(const char* path, HWND window)
{
    RECT r;
    if (!GetWindowRect(window, &r)) return 0;
    char temp[MAX_PATH];
    std::snprintf(temp, sizeof temp, "%s.tmp", path);
    FILE* out = std::fopen(temp, "w");
    if (!out) return 0;
    std::fprintf(out, "%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
    if (std::fclose(out) != 0) return 0;
    return MoveFileExA(temp, path, MOVEFILE_REPLACE_EXISTING) ? 1 : 0;
}

int RunShot(const Shot& shot, const char* readyPath)
{
    HWND window = shot.open();
    if (!window) {
        std::fprintf(stderr, "kelvora_shots: %s did not open\n", shot.name);
        return 3;
    }
    if (!WriteReadyFile(readyPath, window)) return 4;
    for (int round = 0; round < 600 && GetFileAttributesA(readyPath) != INVALID_FILE_ATTRIBUTES; ++round) Sleep(100);
    if (shot.close) shot.close(window);
    else SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    return 0;
}

}  // namespace

void SettleShotWindow(HWND window)
{
    DWORD_PTR ignored;
    for (int i = 0; i < 2; ++i) SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &ignored);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    for (int i = 0; i < 2; ++i) SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &ignored);
    Sleep(300);
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES | ICC_USEREX_CLASSES};
    InitCommonControlsEx(&icc);
    OleInitialize(nullptr);
    SetLanguage(LANG_CODE_ENGLISH);
    int rc = 1;
    if (__argc == 3 && std::strcmp(__argv[1], "--list") == 0) {
        rc = WriteShotList(__argv[2]);
    } else if (__argc == 3) {
        const Shot* found = nullptr;
        for (const Shot& shot : kShots)
            if (std::strcmp(shot.name, __argv[1]) == 0) found = &shot;
        if (found) rc = RunShot(*found, __argv[2]);
        else std::fprintf(stderr, "kelvora_shots: no shot named %s\n", __argv[1]);
    } else {
        std::fprintf(stderr, "usage: kelvora_shots --list <file> | kelvora_shots <name> <ready file>\n");
    }
    OleUninitialize();
    return rc;
}
