#include "TestEnvironment.h"

#include "core/Values.h"
#include "document/LayoutDocument.h"
#include "foundation/StyleChar.h"
#include "foundation/StyleGraphicNamed.h"
#include "foundation/StyleInfo.h"
#include "foundation/StyleNames.h"
#include "foundation/StyleParagraphNamed.h"
#include "graphics/Font.h"

namespace {

class StyleSheet : public DefaultsFolderTest {
protected:
    void SetUp() override
    {
        DefaultsFolderTest::SetUp();
        makeDelegate();
    }
};

// A document whose text selection sits in a paragraph of the given style,
// and which records what the sheet asks of it.
class RecordingDocument : public LayoutDocument {
public:
    StyleParagraph* currentParagraphStyle() const override { return current; }
    void setCurrentParagraphBasedOnStyle(StyleParagraphNamed* style) override { current->setBasedOnStyle(style); }
    void removeStyleReference(const StyleParagraph* style) override { removedReferences.push_back(style); }
    void removeGraphicStyle(const StyleGraphic* style) override { removedGraphics.push_back(style); }
    StyleParagraph* current = nullptr;
    std::vector<const StyleParagraph*> removedReferences;
    std::vector<const StyleGraphic*> removedGraphics;
};

StyleList namedList(std::initializer_list<const char*> names)
{
    StyleList list;
    for (const char* n : names) {
        auto s = std::make_unique<StyleParagraphNamed>();
        s->setStyleName(std::string(n));
        list.push_back(std::move(s));
    }
    return list;
}

TEST_F(StyleSheet, UniqueCopyAndSubNames)
{
    const StyleList list = namedList({"Body", "Body1", "Body7", "Heading", "Heading1"});
    struct Case {
        std::optional<std::string> (*fn)(const StyleList*, const std::optional<std::string>&);
        const char* in;
        std::optional<std::string> out;
    } cases[] = {
        {getUniqueName, "Caption", "Caption"}, {getUniqueName, "Body", "Body2"},
        {getUniqueName, "Body7", "Body8"},      {getCopyName, "Heading+1", "Heading2"},
        {getCopyName, "Body+", "Body2"},        {getCopyName, "Caption+3", "Caption"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.fn(&list, std::string(c.in)), c.out) << c.in;
    EXPECT_EQ(getSubName(std::string("Heading")), "Heading+");
    EXPECT_EQ(getSubName(std::string("")), std::nullopt);
    EXPECT_EQ(getUniqueName(nullptr, std::string("x")), std::nullopt);
}

TEST_F(StyleSheet, UniqueNamesRunOutAtTwoThousandFortySeven)
{
    StyleList list = namedList({"S", "S2047"});
    EXPECT_EQ(getuniquename(list, "S2047"), std::nullopt);
    // Long names get their number without any fixed buffer.
    const std::string longName(600, 'n');
    StyleList longList = namedList({longName.c_str()});
    list.push_back(std::move(longList[0]));
    EXPECT_EQ(getuniquename(list, longName), longName + "1");
    EXPECT_EQ(getuniquename(list, "S99999999999999999999"), "S99999999999999999999");
}

TEST_F(StyleSheet, ValidAndFoundNames)
{
    EXPECT_FALSE(validStyleName(std::string("   ")));
    EXPECT_TRUE(validStyleName(std::string(" a")));
    EXPECT_FALSE(validStyleName(Main->valueForStringKey("No Style")));
    EXPECT_FALSE(validStyleName(std::nullopt));
    StyleList list = namedList({"Body", "Body"});
    EXPECT_EQ(findStyleWithName(&list, std::string("Body")), list[1].get());
}

TEST_F(StyleSheet, NewSheetHasOneRootPerList)
{
    StyleInfo sheet;
    EXPECT_EQ(sheet.paragraphStyles()->size(), 1u);
    EXPECT_EQ(sheet.graphicStyles()->size(), 1u);
    EXPECT_EQ(sheet.characterStyles(), nullptr);
    StyleParagraph stray;
    EXPECT_EQ(sheet.styleTypeForStyle(&stray), 0);
    EXPECT_EQ(sheet.stylesForStyle(&stray), nullptr);
    EXPECT_EQ(sheet.styleTypeForStyle((*sheet.graphicStyles())[0].get()), 2);
    EXPECT_EQ(StyleInfo::stylePasteboardForType(2), "Graphics Pasteboard Type");
    EXPECT_EQ(StyleInfo::styleAttributeForType(5), -1);
}

TEST_F(StyleSheet, NewStylesAreNumberedAndSorted)
{
    StyleInfo sheet;
    StyleSheetEntry* first = sheet.addNewStyleInStyles(sheet.paragraphStyles());
    StyleSheetEntry* second = sheet.addNewStyleInStyles(sheet.paragraphStyles());
    ASSERT_TRUE(first && second);
    const std::string base = Main->valueForStringKey("New Style");
    EXPECT_EQ(first->styleName(), base);
    EXPECT_EQ(second->styleName(), base + "1");
    EXPECT_FALSE((*sheet.paragraphStyles())[0]->isNamedStyle());
    StyleSheetEntry* graphic = sheet.addNewStyleInStyles(sheet.graphicStyles());
    ASSERT_NE(graphic, nullptr);
    EXPECT_FALSE(graphic->canFree());
    EXPECT_EQ(sheet.addNewStyleInStyles(nullptr), nullptr);
}

TEST_F(StyleSheet, NewStyleFromTheSelectedParagraphsStyle)
{
    RecordingDocument doc;
    StyleInfo& sheet = *doc.styleInfo();
    auto body = std::make_unique<StyleParagraphNamed>();
    body->setStyleName(std::string("Body"));
    body->setSpaceBefore(9);
    StyleParagraphNamed* bodyRaw = body.get();
    ASSERT_EQ(sheet.addStyle(std::move(body), sheet.paragraphStyles()), nullptr);
    StyleParagraph paragraph;
    paragraph.setBasedOnStyle(bodyRaw);
    doc.current = &paragraph;
    auto* made = dynamic_cast<StyleParagraphNamed*>(sheet.addNewStyleInStyles(sheet.paragraphStyles()));
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->styleName(), "Body1");
    EXPECT_EQ(made->spaceBefore(), 9);
    EXPECT_EQ(paragraph.basedOnStyle(), made);
}

TEST_F(StyleSheet, NoNameMeansNoNewStyle)
{
    StyleInfo sheet;
    const std::string base = Main->valueForStringKey("New Style");
    for (int n = 0; n < 2048; ++n) {
        auto s = std::make_unique<StyleGraphicNamed>();
        s->setStyleName(n == 0 ? base : base + std::to_string(n));
        sheet.graphicStyles()->push_back(std::move(s));
    }
    const std::size_t before = sheet.graphicStyles()->size();
    EXPECT_EQ(sheet.addNewStyleInStyles(sheet.graphicStyles()), nullptr);
    EXPECT_EQ(sheet.copyStyle((*sheet.graphicStyles())[0].get(), nullptr), nullptr);
    EXPECT_EQ(sheet.graphicStyles()->size(), before);
}

TEST_F(StyleSheet, AddingATakenNameHandsTheStyleBack)
{
    StyleInfo sheet;
    auto a = std::make_unique<StyleParagraphNamed>();
    a->setStyleName(std::string("Body"));
    EXPECT_EQ(sheet.addStyle(std::move(a), sheet.paragraphStyles()), nullptr);
    auto b = std::make_unique<StyleParagraphNamed>();
    b->setStyleName(std::string("Body"));
    EXPECT_NE(sheet.addStyle(std::move(b), sheet.paragraphStyles()), nullptr);
    EXPECT_EQ(sheet.paragraphStyles()->size(), 2u);
}

TEST_F(StyleSheet, RenamingAndTheDuplicateAlert)
{
    StyleInfo sheet;
    auto body = std::make_unique<StyleParagraphNamed>();
    body->setStyleName(std::string("Body"));
    StyleParagraphNamed* bodyRaw = body.get();
    std::unique_ptr<StyleParagraphNamed> child = bodyRaw->newSubstyle();
    EXPECT_EQ(child->styleName(), "Body+");
    StyleParagraphNamed* childRaw = child.get();
    sheet.addStyle(std::move(body), sheet.paragraphStyles());
    sheet.addStyle(std::move(child), sheet.paragraphStyles());
    auto caption = std::make_unique<StyleParagraphNamed>();
    caption->setStyleName(std::string("Caption"));
    sheet.addStyle(std::move(caption), sheet.paragraphStyles());

    using R = StyleInfo::RenameResult;
    EXPECT_EQ(sheet.renameStyle(bodyRaw, std::string("Body"), nullptr), R::Unchanged);
    EXPECT_EQ(sheet.renameStyle(bodyRaw, std::nullopt, nullptr), R::Unchanged);
    EXPECT_EQ(sheet.renameStyle(bodyRaw, Main->valueForStringKey("No Style"), nullptr), R::Unchanged);
    EXPECT_TRUE(alerts_->shown().empty());
    EXPECT_EQ(sheet.renameStyle(bodyRaw, std::string("Caption"), nullptr), R::Refused);
    ASSERT_EQ(alerts_->shown().size(), 1u);
    EXPECT_EQ(alerts_->shown()[0].title, Main->valueForStringKey("RenameStyle"));
    EXPECT_NE(alerts_->shown()[0].message.find("Caption"), std::string::npos);
    EXPECT_EQ(bodyRaw->styleName(), "Body");
    EXPECT_EQ(sheet.renameStyle(bodyRaw, std::string("Text"), nullptr), R::Renamed);
    EXPECT_EQ(childRaw->styleName(), "Text+");
    EXPECT_EQ(childRaw->rootName(), "Text");
    // Sorted by name after the root.
    EXPECT_EQ((*sheet.paragraphStyles())[1]->styleName(), "Caption");
}

TEST_F(StyleSheet, RemovingAStyleDropsEveryReference)
{
    RecordingDocument doc;
    StyleInfo& sheet = *doc.styleInfo();
    auto body = std::make_unique<StyleParagraphNamed>();
    body->setStyleName(std::string("Body"));
    StyleParagraphNamed* bodyRaw = body.get();
    std::unique_ptr<StyleParagraphNamed> child = bodyRaw->newSubstyle();
    StyleParagraphNamed* childRaw = child.get();
    child->setBasedOnStyle(bodyRaw);
    sheet.addStyle(std::move(body), sheet.paragraphStyles());
    sheet.addStyle(std::move(child), sheet.paragraphStyles());

    std::unique_ptr<StyleSheetEntry> removed = sheet.removeStyle(bodyRaw, nullptr);
    ASSERT_EQ(removed.get(), bodyRaw);
    EXPECT_EQ(doc.removedReferences, std::vector<const StyleParagraph*>{bodyRaw});
    EXPECT_EQ(childRaw->basedOnStyle(), nullptr);
    EXPECT_EQ(childRaw->superstyle(), nullptr); // the substyle becomes a root
    EXPECT_TRUE(childRaw->isRootStyle());
    EXPECT_EQ(bodyRaw->styleName(), std::nullopt);
    EXPECT_EQ(sheet.paragraphStyles()->size(), 2u);
    removed.reset();
    EXPECT_EQ(childRaw->rootStyle(), childRaw);
    EXPECT_EQ(sheet.removeStyle((*sheet.paragraphStyles())[0].get(), nullptr), nullptr);

    auto g = std::make_unique<StyleGraphicNamed>();
    g->setStyleName(std::string("Frame"));
    StyleGraphicNamed* gRaw = g.get();
    sheet.addStyle(std::move(g), sheet.graphicStyles());
    auto gone = sheet.removeStyle(gRaw, nullptr);
    EXPECT_EQ(doc.removedGraphics, std::vector<const StyleGraphic*>{gRaw});
    EXPECT_TRUE(gone->canFree());
}

TEST_F(StyleSheet, CopiesOfStyles)
{
    StyleInfo sheet;
    auto body = std::make_unique<StyleParagraphNamed>();
    body->setStyleName(std::string("Body"));
    body->setSpaceAfter(4);
    StyleParagraphNamed* bodyRaw = body.get();
    sheet.addStyle(std::move(body), sheet.paragraphStyles());
    auto* copy = dynamic_cast<StyleParagraphNamed*>(sheet.copyStyle(bodyRaw, nullptr));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->styleName(), "Body1");
    EXPECT_EQ(copy->spaceAfter(), 4);
    auto* fromRoot = sheet.copyStyle((*sheet.paragraphStyles())[0].get(), nullptr);
    ASSERT_NE(fromRoot, nullptr);
    EXPECT_EQ(fromRoot->styleName(), Main->valueForStringKey("New Style"));
}

// A substyle, a copy of it in the sheet (based on the same parent but not
// listed as its substyle) and a copy held outside the sheet: once the parent
// is removed and freed, none of them may point at it.
template <class Named>
void removeAParentWithStylesBasedOnIt(StyleList* (StyleInfo::*whichList)())
{
    RecordingDocument doc;
    StyleInfo& sheet = *doc.styleInfo();
    StyleList* list = (sheet.*whichList)();
    auto made = std::make_unique<Named>();
    made->setStyleName(std::string("Frame"));
    Named* frame = made.get();
    ASSERT_EQ(sheet.addStyle(std::move(made), list), nullptr);
    std::unique_ptr<Named> sub = frame->newSubstyle();
    Named* child = sub.get();
    ASSERT_EQ(sheet.addStyle(std::move(sub), list), nullptr);
    auto* copied = dynamic_cast<Named*>(sheet.copyStyle(child, nullptr));
    ASSERT_NE(copied, nullptr);
    EXPECT_EQ(copied->styleName(), "Frame1");
    EXPECT_EQ(copied->superstyle(), frame);
    std::unique_ptr<Named> outside = child->copyNamed();

    std::unique_ptr<StyleSheetEntry> removed = sheet.removeStyle(frame, list);
    ASSERT_EQ(removed.get(), frame);
    for (Named* s : {child, copied, outside.get()})
        EXPECT_EQ(s->superstyle(), nullptr) << *s->styleName();
    removed.reset();
    EXPECT_EQ(child->rootName(), "Frame+");
    EXPECT_EQ(copied->rootName(), "Frame1");
    EXPECT_EQ(outside->rootName(), "Frame+");
}

TEST_F(StyleSheet, RemovingAParentFreesNoStyleBasedOnIt)
{
    removeAParentWithStylesBasedOnIt<StyleParagraphNamed>(&StyleInfo::paragraphStyles);
    removeAParentWithStylesBasedOnIt<StyleGraphicNamed>(&StyleInfo::graphicStyles);
}

TEST_F(StyleSheet, NewStylesTakeTheDefaultsTheMakerPassesIn)
{
    Preferences* prefs = Main->preferences();
    prefs->setBodyFont(kit::Font::fontWithName("Courier", 17));
    prefs->setNewAutoKern(true);
    prefs->setParagraphAlignment(3);
    prefs->setHasFill(true);
    prefs->setHasLine(true);
    prefs->setLineWidth(4);

    // Nothing is taken from the application's preferences unless passed in.
    StyleParagraph plain;
    EXPECT_EQ(plain.font(), nullptr);
    EXPECT_FALSE(plain.autoKern());
    EXPECT_EQ(plain.alignment(), 0);
    StyleInfo bare;
    auto* bareGraphic = dynamic_cast<StyleGraphic*>(bare.addNewStyleInStyles(bare.graphicStyles()));
    ASSERT_NE(bareGraphic, nullptr);
    EXPECT_FALSE(bareGraphic->hasFill());
    EXPECT_EQ(bareGraphic->lineWidth(), 1.0f);

    StyleParagraph fromPrefs(prefs);
    EXPECT_EQ(fromPrefs.font(), prefs->bodyFont());
    EXPECT_TRUE(fromPrefs.autoKern());
    EXPECT_EQ(fromPrefs.alignment(), 3);
    EXPECT_EQ(fromPrefs.charStyle()->leading(), StyleAutoLeading);

    LayoutDocument doc(prefs);
    StyleInfo& sheet = *doc.styleInfo();
    EXPECT_EQ(dynamic_cast<StyleParagraph*>((*sheet.paragraphStyles())[0].get())->font(), prefs->bodyFont());
    auto* para = dynamic_cast<StyleParagraph*>(sheet.addNewStyleInStyles(sheet.paragraphStyles()));
    ASSERT_NE(para, nullptr);
    EXPECT_EQ(para->font(), prefs->bodyFont());
    EXPECT_EQ(para->alignment(), 3);
    auto* graphic = dynamic_cast<StyleGraphic*>(sheet.addNewStyleInStyles(sheet.graphicStyles()));
    ASSERT_NE(graphic, nullptr);
    EXPECT_TRUE(graphic->hasFill());
    EXPECT_EQ(graphic->fillColor(), kit::Color::whiteColor());
    EXPECT_EQ(graphic->lineWidth(), 4.0f);
    // Later changes to the preferences reach the sheet's next new style.
    prefs->setHasLine(false);
    auto* noLine = dynamic_cast<StyleGraphic*>(sheet.addNewStyleInStyles(sheet.graphicStyles()));
    ASSERT_NE(noLine, nullptr);
    EXPECT_FALSE(noLine->hasLine());
}

// ---- The tree of named styles, for both kinds.

template <class Named>
class NamedStyleTreeTest : public ::testing::Test {
protected:
    static std::unique_ptr<Named> named(const char* name)
    {
        auto s = std::make_unique<Named>();
        s->setStyleName(std::string(name));
        return s;
    }
};

using NamedStyleClasses = ::testing::Types<StyleParagraphNamed, StyleGraphicNamed>;
TYPED_TEST_SUITE(NamedStyleTreeTest, NamedStyleClasses);

TYPED_TEST(NamedStyleTreeTest, SubstylesDroppedFromTheListOutliveTheirParent)
{
    auto parent = this->named("Body");
    std::unique_ptr<TypeParam> child = parent->newSubstyle();
    parent->removeSubstyles();
    EXPECT_EQ(parent->substyles(), nullptr);
    EXPECT_EQ(child->superstyle(), parent.get()); // still based on it
    EXPECT_EQ(child->rootName(), "Body");
    parent.reset();
    EXPECT_EQ(child->superstyle(), nullptr);
    EXPECT_TRUE(child->isRootStyle());
    EXPECT_EQ(child->rootName(), "Body+");
}

TYPED_TEST(NamedStyleTreeTest, CopiesKeepTheParentWithoutJoiningItsList)
{
    auto parent = this->named("Body");
    std::unique_ptr<TypeParam> child = parent->newSubstyle();
    std::unique_ptr<TypeParam> copy = child->copyNamed();
    EXPECT_EQ(copy->superstyle(), parent.get());
    EXPECT_EQ(copy->substyles(), nullptr);
    ASSERT_NE(parent->substyles(), nullptr);
    EXPECT_EQ(*parent->substyles(), std::vector<TypeParam*>{child.get()});
    parent.reset();
    for (TypeParam* s : {child.get(), copy.get()}) {
        EXPECT_EQ(s->superstyle(), nullptr);
        EXPECT_EQ(s->rootName(), "Body+");
    }
}

TYPED_TEST(NamedStyleTreeTest, AFreedChildLeavesItsParentsList)
{
    auto parent = this->named("Body");
    std::unique_ptr<TypeParam> first = parent->newSubstyle();
    std::unique_ptr<TypeParam> second = parent->newSubstyle();
    first.reset();
    ASSERT_NE(parent->substyles(), nullptr);
    EXPECT_EQ(*parent->substyles(), std::vector<TypeParam*>{second.get()});
}

TYPED_TEST(NamedStyleTreeTest, ANewParentTakesTheChildFromTheOldOnesList)
{
    auto first = this->named("A");
    auto second = this->named("B");
    std::unique_ptr<TypeParam> child = first->newSubstyle();
    child->setSuperstyle(second.get());
    EXPECT_TRUE(first->substyles()->empty());
    first.reset();
    EXPECT_EQ(child->superstyle(), second.get());
    EXPECT_EQ(child->rootName(), "B");
    second.reset();
    EXPECT_TRUE(child->isRootStyle());
}

TYPED_TEST(NamedStyleTreeTest, LoopsAndSelfParentsFreeInEitherOrder)
{
    for (bool firstGoesFirst : {true, false}) {
        auto a = this->named("A");
        auto b = this->named("B");
        a->setSuperstyle(b.get());
        b->setSuperstyle(a.get());
        EXPECT_NE(a->rootStyle(), nullptr);
        auto self = this->named("S");
        self->setSuperstyle(self.get());
        EXPECT_EQ(self->rootStyle(), self.get());
        self.reset();
        (firstGoesFirst ? a : b).reset();
        TypeParam* left = a ? a.get() : b.get();
        EXPECT_EQ(left->superstyle(), nullptr);
        EXPECT_EQ(left->rootName(), left->styleName());
    }
}

// ---- Graphic styles.

TEST_F(StyleSheet, GraphicStyleDefaultsAndSwitches)
{
    StyleGraphic s;
    EXPECT_TRUE(s.hasLine());
    EXPECT_EQ(s.lineWidth(), 1.0f);
    EXPECT_FALSE(s.hasFill());
    EXPECT_EQ(s.fillColor(), kit::Color::whiteColor());
    s.setLineWidth(3);
    s.setHasLine(false);
    EXPECT_EQ(s.lineWidth(), 0.0f);
    s.setHasLine(true);
    EXPECT_EQ(s.lineWidth(), 3.0f);

    StyleGraphic noLine;
    noLine.setLine(nullptr);
    GxArrow arrow;
    arrow.kind = 2;
    arrow.count = 2;
    arrow.points[1] = {4, 4};
    noLine.setLeftArrow(&arrow);
    EXPECT_TRUE(noLine.hasLine());
    EXPECT_EQ(noLine.leftArrowRect(), kit::makeRect(0, 0, 4, 4));
    arrow.kind = 0;
    noLine.setLeftArrow(&arrow);
    EXPECT_EQ(noLine.leftArrowRect(), kit::Rect{});
}

TEST_F(StyleSheet, GraphicFillMasks)
{
    GxFill source;
    GxInitFill(&source);
    source.color = kit::Color::redColor();
    GxSetFillOverprint(&source, true);
    StyleGraphic s;
    s.setFillPattern(std::make_shared<kit::String>("p"));
    const kit::ColorRef before = s.fillColor();
    s.setFillWithMask(&source, 0x1);
    EXPECT_EQ(s.fillColor(), before);
    EXPECT_NE(s.fillPattern(), nullptr);
    s.setFillWithMask(&source, 0x2);
    EXPECT_EQ(s.fillColor(), kit::Color::redColor());
    EXPECT_EQ(s.fillPattern(), nullptr);
    EXPECT_FALSE(s.fillOverprint());
    s.setFill(&source);
    EXPECT_TRUE(s.fillOverprint());
}

TEST_F(StyleSheet, GraphicDifferences)
{
    StyleGraphic a, b;
    EXPECT_EQ(a.differencesFromStyle(&b), 0);
    b.setHasLine(false); // the record stays
    b.setDoesCrop(true);
    EXPECT_EQ(a.differencesFromStyle(&b), 0x770 | 0x1);
    b.setHasLine(true);
    b.setLineWidth(4);
    a.setFillColor(kit::Color::redColor());
    EXPECT_EQ(a.differencesFromStyle(&b), 0xE | 0x20 | 0x1);
    GxArrow arrow;
    arrow.kind = 1;
    arrow.count = 4;
    b.setRightArrow(&arrow);
    EXPECT_EQ(a.differencesFromStyle(&b) & 0x1800, 0x1000);
}

TEST_F(StyleSheet, UpdatesFlowDownTheGraphicTree)
{
    StyleGraphicNamed parent;
    parent.setStyleName(std::string("Frame"));
    parent.setLineWidth(5);
    std::unique_ptr<StyleGraphicNamed> child = parent.newSubstyle();
    child->setDefinedFlags(GxLineMask);
    child->setLineWidth(2);
    std::unique_ptr<StyleGraphicNamed> grandchild = child->newSubstyle();
    EXPECT_EQ(grandchild->styleName(), "Frame++");

    StyleGraphic source;
    source.setFillColor(kit::Color::redColor());
    source.setLineWidth(9);
    child->updateWithStyle(&source);
    EXPECT_EQ(child->lineWidth(), 2.0f); // its own line
    EXPECT_EQ(child->fillColor(), kit::Color::redColor());
    EXPECT_EQ(grandchild->lineWidth(), 2.0f); // from the child
    EXPECT_EQ(grandchild->fillColor(), kit::Color::redColor());
    // A loop cannot be made.
    grandchild->addSubstyle(&parent);
    EXPECT_EQ(parent.superstyle(), nullptr);
    parent.removeFromSuperstyle();
    EXPECT_TRUE(parent.isRootStyle());
}

} // namespace
