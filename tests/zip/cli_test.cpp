// kelvora-cli as a script uses it: listings compared with Python's, exit codes, messages on
// standard error, extraction with its options.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/testsupport.h"
#include "ziptestsupport.h"

namespace {

struct CliResult {
    int code = -1;
    std::string out;
    std::string err;
};

CliResult Cli(const std::string& arguments)
{
    CliResult r;
    std::string cmd = "\"" + TestProgramFolder() + "\\kelvora-cli.exe\" " + arguments;
    r.code = RunCapturingOutput(cmd, &r.out, &r.err);
    return r;
}

std::string Quoted(const std::string& s)
{
    return "\"" + s + "\"";
}

// The expectation file without its header line: exactly what "l" must print.
std::string ExpectedListingText(const std::string& archive)
{
    std::string base = archive.substr(0, archive.size() - 4);
    std::string text = ReadFixtureText(base + ".expect");
    size_t eol = text.find('\n');
    return eol == std::string::npos ? std::string() : text.substr(eol + 1);
}

}  // namespace

TEST(ZipCli, ListingIsWhatPythonReads)
{
    for (const char* archive : {"zip_stored.zip", "zip_deflated.zip", "zip_encrypted.zip", "zip_encrypted_flat.zip",
                                "zip_onlydirs.zip", "py_oem_names.zip", "py_zip64_big.zip", "py_mixed_methods.zip",
                                "7z_aes.zip", "hostile.zip", "longname.zip"}) {
        CliResult r = Cli("l " + Quoted(FixturePath(archive)));
        EXPECT_EQ(0, r.code) << archive << ": " << r.err;
        EXPECT_EQ(ExpectedListingText(archive), r.out) << archive;
    }
}

TEST(ZipCli, ListingOfManyMembersAgreesWithUnzip)
{
    CliResult r = Cli("l " + Quoted(FixturePath("py_zip64_many.zip")));
    ASSERT_EQ(0, r.code) << r.err;
    EXPECT_TRUE(r.out == ExpectedListingText("py_zip64_many.zip"));
    // The names Info-ZIP's unzip reports, in the same order.
    std::vector<std::string> names = ReadFixtureLines("py_zip64_many.unzip-names");
    size_t pos = 0, row = 0;
    while (pos < r.out.size() && row < names.size()) {
        size_t eol = r.out.find('\n', pos);
        std::string line = r.out.substr(pos, eol - pos);
        std::string name = line.substr(line.rfind('\t') + 1);
        if (name != names[row]) break;
        ++row;
        pos = eol + 1;
    }
    EXPECT_EQ(names.size(), row) << "first difference at row " << row;
}

TEST(ZipCli, ExitCodesAndMessages)
{
    struct { std::string args; int code; bool quietStdout; } cases[] = {
        {"", 2, true},
        {"q " + Quoted(FixturePath("zip_stored.zip")), 2, true},
        {"x " + Quoted(FixturePath("zip_stored.zip")), 2, true},  // -o missing
        {"l " + Quoted(FixturePath("notazip.zip")), 2, true},
        {"t " + Quoted(FixturePath("empty.zip")), 2, true},
        {"t " + Quoted(FixturePath("zip_deflated.zip")), 0, true},
        {"t " + Quoted(FixturePath("badcrc_stored.zip")), 1, false},
        {"t " + Quoted(FixturePath("zip_encrypted_flat.zip")) + " -p secret", 0, true},
        {"t " + Quoted(FixturePath("zip_encrypted_flat.zip")) + " -p wrong", 1, false},
    };
    for (auto& c : cases) {
        CliResult r = Cli(c.args);
        EXPECT_EQ(c.code, r.code) << c.args << "\n" << r.err;
        EXPECT_EQ(c.quietStdout, r.out.empty()) << c.args << "\n" << r.out;
        if (c.code == 2) {
            EXPECT_FALSE(r.err.empty()) << c.args;
        }
    }
    // One line per failing member.
    CliResult r = Cli("t " + Quoted(FixturePath("py_mixed_methods.zip")));
    EXPECT_EQ(1, r.code);
    EXPECT_EQ(2, (int)std::count(r.out.begin(), r.out.end(), '\n')) << r.out;
    EXPECT_NE(std::string::npos, r.out.find("b_bzip2.txt"));
    EXPECT_NE(std::string::npos, r.out.find("c_lzma.txt"));
}

TEST(ZipCli, ExtractAllNamedMembersAndOverwriteOptions)
{
    std::string root = MakeTempFolder("cli_x");
    std::string target = root + "\\out";
    CliResult r = Cli("x " + Quoted(FixturePath("zip_deflated.zip")) + " -o " + Quoted(target));
    EXPECT_EQ(0, r.code) << r.err;
    EXPECT_EQ(6u, ListFilesBelow(target).size());
    std::string want, got;
    ReadWholeFile(FixtureSourcePath("docs/img/noise.bin"), &want);
    ReadWholeFile(target + "\\docs\\img\\noise.bin", &got);
    EXPECT_TRUE(got == want);

    // Existing files: skipped and said so without options, kept quietly with -n, replaced with -y.
    ASSERT_TRUE(WriteWholeFile(target + "\\hello.txt", "changed"));
    r = Cli("x " + Quoted(FixturePath("zip_deflated.zip")) + " -o " + Quoted(target) + " hello.txt");
    EXPECT_EQ(0, r.code) << r.err;
    EXPECT_NE(std::string::npos, r.err.find("skipped")) << r.err;
    ReadWholeFile(target + "\\hello.txt", &got);
    EXPECT_EQ("changed", got);
    r = Cli("x " + Quoted(FixturePath("zip_deflated.zip")) + " -o " + Quoted(target) + " -n hello.txt");
    EXPECT_EQ(0, r.code);
    EXPECT_TRUE(r.err.empty()) << r.err;
    ReadWholeFile(target + "\\hello.txt", &got);
    EXPECT_EQ("changed", got);
    r = Cli("x " + Quoted(FixturePath("zip_deflated.zip")) + " -o " + Quoted(target) + " -y hello.txt");
    EXPECT_EQ(0, r.code);
    ReadWholeFile(target + "\\hello.txt", &got);
    ReadWholeFile(FixtureSourcePath("hello.txt"), &want);
    EXPECT_TRUE(got == want);

    // Named members only; a name the archive lacks is reported.
    std::string only = root + "\\only";
    r = Cli("x " + Quoted(FixturePath("zip_deflated.zip")) + " -o " + Quoted(only) +
            " docs/readme.txt \"my file.txt\" missing.txt");
    EXPECT_EQ(1, r.code);
    EXPECT_NE(std::string::npos, r.err.find("missing.txt"));
    std::vector<std::string> files = ListFilesBelow(only);
    std::vector<std::string> expect = {"docs/readme.txt", "my file.txt"};
    EXPECT_EQ(expect, files);
    RemoveFolderTree(root);
}

TEST(ZipCli, ExtractRefusesHostileNamesAndNeedsThePassword)
{
    std::string root = MakeTempFolder("cli_hostile");
    std::string target = root + "\\out";
    CliResult r = Cli("x " + Quoted(FixturePath("hostile.zip")) + " -o " + Quoted(target));
    EXPECT_EQ(1, r.code);
    EXPECT_EQ(5, (int)std::count(r.err.begin(), r.err.end(), '\n')) << r.err;
    std::vector<std::string> expect = {"out/c.txt", "out/good.txt", "out/sub/ok.txt"};
    EXPECT_EQ(expect, ListFilesBelow(root));

    std::string enc = root + "\\enc";
    r = Cli("x " + Quoted(FixturePath("zip_encrypted.zip")) + " -o " + Quoted(enc));
    EXPECT_EQ(1, r.code);
    EXPECT_NE(std::string::npos, r.err.find("-p")) << r.err;
    EXPECT_TRUE(ListFilesBelow(enc).empty());
    // A wrong password writes nothing, not even over a file that -y would replace.
    std::string mine = enc + "\\hello.txt";
    CreateDirectoryA(enc.c_str(), nullptr);
    ASSERT_TRUE(WriteWholeFile(mine, "mine"));
    for (const char* options : {"", " -y"}) {
        r = Cli("x " + Quoted(FixturePath("zip_encrypted.zip")) + " -o " + Quoted(enc) + " -p wrong" + options);
        EXPECT_EQ(1, r.code) << options << ": " << r.err;
        EXPECT_NE(std::string::npos, r.err.find("wrong password")) << options << ": " << r.err;
        std::vector<std::string> only = {"hello.txt"};
        EXPECT_EQ(only, ListFilesBelow(enc)) << options;
        std::string text;
        ReadWholeFile(mine, &text);
        EXPECT_EQ("mine", text) << options;
        r = Cli("t " + Quoted(FixturePath("zip_encrypted.zip")) + " -p wrong");
        EXPECT_EQ(1, r.code) << r.out << r.err;
        EXPECT_NE(std::string::npos, r.err.find("wrong password")) << r.err;
    }
    DeleteFileA(mine.c_str());
    r = Cli("x " + Quoted(FixturePath("zip_encrypted.zip")) + " -o " + Quoted(enc) + " -p secret");
    EXPECT_EQ(0, r.code) << r.err;
    EXPECT_EQ(3u, ListFilesBelow(enc).size());
    RemoveFolderTree(root);
}
