// Mutated sources: every run ends with status 0 or 1 and a sanitiser finds nothing.
#include <gtest/gtest.h>

#include <random>

#include "run_ormpre.h"

namespace {
const char* const seeds[] = {
    "#define f(a,b) a##b #a\n#define g(x) f(x,1) g\nint f(x,y) = g(2) + g(g(3));\n",
    "#if defined(A) || (1 ? 2 : 3) / 0 % 4 << 5 >> 6\nx\n#elif sizeof(int *) > 'ab'\ny\n#else\nz\n#endif\n",
    "/* comment /* nested */ a // line\n\"str\\\"ing\" 'c' 0x1Fu 1.5e3L\n",
    "#asm\n  movlw 0x10\n#endasm\n#pragma  psect  text\n#line 9 \"n.c\"\n__LINE__ __FILE__\n",
    "#define s(x) #x\n#define e(x) s(x)\ne(__LINE__) s(\"a\\\\b\") s( 'q' )\n#undef s\n",
    "#ifdef X\n#ifndef Y\n#include \"none.h\"\n#endif\n#endif\n#error fine\n#warning w\n#assert 1\n",
    "#define r(x) r(x) x\n#define m(a,b,c,d) a b c d\nr(m(1,2,3,4)) m() m(,,,)\n",
};
const char* const pieces[] = {
    "##", "#", "(", ")", ",", "\"", "'", "/*", "*/", "//", "\\\n", "?\?/", "?\?=", "\n#if ", "\n#define ",
    "defined", "sizeof(", "\x1f", "\x1d", "\xff", "\n", "\t", "f(", "0x", "?", ":", "\n#endif\n", "\n#else\n",
    "\n#asm\n", "\n#endasm\n", "__LINE__", "\r",
};

std::string mutate(std::mt19937& rng, std::string s) {
    auto pick = [&](size_t n) { return n ? static_cast<size_t>(rng() % n) : 0; };
    int edits = 1 + static_cast<int>(pick(8));
    for (int i = 0; i < edits; ++i) {
        size_t at = pick(s.size() + 1);
        switch (pick(5)) {
        case 0: s.insert(at, pieces[pick(std::size(pieces))]); break;
        case 1:
            if (!s.empty()) s.erase(at < s.size() ? at : 0, 1 + pick(6));
            break;
        case 2:
            if (at < s.size()) s[at] = static_cast<char>(rng());
            break;
        case 3: s.insert(at, s.substr(pick(s.size()), 1 + pick(30))); break;
        default: s = s.substr(0, at); break;
        }
    }
    return s;
}
}  // namespace

TEST(Fuzz, MutatedSourcesNeverCrash) {
    std::mt19937 rng(5);
    scratch_dir dir;
    int runs = 0;
    for (int round = 0; round < 40; ++round)
        for (const char* seed : seeds) {
            std::string source = mutate(rng, seed);
            dir.file("f.c", source);
            std::vector<std::string> args = {"-W-9", "f.c"};
            if (round % 3 == 0) args.insert(args.begin(), "-C");
            if (round % 4 == 1) args.insert(args.begin(), "-L");
            ormpre_run r = dir.run(args);
            ++runs;
            EXPECT_TRUE(r.status == 0 || r.status == 1) << "status " << r.status << " for:\n" << source;
            EXPECT_EQ(r.err.find("Sanitizer"), std::string::npos) << r.err << "\nfor:\n" << source;
            EXPECT_EQ(r.err.find("runtime error"), std::string::npos) << r.err << "\nfor:\n" << source;
        }
    EXPECT_EQ(runs, 40 * static_cast<int>(std::size(seeds)));
}
