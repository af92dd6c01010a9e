// A page draws itself into whatever context a paint names: printing and
// thumbnails need no page view.

#include "core/Alert.h"
#include "core/Color.h"
#include "core/Values.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "document/PageSet.h"
#include "foundation/Paint.h"
#include "foundation/StyleGraphic.h"
#include "foundation/StyleParagraph.h"
#include "graphics/Font.h"
#include "graphics/PostScriptContext.h"
#include "graphics/RasterContext.h"
#include "graphics/RecordingContext.h"
#include "document/Guide.h"
#include "foundation/StyleSheetEntry.h"
#include "graphics/tests/WysiwygSupport.h"
#include "items/ItemBox.h"
#include "items/TextItem.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextWord.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace {

class PageDrawingTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        kit::registerValueClasses();
        StyleGraphic::initialize();
        Item::initialize();
        Page::initialize();
        TextFlow::initialize();
    }
    void SetUp() override
    {
        alerts_ = std::make_shared<kit::ScriptedAlertHandler>();
        kit::setAlertHandler(alerts_);
    }
    void TearDown() override { kit::setAlertHandler(nullptr); }

    std::shared_ptr<kit::ScriptedAlertHandler> alerts_;
};

// Dark pixels in the rectangle of the image (points at 72 dpi).
int inkIn(const QImage& image, const kit::Rect& r)
{
    int dark = 0;
    for (int y = int(r.origin.y); y < int(kit::maxY(r)); ++y)
        for (int x = int(r.origin.x); x < int(kit::maxX(r)); ++x)
            if (qGray(image.pixel(x, y)) < 128)
                ++dark;
    return dark;
}

TEST_F(PageDrawingTest, APageWithoutAPageViewPrintsItsPaperTextAndItems)
{
    const std::string gs = wysiwyg::findProgram("gs");
    if (gs.empty())
        GTEST_SKIP() << "Ghostscript (gs) is not installed";
    wysiwyg::TempFolder folder;
    ASSERT_FALSE(folder.path().empty());

    // The document has no view at all; its second page lies far down the
    // canvas, where a page view would have placed it.
    LayoutDocument document;
    document.setPageSize(kit::makeSize(612, 792));
    document.setFirstPageNum(1);
    document.setMasterPage(std::make_unique<Page>());
    ASSERT_TRUE(document.addPages(2, 0));
    ASSERT_TRUE(document.views().empty());
    Page* page = document.pageAt(1);
    const kit::Rect pageRect = kit::makeRect(40, 900, 612, 792);
    page->setRect(pageRect);

    auto column = std::make_unique<TextItem>();
    column->setFrame(kit::makeRect(72, 72, 300, 200), false);
    TextItem* text = column.get();
    page->addItems(std::move(column));
    TextParagraph* paragraph = text->flow()->firstParagraph();
    paragraph->paragraphStyle()->setFont(kit::Font::fontWithName("Courier", 24));
    for (const char* word : {"Printed", "without", "a", "view"})
        paragraph->addWord(std::make_unique<TextWord>())->setText(word);
    text->flow()->recomputeAll();

    auto box = std::make_unique<ItemBox>();
    box->setFrame(kit::makeRect(72, 400, 200, 100), false);
    box->setHasFill(true);
    box->setFillColor(kit::Color::blackColor());
    page->addItems(std::move(box));

    // Printed as printing does: the page's coordinates run down from its top
    // left, the page's place on the canvas moved to the sheet's corner.
    kit::PostScriptContext ps;
    kit::PostScriptDocumentInfo info;
    info.title = "Page without a view";
    ps.beginDocument(info);
    ps.beginPage("1", 1, kit::makeRect(0, 0, 612, 792));
    ps.translate(0, 792);
    ps.scale(1, -1);
    ps.translate(-pageRect.origin.x, -pageRect.origin.y);
    EXPECT_TRUE(page->drawSelfInView(Paint::into(ps, 1.0f, pageRect), pageRect));
    ps.endPage();
    ps.endDocument();
    ASSERT_EQ(ps.errorCount(), 0u) << ps.lastError();
    EXPECT_EQ(ps.gsaveDepth(), 0);

    const QImage printed = wysiwyg::printedImage(gs, ps, folder.path(), 612, 792);
    ASSERT_FALSE(printed.isNull());
    // The text stands in the column's first line, the box is filled, and
    // the rest of the paper is white.
    EXPECT_GT(inkIn(printed, kit::makeRect(72, 72, 300, 40)), 100);
    EXPECT_EQ(inkIn(printed, kit::makeRect(80, 410, 180, 80)), 180 * 80);
    EXPECT_EQ(inkIn(printed, kit::makeRect(400, 72, 200, 300)), 0);
    EXPECT_EQ(inkIn(printed, kit::makeRect(72, 520, 400, 250)), 0);
}

// ---- Both layers and the screen's decorations.

class DecoratedPageTest : public PageDrawingTest {
protected:
    void SetUp() override
    {
        PageDrawingTest::SetUp();
        document_.setPageSize(kit::makeSize(200, 200));
        document_.setFirstPageNum(1);
        document_.setMasterPage(std::make_unique<Page>());
        ASSERT_TRUE(document_.addPages(2, 0));
        for (int i = 0; i < 2; ++i)
            document_.pageAt(i)->setSize(kit::makeSize(200, 200));
        page_ = document_.pageAt(1);
        page_->setRect(kit::makeRect(0, 0, 200, 200));
        // A black master square on every page, and a grey page square that
        // covers its right half.
        auto master = std::make_shared<ItemBox>();
        master->setFrame(kit::makeRect(20, 20, 100, 100), false);
        master->setHasFill(true);
        master->setFillColor(kit::Color::blackColor());
        master->setMasterFlags(3);
        master_ = master.get();
        document_.addMasterItem(master);
        auto own = std::make_shared<ItemBox>();
        own->setFrame(kit::makeRect(70, 20, 100, 100), false);
        own->setHasFill(true);
        own->setFillColor(kit::Color::grayColor());
        own_ = own.get();
        page_->addItems(own);
    }

    // The page drawn on a 72 dpi screen image, the page's y running down.
    std::unique_ptr<kit::RasterContext> screen()
    {
        auto raster = std::make_unique<kit::RasterContext>(220, 220);
        raster->fillImage(0xFF00FFFF);
        raster->translate(0, 220);
        raster->scale(1, -1);
        const kit::Rect all = kit::makeRect(0, 0, 220, 220);
        EXPECT_TRUE(page_->drawSelfInView(Paint::into(*raster, 1.0f, all), all));
        return raster;
    }

    static int grayAt(const kit::RasterContext& r, int x, int y) { return qGray(r.pixel(x, y)); }

    // Every operator of one drawing of the page, to the screen or to print.
    std::vector<std::string> ops(bool onScreen)
    {
        kit::RecordingContext recording;
        recording.setDrawingToScreen(onScreen);
        const kit::Rect all = kit::makeRect(0, 0, 220, 220);
        page_->drawSelfInView(Paint::into(recording, 1.0f, all), all);
        return recording.lines();
    }

    LayoutDocument document_;
    Page* page_ = nullptr;
    Item* master_ = nullptr;
    Item* own_ = nullptr;
};

// Masters lie below the page's items; the layer not being edited is drawn
// normally, as white shapes, or not at all.
TEST_F(DecoratedPageTest, TheTwoLayersDrawInTheOrderAndVisibilityOfTheEditingLayer)
{
    // Drawn white shapes show light on the screen, paper shows white.
    constexpr int black = 0, gray = 128, white = 204, paper = 255;
    struct Case {
        int layer, visibility;
        int masterOnly, overlap, ownOnly; // grey levels at x 40, 100, 150
    } cases[] = {
        {LayoutDocument::PagesLayer, 0, black, gray, gray},
        {LayoutDocument::PagesLayer, 1, white, gray, gray},
        {LayoutDocument::PagesLayer, 2, paper, gray, gray},
        {LayoutDocument::MasterLayer, 0, black, gray, gray},
        {LayoutDocument::MasterLayer, 1, black, white, white},
        {LayoutDocument::MasterLayer, 2, black, black, paper},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.layer) + "/" + std::to_string(c.visibility));
        ASSERT_TRUE(document_.setEditingLayer(c.layer));
        document_.setVisibilityOfElements(c.visibility);
        const auto r = screen();
        EXPECT_NEAR(grayAt(*r, 40, 70), c.masterOnly, 30);
        EXPECT_NEAR(grayAt(*r, 100, 70), c.overlap, 30);
        EXPECT_NEAR(grayAt(*r, 150, 70), c.ownOnly, 30);
        // A master item drawn here comes back to the master page.
        EXPECT_EQ(master_->page(), document_.masterPage());
    }
}

// Printing draws no shadow, watermark, guide, knob or frame: the page's
// operators are the same as without any of them.
TEST_F(DecoratedPageTest, PrintingDrawsNoneOfTheScreensDecorations)
{
    ASSERT_TRUE(document_.setEditingLayer(LayoutDocument::PagesLayer));
    const std::vector<std::string> plainPrint = ops(false);
    const std::vector<std::string> plainScreen = ops(true);

    document_.setShowGuides(true);
    page_->addGuide(std::make_unique<Guide>(150.0f, Guide::Horizontal));
    document_.addMasterGuide(std::make_unique<Guide>(180.0f, Guide::Vertical));
    own_->select();
    master_->select();
    own_->lock();
    document_.setActivePage(page_);
    EXPECT_EQ(ops(false), plainPrint);
    const std::vector<std::string> decorated = ops(true);
    EXPECT_NE(decorated, plainScreen);
    // Two knob batches (locked, unlocked) and two guide lists on screen.
    auto count = [&](const std::string& prefix) {
        return std::count_if(decorated.begin(), decorated.end(),
                             [&](const std::string& line) { return line.rfind(prefix, 0) == 0; });
    };
    EXPECT_GE(count("rectfill"), 4);

    ASSERT_TRUE(document_.setEditingLayer(LayoutDocument::MasterLayer));
    const std::vector<std::string> masterScreen = ops(true);
    const std::string watermark = StyleSheetEntry::stringForKey("MasterBackground");
    EXPECT_TRUE(std::any_of(masterScreen.begin(), masterScreen.end(), [&](const std::string& line) {
        return line.rfind("show", 0) == 0 && line.find(watermark.substr(0, 4)) != std::string::npos;
    }));
    const std::vector<std::string> masterPrint = ops(false);
    EXPECT_FALSE(std::any_of(masterPrint.begin(), masterPrint.end(), [&](const std::string& line) {
        return line.rfind("show", 0) == 0 && line.find(watermark.substr(0, 4)) != std::string::npos;
    }));
}

// Printed through the PostScript writer and rendered, the page with guides,
// selection and an active frame shows only its items.
TEST_F(DecoratedPageTest, APrintedPageRendersWithoutGuidesOrKnobs)
{
    const std::string gs = wysiwyg::findProgram("gs");
    if (gs.empty())
        GTEST_SKIP() << "Ghostscript (gs) is not installed";
    wysiwyg::TempFolder folder;
    ASSERT_FALSE(folder.path().empty());
    document_.setShowGuides(true);
    page_->addGuide(std::make_unique<Guide>(150.0f, Guide::Horizontal));
    own_->select();
    document_.setActivePage(page_);

    kit::PostScriptContext ps;
    kit::PostScriptDocumentInfo info;
    info.title = "Decorations";
    ps.beginDocument(info);
    ps.beginPage("1", 1, kit::makeRect(0, 0, 200, 200));
    ps.translate(0, 200);
    ps.scale(1, -1);
    const kit::Rect all = kit::makeRect(0, 0, 200, 200);
    EXPECT_TRUE(page_->drawSelfInView(Paint::into(ps, 1.0f, all), all));
    ps.endPage();
    ps.endDocument();
    ASSERT_EQ(ps.errorCount(), 0u) << ps.lastError();
    const QImage printed = wysiwyg::printedImage(gs, ps, folder.path(), 200, 200);
    ASSERT_FALSE(printed.isNull());
    // The guide's row and the knobs' corners stay white; the items show.
    EXPECT_EQ(inkIn(printed, kit::makeRect(0, 145, 200, 10)), 0);
    // Just outside the selected square's corner, where its knob would be.
    EXPECT_EQ(inkIn(printed, kit::makeRect(171, 121, 3, 3)), 0);
    EXPECT_GT(inkIn(printed, kit::makeRect(30, 30, 30, 30)), 800);
}

// A page of no width has no room for the watermark: it is left out, and
// nothing is drawn with a number that is not finite.
TEST_F(DecoratedPageTest, APageOfNoWidthDrawsNoWatermark)
{
    ASSERT_TRUE(document_.setEditingLayer(LayoutDocument::MasterLayer));
    const std::string watermark = StyleSheetEntry::stringForKey("MasterBackground");
    for (kit::Size size : {kit::Size{0, 200}, kit::Size{200, 0}, kit::Size{200, 200}}) {
        page_->setSize(size);
        kit::RecordingContext recording;
        recording.setDrawingToScreen(true);
        const kit::Rect all = kit::makeRect(-10, -10, 240, 240);
        page_->drawSelfInView(Paint::into(recording, 1.0f, all), all);
        bool shown = false;
        for (const kit::RecordedOp& op : recording.ops()) {
            for (float n : op.numbers)
                EXPECT_TRUE(std::isfinite(n)) << op.toString();
            shown = shown || (op.name == "show" && op.text == watermark);
        }
        EXPECT_EQ(shown, size.width > 0 && size.height > 0) << size.width << " x " << size.height;
    }
}

// Every knob is drawn, in batches of at most 2000.
TEST_F(DecoratedPageTest, KnobsOfManyItemsAreAllDrawnInBatches)
{
    std::vector<std::shared_ptr<Item>> held;
    std::vector<Item*> items;
    for (int i = 0; i < 301; ++i) {
        auto box = std::make_shared<ItemBox>();
        box->setFrame(kit::makeRect(float(i % 20) * 9.0f, float(i / 20) * 9.0f, 8, 8), false);
        items.push_back(box.get());
        held.push_back(box);
    }
    kit::RecordingContext print;
    print.setDrawingToScreen(false);
    drawKnobs(print, items, 1.0f);
    std::size_t drawn = 0;
    int batches = 0;
    for (const kit::RecordedOp& op : print.ops())
        if (op.name == "xyshow") {
            // Each batch shows the outer and the inner squares.
            EXPECT_LE(op.text.size(), 2000u);
            drawn += op.text.size();
            ++batches;
        }
    EXPECT_EQ(drawn, 2 * 301u * 8u);
    EXPECT_EQ(batches, 2 * 2);
}

TEST_F(DecoratedPageTest, AThumbnailFitsThePageAndSurvivesAPageOfNoWidth)
{
    kit::RecordingContext recording;
    recording.setDrawingToScreen(true);
    page_->drawSelfInImageRep(recording, 54, 100);
    const auto& ops = recording.ops();
    auto fill = std::find_if(ops.begin(), ops.end(), [](const kit::RecordedOp& op) {
        return op.name == "rectfillListWithGrays";
    });
    ASSERT_NE(fill, ops.end());
    // The width limits the scale (50 / 200): the page starts 1 point in,
    // its shadow ends 1 point before the right edge.
    ASSERT_EQ(fill->numbers.size(), 10u);
    EXPECT_FLOAT_EQ(fill->numbers[5], 1.0f);
    EXPECT_FLOAT_EQ(fill->numbers[0] + fill->numbers[2], 53.0f);

    for (kit::Size size : {kit::Size{0, 200}, kit::Size{200, 0}}) {
        page_->setSize(size);
        kit::RecordingContext empty;
        empty.setDrawingToScreen(true);
        page_->drawSelfInImageRep(empty, 54, 100);
        for (const kit::RecordedOp& op : empty.ops())
            for (float n : op.numbers)
                EXPECT_TRUE(std::isfinite(n)) << op.toString();
        // The frame alone: no page is filled.
        EXPECT_TRUE(std::none_of(empty.ops().begin(), empty.ops().end(),
                                 [](const kit::RecordedOp& op) { return op.name == "rectfillListWithGrays"; }));
        EXPECT_TRUE(std::any_of(empty.ops().begin(), empty.ops().end(),
                                [](const kit::RecordedOp& op) { return op.name == "rectfill"; }));
    }
}

// A run of collapsed pages shows its numbers on the screen and nothing in
// print; a narrow strip too thin for "a-b" stacks the numbers.
TEST_F(PageDrawingTest, ARunOfCollapsedPagesIsLabelledWithItsNumbers)
{
    LayoutDocument document;
    document.setPageSize(kit::makeSize(612, 792));
    document.setFirstPageNum(1);
    document.setMasterPage(std::make_unique<Page>());
    ASSERT_TRUE(document.addPages(6, 0));
    ASSERT_TRUE(document.collapsePages(3, 1));
    ASSERT_TRUE(document.collapsePages(1, 5));
    document.calcPageRectsFor(1);
    PageSet* run = document.pageSetForCollapsedPage(document.pageAt(1));
    PageSet* single = document.pageSetForCollapsedPage(document.pageAt(5));
    ASSERT_NE(run, nullptr);
    ASSERT_NE(single, nullptr);
    const std::string pages = StyleSheetEntry::stringForKey("Pages");
    EXPECT_EQ(single->pageNumbersLabel(), StyleSheetEntry::stringForKey("Page") + "\n6");
    const kit::Rect strip = run->pageRect();
    EXPECT_EQ(run->pageNumbersLabel(), pages + (strip.size.width < 30 ? "\n2\n4" : "\n2-4"));
    run->setRect(kit::makeRect(strip.origin.x, strip.origin.y, 200, strip.size.height));
    EXPECT_EQ(run->pageNumbersLabel(), pages + "\n2-4");
    run->setRect(kit::makeRect(strip.origin.x, strip.origin.y, 10, strip.size.height));
    EXPECT_EQ(run->pageNumbersLabel(), pages + "\n2\n4");

    for (bool screen : {true, false}) {
        kit::RecordingContext recording;
        recording.setDrawingToScreen(screen);
        const kit::Rect all = kit::insetRect(run->pageRect(), -10, -10);
        EXPECT_TRUE(run->drawSelfInView(Paint::into(recording, 1.0f, all), all));
        const auto lines = recording.lines();
        const bool labelled = std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
            return line.rfind("show", 0) == 0 && line.find('4') != std::string::npos;
        });
        EXPECT_EQ(labelled, screen);
        // Far away, nothing.
        kit::RecordingContext far;
        far.setDrawingToScreen(screen);
        const kit::Rect elsewhere = kit::offsetRect(all, 5000, 5000);
        EXPECT_FALSE(run->drawSelfInView(Paint::into(far, 1.0f, elsewhere), elsewhere));
        EXPECT_TRUE(far.ops().empty());
    }
}

} // namespace
