#include "items/tests/ItemTestSupport.h"

#include "core/Archiver.h"
#include "core/Unarchiver.h"
#include "foundation/Paint.h"
#include "foundation/StyleGraphicNamed.h"
#include "foundation/StyleInfo.h"
#include "graphics/RecordingContext.h"
#include "items/ItemBox.h"

#include <gtest/gtest.h>

namespace {

TEST(ItemCache, EmissionCounts)
{
    kit::RecordingContext ctx;
    Item::setGray(ctx, 0.5f);
    Item::setGray(ctx, 0.5f);
    EXPECT_EQ(ctx.count("setgray"), 1u);
    Item::resetColor(ctx);
    Item::setGray(ctx, 0.5f);
    EXPECT_EQ(ctx.count("setgray"), 2u);
    Item::resetAll(ctx);
    Item::setLineDash(ctx, nullptr);
    Item::setLineDash(ctx, nullptr);
    EXPECT_EQ(ctx.count("setdash"), 1u);
    Item::resetLineWidth(ctx);
    Item::setLineWidth(ctx, 0.0f);
    EXPECT_EQ(ctx.count("setlinewidth"), 1u);
    Item::setLineWidth(ctx, 0.0f);
    EXPECT_EQ(ctx.count("setlinewidth"), 1u);
}

// Two contexts never see each other's cached state.
TEST(ItemCache, PerContext)
{
    kit::RecordingContext a, b;
    Item::setGray(a, 0.25f);
    Item::setGray(b, 0.25f);
    EXPECT_EQ(a.count("setgray"), 1u);
    EXPECT_EQ(b.count("setgray"), 1u);
    a.gsave();
    Item::setGray(a, 0.75f);
    a.grestore();
    Item::setGray(a, 0.25f);
    EXPECT_EQ(a.count("setgray"), 2u);
}

TEST(ItemDrawing, OverprintOnlyOnPrinterPlates)
{
    struct Case {
        bool screen, eps;
        std::size_t texts;
    } cases[] = {{true, false, 0}, {false, false, 3}, {false, true, 0}};
    for (const Case& c : cases) {
        kit::RecordingContext ctx;
        ctx.setDrawingToScreen(c.screen);
        ctx.setEPSOperation(c.eps);
        kit::DrawContext::Scope scope(ctx);
        ItemBox box;
        box.setFrame(kit::makeRect(0, 0, 10, 10));
        box.setFillOverprint(true);
        EXPECT_TRUE(box.drawSelfInView(Paint::into(ctx), kit::makeRect(0, 0, 100, 100)));
        EXPECT_EQ(ctx.count("sendPostScript"), c.texts) << c.screen << c.eps;
    }
}

TEST(ItemDrawing, HiddenItemDrawsNothing)
{
    kit::RecordingContext ctx;
    kit::DrawContext::Scope scope(ctx);
    Item item;
    item.setFrame(kit::makeRect(0, 0, 10, 10));
    item.obscure();
    EXPECT_FALSE(item.drawSelfInView(Paint::into(ctx), kit::makeRect(0, 0, 100, 100)));
    EXPECT_TRUE(ctx.ops().empty());
}

TEST(ItemBoxTest, UpdateBounds)
{
    ItemBox box;
    box.graphicStyle()->setLineWidth(2);
    box.setHasLine(true);
    box.setFrame(kit::makeRect(0, 0, 10, 10));
    kit::Rect r{};
    box.getUpdateBounds(&r, nullptr);
    EXPECT_TRUE(kit::equalRects(r, kit::makeRect(-2, -2, 14, 14)));
    box.setHasLine(false);
    box.setHasFill(false);
    box.getUpdateBounds(&r, nullptr);
    EXPECT_TRUE(kit::equalRects(r, kit::makeRect(-1, -1, 12, 12)));
    box.setFillColor(kit::Color::whiteColor());
    box.setHasFill(true);
    box.calcInfo(); // the fill does not change the drawn extent by itself
    EXPECT_EQ(box.infoMode(), 0);
}

TEST(ItemBoxTest, HiddenBorderOnScreenOnly)
{
    for (const bool screen : {true, false}) {
        kit::RecordingContext ctx;
        ctx.setDrawingToScreen(screen);
        kit::DrawContext::Scope scope(ctx);
        ItemBox box;
        box.setHasLine(false);
        box.setHasFill(false);
        box.setFrame(kit::makeRect(0, 0, 10, 10));
        EXPECT_TRUE(box.drawSelfInView(Paint::into(ctx), kit::makeRect(0, 0, 100, 100)));
        EXPECT_EQ(ctx.count("setdash") > 0, screen);
    }
}

TEST(ItemBoxTest, OutlineHits)
{
    ItemBox box;
    box.setHasFill(false);
    box.setHasLine(false);
    box.setFrame(kit::makeRect(0, 0, 100, 100));
    EXPECT_TRUE(box.isHitAt({4, 50}, nullptr));
    EXPECT_FALSE(box.isHitAt({6, 50}, nullptr));
    EXPECT_FALSE(box.isHitAt({50, 50}, nullptr));
    EXPECT_FALSE(box.isHitInRect(kit::makeRect(40, 40, 10, 10), nullptr));
    EXPECT_TRUE(box.isHitInRect(kit::makeRect(-5, 40, 10, 10), nullptr));
    box.setDoesCrop(true);
    EXPECT_TRUE(box.isHitAt({50, 50}, nullptr));
    box.setDoesCrop(false);
    box.setFillColor(kit::Color::whiteColor());
    box.setHasFill(true);
    EXPECT_TRUE(box.isHitAt({50, 50}, nullptr));
}

// The point test's outline rule is for the exact class; the rectangle test's for the kind.
class BoxSubclass : public ItemBox {};

TEST(ItemBoxTest, ExactClassRules)
{
    BoxSubclass box;
    box.setHasFill(false);
    box.setHasLine(false);
    box.setFrame(kit::makeRect(0, 0, 100, 100));
    EXPECT_TRUE(box.isHitAt({50, 50}, nullptr));
    EXPECT_FALSE(box.isHitInRect(kit::makeRect(40, 40, 10, 10), nullptr));
}

class NoFillItem : public Item {
public:
    bool canFill() const override { return false; }
};

TEST(ItemStyle, Permissions)
{
    Item plain;
    EXPECT_EQ(plain.graphicPermissions(), 6);
    ItemBox box;
    EXPECT_EQ(box.graphicPermissions(), 7);
    NoFillItem nofill;
    EXPECT_EQ(nofill.graphicPermissions(), 4);
}

TEST(ItemStyle, LocalizeAndUnlocalize)
{
    setUpItemClasses();
    LayoutDocument doc;
    Page page;
    page.setDocument(&doc);
    StyleInfo* sheet = doc.styleInfo();
    auto* root = static_cast<StyleGraphicNamed*>(sheet->addNewStyleInStyles(sheet->graphicStyles()));
    ASSERT_NE(root, nullptr);
    root->setFillColor(kit::Color::whiteColor());
    root->setHasFill(true);
    ItemBox box;
    box.setPage(&page);
    box.setGraphicStyle(root);
    EXPECT_EQ(box.graphicStyle(), root);
    box.setFillColor(kit::Color::blackColor());
    ASSERT_NE(box.graphicStyle(), root);
    EXPECT_TRUE(box.graphicStyle()->isNamedStyle());
    EXPECT_FALSE(box.graphicStyle()->isRootStyle());
    EXPECT_NE(box.graphicStyle()->definedFlags() & GxFillColorMask, 0);
    box.setFillColor(kit::Color::whiteColor());
    EXPECT_EQ(box.graphicStyle(), root);
}

TEST(ItemStyle, ReverseColor)
{
    ItemBox box;
    box.setFillColor(kit::Color::colorWithDeviceRed(0.25f, 0.5f, 1.0f));
    box.setHasFill(true);
    box.reverseColor(nullptr);
    float r, g, b;
    box.graphicStyle()->fillColor()->getRed(r, g, b);
    EXPECT_FLOAT_EQ(r, 0.75f);
    EXPECT_FLOAT_EQ(b, 0.0f);
}

TEST(ItemStored, RoundTrip)
{
    setUpItemClasses();
    ItemBox box;
    box.setFrame(kit::makeRect(10, 20, 30, 40));
    box.rotateByAngle(30);
    box.setDropShadow(true);
    box.setRunaround(true, 1, 2, 3, 4, 5);
    box.setItemSerialNumber(9);
    box.setMasterFlags(2);
    box.setSpecial(true);
    box.select();
    const std::string data = kit::Archiver::archivedDataWithRootObject(&box);
    auto back = kit::Unarchiver::unarchiveObjectWithData<ItemBox>(data);
    ASSERT_TRUE(back);
    EXPECT_TRUE(kit::equalRects(back->frame(), box.frame()));
    EXPECT_EQ(back->infoMode(), box.infoMode());
    float m1[4], m2[4];
    box.getMatrix(m1);
    back->getMatrix(m2);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(m1[i], m2[i]);
    EXPECT_TRUE(back->hasRunaround());
    EXPECT_EQ(back->itemSerialNumber(), std::optional<int>(9));
    EXPECT_EQ(back->masterFlags(), 2);
    EXPECT_TRUE(back->special());
    EXPECT_FALSE(back->isSelected());
    ASSERT_NE(back->graphicStyle(), nullptr);
}

// A matrix that cannot be inverted is dropped on reading; a cut stream fails cleanly.
TEST(ItemStored, DamagedInput)
{
    setUpItemClasses();
    ItemBox box;
    box.setFrame(kit::makeRect(0, 0, 10, 10));
    box.rotateByAngle(90);
    std::string data = kit::Archiver::archivedDataWithRootObject(&box);
    EXPECT_THROW(kit::Unarchiver::unarchiveObjectWithData<ItemBox>(data.substr(0, data.size() / 2)),
                 kit::Exception);
    // Overwrite the stored matrix (four floats after the flags) with zeros.
    float m[4];
    box.getMatrix(m);
    const std::string needle(reinterpret_cast<const char*>(m), sizeof m);
    const auto at = data.find(needle);
    ASSERT_NE(at, std::string::npos);
    data.replace(at, sizeof m, std::string(sizeof m, '\0'));
    auto back = kit::Unarchiver::unarchiveObjectWithData<ItemBox>(data);
    ASSERT_TRUE(back);
    EXPECT_FALSE(back->isTransformed());
}

} // namespace
