#pragma once

#include "core/Geometry.h"
#include "core/Object.h"
#include "graphics/DrawContext.h"
#include "graphics/ImageRep.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kit {

class Image;

// Told before each representation is drawn into a context, with that
// context: it may change the graphics state the representation is drawn in
// (a rotated picture), or answer false to skip it (the drawing still counts
// as done). Making the screen cache does not ask it: the cache is the
// picture itself. Not retained by the image.
class ImageDelegate {
public:
    virtual ~ImageDelegate() = default;
    virtual bool imageWillDrawRep(DrawContext& context, Image& image, ImageRep& rep, const Rect& rect) = 0;
};

// A picture with its representations (the pages of a TIFF file, an EPS
// file, a drawing procedure), a size in points, and a screen cache: the best
// representation's pixels at the image's size, one pixel a point, at most a
// given number of pixels a side. A bitmap's cache is made at once; an EPS
// picture's comes from Ghostscript later: until then the cache is "not
// ready", and the ready handler runs on the run loop when it arrives.
class Image : public Object {
public:
    enum class CacheState { Empty, NotReady, Ready, Failed };

    Image();
    explicit Image(Size size);
    ~Image() override;

    // Registers the class with the archiver.
    static void initialize();

    std::string className() const override { return "NSImage"; }
    // Stored as the bytes it was read from (or, for an image made in
    // memory, its TIFF), then its size and flags.
    void encodeWithCoder(Coder& coder) const override;
    Object* initWithCoder(Coder& coder) override;

    // Files are read into memory (never mapped: a file truncated later must
    // not fault). Null, with a reason, for a file that cannot be read, is
    // larger than maxFileBytes, or holds no TIFF or EPS picture this kit
    // reads within the limits.
    static std::unique_ptr<Image> imageWithContentsOfFile(const std::string& path, std::string* error = nullptr,
                                                          const ImageLimits& limits = {});
    static std::unique_ptr<Image> imageWithData(std::string_view data, std::string* error = nullptr,
                                                const ImageLimits& limits = {});
    static constexpr std::uint64_t maxFileBytes = 512ull << 20;
    // The picture "<name>.tiff" of the resources folder, read afresh on
    // every call (the caller keeps it); null when there is none or it does
    // not read.
    static std::unique_ptr<Image> imageNamed(const std::string& name);

    // ---- Representations (owned).
    const std::vector<std::unique_ptr<ImageRep>>& representations() const { return reps_; }
    ImageRep* addRepresentation(std::unique_ptr<ImageRep> rep);
    void removeRepresentation(ImageRep* rep);
    ImageRep* lastRepresentation() const { return reps_.empty() ? nullptr : reps_.back().get(); }
    // The EPS representation when there is one (it prints as itself and
    // renders sharp at any size), else the bitmap with the most pixels, else
    // the last. The same for the screen and the printer.
    ImageRep* bestRepresentationForDevice(const DrawContext* device = nullptr) const;

    // ---- Size: the one set, else the best representation's.
    Size size() const;
    void setSize(Size size);
    bool scalesWhenResized() const { return scalesWhenResized_; }
    void setScalesWhenResized(bool flag) { scalesWhenResized_ = flag; }
    bool isValid() const { return !reps_.empty(); }

    // The bytes the image was read from, kept while data is retained.
    bool isDataRetained() const { return dataRetained_; }
    void setDataRetained(bool flag);
    const std::string& data() const { return data_ ? *data_ : empty_; }

    ImageDelegate* delegate() const { return delegate_; }
    void setDelegate(ImageDelegate* delegate) { delegate_ = delegate; }

    // A new image with copies of the representations (bitmap samples and
    // EPS text are shared until written), the same size and settings; no
    // cache, delegate or handler.
    std::unique_ptr<Image> copy() const;

    // ---- Drawing into any context (on paper from the representation).
    // Asks the delegate, then draws the representation scaled into rect; on
    // the screen a ready cache of that representation stands in for it.
    virtual bool drawRepresentation(DrawContext& context, ImageRep& rep, const Rect& rect);
    bool drawInRect(DrawContext& context, const Rect& rect);
    // The whole image, its lower-left corner at the point, at its size.
    bool drawAtPoint(DrawContext& context, Point point);

    // ---- The screen cache.
    // 0 (the default) for no limit besides the representation's own.
    void setCacheSideLimit(float pixels) { cacheLimit_ = pixels; }
    float cacheSideLimit() const { return cacheLimit_; }
    // Makes (or starts making) the cache for the current size.
    CacheState prepareCache();
    CacheState cacheState() const { return cacheState_; }
    const std::string& cacheError() const { return cacheError_; }
    // The cached pixels while Ready (premultiplied ARGB32), else null.
    const ImagePixels* cachedPixels() const { return cacheState_ == CacheState::Ready ? &cachePixels_ : nullptr; }
    // Drops the cache; the next prepare makes it again.
    void recache();
    // Runs on the run loop when a cache that was not ready becomes ready or
    // fails.
    void setReadyHandler(std::function<void(Image&)> handler) { readyHandler_ = std::move(handler); }

    // Composites the part fromRect of the cache (pixels, origin top-left)
    // with its top-left corner at the point, as DrawContext::compositeImage
    // does; on paper the representation is drawn there instead. False when
    // the cache is not ready (its making starts) or failed.
    bool compositeToPoint(DrawContext& context, Point point, const Rect& fromRect, CompositeOp op);
    bool compositeToPoint(DrawContext& context, Point point, CompositeOp op);

    // TIFF of the image: bitmaps as they are, anything else rendered at the
    // image's size (an EPS picture through Ghostscript, waiting for it).
    // Empty when there is nothing to write or the rendering fails.
    std::string TIFFRepresentation() const;

private:
    // The representations of the bytes; false (nothing added) with why.
    bool loadData(std::string_view data, std::string* error, const ImageLimits& limits);
    void cacheFinished();

    std::vector<std::unique_ptr<ImageRep>> reps_;
    Size size_;
    bool sizeSet_ = false;
    bool scalesWhenResized_ = false;
    bool dataRetained_ = false;
    // Shared by copies (every cache entry of a placed picture is one).
    std::shared_ptr<const std::string> data_;
    static inline const std::string empty_;
    ImageDelegate* delegate_ = nullptr;

    float cacheLimit_ = 0;
    CacheState cacheState_ = CacheState::Empty;
    std::string cacheError_;
    ImageRep* cacheRep_ = nullptr;
    int cacheWide_ = 0, cacheHigh_ = 0;
    std::vector<std::uint32_t> cacheStore_;
    ImagePixels cachePixels_;
    std::function<void(Image&)> readyHandler_;
    std::shared_ptr<Image*> self_ = std::make_shared<Image*>(this);
};

} // namespace kit
