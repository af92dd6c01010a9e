// The page layout and paper commands: the shared print settings and the
// page-layout accessory tell the document its page size, arrangement and
// numbering; pages, runs and canvas follow.

#include "core/Values.h"
#include "document/DocumentPanels.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "document/PageSet.h"
#include "foundation/StyleGraphic.h"
#include "graphics/PrintInfo.h"
#include "items/Item.h"

#include <gtest/gtest.h>

#include <climits>
#include <limits>
#include <memory>
#include <vector>

namespace {

// The accessory as a user leaves it.
class ScriptedAccessory : public PageLayoutAccessory {
public:
    kit::View* view() override { return nullptr; }
    void setUnitName(const std::string& name) override { unit = name; }
    void setSidedMode(int mode) override { sided = mode; }
    int sidedMode() const override { return sided; }
    void setTileMode(int mode) override { tile = mode; }
    int tileMode() const override { return tile; }
    void setPageNumber(int number) override { first = number; }
    int pageNumber() const override { return first; }
    void setPageNumberFormat(short f) override { format = f; }
    short pageNumberFormat() const override { return format; }
    void setDefaultTabInfo(const LayoutDocument* document) override { tab = document->defaultTabSpacing(); }
    float defaultTabFromDocument(const LayoutDocument*) const override { return tab; }

    std::string unit;
    int sided = -1, tile = -1, first = 0;
    short format = 0;
    float tab = 0;
};

class PageLayoutCommandTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        kit::registerValueClasses();
        StyleGraphic::initialize();
        Item::initialize();
        Page::initialize();
    }
    void SetUp() override
    {
        saved_ = kit::PrintInfo::sharedPrintInfo();
        kit::PrintInfo::setSharedPrintInfo(std::make_shared<kit::PrintInfo>());
        document_.setPageSize(kit::makeSize(612, 792));
        document_.setPaperSize(kit::makeSize(612, 792));
        document_.setFirstPageNum(1);
        document_.setMasterPage(std::make_unique<Page>());
        ASSERT_TRUE(document_.addPages(4, 0));
        ASSERT_TRUE(document_.collapsePages(2, 1));
        document_.calcPageRectsFor(1);
    }
    void TearDown() override { kit::PrintInfo::setSharedPrintInfo(saved_); }

    // What the panel shows for the document, then OK with the paper given.
    void runWithPaper(kit::Size paper, kit::PrintInfo::Orientation orientation)
    {
        bool follows = false;
        document_.setupPageLayout(nullptr, &accessory_, &follows);
        kit::PrintInfo& info = *kit::PrintInfo::sharedPrintInfo();
        info.setPaperSize(paper);
        info.setOrientation(orientation);
        document_.processPageLayout(&accessory_, follows);
    }

    std::shared_ptr<kit::PrintInfo> saved_;
    LayoutDocument document_;
    ScriptedAccessory accessory_;
};

TEST_F(PageLayoutCommandTest, PagesRunsAndCanvasTakeANewPaper)
{
    struct Case {
        const char* name;
        kit::Size paper;
        kit::PrintInfo::Orientation orientation;
        kit::Size page;
    } cases[] = {
        {"A4", {595, 842}, kit::PrintInfo::Orientation::Portrait, {595, 842}},
        {"A4 landscape", {595, 842}, kit::PrintInfo::Orientation::Landscape, {842, 595}},
        {"Letter", {612, 792}, kit::PrintInfo::Orientation::Portrait, {612, 792}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        runWithPaper(c.paper, c.orientation);
        EXPECT_EQ(document_.pageSize().width, c.page.width);
        EXPECT_EQ(document_.pageSize().height, c.page.height);
        // The paper followed: it was the page size before.
        EXPECT_EQ(document_.paperSize().width, c.page.width);
        for (int i = 0; i < document_.numPages(); ++i)
            EXPECT_EQ(document_.pageAt(i)->pageRect().size.width, c.page.width) << "page " << i;
        PageSet* run = document_.pageSetForCollapsedPage(document_.pageAt(1));
        ASSERT_NE(run, nullptr);
        EXPECT_EQ(run->pageRect().size.height, c.page.height);
        // Laid out again: the pages do not overlap and fit the canvas.
        const kit::Rect first = document_.pageAt(0)->pageRect();
        const kit::Rect last = document_.pageAt(3)->pageRect();
        EXPECT_FALSE(kit::intersectsRect(first, last));
        EXPECT_LE(kit::maxX(last), document_.canvasSize().width);
        EXPECT_LE(kit::maxY(last), document_.canvasSize().height);
    }
    // The canvas was laid out for the last paper: laying it out again
    // changes nothing.
    const kit::Size canvas = document_.canvasSize();
    document_.calcPageRectsFor(1);
    EXPECT_EQ(document_.canvasSize().width, canvas.width);
    EXPECT_EQ(document_.canvasSize().height, canvas.height);
    // The shared settings show the page upright.
    runWithPaper({595, 842}, kit::PrintInfo::Orientation::Landscape);
    bool follows = false;
    document_.setupPageLayout(nullptr, &accessory_, &follows);
    EXPECT_TRUE(follows);
    EXPECT_EQ(kit::PrintInfo::sharedPrintInfo()->paperSize().width, 595);
    EXPECT_EQ(kit::PrintInfo::sharedPrintInfo()->orientation(), kit::PrintInfo::Orientation::Landscape);
}

TEST_F(PageLayoutCommandTest, ASizeOrFirstPageNumberOutOfRangeIsRefused)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (kit::Size bad : {kit::Size{0, 0}, kit::Size{-612, 792}, kit::Size{nan, 792}}) {
        bool follows = false;
        document_.setupPageLayout(nullptr, &accessory_, &follows);
        // The print settings refuse some sizes themselves; put it raw.
        kit::PrintInfo::sharedPrintInfo()->setValue(kit::PrintPaperSize, bad);
        document_.processPageLayout(&accessory_, follows);
        EXPECT_EQ(document_.pageSize().width, 612);
        EXPECT_EQ(document_.pageSize().height, 792);
    }
    for (int first : {LayoutDocument::FirstPageNumNotSet, SHRT_MAX - 2, SHRT_MAX + 10, INT_MIN}) {
        bool follows = false;
        document_.setupPageLayout(nullptr, &accessory_, &follows);
        accessory_.first = first;
        document_.processPageLayout(&accessory_, follows);
        EXPECT_EQ(document_.firstPageNum(), 1) << first;
    }
    bool follows = false;
    document_.setupPageLayout(nullptr, &accessory_, &follows);
    accessory_.first = -5;
    document_.processPageLayout(&accessory_, follows);
    EXPECT_EQ(document_.firstPageNum(), -5);
}

// With facing pages, a first page number of other parity moves the pages
// from one side to the other; one of the same parity only renumbers.
TEST_F(PageLayoutCommandTest, FacingPagesAreLaidOutAgainOnlyForAParityChange)
{
    document_.setSidedMode(1);
    bool follows = false;
    document_.setupPageLayout(nullptr, &accessory_, &follows);
    EXPECT_EQ(accessory_.sided, 1);
    EXPECT_EQ(accessory_.tile, 3);
    EXPECT_EQ(accessory_.first, 1);

    auto rects = [&] {
        std::vector<kit::Rect> out;
        for (int i = 0; i < document_.numPages(); ++i)
            out.push_back(document_.pageAt(i)->pageRect());
        return out;
    };
    auto same = [](const std::vector<kit::Rect>& a, const std::vector<kit::Rect>& b) {
        for (std::size_t i = 0; i < a.size(); ++i)
            if (!kit::equalRects(a[i], b[i]))
                return false;
        return true;
    };
    const std::vector<kit::Rect> before = rects();
    accessory_.first = 3;
    document_.processPageLayout(&accessory_, follows);
    EXPECT_EQ(document_.firstPageNum(), 3);
    EXPECT_TRUE(same(rects(), before));
    accessory_.first = 2;
    document_.processPageLayout(&accessory_, follows);
    EXPECT_EQ(document_.firstPageNum(), 2);
    EXPECT_FALSE(same(rects(), before));
    // Tile code 3 reads as mode 0 with facing pages.
    EXPECT_EQ(document_.tileMode(), 0);
}

TEST_F(PageLayoutCommandTest, ArrangementModesKeepTwoBitsAndLayThePagesOut)
{
    const kit::Rect first = document_.pageAt(0)->pageRect();
    document_.setTileMode(1 | 8);
    EXPECT_EQ(document_.tileMode(), 1);
    EXPECT_NE(document_.pageAt(3)->pageRect().origin.y, first.origin.y);
    document_.setTileMode(0);
    EXPECT_EQ(document_.pageAt(3)->pageRect().origin.y, first.origin.y);
}

} // namespace
