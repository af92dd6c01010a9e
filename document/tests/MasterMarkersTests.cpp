#include "document/Guide.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "items/ItemBox.h"
#include "items/TextItem.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextWordSpecial.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

namespace {

// A flow of paragraphs, each of a few plain words, to place markers in.
class MarkerOrderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (int i = 0; i < 2; ++i)
            flow_.addParagraph(std::make_unique<TextParagraph>());
        document_.setup();
    }

    // A marker put at the word index of the paragraph (paragraph 0 is the
    // flow's first).
    TextWordSpecial* markerAt(int paragraph, int word, int type = TextWordHeaderMarker)
    {
        TextParagraph* p = flow_.paragraphAtIndex(paragraph);
        while (p->wordCount() < word)
            p->addWord(std::make_unique<TextWordSpecial>(TextWordFootnoteMarker));
        return static_cast<TextWordSpecial*>(p->insertWord(std::make_unique<TextWordSpecial>(type), word));
    }

    TextFlow flow_;
    LayoutDocument document_;
};

TEST_F(MarkerOrderTest, HeadersAndFootersKeepTextOrder)
{
    // Two in one paragraph, added last word first.
    TextWordSpecial* seventh = markerAt(1, 7);
    TextWordSpecial* third = markerAt(1, 3);
    document_.addHeader(seventh);
    document_.addHeader(third);
    EXPECT_EQ(document_.headers(), (std::vector<TextWordSpecial*>{third, seventh}));

    // An earlier paragraph goes first whatever its word index; a repeat is
    // not listed twice.
    TextWordSpecial* early = markerAt(0, 9);
    document_.addHeader(early);
    document_.addHeader(third);
    EXPECT_EQ(document_.headers(), (std::vector<TextWordSpecial*>{early, third, seventh}));

    // Footers keep a list of their own in the same order.
    TextWordSpecial* footer = markerAt(0, 2, TextWordFooterMarker);
    document_.addFooter(seventh);
    document_.addFooter(footer);
    EXPECT_EQ(document_.footers(), (std::vector<TextWordSpecial*>{footer, seventh}));

    document_.removeHeader(third);
    EXPECT_EQ(document_.headers(), (std::vector<TextWordSpecial*>{early, seventh}));
    document_.removeFooter(footer);
    EXPECT_EQ(document_.footers(), (std::vector<TextWordSpecial*>{seventh}));
}

TEST_F(MarkerOrderTest, AddingAHeaderMarksTheDocumentEdited)
{
    ASSERT_FALSE(document_.isEdited());
    document_.addHeader(markerAt(0, 0));
    EXPECT_TRUE(document_.isEdited());
    document_.setEdited(false);
    document_.addFooter(markerAt(0, 1, TextWordFooterMarker));
    EXPECT_TRUE(document_.isEdited());
}

TEST_F(MarkerOrderTest, FootnotesKeepTheOrderAddedWithoutEditedMark)
{
    TextWordSpecial* late = markerAt(1, 4, TextWordFootnoteMarker);
    TextWordSpecial* early = markerAt(0, 0, TextWordFootnoteMarker);
    document_.addFootnote(late);
    document_.addFootnote(early);
    document_.addFootnote(late);
    EXPECT_EQ(document_.footnotes(), (std::vector<TextWordSpecial*>{late, early}));
    EXPECT_FALSE(document_.isEdited());
    document_.removeFootnote(late);
    EXPECT_EQ(document_.footnotes(), (std::vector<TextWordSpecial*>{early}));
}

} // namespace

namespace {

TEST(LayoutDocumentFrames, HeadersOfANewDocumentHaveTheirBandAndSurviveReading)
{
    LayoutDocument document;
    document.setup();
    EXPECT_EQ(document.headerFrame(), LayoutDocument::defaultHeaderFrame());
    EXPECT_EQ(document.footerFrame(), LayoutDocument::defaultFooterFrame());
    // The columns a header and a footer bring, as a document read back
    // resolves its master items: none of them is dropped for having no size.
    document.addMasterItem(TextItem::newHeaderOrFooterTextItem_(document.headerFrame()));
    document.addMasterItem(TextItem::newHeaderOrFooterTextItem_(document.footerFrame()));
    document.setup();
    EXPECT_EQ(document.masterItems().size(), 2u);
}

TEST(LayoutDocumentTitles, FileNameFormatAndViewNumber)
{
    LayoutDocument document;
    document.setFilename("/home/a/Letter.lvb");
    EXPECT_EQ(document.labelViewInWindowTitle(0, false), "/home/a/Letter.lvb * Layvane Document (lvb)");
    document.setTemplate(true);
    EXPECT_EQ(document.labelViewInWindowTitle(0, false), "/home/a/Letter.lvb * Layvane Template (lvt)");
    document.setFileFormat("RTF");
    EXPECT_EQ(document.labelViewInWindowTitle(2, false), "/home/a/Letter.lvb * RTF * View 2");
    EXPECT_EQ(document.labelViewInWindowTitle(0, true), "/home/a/Letter.lvb * RTF * View 1");
    EXPECT_EQ(document.labelViewInWindowTitle(1, true), "/home/a/Letter.lvb * RTF * View 2");
}

TEST_F(MarkerOrderTest, EmptyingDropsTheContentsAndSetupMakesThemAgain)
{
    document_.setFilename("old.lvb");
    document_.setFileFormat("RTF");
    document_.setPageSize(kit::makeSize(500, 700));
    document_.addPages(3, 0);
    document_.pageAt(2)->setCollapsed(true);
    document_.calcPageRectsFor(1);
    document_.setActivePage(document_.pageAt(1));
    auto box = std::make_unique<ItemBox>();
    box->setFrame(kit::makeRect(0, 0, 10, 10), false);
    Item* onPage = box.get();
    document_.pageAt(0)->addItems(std::move(box));
    document_.setSelection({onPage}, nullptr);
    document_.addNamedItem(onPage);
    document_.addHeader(markerAt(0, 0));
    document_.addFootnote(markerAt(0, 1, TextWordFootnoteMarker));
    auto master = std::make_unique<ItemBox>();
    master->setFrame(kit::makeRect(0, 0, 5, 5), false);
    document_.addMasterItem(std::move(master));
    document_.addMasterGuide(std::make_unique<Guide>(12.0f, Guide::Horizontal));

    document_.emptyDocument();
    EXPECT_EQ(document_.filename(), "");
    EXPECT_EQ(document_.fileFormat(), "");
    EXPECT_EQ(document_.pageNumberFormat(), -1);
    EXPECT_TRUE(document_.pages().empty());
    EXPECT_EQ(document_.masterPage(), nullptr);
    EXPECT_TRUE(document_.masterItems().empty());
    EXPECT_TRUE(document_.masterGuides().empty());
    EXPECT_TRUE(document_.collapsedPages().empty());
    EXPECT_TRUE(document_.displayedPages().empty());
    EXPECT_TRUE(document_.selected().empty());
    EXPECT_TRUE(document_.headers().empty());
    EXPECT_TRUE(document_.footnotes().empty());
    EXPECT_EQ(document_.activePage(), nullptr);
    EXPECT_EQ(document_.findItemNamed(std::string("x")), nullptr);
    EXPECT_EQ(document_.paragraphNumberingCount(), 8);

    // Set-up fills the document again, keeping the settings.
    document_.setup();
    ASSERT_EQ(document_.pages().size(), 1u);
    EXPECT_EQ(document_.pageAt(0)->size(), kit::makeSize(500, 700));
    ASSERT_NE(document_.masterPage(), nullptr);
    EXPECT_EQ(document_.pageNumberFormat(), 0);
    EXPECT_EQ(document_.numDisplayedPages(), 1);
}

} // namespace

namespace {

TEST(LayoutDocumentAudit, ListsLinksMastersAndPagesInOrder)
{
    LayoutDocument document;
    document.setup();
    document.setFilename("Report.lvb");
    auto box = std::make_unique<ItemBox>();
    box->setFrame(kit::makeRect(1, 2, 3, 4), false);
    Item* linked = box.get();
    document.pageAt(0)->addItems(std::move(box));
    document.assignSerialNumberToObjectLinkItem(linked);
    auto master = std::make_unique<ItemBox>();
    master->setFrame(kit::makeRect(5, 6, 7, 8), false);
    document.addMasterItem(std::move(master));

    testing::internal::CaptureStdout();
    document.audit(0);
    const std::string out = testing::internal::GetCapturedStdout();
    char serial[128];
    std::snprintf(serial, sizeof serial, "Object links: last serial = %d, count = 1\n\tSerial %d, item %p(%p)\n\n",
                  document.lastItemSerialNumber(), *linked->itemSerialNumber(), static_cast<void*>(linked),
                  static_cast<void*>(linked));
    EXPECT_EQ(out.rfind("Object audit for Report.lvb\n\n", 0), 0u) << out;
    const auto links = out.find(serial);
    const auto masters = out.find("Begin master page items\n");
    const auto masterItem = out.find("at (5.000000, 6.000000)");
    const auto mastersEnd = out.find("End master page items\n\nBegin page items\n");
    const auto pageItem = out.find("at (1.000000, 2.000000)");
    const auto end = out.find("End page items\n\n");
    ASSERT_NE(links, std::string::npos) << out;
    EXPECT_LT(links, masters);
    EXPECT_LT(masters, masterItem);
    EXPECT_LT(masterItem, mastersEnd);
    EXPECT_LT(mastersEnd, pageItem);
    EXPECT_LT(pageItem, end);
    EXPECT_NE(end, std::string::npos);
}

} // namespace
