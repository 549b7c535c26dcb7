// A real report list view with the program's eight columns, inside a parent window that
// releases row records on LVN_DELETEITEM as the main window does.
#pragma once
#include <windows.h>
#include <string>

struct ListHost {
    HWND parent = nullptr;
    HWND list = nullptr;
};

// Creates the parent and the list (columns 0-7) on the calling thread; prepared for batches
// unless prepare is 0. Returns false when a window cannot be created.
bool CreateListHost(ListHost* host, int prepare = 1);
// Destroys both windows (the list releases its rows' records).
void DestroyListHost(ListHost* host);
// Text of one cell, read back with LVM_GETITEMTEXT into a 260-byte buffer.
std::string CellText(HWND list, int row, int column);
// Row count.
int RowCount(HWND list);
// Appends a row with the eight given texts and no record (for key tests).
int AppendRawRow(HWND list, const char* const texts[8]);
