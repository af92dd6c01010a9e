// The tool palette and its cell-drag matrix: the forced selection tool
// (Command, the toggle and its key), resizing by whole tools, and cells
// picked up with Command and dropped on another.

#include "EditingTestSupport.h"

#include "appkit/Button.h"
#include "appkit/ButtonCell.h"
#include "appkit/CellMatrix.h"
#include "core/EventState.h"
#include "graphics/DrawContext.h"
#include "graphics/RasterContext.h"
#include "view/ENSMatrix.h"
#include "view/PanelToolbar.h"

#include <cmath>

namespace {

class PaletteTest : public EditingTest {
protected:
    void SetUp() override
    {
        EditingTest::SetUp();
        delegate_->setMainDocumentView(view_);
        toolbar_ = dynamic_cast<PanelToolbar*>(delegate_->panel("toolbar", true));
        ASSERT_NE(toolbar_, nullptr);
        toolbar_->setDocumentDelegate(delegate_.get());
    }
    void TearDown() override
    {
        kit::setCurrentEventModifierFlags(0);
        EditingTest::TearDown();
    }
    kit::Event mouse(kit::EventType type, const kit::Window& window, kit::Point p, unsigned flags = 0) const
    {
        return kit::Event::mouseEventWithType(type, p, flags, kit::Clock::now(), window.windowNumber(), 1);
    }
    PanelToolbar* toolbar_ = nullptr;
};

TEST_F(PaletteTest, CommandAndTheToggleForceTheSelectionTool)
{
    DocumentTool* select = toolbar_->selectTool();
    DocumentTool* text = toolbar_->textTool();
    // The built palette's cells are its tools, tagged from 1.
    ASSERT_NE(toolbar_->toolMatrix(), nullptr);
    EXPECT_EQ(toolbar_->toolMatrix()->numberOfRows(), 2);
    EXPECT_EQ(toolbar_->toolMatrix()->cellAtRow(1, 0)->tag(), 2);
    EXPECT_FALSE(toolbar_->canBecomeKeyWindow());

    toolbar_->setActiveTool(text);
    kit::setCurrentEventModifierFlags(kit::CommandKeyMask);
    EXPECT_EQ(toolbar_->activeTool(), select);
    EXPECT_TRUE(toolbar_->isSelectToolForced());
    // Toggling while Command is held only beeps.
    const int beeps = alerts_->beeps();
    toolbar_->toggleSelectToolForced();
    EXPECT_EQ(alerts_->beeps(), beeps + 1);
    EXPECT_EQ(toolbar_->previousTool(), nullptr);
    kit::setCurrentEventModifierFlags(0);
    EXPECT_EQ(toolbar_->activeTool(), text);
    EXPECT_FALSE(toolbar_->isSelectToolForced());

    // Two toggles come back; a tool chosen between ends the forcing, so
    // the next toggle forces again.
    toolbar_->toggleSelectToolForced();
    EXPECT_EQ(toolbar_->activeTool(), select);
    EXPECT_TRUE(toolbar_->isSelectToolForced());
    EXPECT_EQ(toolbar_->previousTool(), text);
    EXPECT_EQ(toolbar_->toolMatrix()->selectedRow(), 0);
    toolbar_->toggleSelectToolForced();
    EXPECT_EQ(toolbar_->activeTool(), text);
    EXPECT_FALSE(toolbar_->isSelectToolForced());
    EXPECT_EQ(toolbar_->toolMatrix()->selectedRow(), 1);

    toolbar_->toggleSelectToolForced();
    toolbar_->setActiveTool(text);
    EXPECT_FALSE(toolbar_->isSelectToolForced());
    toolbar_->toggleSelectToolForced();
    EXPECT_EQ(toolbar_->activeTool(), select);
    EXPECT_EQ(toolbar_->previousTool(), text);

    // A tool that is no cell's target changes nothing.
    LayvaneTool stranger;
    toolbar_->makeActiveTool(&stranger);
    EXPECT_EQ(toolbar_->activeTool(), select);
}

TEST_F(PaletteTest, EscapeOnThePageTogglesThePaletteAndTheEditedFrameStaysSelected)
{
    toolbar_->setActiveTool(toolbar_->textTool());
    // Editing the first column.
    window_->makeFirstResponder(view_);
    first_->beginEditing(nullptr, view_);
    ASSERT_TRUE(view_->isEditing());
    window_->sendEvent(kit::Event::keyEventWithType(kit::EventType::KeyDown, {}, 0, kit::Clock::now(),
                                                    window_->windowNumber(), u"\x1b", u"\x1b", false, 53));
    EXPECT_EQ(toolbar_->activeTool(), toolbar_->selectTool());
    EXPECT_EQ(toolbar_->previousTool(), toolbar_->textTool());
    EXPECT_FALSE(view_->isEditing());
    EXPECT_EQ(document_->selected(), std::vector<Item*>{first_});
    window_->sendEvent(kit::Event::keyEventWithType(kit::EventType::KeyDown, {}, 0, kit::Clock::now(),
                                                    window_->windowNumber(), u"\x1b", u"\x1b", false, 53));
    EXPECT_EQ(toolbar_->activeTool(), toolbar_->textTool());
    EXPECT_EQ(toolbar_->previousTool(), nullptr);
}

// A palette of its own: count cells of the height under a bar of 10.
struct BuiltPalette {
    std::unique_ptr<PanelToolbar> palette = std::make_unique<PanelToolbar>();
    BuiltPalette(int count, float cellHeight)
    {
        palette->setContentSize({40, std::max(cellHeight * static_cast<float>(count), 1.0f) + 10});
        palette->setFrameOrigin({100, 200});
        auto matrix = std::make_unique<kit::CellMatrix>(
            kit::makeRect(0, 10, 40, cellHeight * static_cast<float>(count)), kit::MatrixMode::Radio, nullptr, 0, 0);
        matrix->setDrawsButtonCells(true);
        matrix->setCellSize({40, cellHeight});
        matrix->setIntercellSpacing({0, 0});
        std::vector<std::unique_ptr<kit::Cell>> cells;
        for (int i = 0; i < count; ++i) {
            cells.push_back(std::make_unique<kit::ButtonCell>());
            cells.back()->setTag(i + 1);
        }
        if (count > 0)
            matrix->addColumnWithCells(std::move(cells));
        auto* placed = static_cast<kit::CellMatrix*>(palette->contentView()->addSubview(std::move(matrix)));
        auto* bar = static_cast<kit::Button*>(
            palette->contentView()->addSubview(std::make_unique<kit::Button>(kit::makeRect(0, 0, 40, 10))));
        palette->setToolMatrix(placed);
        palette->setToolResizeBar(bar);
    }
};

TEST_F(PaletteTest, TheResizeBarShowsWholeToolsBetweenOneRowAndAll)
{
    const struct {
        const char* what;
        int count;
        float cellHeight;
        std::vector<float> drags; // mouse y in the window, then the release
        float height;             // of the frame; 0: unchanged
    } cases[] = {
        {"far down: never more rows than tools", 6, 36, {-3000}, 6 * 36 + 32},
        {"far up: never under 103 points", 6, 36, {5000}, 2 * 36 + 32},
        // 178 points of tools asked for: nearest whole rows, five.
        {"between rows rounds to the nearest", 6, 36, {-106}, 5 * 36 + 32},
        {"no drag: unchanged", 6, 36, {}, 0},
        {"tall tools far up keep one row", 3, 200, {5000}, 200 + 32},
        {"no cells: nothing", 0, 36, {-3000}, 0},
        {"no cell height: nothing", 4, 0, {-3000}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        BuiltPalette built(c.count, c.cellHeight);
        PanelToolbar& palette = *built.palette;
        const kit::Rect before = palette.frame();
        for (float y : c.drags)
            app_->postEvent(mouse(kit::EventType::LeftMouseDragged, palette, {20, y}), false);
        app_->postEvent(mouse(kit::EventType::LeftMouseUp, palette, {20, c.drags.empty() ? 5 : c.drags.back()}),
                        false);
        palette.resize(nullptr);
        const kit::Rect after = palette.frame();
        if (c.height == 0) {
            EXPECT_EQ(after, before);
        } else {
            EXPECT_FLOAT_EQ(after.size.height, c.height);
        }
        // The top edge never moves.
        EXPECT_FLOAT_EQ(kit::maxY(after), kit::maxY(before));
        app_->discardEventsMatchingMask(kit::AnyEventMask, nullptr);
    }
}

// Cells that fill themselves with one grey (0.1 a tag), so that where a
// cell's picture is shows on the screen.
class GreyCell : public kit::Cell {
public:
    std::string className() const override { return "GreyCell"; }
    void drawWithFrame(const kit::Rect& frame, kit::View*) override
    {
        if (kit::DrawContext* c = kit::DrawContext::current()) {
            c->setgray(0.1f * static_cast<float>(tag()));
            c->rectfill(frame);
        }
    }
};

struct Target : kit::Receiver {
    std::string className() const override { return "Target"; }
    explicit Target(int* count)
    {
        setAction("picked:", [count](kit::Object*) -> kit::Object* {
            ++*count;
            return nullptr;
        });
    }
};

struct DragWindow {
    std::unique_ptr<kit::Window> window = std::make_unique<kit::Window>(kit::makeRect(0, 0, 60, 200));
    ENSMatrix* matrix = nullptr;
    int actions = 0;
    Target target{&actions};

    DragWindow()
    {
        auto made = std::make_unique<kit::CellMatrix>(kit::makeRect(10, 10, 40, 160), kit::MatrixMode::Radio,
                                                      nullptr, 0, 0);
        made->setCellSize({40, 40});
        made->setIntercellSpacing({0, 0});
        std::vector<std::unique_ptr<kit::Cell>> cells;
        for (int tag : {1, 2, 0, 4}) {
            cells.push_back(std::make_unique<GreyCell>());
            cells.back()->setTag(tag);
        }
        made->addColumnWithCells(std::move(cells));
        made->setTag(77);
        made->selectCellAtRow(1, 0);
        made->setTarget(&target);
        made->setAction("picked:");
        made->setBackgroundColor(kit::Color::whiteColor());
        std::unique_ptr<ENSMatrix> promoted = ENSMatrix::promote(*made);
        matrix = static_cast<ENSMatrix*>(window->contentView()->addSubview(std::move(promoted)));
        window->display();
        window->flushWindow();
    }
    // A point of the matrix (flipped) in the window.
    kit::Point at(float x, float y) const { return matrix->convertPointToView({x, y}, nullptr); }
};

TEST_F(PaletteTest, PromoteKeepsTheMatrixSettingsAndTakesItsCells)
{
    DragWindow w;
    ENSMatrix& m = *w.matrix;
    EXPECT_EQ(m.mode(), kit::MatrixMode::Radio);
    EXPECT_EQ(m.numberOfRows(), 4);
    EXPECT_EQ(m.numberOfColumns(), 1);
    EXPECT_EQ(m.frame(), kit::makeRect(10, 10, 40, 160));
    EXPECT_EQ(m.cellSize(), (kit::Size{40, 40}));
    EXPECT_EQ(m.intercellSpacing(), (kit::Size{0, 0}));
    EXPECT_EQ(m.tag(), 77);
    EXPECT_EQ(m.selectedRow(), 1);
    EXPECT_EQ(m.target(), &w.target);
    EXPECT_EQ(m.action(), "picked:");
    EXPECT_EQ(m.prototype(), nullptr);
    EXPECT_EQ(m.autoresizingMask() & kit::ViewHeightSizable, kit::ViewHeightSizable);
    EXPECT_EQ(m.cellAtRow(3, 0)->tag(), 4);
    EXPECT_EQ(m.cellAtRow(3, 0)->controlView(), &m);
}

TEST_F(PaletteTest, ACellDraggedWithCommandFollowsTheMouseInsideTheMatrixAndChangesPlaces)
{
    DragWindow w;
    kit::Window& window = *w.window;
    ENSMatrix& m = *w.matrix;
    kit::Cell* first = m.cellAtRow(0, 0);
    kit::Cell* second = m.cellAtRow(1, 0);

    // The grey of the first cell (tag 1) on the screen, base coordinates.
    auto screenGrey = [&](kit::Point inMatrix) {
        const kit::Point p = w.at(inMatrix.x, inMatrix.y);
        return window.flushedPixel(static_cast<int>(p.x), static_cast<int>(p.y)) & 0xff;
    };
    const std::uint32_t firstGrey = screenGrey({20, 20});
    ASSERT_NE(firstGrey, screenGrey({20, 60}));

    // Grabbed in its middle and dragged far left and below the matrix:
    // the picture stays flush with the bottom-left, one flush an event.
    app_->postEvent(mouse(kit::EventType::LeftMouseDragged, window, w.at(-500, 20), kit::CommandKeyMask), false);
    app_->postEvent(mouse(kit::EventType::LeftMouseDragged, window, w.at(20, 5000), kit::CommandKeyMask), false);
    app_->postEvent(mouse(kit::EventType::LeftMouseDragged, window, w.at(20, 60), kit::CommandKeyMask), false);
    const int flushes = window.flushCount();
    const kit::Event down = mouse(kit::EventType::LeftMouseDown, window, w.at(20, 20), kit::CommandKeyMask);
    app_->postEvent(mouse(kit::EventType::LeftMouseUp, window, w.at(20, 60), kit::CommandKeyMask), false);
    ASSERT_TRUE(doCellDrag(m, down));
    EXPECT_EQ(window.flushCount() - flushes, 3 + 1);
    // Dropped on the second cell: the two changed places and the selected
    // cell is still the selected one.
    EXPECT_EQ(m.cellAtRow(0, 0), second);
    EXPECT_EQ(m.cellAtRow(1, 0), first);
    EXPECT_EQ(m.selectedCell(), second);
    EXPECT_EQ(screenGrey({20, 60}), firstGrey);
}

TEST_F(PaletteTest, TheDraggedPictureStaysFlushWithTheMatrixEdges)
{
    // The second cell (tag 2), grabbed in its middle, is dragged past an
    // edge and released there: the drop is the middle of the picture's
    // last place, which lies in the cell at that edge only when the
    // picture was kept flush with it.
    const struct {
        const char* what;
        kit::Point to;  // the mouse, in the matrix
        int droppedRow; // where the dragged cell ends
    } cases[] = {
        {"past the bottom", {20, 5000}, 3},
        {"past the left, at the last row", {-500, 140}, 3},
        {"past the top", {20, -500}, 0},
        {"past the right, at the first row", {900, 20}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        DragWindow w;
        kit::Window& window = *w.window;
        const kit::Point grab = w.at(20, 60);
        const std::uint32_t dragged = window.flushedPixel(static_cast<int>(grab.x), static_cast<int>(grab.y)) & 0xff;
        kit::Cell* cell = w.matrix->cellAtRow(1, 0);
        app_->postEvent(mouse(kit::EventType::LeftMouseDragged, window, w.at(c.to.x, c.to.y), kit::CommandKeyMask),
                        false);
        app_->postEvent(mouse(kit::EventType::LeftMouseUp, window, w.at(c.to.x, c.to.y), kit::CommandKeyMask), false);
        ASSERT_TRUE(doCellDrag(*w.matrix, mouse(kit::EventType::LeftMouseDown, window, grab, kit::CommandKeyMask)));
        EXPECT_EQ(w.matrix->cellAtRow(c.droppedRow, 0), cell);
        const kit::Point p = w.at(20, 40.0f * static_cast<float>(c.droppedRow) + 20);
        EXPECT_EQ(window.flushedPixel(static_cast<int>(p.x), static_cast<int>(p.y)) & 0xff, dragged);
    }
}

TEST_F(PaletteTest, ACommandClickOnAnUntaggedCellIsAPlainClick)
{
    DragWindow w;
    const int flushes = w.window->flushCount();
    const kit::Event down = mouse(kit::EventType::LeftMouseDown, *w.window, w.at(20, 100), kit::CommandKeyMask);
    EXPECT_FALSE(doCellDrag(*w.matrix, down));
    EXPECT_EQ(w.window->flushCount(), flushes);
    app_->postEvent(mouse(kit::EventType::LeftMouseUp, *w.window, w.at(20, 100), kit::CommandKeyMask), false);
    w.matrix->mouseDown(down);
    EXPECT_EQ(w.matrix->selectedRow(), 2);
    EXPECT_EQ(w.actions, 1);
    EXPECT_EQ(w.matrix->cellAtRow(2, 0)->tag(), 0);
}

TEST(DrawHole, ASunkenWellLitFromTheGreatestEdges)
{
    // Drawn unflipped here: greatest y is the top row of the image.
    kit::RasterContext context(10, 10);
    context.fillImage(0xff00ff00);
    drawHole(context, kit::makeRect(0, 0, 10, 10));
    const auto grey = [&](int x, int yUp) { return context.pixel(x, 9 - yUp) & 0xff; };
    const std::uint32_t dark = 0x55;
    const struct {
        const char* where;
        int x, y;
        std::uint32_t value;
    } cases[] = {
        {"greatest-y edge", 5, 9, 0xff},      {"greatest-x edge", 9, 5, 0xff}, {"least-y edge, outer", 5, 0, dark},
        {"least-x edge, outer", 0, 5, dark}, {"least-x edge, inner", 1, 5, 0},  {"least-y edge, inner", 5, 1, 0},
        {"inside", 5, 5, dark},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.where);
        EXPECT_NEAR(static_cast<int>(grey(c.x, c.y)), static_cast<int>(c.value), 1);
    }
}

} // namespace
