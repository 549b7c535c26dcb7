#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "model/strutil.h"

TEST(StringUtilities, EndsWithAndStartsWith)
{
    struct Case { const char* s; const char* affix; int ignoreCase; int ends; int starts; };
    const Case cases[] = {
        {"report.zip", ".zip", 0, 1, 0},
        {"report.zip", "report", 0, 0, 1},
        {"Report.ZIP", ".zip", 0, 0, 0},
        {"Report.ZIP", "report", 1, 0, 1},
        {".zip", "report.zip", 0, 0, 0},      // affix longer than the text
        {"abc", "", 0, 1, 1},                 // the empty affix fits every text
        {"", "", 0, 1, 1},
        {"", "a", 1, 0, 0},
        {"docs\\x", "DOCS\\", 1, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.s) + " / " + c.affix);
        EXPECT_EQ(EndsWith(c.s, c.affix), c.ends);
        EXPECT_EQ(StartsWith(c.s, c.affix, c.ignoreCase), c.starts);
    }
    EXPECT_EQ(EndsWith(nullptr, "a"), 0);
    EXPECT_EQ(EndsWith("a", nullptr), 0);
    EXPECT_EQ(StartsWith(nullptr, "a", 0), 0);
    EXPECT_EQ(EndsWithIgnoreCase("backup.TAR.GZ", "tar.gz"), 1);
    EXPECT_EQ(EndsWithIgnoreCase("backup.TAR.GZ", "tar.bz2"), 0);
}

TEST(StringUtilities, InPlaceEdits)
{
    char path[] = "dir/sub/f.txt";
    EXPECT_EQ(ReplaceChar(path, '/', '\\'), 2);
    EXPECT_STREQ(path, "dir\\sub\\f.txt");

    char stars[] = "*a**b*";
    EXPECT_EQ(RemoveChar(stars, '*'), 4);
    EXPECT_STREQ(stars, "ab");

    // Only A-Z and a-z change; bytes above 127 stay as they are.
    char mixed[] = "AbC-\xC4\xE4-xY1";
    EXPECT_STREQ(LowerAscii(mixed), "abc-\xC4\xE4-xy1");
    EXPECT_STREQ(UpperAscii(mixed), "ABC-\xC4\xE4-XY1");

    EXPECT_EQ(ReplaceChar(nullptr, 'a', 'b'), 0);
    EXPECT_EQ(RemoveChar(nullptr, 'a'), 0);
    EXPECT_EQ(LowerAscii(nullptr), nullptr);
}

TEST(StringUtilities, CountCharSkipsTheFirstCharacter)
{
    struct Case { const char* s; char c; int expected; };
    const Case cases[] = {
        {"docs\\img\\", '\\', 2},
        {"\\docs\\", '\\', 1},   // a leading separator is not counted
        {"\\", '\\', 0},
        {"", '\\', 0},
        {"a/b/c", '\\', 0},
        {"a/b/c", '/', 2},
    };
    for (const Case& c : cases) EXPECT_EQ(CountChar(c.s, c.c), c.expected) << "text: " << c.s;
    EXPECT_EQ(CountChar(nullptr, '/'), 0);
}

TEST(StringUtilities, AfterLastAndStripPrefix)
{
    EXPECT_STREQ(AfterLast("a.b.c", '.'), "c");
    EXPECT_STREQ(AfterLast("name.", '.'), "");
    EXPECT_EQ(AfterLast("name", '.'), nullptr);
    EXPECT_EQ(AfterLast(nullptr, '.'), nullptr);

    struct Case { const char* s; const char* prefix; const char* rest; };
    const Case cases[] = {
        {"added\\sub\\f.txt", "added", "sub\\f.txt"},
        {"added\\\\f.txt", "added", "\\f.txt"},  // one separator only
        {"added", "added", ""},
        {"other\\f.txt", "added", nullptr},
        {"add", "added", nullptr},
    };
    for (const Case& c : cases) {
        const char* rest = StripPrefix(c.s, c.prefix, '\\');
        if (!c.rest) EXPECT_EQ(rest, nullptr) << c.s;
        else {
            ASSERT_NE(rest, nullptr) << c.s;
            EXPECT_STREQ(rest, c.rest) << c.s;
        }
    }
}

TEST(StringUtilities, BoundedAllocationAndCopies)
{
    unsigned char* zeroed = (unsigned char*)AllocZeroed(64);
    ASSERT_NE(zeroed, nullptr);
    for (int i = 0; i < 64; i++) ASSERT_EQ(zeroed[i], 0) << "byte " << i;
    std::free(zeroed);
    void* none = AllocZeroed(0);
    EXPECT_NE(none, nullptr);
    std::free(none);

    char* cut = DupBounded(4, "abcdef");
    ASSERT_NE(cut, nullptr);
    EXPECT_STREQ(cut, "abc");
    std::free(cut);
    char* whole = DupBounded(260, "abc");
    ASSERT_NE(whole, nullptr);
    EXPECT_STREQ(whole, "abc");
    std::free(whole);
    EXPECT_EQ(DupBounded(0, "abc"), nullptr);
    EXPECT_EQ(DupBounded(8, nullptr), nullptr);

    std::string longName(1000, 'n');
    char buffer[260];
    EXPECT_EQ(CopyBounded(buffer, sizeof buffer, longName.c_str()), 0);
    EXPECT_EQ(std::strlen(buffer), 259u);
    EXPECT_EQ(CopyBounded(buffer, sizeof buffer, "short"), 1);
    EXPECT_STREQ(buffer, "short");
}

TEST(StringUtilities, CompareIgnoreCase)
{
    EXPECT_EQ(CompareIgnoreCaseAscii("Docs\\A.TXT", "docs\\a.txt"), 0);
    EXPECT_EQ(CompareIgnoreCaseAscii("a", "B"), -1);
    EXPECT_EQ(CompareIgnoreCaseAscii("B", "a"), 1);
    EXPECT_EQ(CompareIgnoreCaseAscii("ab", "a"), 1);
    // Folding goes to lower case: '_' sorts before letters.
    EXPECT_EQ(CompareIgnoreCaseAscii("_x", "Ax"), -1);
}
