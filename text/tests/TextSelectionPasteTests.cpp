#include "TextSelectionTestSupport.h"

#include "appkit/Application.h"
#include "appkit/SystemClipboard.h"
#include "core/Encoding.h"
#include "core/Pasteboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace {

class PasteTest : public SelectionTest {
protected:
    void SetUp() override
    {
        SelectionTest::SetUp();
        pboard_ = &kit::Pasteboard::pasteboardWithUniqueName();
    }
    void TearDown() override
    {
        pboard_->releaseGlobally();
        SelectionTest::TearDown();
    }

    // Copies the range of the flow to the test's pasteboard.
    void copy(textPoint a, textPoint b, int type = SelectionChar, TextFlow* flow = nullptr)
    {
        select(a, b, type, flow)->copyToPasteboard(*pboard_);
        (flow ? flow : flow_.get())->removeSelection();
    }

    kit::Pasteboard* pboard_ = nullptr;
};

} // namespace

TEST_F(PasteTest, AWordPastedIntoAWordSplitsUnlessAFenceJoinsIt)
{
    const struct {
        const char* pasted;
        const char* target;
        const char* after;
    } cases[] = {
        {"XY", "abcd", "ab XY cd"},
        {"(Y", "abcd", "ab(Y cd"},
        {"XY", "ab.d", "ab XY.d"},
        {"(Y", "ab)d", "ab(Y)d"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pasted);
        fill({{c.pasted}});
        copy({0, 0, 0}, {0, 0, 2}, SelectionWord);
        fill({{c.target}});
        caretAt({0, 0, 2});
        ASSERT_TRUE(column_->paste(*pboard_, false, nullptr));
        EXPECT_EQ(dump(), c.after);
    }
}

TEST_F(PasteTest, WholeParagraphsGoBeforeTheCaretParagraph)
{
    fill({{"one", "two"}, {"three"}, {"after"}});
    flow_->firstParagraph()->paragraphStyle()->setAlignment(2);
    copy({0, 0, 0}, {1, 0, 5}, SelectionPara);
    fill({{"keep", "these"}, {"words"}});
    while (flow_->paragraphCount() > 2)
        (void)flow_->removeParagraph(flow_->lastParagraph());
    document_->setEdited(false);
    caretAt({1, 0, 0});
    ASSERT_TRUE(column_->paste(*pboard_, false, nullptr));
    EXPECT_EQ(dump(), "keep these|one two|three|words");
    // Without a page view the pasted style is kept.
    EXPECT_EQ(flow_->paragraphAtIndex(1)->paragraphStyle()->alignment(), 2);
    // The paste is an edit like every other.
    EXPECT_TRUE(document_->isEdited());
}

TEST_F(PasteTest, TextOfSeveralParagraphsSplitsTheCaretParagraph)
{
    fill({{"abc", "def"}, {"ghi", "jkl"}});
    copy({0, 1, 1}, {1, 0, 2});
    fill({{"1234", "5678"}});
    while (flow_->paragraphCount() > 1)
        (void)flow_->removeParagraph(flow_->lastParagraph());
    caretAt({0, 0, 2});
    ASSERT_TRUE(column_->paste(*pboard_, false, nullptr));
    EXPECT_EQ(dump(), "12ef|gh34 5678");
    textPoint caret;
    flow_->getCurrentTextPoint(&caret);
    EXPECT_EQ(caret.paragraph, 1);
    EXPECT_EQ(flow_->currentWord()->insertPoint(), 2);
}

TEST_F(PasteTest, InternalTextIsPreferredOverPlainText)
{
    fill({{"styled"}});
    select({0, 0, 0}, {0, 0, 6})->modifyFontAttribute(StyleBoldFlag, true, nullptr);
    copy({0, 0, 0}, {0, 0, 6});
    ASSERT_EQ(pboard_->types().front(), LayvanePboardTypeTEXT);
    fill({{""}});
    caretAt({0, 0, 0});
    ASSERT_TRUE(column_->paste(*pboard_, false, nullptr));
    EXPECT_EQ(dump(), "styled");
    const StyleChar* style = flow_->firstParagraph()->firstWord()->styleAt(0);
    ASSERT_NE(style, nullptr);
    EXPECT_TRUE(style->isBoldface());
}

TEST_F(PasteTest, ADamagedArchiveDeletesNothing)
{
    const std::vector<std::string> damaged = {"", "SCRVTS", "SCRVTS\x01\x05garbage", std::string("\0\0\0", 3)};
    for (const std::string& data : damaged) {
        fill({{"keep", "this"}});
        select({0, 0, 1}, {0, 1, 2});
        pboard_->declareTypes({LayvanePboardTypeTEXT, kit::StringPboardType}, nullptr);
        pboard_->setData(data, LayvanePboardTypeTEXT);
        pboard_->setString("plain", kit::StringPboardType);
        alerts_->reset();
        EXPECT_FALSE(column_->paste(*pboard_, false, nullptr));
        EXPECT_EQ(dump(), "keep this");
        ASSERT_NE(flow_->textSelection(), nullptr);
        EXPECT_EQ(alerts_->beeps(), 1);
        ASSERT_EQ(alerts_->shown().size(), 1u);
        EXPECT_EQ(alerts_->shown()[0].title, delegate_->valueForStringKey("Paste Error"));
    }
}

TEST_F(PasteTest, TextThatDoesNotFitACellIsRefusedBeforeDeleting)
{
    fill({{"one"}, {"two"}});
    copy({0, 0, 0}, {1, 0, 3});
    struct Cell : TextParagraph {};
    fill({{"plain"}});
    while (flow_->paragraphCount() > 1)
        (void)flow_->removeParagraph(flow_->lastParagraph());
    TextParagraph* cell = flow_->addParagraph(std::make_unique<Cell>());
    cell->addWord(std::make_unique<TextWord>())->setText("cell");
    select({1, 0, 1}, {1, 0, 3});
    EXPECT_FALSE(column_->paste(*pboard_, false, nullptr));
    EXPECT_EQ(dump(), "plain|cell");
    EXPECT_EQ(alerts_->beeps(), 1);
}

TEST_F(PasteTest, PlainTextRowsAndLinks)
{
    const struct {
        const char* string;
        bool link;
        const char* after;
        bool pasted;
    } cases[] = {
        {"new words", false, "anew words", true},
        {"two\nlines", false, "atwo|lines", true},
        // Without the import bundle HTML is pasted as its text.
        {"<html>", false, "a<html>", true},
        {"<HTM", false, "a<HTM", true},
        {"linked", true, "a", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.string);
        fill({{"a"}});
        while (flow_->paragraphCount() > 1)
            (void)flow_->removeParagraph(flow_->lastParagraph());
        caretAt({0, 0, 1});
        pboard_->declareTypes({kit::StringPboardType}, nullptr);
        pboard_->setString(c.string, kit::StringPboardType);
        EXPECT_EQ(column_->paste(*pboard_, c.link, nullptr), c.pasted);
        EXPECT_EQ(dump(), c.after);
    }
}

// Without the RTF reader the text is converted here, once, character by
// character: what the documents' set lacks is left out, and the user is
// told as the reader tells it.
TEST_F(PasteTest, PlainTextTheSetLacksIsLeftOutAndTold)
{
    const struct {
        const char* string;
        const char* after; // UTF-8
        bool told;
    } cases[] = {
        {"caf\xC3\xA9 \xE2\x80\x94 na\xC3\xAFve", "acaf\xC3\xA9 \xE2\x80\x94 na\xC3\xAFve", false},
        {"5\xE2\x82\xAC or \xC2\xA3" "5", "a5 or \xC2\xA3" "5", true},
        {"\xE2\x82\xAC", "a", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.string);
        fill({{"a"}});
        while (flow_->paragraphCount() > 1)
            (void)flow_->removeParagraph(flow_->lastParagraph());
        caretAt({0, 0, 1});
        alerts_->reset();
        pboard_->declareTypes({kit::StringPboardType}, nullptr);
        pboard_->setString(c.string, kit::StringPboardType);
        column_->paste(*pboard_, false, nullptr);
        EXPECT_EQ(kit::toUTF8(kit::Encoding::NeXTSTEP, dump()), c.after);
        ASSERT_EQ(alerts_->shown().size(), c.told ? 1u : 0u);
        if (c.told) {
            EXPECT_EQ(alerts_->shown()[0].title, delegate_->valueForStringKey("ImportProblem"));
            EXPECT_EQ(alerts_->shown()[0].message, delegate_->valueForStringKey("ImportDataLoss"));
        }
    }
}

TEST_F(PasteTest, HTMLIsSniffedOnlyAtTheVeryStart)
{
    std::vector<std::string> seen;
    LayoutDocument::dispatchHTMLStreamHook() = [&](LayoutDocument&, const std::string& data) {
        seen.push_back("html:" + data);
        return true;
    };
    LayoutDocument::dispatchRTFStreamHook() = [&](LayoutDocument&, const std::string& data) {
        seen.push_back(data.rfind("{\\rtf1", 0) == 0 ? "rtf" : "?");
        return data.find("fails") == std::string::npos;
    };
    for (const char* string : {"<html><b>x</b>", "<HTML>", " <html>", "<HTM", "this fails"}) {
        fill({{"keep"}});
        select({0, 0, 0}, {0, 0, 2});
        pboard_->declareTypes({kit::StringPboardType}, nullptr);
        pboard_->setString(string, kit::StringPboardType);
        column_->paste(*pboard_, false, nullptr);
    }
    LayoutDocument::dispatchHTMLStreamHook() = nullptr;
    LayoutDocument::dispatchRTFStreamHook() = nullptr;
    EXPECT_EQ(seen, (std::vector<std::string>{"html:<html><b>x</b>", "html:<HTML>", "rtf", "rtf", "rtf"}));
    // The failed import put the deleted letters back and said so.
    EXPECT_EQ(dump(), "keep");
    EXPECT_EQ(alerts_->shown().back().title, delegate_->valueForStringKey("ImportProblem"));
}

TEST_F(PasteTest, APictureOrUnknownDataIsSkippedWithoutDeleting)
{
    fill({{"keep"}});
    select({0, 0, 0}, {0, 0, 4});
    pboard_->declareTypes({kit::TIFFPboardType, kit::PostScriptPboardType}, nullptr);
    pboard_->setData("II*\0", kit::TIFFPboardType);
    pboard_->setData("%!PS", kit::PostScriptPboardType);
    EXPECT_FALSE(column_->paste(*pboard_, false, nullptr));
    EXPECT_EQ(dump(), "keep");
    EXPECT_EQ(alerts_->beeps(), 1);
}

TEST_F(PasteTest, ACopyInOneDocumentPastesIntoAnother)
{
    fill({{"from", "first"}, {"document"}});
    copy({0, 1, 0}, {1, 0, 8});

    LayoutDocument other(delegate_->preferences());
    other.setup();
    Page* page = other.addPage(std::make_unique<Page>());
    TextItem column;
    column.setPage(page);
    TextFlow& flow = *column.flow();
    fill(flow, {{"into", "second"}});
    const textPoint caret{0, 1, 6};
    flow.setCurrentPoint(&caret);
    ASSERT_TRUE(column.paste(*pboard_, false, nullptr));
    EXPECT_EQ(dump(flow), "into secondfirst|document");
    EXPECT_TRUE(other.isEdited());
    // The source is untouched.
    EXPECT_EQ(dump(), "from first|document");
}

TEST_F(PasteTest, PlainTextTravelsThroughTheSystemClipboard)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    kit::Application::sharedApplication();
    kit::SystemClipboard::install();
    const std::string cafe = kit::fromUTF8(kit::Encoding::NeXTSTEP, "caf\xC3\xA9").value();
    const std::string deja = kit::fromUTF8(kit::Encoding::NeXTSTEP, "d\xC3\xA9j\xC3\xA0").value();
    fill({{cafe, "au", "lait"}});
    kit::Pasteboard& general = kit::Pasteboard::generalPasteboard();
    select({0, 0, 0}, {0, 1, 2})->copyToPasteboard(general);
    flow_->removeSelection();
    // Another program reads plain text, converted to Unicode on the way.
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(mime, nullptr);
    EXPECT_EQ(mime->text().toStdString(), "caf\xC3\xA9 au");

    // Another program copies plain text; it is pasted at the caret.
    QGuiApplication::clipboard()->setText(QString::fromUtf8("d\xC3\xA9j\xC3\xA0 vu"));
    fill({{"x"}});
    caretAt({0, 0, 1});
    ASSERT_TRUE(column_->paste(nullptr));
    EXPECT_EQ(dump(), "x" + deja + " vu");
    kit::SystemClipboard::uninstall();
}

TEST_F(PasteTest, InsertingWholeParagraphsMarksTheDocumentEdited)
{
    fill({{"one"}, {"two"}});
    copy({0, 0, 0}, {0, 0, 3}, SelectionPara);
    fill({{"x"}, {"y"}});
    document_->setEdited(false);
    caretAt({1, 0, 0});
    std::unique_ptr<TextSelection> pasted = TextSelection::selectionFromData(
        pboard_->dataForType(LayvanePboardTypeTEXT).value(), pboard_, document_.get());
    pasted->insertInFlow(flow_.get(), nullptr, true);
    EXPECT_EQ(dump(), "x|one|y");
    EXPECT_TRUE(document_->isEdited());
}

namespace {

// Every word of the flow is measured: in the fixture font a letter is 6
// points wide, and the word's pieces share its width.
void expectEveryWordMeasured(const TextFlow& flow)
{
    for (const auto& paragraph : flow.paragraphList())
        for (const auto& word : paragraph->wordList()) {
            if (word->isSpecial() || word->length() == 0)
                continue;
            float width = 0;
            for (int piece = 0; piece < word->numWordPieces(); ++piece)
                width += word->xWidthForPiece(piece);
            EXPECT_FLOAT_EQ(width, 6.0f * float(word->length())) << word->text();
        }
}

std::string numberedLines(int count, const char* after)
{
    std::string text;
    for (int i = 0; i < count; ++i)
        text += (i ? "\n" : "") + std::to_string(i) + after;
    return text;
}

} // namespace

// Pasted text goes in whole, in order, measured, whatever the mix of words,
// lines, empty lines and carriage returns, and wherever the caret is.
TEST_F(PasteTest, PlainTextOfManyWordsAndLinesArrivesWordForWord)
{
    std::string manyWords, wordsDumped;
    for (int i = 0; i < 600; ++i) {
        manyWords += (i ? " w" : "w") + std::to_string(i);
        wordsDumped += (i ? " w" : "w") + std::to_string(i);
    }
    std::string linesDumped;
    for (int i = 0; i < 400; ++i)
        linesDumped += (i ? "|" : "") + std::to_string(i) + "x";
    const struct {
        std::string pasted;
        textPoint caret; // in "abcd"
        std::string after;
    } cases[] = {
        {"one two\nthree\n\nfour  five", {0, 0, 2}, "abone two|three||four  fivecd"},
        {"x\r\ny\r\n", {0, 0, 4}, "abcdx|y|"},
        {numberedLines(400, "x"), {0, 0, 0}, linesDumped + "abcd"},
        {numberedLines(400, "x") + "\n", {0, 0, 4}, "abcd" + linesDumped + "|"},
        {manyWords, {0, 0, 2}, "ab" + wordsDumped + "cd"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pasted.substr(0, 30));
        fill({{"abcd"}});
        while (flow_->paragraphCount() > 1)
            (void)flow_->removeParagraph(flow_->lastParagraph());
        caretAt(c.caret);
        pboard_->declareTypes({kit::StringPboardType}, nullptr);
        pboard_->setString(c.pasted, kit::StringPboardType);
        ASSERT_TRUE(column_->paste(*pboard_, false, nullptr));
        EXPECT_EQ(dump(), c.after);
        expectEveryWordMeasured(*flow_);
    }
}

// Whole paragraphs copied and pasted back at a paragraph's start, many at a
// time, keep their order and their words.
TEST_F(PasteTest, ManyWholeParagraphsGoInBeforeTheCaretParagraphInOrder)
{
    std::vector<std::vector<std::string>> paragraphs;
    std::string expected;
    for (int i = 0; i < 300; ++i) {
        paragraphs.push_back({"p" + std::to_string(i), "w"});
        expected += "p" + std::to_string(i) + " w|";
    }
    paragraphs.push_back({"not", "copied"}); // the copy does not run to the end of its flow
    fill(paragraphs);
    copy({0, 0, 0}, {299, 1, 1}, SelectionPara);
    fill({{"keep"}, {"last"}});
    while (flow_->paragraphCount() > 2)
        (void)flow_->removeParagraph(flow_->lastParagraph());
    caretAt({1, 0, 0});
    ASSERT_TRUE(column_->paste(*pboard_, false, nullptr));
    EXPECT_EQ(dump(), "keep|" + expected + "last");
    expectEveryWordMeasured(*flow_);
}

TEST_F(PasteTest, ACutPastedBackWhereItWasGivesTheTextBack)
{
    const struct {
        std::vector<std::vector<std::string>> text;
        textPoint from, to;
        const char* cut; // the text left, words joined by spaces
    } cases[] = {
        {{{"one", "two", "three"}}, {0, 1, 0}, {0, 2, 5}, "one "},
        {{{"one", "two", "three", "four"}}, {0, 1, 0}, {0, 2, 5}, "one  four"},
        {{{"one", "two", "three"}}, {0, 0, 0}, {0, 1, 3}, " three"},
        {{{"one", "two", "three"}}, {0, 1, 1}, {0, 2, 2}, "one tree"},
        {{{"one", "two"}, {"three", "four"}}, {0, 1, 0}, {1, 0, 5}, "one  four"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cut);
        fill(c.text);
        const std::string before = dump();
        // What the cut command does: copy, delete without undo, paste back.
        select(c.from, c.to)->copyToPasteboard(*pboard_);
        flow_->textSelection()->deleteFromItem(column_.get(), true, false);
        EXPECT_EQ(dump(), c.cut);
        ASSERT_TRUE(column_->paste(*pboard_, false, nullptr));
        EXPECT_EQ(dump(), before);
    }
}

TEST_F(PasteTest, WordsPastedAfterAStyleAtAWordsEndAreMeasuredSafely)
{
    // The style in force at the caret is stored at the end of the caret
    // word; the first pasted word, styled itself, is appended over it, and
    // the middle word is measured after that.
    auto style = [](float size, const textPoint& at, TextFlow& flow) {
        auto s = std::make_unique<StyleChar>();
        s->setFont(fixtureFont(size));
        flow.addCharStyle(std::move(s), &at);
    };
    fill({{"xx", "yy", "zz"}});
    style(14, {0, 0, 0}, *flow_);
    copy({0, 0, 0}, {0, 2, 2});
    fill({{"aaaa"}});
    style(20, {0, 0, 4}, *flow_);
    caretAt({0, 0, 4});
    ASSERT_TRUE(column_->paste(*pboard_, false, nullptr));
    EXPECT_EQ(dump(), "aaaaxx yy zz");
    // In the pasted style: 2 letters at 14 points.
    EXPECT_FLOAT_EQ(flow_->paragraphAtIndex(0)->wordAtIndex(1)->xWidthForPiece(0), 16.8f);
}
