// Tests of lang.dll: every identifier in both languages, the storage promises callers rely
// on, the language switch, and the shape that the callers' format strings need.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/langtext.h"
#include "support/testsupport.h"

namespace {

// A text function that takes an identifier, with the identifiers it answers.
struct IdRange {
    const char* name;
    const char* (*fetch)(int);
    int first;
    int last;
};

const IdRange kRanges[] = {
    {"GetMessageText", GetMessageText, 0, 102},
    {"GetGenericText", GetGenericText, 0, 87},
    {"GetConfigurationText", GetConfigurationText, 0, 102},
    {"GetMenuText", GetMenuText, 5001, 5005},
    {"GetMenuItemText", GetMenuItemText, 4001, 4028},
    {"GetPopupText", GetPopupText, 0, 26},
    {"GetStatusWindowToolTipText", GetStatusWindowToolTipText, 0, 5},
    {"GetPluginText", GetPluginText, 0, 9},
    {"GetToolBarText2", GetToolBarText2, 0, 3},
    {"GetToolBarToolTipText2", GetToolBarToolTipText2, 0, 3},
    {"GetLanguageString", GetLanguageString, 0, 1},
};

struct Column {
    const char* name;
    const char* (*fetch)(void);
};

const Column kColumns[] = {
    {"GetDescriptionFilename", GetDescriptionFilename},
    {"GetDescriptionPath", GetDescriptionPath},
    {"GetDescriptionCompressed", GetDescriptionCompressed},
    {"GetDescriptionUncompressed", GetDescriptionUncompressed},
    {"GetDescriptionCompressionRatio", GetDescriptionCompressionRatio},
    {"GetDescriptionDate", GetDescriptionDate},
    {"GetDescriptionType", GetDescriptionType},
    {"GetDescriptionEncrypted", GetDescriptionEncrypted},
};

// An array export with the number of strings it holds.
struct TextArray {
    const char* name;
    const char* const* (*fetch)(void);
    int count;
    bool labels;  // goes into a toolbar's string pool: must end in two NULs
};

const TextArray kArrays[] = {
    {"GetToolBarText", GetToolBarText, 6, true},
    {"GetToolBarToolTipText", GetToolBarToolTipText, 6, false},
    {"GetToolBarText2WI", GetToolBarText2WI, 4, true},
    {"GetToolBarToolTipText2WI", GetToolBarToolTipText2WI, 4, false},
    {"GetConfirmationDialogText", GetConfirmationDialogText, 4, false},
};

const int kLanguages[] = {LANG_CODE_ENGLISH, LANG_CODE_GERMAN};

// Sets a language for one test and restores the previous one afterwards.
class LanguageScope {
public:
    explicit LanguageScope(int code) : saved_(GetLanguage()) { SetLanguage(code); }
    ~LanguageScope() { SetLanguage(saved_); }
    LanguageScope(const LanguageScope&) = delete;
    LanguageScope& operator=(const LanguageScope&) = delete;

private:
    int saved_;
};

// One text of the active language with the name of where it came from.
struct Text {
    std::string where;
    const char* p;
};

std::string Where(const char* name, int id)
{
    return std::string(name) + "(" + std::to_string(id) + ")";
}

// Every text the library hands out in the active language.
std::vector<Text> AllTexts()
{
    std::vector<Text> all;
    for (const IdRange& r : kRanges)
        for (int id = r.first; id <= r.last; ++id)
            all.push_back({Where(r.name, id), r.fetch(id)});
    for (const Column& c : kColumns)
        all.push_back({c.name, c.fetch()});
    all.push_back({"GetConsoleHelpText", GetConsoleHelpText()});
    for (const TextArray& a : kArrays) {
        const char* const* items = a.fetch();
        for (int i = 0; i < a.count; ++i)
            all.push_back({std::string(a.name) + "[" + std::to_string(i) + "]", items[i]});
    }
    return all;
}

const char* LanguageName(int code)
{
    return code == LANG_CODE_GERMAN ? "German" : "English";
}

// Number of printf conversions in text ("%%" is none).
int CountConversions(const char* text)
{
    int count = 0;
    for (const char* s = text; *s; ++s) {
        if (*s != '%')
            continue;
        if (s[1] == '%') {
            ++s;
            continue;
        }
        ++count;
    }
    return count;
}

std::string WithoutMnemonic(const char* text)
{
    std::string out;
    for (const char* s = text; *s; ++s)
        if (*s != '&')
            out += *s;
    return out;
}

std::string LowerAscii(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// True when token stands in text on its own: bounded by the ends, blanks, commas or line breaks.
bool ContainsToken(const std::string& text, const std::string& token)
{
    auto isBound = [](char c) { return c == ' ' || c == ',' || c == '\r' || c == '\n'; };
    for (size_t at = text.find(token); at != std::string::npos; at = text.find(token, at + 1)) {
        bool startOk = at == 0 || isBound(text[at - 1]);
        size_t end = at + token.size();
        bool endOk = end == text.size() || isBound(text[end]);
        if (startOk && endOk)
            return true;
    }
    return false;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Every identifier of every range.

TEST(LangTexts, EveryIdentifierHasATextInBothLanguages)
{
    for (int code : kLanguages) {
        LanguageScope scope(code);
        for (const Text& t : AllTexts()) {
            ASSERT_NE(t.p, nullptr) << LanguageName(code) << " " << t.where;
            EXPECT_GT(std::strlen(t.p), 0u) << LanguageName(code) << " " << t.where;
        }
    }
}

TEST(LangTexts, GermanDiffersFromEnglishExceptForSharedWords)
{
    // Words that read the same in both languages.
    const std::set<std::string> kShared = {
        "GetGenericText(0)",           // "OK"
        "GetGenericText(24)",          // "Details"
        "GetGenericText(32)",          // "Name"
        "GetGenericText(77)",          // "Version"
        "GetGenericText(86)",          // "/" between done and total
        "GetGenericText(87)",          // "MB/s"
        "GetConfigurationText(25)",    // "Integration"
        "GetDescriptionFilename",      // "Name"
    };
    std::vector<Text> english, german;
    {
        LanguageScope scope(LANG_CODE_ENGLISH);
        english = AllTexts();
    }
    {
        LanguageScope scope(LANG_CODE_GERMAN);
        german = AllTexts();
    }
    ASSERT_EQ(english.size(), german.size());
    for (size_t i = 0; i < english.size(); ++i) {
        bool same = std::strcmp(english[i].p, german[i].p) == 0;
        if (kShared.count(english[i].where))
            EXPECT_TRUE(same) << english[i].where << " is listed as shared but differs";
        else
            EXPECT_FALSE(same) << english[i].where << " is not translated: \"" << english[i].p << "\"";
    }
}

// ---------------------------------------------------------------------------------------
// Storage promises.

TEST(LangStorage, DistinctIdentifiersLiveInDistinctStorage)
{
    for (int code : kLanguages) {
        LanguageScope scope(code);
        std::vector<Text> all = AllTexts();
        // Order by address; then no text may reach into the next one, terminator included.
        std::sort(all.begin(), all.end(), [](const Text& a, const Text& b) {
            return reinterpret_cast<uintptr_t>(a.p) < reinterpret_cast<uintptr_t>(b.p);
        });
        for (size_t i = 1; i < all.size(); ++i) {
            uintptr_t end = reinterpret_cast<uintptr_t>(all[i - 1].p) + std::strlen(all[i - 1].p);
            EXPECT_LT(end, reinterpret_cast<uintptr_t>(all[i].p))
                << LanguageName(code) << ": " << all[i - 1].where << " and " << all[i].where
                << " share storage";
        }
    }
}

TEST(LangStorage, TextsStayUnchangedUntilTheNextLanguageSwitch)
{
    for (int code : kLanguages) {
        LanguageScope scope(code);
        std::vector<Text> first = AllTexts();
        std::vector<std::string> copies;
        for (const Text& t : first)
            copies.push_back(t.p);
        // Fetch everything again, with a refused switch in between.
        EXPECT_EQ(SetLanguage(12345), 0);
        std::vector<Text> again = AllTexts();
        ASSERT_EQ(first.size(), again.size());
        for (size_t i = 0; i < first.size(); ++i) {
            EXPECT_EQ(first[i].p, again[i].p) << LanguageName(code) << " " << first[i].where;
            EXPECT_EQ(copies[i], first[i].p) << LanguageName(code) << " " << first[i].where;
        }
    }
}

TEST(LangStorage, OutOfRangeIdentifiersGiveAPlaceholderOfTheirOwn)
{
    for (int code : kLanguages) {
        LanguageScope scope(code);
        std::set<const char*> real;
        for (const Text& t : AllTexts())
            real.insert(t.p);
        for (const IdRange& r : kRanges) {
            const int outside[] = {r.first - 1, r.last + 1, -1, INT_MIN, INT_MAX};
            for (int id : outside) {
                if (id >= r.first && id <= r.last)
                    continue;
                const char* p = r.fetch(id);
                ASSERT_NE(p, nullptr) << LanguageName(code) << " " << Where(r.name, id);
                EXPECT_LT(std::strlen(p), 16u) << Where(r.name, id);
                EXPECT_EQ(real.count(p), 0u)
                    << LanguageName(code) << " " << Where(r.name, id) << " returns a real text";
            }
        }
    }
}

TEST(LangStorage, ToolbarLabelsEndInTwoNuls)
{
    for (int code : kLanguages) {
        LanguageScope scope(code);
        std::vector<Text> labels;
        for (const TextArray& a : kArrays) {
            if (!a.labels)
                continue;
            for (int i = 0; i < a.count; ++i)
                labels.push_back({std::string(a.name) + "[" + std::to_string(i) + "]", a.fetch()[i]});
        }
        for (int id = 0; id <= 3; ++id)
            labels.push_back({Where("GetToolBarText2", id), GetToolBarText2(id)});
        labels.push_back({"GetToolBarText2(out of range)", GetToolBarText2(99)});
        for (const Text& t : labels) {
            size_t len = std::strlen(t.p);
            EXPECT_EQ(t.p[len + 1], '\0') << LanguageName(code) << " " << t.where;
        }
    }
}

// ---------------------------------------------------------------------------------------
// The language switch.

TEST(LangSwitch, KnownCodesSwitchTheTexts)
{
    LanguageScope scope(LANG_CODE_ENGLISH);
    const std::string englishCaption = GetMessageText(94);
    const int codes[] = {LANG_CODE_GERMAN, LANG_CODE_ENGLISH, LANG_CODE_GERMAN};
    for (int code : codes) {
        EXPECT_EQ(SetLanguage(code), 1) << "code " << code;
        EXPECT_EQ(GetLanguage(), code) << "code " << code;
        EXPECT_EQ(GetGCountry() & 0xFF, code) << "code " << code;
        bool english = englishCaption == GetMessageText(94);
        EXPECT_EQ(english, code == LANG_CODE_ENGLISH) << "code " << code;
    }
}

TEST(LangSwitch, UnknownCodeKeepsTheCurrentLanguage)
{
    const int unknown[] = {0, 2, 6, 8, 9, -1, 0x0407, 0x0409, INT_MIN, INT_MAX};
    for (int start : kLanguages) {
        LanguageScope scope(start);
        const char* caption = GetMessageText(94);
        for (int code : unknown) {
            EXPECT_EQ(SetLanguage(code), 0) << "code " << code << " from " << LanguageName(start);
            EXPECT_EQ(GetLanguage(), start) << "code " << code;
            EXPECT_EQ(GetGCountry(), start) << "code " << code;
            EXPECT_EQ(GetMessageText(94), caption) << "code " << code;
        }
    }
}

TEST(LangSwitch, AFreshLibraryStartsInEnglish)
{
    // The imported copy has been switched by other tests; a private copy starts afresh.
    char loaded[MAX_PATH];
    ASSERT_GT(GetModuleFileNameA(GetModuleHandleA("lang.dll"), loaded, sizeof loaded), 0u);
    std::string folder = MakeTempFolder("lang");
    std::string copy = folder + "\\lang_fresh.dll";
    ASSERT_TRUE(CopyFileA(loaded, copy.c_str(), FALSE)) << copy;
    HMODULE fresh = LoadLibraryA(copy.c_str());
    ASSERT_NE(fresh, nullptr) << copy;

    typedef int (*IntFunction)(void);
    typedef const char* (*TextFunction)(int);
    typedef int (*SetFunction)(int);
    auto getLanguage = reinterpret_cast<IntFunction>(GetProcAddress(fresh, "GetLanguage"));
    auto getCountry = reinterpret_cast<IntFunction>(GetProcAddress(fresh, "GetGCountry"));
    auto getMessage = reinterpret_cast<TextFunction>(GetProcAddress(fresh, "GetMessageText"));
    auto setLanguage = reinterpret_cast<SetFunction>(GetProcAddress(fresh, "SetLanguage"));
    ASSERT_TRUE(getLanguage && getCountry && getMessage && setLanguage);

    EXPECT_EQ(getLanguage(), LANG_CODE_ENGLISH);
    EXPECT_EQ(getCountry(), LANG_CODE_ENGLISH);
    {
        LanguageScope scope(LANG_CODE_ENGLISH);
        EXPECT_STREQ(getMessage(94), GetMessageText(94));
    }
    // A stray code on the fresh copy keeps the default too.
    EXPECT_EQ(setLanguage(31), 0);
    EXPECT_EQ(getLanguage(), LANG_CODE_ENGLISH);

    FreeLibrary(fresh);
    RemoveFolderTree(folder);
}

// ---------------------------------------------------------------------------------------
// What the callers' format strings and controls need.

TEST(LangCallSites, NoTextIsAFormatString)
{
    // Callers format with their own strings ("%s \"%s\" %s", "%s %d %s ?", "%I64d %s", ...)
    // and pass the texts as arguments; none of them formats with a text.
    for (int code : kLanguages) {
        LanguageScope scope(code);
        for (const Text& t : AllTexts())
            EXPECT_EQ(CountConversions(t.p), 0) << LanguageName(code) << " " << t.where << ": " << t.p;
    }
}

TEST(LangCallSites, TextsThatTheCallerEndsLeaveThePunctuationOut)
{
    struct Case {
        const char* (*fetch)(int);
        const char* name;
        int id;
        const char* callerFormat;
    };
    const Case cases[] = {
        {GetMessageText, "GetMessageText", 11, "\"%s ?\""},
        {GetMessageText, "GetMessageText", 13, "\"%s %d %s ?\""},
        {GetMessageText, "GetMessageText", 15, "\"%s %s %s ?\" (overwrite)"},
        {GetMessageText, "GetMessageText", 36, "\"%s \\\"%s\\\" %s:\\n%s\""},
        {GetMessageText, "GetMessageText", 75, "\"%s?\\n%s\""},
        {GetMessageText, "GetMessageText", 76, "\"%s?\\n%s\""},
        {GetGenericText, "GetGenericText", 47, "\"%s (1..%s):\""},
        {GetGenericText, "GetGenericText", 78, "\"%s: \\\"%s\\\"\""},
        {GetGenericText, "GetGenericText", 79, "\"%s: \\\"%s\\\"\""},
    };
    for (int code : kLanguages) {
        LanguageScope scope(code);
        for (const Case& c : cases) {
            std::string text = c.fetch(c.id);
            ASSERT_FALSE(text.empty());
            char last = text.back();
            EXPECT_TRUE(std::strchr("?:. \r\n", last) == nullptr)
                << LanguageName(code) << " " << Where(c.name, c.id) << " ends in '" << last
                << "' but is placed in " << c.callerFormat;
        }
    }
}

TEST(LangCallSites, OverwriteButtonsFitTheButtonBox)
{
    // The button box cuts captions to 15 characters; the five answers must stay apart.
    for (int code : kLanguages) {
        LanguageScope scope(code);
        const char* const* captions = GetConfirmationDialogText();
        std::set<std::string> seen;
        for (int i = 0; i < 5; ++i) {
            EXPECT_LE(std::strlen(captions[i]), 15u) << LanguageName(code) << " button " << i;
            EXPECT_TRUE(seen.insert(captions[i]).second) << LanguageName(code) << " button " << i;
        }
    }
}

TEST(LangCallSites, SingleLineTextsHaveNoLineBreakAndDifferWithinTheirGroup)
{
    // Columns are found by their header text; menus, toolbars and buttons would be ambiguous.
    struct Group {
        const char* name;
        std::vector<Text> texts;
        bool ignoreCase;
    };
    for (int code : kLanguages) {
        LanguageScope scope(code);
        std::vector<Group> groups;
        Group columns{"column headers", {}, true};
        for (const Column& c : kColumns)
            columns.texts.push_back({c.name, c.fetch()});
        groups.push_back(columns);
        Group menus{"menus", {}, true};
        for (int id = 5001; id <= 5005; ++id)
            menus.texts.push_back({Where("GetMenuText", id), GetMenuText(id)});
        groups.push_back(menus);
        Group items{"menu items", {}, true};
        for (int id = 4001; id <= 4028; ++id)
            items.texts.push_back({Where("GetMenuItemText", id), GetMenuItemText(id)});
        groups.push_back(items);
        Group popups{"pop-up items", {}, true};
        for (int id = 0; id <= 26; ++id)
            popups.texts.push_back({Where("GetPopupText", id), GetPopupText(id)});
        groups.push_back(popups);
        for (const TextArray& a : kArrays) {
            Group g{a.name, {}, true};
            for (int i = 0; i < a.count; ++i)
                g.texts.push_back({std::string(a.name) + "[" + std::to_string(i) + "]", a.fetch()[i]});
            groups.push_back(g);
        }
        Group languages{"language names", {}, true};
        for (int id = 0; id <= 1; ++id)
            languages.texts.push_back({Where("GetLanguageString", id), GetLanguageString(id)});
        groups.push_back(languages);

        for (const Group& g : groups) {
            std::set<std::string> seen;
            for (const Text& t : g.texts) {
                EXPECT_EQ(std::strpbrk(t.p, "\r\n"), nullptr) << LanguageName(code) << " " << t.where;
                std::string key = WithoutMnemonic(t.p);
                if (g.ignoreCase)
                    key = LowerAscii(key);
                EXPECT_TRUE(seen.insert(key).second)
                    << LanguageName(code) << " " << g.name << ": " << t.where << " repeats \"" << t.p << "\"";
            }
        }
    }
}

TEST(LangEncoding, TextsAreAnsiWithoutControlCharacters)
{
    // German umlauts are single Windows-1252 bytes; a UTF-8 pair (lead 0xC2-0xDF followed by
    // a continuation byte) would show as two wrong characters in the ANSI controls.
    for (int code : kLanguages) {
        LanguageScope scope(code);
        for (const Text& t : AllTexts()) {
            const unsigned char* s = reinterpret_cast<const unsigned char*>(t.p);
            for (size_t i = 0; s[i]; ++i) {
                bool utf8Pair = s[i] >= 0xC2 && s[i] <= 0xDF && s[i + 1] >= 0x80 && s[i + 1] <= 0xBF;
                EXPECT_FALSE(utf8Pair) << LanguageName(code) << " " << t.where << " at " << i;
                bool control = s[i] < 0x20 && s[i] != '\r' && s[i] != '\n';
                EXPECT_FALSE(control) << LanguageName(code) << " " << t.where << " at " << i;
            }
        }
    }
}

TEST(LangHelp, ConsoleHelpNamesEveryCommandLineForm)
{
    const char* const options[] = {"-x", "-a", "-as", "-asim", "-c", "-cs", "-s", "-csim",
                                   "-h", "-help", "--help", "/help"};
    for (int code : kLanguages) {
        LanguageScope scope(code);
        std::string help = GetConsoleHelpText();
        for (const char* option : options)
            EXPECT_TRUE(ContainsToken(help, option)) << LanguageName(code) << " help lacks " << option;
        // The text goes into a multi-line edit control: lines end in CR LF.
        for (size_t i = help.find('\n'); i != std::string::npos; i = help.find('\n', i + 1))
            EXPECT_TRUE(i > 0 && help[i - 1] == '\r') << LanguageName(code) << " bare LF at " << i;
    }
}
