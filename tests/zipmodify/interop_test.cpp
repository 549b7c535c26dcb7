// Every kind of rewrite on every fixture, written where the Linux-side checkers (unzip, bsdtar,
// Python's raw comparison; check_interop.sh) look for them: the folder named by KV_MODIFY_OUT,
// with a manifest of what each archive should hold. Without KV_MODIFY_OUT the archives go to a
// temporary folder and only this program's own checks run.
#include <gtest/gtest.h>

#include <cstdlib>

#include "model/appstate.h"
#include "model/bstree.h"
#include "model/rbtree.h"
#include "modifysupport.h"
#include "support/testsupport.h"
#include "zip/modify.h"
#include "zip/ziphelper.h"
#include "zip/zipnames.h"

namespace {

enum Kind { DELETE_ONE, DELETE_SET, RENAME_ONE, MOVE_ALL, REPLACE_CONTENT };

struct Fixture {
    const char* name;
    unsigned kinds;  // bit per Kind
};
const unsigned kAll = 0x1f;
const Fixture kFixtures[] = {
    {"iz_comment.zip", kAll}, {"iz_encrypted.zip", kAll}, {"iz_stored.zip", kAll}, {"py_comments.zip", kAll},
    {"py_zip64_small.zip", kAll}, {"py_codepages.zip", kAll}, {"py_names.zip", kAll}, {"py_many.zip", kAll},
    {"7z_lzma.zip", kAll}, {"7z_aes.zip", kAll}, {"prefixed.zip", kAll},
    {"py_zip64_many.zip", 1u << DELETE_ONE | 1u << MOVE_ALL},
    // Reading a 4 GiB member back takes the checkers a while: one kind is enough.
    {"py_zip64_big.zip", 1u << DELETE_ONE},
};
const char* const kKindNames[] = {"delete", "deleteset", "rename", "move", "replace"};

const RawEntry* FileEntryAt(const RawArchive& a, int index)
{
    int seen = 0;
    for (const RawEntry& e : a.entries) {
        if (IsZipDirectoryName(e.name.c_str())) continue;
        if (seen++ == index) return &e;
    }
    return nullptr;
}

// The name the views show for an entry (its decoded name in the ANSI code page): what the
// commands hand the rewrites.
std::string ShownName(const RawEntry& e)
{
    char shown[260];
    DecodeZipNameAnsi(e.name.data(), e.name.size(), (uint16_t)e.flag, (const unsigned char*)e.centralExtra.data(),
                      e.centralExtra.size(), shown, sizeof shown);
    return shown;
}

// How a new name given in the ANSI code page is stored.
std::string StoredForm(const std::string& ansi)
{
    std::string stored;
    EncodeZipNameForWriting(ansi.c_str(), &stored, nullptr);
    return stored;
}

TEST(Interop, EveryKindOfRewriteForTheLinuxCheckers)
{
    SetCompressionMethod(CM_ZIP);
    const char* env = getenv("KV_MODIFY_OUT");
    std::string out = env && *env ? env : MakeTempFolder("zipmodinterop");
    CreateDirectoryA(out.c_str(), nullptr);
    std::string manifest;
    for (const Fixture& f : kFixtures) {
        const char* fixture = f.name;
        RawArchive source = ReadRawArchive(ModifyFixturePath(fixture));
        ASSERT_TRUE(source.ok) << fixture;
        const RawEntry* firstEntry = FileEntryAt(source, 0);
        const RawEntry* secondEntry = FileEntryAt(source, 1);
        ASSERT_TRUE(firstEntry && secondEntry) << fixture;
        std::string first = firstEntry->name, second = secondEntry->name;
        std::string firstShown = ShownName(*firstEntry), secondShown = ShownName(*secondEntry);
        for (int kind = DELETE_ONE; kind <= REPLACE_CONTENT; ++kind) {
            if (!(f.kinds & (1u << kind))) continue;
            std::string name = std::string(kKindNames[kind]) + "_" + fixture;
            SCOPED_TRACE(name);
            std::string archive = out + "\\" + name;
            ASSERT_TRUE(CopyFileA(ModifyFixturePath(fixture).c_str(), archive.c_str(), FALSE));
            SetFileAttributesA(archive.c_str(), FILE_ATTRIBUTE_NORMAL);
            std::string line = name + "\t" + fixture;
            int r = -100;
            if (kind == DELETE_ONE) {
                BSTree* set = MakeBSSet({Backslashed(firstShown)});
                r = DeleteFileFromZIP(archive.c_str(), set, 0, 1);
                BSTreeDestroy(&set);
                line += "\tD\t" + first;
            } else if (kind == DELETE_SET) {
                RBTree* set = MakeRBSet({{Backslashed(firstShown), ""}, {Backslashed(secondShown), ""}});
                r = DeleteFilesFromZIPRBTree(archive.c_str(), set, 0, 1);
                RBTreeDestroy(&set);
                line += "\tD\t" + first + "\tD\t" + second;
            } else if (kind == RENAME_ONE) {
                BSTree* set = MakeBSSet({Backslashed(firstShown)});
                RenameRequest req;
                snprintf(req.oldKey, sizeof req.oldKey, "%s", Backslashed(firstShown).c_str());
                snprintf(req.newName, sizeof req.newName, "renamed/%s", ZipBaseName(firstShown.c_str()));
                r = ChangeFileFromZIP(archive.c_str(), set, CHANGE_ACTION_RENAME, &req, 1);
                BSTreeDestroy(&set);
                line += "\tR\t" + first + "\t" + StoredForm(req.newName);
            } else if (kind == MOVE_ALL) {
                std::vector<std::pair<std::string, std::string>> moves;
                for (const RawEntry& e : source.entries) {
                    if (IsZipDirectoryName(e.name.c_str()) || e.name.size() > 250) continue;
                    std::string shown = ShownName(e);
                    moves.emplace_back(Backslashed(shown), "moved\\" + Backslashed(shown));
                    line += "\tR\t" + e.name + "\t" + StoredForm("moved/" + shown);
                }
                RBTree* set = MakeRBSet(moves);
                r = ChangeFilesFromZIP(archive.c_str(), set, 0, 1);
                RBTreeDestroy(&set);
            } else {
                const std::string text = "new content written by Kelvora\n";
                r = ReplaceZipEntryContent(archive.c_str(), firstShown.c_str(), text.data(), text.size(), 6);
                line += "\tD\t" + first + "\tA\t" + StoredForm(firstShown);
            }
            ASSERT_EQ(REWRITE_DONE, r) << RewriteResultText(r);
            RawArchive after = ReadRawArchive(archive);
            EXPECT_TRUE(after.ok);
            EXPECT_EQ(source.comment, after.comment);
            manifest += line + "\n";
        }
    }
    ASSERT_TRUE(WriteWholeFile(out + "\\manifest.txt", manifest));
    if (!(env && *env)) RemoveFolderTree(out);
}

}  // namespace
