// Decoding and encoding of member names (see zipnames.h).
#include "zip/zipnames.h"

#include <windows.h>

#include <cstring>

#include <zlib.h>

namespace {

const uint16_t kUnicodePathField = 0x7075;

uint16_t Get16(const unsigned char* p)
{
    return (uint16_t)(p[0] | (p[1] << 8));
}

uint32_t Get32(const unsigned char* p)
{
    return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24);
}

std::wstring CodePageToWide(UINT codePage, const char* text, size_t len)
{
    if (!text || len == 0) return std::wstring();
    int n = MultiByteToWideChar(codePage, 0, text, (int)len, nullptr, 0);
    if (n <= 0) return std::wstring();
    std::wstring wide((size_t)n, L'\0');
    MultiByteToWideChar(codePage, 0, text, (int)len, &wide[0], n);
    return wide;
}

}  // namespace

int IsPlainAscii(const char* text, size_t len)
{
    for (size_t i = 0; i < len; ++i)
        if ((unsigned char)text[i] >= 0x80) return 0;
    return 1;
}

int IsValidUtf8(const char* text, size_t len)
{
    const unsigned char* s = (const unsigned char*)text;
    size_t i = 0;
    while (i < len) {
        unsigned char c = s[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        size_t need;
        uint32_t cp;
        if (c >= 0xC2 && c <= 0xDF) {
            need = 1;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            need = 2;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            need = 3;
            cp = c & 0x07;
        } else {
            return 0;  // a continuation byte first, an overlong lead (C0, C1) or beyond F4
        }
        if (len - i <= need) return 0;  // the character is cut off
        for (size_t k = 1; k <= need; ++k) {
            if ((s[i + k] & 0xC0) != 0x80) return 0;
            cp = (cp << 6) | (s[i + k] & 0x3F);
        }
        if ((need == 2 && cp < 0x800) || (need == 3 && cp < 0x10000)) return 0;  // overlong
        if (cp >= 0xD800 && cp <= 0xDFFF) return 0;                              // surrogate
        if (cp > 0x10FFFF) return 0;
        i += need + 1;
    }
    return 1;
}

std::wstring Utf8ToWide(const char* text, size_t len)
{
    if (!text || !IsValidUtf8(text, len)) return std::wstring();
    return CodePageToWide(CP_UTF8, text, len);
}

std::string WideToUtf8(const std::wstring& wide)
{
    if (wide.empty()) return std::string();
    int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), (int)wide.size(), nullptr, 0, nullptr, nullptr);
    if (n <= 0) return std::string();
    std::string out((size_t)n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), (int)wide.size(), &out[0], n, nullptr, nullptr);
    return out;
}

std::wstring AnsiToWide(const char* text)
{
    return text ? CodePageToWide(CP_ACP, text, strlen(text)) : std::wstring();
}

int FindUnicodePathField(const unsigned char* extra, size_t extraLen, const char* stored, size_t storedLen,
                         std::string* utf8)
{
    if (!extra) return 0;
    size_t pos = 0;
    while (pos + 4 <= extraLen) {
        uint16_t id = Get16(extra + pos);
        size_t size = Get16(extra + pos + 2);
        if (pos + 4 + size > extraLen) return 0;  // a cut field: read nothing from it
        const unsigned char* body = extra + pos + 4;
        if (id == kUnicodePathField && size >= 5 && body[0] == 1) {
            // The field belongs to this name only while the stored name is the one it was made
            // for: a tool that renamed the entry without knowing the field leaves a stale copy.
            uint32_t crc = (uint32_t)crc32(0L, (const Bytef*)stored, (uInt)storedLen);
            const char* text = (const char*)body + 5;
            size_t textLen = size - 5;
            if (Get32(body + 1) == crc && textLen > 0 && IsValidUtf8(text, textLen)) {
                if (utf8) utf8->assign(text, textLen);
                return 1;
            }
            return 0;
        }
        pos += 4 + size;
    }
    return 0;
}

int DecodeZipNameWide(const char* stored, size_t storedLen, uint16_t flag, const unsigned char* extra,
                      size_t extraLen, std::wstring* wide)
{
    std::wstring local;
    if (!wide) wide = &local;
    wide->clear();
    if (!stored) storedLen = 0;
    if (flag & ZIP_FLAG_UTF8) {
        if (IsValidUtf8(stored, storedLen)) {
            *wide = CodePageToWide(CP_UTF8, stored, storedLen);
            return ZIPNAME_UTF8_FLAG;
        }
        // A name flagged UTF-8 that is none: read it as the OEM bytes it most likely is.
    }
    std::string field;
    if (FindUnicodePathField(extra, extraLen, stored, storedLen, &field)) {
        *wide = CodePageToWide(CP_UTF8, field.data(), field.size());
        return ZIPNAME_UNICODE_FIELD;
    }
    if (IsPlainAscii(stored, storedLen)) {
        wide->assign(stored, stored + storedLen);
        return ZIPNAME_ASCII;
    }
    if (IsValidUtf8(stored, storedLen)) {
        *wide = CodePageToWide(CP_UTF8, stored, storedLen);
        return ZIPNAME_UTF8_GUESSED;
    }
    *wide = CodePageToWide(CP_OEMCP, stored, storedLen);
    return ZIPNAME_OEM;
}

int WideToAnsiName(const std::wstring& wide, char* out, size_t outSize)
{
    if (!out || outSize == 0) return 0;
    out[0] = '\0';
    if (wide.empty()) return 1;
    BOOL lossy = FALSE;
    // No best fit: a name the code page cannot hold must never turn into another real name
    // ("Ā" into "A"); '?' cannot be part of a Windows file name, so it cannot collide unseen.
    int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), (int)wide.size(), nullptr, 0, "?", &lossy);
    if (n <= 0) return 0;
    std::string ansi((size_t)n, '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), (int)wide.size(), &ansi[0], n, "?", &lossy);
    size_t cut = ansi.size();
    int whole = 1;
    if (cut > outSize - 1) {
        whole = 0;
        // Cut at a whole character: step over double-byte characters of the code page.
        size_t pos = 0;
        while (pos < ansi.size()) {
            size_t step = IsDBCSLeadByte((BYTE)ansi[pos]) ? 2 : 1;
            if (pos + step > outSize - 1) break;
            pos += step;
        }
        cut = pos;
    }
    memcpy(out, ansi.data(), cut);
    out[cut] = '\0';
    return whole && !lossy;
}

int DecodeZipNameAnsi(const char* stored, size_t storedLen, uint16_t flag, const unsigned char* extra,
                      size_t extraLen, char* out, size_t outSize, int* exact)
{
    std::wstring wide;
    int encoding = DecodeZipNameWide(stored, storedLen, flag, extra, extraLen, &wide);
    int whole = WideToAnsiName(wide, out, outSize);
    if (exact) *exact = whole;
    return encoding;
}

int EncodeZipNameForWriting(const char* ansi, std::string* stored, uint16_t* flagBits)
{
    if (!ansi || !stored) return 0;
    size_t len = strlen(ansi);
    if (IsPlainAscii(ansi, len)) {
        stored->assign(ansi, len);
        if (flagBits) *flagBits = 0;
        return 1;
    }
    *stored = WideToUtf8(AnsiToWide(ansi));
    if (flagBits) *flagBits = ZIP_FLAG_UTF8;
    return 1;
}
