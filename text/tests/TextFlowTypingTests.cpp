#include "TextEditingTestSupport.h"

#include "foundation/StyleChar.h"
#include "graphics/Font.h"
#include "graphics/FontManager.h"
#include "appkit/ScrollView.h"

namespace {

class TypingStyleTest : public EditingTest {
protected:
    void SetUp() override
    {
        EditingTest::SetUp();
        makeColumns(1, 60, 500);
        setText("ab cd");
        caretAt(0, 1, 1);
    }
};

TEST_F(TypingStyleTest, AnAttributeAskedForAsItIsChangesNothing)
{
    struct Case {
        bool on;
        bool ask;
        bool changes;
    };
    const Case cases[] = {{false, true, true}, {true, true, false}, {true, false, true}, {false, false, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.on << c.ask);
        flow_->charStyle()->modifyFontAttribute(StyleUnderlineFlag, c.on);
        document_->setEdited(false);
        flow_->setFontAttribute(StyleUnderlineFlag, c.ask, columns_[0]);
        EXPECT_EQ((flow_->charStyle()->special() & StyleUnderlineFlag) != 0, c.changes ? c.ask : c.on);
        EXPECT_EQ(document_->isEdited(), c.changes);
    }
}

TEST_F(TypingStyleTest, CommandsLeaveTheTextOfAColumnNotEditedAlone)
{
    static_cast<EditedColumn*>(columns_[0])->setEditing(false);
    textPoint a{0, 0, 0}, b{0, 1, 2};
    flow_->selectBetween(&a, &b, SelectionChar);
    flow_->changeFontAttribute(StyleUnderlineFlag, columns_[0]);
    EXPECT_EQ(flow_->charStyle()->special() & StyleUnderlineFlag, 0);
    EXPECT_FALSE(document_->isEdited());
}

TEST_F(TypingStyleTest, SubscriptsAddUpAndUnscriptResets)
{
    RecordingAccessory* accessory = useAccessory();
    const float ascent = font_->ascent();
    ASSERT_GT(ascent, 0);
    flow_->subscript(columns_[0]);
    flow_->subscript(columns_[0]);
    EXPECT_FLOAT_EQ(flow_->charStyle()->vertical(), -ascent);
    EXPECT_FLOAT_EQ(accessory->vertical(), -ascent);
    flow_->superscript(columns_[0]);
    EXPECT_FLOAT_EQ(flow_->charStyle()->vertical(), -0.5f * ascent);
    flow_->unscript(columns_[0]);
    EXPECT_FLOAT_EQ(flow_->charStyle()->vertical(), 0);
    EXPECT_FLOAT_EQ(accessory->vertical(), 0);
}

TEST_F(TypingStyleTest, KerningAtACaretTracksTheCharacterBeforeItOnly)
{
    flow_->changeKerning(2, columns_[0]);
    EXPECT_EQ(selection(), nullptr);
    EXPECT_TRUE(document_->isEdited());
    const TextWord* cd = flow_->paragraphAtIndex(0)->wordAtIndex(1);
    const float step = delegate_->preferences()->flagsIncrement(51);
    ASSERT_NE(cd->styleAt(0), nullptr);
    EXPECT_FLOAT_EQ(cd->styleAt(0)->tracking(), 2 * step);
    const StyleChar* after = cd->styleAt(1);
    ASSERT_NE(after, nullptr);
    EXPECT_FLOAT_EQ(after->tracking(), 0);
    const TextWord* ab = flow_->paragraphAtIndex(0)->wordAtIndex(0);
    EXPECT_TRUE(!ab->styleAt(0) || ab->styleAt(0)->tracking() == 0);
}

// A space typed at the end of a word in a changed typing style becomes the
// word's gap: the style that follows it must still reach the next word.
TEST_F(TypingStyleTest, ASpaceTypedInAnotherStyleLeavesTheNextWordAlone)
{
    caretAt(0, 0, 2);
    flow_->superscript(columns_[0]);
    ASSERT_GT(flow_->charStyle()->vertical(), 0);
    press(' ');
    press('h');
    ASSERT_EQ(text(), "ab h cd");
    const auto verticalAt = [&](int word, int letter) {
        textPoint at{0, word, letter};
        const StyleChar* style = flow_->styleCharAt(&at);
        return style ? style->vertical() : 0.0f;
    };
    const TextParagraph* paragraph = flow_->paragraphAtIndex(0);
    ASSERT_EQ(paragraph->wordCount(), 3);
    ASSERT_STREQ(paragraph->wordAtIndex(1)->text(), "h");
    EXPECT_GT(verticalAt(1, 0), 0);
    EXPECT_FLOAT_EQ(verticalAt(0, 1), 0);
    EXPECT_FLOAT_EQ(verticalAt(2, 0), 0);
    EXPECT_FLOAT_EQ(verticalAt(2, 1), 0);
}

// The paragraph inspector as the delegate answers it: what it was shown.
class InspectorProbe : public kit::Object, public ParagraphInspectorPanel {
public:
    std::string className() const override { return "InspectorProbe"; }
    bool paragraphPanelIsVisible() const override { return false; }
    void updateFromParagraph(TextParagraph* shown) override { paragraph = shown; }
    void inspectStyle(StyleParagraph* shown) override { style = shown; }
    bool settingParaFont() const override { return false; }
    void setSettingParaFont(bool) override {}
    void changeFont(kit::Object*) override {}
    TextParagraph* paragraph = nullptr;
    StyleParagraph* style = nullptr;
};

TEST_F(TypingStyleTest, ThePanelsShowTheOrdinaryCharacterBeforeASymbol)
{
    flow_->charStyle()->setFont(fixtureFont(12));
    RecordingAccessory* accessory = useAccessory();
    InspectorProbe inspector;
    delegate_->setParagraphInspector(&inspector);
    // The main view of the document lies in a scroll view with an info bar.
    kit::ScrollView scroll(kit::makeRect(0, 0, 400, 300));
    auto owned = std::make_unique<PageView>(kit::makeRect(0, 0, 400, 300));
    PageView* mainView = owned.get();
    scroll.setDocumentView(std::move(owned));
    InfoBarInset* bar = static_cast<InfoBarInset*>(scroll.addSubview(InfoBarInset::loadFromNib()));
    ASSERT_NE(bar, nullptr);
    document_->addView(mainView);
    delegate_->setMainPageView(mainView);
    caretAt(0, 1, 2);
    press(0x1B7);
    ASSERT_EQ(text(), "ab cd\xB7");
    textPoint at{0, 1, 3};
    flow_->updateFontPanelFromPoint(&at, columns_[0]);
    kit::Font* shown = kit::FontManager::sharedFontManager().selectedFont();
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->fontName(), "Fixed-Test");
    EXPECT_EQ(bar->text("fontField"), shown->fontName());
    ASSERT_FLOAT_EQ(shown->pointSize(), 10);
    EXPECT_EQ(bar->text("fontSizeField"), "10.0");
    // The typing style follows the caret, not the Symbol character.
    EXPECT_EQ(flow_->font(), shown);
    EXPECT_FALSE(flow_->charStyle()->isSingleSymbol());
    EXPECT_EQ(inspector.paragraph, flow_->paragraphAtIndex(0));
    EXPECT_EQ(inspector.style, flow_->paragraphAtIndex(0)->paragraphStyle());
    EXPECT_EQ(accessory->message(), delegate_->valueForStringKey("SetFontSelection"));
    // The info bar shows the caret in page coordinates: after "ab cd" and
    // the symbol on the first line of a column at 10, 10.
    EXPECT_FLOAT_EQ(bar->selectedRect().origin.y, 10);
    EXPECT_GT(bar->selectedRect().origin.x, 10 + 5 * 6);
    delegate_->setParagraphInspector(nullptr);
    delegate_->setMainPageView(&view_);
    document_->detachView(mainView);
}

} // namespace

TEST_F(TypingStyleTest, KerningAtAWordsStartLeavesTheCaretThere)
{
    caretAt(0, 1, 0);
    flow_->paragraphAtIndex(0)->wordAtIndex(0)->setInsertPoint(1);
    flow_->changeKerning(2, columns_[0]);
    const textPoint at = caret();
    EXPECT_TRUE(samePoint(at, 0, 1, 0)) << at.paragraph << "," << at.word << "," << at.letter;
    press('X');
    EXPECT_EQ(text(), "ab Xcd");
}
