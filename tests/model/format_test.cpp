#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/langtext.h"
#include "model/appstate.h"
#include "model/format.h"
#include "support/testsupport.h"
#include "ui/prompts.h"

TEST(FormatDetection, BySuffix)
{
    struct Case { const char* name; int expected; };
    const Case cases[] = {
        {"report.zip", CM_ZIP},
        {"C:\\x\\Lib.JAR", CM_ZIP},
        {"app.war", CM_ZIP},
        {"backup.TAR.GZ", CM_TAR},   // suffixes compare after lower-casing
        {"guitar", CM_TAR},          // "tar" needs no dot
        {"sources.tgz", CM_TAR},
        {"notes.gz", CM_TAR},
        {"old.tar.Z", CM_TAR},
        {"big.tar.bz2", CM_TAR},
        {"cd.iso", CM_ISO},
        {"disc.NRG", CM_ISO},
        {"music.rar", CM_RAR},
        {"nightjar", CM_NONE},       // ".jar" needs the dot
        {"zip", CM_NONE},
        {"archive.zip.bak", CM_NONE},
        {"data.bin", CM_NONE},
        {"", CM_NONE},
    };
    for (const Case& c : cases) EXPECT_EQ(DetectFormatByName(c.name), c.expected) << "name: " << c.name;
    EXPECT_EQ(DetectFormatByName(nullptr), CM_NONE);

    std::string longName = std::string(1000, 'd') + ".zip";
    EXPECT_EQ(DetectFormatByName(longName.c_str()), CM_ZIP) << "1000-character name";
}

TEST(FormatDetection, ByContent)
{
    struct Case { const char* what; std::string bytes; int expected; };
    const Case cases[] = {
        {"local header", std::string("PK\x03\x04rest", 8), CM_ZIP},
        {"empty archive", std::string("PK\x05\x06rest", 8), CM_ZIP},
        {"PK 3 6", std::string("PK\x03\x06rest", 8), CM_ZIP},
        {"PK 5 4", std::string("PK\x05\x04rest", 8), CM_ZIP},
        {"spanned marker PK 7 8", std::string("PK\x07\x08rest", 8), CM_NONE},
        {"PK 4 3", std::string("PK\x04\x03rest", 8), CM_NONE},
        {"lower-case pk", std::string("pk\x03\x04rest", 8), CM_NONE},
        {"five bytes", std::string("PK\x03\x04\x00", 5), CM_ZIP},
        {"four bytes are too short", std::string("PK\x03\x04", 4), CM_NONE},
        {"empty", std::string(), CM_NONE},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DetectFormatByContent((const unsigned char*)c.bytes.data(), c.bytes.size()), c.expected) << c.what;
    }
}

class FormatFiles : public testing::Test {
protected:
    void SetUp() override { folder = MakeTempFolder("format"); }
    void TearDown() override
    {
        ResetPromptsToDialogs();
        RemoveFolderTree(folder);
    }
    std::string Write(const char* name, const std::string& bytes)
    {
        std::string path = folder + "\\" + name;
        EXPECT_TRUE(WriteWholeFile(path, bytes)) << path;
        return path;
    }
    std::string folder;
};

TEST_F(FormatFiles, NameThenContent)
{
    struct Case { const char* name; std::string bytes; int expected; };
    const Case cases[] = {
        {"data.bin", std::string("PK\x03\x04", 4) + std::string(600, 'x'), CM_ZIP},
        {"data2.bin", std::string("PK\x07\x08", 4) + std::string(600, 'x'), CM_NONE},
        {"nightjar", std::string("PK\x03\x04", 4) + std::string(20, 'x'), CM_ZIP},
        {"nightjar2", "just some text", CM_NONE},
        {"empty.bin", "", CM_NONE},
        {"short.bin", std::string("PK\x03\x04", 4), CM_NONE},
        // The name decides before the content is read.
        {"fake.zip", "not a zip at all", CM_ZIP},
        {"real.tgz", std::string("PK\x03\x04", 4) + std::string(20, 'x'), CM_TAR},
    };
    for (const Case& c : cases) {
        std::string path = Write(c.name, c.bytes);
        EXPECT_EQ(DetectArchiveFormat(path.c_str()), c.expected) << c.name;
    }
}

TEST_F(FormatFiles, UnreadableFilesAreRefused)
{
    EXPECT_EQ(DetectArchiveFormat((folder + "\\missing.bin").c_str()), CM_NONE);
    EXPECT_EQ(DetectArchiveFormat(folder.c_str()), CM_NONE) << "a folder";

    std::string path = Write("locked.bin", std::string("PK\x03\x04", 4) + std::string(20, 'x'));
    HANDLE lock = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    EXPECT_EQ(DetectArchiveFormat(path.c_str()), CM_NONE) << "file held without sharing";
    CloseHandle(lock);
    EXPECT_EQ(DetectArchiveFormat(path.c_str()), CM_ZIP) << "the same file once released";
}

struct RecordedBox {
    HWND owner;
    std::string text, caption;
    UINT type;
};
static std::vector<RecordedBox> gBoxes;

static int RecordBox(HWND owner, const char* text, const char* caption, UINT type)
{
    gBoxes.push_back({owner, text ? text : "", caption ? caption : "", type});
    return IDOK;
}

TEST_F(FormatFiles, RefusalIsToldThroughThePrompts)
{
    gBoxes.clear();
    GPrompts.messageBox = RecordBox;
    std::string refused = Write("data.bin", std::string("PK\x07\x08", 4) + std::string(20, 'x'));
    std::string accepted = Write("other.bin", std::string("PK\x03\x04", 4) + std::string(20, 'x'));

    EXPECT_EQ(DetectArchiveFormatOrTell(accepted.c_str(), nullptr), CM_ZIP);
    EXPECT_TRUE(gBoxes.empty()) << "a supported file shows nothing";

    EXPECT_EQ(DetectArchiveFormatOrTell(refused.c_str(), nullptr), CM_NONE);
    ASSERT_EQ(gBoxes.size(), 1u);
    EXPECT_EQ(gBoxes[0].text, GetMessageText(71));
    EXPECT_EQ(gBoxes[0].caption, "Kelvora");
    EXPECT_EQ(gBoxes[0].type & MB_ICONMASK, (UINT)MB_ICONINFORMATION);
}
