#include "graphics/CustomImageRep.h"

namespace kit {

CustomImageRep::CustomImageRep(Size size, DrawProc draw) : draw_(std::move(draw)) { setSize(size); }

CustomImageRep::~CustomImageRep() = default;

bool CustomImageRep::draw(DrawContext& context)
{
    return draw_ ? draw_(context, makeRect(0, 0, size().width, size().height)) : false;
}

std::unique_ptr<ImageRep> CustomImageRep::copy() const
{
    return std::make_unique<CustomImageRep>(size(), draw_);
}

} // namespace kit
