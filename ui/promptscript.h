// Scripted answers for the prompts seam, for tests of any part of the program: a queue of
// answers handed out in order and a record of every question asked. While a script is
// installed no real dialog opens; a question without a fitting answer is answered as
// cancelled and counted as unanswered. Safe to use from worker threads.
#pragma once
#include <windows.h>

#include "ui/promptdialogs.h"

// The kind of a question: one per GPrompts slot.
enum PromptKind {
    PROMPT_KIND_ANY = 0,  // as an answer: fits whatever is asked next
    PROMPT_KIND_MESSAGE_BOX,
    PROMPT_KIND_OPEN_FILE,
    PROMPT_KIND_SAVE_FILE,
    PROMPT_KIND_BROWSE_FOLDER,
    PROMPT_KIND_SET_PASSWORD,
    PROMPT_KIND_PASSWORD,
    PROMPT_KIND_BUTTON_BOX,
    PROMPT_KIND_FILE_FILTER,
    PROMPT_KIND_LINE_NUMBER,
    PROMPT_KIND_RENAME_FOLDER,
    PROMPT_KIND_CHOOSE_COLOR,
    PROMPT_KIND_CHOOSE_FONT,
    PROMPT_KIND_PRINT,
    PROMPT_KIND_MODAL_DIALOG,
};

// One question as the script saw it.
struct PromptQuestion {
    int kind;          // PromptKind
    HWND owner;
    char caption[260];  // caption or title; the name of a modal dialog
    char text[1024];    // message text; a file dialog's initial name; a folder browser's start
                        // folder; the exchange text a line-number or rename dialog was given
    UINT type;          // message-box type; file-dialog OFN_ flags
    char filter[260];   // file dialogs: the filter pairs joined by '|'
    char defaultExt[16];
    int buttonCount;    // button box
    char buttons[BUTTONBOX_MAX_BUTTONS][BUTTONBOX_CAPTION_CHARS + 1];
    int iconKind;
    int defaultIndex;
    int answered;  // 1 when a scripted answer was used, 0 when it was answered as cancelled
    int result;    // what the seam returned
};

// Installs the script in every slot of GPrompts and empties queue and record.
void BeginPromptScript(void);
// Puts the real dialogs back (ResetPromptsToDialogs) and empties queue and record.
void EndPromptScript(void);

// Queues an answer. result is what the slot returns (IDYES, a button index, PROMPT_OK, 1 for
// a chosen file, ...). text (may be null) is what the answer hands back: the password (set
// as the global password on PROMPT_OK), the filter text (made the global filter set on
// PROMPT_OK), the line number, the new folder path, the chosen file or folder; the strings
// of a multiple file selection (folder, then the files) are separated by '\n'.
void ScriptPromptAnswer(int kind, int result, const char* text);
// The same with a value: the chosen colour (colour chooser) or the font colour (font chooser,
// whose text is the face name).
void ScriptPromptAnswerValue(int kind, int result, const char* text, COLORREF value);

// Number of questions asked since BeginPromptScript.
int ScriptedQuestionCount(void);
// Copies question index (0 = first asked) into out; 0 when there is no such question.
int GetScriptedQuestion(int index, PromptQuestion* out);
// Answers still queued.
int ScriptedAnswersLeft(void);
// Questions answered as cancelled because no fitting answer was queued.
int ScriptedUnansweredCount(void);
// Readable name of a kind, for test messages.
const char* PromptKindName(int kind);

// Begins a script for the lifetime of a scope and ends it on leaving.
struct ScopedPromptScript {
    ScopedPromptScript() { BeginPromptScript(); }
    ~ScopedPromptScript() { EndPromptScript(); }
    ScopedPromptScript(const ScopedPromptScript&) = delete;
    ScopedPromptScript& operator=(const ScopedPromptScript&) = delete;
};
