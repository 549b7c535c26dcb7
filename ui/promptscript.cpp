#include "ui/promptscript.h"

#include <cstdio>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace {

struct ScriptedAnswer {
    int kind;
    int result;
    std::string text;
    COLORREF value;
};

struct Script {
    std::mutex lock;
    std::deque<ScriptedAnswer> answers;
    std::vector<PromptQuestion> questions;
    int unanswered = 0;
};

Script& TheScript()
{
    static Script script;
    return script;
}

// What a question gets when no fitting answer is queued: the slot's "cancelled".
int CancelledResult(int kind, UINT type)
{
    switch (kind) {
    case PROMPT_KIND_MESSAGE_BOX:
        if ((type & MB_TYPEMASK) == MB_OK) return IDOK;
        if ((type & MB_TYPEMASK) == MB_YESNO) return IDNO;
        return IDCANCEL;
    case PROMPT_KIND_SET_PASSWORD:
    case PROMPT_KIND_PASSWORD:
    case PROMPT_KIND_FILE_FILTER:
    case PROMPT_KIND_LINE_NUMBER:
    case PROMPT_KIND_RENAME_FOLDER:
        return PROMPT_CANCEL;
    case PROMPT_KIND_BUTTON_BOX:
    case PROMPT_KIND_MODAL_DIALOG:
        return -1;
    default:
        return 0;
    }
}

PromptQuestion NewQuestion(int kind, HWND owner)
{
    PromptQuestion question;
    std::memset(&question, 0, sizeof question);
    question.kind = kind;
    question.owner = owner;
    question.defaultIndex = -1;
    return question;
}

// Records the question and takes the next answer if it fits; answer->result is the value to
// return. Returns 1 when a scripted answer was taken.
int AskScript(PromptQuestion* question, ScriptedAnswer* answer)
{
    Script& script = TheScript();
    std::lock_guard<std::mutex> guard(script.lock);
    int fits = !script.answers.empty() &&
               (script.answers.front().kind == PROMPT_KIND_ANY || script.answers.front().kind == question->kind);
    if (fits) {
        *answer = script.answers.front();
        script.answers.pop_front();
    } else {
        *answer = ScriptedAnswer{question->kind, CancelledResult(question->kind, question->type), std::string(), 0};
        ++script.unanswered;
    }
    question->answered = fits;
    question->result = answer->result;
    script.questions.push_back(*question);
    return fits;
}

void CopyText(char* target, size_t size, const char* text)
{
    snprintf(target, size, "%s", text ? text : "");
}

// Filter pairs "a\0b\0...\0\0" as "a|b|...".
void JoinFilter(char* target, size_t size, const char* filter)
{
    target[0] = '\0';
    size_t used = 0;
    for (const char* part = filter; part && *part; part += std::strlen(part) + 1) {
        int written = snprintf(target + used, size - used, "%s%s", used ? "|" : "", part);
        if (written < 0 || (size_t)written >= size - used) break;
        used += (size_t)written;
    }
}

int ScriptedMessageBox(HWND owner, const char* text, const char* caption, UINT type)
{
    PromptQuestion question = NewQuestion(PROMPT_KIND_MESSAGE_BOX, owner);
    CopyText(question.text, sizeof question.text, text);
    CopyText(question.caption, sizeof question.caption, caption);
    question.type = type;
    ScriptedAnswer answer;
    AskScript(&question, &answer);
    return answer.result;
}

int ScriptedFileDialog(int kind, FileDialogRequest* request)
{
    PromptQuestion question = NewQuestion(kind, request ? request->owner : nullptr);
    if (request) {
        CopyText(question.caption, sizeof question.caption, request->title);
        CopyText(question.text, sizeof question.text, request->file && request->fileSize ? request->file : "");
        JoinFilter(question.filter, sizeof question.filter, request->filter);
        CopyText(question.defaultExt, sizeof question.defaultExt, request->defaultExt);
        question.type = request->flags;
    }
    ScriptedAnswer answer;
    if (!AskScript(&question, &answer) || answer.result != 1) return answer.result;
    if (!request || !request->file || request->fileSize < 2) return 0;
    // Strings separated by '\n' become the NUL-separated list, ended by a second NUL.
    size_t limit = request->fileSize - 2;
    size_t length = answer.text.size() < limit ? answer.text.size() : limit;
    for (size_t i = 0; i < length; ++i) request->file[i] = answer.text[i] == '\n' ? '\0' : answer.text[i];
    request->file[length] = '\0';
    request->file[length + 1] = '\0';
    return 1;
}

int ScriptedOpenFile(FileDialogRequest* request)
{
    return ScriptedFileDialog(PROMPT_KIND_OPEN_FILE, request);
}

int ScriptedSaveFile(FileDialogRequest* request)
{
    return ScriptedFileDialog(PROMPT_KIND_SAVE_FILE, request);
}

int ScriptedBrowseFolder(HWND owner, const char* title, const char* startFolder, char* folder, size_t folderSize)
{
    PromptQuestion question = NewQuestion(PROMPT_KIND_BROWSE_FOLDER, owner);
    CopyText(question.caption, sizeof question.caption, title);
    CopyText(question.text, sizeof question.text, startFolder);
    ScriptedAnswer answer;
    if (AskScript(&question, &answer) && answer.result == 1 && folder && folderSize) {
        CopyText(folder, folderSize, answer.text.c_str());
    }
    return answer.result;
}

int ScriptedPasswordDialog(int kind)
{
    PromptQuestion question = NewQuestion(kind, nullptr);
    ScriptedAnswer answer;
    if (AskScript(&question, &answer) && answer.result == PROMPT_OK) SetGlobalPassword(answer.text.c_str());
    return answer.result;
}

int ScriptedSetPassword(void)
{
    return ScriptedPasswordDialog(PROMPT_KIND_SET_PASSWORD);
}

int ScriptedPasswordPrompt(void)
{
    return ScriptedPasswordDialog(PROMPT_KIND_PASSWORD);
}

int ScriptedButtonBox(HWND owner, const char* caption, const char* text, int count, const char* const* captions,
                      int iconKind, int defaultIndex)
{
    PromptQuestion question = NewQuestion(PROMPT_KIND_BUTTON_BOX, owner);
    CopyText(question.caption, sizeof question.caption, caption);
    CopyText(question.text, sizeof question.text, text);
    question.buttonCount = count < 0 ? 0 : count > BUTTONBOX_MAX_BUTTONS ? BUTTONBOX_MAX_BUTTONS : count;
    for (int i = 0; i < question.buttonCount; ++i) {
        CopyText(question.buttons[i], sizeof question.buttons[i], captions ? captions[i] : nullptr);
    }
    question.iconKind = iconKind;
    question.defaultIndex = defaultIndex;
    ScriptedAnswer answer;
    AskScript(&question, &answer);
    return answer.result;
}

int ScriptedFileFilter(void)
{
    PromptQuestion question = NewQuestion(PROMPT_KIND_FILE_FILTER, nullptr);
    ScriptedAnswer answer;
    if (AskScript(&question, &answer) && answer.result == PROMPT_OK) SetGlobalFilterFromText(answer.text.c_str());
    return answer.result;
}

int ScriptedLineNumber(HWND owner, char* exchange, size_t exchangeSize)
{
    PromptQuestion question = NewQuestion(PROMPT_KIND_LINE_NUMBER, owner);
    CopyText(question.text, sizeof question.text, exchange && exchangeSize ? exchange : "");
    // The real dialog empties the exchange text once it has shown it.
    if (exchange && exchangeSize) exchange[0] = '\0';
    ScriptedAnswer answer;
    if (AskScript(&question, &answer) && answer.result == PROMPT_OK && exchange && exchangeSize) {
        CopyText(exchange, exchangeSize, answer.text.c_str());
    }
    return answer.result;
}

int ScriptedRenameFolder(char* exchange, size_t exchangeSize)
{
    PromptQuestion question = NewQuestion(PROMPT_KIND_RENAME_FOLDER, nullptr);
    CopyText(question.text, sizeof question.text, exchange && exchangeSize ? exchange : "");
    ScriptedAnswer answer;
    if (AskScript(&question, &answer) && answer.result == PROMPT_OK && exchange && exchangeSize) {
        CopyText(exchange, exchangeSize, answer.text.c_str());
    }
    return answer.result;
}

int ScriptedChooseColor(HWND owner, COLORREF* colour)
{
    PromptQuestion question = NewQuestion(PROMPT_KIND_CHOOSE_COLOR, owner);
    ScriptedAnswer answer;
    if (AskScript(&question, &answer) && answer.result == 1 && colour) *colour = answer.value;
    return answer.result;
}

int ScriptedChooseFont(HWND owner, LOGFONTA* font, COLORREF* colour)
{
    PromptQuestion question = NewQuestion(PROMPT_KIND_CHOOSE_FONT, owner);
    if (font) CopyText(question.text, sizeof question.text, font->lfFaceName);
    ScriptedAnswer answer;
    if (AskScript(&question, &answer) && answer.result == 1) {
        if (font && !answer.text.empty()) CopyText(font->lfFaceName, sizeof font->lfFaceName, answer.text.c_str());
        if (colour) *colour = answer.value;
    }
    return answer.result;
}

// A scripted "printed" answer hands back a memory device context: printing to it fails at
// StartDoc, which exercises the caller's failure path without a printer.
int ScriptedPrintDialog(HWND owner, HDC* dc)
{
    PromptQuestion question = NewQuestion(PROMPT_KIND_PRINT, owner);
    ScriptedAnswer answer;
    AskScript(&question, &answer);
    if (dc) *dc = answer.result == 1 ? CreateCompatibleDC(nullptr) : nullptr;
    return answer.result;
}

INT_PTR ScriptedModalDialog(const char* name, INT_PTR (*)(void*), void*)
{
    PromptQuestion question = NewQuestion(PROMPT_KIND_MODAL_DIALOG, nullptr);
    CopyText(question.caption, sizeof question.caption, name);
    ScriptedAnswer answer;
    AskScript(&question, &answer);
    return answer.result;
}

void ClearScript(void)
{
    Script& script = TheScript();
    std::lock_guard<std::mutex> guard(script.lock);
    script.answers.clear();
    script.questions.clear();
    script.unanswered = 0;
}

}  // namespace

void BeginPromptScript(void)
{
    ClearScript();
    GPrompts.messageBox = ScriptedMessageBox;
    GPrompts.openFile = ScriptedOpenFile;
    GPrompts.saveFile = ScriptedSaveFile;
    GPrompts.browseFolder = ScriptedBrowseFolder;
    GPrompts.setPassword = ScriptedSetPassword;
    GPrompts.passwordPrompt = ScriptedPasswordPrompt;
    GPrompts.buttonBox = ScriptedButtonBox;
    GPrompts.fileFilter = ScriptedFileFilter;
    GPrompts.lineNumber = ScriptedLineNumber;
    GPrompts.renameFolder = ScriptedRenameFolder;
    GPrompts.chooseColor = ScriptedChooseColor;
    GPrompts.chooseFont = ScriptedChooseFont;
    GPrompts.printDialog = ScriptedPrintDialog;
    GPrompts.modalDialog = ScriptedModalDialog;
}

void EndPromptScript(void)
{
    ResetPromptsToDialogs();
    ClearScript();
}

void ScriptPromptAnswerValue(int kind, int result, const char* text, COLORREF value)
{
    Script& script = TheScript();
    std::lock_guard<std::mutex> guard(script.lock);
    script.answers.push_back(ScriptedAnswer{kind, result, text ? text : "", value});
}

void ScriptPromptAnswer(int kind, int result, const char* text)
{
    ScriptPromptAnswerValue(kind, result, text, 0);
}

int ScriptedQuestionCount(void)
{
    Script& script = TheScript();
    std::lock_guard<std::mutex> guard(script.lock);
    return (int)script.questions.size();
}

int GetScriptedQuestion(int index, PromptQuestion* out)
{
    Script& script = TheScript();
    std::lock_guard<std::mutex> guard(script.lock);
    if (!out || index < 0 || (size_t)index >= script.questions.size()) return 0;
    *out = script.questions[(size_t)index];
    return 1;
}

int ScriptedAnswersLeft(void)
{
    Script& script = TheScript();
    std::lock_guard<std::mutex> guard(script.lock);
    return (int)script.answers.size();
}

int ScriptedUnansweredCount(void)
{
    Script& script = TheScript();
    std::lock_guard<std::mutex> guard(script.lock);
    return script.unanswered;
}

const char* PromptKindName(int kind)
{
    static const char* const kNames[] = {"any",          "message box",   "open file",     "save file",
                                         "browse folder", "set password", "password",      "button box",
                                         "file filter",  "line number",   "rename folder", "choose colour",
                                         "choose font",  "print",         "modal dialog"};
    return kind >= 0 && kind < (int)(sizeof kNames / sizeof kNames[0]) ? kNames[kind] : "unknown";
}
