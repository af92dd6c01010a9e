#pragma once

// What the screen shows is what the printer prints: a page drawn through the
// PostScript writer and rendered by Ghostscript, and the same page painted by
// the screen back end, compared pixel by pixel with the renderers' known
// differences allowed for. Shared by every test that makes that promise.

#include "graphics/PostScriptContext.h"
#include "graphics/RasterContext.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QString>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include <stdlib.h>
#include <unistd.h>

namespace wysiwyg {

inline std::string findProgram(const std::string& name)
{
    const char* path = std::getenv("PATH");
    std::stringstream folders(path ? path : "/usr/bin:/bin");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        const std::filesystem::path candidate = std::filesystem::path(folder) / name;
        if (!folder.empty() && ::access(candidate.c_str(), X_OK) == 0)
            return candidate.string();
    }
    return {};
}

// Removed with the test unless a failure asks to keep the images.
class TempFolder {
public:
    TempFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "wysiwyg-XXXXXX").string();
        if (::mkdtemp(pattern.data()))
            path_ = pattern;
    }
    ~TempFolder()
    {
        std::error_code ignored;
        if (!path_.empty() && !keep_)
            std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }
    void keep() { keep_ = true; }

private:
    std::filesystem::path path_;
    bool keep_ = false;
};

// The finished document as Ghostscript prints it at 72 dpi, antialiased, on
// a page of width × height points; a null image when Ghostscript gave none
// (its messages are in gs.log in the folder).
inline QImage printedImage(const std::string& gs, const kit::PostScriptContext& ps,
                           const std::filesystem::path& folder, int width, int height)
{
    const std::filesystem::path in = folder / "page.ps", out = folder / "printed.png";
    if (!ps.writeToFile(in.string()))
        return {};
    // -dUseFastColor: PostScript's own conversion of CMYK rather than a
    // colour profile's, as the screen converts it.
    const std::string command = "'" + gs + "' -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=png16m -r72" +
                                " -dGraphicsAlphaBits=4 -dTextAlphaBits=4 -dUseFastColor -dFIXEDMEDIA" +
                                " -dDEVICEWIDTHPOINTS=" + std::to_string(width) +
                                " -dDEVICEHEIGHTPOINTS=" + std::to_string(height) + " -sOutputFile='" +
                                out.string() + "' '" + in.string() + "' > '" + (folder / "gs.log").string() +
                                "' 2>&1";
    const int status = std::system(command.c_str());
    EXPECT_EQ(status, 0) << command;
    return QImage(QString::fromStdString(out.string())).convertToFormat(QImage::Format_RGB32);
}

// The screen back end's image as it stands (rows from the top).
inline QImage screenImage(const kit::RasterContext& ctx)
{
    QImage image(ctx.width(), ctx.height(), QImage::Format_RGB32);
    for (int y = 0; y < ctx.height(); ++y)
        for (int x = 0; x < ctx.width(); ++x)
            image.setPixel(x, y, ctx.pixel(x, y));
    return image;
}

// The comparison. The two renderers antialias differently: Ghostscript
// samples 4 × 4 per pixel, applies the fonts' hints (baselines and stems
// snap to pixels) and clips with whole pixels; the screen back end draws
// unhinted outlines with exact coverage and clips with antialiasing. So
// single pixels along edges differ by a fair amount. Both images are first
// blurred with a 3 × 3 box, which turns an edge moved by a fraction of a
// pixel into a small difference and anything moved by a pixel or more into
// a large one. A blurred pixel differs when one of its channels is off by
// more than kChannel of 255 levels. The page fails when some 16 × 16 tile
// holds more than kTile differing pixels: a mistake is local, so it is
// counted where it happens rather than diluted over the whole page.
//
// On a correct page of mixed drawing the worst tile holds about 14 such
// pixels (clipped stripes' ends); the mildest deliberate mistakes (a dash
// pattern lost, the screen font's rounded advances along a line) give
// about 40.
constexpr int kChannel = 48;
constexpr int kTileSide = 16;
constexpr int kTile = 24;

struct Comparison {
    int worstTile = 0; // differing pixels in the worst tile
    int worstTileX = 0, worstTileY = 0;
    int differing = 0; // over the whole page
    QImage difference; // differing pixels in red, for a person to look at
};

inline std::vector<int> blurred(const QImage& image, int channel)
{
    const int w = image.width(), h = image.height();
    std::vector<int> out(static_cast<std::size_t>(w * h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int sum = 0;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    const int sx = std::clamp(x + dx, 0, w - 1), sy = std::clamp(y + dy, 0, h - 1);
                    const QRgb p = image.pixel(sx, sy);
                    sum += channel == 0 ? qRed(p) : channel == 1 ? qGreen(p) : qBlue(p);
                }
            out[static_cast<std::size_t>(y * w + x)] = sum;
        }
    return out;
}

// Images of different sizes never match: the worst tile is then the whole
// page's pixel count.
inline Comparison compare(const QImage& a, const QImage& b)
{
    Comparison result;
    if (a.size() != b.size()) {
        result.worstTile = result.differing = std::max(a.width() * a.height(), b.width() * b.height());
        return result;
    }
    const int w = a.width(), h = a.height();
    const int tilesX = (w + kTileSide - 1) / kTileSide, tilesY = (h + kTileSide - 1) / kTileSide;
    std::vector<int> tiles(static_cast<std::size_t>(tilesX * tilesY), 0);
    std::vector<bool> differs(static_cast<std::size_t>(w * h), false);
    for (int channel = 0; channel < 3; ++channel) {
        const std::vector<int> pa = blurred(a, channel), pb = blurred(b, channel);
        for (std::size_t i = 0; i < pa.size(); ++i)
            if (std::abs(pa[i] - pb[i]) > kChannel * 9)
                differs[i] = true;
    }
    result.difference = a.copy();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (!differs[static_cast<std::size_t>(y * w + x)])
                continue;
            ++result.differing;
            ++tiles[static_cast<std::size_t>((y / kTileSide) * tilesX + x / kTileSide)];
            result.difference.setPixel(x, y, qRgb(255, 0, 0));
        }
    for (int t = 0; t < tilesX * tilesY; ++t)
        if (tiles[static_cast<std::size_t>(t)] > result.worstTile) {
            result.worstTile = tiles[static_cast<std::size_t>(t)];
            result.worstTileX = (t % tilesX) * kTileSide;
            result.worstTileY = (t / tilesX) * kTileSide;
        }
    return result;
}

inline bool matches(const Comparison& c) { return c.worstTile <= kTile; }

inline std::string describe(const Comparison& c)
{
    return std::to_string(c.differing) + " pixels differ; the worst 16 × 16 tile, at (" + std::to_string(c.worstTileX) +
           ", " + std::to_string(c.worstTileY) + "), holds " + std::to_string(c.worstTile);
}

// Dark pixels: a blank screen would match a blank print.
inline int inkOf(const QImage& image)
{
    int dark = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            dark += qGray(image.pixel(x, y)) < 128;
    return dark;
}

// Keeps the images of a failed comparison in the folder for a person to
// look at; answers the folder.
inline std::string keepImages(TempFolder& folder, const QImage& screen, const Comparison& c)
{
    folder.keep();
    screen.save(QString::fromStdString((folder.path() / "screen.png").string()));
    if (!c.difference.isNull())
        c.difference.save(QString::fromStdString((folder.path() / "difference.png").string()));
    return folder.path().string();
}

} // namespace wysiwyg
