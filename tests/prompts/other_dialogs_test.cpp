// The file-filter, line-number and rename-folder dialogs, opened for real and driven.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/langtext.h"
#include "dialogdriver.h"
#include "model/appstate.h"
#include "model/list.h"
#include "ui/promptdialogs.h"
#include "ui/promptscript.h"

namespace {

std::vector<std::string> FilterSetContents(void)
{
    std::vector<std::string> parts;
    for (ListNode* node = GFilterSet ? GFilterSet->head : nullptr; node; node = node->next) {
        parts.push_back(static_cast<const char*>(node->data));
    }
    return parts;
}

struct FrameLook {
    std::vector<std::string> problems;
    std::string caption;
    RECT window = {};
    RECT desktop = {};
    HWND focus = nullptr;
    HWND expectedFocus = nullptr;
    HWND owner = nullptr;
    DWORD selection = 0;
};

void LookAtFrame(HWND dialog, FrameLook* look)
{
    look->caption = TextOf(dialog);
    GetWindowRect(dialog, &look->window);
    GetWindowRect(GetDesktopWindow(), &look->desktop);
    look->focus = FocusOfActive(dialog);
    look->owner = GetWindow(dialog, GW_OWNER);
}

void ExpectCentred(const FrameLook& look, int width, int height, const char* name)
{
    EXPECT_EQ(look.window.right - look.window.left, width) << name;
    EXPECT_EQ(look.window.bottom - look.window.top, height) << name;
    EXPECT_EQ(look.window.left, (look.desktop.right - width) / 2) << name;
    EXPECT_EQ(look.window.top, (look.desktop.bottom - height) / 2) << name;
}

class OtherDialogs : public testing::Test {
protected:
    void SetUp() override
    {
        BeginPromptScript();
        FreeGlobalFilterSet();
    }
    void TearDown() override
    {
        EndPromptScript();
        FreeGlobalFilterSet();
    }
};

TEST_F(OtherDialogs, FileFilterDialogHasItsLayout)
{
    FrameLook look;
    DriveOutcome outcome = DriveDialog(ShowFileFilterDialog, [&](HWND dialog) {
        LookAtFrame(dialog, &look);
        look.expectedFocus = ChildOf(dialog, IDC_PROMPT_EDIT, "Edit");
        look.problems = CheckControls(
            dialog, {
                        {IDC_PROMPT_LABEL, "Static", GetGenericText(23), 30, 55, 230, 30, -1, 0, 0, -1},
                        {IDC_PROMPT_EDIT, "Edit", "", 30, 85, 230, 20, -1, ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE, -1},
                        {PROMPT_OK, "Button", GetGenericText(0), 70, 135, 75, 23, BS_DEFPUSHBUTTON, 0, 0, -1},
                        {PROMPT_CANCEL, "Button", GetGenericText(1), 155, 135, 75, 23, BS_PUSHBUTTON, 0, 0, -1},
                    });
        if (GetWindowLongA(look.expectedFocus, GWL_STYLE) & ES_PASSWORD) look.problems.push_back("filter edit hides its text");
        CloseFromSystemMenu(dialog);
    });
    EXPECT_EQ(outcome.result, SC_CLOSE);
    EXPECT_TRUE(look.problems.empty()) << JoinLines(look.problems);
    EXPECT_EQ(look.caption, GetGenericText(22));
    ExpectCentred(look, 300, 200, "file filter");
    EXPECT_EQ(look.focus, look.expectedFocus);
}

TEST_F(OtherDialogs, FileFilterOkMakesTheSuffixesTheGlobalFilterSet)
{
    struct Case {
        const char* typed;
        std::vector<std::string> parts;
    } cases[] = {
        {".txt", {".txt"}},
        {".txt;.doc", {".txt", ".doc"}},
        {"txt;;.doc;", {"txt", ".doc"}},  // empty parts would let every name through
        {";.c;.h", {".c", ".h"}},
    };
    for (const Case& c : cases) {
        SetGlobalFilterFromText("previous");
        DriveOutcome outcome = DriveDialog(ShowFileFilterDialog, [&](HWND dialog) {
            SetWindowTextA(ChildOf(dialog, IDC_PROMPT_EDIT, "Edit"), c.typed);
            PressKey(ChildOf(dialog, IDC_PROMPT_EDIT, "Edit"), VK_RETURN);
        });
        EXPECT_EQ(outcome.result, PROMPT_OK) << c.typed;
        EXPECT_EQ(FilterSetContents(), c.parts) << c.typed;
    }
}

TEST_F(OtherDialogs, FileFilterStaysOpenOnEmptyEntriesAndCancelKeepsTheSet)
{
    for (const char* typed : {"", ";", ";;;"}) {
        SetGlobalFilterFromText(".keep");
        bool openAfterOk = false;
        DriveOutcome outcome = DriveDialog(ShowFileFilterDialog, [&](HWND dialog) {
            SetWindowTextA(ChildOf(dialog, IDC_PROMPT_EDIT, "Edit"), typed);
            ClickButton(ChildOf(dialog, PROMPT_OK, "Button"));
            SyncWith(dialog);
            openAfterOk = IsWindowVisible(dialog) != 0;
            ClickButton(ChildOf(dialog, PROMPT_CANCEL, "Button"));
        });
        EXPECT_TRUE(openAfterOk) << "\"" << typed << "\"";
        EXPECT_EQ(outcome.result, PROMPT_CANCEL) << "\"" << typed << "\"";
        EXPECT_EQ(FilterSetContents(), std::vector<std::string>{".keep"}) << "\"" << typed << "\"";
    }
}

TEST_F(OtherDialogs, LineNumberDialogShowsTheRangeAndHandsBackTheTypedText)
{
    HWND owner = CreateWindowExA(0, "Static", "viewer", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
    char exchange[260] = "250";
    FrameLook look;
    DriveOutcome outcome = DriveDialog([&] { return (INT_PTR)ShowLineNumberDialog(owner, exchange, sizeof exchange); },
                                       [&](HWND dialog) {
        LookAtFrame(dialog, &look);
        look.expectedFocus = ChildOf(dialog, IDC_PROMPT_EDIT, "Edit");
        std::string label = std::string(GetGenericText(47)) + " (1..250):";
        look.problems = CheckControls(
            dialog, {
                        {IDC_PROMPT_LABEL, "Static", label, 30, 53, 180, 20, -1, 0, 0, -1},
                        {IDC_PROMPT_EDIT, "Edit", "", 30, 80, 300, 20, -1, ES_AUTOHSCROLL, 0, -1},
                        {PROMPT_OK, "Button", GetGenericText(0), 120, 135, 75, 23, BS_PUSHBUTTON, 0, 0, -1},
                        {PROMPT_CANCEL, "Button", GetGenericText(1), 205, 135, 75, 23, BS_PUSHBUTTON, 0, 0, -1},
                    });
        SetWindowTextA(look.expectedFocus, "17");
        PressKey(look.expectedFocus, VK_RETURN);
    });
    DestroyWindow(owner);
    EXPECT_EQ(outcome.result, PROMPT_OK) << "Enter confirms although no button is the default";
    EXPECT_STREQ(exchange, "17");
    EXPECT_TRUE(look.problems.empty()) << JoinLines(look.problems);
    EXPECT_EQ(look.caption, GetGenericText(46));
    EXPECT_EQ(look.owner, owner) << "owned by the given window";
    ExpectCentred(look, 400, 200, "line number");
    EXPECT_EQ(look.focus, look.expectedFocus);
}

TEST_F(OtherDialogs, LineNumberDialogEndsWithoutTextOnCancelEscapeAndClose)
{
    enum Way { kCancelButton, kEscapeKey, kSystemClose };
    struct Case {
        const char* name;
        Way way;
        INT_PTR expected;
    } cases[] = {{"Cancel", kCancelButton, PROMPT_CANCEL}, {"Escape", kEscapeKey, IDCANCEL}, {"close", kSystemClose, SC_CLOSE}};
    for (const Case& c : cases) {
        char exchange[260] = "99";
        DriveOutcome outcome = DriveDialog([&] { return (INT_PTR)ShowLineNumberDialog(nullptr, exchange, sizeof exchange); },
                                           [&](HWND dialog) {
            HWND edit = ChildOf(dialog, IDC_PROMPT_EDIT, "Edit");
            SetWindowTextA(edit, "5");
            if (c.way == kCancelButton) ClickButton(ChildOf(dialog, PROMPT_CANCEL, "Button"));
            if (c.way == kEscapeKey) PressKey(edit, VK_ESCAPE);
            if (c.way == kSystemClose) CloseFromSystemMenu(dialog);
        });
        EXPECT_EQ(outcome.result, c.expected) << c.name;
        EXPECT_STREQ(exchange, "") << c.name << ": the range was taken out, nothing put back";
    }
}

TEST_F(OtherDialogs, RenameFolderDialogShowsThePathSelectedAndKeepsMainBehind)
{
    HWND main = CreateWindowExA(0, "Static", "main", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
    // A window above the main one that owns the dialog: without the dialog's care it would
    // stay between the dialog and the main window.
    HWND other = CreateWindowExA(0, "Static", "other", WS_POPUP | WS_VISIBLE, 60, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
    SetForegroundWindow(other);
    GApp.hwndMain = main;
    char exchange[260] = "docs/old";
    FrameLook look;
    HWND behind = nullptr;
    DriveOutcome outcome = DriveDialog([&] { return (INT_PTR)ShowRenameFolderDialog(exchange, sizeof exchange); },
                                       [&](HWND dialog) {
        LookAtFrame(dialog, &look);
        HWND next = ChildOf(dialog, IDC_PROMPT_EDIT2, "Edit");
        look.expectedFocus = next;
        look.selection = (DWORD)SendMessageA(next, EM_GETSEL, 0, 0);
        // Windows of programs running beside the test may come between for a moment.
        for (int attempt = 0; attempt < 100 && behind != main; ++attempt) {
            SetForegroundWindow(dialog);
            SyncWith(dialog);
            behind = GetWindow(dialog, GW_HWNDNEXT);
        }
        look.problems = CheckControls(
            dialog, {
                        {IDC_PROMPT_LABEL, "Static", GetGenericText(20), 30, 68, 80, 20, -1, 0, 0, -1},
                        {IDC_PROMPT_EDIT, "Edit", "docs/old", 120, 65, 250, 20, -1, ES_READONLY, 0, -1},
                        {IDC_PROMPT_LABEL2, "Static", GetGenericText(21), 30, 93, 80, 20, -1, 0, 0, -1},
                        {IDC_PROMPT_EDIT2, "Edit", "docs/old", 120, 90, 250, 20, -1, 0, 0, -1},
                        {PROMPT_OK, "Button", GetGenericText(0), 120, 135, 75, 23, BS_DEFPUSHBUTTON, 0, 0, -1},
                        {PROMPT_CANCEL, "Button", GetGenericText(1), 205, 135, 75, 23, BS_PUSHBUTTON, 0, 0, -1},
                    });
        SetWindowTextA(next, "docs/new");
        ClickButton(ChildOf(dialog, PROMPT_OK, "Button"));
    });
    GApp.hwndMain = nullptr;
    DestroyWindow(other);
    DestroyWindow(main);
    EXPECT_EQ(outcome.result, PROMPT_OK);
    EXPECT_STREQ(exchange, "docs/new");
    EXPECT_TRUE(look.problems.empty()) << JoinLines(look.problems);
    EXPECT_EQ(look.caption, GetGenericText(19));
    ExpectCentred(look, 400, 200, "rename folder");
    EXPECT_EQ(look.focus, look.expectedFocus);
    EXPECT_EQ(LOWORD(look.selection), 0) << "all selected";
    EXPECT_EQ(HIWORD(look.selection), 8) << "all selected";
    EXPECT_EQ(behind, main) << "the main window is kept directly behind the dialog";
}

TEST_F(OtherDialogs, RenameFolderRefusesPathsThatLeaveTheArchiveRoot)
{
    const char* refused[] = {"/abs", "\\abs", "", "..", "a/../b", "a\\..\\b", "../up", "c:/x", "x:"};
    for (const char* typed : refused) {
        BeginPromptScript();
        char exchange[260] = "docs/old";
        bool openAfterOk = false;
        HWND focus = nullptr, edit = nullptr;
        DWORD selection = 0;
        DriveOutcome outcome = DriveDialog([&] { return (INT_PTR)ShowRenameFolderDialog(exchange, sizeof exchange); },
                                           [&](HWND dialog) {
            edit = ChildOf(dialog, IDC_PROMPT_EDIT2, "Edit");
            SetWindowTextA(edit, typed);
            SendMessageA(edit, EM_SETSEL, 0, 0);
            ClickButton(ChildOf(dialog, PROMPT_OK, "Button"));
            WaitFor([] { return ScriptedQuestionCount() > 0; });
            SyncWith(dialog);
            openAfterOk = IsWindowVisible(dialog) != 0;
            selection = (DWORD)SendMessageA(edit, EM_GETSEL, 0, 0);
            focus = FocusOfActive(dialog);
            ClickButton(ChildOf(dialog, PROMPT_CANCEL, "Button"));
        });
        std::string name = std::string("\"") + typed + "\"";
        EXPECT_TRUE(openAfterOk) << name;
        EXPECT_EQ(outcome.result, PROMPT_CANCEL) << name;
        EXPECT_STREQ(exchange, "docs/old") << name;
        EXPECT_EQ(focus, edit) << name << ": the edit gets the focus again";
        EXPECT_EQ(HIWORD(selection), (WORD)lstrlenA(typed)) << name << ": with all its text selected";
        PromptQuestion question = {};
        ASSERT_EQ(ScriptedQuestionCount(), 1) << name;
        GetScriptedQuestion(0, &question);
        EXPECT_STREQ(question.text, GetGenericText(44)) << name;
        EXPECT_STREQ(question.caption, GetMessageText(94)) << name;
        EXPECT_EQ(question.type & MB_ICONMASK, (UINT)MB_ICONERROR) << name;
    }
}

TEST_F(OtherDialogs, RenameFolderAcceptsPathsInsideTheArchive)
{
    for (const char* typed : {"new", "a/b/c", "a\\b", "dots..in.name", "..hidden", "a/.../b"}) {
        char exchange[260] = "old";
        DriveOutcome outcome = DriveDialog([&] { return (INT_PTR)ShowRenameFolderDialog(exchange, sizeof exchange); },
                                           [&](HWND dialog) {
            HWND edit = ChildOf(dialog, IDC_PROMPT_EDIT2, "Edit");
            SetWindowTextA(edit, typed);
            PressKey(edit, VK_RETURN);
        });
        EXPECT_EQ(outcome.result, PROMPT_OK) << typed;
        EXPECT_STREQ(exchange, typed) << typed;
    }
    EXPECT_EQ(ScriptedQuestionCount(), 0);
}

}  // namespace
