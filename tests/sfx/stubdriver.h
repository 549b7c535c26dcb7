// Runs a built self-extracting program under Wine and answers its windows from the test
// process: the password dialog, the folder browser, the overwrite question and message boxes.
#pragma once
#include <windows.h>

#include <map>
#include <string>
#include <vector>

// Answers, handed out in order; a window with no answer left is cancelled.
struct StubScript {
    std::vector<std::string> passwords;  // typed into the password dialog; "<cancel>" presses Cancel
    std::vector<int> overwrite;          // 125 No, 126 All, 127 Yes
    std::vector<int> messageButtons;     // button pressed in each message box (IDOK by default)
    bool cancelFolder = false;           // Cancel in the folder browser
};

struct StubRun {
    int exitCode = -1;
    bool finished = false;               // ended by itself before the guard ran out
    int passwordDialogs = 0;
    int folderDialogs = 0;
    int overwriteQuestions = 0;
    std::vector<std::string> messages;   // "caption|text" of every message box, in order
};

// Starts exe with TEMP and TMP set to tempFolder and the browser starting at folder, answers
// its windows from script and waits for its end (the guard ends it after a few minutes).
StubRun RunStubProgram(const std::string& exe, const std::string& folder, const std::string& tempFolder,
                       const StubScript& script);

// One file or folder of a tree.
struct TreeItem {
    bool folder = false;
    std::string content;
    FILETIME lastWrite = {};
};
// Every file and folder below root, keyed by the relative path ('\' separated).
std::map<std::string, TreeItem> ReadTree(const std::string& root);
// Number of entries (files and folders) directly in a folder; -1 when it does not exist.
int CountFolderEntries(const std::string& folder);
