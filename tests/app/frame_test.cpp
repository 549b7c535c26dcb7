// The frame as the program creates it: its class, its extended styles, its children with their
// classes, ids and styles; the status bar's tool tip that follows the background jobs; files
// dropped onto the frame (WM_DROPFILES); the list's double click and Enter.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/ids.h"
#include "app/langtext.h"
#include "app/mainwindow.h"
#include "apphost.h"
#include "model/appstate.h"
#include "model/backgroundjob.h"
#include "model/listview.h"
#include "support/testsupport.h"
#include "ui/promptscript.h"
#include "zip/create.h"

namespace {

std::string ClassOf(HWND window)
{
    char name[128] = "";
    if (window) GetClassNameA(window, name, sizeof name);
    return name;
}

// The held background job: its thread waits until the test lets it end.
HANDLE gJobRelease = nullptr;

DWORD WINAPI HeldJobThread(LPVOID)
{
    WaitForSingleObject(gJobRelease, 60000);
    return 0;
}

const char* HeldJobStatus(const void*)
{
    return "writing";
}

void FreeJob(void* job)
{
    std::free(job);
}

// A drop handle as the shell hands it over: DROPFILES and the names, each ended by a NUL, the
// list by another one. The receiver releases it (DragFinish).
HDROP MakeDrop(const std::vector<std::string>& paths)
{
    size_t bytes = sizeof(DROPFILES) + 1;
    for (const std::string& p : paths) bytes += p.size() + 1;
    HGLOBAL memory = GlobalAlloc(GHND, bytes);
    if (!memory) return nullptr;
    DROPFILES* drop = (DROPFILES*)GlobalLock(memory);
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = FALSE;
    char* names = (char*)drop + sizeof(DROPFILES);
    for (const std::string& p : paths) {
        std::memcpy(names, p.c_str(), p.size() + 1);
        names += p.size() + 1;
    }
    *names = '\0';
    GlobalUnlock(memory);
    return (HDROP)memory;
}

std::string Join(const std::vector<std::string>& items)
{
    std::string joined;
    for (const std::string& s : items) joined += "[" + s + "]";
    return joined;
}

}  // namespace

TEST_F(MainWindowTest, FrameAndChildrenCarryTheirClassesIdsAndStyles)
{
    EXPECT_EQ(ClassOf(frame_), "Kelvora");
    LONG_PTR ex = GetWindowLongPtrA(frame_, GWL_EXSTYLE);
    EXPECT_TRUE(ex & WS_EX_LAYERED) << "a layered window";
    EXPECT_TRUE(ex & WS_EX_ACCEPTFILES) << "accepts dropped files";
    BYTE alpha = 0;
    DWORD flags = 0;
    ASSERT_TRUE(GetLayeredWindowAttributes(frame_, nullptr, &alpha, &flags));
    EXPECT_TRUE(flags & LWA_ALPHA);
    EXPECT_EQ(alpha, 255) << "fully opaque";
    LONG_PTR style = GetWindowLongPtrA(frame_, GWL_STYLE);
    EXPECT_TRUE(style & WS_CLIPCHILDREN);
    EXPECT_TRUE(style & WS_CLIPSIBLINGS);

    struct Child {
        int id;
        const char* className;
        HWND expected;      // the handle GApp keeps, null when it keeps none
        LONG_PTR styles;    // styles it must have
    };
    const LONG_PTR listStyles = LVS_REPORT | LVS_EDITLABELS | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS;
    const Child children[] = {
        {IDC_FRAME_LINE, "Static", nullptr, 0},
        {IDC_LIST, "SysListView32", GApp.hwndList, listStyles},
        {IDC_FOLDER_TREE, "SysTreeView32", GApp.hwndTree,
         TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_EDITLABELS | TVS_SHOWSELALWAYS | WS_TABSTOP},
        {IDC_TREELIST, "SysListView32", GApp.hwndTreeList, listStyles | WS_TABSTOP},
        {IDC_PATH_COMBO, "ComboBoxEx32", GApp.hwndPathCombo, CBS_DROPDOWN},
        {IDC_COMBO_LABEL, "Static", nullptr, 0},
        {IDC_STATUS, "msctls_statusbar32", GApp.hwndStatus, SBARS_SIZEGRIP},
    };
    for (const Child& c : children) {
        HWND child = GetDlgItem(frame_, c.id);
        ASSERT_NE(child, nullptr) << "child " << c.id;
        EXPECT_EQ(GetParent(child), frame_) << "child " << c.id;
        EXPECT_STRCASEEQ(ClassOf(child).c_str(), c.className) << "child " << c.id;
        if (c.expected) {
            EXPECT_EQ(child, c.expected) << "child " << c.id;
        }
        LONG_PTR s = GetWindowLongPtrA(child, GWL_STYLE);
        EXPECT_EQ(s & c.styles, c.styles) << "child " << c.id << " styles " << std::hex << s;
    }
    EXPECT_EQ(ClassOf(GApp.hwndToolbar), TOOLBARCLASSNAMEA);
    EXPECT_TRUE(GetWindowLongPtrA(GApp.hwndToolbar, GWL_STYLE) & TBSTYLE_TOOLTIPS);
    EXPECT_TRUE(GetWindowLongPtrA(GApp.hwndToolbar, GWL_STYLE) & TBSTYLE_FLAT);
    for (int id = IDM_TB_NEW_ARCHIVE; id <= IDM_TB_FIND; ++id)
        EXPECT_GE(SendMessageA(GApp.hwndToolbar, TB_COMMANDTOINDEX, id, 0), 0) << "toolbar button " << id;
    // The combo's label is 100 x 20 pixels.
    RECT label;
    GetWindowRect(GetDlgItem(frame_, IDC_COMBO_LABEL), &label);
    EXPECT_EQ(label.right - label.left, 100);
    EXPECT_EQ(label.bottom - label.top, 20);
}

TEST_F(MainWindowTest, StatusBarTipFollowsTheBackgroundJobs)
{
    gJobRelease = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ZipCreateOptions* job = (ZipCreateOptions*)std::calloc(1, sizeof(ZipCreateOptions));
    ASSERT_NE(job, nullptr);
    std::snprintf(job->targetArchive, sizeof job->targetArchive, "%s", "C:\\jobs\\held.zip");
    HANDLE thread = CreateThread(nullptr, 0, HeldJobThread, nullptr, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    int before = BackgroundJobCount();
    int number = StartBackgroundJob(thread, job, FreeJob, HeldJobStatus);
    ASSERT_GE(number, 0);
    UpdateBackgroundJobTip();
    char tip[600] = "";
    // The timer refreshes the tip while the job runs: one line a job, with a running counter.
    std::string prefix = std::to_string(number + 1) + ". C:\\jobs\\held.zip -- writing ";
    EXPECT_TRUE(PumpMessagesUntil(
        [&] {
            GetStatusToolTipText(STATUS_PART_SEARCH, tip, sizeof tip);
            return std::string(tip).rfind(prefix, 0) == 0;
        },
        5000))
        << tip;
    std::string first = tip;
    EXPECT_TRUE(PumpMessagesUntil(
        [&] {
            GetStatusToolTipText(STATUS_PART_SEARCH, tip, sizeof tip);
            return std::string(tip) != first && std::string(tip).rfind(prefix, 0) == 0;
        },
        5000))
        << "the counter runs: " << tip;
    // The job ends: the tip says so once.
    SetEvent(gJobRelease);
    EXPECT_TRUE(PumpMessagesUntil([&] { return BackgroundJobCount() == before; }, 10000));
    EXPECT_TRUE(PumpMessagesUntil(
        [&] {
            GetStatusToolTipText(STATUS_PART_SEARCH, tip, sizeof tip);
            return std::string(tip) == GetMessageText(41);
        },
        5000))
        << tip;
    CloseHandle(gJobRelease);
    gJobRelease = nullptr;
}

TEST_F(MainWindowTest, FilesDroppedOntoTheFrameOpenOrJoinTheArchive)
{
    std::string nested = Fixture("nested.zip");
    std::string dropped = Fixture("dropped.txt");
    // Onto the empty window: the archive opens.
    SendMessageA(frame_, WM_DROPFILES, (WPARAM)MakeDrop({nested}), 0);
    ASSERT_TRUE(WaitIdle());
    ASSERT_EQ(Rows(GApp.hwndList), 6);
    EXPECT_EQ(std::string(GApp.currentArchive), nested);
    // Onto the folder view with a\b chosen in the path combo: the file goes into that folder.
    Command(IDM_FOLDER_VIEW);
    std::vector<std::string> entries = ComboEntries();
    int index = (int)(std::find(entries.begin(), entries.end(), "a\\b") - entries.begin());
    ASSERT_LT(index, (int)entries.size()) << Join(entries);
    SendMessageA(GApp.hwndPathCombo, CB_SETCURSEL, index, 0);
    HWND inner = (HWND)SendMessageA(GApp.hwndPathCombo, CBEM_GETCOMBOCONTROL, 0, 0);
    SendMessageA(GApp.hwndPathCombo, WM_COMMAND, MAKEWPARAM(0, CBN_SELENDOK), (LPARAM)inner);
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(Join(MemberNames(GApp.hwndTreeList)), "[a\\b\\five.txt][a\\b\\two.txt]");
    char shown[260] = "";
    GetWindowTextA(GApp.hwndPathCombo, shown, sizeof shown);
    ASSERT_STREQ(shown, "a\\b");
    SendMessageA(frame_, WM_DROPFILES, (WPARAM)MakeDrop({dropped}), 0);
    ASSERT_TRUE(WaitIdle());
    std::vector<std::string> members = ArchiveMembers(nested);
    EXPECT_TRUE(std::find(members.begin(), members.end(), "a/b/dropped.txt") != members.end());
    EXPECT_TRUE(std::find(members.begin(), members.end(), "dropped.txt") == members.end());
    std::vector<std::string> rows = MemberNames(GApp.hwndList);
    EXPECT_TRUE(std::find(rows.begin(), rows.end(), "a\\b\\dropped.txt") != rows.end()) << Join(rows);
}

TEST_F(MainWindowTest, DoubleClickAndEnterOpenTheSelectedMember)
{
    OpenAndWait(Fixture("nested.zip"));
    int row = -1;
    for (int i = 0; i < Rows(GApp.hwndList); ++i)
        if (Cell(GApp.hwndList, i, LIST_COLUMN_NAME) == "five.txt") row = i;
    ASSERT_GE(row, 0);
    ListView_SetItemState(GApp.hwndList, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    for (UINT code : {(UINT)NM_DBLCLK, (UINT)NM_RETURN}) {
        launched_.clear();
        NMITEMACTIVATE note = {};
        note.hdr.hwndFrom = GApp.hwndList;
        note.hdr.idFrom = IDC_LIST;
        note.hdr.code = code;
        note.iItem = row;
        SendMessageA(frame_, WM_NOTIFY, IDC_LIST, (LPARAM)&note);
        ASSERT_TRUE(WaitIdle());
        ASSERT_EQ(launched_.size(), 1u) << "notification " << (int)code;
        std::string content;
        ASSERT_TRUE(ReadWholeFile(launched_[0], &content));
        EXPECT_EQ(content, "five\n");
    }
}
