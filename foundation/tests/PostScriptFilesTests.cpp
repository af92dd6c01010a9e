#include "TestEnvironment.h"

#include "foundation/FileManagerExtensions.h"
#include "foundation/PostScriptFiles.h"
#include "graphics/RecordingContext.h"

#include <cstdlib>

namespace {

std::string fixture(const std::string& name) { return std::string(SCRIVLY_FIXTURES_DIR) + "/" + name; }

std::string readPage(const std::string& name, int page)
{
    return kit::FileManager::contentsAtPath(pageFileName(name, page)).value_or("<missing>");
}

std::string writeTemp(const std::string& prefix, const std::string& bytes)
{
    const std::string path = kit::FileManager::uniqueTemporaryPath(prefix);
    EXPECT_TRUE(kit::FileManager::writeFileAtomically(path, bytes));
    return path;
}

std::size_t occurrences(const std::string& text, const std::string& what)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

TEST(FoundationPostScriptFiles, CountsPagesFromTheComments)
{
    struct Case {
        const char* file;
        int pages;
    };
    const Case cases[] = {
        {"three-pages.ps", 3}, {"atend.ps", 7}, {"nested.ps", 2},
        {"no-trailer.ps", 2},  {"not-postscript.txt", 1}, {"does-not-exist.ps", 1},
    };
    testing::internal::CaptureStderr();
    for (const Case& c : cases)
        EXPECT_EQ(countPostScriptPages(fixture(c.file)), c.pages) << c.file;
    EXPECT_NE(testing::internal::GetCapturedStderr().find("Can't Count Pages in "), std::string::npos);
}

TEST(FoundationPostScriptFiles, CountingSkipsBinaryDataAndNeedsALineEnd)
{
    // Binary bytes that look like a page count must not be read as one.
    const std::string binary = "%!PS\n%%Pages: (atend)\n%%BeginBinary: 14\n\n%%Pages: 40\n\n%%EndBinary\n%%Pages: 5\n";
    EXPECT_EQ(countPostScriptPages(writeTemp("bin", binary)), 5);
    EXPECT_EQ(countPostScriptPages(writeTemp("long", "%!" + std::string(600, 'x') + "\n%%Pages: 4\n")), 1);
    EXPECT_EQ(countPostScriptPages(writeTemp("cr", "%!PS\r%%Pages: 6\r")), 6);
    EXPECT_EQ(countPostScriptPages(writeTemp("empty", "")), 1);
    EXPECT_EQ(countPostScriptPages(writeTemp("zero", "%!PS\n%%Pages: 0\n")), 1);
}

TEST(FoundationPostScriptFiles, SplitsTheAskedPagesIntoSinglePageFiles)
{
    const std::string name = "/somewhere/three-split.ps";
    ASSERT_EQ(splitPostScriptFile(fixture("three-pages.ps"), name, 2, 2, 10).status, PSSplitDone);
    EXPECT_FALSE(kit::FileManager::fileExistsAtPath(pageFileName(name, 1)));
    EXPECT_EQ(pageFileName(name, 2), tempPath() + "/three-split.ps_p2.ps");
    for (int p : {2, 3}) {
        SCOPED_TRACE(p);
        const std::string page = readPage(name, p);
        EXPECT_EQ(page.rfind("%!PS-Adobe-3.0\n", 0), 0u);
        EXPECT_NE(page.find("%%Pages:1 \n%%BoundingBox"), std::string::npos); // header rewritten in place
        EXPECT_NE(page.find("/setup-def 2 def\n%%EndSetup\n"), std::string::npos);
        EXPECT_NE(page.find("% PAGE " + std::to_string(p) + " here\n"), std::string::npos);
        EXPECT_NE(page.find(" % renumbered to single-page\n /=print /pop load def\n"), std::string::npos);
        EXPECT_NE(page.find("%%Page: 1 1\n"), std::string::npos);
        EXPECT_NE(page.find("\n%%Trailer\n%%Pages: 1\n%%BoundingBox: 10 20 300 400\n"), std::string::npos);
        EXPECT_EQ(occurrences(page, "showpage"), 1u);
    }
    EXPECT_NE(readPage(name, 2).find("(page two) show"), std::string::npos);
    EXPECT_NE(readPage(name, 3).find("(page three) show"), std::string::npos);
    EXPECT_EQ(readPage(name, 3).find("(page two)"), std::string::npos);
}

TEST(FoundationPostScriptFiles, LastPageWithoutTrailerKeepsItsContent)
{
    const std::string name = "no-trailer-split.ps";
    ASSERT_EQ(splitPostScriptFile(fixture("no-trailer.ps"), name, 1, 2, 10).status, PSSplitDone);
    const std::string last = readPage(name, 2);
    EXPECT_NE(last.find("(last page has no trailer) show\nshowpage\n"), std::string::npos);
    const std::string first = readPage(name, 1);
    EXPECT_NE(first.find("(first) show"), std::string::npos);
    EXPECT_EQ(first.find("(last page"), std::string::npos);
    // The unknown box is announced as coming at the end, and the default follows the trailer.
    EXPECT_NE(first.find("%%BoundingBox: (atend)\n"), std::string::npos);
    EXPECT_NE(first.find("%%Pages: 1\n%%BoundingBox: 0 0 612 792\n"), std::string::npos);
}

TEST(FoundationPostScriptFiles, PagesBeyondThoseFoundAreNotWritten)
{
    const std::string name = "bounded-split.ps";
    PSSplitResult r = splitPostScriptFile(fixture("three-pages.ps"), name, 2, 5, 10);
    EXPECT_EQ(r.status, PSSplitMissingPages);
    EXPECT_EQ(r.pagesWritten, 2);
    EXPECT_FALSE(r.complete());
    EXPECT_TRUE(kit::FileManager::fileExistsAtPath(pageFileName(name, 3)));
    EXPECT_FALSE(kit::FileManager::fileExistsAtPath(pageFileName(name, 4)));
    // A table with room for one page records only the first.
    const std::string small = "small-table.ps";
    r = splitPostScriptFile(fixture("three-pages.ps"), small, 1, 3, 1);
    EXPECT_EQ(r.status, PSSplitMissingPages);
    EXPECT_EQ(r.pagesWritten, 1);
    EXPECT_NE(readPage(small, 1).find("(page one) show\nshowpage\n"), std::string::npos);
    EXPECT_EQ(readPage(small, 1).find("(page two)"), std::string::npos);
    EXPECT_FALSE(kit::FileManager::fileExistsAtPath(pageFileName(small, 2)));
    // Nothing asked, nothing written; page numbers start at 1.
    r = splitPostScriptFile(fixture("three-pages.ps"), "none.ps", 0, 0, 10);
    EXPECT_EQ(r.status, PSSplitDone);
    EXPECT_EQ(r.pagesWritten, 0);
    r = splitPostScriptFile(fixture("three-pages.ps"), "page-zero.ps", 0, 2, 10);
    EXPECT_EQ(r.status, PSSplitMissingPages);
    EXPECT_EQ(r.pagesWritten, 0);
    EXPECT_FALSE(kit::FileManager::fileExistsAtPath(pageFileName("page-zero.ps", 0)));
    EXPECT_FALSE(kit::FileManager::fileExistsAtPath(pageFileName("page-zero.ps", 1)));
}

TEST(FoundationPostScriptFiles, AnnouncedPagesThatAreMissingAreReported)
{
    // The count a drop reads announces three pages; the file holds two.
    const std::string file = "%!PS\n%%Pages: 3\n%%EndProlog\n%%Page: 1 1\n(a)\n%%Page: 2 2\n(b)\n%%Trailer\n";
    const std::string path = writeTemp("announced", file);
    const std::string name = "announced-split.ps";
    const int asked = countPostScriptPages(path);
    ASSERT_EQ(asked, 3);
    const PSSplitResult r = splitPostScriptFile(path, name, 1, asked, 10);
    EXPECT_EQ(r.status, PSSplitMissingPages);
    EXPECT_EQ(r.pagesWritten, 2);
    EXPECT_FALSE(r.fromQuarkXPress);
    for (int p = 1; p <= asked; ++p)
        EXPECT_EQ(kit::FileManager::fileExistsAtPath(pageFileName(name, p)), p <= r.pagesWritten) << p;
}

TEST(FoundationPostScriptFiles, APageFileThatCannotBeWrittenStopsTheSplit)
{
    // A folder with something in it where page 2's file would go.
    const std::string name = "blocked-split.ps";
    const std::string blocked = pageFileName(name, 2);
    ASSERT_TRUE(kit::FileManager::createDirectoryAtPath(blocked));
    ASSERT_TRUE(kit::FileManager::writeFileAtomically(blocked + "/keep", "x"));
    const PSSplitResult r = splitPostScriptFile(fixture("three-pages.ps"), name, 1, 3, 10);
    EXPECT_EQ(r.status, PSSplitFailed);
    EXPECT_EQ(r.pagesWritten, 1);
    EXPECT_TRUE(kit::FileManager::fileExistsAtPath(pageFileName(name, 1)));
    EXPECT_FALSE(kit::FileManager::fileExistsAtPath(pageFileName(name, 3)));
}

TEST(FoundationPostScriptFiles, UnreadableOrUnsplittableInputIsAFailure)
{
    testing::internal::CaptureStderr();
    EXPECT_EQ(splitPostScriptFile(fixture("missing.ps"), "missing.ps", 1, 1, 10).status, PSSplitFailed);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("Can't Split "), std::string::npos);
    const PSSplitResult noLineEnd =
        splitPostScriptFile(writeTemp("noeol", "%!" + std::string(700, ' ')), "noeol.ps", 1, 1, 10);
    EXPECT_EQ(noLineEnd.status, PSSplitFailed);
    EXPECT_EQ(noLineEnd.pagesWritten, 0);
}

TEST(FoundationPostScriptFiles, NestedDocumentsAreSkipped)
{
    const std::string name = "nested-split.ps";
    ASSERT_EQ(splitPostScriptFile(fixture("nested.ps"), name, 1, 2, 10).status, PSSplitDone);
    const std::string first = readPage(name, 1);
    EXPECT_NE(first.find("%%Pages: 3\n%%Page: 1 1\n(inner) show\n%%EndDocument\n(outer one) show\n"),
              std::string::npos);
    EXPECT_NE(readPage(name, 2).find("(outer two) show"), std::string::npos);
}

TEST(FoundationPostScriptFiles, QuarkFilesGetTheShorterHeaderAfterTheirFirstPage)
{
    const std::string name = "quark-split.ps";
    const PSSplitResult r = splitPostScriptFile(fixture("quark.ps"), name, 1, 2, 10);
    ASSERT_EQ(r.status, PSSplitQuarkXPress);
    EXPECT_TRUE(r.fromQuarkXPress);
    EXPECT_EQ(r.pagesWritten, 2);
    // Asked for more pages than it has, it is still known as a Quark file.
    const PSSplitResult more = splitPostScriptFile(fixture("quark.ps"), "quark-more.ps", 1, 5, 10);
    EXPECT_EQ(more.status, PSSplitMissingPages);
    EXPECT_TRUE(more.fromQuarkXPress);
    EXPECT_NE(readPage(name, 1).find("/docsetup 1 def"), std::string::npos);
    EXPECT_EQ(readPage(name, 2).find("/docsetup 1 def"), std::string::npos);
    EXPECT_NE(readPage(name, 2).find("(q2) show"), std::string::npos);
}

TEST(FoundationPostScriptFiles, LineEndsBecomeLineFeedsButBinaryBytesStay)
{
    const std::string binaryData = std::string("\r\x01\r\n%%Page: 9 9\r\xff", 17);
    std::string file = "%!PS\r%%Pages: 2\r%%EndProlog\r%%Page: 1 1\r(one)\r%%BeginBinary: " +
                       std::to_string(binaryData.size()) + "\r" + binaryData + "\r%%EndBinary\r" +
                       "%%BeginData: 3 Binary Bytes\r\r\r\r\r%%EndData\r%%Page: 2 2\r(two)\r%%Trailer\r";
    const std::string name = "binary-split.ps";
    ASSERT_EQ(splitPostScriptFile(writeTemp("binary", file), name, 1, 2, 10).status, PSSplitDone);
    const std::string first = readPage(name, 1);
    EXPECT_NE(first.find("(one)\n%%BeginBinary: 17\n" + binaryData + "\n%%EndBinary\n"), std::string::npos);
    EXPECT_NE(first.find("%%BeginData: 3 Binary Bytes\n\r\r\r\n%%EndData\n"), std::string::npos);
    EXPECT_EQ(first.find("(two)"), std::string::npos);
    EXPECT_NE(readPage(name, 2).find("(two)\n"), std::string::npos);
    EXPECT_FALSE(kit::FileManager::fileExistsAtPath(pageFileName(name, 9)));
}

TEST(FoundationPostScriptFiles, PageCountRewriteKeepsTheLineEnd)
{
    const std::string name = "short-pages.ps";
    const std::string file = "%!PS\n%%Pages:\n%%Pages:7\n%%EndProlog\n%%Page: 1 1\nx\n%%Trailer\n";
    ASSERT_EQ(splitPostScriptFile(writeTemp("short", file), name, 1, 1, 10).status, PSSplitDone);
    EXPECT_EQ(readPage(name, 1).rfind("%!PS\n%%Pages:\n%%Pages:1\n%%EndProlog\n", 0), 0u);
}

class FoundationPostScriptResources : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ = kit::FileManager::uniqueTemporaryPath("resources");
        ASSERT_TRUE(kit::FileManager::createDirectoryAtPath(folder_));
        ASSERT_TRUE(kit::FileManager::writeFileAtomically(folder_ + "/dropshadow1.ps", "% shadow\n/sh 1 def\n"));
        const char* old = std::getenv("SCRIVLY_RESOURCES");
        saved_ = old ? old : "";
        setenv("SCRIVLY_RESOURCES", folder_.c_str(), 1);
    }
    void TearDown() override
    {
        setenv("SCRIVLY_RESOURCES", saved_.c_str(), 1);
        kit::FileManager::removeFileAtPath(folder_);
    }
    std::string folder_, saved_;
};

TEST_F(FoundationPostScriptResources, SendsResourcesUnchangedAndNamesMissingOnes)
{
    kit::RecordingContext context;
    kit::DrawContext::Scope scope(context);
    EXPECT_TRUE(sendDropShadowDict());
    ASSERT_NE(context.lastOp(), nullptr);
    EXPECT_EQ(context.lastOp()->name, "sendPostScript");
    EXPECT_EQ(context.lastOp()->text, "% shadow\n/sh 1 def\n");
    EXPECT_FALSE(sendDropShadowEnd());
    EXPECT_EQ(context.lastOp()->text, "(dropshadow2.ps) LAYVANE_MISSING_FILE_ERROR\n");
}

} // namespace
