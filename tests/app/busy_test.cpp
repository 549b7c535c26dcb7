// The busy protocol of the extraction commands: busy is taken before the first question and
// held until the extraction ends, so every other operation started meanwhile (while the folder
// is asked for, and while the extraction runs) is refused without a question; every way out
// before the extraction starts (a cancelled question) gives busy back.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "app/commands.h"
#include "app/ids.h"
#include "app/mainwindow.h"
#include "apphost.h"
#include "model/appstate.h"
#include "model/listview.h"
#include "model/search.h"
#include "support/testsupport.h"
#include "ui/prompts.h"
#include "ui/promptscript.h"
#include "zip/enginehooks.h"
#include "zip/extract.h"
#include "zip/modify.h"
#include "zip/ziphelper.h"

namespace {

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Holds a running extraction at its first member until released: the history callbacks are
// the engine's per-member hooks.
HANDLE gHeld = nullptr;
HANDLE gRelease = nullptr;
std::atomic<int> gMembers{0};

int HoldAtFirstMember(const char*)
{
    if (gMembers.fetch_add(1) == 0) {
        SetEvent(gHeld);
        WaitForSingleObject(gRelease, 120000);
    }
    return 1;
}

struct ExtractionHold {
    ExtractionHold()
    {
        gHeld = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        gRelease = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        gMembers.store(0);
        saved = GZipHooks;
        GZipHooks.isHistoryRecording = [] { return 1; };
        GZipHooks.startHistoryItem = [](const char*, const char*) {};
        GZipHooks.addToHistoryItem = HoldAtFirstMember;
    }
    ~ExtractionHold()
    {
        Release();
        GZipHooks.isHistoryRecording = saved.isHistoryRecording;
        GZipHooks.startHistoryItem = saved.startHistoryItem;
        GZipHooks.addToHistoryItem = saved.addToHistoryItem;
        CloseHandle(gHeld);
        CloseHandle(gRelease);
    }
    bool WaitHeld() { return PumpMessagesUntil([] { return WaitForSingleObject(gHeld, 0) == WAIT_OBJECT_0; }, 60000); }
    void Release() { SetEvent(gRelease); }
    ZipEngineHooks saved;
};

// Runs a callback while the first folder question is being asked, then answers it from the
// script as usual.
std::function<void()> gDuringFolderQuestion;
int (*gScriptedBrowse)(HWND, const char*, const char*, char*, size_t) = nullptr;
int gInsideQuestion = 0;

int BrowseWithInterruption(HWND owner, const char* title, const char* start, char* folder, size_t size)
{
    if (!gInsideQuestion && gDuringFolderQuestion) {
        gInsideQuestion = 1;
        gDuringFolderQuestion();
        gInsideQuestion = 0;
    }
    return gScriptedBrowse(owner, title, start, folder, size);
}

}  // namespace

class ExtractionBusyTest : public MainWindowTest {
protected:
    void TearDown() override
    {
        gDuringFolderQuestion = nullptr;
        ClearGlobalPassword();
        ResetZipPasswordProtected();
        MainWindowTest::TearDown();
    }

    // Every other way into an operation; each must be refused while busy is held, without a
    // question, leaving busy held and the shown archive as it is. Failures name the attempt
    // and the phase.
    void ExpectEverythingRefused(const char* phase)
    {
        // An archive that exists: a missing one is told about before busy is looked at.
        std::string other = folder_ + "\\other.zip";
        if (!Exists(other)) CopyFileA(FixturePath("flat.zip").c_str(), other.c_str(), FALSE);
        std::string target = folder_ + "\\second";
        struct Attempt {
            const char* what;
            std::function<bool()> refused;
        };
        const Attempt attempts[] = {
            {"extract command (selection)",
             [&] {
                 SelectOnly(GApp.hwndList, 0);
                 return ExtractSelectionOrArchive(frame_, IDM_EXTRACT) == 0;
             }},
            {"extract the whole archive",
             [&] {
                 ExtractArchive(GApp.currentArchive, 0, 1);
                 return true;  // refused means: no question (checked below)
             }},
            {"open another archive", [&] { return OpenCompressedFile(other.c_str(), frame_) == 0; }},
            {"batch extraction", [&] { return StartBatchExtraction(nullptr) == 0; }},
            {"one archive of a batch",
             [&] { return ExtractMultipleFiles(other.c_str(), target.c_str(), 1, 1, 1, 0) == EXTRACT_BUSY; }},
            {"delete", [&] { return DeleteFiles(GApp.hwndList, GApp.currentArchive, nullptr, 0, 1, nullptr) == DELETE_BUSY; }},
            {"find", [&] { return FindReplace(nullptr, 1) == 0; }},
        };
        std::string shown = GApp.currentArchive;
        for (const Attempt& a : attempts) {
            int asked = ScriptedQuestionCount();
            EXPECT_TRUE(a.refused()) << phase << ": " << a.what << " was not refused";
            EXPECT_EQ(ScriptedQuestionCount(), asked) << phase << ": " << a.what << " asked a question";
            EXPECT_EQ(GApp.busy.load(), 1) << phase << ": " << a.what << " changed busy";
            EXPECT_EQ(std::string(GApp.currentArchive), shown) << phase << ": " << a.what;
            EXPECT_FALSE(Exists(target)) << phase << ": " << a.what << " extracted";
        }
        EXPECT_EQ(GetFindDialogWindow(), nullptr) << phase;
    }

    void InterruptFolderQuestion(std::function<void()> during)
    {
        gScriptedBrowse = GPrompts.browseFolder;
        GPrompts.browseFolder = BrowseWithInterruption;
        gDuringFolderQuestion = during;
    }
};

TEST_F(ExtractionBusyTest, OtherOperationsAreRefusedFromTheFolderQuestionToTheEnd)
{
    struct Case {
        const char* what;
        const char* select;  // row to select, "" for none (the whole archive)
        const char* check;   // a file the extraction writes
        const char* content;
    };
    const Case cases[] = {
        {"whole archive", "", "a\\b\\c\\three.txt", "three three three\n"},
        {"selection", "two.txt", "a\\b\\two.txt", "two two\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EndPromptScript();
        BeginPromptScript();
        std::string archive = Fixture("nested.zip");
        OpenAndWait(archive);
        ASSERT_EQ(Rows(GApp.hwndList), 6);
        std::string out = folder_ + "\\out-" + (c.select[0] ? "selection" : "all");
        RemoveFolderTree(out);
        CreateDirectoryA(out.c_str(), nullptr);

        ExtractionHold hold;
        int duringQuestion = 0;
        InterruptFolderQuestion([&] {
            duringQuestion = 1;
            EXPECT_EQ(GApp.busy.load(), 1) << "busy is held while the folder is asked for";
            ExpectEverythingRefused("folder question");
            // The attempts changed the selection: give the first command its own back.
            SelectOnly(GApp.hwndList, c.select[0] ? FindRow(GApp.hwndList, c.select) : -1);
        });
        SelectOnly(GApp.hwndList, c.select[0] ? FindRow(GApp.hwndList, c.select) : -1);
        ScriptPromptAnswer(PROMPT_KIND_BROWSE_FOLDER, 1, out.c_str());
        SendMessageA(frame_, WM_COMMAND, MAKEWPARAM(IDM_EXTRACT, 0), 0);
        EXPECT_EQ(duringQuestion, 1) << "the folder was asked for";
        ASSERT_TRUE(hold.WaitHeld()) << "the extraction did not start";
        ExpectEverythingRefused("extraction running");
        hold.Release();
        ASSERT_TRUE(WaitIdle());
        EXPECT_EQ(GApp.busy.load(), 0) << "busy is free again after the extraction";
        std::string text;
        EXPECT_TRUE(ReadWholeFile(out + "\\" + c.check, &text)) << c.check;
        EXPECT_EQ(text, c.content);
        EXPECT_EQ(ScriptedUnansweredCount(), 0) << "no refused attempt asked anything";
        gDuringFolderQuestion = nullptr;
        // Free again: the next operation starts.
        ASSERT_TRUE(TryEnterBusy(GApp.busy));
        LeaveBusy(GApp.busy);
    }
}

TEST_F(ExtractionBusyTest, CancelledQuestionsGiveBusyBack)
{
    struct Answer {
        int kind;
        int result;
        bool toFolder;  // answered with the target folder
    };
    struct Case {
        const char* what;
        const char* fixture;
        const char* select;  // "" for none
        int command;         // IDM_EXTRACT or IDM_EXTRACT_SEVERAL
        std::vector<Answer> answers;
    };
    const Case cases[] = {
        {"whole archive, folder cancelled", "nested.zip", "", IDM_EXTRACT, {{PROMPT_KIND_BROWSE_FOLDER, 0, false}}},
        {"selection, folder cancelled", "nested.zip", "two.txt", IDM_EXTRACT, {{PROMPT_KIND_BROWSE_FOLDER, 0, false}}},
        {"whole protected archive, password cancelled", "encrypted.zip", "", IDM_EXTRACT,
         {{PROMPT_KIND_BROWSE_FOLDER, 1, true}, {PROMPT_KIND_PASSWORD, PROMPT_CANCEL, false}}},
        {"protected selection, password cancelled", "encrypted.zip", "hidden.txt", IDM_EXTRACT,
         {{PROMPT_KIND_BROWSE_FOLDER, 1, true}, {PROMPT_KIND_PASSWORD, PROMPT_CANCEL, false}}},
        {"batch, search folder cancelled", "nested.zip", "", IDM_EXTRACT_SEVERAL, {{PROMPT_KIND_BROWSE_FOLDER, 0, false}}},
        {"batch, target folder cancelled", "nested.zip", "", IDM_EXTRACT_SEVERAL,
         {{PROMPT_KIND_BROWSE_FOLDER, 1, true}, {PROMPT_KIND_BROWSE_FOLDER, 0, false}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EndPromptScript();
        BeginPromptScript();
        ClearGlobalPassword();
        OpenAndWait(Fixture(c.fixture));
        ASSERT_GT(Rows(GApp.hwndList), 0);
        std::string out = folder_ + "\\cancelled";
        RemoveFolderTree(out);
        CreateDirectoryA(out.c_str(), nullptr);
        SelectOnly(GApp.hwndList, c.select[0] ? FindRow(GApp.hwndList, c.select) : -1);
        for (const Answer& a : c.answers) ScriptPromptAnswer(a.kind, a.result, a.toFolder ? out.c_str() : nullptr);
        SendMessageA(frame_, WM_COMMAND, MAKEWPARAM(c.command, 0), 0);
        ASSERT_TRUE(WaitIdle());
        EXPECT_EQ(GApp.busy.load(), 0) << "busy is given back";
        EXPECT_EQ(ScriptedQuestionCount(), (int)c.answers.size()) << "every question was asked";
        EXPECT_EQ(ScriptedAnswersLeft(), 0);
        WIN32_FIND_DATAA found;
        HANDLE h = FindFirstFileA((out + "\\*.txt").c_str(), &found);
        EXPECT_EQ(h, INVALID_HANDLE_VALUE) << "nothing extracted";
        if (h != INVALID_HANDLE_VALUE) FindClose(h);
        EXPECT_FALSE(Exists(out + "\\a")) << "nothing extracted";
    }
    // And the next extraction runs.
    OpenAndWait(Fixture("nested.zip"));
    std::string out = folder_ + "\\after";
    CreateDirectoryA(out.c_str(), nullptr);
    SelectOnly(GApp.hwndList, -1);
    ScriptPromptAnswer(PROMPT_KIND_BROWSE_FOLDER, 1, out.c_str());
    Command(IDM_EXTRACT);
    EXPECT_TRUE(Exists(out + "\\top.txt"));
    EXPECT_EQ(GApp.busy.load(), 0);
}

TEST_F(ExtractionBusyTest, ABatchKeepsItsArchivesWhenAnotherOperationHoldsBusy)
{
    // A refused archive of a batch is no success: a batch that deletes what it extracted must
    // keep it.
    std::string source = folder_ + "\\batch";
    std::string target = folder_ + "\\batch-out";
    CreateDirectoryA(source.c_str(), nullptr);
    CreateDirectoryA(target.c_str(), nullptr);
    ASSERT_TRUE(CopyFileA(FixturePath("nested.zip").c_str(), (source + "\\one.zip").c_str(), FALSE));
    ASSERT_TRUE(TryEnterBusy(GApp.busy));
    EXPECT_EQ(ExtractMultipleFiles((source + "\\one.zip").c_str(), target.c_str(), 1, 1, 1, 0), EXTRACT_BUSY);
    BatchExtractJob job = {};
    snprintf(job.searchFolder, sizeof job.searchFolder, "%s", source.c_str());
    snprintf(job.targetBase, sizeof job.targetBase, "%s", target.c_str());
    job.deleteAfter = 1;
    job.silent = 1;
    ExtractBatchThread(&job);
    EXPECT_EQ(job.result, EXTRACT_BUSY);
    EXPECT_EQ(job.archivesDone, 0);
    EXPECT_EQ(GApp.busy.load(), 1) << "the holder's busy stays";
    LeaveBusy(GApp.busy);
    EXPECT_TRUE(Exists(source + "\\one.zip")) << "the archive is kept";
    EXPECT_FALSE(Exists(target + "\\top.txt"));

    // Free: the batch runs, holds busy from the first archive to the last, and gives it back.
    ASSERT_TRUE(CopyFileA(FixturePath("flat.zip").c_str(), (source + "\\two.zip").c_str(), FALSE));
    job.result = -99;
    ExtractBatchThread(&job);
    EXPECT_EQ(job.result, 0);
    EXPECT_EQ(job.archivesDone, 2);
    EXPECT_EQ(GApp.busy.load(), 0);
    EXPECT_TRUE(Exists(target + "\\top.txt"));
    EXPECT_TRUE(Exists(target + "\\e.bin"));
    EXPECT_FALSE(Exists(source + "\\one.zip")) << "extracted completely, so deleted as asked";
}
