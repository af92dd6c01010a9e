#pragma once

// The graphic styles of items as they stand, kept to be given back exactly:
// an undo record keeps one where its change reaches past the values it
// stores itself (a group's members, which each had their own look before a
// group-wide change; a named style a scale replaced by a changed copy).

#include "core/WeakLink.h"
#include "foundation/StyleGraphic.h"

#include <memory>
#include <utility>
#include <vector>

class Item;

class GraphicStyleSnapshot {
public:
    enum Reach {
        ItemsAndMembers, // the items and, at any depth, the members of groups among them
        GroupMembers,    // only the members of groups among the items
    };

    GraphicStyleSnapshot() = default;
    GraphicStyleSnapshot(const std::vector<Item*>& items, Reach reach);
    GraphicStyleSnapshot(GraphicStyleSnapshot&&) noexcept;
    GraphicStyleSnapshot& operator=(GraphicStyleSnapshot&&) noexcept;
    ~GraphicStyleSnapshot();

    // A copy of the style that its record frees: a copy of a named root joins
    // the root's tree, so that giving it back shares the root again.
    static std::unique_ptr<StyleGraphic> keptCopy(StyleGraphic* style);

    bool empty() const { return entries_.empty(); }
    // Each item still alive takes its kept style again, named styles shared
    // again (in the order kept: a group before its members).
    void restore() const;

private:
    std::vector<std::pair<kit::WeakLink<Item>, std::unique_ptr<StyleGraphic>>> entries_;
};
