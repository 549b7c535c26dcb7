// Recognising the format of an archive file: by the name's suffix first, then by the
// first bytes. The detection itself shows nothing; DetectArchiveFormatOrTell is the
// open operation's wrapper that tells the user when a file is not supported.
#pragma once
#include <windows.h>
#include <cstddef>

// Format by suffix alone (ASCII case ignored): CM_ZIP, CM_TAR, CM_ISO, CM_RAR, or CM_NONE
// when no suffix matches. Also used by the command line.
int DetectFormatByName(const char* fileName);
// Format by the first bytes of a file: CM_ZIP when more than 4 bytes are given and they
// start with 'P' 'K' {3|5} {4|6}; else CM_NONE.
int DetectFormatByContent(const unsigned char* head, size_t count);
// Reads at most max bytes from the start of the file into head; returns the number read,
// or -1 when the file cannot be opened or read.
int ReadFileHead(const char* fileName, unsigned char* head, size_t max);
// The whole detection: the suffix, else the first 512 bytes. CM_NONE for unknown, empty,
// short or unreadable files. Shows nothing.
int DetectArchiveFormat(const char* fileName);
// DetectArchiveFormat, and on CM_NONE the "not supported" notice (language text 71) through
// the prompts seam, owned by owner (null: the main window, else the foreground window).
// Returns the format; clearing the caller's busy flags stays with the caller.
int DetectArchiveFormatOrTell(const char* fileName, HWND owner);
