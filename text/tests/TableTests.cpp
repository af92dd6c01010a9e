#include "HigherLayers.h"
#include "TextTestSupport.h"

#include "core/Archiver.h"
#include "core/Exception.h"
#include "core/Unarchiver.h"
#include "core/Values.h"
#include "text/TableDefinition.h"
#include "text/TableParagraph.h"

#include <climits>
#include <functional>

namespace {

// A flow holding a plain paragraph, then a table of rows x columns cells
// (row by row), then another plain paragraph. Margins: column c runs from
// 100c + 10 to 100c + 90.
class TableTest : public TextTest {
protected:
    void SetUp() override
    {
        TextTest::SetUp();
        TextFlow::initialize();
    }

    void makeTable(int rows, int columns)
    {
        auto owned = std::make_unique<TableDefinition>();
        std::vector<ColumnDefinition::Margin> margins;
        for (int c = 0; c < columns; ++c)
            margins.emplace_back(100.0f * float(c) + 10.0f, 100.0f * float(c) + 90.0f);
        owned->setMargins(margins);
        table_ = flow_->addTable(std::move(owned));
        for (int r = 0; r < rows; ++r) {
            TableRow* row = table_->addRow();
            row->setColumnCount(short(columns));
            for (int c = 0; c < columns; ++c) {
                auto cell = std::make_unique<TableParagraph>(table_, r, c);
                cell->paragraphStyle()->setFont(font_);
                cell->addWord(std::make_unique<TextWord>("cell"));
                cells_.push_back(static_cast<TableParagraph*>(flow_->addParagraph(std::move(cell))));
            }
        }
        after_ = flow_->addParagraph(std::make_unique<TextParagraph>());
        after_->addWord(std::make_unique<TextWord>("after"));
        columns_ = columns;
    }

    TableParagraph* cell(int row, int column) const { return cells_[std::size_t(row * columns_ + column)]; }

    static void setBox(TextParagraph* paragraph, float firstY, float lastY)
    {
        paragraph->setFirstY(firstY);
        paragraph->setLastY(lastY);
    }

    std::unique_ptr<TextFlow> roundTrip(const kit::Object& root)
    {
        const std::string data = kit::Archiver::archivedDataWithRootObject(&root);
        return kit::Unarchiver::unarchiveObjectWithData<TextFlow>(data, unclaimed_);
    }

    TableDefinition* table_ = nullptr;
    std::vector<TableParagraph*> cells_;
    TextParagraph* after_ = nullptr;
    int columns_ = 0;
    std::vector<std::unique_ptr<kit::Object>> unclaimed_;
};

std::vector<int> dirtyFlags(const TextFlow& flow)
{
    std::vector<int> flags;
    for (const auto& paragraph : flow.paragraphList())
        flags.push_back(paragraph->dirty() ? 1 : 0);
    return flags;
}

void cleanAll(TextFlow& flow)
{
    for (const auto& paragraph : flow.paragraphList())
        paragraph->setDirty(false);
}

} // namespace

// ---- The model.

TEST_F(TableTest, AnAutomaticRowOnlyGrowsAFixedRowTakesAnyHeight)
{
    struct Case {
        char automatic;
        float from, to, expected;
    } const cases[] = {
        {1, 20, 10, 20}, {1, 20, 30, 30}, {0, 20, 10, 10}, {0, 20, 30, 30}, {1, 0, 0, 0},
    };
    for (const Case& c : cases) {
        TableDefinition table;
        TableRow* row = table.addRow();
        row->setHeight(c.from);
        row->setIsAutoHeight(c.automatic);
        row->setFirstY(5);
        row->setHeight(c.to);
        EXPECT_EQ(row->height(), c.expected) << int(c.automatic) << " " << c.from << " -> " << c.to;
        EXPECT_EQ(row->lastY(), 5 + c.expected);
    }
}

TEST_F(TableTest, RowsAndMarginsStayConsistentWithTheirCounts)
{
    TableDefinition table;
    EXPECT_EQ(table.rowAtIndex(0), nullptr);
    TableRow* first = table.addRow();
    TableRow* second = table.addRow();
    EXPECT_EQ(table.rowCount(), 2);
    EXPECT_EQ(table.rowAtIndex(0), first);
    EXPECT_EQ(table.rowAtIndex(1), second);
    EXPECT_EQ(table.rowAtIndex(2), nullptr);
    EXPECT_EQ(table.rowAtIndex(-1), nullptr);

    table.setMargins({{1, 2}, {3, 4}, {5, 6}});
    EXPECT_EQ(table.columnCount(), 3);
    ASSERT_NE(table.marginAt(2), nullptr);
    EXPECT_EQ(*table.marginAt(2), ColumnDefinition::Margin(5, 6));
    EXPECT_EQ(table.marginAt(3), nullptr);
    // The count and the margins never disagree, so the writer cannot run past them.
    table.setColumnCount(5);
    EXPECT_EQ(table.margins().size(), 5u);
    EXPECT_EQ(*table.marginAt(4), ColumnDefinition::Margin(0, 0));
    EXPECT_EQ(*table.marginAt(1), ColumnDefinition::Margin(3, 4));
    table.setColumnCount(-3);
    EXPECT_EQ(table.columnCount(), 0);
    EXPECT_TRUE(table.margins().empty());

    // More columns than the stored count holds are refused, keeping the old ones.
    table.setMargins({{7, 8}});
    std::vector<ColumnDefinition::Margin> tooMany(std::size_t(SHRT_MAX) + 1);
    EXPECT_THROW(table.setMargins(tooMany), kit::Exception);
    EXPECT_EQ(table.columnCount(), 1);
    EXPECT_EQ(table.margins().size(), 1u);
}

TEST_F(TableTest, CellSettersKeepTheirFieldsWidthsAndLeaveTheOthersAlone)
{
    struct Case {
        const char* what;
        std::function<void(TableParagraph&, int)> set;
        std::function<int(const TableParagraph&)> get;
        int value, expected;
    } const cases[] = {
        {"columnSpan", &TableParagraph::setColumnSpan, &TableParagraph::columnSpan, 300, 44},
        {"rowSpan", &TableParagraph::setRowSpan, &TableParagraph::rowSpan, 256, 0},
        {"rowSpan", &TableParagraph::setRowSpan, &TableParagraph::rowSpan, 255, 255},
        {"verticalAlignment", &TableParagraph::setVerticalAlignment, &TableParagraph::verticalAlignment, 5, 1},
        {"decimalPlaces", &TableParagraph::setDecimalPlaces, &TableParagraph::decimalPlaces, 17, 1},
        {"decimalPlaces", &TableParagraph::setDecimalPlaces, &TableParagraph::decimalPlaces, 15, 15},
        {"horizontalAlignment", &TableParagraph::setHorizontalAlignment, &TableParagraph::horizontalAlignment, 10, 2},
    };
    for (const Case& c : cases) {
        TableParagraph cell;
        // Every other field full, so that a setter spilling over shows.
        cell.setColumnSpan(255);
        cell.setRowSpan(255);
        cell.setHorizontalAlignment(7);
        cell.setVerticalAlignment(3);
        cell.setDecimalPlaces(15);
        cell.setVirtual(true);
        const int before[] = {cell.columnSpan(), cell.rowSpan(), cell.horizontalAlignment(),
                              cell.verticalAlignment(), cell.decimalPlaces(), cell.isVirtual()};
        c.set(cell, c.value);
        EXPECT_EQ(c.get(cell), c.expected) << c.what << " " << c.value;
        const int after[] = {cell.columnSpan(), cell.rowSpan(), cell.horizontalAlignment(),
                             cell.verticalAlignment(), cell.decimalPlaces(), cell.isVirtual()};
        int changed = 0;
        for (int i = 0; i < 6; ++i)
            changed += before[i] != after[i];
        EXPECT_LE(changed, 1) << c.what;
    }
    TableParagraph cell;
    cell.setVirtual(true);
    EXPECT_TRUE(cell.isVirtual());
    cell.setVirtual(false);
    EXPECT_FALSE(cell.isVirtual());
}

TEST_F(TableTest, HorizontalAlignmentAlignsTheCellsParagraph)
{
    // Code -> paragraph alignment (0 left, 1 right, 2 centre, 3 justified).
    const int expected[8] = {0, 3, 2, 1, 0, 0, 0, 0};
    for (int code = 0; code < 8; ++code) {
        TableParagraph cell;
        cell.paragraphStyle()->setAlignment(2);
        cell.setHorizontalAlignment(code);
        EXPECT_EQ(cell.horizontalAlignment(), code);
        EXPECT_EQ(cell.paragraphStyle()->alignment(), expected[code]) << code;
    }
}

TEST_F(TableTest, ALineFeedInACellIsALineBreakNotANewParagraph)
{
    makeTable(1, 2);
    TableParagraph* first = cell(0, 0);
    TextWord* word = first->firstWord();
    first->setCurrentWord(word);
    word->setInsertPoint(2);
    const int paragraphs = flow_->paragraphCount();
    // Through the paragraph's own interface, as the key handling types.
    TextParagraph* typedInto = first;
    typedInto->addByte(10);
    EXPECT_EQ(flow_->paragraphCount(), paragraphs);
    std::vector<std::string> words;
    for (const auto& w : first->wordList())
        words.push_back(w->isSpecial() ? std::to_string(static_cast<TextWordSpecial&>(*w).wordType())
                                       : std::string(w->text()));
    EXPECT_EQ(words, (std::vector<std::string>{"ce", "202", "ll"}));
    EXPECT_TRUE(first->dirty());
    typedInto->addByte('x');
    EXPECT_EQ(flow_->paragraphCount(), paragraphs);

    // A plain paragraph still ends at a line feed.
    paragraph_->addWord(std::make_unique<TextWord>("plain"));
    paragraph_->setCurrentWord(paragraph_->lastWord());
    paragraph_->lastWord()->setInsertPoint(2);
    paragraph_->addByte(10);
    EXPECT_EQ(flow_->paragraphCount(), paragraphs + 1);
}

// ---- What the layout asks of a cell.

TEST_F(TableTest, SpaceAroundATableGoesToItsFirstAndLastCells)
{
    makeTable(2, 3);
    struct Case {
        int row, column;
        float before, between, after;
    } const cases[] = {
        {0, 0, 5, 7, 0}, {0, 1, 0, 0, 0}, {0, 2, 0, 0, 0}, {1, 0, 0, 0, 0}, {1, 1, 0, 0, 0}, {1, 2, 0, 0, 11},
    };
    for (const Case& c : cases) {
        TableParagraph* at = cell(c.row, c.column);
        at->paragraphStyle()->setSpaceBefore(5);
        at->paragraphStyle()->setSpaceBetween(7);
        at->paragraphStyle()->setSpaceAfter(11);
        const TextParagraph* asLaidOut = at;
        EXPECT_EQ(asLaidOut->spaceBefore(), c.before) << c.row << "," << c.column;
        EXPECT_EQ(asLaidOut->spaceBetween(), c.between) << c.row << "," << c.column;
        EXPECT_EQ(asLaidOut->spaceAfter(), c.after) << c.row << "," << c.column;
    }

    // A one-cell table is first and last at once.
    TableDefinition single;
    single.setMargins({{0, 100}});
    single.addRow();
    TableParagraph only(&single, 0, 0);
    only.paragraphStyle()->setSpaceBefore(5);
    only.paragraphStyle()->setSpaceBetween(7);
    only.paragraphStyle()->setSpaceAfter(11);
    EXPECT_EQ(only.spaceBefore(), 5);
    EXPECT_EQ(only.spaceBetween(), 7);
    EXPECT_EQ(only.spaceAfter(), 11);
}

TEST_F(TableTest, CellsStartBelowTheRowBeforeOrBesideTheirRowsFirstCell)
{
    makeTable(3, 2);
    setBox(paragraph_, 0, 40);
    const float rowTops[] = {40, 65, 120};
    const float rowHeights[] = {20, 30, 10};
    for (int r = 0; r < 3; ++r) {
        table_->rowAtIndex(r)->setFirstY(rowTops[r]);
        table_->rowAtIndex(r)->setHeight(rowHeights[r]);
        table_->rowAtIndex(r)->setThickestTopBorder(float(r + 1));
    }
    struct Case {
        int row, column;
        float lowest;
    } const cases[] = {
        {0, 0, 40},  // the paragraph before the table ends there
        {0, 1, 40},  // its row's top
        {1, 0, 60},  // the row before ends there (40 + 20)
        {1, 1, 65},  // its row's top
        {2, 0, 95},  // 65 + 30
        {2, 1, 120},
    };
    for (const Case& c : cases) {
        const TextParagraph* at = cell(c.row, c.column);
        EXPECT_EQ(at->lowestAvailableY(), c.lowest) << c.row << "," << c.column;
        EXPECT_EQ(at->lastEffectiveY(), rowTops[c.row] + rowHeights[c.row]);
        EXPECT_EQ(at->topBorderWidth(), float(c.row + 1));
    }
    // The paragraph after the table starts below its last row.
    EXPECT_EQ(after_->lowestAvailableY(), 130);
}

TEST_F(TableTest, ACellsBorderSharesTheGapsWithItsNeighbours)
{
    makeTable(1, 3);
    table_->rowAtIndex(0)->setFirstY(12);
    table_->rowAtIndex(0)->setHeight(30);
    TextItem column;
    column.setFrame(kit::makeRect(5, 50, 400, 600), false);
    // Margins 10-90, 110-190, 210-290: the gaps are split at 100 and 200,
    // the outer edges reach 4 points out.
    const kit::Rect expected[] = {
        kit::makeRect(1, 12, 94, 30),
        kit::makeRect(95, 12, 100, 30),
        kit::makeRect(195, 12, 94, 30),
    };
    for (int c = 0; c < 3; ++c) {
        const kit::Rect border = cell(0, c)->borderInItem(&column);
        EXPECT_EQ(border.origin.x, expected[c].origin.x) << c;
        EXPECT_EQ(border.origin.y, expected[c].origin.y) << c;
        EXPECT_EQ(border.size.width, expected[c].size.width) << c;
        EXPECT_EQ(border.size.height, expected[c].size.height) << c;
    }
    // Outside its table a cell has no border.
    TableParagraph stray(table_, 0, 3);
    EXPECT_EQ(stray.borderInItem(&column).size.width, 0);
    TableParagraph orphan;
    EXPECT_EQ(orphan.borderInItem(&column).size.width, 0);
}

TEST_F(TableTest, ACellAtTheTopOfAColumnDoesNotMoveOn)
{
    makeTable(1, 1);
    TextItem first, second;
    first.setNextColumn(&second);
    second.setPrevColumn(&first);
    TableParagraph* at = cell(0, 0);
    setBox(at, 0, 500);
    EXPECT_EQ(at->_findNextItem(&first, at, 0, 0), nullptr);
    setBox(at, 10, 500);
    EXPECT_EQ(at->_findNextItem(&first, at, 0, 0), &second);
}

TEST_F(TableTest, AnAutomaticRowFollowsItsTallestCell)
{
    makeTable(2, 3);
    TableRow* row = table_->rowAtIndex(0);
    row->setIsAutoHeight(1);
    row->setFirstY(0);
    row->setHeight(20);
    for (int c = 0; c < 3; ++c)
        setBox(cell(0, c), 0, 20);
    setBox(cell(1, 0), 20, 200); // another row: never counts
    cleanAll(*flow_);

    // The middle cell gained a line: the row grows, the cells after it and
    // the first cell of the next row are laid out again, not the ones before.
    setBox(cell(0, 1), 0, 35);
    cell(0, 1)->_fitRowHeight(row, 20);
    EXPECT_EQ(row->height(), 35);
    EXPECT_EQ(row->isAutoHeight(), 1);
    EXPECT_EQ(dirtyFlags(*flow_), (std::vector<int>{0, 0, 0, 1, 1, 0, 0, 0}));

    // It lost it again: the row shrinks to the tallest cell left.
    cleanAll(*flow_);
    setBox(cell(0, 0), 0, 25);
    setBox(cell(0, 2), 0, 22);
    setBox(cell(0, 1), 0, 18);
    cell(0, 1)->_fitRowHeight(row, 35);
    EXPECT_EQ(row->height(), 25);
    EXPECT_EQ(row->isAutoHeight(), 1);

    // The last cell of the table marks the paragraph after the table.
    cleanAll(*flow_);
    setBox(cell(1, 2), 20, 60);
    table_->rowAtIndex(1)->setIsAutoHeight(1);
    cell(1, 2)->_fitRowHeight(table_->rowAtIndex(1), 10);
    EXPECT_EQ(table_->rowAtIndex(1)->height(), 180);
    EXPECT_EQ(dirtyFlags(*flow_), (std::vector<int>{0, 0, 0, 0, 0, 0, 0, 1}));

    // Under a point of change, or a fixed row, leave the row alone.
    cleanAll(*flow_);
    setBox(cell(0, 1), 0, 60.5f);
    cell(0, 1)->_fitRowHeight(row, 60);
    EXPECT_EQ(row->height(), 25);
    row->setIsAutoHeight(0);
    cell(0, 1)->_fitRowHeight(row, 18);
    EXPECT_EQ(row->height(), 25);
    EXPECT_EQ(dirtyFlags(*flow_), (std::vector<int>(8, 0)));
}

TEST_F(TableTest, ACellThatMovedOnTakesItsRowAlong)
{
    makeTable(1, 3);
    TableRow* row = table_->rowAtIndex(0);
    TextItem first, second;
    first.setNextColumn(&second);
    second.setPrevColumn(&first);
    const int start = flow_->indexOfParagraph(cell(0, 0));
    for (int c = 0; c < 3; ++c) {
        cell(0, c)->setFirstItem(c < 2 ? &first : &second);
        setBox(cell(0, c), c < 2 ? 300.0f : 0.0f, c < 2 ? 320.0f : 40.0f);
    }
    first.setEndPointVals(start + 2, -1, -1);
    second.setStartPointVals(start + 2, 0, 0);

    // A row's first cell sets the row's top.
    row->setFirstY(7);
    cell(0, 0)->_alignRowTop(row);
    EXPECT_EQ(row->firstY(), 300);

    // A cell beside the first in the same column leaves it alone.
    row->setFirstY(250);
    cell(0, 1)->_alignRowTop(row);
    EXPECT_EQ(row->firstY(), 250);
    EXPECT_EQ(second.startPoint().paragraph, start + 2);

    // The third cell went on to the next column: the row starts there, and
    // so does the column's text.
    cell(0, 2)->_alignRowTop(row);
    EXPECT_EQ(row->firstY(), 0);
    EXPECT_EQ(second.startPoint().paragraph, start);
    EXPECT_EQ(second.startPoint().word, 0);
    EXPECT_EQ(second.startPoint().letter, 0);
    EXPECT_EQ(first.endPoint().paragraph, start);
    EXPECT_EQ(first.endPoint().word, -1);
    EXPECT_EQ(first.endPoint().letter, -1);
}

// ---- Stored tables.

TEST_F(TableTest, AFlowKeepsItsTablesThroughTheStoredForm)
{
    makeTable(2, 2);
    table_->setFlowType(2);
    table_->setHasLinesBetween(1);
    table_->setIsBalanced(1);
    table_->setJustification(3);
    for (int r = 0; r < 2; ++r) {
        TableRow* row = table_->rowAtIndex(r);
        row->setJustification(char(r + 1));
        row->setIsAutoHeight(char(r));
        row->setHeight(12.5f * float(r + 1));
        row->setFirstY(99);
    }
    cell(0, 1)->setColumnSpan(200);
    cell(0, 1)->setRowSpan(2);
    cell(0, 1)->setHorizontalAlignment(3);
    cell(0, 1)->setVerticalAlignment(2);
    cell(0, 1)->setDecimalPlaces(9);
    cell(1, 1)->setVirtual(true);

    auto back = roundTrip(*flow_);
    ASSERT_NE(back, nullptr);
    ASSERT_EQ(back->tables().size(), 1u);
    const TableDefinition* table = back->tables()[0].get();
    EXPECT_EQ(table->columnCount(), 2);
    EXPECT_EQ(table->margins(), table_->margins());
    EXPECT_EQ(table->flowType(), 2);
    EXPECT_EQ(table->hasLinesBetween(), 1);
    EXPECT_EQ(table->isBalanced(), 1);
    EXPECT_EQ(table->justification(), 3);
    ASSERT_EQ(table->rowCount(), 2);
    for (int r = 0; r < 2; ++r) {
        const TableRow* row = table->rowAtIndex(r);
        EXPECT_EQ(row->columnCount(), 2);
        EXPECT_EQ(row->justification(), r + 1);
        EXPECT_EQ(row->isAutoHeight(), r);
        EXPECT_EQ(row->height(), 12.5f * float(r + 1));
        EXPECT_EQ(row->firstY(), 0); // where the row lies is the layout's
    }
    ASSERT_EQ(back->paragraphCount(), flow_->paragraphCount());
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 2; ++c) {
            auto* read = dynamic_cast<TableParagraph*>(back->paragraphAtIndex(1 + r * 2 + c));
            ASSERT_NE(read, nullptr);
            EXPECT_EQ(read->table(), table);
            EXPECT_EQ(read->row(), r);
            EXPECT_EQ(read->column(), c);
            EXPECT_EQ(read->flow(), back.get());
            EXPECT_STREQ(read->firstWord()->text(), "cell");
        }
    auto* spanning = static_cast<TableParagraph*>(back->paragraphAtIndex(2));
    EXPECT_EQ(spanning->columnSpan(), 200);
    EXPECT_EQ(spanning->rowSpan(), 2);
    EXPECT_EQ(spanning->horizontalAlignment(), 3);
    EXPECT_EQ(spanning->paragraphStyle()->alignment(), 1);
    EXPECT_EQ(spanning->verticalAlignment(), 2);
    EXPECT_EQ(spanning->decimalPlaces(), 9);
    EXPECT_FALSE(spanning->isVirtual());
    EXPECT_TRUE(static_cast<TableParagraph*>(back->paragraphAtIndex(4))->isVirtual());
    EXPECT_EQ(dynamic_cast<TableParagraph*>(back->lastParagraph()), nullptr);

    // A flow without tables stores none and reads none.
    TextFlow plain;
    auto none = roundTrip(plain);
    EXPECT_TRUE(none->tables().empty());
}

TEST_F(TableTest, AStoredCellsTableThatNoFlowKeptIsTakenByItsFlow)
{
    // The cells' flow does not hold the table; something else wrote it.
    makeTable(1, 1);
    TextFlow other;
    auto kept = std::make_unique<TableDefinition>();
    kept->addRow();
    kept->setMargins({{0, 50}});
    other.addParagraph(std::make_unique<TableParagraph>(kept.get(), 0, 0));
    kit::Array both;
    both.addObject(&other);
    both.addObject(kept.get());
    const std::string data = kit::Archiver::archivedDataWithRootObject(&both);
    {
        std::vector<std::unique_ptr<kit::Object>> unclaimed;
        auto back = kit::Unarchiver::unarchiveObjectWithData<kit::Array>(data, unclaimed);
        ASSERT_NE(back, nullptr);
        auto* flow = dynamic_cast<TextFlow*>(back->objectAt(0));
        ASSERT_NE(flow, nullptr);
        ASSERT_EQ(flow->tables().size(), 1u);
        EXPECT_EQ(flow->tables()[0].get(), back->objectAt(1));
        auto* read = dynamic_cast<TableParagraph*>(flow->lastParagraph());
        ASSERT_NE(read, nullptr);
        EXPECT_EQ(read->table(), flow->tables()[0].get());
        // The array's elements are the caller's; the flow goes last.
        back.reset();
        unclaimed.clear();
    }

    // Two flows claiming one table: damaged.
    other.addTable(std::move(kept));
    cell(0, 0)->setTable(other.tables()[0].get());
    for (int order = 0; order < 2; ++order) {
        kit::Array pair;
        pair.addObject(order ? flow_.get() : static_cast<kit::Object*>(&other));
        pair.addObject(order ? static_cast<kit::Object*>(&other) : flow_.get());
        const std::string twice = kit::Archiver::archivedDataWithRootObject(&pair);
        std::vector<std::unique_ptr<kit::Object>> unclaimed;
        EXPECT_THROW(kit::Unarchiver::unarchiveObjectWithData<kit::Array>(twice, unclaimed), kit::Exception)
            << order;
    }
    cell(0, 0)->setTable(table_);
}

TEST_F(TableTest, DamagedStoredTablesAreRefused)
{
    struct Case {
        const char* what;
        std::function<void(kit::Archiver&)> write;
    };
    TextWord stray("stray");
    const std::vector<Case> definitions = {
        {"a negative column count", [](kit::Archiver& a) { a.encodeValuesOfObjCTypes("sccc", short(-1), 'a', 'b', 'c'); }},
        {"more columns than margins",
         [](kit::Archiver& a) {
             a.encodeValuesOfObjCTypes("sccc", short(30000), char(0), char(0), char(0));
             a.encodeValuesOfObjCTypes("ff", 1.0f, 2.0f);
         }},
    };
    for (const Case& c : definitions) {
        ColumnDefinition columns;
        EXPECT_THROW(readUnits(kit::OpenFileVersionCurrent, c.write, columns), kit::Exception) << c.what;
    }
    auto tableUnits = [](std::function<void(kit::Archiver&)> rows) {
        return [=](kit::Archiver& a) {
            a.encodeValuesOfObjCTypes("sccc", short(1), char(0), char(0), char(0));
            a.encodeValuesOfObjCTypes("ff", 1.0f, 2.0f);
            a.encodeValuesOfObjCTypes("c", char(0));
            rows(a);
        };
    };
    TableRow row;
    const std::vector<Case> tables = {
        {"a word among the rows", tableUnits([&](kit::Archiver& a) { a.encodeArray({&row, &stray}); })},
        {"a string for the rows", tableUnits([](kit::Archiver& a) { a.encodeString("rows"); })},
        {"one row twice", tableUnits([&](kit::Archiver& a) { a.encodeArray({&row, &row}); })},
    };
    for (const Case& c : tables) {
        TableDefinition table;
        EXPECT_THROW(readUnits(kit::OpenFileVersionCurrent, c.write, table), kit::Exception) << c.what;
    }
    TableRow negative;
    EXPECT_THROW(readUnits(
                     kit::OpenFileVersionCurrent,
                     [](kit::Archiver& a) { a.encodeValuesOfObjCTypes("sccf", short(-2), char(0), char(1), 3.0f); },
                     negative),
                 kit::Exception);

    // Cells: the paragraph's own units, then the table and where the cell sits.
    TableDefinition table;
    table.setMargins({{0, 10}, {20, 30}});
    table.addRow();
    TextParagraph plain;
    auto cellUnits = [&](const kit::Object* link, int r, int c) {
        return [=, &plain](kit::Archiver& a) {
            plain.encodeWithCoder(a);
            a.encodeObject(link);
            a.encodeValuesOfObjCTypes("ii[6c]", r, c, std::array<char, 6>{});
        };
    };
    const std::vector<Case> cells = {
        {"a row past the rows", cellUnits(&table, 1, 0)},
        {"a column past the columns", cellUnits(&table, 0, 2)},
        {"a negative row", cellUnits(&table, -1, 0)},
        {"a negative column without a table", cellUnits(nullptr, 0, -5)},
        {"a row where the table belongs", cellUnits(&row, 0, 0)},
    };
    for (const Case& c : cells) {
        TableParagraph cell;
        EXPECT_THROW(readUnits(kit::OpenFileVersionCurrent, c.write, cell), kit::Exception) << c.what;
    }
    // The same units in range read.
    TableParagraph fits;
    readUnits(kit::OpenFileVersionCurrent, cellUnits(&table, 0, 1), fits);
    EXPECT_EQ(fits.row(), 0);
    EXPECT_EQ(fits.column(), 1);

    // Every cut of a real archive fails cleanly.
    makeTable(2, 2);
    const std::string data = kit::Archiver::archivedDataWithRootObject(flow_.get());
    for (std::size_t n = 0; n < data.size(); ++n) {
        std::vector<std::unique_ptr<kit::Object>> unclaimed;
        EXPECT_THROW(kit::Unarchiver::unarchiveObjectWithData<TextFlow>(data.substr(0, n), unclaimed), kit::Exception)
            << n;
    }
}

// ---- With the line layout. The fixture font sets every glyph 6 points wide
// at size 10; each cell's indents keep its text inside its table column.

namespace {

class TableLayoutTest : public TableTest {
protected:
    void SetUp() override
    {
        TableTest::SetUp();
        document_ = std::make_unique<LayoutDocument>(delegate_->preferences());
        page_ = document_->addPage(std::make_unique<Page>());
        for (auto& column : columns) {
            column = std::make_shared<TextItem>();
            column->setPage(page_);
            column->setFlow(flow_.get());
            column->setFrame(kit::makeRect(0, 0, 300, 100), false);
        }
        columns[0]->setNextColumn(columns[1].get());
        columns[1]->setPrevColumn(columns[0].get());
        flow_->setFirstTextItem(columns[0].get());
    }

    void TearDown() override
    {
        // The columns leave their flow as they go: the flow must outlive them.
        for (auto& column : columns)
            column.reset();
        flow_.reset();
        TableTest::TearDown();
    }

    // Cells keep to their table columns through their indents.
    void indentCells()
    {
        for (TableParagraph* at : cells_) {
            const ColumnDefinition::Margin* margin = table_->marginAt(at->column());
            at->paragraphStyle()->setIndentLeft(margin->first);
            at->paragraphStyle()->setIndentRight(300 - margin->second);
        }
    }

    // Lays every paragraph out in order, as a full reflow does.
    void layOut()
    {
        for (const auto& paragraph : flow_->paragraphList())
            paragraph->_compute(false);
    }

    // Gives the cell n line-break words, so n + 1 lines, and marks it for
    // layout as an edit does.
    static void addLines(TableParagraph* at, int n)
    {
        for (int i = 0; i < n; ++i) {
            at->addWord(std::make_unique<TextWordSpecial>(TextWordLineBreak));
            at->addWord(std::make_unique<TextWord>("more"));
        }
        at->setDirty(true);
    }

    std::unique_ptr<LayoutDocument> document_;
    Page* page_ = nullptr;
    std::shared_ptr<TextItem> columns[2];
};

} // namespace

TEST_F(TableLayoutTest, AnAutomaticRowGrowsAndShrinksWithTheCellTypedInto)
{
    makeTable(1, 2);
    indentCells();
    TableRow* row = table_->rowAtIndex(0);
    row->setIsAutoHeight(1);
    layOut();
    const float oneLine = row->height();
    ASSERT_GT(oneLine, 0);
    EXPECT_EQ(after_->firstY(), row->lastY());

    addLines(cell(0, 1), 1);
    cell(0, 1)->_compute(false);
    EXPECT_GT(row->height(), oneLine);
    EXPECT_TRUE(after_->dirty());
    after_->_compute(false);
    EXPECT_EQ(after_->firstY(), row->lastY());

    // Deleting the line shrinks the row back to the tallest cell left.
    TableParagraph* grown = cell(0, 1);
    while (grown->wordCount() > 1)
        grown->removeWord(grown->lastWord());
    grown->setDirty(true);
    grown->_compute(false);
    EXPECT_EQ(row->height(), oneLine);
    after_->_compute(false);
    EXPECT_EQ(after_->firstY(), row->lastY());
}

TEST_F(TableLayoutTest, ARowFollowsItsThirdCellToTheNextColumn)
{
    // The paragraph before leaves room for a one-line row, not a five-line cell.
    paragraph_->addWord(std::make_unique<TextWord>("before"));
    makeTable(1, 3);
    indentCells();
    addLines(cell(0, 2), 4);
    cell(0, 2)->paragraphStyle()->setWidowControl(-1);
    table_->rowAtIndex(0)->setIsAutoHeight(1);
    paragraph_->paragraphStyle()->setSpaceAfter(60);
    layOut();

    const int first = flow_->indexOfParagraph(cell(0, 0));
    EXPECT_EQ(cell(0, 2)->firstItem(), columns[1].get());
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(cell(0, c)->lastItem(), columns[1].get()) << c;
        EXPECT_EQ(cell(0, c)->firstY(), 0) << c;
    }
    EXPECT_EQ(table_->rowAtIndex(0)->firstY(), 0);
    EXPECT_EQ(columns[1]->startPoint().paragraph, first);
    EXPECT_EQ(columns[1]->startPoint().word, 0);
    EXPECT_EQ(columns[0]->endPoint().paragraph, first);
    EXPECT_EQ(columns[0]->endPoint().word, -1);
}

TEST_F(TableLayoutTest, ACellStartingAColumnOverflowsItInsteadOfMovingOn)
{
    makeTable(1, 1);
    flow_->setCurrentParagraph(cell(0, 0), false);
    flow_->removeParagraph(paragraph_);
    paragraph_ = nullptr;
    indentCells();
    addLines(cell(0, 0), 30);
    layOut();
    EXPECT_EQ(cell(0, 0)->firstItem(), columns[0].get());
    EXPECT_EQ(cell(0, 0)->lastItem(), columns[0].get());
    // None of its text went on to the next column: what does not fit is
    // left unshown.
    EXPECT_LE(cell(0, 0)->lastY(), columns[0]->frame().size.height);
    EXPECT_NE(columns[1]->startPoint().paragraph, 0);
}

namespace {

// A paragraph style that stores only its left indent, in any version.
class IndentStyle : public StyleParagraph {
public:
    std::string className() const override { return "TableTestIndentStyle"; }
    void encodeWithCoder(kit::Coder& coder) const override { coder.encodeValuesOfObjCTypes("f", indentLeft()); }
    kit::Object* initWithCoder(kit::Coder& coder) override
    {
        float indent = 0;
        coder.decodeValuesOfObjCTypes("f", &indent);
        setIndentLeft(indent);
        return this;
    }
};

} // namespace

TEST_F(TableTest, OlderCellsCarryTheirTableInTheirValuesAndKeepOnlyTheirFieldsBits)
{
    kit::registerClass<IndentStyle>("TableTestIndentStyle");
    TableDefinition table;
    table.setMargins({{0, 10}, {20, 30}});
    table.addRow();
    table.addRow();
    IndentStyle style;
    style.setIndentLeft(9);
    kit::Archiver out;
    for (int i = 0; i < 6; ++i)
        out.encodeObject(nullptr);
    out.encodeObject(&style);
    out.encodeValuesOfObjCTypes("fcc", 0.0f, char(0), char(0));
    out.encodeRect(kit::Rect{});
    out.encodeArray({});
    // Flag chars with bits above their fields' widths.
    const std::array<char, 6> flags = {char(0xC8), char(3), char(0x0B), char(0x07), char(0x1F), char(0x03)};
    out.encodeValuesOfObjCTypes("@ii[6c]", static_cast<const kit::Object*>(&table), 1, 1, flags);

    kit::Unarchiver in(out.data());
    in.setOpenFileVersion(2.6f);
    TableParagraph cell;
    cell.initWithCoder(in);
    EXPECT_TRUE(in.isAtEnd());
    ASSERT_NE(cell.table(), nullptr);
    EXPECT_EQ(cell.table()->rowCount(), 2);
    EXPECT_EQ(cell.table()->columnCount(), 2);
    EXPECT_EQ(cell.row(), 1);
    EXPECT_EQ(cell.column(), 1);
    EXPECT_EQ(cell.columnSpan(), 200);
    EXPECT_EQ(cell.rowSpan(), 3);
    EXPECT_EQ(cell.horizontalAlignment(), 3);
    EXPECT_EQ(cell.verticalAlignment(), 3);
    EXPECT_EQ(cell.decimalPlaces(), 15);
    EXPECT_TRUE(cell.isVirtual());
    EXPECT_EQ(cell.paragraphStyle()->indentLeft(), 9);
}
