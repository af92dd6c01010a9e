#include "graphics/Image.h"

#include "core/Bundle.h"
#include "core/Coder.h"
#include "core/FileManager.h"
#include "graphics/BitmapImageRep.h"
#include "graphics/EPSImageRep.h"
#include "graphics/RasterContext.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace kit {

Image::Image() = default;

Image::Image(Size size) : size_(size), sizeSet_(true) {}

Image::~Image() = default;

std::unique_ptr<Image> Image::imageWithContentsOfFile(const std::string& path, std::string* error,
                                                      const ImageLimits& limits)
{
    auto attributes = FileManager::fileAttributesAtPath(path);
    if (!attributes || attributes->type != FileType::Regular) {
        if (error)
            *error = "cannot read the file";
        return nullptr;
    }
    if (attributes->size > maxFileBytes) {
        if (error)
            *error = "the file is too large for a picture";
        return nullptr;
    }
    auto bytes = FileManager::contentsAtPath(path);
    if (!bytes) {
        if (error)
            *error = "cannot read the file";
        return nullptr;
    }
    if (bytes->size() > maxFileBytes) { // it grew meanwhile
        if (error)
            *error = "the file is too large for a picture";
        return nullptr;
    }
    return imageWithData(*bytes, error, limits);
}

std::unique_ptr<Image> Image::imageNamed(const std::string& name)
{
    const std::string path = Bundle::pathForResource(name, "tiff");
    return path.empty() ? nullptr : imageWithContentsOfFile(path);
}

std::unique_ptr<Image> Image::imageWithData(std::string_view data, std::string* error, const ImageLimits& limits)
{
    auto image = std::make_unique<Image>();
    if (!image->loadData(data, error, limits))
        return nullptr;
    return image;
}

bool Image::loadData(std::string_view data, std::string* error, const ImageLimits& limits)
{
    std::string why;
    std::vector<std::unique_ptr<ImageRep>> reps;
    if (BitmapImageRep::isTIFF(data)) {
        for (auto& page : BitmapImageRep::imageRepsWithData(data, &why, limits))
            reps.push_back(std::move(page));
    } else if (EPSImageRep::isEPS(data)) {
        if (auto rep = EPSImageRep::imageRepWithData(data, &why))
            reps.push_back(std::move(rep));
    } else {
        why = "not a TIFF or EPS picture";
    }
    if (reps.empty()) {
        if (error)
            *error = why;
        return false;
    }
    for (auto& rep : reps)
        addRepresentation(std::move(rep));
    data_ = std::make_shared<const std::string>(data);
    if (error)
        error->clear();
    return true;
}

void Image::initialize() { registerClass<Image>("NSImage"); }

void Image::encodeWithCoder(Coder& coder) const
{
    const std::string bytes = data_ ? *data_ : TIFFRepresentation();
    coder.encodeBytes(bytes);
    coder.encodeSize(size_);
    char flags[3] = {char(sizeSet_), char(scalesWhenResized_), char(dataRetained_)};
    coder.encodeValuesOfObjCTypes("ccc", flags[0], flags[1], flags[2]);
}

Object* Image::initWithCoder(Coder& coder)
{
    const std::string bytes = coder.decodeBytes();
    const Size size = coder.decodeSize();
    char sizeSet = 0, scales = 0, retained = 0;
    coder.decodeValuesOfObjCTypes("ccc", &sizeSet, &scales, &retained);
    // A picture that no longer decodes comes back empty (invalid), as a
    // damaged file would: the document still opens.
    loadData(bytes, nullptr, {});
    if (!data_ && !bytes.empty())
        data_ = std::make_shared<const std::string>(bytes); // kept, so that saving again loses nothing
    size_ = size;
    sizeSet_ = sizeSet != 0;
    scalesWhenResized_ = scales != 0;
    dataRetained_ = retained != 0;
    return this;
}

ImageRep* Image::addRepresentation(std::unique_ptr<ImageRep> rep)
{
    if (!rep)
        return nullptr;
    reps_.push_back(std::move(rep));
    recache();
    return reps_.back().get();
}

void Image::removeRepresentation(ImageRep* rep)
{
    auto it = std::find_if(reps_.begin(), reps_.end(), [rep](const auto& r) { return r.get() == rep; });
    if (it == reps_.end())
        return;
    recache();
    reps_.erase(it);
}

ImageRep* Image::bestRepresentationForDevice(const DrawContext*) const
{
    ImageRep* best = nullptr;
    std::uint64_t bestPixels = 0;
    for (const auto& r : reps_) {
        if (dynamic_cast<EPSImageRep*>(r.get()))
            return r.get();
        if (dynamic_cast<BitmapImageRep*>(r.get())) {
            const std::uint64_t pixels = std::uint64_t(r->pixelsWide()) * std::uint64_t(r->pixelsHigh());
            if (!best || pixels > bestPixels) {
                best = r.get();
                bestPixels = pixels;
            }
        }
    }
    return best ? best : lastRepresentation();
}

Size Image::size() const
{
    if (sizeSet_)
        return size_;
    ImageRep* rep = bestRepresentationForDevice();
    return rep ? rep->size() : Size{};
}

void Image::setSize(Size size)
{
    if (sizeSet_ && size.width == size_.width && size.height == size_.height)
        return;
    size_ = size;
    sizeSet_ = true;
    recache();
}

void Image::setDataRetained(bool flag)
{
    dataRetained_ = flag;
}

std::unique_ptr<Image> Image::copy() const
{
    auto image = std::make_unique<Image>();
    for (const auto& r : reps_)
        image->reps_.push_back(r->copy());
    image->size_ = size_;
    image->sizeSet_ = sizeSet_;
    image->scalesWhenResized_ = scalesWhenResized_;
    image->dataRetained_ = dataRetained_;
    image->data_ = data_;
    image->cacheLimit_ = cacheLimit_;
    return image;
}

// ---- Drawing.

bool Image::drawRepresentation(DrawContext& context, ImageRep& rep, const Rect& rect)
{
    if (delegate_ && !delegate_->imageWillDrawRep(context, *this, rep, rect))
        return true;
    if (context.isDrawingToScreen() && &rep == cacheRep_ && cacheState_ == CacheState::Ready) {
        context.drawImage(cachePixels_, rect);
        return true;
    }
    return rep.drawInRect(context, rect);
}

bool Image::drawInRect(DrawContext& context, const Rect& rect)
{
    ImageRep* rep = bestRepresentationForDevice(&context);
    return rep ? drawRepresentation(context, *rep, rect) : false;
}

bool Image::drawAtPoint(DrawContext& context, Point point)
{
    const Size s = size();
    return drawInRect(context, makeRect(point.x, point.y, s.width, s.height));
}

// ---- The screen cache.

void Image::recache()
{
    cacheState_ = CacheState::Empty;
    cacheError_.clear();
    cacheRep_ = nullptr;
    cacheWide_ = cacheHigh_ = 0;
    cacheStore_.clear();
    cacheStore_.shrink_to_fit();
    cachePixels_ = ImagePixels{};
}

Image::CacheState Image::prepareCache()
{
    ImageRep* rep = bestRepresentationForDevice();
    const Size s = size();
    if (!rep || !(s.width > 0) || !(s.height > 0) || !std::isfinite(s.width) || !std::isfinite(s.height)) {
        recache();
        cacheState_ = CacheState::Failed;
        cacheError_ = rep ? "the picture has no size" : "the picture has no representation";
        return cacheState_;
    }
    double w = std::max(1.0, std::round(double(s.width))), h = std::max(1.0, std::round(double(s.height)));
    const double limit = cacheLimit_ > 0 ? double(cacheLimit_) : 16384.0;
    if (w > limit || h > limit) {
        const double f = limit / std::max(w, h);
        w = std::max(1.0, std::round(w * f));
        h = std::max(1.0, std::round(h * f));
    }
    const int wide = int(w), high = int(h);
    if (cacheRep_ == rep && cacheWide_ == wide && cacheHigh_ == high && cacheState_ != CacheState::Empty) {
        if (cacheState_ == CacheState::NotReady) {
            // Someone may have asked the representation for another size
            // meanwhile: ask again for ours (a rendering under way goes on).
            static_cast<EPSImageRep*>(rep)->rasterForSize(wide, high, std::max(wide, high));
            cacheFinished();
        }
        return cacheState_;
    }
    recache();
    cacheRep_ = rep;
    cacheWide_ = wide;
    cacheHigh_ = high;
    if (auto* eps = dynamic_cast<EPSImageRep*>(rep)) {
        std::weak_ptr<Image*> weak = self_;
        eps->setRasterHandler([weak] {
            if (auto self = weak.lock())
                (*self)->cacheFinished();
        });
        cacheState_ = CacheState::NotReady;
        eps->rasterForSize(wide, high, std::max(wide, high));
        cacheFinished(); // the rendering may be there already
        return cacheState_;
    }
    RasterContext raster(wide, high);
    if (raster.width() != wide || raster.height() != high) {
        cacheState_ = CacheState::Failed;
        cacheError_ = "not enough memory for the picture";
        return cacheState_;
    }
    rep->drawInRect(raster, makeRect(0, 0, float(wide), float(high)));
    cacheStore_.resize(static_cast<std::size_t>(wide) * static_cast<std::size_t>(high));
    for (int y = 0; y < high; ++y)
        std::memcpy(cacheStore_.data() + static_cast<std::size_t>(y) * wide, raster.scanLine(y),
                    static_cast<std::size_t>(wide) * 4);
    cachePixels_ = ImagePixels{wide, high, ImagePixels::Model::ARGB32, true, static_cast<std::size_t>(wide) * 4,
                               reinterpret_cast<const unsigned char*>(cacheStore_.data())};
    cacheState_ = CacheState::Ready;
    return cacheState_;
}

void Image::cacheFinished()
{
    auto* eps = dynamic_cast<EPSImageRep*>(cacheRep_);
    if (!eps || cacheState_ != CacheState::NotReady)
        return;
    const EPSRaster& r = eps->raster();
    if (r.width != cacheWide_ || r.height != cacheHigh_)
        return; // another size is being rendered
    if (r.state == EPSRaster::State::Ready) {
        // The pixels move here: one copy of a rendering, not two.
        EPSRaster taken = eps->takeRaster();
        cacheStore_ = std::move(taken.argb);
        cachePixels_ = ImagePixels{taken.width, taken.height, ImagePixels::Model::ARGB32, true,
                                   static_cast<std::size_t>(taken.width) * 4,
                                   reinterpret_cast<const unsigned char*>(cacheStore_.data())};
        cacheState_ = CacheState::Ready;
    } else if (r.state == EPSRaster::State::Failed) {
        cacheState_ = CacheState::Failed;
        cacheError_ = r.error;
    } else {
        return;
    }
    if (readyHandler_) {
        auto handler = readyHandler_;
        handler(*this);
    }
}

bool Image::compositeToPoint(DrawContext& context, Point point, const Rect& fromRect, CompositeOp op)
{
    if (!context.isDrawingToScreen()) {
        // On paper the picture itself, the part clipped, one unit a point.
        const Size s = size();
        context.gsave();
        context.rectclip(point.x, point.y - height(fromRect), width(fromRect), height(fromRect));
        const bool drawn = drawInRect(
            context, makeRect(point.x - minX(fromRect), point.y + minY(fromRect) - s.height, s.width, s.height));
        context.grestore();
        return drawn;
    }
    if (prepareCache() != CacheState::Ready)
        return false;
    context.compositeImage(cachePixels_, point, fromRect, op);
    return true;
}

bool Image::compositeToPoint(DrawContext& context, Point point, CompositeOp op)
{
    const Size s = size();
    return compositeToPoint(context, point, makeRect(0, 0, s.width, s.height), op);
}

std::string Image::TIFFRepresentation() const
{
    std::vector<const BitmapImageRep*> bitmaps;
    for (const auto& r : reps_)
        if (auto* b = dynamic_cast<const BitmapImageRep*>(r.get()))
            bitmaps.push_back(b);
    ImageRep* best = bestRepresentationForDevice();
    if (!best)
        return {};
    if (!bitmaps.empty() && dynamic_cast<BitmapImageRep*>(best))
        return BitmapImageRep::TIFFRepresentationOfImageRepsInArray(bitmaps);
    // Rendered at the image's size.
    const Size s = size();
    const int wide = std::max(1, int(std::lround(s.width))), high = std::max(1, int(std::lround(s.height)));
    std::vector<std::uint32_t> argb;
    if (auto* eps = dynamic_cast<EPSImageRep*>(best)) {
        EPSRaster r = detail::renderEPS(eps->EPSRepresentation(), eps->boundingBox(), wide, high, 30.0);
        if (r.state != EPSRaster::State::Ready)
            return {};
        argb = std::move(r.argb);
    } else {
        RasterContext raster(wide, high);
        if (raster.width() != wide)
            return {};
        best->drawInRect(raster, makeRect(0, 0, float(wide), float(high)));
        argb.resize(static_cast<std::size_t>(wide) * high);
        for (int y = 0; y < high; ++y)
            std::memcpy(argb.data() + static_cast<std::size_t>(y) * wide, raster.scanLine(y),
                        static_cast<std::size_t>(wide) * 4);
    }
    BitmapImageRep bitmap(wide, high, BitmapImageRep::ColorModel::RGB, true);
    bitmap.setSize(s);
    unsigned char* out = bitmap.bitmapData();
    for (std::size_t i = 0; i < argb.size(); ++i) {
        const std::uint32_t v = argb[i];
        const int a = int(v >> 24);
        auto un = [a](int c) { return static_cast<unsigned char>(a ? std::min(255, (c * 255 + a / 2) / a) : 0); };
        out[i * 4] = un(int(v >> 16 & 0xFF));
        out[i * 4 + 1] = un(int(v >> 8 & 0xFF));
        out[i * 4 + 2] = un(int(v & 0xFF));
        out[i * 4 + 3] = static_cast<unsigned char>(a);
    }
    return bitmap.TIFFRepresentation();
}

} // namespace kit
