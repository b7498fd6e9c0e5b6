#include "source/reader.h"

#include "../fixture.h"

namespace {

using Reader = SourceTest;

TEST_F(Reader, LinesAndContinuations)
{
    // # and / count only as the very first character.
    EXPECT_EQ(" /x\n #y\n", linesOf("b.mml", " /x\n #y\n"));
    // A line still waiting for its continuation at the end of the file is dropped.
    EXPECT_EQ("first\n", linesOf("d.mml", "first\nlast\\"));
    // A trail byte 0x5C continues nothing, but a backslash behind it does.
    EXPECT_EQ("x\x83\x5C" "y\n", linesOf("t.mml", "x\x83\x5C\\\ny\n"));
    // Errors name the physical line.
    EXPECT_EQ("a b c\nc.mml (5) : Can't define macro x \n", linesOf("c.mml", "a \\\nb \\\nc\nd \\\n $x\n"));
}

TEST_F(Reader, LinesAtTheLengthLimit)
{
    // 16383 bytes fit, with the carriage return and line feed behind them.
    std::string full(MM_LINE_SIZE - 1, 'a');
    EXPECT_TRUE(linesOf("l.mml", full + "\r\nend") == full + "\nend\n");
    // One byte more is an error at its own line, not a split line.
    EXPECT_EQ("x\nm.mml (2) : Too long line! (more than 16383 bytes)\n", linesOf("m.mml", "x\n" + full + "a\nend\n"));
    // A continuation may fill the line but not run past it.
    std::string half(MM_LINE_SIZE / 2, 'b');
    EXPECT_TRUE(linesOf("c.mml", half + "\\\n" + std::string(MM_LINE_SIZE / 2 - 2, 'c')) ==
                half + std::string(MM_LINE_SIZE / 2 - 2, 'c') + "\n");
    EXPECT_EQ("d.mml (2) : Too long line! (more than 16383 bytes)\n", linesOf("d.mml", half + "\\\n" + half + "\n"));
}

TEST_F(Reader, NulByteIsAnErrorOfItsLine)
{
    EXPECT_EQ("a\nn.mml (2) : NUL byte in the source! (no text file holds one)\n",
              linesOf("n.mml", std::string("a\nb\0c\nd\n", 8)));
    EXPECT_EQ("z.mml (1) : NUL byte in the source! (no text file holds one)\n",
              linesOf("z.mml", std::string("\0", 1)));
}

TEST_F(Reader, BinaryGarbageNeverCrashes)
{
    std::string garbage;
    for (int i = 0; i < 20000; ++i) garbage += (char)((i * 7919) % 256);
    write("g.mml", garbage);
    Reading r = readAll("g.mml");
    EXPECT_FALSE(r.printed.empty() && r.lines.empty());
}

TEST_F(Reader, LineWithoutOpenFileIsFatal)
{
    EXPECT_EQ("CPP input errror!!\n", fatal([&] { MMcpp_getLine(ctx); }));
}

TEST_F(Reader, IncludesSearchBesideTheIncludingFileAndOpenNoFolders)
{
    write("song/main.mml", "#include \"near.mml\"\n#include \"sub/a.mml\"\n");
    write("song/near.mml", "near\n");
    write("song/sub/a.mml", "a\n#include \"b.mml\"\n");
    write("song/sub/b.mml", "b\n");
    // b.mml lies beside the included file, not beside the main source.
    Reading r = readAll("song/main.mml");
    EXPECT_EQ("near\na\nsub/a.mml (2) : b.mml : File open error!\n", r.lines + r.printed);
    std::filesystem::create_directories(dir.path + "/folder");
    EXPECT_EQ("e.mml (1) :  : File open error!\n", linesOf("e.mml", "#include \"\"\n"));
    EXPECT_EQ("f.mml (1) : folder : File open error!\n", linesOf("f.mml", "#include <folder>\n"));
}

TEST_F(Reader, BackslashSeparatesPathsUnlessItIsATrailByte)
{
    write("song/inc/x.mml", "x\n");
    write("song/\x83\x5C.mml", "sjis\n");
    EXPECT_EQ("x\nsjis\n", linesOf("song/m.mml", "#include \"inc\\x.mml\"\n#include \"\x83\x5C.mml\"\n"));
    FILE *fp = MM_fopen(ctx, "song\\inc\\x.mml", "rb");
    ASSERT_NE(nullptr, fp);
    fclose(fp);
}

TEST_F(Reader, BaseNameMacroIsDefinedOnlyForAnIdentifier)
{
    EXPECT_EQ("[]\n", linesOf("verylongname.mml", "[$_VERYLONG]\n"));
    EXPECT_EQ("ok\n", linesOf("my-song.mml", "ok\n"));
}

TEST_F(Reader, CloseAllFreesTheStack)
{
    write("inc.mml", "i\ni2\n");
    write("m.mml", "#include \"inc.mml\"\n");
    ASSERT_EQ(0, MMcpp_open(ctx, "m.mml"));
    ASSERT_NE(nullptr, MMcpp_getLine(ctx));
    EXPECT_EQ(2, ctx->fileDepth);
    MMcpp_closeAll(ctx);
    EXPECT_EQ(0, ctx->fileDepth);
    for (const SourceFile &file : ctx->fileStack) EXPECT_EQ(nullptr, file.fp);
}

}  // namespace
