// tar.dll loaded as the program loads it: listings equal GNU tar's, extractions equal the
// sources byte for byte, hostile names are refused, damaged input ends cleanly, and archives it
// writes or appends to read back with every member in order.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "libs/tar/tarlib.h"
#include "model/bstree.h"
#include "model/list.h"
#include "model/zipentry.h"
#include "support/testsupport.h"

namespace {

std::string Fixture(const std::string& name)
{
    std::string base = UnixToWindowsPath(KELVORA_FIXTURES_DIR);
    return name.empty() ? base : base + "\\" + name;
}

struct TarLib {
    HMODULE module = nullptr;
    TarOpenArchiveFn open = nullptr;
    TarFindFirstFn first = nullptr;
    TarFindNextFn next = nullptr;
    TarCloseArchiveFn close = nullptr;
    TarExtractFn extract = nullptr;
    TarCreateFn create = nullptr;
    TarCreateAddFn createAdd = nullptr;
    TarLib()
    {
        module = LoadLibraryA((TestProgramFolder() + "\\tar.dll").c_str());
        if (!module) return;
        open = (TarOpenArchiveFn)GetProcAddress(module, "TarOpenArchive");
        first = (TarFindFirstFn)GetProcAddress(module, "TarFindFirst");
        next = (TarFindNextFn)GetProcAddress(module, "TarFindNext");
        close = (TarCloseArchiveFn)GetProcAddress(module, "TarCloseArchive");
        extract = (TarExtractFn)GetProcAddress(module, "TarExtract");
        create = (TarCreateFn)GetProcAddress(module, "TarCreate");
        createAdd = (TarCreateAddFn)GetProcAddress(module, "TarCreateAdd");
    }
    bool Complete() const { return open && first && next && close && extract && create && createAdd; }
};

TarLib& Lib()
{
    static TarLib lib;
    return lib;
}

// File members as the library lists them (folders left out), sorted; -1 in *status when the
// archive did not open, else the last find result.
std::vector<std::string> ListMembers(const std::string& path, int* status)
{
    std::vector<std::string> names;
    HANDLE h = Lib().open(nullptr, path.c_str(), 0);
    if (!h) {
        *status = -1;
        return names;
    }
    std::vector<char> buffer(TAR_FIND_RECORD_SIZE, 0);
    TarFindRecord* r = (TarFindRecord*)buffer.data();
    int rc = Lib().first(h, "", r);
    while (rc == 0) {
        std::string n = r->name;
        if (n.size() >= 2 && n.compare(0, 2, "./") == 0) n.erase(0, 2);
        if (!n.empty() && n.back() != '/') names.push_back(n);
        rc = Lib().next(h, r);
    }
    *status = rc;
    Lib().close(h);
    std::sort(names.begin(), names.end());
    return names;
}

// The ANSI form of a UTF-8 list line, as the program shows names.
std::string Ansi(const std::string& utf8)
{
    wchar_t wide[1024];
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, wide, 1024);
    char out[1024];
    if (n <= 0 || !WideCharToMultiByte(CP_ACP, 0, wide, -1, out, sizeof out, nullptr, nullptr)) return utf8;
    return out;
}

std::vector<std::string> ExpectedList(const std::string& archive)
{
    std::string text;
    ReadWholeFile(Fixture(archive + ".list"), &text);
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        if (end > start) lines.push_back(Ansi(text.substr(start, end - start)));
        start = end + 1;
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

// Files below folder as '/' separated relative names, sorted.
void FilesBelow(const std::string& folder, const std::string& prefix, std::vector<std::string>* out)
{
    WIN32_FIND_DATAA fd;
    HANDLE f = FindFirstFileA((folder + "\\*").c_str(), &fd);
    if (f == INVALID_HANDLE_VALUE) return;
    do {
        std::string n = fd.cFileName;
        if (n == "." || n == "..") continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            FilesBelow(folder + "\\" + n, prefix + n + "/", out);
        else
            out->push_back(prefix + n);
    } while (FindNextFileA(f, &fd));
    FindClose(f);
    std::sort(out->begin(), out->end());
}

// Runs TarExtract with the current directory set to target.
std::string ExtractInto(const std::string& archive, const std::string& target, BSTree* names, int all)
{
    char cwd[MAX_PATH];
    GetCurrentDirectoryA(sizeof cwd, cwd);
    SetCurrentDirectoryA(target.c_str());
    char text[TAR_RESULT_TEXT_SIZE] = {};
    Lib().extract(archive.c_str(), names, nullptr, text, all, 0, 0, 0);
    SetCurrentDirectoryA(cwd);
    return text;
}

std::string FileText(const std::string& path)
{
    std::string s;
    ReadWholeFile(path, &s);
    return s;
}

}  // namespace

TEST(TarLibrary, ListingsEqualGnuTarsAndExtractionsEqualTheSources)
{
    ASSERT_TRUE(Lib().Complete()) << "tar.dll or one of its exports is missing";
    const char* archives[] = {"ustar.tar", "gnu.tar", "pax.tar", "gnu.tar.gz", "gnu.tgz", "pax.tar.bz2", "bsd.tar.Z"};
    for (const char* a : archives) {
        int status = 0;
        std::vector<std::string> got = ListMembers(Fixture(a), &status);
        EXPECT_EQ(1, status) << a << ": listing did not reach the end";
        std::vector<std::string> want = ExpectedList(a);
        ASSERT_FALSE(want.empty()) << a;
        EXPECT_EQ(want, got) << a;

        std::string root = MakeTempFolder("tarx");
        std::string text = ExtractInto(Fixture(a), root, nullptr, 1);
        EXPECT_EQ("00", text.substr(0, 2)) << a << ": " << text;
        std::vector<std::string> files;
        FilesBelow(root, "", &files);
        EXPECT_EQ(want, files) << a;
        for (const std::string& f : files) {
            std::string rel = f;
            std::replace(rel.begin(), rel.end(), '/', '\\');
            EXPECT_TRUE(FileText(root + "\\" + rel) == FileText(Fixture("src\\" + rel))) << a << " " << f;
        }
        RemoveFolderTree(root);
    }
}

TEST(TarLibrary, ANameSetExtractsOnlyItsMembersAndFolders)
{
    ASSERT_TRUE(Lib().Complete());
    struct Case {
        std::vector<const char*> set;
        std::vector<std::string> want;
    } cases[] = {
        {{"hello.txt"}, {"hello.txt"}},
        {{"docs"}, {"docs/img/noise.bin", "docs/readme.txt"}},
        {{"docs\\readme.txt", "zero.txt"}, {"docs/readme.txt", "zero.txt"}},
        {{"no/such"}, {}},
    };
    for (const Case& c : cases) {
        BSTree* set = CreateZipEntrySet();
        for (const char* n : c.set) BSTreeInsert(set, CreateZipEntry(n, nullptr, 0));
        std::string root = MakeTempFolder("tarsel");
        std::string text = ExtractInto(Fixture("ustar.tar"), root, set, 0);
        EXPECT_EQ("00", text.substr(0, 2)) << text;
        std::vector<std::string> files;
        FilesBelow(root, "", &files);
        EXPECT_EQ(c.want, files) << c.set[0];
        RemoveFolderTree(root);
        BSTreeDestroy(&set);
    }
}

TEST(TarLibrary, HostileNamesAreRefusedAndTheRestExtracted)
{
    ASSERT_TRUE(Lib().Complete());
    std::string root = MakeTempFolder("tarhost");
    std::string target = root + "\\target";
    CreateDirectoryA(target.c_str(), nullptr);
    std::string text = ExtractInto(Fixture("hostile.tar"), target, nullptr, 1);
    // Partial success: "0" and then something else.
    EXPECT_EQ('0', text[0]) << text;
    EXPECT_NE('0', text[1]) << text;
    std::vector<std::string> files;
    FilesBelow(root, "", &files);
    // The link inside the target becomes a copy of its target; nothing lands outside.
    std::vector<std::string> want = {"target/good.txt", "target/inlink", "target/sub/ok.txt"};
    EXPECT_EQ(want, files) << text;
    EXPECT_EQ("good\n", FileText(target + "\\inlink"));
    RemoveFolderTree(root);
}

TEST(TarLibrary, DamagedAndRandomInputEndsWithAMessage)
{
    ASSERT_TRUE(Lib().Complete());
    for (const char* a : {"truncated.tar.gz", "random.tar"}) {
        int status = 0;
        ListMembers(Fixture(a), &status);
        EXPECT_NE(0, status) << a;
        std::string root = MakeTempFolder("tardmg");
        std::string target = root + "\\target";
        CreateDirectoryA(target.c_str(), nullptr);
        std::string text = ExtractInto(Fixture(a), target, nullptr, 1);
        EXPECT_FALSE(text.size() >= 2 && text.compare(0, 2, "00") == 0) << a << ": " << text;
        std::vector<std::string> files;
        FilesBelow(root, "", &files);
        for (const std::string& f : files) EXPECT_EQ(0u, f.rfind("target/", 0)) << a << " wrote " << f;
        RemoveFolderTree(root);
    }
}

TEST(TarLibrary, CreatedAndAppendedArchivesPassOtherTools)
{
    ASSERT_TRUE(Lib().Complete());
    std::string base = Fixture("src");
    std::string baseSlash = base + "/";
    for (const char* suffix : {".tar", ".tar.gz", ".tgz", ".tar.bz2"}) {
        std::string root = MakeTempFolder("tarnew");
        std::string archive = root + "\\made" + suffix;
        List* files = ListCreateStrings();
        for (const char* f : {"hello.txt", "docs\\readme.txt", "docs\\img\\noise.bin"})
            ListAppendCopy(files, (base + "\\" + f).c_str());
        char text[TAR_RESULT_TEXT_SIZE] = {};
        Lib().create(archive.c_str(), baseSlash.c_str(), nullptr, text, files->count, files);
        EXPECT_EQ(std::string("00"), std::string(text).substr(0, 2)) << suffix << ": " << text;
        // Append one more file: the old members stay, the new one follows.
        List* more = ListCreateStrings();
        ListAppendCopy(more, (base + "\\zero.txt").c_str());
        std::vector<char> records(TAR_FILE_RECORD_SIZE * 2, 0);
        char text2[TAR_RESULT_TEXT_SIZE] = {};
        Lib().createAdd(archive.c_str(), baseSlash.c_str(), more, records.data(), nullptr, TAR_ADD_APPEND, text2);
        EXPECT_EQ(std::string("00"), std::string(text2).substr(0, 2)) << suffix << ": " << text2;
        EXPECT_STREQ("zero.txt", ((TarFindRecord*)records.data())->name) << suffix;
        int status = 0;
        std::vector<std::string> got = ListMembers(archive, &status);
        std::vector<std::string> want = {"docs/img/noise.bin", "docs/readme.txt", "hello.txt", "zero.txt"};
        EXPECT_EQ(want, got) << suffix;
        ListDestroy(&files);
        ListDestroy(&more);
        RemoveFolderTree(root);
    }
}
