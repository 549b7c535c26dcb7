#include "model/search.h"

#include <commctrl.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include <minizip/unzip.h>

#include "app/langtext.h"
#include "config/log.h"
#include "model/appstate.h"
#include "model/list.h"
#include "model/liststruct.h"
#include "model/listview.h"
#include "model/strutil.h"
#include "ui/prompts.h"
#include "zip/ziphelper.h"

SearchState SearchValues = {-1, &GApp.foundList, 0, 0, "", 0};
SearchState TreeListSearchValues = {-1, &GApp.treeListFoundList, 0, 0, "", 0};
int nameSearch = 1;
int matchCase = 0;
int wholeWord = 0;

namespace {

FINDREPLACEA gFind;
char gFindText[260];
HWND gFindDialog = nullptr;
std::atomic<int> gContentSearchRunning{0};

const size_t kWorkBufferSize = 64 * 1024;

HWND OwnerWindow(void)
{
    return GApp.hwndMain ? GApp.hwndMain : GetForegroundWindow();
}

// ---------------------------------------------------------------------------------------------
// Text search

unsigned char Fold(unsigned char c, int matchCaseFlag)
{
    if (!matchCaseFlag && c >= 'a' && c <= 'z') return (unsigned char)(c - 'a' + 'A');
    return c;
}

bool EndsWord(const unsigned char* window, size_t n, size_t at, bool final)
{
    if (at >= n) return final;
    switch (window[at]) {
    case ' ': case '.': case ',': case ';': case ':': case '!': case '\r': case '\n': case '\t': return true;
    }
    return false;
}

// Searches the window (absolute offset windowStart) for the first hit starting at or after
// *nextStart. Without final, only hits whose following byte lies in the window are decided;
// *nextStart then tells where the next window must go on. Returns the hit's absolute offset or -1.
long long ScanWindow(const unsigned char* window, size_t n, long long windowStart, bool final, const char* text,
                     size_t textLength, int matchCaseFlag, int wholeWordFlag, long long* nextStart)
{
    const unsigned char* pattern = (const unsigned char*)text;
    unsigned char first = Fold(pattern[0], matchCaseFlag);
    size_t from = *nextStart > windowStart ? (size_t)(*nextStart - windowStart) : 0;
    // A hit must end inside the window; undecided hits need their following byte.
    size_t lastStart;
    if (n < textLength) lastStart = 0;
    else lastStart = final ? n - textLength : (n > textLength ? n - textLength - 1 : 0);
    bool any = final ? n >= textLength : n > textLength;
    for (size_t i = from; any && i <= lastStart; i++) {
        if (Fold(window[i], matchCaseFlag) != first) continue;
        size_t k = 1;
        while (k < textLength && Fold(window[i + k], matchCaseFlag) == Fold(pattern[k], matchCaseFlag)) k++;
        if (k < textLength) continue;
        if (!wholeWordFlag || EndsWord(window, n, i + textLength, final)) {
            *nextStart = windowStart + (long long)i;
            return windowStart + (long long)i;
        }
        // Not a whole word: go on from the hit's last byte.
        size_t resume = i + textLength - 1;
        if (resume > i) i = resume - 1;
    }
    long long decided = windowStart + (long long)(any ? lastStart + 1 : from);
    if (decided > *nextStart) *nextStart = decided;
    return -1;
}

// ---------------------------------------------------------------------------------------------
// Rows and selection

int RowCountOf(HWND view)
{
    return view ? (int)SendMessageA(view, LVM_GETITEMCOUNT, 0, 0) : 0;
}

struct SelectWork {
    HWND view;
    int row;
};

int SelectOnlyRowOnListThread(void* context)
{
    SelectWork* work = (SelectWork*)context;
    LVITEMA item;
    std::memset(&item, 0, sizeof item);
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = 0;
    SendMessageA(work->view, LVM_SETITEMSTATE, (WPARAM)-1, (LPARAM)&item);
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(work->view, LVM_SETITEMSTATE, (WPARAM)work->row, (LPARAM)&item);
    SendMessageA(work->view, LVM_ENSUREVISIBLE, (WPARAM)work->row, FALSE);
    return 1;
}

void SelectOnlyRow(HWND view, int row)
{
    SelectWork work = {view, row};
    RunOnListThread(view, SelectOnlyRowOnListThread, &work);
}

int DeselectRowOnListThread(void* context)
{
    SelectWork* work = (SelectWork*)context;
    LVITEMA item;
    std::memset(&item, 0, sizeof item);
    item.stateMask = LVIS_SELECTED;
    SendMessageA(work->view, LVM_SETITEMSTATE, (WPARAM)work->row, (LPARAM)&item);
    return 1;
}

int FocusOnListThread(void* context)
{
    SetFocus((HWND)context);
    return 1;
}

// Full member names of the rows after startRow, as the list shows them.
struct RowNamesWork {
    HWND view;
    int first;
    std::vector<std::string> names;
};

int ReadRowNamesOnListThread(void* context)
{
    RowNamesWork* work = (RowNamesWork*)context;
    int rows = RowCountOf(work->view);
    for (int row = work->first; row < rows; row++) {
        LVITEMA item;
        std::memset(&item, 0, sizeof item);
        item.mask = LVIF_PARAM;
        item.iItem = row;
        std::string full;
        if (SendMessageA(work->view, LVM_GETITEMA, 0, (LPARAM)&item) && item.lParam) {
            const liststruct* record = (const liststruct*)item.lParam;
            full = std::string(record->path ? record->path : "") + (record->filename ? record->filename : "");
        }
        work->names.push_back(full);
    }
    return 1;
}

void ReinitializeState(SearchState* state, HWND view, const char* text, int deselect, const char* name)
{
    LogPrint(5, GApp.verbose, "%s", name);
    if (deselect && state->lastFound >= 0 && view) {
        SelectWork work = {view, state->lastFound};
        RunOnListThread(view, DeselectRowOnListThread, &work);
    }
    state->lastFound = -1;
    if (state->foundList) {
        if (*state->foundList) ListDestroy(state->foundList);
        *state->foundList = ListCreateIndices();
    }
    state->foundCount = 0;
    state->foundMax = 0;
    CopyBounded(state->searchText, sizeof state->searchText, text ? text : "");
    state->restart = 0;
    if (GApp.hwndStatus) SendMessageA(GApp.hwndStatus, SB_SETTEXTA, 1, (LPARAM)"");
}

void InfoBox(int messageId)
{
    PromptMessageBox(OwnerWindow(), GetMessageText(messageId), "Kelvora", MB_OK | MB_ICONINFORMATION);
}

void SetFindCheckMarks(int byName, int byContent)
{
    HMENU menu = GApp.hwndMain ? GetMenu(GApp.hwndMain) : nullptr;
    if (!menu) return;
    CheckMenuItem(menu, CMD_FIND_BY_NAME, MF_BYCOMMAND | (byName ? MF_CHECKED : MF_UNCHECKED));
    CheckMenuItem(menu, CMD_FIND_BY_CONTENT, MF_BYCOMMAND | (byContent ? MF_CHECKED : MF_UNCHECKED));
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Text search

long long FindTextInBuffer(const char* buffer, size_t length, const char* text, int matchCaseFlag, int wholeWordFlag)
{
    if (!buffer || !text || !*text) return -1;
    long long next = 0;
    return ScanWindow((const unsigned char*)buffer, length, 0, true, text, std::strlen(text), matchCaseFlag,
                      wholeWordFlag, &next);
}

int BeginTextScan(TextScanner* scanner, const char* text, int matchCaseFlag, int wholeWordFlag)
{
    if (!scanner) return 0;
    std::memset(scanner, 0, sizeof *scanner);
    if (!text || !*text) return 0;
    size_t length = std::strlen(text);
    if (length >= sizeof scanner->carry) return 0;
    scanner->text = text;
    scanner->textLength = length;
    scanner->matchCase = matchCaseFlag;
    scanner->wholeWord = wholeWordFlag;
    return 1;
}

int FeedTextScan(TextScanner* scanner, const char* data, size_t length)
{
    if (!scanner || !scanner->text || scanner->found) return scanner ? scanner->found : 0;
    if (!data || length == 0) return 0;
    std::string window(scanner->carry, scanner->carryLength);
    window.append(data, length);
    long long hit = ScanWindow((const unsigned char*)window.data(), window.size(), scanner->carryStart, false,
                               scanner->text, scanner->textLength, scanner->matchCase, scanner->wholeWord,
                               &scanner->nextStart);
    if (hit >= 0) {
        scanner->found = 1;
        return 1;
    }
    // Keep the bytes a later hit may still start in.
    size_t keep = window.size() < scanner->textLength ? window.size() : scanner->textLength;
    long long windowEnd = scanner->carryStart + (long long)window.size();
    long long keepFrom = windowEnd - (long long)keep;
    if (scanner->nextStart > keepFrom) {
        keep = (size_t)(windowEnd - scanner->nextStart);
        keepFrom = scanner->nextStart;
    }
    std::memcpy(scanner->carry, window.data() + (window.size() - keep), keep);
    scanner->carryLength = keep;
    scanner->carryStart = keepFrom;
    return 0;
}

int FinishTextScan(TextScanner* scanner)
{
    if (!scanner || !scanner->text) return 0;
    if (scanner->found) return 1;
    long long hit = ScanWindow((const unsigned char*)scanner->carry, scanner->carryLength, scanner->carryStart, true,
                               scanner->text, scanner->textLength, scanner->matchCase, scanner->wholeWord,
                               &scanner->nextStart);
    scanner->found = hit >= 0 ? 1 : 0;
    return scanner->found;
}

// ---------------------------------------------------------------------------------------------
// State

SearchState* SearchStateOfView(HWND view)
{
    if (!view) return nullptr;
    if (view == GApp.hwndList) return &SearchValues;
    if (view == GApp.hwndTreeList) return &TreeListSearchValues;
    return nullptr;
}

void InitializeSearchValues(const char* text, int deselect)
{
    ReinitializeState(&SearchValues, GApp.hwndList, text, deselect, "Initialize SearchValues");
}

void InitializeTreeListSearchValues(const char* text, int deselect)
{
    ReinitializeState(&TreeListSearchValues, GApp.hwndTreeList, text, deselect, "Initialize TreeListSearchValues");
}

void MarkSearchRestart(HWND view)
{
    SearchState* state = SearchStateOfView(view);
    if (!state) return;
    if (state->foundList && *state->foundList && (*state->foundList)->count > 0) ListClear(*state->foundList);
    state->lastFound = -1;
    state->restart = 1;
}

// ---------------------------------------------------------------------------------------------
// The Find dialog

HWND GetFindDialogWindow(void)
{
    return gFindDialog;
}

UINT GetFindMessageId(void)
{
    static UINT id = RegisterWindowMessageA(FINDMSGSTRINGA);
    return id;
}

int FindReplace(const char* initialText, int byName)
{
    if (GApp.busy.load()) return 0;
    SetFindCheckMarks(byName, !byName);
    int refusal = GCompressionMethod == CM_TAR ? 67 : GCompressionMethod == CM_ISO ? 68 : GCompressionMethod == CM_RAR ? 81 : 0;
    if (refusal) {
        // Searching works on zip archives only.
        InfoBox(refusal);
        SetFindCheckMarks(0, 0);
        return 0;
    }
    HWND view = GetViewList();
    if (RowCountOf(view) == 0) {
        InfoBox(48);
        return 0;
    }
    nameSearch = byName ? 1 : 0;
    DWORD flags = byName ? FR_DOWN : FR_DOWN | FR_HIDEUPDOWN;
    if (initialText && *initialText) {
        flags |= gFind.Flags | FR_FINDNEXT;
        CopyBounded(gFindText, sizeof gFindText, initialText);
    }
    LogPrint(5, GApp.verbose, "FindReplace: what: %s", gFindText);
    if (gFindDialog && IsWindow(gFindDialog)) {
        // One dialog at a time: the open one takes the new mode and text.
        DestroyWindow(gFindDialog);
        gFindDialog = nullptr;
    }
    std::memset(&gFind, 0, sizeof gFind);
    gFind.lStructSize = sizeof gFind;
    gFind.hwndOwner = GApp.hwndMain ? GApp.hwndMain : GetAncestor(view, GA_ROOT);
    gFind.hInstance = GetModuleHandleA(nullptr);
    gFind.Flags = flags;
    gFind.lpstrFindWhat = gFindText;
    gFind.wFindWhatLen = sizeof gFindText;
    GetFindMessageId();
    gFindDialog = FindTextA(&gFind);
    return gFindDialog ? 1 : 0;
}

LRESULT HandleFindMessage(const FINDREPLACEA* request)
{
    if (!request) return 0;
    LogPrint(7, GApp.verbose, "Findmessage flags: %d", (int)request->Flags);
    if (request->Flags & FR_DIALOGTERM) {
        gFindDialog = nullptr;
        return 0;
    }
    HWND view = GetViewList();
    SearchState* state = SearchStateOfView(view);
    if (!state) return 0;
    const char* text = request->lpstrFindWhat ? request->lpstrFindWhat : "";
    int newMatchCase = (request->Flags & FR_MATCHCASE) ? 1 : 0;
    int newWholeWord = (request->Flags & FR_WHOLEWORD) ? 1 : 0;
    if (newMatchCase != matchCase || newWholeWord != wholeWord || std::strcmp(text, state->searchText) != 0) {
        if (state == &SearchValues) InitializeSearchValues(text, 1);
        else InitializeTreeListSearchValues(text, 1);
    }
    matchCase = newMatchCase;
    wholeWord = newWholeWord;
    if (GViewHooks.findInTextViewer && GViewHooks.findInTextViewer(request)) {
        LogPrint(5, GApp.verbose, "should find within rich edit");
        return 0;
    }
    if (!(request->Flags & FR_FINDNEXT) || !*text) return 0;
    if (state->restart) {
        state->lastFound = -1;
        state->restart = 0;
    }
    if (nameSearch) {
        SearchNameStep(view, text);
        return 0;
    }
    if (GApp.busy.load() || gContentSearchRunning.load()) return 0;
    SearchJob* job = (SearchJob*)AllocZeroed(sizeof(SearchJob));
    if (!job) return 0;
    job->view = view;
    CopyBounded(job->text, sizeof job->text, text);
    job->matchCase = matchCase;
    job->wholeWord = wholeWord;
    gContentSearchRunning.store(1);
    HANDLE thread = CreateThread(nullptr, 0, ContentSearchThread, job, 0, nullptr);
    if (!thread) {
        gContentSearchRunning.store(0);
        std::free(job);
        return 0;
    }
    CloseHandle(thread);
    return 0;
}

void ShowSearchNotFound(HWND view, const char* text)
{
    char message[600];
    snprintf(message, sizeof message, "\"%s\" %s", text ? text : "", GetGenericText(45));
    PromptMessageBox(view, message, "Kelvora", MB_OK | MB_ICONINFORMATION);
    if (view) RunOnListThread(view, FocusOnListThread, view);
}

// ---------------------------------------------------------------------------------------------
// Name search

int SearchNameStep(HWND view, const char* text)
{
    SearchState* state = SearchStateOfView(view);
    if (!view || !text || !*text) return -1;
    int start = state ? state->lastFound : -1;
    LVFINDINFOA find;
    std::memset(&find, 0, sizeof find);
    find.flags = LVFI_STRING | LVFI_PARTIAL;
    find.psz = text;
    int hit = (int)SendMessageA(view, LVM_FINDITEMA, (WPARAM)start, (LPARAM)&find);
    // The list's own find wraps on some systems: a hit before the start is none.
    if (hit >= 0 && start >= 0 && hit <= start) hit = -1;
    if (hit < 0) {
        ShowSearchNotFound(view, text);
        // The next request starts again from the top.
        if (state) state->lastFound = -1;
        return -1;
    }
    SelectOnlyRow(view, hit);
    if (state) state->lastFound = hit;
    return hit;
}

// ---------------------------------------------------------------------------------------------
// Content search

namespace {
// The content search itself; the caller holds GApp.busy.
int SearchRowContents(HWND view, int startRow, const char* text, int matchCaseFlag, int wholeWordFlag)
{
    SearchState* state = SearchStateOfView(view);
    unzFile uf = MyWaitunzOpen2_64(GApp.currentArchive, 3000);
    unz_global_info64 global;
    int rc = uf ? unzGetGlobalInfo64(uf, &global) : UNZ_ERRNO;
    if (rc != UNZ_OK) {
        LogPrint(0, GApp.verbose, "HandleSearchView: error %d with zipfile in unzGetGlobalInfo", UnzResultFromLibrary(rc));
        if (uf) unzClose(uf);
        return -1;
    }
    // Where each member lies, by the name its row shows ('\' separators, cut as the listing
    // cuts names): rows follow the list's order, not the archive's.
    std::unordered_map<std::string, unz64_file_pos> where;
    rc = global.number_entry > 0 ? unzGoToFirstFile(uf) : UNZ_END_OF_LIST_OF_FILE;
    while (rc == UNZ_OK) {
        unz_file_info64 info;
        char name[256];
        unz64_file_pos position;
        if (ZipGetCurrentEntryInfo(uf, &info, name, sizeof name) == UNZ_R_OK && unzGetFilePos64(uf, &position) == UNZ_OK) {
            if (GCompressionMethod != CM_TAR) ReplaceChar(name, '/', '\\');
            where.emplace(name, position);
        }
        rc = unzGoToNextFile(uf);
    }
    if (rc != UNZ_END_OF_LIST_OF_FILE) {
        LogPrint(0, GApp.verbose, "HandleSearchView: error %d with zipfile in unzGoToNextFile", UnzResultFromLibrary(rc));
        unzClose(uf);
        return -1;
    }
    RowNamesWork rows;
    rows.view = view;
    rows.first = startRow + 1 > 0 ? startRow + 1 : 0;
    RunOnListThread(view, ReadRowNamesOnListThread, &rows);

    int match = -1;
    std::vector<char> buffer(kWorkBufferSize);
    for (size_t i = 0; i < rows.names.size() && match < 0; i++) {
        auto it = where.find(rows.names[i]);
        if (it == where.end()) continue;
        if (unzGoToFilePos64(uf, &it->second) != UNZ_OK) continue;
        if (ZipOpenCurrentFileWithPassword(uf, nullptr, nullptr, 0, "") != UNZ_R_OK) continue;
        if (state) state->foundMax++;
        // The member streams through the work buffer: no member needs to fit into memory.
        TextScanner scanner;
        BeginTextScan(&scanner, text, matchCaseFlag, wholeWordFlag);
        int got;
        while ((got = unzReadCurrentFile(uf, buffer.data(), (unsigned)buffer.size())) > 0)
            if (FeedTextScan(&scanner, buffer.data(), (size_t)got)) break;
        if (FinishTextScan(&scanner)) match = rows.first + (int)i;
        unzCloseCurrentFile(uf);
    }
    unzClose(uf);
    return match;
}

// Whether a content search can run in view; logs why not.
bool CanSearchContents(HWND view, const char* text)
{
    LogPrint(5, GApp.verbose, "HandleSearchView started");
    if (RowCountOf(view) < 1) {
        LogPrint(2, GApp.verbose, "HandleSearchView: Client View not filled - entries < 1");
        return false;
    }
    return text && *text;
}
}  // namespace

int HandleSearchViewRows(HWND view, int startRow, const char* text, int matchCaseFlag, int wholeWordFlag)
{
    if (!CanSearchContents(view, text) || !BeginViewBusy()) return -1;
    int match = SearchRowContents(view, startRow, text, matchCaseFlag, wholeWordFlag);
    EndViewBusy();
    return match;
}

int HandleSearchView(const char* text, int matchCaseFlag, int wholeWordFlag)
{
    return HandleSearchViewRows(GApp.hwndList, SearchValues.lastFound, text, matchCaseFlag, wholeWordFlag);
}

int HandleSearchViewTreeList(const char* text, int matchCaseFlag, int wholeWordFlag)
{
    return HandleSearchViewRows(GApp.hwndTreeList, TreeListSearchValues.lastFound, text, matchCaseFlag, wholeWordFlag);
}

namespace {
const int kStepStopped = -2;  // the step ended without a search (logged)
int StepLocked(HWND view, SearchState* state, const char* text, int matchCaseFlag, int wholeWordFlag);
}  // namespace

int HandleListSearchStep(HWND view, const char* text, int matchCaseFlag, int wholeWordFlag)
{
    SearchState* state = SearchStateOfView(view);
    if (!state || !text || !*text) return -1;
    // The whole step holds busy: rows and the found list stay as they are meanwhile.
    if (!BeginViewBusy()) return -1;
    int match = StepLocked(view, state, text, matchCaseFlag, wholeWordFlag);
    EndViewBusy();
    if (match < 0 && match != kStepStopped) {
        ShowSearchNotFound(view, text);
        state->lastFound = -1;
    }
    return match < 0 ? -1 : match;
}

namespace {
int StepLocked(HWND view, SearchState* state, const char* text, int matchCaseFlag, int wholeWordFlag)
{
    if (state->foundList && !*state->foundList) *state->foundList = ListCreateIndices();
    List* found = state->foundList ? *state->foundList : nullptr;
    if (state->restart) {
        state->lastFound = -1;
        state->restart = 0;
    }
    int lastRemembered = found && found->tail && found->tail->data ? *(int*)found->tail->data : -1;
    int match = -1;
    if (state->lastFound < lastRemembered) {
        // Step over the remembered rows without decompressing again.
        ListNode* next = found->head;
        if (state->lastFound >= 0) {
            ListNode* current = ListFind(found, &state->lastFound);
            if (!current) {
                LogPrint(0, GApp.verbose, "HandleListSearch: actual value not found in foundlist ??? !!! - OldFound: %d",
                         state->lastFound);
                return kStepStopped;
            }
            next = current->next;
        }
        match = next && next->data ? *(int*)next->data : -1;
    } else if (CanSearchContents(view, text)) {
        match = SearchRowContents(view, state->lastFound, text, matchCaseFlag, wholeWordFlag);
    }
    if (match < 0) return -1;
    SelectOnlyRow(view, match);
    state->lastFound = match;
    if (found && !ListFind(found, &match)) {
        int* index = (int*)AllocZeroed(sizeof(int));
        if (index) {
            *index = match;
            LogPrint(6, GApp.verbose, "inserting foundlist %d \n", match);
            if (ListInsertSorted(found, index)) state->foundCount++;
            else std::free(index);
        }
    }
    LogPrint(6, GApp.verbose, "found at %d %s %d %d %d\n", match, text, state->foundCount, state->foundMax,
             found ? found->count : 0);
    return match;
}
}  // namespace

DWORD WINAPI ContentSearchThread(LPVOID param)
{
    SearchJob* job = (SearchJob*)param;
    gContentSearchRunning.store(1);
    if (job) HandleListSearchStep(job->view, job->text, job->matchCase, job->wholeWord);
    std::free(job);
    gContentSearchRunning.store(0);
    return 0;
}

int IsContentSearchRunning(void)
{
    return gContentSearchRunning.load();
}
