// The settings store: LoadSettings and SaveSettings against the real registry of the test
// prefix, each test under a key of its own.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/langtext.h"
#include "config/log.h"
#include "config/registry.h"
#include "config/settings.h"
#include "model/appstate.h"
#include "scratchkey.h"

namespace {

struct HookLog {
    int consoleCalls = 0;
    int historyCalls = 0;
    int historyOn = -1;
    int pictureDialogOpen = 0;
    int pictureChecked = 0;
    int picturePosition = 0;
};
HookLog gHooks;

void RecordConsole(int flag) { gHooks.consoleCalls++; }
void RecordHistory(HWND, int on)
{
    gHooks.historyCalls++;
    gHooks.historyOn = on;
    SetHistoryActive(on);
}
int ReportPictureControls(int* checked, int* position)
{
    if (!gHooks.pictureDialogOpen) return 0;
    *checked = gHooks.pictureChecked;
    *position = gHooks.picturePosition;
    return 1;
}

class Settings : public testing::Test {
protected:
    void SetUp() override
    {
        savedLanguage_ = GetLanguage();
        savedHooks_ = GSettingsHooks;
        gHooks = HookLog();
        GSettingsHooks.openDebugConsole = RecordConsole;
        GSettingsHooks.activateHistory = RecordHistory;
        GSettingsHooks.readPictureSizeControls = ReportPictureControls;
        SetSettingsKeyPath(key_.path());
        ResetSettings();
        GApp.verbose = 0;
        SetPrintToLogFile(0);
    }
    void TearDown() override
    {
        SetSettingsKeyPath(nullptr);
        GSettingsHooks = savedHooks_;
        ResetSettings();
        GApp.verbose = 0;
        SetPrintToLogFile(0);
        SetLanguage(savedLanguage_);
    }
    // A "configuration" value, which LoadSettings needs before it reads anything else.
    void StoreConfiguration(DWORD word = 6) { ASSERT_TRUE(key_.SetDword(HKEY_CURRENT_USER, "configuration", word)); }

    ScratchKey key_;
    int savedLanguage_ = 0;
    SettingsHooks savedHooks_{};
};

struct FlagSetting {
    int bit;
    const char* name;
    int (*get)(void);
    void (*set)(int);
};
const FlagSetting kFlags[] = {
    {4, "CreateSelfExecutable", GetCreateSelfExecutable, SetCreateSelfExecutable},
    {5, "PasswordEncrypted", GetPasswordEncrypted, SetPasswordEncrypted},
    {6, "FileFilter", GetFileFilter, SetFileFilter},
    {7, "PlainDirectory", GetPlainDirectory, SetPlainDirectory},
    {8, "PreviewPictureFiles", GetPreviewPictureFiles, SetPreviewPictureFiles},
    {9, "RememberSortedColumn", GetRememberSortedColumn, SetRememberSortedColumn},
    {10, "OpenPreferredInternally", GetOpenPreferredInternally, SetOpenPreferredInternally},
    {11, "AddDirectories", GetAddDirectories, SetAddDirectories},
    {12, "PreferredTar", GetPreferredTar, SetPreferredTar},
    {13, "EnableSaveButton", GetEnableSaveButton, SetEnableSaveButton},
    {15, "UseJadForClassFiles", GetUseJadForClassFiles, SetUseJadForClassFiles},
    {16, "UseModernMenuStyle", GetUseModernMenuStyle, SetUseModernMenuStyle},
    {17, "SaveRichEditSettings", GetSaveRichEditSettings, SetSaveRichEditSettings},
    {18, "history active", GetHistoryActive, SetHistoryActive},
    {19, "history encrypted", GetHistoryEncrypted, SetHistoryEncrypted},
    {20, "IsSaveRecentAdvanced", IsSaveRecentAdvanced, SetSaveRecentAdvanced},
    {21, "HideDialogFilesDirs", GetHideDialogFilesDirs, SetHideDialogFilesDirs},
    {22, "ShowPicturesCentered", GetShowPicturesCentered, SetShowPicturesCentered},
    {23, "ShowPicturesWithScrollBars", GetShowPicturesWithScrollBars, SetShowPicturesWithScrollBars},
    {24, "DoNotSaveRecent", GetDoNotSaveRecent, SetDoNotSaveRecent},
    {25, "CheckSearchAndDisplayUpdates", GetCheckSearchAndDisplayUpdates, SetCheckSearchAndDisplayUpdates},
};

void ExpectAllFlagsClear(const char* except)
{
    for (const FlagSetting& flag : kFlags)
        if (!except || std::strcmp(flag.name, except) != 0) {
            EXPECT_EQ(0, flag.get()) << flag.name << " should be clear";
        }
}

TEST_F(Settings, FirstStartWithoutConfigurationKeepsDefaultsAndIgnoresOtherValues)
{
    int language = GetLanguage() == LANG_CODE_GERMAN ? LANG_CODE_ENGLISH : LANG_CODE_GERMAN;
    key_.SetDword(HKEY_CURRENT_USER, "language", static_cast<DWORD>(language));
    key_.SetDword(HKEY_LOCAL_MACHINE, "verbose", 5);
    key_.SetDword(HKEY_LOCAL_MACHINE, "debug_console", 1);
    key_.SetDword(HKEY_LOCAL_MACHINE, "PictureLabelWidth", 99);
    key_.SetDword(HKEY_CURRENT_USER, "ViewXY", 0x00100020);
    key_.SetString(HKEY_CURRENT_USER, "JadPath", "C:\\jad.exe");
    key_.SetString(HKEY_CURRENT_USER, "file_list", "C:\\a.zip;C:\\b.zip");
    key_.SetString(HKEY_CURRENT_USER, "FontConfiguration", "Verdana");

    EXPECT_EQ(0, LoadSettings());
    EXPECT_NE(language, GetLanguage()) << "language taken without configuration";
    EXPECT_EQ(0, GApp.verbose);
    EXPECT_EQ(0, gHooks.consoleCalls);
    EXPECT_EQ(6, GetCompressionLevel());
    EXPECT_EQ(1, GetDefaultCompression());
    ExpectAllFlagsClear(nullptr);
    EXPECT_EQ(68, GetPictureLabelWidth());
    EXPECT_EQ(51, GetPictureLabelHeight());
    EXPECT_EQ(SETTING_UNSET, GetViewXY());
    EXPECT_STREQ("", GetJadPath());
    EXPECT_STREQ("", GetRecentFile(0));
    EXPECT_STREQ("Tahoma", GetFontConfiguration());
    EXPECT_EQ(0, GetSkipCRCCheck());
    EXPECT_EQ(SETTING_UNSET, GetDragLayered());
}

// Each option saved alone lands on its own bit and comes back alone.
TEST_F(Settings, EveryConfigurationBitRoundTripsAlone)
{
    for (const FlagSetting& flag : kFlags) {
        SCOPED_TRACE(testing::Message() << flag.name << " (bit " << flag.bit << ")");
        ResetSettings();
        flag.set(1);
        ASSERT_EQ(1, SaveSettings());
        DWORD word = 0;
        ASSERT_TRUE(key_.GetDword(HKEY_CURRENT_USER, "configuration", &word));
        EXPECT_EQ(6u | (1u << flag.bit), word);
        ResetSettings();
        ASSERT_EQ(1, LoadSettings());
        EXPECT_EQ(1, flag.get());
        ExpectAllFlagsClear(flag.name);
    }
}

TEST_F(Settings, CompressionLevelRoundTripsAndMarksTheDefaultLevel)
{
    for (int level = 0; level <= 9; level++) {
        SCOPED_TRACE(testing::Message() << "level " << level);
        ResetSettings();
        SetCompressionLevel(level);
        SetPreferredTar(1);
        ASSERT_EQ(1, SaveSettings());
        ResetSettings();
        ASSERT_EQ(1, LoadSettings());
        EXPECT_EQ(level, GetCompressionLevel());
        EXPECT_EQ(level == 6 ? 1 : 0, GetDefaultCompression());
        EXPECT_EQ(1, GetPreferredTar()) << "bits beside the level";
    }
}

TEST_F(Settings, UnusedBitsAreNeitherTakenNorWritten)
{
    // Bit 14, 26-31 and a level nobody can compress with.
    StoreConfiguration(0xFC00400Fu | (1u << 12));
    ASSERT_EQ(1, LoadSettings());
    EXPECT_EQ(6, GetCompressionLevel()) << "level 15 is no deflate level";
    EXPECT_EQ(1, GetPreferredTar());
    ASSERT_EQ(1, SaveSettings());
    DWORD word = 0;
    ASSERT_TRUE(key_.GetDword(HKEY_CURRENT_USER, "configuration", &word));
    EXPECT_EQ(6u | (1u << 12), word);
}

TEST_F(Settings, HistoryBitActivatesTheHistoryThroughItsHook)
{
    StoreConfiguration(6 | (1u << 18) | (1u << 19));
    ASSERT_EQ(1, LoadSettings());
    EXPECT_EQ(1, gHooks.historyCalls);
    EXPECT_EQ(1, gHooks.historyOn);
    EXPECT_EQ(1, GetHistoryEncrypted());

    ResetSettings();
    GSettingsHooks.activateHistory = nullptr;
    ASSERT_EQ(1, LoadSettings());
    EXPECT_EQ(1, GetHistoryActive()) << "without a history module the flag is still set";

    ResetSettings();
    GSettingsHooks.activateHistory = RecordHistory;
    gHooks.historyCalls = 0;
    StoreConfiguration(6);
    ASSERT_EQ(1, LoadSettings());
    EXPECT_EQ(0, gHooks.historyCalls) << "history off: not activated";
}

TEST_F(Settings, UserLanguageWinsOverMachineLanguage)
{
    struct Case {
        const char* label;
        int machine;  // 0: no value
        int user;
        int expected;
    };
    int other = GetLanguage() == LANG_CODE_GERMAN ? LANG_CODE_ENGLISH : LANG_CODE_GERMAN;
    const Case cases[] = {
        {"machine only", other, 0, other},
        {"user only", 0, other, other},
        {"both", LANG_CODE_GERMAN, LANG_CODE_ENGLISH, LANG_CODE_ENGLISH},
        {"both, other way", LANG_CODE_ENGLISH, LANG_CODE_GERMAN, LANG_CODE_GERMAN},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        SetLanguage(savedLanguage_);
        ScratchKey key;
        SetSettingsKeyPath(key.path());
        key.SetDword(HKEY_CURRENT_USER, "configuration", 6);
        if (c.machine) key.SetDword(HKEY_LOCAL_MACHINE, "language", static_cast<DWORD>(c.machine));
        if (c.user) key.SetDword(HKEY_CURRENT_USER, "language", static_cast<DWORD>(c.user));
        ASSERT_EQ(1, LoadSettings());
        EXPECT_EQ(c.expected, GetLanguage());
    }
}

// Administrator values: each is taken only under its own condition, and only from the
// machine hive.
TEST_F(Settings, MachineValuesAreTakenOnlyUnderTheirConditions)
{
    struct Case {
        const char* name;
        DWORD value;
        int (*observe)(void);
        int expected;
        int unchanged;  // what observe shows when the value is not taken
    };
    auto verbose = [] { return GApp.verbose; };
    auto console = [] { return gHooks.consoleCalls; };
    const Case cases[] = {
        {"verbose", 0, verbose, 0, 0},
        {"verbose", 1, verbose, 1, 0},
        {"verbose", 10, verbose, 10, 0},
        {"verbose", 11, verbose, 0, 0},
        {"verbose", 0xFFFFFFFF, verbose, 0, 0},
        {"debug_console", 1, console, 1, 0},
        {"debug_console", 2, console, 0, 0},
        {"debug_console", 0, console, 0, 0},
        {"PrintToLogFile", 1, IsPrintToLogFile, 1, 0},
        {"PrintToLogFile", 2, IsPrintToLogFile, 0, 0},
        {"DeleteSimulation", 1, GetDeleteSimulation, 1, 0},
        {"DeleteSimulation", 3, GetDeleteSimulation, 0, 0},
        {"DragAsThread", 1, GetDragAsThread, 1, 0},
        {"DragAsThread", 2, GetDragAsThread, 0, 0},
        {"DisplayCompanyLogo", 1, GetDisplayCompanyLogo, 1, 0},
        {"DisplayCompanyLogo", 256, GetDisplayCompanyLogo, 0, 0},
        {"PictureLabelWidth", 0, GetPictureLabelWidth, 0, 68},
        {"PictureLabelWidth", 120, GetPictureLabelWidth, 120, 68},
        {"PictureLabelHeight", 90, GetPictureLabelHeight, 90, 51},
    };
    const HKEY hives[] = {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER};
    for (const Case& c : cases) {
        for (HKEY hive : hives) {
            SCOPED_TRACE(testing::Message() << c.name << " = " << c.value << " in "
                                            << (hive == HKEY_LOCAL_MACHINE ? "HKLM" : "HKCU"));
            ResetSettings();
            GApp.verbose = 0;
            SetPrintToLogFile(0);
            gHooks.consoleCalls = 0;
            ScratchKey key;
            SetSettingsKeyPath(key.path());
            ASSERT_TRUE(key.SetDword(HKEY_CURRENT_USER, "configuration", 6));
            ASSERT_TRUE(key.SetDword(hive, c.name, c.value));
            ASSERT_EQ(1, LoadSettings());
            EXPECT_EQ(hive == HKEY_LOCAL_MACHINE ? c.expected : c.unchanged, c.observe());
        }
    }
}

TEST_F(Settings, UserDwordsAreTakenWhenNonZero)
{
    struct Case {
        const char* name;
        DWORD value;
        DWORD (*observe)(void);
        DWORD expected;
    };
    const Case cases[] = {
        {"ViewXY", 0, GetViewXY, SETTING_UNSET},  // position 0,0 never comes back
        {"ViewXY", 0x00640032, GetViewXY, 0x00640032},
        {"ViewWH", 0x03200190, GetViewWH, 0x03200190},
        {"ColorMenuHigh", 0x00FF8040, GetColorMenuHigh, 0x00FF8040},
        {"ColorMenuLow", 0, GetColorMenuLow, SETTING_UNSET},
        {"ColorMenuSelection", 0x00123456, GetColorMenuSelection, 0x00123456},
        {"MinPicSize", 64, GetMinPicSize, 64},
        {"DragLayered", 200, GetDragLayered, 200},
        {"DragLayered", 300, GetDragLayered, 300},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.name << " = " << c.value);
        ResetSettings();
        ScratchKey key;
        SetSettingsKeyPath(key.path());
        key.SetDword(HKEY_CURRENT_USER, "configuration", 6);
        ASSERT_TRUE(key.SetDword(HKEY_CURRENT_USER, c.name, c.value));
        ASSERT_EQ(1, LoadSettings());
        EXPECT_EQ(c.expected, c.observe());
    }
}

TEST_F(Settings, SkipCrcCheckNeedsAPositiveValue)
{
    struct Case {
        DWORD value;
        int expected;
    };
    const Case cases[] = {{0, 0}, {1, 1}, {5, 1}, {0xFFFFFFFF, 0}, {0x80000000, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "SkipCRCCheck = " << c.value);
        ResetSettings();
        ScratchKey key;
        SetSettingsKeyPath(key.path());
        key.SetDword(HKEY_CURRENT_USER, "configuration", 6);
        key.SetDword(HKEY_CURRENT_USER, "SkipCRCCheck", c.value);
        ASSERT_EQ(1, LoadSettings());
        EXPECT_EQ(c.expected, GetSkipCRCCheck());
    }
}

TEST_F(Settings, StringValuesLoadWithTheirFallbacks)
{
    StoreConfiguration();
    key_.SetString(HKEY_CURRENT_USER, "FontConfiguration", "");
    key_.SetString(HKEY_CURRENT_USER, "TestMethod", "method-7");
    key_.SetString(HKEY_CURRENT_USER, "JadPath", "C:\\tools\\jad.exe");
    key_.SetString(HKEY_CURRENT_USER, "RichEdit", "Courier New|-13|0|0|0|400|0|0|0|0|3|2|1|49|255|");
    ASSERT_EQ(1, LoadSettings());
    EXPECT_STREQ("Tahoma", GetFontConfiguration()) << "empty face";
    EXPECT_STREQ("method-7", GetTestMethod());
    EXPECT_STREQ("C:\\tools\\jad.exe", GetJadPath());
    LOGFONTA font;
    COLORREF color = 0;
    ASSERT_EQ(1, GetRichEditFontSetting(&font, &color));
    EXPECT_STREQ("Courier New", font.lfFaceName);
    EXPECT_EQ(-13, font.lfHeight);
    EXPECT_EQ(400, font.lfWeight);
    EXPECT_EQ(49, font.lfPitchAndFamily);
    EXPECT_EQ(255u, color);

    ResetSettings();
    key_.SetString(HKEY_CURRENT_USER, "FontConfiguration", "Verdana");
    ASSERT_EQ(1, LoadSettings());
    EXPECT_STREQ("Verdana", GetFontConfiguration());
}

// A path stored without its NUL comes back exactly, with nothing of the buffer behind it.
TEST_F(Settings, UnterminatedStringsLoadExactly)
{
    StoreConfiguration();
    const std::string jad = "C:\\jad.exe";
    ASSERT_TRUE(key_.SetRaw(HKEY_CURRENT_USER, "JadPath", REG_SZ, jad.data(), static_cast<DWORD>(jad.size())));
    const std::string full(260, 'f');  // fills a 260-byte buffer without room for the NUL
    ASSERT_TRUE(key_.SetRaw(HKEY_CURRENT_USER, "TestMethod", REG_SZ, full.data(), static_cast<DWORD>(full.size())));
    ASSERT_EQ(1, LoadSettings());
    EXPECT_EQ(jad, std::string(GetJadPath()));
    EXPECT_LT(std::strlen(GetTestMethod()), 260u);
}

TEST_F(Settings, StringsOfOtherTypesStayTerminated)
{
    StoreConfiguration();
    const unsigned char binary[8] = {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h'};
    ASSERT_TRUE(key_.SetRaw(HKEY_CURRENT_USER, "JadPath", REG_BINARY, binary, sizeof binary));
    ASSERT_EQ(1, LoadSettings());
    EXPECT_LE(std::strlen(GetJadPath()), sizeof binary);
}

TEST_F(Settings, FileListFillsFourSlotsInOrder)
{
    struct Case {
        const char* label;
        std::string stored;
        std::vector<std::string> slots;
    };
    std::vector<std::string> six;
    std::string joined;
    for (int i = 0; i < 6; i++) {
        // Six long paths: the whole value is far longer than a 260-byte buffer.
        six.push_back("C:\\archives\\folder_with_a_rather_long_name_" + std::to_string(i) + "\\archive_number_" +
                      std::to_string(i) + ".zip");
        joined += (i ? ";" : "") + six.back();
    }
    const std::string tooLong = "C:\\" + std::string(400, 'L') + ".zip";
    const Case cases[] = {
        {"six paths", joined, {six[0], six[1], six[2], six[3]}},
        {"two paths", "C:\\a.zip;D:\\b.tar", {"C:\\a.zip", "D:\\b.tar", "", ""}},
        {"empty", "", {"", "", "", ""}},
        {"empty pieces leave no gaps", ";C:\\a.zip;;D:\\b.zip;", {"C:\\a.zip", "D:\\b.zip", "", ""}},
        {"path longer than a slot", "C:\\a.zip;" + tooLong + ";D:\\b.zip",
         {"C:\\a.zip", tooLong.substr(0, 259), "D:\\b.zip", ""}},
    };
    ASSERT_GT(joined.size(), 260u);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ResetSettings();
        ScratchKey key;
        SetSettingsKeyPath(key.path());
        key.SetDword(HKEY_CURRENT_USER, "configuration", 6);
        ASSERT_TRUE(key.SetString(HKEY_CURRENT_USER, "file_list", c.stored));
        ASSERT_EQ(1, LoadSettings());
        for (int slot = 0; slot < RECENT_SLOT_COUNT; slot++)
            EXPECT_EQ(c.slots[slot], std::string(GetRecentFile(slot))) << "slot " << slot;
    }
}

TEST_F(Settings, RecentListIsSavedJoinedAndCleared)
{
    ASSERT_TRUE(key_.Create(HKEY_CURRENT_USER));
    SetRecentFile(0, "C:\\one.zip");
    SetRecentFile(1, "D:\\two.tar.gz");
    SetRecentFile(2, "E:\\three.iso");
    EXPECT_EQ(1, SaveRecentFileList());
    EXPECT_EQ("C:\\one.zip;D:\\two.tar.gz;E:\\three.iso", key_.GetString(HKEY_CURRENT_USER, "file_list"));

    const std::string longest(259, 'q');
    for (int slot = 0; slot < RECENT_SLOT_COUNT; slot++) SetRecentFile(slot, longest.c_str());
    EXPECT_EQ(1, SaveRecentFileList());
    EXPECT_EQ(longest + ";" + longest + ";" + longest + ";" + longest, key_.GetString(HKEY_CURRENT_USER, "file_list"))
        << "four full slots fit";

    EXPECT_EQ(1, ClearLastFilesFromRegistry());
    EXPECT_EQ("", key_.GetString(HKEY_CURRENT_USER, "file_list"));
}

TEST_F(Settings, SaveCreatesTheMissingKeyAndWritesWhatIsSet)
{
    ASSERT_FALSE(key_.Exists(HKEY_CURRENT_USER));
    SetColorMenuHigh(0x00AABBCC);
    SetCompressionLevel(9);
    ASSERT_EQ(1, SaveSettings());
    DWORD value = 0;
    ASSERT_TRUE(key_.GetDword(HKEY_CURRENT_USER, "configuration", &value));
    EXPECT_EQ(9u, value);
    ASSERT_TRUE(key_.GetDword(HKEY_CURRENT_USER, "ColorMenuHigh", &value));
    EXPECT_EQ(0x00AABBCCu, value);
    ASSERT_TRUE(key_.GetDword(HKEY_CURRENT_USER, "ColorMenuLow", &value));
    EXPECT_EQ(SETTING_UNSET, value);
    EXPECT_EQ("<missing>", key_.GetString(HKEY_CURRENT_USER, "JadPath")) << "empty JadPath is not written";
    EXPECT_EQ("<missing>", key_.GetString(HKEY_CURRENT_USER, "language")) << "language unchanged";
    EXPECT_FALSE(key_.Exists(HKEY_LOCAL_MACHINE)) << "the machine hive is never written";

    SetJadPath("C:\\jad\\jad.exe");
    ASSERT_EQ(1, SaveSettings());
    EXPECT_EQ("C:\\jad\\jad.exe", key_.GetString(HKEY_CURRENT_USER, "JadPath"));
}

TEST_F(Settings, LanguageIsWrittenOnlyAfterAChange)
{
    int other = GetLanguage() == LANG_CODE_GERMAN ? LANG_CODE_ENGLISH : LANG_CODE_GERMAN;
    ASSERT_EQ(1, SaveSettings());
    EXPECT_EQ("<missing>", key_.GetString(HKEY_CURRENT_USER, "language"));
    SetLanguage(other);
    SetLanguageChanged(1);
    ASSERT_EQ(1, SaveSettings());
    DWORD value = 0;
    ASSERT_TRUE(key_.GetDword(HKEY_CURRENT_USER, "language", &value));
    EXPECT_EQ(static_cast<DWORD>(other), value);
}

TEST_F(Settings, PictureSizeFollowsTheDialogWhileItIsOpen)
{
    ASSERT_TRUE(key_.SetDword(HKEY_CURRENT_USER, "MinPicSize", 48));
    SetMinPicSize(48);
    ASSERT_EQ(1, SaveSettings());
    DWORD value = 0;
    ASSERT_TRUE(key_.GetDword(HKEY_CURRENT_USER, "MinPicSize", &value)) << "dialog closed: untouched";
    EXPECT_EQ(48u, value);

    gHooks.pictureDialogOpen = 1;
    gHooks.pictureChecked = 1;
    gHooks.picturePosition = 200;
    ASSERT_EQ(1, SaveSettings());
    ASSERT_TRUE(key_.GetDword(HKEY_CURRENT_USER, "MinPicSize", &value));
    EXPECT_EQ(200u, value);
    EXPECT_EQ(200u, GetMinPicSize());

    gHooks.pictureChecked = 0;
    ASSERT_EQ(1, SaveSettings());
    EXPECT_EQ("<missing>", key_.GetString(HKEY_CURRENT_USER, "MinPicSize")) << "unticked: deleted";
    EXPECT_EQ(SETTING_UNSET, GetMinPicSize());
}

TEST_F(Settings, ViewerGeometryIsWrittenOnlyWhenSet)
{
    ASSERT_TRUE(key_.Create(HKEY_CURRENT_USER));
    EXPECT_EQ(1, SaveViewerGeometry());
    EXPECT_EQ("<missing>", key_.GetString(HKEY_CURRENT_USER, "ViewXY"));
    EXPECT_EQ("<missing>", key_.GetString(HKEY_CURRENT_USER, "ViewWH"));
    SetViewXY(0x000A0014);
    SetViewWH(0x03200190);
    EXPECT_EQ(1, SaveViewerGeometry());
    ResetSettings();
    StoreConfiguration();
    ASSERT_EQ(1, LoadSettings());
    EXPECT_EQ(0x000A0014u, GetViewXY());
    EXPECT_EQ(0x03200190u, GetViewWH());
}

TEST_F(Settings, RichEditFontRoundTripsThroughTheRegistry)
{
    ASSERT_TRUE(key_.Create(HKEY_CURRENT_USER));
    StoreConfiguration();
    LOGFONTA font;
    std::memset(&font, 0, sizeof font);
    std::snprintf(font.lfFaceName, sizeof font.lfFaceName, "%s", "Lucida Console");
    font.lfHeight = -16;
    font.lfWidth = 7;
    font.lfEscapement = 900;
    font.lfOrientation = 900;
    font.lfWeight = 700;
    font.lfItalic = 1;
    font.lfUnderline = 1;
    font.lfStrikeOut = 1;
    font.lfCharSet = 238;
    font.lfOutPrecision = 3;
    font.lfClipPrecision = 2;
    font.lfQuality = 4;
    font.lfPitchAndFamily = 49;
    SetRichEditFontSetting(&font, RGB(10, 20, 200));
    ASSERT_EQ(1, SaveRichEditSettings());
    EXPECT_EQ("Lucida Console|-16|7|900|900|700|1|1|1|238|3|2|4|49|13112330|",
              key_.GetString(HKEY_CURRENT_USER, "RichEdit"));
    ResetSettings();
    ASSERT_EQ(1, LoadSettings());
    LOGFONTA read;
    COLORREF color = 0;
    ASSERT_EQ(1, GetRichEditFontSetting(&read, &color));
    EXPECT_EQ(0, std::memcmp(&font, &read, sizeof font)) << "every font field comes back";
    EXPECT_EQ(RGB(10, 20, 200), color);
}

TEST(RichEditString, ShortOrOddStringsLeaveMissingFieldsZero)
{
    struct Case {
        const char* text;
        int fields;
        const char* face;
        LONG height;
        LONG weight;
        BYTE pitch;
        COLORREF color;
    };
    const Case cases[] = {
        {"Arial|12|", 2, "Arial", 12, 0, 0, 0},
        {"Arial", 1, "Arial", 0, 0, 0, 0},
        {"", 0, "", 0, 0, 0, 0},
        {"|12|0|0|0|700", 6, "", 12, 700, 0, 0},
        {"Arial||0|0|0||||||||||-1|", 15, "Arial", 0, 0, 0, 0xFFFFFFFF},
        {"Arial|x|0|0|0|400|", 6, "Arial", 0, 400, 0, 0},
        {"A123456789012345678901234567890123456789|5|", 2, "A123456789012345678901234567890", 5, 0, 0, 0},
        {"Arial|1|2|3|4|5|6|7|8|9|10|11|12|13|14|99|99|", 15, "Arial", 1, 5, 13, 14},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        LOGFONTA font;
        std::memset(&font, 0x55, sizeof font);
        COLORREF color = 0x55555555;
        EXPECT_EQ(c.fields, ParseRichEditSettings(c.text, &font, &color));
        EXPECT_STREQ(c.face, font.lfFaceName);
        EXPECT_EQ(c.height, font.lfHeight);
        EXPECT_EQ(c.weight, font.lfWeight);
        EXPECT_EQ(c.pitch, font.lfPitchAndFamily);
        EXPECT_EQ(c.color, color);
        if (c.fields < 7) {
            EXPECT_EQ(0, font.lfItalic) << "missing italic";
        }
    }
}

TEST(RichEditString, FormatIsCutToTheBuffer)
{
    LOGFONTA font;
    std::memset(&font, 0, sizeof font);
    std::snprintf(font.lfFaceName, sizeof font.lfFaceName, "%s", "Tahoma");
    char small[12];
    std::memset(small, 'X', sizeof small);
    EXPECT_EQ(0, FormatRichEditSettings(small, sizeof small, &font, 0));
    EXPECT_STREQ("Tahoma|0|0|", small);
    char full[256];
    EXPECT_EQ(1, FormatRichEditSettings(full, sizeof full, &font, 0));
    EXPECT_STREQ("Tahoma|0|0|0|0|0|0|0|0|0|0|0|0|0|0|", full);
}

TEST(SettingsKeyPath, DefaultsToTheProgramKey)
{
    EXPECT_STREQ("SOFTWARE\\Kelvora", GetSettingsKeyPath());
    SetSettingsKeyPath("SOFTWARE\\Elsewhere");
    EXPECT_STREQ("SOFTWARE\\Elsewhere", GetSettingsKeyPath());
    SetSettingsKeyPath(nullptr);
    EXPECT_STREQ("SOFTWARE\\Kelvora", GetSettingsKeyPath());
}

TEST(UserAppData, FolderIsApplicationDataJoinedWithKelvoraAndItsExistenceIsChecked)
{
    char folder[MAX_PATH];
    ASSERT_EQ(1, GetUserAppDataDirectory(folder, sizeof folder));
    const std::string path = folder;
    ASSERT_GT(path.size(), 8u);
    EXPECT_EQ("\\Kelvora", path.substr(path.size() - 8));
    char tiny[8];
    EXPECT_EQ(0, GetUserAppDataDirectory(tiny, sizeof tiny)) << "does not fit";
    EXPECT_STREQ("", tiny);

    DWORD attributes = GetFileAttributesA(folder);
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        EXPECT_EQ(1, CheckExistenceUserAppDataDirectory());
        GTEST_SKIP() << "the folder belongs to an earlier run; not removed";
    }
    EXPECT_EQ(0, CheckExistenceUserAppDataDirectory());
    ASSERT_TRUE(CreateDirectoryA(folder, nullptr));
    EXPECT_EQ(1, CheckExistenceUserAppDataDirectory());
    RemoveDirectoryA(folder);
}

TEST(GradientFill, IsFoundAfterLoading)
{
    ScratchKey key;
    SetSettingsKeyPath(key.path());
    key.SetDword(HKEY_CURRENT_USER, "configuration", 6);
    ASSERT_EQ(1, LoadSettings());
    EXPECT_NE(nullptr, reinterpret_cast<void*>(GetGradientFillFunction()));
    SetSettingsKeyPath(nullptr);
    ResetSettings();
}

}  // namespace
