// Helpers of the archive-creation tests: source trees on disk, runs of the creation worker
// without dialogs, and archives read back member by member through minizip.
#pragma once
#include <windows.h>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct ZipCreateOptions;

// One file of a source tree: path relative to the tree ('/' separated; a trailing '/' makes an
// empty folder) and its contents.
struct TreeFile {
    std::string path;
    std::string data;
};

// Deterministic contents: text that compresses well, or noise that does not.
std::string TextBytes(size_t size, int seed);
std::string NoiseBytes(size_t size, int seed);
// The standard tree: top-level files, nested folders, an empty file, an empty folder, a name
// with blanks.
std::vector<TreeFile> StandardTree(void);
// Writes the tree below folder; false when a file cannot be written.
bool WriteTree(const std::string& folder, const std::vector<TreeFile>& files);

// One member as minizip reads it.
struct ArchiveMember {
    std::string name;
    int method = -1;
    unsigned flag = 0;
    uint32_t crc = 0;
    uint32_t dosDate = 0;
    uint64_t compressed = 0;
    uint64_t uncompressed = 0;
    bool dataOk = false;   // decoded completely and the CRC matched
    std::string data;      // decoded contents
    std::string raw;       // stored bytes (with the encryption header), when asked for
    std::string localExtra;
};

struct ArchiveContents {
    bool opened = false;
    uint64_t entries = 0;      // from the end record
    std::string comment;
    std::vector<ArchiveMember> members;
    const ArchiveMember* Find(const std::string& name) const;
    std::vector<std::string> Names() const;
};

// Reads every member (decoding with password when given). withRaw: the stored bytes too.
ArchiveContents ReadArchive(const std::string& path, const char* password = nullptr, bool withRaw = false);

// Inputs left out by a run, as the report callback saw them.
struct LeftOut {
    std::vector<std::pair<int, std::string>> items;
    bool Has(int reason, const std::string& pathEnd) const;
};

// File offset just after the stored data of member name (local header, name, extra field and
// data); 0 when it is not found.
uint64_t MemberDataEnd(const std::string& archive, const std::string& name);

// A run record for tests: no progress dialog, level, target, report into log (may be null).
// Released by the caller (ReleaseZipCreateOptions).
ZipCreateOptions* NewTestRun(const std::string& target, int level, LeftOut* log);
// Runs the worker on this thread and returns its result.
int RunWorker(ZipCreateOptions* options);
// Runs the worker on a thread of its own, as the window does, pumping this thread's messages
// (the list views live here) until it ends. Returns its result, -1 when it did not end in time.
int RunWorkerBesideViews(ZipCreateOptions* options, DWORD timeoutMs = 120000);

// The traditional encryption header check: decrypts the first 12 stored bytes with password
// and returns the last one (what readers compare with the CRC's high byte); -1 when raw is short.
int DecryptedCheckByte(const std::string& raw, const char* password);

// Writes a ZIP archive with minizip directly (for append tests): members (name, data) with
// an extra field on the first one and the archive comment. false on failure.
bool WriteReferenceArchive(const std::string& path, const std::vector<TreeFile>& members, const char* comment);

// The hidden list view of the listings (CreateHiddenList): the program's eight columns in a
// hidden parent that releases row records, prepared for row batches.
struct CreateTestList {
    HWND parent = nullptr;
    HWND list = nullptr;
    CreateTestList();
    ~CreateTestList();
    int Rows() const;
    std::string Cell(int row, int column) const;
    // Column 7 and column 0 run together, '\' turned into '/'.
    std::string MemberName(int row) const;
};
