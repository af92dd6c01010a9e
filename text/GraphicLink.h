#pragma once

// An entry of a document's graphic-links list: a placed picture, or an
// in-line graphic word standing for the picture it holds. The links list,
// the pages' file checks and the links panel ask these questions; the sort
// orders of the list are here, once for both kinds.

#include "core/Geometry.h"

#include <cstdint>
#include <optional>
#include <string>

class Item;
class Page;
class TextDocument;
class DocumentView;

class GraphicLink {
public:
    virtual ~GraphicLink();

    // Whether the object is an entry of the list at all (an in-line word of
    // another type is not).
    virtual bool isGraphicLink() const = 0;
    // The linked file's path, or the name made for a picture held in the
    // document; none without one.
    virtual std::optional<std::string> filename() const = 0;
    virtual bool isLinked() const = 0;
    // The linked file was missing or unreadable at the last check.
    virtual bool cantFind() const = 0;
    // The file is to be compared with the disk before the next screen drawing.
    virtual bool needsChecking() const = 0;
    virtual void setNeedsChecking(bool flag) = 0;
    virtual std::int32_t filesize() const = 0;
    // Seconds since 1970; none while unknown.
    virtual std::optional<double> lastModifyTime() const = 0;
    // The page the picture stands on (an in-line word: its column's), or nil.
    virtual Page* linkPage() const = 0;
    // The document of that page, or nil.
    virtual TextDocument* linkDocument() const = 0;
    // The placed picture itself (an in-line word: the one it holds), or nil.
    virtual Item* linkItem() const = 0;
    // Asked by a page for each link on its check list (bounds in page
    // coordinates): false when the file turned out unchanged, so that the
    // page drops the link from the list; true otherwise, also when nothing
    // was checked because no check is due or the picture is not shown there.
    virtual bool checkSelfInView(DocumentView* view, const kit::Rect& bounds, const kit::Rect& update) = 0;

    // ---- The orders of the links list: -1 when this entry comes first, 1
    // when the other does, 0 when they tie. Each is a strict weak order, so
    // that a sort by it is well defined: entries without a file name come
    // first and tie among themselves; pages, status and extensions that tie
    // fall back to the name.
    int compareName(const GraphicLink& other) const;
    int comparePage(const GraphicLink& other) const;
    int compareStatus(const GraphicLink& other) const;
    int compareType(const GraphicLink& other) const;
};
