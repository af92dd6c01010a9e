#include "appkit/ButtonCell.h"
#include "appkit/Cell.h"
#include "core/NumberFormatter.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

using namespace kit;

// ---- Cells.

TEST(CellTest, NumbersReadFromTextAsAPersonWroteThem)
{
    struct Case {
        const char* text;
        int intValue;
        float floatValue;
    } cases[] = {
        {"12abc", 12, 12.0f},
        {"3.7", 3, 3.7f},
        {"  -4", -4, -4.0f},
        {"+2.5e1", 2, 25.0f},
        {"", 0, 0.0f},
        {"abc", 0, 0.0f},
        // Words the C library reads as numbers never become values.
        {"nan", 0, 0.0f},
        {"inf", 0, 0.0f},
        {"-Infinity", 0, 0.0f},
        // Out of range: a float field does not answer infinity, an int field saturates.
        {"1e39", 1, 0.0f},
        {"99999999999", 2147483647, 99999999999.0f},
        {"-99999999999", -2147483647 - 1, -99999999999.0f},
    };
    for (const Case& c : cases) {
        Cell cell;
        cell.setStringValue(c.text);
        EXPECT_EQ(cell.intValue(), c.intValue) << c.text;
        EXPECT_FLOAT_EQ(cell.floatValue(), c.floatValue) << c.text;
    }
}

TEST(CellTest, NumbersSetAreShownInTheCLocaleAndReadBackExactly)
{
    Cell cell;
    cell.setFloatValue(2.5f);
    EXPECT_EQ(cell.stringValue(), "2.5");
    cell.setIntValue(-3);
    EXPECT_EQ(cell.stringValue(), "-3");
    EXPECT_EQ(cell.intValue(), -3);
    cell.setDoubleValue(0.1);
    EXPECT_DOUBLE_EQ(cell.doubleValue(), 0.1);
    cell.setDoubleValue(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(cell.doubleValue(), 0.0);
    EXPECT_EQ(cell.stringValue(), "0");

    // A formatter writes numbers its way and refuses text it cannot read.
    auto money = std::make_shared<NumberFormatter>();
    money->setMinimumFractionDigits(2);
    money->setMaximumFractionDigits(2);
    cell.setFormatter(money);
    EXPECT_EQ(cell.stringValue(), "0.00");
    cell.setFloatValue(1.5f);
    EXPECT_EQ(cell.stringValue(), "1.50");
    cell.setStringValue("7.25");
    EXPECT_TRUE(cell.hasValidObjectValue());
    EXPECT_FLOAT_EQ(cell.floatValue(), 7.25f);
    cell.setStringValue("7 apples");
    EXPECT_FALSE(cell.hasValidObjectValue());
    EXPECT_EQ(cell.intValue(), 0);
}

TEST(CellTest, AButtonCellsValueIsItsState)
{
    struct Case {
        ButtonType type;
        bool mixed;
        std::vector<int> statesAfterClicks;
    } cases[] = {
        {ButtonType::MomentaryLight, false, {0, 0}},
        {ButtonType::Switch, false, {1, 0, 1}},
        {ButtonType::Switch, true, {1, -1, 0}},
        {ButtonType::Radio, false, {1, 1}},
        {ButtonType::PushOnPushOff, false, {1, 0}},
    };
    for (const Case& c : cases) {
        ButtonCell cell("B");
        cell.setButtonType(c.type);
        cell.setAllowsMixedState(c.mixed);
        for (int expected : c.statesAfterClicks) {
            cell.advanceState();
            EXPECT_EQ(cell.state(), expected) << static_cast<int>(c.type);
            EXPECT_EQ(cell.intValue(), expected);
        }
    }
}

