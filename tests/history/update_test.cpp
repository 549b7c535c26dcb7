// The update check against the loopback version server of the fixture step.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/langtext.h"
#include "config/scratchkey.h"
#include "config/settings.h"
#include "formats/plugins.h"
#include "history/update.h"
#include "support/testsupport.h"
#include "ui/prompts.h"
#include "ui/promptscript.h"

namespace {

std::vector<std::string> gOpened;

int RecordOpen(const char* address)
{
    gOpened.push_back(address);
    return 1;
}

std::string ServerAddress(const char* name)
{
    std::string port;
    ReadWholeFile(UnixToWindowsPath(KELVORA_HISTORY_FIXTURES_DIR "/port"), &port);
    return "http://127.0.0.1:" + port + "/" + name;
}

// Fresh settings under a key of the test's own, the real libraries, no browser.
struct UpdateFixture {
    ScratchKey key;
    std::string oldKey = GetSettingsKeyPath();
    UpdateFixture()
    {
        SetSettingsKeyPath(key.path());
        ResetSettings();
        ResetPluginsForTests(TestProgramFolder().c_str());
        gOpened.clear();
        GUpdateOpenAddress = RecordOpen;
    }
    ~UpdateFixture()
    {
        SetEnvironmentVariableA("KELVORA_UPDATE_URL", nullptr);
        SetSettingsKeyPath(oldKey.c_str());
        ResetSettings();
        ResetPluginsForTests(nullptr);
    }
    void Point(const std::string& address) { SetEnvironmentVariableA("KELVORA_UPDATE_URL", address.c_str()); }
};

int CountQuestions(int kind)
{
    int count = 0;
    PromptQuestion q;
    for (int i = 0; GetScriptedQuestion(i, &q); ++i)
        if (q.kind == kind) ++count;
    return count;
}

std::string FirstText(int kind)
{
    PromptQuestion q;
    for (int i = 0; GetScriptedQuestion(i, &q); ++i)
        if (q.kind == kind) return q.text;
    return "";
}

}  // namespace

TEST(UpdateCheck, VersionsAndDatesCompareAsPublished)
{
    struct Case {
        const char* own;
        const char* remote;
        int newer;
    } versions[] = {
        {"1.2", "1.2", 0},      {"1.2", "1.3", 1},       {"1.2", "1.1", 0},     {"1.2", "1.2_beta", 0},
        {"1.2_beta", "1.2", 1}, // Two suffixes: at the first difference the remote counts as newer when the own character
        // is the larger one.
        {"1.2_beta", "1.2_alpha", 1}, {"1.2_alpha", "1.2_beta", 0},
        {"1.2_beta", "1.2_beta", 0}, {"1.2", "2.0", 1},  {"1.2", "1.2.1", 1},
    };
    for (const Case& c : versions)
        EXPECT_EQ(IsNewerVersion(c.own, c.remote), c.newer) << c.own << " against " << c.remote;
    struct DateCase {
        const char* date;
        int accepted;
    } dates[] = {
        {"05/05/2011", 0}, {"05/06/2011", 1}, {"12.31.2010", 0}, {"01.01.2030", 1}, {"05/06/201", 0},
        {"", 0},           {"xx/06/2011", 0},
    };
    for (const DateCase& c : dates) EXPECT_EQ(IsReleaseDateAccepted(4252, c.date), c.accepted) << c.date;
}

TEST(UpdateCheck, DocumentsOfTheServerDecideWhatTheUserSees)
{
    struct Case {
        const char* what;
        const char* document;  // on the fixture server; null: no server at all
        int manual;
        int answer;            // of the update dialog, when it is shown
        int outcome;
        int dialogs;           // update dialogs shown
        int boxes;             // message boxes shown
        const char* opened;    // address handed to the browser, or null
    } cases[] = {
        {"newer, download", "newer.xml", 0, IDC_UPDATE_DOWNLOAD, UPDATE_NEWER_OPENED, 1, 0, "http://example.invalid/download"},
        {"newer over https", "https.xml", 1, IDC_UPDATE_DOWNLOAD, UPDATE_NEWER_OPENED, 1, 0, "https://example.invalid/download"},
        {"newer, not now", "newdate.xml", 0, IDC_UPDATE_NOT_NOW, UPDATE_NEWER_DECLINED, 1, 0, nullptr},
        {"same version, manual", "same.xml", 1, 0, UPDATE_CURRENT, 0, 1, nullptr},
        {"same version, quiet", "same.xml", 0, 0, UPDATE_CURRENT, 0, 0, nullptr},
        {"older version", "older.xml", 1, 0, UPDATE_CURRENT, 0, 1, nullptr},
        {"beta of the own version", "beta.xml", 1, 0, UPDATE_CURRENT, 0, 1, nullptr},
        {"another program's newer record", "other.xml", 1, 0, UPDATE_CURRENT, 0, 1, nullptr},
        {"release too old", "olddate.xml", 1, 0, UPDATE_CURRENT, 0, 1, nullptr},
        {"file: download address", "fileurl.xml", 0, IDC_UPDATE_DOWNLOAD, UPDATE_BAD_ADDRESS, 1, 1, nullptr},
        {"document cut in the middle", "truncated.xml", 1, IDC_UPDATE_OK, UPDATE_DOWNLOAD_FAILED, 1, 0, nullptr},
        {"transfer cut short", "cut.xml", 1, IDC_UPDATE_OK, UPDATE_DOWNLOAD_FAILED, 1, 0, nullptr},
        {"no such document", "missing.xml", 1, IDC_UPDATE_OK, UPDATE_DOWNLOAD_FAILED, 1, 0, nullptr},
        {"no server, manual", nullptr, 1, IDC_UPDATE_OK, UPDATE_DOWNLOAD_FAILED, 1, 0, nullptr},
        {"no server, quiet", nullptr, 0, 0, UPDATE_DOWNLOAD_FAILED, 0, 0, nullptr},
    };
    for (const Case& c : cases) {
        UpdateFixture fixture;
        fixture.Point(c.document ? ServerAddress(c.document) : std::string("http://127.0.0.1:1/version.xml"));
        ScopedPromptScript script;
        if (c.dialogs) ScriptPromptAnswer(PROMPT_KIND_MODAL_DIALOG, c.answer, nullptr);
        if (c.boxes) ScriptPromptAnswer(PROMPT_KIND_MESSAGE_BOX, IDOK, nullptr);
        EXPECT_EQ(RunUpdateCheck(c.manual), c.outcome) << c.what;
        EXPECT_EQ(CountQuestions(PROMPT_KIND_MODAL_DIALOG), c.dialogs) << c.what;
        EXPECT_EQ(CountQuestions(PROMPT_KIND_MESSAGE_BOX), c.boxes) << c.what;
        ASSERT_EQ(gOpened.size(), c.opened ? 1u : 0u) << c.what;
        if (c.opened) {
            EXPECT_EQ(gOpened[0], c.opened) << c.what;
        }
        if (c.outcome == UPDATE_DOWNLOAD_FAILED) {
            EXPECT_EQ(GetUpdateDownloadSucceeded(), 0) << c.what;
            EXPECT_STREQ(GetUpdateMessageText(), GetGenericText(80)) << c.what;
        }
        if (c.outcome == UPDATE_NEWER_OPENED || c.outcome == UPDATE_NEWER_DECLINED) {
            EXPECT_STREQ(GetUpdateRemoteVersion(), "1.3") << c.what;
            EXPECT_NE(strstr(GetUpdateMessageText(), "\"1.3\""), nullptr) << c.what;
            EXPECT_NE(strstr(GetUpdateMessageText(), "\"1.2\""), nullptr) << c.what;
        }
        if (c.outcome == UPDATE_CURRENT && c.boxes) {
            EXPECT_NE(FirstText(PROMPT_KIND_MESSAGE_BOX).find("\"1.2\""), std::string::npos) << c.what;
        }
    }
}

TEST(UpdateCheck, BitTwentyFiveAndAMissingXmlLibraryStopTheCheck)
{
    {
        UpdateFixture fixture;
        fixture.Point(ServerAddress("newer.xml"));
        SetCheckSearchAndDisplayUpdates(1);
        ScopedPromptScript script;
        EXPECT_EQ(RunUpdateCheck(1), UPDATE_SKIPPED);
        EXPECT_EQ(StartUpdateCheck(1), 0);
        EXPECT_EQ(ScriptedQuestionCount(), 0);
    }
    {
        UpdateFixture fixture;
        fixture.Point(ServerAddress("newer.xml"));
        std::string empty = MakeTempFolder("noxml");
        ResetPluginsForTests(empty.c_str());
        ScopedPromptScript script;
        EXPECT_EQ(RunUpdateCheck(1), UPDATE_NO_XML_LIBRARY);
        EXPECT_EQ(ScriptedQuestionCount(), 0);
        RemoveFolderTree(empty);
    }
}

TEST(UpdateCheck, ASecondCheckWhileOneRunsIsRefused)
{
    UpdateFixture fixture;
    fixture.Point(ServerAddress("same.xml"));
    ScopedPromptScript script;
    ASSERT_EQ(StartUpdateCheck(0), 1);
    // The quiet check is still running (it waits before it asks the server).
    EXPECT_EQ(StartUpdateCheck(1), 0);
    EXPECT_EQ(RunUpdateCheck(1), UPDATE_BUSY);
    ASSERT_TRUE(PumpMessagesUntil([] { return !IsUpdateCheckRunning(); }, 60000));
    EXPECT_EQ(ScriptedQuestionCount(), 0);
    ScriptPromptAnswer(PROMPT_KIND_MESSAGE_BOX, IDOK, nullptr);
    EXPECT_EQ(RunUpdateCheck(1), UPDATE_CURRENT);
}

namespace {

struct DialogDriver {
    int pressBox;
    int button;
    int sawDownload = -1;
    int sawOk = -1;
    int messageY = -1;
    std::string message;
    int done = 0;
};

DWORD WINAPI DriveUpdateDialog(LPVOID param)
{
    DialogDriver* d = (DialogDriver*)param;
    HWND dialog = nullptr;
    for (int i = 0; i < 600 && !dialog; ++i) {
        dialog = FindWindowA(nullptr, GetGenericText(76));
        if (!dialog) Sleep(50);
    }
    if (dialog) {
        d->sawDownload = GetDlgItem(dialog, IDC_UPDATE_DOWNLOAD) != nullptr;
        d->sawOk = GetDlgItem(dialog, IDC_UPDATE_OK) != nullptr;
        HWND message = GetDlgItem(dialog, IDC_UPDATE_MESSAGE);
        char text[600] = "";
        GetWindowTextA(message, text, sizeof text);
        d->message = text;
        RECT r;
        GetWindowRect(message, &r);
        POINT p = {r.left, r.top};
        ScreenToClient(dialog, &p);
        d->messageY = p.y;
        if (d->pressBox) SendMessageA(GetDlgItem(dialog, IDC_UPDATE_DO_NOT_CHECK), BM_CLICK, 0, 0);
        SendMessageA(GetDlgItem(dialog, d->button), BM_CLICK, 0, 0);
    }
    d->done = 1;
    return 0;
}

DWORD ReadConfigurationWord(const char* keyPath)
{
    HKEY key;
    DWORD value = 0, size = sizeof value;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
    RegQueryValueExA(key, "configuration", nullptr, nullptr, (BYTE*)&value, &size);
    RegCloseKey(key);
    return value;
}

}  // namespace

TEST(UpdateCheck, TheDialogInBothLayoutsAndItsBox)
{
    struct Case {
        const char* what;
        const char* document;
        int pressBox;
        int button;
        int outcome;
        int downloadLayout;
        int bit25;
    } cases[] = {
        {"newer: box and not now", "newer.xml", 1, IDC_UPDATE_NOT_NOW, UPDATE_NEWER_DECLINED, 1, 1},
        {"newer: box and cancel", "newer.xml", 1, IDC_UPDATE_CANCEL, UPDATE_NEWER_DECLINED, 1, 0},
        {"failure: box and OK", nullptr, 1, IDC_UPDATE_OK, UPDATE_DOWNLOAD_FAILED, 0, 1},
        {"failure: no box, OK", nullptr, 0, IDC_UPDATE_OK, UPDATE_DOWNLOAD_FAILED, 0, 0},
    };
    for (const Case& c : cases) {
        UpdateFixture fixture;
        fixture.Point(c.document ? ServerAddress(c.document) : std::string("http://127.0.0.1:1/version.xml"));
        ResetPromptsToDialogs();
        DialogDriver driver{c.pressBox, c.button};
        HANDLE helper = CreateThread(nullptr, 0, DriveUpdateDialog, &driver, 0, nullptr);
        ASSERT_NE(helper, nullptr);
        EXPECT_EQ(RunUpdateCheck(1), c.outcome) << c.what;
        WaitForSingleObject(helper, 60000);
        CloseHandle(helper);
        EXPECT_TRUE(driver.done) << c.what;
        EXPECT_EQ(driver.sawDownload, c.downloadLayout) << c.what;
        EXPECT_EQ(driver.sawOk, c.downloadLayout ? 0 : 1) << c.what;
        EXPECT_EQ(driver.messageY, c.downloadLayout ? 50 : 60) << c.what;
        EXPECT_EQ(driver.message, GetUpdateMessageText()) << c.what;
        EXPECT_EQ(GetCheckSearchAndDisplayUpdates(), c.bit25) << c.what;
        EXPECT_EQ((ReadConfigurationWord(fixture.key.path()) >> 25) & 1, (DWORD)c.bit25) << c.what;
        EXPECT_TRUE(gOpened.empty()) << c.what;
    }
}
