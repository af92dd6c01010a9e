#pragma once

// How words reach text columns, pages and their documents. The page layer
// (Item's and Page's code) joins the tree separately; until it is there these
// answer nil and do nothing, so that the text engine links on its own.

#include "core/Geometry.h"

#include <optional>

#if __has_include("document/Page.h")
#include "document/Page.h"
#include "items/TextItem.h"
#define SCRIVLY_HAS_PAGE_LAYER 1
#endif

namespace kit {
class Object;
}
class Item;
class LayoutDocument;
class Page;
class TextItem;
class TextWordSpecial;

namespace textlayer {

inline Page* pageOfItem(TextItem* item)
{
#ifdef SCRIVLY_HAS_PAGE_LAYER
    return item ? item->page() : nullptr;
#else
    (void)item;
    return nullptr;
#endif
}

inline LayoutDocument* documentOfPage(const Page* page)
{
#ifdef SCRIVLY_HAS_PAGE_LAYER
    return page ? page->document() : nullptr;
#else
    (void)page;
    return nullptr;
#endif
}

inline Item* asItem(kit::Object* object)
{
#ifdef SCRIVLY_HAS_PAGE_LAYER
    return dynamic_cast<Item*>(object);
#else
    (void)object;
    return nullptr;
#endif
}

inline TextItem* asTextItem(kit::Object* object)
{
#ifdef SCRIVLY_HAS_PAGE_LAYER
    return dynamic_cast<TextItem*>(object);
#else
    (void)object;
    return nullptr;
#endif
}

// The object-link serial number of a page item; nil for anything else.
inline const std::optional<int>* itemSerialNumberOf(kit::Object* object)
{
#ifdef SCRIVLY_HAS_PAGE_LAYER
    if (Item* item = asItem(object))
        return &item->itemSerialNumber();
#else
    (void)object;
#endif
    return nullptr;
}

// The marker word that owns a header or footer frame.
inline void setMyMaster(kit::Object* frame, TextWordSpecial* word)
{
    if (TextItem* item = asTextItem(frame)) {
#ifdef SCRIVLY_HAS_PAGE_LAYER
        item->setMyMaster(word);
#else
        (void)item, (void)word;
#endif
    }
}

inline void releaseMyMaster(kit::Object* frame, const TextWordSpecial* word)
{
    if (TextItem* item = asTextItem(frame)) {
#ifdef SCRIVLY_HAS_PAGE_LAYER
        if (item->myMaster() == word)
            item->setMyMaster(nullptr);
#else
        (void)item, (void)word;
#endif
    }
}

inline void placeFrame(kit::Object* frame, const kit::Rect& rect)
{
    if (TextItem* item = asTextItem(frame)) {
#ifdef SCRIVLY_HAS_PAGE_LAYER
        item->setFrame(rect, false);
#else
        (void)item, (void)rect;
#endif
    }
}

} // namespace textlayer
