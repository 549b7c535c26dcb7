// The progress dialog as an extraction shows it: heading, a long path in the file line, the
// bar part way; expanded with the time line.
#include <cstdio>

#include "app/langtext.h"
#include "shots.h"
#include "ui/progress.h"

namespace {

const char kLongPath[] =
    "C:/Users/Public/Documents/Projects/2011/Kelvora/release-candidates/archive-samples/"
    "nested/folders/with/long/names/quarterly-report-final-revised.xlsx";

HWND OpenProgressShot(int expanded)
{
    static char heading[260];
    std::snprintf(heading, sizeof heading, "%s", GetMessageText(42));
    SetCanceledByUser(0);
    if (!StartProgressDialogThread(1, heading)) return nullptr;
    SetProgressMinimum(0);
    SetProgressMaximum(200);
    HWND dialog = GetProgressDialog();
    if (!dialog) return nullptr;
    for (int i = 0; i < 74; ++i) ExecuteProgressStep(dialog);
    SetProgressFileText(kLongPath);
    if (expanded) {
        SendMessageA(dialog, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(470, 40));
        SendMessageA(dialog, WM_LBUTTONUP, 0, MAKELPARAM(470, 40));
        // 83 s into an extraction of 100 MB with 37 MB done.
        SetProgressElapsedText(GetTickCount() - 83000, 37LL << 20, 100LL << 20);
    }
    SettleShotWindow(dialog);
    return dialog;
}

}  // namespace

HWND OpenProgressCollapsedShot(void)
{
    return OpenProgressShot(0);
}

HWND OpenProgressExpandedShot(void)
{
    return OpenProgressShot(1);
}

void CloseProgressShot(HWND)
{
    DestroyProgressDialog();
}
