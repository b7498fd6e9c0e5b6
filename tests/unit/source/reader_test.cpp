#include "source/reader.h"

#include "source_fixture.h"

using Reader = SourceTest;

TEST_F(Reader, ReturnsExpandedLinesAndConsumesRemarks)
{
    EXPECT_EQ("a\n\nl8 cde\n", linesOf("m.mml", "a\r\n\n/ remark $nothing\n#define P cde\nl8 $P\r\r\n"));
    EXPECT_EQ(5, ctx->fileStack[0].line);
    EXPECT_EQ(0, ctx->fileDepth);
    // # and / count only as the very first character.
    EXPECT_EQ(" /x\n #y\n", linesOf("b.mml", " /x\n #y\n"));
}

TEST_F(Reader, ContinuationJoinsPhysicalLines)
{
    write("m.mml", "abc\\\ndef\r\n#define A 1\\\n2\n$A\n");
    Reading r = readAll("m.mml");
    EXPECT_EQ("abcdef\n12\n", r.lines);
    // The backslash escapes the first character of the next line.
    EXPECT_EQ("a$b\n", linesOf("n.mml", "a\\\n$b\n"));
    // An empty continuation ends the line; the backslash writes nothing.
    EXPECT_EQ("abc\nxyz\n", linesOf("e.mml", "abc\\\n\nxyz\n"));
    // A line still waiting for its continuation at the end of the file is dropped.
    EXPECT_EQ("first\n", linesOf("d.mml", "first\nlast\\"));
}

TEST_F(Reader, ContinuationLineNumbersCountPhysicalLines)
{
    write("c.mml", "a \\\nb \\\nc\nd \\\n $x\n");
    Reading r = readAll("c.mml");
    EXPECT_EQ("a b c\n", r.lines);
    EXPECT_EQ("c.mml (5) : Can't define macro x \n", r.printed);
}

TEST_F(Reader, DoubleByteTrailBackslashDoesNotContinue)
{
    // 0x83 0x5C is one Shift-JIS character ending in the byte of a backslash.
    EXPECT_EQ("x\x83\x5C\nnext\n", linesOf("s.mml", "x\x83\x5C\nnext\n"));
    EXPECT_EQ("x\x83\x5C" "y\n", linesOf("t.mml", "x\x83\x5C\\\ny\n"));
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

TEST_F(Reader, InactiveRegionsAreSkippedButDirectivesStillCount)
{
    ctx->remarkMsg = 1;
    EXPECT_EQ("b\nd\n",
              linesOf("m.mml", "#if 0\na\n/ hidden remark\n#ifdef expr\nx\n#else\ny\n#endif\n#else\nb\n#endif\n"
                               "#ifndef nothing\nd\n#endif\n"));
}

TEST_F(Reader, EndOfFileInsideConditionalIsFatal)
{
    write("m.mml", "#if 1\na\n\n");
    Reading r = readAll("m.mml");
    EXPECT_EQ("a\n\n", r.lines);
    EXPECT_EQ("m.mml (3) : EOF encountered within #if construct!\n", r.printed);
}

TEST_F(Reader, LineWithoutOpenFileIsFatal)
{
    ctx->fileDepth = 0;
    EXPECT_EQ("CPP input errror!!\n", fatal([&] { MMcpp_getLine(ctx); }));
}

TEST_F(Reader, MissingFilesOpenNothing)
{
    EXPECT_EQ("nothing.mml : File open error!\n", readAll("nothing.mml").printed);
    // An empty name or a folder opens nothing.
    std::filesystem::create_directories(dir / "folder");
    EXPECT_EQ("e.mml (1) :  : File open error!\n", linesOf("e.mml", "#include \"\"\n"));
    EXPECT_EQ("f.mml (1) : folder : File open error!\n", linesOf("f.mml", "#include <folder>\n"));
}

TEST_F(Reader, SecondSearchStepLooksBesideTheMainSource)
{
    write("song/main.mml", "#include \"near.mml\"\n#include \"sub/a.mml\"\n");
    write("song/near.mml", "near\n");
    write("song/sub/a.mml", "a\n#include \"b.mml\"\n");
    write("song/sub/b.mml", "b\n");
    Reading r = readAll("song/main.mml");
    EXPECT_EQ("near\na\n", r.lines);
    // b.mml lies beside the included file, not beside the main source.
    EXPECT_EQ("sub/a.mml (2) : b.mml : File open error!\n", r.printed);
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

TEST_F(Reader, BaseNameMacro)
{
    write("x/tune01.mml", "[$_tune01]\n");
    EXPECT_EQ("[]\n", readAll("x/tune01.mml").lines);
    write("verylongname.mml", "[$_VERYLONG]\n");
    EXPECT_EQ("[]\n", readAll("verylongname.mml").lines);
    // A name that is no identifier defines nothing, silently.
    write("my-song.mml", "ok\n");
    Reading r = readAll("my-song.mml");
    EXPECT_EQ("ok\n", r.lines);
    EXPECT_EQ("", r.printed);
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
