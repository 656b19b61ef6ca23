// The preprocessed text: markers, blank-line runs, pass-through lines, dependency lists,
// the command line and the message display.
#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "run_ormpre.h"

TEST(PreprocessedText, EmptyInputIsOneMarker) {
    ormpre_run r = preprocess("");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "\n# 1 \"t.c\"\n");
}

TEST(PreprocessedText, BlankLineRuns) {
    // Four empty lines are written as they are; five become a marker.
    ormpre_run four = preprocess("a\n\n\n\n\nb\n");
    EXPECT_EQ(four.out, "\n# 1 \"t.c\"\na\n\n\n\n\nb\n");
    ormpre_run five = preprocess("a\n\n\n\n\n\nb\n");
    EXPECT_EQ(five.out, "\n# 1 \"t.c\"\na\n\n# 7\nb\n");
    // Trailing empty lines shrink to one newline.
    EXPECT_EQ(preprocess("a\n\n\n").out, "\n# 1 \"t.c\"\na\n\n");
}

TEST(PreprocessedText, WhiteSpaceAndComments) {
    ormpre_run r = preprocess("   int \t x  =  1 ;  \n/* one */ y /* two */ = /**/2;\nz/**/w // end\n");
    EXPECT_EQ(r.out, "\n# 1 \"t.c\"\nint x = 1 ;\ny = 2;\nz w\n");
    // A comment over lines keeps the source position with a marker.
    ormpre_run c = preprocess("a /* x\ny */ b\nc\n");
    EXPECT_EQ(c.out, "\n# 1 \"t.c\"\na b\n\n# 3\nc\n");
    // -C keeps comments where they stand.
    ormpre_run k = preprocess("a /* x */ b\n", {"-C"});
    EXPECT_EQ(k.out, "\n# 1 \"t.c\"\na /* x */ b\n");
}

TEST(PreprocessedText, SplicesAndTrigraphs) {
    ormpre_run r = preprocess("int a\\\nb;\nc ?\?( 1 ?\?) ?\?=\n");
    EXPECT_EQ(r.out, "\n# 1 \"t.c\"\nint ab;\n\n# 3\nc [ 1 ] #\n");
    // Carriage returns are dropped.
    EXPECT_EQ(preprocess("x\r\ny\r\n").out, "\n# 1 \"t.c\"\nx\ny\n");
}

TEST(PreprocessedText, BytesAboveSevenBitsPassUnchanged) {
    // Raw bytes 0x80-0xFF in literals, also through a macro's text: none may be taken for the
    // end of input or widened to two bytes.
    ormpre_run r = preprocess("s = \"\\0\xff\x80\"; c = '\xff';\n#define S \"\xff\xfe\"\nt = S;\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "\n# 1 \"t.c\"\ns = \"\\0\xff\x80\"; c = '\xff';\n\nt = \"\xff\xfe\";\n");
}

TEST(PreprocessedText, MacroCallOverLinesThenMarker) {
    ormpre_run r = preprocess("#define f(a,b,c) a+b+c\nf(1,\n2,\n3) x\ny\n");
    EXPECT_EQ(r.out, "\n# 1 \"t.c\"\n\n1+2+3 x\n\n# 5\ny\n");
}

TEST(PreprocessedText, PragmaPassThrough) {
    ormpre_run r = preprocess("#pragma  a  b\nx\n");
    EXPECT_EQ(r.out, "\n# 1 \"t.c\"\n#pragma   a  b\nx\n");
    // Comments are removed, macros are not expanded.
    ormpre_run m = preprocess("#define A 1\n#pragma A /* c */ x\n");
    EXPECT_EQ(m.out, "\n# 1 \"t.c\"\n\n#pragma  A  x\n");
}

TEST(PreprocessedText, PragmaAfterBlankLinesStaysOnItsLine) {
    // The parser counts lines: the pragma must be its source's line 4.
    ormpre_run r = preprocess("x\n\n\n#pragma p\ny\n");
    EXPECT_EQ(r.out, "\n# 1 \"t.c\"\nx\n\n\n#pragma  p\ny\n");
    ormpre_run marker = preprocess("x\n\n\n\n\n\n\n#pragma p\ny\n");
    EXPECT_EQ(marker.out, "\n# 1 \"t.c\"\nx\n\n# 8\n#pragma  p\ny\n");
}

TEST(PreprocessedText, AsmBlocks) {
    ormpre_run r = preprocess("#define K 5\nx\n#asm\n  movlw K\n\tmovwf 0x1Fh\n#endasm tail\ny\n");
    EXPECT_EQ(r.out,
              "\n# 1 \"t.c\"\n\nx\n\n# 3\n#asm\n  movlw 5\n movwf 0x1Fh\n#endasm  tail\ny\n");
    // Blank lines before #endasm are written first: it stays on its source line (5).
    EXPECT_EQ(preprocess("#asm\n nop\n\n\n#endasm\n").out, "\n# 1 \"t.c\"\n\n# 1\n#asm\n nop\n\n\n#endasm \n");
    // A marker inside a block leaves and re-enters it.
    ormpre_run m = preprocess("#asm\n nop\n\n\n\n\n\n nop\n#endasm\n");
    EXPECT_EQ(m.out, "\n# 1 \"t.c\"\n\n# 1\n#asm\n nop\n\n#endasm\n# 7\n#asm\n nop\n#endasm \n");
}

TEST(PreprocessedText, IncludeMarkers) {
    scratch_dir dir;
    dir.file("h.h", "int h;\n");
    dir.file("t.c", "#include \"h.h\"\nint t;\n");
    ormpre_run r = dir.run({"t.c"});
    EXPECT_EQ(r.out, "\n# 1 \"t.c\"\n\n# 1 \"h.h\"\nint h;\n\n# 2 \"t.c\"\nint t;\n");
}

TEST(PreprocessedText, LineDirectiveAndFileName) {
    ormpre_run r = preprocess("# 7 \"x.c\"\na __LINE__ __FILE__\n#line 20\nb __LINE__\n");
    EXPECT_EQ(r.out, "\n# 1 \"t.c\"\n\n# 7 \"x.c\"\na 7 \"x.c\"\n\n# 20\nb 20\n");
    ormpre_run f = preprocess("__FILE__\n", {"-Fdir\\main.c"});
    EXPECT_EQ(f.out, "\n# 1 \"dir\\main.c\"\n\"dir\\\\main.c\"\n");
    // A #line name longer than any fixed buffer.
    std::string longname(10000, 'n');
    ormpre_run l = preprocess("#line 3 \"" + longname + "\"\nx\n");
    EXPECT_EQ(l.out, "\n# 1 \"t.c\"\n\n# 3 \"" + longname + "\"\nx\n");
}

TEST(Dependencies, HeaderListedOnceAndReadOnceWithL) {
    scratch_dir dir;
    dir.file("h.h", "#ifndef H\n#define H\nint h;\n#endif\n");
    dir.file("g.h", "#include \"h.h\"\n");
    dir.file("t.c", "#include \"h.h\"\n#include \"g.h\"\n#include \"h.h\"\n");
    ormpre_run deps = dir.run({"-L", "t.c"});
    EXPECT_EQ(deps.status, 0);
    EXPECT_TRUE(deps.out == "h.h\ng.h\n" || deps.out == "g.h\nh.h\n") << deps.out;
    // With a list file the text is written as usual.
    ormpre_run text = dir.run({"-Ldeps.txt", "t.c", "t.i"});
    EXPECT_EQ(text.status, 0);
    EXPECT_NE(dir.read("t.i").find("int h;"), std::string::npos);
    std::string list = dir.read("deps.txt");
    EXPECT_TRUE(list == "h.h\ng.h\n" || list == "g.h\nh.h\n") << list;
}

TEST(Dependencies, DependencyOnlyModeReadsAHeaderOnce) {
    scratch_dir dir;
    dir.file("h.h", "#warning read\n");
    dir.file("t.c", "#include \"h.h\"\n#include \"h.h\"\n");
    auto count = [](const std::string& err) {
        size_t n = 0;
        for (size_t at = err.find("#warning: read"); at != std::string::npos; at = err.find("#warning: read", at + 1))
            ++n;
        return n;
    };
    EXPECT_EQ(count(dir.run({"-L", "t.c"}).err), 1u);
    EXPECT_EQ(count(dir.run({"t.c"}).err), 2u);
}

TEST(Dependencies, MakeRuleEscapesNames) {
    scratch_dir dir;
    dir.file("my dir/a b.h", "\n");
    dir.file("t.c", "#include \"my dir/a b.h\"\n");
    ormpre_run r = dir.run({"-LM-t.d", "t.c", "t.i"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(dir.read("t.d"), "t.d t.obj: t.c my\\ dir/a\\ b.h");
    // Without a dot in a name the plain form is used.
    ormpre_run plain = dir.run({"-LM-tdeps", "t.c", "t.i"});
    EXPECT_EQ(dir.read("tdeps"), "my dir/a b.h\n");
    // A dot in a folder name is no extension.
    dir.file("v1.0/m.c", "#include \"../my dir/a b.h\"\n");
    ormpre_run folder = dir.run({"-LM-v1.0/deps", "v1.0/m.c", "t.i"});
    EXPECT_EQ(dir.read("v1.0/deps"), "v1.0/../my dir/a b.h\n");
}

TEST(Dependencies, UnopenableListFileNeverReachesTheText) {
    scratch_dir dir;
    dir.file("h.h", "int h;\n");
    dir.file("t.c", "#include \"h.h\"\n");
    ormpre_run r = dir.run({"-Lno/such/dir/t.d", "t.c"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("(154)"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "\n# 1 \"t.c\"\n\n# 1 \"h.h\"\nint h;\n");
}

TEST(CommandLine, IdentifierLength) {
    std::string id40(40, 'a');
    std::string id300(300, 'b');
    EXPECT_EQ(text_lines(preprocess(id40 + "\n", {"-N40"}).out).at(0), id40);
    EXPECT_EQ(text_lines(preprocess(id40 + "\n", {"-N20"}).out).at(0), std::string(31, 'a'));
    EXPECT_EQ(text_lines(preprocess(id300 + "\n", {"-N300"}).out).at(0), std::string(255, 'b'));
    EXPECT_EQ(text_lines(preprocess(id40 + "\n").out).at(0), std::string(31, 'a'));
}

TEST(CommandLine, DefinesAndUndefines) {
    ormpre_run r = preprocess("A B __STDC__ C\n", {"-DA", "-DB=two words", "-U__STDC__", "-dC=3"});
    EXPECT_EQ(text_lines(r.out).at(0), "1 two words __STDC__ 3");
    ormpre_run never = preprocess("x\n", {"-W-1", "-UNOPE"});
    EXPECT_NE(never.err.find("(177) symbol \"NOPE\" in -U option was never defined (warning)"), std::string::npos)
        << never.err;
    EXPECT_EQ(never.status, 0);
}

TEST(CommandLine, BadArguments) {
    scratch_dir dir;
    dir.file("t.c", "x\n");
    ormpre_run three = dir.run({"t.c", "a", "b"});
    EXPECT_EQ(three.status, 1);
    EXPECT_NE(three.err.find("(110) too many file arguments; usage: ormpre [input [output]]"), std::string::npos);
    ormpre_run unknown = dir.run({"-Q", "t.c"});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_NE(unknown.err.find("(168) unknown option \"-Q\""), std::string::npos) << unknown.err;
    EXPECT_EQ(unknown.out, "\n# 1 \"t.c\"\nx\n");
    ormpre_run missing = dir.run({"nothere.c"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("(141) can't open input file \"nothere.c\""), std::string::npos) << missing.err;
}

TEST(CommandLine, StandardStreamsAndCommandFile) {
    scratch_dir dir;
    ormpre_run r = dir.run({"-", "-"}, "a\n");
    EXPECT_EQ(r.out, "\n# 1 \"\"\na\n");
    dir.file("t.c", "B\n");
    dir.file("cmd", "-DB=9 t.c\n");
    ormpre_run at = dir.run({"@cmd"});
    EXPECT_EQ(at.out, "\n# 1 \"t.c\"\n9\n");
}

TEST(CommandLine, FatalMessageLeavesNoHalfWrittenOutput) {
    scratch_dir dir;
    dir.file("t.c", "a\n#include <none.h>\nb\n");
    ormpre_run r = dir.run({"t.c", "t.i"});
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(dir.exists("t.i"));
    // An error that does not stop the run keeps the whole text.
    dir.file("e.c", "#error stop\nb\n");
    ormpre_run e = dir.run({"e.c", "e.i"});
    EXPECT_EQ(e.status, 1);
    EXPECT_EQ(dir.read("e.i"), "\n# 1 \"e.c\"\n\nb\n");
}

TEST(MessageDisplay, SourceLineAndCaret) {
    ormpre_run r = preprocess("int x;\n#if 1 +\n#endif\n");
    EXPECT_EQ(r.status, 1);
    // The line once, then the caret line: a text longer than the column starts with the caret.
    EXPECT_NE(r.err.find("t.c:\n     2:\t#if 1 +\n"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("\t       ^ (120) operator \"end of expression\" in incorrect context\n"), std::string::npos)
        << r.err;
    // A short text lies left of the caret.
    std::string pad(60, ' ');
    ormpre_run s = preprocess("#if" + pad + "\"s\"\n#endif\n");
    EXPECT_NE(s.err.find("\t" + std::string(62 - 34, ' ') + "(126) strings can't be used in #if ^\n"),
              std::string::npos)
        << s.err;
}

TEST(MessageDisplay, LayoutsAndMessageFile) {
    scratch_dir dir;
    dir.file("t.c", "#error boom\n");
    ormpre_run e1 = dir.run({"-E1", "t.c"});
    EXPECT_EQ(e1.err.find("#error boom"), std::string::npos) << e1.err;   // no source line
    EXPECT_NE(e1.err.find("(103) #error: boom (error)"), std::string::npos) << e1.err;
    ormpre_run file = dir.run({"-E12", "t.c"});
    EXPECT_EQ(file.err, "");
    EXPECT_NE(dir.read("12").find("#error: boom"), std::string::npos);
    // Outside any line (an option) the plain layout has no position.
    ormpre_run opt = dir.run({"-Q", "t.c"});
    EXPECT_EQ(opt.err.find("(168) unknown option \"-Q\""), 0u) << opt.err;
}

TEST(Dependencies, AgreeWithTheHostCompiler) {
    ORM_REQUIRE_TOOL("gcc");
    scratch_dir dir;
    dir.file("src/main.c", "#include \"local.h\"\n#include <lib.h>\n#include \"sub/deep.h\"\n#include <lib.h>\n");
    dir.file("src/local.h", "#include \"sub/deep.h\"\n");
    dir.file("src/sub/deep.h", "#include \"sibling.h\"\n");
    dir.file("src/sub/sibling.h", "int s;\n");
    dir.file("inc/lib.h", "#ifndef LIB\n#define LIB\n#include <more.h>\n#endif\n");
    dir.file("inc/more.h", "int m;\n");
    ormpre_run ours = dir.run({"-L", "-Iinc", "src/main.c"});
    ASSERT_EQ(ours.status, 0) << ours.err;
    std::set<std::string> mine;
    for (const auto& line : text_lines(ours.out)) mine.insert(line);
    std::string cmd = "cd '" + dir.path() + "' && gcc -MM -Iinc src/main.c > gcc.d";
    ASSERT_EQ(system(cmd.c_str()), 0);
    std::set<std::string> theirs;
    std::istringstream in(dir.read("gcc.d"));
    for (std::string word; in >> word;)
        if (word != "\\" && word.back() != ':' && word != "src/main.c") theirs.insert(word);
    EXPECT_EQ(mine, theirs);
}
