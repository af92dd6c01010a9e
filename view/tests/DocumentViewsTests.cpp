// A document shown in several page views: every change reaches every view,
// held-back announcements reach none, and the commands the document runs in
// its main view.

#include "EditingTestSupport.h"

#include "appkit/Event.h"
#include "appkit/EventScript.h"
#include "appkit/FilePanelHandler.h"
#include "appkit/Form.h"
#include "appkit/FormCell.h"
#include "appkit/PageLayout.h"
#include "core/Alert.h"
#include "graphics/PostScriptContext.h"
#include "graphics/PrintInfo.h"
#include "graphics/tests/WysiwygSupport.h"
#include "foundation/Paint.h"
#include "appkit/RunLoop.h"
#include "core/Alert.h"
#include "core/EventState.h"
#include "document/DocumentPanels.h"
#include "document/Undo.h"
#include "document/UndoInfo.h"
#include "foundation/StyleChar.h"
#include "items/ItemBox.h"
#include "platform/appkit/tests/FreshRepaint.h"

#include <QImage>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <limits>
#include <sstream>

namespace {

// The view logs what it is told, in the order the views are told.
class LoggingPageView : public RecordingPageView {
public:
    LoggingPageView(const kit::Rect& frame, std::vector<std::string>* log, std::string name)
        : RecordingPageView(frame), log_(log), name_(std::move(name))
    {
    }
    void notifyUpdateForRect(const kit::Rect& rect) override
    {
        log_->push_back(name_ + " rect");
        RecordingPageView::notifyUpdateForRect(rect);
    }
    void notifyUpdateForItems(const std::vector<kit::Object*>* items) override
    {
        log_->push_back(name_ + " items");
        RecordingPageView::notifyUpdateForItems(items);
    }
    bool drawSelf(const kit::Rect& rect, bool useRect, TextItem* from, TextItem* to, int fromParagraph,
                  int toParagraph) override
    {
        RecordingPageView::drawSelf(rect, useRect, from, to, fromParagraph, toParagraph);
        return finishes;
    }
    // Whether a text redraw runs to its end (typing cuts it short).
    bool finishes = true;
    void drawRect(const kit::Rect& rect) override
    {
        drawn.push_back(rect);
        RecordingPageView::drawRect(rect);
    }
    std::vector<kit::Rect> drawn;
    void notifyDocumentDidChangeSize(kit::Size size, bool redraw) override
    {
        log_->push_back(name_ + (redraw ? " size redraw" : " size"));
        RecordingPageView::notifyDocumentDidChangeSize(size, redraw);
    }

private:
    std::vector<std::string>* log_;
    std::string name_;
};

class MoveBy : public MoveByPanel {
public:
    int runModal() override
    {
        ++runs;
        const int answer = answers.empty() ? 0 : answers.front();
        if (!answers.empty())
            answers.erase(answers.begin());
        return answer;
    }
    void getX(float* px, float* py) const override { *px = x, *py = y; }
    std::vector<int> answers;
    float x = 0, y = 0;
    int runs = 0;
};

// A panel that remembers what it was told.
class RecordingPanel : public PagesPanel {
public:
    bool isVisible() const override { return visible; }
    void inspect(const std::vector<Item*>& selection) override { told.push_back("inspect " + std::to_string(selection.size())); }
    void updatePanel(LayoutDocument*) override { told.push_back("update"); }
    void setActivePage(Page*) override { told.push_back("active page"); }
    void notifyDocumentDidChangeSize() override { told.push_back("size"); }
    void redisplayContent() override { told.push_back("redisplay"); }
    bool visible = true;
    std::vector<std::string> told;
};

class Panels : public DocumentPanels {
public:
    MoveByPanel* moveByPanel(bool) override { return &moveBy; }
    DocumentPanel* inspectorPanel() override { return &inspector; }
    DocumentPanel* placementInspector() override { return &placement; }
    PagesPanel* pagesPanel(bool) override { return &pages; }
    MoveBy moveBy;
    RecordingPanel inspector, placement, pages;
};

class DocumentViewsTest : public EditingTest {
protected:
    void SetUp() override
    {
        EditingTest::SetUp();
        // A second window on the same document, 400 × 300 like the first.
        view2_ = addWindow(window2_, "second");
        DocumentPanels::setShared(&panels_);
    }
    LoggingPageView* addWindow(std::unique_ptr<kit::Window>& window, const std::string& name,
                               kit::Size size = {400, 300})
    {
        window = std::make_unique<kit::Window>(kit::makeRect(0, 0, size.width, size.height));
        auto scroll = std::make_unique<kit::ScrollView>(kit::makeRect(0, 0, size.width, size.height));
        auto view = std::make_unique<LoggingPageView>(kit::makeRect(0, 0, 0, 0), &log_, name);
        LoggingPageView* added = view.get();
        added->setFrameSize(document_->canvasSize());
        added->setDocument(document_.get());
        scroll->setDocumentView(std::move(view));
        window->setContentView(std::move(scroll));
        document_->addView(added);
        return added;
    }

    void TearDown() override
    {
        DocumentPanels::setShared(nullptr);
        if (document_)
            for (DocumentView* v : {static_cast<DocumentView*>(view2_), static_cast<DocumentView*>(view3_)})
                if (v)
                    document_->detachView(v);
        window3_.reset();
        window2_.reset();
        EditingTest::TearDown();
    }

    // Both windows shown at the top of the first page.
    void showFirstPage()
    {
        const kit::Point page = pages_[0]->pageRect().origin;
        for (PageView* v : {static_cast<PageView*>(view_), static_cast<PageView*>(view2_), static_cast<PageView*>(view3_)})
            if (v)
                v->scrollPoint(kit::makePoint(page.x + 40, page.y + 40));
        for (kit::Window* w : {window_.get(), window2_.get(), window3_.get()})
            if (w)
                w->display();
    }

    void pressKeys(const std::u16string& keys)
    {
        for (char16_t c : keys) {
            const std::u16string chars(1, c);
            for (kit::EventType type : {kit::EventType::KeyDown, kit::EventType::KeyUp})
                app_->postEvent(kit::Event::keyEventWithType(type, {}, 0, kit::Clock::now(), 0, chars, chars, false),
                                false);
        }
        while (auto e = app_->nextEventMatchingMask(kit::KeyDownMask, kit::Date::distantPast(),
                                                    kit::DefaultRunLoopMode, true))
            flow_->processKeyEvent(*e, view_, document_->activeTextItem());
        app_->discardEventsMatchingMask(kit::KeyUpMask, nullptr);
        kit::setCurrentEventModifierFlags(0);
    }

    std::unique_ptr<kit::Window> window2_, window3_;
    LoggingPageView* view2_ = nullptr;
    LoggingPageView* view3_ = nullptr;
    std::vector<std::string> log_;
    Panels panels_;
};

QImage imageOf(const kit::Window& window)
{
    const kit::RasterContext& r = window.graphicsContext();
    QImage image(r.width(), r.height(), QImage::Format_ARGB32);
    for (int y = 0; y < r.height(); ++y)
        for (int x = 0; x < r.width(); ++x)
            image.setPixel(x, y, r.pixel(x, y));
    return image;
}

// Typing in one of three views shows in all, the others repainting only
// the edited line's area, and each window then looks as the view painted
// afresh.
TEST_F(DocumentViewsTest, AnEditInOneViewShowsInEveryView)
{
    // A font with outlines, so that the text shows.
    font_ = kit::Font::fontWithName("Times-Roman", 12);
    ASSERT_NE(font_, nullptr);
    ASSERT_FALSE(font_->fontFilePath().empty()) << "the URW fonts are not installed";
    setFont(flow_);
    view3_ = addWindow(window3_, "third");
    showFirstPage();
    const QImage before1 = imageOf(*window_), before2 = imageOf(*window2_);
    first_->beginEditing(nullptr, view_);
    ASSERT_TRUE(first_->isEditing());
    pressKeys(u"shown ");
    window_->displayIfNeeded();
    window2_->displayIfNeeded();
    window3_->displayIfNeeded();
    view_->draws.clear();
    view2_->draws.clear();
    view2_->drawn.clear();
    view3_->drawn.clear();
    pressKeys(u"twice");
    EXPECT_EQ(text(flow_), "shown twice");
    window_->displayIfNeeded();
    window2_->displayIfNeeded();
    window3_->displayIfNeeded();
    // The other views repaint only the edited line's part of the column: a
    // small share of what they show.
    kit::Rect column = first_->frame();
    first_->convertToView(&column.origin);
    const kit::Rect reach = kit::insetRect(column, -4, -4);
    for (LoggingPageView* v : {view2_, view3_}) {
        ASSERT_FALSE(v->drawn.empty());
        float area = 0;
        for (const kit::Rect& r : v->drawn) {
            EXPECT_TRUE(kit::containsRect(reach, r)) << r.origin.x << ", " << r.origin.y;
            area += r.size.width * r.size.height;
        }
        EXPECT_LT(area, 0.1f * 400 * 300);
    }
    // (A fresh repaint draws the whole view: compared only now.)
    EXPECT_FALSE(repaint::compareWithFreshRepaint(*window3_, *view3_).any());
    // Each view was asked to redraw the column's text, within its area.
    for (RecordingPageView* v : {static_cast<RecordingPageView*>(view_), static_cast<RecordingPageView*>(view2_)}) {
        ASSERT_FALSE(v->draws.empty());
        for (const TextDraw& d : v->draws)
            EXPECT_TRUE(d.from == first_ || d.from == second_);
    }
    EXPECT_FALSE(repaint::compareWithFreshRepaint(*window_, *view_).any());
    EXPECT_FALSE(repaint::compareWithFreshRepaint(*window2_, *view2_).any());
    EXPECT_NE(imageOf(*window_), before1);
    EXPECT_NE(imageOf(*window2_), before2);
    // Both show the same page at the same place: the same picture.
    EXPECT_EQ(imageOf(*window_), imageOf(*window2_));
}

// Page 1 edited in one view, shown whole in another and printed through the
// PostScript writer: the screen and the print look alike.
TEST_F(DocumentViewsTest, APageEditedInOneViewPrintsAsTheOtherShowsIt)
{
    const std::string gs = wysiwyg::findProgram("gs");
    if (gs.empty())
        GTEST_SKIP() << "Ghostscript (gs) is not installed";
    wysiwyg::TempFolder folder;
    ASSERT_FALSE(folder.path().empty());
    font_ = kit::Font::fontWithName("Times-Roman", 12);
    ASSERT_NE(font_, nullptr);
    ASSERT_FALSE(font_->fontFilePath().empty()) << "the URW fonts are not installed";
    setFont(flow_);
    auto box = std::make_shared<ItemBox>();
    box->setFrame(kit::makeRect(100, 300, 200, 60), false);
    box->setHasFill(true);
    box->setFillColor(kit::Color::grayColor());
    pages_[0]->addItems(box);

    const kit::Rect page = pages_[0]->pageRect();
    view3_ = addWindow(window3_, "whole page", page.size);
    view3_->scrollPoint(page.origin);
    ASSERT_TRUE(kit::equalRects(view3_->visibleRect(), page));
    window3_->display();

    const auto print = [&] {
        kit::PostScriptContext ps;
        kit::PostScriptDocumentInfo info;
        info.title = "Page 1";
        ps.beginDocument(info);
        ps.beginPage("1", 1, kit::makeRect(0, 0, page.size.width, page.size.height));
        ps.translate(0, page.size.height);
        ps.scale(1, -1);
        ps.translate(-page.origin.x, -page.origin.y);
        EXPECT_TRUE(pages_[0]->drawSelfInView(Paint::into(ps, 1.0f, page), page));
        ps.endPage();
        ps.endDocument();
        EXPECT_EQ(ps.errorCount(), 0u) << ps.lastError();
        return wysiwyg::printedImage(gs, ps, folder.path(), int(page.size.width), int(page.size.height));
    };
    const QImage printedBefore = print();

    first_->beginEditing(nullptr, view_);
    pressKeys(u"A page edited in one view is shown in the other and printed alike.");
    view_->endEditingIfNeeded();
    window3_->displayIfNeeded();
    const QImage screen = wysiwyg::screenImage(window3_->graphicsContext());
    const QImage printed = print();
    ASSERT_FALSE(printed.isNull());
    const wysiwyg::Comparison c = wysiwyg::compare(printed, screen);
    EXPECT_TRUE(wysiwyg::matches(c)) << wysiwyg::describe(c) << "; images in "
                                     << wysiwyg::keepImages(folder, screen, c);
    EXPECT_GT(wysiwyg::inkOf(screen), 1000);
    // The page printed before the edit does not pass for it.
    EXPECT_FALSE(wysiwyg::matches(wysiwyg::compare(printedBefore, screen)));
}

// The active page's frame shows, and goes, in every view.
TEST_F(DocumentViewsTest, TheActivePageIsFramedInEveryView)
{
    const kit::Point origin = pages_[0]->pageRect().origin;
    for (PageView* v : {static_cast<PageView*>(view_), static_cast<PageView*>(view2_)})
        v->scrollPoint(kit::makePoint(origin.x - 20, origin.y - 20));
    document_->setActivePage(pages_[1]);
    window_->display();
    window2_->display();
    const QImage unframed = imageOf(*window2_);
    for (Page* page : {pages_[0], pages_[1]}) {
        document_->setActivePage(page);
        window_->displayIfNeeded();
        window2_->displayIfNeeded();
        EXPECT_FALSE(repaint::compareWithFreshRepaint(*window_, *view_).any());
        EXPECT_FALSE(repaint::compareWithFreshRepaint(*window2_, *view2_).any());
    }
    // Page 1 framed, then not again.
    document_->setActivePage(pages_[0]);
    window2_->displayIfNeeded();
    EXPECT_NE(imageOf(*window2_), unframed);
    document_->setActivePage(pages_[1]);
    window2_->displayIfNeeded();
    EXPECT_EQ(imageOf(*window2_), unframed);
}

// Announcements go to the view of the change first, then the others last
// to first; held back, they reach nobody, and the size still reaches all.
TEST_F(DocumentViewsTest, AnnouncementsReachEveryViewUnlessHeldBack)
{
    Item* box = nullptr;
    {
        auto item = std::make_shared<ItemBox>();
        item->setFrame(kit::makeRect(100, 400, 50, 50), false);
        box = item.get();
        pages_[0]->addItems(item);
    }
    std::vector<kit::Object*> changed{box};
    log_.clear();
    document_->notifyUpdate(view2_, &changed);
    EXPECT_EQ(log_, (std::vector<std::string>{"second items"}));
    ASSERT_EQ(view_->itemUpdates.size(), 1u);
    EXPECT_EQ(view_->itemUpdates[0], changed);

    document_->disableNotify();
    document_->disableNotify();
    document_->reenableNotify();
    EXPECT_TRUE(document_->isNotifyDisabled());
    log_.clear();
    view_->itemUpdates.clear();
    window_->display();
    window2_->display();
    document_->notifyUpdate(nullptr, &changed);
    document_->notifyUpdate(nullptr, kit::Rect{});
    document_->setShowGuides(true);
    // The canvas grows by a page: the views take its size, but repaint
    // nothing.
    ASSERT_TRUE(document_->addPages(1, 3));
    EXPECT_EQ(log_, (std::vector<std::string>{"second size"}));
    EXPECT_TRUE(view_->itemUpdates.empty());
    for (PageView* v : {static_cast<PageView*>(view_), static_cast<PageView*>(view2_)}) {
        EXPECT_EQ(v->frame().size.height, document_->canvasSize().height);
        EXPECT_FALSE(v->needsDisplayBelow());
    }
    // Released: nothing held back is sent afterwards; a third release keeps
    // the counter at 0.
    document_->reenableNotify();
    document_->reenableNotify();
    EXPECT_FALSE(document_->isNotifyDisabled());
    EXPECT_EQ(log_.size(), 1u);
    document_->disableNotify();
    EXPECT_TRUE(document_->isNotifyDisabled());
    document_->reenableNotify();

    // A switch that shows something repaints every view.
    log_.clear();
    document_->toggleShowGuides(nullptr);
    EXPECT_FALSE(document_->showGuides());
    EXPECT_EQ(log_, (std::vector<std::string>{"second rect"}));
    EXPECT_TRUE(view_->needsDisplayBelow() || view_->needsDisplay());
    document_->notifyDocumentDidChangeSize();
    EXPECT_EQ(log_.back(), "second size redraw");
}

// The panels that follow the document hear of changes while they show.
TEST_F(DocumentViewsTest, VisiblePanelsFollowTheDocument)
{
    RecordingPanel& inspector = panels_.inspector;
    document_->setSelection({first_}, view_);
    EXPECT_EQ(inspector.told.back(), "inspect 1");
    inspector.told.clear();
    inspector.visible = false;
    document_->notifyUpdate(view_, nullptr);
    EXPECT_TRUE(inspector.told.empty());

    panels_.placement.visible = false;
    document_->notifyUpdateUnits(view_);
    EXPECT_TRUE(panels_.placement.told.empty());
    panels_.placement.visible = true;
    document_->notifyUpdateUnits(view_);
    EXPECT_EQ(panels_.placement.told, (std::vector<std::string>{"update"}));

    document_->notifyUpdatePageNumber(view_);
    EXPECT_EQ(panels_.pages.told, (std::vector<std::string>{"redisplay", "active page"}));
    panels_.pages.told.clear();
    document_->notifyDocumentDidChangeSize();
    EXPECT_EQ(panels_.pages.told, (std::vector<std::string>{"size"}));

    // Held back: no panel hears anything.
    panels_.pages.told.clear();
    panels_.placement.told.clear();
    document_->disableNotify();
    document_->notifyUpdatePageNumber(view_);
    document_->notifyUpdateUnits(view_);
    document_->notifyDocumentDidChangeSize();
    document_->reenableNotify();
    EXPECT_TRUE(panels_.pages.told.empty());
    EXPECT_TRUE(panels_.placement.told.empty());

    // Without a registry every panel is nil, and the notices do nothing.
    DocumentPanels::setShared(nullptr);
    document_->notifyUpdatePageNumber(view_);
    document_->notifyUpdateUnits(view_);
    document_->setSelection({}, view_);
    DocumentPanels::setShared(&panels_);
}

// A burst of overlap handling redraws the page numbers once, shortly after.
TEST_F(DocumentViewsTest, OverlapsRedrawThePageNumbersOnceAfterABurst)
{
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(pages_[0]->handleOverlaps(nullptr, true));
    EXPECT_TRUE(panels_.pages.told.empty());
    for (int i = 0; i < 5; ++i) {
        kit::Clock::advanceBy(0.01);
        kit::RunLoop::currentRunLoop().runMode(kit::DefaultRunLoopMode, kit::Date::distantPast());
    }
    EXPECT_EQ(std::count(panels_.pages.told.begin(), panels_.pages.told.end(), "redisplay"), 1);
    // Without display nothing is scheduled.
    panels_.pages.told.clear();
    pages_[0]->handleOverlaps(nullptr, false);
    kit::Clock::advanceBy(0.01);
    kit::RunLoop::currentRunLoop().runMode(kit::DefaultRunLoopMode, kit::Date::distantPast());
    EXPECT_TRUE(panels_.pages.told.empty());
}

// Only a text redraw that ran to its end lets the other views follow.
TEST_F(DocumentViewsTest, AnUnfinishedTextRedrawHoldsTheOtherViewsBack)
{
    struct Case {
        bool finishes;
        TextItem* to;
        bool othersDraw;
        bool stored;
    } cases[] = {
        {true, nullptr, true, true},
        {false, nullptr, false, false},
    };
    for (const Case& c : cases) {
        view2_->finishes = c.finishes;
        view_->draws.clear();
        view2_->draws.clear();
        document_->notifyUpdate(view2_, kit::Rect{}, first_, c.to, 0, 0);
        EXPECT_EQ(view2_->draws.size(), 1u);
        EXPECT_EQ(!view_->draws.empty(), c.othersDraw) << c.finishes;
        EXPECT_EQ(document_->lastTextDrawFinished(), c.stored);
    }
    // A redraw up to a column does not say whether typing cut it short: the
    // flag stays as it was, and still holds the others back.
    view2_->finishes = true;
    view_->draws.clear();
    document_->notifyUpdate(view2_, kit::Rect{}, first_, second_, 0, 0);
    EXPECT_FALSE(document_->lastTextDrawFinished());
    EXPECT_TRUE(view_->draws.empty());
    // Held back, nobody draws.
    document_->disableNotify();
    view2_->draws.clear();
    document_->notifyUpdate(view2_, kit::Rect{}, first_, nullptr, 0, 0);
    EXPECT_TRUE(view2_->draws.empty());
    document_->reenableNotify();
}

// A moved item invalidates where it was and where it is, in every view.
TEST_F(DocumentViewsTest, AMoveRedrawsOnlyTheItemsAreasInEachView)
{
    showFirstPage();
    auto item = std::make_shared<ItemBox>();
    item->setFrame(kit::makeRect(100, 100, 40, 40), false);
    item->setHasFill(true);
    item->setFillColor(kit::Color::blackColor());
    Item* box = item.get();
    pages_[0]->addItems(item);
    document_->setSelection({box}, view_);
    window_->display();
    window2_->display();
    const QImage before = imageOf(*window2_);
    panels_.moveBy.answers = {MoveByPanel::OK};
    panels_.moveBy.x = 0.5f; // inches
    panels_.moveBy.y = 0.0f;
    document_->runMoveBy(nullptr);
    EXPECT_FLOAT_EQ(box->frame().origin.x, 136.0f);
    window2_->displayIfNeeded();
    EXPECT_FALSE(repaint::compareWithFreshRepaint(*window2_, *view2_).any());
    EXPECT_NE(imageOf(*window2_), before);
    // Undone, it is back.
    ASSERT_NE(document_->undoInfo(), nullptr);
    document_->undoInfo()->undo();
    EXPECT_FLOAT_EQ(box->frame().origin.x, 100.0f);

    // Offsets of nothing or of no number move nothing.
    for (float x : {0.0f, std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()}) {
        panels_.moveBy.answers = {MoveByPanel::OK};
        panels_.moveBy.x = x;
        document_->runMoveBy(nullptr);
        EXPECT_FLOAT_EQ(box->frame().origin.x, 100.0f);
    }
}

// Clone: a copy on top of its source moves, and the panel comes back from
// the run loop until the user ends it.
TEST_F(DocumentViewsTest, CloneAndRepeatComesBackUntilCancelled)
{
    auto item = std::make_shared<ItemBox>();
    item->setFrame(kit::makeRect(100, 100, 40, 40), false);
    Item* box = item.get();
    pages_[0]->addItems(item);
    document_->setSelection({box}, view_);
    const std::size_t count = pages_[0]->pageItems().size();
    panels_.moveBy.answers = {MoveByPanel::Clone, MoveByPanel::Clone, 0};
    panels_.moveBy.x = 1.0f;
    document_->runMoveBy(nullptr);
    EXPECT_EQ(panels_.moveBy.runs, 1);
    for (int i = 0; i < 10 && panels_.moveBy.runs < 3; ++i) {
        kit::Clock::advanceBy(0.01);
        kit::RunLoop::currentRunLoop().runMode(kit::DefaultRunLoopMode, kit::Date::distantPast());
    }
    EXPECT_EQ(panels_.moveBy.runs, 3);
    ASSERT_EQ(pages_[0]->pageItems().size(), count + 2);
    EXPECT_FLOAT_EQ(box->frame().origin.x, 100.0f);
    EXPECT_FLOAT_EQ(pages_[0]->pageItems().back()->frame().origin.x, 244.0f);
}

// The page layout and paper panels, answered as a user answers them: a new
// page size lays the pages out again and reaches both views; the paper
// command changes only the paper, and the shared settings end showing the
// page either way.
TEST_F(DocumentViewsTest, PageLayoutAndPaperPanelsRunFromTheDocument)
{
    const auto savedPrintInfo = kit::PrintInfo::sharedPrintInfo();
    kit::PrintInfo::setSharedPrintInfo(std::make_shared<kit::PrintInfo>());
    kit::PageLayout* panel = kit::PageLayout::pageLayout();
    std::shared_ptr<kit::Timer> typing;
    auto answer = [&](float width, float height, const std::u16string& key) {
        typing = kit::Timer::timerWithTimeInterval(
            0.05,
            [=](kit::Timer&) {
                panel->sizeForm()->cellAtIndex(0)->setFloatValue(width);
                panel->sizeForm()->cellAtIndex(1)->setFloatValue(height);
            },
            false);
        kit::RunLoop::currentRunLoop().addTimer(typing, kit::ModalPanelRunLoopMode);
        kit::EventScript(*panel).at(0.1).keyDown(key).schedule();
    };

    log_.clear();
    answer(595, 842, u"\r");
    document_->runPageLayout(nullptr);
    EXPECT_EQ(document_->pageSize().width, 595);
    EXPECT_EQ(pages_[2]->pageRect().size.height, 842);
    EXPECT_EQ(log_, (std::vector<std::string>{"second size redraw"}));
    EXPECT_EQ(view_->frame().size.width, document_->canvasSize().width);

    // Paper: Letter turned to landscape, then a cancelled change.
    answer(792, 612, u"\r");
    document_->runPaper(nullptr);
    EXPECT_EQ(document_->paperSize().width, 792);
    EXPECT_EQ(document_->paperSize().height, 612);
    EXPECT_EQ(document_->pageSize().width, 595);
    answer(100, 100, u"\x1b");
    document_->runPaper(nullptr);
    EXPECT_EQ(document_->paperSize().width, 792);
    const kit::PrintInfo& shared = *kit::PrintInfo::sharedPrintInfo();
    EXPECT_EQ(shared.paperSize().width, 595);
    EXPECT_EQ(shared.paperSize().height, 842);
    EXPECT_EQ(shared.orientation(), kit::PrintInfo::Orientation::Portrait);
    kit::PrintInfo::setSharedPrintInfo(savedPrintInfo);
}

TEST_F(DocumentViewsTest, TextEditingTogglesBackToTheLastFlowOrBeeps)
{
    document_->toggleTextEditing(view_);
    EXPECT_EQ(alerts_->beeps(), 1);
    EXPECT_FALSE(view_->isEditing());

    first_->beginEditing(nullptr, view_);
    ASSERT_TRUE(view_->isEditing());
    document_->toggleTextEditing(view_);
    EXPECT_FALSE(view_->isEditing());
    document_->toggleTextEditing(view_);
    EXPECT_TRUE(view_->isEditing());
    EXPECT_EQ(document_->activeTextItem(), first_);
}

// The report names the document's fonts; its path goes to the desktop's
// opener as it is, whatever it holds.
TEST_F(DocumentViewsTest, TheResourceReportIsSavedAndHandedOverAsAPath)
{
    type(flow_, "Some text");
    const std::string folder = kit::FileManager::uniqueTemporaryPath("report");
    ASSERT_TRUE(kit::FileManager::createDirectoryAtPath(folder));
    const std::string path = folder + "/a;b $(touch pwned).list";
    auto files = std::make_shared<kit::ScriptedFilePanelHandler>();
    files->pushAnswer({1, {path}, {}});
    auto previous = kit::setFilePanelHandler(files);
    std::vector<std::string> opened;
    auto savedOpener = LayoutDocument::fileOpener();
    LayoutDocument::fileOpener() = [&](const std::string& p) {
        opened.push_back(p);
        return true;
    };
    document_->generateResourceList(nullptr);
    LayoutDocument::fileOpener() = savedOpener;
    kit::setFilePanelHandler(previous);

    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], path);
    ASSERT_FALSE(files->shown().empty());
    EXPECT_EQ(files->shown()[0].requiredFileType, "list");
    std::ifstream in(path);
    std::stringstream report;
    report << in.rdbuf();
    EXPECT_NE(report.str().find("Pages:   3\n"), std::string::npos) << report.str();
    EXPECT_NE(report.str().find("Placed Graphics in this Document: NONE"), std::string::npos);
    EXPECT_NE(report.str().find("Fonts used in this document: (1 total)\n Fixed-Test\n"), std::string::npos);
    EXPECT_NE(report.str().find(" 10.00 pt Fixed-Test"), std::string::npos);
    kit::FileManager::removeFileAtPath(folder);
}

// A report that cannot be written is told, and nothing is opened.
TEST_F(DocumentViewsTest, AResourceReportThatCannotBeWrittenIsToldAndNotOpened)
{
    const std::string path = kit::FileManager::uniqueTemporaryPath("report") + "/missing/folder.list";
    auto files = std::make_shared<kit::ScriptedFilePanelHandler>();
    files->pushAnswer({1, {path}, {}});
    auto previousFiles = kit::setFilePanelHandler(files);
    auto alerts = std::make_shared<kit::ScriptedAlertHandler>();
    auto previousAlerts = kit::setAlertHandler(alerts);
    int opened = 0;
    auto savedOpener = LayoutDocument::fileOpener();
    LayoutDocument::fileOpener() = [&](const std::string&) {
        ++opened;
        return true;
    };
    document_->generateResourceList(nullptr);
    LayoutDocument::fileOpener() = savedOpener;
    kit::setAlertHandler(previousAlerts);
    kit::setFilePanelHandler(previousFiles);

    EXPECT_EQ(opened, 0);
    ASSERT_EQ(alerts->shown().size(), 1u);
    EXPECT_NE(alerts->shown()[0].message.find(path), std::string::npos) << alerts->shown()[0].message;
    EXPECT_FALSE(kit::FileManager::fileExistsAtPath(path));
}

// Struck-out text goes, inserted text loses its mark; a struck run at the
// flow's end goes too.
TEST_F(DocumentViewsTest, RevisionMarksAreApplied)
{
    type(flow_, "keep gone kept new tail");
    TextParagraph* paragraph = flow_->firstParagraph();
    auto mark = [&](int word, bool strike, bool redline) {
        auto style = std::make_unique<StyleChar>();
        style->setFont(font_);
        style->setStrikeout(strike);
        style->setRedline(redline);
        paragraph->wordAtIndex(word)->addCharStyle(std::move(style), 0);
    };
    // The words with letters: keep, gone, kept, new, tail.
    std::vector<int> words;
    for (int w = 0; w < paragraph->wordCount(); ++w)
        if (paragraph->wordAtIndex(w)->length() > 0)
            words.push_back(w);
    ASSERT_EQ(words.size(), 5u);
    mark(words[1], true, false);
    mark(words[2], false, false);
    mark(words[3], false, true);
    mark(words[4], true, false);
    flow_->recomputeAll();
    alerts_->pushAnswer(kit::AlertDefaultReturn);
    document_->processTextMarkup(nullptr);
    EXPECT_EQ(text(flow_), "keep kept new");
    for (int w = 0; w < flow_->firstParagraph()->wordCount(); ++w) {
        const auto* styles = flow_->firstParagraph()->wordAtIndex(w)->theStyles();
        for (std::size_t i = 0; styles && i < styles->size(); ++i) {
            const StyleChar* s = (*styles)[i].get();
            EXPECT_FALSE(s && s->isRedline());
        }
    }

    // Cancelled: nothing changes.
    alerts_->pushAnswer(kit::AlertAlternateReturn);
    document_->processTextMarkup(nullptr);
    EXPECT_EQ(text(flow_), "keep kept new");
}

} // namespace

// Drawing places the caret in the text it draws; a caret left where it was
// marks nothing again, so a key is drawn once, not again round after round.
TEST_F(DocumentViewsTest, DrawingLeavesNothingToDrawWhereTheCaretStayed)
{
    showFirstPage();
    first_->beginEditing(nullptr, view_);
    ASSERT_TRUE(first_->isEditing());
    for (const char16_t* keys : {u"a", u"caret ", u"x"}) {
        pressKeys(keys);
        window_->displayIfNeeded();
        EXPECT_FALSE(window_->viewsNeedDisplay()) << "after typing";
        view_->setNeedsDisplay(true);
        window_->displayIfNeeded();
        EXPECT_FALSE(window_->viewsNeedDisplay()) << "after a whole redraw";
    }
    EXPECT_EQ(text(flow_), "acaret x");
}
