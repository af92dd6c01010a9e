#include "HigherLayers.h"
#include "TextTestSupport.h"

#include "core/Archiver.h"
#include "core/Unarchiver.h"
#include "core/Values.h"
#include "foundation/Paint.h"
#include "graphics/RecordingContext.h"

#include <ctime>

TEST_F(TextTest, EveryTypeCountsItsPositions)
{
    const struct {
        int type;
        int length;
        bool visible;
        int caretAfter;
        const char* character;
    } cases[] = {
        {TextWordDate, 1, true, 1, "|"},        {TextWordPageNumber, 1, true, 1, "|"},
        {TextWordTime, 1, true, 1, "|"},        {TextWordNoText, 0, false, 0, " "},
        {TextWordTab, 0, true, 1, "\t"},        {TextWordMergeToken, 1, true, 1, "|"},
        {TextWordAutonumber, 1, true, 1, "|"},  {TextWordLastPageNumber, 1, true, 1, "|"},
        {TextWordFixedDate, 1, true, 1, "|"},   {TextWordFixedTime, 1, true, 1, "|"},
        {TextWordGraphic, 1, true, 1, "|"},     {TextWordHeaderMarker, 0, false, 1, "|"},
        {TextWordFooterMarker, 0, false, 1, "|"}, {TextWordFootnoteMarker, 1, true, 1, "|"},
        {TextWordParagraphEnd, 0, false, 0, " "}, {TextWordLineBreak, 0, false, 1, "\n"},
        {TextWordPageBreak, 0, false, 0, "|"},  {TextWordEndOfFlow, 0, false, 0, " "},
        {77, 0, false, 0, " "},
    };
    for (const auto& c : cases) {
        auto* word = add(std::make_unique<TextWordSpecial>(c.type));
        EXPECT_EQ(word->length(), c.length) << c.type;
        EXPECT_EQ(word->isVisible(), c.visible) << c.type;
        word->setInsertToEnd();
        EXPECT_EQ(word->insertPoint(), c.caretAfter) << c.type;
        EXPECT_STREQ(word->charAtIndex(0), c.character) << c.type;
        // Every word operation stays safe, whatever the type holds.
        EXPECT_NE(word->text(), nullptr);
        EXPECT_EQ(word->numWordPieces(), 1);
        kit::Rect rects[2];
        EXPECT_GE(word->getSelectionRects(rects, 0, TextWord::WholeWord), 1);
        word->hitAtPoint(3, 0);
        std::string out;
        word->writeTextToStream(out, TextExportPlain, 0, 100);
    }
    auto* autonumber = add(std::make_unique<TextWordSpecial>(TextWordAutonumber));
    autonumber->setText("");
    EXPECT_EQ(autonumber->length(), 0);
}

TEST_F(TextTest, TokensNeverSplitAndTabsDo)
{
    auto* token = add(std::make_unique<TextWordSpecial>(TextWordMergeToken));
    EXPECT_FLOAT_EQ(token->xWidthForPiece(0), 12);
    int range = -1;
    float width = -1;
    token->findPiece(0, font_, 5, 0, &range, &width, false);
    EXPECT_EQ(range, 0);
    EXPECT_FLOAT_EQ(width, 0);
    token->findPiece(0, font_, 5, 0, &range, &width, true);
    EXPECT_EQ(range, 1);
    EXPECT_FLOAT_EQ(width, 5);

    auto* tab = add(std::make_unique<TextWordSpecial>(TextWordTab));
    EXPECT_FLOAT_EQ(tab->ascent() + tab->descent(), 10); // height only
    auto* end = add(std::make_unique<TextWordSpecial>(TextWordParagraphEnd));
    EXPECT_FLOAT_EQ(end->xWidthForPiece(0), 0.0001f);
}

TEST_F(TextTest, WholeTokensPutTheCaretBeforeOrAfter)
{
    auto* token = add(std::make_unique<TextWordSpecial>(TextWordMergeToken));
    token->setOrigin(kit::makePoint(20, 10), 0);
    token->setLineStart(0, 12, 0);
    EXPECT_EQ(token->hitAtPoint(25.9f, 0), 0);
    EXPECT_EQ(token->insertPoint(), 0);
    EXPECT_EQ(token->hitAtPoint(26, 0), TextWord::WholeWord);
    EXPECT_EQ(token->insertPoint(), 1);
    kit::Rect rect;
    token->getSelectionRects(&rect, 1, 1);
    EXPECT_FLOAT_EQ(rect.origin.x, 32);
    EXPECT_FLOAT_EQ(rect.size.width, 0);
    token->getSelectionRects(&rect, 0, 1);
    EXPECT_FLOAT_EQ(rect.size.width, 12);
    auto* pageBreak = add(std::make_unique<TextWordSpecial>(TextWordPageBreak));
    EXPECT_EQ(pageBreak->hitAtPoint(100, 0), 0);
}

TEST_F(TextTest, TokenStylesUseTwoEntries)
{
    auto* date = add(std::make_unique<TextWordSpecial>(TextWordDate));
    auto style = std::make_unique<StyleChar>();
    StyleChar* given = style.get();
    date->addCharStyle(std::move(style), 5);
    EXPECT_EQ(date->styleAt(1), given);
    EXPECT_EQ(date->lastStyle(), given);
}

TEST_F(TextTest, DateAndPageTokensShowTheirText)
{
    auto* date = add(std::make_unique<TextWordSpecial>(TextWordDate));
    date->setFormatString(std::string("%Y-%m-%d"));
    std::tm fixed{};
    fixed.tm_year = 126;
    fixed.tm_mon = 2;
    fixed.tm_mday = 4;
    date->updateTokenStringForTime(fixed);
    EXPECT_STREQ(date->text(), "2026-03-04");
    EXPECT_EQ(date->length(), 1);
    EXPECT_FLOAT_EQ(date->xWidthForPiece(0), 60);

    // Without a column there is no page to number.
    auto* page = add(std::make_unique<TextWordSpecial>(TextWordPageNumber));
    page->computeWordTokenInItem(nullptr);
    EXPECT_STREQ(page->text(), "?");
    EXPECT_TRUE(page->isPageDependent());
}

TEST_F(TextTest, PlainExportOfSpecialWords)
{
    const struct {
        int type;
        std::string out;
    } cases[] = {
        {TextWordTab, "\t"},         {TextWordMergeToken, "\xAB\xBB"}, {TextWordParagraphEnd, "\n"},
        {TextWordLineBreak, "\n"},   {TextWordPageBreak, "\n"},        {TextWordDate, ""},
        {TextWordGraphic, "<graphic:  > "}, // no item and no file: an empty name
    };
    for (const auto& c : cases) {
        auto* word = add(std::make_unique<TextWordSpecial>(c.type));
        std::string out;
        EXPECT_FALSE(word->writeTextToStream(out, TextExportPlain)) << c.type;
        EXPECT_EQ(out, c.out) << c.type;
        out.clear();
        word->writeTextToStream(out, TextExportPlainRange);
        EXPECT_EQ(out, "") << c.type;
    }
}

TEST_F(TextTest, TabLeadersLineUpOnTheirWidth)
{
    auto* tab = add(std::make_unique<TextWordSpecial>(TextWordTab));
    tab->setTab(1, 100, '.');
    tab->setXWidth(20);
    kit::RecordingContext context;
    kit::DrawContext::Scope scope(context);
    kit::Size moved{};
    // Leader characters 3 points wide, drawn from x = 10: they start at 12.
    tab->drawSelfInView(Paint::into(context), nullptr, fixtureFont(5), kit::makePoint(10, 40), &moved);
    EXPECT_FLOAT_EQ(moved.width, 20);
    const kit::RecordedOp* moveto = nullptr;
    const kit::RecordedOp* show = nullptr;
    for (const kit::RecordedOp& op : context.ops()) {
        if (op.name == "moveto")
            moveto = &op;
        if (op.name == "show")
            show = &op;
    }
    ASSERT_NE(moveto, nullptr);
    ASSERT_NE(show, nullptr);
    EXPECT_FLOAT_EQ(moveto->numbers[0], 12);
    EXPECT_EQ(show->text, "......"); // floor((20 - 2) / 3)
}

TEST_F(TextTest, DeletingAHeaderAsksFirst)
{
    auto* header = add(std::make_unique<TextWordSpecial>(TextWordHeaderMarker));
    alerts_->pushAnswer(kit::AlertAlternateReturn);
    EXPECT_FALSE(header->canDelete());
    alerts_->pushAnswer(kit::AlertDefaultReturn);
    EXPECT_TRUE(header->canDelete());
    ASSERT_EQ(alerts_->shown().size(), 2u);
    EXPECT_EQ(alerts_->shown()[0].message, delegate_->valueForStringKey("ConfirmDeleteHeaderFooter"));
    EXPECT_EQ(alerts_->shown()[0].alternateButton, "Cancel");
    auto* tab = add(std::make_unique<TextWordSpecial>(TextWordTab));
    EXPECT_TRUE(tab->canDelete());
    EXPECT_EQ(alerts_->shown().size(), 2u);
}

TEST_F(TextTest, MarkersRegisterWithThePastingDocument)
{
    LayoutDocument document;
    textWordSpecialDocumentGlobalHack = &document;
    auto* header = add(std::make_unique<TextWordSpecial>(TextWordHeaderMarker));
    auto* footer = add(std::make_unique<TextWordSpecial>(TextWordFooterMarker));
    textWordSpecialDocumentGlobalHack = nullptr;
    ASSERT_EQ(document.headers().size(), 1u);
    EXPECT_EQ(document.headers()[0], header);
    ASSERT_EQ(document.footers().size(), 1u);
    footer->removeFromDocument(&document);
    EXPECT_TRUE(document.footers().empty());
    header->removeFromDocument(&document);
    EXPECT_TRUE(document.headers().empty());
}
