// The page view in a real window on an X display, used as a person uses it:
// keys and clicks sent through the X server (xdotool) reach the flow through
// the window's own events and the main loop, drags of a knob and of a guide
// run their loops on those events, and what the X server then
// shows of the window (read back with xwd) equals a fresh repaint of the
// view. ctest runs it under Xvfb; without a display it is skipped.

#include "EditingTestSupport.h"

#include "appkit/RunLoop.h"
#include "document/Guide.h"
#include "document/UndoInfo.h"
#include "items/ItemBox.h"
#include "graphics/tests/WysiwygSupport.h"
#include "platform/appkit/tests/FreshRepaint.h"
#include "appkit/ClipView.h"
#include "appkit/Scroller.h"
#include "view/PageScrollView.h"
#include "view/RulerViewInset.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>

#include <QImage>
#include <iterator>
#include <string>
#include <vector>

namespace {

// The page view as the document window will have it: keys and mouse downs
// go to the flow of the column being edited.
class LivePageView : public PageView {
public:
    using PageView::PageView;
    void keyDown(const kit::Event& event) override
    {
        if (TextItem* column = editedColumn())
            column->flow()->processKeyEvent(event, this, column);
    }
    void mouseDown(const kit::Event& event) override
    {
        if (TextItem* column = editedColumn()) {
            column->flow()->mouseHandle(event, this, column);
            return;
        }
        // As the selection tool does: a knob of a selected item runs the
        // item's resize loop, then the page shows the new frame.
        kit::Point at = locationInView(event);
        Page* page = hitPageAt(at);
        if (!page || !document())
            return;
        // A guide under the mouse is dragged by its own loop.
        if (Guide* guide = page->hitGuideAt(at, this)) {
            document()->setActivePage(page);
            guide->dragFromPoint(at, this, event);
            ++guideDrags;
            return;
        }
        page->convertToPage(&at);
        for (Item* item : document()->selected()) {
            int knob = item->isHitAtKnob(at, this);
            if (knob < 0)
                continue;
            invalidateItems({item});
            item->performResize(&knob, this, event);
            std::vector<kit::Object*> changed{item};
            notifyUpdateForItems(&changed);
            ++resizes;
            return;
        }
        // An item under the mouse: the selection tool's click and drag.
        if (Item* item = hitItemAt(locationInView(event))) {
            doItemHit(event, item);
            ++itemHits;
        }
    }
    // Told after each step of a drag's scrolling, as the user sees it.
    bool autoscroll(const kit::Event& event) override
    {
        const bool scrolled = PageView::autoscroll(event);
        if (didAutoscroll)
            didAutoscroll();
        return scrolled;
    }
    int itemHits = 0;
    int resizes = 0;
    int guideDrags = 0;
    std::function<void()> didAutoscroll;

private:
    TextItem* editedColumn() const
    {
        TextItem* column = document() ? document()->activeTextItem() : nullptr;
        return column && column->flow() ? column : nullptr;
    }
};

// An X window dump (xwd's format: big-endian header, then pixels), read back
// as 0xRRGGBB per pixel; empty when the file is not one of 24 or 32 bits.
struct WindowDump {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;
};

WindowDump readWindowDump(const std::string& path)
{
    WindowDump dump;
    std::ifstream in(path, std::ios::binary);
    const std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const auto field = [&](std::size_t i) {
        const std::size_t at = 4 * i;
        if (at + 4 > bytes.size())
            return 0u;
        return unsigned(bytes[at]) << 24 | unsigned(bytes[at + 1]) << 16 | unsigned(bytes[at + 2]) << 8 |
               unsigned(bytes[at + 3]);
    };
    const unsigned headerSize = field(0), format = field(2), width = field(4), height = field(5);
    const unsigned byteOrder = field(7), bitsPerPixel = field(11), bytesPerLine = field(12), colors = field(19);
    if (format != 2 || (bitsPerPixel != 32 && bitsPerPixel != 24) || width == 0 || height == 0 || width > 10000 ||
        height > 10000)
        return dump;
    const std::size_t start = std::size_t(headerSize) + std::size_t(colors) * 12;
    if (start + std::size_t(bytesPerLine) * height > bytes.size())
        return dump;
    dump.width = int(width);
    dump.height = int(height);
    const unsigned step = bitsPerPixel / 8;
    for (unsigned y = 0; y < height; ++y) {
        for (unsigned x = 0; x < width; ++x) {
            const unsigned char* p = &bytes[start + std::size_t(y) * bytesPerLine + std::size_t(x) * step];
            // LSBFirst (0): blue, green, red; MSBFirst: the other way round.
            const std::uint32_t rgb = byteOrder == 0 ? (unsigned(p[2]) << 16 | unsigned(p[1]) << 8 | p[0])
                                                     : (unsigned(p[step - 3]) << 16 | unsigned(p[step - 2]) << 8 |
                                                        p[step - 1]);
            dump.pixels.push_back(rgb);
        }
    }
    return dump;
}

class LiveWindow : public EditingTest {
protected:
    void SetUp() override
    {
        const char* platform = std::getenv("QT_QPA_PLATFORM");
        if (!std::getenv("DISPLAY") || (platform && std::string(platform) != "xcb"))
            GTEST_SKIP() << "needs an X display (QT_QPA_PLATFORM=xcb)";
        xdotool_ = wysiwyg::findProgram("xdotool");
        xwd_ = wysiwyg::findProgram("xwd");
        if (xdotool_.empty() || xwd_.empty())
            GTEST_SKIP() << "needs xdotool and xwd";
        startApplication();
        // Keys come from the X server as they come: on the real clock.
        kit::Clock::useRealClock();
        font_ = kit::Font::fontWithName("Times-Roman", 12);
        ASSERT_NE(font_, nullptr);
        document_ = std::make_unique<LayoutDocument>(delegate_->preferences());
        document_->setPageSize(kit::makeSize(612, 792));
        document_->setup();
        pages_.push_back(document_->pageAt(0));
        column_ = addColumn(0, kit::makeRect(72, 72, 300, 250));
        column_->setTextType(1);
        flow_ = column_->flow();
        setFont(flow_);

        const kit::Rect content = kit::makeRect(40, 40, 460, 360);
        window_ = std::make_unique<kit::Window>(content);
        auto scroll = std::make_unique<kit::ScrollView>(kit::makeRect(0, 0, 460, 360));
        auto view = std::make_unique<LivePageView>(kit::makeRect(0, 0, 0, 0));
        view_ = nullptr;
        live_ = view.get();
        live_->setFrameSize(document_->canvasSize());
        live_->setDocument(document_.get());
        scroll->setDocumentView(std::move(view));
        window_->setContentView(std::move(scroll));
        document_->addView(live_);
        // After the document labelled the window with its file name.
        window_->setTitle(kTitle);
        delegate_->setMainDocument(document_.get());
        const kit::Point page = pages_[0]->pageRect().origin;
        live_->scrollPoint(kit::makePoint(page.x + 20, page.y + 40));
        window_->makeKeyAndOrderFront();
        window_->makeFirstResponder(live_);
        window_->display();
        column_->beginEditing(nullptr, live_);
    }

    void TearDown() override
    {
        if (!live_)
            return;
        document_->detachView(live_);
        view_ = nullptr;
        EditingTest::TearDown();
    }

    // Runs the main loop while the command runs in the background, and a
    // little longer for the last events to arrive.
    int runWhile(const std::string& command, const std::function<bool()>& seen = nullptr)
    {
        const std::string done = folder_ + "/done";
        std::remove(done.c_str());
        const std::string background = "(" + command + "; echo $? > '" + done + "') > '" + folder_ + "/xdotool.log' 2>&1 &";
        if (std::system(background.c_str()) != 0)
            return -1;
        auto& app = *app_;
        int status = -1;
        double quietSince = -1;
        const double deadline = kit::Clock::now() + 30.0;
        auto timer = kit::Timer::scheduledTimerWithTimeInterval(
            0.05,
            [&](kit::Timer&) {
                if (status < 0) {
                    std::ifstream in(done);
                    if (in >> status)
                        quietSince = kit::Clock::now();
                }
                // What the test checks has come, or (with nothing named)
                // the events have had a moment to arrive.
                const bool arrived = seen ? seen() : kit::Clock::now() - quietSince > 0.5;
                if ((status >= 0 && arrived) || kit::Clock::now() > deadline)
                    app.stop();
            },
            true);
        app.run();
        timer->invalidate();
        return status;
    }

    // Runs the main loop for a while: long enough for the X server to get
    // what the window last flushed.
    void settle(double seconds)
    {
        auto& app = *app_;
        auto timer = kit::Timer::scheduledTimerWithTimeInterval(seconds, [&](kit::Timer&) { app.stop(); }, false);
        app.run();
        timer->invalidate();
    }

    // Stops the caret's blink where it is and lets the screen catch up, so
    // that the window, a fresh repaint and the X server are compared in one
    // blink state. The next key or click starts the blink again.
    void holdCaretStill()
    {
        kit::Receiver::cancelPreviousPerformRequestsWithTarget(live_, "drawCursor:", live_);
        window_->displayIfNeeded();
        settle(0.1);
    }

    // The window's X id, found while the main loop runs (the window is
    // mapped through the loop).
    std::string windowId()
    {
        const std::string file = folder_ + "/id";
        if (runWhile("'" + xdotool_ + "' search --sync --name '" + kTitle + "' > '" + file + "'") != 0)
            return {};
        std::ifstream in(file);
        std::string id;
        in >> id;
        return id;
    }

    // A point of the column in X coordinates of the window (rows down).
    std::string xPoint(kit::Point inColumn) const
    {
        kit::Point origin = column_->frame().origin;
        column_->convertToView(&origin);
        return xPointOfView(kit::makePoint(origin.x + inColumn.x, origin.y + inColumn.y));
    }
    // A point of the first page likewise.
    std::string xPointOfPage(kit::Point p) const
    {
        pages_[0]->convertToView(&p);
        return xPointOfView(p);
    }
    std::string xPointOfView(kit::Point p) const
    {
        const kit::Point base = live_->convertPointToView(p, nullptr);
        return std::to_string(int(std::lround(base.x))) + " " +
               std::to_string(int(std::lround(window_->contentRect().size.height - base.y)));
    }
    // What the window holds equals a fresh repaint, and the X server shows
    // exactly that. SCRIVLY_LIVE_WINDOW_DUMP keeps each dump for a person to
    // look at, its value followed by the step.
    void expectScreenIsFresh(const std::string& id, const char* when)
    {
        SCOPED_TRACE(when);
        ++shots_;
        holdCaretStill();
        const std::string dumpFile = folder_ + "/window.xwd";
        const repaint::Mismatch m = repaint::compareWithFreshRepaint(*window_, *live_, true);
        EXPECT_FALSE(m.any()) << m.describe();
        ASSERT_EQ(std::system(("'" + xwd_ + "' -silent -id " + id + " -out '" + dumpFile + "'").c_str()), 0);
        const WindowDump dump = readWindowDump(dumpFile);
        const kit::RasterContext& backing = window_->graphicsContext();
        ASSERT_EQ(dump.width, backing.width());
        ASSERT_EQ(dump.height, backing.height());
        int differing = 0;
        for (int y = 0; y < dump.height; ++y)
            for (int x0 = 0; x0 < dump.width; ++x0)
                differing += (backing.pixel(x0, y) & 0xFFFFFF) != dump.pixels[std::size_t(y * dump.width + x0)];
        EXPECT_EQ(differing, 0) << "the X server shows " << differing << " pixels other than the window's image";
        if (const char* keep = std::getenv("SCRIVLY_LIVE_WINDOW_DUMP")) {
            const std::string copy = std::string(keep) + "-" + std::to_string(shots_) + ".xwd";
            EXPECT_EQ(std::system(("cp '" + dumpFile + "' '" + copy + "'").c_str()), 0);
        }
    }
    int shots_ = 0;

    static constexpr const char* kTitle = "Scrivly live page view";
    std::string xdotool_, xwd_;
    LivePageView* live_ = nullptr;
    TextItem* column_ = nullptr;
};

} // namespace

TEST_F(LiveWindow, TypingThroughTheXServerShowsWhatAFreshRepaintShows)
{
    const std::string id = windowId();
    ASSERT_FALSE(id.empty()) << "xdotool found no window titled " << kTitle;
    const std::string x = "'" + xdotool_ + "' ";
    const auto screenIsFresh = [&](const char* when) { expectScreenIsFresh(id, when); };

    // Typed, a Return, more text, then back over the last letters.
    ASSERT_EQ(runWhile(x + "windowfocus --sync " + id + " && " + x +
                       "type --delay 15 'Typed through the X server, letter by letter.' && " + x + "key Return && " +
                       x + "type --delay 15 'A second paragraph with a typo' && " + x +
                       "key --delay 15 BackSpace BackSpace BackSpace BackSpace && " + x + "type --delay 15 'word.'"),
              0)
        << "see " << folder_ << "/xdotool.log";
    EXPECT_EQ(text(flow_), "Typed through the X server, letter by letter.\nA second paragraph with a word.");
    screenIsFresh("typed");

    // A double click on "second" highlights it.
    const textPoint inSecond{1, 1, 3};
    const kit::Rect second = PageView::caretRectInColumn(&inSecond, column_, nullptr);
    ASSERT_EQ(runWhile(x + "mousemove --window " + id + " " + xPoint(kit::makePoint(second.origin.x, kit::midY(second))) +
                       " click --repeat 2 --delay 80 1"),
              0);
    ASSERT_NE(flow_->textSelection(), nullptr);
    screenIsFresh("double-clicked");

    // A click at the end of the text and a last sentence.
    const textPoint end{1, flow_->lastParagraph()->wordCount() - 1, 5};
    const kit::Rect last = PageView::caretRectInColumn(&end, column_, nullptr);
    ASSERT_EQ(runWhile(x + "mousemove --window " + id + " " + xPoint(kit::makePoint(last.origin.x + 20, kit::midY(last))) +
                       " click 1 && " + x + "type --delay 15 ' The end.'"),
              0);
    EXPECT_EQ(flow_->textSelection(), nullptr);
    EXPECT_EQ(text(flow_), "Typed through the X server, letter by letter.\nA second paragraph with a word. The end.");
    screenIsFresh("clicked and typed");
}

// What the X server shows of the caret after typing: black pixels in its
// rectangle while the blink has it on, none after the next blink. Between
// two passes of the main loop the blink stands still.
TEST_F(LiveWindow, TheCaretShowsWhereTypingGoesAndBlinksOff)
{
    const std::string id = windowId();
    ASSERT_FALSE(id.empty()) << "xdotool found no window titled " << kTitle;
    const std::string x = "'" + xdotool_ + "' ";
    ASSERT_EQ(runWhile(x + "windowfocus --sync " + id + " && " + x + "type --delay 15 'Where is the caret'"), 0)
        << "see " << folder_ << "/xdotool.log";
    ASSERT_EQ(text(flow_), "Where is the caret");
    ASSERT_TRUE(window_->isKeyWindow());
    const auto caretPixelsShown = [&] {
        const WindowDump dump = readWindowDump(folder_ + "/window.xwd");
        const kit::Rect base = live_->convertRectToView(live_->textCursorRect(), nullptr);
        const int left = std::max(0, int(std::floor(kit::minX(base))) - 1);
        const int right = std::min(dump.width, int(std::ceil(kit::maxX(base))) + 1);
        const int top = std::max(0, dump.height - int(std::ceil(kit::maxY(base))));
        const int bottom = std::min(dump.height, dump.height - int(std::floor(kit::minY(base))));
        int black = 0;
        for (int y = top; y < bottom; ++y)
            for (int x0 = left; x0 < right; ++x0)
                black += dump.pixels[std::size_t(y * dump.width + x0)] == 0;
        return black;
    };
    // Shown afresh, as a click or a key shows it.
    live_->drawCursor(column_);
    ASSERT_TRUE(live_->isCursorDrawn());
    const float height = live_->textCursorRect().size.height;
    ASSERT_GT(height, 4);
    expectScreenIsFresh(id, "caret on");
    EXPECT_GE(caretPixelsShown(), int(height) - 1);
    EXPECT_LE(caretPixelsShown(), int(height) + 1) << "one pixel wide";

    live_->drawCursor(live_);
    ASSERT_FALSE(live_->isCursorDrawn());
    expectScreenIsFresh(id, "caret off");
    EXPECT_EQ(caretPixelsShown(), 0);
}

TEST_F(LiveWindow, AKnobDraggedThroughTheXServerResizesTheBoxAndLeavesNoFeedbackBehind)
{
    live_->endEditingIfNeeded();
    auto shared = std::make_shared<ItemBox>();
    ItemBox* box = shared.get();
    box->setFrame(kit::makeRect(120, 240, 80, 50), false);
    box->setHasFill(true);
    box->setFillColor(kit::Color::colorWithDeviceRed(0.2f, 0.4f, 0.9f));
    box->setHasLine(true);
    box->setLineWidth(1.0f);
    box->setLineColor(kit::Color::blackColor());
    pages_[0]->addItems(std::move(shared));
    document_->setSelection({box}, live_);
    window_->display();
    const std::string id = windowId();
    ASSERT_FALSE(id.empty()) << "xdotool found no window titled " << kTitle;
    expectScreenIsFresh(id, "selected");

    // Knob 4, the far corner, pulled out by 60 and 40 points in steps, the
    // button held between them.
    const std::string x = "'" + xdotool_ + "' ";
    std::string drag = x + "mousemove --window " + id + " " + xPointOfPage({200, 290}) + " && sleep 0.2 && " + x +
                       "mousedown 1 && sleep 0.2";
    for (int step = 1; step <= 6; ++step)
        drag += " && " + x + "mousemove --window " + id + " " +
                xPointOfPage({200.0f + 10.0f * float(step), 290.0f + 40.0f * float(step) / 6.0f}) + " && sleep 0.1";
    // For a person to look at: the feedback while the button is still down.
    if (const char* keep = std::getenv("SCRIVLY_LIVE_WINDOW_DUMP"))
        drag += " && '" + xwd_ + "' -silent -id " + id + " -out '" + keep + "-dragging.xwd'";
    drag += " && " + x + "mouseup 1";
    ASSERT_EQ(runWhile(drag, [&] { return live_->resizes > 0; }), 0) << "see " << folder_ << "/xdotool.log";
    EXPECT_EQ(live_->resizes, 1);
    const kit::Rect frame = box->frame();
    EXPECT_NEAR(frame.origin.x, 120, 0.01);
    EXPECT_NEAR(frame.origin.y, 240, 0.01);
    // The view's zoom is 1: one pixel is one point, give or take the rounding.
    EXPECT_NEAR(frame.size.width, 140, 1.01) << kit::stringFromRect(frame);
    EXPECT_NEAR(frame.size.height, 90, 1.01) << kit::stringFromRect(frame);
    expectScreenIsFresh(id, "resized");
}

TEST_F(LiveWindow, AGuideDraggedThroughTheXServerMovesAndLeavesNoPreviewBehind)
{
    live_->endEditingIfNeeded();
    auto owned = std::make_unique<Guide>(150.0f, Guide::Horizontal);
    owned->setDelegate(document_.get());
    Guide* guide = owned.get();
    pages_[0]->addGuide(std::move(owned));
    window_->display();
    const std::string id = windowId();
    ASSERT_FALSE(id.empty()) << "xdotool found no window titled " << kTitle;
    const int records = document_->undoInfo()->count();

    const std::string x = "'" + xdotool_ + "' ";
    std::string drag = x + "mousemove --window " + id + " " + xPointOfPage({300, 150}) + " && sleep 0.2 && " + x +
                       "mousedown 1 && sleep 0.2";
    for (int step = 1; step <= 5; ++step)
        drag += " && " + x + "mousemove --window " + id + " " +
                xPointOfPage({300.0f, 150.0f + 20.0f * float(step)}) + " && sleep 0.1";
    // For a person to look at: the preview line while the button is down.
    if (const char* keep = std::getenv("SCRIVLY_LIVE_WINDOW_DUMP"))
        drag += " && '" + xwd_ + "' -silent -id " + id + " -out '" + keep + "-guide-dragging.xwd'";
    drag += " && " + x + "mouseup 1";
    ASSERT_EQ(runWhile(drag, [&] { return live_->guideDrags > 0; }), 0) << "see " << folder_ << "/xdotool.log";
    EXPECT_EQ(live_->guideDrags, 1);
    ASSERT_EQ(pages_[0]->guides().size(), 1u);
    EXPECT_NEAR(guide->location(), 250.0f, 1.01f);
    EXPECT_EQ(document_->undoInfo()->count(), records + 1);
    expectScreenIsFresh(id, "guide moved");
}

TEST_F(LiveWindow, AColumnLinkedByItsMarkerThroughTheXServerTakesTheTextThatDidNotFit)
{
    live_->endEditingIfNeeded();
    column_->setFrame(kit::makeRect(72, 72, 200, 40), false);
    std::string words;
    for (int i = 0; i < 30; ++i)
        words += "overflowing ";
    type(flow_, words);
    flow_->recomputeAll();
    ASSERT_EQ(column_->continueMarker(), TextItem::ContinueMarker::Plus);
    TextItem* next = addColumn(0, kit::makeRect(300, 100, 120, 200));
    next->setTextType(1);
    setFont(next->flow());
    next->flow()->recomputeAll();
    document_->setSelection({column_}, live_);
    window_->display();
    const std::string id = windowId();
    ASSERT_FALSE(id.empty()) << "xdotool found no window titled " << kTitle;
    const std::string before = text(flow_);

    kit::Rect marker{};
    getTContinueRect(column_, 1.0f, &marker, false);
    const kit::Point from{kit::midX(marker), kit::midY(marker)};
    ASSERT_EQ(column_->isHitAtKnob(from, live_), 8);
    const std::string x = "'" + xdotool_ + "' ";
    std::string drag = x + "mousemove --window " + id + " " + xPointOfPage(from) + " && sleep 0.2 && " + x +
                       "mousedown 1 && sleep 0.2";
    for (int step = 1; step <= 5; ++step)
        drag += " && " + x + "mousemove --window " + id + " " +
                xPointOfPage({from.x + (360.0f - from.x) * float(step) / 5.0f,
                              from.y + (200.0f - from.y) * float(step) / 5.0f}) +
                " && sleep 0.1";
    // For a person to look at: the wire while the button is down.
    if (const char* keep = std::getenv("SCRIVLY_LIVE_WINDOW_DUMP"))
        drag += " && '" + xwd_ + "' -silent -id " + id + " -out '" + keep + "-linking.xwd'";
    drag += " && " + x + "mouseup 1";
    ASSERT_EQ(runWhile(drag, [&] { return live_->resizes > 0; }), 0) << "see " << folder_ << "/xdotool.log";
    EXPECT_EQ(live_->resizes, 1);
    ASSERT_EQ(column_->nextColumn(), next);
    EXPECT_EQ(next->flow(), flow_);
    EXPECT_EQ(text(flow_), before);
    EXPECT_EQ(column_->continueMarker(), TextItem::ContinueMarker::Next);
    EXPECT_GE(next->startParagraph(), 0);
    expectScreenIsFresh(id, "linked");
}

// Two windows on one document: what is typed in the first shows in the
// second, guides and the knobs of a selected box included, and the X server
// shows each window's image. SCRIVLY_LIVE_WINDOW_PNG keeps both pictures.
TEST_F(LiveWindow, TypingInOneWindowShowsInTheOther)
{
    auto box = std::make_shared<ItemBox>();
    box->setFrame(kit::makeRect(320, 340, 60, 40), false);
    box->setHasFill(true);
    box->setFillColor(kit::Color::grayColor());
    pages_[0]->addItems(box);
    pages_[0]->addGuide(std::make_unique<Guide>(330.0f, Guide::Horizontal));
    pages_[0]->addGuide(std::make_unique<Guide>(110.0f, Guide::Vertical));
    document_->setShowGuides(true);
    // Selected in the second window; editing goes on in the first.
    box->select();

    constexpr const char* kSecond = "Scrivly second view";
    const kit::Rect content = kit::makeRect(520, 40, 460, 360);
    kit::Window second(content);
    auto scroll = std::make_unique<kit::ScrollView>(kit::makeRect(0, 0, 460, 360));
    auto view = std::make_unique<PageView>(kit::makeRect(0, 0, 0, 0));
    PageView* other = view.get();
    other->setFrameSize(document_->canvasSize());
    other->setDocument(document_.get());
    scroll->setDocumentView(std::move(view));
    second.setContentView(std::move(scroll));
    document_->addView(other);
    // After the document numbered both windows' titles.
    second.setTitle(kSecond);
    window_->setTitle(kTitle);
    const kit::Point page = pages_[0]->pageRect().origin;
    other->scrollPoint(kit::makePoint(page.x + 20, page.y + 40));
    second.orderFront();
    second.display();
    window_->display();

    const std::string id = windowId();
    ASSERT_FALSE(id.empty());
    const std::string ids = folder_ + "/second";
    ASSERT_EQ(runWhile("'" + xdotool_ + "' search --sync --name '" + kSecond + "' > '" + ids + "'"), 0);
    std::string secondId;
    std::ifstream(ids) >> secondId;
    ASSERT_FALSE(secondId.empty());

    const std::string x = "'" + xdotool_ + "' ";
    ASSERT_EQ(runWhile(x + "windowfocus --sync " + id + " && " + x + "type --delay 15 'Seen in both windows.'"), 0)
        << "see " << folder_ << "/xdotool.log";
    EXPECT_EQ(text(flow_), "Seen in both windows.");
    // The caret shows only in the window typed in: off for the comparison.
    if (live_->isCursorDrawn())
        live_->drawCursor(live_);
    holdCaretStill();
    window_->displayIfNeeded();
    second.displayIfNeeded();

    struct Shown {
        kit::Window* window;
        PageView* view;
        std::string id, name;
    } shown[] = {{window_.get(), live_, id, "first"}, {&second, other, secondId, "second"}};
    QImage pictures[2];
    for (int i = 0; i < 2; ++i) {
        const Shown& s = shown[i];
        SCOPED_TRACE(s.name);
        EXPECT_FALSE(repaint::compareWithFreshRepaint(*s.window, *s.view).any());
        const std::string file = folder_ + "/" + s.name + ".xwd";
        ASSERT_EQ(std::system(("'" + xwd_ + "' -silent -id " + s.id + " -out '" + file + "'").c_str()), 0);
        const WindowDump dump = readWindowDump(file);
        const kit::RasterContext& backing = s.window->graphicsContext();
        ASSERT_EQ(dump.width, backing.width());
        ASSERT_EQ(dump.height, backing.height());
        int differing = 0;
        QImage picture(dump.width, dump.height, QImage::Format_RGB32);
        for (int y = 0; y < dump.height; ++y)
            for (int x0 = 0; x0 < dump.width; ++x0) {
                const std::uint32_t rgb = dump.pixels[std::size_t(y * dump.width + x0)];
                differing += (backing.pixel(x0, y) & 0xFFFFFF) != rgb;
                picture.setPixel(x0, y, 0xFF000000u | rgb);
            }
        EXPECT_EQ(differing, 0);
        pictures[i] = picture;
        if (const char* keep = std::getenv("SCRIVLY_LIVE_WINDOW_PNG"))
            picture.save(QString::fromStdString(std::string(keep) + "-" + s.name + ".png"));
    }
    // The same page at the same place: the text shows alike in both.
    const QRect text(0, 0, 460, 120);
    EXPECT_EQ(pictures[0].copy(text), pictures[1].copy(text));
    document_->detachView(other);
}

// The master layer on a real display: small pages with their red shadows
// and watermark, a run of collapsed pages as a labelled strip, the active
// page framed. SCRIVLY_LIVE_WINDOW_PNG keeps the picture.
TEST_F(LiveWindow, TheMasterLayerShowsPagesShadowsWatermarkAndARun)
{
    document_->detachView(live_);
    window_.reset();
    live_ = nullptr;
    auto document = std::make_unique<LayoutDocument>(delegate_->preferences());
    document->setPageSize(kit::makeSize(200, 150));
    document->setup();
    document->addPages(4, 1);
    document->collapsePages(2, 2);
    document->calcPageRectsFor(1);
    auto master = std::make_shared<ItemBox>();
    master->setFrame(kit::makeRect(20, 20, 60, 40), false);
    master->setHasFill(true);
    master->setFillColor(kit::Color::grayColor());
    master->setMasterFlags(3);
    master->setCanAppear(true, 1);
    document->addMasterItem(master);
    ASSERT_TRUE(document->setEditingLayer(LayoutDocument::MasterLayer));

    constexpr const char* kTitle3 = "Scrivly master layer";
    const kit::Size canvas = document->canvasSize();
    const kit::Rect content = kit::makeRect(10, 10, std::min(canvas.width, 1000.0f), std::min(canvas.height, 700.0f));
    kit::Window window(content);
    auto scroll = std::make_unique<kit::ScrollView>(kit::makeRect(0, 0, content.size.width, content.size.height));
    auto view = std::make_unique<PageView>(kit::makeRect(0, 0, 0, 0));
    PageView* shown = view.get();
    shown->setFrameSize(canvas);
    shown->setDocument(document.get());
    scroll->setDocumentView(std::move(view));
    window.setContentView(std::move(scroll));
    document->addView(shown);
    // After the document labelled the window with its file name.
    window.setTitle(kTitle3);
    document->setActivePage(document->pageAt(1));
    window.makeKeyAndOrderFront();
    window.display();

    const std::string ids = folder_ + "/master";
    ASSERT_EQ(runWhile("'" + xdotool_ + "' search --sync --name '" + kTitle3 + "' > '" + ids + "'"), 0);
    std::string id;
    std::ifstream(ids) >> id;
    ASSERT_FALSE(id.empty());
    window.displayIfNeeded();
    EXPECT_FALSE(repaint::compareWithFreshRepaint(window, *shown).any());
    const std::string file = folder_ + "/master.xwd";
    ASSERT_EQ(std::system(("'" + xwd_ + "' -silent -id " + id + " -out '" + file + "'").c_str()), 0);
    const WindowDump dump = readWindowDump(file);
    const kit::RasterContext& backing = window.graphicsContext();
    ASSERT_EQ(dump.width, backing.width());
    ASSERT_EQ(dump.height, backing.height());
    int differing = 0, red = 0, tinted = 0;
    QImage picture(dump.width, dump.height, QImage::Format_RGB32);
    for (int y = 0; y < dump.height; ++y)
        for (int x0 = 0; x0 < dump.width; ++x0) {
            const std::uint32_t rgb = dump.pixels[std::size_t(y * dump.width + x0)];
            differing += (backing.pixel(x0, y) & 0xFFFFFF) != rgb;
            picture.setPixel(x0, y, 0xFF000000u | rgb);
            const int r = int(rgb >> 16) & 255, g = int(rgb >> 8) & 255, b = int(rgb) & 255;
            red += r > 200 && g < 60 && b < 60;
            // The watermark's pale cyan.
            tinted += r < 240 && g > 240 && b > 240;
        }
    EXPECT_EQ(differing, 0);
    EXPECT_GT(red, 100);
    EXPECT_GT(tinted, 100);
    if (const char* keep = std::getenv("SCRIVLY_LIVE_WINDOW_PNG"))
        picture.save(QString::fromStdString(std::string(keep) + "-master.png"));
    document->detachView(shown);
}

// The document window's own scroll view, scrolled by dragging its scroller
// through the X server: the rulers follow, and on the screen the zero tick
// of each page whose edge shows stands on that edge.
class LiveWindowScroll : public LiveWindow {
protected:
    void SetUp() override
    {
        LiveWindow::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        live_->endEditingIfNeeded();
        for (int i = 0; i < 2; ++i) {
            auto page = std::make_unique<Page>();
            page->setSize(kit::makeSize(612, 792));
            pages_.push_back(document_->addPage(std::move(page)));
        }
        document_->calcPageRectsFor(1);
        document_->detachView(live_);
        auto scroll = std::make_unique<PageScrollView>(kit::makeRect(0, 0, 460, 360));
        auto view = std::make_unique<LivePageView>(kit::makeRect(0, 0, 0, 0));
        live_ = view.get();
        scroll->setDocumentView(std::move(view));
        live_->setFrameSize(document_->canvasSize());
        live_->setDocument(document_.get());
        scroll_ = scroll.get();
        window_->setContentView(std::move(scroll));
        document_->addView(live_);
        window_->setTitle(kTitle);
        scroll_->toggleRulers(nullptr);
        scroll_->tile();
        live_->scrollPoint(pages_[0]->pageRect().origin);
        window_->display();
    }

    // The window column (x) of the darkest tick near x in the ruler, read
    // from the screen.
    int darkestTickNear(const WindowDump& dump, float x, float fromY, float toY)
    {
        int best = -1;
        unsigned bestDark = 0;
        for (int col = int(std::lround(x)) - 2; col <= int(std::lround(x)) + 2; ++col) {
            unsigned dark = 0;
            for (int row = int(fromY); row <= int(toY); ++row) {
                if (col < 0 || col >= dump.width || row < 0 || row >= dump.height)
                    continue;
                const std::uint32_t rgb = dump.pixels[std::size_t(row * dump.width + col)];
                dark += 255 - (rgb & 0xFF);
            }
            if (dark > bestDark) {
                bestDark = dark;
                best = col;
            }
        }
        return best;
    }

    PageScrollView* scroll_ = nullptr;
};

TEST_F(LiveWindowScroll, ADraggedScrollerMovesTheRulersWithThePages)
{
    const std::string id = windowId();
    ASSERT_FALSE(id.empty()) << "xdotool found no window titled " << kTitle;
    kit::Scroller* scroller = scroll_->horizontalScroller();
    ASSERT_TRUE(scroller->isEnabled());
    const kit::Rect knob = scroller->convertRectToView(scroller->knobRect(), nullptr);
    const float height = window_->contentRect().size.height;
    const auto xy = [&](float x, float y) {
        return std::to_string(int(std::lround(x))) + " " + std::to_string(int(std::lround(height - y)));
    };
    const float startX = kit::midX(knob), y = kit::midY(knob);
    const std::string x = "'" + xdotool_ + "' ";
    // Far enough that the second page's left edge comes into view.
    const kit::Rect second = pages_[1]->pageRect();
    const float by = (second.origin.x - pages_[0]->pageRect().origin.x - 150.0f) * scroller->bounds().size.width /
                     live_->frame().size.width;
    std::string drag = x + "mousemove --window " + id + " " + xy(startX, y) + " && sleep 0.2 && " + x +
                       "mousedown 1 && sleep 0.2";
    for (int step = 1; step <= 4; ++step)
        drag += " && " + x + "mousemove --window " + id + " " + xy(startX + by * float(step) / 4.0f, y) +
                " && sleep 0.1";
    drag += " && " + x + "mouseup 1";
    ASSERT_EQ(runWhile(drag, [&] {
        const kit::Rect shown = live_->visibleRect();
        return shown.origin.x > pages_[0]->pageRect().origin.x + 100.0f && second.origin.x < kit::maxX(shown);
    }), 0) << "see " << folder_ << "/xdotool.log";
    const kit::Rect visible = live_->visibleRect();
    ASSERT_GT(visible.origin.x, pages_[0]->pageRect().origin.x + 100.0f);
    ASSERT_LT(second.origin.x, kit::maxX(visible));
    window_->displayIfNeeded();
    settle(0.3);

    const std::string dumpFile = folder_ + "/scrolled.xwd";
    ASSERT_EQ(std::system(("'" + xwd_ + "' -silent -id " + id + " -out '" + dumpFile + "'").c_str()), 0);
    const WindowDump dump = readWindowDump(dumpFile);
    ASSERT_GT(dump.width, 0);
    if (const char* keep = std::getenv("SCRIVLY_LIVE_WINDOW_DUMP")) {
        EXPECT_EQ(std::system(("cp '" + dumpFile + "' '" + std::string(keep) + "-scrolled.xwd'").c_str()), 0);
    }
    RulerViewInset* ruler = scroll_->horizontalRuler();
    // The rows of the long ticks, below the numbers.
    const kit::Point low = ruler->convertPointToView(kit::makePoint(0, 1.5f), nullptr);
    const kit::Point high = ruler->convertPointToView(kit::makePoint(0, 3.0f), nullptr);
    int checked = 0;
    for (Page* page : pages_) {
        const float edge = live_->convertPointToView(page->pageRect().origin, nullptr).x;
        const kit::Rect clip = scroll_->horizontalRulerClip()->frame();
        if (edge < kit::minX(clip) + 3 || edge > kit::maxX(clip) - 3)
            continue;
        ++checked;
        const int tick = darkestTickNear(dump, edge, height - high.y, height - low.y);
        EXPECT_NEAR(tick, edge, 1.0) << "page " << page->absolutePageNumber();
    }
    EXPECT_GE(checked, 1);
    expectScreenIsFresh(id, "scrolled");
}

TEST_F(LiveWindow, ABoxDraggedOutOfTheWindowThroughTheXServerScrollsTheViewAndMovesWithIt)
{
    live_->endEditingIfNeeded();
    auto shared = std::make_shared<ItemBox>();
    ItemBox* box = shared.get();
    box->setFrame(kit::makeRect(120, 240, 80, 50), false);
    box->setHasFill(true);
    box->setFillColor(kit::Color::colorWithDeviceRed(0.9f, 0.3f, 0.2f));
    pages_[0]->addItems(std::move(shared));
    document_->setSelection({box}, live_);
    window_->display();
    const std::string id = windowId();
    ASSERT_FALSE(id.empty()) << "xdotool found no window titled " << kTitle;
    const kit::Rect visible = live_->visibleRect();
    const int records = document_->undoInfo()->count();

    // Pressed on the box, then down past the window's bottom edge, held
    // there while the view scrolls, and let go.
    const std::string x = "'" + xdotool_ + "' ";
    const int below = int(window_->contentRect().size.height) + 30;
    // The pointer stays below the window until the view has scrolled well
    // past what is checked (a busy machine scrolls in fewer steps a second).
    const std::string scrolled = folder_ + "/scrolled";
    std::remove(scrolled.c_str());
    live_->didAutoscroll = [&] {
        if (kit::minY(live_->visibleRect()) > kit::minY(visible) + 150)
            std::ofstream(scrolled) << "scrolled\n";
    };
    std::string drag = x + "mousemove --window " + id + " " + xPointOfPage({160, 265}) + " && sleep 0.2 && " + x +
                       "mousedown 1 && sleep 0.2";
    for (int step = 1; step <= 4; ++step)
        drag += " && " + x + "mousemove --window " + id + " " + xPointOfPage({160, 265.0f + 20.0f * float(step)}) +
                " && sleep 0.1";
    drag += " && " + x + "mousemove --window " + id + " 200 " + std::to_string(below) +
            " && for i in $(seq 400); do [ -e '" + scrolled + "' ] && break; sleep 0.05; done";
    // Back inside, near the bottom: the picture shows under the pointer
    // over the scrolled page.
    drag += " && " + x + "mousemove --window " + id + " 200 " + std::to_string(below - 100) + " && sleep 0.3";
    if (const char* keep = std::getenv("SCRIVLY_LIVE_WINDOW_DUMP"))
        drag += " && '" + xwd_ + "' -silent -root -out '" + keep + "-autoscroll.xwd'";
    drag += " && " + x + "mouseup 1";
    // Done once the drop is on the undo stack.
    ASSERT_EQ(runWhile(drag, [&] { return document_->undoInfo()->count() > records; }), 0)
        << "see " << folder_ << "/xdotool.log";
    live_->didAutoscroll = nullptr;
    EXPECT_EQ(live_->itemHits, 1);
    // The view scrolled down while the pointer stayed below it, and the box
    // went with the view: it lies where the pointer let it go, in sight.
    const kit::Rect now = live_->visibleRect();
    EXPECT_GT(kit::minY(now), kit::minY(visible) + 100) << kit::stringFromRect(now);
    kit::Rect frame = box->frame();
    EXPECT_GT(frame.origin.y, 240 + 100) << kit::stringFromRect(frame);
    pages_[0]->convertFromPage(&frame.origin);
    EXPECT_TRUE(kit::containsRect(now, frame)) << kit::stringFromRect(frame) << " in " << kit::stringFromRect(now);
    EXPECT_EQ(document_->undoInfo()->count(), records + 1);
    expectScreenIsFresh(id, "dragged out of the window");
}
