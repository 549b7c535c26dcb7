// The folder view hosted in a test window: the tree and the combo of a nested archive, folder
// changes into TreeList (also parked and retried), emptied folders, moving, deleting and
// renaming folders in the archive and the views, clearing the views.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>

#include "model/appstate.h"
#include "model/foldertree.h"
#include "model/keys.h"
#include "model/liststruct.h"
#include "model/listview.h"
#include "model/rbtree.h"
#include "model/search.h"
#include "support/testsupport.h"
#include "ui/promptscript.h"
#include "viewhost.h"

namespace {

class FolderView : public testing::Test {
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
    ViewHost host;
};

std::vector<std::string> Sorted(std::vector<std::string> v)
{
    std::sort(v.begin(), v.end());
    return v;
}

std::string Joined(const std::vector<std::string>& v)
{
    std::string s;
    for (const std::string& x : v) s += "[" + x + "]";
    return s;
}

TEST_F(FolderView, TreeAndComboHoldEveryFolderOfTheArchive)
{
    ASSERT_TRUE(OpenArchiveInViews(ViewFixture("nested.zip")));
    HTREEITEM root = TreeView_GetRoot(host.tree);
    ASSERT_NE(root, nullptr);
    char label[260] = "";
    TVITEMA item = {};
    item.mask = TVIF_TEXT;
    item.hItem = root;
    item.pszText = label;
    item.cchTextMax = sizeof label;
    SendMessageA(host.tree, TVM_GETITEMA, 0, (LPARAM)&item);
    EXPECT_STREQ(label, "nested.zip");
    const std::vector<std::string> folders = {"a", "a\\b", "a\\b\\c", "docs", "docs\\img"};
    EXPECT_EQ(Sorted(TreePaths()), folders) << Joined(TreePaths()) << " (a directory entry alone makes no folder)";
    EXPECT_EQ(ComboEntries(), folders) << "the combo lists the paths in string order";
    EXPECT_EQ(TreeView_GetSelection(host.tree), root) << "the root is selected after the rebuild";
}

struct FolderCase {
    const char* folder;
    std::vector<std::string> files;
};

TEST_F(FolderView, SelectingAFolderListsItsOwnFilesOnly)
{
    ASSERT_TRUE(OpenArchiveInViews(ViewFixture("nested.zip")));
    std::vector<ExpectedRow> expected = LoadExpectedRows("nested.zip");
    const FolderCase cases[] = {
        {"", {"readme.txt", "top.txt"}},
        {"a", {"z.txt"}},
        {"a\\b", {"x.txt"}},
        {"a\\b\\c", {"y.txt"}},
        {"docs", {"readme.md"}},
        {"docs\\img", {"big.bin", "p.png"}},
    };
    GApp.hwndFocusView = host.tree;
    for (const FolderCase& c : cases) {
        ASSERT_TRUE(SelectFolder(c.folder)) << c.folder;
        EXPECT_EQ(Sorted(ColumnTexts(host.treeList, 0)), c.files) << "folder '" << c.folder << "'";
        int64_t compressed = 0, size = 0;
        std::string prefix = std::string(c.folder) + (*c.folder ? "\\" : "");
        for (const ExpectedRow& e : expected) {
            std::string full = e.name;
            std::replace(full.begin(), full.end(), '/', '\\');
            if (full.compare(0, prefix.size(), prefix) == 0 && full.find('\\', prefix.size()) == std::string::npos) {
                compressed += e.compressed;
                size += e.size;
            }
        }
        EXPECT_EQ(GApp.treeListTotals.rows, (int64_t)c.files.size()) << c.folder;
        EXPECT_EQ(GApp.treeListTotals.compressed, compressed) << c.folder;
        EXPECT_EQ(GApp.treeListTotals.uncompressed, size) << c.folder;
        char items[260], sizes[260];
        FormatTotalsTexts(0, (int64_t)c.files.size(), compressed, size, items, sizeof items, sizes, sizeof sizes);
        EXPECT_EQ(StatusText(0), items) << c.folder;
        EXPECT_EQ(StatusText(2), sizes) << c.folder;
        // Rows of TreeList are the rows of LIST, text for text.
        for (int row = 0; row < Rows(host.treeList); row++) {
            std::string full = Cell(host.treeList, row, 7) + Cell(host.treeList, row, 0);
            int twin = -1;
            for (int r = 0; r < Rows(host.list); r++)
                if (Cell(host.list, r, 7) + Cell(host.list, r, 0) == full) twin = r;
            ASSERT_GE(twin, 0) << full;
            for (int column = 0; column < 8; column++)
                EXPECT_EQ(Cell(host.treeList, row, column), Cell(host.list, twin, column)) << full << " column " << column;
        }
        if (Rows(host.treeList) > 0) {
            int selected = (int)SendMessageA(host.treeList, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_SELECTED);
            int focused = (int)SendMessageA(host.treeList, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_FOCUSED);
            EXPECT_EQ(selected, -1) << "no row is selected that the user did not choose";
            EXPECT_EQ(focused, 0) << "the first row has the focus";
        }
    }
}

TEST_F(FolderView, ChoosingAPathInTheComboSelectsItsFolder)
{
    ASSERT_TRUE(OpenArchiveInViews(ViewFixture("nested.zip")));
    std::vector<std::string> entries = ComboEntries();
    int index = (int)(std::find(entries.begin(), entries.end(), "docs\\img") - entries.begin());
    ASSERT_LT(index, (int)entries.size());
    SendMessageA(host.combo, CB_SETCURSEL, index, 0);
    HWND inner = (HWND)SendMessageA(host.combo, CBEM_GETCOMBOCONTROL, 0, 0);
    SendMessageA(host.combo, WM_COMMAND, MAKEWPARAM(0, CBN_SELENDOK), (LPARAM)inner);
    ASSERT_TRUE(WaitForViewsIdle());
    EXPECT_EQ(TreeView_GetSelection(host.tree), FindTreeItemString(host.tree, "docs\\img"));
    EXPECT_EQ(Sorted(ColumnTexts(host.treeList, 0)), (std::vector<std::string>{"big.bin", "p.png"}));
}

TEST_F(FolderView, AChangeWhileAnotherRunsIsRetriedForTheFolderSelectedLast)
{
    ASSERT_TRUE(OpenArchiveInViews(ViewFixture("nested.zip")));
    // A change is running: the next selections park and wait for timer 4321.
    GApp.TVNSem.store(1);
    TreeView_SelectItem(host.tree, FindTreeItemString(host.tree, "a"));
    EXPECT_NE(GApp.tvncached[0], '\0');
    TreeView_SelectItem(host.tree, FindTreeItemString(host.tree, "docs\\img"));
    const std::vector<std::string> root = {"readme.txt", "top.txt"};
    EXPECT_EQ(Sorted(ColumnTexts(host.treeList, 0)), root) << "a parked change leaves TreeList alone";
    PumpMessagesFor(450);
    EXPECT_EQ(Sorted(ColumnTexts(host.treeList, 0)), root) << "still parked while the change runs";
    GApp.TVNSem.store(0);
    ASSERT_TRUE(WaitForViewsIdle());
    EXPECT_EQ(Sorted(ColumnTexts(host.treeList, 0)), (std::vector<std::string>{"big.bin", "p.png"}));
    EXPECT_EQ(GApp.TVNSem.load(), 0);
    EXPECT_EQ(GApp.busy.load(), 0);
}

TEST_F(FolderView, AFolderChangeWaitsForABusyProgram)
{
    ASSERT_TRUE(OpenArchiveInViews(ViewFixture("nested.zip")));
    GApp.busy.store(1);
    TreeView_SelectItem(host.tree, FindTreeItemString(host.tree, "a\\b"));
    PumpMessagesFor(300);
    // The operation holding busy may be reading TreeList's rows: they stay until it ends.
    EXPECT_EQ(Sorted(ColumnTexts(host.treeList, 0)), (std::vector<std::string>{"readme.txt", "top.txt"}));
    EXPECT_EQ(GApp.TVNSem.load(), 0) << "the change did not start";
    GApp.busy.store(0);
    ASSERT_TRUE(WaitForViewsIdle());
    EXPECT_EQ(ColumnTexts(host.treeList, 0), std::vector<std::string>{"x.txt"});
}

TEST_F(FolderView, WithoutReadyKeysTheFolderShowsNothing)
{
    ASSERT_TRUE(OpenArchiveInViews(ViewFixture("nested.zip")));
    RBTreeDestroy(&TVRBTreeDataReady);
    TVRBTreeDataReady = RBTreeCreateStrings();
    ASSERT_TRUE(SelectFolder("a"));
    EXPECT_EQ(Rows(host.treeList), 0);
    EXPECT_EQ(GApp.treeListTotals.rows, 0);
    char items[260], sizes[260];
    FormatTotalsTexts(0, 0, 0, 0, items, sizeof items, sizes, sizeof sizes);
    EXPECT_EQ(StatusText(2), sizes);
}

TEST_F(FolderView, TreeListRowsComeFromReadyKeys)
{
    ASSERT_TRUE(OpenArchiveInViews(ViewFixture("nested.zip")));
    ClearList(host.treeList);
    GApp.treeListTotals = ArchiveTotals{0, 0, 0};
    char key[260];
    int row = -1;
    for (int r = 0; r < Rows(host.list); r++)
        if (Cell(host.list, r, 0) == "y.txt") row = r;
    ASSERT_GE(row, 0);
    GetValuesFromList(host.list, key, sizeof key, row);
    EXPECT_EQ(InsertIntoTreeList(key), 1);
    EXPECT_EQ(InsertIntoTreeList("  2*a\\b\\c\\"), 0) << "a sub-folder key adds no row";
    ASSERT_EQ(Rows(host.treeList), 1);
    for (int column = 0; column < 8; column++) EXPECT_EQ(Cell(host.treeList, 0, column), Cell(host.list, row, column));
    EXPECT_EQ(GApp.treeListTotals.rows, 1);
    EXPECT_EQ(GApp.treeListTotals.uncompressed, 12000);
}

TEST_F(FolderView, FolderPathsAndKeysOfItems)
{
    ASSERT_TRUE(OpenArchiveInViews(ViewFixture("nested.zip")));
    struct Case { const char* folder; int asKey; int parentLevel; const char* out; int levels; };
    const Case cases[] = {
        {"", 0, 0, "", 0},           {"", 1, 0, "  0*", 0},
        {"a", 0, 0, "a\\", 1},       {"a", 1, 0, "  1*a\\", 1},       {"a", 1, 1, "  0*a\\", 1},
        {"a\\b\\c", 0, 0, "a\\b\\c\\", 3}, {"a\\b\\c", 1, 0, "  3*a\\b\\c\\", 3}, {"a\\b\\c", 1, 1, "  2*a\\b\\c\\", 3},
    };
    for (const Case& c : cases) {
        HTREEITEM item = FindTreeItemString(host.tree, c.folder);
        ASSERT_NE(item, nullptr) << c.folder;
        char out[260];
        EXPECT_EQ(TreeViewGetPath(item, out, sizeof out, c.asKey, c.parentLevel), c.levels) << c.folder;
        EXPECT_STREQ(out, c.out) << c.folder << " " << c.asKey << c.parentLevel;
    }
    EXPECT_EQ(FindTreeItemString(host.tree, "a\\nothing"), nullptr);
    EXPECT_EQ(InsertRBTreeFolderIntoTree(TreeView_GetRoot(host.tree), " -1*x"), nullptr);
    HTREEITEM added = InsertRBTreeFolderIntoTree(TreeView_GetRoot(host.tree), "  2*a\\b\\new");
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(FindTreeItemString(host.tree, "a\\b\\new"), added);
    EXPECT_EQ(InsertRBTreeFolderIntoTree(TreeView_GetRoot(host.tree), "  2*a\\b\\new"), added) << "added once";
}

// ---------------------------------------------------------------------------------------------
// Emptied folders

TEST_F(FolderView, FoldersThatLostTheirFilesLeaveTreeAndCombo)
{
    ASSERT_TRUE(OpenArchiveInViews(ViewFixture("nested.zip")));
    // The only file of a\b\c goes: c goes. a\b keeps x.txt.
    for (int r = 0; r < Rows(host.list); r++) {
        if (Cell(host.list, r, 0) != "y.txt") continue;
        char key[260];
        GetValuesFromList(host.list, key, sizeof key, r);
        RBTreeDelete(TVRBTreeDataReady, RBTreeSearch(TVRBTreeDataReady, key));
    }
    HTREEITEM root = TreeView_GetRoot(host.tree);
    EXPECT_EQ(TreeDeleteEmpty(host.tree, TreeView_GetChild(host.tree, root), 1), 1);
    EXPECT_EQ(Sorted(TreePaths()), (std::vector<std::string>{"a", "a\\b", "docs", "docs\\img"}));
    EXPECT_EQ(ComboEntries(), (std::vector<std::string>{"a", "a\\b", "docs", "docs\\img"}));

    // docs\img loses both files and docs its readme: both go, the parent after the child.
    for (int r = 0; r < Rows(host.list); r++) {
        if (Cell(host.list, r, 7).compare(0, 5, "docs\\") != 0) continue;
        char key[260];
        GetValuesFromList(host.list, key, sizeof key, r);
        RBTreeDelete(TVRBTreeDataReady, RBTreeSearch(TVRBTreeDataReady, key));
    }
    EXPECT_EQ(TreeDeleteEmpty(host.tree, TreeView_GetChild(host.tree, root), 1), 2);
    EXPECT_EQ(Sorted(TreePaths()), (std::vector<std::string>{"a", "a\\b"}));
    EXPECT_EQ(ComboEntries(), (std::vector<std::string>{"a", "a\\b"}));
    EXPECT_EQ(TreeView_GetRoot(host.tree), root) << "the root stays";
}

// ---------------------------------------------------------------------------------------------
// Exchanged keys and renamed paths

TEST(FolderKeys, ExchangedKeysPutTheMovedFolderBelowTheTarget)
{
    SetCompressionMethod(CM_ZIP);
    struct Case { const char* member; const char* folder; const char* target; const char* out; };
    const Case cases[] = {
        {"  2*a\\b\\x.txt**19*17* 0%*d*t", "  1*a\\b\\", "  1*docs\\", "  2*docs\\b\\x.txt**19*17* 0%*d*t"},
        {"  3*a\\b\\c\\y.txt**1*2*3*d*t", "  1*a\\b\\", "  2*docs\\img\\", "  4*docs\\img\\b\\c\\y.txt**1*2*3*d*t"},
        {"  2*a\\b\\c\\", "  1*a\\b\\", "  1*docs\\", "  2*docs\\b\\c\\"},  // a folder's own key
        {"  1*a\\z.txt*x", "  0*a\\", "  1*docs\\", "  2*docs\\a\\z.txt*x"},  // a top-level folder
        {"  2*a\\b\\x.txt*x", "  1*a\\b\\", "  0*", "  1*b\\x.txt*x"},        // to the root
    };
    for (const Case& c : cases) {
        char out[260];
        EXPECT_EQ(ExchangeUpdateTreeViewDragOrDeleteString(c.member, c.folder, c.target, out, sizeof out), 1) << c.member;
        EXPECT_STREQ(out, c.out) << c.member;
    }
    char out[260];
    EXPECT_EQ(ExchangeUpdateTreeViewDragOrDeleteString("  0*q\\f.txt*x", "  1*a\\b\\", "  0*", out, sizeof out), 0)
        << "not below the moved folder's parent";
    SetCompressionMethod(CM_NONE);
}

TEST(FolderKeys, RenamedPathsReplaceTheFolderPart)
{
    SetCompressionMethod(CM_ZIP);
    struct Case { const char* member; const char* oldPath; const char* newPath; int ok; const char* out; };
    const Case cases[] = {
        {"a\\b\\x.txt", "a\\b", "a\\bee", 1, "a\\bee\\x.txt"},
        {"a\\b\\c\\", "a\\b", "a\\bee", 1, "a\\bee\\c\\"},
        {"a\\bc\\x.txt", "a\\b", "a\\bee", 0, ""},
        {"a\\b", "a\\b", "a\\bee", 0, ""},
    };
    for (const Case& c : cases) {
        char out[260];
        EXPECT_EQ(RenamePath(c.member, c.oldPath, c.newPath, out, sizeof out), c.ok) << c.member;
        EXPECT_STREQ(out, c.out) << c.member;
    }
    SetCompressionMethod(CM_NONE);
}

// ---------------------------------------------------------------------------------------------
// Moving, deleting, renaming folders in the archive

bool Has(const std::vector<std::string>& v, const std::string& x)
{
    return std::find(v.begin(), v.end(), x) != v.end();
}

TEST_F(FolderView, MovingAFolderMovesItsMembersInArchiveAndViews)
{
    std::string archive = CopyViewFixture("nested.zip");
    ASSERT_TRUE(OpenArchiveInViews(archive));
    SetFolderWorkSynchronous(1);
    ScriptPromptAnswer(PROMPT_KIND_MESSAGE_BOX, IDOK, nullptr);
    HTREEITEM folder = FindTreeItemString(host.tree, "a\\b");
    HTREEITEM target = FindTreeItemString(host.tree, "docs");
    ASSERT_EQ(UpdateTreeViewDragOrDelete(folder, target, 0), 1);
    PromptQuestion question;
    ASSERT_EQ(GetScriptedQuestion(0, &question), 1);
    EXPECT_EQ(question.type & (MB_OKCANCEL | MB_ICONQUESTION), (UINT)(MB_OKCANCEL | MB_ICONQUESTION));
    EXPECT_STREQ(question.caption, "Kelvora");
    EXPECT_NE(std::strstr(question.text, " 4 "), nullptr) << question.text << " (two files, two folder keys)";

    std::vector<std::string> names = ArchiveEntryNames(archive);
    EXPECT_TRUE(Has(names, "docs/b/x.txt")) << Joined(names);
    EXPECT_TRUE(Has(names, "docs/b/c/y.txt")) << Joined(names);
    EXPECT_FALSE(Has(names, "a/b/x.txt"));
    EXPECT_TRUE(Has(names, "a/z.txt"));
    std::vector<std::string> rows = FullNames(host.list);
    EXPECT_TRUE(Has(rows, "docs\\b\\x.txt")) << Joined(rows);
    EXPECT_TRUE(Has(rows, "docs\\b\\c\\y.txt"));
    EXPECT_FALSE(Has(rows, "a\\b\\x.txt"));
    const std::vector<std::string> folders = {"a", "docs", "docs\\b", "docs\\b\\c", "docs\\img"};
    EXPECT_EQ(Sorted(TreePaths()), folders) << Joined(TreePaths());
    EXPECT_EQ(ComboEntries(), folders);
    ASSERT_TRUE(SelectFolder("docs\\b"));
    EXPECT_EQ(ColumnTexts(host.treeList, 0), std::vector<std::string>{"x.txt"});
    ASSERT_TRUE(SelectFolder("docs\\b\\c"));
    EXPECT_EQ(ColumnTexts(host.treeList, 0), std::vector<std::string>{"y.txt"});
    ASSERT_TRUE(SelectFolder("a"));
    EXPECT_EQ(ColumnTexts(host.treeList, 0), std::vector<std::string>{"z.txt"});
}

TEST_F(FolderView, MovingTheOnlyFolderOfAParentRemovesTheParent)
{
    std::string archive = CopyViewFixture("nested.zip");
    ASSERT_TRUE(OpenArchiveInViews(archive));
    SetFolderWorkSynchronous(1);
    ScriptPromptAnswer(PROMPT_KIND_MESSAGE_BOX, IDOK, nullptr);
    // docs\img moves to the root; docs keeps readme.md.
    ASSERT_EQ(UpdateTreeViewDragOrDelete(FindTreeItemString(host.tree, "docs\\img"), TreeView_GetRoot(host.tree), 0), 1);
    std::vector<std::string> names = ArchiveEntryNames(archive);
    EXPECT_TRUE(Has(names, "img/p.png")) << Joined(names);
    EXPECT_EQ(Sorted(TreePaths()), (std::vector<std::string>{"a", "a\\b", "a\\b\\c", "docs", "img"}));
    ScriptPromptAnswer(PROMPT_KIND_MESSAGE_BOX, IDOK, nullptr);
    // a\b\c moves into img: a\b keeps x.txt, so only c moves.
    ASSERT_EQ(UpdateTreeViewDragOrDelete(FindTreeItemString(host.tree, "a\\b\\c"), FindTreeItemString(host.tree, "img"), 0), 1);
    EXPECT_EQ(Sorted(TreePaths()), (std::vector<std::string>{"a", "a\\b", "docs", "img", "img\\c"}));
}

TEST_F(FolderView, MovesThatMakeNoSenseAreRefusedWithoutAQuestion)
{
    std::string archive = CopyViewFixture("nested.zip");
    ASSERT_TRUE(OpenArchiveInViews(archive));
    SetFolderWorkSynchronous(1);
    HTREEITEM a = FindTreeItemString(host.tree, "a");
    struct Case { HTREEITEM folder; HTREEITEM target; const char* why; };
    const Case cases[] = {
        {a, a, "into itself"},
        {a, FindTreeItemString(host.tree, "a\\b\\c"), "below itself"},
        {FindTreeItemString(host.tree, "a\\b"), a, "into its own parent"},
        {TreeView_GetRoot(host.tree), FindTreeItemString(host.tree, "docs"), "the root"},
    };
    const std::vector<std::string> before = ArchiveEntryNames(archive);
    for (const Case& c : cases) {
        EXPECT_EQ(UpdateTreeViewDragOrDelete(c.folder, c.target, 0), 0) << c.why;
        EXPECT_EQ(ArchiveEntryNames(archive), before) << c.why;
    }
    EXPECT_EQ(ScriptedQuestionCount(), 0);
    SetCompressionMethod(CM_TAR);
    EXPECT_EQ(UpdateTreeViewDragOrDelete(FindTreeItemString(host.tree, "a\\b"), FindTreeItemString(host.tree, "docs"), 0), 0)
        << "only zip archives change";
    SetCompressionMethod(CM_ZIP);
}

TEST_F(FolderView, DeletingAFolderDeletesEverythingBelowIt)
{
    std::string archive = CopyViewFixture("nested.zip");
    ASSERT_TRUE(OpenArchiveInViews(archive));
    SetFolderWorkSynchronous(1);
    ASSERT_TRUE(SelectFolder("a\\b"));
    ScriptPromptAnswer(PROMPT_KIND_MESSAGE_BOX, IDCANCEL, nullptr);
    const std::vector<std::string> before = ArchiveEntryNames(archive);
    EXPECT_EQ(UpdateTreeViewDragOrDelete(FindTreeItemString(host.tree, "a\\b"), nullptr, 1), 0);
    EXPECT_EQ(ArchiveEntryNames(archive), before) << "declined";

    ScriptPromptAnswer(PROMPT_KIND_MESSAGE_BOX, IDOK, nullptr);
    int64_t rowsBefore = GApp.listTotals.rows;
    ASSERT_EQ(UpdateTreeViewDragOrDelete(FindTreeItemString(host.tree, "a\\b"), nullptr, 1), 1);
    std::vector<std::string> names = ArchiveEntryNames(archive);
    EXPECT_FALSE(Has(names, "a/b/x.txt")) << Joined(names);
    EXPECT_FALSE(Has(names, "a/b/c/y.txt"));
    EXPECT_TRUE(Has(names, "a/z.txt"));
    EXPECT_EQ(Rows(host.list), 6);
    EXPECT_EQ(GApp.listTotals.rows, rowsBefore - 2);
    EXPECT_EQ(Sorted(TreePaths()), (std::vector<std::string>{"a", "docs", "docs\\img"}));
    EXPECT_EQ(ComboEntries(), (std::vector<std::string>{"a", "docs", "docs\\img"}));
    ASSERT_TRUE(WaitForViewsIdle());
    ASSERT_TRUE(SelectFolder("a"));
    EXPECT_EQ(ColumnTexts(host.treeList, 0), std::vector<std::string>{"z.txt"});
}

TEST_F(FolderView, RenamingAFolderRenamesItsMembers)
{
    std::string archive = CopyViewFixture("nested.zip");
    ASSERT_TRUE(OpenArchiveInViews(archive));
    SetFolderWorkSynchronous(1);
    HTREEITEM b = FindTreeItemString(host.tree, "a\\b");
    EXPECT_EQ(RenameFolderItem(b, "x\\y"), 0) << "one component only";
    EXPECT_EQ(RenameFolderItem(b, ""), 0);
    EXPECT_EQ(RenameFolderItem(FindTreeItemString(host.tree, "docs"), "a"), 0) << "a sibling has that name";
    EXPECT_EQ(RenameFolderItem(TreeView_GetRoot(host.tree), "r"), 0) << "the root is the archive";
    ASSERT_EQ(RenameFolderItem(b, "bee"), 1);
    std::vector<std::string> names = ArchiveEntryNames(archive);
    EXPECT_TRUE(Has(names, "a/bee/x.txt")) << Joined(names);
    EXPECT_TRUE(Has(names, "a/bee/c/y.txt"));
    EXPECT_FALSE(Has(names, "a/b/x.txt"));
    EXPECT_EQ(Sorted(TreePaths()), (std::vector<std::string>{"a", "a\\bee", "a\\bee\\c", "docs", "docs\\img"}));
    EXPECT_TRUE(Has(FullNames(host.list), "a\\bee\\c\\y.txt"));
    ASSERT_TRUE(SelectFolder("a\\bee"));
    EXPECT_EQ(ColumnTexts(host.treeList, 0), std::vector<std::string>{"x.txt"});
}

TEST_F(FolderView, EditingAFolderLabelRenamesTheFolder)
{
    std::string archive = CopyViewFixture("nested.zip");
    ASSERT_TRUE(OpenArchiveInViews(archive));
    SetFolderWorkSynchronous(1);
    EXPECT_EQ(SendMessageA(host.tree, TVM_EDITLABELA, 0, (LPARAM)TreeView_GetRoot(host.tree)), 0)
        << "the root is the archive";
    HWND edit = (HWND)SendMessageA(host.tree, TVM_EDITLABELA, 0, (LPARAM)FindTreeItemString(host.tree, "docs"));
    ASSERT_NE(edit, nullptr);
    SetWindowTextA(edit, "manual");
    SendMessageA(edit, WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_TRUE(WaitForViewsIdle());
    std::vector<std::string> names = ArchiveEntryNames(archive);
    EXPECT_TRUE(Has(names, "manual/readme.md")) << Joined(names);
    EXPECT_TRUE(Has(names, "manual/img/big.bin"));
    EXPECT_EQ(Sorted(TreePaths()), (std::vector<std::string>{"a", "a\\b", "a\\b\\c", "manual", "manual\\img"}));
}

TEST_F(FolderView, RenamingThroughThePrompt)
{
    std::string archive = CopyViewFixture("nested.zip");
    ASSERT_TRUE(OpenArchiveInViews(archive));
    SetFolderWorkSynchronous(1);
    ASSERT_TRUE(SelectFolder("docs\\img"));
    ScriptPromptAnswer(PROMPT_KIND_RENAME_FOLDER, PROMPT_OK, "docs\\pictures");
    ASSERT_EQ(RenameSelectedFolderWithPrompt(), 1);
    PromptQuestion question;
    ASSERT_EQ(GetScriptedQuestion(0, &question), 1);
    EXPECT_STREQ(question.text, "docs\\img") << "the prompt shows the folder's path";
    EXPECT_TRUE(Has(ArchiveEntryNames(archive), "docs/pictures/p.png"));
    EXPECT_TRUE(Has(TreePaths(), "docs\\pictures"));
}

TEST_F(FolderView, RenamingToAPathInAnotherFolderMovesTheFolderThere)
{
    std::string archive = CopyViewFixture("nested.zip");
    ASSERT_TRUE(OpenArchiveInViews(archive));
    SetFolderWorkSynchronous(1);
    ASSERT_TRUE(SelectFolder("docs\\img"));
    ScriptPromptAnswer(PROMPT_KIND_RENAME_FOLDER, PROMPT_OK, "a\\pictures");
    ASSERT_EQ(RenameSelectedFolderWithPrompt(), 1);
    std::vector<std::string> names = ArchiveEntryNames(archive);
    EXPECT_TRUE(Has(names, "a/pictures/p.png")) << Joined(names);
    EXPECT_TRUE(Has(names, "a/pictures/big.bin")) << Joined(names);
    EXPECT_FALSE(Has(names, "pictures/p.png")) << "not at the root";
    EXPECT_TRUE(Has(TreePaths(), "a\\pictures"));
}

// ---------------------------------------------------------------------------------------------
// Clearing

TEST_F(FolderView, ClearingEmptiesEveryViewUnlessBusy)
{
    ASSERT_TRUE(OpenArchiveInViews(ViewFixture("nested.zip")));
    GApp.busy.store(1);
    EXPECT_EQ(ClearViews(), 0);
    EXPECT_EQ(Rows(host.list), 8) << "nothing cleared while busy";
    GApp.busy.store(0);
    std::string temp = MakeTempFolder("viewsclear") + "\\t.tmp";
    WriteWholeFile(temp, "x");
    snprintf(GApp.tempToDelete, sizeof GApp.tempToDelete, "%s", temp.c_str());
    ASSERT_EQ(ClearViews(), 1);
    EXPECT_EQ(Rows(host.list), 0);
    EXPECT_EQ(Rows(host.treeList), 0);
    EXPECT_EQ(TreeView_GetCount(host.tree), 0u);
    EXPECT_EQ(SendMessageA(host.combo, CB_GETCOUNT, 0, 0), 0);
    EXPECT_EQ(TVRBTreeFolder, nullptr);
    EXPECT_EQ(TVRBTreeDataReady, nullptr);
    EXPECT_EQ(GCompressionMethod, CM_NONE);
    EXPECT_EQ(GApp.listTotals.rows, 0);
    EXPECT_EQ(GApp.currentArchive[0], '\0');
    EXPECT_EQ(GApp.tempToDelete[0], '\0');
    EXPECT_EQ(GetFileAttributesA(temp.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(StatusText(0), "");
    EXPECT_EQ(StatusText(2), "");
    EXPECT_EQ(SearchValues.lastFound, -1);
    EXPECT_EQ(GApp.busy.load(), 0);
}

}  // namespace
