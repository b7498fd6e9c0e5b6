#include "driver/messages.h"

#include <gtest/gtest.h>

TEST(SizeStr, BoundariesOfEachUnit)
{
    char buf[32];
    EXPECT_STREQ("0", MM_sizeStr(0, buf));
    EXPECT_STREQ("1", MM_sizeStr(1, buf));
    EXPECT_STREQ("1023", MM_sizeStr(1023, buf));
    EXPECT_STREQ("1.0K", MM_sizeStr(1024, buf));
    EXPECT_STREQ("1.5K", MM_sizeStr(1536, buf));
    EXPECT_STREQ("1024.0K", MM_sizeStr(1048575, buf));
    EXPECT_STREQ("1.0M", MM_sizeStr(1048576, buf));
    EXPECT_STREQ("-5", MM_sizeStr(-5, buf));
}
