// A user's session in a document window of the word processor, scripted
// through the window's events: a long document with rulers and the info
// bar, the page field, the zoom popup, a box dragged, the units origin moved
// and put back, and a tab stop placed, moved and removed on the embedded
// tab ruler.

#include "view/tests/ScrollViewTestSupport.h"

#include "app/Scrivly.h"
#include "appkit/EventScript.h"
#include "appkit/Panel.h"
#include "appkit/PopUpButton.h"
#include "appkit/RunLoop.h"
#include "appkit/TextField.h"
#include "foundation/UnitsInfo.h"
#include "items/ItemBox.h"
#include "panels/PanelTabs.h"

#include <cmath>

namespace {

class PageWindowScriptTest : public ScrollViewTest {
protected:
    void SetUp() override
    {
        ScrollViewTest::SetUp();
        // The word processor's application class: its document windows carry
        // the tab ruler as their horizontal ruler.
        delegate_.reset();
        Scrivly::initialize();
        delegate_ = std::make_unique<Scrivly>();
        PanelTabs::initialize();
        PanelTabs::resetWorkingState();
    }
    void TearDown() override
    {
        ScrollViewTest::TearDown();
        PanelTabs::resetWorkingState();
    }

    // Runs the application until the script has played and a little more.
    void play(kit::EventScript& script, double seconds)
    {
        script.schedule();
        auto stop = kit::Timer::timerWithTimeInterval(seconds, [this](kit::Timer&) { app_->stop(nullptr); }, false);
        kit::RunLoop::currentRunLoop().addTimer(stop, kit::DefaultRunLoopMode);
        app_->run();
    }

    // A canvas point in the window's base coordinates.
    kit::Point inWindow(kit::Point canvas) const { return page_->convertPointToView(canvas, nullptr); }
    // A point of a page in canvas coordinates.
    static kit::Point onPage(const Page* page, float x, float y)
    {
        return kit::makePoint(page->pageRect().origin.x + x, page->pageRect().origin.y + y);
    }

    // Page zeros of the ruler as last drawn over its visible part.
    std::vector<double> zeros(RulerViewInset* ruler)
    {
        kit::RecordingContext context;
        drawRuler(ruler, context);
        return ruler->lastPageZeros();
    }
};

bool hasZero(const std::vector<double>& zeros, double at)
{
    return std::any_of(zeros.begin(), zeros.end(), [&](double z) { return std::fabs(z - at) < 0.01; });
}

} // namespace

TEST_F(PageWindowScriptTest, ALongDocumentWorkedThroughItsWindow)
{
    makePages(400);
    Page* target = pages_[199];
    auto box = std::make_shared<ItemBox>();
    box->setFrame(kit::makeRect(300, 320, 80, 60), false);
    // Filled, so that a click inside takes it.
    box->setHasFill(true);
    box->setFillColor(kit::Color::grayColor());
    Item* boxItem = box.get();
    target->addItems(std::move(box));
    TextItem* column = addColumn(199, kit::makeRect(72, 72, 400, 100));
    TextFlow* flow = column->flow();
    setFont(flow);
    type(flow, "tabs");
    openScrollWindow(kit::Size{900, 700});
    // As a document shows a new window: the page view its delegate and
    // first responder.
    page_->registerWindow();
    window_->makeKeyAndOrderFront(nullptr);
    window_->makeFirstResponder(page_);
    scroll_->toggleRulers(nullptr);
    scroll_->showInfoBar(true);
    scroll_->tile();
    window_->display();
    RulerViewInset* ruler = scroll_->horizontalRuler();
    RulerViewInset* vertical = scroll_->verticalRuler();
    ASSERT_NE(ruler, nullptr);
    ASSERT_NE(vertical, nullptr);
    ASSERT_TRUE(ruler->isEmbeddedTabRuler());
    InfoBarInset* bar = scroll_->infoBar();
    ASSERT_NE(bar, nullptr);

    // ---- 200 typed into the page field: the rulers count from page 200.
    {
        kit::TextField* field = scroll_->pageNumberField();
        window_->makeFirstResponder(field);
        field->selectText(nullptr);
        kit::EventScript script(*window_);
        script.at(0.1).keyDown(u"2").after(0.1).keyDown(u"0").after(0.1).keyDown(u"0").after(0.1).keyDown(u"\r");
        play(script, 1.0);
        EXPECT_EQ(document_->activePage(), target);
        EXPECT_TRUE(hasZero(zeros(vertical), target->pageRect().origin.y));
        EXPECT_TRUE(hasZero(zeros(ruler), target->pageRect().origin.x));
    }

    // ---- 125 % picked through the popup's last entry and the zoom panel.
    {
        kit::PopUpButton* popup = scroll_->zoomPopup();
        auto* zoomPanel = dynamic_cast<kit::Panel*>(delegate_->zoomPanel(true));
        ASSERT_NE(zoomPanel, nullptr);
        kit::EventScript script(*zoomPanel);
        script.at(0.1).keyDown(u"1").after(0.1).keyDown(u"2").after(0.1).keyDown(u"5").after(0.1).keyDown(u"\r");
        script.schedule();
        popup->chooseItemAtIndex(popup->numberOfItems() - 1);
        EXPECT_FLOAT_EQ(page_->zoom(), 1.25f);
        EXPECT_EQ(popup->titleOfSelectedItem(), "125%");
        EXPECT_EQ(popup->selectedItem()->tag(), PageScrollView::CustomZoomTag);
        EXPECT_EQ(document_->activePage(), target);
        EXPECT_TRUE(hasZero(zeros(vertical), 1.25 * target->pageRect().origin.y));
    }

    // ---- The box dragged 40 pixels right and 20 down: the ruler marks and
    // the info bar follow it while it moves and the marks go at the drop.
    {
        kit::Rect boxOnCanvas = boxItem->frame();
        boxOnCanvas.origin = onPage(target, boxOnCanvas.origin.x, boxOnCanvas.origin.y);
        page_->scrollRectToVisible(kit::insetRect(boxOnCanvas, -60, -60));
        window_->display();
        const kit::Point from = inWindow(kit::makePoint(kit::midX(boxOnCanvas), kit::midY(boxOnCanvas)));
        const kit::Rect before = boxItem->frame();
        bool marksWhileMoving = false;
        float lowWhileMoving = 0;
        float barWhileMoving = 0;
        auto look = kit::Timer::timerWithTimeInterval(
            0.45,
            [&](kit::Timer&) {
                marksWhileMoving = ruler->areTrackMarksVisible();
                lowWhileMoving = ruler->lowCoord();
                barWhileMoving = bar->selectedRect().origin.x;
            },
            false);
        kit::RunLoop::currentRunLoop().addTimer(look, kit::EventTrackingRunLoopMode);
        kit::EventScript script(*window_);
        script.at(0.1).mouseDown(from);
        for (int step = 1; step <= 4; ++step)
            script.after(0.1).mouseDragged(kit::makePoint(from.x + 10.0f * float(step), from.y - 5.0f * float(step)));
        script.after(0.1).mouseUp(kit::makePoint(from.x + 40, from.y - 20));
        play(script, 1.5);
        const kit::Rect after = boxItem->frame();
        EXPECT_NEAR(after.origin.x - before.origin.x, 32.0f, 0.5f);
        EXPECT_NEAR(after.origin.y - before.origin.y, 16.0f, 0.5f);
        EXPECT_TRUE(marksWhileMoving);
        // Halfway: three of the four steps made, 24 points on.
        EXPECT_NEAR(lowWhileMoving, 1.25f * (target->pageRect().origin.x + before.origin.x + 24.0f), 4.0f);
        EXPECT_NEAR(barWhileMoving, before.origin.x + 24.0f, 0.5f);
        EXPECT_FALSE(ruler->areTrackMarksVisible());
        EXPECT_NEAR(bar->selectedRect().origin.x, after.origin.x, 0.01f);
    }

    // ---- The units origin dragged from the corner box onto the page, then
    // put back by Undo.
    {
        RulerViewInset* corner = scroll_->cornerBox();
        ASSERT_NE(corner, nullptr);
        UnitsInfo* units = document_->unitsInfo();
        const kit::Point from = corner->convertPointToView(kit::makePoint(5, 5), nullptr);
        const kit::Point to = inWindow(onPage(target, 100, 120));
        kit::EventScript script(*window_);
        script.at(0.1).mouseDown(from).after(0.1).mouseDragged(kit::makePoint((from.x + to.x) / 2, to.y));
        script.after(0.1).mouseDragged(to).after(0.1).mouseUp(to);
        play(script, 1.0);
        EXPECT_NEAR(-units->horizontalUnitsOrigin(), 100, 1.0f);
        EXPECT_NEAR(-units->verticalUnitsOrigin(), 120, 1.0f);
        EXPECT_TRUE(app_->sendAction("undo:", nullptr, nullptr));
        EXPECT_FLOAT_EQ(units->horizontalUnitsOrigin(), 0);
        EXPECT_FLOAT_EQ(units->verticalUnitsOrigin(), 0);
    }

    // ---- While the column is edited, a Control-click on the tab ruler puts
    // a centre stop there; dragged with Shift to just past a numbered tick
    // it lands on the tick, and the paragraph takes it.
    column->beginEditing(nullptr, page_);
    ASSERT_TRUE(page_->isEditing());
    window_->display();
    // A point of the page on the ruler (its own pixels) and the page point
    // under a ruler pixel.
    const auto rulerX = [&](float pageX) {
        return ruler->convertPointFromView(inWindow(onPage(target, pageX, 0)), nullptr).x;
    };
    const auto rulerPoint = [&](float x, float y) { return ruler->convertPointToView(kit::makePoint(x, y), nullptr); };
    // The numbered ticks shown: 72 points (1 inch) apart in inches.
    document_->unitsInfo()->setUnits(2);
    ruler->setDirty(true);
    window_->display();
    const float tick = rulerX(72.0f + 2 * 72.0f);
    const kit::Point click = rulerPoint(tick - 30.0f, 5);
    const kit::Point drop = rulerPoint(tick + 2.0f, 5);
    {
        kit::EventScript script(*window_);
        script.at(0.1).mouseDown(click, kit::ControlKeyMask);
        script.after(0.1).mouseDragged(kit::makePoint((click.x + drop.x) / 2, drop.y), kit::ShiftKeyMask);
        script.after(0.1).mouseDragged(drop, kit::ShiftKeyMask).after(0.1).mouseUp(drop, kit::ShiftKeyMask);
        play(script, 1.0);
        const std::vector<StyleTabStop>& stops = flow->currentParagraph()->paragraphStyle()->tabs();
        ASSERT_EQ(stops.size(), 1u);
        EXPECT_EQ(stops[0].type, 1);
        // Two inches from the column's left edge, which stands an inch in.
        EXPECT_NEAR(stops[0].location, 144.0f, 0.01f);
    }

    // ---- Dragged off the left end of the ruler, the stop is gone.
    {
        const kit::Point at = rulerPoint(tick, 5);
        const kit::Point off = rulerPoint(ruler->visibleRect().origin.x - 20.0f, 5);
        kit::EventScript script(*window_);
        script.at(0.1).mouseDown(at).after(0.1).mouseDragged(off).after(0.1).mouseUp(off);
        play(script, 1.0);
        EXPECT_TRUE(flow->currentParagraph()->paragraphStyle()->tabs().empty());
    }
}

// Tabs... shows the panel just above the left of the selected text frame,
// and leaves it where it is for a selection that is no text frame.
TEST_F(PageWindowScriptTest, TheTabsPanelIsPlacedByTheSelectedTextFrame)
{
    makePages(3);
    TextItem* column = addColumn(1, kit::makeRect(90, 110, 300, 100));
    auto made = std::make_shared<ItemBox>();
    made->setFrame(kit::makeRect(90, 400, 100, 50), false);
    Item* box = made.get();
    pages_[1]->addItems(std::move(made));
    openScrollWindow(kit::Size{700, 600});
    page_->registerWindow();
    window_->setFrameOrigin(kit::makePoint(40, 120));
    window_->makeKeyAndOrderFront(nullptr);
    kit::Rect frame = column->frame();
    frame.origin = onPage(pages_[1], frame.origin.x, frame.origin.y);
    page_->scrollRectToVisible(kit::insetRect(frame, -20, -20));
    document_->setSelection({column}, page_);
    delegate_->performSelector("runTabs:", nullptr);
    auto* tabs = dynamic_cast<PanelTabs*>(delegate_->tabsPanel(false));
    ASSERT_NE(tabs, nullptr);
    EXPECT_TRUE(tabs->isVisible());
    // The frame's top left corner on the screen; the title bar lies above
    // the window's content.
    const kit::Point corner = inWindow(frame.origin);
    const kit::Rect content = window_->contentRect();
    const float titleBar = window_->frame().size.height - content.size.height;
    // Kept inside the screen, as every window is.
    kit::Rect asked = tabs->frame();
    asked.origin = kit::makePoint(content.origin.x + corner.x - 10.0f, content.origin.y + corner.y + titleBar - 15.0f);
    const kit::Rect expected = kit::Window::constrainFrameRect(asked, tabs->styleMask(), kit::Window::mainScreenFrame());
    EXPECT_NEAR(tabs->frame().origin.x, expected.origin.x, 0.01f);
    EXPECT_NEAR(tabs->frame().origin.y, expected.origin.y, 0.01f);

    const kit::Rect placed = tabs->frame();
    document_->setSelection({box}, page_);
    page_->scrollPoint(pages_[0]->pageRect().origin);
    tabs->alignPanel(nullptr);
    EXPECT_EQ(tabs->frame().origin.x, placed.origin.x);
    EXPECT_EQ(tabs->frame().origin.y, placed.origin.y);
}
