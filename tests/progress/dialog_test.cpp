// The dialog itself: controls, texts, fonts, positions, the expand glyph, the file line.
#include <windows.h>
#include <commctrl.h>
#include <cstring>
#include <string>

#include "app/langtext.h"
#include "progresstest.h"

namespace {

enum { kStaticOwnerDraw = 1, kStaticEtched = 2, kPlain = 3 };

struct ControlCase {
    int id;
    const char* cls;
    int kind;
    int visible;
    bool withCancelOnly;
};

const ControlCase kControls[] = {
    {IDC_PROGRESS_BAR, PROGRESS_CLASSA, kPlain, 1, false},
    {IDC_PROGRESS_FILE, "Static", kStaticOwnerDraw, 1, false},
    {IDC_PROGRESS_HEADING, "Static", kStaticOwnerDraw, 1, false},
    {IDC_PROGRESS_DETAIL, "Static", kStaticOwnerDraw, 0, false},
    {IDC_PROGRESS_GLYPH, "Static", kStaticOwnerDraw, 1, false},
    {IDC_PROGRESS_LINE_TOP, "Static", kStaticEtched, 1, false},
    {IDC_PROGRESS_CANCEL, "Button", kPlain, 1, true},
    {IDC_PROGRESS_LINE_BOTTOM, "Static", kStaticEtched, 1, true},
};

// Expected child rectangles of the laid-out dialog; the bar depends on the client area.
struct LayoutCase {
    int id;
    RECT collapsed;
    RECT expanded;
};

RECT BarRect(HWND dialog, int expanded)
{
    RECT client;
    GetClientRect(dialog, &client);
    return MakeRect(client.left + 20, client.bottom / 2 + (expanded ? 11 : 0), client.right - 60 - client.left,
                    GetSystemMetrics(SM_CYVSCROLL));
}

void ExpectLayout(HWND dialog, int expanded, bool withCancel, const char* label)
{
    const LayoutCase cases[] = {
        {IDC_PROGRESS_FILE, MakeRect(0, 0, 460, 60), MakeRect(0, 0, 460, 60)},
        {IDC_PROGRESS_HEADING, MakeRect(0, 0, 0, 0), MakeRect(0, 0, 0, 0)},
        {IDC_PROGRESS_DETAIL, MakeRect(0, 60, 500, 22), MakeRect(0, 60, 500, 22)},
        {IDC_PROGRESS_GLYPH, MakeRect(460, 0, 40, 60), MakeRect(460, 0, 40, 60)},
        {IDC_PROGRESS_LINE_TOP, MakeRect(0, 61, 500, 2), MakeRect(0, 83, 500, 2)},
        {IDC_PROGRESS_LINE_BOTTOM, MakeRect(0, 120, 500, 2), MakeRect(0, 142, 500, 3)},
        {IDC_PROGRESS_CANCEL, MakeRect(210, 130, 80, 22), MakeRect(210, 152, 80, 23)},
    };
    RECT frame;
    GetWindowRect(dialog, &frame);
    EXPECT_EQ(frame.right - frame.left, PROGRESS_DIALOG_WIDTH) << label;
    EXPECT_EQ(frame.bottom - frame.top, expanded ? PROGRESS_HEIGHT_EXPANDED : PROGRESS_HEIGHT_COLLAPSED) << label;
    for (const LayoutCase& c : cases) {
        if (!withCancel && (c.id == IDC_PROGRESS_CANCEL || c.id == IDC_PROGRESS_LINE_BOTTOM)) continue;
        RECT want = expanded ? c.expanded : c.collapsed;
        EXPECT_EQ(DescribeRect(ChildRect(dialog, c.id)), DescribeRect(want)) << label << ": control " << c.id;
    }
    EXPECT_EQ(DescribeRect(ChildRect(dialog, IDC_PROGRESS_BAR)), DescribeRect(BarRect(dialog, expanded)))
        << label << ": bar";
    EXPECT_EQ(IsWindowVisible(GetDlgItem(dialog, IDC_PROGRESS_DETAIL)) != FALSE, expanded != 0)
        << label << ": detail line visibility";
}

int FrameHeight(HWND dialog)
{
    RECT frame;
    GetWindowRect(dialog, &frame);
    return frame.bottom - frame.top;
}

void Click(HWND dialog, POINT down, POINT up)
{
    SendMessageA(dialog, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(down.x, down.y));
    SendMessageA(dialog, WM_LBUTTONUP, 0, MAKELPARAM(up.x, up.y));
    SettleDialog(dialog);
}

}  // namespace

TEST_F(ProgressDialogTest, ControlsHaveTheirClassesStylesAndFonts)
{
    for (int withCancel = 1; withCancel >= 0; --withCancel) {
        SCOPED_TRACE(withCancel ? "dialog with Cancel" : "dialog without Cancel");
        HWND dialog = OpenDialog(withCancel);
        ASSERT_NE(dialog, nullptr);
        for (const ControlCase& c : kControls) {
            HWND control = GetDlgItem(dialog, c.id);
            if (c.withCancelOnly && !withCancel) {
                EXPECT_EQ(control, nullptr) << "control " << c.id << " belongs to the dialog with Cancel only";
                continue;
            }
            ASSERT_NE(control, nullptr) << "control " << c.id;
            char cls[64];
            GetClassNameA(control, cls, sizeof cls);
            EXPECT_EQ(lstrcmpiA(cls, c.cls), 0) << "control " << c.id << " class " << cls;
            LONG style = GetWindowLongA(control, GWL_STYLE);
            EXPECT_TRUE(style & WS_CHILD) << "control " << c.id;
            if (c.kind == kStaticOwnerDraw) {
                EXPECT_EQ(style & SS_TYPEMASK, SS_OWNERDRAW) << "control " << c.id;
            } else if (c.kind == kStaticEtched) {
                EXPECT_EQ(style & SS_TYPEMASK, SS_ETCHEDHORZ) << "control " << c.id;
            }
            EXPECT_EQ(IsWindowVisible(control) != FALSE, c.visible != 0) << "control " << c.id;
        }
        HGDIOBJ stock = GetStockObject(ANSI_VAR_FONT);
        for (int id : {IDC_PROGRESS_FILE, IDC_PROGRESS_DETAIL, IDC_PROGRESS_CANCEL}) {
            if (id == IDC_PROGRESS_CANCEL && !withCancel) continue;
            EXPECT_EQ((HGDIOBJ)SendMessageA(GetDlgItem(dialog, id), WM_GETFONT, 0, 0), stock) << "font of " << id;
        }
        EXPECT_EQ(WindowText(dialog), GetGenericText(30)) << "caption";
        if (withCancel) {
            EXPECT_EQ(WindowText(GetDlgItem(dialog, IDC_PROGRESS_CANCEL)), GetGenericText(1)) << "Cancel caption";
        }
        LONG style = GetWindowLongA(dialog, GWL_STYLE);
        EXPECT_FALSE(style & WS_SYSMENU) << "no system menu";
        EXPECT_FALSE(style & WS_THICKFRAME) << "no resize frame";
        PBRANGE range = {};
        SendMessageA(GetDlgItem(dialog, IDC_PROGRESS_BAR), PBM_GETRANGE, FALSE, (LPARAM)&range);
        EXPECT_EQ(range.iLow, 0);
        EXPECT_EQ(range.iHigh, 100) << "bar range before any bounds";
        CloseAnyDialog();
    }
}

TEST_F(ProgressDialogTest, DialogIsCentredOnTheDesktopAndLaidOutCollapsed)
{
    for (int withCancel = 1; withCancel >= 0; --withCancel) {
        const char* label = withCancel ? "dialog with Cancel" : "dialog without Cancel";
        HWND dialog = OpenDialog(withCancel);
        ASSERT_NE(dialog, nullptr) << label;
        RECT desktop, frame;
        GetWindowRect(GetDesktopWindow(), &desktop);
        GetWindowRect(dialog, &frame);
        EXPECT_EQ(frame.left, (desktop.right - desktop.left - 500) / 2) << label;
        EXPECT_EQ(frame.top, (desktop.bottom - desktop.top - 200) / 2) << label;
        ExpectLayout(dialog, 0, withCancel != 0, label);
        CloseAnyDialog();
    }
}

TEST_F(ProgressDialogTest, ClickOnTheGlyphTogglesBetweenCollapsedAndExpanded)
{
    HWND dialog = OpenDialog(1);
    ASSERT_NE(dialog, nullptr);
    // The press and the release must both fall in the square 460..480 x 30..50.
    struct ClickCase {
        const char* label;
        POINT down, up;
        bool toggles;
    };
    const ClickCase cases[] = {
        {"inside", {470, 40}, {470, 40}, true},
        {"released outside to the right", {470, 40}, {481, 40}, false},
        {"top-left corner", {460, 30}, {460, 30}, true},
        {"pressed outside, released inside", {459, 40}, {470, 40}, false},
        {"bottom-right corner", {480, 50}, {480, 50}, true},
        {"released below", {470, 40}, {470, 51}, false},
    };
    int expanded = 0;
    for (const ClickCase& c : cases) {
        Click(dialog, c.down, c.up);
        if (c.toggles) expanded = !expanded;
        int want = expanded ? PROGRESS_HEIGHT_EXPANDED : PROGRESS_HEIGHT_COLLAPSED;
        EXPECT_TRUE(WaitFor([&] { return FrameHeight(dialog) == want; })) << c.label << ": height " << FrameHeight(dialog);
        ExpectLayout(dialog, expanded, true, c.label);
    }
}

TEST_F(ProgressDialogTest, DialogWithoutCancelNeverExpands)
{
    HWND dialog = OpenDialog(0);
    ASSERT_NE(dialog, nullptr);
    Click(dialog, {470, 40}, {470, 40});
    EXPECT_EQ(FrameHeight(dialog), PROGRESS_HEIGHT_COLLAPSED);
    ExpectLayout(dialog, 0, false, "after a click on the glyph");
}

TEST_F(ProgressDialogTest, EveryNewDialogStartsCollapsed)
{
    HWND dialog = OpenDialog(1);
    ASSERT_NE(dialog, nullptr);
    Click(dialog, {470, 40}, {470, 40});
    ASSERT_TRUE(WaitFor([&] { return FrameHeight(dialog) == PROGRESS_HEIGHT_EXPANDED; }));
    CloseAnyDialog();
    dialog = OpenDialog(1);
    ASSERT_NE(dialog, nullptr);
    ExpectLayout(dialog, 0, true, "second dialog");
}

namespace {

// Two glyphs of plain colours, to tell on screen which one the dialog draws.
HIMAGELIST MakeColourGlyphs(COLORREF collapsed, COLORREF expanded)
{
    HIMAGELIST list = ImageList_Create(16, 16, ILC_COLOR24, 2, 0);
    HDC screen = GetDC(nullptr);
    for (COLORREF colour : {collapsed, expanded}) {
        HDC dc = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, 16, 16);
        HGDIOBJ old = SelectObject(dc, bitmap);
        HBRUSH brush = CreateSolidBrush(colour);
        RECT all = {0, 0, 16, 16};
        FillRect(dc, &all, brush);
        DeleteObject(brush);
        SelectObject(dc, old);
        DeleteDC(dc);
        ImageList_Add(list, bitmap, nullptr);
        DeleteObject(bitmap);
    }
    ReleaseDC(nullptr, screen);
    return list;
}

COLORREF GlyphPixel(HWND dialog)
{
    HWND glyph = GetDlgItem(dialog, IDC_PROGRESS_GLYPH);
    HDC dc = GetDC(glyph);
    COLORREF pixel = GetPixel(dc, 5 + 8, 30 + 8);
    ReleaseDC(glyph, dc);
    return pixel;
}

}  // namespace

TEST_F(ProgressDialogTest, GlyphShowsTheCollapsedOrTheExpandedImage)
{
    const COLORREF red = RGB(255, 0, 0), blue = RGB(0, 0, 255);
    HIMAGELIST list = MakeColourGlyphs(red, blue);
    ASSERT_NE(list, nullptr);
    SetProgressGlyphImageList(list, 0, 1);
    HWND dialog = OpenDialog(1);
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(WaitFor([&] { return GlyphPixel(dialog) == red; })) << "collapsed glyph, pixel " << std::hex << GlyphPixel(dialog);
    Click(dialog, {470, 40}, {470, 40});
    EXPECT_TRUE(WaitFor([&] { return GlyphPixel(dialog) == blue; })) << "expanded glyph, pixel " << std::hex << GlyphPixel(dialog);
    CloseAnyDialog();
    SetProgressGlyphImageList(nullptr, 0, 1);
    ImageList_Destroy(list);
}

TEST_F(ProgressDialogTest, FileLineShowsBackslashesAndShortensLongPathsInTheMiddle)
{
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, GetStockObject(ANSI_VAR_FONT));
    // The file line's text rectangle: 460 - 20 - 10 pixels wide.
    RECT rect = {20, 30, 450, 60};
    std::string longPath = "C:/archives/2011";
    for (int i = 0; i < 6; ++i) longPath += "/a-rather-long-folder-name";
    longPath += "/report-final.txt";
    struct PathCase {
        const char* label;
        std::string text;
        bool shortened;
    };
    const PathCase cases[] = {
        {"short path with slashes", "docs/manual/intro.txt", false},
        {"short path with backslashes", "C:\\temp\\a.txt", false},
        {"mixed separators", "src\\ui/progress.cpp", false},
        {"long path", longPath, true},
        {"empty", "", false},
    };
    for (const PathCase& c : cases) {
        char shown[300];
        DrawProgressPathText(dc, &rect, c.text.c_str(), shown, sizeof shown);
        std::string got = shown;
        EXPECT_EQ(got.find('/'), std::string::npos) << c.label << ": " << got;
        if (!c.shortened) {
            std::string want = c.text;
            for (char& ch : want)
                if (ch == '/') ch = '\\';
            EXPECT_EQ(got, want) << c.label;
            continue;
        }
        EXPECT_NE(got.find("..."), std::string::npos) << c.label << ": " << got;
        EXPECT_EQ(got.rfind("C:\\", 0), 0u) << c.label << " keeps its start: " << got;
        const std::string tail = "\\report-final.txt";
        ASSERT_GE(got.size(), tail.size()) << c.label;
        EXPECT_EQ(got.substr(got.size() - tail.size()), tail) << c.label << " keeps the file name: " << got;
        SIZE extent;
        GetTextExtentPoint32A(dc, got.c_str(), (int)got.size(), &extent);
        EXPECT_LE(extent.cx, rect.right - rect.left) << c.label << " fits: " << got;
    }
    SelectObject(dc, old);
    DeleteDC(dc);
}

TEST_F(ProgressDialogTest, TextSettersReachTheirControls)
{
    HWND dialog = OpenDialog(1);
    ASSERT_NE(dialog, nullptr);
    struct TextCase {
        const char* label;
        void (*set)(const char*);
        int id;
    };
    const TextCase cases[] = {
        {"file line", SetProgressFileText, IDC_PROGRESS_FILE},
        {"detail line", SetProgressDetailText, IDC_PROGRESS_DETAIL},
        {"heading", SetProgressHeading, IDC_PROGRESS_HEADING},
    };
    for (const TextCase& c : cases) {
        for (const char* text : {"docs/readme.txt", "docs/readme.txt", "second", ""}) {
            c.set(text);
            EXPECT_EQ(WindowText(GetDlgItem(dialog, c.id)), text) << c.label;
        }
    }
    SetProgressHeadingAndRedraw("Redrawn heading", 1);
    EXPECT_EQ(WindowText(GetDlgItem(dialog, IDC_PROGRESS_HEADING)), "Redrawn heading");
    // A text longer than the control's 259 characters reaches it whole.
    std::string longText(300, 'x');
    SetProgressFileText(longText.c_str());
    EXPECT_EQ(WindowText(GetDlgItem(dialog, IDC_PROGRESS_FILE)), longText);
}

TEST_F(ProgressDialogTest, CancelButtonCanBeDisabledAndEnabled)
{
    HWND dialog = OpenDialog(1);
    ASSERT_NE(dialog, nullptr);
    HWND button = GetDlgItem(dialog, IDC_PROGRESS_CANCEL);
    EnableProgressCancel(0);
    EXPECT_FALSE(IsWindowEnabled(button));
    EnableProgressCancel(1);
    EXPECT_TRUE(IsWindowEnabled(button));
    CloseAnyDialog();
    dialog = OpenDialog(0);
    ASSERT_NE(dialog, nullptr);
    EnableProgressCancel(0);  // no button: nothing to do, nothing breaks
    EXPECT_EQ(GetDlgItem(dialog, IDC_PROGRESS_CANCEL), nullptr);
}
