#include <gtest/gtest.h>
#include "app/langtext.h"
#include "config/log.h"

TEST(Smoke, LanguageLibraryLoads)
{
    EXPECT_NE(GetMessageText(94), nullptr);
}
