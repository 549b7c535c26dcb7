// The worker's side: headings, bounds, stepping, cancel, hiding and closing.
#include <windows.h>
#include <commctrl.h>
#include <cstring>
#include <string>

#include "progresstest.h"

namespace {

PBRANGE BarRange(HWND dialog)
{
    PBRANGE range = {-1, -1};
    SendMessageA(GetDlgItem(dialog, IDC_PROGRESS_BAR), PBM_GETRANGE, FALSE, (LPARAM)&range);
    return range;
}

// Runs `work` on a thread of its own and waits for it, bounded; true when it finished.
template <class Work>
bool RunOnWorker(Work work)
{
    struct Box {
        Work* work;
    } box = {&work};
    HANDLE thread = CreateThread(
        nullptr, 0,
        [](LPVOID p) -> DWORD {
            (*static_cast<Box*>(p)->work)();
            return 0;
        },
        &box, 0, nullptr);
    if (!thread) return false;
    bool done = WaitForSingleObject(thread, kDialogWaitMs) == WAIT_OBJECT_0;
    if (!done) WaitForSingleObject(thread, INFINITE);  // the box lives on this stack
    CloseHandle(thread);
    return done;
}

}  // namespace

TEST_F(ProgressDialogTest, HeadingBufferIsShownAndEmptied)
{
    char heading[260];
    std::snprintf(heading, sizeof heading, "%s", "Extracting files");
    HWND dialog = OpenDialog(1, heading);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(WindowText(GetDlgItem(dialog, IDC_PROGRESS_HEADING)), "Extracting files");
    EXPECT_STREQ(heading, "") << "the caller's buffer is emptied";
}

TEST_F(ProgressDialogTest, PendingHeadingAppliesToTheNextDialogOnly)
{
    struct HeadingCase {
        const char* label;
        int withCancel;
        const char* pending;    // given before the dialog exists (null: none)
        const char* shown;      // heading of the dialog
    };
    const HeadingCase cases[] = {
        {"without Cancel keeps a pending heading", 0, "Deleting entries", "Deleting entries"},
        {"pending copy was emptied by the dialog before", 0, nullptr, ""},
        {"with Cancel and no buffer clears the heading", 1, "stale heading", ""},
    };
    for (const HeadingCase& c : cases) {
        if (c.pending) SetProgressHeading(c.pending);
        HWND dialog = OpenDialog(c.withCancel);
        ASSERT_NE(dialog, nullptr) << c.label;
        EXPECT_EQ(WindowText(GetDlgItem(dialog, IDC_PROGRESS_HEADING)), c.shown) << c.label;
        CloseAnyDialog();
    }
}

TEST_F(ProgressDialogTest, LongPendingHeadingIsCutTo259Characters)
{
    std::string heading(400, 'h');
    SetProgressHeading(heading.c_str());
    HWND dialog = OpenDialog(0);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(WindowText(GetDlgItem(dialog, IDC_PROGRESS_HEADING)), heading.substr(0, 259));
}

TEST_F(ProgressDialogTest, BoundsAreGivenOncePerDialog)
{
    struct Call {
        int isMaximum;
        int value;
    };
    struct BoundsCase {
        const char* label;
        Call calls[4];
        int count;
        int low, high;
    };
    const BoundsCase cases[] = {
        {"minimum then maximum", {{0, 0}, {1, 5000}}, 2, 0, 5000},
        {"a second maximum is refused", {{0, 0}, {1, 5000}, {1, 10}}, 3, 0, 5000},
        {"a second minimum is refused", {{0, 0}, {1, 5000}, {0, 7}}, 3, 0, 5000},
        {"maximum then minimum", {{1, 300}, {0, 2}}, 2, 2, 300},
        {"counts above 16 bits, maximum last", {{0, 0}, {1, 100000}}, 2, 0, 100000},
        {"counts above 16 bits, minimum last", {{1, 70000}, {0, 0}}, 2, 0, 70000},
        {"only a minimum keeps the default range", {{0, 5}}, 1, 0, 100},
    };
    for (const BoundsCase& c : cases) {
        HWND dialog = OpenDialog(1);
        ASSERT_NE(dialog, nullptr) << c.label;
        ASSERT_TRUE(RunOnWorker([&] {
            for (int i = 0; i < c.count; ++i) {
                if (c.calls[i].isMaximum) SetProgressMaximum(c.calls[i].value);
                else SetProgressMinimum(c.calls[i].value);
            }
        })) << c.label;
        PBRANGE range = BarRange(dialog);
        EXPECT_EQ(range.iLow, c.low) << c.label;
        EXPECT_EQ(range.iHigh, c.high) << c.label;
        CloseAnyDialog();
    }
}

TEST_F(ProgressDialogTest, BoundsAreFreeAgainForTheNextDialog)
{
    for (int maximum : {40, 7}) {
        HWND dialog = OpenDialog(1);
        ASSERT_NE(dialog, nullptr);
        SetProgressMinimum(0);
        SetProgressMaximum(maximum);
        EXPECT_EQ(BarRange(dialog).iHigh, maximum) << "dialog with maximum " << maximum;
        // The worker ends the dialog itself.
        ASSERT_TRUE(RunOnWorker([] { DestroyProgressDialog(); }));
        EXPECT_TRUE(WaitFor([dialog] { return !IsWindow(dialog); }));
    }
}

TEST_F(ProgressDialogTest, StepsMoveTheBarByOne)
{
    HWND dialog = OpenDialog(1);
    ASSERT_NE(dialog, nullptr);
    SetProgressMinimum(0);
    SetProgressMaximum(5000);
    for (int i = 0; i < 3; ++i) ExecuteProgressStep(GetProgressDialog());
    EXPECT_EQ(GetProgressPos(GetProgressDialog()), 3);
    ExecuteProgressPos(GetProgressDialog(), 4000);
    EXPECT_EQ(GetProgressPos(GetProgressDialog()), 4000);
    ExecuteProgressStep(GetProgressDialog());
    EXPECT_EQ(GetProgressPos(GetProgressDialog()), 4001);
}

TEST_F(ProgressDialogTest, BarCallsWithoutDialogDoNothing)
{
    ASSERT_EQ(GetProgressDialog(), nullptr);
    ExecuteProgressStep(GetProgressDialog());
    ExecuteProgressPos(GetProgressDialog(), 5);
    EXPECT_EQ(GetProgressPos(GetProgressDialog()), -1);
    SetProgressFileText("nobody sees this");
    SetProgressDetailText("nor this");
    EnableProgressCancel(0);
    HWND dialog = OpenDialog(1);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(WindowText(GetDlgItem(dialog, IDC_PROGRESS_FILE)), "") << "file text is not kept for later";
    EXPECT_EQ(WindowText(GetDlgItem(dialog, IDC_PROGRESS_DETAIL)), "") << "detail text is not kept for later";
}

TEST_F(ProgressDialogTest, CancelEndsTheDialogAndRaisesTheFlagUntilTheWorkerCloses)
{
    struct CancelCase {
        const char* label;
        int withCancel;
        void (*press)(HWND dialog);
    };
    const CancelCase cases[] = {
        {"Cancel button", 1,
         [](HWND dialog) { SendMessageA(GetDlgItem(dialog, IDC_PROGRESS_CANCEL), BM_CLICK, 0, 0); }},
        {"close command", 1, [](HWND dialog) { PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }},
        {"close command without Cancel", 0, [](HWND dialog) { PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }},
        {"SetCanceledByUser", 1, [](HWND) { SetCanceledByUser(1); }},
    };
    for (const CancelCase& c : cases) {
        HANDLE thread = nullptr;
        HWND dialog = OpenDialog(c.withCancel, nullptr, &thread);
        ASSERT_NE(dialog, nullptr) << c.label;
        SetProgressMinimum(0);
        SetProgressMaximum(10);
        EXPECT_EQ(IsCanceledByUser(), 0) << c.label;
        c.press(dialog);
        EXPECT_TRUE(CloseDialogThread(thread)) << c.label << ": the dialog ends at once";
        EXPECT_FALSE(IsWindow(dialog)) << c.label;
        EXPECT_EQ(GetProgressDialog(), nullptr) << c.label;
        EXPECT_EQ(IsCanceledByUser(), 1) << c.label << ": the worker sees the flag";
        // The worker notices, stops and closes: no waiting for a dialog that is gone.
        EXPECT_TRUE(RunOnWorker([] { DestroyProgressDialog(); })) << c.label;
        EXPECT_EQ(IsCanceledByUser(), 0) << c.label << ": cleared by DestroyProgressDialog";
        // The next dialog takes new bounds.
        dialog = OpenDialog(1);
        ASSERT_NE(dialog, nullptr) << c.label;
        SetProgressMinimum(0);
        SetProgressMaximum(77);
        EXPECT_EQ(BarRange(dialog).iHigh, 77) << c.label;
        CloseAnyDialog();
    }
}

TEST_F(ProgressDialogTest, WorkerLoopStopsAtTheItemAfterCancel)
{
    HWND dialog = OpenDialog(1);
    ASSERT_NE(dialog, nullptr);
    HANDLE pressed = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    int done = 0;
    ASSERT_TRUE(RunOnWorker([&] {
        SetProgressMinimum(0);
        SetProgressMaximum(100);
        for (int item = 0; item < 100; ++item) {
            if (IsCanceledByUser()) break;
            SetProgressFileText(item % 2 ? "a/b/c.txt" : "a/b/d.txt");
            ExecuteProgressStep(GetProgressDialog());
            ++done;
            if (item == 9) {
                SendMessageA(GetDlgItem(dialog, IDC_PROGRESS_CANCEL), BM_CLICK, 0, 0);
                SetEvent(pressed);
            }
        }
        DestroyProgressDialog();
    }));
    EXPECT_EQ(WaitForSingleObject(pressed, 0), WAIT_OBJECT_0);
    CloseHandle(pressed);
    EXPECT_EQ(done, 10) << "items handled before the loop saw the cancel";
    EXPECT_EQ(IsCanceledByUser(), 0);
    EXPECT_TRUE(WaitFor([dialog] { return !IsWindow(dialog); }));
}

TEST_F(ProgressDialogTest, DestroyWhenReadyClosesADialogStillBeingCreated)
{
    for (int withCancel = 1; withCancel >= 0; --withCancel) {
        const char* label = withCancel ? "with Cancel" : "without Cancel";
        HANDLE thread = StartDialogThread(withCancel, nullptr);
        ASSERT_NE(thread, nullptr) << label;
        // The worker closes right away, before the dialog thread has created anything.
        EXPECT_TRUE(RunOnWorker([] { DestroyProgressDialogWhenReady(); })) << label;
        EXPECT_TRUE(CloseDialogThread(thread)) << label << ": the dialog was closed";
        EXPECT_EQ(GetProgressDialog(), nullptr) << label;
        EXPECT_EQ(IsCanceledByUser(), 0) << label;
    }
}

TEST_F(ProgressDialogTest, DestroyClosesAVisibleDialog)
{
    HANDLE thread = nullptr;
    HWND dialog = OpenDialog(1, nullptr, &thread);
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(RunOnWorker([] { DestroyProgressDialog(); }));
    EXPECT_TRUE(CloseDialogThread(thread));
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_EQ(IsCanceledByUser(), 0);
    EXPECT_EQ(GetProgressDialog(), nullptr);
}

TEST_F(ProgressDialogTest, DialogCreatedWhileHiddenStaysHiddenUntilShownAgain)
{
    SetShowProgressDialog(0);
    HANDLE thread = StartDialogThread(1, nullptr);
    ASSERT_NE(thread, nullptr);
    ASSERT_TRUE(WaitFor([] { return GetProgressDialog() != nullptr; }));
    HWND dialog = GetProgressDialog();
    SettleDialog(dialog);
    EXPECT_TRUE(IsWindow(dialog));
    EXPECT_FALSE(IsWindowVisible(dialog)) << "the dialog exists but stays hidden";
    // The worker's question is answered: it shows the dialog again.
    ShowWindow(dialog, SW_SHOW);
    SetShowProgressDialog(1);
    EXPECT_TRUE(WaitFor([dialog] { return IsWindowVisible(dialog) != FALSE; }));
    EXPECT_TRUE(RunOnWorker([] { DestroyProgressDialog(); }));
    EXPECT_TRUE(CloseDialogThread(thread));
}

TEST_F(ProgressDialogTest, WorkerHidesTheDialogWhileItAsks)
{
    struct HideCase {
        const char* label;
        bool flagFirst;  // SetShowProgressDialog before ShowWindow
    };
    const HideCase cases[] = {{"window first", false}, {"flag first", true}};
    for (const HideCase& c : cases) {
        HWND dialog = OpenDialog(1);
        ASSERT_NE(dialog, nullptr) << c.label;
        ASSERT_TRUE(RunOnWorker([&] {
            if (c.flagFirst) SetShowProgressDialog(0);
            ShowWindow(dialog, SW_HIDE);
            if (!c.flagFirst) SetShowProgressDialog(0);
        })) << c.label;
        SettleDialog(dialog);
        EXPECT_FALSE(IsWindowVisible(dialog)) << c.label << ": hidden during the question";
        ASSERT_TRUE(RunOnWorker([&] {
            if (c.flagFirst) SetShowProgressDialog(1);
            ShowWindow(dialog, SW_SHOW);
            if (!c.flagFirst) SetShowProgressDialog(1);
        })) << c.label;
        EXPECT_TRUE(WaitFor([dialog] { return IsWindowVisible(dialog) != FALSE; })) << c.label << ": shown again";
        CloseAnyDialog();
    }
}

TEST_F(ProgressDialogTest, MarqueeRequestsWaitForTheNextDialog)
{
    struct MarqueeCase {
        const char* label;
        void (*before)(void);   // while no dialog exists
        bool marquee;
    };
    const MarqueeCase cases[] = {
        {"stored marquee", [] { SetProgressMarquee(1); }, true},
        {"marquee not stored", [] { SetProgressMarquee(0); }, false},
        {"stored marquee then stored clear", [] { SetProgressMarquee(1); ClearProgressMarquee(1); }, false},
        {"no request", [] {}, false},
    };
    for (const MarqueeCase& c : cases) {
        c.before();
        HWND dialog = OpenDialog(1);
        ASSERT_NE(dialog, nullptr) << c.label;
        LONG style = GetWindowLongA(GetDlgItem(dialog, IDC_PROGRESS_BAR), GWL_STYLE);
        EXPECT_EQ((style & PBS_MARQUEE) != 0, c.marquee) << c.label;
        CloseAnyDialog();
    }
}

TEST_F(ProgressDialogTest, MarqueeTurnsOnAndOffOnAVisibleBar)
{
    HWND dialog = OpenDialog(1);
    ASSERT_NE(dialog, nullptr);
    HWND bar = GetDlgItem(dialog, IDC_PROGRESS_BAR);
    SetProgressMarquee(0);
    EXPECT_TRUE(GetWindowLongA(bar, GWL_STYLE) & PBS_MARQUEE);
    ClearProgressMarquee(0);
    LONG style = GetWindowLongA(bar, GWL_STYLE);
    EXPECT_FALSE(style & PBS_MARQUEE);
    EXPECT_TRUE(style & WS_VISIBLE);
}

TEST_F(ProgressDialogTest, ElapsedTextGoesToTheDetailLine)
{
    HWND dialog = OpenDialog(1);
    ASSERT_NE(dialog, nullptr);
    SetProgressElapsedText(GetTickCount(), 1 << 20, 4 << 20);
    std::string detail = WindowText(GetDlgItem(dialog, IDC_PROGRESS_DETAIL));
    EXPECT_EQ(detail.rfind("0:00:", 0), 0u) << detail;
    EXPECT_NE(detail.find(" - ("), std::string::npos) << detail;
}
