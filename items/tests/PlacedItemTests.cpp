// Placed pictures made from real files: each kind is placed, drawn on the
// screen (compared with libtiff's or Ghostscript's own rendering of the
// file), printed (Ghostscript renders the page), and stored and read back.

#include "ItemTestSupport.h"
#include "PictureTestSupport.h"

#include "core/Archiver.h"
#include "core/FileManager.h"
#include "core/Unarchiver.h"
#include "graphics/BitmapImageRep.h"
#include "graphics/EPSImageRep.h"
#include "graphics/PostScriptContext.h"
#include "graphics/RasterContext.h"
#include "items/PlacedItem.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using pictures::TempDir;

struct PictureCase {
    const char* name;
    // Writes the file; answers the expected colour (over white) of the
    // picture's pixel (x, y) from the top left, for bitmaps.
    bool eps;
    pictures::TiffSpec tiff;
    std::string (*epsData)();
};

std::string plainEPS() { return pictures::ourEPS(); }
std::string epsWithTiffPreview()
{
    // A DOS-EPS file whose preview is a real TIFF: only the PostScript counts.
    const std::string ps = pictures::ourEPS();
    kit::BitmapImageRep preview(10, 5, kit::BitmapImageRep::ColorModel::Gray, false);
    const std::string tiff = preview.TIFFRepresentation();
    std::string out(30, '\0');
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            out[at + i] = char(v >> (8 * i) & 0xFF);
    };
    out[0] = char(0xC5), out[1] = char(0xD0), out[2] = char(0xD3), out[3] = char(0xC6);
    put32(4, std::uint32_t(30 + tiff.size()));
    put32(8, std::uint32_t(ps.size()));
    put32(20, 30);
    put32(24, std::uint32_t(tiff.size()));
    out[28] = out[29] = char(0xFF);
    return out + tiff + ps;
}

const PictureCase kCases[] = {
    {"eps_from_our_writer", true, {}, plainEPS},
    {"eps_with_tiff_preview", true, {}, epsWithTiffPreview},
    {"tiff_lzw", false, {"lzw", PHOTOMETRIC_RGB, 3, 8, COMPRESSION_LZW, false, 1}, nullptr},
    {"tiff_deflate", false, {"deflate", PHOTOMETRIC_RGB, 3, 8, COMPRESSION_ADOBE_DEFLATE, false, 1}, nullptr},
    {"tiff_packbits", false, {"packbits", PHOTOMETRIC_MINISBLACK, 1, 8, COMPRESSION_PACKBITS, false, 1}, nullptr},
    {"tiff_cmyk", false, {"cmyk", PHOTOMETRIC_SEPARATED, 4, 8, COMPRESSION_LZW, false, 1}, nullptr},
    {"tiff_16bit", false, {"16bit", PHOTOMETRIC_RGB, 3, 16, COMPRESSION_LZW, false, 1}, nullptr},
    {"tiff_alpha", false, {"alpha", PHOTOMETRIC_RGB, 3, 8, COMPRESSION_LZW, true, 1}, nullptr},
    {"tiff_multipage", false, {"multi", PHOTOMETRIC_RGB, 3, 8, COMPRESSION_PACKBITS, false, 3}, nullptr},
};

constexpr int PageW = 200, PageH = 140;
// Bitmaps are shown five times their size: the middle device pixel of each
// bitmap pixel samples that pixel exactly, on the screen and on paper.
constexpr int Scale = 5;
constexpr float X = 20, Y = 30;

// The expected colour of bitmap pixel (x, y) over white paper.
std::uint32_t expectedBitmapColour(const PictureCase& c, const std::string& path, int x, int y)
{
    if (c.tiff.photometric == PHOTOMETRIC_SEPARATED) {
        // PostScript's own conversion, as the screen and Ghostscript make it.
        auto channel = [&](int s) {
            return std::uint32_t(std::max(0, 255 - std::min(255, pictures::level(x, y, s) + pictures::level(x, y, 3))));
        };
        return 0xFF000000u | channel(0) << 16 | channel(1) << 8 | channel(2);
    }
    int w = 0, h = 0;
    static std::string cachedPath;
    static std::vector<std::uint32_t> cached;
    if (cachedPath != path) {
        cached = pictures::libtiffPixels(path, w, h);
        cachedPath = path;
    }
    const int width = 23;
    return pictures::overWhite(cached.at(std::size_t(y) * width + x));
}

class PlacedPictureFiles : public ::testing::TestWithParam<PictureCase> {
protected:
    static void SetUpTestSuite() { setUpItemClasses(); }
    void TearDown() override { EXPECT_TRUE(pictures::settle()); }

    // The screen at 100 %, the picture's rendering waited for.
    void drawOnScreen(PlacedItem& item, kit::RasterContext& screen)
    {
        pictures::layOutAsPage(screen, 1.0f);
        PlacedPaint paint{screen};
        item.renderInView(paint, kit::makeRect(0, 0, PageW, PageH), false);
        auto* image = item._findMatchingImage(1.0f);
        ASSERT_TRUE(image);
        ASSERT_TRUE(pictures::runUntil([&] { return image->cacheState() != kit::Image::CacheState::NotReady; }));
        ASSERT_EQ(image->cacheState(), kit::Image::CacheState::Ready) << image->cacheError();
        pictures::layOutAsPage(screen, 1.0f);
        item.renderInView(paint, kit::makeRect(0, 0, PageW, PageH), false);
    }

    std::vector<std::uint32_t> print(PlacedItem& item, const TempDir& dir)
    {
        kit::PostScriptContext ps;
        ps.beginPage("1", 1, kit::makeRect(0, 0, PageW, PageH));
        ps.translate(0, PageH);
        ps.scale(1, -1);
        PlacedPaint paint{ps};
        paint.screen = false;
        item.renderInView(paint, kit::makeRect(0, 0, PageW, PageH), false);
        ps.endDocument();
        return pictures::ghostscriptPixels(dir, ps.output(), PageW, PageH);
    }
};

TEST_P(PlacedPictureFiles, PlacedDrawnPrintedAndStored)
{
    const PictureCase& c = GetParam();
    TempDir dir;
    ASSERT_FALSE(pictures::ghostscript().empty());
    const std::string path = dir.file(std::string(c.name) + (c.eps ? ".eps" : ".tiff"));
    if (c.eps)
        pictures::writeFile(path, c.epsData());
    else
        ASSERT_TRUE(pictures::writeTiff(path, c.tiff));

    std::string error;
    std::shared_ptr<PlacedItem> item = PlacedItem::initWithContentsOfFile(path, true, &error);
    ASSERT_TRUE(item) << error;
    EXPECT_TRUE(item->isLinked());
    EXPECT_FALSE(item->cantFind());
    const auto attributes = kit::FileManager::fileAttributesAtPath(path);
    EXPECT_EQ(item->filesize(), std::int32_t(attributes->size));
    EXPECT_EQ(item->lastModifyTime(), attributes->modificationDate);
    const kit::Size natural = c.eps ? kit::Size{100, 50} : kit::Size{23, 17};
    EXPECT_EQ(item->frame().size, natural);
    EXPECT_EQ(item->originalFrame().size, natural);
    EXPECT_FLOAT_EQ(item->naturalRatio(), natural.width / natural.height);
    EXPECT_EQ(item->isEPSFile(), c.eps);
    const float scale = c.eps ? 1.0f : float(Scale);
    item->setFrame(kit::makeRect(X, Y, natural.width * scale, natural.height * scale));

    kit::RasterContext screen(PageW, PageH);
    drawOnScreen(*item, screen);
    const std::vector<std::uint32_t> printed = print(*item, dir);
    ASSERT_EQ(printed.size(), std::size_t(PageW * PageH)) << "Ghostscript failed";

    std::vector<std::uint32_t> reference;
    if (c.eps) {
        // Ghostscript's own rendering of the file alone, cropped to its box.
        reference = pictures::ghostscriptPixels(dir, pictures::ourEPS(), 100, 50, true);
        ASSERT_EQ(reference.size(), 100u * 50u);
    }
    int compared = 0;
    for (int y = 0; y < int(natural.height); ++y)
        for (int x = 0; x < int(natural.width); ++x) {
            std::uint32_t want;
            int px, py;
            if (c.eps) {
                // Inside the shapes only: the renderers antialias edges alike
                // but not identically.
                auto at = [&](int u, int v) { return reference[std::size_t(v) * 100 + u]; };
                if (x == 0 || y == 0 || x == 99 || y == 49 || at(x - 1, y) != at(x + 1, y) ||
                    at(x, y - 1) != at(x, y + 1))
                    continue;
                want = at(x, y);
                px = int(X) + x, py = int(Y) + y;
            } else {
                want = expectedBitmapColour(c, path, x, y);
                px = int(X) + x * Scale + Scale / 2, py = int(Y) + y * Scale + Scale / 2;
            }
            ASSERT_LE(pictures::channelDistance(screen.pixel(px, py), want), 3)
                << "screen at " << x << "," << y << std::hex << " " << screen.pixel(px, py) << " " << want;
            ASSERT_LE(pictures::channelDistance(printed[std::size_t(py) * PageW + px], want), 3)
                << "paper at " << x << "," << y;
            ++compared;
        }
    EXPECT_GT(compared, 300);
    // Nothing is drawn outside the frame.
    EXPECT_EQ(screen.pixel(int(X) - 3, int(Y) - 3), 0xFFFFFFFFu);

    // Stored in a document and read back: the same picture, drawn alike.
    kit::Archiver archiver;
    archiver.setOpenFileVersion(3.0f);
    archiver.encodeRootObject(item.get());
    kit::Unarchiver unarchiver(archiver.data());
    unarchiver.setOpenFileVersion(3.0f);
    std::unique_ptr<PlacedItem> back = unarchiver.decodeOwnedObject<PlacedItem>();
    ASSERT_TRUE(back);
    EXPECT_EQ(back->filename(), item->filename());
    EXPECT_EQ(back->frame(), item->frame());
    EXPECT_EQ(back->isLinked(), true);
    EXPECT_EQ(back->filesize(), item->filesize());
    EXPECT_EQ(back->lastModifyTime(), item->lastModifyTime());
    EXPECT_FLOAT_EQ(back->naturalRatio(), item->naturalRatio());
    EXPECT_EQ(back->sourceImage()->data(), item->sourceImage()->data());
    EXPECT_EQ(back->cacheEntryCount(), 1);
    kit::RasterContext again(PageW, PageH);
    drawOnScreen(*back, again);
    for (int y = 0; y < PageH; ++y)
        for (int x = 0; x < PageW; ++x)
            ASSERT_EQ(again.pixel(x, y), screen.pixel(x, y)) << x << "," << y;
}

INSTANTIATE_TEST_SUITE_P(Pictures, PlacedPictureFiles, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
