#pragma once

#include "graphics/ImageRep.h"

#include <functional>

namespace kit {

// A representation that draws by calling a procedure (a page drawing its
// thumbnail): the procedure draws the picture into (0, 0, size) of the
// context's user space and answers whether it drew.
class CustomImageRep : public ImageRep {
public:
    using DrawProc = std::function<bool(DrawContext&, const Rect&)>;

    CustomImageRep(Size size, DrawProc draw);
    ~CustomImageRep() override;

    std::string className() const override { return "NSCustomImageRep"; }
    bool draw(DrawContext& context) override;
    std::unique_ptr<ImageRep> copy() const override;

private:
    DrawProc draw_;
};

} // namespace kit
