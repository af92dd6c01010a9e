// What a page view shows while a column is edited equals the page drawn
// afresh: after every key, click, drag and command the window's image is
// compared with a fresh repaint of the view, pixel for pixel.

#include "EditingTestSupport.h"

#include "appkit/Event.h"
#include "core/EventState.h"
#include "core/Pasteboard.h"
#include "graphics/FontManager.h"
#include "platform/appkit/tests/FreshRepaint.h"

#include <cstdint>
#include <cstdlib>
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
