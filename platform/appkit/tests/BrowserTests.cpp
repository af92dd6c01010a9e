// The browser: columns filled by the delegate, chosen by the mouse, and a
// column filled again keeping what was chosen.

#include "AppKitTesting.h"

#include "appkit/Browser.h"
#include "appkit/CellMatrix.h"
#include "appkit/EventScript.h"
#include "appkit/Window.h"

#include <map>
#include <set>

using namespace kit;

namespace {

// Column 0 lists the keys; a key with children opens them in column 1.
class TreeDelegate : public BrowserDelegate {
public:
    int browserCreateRowsForColumn(Browser* sender, int column, CellMatrix* matrix) override
    {
        ++fills[column];
        std::vector<std::string> rows;
        if (column == 0) {
            rows = top;
        } else if (const Cell* chosen = sender->matrixInColumn(column - 1)->selectedCell()) {
            rows = children[chosen->stringValue()];
        }
        for (const std::string& text : rows) {
            matrix->addRow();
            auto* cell = static_cast<BrowserCell*>(matrix->cellAtRow(matrix->numberOfRows() - 1, 0));
            cell->setStringValue(text);
            cell->setLeaf(column > 0 || children[text].empty());
            cell->setEnabled(disabled.count(text) == 0);
        }
        return int(rows.size());
    }

    std::vector<std::string> top;
    std::map<std::string, std::vector<std::string>> children;
    std::set<std::string> disabled;
    std::map<int, int> fills;
};

Point rowCentre(const CellMatrix& matrix, int row)
{
    Rect r = matrix.convertRectToView(matrix.cellFrameAtRow(row, 0), nullptr);
    return {midX(r), midY(r)};
}

std::vector<std::string> column(const Browser& browser, int index)
{
    std::vector<std::string> out;
    const CellMatrix* matrix = browser.matrixInColumn(index);
    for (int r = 0; matrix && r < matrix->numberOfRows(); ++r)
        out.push_back(matrix->cellAtRow(r, 0)->stringValue());
    return out;
}

class BrowserTest : public AppKitTest {
protected:
    void SetUp() override
    {
        AppKitTest::SetUp();
        window = std::make_unique<Window>(makeRect(0, 0, 400, 300));
        browser = static_cast<Browser*>(
            window->contentView()->addSubview(std::make_unique<Browser>(makeRect(10, 10, 380, 280))));
        browser->setMaxVisibleColumns(2);
        browser->setDelegate(&tree);
        browser->setTarget(&target);
        browser->setAction("pick:");
        browser->setDoubleAction("open:");
        tree.top = {"fruit", "stone", "tree"};
        tree.children["fruit"] = {"apple", "pear"};
        tree.children["tree"] = {"oak"};
        window->makeKeyAndOrderFront();
    }

    std::unique_ptr<Window> window;
    Browser* browser = nullptr;
    TreeDelegate tree;
    ActionRecorder target{"pick:", "open:"};
};

} // namespace

TEST_F(BrowserTest, AClickOpensTheNextColumnAndSendsTheActionFromTheBrowser)
{
    browser->setTitle("Things", 0);
    browser->loadColumnZero();
    EXPECT_EQ(column(*browser, 0), (std::vector<std::string>{"fruit", "stone", "tree"}));
    EXPECT_EQ(browser->titleOfColumn(0), "Things");
    EXPECT_EQ(browser->selectedCell(), nullptr);

    const Point fruit = rowCentre(*browser->matrixInColumn(0), 0);
    EventScript(*window).at(0.1).mouseDown(fruit).after(0.05).mouseUp(fruit).schedule();
    app->run();
    ASSERT_EQ(target.count("pick:"), 1);
    EXPECT_EQ(target.calls[0].sender, browser);
    EXPECT_EQ(browser->numberOfColumns(), 2);
    EXPECT_EQ(column(*browser, 1), (std::vector<std::string>{"apple", "pear"}));

    // A leaf opens nothing; a double click on it sends the double action.
    const Point pear = rowCentre(*browser->matrixInColumn(1), 1);
    EventScript(*window)
        .at(0.1).mouseDown(pear).after(0.05).mouseUp(pear)
        .after(0.1).mouseDown(pear, 0, 2).after(0.05).mouseUp(pear)
        .schedule();
    app->run();
    EXPECT_EQ(browser->numberOfColumns(), 2);
    EXPECT_EQ(browser->selectedColumn(), 1);
    ASSERT_NE(browser->selectedCell(), nullptr);
    EXPECT_EQ(browser->selectedCell()->stringValue(), "pear");
    EXPECT_EQ(target.count("open:"), 1);

    // Choosing a leaf of column 0 closes the column right of it.
    const Point stone = rowCentre(*browser->matrixInColumn(0), 1);
    EventScript(*window).at(0.1).mouseDown(stone).after(0.05).mouseUp(stone).schedule();
    app->run();
    EXPECT_EQ(browser->numberOfColumns(), 1);
    EXPECT_EQ(browser->selectedCell()->stringValue(), "stone");
}

TEST_F(BrowserTest, ADisabledRowCannotBeChosen)
{
    tree.disabled = {"stone"};
    browser->loadColumnZero();
    const Point stone = rowCentre(*browser->matrixInColumn(0), 1);
    EventScript(*window).at(0.1).mouseDown(stone).after(0.05).mouseUp(stone).schedule();
    app->run();
    EXPECT_EQ(browser->selectedCell(), nullptr);
    EXPECT_EQ(target.count("pick:"), 0);
}

TEST_F(BrowserTest, ReloadingAColumnKeepsTheChosenTextWhereverItMoved)
{
    struct Case {
        const char* name;
        std::vector<std::string> after;
        int row; // -1: nothing chosen any more
        int columns;
    };
    const Case cases[] = {
        {"same rows", {"fruit", "stone", "tree"}, 0, 2},
        {"a row before it", {"ash", "fruit", "tree"}, 1, 2},
        {"gone", {"stone", "tree"}, -1, 1},
        {"empty", {}, -1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        tree.top = {"fruit", "stone", "tree"};
        browser->loadColumnZero();
        browser->selectRow(0, 0);
        ASSERT_EQ(browser->numberOfColumns(), 2);
        const int fillsBefore = tree.fills[0];
        tree.top = c.after;
        browser->reloadColumn(0);
        EXPECT_EQ(tree.fills[0], fillsBefore + 1);
        EXPECT_EQ(column(*browser, 0), c.after);
        EXPECT_EQ(browser->selectedRowInColumn(0), c.row);
        EXPECT_EQ(browser->numberOfColumns(), c.columns);
        if (c.row >= 0) {
            ASSERT_NE(browser->selectedCell(), nullptr);
            EXPECT_EQ(browser->selectedCell()->stringValue(), "fruit");
        }
    }
    EXPECT_EQ(target.count("pick:"), 0);
}
