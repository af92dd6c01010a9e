#include "document/LayoutDocument.h"

#include "appkit/RunLoop.h"

#include "document/Guide.h"
#include "document/Page.h"
#include "document/PageSet.h"
#include "document/UndoInfo.h"
#include "foundation/Preferences.h"
#include "foundation/StyleGraphic.h"
#include "foundation/StyleInfo.h"
#include "foundation/StyleParagraphNamed.h"
#include "foundation/UnitsInfo.h"
#include "document/ZynDocumentContents.h"
#include "items/Item.h"
#include "items/ItemArray.h"
#include "items/TextItem.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"

#include <algorithm>

LayoutDocument::LayoutDocument(const Preferences* preferences)
    : styleInfo_(std::make_unique<StyleInfo>(preferences)), unitsInfo_(std::make_unique<UnitsInfo>()),
      preferences_(preferences)
{
    if (preferences) {
        paperSize_ = preferences->pageSize();
        storedWindowFrame_ = preferences->windowFrame();
    }
    styleInfo_->setDocument(this);
    unitsInfo_->setDocument(this);
    linksInfo_.setDocument(this);
    undoInfo_ = std::make_unique<UndoInfo>(this);
}

// Nothing that goes with the document may reach it half destroyed: links
// to it read nil first, its views forget it, and the contents go before the
// members.
LayoutDocument::~LayoutDocument()
{
    for (const auto& request : {pageNumberRedraw_, moveByAgain_})
        if (request)
            request->invalidate();
    expireWeakLinks();
    dropViewsAndWindows();
    LayoutDocument::emptyDocument();
}

// Every flow the document holds, on pages and masters, grouped or not;
// table cells are paragraphs of their flow.
void LayoutDocument::removeStyleReference(const StyleParagraph* style)
{
    if (!style)
        return;
    for (TextFlow* flow : flows())
        flow->removeStyleReference(style);
}

void LayoutDocument::removeGraphicStyle(const StyleGraphic* style)
{
    if (!style)
        return;
    for (auto it = theMasterItems_.rbegin(); it != theMasterItems_.rend(); ++it) {
        const StyleGraphic* own = (*it)->graphicStyle();
        if (own && own->rootStyle() == style)
            (*it)->removeGraphicStyle(style);
    }
    for (const auto& page : pages_)
        page->removeGraphicStyle(style);
}

namespace {
// The current paragraph of the flow of the first selected object, when that
// object is a text column.
TextParagraph* selectedCurrentParagraph(const std::vector<Item*>& selection)
{
    auto* column = selection.empty() ? nullptr : dynamic_cast<TextItem*>(selection.front());
    TextFlow* flow = column ? column->flow() : nullptr;
    return flow ? flow->currentParagraph() : nullptr;
}
} // namespace

StyleParagraph* LayoutDocument::currentParagraphStyle() const
{
    TextParagraph* paragraph = selectedCurrentParagraph(selected());
    return paragraph ? paragraph->paragraphStyle() : nullptr;
}

void LayoutDocument::setCurrentParagraphBasedOnStyle(StyleParagraphNamed* style)
{
    if (TextParagraph* paragraph = selectedCurrentParagraph(selected()))
        paragraph->setBasedOnStyle(style);
}

std::unique_ptr<StyleGraphic> LayoutDocument::graphicStyleOfSelection() const
{
    const StyleGraphic* shared = graphicStyle(selected());
    return shared ? shared->copy() : nullptr;
}

void LayoutDocument::addNamedItem(Item* item)
{
    // Entries of items that are gone go as the list is walked.
    std::erase_if(namedItems_, [](const auto& ref) { return !ref; });
    if (item && std::find(namedItems_.begin(), namedItems_.end(), item) == namedItems_.end())
        namedItems_.emplace_back(item);
}

void LayoutDocument::removeNamedItem(Item* item)
{
    std::erase_if(namedItems_, [&](const auto& ref) { return !ref || ref == item; });
}

Item* LayoutDocument::findItemNamed(const std::optional<std::string>& name) const
{
    if (!name)
        return nullptr;
    for (const auto& ref : namedItems_)
        if (Item* item = ref.get(); item && item->name() == name)
            return item;
    return nullptr;
}

void LayoutDocument::addDestinationLink(const std::string& selection)
{
    if (!hasDestinationLinkForSelection(selection))
        destinationLinks_.push_back(selection);
}

void LayoutDocument::removeDestinationLink(const std::string& selection)
{
    std::erase(destinationLinks_, selection);
}

bool LayoutDocument::hasDestinationLinkForSelection(const std::string& selection) const
{
    return std::find(destinationLinks_.begin(), destinationLinks_.end(), selection) != destinationLinks_.end();
}

void LayoutDocument::setActiveDocumentContents(std::unique_ptr<ZynDocumentContents> contents)
{
    activeDocumentContents_ = std::move(contents);
}
