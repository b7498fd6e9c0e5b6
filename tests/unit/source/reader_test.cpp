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

TEST_F(Reader, OverlongPhysicalLineArrivesInPieces)
{
    std::string longLine(MM_LINE_SIZE + 100, 'a');
    write("l.mml", longLine + "\nend\n");
    Reading r = readAll("l.mml");
    EXPECT_TRUE(r.lines == std::string(MM_LINE_SIZE - 1, 'a') + "\n" + std::string(101, 'a') + "\nend\n");
    EXPECT_EQ(3, ctx->fileStack[0].line);
}

TEST_F(Reader, FullBufferTakesNoContinuation)
{
    // The backslash fills the buffer: no room is left for a continuation,
    // and the line feed behind it arrives as an empty line.
    std::string text(MM_LINE_SIZE - 2, 'b');
    write("f.mml", text + "\\\ne\n");
    Reading r = readAll("f.mml");
    EXPECT_TRUE(r.lines == text + "\n\ne\n") << r.lines.size();
    // One character less, and the next line continues it up to the buffer's end.
    text.pop_back();
    write("g.mml", text + "\\\ncd\n");
    r = readAll("g.mml");
    EXPECT_TRUE(r.lines == text + "c\nd\n") << r.lines.size();
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
