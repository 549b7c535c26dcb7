// Opening archives in the main window: the folder view built from the rows the listing gathered
// must be the one a rebuild from the list gives, and emptying the lists on a re-open or a close
// must release every row's record exactly once.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/ids.h"
#include "apphost.h"
#include "model/appstate.h"
#include "model/listview.h"
#include "model/keys.h"
#include "model/liststruct.h"
#include "model/rbtree.h"

namespace {

std::vector<std::string> Keys(RBTree* tree)
{
    std::vector<std::string> keys;
    if (!tree) return keys;
    for (RBTreeNode* node = RBTreeFirst(tree); node && node != tree->nil; node = RBTreeSuccessor(tree, node))
        keys.push_back((const char*)node->key);
    return keys;
}

struct KeyTreeContents {
    std::vector<std::string> folders, members, paths, ready;
};

KeyTreeContents ReadKeyTrees(void)
{
    return {Keys(TVRBTreeFolder), Keys(TVRBTreeMembers), Keys(TVRBTreePaths), Keys(TVRBTreeDataReady)};
}

}  // namespace

TEST_F(MainWindowTest, FolderViewFromTheListingEqualsARebuildFromTheList)
{
    for (const char* fixture : {"flat.zip", "nested.zip", "many.zip", "encrypted.zip"}) {
        SCOPED_TRACE(fixture);
        ASSERT_EQ(OpenAndWait(Fixture(fixture)), 1);
        ASSERT_GT(Rows(GApp.hwndList), 0);
        KeyTreeContents opened = ReadKeyTrees();
        EXPECT_FALSE(opened.members.empty());
        EXPECT_FALSE(opened.ready.empty());

        ASSERT_EQ(RebuildKeyTreesFromList(GApp.hwndList, nullptr), Rows(GApp.hwndList));
        KeyTreeContents rebuilt = ReadKeyTrees();
        EXPECT_EQ(opened.folders, rebuilt.folders);
        EXPECT_EQ(opened.members, rebuilt.members);
        EXPECT_EQ(opened.paths, rebuilt.paths);
        EXPECT_EQ(opened.ready, rebuilt.ready);
    }
}

TEST_F(MainWindowTest, EmptyingTheListsReleasesEveryRecordOnce)
{
    ASSERT_EQ(OpenAndWait(Fixture("many.zip")), 1);
    ASSERT_EQ(Rows(GApp.hwndList), 10000);
    EXPECT_EQ(ListStructLiveCount(), (long)(Rows(GApp.hwndList) + Rows(GApp.hwndTreeList)));

    // Re-opening empties the 10 000 rows first.
    ASSERT_EQ(OpenAndWait(Fixture("nested.zip")), 1);
    ASSERT_EQ(Rows(GApp.hwndList), 6);
    EXPECT_EQ(ListStructLiveCount(), (long)(Rows(GApp.hwndList) + Rows(GApp.hwndTreeList)));

    // The same archive again, then closing it.
    ASSERT_EQ(OpenAndWait(Fixture("nested.zip")), 1);
    EXPECT_EQ(ListStructLiveCount(), (long)(Rows(GApp.hwndList) + Rows(GApp.hwndTreeList)));
    Command(IDM_CLOSE);
    EXPECT_EQ(Rows(GApp.hwndList), 0);
    EXPECT_EQ(Rows(GApp.hwndTreeList), 0);
    EXPECT_EQ(ListStructLiveCount(), 0);
}

TEST_F(MainWindowTest, FolderChangesBehindTheFlatViewLeaveTheArchiveTotals)
{
    ASSERT_EQ(OpenAndWait(Fixture("nested.zip")), 1);
    ASSERT_EQ(GetViewList(), GApp.hwndList);
    const std::string count = StatusText(STATUS_PART_COUNT);
    const std::string sizes = StatusText(STATUS_PART_SIZES);
    EXPECT_EQ(count, "6 files");

    // The folder list is refilled for folder a while the flat view is shown.
    HTREEITEM root = TreeView_GetRoot(GApp.hwndTree);
    ASSERT_NE(root, nullptr);
    HTREEITEM a = TreeView_GetChild(GApp.hwndTree, root);
    ASSERT_NE(a, nullptr);
    ASSERT_TRUE(TreeView_SelectItem(GApp.hwndTree, a));
    ASSERT_TRUE(WaitIdle());
    EXPECT_GT(Rows(GApp.hwndTreeList), 0);
    EXPECT_EQ(StatusText(STATUS_PART_COUNT), count);
    EXPECT_EQ(StatusText(STATUS_PART_SIZES), sizes);
}

TEST_F(MainWindowTest, ThePathComboNamesTheFolderSelectedInTheTree)
{
    ASSERT_EQ(OpenAndWait(Fixture("nested.zip")), 1);
    HWND combo = GApp.hwndPathCombo;
    auto comboText = [&]() -> std::string {
        int index = (int)SendMessageA(combo, CB_GETCURSEL, 0, 0);
        if (index < 0) return "<none>";
        char text[260] = "";
        COMBOBOXEXITEMA entry = {};
        entry.mask = CBEIF_TEXT;
        entry.iItem = index;
        entry.pszText = text;
        entry.cchTextMax = sizeof text;
        SendMessageA(combo, CBEM_GETITEMA, 0, (LPARAM)&entry);
        return text;
    };
    HTREEITEM root = TreeView_GetRoot(GApp.hwndTree);
    ASSERT_NE(root, nullptr);
    HTREEITEM a = TreeView_GetChild(GApp.hwndTree, root);
    ASSERT_NE(a, nullptr);
    HTREEITEM b = TreeView_GetChild(GApp.hwndTree, a);
    ASSERT_NE(b, nullptr);

    ASSERT_TRUE(TreeView_SelectItem(GApp.hwndTree, b));
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(comboText(), "a\\b");
    ASSERT_TRUE(TreeView_SelectItem(GApp.hwndTree, a));
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(comboText(), "a");
    auto shownText = [&]() -> std::string {
        char text[260] = "";
        GetWindowTextA(combo, text, sizeof text);
        return text;
    };
    EXPECT_EQ(shownText(), "a");
    ASSERT_TRUE(TreeView_SelectItem(GApp.hwndTree, root));
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(comboText(), "<none>");
    // The text is what files are added below: it must not keep naming a folder.
    EXPECT_EQ(shownText(), "");

    // Opening the archive again starts from the root with an empty combo text too.
    ASSERT_TRUE(TreeView_SelectItem(GApp.hwndTree, b));
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(shownText(), "a\\b");
    ASSERT_EQ(OpenAndWait(Fixture("nested.zip")), 1);
    EXPECT_EQ(comboText(), "<none>");
    EXPECT_EQ(shownText(), "");
}
