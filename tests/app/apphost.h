// The main window hosted in the test process: created like the program creates it, driven with
// commands and read back through window messages. Prompts are scripted, nothing is launched,
// settings go to a scratch registry key, fixture archives are copied to a private folder.
#pragma once
#include <windows.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A fixture archive copied into this test's folder; returns the copy's path.
    std::string Fixture(const char* name);
    // Opens path and waits until the listing, the folder view and the post-open step are done.
    // Returns OpenCompressedFile's result.
    int OpenAndWait(const std::string& path);
    // Waits until no operation, listing or folder change runs and the frame's queue is empty.
    bool WaitIdle(DWORD timeoutMs = 240000);
    // Sends a command as the menu does and waits until the work it started is done.
    void Command(int id);

    int Rows(HWND view);
    std::string Cell(HWND view, int row, int column);
    // Every row's name and path columns joined ("a\b\two.txt"), sorted.
    std::vector<std::string> MemberNames(HWND view);
    std::string StatusText(int part);
    // Labels of the folder tree, depth first, indented by two blanks per level.
    std::vector<std::string> TreeLabels();
    std::vector<std::string> ComboEntries();
    std::string Title();
    // Texts of the message boxes asked so far, in order.
    std::vector<std::string> MessageTexts();

    HWND frame_ = nullptr;
    std::string folder_;
    static std::vector<std::string> launched_;  // paths the shell seam was asked to open
};

// The row whose name column reads name, -1 for none.
int FindRow(HWND view, const std::string& name);
// Selects and focuses row alone; -1 takes the selection away.
void SelectOnly(HWND view, int row);
// Names in a zip archive on disk, read with minizip (sorted, '/' separators).
std::vector<std::string> ArchiveMembers(const std::string& path);
// The fixture folder made by make_fixtures.sh.
std::string FixturePath(const char* name);
