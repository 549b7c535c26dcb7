// Shared helpers of the ZIP tests: fixture paths and the listings other tools wrote next to the
// fixtures (tests/zip/make_fixtures.sh).
#pragma once
#include <windows.h>
#include <cstdint>
#include <string>
#include <vector>

// One file member as the expectation lists it (kelvora-cli's listing form).
struct ExpectedMember {
    int64_t uncompressed;
    int64_t compressed;
    std::string date;  // "YYYY-MM-DD HH:MM"
    bool encrypted;
    std::string name;  // as stored, '/' separators, cut to 255 bytes
};

struct ExpectedListing {
    int64_t files = 0;
    int64_t compressed = 0;
    int64_t uncompressed = 0;
    int64_t entries = 0;
    std::vector<ExpectedMember> members;
};

// Windows path of a fixture file (or of the fixture folder for an empty name).
std::string FixturePath(const std::string& name);
// The source tree the Info-ZIP and 7-Zip fixtures were made from (src\plain).
std::string FixtureSourcePath(const std::string& relative);
// Reads "<archive without .zip>.expect"; false when it is missing or malformed.
bool LoadExpectedListing(const std::string& archive, ExpectedListing* out);
// Reads a whole text file of the fixture folder; "" when missing.
std::string ReadFixtureText(const std::string& name);
// Lines of a fixture text file (without line ends).
std::vector<std::string> ReadFixtureLines(const std::string& name);
// A file's last-write time as local broken-down time "YYYY-MM-DD HH:MM:SS"; "" when unreadable.
std::string LocalWriteTime(const std::string& path);
// True when the path names an existing file (not a folder).
bool FileExists(const std::string& path);
bool FolderExists(const std::string& path);
// Every file below folder, as relative names with '/' separators, sorted.
std::vector<std::string> ListFilesBelow(const std::string& folder);

struct ListingJob;
struct liststruct;

// The hidden list view of the listings (CreateHiddenList) on the test's thread, made the main
// list (GApp.hwndList) while it lives.
struct TestListHost {
    HWND host = nullptr;
    HWND list = nullptr;
    TestListHost();
    ~TestListHost();
    int RowCount() const;
    const liststruct* Row(int row) const;
    // The row's member name as the archive has it ('/' separators).
    std::string RowName(int row) const;
    void Select(int row) const;
};

// Runs ListZipFilesThread for job on a worker thread while pumping this thread's messages;
// returns the thread's result (0 listed, 1 not opened), or -1 when it did not end in time.
int RunListingThread(ListingJob* job, DWORD timeoutMs = 120000);
