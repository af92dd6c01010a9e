// The canvas as a drop target: what it takes, the frame that shows where a
// drop lands, and each kind of drop (files, pictures at the point, onto an
// item, a paragraph style onto a paragraph, a colour onto an item or text).

#include "view/PageView.h"

#include "appkit/Window.h"
#include "core/Alert.h"
#include "core/Archiver.h"
#include "core/Color.h"
#include "core/Exception.h"
#include "core/Pasteboard.h"
#include "core/Unarchiver.h"
#include "document/DocumentPanels.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "document/Undo.h"
#include "document/UndoInfo.h"
#include "foundation/PboardTypes.h"
#include "graphics/DrawContext.h"
#include "items/ItemArray.h"
#include "items/ItemBox.h"
#include "items/TextItem.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextSelection.h"

#include <algorithm>

namespace {

// The type of a drag: the first of the paste order that it offers.
std::string dragType(kit::DraggingInfo& info) { return getPasteType(info.draggingPasteboard().types()); }

bool isTextLike(const std::string& type)
{
    static const std::vector<std::string> types{
        LayvanePboardTypeTEXT,         GxDimensionsPboardType, GxGraphicsPboardType,  GxParagraphPboardType,
        kit::RTFPboardType,            kit::StringPboardType,  kit::TabularTextPboardType, kit::FontPboardType,
        kit::RulerPboardType,          kit::ColorPboardType,
    };
    return std::find(types.begin(), types.end(), type) != types.end();
}

// Link, then copy, then generic, among what the source allows.
int preferredOperation(int mask)
{
    if (mask & kit::DragOperationLink)
        return kit::DragOperationLink;
    if (mask & kit::DragOperationCopy)
        return kit::DragOperationCopy;
    if (mask & kit::DragOperationGeneric)
        return kit::DragOperationGeneric;
    return kit::DragOperationNone;
}

kit::Point relativeTo(const Item* item, kit::Point pagePoint)
{
    return kit::makePoint(pagePoint.x - item->frame().origin.x, pagePoint.y - item->frame().origin.y);
}

kit::Point inPage(const Page* page, kit::Point viewPoint)
{
    return page ? kit::makePoint(viewPoint.x - page->pageRect().origin.x, viewPoint.y - page->pageRect().origin.y)
                : viewPoint;
}

} // namespace

// Colours travel as one archived colour.
std::string PageViewColorData(const kit::ColorRef& color)
{
    kit::Archiver archiver;
    archiver.encodeColor(color);
    return archiver.data();
}

kit::ColorRef PageViewColorFromData(const std::string& data)
{
    try {
        kit::Unarchiver unarchiver(data);
        return unarchiver.decodeColor();
    } catch (const std::exception&) {
        return nullptr;
    }
}

int PageView::calcDragInfo(kit::DraggingInfo& info, kit::Rect* rect)
{
    *rect = kit::Rect{};
    if (!document_)
        return kit::DragOperationNone;
    const std::string type = dragType(info);
    if (type.empty())
        return kit::DragOperationNone;
    const kit::Point point = convertPointFromView(info.draggingLocation(), nullptr);
    Page* page = hitPageAt(point);
    Item* item = hitItemAt(point);
    const int operation = preferredOperation(info.draggingSourceOperationMask());
    if (!item) {
        if ((!page || type == LayvanePboardType) && !isTextLike(type))
            return kit::DragOperationNone;
        return operation;
    }
    kit::Rect found{};
    int answer = operation;
    if (type == GxParagraphPboardType) {
        auto* column = dynamic_cast<TextItem*>(item);
        if (!column || !column->flow())
            return kit::DragOperationNone;
        TextFlow* flow = column->flow();
        if (!flow->textSelection() || flow->textSelection()->isEmpty()) {
            const kit::Point local = relativeTo(column, inPage(page, point));
            if (TextParagraph* paragraph = flow->hitParagraphAtLoc(local, column, false))
                found = kit::offsetRect(paragraph->borderInItem(column), column->frame().origin.x,
                                        column->frame().origin.y);
        }
        answer = kit::DragOperationGeneric;
    } else if (type == kit::ColorPboardType) {
        return kit::DragOperationGeneric;
    } else if (auto* column = dynamic_cast<TextItem*>(item); column && editing_ && column->isEditing()) {
        found = column->frame();
    }
    if (page && !kit::isEmptyRect(found))
        *rect = kit::offsetRect(found, page->pageRect().origin.x, page->pageRect().origin.y);
    return answer;
}

void PageView::toggleDropHighlight(const kit::Rect& rect)
{
    if (rect.size.width == 0 || rect.size.height == 0)
        return;
    invalidateRect(kit::insetRect(rect, -2, -2));
    if (kit::Window* w = window())
        w->displayIfNeeded();
}

void PageView::drawDropHighlight(kit::DrawContext& context, const kit::Rect& rect) const
{
    if (dropRect_.size.width == 0 || dropRect_.size.height == 0 || !kit::intersectsRect(dropRect_, rect))
        return;
    context.gsave();
    context.setColor(*kit::Color::darkGrayColor());
    const kit::Rect inner = kit::insetRect(dropRect_, 2, 2);
    // A frame 2 points wide inside the rectangle.
    context.rectfill(kit::makeRect(dropRect_.origin.x, dropRect_.origin.y, dropRect_.size.width, 2));
    context.rectfill(kit::makeRect(dropRect_.origin.x, inner.origin.y + inner.size.height, dropRect_.size.width, 2));
    context.rectfill(kit::makeRect(dropRect_.origin.x, dropRect_.origin.y, 2, dropRect_.size.height));
    context.rectfill(kit::makeRect(inner.origin.x + inner.size.width, dropRect_.origin.y, 2, dropRect_.size.height));
    context.grestore();
}

int PageView::draggingEntered(kit::DraggingInfo& info)
{
    if (dragType(info).empty())
        return kit::DragOperationNone;
    kit::Rect rect{};
    const int operation = calcDragInfo(info, &rect);
    dropRect_ = rect;
    if (operation != kit::DragOperationNone)
        toggleDropHighlight(dropRect_);
    return operation;
}

int PageView::draggingUpdated(kit::DraggingInfo& info)
{
    kit::Rect rect{};
    const int operation = calcDragInfo(info, &rect);
    if (!kit::equalRects(rect, dropRect_)) {
        const kit::Rect old = dropRect_;
        dropRect_ = rect;
        toggleDropHighlight(old);
        toggleDropHighlight(dropRect_);
    }
    return operation;
}

void PageView::draggingExited(kit::DraggingInfo& info)
{
    (void)info;
    const kit::Rect old = dropRect_;
    dropRect_ = kit::Rect{};
    toggleDropHighlight(old);
}

bool PageView::prepareForDragOperation(kit::DraggingInfo& info)
{
    draggingExited(info);
    return true;
}

bool PageView::performDragOperation(kit::DraggingInfo& info)
{
    (void)info;
    return true;
}

void PageView::concludeDragOperation(kit::DraggingInfo& info)
{
    if (!document_)
        return;
    kit::Pasteboard& pboard = info.draggingPasteboard();
    const std::string type = dragType(info);
    const kit::Point point = convertPointFromView(info.draggingLocation(), nullptr);
    Page* page = hitPageAt(point);
    Item* item = hitItemAt(point);

    if (type == kit::FilenamesPboardType) {
        const std::optional<std::string> data = pboard.dataForType(type);
        const std::optional<std::vector<std::string>> paths =
            data ? kit::filenamesFromPropertyList(*data) : std::nullopt;
        if (!paths || paths->empty())
            return;
        if (page)
            document_->setActivePage(page);
        (void)_importFiles(*paths, (info.draggingSourceOperationMask() & kit::DragOperationLink) != 0, page, item,
                           true, inPage(page, point));
        return;
    }
    if (!item) {
        if (type != kit::PostScriptPboardType && type != kit::TIFFPboardType)
            return;
        if (page)
            document_->setActivePage(page);
        endEditingIfNeeded();
        if (auto* toolbar = DocumentPanels::shared().toolbar())
            toolbar->makeActiveTool(toolbar->selectTool());
        paste(pboard, false, point);
        return;
    }
    if (type == GxParagraphPboardType) {
        auto* column = dynamic_cast<TextItem*>(item);
        if (!column || !column->flow()) {
            kit::beep();
            return;
        }
        const bool wasEditing = editing_ && column->isEditing();
        if (!wasEditing)
            beginEditingItem(column);
        TextFlow* flow = column->flow();
        textPoint noted{};
        flow->getCurrentTextPoint(&noted);
        TextParagraph* paragraph = nullptr;
        if (!flow->textSelection() || flow->textSelection()->isEmpty()) {
            paragraph = flow->hitParagraphAtLoc(relativeTo(column, inPage(page, point)), column, false);
            if (paragraph) {
                const textPoint start{flow->indexOfParagraph(paragraph), 0, 0};
                flow->setCurrentPoint(&start);
            }
        }
        if (editing_)
            column->paste(pboard, false, this);
        if (wasEditing && paragraph) {
            flow->setCurrentPoint(&noted);
            moveCursorToTextPoint(&noted, column, true);
        }
        return;
    }
    if (type == kit::ColorPboardType) {
        const std::optional<std::string> data = pboard.dataForType(type);
        if (kit::ColorRef color = data ? PageViewColorFromData(*data) : nullptr)
            acceptColor(color, info.draggingLocation());
        return;
    }
    if (item->isLocked() && !(dynamic_cast<TextItem*>(item) && editing_ && item->isEditing()))
        return;
    if (!(editing_ && item->isEditing()))
        document_->setSelection({item}, this);
    paste(pboard, false);
}

void PageView::acceptColor(const kit::ColorRef& color, kit::Point windowPoint)
{
    if (!document_ || !color)
        return;
    const kit::Point point = convertPointFromView(windowPoint, nullptr);
    Item* item = hitItemAt(point);
    if (!item)
        return;
    Page* page = item->page();
    auto* column = dynamic_cast<TextItem*>(item);
    TextFlow* flow = column ? column->flow() : nullptr;
    TextSelection* selection = flow ? flow->textSelection() : nullptr;
    const bool textTarget = selection && !selection->isEmpty();
    if (item->isLocked() && !textTarget)
        return;
    const kit::Point pagePoint = inPage(page, point);
    bool inText = false;
    if (textTarget) {
        const kit::Point local = relativeTo(column, pagePoint);
        if (TextParagraph* paragraph = flow->hitParagraphAtLoc(local, column, false)) {
            int letter = 0;
            bool deadspace = false;
            if (TextWord* word = paragraph->hitWordAtPoint(&letter, column, local, &deadspace)) {
                const textPoint hit{flow->indexOfParagraph(paragraph), paragraph->indexOfWord(word), letter};
                inText = selection->containsTextPoint(&hit);
            }
        }
    }
    const auto* box = dynamic_cast<ItemBox*>(item);
    const bool onBorder = box && box->inBorder(pagePoint, this);
    const int kind = inText ? Undo::TextColorDropped : onBorder ? Undo::LineColorSet : Undo::FillColorSet;
    if (inText && document_->activeTextItem() != column && flow->firstTextItem())
        document_->setActiveTextItem(column);
    if (page)
        document_->setActivePage(page);
    // The item under the point is what a colour dropped on it colours; an
    // edited frame keeps its text selection.
    document_->disableNotify();
    if (!(column && editing_ && column->isEditing()))
        document_->setSelection({item}, this);
    document_->reenableNotify();
    const std::vector<Item*> selected = document_->selected();
    std::vector<Item*> items = kind == Undo::TextColorDropped ? subsetCopyForTextItems(selected)
                                                             : subsetCopyForLockState(selected, false);
    if (kind == Undo::TextColorDropped && items.empty() && column)
        items = {column};
    if (items.empty())
        return;
    std::unique_ptr<Undo> record = modifyColor(items, color, kind, true);
    std::vector<kit::Object*> changed(items.begin(), items.end());
    document_->notifyUpdate(this, kind == Undo::TextColorDropped ? nullptr : &changed);
    if (record && document_->undoInfo())
        document_->undoInfo()->push(std::move(record));
}
