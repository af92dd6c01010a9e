#include "TextEditingTestSupport.h"

#include "foundation/StyleChar.h"
#include "graphics/Font.h"

#include <functional>

namespace {

constexpr std::uint16_t Up = 0xF700, Down = 0xF701, Left = 0xF702, Right = 0xF703;

class KeysTest : public EditingTest {
protected:
    void layOut(const char* text, float width = 60)
    {
        makeColumns(1, width, 500);
        setText(text);
    }
    // A new flow and column for each case of a table.
    void newFlowFor(const char* text)
    {
        if (flow_)
            others_.push_back(std::move(flow_));
        flow_ = std::make_unique<TextFlow>();
        flow_->firstParagraph()->paragraphStyle()->setFont(font_);
        auto typing = std::make_unique<StyleChar>();
        typing->setFont(font_);
        flow_->setCharStyle(std::move(typing));
        layOut(text);
    }
};

TEST_F(KeysTest, MovingPastEitherEndOfTheFlowBeeps)
{
    layOut("ab cd\nef");
    struct Case {
        const char* name;
        textPoint from;
        std::uint16_t key;
        textPoint to;
    };
    const Case cases[] = {
        {"Right at the end", {1, 0, 2}, Right, {1, 0, 2}},
        {"Left at the start", {0, 0, 0}, Left, {0, 0, 0}},
        {"Up on the first line", {0, 1, 1}, Up, {0, 0, 0}},
        {"Down on the last line", {1, 0, 1}, Down, {1, 0, 2}},
        {"word right in the last word", {1, 0, 1}, 0xF7E1, {1, 0, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        caretAt(c.from.paragraph, c.from.word, c.from.letter);
        const int before = beeps();
        press(c.key);
        EXPECT_EQ(beeps(), before + 1);
        const textPoint at = caret();
        EXPECT_TRUE(EqualTextPoints(&at, &c.to)) << at.paragraph << "," << at.word << "," << at.letter;
    }
}

TEST_F(KeysTest, UpAndDownKeepTheXWhereTheRunStarted)
{
    // Three paragraphs, the middle one short.
    layOut("aaaaaaaaa\nbb\nccccccccc");
    caretAt(0, 0, 7);
    press(Down);
    EXPECT_TRUE(samePoint(caret(), 1, 0, 2));
    press(Down);
    EXPECT_TRUE(samePoint(caret(), 2, 0, 7));
    press(Up);
    press(Up);
    EXPECT_TRUE(samePoint(caret(), 0, 0, 7));
    // Another key ends the run: the next Down starts from the new x.
    press(Left);
    press(Down);
    press(Down);
    EXPECT_TRUE(samePoint(caret(), 2, 0, 6));
}

TEST_F(KeysTest, ShiftRightIntoTheNextParagraphTakesTheBreakOnlyAtItsLastPoint)
{
    struct Case {
        const char* text;
        int type;
    };
    const Case cases[] = {
        {"ab\n", SelectionPara},  // an empty paragraph follows: its first point is its last
        {"ab\nxy", SelectionChar},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        newFlowFor(c.text);
        caretAt(0, 0, 2);
        press(Right, kit::ShiftKeyMask);
        ASSERT_NE(selection(), nullptr);
        EXPECT_EQ(selection()->selectionEndType(), c.type);
        EXPECT_TRUE(samePoint(selection()->start(), 0, 0, 2));
        EXPECT_TRUE(samePoint(selection()->end(), 1, 0, 0));
    }
}

TEST_F(KeysTest, LeftAndRightWithASelectionGoToItsEnds)
{
    layOut("ab cd ef");
    struct Case {
        std::uint16_t key;
        textPoint to;
    };
    const Case cases[] = {{Left, {0, 0, 1}}, {Right, {0, 2, 1}}};
    for (const Case& c : cases) {
        textPoint a{0, 0, 1}, b{0, 2, 1};
        flow_->selectBetween(&a, &b, SelectionChar);
        caretAt(0, 2, 1);
        press(c.key);
        EXPECT_EQ(selection(), nullptr);
        const textPoint at = caret();
        EXPECT_TRUE(EqualTextPoints(&at, &c.to));
    }
}

TEST_F(KeysTest, ReturnBreaksTheParagraphAndAlternateReturnTheLine)
{
    struct Case {
        const char* name;
        std::uint16_t code;
        unsigned flags;
        int textType;
        int paragraphs;
        int lineBreaks;
        int pageBreaks;
    };
    const Case cases[] = {
        {"Return", 13, 0, 1, 2, 0, 0},
        {"Alternate-Return", 13, kit::AlternateKeyMask, 1, 1, 1, 0},
        {"Return in display text", 10, 0, 2, 1, 1, 0},
        {"Enter variant", 0xF7EB, 0, 1, 2, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        newFlowFor("ab cd");
        columns_[0]->setTextType(c.textType);
        caretAt(0, 0, 2);
        press(c.code, c.flags);
        EXPECT_EQ(flow_->paragraphCount(), c.paragraphs);
        int lineBreaks = 0, pageBreaks = 0;
        for (const auto& p : flow_->paragraphList())
            for (const auto& w : p->wordList()) {
                lineBreaks += w->wordType() == 202;
                pageBreaks += w->wordType() == 203;
            }
        EXPECT_EQ(lineBreaks, c.lineBreaks);
        EXPECT_EQ(pageBreaks, c.pageBreaks);
        EXPECT_TRUE(document_->isEdited());
        document_->setEdited(false);
    }
}

TEST_F(KeysTest, ASymbolCodeTypesItsByteInTheSymbolFont)
{
    layOut("ab");
    flow_->charStyle()->setFont(fixtureFont(12));
    caretAt(0, 0, 2);
    press(0x1B7);
    EXPECT_EQ(text(), "ab\xB7");
    textPoint at{0, 0, 2};
    const StyleChar* style = flow_->styleCharAt(&at);
    ASSERT_NE(style, nullptr);
    ASSERT_NE(style->font(), nullptr);
    EXPECT_EQ(style->font()->fontName(), "Symbol");
    EXPECT_FLOAT_EQ(style->font()->pointSize(), 12);
}

TEST_F(KeysTest, CodesOutsideTheTableTypeNothing)
{
    // Function keys arrive as 0xF700 and up; 0x100 is no Symbol character.
    const std::uint16_t codes[] = {0xF704, 0xF70F, 0xF727, 0xF72E, 0x100, 0x200, 0x7F00, 0xF7FF, 0x01, 0x1F};
    layOut("ab");
    for (std::uint16_t code : codes) {
        SCOPED_TRACE(code);
        caretAt(0, 0, 1);
        press(code);
        EXPECT_EQ(text(), "ab");
        EXPECT_TRUE(samePoint(caret(), 0, 0, 1));
    }
    // The same through the key translation: F1 and Insert.
    for (const char16_t* chars : {u"\uF704", u"\uF727"}) {
        caretAt(0, 0, 1);
        post(key(chars));
        const auto e = kit::Application::sharedApplication().nextEventMatchingMask(
            kit::KeyDownMask, kit::Date::distantPast(), kit::DefaultRunLoopMode, true);
        ASSERT_TRUE(e);
        flow_->processKeyEvent(*e, &view_, columns_[0]);
        EXPECT_EQ(text(), "ab");
    }
}

TEST_F(KeysTest, ATypingBurstTakesEveryQueuedKey)
{
    layOut("", 400);
    std::string expected;
    for (int i = 0; i < 1000; ++i) {
        const char c = i % 7 == 6 ? ' ' : char('a' + i % 26);
        expected += c;
        post(key(std::u16string(1, char16_t(c))));
        post(key(std::u16string(1, char16_t(c)), 0, false, kit::EventType::KeyUp));
    }
    // A movement key ends the burst and stays queued.
    post(key(u"\uF702"));
    auto& app = kit::Application::sharedApplication();
    const auto first = app.nextEventMatchingMask(kit::KeyDownMask, kit::Date::distantPast(), kit::DefaultRunLoopMode, true);
    ASSERT_TRUE(first);
    flow_->processKeyEvent(*first, &view_, columns_[0]);
    EXPECT_EQ(text(), expected);
    EXPECT_EQ(app.queuedEventCount(), 1u);
}

// A queued key that the user's key map binds is not typed by the burst: it
// stays queued for the key translation, which sends its action.
TEST_F(KeysTest, ATypingBurstStopsAtAKeyTheKeyMapBinds)
{
    const std::string userFolder = kit::UserDefaults::defaultsFolder();
    ASSERT_TRUE(kit::FileManager::createDirectoryAtPath(userFolder));
    ASSERT_TRUE(kit::FileManager::writeFileAtomically(userFolder + "/Burst.keymap", "\"x\" = copy:\n"));
    delegate_->setKeymapName(std::string("Burst"));
    layOut("", 400);
    for (const char16_t* chars : {u"b", u"x", u"c"})
        post(key(chars));
    auto& app = kit::Application::sharedApplication();
    const auto first = app.nextEventMatchingMask(kit::KeyDownMask, kit::Date::distantPast(), kit::DefaultRunLoopMode, true);
    ASSERT_TRUE(first);
    flow_->processKeyEvent(*first, &view_, columns_[0]);
    EXPECT_EQ(text(), "b");
    const auto next = app.nextEventMatchingMask(kit::KeyDownMask, kit::Date::distantPast(), kit::DefaultRunLoopMode, true);
    ASSERT_TRUE(next);
    EXPECT_EQ(next->characters(), u"x");
    std::string action;
    EXPECT_EQ(delegate_->convertKeyEvent(*next, &action), 0x0F7A);
    EXPECT_EQ(action, "copy:");
    delegate_->setKeymapName(std::nullopt);
}

TEST_F(KeysTest, ReleasedRepeatsAreDroppedButTypedKeysAreNot)
{
    layOut("", 400);
    // The repeating key, a key typed meanwhile, a late repeat, the release.
    post(key(u"k", 0, true));
    post(key(u"z"));
    post(key(u"k", 0, true));
    post(key(u"k", 0, true));
    post(key(u"k", 0, false, kit::EventType::KeyUp));
    post(key(u"q"));
    auto& app = kit::Application::sharedApplication();
    const auto first = app.nextEventMatchingMask(kit::KeyDownMask, kit::Date::distantPast(), kit::DefaultRunLoopMode, true);
    ASSERT_TRUE(first);
    flow_->processKeyEvent(*first, &view_, columns_[0]);
    EXPECT_EQ(text(), "kzq");
    EXPECT_EQ(app.queuedEventCount(), 0u);
}

// An edit marks the document of the flow it changes, whichever document the
// application's main window shows: otherwise closing it would lose the edit.
TEST_F(KeysTest, EditsMarkTheirOwnDocumentEditedNotTheMainOne)
{
    TextSelection::initialize(); // a deleted selection is kept for undo
    layOut("ab cd ef");
    LayoutDocument other(delegate_->preferences());
    other.setup();
    delegate_->setMainDocument(&other);
    const textPoint from{0, 1, 0}, to{0, 1, 2};
    struct Case {
        const char* name;
        std::function<void()> edit;
    };
    const Case cases[] = {
        {"typing", [&] { press('x'); }},
        {"deleting backward", [&] { press(TextParagraph::DeleteBackwardKey); }},
        {"deleting a selection", [&] {
             ASSERT_TRUE(flow_->selectBetween(&from, &to, false));
             press(TextParagraph::DeleteForwardKey);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        caretAt(0, 2, 1);
        document_->setEdited(false);
        other.setEdited(false);
        c.edit();
        EXPECT_TRUE(document_->isEdited());
        EXPECT_FALSE(other.isEdited());
    }
    EXPECT_EQ(text(), "ab  xf");
    delegate_->setMainDocument(document_.get());
}

TEST_F(KeysTest, TheBuiltInTableTranslatesControlAndModifiedKeys)
{
    struct Case {
        std::u16string chars;
        unsigned flags;
        std::uint16_t code;
        const char* action;
    };
    const unsigned Ctrl = kit::ControlKeyMask, Alt = kit::AlternateKeyMask, Shift = kit::ShiftKeyMask;
    const Case cases[] = {
        {u"\x01", Ctrl, 0xF7EC, ""},
        {u"\x05", Ctrl, 0xF7ED, ""},
        {u"\x04", Ctrl, 0xF728, ""},
        {u"\x08", Ctrl, 0xF7E8, ""},
        {u"\x7F", 0, 0xF7E8, ""},
        {u"\r", 0, 0x0A, ""},
        {u"\r", Ctrl, 0xF7EB, ""},
        {u"\t", 0, 0x09, ""},
        {u"\x19", Shift, 0x0B, ""},
        {u"\t", Shift, 0x0B, ""},
        {u"\t", Alt, 0x0F7A, "hangingIndentExpand:"},
        {u"\x0B", Ctrl, 0x0F7A, "killToEOP:"},
        {u"\x0B", Ctrl | Shift, 0x0F7A, "killToEOL:"},
        {u"\uF702", Alt, 0xF729, ""},
        {u"\uF702", Alt | Ctrl, 0xF7E5, ""},
        {u"\uF702", Ctrl, 0xF7E0, ""},
        {u"a", 0, 'a', ""},
        {u"\u00E9", 0, 0xDD, ""},  // e acute, in the documents' set
        {u"\u03B1", 0, 0x161, ""}, // alpha: the Symbol font's "a"
        {u"\uF704", 0, 0xF704, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.action);
        std::string action;
        EXPECT_EQ(delegate_->convertKeyEvent(key(c.chars, c.flags), &action), c.code) << std::hex << unsigned(c.chars[0]);
        EXPECT_EQ(action, c.action);
    }
}

} // namespace

TEST_F(KeysTest, AKeyTypedOverADoubleClickedWordEndsTheWord)
{
    struct Case {
        const char* text;
        const char* typed;
        const char* after;
    };
    // A closing fence after the word stays joined to what is typed.
    const Case cases[] = {{"one two", "X", "X two"}, {"one two", "XY", "XY two"}, {"one, two", "X", "X, two"}};
    TextSelection::initialize();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        newFlowFor(c.text);
        click(columns_[0], 3, 5, 0, 2);
        ASSERT_NE(selection(), nullptr);
        ASSERT_EQ(selection()->selectionEndType(), SelectionWord);
        for (const char* k = c.typed; *k; ++k)
            press(static_cast<unsigned char>(*k));
        EXPECT_EQ(text(), c.after);
    }
}

TEST_F(KeysTest, KeysQueuedAfterAClickAreTypedWhereTheClickPutsTheCaret)
{
    layOut("abc def", 400);
    caretAt(0, 0, 3);
    // Typed fast: a key, a click before "def", two more keys.
    post(mouse(kit::EventType::LeftMouseDown, inView(columns_[0], 31, 5)));
    post(mouse(kit::EventType::LeftMouseUp, inView(columns_[0], 31, 5)));
    post(key(u"y"));
    post(key(u"z"));
    press('x');
    EXPECT_EQ(text(), "abcx def");
    // The burst left the click and the keys after it to the normal path.
    auto& app = kit::Application::sharedApplication();
    ASSERT_EQ(app.queuedEventCount(), 4u);
    const auto down = app.nextEventMatchingMask(kit::LeftMouseDownMask, kit::Date::distantPast(),
                                                kit::DefaultRunLoopMode, true);
    ASSERT_TRUE(down);
    flow_->mouseHandle(*down, &view_, columns_[0]);
    // The first key and, in its burst, the second.
    const auto k = app.nextEventMatchingMask(kit::KeyDownMask, kit::Date::distantPast(), kit::DefaultRunLoopMode,
                                             true);
    ASSERT_TRUE(k);
    flow_->processKeyEvent(*k, &view_, columns_[0]);
    EXPECT_EQ(app.queuedEventCount(), 0u);
    EXPECT_EQ(text(), "abcx yzdef");
}

TEST_F(KeysTest, ForwardDeleteAtTheEndOfTheFlowOnlyBeeps)
{
    // The caret at the end of the flow: after its last word, also an empty one.
    const struct {
        const char* text;
        textPoint at;
    } cases[] = {{"one", {0, 0, 3}}, {"one ", {0, 1, 0}}, {"one\n", {1, 0, 0}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        newFlowFor(c.text);
        caretAt(c.at.paragraph, c.at.word, c.at.letter);
        const int words = flow_->lastParagraph()->wordCount();
        const int before = beeps();
        press(TextParagraph::DeleteForwardKey);
        EXPECT_EQ(beeps(), before + 1);
        EXPECT_EQ(flow_->lastParagraph()->wordCount(), words);
        textPoint at = caret();
        EXPECT_TRUE(EqualTextPoints(&at, &c.at));
        // The arrows still move the caret.
        press(Left);
        EXPECT_EQ(beeps(), before + 1);
        at = caret();
        EXPECT_FALSE(EqualTextPoints(&at, &c.at));
    }
}
