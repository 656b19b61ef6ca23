#include "driver/passes.h"

#include <gtest/gtest.h>

#include <string>

#include "testsupport/testsupport.h"

namespace {

TEST(Prototypes, SortedGroupsWithOldStyleForms) {
    std::string path = testsupport::scratch_file("demo.pro", "static int helper(char *p, int (*f)(int));\n"
                                                   "extern void a_first(void);\n"
                                                   "extern int broken(int;\n");
    std::string base = path.substr(0, path.size() - 3);
    rewrite_prototypes(base);
    std::string stem = base.substr(base.rfind('/') + 1);
    stem.pop_back();
    EXPECT_EQ(testsupport::read_file(path),
              "/* Prototypes from " + stem + ".c */\n\n/* extern functions - include these in a header file */\n\n"
              "#if        PROTOTYPES\nextern int broken(int;\nextern void a_first(void);\n#else /* PROTOTYPES */\n"
              "extern int broken(int;\nextern void a_first();\n#endif /* PROTOTYPES */\n\n"
              "/* static functions - include these in " + stem + ".c only */\n\n"
              "#if        PROTOTYPES\nstatic int helper(char *p, int (*f)(int));\n#else /* PROTOTYPES */\n"
              "static int helper();\n#endif /* PROTOTYPES */\n\n");
}

TEST(Prototypes, ManyAndLongLinesStayWhole) {
    std::string text;
    for (int i = 0; i < 400; ++i) text += "extern int f" + std::to_string(1000 + i) + "(int);\n";
    std::string long_params(600, 'x');
    text += "extern int g(int " + long_params + ");\n";
    std::string path = testsupport::scratch_file("many.pro", text);
    rewrite_prototypes(path.substr(0, path.size() - 3));
    std::string out = testsupport::read_file(path);
    EXPECT_NE(out.find("extern int f1399(int);\n"), std::string::npos);
    EXPECT_NE(out.find("extern int f1399();\n"), std::string::npos);
    EXPECT_NE(out.find("extern int g(int " + long_params + ");\n"), std::string::npos);
    EXPECT_NE(out.find("extern int g();\n"), std::string::npos);
}

}  // namespace
