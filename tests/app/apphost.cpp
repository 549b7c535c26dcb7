#include "apphost.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <cstring>

#include <minizip/unzip.h>

#include "app/langtext.h"
#include "app/mainwindow.h"
#include "app/startup.h"
#include "config/settings.h"
#include "model/appstate.h"
#include "model/foldertree.h"
#include "model/listview.h"
#include "support/testsupport.h"
#include "ui/promptscript.h"
#include "ui/progress.h"
#include "zip/listing.h"
#include "zip/modify.h"

#ifndef KELVORA_APP_FIXTURES
#define KELVORA_APP_FIXTURES "."
#endif

std::vector<std::string> MainWindowTest::launched_;

namespace {

// Each test runs in a process of its own, several at once: each process has its own scratch key,
// so that one test's set-up cannot delete the settings another test is reading back.
const char* ScratchKey(void)
{
    static char key[64] = "";
    if (!key[0]) snprintf(key, sizeof key, "SOFTWARE\\KelvoraTests\\app-%lu", (unsigned long)GetCurrentProcessId());
    return key;
}

std::vector<std::string>* gLaunched = nullptr;

int RecordLaunchInto(HWND, const char* path, int)
{
    if (gLaunched) gLaunched->push_back(path ? path : "");
    return 1;
}

void CollectTree(HWND tree, HTREEITEM item, int depth, std::vector<std::string>* out)
{
    for (; item; item = TreeView_GetNextSibling(tree, item)) {
        char text[260] = "";
        TVITEMA tv = {};
        tv.mask = TVIF_TEXT;
        tv.hItem = item;
        tv.pszText = text;
        tv.cchTextMax = sizeof text;
        SendMessageA(tree, TVM_GETITEMA, 0, (LPARAM)&tv);
        out->push_back(std::string(depth * 2, ' ') + text);
        CollectTree(tree, TreeView_GetChild(tree, item), depth + 1, out);
    }
}

}  // namespace

std::string FixturePath(const char* name)
{
    std::string path = KELVORA_APP_FIXTURES;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path + "\\" + name;
}

void MainWindowTest::SetUp()
{
    SetSettingsKeyPath(ScratchKey());
    RegDeleteTreeA(HKEY_CURRENT_USER, ScratchKey());
    ResetSettings();
    for (int slot = 0; slot < RECENT_SLOT_COUNT; ++slot) SetRecentFile(slot, "");
    SetLanguage(LANG_CODE_ENGLISH);
    BeginPromptScript();
    launched_.clear();
    gLaunched = &launched_;
    GShellOpen = RecordLaunchInto;
    if (!GApp.currentJob) GApp.currentJob = (ListingJob*)calloc(1, sizeof(ListingJob));
    GApp.busy.store(0);
    GApp.busyOpen.store(0);
    GApp.currentArchive[0] = '\0';
    SetCompressionMethod(CM_NONE);
    InstallViewHandlers();
    RegisterMainWindowClass(GetModuleHandleA(nullptr));
    frame_ = CreateMainWindow(GetModuleHandleA(nullptr), SW_SHOWNOACTIVATE);
    ASSERT_NE(frame_, nullptr);
    folder_ = MakeTempFolder("app");
    PumpMessagesFor(50);
}

void MainWindowTest::TearDown()
{
    WaitIdle(30000);
    if (GetProgressDialog()) DestroyProgressDialog();
    StopArchiveWatcher();
    if (frame_ && IsWindow(frame_)) DestroyWindow(frame_);
    frame_ = nullptr;
    // The frame posts WM_QUIT when it goes; the next test's pump must not see it.
    PumpMessagesFor(50);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {}
    EndPromptScript();
    GShellOpen = ShellOpenWithSystem;
    gLaunched = nullptr;
    GApp.currentArchive[0] = '\0';
    SetCompressionMethod(CM_NONE);
    RemoveTempFiles(0);
    RemoveFolderTree(folder_);
    RegDeleteTreeA(HKEY_CURRENT_USER, ScratchKey());
    SetSettingsKeyPath(nullptr);
}

std::string MainWindowTest::Fixture(const char* name)
{
    std::string target = folder_ + "\\" + name;
    EXPECT_TRUE(CopyFileA(FixturePath(name).c_str(), target.c_str(), FALSE)) << "fixture " << name << " is missing";
    return target;
}

bool MainWindowTest::WaitIdle(DWORD timeoutMs)
{
    // Idle twice in a row, a little apart: work that one step starts shows up in the next.
    int quiet = 0;
    return PumpMessagesUntil(
        [&] {
            bool idle = !GApp.busy.load() && !GApp.busyOpen.load() && !IsFolderChangePending() && !IsModificationRunning() &&
                        !GetProgressDialog();
            quiet = idle ? quiet + 1 : 0;
            return quiet >= 5;
        },
        timeoutMs);
}

int MainWindowTest::OpenAndWait(const std::string& path)
{
    int result = OpenCompressedFile(path.c_str(), frame_);
    EXPECT_TRUE(WaitIdle()) << "open of " << path << " did not end";
    return result;
}

void MainWindowTest::Command(int id)
{
    SendMessageA(frame_, WM_COMMAND, MAKEWPARAM(id, 0), 0);
    WaitIdle();
}

int MainWindowTest::Rows(HWND view)
{
    return (int)SendMessageA(view, LVM_GETITEMCOUNT, 0, 0);
}

std::string MainWindowTest::Cell(HWND view, int row, int column)
{
    char text[520] = "";
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(view, LVM_GETITEMTEXTA, (WPARAM)row, (LPARAM)&item);
    return text;
}

std::vector<std::string> MainWindowTest::MemberNames(HWND view)
{
    std::vector<std::string> names;
    int rows = Rows(view);
    for (int row = 0; row < rows; ++row) names.push_back(Cell(view, row, LIST_COLUMN_PATH) + Cell(view, row, LIST_COLUMN_NAME));
    std::sort(names.begin(), names.end());
    return names;
}

std::string MainWindowTest::StatusText(int part)
{
    char text[520] = "";
    LRESULT length = SendMessageA(GApp.hwndStatus, SB_GETTEXTLENGTHA, (WPARAM)part, 0);
    if (LOWORD(length) < sizeof text) SendMessageA(GApp.hwndStatus, SB_GETTEXTA, (WPARAM)part, (LPARAM)text);
    return text;
}

std::vector<std::string> MainWindowTest::TreeLabels()
{
    std::vector<std::string> labels;
    CollectTree(GApp.hwndTree, TreeView_GetRoot(GApp.hwndTree), 0, &labels);
    return labels;
}

std::vector<std::string> MainWindowTest::ComboEntries()
{
    std::vector<std::string> entries;
    int count = (int)SendMessageA(GApp.hwndPathCombo, CB_GETCOUNT, 0, 0);
    for (int i = 0; i < count; ++i) {
        char text[260] = "";
        COMBOBOXEXITEMA item = {};
        item.mask = CBEIF_TEXT;
        item.iItem = i;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessageA(GApp.hwndPathCombo, CBEM_GETITEMA, 0, (LPARAM)&item);
        entries.push_back(text);
    }
    return entries;
}

std::string MainWindowTest::Title()
{
    char text[600] = "";
    GetWindowTextA(frame_, text, sizeof text);
    return text;
}

std::vector<std::string> MainWindowTest::MessageTexts()
{
    std::vector<std::string> texts;
    for (int i = 0; i < ScriptedQuestionCount(); ++i) {
        PromptQuestion q;
        if (GetScriptedQuestion(i, &q) && q.kind == PROMPT_KIND_MESSAGE_BOX) texts.push_back(q.text);
    }
    return texts;
}

std::vector<std::string> ArchiveMembers(const std::string& path)
{
    std::vector<std::string> names;
    unzFile uf = unzOpen64(path.c_str());
    if (!uf) return names;
    for (int rc = unzGoToFirstFile(uf); rc == UNZ_OK; rc = unzGoToNextFile(uf)) {
        char name[512] = "";
        unz_file_info64 info;
        if (unzGetCurrentFileInfo64(uf, &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK) break;
        names.push_back(name);
    }
    unzClose(uf);
    std::sort(names.begin(), names.end());
    return names;
}

int FindRow(HWND view, const std::string& name)
{
    int rows = (int)SendMessageA(view, LVM_GETITEMCOUNT, 0, 0);
    for (int row = 0; row < rows; ++row) {
        char text[260] = "";
        LVITEMA item = {};
        item.iSubItem = LIST_COLUMN_NAME;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessageA(view, LVM_GETITEMTEXTA, (WPARAM)row, (LPARAM)&item);
        if (name == text) return row;
    }
    return -1;
}

void SelectOnly(HWND view, int row)
{
    ListView_SetItemState(view, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    if (row >= 0) ListView_SetItemState(view, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}
