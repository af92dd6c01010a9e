// RTF written by other programs: pandoc's (an independent writer packaged
// for Debian, fixture made with "pandoc -s -t rtf" from a Markdown file with
// emphasis, a list, a table and a link), and small hand-written files with
// a code page, a Unicode character, unknown destinations, self-based
// styles, nested headers and absurd page sizes.

#include "ImportTestSupport.h"

#include <fstream>
#include <sstream>

using namespace convala_test;

namespace {

class RTFImportForeign : public ImportTest {
protected:
    static std::string fixture(const char* name) { return std::string(SCRIVLY_FIXTURES_DIR) + "/" + name; }

    bool open(const char* name, bool* lost)
    {
        std::string error;
        const bool read = RTFImportMethods::openRTFFile(*document_, fixture(name), lost, &error);
        EXPECT_TRUE(read) << error;
        return read;
    }

    const StyleChar* styleAt(int paragraph, int word)
    {
        textPoint point{};
        setTextPoint(&point, paragraph, word, 0);
        return flow_->styleCharAt(&point);
    }
};

TEST_F(RTFImportForeign, PandocsDocumentOpensWithItsTextTheTableAsParagraphsAndTheLossNoted)
{
    bool lost = false;
    ASSERT_TRUE(open("pandoc_report.rtf", &lost));
    // The table is no table here, and the link's address is lost; the
    // link's text arrives.
    EXPECT_TRUE(lost);
    const std::string read = text();
    for (const char* expected : {"Report\n", "Some emphasis and strong text, and a", "\xB7 <tab>first item\n",
                                 "\xB7 <tab>second item\n", "Name\n", "Value\n", "one\n", "1\n", "two\n", "2\n",
                                 "Caf\xDD au lait.\n"})
        EXPECT_NE(read.find(expected), std::string::npos) << expected << "\n" << read;
    EXPECT_NE(read.find("and a link."), std::string::npos) << read;
    EXPECT_EQ(read.find("HYPERLINK"), std::string::npos) << read;
    // The heading's group gives its format back: only the heading is bold.
    EXPECT_TRUE(styleAt(0, 0)->isBoldface());
    EXPECT_FLOAT_EQ(styleAt(0, 0)->pointSize(), 18.0f);
    EXPECT_FALSE(styleAt(1, 0)->isBoldface());
    EXPECT_FLOAT_EQ(styleAt(1, 0)->pointSize(), 12.0f);
    EXPECT_TRUE(styleAt(1, 1)->isItalic());
    EXPECT_FALSE(styleAt(1, 2)->isItalic());
    // The list's hanging indent.
    const StyleParagraph* item = flow_->paragraphAtIndex(2)->paragraphStyle();
    EXPECT_FLOAT_EQ(item->indentLeft(), 18.0f);
    EXPECT_FLOAT_EQ(item->indentDeltaFirst(), -18.0f);
}

TEST_F(RTFImportForeign, ACodePageAUnicodeCharacterAndUnknownDestinations)
{
    bool lost = false;
    ASSERT_TRUE(open("foreign_codepage.rtf", &lost));
    // The euro has no place in the documents' set: it is left out (never
    // its fallback "?") and the loss noted.
    EXPECT_EQ(text(), "Price: 5, caf\xDD cr\xDCme\n");
    EXPECT_TRUE(lost);
}

TEST_F(RTFImportForeign, SelfBasedStylesNestedHeadersAndAbsurdPagesOpenSafely)
{
    bool lost = false;
    ASSERT_TRUE(open("foreign_absurd.rtf", &lost));
    EXPECT_TRUE(lost);
    const std::string read = text();
    EXPECT_EQ(read.substr(read.size() - 10), "Body text\n") << read;
    ASSERT_EQ(document_->headers().size(), 1u);
    EXPECT_TRUE(document_->footers().empty());
    auto* header = dynamic_cast<TextItem*>(document_->headers()[0]->objectReference());
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(textOf(header->flow()), "Outer  end\n");
    const kit::Size page = document_->pageSize();
    EXPECT_GE(page.width, RTFImportMethods::MinPageSide);
    EXPECT_LE(page.height, RTFImportMethods::MaxPageSide);
}

} // namespace
