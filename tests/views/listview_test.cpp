// The archive list views hosted in a test window: columns, rows of a real archive, sorting with
// header marks, totals in the status bar, row collection, encryption marks, cursor and mouse,
// renaming in place.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <set>

#include "app/langtext.h"
#include "model/appstate.h"
#include "model/bstree.h"
#include "model/datecolumn.h"
#include "model/foldertree.h"
#include "model/keys.h"
#include "model/list.h"
#include "model/liststruct.h"
#include "model/listview.h"
#include "model/rbtree.h"
#include "model/zipentry.h"
#include "support/testsupport.h"
#include "ui/promptscript.h"
#include "viewhost.h"

namespace {

class ListViews : public testing::Test {
protected:
    void SetUp() override
    {
        BeginPromptScript();
        ASSERT_TRUE(CreateViewHost(&host));
    }
    void TearDown() override
    {
        DestroyViewHost(&host);
        EndPromptScript();
    }
    const liststruct* Record(HWND list, int row)
    {
        LVITEMA item = {};
        item.mask = LVIF_PARAM;
        item.iItem = row;
        SendMessageA(list, LVM_GETITEMA, 0, (LPARAM)&item);
        return (const liststruct*)item.lParam;
    }
    int RowOf(HWND list, const std::string& fullName)
    {
        std::vector<std::string> names = FullNames(list);
        auto it = std::find(names.begin(), names.end(), fullName);
        return it == names.end() ? -1 : (int)(it - names.begin());
    }
    ViewHost host;
};

std::string Backslashed(std::string name)
{
    std::replace(name.begin(), name.end(), '/', '\\');
    return name;
}

TEST_F(ListViews, EightColumnsWithTheirHeadersWidthsAndAlignment)
{
    struct Column { const char* header; int format; };
    const Column expected[8] = {
        {GetDescriptionFilename(), LVCFMT_LEFT},       {GetDescriptionEncrypted(), LVCFMT_CENTER},
        {GetDescriptionCompressed(), LVCFMT_RIGHT},    {GetDescriptionUncompressed(), LVCFMT_RIGHT},
        {GetDescriptionCompressionRatio(), LVCFMT_CENTER}, {GetDescriptionDate(), LVCFMT_LEFT},
        {GetDescriptionType(), LVCFMT_LEFT},           {GetDescriptionPath(), LVCFMT_LEFT},
    };
    const int fixedWidths[8] = {230, -1, -1, 100, 75, 120, 150, 198};
    for (HWND view : {host.list, host.treeList}) {
        HWND header = (HWND)SendMessageA(view, LVM_GETHEADER, 0, 0);
        ASSERT_EQ(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0), 8);
        for (int c = 0; c < 8; c++) {
            char text[260] = "";
            LVCOLUMNA column = {};
            column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
            column.pszText = text;
            column.cchTextMax = sizeof text;
            ASSERT_TRUE(SendMessageA(view, LVM_GETCOLUMNA, c, (LPARAM)&column)) << "column " << c;
            EXPECT_STREQ(text, expected[c].header) << "column " << c;
            EXPECT_EQ(column.fmt & LVCFMT_JUSTIFYMASK, expected[c].format) << "column " << c;
            if (fixedWidths[c] > 0) {
                EXPECT_EQ(column.cx, fixedWidths[c]) << "column " << c;
            }
            EXPECT_EQ(FindListColumnByHeader(view, expected[c].header), c);
        }
    }
    // The encryption column is 25 or 32 wide; the compressed column at least 100.
    int encrypted = ListColumnWidth(host.list, LIST_COLUMN_ENCRYPTED);
    EXPECT_TRUE(encrypted == 25 || encrypted == 32) << encrypted;
    EXPECT_GE(ListColumnWidth(host.list, LIST_COLUMN_COMPRESSED), 100);
    EXPECT_EQ(FindListColumnByHeader(host.list, "no such header"), -1);
}

TEST_F(ListViews, RowsOfANestedArchiveCarryEveryColumnText)
{
    ASSERT_TRUE(OpenArchiveInViews(ViewFixture("nested.zip")));
    std::vector<ExpectedRow> expected = LoadExpectedRows("nested.zip");
    ASSERT_EQ(expected.size(), 8u);
    ASSERT_EQ(Rows(host.list), (int)expected.size()) << "directory entries make no rows";
    for (const ExpectedRow& e : expected) {
        std::string full = Backslashed(e.name);
        int row = RowOf(host.list, full);
        ASSERT_GE(row, 0) << full;
        size_t cut = full.rfind('\\');
        std::string name = cut == std::string::npos ? full : full.substr(cut + 1);
        std::string path = cut == std::string::npos ? "" : full.substr(0, cut + 1);
        EXPECT_EQ(Cell(host.list, row, 0), name) << full;
        EXPECT_EQ(Cell(host.list, row, 1), "") << full;
        EXPECT_EQ(Cell(host.list, row, 2), std::to_string(e.compressed)) << full;
        EXPECT_EQ(Cell(host.list, row, 3), std::to_string(e.size)) << full;
        char rate[8];
        FormatRateText(e.compressed, e.size, rate, sizeof rate);
        EXPECT_EQ(Cell(host.list, row, 4), rate) << full;
        char date[64];
        FormatDateColumnText(&e.date, date, sizeof date);
        EXPECT_EQ(Cell(host.list, row, 5), date) << full;
        EXPECT_FALSE(Cell(host.list, row, 6).empty()) << full;
        EXPECT_EQ(Cell(host.list, row, 7), path) << full;
    }
    EXPECT_EQ(GApp.listTotals.rows, 8);
    int64_t compressed = 0, size = 0;
    for (const ExpectedRow& e : expected) {
        compressed += e.compressed;
        size += e.size;
    }
    EXPECT_EQ(GApp.listTotals.uncompressed, size);
}

// ---------------------------------------------------------------------------------------------
// Sorting

struct SortCase {
    int column;
    const char* what;
};

// Whether the rows of list are in order for column (ascending or descending), judged from the
// records' plain fields.
bool RowsInOrder(HWND list, int column, bool ascending, std::string* why)
{
    auto key = [&](const liststruct* r, int c) -> std::string {
        char text[64];
        switch (c) {
        case 0: { std::string s = r->filename; for (char& ch : s) ch = (char)tolower((unsigned char)ch); return s; }
        case 2: snprintf(text, sizeof text, "%020lld", (long long)r->compressed); return text;
        case 3: snprintf(text, sizeof text, "%020lld", (long long)r->uncompressed); return text;
        case 4: return r->rate;
        case 5:
            snprintf(text, sizeof text, "%04u%02u%02u%02u%02u", r->modified.wYear, r->modified.wMonth, r->modified.wDay,
                     r->modified.wHour, r->modified.wMinute);
            return text;
        case 6: { std::string s = r->type; for (char& ch : s) ch = (char)tolower((unsigned char)ch); return s; }
        case 7: { std::string s = r->path; for (char& ch : s) ch = (char)tolower((unsigned char)ch); return s; }
        }
        return "";
    };
    int rows = Rows(list);
    for (int row = 1; row < rows; row++) {
        LVITEMA a = {}, b = {};
        a.mask = b.mask = LVIF_PARAM;
        a.iItem = row - 1;
        b.iItem = row;
        SendMessageA(list, LVM_GETITEMA, 0, (LPARAM)&a);
        SendMessageA(list, LVM_GETITEMA, 0, (LPARAM)&b);
        std::string ka = key((const liststruct*)a.lParam, column), kb = key((const liststruct*)b.lParam, column);
        if (ascending ? ka > kb : ka < kb) {
            *why = "row " + std::to_string(row - 1) + " '" + ka + "' then '" + kb + "'";
            return false;
        }
    }
    return true;
}

TEST_F(ListViews, EveryColumnSortsBothWaysWithItsHeaderMark)
{
    ASSERT_TRUE(OpenArchiveInViews(ViewFixture("nested.zip")));
    const SortCase cases[] = {{0, "name"}, {2, "compressed"}, {3, "uncompressed"}, {4, "rate"},
                              {5, "date"}, {6, "type"},       {7, "path"}};
    for (const SortCase& c : cases) {
        for (bool ascending : {true, false}) {
            ASSERT_EQ(HandleListColumnClick(host.list, c.column), 1) << c.what;
            std::string why;
            EXPECT_TRUE(RowsInOrder(host.list, c.column, ascending, &why))
                << c.what << (ascending ? " ascending: " : " descending: ") << why;
            EXPECT_EQ(GetHeaderSortMark(host.list, c.column), ascending ? SORT_MARK_ASCENDING : SORT_MARK_DESCENDING)
                << c.what;
            for (int other = 0; other < 8; other++)
                if (other != c.column) {
                    EXPECT_EQ(GetHeaderSortMark(host.list, other), SORT_MARK_NONE) << c.what << " " << other;
                }
            EXPECT_EQ(sortColumnList, c.column);
            EXPECT_EQ(sortAscendingList, ascending ? 1 : 0);
        }
    }
    // The encryption column sorts (every row equal) but leaves the marks alone.
    ASSERT_EQ(HandleListColumnClick(host.list, 1), 1);
    EXPECT_EQ(GetHeaderSortMark(host.list, 7), SORT_MARK_DESCENDING);
    EXPECT_EQ(GetHeaderSortMark(host.list, 1), SORT_MARK_NONE);
    EXPECT_EQ(Rows(host.list), 8);
}

TEST_F(ListViews, DateColumnSortsChronologicallyNotByText)
{
    ASSERT_TRUE(OpenArchiveInViews(ViewFixture("nested.zip")));
    ASSERT_EQ(HandleListColumnClick(host.list, 5), 1);
    // 1980 first, 2107 last, whatever the locale's text says.
    EXPECT_EQ(Cell(host.list, 0, 0), "p.png");
    EXPECT_EQ(Cell(host.list, Rows(host.list) - 1, 0), "big.bin");
    ASSERT_EQ(HandleListColumnClick(host.list, 5), 1);
    EXPECT_EQ(Cell(host.list, 0, 0), "big.bin");
}

TEST_F(ListViews, AClickOnAViewThatIsNotActiveOrEmptySortsNothing)
{
    EXPECT_EQ(HandleListColumnClick(host.list, 0), 0) << "empty list";
    ASSERT_TRUE(OpenArchiveInViews(ViewFixture("nested.zip")));
    GApp.hwndFocusView = host.list;
    EXPECT_EQ(HandleListColumnClick(host.treeList, 0), 0) << "TreeList while the flat view is active";
    EXPECT_EQ(GetHeaderSortMark(host.treeList, 0), SORT_MARK_NONE);
    GApp.hwndFocusView = host.tree;
    EXPECT_EQ(HandleListColumnClick(host.treeList, 0), 1);
    EXPECT_EQ(GetHeaderSortMark(host.treeList, 0), SORT_MARK_ASCENDING);
    EXPECT_EQ(sortColumnTreeList, 0);
}

TEST_F(ListViews, TheArrowPointsTheWayOfTheSort)
{
    RECT rect = {0, 0, 120, 24};
    POINT up[4], down[4], pressed[4];
    int x = ComputeSortArrow(&rect, 1, 0, up);
    ComputeSortArrow(&rect, 0, 0, down);
    ComputeSortArrow(&rect, 1, 1, pressed);
    int h = (24 / 2) * 2 - 8;
    EXPECT_EQ(x, 100);
    // Up: the tip is above the base line; down: the tip is on the base line.
    EXPECT_EQ(up[1].y, 19 - h);
    EXPECT_EQ(up[0].y, 19);
    EXPECT_EQ(up[2].y, 19);
    EXPECT_EQ(down[0].y, 19);
    EXPECT_EQ(down[1].y, 19 - h);
    EXPECT_EQ(down[2].y, 19 - h);
    EXPECT_EQ(up[3].x, up[0].x) << "the outline closes";
    EXPECT_EQ(pressed[0].x, up[0].x + 1);
    EXPECT_EQ(pressed[0].y, up[0].y + 1);
}

TEST_F(ListViews, TheSortedHeaderIsDrawnWithItsArrow)
{
    ASSERT_TRUE(OpenArchiveInViews(ViewFixture("nested.zip")));
    ASSERT_EQ(HandleListColumnClick(host.list, 3), 1);
    HWND header = (HWND)SendMessageA(host.list, LVM_GETHEADER, 0, 0);
    RECT rect = {0, 0, 100, 24};
    HDC screen = GetDC(host.list);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 100, 24);
    ReleaseDC(host.list, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    auto draw = [&](int column, int pressed) {
        FillRect(dc, &rect, (HBRUSH)GetStockObject(BLACK_BRUSH));
        DRAWITEMSTRUCT item = {};
        item.CtlType = ODT_HEADER;
        item.itemID = column;
        item.itemAction = ODA_DRAWENTIRE;
        item.itemState = pressed ? ODS_SELECTED : 0;
        item.hwndItem = header;
        item.hDC = dc;
        item.rcItem = rect;
        return SendMessageA(host.list, WM_DRAWITEM, 0, (LPARAM)&item);
    };
    auto arrowPixels = [&](int ascending, int pressed, COLORREF* light, COLORREF* dark) {
        POINT p[4];
        ComputeSortArrow(&rect, ascending, pressed, p);
        // Midpoints of the highlight line and of the shadow line back to the start.
        *light = GetPixel(dc, (p[0].x + p[1].x) / 2, (p[0].y + p[1].y) / 2);
        *dark = GetPixel(dc, (p[2].x + p[3].x) / 2, (p[2].y + p[3].y) / 2);
    };
    COLORREF face = GetSysColor(COLOR_BTNFACE), light, dark;
    struct Case { int clicks; int column; int ascending; int pressed; };
    const Case cases[] = {{0, 3, 1, 0}, {0, 3, 1, 1}, {1, 3, 0, 0}};
    for (const Case& c : cases) {
        for (int i = 0; i < c.clicks; i++) HandleListColumnClick(host.list, 3);
        EXPECT_EQ(draw(c.column, c.pressed), TRUE);
        arrowPixels(c.ascending, c.pressed, &light, &dark);
        EXPECT_EQ(light, GetSysColor(COLOR_BTNHIGHLIGHT)) << "ascending " << c.ascending << " pressed " << c.pressed;
        EXPECT_EQ(dark, GetSysColor(COLOR_BTNSHADOW)) << "ascending " << c.ascending << " pressed " << c.pressed;
        EXPECT_EQ(GetPixel(dc, 1, 1), face) << "the item is filled with the button face";
    }
    // An unsorted column has no arrow.
    draw(0, 0);
    arrowPixels(1, 0, &light, &dark);
    EXPECT_EQ(light, face);
    EXPECT_EQ(dark, face);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

// ---------------------------------------------------------------------------------------------
// Totals

TEST(TotalsText, SizesInKilobytesUnlessThatIsZero)
{
    struct Case { int selection; int64_t count, compressed, uncompressed; const char* sizes; const char* items; };
    const Case cases[] = {
        {1, 1, 300, 500, "Selection: compressed 300 Byte - uncompressed 500 Byte", "1 file selected"},
        {0, 2, 3000, 5000, "Total: compressed 2KB - uncompressed 4KB", "2 files"},
        {0, 1, 100, 5000, "Total: compressed 100B - uncompressed 4KB", "1 file"},
        {0, 3, 2048, 1023, "Total: compressed 2KB - uncompressed 1023B", "3 files"},
        {0, 0, 0, 0, "Total: compressed 0B - uncompressed 0B", "0 files"},
        {1, 4, 3 * 1024 * 1024 * 1024LL, 5 * 1024 * 1024 * 1024LL,
         "Selection: compressed 3145728KB - uncompressed 5242880KB", "4 files selected"},
        {1, 2, 1023, 2049, "Selection: compressed 1023 Byte - uncompressed 2KB", "2 files selected"},
    };
    for (const Case& c : cases) {
        char items[260], sizes[260];
        ASSERT_EQ(FormatTotalsTexts(c.selection, c.count, c.compressed, c.uncompressed, items, sizeof items, sizes,
                                    sizeof sizes),
                  1);
        EXPECT_STREQ(sizes, c.sizes) << c.compressed << "/" << c.uncompressed;
        EXPECT_STREQ(items, c.items) << c.count;
    }
}

TEST_F(ListViews, StatusBarShowsTotalsAndThenTheSelection)
{
    ASSERT_TRUE(OpenArchiveInViews(ViewFixture("nested.zip")));
    GApp.hwndFocusView = host.list;
    ShowTotals(GApp.listTotals.rows, GApp.listTotals.compressed, GApp.listTotals.uncompressed);
    char items[260], sizes[260];
    FormatTotalsTexts(0, 8, GApp.listTotals.compressed, GApp.listTotals.uncompressed, items, sizeof items, sizes,
                      sizeof sizes);
    EXPECT_EQ(StatusText(0), items);
    EXPECT_EQ(StatusText(2), sizes);

    int x = RowOf(host.list, "a\\b\\x.txt"), y = RowOf(host.list, "a\\b\\c\\y.txt");
    ASSERT_GE(x, 0);
    ASSERT_GE(y, 0);
    SelectRows(host.list, {x, y});
    PumpMessagesFor(50);
    FormatTotalsTexts(1, 2, 19 + 35, 17 + 12000, items, sizeof items, sizes, sizeof sizes);
    EXPECT_EQ(StatusText(0), items);
    EXPECT_EQ(StatusText(2), sizes);
    ArchiveTotals selected = GetSelectionTotals(host.list);
    EXPECT_EQ(selected.rows, 2);
    EXPECT_EQ(selected.compressed, 54);
    EXPECT_EQ(selected.uncompressed, 12017);

    SelectRows(host.list, {});
    PumpMessagesFor(50);
    FormatTotalsTexts(0, 8, GApp.listTotals.compressed, GApp.listTotals.uncompressed, items, sizeof items, sizes,
                      sizeof sizes);
    EXPECT_EQ(StatusText(0), items) << "nothing selected: the archive's totals again";
}

TEST_F(ListViews, SelectionTotalsCountMembersOfTwoGigabytesAndMore)
{
    const char* big[8] = {"huge.iso", "", "3000000000", "5000000000", " 40%", "", "", ""};
    const char* small[8] = {"s.txt", "", "10", "20", "50%", "", "", ""};
    ASSERT_GE(AppendTextRow(host.list, big), 0);
    ASSERT_GE(AppendTextRow(host.list, small), 0);
    SelectRows(host.list, {0, 1});
    ArchiveTotals selected = GetSelectionTotals(host.list);
    EXPECT_EQ(selected.rows, 2);
    EXPECT_EQ(selected.compressed, 3000000010LL);
    EXPECT_EQ(selected.uncompressed, 5000000020LL);
    ClearList(host.list);
}

// ---------------------------------------------------------------------------------------------
// Rows for the engines

TEST(MemberNames, PathAndNameJoinedAsTheEnginesExpect)
{
    struct Case { const char* path; const char* name; const char* full; int ok; };
    const Case cases[] = {
        {"", "a.txt", "a.txt", 1},          {"docs\\", "a.txt", "docs\\a.txt", 1},
        {"docs/", "a.txt", "docs/a.txt", 1}, {"docs", "a.txt", "docs/a.txt", 1},
        {nullptr, "a.txt", "a.txt", 1},
    };
    for (const Case& c : cases) {
        char out[260];
        EXPECT_EQ(JoinMemberName(c.path, c.name, out, sizeof out), c.ok) << c.full;
        EXPECT_STREQ(out, c.full);
    }
    std::string longPath(200, 'p');
    longPath += "\\";
    std::string longName(100, 'n');
    char out[260];
    EXPECT_EQ(JoinMemberName(longPath.c_str(), longName.c_str(), out, sizeof out), 0) << "cut names are told";
    EXPECT_EQ(std::strlen(out), 259u);
}

TEST_F(ListViews, WholeListAndSelectionAreCollectedByHeaderText)
{
    ASSERT_TRUE(OpenArchiveInViews(ViewFixture("nested.zip")));
    List* all = ListCreateStrings();
    EXPECT_EQ(FillLISTWithWholeList(host.list, all), 8);
    std::set<std::string> names;
    for (ListNode* n = all->head; n; n = n->next) names.insert((const char*)n->data);
    EXPECT_TRUE(names.count("a\\b\\c\\y.txt"));
    EXPECT_TRUE(names.count("top.txt"));
    ListDestroy(&all);

    List* selected = ListCreateStrings();
    SelectRows(host.list, {});
    EXPECT_EQ(FillLISTWithSelectedFromList(host.list, selected), 0) << "nothing selected";
    int x = RowOf(host.list, "a\\b\\x.txt");
    SelectRows(host.list, {x});
    EXPECT_EQ(FillLISTWithSelectedFromList(host.list, selected), 1);
    ASSERT_NE(selected->head, nullptr);
    EXPECT_STREQ((const char*)selected->head->data, "a\\b\\x.txt");
    ListDestroy(&selected);

    BSTree* set = CreateZipEntrySet();
    EXPECT_EQ(FillZipTreeWithSelectedFromList(host.list, set), 1);
    EXPECT_EQ(FindEntryInZipEntry(set, "a/b/x.txt", 0, 1, '\\'), 1);
    BSTreeDestroy(&set);
    set = CreateZipEntrySet();
    EXPECT_EQ(FillZipTreeWithWholeList(host.list, set), 8);
    ZipEntry* root = (ZipEntry*)set->root->key;
    EXPECT_GE(root->number, 0);
    BSTreeDestroy(&set);

    // A folder of TreeList: every row, selected or not.
    ASSERT_TRUE(SelectFolder("docs\\img"));
    List* folder = ListCreateStrings();
    SelectRows(host.treeList, {});
    EXPECT_EQ(FillLISTWithWholeList(host.treeList, folder), 2);
    ListDestroy(&folder);

    // Without a name column nothing is collected.
    HWND bare = CreateWindowA(WC_LISTVIEWA, "", WS_CHILD | LVS_REPORT, 0, 0, 10, 10, host.main, nullptr, nullptr, nullptr);
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT;
    column.pszText = (char*)"other";
    SendMessageA(bare, LVM_INSERTCOLUMNA, 0, (LPARAM)&column);
    const char* texts[8] = {"a", "", "", "", "", "", "", ""};
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.pszText = (char*)texts[0];
    SendMessageA(bare, LVM_INSERTITEMA, 0, (LPARAM)&item);
    List* none = ListCreateStrings();
    EXPECT_EQ(FillLISTWithWholeList(bare, none), 0);
    ListDestroy(&none);
    DestroyWindow(bare);
}

// ---------------------------------------------------------------------------------------------
// Encryption marks

TEST_F(ListViews, EncryptionMarksStayWithTheirMembersThroughSortingAndDeleting)
{
    ASSERT_TRUE(OpenArchiveInViews(ViewFixture("encrypted.zip")));
    std::map<std::string, bool> encrypted;
    for (const ExpectedRow& e : LoadExpectedRows("encrypted.zip")) encrypted[e.name] = e.encrypted;
    ASSERT_EQ(encrypted.size(), 4u);
    auto check = [&](const char* when) {
        for (int row = 0; row < Rows(host.list); row++) {
            std::string name = Cell(host.list, row, 0);
            EXPECT_EQ(IsRowEncrypted(host.list, row) != 0, encrypted[name]) << when << ": " << name;
        }
    };
    check("as listed");
    ASSERT_EQ(HandleListColumnClick(host.list, 0), 1);
    ASSERT_EQ(HandleListColumnClick(host.list, 0), 1);
    check("sorted by name, descending");
    int first = 0;
    encrypted.erase(Cell(host.list, first, 0));
    ASSERT_EQ(DeleteListRow(host.list, first), 1);
    check("after deleting the first row");
    EXPECT_EQ(IsRowEncrypted(host.treeList, 0), 0) << "TreeList carries no marks";
}

TEST_F(ListViews, TheMarkIsPaintedIntoTheEncryptionColumn)
{
    ASSERT_TRUE(OpenArchiveInViews(ViewFixture("encrypted.zip")));
    RECT client;
    GetClientRect(host.list, &client);
    HDC screen = GetDC(host.list);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, client.right, client.bottom);
    ReleaseDC(host.list, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    int painted = 0;
    for (int row = 0; row < Rows(host.list); row++) {
        RECT cell = {};
        cell.top = 1;
        cell.left = LVIR_BOUNDS;
        SendMessageA(host.list, LVM_GETSUBITEMRECT, row, (LPARAM)&cell);
        FillRect(dc, &cell, (HBRUSH)GetStockObject(BLACK_BRUSH));
        int result = PaintEncryptionMark(host.list, dc, row);
        EXPECT_EQ(result, IsRowEncrypted(host.list, row)) << Cell(host.list, row, 0);
        COLORREF corner = GetPixel(dc, cell.left + 1, cell.top + 1);
        COLORREF centre = GetPixel(dc, (cell.left + cell.right) / 2, cell.top + (cell.bottom - cell.top) * 3 / 4);
        if (result) {
            painted++;
            EXPECT_EQ(corner, RGB(255, 255, 255)) << "cell cleared to white";
            EXPECT_NE(centre, RGB(255, 255, 255)) << "the mark is drawn";
        } else {
            EXPECT_EQ(corner, RGB(0, 0, 0)) << "plain rows stay as painted";
        }
    }
    EXPECT_EQ(painted, 2);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

// ---------------------------------------------------------------------------------------------
// Cursor and mouse

TEST_F(ListViews, WaitCursorWhileBusyArrowOtherwise)
{
    for (HWND view : {host.list, host.treeList, host.tree}) {
        GApp.busy.store(1);
        SetCursor(LoadCursor(nullptr, IDC_ARROW));
        EXPECT_EQ(SendMessageA(view, WM_SETCURSOR, (WPARAM)view, MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)), TRUE);
        EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_WAIT));
        GApp.busy.store(0);
        SendMessageA(view, WM_SETCURSOR, (WPARAM)view, MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        EXPECT_NE(GetCursor(), LoadCursor(nullptr, IDC_WAIT));
    }
}

TEST_F(ListViews, AHiddenViewStaysHiddenWhenItsRepaintingIsUnlocked)
{
    for (HWND view : {host.list, host.treeList, host.tree, host.combo}) {
        ShowWindow(view, SW_HIDE);
        SendMessageA(view, WM_SETREDRAW, FALSE, 0);
        SendMessageA(view, WM_SETREDRAW, TRUE, 0);
        EXPECT_FALSE(GetWindowLongPtrA(view, GWL_STYLE) & WS_VISIBLE) << "view " << (void*)view;
        ShowWindow(view, SW_SHOW);
        SendMessageA(view, WM_SETREDRAW, FALSE, 0);
        SendMessageA(view, WM_SETREDRAW, TRUE, 0);
        EXPECT_TRUE(GetWindowLongPtrA(view, GWL_STYLE) & WS_VISIBLE) << "view " << (void*)view;
    }
}

TEST_F(ListViews, ShiftClickEstimatesTheRowsOfTheRange)
{
    ASSERT_TRUE(OpenArchiveInViews(ViewFixture("nested.zip")));
    auto clickRow = [&](int row, WPARAM keys) {
        RECT rect = {};
        rect.left = LVIR_BOUNDS;
        SendMessageA(host.list, LVM_GETITEMRECT, row, (LPARAM)&rect);
        LPARAM at = MAKELPARAM(rect.left + 20, (rect.top + rect.bottom) / 2);
        SendMessageA(host.list, WM_LBUTTONDOWN, MK_LBUTTON | keys, at);
        EXPECT_EQ(IsListDragStarted(host.list), 1);
        SendMessageA(host.list, WM_LBUTTONUP, keys, at);
        EXPECT_EQ(IsListDragStarted(host.list), 0);
    };
    clickRow(2, 0);
    EXPECT_EQ(GetEstimatedItems(host.list), 1);
    clickRow(5, MK_SHIFT);
    EXPECT_EQ(GetEstimatedItems(host.list), 6) << "rows 0 to 5 from the top row";
    clickRow(3, MK_CONTROL);
    EXPECT_EQ(GetEstimatedItems(host.list), 6) << "Ctrl keeps the estimate";
}

// ---------------------------------------------------------------------------------------------
// Renaming in place

TEST_F(ListViews, LabelEditsNeedTheRenameCommandAndAZipArchive)
{
    ASSERT_TRUE(OpenArchiveInViews(ViewFixture("nested.zip")));
    SelectRows(host.list, {0});
    EXPECT_EQ(SendMessageA(host.list, LVM_EDITLABELA, 0, 0), 0) << "no edit without the Rename command";
    const int refused[] = {CM_TAR, CM_ISO, CM_RAR};
    for (int method : refused) {
        SetCompressionMethod(method);
        EXPECT_EQ(BeginRenameSelectedRow(host.list), 0) << "format " << method;
    }
    SetCompressionMethod(CM_ZIP);
    ASSERT_EQ(BeginRenameSelectedRow(host.list), 1);
    HWND edit = (HWND)SendMessageA(host.list, LVM_GETEDITCONTROL, 0, 0);
    ASSERT_NE(edit, nullptr);
    SendMessageA(host.list, LVM_CANCELEDITLABEL, 0, 0);
    EXPECT_EQ(SendMessageA(host.list, LVM_EDITLABELA, 0, 0), 0) << "the permission was for one edit";
}

TEST_F(ListViews, RenamingInPlaceChangesTheArchiveBothListsAndTheKeys)
{
    std::string archive = CopyViewFixture("nested.zip");
    ASSERT_TRUE(OpenArchiveInViews(archive));
    ASSERT_TRUE(SelectFolder("a"));
    GApp.hwndFocusView = host.list;
    int row = RowOf(host.list, "a\\z.txt");
    ASSERT_GE(row, 0);
    char oldKey[260];
    GetValuesFromList(host.list, oldKey, sizeof oldKey, row);
    SelectRows(host.list, {row});
    ASSERT_EQ(BeginRenameSelectedRow(host.list), 1);
    HWND edit = (HWND)SendMessageA(host.list, LVM_GETEDITCONTROL, 0, 0);
    ASSERT_NE(edit, nullptr);
    SetWindowTextA(edit, "w.doc");
    SendMessageA(edit, WM_KEYDOWN, VK_RETURN, 0);
    PumpMessagesFor(20);
    ASSERT_TRUE(WaitForViewsIdle());

    std::vector<std::string> names = ArchiveEntryNames(archive);
    EXPECT_NE(std::find(names.begin(), names.end(), "a/w.doc"), names.end());
    EXPECT_EQ(std::find(names.begin(), names.end(), "a/z.txt"), names.end());
    EXPECT_EQ(Cell(host.list, row, 0), "w.doc");
    const liststruct* record = Record(host.list, row);
    ASSERT_NE(record, nullptr);
    EXPECT_STREQ(record->filename, "w.doc");
    EXPECT_GE(RowOf(host.treeList, "a\\w.doc"), 0) << "the folder's list follows";
    EXPECT_LT(RowOf(host.treeList, "a\\z.txt"), 0);
    EXPECT_EQ(RBTreeSearch(TVRBTreeDataReady, oldKey), nullptr);
    char newKey[260];
    GetValuesFromList(host.list, newKey, sizeof newKey, row);
    EXPECT_NE(RBTreeSearch(TVRBTreeDataReady, newKey), nullptr);
    EXPECT_EQ(GApp.busy.load(), 0);
}

TEST_F(ListViews, ChangeFileNameRefusesWhatItCannotDo)
{
    std::string archive = CopyViewFixture("nested.zip");
    ASSERT_TRUE(OpenArchiveInViews(archive));
    int row = RowOf(host.list, "top.txt");
    ASSERT_GE(row, 0);
    const std::vector<std::string> before = ArchiveEntryNames(archive);
    struct Case { int method; int action; const char* oldText; const char* newText; const char* why; };
    const Case cases[] = {
        {CM_ISO, LISTSTRUCT_FILENAME, "top.txt", "t.txt", "ISO image"},
        {CM_RAR, LISTSTRUCT_FILENAME, "top.txt", "t.txt", "RAR archive"},
        {CM_TAR, LISTSTRUCT_FILENAME, "top.txt", "t.txt", "TAR archive"},
        {CM_ZIP, LISTSTRUCT_FILENAME, "top.txt", "", "empty name"},
        {CM_ZIP, LISTSTRUCT_FILENAME, "top.txt", "top.txt", "same name"},
        {CM_ZIP, LISTSTRUCT_FILENAME, "top.txt", "x\\y.txt", "a name with a separator"},
        {CM_ZIP, LISTSTRUCT_FILENAME, "top.txt", "readme.txt", "a name that is taken"},
    };
    for (const Case& c : cases) {
        SetCompressionMethod(c.method);
        EXPECT_EQ(ChangeFileName(host.list, row, c.action, c.oldText, c.newText), 0) << c.why;
        EXPECT_EQ(ArchiveEntryNames(archive), before) << c.why;
        EXPECT_EQ(Cell(host.list, row, 0), "top.txt") << c.why;
    }
    SetCompressionMethod(CM_ZIP);
}

TEST_F(ListViews, MovingAMemberToAnotherFolderMakesTheFolderKnown)
{
    std::string archive = CopyViewFixture("nested.zip");
    ASSERT_TRUE(OpenArchiveInViews(archive));
    int row = RowOf(host.list, "top.txt");
    ASSERT_GE(row, 0);
    ASSERT_EQ(ChangeFileName(host.list, row, LISTSTRUCT_PATH, "", "new\\place"), 1);
    std::vector<std::string> names = ArchiveEntryNames(archive);
    EXPECT_NE(std::find(names.begin(), names.end(), "new/place/top.txt"), names.end());
    EXPECT_EQ(Cell(host.list, row, 7), "new\\place\\");
    std::vector<std::string> tree = TreePaths();
    EXPECT_NE(std::find(tree.begin(), tree.end(), "new\\place"), tree.end());
    std::vector<std::string> combo = ComboEntries();
    EXPECT_NE(std::find(combo.begin(), combo.end(), "new\\place"), combo.end());
    ASSERT_TRUE(SelectFolder("new\\place"));
    EXPECT_EQ(ColumnTexts(host.treeList, 0), std::vector<std::string>{"top.txt"});
}

// ---------------------------------------------------------------------------------------------
// Deleting rows

TEST_F(ListViews, DeletedMembersLeaveBothListsAndTheReadyKeys)
{
    ASSERT_TRUE(OpenArchiveInViews(ViewFixture("nested.zip")));
    ASSERT_TRUE(SelectFolder("docs\\img"));
    ASSERT_EQ(Rows(host.treeList), 2);
    int row = RowOf(host.treeList, "docs\\img\\p.png");
    ASSERT_GE(row, 0);
    char key[260];
    GetValuesFromList(host.treeList, key, sizeof key, row);
    ASSERT_NE(RBTreeSearch(TVRBTreeDataReady, key), nullptr);
    EXPECT_EQ(SynchronizeListTreeListDelete(host.treeList, &row, 1), 1);
    EXPECT_EQ(Rows(host.treeList), 1);
    EXPECT_LT(RowOf(host.list, "docs\\img\\p.png"), 0);
    EXPECT_EQ(Rows(host.list), 7);
    EXPECT_EQ(RBTreeSearch(TVRBTreeDataReady, key), nullptr);
}

TEST_F(ListViews, DeletingTheLastFilesOfFoldersRemovesTheFolders)
{
    ASSERT_TRUE(OpenArchiveInViews(ViewFixture("nested.zip")));
    // The only file of a\b\c goes: c goes; a\b keeps x.txt.
    int y = RowOf(host.list, "a\\b\\c\\y.txt");
    ASSERT_GE(y, 0);
    ASSERT_TRUE(BeginViewBusy());
    RowDeleteJob* job = (RowDeleteJob*)calloc(1, sizeof(RowDeleteJob));
    job->view = host.list;
    job->rows = (int*)calloc(1, sizeof(int));
    job->rows[0] = y;
    job->count = 1;
    HANDLE thread = CreateThread(nullptr, 0, SynchronizeListTreeListDeleteThread, job, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    CloseHandle(thread);
    ASSERT_TRUE(WaitForViewsIdle());
    const std::vector<std::string> folders = {"a", "a\\b", "docs", "docs\\img"};
    EXPECT_EQ(TreePaths(), folders);
    EXPECT_EQ(ComboEntries(), folders);
    // Then the last file of a\b and the only file of a: both folders go.
    std::vector<int> rows = {RowOf(host.list, "a\\b\\x.txt"), RowOf(host.list, "a\\z.txt")};
    EXPECT_EQ(SynchronizeListTreeListDelete(host.list, rows.data(), 2), 2);
    EXPECT_EQ(TreePaths(), (std::vector<std::string>{"docs", "docs\\img"}));
    EXPECT_EQ(ComboEntries(), (std::vector<std::string>{"docs", "docs\\img"}));
    EXPECT_EQ(Rows(host.list), 5);
}

TEST_F(ListViews, TheMainListTellsWhenItsLastRowIsGone)
{
    static int emptied = 0;
    emptied = 0;
    GViewHooks.mainListEmptied = [] { emptied++; };
    ASSERT_TRUE(OpenArchiveInViews(ViewFixture("nested.zip")));
    while (Rows(host.list) > 1) DeleteListRow(host.list, 0);
    EXPECT_EQ(emptied, 0);
    DeleteListRow(host.list, 0);
    EXPECT_GE(emptied, 1);
    GViewHooks.mainListEmptied = nullptr;
}

// ---------------------------------------------------------------------------------------------
// Long names

TEST_F(ListViews, ThousandCharacterNamesAreCutAndStillWork)
{
    ASSERT_TRUE(OpenArchiveInViews(ViewFixture("longnames.zip")));
    ASSERT_EQ(Rows(host.list), 3);
    for (int row = 0; row < 3; row++) {
        char key[260];
        ASSERT_EQ(GetValuesFromList(host.list, key, sizeof key, row), 1);
        EXPECT_LE(std::strlen(key), 259u);
        EXPECT_LE((Cell(host.list, row, 7) + Cell(host.list, row, 0)).size(), 255u);
    }
    for (int column : {0, 7, 5}) {
        ASSERT_EQ(HandleListColumnClick(host.list, column), 1);
        EXPECT_EQ(Rows(host.list), 3);
    }
    // The 1000-character name is cut to its first 255 characters: deep\D..D\n..n.
    const std::string folder = "deep\\" + std::string(150, 'D');
    EXPECT_EQ(TreePaths(), (std::vector<std::string>{"deep", folder, "short"}));
    EXPECT_EQ(ComboEntries(), (std::vector<std::string>{"deep", folder, "short"}));
    ASSERT_TRUE(SelectFolder(folder));
    EXPECT_EQ(ColumnTexts(host.treeList, 0), std::vector<std::string>{std::string(99, 'n')});
    ASSERT_TRUE(SelectFolder(""));
    EXPECT_EQ(ColumnTexts(host.treeList, 0), std::vector<std::string>{std::string(255, 'P')})
        << "the flat long name lies at the top level";
    ASSERT_TRUE(SelectFolder("short"));
    EXPECT_EQ(ColumnTexts(host.treeList, 0), std::vector<std::string>{"s.txt"});
}

}  // namespace
