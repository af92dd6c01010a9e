// The document window's scroll view as "Page.nib" builds it: tiling of
// scrollers, controls, rulers and info bar; the zoom commands; the page
// field; rulers that count each page from its own zero; a ruler drag that
// ends outside the page view.

#include "ScrollViewTestSupport.h"

#include "appkit/ButtonCell.h"
#include "appkit/CellMatrix.h"
#include "appkit/ClipView.h"
#include "appkit/Form.h"
#include "appkit/FormCell.h"
#include "appkit/Panel.h"
#include "appkit/RunLoop.h"
#include "appkit/MenuItem.h"
#include "appkit/NibLoader.h"
#include "appkit/PopUpButton.h"
#include "appkit/Scroller.h"
#include "appkit/TextField.h"
#include "document/CanvasView.h"
#include "document/DocumentPanels.h"
#include "foundation/Preferences.h"
#include "foundation/UnitsInfo.h"
#include "graphics/RecordingContext.h"
#include "items/ItemBox.h"
#include "platform/appkit/tests/FreshRepaint.h"
#include "view/PageScrollView.h"
#include "view/PageWindowServices.h"
#include "view/RulerViewInset.h"

#include <cmath>
#include <optional>

namespace {

bool sameRect(const kit::Rect& a, const kit::Rect& b)
{
    return std::fabs(a.origin.x - b.origin.x) < 0.01f && std::fabs(a.origin.y - b.origin.y) < 0.01f &&
           std::fabs(a.size.width - b.size.width) < 0.01f && std::fabs(a.size.height - b.size.height) < 0.01f;
}

} // namespace

TEST_F(ScrollViewTest, TilingGivesEachMixOfRulersAndInfoBarItsFrames)
{
    makePages(3);
    openScrollWindow();
    const kit::Rect buttons = scroll_->pageButtons()->frame();
    ASSERT_TRUE(scroll_->pageButtons()->superview() == scroll_);
    const float below = kit::ScrollView::scrollerWidth();
    // The scrollers: vertical on the left over the page buttons, horizontal
    // along the bottom up to the controls.
    EXPECT_TRUE(sameRect(buttons, kit::makeRect(0, 300 - 33, 16, 32))) << kit::stringFromRect(buttons);
    EXPECT_TRUE(sameRect(scroll_->verticalScroller()->frame(), kit::makeRect(0, 0, 16, 267)));
    EXPECT_TRUE(sameRect(scroll_->contentView()->frame(), kit::makeRect(16, 0, 384, 300 - below)));
    const float controls = 76 + 60 + 70 + 60 + 86;
    EXPECT_TRUE(sameRect(scroll_->horizontalScroller()->frame(), kit::makeRect(16, 284, 384 - controls, 16)));
    EXPECT_TRUE(sameRect(scroll_->unitsPopup()->frame(), kit::makeRect(400 - 86, 284, 86, 16)));

    struct Case {
        bool h, v, bar;
        kit::Rect content, hClip, vClip, corner, scroller, infoBar;
    };
    const Case cases[] = {
        {true, false, false, {16, 11, 384, 273}, {16, 0, 384, 11}, {}, {}, {0, 0, 16, 267}, {}},
        {false, true, false, {27, 0, 373, 284}, {}, {16, 0, 11, 284}, {}, {0, 0, 16, 267}, {}},
        {true, true, false, {27, 11, 373, 273}, {27, 0, 373, 11}, {16, 11, 11, 273}, {0, 0, 27, 11}, {0, 11, 16, 256}, {}},
        {false, false, true, {16, 13, 384, 271}, {}, {}, {}, {0, 13, 16, 254}, {0, 0, 400, 13}},
        {true, true, true, {27, 24, 373, 260}, {27, 13, 373, 11}, {16, 24, 11, 260}, {0, 13, 27, 11}, {0, 24, 16, 243}, {0, 0, 400, 13}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.h) + std::to_string(c.v) + std::to_string(c.bar));
        scroll_->showRuler(0, c.h);
        scroll_->showRuler(1, c.v);
        scroll_->showInfoBar(c.bar);
        scroll_->tile();
        EXPECT_TRUE(sameRect(scroll_->contentView()->frame(), c.content))
            << kit::stringFromRect(scroll_->contentView()->frame());
        EXPECT_TRUE(sameRect(scroll_->verticalScroller()->frame(), c.scroller))
            << kit::stringFromRect(scroll_->verticalScroller()->frame());
        if (c.h) {
            EXPECT_TRUE(sameRect(scroll_->horizontalRulerClip()->frame(), c.hClip));
            EXPECT_FLOAT_EQ(scroll_->horizontalRuler()->frame().size.width, page_->frame().size.width);
        }
        if (c.v) {
            EXPECT_TRUE(sameRect(scroll_->verticalRulerClip()->frame(), c.vClip));
        }
        ASSERT_EQ(scroll_->cornerBox() && scroll_->cornerBox()->superview() == scroll_, c.h && c.v);
        if (c.h && c.v) {
            EXPECT_TRUE(sameRect(scroll_->cornerBox()->frame(), c.corner));
        }
        EXPECT_EQ(page_->infoBar() != nullptr, c.bar);
        if (c.bar) {
            EXPECT_TRUE(sameRect(scroll_->infoBar()->frame(), c.infoBar));
        }
    }
}

TEST_F(ScrollViewTest, TogglingRulersShowsTheHiddenOneBeforeHidingBoth)
{
    makePages(2);
    openScrollWindow();
    EXPECT_TRUE(scroll_->showRuler(0, true));
    EXPECT_FALSE(scroll_->showRuler(0, true));
    scroll_->toggleRulers(nullptr);
    EXPECT_TRUE(scroll_->horizontalRulerIsVisible());
    EXPECT_TRUE(scroll_->verticalRulerIsVisible());
    scroll_->toggleRulers(nullptr);
    EXPECT_FALSE(scroll_->rulerIsVisible());
    // Hidden rulers are kept, not made again.
    RulerViewInset* kept = scroll_->horizontalRuler();
    scroll_->toggleRulers(nullptr);
    EXPECT_EQ(scroll_->horizontalRuler(), kept);
    // The page view finds them by tag for live feedback.
    EXPECT_EQ(page_->liveFrameDisplays().size(), 2u);
}

TEST_F(ScrollViewTest, TheZoomPopupKeepsOneCustomEntryInOrder)
{
    makePages(1);
    openScrollWindow();
    kit::PopUpButton* popup = scroll_->zoomPopup();
    const int listed = popup->numberOfItems();
    scroll_->updateZoomPopup(1.25f);
    ASSERT_EQ(popup->numberOfItems(), listed + 1);
    EXPECT_EQ(popup->titleOfSelectedItem(), "125%");
    EXPECT_EQ(popup->selectedItem()->tag(), PageScrollView::CustomZoomTag);
    EXPECT_EQ(popup->itemTitleAtIndex(popup->indexOfSelectedItem() - 1), "100%");
    scroll_->updateZoomPopup(0.8f);
    EXPECT_EQ(popup->numberOfItems(), listed + 1);
    EXPECT_EQ(popup->indexOfItemWithTitle("125%"), -1);
    EXPECT_EQ(popup->itemTitleAtIndex(popup->indexOfSelectedItem() - 1), "75%");
    // A listed zoom selects its entry and adds none.
    scroll_->updateZoomPopup(2.0f);
    EXPECT_EQ(popup->titleOfSelectedItem(), "200%");
    EXPECT_EQ(popup->numberOfItems(), listed + 1);

    // Picking an entry zooms the page view and follows with the rulers.
    scroll_->toggleRulers(nullptr);
    popup->chooseItemAtIndex(popup->indexOfItemWithTitle("400%"));
    EXPECT_FLOAT_EQ(page_->zoom(), 4.0f);
    EXPECT_FLOAT_EQ(scroll_->horizontalRuler()->frame().size.width, 4.0f * page_->frame().size.width);
}

TEST_F(ScrollViewTest, AZoomEntryThatIsNoPercentageInRangeChangesNothing)
{
    makePages(1);
    openScrollWindow();
    kit::PopUpButton* popup = scroll_->zoomPopup();
    for (const char* title : {"abc", "0%", "5%", "1700%", "12x%"}) {
        SCOPED_TRACE(title);
        popup->addItemWithTitle(title);
        popup->selectItemWithTitle(title);
        scroll_->zoomAction(popup);
        EXPECT_FLOAT_EQ(page_->zoom(), 1.0f);
        EXPECT_EQ(popup->titleOfSelectedItem(), "100%");
    }
    popup->addItemWithTitle("10%");
    popup->selectItemWithTitle("10%");
    scroll_->zoomAction(popup);
    EXPECT_FLOAT_EQ(page_->zoom(), 0.1f);
}

TEST_F(ScrollViewTest, FitSelectionStaysInsideTheZoomRange)
{
    makePages(1);
    openScrollWindow();
    const kit::Rect paper = pages_[0]->pageRect();
    struct Case {
        kit::Rect frame;
        float zoom;
    };
    // A hairline would need thousands; a selection larger than the canvas
    // at 10 % less than a tenth.
    const Case cases[] = {{kit::makeRect(100, 100, 0.01f, 0.01f), 16.0f}, {kit::makeRect(0, 0, 10000, 10000), 0.1f}};
    for (const Case& c : cases) {
        auto box = std::make_shared<ItemBox>();
        box->setFrame(c.frame, false);
        Item* item = box.get();
        pages_[0]->addItems(std::move(box));
        document_->setSelection({item}, page_);
        page_->zoomTo(1.0f);
        scroll_->fitSelection(nullptr);
        EXPECT_FLOAT_EQ(page_->zoom(), c.zoom);
        EXPECT_EQ(scroll_->zoomPopup()->titleOfSelectedItem(), c.zoom > 1 ? "1600%" : "10%");
        pages_[0]->removeItems(std::vector<Item*>{item});
        document_->setSelection({}, page_);
    }
    (void)paper;
    // Nothing selected: a beep and the alert, and the zoom stays.
    const std::size_t shown = alerts_->shown().size();
    scroll_->fitSelection(nullptr);
    ASSERT_EQ(alerts_->shown().size(), shown + 1);
    EXPECT_EQ(alerts_->shown().back().title, "Zoom");
}

TEST_F(ScrollViewTest, ShrinkWrapKeepsTheWindowAtLeast256By140)
{
    makePages(1);
    openScrollWindow();
    auto box = std::make_shared<ItemBox>();
    box->setFrame(kit::makeRect(100, 100, 4, 4), false);
    Item* item = box.get();
    pages_[0]->addItems(std::move(box));
    document_->setSelection({item}, page_);
    page_->scrollRectToVisible(kit::insetRect(pages_[0]->pageRect(), 0, 0));
    scroll_->shrinkWrap(nullptr);
    EXPECT_GE(window_->frame().size.width, 256.0f);
    EXPECT_GE(window_->frame().size.height, 140.0f);
    EXPECT_LT(window_->frame().size.width, 300.0f);
}

TEST_F(ScrollViewTest, ThePageFieldShowsTheNumberAndThePositionWhenNumberingStartsElsewhere)
{
    makePages(3);
    openScrollWindow();
    document_->setActivePage(pages_[1]);
    EXPECT_EQ(scroll_->pageNumberField()->stringValue(), "2");
    EXPECT_EQ(scroll_->pageCountField()->stringValue(), "3");
    document_->setFirstPageNum(5);
    document_->setActivePage(pages_[0]);
    EXPECT_EQ(scroll_->pageNumberField()->stringValue(), "5(1)");
    // The page buttons and the field go through the page view.
    EXPECT_EQ(scroll_->pageNumberField()->action(), "gotoPage:");
    scroll_->pageNumberField()->setStringValue("7");
    page_->performSelector("gotoPage:", scroll_->pageNumberField());
    EXPECT_EQ(document_->activePage(), pages_[2]);
    EXPECT_EQ(scroll_->pageNumberField()->stringValue(), "7(3)");
}

TEST_F(ScrollViewTest, UnitsAndLayerPopupsReachTheDocument)
{
    makePages(1);
    openScrollWindow();
    scroll_->toggleRulers(nullptr);
    kit::PopUpButton* units = scroll_->unitsPopup();
    units->selectItemWithTag(3);
    scroll_->unitsAction(units);
    EXPECT_EQ(document_->unitsInfo()->units(), 3);
    EXPECT_TRUE(scroll_->horizontalRuler()->isDirty());
    kit::PopUpButton* layer = scroll_->layerPopup();
    layer->selectItemWithTag(0);
    scroll_->layerAction(layer);
    EXPECT_EQ(document_->getEditingLayer(), 2);
}

// ---- Rulers.

TEST_F(ScrollViewTest, TickLayoutByUnitAndZoom)
{
    makePages(1);
    openScrollWindow();
    scroll_->toggleRulers(nullptr);
    RulerViewInset* ruler = scroll_->horizontalRuler();
    struct Case {
        int units;
        float zoom;
        float tick;
        std::vector<float> lengths;
    };
    const Case cases[] = {
        {2, 1.0f, 0.125f, {10, 2, 4, 2, 6, 2, 4, 2}},
        {3, 2.0f, 0.1f, {10, 2, 2, 2, 2, 2, 2, 2, 2, 2}},
        {0, 1.0f, 1.0f, {10, 2, 2}},
        {3, 1.0f, 1.0f, {10}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.units);
        document_->unitsInfo()->setUnits(c.units);
        page_->zoomTo(c.zoom);
        ruler->calcTickMarks();
        EXPECT_NEAR(ruler->tickUnits(), c.tick, 1e-5);
        EXPECT_EQ(ruler->lengths(), c.lengths);
    }
}

TEST_F(ScrollViewTest, EachPageCountsFromItsOwnZero)
{
    makePages(3);
    openScrollWindow(kit::Size{600, 400});
    scroll_->toggleRulers(nullptr);
    document_->unitsInfo()->setUnits(2);
    // The pages lie side by side: the gap between pages 1 and 2 in the
    // middle of the window.
    const kit::Rect first = pages_[0]->pageRect();
    const kit::Rect second = pages_[1]->pageRect();
    ASSERT_GT(second.origin.x, kit::maxX(first));
    page_->scrollPoint(kit::makePoint(second.origin.x - 250, second.origin.y));
    kit::RecordingContext context;
    RulerViewInset* ruler = scroll_->horizontalRuler();
    drawRuler(ruler, context);
    ASSERT_EQ(ruler->lastPageZeros().size(), 2u);
    EXPECT_NEAR(ruler->lastPageZeros()[0], first.origin.x, 0.01);
    EXPECT_NEAR(ruler->lastPageZeros()[1], second.origin.x, 0.01);
    int zeros = 0;
    for (const auto& label : ruler->lastLabels())
        zeros += label.text == "0";
    EXPECT_EQ(zeros, 1) << "the second page's zero";
    // Ticks are stroked once and the numbers shown once per page.
    EXPECT_EQ(context.count("stroke"), 2u);
    EXPECT_EQ(context.count("xyshow"), 2u);
}

TEST_F(ScrollViewTest, NumbersKeepEveryDigitAndACutNumberIsStillDrawn)
{
    makePages(1, kit::Size{1300, 400});
    openScrollWindow(kit::Size{600, 500});
    scroll_->toggleRulers(nullptr);
    document_->unitsInfo()->setUnits(1);
    RulerViewInset* ruler = scroll_->horizontalRuler();
    const kit::Rect paper = pages_[0]->pageRect();
    page_->scrollPoint(kit::makePoint(paper.origin.x + 900.0f, paper.origin.y));
    kit::RecordingContext context;
    drawRuler(ruler, context);
    std::vector<std::string> texts;
    for (const auto& label : ruler->lastLabels())
        texts.push_back(label.text);
    EXPECT_NE(std::find(texts.begin(), texts.end(), "1224"), texts.end());
    EXPECT_EQ(std::find(texts.begin(), texts.end(), "224"), texts.end());
    // Numbers stand apart by at least the widest number.
    const auto& labels = ruler->lastLabels();
    for (std::size_t i = 1; i < labels.size(); ++i)
        EXPECT_GE(labels[i].position - labels[i - 1].position, 5 * RulerViewInset::digitWidth() - 0.01);
    // Left of the units origin the minus sign is dropped.
    EXPECT_EQ(RulerViewInset::getLabelFrom(-12.0), "12");

    // Scrolled so that the 36 tick lies just left of what shows: its number
    // is drawn all the same.
    page_->scrollPoint(kit::makePoint(paper.origin.x + 37.0f, paper.origin.y));
    drawRuler(ruler, context);
    ASSERT_FALSE(ruler->lastLabels().empty());
    EXPECT_EQ(ruler->lastLabels().front().text, "36");
}

TEST_F(ScrollViewTest, FarDownALongDocumentAtHighZoomTheZeroMeetsThePageEdge)
{
    makePages(400);
    openScrollWindow();
    scroll_->toggleRulers(nullptr);
    page_->zoomTo(16.0f);
    Page* far = pages_[399];
    page_->scrollPoint(kit::makePoint(far->pageRect().origin.x, far->pageRect().origin.y - 5));
    kit::RecordingContext context;
    RulerViewInset* vertical = scroll_->verticalRuler();
    drawRuler(vertical, context);
    ASSERT_FALSE(vertical->lastPageZeros().empty());
    // Where the page's top edge lies in the window, by the page view and by
    // the ruler's own zero.
    const kit::Point edge = page_->convertPointToView(far->pageRect().origin, nullptr);
    const double zero = vertical->lastPageZeros().back();
    const kit::Point rulerZero = vertical->convertPointToView(
        kit::makePoint(0, static_cast<float>(zero - vertical->bounds().origin.y) + vertical->bounds().origin.y),
        nullptr);
    EXPECT_NEAR(rulerZero.y, edge.y, 1.0);
}

TEST_F(ScrollViewTest, ARulerDragReleasedOutsideThePageViewMakesNoGuide)
{
    makePages(1);
    openScrollWindow();
    scroll_->toggleRulers(nullptr);
    RulerViewInset* ruler = scroll_->horizontalRuler();
    const kit::Point onRuler = ruler->convertPointToView(kit::makePoint(50, 5), nullptr);
    const std::size_t guides = pages_[0]->guides().size();
    // Dragged along the ruler and let go there.
    post(kit::EventType::LeftMouseDragged, kit::makePoint(onRuler.x + 20, onRuler.y));
    post(kit::EventType::LeftMouseUp, kit::makePoint(onRuler.x + 30, onRuler.y));
    ruler->mouseDown(kit::Event::mouseEventWithType(kit::EventType::LeftMouseDown, onRuler, 0, kit::Clock::now(),
                                                    window_->windowNumber()));
    EXPECT_EQ(pages_[0]->guides().size(), guides);
    // A drag whose mouse-up never comes ends when the events run out.
    post(kit::EventType::LeftMouseDragged, kit::makePoint(onRuler.x + 20, onRuler.y));
    ruler->mouseDown(kit::Event::mouseEventWithType(kit::EventType::LeftMouseDown, onRuler, 0, kit::Clock::now(),
                                                    window_->windowNumber()));
    EXPECT_EQ(pages_[0]->guides().size(), guides);
}

TEST_F(ScrollViewTest, PositionMarksFollowARectangleAndClear)
{
    makePages(1);
    openScrollWindow();
    scroll_->toggleRulers(nullptr);
    page_->zoomTo(2.0f);
    RulerViewInset* ruler = scroll_->horizontalRuler();
    ruler->setRect(kit::makeRect(100, 50, 40, 20));
    EXPECT_TRUE(ruler->areTrackMarksVisible());
    EXPECT_FLOAT_EQ(ruler->lowCoord(), 200);
    EXPECT_FLOAT_EQ(ruler->midCoord(), 240);
    EXPECT_FLOAT_EQ(ruler->highCoord(), 280);
    ruler->setRect({});
    EXPECT_FALSE(ruler->areTrackMarksVisible());
}

TEST_F(ScrollViewTest, AUnitKindOutOfRangeIsTakenAsPoints)
{
    // The preferences file says 7: the popup selects points, not an entry
    // past its end.
    delegate_->preferences()->setUnits(7);
    makePages(1);
    openScrollWindow();
    EXPECT_EQ(scroll_->unitsPopup()->indexOfSelectedItem(), 1);
    delegate_->preferences()->setUnits(2);
    PageNibOwner owner;
    std::vector<std::unique_ptr<kit::Object>> made;
    ASSERT_TRUE(kit::NibLoader::loadNibFile("Page.nib", &owner, &made));
    EXPECT_EQ(owner.scroll->unitsPopup()->indexOfSelectedItem(), 2);
}

TEST_F(ScrollViewTest, ADraggedBoxIsMarkedOnTheRulersUntilItIsDropped)
{
    makePages(1);
    openScrollWindow();
    scroll_->toggleRulers(nullptr);
    RulerViewInset* ruler = scroll_->horizontalRuler();
    const kit::Rect paper = pages_[0]->pageRect();
    page_->scrollPoint(paper.origin);
    window_->display();
    auto box = std::make_shared<ItemBox>();
    box->setFrame(kit::makeRect(20, 20, 60, 40), false);
    Item* item = box.get();
    pages_[0]->addItems(std::move(box));
    document_->setSelection({item}, page_);
    document_->setActivePage(pages_[0]);
    const kit::Point down = page_->convertPointToView(kit::makePoint(paper.origin.x + 50, paper.origin.y + 40), nullptr);
    const kit::Point to = kit::makePoint(down.x + 30, down.y);
    // The marks shown while the drag runs, seen from the info bar's place.
    post(kit::EventType::LeftMouseDragged, to);
    post(kit::EventType::LeftMouseDragged, kit::makePoint(to.x + 1, to.y));
    post(kit::EventType::LeftMouseUp, kit::makePoint(to.x + 1, to.y));
    page_->doDrag(kit::Event::mouseEventWithType(kit::EventType::LeftMouseDragged, to, 0, kit::Clock::now(),
                                                 window_->windowNumber()),
                  page_->convertPointFromView(down, nullptr));
    EXPECT_FALSE(ruler->areTrackMarksVisible());
    // Last shown around the box's new place on the canvas, knobs and all.
    EXPECT_NEAR(ruler->lowCoord(), paper.origin.x + item->frame().origin.x, 3.0f);
    EXPECT_NEAR(ruler->highCoord(), paper.origin.x + kit::maxX(item->frame()), 3.0f);
}

namespace {

// The zoom panel as its interface file makes it: OK and Cancel (tags 1 and
// 0) tagged 5, a one-entry form tagged 6.
class ZoomPanelServices : public PageWindowServices {
public:
    ZoomPanelServices()
        : panel(std::make_unique<kit::Panel>(kit::makeRect(0, 0, 200, 100)))
    {
        auto buttons = std::make_unique<kit::CellMatrix>(kit::makeRect(10, 10, 160, 20), kit::MatrixMode::Track);
        buttons->renewRows(1, 2);
        for (int tag : {0, 1}) {
            auto cell = std::make_unique<kit::ButtonCell>(tag ? "OK" : "Cancel");
            cell->setTag(tag);
            buttons->putCell(std::move(cell), 0, tag);
        }
        buttons->setTag(5);
        this->buttons = static_cast<kit::CellMatrix*>(panel->contentView()->addSubview(std::move(buttons)));
        auto form = std::make_unique<kit::Form>(kit::makeRect(10, 50, 160, 20));
        form->addEntry("Zoom");
        form->setTag(6);
        this->form = static_cast<kit::Form*>(panel->contentView()->addSubview(std::move(form)));
    }
    bool prefersEmbeddedTabRulers() const override { return false; }
    kit::Object* zoomPanel(bool) override { return panel.get(); }
    kit::Object* tabsPanel(bool) override { return nullptr; }

    std::unique_ptr<kit::Panel> panel;
    kit::CellMatrix* buttons = nullptr;
    kit::Form* form = nullptr;
};

} // namespace

TEST_F(ScrollViewTest, TheZoomPanelTakesAZoomInRangeOnly)
{
    makePages(1);
    openScrollWindow();
    ZoomPanelServices services;
    PageWindowServices::setShared(&services);
    struct Case {
        const char* typed;
        int button;
        float zoom;
    };
    // OK with 10 gives 10 %; 1700 and words are ignored; Cancel keeps it.
    const Case cases[] = {{"10", 1, 0.1f}, {"1700", 1, 0.1f}, {"abc", 1, 0.1f}, {"300", 0, 0.1f}, {"250", 1, 2.5f}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        // The panel shows the present zoom; the user types over it and
        // presses a button while it runs.
        auto press = kit::Timer::timerWithTimeInterval(
            0.01,
            [&](kit::Timer&) {
                EXPECT_EQ(services.form->cellAtIndex(0)->stringValue(),
                          std::to_string(std::lround(page_->zoom() * 100.0f)));
                services.form->cellAtIndex(0)->setStringValue(c.typed);
                services.buttons->selectCellWithTag(c.button);
                scroll_->zButtonAction(services.buttons);
            },
            false);
        kit::RunLoop::currentRunLoop().addTimer(press, kit::ModalPanelRunLoopMode);
        scroll_->zoom(nullptr);
        EXPECT_FLOAT_EQ(page_->zoom(), c.zoom);
    }
    EXPECT_EQ(scroll_->zoomPopup()->titleOfSelectedItem(), "250%");
    PageWindowServices::setShared(delegate_.get());
}

TEST_F(ScrollViewTest, TheInfoBarComesFromItsInterfaceFileOnce)
{
    int loads = 0;
    InfoBarInset* made = nullptr;
    kit::NibLoader::registerNib("InfoBarInset.nib", [&](kit::NibLoad& load) {
        ++loads;
        auto window = std::make_unique<kit::Window>(kit::makeRect(0, 0, 300, 20));
        made = static_cast<InfoBarInset*>(
            window->contentView()->addSubview(std::make_unique<InfoBarInset>(kit::makeRect(0, 0, 300, 13))));
        load.addTopLevelObject(std::move(window));
        return load.connectOutlet("infoBar", made);
    });
    makePages(1);
    openScrollWindow();
    EXPECT_TRUE(scroll_->showInfoBar(true));
    EXPECT_FALSE(scroll_->showInfoBar(true));
    ASSERT_EQ(scroll_->infoBar(), made);
    EXPECT_EQ(made->superview(), scroll_);
    EXPECT_EQ(page_->infoBar(), made);
    scroll_->toggleInfoBar(nullptr);
    EXPECT_EQ(page_->infoBar(), nullptr);
    scroll_->toggleInfoBar(nullptr);
    EXPECT_EQ(page_->infoBar(), made);
    EXPECT_EQ(loads, 1);
    kit::NibLoader::unregisterNib("InfoBarInset.nib");
}

namespace {

// A toolbar whose active tool takes its mouse downs from the scroll view.
class ScrollViewTool : public DocumentTool {
public:
    int purpose() const override { return DocumentTool::ScrollViewPurpose; }
    kit::Cursor* currentCursor(CanvasView*) const override { return nullptr; }
    void doTool(CanvasView* view, const kit::Event&) override { runIn.push_back(view); }
    std::vector<CanvasView*> runIn;
};

class OneToolPalette : public ToolPalette {
public:
    explicit OneToolPalette(DocumentTool* tool) : tool_(tool) {}
    DocumentTool* activeTool() const override { return tool_; }
    DocumentTool* selectTool() const override { return nullptr; }
    DocumentTool* textTool() const override { return nullptr; }
    bool isSelectToolForced() const override { return false; }
    void toggleSelectToolForced() override {}
    kit::Cursor* correctCursor(const kit::Event*, CanvasView*) const override { return nullptr; }

private:
    DocumentTool* tool_;
};

class ToolPanels : public DocumentPanels {
public:
    explicit ToolPanels(ToolPalette* palette) : palette_(palette) {}
    ToolPalette* toolbar() override { return palette_; }

private:
    ToolPalette* palette_;
};

} // namespace

TEST_F(ScrollViewTest, AToolOfTheScrollViewTakesTheMouseDownsOverThePages)
{
    makePages(1);
    openScrollWindow();
    ScrollViewTool tool;
    OneToolPalette palette(&tool);
    ToolPanels panels(&palette);
    DocumentPanels::setShared(&panels);
    const kit::Rect visible = page_->visibleRect();
    const kit::Point inside =
        page_->convertPointToView(kit::makePoint(kit::midX(visible), kit::midY(visible)), scroll_->superview());
    EXPECT_EQ(scroll_->hitTest(inside), scroll_);
    scroll_->mouseDown(kit::Event::mouseEventWithType(kit::EventType::LeftMouseDown,
                                                      page_->convertPointToView(inside, nullptr), 0,
                                                      kit::Clock::now(), window_->windowNumber()));
    ASSERT_EQ(tool.runIn.size(), 1u);
    EXPECT_EQ(tool.runIn[0], page_);
    // The scrollers and controls stay the user's.
    const kit::Point onScroller = kit::makePoint(8, 100);
    EXPECT_NE(scroll_->hitTest(scroll_->convertPointToView(onScroller, scroll_->superview())), scroll_);
    DocumentPanels::setShared(nullptr);
    EXPECT_NE(scroll_->hitTest(inside), scroll_);
}

TEST_F(ScrollViewTest, TheCornerBoxMovesTheOriginAndUndoPutsItBack)
{
    makePages(1);
    openScrollWindow();
    scroll_->toggleRulers(nullptr);
    const kit::Rect paper = pages_[0]->pageRect();
    page_->scrollPoint(paper.origin);
    window_->display();
    RulerViewInset* corner = scroll_->cornerBox();
    ASSERT_NE(corner, nullptr);
    const kit::Point onCorner = corner->convertPointToView(kit::makePoint(5, 5), nullptr);
    const kit::Point onPage =
        page_->convertPointToView(kit::makePoint(paper.origin.x + 100, paper.origin.y + 120), nullptr);
    post(kit::EventType::LeftMouseDragged, onPage);
    post(kit::EventType::LeftMouseDragged, onPage);
    post(kit::EventType::LeftMouseUp, onPage);
    corner->mouseDown(kit::Event::mouseEventWithType(kit::EventType::LeftMouseDown, onCorner, 0, kit::Clock::now(),
                                                     window_->windowNumber()));
    UnitsInfo* units = document_->unitsInfo();
    EXPECT_NEAR(-units->horizontalUnitsOrigin(), 100, 1.0f);
    EXPECT_NEAR(-units->verticalUnitsOrigin(), 120, 1.0f);
    page_->undo(nullptr);
    EXPECT_FLOAT_EQ(units->horizontalUnitsOrigin(), 0);
    EXPECT_FLOAT_EQ(units->verticalUnitsOrigin(), 0);
}

TEST_F(ScrollViewTest, TheStatusLineAndThePageButtons)
{
    makePages(3);
    openScrollWindow();
    scroll_->setStatus("Reading page 4");
    EXPECT_EQ(scroll_->pageNumberField()->stringValue(), "Reading page 4");
    document_->setActivePage(pages_[0]);
    EXPECT_EQ(scroll_->pageButtons()->action(), "gotoNextPage:");
    auto* buttons = dynamic_cast<kit::CellMatrix*>(scroll_->pageButtons());
    ASSERT_NE(buttons, nullptr);
    ASSERT_NE(buttons->cellWithTag(-1), nullptr);
    ASSERT_TRUE(buttons->selectCellWithTag(1));
    page_->performSelector("gotoNextPage:", buttons);
    EXPECT_EQ(document_->activePage(), pages_[1]);
    EXPECT_EQ(scroll_->pageNumberField()->stringValue(), "2");
}

// ---- The page in view.

namespace {

std::string numberOf(const Page* page)
{
    return page ? std::to_string(page->relativePageNumber()) : "none";
}

} // namespace

// Every way of scrolling leaves the page field naming the page most in view,
// and the page keys step from that page.
TEST_F(ScrollViewTest, ThePageFieldFollowsThePageInViewAndThePageKeysStepFromIt)
{
    makePages(5);
    openScrollWindow();
    window_->makeFirstResponder(page_);
    kit::TextField* field = scroll_->pageNumberField();
    const auto key = [&](char16_t c) {
        const std::u16string chars(1, c);
        window_->sendEvent(kit::Event::keyEventWithType(kit::EventType::KeyDown, {}, 0, kit::Clock::now(),
                                                        window_->windowNumber(), chars, chars, false));
    };
    const auto inView = [&](const char* step, const std::string& number) {
        SCOPED_TRACE(step);
        EXPECT_EQ(numberOf(page_->mostVisiblePage()), number);
        EXPECT_EQ(field->stringValue(), number);
        EXPECT_EQ(document_->activePage(), page_->mostVisiblePage());
    };
    field->setStringValue("3");
    page_->performSelector("gotoPage:", field);
    inView("go to page 3", "3");
    key(kit::PageDownFunctionKey);
    inView("page down", "4");
    key(kit::PageUpFunctionKey);
    key(kit::PageUpFunctionKey);
    inView("page up twice", "2");

    // The pages stand side by side. The wheel, through the window to the
    // view under the pointer.
    const kit::Rect shown = page_->visibleRect();
    const kit::Point over = page_->convertPointToView(kit::makePoint(kit::midX(shown), kit::midY(shown)), nullptr);
    for (int notch = 0; notch < 60 && numberOf(page_->mostVisiblePage()) == "2"; ++notch)
        window_->sendEvent(kit::Event::scrollWheelEvent(over, 0, kit::Clock::now(), window_->windowNumber(), -1, 0));
    inView("wheel", "3");

    // The horizontal scroller's knob dragged to the end of its track.
    kit::Scroller* scroller = scroll_->horizontalScroller();
    const kit::Rect knob = scroller->knobRect();
    const kit::Point grab = scroller->convertPointToView(kit::makePoint(kit::midX(knob), kit::midY(knob)), nullptr);
    const kit::Point end = kit::makePoint(grab.x + 1000, grab.y);
    post(kit::EventType::LeftMouseDragged, end);
    post(kit::EventType::LeftMouseUp, end);
    scroller->mouseDown(kit::Event::mouseEventWithType(kit::EventType::LeftMouseDown, grab, 0, kit::Clock::now(),
                                                       window_->windowNumber()));
    inView("scroller dragged to the end", "5");
    key(kit::PageDownFunctionKey);
    inView("page down on the last page", "5");
    // A page clicked on stays active through a tiling that does not scroll.
    document_->setActivePage(pages_[3]);
    scroll_->tile();
    EXPECT_EQ(document_->activePage(), pages_[3]);
    EXPECT_EQ(field->stringValue(), "4");
}

// Zoomed out through the panel until the page is smaller than the view:
// what the page no longer covers shows the background, not the old picture.
TEST_F(ScrollViewTest, AZoomOutThroughThePanelRepaintsWhatThePageNoLongerCovers)
{
    makePages(1, {300, 400});
    openScrollWindow({900, 700});
    ZoomPanelServices services;
    PageWindowServices::setShared(&services);
    for (const char* typed : {"200", "75"}) {
        SCOPED_TRACE(typed);
        auto press = kit::Timer::timerWithTimeInterval(
            0.01,
            [&](kit::Timer&) {
                services.form->cellAtIndex(0)->setStringValue(typed);
                services.buttons->selectCellWithTag(1);
                scroll_->zButtonAction(services.buttons);
            },
            false);
        kit::RunLoop::currentRunLoop().addTimer(press, kit::ModalPanelRunLoopMode);
        scroll_->zoom(nullptr);
        window_->displayIfNeeded();
        const repaint::Mismatch m = repaint::compareWithFreshRepaint(*window_, *scroll_->contentView());
        EXPECT_FALSE(m.any()) << m.describe();
    }
    EXPECT_FLOAT_EQ(page_->zoom(), 0.75f);
    PageWindowServices::setShared(delegate_.get());
}
