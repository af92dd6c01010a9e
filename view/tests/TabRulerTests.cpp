// The tab ruler: stops added by a click, dragged, retyped from the keys,
// removed off the left end; indents kept apart; default marks; and page
// thumbnails with their labels.

#include "EditingTestSupport.h"
#include "ScrollViewTestSupport.h"

#include "appkit/NibLoader.h"
#include "graphics/RecordingContext.h"
#include "view/PageScrollView.h"
#include "view/RulerViewInset.h"
#include "foundation/CMGeometry.h"
#include "view/TabRulerPanel.h"
#include "view/ThumbView.h"

#include <cmath>

namespace {

class FakeTabsPanel : public kit::Receiver, public TabRulerPanel {
public:
    FakeTabsPanel()
    {
        tabs_.reserve(64);
        indents_ = {{50, 4, 0}, {300, 5, 0}, {50, 6, 0}, {0, 7, 0}, {400, 8, 0}};
    }
    std::string className() const override { return "PanelTabs"; }
    TabRecord* tabs() override { return tabs_.data(); }
    int numTabs() const override { return static_cast<int>(tabs_.size()); }
    TabRecord* indents() override { return indents_.data(); }
    int numIndents() const override { return static_cast<int>(indents_.size()); }
    void addTab(int type, float location) override { tabs_.push_back({location, static_cast<short>(type), 0}); }
    TabRecord* removeTab(TabRecord* record) override
    {
        tabs_.erase(tabs_.begin() + (record - tabs_.data()));
        return tabs_.data();
    }
    void updateTabType(int type) override { told.push_back(type); }
    void setPosition(float position) override { positions.push_back(position); }
    void apply(RulerViewInset*, bool isIndent, bool) override { applied.push_back(isIndent); }
    bool disableApply() const override { return false; }
    void rulerWillFree(RulerViewInset* ruler) override { freed = ruler; }
    void setEmbeddedRuler(RulerViewInset* ruler) override { embedded = ruler; }
    bool isStyleEditor(const RulerViewInset*) const override { return styleEditor; }

    std::vector<TabRecord> tabs_;
    std::vector<TabRecord> indents_;
    std::vector<int> told;
    std::vector<float> positions;
    std::vector<bool> applied;
    RulerViewInset* freed = nullptr;
    RulerViewInset* embedded = nullptr;
    bool styleEditor = true;
};

} // namespace

// A tab ruler 400 wide in a window of its own (as in the style editor with
// no document: no page view, scale 1).
class TabRulerTest : public EditingTest {
protected:
    void SetUp() override
    {
        startApplication();
        window_ = std::make_unique<kit::Window>(kit::makeRect(0, 0, 400, 60));
        auto ruler = std::make_unique<RulerViewInset>(kit::makeRect(0, 0, 400, 27));
        ruler_ = static_cast<RulerViewInset*>(window_->contentView()->addSubview(std::move(ruler)));
        ruler_->setTabPanel(&panel_);
        window_->display();
    }
    void TearDown() override
    {
        ruler_ = nullptr;
        EditingTest::TearDown();
    }

    kit::Event mouse(kit::EventType type, float x, float y, unsigned flags = 0)
    {
        return kit::Event::mouseEventWithType(type, kit::makePoint(x, y), flags, kit::Clock::now(),
                                              window_->windowNumber());
    }
    void post(const kit::Event& event) { app_->postEvent(event, false); }
    void key(char16_t c)
    {
        const std::u16string chars(1, c);
        post(kit::Event::keyEventWithType(kit::EventType::KeyDown, {}, 0, kit::Clock::now(), window_->windowNumber(),
                                          chars, chars, false));
        post(kit::Event::keyEventWithType(kit::EventType::KeyUp, {}, 0, kit::Clock::now(), window_->windowNumber(),
                                          chars, chars, false));
    }
    // A press at (x, y) on the ruler; the events posted before run the drag.
    void press(float x, float y, unsigned flags = 0) { ruler_->mouseDown(mouse(kit::EventType::LeftMouseDown, x, y, flags)); }

    FakeTabsPanel panel_;
    RulerViewInset* ruler_ = nullptr;
};

TEST_F(TabRulerTest, AClickInTheTabStripAddsAStopOfTheModifiersType)
{
    struct Case {
        unsigned flags;
        short type;
    };
    const Case cases[] = {{0, 0}, {kit::ControlKeyMask, 1}, {kit::AlternateKeyMask, 3}, {kit::CommandKeyMask, 2}};
    float x = 60;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        post(mouse(kit::EventType::LeftMouseUp, x, 5, c.flags));
        press(x, 5, c.flags);
        ASSERT_FALSE(panel_.tabs_.empty());
        EXPECT_EQ(panel_.tabs_.back().type, c.type);
        EXPECT_FLOAT_EQ(panel_.tabs_.back().location, x);
        EXPECT_FALSE(panel_.applied.back());
        EXPECT_EQ(RulerViewInset::draggedTab(), nullptr);
        x += 60;
    }
    // Below or above the strip on empty ruler: nothing is added.
    const std::size_t stops = panel_.tabs_.size();
    for (float y : {0.5f, 10.5f}) {
        press(380, y);
        EXPECT_EQ(panel_.tabs_.size(), stops);
    }
}

TEST_F(TabRulerTest, DraggedOffTheLeftAStopGoesAndAnIndentStopsAtZero)
{
    panel_.tabs_ = {{100, 0, 0}};
    post(mouse(kit::EventType::LeftMouseDragged, 40, 5));
    post(mouse(kit::EventType::LeftMouseUp, -20, 5));
    press(101, 5);
    EXPECT_TRUE(panel_.tabs_.empty());

    post(mouse(kit::EventType::LeftMouseUp, -30, 14));
    press(50, 14);
    EXPECT_FLOAT_EQ(panel_.indents_[0].location, 0);
    EXPECT_TRUE(panel_.applied.back());
}

TEST_F(TabRulerTest, KeysRetypeTheDraggedStop)
{
    // Space cycles left, right, decimal, centre and back.
    const short cycle[] = {2, 3, 1, 0};
    for (int presses = 1; presses <= 4; ++presses) {
        SCOPED_TRACE(presses);
        panel_.tabs_ = {{100, 0, 0}};
        for (int i = 0; i < presses; ++i)
            key(u' ');
        post(mouse(kit::EventType::LeftMouseUp, 120, 5));
        press(101, 5);
        ASSERT_EQ(panel_.tabs_.size(), 1u);
        EXPECT_EQ(panel_.tabs_[0].type, cycle[presses - 1]);
        EXPECT_FLOAT_EQ(panel_.tabs_[0].location, 120);
    }
    // The leader: "." twice sets it both times; on a stop that had it, "."
    // takes it away.
    struct Case {
        char before;
        char after;
    };
    for (const Case& c : {Case{0, '.'}, Case{'.', 0}}) {
        panel_.tabs_ = {{100, 0, c.before}};
        key(u'.');
        key(u'.');
        post(mouse(kit::EventType::LeftMouseUp, 100, 5));
        press(101, 5);
        EXPECT_EQ(panel_.tabs_[0].leader, c.after);
    }
    // Letters name the type; the delete key removes the stop at once.
    panel_.tabs_ = {{100, 0, 0}};
    key(u'c');
    post(mouse(kit::EventType::LeftMouseUp, 100, 5));
    press(101, 5);
    EXPECT_EQ(panel_.tabs_[0].type, 1);
    key(0xF728);
    post(mouse(kit::EventType::LeftMouseUp, 100, 5));
    press(panel_.tabs_[0].location, 5);
    EXPECT_TRUE(panel_.tabs_.empty());
}

TEST_F(TabRulerTest, IndentsKeepTheirDistanceAndTheRulerBoundsTheDrag)
{
    // The right indent stays 18 pixels right of the left and first-line
    // indents.
    post(mouse(kit::EventType::LeftMouseUp, 55, 14));
    press(300, 14);
    EXPECT_FLOAT_EQ(panel_.indents_[1].location, 68);
    // The left indent stays 18 left of the right one.
    post(mouse(kit::EventType::LeftMouseUp, 200, 14));
    press(50, 14);
    EXPECT_FLOAT_EQ(panel_.indents_[0].location, 50);
    // Without a page view the ruler's own width is the limit: the stop
    // stays, at the end of the ruler.
    panel_.tabs_ = {{100, 0, 0}};
    post(mouse(kit::EventType::LeftMouseUp, 1000, 5));
    press(101, 5);
    ASSERT_EQ(panel_.tabs_.size(), 1u);
    EXPECT_FLOAT_EQ(panel_.tabs_[0].location, 400);
}

TEST_F(TabRulerTest, ADragWhoseMouseUpNeverComesEndsAndApplies)
{
    panel_.tabs_ = {{100, 0, 0}};
    post(mouse(kit::EventType::LeftMouseDragged, 150, 5));
    press(101, 5);
    EXPECT_FLOAT_EQ(panel_.tabs_[0].location, 150);
    EXPECT_EQ(RulerViewInset::draggedTab(), nullptr);
    EXPECT_EQ(panel_.applied.size(), 1u);
}

TEST_F(TabRulerTest, WithoutIndentRecordsNothingReadsPastThem)
{
    panel_.indents_.clear();
    panel_.tabs_ = {{100, 0, 0}};
    EXPECT_EQ(ruler_->hitTabAt(kit::makePoint(50, 14)), nullptr);
    post(mouse(kit::EventType::LeftMouseUp, 130, 5));
    press(101, 5);
    EXPECT_FLOAT_EQ(panel_.tabs_[0].location, 130);
    kit::RecordingContext context;
    ruler_->cacheDisplayInRect(ruler_->bounds(), context);
    // The margins are not hit: only the indents before the last two.
    panel_.indents_ = {{20, 7, 0}, {380, 8, 0}};
    EXPECT_EQ(ruler_->hitTabAt(kit::makePoint(20, 14)), nullptr);
}

TEST_F(TabRulerTest, MarkerImagesAreNamedByLeaderAndType)
{
    EXPECT_EQ(RulerViewInset::markerImageName({0, 2, '.'}), "LeaderTabRight");
    EXPECT_EQ(RulerViewInset::markerImageName({0, 6, 0}), "IndentFirst");
    EXPECT_FLOAT_EQ(ruler_->preferredWidth(), 27.0f);
    ruler_->setTabPanel(nullptr);
    EXPECT_FALSE(ruler_->isTabRuler());
    EXPECT_FLOAT_EQ(ruler_->preferredWidth(), 11.0f);
}

// ---- The embedded tab ruler of a document window.

class EmbeddedTabRulerTest : public TabRulerTest {
protected:
    void SetUp() override
    {
        startApplication();
        PageView::initialize();
        document_ = std::make_unique<LayoutDocument>(delegate_->preferences());
        document_->setPageSize(kit::makeSize(612, 792));
        document_->setMasterPage(std::make_unique<Page>());
        auto page = std::make_unique<Page>();
        page->setSize(kit::makeSize(612, 792));
        pages_.push_back(document_->addPage(std::move(page)));
        document_->calcPageRectsFor(1);
        PageNibOwner owner;
        std::vector<std::unique_ptr<kit::Object>> made;
        ASSERT_TRUE(kit::NibLoader::loadNibFile("Page.nib", &owner, &made));
        for (auto& object : made)
            if (auto* w = dynamic_cast<kit::Window*>(object.get())) {
                object.release();
                window_.reset(w);
            }
        scroll_ = owner.scroll;
        page_ = scroll_->pageView();
        page_->setFrameSize(document_->canvasSize());
        page_->setDocument(document_.get());
        document_->addView(page_);
        scroll_->toggleRulers(nullptr);
        ruler_ = scroll_->horizontalRuler();
        ruler_->setEmbeddedTabRuler(true);
        ruler_->setTabPanel(&panel_);
        scroll_->tile();
        window_->display();
    }
    void TearDown() override
    {
        document_->detachView(page_);
        TabRulerTest::TearDown();
    }

    // The default marks drawn: their x, in ruler coordinates.
    std::vector<float> defaultMarks()
    {
        kit::RecordingContext context;
        ruler_->cacheDisplayInRect(ruler_->visibleRect(), context);
        std::vector<float> xs;
        for (const kit::RecordedOp& op : context.ops())
            if (op.name == "rectfill" && op.numbers.size() == 4 && op.numbers[2] == 1 && op.numbers[3] == 3)
                xs.push_back(op.numbers[0]);
        return xs;
    }

    PageScrollView* scroll_ = nullptr;
    PageView* page_ = nullptr;
};

TEST_F(EmbeddedTabRulerTest, DefaultMarksBeginBeyondTheLastStopAndTheThirdIndent)
{
    EXPECT_FLOAT_EQ(ruler_->preferredWidth(), 27.0f);
    EXPECT_FLOAT_EQ(scroll_->horizontalRulerClip()->frame().size.height, 27.0f);
    panel_.tabs_ = {{100, 0, 0}};
    panel_.indents_[2].location = 150;
    document_->setDefaultTabSpacing(36);
    std::vector<float> marks = defaultMarks();
    ASSERT_FALSE(marks.empty());
    EXPECT_FLOAT_EQ(marks.front(), 180);
    EXPECT_FLOAT_EQ(marks[1] - marks[0], 36);
    // A spacing from a damaged file draws none.
    for (float spacing : {0.001f, 1.5f, std::nanf(""), 0.0f}) {
        SCOPED_TRACE(spacing);
        document_->setDefaultTabSpacing(spacing);
        EXPECT_TRUE(defaultMarks().empty());
    }
}

TEST_F(EmbeddedTabRulerTest, WhileNoTextIsEditedAClickOnlyBeeps)
{
    panel_.styleEditor = false;
    const int beeps = alerts_->beeps();
    press(100, 5);
    EXPECT_EQ(alerts_->beeps(), beeps + 1);
    EXPECT_TRUE(panel_.tabs_.empty());
}

// The stops count from the left edge of the page whose text is edited,
// wherever that page lies on the canvas.
TEST_F(EmbeddedTabRulerTest, StopsCountFromTheEditedPagesLeftEdge)
{
    auto page = std::make_unique<Page>();
    page->setSize(kit::makeSize(612, 792));
    Page* second = document_->addPage(std::move(page));
    document_->calcPageRectsFor(1);
    page_->setFrameSize(document_->canvasSize());
    ASSERT_GT(second->pageRect().origin.x, 600.0f);
    auto column = std::make_shared<TextItem>();
    column->setFrame(kit::makeRect(72, 72, 300, 100), false);
    TextItem* edited = column.get();
    second->addItems(column, false);
    delegate_->setMainDocument(document_.get());
    delegate_->setMainPageView(page_);
    page_->scrollPoint(second->pageRect().origin);
    edited->beginEditing(nullptr, page_);
    ASSERT_TRUE(page_->isEditing());
    panel_.styleEditor = false;
    const float zero = ruler_->scale() * second->pageRect().origin.x;
    EXPECT_FLOAT_EQ(static_cast<float>(ruler_->tabZero()), zero);

    // A stop at 100 is hit 100 pixels right of the page's edge and dragged
    // from there.
    const auto at = [&](float x) { return ruler_->convertPointToView(kit::makePoint(zero + x, 5), nullptr); };
    panel_.tabs_ = {{100, 0, 0}};
    post(mouse(kit::EventType::LeftMouseUp, at(150).x, at(150).y));
    press(at(101).x, at(101).y);
    ASSERT_EQ(panel_.tabs_.size(), 1u);
    EXPECT_FLOAT_EQ(panel_.tabs_[0].location, 150);
    // Left of the page's edge it goes.
    post(mouse(kit::EventType::LeftMouseUp, at(-20).x, at(-20).y));
    press(at(151).x, at(151).y);
    EXPECT_TRUE(panel_.tabs_.empty());
    page_->endEditingIfNeeded();
}

// ---- Thumbnails.

namespace {

class ThumbTestWindow : public kit::Window, public ThumbWindow {
public:
    explicit ThumbTestWindow(LayoutDocument* document)
        : kit::Window(kit::makeRect(0, 0, 600, 120)), document_(document)
    {
    }
    kit::TextField* numberField() const override { return nullptr; }
    LayoutDocument* document() const override { return document_; }

private:
    LayoutDocument* document_;
};

} // namespace

class ThumbViewTest : public EditingTest {
protected:
    void SetUp() override
    {
        startApplication();
        document_ = std::make_unique<LayoutDocument>(delegate_->preferences());
        document_->setPageSize(kit::makeSize(612, 792));
        document_->setFirstPageNum(1);
        document_->setMasterPage(std::make_unique<Page>());
        for (int i = 0; i < 12; ++i) {
            auto page = std::make_unique<Page>();
            page->setSize(kit::makeSize(612, 792));
            pages_.push_back(document_->addPage(std::move(page)));
        }
        document_->calcPageRectsFor(1);
        thumbs_ = std::make_unique<ThumbTestWindow>(document_.get());
        auto matrix = std::make_unique<ThumbView>(kit::makeRect(0, 0, 600, 100));
        matrix_ = static_cast<ThumbView*>(thumbs_->contentView()->addSubview(std::move(matrix)));
        matrix_->initWithImage(nullptr);
    }
    void TearDown() override
    {
        matrix_ = nullptr;
        thumbs_.reset();
        EditingTest::TearDown();
    }
    // Draws the cell at the displayed index; answers the label drawn.
    std::string draw(int index, kit::RecordingContext& context, int state = kit::OffState)
    {
        auto* cell = static_cast<PageCell*>(matrix_->cellAtRow(0, 0));
        cell->setTag(index);
        cell->setState(state);
        kit::DrawContext* was = kit::DrawContext::current();
        kit::DrawContext::setCurrent(&context);
        cell->drawWithFrame(kit::makeRect(0, 0, 47, 98), matrix_);
        kit::DrawContext::setCurrent(was);
        return cell->lastLabel();
    }

    std::unique_ptr<ThumbTestWindow> thumbs_;
    ThumbView* matrix_ = nullptr;
};

TEST_F(ThumbViewTest, ARunShowsItsRangeAndAPageItsNumber)
{
    ASSERT_TRUE(document_->collapsePages(6, 3));
    ASSERT_EQ(matrix_->numberOfColumns(), 1);
    kit::RecordingContext context;
    struct Case {
        int index;
        std::string label;
    };
    const Case cases[] = {{0, "1"}, {3, "4-9"}, {4, "10"}};
    for (const Case& c : cases)
        EXPECT_EQ(draw(c.index, context), c.label);
    // A cell past the displayed pages (pages were deleted) has no label.
    EXPECT_EQ(draw(document_->numDisplayedPages(), context), "");
    EXPECT_EQ(draw(-1, context), "");
}

TEST_F(ThumbViewTest, UnselectedThumbnailsAreWashedOut)
{
    kit::RecordingContext off, on;
    draw(0, off, kit::OffState);
    draw(0, on, kit::OnState);
    EXPECT_EQ(off.count("compositerect"), 1u);
    EXPECT_EQ(on.count("compositerect"), 0u);
    // A highlighted cell is drawn at full strength even while off.
    auto* cell = static_cast<PageCell*>(matrix_->cellAtRow(0, 0));
    cell->highlight(true, kit::makeRect(0, 0, 47, 98), nullptr);
    EXPECT_TRUE(cell->isHighlighted());
    kit::RecordingContext lit;
    draw(0, lit, kit::OffState);
    EXPECT_EQ(lit.count("compositerect"), 0u);
    cell->highlight(false, kit::makeRect(0, 0, 47, 98), nullptr);
    kit::RecordingContext again;
    draw(0, again, kit::OffState);
    EXPECT_EQ(again.count("compositerect"), 1u);
}

TEST_F(TabRulerTest, ShiftSnapsTheDraggedStopToTheNearestTick)
{
    CMZoomStatus = 1.0f;
    ruler_->calcTickMarks();
    const float step = ruler_->tickUnits() * 1.0f; // points, at scale 1
    ASSERT_GT(step, 4.0f);
    const float near = std::round(103.0f / step) * step;
    struct Case {
        float to;
        unsigned flags;
        float expected;
    };
    // Within 4 pixels of a tick with Shift: on the tick; without Shift:
    // where the mouse is.
    const Case cases[] = {{near + 2.0f, kit::ShiftKeyMask, near},
                          {near + 2.0f, 0, near + 2.0f},
                          {near - 2.5f, kit::ShiftKeyMask, near}};
    for (const Case& c : cases) {
        panel_.tabs_ = {{60, 0, 0}};
        post(mouse(kit::EventType::LeftMouseUp, c.to, 5, c.flags));
        press(61, 5);
        ASSERT_EQ(panel_.tabs_.size(), 1u);
        EXPECT_FLOAT_EQ(panel_.tabs_[0].location, c.expected) << c.to;
    }
}
