// Deleting members through the window keeps everything that shows the archive in step with
// it: both lists (the flat one and the folder's), the ready keys the folder view is refilled
// from, the folder tree, the path combo, the totals and the status bar. A deletion that fails
// changes none of them. Renaming a member in place and dragging a folder onto another change
// the archive on disk and the views alike.
//
// With KV_APP_OUT set (a Windows folder), the changed archives are copied there (deleted.zip,
// moved.zip) for check_delete_unzip.sh, which reads them back with unzip -l.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/commands.h"
#include "app/ids.h"
#include "app/mainwindow.h"
#include "apphost.h"
#include "model/appstate.h"
#include "model/listview.h"
#include "support/testsupport.h"
#include "ui/prompts.h"
#include "ui/promptscript.h"

namespace {

std::string Join(const std::vector<std::string>& items)
{
    std::string joined;
    for (const std::string& s : items) joined += "[" + s + "]";
    return joined;
}

}  // namespace

class DeleteViewsTest : public MainWindowTest {
protected:
    int RowOf(HWND view, const std::string& fullName)
    {
        for (int row = 0; row < Rows(view); ++row)
            if (Cell(view, row, LIST_COLUMN_PATH) + Cell(view, row, LIST_COLUMN_NAME) == fullName) return row;
        return -1;
    }

    void SelectOnly(HWND view, int row)
    {
        ListView_SetItemState(view, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
        ListView_SetItemState(view, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    }

    // Deletes one member of view through the delete command, answering its question with OK.
    void DeleteMember(HWND view, const std::string& fullName)
    {
        int row = RowOf(view, fullName);
        ASSERT_GE(row, 0) << fullName << " is not shown";
        SelectOnly(view, row);
        ScriptPromptAnswer(PROMPT_KIND_MESSAGE_BOX, IDOK, nullptr);
        Command(IDM_DELETE);
        ASSERT_TRUE(WaitIdle());
    }

    bool SelectFolder(const char* path)
    {
        HTREEITEM item = FolderItem(path);
        if (!item) return false;
        TreeView_SelectItem(GApp.hwndTree, item);
        return WaitIdle();
    }

    // The totals a list's rows add up to.
    ArchiveTotals SumOfRows(HWND view)
    {
        ArchiveTotals sum = {0, 0, 0};
        for (int row = 0; row < Rows(view); ++row) {
            sum.rows++;
            sum.compressed += atoll(Cell(view, row, LIST_COLUMN_COMPRESSED).c_str());
            sum.uncompressed += atoll(Cell(view, row, LIST_COLUMN_UNCOMPRESSED).c_str());
        }
        return sum;
    }

    void ExpectTotalsMatchRows(const char* when)
    {
        ArchiveTotals list = SumOfRows(GApp.hwndList);
        EXPECT_EQ(GApp.listTotals.rows, list.rows) << when;
        EXPECT_EQ(GApp.listTotals.compressed, list.compressed) << when;
        EXPECT_EQ(GApp.listTotals.uncompressed, list.uncompressed) << when;
        ArchiveTotals tree = SumOfRows(GApp.hwndTreeList);
        EXPECT_EQ(GApp.treeListTotals.rows, tree.rows) << when;
        EXPECT_EQ(GApp.treeListTotals.compressed, tree.compressed) << when;
        EXPECT_EQ(GApp.treeListTotals.uncompressed, tree.uncompressed) << when;
        // The status bar shows the active view's totals, as ShowTotals words them.
        const ArchiveTotals& active = GetViewList() == GApp.hwndTreeList ? GApp.treeListTotals : GApp.listTotals;
        char count[260], sizes[260];
        FormatTotalsTexts(0, active.rows, active.compressed, active.uncompressed, count, sizeof count, sizes, sizeof sizes);
        EXPECT_EQ(StatusText(STATUS_PART_COUNT), count) << when;
        EXPECT_EQ(StatusText(STATUS_PART_SIZES), sizes) << when;
    }

    // The archive, copied out for the Linux-side check when KV_APP_OUT names a folder.
    void CopyOut(const std::string& archive, const char* name)
    {
        const char* out = getenv("KV_APP_OUT");
        if (!out || !*out) return;
        CreateDirectoryA(out, nullptr);
        EXPECT_TRUE(CopyFileA(archive.c_str(), (std::string(out) + "\\" + name).c_str(), FALSE));
    }

    HTREEITEM FolderItem(const char* path)
    {
        HTREEITEM item = TreeView_GetRoot(GApp.hwndTree);
        std::string rest = path;
        while (item && !rest.empty()) {
            size_t cut = rest.find('\\');
            std::string part = rest.substr(0, cut);
            rest = cut == std::string::npos ? "" : rest.substr(cut + 1);
            HTREEITEM child = TreeView_GetChild(GApp.hwndTree, item);
            for (; child; child = TreeView_GetNextSibling(GApp.hwndTree, child)) {
                char text[260] = "";
                TVITEMA tv = {};
                tv.mask = TVIF_TEXT;
                tv.hItem = child;
                tv.pszText = text;
                tv.cchTextMax = sizeof text;
                SendMessageA(GApp.hwndTree, TVM_GETITEMA, 0, (LPARAM)&tv);
                if (part == text) break;
            }
            item = child;
        }
        return item;
    }

    std::vector<std::string> Folders()
    {
        std::vector<std::string> labels = TreeLabels();
        if (!labels.empty()) labels.erase(labels.begin());  // the root: the archive
        return labels;
    }
};

TEST_F(DeleteViewsTest, DeletingInTheFlatViewUpdatesTheFolderView)
{
    std::string archive = Fixture("nested.zip");
    OpenAndWait(archive);
    // The folder view shows a\b; then the user goes back to the flat view and deletes there.
    Command(IDM_FOLDER_VIEW);
    ASSERT_TRUE(SelectFolder("a\\b"));
    ASSERT_EQ(Join(MemberNames(GApp.hwndTreeList)), "[a\\b\\five.txt][a\\b\\two.txt]");
    Command(IDM_FLAT_VIEW);
    ExpectTotalsMatchRows("before");

    DeleteMember(GApp.hwndList, "a\\b\\two.txt");
    EXPECT_EQ(Join(MemberNames(GApp.hwndList)),
              "[a\\b\\c\\three.txt][a\\b\\five.txt][a\\one.txt][d\\four.txt][top.txt]");
    EXPECT_EQ(Join(MemberNames(GApp.hwndTreeList)), "[a\\b\\five.txt]") << "the folder's list lost it too";
    ExpectTotalsMatchRows("after the flat deletion");
    EXPECT_EQ(StatusText(STATUS_PART_COUNT), "5 files");
    EXPECT_EQ(Join(Folders()), "[  a][    b][      c][  d]") << "a\\b keeps five.txt";
    EXPECT_EQ(Join(ComboEntries()), "[a][a\\b][a\\b\\c][d]");

    // The ready keys lost it: the folder refilled from them does not list it.
    Command(IDM_FOLDER_VIEW);
    ASSERT_TRUE(SelectFolder("d"));
    ASSERT_TRUE(SelectFolder("a\\b"));
    EXPECT_EQ(Join(MemberNames(GApp.hwndTreeList)), "[a\\b\\five.txt]");
    ExpectTotalsMatchRows("folder a\\b refilled");
    EXPECT_EQ(StatusText(STATUS_PART_COUNT), "1 file");

    EXPECT_EQ(Join(ArchiveMembers(archive)),
              "[a/][a/b/][a/b/c/][a/b/c/three.txt][a/b/five.txt][a/one.txt][d/][d/four.txt][top.txt]")
        << "deleting a file keeps every directory entry";
}

TEST_F(DeleteViewsTest, FoldersEmptiedByDeletionsLeaveTreeAndCombo)
{
    std::string archive = Fixture("nested.zip");
    OpenAndWait(archive);

    // In the folder view: the only file of d.
    Command(IDM_FOLDER_VIEW);
    ASSERT_TRUE(SelectFolder("d"));
    ASSERT_EQ(Join(MemberNames(GApp.hwndTreeList)), "[d\\four.txt]");
    DeleteMember(GApp.hwndTreeList, "d\\four.txt");
    EXPECT_EQ(Join(Folders()), "[  a][    b][      c]");
    EXPECT_EQ(Join(ComboEntries()), "[a][a\\b][a\\b\\c]");
    EXPECT_EQ(RowOf(GApp.hwndList, "d\\four.txt"), -1) << "the flat list lost it too";
    EXPECT_EQ(Rows(GApp.hwndList), 5);
    EXPECT_EQ(RowOf(GApp.hwndTreeList, "d\\four.txt"), -1);
    ExpectTotalsMatchRows("after the folder-view deletion");

    // In the flat view: the only file of a\b\c goes, so does c; a\b keeps its files.
    Command(IDM_FLAT_VIEW);
    DeleteMember(GApp.hwndList, "a\\b\\c\\three.txt");
    EXPECT_EQ(Join(Folders()), "[  a][    b]");
    EXPECT_EQ(Join(ComboEntries()), "[a][a\\b]");
    ExpectTotalsMatchRows("after the flat deletion");

    // The last files of a\b and of a, both at once: both folders go, the parent after its child.
    int five = RowOf(GApp.hwndList, "a\\b\\five.txt"), two = RowOf(GApp.hwndList, "a\\b\\two.txt"),
        one = RowOf(GApp.hwndList, "a\\one.txt");
    ASSERT_GE(five, 0);
    ASSERT_GE(two, 0);
    ASSERT_GE(one, 0);
    ListView_SetItemState(GApp.hwndList, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    for (int row : {five, two, one}) ListView_SetItemState(GApp.hwndList, row, LVIS_SELECTED, LVIS_SELECTED);
    ScriptPromptAnswer(PROMPT_KIND_MESSAGE_BOX, IDOK, nullptr);
    Command(IDM_DELETE);
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(Join(MemberNames(GApp.hwndList)), "[top.txt]");
    EXPECT_EQ(Join(Folders()), "");
    EXPECT_EQ(Join(ComboEntries()), "");
    ExpectTotalsMatchRows("after deleting every folder's files");
    EXPECT_EQ(StatusText(STATUS_PART_COUNT), "1 file");

    std::vector<std::string> onDisk = ArchiveMembers(archive);
    EXPECT_EQ(Join(onDisk), "[a/][a/b/][a/b/c/][d/][top.txt]") << "emptied folders keep their own entries";
    CopyOut(archive, "deleted.zip");
}

TEST_F(DeleteViewsTest, RenamingAndMovingThroughTheViewsChangeTheArchiveOnDisk)
{
    std::string archive = Fixture("nested.zip");
    OpenAndWait(archive);
    // Renaming in place: the Rename command, a new label, Enter.
    SelectOnly(GApp.hwndList, RowOf(GApp.hwndList, "top.txt"));
    SetFocus(GApp.hwndList);
    Command(IDM_RENAME);
    HWND edit = (HWND)SendMessageA(GApp.hwndList, LVM_GETEDITCONTROL, 0, 0);
    ASSERT_NE(edit, nullptr) << "the label edit started";
    SetWindowTextA(edit, "renamed.txt");
    SendMessageA(edit, WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_TRUE(WaitIdle());

    // Moving: folder a\b dragged onto d and dropped there; the question answered with OK.
    Command(IDM_FOLDER_VIEW);
    HTREEITEM b = FolderItem("a\\b");
    HTREEITEM d = FolderItem("d");
    ASSERT_NE(b, nullptr);
    ASSERT_NE(d, nullptr);
    NMTREEVIEWA drag = {};
    drag.hdr.hwndFrom = GApp.hwndTree;
    drag.hdr.idFrom = IDC_FOLDER_TREE;
    drag.hdr.code = TVN_BEGINDRAGA;
    drag.itemNew.hItem = b;
    SendMessageA(frame_, WM_NOTIFY, IDC_FOLDER_TREE, (LPARAM)&drag);
    RECT target;
    ASSERT_TRUE(TreeView_GetItemRect(GApp.hwndTree, d, &target, TRUE));
    LPARAM at = MAKELPARAM((target.left + target.right) / 2, (target.top + target.bottom) / 2);
    SendMessageA(GApp.hwndTree, WM_MOUSEMOVE, 0, at);
    ScriptPromptAnswer(PROMPT_KIND_MESSAGE_BOX, IDOK, nullptr);
    SendMessageA(GApp.hwndTree, WM_LBUTTONUP, 0, at);
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(ScriptedAnswersLeft(), 0) << "the move asked its question";

    EXPECT_EQ(Join(ArchiveMembers(archive)),
              "[a/][a/one.txt][d/][d/b/][d/b/c/][d/b/c/three.txt][d/b/five.txt][d/b/two.txt][d/four.txt][renamed.txt]")
        << "the moved folder's entries move with it";
    EXPECT_EQ(Join(MemberNames(GApp.hwndList)),
              "[a\\one.txt][d\\b\\c\\three.txt][d\\b\\five.txt][d\\b\\two.txt][d\\four.txt][renamed.txt]");
    EXPECT_EQ(Join(Folders()), "[  a][  d][    b][      c]");
    EXPECT_EQ(Join(ComboEntries()), "[a][d][d\\b][d\\b\\c]");
    ASSERT_TRUE(SelectFolder("d\\b"));
    EXPECT_EQ(Join(MemberNames(GApp.hwndTreeList)), "[d\\b\\five.txt][d\\b\\two.txt]");
    CopyOut(archive, "moved.zip");
}

TEST_F(DeleteViewsTest, AFailedDeletionChangesNoView)
{
    std::string archive = Fixture("nested.zip");
    OpenAndWait(archive);
    Command(IDM_FOLDER_VIEW);
    ASSERT_TRUE(SelectFolder("d"));
    Command(IDM_FLAT_VIEW);
    std::string before;
    ASSERT_TRUE(ReadWholeFile(archive, &before));
    std::vector<std::string> rows = MemberNames(GApp.hwndList);
    std::vector<std::string> folderRows = MemberNames(GApp.hwndTreeList);
    ArchiveTotals totals = GApp.listTotals;
    // Another program holds the archive open without letting it be replaced: the rewritten
    // copy cannot take its place.
    HANDLE held = CreateFileA(archive.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    int messages = (int)MessageTexts().size();
    DeleteMember(GApp.hwndList, "d\\four.txt");
    CloseHandle(held);
    DeleteFileA((archive + ".tmp").c_str());
    EXPECT_GT((int)MessageTexts().size(), messages) << "the user is told";
    std::string after;
    ASSERT_TRUE(ReadWholeFile(archive, &after));
    EXPECT_TRUE(before == after) << "the archive is unchanged";
    EXPECT_EQ(MemberNames(GApp.hwndList), rows);
    EXPECT_EQ(MemberNames(GApp.hwndTreeList), folderRows);
    EXPECT_EQ(Join(Folders()), "[  a][    b][      c][  d]");
    EXPECT_EQ(Join(ComboEntries()), "[a][a\\b][a\\b\\c][d]");
    EXPECT_EQ(GApp.listTotals.rows, totals.rows);
    EXPECT_EQ(GApp.listTotals.uncompressed, totals.uncompressed);
    // The row stays selected; without a selection the status bar shows the totals again.
    EXPECT_EQ(SendMessageA(GApp.hwndList, LVM_GETSELECTEDCOUNT, 0, 0), 1);
    ListView_SetItemState(GApp.hwndList, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ASSERT_TRUE(WaitIdle());
    ExpectTotalsMatchRows("after the failure");
    // The ready keys still hold it: the folder refilled lists it.
    Command(IDM_FOLDER_VIEW);
    ASSERT_TRUE(SelectFolder("a"));
    ASSERT_TRUE(SelectFolder("d"));
    EXPECT_EQ(Join(MemberNames(GApp.hwndTreeList)), "[d\\four.txt]");
}
