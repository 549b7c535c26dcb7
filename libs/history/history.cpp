// history.dll: the store. One record per line of text:
//   "I<TAB>id<TAB>time<TAB>kind<TAB>folder<TAB>archive"   a new item
//   "F<TAB>id<TAB>file name"                               a file of item id
// A plain file is "KVHISTORY 1\n" and the lines. An encrypted one is "KVHENC 1\n", the salt,
// the PBKDF2 iteration count (4 bytes, little-endian) and a check value that tells a wrong
// password, then per line its length (4 bytes) and the sealed line (historycrypt.h). Only
// complete records count: a record cut by a crash is dropped and overwritten by the next one.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "libs/common/storefile.h"
#include "libs/history/historyapi.h"
#include "libs/history/historycrypt.h"
#include "libs/history/historystore.h"

#define HIST_API extern "C" __declspec(dllexport)

namespace {

const char kPlainMagic[] = "KVHISTORY 1\n";
const char kCryptMagic[] = "KVHENC 1\n";
const char kCheckText[] = "Kelvora history key check";
const uint32_t kIterations = 100000;
const size_t kCryptHeader = sizeof kCryptMagic - 1 + HIST_SALT_SIZE + 4 + HIST_MAC_SIZE;

struct Item {
    int id;
    FILETIME time;
    int kind;
    std::string folder;
    std::string archive;
    std::vector<std::string> files;
};

struct Store {
    int loaded = 0;
    int status = HISTORY_STATUS_GOOD;
    int encrypted = 0;
    int locked = 0;
    uint8_t key[HIST_KEY_SIZE] = {};
    uint8_t salt[HIST_SALT_SIZE] = {};
    uint32_t iterations = kIterations;
    std::string raw;                   // the encrypted file while locked
    unsigned long long goodLength = 0; // end of the last complete record
    std::vector<Item*> items;
    std::vector<std::string> pending;  // lines recorded while locked
    Item* lastAdded = nullptr;
    int nextId = 1;
};

std::recursive_mutex gLock;
Store gStore;
HWND gMainWindow = nullptr;
int gLanguage = 1;

std::string StorePath(void) { return KvDataFile("history.dat"); }

void PutWord(std::string* out, uint32_t value)
{
    for (int i = 0; i < 4; ++i) out->push_back((char)((value >> (8 * i)) & 0xFF));
}

uint32_t GetWord(const std::string& bytes, size_t at)
{
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value |= (uint32_t)(uint8_t)bytes[at + i] << (8 * i);
    return value;
}

void Forget(void)
{
    for (Item* item : gStore.items) delete item;
    gStore.items.clear();
    gStore.pending.clear();
    gStore.lastAdded = nullptr;
    gStore.raw.clear();
    gStore.goodLength = 0;
    gStore.encrypted = gStore.locked = 0;
    gStore.status = HISTORY_STATUS_GOOD;
    gStore.nextId = 1;
    SecureZeroMemory(gStore.key, sizeof gStore.key);
}

std::vector<std::string> SplitTabs(const std::string& line, size_t parts)
{
    std::vector<std::string> out;
    size_t start = 0;
    while (out.size() + 1 < parts) {
        size_t tab = line.find('\t', start);
        if (tab == std::string::npos) break;
        out.push_back(line.substr(start, tab - start));
        start = tab + 1;
    }
    out.push_back(line.substr(start));
    return out;
}

Item* FindItem(int id)
{
    for (Item* item : gStore.items)
        if (item->id == id) return item;
    return nullptr;
}

// Applies one record line to the items in memory; unknown lines are ignored.
void ApplyLine(const std::string& line)
{
    if (line.size() > 2 && line[0] == 'I' && line[1] == '\t') {
        std::vector<std::string> f = SplitTabs(line.substr(2), 5);
        if (f.size() != 5) return;
        Item* item = new Item();
        item->id = atoi(f[0].c_str());
        unsigned long long t = strtoull(f[1].c_str(), nullptr, 10);
        item->time.dwLowDateTime = (DWORD)t;
        item->time.dwHighDateTime = (DWORD)(t >> 32);
        item->kind = atoi(f[2].c_str());
        item->folder = f[3];
        item->archive = f[4];
        gStore.items.push_back(item);
        if (item->id >= gStore.nextId) gStore.nextId = item->id + 1;
    } else if (line.size() > 2 && line[0] == 'F' && line[1] == '\t') {
        std::vector<std::string> f = SplitTabs(line.substr(2), 2);
        if (f.size() != 2) return;
        Item* item = FindItem(atoi(f[0].c_str()));
        if (item) item->files.push_back(f[1]);
    }
}

// Parses the records of an encrypted file after its header with the key; 0 when one complete
// record fails its check (the file is damaged).
int ApplySealedRecords(const std::string& bytes)
{
    size_t at = kCryptHeader;
    while (at + 4 <= bytes.size()) {
        uint32_t size = GetWord(bytes, at);
        if (at + 4 + size > bytes.size()) break;  // cut by a crash: ignored
        std::string plain;
        if (!HistOpen(gStore.key, bytes.substr(at + 4, size), &plain)) return 0;
        ApplyLine(plain);
        at += 4 + size;
    }
    gStore.goodLength = at;
    return 1;
}

void LoadStore(void)
{
    if (gStore.loaded) return;
    gStore.loaded = 1;
    std::string path = StorePath();
    if (path.empty()) {
        gStore.status = HISTORY_STATUS_NO_FOLDER;
        return;
    }
    std::string bytes;
    int missing = 0;
    if (!KvReadFile(path, &bytes, &missing)) {
        if (!missing) gStore.status = HISTORY_STATUS_DAMAGED;
        return;
    }
    size_t plainMagic = sizeof kPlainMagic - 1, cryptMagic = sizeof kCryptMagic - 1;
    if (bytes.compare(0, plainMagic, kPlainMagic) == 0) {
        size_t at = plainMagic;
        while (at < bytes.size()) {
            size_t end = bytes.find('\n', at);
            if (end == std::string::npos) break;  // a line cut by a crash
            ApplyLine(bytes.substr(at, end - at));
            at = end + 1;
        }
        gStore.goodLength = at;
    } else if (bytes.compare(0, cryptMagic, kCryptMagic) == 0 && bytes.size() >= kCryptHeader) {
        gStore.encrypted = gStore.locked = 1;
        memcpy(gStore.salt, bytes.data() + cryptMagic, HIST_SALT_SIZE);
        gStore.iterations = GetWord(bytes, cryptMagic + HIST_SALT_SIZE);
        if (gStore.iterations == 0 || gStore.iterations > 10000000) gStore.status = HISTORY_STATUS_DAMAGED;
        gStore.raw = bytes;
    } else {
        gStore.status = HISTORY_STATUS_DAMAGED;
    }
}

std::string EncodeRecord(const std::string& line)
{
    if (!gStore.encrypted) return line + "\n";
    std::string sealed, out;
    if (!HistSeal(gStore.key, line, &sealed)) return std::string();
    PutWord(&out, (uint32_t)sealed.size());
    return out + sealed;
}

std::string HeaderBytes(void)
{
    if (!gStore.encrypted) return kPlainMagic;
    std::string header = kCryptMagic;
    header.append((const char*)gStore.salt, HIST_SALT_SIZE);
    PutWord(&header, gStore.iterations);
    uint8_t check[HIST_MAC_SIZE];
    HistMac(gStore.key, kCheckText, sizeof kCheckText - 1, check);
    header.append((const char*)check, HIST_MAC_SIZE);
    return header;
}

std::vector<std::string> ItemLines(void)
{
    std::vector<std::string> lines;
    char head[64];
    for (const Item* item : gStore.items) {
        unsigned long long t = ((unsigned long long)item->time.dwHighDateTime << 32) | item->time.dwLowDateTime;
        snprintf(head, sizeof head, "I\t%d\t%llu\t%d\t", item->id, t, item->kind);
        lines.push_back(head + item->folder + "\t" + item->archive);
        for (const std::string& file : item->files) {
            snprintf(head, sizeof head, "F\t%d\t", item->id);
            lines.push_back(head + file);
        }
    }
    return lines;
}

// Writes the whole history in the current mode through a new file. 1 on success.
int RewriteStore(void)
{
    std::string path = StorePath();
    if (path.empty()) return 0;
    std::string bytes = HeaderBytes();
    for (const std::string& line : ItemLines()) {
        std::string record = EncodeRecord(line);
        if (record.empty()) return 0;
        bytes += record;
    }
    if (!KvWriteFileReplacing(path, bytes)) return 0;
    gStore.goodLength = bytes.size();
    return 1;
}

// Appends one record to the file (creating it first when missing), after cutting off what a
// crash may have left behind the last complete record.
int AppendRecord(const std::string& line)
{
    std::string path = StorePath();
    if (path.empty()) return 0;
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        if (!KvWriteFileReplacing(path, HeaderBytes())) return 0;
        gStore.goodLength = HeaderBytes().size();
    }
    std::string record = EncodeRecord(line);
    if (record.empty()) return 0;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    LARGE_INTEGER at;
    at.QuadPart = (LONGLONG)gStore.goodLength;
    DWORD written = 0;
    int ok = SetFilePointerEx(file, at, nullptr, FILE_BEGIN) && SetEndOfFile(file) &&
             WriteFile(file, record.data(), (DWORD)record.size(), &written, nullptr) && written == record.size() &&
             FlushFileBuffers(file);
    CloseHandle(file);
    if (ok) gStore.goodLength += record.size();
    return ok;
}

// A new record: applied in memory and stored, or held while the store is locked.
void Record(const std::string& line)
{
    if (gStore.status != HISTORY_STATUS_GOOD) return;
    if (gStore.locked) {
        gStore.pending.push_back(line);
        return;
    }
    AppendRecord(line);
}

}  // namespace

std::vector<HistoryItemView> HistSnapshot(void)
{
    std::lock_guard<std::recursive_mutex> hold(gLock);
    LoadStore();
    std::vector<HistoryItemView> out;
    for (const Item* item : gStore.items) out.push_back({item->time, item->folder, item->archive, item->files});
    return out;
}

int HistIsLocked(void)
{
    std::lock_guard<std::recursive_mutex> hold(gLock);
    LoadStore();
    return gStore.locked;
}

int HistUnlock(const char* password, int length)
{
    std::lock_guard<std::recursive_mutex> hold(gLock);
    LoadStore();
    if (!gStore.locked) return gStore.status == HISTORY_STATUS_GOOD;
    if (!password || length <= 0) return 0;
    uint8_t key[HIST_KEY_SIZE], check[HIST_MAC_SIZE];
    if (!HistDeriveKey(password, (size_t)length, gStore.salt, gStore.iterations, key)) return 0;
    HistMac(key, kCheckText, sizeof kCheckText - 1, check);
    if (memcmp(check, gStore.raw.data() + kCryptHeader - HIST_MAC_SIZE, HIST_MAC_SIZE) != 0) {
        SecureZeroMemory(key, sizeof key);
        return 0;  // wrong password: nothing changes
    }
    memcpy(gStore.key, key, sizeof key);
    SecureZeroMemory(key, sizeof key);
    // Items recorded while locked were applied in memory with ids of their own; renumber them
    // after the stored ones.
    std::vector<Item*> held = gStore.items;
    gStore.items.clear();
    gStore.nextId = 1;
    if (!ApplySealedRecords(gStore.raw)) {
        for (Item* item : gStore.items) delete item;
        gStore.items = held;
        gStore.status = HISTORY_STATUS_DAMAGED;
        return 0;
    }
    gStore.locked = 0;
    gStore.raw.clear();
    std::vector<std::string> pending;
    pending.swap(gStore.pending);
    char head[64];
    for (Item* item : held) {
        item->id = gStore.nextId++;
        gStore.items.push_back(item);
        unsigned long long t = ((unsigned long long)item->time.dwHighDateTime << 32) | item->time.dwLowDateTime;
        snprintf(head, sizeof head, "I\t%d\t%llu\t%d\t", item->id, t, item->kind);
        AppendRecord(head + item->folder + "\t" + item->archive);
        for (const std::string& file : item->files) {
            snprintf(head, sizeof head, "F\t%d\t", item->id);
            AppendRecord(head + file);
        }
    }
    return 1;
}

int HistLanguage(void) { return gLanguage; }
HWND HistMainWindow(void) { return gMainWindow; }

HIST_API int GetHistoryStatus(void)
{
    std::lock_guard<std::recursive_mutex> hold(gLock);
    LoadStore();
    return gStore.status;
}

HIST_API void SetMainWindow(HWND window) { gMainWindow = window; }

HIST_API void SetLanguage(int country) { gLanguage = country; }

HIST_API void* CreateNewHistoryItem(const char* folder, const char* archive, int kind)
{
    if (!folder || !archive) return nullptr;
    std::lock_guard<std::recursive_mutex> hold(gLock);
    LoadStore();
    Item* item = new Item();
    item->id = 0;  // numbered when added
    GetSystemTimeAsFileTime(&item->time);
    item->kind = kind;
    item->folder = folder;
    item->archive = archive;
    // Tabs and line ends would break the record; file names cannot hold them anyway.
    for (std::string* text : {&item->folder, &item->archive})
        for (char& c : *text)
            if (c == '\t' || c == '\r' || c == '\n') c = ' ';
    return item;
}

HIST_API void AddHistoryItem(void* handle)
{
    Item* item = static_cast<Item*>(handle);
    if (!item) return;
    std::lock_guard<std::recursive_mutex> hold(gLock);
    LoadStore();
    for (Item* known : gStore.items)
        if (known == item) return;
    item->id = gStore.nextId++;
    gStore.items.push_back(item);
    gStore.lastAdded = item;
    unsigned long long t = ((unsigned long long)item->time.dwHighDateTime << 32) | item->time.dwLowDateTime;
    char head[64];
    snprintf(head, sizeof head, "I\t%d\t%llu\t%d\t", item->id, t, item->kind);
    Record(head + item->folder + "\t" + item->archive);
}

HIST_API void* GetLastAddedItem(void)
{
    std::lock_guard<std::recursive_mutex> hold(gLock);
    return gStore.lastAdded;
}

HIST_API void AddDataToHistoryItem(void* handle, const char* name)
{
    Item* item = static_cast<Item*>(handle);
    if (!item || !name) return;
    std::lock_guard<std::recursive_mutex> hold(gLock);
    if (!FindItem(item->id) || FindItem(item->id) != item) return;
    std::string file = name;
    for (char& c : file)
        if (c == '\t' || c == '\r' || c == '\n') c = ' ';
    item->files.push_back(file);
    char head[32];
    snprintf(head, sizeof head, "F\t%d\t", item->id);
    Record(head + file);
}

HIST_API int EncryptHistory(const char* password, int length, int encrypt)
{
    std::lock_guard<std::recursive_mutex> hold(gLock);
    LoadStore();
    if (gStore.status != HISTORY_STATUS_GOOD || gStore.locked) return 0;
    Store saved;
    memcpy(saved.key, gStore.key, sizeof saved.key);
    memcpy(saved.salt, gStore.salt, sizeof saved.salt);
    int savedEncrypted = gStore.encrypted;
    uint32_t savedIterations = gStore.iterations;
    if (encrypt) {
        if (!password || length <= 0) return 0;
        if (!HistRandom(gStore.salt, sizeof gStore.salt) ||
            !HistDeriveKey(password, (size_t)length, gStore.salt, kIterations, gStore.key)) {
            memcpy(gStore.salt, saved.salt, sizeof saved.salt);
            memcpy(gStore.key, saved.key, sizeof saved.key);
            return 0;
        }
        gStore.iterations = kIterations;
        gStore.encrypted = 1;
    } else {
        gStore.encrypted = 0;
    }
    if (RewriteStore()) return 1;
    // The old file is still in place: go on writing it as before.
    memcpy(gStore.key, saved.key, sizeof saved.key);
    memcpy(gStore.salt, saved.salt, sizeof saved.salt);
    gStore.encrypted = savedEncrypted;
    gStore.iterations = savedIterations;
    return 0;
}

HIST_API void DeleteAllHistoryFiles(void)
{
    std::lock_guard<std::recursive_mutex> hold(gLock);
    std::string path = StorePath();
    Forget();
    gStore.loaded = 1;
    if (path.empty()) return;
    DeleteFileA(path.c_str());
    DeleteFileA((path + ".new").c_str());
}

HIST_API int UnlockHistory(const char* password, int length) { return HistUnlock(password, length); }

HIST_API int GetHistoryItemCount(void)
{
    std::lock_guard<std::recursive_mutex> hold(gLock);
    LoadStore();
    if (gStore.locked && gStore.items.empty()) return -1;
    return (int)gStore.items.size();
}

HIST_API int GetHistoryItemText(int index, char* buffer, int size)
{
    if (!buffer || size <= 0) return 0;
    buffer[0] = '\0';
    std::lock_guard<std::recursive_mutex> hold(gLock);
    LoadStore();
    if (index < 0 || index >= (int)gStore.items.size()) return 0;
    const Item* item = gStore.items[index];
    std::string text = item->folder + "|" + item->archive + "|";
    for (size_t i = 0; i < item->files.size(); ++i) text += (i ? ";" : "") + item->files[i];
    snprintf(buffer, (size_t)size, "%s", text.c_str());
    return 1;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_DETACH) {
        std::lock_guard<std::recursive_mutex> hold(gLock);
        Forget();
    }
    return TRUE;
}
