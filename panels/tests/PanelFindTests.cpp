#include "view/tests/EditingTestSupport.h"

#include "panels/PanelFind.h"

#include "appkit/Button.h"
#include "appkit/ColorWell.h"
#include "appkit/MenuItem.h"
#include "appkit/PopUpButton.h"
#include "appkit/TextField.h"
#include "core/Color.h"
#include "core/Encoding.h"
#include "document/UndoInfo.h"
#include "items/ItemBox.h"
#include "text/TextReplacement.h"

#include <string>
#include <vector>

namespace {

// UTF-8 to the documents' set.
std::string ns(const std::string& utf8) { return kit::fromUTF8(kit::Encoding::NeXTSTEP, utf8).value(); }

// The panel as the registry makes it from its file, over a document whose
// first column is edited.
class PanelFindTest : public EditingTest {
protected:
    void SetUp() override
    {
        EditingTest::SetUp();
        PanelFind::initialize();
        panel_ = dynamic_cast<PanelFind*>(delegate_->panel("findPanel", true));
        ASSERT_NE(panel_, nullptr);
        ASSERT_NE(panel_->findField(), nullptr);
    }

    // A fresh document and panel for the next case of a table.
    void reset()
    {
        TearDown();
        pages_.clear();
        SetUp();
    }

    void edit()
    {
        first_->beginEditing(nullptr, view_);
        ASSERT_TRUE(view_->isEditing());
        document_->setSelection({first_}, view_);
    }

    void setText(const std::string& bytes)
    {
        type(flow_, bytes);
        caretAt(0, 0, 0);
    }

    void setIgnoreCase(bool flag) { panel_->ignoreCaseSwitch()->setState(flag ? 1 : 0); }

    // The selected text, as the flow holds it.
    std::string selected()
    {
        TextSelection* selection = flow_->textSelection();
        if (!selection || selection->isEmpty())
            return {};
        std::string out;
        if (!selection->writeTextToStream(out, TextSelection::ExportPlain))
            return {};
        return out;
    }

    // Every paragraph's words and their kinds: equal only for the same text.
    std::vector<std::string> snapshot() const
    {
        std::vector<std::string> out;
        for (const auto& paragraph : flow_->paragraphList())
            out.push_back(TextReplacement::fingerprint(*paragraph));
        return out;
    }

    PanelFind* panel_ = nullptr;
};

TEST_F(PanelFindTest, TheTextSearchFindsWhatTheWordsHold)
{
    struct Case {
        const char* name;
        std::string text;
        textPoint caret;
        std::string search;
        int direction;
        bool ignoreCase;
        bool wholeWord;
        bool ligatures;
        textPoint start; // paragraph -1: not found
        textPoint end;
    };
    const Case cases[] = {
        // Two spaces join three words; the tab word between them is passed over.
        {"tab", "one two\tthree four", {0, 0, 0}, "two three four", 1, false, false, false, {0, 1, 0}, {0, 4, 4}},
        {"capitals ignored", "the Cat sat", {0, 0, 0}, "CAT", 1, true, false, false, {0, 1, 0}, {0, 1, 3}},
        {"capitals kept", "the Cat sat", {0, 0, 0}, "CAT", 1, false, false, false, {-1, 0, 0}, {}},
        // Only A to Z fold: an accented capital stays itself.
        {"accent", ns("caf\xC3\xA9 CAF\xC3\x89"), {0, 0, 0}, ns("CAF\xC3\x89"), 1, true, false, false, {0, 1, 0},
         {0, 1, 4}},
        {"ligature", "of\xAE" "ce hours", {0, 0, 0}, "fi", 1, false, false, true, {0, 0, 2}, {0, 0, 3}},
        {"ligature off", "of\xAE" "ce hours", {0, 0, 0}, "fi", 1, false, false, false, {-1, 0, 0}, {}},
        {"ligature search text", "of\xAE" "ce", {0, 0, 0}, "\xAE" "ce", 1, false, false, true, {0, 0, 2}, {0, 0, 5}},
        // Whole word forward trims the punctuation; backward compares all of it.
        {"whole forward", "a (word), b", {0, 0, 0}, "word", 1, false, true, false, {0, 1, 1}, {0, 1, 5}},
        {"whole backward", "a (word), b", {0, 2, 1}, "word", -1, false, true, false, {-1, 0, 0}, {}},
        {"whole part", "a words b", {0, 0, 0}, "word", 1, false, true, false, {-1, 0, 0}, {}},
        // Nothing after the caret: the scan wraps into the caret's own word.
        {"wrap into caret word", "cat dog", {0, 0, 1}, "cat", 1, false, false, false, {0, 0, 0}, {0, 0, 3}},
        {"wrap backward", "dog cat", {0, 0, 1}, "cat", -1, false, false, false, {0, 1, 0}, {0, 1, 3}},
        {"next paragraph", "dog\nbird cat", {0, 0, 0}, "cat", 1, false, false, false, {1, 1, 0}, {1, 1, 3}},
        {"not there", "dog cat", {0, 0, 0}, "cow", 1, false, false, false, {-1, 0, 0}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        reset();
        for (const auto& paragraph : flow_->paragraphList())
            paragraph->paragraphStyle()->setLigatures(c.ligatures);
        setText(c.text);
        for (const auto& paragraph : flow_->paragraphList())
            paragraph->paragraphStyle()->setLigatures(c.ligatures);
        edit();
        flow_->removeSelection();
        caretAt(c.caret.paragraph, c.caret.word, c.caret.letter);
        setIgnoreCase(c.ignoreCase);
        const int found = panel_->findText(c.search, c.direction, false, c.wholeWord, false);
        EXPECT_EQ(found, c.start.paragraph >= 0 ? 1 : 0);
        if (c.start.paragraph < 0)
            continue;
        TextSelection* selection = flow_->textSelection();
        ASSERT_NE(selection, nullptr);
        EXPECT_EQ(selection->start().paragraph, c.start.paragraph);
        EXPECT_EQ(selection->start().word, c.start.word);
        EXPECT_EQ(selection->start().letter, c.start.letter);
        EXPECT_EQ(selection->end().paragraph, c.end.paragraph);
        EXPECT_EQ(selection->end().word, c.end.word);
        EXPECT_EQ(selection->end().letter, c.end.letter);
        EXPECT_EQ(panel_->currentWord() != nullptr, c.wholeWord);
        EXPECT_EQ(panel_->currentFlow(), flow_);
    }
}

TEST_F(PanelFindTest, FindNextFindsTheOccurrenceRightAfterTheLastHit)
{
    setText("catcat x");
    edit();
    ASSERT_EQ(panel_->findText("cat", 1, true, false, false), 1);
    EXPECT_EQ(flow_->textSelection()->start().letter, 0);
    ASSERT_EQ(panel_->findText("cat", 1, false), 1);
    EXPECT_EQ(flow_->textSelection()->start().letter, 3);
    EXPECT_EQ(flow_->textSelection()->end().letter, 6);
}

TEST_F(PanelFindTest, ReplaceAndFindAfterFindPreviousSearchesBackward)
{
    setText("cat x cat x cat");
    edit();
    panel_->findField()->setStringValue("cat");
    panel_->replaceField()->setStringValue("dog");
    caretAt(0, 4, 3);
    panel_->findPrevious(nullptr);
    EXPECT_EQ(panel_->lastDirection(), -1);
    ASSERT_NE(flow_->textSelection(), nullptr);
    EXPECT_EQ(flow_->textSelection()->start().word, 4);
    panel_->replaceAndFind(nullptr);
    EXPECT_EQ(text(flow_), "cat x cat x dog");
    ASSERT_NE(flow_->textSelection(), nullptr);
    EXPECT_EQ(flow_->textSelection()->start().word, 2);
    EXPECT_EQ(alerts_->beeps(), 0);
}

TEST_F(PanelFindTest, ReplaceAllReplacesEachOriginalOccurrenceOnceAndUndoRestoresTheText)
{
    struct Case {
        const char* name;
        std::string text;
        std::string find;
        std::string replacement;
        bool ignoreCase;
        int replaced;
        std::string after;
    };
    const Case cases[] = {
        {"first word", "cat sat on the cat", "cat", "dog", false, 2, "dog sat on the dog"},
        {"replacement holds the search", "cat cat mat", "cat", "cats", false, 2, "cats cats mat"},
        {"adjacent", "catcat cat", "cat", "dog", false, 3, "dogdog dog"},
        {"grows into the search", "catcat", "cat", "catcat", false, 2, "catcatcatcat"},
        {"inside words", "the he then", "he", "HE", false, 3, "tHE HE tHEn"},
        {"ignoring case", "Cat CAT cat", "cat", "dog", true, 3, "dog dog dog"},
        {"two words", "a big cat and a big dog", "big cat", "cow", false, 1, "a cow and a big dog"},
        {"line feed", "one two one", "one", "x\ny", false, 2, "x\ny two x\ny"},
        {"line feed last", "one two one", "one", "x\n", false, 2, "x\ntwo x\n"},
        {"deleting", "a cat b", "cat ", "", false, 1, "a b"},
        {"paragraphs", "cat\ndog\ncat", "cat", "cow", false, 2, "cow\ndog\ncow"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        reset();
        setText(c.text);
        edit();
        setIgnoreCase(c.ignoreCase);
        const std::vector<std::string> before = snapshot();
        EXPECT_EQ(panel_->replaceAllText(c.find, c.replacement), c.replaced);
        EXPECT_EQ(text(flow_), c.after);
        EXPECT_EQ(alerts_->beeps(), 0);
        // Undo while editing takes the replacement back, byte for byte.
        view_->undo(nullptr);
        EXPECT_EQ(snapshot(), before);
        EXPECT_EQ(text(flow_), text(flow_));
        flow_->completeLayout();
        EXPECT_TRUE(flow_->isSettled());
    }
}

TEST_F(PanelFindTest, ReplaceAllWithTextEqualIgnoringCaseOnlyBeeps)
{
    setText("cat Cat");
    edit();
    setIgnoreCase(true);
    EXPECT_EQ(panel_->replaceAllText("cat", "CAT"), 0);
    EXPECT_EQ(text(flow_), "cat Cat");
    EXPECT_EQ(alerts_->beeps(), 1);
    EXPECT_EQ(flow_->replacement(), nullptr);
}

TEST_F(PanelFindTest, TheUndoRecordGoesOnceTheReplacedTextIsEdited)
{
    setText("cat dog");
    edit();
    ASSERT_EQ(panel_->replaceAllText("cat", "cow"), 1);
    ASSERT_NE(flow_->replacement(), nullptr);
    EXPECT_TRUE(flow_->replacement()->isValid());
    caretAt(0, 1, 3);
    flow_->currentParagraph()->addByte('s');
    EXPECT_FALSE(flow_->replacement()->isValid());
    EXPECT_FALSE(flow_->undoReplacement(view_));
    EXPECT_EQ(text(flow_), "cow dogs");
    EXPECT_EQ(flow_->replacement(), nullptr);
}

TEST_F(PanelFindTest, BadSearchTextFindsNothingAndIsRefusedAsReplacement)
{
    const struct {
        const char* name;
        std::string utf8;
    } cases[] = {
        {"not in the set", "snow\xE2\x98\x83"},
        {"control character", "ca\x01t"},
        {"too long", std::string(1025, 'c')},
        {"only spaces", "   "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        reset();
        setText("cat ccc");
        edit();
        const std::vector<std::string> before = snapshot();
        panel_->findField()->setStringValue(c.utf8);
        panel_->replaceField()->setStringValue("dog");
        panel_->findNext(nullptr);
        EXPECT_EQ(alerts_->beeps(), 1);
        EXPECT_EQ(selected(), "");
        // The same text as a replacement is refused: nothing changes.
        panel_->findField()->setStringValue("cat");
        panel_->replaceField()->setStringValue(c.utf8);
        panel_->findNext(nullptr);
        ASSERT_EQ(selected(), "cat");
        panel_->replace(nullptr);
        panel_->replaceAll(nullptr);
        if (std::string(c.name) != "only spaces") {
            EXPECT_EQ(snapshot(), before);
            EXPECT_EQ(alerts_->beeps(), 3);
        }
        // The remote API answers 0 and leaves the text alone.
        EXPECT_EQ(panel_->findFromRemote(c.utf8, "x"), 0);
        if (std::string(c.name) != "only spaces") {
            EXPECT_EQ(panel_->findFromRemote("cat", c.utf8), 0);
        }
    }
}

TEST_F(PanelFindTest, WithoutEditedTextTheSearchShowsTheAlert)
{
    setText("cat");
    EXPECT_EQ(panel_->findText("cat", 1, true), 0);
    ASSERT_EQ(alerts_->shown().size(), 1u);
    EXPECT_EQ(alerts_->shown()[0].title, delegate_->valueForStringKey("Find"));
    EXPECT_EQ(alerts_->shown()[0].message, delegate_->valueForStringKey("NoTextPoint"));
    EXPECT_EQ(alerts_->beeps(), 1);
}

TEST_F(PanelFindTest, TheRemoteSearchFindsTheWholeWordFromTheStart)
{
    setText("cats cat");
    edit();
    caretAt(0, 1, 3);
    EXPECT_EQ(panel_->findFromRemote("cat", "dog"), 1);
    EXPECT_EQ(flow_->textSelection()->start().word, 1);
    EXPECT_EQ(panel_->findField()->stringValue(), "cat");
    EXPECT_EQ(panel_->replaceField()->stringValue(), "dog");
    ASSERT_NE(panel_->currentWord(), nullptr);
    EXPECT_EQ(std::string(panel_->currentWord()->text()), "cat");
}

TEST_F(PanelFindTest, TheWordOfTheLastHitIsFoundAgainAndNeverDangles)
{
    setText("one cat");
    edit();
    ASSERT_EQ(panel_->findText("cat", 1, true, true, false), 1);
    ASSERT_NE(panel_->currentWord(), nullptr);
    // The text goes: what answers is a word the flow holds, or nothing.
    const textPoint a{0, 0, 0}, b{0, 1, 3};
    flow_->selectBetween(&a, &b, int(SelectionChar));
    flow_->textSelection()->deleteFromItem(first_, true, false);
    TextWord* word = panel_->currentWord();
    if (word) {
        EXPECT_GE(flow_->paragraphAtIndex(0)->indexOfWord(word), 0);
    }
    // The document closes: neither the flow nor the word answers.
    document_->detachView(view_);
    window_.reset();
    document_.reset();
    EXPECT_EQ(panel_->currentWord(), nullptr);
    EXPECT_EQ(panel_->currentFlow(), nullptr);
}

TEST_F(PanelFindTest, EnterSelectionTakesAtMost1024Bytes)
{
    setText("cat dog");
    edit();
    const textPoint a{0, 1, 0}, b{0, 1, 3};
    flow_->selectBetween(&a, &b, int(SelectionChar));
    panel_->findField()->setStringValue("old");
    first_->findEnterSelection(nullptr, view_);
    EXPECT_EQ(panel_->findField()->stringValue(), "dog");

    reset();
    setText(std::string(1100, 'x'));
    edit();
    const textPoint c{0, 0, 0}, d{0, 0, 1100};
    flow_->selectBetween(&c, &d, int(SelectionChar));
    panel_->findField()->setStringValue("old");
    panel_->enterSelection(flow_->textSelection());
    EXPECT_EQ(panel_->findField()->stringValue(), "old");
    ASSERT_EQ(alerts_->shown().size(), 1u);
    EXPECT_EQ(alerts_->shown()[0].message, delegate_->valueForStringKey("FindTooMuch"));
    EXPECT_EQ(alerts_->beeps(), 1);
}

// ---- Colours.

class PanelFindColorTest : public PanelFindTest {
protected:
    ItemBox* addBox(int page, const kit::ColorRef& fill, bool locked = false)
    {
        auto box = std::make_shared<ItemBox>();
        box->setFrame(kit::makeRect(300, 400, 20, 20), false);
        box->setHasFill(true);
        box->setFillColor(fill);
        if (locked)
            box->lock();
        ItemBox* raw = box.get();
        pages_[std::size_t(page)]->addItems(box, false);
        return raw;
    }
    static bool filled(const Item* item, const kit::ColorRef& color)
    {
        return item->graphicStyle() && item->graphicStyle()->fillColor()->isEqual(*color);
    }
};

TEST_F(PanelFindColorTest, TheSearchRunsOverThePagesWithoutWrapping)
{
    const kit::ColorRef red = kit::Color::redColor();
    ItemBox* one = addBox(0, red);
    ItemBox* two = addBox(2, red);
    // From the start the first page's first item is tested too.
    (void)addBox(0, kit::Color::blackColor());
    EXPECT_EQ(panel_->findColor(red, 1, true, false), one);
    EXPECT_EQ(panel_->findColor(red, 1, false), two);
    EXPECT_EQ(document_->activePage(), pages_[2]);
    // From the last item of the last page: nil, no wrapping.
    EXPECT_EQ(panel_->findColor(red, 1, false), nullptr);
    EXPECT_EQ(panel_->findColor(red, -1, false), one);
    EXPECT_EQ(panel_->findColor(red, -1, false), nullptr);
}

TEST_F(PanelFindColorTest, ReplaceAllVisitsEachItemOncePassingOverLockedOnesAndUndoes)
{
    const kit::ColorRef red = kit::Color::redColor();
    const kit::ColorRef blue = kit::Color::colorWithDeviceRed(0, 0, 1);
    ItemBox* locked = addBox(0, red, true);
    std::vector<ItemBox*> boxes;
    for (int i = 0; i < 10050; ++i)
        boxes.push_back(addBox(i % 3, red));
    EXPECT_EQ(panel_->replaceAllColors(red, blue), 10050);
    EXPECT_TRUE(filled(locked, red));
    for (const ItemBox* box : boxes)
        ASSERT_TRUE(filled(box, blue));
    EXPECT_EQ(alerts_->beeps(), 0);
    ASSERT_TRUE(document_->undoInfo()->undo());
    for (const ItemBox* box : boxes)
        ASSERT_TRUE(filled(box, red));
    // Nothing of the colour left: a beep.
    EXPECT_EQ(panel_->replaceAllColors(blue, red), 0);
    EXPECT_EQ(alerts_->beeps(), 1);
}

TEST_F(PanelFindColorTest, ReplaceRecoloursTheSelectedUnlockedItemsUndoably)
{
    const kit::ColorRef red = kit::Color::redColor();
    const kit::ColorRef blue = kit::Color::colorWithDeviceRed(0, 0, 1);
    ItemBox* open = addBox(0, red);
    ItemBox* locked = addBox(0, red, true);
    document_->setSelection({open, locked}, view_);
    panel_->replaceColor(red, blue, true);
    EXPECT_TRUE(filled(open, blue));
    EXPECT_TRUE(filled(locked, red));
    ASSERT_TRUE(document_->undoInfo()->undo());
    EXPECT_TRUE(filled(open, red));
}

} // namespace

namespace {

// The user's route: the page view's Find Next and Undo reach the panel and
// the replacement record.
TEST_F(PanelFindTest, ThePageViewsFindNextAndUndoReachThePanel)
{
    setText("one cat two cat");
    edit();
    panel_->findField()->setStringValue("cat");
    panel_->replaceField()->setStringValue("dog");
    view_->performSelector("findNext:", nullptr);
    EXPECT_EQ(selected(), "cat");
    panel_->replaceAll(nullptr);
    EXPECT_EQ(text(flow_), "one dog two dog");
    EXPECT_EQ(panel_->lastDirection(), -1);
    view_->performSelector("undo:", nullptr);
    EXPECT_EQ(text(flow_), "one cat two cat");
    EXPECT_EQ(alerts_->beeps(), 0);
}

} // namespace

namespace {

// The Edit menu's Undo while editing: offered, and titled Undo, while a
// Replace All can be taken back; Undelete again once it is.
TEST_F(PanelFindTest, TheUndoItemOffersTheReplaceAllBeforeUndelete)
{
    setText("one cat");
    edit();
    kit::MenuItem item("Undo", "undo:");
    (void)view_->validateMenuItem(&item);
    EXPECT_EQ(item.title(), delegate_->valueForStringKey("Undelete"));
    ASSERT_EQ(panel_->replaceAllText("cat", "dog"), 1);
    EXPECT_TRUE(view_->validateMenuItem(&item));
    EXPECT_EQ(item.title(), delegate_->valueForStringKey("Undo"));
    view_->undo(nullptr);
    EXPECT_EQ(text(flow_), "one cat");
    (void)view_->validateMenuItem(&item);
    EXPECT_EQ(item.title(), delegate_->valueForStringKey("Undelete"));
}

} // namespace
