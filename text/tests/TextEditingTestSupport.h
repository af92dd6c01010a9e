#pragma once

// A document with chains of edited columns, one page each, a page view, and
// the application's queue on the virtual clock: for driving flows with
// scripted mouse and key events. The fixture font is 6 points a glyph at 10
// points, lines 10 high.

#include "HigherLayers.h"
#include "TextTestSupport.h"

#include "appkit/Application.h"
#include "appkit/Clock.h"
#include "appkit/Event.h"
#include "core/EventState.h"
#include "foundation/FontAccessoryValues.h"
#include "foundation/StyleChar.h"
#include "text/TextPanels.h"
#include "text/TextSelection.h"

#include <string>
#include <vector>

// The font accessory as the character style's hook answers it: keeps
// what it was last told to show.
class RecordingAccessory : public FontAccessoryValues {
public:
    float condense() const override { return condense_; }
    float tracking() const override { return tracking_; }
    float leading() const override { return leading_; }
    float vertical() const override { return vertical_; }
    float wordSpaceOnly() const override { return wordSpace_; }
    kit::ColorRef color() const override { return color_; }
    short langId() const override { return langId_; }
    const std::string& message() const { return message_; }

    void setColor(const kit::ColorRef& color) override { color_ = color; }
    void setNewLeading(float value) override { leading_ = value; }
    void setNewTracking(float value) override { tracking_ = value; }
    void setNewWordSpace(float value) override { wordSpace_ = value; }
    void setNewVertical(float value) override { vertical_ = value; }
    void setNewCondense(float value) override { condense_ = value; }
    void setLangId(short id) override { langId_ = id; }
    void setMessage(const std::string& message) override { message_ = message; }

private:
    kit::ColorRef color_;
    float condense_ = 1.0f, tracking_ = 0, leading_ = 0, vertical_ = 0, wordSpace_ = 0;
    short langId_ = 0;
    std::string message_;
};

// A column opened for editing, as the page view leaves it.
class EditedColumn : public TextItem {
public:
    void setEditing(bool flag) { itFlags_.editing = flag; }
};

class EditingTest : public TextTest {
protected:
    void SetUp() override
    {
        TextTest::SetUp();
        setSmartPunctuation(false);
        kit::Application::sharedApplication().resetForTesting();
        kit::Clock::useVirtualClock();
        kit::setCurrentEventModifierFlags(0);
        TextPanels::reset();
        TextFlow::setLastKeyWasUpDown(false);
        document_ = std::make_unique<LayoutDocument>(delegate_->preferences());
        document_->setup();
        document_->setDefaultTabSpacing(0);
        // A view without a window: large enough to show every page.
        view_.setFrame(kit::makeRect(0, 0, 20000, 200000));
        document_->addView(&view_);
        delegate_->setMainDocument(document_.get());
        delegate_->setMainPageView(&view_);
    }

    void TearDown() override
    {
        kit::Application::sharedApplication().resetForTesting();
        kit::Clock::useRealClock();
        kit::setCurrentEventModifierFlags(0);
        TextPanels::reset();
        StyleChar::setFontAccessoryHook(nullptr);
        accessory_.reset();
        delegate_->setMainDocument(nullptr);
        document_->detachView(&view_);
        document_.reset();
        others_.clear();
        flow_.reset();
        TextTest::TearDown();
    }

    // A chain of columns for the flow, each on a page of its own; pages lie
    // 1000 points apart in the view.
    std::vector<TextItem*> makeChain(TextFlow* flow, int count, float width, float height)
    {
        std::vector<TextItem*> chain;
        for (int i = 0; i < count; ++i) {
            Page* page = document_->addPage(std::make_unique<Page>());
            page->setRect(kit::makeRect(0, 1000.0f * float(document_->pages().size() - 1), 600, 900));
            auto column = std::make_unique<EditedColumn>();
            column->setFrame(kit::makeRect(10, 10, width, height), false);
            column->setFlow(flow);
            column->setTextType(1);
            column->setEditing(true);
            TextItem* raw = column.get();
            page->addItems(std::move(column), false);
            if (!chain.empty()) {
                chain.back()->setNextColumn(raw);
                raw->setPrevColumn(chain.back());
            }
            chain.push_back(raw);
        }
        flow->setFirstTextItem(chain.front());
        // The pages keep the places given; the view lists them.
        document_->calcCollapsedPages();
        document_->calcDisplayedPages(false);
        return chain;
    }

    void makeColumns(int count, float width = 60, float height = 500)
    {
        columns_ = makeChain(flow_.get(), count, width, height);
    }

    // Text typed straight into the paragraphs: spaces part words, line
    // feeds start paragraphs; then laid out and the caret put at 0,0,0.
    void setText(const char* text)
    {
        for (const char* c = text; *c; ++c)
            flow_->currentParagraph()->addByte(static_cast<unsigned char>(*c));
        flow_->recomputeAll();
        caretAt(0, 0, 0);
    }

    void caretAt(int p, int w, int l)
    {
        textPoint tp{p, w, l};
        flow_->setCurrentPoint(&tp);
    }
    textPoint caret() const
    {
        textPoint tp{};
        return *flow_->getCurrentTextPoint(&tp);
    }

    // The flow's characters, a line feed between paragraphs.
    std::string text() const
    {
        std::string out;
        flowPointer fp{};
        flow_->textFlowSeek(&fp, 0);
        while (!flow_->textFlowAtEnd(&fp))
            out += static_cast<char>(flow_->textFlowGetc(&fp));
        return out;
    }

    // Where a column point lies in the view.
    kit::Point inView(const TextItem* column, float x, float y) const
    {
        kit::Point origin = column->frame().origin;
        column->convertToView(&origin);
        return {origin.x + x, origin.y + y};
    }

    // A mouse event at the view point, located in the window as real ones are.
    kit::Event mouse(kit::EventType type, kit::Point at, unsigned flags = 0, int clicks = 1) const
    {
        return kit::Event::mouseEventWithType(type, view_.convertPointToView(at, nullptr), flags, kit::Clock::now(), 0,
                                              clicks);
    }
    kit::Event key(std::u16string chars, unsigned flags = 0, bool repeat = false,
                   kit::EventType type = kit::EventType::KeyDown) const
    {
        return kit::Event::keyEventWithType(type, {}, flags, kit::Clock::now(), 0, chars, chars, repeat);
    }
    void post(const kit::Event& e) { kit::Application::sharedApplication().postEvent(e, false); }

    // A mouse down at the column point, the drags given (view points), and
    // the mouse up, tracked by the flow.
    void click(TextItem* column, float x, float y, unsigned flags = 0, int clicks = 1,
               const std::vector<kit::Point>& drags = {})
    {
        for (const kit::Point& p : drags)
            post(mouse(kit::EventType::LeftMouseDragged, p, flags, clicks));
        const kit::Point last = drags.empty() ? inView(column, x, y) : drags.back();
        post(mouse(kit::EventType::LeftMouseUp, last, flags, clicks));
        flow_->mouseHandle(mouse(kit::EventType::LeftMouseDown, inView(column, x, y), flags, clicks), &view_,
                           column);
    }

    // A key handled as the document hands it over: taken from the queue
    // (so that it is the current event), with whatever follows it queued.
    TextItem* press(std::uint16_t code, unsigned flags = 0)
    {
        kit::setCurrentEventModifierFlags(flags);
        return flow_->processKey(code, &view_, columns_.front());
    }

    int beeps() const { return alerts_->beeps(); }
    // A font accessory the flow finds from now on (until the test ends).
    RecordingAccessory* useAccessory()
    {
        accessory_ = std::make_unique<RecordingAccessory>();
        StyleChar::setFontAccessoryHook([this](bool) { return accessory_.get(); });
        return accessory_.get();
    }
    TextSelection* selection() const { return flow_->textSelection(); }

    PageView view_;
    std::unique_ptr<LayoutDocument> document_;
    std::unique_ptr<RecordingAccessory> accessory_;
    std::vector<TextItem*> columns_;
    std::vector<std::unique_ptr<TextFlow>> others_;
};

inline bool samePoint(const textPoint& a, int p, int w, int l)
{
    return a.paragraph == p && a.word == w && a.letter == l;
}
