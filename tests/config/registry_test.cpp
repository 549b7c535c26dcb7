// Registry primitives against the real registry of the test prefix.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "config/registry.h"
#include "scratchkey.h"

namespace {

const HKEY kHives[] = {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE};
const char* HiveName(HKEY hive) { return hive == HKEY_CURRENT_USER ? "HKCU" : "HKLM"; }

TEST(RegistryDword, RoundTripsEveryBitPatternInBothHives)
{
    const DWORD values[] = {0, 1, 0x7FFFFFFF, 0x80000000, 0xDEADBEEF, 0xFFFFFFFF};
    for (HKEY hive : kHives) {
        ScratchKey key;
        ASSERT_TRUE(key.Create(hive)) << HiveName(hive);
        for (DWORD value : values) {
            SCOPED_TRACE(testing::Message() << HiveName(hive) << " value 0x" << std::hex << value);
            EXPECT_EQ(0, WriteRegistryDword(value, hive, key.path(), "number"));
            DWORD read = value ^ 0x5A5A5A5A;
            EXPECT_EQ(0, ReadRegistryDword(&read, hive, key.path(), "number"));
            EXPECT_EQ(value, read);
        }
    }
}

TEST(RegistryDword, WriteToMissingKeyFailsAndCreatesNothing)
{
    ScratchKey key;
    EXPECT_EQ(1, WriteRegistryDword(5, HKEY_CURRENT_USER, key.path(), "number"));
    EXPECT_FALSE(key.Exists(HKEY_CURRENT_USER));
}

// Values that are not a 4-byte REG_DWORD must be refused and leave the output alone.
TEST(RegistryDword, ReadRefusesWrongTypesSizesAndMissingValues)
{
    struct Case {
        const char* label;
        DWORD type;
        std::string bytes;
        bool store;  // false: the value is left missing
    };
    const Case cases[] = {
        {"REG_SZ holding digits", REG_SZ, std::string("5\0", 2), true},
        {"REG_BINARY of 4 bytes", REG_BINARY, std::string("\x05\0\0\0", 4), true},
        {"REG_DWORD of 2 bytes", REG_DWORD, std::string("\x05\0", 2), true},
        {"REG_QWORD of 8 bytes", REG_QWORD, std::string("\x05\0\0\0\0\0\0\0", 8), true},
        {"REG_DWORD_BIG_ENDIAN", REG_DWORD_BIG_ENDIAN, std::string("\0\0\0\x05", 4), true},
        {"missing value", REG_DWORD, "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ScratchKey key;
        ASSERT_TRUE(key.Create(HKEY_CURRENT_USER));
        if (c.store) {
            ASSERT_TRUE(key.SetRaw(HKEY_CURRENT_USER, "number", c.type, c.bytes.data(), static_cast<DWORD>(c.bytes.size())));
        }
        DWORD out = 0xA5A5A5A5;
        EXPECT_EQ(1, ReadRegistryDword(&out, HKEY_CURRENT_USER, key.path(), "number"));
        EXPECT_EQ(0xA5A5A5A5u, out);
    }
    ScratchKey missing;
    DWORD out = 7;
    EXPECT_EQ(1, ReadRegistryDword(&out, HKEY_CURRENT_USER, missing.path(), "number")) << "missing key";
    EXPECT_EQ(7u, out);
}

TEST(RegistryString, WriteIntoMissingKeyIsSilentAndWritesNothing)
{
    ScratchKey key;
    EXPECT_EQ(0, WriteRegistryString("text", 5, HKEY_CURRENT_USER, key.path(), "name"));
    EXPECT_FALSE(key.Exists(HKEY_CURRENT_USER));
}

TEST(RegistryString, CreateMakesTheKeyAndRoundTripsThroughRawRead)
{
    const std::string texts[] = {"", "a", "C:\\Program Files\\jad\\jad.exe", std::string(600, 'x')};
    for (const std::string& text : texts) {
        SCOPED_TRACE("text of length " + std::to_string(text.size()));
        ScratchKey key;
        ASSERT_EQ(0, CreateRegistryString(text.c_str(), static_cast<DWORD>(text.size() + 1), HKEY_CURRENT_USER,
                                          key.path(), "name"));
        std::string buffer(text.size() + 1, '#');
        DWORD length = static_cast<DWORD>(buffer.size());
        ASSERT_EQ(0, ReadRegistryValue(&buffer[0], &length, HKEY_CURRENT_USER, key.path(), "name"));
        EXPECT_EQ(text, std::string(buffer.c_str()));
        EXPECT_EQ(text.size() + 1, length);
        // A second write into the now existing key replaces the text.
        EXPECT_EQ(0, WriteRegistryString("other", 6, HKEY_CURRENT_USER, key.path(), "name"));
        EXPECT_EQ("other", key.GetString(HKEY_CURRENT_USER, "name"));
    }
}

// The length bounds what is taken from the text; the stored value always ends in NUL.
TEST(RegistryString, WriteStoresTerminatedTextCutAtLength)
{
    struct Case {
        const char* text;
        DWORD length;
        const char* stored;
    };
    const Case cases[] = {
        {"abcdef", 7, "abcdef"},   // with terminator
        {"abcdef", 6, "abcdef"},   // without: still terminated
        {"abcdef", 3, "abc"},      // cut
        {"abc", 260, "abc"},       // a whole fixed buffer: nothing after the NUL
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "\"" << c.text << "\" length " << c.length);
        ScratchKey key;
        ASSERT_TRUE(key.Create(HKEY_CURRENT_USER));
        char source[260] = {};
        std::memcpy(source, c.text, std::strlen(c.text));
        ASSERT_EQ(0, WriteRegistryString(source, c.length, HKEY_CURRENT_USER, key.path(), "name"));
        DWORD type = 0;
        std::string raw;
        ASSERT_TRUE(key.GetRaw(HKEY_CURRENT_USER, "name", &type, &raw));
        EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
        EXPECT_EQ(std::string(c.stored) + '\0', raw);
    }
}

TEST(RegistryValue, TooSmallBufferReportsTheNeededLengthAndSecondReadSucceeds)
{
    ScratchKey key;
    std::string text(700, 'p');
    ASSERT_TRUE(key.SetString(HKEY_CURRENT_USER, "file_list", text));
    char small[260];
    DWORD length = sizeof small;
    ASSERT_EQ(234, ReadRegistryValue(small, &length, HKEY_CURRENT_USER, key.path(), "file_list"));
    ASSERT_GE(length, text.size() + 1);
    EXPECT_EQ('\0', small[0]) << "the buffer of a failed read holds no stale text";
    std::string large(length, '#');
    ASSERT_EQ(0, ReadRegistryValue(&large[0], &length, HKEY_CURRENT_USER, key.path(), "file_list"));
    EXPECT_EQ(text, std::string(large.c_str()));

    DWORD needed = 0;
    EXPECT_EQ(0, ReadRegistryValue(nullptr, &needed, HKEY_CURRENT_USER, key.path(), "file_list")) << "size query";
    EXPECT_GE(needed, text.size() + 1);
    ScratchKey missing;
    length = sizeof small;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, ReadRegistryValue(small, &length, HKEY_CURRENT_USER, missing.path(), "file_list"));
}

// A REG_SZ may be stored without its NUL. Reads must stop inside the buffer whatever its size.
TEST(RegistryValue, StringWithoutTerminatorIsNeverReadPastItsEnd)
{
    ScratchKey key;
    const char stored[6] = {'A', 'B', 'C', 'D', 'E', 'F'};
    ASSERT_TRUE(key.SetRaw(HKEY_CURRENT_USER, "raw", REG_SZ, stored, sizeof stored));
    struct Case {
        DWORD capacity;
        LONG result;
        const char* text;
    };
    const Case cases[] = {
        {64, 0, "ABCDEF"},
        {7, 0, "ABCDEF"},   // room for exactly the added terminator
        {6, 234, "ABCDE"},  // data fills the buffer: too small, but terminated
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "buffer of " << c.capacity);
        // Guard bytes after the buffer show any write or read beyond it.
        std::string memory(c.capacity + 8, 'X');
        DWORD length = c.capacity;
        EXPECT_EQ(c.result, ReadRegistryValue(&memory[0], &length, HKEY_CURRENT_USER, key.path(), "raw"));
        EXPECT_NE(nullptr, std::memchr(memory.data(), '\0', c.capacity)) << "terminated inside the buffer";
        if (c.result == 0) {
            EXPECT_STREQ(c.text, memory.c_str());
        } else {
            EXPECT_GE(length, 7u) << "needed length reported";
        }
        EXPECT_EQ(std::string(8, 'X'), memory.substr(c.capacity)) << "nothing written past the buffer";
        if (c.result == 234) {
            std::string again(length, 'X');
            EXPECT_EQ(0, ReadRegistryValue(&again[0], &length, HKEY_CURRENT_USER, key.path(), "raw"))
                << "the reported length is enough";
            EXPECT_STREQ("ABCDEF", again.c_str());
        }
    }
}

TEST(RegistryValue, DeleteRemovesTheValueAndFailsWhenNothingIsThere)
{
    ScratchKey key;
    ASSERT_TRUE(key.SetDword(HKEY_CURRENT_USER, "MinPicSize", 64));
    EXPECT_EQ(0, DeleteRegistryValue(HKEY_CURRENT_USER, key.path(), "MinPicSize"));
    DWORD out = 0;
    EXPECT_EQ(1, ReadRegistryDword(&out, HKEY_CURRENT_USER, key.path(), "MinPicSize"));
    EXPECT_EQ(1, DeleteRegistryValue(HKEY_CURRENT_USER, key.path(), "MinPicSize")) << "value already gone";
    ScratchKey missing;
    EXPECT_EQ(1, DeleteRegistryValue(HKEY_CURRENT_USER, missing.path(), "MinPicSize")) << "missing key";
}

TEST(RegistryMultiString, RoundTripsAndAlwaysEndsInTwoNuls)
{
    struct Case {
        const char* label;
        std::string written;
        std::string stored;
    };
    const Case cases[] = {
        {"complete list", std::string("one\0two\0\0", 9), std::string("one\0two\0\0", 9)},
        {"missing final NUL", std::string("one\0two\0", 8), std::string("one\0two\0\0", 9)},
        {"no NUL at all", std::string("one", 3), std::string("one\0\0", 5)},
        {"empty list", std::string(), std::string("\0\0", 2)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ScratchKey key;
        ASSERT_TRUE(key.Create(HKEY_CURRENT_USER));
        ASSERT_EQ(0, WriteRegistryMultiString(c.written.data(), static_cast<DWORD>(c.written.size()), HKEY_CURRENT_USER,
                                              key.path(), "list"));
        DWORD type = 0;
        std::string raw;
        ASSERT_TRUE(key.GetRaw(HKEY_CURRENT_USER, "list", &type, &raw));
        EXPECT_EQ(static_cast<DWORD>(REG_MULTI_SZ), type);
        EXPECT_EQ(c.stored, raw);
        char buffer[64];
        std::memset(buffer, 'X', sizeof buffer);
        DWORD length = sizeof buffer;
        ASSERT_EQ(0, ReadRegistryMultiString(buffer, &length, HKEY_CURRENT_USER, key.path(), "list"));
        EXPECT_EQ(c.stored, std::string(buffer, c.stored.size()));
    }
}

TEST(RegistryMultiString, ReadFailsForOtherTypesMissingKeysAndUnterminatedOverflow)
{
    ScratchKey key;
    ASSERT_TRUE(key.SetString(HKEY_CURRENT_USER, "plain", "one"));
    ASSERT_TRUE(key.SetDword(HKEY_CURRENT_USER, "number", 1));
    const char unterminated[4] = {'a', '\0', 'b', 'c'};
    ASSERT_TRUE(key.SetRaw(HKEY_CURRENT_USER, "open", REG_MULTI_SZ, unterminated, sizeof unterminated));
    char buffer[64];
    DWORD length = sizeof buffer;
    EXPECT_EQ(1, ReadRegistryMultiString(buffer, &length, HKEY_CURRENT_USER, key.path(), "plain")) << "REG_SZ";
    length = sizeof buffer;
    EXPECT_EQ(1, ReadRegistryMultiString(buffer, &length, HKEY_CURRENT_USER, key.path(), "number")) << "REG_DWORD";
    // Four bytes need two more terminators: a buffer of four holds the data but not them.
    std::string memory(4 + 8, 'X');
    length = 4;
    EXPECT_EQ(1, ReadRegistryMultiString(&memory[0], &length, HKEY_CURRENT_USER, key.path(), "open"));
    EXPECT_EQ(std::string(8, 'X'), memory.substr(4)) << "nothing written past the buffer";
    length = sizeof buffer;
    ASSERT_EQ(0, ReadRegistryMultiString(buffer, &length, HKEY_CURRENT_USER, key.path(), "open"));
    EXPECT_EQ(std::string("a\0bc\0\0", 6), std::string(buffer, 6));
    ScratchKey missing;
    length = sizeof buffer;
    EXPECT_EQ(1, ReadRegistryMultiString(buffer, &length, HKEY_CURRENT_USER, missing.path(), "plain")) << "missing key";
}

TEST(RegistryDwordBits, ClearsSetsOrKeepsTheMaskedBits)
{
    struct Case {
        DWORD start;
        DWORD mask;
        int operation;
        DWORD expected;
    };
    const Case cases[] = {
        {0x0F0, 0x00F, 1, 0x0FF},
        {0x0F0, 0x030, -1, 0x0C0},
        {0x0F0, 0x0F0, 0, 0x0F0},
        {0x0F0, 0x00F, 2, 0x0F0},
        {0xFFFFFFFF, 0x80000001, -1, 0x7FFFFFFE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << "start 0x" << c.start << " mask 0x" << c.mask << std::dec
                                        << " operation " << c.operation);
        ScratchKey key;
        ASSERT_TRUE(key.SetDword(HKEY_CURRENT_USER, "configuration", c.start));
        EXPECT_EQ(0, ModifyRegistryDwordBits(c.mask, c.operation, HKEY_CURRENT_USER, key.path(), "configuration"));
        DWORD value = 0;
        ASSERT_TRUE(key.GetDword(HKEY_CURRENT_USER, "configuration", &value));
        EXPECT_EQ(c.expected, value);
    }
}

TEST(RegistryDwordBits, MissingOrWrongValueFailsWithoutWriting)
{
    ScratchKey key;
    ASSERT_TRUE(key.Create(HKEY_CURRENT_USER));
    EXPECT_EQ(1, ModifyRegistryDwordBits(1, 1, HKEY_CURRENT_USER, key.path(), "configuration"));
    EXPECT_EQ("<missing>", key.GetString(HKEY_CURRENT_USER, "configuration"));
    ASSERT_TRUE(key.SetString(HKEY_CURRENT_USER, "text", "7"));
    EXPECT_EQ(1, ModifyRegistryDwordBits(1, 1, HKEY_CURRENT_USER, key.path(), "text"));
    EXPECT_EQ("7", key.GetString(HKEY_CURRENT_USER, "text"));
}

TEST(RegistryKey, CreateMakesNestedKeysAndAcceptsExistingOnes)
{
    ScratchKey key;
    std::string nested = std::string(key.path()) + "\\inner\\deeper";
    EXPECT_EQ(0, CreateRegistryKey(HKEY_CURRENT_USER, nested.c_str()));
    EXPECT_EQ(0, CreateRegistryKey(HKEY_CURRENT_USER, nested.c_str())) << "second time";
    EXPECT_EQ(0, WriteRegistryDword(3, HKEY_CURRENT_USER, nested.c_str(), "n")) << "key is writable";
}

}  // namespace
