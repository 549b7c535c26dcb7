// Helpers of the modification tests: fixture copies, the raw view of an archive through
// minizip's raw reads, ZipEntry sets and a hidden list view.
#pragma once
#include <windows.h>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct BSTree;
struct RBTree;

// Windows path of a file made by make_fixtures.sh (or of the fixture folder for "").
std::string ModifyFixturePath(const std::string& name);
// Copies a fixture into folder; returns the copy's path ("" on failure).
std::string CopyFixture(const std::string& name, const std::string& folder);
// The whole file, or "" (with ok false) when unreadable.
std::string FileBytes(const std::string& path, bool* ok = nullptr);
bool PathExists(const std::string& path);

// One entry as it lies in the archive, read raw (neither inflated nor decrypted).
struct RawEntry {
    std::string name;          // as stored
    unsigned long versionMadeBy = 0;
    unsigned long flag = 0;
    unsigned long method = 0;
    unsigned long dosDate = 0;
    unsigned long crc = 0;
    uint64_t compressed = 0;
    uint64_t uncompressed = 0;
    unsigned long internalAttr = 0;
    unsigned long externalAttr = 0;
    std::string centralExtra;  // zip64 fields (id 1) left out: they describe the layout
    std::string localExtra;    // the same
    std::string comment;
    std::string data;          // compressed (and encrypted) bytes
    bool dataRead = true;      // false for methods the zip reader cannot open (LZMA, AES)
};

struct RawArchive {
    bool ok = false;
    std::string comment;
    std::vector<RawEntry> entries;  // central directory order
    std::map<std::string, size_t> index;  // name -> first entry of that name
    const RawEntry* Find(const std::string& name) const;
    std::vector<std::string> Names() const;
};

RawArchive ReadRawArchive(const std::string& path);
// Differences between an entry before and after (name aside); "" when none.
std::string RawEntryDifference(const RawEntry& before, const RawEntry& after);
// Reads one entry decoded (inflated, decrypted with password when given); false when the
// entry is missing or its data or CRC is wrong.
bool ReadEntryContent(const std::string& archive, const std::string& name, std::string* content,
                      const char* password = nullptr);

// ZipEntry sets from names (keys as the views give them: '\' separators).
BSTree* MakeBSSet(const std::vector<std::string>& keys);
// entries: key -> new name ("" for none).
RBTree* MakeRBSet(const std::vector<std::pair<std::string, std::string>>& entries);
std::string Backslashed(std::string s);

// The hidden list view of the listings (CreateHiddenList) owned by the test's thread, made the
// main list (GApp.hwndList) while it lives; rows are released through the delete notification.
struct ModifyListHost {
    HWND host = nullptr;
    HWND list = nullptr;
    ModifyListHost();
    ~ModifyListHost();
    // Appends a row for the member name ('/' separators) with the given sizes.
    int AddMember(const std::string& name, int64_t compressed = 1, int64_t uncompressed = 1);
    int RowCount() const;
    // Member names of all rows ('/' separators), in row order.
    std::vector<std::string> RowNames() const;
    void Select(int row, bool on = true) const;
};

// Fills host with a row per file entry of archive (names as stored, sizes from the archive).
// Returns the number of rows.
int FillListFromArchive(ModifyListHost* host, const std::string& archive);


// Runs fn on a new thread while pumping this thread's messages; returns the thread's exit code
// or -1000 when it did not end in time.
int RunThreadPumping(LPTHREAD_START_ROUTINE fn, void* param, DWORD timeoutMs = 120000);
