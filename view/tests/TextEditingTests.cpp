#include "EditingTestSupport.h"

#include "foundation/Units.h"
#include "foundation/UnitsInfo.h"

#include "core/Pasteboard.h"
#include "document/Undo.h"
#include "document/UndoInfo.h"
#include "foundation/Paint.h"
#include "foundation/ZYNTime.h"
#include "graphics/RecordingContext.h"
#include "view/TimeDateTokenController.h"

#include <algorithm>
#include <ctime>
#include <functional>

namespace {

bool onPage(const Page* page, const Item* item)
{
    for (const auto& held : page->pageItems())
        if (held.get() == item)
            return true;
    return false;
}

// ---- Opening and closing editing.

TEST_F(EditingTest, ClosingAnEmptiedHeadlineRemovesItWithUndoType2)
{
    const struct {
        int textType;
        const char* typed;
        bool removed;
    } cases[] = {
        {TextItem::DisplayText, "", true},
        {TextItem::DisplayText, "Headline", false},
        // An emptied ordinary column stays.
        {1, "", false},
    };
    for (const auto& c : cases) {
        TextItem* column = addColumn(2, kit::makeRect(100, 400, 200, 40));
        column->setTextType(c.textType);
        setFont(column->flow());
        type(column->flow(), c.typed);
        const int undos = document_->undoInfo()->count();
        column->beginEditing(nullptr, view_);
        ASSERT_TRUE(column->isEditing());
        EXPECT_EQ(column->editPageView(), view_);
        EXPECT_EQ(document_->activeTextItem(), column);
        view_->endEditingIfNeeded();
        EXPECT_FALSE(view_->isEditing());
        EXPECT_EQ(onPage(pages_[2], column), !c.removed) << c.textType << c.typed;
        ASSERT_EQ(document_->undoInfo()->count(), undos + (c.removed ? 1 : 0));
        if (!c.removed)
            continue;
        Undo* record = document_->undoInfo()->currentRecord();
        ASSERT_NE(record, nullptr);
        EXPECT_EQ(record->undoType(), Undo::ItemsRemoved);
        EXPECT_EQ(record->items(), std::vector<Item*>{column});
        EXPECT_EQ(record->page(), pages_[2]);
        // Undo brings the headline back; the record now describes an addition.
        ASSERT_TRUE(document_->undoInfo()->undo());
        EXPECT_TRUE(onPage(pages_[2], column));
        EXPECT_EQ(record->undoType(), Undo::ItemsAdded);
        ASSERT_TRUE(document_->undoInfo()->redo());
        EXPECT_FALSE(onPage(pages_[2], column));
    }
}

TEST_F(EditingTest, EditingMovesBetweenColumnsOfOneFlowWithoutClosing)
{
    type(flow_, "alpha");
    first_->beginEditing(nullptr, view_);
    second_->beginEditing(nullptr, view_);
    // The flow stays open: its first column handed editing over.
    EXPECT_FALSE(first_->isEditing());
    EXPECT_TRUE(second_->isEditing());
    EXPECT_EQ(document_->activeTextItem(), second_);
    EXPECT_EQ(document_->selected(), std::vector<Item*>{second_});
    EXPECT_TRUE(view_->isTextCursorShown());
    view_->endEditingIfNeeded();
    EXPECT_FALSE(second_->isEditing());
    EXPECT_FALSE(view_->isTextCursorShown());
    EXPECT_EQ(document_->activeTextItem(), nullptr);
}

// ---- Text commands.

TEST_F(EditingTest, CommandsOutsideEditingBeepOrDoNothing)
{
    type(flow_, "some text");
    MenuItemSender sender(0, "12");
    using Command = void (TextItem::*)(kit::Object*, DocumentView*);
    struct Case {
        const char* name;
        Command command;
        bool beeps;
    };
    const std::vector<Case> cases = {
        {"cut", &TextItem::cut, true},
        {"copy", &TextItem::copy, true},
        {"delete", &TextItem::delete_, true},
        {"undelete", &TextItem::undelete, true},
        {"pageBreak", &TextItem::insertPageBreak, true},
        {"changeFont", &TextItem::changeFont, true},
        {"fontSize", &TextItem::setMenuFontSize, true},
        {"indent", &TextItem::indentLeftIn, true},
        {"subscript", &TextItem::subscript, false},
        {"selectAll", &TextItem::selectAll, false},
        {"jump", &TextItem::jumpToSelection, false},
    };
    TextItem* column = first_;
    for (const Case& c : cases) {
        const int before = alerts_->beeps();
        std::invoke(c.command, column, &sender, view_);
        EXPECT_EQ(alerts_->beeps() - before, c.beeps ? 1 : 0) << c.name;
    }
    EXPECT_EQ(text(flow_), "some text");
    EXPECT_EQ(flow_->textSelection(), nullptr);
}

TEST_F(EditingTest, SelectAllSelectsTheFlowAndRefreshesTheColumn)
{
    type(flow_, "one two\nthree");
    first_->beginEditing(nullptr, view_);
    view_->itemUpdates.clear();
    first_->selectAll(nullptr, view_);
    TextSelection* selection = flow_->textSelection();
    ASSERT_NE(selection, nullptr);
    textPoint start{}, end{};
    flow_->firstTextPoint(&start);
    flow_->lastTextPoint(&end);
    EXPECT_TRUE(EqualTextPoints(selection->startPoint(), &start));
    EXPECT_TRUE(EqualTextPoints(selection->endPoint(), &end));
    ASSERT_FALSE(view_->itemUpdates.empty());
    EXPECT_EQ(view_->itemUpdates.back(), std::vector<kit::Object*>{first_});
}

TEST_F(EditingTest, DeletedTextComesBackWithUndelete)
{
    type(flow_, "keep gone keep");
    first_->beginEditing(nullptr, view_);
    const textPoint a{0, 1, 0}, b{0, 1, 4};
    ASSERT_TRUE(flow_->selectBetween(&a, &b, false));
    first_->delete_(nullptr, view_);
    EXPECT_EQ(flow_->textSelection(), nullptr);
    EXPECT_EQ(text(flow_), "keep keep");
    // The kill pasteboard has it; the general pasteboard does not.
    first_->undelete(nullptr, view_);
    EXPECT_EQ(text(flow_), "keep gone keep");
}

TEST_F(EditingTest, CutGoesToTheGeneralPasteboardNotToUndelete)
{
    type(flow_, "alpha beta");
    first_->beginEditing(nullptr, view_);
    kit::Pasteboard& kill = kit::Pasteboard::pasteboardWithName(ZYN_PRIVATEKILL);
    kill.declareTypes({kit::StringPboardType}, nullptr);
    kill.setString("zeta", kit::StringPboardType);
    const textPoint a{0, 0, 0}, b{0, 0, 5};
    ASSERT_TRUE(flow_->selectBetween(&a, &b, false));
    first_->cut(nullptr, view_);
    EXPECT_EQ(text(flow_), "beta");
    EXPECT_EQ(kit::Pasteboard::generalPasteboard().stringForType(kit::StringPboardType), "alpha");
    caretAt(0, 0, 0);
    first_->undelete(nullptr, view_);
    EXPECT_EQ(text(flow_), "zeta beta");
}

TEST_F(EditingTest, KillingAtAParagraphsEndJoinsTheNextParagraph)
{
    const struct {
        std::uint16_t key;
        textPoint caret;
        const char* left;
        const char* killed;
    } cases[] = {
        // To the end of the paragraph from inside it.
        {0xF7ED, {0, 0, 2}, "ab\nthree", "cd ef"},
        // At the paragraph's last point the break goes: the next one joins.
        {0xF7ED, {0, 1, 2}, "abcd efthree", "\n"},
        {0xF72B, {0, 1, 2}, "abcd efthree", "\n"},
    };
    for (const auto& c : cases) {
        // A fresh flow each time.
        TextItem* column = addColumn(2, kit::makeRect(72, 300, 300, 200));
        TextFlow* flow = column->flow();
        setFont(flow);
        type(flow, "abcd ef\nthree");
        column->beginEditing(nullptr, view_);
        flow->setCurrentPoint(&c.caret);
        column->_killTo(nullptr, view_, c.key);
        EXPECT_EQ(text(flow), c.left) << c.key << " " << c.caret.word;
        EXPECT_EQ(kit::Pasteboard::generalPasteboard().stringForType(kit::StringPboardType), c.killed);
        view_->endEditingIfNeeded();
    }
}

TEST_F(EditingTest, PageBreakReplacesTheSelectionAndStartsAParagraph)
{
    type(flow_, "one two three");
    first_->beginEditing(nullptr, view_);
    const textPoint a{0, 1, 0}, b{0, 1, 3};
    ASSERT_TRUE(flow_->selectBetween(&a, &b, false));
    first_->insertPageBreak(nullptr, view_);
    ASSERT_EQ(flow_->paragraphCount(), 2);
    const TextParagraph* broken = flow_->paragraphAtIndex(0);
    ASSERT_NE(broken->lastWord(), nullptr);
    EXPECT_TRUE(broken->lastWord()->isSpecialType(TextWordPageBreak));
    EXPECT_EQ(flow_->currentParagraph(), flow_->paragraphAtIndex(1));
    EXPECT_EQ(text(flow_), "one\nthree");
}

TEST_F(EditingTest, MenuFontSizeReadsTheTitle)
{
    type(flow_, "sized");
    first_->beginEditing(nullptr, view_);
    const textPoint a{0, 0, 0}, b{0, 0, 5};
    const struct {
        const char* title;
        float size;
    } cases[] = {{"12", 12}, {"Other...", 12}, {"0", 12}, {"18.5", 18.5f}};
    for (const auto& c : cases) {
        ASSERT_TRUE(flow_->selectBetween(&a, &b, false));
        MenuItemSender sender(0, c.title);
        first_->setMenuFontSize(&sender, view_);
        textPoint at{0, 0, 1};
        const StyleChar* style = flow_->styleCharAt(&at);
        ASSERT_NE(style, nullptr);
        ASSERT_NE(style->font(), nullptr);
        EXPECT_FLOAT_EQ(style->font()->pointSize(), c.size) << c.title;
    }
}

// ---- Text variables, headers and footers.

TEST_F(EditingTest, AHeaderMarkerGoesBeforeTheWordTheCaretIsIn)
{
    type(flow_, "lead middle");
    first_->beginEditing(nullptr, view_);
    caretAt(0, 1, 3);
    MenuItemSender sender(3, "Header");
    TextWordSpecial* marker = first_->insertHeader(&sender, view_);
    ASSERT_NE(marker, nullptr);
    const TextParagraph* paragraph = flow_->paragraphAtIndex(0);
    ASSERT_EQ(paragraph->indexOfWord(marker), 1);
    const TextWord* word = paragraph->wordAtIndex(2);
    ASSERT_NE(word, nullptr);
    EXPECT_EQ(std::string(word->text(), std::size_t(word->length())), "middle");
    // The caret stays where it was in that word.
    textPoint caret{};
    flow_->getCurrentTextPoint(&caret);
    EXPECT_EQ(caret.word, 2);
    EXPECT_EQ(caret.letter, 3);

    auto* frame = dynamic_cast<TextItem*>(marker->objectReference());
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->textType(), 1);
    EXPECT_TRUE(kit::equalRects(frame->frame(), document_->headerFrame()));
    EXPECT_EQ(frame->myMaster(), marker);
    EXPECT_EQ(frame->masterFlags(), 3);
    EXPECT_EQ(document_->headers(), std::vector<TextWordSpecial*>{marker});
    EXPECT_TRUE(std::any_of(document_->masterItems().begin(), document_->masterItems().end(),
                            [&](const auto& item) { return item.get() == frame; }));
}

TEST_F(EditingTest, TheSendersTagPlacesAFooterOnOddEvenOrAllPages)
{
    const struct {
        int tag;
        bool shown[3];
    } cases[] = {{2, {true, false, true}}, {1, {false, true, false}}, {3, {true, true, true}}};
    for (const auto& c : cases) {
        TextItem* column = addColumn(0, kit::makeRect(72, 300, 300, 100));
        TextFlow* flow = column->flow();
        setFont(flow);
        type(flow, "text");
        column->beginEditing(nullptr, view_);
        MenuItemSender sender(c.tag, "Footer");
        TextWordSpecial* marker = column->insertFooter(&sender, view_);
        ASSERT_NE(marker, nullptr);
        Item* frame = dynamic_cast<Item*>(marker->objectReference());
        ASSERT_NE(frame, nullptr);
        EXPECT_EQ(frame->masterFlags(), c.tag);
        for (int n = 1; n <= 3; ++n)
            EXPECT_EQ(document_->footerItemForPageNumber(n) == frame, c.shown[n - 1]) << c.tag << " page " << n;
        view_->endEditingIfNeeded();
        document_->removeFooter(marker);
    }
}

// Page tokens take their text when their paragraph is drawn.
TEST_F(EditingTest, APageNumberWordShowsItsPageOrAQuestionMarkOnTheMaster)
{
    const struct {
        int page; // -1: the master page
        const char* shown;
    } cases[] = {{-1, "?"}, {0, "1"}, {2, "3"}};
    for (const auto& c : cases) {
        TextItem* column = c.page < 0 ? addColumn(0, kit::makeRect(72, 300, 300, 100), document_->masterPage())
                                      : addColumn(c.page, kit::makeRect(72, 300, 300, 100));
        setFont(column->flow());
        type(column->flow(), "Page ");
        column->beginEditing(nullptr, view_);
        TextWordSpecial* word = column->_insertTextVariable(TextWordPageNumber, view_);
        ASSERT_NE(word, nullptr);
        // Drawn as printing draws it: the page's own columns, or the master's.
        kit::RecordingContext context;
        column->drawSelf(view_->paint(context, kit::makeRect(0, 0, 612, 792)), kit::makeRect(0, 0, 612, 792));
        EXPECT_EQ(std::string(word->text(), std::size_t(word->length())), c.shown) << c.page;
        view_->endEditingIfNeeded();
    }
}

TEST_F(EditingTest, APageNumberReplacesTheSelectionWhichUndeleteBringsBack)
{
    type(flow_, "page xx here");
    first_->beginEditing(nullptr, view_);
    const textPoint a{0, 1, 0}, b{0, 1, 2};
    ASSERT_TRUE(flow_->selectBetween(&a, &b, false));
    TextWordSpecial* word = first_->_insertTextVariable(TextWordPageNumber, view_);
    ASSERT_NE(word, nullptr);
    EXPECT_EQ(text(flow_), "page here");
    EXPECT_EQ(flow_->textSelection(), nullptr);
    first_->undelete(nullptr, view_);
    EXPECT_NE(text(flow_).find("xx"), std::string::npos) << text(flow_);
}

TEST_F(EditingTest, DatesGoInAsFixedTextOrAsAnUpdatingToken)
{
    type(flow_, "on ");
    first_->beginEditing(nullptr, view_);
    caretAt(0, 1, 0);
    int asked = -1;
    int answer = TimeDateTokenController::Cancelled;
    TimeDateTokenController::runner() = [&](TimeDateTokenController& panel) {
        asked = panel.type();
        panel.setFormat("[%Y]");
        return answer;
    };
    // A cancelled panel changes nothing.
    first_->insertDate(nullptr, view_);
    EXPECT_EQ(asked, TimeDateTokenController::Date);
    EXPECT_EQ(text(flow_), "on");

    answer = TimeDateTokenController::InsertUpdating;
    first_->insertTime(nullptr, view_);
    EXPECT_EQ(asked, TimeDateTokenController::Time);
    const TextParagraph* paragraph = flow_->paragraphAtIndex(0);
    const TextWord* token = nullptr;
    for (const auto& word : paragraph->wordList())
        if (word->isSpecialType(TextWordTime))
            token = word.get();
    ASSERT_NE(token, nullptr);
    ASSERT_TRUE(static_cast<const TextWordSpecial*>(token)->formatString());
    EXPECT_EQ(*static_cast<const TextWordSpecial*>(token)->formatString(), "[%Y]");

    answer = TimeDateTokenController::InsertFixed;
    first_->insertDate(nullptr, view_);
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    EXPECT_NE(text(flow_).find(ZYNStrfTime("[%Y]", local)), std::string::npos) << text(flow_);
    // Plain text, no token.
    for (const auto& word : paragraph->wordList())
        EXPECT_FALSE(word->isSpecialType(TextWordDate));
    TimeDateTokenController::runner() = nullptr;
}

// ---- After an edit: redraw, refocus, scroll.

TEST_F(EditingTest, TheCurrentParagraphsChangedBandIsRedrawn)
{
    type(flow_, "one\ntwo\nthree");
    first_->beginEditing(nullptr, view_);
    caretAt(1, 0, 3);
    TextParagraph* paragraph = flow_->currentParagraph();
    paragraph->addByte('s');
    paragraph->setDirty(true);
    paragraph->recompute(true);
    ASSERT_EQ(paragraph->firstDirtyItem(), first_);
    view_->draws.clear();
    kit::Rect cursor = view_->textCursorRect();
    flow_->_redrawCurrentParagraphInItem(first_, view_, nullptr, &cursor);
    ASSERT_EQ(view_->draws.size(), 1u);
    const TextDraw& draw = view_->draws[0];
    EXPECT_EQ(draw.from, first_);
    EXPECT_EQ(draw.to, first_);
    EXPECT_EQ(draw.fromParagraph, 0);
    EXPECT_EQ(draw.toParagraph, 2);
    // The band from the first to the last dirty y in the column, across
    // the width the column draws in, on the canvas, grown by a point
    // sideways and by the type size (the ink's reach past tight lines) up
    // and down.
    kit::Point origin = first_->frame().origin;
    first_->convertToView(&origin);
    kit::Rect drawn{};
    first_->getUpdateBounds(&drawn, view_);
    kit::Rect band = kit::makeRect(origin.x + drawn.origin.x - first_->frame().origin.x,
                                   origin.y + paragraph->firstDirtyY(), drawn.size.width,
                                   paragraph->lastDirtyY() - paragraph->firstDirtyY());
    band = kit::insetRect(kit::unionRect(band, cursor), -1, -font_->pointSize());
    EXPECT_TRUE(kit::equalRects(draw.rect, band)) << kit::stringFromRect(draw.rect) << " " << kit::stringFromRect(band);

    // A master column is redrawn whole, wherever it shows.
    view_->draws.clear();
    first_->setMasterFlags(3);
    flow_->_redrawCurrentParagraphInItem(first_, view_, nullptr, &cursor);
    first_->setMasterFlags(0);
    ASSERT_EQ(view_->draws.size(), 1u);
    EXPECT_TRUE(kit::isEmptyRect(view_->draws[0].rect));
    EXPECT_EQ(view_->draws[0].fromParagraph, 0);
    EXPECT_EQ(view_->draws[0].toParagraph, -1);
}

// A column made without a text type (0) is ordinary column text as much as
// type 1: a typed key that keeps the layout in its paragraph redraws that
// paragraph's band, not the column and every later one.
TEST_F(EditingTest, ATypedKeyRedrawsOnlyItsParagraphInAnyOrdinaryColumn)
{
    type(flow_, "one\ntwo\nthree");
    for (int textType : {0, 1}) {
        SCOPED_TRACE(textType);
        first_->setTextType(textType);
        second_->setTextType(textType);
        first_->beginEditing(nullptr, view_);
        caretAt(1, 0, 3);
        view_->draws.clear();
        flow_->processKey('s', view_, first_);
        ASSERT_EQ(view_->draws.size(), 1u);
        const TextDraw& draw = view_->draws[0];
        EXPECT_TRUE(draw.useRect);
        EXPECT_EQ(draw.from, first_);
        EXPECT_EQ(draw.to, first_);
        EXPECT_EQ(draw.fromParagraph, 0);
        EXPECT_EQ(draw.toParagraph, 2);
        // Backspace takes the letter away along the same road.
        view_->draws.clear();
        flow_->processKey(TextParagraph::DeleteBackwardKey, view_, first_);
        ASSERT_EQ(view_->draws.size(), 1u);
        EXPECT_TRUE(view_->draws[0].useRect);
        EXPECT_EQ(view_->draws[0].toParagraph, 2);
        EXPECT_EQ(text(flow_), "one\ntwo\nthree");
    }
}

TEST_F(EditingTest, ACaretInTheNextColumnRefocusesOnItsPage)
{
    // Enough lines to run into the second column (100 points high).
    std::string many;
    for (int i = 0; i < 20; ++i)
        many += "line\n";
    type(flow_, many + "last");
    ASSERT_EQ(flow_->lastParagraph()->firstItem(), second_);
    document_->setActivePage(pages_[0]);
    first_->beginEditing(nullptr, view_);
    textPoint before{};
    flow_->getCurrentTextPoint(&before);
    textPoint after{};
    flow_->lastTextPoint(&after);
    flow_->setCurrentPoint(&after);
    TextItem* target = flow_->_finishModifyingInView(view_, first_, &before, &after, false);
    EXPECT_EQ(target, second_);
    EXPECT_EQ(document_->activePage(), pages_[1]);
    EXPECT_TRUE(second_->isEditing());
    EXPECT_FALSE(first_->isEditing());
    EXPECT_EQ(document_->activeTextItem(), second_);
    ASSERT_TRUE(view_->isTextCursorShown());
    EXPECT_TRUE(kit::containsRect(pages_[1]->pageRect(), view_->textCursorRect()))
        << kit::stringFromRect(pages_[1]->pageRect()) << " " << kit::stringFromRect(view_->textCursorRect());
}

TEST_F(EditingTest, TheCaretIsScrolledIntoView)
{
    std::string many;
    for (int i = 0; i < 20; ++i)
        many += "line\n";
    type(flow_, many + "last");
    second_->beginEditing(nullptr, view_);
    textPoint end{};
    flow_->lastTextPoint(&end);
    flow_->setCurrentPoint(&end);
    // Back to the canvas's top left, far from the caret on the second page.
    view_->scrollPoint(kit::makePoint(0, 0));
    const kit::Rect before = view_->visibleRect();
    ASSERT_FALSE(kit::isEmptyRect(before));
    kit::Rect caret = PageView::caretRectInColumn(&end, second_, nullptr);
    kit::Point origin = second_->frame().origin;
    second_->convertToView(&origin);
    caret = kit::offsetRect(caret, origin.x, origin.y);
    caret.size.width = 0.01f;
    ASSERT_GT(caret.size.height, 0);
    ASSERT_FALSE(kit::containsRect(before, caret));
    flow_->scrollCurrentWordToVisible(second_, view_);
    const kit::Rect after = view_->visibleRect();
    EXPECT_TRUE(kit::containsRect(after, caret)) << kit::stringFromRect(after) << " " << kit::stringFromRect(caret);
    // Already in view: nothing moves.
    flow_->scrollCurrentWordToVisible(second_, view_);
    EXPECT_TRUE(kit::equalRects(view_->visibleRect(), after));
}

TEST_F(EditingTest, AHeadlineEditReportsItsSizeInTheInfoBar)
{
    TextItem* headline = addColumn(0, kit::makeRect(100, 500, 120, 30));
    headline->setTextType(TextItem::DisplayText);
    setFont(headline->flow());
    type(headline->flow(), "Head");
    headline->beginEditing(nullptr, view_);
    textPoint caret{};
    headline->flow()->getCurrentTextPoint(&caret);
    headline->flow()->_finishModifyingInView(view_, headline, &caret, &caret, false);
    // In the document's unit.
    kit::Size size = headline->frame().size;
    document_->unitsInfo()->convertSizeToUnits(&size);
    const int kind = document_->unitsInfo()->units();
    EXPECT_EQ(infoBar_->text("wField"), TruncateUnits(size.width, kind));
    EXPECT_EQ(infoBar_->text("hField"), TruncateUnits(size.height, kind));
}

} // namespace
