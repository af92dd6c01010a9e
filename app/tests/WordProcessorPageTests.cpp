// What a word-processor page shows of the document's fixed guides, and what
// it snaps to and picks up; and the plain clicks of the word processor's
// mouse-down.

#include "WordProcessorFixture.h"

#include "app/ScrivlyDocument.h"
#include "appkit/RunLoop.h"
#include "appkit/View.h"
#include "appkit/Window.h"
#include "core/MainQueue.h"
#include "document/CanvasView.h"
#include "document/DocumentPanels.h"
#include "document/Guide.h"
#include "document/Page.h"
#include "document/UndoInfo.h"
#include "foundation/CMGeometry.h"
#include "foundation/Paint.h"
#include "graphics/RecordingContext.h"
#include "items/TextItem.h"
#include "text/DocumentView.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextWordSpecial.h"
#include "view/PageView.h"
#include "view/PanelToolbar.h"
#include "view/PageScrollView.h"
#include "view/RulerViewInset.h"
#include "panels/PanelTabs.h"

#include <algorithm>
#include <set>

namespace {

// A header or footer frame in the first page's main text, from that page on.
TextItem* addMarkedFrame(ScrivlyDocument& document, bool header)
{
    TextFlow* flow = document.mainTextItemForPage(document.pageAt(0))->flow();
    auto* marker = dynamic_cast<TextWordSpecial*>(
        flow->currentParagraph()->addSpecialWord(header ? TextWordHeaderMarker : TextWordFooterMarker));
    if (!marker)
        return nullptr;
    auto frame = std::make_shared<TextItem>();
    frame->setFrame(header ? kit::makeRect(72, 36, 468, 34) : kit::makeRect(72, 722, 468, 34), false);
    marker->setObjectReference(std::shared_ptr<kit::Object>(frame));
    if (header)
        document.addHeader(marker);
    else
        document.addFooter(marker);
    frame->setMyMaster(marker);
    frame->setMasterFlags(3);
    flow->recomputeAll();
    return frame.get();
}

// The locations of the guide lines the page draws, one set per orientation:
// drawn for print, each line is a rectangle 0.005 thick at its location.
struct DrawnGuides {
    std::set<float> horizontal, vertical;
};

DrawnGuides drawnGuides(const Page& page)
{
    kit::RecordingContext recording;
    recording.setDrawingToScreen(false);
    const kit::Rect all = kit::makeRect(0, 0, page.pageRect().size.width, page.pageRect().size.height);
    page.drawGuidesInView(Paint::into(recording, 1.0f, all), all);
    DrawnGuides drawn;
    for (const kit::RecordedOp& op : recording.ops()) {
        if (op.name != "rectfill")
            continue;
        for (std::size_t i = 0; i + 3 < op.numbers.size(); i += 4) {
            const float x = op.numbers[i], y = op.numbers[i + 1], w = op.numbers[i + 2], h = op.numbers[i + 3];
            if (h < 0.01f)
                drawn.horizontal.insert(y);
            else if (w < 0.01f)
                drawn.vertical.insert(x);
        }
    }
    return drawn;
}

// The eight fixed guides, each with points near it that only it can reach:
// a point to snap (within 4 points), and a point to pick it up (within 2).
struct Probe {
    int slot;
    float location;
    float snapFrom;
    float hitAt;
};
constexpr Probe probes[] = {
    {ScrivlyDocument::HeaderTopSlot, 36, 35, 36},     {ScrivlyDocument::FooterBottomSlot, 756, 757, 756},
    {ScrivlyDocument::TopMarginSlot, 72, 75, 73},     {ScrivlyDocument::BottomMarginSlot, 720, 717, 719},
    {ScrivlyDocument::LeftMarginSlot, 72, 73, 72},    {ScrivlyDocument::RightMarginSlot, 540, 539, 540},
    {ScrivlyDocument::HeaderBottomSlot, 70, 67, 69},  {ScrivlyDocument::FooterTopSlot, 722, 725, 723},
};

bool isVertical(int slot) { return slot == ScrivlyDocument::LeftMarginSlot || slot == ScrivlyDocument::RightMarginSlot; }

} // namespace

// A page draws, snaps to and picks up exactly the guides that apply to it:
// the margins always, the header's and the footer's only where the page has
// one.
TEST_F(WordProcessorTest, APageDrawsSnapsToAndPicksUpOnlyTheGuidesThatApplyToIt)
{
    const std::set<int> margins = {ScrivlyDocument::TopMarginSlot, ScrivlyDocument::BottomMarginSlot,
                                   ScrivlyDocument::LeftMarginSlot, ScrivlyDocument::RightMarginSlot};
    const std::set<int> header = {ScrivlyDocument::HeaderTopSlot, ScrivlyDocument::HeaderBottomSlot};
    const std::set<int> footer = {ScrivlyDocument::FooterTopSlot, ScrivlyDocument::FooterBottomSlot};
    struct Case {
        const char* name;
        bool header, footer;
        int firstPageNumber;
    } cases[] = {
        {"plain page", false, false, 1},
        {"with a header", true, false, 1},
        {"with a footer", false, true, 1},
        {"with both", true, true, 1},
        {"with both, numbered from 5", true, true, 5},
    };
    const float zoom = CMZoomStatus;
    CMZoomStatus = 1.0f;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScrivlyDocument* document = newDocument();
        ASSERT_NE(document, nullptr);
        document->setShowGuides(true);
        ASSERT_TRUE(document->setFirstPageNum(c.firstPageNumber));
        if (c.header) {
            ASSERT_NE(addMarkedFrame(*document, true), nullptr);
        }
        if (c.footer) {
            ASSERT_NE(addMarkedFrame(*document, false), nullptr);
        }
        Page* page = document->pageAt(0);
        std::set<int> applies = margins;
        if (c.header)
            applies.insert(header.begin(), header.end());
        if (c.footer)
            applies.insert(footer.begin(), footer.end());

        const DrawnGuides drawn = drawnGuides(*page);
        std::set<float> horizontal, vertical;
        for (int slot : applies)
            (isVertical(slot) ? vertical : horizontal).insert(document->locationAt(slot));
        EXPECT_EQ(drawn.horizontal, horizontal);
        EXPECT_EQ(drawn.vertical, vertical);

        const kit::Point origin = page->pageRect().origin;
        for (const Probe& p : probes) {
            SCOPED_TRACE(p.slot);
            ASSERT_FLOAT_EQ(document->locationAt(p.slot), p.location);
            const bool listed = applies.count(p.slot) != 0;
            const bool vertical = isVertical(p.slot);
            // A point snaps to the guide only where the guide applies.
            kit::Point point = vertical ? kit::makePoint(p.snapFrom, 300) : kit::makePoint(300, p.snapFrom);
            const int mask = page->snapPointToGuides(&point);
            EXPECT_EQ(mask, listed ? (vertical ? 1 : 2) : 0);
            EXPECT_FLOAT_EQ(vertical ? point.x : point.y, listed ? p.location : p.snapFrom);

            // So does a frame dragged with its edge near the guide.
            TextItem box;
            box.setFrame(vertical ? kit::makeRect(p.snapFrom, 300, 20, 20) : kit::makeRect(200, p.snapFrom, 20, 20),
                         false);
            kit::Point offset{};
            const int itemMask = page->snapItemsToGuides({&box}, &offset, nullptr);
            EXPECT_EQ(itemMask, listed ? (vertical ? 1 : 2) : 0);
            EXPECT_FLOAT_EQ(vertical ? offset.x : offset.y, listed ? p.location - p.snapFrom : 0.0f);

            // A click picks up the guide only where the guide applies.
            const kit::Point at = vertical ? kit::makePoint(origin.x + p.hitAt, origin.y + 300)
                                           : kit::makePoint(origin.x + 300, origin.y + p.hitAt);
            EXPECT_EQ(page->hitGuideAt(at, nullptr), listed ? document->guideAt(p.slot) : nullptr);
        }
    }
    CMZoomStatus = zoom;
}

// A layout document's pages still draw and snap to every master guide.
TEST_F(WordProcessorTest, ALayoutDocumentsPagesStillUseEveryMasterGuide)
{
    LayoutDocument document;
    document.setPageSize(kit::makeSize(612, 792));
    document.setFirstPageNum(1);
    document.setMasterPage(std::make_unique<Page>());
    ASSERT_TRUE(document.addPages(1, 0));
    Page* page = document.pageAt(0);
    page->setSize(kit::makeSize(612, 792));
    page->setRect(kit::makeRect(0, 0, 612, 792));
    for (const Probe& p : probes)
        document.addMasterGuide(std::make_unique<Guide>(p.location, isVertical(p.slot) ? Guide::Vertical : Guide::Horizontal));
    ASSERT_EQ(document.guidesForPage(page).size(), 8u);

    const DrawnGuides drawn = drawnGuides(*page);
    EXPECT_EQ(drawn.horizontal, (std::set<float>{36, 70, 72, 720, 722, 756}));
    EXPECT_EQ(drawn.vertical, (std::set<float>{72, 540}));

    const float zoom = CMZoomStatus;
    CMZoomStatus = 1.0f;
    for (const Probe& p : probes) {
        SCOPED_TRACE(p.slot);
        const bool vertical = isVertical(p.slot);
        kit::Point point = vertical ? kit::makePoint(p.snapFrom, 300) : kit::makePoint(300, p.snapFrom);
        EXPECT_EQ(page->snapPointToGuides(&point), vertical ? 1 : 2);
        EXPECT_FLOAT_EQ(vertical ? point.x : point.y, p.location);
    }
    CMZoomStatus = zoom;
}

namespace {

// The panels of a running program, with the toolbar's tools.
class ToolbarPanels : public DocumentPanels {
public:
    ToolPalette* toolbar() override
    {
        ++asked;
        return &toolbar_;
    }
    PanelToolbar toolbar_;
    int asked = 0;
};

} // namespace

// A plain click, the button going up at once, in the main text puts the caret
// there, whether the click goes straight to the text or through the
// toolbar's text tool, and whether text was being edited or not.
TEST_F(WordProcessorTest, APlainClickInTheMainTextPutsTheCaretThere)
{
    struct Case {
        const char* name;
        bool toolbar, editing;
    } cases[] = {
        {"no toolbar, not editing", false, false},
        {"no toolbar, editing", false, true},
        {"text tool, not editing", true, false},
        {"text tool, editing", true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ToolbarPanels panels;
        DocumentPanels::setShared(c.toolbar ? &panels : nullptr);
        ScrivlyDocument* document = newDocument();
        ASSERT_NE(document, nullptr);
        typeText(*document, "Hello world");
        Page* page = document->pageAt(0);
        DocumentView* view = document->mainView();
        auto* canvas = dynamic_cast<CanvasView*>(view);
        auto* shown = dynamic_cast<kit::View*>(view);
        ASSERT_NE(canvas, nullptr);
        ASSERT_NE(shown, nullptr);
        if (c.editing) {
            // Editing, with the caret at the end of the text.
            if (!view->isEditing())
                document->toggleTextEditing(view);
            ASSERT_TRUE(view->isEditing());
        } else {
            view->endEditingIfNeeded();
            ASSERT_FALSE(view->isEditing());
        }

        // Between "Hello " and "world" (Times-Roman 12: "Hello " is 29.7
        // points wide), on the first line.
        kit::Application& app = kit::Application::sharedApplication();
        const int window = view->window()->windowNumber();
        const kit::Point base = shown->convertPointToView(
            kit::makePoint(page->pageRect().origin.x + 72 + 30.5f, page->pageRect().origin.y + 72 + 6), nullptr);
        app.postEvent(kit::Event::mouseEventWithType(kit::EventType::LeftMouseUp, base, 0, kit::Clock::now(), window),
                      false);
        document->mouseDown(
            kit::Event::mouseEventWithType(kit::EventType::LeftMouseDown, base, 0, kit::Clock::now(), window), canvas);

        EXPECT_EQ(panels.asked > 0, c.toolbar);
        EXPECT_TRUE(view->isEditing());
        EXPECT_EQ(document->activeTextItem(), document->mainTextItemForPage(page));
        // What is typed next goes in at the caret.
        EXPECT_TRUE(document->keyDown(key(u"X"), canvas));
        EXPECT_EQ(textOf(*document), "Hello Xworld\n");

        // A plain click in the page's margin, beside the text, ends editing.
        const kit::Point margin = shown->convertPointToView(
            kit::makePoint(page->pageRect().origin.x + 20, page->pageRect().origin.y + 300), nullptr);
        app.postEvent(kit::Event::mouseEventWithType(kit::EventType::LeftMouseUp, margin, 0, kit::Clock::now(), window),
                      false);
        document->mouseDown(
            kit::Event::mouseEventWithType(kit::EventType::LeftMouseDown, margin, 0, kit::Clock::now(), window), canvas);
        EXPECT_FALSE(view->isEditing());
        EXPECT_EQ(document->activePage(), page);
    }
    DocumentPanels::setShared(nullptr);
}

// A header that starts on the second page gives its guides to that page, not
// to the first.
TEST_F(WordProcessorTest, AHeaderFromTheSecondPageOnShowsItsGuidesOnlyThere)
{
    ScrivlyDocument* document = newDocument();
    ASSERT_NE(document, nullptr);
    std::string text;
    for (int i = 0; i < 1000; ++i)
        text += "words ";
    typeText(*document, text);
    ASSERT_GE(document->numPages(), 2);
    ASSERT_NE(addMarkedFrame(*document, true), nullptr);
    ASSERT_EQ(document->headerItemForPageNumber(1), nullptr);
    ASSERT_NE(document->headerItemForPageNumber(2), nullptr);

    const DrawnGuides first = drawnGuides(*document->pageAt(0));
    const DrawnGuides second = drawnGuides(*document->pageAt(1));
    EXPECT_EQ(first.horizontal, (std::set<float>{72, 720}));
    EXPECT_EQ(second.horizontal, (std::set<float>{36, 70, 72, 720}));
    EXPECT_EQ(first.vertical, (std::set<float>{72, 540}));
    EXPECT_EQ(second.vertical, (std::set<float>{72, 540}));
}

// Undo of a margin dragged in the page (below the text) gives the main text its width back,
// as the drag gave it the new one; redo gives the new one again.
TEST_F(WordProcessorTest, UndoOfAMarginDragGivesTheTextItsWidthBack)
{
    // A window that shows the whole first page.
    delegate_->preferences()->setWindowFrame(kit::makeRect(0, 0, 900, 1000));
    delegate_->preferences()->setZoom(0.5f);
    ScrivlyDocument* document = newDocument();
    ASSERT_NE(document, nullptr);
    document->setShowGuides(true);
    typeText(*document, "Some words");
    Page* page = document->pageAt(0);
    DocumentView* view = document->mainView();
    view->endEditingIfNeeded();
    auto* canvas = dynamic_cast<CanvasView*>(view);
    auto* shown = dynamic_cast<kit::View*>(view);
    ASSERT_NE(canvas, nullptr);
    ASSERT_NE(shown, nullptr);
    const float width = document->mainTextItemForPage(page)->frame().size.width;
    const float right = document->rightMargin();
    kit::Application& app = kit::Application::sharedApplication();
    const int window = view->window()->windowNumber();
    const auto at = [&](float x, float y) {
        return shown->convertPointToView(kit::makePoint(page->pageRect().origin.x + x, page->pageRect().origin.y + y),
                                         nullptr);
    };
    for (float x : {right - 20, right - 40})
        app.postEvent(kit::Event::mouseEventWithType(kit::EventType::LeftMouseDragged, at(x, 780), 0,
                                                     kit::Clock::now(), window),
                      false);
    app.postEvent(kit::Event::mouseEventWithType(kit::EventType::LeftMouseUp, at(right - 40, 780), 0, kit::Clock::now(),
                                                 window),
                  false);
    document->mouseDown(
        kit::Event::mouseEventWithType(kit::EventType::LeftMouseDown, at(right, 780), 0, kit::Clock::now(), window),
        canvas);
    ASSERT_FLOAT_EQ(document->rightMargin(), right - 40);
    ASSERT_FLOAT_EQ(document->mainTextItemForPage(page)->frame().size.width, width - 40);
    ASSERT_TRUE(document->undoInfo()->undo());
    EXPECT_FLOAT_EQ(document->rightMargin(), right);
    EXPECT_FLOAT_EQ(document->mainTextItemForPage(page)->frame().size.width, width);
    ASSERT_TRUE(document->undoInfo()->redo());
    EXPECT_FLOAT_EQ(document->mainTextItemForPage(page)->frame().size.width, width - 40);
}

// Unlock All leaves the pages' copies of the master columns locked: the
// word processor keeps them where the masters put them (a moved copy would
// come back at the master's place when the document is opened again).
TEST_F(WordProcessorTest, UnlockAllLeavesTheMainTextLocked)
{
    ScrivlyDocument* document = newDocument();
    ASSERT_NE(document, nullptr);
    Page* page = document->pageAt(0);
    TextItem* main = document->mainTextItemForPage(page);
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(main->isLocked());
    auto* view = dynamic_cast<PageView*>(document->mainView());
    ASSERT_NE(view, nullptr);
    view->endEditingIfNeeded();
    document->setActivePage(page);
    const int records = document->undoInfo()->count();
    view->unlockAll(nullptr);
    EXPECT_TRUE(main->isLocked());
    EXPECT_TRUE(document->selected().empty());
    EXPECT_EQ(document->undoInfo()->count(), records);
}

// A guide pulled out of the vertical ruler through the window's events lands
// on the page where the mouse goes up; released before the page view, the
// drag leaves nothing. The word processor answers NO to every new guide, which
// keeps its margins from being picked up but must not stop the user's own.
TEST_F(WordProcessorTest, AGuidePulledOutOfTheVerticalRulerLandsOnThePage)
{
    delegate_->preferences()->setWindowFrame(kit::makeRect(0, 0, 900, 1000));
    delegate_->preferences()->setZoom(0.5f);
    ScrivlyDocument* document = newDocument();
    ASSERT_NE(document, nullptr);
    auto* view = dynamic_cast<PageView*>(document->mainView());
    ASSERT_NE(view, nullptr);
    view->endEditingIfNeeded();
    auto* scroll = dynamic_cast<PageScrollView*>(view->enclosingScrollView());
    ASSERT_NE(scroll, nullptr);
    if (!scroll->verticalRulerIsVisible())
        scroll->toggleRulers(nullptr);
    scroll->tile();
    kit::Window* window = view->window();
    window->display();
    RulerViewInset* ruler = scroll->verticalRuler();
    ASSERT_NE(ruler, nullptr);
    Page* page = document->pageAt(0);
    const std::size_t guides = page->guides().size();
    const int records = document->undoInfo()->count();
    kit::Application& app = kit::Application::sharedApplication();
    const auto onPage = [&](float x, float y) {
        return view->convertPointToView(kit::makePoint(page->pageRect().origin.x + x, page->pageRect().origin.y + y),
                                        nullptr);
    };
    const auto post = [&](kit::EventType type, kit::Point at) {
        app.postEvent(kit::Event::mouseEventWithType(type, at, 0, kit::Clock::now(), window->windowNumber()), false);
    };
    const kit::Point target = onPage(200, 300);
    const float rulerX = ruler->convertPointToView(kit::makePoint(ruler->bounds().size.width / 2, 0), nullptr).x;
    const kit::Point start = kit::makePoint(rulerX, target.y);
    ASSERT_EQ(window->contentView()->hitTest(start), ruler);

    // Released over the ruler itself: nothing.
    post(kit::EventType::LeftMouseDragged, kit::makePoint(rulerX, target.y + 10));
    post(kit::EventType::LeftMouseUp, kit::makePoint(rulerX, target.y + 10));
    window->sendEvent(kit::Event::mouseEventWithType(kit::EventType::LeftMouseDown, start, 0, kit::Clock::now(),
                                                     window->windowNumber()));
    EXPECT_EQ(page->guides().size(), guides);
    EXPECT_EQ(document->undoInfo()->count(), records);

    post(kit::EventType::LeftMouseDragged, onPage(100, 300));
    post(kit::EventType::LeftMouseDragged, target);
    post(kit::EventType::LeftMouseUp, target);
    window->sendEvent(kit::Event::mouseEventWithType(kit::EventType::LeftMouseDown, start, 0, kit::Clock::now(),
                                                     window->windowNumber()));
    ASSERT_EQ(page->guides().size(), guides + 1);
    const Guide* made = page->guides().back().get();
    EXPECT_EQ(made->orientation(), Guide::Vertical);
    EXPECT_NEAR(made->location(), 200.0f, 2.0f);
    EXPECT_EQ(document->undoInfo()->count(), records + 1);
    ASSERT_TRUE(document->undoInfo()->undo());
    EXPECT_EQ(page->guides().size(), guides);
}

// The tab ruler above the page, through the window's events while the text is
// edited: a click in the strip along its lower edge adds a stop there; a stop
// dragged down onto the page stays (only the left end takes it off) and
// dragged off the left end it goes; a click higher up, on no marker, adds
// nothing.
TEST_F(WordProcessorTest, TheTabRulerAddsAStopInItsStripAndLosesItOffTheLeftEnd)
{
    delegate_->preferences()->setWindowFrame(kit::makeRect(0, 0, 900, 1000));
    delegate_->preferences()->setZoom(1.0f);
    PanelTabs::initialize();
    PanelTabs::resetWorkingState();
    ScrivlyDocument* document = newDocument();
    ASSERT_NE(document, nullptr);
    typeText(*document, "Some words");
    auto* view = dynamic_cast<PageView*>(document->mainView());
    ASSERT_NE(view, nullptr);
    auto* scroll = dynamic_cast<PageScrollView*>(view->enclosingScrollView());
    ASSERT_NE(scroll, nullptr);
    if (!scroll->horizontalRulerIsVisible())
        scroll->toggleRulers(nullptr);
    scroll->tile();
    kit::Window* window = view->window();
    RulerViewInset* ruler = scroll->horizontalRuler();
    ASSERT_NE(ruler, nullptr);
    ASSERT_TRUE(ruler->isEmbeddedTabRuler());
    TextFlow* flow = document->mainTextItemForPage(document->pageAt(0))->flow();
    document->mainTextItemForPage(document->pageAt(0))->beginEditing(nullptr, view);
    window->display();
    kit::Application& app = kit::Application::sharedApplication();
    const auto post = [&](kit::EventType type, kit::Point at) {
        app.postEvent(kit::Event::mouseEventWithType(type, at, 0, kit::Clock::now(), window->windowNumber()), false);
    };
    const auto press = [&](kit::Point at) {
        window->sendEvent(kit::Event::mouseEventWithType(kit::EventType::LeftMouseDown, at, 0, kit::Clock::now(),
                                                         window->windowNumber()));
    };
    const auto stops = [&] { return flow->currentParagraph()->paragraphStyle()->tabs().size(); };
    const float zero = static_cast<float>(ruler->tabZero());
    const auto at = [&](float x, float y) { return ruler->convertPointToView(kit::makePoint(zero + x, y), nullptr); };
    ASSERT_EQ(window->contentView()->hitTest(at(200, 5)), ruler);

    post(kit::EventType::LeftMouseUp, at(200, 5));
    press(at(200, 5));
    ASSERT_EQ(stops(), 1u);
    post(kit::EventType::LeftMouseDragged, at(200, -40));
    post(kit::EventType::LeftMouseUp, at(200, -40));
    press(at(201, 5));
    EXPECT_EQ(stops(), 1u);
    post(kit::EventType::LeftMouseDragged, at(-30, 5));
    post(kit::EventType::LeftMouseUp, at(-30, 5));
    press(at(201, 5));
    EXPECT_EQ(stops(), 0u);
    for (float y : {20.0f, 25.0f}) {
        post(kit::EventType::LeftMouseUp, at(300, y));
        press(at(300, y));
        EXPECT_EQ(stops(), 0u) << y;
    }
}

// Select All and a delete over several pages drops the automatic pages; the
// letters typed next go in at once, at the caret the page shows, through the
// page view's own key route.
TEST_F(WordProcessorTest, TypingAfterSelectAllAndDeleteOverSeveralPagesGoesInAtTheCaret)
{
    enum class Way { Backspace, DeleteCommand, Cut };
    const struct Case {
        const char* name;
        Way way;
    } cases[] = {
        {"Backspace", Way::Backspace},
        {"Edit > Delete", Way::DeleteCommand},
        {"Edit > Cut", Way::Cut},
    };
    std::string words;
    for (int i = 0; i < 1000; ++i)
        words += "word ";
    kit::RunLoop& loop = kit::RunLoop::currentRunLoop();
    // What the program does between keys: posted work, due timers, the idle
    // layout (the caret's blink keeps a timer due: a few rounds).
    auto settle = [&] {
        for (int i = 0; i < 4; ++i) {
            kit::Clock::advanceBy(0.7);
            if (kit::MainQueue::drain() + loop.fireDueTimers(kit::DefaultRunLoopMode) == 0)
                break;
        }
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // File > New as the user gives it: the window shown, the page view
        // taking the keys.
        auto* document = dynamic_cast<ScrivlyDocument*>(delegate_->new_(true));
        ASSERT_NE(document, nullptr);
        typeText(*document, words);
        ASSERT_GE(document->numPages(), 2);
        auto* view = dynamic_cast<PageView*>(document->mainView());
        ASSERT_NE(view, nullptr);
        kit::Window* window = view->window();
        ASSERT_NE(window, nullptr);
        auto press = [&](const std::u16string& characters) {
            window->sendEvent(key(characters));
            settle();
        };

        view->selectAll(nullptr);
        settle();
        ASSERT_TRUE(view->isEditing());
        switch (c.way) {
        case Way::Backspace: press(std::u16string(1, kit::BackspaceCharacter)); break;
        case Way::DeleteCommand: view->delete_(nullptr); break;
        case Way::Cut: view->cut(nullptr); break;
        }
        settle();
        EXPECT_EQ(document->numPages(), 1);
        press(u"A");
        press(u"b");
        EXPECT_EQ(textOf(*document), "Ab\n");

        // The caret's column is the document's active text, on a page of
        // the document, and the caret is shown there.
        TextItem* active = document->activeTextItem();
        ASSERT_NE(active, nullptr);
        EXPECT_FALSE(active->isDisconnected());
        EXPECT_NE(document->indexOfPage(active->page()), LayoutDocument::PageNotFound);
        EXPECT_EQ(document->activePage(), active->page());
        EXPECT_TRUE(view->isEditing());
        EXPECT_TRUE(view->isTextCursorShown());
        document->setEdited(false);
        delegate_->removeDocument(document);
    }
}

// The application's main view is a view a window owns: once the view is
// gone, nothing reaches it through the application.
TEST_F(WordProcessorTest, TheMainViewReadsNilOnceTheViewIsGone)
{
    ASSERT_NE(newDocument(), nullptr);
    auto spare = std::make_unique<PageView>(kit::makeRect(0, 0, 200, 200));
    delegate_->setMainPageView(spare.get());
    ASSERT_EQ(delegate_->mainPageView(), spare.get());
    spare.reset();
    EXPECT_EQ(delegate_->mainPageView(), nullptr);
    EXPECT_EQ(delegate_->mainDocumentView(), nullptr);
    // File > New ends the main view's editing first.
    EXPECT_NE(newDocument(), nullptr);
}
