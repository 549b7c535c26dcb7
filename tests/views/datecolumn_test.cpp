// The date column is written in the locale's short date and read back when TreeList is
// refilled from key texts: the reading must give the time it was written from, whatever the
// locale's layout.
#include <gtest/gtest.h>

#include <cstring>

#include "model/appstate.h"
#include "model/datecolumn.h"
#include "model/foldertree.h"
#include "model/liststruct.h"
#include "support/testsupport.h"
#include "ui/promptscript.h"
#include "viewhost.h"

namespace {

struct LocaleCase {
    LCID locale;
    const char* name;
};

// Day first, month first, year first; ".", "/", "-", ". " with a trailing dot; one-digit days;
// a blank before the time; a time with words; a quoted literal in the picture.
const LocaleCase kLocales[] = {
    {0x0409, "en-US M/d/yyyy"}, {0x0407, "de-DE d.M.yyyy"},  {0x0411, "ja-JP yyyy/M/d"},
    {0x0412, "ko-KR yyyy. M. d."}, {0x040E, "hu-HU yyyy. MM. dd."}, {0x0809, "en-GB dd/MM/yyyy"},
    {0x0413, "nl-NL d-M-yyyy"}, {0x0C0C, "fr-CA yyyy-MM-dd, HH 'h' mm"}, {0x0405, "cs-CZ d. M. yyyy"},
    {0x0402, "bg-BG d.MM.yyyy 'r.'"}, {0x041D, "sv-SE yyyy-MM-dd"},
};

SYSTEMTIME Time(int y, int mo, int d, int h, int mi)
{
    SYSTEMTIME t = {};
    t.wYear = (WORD)y;
    t.wMonth = (WORD)mo;
    t.wDay = (WORD)d;
    t.wHour = (WORD)h;
    t.wMinute = (WORD)mi;
    return t;
}

const SYSTEMTIME kTimes[] = {
    Time(1980, 1, 1, 0, 0),   Time(2107, 12, 31, 23, 59), Time(2030, 11, 22, 13, 44),
    Time(2005, 1, 2, 3, 4),   Time(1999, 12, 31, 23, 59), Time(2024, 2, 29, 12, 0),
    Time(2001, 10, 9, 1, 30),
};

class DateColumn : public testing::Test {
protected:
    void TearDown() override { SetDateColumnLocale(LOCALE_SYSTEM_DEFAULT); }
};

bool SameMinute(const SYSTEMTIME& a, const SYSTEMTIME& b)
{
    return a.wYear == b.wYear && a.wMonth == b.wMonth && a.wDay == b.wDay && a.wHour == b.wHour && a.wMinute == b.wMinute;
}

std::string Show(const SYSTEMTIME& t)
{
    char text[64];
    snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute);
    return text;
}

TEST_F(DateColumn, EveryLocaleReadsBackWhatItWrote)
{
    for (const LocaleCase& locale : kLocales) {
        SetDateColumnLocale(locale.locale);
        for (const SYSTEMTIME& time : kTimes) {
            char text[64];
            ASSERT_EQ(FormatDateColumnText(&time, text, sizeof text), 1) << locale.name;
            SYSTEMTIME read;
            EXPECT_EQ(ParseDateColumnText(text, &read), 1) << locale.name << ": " << text;
            EXPECT_TRUE(SameMinute(read, time)) << locale.name << ": '" << text << "' read as " << Show(read)
                                                << ", written from " << Show(time);
            EXPECT_EQ(read.wSecond, 0);
            EXPECT_EQ(read.wDayOfWeek, 0);
        }
    }
}

TEST_F(DateColumn, FixedPositionsWouldMisreadMonthFirstDates)
{
    // The month-first layout puts the month where DD.MM.YYYY has the day.
    SetDateColumnLocale(0x0409);
    SYSTEMTIME time = Time(2030, 11, 22, 13, 44);
    char text[64];
    FormatDateColumnText(&time, text, sizeof text);
    EXPECT_STREQ(text, "11/22/2030 13:44");
    SYSTEMTIME read;
    ASSERT_EQ(ParseDateColumnText(text, &read), 1);
    EXPECT_EQ(read.wDay, 22);
    EXPECT_EQ(read.wMonth, 11);
}

TEST_F(DateColumn, TwoDigitYearPicturesAreWidenedSoNoCenturyIsLost)
{
    char saved[80] = "";
    ASSERT_GT(GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, saved, sizeof saved), 0);
    ASSERT_TRUE(SetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, "dd.MM.yy"));
    SetDateColumnLocale(LOCALE_USER_DEFAULT);
    char picture[128];
    EXPECT_EQ(GetDateColumnPicture(picture, sizeof picture), 1);
    EXPECT_STREQ(picture, "dd.MM.yyyy");
    for (int year : {1925, 2025, 1999, 2099}) {
        SYSTEMTIME time = Time(year, 6, 7, 8, 9);
        char text[64];
        FormatDateColumnText(&time, text, sizeof text);
        SYSTEMTIME read;
        EXPECT_EQ(ParseDateColumnText(text, &read), 1) << text;
        EXPECT_EQ(read.wYear, year) << text;
    }
    SetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, saved);
}

TEST_F(DateColumn, ImpossibleDatesAndForeignTexts)
{
    SetDateColumnLocale(0x0409);
    SYSTEMTIME bad = Time(1980, 0, 0, 0, 0);
    char text[64];
    EXPECT_EQ(FormatDateColumnText(&bad, text, sizeof text), 0);
    SYSTEMTIME read;
    EXPECT_EQ(ParseDateColumnText(text, &read), 1) << text;
    EXPECT_TRUE(SameMinute(read, bad)) << Show(read);
    const char* unreadable[] = {"", "yesterday", "13/45/", "2030"};
    for (const char* t : unreadable) {
        EXPECT_EQ(ParseDateColumnText(t, &read), 0) << "'" << t << "'";
    }
    EXPECT_EQ(ParseDateColumnText("11/22/2030 13:44", nullptr), 0);
}

class DateColumnInViews : public testing::Test {
protected:
    void SetUp() override
    {
        BeginPromptScript();
        ASSERT_TRUE(CreateViewHost(&host));
    }
    void TearDown() override
    {
        DestroyViewHost(&host);
        EndPromptScript();
    }
    ViewHost host;
};

const liststruct* RecordOf(HWND list, int row)
{
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    SendMessageA(list, LVM_GETITEMA, 0, (LPARAM)&item);
    return (const liststruct*)item.lParam;
}

TEST_F(DateColumnInViews, FolderRowsKeepTheirDatesUnderEveryLocale)
{
    std::vector<ExpectedRow> expected = LoadExpectedRows("nested.zip");
    for (const LocaleCase& locale : kLocales) {
        SetDateColumnLocale(locale.locale);
        ASSERT_TRUE(OpenArchiveInViews(ViewFixture("nested.zip"))) << locale.name;
        for (const char* folder : {"", "a", "a\\b\\c", "docs\\img"}) {
            ASSERT_TRUE(SelectFolder(folder)) << locale.name;
            ASSERT_GT(Rows(host.treeList), 0) << locale.name << " " << folder;
            for (int row = 0; row < Rows(host.treeList); row++) {
                std::string full = Cell(host.treeList, row, 7) + Cell(host.treeList, row, 0);
                const ExpectedRow* e = nullptr;
                for (const ExpectedRow& x : expected) {
                    std::string name = x.name;
                    for (char& c : name)
                        if (c == '/') c = '\\';
                    if (name == full) e = &x;
                }
                ASSERT_NE(e, nullptr) << full;
                const liststruct* record = RecordOf(host.treeList, row);
                ASSERT_NE(record, nullptr);
                EXPECT_TRUE(SameMinute(record->modified, e->date))
                    << locale.name << ": " << full << " shows " << Cell(host.treeList, row, 5) << " read as "
                    << Show(record->modified) << ", stored " << Show(e->date);
                char text[64];
                FormatDateColumnText(&e->date, text, sizeof text);
                EXPECT_EQ(Cell(host.treeList, row, 5), text) << locale.name << ": " << full;
            }
        }
        ClearViews();
    }
}

}  // namespace
