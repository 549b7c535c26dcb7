#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "model/bstree.h"
#include "model/rbtree.h"
#include "model/zipentry.h"

namespace {

BSTree* SetOf(std::initializer_list<const char*> names)
{
    BSTree* set = CreateZipEntrySet();
    int n = 0;
    for (const char* name : names) BSTreeInsert(set, CreateZipEntry(name, nullptr, n++));
    return set;
}

}  // namespace

TEST(ZipEntrySets, CreatedWithTheEntryCallbacks)
{
    BSTree* set = CreateZipEntrySet();
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(set->count, 0);
    EXPECT_TRUE(set->compare != nullptr && set->destroyKey != nullptr && set->printNode != nullptr);
    BSTreeDestroy(&set);

    RBTree* rb = CreateZipEntryRBSet();
    ASSERT_NE(rb, nullptr);
    EXPECT_EQ(rb->count, 0);
    EXPECT_TRUE(rb->compare != nullptr && rb->destroyKey != nullptr && rb->printNode != nullptr);
    RBTreeDestroy(&rb);
}

TEST(ZipEntrySets, RecordsAreReleasedWithTheSet)
{
    long before = ZipEntryLiveCount();
    BSTree* set = SetOf({"a", "b", "c"});
    RBTree* rb = CreateZipEntryRBSet();
    RBTreeInsert(rb, CreateZipEntry("x", "y", 1), nullptr);
    EXPECT_EQ(ZipEntryLiveCount(), before + 4);
    EXPECT_EQ(FindEntryInZipEntry(set, "b", 1, 0, '\\'), 1);
    EXPECT_EQ(ZipEntryLiveCount(), before + 3) << "a found record leaves the set and is released";
    BSTreeDestroy(&set);
    RBTreeDestroy(&rb);
    EXPECT_EQ(ZipEntryLiveCount(), before);
    ReleaseZipEntry(nullptr);
}

TEST(ZipEntrySets, FindEntryMatchesEachMemberOnce)
{
    BSTree* set = SetOf({"dir\\b.txt", "dir\\a.txt", "dir\\c.txt"});
    EXPECT_EQ(FindEntryInZipEntry(set, "dir/a.txt", 0, 1, '\\'), 1);
    EXPECT_EQ(set->count, 2);
    EXPECT_EQ(FindEntryInZipEntry(set, "dir/a.txt", 0, 1, '\\'), 0) << "second request for the same path";
    EXPECT_EQ(set->count, 2);
    // The others are still there.
    EXPECT_EQ(FindEntryInZipEntry(set, "dir\\b.txt", 0, 0, '\\'), 1);
    EXPECT_EQ(FindEntryInZipEntry(set, "dir\\c.txt", 0, 0, '\\'), 1);
    EXPECT_EQ(set->count, 0);
    EXPECT_EQ(FindEntryInZipEntry(set, "dir\\c.txt", 0, 0, '\\'), 0) << "empty set";
    BSTreeDestroy(&set);
    EXPECT_EQ(FindEntryInZipEntry(nullptr, "x", 0, 0, '\\'), 0);
}

TEST(ZipEntrySets, FindEntryCaseAndSeparators)
{
    struct Case { const char* probe; int caseSensitive; int convert; int found; };
    const Case cases[] = {
        {"Dir\\Readme.TXT", 1, 0, 1},
        {"dir\\readme.txt", 1, 0, 0},
        {"dir\\readme.txt", 0, 0, 1},
        {"Dir/Readme.TXT", 1, 1, 1},
        {"Dir/Readme.TXT", 1, 0, 0},  // without conversion '/' stays
    };
    for (const Case& c : cases) {
        BSTree* set = SetOf({"Dir\\Readme.TXT", "Dir\\Other.txt"});
        EXPECT_EQ(FindEntryInZipEntry(set, c.probe, c.caseSensitive, c.convert, '\\'), c.found)
            << c.probe << " caseSensitive=" << c.caseSensitive << " convert=" << c.convert;
        BSTreeDestroy(&set);
    }
}

TEST(ZipEntrySets, RedBlackLookupKeepsTheRecordAndGivesTheNewName)
{
    RBTree* set = CreateZipEntryRBSet();
    RBTreeInsert(set, CreateZipEntry("docs\\a.txt", "archive\\a.txt", 1), nullptr);
    RBTreeInsert(set, CreateZipEntry("docs\\b.txt", nullptr, 2), nullptr);

    char newName[260] = "unchanged";
    EXPECT_EQ(FindEntryInZipEntryRBTree(set, "docs/A.TXT", 0, 1, '\\', newName, sizeof newName), 1);
    EXPECT_STREQ(newName, "archive\\a.txt");
    EXPECT_EQ(FindEntryInZipEntryRBTree(set, "docs/A.TXT", 0, 1, '\\', newName, sizeof newName), 1)
        << "the record stays in the set";
    EXPECT_EQ(set->count, 2);
    EXPECT_EQ(FindEntryInZipEntryRBTree(set, "docs/A.TXT", 1, 1, '\\', newName, sizeof newName), 0)
        << "case-sensitive";

    char small[5];
    EXPECT_EQ(FindEntryInZipEntryRBTree(set, "docs\\a.txt", 1, 0, '\\', small, sizeof small), 1);
    EXPECT_STREQ(small, "arch") << "new name cut to the buffer";

    snprintf(newName, sizeof newName, "unchanged");
    EXPECT_EQ(FindEntryInZipEntryRBTree(set, "docs\\b.txt", 1, 0, '\\', newName, sizeof newName), 1);
    EXPECT_STREQ(newName, "") << "a record without new name";
    EXPECT_EQ(FindEntryInZipEntryRBTree(set, "docs\\b.txt", 1, 0, '\\', nullptr, 0), 1);
    EXPECT_EQ(FindEntryInZipEntryRBTree(set, "docs\\c.txt", 1, 0, '\\', nullptr, 0), 0);
    RBTreeDestroy(&set);
}

TEST(ZipEntrySets, LongNamesAreCutNotOverflowed)
{
    std::string longName = std::string(600, 'd') + "\\" + std::string(400, 'f');
    ZipEntry* entry = CreateZipEntry(longName.c_str(), longName.c_str(), 3);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(std::strlen(entry->entry), 259u);
    EXPECT_EQ(std::strlen(entry->newEntry), 259u);
    ReleaseZipEntry(entry);

    BSTree* set = SetOf({longName.c_str()});
    std::string probe = longName;
    probe[700] = '/';  // beyond the cut: not seen
    EXPECT_EQ(FindEntryInZipEntry(set, probe.c_str(), 1, 1, '\\'), 1);
    BSTreeDestroy(&set);

    RBTree* rb = CreateZipEntryRBSet();
    RBTreeInsert(rb, CreateZipEntry(longName.c_str(), longName.c_str(), 1), nullptr);
    char newName[260];
    EXPECT_EQ(FindEntryInZipEntryRBTree(rb, longName.c_str(), 1, 1, '\\', newName, sizeof newName), 1);
    EXPECT_EQ(std::strlen(newName), 259u);
    RBTreeDestroy(&rb);
}

TEST(ZipEntrySets, PrintShowsEntryNewEntryAndNumber)
{
    BSTree* set = CreateZipEntrySet();
    BSTreeInsert(set, CreateZipEntry("a.txt", "b.txt", 4));
    BSTreeInsert(set, CreateZipEntry("c.txt", nullptr, 5));
    testing::internal::CaptureStdout();
    BSTreeWalk(set);
    std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_NE(printed.find("DefaultZipPrint: entry: a.txt, newEntry: b.txt, #: 4"), std::string::npos) << printed;
    EXPECT_NE(printed.find("DefaultZipPrint: entry: c.txt, #: 5 "), std::string::npos) << printed;
    BSTreeDestroy(&set);
}
