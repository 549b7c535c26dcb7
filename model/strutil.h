// String helpers shared by every subsystem. All accept null arguments and then do nothing
// (or answer 0 / null); none of them writes past a size it is given.
#pragma once
#include <cstddef>

// 1 when suffix is a tail of s (case-sensitive; an empty suffix is a tail of every s), else 0.
int EndsWith(const char* s, const char* suffix);
// The same with ASCII case folding.
int EndsWithIgnoreCase(const char* s, const char* suffix);
// 1 when s begins with prefix; ignoreCase folds A-Z/a-z only. Else 0.
int StartsWith(const char* s, const char* prefix, int ignoreCase);
// Replaces every from by to in s, in place; returns the number of characters replaced.
int ReplaceChar(char* s, char from, char to);
// Number of c in s counted from the second character on (a leading c is not counted).
int CountChar(const char* s, char c);
// Folds A-Z to a-z (LowerAscii) or a-z to A-Z (UpperAscii) in place; returns s.
char* LowerAscii(char* s);
char* UpperAscii(char* s);
// The text after the last c in s (points into s), or null when s holds no c.
const char* AfterLast(const char* s, char c);
// The rest of s after prefix and one separator following it (the separator is skipped only
// when present); points into s. Null when s does not begin with prefix.
const char* StripPrefix(const char* s, const char* prefix, char separator);
// Removes every c from s, in place; returns the number removed.
int RemoveChar(char* s, char c);
// n zeroed bytes (at least one) from malloc's heap, released with free(); null when out of memory.
void* AllocZeroed(size_t n);
// A new buffer of n bytes holding at most n-1 characters of s and a NUL; released with free().
// Null when n is 0, s is null or memory is short.
char* DupBounded(size_t n, const char* s);
// Copies at most dstSize-1 characters of src into dst and terminates it (dst is "" for a null
// src). Returns 1 when all of src fitted, 0 when it was cut or dst/dstSize is unusable.
int CopyBounded(char* dst, size_t dstSize, const char* src);
// Case-insensitive ASCII compare of two strings: -1, 0 or 1.
int CompareIgnoreCaseAscii(const char* a, const char* b);
