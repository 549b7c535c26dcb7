// Adding to the open archive while the folder view is shown: the run rebuilds the folder tree
// when it has written the archive, gives busy back at its end, and the tree, the path combo and
// TreeList show what was added.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "app/ids.h"
#include "app/mainwindow.h"
#include "apphost.h"
#include "model/appstate.h"
#include "support/testsupport.h"
#include "ui/promptscript.h"

namespace {

std::string Join(const std::vector<std::string>& items)
{
    std::string joined;
    for (const std::string& s : items) joined += "[" + s + "]";
    return joined;
}

bool Contains(const std::vector<std::string>& items, const std::string& item)
{
    return std::find(items.begin(), items.end(), item) != items.end();
}

bool WriteText(const std::string& path, const char* text)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, text, (DWORD)strlen(text), &written, nullptr);
    CloseHandle(file);
    return ok && written == strlen(text);
}

enum AddWay { ADD_BY_DROP, ADD_BY_COMMAND };

struct AddCase {
    const char* name;
    AddWay way;
    const char* into;       // path-combo entry chosen before adding ("" leaves the top level)
    const char* source;     // file or folder made in the test folder and added
    const char* member;     // the archive member it becomes
    const char* folder;     // path-combo entry that shows it afterwards ("" the top level)
    const char* row;        // its row there (path and name)
    const char* treeLabel;  // a folder-tree label it brings (null: none)
};

// Cases are named by their name alone in test output.
void PrintTo(const AddCase& c, std::ostream* os)
{
    *os << c.name;
}

const AddCase kAddCases[] = {
    {"FileDroppedAtTheTopLevel", ADD_BY_DROP, "", "dropped.txt", "dropped.txt", "", "dropped.txt", nullptr},
    {"FolderDroppedIntoAFolder", ADD_BY_DROP, "a\\b", "extra", "a/b/extra/inside.txt", "a\\b\\extra",
     "a\\b\\extra\\inside.txt", "extra"},
    {"FolderAddedByTheCommandAtTheTopLevel", ADD_BY_COMMAND, "", "extra", "extra/inside.txt", "extra",
     "extra\\inside.txt", "extra"},
    {"FileDroppedIntoAFolder", ADD_BY_DROP, "d", "dropped.txt", "d/dropped.txt", "d", "d\\dropped.txt", nullptr},
};

}  // namespace

// Each case in a window of its own: the path combo starts at the top level.
class FolderViewAddTest : public MainWindowTest, public ::testing::WithParamInterface<AddCase> {
protected:
    // Shows folder in the folder view as the user does: the tree's root for the top level,
    // else the path combo's entry; waits for the folder change.
    bool ChooseFolder(const std::string& folder)
    {
        if (folder.empty()) {
            HTREEITEM root = TreeView_GetRoot(GApp.hwndTree);
            if (!root) {
                ADD_FAILURE() << "the folder tree is empty";
                return false;
            }
            TreeView_SelectItem(GApp.hwndTree, root);
            return WaitIdle(60000);
        }
        std::vector<std::string> entries = ComboEntries();
        auto found = std::find(entries.begin(), entries.end(), folder);
        if (found == entries.end()) {
            ADD_FAILURE() << "no combo entry " << folder << " in " << Join(entries);
            return false;
        }
        SendMessageA(GApp.hwndPathCombo, CB_SETCURSEL, (WPARAM)(found - entries.begin()), 0);
        HWND inner = (HWND)SendMessageA(GApp.hwndPathCombo, CBEM_GETCOMBOCONTROL, 0, 0);
        SendMessageA(GApp.hwndPathCombo, WM_COMMAND, MAKEWPARAM(0, CBN_SELENDOK), (LPARAM)inner);
        return WaitIdle(60000);
    }
};

TEST_P(FolderViewAddTest, EndsAndShowsTheNewMember)
{
    const AddCase& c = GetParam();
    std::string archive = Fixture("nested.zip");
    ASSERT_EQ(OpenAndWait(archive), 1);
    Command(IDM_FOLDER_VIEW);
    ASSERT_EQ(GetViewList(), GApp.hwndTreeList) << "the folder view is shown";
    if (*c.into) {
        ASSERT_TRUE(ChooseFolder(c.into));
    }
    ASSERT_GT(Rows(GApp.hwndTreeList), 0);

    std::string source = folder_ + "\\" + c.source;
    if (std::string(c.source) == "extra") {
        ASSERT_TRUE(CreateDirectoryA(source.c_str(), nullptr));
        ASSERT_TRUE(WriteText(source + "\\inside.txt", "inside the added folder\n"));
    } else {
        ASSERT_TRUE(WriteText(source, "dropped onto the folder view\n"));
    }
    if (c.way == ADD_BY_DROP) {
        const char* paths[] = {source.c_str()};
        ASSERT_EQ(HandleDroppedPaths(paths, 1), 1);
    } else {
        ScriptPromptAnswer(PROMPT_KIND_BROWSE_FOLDER, 1, source.c_str());
        SendMessageA(frame_, WM_COMMAND, MAKEWPARAM(IDM_ADD_FOLDER, 0), 0);
    }
    // The run ends well before a rebuild left waiting for busy would give up.
    ASSERT_TRUE(WaitIdle(15000)) << "the add still holds busy";
    EXPECT_EQ(GApp.busy.load(), 0);
    EXPECT_EQ(ScriptedAnswersLeft(), 0);
    EXPECT_EQ(ScriptedQuestionCount(), c.way == ADD_BY_COMMAND ? 1 : 0) << "no message box";

    std::vector<std::string> members = ArchiveMembers(archive);
    EXPECT_TRUE(Contains(members, c.member)) << Join(members);
    std::vector<std::string> flat = MemberNames(GApp.hwndList);
    EXPECT_TRUE(Contains(flat, c.row)) << Join(flat);
    if (c.treeLabel) {
        std::vector<std::string> labels = TreeLabels();
        bool found = false;
        for (const std::string& label : labels)
            if (label.substr(label.find_first_not_of(' ')) == c.treeLabel) found = true;
        EXPECT_TRUE(found) << Join(labels);
    }
    // The rebuilt folder view lists the new member in its folder, once.
    ASSERT_TRUE(ChooseFolder(c.folder));
    std::vector<std::string> rows = MemberNames(GApp.hwndTreeList);
    EXPECT_EQ(std::count(rows.begin(), rows.end(), std::string(c.row)), 1) << Join(rows);
}

INSTANTIATE_TEST_SUITE_P(Adds, FolderViewAddTest, ::testing::ValuesIn(kAddCases),
                         [](const ::testing::TestParamInfo<AddCase>& info) { return std::string(info.param.name); });
