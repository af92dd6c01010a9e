// The benchmark's long document (the text that lays out to about 400
// pages) written as RTF: the independent reader finds every word in place.

#include "ExportTestSupport.h"

#include "bench/LaidOutDocument.h"

#include <sstream>

using namespace convala_test;

namespace {

TEST(LongDocument, TheIndependentReaderFindsEveryWordInPlace)
{
    if (!haveProgram("unrtf"))
        GTEST_SKIP() << "needs unrtf (tools/deps installs it)";
    LaidOutDocument doc;
    doc.document->setActiveTextItem(doc.first);
    ZMemoryStream stream;
    RTFExportRun run(stream);
    RTFExportMethods::writeRTF(*doc.document, run);

    std::istringstream read(unrtfText(*stream.data()));
    std::string line, word;
    std::size_t paragraph = 0;
    const auto expected = benchtext::paragraphs(LaidOutDocument::Words);
    while (std::getline(read, line)) {
        ASSERT_LT(paragraph, expected.size());
        std::istringstream words(line);
        std::size_t i = 0;
        while (words >> word) {
            ASSERT_LT(i, expected[paragraph].size()) << "paragraph " << paragraph;
            ASSERT_EQ(word, expected[paragraph][i]) << "paragraph " << paragraph << ", word " << i;
            ++i;
        }
        ASSERT_EQ(i, expected[paragraph].size()) << "paragraph " << paragraph;
        ++paragraph;
    }
    EXPECT_EQ(paragraph, expected.size());
}

} // namespace
