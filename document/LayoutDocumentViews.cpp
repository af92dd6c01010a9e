// The document's page views and their windows: making a view from
// "Page.nib", placing and titling its window, the list of views and the
// main one, and closing the windows when the document closes.
//
// The document owns the windows of its views. A window that closes may be
// the one whose event is being handled, so the windows of a closed document
// are freed only once the run loop comes back, never while a window is
// still on the stack.

#include "document/LayoutDocument.h"

#include "appkit/NibLoader.h"
#include "appkit/Receiver.h"
#include "appkit/RunLoop.h"
#include "appkit/ScrollView.h"
#include "appkit/View.h"
#include "appkit/Window.h"
#include "core/Alert.h"
#include "core/Exception.h"
#include "core/MainQueue.h"
#include "document/DocumentDelegate.h"
#include "document/DocumentWindowView.h"
#include "document/Page.h"
#include "document/UndoInfo.h"
#include "foundation/Preferences.h"
#include "items/TextItem.h"
#include "text/DocumentView.h"
#include "text/TextFlow.h"

#include <algorithm>
#include <cmath>

namespace {

float& viewOffset()
{
    static float offset = 0.0f;
    return offset;
}

// After the current event, when no window is on the stack any more.
void releaseWindowsLater(std::vector<std::unique_ptr<kit::Object>> windows)
{
    if (windows.empty())
        return;
    auto held = std::make_shared<std::vector<std::unique_ptr<kit::Object>>>(std::move(windows));
    kit::MainQueue::post([held] { held->clear(); });
}

bool contains(const kit::Rect& outer, const kit::Rect& inner)
{
    return kit::minX(inner) >= kit::minX(outer) && kit::minY(inner) >= kit::minY(outer) &&
           kit::maxX(inner) <= kit::maxX(outer) && kit::maxY(inner) <= kit::maxY(outer);
}

} // namespace

bool validView(const LayoutDocument* document, const DocumentView* view)
{
    if (!document || !view)
        return false;
    const auto& views = document->views();
    return std::find(views.begin(), views.end(), view) != views.end();
}

void convertVisibleRectToVisiblePage(const Page* page, kit::Rect* rect)
{
    if (!page || !rect)
        return;
    rect->origin.x -= page->pageRect().origin.x;
    rect->origin.y -= page->pageRect().origin.y;
}

void getScrollRectForInitialPageRect(const kit::Rect& pageRect, kit::Rect* rect)
{
    if (!rect)
        return;
    rect->origin.x = pageRect.origin.x - (rect->size.width - pageRect.size.width) / 2.0f;
    rect->origin.y = pageRect.origin.y - 5.0f;
}

kit::Point getWindowPosition(const kit::Rect& frame, int n)
{
    const int k = n % 5;
    const int r = (n / 5) % 2;
    return kit::makePoint(kit::minX(frame) + 22.0f * float(k) - 22.0f * float(r),
                          kit::minY(frame) + frame.size.height - 24.0f * float(k) - 24.0f * float(r));
}

void LayoutDocument::initializeViews()
{
    const kit::Rect content = kit::makeRect(0, 0, 200, 200);
    viewOffset() = kit::Window::frameRectForContentRect(content, kit::TitledWindowMask).size.height - 200.0f;
}

float LayoutDocument::newViewOffset() { return viewOffset(); }

bool LayoutDocument::setOutlet(const std::string& name, kit::Object* object)
{
    if (name != "lastLoadedScrollView")
        return false;
    lastLoadedScrollView_ = dynamic_cast<kit::ScrollView*>(object);
    return true;
}

void LayoutDocument::firstViewPlace(float* zoom, kit::Rect* frame) const
{
    const DocumentView* first = views_.empty() ? nullptr : views_.front();
    if (!first)
        return;
    *zoom = first->zoom();
    if (const kit::Window* window = first->window())
        *frame = window->frame();
}

DocumentView* LayoutDocument::newView(DocumentView* model, int number, bool show)
{
    const bool alreadyLoaded = lastLoadedScrollView_ != nullptr;
    if (!alreadyLoaded) {
        std::vector<std::unique_ptr<kit::Object>> made;
        if (!kit::NibLoader::loadNibFile("Page.nib", this, &made) || !lastLoadedScrollView_)
            return nullptr;
        for (auto& object : made)
            windows_.push_back(std::move(object));
    }
    kit::ScrollView* scroll = lastLoadedScrollView_;
    lastLoadedScrollView_ = nullptr;
    scroll->tile();
    kit::View* shown = scroll->documentView();
    auto* view = dynamic_cast<DocumentView*>(shown);
    auto* placed = dynamic_cast<DocumentWindowView*>(shown);
    kit::Window* window = scroll->window();
    if (!view || !placed || !window)
        return nullptr;
    addView(view);
    window->disableFlushWindow();
    shown->setFrameSize(canvasSize());

    if (model && model->window()) {
        kit::Rect frame = model->window()->frame();
        frame.origin.x += newViewOffset();
        frame.origin.y -= newViewOffset();
        window->setFrame(frame, false);
        placed->setZoom(model->zoom());
        view->scrollRectToVisible(model->visibleRect());
        // The new window's frame shows what the model's shows.
        model->endEditingIfNeeded();
        view->notifyUpdateUnits();
        if (const auto* shown = dynamic_cast<const DocumentWindowView*>(model)) {
            if (shown->rulersAreVisible())
                scroll->performSelector("toggleRulers:", nullptr);
            if (shown->infoBarIsVisible())
                scroll->performSelector("toggleInfoBar:", nullptr);
        }
    } else {
        const kit::Rect screen = kit::Window::mainScreenFrame();
        const Preferences* preferences = documentPreferences();
        kit::Rect frame = storedWindowFrame_;
        float zoom = storedZoom_;
        // A frame the document was not shown with, or one that would not be
        // on this screen, gives way to the preferences' frame, cascaded.
        const bool usable = frame.size.width >= 36.0f && frame.size.height >= 36.0f && contains(screen, frame);
        if (!usable || !hasStoredPlace_) {
            frame = preferences ? preferences->windowFrame() : kit::Rect{};
            if (!contains(screen, frame) || frame.size.width < 36.0f || frame.size.height < 36.0f)
                frame = window->frame();
            if (frame.size.height > screen.size.height - 24.0f)
                frame.size.height = screen.size.height - 24.0f;
            DocumentDelegate* delegate = documentDelegate();
            const int open = delegate ? static_cast<int>(delegate->documents().size()) : 0;
            const kit::Point topLeft = getWindowPosition(frame, open);
            frame.origin = kit::makePoint(topLeft.x, topLeft.y - frame.size.height);
            if (!hasStoredPlace_ && preferences && preferences->zoom() > 0.0f)
                zoom = preferences->zoom();
        }
        window->setFrame(frame, false);
        placed->setZoom(zoom);
        if (preferences && preferences->rulers())
            scroll->performSelector("toggleRulers:", nullptr);
    }

    window->setDocumentEdited(isEdited());
    window->enableFlushWindow();
    setDelegateMainView(view);
    // What set-up laid out (an opened document's whole text) stands: a
    // second layout of every page would double the time of an open.
    for (TextFlow* flow : flows())
        if (!flow->isSettled())
            flow->recomputeAll();
    if (show) {
        window->display();
        window->makeKeyAndOrderFront(nullptr);
        window->makeFirstResponder(shown);
    } else {
        window->orderOut(nullptr);
    }
    placed->registerWindow();
    setActivePage(nullptr);
    placed->showPageNumber(number);
    return view;
}

void LayoutDocument::setReadOnly(bool flag)
{
    Document::setReadOnly(flag);
    for (DocumentView* view : std::vector<DocumentView*>(views_))
        if (auto* placed = dynamic_cast<DocumentWindowView*>(view))
            placed->registerWindow();
}

void LayoutDocument::addView(DocumentView* view)
{
    if (!view || std::find(views_.begin(), views_.end(), view) != views_.end())
        return;
    views_.push_back(view);
    view->setDocument(this);
    updateWindowTitles();
}

DocumentView* LayoutDocument::removeView(DocumentView* view)
{
    if (!view || !validView(this, view))
        return view;
    if (isDispatching()) {
        DocumentDelegate* delegate = documentDelegate();
        if (delegate && delegate->openingFile()) {
            const int answer = kit::runAlertPanel(documentString("Close"), documentString("CloseDuringLoad"),
                                                  documentString("OK"), documentString("Cancel"), "");
            if (answer == kit::AlertDefaultReturn)
                kit::Exception::raise("ClosedDuringImport", documentString("ClosedDuringImport"));
        }
        return nullptr;
    }
    view->endEditingIfNeeded();
    if (views_.size() == 1) {
        if (!shouldClose())
            return nullptr;
        detachView(view);
        closeAndFree(); // this document may be gone now
        return view;
    }
    detachView(view);
    return view;
}

void LayoutDocument::detachView(DocumentView* view)
{
    if (!std::erase(views_, view))
        return;
    if (activeView_ == view)
        activeView_ = mainView();
    view->highlight(view->highlightedPage(), false);
    updateWindowTitles();
}

DocumentView* LayoutDocument::mainView() const
{
    DocumentView* main = delegateMainView();
    if (main && validView(this, main))
        return main;
    return views_.empty() ? nullptr : views_.back();
}

void LayoutDocument::updateWindowTitles()
{
    if (views_.size() == 1) {
        views_.front()->setWindowTitle(labelViewInWindowTitle(0, false));
        return;
    }
    for (std::size_t i = 0; i < views_.size(); ++i)
        views_[i]->setWindowTitle(labelViewInWindowTitle(static_cast<int>(i), true));
}

void LayoutDocument::setFilename(const std::string& name)
{
    Document::setFilename(name);
    updateWindowTitles();
}

std::string LayoutDocument::labelViewInWindowTitle(int number, bool addOne) const
{
    std::string title = filename() + " * ";
    if (!fileFormat().empty())
        title += fileFormat();
    else
        title += isTemplate() ? templatePboardType() : documentPboardType();
    if (number != 0 || addOne)
        title += " * " + documentString("View") + " " +
                 std::to_string(static_cast<long long>(number) + (addOne ? 1 : 0));
    return title;
}

void LayoutDocument::setEdited(bool flag)
{
    // Told even when the mark stays: an edit after an undoable one is still
    // one that undo does not take back.
    if (undoInfo_)
        undoInfo_->documentMarkedEdited(flag);
    if (flag != isEdited())
        _forceSetEdited(flag);
}

void LayoutDocument::_forceSetEdited(bool flag)
{
    if (!hasViewList_)
        return;
    for (auto it = views_.rbegin(); it != views_.rend(); ++it)
        if (kit::Window* window = (*it)->window())
            window->setDocumentEdited(flag);
    Document::setEdited(flag);
}

void LayoutDocument::invalidateCursorRectsForViews()
{
    for (auto it = views_.rbegin(); it != views_.rend(); ++it)
        if (kit::Window* window = (*it)->window())
            if (auto* view = dynamic_cast<kit::View*>(*it))
                window->invalidateCursorRectsForView(view);
}

void LayoutDocument::closeViews(kit::Object* sender)
{
    // The list is copied: closing a window must not ask this document again.
    const std::vector<DocumentView*> views = std::move(views_);
    views_.clear();
    for (DocumentView* view : views) {
        view->endEditingIfNeeded();
        if (delegateMainView() == view)
            setDelegateMainView(nullptr);
        view->setDocument(nullptr);
        if (kit::Window* window = view->window()) {
            window->setDelegate(nullptr);
            window->performClose(sender);
        }
    }
}

Document* LayoutDocument::close(kit::Object* sender)
{
    DocumentView* main = delegateMainView();
    if (main) {
        main->endEditingIfNeeded();
        if (validView(this, main))
            setSelection({}, main);
    }
    if (isEdited())
        if (DocumentView* shown = mainView(); shown && shown->window())
            shown->window()->orderFront(nullptr);
    if (!shouldClose())
        return this;
    DocumentDelegate* delegate = documentDelegate();
    std::unique_ptr<LayoutDocument> self = delegate ? delegate->documentDidClose(this) : nullptr;
    closeViews(sender);
    self.reset(); // this document, when the list owned it
    return nullptr;
}

LayoutDocument* LayoutDocument::closeAndFree()
{
    DocumentDelegate* delegate = documentDelegate();
    std::unique_ptr<LayoutDocument> self = delegate ? delegate->documentDidClose(this) : nullptr;
    self.reset();
    return nullptr;
}

void LayoutDocument::delayedCloseAndFree()
{
    Document::setEdited(false);
    kit::WeakLink<LayoutDocument> document(this);
    kit::MainQueue::post([document] {
        if (LayoutDocument* d = document.get())
            d->close(d);
    });
}

Document* LayoutDocument::emergencyClose(kit::Object* sender)
{
    for (DocumentView* view : views_)
        if (kit::Window* window = view->window()) {
            window->setDelegate(nullptr);
            window->performClose(sender);
        }
    setDelegateMainView(nullptr);
    if (DocumentDelegate* delegate = documentDelegate()) {
        // The program is stopping and its caller still uses the document:
        // it goes only once the run loop comes back, if it ever does.
        std::shared_ptr<LayoutDocument> self = delegate->documentDidClose(this);
        if (self)
            kit::MainQueue::post([self] {});
    }
    return nullptr;
}

void LayoutDocument::withdrawDelayedRequests()
{
    for (std::shared_ptr<kit::Timer>* request : {&pageNumberRedraw_, &moveByAgain_})
        if (*request) {
            (*request)->invalidate();
            request->reset();
        }
    if (auto* column = dynamic_cast<kit::Receiver*>(activeTextItem()))
        kit::Receiver::cancelPreviousPerformRequestsWithTarget(column);
}

void LayoutDocument::dropViewsAndWindows()
{
    for (DocumentView* view : views_) {
        view->highlight(view->highlightedPage(), false);
        view->setDocument(nullptr);
    }
    views_.clear();
    releaseWindowsLater(std::move(windows_));
    windows_.clear();
}
