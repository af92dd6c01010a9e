// TIFF pictures: the reader of every page, the pixels it hands out, and the
// writer reading its own output back.

#include "FuzzInput.h"

#include "graphics/BitmapImageRep.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // A small budget keeps each input quick; the limits are the same code.
    kit::ImageLimits limits;
    limits.maxPixels = 4'000'000;
    limits.maxSide = 10'000;
    std::string error;
    auto pages = kit::BitmapImageRep::imageRepsWithData(std::string_view(reinterpret_cast<const char*>(data), size),
                                                        &error, limits);
    if (pages.empty()) {
        if (error.empty())
            fuzz::fail("a refused TIFF gives no reason");
        return 0;
    }
    std::uint64_t pixels = 0;
    for (const auto& page : pages) {
        if (page->pixelsWide() < 1 || page->pixelsHigh() < 1)
            fuzz::fail("a page without pixels");
        pixels += std::uint64_t(page->pixelsWide()) * std::uint64_t(page->pixelsHigh());
        if (page->bytesPerRow() < std::size_t(page->pixelsWide()) * std::size_t(page->samplesPerPixel()))
            fuzz::fail("rows shorter than their pixels");
        (void)page->colorAt(page->pixelsWide() - 1, page->pixelsHigh() - 1);
        (void)page->hasNonZeroAlpha();
    }
    if (pixels > limits.maxPixels)
        fuzz::fail("more pixels than the budget");
    const auto& first = pages.front();
    const std::string again = first->TIFFRepresentation(kit::TIFFCompression::LZW);
    auto back = kit::BitmapImageRep::imageRepWithData(again, &error, limits);
    if (!back || back->pixelsWide() != first->pixelsWide() || back->pixelsHigh() != first->pixelsHigh() ||
        back->colorModel() != first->colorModel() || back->hasAlpha() != first->hasAlpha())
        fuzz::fail("a page written as TIFF does not read back");
    return 0;
}
