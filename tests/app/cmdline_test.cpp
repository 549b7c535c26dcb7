// The command-line grammar: a table of raw command lines with the mode, tokens and job flags
// they must give.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/cmdline.h"
#include "model/appstate.h"

namespace {

std::string JoinTokens(const CommandLine& line)
{
    std::string joined;
    for (size_t i = 0; i < line.tokens.size(); ++i) {
        if (i) joined += '|';
        joined += line.tokens[i].text;
    }
    return joined;
}

struct ParseCase {
    const char* raw;
    int mode;
    const char* tokens;  // joined with '|'
    int firstFile;       // -1: no files (firstFile == token count)
    int append, silent, simulation;
    int format;
};

}  // namespace

TEST(CommandLine, ParsesEveryForm)
{
    const ParseCase cases[] = {
        // Empty and blank lines start the empty window.
        {"", CMDLINE_EMPTY_WINDOW, "", -1, 0, 0, 0, CM_NONE},
        {"     ", CMDLINE_EMPTY_WINDOW, "", -1, 0, 0, 0, CM_NONE},
        // Help, in every spelling; the prefix match takes -hx too.
        {"--help", CMDLINE_HELP, "", -1, 0, 0, 0, CM_NONE},
        {"-h", CMDLINE_HELP, "", -1, 0, 0, 0, CM_NONE},
        {"-HELP", CMDLINE_HELP, "", -1, 0, 0, 0, CM_NONE},
        {"/help", CMDLINE_HELP, "", -1, 0, 0, 0, CM_NONE},
        {"/HeLp me", CMDLINE_HELP, "", -1, 0, 0, 0, CM_NONE},
        {"-hx", CMDLINE_HELP, "", -1, 0, 0, 0, CM_NONE},
        {"-help a.zip", CMDLINE_HELP, "", -1, 0, 0, 0, CM_NONE},
        // Other double-dash forms end quietly.
        {"--version", CMDLINE_QUIET_EXIT, "", -1, 0, 0, 0, CM_NONE},
        {"-/x", CMDLINE_QUIET_EXIT, "", -1, 0, 0, 0, CM_NONE},
        {"--", CMDLINE_QUIET_EXIT, "", -1, 0, 0, 0, CM_NONE},
        // One token.
        {"report.zip", CMDLINE_OPEN_ARCHIVE, "report.zip", 0, 0, 0, 0, CM_ZIP},
        {"\"C:\\My Files\\Report 1.zip\"", CMDLINE_OPEN_ARCHIVE, "C:\\My Files\\Report 1.zip", 0, 0, 0, 0, CM_ZIP},
        {"backup.TAR.GZ", CMDLINE_OPEN_ARCHIVE, "backup.TAR.GZ", 0, 0, 0, 0, CM_TAR},
        {"disc.iso", CMDLINE_OPEN_ARCHIVE, "disc.iso", 0, 0, 0, 0, CM_ISO},
        {"music.rar", CMDLINE_OPEN_ARCHIVE, "music.rar", 0, 0, 0, 0, CM_RAR},
        {"photo.JPG", CMDLINE_VIEW_FILE, "photo.JPG", 0, 0, 0, 0, CM_NONE},
        {"clip.avi", CMDLINE_VIEW_FILE, "clip.avi", 0, 0, 0, 0, CM_NONE},
        {"sheet.ods", CMDLINE_VIEW_FILE, "sheet.ods", 0, 0, 0, 0, CM_NONE},
        {"notes.txt", CMDLINE_EMPTY_WINDOW, "notes.txt", -1, 0, 0, 0, CM_NONE},
        {"nightjar", CMDLINE_EMPTY_WINDOW, "nightjar", -1, 0, 0, 0, CM_NONE},
        // "-x" alone names no archive; an option alone is one other token.
        {"-x", CMDLINE_EMPTY_WINDOW, "-x", -1, 0, 0, 0, CM_NONE},
        {"-a", CMDLINE_EMPTY_WINDOW, "-a", -1, 0, 0, 0, CM_NONE},
        // Direct extraction; the option is compared lower-cased.
        {"-x report.zip", CMDLINE_EXTRACT, "-x|report.zip", 1, 0, 0, 0, CM_ZIP},
        {"-X \"C:\\a b\\src.tgz\"", CMDLINE_EXTRACT, "-X|C:\\a b\\src.tgz", 1, 0, 0, 0, CM_TAR},
        {"-x data.bin", CMDLINE_EXTRACT, "-x|data.bin", 1, 0, 0, 0, CM_NONE},
        // Archive jobs.
        {"-a one.txt two.txt", CMDLINE_ARCHIVE_JOB, "-a|one.txt|two.txt", 1, 1, 0, 0, CM_NONE},
        {"-as one.txt", CMDLINE_ARCHIVE_JOB, "-as|one.txt", 1, 1, 1, 0, CM_NONE},
        {"-ASIM one.txt", CMDLINE_ARCHIVE_JOB, "-ASIM|one.txt", 1, 1, 0, 1, CM_NONE},
        {"-c \"C:\\x y\\a.txt\" b.txt", CMDLINE_ARCHIVE_JOB, "-c|C:\\x y\\a.txt|b.txt", 1, 0, 0, 0, CM_NONE},
        {"-cs a.txt", CMDLINE_ARCHIVE_JOB, "-cs|a.txt", 1, 0, 1, 0, CM_NONE},
        {"-s a.txt", CMDLINE_ARCHIVE_JOB, "-s|a.txt", 1, 0, 1, 0, CM_NONE},
        {"-csim a.txt b.txt", CMDLINE_ARCHIVE_JOB, "-csim|a.txt|b.txt", 1, 0, 0, 1, CM_NONE},
        // Several names without an option all go into a new archive, the first included.
        {"a.txt b.txt c.zip", CMDLINE_ARCHIVE_JOB, "a.txt|b.txt|c.zip", 0, 0, 0, 0, CM_NONE},
        {"-ax a.txt", CMDLINE_ARCHIVE_JOB, "-ax|a.txt", 0, 0, 0, 0, CM_NONE},
        // Splitting: runs of blanks, quotes that hold blanks, an unclosed quote, the last token.
        {"  a.txt    \"b c.txt\"d.txt  ", CMDLINE_ARCHIVE_JOB, "a.txt|b c.txt|d.txt", 0, 0, 0, 0, CM_NONE},
        {"-c a.txt \"open ended", CMDLINE_ARCHIVE_JOB, "-c|a.txt|open ended", 1, 0, 0, 0, CM_NONE},
        {"-c \"\" a.txt", CMDLINE_ARCHIVE_JOB, "-c|a.txt", 1, 0, 0, 0, CM_NONE},
    };
    for (const ParseCase& c : cases) {
        CommandLine line;
        int mode = ParseCommandLine(c.raw, &line);
        SCOPED_TRACE(std::string("command line: [") + c.raw + "]");
        EXPECT_EQ(mode, c.mode) << CommandLineModeName(mode) << " instead of " << CommandLineModeName(c.mode);
        EXPECT_EQ(line.mode, mode);
        EXPECT_EQ(JoinTokens(line), c.tokens);
        int expectedFirst = c.firstFile < 0 ? (int)line.tokens.size() : c.firstFile;
        EXPECT_EQ(line.firstFile, expectedFirst);
        EXPECT_EQ(line.append, c.append);
        EXPECT_EQ(line.silent, c.silent);
        EXPECT_EQ(line.simulation, c.simulation);
        EXPECT_EQ(line.format, c.format);
    }
}

TEST(CommandLine, CutsLongTokensTo259Characters)
{
    std::string longName = std::string(400, 'n') + ".txt";
    std::string quoted = "\"" + std::string(300, 'q') + " x\"";
    CommandLine line;
    ParseCommandLine(("-c " + longName + " " + quoted).c_str(), &line);
    ASSERT_EQ(line.tokens.size(), 3u);
    EXPECT_EQ(std::string(line.tokens[1].text), std::string(259, 'n')) << "plain token";
    EXPECT_EQ(std::string(line.tokens[2].text), std::string(259, 'q')) << "quoted token";

    // A 1000-character archive name still counts as an archive by its suffix only when the
    // suffix survives the cut: the cut name has none and starts the empty window.
    CommandLine single;
    ParseCommandLine((std::string(1000, 'z') + ".zip").c_str(), &single);
    EXPECT_EQ(single.mode, CMDLINE_EMPTY_WINDOW);
}

TEST(CommandLine, SkipsTheProgramName)
{
    struct Case { const char* full; const char* rest; };
    const Case cases[] = {
        {"kelvora.exe a.zip", "a.zip"},
        {"\"C:\\Program Files\\Kelvora\\kelvora.exe\"   -x \"b c.zip\"", "-x \"b c.zip\""},
        {"kelvora.exe", ""},
        {"\"kelvora.exe\"", ""},
        {"  kelvora.exe\t--help", "--help"},
    };
    for (const Case& c : cases) EXPECT_STREQ(SkipProgramName(c.full), c.rest) << "full: " << c.full;
    EXPECT_STREQ(SkipProgramName(nullptr), "");
}

TEST(CommandLine, RecognisesViewableFiles)
{
    struct Case { const char* name; int viewable; };
    const Case cases[] = {
        {"a.jpg", 1}, {"A.JPEG", 1}, {"x.png", 1}, {"x.bmp", 1}, {"x.gif", 1}, {"x.ico", 1},
        {"x.avi", 1}, {"x.odt", 1}, {"x.ods", 1}, {"x.jpg.txt", 0}, {"jpg", 0}, {"x.tif", 0}, {"", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(IsViewableFileName(c.name), c.viewable) << "name: " << c.name;
    EXPECT_EQ(IsViewableFileName(nullptr), 0);
}
