// The page view as its window's delegate, the document window that
// "Page.nib" builds, and where a view scrolls to show a page.

#include "view/PageView.h"

#include "appkit/Box.h"
#include "appkit/ButtonCell.h"
#include "appkit/CellMatrix.h"
#include "appkit/MenuItem.h"
#include "appkit/NibLoader.h"
#include "appkit/PopUpButton.h"
#include "appkit/TextField.h"
#include "foundation/ApplicationDelegate.h"
#include "view/PageScrollView.h"
#include "view/PageWindowServices.h"
#include "appkit/ScrollView.h"
#include "appkit/Window.h"
#include "document/DocumentDelegate.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "foundation/PboardTypes.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace {

std::string text(const char* key) { return Main ? Main->valueForStringKey(key) : std::string(key); }

std::unique_ptr<kit::PopUpButton> popup(float width, const std::vector<std::pair<std::string, int>>& items)
{
    auto button = std::make_unique<kit::PopUpButton>(kit::makeRect(0, 0, width, kit::ScrollView::scrollerWidth()));
    for (const auto& [title, tag] : items)
        if (kit::MenuItem* item = button->addItemWithTitle(title))
            item->setTag(tag);
    button->selectItemAtIndex(0);
    return button;
}

// The window of a document: its scroll view with the page view, the page
// buttons, the page box and the four popups.
bool buildPageWindow(kit::NibLoad& load)
{
    const kit::Rect content = kit::makeRect(100, 100, 640, 720);
    auto window = std::make_unique<kit::Window>(content, kit::TitledWindowMask | kit::ClosableWindowMask |
                                                             kit::MiniaturizableWindowMask | kit::ResizableWindowMask);
    auto scroll = std::make_unique<PageScrollView>(kit::makeRect(0, 0, 640, 720));
    scroll->setAutoresizingMask(kit::ViewWidthSizable | kit::ViewHeightSizable);
    const float bar = kit::ScrollView::scrollerWidth();

    auto buttons = std::make_unique<kit::CellMatrix>(kit::makeRect(0, 0, bar, 2 * bar), kit::MatrixMode::Track);
    buttons->setCellSize(kit::makeSize(bar, bar));
    buttons->setIntercellSpacing(kit::makeSize(0, 0));
    buttons->renewRows(2, 1);
    const char* arrows[] = {"\u25B2", "\u25BC"};
    for (int row = 0; row < 2; ++row) {
        auto cell = std::make_unique<kit::ButtonCell>(arrows[row]);
        cell->setTag(row == 0 ? -1 : 1);
        buttons->putCell(std::move(cell), row, 0);
    }
    scroll->setPageButtons(std::move(buttons));

    auto box = std::make_unique<kit::Box>(kit::makeRect(0, 0, 76, bar), "");
    box->setTitlePosition(kit::BoxTitlePosition::NoTitle);
    box->setBorderType(kit::BorderType::NoBorder);
    box->setContentViewMargins(kit::makeSize(0, 0));
    auto number = std::make_unique<kit::TextField>(kit::makeRect(0, 0, 40, bar), "0");
    number->setEditable(true);
    auto count = std::make_unique<kit::TextField>(kit::makeRect(42, 0, 34, bar), "0");
    count->setEditable(false);
    count->setBezeled(false);
    count->setDrawsBackground(false);
    kit::TextField* numberField = number.get();
    kit::TextField* countField = count.get();
    box->contentView()->addSubview(std::move(number));
    box->contentView()->addSubview(std::move(count));
    scroll->setPageBox(std::move(box));
    scroll->setPageNumberField(numberField);
    scroll->setPageCountField(countField);

    scroll->setLayerPopup(popup(60, {{text("LayerPages"), 1}, {text("LayerMaster"), 0}}));
    scroll->setVisiblePopup(popup(70, {{text("VisibleAll"), 0}, {text("VisibleLayer"), 1}}));
    auto zoom = popup(60, {{"10%", 0}, {"25%", 0}, {"50%", 0}, {"75%", 0}, {"100%", 0}, {"150%", 0},
                           {"200%", 0}, {"400%", 0}, {"800%", 0}, {"1600%", 0}, {text("ZoomOther"), -1}});
    // The last entry asks for any zoom in the zoom panel.
    if (kit::MenuItem* other = zoom->itemAtIndex(zoom->numberOfItems() - 1)) {
        other->setTarget(scroll.get());
        other->setAction("zoom:");
    }
    zoom->selectItemWithTitle("100%");
    scroll->setZoomPopup(std::move(zoom));
    scroll->setUnitsPopup(
        popup(86, {{text("Picas"), 0}, {text("Points"), 1}, {text("Inches"), 2}, {text("Centimeters"), 3}}));

    PageScrollView* view = scroll.get();
    window->setContentView(std::move(scroll));
    view->tile();
    load.addTopLevelObject(std::move(window));
    return load.connectOutlet("lastLoadedScrollView", view);
}

} // namespace

void PageView::initialize()
{
    PageScrollView::initialize();
    kit::NibLoader::registerNib("Page.nib", buildPageWindow);
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
    PageWindowServices* services = PageWindowServices::shared();
    kit::Window* win = window();
    if (!services || !win || !document_)
        return;
    // Without a picture the window keeps the icon it has.
    if (kit::Image* image = document_->isEdited() ? services->miniwindowImageH() : services->miniwindowImage())
        win->setMiniwindowImage(image);
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
