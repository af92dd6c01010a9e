#pragma once

#include "core/Geometry.h"
#include "core/Object.h"

#include <memory>
#include <string>

namespace kit {

class DrawContext;

// Limits that every reader of pictures keeps, whatever the file says.
struct ImageLimits {
    // A source with more pixels than this (all its pages together) is refused.
    std::uint64_t maxPixels = 100'000'000;
    // Longest side of any single page, in pixels.
    std::uint32_t maxSide = 100'000;
};

// One way of drawing a picture: a bitmap, an EPS file, a drawing procedure.
// Its size is in points (user space units); its pixels, where it has any,
// may be more or fewer.
class ImageRep : public Object {
public:
    ~ImageRep() override;

    Size size() const { return size_; }
    void setSize(Size size) { size_ = size; }
    // 0 for representations without pixels of their own.
    int pixelsWide() const { return pixelsWide_; }
    int pixelsHigh() const { return pixelsHigh_; }
    virtual bool hasAlpha() const { return false; }
    virtual int bitsPerSample() const { return 0; }
    // "NSDeviceRGBColorSpace", "NSDeviceCMYKColorSpace", "NSDeviceWhiteColorSpace"
    // (grey), or "NSCustomColorSpace" for PostScript.
    virtual std::string colorSpaceName() const { return "NSCustomColorSpace"; }

    // Draws the picture upright with its lower-left corner at the origin of
    // the context's user space, size() units wide and high. False when it
    // could not draw (an EPS picture whose screen rendering is not ready yet
    // or failed).
    virtual bool draw(DrawContext& context) = 0;
    bool drawAtPoint(DrawContext& context, Point point);
    // Scaled so that size() fills the rectangle.
    bool drawInRect(DrawContext& context, const Rect& rect);

    virtual std::unique_ptr<ImageRep> copy() const = 0;

protected:
    ImageRep() = default;
    ImageRep(const ImageRep&) = default;
    void setPixels(int wide, int high)
    {
        pixelsWide_ = wide;
        pixelsHigh_ = high;
    }

private:
    Size size_;
    int pixelsWide_ = 0;
    int pixelsHigh_ = 0;
};

} // namespace kit
