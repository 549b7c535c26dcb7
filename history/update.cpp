#include "history/update.h"

#include <wininet.h>
#include <shellapi.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/langtext.h"
#include "config/log.h"
#include "config/registry.h"
#include "config/settings.h"
#include "formats/plugins.h"
#include "libs/xml/xmlnode.h"
#include "model/appstate.h"
#include "model/strutil.h"
#include "ui/prompts.h"
#include "ui/templatedialog.h"

const char kOwnVersion[] = "1.2";
const char kOwnProgramName[] = "Kelvora.exe";
const char kVersionInfoAddress[] = "https://www.kelvora.org/update/version.xml";

namespace {

const size_t kReceiveSize = 4096;
const int kDateThreshold = 4252;

std::atomic<int> gCheckRunning{0};
std::atomic<int> gDownloadOk{0};
char gRemoteVersion[260];
char gDownloadAddress[2048];
char gMessage[2048];

int OpenWithShell(const char* address)
{
    return (INT_PTR)ShellExecuteA(nullptr, "open", address, nullptr, nullptr, SW_SHOWNORMAL) > 32;
}

typedef HINTERNET(WINAPI* InternetOpenFn)(LPCSTR, DWORD, LPCSTR, LPCSTR, DWORD);
typedef HINTERNET(WINAPI* InternetOpenUrlFn)(HINTERNET, LPCSTR, LPCSTR, DWORD, DWORD, DWORD_PTR);
typedef BOOL(WINAPI* InternetReadFileFn)(HINTERNET, LPVOID, DWORD, LPDWORD);
typedef BOOL(WINAPI* InternetCloseHandleFn)(HINTERNET);
typedef BOOL(WINAPI* HttpQueryInfoFn)(HINTERNET, DWORD, LPVOID, LPDWORD, LPDWORD);

// Closes an Internet handle on every way out.
struct InternetHandle {
    HINTERNET handle = nullptr;
    InternetCloseHandleFn close = nullptr;
    ~InternetHandle()
    {
        if (handle && close) close(handle);
    }
};

// "1.2_beta" -> number 102, suffix "beta"; the digits are taken as the version has them.
void SplitVersion(const char* text, long long* number, std::string* suffix)
{
    std::string copy = text ? text : "";
    for (char& c : copy) {
        if (c == '_') c = ' ';
        else if (c == '.') c = '0';
    }
    size_t blank = copy.find(' ');
    std::string digits = blank == std::string::npos ? copy : copy.substr(0, blank);
    *suffix = blank == std::string::npos ? std::string() : copy.substr(blank + 1);
    long long value = 0;
    for (char c : digits) value = value * 10 + (c - '0');
    *number = value;
}

int IsWebAddress(const char* address)
{
    return _strnicmp(address, "http://", 7) == 0 || _strnicmp(address, "https://", 8) == 0;
}

struct UpdateDialogRun {
    int downloaded;
};

HWND AddControl(HWND dialog, const char* cls, const char* text, DWORD style, int id, int x, int y, int w, int h)
{
    HWND control = CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, dialog,
                                   (HMENU)(INT_PTR)id, nullptr, nullptr);
    SendMessageA(control, WM_SETFONT, (WPARAM)GetStockObject(DEFAULT_GUI_FONT), FALSE);
    return control;
}

void OnUpdateDialogInit(HWND dialog, int downloaded)
{
    SetWindowTextA(dialog, GetGenericText(76));
    int width = 400, height = 200;
    SetWindowPos(dialog, HWND_TOP, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                 (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height, 0);
    AddControl(dialog, "STATIC", gMessage, SS_LEFT, IDC_UPDATE_MESSAGE, 30, downloaded ? 50 : 60, 325, 35);
    AddControl(dialog, "BUTTON", GetConfigurationText(86), BS_AUTOCHECKBOX | WS_TABSTOP, IDC_UPDATE_DO_NOT_CHECK, 30,
               85, 280, 20);
    AddControl(dialog, "STATIC", "", SS_ETCHEDHORZ, -1, 10, 120, width - 30, 2);
    if (downloaded) {
        AddControl(dialog, "BUTTON", GetGenericText(81), BS_DEFPUSHBUTTON | WS_TABSTOP, IDC_UPDATE_DOWNLOAD, 25, 135,
                   110, 23);
        AddControl(dialog, "BUTTON", GetGenericText(82), BS_PUSHBUTTON | WS_TABSTOP, IDC_UPDATE_NOT_NOW, 145, 135, 110,
                   23);
        AddControl(dialog, "BUTTON", GetGenericText(1), BS_PUSHBUTTON | WS_TABSTOP, IDC_UPDATE_CANCEL, 265, 135, 110,
                   23);
        SetFocus(GetDlgItem(dialog, IDC_UPDATE_DOWNLOAD));
    } else {
        AddControl(dialog, "BUTTON", GetGenericText(0), BS_DEFPUSHBUTTON | WS_TABSTOP, IDC_UPDATE_OK, 120, 135, 75, 23);
        AddControl(dialog, "BUTTON", GetGenericText(1), BS_PUSHBUTTON | WS_TABSTOP, IDC_UPDATE_CANCEL, 205, 135, 75, 23);
        SetFocus(GetDlgItem(dialog, IDC_UPDATE_OK));
    }
}

void CloseUpdateDialog(HWND dialog, int id, int keepBox)
{
    if (keepBox && IsDlgButtonChecked(dialog, IDC_UPDATE_DO_NOT_CHECK) == BST_CHECKED) {
        SetCheckSearchAndDisplayUpdates(1);
        SaveSettings();
    }
    EndDialog(dialog, id);
}

INT_PTR CALLBACK UpdateDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        OnUpdateDialogInit(dialog, ((UpdateDialogRun*)lParam)->downloaded);
        return FALSE;
    case WM_COMMAND: {
        UpdateDialogRun* run = (UpdateDialogRun*)GetWindowLongPtrA(dialog, DWLP_USER);
        int id = LOWORD(wParam);
        switch (id) {
        case IDOK:  // Enter
            CloseUpdateDialog(dialog, run && run->downloaded ? IDC_UPDATE_DOWNLOAD : IDC_UPDATE_OK, 1);
            return TRUE;
        case IDC_UPDATE_DOWNLOAD:
        case IDC_UPDATE_NOT_NOW:
        case IDC_UPDATE_OK:
            CloseUpdateDialog(dialog, id, 1);
            return TRUE;
        case IDC_UPDATE_CANCEL:
        case IDCANCEL:  // Escape
            CloseUpdateDialog(dialog, IDC_UPDATE_CANCEL, 0);
            return TRUE;
        }
        break;
    }
    case WM_CLOSE:
        CloseUpdateDialog(dialog, IDC_UPDATE_CANCEL, 0);
        return TRUE;
    }
    return FALSE;
}

INT_PTR RunUpdateDialog(void* context)
{
    return ShowTemplateDialogOwned(nullptr, UpdateDialogProc, 0, 1, (LPARAM)context);
}

// Reads the document's record of this program. 0 when there is no document.
int ReadVersionDocument(const char* text, int* newer, int* accepted)
{
    *newer = *accepted = 0;
    if (!LoadPlugin(PLUGIN_XML)) return -1;
    XmlLoadStringFn load = (XmlLoadStringFn)PluginExport(PLUGIN_XML, "xmlLoadString");
    XmlWalkNextFn walk = (XmlWalkNextFn)PluginExport(PLUGIN_XML, "xmlWalkNext");
    XmlFreeDocumentFn release = (XmlFreeDocumentFn)PluginExport(PLUGIN_XML, "xmlFreeDocument");
    if (!load || !walk) return -1;
    XmlNode* root = load(0, text, 0);
    if (!root) return 0;
    int selected = 0;
    for (XmlNode* node = root; node; node = walk(node, root, 1)) {
        if (node->kind != XML_NODE_TEXT || !node->value || !node->value[0]) continue;
        XmlNode* parent = node->parent;
        if (!parent || parent->kind != XML_NODE_ELEMENT || !parent->name) continue;
        const char* name = parent->name;
        if (strcmp(name, "name") == 0) {
            selected = strcmp(node->value, kOwnProgramName) == 0;
        } else if (selected && strcmp(name, "version") == 0) {
            *newer = IsNewerVersion(kOwnVersion, node->value);
            if (*newer) CopyBounded(gRemoteVersion, sizeof gRemoteVersion, node->value);
        } else if (selected && strcmp(name, "date") == 0) {
            *accepted = IsReleaseDateAccepted(kDateThreshold, node->value);
        } else if (selected && strcmp(name, "downloadurl") == 0) {
            CopyBounded(gDownloadAddress, sizeof gDownloadAddress, node->value);
        }
    }
    if (release) release(root);
    return 1;
}

int CheckOnce(int manual)
{
    if (GetCheckSearchAndDisplayUpdates()) return UPDATE_SKIPPED;
    if (!manual) Sleep(100);
    gRemoteVersion[0] = gDownloadAddress[0] = gMessage[0] = '\0';
    static char buffer[kReceiveSize];
    int downloaded = DownloadVersionInfo(buffer, sizeof buffer);
    int newer = 0, accepted = 0;
    int read = downloaded ? ReadVersionDocument(buffer, &newer, &accepted) : 0;
    if (read < 0) return UPDATE_NO_XML_LIBRARY;
    if (read == 0) {
        // No document, or a cut or broken one: the download failed.
        gDownloadOk.store(0);
        CopyBounded(gMessage, sizeof gMessage, GetGenericText(80));
        if (manual) ShowUpdateDialog();
        return UPDATE_DOWNLOAD_FAILED;
    }
    gDownloadOk.store(1);
    if (newer && accepted) {
        snprintf(gMessage, sizeof gMessage, "%s: \"%s\"\n%s: \"%s\"", GetGenericText(78), gRemoteVersion,
                 GetGenericText(79), kOwnVersion);
        if (ShowUpdateDialog() != IDC_UPDATE_DOWNLOAD) return UPDATE_NEWER_DECLINED;
        if (!IsWebAddress(gDownloadAddress)) {
            // The address comes from the network: never hand anything but a web page to the shell.
            LogPrint(-1, GApp.verbose, "UpdateCheckThread: refused download address %s\n", gDownloadAddress);
            PromptMessageBox(GetForegroundWindow(), "The published download address is not valid.", GetMessageText(94),
                             MB_OK | MB_ICONERROR);
            return UPDATE_BAD_ADDRESS;
        }
        if (GUpdateOpenAddress) GUpdateOpenAddress(gDownloadAddress);
        return UPDATE_NEWER_OPENED;
    }
    if (manual) {
        char text[600];
        snprintf(text, sizeof text, "%s \"%s\" %s", GetGenericText(83), kOwnVersion, GetGenericText(84));
        PromptMessageBox(GetForegroundWindow(), text, "Kelvora", MB_OK | MB_ICONINFORMATION);
    }
    return UPDATE_CURRENT;
}

}  // namespace

int (*GUpdateOpenAddress)(const char* address) = OpenWithShell;

void GetVersionInfoAddress(char* buffer, size_t size)
{
    if (!buffer || size == 0) return;
    char value[2048] = "";
    DWORD n = GetEnvironmentVariableA("KELVORA_UPDATE_URL", value, sizeof value);
    if (n > 0 && n < sizeof value) {
        CopyBounded(buffer, size, value);
        return;
    }
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, GetSettingsKeyPath(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
        DWORD type = 0, bytes = sizeof value - 1;
        LONG rc = RegQueryValueExA(key, "UpdateURL", nullptr, &type, (BYTE*)value, &bytes);
        RegCloseKey(key);
        if (rc == ERROR_SUCCESS && type == REG_SZ && bytes > 1) {
            value[bytes < sizeof value ? bytes : sizeof value - 1] = '\0';
            CopyBounded(buffer, size, value);
            return;
        }
    }
    CopyBounded(buffer, size, kVersionInfoAddress);
}

int DownloadVersionInfo(char* buffer, size_t size)
{
    if (!buffer || size < 2) return 0;
    memset(buffer, 0, size);
    HMODULE wininet = LoadLibraryA("wininet.dll");
    if (!wininet) return 0;
    InternetOpenFn openInternet = (InternetOpenFn)GetProcAddress(wininet, "InternetOpenA");
    InternetOpenUrlFn openUrl = (InternetOpenUrlFn)GetProcAddress(wininet, "InternetOpenUrlA");
    InternetReadFileFn readFile = (InternetReadFileFn)GetProcAddress(wininet, "InternetReadFile");
    InternetCloseHandleFn closeHandle = (InternetCloseHandleFn)GetProcAddress(wininet, "InternetCloseHandle");
    HttpQueryInfoFn queryInfo = (HttpQueryInfoFn)GetProcAddress(wininet, "HttpQueryInfoA");
    if (!openInternet || !openUrl || !readFile || !closeHandle) return 0;
    int ok = 0;
    {
        InternetHandle internet, request;
        internet.close = request.close = closeHandle;
        internet.handle = openInternet("MSMSGS", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr,
                                       INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_UI | INTERNET_FLAG_PRAGMA_NOCACHE);
        if (!internet.handle) {
            LogPrint(-1, GApp.verbose, "InternetOpen fails %d\n", (int)GetLastError());
        } else {
            char address[2048];
            GetVersionInfoAddress(address, sizeof address);
            request.handle = openUrl(internet.handle, address, "", (DWORD)-1,
                                     INTERNET_FLAG_NO_AUTO_REDIRECT | INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_RELOAD, 0);
            if (!request.handle) {
                LogPrint(-1, GApp.verbose, "InternetOpenURL fails %d\n", (int)GetLastError());
            } else {
                DWORD status = 200, announced = 0, field = sizeof status;
                int haveLength = 0;
                if (queryInfo && _strnicmp(address, "http", 4) == 0) {
                    if (!queryInfo(request.handle, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &field,
                                   nullptr))
                        status = 0;
                    field = sizeof announced;
                    haveLength = queryInfo(request.handle, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER,
                                           &announced, &field, nullptr) != 0;
                }
                size_t total = 0;
                int failed = status != 200;
                if (failed) LogPrint(-1, GApp.verbose, "InternetOpenURL status %lu\n", (unsigned long)status);
                while (!failed && total < size - 1) {
                    DWORD got = 0;
                    if (!readFile(request.handle, buffer + total, (DWORD)(size - 1 - total), &got)) {
                        LogPrint(-1, GApp.verbose, "InternetReadFile fails %d\n", (int)GetLastError());
                        failed = 1;
                        break;
                    }
                    if (got == 0) break;
                    total += got;
                }
                if (!failed && total >= size - 1) {
                    // Full buffer: the document is complete only when nothing follows.
                    char probe;
                    DWORD got = 0;
                    if (!readFile(request.handle, &probe, 1, &got) || got != 0) failed = 1;
                }
                if (!failed && haveLength && total != announced) failed = 1;
                if (!failed && total == 0) failed = 1;
                if (failed) {
                    memset(buffer, 0, size);
                } else {
                    LogPrint(-1, GApp.verbose, "InternetReadFile ok %d\n", (int)total);
                    ok = 1;
                }
            }
        }
    }
    FreeLibrary(wininet);
    return ok;
}

int IsNewerVersion(const char* own, const char* remote)
{
    long long ownNumber = 0, remoteNumber = 0;
    std::string ownSuffix, remoteSuffix;
    SplitVersion(own, &ownNumber, &ownSuffix);
    SplitVersion(remote, &remoteNumber, &remoteSuffix);
    if (ownNumber != remoteNumber) return remoteNumber > ownNumber;
    if (ownSuffix.empty()) return 0;
    if (remoteSuffix.empty()) return 1;
    size_t n = ownSuffix.size() > remoteSuffix.size() ? ownSuffix.size() : remoteSuffix.size();
    for (size_t i = 0; i < n; ++i) {
        signed char a = i < ownSuffix.size() ? (signed char)ownSuffix[i] : 0;
        signed char b = i < remoteSuffix.size() ? (signed char)remoteSuffix[i] : 0;
        if (a != b) return a > b;
    }
    return 0;
}

int IsReleaseDateAccepted(int threshold, const char* date)
{
    if (!date || strlen(date) < 10) return 0;
    const int positions[] = {0, 1, 3, 4, 6, 7, 8, 9};
    for (int at : positions)
        if (date[at] < '0' || date[at] > '9') return 0;
    int month = (date[0] - '0') * 10 + (date[1] - '0');
    int day = (date[3] - '0') * 10 + (date[4] - '0');
    int year = (date[6] - '0') * 1000 + (date[7] - '0') * 100 + (date[8] - '0') * 10 + (date[9] - '0');
    long value = 31L * (12L * year + month - 24000) + day;
    return value > threshold;
}

int RunUpdateCheck(int manual)
{
    if (GetCheckSearchAndDisplayUpdates()) return UPDATE_SKIPPED;
    int idle = 0;
    if (!gCheckRunning.compare_exchange_strong(idle, 1)) return UPDATE_BUSY;
    int outcome = CheckOnce(manual);
    gCheckRunning.store(0);
    LogPrint(5, GApp.verbose, "UpdateCheckThread: outcome %d\n", outcome);
    return outcome;
}

DWORD WINAPI UpdateCheckThread(LPVOID manual)
{
    RunUpdateCheck((int)(INT_PTR)manual);
    return 0;
}

namespace {

// The thread of StartUpdateCheck already holds the running flag.
DWORD WINAPI HeldUpdateCheckThread(LPVOID manual)
{
    int outcome = CheckOnce((int)(INT_PTR)manual);
    gCheckRunning.store(0);
    LogPrint(5, GApp.verbose, "UpdateCheckThread: outcome %d\n", outcome);
    return 0;
}

}  // namespace

int StartUpdateCheck(int manual)
{
    if (GetCheckSearchAndDisplayUpdates()) return 0;
    int idle = 0;
    if (!gCheckRunning.compare_exchange_strong(idle, 1)) {
        LogPrint(5, GApp.verbose, "StartUpdateCheck: a check is already running\n");
        return 0;
    }
    HANDLE thread = CreateThread(nullptr, 0, HeldUpdateCheckThread, (LPVOID)(INT_PTR)(manual ? 1 : 0), 0, nullptr);
    if (!thread) {
        gCheckRunning.store(0);
        return 0;
    }
    CloseHandle(thread);
    return 1;
}

int IsUpdateCheckRunning(void) { return gCheckRunning.load(); }

int ShowUpdateDialog(void)
{
    UpdateDialogRun run{gDownloadOk.load()};
    INT_PTR result = PromptModalDialog("update", RunUpdateDialog, &run);
    if (result <= 0) return IDC_UPDATE_CANCEL;
    return (int)result;
}

int GetUpdateDownloadSucceeded(void) { return gDownloadOk.load(); }
const char* GetUpdateRemoteVersion(void) { return gRemoteVersion; }
const char* GetUpdateDownloadAddress(void) { return gDownloadAddress; }
const char* GetUpdateMessageText(void) { return gMessage; }
