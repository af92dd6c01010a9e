// The stored form of a whole document: what is written reads back equal
// and writes the same bytes again.

#include "DocumentTestSupport.h"

#include "core/Archiver.h"
#include "core/Unarchiver.h"
#include "document/Guide.h"
#include "document/Page.h"
#include "foundation/StyleInfo.h"
#include "items/TextItem.h"
#include "text/TableParagraph.h"
#include "text/TextFlow.h"

#include <algorithm>
#include <cstdlib>
#include <sys/wait.h>

namespace {

using RoundTrip = DocumentFileTest;

TEST_F(RoundTrip, ADocumentReadsBackEqualAndWritesTheSameBytes)
{
    // Three pages and more of one chain, a master column, a header and a
    // footer, a table, named styles, guides, a box.
    std::unique_ptr<LayoutDocument> made = makeDocument(1200);
    ASSERT_GE(made->numPages(), 3);
    made->setPageNumberFormat(2);
    made->setDefaultTabSpacing(18.0f);
    const std::string first = bytesOf(*made);
    ASSERT_FALSE(first.empty());

    std::unique_ptr<LayoutDocument> read = readDocumentData(first);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->numPages(), made->numPages());
    EXPECT_EQ(read->pageSize(), made->pageSize());
    EXPECT_EQ(read->pageNumberFormat(), 2);
    EXPECT_EQ(read->defaultTabSpacing(), 18.0f);
    EXPECT_EQ(read->masterItems().size(), made->masterItems().size());
    EXPECT_EQ(read->masterGuides().size(), 1u);
    EXPECT_EQ(read->pageAt(0)->guides().size(), 1u);
    ASSERT_EQ(read->headers().size(), 1u);
    ASSERT_EQ(read->footers().size(), 1u);
    EXPECT_EQ(read->styleInfo()->paragraphStyles()->size(), made->styleInfo()->paragraphStyles()->size());
    EXPECT_NE(read->styleInfo()->styleWithName(std::string("Frame"), read->styleInfo()->graphicStyles()), nullptr);
    EXPECT_TRUE(read->selected().empty());

    // One flow runs through the columns of every page, linked both ways.
    TextFlow* flow = sample::firstColumnOn(read->pageAt(0))->flow();
    ASSERT_NE(flow, nullptr);
    EXPECT_EQ(flow->paragraphCount(), sample::firstColumnOn(made->pageAt(0))->flow()->paragraphCount());
    for (int i = 0; i < read->numPages(); ++i) {
        TextItem* column = sample::firstColumnOn(read->pageAt(i));
        ASSERT_NE(column, nullptr) << i;
        EXPECT_EQ(column->flow(), flow) << i;
        EXPECT_EQ(column->prevColumn(), i ? sample::firstColumnOn(read->pageAt(i - 1)) : nullptr) << i;
    }
    for (const auto& paragraph : flow->paragraphList())
        EXPECT_EQ(paragraph->flow(), flow);
    EXPECT_TRUE(std::any_of(flow->paragraphList().begin(), flow->paragraphList().end(),
                            [](const auto& p) { return dynamic_cast<const TableParagraph*>(p.get()); }));
    // The markers' frames are master items shared with their markers.
    TextWordSpecial* header = read->headers().front();
    EXPECT_EQ(header->paragraph(), flow->firstParagraph());
    EXPECT_TRUE(std::any_of(read->masterItems().begin(), read->masterItems().end(),
                            [&](const auto& item) { return item.get() == header->objectReference(); }));

    EXPECT_TRUE(bytesOf(*read) == first);
}

TEST_F(RoundTrip, AFlowReachedThroughItsHeaderMarkerKeepsItsColumnAndParagraphs)
{
    // One page: the flow is first met through the marker's paragraph while
    // the header frame (a master item) is read, before its only column.
    std::unique_ptr<LayoutDocument> made = makeDocument(60);
    ASSERT_EQ(made->numPages(), 1);
    std::unique_ptr<LayoutDocument> read = readDocumentData(bytesOf(*made));
    ASSERT_NE(read, nullptr);
    TextItem* column = sample::firstColumnOn(read->pageAt(0));
    ASSERT_NE(column, nullptr);
    ASSERT_NE(column->flow(), nullptr);
    EXPECT_EQ(column->flow()->firstTextItem(), column);
    for (const auto& paragraph : column->flow()->paragraphList())
        EXPECT_EQ(paragraph->flow(), column->flow());
    // The automatic master column carries no text of its own.
    for (const auto& item : read->masterItems()) {
        if (auto* master = dynamic_cast<TextItem*>(item.get()); master && master->autoFlowMaster()) {
            EXPECT_EQ(master->flow(), nullptr);
        }
    }
    EXPECT_EQ(read->flows().size(), 3u); // the text, the header's, the footer's
}

// The only column of the text with the header marker is deleted, as the
// page view deletes it (an undo record keeps it): the marker stays listed
// and its frame names it, written and read back so.
TEST_F(RoundTrip, AHeaderWhoseTextAnUndoRecordHoldsKeepsItsMarker)
{
    std::unique_ptr<LayoutDocument> made = makeDocument(60);
    ASSERT_EQ(made->numPages(), 1);
    TextItem* column = sample::firstColumnOn(made->pageAt(0));
    ASSERT_NE(column, nullptr);
    std::vector<std::shared_ptr<Item>> held = made->pageAt(0)->removeItems({column});
    ASSERT_EQ(held.size(), 1u);
    column->removeFromTextFlow();
    ASSERT_EQ(made->headers().size(), 1u);

    std::unique_ptr<LayoutDocument> read = readDocumentData(bytesOf(*made));
    ASSERT_NE(read, nullptr);
    ASSERT_EQ(read->headers().size(), 1u);
    TextWordSpecial* header = read->headers().front();
    const auto frame = std::find_if(read->masterItems().begin(), read->masterItems().end(),
                                    [&](const auto& item) { return item.get() == header->objectReference(); });
    ASSERT_NE(frame, read->masterItems().end());
    EXPECT_EQ(static_cast<TextItem*>(frame->get())->myMaster(), header);
}

} // namespace

namespace {

int runRewrite(const std::string& arguments)
{
    const int status = std::system((std::string(SCRIVLY_DOCREWRITE) + " " + arguments + " 2>/dev/null").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(RoundTrip, TheRewriteToolWritesADocumentFileAgainByteForByte)
{
    std::unique_ptr<LayoutDocument> made = makeDocument(600);
    ASSERT_TRUE(made->saveFile(path("in.lvb"), false));
    EXPECT_EQ(runRewrite(path("in.lvb") + " " + path("out.lvb")), 0);
    EXPECT_TRUE(fileBytes(path("out.lvb")) == fileBytes(path("in.lvb")));
    // A package is written as a plain file.
    kit::FileManager::createDirectoryAtPath(path("old.lvb"));
    kit::FileManager::copyPath(path("in.lvb"), path("old.lvb/LayvaneDoc.lvb"));
    EXPECT_EQ(runRewrite(path("old.lvb") + " " + path("plain.lvb")), 0);
    EXPECT_TRUE(fileBytes(path("plain.lvb")) == fileBytes(path("in.lvb")));

    kit::FileManager::writeFileAtomically(path("bad.lvb"), "not a document");
    EXPECT_EQ(runRewrite(path("bad.lvb") + " " + path("never.lvb")), 1);
    EXPECT_FALSE(kit::FileManager::fileExistsAtPath(path("never.lvb")));
    EXPECT_EQ(runRewrite(path("in.lvb")), 2);
}

} // namespace
