#pragma once

#include "graphics/ImageRep.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kit {

// A screen rendering of an EPS picture, made by Ghostscript outside the
// event loop.
struct EPSRaster {
    enum class State { None, Rendering, Ready, Failed };
    State state = State::None;
    int width = 0;  // pixels
    int height = 0;
    std::vector<std::uint32_t> argb; // premultiplied 0xAARRGGBB, rows from the top
    std::string error;               // why it failed
};

// An EPS picture known by its comments: the bounding box (%%HiResBoundingBox
// when it agrees with %%BoundingBox, else %%BoundingBox, also "(atend)"), the
// header comments, and the PostScript itself, kept for printing. A DOS-EPS
// file's binary header is read to find the PostScript; its previews are not
// decoded. On paper the PostScript is embedded; on the screen it is drawn
// from a Ghostscript rendering, which a representation starts when asked and
// which arrives later on the run loop.
class EPSImageRep : public ImageRep {
public:
    ~EPSImageRep() override;

    std::string className() const override { return "NSEPSImageRep"; }

    // Null, with the reason in `error`, for data that is not EPS, whose
    // DOS-EPS header points outside the data, or whose bounding box is
    // missing, empty, inverted, not finite or larger than 14400 points a
    // side (PDF's and most printers' limit).
    static std::unique_ptr<EPSImageRep> imageRepWithData(std::string_view data, std::string* error = nullptr);
    // "%!" or a DOS-EPS header.
    static bool isEPS(std::string_view data);

    // The PostScript (without a DOS-EPS header).
    const std::string& EPSRepresentation() const { return *postscript_; }
    Rect boundingBox() const { return box_; }
    // The value of a header comment ("%%Title:" gives the text after the
    // colon, blanks trimmed; "%%+" lines continue it, joined by a space).
    std::optional<std::string> headerComment(std::string_view key) const;

    // Prints the PostScript; on the screen draws the rendering at the
    // device size when it is ready and answers false (asking for it) when
    // it is not.
    bool draw(DrawContext& context) override;
    std::unique_ptr<ImageRep> copy() const override;

    // ---- Screen renderings. One rendering is kept, at the size last asked.
    // The current rendering at that pixel size, started when there is none
    // (sides above maxSide are scaled down, keeping the proportions).
    const EPSRaster& rasterForSize(int pixelsWide, int pixelsHigh, int maxSide = 4096);
    const EPSRaster& raster() const { return slot_->raster; }
    // Hands the current rendering over (the representation keeps none; the
    // next request at any size renders again).
    EPSRaster takeRaster();
    // Runs on the main run loop when a rendering ends (ready or failed).
    void setRasterHandler(std::function<void()> handler) { slot_->handler = std::move(handler); }
    // Seconds Ghostscript may take before it is stopped (30 unless set).
    static void setRenderTimeLimit(double seconds);

private:
    EPSImageRep() = default;
    EPSImageRep(const EPSImageRep& other);

    struct Slot {
        EPSRaster raster;
        std::uint64_t generation = 0;
        std::function<void()> handler;
    };

    std::shared_ptr<const std::string> postscript_;
    std::shared_ptr<const std::vector<std::pair<std::string, std::string>>> comments_;
    Rect box_;
    std::shared_ptr<Slot> slot_ = std::make_shared<Slot>();
};

namespace detail {

// Renders PostScript with Ghostscript (the program, in a child process) into
// premultiplied ARGB pixels: the bounding box fills width x height. Blocks;
// called on a worker thread.
EPSRaster renderEPS(const std::string& postscript, const Rect& box, int width, int height, double timeLimit);
// Main thread, before the first render: the image reader's library state
// comes into being here, so that exit waits for the renders before it goes.
void prepareRendering();

} // namespace detail

} // namespace kit
