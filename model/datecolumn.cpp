#include "model/datecolumn.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <unordered_map>

#include "model/liststruct.h"
#include "model/strutil.h"

namespace {

// What the reading needs of a locale, asked once per locale.
struct LocaleDateParts {
    LCID locale = LOCALE_SYSTEM_DEFAULT;
    bool loaded = false;
    char picture[128] = "";     // widened short-date picture
    std::string monthNames[12][3];  // full, abbreviated, genitive
    std::string dayNames[7][2];     // full, abbreviated
};

struct Reading {
    SYSTEMTIME time;
    int exact;
};

std::mutex gDateLock;
LCID gLocale = LOCALE_SYSTEM_DEFAULT;
LocaleDateParts gParts;
std::unordered_map<std::string, Reading> gReadings;

// Widens every unquoted run of one or two 'y' to "yyyy".
void WidenYears(const char* picture, char* out, size_t outSize)
{
    std::string result;
    bool quoted = false;
    for (const char* p = picture; *p;) {
        if (*p == '\'') {
            quoted = !quoted;
            result.push_back(*p++);
            continue;
        }
        if (!quoted && *p == 'y') {
            size_t run = 0;
            while (p[run] == 'y') run++;
            result.append(run <= 2 ? 4 : run, 'y');
            p += run;
            continue;
        }
        result.push_back(*p++);
    }
    CopyBounded(out, outSize, result.c_str());
}

std::string LocaleText(LCID locale, LCTYPE type)
{
    char text[128] = "";
    if (!GetLocaleInfoA(locale, type, text, sizeof text)) return std::string();
    return text;
}

// Called with gDateLock held.
LocaleDateParts& PartsOfLocale(void)
{
    if (gParts.loaded && gParts.locale == gLocale) return gParts;
    gParts = LocaleDateParts();
    gParts.locale = gLocale;
    gParts.loaded = true;
    char picture[128] = "";
    if (GetLocaleInfoA(gLocale, LOCALE_SSHORTDATE, picture, sizeof picture))
        WidenYears(picture, gParts.picture, sizeof gParts.picture);
    for (int m = 0; m < 12; m++) {
        gParts.monthNames[m][0] = LocaleText(gLocale, LOCALE_SMONTHNAME1 + m);
        gParts.monthNames[m][1] = LocaleText(gLocale, LOCALE_SABBREVMONTHNAME1 + m);
        gParts.monthNames[m][2] = LocaleText(gLocale, (LOCALE_SMONTHNAME1 + m) | LOCALE_RETURN_GENITIVE_NAMES);
    }
    for (int d = 0; d < 7; d++) {
        gParts.dayNames[d][0] = LocaleText(gLocale, LOCALE_SDAYNAME1 + d);
        gParts.dayNames[d][1] = LocaleText(gLocale, LOCALE_SABBREVDAYNAME1 + d);
    }
    return gParts;
}

// Reads at most maxDigits digits; -1 when there is none.
int ReadNumber(const char*& s, int maxDigits)
{
    if (!std::isdigit((unsigned char)*s)) return -1;
    int value = 0;
    for (int n = 0; n < maxDigits && std::isdigit((unsigned char)*s); n++) value = value * 10 + (*s++ - '0');
    return value;
}

// Index of the longest name that the text starts with (case-insensitive), -1 for none; s
// is moved past it.
template <size_t Forms>
int ReadName(const char*& s, const std::string (*names)[Forms], int count)
{
    int best = -1;
    size_t bestLength = 0;
    for (int i = 0; i < count; i++) {
        for (size_t f = 0; f < Forms; f++) {
            const std::string& name = names[i][f];
            if (name.empty() || name.size() <= bestLength) continue;
            if (_strnicmp(s, name.c_str(), name.size()) == 0) {
                best = i;
                bestLength = name.size();
            }
        }
    }
    s += bestLength;
    return best;
}

// Reads the date part of text along picture; on success s points behind it.
bool ReadDateAlongPicture(const char*& s, const LocaleDateParts& parts, SYSTEMTIME* st)
{
    const char* p = parts.picture;
    if (!*p) return false;
    bool haveDay = false, haveMonth = false, haveYear = false;
    while (*p) {
        char c = *p;
        if (c == '\'') {
            // Quoted literal; '' stands for one quote.
            p++;
            while (*p) {
                if (*p == '\'') {
                    if (p[1] != '\'') {
                        p++;
                        break;
                    }
                    p++;
                }
                if (*s == *p) s++;
                p++;
            }
            continue;
        }
        if (c == 'd' || c == 'M' || c == 'y' || c == 'g') {
            int run = 0;
            while (p[run] == c) run++;
            p += run;
            if (c == 'd' && run <= 2) {
                int day = ReadNumber(s, 2);
                if (day < 0) return false;
                st->wDay = (WORD)day;
                haveDay = true;
            } else if (c == 'd') {
                if (ReadName(s, parts.dayNames, 7) < 0) return false;
            } else if (c == 'M' && run <= 2) {
                int month = ReadNumber(s, 2);
                if (month < 0) return false;
                st->wMonth = (WORD)month;
                haveMonth = true;
            } else if (c == 'M') {
                int month = ReadName(s, parts.monthNames, 12);
                if (month < 0) return false;
                st->wMonth = (WORD)(month + 1);
                haveMonth = true;
            } else if (c == 'y') {
                int year = ReadNumber(s, run <= 2 ? 2 : 5);
                if (year < 0) return false;
                st->wYear = (WORD)year;
                haveYear = true;
            } else {
                // Era name: whatever stands before the next digit or blank.
                while (*s && !std::isdigit((unsigned char)*s) && *s != ' ') s++;
            }
            continue;
        }
        // Any other picture character stands for itself.
        if (*s == c) s++;
        p++;
    }
    return haveDay && haveMonth && haveYear;
}

// Hour and minute: the first two numbers of the time part.
bool ReadTime(const char* s, SYSTEMTIME* st)
{
    int values[2];
    for (int i = 0; i < 2; i++) {
        while (*s && !std::isdigit((unsigned char)*s)) s++;
        values[i] = ReadNumber(s, 2);
        if (values[i] < 0) return false;
    }
    st->wHour = (WORD)values[0];
    st->wMinute = (WORD)values[1];
    return true;
}

bool ReadAlongLocale(const char* text, const LocaleDateParts& parts, SYSTEMTIME* st)
{
    std::memset(st, 0, sizeof *st);
    const char* s = text;
    if (!ReadDateAlongPicture(s, parts, st)) return false;
    return ReadTime(s, st);
}

bool WritesBack(const SYSTEMTIME* st, const char* text)
{
    char again[64];
    FormatDateColumnText(st, again, sizeof again);
    return std::strcmp(again, text) == 0;
}

// Calendars other than the Gregorian one (Thai, Korean, Taiwanese years) count years from
// another start: learn the difference from a known date written the same way.
int YearOffsetOfLocale(const LocaleDateParts& parts)
{
    SYSTEMTIME known = {};
    known.wYear = 2000;
    known.wMonth = 6;
    known.wDay = 15;
    known.wHour = 12;
    known.wMinute = 34;
    char text[64];
    if (!FormatDateColumnText(&known, text, sizeof text)) return 0;
    SYSTEMTIME read;
    if (!ReadAlongLocale(text, parts, &read)) return 0;
    return (int)read.wYear - 2000;
}

Reading ReadDateColumnText(const char* text, const LocaleDateParts& parts)
{
    Reading reading = {};
    SYSTEMTIME st;
    bool read = ReadAlongLocale(text, parts, &st);
    if (read) {
        reading.time = st;
        if (WritesBack(&st, text)) {
            reading.exact = 1;
            return reading;
        }
        int offset = YearOffsetOfLocale(parts);
        if (offset != 0 && (int)st.wYear - offset > 0) {
            SYSTEMTIME shifted = st;
            shifted.wYear = (WORD)((int)st.wYear - offset);
            if (WritesBack(&shifted, text)) {
                reading.time = shifted;
                reading.exact = 1;
                return reading;
            }
        }
    }
    // An impossible date is written as plain numbers.
    unsigned day, month, year, hour, minute;
    char tail;
    if (std::sscanf(text, "%2u.%2u.%4u %2u:%2u%c", &day, &month, &year, &hour, &minute, &tail) == 5) {
        SYSTEMTIME plain = {};
        plain.wDay = (WORD)day;
        plain.wMonth = (WORD)month;
        plain.wYear = (WORD)year;
        plain.wHour = (WORD)hour;
        plain.wMinute = (WORD)minute;
        if (WritesBack(&plain, text)) {
            reading.time = plain;
            reading.exact = 1;
            return reading;
        }
        if (!read) reading.time = plain;
    }
    return reading;
}

}  // namespace

LCID GetDateColumnLocale(void)
{
    std::lock_guard<std::mutex> lock(gDateLock);
    return gLocale;
}

LCID SetDateColumnLocale(LCID locale)
{
    std::lock_guard<std::mutex> lock(gDateLock);
    LCID previous = gLocale;
    gLocale = locale;
    gParts.loaded = false;
    gReadings.clear();
    return previous;
}

int GetDateColumnPicture(char* out, size_t outSize)
{
    if (!out || outSize == 0) return 0;
    std::lock_guard<std::mutex> lock(gDateLock);
    const LocaleDateParts& parts = PartsOfLocale();
    if (!parts.picture[0] || !CopyBounded(out, outSize, parts.picture)) {
        out[0] = '\0';
        return 0;
    }
    return 1;
}

int ParseDateColumnText(const char* text, SYSTEMTIME* out)
{
    if (!out) return 0;
    std::memset(out, 0, sizeof *out);
    if (!text || !*text) return 0;
    LocaleDateParts parts;
    {
        std::lock_guard<std::mutex> lock(gDateLock);
        auto it = gReadings.find(text);
        if (it != gReadings.end()) {
            *out = it->second.time;
            return it->second.exact;
        }
        parts = PartsOfLocale();
    }
    // Reading writes the date again (FormatDateColumnText takes the lock): read unlocked.
    Reading reading = ReadDateColumnText(text, parts);
    {
        std::lock_guard<std::mutex> lock(gDateLock);
        // Dates repeat within an archive; a bounded memory of readings is enough.
        if (gReadings.size() > 100000) gReadings.clear();
        if (parts.locale == gLocale) gReadings.emplace(text, reading);
    }
    *out = reading.time;
    return reading.exact;
}
