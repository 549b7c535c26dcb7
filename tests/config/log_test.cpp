// Logging: the level rule, the log file and its name, error and progress texts.
#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/langtext.h"
#include "config/log.h"
#include "model/appstate.h"
#include "support/testsupport.h"

namespace {

// Sends the log file into a temporary folder of its own and reads it back.
class LogFile : public testing::Test {
protected:
    void SetUp() override
    {
        folder_ = MakeTempFolder("log");
        base_ = folder_ + "\\kelvora.exe";
        CloseLogFile();
        SetLogFileBase(base_.c_str());
        SetPrintToLogFile(1);
        savedVerbose_ = GApp.verbose;
    }
    void TearDown() override
    {
        SetPrintToLogFile(0);
        CloseLogFile();
        SetLogFileBase(nullptr);
        GApp.verbose = savedVerbose_;
        RemoveFolderTree(folder_);
    }
    // Closes the file and returns its bytes.
    std::string CloseAndRead()
    {
        char name[MAX_PATH];
        EXPECT_EQ(1, GetLogFileName(name, sizeof name)) << "a log file is open";
        CloseLogFile();
        std::string bytes;
        EXPECT_TRUE(ReadWholeFile(name, &bytes)) << name;
        return bytes;
    }
    static std::vector<std::string> SplitLines(const std::string& bytes)
    {
        std::vector<std::string> lines;
        size_t start = 0;
        for (size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2)
            lines.push_back(bytes.substr(start, end - start));
        EXPECT_EQ(bytes.size(), start) << "the file ends with a whole line";
        return lines;
    }

    std::string folder_;
    std::string base_;
    int savedVerbose_ = 0;
};

TEST_F(LogFile, LevelRuleDecidesWhichLinesAppear)
{
    struct Case {
        int level;
        int verbose;
        int printed;
    };
    const Case cases[] = {
        {-1, 0, 1}, {0, 0, 0},  {9, 0, 0},  {0, 10, 1}, {9, 10, 1}, {10, 10, 0},
        {3, 3, 0},  {2, 3, 1},  {4, 3, 0},  {-1, 10, 1}, {0, 1, 1},  {1, 1, 0},
    };
    std::vector<std::string> expected;
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; i++) {
        const Case& c = cases[i];
        char line[64];
        std::snprintf(line, sizeof line, "case %zu: level %d verbose %d", i, c.level, c.verbose);
        EXPECT_EQ(c.printed, LogPrint(c.level, c.verbose, "case %zu: level %d verbose %d", i, c.level, c.verbose))
            << line;
        if (c.printed) expected.push_back(line);
    }
    std::vector<std::string> lines = SplitLines(CloseAndRead());
    EXPECT_EQ(expected, lines);
}

TEST_F(LogFile, LinesEndInCrLfWhateverTheTextEndsWith)
{
    LogPrint(-1, 0, "plain");
    LogPrint(-1, 0, "with own break\n");
    LogLine("from LogLine");
    LogLine("");
    LogPrint(-1, 0, "%s %d", "formatted", 42);
    std::string bytes = CloseAndRead();
    EXPECT_EQ("plain\r\nwith own break\r\nfrom LogLine\r\n\r\nformatted 42\r\n", bytes);
}

TEST_F(LogFile, LongLinesAreWrittenWhole)
{
    std::string text(5000, 'w');
    text += "end";
    LogPrint(-1, 0, "%s", text.c_str());
    EXPECT_EQ(text + "\r\n", CloseAndRead());
}

TEST_F(LogFile, NothingReachesTheFileWhileTheSwitchIsOff)
{
    SetPrintToLogFile(0);
    EXPECT_EQ(0, IsPrintToLogFile());
    LogPrint(-1, 0, "not in the file");
    LogLine("not in the file either");
    char name[MAX_PATH];
    EXPECT_EQ(0, GetLogFileName(name, sizeof name)) << "no file was opened";
    SetPrintToLogFile(1);
    EXPECT_EQ(1, IsPrintToLogFile());
    LogLine("in the file");
    EXPECT_EQ("in the file\r\n", CloseAndRead());
}

TEST_F(LogFile, FileIsNamedAfterTheProgramAndKeptOpen)
{
    FILE* first = OpenLogFile(nullptr);
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(first, OpenLogFile(nullptr)) << "opened once";
    FILE* other = reinterpret_cast<FILE*>(0x1234);
    EXPECT_EQ(other, OpenLogFile(other)) << "a given stream is returned as is";
    char name[MAX_PATH];
    ASSERT_EQ(1, GetLogFileName(name, sizeof name));
    std::string path = name;
    std::string prefix = folder_ + "\\kelvora_log_";
    ASSERT_EQ(prefix.size() + 15 + 4, path.size()) << path;
    EXPECT_EQ(prefix, path.substr(0, prefix.size()));
    EXPECT_EQ(".txt", path.substr(path.size() - 4));
    std::string stamp = path.substr(prefix.size(), 15);
    for (size_t i = 0; i < stamp.size(); i++) {
        if (i == 8) EXPECT_EQ('_', stamp[i]) << path;
        else EXPECT_TRUE(stamp[i] >= '0' && stamp[i] <= '9') << path;
    }
}

TEST_F(LogFile, VerboseLevelIsSetAndAnnounced)
{
    SetVerboseLevel(7);
    EXPECT_EQ(7, GApp.verbose);
    EXPECT_EQ("Setting verbose to level: 7\r\n", CloseAndRead());
}

// Lines of threads logging at once come out whole, each exactly once.
TEST_F(LogFile, LinesOfSeveralThreadsStayWhole)
{
    const int threads = 4, linesPerThread = 300;
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; t++) {
        workers.emplace_back([t] {
            for (int i = 0; i < linesPerThread; i++)
                LogPrint(-1, 0, "thread %d line %03d %s", t, i, std::string(80 + t, static_cast<char>('a' + t)).c_str());
        });
    }
    for (std::thread& worker : workers) worker.join();
    std::vector<std::string> lines = SplitLines(CloseAndRead());
    std::set<std::string> expected;
    for (int t = 0; t < threads; t++)
        for (int i = 0; i < linesPerThread; i++) {
            char head[32];
            std::snprintf(head, sizeof head, "thread %d line %03d ", t, i);
            expected.insert(head + std::string(80 + t, static_cast<char>('a' + t)));
        }
    ASSERT_EQ(expected.size(), lines.size());
    std::set<std::string> seen;
    for (const std::string& line : lines) {
        EXPECT_EQ(1u, expected.count(line)) << "broken line: " << line;
        EXPECT_TRUE(seen.insert(line).second) << "line twice: " << line;
    }
}

TEST(LogFileName, IsBuiltFromProgramPathAndStartTime)
{
    struct tm start = {};
    start.tm_year = 2011 - 1900;
    start.tm_mon = 2;
    start.tm_mday = 4;
    start.tm_hour = 5;
    start.tm_min = 6;
    start.tm_sec = 7;
    struct Case {
        const char* program;
        const char* name;
    };
    const Case cases[] = {
        {"C:\\Program Files\\Kelvora\\kelvora.exe", "C:\\Program Files\\Kelvora\\kelvora_log_20110304_050607.txt"},
        {"C:\\tools.d\\kelvora", "C:\\tools.d\\kelvora_log_20110304_050607.txt"},
        {"C:\\x\\kelvora.test.exe", "C:\\x\\kelvora.test_log_20110304_050607.txt"},
        {"kelvora.exe", "kelvora_log_20110304_050607.txt"},
    };
    for (const Case& c : cases) {
        char name[MAX_PATH];
        EXPECT_EQ(1, BuildLogFileName(name, sizeof name, c.program, &start)) << c.program;
        EXPECT_STREQ(c.name, name) << c.program;
    }
    char tiny[20];
    EXPECT_EQ(0, BuildLogFileName(tiny, sizeof tiny, cases[0].program, &start)) << "does not fit";
    EXPECT_STREQ("", tiny);
}

TEST(SystemErrorText, IsTheSystemTextWithCodeOrEmptyWhenItDoesNotFit)
{
    char full[512];
    ASSERT_EQ(1, FormatSystemError(full, sizeof full, ERROR_FILE_NOT_FOUND));
    std::string text = full;
    const std::string suffix = " (0x2)";
    ASSERT_GT(text.size(), suffix.size());
    EXPECT_EQ(suffix, text.substr(text.size() - suffix.size()));
    EXPECT_EQ(std::string::npos, text.find_first_of("\r\n")) << "line break removed: " << text;
    const size_t messageLength = text.size() - suffix.size();

    struct Case {
        size_t size;
        int ok;
    };
    const Case cases[] = {
        {messageLength + 14, 1},
        {messageLength + 13, 0},
        {messageLength, 0},
        {1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "buffer of " << c.size << " for a message of " << messageLength);
        std::vector<char> buffer(c.size + 4, 'X');
        EXPECT_EQ(c.ok, FormatSystemError(buffer.data(), c.size, ERROR_FILE_NOT_FOUND));
        EXPECT_STREQ(c.ok ? text.c_str() : "", buffer.data());
        EXPECT_EQ(std::string(4, 'X'), std::string(buffer.data() + c.size, 4)) << "nothing written past the buffer";
    }
    char unknown[512];
    std::memset(unknown, 'X', sizeof unknown);
    EXPECT_EQ(0, FormatSystemError(unknown, sizeof unknown, 0x2000ABCD)) << "code without text";
    EXPECT_STREQ("", unknown);
}

TEST(ElapsedAndRemaining, FormatsTimesAndRate)
{
    struct Case {
        const char* label;
        DWORD start;
        DWORD now;
        int64_t done;
        int64_t total;
        const char* elapsed;
        const char* remaining;
        const char* rate;
    };
    const int64_t MiB = 1048576;
    const Case cases[] = {
        {"one minute, a quarter done", 5000, 65000, 25 * MiB, 100 * MiB, "0:01:00", "0:03:00", "0.417"},
        {"over an hour, half done", 0, 3723000, 10 * MiB, 20 * MiB, "01:02:03", "1:02:03", "0.003"},
        {"nothing done yet", 1000, 3000, 0, 100, "0:00:02", "0:03:18", "0.000"},
        {"no time passed, nothing done", 1000, 1000, 0, 0, "0:00:00", "0:00:00", "0.001"},
        {"more done than announced", 0, 10000, 200, 100, "0:00:10", "0:00:00", "0.000"},
        {"tick counter wrapped", 0xFFFFF000u, 0x00000FA0u, MiB, 2 * MiB, "0:00:08", "0:00:08", "0.124"},
        {"a terabyte over ten hours", 0, 36000000, int64_t(1) << 39, int64_t(1) << 40, "10:00:00", "10:00:00", "14.564"},
        {"beyond a day", 0, 90000000, MiB, 2 * MiB, "25:00:00", "25:00:00", "0.000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        char buffer[256];
        FormatElapsedAndRemaining(c.start, c.now, c.done, c.total, buffer, sizeof buffer);
        char expected[256];
        std::snprintf(expected, sizeof expected, "%s %s %s - (%s %s)", c.elapsed, GetGenericText(86), c.remaining,
                      c.rate, GetGenericText(87));
        EXPECT_STREQ(expected, buffer);
    }
}

TEST(ElapsedAndRemaining, IsCutToTheBuffer)
{
    char full[256];
    FormatElapsedAndRemaining(0, 61000, 1, 2, full, sizeof full);
    char cut[8];
    std::memset(cut, 'X', sizeof cut);
    FormatElapsedAndRemaining(0, 61000, 1, 2, cut, sizeof cut);
    EXPECT_EQ(std::string(full).substr(0, 7), std::string(cut));
}

TEST(Timing, MillisecondsAdvanceAndTheVersionIsCached)
{
    double first = GetMilliseconds();
    Sleep(2);
    double second = GetMilliseconds();
    EXPECT_GT(first, 0.0);
    EXPECT_GT(second, first);
    int major = GetWindowsMajorVersion();
    EXPECT_GE(major, 5);
    EXPECT_EQ(major, GetWindowsMajorVersion());
}

}  // namespace
