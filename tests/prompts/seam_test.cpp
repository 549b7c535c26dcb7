// The prompts seam: the global password and filter set, the scripted answers and the record
// of questions, and the real slots the seam falls back to.
#include <windows.h>

#include <gtest/gtest.h>

#include <commdlg.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "app/langtext.h"
#include "model/list.h"
#include "ui/promptdialogs.h"
#include "ui/promptscript.h"

namespace {

std::vector<std::string> FilterSetContents(void)
{
    std::vector<std::string> parts;
    for (ListNode* node = GFilterSet ? GFilterSet->head : nullptr; node; node = node->next) {
        parts.push_back(static_cast<const char*>(node->data));
    }
    return parts;
}

PromptQuestion Question(int index)
{
    PromptQuestion question = {};
    EXPECT_TRUE(GetScriptedQuestion(index, &question)) << "question " << index;
    return question;
}

TEST(GlobalPassword, SettingTheSameValueCountsAsNotChanged)
{
    ClearGlobalPassword();
    EXPECT_FALSE(IsGlobalPasswordSet());
    EXPECT_EQ(SetGlobalPassword("abc"), 1);
    EXPECT_TRUE(IsGlobalPasswordSet());
    EXPECT_EQ(SetGlobalPassword("abc"), 0);
    EXPECT_EQ(SetGlobalPassword("abd"), 1);
    EXPECT_EQ(SetGlobalPassword(""), 1);
    EXPECT_FALSE(IsGlobalPasswordSet());
    EXPECT_EQ(SetGlobalPassword(nullptr), 0) << "null is the empty text";
}

TEST(GlobalPassword, LongTextIsCutTo259Characters)
{
    std::string longText(400, 'p');
    SetGlobalPassword(longText.c_str());
    EXPECT_EQ(std::string(password), longText.substr(0, 259));
    EXPECT_EQ(SetGlobalPassword(longText.substr(0, 300).c_str()), 0) << "the same after cutting";
    ClearGlobalPassword();
    EXPECT_STREQ(password, "");
}

TEST(GlobalFilterSet, PartsBetweenSemicolonsBecomeTheSet)
{
    struct Case {
        const char* text;
        int result;
        std::vector<std::string> parts;
    } cases[] = {
        {".zip", 1, {".zip"}},
        {".c;.h;.cpp", 1, {".c", ".h", ".cpp"}},
        {";a;;b;", 1, {"a", "b"}},
        {"with space; x", 1, {"with space", " x"}},
        {";;", 0, {}},
        {"", 0, {}},
        {nullptr, 0, {}},
    };
    for (const Case& c : cases) {
        SetGlobalFilterFromText("old;set");
        const char* name = c.text ? c.text : "(null)";
        EXPECT_EQ(SetGlobalFilterFromText(c.text), c.result) << name;
        if (!c.result) {
            EXPECT_EQ(FilterSetContents(), (std::vector<std::string>{"old", "set"})) << name << ": set kept";
        } else {
            EXPECT_EQ(FilterSetContents(), c.parts) << name;
        }
    }
    FreeGlobalFilterSet();
    EXPECT_EQ(GFilterSet, nullptr);
}

class Script : public testing::Test {
protected:
    void SetUp() override
    {
        BeginPromptScript();
        ClearGlobalPassword();
        FreeGlobalFilterSet();
    }
    void TearDown() override
    {
        EndPromptScript();
        ClearGlobalPassword();
        FreeGlobalFilterSet();
    }
};

TEST_F(Script, AnswersComeInOrderAndEveryQuestionIsRecorded)
{
    ScriptPromptAnswer(PROMPT_KIND_BUTTON_BOX, 1, nullptr);
    ScriptPromptAnswer(PROMPT_KIND_MESSAGE_BOX, IDYES, nullptr);
    ScriptPromptAnswer(PROMPT_KIND_PASSWORD, PROMPT_OK, "pw");
    ScriptPromptAnswer(PROMPT_KIND_MESSAGE_BOX, IDNO, nullptr);
    const char* captions[] = {"one", "two", "a caption of twenty!"};
    HWND owner = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x1234));

    EXPECT_EQ(PromptButtonBox(owner, "Box", "Which?", 3, captions, 3, 2), 1);
    EXPECT_EQ(PromptMessageBox(owner, "Sure?", "Kelvora", MB_YESNO | MB_ICONQUESTION), IDYES);
    EXPECT_EQ(PromptPassword(), PROMPT_OK);
    EXPECT_EQ(PromptMessageBox(nullptr, "Again?", "Kelvora", MB_YESNO), IDNO);

    EXPECT_STREQ(password, "pw") << "a confirmed scripted password becomes the global password";
    ASSERT_EQ(ScriptedQuestionCount(), 4);
    EXPECT_EQ(ScriptedAnswersLeft(), 0);
    EXPECT_EQ(ScriptedUnansweredCount(), 0);

    PromptQuestion box = Question(0);
    EXPECT_EQ(box.kind, PROMPT_KIND_BUTTON_BOX);
    EXPECT_EQ(box.owner, owner);
    EXPECT_STREQ(box.caption, "Box");
    EXPECT_STREQ(box.text, "Which?");
    EXPECT_EQ(box.buttonCount, 3);
    EXPECT_STREQ(box.buttons[0], "one");
    EXPECT_STREQ(box.buttons[2], "a caption of tw") << "captions are cut to 15 characters";
    EXPECT_EQ(box.iconKind, 3);
    EXPECT_EQ(box.defaultIndex, 2);
    EXPECT_EQ(box.result, 1);

    PromptQuestion message = Question(1);
    EXPECT_EQ(message.kind, PROMPT_KIND_MESSAGE_BOX);
    EXPECT_STREQ(message.text, "Sure?");
    EXPECT_STREQ(message.caption, "Kelvora");
    EXPECT_EQ(message.type, (UINT)(MB_YESNO | MB_ICONQUESTION));
    EXPECT_EQ(Question(2).kind, PROMPT_KIND_PASSWORD);
    EXPECT_STREQ(Question(3).text, "Again?");
}

TEST_F(Script, QuestionWithoutFittingAnswerIsCancelledAndTheAnswerWaits)
{
    ScriptPromptAnswer(PROMPT_KIND_PASSWORD, PROMPT_OK, "later");
    EXPECT_EQ(PromptMessageBox(nullptr, "Delete?", "", MB_YESNO), IDNO);
    EXPECT_EQ(ScriptedUnansweredCount(), 1);
    EXPECT_EQ(ScriptedAnswersLeft(), 1);
    EXPECT_EQ(Question(0).answered, 0);
    EXPECT_EQ(PromptPassword(), PROMPT_OK);
    EXPECT_STREQ(password, "later");
    EXPECT_EQ(Question(1).answered, 1);
}

TEST_F(Script, EmptyQueueAnswersEachKindAsCancelled)
{
    char buffer[260] = "";
    FileDialogRequest request = {nullptr, "t", nullptr, nullptr, nullptr, 0, buffer, sizeof buffer};
    COLORREF colour = RGB(1, 2, 3);
    LOGFONTA font = {};
    HDC dc = reinterpret_cast<HDC>(1);
    struct Case {
        const char* name;
        INT_PTR actual;
        INT_PTR expected;
    } cases[] = {
        {"message box OK", PromptMessageBox(nullptr, "a", "b", MB_OK), IDOK},
        {"message box Yes/No", PromptMessageBox(nullptr, "a", "b", MB_YESNO), IDNO},
        {"message box OK/Cancel", PromptMessageBox(nullptr, "a", "b", MB_OKCANCEL), IDCANCEL},
        {"open file", PromptOpenFile(&request), 0},
        {"save file", PromptSaveFile(&request), 0},
        {"browse folder", PromptBrowseFolder(nullptr, "t", "c:\\", buffer, sizeof buffer), 0},
        {"set password", PromptSetPassword(), PROMPT_CANCEL},
        {"password", PromptPassword(), PROMPT_CANCEL},
        {"button box", PromptButtonBox(nullptr, "c", "t", 0, nullptr, 1, 0), -1},
        {"file filter", PromptFileFilter(), PROMPT_CANCEL},
        {"line number", PromptLineNumber(nullptr, buffer, sizeof buffer), PROMPT_CANCEL},
        {"rename folder", PromptRenameFolder(buffer, sizeof buffer), PROMPT_CANCEL},
        {"colour", PromptChooseColor(nullptr, &colour), 0},
        {"font", PromptChooseFont(nullptr, &font, &colour), 0},
        {"print", PromptPrintDialog(nullptr, &dc), 0},
        {"modal dialog", PromptModalDialog("update", nullptr, nullptr), -1},
    };
    for (const Case& c : cases) EXPECT_EQ(c.actual, c.expected) << c.name;
    EXPECT_EQ(ScriptedUnansweredCount(), (int)(sizeof cases / sizeof cases[0]));
    EXPECT_STREQ(buffer, "") << "nothing handed back";
    EXPECT_EQ(colour, RGB(1, 2, 3));
    EXPECT_EQ(dc, nullptr);
    EXPECT_EQ(GFilterSet, nullptr);
    EXPECT_FALSE(IsGlobalPasswordSet());
}

TEST_F(Script, AnyAnswerFitsWhateverIsAskedNext)
{
    ScriptPromptAnswer(PROMPT_KIND_ANY, 7, nullptr);
    ScriptPromptAnswer(PROMPT_KIND_ANY, 2, nullptr);
    EXPECT_EQ(PromptModalDialog("batch", nullptr, nullptr), 7);
    const char* captions[] = {"a", "b", "c"};
    EXPECT_EQ(PromptButtonBox(nullptr, "", "", 3, captions, 1, 0), 2);
    EXPECT_STREQ(Question(0).caption, "batch") << "a modal dialog is recorded by name";
    EXPECT_EQ(ScriptedUnansweredCount(), 0);
}

TEST_F(Script, FileDialogsRecordTheRequestAndHandBackNames)
{
    char file[260] = "start.zip";
    FileDialogRequest request = {nullptr, "Save as", "Zip (*.zip)\0*.zip\0All\0*.*\0", "zip", "C:\\tmp",
                                 OFN_OVERWRITEPROMPT, file, sizeof file};
    ScriptPromptAnswer(PROMPT_KIND_SAVE_FILE, 1, "C:\\out\\new.zip");
    EXPECT_EQ(PromptSaveFile(&request), 1);
    EXPECT_STREQ(file, "C:\\out\\new.zip");
    PromptQuestion question = Question(0);
    EXPECT_EQ(question.kind, PROMPT_KIND_SAVE_FILE);
    EXPECT_STREQ(question.caption, "Save as");
    EXPECT_STREQ(question.text, "start.zip");
    EXPECT_STREQ(question.filter, "Zip (*.zip)|*.zip|All|*.*");
    EXPECT_STREQ(question.defaultExt, "zip");
    EXPECT_EQ(question.type, (UINT)OFN_OVERWRITEPROMPT);

    // A multiple selection: folder, files, each NUL-ended, and a final NUL.
    char list[64];
    std::memset(list, 'x', sizeof list);
    FileDialogRequest multi = {nullptr, "Add", nullptr, nullptr, nullptr, OFN_ALLOWMULTISELECT, list, sizeof list};
    ScriptPromptAnswer(PROMPT_KIND_OPEN_FILE, 1, "C:\\dir\na.txt\nb.txt");
    EXPECT_EQ(PromptOpenFile(&multi), 1);
    EXPECT_EQ(std::string(list, 20), std::string("C:\\dir\0a.txt\0b.txt\0\0", 20));

    // A buffer too small keeps both closing NULs inside it.
    char small[8];
    std::memset(small, 'x', sizeof small);
    FileDialogRequest tiny = {nullptr, nullptr, nullptr, nullptr, nullptr, 0, small, sizeof small};
    ScriptPromptAnswer(PROMPT_KIND_OPEN_FILE, 1, "C:\\a\\long\\name.txt");
    EXPECT_EQ(PromptOpenFile(&tiny), 1);
    EXPECT_EQ(std::string(small, 8), std::string("C:\\a\\l\0\0", 8));

    ScriptPromptAnswer(PROMPT_KIND_OPEN_FILE, 0, "ignored");
    char kept[16] = "kept";
    FileDialogRequest cancelled = {nullptr, nullptr, nullptr, nullptr, nullptr, 0, kept, sizeof kept};
    EXPECT_EQ(PromptOpenFile(&cancelled), 0);
    EXPECT_STREQ(kept, "kept") << "a cancelled dialog hands back nothing";
}

TEST_F(Script, ExchangeDialogsRecordWhatTheyWereGivenAndHandBackTheAnswer)
{
    char line[260] = "1200";
    ScriptPromptAnswer(PROMPT_KIND_LINE_NUMBER, PROMPT_OK, "42");
    EXPECT_EQ(PromptLineNumber(nullptr, line, sizeof line), PROMPT_OK);
    EXPECT_STREQ(line, "42");
    EXPECT_STREQ(Question(0).text, "1200");

    char cancelledLine[260] = "80";
    ScriptPromptAnswer(PROMPT_KIND_LINE_NUMBER, PROMPT_CANCEL, "9");
    EXPECT_EQ(PromptLineNumber(nullptr, cancelledLine, sizeof cancelledLine), PROMPT_CANCEL);
    EXPECT_STREQ(cancelledLine, "") << "emptied as the real dialog empties it";

    char path[260] = "docs/old";
    ScriptPromptAnswer(PROMPT_KIND_RENAME_FOLDER, PROMPT_OK, "docs/new");
    EXPECT_EQ(PromptRenameFolder(path, sizeof path), PROMPT_OK);
    EXPECT_STREQ(path, "docs/new");
    EXPECT_STREQ(Question(2).text, "docs/old");

    char folder[260] = "";
    ScriptPromptAnswer(PROMPT_KIND_BROWSE_FOLDER, 1, "C:\\target");
    EXPECT_EQ(PromptBrowseFolder(nullptr, "Where?", "C:\\last", folder, sizeof folder), 1);
    EXPECT_STREQ(folder, "C:\\target");
    EXPECT_STREQ(Question(3).caption, "Where?");
    EXPECT_STREQ(Question(3).text, "C:\\last");

    ScriptPromptAnswer(PROMPT_KIND_FILE_FILTER, PROMPT_OK, ".txt;.log");
    EXPECT_EQ(PromptFileFilter(), PROMPT_OK);
    EXPECT_EQ(FilterSetContents(), (std::vector<std::string>{".txt", ".log"}));

    ScriptPromptAnswer(PROMPT_KIND_SET_PASSWORD, PROMPT_CANCEL, "unused");
    EXPECT_EQ(PromptSetPassword(), PROMPT_CANCEL);
    EXPECT_FALSE(IsGlobalPasswordSet()) << "only a confirmed answer sets the password";

    COLORREF colour = 0;
    ScriptPromptAnswerValue(PROMPT_KIND_CHOOSE_COLOR, 1, nullptr, RGB(10, 20, 30));
    EXPECT_EQ(PromptChooseColor(nullptr, &colour), 1);
    EXPECT_EQ(colour, RGB(10, 20, 30));

    LOGFONTA font = {};
    snprintf(font.lfFaceName, sizeof font.lfFaceName, "%s", "Tahoma");
    ScriptPromptAnswerValue(PROMPT_KIND_CHOOSE_FONT, 1, "Courier New", RGB(1, 1, 1));
    EXPECT_EQ(PromptChooseFont(nullptr, &font, &colour), 1);
    EXPECT_STREQ(font.lfFaceName, "Courier New");
    EXPECT_EQ(colour, RGB(1, 1, 1));
    EXPECT_STREQ(Question(7).text, "Tahoma");
}

TEST_F(Script, OverwriteQuestionIsAskedAsTheExtractionAsksIt)
{
    // Buttons in the order of the answers: replace, replace all, skip, skip all, cancel.
    const int captionOf[5] = {0, 1, 2, 4, 3};
    for (int answer : {(int)OVERWRITE_THIS, (int)OVERWRITE_ALL, (int)OVERWRITE_SKIP, (int)OVERWRITE_SKIP_ALL,
                       (int)OVERWRITE_STOP, -1}) {
        BeginPromptScript();
        ScriptPromptAnswer(PROMPT_KIND_BUTTON_BOX, answer, nullptr);
        EXPECT_EQ(AskOverwriteQuestion(nullptr, "C:\\out\\report.txt"), answer);
        PromptQuestion question = Question(0);
        std::string text = std::string(GetMessageText(14)) + " C:\\out\\report.txt " + GetMessageText(15) + " ?";
        EXPECT_STREQ(question.caption, GetMessageText(16)) << answer;
        EXPECT_EQ(std::string(question.text), text) << answer;
        ASSERT_EQ(question.buttonCount, 5) << answer;
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ(std::string(question.buttons[i]),
                      std::string(GetConfirmationDialogText()[captionOf[i]]).substr(0, 15))
                << "button " << i;
        }
        EXPECT_EQ(question.iconKind, 4) << "question icon";
        EXPECT_EQ(question.defaultIndex, OVERWRITE_SKIP);
    }
}

TEST_F(Script, OverwriteQuestionShowsBothFilesSizesAndDates)
{
    struct Case {
        int64_t existingSize;
        WORD existingYear;
        int64_t newSize;
        WORD newYear;
        const char* existingLine;
        const char* newLine;
    } cases[] = {
        {1234567, 2020, 15, 2019, " 1.234.567 B, 2020-05-06 07:08:10", " 15 B, 2019-12-31 23:59:58"},
        {0, 2021, 0, 2021, " 0 B, 2021-05-06 07:08:10", " 0 B, 2021-12-31 23:59:58"},
        {-1, 0, 999, 1999, " ? B, ?", " 999 B, 1999-12-31 23:59:58"},
    };
    for (const Case& c : cases) {
        BeginPromptScript();
        ScriptPromptAnswer(PROMPT_KIND_BUTTON_BOX, OVERWRITE_SKIP, nullptr);
        OverwriteFacts facts = {};
        facts.existingSize = c.existingSize;
        if (c.existingYear) {
            SYSTEMTIME st = {c.existingYear, 5, 0, 6, 7, 8, 10, 0};
            FILETIME local;
            SystemTimeToFileTime(&st, &local);
            LocalFileTimeToFileTime(&local, &facts.existingTime);
        }
        facts.newSize = c.newSize;
        facts.newDosDate = ((uint32_t)((c.newYear - 1980) << 9 | 12 << 5 | 31) << 16) | (23 << 11 | 59 << 5 | 29);
        EXPECT_EQ(AskOverwriteQuestion(nullptr, "C:\\out\\a.txt", &facts), OVERWRITE_SKIP);
        std::string text = Question(0).text;
        std::string existing = std::string(GetConfirmationDialogText()[5]) + c.existingLine;
        std::string member = std::string(GetConfirmationDialogText()[6]) + c.newLine;
        EXPECT_NE(text.find("\n" + existing + "\n" + member), std::string::npos) << text;
    }
}

TEST_F(Script, QuestionsFromWorkerThreadsAreAnsweredAndRecorded)
{
    const int kThreads = 4, kEach = 25;
    for (int i = 0; i < kThreads * kEach; ++i) ScriptPromptAnswer(PROMPT_KIND_MESSAGE_BOX, IDYES, nullptr);
    std::vector<std::thread> workers;
    std::vector<int> yes(kThreads, 0);
    for (int t = 0; t < kThreads; ++t) {
        workers.emplace_back([t, &yes] {
            for (int i = 0; i < kEach; ++i) yes[t] += PromptMessageBox(nullptr, "q", "c", MB_YESNO) == IDYES;
        });
    }
    for (std::thread& worker : workers) worker.join();
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(yes[t], kEach) << "thread " << t;
    EXPECT_EQ(ScriptedQuestionCount(), kThreads * kEach);
    EXPECT_EQ(ScriptedAnswersLeft(), 0);
}

TEST_F(Script, ScriptedPrintAnswerGivesADeviceContextThatCannotPrint)
{
    ScriptPromptAnswer(PROMPT_KIND_PRINT, 1, nullptr);
    HDC dc = nullptr;
    EXPECT_EQ(PromptPrintDialog(nullptr, &dc), 1);
    ASSERT_NE(dc, nullptr);
    DOCINFOA doc = {sizeof doc, "x", nullptr, nullptr, 0};
    EXPECT_LE(StartDocA(dc, &doc), 0);
    DeleteDC(dc);
}

INT_PTR StoreAndAnswer(void* context)
{
    *static_cast<int*>(context) = 1;
    return 42;
}

TEST(Seam, EndingTheScriptPutsTheRealDialogsBack)
{
    BeginPromptScript();
    EXPECT_NE(GPrompts.buttonBox, &ShowButtonBox);
    EndPromptScript();
    EXPECT_EQ(GPrompts.buttonBox, &ShowButtonBox);
    EXPECT_EQ(GPrompts.setPassword, &ShowSetPasswordDialog);
    EXPECT_EQ(GPrompts.passwordPrompt, &ShowPasswordPrompt);
    EXPECT_EQ(GPrompts.fileFilter, &ShowFileFilterDialog);
    EXPECT_EQ(GPrompts.lineNumber, &ShowLineNumberDialog);
    EXPECT_EQ(GPrompts.renameFolder, &ShowRenameFolderDialog);
    EXPECT_EQ(GPrompts.openFile, &ShowOpenFileDialog);
    EXPECT_EQ(GPrompts.saveFile, &ShowSaveFileDialog);
    EXPECT_EQ(GPrompts.browseFolder, &ShowFolderBrowser);
    EXPECT_EQ(GPrompts.chooseColor, &ShowColourChooser);
    EXPECT_EQ(GPrompts.chooseFont, &ShowFontChooser);
    EXPECT_EQ(GPrompts.printDialog, &ShowPrintDialog);

    // The real modal-dialog slot runs the dialog it is given.
    int ran = 0;
    EXPECT_EQ(PromptModalDialog("update", StoreAndAnswer, &ran), 42);
    EXPECT_EQ(ran, 1);
}

TEST(Seam, EmptySlotsAnswerAsCancelled)
{
    Prompts saved = GPrompts;
    GPrompts = Prompts{};
    char buffer[16] = "";
    EXPECT_EQ(PromptMessageBox(nullptr, "t", "c", MB_OK), IDCANCEL);
    EXPECT_EQ(PromptPassword(), PROMPT_CANCEL);
    EXPECT_EQ(PromptButtonBox(nullptr, "c", "t", 0, nullptr, 1, 0), -1);
    EXPECT_EQ(PromptRenameFolder(buffer, sizeof buffer), PROMPT_CANCEL);
    EXPECT_EQ(PromptModalDialog("x", StoreAndAnswer, buffer), -1);
    GPrompts = saved;
}

}  // namespace
