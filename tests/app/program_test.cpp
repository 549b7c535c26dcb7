// kelvora.exe itself, started as a process: the quiet double-dash forms, and a start on an
// archive that lists it in the window and ends through the normal close path.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>

#include "apphost.h"
#include "app/ids.h"
#include "support/testsupport.h"

namespace {

std::string ProgramPath(void)
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string folder = path;
    return folder.substr(0, folder.rfind('\\') + 1) + "kelvora.exe";
}

// Starts kelvora.exe with arguments; fills info. false when it cannot be started.
bool StartProgram(const std::string& arguments, PROCESS_INFORMATION* info)
{
    std::string command = "\"" + ProgramPath() + "\" " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    return CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, info) != 0;
}

struct FindFrame {
    DWORD process;
    HWND frame;
};

BOOL CALLBACK FindFrameOfProcess(HWND window, LPARAM data)
{
    FindFrame* find = (FindFrame*)data;
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    if (process == find->process && strcmp(name, "Kelvora") == 0) {
        find->frame = window;
        return FALSE;
    }
    return TRUE;
}

std::string Text(HWND window)
{
    char text[600] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

}  // namespace

TEST(Program, EndsQuietlyOnOtherDoubleDashForms)
{
    PROCESS_INFORMATION info = {};
    ASSERT_TRUE(StartProgram("--version", &info)) << ProgramPath();
    ASSERT_EQ(WaitForSingleObject(info.hProcess, 60000), WAIT_OBJECT_0);
    DWORD code = 99;
    GetExitCodeProcess(info.hProcess, &code);
    EXPECT_EQ(code, 0u);
    FindFrame find = {info.dwProcessId, nullptr};
    EnumWindows(FindFrameOfProcess, (LPARAM)&find);
    EXPECT_EQ(find.frame, nullptr) << "no window was shown";
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
}

TEST(Program, ListsTheArchiveGivenAndEndsOnExit)
{
    std::string folder = MakeTempFolder("program");
    std::string archive = folder + "\\nested archive.zip";
    ASSERT_TRUE(CopyFileA(FixturePath("nested.zip").c_str(), archive.c_str(), FALSE));
    PROCESS_INFORMATION info = {};
    ASSERT_TRUE(StartProgram("\"" + archive + "\"", &info));
    FindFrame find = {info.dwProcessId, nullptr};
    HWND list = nullptr;
    bool listed = PumpMessagesUntil(
        [&] {
            find.frame = nullptr;
            EnumWindows(FindFrameOfProcess, (LPARAM)&find);
            list = find.frame ? GetDlgItem(find.frame, IDC_LIST) : nullptr;
            return list && SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) == 6 && Text(find.frame) == "Kelvora: " + archive;
        },
        120000);
    EXPECT_TRUE(listed) << "title [" << (find.frame ? Text(find.frame) : std::string("no window")) << "]";
    if (find.frame) {
        EXPECT_TRUE(GetDlgItem(find.frame, IDC_FOLDER_TREE) != nullptr);
        EXPECT_TRUE(GetDlgItem(find.frame, IDC_STATUS) != nullptr);
        PostMessageA(find.frame, WM_COMMAND, MAKEWPARAM(IDM_EXIT, 0), 0);
    }
    EXPECT_EQ(WaitForSingleObject(info.hProcess, 60000), WAIT_OBJECT_0);
    DWORD code = 99;
    GetExitCodeProcess(info.hProcess, &code);
    EXPECT_EQ(code, 0u);
    if (WaitForSingleObject(info.hProcess, 0) != WAIT_OBJECT_0) TerminateProcess(info.hProcess, 1);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    // The program remembered the archive among its recent ones; the test prefix keeps no trace.
    RegDeleteKeyValueA(HKEY_CURRENT_USER, "SOFTWARE\\Kelvora", "file_list");
    RemoveFolderTree(folder);
}
