#include "config/settings.h"

#include <shlobj.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/langtext.h"
#include "config/log.h"
#include "config/registry.h"
#include "model/appstate.h"

namespace {

const char kDefaultKeyPath[] = "SOFTWARE\\Kelvora";
char gKeyPath[260] = "SOFTWARE\\Kelvora";

// ---- Variables ----
std::atomic<int> gCompressionLevel{6};
std::atomic<int> gDefaultCompression{1};
std::atomic<int> gCreateSelfExecutable{0}, gPasswordEncrypted{0}, gFileFilter{0}, gPlainDirectory{0},
    gPreviewPictureFiles{0}, gRememberSortedColumn{0}, gOpenPreferredInternally{0}, gAddDirectories{0},
    gPreferredTar{0}, gEnableSaveButton{0}, gUseJadForClassFiles{0}, gUseModernMenuStyle{0},
    gSaveRichEditSettings{0}, gHistoryActive{0}, gHistoryEncrypted{0}, gSaveRecentAdvanced{0},
    gHideDialogFilesDirs{0}, gShowPicturesCentered{0}, gShowPicturesWithScrollBars{0}, gDoNotSaveRecent{0},
    gCheckSearchAndDisplayUpdates{0};
std::atomic<int> gLanguageChanged{0};

std::atomic<int> gPictureLabelWidth{68}, gPictureLabelHeight{51};
std::atomic<int> gDeleteSimulation{0}, gDragAsThread{0}, gDisplayCompanyLogo{0};

std::atomic<DWORD> gColorMenuHigh{SETTING_UNSET}, gColorMenuLow{SETTING_UNSET}, gColorMenuSelection{SETTING_UNSET},
    gViewXY{SETTING_UNSET}, gViewWH{SETTING_UNSET}, gMinPicSize{SETTING_UNSET}, gDragLayered{SETTING_UNSET},
    gSkipCRCCheck{SETTING_UNSET}, gFontPrintSize{SETTING_UNSET};

char gFontConfiguration[260] = "Tahoma";
char gTestMethod[260];
char gJadPath[260];
char gFontPrint[260];
char gRichEdit[256];
char gRecent[RECENT_SLOT_COUNT][260];

HMODULE gMsimg32;
GradientFillFunction gGradientFill;

// Bits of "configuration" above the level (bits 0-3). Bits 14 and 26-31 are never used.
struct ConfigurationBit {
    int bit;
    std::atomic<int>* variable;
};
const ConfigurationBit kConfigurationBits[] = {
    {4, &gCreateSelfExecutable},   {5, &gPasswordEncrypted},       {6, &gFileFilter},
    {7, &gPlainDirectory},         {8, &gPreviewPictureFiles},     {9, &gRememberSortedColumn},
    {10, &gOpenPreferredInternally}, {11, &gAddDirectories},       {12, &gPreferredTar},
    {13, &gEnableSaveButton},      {15, &gUseJadForClassFiles},    {16, &gUseModernMenuStyle},
    {17, &gSaveRichEditSettings},  {18, &gHistoryActive},          {19, &gHistoryEncrypted},
    {20, &gSaveRecentAdvanced},    {21, &gHideDialogFilesDirs},    {22, &gShowPicturesCentered},
    {23, &gShowPicturesWithScrollBars}, {24, &gDoNotSaveRecent},   {25, &gCheckSearchAndDisplayUpdates},
};
const int kHistoryActiveBit = 18;

// User DWORD values in load order; each is taken when non-zero.
struct UserDword {
    const char* name;
    std::atomic<DWORD>* variable;
};
const UserDword kUserDwords[] = {
    {"ColorMenuHigh", &gColorMenuHigh}, {"ColorMenuLow", &gColorMenuLow},
    {"ColorMenuSelection", &gColorMenuSelection}, {"ViewXY", &gViewXY}, {"ViewWH", &gViewWH},
    {"MinPicSize", &gMinPicSize}, {"DragLayered", &gDragLayered},
};

void CopyText(char* target, size_t size, const char* text)
{
    std::snprintf(target, size, "%s", text ? text : "");
}

// Reads a string value into a fixed buffer. Returns the system error code; on success the
// buffer holds the text (cut inside the buffer, whatever the stored type).
LONG ReadFixedString(char* buffer, size_t size, HKEY hive, const char* name)
{
    std::vector<char> data(size + 1, '\0');
    DWORD length = static_cast<DWORD>(size);
    LONG rc = ReadRegistryValue(data.data(), &length, hive, gKeyPath, name);
    if (rc != ERROR_SUCCESS) return rc;
    data[size - 1] = '\0';
    CopyText(buffer, size, data.data());
    return rc;
}

// Splits "a;b;c" into the recent slots in order; empty pieces and those past the fourth are
// dropped, so the slots stay filled from the first without gaps.
void SplitRecentFileList(const char* list)
{
    for (int i = 0; i < RECENT_SLOT_COUNT; i++) gRecent[i][0] = '\0';
    int slot = 0;
    const char* piece = list;
    while (slot < RECENT_SLOT_COUNT && piece && *piece) {
        const char* end = std::strchr(piece, ';');
        size_t length = end ? static_cast<size_t>(end - piece) : std::strlen(piece);
        if (length > 0) {
            size_t kept = length < sizeof gRecent[slot] - 1 ? length : sizeof gRecent[slot] - 1;
            std::memcpy(gRecent[slot], piece, kept);
            gRecent[slot][kept] = '\0';
            slot++;
        }
        piece = end ? end + 1 : nullptr;
    }
}

void LoadRecentFileList(void)
{
    char small[260] = "";
    DWORD length = sizeof small;
    LONG rc = ReadRegistryValue(small, &length, HKEY_CURRENT_USER, gKeyPath, "file_list");
    if (rc == ERROR_MORE_DATA) {
        // Longer than the usual buffer: read again at the size the registry asked for.
        std::vector<char> large(static_cast<size_t>(length) + 1, '\0');
        rc = ReadRegistryValue(large.data(), &length, HKEY_CURRENT_USER, gKeyPath, "file_list");
        if (rc == ERROR_SUCCESS) {
            large.back() = '\0';
            SplitRecentFileList(large.data());
        }
    } else if (rc == ERROR_SUCCESS) {
        small[sizeof small - 1] = '\0';
        SplitRecentFileList(small);
    }
    if (rc != ERROR_SUCCESS) LogPrint(5, GApp.verbose, "LoadSettings: no file_list %ld", rc);
}

void LoadMachineValues(void)
{
    DWORD value = 0;
    if (ReadRegistryDword(&value, HKEY_LOCAL_MACHINE, gKeyPath, "PictureLabelWidth") == 0)
        gPictureLabelWidth.store(static_cast<int>(value));
    if (ReadRegistryDword(&value, HKEY_LOCAL_MACHINE, gKeyPath, "PictureLabelHeight") == 0)
        gPictureLabelHeight.store(static_cast<int>(value));
    if (ReadRegistryDword(&value, HKEY_LOCAL_MACHINE, gKeyPath, "debug_console") == 0 && value == 1 &&
        GSettingsHooks.openDebugConsole)
        GSettingsHooks.openDebugConsole(1);
    if (ReadRegistryDword(&value, HKEY_LOCAL_MACHINE, gKeyPath, "verbose") == 0 && value >= 1 && value <= 10)
        SetVerboseLevel(static_cast<int>(value));
    if (ReadRegistryDword(&value, HKEY_LOCAL_MACHINE, gKeyPath, "PrintToLogFile") == 0 && value == 1)
        SetPrintToLogFile(1);
    if (ReadRegistryDword(&value, HKEY_LOCAL_MACHINE, gKeyPath, "DeleteSimulation") == 0 && value == 1)
        gDeleteSimulation.store(1);
    if (ReadRegistryDword(&value, HKEY_LOCAL_MACHINE, gKeyPath, "DragAsThread") == 0 && value == 1)
        gDragAsThread.store(1);
    if (ReadRegistryDword(&value, HKEY_LOCAL_MACHINE, gKeyPath, "DisplayCompanyLogo") == 0 && value == 1)
        gDisplayCompanyLogo.store(1);
}

void LoadUserDwords(void)
{
    DWORD value = 0;
    for (const UserDword& entry : kUserDwords)
        if (ReadRegistryDword(&value, HKEY_CURRENT_USER, gKeyPath, entry.name) == 0 && value != 0)
            entry.variable->store(value);
    if (ReadRegistryDword(&value, HKEY_CURRENT_USER, gKeyPath, "SkipCRCCheck") == 0 &&
        static_cast<LONG>(value) > 0)
        gSkipCRCCheck.store(value);
    if (ReadRegistryDword(&value, HKEY_CURRENT_USER, gKeyPath, "FontPrintSize") == 0)
        gFontPrintSize.store(value);
}

void LoadUserStrings(void)
{
    char text[260];
    if (ReadFixedString(text, sizeof text, HKEY_CURRENT_USER, "FontConfiguration") == ERROR_SUCCESS)
        CopyText(gFontConfiguration, sizeof gFontConfiguration, text[0] ? text : "Tahoma");
    LogPrint(5, GApp.verbose, "FontConfiguration %s\n", gFontConfiguration);
    if (ReadFixedString(text, sizeof text, HKEY_CURRENT_USER, "TestMethod") == ERROR_SUCCESS)
        CopyText(gTestMethod, sizeof gTestMethod, text);
    LogPrint(5, GApp.verbose, "TestMethod %s\n", gTestMethod);
    if (ReadFixedString(text, sizeof text, HKEY_CURRENT_USER, "FontPrint") == ERROR_SUCCESS)
        CopyText(gFontPrint, sizeof gFontPrint, text);

    LoadRecentFileList();

    LONG rc = ReadFixedString(text, sizeof text, HKEY_CURRENT_USER, "JadPath");
    if (rc == ERROR_SUCCESS) CopyText(gJadPath, sizeof gJadPath, text);
    else LogPrint(2, GApp.verbose, "error getting JadPath %ld\n", rc);
    char richEdit[sizeof gRichEdit];
    rc = ReadFixedString(richEdit, sizeof richEdit, HKEY_CURRENT_USER, "RichEdit");
    if (rc == ERROR_SUCCESS) CopyText(gRichEdit, sizeof gRichEdit, richEdit);
    else LogPrint(2, GApp.verbose, "error getting RichEdit %ld\n", rc);
}

void LoadGradientFill(void)
{
    if (gGradientFill) return;
    gMsimg32 = LoadLibraryA("msimg32.dll");
    if (!gMsimg32) return;
    gGradientFill = reinterpret_cast<GradientFillFunction>(
        reinterpret_cast<void*>(GetProcAddress(gMsimg32, "GradientFill")));
    if (!gGradientFill) {
        FreeLibrary(gMsimg32);
        gMsimg32 = nullptr;
    }
}

// Writes a user DWORD, creating the key when it does not exist yet (first start).
int WriteUserDwordCreatingKey(DWORD value, const char* name)
{
    if (WriteRegistryDword(value, HKEY_CURRENT_USER, gKeyPath, name) == 0) return 1;
    if (CreateRegistryKey(HKEY_CURRENT_USER, gKeyPath) != 0) return 0;
    return WriteRegistryDword(value, HKEY_CURRENT_USER, gKeyPath, name) == 0;
}

void SavePictureSize(void)
{
    int checked = 0, position = 0;
    if (!GSettingsHooks.readPictureSizeControls || !GSettingsHooks.readPictureSizeControls(&checked, &position))
        return;
    if (checked) {
        gMinPicSize.store(static_cast<DWORD>(position));
        if (gMinPicSize.load() != SETTING_UNSET)
            WriteRegistryDword(gMinPicSize.load(), HKEY_CURRENT_USER, gKeyPath, "MinPicSize");
    } else {
        DeleteRegistryValue(HKEY_CURRENT_USER, gKeyPath, "MinPicSize");
        gMinPicSize.store(SETTING_UNSET);
    }
}

// Numbers of the "RichEdit" fields 2 to 15, in the order they are written.
struct RichEditNumbers {
    long long value[14];
};

}  // namespace

SettingsHooks GSettingsHooks = {nullptr, OpenDebugConsole, nullptr};

const char* GetSettingsKeyPath(void) { return gKeyPath; }
void SetSettingsKeyPath(const char* path) { CopyText(gKeyPath, sizeof gKeyPath, path ? path : kDefaultKeyPath); }

void ResetSettings(void)
{
    gCompressionLevel.store(6);
    gDefaultCompression.store(1);
    for (const ConfigurationBit& entry : kConfigurationBits) entry.variable->store(0);
    gLanguageChanged.store(0);
    gPictureLabelWidth.store(68);
    gPictureLabelHeight.store(51);
    gDeleteSimulation.store(0);
    gDragAsThread.store(0);
    gDisplayCompanyLogo.store(0);
    for (const UserDword& entry : kUserDwords) entry.variable->store(SETTING_UNSET);
    gSkipCRCCheck.store(SETTING_UNSET);
    gFontPrintSize.store(SETTING_UNSET);
    CopyText(gFontConfiguration, sizeof gFontConfiguration, "Tahoma");
    gTestMethod[0] = gJadPath[0] = gFontPrint[0] = gRichEdit[0] = '\0';
    for (int i = 0; i < RECENT_SLOT_COUNT; i++) gRecent[i][0] = '\0';
}

DWORD ComposeConfigurationWord(void)
{
    DWORD word = static_cast<DWORD>(gCompressionLevel.load()) & 0xF;
    for (const ConfigurationBit& entry : kConfigurationBits)
        if (entry.variable->load()) word |= 1u << entry.bit;
    return word;
}

void ApplyConfigurationWord(DWORD word)
{
    int level = static_cast<int>(word & 0xF);
    // 10-15 are no deflate levels; keep the current one rather than fail every compression.
    if (level <= 9) gCompressionLevel.store(level);
    gDefaultCompression.store(gCompressionLevel.load() == 6 ? 1 : 0);
    for (const ConfigurationBit& entry : kConfigurationBits) entry.variable->store((word >> entry.bit) & 1);
}

int LoadSettings(void)
{
    DWORD word = 0;
    if (ReadRegistryDword(&word, HKEY_CURRENT_USER, gKeyPath, "configuration") != 0) {
        LogPrint(5, GApp.verbose, "LoadSettings: no configuration, defaults in use");
        return 0;
    }
    // The history is switched on through its own routine, which acts only on a change.
    ApplyConfigurationWord(word & ~(1u << kHistoryActiveBit));
    if (word & (1u << kHistoryActiveBit)) {
        if (GSettingsHooks.activateHistory) GSettingsHooks.activateHistory(GApp.hwndMain, 1);
        else SetHistoryActive(1);
    }

    DWORD language = 0;
    if (ReadRegistryDword(&language, HKEY_LOCAL_MACHINE, gKeyPath, "language") == 0)
        SetLanguage(static_cast<int>(language));
    if (ReadRegistryDword(&language, HKEY_CURRENT_USER, gKeyPath, "language") == 0)
        SetLanguage(static_cast<int>(language));

    LoadMachineValues();
    LoadUserDwords();
    LoadUserStrings();
    LoadGradientFill();
    return 1;
}

int SaveSettings(void)
{
    int written = WriteUserDwordCreatingKey(ComposeConfigurationWord(), "configuration");
    WriteRegistryDword(gColorMenuHigh.load(), HKEY_CURRENT_USER, gKeyPath, "ColorMenuHigh");
    WriteRegistryDword(gColorMenuLow.load(), HKEY_CURRENT_USER, gKeyPath, "ColorMenuLow");
    if (gJadPath[0]) {
        LONG rc = WriteRegistryString(gJadPath, sizeof gJadPath, HKEY_CURRENT_USER, gKeyPath, "JadPath");
        if (rc != 0) LogPrint(-1, GApp.verbose, "cannot write \"JadPath\"to registry %ld\n", rc);
    }
    if (gLanguageChanged.load()) WriteUserDwordCreatingKey(static_cast<DWORD>(GetLanguage()), "language");
    SavePictureSize();
    return written;
}

int SaveViewerGeometry(void)
{
    int ok = 1;
    if (gViewXY.load() != SETTING_UNSET && WriteRegistryDword(gViewXY.load(), HKEY_CURRENT_USER, gKeyPath, "ViewXY") != 0)
        ok = 0;
    if (gViewWH.load() != SETTING_UNSET && WriteRegistryDword(gViewWH.load(), HKEY_CURRENT_USER, gKeyPath, "ViewWH") != 0)
        ok = 0;
    return ok;
}

int SaveRichEditSettings(void)
{
    LONG rc = WriteRegistryString(gRichEdit, sizeof gRichEdit, HKEY_CURRENT_USER, gKeyPath, "RichEdit");
    if (rc != 0) LogPrint(-1, GApp.verbose, "cannot write \"RichEdit ConfigurationString\"to registry %ld\n", rc);
    return rc == 0;
}

int SaveRecentFileList(void)
{
    char list[1040] = "";
    for (int i = 0; i < RECENT_SLOT_COUNT && gRecent[i][0]; i++) {
        char joined[sizeof list];
        if (i == 0) CopyText(joined, sizeof joined, gRecent[i]);
        else std::snprintf(joined, sizeof joined, "%s;%s", list, gRecent[i]);
        CopyText(list, sizeof list, joined);
    }
    LONG rc = WriteRegistryString(list, sizeof list, HKEY_CURRENT_USER, gKeyPath, "file_list");
    if (rc != 0) LogPrint(-1, GApp.verbose, "cannot write to registry %ld\n", rc);
    return rc == 0;
}

int ClearLastFilesFromRegistry(void)
{
    LONG rc = WriteRegistryString("", 1, HKEY_CURRENT_USER, gKeyPath, "file_list");
    if (rc != 0) LogPrint(-1, GApp.verbose, "cannot ClearLastFilesFromRegistry %ld\n", rc);
    return rc == 0;
}

int GetUserAppDataDirectory(char* buffer, size_t size)
{
    if (!buffer || size == 0) return 0;
    buffer[0] = '\0';
    char appData[MAX_PATH];
    if (SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData) != S_OK) return 0;
    int n = std::snprintf(buffer, size, "%s\\%s", appData, "Kelvora");
    if (n < 0 || static_cast<size_t>(n) >= size) {
        buffer[0] = '\0';
        return 0;
    }
    return 1;
}

int CheckExistenceUserAppDataDirectory(void)
{
    char folder[MAX_PATH];
    if (!GetUserAppDataDirectory(folder, sizeof folder)) {
        LogPrint(2, GApp.verbose, "CheckExistenceUserAppDataDirectory error: %lu\n", GetLastError());
        return 0;
    }
    DWORD attributes = GetFileAttributesA(folder);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        LogPrint(2, GApp.verbose, "CheckExistenceUserAppDataDirectory error: %lu\n", GetLastError());
        return 0;
    }
    return 1;
}

int ParseRichEditSettings(const char* text, LOGFONTA* font, COLORREF* color)
{
    LOGFONTA parsed;
    std::memset(&parsed, 0, sizeof parsed);
    RichEditNumbers numbers = {};
    int fields = 0;
    const char* field = text ? text : "";
    while (*field && fields < 15) {
        const char* end = std::strchr(field, '|');
        size_t length = end ? static_cast<size_t>(end - field) : std::strlen(field);
        if (fields == 0) {
            size_t kept = length < LF_FACESIZE - 1 ? length : LF_FACESIZE - 1;
            std::memcpy(parsed.lfFaceName, field, kept);
            parsed.lfFaceName[kept] = '\0';
        } else {
            char number[32];
            size_t kept = length < sizeof number - 1 ? length : sizeof number - 1;
            std::memcpy(number, field, kept);
            number[kept] = '\0';
            numbers.value[fields - 1] = std::strtoll(number, nullptr, 10);
        }
        fields++;
        if (!end) break;
        field = end + 1;
    }
    parsed.lfHeight = static_cast<LONG>(numbers.value[0]);
    parsed.lfWidth = static_cast<LONG>(numbers.value[1]);
    parsed.lfEscapement = static_cast<LONG>(numbers.value[2]);
    parsed.lfOrientation = static_cast<LONG>(numbers.value[3]);
    parsed.lfWeight = static_cast<LONG>(numbers.value[4]);
    parsed.lfItalic = static_cast<BYTE>(numbers.value[5]);
    parsed.lfUnderline = static_cast<BYTE>(numbers.value[6]);
    parsed.lfStrikeOut = static_cast<BYTE>(numbers.value[7]);
    parsed.lfCharSet = static_cast<BYTE>(numbers.value[8]);
    parsed.lfOutPrecision = static_cast<BYTE>(numbers.value[9]);
    parsed.lfClipPrecision = static_cast<BYTE>(numbers.value[10]);
    parsed.lfQuality = static_cast<BYTE>(numbers.value[11]);
    parsed.lfPitchAndFamily = static_cast<BYTE>(numbers.value[12]);
    if (font) *font = parsed;
    if (color) *color = static_cast<COLORREF>(numbers.value[13]);
    return fields;
}

int FormatRichEditSettings(char* buffer, size_t size, const LOGFONTA* font, COLORREF color)
{
    if (!buffer || size == 0) return 0;
    buffer[0] = '\0';
    if (!font) return 0;
    char face[LF_FACESIZE];
    CopyText(face, sizeof face, font->lfFaceName);
    int n = std::snprintf(buffer, size, "%s|%d|%d|%d|%d|%d|%d|%d|%d|%d|%d|%d|%d|%d|%d|", face,
                          static_cast<int>(font->lfHeight), static_cast<int>(font->lfWidth),
                          static_cast<int>(font->lfEscapement), static_cast<int>(font->lfOrientation),
                          static_cast<int>(font->lfWeight), font->lfItalic, font->lfUnderline, font->lfStrikeOut,
                          font->lfCharSet, font->lfOutPrecision, font->lfClipPrecision, font->lfQuality,
                          font->lfPitchAndFamily, static_cast<int>(color));
    return n >= 0 && static_cast<size_t>(n) < size;
}

GradientFillFunction GetGradientFillFunction(void) { return gGradientFill; }

// ---- Getters and setters ----
#define KV_FLAG_SETTING(Name, variable)                   \
    int Get##Name(void) { return variable.load(); }       \
    void Set##Name(int on) { variable.store(on ? 1 : 0); }

int GetCompressionLevel(void) { return gCompressionLevel.load(); }
void SetCompressionLevel(int level)
{
    if (level >= 0 && level <= 9) gCompressionLevel.store(level);
}
KV_FLAG_SETTING(DefaultCompression, gDefaultCompression)
KV_FLAG_SETTING(CreateSelfExecutable, gCreateSelfExecutable)
KV_FLAG_SETTING(PasswordEncrypted, gPasswordEncrypted)
KV_FLAG_SETTING(FileFilter, gFileFilter)
KV_FLAG_SETTING(PlainDirectory, gPlainDirectory)
KV_FLAG_SETTING(PreviewPictureFiles, gPreviewPictureFiles)
KV_FLAG_SETTING(RememberSortedColumn, gRememberSortedColumn)
KV_FLAG_SETTING(OpenPreferredInternally, gOpenPreferredInternally)
KV_FLAG_SETTING(AddDirectories, gAddDirectories)
KV_FLAG_SETTING(PreferredTar, gPreferredTar)
KV_FLAG_SETTING(EnableSaveButton, gEnableSaveButton)
KV_FLAG_SETTING(UseJadForClassFiles, gUseJadForClassFiles)
KV_FLAG_SETTING(UseModernMenuStyle, gUseModernMenuStyle)
KV_FLAG_SETTING(SaveRichEditSettings, gSaveRichEditSettings)
KV_FLAG_SETTING(HistoryActive, gHistoryActive)
KV_FLAG_SETTING(HistoryEncrypted, gHistoryEncrypted)
int IsSaveRecentAdvanced(void) { return gSaveRecentAdvanced.load(); }
void SetSaveRecentAdvanced(int on) { gSaveRecentAdvanced.store(on ? 1 : 0); }
KV_FLAG_SETTING(HideDialogFilesDirs, gHideDialogFilesDirs)
KV_FLAG_SETTING(ShowPicturesCentered, gShowPicturesCentered)
KV_FLAG_SETTING(ShowPicturesWithScrollBars, gShowPicturesWithScrollBars)
KV_FLAG_SETTING(DoNotSaveRecent, gDoNotSaveRecent)
KV_FLAG_SETTING(CheckSearchAndDisplayUpdates, gCheckSearchAndDisplayUpdates)
int IsLanguageChanged(void) { return gLanguageChanged.load(); }
void SetLanguageChanged(int changed) { gLanguageChanged.store(changed ? 1 : 0); }
KV_FLAG_SETTING(DeleteSimulation, gDeleteSimulation)
KV_FLAG_SETTING(DragAsThread, gDragAsThread)
KV_FLAG_SETTING(DisplayCompanyLogo, gDisplayCompanyLogo)
#undef KV_FLAG_SETTING

int GetPictureLabelWidth(void) { return gPictureLabelWidth.load(); }
void SetPictureLabelWidth(int width) { gPictureLabelWidth.store(width); }
int GetPictureLabelHeight(void) { return gPictureLabelHeight.load(); }
void SetPictureLabelHeight(int height) { gPictureLabelHeight.store(height); }

#define KV_DWORD_SETTING(Name, variable)                  \
    DWORD Get##Name(void) { return variable.load(); }     \
    void Set##Name(DWORD value) { variable.store(value); }

KV_DWORD_SETTING(ColorMenuHigh, gColorMenuHigh)
KV_DWORD_SETTING(ColorMenuLow, gColorMenuLow)
KV_DWORD_SETTING(ColorMenuSelection, gColorMenuSelection)
KV_DWORD_SETTING(ViewXY, gViewXY)
KV_DWORD_SETTING(ViewWH, gViewWH)
KV_DWORD_SETTING(MinPicSize, gMinPicSize)
KV_DWORD_SETTING(DragLayered, gDragLayered)
KV_DWORD_SETTING(FontPrintSize, gFontPrintSize)
#undef KV_DWORD_SETTING
int GetSkipCRCCheck(void) { return static_cast<LONG>(gSkipCRCCheck.load()) > 0 ? 1 : 0; }
void SetSkipCRCCheck(DWORD value) { gSkipCRCCheck.store(value); }

const char* GetFontConfiguration(void) { return gFontConfiguration; }
void SetFontConfiguration(const char* face) { CopyText(gFontConfiguration, sizeof gFontConfiguration, face && *face ? face : "Tahoma"); }
const char* GetTestMethod(void) { return gTestMethod; }
void SetTestMethod(const char* text) { CopyText(gTestMethod, sizeof gTestMethod, text); }
const char* GetJadPath(void) { return gJadPath; }
void SetJadPath(const char* path) { CopyText(gJadPath, sizeof gJadPath, path); }
const char* GetFontPrint(void) { return gFontPrint; }
void SetFontPrint(const char* face) { CopyText(gFontPrint, sizeof gFontPrint, face); }
const char* GetRichEditSettingsText(void) { return gRichEdit; }
void SetRichEditSettingsText(const char* text) { CopyText(gRichEdit, sizeof gRichEdit, text); }

int GetRichEditFontSetting(LOGFONTA* font, COLORREF* color)
{
    ParseRichEditSettings(gRichEdit, font, color);
    return gRichEdit[0] != '\0';
}

void SetRichEditFontSetting(const LOGFONTA* font, COLORREF color)
{
    FormatRichEditSettings(gRichEdit, sizeof gRichEdit, font, color);
}

const char* GetRecentFile(int slot)
{
    if (slot < 0 || slot >= RECENT_SLOT_COUNT) return "";
    return gRecent[slot];
}

void SetRecentFile(int slot, const char* path)
{
    if (slot < 0 || slot >= RECENT_SLOT_COUNT) return;
    CopyText(gRecent[slot], sizeof gRecent[slot], path);
}
