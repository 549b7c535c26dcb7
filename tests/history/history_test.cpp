// The history: extractions recorded through history.dll, encryption on and off, wrong
// passwords, crashes in the middle of a write, damaged stores, switching it off.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <cstring>
#include <string>

#include "app/langtext.h"
#include "history/history.h"
#include "libs/history/historyapi.h"
#include "tests/history/historysupport.h"
#include "ui/prompts.h"
#include "ui/promptscript.h"
#include "zip/extract.h"

namespace {

std::string Slurp(const std::string& path)
{
    std::string bytes;
    ReadWholeFile(path, &bytes);
    return bytes;
}

int ItemCount(void)
{
    HistGetHistoryItemCountFn count = (HistGetHistoryItemCountFn)PluginExport(PLUGIN_HISTORY, "GetHistoryItemCount");
    return count ? count() : -100;
}

std::string ItemText(int index)
{
    HistGetHistoryItemTextFn text = (HistGetHistoryItemTextFn)PluginExport(PLUGIN_HISTORY, "GetHistoryItemText");
    char buffer[2048] = "";
    if (!text || !text(index, buffer, sizeof buffer)) return "<none>";
    return buffer;
}

int Unlock(const char* password)
{
    HistUnlockHistoryFn unlock = (HistUnlockHistoryFn)PluginExport(PLUGIN_HISTORY, "UnlockHistory");
    return unlock ? unlock(password, (int)strlen(password)) : -1;
}

// Extracts the fixture archive into a fresh folder below the data folder; returns that folder.
std::string ExtractFixture(const HistoryScope& scope, const char* tag)
{
    std::string target = scope.data + "\\" + tag;
    CreateDirectoryA(target.c_str(), nullptr);
    int rc = ExtractMultipleFiles(FixtureFile("history.zip").c_str(), target.c_str(), 1, 0, 1, 0);
    EXPECT_EQ(rc, 0) << "extraction into " << target;
    return target;
}

// Reloads history.dll as a new start of the program would.
void Restart(void)
{
    UnloadHistoryLibrary();
    ASSERT_NE(GetHistoryLib(), nullptr);
}

// A window with the password field of the configuration page.
struct PasswordPage {
    HWND window;
    HWND field;
    explicit PasswordPage(const char* password)
    {
        window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
        field = CreateWindowExA(0, "EDIT", password, WS_CHILD, 0, 0, 90, 20, window,
                                (HMENU)(INT_PTR)IDC_HISTORY_PASSWORD, nullptr, nullptr);
    }
    ~PasswordPage() { DestroyWindow(window); }
};

std::string Expected(const std::string& target)
{
    return target + "|" + FixtureFile("history.zip") + "|one.txt;docs/two.txt";
}

}  // namespace

TEST(History, ExtractionsBecomeItemsWithFolderArchiveAndFiles)
{
    HistoryScope scope;
    InstallHistoryHooks();
    ActivateHistory(nullptr, 1);
    ASSERT_TRUE(IsHistoryActivated());
    ASSERT_TRUE(IsHistoryStatusOK());
    ASSERT_TRUE(IsHistoryRecording());
    std::string first = ExtractFixture(scope, "first");
    std::string second = ExtractFixture(scope, "second");
    ASSERT_EQ(ItemCount(), 2);
    EXPECT_EQ(ItemText(0), Expected(first));
    EXPECT_EQ(ItemText(1), Expected(second));
    // A new start reads the same items back from the file.
    Restart();
    ASSERT_EQ(ItemCount(), 2);
    EXPECT_EQ(ItemText(1), Expected(second));
    std::string plain = Slurp(scope.File("history.dat"));
    EXPECT_EQ(plain.compare(0, 10, "KVHISTORY "), 0);
    EXPECT_NE(plain.find("docs/two.txt"), std::string::npos);
}

TEST(History, EncryptionOnAndOffWithThePassword)
{
    HistoryScope scope;
    InstallHistoryHooks();
    ActivateHistory(nullptr, 1);
    std::string first = ExtractFixture(scope, "first");
    ScopedPromptScript script;
    {
        // An empty password is refused and the flag stays clear.
        PasswordPage page("");
        ScriptPromptAnswer(PROMPT_KIND_MESSAGE_BOX, IDOK, nullptr);
        EXPECT_EQ(SetHistoryEncryption(page.window, 1), 0);
        EXPECT_EQ(GetHistoryEncrypted(), 0);
        PromptQuestion q;
        ASSERT_TRUE(GetScriptedQuestion(0, &q));
        EXPECT_STREQ(q.text, GetConfigurationText(59));
    }
    {
        PasswordPage page("s3cret pass");
        ScriptPromptAnswer(PROMPT_KIND_MESSAGE_BOX, IDOK, nullptr);
        EXPECT_EQ(SetHistoryEncryption(page.window, 1), 1);
        EXPECT_EQ(GetHistoryEncrypted(), 1);
        PromptQuestion q;
        ASSERT_TRUE(GetScriptedQuestion(1, &q));
        EXPECT_STREQ(q.text, GetConfigurationText(60));
    }
    std::string sealed = Slurp(scope.File("history.dat"));
    EXPECT_EQ(sealed.compare(0, 7, "KVHENC "), 0);
    EXPECT_EQ(sealed.find("one.txt"), std::string::npos) << "names readable in the encrypted store";
    EXPECT_EQ(sealed.find("first"), std::string::npos);

    // A new start: locked until the password comes; a wrong one changes nothing.
    Restart();
    EXPECT_EQ(ItemCount(), -1);
    std::string second = ExtractFixture(scope, "second");  // recorded while locked
    EXPECT_EQ(Unlock("wrong"), 0);
    EXPECT_EQ(Unlock("s3cret pas"), 0);
    EXPECT_EQ(Slurp(scope.File("history.dat")), sealed) << "a wrong password touched the store";
    EXPECT_EQ(Unlock("s3cret pass"), 1);
    ASSERT_EQ(ItemCount(), 2);
    EXPECT_EQ(ItemText(0), Expected(first));
    EXPECT_EQ(ItemText(1), Expected(second));

    // Off again: the store is plain and holds both items.
    ScriptPromptAnswer(PROMPT_KIND_MESSAGE_BOX, IDOK, nullptr);
    EXPECT_EQ(SetHistoryEncryption(nullptr, 0), 1);
    EXPECT_EQ(GetHistoryEncrypted(), 0);
    PromptQuestion q;
    ASSERT_TRUE(GetScriptedQuestion(2, &q));
    EXPECT_STREQ(q.text, GetConfigurationText(62));
    Restart();
    ASSERT_EQ(ItemCount(), 2);
    EXPECT_EQ(ItemText(1), Expected(second));
    EXPECT_EQ(Slurp(scope.File("history.dat")).compare(0, 10, "KVHISTORY "), 0);
}

TEST(History, ACrashInTheMiddleOfAWriteLosesNothingThatWasComplete)
{
    for (int encrypted = 0; encrypted < 2; ++encrypted) {
        HistoryScope scope;
        InstallHistoryHooks();
        ActivateHistory(nullptr, 1);
        std::string first = ExtractFixture(scope, "first");
        if (encrypted) {
            HistEncryptHistoryFn encrypt = (HistEncryptHistoryFn)PluginExport(PLUGIN_HISTORY, "EncryptHistory");
            ASSERT_EQ(encrypt("pw", 2, 1), 1);
        }
        UnloadHistoryLibrary();
        // What a crash leaves: a record cut short at the end and a half-written replacement.
        std::string path = scope.File("history.dat");
        std::string bytes = Slurp(path);
        std::string cut = encrypted ? std::string("\xc8\x00\x00\x00" "0123456789", 14) : std::string("F\t1\tpartial-na");
        ASSERT_TRUE(WriteWholeFile(path, bytes + cut));
        ASSERT_TRUE(WriteWholeFile(path + ".new", bytes.substr(0, bytes.size() / 2)));
        ASSERT_NE(GetHistoryLib(), nullptr);
        EXPECT_TRUE(IsHistoryStatusOK()) << "encrypted " << encrypted;
        if (encrypted) {
            ASSERT_EQ(Unlock("pw"), 1);
        }
        ASSERT_EQ(ItemCount(), 1) << "encrypted " << encrypted;
        EXPECT_EQ(ItemText(0), Expected(first)) << "encrypted " << encrypted;
        // The next record replaces the cut one.
        std::string second = ExtractFixture(scope, "second");
        Restart();
        if (encrypted) {
            ASSERT_EQ(Unlock("pw"), 1);
        }
        ASSERT_EQ(ItemCount(), 2) << "encrypted " << encrypted;
        EXPECT_EQ(ItemText(1), Expected(second)) << "encrypted " << encrypted;
    }
}

TEST(History, ADamagedStoreIsReportedAndKept)
{
    HistoryScope scope;
    const std::string damaged = "this is no history at all\n";
    ASSERT_TRUE(WriteWholeFile(scope.File("history.dat"), damaged));
    InstallHistoryHooks();
    ActivateHistory(nullptr, 1);
    EXPECT_EQ(GetHistoryStatusValue(), HISTORY_STATUS_DAMAGED);
    EXPECT_FALSE(IsHistoryStatusOK());
    EXPECT_FALSE(IsHistoryRecording());
    ExtractFixture(scope, "first");
    HistEncryptHistoryFn encrypt = (HistEncryptHistoryFn)PluginExport(PLUGIN_HISTORY, "EncryptHistory");
    ASSERT_NE(encrypt, nullptr);
    EXPECT_EQ(encrypt("pw", 2, 1), 0);
    EXPECT_EQ(Slurp(scope.File("history.dat")), damaged);
}

TEST(History, TurningItOffAsksWhetherToDeleteTheFiles)
{
    struct Case {
        int answer;
        bool kept;
    } cases[] = {{IDNO, true}, {IDYES, false}};
    for (const Case& c : cases) {
        HistoryScope scope;
        InstallHistoryHooks();
        ActivateHistory(nullptr, 1);
        ExtractFixture(scope, "first");
        ASSERT_NE(GetFileAttributesA(scope.File("history.dat").c_str()), INVALID_FILE_ATTRIBUTES);
        ScopedPromptScript script;
        ScriptPromptAnswer(PROMPT_KIND_MESSAGE_BOX, c.answer, nullptr);
        ActivateHistory(nullptr, 0);
        EXPECT_FALSE(IsHistoryActivated());
        EXPECT_FALSE(IsHistoryRecording());
        PromptQuestion q;
        ASSERT_TRUE(GetScriptedQuestion(0, &q));
        EXPECT_STREQ(q.text, GetConfigurationText(64));
        EXPECT_EQ(GetFileAttributesA(scope.File("history.dat").c_str()) != INVALID_FILE_ATTRIBUTES, c.kept)
            << "answer " << c.answer;
        // Off again is no change: nothing is asked.
        ActivateHistory(nullptr, 0);
        EXPECT_EQ(ScriptedQuestionCount(), 1);
    }
}

TEST(History, WithoutTheLibraryExtractionsStillWork)
{
    std::string empty = MakeTempFolder("nohistory");
    {
        HistoryScope scope(empty.c_str());
        InstallHistoryHooks();
        ScopedPromptScript script;
        ActivateHistory(nullptr, 1);
        EXPECT_EQ(GetHistoryLib(), nullptr);
        EXPECT_EQ(GetHistoryLoadMarker(), 0);
        EXPECT_FALSE(IsHistoryRecording());
        std::string target = ExtractFixture(scope, "first");
        EXPECT_NE(GetFileAttributesA((target + "\\docs\\two.txt").c_str()), INVALID_FILE_ATTRIBUTES);
        EXPECT_EQ(ShowHistoryDialog(nullptr), 0);
        EXPECT_EQ(ScriptedQuestionCount(), 0);
    }
    RemoveFolderTree(empty);
}

TEST(History, TheDialogListsTheItems)
{
    HistoryScope scope;
    InstallHistoryHooks();
    ActivateHistory(nullptr, 1);
    std::string target = ExtractFixture(scope, "first");
    HistGetDialogProcFn getProc = (HistGetDialogProcFn)PluginExport(PLUGIN_HISTORY, "GetDialogProc");
    ASSERT_NE(getProc, nullptr);
    ASSERT_NE(getProc(), nullptr);
    // The dialog itself, created modeless from the same procedure, read back.
    struct {
        DLGTEMPLATE t;
        WORD menu, cls, title;
    } tpl = {};
    tpl.t.style = WS_POPUP | WS_CAPTION | DS_MODALFRAME;
    tpl.t.cx = 300;
    tpl.t.cy = 200;
    HWND dialog = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), &tpl.t, nullptr, getProc(), 0);
    ASSERT_NE(dialog, nullptr);
    HWND list = GetDlgItem(dialog, 100);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 1);
    char cell[600] = "";
    LVITEMA item{};
    item.iSubItem = 1;
    item.pszText = cell;
    item.cchTextMax = sizeof cell;
    SendMessageA(list, LVM_GETITEMTEXTA, 0, (LPARAM)&item);
    EXPECT_EQ(std::string(cell), target);
    item.iSubItem = 3;
    SendMessageA(list, LVM_GETITEMTEXTA, 0, (LPARAM)&item);
    EXPECT_EQ(std::string(cell), "one.txt; docs/two.txt");
    DestroyWindow(dialog);
}
