#include "PageViewSession.h"

#include "app/Layvane.h"
#include "app/Scrivly.h"
#include "appkit/Application.h"
#include "appkit/Clock.h"
#include "appkit/Event.h"
#include "appkit/Window.h"
#include "core/EventState.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "document/UndoInfo.h"
#include "foundation/Preferences.h"
#include "foundation/StyleChar.h"
#include "foundation/StyleParagraph.h"
#include "graphics/Font.h"
#include "items/ItemGroup.h"
#include "items/TextItem.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextSelection.h"
#include "view/PageView.h"

#include <algorithm>
#include <functional>

namespace viewsequence {

namespace {

// A menu item sending a command: its tag.
class TaggedSender : public kit::Object, public CommandSender {
public:
    explicit TaggedSender(int tag) : tag_(tag) {}
    std::string className() const override { return "NSMenuItem"; }
    int tag() const override { return tag_; }
    std::string title() const override { return {}; }

private:
    int tag_;
};

kit::Font* textFont() { return kit::Font::fontWithName("Times-Roman", 12); }

void giveFont(TextFlow* flow)
{
    kit::Font* font = textFont();
    if (!flow || !font)
        return;
    for (const auto& paragraph : flow->paragraphList())
        paragraph->paragraphStyle()->setFont(font);
    auto typing = std::make_unique<StyleChar>();
    typing->setFont(font);
    flow->setCharStyle(std::move(typing));
}

// The first text the document holds: a few paragraphs, so that there is
// something to edit and lay out around items.
constexpr const char* FirstText =
    "The first paragraph holds some words.\rA second one is longer and goes on for a while, long enough to "
    "wrap.\rThird.";

} // namespace

Session::Session(bool wordProcessor, const std::string& folder)
    : wordProcessor_(wordProcessor)
{
    (void)folder;
    kit::Application::sharedApplication().resetForTesting();
    kit::setCurrentEventModifierFlags(0);
    delegate_ = wordProcessor ? std::make_unique<Scrivly>() : std::make_unique<Layvane>();
    delegate_->setFont(textFont());
    Preferences* preferences = delegate_->preferences();
    preferences->setNewSmartPunctuation(false);
    // Small, so that each redraw costs little; at this zoom two pages and
    // more show at once.
    preferences->setWindowFrame(kit::makeRect(0, 0, 400, 520));
    preferences->setZoom(0.25f);
    document_ = delegate_->new_(false);
    view_ = document_->views().empty() ? nullptr : dynamic_cast<PageView*>(document_->views().front());
    delegate_->setMainPageView(view_);
    document_->setShowGuides(true);
    if (!wordProcessor) {
        // A chain of two columns on the first two pages of three.
        document_->addPages(2, 1);
        auto first = std::make_shared<TextItem>();
        auto second = std::make_shared<TextItem>();
        first->setFrame(kit::makeRect(72, 72, 300, 120), false);
        second->setFrame(kit::makeRect(72, 72, 300, 120), false);
        document_->pageAt(0)->addItems(first, false);
        document_->pageAt(1)->addItems(second, false);
        first->joinColumn(second.get());
        TextFlow* flow = first->flow();
        while (flow->paragraphCount() > 1)
            flow->removeParagraph(flow->lastParagraph());
        flow->setCurrentParagraph(flow->firstParagraph());
        mainFlow_ = first->sharedFlow();
    } else if (TextItem* column = document_->mainTextItemForPage(document_->pageAt(0))) {
        mainFlow_ = column->sharedFlow();
    }
    if (TextFlow* flow = mainFlow()) {
        giveFont(flow);
        for (const char* c = FirstText; *c; ++c)
            flow->currentParagraph()->addByte(static_cast<unsigned char>(*c));
        flow->recomputeAll();
    }
    document_->calcPageRectsFor(1);
    document_->notifyDocumentDidChangeSize();
    view_->endEditingIfNeeded();
    completeLayout();
    if (UndoInfo* undo = document_->undoInfo())
        undo->empty();
    document_->setEdited(false);
    show(document_->pageAt(0));
    window().displayIfNeeded();
}

Session::~Session()
{
    delegate_.reset();
    kit::Application::sharedApplication().resetForTesting();
}

kit::Window& Session::window() const { return *view_->window(); }

TextItem* Session::mainColumn() const
{
    const TextFlow* flow = mainFlow();
    if (!flow)
        return nullptr;
    std::function<TextItem*(Item*)> find = [&](Item* item) -> TextItem* {
        if (auto* column = dynamic_cast<TextItem*>(item); column && column->flow() == flow)
            return column;
        if (auto* group = dynamic_cast<ItemGroup*>(item))
            for (const auto& member : group->items())
                if (TextItem* found = find(member.get()))
                    return found;
        return nullptr;
    };
    for (const auto& page : document_->pages())
        for (const auto& item : page->pageItems())
            if (TextItem* found = find(item.get()))
                return found;
    return nullptr;
}

void Session::show(Page* page)
{
    if (page)
        view_->scrollRectToVisible(view_->scrollRectForPage(page));
}

kit::Point Session::inWindow(const Page* page, kit::Point point) const
{
    if (page)
        page->convertToView(&point);
    return view_->convertPointToView(point, nullptr);
}

kit::Event Session::mouse(int type, kit::Point at, unsigned flags, int clicks) const
{
    return kit::Event::mouseEventWithType(static_cast<kit::EventType>(type), at, flags, kit::Clock::now(),
                                          window().windowNumber(), clicks);
}

void Session::press(At down, const std::vector<At>& path, unsigned flags, int clicks)
{
    kit::Application& app = kit::Application::sharedApplication();
    kit::Point last = inWindow(down.page, down.point);
    for (const At& at : path) {
        last = inWindow(at.page, at.point);
        app.postEvent(mouse(int(kit::EventType::LeftMouseDragged), last, flags, clicks), false);
    }
    app.postEvent(mouse(int(kit::EventType::LeftMouseUp), last, flags, clicks), false);
    kit::setCurrentEventModifierFlags(flags);
    view_->mouseDown(mouse(int(kit::EventType::LeftMouseDown), inWindow(down.page, down.point), flags, clicks));
    kit::setCurrentEventModifierFlags(0);
    app.discardEventsMatchingMask(kit::LeftMouseUpMask | kit::LeftMouseDraggedMask | kit::MouseMovedMask, nullptr);
    window().displayIfNeeded();
}

void Session::key(std::u16string characters, unsigned flags)
{
    const kit::Event down = kit::Event::keyEventWithType(kit::EventType::KeyDown, {}, flags, kit::Clock::now(),
                                                         window().windowNumber(), characters, characters, false);
    kit::setCurrentEventModifierFlags(flags);
    view_->keyDown(down);
    kit::setCurrentEventModifierFlags(0);
    kit::Application::sharedApplication().discardEventsMatchingMask(kit::KeyDownMask | kit::KeyUpMask, nullptr);
}

void Session::endEditing()
{
    view_->endEditingIfNeeded();
    window().displayIfNeeded();
}

bool Session::edit(const TextEdit& edit)
{
    TextItem* column = mainColumn();
    if (!column)
        return false;
    TextFlow* flow = mainFlow();
    if (!(view_->isEditing() && document_->activeTextFlow() == flow)) {
        // A click into the text: the word processor edits where it is
        // clicked, the page-layout document on a double click. An item
        // over the text may take the click: the column is opened then.
        if (Page* page = column->page()) {
            show(page);
            const kit::Rect frame = column->frame();
            const kit::Point middle = kit::makePoint(kit::midX(frame), kit::midY(frame));
            press({page, middle}, {}, 0, wordProcessor_ ? 1 : 2);
        }
        if (!(view_->isEditing() && document_->activeTextFlow() == flow)) {
            view_->endEditingIfNeeded();
            column->beginEditing(nullptr, view_);
        }
        if (!(view_->isEditing() && document_->activeTextFlow() == flow))
            return false;
    }
    TextItem* edited = document_->activeTextItem();
    if (TextPointCmp(&edit.from, &edit.to) == 0) {
        // The caret alone, as a click leaves it.
        flow->removeSelectionInViews(view_);
        flow->setCurrentPoint(&edit.from);
    } else {
        flow->drawAndSetSelectionType(SelectionChar, &edit.from, &edit.to, false, view_, 0);
    }
    switch (edit.kind) {
    case TextEdit::Keys:
        for (char16_t c : edit.keys) {
            // A key that took the caret's page away may end the editing
            // (a known fault of its own): the user clicks back into the
            // text, and the caret stays where it was.
            if (!(view_->isEditing() && document_->activeTextFlow() == flow))
                if (TextItem* again = mainColumn())
                    view_->beginEditingItem(again);
            key(std::u16string(1, c));
        }
        break;
    case TextEdit::Header:
    case TextEdit::Footer: {
        TaggedSender sender(edit.tag);
        if (edit.kind == TextEdit::Header)
            (void)edited->insertHeader(&sender, view_);
        else
            (void)edited->insertFooter(&sender, view_);
        break;
    }
    case TextEdit::PageBreak:
        edited->insertPageBreak(nullptr, view_);
        break;
    }
    window().displayIfNeeded();
    return true;
}

void Session::completeLayout()
{
    // A flow's layout may add or take pages, and with them columns and
    // flows: again until nothing waits.
    for (int round = 0; round < 8; ++round) {
        bool pending = false;
        for (TextFlow* flow : document_->flows())
            if (flow->hasPendingLayout()) {
                flow->completeLayout();
                pending = true;
            }
        if (!pending)
            break;
    }
    window().displayIfNeeded();
}

} // namespace viewsequence
