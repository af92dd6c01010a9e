// The canvas as a user works on it: mouse downs routed by the document to
// the selection loops, drags and marquees, nudges, the item commands with
// their undo, zoom, and menu validation. After every step that changes what
// the window shows, the window equals the view painted afresh.

#include "EditingTestSupport.h"

#include "appkit/Cursor.h"
#include "appkit/Event.h"
#include "appkit/MenuItem.h"
#include "appkit/RunLoop.h"
#include "core/Encoding.h"
#include "core/EventState.h"
#include "core/Pasteboard.h"
#include "document/DocumentPanels.h"
#include "document/Undo.h"
#include "document/UndoInfo.h"
#include "foundation/Preferences.h"
#include "foundation/StyleGraphic.h"
#include "foundation/StyleGraphicNamed.h"
#include "foundation/StyleInfo.h"
#include "core/Archiver.h"
#include "foundation/UnitsInfo.h"
#include "graphics/BitmapImageRep.h"
#include "graphics/Font.h"
#include "graphics/Image.h"
#include "graphics/RasterContext.h"
#include "items/ItemArray.h"
#include "items/ItemBox.h"
#include "platform/appkit/tests/FreshRepaint.h"
#include "view/FontPasteboard.h"
#include "view/LayvaneTool.h"
#include "view/PanelToolbar.h"
#include "view/PageWindowServices.h"

#include <cmath>
#include <functional>
#include <limits>

namespace {

// A go-to dialog that answers as scripted and keeps what it was shown.
class ScriptedGotoPanel : public GotoPagesPanel {
public:
    void setViewType(int type) override { viewType = type; }
    void setPageNumberFirst(int first, int last) override
    {
        shownFirst = first;
        shownLast = last;
    }
    void setActivePageNumber(int number) override { shownActive = number; }
    int runModal() override
    {
        ++runs;
        return answer;
    }
    int toPage() const override { return chosen; }
    int answer = GotoPagesPanel::Stop, chosen = 0;
    int viewType = 0, shownFirst = 0, shownLast = 0, shownActive = 0, runs = 0;
};

class ScriptedFindPanel : public FindPanel {
public:
    void findNext(kit::Object* sender) override { calls.emplace_back(1, sender); }
    void findPrevious(kit::Object* sender) override { calls.emplace_back(-1, sender); }
    std::vector<std::pair<int, kit::Object*>> calls;
};

class ToolbarRegistry : public DocumentPanels {
public:
    ToolPalette* toolbar() override { return &toolbar_; }
    MoveByPanel* moveByPanel(bool) override { return &moveBy_; }
    GotoPagesPanel* gotoPagesPanel(bool create) override
    {
        createdGoto = createdGoto || create;
        return hasGoto && createdGoto ? &goto_ : nullptr;
    }
    FindPanel* findPanel(bool create) override
    {
        createdFind = createdFind || create;
        return createdFind ? &find_ : nullptr;
    }
    struct CancelledMoveBy : MoveByPanel {
        int runModal() override
        {
            ++runs;
            return 0;
        }
        void getX(float* x, float* y) const override { *x = *y = 0; }
        int runs = 0;
    };
    PanelToolbar toolbar_;
    CancelledMoveBy moveBy_;
    ScriptedGotoPanel goto_;
    ScriptedFindPanel find_;
    bool hasGoto = true, createdGoto = false, createdFind = false;
};

class CanvasTest : public EditingTest {
protected:
    void SetUp() override
    {
        EditingTest::SetUp();
        // A window that shows the first two pages at half size.
        document_->removeView(view_);
        openWindow(kit::makeRect(0, 0, 700, 900));
        DocumentPanels::setShared(&registry_);
        ASSERT_TRUE(view_->zoomTo(0.5f, kit::makePoint(0, 0)));
        view_->scrollPoint(kit::makePoint(pages_[0]->pageRect().origin.x - 20, pages_[0]->pageRect().origin.y - 20));
        window_->display();
        for (int i = 0; i < 4; ++i)
            boxes_.push_back(addBox(0, kit::makeRect(100 + 110 * float(i % 2), 300 + 100 * float(i / 2), 80, 60)));
        document_->setActivePage(pages_[0]);
        document_->notifyUpdate(nullptr, static_cast<const std::vector<kit::Object*>*>(nullptr));
        window_->displayIfNeeded();
    }

    void TearDown() override
    {
        DocumentPanels::setShared(nullptr);
        EditingTest::TearDown();
    }

    Item* addBox(int page, const kit::Rect& frame)
    {
        auto box = std::make_shared<ItemBox>();
        box->setFrame(frame, false);
        box->setHasFill(true);
        box->setFillColor(kit::Color::grayColor());
        Item* raw = box.get();
        pages_[std::size_t(page)]->addItems(box);
        return raw;
    }

    // A page point in the window's base coordinates.
    kit::Point inWindow(int page, kit::Point p) const
    {
        kit::Point at = p;
        pages_[std::size_t(page)]->convertToView(&at);
        return view_->convertPointToView(at, nullptr);
    }

    kit::Event mouse(kit::EventType type, kit::Point base, unsigned flags = 0, int clicks = 1) const
    {
        return kit::Event::mouseEventWithType(type, base, flags, kit::Clock::now(), window_->windowNumber(), clicks);
    }

    // A press at the first point, drags through the others, the release at
    // the last; the release carries releaseFlags.
    void drag(const std::vector<kit::Point>& path, unsigned flags = 0, unsigned releaseFlags = 0)
    {
        for (std::size_t i = 1; i < path.size(); ++i)
            app_->postEvent(mouse(kit::EventType::LeftMouseDragged, path[i], flags), false);
        app_->postEvent(mouse(kit::EventType::LeftMouseUp, path.back(), releaseFlags), false);
        view_->mouseDown(mouse(kit::EventType::LeftMouseDown, path.front(), flags));
    }

    void click(kit::Point base, unsigned flags = 0) { drag({base}, flags, flags); }

    void key(char16_t c, unsigned flags = 0)
    {
        const std::u16string chars(1, c);
        view_->keyDown(kit::Event::keyEventWithType(kit::EventType::KeyDown, {}, flags, kit::Clock::now(),
                                                    window_->windowNumber(), chars, chars, false));
    }

    void postKey(char16_t c)
    {
        const std::u16string chars(1, c);
        app_->postEvent(kit::Event::keyEventWithType(kit::EventType::KeyDown, {}, 0, kit::Clock::now(),
                                                     window_->windowNumber(), chars, chars, false),
                        false);
    }

    kit::Point centre(Item* item) const
    {
        const kit::Rect f = item->frame();
        return kit::makePoint(kit::midX(f), kit::midY(f));
    }

    repaint::Mismatch screenAgainstRepaint()
    {
        window_->displayIfNeeded();
        return repaint::compareWithFreshRepaint(*window_, *view_, true);
    }

    std::vector<Item*> order(int page) const { return pages_[std::size_t(page)]->items(); }

    ToolbarRegistry registry_;
    std::vector<Item*> boxes_;
};

TEST_F(CanvasTest, ZoomTakesFactorsFromATenthToSixteenAndIgnoresTheRest)
{
    struct Case {
        float factor;
        bool changes;
        float stored;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Case cases[] = {{0.5f, false, 0.5f},  {1.234f, true, 1.23f}, {0.0f, false, 1.23f}, {-2.0f, false, 1.23f},
                          {nan, false, 1.23f},  {0.05f, false, 1.23f}, {16.0f, true, 16.0f}, {16.5f, false, 16.0f},
                          {0.1f, true, 0.1f},   {1.0f, true, 1.0f}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.factor);
        EXPECT_EQ(view_->zoomTo(c.factor), c.changes);
        EXPECT_FLOAT_EQ(view_->zoom(), c.stored);
        const kit::Rect visible = view_->visibleRect();
        EXPECT_TRUE(std::isfinite(visible.size.width) && visible.size.width > 0);
    }
    // The setter refuses the same values.
    for (float bad : {0.0f, -1.0f, nan, 100.0f}) {
        view_->setZoom(bad);
        EXPECT_FLOAT_EQ(view_->zoom(), 1.0f) << bad;
    }
}

TEST_F(CanvasTest, ZoomAtThePointerKeepsThatPointUnderItAndRepaints)
{
    const kit::Point at = centre(boxes_[0]);
    kit::Point inView = at;
    pages_[0]->convertToView(&inView);
    const kit::Point before = view_->convertPointToView(inView, nullptr);
    ASSERT_TRUE(view_->zoomTo(2.0f, inView));
    EXPECT_FLOAT_EQ(view_->zoom(), 2.0f);
    const kit::Point after = view_->convertPointToView(inView, nullptr);
    EXPECT_NEAR(after.x, before.x, 1.0f);
    EXPECT_NEAR(after.y, before.y, 1.0f);
    const repaint::Mismatch m = screenAgainstRepaint();
    EXPECT_FALSE(m.any()) << m.describe();
}

TEST_F(CanvasTest, ShiftClicksBuildTheSelectionInStackingOrder)
{
    click(inWindow(0, centre(boxes_[2])));
    click(inWindow(0, centre(boxes_[0])), kit::ShiftKeyMask);
    EXPECT_EQ(document_->selected(), (std::vector<Item*>{boxes_[0], boxes_[2]}));
    // A Shift-click on a selected item deselects it.
    click(inWindow(0, centre(boxes_[2])), kit::ShiftKeyMask);
    EXPECT_EQ(document_->selected(), (std::vector<Item*>{boxes_[0]}));
    // A click on empty paper clears the selection (an empty marquee).
    click(inWindow(0, kit::makePoint(500, 700)));
    EXPECT_TRUE(document_->selected().empty());
    const repaint::Mismatch m = screenAgainstRepaint();
    EXPECT_FALSE(m.any()) << m.describe();
}

TEST_F(CanvasTest, ADragMovesTheSelectionWithOneUndoAndLeavesAFreshWindow)
{
    click(inWindow(0, centre(boxes_[0])));
    click(inWindow(0, centre(boxes_[1])), kit::ShiftKeyMask);
    const kit::Rect a = boxes_[0]->frame(), b = boxes_[1]->frame();
    const int records = document_->undoInfo()->count();
    const kit::Point from = centre(boxes_[0]);
    drag({inWindow(0, from), inWindow(0, kit::makePoint(from.x + 10, from.y + 5)),
          inWindow(0, kit::makePoint(from.x + 30, from.y + 40))});
    EXPECT_FLOAT_EQ(boxes_[0]->frame().origin.x, a.origin.x + 30);
    EXPECT_FLOAT_EQ(boxes_[0]->frame().origin.y, a.origin.y + 40);
    EXPECT_FLOAT_EQ(boxes_[1]->frame().origin.x, b.origin.x + 30);
    EXPECT_EQ(document_->undoInfo()->count(), records + 1);
    EXPECT_TRUE(kit::isEmptyRect(view_->dragFeedbackRect()));
    repaint::Mismatch m = screenAgainstRepaint();
    EXPECT_FALSE(m.any()) << m.describe();

    view_->undo(nullptr);
    EXPECT_EQ(boxes_[0]->frame(), a);
    EXPECT_EQ(boxes_[1]->frame(), b);
    m = screenAgainstRepaint();
    EXPECT_FALSE(m.any()) << m.describe();
}

TEST_F(CanvasTest, ADragToTheNextPageMovesThereAndUndoesInOneStep)
{
    click(inWindow(0, centre(boxes_[0])));
    const kit::Rect a = boxes_[0]->frame();
    const kit::Point from = centre(boxes_[0]);
    drag({inWindow(0, from), inWindow(1, kit::makePoint(from.x, 100)), inWindow(1, kit::makePoint(from.x + 20, 150))});
    ASSERT_EQ(boxes_[0]->page(), pages_[1]);
    EXPECT_EQ(document_->activePage(), pages_[1]);
    EXPECT_FLOAT_EQ(boxes_[0]->frame().origin.x, a.origin.x + 20);
    EXPECT_FLOAT_EQ(boxes_[0]->frame().origin.y, a.origin.y + 150 - from.y);
    repaint::Mismatch m = screenAgainstRepaint();
    EXPECT_FALSE(m.any()) << m.describe();

    view_->undo(nullptr);
    EXPECT_EQ(boxes_[0]->page(), pages_[0]);
    EXPECT_EQ(boxes_[0]->frame(), a);
    m = screenAgainstRepaint();
    EXPECT_FALSE(m.any()) << m.describe();
}

TEST_F(CanvasTest, AlternateAtTheReleaseCopiesAndADropOffThePagesChangesNothing)
{
    click(inWindow(0, centre(boxes_[0])));
    const kit::Rect a = boxes_[0]->frame();
    const std::size_t onPage2 = pages_[1]->items().size();
    const kit::Point from = centre(boxes_[0]);
    drag({inWindow(0, from), inWindow(1, kit::makePoint(from.x, 200))}, 0, kit::AlternateKeyMask);
    EXPECT_EQ(boxes_[0]->frame(), a);
    EXPECT_EQ(boxes_[0]->page(), pages_[0]);
    ASSERT_EQ(pages_[1]->items().size(), onPage2 + 1);
    Item* copy = pages_[1]->items().back();
    EXPECT_EQ(document_->selected(), std::vector<Item*>{copy});
    EXPECT_FLOAT_EQ(copy->frame().origin.y, a.origin.y + 200 - from.y);
    repaint::Mismatch m = screenAgainstRepaint();
    EXPECT_FALSE(m.any()) << m.describe();
    view_->undo(nullptr);
    EXPECT_EQ(pages_[1]->items().size(), onPage2);

    // Released on the canvas between pages: nothing moves, no record.
    click(inWindow(0, centre(boxes_[1])));
    const kit::Rect b = boxes_[1]->frame();
    const int records = document_->undoInfo()->count();
    const kit::Rect page1 = pages_[0]->pageRect();
    const kit::Point gap = view_->convertPointToView(kit::makePoint(kit::minX(page1) - 10, kit::minY(page1) + 10), nullptr);
    drag({inWindow(0, centre(boxes_[1])), gap});
    EXPECT_EQ(boxes_[1]->frame(), b);
    EXPECT_EQ(document_->undoInfo()->count(), records);
    m = screenAgainstRepaint();
    EXPECT_FALSE(m.any()) << m.describe();
}

TEST_F(CanvasTest, AMarqueeSelectsWhatItEnclosesAndShiftTogglesOnTheActivePage)
{
    // Around the top two boxes.
    drag({inWindow(0, kit::makePoint(90, 290)), inWindow(0, kit::makePoint(300, 370))});
    EXPECT_EQ(document_->selected(), (std::vector<Item*>{boxes_[0], boxes_[1]}));
    // Around the left two, with Shift: the top left leaves, the bottom left joins.
    drag({inWindow(0, kit::makePoint(90, 290)), inWindow(0, kit::makePoint(190, 470))}, kit::ShiftKeyMask);
    EXPECT_EQ(document_->selected(), (std::vector<Item*>{boxes_[1], boxes_[2]}));
    const repaint::Mismatch m = screenAgainstRepaint();
    EXPECT_FALSE(m.any()) << m.describe();
}

TEST_F(CanvasTest, ArrowKeysWaitingJoinOneNudgeAndOtherKeysStayQueued)
{
    document_->setSelection({boxes_[0]}, view_);
    const kit::Rect a = boxes_[0]->frame();
    const int records = document_->undoInfo()->count();
    const float step = delegate_->preferences()->incrementForType(3, 0, view_->zoom());
    postKey(kit::RightArrowFunctionKey);
    postKey(kit::RightArrowFunctionKey);
    postKey(u'x');
    key(kit::RightArrowFunctionKey);
    EXPECT_FLOAT_EQ(boxes_[0]->frame().origin.x, a.origin.x + 3 * step);
    EXPECT_EQ(document_->undoInfo()->count(), records + 1);
    // The letter is still there for its own handling.
    auto waiting = app_->nextEventMatchingMask(kit::KeyDownMask, kit::Date::distantPast(), kit::DefaultRunLoopMode,
                                               true);
    ASSERT_TRUE(waiting.has_value());
    EXPECT_EQ(waiting->characters(), u"x");
    const repaint::Mismatch m = screenAgainstRepaint();
    EXPECT_FALSE(m.any()) << m.describe();
}

TEST_F(CanvasTest, KeysTheDocumentLeavesGoUpTheChainAndTabStepsThroughItems)
{
    const int beeps = alerts_->beeps();
    key(u'q');
    EXPECT_EQ(alerts_->beeps(), beeps + 1) << "an unhandled key reaches the window";
    document_->setSelection({boxes_[1]}, view_);
    const std::vector<Item*> items = order(0);
    const auto at = std::find(items.begin(), items.end(), boxes_[1]) - items.begin();
    key(kit::TabCharacter, kit::ShiftKeyMask);
    EXPECT_EQ(document_->selected(), std::vector<Item*>{items[std::size_t(at + 1)]});
    // Past the end: a beep, and the selection stays.
    document_->setSelection({items.back()}, view_);
    key(kit::TabCharacter, kit::ShiftKeyMask);
    EXPECT_EQ(document_->selected(), std::vector<Item*>{items.back()});
    EXPECT_EQ(alerts_->beeps(), beeps + 2);
}

// Each stacking command on the boxes [b0 b1 b2 b3] (the columns lie below
// them) with a selection, the order it leaves, and undo and redo.
TEST_F(CanvasTest, StackingCommandsMoveTheSelectionAndUndoAndRedoRestoreTheList)
{
    struct Case {
        const char* name;
        std::function<void(PageView*)> command;
        std::vector<int> selected;
        std::vector<int> expected;
    };
    const Case cases[] = {
        {"bringToFront", [](PageView* v) { v->bringToFront(nullptr); }, {0, 2}, {1, 3, 0, 2}},
        {"sendToBack", [](PageView* v) { v->sendToBack(nullptr); }, {1, 3}, {1, 3, 0, 2}},
        {"popForward adjacent", [](PageView* v) { v->popForward(nullptr); }, {1, 2}, {0, 3, 1, 2}},
        {"pushBackward adjacent", [](PageView* v) { v->pushBackward(nullptr); }, {1, 2}, {1, 2, 0, 3}},
        {"pushBackward at the back", [](PageView* v) { v->pushBackward(nullptr); }, {0}, {0, 1, 2, 3}},
    };
    const auto boxOrder = [&] {
        std::vector<int> out;
        for (Item* item : order(0))
            for (int k = 0; k < 4; ++k)
                if (boxes_[std::size_t(k)] == item)
                    out.push_back(k);
        return out;
    };
    const std::vector<Item*> start = order(0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // sendToBack puts boxes behind the column; the reference is the
        // boxes' order among themselves.
        std::vector<Item*> selection;
        for (int k : c.selected)
            selection.push_back(boxes_[std::size_t(k)]);
        document_->setSelection(selection, view_);
        c.command(view_);
        EXPECT_EQ(boxOrder(), c.expected);
        const std::vector<Item*> after = order(0);
        view_->undo(nullptr);
        EXPECT_EQ(order(0), start);
        view_->redo(nullptr);
        EXPECT_EQ(order(0), after);
        view_->undo(nullptr);
    }
    const repaint::Mismatch m = screenAgainstRepaint();
    EXPECT_FALSE(m.any()) << m.describe();
}

TEST_F(CanvasTest, DeleteLockAndCentreUndoToTheSameList)
{
    const std::vector<Item*> start = order(0);
    document_->setSelection({boxes_[1], boxes_[2]}, view_);
    view_->delete_(nullptr);
    EXPECT_EQ(order(0).size(), start.size() - 2);
    EXPECT_TRUE(document_->selected().empty());
    view_->undo(nullptr);
    EXPECT_EQ(order(0), start);

    document_->setSelection({boxes_[0]}, view_);
    view_->lock(nullptr);
    EXPECT_TRUE(boxes_[0]->isLocked());
    // A locked item neither moves nor is deleted.
    key(kit::RightArrowFunctionKey);
    view_->delete_(nullptr);
    EXPECT_EQ(order(0), start);
    view_->undo(nullptr);
    EXPECT_FALSE(boxes_[0]->isLocked());

    const float y = boxes_[3]->frame().origin.y;
    document_->setSelection({boxes_[3]}, view_);
    view_->centerOnPage(1);
    EXPECT_FLOAT_EQ(boxes_[3]->frame().origin.y, y);
    EXPECT_FLOAT_EQ(kit::midX(boxes_[3]->frame()), pages_[0]->pageRect().size.width / 2);
    view_->undo(nullptr);
    EXPECT_FLOAT_EQ(boxes_[3]->frame().origin.x, 210);
    const repaint::Mismatch m = screenAgainstRepaint();
    EXPECT_FALSE(m.any()) << m.describe();
}

// Each undo gives back each item's own state: an item that was already
// locked (unlocked) stays so when Lock (Unlock) is undone.
TEST_F(CanvasTest, UndoOfLockAndUnlockLeavesItemsThatWereAlreadySo)
{
    for (const bool locking : {true, false}) {
        SCOPED_TRACE(locking ? "lock" : "unlock");
        // One box is locked, the other not, before the command.
        Item* wasLocked = locking ? boxes_[0] : boxes_[1];
        Item* wasUnlocked = locking ? boxes_[1] : boxes_[0];
        wasUnlocked->unlock();
        wasLocked->lock();
        document_->setSelection({boxes_[0], boxes_[1]}, view_);
        locking ? view_->lock(nullptr) : view_->unlock(nullptr);
        EXPECT_EQ(boxes_[0]->isLocked(), locking);
        EXPECT_EQ(boxes_[1]->isLocked(), locking);
        view_->undo(nullptr);
        EXPECT_TRUE(wasLocked->isLocked());
        EXPECT_FALSE(wasUnlocked->isLocked());
        view_->redo(nullptr);
        EXPECT_EQ(boxes_[0]->isLocked(), locking);
        EXPECT_EQ(boxes_[1]->isLocked(), locking);
    }
    boxes_[0]->unlock();
    boxes_[1]->unlock();
}

// An item a record holds off its page, whose page then left the document,
// is not selected by the undo of an earlier record of it.
TEST_F(CanvasTest, UndoSelectsNoItemThatIsOffThePages)
{
    Item* box = addBox(2, kit::makeRect(100, 100, 50, 50));
    document_->setActivePage(pages_[2]);
    document_->setSelection({box}, view_);
    view_->doNudge(5, 0);
    view_->delete_(nullptr);
    std::vector<std::unique_ptr<Page>> gone = document_->deletePages(1, 2);
    ASSERT_EQ(gone.size(), 1u);
    view_->undo(nullptr); // the delete: its page is gone
    view_->undo(nullptr); // the nudge
    for (Item* item : document_->selected())
        EXPECT_NE(document_->indexOfPage(item->page()), LayoutDocument::PageNotFound);
    EXPECT_TRUE(document_->selected().empty());
}

// Each undo gives back each item's own graphic state: a Scale To pasted on
// an item of a named style, and a colour or line change of a group whose
// members differ.
TEST_F(CanvasTest, UndoGivesBackEachItemsOwnGraphicState)
{
    StyleInfo* sheet = document_->styleInfo();
    auto* named = dynamic_cast<StyleGraphicNamed*>(sheet->addNewStyleInStyles(sheet->graphicStyles()));
    ASSERT_NE(named, nullptr);
    named->setHasLine(true);
    named->setLineWidth(1.3f);
    boxes_[0]->setGraphicStyle(named);
    ASSERT_EQ(boxes_[0]->graphicStyle(), named);
    document_->setSelection({boxes_[0]}, view_);
    kit::Archiver stream;
    stream.encodeValuesOfObjCTypes("i", int(Undo::ScaledTo));
    stream.encodeRect(kit::makeRect(0, 0, 10, 10));
    stream.encodeValuesOfObjCTypes("fff", 0.0f, 1.7f, 2.3f);
    ASSERT_TRUE(view_->pasteDimensionsFromTypedStream(stream.data()));
    ASSERT_NE(boxes_[0]->frame().size.width, 80.0f);
    view_->undo(nullptr);
    EXPECT_EQ(boxes_[0]->graphicStyle(), named);
    EXPECT_EQ(boxes_[0]->lineWidth(), 1.3f);
    EXPECT_EQ(boxes_[0]->frame(), kit::makeRect(100, 300, 80, 60));

    // A group of two boxes, one with a line of 2 in red, one of 5 in green.
    boxes_[1]->setHasLine(true);
    boxes_[1]->setLineWidth(2.0f);
    boxes_[1]->setLineColor(kit::Color::redColor());
    boxes_[2]->setHasLine(true);
    boxes_[2]->setLineWidth(5.0f);
    boxes_[2]->setLineColor(kit::Color::colorWithGray(0.5f));
    document_->setSelection({boxes_[1], boxes_[2]}, view_);
    view_->group(nullptr);
    ASSERT_EQ(document_->selected().size(), 1u);
    view_->changeColor(4);
    view_->removeLine(nullptr);
    view_->undo(nullptr);
    view_->undo(nullptr);
    for (auto [box, width, color] : {std::tuple{boxes_[1], 2.0f, kit::Color::redColor()},
                                     std::tuple{boxes_[2], 5.0f, kit::Color::colorWithGray(0.5f)}}) {
        EXPECT_TRUE(box->hasLine());
        EXPECT_EQ(box->lineWidth(), width);
        EXPECT_TRUE(box->graphicStyle()->lineColor()->isEqual(*color)) << box->graphicStyle()->lineColor()->description();
        EXPECT_TRUE(box->hasFill());
        EXPECT_TRUE(box->graphicStyle()->fillColor()->isEqual(*kit::Color::grayColor()));
    }
}

// A box dragged from the bottom of its page's stack to another page comes
// back to its own place in the stack on undo, not on top.
TEST_F(CanvasTest, UndoOfADragToAnotherPagePutsTheItemBackAtItsPlace)
{
    const std::vector<Item*> start = order(0);
    const auto place = std::find(start.begin(), start.end(), boxes_[0]) - start.begin();
    ASSERT_LT(place + 1, std::ptrdiff_t(start.size()));
    document_->setSelection({boxes_[0]}, view_);
    const kit::Point from = centre(boxes_[0]);
    drag({inWindow(0, from), inWindow(0, {from.x + 5, from.y + 5}), inWindow(1, {300, 400})});
    ASSERT_EQ(boxes_[0]->page(), pages_[1]);
    view_->undo(nullptr);
    EXPECT_EQ(order(0), start);
    view_->redo(nullptr);
    EXPECT_EQ(boxes_[0]->page(), pages_[1]);
    view_->undo(nullptr);
    EXPECT_EQ(order(0), start);
}

TEST_F(CanvasTest, MenuValidationFollowsSelectionEditingAndTheStacks)
{
    struct Case {
        const char* action;
        int tag;
        bool select;
        bool edit;
        bool enabled;
        const char* titleKey; // nil: the title is not checked
    };
    const Case cases[] = {
        {"bringToFront:", 0, false, false, false, nullptr}, {"bringToFront:", 0, true, false, true, nullptr},
        {"delete:", 0, true, false, true, nullptr},         {"insertDate:", 0, false, false, false, nullptr},
        {"insertDate:", 0, false, true, true, nullptr},     {"undo:", 0, false, false, false, nullptr},
        {"redo:", 0, false, false, false, nullptr},         {"showGuides:", 0, false, false, true, "ShowGuides"},
        {"toggleTextEditing:", 0, false, true, true, "EndEditing"},
        {"changeFontAttribute:", 0x10, false, true, true, "Underline"},
        {"someOtherCommand:", 0, false, false, true, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.action);
        document_->setSelection(c.select ? std::vector<Item*>{boxes_[0]} : std::vector<Item*>{}, view_);
        if (c.edit)
            first_->beginEditing(nullptr, view_);
        kit::MenuItem item("", c.action);
        item.setTag(c.tag);
        EXPECT_EQ(view_->validateMenuItem(&item), c.enabled);
        if (c.titleKey) {
            EXPECT_EQ(item.title(), delegate_->valueForStringKey(c.titleKey));
        }
        view_->endEditingIfNeeded();
    }
    // Every title a toggle takes is in the string table, in either state.
    for (const char* action : {"undo:", "toggleInfoBar:", "showGraphics:", "showGuides:", "snapToGuides:",
                               "snapToRulers:", "showTextRects:", "toggleFontMetrics:", "toggleTextEditing:",
                               "toggleTextMarkers:"})
        for (bool edit : {false, true}) {
            SCOPED_TRACE(std::string(action) + (edit ? " editing" : ""));
            if (edit)
                first_->beginEditing(nullptr, view_);
            kit::MenuItem item("", action);
            view_->validateMenuItem(&item);
            EXPECT_NE(item.title(), "Missing String Key");
            view_->endEditingIfNeeded();
        }
    for (int tag : {0x10, 0x20, 0x80, 0x100, 0x800}) {
        first_->beginEditing(nullptr, view_);
        kit::MenuItem item("", "changeFontAttribute:");
        item.setTag(tag);
        view_->validateMenuItem(&item);
        EXPECT_NE(item.title(), "Missing String Key") << tag;
        view_->endEditingIfNeeded();
    }
    // Undo becomes Undelete while typing, with the tag of the state.
    kit::MenuItem undo("Undo", "undo:");
    first_->beginEditing(nullptr, view_);
    view_->validateMenuItem(&undo);
    EXPECT_EQ(undo.tag(), 1);
    EXPECT_EQ(undo.title(), delegate_->valueForStringKey("Undelete"));
    view_->endEditingIfNeeded();
    // An undo record enables Undo.
    document_->setSelection({boxes_[0]}, view_);
    view_->doNudge(1, 0);
    kit::MenuItem again("", "undo:");
    EXPECT_TRUE(view_->validateMenuItem(&again));
}

TEST_F(CanvasTest, PasteChecksReadAPasteboardOnlyAfterItChanged)
{
    EXPECT_EQ(std::string(ZYN_PRIVATEKILL), "ZYNPrivateKillPboard");
    kit::Pasteboard& general = kit::Pasteboard::generalPasteboard();
    general.declareTypes({"NeXT plain ascii pasteboard type"}, nullptr);
    kit::MenuItem paste("", "paste:");
    view_->validateMenuItem(&paste);
    const int checks = PageView::pasteChecks();
    view_->validateMenuItem(&paste);
    view_->validateMenuItem(&paste);
    EXPECT_EQ(PageView::pasteChecks(), checks);
    general.declareTypes({"no type anyone pastes"}, nullptr);
    EXPECT_FALSE(view_->validateMenuItem(&paste));
    EXPECT_EQ(PageView::pasteChecks(), checks + 1);
}

TEST_F(CanvasTest, TheCursorFollowsTheToolAndTheModifiers)
{
    PanelToolbar& toolbar = registry_.toolbar_;
    const kit::Event plain = mouse(kit::EventType::MouseMoved, {}, 0);
    const kit::Event command = mouse(kit::EventType::MouseMoved, {}, kit::CommandKeyMask);
    EXPECT_EQ(toolbar.correctCursor(&plain, view_), kit::Cursor::arrowCursor());
    toolbar.setActiveTool(toolbar.textTool());
    EXPECT_EQ(toolbar.correctCursor(&plain, view_), kit::Cursor::IBeamCursor());
    EXPECT_EQ(toolbar.correctCursor(&command, view_), kit::Cursor::arrowCursor());
    // Escape forces the selection tool and back.
    key(kit::EscapeCharacter);
    EXPECT_TRUE(toolbar.isSelectToolForced());
    EXPECT_EQ(toolbar.correctCursor(&plain, view_), kit::Cursor::arrowCursor());
    key(kit::EscapeCharacter);
    EXPECT_FALSE(toolbar.isSelectToolForced());
    // The window's cursor rectangle over the view carries the tool's cursor.
    window_->resetCursorRects();
    EXPECT_GT(window_->cursorRectCount(), 0u);
}

TEST_F(CanvasTest, TheTextToolEditsTheColumnClickedAndBesideIt)
{
    registry_.toolbar_.setActiveTool(registry_.toolbar_.textTool());
    kit::Point inside = kit::makePoint(kit::midX(first_->frame()), kit::midY(first_->frame()));
    click(inWindow(0, inside));
    EXPECT_TRUE(view_->isEditing());
    EXPECT_EQ(document_->activeTextItem(), first_);
    // 20 points right of the column's edge still edits it.
    click(inWindow(0, kit::makePoint(kit::maxX(first_->frame()) + 20, inside.y)));
    EXPECT_EQ(document_->activeTextItem(), first_);
    kit::MenuItem undo("Undo", "undo:");
    view_->validateMenuItem(&undo);
    EXPECT_EQ(undo.title(), delegate_->valueForStringKey("Undelete"));
    // A page number outside the document begins nothing.
    view_->endEditingIfNeeded();
    view_->beginEditingPageNumber(99);
    EXPECT_FALSE(view_->isEditing());
}

TEST_F(CanvasTest, GoToPageShowsPagesInTheDocumentAndBeepsOutsideIt)
{
    const int beeps = alerts_->beeps();
    view_->gotoPage(2);
    EXPECT_EQ(document_->activePage(), pages_[1]);
    EXPECT_TRUE(kit::intersectsRect(view_->visibleRect(), pages_[1]->pageRect()));
    for (int outside : {0, 4, -7}) {
        view_->gotoPage(outside);
        EXPECT_EQ(document_->activePage(), pages_[1]) << outside;
    }
    EXPECT_EQ(alerts_->beeps(), beeps + 3);
    view_->showLastPage();
    EXPECT_EQ(document_->activePage(), pages_[2]);
    view_->showPageAtDisplayedIndex(-5);
    EXPECT_EQ(document_->activePage(), pages_[0]);
}

TEST_F(CanvasTest, TheGoToDialogShowsThePageChosenAndNothingOnCancel)
{
    document_->setActivePage(pages_[1]);
    const int beeps = alerts_->beeps();
    struct Case {
        const char* name;
        bool panel;
        int answer, chosen;
        Page* active; // after the command
        int beeps;
    };
    const Case cases[] = {
        {"OK on page 3", true, GotoPagesPanel::Stop, 3, pages_[2], 0},
        {"cancelled", true, -1001, 1, pages_[2], 0},
        {"a page outside", true, GotoPagesPanel::Stop, 9, pages_[2], 1},
        {"OK on page 1", true, GotoPagesPanel::Stop, 1, pages_[0], 1},
        {"no dialog", false, GotoPagesPanel::Stop, 2, pages_[0], 2},
    };
    int runs = 0;
    for (const Case& c : cases) {
        registry_.hasGoto = c.panel;
        registry_.goto_.answer = c.answer;
        registry_.goto_.chosen = c.chosen;
        const int before = document_->activePageNumber();
        view_->performSelector("runGotoPage:", nullptr);
        runs += c.panel;
        EXPECT_EQ(registry_.goto_.runs, runs) << c.name;
        EXPECT_EQ(document_->activePage(), c.active) << c.name;
        EXPECT_EQ(alerts_->beeps(), beeps + c.beeps) << c.name;
        if (!c.panel)
            continue;
        // Asked to go to a page of the document's numbers, from the active one.
        EXPECT_EQ(registry_.goto_.viewType, 1) << c.name;
        EXPECT_EQ(registry_.goto_.shownFirst, 1) << c.name;
        EXPECT_EQ(registry_.goto_.shownLast, 3) << c.name;
        EXPECT_EQ(registry_.goto_.shownActive, before) << c.name;
    }
    EXPECT_TRUE(registry_.createdGoto) << "the dialog is made on request";
}

TEST_F(CanvasTest, FindCommandsGoToAnExistingFindPanelAndBeepWithoutOne)
{
    const int beeps = alerts_->beeps();
    kit::MenuItem next("Find Next", "findNext:");
    view_->performSelector("findNext:", &next);
    view_->performSelector("findPrevious:", &next);
    EXPECT_EQ(alerts_->beeps(), beeps + 2);
    EXPECT_FALSE(registry_.createdFind) << "the commands do not make the panel";
    EXPECT_TRUE(registry_.find_.calls.empty());
    registry_.createdFind = true;
    view_->performSelector("findPrevious:", &next);
    view_->performSelector("findNext:", nullptr);
    const std::vector<std::pair<int, kit::Object*>> expected = {{-1, &next}, {1, nullptr}};
    EXPECT_EQ(registry_.find_.calls, expected);
    EXPECT_EQ(alerts_->beeps(), beeps + 2);
}

TEST_F(CanvasTest, CopyFontAndPasteFontCarryTheEditedTextsFontThroughTheFontPasteboard)
{
    kit::Pasteboard& fonts = kit::Pasteboard::pasteboardWithName(kit::FontPboard);
    fonts.declareTypes({kit::FontPboardType}, nullptr);
    fonts.setData("left alone", kit::FontPboardType);
    // Nothing edited: nothing copied.
    view_->performSelector("copyFont:", nullptr);
    EXPECT_EQ(fonts.dataForType(kit::FontPboardType).value_or(""), "left alone");

    first_->beginEditing(nullptr, view_);
    ASSERT_EQ(view_->font(), font_);
    view_->performSelector("copyFont:", nullptr);
    const std::optional<FontChoice> copied = readFontPasteboardData(fonts.dataForType(kit::FontPboardType).value_or(""));
    ASSERT_TRUE(copied);
    EXPECT_EQ(copied->name, font_->fontName());
    EXPECT_FLOAT_EQ(copied->size, font_->pointSize());

    // Another font pasted reaches the text being edited.
    kit::Font* other = kit::Font::fontWithName("Helvetica-Bold", 18);
    ASSERT_NE(other, nullptr);
    ASSERT_NE(other, font_);
    fonts.declareTypes({kit::FontPboardType}, nullptr);
    fonts.setData(fontPasteboardData({"Helvetica-Bold", 18}), kit::FontPboardType);
    view_->performSelector("pasteFont:", nullptr);
    EXPECT_EQ(view_->font(), other);
    // Data that is no font changes nothing.
    fonts.declareTypes({kit::FontPboardType}, nullptr);
    fonts.setData("{\\rtf1 no font}", kit::FontPboardType);
    view_->performSelector("pasteFont:", nullptr);
    EXPECT_EQ(view_->font(), other);
}

TEST_F(CanvasTest, ADragFromTheRulersCornerMovesTheUnitsOriginWithOneUndo)
{
    UnitsInfo* units = document_->unitsInfo();
    ASSERT_NE(units, nullptr);
    const auto origin = [&] { return kit::makePoint(-units->horizontalUnitsOrigin(), -units->verticalUnitsOrigin()); };
    const kit::Point before = origin();
    UndoInfo* stack = document_->undoInfo();
    const int records = stack->undoCount();
    // From the corner box (off the pages) to a point of page 2, clear of its
    // corners and middles: the origin goes there, in page coordinates.
    const kit::Point corner = view_->convertPointToView(kit::makePoint(pages_[0]->pageRect().origin.x - 15, 0), nullptr);
    const auto dragTo = [&](kit::Point end, unsigned flags) {
        app_->postEvent(mouse(kit::EventType::LeftMouseDragged, end, flags), false);
        app_->postEvent(mouse(kit::EventType::LeftMouseUp, end, flags), false);
        view_->addOrigin(mouse(kit::EventType::LeftMouseDown, corner, flags));
    };
    dragTo(inWindow(1, kit::makePoint(150, 250)), 0);
    EXPECT_NEAR(origin().x, 150, 1.0f);
    EXPECT_NEAR(origin().y, 250, 1.0f);
    EXPECT_EQ(document_->activePage(), pages_[1]);
    EXPECT_EQ(stack->undoCount(), records + 1);
    repaint::Mismatch m = screenAgainstRepaint();
    EXPECT_FALSE(m.any()) << "the cross hairs are gone: " << m.describe();

    // Near a page corner it snaps there.
    dragTo(inWindow(0, kit::makePoint(2, 3)), 0);
    EXPECT_EQ(origin(), kit::makePoint(0, 0));
    EXPECT_EQ(document_->activePage(), pages_[0]);
    EXPECT_EQ(stack->undoCount(), records + 2);
    // Released on the same origin, or off the pages: nothing changes.
    dragTo(inWindow(0, kit::makePoint(1, 1)), 0);
    dragTo(corner, 0);
    EXPECT_EQ(origin(), kit::makePoint(0, 0));
    EXPECT_EQ(stack->undoCount(), records + 2);

    view_->undo(nullptr);
    EXPECT_NEAR(origin().x, 150, 1.0f);
    EXPECT_NEAR(origin().y, 250, 1.0f);
    view_->undo(nullptr);
    EXPECT_EQ(origin(), before);
    m = screenAgainstRepaint();
    EXPECT_FALSE(m.any()) << m.describe();
}

TEST_F(CanvasTest, TextCommandsReachTheEditedColumnWithTheirTags)
{
    std::vector<std::pair<std::string, int>> reached;
    TextItem::panelCommandHook() = [&](const std::string& command, kit::Object* sender, TextSelection*) {
        const auto* menu = dynamic_cast<const CommandSender*>(sender);
        reached.emplace_back(command, menu ? menu->tag() : -1);
    };
    first_->beginEditing(nullptr, view_);
    ASSERT_TRUE(view_->isEditing());
    view_->performSelector("alignCenter:", nullptr);
    view_->performSelector("alignSelJustify:", nullptr);
    view_->performSelector("indentLeftIn:", nullptr);
    EXPECT_EQ(view_->font(), flow_->font());
    view_->endEditingIfNeeded();
    EXPECT_EQ(view_->font(), nullptr);
    // Without a column being edited nothing is forwarded.
    view_->performSelector("alignCenter:", nullptr);
    TextItem::panelCommandHook() = nullptr;
    const std::vector<std::pair<std::string, int>> expected = {
        {"setAlignmentFromMenu:", 2}, {"setAlignmentFromMenu:", 3}, {"indentLeftIn:", -1}};
    EXPECT_EQ(reached, expected);
}

TEST_F(CanvasTest, ACaretWhollyOutsideItsColumnShowsNone)
{
    for (int i = 0; i < 5; ++i)
        type(flow_, "line\n");
    const textPoint fifth{4, 0, 1};
    TextItem* holder = nullptr;
    const kit::Rect inColumn = PageView::caretRectInColumn(&fifth, first_, &holder);
    ASSERT_EQ(holder, first_);
    ASSERT_GT(inColumn.size.height, 0);
    // The column shrinks above the line without a new layout: the caret's
    // line now lies wholly below its frame.
    kit::Rect frame = first_->frame();
    frame.size.height = inColumn.origin.y - 1;
    first_->setFrame(frame, false);
    first_->beginEditing(nullptr, view_);
    view_->moveCursorToTextPoint(&fifth, first_, true);
    EXPECT_FALSE(view_->isTextCursorShown());
    EXPECT_TRUE(kit::isEmptyRect(view_->textCursorRect()));
    // A caret inside shows, no taller than the column.
    const textPoint top{0, 0, 1};
    view_->moveCursorToTextPoint(&top, first_, true);
    EXPECT_TRUE(view_->isTextCursorShown());
    EXPECT_GT(view_->textCursorRect().size.height, 0);
    EXPECT_LE(view_->textCursorRect().size.height, first_->frame().size.height);
}

TEST_F(CanvasTest, AServiceGetsOnlyTheTypesWrittenAndTextAsUnicode)
{
    kit::Pasteboard& pboard = kit::Pasteboard::pasteboardWithUniqueName();
    // Nothing selected: no type can be written, and the answer says so.
    document_->setSelection({}, view_);
    EXPECT_FALSE(view_->writeSelectionToPasteboard(pboard, {kit::StringPboardType, kit::PostScriptPboardType}));
    EXPECT_EQ(view_->validRequestorForSendType(kit::StringPboardType, ""), nullptr);
    EXPECT_EQ(view_->validRequestorForSendType("", kit::TIFFPboardType), view_) << "image return types";

    // Selected text with a character beyond ASCII (NeXTSTEP 0xE9).
    first_->beginEditing(nullptr, view_);
    type(flow_, std::string("caf") + char(0xE9));
    first_->selectAll(nullptr, view_);
    document_->setSelection({first_}, view_);
    ASSERT_TRUE(flow_->textSelection() && !flow_->textSelection()->isEmpty());
    // A type the view never writes is not declared.
    EXPECT_TRUE(view_->writeSelectionToPasteboard(
        pboard, {kit::TIFFPboardType, kit::TabularTextPboardType, kit::StringPboardType}));
    EXPECT_EQ(pboard.types(), (std::vector<std::string>{kit::TIFFPboardType, kit::StringPboardType}));
    const std::string tiff = pboard.dataForType(kit::TIFFPboardType).value_or("");
    EXPECT_TRUE(tiff.compare(0, 4, std::string("II*\0", 4)) == 0 || tiff.compare(0, 4, std::string("MM\0*", 4)) == 0);
    const std::string expected = kit::toUTF8(kit::Encoding::NeXTSTEP, std::string("caf") + char(0xE9));
    EXPECT_NE(expected, std::string("caf") + char(0xE9));
    EXPECT_EQ(pboard.stringForType(kit::StringPboardType).value_or(""), expected);
}

TEST_F(CanvasTest, TheCaretBlinksEverySixTenthsUntilErased)
{
    first_->beginEditing(nullptr, view_);
    type(flow_, "Blink");
    caretAt(0, 0, 2);
    const textPoint top{0, 0, 2};
    view_->moveCursorToTextPoint(&top, first_, true);
    ASSERT_TRUE(view_->isCursorDrawn());
    ASSERT_GT(view_->textCursorRect().size.height, 0);
    kit::RunLoop& loop = kit::RunLoop::currentRunLoop();
    bool drawn = true;
    for (int step = 0; step < 4; ++step) {
        kit::Clock::advanceBy(PageView::BlinkInterval);
        loop.fireDueTimers(kit::DefaultRunLoopMode);
        drawn = !drawn;
        EXPECT_EQ(view_->isCursorDrawn(), drawn) << step;
        const repaint::Mismatch m = screenAgainstRepaint();
        EXPECT_FALSE(m.any()) << m.describe();
    }
    view_->eraseTextCursor();
    kit::Clock::advanceBy(2 * PageView::BlinkInterval);
    loop.fireDueTimers(kit::DefaultRunLoopMode);
    EXPECT_FALSE(view_->isCursorDrawn());
}

// The caret's pixels in the window: black pixels within its rectangle (and
// one pixel around it), rows from the top.
int caretPixels(const kit::Window& window, const PageView& view, const kit::Rect& caret)
{
    const kit::RasterContext& image = window.graphicsContext();
    const kit::Rect base = view.convertRectToView(caret, nullptr);
    const int left = std::max(0, int(std::floor(kit::minX(base))) - 1);
    const int right = std::min(image.width(), int(std::ceil(kit::maxX(base))) + 1);
    const int top = std::max(0, image.height() - int(std::ceil(kit::maxY(base))));
    const int bottom = std::min(image.height(), image.height() - int(std::floor(kit::minY(base))));
    int black = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            black += image.scanLine(y)[x] == 0xFF000000u;
    return black;
}

// A user typing sees the insertion point: painted while the blink has it on,
// gone after the next 0.6 s, and the window equal to a fresh repaint in
// either state. No caret shows over a text selection, in a read-only
// document or in a window that is not the key window.
TEST_F(CanvasTest, TheCaretIsPaintedWhileTheBlinkShowsIt)
{
    window_->makeKeyWindow();
    first_->beginEditing(nullptr, view_);
    type(flow_, "Caret");
    // After the last letter: nothing else is drawn right of it.
    caretAt(0, 0, 5);
    const textPoint end{0, 0, 5};
    view_->moveCursorToTextPoint(&end, first_, true);
    ASSERT_TRUE(view_->isCursorDrawn());
    const kit::Rect caret = view_->textCursorRect();
    const kit::Rect base = view_->convertRectToView(caret, nullptr);
    // Whole pixel rows the caret covers at half size.
    const int rows = int(std::round(kit::height(base)));
    ASSERT_GE(rows, 4);
    window_->displayIfNeeded();
    const int shown = caretPixels(*window_, *view_, caret);
    EXPECT_GE(shown, rows - 1);
    EXPECT_LE(shown, rows + 1) << "one pixel wide";
    repaint::Mismatch m = screenAgainstRepaint();
    EXPECT_FALSE(m.any()) << m.describe();

    kit::RunLoop& loop = kit::RunLoop::currentRunLoop();
    kit::Clock::advanceBy(PageView::BlinkInterval);
    loop.fireDueTimers(kit::DefaultRunLoopMode);
    ASSERT_FALSE(view_->isCursorDrawn());
    window_->displayIfNeeded();
    EXPECT_EQ(caretPixels(*window_, *view_, caret), 0);
    m = screenAgainstRepaint();
    EXPECT_FALSE(m.any()) << m.describe();
    kit::Clock::advanceBy(PageView::BlinkInterval);
    loop.fireDueTimers(kit::DefaultRunLoopMode);
    window_->displayIfNeeded();
    EXPECT_EQ(caretPixels(*window_, *view_, caret), shown) << "back on";

    // Each state that hides the caret, then undone: the caret returns.
    struct Case {
        const char* name;
        std::function<void()> hide, show;
    };
    const Case cases[] = {
        {"read-only", [&] { document_->setReadOnly(true); }, [&] { document_->setReadOnly(false); }},
        {"another key window", [&] { app_->setKeyWindow(nullptr); }, [&] { window_->makeKeyWindow(); }},
    };
    for (const Case& c : cases) {
        c.hide();
        view_->setNeedsDisplayInRect(view_->visibleRect());
        window_->displayIfNeeded();
        EXPECT_EQ(caretPixels(*window_, *view_, caret), 0) << c.name;
        c.show();
        if (!view_->isCursorDrawn())
            view_->drawCursor(first_);
        view_->setNeedsDisplayInRect(view_->visibleRect());
        window_->displayIfNeeded();
        EXPECT_EQ(caretPixels(*window_, *view_, caret), shown) << c.name;
    }

    // While text is selected the highlight shows, the caret not: the window
    // is the same with the blink on and off. The first two letters only, so
    // that the highlight leaves the caret's pixels white.
    first_->selectAll(nullptr, view_);
    const textPoint from{0, 0, 0}, to{0, 0, 2};
    ASSERT_TRUE(flow_->textSelection()->selectBetween(&from, &to, flow_, false));
    view_->drawCursor(first_);
    ASSERT_TRUE(view_->isCursorDrawn());
    view_->setNeedsDisplayInRect(view_->visibleRect());
    window_->displayIfNeeded();
    EXPECT_EQ(caretPixels(*window_, *view_, caret), 0);
    view_->drawCursor(nullptr);
    ASSERT_FALSE(view_->isCursorDrawn());
    view_->setNeedsDisplayInRect(view_->visibleRect());
    window_->displayIfNeeded();
    EXPECT_EQ(caretPixels(*window_, *view_, caret), 0);
    const repaint::Mismatch last = screenAgainstRepaint();
    EXPECT_FALSE(last.any()) << last.describe();

    // In a turned column the caret stands along the turned lines: the
    // blink shows and hides it there too.
    flow_->textSelection()->empty();
    first_->rotateByAngle(90);
    ASSERT_TRUE(first_->isTransformed());
    view_->moveCursorToTextPoint(&end, first_, true);
    ASSERT_TRUE(view_->isCursorDrawn());
    const auto image = [&] {
        view_->setNeedsDisplayInRect(view_->visibleRect());
        window_->displayIfNeeded();
        const kit::RasterContext& shown = window_->graphicsContext();
        std::vector<std::uint32_t> pixels;
        for (int y = 0; y < shown.height(); ++y)
            pixels.insert(pixels.end(), shown.scanLine(y), shown.scanLine(y) + shown.width());
        return pixels;
    };
    const std::vector<std::uint32_t> on = image();
    view_->drawCursor(nullptr);
    EXPECT_FALSE(on == image());
}

// The run a user makes on three pages, the window checked against a fresh
// repaint after every step.
TEST_F(CanvasTest, AScriptedRunOnThreePagesUndoesWholeAndEndsZoomedAtThePointer)
{
    const auto fresh = [&](const char* step) {
        const repaint::Mismatch m = screenAgainstRepaint();
        EXPECT_FALSE(m.any()) << step << ": " << m.describe();
    };
    const std::vector<Item*> page1 = order(0), page2 = order(1);
    const kit::Rect a = boxes_[0]->frame(), b = boxes_[1]->frame();

    click(inWindow(0, centre(boxes_[0])), kit::ShiftKeyMask);
    click(inWindow(0, centre(boxes_[1])), kit::ShiftKeyMask);
    ASSERT_EQ(document_->selected(), (std::vector<Item*>{boxes_[0], boxes_[1]}));
    fresh("shift-clicks");
    const kit::Point from = centre(boxes_[0]);
    drag({inWindow(0, from), inWindow(1, kit::makePoint(from.x, 100)), inWindow(1, kit::makePoint(from.x, 400))}, 0,
         kit::AlternateKeyMask);
    ASSERT_EQ(order(1).size(), page2.size() + 2);
    fresh("copy-drag to page 2");
    // Around the two copies, clear of the page's column.
    drag({inWindow(1, kit::makePoint(90, 360)), inWindow(1, kit::makePoint(300, 440))});
    EXPECT_EQ(document_->selected().size(), 2u);
    fresh("marquee");
    key(kit::DownArrowFunctionKey);
    fresh("nudge");
    view_->bringToFront(nullptr);
    fresh("bring to front");

    while (document_->undoInfo()->undoCount() > 0)
        view_->undo(nullptr);
    EXPECT_EQ(order(0), page1);
    EXPECT_EQ(order(1), page2);
    EXPECT_EQ(boxes_[0]->frame(), a);
    EXPECT_EQ(boxes_[1]->frame(), b);
    fresh("undone");

    registry_.toolbar_.setActiveTool(registry_.toolbar_.textTool());
    click(inWindow(0, kit::makePoint(kit::midX(first_->frame()), kit::midY(first_->frame()))));
    ASSERT_TRUE(view_->isEditing());
    EXPECT_TRUE(view_->isCursorDrawn());
    kit::MenuItem undo("Undo", "undo:");
    view_->validateMenuItem(&undo);
    EXPECT_EQ(undo.title(), delegate_->valueForStringKey("Undelete"));
    fresh("text tool click");

    kit::Point pointer = centre(boxes_[3]);
    pages_[0]->convertToView(&pointer);
    const kit::Point before = view_->convertPointToView(pointer, nullptr);
    ASSERT_TRUE(view_->zoomTo(2.0f, pointer));
    const kit::Point after = view_->convertPointToView(pointer, nullptr);
    EXPECT_NEAR(after.x, before.x, 1.0f);
    EXPECT_NEAR(after.y, before.y, 1.0f);
    fresh("zoom at the pointer");
}

TEST_F(CanvasTest, ACreationBegunOffThePagesGoesToThePageItsDragOverlapsMost)
{
    LayvaneTool tool;
    const kit::Rect page1 = pages_[0]->pageRect();
    // From the canvas left of page 1 to a point inside it.
    const kit::Point start = kit::makePoint(kit::minX(page1) - 30, kit::minY(page1) + 100);
    const kit::Point end = kit::makePoint(kit::minX(page1) + 90, kit::minY(page1) + 160);
    const int records = document_->undoInfo()->count();
    Item* made = tool.createInView(
        view_, mouse(kit::EventType::LeftMouseDown, view_->convertPointToView(start, nullptr)),
        [&](PageView*, const kit::Event&, kit::Point* endPoint) -> std::unique_ptr<Item> {
            *endPoint = end;
            auto box = std::make_unique<ItemBox>();
            box->setFrame(kit::makeRect(0, 0, 120, 60), false);
            return box;
        });
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->page(), pages_[0]);
    EXPECT_EQ(document_->selected(), std::vector<Item*>{made});
    EXPECT_EQ(document_->undoInfo()->count(), records + 1);
    EXPECT_FLOAT_EQ(made->frame().origin.y, 100);
    // A refused creation leaves the selection cleared and records nothing.
    EXPECT_EQ(tool.createInView(view_, mouse(kit::EventType::LeftMouseDown, {}),
                                [](PageView*, const kit::Event&, kit::Point*) { return std::unique_ptr<Item>(); }),
              nullptr);
    EXPECT_TRUE(document_->selected().empty());
    EXPECT_EQ(document_->undoInfo()->count(), records + 1);
    // The page that the rectangle meets most, for a point off the pages.
    EXPECT_EQ(view_->hitPageIn(kit::makeRect(kit::minX(page1) - 30, kit::maxY(page1) - 10, 60, 20)), pages_[0]);
}

// What a drag reports to the placement inspector and the rulers, and what
// the screen shows at each report.
class DragWatcher : public kit::View, public LiveFrameDisplay {
public:
    explicit DragWatcher(int tag = 0) { setTag(tag); }
    bool isVisible() const override { return true; }
    void setMoveBy(float dx, float dy) override
    {
        moved.x += dx;
        moved.y += dy;
        ++moves;
    }
    void setRect(const kit::Rect& rect) override
    {
        if (onRect)
            onRect(rect);
        rects.push_back(rect);
    }
    kit::Point moved{};
    int moves = 0;
    std::vector<kit::Rect> rects;
    std::function<void(const kit::Rect&)> onRect;
};

TEST_F(CanvasTest, ADragShowsAPictureOfTheItemsOverTheSavedWindowAndReportsEachStep)
{
    DragWatcher inspector;
    PageView::placementInspectorHook() = [&inspector]() -> LiveFrameDisplay* { return &inspector; };
    auto* ruler = static_cast<DragWatcher*>(scroll_->addSubview(std::make_unique<DragWatcher>(13)));
    delegate_->preferences()->setFastDrag(false);
    click(inWindow(0, centre(boxes_[0])));
    const kit::Rect a = boxes_[0]->frame();
    // Each report comes before the step draws: the screen shows the picture
    // of the step before, two-thirds opaque over the white page, while the
    // window's own image there is the page again.
    int checked = 0;
    kit::Rect previous{};
    ruler->onRect = [&](const kit::Rect& rect) {
        if (!kit::isEmptyRect(previous) && !kit::isEmptyRect(rect)) {
            const kit::Point centreOf = view_->convertPointToView(
                kit::makePoint(kit::midX(previous), kit::midY(previous)), nullptr);
            const std::uint32_t shown = window_->flushedPixel(int(centreOf.x), int(centreOf.y));
            const std::uint32_t image = window_->backingPixel(int(centreOf.x), int(centreOf.y));
            const int grey = int(shown & 0xFF);
            EXPECT_GT(grey, 150) << std::hex << shown;
            EXPECT_LT(grey, 200) << std::hex << shown;
            EXPECT_EQ(image, 0xFFFFFFFFu);
            ++checked;
        }
        previous = rect;
    };
    const kit::Point from = centre(boxes_[0]);
    drag({inWindow(0, from), inWindow(0, kit::makePoint(from.x, from.y + 200)),
          inWindow(0, kit::makePoint(from.x + 10, from.y + 260)), inWindow(0, kit::makePoint(from.x + 20, from.y + 300))});
    PageView::placementInspectorHook() = nullptr;
    EXPECT_EQ(checked, 2);
    // The moves add up to the drag; the rulers' marks follow the frame and
    // are cleared at the end.
    EXPECT_FLOAT_EQ(inspector.moved.x, 20);
    EXPECT_FLOAT_EQ(inspector.moved.y, 300);
    EXPECT_EQ(inspector.moves, 3);
    ASSERT_EQ(ruler->rects.size(), 4u);
    kit::Rect last = kit::offsetRect(a, 20, 300);
    pages_[0]->convertFromPage(&last.origin);
    EXPECT_EQ(ruler->rects[2], last);
    EXPECT_TRUE(kit::isEmptyRect(ruler->rects.back()));
    EXPECT_EQ(boxes_[0]->frame(), kit::offsetRect(a, 20, 300));
    const repaint::Mismatch m = screenAgainstRepaint();
    EXPECT_FALSE(m.any()) << m.describe();
}

TEST_F(CanvasTest, TheDragPictureIsBoundedAndBeyondItTheDragShowsAnOutline)
{
    click(inWindow(0, centre(boxes_[0])));
    delegate_->preferences()->setFastDrag(false);
    // At 50 %: the picture of the box, grown by a point, at the zoom.
    kit::Rect bounds{};
    std::unique_ptr<kit::RasterContext> picture = view_->drawSelection(0, &bounds);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->width(), int(std::ceil(0.5f * kit::width(bounds))) + 1);
    EXPECT_EQ(picture->height(), int(std::ceil(0.5f * kit::height(bounds))) + 1);
    const std::uint32_t middle = picture->pixel(picture->width() / 2, picture->height() / 2);
    EXPECT_NEAR(int(middle >> 24), 170, 2) << std::hex << middle;
    delegate_->preferences()->setFastDrag(true);
    picture = view_->drawSelection(0, &bounds);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->pixel(picture->width() / 2, picture->height() / 2) >> 24, 0xFFu);

    // A page-sized box at 1600 % would take gigabytes: no picture, and the
    // drag still moves it, following with an outline.
    Item* big = addBox(0, kit::makeRect(20, 20, 560, 740));
    document_->setSelection({big}, view_);
    ASSERT_TRUE(view_->zoomTo(16.0f, kit::makePoint(kit::midX(pages_[0]->pageRect()), kit::midY(pages_[0]->pageRect()))));
    window_->display();
    EXPECT_EQ(view_->drawSelection(0, &bounds), nullptr);
    EXPECT_GT(double(kit::width(bounds)) * kit::height(bounds) * 256.0, PageView::MaxDragPicturePixels);
    kit::Point at = kit::makePoint(kit::midX(view_->visibleRect()), kit::midY(view_->visibleRect()));
    const kit::Point down = view_->convertPointToView(at, nullptr);
    drag({down, kit::makePoint(down.x + 16, down.y - 32)});
    EXPECT_FLOAT_EQ(big->frame().origin.x, 21);
    EXPECT_FLOAT_EQ(big->frame().origin.y, 22);
    const repaint::Mismatch m = screenAgainstRepaint();
    EXPECT_FALSE(m.any()) << m.describe();
}

TEST_F(CanvasTest, ThePageCacheHoldsTheVisiblePagesLatestFirstWithTheEditedPageInFront)
{
    // All three pages show at 50 %.
    EXPECT_EQ(view_->pageCache(), (std::vector<Page*>{pages_[2], pages_[1], pages_[0]}));
    EXPECT_EQ(view_->visiblePages(), (std::vector<Page*>{pages_[0], pages_[1], pages_[2]}));
    ASSERT_TRUE(view_->zoomTo(2.0f));
    // The clip view's proposal builds the cache for the area proposed, and
    // is answered unchanged.
    const kit::Rect third = pages_[2]->pageRect();
    const kit::Rect proposed = kit::makeRect(kit::minX(third) + 10, kit::minY(third) + 10, 100, 100);
    EXPECT_EQ(view_->adjustScroll(proposed), proposed);
    view_->scrollPoint(proposed.origin);
    EXPECT_EQ(view_->pageCache(), std::vector<Page*>{pages_[2]});
    EXPECT_EQ(view_->hitPageAt(kit::makePoint(kit::midX(third), kit::minY(third) + 50)), pages_[2]);
    EXPECT_EQ(view_->hitPageAt(kit::makePoint(kit::midX(pages_[0]->pageRect()), kit::midY(pages_[0]->pageRect()))),
              nullptr);

    // Back at 50 %, editing on page 1: it is drawn and asked last.
    ASSERT_TRUE(view_->zoomTo(0.5f));
    view_->scrollPoint(kit::makePoint(pages_[0]->pageRect().origin.x - 20, pages_[0]->pageRect().origin.y - 20));
    view_->beginEditingItem(first_);
    ASSERT_TRUE(view_->isEditing());
    EXPECT_EQ(view_->pageCache(), (std::vector<Page*>{pages_[0], pages_[2], pages_[1]}));
    EXPECT_EQ(view_->visiblePages().back(), pages_[0]);
    view_->endEditingIfNeeded();
    EXPECT_EQ(view_->pageCache(), (std::vector<Page*>{pages_[2], pages_[1], pages_[0]}));
    // A page that goes leaves the cache, with or without a notice.
    const Page* gone = pages_[1];
    ASSERT_EQ(document_->deletePages(1, 1).size(), 1u);
    for (Page* page : view_->pageCache()) {
        EXPECT_NE(page, nullptr);
        EXPECT_NE(page, gone);
    }
    view_->emptyPageCache();
    EXPECT_FALSE(view_->pageCache().empty());
}

TEST_F(CanvasTest, ALockedItemUnderADragWithinTwoSecondsIsPassedOver)
{
    boxes_[0]->lock();
    const kit::Rect a = boxes_[0]->frame();
    // A drag from the locked box around the box beside it draws a marquee.
    drag({inWindow(0, centre(boxes_[0])), inWindow(0, kit::makePoint(300, 370))});
    EXPECT_EQ(boxes_[0]->frame(), a);
    EXPECT_EQ(document_->selected(), std::vector<Item*>{boxes_[1]});
    // A click selects it.
    click(inWindow(0, centre(boxes_[0])));
    EXPECT_EQ(document_->selected(), std::vector<Item*>{boxes_[0]});
    // A drag that starts later than two seconds after the press takes the
    // locked item, which does not move.
    const kit::Point down = inWindow(0, centre(boxes_[0]));
    app_->scheduleEvent(mouse(kit::EventType::LeftMouseDragged, inWindow(0, kit::makePoint(300, 370))),
                        kit::Date::dateWithTimeIntervalSinceNow(2.5));
    app_->scheduleEvent(mouse(kit::EventType::LeftMouseUp, inWindow(0, kit::makePoint(300, 370))),
                        kit::Date::dateWithTimeIntervalSinceNow(2.6));
    view_->mouseDown(mouse(kit::EventType::LeftMouseDown, down));
    EXPECT_EQ(document_->selected(), std::vector<Item*>{boxes_[0]});
    EXPECT_EQ(boxes_[0]->frame(), a);
    const repaint::Mismatch m = screenAgainstRepaint();
    EXPECT_FALSE(m.any()) << m.describe();
}

TEST_F(CanvasTest, UnlinkCutsTheOneSelectedColumnFromItsChainOrSaysWhyNot)
{
    struct Case {
        std::vector<Item*> selection;
        const char* message; // nil: unlinked
    };
    const Case cases[] = {
        {{second_}, "NoDownstream"},
        {{first_, second_}, "SelectOneOnly"},
        {{boxes_[0]}, nullptr},
        {{first_}, nullptr},
    };
    for (const Case& c : cases) {
        alerts_->reset();
        document_->setSelection(c.selection, view_);
        view_->performSelector("unlinkColumn:", nullptr);
        if (c.message) {
            ASSERT_EQ(alerts_->shown().size(), 1u) << c.message;
            EXPECT_EQ(alerts_->shown()[0].title, delegate_->valueForStringKey("UnlinkText"));
            EXPECT_EQ(alerts_->shown()[0].message, delegate_->valueForStringKey(c.message));
            EXPECT_EQ(first_->nextColumn(), second_);
        } else {
            EXPECT_TRUE(alerts_->shown().empty());
        }
    }
    // The last case unlinked: two flows now.
    EXPECT_EQ(first_->nextColumn(), nullptr);
    EXPECT_NE(first_->flow(), second_->flow());
    const repaint::Mismatch m = screenAgainstRepaint();
    EXPECT_FALSE(m.any()) << m.describe();
}

TEST_F(CanvasTest, ApplyStyleGivesTheSelectionTheStylesPanelsStyleWithUndo)
{
    struct Panel : kit::Object, StyleSource {
        std::string className() const override { return "StylesPanel"; }
        kit::Object* currentStyle() const override { return style; }
        kit::Object* style = nullptr;
    } panel;
    auto style = std::make_unique<StyleGraphic>();
    style->setHasFill(true);
    style->setFillColor(kit::Color::colorWithDeviceCyan(0, 1, 1, 0, 1));
    const StyleGraphic* before = boxes_[0]->graphicStyle();
    const int records = document_->undoInfo()->count();
    // No style, or nothing selected: nothing happens.
    document_->setSelection({boxes_[0]}, view_);
    view_->performSelector("applyStyle:", &panel);
    panel.style = style.get();
    document_->setSelection({}, view_);
    view_->performSelector("applyStyle:", &panel);
    EXPECT_EQ(document_->undoInfo()->count(), records);

    document_->setSelection({boxes_[0]}, view_);
    view_->performSelector("applyStyle:", &panel);
    ASSERT_NE(boxes_[0]->graphicStyle(), nullptr);
    EXPECT_TRUE(boxes_[0]->graphicStyle()->fillColor()->isEqual(*style->fillColor()));
    EXPECT_EQ(document_->undoInfo()->count(), records + 1);
    repaint::Mismatch m = screenAgainstRepaint();
    EXPECT_FALSE(m.any()) << m.describe();
    view_->undo(nullptr);
    EXPECT_EQ(bool(boxes_[0]->graphicStyle()), bool(before));
    if (before) {
        EXPECT_FALSE(boxes_[0]->graphicStyle()->fillColor()->isEqual(*style->fillColor()));
    }
    m = screenAgainstRepaint();
    EXPECT_FALSE(m.any()) << m.describe();
}

TEST_F(CanvasTest, TheMoveByPaperAndMarkupCommandsReachTheDocument)
{
    for (const char* action : {"runMoveBy:", "runPaper:", "generateResourceList:", "processTextMarkup:", "viewPage:",
                               "unlinkColumn:", "applyStyle:"})
        EXPECT_TRUE(view_->respondsToSelector(action)) << action;
    // The document runs its move-by panel.
    view_->performSelector("runMoveBy:", nullptr);
    EXPECT_EQ(registry_.moveBy_.runs, 1);
}

// Dark pixels of the window in the rectangle (view coordinates): the caret
// of a turned column is antialiased.
int darkPixels(const kit::Window& window, const PageView& view, const kit::Rect& rect)
{
    const kit::RasterContext& image = window.graphicsContext();
    const kit::Rect base = view.convertRectToView(rect, nullptr);
    int dark = 0;
    for (int y = std::max(0, image.height() - int(std::ceil(kit::maxY(base))) - 1);
         y < std::min(image.height(), image.height() - int(std::floor(kit::minY(base))) + 1); ++y)
        for (int x = std::max(0, int(std::floor(kit::minX(base))) - 1);
             x < std::min(image.width(), int(std::ceil(kit::maxX(base))) + 1); ++x)
            dark += (image.pixel(x, y) & 0xFF) < 0x60;
    return dark;
}

TEST_F(CanvasTest, TheCaretOfATurnedColumnStandsAlongItsTurnedLines)
{
    window_->makeKeyWindow();
    ASSERT_TRUE(view_->zoomTo(1.0f));
    // A quarter turn: the column's lines run down the page.
    rotateBy({first_}, 90.0f, false);
    ASSERT_TRUE(first_->isTransformed());
    document_->notifyUpdate(nullptr, static_cast<const std::vector<kit::Object*>*>(nullptr));
    first_->beginEditing(nullptr, view_);
    type(flow_, "Caret");
    caretAt(0, 0, 2);
    const textPoint point{0, 0, 2};
    view_->moveCursorToTextPoint(&point, first_, true);
    ASSERT_TRUE(view_->isCursorDrawn());
    const kit::Rect caret = view_->textCursorRect();
    // Lying across the view, as long as the upright caret is high.
    EXPECT_GT(kit::width(caret), 4 * kit::height(caret)) << kit::stringFromRect(caret);
    view_->scrollRectToVisible(kit::insetRect(caret, -50, -50));
    ASSERT_TRUE(kit::containsRect(view_->visibleRect(), caret));
    window_->displayIfNeeded();
    const int shown = darkPixels(*window_, *view_, caret);
    EXPECT_GE(shown, int(kit::width(caret)) - 2);
    repaint::Mismatch m = screenAgainstRepaint();
    EXPECT_FALSE(m.any()) << m.describe();
    // The blink takes it away.
    kit::Clock::advanceBy(PageView::BlinkInterval);
    kit::RunLoop::currentRunLoop().fireDueTimers(kit::DefaultRunLoopMode);
    window_->displayIfNeeded();
    EXPECT_EQ(darkPixels(*window_, *view_, caret), 0);
    m = screenAgainstRepaint();
    EXPECT_FALSE(m.any()) << m.describe();
}

TEST_F(CanvasTest, TheWindowsDelegateFollowsKeyMainResizeAndMiniaturise)
{
    view_->registerWindow();
    window_->makeKeyWindow();
    first_->beginEditing(nullptr, view_);
    type(flow_, "Caret");
    const textPoint end{0, 0, 5};
    caretAt(0, 0, 5);
    view_->moveCursorToTextPoint(&end, first_, true);
    window_->displayIfNeeded();
    const kit::Rect caret = view_->textCursorRect();
    const int shown = caretPixels(*window_, *view_, caret);
    ASSERT_GT(shown, 0);
    // Another window becomes key: the caret goes with the next display,
    // not with the next blink; the tracking rectangle goes too.
    kit::Window other(kit::makeRect(0, 0, 100, 100));
    other.makeKeyWindow();
    EXPECT_EQ(view_->trackingRectTag(), 0);
    window_->displayIfNeeded();
    EXPECT_EQ(caretPixels(*window_, *view_, caret), 0);
    window_->makeKeyWindow();
    EXPECT_NE(view_->trackingRectTag(), 0);
    window_->displayIfNeeded();
    EXPECT_EQ(caretPixels(*window_, *view_, caret), shown);

    // Main: the view becomes the main page view; miniaturised, none is.
    delegate_->setMainPageView(nullptr);
    other.makeMainWindow();
    window_->makeMainWindow();
    EXPECT_EQ(delegate_->mainPageView(), view_);
    window_->miniaturize();
    EXPECT_EQ(delegate_->mainPageView(), nullptr);

    // A resize by the user is held at 256 by 140 points at least, and the
    // view takes the document's canvas again.
    struct Case {
        kit::Size asked, frame;
    };
    for (const Case& c : {Case{{100, 100}, {256, 140}}, Case{{600, 100}, {600, 140}}, Case{{500, 400}, {500, 400}}}) {
        window_->resizeByUser(c.asked);
        EXPECT_EQ(window_->frame().size, c.frame);
    }
    EXPECT_EQ(view_->frame().size, document_->canvasSize());
    const repaint::Mismatch m = screenAgainstRepaint();
    EXPECT_FALSE(m.any()) << m.describe();
}

namespace {

// The delegate's services with pictures for miniaturised windows; it stands
// in for the delegate while it lives.
class PicturedServices : public PageWindowServices {
public:
    PicturedServices() : previous_(PageWindowServices::shared()) { PageWindowServices::setShared(this); }
    ~PicturedServices() override { PageWindowServices::setShared(previous_); }
    bool prefersEmbeddedTabRulers() const override { return false; }
    kit::Object* zoomPanel(bool) override { return nullptr; }
    kit::Object* tabsPanel(bool) override { return nullptr; }
    kit::Image* miniwindowImage() override { return plain.get(); }
    kit::Image* miniwindowImageH() override { return edited.get(); }

    static std::unique_ptr<kit::Image> solid(std::uint8_t grey)
    {
        auto rep = std::make_unique<kit::BitmapImageRep>(4, 4, kit::BitmapImageRep::ColorModel::Gray, false);
        std::fill_n(rep->bitmapData(), rep->bytesPerRow() * 4, grey);
        auto image = std::make_unique<kit::Image>(kit::makeSize(4, 4));
        image->addRepresentation(std::move(rep));
        return image;
    }

    std::unique_ptr<kit::Image> plain = solid(0x20), edited = solid(0xC0);

private:
    PageWindowServices* previous_;
};

// The grey of a window's miniwindow image; -1 for none.
int miniwindowGrey(const kit::Window& window)
{
    kit::Image* image = window.miniwindowImage();
    auto* rep = image ? dynamic_cast<kit::BitmapImageRep*>(image->bestRepresentationForDevice()) : nullptr;
    return rep ? int(rep->colorAt(1, 1) & 0xFF) : -1;
}

} // namespace

TEST_F(CanvasTest, AMiniaturisedWindowShowsThePictureForItsDocumentsEditedState)
{
    view_->registerWindow();
    // The delegate here has no pictures: the window keeps its icon.
    window_->miniaturize();
    EXPECT_EQ(miniwindowGrey(*window_), -1);

    PicturedServices services;
    struct Step {
        bool edited;
        int grey;
    } steps[] = {{false, 0x20}, {true, 0xC0}, {true, 0xC0}, {false, 0x20}};
    // The fixture's document has no view list, through which the document
    // would also mark its windows: its own flag is what counts here.
    for (const Step& s : steps) {
        document_->Document::setEdited(s.edited);
        ASSERT_EQ(document_->isEdited(), s.edited);
        window_->miniaturize();
        EXPECT_EQ(miniwindowGrey(*window_), s.grey) << s.edited;
    }

    // Without the picture for the state, the last one stays.
    services.edited.reset();
    document_->Document::setEdited(true);
    window_->miniaturize();
    EXPECT_EQ(miniwindowGrey(*window_), 0x20);

    // A window whose view has no document keeps its icon.
    kit::Window bare(kit::makeRect(0, 0, 300, 200));
    bare.setContentView(std::make_unique<PageView>(kit::makeRect(0, 0, 300, 200)));
    static_cast<PageView*>(bare.contentView())->registerWindow();
    bare.miniaturize();
    EXPECT_EQ(miniwindowGrey(bare), -1);
}

TEST_F(CanvasTest, ACopyDraggedFromAChainedColumnIsAnEmptyColumnOfItsOwn)
{
    type(flow_, "Chained text");
    const std::string before = text(flow_);
    document_->setSelection({first_}, view_);
    const kit::Point from = kit::makePoint(kit::midX(first_->frame()), kit::midY(first_->frame()));
    drag({inWindow(0, from), inWindow(0, kit::makePoint(from.x, from.y + 300))}, 0, kit::AlternateKeyMask);
    ASSERT_EQ(document_->selected().size(), 1u);
    auto* copy = dynamic_cast<TextItem*>(document_->selected().front());
    ASSERT_NE(copy, nullptr);
    ASSERT_NE(copy, first_);
    EXPECT_EQ(copy->nextColumn(), nullptr);
    EXPECT_EQ(copy->prevColumn(), nullptr);
    EXPECT_NE(copy->flow(), flow_);
    EXPECT_EQ(first_->nextColumn(), second_);
    EXPECT_EQ(text(flow_), before);
    ASSERT_NE(copy->flow(), nullptr);
    EXPECT_EQ(text(copy->flow()), "");
    const repaint::Mismatch m = screenAgainstRepaint();
    EXPECT_FALSE(m.any()) << m.describe();
}

} // namespace

// A text column added in the master layer is copied onto the pages; back in
// the pages layer, a click into a copy and three typed letters are measured
// and show in the window as a fresh repaint shows them, whether the master
// flows from page to page or each copy holds a text of its own.
TEST_F(CanvasTest, TextTypedIntoANewMastersCopyIsMeasuredAndShows)
{
    for (const bool automatic : {true, false}) {
        SCOPED_TRACE(automatic);
        ASSERT_TRUE(document_->setEditingLayer(LayoutDocument::MasterLayer));
        auto master = std::make_shared<TextItem>();
        master->setFrame(kit::makeRect(330, automatic ? 500 : 640, 200, 100), false);
        if (automatic)
            master->setAutoFlowText(true);
        else
            master->setManualFlowText(true);
        master->setMasterFlags(3);
        TextItem* raw = master.get();
        pages_[0]->addItems(master);
        for (Page* page : pages_)
            page->pushTextMaster(document_.get(), raw, false);
        ASSERT_TRUE(document_->setEditingLayer(LayoutDocument::PagesLayer));
        // The first page's copy: the head of an automatic master's chain,
        // a text of its own for a manual master.
        TextItem* copy = pages_[0]->copyOfMaster(raw);
        ASSERT_NE(copy, nullptr);
        EXPECT_EQ(copy->flow() == pages_[1]->copyOfMaster(raw)->flow(), automatic);
        document_->notifyUpdate(nullptr, static_cast<const std::vector<kit::Object*>*>(nullptr));
        window_->displayIfNeeded();

        // The window's pixels over the copy.
        const auto shownOverCopy = [&] {
            const kit::Rect frame = copy->frame();
            const kit::Point a = inWindow(0, frame.origin);
            const kit::Point b = inWindow(0, kit::makePoint(kit::maxX(frame), kit::maxY(frame)));
            const kit::RasterContext& shown = window_->graphicsContext();
            std::vector<std::uint32_t> pixels;
            const int top = std::max(0, shown.height() - int(std::max(a.y, b.y)));
            const int bottom = std::min(shown.height(), shown.height() - int(std::min(a.y, b.y)));
            const int left = std::max(0, int(std::min(a.x, b.x)));
            const int right = std::min(shown.width(), int(std::max(a.x, b.x)));
            for (int y = top; y < bottom; ++y)
                pixels.insert(pixels.end(), shown.scanLine(y) + left, shown.scanLine(y) + right);
            return pixels;
        };
        const std::vector<std::uint32_t> empty = shownOverCopy();
        ASSERT_FALSE(empty.empty());

        registry_.toolbar_.setActiveTool(registry_.toolbar_.textTool());
        click(inWindow(0, centre(copy)));
        ASSERT_TRUE(view_->isEditing());
        ASSERT_EQ(document_->activeTextItem(), copy);
        for (char c : std::string("abc"))
            key(char16_t(c));
        TextFlow* flow = copy->flow();
        EXPECT_EQ(text(flow), "abc");
        const TextWord* word = flow->firstParagraph()->wordList().front().get();
        EXPECT_GT(word->piece(0).width, 0.0f);
        EXPECT_GT(word->piece(0).screenWidth, 0.0f);
        const repaint::Mismatch m = screenAgainstRepaint();
        EXPECT_FALSE(m.any()) << m.describe();
        view_->endEditingIfNeeded();
        window_->displayIfNeeded();
        const std::vector<std::uint32_t> typed = shownOverCopy();
        ASSERT_EQ(typed.size(), empty.size());
        std::size_t changed = 0;
        for (std::size_t i = 0; i < typed.size(); ++i)
            changed += typed[i] != empty[i] ? 1 : 0;
        EXPECT_GT(changed, 0u);
        registry_.toolbar_.setActiveTool(registry_.toolbar_.selectTool());
    }
}

// Read-only is one flag, whichever class asks, and the window takes drops
// only while the document may change.
TEST_F(CanvasTest, AReadOnlyDocumentTakesNoDropsAndIsReadOnlyToEveryCaller)
{
    view_->registerWindow();
    ASSERT_FALSE(view_->registeredDraggedTypes().empty());
    const Document& base = *document_;
    document_->setReadOnly(true);
    EXPECT_TRUE(base.isReadOnly());
    EXPECT_TRUE(document_->isReadOnly());
    EXPECT_TRUE(view_->registeredDraggedTypes().empty());
    document_->setReadOnly(false);
    EXPECT_FALSE(base.isReadOnly());
    EXPECT_FALSE(view_->registeredDraggedTypes().empty());
}
