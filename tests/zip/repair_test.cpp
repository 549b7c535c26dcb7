// The repair command as the user meets it: the damaged archive and the output name are asked
// for, a repair that saves members says how many, and every failed one says so in a message box
// naming the file (with the system's reason where there is one) and leaves neither the output
// nor its scratch file behind. An output that existed already survives input that holds nothing
// to save.
#include <windows.h>
#include <gtest/gtest.h>

#include <string>

#include <minizip/unzip.h>

#include "app/langtext.h"
#include "config/log.h"
#include "support/testsupport.h"
#include "ui/promptscript.h"
#include "zip/ziphelper.h"
#include "ziptestsupport.h"

namespace {

enum InputKind {
    INPUT_NO_CENTRAL_DIRECTORY,  // nocd.zip: members without their central directory
    INPUT_CUT_MEMBER,            // truncated_half.zip: a member cut in the middle
    INPUT_TEXT,                  // a text file with the suffix
    INPUT_LOCKED,                // nocd.zip held open without sharing by the test
};

enum OutputKind {
    OUTPUT_NEW,                 // a new file in the test folder
    OUTPUT_FOLDER_MISSING,      // in a folder that does not exist
    OUTPUT_IS_FOLDER,   // the output name is taken by a folder
    OUTPUT_EXISTING,            // a file that exists already (the user agreed to replace it)
};

struct RepairCase {
    const char* name;
    InputKind input;
    OutputKind output;
    bool fails;
    DWORD systemError;      // whose text the message carries (0: none)
    bool namesInput;        // the message names the damaged archive, else the output
    bool existingSurvives;  // OUTPUT_EXISTING: its old bytes are still there
};

const char kOldOutput[] = "an older file the repair may replace\n";

const RepairCase kCases[] = {
    {"a missing central directory is rebuilt", INPUT_NO_CENTRAL_DIRECTORY, OUTPUT_NEW, false, 0, false, false},
    {"an existing output is replaced by the repair", INPUT_NO_CENTRAL_DIRECTORY, OUTPUT_EXISTING, false, 0, false,
     false},
    {"the output folder does not exist", INPUT_NO_CENTRAL_DIRECTORY, OUTPUT_FOLDER_MISSING, true,
     ERROR_PATH_NOT_FOUND, false, false},
    {"the output is a folder", INPUT_NO_CENTRAL_DIRECTORY, OUTPUT_IS_FOLDER, true, ERROR_ACCESS_DENIED, false,
     false},
    {"a text file holds nothing to save", INPUT_TEXT, OUTPUT_NEW, true, 0, true, false},
    {"a text file leaves an existing output alone", INPUT_TEXT, OUTPUT_EXISTING, true, 0, true, true},
    {"a member cut in the middle is left out, the whole ones are saved", INPUT_CUT_MEMBER, OUTPUT_NEW, false, 0,
     false, false},
    {"the damaged archive cannot be read", INPUT_LOCKED, OUTPUT_NEW, true, ERROR_SHARING_VIOLATION, true, false},
};

std::string SystemText(DWORD code)
{
    char text[200] = "";
    if (!FormatSystemError(text, sizeof text, code)) return "";
    return text;
}

bool Contains(const std::string& text, const std::string& part)
{
    return !part.empty() && text.find(part) != std::string::npos;
}

// Number of members the archive at path lists, -1 when it does not open.
int MemberCount(const std::string& path)
{
    unzFile uf = unzOpen64(path.c_str());
    if (!uf) return -1;
    unz_global_info64 info = {};
    int count = unzGetGlobalInfo64(uf, &info) == UNZ_OK ? (int)info.number_entry : -1;
    unzClose(uf);
    return count;
}

}  // namespace

TEST(ZipRepairCommand, SaysWhenItFailsAndLeavesNoOutputBehind)
{
    ASSERT_EQ(1, SetLanguage(LANG_CODE_ENGLISH));
    for (const RepairCase& c : kCases) {
        SCOPED_TRACE(c.name);
        std::string folder = MakeTempFolder("repaircmd");
        std::string input;
        switch (c.input) {
        case INPUT_NO_CENTRAL_DIRECTORY:
        case INPUT_LOCKED:
            input = folder + "\\damaged.zip";
            ASSERT_TRUE(CopyFileA(FixturePath("nocd.zip").c_str(), input.c_str(), FALSE));
            break;
        case INPUT_CUT_MEMBER:
            input = folder + "\\cut.zip";
            ASSERT_TRUE(CopyFileA(FixturePath("truncated_half.zip").c_str(), input.c_str(), FALSE));
            break;
        case INPUT_TEXT:
            input = folder + "\\notes.zip";
            ASSERT_TRUE(WriteWholeFile(input, std::string("these are notes, not an archive\n")));
            break;
        }
        std::string output = folder + "\\repaired.zip";
        if (c.output == OUTPUT_FOLDER_MISSING) output = folder + "\\missing\\repaired.zip";
        if (c.output == OUTPUT_IS_FOLDER) {
            ASSERT_TRUE(CreateDirectoryA(output.c_str(), nullptr));
        }
        if (c.output == OUTPUT_EXISTING) {
            ASSERT_TRUE(WriteWholeFile(output, kOldOutput));
        }
        HANDLE lock = INVALID_HANDLE_VALUE;
        if (c.input == INPUT_LOCKED) {
            lock = CreateFileA(input.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
            ASSERT_NE(lock, INVALID_HANDLE_VALUE);
        }

        {
            ScopedPromptScript script;
            ScriptPromptAnswer(PROMPT_KIND_OPEN_FILE, 1, input.c_str());
            ScriptPromptAnswer(PROMPT_KIND_SAVE_FILE, 1, output.c_str());
            ScriptPromptAnswer(PROMPT_KIND_MESSAGE_BOX, IDOK, nullptr);
            RepairZipArchive();
            EXPECT_EQ(0, ScriptedAnswersLeft());
            EXPECT_EQ(0, ScriptedUnansweredCount());
            EXPECT_EQ(3, ScriptedQuestionCount()) << "the outcome is told either way";
            PromptQuestion q;
            if (!c.fails && GetScriptedQuestion(2, &q)) {
                // The nocd fixture's members, as the archive made before its directory was cut.
                std::string text = q.text;
                EXPECT_TRUE(Contains(text, "\"" + output + "\"")) << text;
                EXPECT_TRUE(Contains(text, std::to_string(MemberCount(output)) + " members recovered")) << text;
                EXPECT_EQ((UINT)MB_ICONINFORMATION, q.type & MB_ICONMASK);
                // What was lost is told too.
                EXPECT_EQ(Contains(text, "1 could not be recovered"), c.input == INPUT_CUT_MEMBER) << text;
            }
            if (c.fails && GetScriptedQuestion(2, &q)) {
                EXPECT_EQ(PROMPT_KIND_MESSAGE_BOX, q.kind);
                EXPECT_EQ((UINT)(MB_OK | MB_ICONSTOP), q.type & (MB_TYPEMASK | MB_ICONMASK));
                EXPECT_STREQ(GetMessageText(94), q.caption);
                std::string text = q.text;
                EXPECT_TRUE(Contains(text, "\"" + (c.namesInput ? input : output) + "\"")) << text;
                if (c.systemError) {
                    std::string reason = SystemText(c.systemError);
                    ASSERT_FALSE(reason.empty());
                    EXPECT_TRUE(Contains(text, reason)) << text << "\nwanted: " << reason;
                }
            }
        }
        if (lock != INVALID_HANDLE_VALUE) CloseHandle(lock);

        EXPECT_FALSE(FileExists(output + "_tmp")) << "the scratch file is removed";
        if (!c.fails) {
            EXPECT_GT(MemberCount(output), 0) << "the repaired archive opens and lists the saved members";
        } else if (c.output == OUTPUT_IS_FOLDER) {
            EXPECT_NE(GetFileAttributesA(output.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u) << "the folder stays";
        } else if (c.existingSurvives) {
            std::string bytes;
            ASSERT_TRUE(ReadWholeFile(output, &bytes));
            EXPECT_EQ(std::string(kOldOutput), bytes);
        } else {
            EXPECT_FALSE(FileExists(output)) << "no file passes for the repaired archive";
        }
        RemoveFolderTree(folder);
    }
}

TEST(ZipRepairCommand, CancelledQuestionsEndTheCommandQuietly)
{
    struct Answers {
        const char* name;
        int openResult;
        int saveResult;
        int asked;
    };
    const Answers cases[] = {
        {"damaged archive not chosen", 0, 1, 1},
        {"output not named", 1, 0, 2},
    };
    for (const Answers& c : cases) {
        SCOPED_TRACE(c.name);
        std::string folder = MakeTempFolder("repaircancel");
        std::string output = folder + "\\repaired.zip";
        ScopedPromptScript script;
        ScriptPromptAnswer(PROMPT_KIND_OPEN_FILE, c.openResult, FixturePath("nocd.zip").c_str());
        ScriptPromptAnswer(PROMPT_KIND_SAVE_FILE, c.saveResult, output.c_str());
        RepairZipArchive();
        EXPECT_EQ(c.asked, ScriptedQuestionCount());
        EXPECT_FALSE(FileExists(output));
        EXPECT_FALSE(FileExists(output + "_tmp"));
        RemoveFolderTree(folder);
    }
}
