#include "core/Archiver.h"
#include "core/Exception.h"
#include "core/Unarchiver.h"
#include "core/Values.h"
#include "document/Guide.h"
#include "document/Page.h"
#include "foundation/StyleGraphic.h"
#include "items/Item.h"
#include "items/ItemBox.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

// A box as files of 2.0 up to 2.2 store it: shown, with a selected flag
// the reader must clear.
class OldBox : public kit::Object {
public:
    std::string className() const override { return "ItemBox"; }
    void encodeWithCoder(kit::Coder& coder) const override
    {
        coder.encodeRect(kit::makeRect(10, 20, 30, 40));
        coder.encodeObject(nullptr);
        const short shown = 1, selected = 1, zero = 0;
        coder.encodeValuesOfObjCTypes("sss", shown, selected, zero);
        for (int i = 0; i < 4; ++i)
            coder.encodeValuesOfObjCTypes("sss", zero, zero, zero);
        coder.encodeObject(nullptr); // graphic style
        coder.encodePoint(kit::Point{2, 3});
        const float grey[4] = {0.5f, 0, 0, 0};
        coder.encodeValuesOfObjCTypes("c[4f]f", char(0), grey, 1.0f);
        coder.encodeValueOfObjCType("s", &zero); // no runaround
        coder.encodeValueOfObjCType("s", &zero); // box flags
    }
};

class OldPageTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        kit::registerValueClasses();
        StyleGraphic::initialize();
        Item::initialize();
        Page::initialize();
    }

    // Units written by hand, read as a page of a file of that version.
    static void read(float version, const std::function<void(kit::Archiver&)>& write, Page& page)
    {
        kit::Archiver out;
        write(out);
        kit::Unarchiver in(out.data());
        in.setOpenFileVersion(version);
        page.initWithCoder(in);
        EXPECT_TRUE(in.isAtEnd());
    }

    static void writeItems(kit::Archiver& out)
    {
        static OldBox box;
        kit::Array list;
        list.addObject(&box);
        out.encodeObject(&list);
    }
};

TEST_F(OldPageTest, GuideLocationsBelow22BecomeGuides)
{
    Page page;
    read(2.1f, [](kit::Archiver& out) {
        out.encodeRect(kit::makeRect(0, 0, 612, 792));
        writeItems(out);
        out.encodeValuesOfObjCTypes("ss", short(2), short(3));
        const float locations[5] = {10, 20, 30, 40, 50};
        out.encodeArrayOfObjCType("f", 5, locations);
        const short flags = 3;
        out.encodeValueOfObjCType("s", &flags);
    }, page);
    EXPECT_EQ(page.pageRect(), kit::makeRect(0, 0, 612, 792));
    EXPECT_TRUE(page.isCollapsed());
    ASSERT_EQ(page.guides().size(), 5u);
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(page.guides()[i]->location(), 10.0f * float(i + 1)) << i;
        EXPECT_EQ(page.guides()[i]->orientation(), i < 2 ? Guide::Horizontal : Guide::Vertical) << i;
    }
    ASSERT_EQ(page.pageItems().size(), 1u);
    const Item& box = *page.pageItems()[0];
    EXPECT_EQ(box.frame(), kit::makeRect(10, 20, 30, 40));
    EXPECT_EQ(box.page(), &page);
    EXPECT_FALSE(box.isSelected());
}

TEST_F(OldPageTest, VersionsPickTheGuideAndFlagUnits)
{
    // From 2.2 the guides are an old list; below 2.0 the flags are one char.
    Page listed;
    read(2.2f, [](kit::Archiver& out) {
        out.encodeRect(kit::makeRect(1, 2, 3, 4));
        out.encodeObject(nullptr);
        Guide guide(72, Guide::Vertical);
        kit::Array list;
        list.addObject(&guide);
        out.encodeObject(&list);
        const short flags = 2;
        out.encodeValueOfObjCType("s", &flags);
    }, listed);
    EXPECT_FALSE(listed.isCollapsed());
    EXPECT_TRUE(listed.pageItems().empty());
    ASSERT_EQ(listed.guides().size(), 1u);
    EXPECT_EQ(listed.guides()[0]->location(), 72.0f);

    Page oldest;
    read(1.5f, [](kit::Archiver& out) {
        out.encodeRect(kit::makeRect(1, 2, 3, 4));
        out.encodeObject(nullptr);
        out.encodeValuesOfObjCTypes("ss", short(0), short(0));
        const char flags = 1;
        out.encodeValueOfObjCType("c", &flags);
    }, oldest);
    EXPECT_TRUE(oldest.isCollapsed());
    EXPECT_TRUE(oldest.guides().empty());
}

TEST_F(OldPageTest, DamagedOldPagesFailCleanly)
{
    struct Case {
        const char* what;
        std::function<void(kit::Archiver&)> write;
    };
    const Case cases[] = {
        {"negative guide count",
         [](kit::Archiver& out) {
             out.encodeRect(kit::Rect{});
             out.encodeObject(nullptr);
             out.encodeValuesOfObjCTypes("ss", short(-1), short(2));
         }},
        {"more guides than bytes",
         [](kit::Archiver& out) {
             out.encodeRect(kit::Rect{});
             out.encodeObject(nullptr);
             out.encodeValuesOfObjCTypes("ss", short(30000), short(30000));
             const float one = 1;
             out.encodeArrayOfObjCType("f", 1, &one);
         }},
        {"items that are not a list",
         [](kit::Archiver& out) {
             out.encodeRect(kit::Rect{});
             kit::String text("items");
             out.encodeObject(&text);
         }},
        {"a list holding no item",
         [](kit::Archiver& out) {
             out.encodeRect(kit::Rect{});
             kit::String text("not an item");
             kit::Array list;
             list.addObject(&text);
             out.encodeObject(&list);
         }},
        {"stream ends before the flags",
         [](kit::Archiver& out) {
             out.encodeRect(kit::Rect{});
             out.encodeObject(nullptr);
             out.encodeValuesOfObjCTypes("ss", short(0), short(0));
         }},
    };
    for (const Case& c : cases) {
        kit::Archiver out;
        c.write(out);
        kit::Unarchiver in(out.data());
        in.setOpenFileVersion(2.1f);
        Page page;
        EXPECT_THROW(page.initWithCoder(in), kit::Exception) << c.what;
    }
}

} // namespace
