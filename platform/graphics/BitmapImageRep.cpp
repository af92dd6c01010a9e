#include "graphics/BitmapImageRep.h"

#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <limits>

namespace kit {

namespace {

// ---- libtiff over bytes in memory: the reader never touches the file again.

struct MemoryFile {
    const unsigned char* data = nullptr; // reading
    std::string* out = nullptr;          // writing
    std::uint64_t size = 0;
    std::uint64_t pos = 0;
};

tmsize_t memRead(thandle_t h, void* buf, tmsize_t n)
{
    auto* f = static_cast<MemoryFile*>(h);
    const std::uint64_t size = f->out ? f->out->size() : f->size;
    if (n <= 0 || f->pos >= size)
        return 0;
    const std::uint64_t count = std::min<std::uint64_t>(static_cast<std::uint64_t>(n), size - f->pos);
    const unsigned char* from = f->out ? reinterpret_cast<const unsigned char*>(f->out->data()) : f->data;
    std::memcpy(buf, from + f->pos, count);
    f->pos += count;
    return static_cast<tmsize_t>(count);
}

tmsize_t memWrite(thandle_t h, void* buf, tmsize_t n)
{
    auto* f = static_cast<MemoryFile*>(h);
    if (!f->out || n < 0)
        return 0;
    const std::uint64_t end = f->pos + static_cast<std::uint64_t>(n);
    if (end > f->out->size())
        f->out->resize(end);
    std::memcpy(f->out->data() + f->pos, buf, static_cast<std::size_t>(n));
    f->pos = end;
    return n;
}

toff_t memSeek(thandle_t h, toff_t offset, int whence)
{
    auto* f = static_cast<MemoryFile*>(h);
    const std::uint64_t size = f->out ? f->out->size() : f->size;
    std::uint64_t base = whence == SEEK_CUR ? f->pos : whence == SEEK_END ? size : 0;
    // Offsets are unsigned; a "negative" one wraps and is refused.
    if (offset > std::numeric_limits<std::uint64_t>::max() - base)
        return static_cast<toff_t>(-1);
    f->pos = base + offset;
    return f->pos;
}

int memClose(thandle_t) { return 0; }

toff_t memSize(thandle_t h)
{
    auto* f = static_cast<MemoryFile*>(h);
    return f->out ? f->out->size() : f->size;
}

int memMap(thandle_t, void**, toff_t*) { return 0; }
void memUnmap(thandle_t, void*, toff_t) {}

int onError(TIFF*, void* user, const char* module, const char* fmt, va_list ap)
{
    auto* message = static_cast<std::string*>(user);
    if (message && message->empty()) {
        char buffer[512];
        std::vsnprintf(buffer, sizeof buffer, fmt, ap);
        *message = module ? std::string(module) + ": " + buffer : std::string(buffer);
    }
    return 1;
}

int onWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct TiffHandle {
    TIFF* tif = nullptr;
    TIFFOpenOptions* options = nullptr;
    ~TiffHandle()
    {
        if (tif)
            TIFFClose(tif);
        if (options)
            TIFFOpenOptionsFree(options);
    }
};

bool openTIFF(TiffHandle& h, MemoryFile& file, const char* mode, std::string& message)
{
    h.options = TIFFOpenOptionsAlloc();
    if (!h.options)
        return false;
    // No single allocation inside libtiff may pass this, whatever the file says.
    TIFFOpenOptionsSetMaxSingleMemAlloc(h.options, 256 << 20);
    TIFFOpenOptionsSetErrorHandlerExtR(h.options, onError, &message);
    TIFFOpenOptionsSetWarningHandlerExtR(h.options, onWarning, nullptr);
    h.tif = TIFFClientOpenExt("picture", mode, &file, memRead, memWrite, memSeek, memClose, memSize, memMap, memUnmap,
                              h.options);
    return h.tif != nullptr;
}

float pointsPerPixel(TIFF* tif, ttag_t tag)
{
    float resolution = 0;
    std::uint16_t unit = RESUNIT_INCH;
    if (!TIFFGetField(tif, tag, &resolution))
        return 1.0f;
    TIFFGetFieldDefaulted(tif, TIFFTAG_RESOLUTIONUNIT, &unit);
    double dpi = resolution;
    if (unit == RESUNIT_CENTIMETER)
        dpi *= 2.54;
    else if (unit != RESUNIT_INCH)
        return 1.0f;
    if (!std::isfinite(dpi) || dpi < 1.0 || dpi > 1e6)
        return 1.0f;
    return static_cast<float>(72.0 / dpi);
}

int unpremultiply(int c, int a) { return a == 0 ? 0 : std::min(255, (c * 255 + a / 2) / a); }

std::string samplesFailure(const std::string& libtiff, const char* what)
{
    return libtiff.empty() ? std::string(what) : std::string(what) + " (" + libtiff + ")";
}

} // namespace

// ---- The bitmap.

BitmapImageRep::BitmapImageRep(int pixelsWide, int pixelsHigh, ColorModel model, bool hasAlpha)
    : model_(model), alpha_(hasAlpha)
{
    pixelsWide = std::max(1, pixelsWide);
    pixelsHigh = std::max(1, pixelsHigh);
    setPixels(pixelsWide, pixelsHigh);
    setSize(Size{float(pixelsWide), float(pixelsHigh)});
    bytesPerRow_ = static_cast<std::size_t>(pixelsWide) * static_cast<std::size_t>(samplesPerPixel());
    data_ = std::make_shared<std::vector<unsigned char>>(bytesPerRow_ * static_cast<std::size_t>(pixelsHigh));
}

BitmapImageRep::~BitmapImageRep() = default;

int BitmapImageRep::samplesPerPixel() const
{
    return (model_ == ColorModel::Gray ? 1 : model_ == ColorModel::RGB ? 3 : 4) + (alpha_ ? 1 : 0);
}

std::string BitmapImageRep::colorSpaceName() const
{
    switch (model_) {
    case ColorModel::Gray: return "NSDeviceWhiteColorSpace";
    case ColorModel::RGB: return "NSDeviceRGBColorSpace";
    case ColorModel::CMYK: return "NSDeviceCMYKColorSpace";
    }
    return "";
}

unsigned char* BitmapImageRep::bitmapData()
{
    if (data_.use_count() > 1)
        data_ = std::make_shared<std::vector<unsigned char>>(*data_);
    return data_->data();
}

ImagePixels BitmapImageRep::pixels() const
{
    ImagePixels p;
    p.width = pixelsWide();
    p.height = pixelsHigh();
    p.model = model_ == ColorModel::Gray  ? ImagePixels::Model::Gray
              : model_ == ColorModel::RGB ? ImagePixels::Model::RGB
                                          : ImagePixels::Model::CMYK;
    p.hasAlpha = alpha_;
    p.bytesPerRow = bytesPerRow_;
    p.data = data_->data();
    return p;
}

std::uint32_t BitmapImageRep::colorAt(int x, int y) const
{
    if (x < 0 || y < 0 || x >= pixelsWide() || y >= pixelsHigh())
        return 0;
    const unsigned char* p = bitmapData() + static_cast<std::size_t>(y) * bytesPerRow_ +
                             static_cast<std::size_t>(x) * static_cast<std::size_t>(samplesPerPixel());
    std::uint32_t r = 0, g = 0, b = 0, a = 255;
    switch (model_) {
    case ColorModel::Gray:
        r = g = b = p[0];
        if (alpha_)
            a = p[1];
        break;
    case ColorModel::RGB:
        r = p[0], g = p[1], b = p[2];
        if (alpha_)
            a = p[3];
        break;
    case ColorModel::CMYK: {
        auto channel = [k = int(p[3])](int c) { return std::uint32_t(std::max(0, 255 - std::min(255, c + k))); };
        r = channel(p[0]), g = channel(p[1]), b = channel(p[2]);
        if (alpha_)
            a = p[4];
        break;
    }
    }
    return a << 24 | r << 16 | g << 8 | b;
}

bool BitmapImageRep::hasNonZeroAlpha() const
{
    if (!alpha_)
        return true;
    const int spp = samplesPerPixel();
    for (int y = 0; y < pixelsHigh(); ++y) {
        const unsigned char* p = bitmapData() + static_cast<std::size_t>(y) * bytesPerRow_ + (spp - 1);
        for (int x = 0; x < pixelsWide(); ++x, p += spp)
            if (*p)
                return true;
    }
    return false;
}

bool BitmapImageRep::draw(DrawContext& context)
{
    context.drawImage(pixels(), makeRect(0, 0, size().width, size().height));
    return true;
}

std::unique_ptr<ImageRep> BitmapImageRep::copy() const
{
    return std::unique_ptr<ImageRep>(new BitmapImageRep(*this));
}

// ---- Reading TIFF.

bool BitmapImageRep::isTIFF(std::string_view d)
{
    if (d.size() < 4)
        return false;
    return (d[0] == 'I' && d[1] == 'I' && (d[2] == 42 || d[2] == 43) && d[3] == 0) ||
           (d[0] == 'M' && d[1] == 'M' && d[2] == 0 && (d[3] == 42 || d[3] == 43));
}

namespace {

// One page through libtiff's own RGBA conversion, which knows every
// photometric interpretation, bit depth and compression it reads.
std::unique_ptr<BitmapImageRep> readRGBAPage(TIFF* tif, std::uint32_t w, std::uint32_t h, bool gray,
                                             std::string& message, std::string& error)
{
    char emsg[1024] = "";
    if (!TIFFRGBAImageOK(tif, emsg)) {
        error = std::string("unsupported TIFF page: ") + emsg;
        return nullptr;
    }
    TIFFRGBAImage img;
    if (!TIFFRGBAImageBegin(&img, tif, 1, emsg)) {
        error = std::string("unreadable TIFF page: ") + emsg;
        return nullptr;
    }
    img.req_orientation = ORIENTATION_TOPLEFT;
    const bool alpha = img.alpha != 0;
    auto rep = std::make_unique<BitmapImageRep>(int(w), int(h), gray ? BitmapImageRep::ColorModel::Gray
                                                                     : BitmapImageRep::ColorModel::RGB,
                                                alpha);
    // The RGBA words go into a buffer of their own size, then are narrowed
    // into the bitmap in place of themselves: no second full-size copy.
    std::vector<std::uint32_t> raster;
    const std::size_t count = static_cast<std::size_t>(w) * h;
    try {
        raster.resize(count);
    } catch (const std::bad_alloc&) {
        TIFFRGBAImageEnd(&img);
        error = "not enough memory for the TIFF page";
        return nullptr;
    }
    const int ok = TIFFRGBAImageGet(&img, raster.data(), w, h);
    TIFFRGBAImageEnd(&img);
    if (!ok) {
        error = samplesFailure(message, "damaged TIFF page");
        return nullptr;
    }
    unsigned char* out = rep->bitmapData();
    const int spp = rep->samplesPerPixel();
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t v = raster[i];
        const int a = int(TIFFGetA(v));
        int r = int(TIFFGetR(v)), g = int(TIFFGetG(v)), b = int(TIFFGetB(v));
        if (alpha) {
            // libtiff hands alpha associated; the bitmap keeps it apart.
            r = unpremultiply(r, a);
            g = unpremultiply(g, a);
            b = unpremultiply(b, a);
        }
        unsigned char* p = out + i * static_cast<std::size_t>(spp);
        if (gray) {
            p[0] = static_cast<unsigned char>(r);
        } else {
            p[0] = static_cast<unsigned char>(r);
            p[1] = static_cast<unsigned char>(g);
            p[2] = static_cast<unsigned char>(b);
        }
        if (alpha)
            p[spp - 1] = static_cast<unsigned char>(a);
    }
    return rep;
}

// Grey and CMYK of 8 or 16 bits in strips keep their own samples.
std::unique_ptr<BitmapImageRep> readSamplesPage(TIFF* tif, std::uint32_t w, std::uint32_t h, BitmapImageRep::ColorModel model,
                                                int colors, bool alpha, bool associated, bool invert,
                                                std::uint16_t bps, std::uint16_t spp, std::uint16_t planar,
                                                std::string& message, std::string& error)
{
    auto rep = std::make_unique<BitmapImageRep>(int(w), int(h), model, alpha);
    const tmsize_t lineSize = TIFFScanlineSize(tif);
    const int bytesPerSample = bps / 8;
    const int wanted = colors + (alpha ? 1 : 0);
    const std::size_t needed =
        static_cast<std::size_t>(w) * bytesPerSample * (planar == PLANARCONFIG_CONTIG ? spp : 1);
    if (lineSize <= 0 || static_cast<std::size_t>(lineSize) < needed) {
        error = samplesFailure(message, "damaged TIFF page");
        return nullptr;
    }
    std::vector<unsigned char> line(static_cast<std::size_t>(lineSize));
    unsigned char* out = rep->bitmapData();
    const int outSpp = rep->samplesPerPixel();
    auto sampleAt = [&](const unsigned char* base, std::size_t index) -> int {
        if (bytesPerSample == 1)
            return base[index];
        std::uint16_t v;
        std::memcpy(&v, base + index * 2, 2);
        return v >> 8;
    };
    const int planes = planar == PLANARCONFIG_CONTIG ? 1 : wanted;
    for (int plane = 0; plane < planes; ++plane) {
        for (std::uint32_t y = 0; y < h; ++y) {
            if (TIFFReadScanline(tif, line.data(), y, static_cast<std::uint16_t>(plane)) < 0) {
                error = samplesFailure(message, "damaged TIFF page");
                return nullptr;
            }
            unsigned char* row = out + static_cast<std::size_t>(y) * rep->bytesPerRow();
            for (std::uint32_t x = 0; x < w; ++x) {
                for (int s = 0; s < wanted; ++s) {
                    if (planes > 1 && s != plane)
                        continue;
                    const std::size_t index = planes > 1 ? x : static_cast<std::size_t>(x) * spp + s;
                    int v = sampleAt(line.data(), index);
                    if (invert && s == 0)
                        v = 255 - v;
                    row[static_cast<std::size_t>(x) * outSpp + s] = static_cast<unsigned char>(v);
                }
            }
        }
    }
    if (alpha && associated) {
        for (std::uint32_t y = 0; y < h; ++y) {
            unsigned char* p = out + static_cast<std::size_t>(y) * rep->bytesPerRow();
            for (std::uint32_t x = 0; x < w; ++x, p += outSpp)
                for (int s = 0; s < colors; ++s)
                    p[s] = static_cast<unsigned char>(unpremultiply(p[s], p[colors]));
        }
    }
    return rep;
}

} // namespace

std::vector<std::unique_ptr<BitmapImageRep>> BitmapImageRep::imageRepsWithData(std::string_view data, std::string* error,
                                                                               const ImageLimits& limits)
{
    std::vector<std::unique_ptr<BitmapImageRep>> pages;
    std::string why;
    auto fail = [&](std::string reason) {
        pages.clear();
        if (error)
            *error = std::move(reason);
        return std::move(pages);
    };
    if (!isTIFF(data))
        return fail("not a TIFF file");
    MemoryFile file;
    file.data = reinterpret_cast<const unsigned char*>(data.data());
    file.size = data.size();
    std::string message;
    TiffHandle h;
    if (!openTIFF(h, file, "rm", message))
        return fail(samplesFailure(message, "damaged TIFF file"));
    std::uint64_t pixels = 0;
    constexpr int kMaxPages = 1000;
    do {
        if (pages.size() >= kMaxPages)
            return fail("TIFF file with too many pages");
        TIFF* tif = h.tif;
        std::uint32_t w = 0, hgt = 0;
        if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w) || !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &hgt) || w == 0 ||
            hgt == 0)
            return fail(samplesFailure(message, "TIFF page without a size"));
        if (w > limits.maxSide || hgt > limits.maxSide)
            return fail("TIFF page of " + std::to_string(w) + " x " + std::to_string(hgt) + " pixels is too large");
        pixels += std::uint64_t(w) * hgt;
        if (pixels > limits.maxPixels)
            return fail("TIFF file of more than " + std::to_string(limits.maxPixels / 1000000) +
                        " million pixels is too large");
        std::uint16_t spp = 1, bps = 1, planar = PLANARCONFIG_CONTIG, photometric = 0, inkset = INKSET_CMYK;
        std::uint16_t extraCount = 0;
        std::uint16_t* extra = nullptr;
        TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &spp);
        TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bps);
        TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
        TIFFGetFieldDefaulted(tif, TIFFTAG_EXTRASAMPLES, &extraCount, &extra);
        const bool hasPhotometric = TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric) != 0;
        TIFFGetFieldDefaulted(tif, TIFFTAG_INKSET, &inkset);
        const bool alphaTagged = extraCount > 0 && extra &&
                                 (extra[0] == EXTRASAMPLE_ASSOCALPHA || extra[0] == EXTRASAMPLE_UNASSALPHA);
        const bool associated = alphaTagged && extra[0] == EXTRASAMPLE_ASSOCALPHA;
        const bool grayish = hasPhotometric && (photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE);
        std::uint16_t sampleFormat = SAMPLEFORMAT_UINT;
        TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &sampleFormat);
        const bool ownSamples = !TIFFIsTiled(tif) && (bps == 8 || bps == 16) && sampleFormat == SAMPLEFORMAT_UINT &&
                                (planar == PLANARCONFIG_CONTIG || planar == PLANARCONFIG_SEPARATE);
        std::unique_ptr<BitmapImageRep> rep;
        if (ownSamples && grayish && spp == 1 + (alphaTagged ? 1 : 0)) {
            rep = readSamplesPage(tif, w, hgt, ColorModel::Gray, 1, alphaTagged, associated,
                                  photometric == PHOTOMETRIC_MINISWHITE, bps, spp, planar, message, why);
        } else if (ownSamples && hasPhotometric && photometric == PHOTOMETRIC_SEPARATED && inkset == INKSET_CMYK &&
                   spp == 4 + (alphaTagged ? 1 : 0)) {
            rep = readSamplesPage(tif, w, hgt, ColorModel::CMYK, 4, alphaTagged, associated, false, bps, spp, planar,
                                  message, why);
        } else if (ownSamples && hasPhotometric && photometric == PHOTOMETRIC_RGB && spp == 3 + (alphaTagged ? 1 : 0)) {
            // libtiff's RGBA conversion would premultiply, losing the colour
            // under low alpha: RGB strips keep their own samples too.
            rep = readSamplesPage(tif, w, hgt, ColorModel::RGB, 3, alphaTagged, associated, false, bps, spp, planar,
                                  message, why);
        } else {
            rep = readRGBAPage(tif, w, hgt, grayish, message, why);
        }
        if (!rep)
            return fail(why);
        rep->setSize(Size{float(w) * pointsPerPixel(tif, TIFFTAG_XRESOLUTION),
                          float(hgt) * pointsPerPixel(tif, TIFFTAG_YRESOLUTION)});
        pages.push_back(std::move(rep));
    } while (TIFFReadDirectory(h.tif));
    if (error)
        error->clear();
    return pages;
}

std::unique_ptr<BitmapImageRep> BitmapImageRep::imageRepWithData(std::string_view data, std::string* error,
                                                                 const ImageLimits& limits)
{
    auto pages = imageRepsWithData(data, error, limits);
    if (pages.empty())
        return nullptr;
    return std::move(pages.front());
}

// ---- Writing TIFF.

std::string BitmapImageRep::TIFFRepresentation(TIFFCompression compression) const
{
    const BitmapImageRep* self = this;
    return TIFFRepresentationOfImageRepsInArray(std::span<const BitmapImageRep* const>(&self, 1), compression);
}

std::string BitmapImageRep::TIFFRepresentationOfImageRepsInArray(std::span<const BitmapImageRep* const> reps,
                                                                 TIFFCompression compression)
{
    std::string out;
    MemoryFile file;
    file.out = &out;
    std::string message;
    {
        TiffHandle h;
        if (!openTIFF(h, file, "w", message))
            return {};
        for (const BitmapImageRep* rep : reps) {
            if (!rep)
                continue;
            TIFF* tif = h.tif;
            const int spp = rep->samplesPerPixel();
            TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, std::uint32_t(rep->pixelsWide()));
            TIFFSetField(tif, TIFFTAG_IMAGELENGTH, std::uint32_t(rep->pixelsHigh()));
            TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, std::uint16_t(spp));
            TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, std::uint16_t(8));
            TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
            TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
            switch (rep->colorModel()) {
            case ColorModel::Gray: TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK); break;
            case ColorModel::RGB: TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB); break;
            case ColorModel::CMYK:
                TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_SEPARATED);
                TIFFSetField(tif, TIFFTAG_INKSET, INKSET_CMYK);
                break;
            }
            if (rep->hasAlpha()) {
                std::uint16_t kind = EXTRASAMPLE_UNASSALPHA;
                TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &kind);
            }
            switch (compression) {
            case TIFFCompression::None: TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_NONE); break;
            case TIFFCompression::PackBits: TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_PACKBITS); break;
            case TIFFCompression::LZW:
                TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
                TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
                break;
            case TIFFCompression::Deflate:
                TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
                TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
                break;
            }
            const Size s = rep->size();
            const float xres = s.width > 0 ? 72.0f * float(rep->pixelsWide()) / s.width : 72.0f;
            const float yres = s.height > 0 ? 72.0f * float(rep->pixelsHigh()) / s.height : 72.0f;
            TIFFSetField(tif, TIFFTAG_XRESOLUTION, std::isfinite(xres) ? xres : 72.0f);
            TIFFSetField(tif, TIFFTAG_YRESOLUTION, std::isfinite(yres) ? yres : 72.0f);
            TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
            TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, 0));
            std::vector<unsigned char> line(rep->bytesPerRow());
            for (int y = 0; y < rep->pixelsHigh(); ++y) {
                // libtiff may encode in place: hand it a copy of the row.
                std::memcpy(line.data(), rep->bitmapData() + static_cast<std::size_t>(y) * rep->bytesPerRow(),
                            line.size());
                if (TIFFWriteScanline(tif, line.data(), std::uint32_t(y), 0) < 0)
                    return {};
            }
            if (!TIFFWriteDirectory(tif))
                return {};
        }
    }
    return out;
}

} // namespace kit
