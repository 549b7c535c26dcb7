// The frame as the program creates it: its class, its extended styles, its children with their
// classes, ids and styles; and the status bar's tool tip that follows the background jobs.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "app/ids.h"
#include "app/langtext.h"
#include "app/mainwindow.h"
#include "apphost.h"
#include "model/appstate.h"
#include "model/backgroundjob.h"
#include "support/testsupport.h"
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
