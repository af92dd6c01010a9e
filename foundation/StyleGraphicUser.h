#pragma once

// Something that shares a named graphic style without owning it (an item).
// The style tells it before it leaves the style sheet and before it is
// freed; the user then stops sharing it, so that no reference outlives the
// style.

class StyleGraphicNamed;

class StyleGraphicUser {
public:
    virtual void graphicStyleWillLeave(StyleGraphicNamed* style) = 0;

protected:
    ~StyleGraphicUser() = default;
};
