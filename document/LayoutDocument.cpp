#include "document/LayoutDocument.h"

#include "appkit/RunLoop.h"

#include "document/Guide.h"
#include "document/Page.h"
#include "document/PageSet.h"
#include "document/UndoInfo.h"
#include "foundation/Preferences.h"
#include "foundation/StyleGraphic.h"
#include "foundation/StyleInfo.h"
#include "foundation/StyleParagraph.h"
#include "foundation/UnitsInfo.h"
#include "document/ZynDocumentContents.h"
#include "items/Item.h"

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

// The document holds no flows or items yet: nothing refers to styles.
void LayoutDocument::removeStyleReference(const StyleParagraph* style)
{
    (void)style;
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

StyleParagraph* LayoutDocument::currentParagraphStyle() const
{
    return nullptr;
}

void LayoutDocument::setCurrentParagraphBasedOnStyle(StyleParagraphNamed* style)
{
    (void)style;
}

std::unique_ptr<StyleGraphic> LayoutDocument::graphicStyleOfSelection() const
{
    return nullptr;
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
