// The benchmark's long document (the text that lays out to about 400
// pages), written as RTF and read back into a new document: written again,
// it is the same RTF, and every paragraph holds its words.

#include "ImportTestSupport.h"

#include "bench/LaidOutDocument.h"

using namespace convala_test;

namespace {

TEST(RTFLongDocument, TheLongDocumentReadsBackAsItWasWritten)
{
    LaidOutDocument doc;
    RTFImportMethods::install();
    struct Uninstall {
        ~Uninstall()
        {
            LayoutDocumentIOMethods::rtfReader() = {};
            TextParagraph::prepareForAddByteHook() = {};
        }
    } uninstall;
    doc.document->setActiveTextItem(doc.first);
    auto write = [](const LayoutDocument& document) {
        ZMemoryStream stream;
        RTFExportRun run(stream);
        RTFExportMethods::writeRTF(document, run);
        return *stream.data();
    };
    const std::string first = write(*doc.document);

    BenchDocument target("convala-long-import");
    target.makeDocument();
    target.document->setActiveTextItem(target.first);
    // A new document's paragraph: the benchmark's is set to hyphenate,
    // which RTF does not say.
    target.text->firstParagraph()->paragraphStyle()->setHyphenate(false);
    bool lost = true;
    ASSERT_TRUE(LayoutDocumentIOMethods::dispatchRTFStream(*target.document, first, &lost,
                                                           ZynImportOptions{true, nullptr}));
    EXPECT_FALSE(lost);
    ASSERT_EQ(target.text->paragraphCount(), doc.text->paragraphCount());
    for (int p = 0; p < doc.text->paragraphCount(); ++p)
        ASSERT_EQ(target.text->paragraphAtIndex(p)->wordCount(), doc.text->paragraphAtIndex(p)->wordCount()) << p;
    const std::string second = write(*target.document);
    std::size_t at = 0;
    while (at < first.size() && at < second.size() && first[at] == second[at])
        ++at;
    EXPECT_EQ(at, first.size()) << first.substr(at > 200 ? at - 200 : 0, 400) << "\n----\n"
                                << second.substr(at > 200 ? at - 200 : 0, 400);
    EXPECT_EQ(second.size(), first.size());
    // The text was laid out on the pages it needs.
    EXPECT_GT(target.document->numPages(), 300);
}

} // namespace
