#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "listhost.h"
#include "model/appstate.h"
#include "model/keys.h"
#include "model/liststruct.h"
#include "model/rbtree.h"
#include "support/testsupport.h"

namespace {

struct MethodScope {
    int saved;
    explicit MethodScope(int method) : saved(GCompressionMethod) { SetCompressionMethod(method); }
    ~MethodScope() { SetCompressionMethod(saved); }
};

std::vector<std::string> KeysOf(RBTree* tree)
{
    std::vector<std::string> keys;
    if (!tree) return keys;
    for (RBTreeNode* n = RBTreeFirst(tree); n && n != tree->nil; n = RBTreeSuccessor(tree, n))
        keys.push_back((const char*)n->key);
    return keys;
}

}  // namespace

TEST(Keys, RowKeyFromColumnTexts)
{
    struct Case { const char* what; const char* cols[8]; char sep; const char* key; };
    const Case cases[] = {
        {"top-level member", {"a.txt", "", "0", "0", " 0%", "05.11.2023 13:07", "Text", ""}, '\\',
         "  0*a.txt**0*0* 0%*05.11.2023 13:07*Text"},
        {"zip member", {"a.png", "", "950", "1000", " 5%", "D", "PNG", "docs\\img\\"}, '\\',
         "  2*docs\\img\\a.png**950*1000* 5%*D*PNG"},
        {"tar member", {"f.txt", "", "1", "2", "50%", "D", "T", "dir/sub/"}, '/', "  2*dir/sub/f.txt**1*2*50%*D*T"},
        {"tar path with zip separator", {"f.txt", "", "1", "2", "50%", "D", "T", "dir/sub/"}, '\\',
         "  0*dir/sub/f.txt**1*2*50%*D*T"},
        {"leading separator not counted", {"x", "e", "1", "2", "3", "4", "5", "\\docs\\"}, '\\',
         "  1*\\docs\\x*e*1*2*3*4*5"},
    };
    for (const Case& c : cases) {
        char key[260];
        ASSERT_EQ(RowKey(key, sizeof key, c.cols, c.sep), 1) << c.what;
        EXPECT_STREQ(key, c.key) << c.what;
        char member[260];
        MemberString(member, sizeof member, c.cols);
        EXPECT_STREQ(member, std::strchr(c.key, '*') + 1) << c.what << ": member string is the key after its depth";
    }
}

TEST(Keys, FolderAndPathKeys)
{
    struct FolderCase { int level; const char* path; const char* key; };
    const FolderCase folders[] = {{0, "docs", "  0*docs"}, {1, "docs\\img", "  1*docs\\img"},
                                  {12, "a", " 12*a"}, {123, "b", "123*b"}};
    for (const FolderCase& c : folders) {
        char key[260];
        FolderKey(key, sizeof key, c.level, c.path);
        EXPECT_STREQ(key, c.key);
    }

    struct PathCase { const char* text; char sep; int depth; const char* key; };
    const PathCase paths[] = {
        {"docs\\img\\a.png**950*1000* 5%*D*PNG", '\\', 2, "  2*docs\\img\\a.png**950*1000* 5%*D*PNG"},
        {"docs\\img\\", '\\', 1, "  1*docs\\img\\"},
        {"docs\\", '\\', 0, "  0*docs\\"},
        {"a.txt**0*0* 0%*D*T", '\\', 0, "  0*a.txt**0*0* 0%*D*T"},
        {"a\\\\b\\", '\\', 1, "  1*a\\\\b\\"},                 // empty components do not count
        {"dir/f.txt**1*2*50%*1/2/2024 10:00*T", '/', 1,     // a date with '/' is not a level
         "  1*dir/f.txt**1*2*50%*1/2/2024 10:00*T"},
        {"", '\\', -1, ""},
        {"\\", '\\', -1, ""},
    };
    for (const PathCase& c : paths) {
        char key[260] = "unchanged";
        EXPECT_EQ(PathKey(key, sizeof key, c.text, c.sep), c.depth) << c.text;
        EXPECT_STREQ(key, c.key) << c.text;
    }
}

TEST(Keys, LongTextsAreCutTo259)
{
    std::string longName = std::string(1000, 'n');
    std::string longPath = std::string(1000, 'p') + "\\";
    const char* cols[8] = {longName.c_str(), "", "1", "2", "3", "4", "5", longPath.c_str()};
    char key[260];
    RowKey(key, sizeof key, cols, '\\');
    EXPECT_EQ(std::strlen(key), 259u);
    EXPECT_EQ(std::string(key, 4), "  1*");
    MemberString(key, sizeof key, cols);
    EXPECT_EQ(std::strlen(key), 259u);
    FolderKey(key, sizeof key, 0, longPath.c_str());
    EXPECT_EQ(std::strlen(key), 259u);
    EXPECT_EQ(PathKey(key, sizeof key, longPath.c_str(), '\\'), 0);
    EXPECT_EQ(std::strlen(key), 259u);
}

// ---------------------------------------------------------------------------------------------
// Keys read from a real list and the rebuild of the five trees

namespace {

class KeyTrees : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(CreateListHost(&host));
        savedMethod = GCompressionMethod;
    }
    void TearDown() override
    {
        DestroyKeyTrees();
        DestroyListHost(&host);
        SetCompressionMethod(savedMethod);
    }
    void AddRow(const char* name, const char* date, const char* type, const char* path)
    {
        const char* texts[8] = {name, "", "10", "20", "50%", date, type, path};
        ASSERT_GE(AppendRawRow(host.list, texts), 0);
    }
    ListHost host;
    int savedMethod = CM_NONE;
};

}  // namespace

TEST_F(KeyTrees, GetValuesFromListGivesTheRowKey)
{
    SetCompressionMethod(CM_ZIP);
    const ListRowTime time = {0, 7, 13, 5, 10, 2023};
    ASSERT_EQ(InsertListRow(host.list, &time, "a.png", "docs\\img\\a.png", nullptr, 950, 1000), 0);
    char key[260];
    ASSERT_EQ(GetValuesFromList(host.list, key, sizeof key, 0), 1);
    std::string expected = "  2*docs\\img\\a.png**950*1000* 5%*" + CellText(host.list, 0, 5) + "*" +
                           CellText(host.list, 0, 6);
    EXPECT_EQ(std::string(key), expected);

    snprintf(key, sizeof key, "unchanged");
    EXPECT_EQ(GetValuesFromList(host.list, key, sizeof key, 1), 0) << "no such row";
    EXPECT_STREQ(key, "");
    EXPECT_EQ(GetValuesFromList(host.list, key, sizeof key, -1), 0);
    ClearList(host.list);
}

TEST_F(KeyTrees, RebuildFillsTheFiveTreesOfAZipList)
{
    SetCompressionMethod(CM_ZIP);
    AddRow("readme.txt", "D1", "Text", "");
    AddRow("a.txt", "D2", "Text", "docs\\");
    AddRow("b.png", "D3", "PNG", "docs\\img\\");
    AddRow("c.png", "D4", "PNG", "docs\\img\\");
    AddRow("main.c", "D5", "C", "src\\");

    KeyTreeRebuildTimes times = {};
    EXPECT_EQ(RebuildKeyTreesFromList(host.list, &times), 5);

    EXPECT_EQ(KeysOf(TVRBTreePaths), (std::vector<std::string>{"", "docs\\", "docs\\img\\", "src\\"}));
    EXPECT_EQ(KeysOf(TVRBTreeMembers), (std::vector<std::string>{
                                           "",
                                           "docs\\",
                                           "docs\\a.txt**10*20*50%*D2*Text",
                                           "docs\\img\\",
                                           "docs\\img\\b.png**10*20*50%*D3*PNG",
                                           "docs\\img\\c.png**10*20*50%*D4*PNG",
                                           "readme.txt**10*20*50%*D1*Text",
                                           "src\\",
                                           "src\\main.c**10*20*50%*D5*C",
                                       }));
    EXPECT_EQ(KeysOf(TVRBTreeFolder), (std::vector<std::string>{"  0*docs", "  0*src", "  1*docs\\img"}));
    EXPECT_EQ(KeysOf(TVRBTreeDataReady), (std::vector<std::string>{
                                             "  0*docs\\",
                                             "  0*readme.txt**10*20*50%*D1*Text",
                                             "  0*src\\",
                                             "  1*docs\\a.txt**10*20*50%*D2*Text",
                                             "  1*docs\\img\\",
                                             "  1*src\\main.c**10*20*50%*D5*C",
                                             "  2*docs\\img\\b.png**10*20*50%*D3*PNG",
                                             "  2*docs\\img\\c.png**10*20*50%*D4*PNG",
                                         }));
    ASSERT_NE(TVRBTreeCombo, nullptr);
    EXPECT_EQ(TVRBTreeCombo->count, 0) << "the combo set is filled with the combo";

    for (int stage = 2; stage <= 4; stage++)
        EXPECT_GE(times.ms[stage], times.ms[stage - 1]) << "times add up, stage " << stage;
}

TEST_F(KeyTrees, RebuildOfATarListUsesSlashes)
{
    SetCompressionMethod(CM_TAR);
    AddRow("f.txt", "1/2/2024 10:00", "Text", "dir/sub/");
    AddRow("g.txt", "1/2/2024 10:00", "Text", "dir/");
    EXPECT_EQ(RebuildKeyTreesFromList(host.list, nullptr), 2);
    EXPECT_EQ(KeysOf(TVRBTreeFolder), (std::vector<std::string>{"  0*dir", "  1*dir/sub"}));
    EXPECT_EQ(KeysOf(TVRBTreeDataReady), (std::vector<std::string>{
                                             "  0*dir/",
                                             "  1*dir/g.txt**10*20*50%*1/2/2024 10:00*Text",
                                             "  1*dir/sub/",
                                             "  2*dir/sub/f.txt**10*20*50%*1/2/2024 10:00*Text",
                                         }));
}

TEST_F(KeyTrees, RebuildReplacesTheOldTrees)
{
    SetCompressionMethod(CM_ZIP);
    AddRow("a.txt", "D", "T", "x\\");
    RebuildKeyTreesFromList(host.list, nullptr);
    ListView_DeleteAllItems(host.list);
    AddRow("b.txt", "D", "T", "y\\");
    EXPECT_EQ(RebuildKeyTreesFromList(host.list, nullptr), 1);
    EXPECT_EQ(KeysOf(TVRBTreePaths), (std::vector<std::string>{"y\\"}));
    EXPECT_EQ(KeysOf(TVRBTreeFolder), (std::vector<std::string>{"  0*y"}));

    ListView_DeleteAllItems(host.list);
    EXPECT_EQ(RebuildKeyTreesFromList(host.list, nullptr), 0);
    for (RBTree* tree : {TVRBTreeFolder, TVRBTreeMembers, TVRBTreePaths, TVRBTreeDataReady, TVRBTreeCombo}) {
        ASSERT_NE(tree, nullptr);
        EXPECT_EQ(tree->count, 0);
    }
    EXPECT_EQ(DestroyKeyTrees(), 5);
    EXPECT_EQ(TVRBTreeDataReady, nullptr);
    EXPECT_EQ(DestroyKeyTrees(), 0);
}

TEST_F(KeyTrees, RebuildFromAWorkerReadsEveryRowAcrossChunks)
{
    SetCompressionMethod(CM_ZIP);
    const int kRows = 5000;  // more than one chunk of rows per message
    SendMessageA(host.list, WM_SETREDRAW, FALSE, 0);
    for (int i = 0; i < kRows; i++) {
        char name[32], path[16];
        snprintf(name, sizeof name, "f%05d.txt", i);
        snprintf(path, sizeof path, "d%d\\", i % 3);
        AddRow(name, "D", "T", path);
    }
    SendMessageA(host.list, WM_SETREDRAW, TRUE, 0);
    std::atomic<int> rows{-2};
    std::thread worker([&] { rows = RebuildKeyTreesFromList(host.list, nullptr); });
    ASSERT_TRUE(PumpMessagesUntil([&] { return rows.load() != -2; }, 120000));
    worker.join();
    EXPECT_EQ(rows.load(), kRows);
    EXPECT_EQ(TVRBTreeMembers->count, kRows + 3);
    EXPECT_EQ(TVRBTreeDataReady->count, kRows + 3);
    EXPECT_EQ(KeysOf(TVRBTreeFolder), (std::vector<std::string>{"  0*d0", "  0*d1", "  0*d2"}));
    std::vector<std::string> ready = KeysOf(TVRBTreeDataReady);
    EXPECT_EQ(ready.back(), "  1*d2\\f04997.txt**10*20*50%*D*T");
}

TEST_F(KeyTrees, ThousandCharacterNamesInTheRebuild)
{
    SetCompressionMethod(CM_ZIP);
    std::string name = std::string(1000, 'n');
    std::string path = std::string(300, 'a') + "\\" + std::string(300, 'b') + "\\";
    AddRow(name.c_str(), "D", "T", path.c_str());
    EXPECT_EQ(RebuildKeyTreesFromList(host.list, nullptr), 1);
    for (RBTree* tree : {TVRBTreeFolder, TVRBTreeMembers, TVRBTreePaths, TVRBTreeDataReady})
        for (const std::string& key : KeysOf(tree)) EXPECT_LE(key.size(), 259u);
    // The path column holds 259 characters: one separator in it, one folder level.
    EXPECT_EQ(KeysOf(TVRBTreeFolder), (std::vector<std::string>{"  0*" + std::string(255, 'a')}));
    char key[260];
    EXPECT_EQ(GetValuesFromList(host.list, key, sizeof key, 0), 1);
    EXPECT_EQ(std::strlen(key), 259u);
}

TEST_F(KeyTrees, ZipAndTarMembersCountTheirOwnSeparator)
{
    // The zip listing turns "dir/sub/f.txt" into "dir\sub\f.txt" before the row is built; the tar
    // listing keeps the slashes.
    struct Case { int method; const char* display; const char* full; const char* path; const char* keyStart; };
    const Case cases[] = {
        {CM_ZIP, "f.txt", "dir\\sub\\f.txt", "dir\\sub\\", "  2*dir\\sub\\f.txt*"},
        {CM_TAR, "f.txt", "dir/sub/f.txt", "dir/sub/", "  2*dir/sub/f.txt*"},
        {CM_ZIP, "dir/sub/f.txt", "dir/sub/f.txt", "", "  0*dir/sub/f.txt*"},  // slashes are no zip separator
        {CM_ZIP, "a.txt", "a.txt", "", "  0*a.txt*"},
        {CM_TAR, "a.txt", "a.txt", "", "  0*a.txt*"},
    };
    const ListRowTime time = {0, 7, 13, 5, 10, 2023};
    for (const Case& c : cases) {
        SetCompressionMethod(c.method);
        int row = InsertListRow(host.list, &time, c.display, c.full, nullptr, 1, 2);
        ASSERT_GE(row, 0) << c.full;
        EXPECT_EQ(CellText(host.list, row, 7), c.path) << c.full;
        char key[260];
        ASSERT_EQ(GetValuesFromList(host.list, key, sizeof key, row), 1);
        EXPECT_EQ(std::string(key).rfind(c.keyStart, 0), 0u) << "method " << c.method << ": " << key;
    }
    ClearList(host.list);
}

TEST_F(KeyTrees, StageTimesAreLoggedAtLevelSix)
{
    KeyTreeRebuildTimes times = {};
    for (int stage = 0; stage < 7; stage++) times.ms[stage] = stage * 10;
    int saved = GApp.verbose;
    GApp.verbose = 7;
    testing::internal::CaptureStdout();
    LogRebuildTimes(&times);
    std::string printed = testing::internal::GetCapturedStdout();
    GApp.verbose = 6;
    testing::internal::CaptureStdout();
    LogRebuildTimes(&times);
    std::string quiet = testing::internal::GetCapturedStdout();
    GApp.verbose = saved;
    EXPECT_NE(printed.find("time measure 0 10 20 30 40 50 60"), std::string::npos) << printed;
    EXPECT_EQ(quiet, "");
}

TEST(AppState, GetViewListFollowsTheFocusedView)
{
    HWND list = (HWND)1, treeList = (HWND)2, tree = (HWND)3;
    HWND savedViews[4] = {GApp.hwndList, GApp.hwndTreeList, GApp.hwndTree, GApp.hwndFocusView};
    GApp.hwndList = list;
    GApp.hwndTreeList = treeList;
    GApp.hwndTree = tree;
    struct Case { HWND focus; HWND expected; };
    const Case cases[] = {{tree, treeList}, {list, list}, {treeList, list}, {nullptr, list}};
    for (const Case& c : cases) {
        GApp.hwndFocusView = c.focus;
        EXPECT_EQ(GetViewList(), c.expected) << "focus " << (intptr_t)c.focus;
    }
    GApp.hwndList = savedViews[0];
    GApp.hwndTreeList = savedViews[1];
    GApp.hwndTree = savedViews[2];
    GApp.hwndFocusView = savedViews[3];
}
