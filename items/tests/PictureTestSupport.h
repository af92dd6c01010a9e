#pragma once

// Picture files made by the tests themselves: EPS from our own PostScript
// writer (plain and in a DOS-EPS wrapper), TIFF files written by libtiff in
// the compressions and colour models the program reads; Ghostscript's and
// libtiff's own renderings to compare with; a screen context laid out as a
// page view lays out a page (y running down); and a wait for renderings
// that arrive on the main queue.

#include "core/MainQueue.h"
#include "graphics/PostScriptContext.h"
#include "graphics/RasterContext.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include <stdlib.h>
#include <unistd.h>

namespace pictures {

// Removed with the test.
class TempDir {
public:
    TempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "placed-XXXXXX").string();
        if (::mkdtemp(pattern.data()))
            path_ = pattern;
    }
    ~TempDir()
    {
        std::error_code ignored;
        if (!path_.empty())
            std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

inline void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

inline std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// An EPS picture from our own writer: a red square filling the left half of
// a 100 x 50 box at (10, 20), a blue bar in the lower right quarter, the top
// right quarter left transparent.
inline std::string ourEPS(const std::string& title = "Squares")
{
    kit::PostScriptContext eps(kit::PostScriptContext::Kind::EPS);
    kit::PostScriptDocumentInfo info;
    info.title = title;
    info.boundingBox = kit::makeRect(10, 20, 100, 50);
    eps.beginDocument(info);
    eps.beginPage("1", 1, info.boundingBox);
    eps.setrgbcolor(1, 0, 0);
    eps.rectfill(10, 20, 50, 50);
    eps.setrgbcolor(0, 0, 1);
    eps.rectfill(60, 20, 50, 25);
    eps.endDocument();
    return eps.output();
}

// A DOS-EPS file: the binary header, a fake preview, then the PostScript.
inline std::string dosEPS(const std::string& ps)
{
    std::string preview(40, 'P');
    std::string out(30, '\0');
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            out[at + i] = char(v >> (8 * i) & 0xFF);
    };
    out[0] = char(0xC5), out[1] = char(0xD0), out[2] = char(0xD3), out[3] = char(0xC6);
    put32(4, 30 + 40);
    put32(8, std::uint32_t(ps.size()));
    put32(20, 30);
    put32(24, 40);
    out[28] = out[29] = char(0xFF);
    return out + preview + ps;
}

// A TIFF variant as libtiff writes it.
struct TiffSpec {
    const char* name;
    std::uint16_t photometric;
    std::uint16_t colors; // colour samples
    std::uint16_t bps;
    std::uint16_t compression;
    bool alpha; // unassociated
    int pages;
};

inline int level(int x, int y, int s) { return (x * 37 + y * 11 + s * 71) % 256; }
// Transparent, half and nearly opaque squares of 4 pixels.
inline int alphaAt(int x, int y) { return ((x / 4 + y / 4) % 3) * 127; }

// W x H pixels at 72 dpi (a point a pixel); page p is p pixels narrower, so
// that the first page is the largest.
inline bool writeTiff(const std::string& path, const TiffSpec& c, int W = 23, int H = 17)
{
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    if (!tif)
        return false;
    for (int page = 0; page < c.pages; ++page) {
        const int spp = c.colors + (c.alpha ? 1 : 0);
        const int width = W - page;
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, H);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, spp);
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, c.bps);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, c.photometric);
        TIFFSetField(tif, TIFFTAG_COMPRESSION, c.compression);
        TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 5);
        TIFFSetField(tif, TIFFTAG_XRESOLUTION, 72.0f);
        TIFFSetField(tif, TIFFTAG_YRESOLUTION, 72.0f);
        TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
        if (c.alpha) {
            std::uint16_t kind = EXTRASAMPLE_UNASSALPHA;
            TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &kind);
        }
        if (c.pages > 1) {
            TIFFSetField(tif, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
            TIFFSetField(tif, TIFFTAG_PAGENUMBER, page, c.pages);
        }
        for (int y = 0; y < H; ++y) {
            std::vector<unsigned char> row(std::size_t(width) * spp * (c.bps / 8) + 2, 0);
            for (int x = 0; x < width; ++x)
                for (int s = 0; s < spp; ++s) {
                    const int v = c.alpha && s == spp - 1 ? alphaAt(x, y) : level(x, y, s);
                    const std::size_t i = std::size_t(x) * spp + s;
                    if (c.bps == 16) {
                        const std::uint16_t wide = std::uint16_t(v * 257);
                        std::memcpy(&row[i * 2], &wide, 2);
                    } else {
                        row[i] = static_cast<unsigned char>(v);
                    }
                }
            if (TIFFWriteScanline(tif, row.data(), std::uint32_t(y), 0) < 0) {
                TIFFClose(tif);
                return false;
            }
        }
        TIFFWriteDirectory(tif);
    }
    TIFFClose(tif);
    return true;
}

// What libtiff itself makes of the first page: unpremultiplied 0xAARRGGBB,
// rows from the top.
inline std::vector<std::uint32_t> libtiffPixels(const std::string& path, int& w, int& h)
{
    std::vector<std::uint32_t> out;
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    if (!tif)
        return out;
    std::uint32_t tw = 0, th = 0;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &tw);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &th);
    w = int(tw), h = int(th);
    std::vector<std::uint32_t> raster(std::size_t(tw) * th);
    if (TIFFReadRGBAImageOriented(tif, tw, th, raster.data(), ORIENTATION_TOPLEFT, 1)) {
        for (std::uint32_t v : raster) {
            const int a = int(TIFFGetA(v));
            auto un = [a](int c) { return std::uint32_t(a ? std::min(255, (c * 255 + a / 2) / a) : 0); };
            out.push_back(std::uint32_t(a) << 24 | un(int(TIFFGetR(v))) << 16 | un(int(TIFFGetG(v))) << 8 |
                          un(int(TIFFGetB(v))));
        }
    }
    TIFFClose(tif);
    return out;
}

// The colour over white paper.
inline std::uint32_t overWhite(std::uint32_t argb)
{
    const int a = int(argb >> 24);
    auto over = [a](int c) { return std::uint32_t((c * a + 255 * (255 - a) + 127) / 255); };
    return 0xFF000000u | over(int(argb >> 16 & 0xFF)) << 16 | over(int(argb >> 8 & 0xFF)) << 8 |
           over(int(argb & 0xFF));
}

inline int channelDistance(std::uint32_t a, std::uint32_t b)
{
    int worst = 0;
    for (int shift = 0; shift < 24; shift += 8)
        worst = std::max(worst, std::abs(int(a >> shift & 0xFF) - int(b >> shift & 0xFF)));
    return worst;
}

inline std::string ghostscript()
{
    for (const char* candidate : {"/usr/bin/gs", "/usr/local/bin/gs"})
        if (::access(candidate, X_OK) == 0)
            return candidate;
    return {};
}

// Ghostscript's rendering at 72 dpi of PostScript on a page of w x h points
// (or, with epsCrop, of an EPS file cropped to its box): 0xFFRRGGBB, rows
// from the top; empty when Ghostscript failed.
inline std::vector<std::uint32_t> ghostscriptPixels(const TempDir& dir, const std::string& postscript, int w, int h,
                                                    bool epsCrop = false)
{
    const std::string in = dir.file("gs-in.ps"), out = dir.file("gs-out.ppm");
    writeFile(in, postscript);
    const std::string command = ghostscript() + " -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=ppmraw -r72" +
                                " -dUseFastColor" +
                                (epsCrop ? std::string(" -dEPSCrop")
                                         : " -dFIXEDMEDIA -dDEVICEWIDTHPOINTS=" + std::to_string(w) +
                                               " -dDEVICEHEIGHTPOINTS=" + std::to_string(h)) +
                                " -sOutputFile=" + out + " " + in + " > " + dir.file("gs.log") + " 2>&1";
    if (std::system(command.c_str()) != 0)
        return {};
    const std::string ppm = readFile(out);
    // "P6", width, height, 255, each after white space or a "#" comment
    // line, then one white space character and the RGB triples.
    std::size_t pos = 0;
    auto token = [&]() -> std::string {
        for (;;) {
            while (pos < ppm.size() && std::isspace(static_cast<unsigned char>(ppm[pos])))
                ++pos;
            if (pos < ppm.size() && ppm[pos] == '#') {
                pos = ppm.find('\n', pos);
                if (pos == std::string::npos)
                    pos = ppm.size();
                continue;
            }
            break;
        }
        const std::size_t start = pos;
        while (pos < ppm.size() && !std::isspace(static_cast<unsigned char>(ppm[pos])))
            ++pos;
        return ppm.substr(start, pos - start);
    };
    const std::string magic = token(), pw = token(), ph = token(), maxval = token();
    if (magic != "P6" || pw != std::to_string(w) || ph != std::to_string(h) || maxval != "255")
        return {};
    const std::size_t start = pos + 1;
    if (ppm.size() < start + std::size_t(w) * h * 3)
        return {};
    std::vector<std::uint32_t> pixels(std::size_t(w) * h);
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        const auto* p = reinterpret_cast<const unsigned char*>(ppm.data() + start + i * 3);
        pixels[i] = 0xFF000000u | std::uint32_t(p[0]) << 16 | std::uint32_t(p[1]) << 8 | p[2];
    }
    return pixels;
}

// A screen context of w x h pixels over white, its user space a page seen at
// the zoom: origin at the top left, y running down.
inline void layOutAsPage(kit::RasterContext& screen, float zoom)
{
    screen.fillImage(0xFFFFFFFF);
    screen.initmatrix();
    screen.initclip();
    screen.translate(0, float(screen.height()));
    screen.scale(zoom, -zoom);
}

// Runs the main queue until the predicate holds (at most 30 s).
template <class F>
bool runUntil(F&& done)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        kit::MainQueue::waitForPosted(0.05);
        kit::MainQueue::drain();
    }
    return true;
}

inline bool settle()
{
    return runUntil([] { return kit::MainQueue::backgroundWorkInFlight() == 0 && !kit::MainQueue::hasPosted(); });
}

} // namespace pictures
