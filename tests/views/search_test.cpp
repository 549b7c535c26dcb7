// Search: the text rules (whole word, match case) on buffers and on data that arrives in
// pieces, the name search, the content search over a real archive with its found list, the Find
// dialog's requests and the refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>

#include "app/langtext.h"
#include "model/appstate.h"
#include "model/foldertree.h"
#include "model/list.h"
#include "model/liststruct.h"
#include "model/listview.h"
#include "model/search.h"
#include "support/testsupport.h"
#include "ui/promptscript.h"
#include "viewhost.h"

namespace {

struct TextCase {
    const char* buffer;
    const char* text;
    int matchCase;
    int wholeWord;
    long long at;
};

TEST(TextRules, WholeWordAndMatchCase)
{
    const TextCase cases[] = {
        {"write it to the log.", "log", 0, 1, 16},
        {"ends with log", "log", 0, 1, 10},
        {"the logfile is here", "log", 0, 1, -1},
        {"see the catalog now", "log", 0, 1, 12},  // the byte before a hit is not looked at
        {"log,log;log:log!", "log", 0, 1, 0},
        {"logs log\tx", "log", 0, 1, 5},
        {"log\r\n", "log", 0, 1, 0},
        {"Ends With LOG", "log", 0, 0, 10},
        {"Ends With LOG", "log", 1, 0, -1},
        {"Ends With LOG", "LOG", 1, 0, 10},
        {"abcabd", "abd", 0, 0, 3},
        {"short", "longer text", 0, 0, -1},
        {"", "x", 0, 0, -1},
        {"ababab.", "abab", 0, 1, -1},  // the search goes on from the hit's last byte
        {"abab.ab", "abab", 0, 1, 0},
        {"aaa.", "aa", 0, 1, 1},
    };
    for (const TextCase& c : cases) {
        EXPECT_EQ(FindTextInBuffer(c.buffer, std::strlen(c.buffer), c.text, c.matchCase, c.wholeWord), c.at)
            << "'" << c.text << "' in '" << c.buffer << "' case " << c.matchCase << " word " << c.wholeWord;
    }
    const char binary[] = "\0\0binary\0LOG\0tail";
    EXPECT_EQ(FindTextInBuffer(binary, sizeof binary - 1, "log", 0, 0), 9) << "NUL bytes do not end the text";
    EXPECT_EQ(FindTextInBuffer(binary, sizeof binary - 1, "log", 0, 1), -1) << "NUL is no word end";
    EXPECT_EQ(FindTextInBuffer("abc", 3, "", 0, 0), -1);
}

TEST(TextRules, PiecesFindWhatTheWholeBufferFinds)
{
    std::mt19937 random(5);
    const char* texts[] = {"log", "abab", "aa", "x", "needle"};
    const char alphabet[] = "abglo .x\nnedl";
    for (int round = 0; round < 400; round++) {
        std::string buffer;
        int length = (int)(random() % 60);
        for (int i = 0; i < length; i++) buffer.push_back(alphabet[random() % (sizeof alphabet - 1)]);
        for (const char* text : texts) {
            for (int flags = 0; flags < 4; flags++) {
                int mc = flags & 1, ww = (flags >> 1) & 1;
                bool whole = FindTextInBuffer(buffer.data(), buffer.size(), text, mc, ww) >= 0;
                TextScanner scanner;
                ASSERT_EQ(BeginTextScan(&scanner, text, mc, ww), 1);
                size_t at = 0;
                while (at < buffer.size()) {
                    size_t piece = 1 + random() % 7;
                    if (piece > buffer.size() - at) piece = buffer.size() - at;
                    FeedTextScan(&scanner, buffer.data() + at, piece);
                    at += piece;
                }
                EXPECT_EQ(FinishTextScan(&scanner) != 0, whole)
                    << "'" << text << "' in '" << buffer << "' case " << mc << " word " << ww;
            }
        }
    }
    TextScanner scanner;
    EXPECT_EQ(BeginTextScan(&scanner, "", 0, 0), 0);
    EXPECT_EQ(BeginTextScan(&scanner, std::string(300, 'x').c_str(), 0, 0), 0);
}

class Search : public testing::Test {
protected:
    void SetUp() override
    {
        BeginPromptScript();
        ASSERT_TRUE(CreateViewHost(&host));
    }
    void TearDown() override
    {
        DestroyViewHost(&host);
        EndPromptScript();
    }
    std::string Name(int row) { return row < 0 ? "(none)" : Cell(host.list, row, 7) + Cell(host.list, row, 0); }
    int Selected(HWND list) { return (int)SendMessageA(list, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_SELECTED); }
    ViewHost host;
};

TEST_F(Search, ContentSearchStepsThroughTheMatchingMembersInRowOrder)
{
    ASSERT_TRUE(OpenArchiveInViews(ViewFixture("search.zip")));
    GApp.hwndFocusView = host.list;
    struct Case { const char* text; int matchCase; int wholeWord; std::vector<std::string> hits; };
    const Case cases[] = {
        {"log", 0, 1, {"m2.txt", "m3.txt", "m5.txt", "sub\\deep.txt"}},
        {"log", 0, 0, {"m1.txt", "m2.txt", "m3.txt", "m5.txt", "m6.bin", "sub\\deep.txt"}},
        {"LOG", 1, 0, {"m6.bin"}},
        {"Log", 1, 1, {"m5.txt"}},
        {"needle", 0, 0, {"m7.txt"}},  // across the 64 KB pieces
        {"absent", 0, 0, {}},
    };
    for (const Case& c : cases) {
        InitializeSearchValues(c.text, 1);
        std::vector<std::string> found;
        for (int step = 0; step < 10; step++) {
            int row = HandleListSearchStep(host.list, c.text, c.matchCase, c.wholeWord);
            if (row < 0) break;
            found.push_back(Name(row));
            EXPECT_EQ(Selected(host.list), row) << c.text;
        }
        EXPECT_EQ(found, c.hits) << "'" << c.text << "' case " << c.matchCase << " word " << c.wholeWord;
        EXPECT_EQ(SearchValues.lastFound, -1) << "after the last match the next search starts at the top";
        EXPECT_EQ(GApp.busy.load(), 0);
    }
    // Every search ended with the not-found box, owned by the list.
    int boxes = ScriptedQuestionCount();
    ASSERT_EQ(boxes, 6);
    PromptQuestion question;
    GetScriptedQuestion(5, &question);
    EXPECT_EQ(question.owner, host.list);
    EXPECT_EQ(std::string(question.text), std::string("\"absent\" ") + GetGenericText(45));
}

TEST_F(Search, RememberedRowsAreSteppedAgainWithoutDecompressing)
{
    ASSERT_TRUE(OpenArchiveInViews(ViewFixture("search.zip")));
    GApp.hwndFocusView = host.list;
    InitializeSearchValues("log", 1);
    std::vector<int> first;
    for (int row; (row = HandleListSearchStep(host.list, "log", 0, 1)) >= 0;) first.push_back(row);
    ASSERT_EQ(first.size(), 4u);
    List* found = GApp.foundList;
    ASSERT_NE(found, nullptr);
    std::vector<int> remembered;
    for (ListNode* n = found->head; n; n = n->next) remembered.push_back(*(int*)n->data);
    EXPECT_EQ(remembered, first) << "the found list holds the matches in ascending order";
    int decompressed = SearchValues.foundMax;
    // A second round: the remembered rows again, no member opened.
    for (int i = 0; i < 3; i++) EXPECT_EQ(HandleListSearchStep(host.list, "log", 0, 1), first[i]);
    EXPECT_EQ(SearchValues.foundMax, decompressed);
    // Deleting a row before a match moves the remembered rows with the members.
    int before = first[1];
    std::string member = Name(first[3]);
    ASSERT_EQ(DeleteListRow(host.list, 0), 1);
    remembered.clear();
    for (ListNode* n = found->head; n; n = n->next) remembered.push_back(*(int*)n->data);
    EXPECT_EQ(remembered[1], before - 1);
    EXPECT_EQ(Name(remembered[3]), member);
}

TEST_F(Search, SortingMakesTheRememberedRowsStale)
{
    ASSERT_TRUE(OpenArchiveInViews(ViewFixture("search.zip")));
    GApp.hwndFocusView = host.list;
    InitializeSearchValues("log", 1);
    ASSERT_GE(HandleListSearchStep(host.list, "log", 0, 1), 0);
    ASSERT_GE(HandleListSearchStep(host.list, "log", 0, 1), 0);
    ASSERT_EQ(HandleListColumnClick(host.list, 0), 1);
    ASSERT_EQ(HandleListColumnClick(host.list, 0), 1);
    EXPECT_EQ(SearchValues.restart, 1);
    EXPECT_EQ(GApp.foundList ? GApp.foundList->count : 0, 0);
    // The search starts again from the new top: names descending, m5.txt is the first match.
    int row = HandleListSearchStep(host.list, "log", 0, 1);
    EXPECT_EQ(Name(row), "m5.txt");
}

TEST_F(Search, ContentSearchInTheFolderList)
{
    ASSERT_TRUE(OpenArchiveInViews(ViewFixture("search.zip")));
    ASSERT_TRUE(SelectFolder("sub"));
    GApp.hwndFocusView = host.tree;
    InitializeTreeListSearchValues("line", 1);
    int row = HandleListSearchStep(host.treeList, "line", 0, 0);
    ASSERT_GE(row, 0);
    EXPECT_EQ(Cell(host.treeList, row, 0), "deep.txt");
    EXPECT_EQ(TreeListSearchValues.lastFound, row);
    EXPECT_EQ(HandleSearchViewTreeList("line", 0, 0), -1) << "nothing after deep.txt";
}

TEST_F(Search, NameSearchFindsRowsThatBeginWithTheText)
{
    ASSERT_TRUE(OpenArchiveInViews(ViewFixture("search.zip")));
    GApp.hwndFocusView = host.list;
    InitializeSearchValues("rea", 1);
    std::vector<std::string> names;
    for (int step = 0; step < 5; step++) {
        int row = SearchNameStep(host.list, "REA");
        if (row < 0) break;
        names.push_back(Cell(host.list, row, 0));
        EXPECT_EQ(Selected(host.list), row);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"readme.txt", "real.txt", "reader.txt"}));
    EXPECT_EQ(ScriptedQuestionCount(), 1) << "then the not-found box";
}

TEST_F(Search, FindDialogRequestsDriveTheSearch)
{
    ASSERT_TRUE(OpenArchiveInViews(ViewFixture("search.zip")));
    GApp.hwndFocusView = host.list;
    ASSERT_EQ(FindReplace(nullptr, 1), 1);
    HWND dialog = GetFindDialogWindow();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(IsWindow(dialog));

    FINDREPLACEA request = {};
    request.lStructSize = sizeof request;
    char text[260] = "rea";
    request.lpstrFindWhat = text;
    request.Flags = FR_FINDNEXT | FR_DOWN;
    SendMessageA(host.main, GetFindMessageId(), 0, (LPARAM)&request);
    EXPECT_EQ(Cell(host.list, Selected(host.list), 0), "readme.txt");
    SendMessageA(host.main, GetFindMessageId(), 0, (LPARAM)&request);
    EXPECT_EQ(Cell(host.list, Selected(host.list), 0), "real.txt");
    // Changing only the match-case option starts again from the top.
    request.Flags |= FR_MATCHCASE;
    SendMessageA(host.main, GetFindMessageId(), 0, (LPARAM)&request);
    EXPECT_EQ(Cell(host.list, Selected(host.list), 0), "readme.txt");
    EXPECT_EQ(matchCase, 1);

    // The content form: a search thread selects the match.
    ASSERT_EQ(FindReplace("needle", 0), 1);
    EXPECT_EQ(nameSearch, 0);
    snprintf(text, sizeof text, "needle");
    request.Flags = FR_FINDNEXT | FR_DOWN;
    SendMessageA(host.main, GetFindMessageId(), 0, (LPARAM)&request);
    ASSERT_TRUE(WaitForViewsIdle());
    EXPECT_EQ(Cell(host.list, Selected(host.list), 0), "m7.txt");

    request.Flags = FR_DIALOGTERM;
    SendMessageA(host.main, GetFindMessageId(), 0, (LPARAM)&request);
    EXPECT_EQ(GetFindDialogWindow(), nullptr);
    DestroyWindow(dialog);
}

TEST_F(Search, FindIsRefusedForOtherFormatsEmptyListsAndWhileBusy)
{
    struct Case { int method; bool open; int message; };
    const Case cases[] = {{CM_TAR, true, 67}, {CM_ISO, true, 68}, {CM_RAR, true, 81}, {CM_ZIP, false, 48}};
    for (const Case& c : cases) {
        if (c.open) ASSERT_TRUE(OpenArchiveInViews(ViewFixture("search.zip")));
        else ClearViews();
        GApp.hwndFocusView = host.list;
        SetCompressionMethod(c.method);
        int asked = ScriptedQuestionCount();
        EXPECT_EQ(FindReplace("x", 1), 0) << "format " << c.method;
        EXPECT_EQ(GetFindDialogWindow(), nullptr) << "no dialog for format " << c.method;
        ASSERT_EQ(ScriptedQuestionCount(), asked + 1);
        PromptQuestion question;
        GetScriptedQuestion(asked, &question);
        EXPECT_STREQ(question.text, GetMessageText(c.message)) << "format " << c.method;
        EXPECT_EQ(question.type & MB_ICONINFORMATION, (UINT)MB_ICONINFORMATION);
    }
    ASSERT_TRUE(OpenArchiveInViews(ViewFixture("search.zip")));
    GApp.busy.store(1);
    int asked = ScriptedQuestionCount();
    EXPECT_EQ(FindReplace("x", 1), 0);
    EXPECT_EQ(ScriptedQuestionCount(), asked) << "busy: nothing at all";
    EXPECT_EQ(HandleSearchViewRows(host.list, -1, "log", 0, 0), -1) << "no content search while busy";
    GApp.busy.store(0);
}

TEST_F(Search, ContentSearchOfAnUnreadableArchiveFindsNothing)
{
    ASSERT_TRUE(OpenArchiveInViews(ViewFixture("search.zip")));
    snprintf(GApp.currentArchive, sizeof GApp.currentArchive, "%s", (MakeTempFolder("gone") + "\\gone.zip").c_str());
    EXPECT_EQ(HandleSearchViewRows(host.list, -1, "log", 0, 0), -1);
    EXPECT_EQ(GApp.busy.load(), 0);
}

}  // namespace
