// The modification threads against a real (hidden) list view: deleting the selection, renaming
// one entry, deleting cut entries and saving edited text, with the prompts answered by script.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <cstring>

#include "app/langtext.h"
#include "config/settings.h"
#include "model/appstate.h"
#include "model/list.h"
#include "model/liststruct.h"
#include "modifysupport.h"
#include "support/testsupport.h"
#include "ui/promptscript.h"
#include "zip/enginehooks.h"
#include "zip/modify.h"

namespace {

struct TotalsSeen {
    int calls = 0;
    int64_t files = 0, compressed = 0, uncompressed = 0;
};
TotalsSeen gTotals;

struct CutState {
    std::vector<std::string> paths;
    std::vector<int> rows;
    int forgotten = 0;
    HWND view = nullptr;
};
CutState gCut;

struct RenameSeen {
    int calls = 0;
    int result = 99;
};
RenameSeen gRename;

struct Viewer {
    HWND edit = nullptr;
    std::string name;
};
Viewer gViewer;

class Threads : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetCompressionMethod(CM_ZIP);
        SetDeleteSimulation(0);
        GApp.busy.store(0);
        folder = MakeTempFolder("zipmodthr");
        archive = CopyFixture("py_many.zip", folder);
        ASSERT_FALSE(archive.empty());
        snprintf(GApp.currentArchive, sizeof GApp.currentArchive, "%s", archive.c_str());
        ASSERT_EQ(300, FillListFromArchive(&host, archive));
        GApp.listTotals = {300, 0, 0};
        GModifyHooks = ModifyHooks();
        GZipHooks.showTotals = [](int64_t f, int64_t c, int64_t u) {
            ++gTotals.calls;
            gTotals.files = f;
            gTotals.compressed = c;
            gTotals.uncompressed = u;
        };
        gTotals = TotalsSeen();
        gCut = CutState();
        gRename = RenameSeen();
        gViewer = Viewer();
        BeginPromptScript();
    }
    void TearDown() override
    {
        EndPromptScript();
        GModifyHooks = ModifyHooks();
        GZipHooks.showTotals = nullptr;
        GApp.busy.store(0);
        GApp.currentArchive[0] = '\0';
        SetDeleteSimulation(0);
        RemoveFolderTree(folder);
    }

    int RowOf(const std::string& name) const
    {
        std::vector<std::string> names = host.RowNames();
        auto it = std::find(names.begin(), names.end(), name);
        return it == names.end() ? -1 : (int)(it - names.begin());
    }
    void SelectNames(const std::vector<std::string>& names) const
    {
        for (const std::string& n : names) {
            int row = RowOf(n);
            ASSERT_GE(row, 0) << n;
            host.Select(row);
        }
    }

    std::string folder, archive;
    ModifyListHost host;
};

TEST_F(Threads, DeleteFilesDeletesTheSelectedEntriesAndTheirRows)
{
    const std::vector<std::string> doomed = {"d03/f003.txt", "d00/f010.txt", "d00/f150.txt"};
    SelectNames(doomed);
    ScriptPromptAnswer(PROMPT_KIND_MESSAGE_BOX, IDOK, nullptr);
    int result = 99;
    ASSERT_EQ(DELETE_STARTED, DeleteFiles(host.list, archive.c_str(), nullptr, 1, 0, &result));
    EXPECT_EQ(REWRITE_DONE, result);

    PromptQuestion q;
    ASSERT_TRUE(GetScriptedQuestion(0, &q));
    char expected[600];
    snprintf(expected, sizeof expected, "%s %d %s ?", GetMessageText(12), 3, GetMessageText(13));
    EXPECT_STREQ(expected, q.text);
    EXPECT_STREQ("Kelvora", q.caption);
    EXPECT_EQ((UINT)(MB_OKCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2), q.type);

    EXPECT_EQ(297, host.RowCount());
    for (const std::string& n : doomed) EXPECT_EQ(-1, RowOf(n)) << n << " still has a row";
    RawArchive after = ReadRawArchive(archive);
    ASSERT_TRUE(after.ok);
    EXPECT_EQ(297u, after.entries.size());
    for (const std::string& n : doomed) EXPECT_EQ(nullptr, after.Find(n)) << n;
    EXPECT_EQ(297, GApp.listTotals.rows);
    EXPECT_GE(gTotals.calls, 1);
    EXPECT_EQ(297, gTotals.files);
    EXPECT_EQ(0, GApp.busy.load());
    EXPECT_EQ(0, IsModificationRunning());
}

std::atomic<int> gStopSignalling{0};

DWORD WINAPI SignalForeignEvent(LPVOID)
{
    // What another running program's deletion would do with an event of a shared name.
    HANDLE foreign = CreateEventA(nullptr, TRUE, FALSE, "SyncDeleteFiles");
    while (!gStopSignalling.load()) {
        SetEvent(foreign);
        Sleep(1);
    }
    CloseHandle(foreign);
    return 0;
}

TEST_F(Threads, AWaitingDeleteFilesWaitsForItsOwnThreadOnly)
{
    SelectNames({"d04/f004.txt", "d08/f008.txt"});
    gStopSignalling.store(0);
    HANDLE other = CreateThread(nullptr, 0, SignalForeignEvent, nullptr, 0, nullptr);
    ASSERT_NE(nullptr, other);
    int result = 99;
    int started = DeleteFiles(host.list, archive.c_str(), "sure?", 1, 1, &result);
    int rowsOnReturn = host.RowCount();
    gStopSignalling.store(1);
    WaitForSingleObject(other, 10000);
    CloseHandle(other);
    ASSERT_EQ(DELETE_STARTED, started);
    EXPECT_EQ(REWRITE_DONE, result);
    EXPECT_EQ(298, rowsOnReturn) << "DeleteFiles returned before its deletion had ended";
    EXPECT_EQ(0, GApp.busy.load());
}

TEST_F(Threads, DeleteFilesAsksAboutOneRowInItsOwnWords)
{
    SelectNames({"d09/f009.txt"});
    ScriptPromptAnswer(PROMPT_KIND_MESSAGE_BOX, IDOK, nullptr);
    ASSERT_EQ(DELETE_STARTED, DeleteFiles(host.list, archive.c_str(), nullptr, 1, 0));
    PromptQuestion q;
    ASSERT_TRUE(GetScriptedQuestion(0, &q));
    EXPECT_EQ(std::string(GetMessageText(11)) + " ?", q.text);
    EXPECT_EQ(299, host.RowCount());
}

TEST_F(Threads, DeleteFilesRefusesWithoutChangingAnything)
{
    std::string bytes = FileBytes(archive);
    struct Case {
        const char* label;
        int expected;
        bool select, empty, busy, decline;
    } cases[] = {
        {"nothing selected", DELETE_NOTHING_SELECTED, false, false, false, false},
        {"declined", DELETE_DECLINED, true, false, false, true},
        {"another operation runs", DELETE_BUSY, true, false, true, false},
        {"empty list", DELETE_EMPTY_LIST, false, true, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        if (c.empty) ClearList(host.list);
        for (int i = 0; i < host.RowCount(); ++i) host.Select(i, false);
        if (c.select) SelectNames({"d01/f001.txt"});
        if (c.decline) ScriptPromptAnswer(PROMPT_KIND_MESSAGE_BOX, IDCANCEL, nullptr);
        GApp.busy.store(c.busy ? 1 : 0);
        int rows = host.RowCount();
        EXPECT_EQ(c.expected, DeleteFiles(host.list, archive.c_str(), nullptr, 1, 0));
        EXPECT_EQ(c.busy ? 1 : 0, GApp.busy.load()) << "the busy flag belongs to whoever set it";
        GApp.busy.store(0);
        EXPECT_EQ(rows, host.RowCount());
        EXPECT_EQ(bytes, FileBytes(archive));
    }
}

TEST_F(Threads, AFailedDeletionKeepsTheRowsAndWakesTheWaitingStarter)
{
    // A row whose entry is not in the archive: nothing can be deleted.
    int ghost = host.AddMember("ghost/none.txt");
    ASSERT_GE(ghost, 0);
    host.Select(ghost);
    std::string bytes = FileBytes(archive);
    int result = 99;
    EXPECT_EQ(DELETE_STARTED, DeleteFiles(host.list, archive.c_str(), "delete?", 1, 1, &result));
    EXPECT_EQ(REWRITE_NOT_REPLACED, result);
    EXPECT_EQ(301, host.RowCount());
    EXPECT_EQ(bytes, FileBytes(archive));
    EXPECT_EQ(0, ScriptedQuestionCount()) << "no question with the no-question flag, no message for -6";
    EXPECT_EQ(0, GApp.busy.load());
}

TEST_F(Threads, SimulationRemovesTheRowsButNotTheEntries)
{
    SetDeleteSimulation(1);
    SelectNames({"d02/f002.txt"});
    std::string bytes = FileBytes(archive);
    int result = 99;
    ASSERT_EQ(DELETE_STARTED, DeleteFiles(host.list, archive.c_str(), "sure?", 1, 1, &result));
    EXPECT_EQ(REWRITE_DONE, result);
    EXPECT_EQ(299, host.RowCount());
    EXPECT_EQ(bytes, FileBytes(archive));
}

DWORD WINAPI StartRename(LPVOID param)
{
    return ChangeThreadFilename(param);
}

TEST_F(Threads, ChangeThreadFilenameRenamesOrRefusesATakenName)
{
    GModifyHooks.renameDone = [](const RenameRequest*, int result) {
        ++gRename.calls;
        gRename.result = result;
    };
    struct Case {
        const char* label;
        const char* oldKey;
        const char* newName;
        int expected;
        int messages;
    } cases[] = {
        {"free name", "d01\\f001.txt", "renamed/one.txt", REWRITE_DONE, 0},
        {"taken name", "d02\\f002.txt", "d03/f003.txt", REWRITE_NAME_COLLISION, 1},
        {"missing entry", "d01\\f001.txt", "again.txt", REWRITE_NOT_REPLACED, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        std::string bytes = FileBytes(archive);
        int asked = ScriptedQuestionCount();
        gRename = RenameSeen();
        RenameRequest req;
        snprintf(req.oldKey, sizeof req.oldKey, "%s", c.oldKey);
        snprintf(req.newName, sizeof req.newName, "%s", c.newName);
        if (c.messages) ScriptPromptAnswer(PROMPT_KIND_MESSAGE_BOX, IDOK, nullptr);
        GApp.busy.store(1);  // the label edit that starts the thread takes it
        EXPECT_EQ(c.expected, RunThreadPumping(StartRename, &req));
        EXPECT_EQ(1, gRename.calls);
        EXPECT_EQ(c.expected, gRename.result);
        EXPECT_EQ(0, GApp.busy.load());
        EXPECT_EQ(asked + c.messages, ScriptedQuestionCount());
        if (c.expected == REWRITE_DONE) {
            RawArchive after = ReadRawArchive(archive);
            EXPECT_NE(nullptr, after.Find(c.newName));
            EXPECT_EQ(nullptr, after.Find("d01/f001.txt"));
        } else {
            EXPECT_EQ(bytes, FileBytes(archive));
        }
        if (c.messages) {
            PromptQuestion q;
            ASSERT_TRUE(GetScriptedQuestion(asked, &q));
            EXPECT_NE(std::string::npos, std::string(q.text).find(c.newName)) << q.text;
        }
    }
}

void InstallCutHooks()
{
    GModifyHooks.cutSourceView = [] { return gCut.view; };
    GModifyHooks.getCutPaths = [](List* paths) {
        for (const std::string& p : gCut.paths) ListAppendCopy(paths, p.c_str());
        return (int)gCut.paths.size();
    };
    GModifyHooks.getCutRows = [](int* rows, int maxRows) {
        int n = (int)gCut.rows.size();
        if (!rows) return n;
        for (int i = 0; i < n && i < maxRows; ++i) rows[i] = gCut.rows[i];
        return n < maxRows ? n : maxRows;
    };
    GModifyHooks.forgetCut = [] { ++gCut.forgotten; };
}

TEST_F(Threads, CutEntriesGoFromArchiveAndListAfterThePaste)
{
    InstallCutHooks();
    gCut.view = host.list;
    gCut.paths = {"d05/f005.txt", "d06/f016.txt"};
    gCut.rows = {RowOf("d05/f005.txt"), -1, RowOf("d06/f016.txt")};
    DeleteCTRLCutEntries();
    EXPECT_EQ(1, gCut.forgotten);
    EXPECT_EQ(298, host.RowCount());
    EXPECT_EQ(-1, RowOf("d05/f005.txt"));
    EXPECT_EQ(-1, RowOf("d06/f016.txt"));
    RawArchive after = ReadRawArchive(archive);
    EXPECT_EQ(298u, after.entries.size());
    EXPECT_EQ(nullptr, after.Find("d05/f005.txt"));
    EXPECT_EQ(0, IsModificationRunning());
}

TEST_F(Threads, CutEntriesThatCannotBeDeletedKeepTheirRows)
{
    InstallCutHooks();
    gCut.view = host.list;
    gCut.paths = {"not/there.txt"};
    gCut.rows = {RowOf("d05/f005.txt")};
    std::string bytes = FileBytes(archive);
    DeleteCTRLCutEntries();
    EXPECT_EQ(1, gCut.forgotten) << "the cut is forgotten either way";
    EXPECT_EQ(300, host.RowCount()) << "rows stay when their entries stay";
    EXPECT_EQ(bytes, FileBytes(archive));
}

DWORD WINAPI StartSave(LPVOID)
{
    return HandleChangeFileContentThread(nullptr);
}

TEST_F(Threads, EditedTextReplacesTheEntryAndItsRow)
{
    gViewer.edit = CreateWindowExA(0, "EDIT", "", WS_CHILD | ES_MULTILINE, 0, 0, 100, 100, host.host, nullptr,
                                   GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, gViewer.edit);
    const std::string text = "edited in the viewer\r\nline two\r\n";
    SetWindowTextA(gViewer.edit, text.c_str());
    gViewer.name = "d07\\f007.txt";
    GModifyHooks.viewerEdit = [] { return gViewer.edit; };
    GModifyHooks.viewerEntryName = [](char* out, size_t size) {
        snprintf(out, size, "%s", gViewer.name.c_str());
        return 1;
    };
    SelectNames({"d07/f007.txt"});

    // Declined: nothing changes.
    std::string bytes = FileBytes(archive);
    ScriptPromptAnswer(PROMPT_KIND_MESSAGE_BOX, IDCANCEL, nullptr);
    EXPECT_EQ(1, RunThreadPumping(StartSave, nullptr));
    EXPECT_EQ(bytes, FileBytes(archive));
    PromptQuestion q;
    ASSERT_TRUE(GetScriptedQuestion(0, &q));
    EXPECT_EQ(std::string(GetMessageText(37)) + "\n" + gViewer.name, q.text);

    ScriptPromptAnswer(PROMPT_KIND_MESSAGE_BOX, IDOK, nullptr);
    EXPECT_EQ(REWRITE_DONE, RunThreadPumping(StartSave, nullptr));
    std::string got;
    ASSERT_TRUE(ReadEntryContent(archive, "d07/f007.txt", &got));
    EXPECT_EQ(text, got);
    RawArchive after = ReadRawArchive(archive);
    EXPECT_EQ(300u, after.entries.size());
    EXPECT_EQ("d07/f007.txt", after.entries.back().name);
    EXPECT_EQ(300, host.RowCount());
    std::vector<std::string> names = host.RowNames();
    EXPECT_EQ("d07/f007.txt", names.back()) << "the new entry's row is last";
    EXPECT_EQ(1, (int)std::count(names.begin(), names.end(), "d07/f007.txt"));
    EXPECT_EQ(300, GApp.listTotals.rows);
    int focused = (int)SendMessageA(host.list, LVM_GETNEXTITEM, (WPARAM)-1, MAKELPARAM(LVNI_FOCUSED, 0));
    EXPECT_EQ(299, focused);
    EXPECT_EQ(0, GApp.busy.load());
}

}  // namespace
