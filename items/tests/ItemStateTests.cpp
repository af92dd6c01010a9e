#include "items/tests/ItemTestSupport.h"

#include "core/Alert.h"
#include "core/Exception.h"

#include <gtest/gtest.h>

namespace {

TEST(ItemState, InitDefaults)
{
    Item item;
    EXPECT_TRUE(item.isShown());
    EXPECT_TRUE(item.itFlags().firstPage);
    EXPECT_EQ(item.infoMode(), 0);
    EXPECT_EQ(item.shadowOffset().x, 4.0f);
    EXPECT_EQ(item.shadowOffset().y, 6.0f);
    ASSERT_TRUE(item.shadowColor());
    EXPECT_FLOAT_EQ(item.shadowColor()->grayLevel(), 0.5f);
    EXPECT_FALSE(item.hasRunaround());
    EXPECT_EQ(item.graphicStyle(), nullptr);
    EXPECT_THROW(item.reinitFromPasteboard("x"), kit::Exception);
}

TEST(ItemState, MasterPlacementTable)
{
    struct Case {
        int master;
        bool firstPage;
        int page, layer;
        bool expected;
    } cases[] = {
        {2, true, 3, 1, true},  {2, true, 4, 1, false}, {1, true, 4, 1, true},  {1, true, 3, 1, false},
        {1, true, 0, 2, true},  {2, true, 0, 2, false}, // 0 counts as even
        {3, true, 1, 1, true},  {3, false, 1, 1, false}, {3, false, 2, 1, true}, {3, false, 0, 2, true},
        {0, true, 4, 1, false}, {3, false, 0, 1, false},
        // Negative numbers are odd or even by their low bit.
        {2, true, -3, 2, true}, {1, true, -3, 2, false}, {1, true, -4, 2, true}, {2, true, -4, 2, false},
    };
    for (const Case& c : cases) {
        Item item;
        item.setMasterFlags(c.master);
        item.setCanAppear(c.firstPage, 1);
        EXPECT_EQ(item.canAppearOnPageNumber(c.page, c.layer), c.expected)
            << "master " << c.master << " page " << c.page << " layer " << c.layer;
    }
}

TEST(ItemState, SetCanAppearOnlyForFirstPages)
{
    Item item;
    item.setCanAppear(false, 5);
    EXPECT_TRUE(item.itFlags().firstPage);
    item.setCanAppear(false, 1);
    EXPECT_FALSE(item.itFlags().firstPage);
    item.setMasterFlags(7);
    EXPECT_EQ(item.masterFlags(), 3);
}

class ItemNames : public ::testing::Test {
protected:
    void SetUp() override
    {
        alerts_ = std::make_shared<kit::ScriptedAlertHandler>();
        kit::setAlertHandler(alerts_);
        page_.setDocument(&doc_);
        a_.setPage(&page_);
        b_.setPage(&page_);
    }
    void TearDown() override { kit::setAlertHandler(nullptr); }

    LayoutDocument doc_;
    Page page_;
    Item a_, b_;
    std::shared_ptr<kit::ScriptedAlertHandler> alerts_;
};

TEST_F(ItemNames, UniqueInDocument)
{
    EXPECT_EQ(a_.setName(std::string("")), &a_);
    EXPECT_FALSE(a_.name());
    EXPECT_EQ(a_.setName(std::string("Logo")), &a_);
    EXPECT_EQ(doc_.findItemNamed(std::string("Logo")), &a_);
    EXPECT_EQ(b_.setName(std::string("Logo")), nullptr);
    EXPECT_FALSE(b_.name());
    ASSERT_EQ(alerts_->shown().size(), 1u);
    EXPECT_EQ(a_.setName(std::nullopt), &a_);
    EXPECT_EQ(doc_.findItemNamed(std::string("Logo")), nullptr);
    EXPECT_EQ(b_.setName(std::string("Logo")), &b_);
}

// Giving an item the name it bears already is no clash with itself.
TEST_F(ItemNames, OwnNameIsNoChange)
{
    ASSERT_EQ(a_.setName(std::string("Logo")), &a_);
    EXPECT_EQ(a_.setName(std::string("Logo")), &a_);
    EXPECT_TRUE(alerts_->shown().empty());
    EXPECT_EQ(a_.name(), std::optional<std::string>("Logo"));
}

TEST(ItemState, DestinationSelectionAndLinks)
{
    LayoutDocument doc;
    Page page;
    page.setDocument(&doc);
    Item item;
    item.setPage(&page);
    EXPECT_FALSE(item.isObjectLinked());
    item.setItemSerialNumber(42);
    const std::string selection = item.createDestinationSelection();
    EXPECT_EQ(selection, std::string("1 1 42\0", 7));
    EXPECT_FALSE(item.isObjectLinked());
    doc.addDestinationLink(selection);
    EXPECT_TRUE(item.isObjectLinked());
}

TEST(ItemState, RunaroundRecordAndRecompute)
{
    CountingPage page;
    Item item;
    item.setPage(&page);
    item.setRunaround(false, 1, 2, 3, 4, 0);
    EXPECT_EQ(page.overlaps, 0);
    item.setRunaround(true, 1, 2, 3, 4, 1);
    EXPECT_EQ(page.overlaps, 1);
    item.setRunaround(true, 1, 2, 3, 4, 1);
    EXPECT_EQ(page.overlaps, 1);
    float l, r, t, b;
    int side;
    item.getRunaroundValues(nullptr, &l, &r, &t, &b, &side);
    EXPECT_EQ(l, 1);
    EXPECT_EQ(b, 4);
    EXPECT_EQ(side, 1);
    item.setRunaround(false, 0, 0, 0, 0, 0);
    EXPECT_FALSE(item.hasRunaround());
    EXPECT_EQ(page.overlaps, 2);
    item.getRunaroundValues(nullptr, &l, &r, &t, &b, &side);
    EXPECT_EQ(l, 0);
}

TEST(ItemState, SettingTheFrameLaysThePageOutOnlyWhenAsked)
{
    CountingPage page;
    Item item;
    item.setPage(&page);
    item.setFrame(kit::makeRect(10, 20, 30, 40), false);
    EXPECT_EQ(item.frame(), kit::makeRect(10, 20, 30, 40));
    EXPECT_EQ(page.overlaps, 0);
    item.setFrame(kit::makeRect(50, 60, 30, 40), true);
    EXPECT_EQ(item.frame(), kit::makeRect(50, 60, 30, 40));
    EXPECT_GT(page.overlaps, 0);
}

} // namespace
