#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <cstring>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "app/langtext.h"
#include "listhost.h"
#include "model/appstate.h"
#include "model/list.h"
#include "model/liststruct.h"
#include "support/testsupport.h"

// ---------------------------------------------------------------------------------------------
// Rate and date texts

TEST(RateText, Table)
{
    struct Case { int64_t compressed, uncompressed; int shown; const char* text; };
    const Case cases[] = {
        {0, 0, 0, " 0%"},
        {0, 1000, 99, "99%"},       // 100 is never shown
        {1, 1000, 99, "99%"},
        {1005, 1000, 0, " 0%"},
        {1000, 1000, 0, " 0%"},
        {950, 1000, 5, " 5%"},
        {910, 1000, 9, " 9%"},
        {909, 1000, 10, "10%"},     // truncating division: 90.9 -> 90
        {500, 1000, 50, "50%"},
        {10, -5, 0, " 0%"},
        {-5, 1000, 0, " 0%"},       // damaged sizes never give more than two digits
        {INT64_MAX / 2, INT64_MAX, 51, "51%"},  // no overflow in 100 * compressed
        {INT64_MAX, INT64_MAX, 0, " 0%"},
    };
    for (const Case& c : cases) {
        char text[8] = "xxxxxxx";
        int shown = FormatRateText(c.compressed, c.uncompressed, text, sizeof text);
        EXPECT_EQ(shown, c.shown) << c.compressed << " of " << c.uncompressed;
        EXPECT_STREQ(text, c.text) << c.compressed << " of " << c.uncompressed;
        EXPECT_LE(std::strlen(text), 3u);
    }
    char rate[4];
    FormatRateText(5, 1000, rate, sizeof rate);
    EXPECT_STREQ(rate, "99%") << "fits the record's 4 bytes";
}

TEST(DateText, ShortDateBlankAnd24HourTime)
{
    SYSTEMTIME afternoon = {};
    afternoon.wYear = 2023;
    afternoon.wMonth = 11;
    afternoon.wDay = 5;
    afternoon.wHour = 13;
    afternoon.wMinute = 7;
    char text[64];
    ASSERT_EQ(FormatDateColumnText(&afternoon, text, sizeof text), 1);
    std::string s = text;
    size_t blank = s.rfind(' ');
    ASSERT_NE(blank, std::string::npos) << s;
    std::string date = s.substr(0, blank), time = s.substr(blank + 1);
    EXPECT_NE(date.find("2023"), std::string::npos) << s;
    EXPECT_NE(time.find("13"), std::string::npos) << "24-hour form: " << s;
    EXPECT_NE(time.find("07"), std::string::npos) << s;
    EXPECT_LE(time.size(), 5u) << "no seconds: " << s;
    EXPECT_EQ(s.find("PM"), std::string::npos) << s;

    SYSTEMTIME morning = afternoon;
    morning.wHour = 1;
    char other[64];
    FormatDateColumnText(&morning, other, sizeof other);
    EXPECT_STRNE(text, other) << "hours 1 and 13 differ";
    EXPECT_EQ(std::string(other).substr(0, blank), date) << "same day, same date text";
}

TEST(DateText, ImpossibleDatesShowTheNumbers)
{
    SYSTEMTIME bad = {};
    bad.wYear = 2023;
    bad.wMonth = 0;
    bad.wDay = 5;
    bad.wHour = 13;
    bad.wMinute = 7;
    char text[64];
    EXPECT_EQ(FormatDateColumnText(&bad, text, sizeof text), 0);
    EXPECT_STREQ(text, "05.00.2023 13:07");
    char tiny[6];
    FormatDateColumnText(&bad, tiny, sizeof tiny);
    EXPECT_EQ(std::strlen(tiny), 5u);
}

// ---------------------------------------------------------------------------------------------
// Shell type names: asked once per extension

namespace {

std::map<std::string, int> gAsked;

int FakeShell(const char* fileName, char* typeName, size_t size, int* icon)
{
    gAsked[fileName]++;
    std::string name = fileName;
    const char* type = "";
    if (name == "file.txt") type = "Text Document";
    else if (name == "file.png") type = "PNG Image";
    snprintf(typeName, size, "%s", type);
    *icon = (int)name.size();
    return 1;
}

struct FakeShellScope {
    ShellTypeQueryFn saved;
    FakeShellScope() : saved(SetShellTypeQuery(FakeShell)) { gAsked.clear(); }
    ~FakeShellScope() { SetShellTypeQuery(saved == FakeShell ? nullptr : saved); }
};

}  // namespace

TEST(ShellTypes, AskedOncePerExtension)
{
    FakeShellScope fake;
    struct Case { const char* name; const char* type; int icon; };
    const Case cases[] = {
        {"readme.txt", "Text Document", 8},
        {"NOTES.TXT", "Text Document", 8},   // same extension in another case
        {"a.b.png", "PNG Image", 8},
        {"x.txt", "Text Document", 8},
    };
    long before = ShellTypeQueryCount();
    for (const Case& c : cases) {
        char type[260];
        int icon = -1;
        ASSERT_EQ(LookupShellType(c.name, type, sizeof type, &icon), 1);
        EXPECT_STREQ(type, c.type) << c.name;
        EXPECT_EQ(icon, c.icon) << c.name;
    }
    EXPECT_EQ(ShellTypeQueryCount() - before, 2) << "txt and png";
    EXPECT_EQ(gAsked["file.txt"], 1);
    EXPECT_EQ(gAsked["file.png"], 1);

    EXPECT_EQ(ClearShellTypeCache(), 2);
    char type[260];
    LookupShellType("again.txt", type, sizeof type, nullptr);
    EXPECT_EQ(gAsked["file.txt"], 2) << "asked again after the cache was emptied";

    SetShellTypeCacheEnabled(0);
    LookupShellType("again.txt", type, sizeof type, nullptr);
    LookupShellType("again.txt", type, sizeof type, nullptr);
    SetShellTypeCacheEnabled(1);
    EXPECT_EQ(gAsked["file.txt"], 4) << "without cache every row asks";
}

TEST(ShellTypes, UnknownTypesFallBackToGenericText)
{
    FakeShellScope fake;
    const std::string generic = GetGenericText(36);
    struct Case { const char* name; std::string type; };
    const Case cases[] = {
        {"data.xyz", "XYZ-" + generic},
        {"Makefile", generic},
        {"trailing.", generic},
        {"mixed.XyZ", "XYZ-" + generic},
    };
    for (const Case& c : cases) {
        char type[260];
        LookupShellType(c.name, type, sizeof type, nullptr);
        EXPECT_EQ(std::string(type), c.type) << c.name;
    }
    std::string longExt = "n." + std::string(1000, 'e');
    char type[260];
    int icon = 0;
    EXPECT_EQ(LookupShellType(longExt.c_str(), type, sizeof type, &icon), 1);
    EXPECT_EQ(std::strlen(type), 259u) << "cut, not overflowed";
}

TEST(ShellTypes, RealShellNamesKnownTypes)
{
    char type[260];
    int icon = -1;
    ClearShellTypeCache();
    ASSERT_EQ(LookupShellType("readme.txt", type, sizeof type, &icon), 1);
    EXPECT_STRNE(type, "") << "the shell or the fallback names every type";
    EXPECT_GE(icon, 0);
}

// ---------------------------------------------------------------------------------------------
// Found lists follow their list

namespace {

List* IndexList(std::initializer_list<int> values)
{
    List* list = ListCreateIndices();
    for (int v : values) {
        int* element = (int*)malloc(sizeof(int));
        *element = v;
        ListAppend(list, element);
    }
    return list;
}

std::vector<int> Values(List* list)
{
    std::vector<int> out;
    for (ListNode* node = list ? list->head : nullptr; node; node = node->next) out.push_back(*(int*)node->data);
    return out;
}

}  // namespace

TEST(FoundList, InsertShiftsIndicesAtOrAbove)
{
    struct Case { int index; std::vector<int> expected; };
    const Case cases[] = {
        {3, {1, 4, 8}},
        {0, {2, 4, 8}},
        {8, {1, 3, 7}},
        {7, {1, 3, 8}},
    };
    for (const Case& c : cases) {
        List* found = IndexList({1, 3, 7});
        ShiftFoundListOnInsert(found, c.index);
        EXPECT_EQ(Values(found), c.expected) << "insert at " << c.index;
        ListDestroy(&found);
    }
}

TEST(FoundList, DeleteRemovesAndShiftsGreater)
{
    struct Case { int index; int present; std::vector<int> expected; };
    const Case cases[] = {
        {3, 1, {1, 6}},
        {2, 0, {1, 2, 6}},
        {7, 1, {1, 3}},
        {0, 0, {0, 2, 6}},
        {9, 0, {1, 3, 7}},
        {1, 1, {2, 6}},
    };
    for (const Case& c : cases) {
        List* found = IndexList({1, 3, 7});
        EXPECT_EQ(ShiftFoundListOnDelete(found, c.index), c.present) << "delete " << c.index;
        EXPECT_EQ(Values(found), c.expected) << "delete " << c.index;
        ListDestroy(&found);
    }
    // Adjacent indices: each is examined once, so 4 does not drop to 3 and then to 2.
    List* found = IndexList({3, 4, 5});
    ShiftFoundListOnDelete(found, 3);
    EXPECT_EQ(Values(found), (std::vector<int>{3, 4}));
    ListDestroy(&found);
}

// ---------------------------------------------------------------------------------------------
// Rows in a real list view

namespace {

class ListRows : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(CreateListHost(&host));
        savedList = GApp.hwndList;
        savedFound = GApp.foundList;
        GApp.hwndList = host.list;
        GApp.foundList = nullptr;
        baseline = ListStructLiveCount();
    }
    void TearDown() override
    {
        DestroyListHost(&host);
        EXPECT_EQ(ListStructLiveCount(), baseline) << "every record is released with its row";
        if (GApp.foundList) ListDestroy(&GApp.foundList);
        GApp.hwndList = savedList;
        GApp.foundList = savedFound;
    }
    liststruct* RecordOf(int row)
    {
        LVITEMA item = {};
        item.mask = LVIF_PARAM;
        item.iItem = row;
        SendMessageA(host.list, LVM_GETITEMA, 0, (LPARAM)&item);
        return (liststruct*)item.lParam;
    }
    int IconOf(int row)
    {
        LVITEMA item = {};
        item.mask = LVIF_IMAGE;
        item.iItem = row;
        SendMessageA(host.list, LVM_GETITEMA, 0, (LPARAM)&item);
        return item.iImage;
    }
    ListHost host;
    HWND savedList = nullptr;
    List* savedFound = nullptr;
    long baseline = 0;
};

const ListRowTime kTime = {41, 7, 13, 5, 10, 2023};  // 5 November 2023, 13:07:41

std::string ExpectedDate()
{
    SYSTEMTIME st = {};
    st.wYear = 2023;
    st.wMonth = 11;
    st.wDay = 5;
    st.wHour = 13;
    st.wMinute = 7;
    char text[64];
    FormatDateColumnText(&st, text, sizeof text);
    return text;
}

std::string ExpectedType(const char* name, int* icon = nullptr)
{
    char type[260];
    int i = 0;
    LookupShellType(name, type, sizeof type, &i);
    if (icon) *icon = i;
    return type;
}

}  // namespace

TEST_F(ListRows, InsertedRowShowsEightColumnsAndOwnsItsRecord)
{
    struct Case { const char* display; const char* full; int64_t c, u; const char* path; const char* rate; };
    const Case cases[] = {
        {"a.png", "docs\\img\\a.png", 950, 1000, "docs\\img\\", " 5%"},
        {"a.txt", "a.txt", 0, 0, "", " 0%"},                       // top level
        {"f.txt", "dir/sub/f.txt", 0, 1000, "dir/sub/", "99%"},     // tar keeps '/'
        {"abc", "ab", 10, 5, "", " 0%"},                          // display not shorter
        {"b.png", "docs\\a.png", 1, 3, "docs\\a", "67%"},         // backwards while they agree
    };
    for (size_t i = 0; i < std::size(cases); i++) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.full);
        EXPECT_EQ(InsertListRow(host.list, &kTime, c.display, c.full, nullptr, c.c, c.u), (int)i);
        int icon = -1;
        std::string type = ExpectedType(c.display, &icon);
        const std::string expected[8] = {c.display, "", std::to_string(c.c), std::to_string(c.u), c.rate,
                                         ExpectedDate(), type, c.path};
        for (int col = 0; col < 8; col++) EXPECT_EQ(CellText(host.list, (int)i, col), expected[col]) << "column " << col;
        EXPECT_EQ(IconOf((int)i), icon);

        liststruct* record = RecordOf((int)i);
        ASSERT_NE(record, nullptr);
        EXPECT_EQ(record->compressed, c.c);
        EXPECT_EQ(record->uncompressed, c.u);
        EXPECT_STREQ(record->path, c.path);
        EXPECT_STREQ(record->filename, c.display);
        EXPECT_STREQ(record->rate, c.rate);
        EXPECT_EQ(std::string(record->type), type);
        EXPECT_EQ(record->modified.wYear, 2023);
        EXPECT_EQ(record->modified.wMonth, 11);
        EXPECT_EQ(record->modified.wDay, 5);
        EXPECT_EQ(record->modified.wHour, 13);
        EXPECT_EQ(record->modified.wMinute, 7);
        EXPECT_EQ(record->modified.wSecond, 0);
        EXPECT_EQ(record->modified.wDayOfWeek, 0);
        EXPECT_EQ(record->modified.wMilliseconds, 0);
    }
    EXPECT_EQ(ListStructLiveCount(), baseline + (long)std::size(cases));
}

TEST_F(ListRows, FolderListCollectsEachPathOnce)
{
    List* folders = ListCreateStrings();
    const char* names[][2] = {{"a.txt", "d\\a.txt"}, {"b.txt", "d\\b.txt"}, {"c.txt", "e\\c.txt"},
                              {"top.txt", "top.txt"}, {"d.txt", "b\\d.txt"}};
    for (auto& n : names) InsertListRow(host.list, &kTime, n[0], n[1], folders, 1, 2);
    std::vector<std::string> got;
    for (ListNode* node = folders->head; node; node = node->next) got.push_back((const char*)node->data);
    EXPECT_EQ(got, (std::vector<std::string>{"", "b\\", "d\\", "e\\"})) << "sorted, without repeats";
    ListDestroy(&folders);
}

TEST_F(ListRows, BatchAndSingleInsertionGiveTheSameRows)
{
    ListHost other;
    ASSERT_TRUE(CreateListHost(&other));
    const char* names[][2] = {{"a.txt", "x\\a.txt"}, {"b.zzq", "x\\y\\b.zzq"}, {"Makefile", "Makefile"}};
    ListRow rows[3];
    for (int i = 0; i < 3; i++) {
        ASSERT_EQ(BuildListRow(&rows[i], &kTime, names[i][0], names[i][1], nullptr, 10 * i, 100), 1);
        InsertListRow(host.list, &kTime, names[i][0], names[i][1], nullptr, 10 * i, 100);
    }
    EXPECT_EQ(InsertListRowsBatch(other.list, rows, 3), 3);
    for (int i = 0; i < 3; i++) EXPECT_EQ(rows[i].record, nullptr) << "the list took record " << i;
    ASSERT_EQ(RowCount(other.list), 3);
    for (int r = 0; r < 3; r++)
        for (int c = 0; c < 8; c++)
            EXPECT_EQ(CellText(other.list, r, c), CellText(host.list, r, c)) << "row " << r << " column " << c;
    DestroyListHost(&other);
}

TEST_F(ListRows, WorkerBatchesRunOnTheListThread)
{
    const int kRows = 5000;
    std::atomic<int> inserted{-1};
    std::thread worker([&] {
        std::vector<ListRow> rows(kRows);
        for (int i = 0; i < kRows; i++) {
            char full[64], display[32];
            snprintf(display, sizeof display, "f%05d.txt", i);
            snprintf(full, sizeof full, "dir%d\\%s", i % 7, display);
            BuildListRow(&rows[i], &kTime, display, full, nullptr, i, 2 * i + 1);
        }
        int total = 0;
        for (int first = 0; first < kRows; first += 2000)
            total += InsertListRowsBatch(host.list, &rows[first], std::min(2000, kRows - first));
        inserted = total;
    });
    ASSERT_TRUE(PumpMessagesUntil([&] { return inserted.load() >= 0; }, 120000));
    worker.join();
    EXPECT_EQ(inserted.load(), kRows);
    ASSERT_EQ(RowCount(host.list), kRows);
    for (int i : {0, 1999, 2000, 4999}) {
        char display[32];
        snprintf(display, sizeof display, "f%05d.txt", i);
        EXPECT_EQ(CellText(host.list, i, 0), display) << "row " << i << " in order";
        EXPECT_EQ(CellText(host.list, i, 2), std::to_string(i));
        EXPECT_EQ(CellText(host.list, i, 7), "dir" + std::to_string(i % 7) + "\\");
    }
    EXPECT_EQ(ListStructLiveCount(), baseline + kRows);
}

namespace {
int RecordThread(void* context)
{
    *(DWORD*)context = GetCurrentThreadId();
    return 7;
}
}  // namespace

TEST_F(ListRows, RunOnListThreadNeedsThePreparedList)
{
    ListHost plain;
    ASSERT_TRUE(CreateListHost(&plain, 0));
    DWORD windowThread = GetCurrentThreadId();
    struct Case { HWND list; bool onWindowThread; };
    const Case cases[] = {{host.list, true}, {plain.list, false}};
    for (const Case& c : cases) {
        DWORD ranOn = 0, workerThread = 0;
        std::atomic<int> result{-1};
        std::thread worker([&] {
            workerThread = GetCurrentThreadId();
            result = RunOnListThread(c.list, RecordThread, &ranOn);
        });
        ASSERT_TRUE(PumpMessagesUntil([&] { return result.load() >= 0; }));
        worker.join();
        EXPECT_EQ(result.load(), 7);
        EXPECT_EQ(ranOn, c.onWindowThread ? windowThread : workerThread) << "prepared: " << c.onWindowThread;
    }
    DestroyListHost(&plain);
}

TEST_F(ListRows, DeleteAndClearReleaseRecordsAndFollowTheFoundList)
{
    for (int i = 0; i < 10; i++) {
        char name[16];
        snprintf(name, sizeof name, "n%d.txt", i);
        InsertListRow(host.list, &kTime, name, name, nullptr, 1, 2);
    }
    EXPECT_EQ(ListStructLiveCount(), baseline + 10);

    GApp.foundList = IndexList({1, 3, 7});
    EXPECT_EQ(InsertListRow(host.list, &kTime, "n10.txt", "n10.txt", nullptr, 1, 2), 10);
    EXPECT_EQ(Values(GApp.foundList), (std::vector<int>{1, 3, 7})) << "appending at 10 moves nothing";

    EXPECT_EQ(DeleteListRow(host.list, 3), 1);
    EXPECT_EQ(RowCount(host.list), 10);
    EXPECT_EQ(CellText(host.list, 3, 0), "n4.txt");
    EXPECT_EQ(ListStructLiveCount(), baseline + 10);
    EXPECT_EQ(Values(GApp.foundList), (std::vector<int>{1, 6}));
    EXPECT_EQ(DeleteListRow(host.list, 0), 1);
    EXPECT_EQ(Values(GApp.foundList), (std::vector<int>{0, 5}));
    EXPECT_EQ(DeleteListRow(host.list, 50), 0) << "no such row";
    EXPECT_EQ(Values(GApp.foundList), (std::vector<int>{0, 5}));

    EXPECT_EQ(ClearList(host.list), 1);
    EXPECT_EQ(RowCount(host.list), 0);
    EXPECT_EQ(ListStructLiveCount(), baseline);
    EXPECT_EQ(GApp.foundList, nullptr) << "clearing frees the found list";
}

TEST_F(ListRows, DestroyingTheListReleasesItsRecords)
{
    for (int i = 0; i < 5; i++) InsertListRow(host.list, &kTime, "a.txt", "a.txt", nullptr, 1, 2);
    EXPECT_EQ(ListStructLiveCount(), baseline + 5);
    DestroyWindow(host.list);
    host.list = nullptr;
    EXPECT_EQ(ListStructLiveCount(), baseline);
}

TEST_F(ListRows, RowsForAVanishedListAreReleased)
{
    ListRow row;
    ASSERT_EQ(BuildListRow(&row, &kTime, "a.txt", "a.txt", nullptr, 1, 2), 1);
    EXPECT_EQ(ListStructLiveCount(), baseline + 1);
    HWND gone = CreateWindowA("STATIC", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    DestroyWindow(gone);
    EXPECT_EQ(InsertListRowsBatch(gone, &row, 1), 0);
    EXPECT_EQ(row.record, nullptr);
    EXPECT_EQ(ListStructLiveCount(), baseline);
    EXPECT_EQ(InsertListRow(nullptr, &kTime, "a.txt", "a.txt", nullptr, 1, 2), -1);
    EXPECT_EQ(ListStructLiveCount(), baseline);
}

TEST_F(ListRows, ThousandCharacterNamesAreCut)
{
    std::string display = std::string(996, 'n') + ".txt";
    std::string dir = std::string(1000, 'd') + "\\";
    std::string full = dir + display;
    ASSERT_EQ(InsertListRow(host.list, &kTime, display.c_str(), full.c_str(), nullptr, 1, 2), 0);
    liststruct* record = RecordOf(0);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(std::strlen(record->filename), 259u);
    EXPECT_EQ(std::strlen(record->path), 259u);
    EXPECT_EQ(std::string(record->path), dir.substr(0, 259));
    EXPECT_LE(std::strlen(record->type), 259u);
    EXPECT_EQ(CellText(host.list, 0, 0), display.substr(0, 259));
    EXPECT_EQ(CellText(host.list, 0, 7), dir.substr(0, 259));
}

TEST(ListStructRecord, ReleaseToleratesNulls)
{
    EXPECT_EQ(ReleaseListStruct(nullptr), 0);
    long before = ListStructLiveCount();
    ListRow row;
    ASSERT_EQ(BuildListRow(&row, nullptr, "a.txt", "a.txt", nullptr, 1, 2), 1);
    free(row.record->type);
    row.record->type = nullptr;  // a half-built record still releases
    EXPECT_EQ(ReleaseListStruct(row.record), 1);
    EXPECT_EQ(ListStructLiveCount(), before);
    EXPECT_EQ(BuildListRow(&row, nullptr, nullptr, "a.txt", nullptr, 1, 2), 0);
    EXPECT_EQ(row.record, nullptr);
    NMLISTVIEW empty = {};
    EXPECT_EQ(HandleListDeleteItem(&empty), 0);
}
