// The colour side of the find panel: items of the pages whose fill or line
// has a colour, found one at a time and recoloured through the colour edits.

#include "panels/PanelFind.h"

#include "core/Alert.h"
#include "core/Color.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "document/Undo.h"
#include "document/UndoComposite.h"
#include "document/UndoInfo.h"
#include "foundation/StyleGraphic.h"
#include "items/Item.h"
#include "items/ItemArray.h"
#include "view/PageView.h"

#include <algorithm>

namespace {

bool sameColor(const kit::ColorRef& a, const kit::ColorRef& b) { return a && b && a->isEqual(*b); }

bool fillMatches(const Item& item, const kit::ColorRef& color)
{
    const StyleGraphic* style = item.graphicStyle();
    return item.hasFill() && style && sameColor(style->fillColor(), color);
}

bool lineMatches(const Item& item, const kit::ColorRef& color)
{
    const StyleGraphic* style = item.graphicStyle();
    return item.hasLine() && style && sameColor(style->lineColor(), color);
}

// Recolours the items whose fill or line has the old colour as one undoable
// edit; answers the number of items changed.
int recolor(LayoutDocument* document, PageView* view, const std::vector<Item*>& items, const kit::ColorRef& oldColor,
            const kit::ColorRef& newColor)
{
    std::vector<Item*> fills, lines;
    for (Item* item : items) {
        if (!item || item->isLocked())
            continue;
        if (fillMatches(*item, oldColor))
            fills.push_back(item);
        if (lineMatches(*item, oldColor))
            lines.push_back(item);
    }
    if (fills.empty() && lines.empty())
        return 0;
    std::vector<std::unique_ptr<Undo>> records;
    if (!fills.empty())
        records.push_back(modifyColor(fills, newColor, Undo::FillColorSet, true));
    if (!lines.empty())
        records.push_back(modifyColor(lines, newColor, Undo::LineColorSet, true));
    std::erase(records, nullptr);
    if (std::unique_ptr<Undo> record = UndoComposite::combined(std::move(records)))
        if (UndoInfo* undo = document->undoInfo())
            undo->push(std::move(record));
    document->setEdited(true);
    std::vector<Item*> changed = fills;
    for (Item* item : lines)
        if (std::find(fills.begin(), fills.end(), item) == fills.end())
            changed.push_back(item);
    std::vector<kit::Object*> shown(changed.begin(), changed.end());
    document->notifyUpdate(view, &shown);
    return int(changed.size());
}

} // namespace

Item* PanelFind::findColor(const kit::ColorRef& color, int direction, bool fromStart, bool display)
{
    PageView* view = mainPageView();
    LayoutDocument* document = view ? view->document() : nullptr;
    if (!document) {
        noTextPoint();
        return nullptr;
    }
    const auto& pages = document->pages();
    if (!color || pages.empty())
        return nullptr;
    const std::vector<Item*> selected = document->selected();
    int step = direction == 1 ? 1 : -1;
    int pageIndex = 0;
    int index = -1; // the scan tests the item after this one
    if (!selected.empty() && !fromStart) {
        const auto active = std::find_if(pages.begin(), pages.end(),
                                         [&](const auto& page) { return page.get() == document->activePage(); });
        pageIndex = active == pages.end() ? 0 : int(active - pages.begin());
        const auto& items = pages[std::size_t(pageIndex)]->pageItems();
        const int count = int(items.size());
        // After the last unlocked selected item (before the first going back).
        index = step > 0 ? -1 : count;
        bool any = false;
        for (int i = 0; i < count; ++i) {
            const Item* item = items[std::size_t(i)].get();
            if (item->isLocked() || std::find(selected.begin(), selected.end(), item) == selected.end())
                continue;
            if (step > 0 || !any)
                index = i;
            any = true;
        }
    } else {
        step = 1;
    }
    for (;;) {
        index += step;
        const auto& items = pages[std::size_t(pageIndex)]->pageItems();
        if (index < 0 || index >= int(items.size())) {
            pageIndex += step;
            if (pageIndex < 0 || pageIndex >= int(pages.size()))
                return nullptr; // no wrapping
            const int count = int(pages[std::size_t(pageIndex)]->pageItems().size());
            index = step > 0 ? -1 : count;
            continue;
        }
        Item* item = items[std::size_t(index)].get();
        if (!fillMatches(*item, color) && !lineMatches(*item, color))
            continue;
        Page* page = pages[std::size_t(pageIndex)].get();
        document->setActivePage(page);
        document->setSelection({item}, view);
        if (display)
            view->showPage(page);
        return item;
    }
}

void PanelFind::replaceColor(const kit::ColorRef& oldColor, const kit::ColorRef& newColor, bool display)
{
    PageView* view = mainPageView();
    LayoutDocument* document = view ? view->document() : nullptr;
    if (!document || !oldColor || !newColor)
        return;
    (void)recolor(document, display ? view : nullptr, document->selected(), oldColor, newColor);
}

int PanelFind::replaceAllColors(const kit::ColorRef& oldColor, const kit::ColorRef& newColor)
{
    PageView* view = mainPageView();
    LayoutDocument* document = view ? view->document() : nullptr;
    if (!document) {
        noTextPoint();
        return 0;
    }
    // Each item of each page once, first page to last; locked ones are
    // passed over.
    std::vector<Item*> items;
    for (const auto& page : document->pages())
        for (const auto& item : page->pageItems())
            items.push_back(item.get());
    const int changed = oldColor && newColor ? recolor(document, view, items, oldColor, newColor) : 0;
    if (changed == 0)
        kit::beep();
    return changed;
}
