// The zoom commands of the document window (popup, panel, fit selection,
// shrink-wrap) and the units, layer and visibility popups.

#include "view/PageScrollView.h"

#include "appkit/Application.h"
#include "appkit/ClipView.h"
#include "appkit/Form.h"
#include "appkit/FormCell.h"
#include "appkit/MenuItem.h"
#include "appkit/PopUpButton.h"
#include "appkit/Window.h"
#include "core/Alert.h"
#include "document/LayoutDocument.h"
#include "foundation/ApplicationDelegate.h"
#include "foundation/UnitsInfo.h"
#include "items/Item.h"
#include "items/TextItem.h"
#include "view/PageView.h"
#include "view/PageWindowServices.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iostream>

namespace {

std::string stringFor(const char* key)
{
    return Main ? Main->valueForStringKey(key) : std::string(key);
}

void noSelection()
{
    kit::beep();
    kit::runAlertPanel(stringFor("Zoom"), stringFor("ZoomNoSelection"), stringFor("OK"), "", "");
}

std::string zoomTitle(float zoom)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.0f%%", double(zoom) * 100.0);
    return text;
}

// A percentage as typed or listed: digits, an optional "%", nothing else.
bool readPercent(const std::string& title, long* percent)
{
    const char* begin = title.c_str();
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(begin, &end, 10);
    if (end == begin || errno != 0)
        return false;
    while (*end == ' ')
        ++end;
    if (*end == '%')
        ++end;
    if (*end != '\0')
        return false;
    *percent = value;
    return true;
}

kit::Rect selectionRect(PageView* view)
{
    kit::Rect rect{};
    if (LayoutDocument* doc = view->document())
        view->getSelectedBounds(doc->selected(), &rect);
    return rect;
}

} // namespace

void PageScrollView::updateZoomPopup(float zoom)
{
    kit::PopUpButton* popup = zoomPopup_;
    if (!popup)
        return;
    const std::string title = zoomTitle(zoom);
    if (kit::MenuItem* item = popup->itemWithTitle(title)) {
        popup->selectItem(item);
        return;
    }
    for (int i = popup->numberOfItems() - 1; i >= 0; --i)
        if (popup->itemAtIndex(i)->tag() == CustomZoomTag) {
            popup->removeItemAtIndex(i);
            break;
        }
    int at = 0;
    for (int i = popup->numberOfItems() - 1; i >= 0; --i) {
        long percent = 0;
        // Entries that are no percentage ("Other...") are passed over.
        if (readPercent(popup->itemTitleAtIndex(i), &percent) && double(percent) / 100.0 <= double(zoom)) {
            at = i + 1;
            break;
        }
    }
    kit::MenuItem* item = popup->insertItemWithTitle(title, at);
    if (item) {
        item->setTag(CustomZoomTag);
        popup->selectItem(item);
    }
}

void PageScrollView::notifyUpdateZoomTitle()
{
    PageView* view = pageView();
    if (!view || !zoomPopup_)
        return;
    if (zoomPopup_->titleOfSelectedItem() != zoomTitle(view->zoom()))
        updateZoomPopup(view->zoom());
}

void PageScrollView::zoomAction(kit::Object* sender)
{
    auto* popup = dynamic_cast<kit::PopUpButton*>(sender);
    PageView* view = pageView();
    if (!popup || !view)
        return;
    long percent = 0;
    // A title that does not read as a percentage of the zoom range changes
    // nothing (it once gave a zoom of 0).
    if (!readPercent(popup->titleOfSelectedItem(), &percent) || percent < 10 || percent > 1600) {
        updateZoomPopup(view->zoom());
        return;
    }
    const float zoom = static_cast<float>(percent) / 100.0f;
    updateZoomPopup(zoom);
    view->zoomTo(zoom);
    tile();
    setNeedsDisplay(true);
    // A choice in the list may come between events: show it now.
    if (kit::Window* w = window())
        w->displayIfNeeded();
    const kit::Rect cursor = view->textCursorRect();
    LayoutDocument* doc = view->document();
    if (!doc || (cursor.size.width == 0 && cursor.size.height == 0 && cursor.origin.x == 0 && cursor.origin.y == 0))
        return;
    const std::vector<Item*> selected = doc->selected();
    if (selected.size() == 1 && dynamic_cast<TextItem*>(selected.front()) && view->isEditing())
        view->scrollRectToVisible(kit::insetRect(cursor, -10.0f, -10.0f));
}

void PageScrollView::zoom(kit::Object* sender)
{
    (void)sender;
    PageView* view = pageView();
    PageWindowServices* services = PageWindowServices::shared();
    auto* panel = dynamic_cast<kit::Window*>(services ? services->zoomPanel(true) : nullptr);
    if (!view || !panel || !panel->contentView())
        return;
    auto* buttons = dynamic_cast<kit::Control*>(panel->contentView()->viewWithTag(5));
    auto* form = dynamic_cast<kit::Form*>(panel->contentView()->viewWithTag(6));
    if (!form || !form->cellAtIndex(0))
        return;
    if (buttons) {
        buttons->setTarget(this);
        buttons->setAction("zButtonAction:");
    }
    form->cellAtIndex(0)->setStringValue(std::to_string(std::lround(double(view->zoom()) * 100.0)));
    form->selectText(nullptr);
    const int code = kit::Application::sharedApplication().runModalForWindow(panel);
    if (code != 1)
        return;
    const double zoom = double(form->cellAtIndex(0)->floatValue()) / 100.0;
    // Outside the zoom range (or no number at all) the typed value is
    // ignored without a word.
    if (!(zoom >= 0.1 - 1e-9 && zoom <= 16.0 + 1e-9))
        return;
    updateZoomPopup(static_cast<float>(zoom));
    view->zoomTo(static_cast<float>(zoom));
    tile();
    setNeedsDisplay(true);
}

void PageScrollView::zButtonAction(kit::Object* sender)
{
    auto* control = dynamic_cast<kit::Control*>(sender);
    const int tag = control ? control->selectedTag() : 0;
    if (tag == -1)
        return;
    kit::Application::sharedApplication().stopModalWithCode(tag != 0 ? 1 : 0);
    PageWindowServices* services = PageWindowServices::shared();
    if (auto* panel = dynamic_cast<kit::Window*>(services ? services->zoomPanel(false) : nullptr))
        panel->orderOut(nullptr);
}

void PageScrollView::fitSelection(kit::Object* sender)
{
    (void)sender;
    PageView* view = pageView();
    if (!view)
        return;
    const float zoom = view->zoom();
    kit::Rect sel = selectionRect(view);
    const kit::Rect visible = view->visibleRect();
    if (sel.size.width <= 0 || sel.size.height <= 0) {
        updateZoomPopup(zoom);
        noSelection();
        return;
    }
    sel = kit::insetRect(sel, -5.0f / zoom, -5.0f / zoom);
    double f = double(visible.size.width) / sel.size.width;
    f = std::min(f, double(visible.size.height) / sel.size.height);
    double fitted = std::floor(f * zoom * 100.0) / 100.0;
    // A hairline would zoom thousands of times: the zoom range holds.
    fitted = std::clamp(fitted, double(PageView::MinZoom), double(PageView::MaxZoom));
    const auto newZoom = static_cast<float>(fitted);
    const float w = visible.size.width * zoom / newZoom;
    const float h = visible.size.height * zoom / newZoom;
    const kit::Rect target = kit::insetRect(sel, (sel.size.width - w) / 2.0f, (sel.size.height - h) / 2.0f);
    updateZoomPopup(newZoom);
    view->zoomTo(newZoom, target);
    tile();
}

void PageScrollView::shrinkWrap(kit::Object* sender)
{
    (void)sender;
    PageView* view = pageView();
    kit::Window* w = window();
    if (!view || !w)
        return;
    const float zoom = view->zoom();
    kit::Rect sel = selectionRect(view);
    const kit::Rect visible = view->visibleRect();
    if (sel.size.width <= 0 || sel.size.height <= 0) {
        noSelection();
        updateZoomPopup(zoom);
        return;
    }
    if (sel.size.width > visible.size.width || sel.size.height > visible.size.height) {
        updateZoomPopup(zoom);
        return;
    }
    constexpr unsigned style = kit::ResizableWindowMask;
    const float extraW = hasVerticalScroller() ? scrollerWidth() : 0.0f;
    const float extraH = hasHorizontalScroller() ? scrollerWidth() : 0.0f;
    const kit::Rect content = w->contentRect();
    const auto frameFor = [&](const kit::Rect& r) {
        const kit::Rect grown = view->centerScanRect(kit::insetRect(r, -5.0f / zoom, -5.0f / zoom));
        const kit::Rect base = view->convertRectToView(grown, nullptr);
        // The scrollers sit left of and below the selection.
        const kit::Rect onScreen =
            kit::makeRect(content.origin.x + base.origin.x - extraW, content.origin.y + base.origin.y - extraH,
                          base.size.width + extraW, base.size.height + extraH);
        return kit::Window::frameRectForContentRect(onScreen, style);
    };
    kit::Rect frame = frameFor(sel);
    if (frame.size.width < 256.0f || frame.size.height < 140.0f) {
        const kit::Rect least = kit::Window::contentRectForFrameRect(kit::makeRect(0, 0, 256, 140), style);
        const float minW = (least.size.width - extraW) / zoom;
        const float minH = (least.size.height - extraH) / zoom;
        const float growW = sel.size.width + 10.0f / zoom < minW ? (minW - sel.size.width - 10.0f / zoom) / 2 : 0;
        const float growH = sel.size.height + 10.0f / zoom < minH ? (minH - sel.size.height - 10.0f / zoom) / 2 : 0;
        sel = kit::insetRect(sel, -growW, -growH);
        frame = frameFor(sel);
        frame.size.width = std::max(frame.size.width, 256.0f);
        frame.size.height = std::max(frame.size.height, 140.0f);
    }
    w->disableFlushWindow();
    w->setFrame(frame, true);
    view->scrollRectToVisible(sel);
    w->enableFlushWindow();
    w->flushWindow();
    updateZoomPopup(zoom);
}

// ---- Units, layer, visibility.

void PageScrollView::unitsAction(kit::Object* sender)
{
    auto* popup = dynamic_cast<kit::PopUpButton*>(sender);
    kit::MenuItem* item = popup ? popup->selectedItem() : nullptr;
    PageView* view = pageView();
    LayoutDocument* doc = view ? view->document() : nullptr;
    if (!item || item->tag() == -1 || !doc || !doc->unitsInfo())
        return;
    if (item->tag() == doc->unitsInfo()->units())
        return;
    doc->unitsInfo()->setUnits(item->tag());
    doc->notifyUpdateUnits(view);
}

void PageScrollView::layerAction(kit::Object* sender)
{
    auto* popup = dynamic_cast<kit::PopUpButton*>(sender);
    kit::MenuItem* item = popup ? popup->selectedItem() : nullptr;
    PageView* view = pageView();
    LayoutDocument* doc = view ? view->document() : nullptr;
    if (!item || !doc)
        return;
    int layer = 0;
    switch (item->tag()) {
    case 0: layer = 2; break;
    case 1: layer = 1; break;
    default:
        std::cerr << "you forgot to add cases to layerAction for layer popup\n";
        return;
    }
    if (doc->getEditingLayer() == layer)
        return;
    doc->setEditingLayer(layer);
    doc->setSelection({}, view);
    setNeedsDisplay(true);
    view->setNeedsDisplay(true);
}

void PageScrollView::setLayerValue(int value)
{
    if (layerPopup_)
        layerPopup_->setTitle(stringFor(value == 0 ? "LayerPages" : "LayerMaster"));
}

void PageScrollView::visibilityAction(kit::Object* sender)
{
    auto* popup = dynamic_cast<kit::PopUpButton*>(sender);
    kit::MenuItem* item = popup ? popup->selectedItem() : nullptr;
    PageView* view = pageView();
    LayoutDocument* doc = view ? view->document() : nullptr;
    if (!item || !doc)
        return;
    doc->setVisibilityOfElements(static_cast<short>(item->tag()));
    std::vector<Item*> kept;
    bool dropped = false;
    for (Item* selectedItem : doc->selected()) {
        const bool master = std::any_of(doc->masterItems().begin(), doc->masterItems().end(),
                                        [&](const auto& m) { return m.get() == selectedItem; });
        if (master)
            dropped = true;
        else
            kept.push_back(selectedItem);
    }
    if (dropped)
        doc->setSelection(kept, view);
    setNeedsDisplay(true);
    view->setNeedsDisplay(true);
}
