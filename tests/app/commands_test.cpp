// Commands that change the archive or reach outside the window, driven end to end: extraction,
// adding a folder, a new archive, deleting and renaming members, the name search, the watcher
// that notices a vanished archive, help and about.
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <dlgs.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "app/cmdline.h"
#include "app/commands.h"
#include "app/ids.h"
#include "app/langtext.h"
#include "app/mainwindow.h"
#include "app/startup.h"
#include "apphost.h"
#include "config/settings.h"
#include "ui/progress.h"
#include "model/appstate.h"
#include "model/listview.h"
#include "model/search.h"
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

// The members that are files: folder entries (names ending in '/') left out.
std::vector<std::string> FileMembers(std::vector<std::string> members)
{
    members.erase(std::remove_if(members.begin(), members.end(),
                                 [](const std::string& m) { return !m.empty() && m.back() == '/'; }),
                  members.end());
    return members;
}

std::string ReadFile(const std::string& path)
{
    std::string bytes;
    if (!ReadWholeFile(path, &bytes)) return "<missing>";
    return bytes;
}

}  // namespace

TEST_F(MainWindowTest, ExtractsTheSelectionOrTheWholeArchive)
{
    OpenAndWait(Fixture("nested.zip"));
    std::string target = folder_ + "\\out1";
    CreateDirectoryA(target.c_str(), nullptr);
    SelectOnly(GApp.hwndList, FindRow(GApp.hwndList, "three.txt"));
    ScriptPromptAnswer(PROMPT_KIND_BROWSE_FOLDER, 1, target.c_str());
    Command(IDM_TB_EXTRACT);
    EXPECT_EQ(ReadFile(target + "\\a\\b\\c\\three.txt"), "three three three\n");
    EXPECT_EQ(GetFileAttributesA((target + "\\top.txt").c_str()), INVALID_FILE_ATTRIBUTES) << "only the selection";

    // Nothing selected: the whole archive.
    std::string all = folder_ + "\\out2";
    CreateDirectoryA(all.c_str(), nullptr);
    ListView_SetItemState(GApp.hwndList, -1, 0, LVIS_SELECTED);
    ScriptPromptAnswer(PROMPT_KIND_BROWSE_FOLDER, 1, all.c_str());
    Command(IDM_EXTRACT);
    const char* members[] = {"top.txt", "a\\one.txt", "a\\b\\two.txt", "a\\b\\five.txt", "a\\b\\c\\three.txt", "d\\four.txt"};
    for (const char* m : members) EXPECT_NE(ReadFile(all + "\\" + m), "<missing>") << m;
    EXPECT_EQ(GApp.busy.load(), 0);
    EXPECT_EQ(ScriptedUnansweredCount(), 0);
}

TEST_F(MainWindowTest, ExtractsTheShownFolderInTheFolderView)
{
    OpenAndWait(Fixture("nested.zip"));
    Command(IDM_FOLDER_VIEW);
    HTREEITEM a = TreeView_GetChild(GApp.hwndTree, TreeView_GetRoot(GApp.hwndTree));
    TreeView_SelectItem(GApp.hwndTree, TreeView_GetChild(GApp.hwndTree, a));
    WaitIdle();
    ASSERT_EQ(Rows(GApp.hwndTreeList), 2);
    ListView_SetItemState(GApp.hwndTreeList, -1, 0, LVIS_SELECTED);
    std::string target = folder_ + "\\out";
    CreateDirectoryA(target.c_str(), nullptr);
    ScriptPromptAnswer(PROMPT_KIND_BROWSE_FOLDER, 1, target.c_str());
    Command(IDM_EXTRACT);
    EXPECT_EQ(ReadFile(target + "\\a\\b\\two.txt"), "two two\n");
    EXPECT_EQ(ReadFile(target + "\\a\\b\\five.txt"), "five\n");
    EXPECT_EQ(GetFileAttributesA((target + "\\a\\b\\c").c_str()), INVALID_FILE_ATTRIBUTES) << "not the folder below";
    EXPECT_EQ(GetFileAttributesA((target + "\\top.txt").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(MainWindowTest, AddsAFolderToTheOpenArchive)
{
    std::string flat = Fixture("flat.zip");
    OpenAndWait(flat);
    std::string source = folder_ + "\\extra";
    CreateDirectoryA(source.c_str(), nullptr);
    ASSERT_TRUE(WriteWholeFile(source + "\\x.txt", "x"));
    ASSERT_TRUE(WriteWholeFile(source + "\\y.txt", "yy"));
    ScriptPromptAnswer(PROMPT_KIND_BROWSE_FOLDER, 1, source.c_str());
    Command(IDM_TB_ADD_FOLDER);
    WaitIdle();
    EXPECT_EQ(Rows(GApp.hwndList), 7);
    std::vector<std::string> members = ArchiveMembers(flat);
    EXPECT_EQ(members.size(), 7u) << Join(members);
    PromptQuestion q;
    ASSERT_TRUE(GetScriptedQuestion(0, &q));
    EXPECT_EQ(q.kind, PROMPT_KIND_BROWSE_FOLDER);
    EXPECT_STREQ(q.caption, GetMessageText(29));
}

TEST_F(MainWindowTest, NewArchiveReplacesTheShownOne)
{
    OpenAndWait(Fixture("flat.zip"));
    std::string source = folder_ + "\\src";
    CreateDirectoryA(source.c_str(), nullptr);
    ASSERT_TRUE(WriteWholeFile(source + "\\one.txt", "1"));
    ASSERT_TRUE(WriteWholeFile(source + "\\two.txt", "22"));
    std::string target = folder_ + "\\new.zip";
    SetAddDirectories(0);
    ScriptPromptAnswer(PROMPT_KIND_BROWSE_FOLDER, 1, source.c_str());
    ScriptPromptAnswer(PROMPT_KIND_SAVE_FILE, 1, target.c_str());
    Command(IDM_TB_NEW_ARCHIVE);
    WaitIdle();
    EXPECT_EQ(Join(MemberNames(GApp.hwndList)), "[one.txt][two.txt]") << "the old rows are gone";
    EXPECT_EQ(Join(ArchiveMembers(target)), "[one.txt][two.txt]");
    EXPECT_EQ(Title(), "Kelvora: " + target);
}

TEST_F(MainWindowTest, DeletesTheSelectedMembers)
{
    std::string nested = Fixture("nested.zip");
    OpenAndWait(nested);
    SelectOnly(GApp.hwndList, FindRow(GApp.hwndList, "two.txt"));
    ScriptPromptAnswer(PROMPT_KIND_MESSAGE_BOX, IDOK, nullptr);
    Command(IDM_TB_DELETE);
    WaitIdle();
    EXPECT_EQ(Rows(GApp.hwndList), 5);
    EXPECT_EQ(FindRow(GApp.hwndList, "two.txt"), -1);
    std::vector<std::string> members = ArchiveMembers(nested);
    EXPECT_TRUE(std::find(members.begin(), members.end(), "a/b/two.txt") == members.end()) << Join(members);
    EXPECT_TRUE(std::find(members.begin(), members.end(), "a/b/five.txt") != members.end()) << Join(members);

    // Declined: nothing changes.
    SelectOnly(GApp.hwndList, FindRow(GApp.hwndList, "top.txt"));
    ScriptPromptAnswer(PROMPT_KIND_MESSAGE_BOX, IDCANCEL, nullptr);
    Command(IDM_DELETE);
    EXPECT_EQ(Rows(GApp.hwndList), 5);
}

TEST_F(MainWindowTest, RenamesAMemberInPlace)
{
    std::string flat = Fixture("flat.zip");
    OpenAndWait(flat);
    SelectOnly(GApp.hwndList, FindRow(GApp.hwndList, "c.log"));
    SetFocus(GApp.hwndList);
    Command(IDM_RENAME);
    HWND edit = (HWND)SendMessageA(GApp.hwndList, LVM_GETEDITCONTROL, 0, 0);
    ASSERT_NE(edit, nullptr) << "the label edit started";
    SetWindowTextA(edit, "renamed.log");
    SendMessageA(edit, WM_KEYDOWN, VK_RETURN, 0);
    WaitIdle();
    EXPECT_NE(FindRow(GApp.hwndList, "renamed.log"), -1);
    std::vector<std::string> members = ArchiveMembers(flat);
    EXPECT_EQ(Join(members), "[a.txt][b.txt][d.dat][e.bin][renamed.log]");
}

TEST_F(MainWindowTest, NameSearchSelectsTheMatchingRow)
{
    OpenAndWait(Fixture("flat.zip"));
    Command(IDM_TB_FIND);
    HWND find = GetFindDialogWindow();
    ASSERT_NE(find, nullptr) << "the Find dialog is open";
    SetDlgItemTextA(find, edt1, "d.");
    SendMessageA(find, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), (LPARAM)GetDlgItem(find, IDOK));
    WaitIdle();
    int selected = ListView_GetNextItem(GApp.hwndList, -1, LVNI_SELECTED);
    ASSERT_GE(selected, 0);
    EXPECT_EQ(Cell(GApp.hwndList, selected, LIST_COLUMN_NAME), "d.dat");
    EXPECT_EQ(SendMessageA(GApp.hwndList, LVM_GETSELECTEDCOUNT, 0, 0), 1);
    SendMessageA(find, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), (LPARAM)GetDlgItem(find, IDCANCEL));
    PumpMessagesUntil([] { return GetFindDialogWindow() == nullptr; }, 5000);
    EXPECT_EQ(GetFindDialogWindow(), nullptr);
}

TEST_F(MainWindowTest, NoticesWhenTheArchiveVanishes)
{
    struct Case {
        const char* what;
        int (*change)(const std::string& archive);
    };
    const Case cases[] = {
        {"deleted", [](const std::string& a) { return (int)DeleteFileA(a.c_str()); }},
        {"renamed", [](const std::string& a) { return (int)MoveFileA(a.c_str(), (a + ".old").c_str()); }},
        {"moved to another folder",
         [](const std::string& a) {
             std::string elsewhere = a + ".moved";
             CreateDirectoryA(elsewhere.c_str(), nullptr);
             return (int)MoveFileA(a.c_str(), (elsewhere + "\\flat.zip").c_str());
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EndPromptScript();
        BeginPromptScript();
        std::string archive = Fixture("flat.zip");
        OpenAndWait(archive);
        ASSERT_TRUE(IsArchiveWatcherRunning());
        ASSERT_TRUE(IsWindowEnabled(GApp.hwndList));
        // Another file of the folder changing wakes the watcher; the archive is still there.
        ASSERT_TRUE(WriteWholeFile(folder_ + "\\neighbour.txt", "n"));
        PumpMessagesFor(300);
        EXPECT_TRUE(IsWindowEnabled(GApp.hwndList));
        EXPECT_TRUE(MessageTexts().empty());
        DeleteFileA((folder_ + "\\neighbour.txt").c_str());
        // Another program holding the archive open does not count as a change.
        HANDLE held = CreateFileA(archive.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        ASSERT_TRUE(WriteWholeFile(folder_ + "\\neighbour.txt", "n"));
        PumpMessagesFor(300);
        CloseHandle(held);
        EXPECT_TRUE(IsWindowEnabled(GApp.hwndList));
        EXPECT_TRUE(IsArchiveWatcherRunning());
        DeleteFileA((folder_ + "\\neighbour.txt").c_str());

        ASSERT_TRUE(c.change(archive));
        EXPECT_TRUE(PumpMessagesUntil([&] { return !MessageTexts().empty(); }, 10000));
        std::vector<std::string> messages = MessageTexts();
        ASSERT_EQ(messages.size(), 1u) << Join(messages);
        EXPECT_EQ(messages[0], GetMessageText(34));
        EXPECT_FALSE(IsWindowEnabled(GApp.hwndList));
        DeleteFileA((archive + ".old").c_str());
    }
}

TEST_F(MainWindowTest, RewritingTheArchiveIsNoVanishing)
{
    std::string nested = Fixture("nested.zip");
    OpenAndWait(nested);
    SelectOnly(GApp.hwndList, FindRow(GApp.hwndList, "top.txt"));
    ScriptPromptAnswer(PROMPT_KIND_MESSAGE_BOX, IDOK, nullptr);
    Command(IDM_DELETE);
    WaitIdle();
    PumpMessagesFor(300);
    EXPECT_EQ(MessageTexts().size(), 1u) << "only the delete question: " << Join(MessageTexts());
    EXPECT_TRUE(IsWindowEnabled(GApp.hwndList));
    EXPECT_TRUE(IsArchiveWatcherRunning()) << "the changed archive is watched again";
}

TEST_F(MainWindowTest, HelpAndAboutTellTheUser)
{
    // No help file beside the test program: the user is told so.
    Command(IDM_HELP);
    std::vector<std::string> messages = MessageTexts();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], GetMessageText(78));
    Command(IDM_ABOUT);
    messages = MessageTexts();
    ASSERT_EQ(messages.size(), 2u);
    // Name, build date and time, description: three lines.
    EXPECT_EQ(messages[1].rfind("Kelvora\n", 0), 0u) << messages[1];
    EXPECT_EQ(std::count(messages[1].begin(), messages[1].end(), '\n'), 2) << messages[1];
}

TEST_F(MainWindowTest, CommandLineExtractionAsksForThePasswordOfAProtectedArchive)
{
    std::string archive = Fixture("encrypted.zip");
    std::string target = folder_ + "\\x";
    CreateDirectoryA(target.c_str(), nullptr);
    ClearGlobalPassword();
    ScriptPromptAnswer(PROMPT_KIND_MESSAGE_BOX, IDOK, nullptr);
    ScriptPromptAnswer(PROMPT_KIND_BROWSE_FOLDER, 1, target.c_str());
    ScriptPromptAnswer(PROMPT_KIND_PASSWORD, PROMPT_OK, "secret");
    CommandLine line;
    ParseCommandLine(("-x \"" + archive + "\"").c_str(), &line);
    EXPECT_EQ(DispatchCommandLine(&line, GetProgramStartupActions()), 0) << "the program ends after extracting";
    EXPECT_EQ(ReadFile(target + "\\hidden.txt"), "secret text\n");
    EXPECT_EQ(ReadFile(target + "\\other.txt"), "more secret text\n");
    std::vector<std::string> messages = MessageTexts();
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages[0], archive) << "the archive's name is shown first";
    EXPECT_EQ(ScriptedUnansweredCount(), 0);
    ClearGlobalPassword();
}

TEST_F(MainWindowTest, CommandLineArchiveJobsCreateOrOnlySimulate)
{
    std::string one = Fixture("dropped.txt");
    std::string two = folder_ + "\\two.txt";
    ASSERT_TRUE(WriteWholeFile(two, "second"));
    const char* files[] = {one.c_str(), two.c_str()};
    const StartupActions* program = GetProgramStartupActions();

    // Simulation: asks for the archive as the real job does, writes nothing.
    std::string simulated = folder_ + "\\simulated.zip";
    ScriptPromptAnswer(PROMPT_KIND_SAVE_FILE, 1, simulated.c_str());
    EXPECT_EQ(program->archiveJob(files, 2, 0, 0, 1), 1);
    WaitIdle();
    EXPECT_EQ(GetFileAttributesA(simulated.c_str()), INVALID_FILE_ATTRIBUTES) << "nothing written";
    EXPECT_EQ(SimulateArchiveFromFiles(files, 2, 0), -1) << "cancelled when no name is given";

    // The real job: the archive holds both files and is shown.
    std::string created = folder_ + "\\created.zip";
    ScriptPromptAnswer(PROMPT_KIND_SAVE_FILE, 1, created.c_str());
    EXPECT_EQ(program->archiveJob(files, 2, 0, 0, 0), 1);
    WaitIdle();
    EXPECT_EQ(Join(ArchiveMembers(created)), "[dropped.txt][two.txt]");
    EXPECT_EQ(Rows(GApp.hwndList), 2);
    EXPECT_EQ(Title(), "Kelvora: " + created);
}

TEST_F(MainWindowTest, RepairRecoversTheMembersOfADamagedArchive)
{
    // The central directory cut off: the members' local headers are all that is left.
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(FixturePath("nested.zip"), &bytes));
    size_t cut = bytes.find(std::string("PK\x01\x02", 4));
    ASSERT_NE(cut, std::string::npos);
    std::string damaged = folder_ + "\\damaged.zip";
    ASSERT_TRUE(WriteWholeFile(damaged, bytes.substr(0, cut)));
    EXPECT_TRUE(ArchiveMembers(damaged).empty()) << "unreadable as it is";
    std::string repaired = folder_ + "\\repaired.zip";
    ScriptPromptAnswer(PROMPT_KIND_OPEN_FILE, 1, damaged.c_str());
    ScriptPromptAnswer(PROMPT_KIND_SAVE_FILE, 1, repaired.c_str());
    Command(IDM_REPAIR);
    EXPECT_EQ(ScriptedAnswersLeft(), 0) << "asked for the damaged archive and the target";
    EXPECT_EQ(Join(ArchiveMembers(repaired)),
              "[a/][a/b/][a/b/c/][a/b/c/three.txt][a/b/five.txt][a/b/two.txt][a/one.txt][d/][d/four.txt][top.txt]");
    std::string before;
    ASSERT_TRUE(ReadWholeFile(damaged, &before));
    EXPECT_EQ(before.size(), cut) << "the damaged archive is left as it was";
}

namespace {

// A key pressed in a list, with Ctrl held when asked: the list tells its parent as it does for
// the keyboard.
void PressKey(HWND view, WORD key, bool control)
{
    BYTE state[256];
    GetKeyboardState(state);
    BYTE saved = state[VK_CONTROL];
    if (control) state[VK_CONTROL] = 0x80;
    SetKeyboardState(state);
    SendMessageA(view, WM_KEYDOWN, key, 1);
    SendMessageA(view, WM_KEYUP, key, 0xC0000001);
    state[VK_CONTROL] = saved;
    SetKeyboardState(state);
}

int SelectedRows(HWND view)
{
    return (int)SendMessageA(view, LVM_GETSELECTEDCOUNT, 0, 0);
}

}  // namespace

TEST_F(MainWindowTest, TheFolderViewSelectsNothingTheUserDidNotChoose)
{
    std::string nested = Fixture("nested.zip");
    OpenAndWait(nested);
    Command(IDM_FOLDER_VIEW);
    HTREEITEM a = TreeView_GetChild(GApp.hwndTree, TreeView_GetRoot(GApp.hwndTree));
    TreeView_SelectItem(GApp.hwndTree, TreeView_GetChild(GApp.hwndTree, a));
    WaitIdle();
    ASSERT_EQ(Rows(GApp.hwndTreeList), 2);
    EXPECT_EQ(SelectedRows(GApp.hwndTreeList), 0) << "the first row only has the focus";
    EXPECT_EQ(ListView_GetNextItem(GApp.hwndTreeList, -1, LVNI_FOCUSED), 0);
    // Delete acts on the selection only: nothing selected, nothing asked, nothing deleted.
    std::vector<std::string> before = ArchiveMembers(nested);
    Command(IDM_DELETE);
    WaitIdle();
    EXPECT_TRUE(MessageTexts().empty()) << Join(MessageTexts());
    EXPECT_EQ(ArchiveMembers(nested), before);
}

TEST_F(MainWindowTest, KeysOfTheListsDoWhatExplorersDo)
{
    std::string nested = Fixture("nested.zip");
    OpenAndWait(nested);
    HWND list = GApp.hwndList;
    int rows = Rows(list);
    ASSERT_GT(rows, 2);

    // Ctrl+A selects every row; A alone does not.
    SelectOnly(list, -1);
    PressKey(list, 'A', false);
    EXPECT_LE(SelectedRows(list), 1) << "A without Ctrl";
    SelectOnly(list, -1);
    PressKey(list, 'A', true);
    WaitIdle();
    EXPECT_EQ(SelectedRows(list), rows) << "Ctrl+A";

    // Del asks before deleting; declined, nothing changes; agreed, the row goes.
    SelectOnly(list, FindRow(list, "top.txt"));
    ScriptPromptAnswer(PROMPT_KIND_MESSAGE_BOX, IDCANCEL, nullptr);
    PressKey(list, VK_DELETE, false);
    WaitIdle();
    EXPECT_EQ(MessageTexts().size(), 1u) << "Del asks";
    EXPECT_EQ(Rows(list), rows);
    ScriptPromptAnswer(PROMPT_KIND_MESSAGE_BOX, IDOK, nullptr);
    PressKey(list, VK_DELETE, false);
    WaitIdle();
    EXPECT_EQ(Rows(list), rows - 1);
    EXPECT_EQ(FindRow(list, "top.txt"), -1);

    // F2 edits the selected row's name in place.
    SelectOnly(list, 0);
    PressKey(list, VK_F2, false);
    HWND edit = (HWND)SendMessageA(list, LVM_GETEDITCONTROL, 0, 0);
    EXPECT_NE(edit, nullptr) << "F2 starts the rename";
    if (edit) SendMessageA(list, LVM_CANCELEDITLABEL, 0, 0);

    // Backspace goes up one folder in the folder view.
    Command(IDM_FOLDER_VIEW);
    HTREEITEM a = TreeView_GetChild(GApp.hwndTree, TreeView_GetRoot(GApp.hwndTree));
    HTREEITEM b = TreeView_GetChild(GApp.hwndTree, a);
    TreeView_SelectItem(GApp.hwndTree, b);
    WaitIdle();
    PressKey(GApp.hwndTreeList, VK_BACK, false);
    WaitIdle();
    EXPECT_EQ(TreeView_GetSelection(GApp.hwndTree), a) << "Backspace";

    // Alt+Up, a system key, goes through the frame's shortcuts as the message loop sends it.
    TreeView_SelectItem(GApp.hwndTree, b);
    WaitIdle();
    SetFocus(GApp.hwndTreeList);
    BYTE keys[256];
    GetKeyboardState(keys);
    BYTE savedAlt = keys[VK_MENU];
    keys[VK_MENU] = 0x80;
    SetKeyboardState(keys);
    MSG altUp = {GApp.hwndTreeList, WM_SYSKEYDOWN, VK_UP, 0x20000001, 0, {0, 0}};
    EXPECT_EQ(TranslateFrameKeys(&altUp), 1) << "Alt+Up is a shortcut";
    keys[VK_MENU] = savedAlt;
    SetKeyboardState(keys);
    WaitIdle();
    EXPECT_EQ(TreeView_GetSelection(GApp.hwndTree), a) << "Alt+Up";
    MSG ctrlO = {GApp.hwndTreeList, WM_KEYDOWN, 'X', 1, 0, {0, 0}};
    EXPECT_EQ(TranslateFrameKeys(&ctrlO), 0) << "a plain letter is no shortcut";
}

namespace {

struct LabelSearch {
    const char* text;
    HWND found;
};

BOOL CALLBACK FindStaticWithText(HWND child, LPARAM param)
{
    LabelSearch* search = (LabelSearch*)param;
    char cls[32] = "", text[260] = "";
    GetClassNameA(child, cls, sizeof cls);
    GetWindowTextA(child, text, sizeof text);
    if (_stricmp(cls, "static") == 0 && strcmp(text, search->text) == 0) {
        search->found = child;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

TEST_F(MainWindowTest, CloseLeavesNothingOfTheOldArchive)
{
    OpenAndWait(Fixture("nested.zip"));
    SelectOnly(GApp.hwndList, 0);
    WaitIdle();
    LabelSearch search = {"nested.zip", nullptr};
    EnumChildWindows(frame_, FindStaticWithText, (LPARAM)&search);
    ASSERT_NE(search.found, nullptr) << "the archive's name beside the path combo";
    Command(IDM_CLOSE);
    WaitIdle();
    char text[260] = "?";
    GetWindowTextA(search.found, text, sizeof text);
    EXPECT_STREQ(text, "");
    for (int part = 0; part <= 2; ++part) EXPECT_EQ(StatusText(part), "") << "status part " << part;
    EXPECT_EQ(Rows(GApp.hwndList), 0);
}

TEST_F(MainWindowTest, AFailedOpenLeavesNothingOfTheOldArchive)
{
    // Files that look like archives but cannot be opened, each after a good archive was shown.
    struct Case {
        const char* what;
        std::string (*bytes)(const std::string& good);
    };
    const Case cases[] = {
        {"cut after its first member", [](const std::string& good) { return good.substr(0, 200); }},
        {"only the signature", [](const std::string&) { return std::string("PK\x03\x04", 4) + std::string(60, 'x'); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string good = Fixture("nested.zip");
        OpenAndWait(good);
        ASSERT_GT(Rows(GApp.hwndList), 0);
        ASSERT_NE(StatusText(0), "");
        std::string bad = folder_ + "\\bad.zip";
        ASSERT_TRUE(WriteWholeFile(bad, c.bytes(ReadFile(good))));
        OpenAndWait(bad);
        WaitIdle();
        EXPECT_EQ(MessageTexts().size(), 1u) << "the failure is told: " << Join(MessageTexts());
        EXPECT_EQ(Rows(GApp.hwndList), 0);
        for (int part = 0; part <= 2; ++part) EXPECT_EQ(StatusText(part), "") << "status part " << part;
        EXPECT_EQ(Title(), "Kelvora");
        for (int id : {IDM_EXTRACT, IDM_CLOSE, IDM_RELOAD, IDM_ADD_FOLDER, IDM_DELETE})
            EXPECT_FALSE(IsCommandEnabled(id)) << "command " << id;
        EXPECT_TRUE(IsCommandEnabled(IDM_OPEN));
        EndPromptScript();
        BeginPromptScript();
    }
}

TEST_F(MainWindowTest, AVanishedArchiveCanOnlyBeClosed)
{
    std::string archive = Fixture("flat.zip");
    OpenAndWait(archive);
    ASSERT_TRUE(IsCommandEnabled(IDM_EXTRACT));
    ASSERT_TRUE(DeleteFileA(archive.c_str()));
    ASSERT_TRUE(PumpMessagesUntil([&] { return !MessageTexts().empty(); }, 10000));
    WaitIdle();
    for (int id : {IDM_EXTRACT, IDM_RELOAD, IDM_ADD_FOLDER, IDM_DELETE, IDM_RENAME, IDM_FIND_NAME, IDM_SELF_EXTRACTOR})
        EXPECT_FALSE(IsCommandEnabled(id)) << "command " << id;
    EXPECT_TRUE(IsCommandEnabled(IDM_CLOSE));
    int asked = ScriptedQuestionCount();
    Command(IDM_EXTRACT);
    Command(IDM_TB_EXTRACT);
    EXPECT_EQ(ScriptedQuestionCount(), asked) << "Extract does not start on a vanished archive";
    Command(IDM_CLOSE);
    EXPECT_EQ(Rows(GApp.hwndList), 0);
    // The next archive is whole again.
    OpenAndWait(Fixture("nested.zip"));
    EXPECT_TRUE(IsCommandEnabled(IDM_EXTRACT));
}

TEST_F(MainWindowTest, AddFillsAnEmptyArchiveWithFolderOrFiles)
{
    std::string source = folder_ + "\\src";
    CreateDirectoryA(source.c_str(), nullptr);
    ASSERT_TRUE(WriteWholeFile(source + "\\one.txt", "1"));
    ASSERT_TRUE(WriteWholeFile(source + "\\two.txt", "22"));
    struct Case {
        const char* what;
        int addDirectories;     // the status bar's switch: 0 Folder, 1 Files
        int promptKind;
        std::string answer;
        std::string members;
    };
    const Case cases[] = {
        {"Folder mode asks for a folder", 0, PROMPT_KIND_BROWSE_FOLDER, source, "[src/one.txt][src/two.txt]"},
        {"Files mode asks for files", 1, PROMPT_KIND_OPEN_FILE, source + "\\two.txt", "[two.txt]"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string empty = Fixture("empty.zip");
        OpenAndWait(empty);
        ASSERT_EQ(Rows(GApp.hwndList), 0);
        EXPECT_TRUE(IsCommandEnabled(IDM_ADD_FOLDER)) << "an empty archive can be filled";
        SetAddDirectories(c.addDirectories);
        EndPromptScript();
        BeginPromptScript();
        ScriptPromptAnswer(c.promptKind, 1, c.answer.c_str());
        Command(IDM_ADD_FOLDER);
        WaitIdle();
        PromptQuestion q;
        ASSERT_TRUE(GetScriptedQuestion(0, &q));
        EXPECT_EQ(q.kind, c.promptKind);
        // A folder added may bring its own entry; the files are what counts.
        EXPECT_EQ(Join(FileMembers(ArchiveMembers(empty))), c.members) << Join(ArchiveMembers(empty));
        Command(IDM_CLOSE);
        DeleteFileA(empty.c_str());
    }
    SetAddDirectories(0);
}

TEST_F(MainWindowTest, TheTreesExtractFolderTakesTheClickedFolderWhole)
{
    OpenAndWait(Fixture("nested.zip"));
    Command(IDM_FOLDER_VIEW);
    // Another folder is the selected one: the command acts on the folder it was given.
    HTREEITEM root = TreeView_GetRoot(GApp.hwndTree);
    TreeView_SelectItem(GApp.hwndTree, root);
    WaitIdle();
    struct Case {
        const char* folder;
        std::vector<std::string> written, notWritten;
    };
    const Case cases[] = {
        {"a", {"a\\one.txt", "a\\b\\two.txt", "a\\b\\five.txt", "a\\b\\c\\three.txt"}, {"top.txt", "d\\four.txt"}},
        {"a\\b\\c", {"a\\b\\c\\three.txt"}, {"a\\one.txt", "a\\b\\two.txt", "top.txt"}},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder);
        std::string target = folder_ + "\\tree" + std::to_string(n++);
        CreateDirectoryA(target.c_str(), nullptr);
        ScriptPromptAnswer(PROMPT_KIND_BROWSE_FOLDER, 1, target.c_str());
        ASSERT_EQ(ExtractTreeFolder(frame_, c.folder), 1);
        ASSERT_TRUE(WaitIdle());
        for (const std::string& m : c.written) EXPECT_NE(ReadFile(target + "\\" + m), "<missing>") << m;
        for (const std::string& m : c.notWritten) EXPECT_EQ(ReadFile(target + "\\" + m), "<missing>") << m;
    }
    EXPECT_EQ(ScriptedUnansweredCount(), 0);
}

namespace {

// The archive carried by a self-extracting program: its pieces (resources 112 onwards) joined.
std::string CarriedArchive(const std::string& program)
{
    HMODULE module = LoadLibraryExA(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) return "<no program>";
    std::string joined;
    if (!FindResourceA(module, MAKEINTRESOURCEA(111), (LPCSTR)RT_RCDATA)) joined = "<no header>";
    for (int id = 112; joined.empty() || joined[0] != '<'; ++id) {
        HRSRC piece = FindResourceA(module, MAKEINTRESOURCEA(id), (LPCSTR)RT_RCDATA);
        if (!piece) break;
        HGLOBAL data = LoadResource(module, piece);
        joined.append((const char*)LockResource(data), SizeofResource(module, piece));
    }
    FreeLibrary(module);
    return joined;
}

}  // namespace

TEST_F(MainWindowTest, TheSelfExtractorCommandTurnsTheOpenArchiveIntoAProgram)
{
    std::string archive = Fixture("nested.zip");
    OpenAndWait(archive);
    ASSERT_TRUE(IsCommandEnabled(IDM_SELF_EXTRACTOR));
    SetPasswordEncrypted(0);
    std::string program = folder_ + "\\nested.exe";
    ScriptPromptAnswer(PROMPT_KIND_SAVE_FILE, 1, program.c_str());
    ScriptPromptAnswer(PROMPT_KIND_MESSAGE_BOX, IDOK, nullptr);
    Command(IDM_SELF_EXTRACTOR);
    ASSERT_TRUE(PumpMessagesUntil([&] { return !MessageTexts().empty(); }, 60000)) << "the end is told";
    WaitIdle();
    PromptQuestion save;
    ASSERT_TRUE(GetScriptedQuestion(0, &save));
    EXPECT_EQ(save.kind, PROMPT_KIND_SAVE_FILE);
    std::string carried = CarriedArchive(program), original = ReadFile(archive);
    EXPECT_TRUE(carried == original) << "the program carries the archive byte for byte: " << carried.size() << " of "
                                     << original.size() << " bytes; " << Join(MessageTexts());
    EXPECT_TRUE(GetProgressDialog() == nullptr) << "no progress window outlives the build";

    // Cancelled in the save dialog: nothing is written.
    std::string second = folder_ + "\\second.exe";
    EndPromptScript();
    BeginPromptScript();
    ScriptPromptAnswer(PROMPT_KIND_SAVE_FILE, 0, second.c_str());
    Command(IDM_SELF_EXTRACTOR);
    WaitIdle();
    EXPECT_EQ(GetFileAttributesA(second.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(MessageTexts().empty());
}

TEST_F(MainWindowTest, ANewArchiveWithCreateSelfExecutableBecomesAProgram)
{
    std::string source = folder_ + "\\sfxsrc";
    CreateDirectoryA(source.c_str(), nullptr);
    ASSERT_TRUE(WriteWholeFile(source + "\\one.txt", "1"));
    ASSERT_TRUE(WriteWholeFile(source + "\\two.txt", "22"));
    std::string program = folder_ + "\\made.exe";
    SetCreateSelfExecutable(1);
    SetPasswordEncrypted(0);
    SetAddDirectories(0);
    ScriptPromptAnswer(PROMPT_KIND_BROWSE_FOLDER, 1, source.c_str());
    ScriptPromptAnswer(PROMPT_KIND_SAVE_FILE, 1, program.c_str());
    ScriptPromptAnswer(PROMPT_KIND_MESSAGE_BOX, IDOK, nullptr);
    Command(IDM_NEW_ARCHIVE);
    bool told = PumpMessagesUntil([&] { return !MessageTexts().empty(); }, 60000);
    WaitIdle();
    SetCreateSelfExecutable(0);
    ASSERT_TRUE(told) << "the end is told";
    EXPECT_EQ(ScriptedAnswersLeft(), 0) << "asked for the folder and the program's name";
    // The program carries a ZIP archive of the folder's files; the temporary archive is gone.
    std::string carried = CarriedArchive(program);
    std::string copy = folder_ + "\\carried.zip";
    ASSERT_TRUE(WriteWholeFile(copy, carried));
    EXPECT_EQ(Join(FileMembers(ArchiveMembers(copy))), "[one.txt][two.txt]") << Join(MessageTexts());
    char temp[260] = "";
    GetEnvironmentVariableA("TEMP", temp, sizeof temp);
    EXPECT_EQ(GetFileAttributesA((std::string(temp) + "\\zip_temp.zip").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(GetProgressDialog() == nullptr) << "the progress window is closed";
}
