// The set-password dialog and the password prompt, opened for real and driven from a helper
// thread; their message boxes go to a prompt script.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

#include "app/langtext.h"
#include "model/appstate.h"
#include "dialogdriver.h"
#include "ui/promptdialogs.h"
#include "ui/promptscript.h"

namespace {

// What a drive saw, for assertions on the test thread.
struct Seen {
    std::vector<std::string> problems;
    std::string caption;
    RECT window = {};
    RECT desktop = {};
    HWND focus = nullptr;
    HWND firstEdit = nullptr;
    LRESULT limit = 0;
    bool openAfterOk = false;
};

void LookAtFrame(HWND dialog, Seen* seen)
{
    seen->caption = TextOf(dialog);
    GetWindowRect(dialog, &seen->window);
    GetWindowRect(GetDesktopWindow(), &seen->desktop);
    seen->firstEdit = ChildOf(dialog, IDC_PROMPT_EDIT, "Edit");
    seen->focus = FocusOfActive(dialog);
    seen->limit = SendMessageA(seen->firstEdit, EM_GETLIMITTEXT, 0, 0);
}

std::vector<ExpectedControl> BandControls(HWND dialog)
{
    RECT client;
    GetClientRect(dialog, &client);
    return {
        {IDC_PROMPT_BAND, "Static", "", 0, 0, (int)client.right, 40, SS_OWNERDRAW, 0, 0, -1},
        {IDC_PROMPT_BAND_LINE, "Static", "", 0, 41, (int)client.right, 2, SS_ETCHEDHORZ, 0, 0, -1},
    };
}

void ExpectCentredFrame(const Seen& seen, int width, int height)
{
    EXPECT_EQ(seen.window.right - seen.window.left, width);
    EXPECT_EQ(seen.window.bottom - seen.window.top, height);
    EXPECT_EQ(seen.window.left, (seen.desktop.right - width) / 2);
    EXPECT_EQ(seen.window.top, (seen.desktop.bottom - height) / 2);
}

int gMovesSeen;

LRESULT CALLBACK CountMoves(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR)
{
    if (message == WM_MOVE) ++gMovesSeen;
    return DefSubclassProc(window, message, wParam, lParam);
}

class PasswordDialogs : public testing::Test {
protected:
    void SetUp() override
    {
        BeginPromptScript();
        ClearGlobalPassword();
    }
    void TearDown() override
    {
        EndPromptScript();
        ClearGlobalPassword();
    }
    static PromptQuestion OnlyQuestion()
    {
        PromptQuestion question = {};
        EXPECT_EQ(ScriptedQuestionCount(), 1);
        GetScriptedQuestion(0, &question);
        return question;
    }
};

TEST_F(PasswordDialogs, SetPasswordDialogHasItsLayout)
{
    Seen seen;
    DriveOutcome outcome = DriveDialog(ShowSetPasswordDialog, [&](HWND dialog) {
        LookAtFrame(dialog, &seen);
        const DWORD edit = ES_PASSWORD | ES_AUTOHSCROLL | WS_TABSTOP;
        std::vector<ExpectedControl> expected = {
            {IDC_PROMPT_LABEL, "Static", GetGenericText(17), 20, 68, 105, 20, -1, 0, 0, ANSI_VAR_FONT},
            {IDC_PROMPT_EDIT, "Edit", "", 135, 65, 130, 20, -1, edit, WS_EX_CLIENTEDGE, DEFAULT_GUI_FONT},
            {IDC_PROMPT_LABEL2, "Static", GetGenericText(18), 20, 93, 105, 20, -1, 0, 0, ANSI_VAR_FONT},
            {IDC_PROMPT_EDIT2, "Edit", "", 135, 90, 130, 20, -1, edit, WS_EX_CLIENTEDGE, DEFAULT_GUI_FONT},
            {PROMPT_OK, "Button", GetGenericText(0), 70, 135, 75, 23, BS_DEFPUSHBUTTON, 0, 0, ANSI_VAR_FONT},
            {PROMPT_CANCEL, "Button", GetGenericText(1), 155, 135, 75, 23, BS_PUSHBUTTON, 0, 0, ANSI_VAR_FONT},
        };
        seen.problems = CheckControls(dialog, expected);
        std::vector<std::string> band = CheckControls(dialog, BandControls(dialog));
        seen.problems.insert(seen.problems.end(), band.begin(), band.end());
        CloseFromSystemMenu(dialog);
    });
    ASSERT_TRUE(outcome.found);
    EXPECT_FALSE(outcome.leftOpen);
    EXPECT_EQ(outcome.result, SC_CLOSE);
    EXPECT_TRUE(seen.problems.empty()) << JoinLines(seen.problems);
    EXPECT_EQ(seen.caption, GetGenericText(16));
    ExpectCentredFrame(seen, 300, 200);
    EXPECT_EQ(seen.focus, seen.firstEdit) << "the first password edit has the focus";
    EXPECT_EQ(seen.limit, 258) << "the edit takes no more than the dialog reads back";
}

TEST_F(PasswordDialogs, PasswordPromptHasItsLayout)
{
    Seen seen;
    DriveOutcome outcome = DriveDialog(ShowPasswordPrompt, [&](HWND dialog) {
        LookAtFrame(dialog, &seen);
        const DWORD edit = ES_PASSWORD | ES_AUTOHSCROLL | WS_TABSTOP;
        std::vector<ExpectedControl> expected = {
            {IDC_PROMPT_LABEL, "Static", GetGenericText(17), 30, 63, 100, 20, -1, 0, 0, -1},
            {IDC_PROMPT_EDIT, "Edit", "", 150, 60, 100, 20, -1, edit, WS_EX_CLIENTEDGE, -1},
            {PROMPT_OK, "Button", GetGenericText(0), 70, 100, 75, 23, BS_DEFPUSHBUTTON, 0, 0, -1},
            {PROMPT_CANCEL, "Button", GetGenericText(1), 155, 100, 75, 23, BS_PUSHBUTTON, 0, 0, -1},
        };
        seen.problems = CheckControls(dialog, expected);
        std::vector<std::string> band = CheckControls(dialog, BandControls(dialog));
        seen.problems.insert(seen.problems.end(), band.begin(), band.end());
        ClickButton(ChildOf(dialog, PROMPT_CANCEL, "Button"));
    });
    ASSERT_TRUE(outcome.found);
    EXPECT_EQ(outcome.result, PROMPT_CANCEL);
    EXPECT_TRUE(seen.problems.empty()) << JoinLines(seen.problems);
    EXPECT_EQ(seen.caption, "Kelvora");
    ExpectCentredFrame(seen, 300, 170);
    EXPECT_EQ(seen.focus, seen.firstEdit);
    EXPECT_EQ(seen.limit, 258);
}

// How a drive confirms the dialog.
enum Confirm { kByOkButton, kByEnterKey };


void ConfirmBy(HWND dialog, Confirm how)
{
    if (how == kByOkButton) ClickButton(ChildOf(dialog, PROMPT_OK, "Button"));
    else PressKey(ChildOf(dialog, IDC_PROMPT_EDIT, "Edit"), VK_RETURN);
}

TEST_F(PasswordDialogs, SetPasswordStoresTwoEqualEntries)
{
    for (Confirm how : {kByOkButton, kByEnterKey}) {
        ClearGlobalPassword();
        BeginPromptScript();
        DriveOutcome outcome = DriveDialog(ShowSetPasswordDialog, [&](HWND dialog) {
            SetWindowTextA(ChildOf(dialog, IDC_PROMPT_EDIT, "Edit"), "s3cret");
            SetWindowTextA(ChildOf(dialog, IDC_PROMPT_EDIT2, "Edit"), "s3cret");
            ConfirmBy(dialog, how);
        });
        const char* name = how == kByOkButton ? "OK button" : "Enter key";
        EXPECT_EQ(outcome.result, PROMPT_OK) << name;
        EXPECT_FALSE(outcome.leftOpen) << name;
        EXPECT_STREQ(password, "s3cret") << name;
        EXPECT_EQ(ScriptedQuestionCount(), 0) << name << ": a new password needs no notice";
    }
}

TEST_F(PasswordDialogs, SetPasswordWithDifferentEntriesWarnsAndStaysOpen)
{
    SetGlobalPassword("old");
    Seen seen;
    DriveOutcome outcome = DriveDialog(ShowSetPasswordDialog, [&](HWND dialog) {
        SetWindowTextA(ChildOf(dialog, IDC_PROMPT_EDIT, "Edit"), "first");
        SetWindowTextA(ChildOf(dialog, IDC_PROMPT_EDIT2, "Edit"), "second");
        ClickButton(ChildOf(dialog, PROMPT_OK, "Button"));
        WaitFor([] { return ScriptedQuestionCount() > 0; });
        SyncWith(dialog);
        seen.openAfterOk = IsWindowVisible(dialog) != 0;
        ClickButton(ChildOf(dialog, PROMPT_CANCEL, "Button"));
    });
    EXPECT_TRUE(seen.openAfterOk);
    EXPECT_EQ(outcome.result, PROMPT_CANCEL);
    EXPECT_STREQ(password, "old");
    PromptQuestion question = OnlyQuestion();
    EXPECT_EQ(question.kind, PROMPT_KIND_MESSAGE_BOX);
    EXPECT_STREQ(question.text, GetGenericText(35));
    EXPECT_STREQ(question.caption, GetGenericText(34));
    EXPECT_TRUE(question.type & MB_TOPMOST);
}

TEST_F(PasswordDialogs, SetPasswordIgnoresOkWhileAnEntryIsEmpty)
{
    SetGlobalPassword("old");
    struct Case {
        const char* first;
        const char* second;
    } cases[] = {{"", "abc"}, {"abc", ""}, {"", ""}};
    for (const Case& c : cases) {
        BeginPromptScript();
        Seen seen;
        DriveOutcome outcome = DriveDialog(ShowSetPasswordDialog, [&](HWND dialog) {
            SetWindowTextA(ChildOf(dialog, IDC_PROMPT_EDIT, "Edit"), c.first);
            SetWindowTextA(ChildOf(dialog, IDC_PROMPT_EDIT2, "Edit"), c.second);
            ClickButton(ChildOf(dialog, PROMPT_OK, "Button"));
            SyncWith(dialog);
            seen.openAfterOk = IsWindowVisible(dialog) != 0;
            PressKey(ChildOf(dialog, IDC_PROMPT_EDIT, "Edit"), VK_ESCAPE);
        });
        std::string name = std::string("\"") + c.first + "\" / \"" + c.second + "\"";
        EXPECT_TRUE(seen.openAfterOk) << name;
        EXPECT_EQ(outcome.result, IDCANCEL) << name << ": Escape ends with 2";
        EXPECT_EQ(ScriptedQuestionCount(), 0) << name;
        EXPECT_STREQ(password, "old") << name;
    }
}

TEST_F(PasswordDialogs, SetPasswordToTheSameValueSaysNotChangedAndEndsWithOk)
{
    SetGlobalPassword("same");
    DriveOutcome outcome = DriveDialog(ShowSetPasswordDialog, [&](HWND dialog) {
        SetWindowTextA(ChildOf(dialog, IDC_PROMPT_EDIT, "Edit"), "same");
        SetWindowTextA(ChildOf(dialog, IDC_PROMPT_EDIT2, "Edit"), "same");
        ClickButton(ChildOf(dialog, PROMPT_OK, "Button"));
    });
    EXPECT_EQ(outcome.result, PROMPT_OK);
    EXPECT_STREQ(password, "same");
    PromptQuestion question = OnlyQuestion();
    EXPECT_STREQ(question.text, "Password not changed!!");
    EXPECT_STREQ(question.caption, GetMessageText(94));
    EXPECT_EQ(question.type & MB_ICONMASK, (UINT)MB_ICONERROR);
}

TEST_F(PasswordDialogs, PasswordPromptSetsWhatWasTyped)
{
    struct Case {
        const char* before;
        const char* typed;
        bool notice;  // "Password not changed!!" expected
    } cases[] = {
        {"", "typed", false},
        {"old", "", false},  // an empty answer is allowed and empties the password
        {"same", "same", true},
    };
    for (const Case& c : cases) {
        BeginPromptScript();
        ClearGlobalPassword();
        SetGlobalPassword(c.before);
        DriveOutcome outcome = DriveDialog(ShowPasswordPrompt, [&](HWND dialog) {
            SetWindowTextA(ChildOf(dialog, IDC_PROMPT_EDIT, "Edit"), c.typed);
            PressKey(ChildOf(dialog, IDC_PROMPT_EDIT, "Edit"), VK_RETURN);
        });
        std::string name = std::string("before \"") + c.before + "\", typed \"" + c.typed + "\"";
        EXPECT_EQ(outcome.result, PROMPT_OK) << name;
        EXPECT_STREQ(password, c.typed) << name;
        EXPECT_EQ(ScriptedQuestionCount(), c.notice ? 1 : 0) << name;
    }
}

TEST_F(PasswordDialogs, EveryWayOutWithoutOkKeepsThePassword)
{
    enum Way { kCancelButton, kEscapeKey, kSystemClose };
    struct Case {
        const char* name;
        int (*show)(void);
        Way way;
        INT_PTR expected;
    } cases[] = {
        {"set-password Cancel", ShowSetPasswordDialog, kCancelButton, PROMPT_CANCEL},
        {"set-password Escape", ShowSetPasswordDialog, kEscapeKey, IDCANCEL},
        {"set-password close", ShowSetPasswordDialog, kSystemClose, SC_CLOSE},
        {"prompt Cancel", ShowPasswordPrompt, kCancelButton, PROMPT_CANCEL},
        {"prompt Escape", ShowPasswordPrompt, kEscapeKey, IDCANCEL},
        {"prompt close", ShowPasswordPrompt, kSystemClose, SC_CLOSE},
    };
    for (const Case& c : cases) {
        SetGlobalPassword("kept");
        DriveOutcome outcome = DriveDialog([&] { return (INT_PTR)c.show(); }, [&](HWND dialog) {
            HWND edit = ChildOf(dialog, IDC_PROMPT_EDIT, "Edit");
            SetWindowTextA(edit, "other");
            SetWindowTextA(ChildOf(dialog, IDC_PROMPT_EDIT2, "Edit"), "other");
            if (c.way == kCancelButton) ClickButton(ChildOf(dialog, PROMPT_CANCEL, "Button"));
            if (c.way == kEscapeKey) PressKey(edit, VK_ESCAPE);
            if (c.way == kSystemClose) CloseFromSystemMenu(dialog);
        });
        EXPECT_TRUE(outcome.found) << c.name;
        EXPECT_EQ(outcome.result, c.expected) << c.name;
        EXPECT_STREQ(password, "kept") << c.name;
    }
}

TEST_F(PasswordDialogs, BandFollowsTheDialogWidthAndMinimumSizeHolds)
{
    struct Case {
        const char* name;
        int (*show)(void);
        int minWidth, minHeight;
    } cases[] = {
        {"set-password", ShowSetPasswordDialog, 200, 80},
        {"prompt", ShowPasswordPrompt, 300, 150},
    };
    for (const Case& c : cases) {
        RECT client = {};
        RECT band = {};
        RECT line = {};
        MINMAXINFO info = {};
        HWND main = CreateWindowExA(0, "Static", "main", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        SetWindowSubclass(main, CountMoves, 1, 0);
        gMovesSeen = 0;
        GApp.hwndMain = main;
        DriveDialog([&] { return (INT_PTR)c.show(); }, [&](HWND dialog) {
            SetWindowPos(dialog, nullptr, 0, 0, 420, 260, SWP_NOMOVE | SWP_NOZORDER);
            SetWindowPos(dialog, nullptr, 33, 44, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
            SyncWith(dialog);
            GetClientRect(dialog, &client);
            band = ClientRectOf(dialog, GetDlgItem(dialog, IDC_PROMPT_BAND));
            line = ClientRectOf(dialog, GetDlgItem(dialog, IDC_PROMPT_BAND_LINE));
            SendMessageA(dialog, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
            CloseFromSystemMenu(dialog);
        });
        GApp.hwndMain = nullptr;
        DestroyWindow(main);
        EXPECT_GT(gMovesSeen, 0) << c.name << ": moving the dialog tells the main window";
        EXPECT_EQ(band.right - band.left, client.right) << c.name;
        EXPECT_EQ(band.bottom - band.top, 40) << c.name;
        EXPECT_EQ(line.right - line.left, client.right) << c.name;
        EXPECT_EQ(line.top, 41) << c.name;
        EXPECT_EQ(info.ptMinTrackSize.x, c.minWidth) << c.name;
        EXPECT_EQ(info.ptMinTrackSize.y, c.minHeight) << c.name;
    }
}

}  // namespace
