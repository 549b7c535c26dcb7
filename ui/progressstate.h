// Process-wide state of the progress dialog, shared by the starting thread, the dialog thread
// and the worker. Ordering rests on polling (10 ms steps), not on locks; every word is atomic
// so that no read is torn or cached. Only the progress files include this.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <atomic>
#include <mutex>

struct ProgressState {
    std::atomic<HWND> dialog{nullptr};      // current dialog; none when no dialog runs
    std::atomic<int> canceled{0};           // 1 after the user pressed Cancel or closed it
    std::atomic<int> minimum{-1};           // -1: not yet given for this dialog
    std::atomic<int> maximum{-1};
    std::atomic<int> show{1};               // 0: keep the dialog hidden
    std::atomic<int> initialising{0};       // 1 while the dialog builds its controls
    std::atomic<int> pendingHeading{0};     // a heading waits for the next dialog
    std::mutex pendingHeadingLock;          // guards the text, which a flag cannot publish whole
    char pendingHeadingText[260] = {};
    std::atomic<int> pendingBarMode{0};     // a bar-mode request waits for the next dialog
    std::atomic<int> pendingBarValue{0};    // 1 = marquee
    std::atomic<int> expanded{0};           // detail line shown
    std::atomic<int> pressed{0};            // left button went down on the glyph
    std::atomic<HFONT> headingFont{nullptr};  // created once, kept for the process
    std::atomic<HIMAGELIST> glyphList{nullptr};     // handed over by the main window
    std::atomic<int> glyphCollapsed{0};
    std::atomic<int> glyphExpanded{1};
    std::atomic<HIMAGELIST> ownGlyphList{nullptr};  // loaded from bitmaps 164 and 165
    std::atomic<int> ownGlyphTried{0};
};

extern ProgressState GProgress;

// A plain diagnostic line on standard output, written whole.
void PrintProgressLine(const char* format, ...)
#ifdef __GNUC__
    __attribute__((format(gnu_printf, 1, 2)))
#endif
    ;

// Forgets the current dialog and its bounds.
void ResetProgressState(void);
