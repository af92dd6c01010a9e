#include "tests/layering/LayeringCheck.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

class TempTree {
public:
    TempTree()
    {
        std::string pattern = (fs::temp_directory_path() / "layering-XXXXXX").string();
        if (mkdtemp(pattern.data()))
            root_ = pattern;
    }
    ~TempTree()
    {
        std::error_code ec;
        if (!root_.empty())
            fs::remove_all(root_, ec);
    }
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    const fs::path& root() const { return root_; }
    void write(const std::string& path, const std::string& text) const
    {
        fs::create_directories((root_ / path).parent_path());
        std::ofstream(root_ / path) << text;
    }

private:
    fs::path root_;
};

std::set<std::string> summaries(const layering::Result& result)
{
    std::set<std::string> out;
    for (const layering::Finding& f : result.findings)
        out.insert(f.file + ":" + std::to_string(f.line) + " " + f.resolved + " (" + f.reason + ")");
    return out;
}

// The headers the cases include; each exists, as the check resolves includes
// the way the compiler does.
const char* const kHeaders[] = {
    "document/Doc.h",          "view/V.h",          "app/A.h",
    "platform/graphics/G.h",   "platform/core/D.h", "platform/core/Geo.h",
    "spelling/pwd.h",          "spelling/t.h",      "foundation/F.h",
    "foundation/tests/Help.h", "tools/gen/ref.h",   "platform/appkit/W.h",
    "bundles/convala/markup/Z.h", "panels/P.h",
};

struct Case {
    const char* file;
    const char* line; // the file's second line
    const char* expected; // resolved file and reason; nullptr: allowed
};

const Case kCases[] = {
    {"foundation/Up.cpp", "#include \"document/Doc.h\"", "document/Doc.h (foundation may not include document)"},
    {"foundation/Relative.cpp", "#include \"../view/V.h\"", "view/V.h (foundation may not include view)"},
    {"foundation/Spaced.cpp", "  #  include   <app/A.h>", "app/A.h (foundation may not include app)"},
    {"platform/core/C.cpp", "#include \"graphics/G.h\"",
     "platform/graphics/G.h (platform/core may not include platform/graphics)"},
    {"platform/graphics/Win.cpp", "#include \"appkit/W.h\"",
     "platform/appkit/W.h (platform/graphics may not include platform/appkit)"},
    {"platform/core/Same.cpp", "#include <core/D.h>", nullptr},
    {"platform/graphics/Down.cpp", "#include \"core/Geo.h\"", nullptr},
    {"platform/core/Spell.cpp", "#include \"spelling/pwd.h\"", "spelling/pwd.h (platform/core may not include spelling)"},
    {"spelling/s.cpp", "#include \"core/Geo.h\"", "platform/core/Geo.h (spelling may include only spelling/)"},
    {"spelling/u.cpp", "#include \"foundation/F.h\"", "foundation/F.h (spelling may include only spelling/)"},
    {"spelling/own.cpp", "#include \"spelling/t.h\"", nullptr},
    {"spelling/near.cpp", "#include \"t.h\"", nullptr},
    {"foundation/Prefs.cpp", "#include \"spelling/pwd.h\"", nullptr},
    {"document/Down.cpp", "#include \"foundation/F.h\"", nullptr},
    {"foundation/Commented.cpp", "// #include \"document/Doc.h\"", nullptr},
    {"foundation/Library.cpp", "#include <vector>", nullptr},
    {"foundation/Missing.cpp", "#include \"document/NotThere.h\"", nullptr},
    {"foundation/UsesTest.cpp", "#include \"foundation/tests/Help.h\"",
     "foundation/tests/Help.h (program code may not include a test's file)"},
    {"foundation/tests/T.cpp", "#include \"foundation/tests/Help.h\"", nullptr},
    {"foundation/tests/UpTest.cpp", "#include \"app/A.h\"", "app/A.h (foundation may not include app)"},
    {"foundation/Tool.h", "#include \"tools/gen/ref.h\"",
     "tools/gen/ref.h (foundation may not include files outside the program's layers)"},
    {"foundation/tests/fixtures/broken.cpp", "#include \"app/A.h\"", nullptr},
    {"tools/gen/gen.cpp", "#include \"app/A.h\"", nullptr},
    {"app/Top.cpp", "#include \"view/V.h\"", nullptr},
    // Bundles stand above the program: they use it, it never includes them.
    {"bundles/convala/markup/Z.cpp", "#include \"app/A.h\"", nullptr},
    {"bundles/convala/rtf/W.cpp", "#include \"panels/P.h\"", nullptr},
    {"bundles/convala/rtf/Own.cpp", "#include \"bundles/convala/markup/Z.h\"", nullptr},
    {"panels/Up.cpp", "#include \"bundles/convala/markup/Z.h\"",
     "bundles/convala/markup/Z.h (panels may not include bundles)"},
    {"app/Up.cpp", "#include \"bundles/convala/markup/Z.h\"", "bundles/convala/markup/Z.h (app may not include bundles)"},
};

TEST(LayeringCheck, FindsEachUpwardIncludeAndNothingElse)
{
    TempTree tree;
    ASSERT_FALSE(tree.root().empty());
    for (const char* h : kHeaders)
        tree.write(h, "#pragma once\n");
    std::set<std::string> expected;
    for (const Case& c : kCases) {
        tree.write(c.file, std::string("// a file\n") + c.line + "\n");
        if (c.expected)
            expected.insert(std::string(c.file) + ":2 " + c.expected);
    }
    EXPECT_EQ(summaries(layering::check(tree.root(), {})), expected);
}

TEST(LayeringCheck, AllowancesSilenceTheirIncludesAndUnusedOnesAreReported)
{
    TempTree tree;
    ASSERT_FALSE(tree.root().empty());
    tree.write("document/Doc.h", "#pragma once\n");
    tree.write("app/A.h", "#pragma once\n");
    tree.write("foundation/One.cpp", "#include \"document/Doc.h\"\n#include \"app/A.h\"\n");
    tree.write("foundation/Two.cpp", "#include \"document/Doc.h\"\n");

    const std::vector<layering::Allowance> allowed = {
        {"foundation/*", "document/Doc.h", 1},
        {"foundation/Two.cpp", "app/*", 2},
    };
    const layering::Result r = layering::check(tree.root(), allowed);
    EXPECT_EQ(summaries(r), std::set<std::string>{"foundation/One.cpp:2 app/A.h (foundation may not include app)"});
    ASSERT_EQ(r.unused.size(), 1u);
    EXPECT_EQ(r.unused[0].line, 2);
    ASSERT_EQ(r.findings.size(), 1u);
    EXPECT_EQ(layering::describe(r.findings[0]),
              "foundation/One.cpp:2: #include \"app/A.h\" reaches app/A.h (foundation may not include app)");
}

TEST(LayeringCheck, AllowListEntriesNeedTwoPatternsAndAReason)
{
    TempTree tree;
    ASSERT_FALSE(tree.root().empty());
    tree.write("allowed.txt",
               "# Why the next two are allowed.\n"
               "foundation/*  app/A.h\n"
               "foundation/*  view/V.h\n"
               "\n"
               "foundation/X.cpp  document/*   # a reason of its own\n"
               "foundation/Y.cpp  document/*\n"
               "foundation/Z.cpp\n");
    std::vector<std::string> errors;
    const std::vector<layering::Allowance> allowed = layering::readAllowList(tree.root() / "allowed.txt", errors);
    ASSERT_EQ(allowed.size(), 4u);
    EXPECT_EQ(allowed[0].from, "foundation/*");
    EXPECT_EQ(allowed[0].to, "app/A.h");
    EXPECT_EQ(allowed[2].line, 5);
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_NE(errors[0].find("allowed.txt:6:"), std::string::npos) << errors[0];
    EXPECT_NE(errors[0].find("no comment"), std::string::npos) << errors[0];
    EXPECT_NE(errors[1].find("allowed.txt:7:"), std::string::npos) << errors[1];

    errors.clear();
    layering::readAllowList(tree.root() / "absent.txt", errors);
    EXPECT_EQ(errors.size(), 1u);
}

// The tree itself: every upward include is on the allow list, and every entry
// of the list is still needed.
TEST(Layering, TreeIncludesOnlyDownwardOrAllowed)
{
    const fs::path root = SCRIVLY_SOURCE_DIR;
    ASSERT_TRUE(fs::is_directory(root / "platform")) << root;
    ASSERT_TRUE(fs::is_directory(root / "spelling")) << root;
    const fs::path list = root / "tests/layering/allowed.txt";
    std::vector<std::string> errors;
    const std::vector<layering::Allowance> allowed = layering::readAllowList(list, errors);
    for (const std::string& e : errors)
        ADD_FAILURE() << e;
    // Each entry names the one file it lets through: a pattern there would
    // let any new file reach upward without anyone noticing.
    for (const layering::Allowance& a : allowed)
        if (a.from.find_first_of("*?[") != std::string::npos)
            ADD_FAILURE() << list.filename().string() << ":" << a.line << ": " << a.from
                          << " is a pattern, not a single file";
    const layering::Result r = layering::check(root, allowed);
    for (const layering::Finding& f : r.findings)
        ADD_FAILURE() << layering::describe(f);
    for (const layering::Allowance& a : r.unused)
        ADD_FAILURE() << list.filename().string() << ":" << a.line << ": " << a.from << " " << a.to
                      << " matches no include any more; remove it";
}

} // namespace
