// What history.dll's dialog reads of the store (history.cpp).
#pragma once
#include <windows.h>

#include <string>
#include <vector>

struct HistoryItemView {
    FILETIME time;
    std::string folder;
    std::string archive;
    std::vector<std::string> files;
};

// The items known now, oldest first.
std::vector<HistoryItemView> HistSnapshot(void);
// 1 while the store is encrypted and no password has opened it yet.
int HistIsLocked(void);
// See UnlockHistory.
int HistUnlock(const char* password, int length);
// The language chosen by SetLanguage (7 German).
int HistLanguage(void);
// The window given to SetMainWindow.
HWND HistMainWindow(void);
