#pragma once

#include "graphics/DrawContext.h"
#include "graphics/ImageRep.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kit {

enum class TIFFCompression { None, LZW, PackBits, Deflate };

// A bitmap: 8-bit samples, one plane (meshed), rows from the top. The colour
// model is the source's (grey, RGB or CMYK, so that printing keeps its colour
// space), with an optional last alpha sample, not premultiplied.
class BitmapImageRep : public ImageRep {
public:
    enum class ColorModel { Gray, RGB, CMYK };

    // A blank (transparent or black) bitmap; width and height at least 1.
    BitmapImageRep(int pixelsWide, int pixelsHigh, ColorModel model, bool hasAlpha);
    ~BitmapImageRep() override;

    std::string className() const override { return "NSBitmapImageRep"; }

    // Every page of a TIFF file (any compression and colour model libtiff
    // reads), within the limits. Empty, with a reason in `error`, when the
    // data is not a TIFF, is damaged, or is over the limits.
    static std::vector<std::unique_ptr<BitmapImageRep>>
    imageRepsWithData(std::string_view data, std::string* error = nullptr, const ImageLimits& limits = {});
    // The first page.
    static std::unique_ptr<BitmapImageRep> imageRepWithData(std::string_view data, std::string* error = nullptr,
                                                            const ImageLimits& limits = {});
    // Whether the bytes start like a TIFF file.
    static bool isTIFF(std::string_view data);

    // TIFF of the bitmaps (one page each); empty when libtiff fails. The
    // resolution written makes each page's size in points come back.
    std::string TIFFRepresentation(TIFFCompression compression = TIFFCompression::LZW) const;
    static std::string TIFFRepresentationOfImageRepsInArray(std::span<const BitmapImageRep* const> reps,
                                                            TIFFCompression compression = TIFFCompression::LZW);

    ColorModel colorModel() const { return model_; }
    bool hasAlpha() const override { return alpha_; }
    int bitsPerSample() const override { return 8; }
    std::string colorSpaceName() const override;
    bool isPlanar() const { return false; }
    int samplesPerPixel() const;
    std::size_t bytesPerRow() const { return bytesPerRow_; }
    const unsigned char* bitmapData() const { return data_->data(); }
    // Writable samples (copied first when another copy shares them).
    unsigned char* bitmapData();
    ImagePixels pixels() const;

    // Unpremultiplied 0xAARRGGBB of a pixel, CMYK converted as PostScript
    // converts it; 0 outside.
    std::uint32_t colorAt(int x, int y) const;
    // Whether any alpha sample is above 0 (no alpha: always).
    bool hasNonZeroAlpha() const;

    bool draw(DrawContext& context) override;
    std::unique_ptr<ImageRep> copy() const override;

private:
    BitmapImageRep(const BitmapImageRep&) = default;

    ColorModel model_;
    bool alpha_;
    std::size_t bytesPerRow_;
    std::shared_ptr<std::vector<unsigned char>> data_;
};

} // namespace kit
