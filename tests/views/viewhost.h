// A test window that hosts the archive views as the main window does: LIST, TreeList, the folder
// tree, the path combo and a status bar, with WM_NOTIFY, timer 4321 and the Find dialog's
// message handed to the views. Helpers open fixture archives into it with the ZIP listing engine
// and read the views back.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <cstdint>
#include <string>
#include <vector>

struct ViewHost {
    HWND main = nullptr;
    HWND list = nullptr;
    HWND treeList = nullptr;
    HWND tree = nullptr;
    HWND combo = nullptr;
    HWND status = nullptr;
};

// Creates the host on the calling thread and makes its windows the program's (GApp), with the
// views' hooks in the ZIP engine. False when a window cannot be created.
bool CreateViewHost(ViewHost* host);
// Clears the views and the process-wide state they touched, then destroys the windows.
void DestroyViewHost(ViewHost* host);

// One file member of a fixture, as Python's zipfile reads it ("<archive>.expect").
struct ExpectedRow {
    std::string name;  // as stored, '/' separators
    int64_t compressed = 0;
    int64_t size = 0;
    SYSTEMTIME date = {};
    bool encrypted = false;
};
std::vector<ExpectedRow> LoadExpectedRows(const std::string& archive);

// Path of a fixture archive.
std::string ViewFixture(const std::string& name);
// A copy of a fixture in a fresh temporary folder (for tests that change the archive).
std::string CopyViewFixture(const std::string& name);
// Names of an archive's entries as stored, read with minizip ("" entries when unreadable).
std::vector<std::string> ArchiveEntryNames(const std::string& path);

// Opens archive into the views as the program does (ZIP listing into LIST, rebuild of the
// folder view, root selected) and waits until the folder change has ended.
bool OpenArchiveInViews(const std::string& archive);
// Pumps messages until no folder change runs or waits and nothing is busy.
bool WaitForViewsIdle(DWORD timeoutMs = 20000);
// Selects the folder of path ("" for the root) and waits for TreeList.
bool SelectFolder(const std::string& path);

// Cell texts.
std::string Cell(HWND list, int row, int column);
int Rows(HWND list);
// Column texts of every row.
std::vector<std::string> ColumnTexts(HWND list, int column);
// Full member names of every row: path column and name column run together.
std::vector<std::string> FullNames(HWND list);
// Every folder path of the tree ("a", "a\\b", ...), in tree order (the root left out).
std::vector<std::string> TreePaths(void);
// The combo's entries in order.
std::vector<std::string> ComboEntries(void);
// Status bar part text.
std::string StatusText(int part);
// Appends a row with the eight given texts and no record.
int AppendTextRow(HWND list, const char* const texts[8]);
// Selects exactly the given rows of list.
void SelectRows(HWND list, const std::vector<int>& rows);
