#pragma once

// Views that take what is dragged onto them: from inside the program or
// from the desktop (the window bridges the desktop's drag and drop,
// offering text/uri-list as file names, image/tiff, application/postscript,
// text/plain and the private types, on the drag pasteboard).

#include "core/Geometry.h"

#include <optional>
#include <string>
#include <vector>

namespace kit {

class Pasteboard;
class View;
class Window;

inline constexpr int DragOperationNone = 0;
inline constexpr int DragOperationCopy = 1;
inline constexpr int DragOperationLink = 2;
inline constexpr int DragOperationGeneric = 4;
inline constexpr int DragOperationAll = DragOperationCopy | DragOperationLink | DragOperationGeneric;

// A drag in progress, as its destination sees it.
class DraggingInfo {
public:
    virtual ~DraggingInfo() = default;
    virtual Pasteboard& draggingPasteboard() = 0;
    // In the destination window's base coordinates.
    virtual Point draggingLocation() const = 0;
    // The operations the source allows.
    virtual int draggingSourceOperationMask() const = 0;
};

// A drag with fixed values: scripted drags, and the desktop's.
class PlainDraggingInfo : public DraggingInfo {
public:
    PlainDraggingInfo(Pasteboard& pboard, Point location, int mask) : pboard_(pboard), location_(location), mask_(mask)
    {
    }
    Pasteboard& draggingPasteboard() override { return pboard_; }
    Point draggingLocation() const override { return location_; }
    int draggingSourceOperationMask() const override { return mask_; }
    void setDraggingLocation(Point location) { location_ = location; }

private:
    Pasteboard& pboard_;
    Point location_;
    int mask_;
};

class DraggingDestination {
public:
    virtual ~DraggingDestination() = default;
    // Answers the operation the drop would do (0: refused).
    virtual int draggingEntered(DraggingInfo& info) { (void)info; return DragOperationNone; }
    virtual int draggingUpdated(DraggingInfo& info) { return draggingEntered(info); }
    virtual void draggingExited(DraggingInfo& info) { (void)info; }
    virtual bool prepareForDragOperation(DraggingInfo& info) { (void)info; return true; }
    virtual bool performDragOperation(DraggingInfo& info) { (void)info; return false; }
    virtual void concludeDragOperation(DraggingInfo& info) { (void)info; }

    // The types the view takes; none: it takes no drag.
    void registerForDraggedTypes(std::vector<std::string> types) { draggedTypes_ = std::move(types); }
    void unregisterDraggedTypes() { draggedTypes_.clear(); }
    const std::vector<std::string>& registeredDraggedTypes() const { return draggedTypes_; }
    // Whether the pasteboard offers a registered type.
    bool acceptsTypesOf(const Pasteboard& pboard) const;

    // The registered destination at the point of the window (base
    // coordinates) that takes what the pasteboard offers: the view hit or
    // the nearest view above it. Nil for none.
    static DraggingDestination* destinationAt(Window& window, Point point, const Pasteboard& pboard);

private:
    std::vector<std::string> draggedTypes_;
};

// File names as the file-names pasteboard type carries them: a property
// list of quoted strings, ("/a/b", "/c").
std::string filenamesPropertyList(const std::vector<std::string>& paths);
// Nothing for data that is not such a list.
std::optional<std::vector<std::string>> filenamesFromPropertyList(const std::string& data);

} // namespace kit
