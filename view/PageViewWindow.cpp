// The page view as its window's delegate, the document window that
// "Page.nib" builds, and where a view scrolls to show a page.

#include "view/PageView.h"

#include "appkit/NibLoader.h"
#include "appkit/ScrollView.h"
#include "appkit/Window.h"
#include "document/DocumentDelegate.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "foundation/PboardTypes.h"

#include <algorithm>

void PageView::initialize()
{
    kit::NibLoader::registerNib("Page.nib", [](kit::NibLoad& load) {
        const kit::Rect content = kit::makeRect(100, 100, 640, 720);
        auto window = std::make_unique<kit::Window>(content, kit::TitledWindowMask | kit::ClosableWindowMask |
                                                                 kit::MiniaturizableWindowMask |
                                                                 kit::ResizableWindowMask);
        auto scroll = std::make_unique<kit::ScrollView>(kit::makeRect(0, 0, 640, 720));
        scroll->setHasVerticalScroller(true);
        scroll->setHasHorizontalScroller(true);
        scroll->setAutoresizingMask(kit::ViewWidthSizable | kit::ViewHeightSizable);
        scroll->setDocumentView(std::make_unique<PageView>(kit::makeRect(0, 0, 640, 720)));
        kit::ScrollView* view = scroll.get();
        window->setContentView(std::move(scroll));
        load.addTopLevelObject(std::move(window));
        return load.connectOutlet("lastLoadedScrollView", view);
    });
    // The page view's actions are known by name before any window opens
    // (a key map read at launch names them).
    const PageView names;
    (void)names;
}

void PageView::setWindowTitle(std::string title)
{
    windowTitle_ = std::move(title);
    if (kit::Window* w = window())
        w->setTitle(windowTitle_);
}

void PageView::registerWindow()
{
    if (kit::Window* w = window())
        w->setDelegate(this);
    // A read-only document takes no drops.
    if (document_ && document_->isReadOnly())
        unregisterDraggedTypes();
    else
        registerForDraggedTypes(getPastePboardTypes());
}

bool PageView::windowShouldClose(kit::Object* closing)
{
    LayoutDocument* document = document_;
    if (!document)
        return true;
    kit::Window* own = window();
    DocumentView* main = delegateMainView();
    if (!document->removeView(this))
        return false;
    // The document may be gone now.
    document_ = nullptr;
    if (main && main->window() == own && own == closing)
        setDelegateMainView(nullptr);
    return true;
}


void PageView::windowDidBecomeKey(kit::Object* notification)
{
    (void)notification;
    setTrackingRect();
    setDelegateMainView(this);
    if (cursorShown_)
        refreshCaretArea(cursorRect_);
}

void PageView::windowDidResignKey(kit::Object* notification)
{
    (void)notification;
    discardTrackingRect();
    // Otherwise the caret would stay up until its next blink.
    if (cursorShown_)
        refreshCaretArea(cursorRect_);
}

void PageView::windowDidBecomeMain(kit::Object* notification)
{
    (void)notification;
    setDelegateMainView(this);
}

void PageView::windowWillMiniaturize(kit::Object* notification)
{
    (void)notification;
    if (delegateMainView() == this)
        setDelegateMainView(nullptr);
}

kit::Size PageView::windowWillResize(kit::Object* sender, kit::Size proposedFrameSize)
{
    (void)sender;
    return kit::makeSize(std::max(proposedFrameSize.width, MinWindowWidth),
                         std::max(proposedFrameSize.height, MinWindowHeight));
}

void PageView::windowDidResize(kit::Object* notification)
{
    (void)notification;
    if (!document_)
        return;
    document_->calcPageRectsFor(1);
    document_->notifyDocumentDidChangeSize();
}
