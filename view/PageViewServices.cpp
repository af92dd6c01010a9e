// The services menu's side of the canvas: whether it serves a request, and
// the selection written for a service in the types asked for.

#include "view/PageView.h"

#include "appkit/PrintOperation.h"
#include "core/Encoding.h"
#include "core/Pasteboard.h"
#include "graphics/Image.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "foundation/PboardTypes.h"
#include "items/Item.h"
#include "items/TextItem.h"
#include "text/TextFlow.h"
#include "text/TextSelection.h"

#include <algorithm>

namespace {

bool contains(const std::vector<std::string>& list, const std::string& type)
{
    return std::find(list.begin(), list.end(), type) != list.end();
}

bool isImageType(const std::string& type)
{
    return type == kit::PostScriptPboardType || type == kit::TIFFPboardType;
}

TextSelection* selectionOfFirst(const std::vector<Item*>& items)
{
    auto* column = items.empty() ? nullptr : dynamic_cast<TextItem*>(items.front());
    TextFlow* flow = column ? column->flow() : nullptr;
    return flow ? flow->textSelection() : nullptr;
}

bool writeText(std::string& stream, const std::vector<Item*>& items, int type)
{
    TextSelection* selection = selectionOfFirst(items);
    return selection && selection->writeTextToStream(stream, type);
}

} // namespace

PageView* PageView::validRequestorForSendType(const std::string& sendType, const std::string& returnType)
{
    const std::vector<Item*> selection = document_ ? document_->selected() : std::vector<Item*>{};
    const bool returnTest = returnType.empty() || (editing_ && contains(getServiceSendPboardTypes(), returnType)) ||
                            isImageType(returnType);
    if (sendType == kit::FilenamesPboardType && document_ && !document_->filename().empty()) {
        if (returnType.empty())
            return this;
    } else if (sendType.empty()) {
        return returnTest ? this : nullptr;
    } else if (isImageType(sendType)) {
        if (selection.empty())
            return nullptr;
        if (returnTest)
            return this;
    }
    if (selection.empty())
        return nullptr;
    const bool someText = std::any_of(selection.begin(), selection.end(), [](Item* item) {
        auto* column = dynamic_cast<TextItem*>(item);
        TextFlow* flow = column ? column->flow() : nullptr;
        return flow && flow->textSelection() && !flow->textSelection()->isEmpty();
    });
    const auto& types = someText ? getServiceSendPboardTypes() : getServiceSendPboardTypesNoText();
    return contains(types, sendType) ? this : nullptr;
}

bool PageView::writeSelectionToPasteboard(kit::Pasteboard& pboard, const std::vector<std::string>& types)
{
    int written = 0;
    const std::vector<Item*> selection = document_ ? document_->selected() : std::vector<Item*>{};
    for (const std::string& type : types) {
        std::string data;
        bool wrote = false;
        if (type == kit::FilenamesPboardType) {
            // The file the document was saved in; not offered for a
            // document that has none.
            if (!document_ || document_->filename().empty())
                continue;
            data = "(\"" + document_->filename() + "\")";
            wrote = true;
        } else if (selection.empty()) {
            continue;
        } else if (type == kit::PostScriptPboardType) {
            wrote = writePSToStream(data, selection);
        } else if (type == kit::TIFFPboardType) {
            wrote = writeTIFFToStream(data, selection);
        } else if (type == kit::RTFDPboardType) {
            wrote = writeRTFDToStream(data, selection);
        } else if (type == kit::RTFPboardType) {
            wrote = writeRTFToStream(data, selection);
        } else if (type == kit::StringPboardType) {
            wrote = writeASCIIToStream(data, selection);
        }
        // Only what was written is declared: a service never finds a type
        // without data.
        if (!wrote)
            continue;
        if (++written == 1)
            pboard.declareTypes({type}, nullptr);
        else
            pboard.addTypes({type}, nullptr);
        if (type == kit::StringPboardType)
            pboard.setString(kit::toUTF8(kit::Encoding::NeXTSTEP, data), type);
        else
            pboard.setData(data, type);
    }
    return written > 0;
}

bool PageView::writePSToStream(std::string& stream, const std::vector<Item*>& items)
{
    if (items.empty())
        return false;
    kit::Rect bounds{};
    for (Item* item : items) {
        kit::Rect r{};
        item->getUpdateBounds(&r, nullptr);
        bounds = kit::unionRect(bounds, r);
    }
    // The items' bounds lie in their page; the view draws canvas
    // coordinates.
    if (Page* page = items.front()->page()) {
        const kit::Rect pageRect = page->pageRect();
        bounds = kit::offsetRect(bounds, pageRect.origin.x, pageRect.origin.y);
        bounds = kit::intersectionRect(bounds, pageRect);
    }
    if (kit::isEmptyRect(bounds))
        return false;
    std::unique_ptr<kit::PrintOperation> eps = kit::PrintOperation::EPSOperationWithView(*this, bounds);
    if (!eps || !eps->runOperation())
        return false;
    stream += eps->postScript();
    return true;
}

bool PageView::writeTIFFToStream(std::string& stream, const std::vector<Item*>& items)
{
    std::string eps;
    if (!writePSToStream(eps, items))
        return false;
    std::unique_ptr<kit::Image> image = kit::Image::imageWithData(eps);
    const std::string tiff = image ? image->TIFFRepresentation() : std::string();
    if (tiff.empty())
        return false;
    stream += tiff;
    return true;
}

bool PageView::writeASCIIToStream(std::string& stream, const std::vector<Item*>& items)
{
    return writeText(stream, items, TextSelection::ExportPlain);
}

bool PageView::writeRTFToStream(std::string& stream, const std::vector<Item*>& items)
{
    return writeText(stream, items, TextSelection::ExportRTF);
}

bool PageView::writeRTFDToStream(std::string& stream, const std::vector<Item*>& items)
{
    return writeText(stream, items, TextSelection::ExportRTFD);
}
