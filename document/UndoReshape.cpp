#include "document/UndoReshape.h"

#include "appkit/Application.h"
#include "appkit/Event.h"
#include "appkit/View.h"
#include "appkit/Window.h"
#include "core/Coder.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "document/UndoDetail.h"
#include "items/Item.h"
#include "items/ItemGroup.h"
#include "text/DocumentView.h"

#include <functional>

using namespace undo_detail;

UndoReshape::~UndoReshape() = default;

UndoReshape::PerformResizeHook& UndoReshape::performResizeHook()
{
    static PerformResizeHook hook;
    return hook;
}

void UndoReshape::setItem(Item* item, int knob, const kit::Point* point)
{
    item_ = item;
    knob_ = knob;
    if (point)
        point_ = *point;
}

void UndoReshape::setOldFrame(const kit::Rect& frame)
{
    frame_ = frame;
    hasFrame_ = true;
}

namespace {

// The frames of a group's members, at any depth, in order.
std::vector<std::pair<kit::WeakLink<Item>, kit::Rect>> memberFramesOf(Item* item)
{
    std::vector<std::pair<kit::WeakLink<Item>, kit::Rect>> frames;
    std::function<void(Item*)> visit = [&](Item* each) {
        if (auto* group = dynamic_cast<ItemGroup*>(each))
            for (const auto& member : group->items()) {
                frames.emplace_back(member.get(), member->frame());
                visit(member.get());
            }
    };
    visit(item);
    return frames;
}

} // namespace

void UndoReshape::keepMembers(Item* item)
{
    memberFrames_ = memberFramesOf(item);
    memberStyles_ = GraphicStyleSnapshot(item ? std::vector<Item*>{item} : std::vector<Item*>{},
                                         GraphicStyleSnapshot::GroupMembers);
}

void UndoReshape::undoInDocument(LayoutDocument* document)
{
    if (!document)
        return;
    if (Item* reshaped = item_.get(); undoType() == Reshaped && reshaped && hasFrame_) {
        // The frame itself: the drag replayed through the resize loop is
        // constrained again (proportions, the knobs of a flipped or turned
        // item) and lands elsewhere. The page's text is laid out around it
        // again.
        invalidateSelectionAndItems(document, items());
        activate(document, page());
        kit::Point at{};
        reshaped->getKnob(knob_, &at);
        const kit::Rect now = reshaped->frame();
        auto membersNow = memberFramesOf(reshaped);
        GraphicStyleSnapshot stylesNow({reshaped}, GraphicStyleSnapshot::GroupMembers);
        reshaped->setFrame(frame_, true);
        // A group scales its members on the way (a member may keep a least
        // size): each takes its own frame and style again.
        for (const auto& [link, frame] : memberFrames_)
            if (Item* member = link.get())
                member->setFrame(frame, true);
        memberStyles_.restore();
        frame_ = now;
        memberFrames_ = std::move(membersNow);
        memberStyles_ = std::move(stylesNow);
        point_ = at;
        const bool sameLayer = document->getEditingLayer() == getItemsEditingLayer();
        select(document, sameLayer ? items() : std::vector<Item*>{});
        document->setEdited(true);
        return;
    }
    if (document->views().empty())
        return;
    DocumentView* view = document->views().front();
    // The reshape is replayed as mouse events in the view's window.
    auto* platform = dynamic_cast<kit::View*>(view);
    invalidateSelectionAndItems(document, items());
    Page* onPage = page();
    activate(document, onPage);
    Item* reshaped = item_.get();
    const PerformResizeHook& resize = performResizeHook();
    if (undoType() == Reshaped && reshaped && onPage && resize && platform) {
        // Page coordinates to the window's.
        auto inWindow = [&](kit::Point p) {
            onPage->convertToView(&p);
            return platform->convertPointToView(p, nullptr);
        };
        kit::Point start{};
        reshaped->getKnob(knob_, &start);
        kit::Application& app = kit::Application::sharedApplication();
        const kit::Event* current = app.currentEvent();
        const double time = (current ? current->timestamp() : 0.0) + 1.0;
        const int window = view->window() ? view->window()->windowNumber() : 0;
        const kit::Event down =
            kit::Event::mouseEventWithType(kit::EventType::LeftMouseDown, inWindow(start), 0, time, window, 1, 0.0f);
        const kit::Point to = inWindow(point_);
        // At the front of the queue, the drag before the mouse-up.
        app.postEvent(kit::Event::mouseEventWithType(kit::EventType::LeftMouseUp, to, 0, time, window, 1, 0.0f), true);
        app.postEvent(kit::Event::mouseEventWithType(kit::EventType::LeftMouseDragged, to, 0, time, window, 1, 0.0f),
                      true);
        if (kit::Window* w = view->window())
            w->disableFlushWindow();
        platform->lockFocus();
        resize(*reshaped, &knob_, view, down);
        platform->unlockFocus();
        if (kit::Window* w = view->window())
            w->enableFlushWindow();
        point_ = start;
    }
    const bool sameLayer = document->getEditingLayer() == getItemsEditingLayer();
    select(document, sameLayer ? items() : std::vector<Item*>{});
    document->setEdited(true);
}

void UndoReshape::encodeWithCoder(kit::Coder& coder) const
{
    Undo::encodeWithCoder(coder);
    coder.encodeValuesOfObjCTypes("@i", static_cast<const kit::Object*>(item_.get()), knob_);
    coder.encodePoint(point_);
}

kit::Object* UndoReshape::initWithCoder(kit::Coder& coder)
{
    Undo::initWithCoder(coder);
    kit::Object* item = nullptr;
    coder.decodeValuesOfObjCTypes("@i", &item, &knob_);
    item_ = dynamic_cast<Item*>(item);
    point_ = coder.decodePoint();
    return this;
}
