// A matrix finds a cell's place however its cells moved, and redraws only
// the cells a rectangle meets.

#include "appkit/CellMatrix.h"
#include "graphics/DrawContext.h"
#include "graphics/RasterContext.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

namespace {

class CountingCell : public kit::Cell {
public:
    explicit CountingCell(std::vector<const kit::Cell*>* drawn = nullptr) : drawn_(drawn) {}
    std::unique_ptr<kit::Cell> copy() const override { return std::make_unique<CountingCell>(drawn_); }
    void drawWithFrame(const kit::Rect&, kit::View*) override
    {
        if (drawn_)
            drawn_->push_back(this);
    }

private:
    std::vector<const kit::Cell*>* drawn_;
};

// Every cell's answer is where cellAtRow finds it.
void expectPlaces(const kit::CellMatrix& matrix, const char* step)
{
    for (int r = 0; r < matrix.numberOfRows(); ++r)
        for (int c = 0; c < matrix.numberOfColumns(); ++c) {
            int row = -1, column = -1;
            ASSERT_TRUE(matrix.getRow(&row, &column, matrix.cellAtRow(r, c))) << step;
            EXPECT_EQ(row, r) << step;
            EXPECT_EQ(column, c) << step;
        }
}

TEST(CellMatrixPlace, ACellsPlaceFollowsEveryChangeOfTheMatrix)
{
    kit::CellMatrix matrix({}, kit::MatrixMode::List, std::make_unique<CountingCell>(), 4, 2);
    expectPlaces(matrix, "made");
    const kit::Cell* gone = matrix.cellAtRow(1, 0);
    const struct {
        const char* step;
        std::function<void(kit::CellMatrix&)> change;
    } steps[] = {
        {"insert a row", [](kit::CellMatrix& m) { m.insertRow(0); }},
        {"remove a row", [](kit::CellMatrix& m) { m.removeRow(2); }},
        {"insert a column", [](kit::CellMatrix& m) { m.insertColumn(1); }},
        {"remove a column", [](kit::CellMatrix& m) { m.removeColumn(0); }},
        {"put a cell", [](kit::CellMatrix& m) { m.putCell(std::make_unique<CountingCell>(), 2, 1); }},
        {"renew to more", [](kit::CellMatrix& m) { m.renewRows(7, 3); }},
        {"renew to fewer", [](kit::CellMatrix& m) { m.renewRows(2, 1); }},
        {"add a row", [](kit::CellMatrix& m) { m.addRow(); }},
    };
    for (const auto& s : steps) {
        // Looked up before the change, so that a stale place would show.
        expectPlaces(matrix, s.step);
        s.change(matrix);
        expectPlaces(matrix, s.step);
    }
    // A cell no longer in the matrix has no place, nor has a cell never in it.
    CountingCell stranger;
    EXPECT_FALSE(matrix.getRow(nullptr, nullptr, &stranger));
    bool stillThere = false;
    for (const kit::Cell* cell : matrix.cells())
        stillThere = stillThere || cell == gone;
    if (!stillThere) {
        EXPECT_FALSE(matrix.getRow(nullptr, nullptr, gone));
    }
    kit::CellMatrix empty;
    EXPECT_FALSE(empty.getRow(nullptr, nullptr, &stranger));
}

TEST(CellMatrixPlace, DrawingARectangleDrawsOnlyTheCellsItMeets)
{
    std::vector<const kit::Cell*> drawn;
    kit::CellMatrix matrix(kit::makeRect(0, 0, 100, 1000), kit::MatrixMode::List,
                           std::make_unique<CountingCell>(&drawn), 50, 2);
    matrix.setCellSize({40, 18});
    matrix.setIntercellSpacing({2, 2});
    matrix.setDrawsBackground(false);
    kit::RasterContext raster(100, 1000);
    kit::DrawContext::Scope scope(raster);
    struct Case {
        kit::Rect rect;
        std::vector<std::pair<int, int>> cells; // (row, column), in drawing order
    };
    const Case cases[] = {
        {matrix.cellFrameAtRow(10, 1), {{10, 1}}},
        // Across the gap between rows 3 and 4 and both columns.
        {kit::makeRect(30, 70, 20, 16), {{3, 0}, {3, 1}, {4, 0}, {4, 1}}},
        // Only the gap between two rows.
        {kit::makeRect(0, 18.5f, 80, 1), {}},
        // Past the last row, and before the first.
        {kit::makeRect(0, 2000, 80, 50), {}},
        {kit::makeRect(-50, -50, 20, 20), {}},
        {kit::makeRect(0, 0, 1000, 40), {{0, 0}, {0, 1}, {1, 0}, {1, 1}}},
    };
    for (const Case& c : cases) {
        drawn.clear();
        matrix.drawRect(c.rect);
        std::vector<const kit::Cell*> expected;
        for (auto [r, col] : c.cells)
            expected.push_back(matrix.cellAtRow(r, col));
        EXPECT_EQ(drawn, expected) << kit::minX(c.rect) << "," << kit::minY(c.rect);
    }
}

} // namespace
