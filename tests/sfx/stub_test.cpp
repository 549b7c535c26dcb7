// Built self-extracting programs run under Wine, their windows answered by the driver: the
// extracted tree must equal unzip's extraction of the same archive (contents and file times),
// Cancel and wrong passwords must leave nothing behind, the overwrite question's "No" and
// "All" must keep and replace as asked, and names leading out of the folder are refused.
#include <gtest/gtest.h>

#include <shlobj.h>
#include <minizip/unzip.h>

#include <string>
#include <vector>

#include "sfx/builder.h"
#include "stubdriver.h"
#include "support/testsupport.h"

namespace {

std::string Fixture(const char* name) { return UnixToWindowsPath(std::string(KELVORA_SFX_FIXTURES) + "/" + name); }

// Builds a program from archive (encrypted when password is not empty) into folder.
std::string BuildProgram(const std::string& archive, const std::string& password, const std::string& folder,
                         int pieceMode = SFX_PIECES_BY_HUNDREDTH) {
    SfxJob job = {};
    snprintf(job.source, sizeof job.source, "%s", archive.c_str());
    std::string target = folder + "\\built.exe";
    snprintf(job.target, sizeof job.target, "%s", target.c_str());
    job.password = password.c_str();
    job.encrypt = password.empty() ? 0 : 1;
    job.noDialog = 1;
    job.pieceMode = pieceMode;
    EXPECT_EQ(SFX_BUILD_OK, BuildSelfExtractor(&job)) << archive;
    return target;
}

// Every file of expected is in actual with the same bytes and last-write time, and nothing else.
void ExpectSameTree(const std::string& expectedRoot, const std::string& actualRoot, const std::string& label) {
    std::map<std::string, TreeItem> expected = ReadTree(expectedRoot), actual = ReadTree(actualRoot);
    ASSERT_FALSE(expected.empty()) << "no reference tree at " << expectedRoot;
    for (const auto& item : expected) {
        auto found = actual.find(item.first);
        if (found == actual.end()) {
            ADD_FAILURE() << label << ": " << item.first << " was not extracted";
            continue;
        }
        EXPECT_EQ(item.second.folder, found->second.folder) << label << ": " << item.first;
        if (item.second.folder) continue;
        EXPECT_TRUE(item.second.content == found->second.content) << label << ": content of " << item.first;
        EXPECT_EQ(item.second.lastWrite.dwLowDateTime, found->second.lastWrite.dwLowDateTime)
            << label << ": time of " << item.first;
        EXPECT_EQ(item.second.lastWrite.dwHighDateTime, found->second.lastWrite.dwHighDateTime)
            << label << ": time of " << item.first;
    }
    for (const auto& item : actual)
        EXPECT_TRUE(expected.count(item.first)) << label << ": unexpected " << item.first;
}

bool AnyMessageContains(const StubRun& run, const std::string& part) {
    for (const std::string& m : run.messages)
        if (m.find(part) != std::string::npos) return true;
    return false;
}

std::string AllMessages(const StubRun& run) {
    std::string all;
    for (const std::string& m : run.messages) all += "[" + m + "] ";
    return all;
}

struct ExtractCase {
    const char* name;
    const char* archive;
    const char* password;          // encrypts the archive when not empty
    std::vector<std::string> typed;  // answers to the password dialogs
    std::vector<int> messageButtons;
    int passwordDialogs;
    const char* expectedMessage;   // part of a message the run must show besides success
    int pieceMode;
};

TEST(SfxStub, BuiltProgramsExtractWhatUnzipExtracts) {
    const ExtractCase cases[] = {
        {"plain", "plain.zip", "", {}, {}, 0, nullptr, SFX_PIECES_BY_HUNDREDTH},
        {"encrypted", "plain.zip", "secret", {"secret"}, {}, 1, nullptr, SFX_PIECES_BY_HUNDREDTH},
        {"encrypted, fixed pieces", "plain.zip", "p w", {"p w"}, {}, 1, nullptr, SFX_PIECES_FIXED},
        {"traditionally encrypted entries", "trad.zip", "secret", {"secret"}, {}, 1, nullptr, SFX_PIECES_BY_HUNDREDTH},
        {"traditional entries, plain program", "trad.zip", "", {"secret"}, {}, 1, nullptr, SFX_PIECES_BY_HUNDREDTH},
        {"wrong password, then the right one", "plain.zip", "secret", {"wrong", "secret"}, {IDRETRY}, 2,
         "password is wrong", SFX_PIECES_BY_HUNDREDTH},
    };
    for (const ExtractCase& c : cases) {
        std::string work = MakeTempFolder("sfxrun");
        std::string target = work + "\\out", temp = work + "\\temp";
        CreateDirectoryA(target.c_str(), nullptr);
        CreateDirectoryA(temp.c_str(), nullptr);
        std::string exe = BuildProgram(Fixture(c.archive), c.password, work, c.pieceMode);
        StubScript script;
        script.passwords = c.typed;
        script.messageButtons = c.messageButtons;
        StubRun run = RunStubProgram(exe, target, temp, script);
        EXPECT_TRUE(run.finished) << c.name << ": the program did not end; messages " << AllMessages(run);
        EXPECT_EQ(0, run.exitCode) << c.name;
        EXPECT_EQ(c.passwordDialogs, run.passwordDialogs) << c.name;
        EXPECT_EQ(1, run.folderDialogs) << c.name;
        EXPECT_TRUE(AnyMessageContains(run, "Kelvora - Selfextractor|Unzipped files successful to"))
            << c.name << ": " << AllMessages(run);
        if (c.expectedMessage) {
            EXPECT_TRUE(AnyMessageContains(run, c.expectedMessage)) << c.name << ": " << AllMessages(run);
        }
        ExpectSameTree(Fixture("plain_unzipped"), target, c.name);
        EXPECT_EQ(0, CountFolderEntries(temp)) << c.name << ": temporary files left behind";
        RemoveFolderTree(work);
    }
}

struct CancelCase {
    const char* name;
    const char* password;
    std::vector<std::string> typed;
    std::vector<int> messageButtons;
    bool cancelFolder;
    const char* expectedMessage;
};

TEST(SfxStub, CancelAndWrongPasswordsExtractNothingAndLeaveNoTemporaryFile) {
    const CancelCase cases[] = {
        {"Cancel in the password dialog", "secret", {"<cancel>"}, {}, false, nullptr},
        {"wrong password, then Cancel", "secret", {"wrong"}, {IDCANCEL}, false, "password is wrong"},
        {"Cancel in the folder browser", "", {}, {}, true, nullptr},
    };
    for (const CancelCase& c : cases) {
        std::string work = MakeTempFolder("sfxcancel");
        std::string target = work + "\\out", temp = work + "\\temp";
        CreateDirectoryA(target.c_str(), nullptr);
        CreateDirectoryA(temp.c_str(), nullptr);
        std::string exe = BuildProgram(Fixture("plain.zip"), c.password, work);
        StubScript script;
        script.passwords = c.typed;
        script.messageButtons = c.messageButtons;
        script.cancelFolder = c.cancelFolder;
        StubRun run = RunStubProgram(exe, target, temp, script);
        EXPECT_TRUE(run.finished) << c.name;
        EXPECT_EQ(0, run.exitCode) << c.name;
        EXPECT_EQ(0, CountFolderEntries(target)) << c.name << ": something was extracted";
        EXPECT_EQ(0, CountFolderEntries(temp)) << c.name << ": temporary files left behind";
        EXPECT_FALSE(AnyMessageContains(run, "Unzipped files successful")) << c.name;
        EXPECT_FALSE(AnyMessageContains(run, "Unzipopen")) << c.name << ": " << AllMessages(run);
        if (c.expectedMessage) {
            EXPECT_TRUE(AnyMessageContains(run, c.expectedMessage)) << c.name << ": " << AllMessages(run);
        }
        EXPECT_EQ(c.cancelFolder ? 1 : 0, run.folderDialogs) << c.name;
        RemoveFolderTree(work);
    }
}

// The files of the archive in archive order (names with '\').
std::vector<std::string> ArchiveFiles(const std::string& archive) {
    std::vector<std::string> names;
    unzFile zip = unzOpen64(archive.c_str());
    if (!zip) return names;
    for (int rc = unzGoToFirstFile(zip); rc == UNZ_OK; rc = unzGoToNextFile(zip)) {
        char name[260];
        unz_file_info64 info;
        unzGetCurrentFileInfo64(zip, &info, name, sizeof name, nullptr, 0, nullptr, 0);
        std::string n = name;
        if (n.empty() || n.back() == '/') continue;
        for (char& ch : n)
            if (ch == '/') ch = '\\';
        names.push_back(n);
    }
    unzClose(zip);
    return names;
}

TEST(SfxStub, OverwriteQuestionKeepsOnNoAndReplacesEveryLaterFileOnAll) {
    std::vector<std::string> files = ArchiveFiles(Fixture("plain.zip"));
    ASSERT_GE(files.size(), 4u);
    std::string work = MakeTempFolder("sfxover");
    std::string target = work + "\\out", temp = work + "\\temp";
    CreateDirectoryA(target.c_str(), nullptr);
    CreateDirectoryA(temp.c_str(), nullptr);
    // The first, second and last file exist already.
    const size_t existing[] = {0, 1, files.size() - 1};
    for (size_t i : existing) {
        std::string path = target + "\\" + files[i];
        std::string folder = path.substr(0, path.rfind('\\'));
        SHCreateDirectoryExA(nullptr, folder.c_str(), nullptr);
        ASSERT_TRUE(WriteWholeFile(path, "old copy on disk\n")) << path;
    }
    std::string exe = BuildProgram(Fixture("plain.zip"), "", work);
    StubScript script;
    script.overwrite = {125, 126};  // No, then All
    StubRun run = RunStubProgram(exe, target, temp, script);
    EXPECT_TRUE(run.finished);
    EXPECT_EQ(2, run.overwriteQuestions) << "All must answer for every later file";
    std::string kept, replaced, last;
    ASSERT_TRUE(ReadWholeFile(target + "\\" + files[0], &kept));
    EXPECT_EQ("old copy on disk\n", kept) << files[0] << " was answered No";
    std::map<std::string, TreeItem> expected = ReadTree(Fixture("plain_unzipped"));
    ASSERT_TRUE(ReadWholeFile(target + "\\" + files[1], &replaced));
    EXPECT_TRUE(expected[files[1]].content == replaced) << files[1] << " was answered All";
    ASSERT_TRUE(ReadWholeFile(target + "\\" + files.back(), &last));
    EXPECT_TRUE(expected[files.back()].content == last) << files.back() << " came after All";
    EXPECT_TRUE(AnyMessageContains(run, "Unzipped files successful")) << AllMessages(run);
    RemoveFolderTree(work);
}

TEST(SfxStub, NamesLeadingOutOfTheFolderAreRefused) {
    std::string work = MakeTempFolder("sfxhostile");
    std::string target = work + "\\a\\b\\out", temp = work + "\\temp";
    SHCreateDirectoryExA(nullptr, target.c_str(), nullptr);
    CreateDirectoryA(temp.c_str(), nullptr);
    std::string exe = BuildProgram(Fixture("hostile.zip"), "", work);
    StubRun run = RunStubProgram(exe, target, temp, StubScript());
    EXPECT_TRUE(run.finished);
    std::map<std::string, TreeItem> tree = ReadTree(work);
    for (const auto& item : tree)
        EXPECT_EQ(std::string::npos, item.first.find("escaped")) << "written outside the folder: " << item.first;
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA("C:\\escaped_drive.txt"));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((target.substr(0, 2) + "\\escaped_absolute.txt").c_str()));
    std::string content;
    EXPECT_TRUE(ReadWholeFile(target + "\\good.txt", &content));
    EXPECT_TRUE(ReadWholeFile(target + "\\kept_inside.txt", &content)) << "a .. that stays inside is fine";
    EXPECT_TRUE(ReadWholeFile(target + "\\inner\\ok.txt", &content));
    EXPECT_TRUE(AnyMessageContains(run, "4 names lead out of the target folder")) << AllMessages(run);
    EXPECT_FALSE(AnyMessageContains(run, "Unzipped files successful")) << AllMessages(run);
    EXPECT_EQ(0, CountFolderEntries(temp));
    RemoveFolderTree(work);
}

}  // namespace
