// The four rewrite operations and the content replacement on archives made by Info-ZIP and
// Python: what they keep byte for byte, what they leave out, and when they refuse.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>

#include "model/appstate.h"
#include "model/bstree.h"
#include "model/rbtree.h"
#include "modifysupport.h"
#include "support/testsupport.h"
#include "zip/modify.h"
#include "zip/ziphelper.h"

namespace {

class Rewrite : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetCompressionMethod(CM_ZIP);
        folder = MakeTempFolder("zipmodify");
    }
    void TearDown() override { RemoveFolderTree(folder); }
    std::string folder;
};

enum OpKind { OP_DELETE_BS, OP_DELETE_RB, OP_RENAME_ONE, OP_KEEP_ONE, OP_MOVE_RB };

struct RewriteCase {
    const char* label;
    const char* fixture;
    OpKind op;
    std::vector<std::string> names;                            // deleted, or the one to rename
    std::vector<std::pair<std::string, std::string>> renames;  // old -> new (stored names)
};

std::string OpName(OpKind op)
{
    switch (op) {
    case OP_DELETE_BS: return "DeleteFileFromZIP";
    case OP_DELETE_RB: return "DeleteFilesFromZIPRBTree";
    case OP_RENAME_ONE: return "ChangeFileFromZIP(rename)";
    case OP_KEEP_ONE: return "ChangeFileFromZIP(keep)";
    case OP_MOVE_RB: return "ChangeFilesFromZIP";
    }
    return "?";
}

int RunOp(const RewriteCase& c, const std::string& archive, RewriteOutcome* out)
{
    switch (c.op) {
    case OP_DELETE_BS: {
        std::vector<std::string> keys;
        for (const auto& n : c.names) keys.push_back(Backslashed(n));
        BSTree* set = MakeBSSet(keys);
        int r = DeleteFileFromZIP(archive.c_str(), set, 0, 0, out);
        BSTreeDestroy(&set);
        return r;
    }
    case OP_DELETE_RB: {
        std::vector<std::pair<std::string, std::string>> keys;
        for (const auto& n : c.names) keys.emplace_back(Backslashed(n), "");
        RBTree* set = MakeRBSet(keys);
        int r = DeleteFilesFromZIPRBTree(archive.c_str(), set, 0, 0, out);
        RBTreeDestroy(&set);
        return r;
    }
    case OP_RENAME_ONE:
    case OP_KEEP_ONE: {
        const auto& rn = c.renames.at(0);
        BSTree* set = MakeBSSet({Backslashed(rn.first)});
        RenameRequest req;
        snprintf(req.oldKey, sizeof req.oldKey, "%s", Backslashed(rn.first).c_str());
        snprintf(req.newName, sizeof req.newName, "%s", rn.second.c_str());
        int r = ChangeFileFromZIP(archive.c_str(), set, c.op == OP_KEEP_ONE ? CHANGE_ACTION_KEEP : CHANGE_ACTION_RENAME,
                                  &req, 0, out);
        BSTreeDestroy(&set);
        return r;
    }
    case OP_MOVE_RB: {
        std::vector<std::pair<std::string, std::string>> keys;
        for (const auto& rn : c.renames) keys.emplace_back(Backslashed(rn.first), Backslashed(rn.second));
        RBTree* set = MakeRBSet(keys);
        int r = ChangeFilesFromZIP(archive.c_str(), set, 0, 0, out);
        RBTreeDestroy(&set);
        return r;
    }
    }
    return 99;
}

const std::string kLong = "l" + std::string(290, 'o') + "ng.txt";

const RewriteCase kCases[] = {
    {"Info-ZIP comment and folders, delete one", "iz_comment.zip", OP_DELETE_BS, {"docs/readme.txt"}, {}},
    {"Info-ZIP comment and folders, delete two", "iz_comment.zip", OP_DELETE_RB, {"hello.txt", "docs/img/noise.bin"}, {}},
    {"Info-ZIP comment, rename", "iz_comment.zip", OP_RENAME_ONE, {}, {{"my file.txt", "renamed/my file.txt"}}},
    {"Info-ZIP comment, keep the name", "iz_comment.zip", OP_KEEP_ONE, {}, {{"zero.txt", "zero.txt"}}},
    {"Info-ZIP comment, move a folder", "iz_comment.zip", OP_MOVE_RB, {},
     {{"docs/readme.txt", "moved/docs/readme.txt"}, {"docs/img/noise.bin", "moved/docs/img/noise.bin"}}},
    {"Info-ZIP encrypted, delete one", "iz_encrypted.zip", OP_DELETE_BS, {"docs/readme.txt"}, {}},
    {"Info-ZIP encrypted, rename", "iz_encrypted.zip", OP_RENAME_ONE, {}, {{"hello.txt", "hi.txt"}}},
    {"Info-ZIP encrypted, move a folder", "iz_encrypted.zip", OP_MOVE_RB, {},
     {{"deep/er/est/leaf.txt", "leaf/leaf.txt"}}},
    {"Info-ZIP stored, delete one", "iz_stored.zip", OP_DELETE_RB, {"docs/img/noise.bin"}, {}},
    {"Python comments and extra fields, delete", "py_comments.zip", OP_DELETE_BS, {"empty.txt"}, {}},
    {"Python comments and extra fields, rename", "py_comments.zip", OP_RENAME_ONE, {}, {{"docs/a.txt", "a.txt"}}},
    {"Python comments and extra fields, move", "py_comments.zip", OP_MOVE_RB, {},
     {{"docs/a.txt", "papers/a.txt"}, {"docs/b.bin", "papers/b.bin"}}},
    {"Python zip64 fields on small entries, delete", "py_zip64_small.zip", OP_DELETE_RB, {"one.txt"}, {}},
    {"Python zip64 fields on small entries, rename", "py_zip64_small.zip", OP_RENAME_ONE, {},
     {{"sub/two.txt", "sub/2.txt"}}},
    {"UTF-8 and long names, delete", "py_names.zip", OP_DELETE_BS, {"short.txt"}, {}},
    {"UTF-8 and long names, rename", "py_names.zip", OP_RENAME_ONE, {}, {{"Case.txt", "case-renamed.txt"}}},
    {"7-Zip LZMA, delete", "7z_lzma.zip", OP_DELETE_BS, {"hello.txt"}, {}},
    {"7-Zip LZMA, rename", "7z_lzma.zip", OP_RENAME_ONE, {}, {{"docs/readme.txt", "readme.txt"}}},
    {"7-Zip AES, delete", "7z_aes.zip", OP_DELETE_RB, {"my file.txt"}, {}},
    {"7-Zip AES, move", "7z_aes.zip", OP_MOVE_RB, {}, {{"docs/readme.txt", "aes/readme.txt"}}},
    {"program in front, delete", "prefixed.zip", OP_DELETE_BS, {"top.txt"}, {}},
    {"program in front, move", "prefixed.zip", OP_MOVE_RB, {}, {{"docs/a.txt", "x/a.txt"}}},
    {"zip64 sizes, delete", "py_zip64_big.zip", OP_DELETE_BS, {"before.txt"}, {}},
    {"zip64 sizes, rename the big one", "py_zip64_big.zip", OP_RENAME_ONE, {}, {{"big/zeros.bin", "zeros.bin"}}},
    {"zip64 end records, delete", "py_zip64_many.zip", OP_DELETE_RB, {"m05/e00005.txt"}, {}},
};

TEST_F(Rewrite, KeepsEveryOtherEntryByteForByte)
{
    for (const RewriteCase& c : kCases) {
        SCOPED_TRACE(std::string(c.label) + " [" + OpName(c.op) + "]");
        std::string archive = CopyFixture(c.fixture, folder);
        ASSERT_FALSE(archive.empty());
        // The zip reader misreads local extra fields behind a program in front of the archive:
        // the same archive without it stands for "before" there.
        bool prefixed = std::string(c.fixture) == "prefixed.zip";
        RawArchive before = ReadRawArchive(prefixed ? ModifyFixturePath("py_comments.zip") : archive);
        ASSERT_TRUE(before.ok);
        RewriteOutcome out;
        int r = RunOp(c, archive, &out);
        ASSERT_EQ(REWRITE_DONE, r) << RewriteResultText(r);
        EXPECT_FALSE(PathExists(archive + ".tmp")) << "the temporary archive was left behind";
        RawArchive after = ReadRawArchive(archive);
        ASSERT_TRUE(after.ok) << "the new archive does not read back";
        EXPECT_EQ(before.comment, after.comment) << "archive comment";

        std::set<std::string> expected;
        for (const RawEntry& e : before.entries) {
            bool deleted = std::find(c.names.begin(), c.names.end(), e.name) != c.names.end();
            std::string target = e.name;
            for (const auto& rn : c.renames)
                if (rn.first == e.name && c.op != OP_KEEP_ONE) target = rn.second;
            if (IsZipDirectoryName(e.name.c_str())) {
                // Folders the operation did not select stay, with their dates.
                expected.insert(e.name);
                const RawEntry* kept = after.Find(e.name);
                ASSERT_NE(nullptr, kept) << "directory entry " << e.name << " was dropped";
                EXPECT_EQ("", RawEntryDifference(e, *kept)) << "directory entry " << e.name;
                continue;
            }
            if (deleted) {
                EXPECT_EQ(nullptr, after.Find(e.name)) << e.name << " should be deleted";
                continue;
            }
            expected.insert(target);
            const RawEntry* got = after.Find(target);
            ASSERT_NE(nullptr, got) << e.name << " is missing as " << target;
            EXPECT_EQ("", RawEntryDifference(e, *got)) << "entry " << e.name;
        }
        EXPECT_EQ(expected.size(), after.entries.size()) << "entries in the new archive";
        EXPECT_EQ((int64_t)after.entries.size(), out.copied);
    }
}

TEST_F(Rewrite, EncryptedEntriesStillDecryptAfterEveryKindOfRewrite)
{
    const RewriteCase* cases[] = {&kCases[5], &kCases[6], &kCases[7]};
    for (const RewriteCase* c : cases) {
        SCOPED_TRACE(c->label);
        std::string archive = CopyFixture("iz_encrypted.zip", folder);
        RewriteOutcome out;
        ASSERT_EQ(REWRITE_DONE, RunOp(*c, archive, &out));
        std::string hello;
        std::string name = c->op == OP_RENAME_ONE ? "hi.txt" : "hello.txt";
        ASSERT_TRUE(ReadEntryContent(archive, name, &hello, "secret")) << name;
        EXPECT_EQ("hello kelvora\r\n", hello);
        std::string leaf;
        std::string leafName = c->op == OP_MOVE_RB ? "leaf/leaf.txt" : "deep/er/est/leaf.txt";
        ASSERT_TRUE(ReadEntryContent(archive, leafName, &leaf, "secret")) << leafName;
        EXPECT_EQ("deep\n", leaf);
        EXPECT_FALSE(ReadEntryContent(archive, name, &hello, "wrong")) << "a wrong password must still fail";
    }
}

TEST_F(Rewrite, RenamedEntriesAreStoredAsNewMembersAre)
{
    // New names come in the ANSI code page: plain ASCII is stored as it is without the UTF-8
    // mark, anything else as UTF-8 with it, whatever the old entry had.
    struct Case {
        const char* label;
        const char* newName;
        const char* stored;
        bool utf8;
    } cases[] = {
        {"plain ASCII", "plain.txt", "plain.txt", false},
        {"umlaut in a folder", "neu/\xe4.txt", "neu/\xc3\xa4.txt", true},
        {"umlaut", "\xe4rger.txt", "\xc3\xa4rger.txt", true},
    };
    const std::string old = "\xc3\xbc" "ber/na\xc3\xaf" "ve.txt";
    const std::string shown = "\xfc" "ber\\na\xef" "ve.txt";  // as the list shows it
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        std::string archive = CopyFixture("py_names.zip", folder);
        ASSERT_NE(0u, ReadRawArchive(archive).Find(old)->flag & 0x800);
        BSTree* set = MakeBSSet({shown});
        RenameRequest req;
        snprintf(req.oldKey, sizeof req.oldKey, "%s", shown.c_str());
        snprintf(req.newName, sizeof req.newName, "%s", c.newName);
        ASSERT_EQ(REWRITE_DONE, ChangeFileFromZIP(archive.c_str(), set, CHANGE_ACTION_RENAME, &req, 1));
        BSTreeDestroy(&set);
        RawArchive after = ReadRawArchive(archive);
        const RawEntry* e = after.Find(c.stored);
        ASSERT_NE(nullptr, e);
        EXPECT_EQ(c.utf8, (e->flag & 0x800) != 0);
        EXPECT_EQ(nullptr, after.Find(old));
        DeleteFileA(archive.c_str());
    }
}

TEST_F(Rewrite, LongNamesAreCopiedWhole)
{
    std::string archive = CopyFixture("py_names.zip", folder);
    BSTree* set = MakeBSSet({"short.txt"});
    ASSERT_EQ(REWRITE_DONE, DeleteFileFromZIP(archive.c_str(), set, 0, 0));
    BSTreeDestroy(&set);
    RawArchive after = ReadRawArchive(archive);
    ASSERT_NE(nullptr, after.Find(kLong)) << "the entry with a 296-character name lost its name";
}

TEST_F(Rewrite, DeletingEveryFileDeletesTheArchive)
{
    struct Case {
        const char* fixture;
        bool redBlack;
    } cases[] = {{"py_comments.zip", true}, {"iz_encrypted.zip", false}, {"py_codepages.zip", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fixture);
        std::string archive = CopyFixture(c.fixture, folder);
        RawArchive before = ReadRawArchive(archive);
        std::vector<std::string> keys;
        std::vector<std::pair<std::string, std::string>> rbKeys;
        std::vector<std::string> folders;
        for (const RawEntry& e : before.entries) {
            // Folder entries are not selected: they stay, and with them the archive.
            if (IsZipDirectoryName(e.name.c_str())) {
                folders.push_back(e.name);
                continue;
            }
            keys.push_back(Backslashed(e.name));
            rbKeys.emplace_back(Backslashed(e.name), "");
        }
        RewriteOutcome out;
        int r;
        if (c.redBlack) {
            RBTree* set = MakeRBSet(rbKeys);
            r = DeleteFilesFromZIPRBTree(archive.c_str(), set, 0, 0, &out);
            RBTreeDestroy(&set);
        } else {
            BSTree* set = MakeBSSet(keys);
            r = DeleteFileFromZIP(archive.c_str(), set, 0, 0, &out);
            BSTreeDestroy(&set);
        }
        EXPECT_EQ(REWRITE_DONE, r);
        EXPECT_EQ((int64_t)folders.size(), out.copied);
        if (folders.empty()) {
            EXPECT_FALSE(PathExists(archive)) << "an archive without entries must not remain";
        } else {
            EXPECT_EQ(folders, ReadRawArchive(archive).Names()) << "only the folders remain";
        }
        EXPECT_FALSE(PathExists(archive + ".tmp"));
    }
}

TEST_F(Rewrite, DirectoryEntriesStayGoAndMoveWithTheirFolders)
{
    // iz_comment.zip holds empty_dir/, docs/, docs/img/, deep/, deep/er/, deep/er/est/.
    struct Case {
        const char* label;
        int op;
        std::vector<std::pair<std::string, std::string>> entries;  // key -> new name ("" deletes)
        std::vector<std::string> present;
        std::vector<std::string> absent;
    } cases[] = {
        {"delete one file", OP_DELETE_RB, {{"zero.txt", ""}},
         {"empty_dir/", "docs/", "docs/img/", "deep/", "deep/er/", "deep/er/est/"}, {"zero.txt"}},
        {"delete an empty folder", OP_DELETE_RB, {{"empty_dir\\", ""}}, {"docs/", "deep/er/est/"}, {"empty_dir/"}},
        {"delete a folder with its entries", OP_DELETE_RB,
         {{"deep\\er\\est\\leaf.txt", ""}, {"deep\\", ""}, {"deep\\er\\", ""}, {"deep\\er\\est\\", ""}},
         {"empty_dir/", "docs/"}, {"deep/", "deep/er/", "deep/er/est/", "deep/er/est/leaf.txt"}},
        {"move a folder with its entries", OP_MOVE_RB,
         {{"deep\\er\\est\\leaf.txt", "docs\\deep\\er\\est\\leaf.txt"}, {"deep\\", "docs\\deep\\"},
          {"deep\\er\\", "docs\\deep\\er\\"}, {"deep\\er\\est\\", "docs\\deep\\er\\est\\"}},
         {"docs/deep/", "docs/deep/er/", "docs/deep/er/est/", "docs/deep/er/est/leaf.txt", "empty_dir/"},
         {"deep/", "deep/er/", "deep/er/est/", "deep/er/est/leaf.txt"}},
        {"rename an empty folder", OP_MOVE_RB, {{"empty_dir\\", "nothing_here\\"}}, {"nothing_here/"}, {"empty_dir/"}},
        {"a folder moved onto an existing one is one entry", OP_MOVE_RB, {{"empty_dir\\", "docs\\"}}, {"docs/"},
         {"empty_dir/"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        std::string archive = CopyFixture("iz_comment.zip", folder);
        RawArchive before = ReadRawArchive(archive);
        ASSERT_TRUE(before.Find("empty_dir/"));
        RBTree* set = MakeRBSet(c.entries);
        RewriteOutcome out;
        int r = c.op == OP_DELETE_RB ? DeleteFilesFromZIPRBTree(archive.c_str(), set, 0, 0, &out)
                                     : ChangeFilesFromZIP(archive.c_str(), set, 0, 0, &out);
        RBTreeDestroy(&set);
        ASSERT_EQ(REWRITE_DONE, r) << RewriteResultText(r);
        RawArchive after = ReadRawArchive(archive);
        ASSERT_TRUE(after.ok);
        std::vector<std::string> names = after.Names();
        for (const std::string& n : c.present) EXPECT_NE(nullptr, after.Find(n)) << n << " missing";
        for (const std::string& n : c.absent) EXPECT_EQ(nullptr, after.Find(n)) << n << " still there";
        std::set<std::string> unique(names.begin(), names.end());
        EXPECT_EQ(unique.size(), names.size()) << "a name is there twice";
        // A moved folder keeps its own date.
        const RawEntry* moved = after.Find("docs/deep/");
        if (moved) {
            EXPECT_EQ(before.Find("deep/")->dosDate, moved->dosDate);
        }
    }
}

TEST_F(Rewrite, ReadOnlyArchivesAreNeverChanged)
{
    struct Case {
        const char* label;
        int op;
    } cases[] = {{"delete", OP_DELETE_RB}, {"rename or move", OP_MOVE_RB}, {"delete by list", OP_DELETE_BS},
                 {"save content", -1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        std::string archive = CopyFixture("iz_comment.zip", folder);
        ASSERT_TRUE(SetFileAttributesA(archive.c_str(), FILE_ATTRIBUTE_READONLY));
        std::string bytes = FileBytes(archive);
        RewriteOutcome out;
        int r;
        if (c.op == OP_DELETE_RB || c.op == OP_MOVE_RB) {
            RBTree* set = MakeRBSet({{"zero.txt", c.op == OP_MOVE_RB ? "moved.txt" : ""}});
            r = c.op == OP_DELETE_RB ? DeleteFilesFromZIPRBTree(archive.c_str(), set, 0, 0, &out)
                                     : ChangeFilesFromZIP(archive.c_str(), set, 0, 0, &out);
            RBTreeDestroy(&set);
        } else if (c.op == OP_DELETE_BS) {
            BSTree* set = MakeBSSet({"zero.txt"});
            r = DeleteFileFromZIP(archive.c_str(), set, 0, 0, &out);
            BSTreeDestroy(&set);
        } else {
            r = ReplaceZipEntryContent(archive.c_str(), "hello.txt", "new", 3, 6, &out);
        }
        EXPECT_EQ(REWRITE_READ_ONLY, r) << RewriteResultText(r);
        EXPECT_TRUE(FileBytes(archive) == bytes) << "the archive changed";
        EXPECT_NE(0u, GetFileAttributesA(archive.c_str()) & FILE_ATTRIBUTE_READONLY) << "lost its attribute";
        EXPECT_FALSE(PathExists(archive + ".tmp"));
        SetFileAttributesA(archive.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

TEST_F(Rewrite, NothingMatchedChangesNothing)
{
    std::string archive = CopyFixture("py_comments.zip", folder);
    std::string bytes = FileBytes(archive);
    RewriteOutcome out;
    BSTree* set = MakeBSSet({"no\\such.txt"});
    EXPECT_EQ(REWRITE_NOT_REPLACED, DeleteFileFromZIP(archive.c_str(), set, 0, 0, &out));
    EXPECT_EQ(1, BSTreeCount(set)) << "the key that was not found stays in the set";
    BSTreeDestroy(&set);
    RBTree* rb = MakeRBSet({{"no\\such.txt", "x.txt"}});
    EXPECT_EQ(REWRITE_NOT_REPLACED, ChangeFilesFromZIP(archive.c_str(), rb, 0, 0, &out));
    RBTreeDestroy(&rb);
    EXPECT_EQ(bytes, FileBytes(archive));
    EXPECT_FALSE(PathExists(archive + ".tmp"));
}

TEST_F(Rewrite, SimulationChangesNoFile)
{
    std::string archive = CopyFixture("py_comments.zip", folder);
    std::string bytes = FileBytes(archive);
    GApp.listTotals = {10, 1000, 5000};
    RawArchive before = ReadRawArchive(archive);
    const RawEntry* a = before.Find("docs/a.txt");
    ASSERT_NE(nullptr, a);

    BSTree* set = MakeBSSet({"docs\\a.txt"});
    RewriteOutcome out;
    EXPECT_EQ(REWRITE_DONE, DeleteFileFromZIP(archive.c_str(), set, 1, 0, &out));
    BSTreeDestroy(&set);
    EXPECT_EQ(1, out.deleted) << "the simulation still reports what it would delete";
    EXPECT_EQ(9, GApp.listTotals.rows);
    EXPECT_EQ(1000 - (int64_t)a->compressed, GApp.listTotals.compressed);

    RBTree* rb = MakeRBSet({{"docs\\a.txt", "x.txt"}});
    EXPECT_EQ(REWRITE_NOT_REPLACED, ChangeFilesFromZIP(archive.c_str(), rb, 1, 0, &out));
    EXPECT_EQ(1, out.renamed);
    EXPECT_EQ(REWRITE_DONE, DeleteFilesFromZIPRBTree(archive.c_str(), rb, 1, 0, &out));
    RBTreeDestroy(&rb);
    EXPECT_EQ(bytes, FileBytes(archive));
    EXPECT_FALSE(PathExists(archive + ".tmp"));
}

TEST_F(Rewrite, TotalsFollowDeletedFilesOnlyWhenTheArchiveChanged)
{
    std::string archive = CopyFixture("py_comments.zip", folder);
    RawArchive before = ReadRawArchive(archive);
    const RawEntry* b = before.Find("docs/b.bin");
    ASSERT_NE(nullptr, b);
    GApp.listTotals = {5, 100000, 200000};
    // A folder entry among the deleted ones is not counted as a file.
    RBTree* set = MakeRBSet({{"docs\\b.bin", ""}, {"docs\\", ""}});
    ASSERT_EQ(REWRITE_DONE, DeleteFilesFromZIPRBTree(archive.c_str(), set, 0, 0));
    EXPECT_EQ(4, GApp.listTotals.rows);
    EXPECT_EQ(100000 - (int64_t)b->compressed, GApp.listTotals.compressed);
    EXPECT_EQ(200000 - (int64_t)b->uncompressed, GApp.listTotals.uncompressed);

    // A rewrite that changes nothing leaves the totals alone.
    GApp.listTotals = {5, 100000, 200000};
    EXPECT_EQ(REWRITE_NOT_REPLACED, DeleteFilesFromZIPRBTree(archive.c_str(), set, 0, 0));
    RBTreeDestroy(&set);
    EXPECT_EQ(5, GApp.listTotals.rows);
    EXPECT_EQ(100000, GApp.listTotals.compressed);
}

TEST_F(Rewrite, RedBlackSetsTakePathKeysAndKeyedNewNames)
{
    std::string archive = CopyFixture("py_comments.zip", folder);
    RBTree* set = MakeRBSet({{"  1*docs\\a.txt", "  1*notes\\a.txt"}, {"  1*docs\\b.bin", "notes\\b.bin"}});
    ASSERT_EQ(REWRITE_DONE, ChangeFilesFromZIP(archive.c_str(), set, 0, 0));
    RBTreeDestroy(&set);
    RawArchive after = ReadRawArchive(archive);
    EXPECT_NE(nullptr, after.Find("notes/a.txt"));
    EXPECT_NE(nullptr, after.Find("notes/b.bin"));
    EXPECT_EQ(nullptr, after.Find("docs/a.txt"));
}

TEST_F(Rewrite, LookupsIgnoreCase)
{
    std::string archive = CopyFixture("py_comments.zip", folder);
    BSTree* set = MakeBSSet({"DOCS\\A.TXT"});
    ASSERT_EQ(REWRITE_DONE, DeleteFileFromZIP(archive.c_str(), set, 0, 0));
    EXPECT_EQ(0, BSTreeCount(set)) << "a matched key leaves the set";
    BSTreeDestroy(&set);
    EXPECT_EQ(nullptr, ReadRawArchive(archive).Find("docs/a.txt"));
}

// ---- code pages of stored names ----

class CodePages : public Rewrite {
protected:
    void SetUp() override
    {
        Rewrite::SetUp();
        char conv[64];
        OemToCharA(kOemStored, conv);
        oemKey = conv;
        OemToCharA(kAnsiStored, conv);
        ansiReadAsOem = conv;
    }
    // "grüße.txt" stored in code page 437; "ärger.txt" stored in code page 1252.
    const char* kOemStored = "gr\x81\xe1" "e.txt";
    const char* kAnsiStored = "\xe4rger.txt";
    std::string oemKey;         // what the list shows for the OEM-stored name
    std::string ansiReadAsOem;  // what the ANSI-stored name turns into when read as OEM
};

TEST_F(CodePages, OemNamesMatchInTheFirstPassAnsiNamesInTheSecond)
{
    ASSERT_NE(oemKey, kOemStored) << "the OEM and ANSI code pages must differ for these bytes";
    ASSERT_NE(ansiReadAsOem, kAnsiStored);
    struct Case {
        const char* label;
        std::string key;
        int oem;
        int expected;
    } cases[] = {
        {"OEM name, converting pass", oemKey, 1, REWRITE_DONE},
        {"OEM name, plain pass", oemKey, 0, REWRITE_NOT_REPLACED},
        {"ANSI name, converting pass", kAnsiStored, 1, REWRITE_NOT_REPLACED},
        {"ANSI name, plain pass", kAnsiStored, 0, REWRITE_DONE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        std::string archive = CopyFixture("py_codepages.zip", folder);
        BSTree* set = MakeBSSet({c.key});
        EXPECT_EQ(c.expected, DeleteFileFromZIP(archive.c_str(), set, 0, c.oem));
        BSTreeDestroy(&set);
        DeleteFileA(archive.c_str());
    }
}

TEST_F(CodePages, TwoPassesDeleteBothKinds)
{
    std::string archive = CopyFixture("py_codepages.zip", folder);
    BSTree* set = MakeBSSet({oemKey, kAnsiStored});
    RewriteOutcome out;
    EXPECT_EQ(REWRITE_DONE, DeleteFileFromZIPTwoPass(archive.c_str(), set, 0, &out));
    EXPECT_EQ(0, BSTreeCount(set));
    BSTreeDestroy(&set);
    RawArchive after = ReadRawArchive(archive);
    EXPECT_EQ(std::vector<std::string>{"plain.txt"}, after.Names());
}

TEST_F(CodePages, RenameOfAnAnsiNameNeedsTheSecondPass)
{
    std::string archive = CopyFixture("py_codepages.zip", folder);
    BSTree* set = MakeBSSet({kAnsiStored});
    RenameRequest req;
    snprintf(req.oldKey, sizeof req.oldKey, "%s", kAnsiStored);
    snprintf(req.newName, sizeof req.newName, "anger.txt");
    EXPECT_EQ(REWRITE_DONE, ChangeFileFromZIPTwoPass(archive.c_str(), set, &req, nullptr));
    BSTreeDestroy(&set);
    RawArchive after = ReadRawArchive(archive);
    EXPECT_NE(nullptr, after.Find("anger.txt"));
    EXPECT_EQ(nullptr, after.Find(kAnsiStored));
    EXPECT_NE(nullptr, after.Find(kOemStored)) << "the OEM-stored name is kept as stored";
}

// ---- names that collide ----

TEST_F(Rewrite, RenamesOntoATakenNameAreRefused)
{
    struct Case {
        const char* label;
        bool bySet;
        std::vector<std::pair<std::string, std::string>> renames;
        const char* taken;
    } cases[] = {
        {"file onto file", false, {{"docs/a.txt", "docs/b.bin"}}, "docs/b.bin"},
        {"other case", false, {{"docs/a.txt", "DOCS/B.BIN"}}, "DOCS/B.BIN"},
        {"backslashes", false, {{"docs/a.txt", "docs\\b.bin"}}, "docs/b.bin"},
        {"moved folder onto a file", true, {{"deep/er/est/leaf.txt", "top.txt"}}, "top.txt"},
        {"two entries onto one name", true, {{"docs/a.txt", "same.txt"}, {"docs/b.bin", "same.txt"}}, "same.txt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        std::string archive = CopyFixture("py_comments.zip", folder);
        std::string bytes = FileBytes(archive);
        RewriteOutcome out;
        int r;
        if (c.bySet) {
            std::vector<std::pair<std::string, std::string>> keys;
            for (const auto& rn : c.renames) keys.emplace_back(Backslashed(rn.first), rn.second);
            RBTree* set = MakeRBSet(keys);
            r = ChangeFilesFromZIP(archive.c_str(), set, 0, 0, &out);
            RBTreeDestroy(&set);
        } else {
            BSTree* set = MakeBSSet({Backslashed(c.renames[0].first)});
            RenameRequest req;
            snprintf(req.oldKey, sizeof req.oldKey, "%s", Backslashed(c.renames[0].first).c_str());
            snprintf(req.newName, sizeof req.newName, "%s", c.renames[0].second.c_str());
            r = ChangeFileFromZIPTwoPass(archive.c_str(), set, &req, &out);
            BSTreeDestroy(&set);
        }
        EXPECT_EQ(REWRITE_NAME_COLLISION, r);
        EXPECT_STREQ(c.taken, out.collision);
        EXPECT_EQ(bytes, FileBytes(archive)) << "a refused rename must change nothing";
        EXPECT_FALSE(PathExists(archive + ".tmp"));
        DeleteFileA(archive.c_str());
    }
}

TEST_F(Rewrite, RenamesThatFreeTheirNamesAreNoCollision)
{
    struct Case {
        const char* label;
        std::vector<std::pair<std::string, std::string>> renames;
        std::vector<std::string> names;  // entry names afterwards (the folder entry stays), sorted
    } cases[] = {
        {"swap two names", {{"docs/a.txt", "docs/b.bin"}, {"docs/b.bin", "docs/a.txt"}},
         {"deep/er/est/leaf.txt", "docs/", "docs/a.txt", "docs/b.bin", "empty.txt", "top.txt"}},
        {"same name", {{"top.txt", "top.txt"}},
         {"deep/er/est/leaf.txt", "docs/", "docs/a.txt", "docs/b.bin", "empty.txt", "top.txt"}},
        {"only the case", {{"top.txt", "TOP.txt"}},
         {"TOP.txt", "deep/er/est/leaf.txt", "docs/", "docs/a.txt", "docs/b.bin", "empty.txt"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        std::string archive = CopyFixture("py_comments.zip", folder);
        RawArchive before = ReadRawArchive(archive);
        std::vector<std::pair<std::string, std::string>> keys;
        for (const auto& rn : c.renames) keys.emplace_back(Backslashed(rn.first), rn.second);
        RBTree* set = MakeRBSet(keys);
        ASSERT_EQ(REWRITE_DONE, ChangeFilesFromZIP(archive.c_str(), set, 0, 0));
        RBTreeDestroy(&set);
        RawArchive after = ReadRawArchive(archive);
        std::vector<std::string> names = after.Names();
        std::sort(names.begin(), names.end());
        EXPECT_EQ(c.names, names);
        for (const auto& rn : c.renames) {
            const RawEntry* got = after.Find(rn.second);
            ASSERT_NE(nullptr, got);
            EXPECT_EQ(before.Find(rn.first)->data, got->data) << rn.first << " -> " << rn.second;
        }
        DeleteFileA(archive.c_str());
    }
}

TEST_F(Rewrite, AFileCannotTakeAFolderName)
{
    const char* bad[] = {"newdir/", ""};
    for (const char* name : bad) {
        SCOPED_TRACE(std::string("new name \"") + name + "\"");
        std::string archive = CopyFixture("py_comments.zip", folder);
        std::string bytes = FileBytes(archive);
        BSTree* set = MakeBSSet({"top.txt"});
        RenameRequest req;
        snprintf(req.oldKey, sizeof req.oldKey, "top.txt");
        snprintf(req.newName, sizeof req.newName, "%s", name);
        EXPECT_EQ(REWRITE_NOT_REPLACED, ChangeFileFromZIP(archive.c_str(), set, CHANGE_ACTION_RENAME, &req, 0));
        BSTreeDestroy(&set);
        EXPECT_EQ(bytes, FileBytes(archive));
        DeleteFileA(archive.c_str());
    }
}

// ---- the content replacement ----

TEST_F(Rewrite, ReplacingContentKeepsTheOtherEntriesAndWritesTheNewOneLast)
{
    struct Case {
        const char* fixture;
        const char* entry;
        const char* password;  // of the untouched entries
        const char* other;
    } cases[] = {{"py_comments.zip", "docs/a.txt", nullptr, "top.txt"},
                 {"iz_encrypted.zip", "hello.txt", "secret", "deep/er/est/leaf.txt"},
                 {"py_comments.zip", "brand/new.txt", nullptr, "top.txt"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.fixture) + " " + c.entry);
        std::string archive = CopyFixture(c.fixture, folder);
        RawArchive before = ReadRawArchive(archive);
        const std::string text = "changed text\r\nsecond line\r\n";
        ASSERT_EQ(REWRITE_DONE, ReplaceZipEntryContent(archive.c_str(), c.entry, text.data(), text.size(), 6));
        RawArchive after = ReadRawArchive(archive);
        ASSERT_TRUE(after.ok);
        ASSERT_FALSE(after.entries.empty());
        EXPECT_EQ(c.entry, after.entries.back().name) << "the new entry goes last";
        EXPECT_EQ(0u, after.entries.back().flag & 1) << "the new content is not encrypted";
        std::string got;
        ASSERT_TRUE(ReadEntryContent(archive, c.entry, &got));
        EXPECT_EQ(text, got);
        const RawEntry* b = before.Find(c.other);
        const RawEntry* a = after.Find(c.other);
        ASSERT_TRUE(b && a);
        EXPECT_EQ("", RawEntryDifference(*b, *a));
        std::string otherText;
        EXPECT_TRUE(ReadEntryContent(archive, c.other, &otherText, c.password));
        EXPECT_EQ(before.comment, after.comment);
        DeleteFileA(archive.c_str());
    }
}

}  // namespace
