#include <gtest/gtest.h>

#include <string>

#include "model/appstate.h"
#include "model/compare.h"
#include "model/zipentry.h"

namespace {

// Keeps GCompressionMethod for one test and puts the old value back.
struct MethodScope {
    int saved;
    explicit MethodScope(int method) : saved(GCompressionMethod) { SetCompressionMethod(method); }
    ~MethodScope() { SetCompressionMethod(saved); }
};

int Sign(int v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

struct EntryCase {
    const char* a;
    const char* b;
    int expected;  // sign of the result
};

void RunEntryCases(const char* name, int (*compare)(const void*, const void*), const EntryCase* cases, size_t n)
{
    for (size_t i = 0; i < n; i++) {
        ZipEntry a = {(char*)cases[i].a, nullptr, 1};
        ZipEntry b = {(char*)cases[i].b, nullptr, 2};
        int result = compare(&a, &b);
        EXPECT_EQ(Sign(result), cases[i].expected) << name << "(" << cases[i].a << ", " << cases[i].b << ")";
        EXPECT_GE(result, -1) << name << ": string compares give -1, 0 or 1";
        EXPECT_LE(result, 1) << name;
    }
}

}  // namespace

TEST(ZipEntryCompares, CaseInsensitiveAndCaseSensitive)
{
    const EntryCase insensitive[] = {
        {"dir\\a.txt", "DIR\\A.TXT", 0},
        {"a", "b", -1},
        {"b", "A", 1},
        {"ab", "a", 1},
        {"_x", "ax", -1},  // folded to lower case: '_' before 'a'
        {"dir/a", "dir\\a", -1},  // separators are not unified here: slash sorts before backslash
    };
    RunEntryCases("ZipEntryPathCompare", ZipEntryPathCompare, insensitive, std::size(insensitive));

    const EntryCase sensitive[] = {
        {"dir\\a.txt", "dir\\a.txt", 0},
        {"a.txt", "A.TXT", 1},
        {"A", "a", -1},
        {"a", "ab", -1},
    };
    RunEntryCases("ZipEntryPathCompareCaseSense", ZipEntryPathCompareCaseSense, sensitive, std::size(sensitive));
}

TEST(ZipEntryCompares, SeparatorIndependent)
{
    const std::string longA = std::string(259, 'p') + "A-tail";
    const std::string longB = std::string(259, 'p') + "B-other";
    const std::string shortP = std::string(258, 'p') + "a";
    const EntryCase cases[] = {
        {"dir/sub/f.txt", "DIR\\SUB\\F.TXT", 0},
        {"dir/a", "dir\\b", -1},
        {"dir\\b", "dir/a", 1},
        {longA.c_str(), longB.c_str(), 0},  // only 259 characters take part
        {shortP.c_str(), longA.c_str(), -1},
    };
    RunEntryCases("ZipEntryIndependentPathCompare", ZipEntryIndependentPathCompare, cases, std::size(cases));

    ZipEntry entry = {(char*)"DIR\\sub\\f.TXT", nullptr, 0};
    EXPECT_EQ(ZipEntryPathStringCompare("dir/sub/F.txt", &entry), 0);
    EXPECT_EQ(ZipEntryPathStringCompare("dir/sub/e.txt", &entry), -1);
    EXPECT_EQ(ZipEntryPathStringCompare("dir/sub/g.txt", &entry), 1);
}

TEST(PathCompares, IgnoreSeparatorKeepsCase)
{
    const std::string longA = std::string(259, 'q') + "x";
    const std::string longB = std::string(259, 'q') + "y";
    struct Case { const char* a; const char* b; int expected; };
    const Case cases[] = {
        {"a/b/c", "a\\b\\c", 0},
        {"a/B", "a\\b", -1},
        {"a\\c", "a/b", 1},
        {longA.c_str(), longB.c_str(), 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PathCompareIgnoreSeparator(c.a, c.b), c.expected) << c.a << " <=> " << c.b;
}

TEST(PathCompares, AbsoluteAgainstRelative)
{
    struct Case { int method; const char* abs; const char* rel; int expected; };
    const Case cases[] = {
        {CM_ZIP, "docs\\img\\a.png", "img\\a.png", 0},
        {CM_ZIP, "docs\\img\\a.png", "a.png", 0},
        {CM_ZIP, "docs\\img\\a.png", "mg\\a.png", -1},          // the tail must start a component
        {CM_ZIP, "docs\\img\\a.png", "docs\\img\\a.png", 0},    // a path against itself
        {CM_ZIP, "docs\\a.png", "x.png", 'a' - 'x'},            // first differing characters
        {CM_ZIP, "docs\\b", "c", 'b' - 'c'},
        {CM_ZIP, "a.png", "docs\\a.png", -1},                   // relative longer than absolute
        {CM_ZIP, "docs/img/a.png", "img/a.png", -1},            // zip keys use '\\'
        {CM_TAR, "docs/img/a.png", "img/a.png", 0},
        {CM_TAR, "docs\\img\\a.png", "img\\a.png", -1},
        {CM_ISO, "cd\\x\\y", "x\\y", 0},
        {CM_RAR, "r\\x\\y", "x\\y", 0},
    };
    for (const Case& c : cases) {
        MethodScope scope(c.method);
        EXPECT_EQ(CompareAbsoluteRelativePath(c.abs, c.rel), c.expected)
            << "method " << c.method << ": " << c.abs << " <=> " << c.rel;
    }
    MethodScope scope(CM_ZIP);
    EXPECT_EQ(CompareAbsoluteRelativePath(nullptr, "a"), -1);
    EXPECT_EQ(CompareAbsoluteRelativePath("a", nullptr), -1);
}

TEST(PathCompares, AbsoluteAgainstRelativeWithBackslashes)
{
    MethodScope scope(CM_ZIP);
    struct Case { const char* abs; const char* rel; int expected; };
    const Case cases[] = {
        {"docs/img/a.png", "img\\a.png", 0},
        {"docs\\img\\a.png", "img/a.png", 0},
        {"docs/img/a.png", "mg/a.png", -1},
        {"docs/a", "b", 'a' - 'b'},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CompareAbsoluteRelativePathSeparatorBackslash(c.abs, c.rel), c.expected) << c.abs << " <=> " << c.rel;
    EXPECT_EQ(CompareAbsoluteRelativePathSeparatorBackslash(nullptr, "a"), -1);

    // Cut to 259 characters before comparing: the tails beyond that do not take part.
    std::string longAbs = std::string(250, 'a') + "\\" + std::string(100, 'z');
    EXPECT_NE(CompareAbsoluteRelativePathSeparatorBackslash(longAbs.c_str(), std::string(100, 'z').c_str()), 0);
}

TEST(PathCompares, AbsoluteEndsWithRelative)
{
    struct Case { const char* abs; const char* rel; int expected; };
    const Case cases[] = {
        {"docs\\img\\a.png", "img\\a.png", 0},
        {"docs\\img\\a.png", "mg\\a.png", 0},  // no separator needed before the tail
        {"docs\\img\\", "", 0},
        {"abc", "xbc", 'a' - 'x'},
        {"a", "ab", -1},
        {"docs\\img\\a.png", "img/a.png", '\\' - '/'},  // separators are not unified
    };
    for (const Case& c : cases)
        EXPECT_EQ(CompareAbsoluteRelativePathIgnoreSeparatorBackslash(c.abs, c.rel), c.expected)
            << c.abs << " <=> " << c.rel;
    EXPECT_EQ(CompareAbsoluteRelativePathIgnoreSeparatorBackslash(nullptr, "a"), -1);
    EXPECT_EQ(CompareAbsoluteRelativePathIgnoreSeparatorBackslash("a", nullptr), -1);
}

TEST(FoundListCompares, RowIndices)
{
    struct Case { int a, b, equal, smaller, greater; };
    const Case cases[] = {
        {3, 7, -4, 1, 0},
        {7, 3, 4, 0, 1},
        {5, 5, 0, 0, 1},
        {0, 1, -1, 1, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FoundListCompareEqual(&c.a, &c.b), c.equal) << c.a << ", " << c.b;
        EXPECT_EQ(FoundListCompareSmaller(&c.a, &c.b), c.smaller) << c.a << ", " << c.b;
        EXPECT_EQ(FoundListCompareGreater(&c.a, &c.b), c.greater) << c.a << ", " << c.b;
    }
}

TEST(BackgroundJobCompares, SameRecordOrNumberOrder)
{
    BackgroundJob one = {nullptr, nullptr, 1};
    BackgroundJob four = {nullptr, nullptr, 4};
    BackgroundJob probeFour = {nullptr, nullptr, 4};
    EXPECT_EQ(BackgroundJobCompare(&one, &one), 0);
    EXPECT_EQ(BackgroundJobCompare(&four, &probeFour), 0) << "a probe with the same number";
    // Exactly 1 for "after": the red-black tree reads any other value as "before".
    EXPECT_EQ(BackgroundJobCompare(&four, &one), 1);
    EXPECT_EQ(BackgroundJobCompare(&one, &four), -1);
}

TEST(FormatSeparators, PerMethod)
{
    struct Case { int method; char separator; };
    const Case cases[] = {{CM_TAR, '/'}, {CM_ZIP, '\\'}, {CM_ISO, '\\'}, {CM_RAR, '\\'}, {CM_NONE, '\\'}, {7, '\\'}};
    for (const Case& c : cases) {
        MethodScope scope(c.method);
        testing::internal::CaptureStdout();
        char separator = FormatSeparator("TreeViewGetPath");
        std::string printed = testing::internal::GetCapturedStdout();
        EXPECT_EQ(separator, c.separator) << "method " << c.method;
        bool known = c.method >= CM_ZIP && c.method <= CM_RAR;
        if (known) EXPECT_EQ(printed, "") << "method " << c.method;
        else EXPECT_NE(printed.find("TreeViewGetPath: no compression method specified - assuming zip!!"),
                       std::string::npos) << "method " << c.method << " printed: " << printed;
    }
}
