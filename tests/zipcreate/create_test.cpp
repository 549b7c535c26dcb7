// Archive creation through the worker: levels, encryption, prefixes, filters, left-out inputs,
// cancelling, appending and its refusals, write failures. Every archive is read back member by
// member through minizip and compared with the source files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "app/langtext.h"
#include "model/appstate.h"
#include "model/list.h"
#include "support/testsupport.h"
#include "ui/progress.h"
#include "ui/prompts.h"
#include "ui/promptscript.h"
#include "zip/create.h"
#include "zip/zipwriteio.h"
#include "createsupport.h"

namespace {

// Every test answers the prompts from a script: no dialog may open.
class Creation : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetCanceledByUser(0);
        SetZipWriteLimitForTests(-1);
        src = MakeTempFolder("zc_src");
        out = MakeTempFolder("zc_out");
        ASSERT_TRUE(WriteTree(src, StandardTree()));
    }
    void TearDown() override
    {
        SetCanceledByUser(0);
        SetZipWriteLimitForTests(-1);
        SetZipReadLimitForTests(-1);
        RemoveFolderTree(src);
        RemoveFolderTree(out);
    }
    // A run over the source folder (names relative to it).
    ZipCreateOptions* FolderRun(const std::string& target, int level)
    {
        ZipCreateOptions* o = NewTestRun(target, level, &left);
        snprintf(o->baseFolder, sizeof o->baseFolder, "%s", src.c_str());
        o->relativeNames = 1;
        return o;
    }
    int Run(ZipCreateOptions* o)
    {
        int rc = RunWorker(o);
        ReleaseZipCreateOptions(o);
        return rc;
    }
    std::string Target(const char* name) const { return out + "\\" + name; }

    ScopedPromptScript prompts;
    std::string src, out;
    LeftOut left;
};

// The files of the standard tree, by member name.
std::vector<TreeFile> StandardFiles()
{
    std::vector<TreeFile> files;
    for (const TreeFile& f : StandardTree())
        if (f.path.back() != '/') files.push_back(f);
    return files;
}

void ExpectFilesMatch(const ArchiveContents& a, const std::vector<TreeFile>& files, const std::string& prefix,
                      const std::string& what)
{
    for (const TreeFile& f : files) {
        const ArchiveMember* m = a.Find(prefix + f.path);
        ASSERT_NE(m, nullptr) << what << ": member " << prefix + f.path << " missing";
        EXPECT_TRUE(m->dataOk) << what << ": " << m->name << " does not decode";
        EXPECT_EQ(m->data, f.data) << what << ": " << m->name << " differs";
    }
}

TEST_F(Creation, EveryLevelStoresOrDeflatesAndKeepsTheBytes)
{
    for (int level = 0; level <= 9; ++level) {
        SCOPED_TRACE("level " + std::to_string(level));
        std::string target = Target(("level" + std::to_string(level) + ".zip").c_str());
        ASSERT_EQ(Run(FolderRun(target, level)), ZIPCREATE_DONE);
        ArchiveContents a = ReadArchive(target);
        ASSERT_TRUE(a.opened);
        ExpectFilesMatch(a, StandardFiles(), "", "level " + std::to_string(level));
        for (const ArchiveMember& m : a.members) {
            bool folder = m.name.back() == '/';
            EXPECT_EQ(m.method, level == 0 || folder ? 0 : 8) << m.name;
            EXPECT_EQ(m.flag & 1u, 0u) << m.name << " is marked encrypted";
        }
        // Folders of the tree come as directory entries, the empty one included.
        for (const char* dir : {"docs/", "docs/img/", "deep/", "deep/er/", "deep/er/est/", "emptydir/"})
            EXPECT_NE(a.Find(dir), nullptr) << "directory entry " << dir;
        EXPECT_EQ(a.members.size(), StandardFiles().size() + 6);
        if (level == 9) {
            const ArchiveMember* text = a.Find("docs/readme.txt");
            ASSERT_NE(text, nullptr);
            EXPECT_LT(text->compressed, text->uncompressed / 4) << "text is not deflated";
        }
    }
}

TEST_F(Creation, EntryDatesAreTheFilesLocalWriteTimes)
{
    // 2021-03-04 05:06:08 local time on hello.txt.
    SYSTEMTIME st = {2021, 3, 4, 4, 5, 6, 8, 0};
    FILETIME local, utc;
    ASSERT_TRUE(SystemTimeToFileTime(&st, &local));
    ASSERT_TRUE(LocalFileTimeToFileTime(&local, &utc));
    HANDLE h = CreateFileA((src + "\\hello.txt").c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(SetFileTime(h, nullptr, nullptr, &utc));
    CloseHandle(h);
    std::string target = Target("dates.zip");
    ASSERT_EQ(Run(FolderRun(target, 6)), ZIPCREATE_DONE);
    const ArchiveMember* m = ReadArchive(target).Find("hello.txt");
    ASSERT_NE(m, nullptr);
    uint32_t expected = ((uint32_t)((2021 - 1980) << 9 | 3 << 5 | 4) << 16) | (5 << 11 | 6 << 5 | 8 / 2);
    EXPECT_EQ(m->dosDate, expected);
}

struct EncryptionCase {
    const char* name;
    int skipCrc;
    int level;
};

TEST_F(Creation, EncryptedMembersDecodeWithThePasswordAndCarryTheCheckByte)
{
    const EncryptionCase cases[] = {
        {"deflated with the CRC pass", 0, 6},
        {"stored with the CRC pass", 0, 0},
        // The CRC pass is the source of the header's check byte: it must not be skipped.
        {"deflated, SkipCRCCheck on", 1, 6},
    };
    for (const EncryptionCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::string target = Target((std::string("enc_") + std::to_string(c.skipCrc) + std::to_string(c.level) + ".zip").c_str());
        ZipCreateOptions* o = FolderRun(target, c.level);
        o->encrypt = 1;
        o->skipCrc = c.skipCrc;
        snprintf(o->password, sizeof o->password, "%s", "se cret");
        ASSERT_EQ(Run(o), ZIPCREATE_DONE);
        ArchiveContents a = ReadArchive(target, "se cret", true);
        ExpectFilesMatch(a, StandardFiles(), "", c.name);
        for (const ArchiveMember& m : a.members) {
            if (m.name.back() == '/') {
                EXPECT_EQ(m.flag & 1u, 0u) << "directory entry " << m.name << " encrypted";
                continue;
            }
            EXPECT_EQ(m.flag & 1u, 1u) << m.name << " not encrypted";
            EXPECT_EQ(DecryptedCheckByte(m.raw, "se cret"), (int)(m.crc >> 24)) << m.name << ": check byte";
        }
        ArchiveContents wrong = ReadArchive(target, "wrong");
        const ArchiveMember* text = wrong.Find("docs/readme.txt");
        ASSERT_NE(text, nullptr);
        EXPECT_FALSE(text->dataOk && text->data == StandardFiles()[3].data) << "decoded with a wrong password";
    }
}

TEST_F(Creation, PrefixPathMakesOneDirectoryEntryPerLevelFirst)
{
    const char* prefixes[] = {"top\\sub", "top/sub/", "\\top\\sub\\"};
    for (const char* prefix : prefixes) {
        SCOPED_TRACE(prefix);
        std::string target = Target("prefix.zip");
        ZipCreateOptions* o = FolderRun(target, 6);
        snprintf(o->prefixPath, sizeof o->prefixPath, "%s", prefix);
        ASSERT_EQ(Run(o), ZIPCREATE_DONE);
        ArchiveContents a = ReadArchive(target);
        ASSERT_GE(a.members.size(), 3u);
        EXPECT_EQ(a.members[0].name, "top/");
        EXPECT_EQ(a.members[1].name, "top/sub/");
        ExpectFilesMatch(a, StandardFiles(), "top/sub/", prefix);
        EXPECT_NE(a.Find("top/sub/emptydir/"), nullptr);
        for (const ArchiveMember& m : a.members)
            EXPECT_EQ(m.name.compare(0, 4, "top/"), 0) << m.name << " outside the prefix";
        DeleteFileA(target.c_str());
    }
}

TEST_F(Creation, PlainDirectoryTakesOnlyTheTopFolder)
{
    std::string target = Target("plain.zip");
    ZipCreateOptions* o = FolderRun(target, 6);
    o->topFolderOnly = 1;
    ASSERT_EQ(Run(o), ZIPCREATE_DONE);
    std::vector<std::string> names = ReadArchive(target).Names();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"empty.txt", "hello.txt", "my file.txt"}));
}

TEST_F(Creation, FilterSuffixesAreCaseSensitive)
{
    ASSERT_TRUE(WriteTree(src, {{"UPPER.TXT", "u"}, {"docs/note.Txt", "n"}, {"data.bin", "d"}}));
    std::string target = Target("filter.zip");
    ZipCreateOptions* o = FolderRun(target, 6);
    ASSERT_EQ(SetZipCreateFilterFromText(o, ";.txt;;.bin"), 2);
    ASSERT_EQ(Run(o), ZIPCREATE_DONE);
    ArchiveContents a = ReadArchive(target);
    for (const char* in : {"hello.txt", "docs/readme.txt", "data.bin", "deep/er/est/leaf.txt", "docs/img/noise.bin"})
        EXPECT_NE(a.Find(in), nullptr) << in << " should pass the filter";
    for (const char* outName : {"UPPER.TXT", "docs/note.Txt"})
        EXPECT_EQ(a.Find(outName), nullptr) << outName << " should not pass";
}

TEST_F(Creation, AnEmptyFolderGivesAnEmptyArchiveThatCanBeAddedTo)
{
    std::string empty = MakeTempFolder("zc_empty");
    std::string target = Target("empty.zip");
    ZipCreateOptions* o = NewTestRun(target, 6, &left);
    snprintf(o->baseFolder, sizeof o->baseFolder, "%s", empty.c_str());
    ASSERT_EQ(Run(o), ZIPCREATE_DONE);
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(target, &bytes));
    EXPECT_EQ(bytes, std::string("PK\5\6", 4) + std::string(18, '\0')) << "not a bare end record";
    // minizip's reader refuses such an archive; adding to it must still work.
    o = NewTestRun(target, 6, &left);
    std::string hello = src + "\\hello.txt";
    const char* paths[] = {hello.c_str()};
    SetZipCreatePaths(o, paths, 1);
    o->append = 1;
    o->prefixMode = 1;
    ASSERT_EQ(Run(o), ZIPCREATE_DONE);
    EXPECT_EQ(ReadArchive(target).Names(), std::vector<std::string>{"hello.txt"});
    RemoveFolderTree(empty);
}

TEST_F(Creation, TheArchiveBeingWrittenIsNeverCollected)
{
    std::string target = src + "\\self.zip";
    ASSERT_EQ(Run(FolderRun(target, 1)), ZIPCREATE_DONE);
    ArchiveContents a = ReadArchive(target);
    EXPECT_EQ(a.Find("self.zip"), nullptr);
    ExpectFilesMatch(a, StandardFiles(), "", "archive inside the source");
}

void DeleteHelloAfterCollecting(ZipCreateOptions* o, int phase, const char*)
{
    if (phase == 1) DeleteFileA((*(std::string*)o->hookData + "\\hello.txt").c_str());
}

TEST_F(Creation, UnreadableAndVanishedFilesAreLeftOutAndTheArchiveStaysValid)
{
    // docs/readme.txt held open without sharing, hello.txt gone before it is written.
    HANDLE held = CreateFileA((src + "\\docs\\readme.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    std::string target = Target("skipped.zip");
    ZipCreateOptions* o = FolderRun(target, 6);
    o->itemHook = DeleteHelloAfterCollecting;
    o->hookData = &src;
    int rc = Run(o);
    CloseHandle(held);
    EXPECT_EQ(rc, ZIPCREATE_INCOMPLETE);
    EXPECT_TRUE(left.Has(ZIPSKIP_UNREADABLE, "readme.txt"));
    EXPECT_TRUE(left.Has(ZIPSKIP_UNREADABLE, "hello.txt"));
    ArchiveContents a = ReadArchive(target);
    ASSERT_TRUE(a.opened);
    EXPECT_EQ(a.Find("docs/readme.txt"), nullptr);
    EXPECT_EQ(a.Find("hello.txt"), nullptr);
    for (const ArchiveMember& m : a.members) EXPECT_TRUE(m.dataOk) << m.name;
    EXPECT_NE(a.Find("docs/img/noise.bin"), nullptr);
}

TEST_F(Creation, AFileThatCannotBeReadWholeIsDroppedNotKeptHalf)
{
    ASSERT_TRUE(WriteTree(src, {{"big.txt", TextBytes(3 * 1024 * 1024, 9)}}));
    // Every input fails after 2 MiB: only big.txt is that long.
    SetZipReadLimitForTests(2 * 1024 * 1024);
    for (int skipCrc : {1, 0}) {
        SCOPED_TRACE(skipCrc ? "read error while copying" : "read error in the CRC pass");
        left.items.clear();
        std::string target = Target("readerror.zip");
        ZipCreateOptions* o = FolderRun(target, 6);
        o->skipCrc = skipCrc;
        EXPECT_EQ(Run(o), ZIPCREATE_INCOMPLETE);
        EXPECT_TRUE(left.Has(ZIPSKIP_READ_ERROR, "big.txt"));
        ArchiveContents a = ReadArchive(target);
        ASSERT_TRUE(a.opened);
        EXPECT_EQ(a.Find("big.txt"), nullptr) << "a partial member was kept";
        EXPECT_EQ(a.entries, a.members.size());
        ExpectFilesMatch(a, StandardFiles(), "", "beside the unreadable file");
        DeleteFileA(target.c_str());
    }
    SetZipReadLimitForTests(-1);
}

void CancelAtThirdCollected(ZipCreateOptions* o, int phase, const char*)
{
    int* seen = (int*)o->hookData;
    if (phase == 0 && ++*seen == 3) SetCanceledByUser(1);
}

void CancelAfterFirstWritten(ZipCreateOptions* o, int phase, const char*)
{
    if (phase == 2) SetCanceledByUser(1);
}

TEST_F(Creation, CancellingANewArchiveDeletesItAndSaysSo)
{
    struct Case {
        const char* name;
        ZipCreateItemHook hook;
    } cases[] = {{"while collecting", CancelAtThirdCollected}, {"while writing", CancelAfterFirstWritten}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EndPromptScript();
        BeginPromptScript();
        SetCanceledByUser(0);
        int seen = 0;
        std::string target = Target("cancel.zip");
        ZipCreateOptions* o = FolderRun(target, 6);
        o->itemHook = c.hook;
        o->hookData = &seen;
        EXPECT_EQ(Run(o), ZIPCREATE_CANCELLED);
        EXPECT_EQ(GetFileAttributesA(target.c_str()), INVALID_FILE_ATTRIBUTES) << "the cancelled archive is left";
        ASSERT_EQ(ScriptedQuestionCount(), 1);
        PromptQuestion q;
        ASSERT_TRUE(GetScriptedQuestion(0, &q));
        EXPECT_EQ(q.kind, PROMPT_KIND_MESSAGE_BOX);
        EXPECT_STREQ(q.text, GetMessageText(63));
        EXPECT_STREQ(q.caption, "Kelvora");
    }
}

// ---- appending ----

class Appending : public Creation {
protected:
    void SetUp() override
    {
        Creation::SetUp();
        archive = Target("base.zip");
        base = {{"old/one.txt", TextBytes(50000, 3)}, {"old/two.bin", NoiseBytes(20000, 4)}, {"top.txt", "top\n"}};
        ASSERT_TRUE(WriteReferenceArchive(archive, base, "the archive comment"));
        before = ReadArchive(archive, nullptr, true);
        ASSERT_EQ(before.members.size(), 3u);
    }
    ZipCreateOptions* AppendRun(const std::vector<std::string>& paths)
    {
        ZipCreateOptions* o = NewTestRun(archive, 6, &left);
        std::vector<const char*> p;
        for (const std::string& s : paths) p.push_back(s.c_str());
        SetZipCreatePaths(o, p.data(), (int)p.size());
        o->append = 1;
        o->prefixMode = 1;
        return o;
    }
    // The old members are untouched: stored bytes, dates, extra fields.
    void ExpectOldMembersKept(const ArchiveContents& after)
    {
        for (const ArchiveMember& old : before.members) {
            const ArchiveMember* m = after.Find(old.name);
            ASSERT_NE(m, nullptr) << old.name << " lost";
            EXPECT_EQ(m->raw, old.raw) << old.name << " stored bytes changed";
            EXPECT_EQ(m->dosDate, old.dosDate) << old.name;
            EXPECT_EQ(m->localExtra, old.localExtra) << old.name;
            EXPECT_EQ(m->crc, old.crc) << old.name;
        }
        EXPECT_EQ(after.comment, "the archive comment");
    }
    std::string archive;
    std::vector<TreeFile> base;
    ArchiveContents before;
};

TEST_F(Appending, AddsTheNewMembersAndKeepsTheOldOnesByteForByte)
{
    ASSERT_EQ(Run(AppendRun({src + "\\docs", src + "\\hello.txt"})), ZIPCREATE_DONE);
    ArchiveContents after = ReadArchive(archive, nullptr, true);
    ExpectOldMembersKept(after);
    EXPECT_EQ(after.entries, after.members.size());
    for (const char* name : {"docs/readme.txt", "docs/img/noise.bin", "docs/img/", "hello.txt"})
        EXPECT_NE(after.Find(name), nullptr) << name;
    EXPECT_EQ(after.Find("docs/readme.txt")->data, StandardFiles()[3].data);
    EXPECT_EQ(after.members.size(), 3u + 4u);
}

TEST_F(Appending, AnAppendToAMissingFileCreatesIt)
{
    DeleteFileA(archive.c_str());
    ASSERT_EQ(Run(AppendRun({src + "\\hello.txt"})), ZIPCREATE_DONE);
    EXPECT_EQ(ReadArchive(archive).Names(), std::vector<std::string>{"hello.txt"});
}

TEST_F(Appending, NamesAlreadyInTheArchiveAreNotAddedTwice)
{
    // "TOP.TXT" differs from the member "top.txt" only in case: on Windows both are one file.
    std::string other = MakeTempFolder("zc_other");
    ASSERT_TRUE(WriteTree(other, {{"TOP.TXT", "second top"}, {"hello.txt", "another hello"}}));
    ZipCreateOptions* o = AppendRun({other + "\\TOP.TXT", src + "\\hello.txt", other + "\\hello.txt"});
    EXPECT_EQ(Run(o), ZIPCREATE_INCOMPLETE);
    EXPECT_TRUE(left.Has(ZIPSKIP_DUPLICATE, "TOP.TXT"));
    EXPECT_TRUE(left.Has(ZIPSKIP_DUPLICATE, "hello.txt"));
    ArchiveContents after = ReadArchive(archive, nullptr, true);
    ExpectOldMembersKept(after);
    std::vector<std::string> names = after.Names();
    EXPECT_EQ(std::count(names.begin(), names.end(), "hello.txt"), 1);
    EXPECT_EQ(after.Find("hello.txt")->data, "hello kelvora\r\n") << "the first of two same names wins";
    EXPECT_EQ(after.members.size(), 4u);
    RemoveFolderTree(other);
}

TEST_F(Appending, AFileThatIsNoReadableZipIsRefusedAndLeftAlone)
{
    std::string zipBytes;
    ASSERT_TRUE(ReadWholeFile(archive, &zipBytes));
    struct Case {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"text file", TextBytes(5000, 5)},
        {"empty file", ""},
        {"cut archive", zipBytes.substr(0, zipBytes.size() / 2)},
        {"end record only", zipBytes.substr(zipBytes.size() - 22 - 19)},
        {"damaged central directory", zipBytes.substr(0, zipBytes.size() - 80) + std::string(58, 'x') +
                                          zipBytes.substr(zipBytes.size() - 22)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EndPromptScript();
        BeginPromptScript();
        std::string target = Target("notzip.zip");
        ASSERT_TRUE(WriteWholeFile(target, c.bytes));
        ZipCreateOptions* o = AppendRun({src + "\\hello.txt"});
        snprintf(o->targetArchive, sizeof o->targetArchive, "%s", target.c_str());
        EXPECT_EQ(Run(o), ZIPCREATE_NOT_OPENED);
        std::string now;
        ASSERT_TRUE(ReadWholeFile(target, &now));
        EXPECT_TRUE(now == c.bytes) << "the file was changed";
        ASSERT_EQ(ScriptedQuestionCount(), 1);
        PromptQuestion q;
        GetScriptedQuestion(0, &q);
        EXPECT_NE(std::string(q.text).find(target), std::string::npos) << q.text;
        EXPECT_NE(std::string(q.text).find(GetMessageText(45)), std::string::npos) << q.text;
    }
}

TEST_F(Appending, CancellingKeepsTheCompleteMembersAndDropsTheHalfOne)
{
    std::string big = TextBytes(2 * 1024 * 1024, 11);
    ASSERT_TRUE(WriteTree(src, {{"first.txt", "first"}, {"second.txt", big}}));
    ZipCreateOptions* o = AppendRun({src + "\\first.txt", src + "\\second.txt"});
    // Cancel as soon as the second file's copying begins.
    o->itemHook = [](ZipCreateOptions*, int phase, const char* path) {
        if (phase == 3 && strstr(path, "second.txt")) SetCanceledByUser(1);
    };
    o->skipCrc = 1;
    int rc = Run(o);
    EXPECT_EQ(rc, ZIPCREATE_CANCELLED);
    ArchiveContents after = ReadArchive(archive, nullptr, true);
    ExpectOldMembersKept(after);
    EXPECT_NE(after.Find("first.txt"), nullptr);
    EXPECT_EQ(after.Find("second.txt"), nullptr);
    EXPECT_EQ(after.entries, after.members.size());
    // The dropped member's data is cut off: the central directory follows first.txt's data.
    ZipTailInfo tail;
    ASSERT_TRUE(ReadZipTailInfo(archive.c_str(), &tail));
    EXPECT_EQ(tail.centralOffset, MemberDataEnd(archive, "first.txt"));
}

TEST_F(Appending, AFailedWriteGivesTheOldArchiveBack)
{
    std::string bytesBefore;
    ASSERT_TRUE(ReadWholeFile(archive, &bytesBefore));
    // Fail after 100 KiB: in the middle of docs/readme.txt's data (noise does not compress).
    ASSERT_TRUE(WriteTree(src, {{"noise1.bin", NoiseBytes(300000, 21)}}));
    for (int64_t limit : {100 * 1024, 10}) {
        SCOPED_TRACE(limit);
        EndPromptScript();
        BeginPromptScript();
        SetZipWriteLimitForTests(limit);
        EXPECT_EQ(Run(AppendRun({src + "\\noise1.bin", src + "\\docs"})), ZIPCREATE_WRITE_FAILED);
        SetZipWriteLimitForTests(-1);
        std::string now;
        ASSERT_TRUE(ReadWholeFile(archive, &now));
        EXPECT_TRUE(now == bytesBefore) << "the archive was not restored";
        EXPECT_GE(ScriptedQuestionCount(), 1) << "the failure was not told";
    }
}

TEST_F(Creation, AFailedWriteOfANewArchiveLeavesNoFile)
{
    SetZipWriteLimitForTests(64 * 1024);
    std::string target = Target("full.zip");
    EXPECT_EQ(Run(FolderRun(target, 0)), ZIPCREATE_WRITE_FAILED);
    SetZipWriteLimitForTests(-1);
    EXPECT_EQ(GetFileAttributesA(target.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(Creation, ATargetThatCannotBeOpenedIsToldAndNothingIsWritten)
{
    std::string target = out + "\\no\\such\\folder\\x.zip";
    EXPECT_EQ(Run(FolderRun(target, 6)), ZIPCREATE_NOT_OPENED);
    ASSERT_EQ(ScriptedQuestionCount(), 1);
    PromptQuestion q;
    GetScriptedQuestion(0, &q);
    EXPECT_NE(std::string(q.text).find(target), std::string::npos) << q.text;
    EXPECT_STREQ(q.caption, GetMessageText(94));
}

}  // namespace
