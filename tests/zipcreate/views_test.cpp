// A new archive is listed into the main list; members added to the open archive are merged into
// the list views once each, with totals and the ready keys kept in step.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "model/appstate.h"
#include "model/keys.h"
#include "model/list.h"
#include "model/rbtree.h"
#include "support/testsupport.h"
#include "ui/promptscript.h"
#include "zip/create.h"
#include "zip/ziphelper.h"
#include "createsupport.h"

namespace {

class Views : public ::testing::Test {
protected:
    void SetUp() override
    {
        src = MakeTempFolder("zc_view_src");
        out = MakeTempFolder("zc_view_out");
        ASSERT_TRUE(WriteTree(src, StandardTree()));
        ASSERT_TRUE(WriteTree(src, {{"more/new1.txt", "new one"}, {"more/sub/new2.txt", "new two"}}));
        archive = out + "\\view.zip";
        savedList = GApp.hwndList;
        savedTreeList = GApp.hwndTreeList;
        GApp.hwndList = main.list;
        GApp.hwndTreeList = nullptr;
        SetCompressionMethod(CM_ZIP);
    }
    void TearDown() override
    {
        GApp.hwndList = savedList;
        GApp.hwndTreeList = savedTreeList;
        GApp.currentArchive[0] = '\0';
        DestroyKeyTrees();
        RemoveFolderTree(src);
        RemoveFolderTree(out);
    }
    // Creates the archive from the source folder without more/, listed into the main list.
    void CreateListed()
    {
        ZipCreateOptions* o = NewTestRun(archive, 6, nullptr);
        snprintf(o->baseFolder, sizeof o->baseFolder, "%s", src.c_str());
        o->relativeNames = 1;
        o->viewList = main.list;
        ASSERT_EQ(RunWorkerBesideViews(o), ZIPCREATE_DONE);
        ReleaseZipCreateOptions(o);
    }
    std::map<std::string, int> MainNames() const
    {
        std::map<std::string, int> names;
        for (int i = 0; i < main.Rows(); ++i) names[main.MemberName(i)]++;
        return names;
    }

    ScopedPromptScript prompts;
    CreateTestList main;
    std::string src, out, archive;
    HWND savedList = nullptr, savedTreeList = nullptr;
};

TEST_F(Views, ANewArchiveIsListedIntoTheMainList)
{
    CreateListed();
    std::map<std::string, int> names = MainNames();
    // Every file of the tree, once; folders are no rows.
    size_t files = 0;
    for (const TreeFile& f : StandardTree()) {
        if (f.path.back() == '/') continue;
        ++files;
        EXPECT_EQ(names[f.path], 1) << f.path;
    }
    EXPECT_EQ(names["more/new1.txt"], 1);
    EXPECT_EQ((size_t)main.Rows(), files + 2);
    EXPECT_STREQ(GApp.currentArchive, archive.c_str());
    EXPECT_EQ(GApp.listTotals.rows, main.Rows());
}

TEST_F(Views, AddedMembersAreMergedOnceWithTheirReadyKeys)
{
    ASSERT_TRUE(WriteTree(src, {{"extra/added.txt", TextBytes(3000, 7)}, {"solo.txt", "solo"}}));
    // The archive holds the standard tree; extra/ and solo.txt come by appending.
    std::string base = MakeTempFolder("zc_view_base");
    ASSERT_TRUE(WriteTree(base, StandardTree()));
    {
        ZipCreateOptions* o = NewTestRun(archive, 6, nullptr);
        snprintf(o->baseFolder, sizeof o->baseFolder, "%s", base.c_str());
        o->relativeNames = 1;
        o->viewList = main.list;
        ASSERT_EQ(RunWorkerBesideViews(o), ZIPCREATE_DONE);
        ReleaseZipCreateOptions(o);
    }
    int rowsBefore = main.Rows();
    ASSERT_EQ(CreateKeyTrees(), 1);
    RBTreeInsert(TVRBTreeDataReady, _strdup("  0*marker"), nullptr);

    ZipCreateOptions* o = NewTestRun(archive, 6, nullptr);
    std::string extra = src + "\\extra", solo = src + "\\solo.txt", hello = src + "\\hello.txt";
    const char* paths[] = {extra.c_str(), solo.c_str(), hello.c_str()};
    SetZipCreatePaths(o, paths, 3);
    o->append = 1;
    o->prefixMode = 1;
    o->viewList = main.list;
    EXPECT_EQ(RunWorkerBesideViews(o), ZIPCREATE_INCOMPLETE) << "hello.txt is in the archive already";
    ReleaseZipCreateOptions(o);

    std::map<std::string, int> names = MainNames();
    EXPECT_EQ(main.Rows(), rowsBefore + 2);
    EXPECT_EQ(names["extra/added.txt"], 1);
    EXPECT_EQ(names["solo.txt"], 1);
    EXPECT_EQ(names["hello.txt"], 1);
    for (const auto& n : names) EXPECT_EQ(n.second, 1) << n.first << " shown " << n.second << " times";
    EXPECT_EQ(GApp.listTotals.rows, main.Rows());
    // The new rows' keys are known to the folder view.
    for (int i = rowsBefore; i < main.Rows(); ++i) {
        char key[260];
        ASSERT_TRUE(GetValuesFromList(main.list, key, sizeof key, i));
        EXPECT_NE(RBTreeSearch(TVRBTreeDataReady, key), nullptr) << key;
    }
    RemoveFolderTree(base);
}

TEST_F(Views, MergingIntoTheFolderViewShowsThePathBelowThePrefix)
{
    CreateTestList treeList;
    GApp.hwndTreeList = treeList.list;
    // pre/ holds docs/: as if docs had been dropped onto the folder "pre" of the tree.
    ZipCreateOptions* o = NewTestRun(archive, 6, nullptr);
    std::string docs = src + "\\docs";
    const char* paths[] = {docs.c_str()};
    SetZipCreatePaths(o, paths, 1);
    o->prefixMode = 1;
    snprintf(o->prefixPath, sizeof o->prefixPath, "%s", "pre");
    ASSERT_EQ(RunWorker(o), ZIPCREATE_DONE);
    List* added = ListCreateStrings();
    for (ListNode* n = o->addedNames->head; n; n = n->next)
        if (((const char*)n->data)[strlen((const char*)n->data) - 1] != '/') ListAppendCopy(added, n->data);
    EXPECT_EQ(added->count, 2);
    ReleaseZipCreateOptions(o);

    GApp.treeListTotals = ArchiveTotals{0, 0, 0};
    unzFile uf = MyWaitunzOpen2_64(archive.c_str(), 0);
    ASSERT_NE(uf, nullptr);
    EXPECT_EQ(add_listing_to_list(uf, archive.c_str(), treeList.list, added, nullptr, "pre"), 0);
    unzClose(uf);

    std::vector<std::string> shown;
    for (int i = 0; i < treeList.Rows(); ++i) shown.push_back(treeList.Cell(i, 0));
    std::sort(shown.begin(), shown.end());
    EXPECT_EQ(shown, (std::vector<std::string>{"docs\\img\\noise.bin", "docs\\readme.txt"}));
    // The main list keeps the real name and path columns.
    std::map<std::string, int> names = MainNames();
    EXPECT_EQ(names["pre/docs/readme.txt"], 1);
    EXPECT_EQ(names["pre/docs/img/noise.bin"], 1);
    EXPECT_EQ(main.Rows(), 2);
    EXPECT_EQ(GApp.treeListTotals.rows, 2);
    EXPECT_EQ(GApp.treeListTotals.uncompressed, 200000 + 150000);
    EXPECT_EQ(added->count, 0) << "every added name is merged once";
    ListDestroy(&added);
}

TEST_F(Views, WithoutAReaderTheMergeSaysSoAndChangesNothing)
{
    List* added = ListCreateStrings();
    ListAppendCopy(added, "x.txt");
    EXPECT_EQ(add_listing_to_list(nullptr, "C:\\gone.zip", main.list, added, nullptr, nullptr), -1);
    EXPECT_EQ(main.Rows(), 0);
    ASSERT_EQ(ScriptedQuestionCount(), 1);
    PromptQuestion q;
    GetScriptedQuestion(0, &q);
    EXPECT_NE(std::string(q.text).find("C:\\gone.zip"), std::string::npos);
    ListDestroy(&added);
}

}  // namespace
