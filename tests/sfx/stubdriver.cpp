// The driver of built self-extracting programs (see stubdriver.h).
#include "stubdriver.h"

#include <set>

#include "support/testsupport.h"

namespace {

struct Scan {
    DWORD pid;
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM param) {
    Scan* scan = (Scan*)param;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == scan->pid && IsWindowVisible(window)) scan->windows.push_back(window);
    return TRUE;
}

BOOL CALLBACK CollectTexts(HWND window, LPARAM param) {
    char cls[64], text[1024];
    GetClassNameA(window, cls, sizeof cls);
    if (_stricmp(cls, "Static") == 0 && GetWindowTextA(window, text, sizeof text) > 0) {
        std::string* all = (std::string*)param;
        if (!all->empty()) *all += "\n";
        *all += text;
    }
    return TRUE;
}

std::string TextsOf(HWND window) {
    std::string all;
    EnumChildWindows(window, CollectTexts, (LPARAM)&all);
    return all;
}

void Press(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(dialog, id));
}

// The text of a folder browser, in both languages of the stub.
bool IsFolderBrowser(const std::string& texts) {
    return texts.find("Specify directory to extract files") != std::string::npos ||
           texts.find("Verzeichnis angeben in das die Archivdateien entpackt werden") != std::string::npos;
}

}  // namespace

StubRun RunStubProgram(const std::string& exe, const std::string& folder, const std::string& tempFolder,
                       const StubScript& script) {
    StubRun run;
    SetEnvironmentVariableA("KELVORA_SFX_FOLDER", folder.c_str());
    char oldTemp[MAX_PATH] = "", oldTmp[MAX_PATH] = "";
    GetEnvironmentVariableA("TEMP", oldTemp, sizeof oldTemp);
    GetEnvironmentVariableA("TMP", oldTmp, sizeof oldTmp);
    SetEnvironmentVariableA("TEMP", tempFolder.c_str());
    SetEnvironmentVariableA("TMP", tempFolder.c_str());
    STARTUPINFOA startup = {sizeof startup};
    PROCESS_INFORMATION process = {};
    std::string commandLine = "\"" + exe + "\"";
    BOOL started = CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                  &startup, &process);
    SetEnvironmentVariableA("KELVORA_SFX_FOLDER", nullptr);
    SetEnvironmentVariableA("TEMP", oldTemp);
    SetEnvironmentVariableA("TMP", oldTmp);
    if (!started) return run;
    size_t nextPassword = 0, nextOverwrite = 0, nextMessage = 0;
    std::set<HWND> answered;
    // A guard against a program that hangs, not a measure of speed.
    for (int round = 0; round < 1200; round++) {
        if (WaitForSingleObject(process.hProcess, 50) == WAIT_OBJECT_0) {
            run.finished = true;
            break;
        }
        Scan scan = {process.dwProcessId, {}};
        EnumWindows(CollectWindow, (LPARAM)&scan);
        for (HWND window : scan.windows) {
            if (answered.count(window)) continue;
            char cls[64] = "", title[256] = "";
            GetClassNameA(window, cls, sizeof cls);
            GetWindowTextA(window, title, sizeof title);
            if (strcmp(cls, "#32770") != 0) continue;
            std::string caption = title;
            if (caption == "Kelvora") continue;  // the progress dialog goes by itself
            if (caption == "Enter your password") {
                run.passwordDialogs++;
                std::string answer = nextPassword < script.passwords.size() ? script.passwords[nextPassword++] : "<cancel>";
                if (answer == "<cancel>") {
                    Press(window, 124);
                } else {
                    SetDlgItemTextA(window, 121, answer.c_str());
                    Press(window, 123);
                }
            } else if (caption == "Overwrite files") {
                if (!GetDlgItem(window, 125)) continue;  // still initialising
                run.overwriteQuestions++;
                Press(window, nextOverwrite < script.overwrite.size() ? script.overwrite[nextOverwrite++] : 125);
            } else {
                std::string texts = TextsOf(window);
                if (IsFolderBrowser(texts)) {
                    // OK only once the browser shows the start folder as selected.
                    if (!script.cancelFolder && texts.find(folder) == std::string::npos) continue;
                    run.folderDialogs++;
                    Press(window, script.cancelFolder ? IDCANCEL : IDOK);
                } else {
                    run.messages.push_back(caption + "|" + texts);
                    int button = nextMessage < script.messageButtons.size() ? script.messageButtons[nextMessage++] : IDOK;
                    Press(window, button);
                }
            }
            answered.insert(window);
        }
    }
    if (!run.finished) TerminateProcess(process.hProcess, 99);
    WaitForSingleObject(process.hProcess, 10000);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    run.exitCode = (int)code;
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return run;
}

static void ReadTreeBelow(const std::string& root, const std::string& relative, std::map<std::string, TreeItem>* tree) {
    WIN32_FIND_DATAA found;
    std::string pattern = root + (relative.empty() ? "" : "\\" + relative) + "\\*";
    HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        std::string path = relative.empty() ? name : relative + "\\" + name;
        TreeItem item;
        item.folder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (!item.folder) {
            item.lastWrite = found.ftLastWriteTime;
            ReadWholeFile(root + "\\" + path, &item.content);
        }
        (*tree)[path] = item;
        if (item.folder) ReadTreeBelow(root, path, tree);
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

std::map<std::string, TreeItem> ReadTree(const std::string& root) {
    std::map<std::string, TreeItem> tree;
    ReadTreeBelow(root, "", &tree);
    return tree;
}

int CountFolderEntries(const std::string& folder) {
    if (GetFileAttributesA(folder.c_str()) == INVALID_FILE_ATTRIBUTES) return -1;
    std::map<std::string, TreeItem> tree;
    int count = 0;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    do {
        if (strcmp(found.cFileName, ".") && strcmp(found.cFileName, "..")) count++;
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return count;
}
