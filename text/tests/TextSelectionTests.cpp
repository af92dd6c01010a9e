#include "TextSelectionTestSupport.h"

#include "core/Archiver.h"
#include "core/Pasteboard.h"
#include "core/Unarchiver.h"

#include <cmath>
#include <cstdint>
#include <ctime>

namespace {

std::vector<std::string> wordTexts(const std::vector<TextWord*>& words)
{
    std::vector<std::string> out;
    for (const TextWord* word : words)
        out.push_back(word->isSpecial() ? "<" + std::to_string(word->wordType()) + ">" : std::string(word->text()));
    return out;
}

} // namespace

// ---- Making a selection.

TEST_F(SelectionTest, PointsAreOrderedAndTheAnchorFollowsTheUser)
{
    fill({{"one", "two"}, {"three"}});
    const struct {
        textPoint a, b;
        int type;
        bool answer, empty, flipped;
        textPoint start, end;
    } cases[] = {
        {{0, 0, 1}, {0, 1, 2}, SelectionChar, true, false, false, {0, 0, 1}, {0, 1, 2}},
        {{1, 0, 2}, {0, 1, 0}, SelectionChar, true, false, true, {0, 1, 0}, {1, 0, 2}},
        {{0, 1, 3}, {0, 1, 1}, SelectionWord, true, false, true, {0, 1, 1}, {0, 1, 3}},
        {{0, 1, 1}, {0, 1, 1}, SelectionChar, false, true, false, {0, 1, 1}, {0, 1, 1}},
        {{0, 1, 1}, {0, 1, 1}, SelectionPara, true, false, false, {0, 1, 1}, {0, 1, 1}},
        {{0, 1, 1}, {0, 1, 1}, SelectionCharTail, true, false, false, {0, 1, 1}, {0, 1, 1}},
    };
    for (const auto& c : cases) {
        TextSelection selection;
        EXPECT_EQ(selection.selectBetween(&c.a, &c.b, flow_.get(), c.type, false), c.answer);
        EXPECT_EQ(selection.isEmpty(), c.empty);
        EXPECT_EQ(selection.textPointsFlipped(), c.flipped);
        EXPECT_TRUE(EqualTextPoints(selection.startPoint(), &c.start));
        EXPECT_TRUE(EqualTextPoints(selection.endPoint(), &c.end));
        EXPECT_EQ(selection.anchorPoint(), c.flipped ? selection.endPoint() : selection.startPoint());
        EXPECT_EQ(selection.endWithParaBreak(), TextSelection::selTypeWithTail(c.type) == 1);
    }
    // The boolean form: equal points only with the paragraph flag.
    TextSelection selection;
    textPoint p{0, 0, 1};
    EXPECT_FALSE(selection.selectBetween(&p, &p, flow_.get(), false));
    EXPECT_TRUE(selection.isEmpty());
    EXPECT_TRUE(selection.selectBetween(&p, &p, flow_.get(), true));
    EXPECT_EQ(selection.selectionEndType(), SelectionPara);
    selection.empty();
    EXPECT_EQ(selection.selectionEndType(), SelectionNone);
}

TEST_F(SelectionTest, EndTypeNamesAndFences)
{
    const struct {
        int type;
        const char* name;
        int tail;
    } cases[] = {{0, "CHAR", 0}, {1, "PARA", 1}, {2, "WORD", 0}, {3, "Bogus_SelType", 0},
                 {4, "CHAR_TAIL", 1}, {5, "WORD_TAIL", 1}, {-1, "-1", 0}, {6, "Bogus_SelType", 0}};
    for (const auto& c : cases) {
        if (c.type != -1) {
            EXPECT_STREQ(TextSelection::selType(c.type), c.name) << c.type;
        }
        EXPECT_EQ(TextSelection::selTypeWithTail(c.type), c.tail) << c.type;
    }
    EXPECT_TRUE(TextSelection::isCharAPasteFence(SelectionCharTail, '('));
    EXPECT_FALSE(TextSelection::isCharAPasteFence(SelectionCharTail, ')'));
    EXPECT_TRUE(TextSelection::isCharAPasteFence(SelectionWordTail, ')'));
    EXPECT_TRUE(TextSelection::isCharAPasteFence(SelectionWordTail, '!'));
    EXPECT_FALSE(TextSelection::isCharAPasteFence(SelectionWordTail, 'a'));
    EXPECT_FALSE(TextSelection::isCharAPasteFence(SelectionWordTail, '\0'));
}

TEST_F(SelectionTest, WordListTakesEveryBreakButTheLastOfTheFlow)
{
    fill({{"a", "b"}, {"c"}, {"d", "e"}});
    const struct {
        textPoint a, b;
        int type;
        std::vector<std::string> words;
        std::size_t paragraphs;
    } cases[] = {
        {{0, 1, 0}, {2, 0, 1}, SelectionChar, {"b", "<201>", "c", "<201>", "d"}, 3},
        {{0, 0, 0}, {0, 1, 1}, SelectionCharTail, {"a", "b", "<201>"}, 1},
        {{0, -1, 0}, {0, 0, 1}, SelectionChar, {"a"}, 1},
        // Whole paragraphs to the end of the flow: the last paragraph has no break.
        {{1, 0, 0}, {2, 1, 1}, SelectionPara, {"c", "<201>", "d", "e"}, 2},
    };
    for (const auto& c : cases) {
        TextSelection selection;
        selection.selectBetween(&c.a, &c.b, flow_.get(), c.type, false);
        const std::vector<TextWord*>* words = selection._buildWordList();
        ASSERT_NE(words, nullptr);
        EXPECT_EQ(wordTexts(*words), c.words);
        EXPECT_EQ(selection.paragraphList().size(), c.paragraphs);
        EXPECT_EQ(selection._buildWordList(), words);
    }
    TextSelection none;
    textPoint p{0, 0, 0};
    none.selectBetween(&p, &p, flow_.get(), SelectionChar, false);
    EXPECT_EQ(none._buildWordList(), nullptr);
}

TEST_F(SelectionTest, StoredFormKeepsPointsTypeAndWords)
{
    fill({{"alpha", "beta"}, {"gamma"}});
    for (int type : {SelectionChar, SelectionCharTail, SelectionNone}) {
        TextSelection selection;
        textPoint a{1, 0, 3}, b{0, 1, 1};
        selection.selectBetween(&a, &b, flow_.get(), SelectionChar, false);
        if (type != SelectionChar) {
            // The end type travels in one signed byte: -1 survives.
            selection.empty();
            selection.selectBetween(&a, &b, flow_.get(), type, false);
        }
        const std::string data = kit::Archiver::archivedDataWithRootObject(&selection);
        std::unique_ptr<TextSelection> back = TextSelection::selectionFromData(data, nullptr, nullptr);
        ASSERT_NE(back, nullptr);
        EXPECT_EQ(back->selectionEndType(), type);
        EXPECT_EQ(back->endWithParaBreak(), TextSelection::selTypeWithTail(type) == 1);
        EXPECT_TRUE(back->textPointsFlipped());
        EXPECT_EQ(back->flow(), nullptr);
        EXPECT_TRUE(EqualTextPoints(back->startPoint(), selection.startPoint()));
        EXPECT_TRUE(EqualTextPoints(back->endPoint(), selection.endPoint()));
        std::string text;
        back->writeTextToStream(text, TextSelection::ExportPlain);
        // With its break the end paragraph's last word is written whole.
        EXPECT_EQ(text, type == SelectionCharTail ? "eta\ngamma\n" : "eta\ngam");
    }
}

TEST_F(SelectionTest, DamagedStoredSelectionsFailCleanly)
{
    fill({{"alpha"}});
    TextSelection selection;
    textPoint a{0, 0, 1}, b{0, 0, 3};
    selection.selectBetween(&a, &b, flow_.get(), SelectionChar, false);
    const std::string data = kit::Archiver::archivedDataWithRootObject(&selection);
    for (std::size_t cut : {std::size_t(3), data.size() / 2, data.size() - 1})
        EXPECT_THROW(TextSelection::selectionFromData(data.substr(0, cut), nullptr, nullptr), kit::Exception);
    // A word where a paragraph was stored.
    TextWord stray("x");
    const std::string other = kit::Archiver::archivedDataWithRootObject(&stray);
    EXPECT_THROW(TextSelection::selectionFromData(other, nullptr, nullptr), std::exception);
}

// ---- Plain text.

TEST_F(SelectionTest, PlainTextCoversExactlyTheSelectedLetters)
{
    fill({{"abcdefg", "xyz"}, {"second", "line"}});
    const struct {
        textPoint a, b;
        int type;
        const char* text;
    } cases[] = {
        {{0, 0, 2}, {0, 0, 5}, SelectionChar, "cde"},
        {{0, 0, 2}, {0, 1, 2}, SelectionChar, "cdefg xy"},
        {{0, 1, 1}, {1, 0, 3}, SelectionChar, "yz\nsec"},
        // Ending at letter 0 of a word writes nothing of that word.
        {{0, 0, 5}, {0, 1, 0}, SelectionChar, "fg "},
        {{0, 1, 0}, {1, 1, 0}, SelectionChar, "xyz\nsecond "},
        // Starting at the end of a word writes nothing of it.
        {{0, 0, 7}, {0, 1, 1}, SelectionChar, " x"},
    };
    for (const auto& c : cases) {
        TextSelection selection;
        selection.selectBetween(&c.a, &c.b, flow_.get(), c.type, false);
        std::string text;
        EXPECT_TRUE(selection.writeTextToStream(text, TextSelection::ExportPlain));
        EXPECT_EQ(text, c.text);
    }
}

// What is copied is the text as typed: a tab stands between its words by
// itself, and a space is there only where one was typed. (A space typed just
// before a tab is the words' boundary, as typing keeps it: not written.)
TEST_F(SelectionTest, PlainTextIsTheTextAsTyped)
{
    const char* const typed[] = {"A\tB", "A\t B",         "Item\tQty\tPrice", "A\t\tB", "\tA",
                                 "two  spaces\t", "A\t \tB", "A\t \t  \tB",       " \tA",  "  \tA"};
    for (const char* keys : typed) {
        SCOPED_TRACE(keys);
        fill({{""}});
        caretAt({0, 0, 0});
        for (const char* k = keys; *k; ++k)
            flow_->processKey(std::uint16_t(*k), nullptr, column_.get());
        TextParagraph* paragraph = flow_->firstParagraph();
        const int last = paragraph->wordCount() - 1;
        TextSelection* selection = select({0, 0, 0}, {0, last, paragraph->wordAtIndex(last)->length()});
        std::string text;
        EXPECT_TRUE(selection->writeTextToStream(text, TextSelection::ExportPlain));
        EXPECT_EQ(text, keys) << dump();
        flow_->setTextSelection(nullptr); // the next case's words replace these
    }
}

// A page break ends its paragraph: the two are one line end, as Enter made
// them.
TEST_F(SelectionTest, PlainTextHasOneLineEndForAPageBreak)
{
    fill({{""}});
    caretAt({0, 0, 0});
    for (const char* k = "one"; *k; ++k)
        flow_->processKey(std::uint16_t(*k), nullptr, column_.get());
    flow_->processKey(0xF7EB, nullptr, column_.get()); // Enter
    for (const char* k = "two"; *k; ++k)
        flow_->processKey(std::uint16_t(*k), nullptr, column_.get());
    ASSERT_EQ(flow_->paragraphCount(), 2);
    ASSERT_TRUE(flow_->firstParagraph()->lastWord()->isSpecialType(TextWordPageBreak)) << dump();
    TextSelection* selection = select({0, 0, 0}, {1, 0, 3});
    std::string text;
    EXPECT_TRUE(selection->writeTextToStream(text, TextSelection::ExportPlain));
    EXPECT_EQ(text, "one\ntwo") << dump();
}

TEST_F(SelectionTest, CopyDeclaresPrivateTypeFirstAndProvidesStringLazily)
{
    fill({{"abcdefg", "xyz"}});
    kit::Pasteboard& pboard = kit::Pasteboard::pasteboardWithUniqueName();
    TextSelection* selection = select({0, 0, 2}, {0, 0, 5});
    selection->copyToPasteboard(pboard);
    EXPECT_EQ(pboard.types(), (std::vector<std::string>{LayvanePboardTypeTEXT, kit::RTFPboardType,
                                                        kit::StringPboardType}));
    EXPECT_EQ(pboard.stringForType(kit::StringPboardType).value_or("?"), "cde");
    // Without the import bundle the RTF writer writes nothing.
    EXPECT_EQ(pboard.dataForType(kit::RTFPboardType).value_or("?"), "");

    auto graphic = std::make_unique<TextWordSpecial>(TextWordGraphic);
    flow_->firstParagraph()->insertWord(std::move(graphic), 1);
    select({0, 0, 0}, {0, 2, 1})->copyToPasteboard(pboard);
    EXPECT_EQ(pboard.types(), (std::vector<std::string>{LayvanePboardTypeTEXT, kit::RTFDPboardType,
                                                        kit::RTFPboardType, kit::StringPboardType}));

    // Damaged private data provides nothing.
    pboard.declareTypes({LayvanePboardTypeTEXT, kit::StringPboardType}, nullptr);
    pboard.setData("SCRVTS\x01garbage", LayvanePboardTypeTEXT);
    TextSelection::pasteboardProvideDataForType(pboard, kit::StringPboardType);
    EXPECT_FALSE(pboard.dataForType(kit::StringPboardType).has_value());
    pboard.releaseGlobally();
}

// ---- Columns that show the selection.

TEST_F(SelectionTest, ContainsItemWalksLongChainsAndStopsOnLoops)
{
    fill({{"a"}, {"b"}});
    // The selection starts in the first column and ends in the last of 6000.
    std::vector<std::unique_ptr<TextItem>> columns;
    for (int i = 0; i < 6000; ++i) {
        columns.push_back(std::make_unique<TextItem>());
        if (i)
            columns[std::size_t(i - 1)]->setNextColumn(columns.back().get());
    }
    flow_->firstParagraph()->setFirstItem(columns.front().get());
    flow_->firstParagraph()->setLastItem(columns.front().get());
    flow_->lastParagraph()->setFirstItem(columns.back().get());
    flow_->lastParagraph()->setLastItem(columns.back().get());
    TextSelection* selection = select({0, 0, 0}, {1, 0, 1});
    EXPECT_TRUE(selection->containsItem(columns[5500].get()));
    EXPECT_TRUE(selection->containsItem(columns.back().get()));
    TextItem outside;
    EXPECT_FALSE(selection->containsItem(&outside));

    // A chain that comes back on itself before reaching the end.
    columns[5800]->setNextColumn(columns[10].get());
    testing::internal::CaptureStderr();
    EXPECT_FALSE(selection->containsItem(&outside));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("infinite loop: TextSelection containsItem"),
              std::string::npos);
    flow_->firstParagraph()->setFirstItem(nullptr);
    flow_->lastParagraph()->setFirstItem(nullptr);
    flow_->firstParagraph()->setLastItem(nullptr);
    flow_->lastParagraph()->setLastItem(nullptr);
    // The links were set one way only, and loop: cut them before the columns go.
    for (auto& column : columns)
        column->setNextColumn(nullptr);
}

// ---- Deleting.

TEST_F(SelectionTest, DeletingCases)
{
    const struct {
        const char* name;
        std::vector<std::vector<std::string>> text;
        textPoint a, b;
        int type;
        const char* after;
        textPoint caret;
    } cases[] = {
        {"whole flow", {{"one", "two"}, {"three"}}, {0, 0, 0}, {1, 0, 5}, SelectionPara, "", {0, 0, 0}},
        {"middle to middle", {{"abcd", "ef"}, {"gh"}, {"ijkl", "mn"}}, {0, 0, 2}, {2, 0, 2}, SelectionChar,
         "abkl mn", {0, 0, 2}},
        {"within a word", {{"abcdef"}}, {0, 0, 1}, {0, 0, 4}, SelectionChar, "aef", {0, 0, 1}},
        {"whole word", {{"ab", "cd", "ef"}}, {0, 1, 0}, {0, 1, 2}, SelectionWord, "ab ef", {0, 1, 0}},
        {"three paragraphs with their break", {{"aa", "bb"}, {"cc"}, {"dd"}, {"ee"}}, {0, 1, 1}, {2, 0, 2},
         SelectionCharTail, "aa b ee", {0, 1, 1}},
        {"paragraphs from the start", {{"aa"}, {"bb"}, {"cc"}}, {0, 0, 0}, {1, 0, 2}, SelectionPara, "cc",
         {0, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fill(c.text);
        while (flow_->paragraphCount() > int(c.text.size()))
            (void)flow_->removeParagraph(flow_->lastParagraph());
        TextSelection* selection = select(c.a, c.b, c.type);
        ASSERT_TRUE(selection->canDelete());
        selection->deleteFromItem(column_.get(), true, false);
        EXPECT_EQ(flow_->textSelection(), nullptr);
        EXPECT_EQ(dump(), c.after);
        textPoint caret;
        flow_->getCurrentTextPoint(&caret);
        EXPECT_TRUE(EqualTextPoints(&caret, &c.caret))
            << caret.paragraph << "," << caret.word << "," << caret.letter;
        EXPECT_TRUE(document_->isEdited());
        document_->setEdited(false);
    }
    // The emptied flow starts in the given column.
    fill({{"x"}});
    select({0, 0, 0}, {0, 0, 1}, SelectionPara)->deleteFromItem(column_.get(), true, false);
    EXPECT_EQ(flow_->paragraphCount(), 1);
    EXPECT_EQ(flow_->firstParagraph()->firstItem(), column_.get());
}

TEST_F(SelectionTest, PageBreaksGoWithTheParagraphsAroundThem)
{
    fill({{"aa"}, {"bb"}, {"cc"}, {"dd"}});
    flow_->paragraphAtIndex(1)->insertWord(std::make_unique<TextWordSpecial>(TextWordPageBreak), 1);
    TextSelection* selection = select({0, 0, 1}, {2, 0, 1});
    ASSERT_TRUE(selection->containsSpecialWordType(TextWordPageBreak));
    selection->deleteFromItem(column_.get(), true, false);
    EXPECT_EQ(dump(), "ac|dd");
}

TEST_F(SelectionTest, OnlyADeleteWithUndoFillsTheKillPasteboard)
{
    kit::Pasteboard& kill = kit::Pasteboard::pasteboardWithName(ZYN_PRIVATEKILL);
    kill.declareTypes({}, nullptr);
    fill({{"keep", "gone"}});
    select({0, 1, 0}, {0, 1, 4})->deleteFromItem(column_.get(), true, false);
    EXPECT_TRUE(kill.types().empty());
    fill({{"keep", "gone"}});
    select({0, 1, 0}, {0, 1, 4})->deleteFromItem(column_.get(), true, true);
    EXPECT_EQ(kill.types().front(), LayvanePboardTypeTEXT);
    EXPECT_EQ(kill.stringForType(kit::StringPboardType).value_or("?"), "gone");
}

namespace {
struct Cell : TextParagraph {};
} // namespace

TEST_F(SelectionTest, TableCellsTakeOnlyPartOfOneParagraph)
{
    fill({{"plain"}});
    flow_->addParagraph(std::make_unique<Cell>())->createCurrentWord();
    TextSelection* across = select({0, 0, 1}, {1, 0, 0});
    EXPECT_FALSE(across->canDelete());
    ASSERT_EQ(alerts_->shown().size(), 1u);
    EXPECT_EQ(alerts_->shown()[0].message, delegate_->valueForStringKey("CannotDeleteSelection"));

    // Pasting two paragraphs into a cell is refused, part of one is allowed.
    flow_->setCurrentParagraph(flow_->lastParagraph(), false);
    TextSelection two;
    textPoint a{0, 0, 0}, b{1, 0, 1};
    two.selectBetween(&a, &b, flow_.get(), SelectionChar, false);
    EXPECT_FALSE(two.canInsertInFlow(flow_.get()));
    TextSelection part;
    textPoint c{0, 0, 1}, d{0, 0, 3};
    part.selectBetween(&c, &d, flow_.get(), SelectionChar, false);
    EXPECT_TRUE(part.canInsertInFlow(flow_.get()));
    part.selectBetween(&c, &d, flow_.get(), SelectionPara, false);
    EXPECT_FALSE(part.canInsertInFlow(flow_.get()));
}

TEST_F(SelectionTest, HeaderMarkersAskBeforeTheyGo)
{
    fill({{"a"}});
    flow_->firstParagraph()->insertWord(std::make_unique<TextWordSpecial>(TextWordHeaderMarker), 1);
    TextSelection* selection = select({0, 0, 0}, {0, 1, 0});
    alerts_->pushAnswer(kit::AlertAlternateReturn);
    EXPECT_FALSE(selection->canDelete());
    EXPECT_EQ(alerts_->shown().back().message, delegate_->valueForStringKey("ConfirmDeleteHeaderFooter"));
    selection->setSuppressWarnings(true);
    EXPECT_TRUE(selection->canDelete());
    EXPECT_EQ(alerts_->shown().size(), 1u);
}

// ---- Styling.

TEST_F(SelectionTest, BoldInMidWordStoresThreeStylesAndLeavesTheParagraphStyle)
{
    fill({{"abcdef", "gh"}});
    const unsigned short base = flow_->firstParagraph()->charStyle()->special();
    select({0, 0, 2}, {0, 0, 4})->modifyFontAttribute(StyleBoldFlag, true, nullptr);
    TextWord* word = flow_->firstParagraph()->firstWord();
    ASSERT_TRUE(word->hasStyles());
    int stored = 0;
    for (int i = 0; i <= word->length(); ++i)
        stored += word->styleAt(i) ? 1 : 0;
    EXPECT_EQ(stored, 3);
    EXPECT_FALSE(word->styleAt(0)->isBoldface());
    EXPECT_TRUE(word->styleAt(2)->isBoldface());
    EXPECT_FALSE(word->styleAt(4)->isBoldface());
    EXPECT_EQ(flow_->firstParagraph()->charStyle()->special(), base);
    EXPECT_TRUE(document_->isEdited());
}

TEST_F(SelectionTest, SizeTrackingAndLanguageOverRuns)
{
    fill({{"abcdef"}, {"ghij"}});
    const float size = flow_->firstParagraph()->charStyle()->pointSize();
    const struct {
        float to;
        bool changes;
    } sizes[] = {{size + 0.5f, false}, {size + 0.000001f, false}, {size + 1.0f, true}, {size - 1.5f, true}};
    for (const auto& c : sizes) {
        fill({{"abcdef"}, {"ghij"}});
        select({0, 0, 1}, {0, 0, 3})->setFontSize(c.to, nullptr);
        const StyleChar* at = flow_->firstParagraph()->firstWord()->styleAt(1);
        EXPECT_EQ(at != nullptr && std::fabs(at->pointSize() - c.to) < 0.01f, c.changes) << c.to;
        EXPECT_EQ(flow_->firstParagraph()->charStyle()->pointSize(), size);
    }

    // Tracking +2 over runs of 0 and 5 gives 2 and 7; after the selection it stays.
    fill({{"abcdef"}, {"ghij"}});
    TextWord* word = flow_->firstParagraph()->firstWord();
    auto five = flow_->firstParagraph()->charStyle()->copy();
    five->setTracking(5);
    word->addCharStyle(std::move(five), 3);
    select({0, 0, 1}, {0, 0, 5})->changeTracking(2, nullptr);
    EXPECT_EQ(word->styleAt(1)->tracking(), 2.0f);
    EXPECT_EQ(word->styleAt(3)->tracking(), 7.0f);
    EXPECT_EQ(word->styleAt(5)->tracking(), 5.0f);
    EXPECT_EQ(flow_->firstParagraph()->charStyle()->tracking(), 0.0f);

    // Language: one word's id, 255 when mixed; 255 changes nothing.
    fill({{"english", "deutsch"}});
    flow_->firstParagraph()->wordAtIndex(1)->setLangId(3);
    EXPECT_EQ(select({0, 0, 0}, {0, 0, 3})->langId(), 0);
    TextSelection* both = select({0, 0, 0}, {0, 1, 3});
    EXPECT_EQ(both->langId(), 255);
    both->setLangId(255);
    EXPECT_EQ(both->langId(), 255);
    both->setLangId(3);
    EXPECT_EQ(both->langId(), 3);
}

// A selection that ends on a date keeps the look of what follows in a copy
// stored on the date, which holds one style for all that follows it: the
// style found there must not be read once the copy replaced it.
TEST_F(SelectionTest, ColouringUpToADateKeepsWhatFollowsIt)
{
    fill({{"ab", "cd"}});
    TextParagraph* paragraph = flow_->firstParagraph();
    auto date = std::make_unique<TextWordSpecial>(TextWordDate);
    date->setFormatString(std::string("%Y-%m-%d"));
    std::tm fixed{};
    fixed.tm_year = 126;
    date->updateTokenStringForTime(fixed);
    TextWordSpecial* token = static_cast<TextWordSpecial*>(paragraph->insertWord(std::move(date), 1));
    ASSERT_GT(token->textLength(), 3);
    auto after = paragraph->charStyle()->copy();
    after->setTracking(4);
    token->addCharStyle(std::move(after), 1);
    select({0, 0, 1}, {0, 1, 3})->setTextColor(kit::Color::colorWithGray(0.5f));
    ASSERT_NE(paragraph->wordAtIndex(0)->styleAt(1), nullptr);
    EXPECT_TRUE(paragraph->wordAtIndex(0)->styleAt(1)->color()->isEqual(*kit::Color::colorWithGray(0.5f)));
    // What follows the date keeps its look.
    ASSERT_NE(token->styleAt(1), nullptr);
    EXPECT_EQ(token->styleAt(1)->tracking(), 4.0f);
}

TEST_F(SelectionTest, ColumnStyleCommandsGoToTheSelectionElseTheCaretParagraph)
{
    fill({{"one"}, {"two"}, {"three"}});
    auto centred = flow_->firstParagraph()->paragraphStyle()->copy();
    centred->setAlignment(2);
    // A selection over the first two paragraphs takes the style; the third
    // keeps its own.
    select({0, 0, 1}, {1, 0, 2});
    column_->setStylePara(centred.get());
    EXPECT_EQ(flow_->paragraphAtIndex(0)->paragraphStyle()->alignment(), 2);
    EXPECT_EQ(flow_->paragraphAtIndex(1)->paragraphStyle()->alignment(), 2);
    EXPECT_EQ(flow_->paragraphAtIndex(2)->paragraphStyle()->alignment(), 0);
    EXPECT_TRUE(document_->isEdited());

    // Without a selection only the caret paragraph changes.
    flow_->removeSelection();
    caretAt({2, 0, 1});
    auto right = centred->copy();
    right->setAlignment(1);
    column_->setStylePara(right.get());
    EXPECT_EQ(flow_->paragraphAtIndex(2)->paragraphStyle()->alignment(), 1);
    EXPECT_EQ(flow_->paragraphAtIndex(0)->paragraphStyle()->alignment(), 2);

    // Colour: the selected letters, or else what is typed next.
    const kit::ColorRef red = kit::Color::colorWithDeviceRed(1, 0, 0);
    column_->setTextColor(red);
    EXPECT_TRUE(flow_->charStyle()->color()->isEqual(*red));
    const kit::ColorRef blue = kit::Color::colorWithDeviceRed(0, 0, 1);
    select({0, 0, 0}, {0, 0, 3});
    column_->setTextColor(blue);
    const StyleChar* at = flow_->firstParagraph()->firstWord()->styleAt(0);
    ASSERT_NE(at, nullptr);
    EXPECT_TRUE(at->color()->isEqual(*blue));
    EXPECT_TRUE(flow_->charStyle()->color()->isEqual(*red));
}
