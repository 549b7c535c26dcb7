// Start-up pieces: the command line's effects, temporary files, the busy flag under contention,
// the layout arithmetic, the help file's name and the help window driven from a helper thread.
#include <windows.h>
#include <commctrl.h>
#include <richedit.h>
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "app/cmdline.h"
#include "app/commands.h"
#include "app/helpwindow.h"
#include "app/ids.h"
#include "app/langtext.h"
#include "app/mainwindow.h"
#include "app/startup.h"
#include "model/appstate.h"
#include "support/testsupport.h"
#include "ui/promptscript.h"

namespace {

std::string gEffects;
int gStartWindowResult = 1;

void Note(const std::string& s)
{
    if (!gEffects.empty()) gEffects += ";";
    gEffects += s;
}

const StartupActions kRecordingActions = {
    [] { Note("help"); return 7; },
    [] { Note("quiet"); },
    [](const char* a, int f) { Note(std::string("extract ") + a + " " + std::to_string(f)); return 0; },
    [] { Note("window"); return gStartWindowResult; },
    [](const char* a, int f) { Note(std::string("open ") + a + " " + std::to_string(f)); return 1; },
    [](const char* p) { Note(std::string("view ") + p); return 1; },
    [](const char* const* files, int count, int silent, int append, int simulation) {
        std::string joined;
        for (int i = 0; i < count; ++i) joined += (i ? "|" : "") + std::string(files[i]);
        Note("job " + joined + " silent=" + std::to_string(silent) + " append=" + std::to_string(append) +
             " sim=" + std::to_string(simulation));
        return 1;
    },
};

std::string NoNewlines(std::string s)
{
    std::string out;
    for (char c : s)
        if (c != '\r' && c != '\n') out += c;
    return out;
}

std::string WindowText(HWND w)
{
    int length = GetWindowTextLengthA(w);
    std::string text(length + 1, '\0');
    GetWindowTextA(w, &text[0], length + 1);
    text.resize(length);
    return text;
}

RECT ChildRect(HWND dialog, int id)
{
    RECT r = {};
    HWND child = GetDlgItem(dialog, id);
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, dialog, (POINT*)&r, 2);
    return r;
}

bool SameRect(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::string RectText(const RECT& r)
{
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom) + ")";
}

}  // namespace

TEST(CommandLineEffects, EachFormStartsItsWork)
{
    struct Case {
        const char* raw;
        const char* effects;
        int exitCode;  // -1: the message loop runs
    };
    const Case cases[] = {
        {"--help", "help", 7},
        {"-h", "help", 7},
        {"--version", "quiet", 0},
        {"-x C:\\a.zip", "extract C:\\a.zip 1", 0},  // before any window, then the end
        {"-X data.iso", "extract data.iso 3", 0},
        {"", "window", -1},
        {"-x", "window", -1},
        {"C:\\in\\a.zip", "window;open C:\\in\\a.zip 1", -1},
        {"\"C:\\my files\\b.rar\"", "window;open C:\\my files\\b.rar 4", -1},
        {"photo.png", "window;view photo.png", -1},
        {"notes.txt", "window", -1},
        {"-a x.txt y.txt", "window;job x.txt|y.txt silent=0 append=1 sim=0", -1},
        {"-as x.txt", "window;job x.txt silent=1 append=1 sim=0", -1},
        {"-asim x.txt", "window;job x.txt silent=0 append=1 sim=1", -1},
        {"-c x.txt", "window;job x.txt silent=0 append=0 sim=0", -1},
        {"-cs x.txt", "window;job x.txt silent=1 append=0 sim=0", -1},
        {"-s x.txt", "window;job x.txt silent=1 append=0 sim=0", -1},
        {"-csim a b", "window;job a|b silent=0 append=0 sim=1", -1},
        {"a.txt b.zip", "window;job a.txt|b.zip silent=0 append=0 sim=0", -1},
    };
    for (const Case& c : cases) {
        gEffects.clear();
        gStartWindowResult = 1;
        CommandLine line;
        ParseCommandLine(c.raw, &line);
        int code = DispatchCommandLine(&line, &kRecordingActions);
        EXPECT_EQ(gEffects, c.effects) << "command line [" << c.raw << "]";
        EXPECT_EQ(code, c.exitCode) << "command line [" << c.raw << "]";
    }
    // No window: the program ends with 1 and opens nothing.
    gEffects.clear();
    gStartWindowResult = 0;
    CommandLine line;
    ParseCommandLine("a.zip", &line);
    EXPECT_EQ(DispatchCommandLine(&line, &kRecordingActions), 1);
    EXPECT_EQ(gEffects, "window");
}

TEST(TemporaryFiles, AreRemovedAndKeptWhileInUse)
{
    std::string folder = MakeTempFolder("tempfiles");
    std::string free1 = folder + "\\free.txt", held = folder + "\\held.txt";
    ASSERT_TRUE(WriteWholeFile(free1, "a"));
    ASSERT_TRUE(WriteWholeFile(held, "b"));
    RemoveTempFiles(0);
    EXPECT_EQ(RecordTempFile(free1.c_str()), 1);
    EXPECT_EQ(RecordTempFile(free1.c_str()), 1);
    EXPECT_EQ(RecordTempFile(held.c_str()), 1);
    EXPECT_EQ(RecordTempFile(""), 0);
    EXPECT_EQ(TempFileCount(), 2) << "a name is recorded once";

    // A file another program still has open cannot go now; it stays for the exit.
    HANDLE lock = CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    EXPECT_EQ(RenewTempFiles(), 1);
    EXPECT_EQ(GetFileAttributesA(free1.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(GetFileAttributesA(held.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(TempFileCount(), 1);
    CloseHandle(lock);

    // At exit everything recorded goes; a file already gone counts as removed.
    ASSERT_TRUE(WriteWholeFile(free1, "again"));
    RecordTempFile(free1.c_str());
    DeleteFileA(free1.c_str());
    EXPECT_EQ(RemoveTempFiles(0), 0);
    EXPECT_EQ(GetFileAttributesA(held.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(TempFileCount(), 0);
    RemoveFolderTree(folder);
}

TEST(BusyProtocol, OneOfManyTakersWins)
{
    ASSERT_EQ(GApp.hwndMain, nullptr) << "no frame in this test";
    GApp.busy.store(0);
    // Thread creation under Wine is dear (about 6 ms a thread): 100 rounds of 8 takers race often
    // enough and keep the test short on a loaded machine.
    const int kThreads = 8, kRounds = 100;
    for (int round = 0; round < kRounds; ++round) {
        std::atomic<int> go{0}, winners{0}, ready{0};
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([&] {
                ready.fetch_add(1);
                while (!go.load()) std::this_thread::yield();
                if (BeginBusy()) winners.fetch_add(1);
            });
        }
        while (ready.load() < kThreads) std::this_thread::yield();
        go.store(1);
        for (std::thread& t : threads) t.join();
        ASSERT_EQ(winners.load(), 1) << "round " << round;
        ASSERT_EQ(GApp.busy.load(), 1);
        EndBusy();
        ASSERT_EQ(GApp.busy.load(), 0);
    }
}

TEST(MainLayout, PlacesTheViews)
{
    struct Case {
        int width, height, toolbar, status;
    };
    const Case cases[] = {{980, 640, 40, 22}, {520, 320, 40, 22}, {1600, 1000, 44, 24}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        MainLayout l;
        ASSERT_EQ(ComputeMainLayout(c.width, c.height, c.toolbar, c.status, &l), 1);
        EXPECT_EQ(l.list.left, 0);
        EXPECT_EQ(l.list.right, c.width);
        EXPECT_EQ(l.list.top, c.toolbar + 2) << "below the toolbars and the frame line";
        EXPECT_EQ(l.list.bottom, c.height - c.status);
        int treeWidth = l.tree.right - l.tree.left;
        EXPECT_GE(treeWidth, std::min(150, c.width / 2));
        EXPECT_LE(treeWidth, c.width / 2);
        EXPECT_EQ(l.tree.bottom, l.list.bottom);
        EXPECT_GT(l.treeList.left, l.tree.right - 1) << "TreeList beside the tree";
        EXPECT_EQ(l.treeList.right, c.width);
        EXPECT_GE(l.treeList.top, l.comboLabel.bottom) << "below the combo row";
        EXPECT_EQ(l.comboLabel.right - l.comboLabel.left, 100);
        EXPECT_EQ(l.comboLabel.bottom - l.comboLabel.top, 20);
        EXPECT_EQ(l.secondLabel.right - l.secondLabel.left, 150);
        EXPECT_GE(l.pathCombo.left, l.comboLabel.right);
        EXPECT_LE(l.pathCombo.right, l.secondLabel.left);
        EXPECT_EQ(l.pathCombo.bottom - l.pathCombo.top, 200) << "the combo's drop-down height";
    }
    MainLayout tiny;
    EXPECT_EQ(ComputeMainLayout(80, 60, 40, 22, &tiny), 0);
}

TEST(HelpWindow, LayoutFollowsTheClientArea)
{
    struct Case {
        int width, height;
        RECT text, closeButton, fontButton;
    };
    const Case cases[] = {
        {784, 362, {5, 10, 769, 292}, {332, 302, 392, 324}, {392, 302, 452, 324}},
        {600, 300, {5, 10, 585, 230}, {240, 240, 300, 262}, {300, 240, 360, 262}},
    };
    for (const Case& c : cases) {
        RECT text, closeButton, fontButton;
        LayoutHelpWindow(c.width, c.height, &text, &closeButton, &fontButton);
        std::string size = std::to_string(c.width) + "x" + std::to_string(c.height);
        EXPECT_TRUE(SameRect(text, c.text)) << size << " text " << RectText(text);
        EXPECT_TRUE(SameRect(closeButton, c.closeButton)) << size << " close " << RectText(closeButton);
        EXPECT_TRUE(SameRect(fontButton, c.fontButton)) << size << " font " << RectText(fontButton);
    }
}

TEST(HelpWindow, ShowsTheHelpTextAndClosesWithItsButton)
{
    int version = LoadRichEditLibrary();
    ASSERT_GT(version, 0);
    SetLanguage(LANG_CODE_ENGLISH);
    ScopedPromptScript script;
    ScriptPromptAnswerValue(PROMPT_KIND_CHOOSE_FONT, 1, "Courier New", RGB(0, 0, 128));
    std::string text, closeCaption, fontCaption, title, face;
    RECT window = {}, client = {}, textRect = {}, closeRect = {}, fontRect = {}, expected = {};
    std::thread driver([&] {
        HWND dialog = nullptr;
        for (int i = 0; i < 500 && !dialog; ++i) {
            dialog = FindWindowA("#32770", "Kelvora");
            if (!dialog) Sleep(20);
        }
        if (!dialog) return;
        title = WindowText(dialog);
        text = WindowText(GetDlgItem(dialog, IDC_HELP_TEXT));
        closeCaption = WindowText(GetDlgItem(dialog, IDC_HELP_CLOSE));
        fontCaption = WindowText(GetDlgItem(dialog, IDC_HELP_FONT));
        GetWindowRect(dialog, &window);
        // A smaller window places the controls anew.
        SetWindowPos(dialog, nullptr, 0, 0, 640, 330, SWP_NOMOVE | SWP_NOZORDER);
        GetClientRect(dialog, &client);
        textRect = ChildRect(dialog, IDC_HELP_TEXT);
        closeRect = ChildRect(dialog, IDC_HELP_CLOSE);
        fontRect = ChildRect(dialog, IDC_HELP_FONT);
        LayoutHelpWindow(client.right, client.bottom, &expected, nullptr, nullptr);
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_HELP_FONT, BN_CLICKED), 0);
        HWND edit = GetDlgItem(dialog, IDC_HELP_TEXT);
        SendMessageA(edit, EM_SETSEL, 0, -1);
        CHARFORMATA format = {};
        format.cbSize = sizeof format;
        format.dwMask = CFM_FACE;
        SendMessageA(edit, EM_GETCHARFORMAT, SCF_SELECTION, (LPARAM)&format);
        face = format.szFaceName;
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_HELP_CLOSE, BN_CLICKED), 0);
    });
    INT_PTR result = ShowHelpWindow(nullptr, version);
    driver.join();
    EXPECT_EQ(result, IDC_HELP_CLOSE);
    EXPECT_EQ(title, "Kelvora");
    EXPECT_EQ(NoNewlines(text), NoNewlines(GetConsoleHelpText()));
    EXPECT_EQ(closeCaption, GetGenericText(0));
    EXPECT_EQ(fontCaption, GetGenericText(26));
    EXPECT_EQ(window.right - window.left, 800);
    EXPECT_EQ(window.bottom - window.top, 400);
    EXPECT_TRUE(SameRect(textRect, expected)) << RectText(textRect) << " instead of " << RectText(expected);
    EXPECT_EQ(closeRect.right, fontRect.left) << "side by side";
    EXPECT_EQ(closeRect.right, client.right / 2) << "at the middle";
    EXPECT_EQ(closeRect.top, client.bottom - 60);
    EXPECT_EQ(face, "Courier New") << "the chosen font";
    PromptQuestion q;
    ASSERT_TRUE(GetScriptedQuestion(0, &q));
    EXPECT_EQ(q.kind, PROMPT_KIND_CHOOSE_FONT);
}

TEST(HelpFile, FollowsTheLanguage)
{
    struct Case {
        int country;
        const char* tail;
    };
    const Case cases[] = {{7, "help\\kelvora_de.chm"}, {0x0407, "help\\kelvora_de.chm"}, {1, "help\\kelvora_en.chm"},
                          {0x0409, "help\\kelvora_en.chm"}, {0, "help\\kelvora_en.chm"}};
    char program[MAX_PATH];
    GetModuleFileNameA(nullptr, program, sizeof program);
    std::string folder = program;
    folder = folder.substr(0, folder.rfind('\\') + 1);
    for (const Case& c : cases) {
        char path[MAX_PATH + 40];
        BuildHelpFilePath(c.country, path, sizeof path);
        EXPECT_EQ(std::string(path), folder + c.tail) << "country " << c.country;
    }
}
