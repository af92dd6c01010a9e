// The program as it is run, with no variable naming its resources: they are
// found beside its executable (these tests run without SCRIVLY_RESOURCES),
// and the text it lays out is hyphenated without a word on standard error.

#include "app/tests/WordProcessorFixture.h"

#include "core/Bundle.h"
#include "document/Page.h"

#include <filesystem>

namespace {

class ProgramResources : public WordProcessorTest {
protected:
    static void SetUpTestSuite() { unsetenv("SCRIVLY_RESOURCES"); }

    void SetUp() override
    {
        // From the program's start-up on.
        testing::internal::CaptureStderr();
        WordProcessorTest::SetUp();
    }
    void TearDown() override
    {
        if (!captured_)
            (void)testing::internal::GetCapturedStderr();
        WordProcessorTest::TearDown();
    }

    std::string capturedStderr()
    {
        captured_ = true;
        return testing::internal::GetCapturedStderr();
    }

    bool captured_ = false;
};

TEST_F(ProgramResources, AreFoundBesideTheProgramAndHyphenateItsText)
{
    ASSERT_EQ(std::getenv("SCRIVLY_RESOURCES"), nullptr);
    // Test programs sit in <build>/bin as the program does.
    namespace fs = std::filesystem;
    const fs::path beside = fs::weakly_canonical(fs::path(kit::Bundle::executablePath()).parent_path() / ".." / "resources");
    EXPECT_EQ(kit::Bundle::resourcePath(), beside.string());

    ScrivlyDocument* document = newDocument();
    ASSERT_NE(document, nullptr);
    const TextFlow* flow = document->mainTextItemForPage(document->pageAt(0))->flow();
    // The user has the paragraph hyphenate.
    flow->firstParagraph()->paragraphStyle()->setHyphenate(true);
    typeText(*document,
             "Typesetting international correspondence demands extraordinary responsibility from every word "
             "processor, because paragraphs without hyphenation leave conspicuous gaps between characteristically "
             "unbreakable multisyllabic expressions, and administrative documentation frequently contains "
             "institutionalised terminology, comprehensive specifications and interdisciplinary considerations.");
    int split = 0;
    for (const auto& paragraph : flow->paragraphList())
        for (const auto& word : paragraph->wordList())
            split += word->numWordPieces() - 1;
    const std::string said = capturedStderr();
    EXPECT_GT(split, 0) << "no word is split across lines";
    EXPECT_EQ(said.find("SCRIVLY_RESOURCES"), std::string::npos) << said;
    EXPECT_EQ(said.find("hyphenation"), std::string::npos) << said;
    EXPECT_EQ(said.find("Can not initialize"), std::string::npos) << said;
    EXPECT_EQ(said.find("string table"), std::string::npos) << said;
}

} // namespace
