#include "core/Archiver.h"
#include "core/Exception.h"
#include "core/Unarchiver.h"
#include "core/Values.h"
#include "document/Guide.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "document/PageSet.h"
#include "foundation/Preferences.h"
#include "foundation/StyleGraphic.h"
#include "foundation/StyleGraphicNamed.h"
#include "foundation/StyleInfo.h"
#include "items/Item.h"
#include "items/ItemBox.h"
#include "items/TextItem.h"
#include "text/TextParagraph.h"
#include "text/TextFlow.h"

#include "view/PageView.h"

#include <gtest/gtest.h>

#include <climits>
#include <stdexcept>

namespace {

class PageListTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        kit::registerValueClasses();
        StyleGraphic::initialize();
        Item::initialize();
        Page::initialize();
    }

    // count pages of the document's page size, laid out in the given modes.
    void makePages(int count, int tileMode = 2, int sidedMode = 0)
    {
        document_.setPageSize(kit::makeSize(612, 792));
        document_.setTileMode(tileMode);
        document_.setSidedMode(sidedMode);
        document_.setFirstPageNum(1);
        document_.addPages(count, 0);
    }

    void collapse(std::initializer_list<int> indexes)
    {
        for (int i : indexes)
            document_.pageAt(i)->setCollapsed(true);
        document_.calcPageRectsFor(1);
    }

    LayoutDocument document_;
};

TEST_F(PageListTest, ConversionsAroundACollapsedRun)
{
    makePages(6);
    collapse({2, 3, 4});
    ASSERT_EQ(document_.collapsedPages().size(), 1u);
    const PageSet* run = document_.collapsedPageAt(0);
    EXPECT_EQ(run->offset(), 2);
    EXPECT_EQ(run->count(), 3u);
    const std::vector<Page*> shown{document_.pageAt(0), document_.pageAt(1), document_.collapsedPageAt(0),
                                   document_.pageAt(5)};
    EXPECT_EQ(document_.displayedPages(), shown);

    EXPECT_EQ(document_.displayedIndexOfNumber(4), 2);
    EXPECT_EQ(document_.displayedIndexOfNumber(6), 3);
    EXPECT_EQ(document_.displayedIndexOfNumber(2), 1);
    EXPECT_EQ(document_.numberOfDisplayedIndex(3), 6);
    EXPECT_EQ(document_.numberOfDisplayedIndex(2), 3);
    EXPECT_EQ(document_.indexOfDisplayedIndex(3), 5);
    EXPECT_EQ(document_.displayedIndexOfIndex(4), 2);
    EXPECT_EQ(document_.displayedIndexOfIndex(5), 3);
    EXPECT_EQ(document_.displayedIndexOfPage(document_.pageAt(3)), 2);
    EXPECT_EQ(document_.displayedIndexOfPage(document_.collapsedPageAt(0)), 2);
    EXPECT_EQ(document_.pageSetForCollapsedPage(document_.pageAt(4)), run);
    EXPECT_EQ(document_.pageSetForCollapsedPage(document_.pageAt(5)), nullptr);

    // Out of range: -1 for numbers, NSNotFound for indexes.
    EXPECT_EQ(document_.displayedIndexOfNumber(0), -1);
    EXPECT_EQ(document_.displayedIndexOfNumber(7), -1);
    EXPECT_EQ(document_.numberOfDisplayedIndex(4), -1);
    EXPECT_EQ(document_.indexOfDisplayedIndex(-1), LayoutDocument::PageNotFound);
    EXPECT_EQ(document_.displayedIndexOfIndex(6), LayoutDocument::PageNotFound);
    EXPECT_THROW(document_.displayedPageAt(4), std::out_of_range);
}

TEST_F(PageListTest, WithoutRunsConversionsAreArithmetic)
{
    makePages(4);
    document_.setFirstPageNum(-2);
    EXPECT_EQ(document_.indexOfNumber(-3), -1);
    EXPECT_EQ(document_.indexOfNumber(-2), 0);
    EXPECT_EQ(document_.indexOfNumber(1), 3);
    EXPECT_EQ(document_.indexOfNumber(2), -1);
    EXPECT_EQ(document_.numberOfIndex(3), 1);
    EXPECT_EQ(document_.numberOfIndex(4), -1);
    EXPECT_EQ(document_.displayedIndexOfNumber(0), 2);
    EXPECT_EQ(document_.numberOfDisplayedIndex(1), -1);
    EXPECT_EQ(document_.displayedIndexOfPage(document_.pageAt(3)), 3);
    // Numbers far out of range do not overflow into a page.
    ASSERT_TRUE(document_.setFirstPageNum(SHRT_MAX));
    EXPECT_EQ(document_.indexOfNumber(INT_MIN), -1);
    EXPECT_EQ(document_.indexOfNumber(INT_MAX), -1);
    EXPECT_EQ(document_.numberOfIndex(3), SHRT_MAX + 3);
    EXPECT_EQ(document_.indexOfNumber(SHRT_MAX + 3), 3);
    ASSERT_TRUE(document_.setFirstPageNum(SHRT_MIN));
    EXPECT_EQ(document_.numberOfIndex(1), SHRT_MIN + 1);
    EXPECT_EQ(document_.displayedIndexOfNumber(SHRT_MIN + 3), 3);
}

TEST_F(PageListTest, TheFirstPageNumberIsKeptIn16Bits)
{
    // Unset until set-up, which starts at 1 and keeps a number given.
    EXPECT_EQ(document_.firstPageNum(), LayoutDocument::FirstPageNumNotSet);
    // A number that does not fit 16 bits would wrap (65537 to 1): refused.
    for (int wrong : {SHRT_MAX + 1, 65537, SHRT_MIN - 1, INT_MAX, INT_MIN}) {
        EXPECT_FALSE(document_.setFirstPageNum(wrong)) << wrong;
        EXPECT_EQ(document_.firstPageNum(), LayoutDocument::FirstPageNumNotSet) << wrong;
    }
    document_.setup();
    EXPECT_EQ(document_.firstPageNum(), 1);
    EXPECT_TRUE(document_.setFirstPageNum(-7));
    document_.setup();
    EXPECT_EQ(document_.firstPageNum(), -7);
    EXPECT_EQ(document_.numberOfIndex(0), -7);
}

TEST_F(PageListTest, SeveralRunsMatchAWalkOverThePages)
{
    makePages(40);
    collapse({0, 1, 5, 9, 10, 11, 20, 39});
    document_.setFirstPageNum(3);
    // Each displayed entry covers consecutive page indexes, in order.
    int index = 0;
    for (int d = 0; d < document_.numDisplayedPages(); ++d) {
        EXPECT_EQ(document_.indexOfDisplayedIndex(d), index);
        EXPECT_EQ(document_.numberOfDisplayedIndex(d), index + 3);
        const unsigned count = document_.displayedPageAt(d)->count();
        for (unsigned k = 0; k < count; ++k, ++index) {
            EXPECT_EQ(document_.displayedIndexOfIndex(index), d) << index;
            EXPECT_EQ(document_.displayedIndexOfNumber(index + 3), d) << index;
        }
    }
    EXPECT_EQ(index, 40);
    EXPECT_EQ(document_.collapsedPages().size(), 5u);
}

TEST_F(PageListTest, TheActivePageFollowsItsRun)
{
    makePages(6);
    document_.setActivePage(document_.pageAt(3));
    EXPECT_EQ(document_.activePageNumber(), 4);
    collapse({2, 3, 4});
    EXPECT_EQ(document_.activePage(), document_.collapsedPageAt(0));
    EXPECT_EQ(document_.activePageIndex(), 2);
    EXPECT_EQ(document_.activePageNumber(), 3);
    // A run made active makes its first page the active page.
    document_.setActivePage(document_.collapsedPageAt(0));
    EXPECT_EQ(document_.activePage(), document_.pageAt(2));
}

TEST_F(PageListTest, TheMainViewHighlightsTheActivePageOrItsRun)
{
    makePages(6);
    PageView main, second;
    // Without an application's main view the last view added is the main one.
    document_.addView(&second);
    document_.addView(&main);
    EXPECT_EQ(document_.mainView(), &main);
    document_.setActivePage(document_.pageAt(1));
    EXPECT_EQ(main.highlightedPage(), document_.pageAt(1));
    EXPECT_EQ(document_.activeView(), &main);
    document_.setActivePage(document_.pageAt(4));
    EXPECT_EQ(main.highlightedPage(), document_.pageAt(4));
    EXPECT_EQ(second.highlightedPage(), nullptr);
    // A run is highlighted as a whole; its first page becomes active.
    collapse({2, 3});
    document_.setActivePage(document_.collapsedPageAt(0));
    EXPECT_EQ(main.highlightedPage(), document_.collapsedPageAt(0));
    EXPECT_EQ(document_.activePage(), document_.pageAt(2));
    document_.detachView(&second);
    document_.detachView(&main);
    EXPECT_EQ(document_.mainView(), nullptr);

    // One page alone is never highlighted.
    LayoutDocument single;
    single.setPageSize(kit::makeSize(612, 792));
    single.addPages(1, 0);
    PageView view;
    single.addView(&view);
    single.setActivePage(single.pageAt(0));
    EXPECT_EQ(single.activePage(), single.pageAt(0));
    EXPECT_EQ(view.highlightedPage(), nullptr);
    single.detachView(&view);
}

TEST_F(PageListTest, WindowTitlesNumberTheViewsOnlyWhenThereAreSeveral)
{
    document_.setFilename("/tmp/Report.lvb");
    PageView first, second;
    document_.addView(&first);
    EXPECT_EQ(first.windowTitle(), "/tmp/Report.lvb * Layvane Document (lvb)");
    document_.addView(&second);
    EXPECT_EQ(first.windowTitle().substr(first.windowTitle().size() - 2), " 1");
    EXPECT_EQ(second.windowTitle().substr(second.windowTitle().size() - 2), " 2");
    document_.setFilename("/tmp/Other.lvb");
    EXPECT_EQ(second.windowTitle().rfind("/tmp/Other.lvb * ", 0), 0u);
    document_.detachView(&first);
    EXPECT_EQ(second.windowTitle(), "/tmp/Other.lvb * Layvane Document (lvb)");
    document_.detachView(&second);
}

TEST_F(PageListTest, ChangingTheEditingLayerEndsTextEditing)
{
    makePages(1);
    PageView main;
    document_.addView(&main);
    auto column = std::make_unique<TextItem>();
    TextItem* c = column.get();
    document_.pageAt(0)->addItems(std::move(column));
    document_.setActiveTextItem(c);
    // The same layer again leaves the column open.
    document_.setEditingLayer(LayoutDocument::PagesLayer);
    EXPECT_EQ(document_.activeTextItem(), c);
    document_.setEditingLayer(LayoutDocument::MasterLayer);
    EXPECT_EQ(document_.activeTextItem(), nullptr);
    document_.detachView(&main);
}

TEST_F(PageListTest, VerticalCanvasOfSinglePages)
{
    makePages(3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(document_.pageRectAt(i), kit::makeRect(50, 50 + 808.0f * float(i), 612, 792)) << i;
    EXPECT_EQ(document_.canvasSize(), kit::makeSize(712, 2508));
    // Grown half way into the gaps and sideways to the canvas edges; the
    // first page is not grown upward, nor the last downward.
    EXPECT_EQ(document_.extendedPageRectForIndex(1, 1), kit::makeRect(0, 850, 712, 808));
    EXPECT_EQ(document_.extendedPageRectForIndex(0, 1), kit::makeRect(0, 50, 712, 800));
    EXPECT_EQ(document_.extendedPageRectForPage(document_.pageAt(2), 1), kit::makeRect(0, 1658, 712, 800));
    EXPECT_EQ(document_.extendedPageRectForIndex(3, 1), kit::Rect{});

    document_.setTileMode(0);
    document_.calcPageRectsFor(1);
    EXPECT_EQ(document_.extendedPageRectForIndex(0, 2), kit::makeRect(50, 0, 620, 892));
}

TEST_F(PageListTest, SpreadsAndHorizontalGaps)
{
    makePages(4, 1, 1);
    EXPECT_EQ(document_.pageRectAt(0).origin, kit::makePoint(50 + 612 + 16, 50));
    EXPECT_EQ(document_.pageRectAt(1).origin, kit::makePoint(50, 50 + 792 + 48));
    EXPECT_EQ(document_.pageRectAt(2).origin, kit::makePoint(50 + 612 + 16, 50 + 792 + 48));
    EXPECT_EQ(document_.pageRectAt(3).origin, kit::makePoint(50, 50 + 2 * (792 + 48)));

    document_.setTileMode(0);
    document_.calcPageRectsFor(1);
    // 16 after odd-numbered pages, 48 after even-numbered ones.
    const float xs[] = {50, 50 + 628, 50 + 628 + 660, 50 + 2 * 628 + 660};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(document_.pageRectAt(i).origin, kit::makePoint(xs[i], 50)) << i;
}

TEST_F(PageListTest, CollapsedStripsAndSmallMargins)
{
    makePages(5, 0);
    collapse({1, 2});
    EXPECT_EQ(document_.pageRectAt(1), kit::makeRect(50 + 628, 50, 54, 792));
    EXPECT_EQ(document_.pageRectAt(2).origin.x, 50 + 628 + 54 + 16);

    document_.setTileMode(2);
    document_.calcPageRectsFor(1);
    EXPECT_EQ(document_.pageRectAt(1), kit::makeRect(50, 50 + 808, 612, 54));

    // Every page laid out singly, then the run comes back.
    document_.calcPageRectsFor(2);
    EXPECT_EQ(document_.numDisplayedPages(), 5);
    document_.calcPageRectsFor(1);
    EXPECT_EQ(document_.numDisplayedPages(), 4);

    document_.setCanvasMargin(kit::makeSize(2, 10));
    document_.calcPageRectsFor(1);
    EXPECT_EQ(document_.canvasSize().width, 612 + 4 + 3);
}

TEST_F(PageListTest, PagesInRectFindsTheEntriesMet)
{
    makePages(100);
    collapse({10, 11, 12});
    EXPECT_TRUE(document_.pagesInRect(kit::makeRect(0, 0, 10, 10), false, 1).empty());
    // The gap between pages 0 and 1 meets neither plainly, both extended.
    const kit::Rect gap = kit::makeRect(100, 50 + 792 + 2, 10, 10);
    EXPECT_TRUE(document_.pagesInRect(gap, false, 1).empty());
    EXPECT_EQ(document_.pagesInRect(gap, true, 1), (std::vector<Page*>{document_.pageAt(0), document_.pageAt(1)}));
    // A screenful deep in the document meets the same entries as a plain scan.
    for (float y : {0.0f, 5000.0f, 8000.0f, 40000.0f, 76000.0f}) {
        const kit::Rect screen = kit::makeRect(0, y, 800, 1200);
        for (bool extended : {false, true}) {
            std::vector<Page*> expected;
            for (int d = 0; d < document_.numDisplayedPages(); ++d) {
                const kit::Rect r = extended ? document_.extendedPageRectForIndex(d, 1) : document_.pageRectAt(d);
                if (kit::intersectsRect(r, screen))
                    expected.push_back(document_.displayedPageAt(d));
            }
            EXPECT_EQ(document_.pagesInRect(screen, extended, 1), expected) << y << " " << extended;
        }
    }
}

TEST_F(PageListTest, DeletingCollapsingAndExpandingRanges)
{
    makePages(10);
    std::vector<Page*> last{document_.pageAt(8), document_.pageAt(9)};
    EXPECT_TRUE(document_.collapsePages(5, 8));
    EXPECT_TRUE(document_.pageAt(8)->isCollapsed() && document_.pageAt(9)->isCollapsed());
    document_.setActivePage(document_.pageAt(9));
    auto removed = document_.deletePages(5, 8);
    ASSERT_EQ(removed.size(), 2u);
    EXPECT_EQ(removed[0].get(), last[0]);
    EXPECT_EQ(removed[1].get(), last[1]);
    EXPECT_EQ(document_.numPages(), 8);
    EXPECT_EQ(document_.activePage(), nullptr);
    EXPECT_TRUE(document_.deletePages(1, 8).empty());
    EXPECT_TRUE(document_.deletePages(0, 1).empty());
    EXPECT_FALSE(document_.addPages(1, -1));
    EXPECT_FALSE(document_.addPages(0, 0));

    for (int i : {3, 4, 6})
        document_.pageAt(i)->setCollapsed(true);
    EXPECT_TRUE(document_.expandPages(-1, 3));
    EXPECT_FALSE(document_.pageAt(3)->isCollapsed());
    EXPECT_FALSE(document_.pageAt(4)->isCollapsed());
    EXPECT_TRUE(document_.pageAt(6)->isCollapsed());
    EXPECT_FALSE(document_.expandPages(2, 0));

    // Pages put back where they were.
    EXPECT_TRUE(document_.insertPages(std::move(removed), 8));
    EXPECT_EQ(document_.pageAt(9), last[1]);
    EXPECT_EQ(last[1]->relativePageNumber(), 10);
    EXPECT_EQ(document_.pageAt(0)->absolutePageNumber(), 1);
}

TEST_F(PageListTest, AMasterCopyFlowsAroundTheMastersAboveItsMaster)
{
    makePages(2);
    auto master = std::make_unique<TextItem>();
    auto everyPage = std::make_unique<ItemBox>();
    auto evenPages = std::make_unique<ItemBox>();
    auto noRunaround = std::make_unique<ItemBox>();
    everyPage->setRunaround(true, 1, 1, 1, 1, 0, false);
    evenPages->setRunaround(true, 1, 1, 1, 1, 0, false);
    everyPage->setMasterFlags(3);
    evenPages->setMasterFlags(1);
    noRunaround->setMasterFlags(3);
    TextItem* m = master.get();
    Item* every = everyPage.get();
    Item* even = evenPages.get();
    // A runaround master below the master frame does not count.
    auto below = std::make_unique<ItemBox>();
    below->setRunaround(true, 1, 1, 1, 1, 0, false);
    below->setMasterFlags(3);
    document_.addMasterItem(std::move(below));
    document_.addMasterItem(std::move(master));
    document_.addMasterItem(std::move(everyPage));
    document_.addMasterItem(std::move(evenPages));
    document_.addMasterItem(std::move(noRunaround));
    for (int i = 0; i < 2; ++i) {
        auto copy = std::make_unique<TextItem>();
        copy->setMyMaster(m);
        TextItem* c = copy.get();
        document_.pageAt(i)->addItems(std::move(copy));
        const std::vector<Item*> expected = i == 0 ? std::vector<Item*>{every} : std::vector<Item*>{every, even};
        EXPECT_EQ(document_.pageAt(i)->runaroundItemsFor(c), expected) << "page " << i + 1;
    }
}

TEST_F(PageListTest, OverlapsRelayEachFlowOnceFromItsFirstFrameOnThePage)
{
    makePages(1);
    Page* page = document_.pageAt(0);
    auto first = std::make_unique<TextItem>();
    auto second = std::make_unique<TextItem>();
    auto empty = std::make_unique<TextItem>();
    TextItem* f = first.get();
    TextItem* s = second.get();
    TextItem* e = empty.get();
    f->joinColumn(s);
    s->joinColumn(e);
    f->flow()->addParagraph(std::make_unique<TextParagraph>());
    s->setStartPointVals(1, 0, 0);
    e->setStartPointVals(-1, 0, 0);
    // Listed later-text first, and a frame that received no text after it.
    page->addItems(std::move(second));
    page->addItems(std::move(empty));
    page->addItems(std::move(first));
    for (TextItem* frame : {f, s, e})
        frame->setNewHangLeft(5);
    EXPECT_TRUE(page->handleOverlaps(nullptr, false));
    // Only the frame whose text starts first was re-laid (its margins reset).
    EXPECT_EQ(f->hangLeft(), 0.0f);
    EXPECT_EQ(s->hangLeft(), 5.0f);
    EXPECT_EQ(e->hangLeft(), 5.0f);
}

TEST_F(PageListTest, ItemsByLayerAndRunaround)
{
    makePages(1);
    Page* page = document_.pageAt(0);
    auto below = std::make_unique<ItemBox>();
    auto plain = std::make_unique<ItemBox>();
    auto above = std::make_unique<ItemBox>();
    above->setRunaround(true, 1, 1, 1, 1, 0, false);
    Item* b = below.get();
    Item* p = plain.get();
    Item* a = above.get();
    page->addItems(std::move(below));
    page->addItems(std::move(plain));
    page->addItems(std::move(above));
    EXPECT_EQ(b->page(), page);
    EXPECT_EQ(page->runaroundItemsFor(b), std::vector<Item*>{a});
    EXPECT_TRUE(page->runaroundItemsFor(a).empty());

    auto taken = page->removeItems({p});
    ASSERT_EQ(taken.size(), 1u);
    EXPECT_EQ(page->pageItems().size(), 2u);

    // The master layer's list is the document's master items; an item on no
    // page is shown on every page.
    document_.setEditingLayer(2);
    page->addItems(std::move(taken[0]));
    ASSERT_EQ(document_.masterItems().size(), 1u);
    EXPECT_EQ(p->masterFlags(), 3);
    EXPECT_EQ(page->items(), std::vector<Item*>{p});
}

TEST_F(PageListTest, TheEditingLayerChoosesTheListsEdited)
{
    makePages(2);
    Page* page = document_.pageAt(1);
    auto own = std::make_unique<ItemBox>();
    Item* o = own.get();
    page->addItems(std::move(own));
    page->addGuide(std::make_unique<Guide>(100.0f, Guide::Horizontal));
    const Guide* pageGuide = page->guides().front().get();

    ASSERT_TRUE(document_.setEditingLayer(LayoutDocument::MasterLayer));
    EXPECT_TRUE(page->items().empty());
    EXPECT_TRUE(page->activeGuides().empty());
    auto master = std::make_unique<ItemBox>();
    master->setMasterFlags(1);
    Item* m = master.get();
    page->addItems(std::move(master));
    page->addGuide(std::make_unique<Guide>(50.0f, Guide::Vertical));
    // A master item keeps its placement and is drawn on the page it came from.
    EXPECT_EQ(m->masterFlags(), 1);
    EXPECT_EQ(m->page(), page);
    EXPECT_EQ(page->items(), std::vector<Item*>{m});
    EXPECT_EQ(page->pageItems().size(), 1u);
    ASSERT_EQ(document_.masterGuides().size(), 1u);
    EXPECT_EQ(page->activeGuides(), std::vector<Guide*>{document_.masterGuides().front().get()});
    // A page's own item is not taken in the master layer.
    EXPECT_TRUE(page->removeItems({o}).empty());

    // Neither layer: refused, and items and guides still agree on the layer.
    for (int wrong : {0, 3, -1, 65538}) {
        EXPECT_FALSE(document_.setEditingLayer(wrong)) << wrong;
        EXPECT_EQ(document_.getEditingLayer(), LayoutDocument::MasterLayer) << wrong;
    }
    EXPECT_EQ(page->items(), std::vector<Item*>{m});
    EXPECT_EQ(page->activeGuides().size(), 1u);

    ASSERT_TRUE(document_.setEditingLayer(LayoutDocument::PagesLayer));
    EXPECT_EQ(page->items(), std::vector<Item*>{o});
    EXPECT_EQ(page->activeGuides(), std::vector<Guide*>{const_cast<Guide*>(pageGuide)});
    EXPECT_TRUE(page->removeItems({m}).empty());
    EXPECT_EQ(document_.masterItems().size(), 1u);

    // Set-up always starts in the pages layer, the other layer shown white.
    document_.setEditingLayer(LayoutDocument::MasterLayer);
    document_.setVisibilityOfElements(0);
    document_.setup();
    EXPECT_EQ(document_.getEditingLayer(), LayoutDocument::PagesLayer);
    EXPECT_EQ(document_.visibilityOfElements(), 1);
}

TEST_F(PageListTest, PagesAreHitAndRunsAreNot)
{
    makePages(3);
    collapse({2});
    Page* page = document_.pageAt(0);
    PageSet* run = document_.collapsedPageAt(0);
    // The run lies where the page does, and holds the same kinds of things.
    run->setRect(page->pageRect());
    const kit::Point origin = page->pageRect().origin;
    auto at = [&](float x, float y) { return kit::Point{origin.x + x, origin.y + y}; };
    for (Page* p : {page, static_cast<Page*>(run)}) {
        for (float x : {100.0f, 120.0f}) {
            auto column = std::make_unique<TextItem>();
            column->setFrame(kit::makeRect(x, 100, 200, 100));
            // Filled: a rectangle inside an unfilled column misses it.
            column->setHasFill(true);
            p->addItems(std::move(column));
        }
        p->addGuide(std::make_unique<Guide>(300.0f, Guide::Horizontal));
    }
    Item* bottom = page->pageItems()[0].get();
    Item* top = page->pageItems()[1].get();
    document_.setSelection({bottom}, nullptr);
    int knob = -7;

    EXPECT_EQ(page->hitAt(at(150, 150), nullptr), top);
    EXPECT_EQ(page->hitAt(at(110, 150), nullptr), bottom);
    EXPECT_EQ(page->hitAt(at(150, 150), nullptr, "ItemBox"), nullptr); // exact class only
    EXPECT_EQ(page->hitAt(at(150, 150), nullptr, "TextItem"), top);
    EXPECT_EQ(page->hitInRect(kit::makeRect(origin.x + 110, origin.y + 110, 15, 5), nullptr),
              (std::vector<Item*>{bottom, top}));
    EXPECT_EQ(page->hitInRect(kit::makeRect(origin.x + 110, origin.y + 110, 5, 5), nullptr),
              std::vector<Item*>{bottom});
    EXPECT_EQ(page->hitFill(at(150, 150), nullptr), top);
    // Guides are in page coordinates: the page does not lie at the canvas origin.
    ASSERT_NE(origin.y, 0.0f);
    EXPECT_EQ(page->hitGuideAt(at(10, 301.5f), nullptr), page->guides().front().get());
    EXPECT_EQ(page->hitGuideAt(at(10, 302.5f), nullptr), nullptr);
    EXPECT_EQ(page->hitKnobAt(at(100, 100), nullptr, &knob), bottom);
    EXPECT_EQ(knob, 0);
    EXPECT_TRUE(page->setCursorRectInView(nullptr));

    knob = -7;
    EXPECT_EQ(run->hitAt(at(150, 150), nullptr), nullptr);
    EXPECT_TRUE(run->hitInRect(run->pageRect(), nullptr).empty());
    EXPECT_EQ(run->hitFill(at(150, 150), nullptr), nullptr);
    EXPECT_EQ(run->hitGuideAt(at(10, 300), nullptr), nullptr);
    EXPECT_EQ(run->hitKnobAt(at(100, 100), nullptr, &knob), nullptr);
    EXPECT_EQ(knob, -7);
    EXPECT_TRUE(run->setCursorRectInView(nullptr));

    // Outside the page nothing is hit, and the master layer's items are
    // hit on pages they appear on.
    EXPECT_EQ(page->hitAt(at(-1, 150), nullptr), nullptr);
    document_.setEditingLayer(LayoutDocument::MasterLayer);
    auto odd = std::make_unique<TextItem>();
    odd->setFrame(kit::makeRect(100, 400, 200, 100));
    odd->setMasterFlags(2);
    Item* m = odd.get();
    document_.addMasterItem(std::move(odd));
    EXPECT_EQ(page->hitAt(at(150, 150), nullptr), nullptr);
    EXPECT_EQ(page->hitAt(at(150, 450), nullptr), m);
    EXPECT_EQ(m->page(), page);
    // Not on the second page, an even one.
    Page* even = document_.pageAt(1);
    const kit::Point evenPoint{even->pageRect().origin.x + 150, even->pageRect().origin.y + 450};
    EXPECT_EQ(even->hitAt(evenPoint, nullptr), nullptr);
    EXPECT_TRUE(even->hitInRect(even->pageRect(), nullptr).empty());
    EXPECT_EQ(run->hitAt(at(150, 450), nullptr), nullptr);
}

TEST_F(PageListTest, RemovingAGraphicStyleFromPagesAndMasters)
{
    makePages(2);
    StyleInfo* sheet = document_.styleInfo();
    auto* gone = static_cast<StyleGraphicNamed*>(sheet->addNewStyleInStyles(sheet->graphicStyles()));
    auto* kept = static_cast<StyleGraphicNamed*>(sheet->addNewStyleInStyles(sheet->graphicStyles()));
    ASSERT_TRUE(gone && kept);
    auto styled = [&](StyleGraphicNamed* style) {
        auto box = std::make_unique<ItemBox>();
        box->setPage(document_.pageAt(0));
        box->setGraphicStyle(style);
        return box;
    };
    auto onPage = styled(gone);
    auto other = styled(kept);
    auto master = styled(gone);
    Item* p = onPage.get();
    Item* o = other.get();
    Item* m = master.get();
    document_.pageAt(1)->addItems(std::move(onPage));
    document_.pageAt(1)->addItems(std::move(other));
    document_.addMasterItem(std::move(master));
    document_.removeGraphicStyle(gone);
    for (Item* item : {p, m}) {
        ASSERT_NE(item->graphicStyle(), nullptr);
        EXPECT_FALSE(item->graphicStyle()->isNamedStyle());
    }
    EXPECT_EQ(o->graphicStyle(), kept);
}

TEST(CollapsedStrips, PlacedByTileAndSidedMode)
{
    const kit::Rect page = kit::makeRect(10, 20, 600, 800);
    struct Case {
        int number, count, tileMode, sidedMode;
        bool isFirst;
        kit::Rect expected;
    };
    const Case cases[] = {
        {1, 2, 0, 0, false, kit::makeRect(10, 20, 54, 800)},
        {1, 2, 1, 1, false, kit::makeRect(10, 20, 54, 800)},
        {1, 2, 2, 0, false, kit::makeRect(10, 20, 600, 54)},
        // In spreads a strip sits at the middle of the page height ...
        {3, 2, 2, 1, false, kit::makeRect(10, 20 + 373, 600, 54)},
        {2, 1, 2, 1, false, kit::makeRect(10, 20 + 373, 600, 54)},
        // ... unless it begins the document, or an even run ends odd.
        {3, 2, 2, 1, true, kit::makeRect(10, 20, 600, 54)},
        {2, 2, 2, 1, false, kit::makeRect(10, 20, 600, 54)},
        {-3, 2, 2, 1, false, kit::makeRect(10, 20 + 373, 600, 54)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(getCollapsedPageRect(page, c.number, c.count, c.tileMode, c.sidedMode, c.isFirst), c.expected)
            << c.number << " " << c.count << " " << c.tileMode << " " << c.sidedMode;
    EXPECT_EQ(pageSide(0, 1, 1), 0);
    EXPECT_EQ(pageSide(0, 1, 4), 2);
    EXPECT_EQ(pageSide(1, 1, 4), 1);
    EXPECT_EQ(pageSide(0, -1, 4), 2);
}

TEST_F(PageListTest, ObjectLinksParseOnlyTheirData)
{
    makePages(1);
    auto box = std::make_unique<ItemBox>();
    Item* item = box.get();
    document_.assignSerialNumberToObjectLinkItem(item);
    EXPECT_EQ(item->itemSerialNumber(), 1);
    auto other = std::make_unique<ItemBox>();
    document_.assignSerialNumberToObjectLinkItem(other.get());
    EXPECT_EQ(other->itemSerialNumber(), 2);
    struct Case {
        std::string data;
        Item* expected;
    };
    const Case cases[] = {
        {"1 1 1", item}, {" 1  1\t2", other.get()}, {"2 1 1", nullptr}, {"1 2 1", nullptr},
        {"1 1", nullptr}, {"1 1 ", nullptr}, {"", nullptr}, {"1 1 99999999999", nullptr},
        // The digits that follow the data's end are not part of it.
        {std::string("1 1 1", 4), nullptr},
    };
    for (const auto& c : cases)
        EXPECT_EQ(document_.linkedItemAt(c.data), c.expected) << c.data;
    // An item taken off its page is no longer found, but keeps its number.
    document_.pageAt(0)->addItems(std::move(box));
    auto removed = document_.pageAt(0)->removeItems({item});
    EXPECT_EQ(document_.linkedItemAt("1 1 1"), nullptr);
    EXPECT_EQ(item->itemSerialNumber(), 1);
    document_.pageAt(0)->addItems(std::move(removed[0]));
    EXPECT_EQ(document_.linkedItemAt("1 1 1"), item);
    EXPECT_EQ(document_.linksInfo().count(), 0u);
    EXPECT_EQ(document_.linksInfo().linkAtIndex(-1), nullptr);
}

TEST_F(PageListTest, SelectionReplacesAndDeselects)
{
    makePages(1);
    auto one = std::make_unique<ItemBox>();
    auto two = std::make_unique<ItemBox>();
    document_.setSelection({one.get()}, nullptr);
    EXPECT_TRUE(one->isSelected());
    document_.setSelection({two.get()}, nullptr);
    EXPECT_FALSE(one->isSelected());
    EXPECT_TRUE(two->isSelected());
    document_.setSelection(document_.selected(), nullptr);
    EXPECT_TRUE(two->isSelected());
    document_.setSelection({}, nullptr);
    EXPECT_FALSE(two->isSelected());
    EXPECT_TRUE(document_.selected().empty());
}

TEST_F(PageListTest, TheActiveFlowIsRememberedWhenEditingEnds)
{
    makePages(1);
    TextFlow flow;
    auto column = std::make_unique<TextItem>();
    column->setFlow(&flow);
    TextItem* c = column.get();
    document_.pageAt(0)->addItems(std::move(column));
    document_.setActiveTextItem(c);
    EXPECT_EQ(document_.activeTextFlow(), &flow);
    document_.setActiveTextItem(nullptr);
    EXPECT_EQ(document_.activeTextFlow(), nullptr);
    EXPECT_EQ(document_.lastActiveTextFlow(), &flow);
    // A column taken off its page is no longer the one being edited.
    document_.setActiveTextItem(c);
    auto removed = document_.pageAt(0)->removeItems({c});
    EXPECT_EQ(document_.activeTextItem(), nullptr);
}

TEST_F(PageListTest, StoredPagesRoundTripAndDamageFailsCleanly)
{
    Page page;
    page.setRect(kit::makeRect(50, 60, 612, 792));
    page.setCollapsed(true);
    auto box = std::make_unique<ItemBox>();
    box->setFrame(kit::makeRect(1, 2, 30, 40), false);
    page.addItems(std::move(box));
    page.addGuide(std::make_unique<Guide>(72.5f, Guide::Vertical));
    const std::string data = kit::Archiver::archivedDataWithRootObject(&page);
    auto back = kit::Unarchiver::unarchiveObjectWithData<Page>(data);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->pageRect(), page.pageRect());
    EXPECT_TRUE(back->isCollapsed());
    ASSERT_EQ(back->pageItems().size(), 1u);
    EXPECT_EQ(back->pageItems()[0]->frame(), kit::makeRect(1, 2, 30, 40));
    EXPECT_EQ(back->pageItems()[0]->page(), back.get());
    ASSERT_EQ(back->guides().size(), 1u);
    EXPECT_EQ(back->guides()[0]->location(), 72.5f);
    EXPECT_EQ(back->guides()[0]->orientation(), Guide::Vertical);

    PageSet run;
    run.setOffset(4);
    run.setCount(3);
    auto runBack = kit::Unarchiver::unarchiveObjectWithData<PageSet>(kit::Archiver::archivedDataWithRootObject(&run));
    ASSERT_TRUE(runBack);
    EXPECT_EQ(runBack->offset(), 4);
    EXPECT_EQ(runBack->count(), 3u);

    for (std::size_t cut = 0; cut < data.size(); cut += 7) {
        try {
            auto partial = kit::Unarchiver::unarchiveObjectWithData<Page>(data.substr(0, cut));
            (void)partial;
        } catch (const kit::Exception&) {
        }
    }
}

// Preferences with settings of their own, not read from the user defaults.
class PlainPreferences : public Preferences {
public:
    PlainPreferences() = default;
};

TEST(LayoutDocumentSetup, FillsOnlyWhatIsMissing)
{
    PlainPreferences preferences;
    preferences.setPageSize(kit::makeSize(842, 595));
    preferences.setTileMode(2);
    LayoutDocument document(&preferences);
    EXPECT_FALSE(document.hasViewList());
    document.setEdited(true);
    EXPECT_FALSE(document.isEdited());

    document.setup();
    EXPECT_EQ(document.pageSize(), kit::makeSize(842, 595));
    EXPECT_EQ(document.printInfo().paperSize, kit::makeSize(595, 842));
    EXPECT_EQ(document.printInfo().orientation, 1);
    EXPECT_EQ(document.tileMode(), 2);
    EXPECT_EQ(document.pageScale(), 1.0f);
    EXPECT_EQ(document.firstPageNum(), 1);
    ASSERT_EQ(document.numPages(), 1);
    EXPECT_EQ(document.pageAt(0)->size(), kit::makeSize(842, 595));
    ASSERT_NE(document.masterPage(), nullptr);
    EXPECT_TRUE(document.showGraphics() && document.showGuides() && document.showTextRects() &&
                document.snapToGuides());
    EXPECT_EQ(document.canvasSize(), kit::makeSize(942, 695));

    ASSERT_EQ(document.paragraphNumberingCount(), 8);
    ASSERT_EQ(document.paragraphNumbering().size(), 9u);
    const char types[] = {5, 3, 0, 2, 0, 2, 4, 2};
    const char* prefixes[] = {"", "", "", "", "(", "(", "", ""};
    const char* suffixes[] = {".", ".", ".", ")", ")", ")", ")", ")"};
    for (std::size_t level = 1; level <= 8; ++level) {
        const auto& record = document.paragraphNumbering()[level];
        EXPECT_EQ(record.displayType, types[level - 1]) << level;
        EXPECT_EQ(record.prefix.value_or(""), prefixes[level - 1]) << level;
        EXPECT_EQ(record.suffix.value_or(""), suffixes[level - 1]) << level;
        EXPECT_EQ(record.start, 1);
    }

    // Run again on a document that was changed: nothing is made anew.
    Page* first = document.pageAt(0);
    Page* master = document.masterPage();
    document.setPageSize(kit::makeSize(500, 500));
    document.setShowGuides(false);
    auto table = document.paragraphNumbering();
    table[1].suffix = "]";
    document.setParagraphNumbering(table, 8);
    EXPECT_TRUE(document.isEdited());
    document.setup();
    EXPECT_EQ(document.numPages(), 1);
    EXPECT_EQ(document.pageAt(0), first);
    EXPECT_EQ(document.masterPage(), master);
    EXPECT_EQ(document.pageSize(), kit::makeSize(500, 500));
    EXPECT_EQ(document.paragraphNumbering()[1].suffix, "]");
    EXPECT_TRUE(document.showGuides());
}

} // namespace

namespace {

TEST(HeadersAndFooters, TheLastApplicableMarkerOnOrBeforeThePage)
{
    ItemBox everyPage, oddPages, evenPages, lost;
    everyPage.setMasterFlags(3);
    oddPages.setMasterFlags(2);
    evenPages.setMasterFlags(1);
    lost.setMasterFlags(3);
    using Place = LayoutDocument::MarkerPlace;
    // Footers on the first page (every page) and the fourth (odd pages).
    const std::vector<Place> footers{{&everyPage, 0}, {&oddPages, 3}};
    Item* const expected[] = {&everyPage, &everyPage, &everyPage, &everyPage, &oddPages, &everyPage};
    for (int n = 1; n <= 6; ++n)
        EXPECT_EQ(LayoutDocument::itemForPageNumber(n, 1, footers, false), expected[n - 1]) << n;

    // A header for odd pages whose marker stands on page 4 is the header of
    // page 5 at once, ahead of any earlier one.
    const std::vector<Place> headers{{&everyPage, 0}, {&oddPages, 3}, {&evenPages, 4}};
    EXPECT_EQ(LayoutDocument::itemForPageNumber(5, 1, headers, true), &oddPages);
    EXPECT_EQ(LayoutDocument::itemForPageNumber(4, 1, headers, true), &everyPage);
    EXPECT_EQ(LayoutDocument::itemForPageNumber(6, 1, headers, true), &evenPages);

    // Negative numbers have one parity: page -1 is odd.
    const std::vector<Place> odd{{&oddPages, 0}};
    EXPECT_EQ(LayoutDocument::itemForPageNumber(1, -1, odd, false), &oddPages);
    EXPECT_EQ(LayoutDocument::itemForPageNumber(2, -1, odd, false), nullptr);
    const std::vector<Place> even{{&evenPages, 0}};
    EXPECT_EQ(LayoutDocument::itemForPageNumber(1, -1, even, false), nullptr);
    EXPECT_EQ(LayoutDocument::itemForPageNumber(2, -1, even, false), &evenPages);

    // A marker on no page of the document is skipped, not numbered beyond
    // the last int, and the markers after it still count.
    const std::vector<Place> withLost{{&everyPage, 0}, {&lost, LayoutDocument::PageNotFound}, {&oddPages, 1}};
    for (bool header : {false, true}) {
        EXPECT_EQ(LayoutDocument::itemForPageNumber(2, 1, withLost, header), &everyPage) << header;
        EXPECT_EQ(LayoutDocument::itemForPageNumber(3, 1, withLost, header), &oddPages) << header;
        EXPECT_EQ(LayoutDocument::itemForPageNumber(3, 5, withLost, header), &oddPages) << header;
    }
    EXPECT_EQ(LayoutDocument::itemForPageNumber(1, 1, {}, true), nullptr);
}

} // namespace
