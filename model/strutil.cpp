#include "model/strutil.h"

#include <cstdlib>
#include <cstring>

static char FoldLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? (char)(c - 'A' + 'a') : c;
}

int EndsWith(const char* s, const char* suffix)
{
    if (!s || !suffix) return 0;
    size_t n = std::strlen(s), m = std::strlen(suffix);
    if (m > n) return 0;
    return std::memcmp(s + n - m, suffix, m) == 0 ? 1 : 0;
}

int EndsWithIgnoreCase(const char* s, const char* suffix)
{
    if (!s || !suffix) return 0;
    size_t n = std::strlen(s), m = std::strlen(suffix);
    if (m > n) return 0;
    const char* tail = s + n - m;
    for (size_t i = 0; i < m; i++)
        if (FoldLower(tail[i]) != FoldLower(suffix[i])) return 0;
    return 1;
}

int StartsWith(const char* s, const char* prefix, int ignoreCase)
{
    if (!s || !prefix) return 0;
    for (; *prefix; s++, prefix++) {
        if (!*s) return 0;
        char a = ignoreCase ? FoldLower(*s) : *s;
        char b = ignoreCase ? FoldLower(*prefix) : *prefix;
        if (a != b) return 0;
    }
    return 1;
}

int ReplaceChar(char* s, char from, char to)
{
    if (!s) return 0;
    int n = 0;
    for (; *s; s++) {
        if (*s == from) { *s = to; n++; }
    }
    return n;
}

int CountChar(const char* s, char c)
{
    if (!s || !*s) return 0;
    int n = 0;
    for (s++; *s; s++)
        if (*s == c) n++;
    return n;
}

char* LowerAscii(char* s)
{
    if (!s) return s;
    for (char* p = s; *p; p++) *p = FoldLower(*p);
    return s;
}

char* UpperAscii(char* s)
{
    if (!s) return s;
    for (char* p = s; *p; p++)
        if (*p >= 'a' && *p <= 'z') *p = (char)(*p - 'a' + 'A');
    return s;
}

const char* AfterLast(const char* s, char c)
{
    if (!s) return nullptr;
    const char* p = std::strrchr(s, c);
    return p ? p + 1 : nullptr;
}

const char* StripPrefix(const char* s, const char* prefix, char separator)
{
    if (!StartsWith(s, prefix, 0)) return nullptr;
    const char* rest = s + std::strlen(prefix);
    if (*rest == separator && separator != '\0') rest++;
    return rest;
}

int RemoveChar(char* s, char c)
{
    if (!s) return 0;
    char* out = s;
    int removed = 0;
    for (char* in = s; *in; in++) {
        if (*in == c) { removed++; continue; }
        *out++ = *in;
    }
    *out = '\0';
    return removed;
}

void* AllocZeroed(size_t n)
{
    return std::calloc(1, n ? n : 1);
}

char* DupBounded(size_t n, const char* s)
{
    if (n == 0 || !s) return nullptr;
    char* copy = (char*)std::malloc(n);
    if (!copy) return nullptr;
    CopyBounded(copy, n, s);
    return copy;
}

int CopyBounded(char* dst, size_t dstSize, const char* src)
{
    if (!dst || dstSize == 0) return 0;
    if (!src) { dst[0] = '\0'; return 1; }
    size_t i = 0;
    for (; i + 1 < dstSize && src[i]; i++) dst[i] = src[i];
    dst[i] = '\0';
    return src[i] == '\0' ? 1 : 0;
}

int CompareIgnoreCaseAscii(const char* a, const char* b)
{
    for (;; a++, b++) {
        unsigned char x = (unsigned char)FoldLower(*a), y = (unsigned char)FoldLower(*b);
        if (x != y) return x < y ? -1 : 1;
        if (!x) return 0;
    }
}
