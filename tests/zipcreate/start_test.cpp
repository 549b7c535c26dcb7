// Starting runs from the window: the folder, file, password, filter and target questions in
// order, the progress dialog, the listing of the result, and the busy refusal.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "config/settings.h"
#include "model/appstate.h"
#include "support/testsupport.h"
#include "ui/progress.h"
#include "ui/prompts.h"
#include "ui/promptscript.h"
#include "zip/create.h"
#include "createsupport.h"

namespace {

struct StartCase {
    const char* what;
    int addFiles;           // AddDirectories choice 1: files are picked
    int passwordEncrypted;
    int fileFilter;
    std::vector<int> asked;  // prompt kinds, in order
    std::vector<std::string> names;  // members expected (sorted)
    const char* password;    // members encrypted with it, or null
};

class Start : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetSettings();
        ClearGlobalPassword();
        FreeGlobalFilterSet();
        src = MakeTempFolder("zc_start_src");
        out = MakeTempFolder("zc_start_out");
        ASSERT_TRUE(WriteTree(src, {{"a.txt", "alpha"}, {"b.bin", "beta"}, {"sub/c.txt", "gamma"}}));
        savedList = GApp.hwndList;
        GApp.hwndList = list.list;
        GApp.hwndFocusView = list.list;
    }
    void TearDown() override
    {
        ResetSettings();
        ClearGlobalPassword();
        FreeGlobalFilterSet();
        GApp.hwndList = savedList;
        GApp.hwndFocusView = nullptr;
        GApp.currentArchive[0] = '\0';
        RemoveFolderTree(src);
        RemoveFolderTree(out);
    }
    CreateTestList list;
    std::string src, out;
    HWND savedList = nullptr;
};

TEST_F(Start, NewArchiveAsksInOrderAndListsTheResult)
{
    const StartCase cases[] = {
        {"folder", 0, 0, 0, {PROMPT_KIND_BROWSE_FOLDER, PROMPT_KIND_SAVE_FILE}, {"a.txt", "b.bin", "sub/", "sub/c.txt"},
         nullptr},
        {"chosen files", 1, 0, 0, {PROMPT_KIND_OPEN_FILE, PROMPT_KIND_SAVE_FILE}, {"a.txt", "sub/c.txt"}, nullptr},
        {"folder with password and filter", 0, 1, 1,
         {PROMPT_KIND_BROWSE_FOLDER, PROMPT_KIND_SET_PASSWORD, PROMPT_KIND_FILE_FILTER, PROMPT_KIND_SAVE_FILE},
         {"a.txt", "sub/", "sub/c.txt"}, "pw 1"},
    };
    int n = 0;
    for (const StartCase& c : cases) {
        SCOPED_TRACE(c.what);
        ResetSettings();
        ClearGlobalPassword();
        SetAddDirectories(c.addFiles);
        SetPasswordEncrypted(c.passwordEncrypted);
        SetFileFilter(c.fileFilter);
        std::string target = out + "\\start" + std::to_string(++n) + ".zip";
        ScopedPromptScript prompts;
        if (c.addFiles)
            ScriptPromptAnswer(PROMPT_KIND_OPEN_FILE, 1, (src + "\na.txt\nsub").c_str());
        else
            ScriptPromptAnswer(PROMPT_KIND_BROWSE_FOLDER, 1, src.c_str());
        if (c.passwordEncrypted) ScriptPromptAnswer(PROMPT_KIND_SET_PASSWORD, PROMPT_OK, c.password);
        if (c.fileFilter) ScriptPromptAnswer(PROMPT_KIND_FILE_FILTER, PROMPT_OK, ".txt");
        ScriptPromptAnswer(PROMPT_KIND_SAVE_FILE, 1, target.c_str());

        ASSERT_EQ(StartNewArchive(nullptr), 1);
        ASSERT_TRUE(PumpMessagesUntil([] { return GApp.busy.load() == 0; }, 60000)) << "the run did not end";
        ASSERT_EQ(ScriptedQuestionCount(), (int)c.asked.size());
        for (size_t i = 0; i < c.asked.size(); ++i) {
            PromptQuestion q;
            GetScriptedQuestion((int)i, &q);
            EXPECT_EQ(q.kind, c.asked[i]) << "question " << i << " was " << PromptKindName(q.kind);
        }
        ArchiveContents a = ReadArchive(target, c.password);
        std::vector<std::string> names = a.Names();
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, c.names);
        for (const ArchiveMember& m : a.members) {
            if (m.name.back() == '/') continue;
            EXPECT_EQ((m.flag & 1u) != 0, c.password != nullptr) << m.name;
            EXPECT_TRUE(m.dataOk) << m.name;
        }
        // The new archive is the open one, listed into the main list.
        EXPECT_STREQ(GApp.currentArchive, target.c_str());
        int files = (int)std::count_if(c.names.begin(), c.names.end(), [](const std::string& s) { return s.back() != '/'; });
        EXPECT_EQ(list.Rows(), files);
        EXPECT_EQ(GetProgressDialog(), nullptr) << "the progress dialog stayed";
    }
}

TEST_F(Start, CancelledQuestionsStartNothing)
{
    ScopedPromptScript prompts;
    // Folder dialog cancelled: nothing else is asked.
    EXPECT_EQ(StartNewArchive(nullptr), 0);
    EXPECT_EQ(ScriptedQuestionCount(), 1);
    EXPECT_EQ(GApp.busy.load(), 0);
    // Save dialog cancelled.
    ScriptPromptAnswer(PROMPT_KIND_BROWSE_FOLDER, 1, src.c_str());
    EXPECT_EQ(StartNewArchive(nullptr), 0);
    EXPECT_EQ(ScriptedQuestionCount(), 3);
    EXPECT_EQ(GApp.busy.load(), 0);
}

TEST_F(Start, ABusyProgramRefusesWithoutAsking)
{
    ScopedPromptScript prompts;
    GApp.busy.store(1);
    EXPECT_EQ(StartNewArchive(src.c_str()), 0);
    const char* paths[] = {src.c_str()};
    snprintf(GApp.currentArchive, sizeof GApp.currentArchive, "%s", (out + "\\x.zip").c_str());
    EXPECT_EQ(StartAppendToOpenArchive(paths, 1, nullptr), 0);
    EXPECT_EQ(CreateArchiveFromFiles(paths, 1, 0, 0), 0);
    GApp.busy.store(0);
    EXPECT_EQ(ScriptedQuestionCount(), 0);
}

TEST_F(Start, DroppedPathsAreAddedToTheOpenArchiveBelowTheFolder)
{
    ScopedPromptScript prompts;
    std::string target = out + "\\open.zip";
    ScriptPromptAnswer(PROMPT_KIND_SAVE_FILE, 1, target.c_str());
    ASSERT_EQ(StartNewArchive(src.c_str()), 1);
    ASSERT_TRUE(PumpMessagesUntil([] { return GApp.busy.load() == 0; }, 60000));
    int rows = list.Rows();
    std::string more = MakeTempFolder("zc_start_more");
    ASSERT_TRUE(WriteTree(more, {{"x/y.txt", "why"}}));
    std::string dropped = more + "\\x";
    const char* paths[] = {dropped.c_str()};
    ASSERT_EQ(StartAppendToOpenArchive(paths, 1, "sub"), 1);
    ASSERT_TRUE(PumpMessagesUntil([] { return GApp.busy.load() == 0; }, 60000));
    ArchiveContents a = ReadArchive(target);
    const ArchiveMember* m = a.Find("sub/x/y.txt");
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->data, "why");
    EXPECT_EQ(list.Rows(), rows + 1);
    EXPECT_EQ(ScriptedQuestionCount(), 1);
    RemoveFolderTree(more);
}

}  // namespace
