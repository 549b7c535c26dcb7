// The recent archives: the four slots of the File menu and "file_list", rm.dll's extended list
// and the recent-files dialog, with and without rm.dll.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "app/langtext.h"
#include "history/recent.h"
#include "libs/rm/rmapi.h"
#include "tests/history/historysupport.h"
#include "ui/promptscript.h"

namespace {

std::vector<std::string> Slots(void)
{
    std::vector<std::string> out;
    for (int i = 0; i < RECENT_SLOT_COUNT; ++i) out.push_back(GetRecentFile(i));
    return out;
}

// The slots as stored in "file_list" (paths joined by ';'), padded to four.
std::vector<std::string> StoredSlots(void)
{
    std::vector<std::string> stored;
    char value[2048] = "";
    DWORD size = sizeof value;
    if (RegGetValueA(HKEY_CURRENT_USER, GetSettingsKeyPath(), "file_list", RRF_RT_REG_SZ, nullptr, value, &size) ==
        ERROR_SUCCESS) {
        std::string text = value;
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find(';', start);
            if (end == std::string::npos) end = text.size();
            stored.push_back(text.substr(start, end - start));
            start = end + 1;
        }
    }
    while (stored.size() < RECENT_SLOT_COUNT) stored.push_back("");
    return stored;
}

std::string Join(const std::vector<std::string>& parts)
{
    std::string out;
    for (const std::string& p : parts) out += "[" + p + "]";
    return out;
}

struct ListWindow {
    HWND list;
    ListWindow()
    {
        list = CreateWindowExA(0, WC_LISTVIEWA, "", WS_POPUP | LVS_REPORT, 0, 0, 600, 300, nullptr, nullptr, nullptr,
                               nullptr);
    }
    ~ListWindow() { DestroyWindow(list); }
    int Rows() const { return (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0); }
    std::string Cell(int row, int column) const
    {
        char text[600] = "";
        LVITEMA item{};
        item.iSubItem = column;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessageA(list, LVM_GETITEMTEXTA, row, (LPARAM)&item);
        return text;
    }
    std::string Header(int column) const
    {
        char text[200] = "";
        LVCOLUMNA c{};
        c.mask = LVCF_TEXT;
        c.pszText = text;
        c.cchTextMax = sizeof text;
        if (!SendMessageA(list, LVM_GETCOLUMNA, column, (LPARAM)&c)) return "<none>";
        return text;
    }
};

}  // namespace

TEST(Recent, SlotsMoveUpDropTheOldestAndKeepLetterCase)
{
    struct Step {
        const char* open;
        std::vector<std::string> slots;
    } steps[] = {
        {"C:\\a\\one.zip", {"C:\\a\\one.zip", "", "", ""}},
        {"C:\\a\\two.zip", {"C:\\a\\two.zip", "C:\\a\\one.zip", "", ""}},
        {"C:\\a\\three.zip", {"C:\\a\\three.zip", "C:\\a\\two.zip", "C:\\a\\one.zip", ""}},
        {"C:\\a\\four.zip", {"C:\\a\\four.zip", "C:\\a\\three.zip", "C:\\a\\two.zip", "C:\\a\\one.zip"}},
        // Slot 2 moves to 0, slots 0 and 1 move down, slot 3 stays.
        {"C:\\a\\two.zip", {"C:\\a\\two.zip", "C:\\a\\four.zip", "C:\\a\\three.zip", "C:\\a\\one.zip"}},
        // Already first: nothing moves.
        {"C:\\a\\two.zip", {"C:\\a\\two.zip", "C:\\a\\four.zip", "C:\\a\\three.zip", "C:\\a\\one.zip"}},
        // A fifth archive drops the oldest.
        {"C:\\a\\five.zip", {"C:\\a\\five.zip", "C:\\a\\two.zip", "C:\\a\\four.zip", "C:\\a\\three.zip"}},
        // Letter case counts: two entries.
        {"C:\\a\\FIVE.zip", {"C:\\a\\FIVE.zip", "C:\\a\\five.zip", "C:\\a\\two.zip", "C:\\a\\four.zip"}},
    };
    HistoryScope scope;
    SetSaveRecentAdvanced(1);
    for (const Step& step : steps) {
        AddToRecentList(step.open);
        EXPECT_EQ(Join(Slots()), Join(step.slots)) << "after opening " << step.open;
        EXPECT_EQ(Join(StoredSlots()), Join(step.slots)) << "file_list after opening " << step.open;
    }
    // rm.dll kept every distinct path, most recent first, with how often each was opened.
    ListWindow window;
    ASSERT_EQ(FillRecentFilesList(window.list), 6);
    const char* names[] = {"FIVE.zip", "five.zip", "two.zip", "four.zip", "three.zip", "one.zip"};
    const char* times[] = {"1", "1", "3", "1", "1", "1"};
    for (int row = 0; row < 6; ++row) {
        EXPECT_EQ(window.Cell(row, 0), names[row]) << "row " << row;
        EXPECT_EQ(window.Cell(row, 1), "C:\\a") << "row " << row;
        EXPECT_EQ(window.Cell(row, 3), times[row]) << "row " << row;
        EXPECT_EQ(window.Cell(row, 4), "") << "a file that does not exist has no size";
    }
    for (int column = 0; column < 5; ++column) EXPECT_EQ(window.Header(column), GetGenericText(69 + column));
    FILETIME when{};
    RmGetLastAccessTimeFn last = (RmGetLastAccessTimeFn)PluginExport(PLUGIN_RM, "GetLastAccessTime");
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last("C:\\a\\two.zip", &when), 1);
    EXPECT_NE(when.dwHighDateTime, 0u);
    EXPECT_EQ(last("C:\\a\\never.zip", &when), 0);
}

TEST(Recent, DoNotSaveRecentChangesNothing)
{
    HistoryScope scope;
    SetSaveRecentAdvanced(1);
    AddToRecentList("C:\\b\\kept.zip");
    std::string store;
    ASSERT_TRUE(ReadWholeFile(scope.File("recent.lst"), &store));
    SetDoNotSaveRecent(1);
    AddToRecentList("C:\\b\\other.zip");
    EXPECT_EQ(Join(Slots()), "[C:\\b\\kept.zip][][][]");
    EXPECT_EQ(Join(StoredSlots()), "[C:\\b\\kept.zip][][][]");
    std::string after;
    ASSERT_TRUE(ReadWholeFile(scope.File("recent.lst"), &after));
    EXPECT_EQ(after, store);
}

TEST(Recent, TheManagerMovesAndDeletesEntries)
{
    HistoryScope scope;
    SetSaveRecentAdvanced(1);
    for (const char* path : {"C:\\c\\d.zip", "C:\\c\\c.zip", "C:\\c\\b.zip", "C:\\c\\a.zip"}) AddToRecentList(path);
    ListWindow window;
    RmPrintRecentListFn print = (RmPrintRecentListFn)PluginExport(PLUGIN_RM, "PrintRecentList");
    ASSERT_NE(print, nullptr);
    ASSERT_EQ(print(window.list), 4);
    struct Move {
        const char* function;
        int row;
        int newRow;
        const char* order;  // first letters of the names afterwards
    } moves[] = {
        {"ExchangeEntrySetToLast", 0, 3, "bcda"},  {"ExchangeEntrySetToFirst", 2, 0, "dbca"},
        {"ExchangeEntrySetToNext", 0, 1, "bdca"},  {"ExchangeEntrySetToPrevious", 3, 2, "bdac"},
        {"ExchangeEntrySetToPrevious", 0, 0, "bdac"}, {"ExchangeEntrySetToNext", 3, 3, "bdac"},
        {"ExchangeEntrySetToFirst", 9, -1, "bdac"},
    };
    for (const Move& m : moves) {
        RmMoveEntryFn move = (RmMoveEntryFn)PluginExport(PLUGIN_RM, m.function);
        ASSERT_NE(move, nullptr) << m.function;
        EXPECT_EQ(move(window.list, m.row), m.newRow) << m.function << " " << m.row;
        std::string order;
        for (int row = 0; row < window.Rows(); ++row) order += window.Cell(row, 0)[5];
        EXPECT_EQ(order, m.order) << m.function << " " << m.row;
    }
    RmDeleteTreeEntryFn deleteRow = (RmDeleteTreeEntryFn)PluginExport(PLUGIN_RM, "DeleteTreeEntry");
    RmDeleteRecentListNodeFn deletePath = (RmDeleteRecentListNodeFn)PluginExport(PLUGIN_RM, "DeleteRecentListNode");
    RmDeleteRecentFileFn deleteAll = (RmDeleteRecentFileFn)PluginExport(PLUGIN_RM, "DeleteRecentFile");
    ASSERT_TRUE(deleteRow && deletePath && deleteAll);
    EXPECT_EQ(deleteRow(window.list, 1), 1);
    EXPECT_EQ(window.Rows(), 3);
    EXPECT_EQ(deletePath("C:\\c\\A.zip"), 0) << "letter case counts";
    EXPECT_EQ(deletePath("C:\\c\\a.zip"), 1);
    EXPECT_EQ(print(window.list), 2);
    EXPECT_EQ(deleteAll(window.list), 1);
    EXPECT_EQ(window.Rows(), 0);
    EXPECT_EQ(GetFileAttributesA(scope.File("recent.lst").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(print(window.list), 0);
}

TEST(Recent, TheDialogOnlyWithTheManager)
{
    std::string empty = MakeTempFolder("norm");
    struct Case {
        const char* what;
        int advanced;
        bool library;
        int available;
    } cases[] = {
        {"setting on, library there", 1, true, 1},
        {"setting off", 0, true, 0},
        {"library missing", 1, false, 0},
    };
    for (const Case& c : cases) {
        HistoryScope scope(c.library ? nullptr : empty.c_str());
        SetSaveRecentAdvanced(c.advanced);
        AddToRecentList("C:\\d\\x.zip");
        EXPECT_EQ(Join(Slots()), "[C:\\d\\x.zip][][][]") << c.what;
        EXPECT_EQ(IsRecentDialogAvailable(), c.available) << c.what;
        ScopedPromptScript script;
        ScriptPromptAnswer(PROMPT_KIND_MODAL_DIALOG, IDOK, nullptr);
        EXPECT_EQ(ShowRecentFilesDialog(nullptr), c.available ? IDOK : 0) << c.what;
        PromptQuestion q;
        EXPECT_EQ(GetScriptedQuestion(0, &q), c.available) << c.what;
        if (c.available) {
            EXPECT_STREQ(q.caption, "recent");
        }
        ListWindow window;
        EXPECT_EQ(FillRecentFilesList(window.list), c.available) << c.what;
        EXPECT_EQ(GetFileAttributesA(scope.File("recent.lst").c_str()) != INVALID_FILE_ATTRIBUTES, c.available == 1)
            << c.what;
    }
    RemoveFolderTree(empty);
}

namespace {

struct RecentDialogDriver {
    int rows = -1;
    int enabled = -1;
    std::string title;
};

DWORD WINAPI DriveRecentDialog(LPVOID param)
{
    RecentDialogDriver* d = (RecentDialogDriver*)param;
    HWND dialog = nullptr;
    for (int i = 0; i < 600 && !dialog; ++i) {
        dialog = FindWindowA(nullptr, GetGenericText(74));
        if (!dialog) Sleep(50);
    }
    if (!dialog) return 0;
    char title[200] = "";
    GetWindowTextA(dialog, title, sizeof title);
    d->title = title;
    HWND list = FindWindowExA(dialog, nullptr, WC_LISTVIEWA, nullptr);
    if (list) {
        d->rows = (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
        d->enabled = IsWindowEnabled(list) ? 1 : 0;
    }
    SendMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    return 0;
}

}  // namespace

TEST(Recent, TheRealDialogShowsTheList)
{
    for (int entries = 0; entries <= 2; entries += 2) {
        HistoryScope scope;
        SetSaveRecentAdvanced(1);
        if (entries) {
            AddToRecentList("C:\\e\\first.zip");
            AddToRecentList("C:\\e\\second.zip");
        }
        ResetPromptsToDialogs();
        RecentDialogDriver driver;
        HANDLE helper = CreateThread(nullptr, 0, DriveRecentDialog, &driver, 0, nullptr);
        ASSERT_NE(helper, nullptr);
        EXPECT_EQ(ShowRecentFilesDialog(nullptr), IDOK);
        WaitForSingleObject(helper, 60000);
        CloseHandle(helper);
        EXPECT_EQ(driver.title, GetGenericText(74));
        EXPECT_EQ(driver.rows, entries);
        EXPECT_EQ(driver.enabled, entries ? 1 : 0) << "an empty list is disabled";
    }
}
