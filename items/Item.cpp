#include "items/Item.h"
#include "items/TextItem.h"

#include "core/Alert.h"
#include "core/Exception.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "foundation/StyleGraphic.h"
#include "foundation/StyleSheetEntry.h"
#include "graphics/DrawContext.h"
#include "items/ItemBox.h"
#include "items/ItemGroup.h"
#include "items/KnobProcs.h"
#include "items/PlacedItem.h"

#include <cstdio>

void Item::initialize()
{
    kit::registerClass<Item>("Item");
    kit::registerClass<ItemBox>("ItemBox");
    kit::registerClass<TextItem>("TextItem");
    ItemGroup::initialize();
    PlacedItem::initialize();
    if (kit::DrawContext* context = kit::DrawContext::current())
        PSinitcontrolpoints(*context);
}

Item::Item()
    : shadowColor_(kit::Color::colorWithGray(0.5f, 1.0f))
{
    itFlags_.shown = 1;
    itFlags_.firstPage = 1;
}

Item::~Item()
{
    dropGraphicStyle();
    // The document's index of names must not keep a dangling entry.
    if (name_)
        if (LayoutDocument* doc = document())
            doc->removeNamedItem(this);
}

void Item::audit(int indent) const
{
    (void)indent;
    std::printf("%s %p at (%f, %f) w=%f h=%f", name_ ? name_->c_str() : "(null)", static_cast<const void*>(this),
                frame_.origin.x, frame_.origin.y, frame_.size.width, frame_.size.height);
    if (itFlags_.autoFlowMaster)
        std::printf(" autoFlow");
    if (itFlags_.manualFlowMaster)
        std::printf(" manualFlow");
    if (itFlags_.locked)
        std::printf(" locked");
    if (itFlags_.mask)
        std::printf(" mask");
    if (itFlags_.infoMode)
        std::printf(" infoMode%d", static_cast<int>(itFlags_.infoMode));
    if (itFlags_.dropShadow)
        std::printf(" dropShadow");
    if (!itFlags_.firstPage)
        std::printf(" noFirstPage");
    if (textRunaround_)
        std::printf(" hasRunaround");
    std::printf("\n");
}

Item* Item::reinitFromPasteboard(const std::string& pasteboardName)
{
    (void)pasteboardName;
    throw kit::Exception(kit::InvalidArgumentException, "*** Subclass responsibility: reinitFromPasteboard:");
}

LayoutDocument* Item::document() const
{
    Page* page = page_.get();
    return page ? page->document() : nullptr;
}

Item* Item::setName(const std::optional<std::string>& name)
{
    LayoutDocument* doc = document();
    if (!name || name->empty()) {
        if (name_) {
            if (doc)
                doc->removeNamedItem(this);
            name_.reset();
        }
        return this;
    }
    // The document's lookup finds the receiver too: its own name is no clash.
    Item* found = doc ? doc->findItemNamed(name) : nullptr;
    if (found && found != this) {
        kit::runAlertPanel(StyleSheetEntry::stringForKey("ItemName"), StyleSheetEntry::stringForKey("ItemNameExists"),
                           std::string(), std::string(), std::string(), {*name});
        return nullptr;
    }
    if (name_ == name)
        return this;
    name_ = name;
    if (doc)
        doc->addNamedItem(this);
    return this;
}

std::string Item::createDestinationSelection() const
{
    if (!itemSerialNumber_)
        return std::string();
    std::string text = "1 1 " + std::to_string(*itemSerialNumber_);
    text.push_back('\0');
    return text;
}

bool Item::isObjectLinked() const
{
    if (!itemSerialNumber_)
        return false;
    LayoutDocument* doc = document();
    return doc && doc->hasDestinationLinkForSelection(createDestinationSelection());
}

bool Item::canAppearOnPageNumber(int pageNumber, int layer) const
{
    // The low bit decides odd and even, so negative numbers are one or the other.
    const bool odd = (pageNumber & 1) != 0;
    bool allowed = false;
    switch (itFlags_.master) {
    case 3:
        allowed = true;
        break;
    case 2:
        allowed = odd;
        break;
    case 1:
        allowed = !odd;
        break;
    default:
        allowed = false;
        break;
    }
    if (allowed && layer == 1 && pageNumber <= 1)
        allowed = itFlags_.firstPage;
    return allowed;
}

void Item::setCanAppear(bool flag, int pageNumber)
{
    if (pageNumber < 2)
        itFlags_.firstPage = flag;
}

void Item::didAddToPage(Page* page, int layer)
{
    (void)page;
    (void)layer;
}

void Item::changeFont(const kit::Object* sender)
{
    (void)sender;
}

Page* Item::setPage(Page* page)
{
    page_ = page;
    return page;
}

void Item::convertToView(kit::Point* point) const
{
    if (Page* page = page_.get())
        page->convertToView(point);
}

void Item::convertToPage(kit::Point* point) const
{
    if (Page* page = page_.get())
        page->convertToPage(point);
}
