#include "driver/paths.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

TEST(SlashPath, BackslashesSeparateExceptAsTrailBytes)
{
    char path[] = "dir\\sub\\\x95\\name.mml";   // 0x95 0x5C is one double-byte character
    MM_slashPath(path);
    EXPECT_STREQ("dir/sub/\x95\\name.mml", path);
}

TEST(OpenPath, OpensThroughBackslashesAndRefusesDirectories)
{
    std::string dir = ::testing::TempDir() + "open_path_" + std::to_string(getpid());
    mkdir(dir.c_str(), 0700);
    std::string file = dir + "/song.mml";
    FILE *fp = fopen(file.c_str(), "w");
    ASSERT_NE(nullptr, fp);
    fclose(fp);

    fp = MM_openPath((dir + "\\song.mml").c_str(), "r");
    EXPECT_NE(nullptr, fp);
    if (fp) fclose(fp);
    EXPECT_EQ(nullptr, MM_openPath(dir.c_str(), "r"));

    remove(file.c_str());
    rmdir(dir.c_str());
}
