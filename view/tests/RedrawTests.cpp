// What a page view shows while a column is edited equals the page drawn
// afresh: after every key, click, drag and command the window's image is
// compared with a fresh repaint of the view, pixel for pixel.

#include "EditingTestSupport.h"

#include "appkit/Event.h"
#include "core/EventState.h"
#include "core/Pasteboard.h"
#include "graphics/FontManager.h"
#include "foundation/StyleInfo.h"
#include "items/ItemBox.h"
#include "platform/appkit/tests/FreshRepaint.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr float kPageWidth = 612, kPageHeight = 792;

class RedrawTest : public EditingTest {
protected:
    void SetUp() override
    {
        startApplication();
        font_ = kit::Font::fontWithName("Times-Roman", 12);
        ASSERT_NE(font_, nullptr);
        ASSERT_FALSE(font_->fontFilePath().empty()) << "the URW fonts are not installed";
        document_ = std::make_unique<LayoutDocument>(delegate_->preferences());
        document_->setPageSize(kit::makeSize(kPageWidth, kPageHeight));
        document_->setup();
        ASSERT_EQ(document_->numPages(), 1);
        pages_.push_back(document_->pageAt(0));
        column_ = addColumn(0, kit::makeRect(72, 72, 300, 250));
        column_->setTextType(1);
        flow_ = column_->flow();
        setFont(flow_);
        // The top of the page and a strip of the canvas beside it.
        openWindow(kit::makeRect(0, 0, 460, 360));
        const kit::Point page = pages_[0]->pageRect().origin;
        view_->scrollPoint(kit::makePoint(page.x + 20, page.y + 40));
        window_->display();
        column_->beginEditing(nullptr, view_);
        ASSERT_TRUE(column_->isEditing());
        auto& fonts = kit::FontManager::sharedFontManager();
        fonts.setChangeFontHandler([this] { column_->changeFont(nullptr, view_); });
    }

    void TearDown() override
    {
        kit::FontManager::sharedFontManager().setChangeFontHandler(nullptr);
        EditingTest::TearDown();
    }

    // Keys pressed and released, queued as the keyboard queues them and
    // handed to the flow as the document hands over key downs.
    void pressKeys(const std::u16string& keys, unsigned flags = 0)
    {
        for (char16_t c : keys) {
            const std::u16string chars(1, c);
            for (kit::EventType type : {kit::EventType::KeyDown, kit::EventType::KeyUp})
                app_->postEvent(
                    kit::Event::keyEventWithType(type, {}, flags, kit::Clock::now(), 0, chars, chars, false), false);
        }
        while (auto e = app_->nextEventMatchingMask(kit::KeyDownMask, kit::Date::distantPast(),
                                                    kit::DefaultRunLoopMode, true))
            flow_->processKeyEvent(*e, view_, editedColumn());
        app_->discardEventsMatchingMask(kit::KeyUpMask, nullptr);
        kit::setCurrentEventModifierFlags(0);
    }

    // A second page whose column the first one runs on into, and a flow of
    // one empty paragraph to type into; nil when the page cannot be added.
    TextItem* chainOnToASecondPage()
    {
        if (!document_->addPages(1, 1))
            return nullptr;
        TextItem* next = addColumn(0, kit::makeRect(72, 72, 300, 250), document_->pageAt(1));
        column_->joinColumn(next);
        while (flow_->paragraphCount() > 1)
            flow_->removeParagraph(flow_->lastParagraph());
        flow_->setCurrentParagraph(flow_->firstParagraph());
        return next;
    }

    TextItem* editedColumn() const
    {
        TextItem* active = document_->activeTextItem();
        return active ? active : column_;
    }

    // A column point in the window's base coordinates.
    kit::Point inWindow(kit::Point inColumn) const
    {
        kit::Point origin = column_->frame().origin;
        column_->convertToView(&origin);
        return view_->convertPointToView(kit::makePoint(origin.x + inColumn.x, origin.y + inColumn.y), nullptr);
    }

    // A press at one column point tracked by the flow through the drags to
    // the release at the last point.
    void mouse(const std::vector<kit::Point>& path, int clicks, unsigned flags = 0)
    {
        for (std::size_t i = 1; i < path.size(); ++i)
            app_->postEvent(kit::Event::mouseEventWithType(kit::EventType::LeftMouseDragged, inWindow(path[i]), flags,
                                                           kit::Clock::now(), 0, clicks),
                            false);
        app_->postEvent(kit::Event::mouseEventWithType(kit::EventType::LeftMouseUp, inWindow(path.back()), flags,
                                                       kit::Clock::now(), 0, clicks),
                        false);
        flow_->mouseHandle(kit::Event::mouseEventWithType(kit::EventType::LeftMouseDown, inWindow(path.front()), flags,
                                                          kit::Clock::now(), 0, clicks),
                           view_, editedColumn());
    }

    void click(kit::Point at, int clicks = 1, unsigned flags = 0)
    {
        for (int n = 1; n <= clicks; ++n)
            mouse({at}, n, flags);
    }

    // The window brought up to date as after each event, compared with the
    // view painted afresh.
    repaint::Mismatch screenAgainstRepaint(bool keep = false)
    {
        window_->displayIfNeeded();
        return repaint::compareWithFreshRepaint(*window_, *view_, keep);
    }

    // The pixels of the window darker than mid grey in a rectangle of the view.
    int darkPixels(const kit::Rect& inView) const
    {
        const kit::RasterContext& image = window_->graphicsContext();
        const kit::Rect base = view_->convertRectToView(inView, nullptr);
        const int left = std::max(0, int(std::floor(kit::minX(base))));
        const int right = std::min(image.width(), int(std::ceil(kit::maxX(base))));
        const int top = std::max(0, image.height() - int(std::ceil(kit::maxY(base))));
        const int bottom = std::min(image.height(), image.height() - int(std::floor(kit::minY(base))));
        int dark = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                dark += (image.scanLine(y)[x] & 0xFF) < 0x80;
        return dark;
    }

    // The caret of a letter, in the column's coordinates.
    kit::Rect caretAt(int paragraph, int word, int letter) const
    {
        const textPoint at{paragraph, word, letter};
        return PageView::caretRectInColumn(&at, column_, nullptr);
    }

    kit::Point middleOfLetter(int paragraph, int word, int letter) const
    {
        const kit::Rect c = caretAt(paragraph, word, letter);
        return kit::makePoint(c.origin.x + 2, kit::midY(c));
    }

    // Each paragraph's top and bottom and each word's first origin.
    std::string layoutDump() const
    {
        std::ostringstream out;
        for (const auto& p : flow_->paragraphList()) {
            out << "\n[" << p->firstY() << ".." << p->lastY() << "]";
            for (const auto& w : p->wordList())
                out << " '" << std::string(w->text(), std::size_t(std::max<int>(w->length(), 0))) << "'@"
                    << w->xOriginForPiece(0) << "," << w->yOriginForPiece(0);
        }
        return out.str();
    }

    std::string fontAt(int paragraph, int word) const
    {
        textPoint at{paragraph, word, 0};
        const StyleChar* style = flow_->styleCharAt(&at);
        return style && style->font() ? style->font()->fontName() : "none";
    }

    TextItem* column_ = nullptr;
};

} // namespace

// Each key redraws the band of its paragraph and the caret; drawn again over
// what was there, text grows bold at the edges of that band.
TEST_F(RedrawTest, KeysAndCaretMovesLeaveTheWindowAsAFreshRepaint)
{
    struct Case {
        const char* name;
        std::u16string keys;
    } cases[] = {
        {"typing", u"Typing redraws the band of its line"},
        {"a Return", u"\r"},
        {"Backspace", u"\x7F\x7F"},
        {"arrows", std::u16string{kit::LeftArrowFunctionKey, kit::LeftArrowFunctionKey, kit::UpArrowFunctionKey,
                                  kit::RightArrowFunctionKey}},
        {"forward Delete", std::u16string{kit::DeleteFunctionKey}},
        {"typing between words", u"xy z"},
    };
    pressKeys(u"Some words typed first, over more than one line of the column, in two paragraphs.\r"
              u"The second one wraps as well, so that lines lie above and below the edits.");
    const repaint::Mismatch typed = screenAgainstRepaint(true);
    ASSERT_FALSE(typed.any()) << typed.describe();
    const textPoint middle{0, 4, 2};
    flow_->setCurrentPoint(&middle);
    for (const Case& c : cases) {
        pressKeys(c.keys);
        const repaint::Mismatch m = screenAgainstRepaint(true);
        EXPECT_FALSE(m.any()) << c.name << ": " << m.describe();
    }
}

// Italic letters ink past their advance ("f" on both sides, "j" to the
// left): a sliver repainted beside a word, as for a caret there, draws the
// word's ink that reaches into it.
TEST_F(RedrawTest, ASliverBesideAWordRepaintsTheInkReachingIntoIt)
{
    font_ = kit::Font::fontWithName("Times-Italic", 24);
    ASSERT_NE(font_, nullptr);
    setFont(flow_);
    pressKeys(u"off jolly fjord");
    const repaint::Mismatch typed = screenAgainstRepaint();
    ASSERT_FALSE(typed.any()) << typed.describe();
    kit::Point origin = column_->frame().origin;
    column_->convertToView(&origin);
    const TextParagraph* paragraph = flow_->firstParagraph();
    for (int w = 0; w < paragraph->wordCount(); ++w) {
        const TextWord* word = paragraph->wordAtIndex(w);
        const kit::Rect first = caretAt(0, w, 0), last = caretAt(0, w, word->length());
        // The whole pixels just outside the word's box, which its piece does
        // not meet.
        const float left = std::floor(origin.x + first.origin.x) - 1.0f;
        const float right = std::ceil(origin.x + last.origin.x);
        for (float x : {left, right}) {
            SCOPED_TRACE(std::string(word->text(), std::size_t(word->length())) + (x == left ? " left" : " right"));
            view_->setNeedsDisplayInRect(kit::makeRect(x, origin.y + first.origin.y, 1, first.size.height));
            const repaint::Mismatch m = screenAgainstRepaint(true);
            EXPECT_FALSE(m.any()) << m.describe();
            // The next sliver starts from the right picture.
            window_->display();
        }
    }
}

// A left indent wider than the column is cut back by the layout: the text
// stands left of where the indent asks. It shows there, a typed key redraws
// it there, and a sliver repainted over it (as for the caret) draws it again.
TEST_F(RedrawTest, TextLeftOfAnIndentWiderThanItsColumnIsDrawnWhereItStands)
{
    column_->setFrame(kit::makeRect(72, 72, 60, 250), false);
    flow_->firstParagraph()->paragraphStyle()->setIndentLeft(100);
    pressKeys(u"ab");
    window_->display();
    pressKeys(u"w");
    const repaint::Mismatch typed = screenAgainstRepaint(true);
    EXPECT_FALSE(typed.any()) << typed.describe();

    kit::Point origin = column_->frame().origin;
    column_->convertToView(&origin);
    const kit::Rect from = caretAt(0, 0, 0), to = caretAt(0, 0, 3);
    const kit::Rect line = kit::makeRect(origin.x + from.origin.x, origin.y + from.origin.y,
                                         to.origin.x - from.origin.x, from.size.height);
    ASSERT_LT(kit::maxX(line), origin.x + 60);
    EXPECT_GT(darkPixels(line), 20) << "the text is not drawn";

    window_->display();
    const kit::Rect letter = caretAt(0, 0, 2);
    view_->setNeedsDisplayInRect(
        kit::makeRect(origin.x + letter.origin.x + 2, origin.y + letter.origin.y, 2, letter.size.height));
    const repaint::Mismatch sliver = screenAgainstRepaint(true);
    EXPECT_FALSE(sliver.any()) << sliver.describe();
}

// A word wider than its column is broken over lines, here over two columns,
// the first out of sight. A letter typed at its end is redrawn with its
// line in the second column, not only where the caret was and goes (a "j"
// inks left of the caret before it).
TEST_F(RedrawTest, ALetterTypedAtTheEndOfAWordBrokenOverColumnsRedrawsItsLine)
{
    font_ = kit::Font::fontWithName("Times-Bold", 24);
    ASSERT_NE(font_, nullptr);
    column_->setFrame(kit::makeRect(72, 600, 60, 30), false);
    TextItem* next = addColumn(0, kit::makeRect(72, 72, 60, 200));
    next->setTextType(1);
    column_->joinColumn(next);
    while (flow_->paragraphCount() > 1)
        flow_->removeParagraph(flow_->lastParagraph());
    flow_->setCurrentParagraph(flow_->firstParagraph());
    setFont(flow_);
    pressKeys(std::u16string(12, u'm'));
    ASSERT_EQ(flow_->firstParagraph()->lastItem(), next);
    window_->display();
    view_->draws.clear();
    pressKeys(u"j");
    // The redrawn band reaches the last line, in the column it stands in.
    const TextWord* word = flow_->firstParagraph()->wordAtIndex(0);
    const int piece = word->numWordPieces() - 1;
    kit::Point origin = next->frame().origin;
    next->convertToView(&origin);
    const kit::Rect line = kit::makeRect(origin.x + word->xOriginForPiece(piece),
                                         origin.y + word->lineStartForPiece(piece), word->xWidthForPiece(piece),
                                         word->piece(piece).lineHeight);
    EXPECT_TRUE(std::any_of(view_->draws.begin(), view_->draws.end(), [&](const TextDraw& d) {
        return d.from == next && d.useRect && kit::containsRect(d.rect, line);
    })) << kit::stringFromRect(line);
    const repaint::Mismatch m = screenAgainstRepaint(true);
    EXPECT_FALSE(m.any()) << m.describe();
}

// The highlight of a selection made with the mouse shows at once, and goes
// when the next click takes the selection away.
TEST_F(RedrawTest, AMouseSelectionShowsItsHighlightAtOnce)
{
    pressKeys(u"one highlighted word");
    const repaint::Mismatch typed = screenAgainstRepaint(true);
    ASSERT_FALSE(typed.any()) << typed.describe();
    const kit::Point inWord = middleOfLetter(0, 1, 4);
    struct Step {
        const char* name;
        int clicks;
        bool selected;
    } steps[] = {{"a double click", 2, true}, {"a single click", 1, false}, {"a triple click", 3, true}};
    for (const Step& s : steps) {
        click(inWord, s.clicks);
        EXPECT_EQ(flow_->textSelection() != nullptr, s.selected) << s.name;
        // Straight after the tracking, before anything is redisplayed.
        const repaint::Mismatch m = repaint::compareWithFreshRepaint(*window_, *view_, true);
        EXPECT_FALSE(m.any()) << s.name << ": " << m.describe();
        window_->displayIfNeeded();
        EXPECT_FALSE(repaint::compareWithFreshRepaint(*window_, *view_).any()) << s.name;
    }
}

// The menu commands that change text show the change: cut, paste (the pasted
// text appears where it goes), bold.
TEST_F(RedrawTest, TextCommandsLeaveTheWindowAsAFreshRepaint)
{
    pressKeys(u"Cut one word, paste it at the end of the line, and make another one bold.");
    ASSERT_FALSE(screenAgainstRepaint().any());
    auto& fonts = kit::FontManager::sharedFontManager();
    struct Step {
        const char* name;
        std::function<void()> act;
    } steps[] = {
        {"cut", [&] {
             click(middleOfLetter(0, 1, 1), 2);
             column_->cut(nullptr, view_);
         }},
        {"paste", [&] {
             const textPoint end{0, flow_->firstParagraph()->wordCount() - 1, 0};
             flow_->setCurrentPoint(&end);
             ASSERT_TRUE(column_->paste(view_));
         }},
        {"bold", [&] {
             click(middleOfLetter(0, 3, 1), 2);
             fonts.addFontTrait(kit::BoldFontMask);
         }},
    };
    for (const Step& s : steps) {
        const std::string before = text(flow_) + fontAt(0, 3);
        s.act();
        EXPECT_NE(text(flow_) + fontAt(0, 3), before) << s.name;
        const repaint::Mismatch m = screenAgainstRepaint(true);
        EXPECT_FALSE(m.any()) << s.name << ": " << m.describe();
    }
}

// Backspace or forward Delete that takes a paragraph's last line away (the
// last word moves up into the line before) clears the line it leaves, though
// nothing after the paragraph moves.
TEST_F(RedrawTest, AParagraphThatLosesALineLeavesNoTraceOfIt)
{
    struct Case {
        const char* name;
        char16_t key;
        int fromEnd; // letters before the end of the word before the last
    } cases[] = {{"Backspace", u'\x7F', 0}, {"Delete", kit::DeleteFunctionKey, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Words added until the last one starts a line of its own.
        pressKeys(u"The words of this paragraph fill its first line");
        TextParagraph* paragraph = flow_->lastParagraph();
        const int p = flow_->paragraphCount() - 1;
        const auto lineOf = [&](int w) { return paragraph->wordAtIndex(w)->yOriginForPiece(0); };
        for (int n = 0; n < 40 && lineOf(paragraph->wordCount() - 1) == lineOf(paragraph->wordCount() - 2); ++n)
            pressKeys(u" line");
        const int last = paragraph->wordCount() - 1;
        ASSERT_GT(lineOf(last), lineOf(last - 1));
        ASSERT_FALSE(screenAgainstRepaint().any());
        // Letters taken from the word before, until the last word fits beside it.
        const float height = paragraph->lastY();
        const textPoint at{p, last - 1, paragraph->wordAtIndex(last - 1)->length() - c.fromEnd};
        flow_->setCurrentPoint(&at);
        // Each key shown before the next, so that the last one is seen alone.
        for (int n = 0; n < 30 && paragraph->lastY() >= height; ++n) {
            window_->displayIfNeeded();
            pressKeys(std::u16string(1, c.key));
        }
        ASSERT_LT(paragraph->lastY(), height);
        const repaint::Mismatch m = screenAgainstRepaint(true);
        EXPECT_FALSE(m.any()) << m.describe();
        // The next case in a paragraph of its own, below.
        const textPoint end{p, paragraph->wordCount() - 1, paragraph->wordAtIndex(paragraph->wordCount() - 1)->length()};
        flow_->setCurrentPoint(&end);
        pressKeys(u"\r");
    }
}

// A highlight inverts whatever the page shows, items over the column too,
// and the mouse toggles it in place: a repaint draws it over every item,
// not under the ones above its column.
TEST_F(RedrawTest, AHighlightUnderABoxShowsAsARepaintDrawsIt)
{
    pressKeys(u"words under a box and beside it");
    const kit::Rect word = caretAt(0, 1, 0);
    auto box = std::make_shared<ItemBox>();
    box->setFrame(kit::makeRect(column_->frame().origin.x + word.origin.x + 3, column_->frame().origin.y - 4, 40, 30),
                  false);
    pages_[0]->addItems(box, false);
    window_->display();
    struct Step {
        const char* name;
        std::function<void()> act;
    } steps[] = {
        {"a double click under the box", [&] { click(middleOfLetter(0, 1, 2), 2); }},
        {"a Shift-click past it", [&] { click(middleOfLetter(0, 4, 2), 1, kit::ShiftKeyMask); }},
        {"a click that takes the selection away", [&] { click(middleOfLetter(0, 0, 1)); }},
    };
    for (const Step& s : steps) {
        s.act();
        const repaint::Mismatch m = repaint::compareWithFreshRepaint(*window_, *view_, true);
        EXPECT_FALSE(m.any()) << s.name << ": " << m.describe();
        window_->display();
    }
}

// The continuation marker shows beside the column being edited (a selected
// column): ending the editing takes it away.
TEST_F(RedrawTest, EndingTheEditingTakesTheContinuationMarkerAway)
{
    pressKeys(u"a column being edited");
    ASSERT_TRUE(column_->isSelected());
    ASSERT_FALSE(screenAgainstRepaint().any());
    view_->endEditingIfNeeded();
    ASSERT_FALSE(column_->isSelected());
    const repaint::Mismatch m = screenAgainstRepaint(true);
    EXPECT_FALSE(m.any()) << m.describe();
}

// Pages added or deleted change the canvas: the view takes its new size and
// shows what moved or changed, as the column that loses its next column
// (its marker no longer points on).
TEST_F(RedrawTest, PagesAddedOrDeletedResizeAndRedrawTheView)
{
    TextItem* next = chainOnToASecondPage();
    ASSERT_NE(next, nullptr);
    pressKeys(u"text in a chain of two columns");
    ASSERT_EQ(column_->continueMarker(), TextItem::ContinueMarker::Next);
    window_->display();
    struct Step {
        const char* name;
        std::function<void()> act;
    } steps[] = {
        {"two pages added", [&] { ASSERT_TRUE(document_->addPages(2, 2)); }},
        {"the second page deleted", [&] { ASSERT_EQ(document_->deletePages(1, 1).size(), 1u); }},
        {"the first page collapsed", [&] { ASSERT_TRUE(document_->collapsePages(1, 0)); }},
        // The caret opens the run as the letter goes in.
        {"a letter typed on the collapsed page", [&] { pressKeys(u"x"); }},
        {"both pages collapsed", [&] { ASSERT_TRUE(document_->collapsePages(2, 0)); }},
    };
    for (const Step& s : steps) {
        // The operations announce the new canvas size to the views.
        s.act();
        EXPECT_EQ(view_->frame().size.width, document_->canvasSize().width) << s.name;
        EXPECT_EQ(view_->frame().size.height, document_->canvasSize().height) << s.name;
        const repaint::Mismatch m = screenAgainstRepaint(true);
        EXPECT_FALSE(m.any()) << s.name << ": " << m.describe();
    }
}

// Pages added change the number last-page tokens show, in a headline and in
// a paragraph running through two columns: what the wider numbers move is
// shown whole on the first display.
TEST_F(RedrawTest, PagesAddedRedrawWhatWiderLastPageNumbersMove)
{
    column_->setFrame(kit::makeRect(72, 72, 60, 30), true);
    TextItem* next = addColumn(0, kit::makeRect(200, 72, 60, 120));
    column_->joinColumn(next);
    while (flow_->paragraphCount() > 1)
        flow_->removeParagraph(flow_->lastParagraph());
    flow_->setCurrentParagraph(flow_->firstParagraph());
    for (int i = 0; i < 12; ++i) {
        pressKeys(u"p ");
        column_->insertLastPageNumber(nullptr, view_);
        pressKeys(u" ");
    }
    ASSERT_EQ(flow_->firstParagraph()->lastItem(), next) << "the paragraph runs into the second column";

    TextItem* headline = addColumn(0, kit::makeRect(100, 280, 40, 20));
    headline->setTextType(TextItem::DisplayText);
    setFont(headline->flow());
    headline->beginEditing(nullptr, view_);
    flow_ = headline->flow();
    pressKeys(u"of ");
    headline->insertLastPageNumber(nullptr, view_);
    ASSERT_FALSE(screenAgainstRepaint().any());
    const float narrow = headline->frame().size.width;

    ASSERT_TRUE(document_->addPages(9, 1));
    const repaint::Mismatch m = screenAgainstRepaint(true);
    EXPECT_GT(headline->frame().size.width, narrow);
    EXPECT_FALSE(m.any()) << m.describe();
}

// A leading far below the type's size sets a headline's lines upwards: the
// frame keeps no height rather than a negative one, and a graphic style with
// a line given to it afterwards shows where a repaint draws it.
TEST_F(RedrawTest, AHeadlineWithNegativeLeadingTakesALineWhereItShows)
{
    TextItem* headline = addColumn(0, kit::makeRect(100, 280, 40, 20));
    headline->setTextType(TextItem::DisplayText);
    setFont(headline->flow());
    headline->beginEditing(nullptr, view_);
    flow_ = headline->flow();
    pressKeys(u"ab\rcd");
    std::unique_ptr<StyleParagraph> style = flow_->firstParagraph()->paragraphStyle()->copy();
    style->setLeading(-3);
    headline->setStylePara(style.get());
    headline->redrawQuickInView(view_);
    view_->endEditingIfNeeded();
    window_->displayIfNeeded();
    EXPECT_GE(headline->frame().size.height, 0.0f);

    StyleGraphic* lined = nullptr;
    for (const auto& entry : *document_->styleInfo()->graphicStyles())
        if (auto* graphic = dynamic_cast<StyleGraphic*>(entry.get()); graphic && graphic->hasLine() && !lined)
            lined = graphic;
    ASSERT_NE(lined, nullptr);
    document_->invalidate(view_, {headline});
    headline->setGraphicStyle(lined);
    const std::vector<kit::Object*> changed{headline};
    document_->notifyUpdate(view_, &changed);
    const repaint::Mismatch m = screenAgainstRepaint(true);
    EXPECT_FALSE(m.any()) << m.describe();
}

// A header's frame shows on the pages at once, over a master frame it
// overlaps, and goes again with its marker.
TEST_F(RedrawTest, AHeadersFrameShowsWhereItIsInsertedAndGoesWithItsMarker)
{
    const kit::Rect header = document_->headerFrame();
    auto box = std::make_shared<ItemBox>();
    box->setFrame(kit::makeRect(header.origin.x - 20, header.origin.y - 21, 28, 33), false);
    box->setMasterFlags(3);
    document_->addMasterItem(box);
    view_->scrollPoint(pages_[0]->pageRect().origin);
    window_->display();
    pressKeys(u"a header");
    ASSERT_FALSE(screenAgainstRepaint().any());

    MenuItemSender sender(3, "Header");
    TextWordSpecial* marker = column_->insertHeader(&sender, view_);
    ASSERT_NE(marker, nullptr);
    repaint::Mismatch m = screenAgainstRepaint(true);
    EXPECT_FALSE(m.any()) << "inserted: " << m.describe();

    document_->removeHeader(marker);
    m = screenAgainstRepaint(true);
    EXPECT_FALSE(m.any()) << "removed: " << m.describe();
}

// A highlight is taken away where it shows, even after its text moved: a
// new indent moves the selected line, the next click repaints what the
// highlight covered.
TEST_F(RedrawTest, AHighlightTakenAwayAfterItsTextMovedLeavesNoTrace)
{
    pressKeys(u"a paragraph long enough to wrap onto a second line of the column, and then a third one");
    click(middleOfLetter(0, 2, 2), 2);
    ASSERT_NE(flow_->textSelection(), nullptr);
    ASSERT_FALSE(screenAgainstRepaint().any());
    std::unique_ptr<StyleParagraph> style = flow_->firstParagraph()->paragraphStyle()->copy();
    style->setIndentLeft(40);
    column_->setStylePara(style.get());
    column_->redrawQuickInView(view_);
    window_->displayIfNeeded();
    click(middleOfLetter(0, 0, 0));
    ASSERT_EQ(flow_->textSelection(), nullptr);
    const repaint::Mismatch m = repaint::compareWithFreshRepaint(*window_, *view_, true);
    EXPECT_FALSE(m.any()) << m.describe();
}

// The last column's marker shows whether text runs past it: typing in an
// earlier column that makes the text run over, or no longer, redraws it.
TEST_F(RedrawTest, TheMarkerOfTheLastColumnFollowsTheTextRunningPastIt)
{
    column_->setFrame(kit::makeRect(72, 72, 150, 40), false);
    TextItem* last = addColumn(0, kit::makeRect(240, 72, 150, 40));
    column_->joinColumn(last);
    while (flow_->paragraphCount() > 1)
        flow_->removeParagraph(flow_->lastParagraph());
    flow_->setCurrentParagraph(flow_->firstParagraph());
    last->select();
    pressKeys(u"one\rtwo");
    ASSERT_EQ(last->continueMarker(), TextItem::ContinueMarker::None);
    // Words typed into the first paragraph, each shown, until the text
    // runs past the last column.
    for (int n = 0; n < 40 && last->continueMarker() == TextItem::ContinueMarker::None; ++n) {
        window_->displayIfNeeded();
        const TextParagraph* first = flow_->firstParagraph();
        const textPoint end{0, first->wordCount() - 1, first->wordAtIndex(first->wordCount() - 1)->length()};
        flow_->setCurrentPoint(&end);
        pressKeys(u" w");
    }
    ASSERT_EQ(last->continueMarker(), TextItem::ContinueMarker::Plus);
    repaint::Mismatch m = screenAgainstRepaint(true);
    EXPECT_FALSE(m.any()) << "running over: " << m.describe();
    pressKeys(u"\x7F\x7F");
    ASSERT_EQ(last->continueMarker(), TextItem::ContinueMarker::None);
    m = screenAgainstRepaint(true);
    EXPECT_FALSE(m.any()) << "no longer: " << m.describe();
}

// A paragraph that a new style sends on to the next column is redrawn from
// the column it left, though the command comes from the column it is in now.
TEST_F(RedrawTest, AParagraphSentOnByItsStyleLeavesNoTraceInTheColumnItLeft)
{
    TextItem* next = chainOnToASecondPage();
    ASSERT_NE(next, nullptr);
    pressKeys(u"the first paragraph\rthe second one, which moves on");
    ASSERT_EQ(flow_->paragraphAtIndex(1)->firstItem(), column_);
    ASSERT_FALSE(screenAgainstRepaint().any());
    std::unique_ptr<StyleParagraph> style = flow_->paragraphAtIndex(1)->paragraphStyle()->copy();
    style->setColumnStart(3);
    flow_->paragraphAtIndex(1)->setStylePara(style.get(), false, true);
    ASSERT_EQ(flow_->paragraphAtIndex(1)->firstItem(), next);
    next->redrawQuickInView(view_);
    const repaint::Mismatch m = screenAgainstRepaint(true);
    EXPECT_FALSE(m.any()) << m.describe();
}

// A headline fits its frame to its text: where a shrinking frame no longer
// reaches is drawn afresh, after a key and after a new paragraph style.
TEST_F(RedrawTest, AShrinkingHeadlineLeavesNoTraceOfItsFrame)
{
    TextItem* headline = addColumn(0, kit::makeRect(100, 280, 40, 20));
    headline->setTextType(TextItem::DisplayText);
    setFont(headline->flow());
    headline->beginEditing(nullptr, view_);
    ASSERT_EQ(editedColumn(), headline);
    flow_ = headline->flow();
    pressKeys(u"a headline of some length");
    std::unique_ptr<StyleParagraph> style = flow_->firstParagraph()->paragraphStyle()->copy();
    style->setLeading(30);
    headline->setStylePara(style.get());
    headline->redrawQuickInView(view_);
    ASSERT_FALSE(screenAgainstRepaint().any());
    const float wide = headline->frame().size.width, tall = headline->frame().size.height;

    pressKeys(std::u16string(10, u'\x7F'));
    ASSERT_LT(headline->frame().size.width, wide);
    repaint::Mismatch m = screenAgainstRepaint(true);
    EXPECT_FALSE(m.any()) << "Backspace: " << m.describe();

    style->setLeading(0);
    headline->setStylePara(style.get());
    headline->redrawQuickInView(view_);
    ASSERT_LT(headline->frame().size.height, tall);
    m = screenAgainstRepaint(true);
    EXPECT_FALSE(m.any()) << "less leading: " << m.describe();
}

// Ending the editing takes the selection's highlight away in every column it
// shows in, not only the edited one.
TEST_F(RedrawTest, EndingTheEditingTakesAHighlightOverTwoColumnsAway)
{
    column_->setFrame(kit::makeRect(72, 72, 150, 60), false);
    TextItem* next = addColumn(0, kit::makeRect(240, 72, 150, 60));
    column_->joinColumn(next);
    while (flow_->paragraphCount() > 1)
        flow_->removeParagraph(flow_->lastParagraph());
    flow_->setCurrentParagraph(flow_->firstParagraph());
    pressKeys(u"one\rtwo\rthree\rfour\rfive\rsix");
    ASSERT_EQ(flow_->lastParagraph()->firstItem(), next);
    const textPoint a{0, 0, 1}, b{5, 0, 2};
    flow_->drawAndSetSelectionType(SelectionChar, &a, &b, false, view_, 0);
    ASSERT_FALSE(screenAgainstRepaint().any());
    view_->endEditingIfNeeded();
    ASSERT_EQ(flow_->textSelection(), nullptr);
    const repaint::Mismatch m = screenAgainstRepaint(true);
    EXPECT_FALSE(m.any()) << m.describe();
}

namespace {

// A number from the environment, or the default.
unsigned long environmentNumber(const char* name, unsigned long fallback)
{
    const char* value = std::getenv(name);
    if (!value || !*value)
        return fallback;
    char* end = nullptr;
    const unsigned long n = std::strtoul(value, &end, 10);
    return end && *end == '\0' ? n : fallback;
}

} // namespace

// A seeded run of edits as a user makes them: typing, Return, Backspace and
// Delete, arrows with and without Shift, clicks, double and triple clicks,
// Shift-clicks, drags, Bold, Cut and Paste. After every step the window
// equals a fresh repaint of the view. SCRIVLY_REDRAW_SEED picks another run,
// SCRIVLY_REDRAW_STEPS a longer one.
TEST_F(RedrawTest, RandomEditsLeaveTheWindowAsAFreshRepaint)
{
    const unsigned long seed = environmentNumber("SCRIVLY_REDRAW_SEED", 20240611);
    const unsigned long steps = environmentNumber("SCRIVLY_REDRAW_STEPS", 300);
    std::mt19937 random(static_cast<std::mt19937::result_type>(seed));
    const auto below = [&](int n) { return int(random() % unsigned(n)); };
    auto& fonts = kit::FontManager::sharedFontManager();
    const std::u16string letters = u"abcdefghijklmnopqrstuvwxyz    ,.";
    std::vector<std::string> log;

    // Somewhere in the column, mostly over its text.
    const auto somewhere = [&] {
        const TextParagraph* last = flow_->lastParagraph();
        const float bottom = std::min(column_->frame().size.height, (last ? last->lastY() : 0.0f) + 20.0f);
        return kit::makePoint(float(below(3100)) / 10.0f - 5.0f, float(below(int(bottom * 10) + 1)) / 10.0f);
    };
    const auto describe = [](kit::Point p) {
        std::ostringstream out;
        out << "(" << p.x << ", " << p.y << ")";
        return out.str();
    };

    pressKeys(u"A first paragraph of a few words.\rAnd a second one, long enough to wrap onto a second line "
              u"of the column.");
    for (unsigned long step = 0; step < steps; ++step) {
        std::ostringstream what;
        const bool crowded = text(flow_).size() > 700;
        int choice = below(100);
        if (crowded && choice < 40)
            choice = 95; // cut rather than type
        if (choice < 30) {
            std::u16string keys;
            for (int n = 1 + below(6); n > 0; --n)
                keys += letters[std::size_t(below(int(letters.size())))];
            what << "type \"" << std::string(keys.begin(), keys.end()) << "\"";
            pressKeys(keys);
        } else if (choice < 35) {
            what << "Return";
            pressKeys(u"\r");
        } else if (choice < 43) {
            what << "Backspace";
            pressKeys(u"\x7F");
        } else if (choice < 48) {
            what << "Delete";
            pressKeys(std::u16string(1, kit::DeleteFunctionKey));
        } else if (choice < 64) {
            static constexpr char16_t arrows[] = {kit::LeftArrowFunctionKey, kit::RightArrowFunctionKey,
                                                  kit::UpArrowFunctionKey, kit::DownArrowFunctionKey};
            static constexpr const char* names[] = {"Left", "Right", "Up", "Down"};
            const int a = below(4);
            const bool shift = below(3) == 0;
            what << (shift ? "Shift-" : "") << names[a];
            pressKeys(std::u16string(1, arrows[a]), shift ? kit::ShiftKeyMask : 0);
        } else if (choice < 78) {
            const int kind = below(10);
            const kit::Point at = somewhere();
            if (kind < 5) {
                what << "click at " << describe(at);
                click(at);
            } else if (kind < 8) {
                what << "double click at " << describe(at);
                click(at, 2);
            } else if (kind < 9) {
                what << "triple click at " << describe(at);
                click(at, 3);
            } else {
                what << "Shift-click at " << describe(at);
                click(at, 1, kit::ShiftKeyMask);
            }
        } else if (choice < 86) {
            std::vector<kit::Point> path{somewhere()};
            for (int n = 1 + below(3); n > 0; --n)
                path.push_back(somewhere());
            what << "drag";
            for (const kit::Point& p : path)
                what << " " << describe(p);
            mouse(path, 1);
        } else if (choice < 90) {
            const bool on = below(2) == 0;
            what << (on ? "Bold" : "Unbold");
            if (on)
                fonts.addFontTrait(kit::BoldFontMask);
            else
                fonts.removeFontTrait(kit::BoldFontMask);
        } else if (choice < 95) {
            what << "Paste";
            editedColumn()->paste(view_);
        } else {
            what << "Cut";
            editedColumn()->cut(nullptr, view_);
        }
        log.push_back(what.str());
        const repaint::Mismatch m = screenAgainstRepaint(true);
        if (m.any()) {
            std::ostringstream steps;
            for (std::size_t i = 0; i < log.size(); ++i)
                steps << "  " << i << ": " << log[i] << "\n";
            FAIL() << "seed " << seed << ", after step " << step << " (" << log.back() << "): " << m.describe()
                   << "\nsteps:\n"
                   << steps.str() << "text: \"" << text(flow_) << "\"\nlayout:" << layoutDump();
        }
    }
}


// A page token going in where a selection stood in a headline: the headline
// takes its width with the number the token shows, before it is drawn.
TEST_F(RedrawTest, AHeadlineFitsAPageTokenBeforeItIsDrawn)
{
    TextItem* headline = addColumn(0, kit::makeRect(100, 280, 40, 20));
    headline->setTextType(TextItem::DisplayText);
    setFont(headline->flow());
    headline->beginEditing(nullptr, view_);
    flow_ = headline->flow();
    pressKeys(u"haaaaaaf");
    const textPoint from{0, 0, 3}, to{0, 0, 0};
    flow_->drawAndSetSelectionType(SelectionChar, &from, &to, false, view_, 0);
    ASSERT_FALSE(screenAgainstRepaint().any());
    headline->insertLastPageNumber(nullptr, view_);
    const float width = headline->frame().size.width;
    const repaint::Mismatch m = screenAgainstRepaint(true);
    EXPECT_FALSE(m.any()) << m.describe();
    EXPECT_EQ(headline->frame().size.width, width) << "the drawing resized the headline";
}

// Killing to the line's end starts from the selection: the highlight goes
// where it showed, also where the kill takes less than was selected. With
// nothing to kill the selection stays as it shows.
TEST_F(RedrawTest, KillingToTheLineEndTakesTheHighlightAway)
{
    // A column one line high, and another that takes the text after it.
    column_->setFrame(kit::makeRect(72, 72, 150, 16), false);
    column_->joinColumn(addColumn(0, kit::makeRect(240, 72, 150, 60)));
    struct Case {
        const char* name;
        std::u16string text;
        unsigned flags;
        std::function<void()> select;
        const char* left;
        bool selected;
    } cases[] = {
        {"a selection past the caret's line", u"first paragraph\rsecond paragraph\rthird", 0,
         [&] {
             const textPoint caret{0, 1, 4}, a{0, 0, 2}, b{2, 0, 3};
             flow_->setCurrentPoint(&caret);
             flow_->drawAndSetSelectionType(SelectionChar, &a, &b, false, view_, 0);
         },
         "fi\nsecond paragraph\nthird", false},
        {"nothing to kill before a line break", u"\r", kit::ShiftKeyMask | kit::AlternateKeyMask,
         [&] {
             // Three clicks in the first column, which the first one starts editing.
             for (int n = 1; n <= 3; ++n) {
                 const kit::Point at = inWindow(kit::makePoint(20, 8));
                 app_->postEvent(kit::Event::mouseEventWithType(kit::EventType::LeftMouseUp, at, 0, kit::Clock::now(), 0, n),
                                 false);
                 const kit::Event down =
                     kit::Event::mouseEventWithType(kit::EventType::LeftMouseDown, at, 0, kit::Clock::now(), 0, n);
                 if (column_->isEditing())
                     flow_->mouseHandle(down, view_, column_);
                 else
                     column_->beginEditing(&down, view_);
             }
             ASSERT_EQ(editedColumn(), column_);
         },
         "", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        editedColumn()->selectAll(nullptr, view_);
        editedColumn()->delete_(nullptr, view_);
        ASSERT_EQ(text(flow_), "");
        pressKeys(c.text, c.flags);
        c.select();
        ASSERT_NE(flow_->textSelection(), nullptr);
        ASSERT_FALSE(screenAgainstRepaint().any());
        editedColumn()->killToEOL(nullptr, view_);
        EXPECT_EQ(text(flow_), c.left);
        EXPECT_EQ(flow_->textSelection() != nullptr, c.selected);
        const repaint::Mismatch m = screenAgainstRepaint(true);
        EXPECT_FALSE(m.any()) << m.describe();
        window_->display();
    }
}

// A paragraph style changed from a later column of the first paragraph
// repaints the paragraph's start in the columns before, with and without a
// selection there.
TEST_F(RedrawTest, AStyleChangedFromTheSecondColumnOfTheFirstParagraphRepaintsItsStart)
{
    column_->setFrame(kit::makeRect(72, 72, 150, 16), false);
    TextItem* next = addColumn(0, kit::makeRect(240, 72, 150, 60));
    column_->joinColumn(next);
    pressKeys(u"a first paragraph long enough to run on into the second column");
    ASSERT_EQ(editedColumn(), next);
    ASSERT_EQ(next->startParagraph(), 0);
    struct Case {
        const char* name;
        bool select;
        float indent;
    } cases[] = {{"the caret", false, 20}, {"a selection from the first column", true, 40}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.select) {
            const textPoint a{0, 1, 2}, b{0, 6, 1};
            flow_->drawAndSetSelectionType(SelectionChar, &a, &b, false, view_, 0);
        }
        ASSERT_FALSE(screenAgainstRepaint().any());
        std::unique_ptr<StyleParagraph> style = flow_->firstParagraph()->paragraphStyle()->copy();
        style->setIndentLeft(c.indent);
        next->setStylePara(style.get());
        next->redrawQuickInView(view_);
        const repaint::Mismatch m = screenAgainstRepaint(true);
        EXPECT_FALSE(m.any()) << m.describe();
        window_->display();
    }
}

// A headline fitted narrower than its text (a page break after the text
// leaves a last line of nothing) draws the text past its new edge at once,
// as far as a layout from scratch measures it: laying it out again changes
// nothing on screen.
TEST_F(RedrawTest, AHeadlineFittedNarrowerThanItsTextDrawsTheOverhangAtOnce)
{
    TextItem* headline = addColumn(0, kit::makeRect(100, 280, 40, 20));
    headline->setTextType(TextItem::DisplayText);
    setFont(headline->flow());
    headline->beginEditing(nullptr, view_);
    ASSERT_EQ(editedColumn(), headline);
    flow_ = headline->flow();
    pressKeys(u"cefee");
    ASSERT_FALSE(screenAgainstRepaint().any());
    const float wide = headline->frame().size.width;
    headline->insertPageBreak(nullptr, view_);
    ASSERT_LT(headline->frame().size.width, wide);
    repaint::Mismatch m = screenAgainstRepaint(true);
    ASSERT_FALSE(m.any()) << "page break: " << m.describe();
    kit::Rect edited{}, full{};
    headline->getUpdateBounds(&edited, view_);
    flow_->recomputeAll();
    headline->getUpdateBounds(&full, view_);
    EXPECT_TRUE(kit::containsRect(edited, full));
    m = screenAgainstRepaint(true);
    EXPECT_FALSE(m.any()) << "laid out again: " << m.describe();
}

// Text a deleted page sends on to the next column is laid out as that
// column is drawn: a first line outdented past the column's left edge shows
// there whole, as a repaint shows it, not cut at the frame.
TEST_F(RedrawTest, TextLaidOutAsItsColumnIsDrawnShowsItsOverhang)
{
    TextItem* next = chainOnToASecondPage();
    ASSERT_NE(next, nullptr);
    pressKeys(u"an outdented first line");
    std::unique_ptr<StyleParagraph> style = flow_->firstParagraph()->paragraphStyle()->copy();
    style->setIndentDeltaFirst(-30);
    column_->setStylePara(style.get());
    column_->redrawQuickInView(view_);
    ASSERT_GT(column_->hangLeft(), 0);
    ASSERT_EQ(next->hangLeft(), 0);
    ASSERT_FALSE(screenAgainstRepaint().any());
    view_->endEditingIfNeeded();
    ASSERT_EQ(document_->deletePages(1, 0).size(), 1u);
    document_->notifyDocumentDidChangeSize();
    ASSERT_TRUE(flow_->hasPendingLayout());
    const repaint::Mismatch m = screenAgainstRepaint(true);
    EXPECT_FALSE(m.any()) << m.describe();
    EXPECT_GT(next->hangLeft(), 0);
}
