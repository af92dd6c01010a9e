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
#include "document/UndoInfo.h"
#include "foundation/Preferences.h"
#include "items/ItemBox.h"
#include "platform/appkit/tests/FreshRepaint.h"
#include "view/LayvaneTool.h"
#include "view/PanelToolbar.h"

#include <cmath>
#include <functional>
#include <limits>

namespace {

class ToolbarRegistry : public DocumentPanels {
public:
    ToolPalette* toolbar() override { return &toolbar_; }
    PanelToolbar toolbar_;
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
    EXPECT_TRUE(view_->writeSelectionToPasteboard(pboard, {kit::TIFFPboardType, kit::StringPboardType}));
    EXPECT_EQ(pboard.types(), std::vector<std::string>{kit::StringPboardType});
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

} // namespace
