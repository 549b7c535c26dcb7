// Member names as their makers stored them. A ZIP name is a byte string whose encoding the
// entry tells only partly: general-purpose bit 11 says UTF-8, an Info-ZIP Unicode path extra
// field (0x7075) carries a UTF-8 copy checked by the CRC-32 of the stored name, and everything
// else is the OEM code page - except that many tools store UTF-8 without saying so. These
// functions turn stored names into wide text and into the ANSI text the program shows, and
// make the bytes new names are stored with.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// How a stored name was read.
enum ZipNameEncoding {
    ZIPNAME_ASCII = 0,          // plain ASCII: every reading agrees
    ZIPNAME_UTF8_FLAG = 1,      // bit 11 set
    ZIPNAME_UNICODE_FIELD = 2,  // the 0x7075 field with a matching checksum
    ZIPNAME_UTF8_GUESSED = 3,   // no mark, but valid UTF-8 with non-ASCII bytes
    ZIPNAME_OEM = 4,            // the OEM code page (CP437 on a Western system)
};

// General-purpose flag bit that marks a UTF-8 name.
enum { ZIP_FLAG_UTF8 = 0x0800 };

// 1 when the len bytes are well-formed UTF-8 (no overlong forms, no surrogates, nothing above
// U+10FFFF), 0 otherwise. An empty text is valid.
int IsValidUtf8(const char* text, size_t len);
// 1 when every byte is below 0x80.
int IsPlainAscii(const char* text, size_t len);

// Finds the Info-ZIP Unicode path field in extra (may be null) and, when its checksum equals
// the CRC-32 of the stored name and its text is valid UTF-8, puts that text into utf8.
// 1 found and usable, 0 not.
int FindUnicodePathField(const unsigned char* extra, size_t extraLen, const char* stored, size_t storedLen,
                         std::string* utf8);

// Decodes a stored name into wide text by the rules above; returns the ZipNameEncoding used.
// wide receives the whole name, however long.
int DecodeZipNameWide(const char* stored, size_t storedLen, uint16_t flag, const unsigned char* extra,
                      size_t extraLen, std::wstring* wide);

// Wide text to the ANSI code page into out (always terminated, cut at a whole character when
// it does not fit). Characters the code page cannot hold become '?', never a look-alike.
// Returns 1 when the text was converted whole and exactly, 0 when it was cut or lossy.
int WideToAnsiName(const std::wstring& wide, char* out, size_t outSize);

// Both at once: the ANSI display text of a stored name. Returns the ZipNameEncoding used; exact
// (may be null) tells whether the ANSI text holds the true name whole.
int DecodeZipNameAnsi(const char* stored, size_t storedLen, uint16_t flag, const unsigned char* extra,
                      size_t extraLen, char* out, size_t outSize, int* exact = nullptr);

// The bytes and flag bits a new name (ANSI text, '/' separators) is stored with: plain ASCII as
// it is with no flag, anything else as UTF-8 with ZIP_FLAG_UTF8. Returns 1, 0 when the text is
// null.
int EncodeZipNameForWriting(const char* ansi, std::string* stored, uint16_t* flagBits);

// Wide text to UTF-8 and back (invalid input gives an empty result).
std::string WideToUtf8(const std::wstring& wide);
std::wstring Utf8ToWide(const char* text, size_t len);
// ANSI text to wide text.
std::wstring AnsiToWide(const char* text);
