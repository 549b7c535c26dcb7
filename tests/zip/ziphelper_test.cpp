// The access layer against archives written by Info-ZIP, Python's zipfile and 7-Zip.
#include <gtest/gtest.h>
#include <algorithm>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>

#include "support/testsupport.h"
#include "ui/prompts.h"
#include "ui/promptscript.h"
#include "zip/ziphelper.h"
#include "ziptestsupport.h"

namespace {

// Opens archive and positions the reader on the member called name; null when not found.
unzFile OpenAt(const std::string& archive, const char* name)
{
    unzFile uf = MyWaitunzOpen2_64(FixturePath(archive).c_str(), 0);
    if (!uf) return nullptr;
    if (unzLocateFile(uf, name, 1) != UNZ_OK) {
        unzClose(uf);
        return nullptr;
    }
    return uf;
}

// Reads the member into a string through ZipReadCurrentToMemory; returns the read result,
// or -1 / -2 when the member cannot be found / opened (openResult tells why).
int ReadMember(const std::string& archive, const char* name, std::string* data, int* openResult)
{
    unzFile uf = OpenAt(archive, name);
    if (!uf) return -1;
    unz_file_info64 info;
    ZipGetCurrentEntryInfo(uf, &info, nullptr, 0);
    *openResult = ZipOpenCurrentFileWithPassword(uf, nullptr, nullptr, 0, "");
    if (*openResult != UNZ_R_OK) {
        unzClose(uf);
        return -2;
    }
    data->assign((size_t)info.uncompressed_size, '\0');
    char buf[4096];
    int ok = ZipReadCurrentToMemory(uf, info.uncompressed_size, buf, sizeof buf, &(*data)[0]);
    int close = UnzResultFromLibrary(unzCloseCurrentFile(uf));
    unzClose(uf);
    return ok && close == UNZ_R_OK ? 1 : 0;
}

struct PasswordReset {
    PasswordReset() { ClearGlobalPassword(); ResetZipPasswordProtected(); }
    ~PasswordReset() { ClearGlobalPassword(); ResetZipPasswordProtected(); }
};

}  // namespace

TEST(ZipResults, TextsAndLibraryMapping)
{
    EXPECT_STREQ("unzip is ok", UnzResultText(0));
    EXPECT_STREQ("unzip copyright error", UnzResultText(20));
    for (int outside : {21, 22, -1, 1000})
        EXPECT_STREQ("unzip unknown error", UnzResultText(outside)) << outside;

    struct { int library; int result; } cases[] = {
        {UNZ_OK, 0}, {123, 0}, {UNZ_END_OF_LIST_OF_FILE, 1}, {UNZ_ERRNO, 2}, {UNZ_PARAMERROR, 4},
        {UNZ_BADZIPFILE, 5}, {UNZ_INTERNALERROR, 6}, {UNZ_CRCERROR, 7}, {-3 /* Z_DATA_ERROR */, 5},
    };
    for (auto& c : cases) EXPECT_EQ(c.result, UnzResultFromLibrary(c.library)) << "library code " << c.library;
}

TEST(ZipSafeNames, NamesThatLeaveTheTargetAreRefused)
{
    struct { const char* name; int safe; } cases[] = {
        {"a.txt", 1}, {"dir/sub/f.txt", 1}, {"dir\\sub\\f.txt", 1}, {"a/../c.txt", 1}, {"./x.txt", 1},
        {"dir/", 1}, {"a/b/../../c", 1}, {"..foo/bar", 1}, {"x..y", 1},
        {"../evil.txt", 0}, {"..\\evil.txt", 0}, {"/abs.txt", 0}, {"\\abs.txt", 0}, {"C:\\x.txt", 0},
        {"C:x.txt", 0}, {"a/../../b.txt", 0}, {"a/b/../../../c", 0}, {"file.txt:stream", 0},
        {"\\\\server\\share\\x", 0}, {"...\\x", 0}, {". .\\x", 0}, {"", 0}, {"..", 0}, {"../", 0},
    };
    std::string target = MakeTempFolder("safenames");
    for (auto& c : cases) {
        EXPECT_EQ(c.safe, IsSafeEntryName(c.name)) << "name \"" << c.name << "\"";
        EXPECT_EQ(c.safe, IsEntryPathInsideFolder(target.c_str(), c.name)) << "inside check of \"" << c.name << "\"";
    }
    EXPECT_EQ(0, IsSafeEntryName(nullptr));
    RemoveFolderTree(target);
}

TEST(ZipOpen, ResultsForFilesThatAreNoArchives)
{
    struct { const char* file; int lastError; } cases[] = {
        {"does_not_exist.zip", UNZ_R_FILESTREAM}, {"empty.zip", UNZ_R_BADZIP}, {"notazip.zip", UNZ_R_BADZIP},
        {"truncated_half.zip", UNZ_R_BADZIP}, {"truncated_tail.zip", UNZ_R_BADZIP},
    };
    for (auto& c : cases) {
        unzFile uf = MyWaitunzOpen2_64(FixturePath(c.file).c_str(), 0);
        EXPECT_EQ(nullptr, uf) << c.file;
        if (uf) unzClose(uf);
        EXPECT_EQ(c.lastError, UnzLastOpenError) << c.file;
    }
    unzFile uf = MyWaitunzOpen2_64(FixturePath("zip_stored.zip").c_str(), 0);
    ASSERT_NE(nullptr, uf);
    EXPECT_EQ(0, UnzLastOpenError);
    unzClose(uf);
    EXPECT_EQ(nullptr, MyWaitunzOpen2_64(nullptr, 0));
}

// Another holder of the archive: opens it without sharing and lets go after holdMs.
static void HoldExclusively(const std::string& path, DWORD holdMs, std::atomic<int>* holding)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    holding->store(h != INVALID_HANDLE_VALUE ? 1 : -1);
    Sleep(holdMs);
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
}

TEST(ZipOpen, WaitsForAnotherHolderThenReportsSharingViolation)
{
    std::string folder = MakeTempFolder("held");
    std::string copy = folder + "\\held.zip";
    ASSERT_TRUE(CopyFileA(FixturePath("zip_stored.zip").c_str(), copy.c_str(), FALSE));

    // Held for half a second: the open waits and succeeds, leaving no error behind.
    ClearZipLastSystemError();
    std::atomic<int> holding{0};
    std::thread shortHold(HoldExclusively, copy, 500, &holding);
    while (!holding.load()) Sleep(1);
    ASSERT_EQ(1, holding.load());
    unzFile uf = MyWaitunzOpen2_64(copy.c_str(), -1);
    shortHold.join();
    EXPECT_NE(nullptr, uf) << "held for 500 ms: the default wait must outlast the holder";
    if (uf) unzClose(uf);
    EXPECT_EQ(0u, GetZipLastSystemError());

    // Held longer than the wait: fails with the sharing violation noted.
    holding.store(0);
    std::thread longHold(HoldExclusively, copy, 4500, &holding);
    while (!holding.load()) Sleep(1);
    uf = MyWaitunzOpen2_64(copy.c_str(), -1);
    longHold.join();
    EXPECT_EQ(nullptr, uf);
    if (uf) unzClose(uf);
    EXPECT_EQ((DWORD)ERROR_SHARING_VIOLATION, GetZipLastSystemError());
    EXPECT_EQ(UNZ_R_FILESTREAM, UnzLastOpenError);
    ClearZipLastSystemError();

    // A wait of 0 tries once.
    holding.store(0);
    std::thread onceHold(HoldExclusively, copy, 300, &holding);
    while (!holding.load()) Sleep(1);
    uf = MyWaitunzOpen2_64(copy.c_str(), 0);
    onceHold.join();
    EXPECT_EQ(nullptr, uf) << "wait 0 must not retry";
    if (uf) unzClose(uf);
    ClearZipLastSystemError();
    RemoveFolderTree(folder);
}

TEST(ZipEntryInfo, LongNamesAreCutAndTerminated)
{
    unzFile uf = MyWaitunzOpen2_64(FixturePath("longname.zip").c_str(), 0);
    ASSERT_NE(nullptr, uf);
    ASSERT_EQ(UNZ_OK, unzGoToFirstFile(uf));
    char name[64];
    memset(name, 'X', sizeof name);
    unz_file_info64 info;
    EXPECT_EQ(UNZ_R_OK, ZipGetCurrentEntryInfo(uf, &info, name, sizeof name));
    EXPECT_EQ(63u, strlen(name));
    EXPECT_EQ(0, strncmp(name, "dir/nnnn", 8));
    EXPECT_GT(info.size_filename, 255u);
    unzClose(uf);
}

TEST(ZipProperties, TotalsCountsAndCommentAgreeWithOtherTools)
{
    for (const char* archive : {"zip_stored.zip", "zip_deflated.zip", "zip_onlydirs.zip", "py_zip64_many.zip",
                                "py_zip64_big.zip", "7z_aes.zip"}) {
        ExpectedListing expected;
        ASSERT_TRUE(LoadExpectedListing(archive, &expected)) << archive;
        int64_t compressed = -1, uncompressed = -1, files = -1, dirs = -1;
        char comment[512];
        ASSERT_EQ(0, GetZipProperties(FixturePath(archive).c_str(), &compressed, &uncompressed, &files, &dirs,
                                      comment, sizeof comment)) << archive;
        EXPECT_EQ(expected.files, files) << archive;
        EXPECT_EQ(expected.entries - expected.files, dirs) << archive;
        EXPECT_EQ(expected.compressed, compressed) << archive;
        EXPECT_EQ(expected.uncompressed, uncompressed) << archive;
    }
    int64_t c, u, f, d;
    char comment[512];
    ASSERT_EQ(0, GetZipProperties(FixturePath("zip_deflated.zip").c_str(), &c, &u, &f, &d, comment, sizeof comment));
    std::string want = ReadFixtureText("zip_deflated.comment");
    while (!want.empty() && (want.back() == '\n' || want.back() == '\r')) want.pop_back();
    std::string got = comment;
    while (!got.empty() && (got.back() == '\n' || got.back() == '\r')) got.pop_back();
    EXPECT_EQ(want, got);

    // A comment longer than the buffer is cut and terminated.
    char tiny[8];
    memset(tiny, 'X', sizeof tiny);
    ASSERT_EQ(0, GetZipProperties(FixturePath("zip_deflated.zip").c_str(), &c, &u, &f, &d, tiny, sizeof tiny));
    EXPECT_EQ(want.substr(0, 7), std::string(tiny));

    EXPECT_EQ(-1, GetZipProperties(FixturePath("zip_deflated.zip").c_str(), nullptr, &u, &f, &d, comment, sizeof comment));
    EXPECT_EQ(1, GetZipProperties(FixturePath("notazip.zip").c_str(), &c, &u, &f, &d, comment, sizeof comment));
}

TEST(ZipProtection, FlagComesFromTheFirstEntry)
{
    PasswordReset reset;
    struct { const char* archive; int protectedFlag; } cases[] = {
        {"zip_encrypted_flat.zip", 1},  // first entry an encrypted file
        {"zip_encrypted.zip", 0},       // first entry a plain directory entry
        {"zip_stored.zip", 0},
        {"7z_aes.zip", 0},              // AES: method 99 never opens
    };
    for (auto& c : cases) {
        ASSERT_EQ(1, ZipCheckArchiveProtection(FixturePath(c.archive).c_str())) << c.archive;
        EXPECT_EQ(c.protectedFlag, IsZipPasswordProtected()) << c.archive;
    }
}

TEST(ZipRead, MembersMatchTheirSourcesByteForByte)
{
    PasswordReset reset;
    struct { const char* archive; const char* member; const char* source; } cases[] = {
        {"zip_stored.zip", "docs/img/noise.bin", "docs/img/noise.bin"},
        {"zip_deflated.zip", "docs/readme.txt", "docs/readme.txt"},
        {"zip_deflated.zip", "zero.txt", "zero.txt"},
        {"zip_nodirs.zip", "my file.txt", "my file.txt"},
    };
    for (auto& c : cases) {
        std::string data, want;
        int openResult = 0;
        ASSERT_TRUE(ReadWholeFile(FixtureSourcePath(c.source), &want)) << c.source;
        EXPECT_EQ(1, ReadMember(c.archive, c.member, &data, &openResult)) << c.archive << " " << c.member;
        EXPECT_TRUE(data == want) << c.archive << " " << c.member << " differs from its source";
    }
}

TEST(ZipRead, EncryptedMembersAskForThePasswordOnce)
{
    PasswordReset reset;
    ScopedPromptScript script;
    ScriptPromptAnswer(PROMPT_KIND_PASSWORD, PROMPT_OK, "secret");
    std::string want, data;
    ASSERT_TRUE(ReadWholeFile(FixtureSourcePath("docs/readme.txt"), &want));
    int openResult = 0;
    // The archive starts with a plain directory entry; its files are encrypted all the same.
    EXPECT_EQ(1, ReadMember("zip_encrypted.zip", "docs/readme.txt", &data, &openResult)) << openResult;
    EXPECT_TRUE(data == want);
    EXPECT_EQ(1, ReadMember("zip_encrypted.zip", "hello.txt", &data, &openResult)) << openResult;
    ASSERT_EQ(1, ScriptedQuestionCount()) << "the password is asked once and then kept";
    PromptQuestion q;
    GetScriptedQuestion(0, &q);
    EXPECT_EQ(PROMPT_KIND_PASSWORD, q.kind);
    EXPECT_STREQ("secret", password);
}

TEST(ZipRead, WrongOrCancelledPasswordFails)
{
    PasswordReset reset;
    {
        ScopedPromptScript script;
        ScriptPromptAnswer(PROMPT_KIND_PASSWORD, PROMPT_CANCEL, nullptr);
        std::string data;
        int openResult = 0;
        EXPECT_EQ(-2, ReadMember("zip_encrypted_flat.zip", "hello.txt", &data, &openResult));
        EXPECT_EQ(UNZ_R_USER, openResult);
    }
    {
        ScopedPromptScript script;
        ScriptPromptAnswer(PROMPT_KIND_PASSWORD, PROMPT_OK, "wrong");
        ScriptPromptAnswer(PROMPT_KIND_MESSAGE_BOX, IDOK, nullptr);
        // The header's check byte tells the password is wrong before any data is read: the
        // user is told, asked again (no answer: cancelled), and the password is forgotten.
        std::string data;
        int openResult = 0;
        EXPECT_EQ(-2, ReadMember("zip_encrypted_flat.zip", "readme.txt", &data, &openResult));
        EXPECT_EQ(UNZ_R_USER, openResult);
        EXPECT_TRUE(data.empty());
        EXPECT_STREQ("", password);
        ASSERT_EQ(3, ScriptedQuestionCount());
        PromptQuestion q;
        GetScriptedQuestion(1, &q);
        EXPECT_EQ(PROMPT_KIND_MESSAGE_BOX, q.kind);
        EXPECT_NE(nullptr, strstr(q.text, "wrong password")) << q.text;
    }
}

TEST(ZipRead, UnsupportedMethodsAreRefusedWithoutAskingForAPassword)
{
    PasswordReset reset;
    ScopedPromptScript script;
    struct { const char* archive; const char* member; } cases[] = {
        {"py_mixed_methods.zip", "b_bzip2.txt"}, {"py_mixed_methods.zip", "c_lzma.txt"},
        {"7z_bzip2.zip", "docs/readme.txt"}, {"7z_lzma.zip", "docs/readme.txt"}, {"7z_aes.zip", "hello.txt"},
        {"7z_aes.zip", "docs/readme.txt"},
    };
    for (auto& c : cases) {
        std::string data;
        int openResult = 0;
        EXPECT_EQ(-2, ReadMember(c.archive, c.member, &data, &openResult)) << c.archive << " " << c.member;
        EXPECT_EQ(UNZ_R_BADZIP, openResult) << c.archive << " " << c.member;
    }
    EXPECT_EQ(0, ScriptedQuestionCount());
    std::string data;
    int openResult = 0;
    EXPECT_EQ(1, ReadMember("py_mixed_methods.zip", "d_deflated.txt", &data, &openResult));
}

TEST(ZipRead, DamagedDataAsksAndFails)
{
    PasswordReset reset;
    struct { const char* archive; const char* member; int prompts; } cases[] = {
        {"baddata_deflated.zip", "broken.txt", 1},  // inflate fails: asked, fails whatever the answer
        {"badcrc_deflated.zip", "payload.txt", -1}, // damaged somewhere inside the stream
        {"badcrc_stored.zip", "payload.txt", 0},    // data reads fine: the CRC check at close fails
        {"overlong.zip", "overlong.bin", 0},        // cut at the recorded size: CRC check fails
    };
    for (auto& c : cases) {
        ScopedPromptScript script;
        ScriptPromptAnswer(PROMPT_KIND_MESSAGE_BOX, IDOK, nullptr);
        std::string data;
        int openResult = 0;
        EXPECT_EQ(0, ReadMember(c.archive, c.member, &data, &openResult)) << c.archive << " " << openResult;
        if (c.prompts >= 0) {
            EXPECT_EQ(c.prompts, ScriptedQuestionCount()) << c.archive;
        }
        if (c.prompts > 0) {
            PromptQuestion q;
            GetScriptedQuestion(0, &q);
            EXPECT_STREQ("Error in uncompressing", q.caption);
            EXPECT_EQ((UINT)(MB_OKCANCEL | MB_ICONSTOP), q.type);
        }
    }
    // The intact neighbours still read.
    std::string data;
    int openResult = 0;
    EXPECT_EQ(1, ReadMember("baddata_deflated.zip", "intact.txt", &data, &openResult));
    EXPECT_EQ(1, ReadMember("badcrc_stored.zip", "last.txt", &data, &openResult));
}

TEST(ZipRead, ToFileWritesTheMember)
{
    PasswordReset reset;
    std::string folder = MakeTempFolder("tofile");
    std::string out = folder + "\\noise.bin";
    unzFile uf = OpenAt("zip_deflated.zip", "docs/img/noise.bin");
    ASSERT_NE(nullptr, uf);
    unz_file_info64 info;
    ZipGetCurrentEntryInfo(uf, &info, nullptr, 0);
    ASSERT_EQ(UNZ_R_OK, ZipOpenCurrentFileWithPassword(uf, nullptr, nullptr, 0, ""));
    FILE* f = fopen(out.c_str(), "wb");
    ASSERT_NE(nullptr, f);
    char buf[65536];
    EXPECT_EQ(1, ZipReadCurrentToFile(uf, info.uncompressed_size, buf, sizeof buf, f, out.c_str(), 1));
    fclose(f);
    EXPECT_EQ(UNZ_OK, unzCloseCurrentFile(uf));
    unzClose(uf);
    std::string got, want;
    ReadWholeFile(out, &got);
    ReadWholeFile(FixtureSourcePath("docs/img/noise.bin"), &want);
    EXPECT_TRUE(got == want);
    RemoveFolderTree(folder);
}

TEST(ZipFileCrc, AgreesWithTheCrcInfoZipStored)
{
    unzFile uf = MyWaitunzOpen2_64(FixturePath("zip_deflated.zip").c_str(), 0);
    ASSERT_NE(nullptr, uf);
    int checked = 0;
    for (int rc = unzGoToFirstFile(uf); rc == UNZ_OK; rc = unzGoToNextFile(uf)) {
        unz_file_info64 info;
        char name[256];
        ZipGetCurrentEntryInfo(uf, &info, name, sizeof name);
        if (IsZipDirectoryName(name)) continue;
        int ok = 0;
        EXPECT_EQ(info.crc, getFileCrc(FixtureSourcePath(name).c_str(), &ok)) << name;
        EXPECT_EQ(1, ok) << name;
        ++checked;
    }
    unzClose(uf);
    EXPECT_GT(checked, 3);
    int ok = 1;
    EXPECT_EQ(0u, getFileCrc(FixturePath("does_not_exist").c_str(), &ok));
    EXPECT_EQ(0, ok);
}

TEST(ZipRepair, RebuildsAMissingCentralDirectory)
{
    std::string folder = MakeTempFolder("repair");
    std::string out = folder + "\\repaired.zip";
    uint64_t entries = 0, bytes = 0;
    EXPECT_NE(nullptr, FixturePath("nocd.zip").c_str());
    unzFile broken = MyWaitunzOpen2_64(FixturePath("nocd.zip").c_str(), 0);
    EXPECT_EQ(nullptr, broken) << "without its central directory the archive does not open";
    if (broken) unzClose(broken);
    EXPECT_EQ(0, RepairZipArchiveFiles(FixturePath("nocd.zip").c_str(), out.c_str(), &entries, &bytes));
    ExpectedListing expected;
    ASSERT_TRUE(LoadExpectedListing("zip_deflated.zip", &expected));
    EXPECT_EQ((uint64_t)expected.entries, entries);
    EXPECT_FALSE(FileExists(out + "_tmp")) << "the scratch file is removed";
    unzFile uf = MyWaitunzOpen2_64(out.c_str(), 0);
    ASSERT_NE(nullptr, uf) << "the repaired archive opens";
    unz_global_info64 gi;
    unzGetGlobalInfo64(uf, &gi);
    EXPECT_EQ(entries, gi.number_entry);
    for (int rc = unzGoToFirstFile(uf); rc == UNZ_OK; rc = unzGoToNextFile(uf)) {
        unz_file_info64 info;
        char name[256];
        ZipGetCurrentEntryInfo(uf, &info, name, sizeof name);
        if (IsZipDirectoryName(name)) continue;
        std::string want, got(info.uncompressed_size, '\0');
        ASSERT_TRUE(ReadWholeFile(FixtureSourcePath(name), &want)) << name;
        ASSERT_EQ(UNZ_R_OK, ZipOpenCurrentFileWithPassword(uf, nullptr, nullptr, 0, ""));
        char buf[8192];
        EXPECT_EQ(1, ZipReadCurrentToMemory(uf, info.uncompressed_size, buf, sizeof buf, &got[0])) << name;
        EXPECT_EQ(UNZ_OK, unzCloseCurrentFile(uf)) << name;
        EXPECT_TRUE(got == want) << name;
    }
    unzClose(uf);

    // The output may not be the damaged archive itself: it stays untouched.
    std::string self = folder + "\\self.zip";
    ASSERT_TRUE(CopyFileA(FixturePath("nocd.zip").c_str(), self.c_str(), FALSE));
    std::string before, after;
    ReadWholeFile(self, &before);
    EXPECT_NE(0, RepairZipArchiveFiles(self.c_str(), self.c_str(), nullptr, nullptr));
    ReadWholeFile(self, &after);
    EXPECT_TRUE(before == after);

    EXPECT_NE(0, RepairZipArchiveFiles(FixturePath("does_not_exist.zip").c_str(), (folder + "\\none.zip").c_str(),
                                       nullptr, nullptr));
    RemoveFolderTree(folder);
}

TEST(ZipRepair, RecoversEveryWholeMemberOfACutOrDamagedArchive)
{
    struct Case {
        const char* fixture;
        const char* whole;  // names of the members that are still whole, one per line
        uint64_t lost;
    };
    const Case cases[] = {
        {"truncated_half.zip", "truncated_half.whole.txt", 1},
        {"damaged_middle.zip", "damaged_middle.whole.txt", 1},
    };
    std::string folder = MakeTempFolder("recover");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fixture);
        std::vector<std::string> whole = ReadFixtureLines(c.whole);
        ASSERT_FALSE(whole.empty());
        std::string out = folder + "\\" + c.fixture;
        uint64_t entries = 0, bytes = 0;
        RepairFailure failure = {};
        ASSERT_EQ(0, RepairZipArchiveFiles(FixturePath(c.fixture).c_str(), out.c_str(), &entries, &bytes, &failure));
        EXPECT_EQ(entries, (uint64_t)whole.size());
        EXPECT_EQ(failure.lostMembers, c.lost) << "the cut or damaged member is counted";
        unzFile uf = MyWaitunzOpen2_64(out.c_str(), 0);
        ASSERT_NE(nullptr, uf) << "the repaired archive opens";
        std::vector<std::string> names;
        for (int rc = unzGoToFirstFile(uf); rc == UNZ_OK; rc = unzGoToNextFile(uf)) {
            unz_file_info64 info;
            char name[256];
            ZipGetCurrentEntryInfo(uf, &info, name, sizeof name);
            names.push_back(name);
            if (IsZipDirectoryName(name)) continue;
            // Every member reads back whole: its data and CRC check out.
            std::string got(info.uncompressed_size, '\0');
            char buf[8192];
            ASSERT_EQ(UNZ_R_OK, ZipOpenCurrentFileWithPassword(uf, nullptr, nullptr, 0, ""));
            EXPECT_EQ(1, ZipReadCurrentToMemory(uf, info.uncompressed_size, buf, sizeof buf, got.empty() ? buf : &got[0]))
                << name;
            EXPECT_EQ(UNZ_OK, unzCloseCurrentFile(uf)) << name;
        }
        unzClose(uf);
        EXPECT_EQ(names, whole);
    }
    // Info-ZIP's zip -FF saves the same members of the cut archive (and the cut one in part).
    std::vector<std::string> zipff = ReadFixtureLines("truncated_half.zipff.txt");
    if (!zipff.empty()) {
        for (const std::string& name : ReadFixtureLines("truncated_half.whole.txt"))
            EXPECT_NE(std::find(zipff.begin(), zipff.end(), name), zipff.end()) << name;
    }
    // Nothing whole in it: no output is left behind.
    std::string garbage = folder + "\\garbage.zip";
    ASSERT_TRUE(WriteWholeFile(garbage, std::string("PK\x03\x04", 4) + std::string(100, 'x')));
    RepairFailure failure = {};
    EXPECT_NE(0, RepairZipArchiveFiles(garbage.c_str(), (folder + "\\none.zip").c_str(), nullptr, nullptr, &failure));
    EXPECT_EQ(failure.step, REPAIR_FAILED_NOTHING_RECOVERED);
    EXPECT_FALSE(FileExists(folder + "\\none.zip"));
    RemoveFolderTree(folder);
}
