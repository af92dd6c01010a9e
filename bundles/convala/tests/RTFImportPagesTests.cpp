// The word processor's share of an RTF read: headers and footers, margins,
// paper, columns and page numbers, applied while a file is opened.

#include "ImportTestSupport.h"

#include "core/FileWrapper.h"

using namespace convala_test;

namespace {

class RTFImportPages : public ImportTest {
protected:
    std::vector<TextItem*> columns(bool header) const
    {
        std::vector<TextItem*> found;
        for (TextWordSpecial* marker : header ? document_->headers() : document_->footers())
            if (auto* column = dynamic_cast<TextItem*>(marker->objectReference()))
                found.push_back(column);
        return found;
    }
    kit::Rect mainFrame() const { return RTFLayoutPageSetup::mainMasterColumn(*document_)->frame(); }
};

TEST_F(RTFImportPages, HeaderAndFooterGroupsFillColumnsOfTheirOwn)
{
    ASSERT_TRUE(import("{\\rtf1{\\headerl Left \\chpgn\\par}{\\headerr Right\\par}{\\footerf First}Body\\par}", nullptr,
                       true));
    // The markers stand at the main text's caret, before the body.
    const std::string main = text();
    EXPECT_EQ(main.find("<header>"), 0u) << main;
    EXPECT_NE(main.find("<footer>"), std::string::npos) << main;
    EXPECT_EQ(main.substr(main.size() - 5), "Body\n") << main;
    const std::vector<TextItem*> headers = columns(true);
    ASSERT_EQ(headers.size(), 2u);
    EXPECT_EQ(textOf(headers[0]->flow()), "Left <page#>\n");
    EXPECT_EQ(headers[0]->masterFlags(), 1);
    EXPECT_EQ(textOf(headers[1]->flow()), "Right\n");
    EXPECT_EQ(headers[1]->masterFlags(), 2);
    const std::vector<TextItem*> footers = columns(false);
    ASSERT_EQ(footers.size(), 1u);
    EXPECT_EQ(textOf(footers[0]->flow()), "First");
    EXPECT_EQ(footers[0]->masterFlags(), 3);
    // The main text goes on in the main column.
    EXPECT_EQ(document_->activeTextItem(), column_);
    // Sized headers push the top margin down to 2 points below them.
    EXPECT_FLOAT_EQ(mainFrame().origin.y, document_->headerFrame().origin.y + document_->headerFrame().size.height + 2);
}

TEST_F(RTFImportPages, AHeaderInsideAHeaderIsSkippedAndTheOuterOneKept)
{
    bool lost = false;
    ASSERT_TRUE(import("{\\rtf1{\\header Outer {\\footer Inner\\par} more\\par}Body}", &lost, true));
    EXPECT_TRUE(lost);
    const std::vector<TextItem*> headers = columns(true);
    ASSERT_EQ(headers.size(), 1u);
    EXPECT_EQ(textOf(headers[0]->flow()), "Outer  more\n");
    EXPECT_TRUE(columns(false).empty());
    EXPECT_EQ(document_->activeTextItem(), column_);
    EXPECT_EQ(text(), "<header>Body");
}

TEST_F(RTFImportPages, MarginsPaperAndPageNumbersWhileOpening)
{
    ASSERT_TRUE(import("{\\rtf1\\paperw11906\\paperh16838\\margl1440\\margr1080\\margt1800\\margb720"
                       "\\landscape\\pgnstarts5\\pgnlcrm\\deftab360 x}",
                       nullptr, true));
    EXPECT_NEAR(document_->pageSize().width, 595.3f, 0.01f);
    EXPECT_NEAR(document_->pageSize().height, 841.9f, 0.01f);
    for (const auto& page : document_->pages())
        EXPECT_EQ(page->pageRect().size.width, document_->pageSize().width);
    const kit::Rect main = mainFrame();
    EXPECT_FLOAT_EQ(main.origin.x, 72.0f);
    EXPECT_NEAR(main.origin.x + main.size.width, 595.3f - 54.0f, 0.01f);
    EXPECT_FLOAT_EQ(main.origin.y, 90.0f);
    EXPECT_NEAR(main.origin.y + main.size.height, 841.9f - 36.0f, 0.01f);
    EXPECT_EQ(document_->printInfo().orientation, 1);
    EXPECT_EQ(document_->firstPageNum(), 5);
    EXPECT_EQ(document_->pageNumberFormat(), 1);
    EXPECT_FLOAT_EQ(document_->defaultTabSpacing(), 18.0f);
}

TEST_F(RTFImportPages, PastedRTFLeavesThePagesAlone)
{
    const kit::Rect before = mainFrame();
    ASSERT_TRUE(import("{\\rtf1\\paperw5000\\margl2880\\pgnstarts9\\deftab100{\\header H}x}"));
    EXPECT_EQ(document_->pageSize().width, 612.0f);
    EXPECT_EQ(mainFrame().origin.x, before.origin.x);
    EXPECT_EQ(document_->firstPageNum(), 1);
    EXPECT_FLOAT_EQ(document_->defaultTabSpacing(), 36.0f);
    // Header groups still make headers.
    EXPECT_EQ(columns(true).size(), 1u);
}

TEST_F(RTFImportPages, AbsurdPagesAreClampedAndMarginsKeptInside)
{
    const struct {
        const char* words;
        float minWidth, maxWidth;
    } cases[] = {
        {"\\paperw0\\paperh0", RTFImportMethods::MinPageSide, RTFImportMethods::MinPageSide},
        {"\\paperw2000000000\\paperh2000000000", RTFImportMethods::MaxPageSide, RTFImportMethods::MaxPageSide},
        {"\\margl10000\\margr10000", 612.0f, 612.0f},
        {"\\margl-5000\\margr-5000\\margt90000\\margb90000", 612.0f, 612.0f},
        // A header or footer taller than the paper its group shrinks.
        {"{\\header A\\par B\\par C\\par D\\par E\\par F\\par G\\par\\paperh100}", 612.0f, 612.0f},
        {"{\\footer A\\par B\\par C\\par D\\par E\\par F\\par G\\par\\paperh100}", 612.0f, 612.0f},
        {"\\paperh1440{\\header A\\par B\\par C\\par D\\par E\\par F\\par G\\par}", 612.0f, 612.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.words);
        fresh();
        bool lost = false;
        ASSERT_TRUE(import(std::string("{\\rtf1") + c.words + " x}", &lost, true));
        EXPECT_TRUE(lost);
        const kit::Size page = document_->pageSize();
        EXPECT_GE(page.width, c.minWidth);
        EXPECT_LE(page.width, c.maxWidth);
        const kit::Rect main = mainFrame();
        EXPECT_GE(main.origin.x, 0.0f);
        EXPECT_GE(main.origin.y, 0.0f);
        EXPECT_GE(main.size.width, RTFImportMethods::MinColumnWidth);
        EXPECT_GE(main.size.height, RTFImportMethods::MinColumnWidth);
        EXPECT_LE(main.origin.x + main.size.width, page.width);
        EXPECT_LE(main.origin.y + main.size.height, page.height);
        for (bool header : {true, false})
            for (TextItem* column : columns(header)) {
                const kit::Rect frame = column->frame();
                EXPECT_GE(frame.origin.y, 0.0f);
                EXPECT_LE(frame.origin.y + frame.size.height, page.height);
            }
    }
}

// A page set-up that reports the columns it is given.
class ColumnProbe : public RTFLayoutPageSetup {
public:
    ColumnProbe(LayoutDocument& document, int* count, float* gutter)
        : RTFLayoutPageSetup(document), count_(count), gutter_(gutter)
    {
    }
    void resetDocumentColumnCount(int count, float gutter) override
    {
        RTFLayoutPageSetup::resetDocumentColumnCount(count, gutter);
        *count_ = count;
        *gutter_ = gutter;
    }

private:
    int* count_;
    float* gutter_;
};

TEST_F(RTFImportPages, ColumnsAreCappedAtAMinimumWidth)
{
    int count = 0;
    float gutter = 0;
    const RTFImportMethods::PageSetupMaker original = RTFImportMethods::pageSetupMaker();
    RTFImportMethods::pageSetupMaker() = [&](LayoutDocument& document) {
        return std::make_unique<ColumnProbe>(document, &count, &gutter);
    };
    const RTFImportMethods::PageSetupMaker keep = RTFImportMethods::pageSetupMaker();
    struct Restore {
        const RTFImportMethods::PageSetupMaker& original;
        ~Restore() { RTFImportMethods::pageSetupMaker() = original; }
    } restore{original};
    auto probe = [&](const char* words, bool* lost) {
        fresh();
        RTFImportMethods::pageSetupMaker() = keep;
        count = 0;
        gutter = 0;
        EXPECT_TRUE(import(std::string("{\\rtf1") + words + " x}", lost, true));
    };
    bool lost = true;
    probe("\\cols2\\colsx720", &lost);
    EXPECT_EQ(count, 2);
    EXPECT_FLOAT_EQ(gutter, 36.0f);
    EXPECT_FALSE(lost);
    // 468 points between the margins hold at most 9 columns of 36 points
    // with 18-point gutters.
    probe("\\cols100000", &lost);
    EXPECT_EQ(count, 9);
    EXPECT_TRUE(lost);
    probe("\\cols3\\colsx20000", &lost);
    EXPECT_EQ(count, 3);
    EXPECT_LE(3 * RTFImportMethods::MinColumnWidth + 2 * gutter, 468.0f + 0.01f);
    EXPECT_TRUE(lost);
}

} // namespace
