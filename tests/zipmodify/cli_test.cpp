// kelvora-cli d and rn: what they change, what they print and how they exit.
#include <gtest/gtest.h>

#include <algorithm>

#include "modifysupport.h"
#include "support/testsupport.h"

namespace {

struct CliCase {
    const char* label;
    const char* fixture;
    const char* args;      // after the program name; %s is the archive
    int exitCode;
    std::vector<std::string> gone;     // entries no longer in the archive
    std::vector<std::string> present;  // entries in the archive afterwards
    const char* out;       // text standard output holds ("" for none)
    const char* err;       // text standard error holds ("" for none)
    bool unchanged;        // the archive must be byte for byte as before
    bool archiveGone;
};

const CliCase kCases[] = {
    {"delete one member", "py_many.zip", "d \"%s\" d01/f001.txt", 0, {"d01/f001.txt"}, {"d01/f011.txt"},
     "deleted\td01/f001.txt", "", false, false},
    {"delete with backslashes and other case", "py_many.zip", "d \"%s\" D01\\F001.TXT", 0, {"d01/f001.txt"}, {},
     "deleted\td01/f001.txt", "", false, false},
    {"delete a folder", "py_many.zip", "d \"%s\" d03/", 0, {"d03/f003.txt", "d03/f293.txt"}, {"d04/f004.txt"},
     "deleted\td03/f293.txt", "", false, false},
    {"one member missing", "py_many.zip", "d \"%s\" d01/f001.txt nothing.txt", 1, {"d01/f001.txt"}, {},
     "deleted\td01/f001.txt", "not in the archive: nothing.txt", false, false},
    {"every member missing", "py_many.zip", "d \"%s\" nothing.txt", 1, {}, {}, "", "nothing.txt", true, false},
    {"delete everything", "py_comments.zip", "d \"%s\" docs/ deep/ top.txt empty.txt", 0, {}, {}, "deleted\ttop.txt",
     "was removed", false, true},
    {"no member given", "py_many.zip", "d \"%s\"", 2, {}, {}, "", "usage", true, false},
    {"rename a file", "py_comments.zip", "rn \"%s\" top.txt new/top.txt", 0, {"top.txt"}, {"new/top.txt"},
     "renamed\ttop.txt\tnew/top.txt", "", false, false},
    {"rename onto a taken name", "py_comments.zip", "rn \"%s\" top.txt docs/a.txt", 1, {}, {"top.txt"}, "",
     "docs/a.txt exists already", true, false},
    {"move a folder", "py_comments.zip", "rn \"%s\" docs/ papers", 0, {"docs/a.txt", "docs/b.bin"},
     {"papers/a.txt", "papers/b.bin"}, "renamed\tdocs/b.bin\tpapers/b.bin", "", false, false},
    {"move a folder into another", "py_comments.zip", "rn \"%s\" deep/er/est/ docs/", 0,
     {"deep/er/est/leaf.txt"}, {"docs/leaf.txt"}, "", "", false, false},
    {"rename a missing member", "py_comments.zip", "rn \"%s\" none.txt x.txt", 1, {}, {}, "", "none.txt", true, false},
    {"a file cannot become a folder", "py_comments.zip", "rn \"%s\" top.txt folder/", 2, {}, {}, "", "", true, false},
    {"too few arguments", "py_comments.zip", "rn \"%s\" top.txt", 2, {}, {}, "", "usage", true, false},
};

class Cli : public ::testing::Test {
protected:
    void SetUp() override { folder = MakeTempFolder("zipmodcli"); }
    void TearDown() override { RemoveFolderTree(folder); }
    std::string folder;
};

TEST_F(Cli, DeleteAndRenameCommands)
{
    std::string cli = "\"" + TestProgramFolder() + "\\kelvora-cli.exe\" ";
    for (const CliCase& c : kCases) {
        SCOPED_TRACE(c.label);
        std::string archive = CopyFixture(c.fixture, folder);
        ASSERT_FALSE(archive.empty());
        std::string bytes = FileBytes(archive);
        char args[1024];
        snprintf(args, sizeof args, c.args, archive.c_str());
        std::string out, err;
        EXPECT_EQ(c.exitCode, RunCapturingOutput(cli + args, &out, &err)) << "stderr: " << err;
        if (*c.out) {
            EXPECT_NE(std::string::npos, out.find(c.out)) << "stdout: " << out;
        }
        if (*c.err) {
            EXPECT_NE(std::string::npos, err.find(c.err)) << "stderr: " << err;
        }
        EXPECT_FALSE(PathExists(archive + ".tmp"));
        if (c.archiveGone) {
            EXPECT_FALSE(PathExists(archive));
            continue;
        }
        if (c.unchanged) {
            EXPECT_EQ(bytes, FileBytes(archive));
        }
        RawArchive after = ReadRawArchive(archive);
        ASSERT_TRUE(after.ok);
        for (const std::string& n : c.gone) EXPECT_EQ(nullptr, after.Find(n)) << n;
        for (const std::string& n : c.present) EXPECT_NE(nullptr, after.Find(n)) << n;
        DeleteFileA(archive.c_str());
    }
}

TEST_F(Cli, AnArchiveThatDoesNotOpenExitsWithTwo)
{
    std::string cli = "\"" + TestProgramFolder() + "\\kelvora-cli.exe\" ";
    std::string missing = folder + "\\missing.zip";
    std::string notZip = folder + "\\text.zip";
    ASSERT_TRUE(WriteWholeFile(notZip, std::string(3000, 'x')));
    const std::string commands[] = {"d \"" + missing + "\" a.txt", "rn \"" + missing + "\" a.txt b.txt",
                                    "d \"" + notZip + "\" a.txt"};
    for (const std::string& cmd : commands) {
        SCOPED_TRACE(cmd);
        std::string out, err;
        EXPECT_EQ(2, RunCapturingOutput(cli + cmd, &out, &err));
        EXPECT_NE(std::string::npos, err.find("cannot be opened")) << err;
    }
    EXPECT_FALSE(PathExists(missing));
}

}  // namespace
