#include "base/paths.h"

#include "../fixture.h"

namespace {

const std::string kSo = "\x83\x5C";  // "ソ" in Shift-JIS: its trail byte is a backslash

// Runs one path function into a guarded buffer of `size` bytes.
template <typename F>
std::string run(F f, const std::string &in, size_t size = MM_PATH_SIZE)
{
    std::vector<char> buf(size + 1, '#');
    snprintf(buf.data(), size, "%s", in.c_str());
    f(buf.data(), std::string(in).c_str(), size);
    EXPECT_EQ('#', buf[size]) << "wrote past the buffer for " << in;
    return buf.data();
}

std::string dirOf(const std::string &p) { return run(MM_pathDir, p); }
std::string stripExt(const std::string &p) { return run(MM_pathStripExt, p); }
std::string extOf(const std::string &p) { return run(MM_pathExt, p); }
std::string withExt(const std::string &p, size_t size = MM_PATH_SIZE)
{
    return run([](char *out, const char *in, size_t n) { MM_defaultExt(out, in, ".mml", n); }, p, size);
}
std::string join(const std::string &dir, const char *name, size_t size = MM_PATH_SIZE)
{
    return run([name](char *out, const char *, size_t n) { MM_pathJoin(out, name, n); }, dir, size);
}
std::string shortName(const std::string &p, int expect = 0)
{
    return run([expect](char *out, const char *in, size_t n) { EXPECT_EQ(expect, MM_shortName(out, in, n)) << in; }, p);
}

using Words = std::vector<std::string>;
Words split(const char *text)
{
    char **words = nullptr;
    int count = MM_splitWords(text, &words);
    Words result(words, words + count);
    if (words) {
        EXPECT_EQ(nullptr, words[count]);
    }
    MM_freeWords(count, words);
    return result;
}

}  // namespace

TEST(Paths, JoinAddsASeparatorOnlyWhereNeeded)
{
    EXPECT_EQ("song.mml", join("", "song.mml"));
    EXPECT_EQ("dir/song.mml", join("dir", "song.mml"));
    EXPECT_EQ("dir\\song.mml", join("dir\\", "song.mml"));
    EXPECT_EQ("C:song.mml", join("C:", "song.mml"));
    EXPECT_EQ(kSo + "/x", join(kSo, "x"));
    EXPECT_EQ("dir/lon", join("dir", "longname", 8));
}

TEST(Paths, DirectoryPart)
{
    EXPECT_EQ(".", dirOf("song.mml"));
    EXPECT_EQ("a/b", dirOf("a\\b\\c.mml"));
    EXPECT_EQ("/", dirOf("/song"));
    EXPECT_EQ("..", dirOf("../song"));
    EXPECT_EQ("C:.", dirOf("C:song"));
    EXPECT_EQ("C:/", dirOf("C:\\song"));
    EXPECT_EQ(".", dirOf(kSo + "song"));
    // A UTF-8 name whose bytes look like a lead byte still ends at the slash.
    EXPECT_EQ("\xE3\x81\x84", dirOf("\xE3\x81\x84/x"));
}

TEST(Paths, ExtensionIsTheLastDotOfTheLastComponent)
{
    EXPECT_EQ("x.tar", stripExt("x.tar.gz"));
    EXPECT_EQ(".", stripExt("."));
    EXPECT_EQ("..", stripExt(".."));
    EXPECT_EQ("../song", stripExt("../song"));
    EXPECT_EQ("a.b/c", stripExt("a.b/c"));
    EXPECT_EQ("gz", extOf("x.tar.gz"));
    EXPECT_EQ("", extOf(".."));
    EXPECT_EQ("", extOf("a.b/c"));

    EXPECT_EQ("dir/song.mml", withExt("dir/song"));
    EXPECT_EQ("song.txt", withExt("song.txt"));
    EXPECT_EQ(".mml", withExt(""));
    EXPECT_EQ(kSo + ".mml", withExt(kSo));
    EXPECT_EQ("my\tsong x.mml", withExt("my\tsong x"));  // a name is the whole text
    EXPECT_EQ("abcdefgh.", withExt("abcdefgh", 10));      // cut: the call says -1
}

TEST(Paths, ShortName)
{
    EXPECT_EQ("longfile.tex", shortName("dir/longfilename.text"));
    EXPECT_EQ("verylong", shortName("a\\b\\verylongname\\\\"));
    // Cut at 8 bytes, never inside a double-byte character.
    EXPECT_EQ("a" + kSo + kSo + kSo + ".mml", shortName("a" + kSo + kSo + kSo + kSo + ".mml"));
    for (const char *none : {"", "dir/.", "..", "/"}) EXPECT_EQ("", shortName(none, -1));
}

TEST(Paths, SplitWords)
{
    EXPECT_EQ((Words{"a", "b", "c"}), split("  a ,b\tc "));
    EXPECT_EQ((Words{"a", "", "b"}), split("a, ,b"));
    EXPECT_EQ((Words{"a", ""}), split("a,"));
    EXPECT_EQ((Words{"x, y", "z", "open end"}), split("\"x, y\" z \"open end"));
    EXPECT_EQ(Words{}, split(" \t\r\n"));
}

TEST(Paths, BackslashesSeparateExceptAsTrailBytesAndFoldersNeverOpen)
{
    char path[] = "dir\\sub\\\x95\\name.mml";  // 0x95 0x5C is one double-byte character
    MM_slashPath(path);
    EXPECT_STREQ("dir/sub/\x95\\name.mml", path);

    ScratchDir dir;
    dir.write("song.mml", "");
    FILE *fp = MM_openPath((dir.path + "\\song.mml").c_str(), "r");
    EXPECT_NE(nullptr, fp);
    if (fp) fclose(fp);
    EXPECT_EQ(nullptr, MM_openPath(dir.path.c_str(), "r"));
}

TEST(Paths, ProgDirIsTheRunningProgramsDirectory)
{
    char dir[MM_DIR_SIZE];
    EXPECT_EQ(0, MM_progDir(dir, "ignored/while/proc/is/there"));
    ASSERT_EQ('/', dir[0]);
    EXPECT_EQ(0, access((std::string(dir) + "unit_tests").c_str(), X_OK));
}
