// The font panel's accessory: what it shows of the text's character
// attributes, what it reads back, and its bump buttons.

#include "view/tests/EditingTestSupport.h"

#include "panels/FontAccessory.h"

#include "appkit/Button.h"
#include "appkit/PopUpButton.h"
#include "appkit/TextField.h"
#include "foundation/Preferences.h"
#include "foundation/StyleChar.h"
#include "graphics/FontManager.h"
#include "text/TextSelection.h"

namespace {

class FontAccessoryTest : public EditingTest {
protected:
    void SetUp() override
    {
        EditingTest::SetUp();
        FontAccessory::initialize();
        type(flow_, "one two");
        accessory_ = dynamic_cast<FontAccessory*>(delegate_->fontAccessory(true));
        ASSERT_NE(accessory_, nullptr);
        ASSERT_EQ(StyleChar::fontAccessory(false), accessory_);
        delegate_->preferences()->setIncrement(2, IncrementLeading);
        delegate_->preferences()->setIncrement(2, IncrementSpacing);
        kit::FontManager::sharedFontManager().setSelectedFont(font_, false);
    }

    void large() { accessory_->showOptions(nullptr); }
    kit::Control* field(const char* name) { return accessory_->field(name); }
    // A bump button of the given step.
    static std::unique_ptr<kit::Button> bumper(int tag)
    {
        auto made = std::make_unique<kit::Button>();
        made->setTag(tag);
        return made;
    }

    FontAccessory* accessory_ = nullptr;
};

TEST_F(FontAccessoryTest, TheSmallViewReadsEveryValueAsMixed)
{
    ASSERT_FALSE(accessory_->isLarge());
    accessory_->setNewTracking(3);
    accessory_->setNewLeading(12);
    EXPECT_EQ(accessory_->tracking(), FontAccessory::Mixed);
    EXPECT_EQ(accessory_->leading(), FontAccessory::Mixed);
    EXPECT_EQ(accessory_->condense(), FontAccessory::Mixed);
    large();
    EXPECT_TRUE(accessory_->isLarge());
    EXPECT_FLOAT_EQ(accessory_->tracking(), 3);
    EXPECT_FLOAT_EQ(accessory_->leading(), 12);
}

TEST_F(FontAccessoryTest, ValuesShowAndReadBackInTheirConventions)
{
    large();
    accessory_->setNewLeading(111108.5f);
    EXPECT_EQ(field("leading")->stringValue(), "-1.5");
    accessory_->setNewLeading(FontAccessory::Mixed);
    EXPECT_EQ(field("leading")->stringValue(), "<< >>");
    struct Typed {
        const char* text;
        float leading;
    };
    for (const Typed& t : {Typed{"+2", 111112}, Typed{" -1.5", 111108.5f}, Typed{"12", 12}, Typed{"", FontAccessory::Mixed}}) {
        field("leading")->setStringValue(t.text);
        EXPECT_FLOAT_EQ(accessory_->leading(), t.leading) << t.text;
    }
    accessory_->setNewCondense(0.95f);
    EXPECT_EQ(field("condense")->stringValue(), "95.000");
    accessory_->setNewCondense(0.954f);
    EXPECT_EQ(field("condense")->stringValue(), "95.000");
    // Word space beyond the selected font's space (6 points).
    accessory_->setNewWordSpace(8);
    EXPECT_EQ(field("wordSpace")->stringValue(), "2.000");
    EXPECT_FLOAT_EQ(accessory_->wordSpace(), 8);
    accessory_->setLangId(255);
    EXPECT_EQ(accessory_->langId(), 255);
    accessory_->setLangId(5);
    EXPECT_EQ(accessory_->langId(), 5);
    accessory_->setMessage("m");
    EXPECT_EQ(accessory_->message(), "m");
}

TEST_F(FontAccessoryTest, RefusedTextsBeepAndChangeNothing)
{
    large();
    struct Case {
        const char* field;
        const char* text;
        bool beeps;
        float read;
    };
    const Case cases[] = {
        {"condense", "-5", true, FontAccessory::Mixed},
        {"condense", "", false, 1.0f},
        {"condense", "0", false, 1.0f},
        {"condense", "abc", true, FontAccessory::Mixed},
        {"leading", "-101109", true, FontAccessory::Mixed},
        {"leading", "10002", true, FontAccessory::Mixed},
        {"leading", "1e40", true, FontAccessory::Mixed},
        {"tracking", "12abc", true, FontAccessory::Mixed},
        {"tracking", "nan", true, FontAccessory::Mixed},
        {"vertical", "99999", true, FontAccessory::Mixed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.field) + " " + c.text);
        field(c.field)->setStringValue(c.text);
        const int beeps = alerts_->beeps();
        const std::string name = c.field;
        const float read = name == "condense"   ? accessory_->condense()
                           : name == "leading"  ? accessory_->leading()
                           : name == "tracking" ? accessory_->tracking()
                                                : accessory_->vertical();
        EXPECT_FLOAT_EQ(read, c.read);
        EXPECT_EQ(alerts_->beeps() != beeps, c.beeps);
    }
}

TEST_F(FontAccessoryTest, BumpsBeepOnMixedValuesAndStopAtTheirBounds)
{
    large();
    auto down = bumper(-1);
    auto up = bumper(1);
    accessory_->setNewLeading(FontAccessory::Mixed);
    int beeps = alerts_->beeps();
    accessory_->bumpLeading(up.get());
    EXPECT_EQ(alerts_->beeps(), beeps + 1);
    // Condense stops at 1 percent: 0 would read as normal width.
    field("condense")->setStringValue("1");
    beeps = alerts_->beeps();
    accessory_->bumpCondense(down.get());
    EXPECT_EQ(alerts_->beeps(), beeps + 1);
    EXPECT_FLOAT_EQ(accessory_->condense(), 0.01f);
    // A fixed leading stops at 10001, an automatic one above it.
    accessory_->setNewLeading(10000);
    beeps = alerts_->beeps();
    accessory_->bumpLeading(up.get());
    EXPECT_EQ(alerts_->beeps(), beeps + 1);
    EXPECT_FLOAT_EQ(accessory_->leading(), 10000);
    accessory_->setNewLeading(111110);
    accessory_->bumpLeading(up.get());
    EXPECT_FLOAT_EQ(accessory_->leading(), 111112);
}

TEST_F(FontAccessoryTest, ATrackingBumpReachesTheSelectedText)
{
    first_->beginEditing(nullptr, view_);
    ASSERT_TRUE(view_->isEditing());
    textPoint from{0, 0, 0}, to{0, 0, 3};
    flow_->selectBetween(&from, &to, SelectionChar);
    ASSERT_NE(flow_->textSelection(), nullptr);
    large();
    flow_->updateFontPanel(first_);
    EXPECT_EQ(field("tracking")->stringValue(), "0.000");
    auto up = bumper(1);
    accessory_->bumpTracking(up.get());
    EXPECT_EQ(field("tracking")->stringValue(), "2.000");
    const TextWord* one = flow_->paragraphAtIndex(0)->wordAtIndex(0);
    ASSERT_TRUE(one->hasStyles());
    EXPECT_FLOAT_EQ(one->styleAt(0)->tracking(), 2);
}

} // namespace
