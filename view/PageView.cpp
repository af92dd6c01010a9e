#include "view/PageView.h"
#include "view/PageScrollView.h"

#include "appkit/Event.h"
#include "appkit/MenuItem.h"
#include "core/Exception.h"
#include "core/Unarchiver.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "foundation/CMGeometry.h"
#include "foundation/StyleInfo.h"
#include "foundation/StyleParagraph.h"
#include "foundation/StyleParagraphNamed.h"
#include "graphics/DrawContext.h"
#include "items/Item.h"
#include "items/TextItem.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextSelection.h"

PageView::PageView(const kit::Rect& frameRect)
    : kit::View(frameRect)
{
    setAction("windowShouldClose:",
              [this](kit::Object* window) -> kit::Object* { return windowShouldClose(window) ? this : nullptr; });
    setAction("printDocument:", [this](kit::Object* sender) -> kit::Object* {
        printDocument(sender);
        return nullptr;
    });
    for (const auto& [name, operation] :
         std::initializer_list<std::pair<const char*, void (PageView::*)(kit::Object*)>>{
             {"windowDidBecomeKey:", &PageView::windowDidBecomeKey},
             {"windowDidResignKey:", &PageView::windowDidResignKey},
             {"windowDidBecomeMain:", &PageView::windowDidBecomeMain},
             {"windowWillMiniaturize:", &PageView::windowWillMiniaturize},
             {"windowDidResize:", &PageView::windowDidResize}})
        setAction(name, [this, operation = operation](kit::Object* notification) -> kit::Object* {
            (this->*operation)(notification);
            return nullptr;
        });
    registerCanvasActions();
    registerTextActions();
    setAction("drawCursor:", [this](kit::Object* sender) -> kit::Object* {
        drawCursor(sender);
        return nullptr;
    });
}

PageView::~PageView()
{
    // Who keeps this view as the main one reads nil from here on.
    expireWeakLinks();
    // The window's tracking rectangle holds the view weakly; a blink still
    // pending must not reach it.
    cancelPreviousPerformRequestsWithTarget(this);
}

void PageView::highlight(Page* page, bool flag)
{
    if (flag)
        highlighted_ = page;
    else if (highlighted_ == page)
        highlighted_.reset();
    // The page draws its frame as the document's active page: its edges
    // repaint, to show the frame or take it away.
    if (page)
        page->highlight(flag, this);
}

void PageView::notifyUpdatePageStatus()
{
    if (PageScrollView* scroll = pageScrollView())
        scroll->notifyUpdatePageStatus();
}

PageScrollView* PageView::pageScrollView() const
{
    return dynamic_cast<PageScrollView*>(enclosingScrollView());
}

bool PageView::rulersAreVisible() const
{
    const PageScrollView* scroll = pageScrollView();
    return scroll && scroll->rulerIsVisible();
}

bool PageView::infoBarIsVisible() const
{
    const PageScrollView* scroll = pageScrollView();
    return scroll && scroll->infoBarIsVisible();
}

void PageView::lockFocus(kit::DrawContext& context)
{
    Item::resetAll(context);
    CMZoomStatus = zoom_;
    CMShowGraphics = !document_ || document_->showGraphics() ? 1.0f : 0.0f;
}

void PageView::lockFocus()
{
    kit::View::lockFocus();
    if (kit::DrawContext* context = kit::DrawContext::current())
        lockFocus(*context);
}

kit::Point PageView::locationInView(const kit::Event& event) const
{
    return convertPointFromView(event.locationInWindow(), nullptr);
}

