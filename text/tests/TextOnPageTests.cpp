#include "HigherLayers.h"
#include "TextTestSupport.h"

#include "foundation/PageNumbers.h"

#include <climits>
#include <cstring>

namespace {

// The fixture's flow shown by a column on the first of three pages of a
// document; the document has a master page too.
class TextOnPageTest : public TextTest {
protected:
    void SetUp() override
    {
        TextTest::SetUp();
        document_ = std::make_unique<LayoutDocument>(delegate_->preferences());
        for (int i = 0; i < 3; ++i)
            pages_.push_back(document_->addPage(std::make_unique<Page>()));
        document_->setMasterPage(std::make_unique<Page>());
        column_ = std::make_shared<TextItem>();
        column_->setPage(pages_[0]);
        column_->setFlow(flow_.get());
        flow_->setFirstTextItem(column_.get());
    }

    // Words are freed before the column, pages and document they ask.
    void TearDown() override
    {
        column_->setFlow(nullptr); // the fixture owns the flow, not the column
        flow_.reset();
        TextTest::TearDown();
    }

    // A column of the document on the page (not in any flow).
    TextItem* columnOn(Page* page)
    {
        others_.push_back(std::make_unique<TextItem>());
        others_.back()->setPage(page);
        return others_.back().get();
    }

    std::unique_ptr<LayoutDocument> document_;
    std::vector<Page*> pages_;
    std::shared_ptr<TextItem> column_;
    std::vector<std::unique_ptr<TextItem>> others_;
};

} // namespace

TEST_F(TextOnPageTest, TheFlowFindsItsDocumentThroughItsColumn)
{
    addWord("word");
    EXPECT_EQ(flow_->document(), document_.get());
    auto* token = add(std::make_unique<TextWordSpecial>(TextWordPageNumber));
    EXPECT_EQ(token->textItem(), column_.get());
    EXPECT_EQ(token->page(), pages_[0]);
    EXPECT_EQ(document_->indexOfPage(pages_[2]), 2);
    EXPECT_EQ(document_->indexOfPage(document_->masterPage()), LayoutDocument::PageNotFound);
    EXPECT_EQ(document_->masterPage()->document(), document_.get());

    flow_->setFirstTextItem(nullptr);
    EXPECT_EQ(flow_->document(), nullptr);
    EXPECT_EQ(token->page(), nullptr);
}

TEST_F(TextOnPageTest, PageTokensShowTheNumberOfTheirColumnsPage)
{
    auto* token = add(std::make_unique<TextWordSpecial>(TextWordPageNumber));
    auto* last = add(std::make_unique<TextWordSpecial>(TextWordLastPageNumber));
    const struct {
        int page; // -1: the master page
        int firstPageNum;
        int format;
        const char* shown;
        const char* lastShown;
    } cases[] = {
        {0, 1, PageNumberDecimal, "1", "3"},
        {2, 1, PageNumberDecimal, "3", "3"},
        {2, 5, PageNumberDecimal, "7", "3"},
        {2, 5, PageNumberUpperRoman, "VII", "III"},
        {1, 0, PageNumberDecimal, "1", "3"},
        // Numbers below 1 have no text.
        {1, -1, PageNumberDecimal, "?", "3"},
        // A frame of the master page stands on no numbered page.
        {-1, 5, PageNumberDecimal, "?", "3"},
        // The largest first number: the pages after it go past 16 bits.
        {0, SHRT_MAX, PageNumberDecimal, "32767", "3"},
        {2, SHRT_MAX, PageNumberDecimal, "32769", "3"},
        {2, SHRT_MIN, PageNumberDecimal, "?", "3"},
        // Before set-up the document has no first number.
        {0, LayoutDocument::FirstPageNumNotSet, PageNumberDecimal, "?", "3"},
    };
    for (const auto& c : cases) {
        document_->setFirstPageNum(c.firstPageNum);
        document_->setPageNumberFormat(c.format);
        TextItem* column = columnOn(c.page < 0 ? document_->masterPage() : pages_[std::size_t(c.page)]);
        token->computeWordTokenInItem(column);
        EXPECT_STREQ(token->text(), c.shown) << c.page << " " << c.firstPageNum;
        // Measured with what it shows: 6 points a character.
        EXPECT_FLOAT_EQ(token->xWidthForPiece(0), 6.0f * float(std::strlen(c.shown))) << c.shown;
        last->computeWordTokenInItem(column);
        EXPECT_STREQ(last->text(), c.lastShown) << c.page << " " << c.firstPageNum;
    }

    // A column that stands on no page.
    token->computeWordTokenInItem(columnOn(nullptr));
    EXPECT_STREQ(token->text(), "?");
    // A page of another document is not among this one's.
    LayoutDocument other(delegate_->preferences());
    Page* foreign = other.addPage(std::make_unique<Page>());
    other.setFirstPageNum(1);
    document_->setFirstPageNum(1);
    token->computeWordTokenInItem(columnOn(foreign));
    EXPECT_STREQ(token->text(), "1"); // numbered by its own document
    foreign->setDocument(document_.get());
    token->computeWordTokenInItem(columnOn(foreign));
    EXPECT_STREQ(token->text(), "?");
}

TEST_F(TextOnPageTest, HeaderAndFooterFramesArePlacedAndOwnedByTheirMarkers)
{
    document_->setHeaderFrame(kit::makeRect(36, 20, 540, 30));
    document_->setFooterFrame(kit::makeRect(36, 740, 540, 30));
    auto headerFrame = std::make_shared<TextItem>();
    auto footerFrame = std::make_shared<TextItem>();
    headerFrame->setPage(document_->masterPage());
    footerFrame->setPage(document_->masterPage());

    auto header = std::make_unique<TextWordSpecial>(TextWordHeaderMarker);
    header->setObjectReference(std::shared_ptr<kit::Object>(headerFrame));
    auto footer = std::make_unique<TextWordSpecial>(TextWordFooterMarker);
    footer->setObjectReference(std::shared_ptr<kit::Object>(footerFrame));

    textWordSpecialDocumentGlobalHack = document_.get();
    TextWordSpecial* h = add(std::move(header));
    TextWordSpecial* f = add(std::move(footer));
    textWordSpecialDocumentGlobalHack = nullptr;

    EXPECT_EQ(headerFrame->frame(), document_->headerFrame());
    EXPECT_EQ(footerFrame->frame(), document_->footerFrame());
    EXPECT_EQ(headerFrame->myMaster(), h);
    EXPECT_EQ(footerFrame->myMaster(), f);
    ASSERT_EQ(document_->headers().size(), 1u);
    EXPECT_EQ(document_->headers()[0], h);
    ASSERT_EQ(document_->footers().size(), 1u);
    EXPECT_EQ(document_->footers()[0], f);
    // The frames are master items while their markers are listed, held by
    // both; listing a marker again does not list its frame twice.
    document_->addHeader(h);
    ASSERT_EQ(document_->masterItems().size(), 2u);
    EXPECT_EQ(document_->masterItems()[0].get(), headerFrame.get());
    EXPECT_EQ(document_->masterItems()[1].get(), footerFrame.get());
    EXPECT_EQ(headerFrame.use_count(), 3);
    EXPECT_EQ(headerFrame->page(), document_->masterPage());
    // A copy shares the frame: unlisting the copy leaves the frame listed
    // for the original.
    std::unique_ptr<TextWord> copy = h->copy();
    auto* copied = static_cast<TextWordSpecial*>(copy.get());
    document_->addHeader(copied);
    document_->removeHeader(copied);
    EXPECT_EQ(document_->masterItems().size(), 2u);
    copy.reset();

    // Freeing the words unregisters them from the document of their flow's
    // column and releases the frames, which outlive them here.
    flow_.reset();
    EXPECT_TRUE(document_->headers().empty());
    EXPECT_TRUE(document_->footers().empty());
    EXPECT_EQ(headerFrame->myMaster(), nullptr);
    EXPECT_EQ(footerFrame->myMaster(), nullptr);
    EXPECT_TRUE(document_->masterItems().empty());
    EXPECT_EQ(headerFrame.use_count(), 1);
    EXPECT_EQ(footerFrame.use_count(), 1);
}

TEST_F(TextOnPageTest, OutsideAPasteMarkersLeaveTheirFrameAlone)
{
    document_->setHeaderFrame(kit::makeRect(36, 20, 540, 30));
    auto frame = std::make_shared<TextItem>();
    frame->setFrame(kit::makeRect(1, 2, 3, 4), false);
    auto header = std::make_unique<TextWordSpecial>(TextWordHeaderMarker);
    header->setObjectReference(std::shared_ptr<kit::Object>(frame));
    add(std::move(header));
    EXPECT_EQ(frame->frame(), kit::makeRect(1, 2, 3, 4));
    EXPECT_EQ(frame->myMaster(), nullptr);
    EXPECT_TRUE(document_->headers().empty());
}
