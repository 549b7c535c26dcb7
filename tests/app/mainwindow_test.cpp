// The main window end to end: fixture archives opened through the open operation, the views read
// back (rows, column texts, status bar, tree, combo), commands driven through WM_COMMAND.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/commands.h"
#include "app/ids.h"
#include "app/langtext.h"
#include "app/mainwindow.h"
#include "zip/create.h"
#include "app/startup.h"
#include "apphost.h"
#include "config/settings.h"
#include "model/appstate.h"
#include "model/listview.h"
#include "support/testsupport.h"
#include "ui/prompts.h"
#include "ui/promptscript.h"

namespace {

std::string Join(const std::vector<std::string>& items)
{
    std::string joined;
    for (const std::string& s : items) joined += "[" + s + "]";
    return joined;
}

bool Contains(const std::vector<std::string>& texts, const std::string& part)
{
    for (const std::string& t : texts)
        if (t.find(part) != std::string::npos) return true;
    return false;
}

}  // namespace

TEST_F(MainWindowTest, OpensEachKindOfArchive)
{
    struct Case {
        const char* fixture;
        int rows;
        const char* countText;     // status part 0
        const char* sizeText;      // status part 2
        const char* folders;       // tree below the root, depth-first, joined
        int comboEntries;
        const char* message;       // part of the message shown, "" for none
    };
    const Case cases[] = {
        {"flat.zip", 5, "5 files", "Total: compressed 5KB - uncompressed 5KB", "", 0, ""},
        {"nested.zip", 6, "6 files", "Total: compressed 50B - uncompressed 50B", "[  a][    b][      c][  d]", 4, ""},
        {"encrypted.zip", 2, "2 files", "", "", 0, ""},
        {"many.zip", 10000, "10000 files", "", "", 100, ""},
        // An archive without members opens as an empty archive.
        {"empty.zip", 0, "0 files", "Total: compressed 0B - uncompressed 0B", "", 0, ""},
        {"notzip.zip", 0, "", "", "", 0, "cannot be opened"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fixture);
        EndPromptScript();
        BeginPromptScript();
        std::string path = Fixture(c.fixture);
        EXPECT_EQ(OpenAndWait(path), 1);
        EXPECT_EQ(Rows(GApp.hwndList), c.rows);
        EXPECT_EQ(GApp.busy.load(), 0);
        EXPECT_EQ(GApp.busyOpen.load(), 0);
        if (c.countText[0]) {
            EXPECT_EQ(StatusText(STATUS_PART_COUNT), c.countText);
        }
        if (c.sizeText[0]) {
            EXPECT_EQ(StatusText(STATUS_PART_SIZES), c.sizeText);
        }
        std::vector<std::string> tree = TreeLabels();
        if (c.rows > 0) {
            ASSERT_FALSE(tree.empty()) << "no root item";
            if (c.folders[0]) {
                EXPECT_EQ(Join(std::vector<std::string>(tree.begin() + 1, tree.end())), c.folders);
            }
            EXPECT_EQ((int)ComboEntries().size(), c.comboEntries) << Join(ComboEntries());
        }
        if (!c.message[0]) {
            // Opened, with or without rows.
            EXPECT_EQ(Title(), "Kelvora: " + path);
            EXPECT_TRUE(IsWindowEnabled(GApp.hwndList));
        }
        std::vector<std::string> messages = MessageTexts();
        if (c.message[0]) {
            EXPECT_TRUE(Contains(messages, c.message)) << Join(messages);
            EXPECT_TRUE(Contains(messages, path)) << "the message names the file: " << Join(messages);
        } else {
            EXPECT_TRUE(messages.empty()) << Join(messages);
        }
        // The folder view stays hidden in the flat view.
        EXPECT_TRUE(IsWindowVisible(GApp.hwndList));
        EXPECT_FALSE(IsWindowVisible(GApp.hwndTree));
        EXPECT_FALSE(IsWindowVisible(GApp.hwndPathCombo));
    }
}

TEST_F(MainWindowTest, RowsCarryTheMembersColumns)
{
    OpenAndWait(Fixture("nested.zip"));
    std::vector<std::string> expected = {"a\\b\\c\\three.txt", "a\\b\\five.txt", "a\\b\\two.txt", "a\\one.txt",
                                         "d\\four.txt", "top.txt"};
    EXPECT_EQ(MemberNames(GApp.hwndList), expected);
    int row = -1;
    for (int i = 0; i < Rows(GApp.hwndList); ++i)
        if (Cell(GApp.hwndList, i, LIST_COLUMN_NAME) == "three.txt") row = i;
    ASSERT_GE(row, 0);
    EXPECT_EQ(Cell(GApp.hwndList, row, LIST_COLUMN_COMPRESSED), "18");
    EXPECT_EQ(Cell(GApp.hwndList, row, LIST_COLUMN_UNCOMPRESSED), "18");
    EXPECT_EQ(Cell(GApp.hwndList, row, LIST_COLUMN_RATE), " 0%");
    EXPECT_EQ(Cell(GApp.hwndList, row, LIST_COLUMN_PATH), "a\\b\\c\\");
    EXPECT_EQ(Cell(GApp.hwndList, row, LIST_COLUMN_ENCRYPTED), "");
}

TEST_F(MainWindowTest, FolderViewShowsTheTreeComboAndFolderRows)
{
    OpenAndWait(Fixture("nested.zip"));
    Command(IDM_FOLDER_VIEW);
    EXPECT_TRUE(IsFolderViewShown());
    EXPECT_TRUE(IsWindowVisible(GApp.hwndTree));
    EXPECT_TRUE(IsWindowVisible(GApp.hwndTreeList));
    EXPECT_TRUE(IsWindowVisible(GApp.hwndPathCombo));
    EXPECT_FALSE(IsWindowVisible(GApp.hwndList));
    EXPECT_EQ(GetViewList(), GApp.hwndTreeList);
    std::vector<std::string> combo = ComboEntries();
    EXPECT_EQ(Join(combo), "[a][a\\b][a\\b\\c][d]");
    // Every entry shows the folder icon of the shell's image list, selected or not.
    EXPECT_NE(SendMessageA(GApp.hwndPathCombo, CBEM_GETIMAGELIST, 0, 0), 0) << "the combo has the icons";
    int folderIcon = -1;
    for (int i = 0; i < (int)combo.size(); ++i) {
        COMBOBOXEXITEMA item = {};
        item.mask = CBEIF_IMAGE | CBEIF_SELECTEDIMAGE;
        item.iItem = i;
        ASSERT_TRUE(SendMessageA(GApp.hwndPathCombo, CBEM_GETITEMA, 0, (LPARAM)&item));
        EXPECT_GE(item.iImage, 0) << combo[i];
        EXPECT_EQ(item.iSelectedImage, item.iImage) << combo[i];
        if (i == 0) folderIcon = item.iImage;
        EXPECT_EQ(item.iImage, folderIcon) << combo[i] << ": one folder icon for all";
    }

    // The root shows the top-level files only; a folder its own files, not those below it.
    TreeView_SelectItem(GApp.hwndTree, TreeView_GetRoot(GApp.hwndTree));
    WaitIdle();
    EXPECT_EQ(Join(MemberNames(GApp.hwndTreeList)), "[top.txt]");
    HTREEITEM a = TreeView_GetChild(GApp.hwndTree, TreeView_GetRoot(GApp.hwndTree));
    HTREEITEM b = TreeView_GetChild(GApp.hwndTree, a);
    TreeView_SelectItem(GApp.hwndTree, b);
    WaitIdle();
    EXPECT_EQ(Join(MemberNames(GApp.hwndTreeList)), "[a\\b\\five.txt][a\\b\\two.txt]");
    EXPECT_EQ(StatusText(STATUS_PART_COUNT), "2 files");

    Command(IDM_FLAT_VIEW);
    EXPECT_FALSE(IsFolderViewShown());
    EXPECT_TRUE(IsWindowVisible(GApp.hwndList));
    EXPECT_FALSE(IsWindowVisible(GApp.hwndTree));
    EXPECT_EQ(GetViewList(), GApp.hwndList);
    EXPECT_EQ(StatusText(STATUS_PART_COUNT), "6 files") << "the flat view shows the archive's totals again";
}

TEST_F(MainWindowTest, CommandsFollowTheOpenArchive)
{
    struct State {
        int id;
        int enabledWithoutArchive;
        int enabledWithZip;
    };
    const State states[] = {
        {IDM_NEW_ARCHIVE, 1, 1}, {IDM_OPEN, 1, 1},          {IDM_CLOSE, 0, 1},       {IDM_RELOAD, 0, 1},
        {IDM_SAVE_COPY, 0, 1},   {IDM_FIND_NAME, 0, 1},     {IDM_FIND_CONTENT, 0, 1}, {IDM_ADD_FOLDER, 0, 1},
        {IDM_EXTRACT, 0, 1},     {IDM_DELETE, 0, 1},        {IDM_SELECT_ALL, 0, 1},  {IDM_RENAME, 0, 1},
        {IDM_EXIT, 1, 1},        {IDM_ABOUT, 1, 1},         {IDM_REPAIR, 1, 1},      {IDM_SET_PASSWORD, 0, 1},
        {IDM_SELF_EXTRACTOR, 0, 1},
        // Features that come later stand in the menus, disabled.
        {IDM_CUT, 0, 0}, {IDM_COPY, 0, 0}, {IDM_PASTE, 0, 0}, {IDM_SETTINGS, 0, 0},
        {IDM_HISTORY, 0, 0},        {IDM_PRINT, 0, 0}, {IDM_RECENT_ARCHIVES, 0, 0},
    };
    for (const State& s : states) EXPECT_EQ(IsCommandEnabled(s.id), s.enabledWithoutArchive) << "no archive, command " << s.id;
    OpenAndWait(Fixture("flat.zip"));
    for (const State& s : states) EXPECT_EQ(IsCommandEnabled(s.id), s.enabledWithZip) << "zip archive, command " << s.id;
    // The toolbar follows its menu commands.
    EXPECT_TRUE(SendMessageA(GApp.hwndToolbar, TB_ISBUTTONENABLED, IDM_TB_DELETE, 0));
    Command(IDM_CLOSE);
    for (const State& s : states) EXPECT_EQ(IsCommandEnabled(s.id), s.enabledWithoutArchive) << "closed, command " << s.id;
    EXPECT_FALSE(SendMessageA(GApp.hwndToolbar, TB_ISBUTTONENABLED, IDM_TB_DELETE, 0));
    EXPECT_EQ(Rows(GApp.hwndList), 0);
    EXPECT_EQ(Title(), "Kelvora");
    EXPECT_EQ(GCompressionMethod, CM_NONE);
}

TEST_F(MainWindowTest, RefusesCommandsAndOpensWhileBusy)
{
    std::string flat = Fixture("flat.zip");
    OpenAndWait(flat);
    GApp.busy.store(1);
    EXPECT_EQ(OpenCompressedFile(Fixture("nested.zip").c_str(), frame_), 0) << "open while busy";
    EXPECT_EQ(DispatchCommand(frame_, IDM_SELECT_ALL), 0);
    EXPECT_EQ(DispatchCommand(frame_, IDM_OPEN), 0);
    EXPECT_EQ(DispatchCommand(frame_, IDM_CLOSE), 0);
    EXPECT_EQ(SendMessageA(GApp.hwndList, LVM_GETSELECTEDCOUNT, 0, 0), 0);
    GApp.busy.store(0);
    GApp.busyOpen.store(1);
    EXPECT_EQ(OpenCompressedFile(Fixture("nested.zip").c_str(), frame_), 0) << "open while an open lists";
    EXPECT_EQ(GApp.busy.load(), 0) << "a refused open gives busy back";
    GApp.busyOpen.store(0);
    EXPECT_EQ(ScriptedQuestionCount(), 0) << "refusals ask nothing";
    EXPECT_EQ(Rows(GApp.hwndList), 5);
    EXPECT_EQ(std::string(GApp.currentArchive), flat);

    // Open while a listing runs leaves the listing alone.
    ASSERT_EQ(OpenCompressedFile(Fixture("many.zip").c_str(), frame_), 1);
    EXPECT_EQ(DispatchCommand(frame_, IDM_OPEN), 0);
    EXPECT_EQ(ScriptedQuestionCount(), 0) << "no open dialog while listing";
    WaitIdle();
    EXPECT_EQ(Rows(GApp.hwndList), 10000);

    Command(IDM_SELECT_ALL);
    EXPECT_EQ(SendMessageA(GApp.hwndList, LVM_GETSELECTEDCOUNT, 0, 0), 10000);
    EXPECT_EQ(GApp.busy.load(), 0);
}

TEST_F(MainWindowTest, RefusesFilesThatAreNoArchive)
{
    std::string text = Fixture("dropped.txt");
    EXPECT_EQ(OpenAndWait(text), 0);
    std::vector<std::string> messages = MessageTexts();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], GetMessageText(71));
    EXPECT_EQ(GApp.busy.load() + GApp.busyOpen.load(), 0);

    std::string missing = folder_ + "\\gone.zip";
    EXPECT_EQ(OpenCompressedFile(missing.c_str(), frame_), 0);
    messages = MessageTexts();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1], std::string(GetMessageText(35)) + " \"" + missing + "\" " + GetMessageText(36) + " " +
                               GetMessageText(99));
}

TEST_F(MainWindowTest, OpenDialogChoosesTheArchive)
{
    std::string nested = Fixture("nested.zip");
    ScriptPromptAnswer(PROMPT_KIND_OPEN_FILE, 1, nested.c_str());
    Command(IDM_TB_OPEN);
    WaitIdle();
    EXPECT_EQ(Rows(GApp.hwndList), 6);
    PromptQuestion q;
    ASSERT_TRUE(GetScriptedQuestion(0, &q));
    EXPECT_EQ(q.kind, PROMPT_KIND_OPEN_FILE);
    EXPECT_STREQ(q.caption, GetMessageText(28));

    // Cancelling the dialog changes nothing and keeps nothing busy.
    Command(IDM_OPEN);
    EXPECT_EQ(Rows(GApp.hwndList), 6);
    EXPECT_EQ(GApp.busy.load() + GApp.busyOpen.load(), 0);
}

TEST_F(MainWindowTest, EncryptedArchiveTellsItsProtection)
{
    OpenAndWait(Fixture("encrypted.zip"));
    char tip[600];
    GetStatusToolTipText(STATUS_PART_SEARCH, tip, sizeof tip);
    EXPECT_NE(std::string(tip).find(GetMessageText(33)), std::string::npos) << tip;
    OpenAndWait(Fixture("flat.zip"));
    GetStatusToolTipText(STATUS_PART_SEARCH, tip, sizeof tip);
    EXPECT_NE(std::string(tip).find(GetMessageText(32)), std::string::npos) << tip;
}

TEST_F(MainWindowTest, ReloadListsTheArchiveAgain)
{
    std::string flat = Fixture("flat.zip");
    OpenAndWait(flat);
    ASSERT_EQ(Rows(GApp.hwndList), 5);
    // Another program replaces the archive; reload shows the new content.
    ASSERT_TRUE(CopyFileA(FixturePath("nested.zip").c_str(), flat.c_str(), FALSE));
    Command(IDM_RELOAD);
    WaitIdle();
    EXPECT_EQ(Rows(GApp.hwndList), 6);
    EXPECT_EQ(std::string(GApp.currentArchive), flat);
}

TEST_F(MainWindowTest, SavesACopyOfTheArchive)
{
    std::string flat = Fixture("flat.zip");
    OpenAndWait(flat);
    std::string copy = folder_ + "\\copy.zip";
    ASSERT_TRUE(WriteWholeFile(copy, "an older file of that name"));
    ScriptPromptAnswer(PROMPT_KIND_SAVE_FILE, 1, copy.c_str());
    Command(IDM_SAVE_COPY);
    std::string original, copied;
    ASSERT_TRUE(ReadWholeFile(flat, &original));
    ASSERT_TRUE(ReadWholeFile(copy, &copied));
    EXPECT_TRUE(original == copied) << "the copy replaces the older file byte for byte";

    // A copy that fails says so.
    ScriptPromptAnswer(PROMPT_KIND_SAVE_FILE, 1, (folder_ + "\\no such folder\\x.zip").c_str());
    Command(IDM_SAVE_COPY);
    std::vector<std::string> messages = MessageTexts();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("no such folder"), std::string::npos) << messages[0];
}

TEST_F(MainWindowTest, ScrollCommandsKeepTheSelection)
{
    OpenAndWait(Fixture("many.zip"));
    ListView_SetItemState(GApp.hwndList, 3, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    Command(IDM_SCROLL_BOTTOM);
    int top = ListView_GetTopIndex(GApp.hwndList);
    EXPECT_GT(top, 9000) << "at the bottom";
    Command(IDM_SCROLL_PAGE_UP);
    int pageUp = ListView_GetTopIndex(GApp.hwndList);
    EXPECT_LT(pageUp, top);
    EXPECT_GE(pageUp, top - ListView_GetCountPerPage(GApp.hwndList) - 1);
    Command(IDM_SCROLL_PAGE_DOWN);
    EXPECT_EQ(ListView_GetTopIndex(GApp.hwndList), top);
    Command(IDM_SCROLL_TOP);
    EXPECT_EQ(ListView_GetTopIndex(GApp.hwndList), 0);
    EXPECT_EQ(ListView_GetNextItem(GApp.hwndList, -1, LVNI_SELECTED), 3) << "the selection stays";
    EXPECT_EQ(SendMessageA(GApp.hwndList, LVM_GETSELECTEDCOUNT, 0, 0), 1);
}

TEST_F(MainWindowTest, OpeningAMemberWritesATemporaryFileAndHandsItToItsProgram)
{
    OpenAndWait(Fixture("nested.zip"));
    int row = -1;
    for (int i = 0; i < Rows(GApp.hwndList); ++i)
        if (Cell(GApp.hwndList, i, LIST_COLUMN_NAME) == "two.txt") row = i;
    ASSERT_GE(row, 0);
    ListView_SetItemState(GApp.hwndList, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    Command(IDM_OPEN_MEMBER);
    ASSERT_EQ(launched_.size(), 1u);
    std::string content;
    ASSERT_TRUE(ReadWholeFile(launched_[0], &content)) << launched_[0];
    EXPECT_EQ(content, "two two\n");
    EXPECT_EQ(TempFileCount(), 1) << "recorded for removal";
    EXPECT_EQ(RemoveTempFiles(0), 0);
    EXPECT_EQ(GetFileAttributesA(launched_[0].c_str()), INVALID_FILE_ATTRIBUTES) << "removed";
}

TEST_F(MainWindowTest, RecentArchivesFillTheFileMenu)
{
    std::vector<std::string> paths;
    const char* names[] = {"flat.zip", "nested.zip", "encrypted.zip", "many.zip", "empty.zip"};
    for (const char* name : names) {
        paths.push_back(Fixture(name));
    }
    // Settings saved once: their registry key exists, so the recent slots are written too.
    SaveSettings();
    // Five different archives: the oldest (flat) drops out; empty.zip lists no rows and is
    // not remembered.
    for (const std::string& p : paths) OpenAndWait(p);
    EXPECT_STREQ(GetRecentFile(0), paths[3].c_str());
    EXPECT_STREQ(GetRecentFile(1), paths[2].c_str());
    EXPECT_STREQ(GetRecentFile(2), paths[1].c_str());
    EXPECT_STREQ(GetRecentFile(3), paths[0].c_str());
    HMENU file = GetSubMenu(GetMenu(frame_), 0);
    char text[300] = "";
    GetMenuStringA(file, IDM_RECENT_FIRST, text, sizeof text, MF_BYCOMMAND);
    EXPECT_EQ(std::string(text), paths[3]);
    GetMenuStringA(file, IDM_RECENT_LAST, text, sizeof text, MF_BYCOMMAND);
    EXPECT_EQ(std::string(text), paths[0]);

    // Slot 2 opened again moves to the top; slots 0 and 1 move down, slot 3 stays.
    Command(IDM_RECENT_FIRST + 2);
    WaitIdle();
    EXPECT_EQ(std::string(GApp.currentArchive), paths[1]);
    EXPECT_STREQ(GetRecentFile(0), paths[1].c_str());
    EXPECT_STREQ(GetRecentFile(1), paths[3].c_str());
    EXPECT_STREQ(GetRecentFile(2), paths[2].c_str());
    EXPECT_STREQ(GetRecentFile(3), paths[0].c_str());

    // A slot whose file was deleted tells the user with the quoted path.
    ASSERT_TRUE(DeleteFileA(paths[0].c_str()));
    Command(IDM_RECENT_LAST);
    std::vector<std::string> messages = MessageTexts();
    ASSERT_FALSE(messages.empty());
    EXPECT_NE(messages.back().find("\"" + paths[0] + "\""), std::string::npos) << messages.back();
    EXPECT_EQ(std::string(GApp.currentArchive), paths[1]) << "the shown archive stays";

    // The slots are kept in the registry ("file_list"): read back with the settings, they are
    // the same.
    std::vector<std::string> slots;
    for (int slot = 0; slot < RECENT_SLOT_COUNT; ++slot) slots.push_back(GetRecentFile(slot));
    for (int slot = 0; slot < RECENT_SLOT_COUNT; ++slot) SetRecentFile(slot, "");
    ASSERT_EQ(LoadSettings(), 1);
    for (int slot = 0; slot < RECENT_SLOT_COUNT; ++slot) EXPECT_EQ(std::string(GetRecentFile(slot)), slots[slot]) << slot;
}

TEST_F(MainWindowTest, DroppedFilesOpenOrJoinTheArchive)
{
    std::string flat = Fixture("flat.zip");
    std::string dropped = Fixture("dropped.txt");
    // Onto the empty window: an archive is opened.
    const char* archive[] = {flat.c_str()};
    EXPECT_EQ(HandleDroppedPaths(archive, 1), 1);
    WaitIdle();
    EXPECT_EQ(Rows(GApp.hwndList), 5);
    // Onto the shown archive: the file becomes a member, in the archive and in the list.
    const char* file[] = {dropped.c_str()};
    EXPECT_EQ(HandleDroppedPaths(file, 1), 1);
    WaitIdle();
    EXPECT_EQ(Rows(GApp.hwndList), 6);
    std::vector<std::string> members = ArchiveMembers(flat);
    EXPECT_TRUE(std::find(members.begin(), members.end(), "dropped.txt") != members.end()) << Join(members);
}

TEST_F(MainWindowTest, ExitClosesTheFrame)
{
    OpenAndWait(Fixture("flat.zip"));
    Command(IDM_EXIT);
    PumpMessagesUntil([&] { return !IsWindow(frame_); }, 5000);
    EXPECT_FALSE(IsWindow(frame_));
    EXPECT_EQ(GApp.hwndMain, nullptr);
}

TEST_F(MainWindowTest, MenuBarFollowsItsLayout)
{
    // Command ids in order, 0 for a separator; captions from the language library.
    const std::vector<std::vector<int>> layout = {
        {4001, 4002, 4003, 0, 4004, 4005, 4006, 0, 4026, IDM_RECENT_END, 4007},
        {4008, 4009, 0, 4010, 4011, 4012, 0, 4013, 4014, 0, 4015, 4016, 4017, 4018},
        {4019, 4020},
        {4021, 4024, 4028, 0, 4027},
        {4022, 4023},
    };
    // The shortcuts the frame's keys serve, shown beside their commands.
    const struct {
        int id;
        const char* keys;
    } kShortcuts[] = {{4001, "Ctrl+N"}, {4002, "Ctrl+O"}, {4004, "F5"}, {4008, "F2"},
                      {4013, "Ctrl+F"}, {4017, "Del"},    {4018, "Ctrl+A"}};
    HMENU bar = GetMenu(frame_);
    ASSERT_EQ(GetMenuItemCount(bar), 5);
    for (int p = 0; p < 5; ++p) {
        char caption[100] = "";
        GetMenuStringA(bar, p, caption, sizeof caption, MF_BYPOSITION);
        EXPECT_STREQ(caption, GetMenuText(5001 + p));
        HMENU popup = GetSubMenu(bar, p);
        std::vector<int> ids;
        for (int i = 0; i < GetMenuItemCount(popup); ++i) ids.push_back((int)GetMenuItemID(popup, i));
        EXPECT_EQ(ids, layout[p]) << "pop-up " << 5001 + p;
        for (int id : layout[p]) {
            if (id < 4001 || id > 4028) continue;
            char text[100] = "";
            GetMenuStringA(popup, id, text, sizeof text, MF_BYCOMMAND);
            std::string caption = GetMenuItemText(id);
            for (const auto& s : kShortcuts)
                if (s.id == id) caption = caption + "\t" + s.keys;
            EXPECT_EQ(text, caption) << "item " << id << ": the caption and its shortcut";
        }
    }
    // A recent archive adds its separator and item before the separator in front of Exit.
    std::string flat = Fixture("flat.zip");
    OpenAndWait(flat);
    HMENU file = GetSubMenu(bar, 0);
    std::vector<int> ids;
    for (int i = 0; i < GetMenuItemCount(file); ++i) ids.push_back((int)GetMenuItemID(file, i));
    std::vector<int> expected = {4001, 4002, 4003, 0, 4004, 4005, 4006, 0, 4026, IDM_RECENT_SEPARATOR, IDM_RECENT_FIRST,
                                 IDM_RECENT_END, 4007};
    EXPECT_EQ(ids, expected);
}

TEST_F(MainWindowTest, StatusBarPartsAndToolTips)
{
    struct Tip {
        int part;
        int text;  // status tool-tip text of that part
    };
    const Tip tips[] = {{STATUS_PART_COUNT, 2}, {STATUS_PART_SEARCH, 0}, {STATUS_PART_SIZES, 3},
                        {STATUS_PART_ADD_MODE, 4}, {STATUS_PART_NEW_FORMAT, 5}};
    for (const Tip& t : tips) {
        char text[600];
        GetStatusToolTipText(t.part, text, sizeof text);
        EXPECT_STREQ(text, GetStatusWindowToolTipText(t.text)) << "part " << t.part;
    }
    Command(IDM_FOLDER_VIEW);
    char text[600];
    GetStatusToolTipText(STATUS_PART_SEARCH, text, sizeof text);
    EXPECT_STREQ(text, GetStatusWindowToolTipText(1)) << "the folder view's tip";

    // A click on the two switches changes the setting and its text.
    SetAddDirectories(0);
    SetPreferredTar(0);
    SwitchView(0);
    EXPECT_EQ(StatusText(STATUS_PART_ADD_MODE), GetGenericText(14));
    EXPECT_EQ(StatusText(STATUS_PART_NEW_FORMAT), GetConfigurationText(15));
    for (int part : {STATUS_PART_ADD_MODE, STATUS_PART_NEW_FORMAT}) {
        NMMOUSE click = {};
        click.hdr.hwndFrom = GApp.hwndStatus;
        click.hdr.idFrom = IDC_STATUS;
        click.hdr.code = NM_CLICK;
        click.dwItemSpec = (DWORD_PTR)part;
        SendMessageA(frame_, WM_NOTIFY, IDC_STATUS, (LPARAM)&click);
    }
    EXPECT_EQ(GetAddDirectories(), 1);
    EXPECT_EQ(StatusText(STATUS_PART_ADD_MODE), GetGenericText(15));
    // The format switch offers TAR only where the create command can make TAR archives.
    EXPECT_EQ(GetPreferredTar(), NewArchivesCanBeTar());
    EXPECT_EQ(StatusText(STATUS_PART_NEW_FORMAT), GetConfigurationText(NewArchivesCanBeTar() ? 16 : 15));
    SetPreferredTar(1);
    for (int twice = 0; twice < 2; ++twice) {  // the add switch shows both texts anew
        NMMOUSE click = {};
        click.hdr.hwndFrom = GApp.hwndStatus;
        click.hdr.idFrom = IDC_STATUS;
        click.hdr.code = NM_CLICK;
        click.dwItemSpec = (DWORD_PTR)STATUS_PART_ADD_MODE;
        SendMessageA(frame_, WM_NOTIFY, IDC_STATUS, (LPARAM)&click);
    }
    EXPECT_EQ(StatusText(STATUS_PART_NEW_FORMAT), GetConfigurationText(NewArchivesCanBeTar() ? 16 : 15))
        << "a stored TAR choice shows what New makes";

    // Toolbar buttons ask the frame for their tips.
    for (int id = IDM_TB_NEW_ARCHIVE; id <= IDM_TB_FIND; ++id) {
        NMTTDISPINFOA info = {};
        info.hdr.code = TTN_GETDISPINFOA;
        info.hdr.idFrom = (UINT_PTR)id;
        info.hdr.hwndFrom = nullptr;
        SendMessageA(frame_, WM_NOTIFY, 0, (LPARAM)&info);
        ASSERT_NE(info.lpszText, nullptr) << "button " << id;
        EXPECT_STREQ(info.lpszText, GetToolBarToolTipText()[id - IDM_TB_NEW_ARCHIVE]) << "button " << id;
    }
}
