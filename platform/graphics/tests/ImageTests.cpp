// Pictures: TIFF files of every kind libtiff writes, decoded and drawn on the
// screen and on paper; EPS files from our own writer, plain and in a DOS-EPS
// wrapper, printed and rendered by Ghostscript; damaged files of both.

#include "WysiwygSupport.h"

#include "core/Archiver.h"
#include "core/MainQueue.h"
#include "core/Unarchiver.h"
#include "graphics/BitmapImageRep.h"
#include "graphics/CustomImageRep.h"
#include "graphics/EPSImageRep.h"
#include "graphics/Image.h"
#include "graphics/PostScriptContext.h"
#include "graphics/RasterContext.h"
#include "graphics/RecordingContext.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <optional>
#include <thread>

namespace {

using kit::BitmapImageRep;
using kit::Image;

// A TIFF variant as libtiff writes it.
struct TiffCase {
    const char* name;
    std::uint16_t photometric;
    std::uint16_t colors;      // colour samples
    std::uint16_t bps;
    std::uint16_t compression;
    int alpha;                 // 0 none, 1 associated, 2 unassociated
    std::uint16_t planar;
    int pages;
    BitmapImageRep::ColorModel model;
};

// A pattern every variant can hold: per pixel a level from x, y and sample.
int level(int x, int y, int s, int bps)
{
    const int v = (x * 37 + y * 11 + s * 71) % 256;
    return bps == 1 ? (v >> 7) : bps == 4 ? (v >> 4) : v;
}

int alphaAt(int x, int y) { return ((x / 4 + y / 4) % 3) * 127; } // 0, 127, 254

constexpr int W = 23, H = 17;

std::string writeTiff(const std::string& path, const TiffCase& c)
{
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    if (!tif)
        return "cannot open";
    for (int page = 0; page < c.pages; ++page) {
        const int spp = c.colors + (c.alpha ? 1 : 0);
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, W + page);
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, H);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, spp);
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, c.bps);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, c.photometric);
        TIFFSetField(tif, TIFFTAG_COMPRESSION, c.compression);
        TIFFSetField(tif, TIFFTAG_PLANARCONFIG, c.planar);
        // JPEG strips hold whole 16-row blocks.
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, c.compression == COMPRESSION_JPEG ? 16 : 5);
        if (c.compression == COMPRESSION_JPEG) {
            TIFFSetField(tif, TIFFTAG_JPEGQUALITY, 90);
            if (c.photometric == PHOTOMETRIC_YCBCR)
                TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB); // we hand it RGB
        }
        TIFFSetField(tif, TIFFTAG_XRESOLUTION, 144.0f);
        TIFFSetField(tif, TIFFTAG_YRESOLUTION, 144.0f);
        TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
        if (c.alpha) {
            std::uint16_t kind = c.alpha == 1 ? EXTRASAMPLE_ASSOCALPHA : EXTRASAMPLE_UNASSALPHA;
            TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &kind);
        }
        if (c.photometric == PHOTOMETRIC_PALETTE) {
            std::vector<std::uint16_t> r(256), g(256), b(256);
            for (int i = 0; i < 256; ++i) {
                r[i] = std::uint16_t(i * 257);
                g[i] = std::uint16_t((255 - i) * 257);
                b[i] = std::uint16_t(((i * 3) % 256) * 257);
            }
            TIFFSetField(tif, TIFFTAG_COLORMAP, r.data(), g.data(), b.data());
        }
        const int planes = c.planar == PLANARCONFIG_SEPARATE ? spp : 1;
        const int perPlane = c.planar == PLANARCONFIG_SEPARATE ? 1 : spp;
        const int width = W + page;
        for (int plane = 0; plane < planes; ++plane) {
            for (int y = 0; y < H; ++y) {
                std::vector<unsigned char> row((width * perPlane * c.bps + 7) / 8 + 2, 0);
                for (int x = 0; x < width; ++x) {
                    for (int k = 0; k < perPlane; ++k) {
                        const int s = planes > 1 ? plane : k;
                        int v;
                        if (c.alpha && s == spp - 1) {
                            v = alphaAt(x, y);
                        } else {
                            v = level(x, y, s, c.bps);
                            if (c.alpha == 1) // associated: colour premultiplied
                                v = v * alphaAt(x, y) / 255;
                        }
                        const int index = x * perPlane + k;
                        if (c.bps == 16) {
                            std::uint16_t wide = std::uint16_t(v * 257);
                            std::memcpy(&row[index * 2], &wide, 2);
                        } else if (c.bps == 8) {
                            row[index] = static_cast<unsigned char>(v);
                        } else {
                            const int bit = index * c.bps;
                            row[bit / 8] |= static_cast<unsigned char>(v << (8 - c.bps - bit % 8));
                        }
                    }
                }
                if (TIFFWriteScanline(tif, row.data(), y, static_cast<std::uint16_t>(plane)) < 0) {
                    TIFFClose(tif);
                    return "cannot write";
                }
            }
        }
        TIFFWriteDirectory(tif);
    }
    TIFFClose(tif);
    return {};
}

const TiffCase kTiffCases[] = {
    {"rgb-none", PHOTOMETRIC_RGB, 3, 8, COMPRESSION_NONE, 0, PLANARCONFIG_CONTIG, 1, BitmapImageRep::ColorModel::RGB},
    {"rgb-lzw", PHOTOMETRIC_RGB, 3, 8, COMPRESSION_LZW, 0, PLANARCONFIG_CONTIG, 1, BitmapImageRep::ColorModel::RGB},
    {"rgb-deflate", PHOTOMETRIC_RGB, 3, 8, COMPRESSION_ADOBE_DEFLATE, 0, PLANARCONFIG_CONTIG, 1, BitmapImageRep::ColorModel::RGB},
    {"rgb-packbits", PHOTOMETRIC_RGB, 3, 8, COMPRESSION_PACKBITS, 0, PLANARCONFIG_CONTIG, 1, BitmapImageRep::ColorModel::RGB},
    {"rgb-16bit", PHOTOMETRIC_RGB, 3, 16, COMPRESSION_LZW, 0, PLANARCONFIG_CONTIG, 1, BitmapImageRep::ColorModel::RGB},
    {"rgb-planar", PHOTOMETRIC_RGB, 3, 8, COMPRESSION_NONE, 0, PLANARCONFIG_SEPARATE, 1, BitmapImageRep::ColorModel::RGB},
    {"rgba-unassociated", PHOTOMETRIC_RGB, 3, 8, COMPRESSION_LZW, 2, PLANARCONFIG_CONTIG, 1, BitmapImageRep::ColorModel::RGB},
    {"rgba-associated", PHOTOMETRIC_RGB, 3, 8, COMPRESSION_NONE, 1, PLANARCONFIG_CONTIG, 1, BitmapImageRep::ColorModel::RGB},
    {"gray-8", PHOTOMETRIC_MINISBLACK, 1, 8, COMPRESSION_LZW, 0, PLANARCONFIG_CONTIG, 1, BitmapImageRep::ColorModel::Gray},
    {"gray-16", PHOTOMETRIC_MINISBLACK, 1, 16, COMPRESSION_NONE, 0, PLANARCONFIG_CONTIG, 1, BitmapImageRep::ColorModel::Gray},
    {"gray-4", PHOTOMETRIC_MINISBLACK, 1, 4, COMPRESSION_PACKBITS, 0, PLANARCONFIG_CONTIG, 1, BitmapImageRep::ColorModel::Gray},
    {"gray-1-white", PHOTOMETRIC_MINISWHITE, 1, 1, COMPRESSION_NONE, 0, PLANARCONFIG_CONTIG, 1, BitmapImageRep::ColorModel::Gray},
    {"gray-alpha", PHOTOMETRIC_MINISBLACK, 1, 8, COMPRESSION_ADOBE_DEFLATE, 2, PLANARCONFIG_CONTIG, 1, BitmapImageRep::ColorModel::Gray},
    {"palette", PHOTOMETRIC_PALETTE, 1, 8, COMPRESSION_LZW, 0, PLANARCONFIG_CONTIG, 1, BitmapImageRep::ColorModel::RGB},
    {"cmyk", PHOTOMETRIC_SEPARATED, 4, 8, COMPRESSION_LZW, 0, PLANARCONFIG_CONTIG, 1, BitmapImageRep::ColorModel::CMYK},
    {"cmyk-16bit-alpha", PHOTOMETRIC_SEPARATED, 4, 16, COMPRESSION_NONE, 2, PLANARCONFIG_CONTIG, 1, BitmapImageRep::ColorModel::CMYK},
    {"rgb-jpeg", PHOTOMETRIC_RGB, 3, 8, COMPRESSION_JPEG, 0, PLANARCONFIG_CONTIG, 1, BitmapImageRep::ColorModel::RGB},
    {"ycbcr-jpeg", PHOTOMETRIC_YCBCR, 3, 8, COMPRESSION_JPEG, 0, PLANARCONFIG_CONTIG, 1, BitmapImageRep::ColorModel::RGB},
    {"multipage", PHOTOMETRIC_RGB, 3, 8, COMPRESSION_LZW, 0, PLANARCONFIG_CONTIG, 3, BitmapImageRep::ColorModel::RGB},
};

// What libtiff itself makes of the first page (unpremultiplied ARGB).
std::vector<std::uint32_t> libtiffPixels(const std::string& path, int& w, int& h)
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

int channelDistance(std::uint32_t a, std::uint32_t b)
{
    int worst = 0;
    for (int shift = 0; shift < 32; shift += 8)
        worst = std::max(worst, std::abs(int(a >> shift & 0xFF) - int(b >> shift & 0xFF)));
    return worst;
}

class TiffVariants : public ::testing::TestWithParam<TiffCase> {};

TEST_P(TiffVariants, DecodeAsLibtiffReadsThem)
{
    const TiffCase& c = GetParam();
    wysiwyg::TempFolder folder;
    const std::string path = (folder.path() / (std::string(c.name) + ".tiff")).string();
    ASSERT_EQ(writeTiff(path, c), "");

    std::string error;
    auto image = Image::imageWithContentsOfFile(path, &error);
    ASSERT_TRUE(image) << error;
    ASSERT_EQ(image->representations().size(), std::size_t(c.pages));
    auto* rep = dynamic_cast<BitmapImageRep*>(image->bestRepresentationForDevice());
    ASSERT_TRUE(rep);
    EXPECT_EQ(rep->colorModel(), c.model);
    EXPECT_EQ(rep->hasAlpha(), c.alpha != 0);
    // 144 dpi: half a point a pixel.
    EXPECT_EQ(rep->pixelsWide(), W + c.pages - 1); // the widest page is best
    EXPECT_FLOAT_EQ(rep->size().height, H / 2.0f);
    for (int page = 0; page < c.pages; ++page)
        EXPECT_EQ(image->representations()[page]->pixelsWide(), W + page);

    auto* first = dynamic_cast<BitmapImageRep*>(image->representations()[0].get());
    if (c.model == BitmapImageRep::ColorModel::CMYK || (c.alpha == 2 && c.model == BitmapImageRep::ColorModel::Gray)) {
        // The samples come through as written (16 bits: their high byte).
        // libtiff's own RGBA reading has no CMYK, and takes grey alpha as
        // associated whatever the file says.
        const int colors = c.model == BitmapImageRep::ColorModel::CMYK ? 4 : 1;
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                for (int s = 0; s < first->samplesPerPixel(); ++s)
                    ASSERT_EQ(first->bitmapData()[y * first->bytesPerRow() + x * first->samplesPerPixel() + s],
                              s < colors ? level(x, y, s, 8) : alphaAt(x, y))
                        << x << "," << y;
    } else {
        int w = 0, h = 0;
        const auto expected = libtiffPixels(path, w, h);
        ASSERT_EQ(expected.size(), std::size_t(W * H));
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                const std::uint32_t want = expected[y * W + x], got = first->colorAt(x, y);
                if ((want >> 24) == 0)
                    ASSERT_EQ(got >> 24, 0u);
                else
                    ASSERT_LE(channelDistance(want, got), 2) << std::hex << want << " " << got << " at " << x << "," << y;
            }
    }
}

TEST_P(TiffVariants, DrawOnScreenAndPaperInTheirColourSpace)
{
    const TiffCase& c = GetParam();
    wysiwyg::TempFolder folder;
    const std::string path = (folder.path() / "t.tiff").string();
    ASSERT_EQ(writeTiff(path, c), "");
    auto image = Image::imageWithContentsOfFile(path);
    ASSERT_TRUE(image);
    auto* rep = dynamic_cast<BitmapImageRep*>(image->representations()[0].get());
    ASSERT_TRUE(rep);

    // Screen: 5 device pixels a bitmap pixel (the middle one samples the
    // bitmap pixel's centre exactly), over white.
    kit::RasterContext screen(W * 5, H * 5);
    screen.fillImage(0xFFFFFFFF);
    rep->drawInRect(screen, kit::makeRect(0, 0, W * 5, H * 5));
    // Paper: the same through the PostScript writer and Ghostscript.
    kit::PostScriptContext ps;
    ps.beginPage("1", 1, kit::makeRect(0, 0, W * 5, H * 5));
    rep->drawInRect(ps, kit::makeRect(0, 0, W * 5, H * 5));
    ps.endDocument();
    const char* space = c.model == BitmapImageRep::ColorModel::Gray   ? "/DeviceGray setcolorspace"
                        : c.model == BitmapImageRep::ColorModel::CMYK ? "/DeviceCMYK setcolorspace"
                                                                      : "/DeviceRGB setcolorspace";
    EXPECT_NE(ps.output().find(space), std::string::npos);
    const std::string gs = wysiwyg::findProgram("gs");
    ASSERT_FALSE(gs.empty());
    const QImage printed = wysiwyg::printedImage(gs, ps, folder.path(), W * 5, H * 5);
    ASSERT_FALSE(printed.isNull());

    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            // The expected colour over white paper.
            const std::uint32_t v = rep->colorAt(x, y);
            const int a = int(v >> 24);
            auto over = [a](int ch) { return (ch * a + 255 * (255 - a) + 127) / 255; };
            const std::uint32_t want = 0xFF000000u | std::uint32_t(over(int(v >> 16 & 0xFF))) << 16 |
                                       std::uint32_t(over(int(v >> 8 & 0xFF))) << 8 | std::uint32_t(over(int(v & 0xFF)));
            const int px = x * 5 + 2, py = y * 5 + 2; // the middle of the bitmap pixel
            ASSERT_LE(channelDistance(screen.pixel(px, py), want), 3) << "screen at " << x << "," << y;
            std::uint32_t onPaper = want;
            if (c.model == BitmapImageRep::ColorModel::CMYK && c.alpha) {
                // Paper takes less ink where alpha is less: the inks scale.
                const unsigned char* p = rep->bitmapData() + y * rep->bytesPerRow() + x * rep->samplesPerPixel();
                auto ink = [&](int i) { return (p[i] * p[4] + 127) / 255; };
                auto channel = [&](int i) { return std::uint32_t(std::max(0, 255 - std::min(255, ink(i) + ink(3)))); };
                onPaper = 0xFF000000u | channel(0) << 16 | channel(1) << 8 | channel(2);
            }
            ASSERT_LE(channelDistance(printed.pixel(px, py), onPaper), 3) << "paper at " << x << "," << y;
        }
}

INSTANTIATE_TEST_SUITE_P(Images, TiffVariants, ::testing::ValuesIn(kTiffCases),
                         [](const auto& info) {
                             std::string n = info.param.name;
                             std::replace(n.begin(), n.end(), '-', '_');
                             return n;
                         });

TEST(TiffWriting, EveryCompressionReadsBackAsWritten)
{
    using Model = BitmapImageRep::ColorModel;
    for (auto [model, alpha] : {std::pair{Model::RGB, true}, {Model::Gray, false}, {Model::CMYK, false}, {Model::Gray, true}}) {
        BitmapImageRep rep(31, 9, model, alpha);
        unsigned char* d = rep.bitmapData();
        for (std::size_t i = 0; i < rep.bytesPerRow() * 9; ++i)
            d[i] = static_cast<unsigned char>((i * 7) % 251);
        rep.setSize({62, 18});
        for (auto compression : {kit::TIFFCompression::None, kit::TIFFCompression::LZW, kit::TIFFCompression::PackBits,
                                 kit::TIFFCompression::Deflate}) {
            const std::string tiff = rep.TIFFRepresentation(compression);
            std::string error;
            auto back = BitmapImageRep::imageRepWithData(tiff, &error);
            ASSERT_TRUE(back) << error;
            EXPECT_EQ(back->colorModel(), model);
            EXPECT_EQ(back->hasAlpha(), alpha);
            EXPECT_FLOAT_EQ(back->size().width, 62);
            EXPECT_FLOAT_EQ(back->size().height, 18);
            ASSERT_EQ(back->bytesPerRow(), rep.bytesPerRow());
            EXPECT_EQ(std::memcmp(back->bitmapData(), rep.bitmapData(), rep.bytesPerRow() * 9), 0);
        }
    }
    // Pages stay pages.
    BitmapImageRep a(4, 4, Model::RGB, false), b(5, 3, Model::Gray, false);
    const BitmapImageRep* both[] = {&a, &b};
    EXPECT_EQ(BitmapImageRep::imageRepsWithData(BitmapImageRep::TIFFRepresentationOfImageRepsInArray(both)).size(), 2u);
}

// A little-endian TIFF header with one directory of the given entries.
std::string tiffWithEntries(std::initializer_list<std::array<std::uint32_t, 4>> entries, std::size_t padTo = 0)
{
    std::string t = {'I', 'I', 42, 0, 8, 0, 0, 0};
    auto put16 = [&](std::uint32_t v) { t += char(v & 0xFF), t += char(v >> 8 & 0xFF); };
    auto put32 = [&](std::uint32_t v) { put16(v & 0xFFFF), put16(v >> 16); };
    put16(std::uint32_t(entries.size()));
    for (const auto& e : entries) {
        put16(e[0]), put16(e[1]), put32(e[2]), put32(e[3]);
    }
    put32(0);
    if (t.size() < padTo)
        t.resize(padTo, '\0');
    return t;
}

TEST(HostilePictures, DamagedAndHugeTiffsAreRefusedWithAReason)
{
    BitmapImageRep rep(64, 64, BitmapImageRep::ColorModel::RGB, false);
    const std::string good = rep.TIFFRepresentation(kit::TIFFCompression::LZW);
    struct Case {
        const char* what;
        std::string data;
        const char* reason; // a word of the error
    } cases[] = {
        {"empty", "", "not a TIFF"},
        {"header only", good.substr(0, 8), "TIFF"},
        {"truncated", good.substr(0, good.size() / 2), "TIFF"},
        // 100000 x 100000 pixels: 10 gigapixels, refused before anything is allocated.
        {"huge", tiffWithEntries({{256, 4, 1, 100000}, {257, 4, 1, 100000}, {258, 3, 1, 8}, {262, 3, 1, 1},
                                  {273, 4, 1, 8}, {277, 3, 1, 1}, {278, 4, 1, 100000}, {279, 4, 1, 1}}),
         "too large"},
        // 20000 x 20000: within a side, over the 100 megapixel budget.
        {"over budget", tiffWithEntries({{256, 4, 1, 20000}, {257, 4, 1, 20000}, {258, 3, 1, 8}, {262, 3, 1, 1},
                                         {273, 4, 1, 8}, {277, 3, 1, 1}, {278, 4, 1, 20000}, {279, 4, 1, 1}}),
         "million pixels"},
        {"no size", tiffWithEntries({{258, 3, 1, 8}, {262, 3, 1, 1}}), "damaged TIFF"},
        // Strips that point past the end of the file.
        {"strips outside", tiffWithEntries({{256, 4, 1, 16}, {257, 4, 1, 16}, {258, 3, 1, 8}, {262, 3, 1, 1},
                                            {273, 4, 1, 1000000}, {277, 3, 1, 1}, {278, 4, 1, 16}, {279, 4, 1, 256}}),
         "TIFF"},
    };
    for (const Case& c : cases) {
        std::string error;
        auto image = Image::imageWithData(c.data, &error);
        EXPECT_FALSE(image) << c.what;
        EXPECT_NE(error.find(c.reason), std::string::npos) << c.what << ": " << error;
    }
    // The budget is the caller's to lower.
    kit::ImageLimits tight;
    tight.maxPixels = 1000;
    std::string error;
    EXPECT_FALSE(BitmapImageRep::imageRepWithData(good, &error, tight));
    EXPECT_NE(error.find("too large"), std::string::npos) << error;
}

// ---- EPS.

// An EPS picture from our own writer: a red square in the left half of a
// 100 x 50 box at (10, 20), a blue bar in the right half.
std::string ourEPS()
{
    kit::PostScriptContext eps(kit::PostScriptContext::Kind::EPS);
    kit::PostScriptDocumentInfo info;
    info.title = "Squares";
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

std::string dosEPS(const std::string& ps)
{
    // Header, a fake preview, then the PostScript.
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

TEST(EPSPictures, BoxTitleAndPostScriptFromPlainAndDOSFiles)
{
    const std::string ps = ourEPS();
    for (const std::string& data : {ps, dosEPS(ps)}) {
        std::string error;
        auto image = Image::imageWithData(data, &error);
        ASSERT_TRUE(image) << error;
        auto* eps = dynamic_cast<kit::EPSImageRep*>(image->bestRepresentationForDevice());
        ASSERT_TRUE(eps);
        EXPECT_EQ(eps->EPSRepresentation(), ps);
        EXPECT_EQ(eps->boundingBox(), kit::makeRect(10, 20, 100, 50));
        EXPECT_EQ(image->size(), (kit::Size{100, 50}));
        EXPECT_EQ(eps->headerComment("%%Title:").value_or(""), "Squares");
    }
}

TEST(EPSPictures, DamagedFilesAreRefusedWithAReason)
{
    const std::string ps = ourEPS();
    auto withBox = [](const std::string& box) {
        return "%!PS-Adobe-3.0 EPSF-3.0\n" + box + "%%EndComments\n0 0 moveto\n";
    };
    std::string pointsOutside = dosEPS(ps);
    pointsOutside[8] = char(0xFF), pointsOutside[9] = char(0xFF), pointsOutside[10] = char(0x7F);
    struct Case {
        const char* what;
        std::string data;
        const char* reason;
    } cases[] = {
        {"no box", withBox(""), "no %%BoundingBox"},
        {"zero box", withBox("%%BoundingBox: 10 10 10 40\n"), "empty"},
        {"negative box", withBox("%%BoundingBox: 50 50 10 10\n"), "empty"},
        {"huge box", withBox("%%BoundingBox: 0 0 1000000 1000000\n"), "too large"},
        {"absurd box", withBox("%%BoundingBox: 0 0 1e300 5\n"), "too large"},
        {"box of words", withBox("%%BoundingBox: a b c d\n"), "no %%BoundingBox"},
        {"atend without trailer", withBox("%%BoundingBox: (atend)\n"), "no %%BoundingBox"},
        {"DOS header outside", pointsOutside, "outside"},
        {"DOS header cut", dosEPS(ps).substr(0, 12), "DOS-EPS"},
        {"not PostScript", "GIF89a", "not a TIFF or EPS"},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(Image::imageWithData(c.data, &error)) << c.what;
        EXPECT_NE(error.find(c.reason), std::string::npos) << c.what << ": " << error;
    }
    // A box at the end, and a stale high-resolution box that disagrees.
    auto atEnd = kit::EPSImageRep::imageRepWithData(withBox("%%BoundingBox: (atend)\n%%HiResBoundingBox: 1 2 3 4\n") +
                                                    "%%Trailer\n%%BoundingBox: 5 6 25 46\n");
    ASSERT_TRUE(atEnd);
    EXPECT_EQ(atEnd->boundingBox(), kit::makeRect(5, 6, 20, 40));
}

// Runs the main queue until the predicate holds (at most 20 s).
template <class F>
bool runUntil(F&& done)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        kit::MainQueue::waitForPosted(0.05);
        kit::MainQueue::drain();
    }
    return true;
}

TEST(EPSPictures, ScreenCacheArrivesLaterFromGhostscript)
{
    auto image = Image::imageWithData(ourEPS());
    ASSERT_TRUE(image);
    int calls = 0;
    image->setReadyHandler([&](Image&) { ++calls; });
    // Not ready at first: the caller is never kept waiting.
    EXPECT_EQ(image->prepareCache(), Image::CacheState::NotReady);
    kit::RasterContext screen(100, 50);
    EXPECT_FALSE(image->compositeToPoint(screen, {0, 50}, kit::CompositeOp::SourceOver));
    ASSERT_TRUE(runUntil([&] { return calls > 0; }));
    EXPECT_EQ(calls, 1);
    ASSERT_EQ(image->cacheState(), Image::CacheState::Ready) << image->cacheError();
    ASSERT_TRUE(image->compositeToPoint(screen, {0, 50}, kit::CompositeOp::SourceOver));
    // Red square on the left, blue bar bottom right, transparent above it.
    EXPECT_EQ(screen.pixel(25, 25), 0xFFFF0000u);
    EXPECT_EQ(screen.pixel(85, 40), 0xFF0000FFu);
    EXPECT_EQ(screen.pixel(85, 10) >> 24, 0u);

    // A larger size renders again, capped at the cache limit.
    image->setCacheSideLimit(60);
    image->setSize({400, 200});
    EXPECT_EQ(image->prepareCache(), Image::CacheState::NotReady);
    ASSERT_TRUE(runUntil([&] { return image->cacheState() != Image::CacheState::NotReady; }));
    ASSERT_TRUE(image->cachedPixels());
    EXPECT_EQ(image->cachedPixels()->width, 60);
    EXPECT_EQ(image->cachedPixels()->height, 30);
}

TEST(EPSPictures, ACacheStillArrivesWhenItsPictureWasDrawnAtAnotherSizeMeanwhile)
{
    auto image = Image::imageWithData(ourEPS());
    ASSERT_TRUE(image);
    EXPECT_EQ(image->prepareCache(), Image::CacheState::NotReady);
    // Drawn directly at twice the size on the screen before the cache came.
    kit::RasterContext screen(200, 100);
    image->drawInRect(screen, kit::makeRect(0, 0, 200, 100));
    ASSERT_TRUE(runUntil([&] {
        return image->prepareCache() != Image::CacheState::NotReady;
    }));
    EXPECT_EQ(image->cacheState(), Image::CacheState::Ready);
    EXPECT_EQ(image->cachedPixels()->width, 100);
}

TEST(EPSPictures, BrokenPostScriptFailsItsCacheWithGhostscriptsReason)
{
    auto image = Image::imageWithData("%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 20 20\n%%EndComments\n"
                                      "0 0 moveto nosuchoperator\n");
    ASSERT_TRUE(image);
    image->prepareCache();
    ASSERT_TRUE(runUntil([&] { return image->cacheState() != Image::CacheState::NotReady; }));
    EXPECT_EQ(image->cacheState(), Image::CacheState::Failed);
    EXPECT_NE(image->cacheError().find("Ghostscript"), std::string::npos) << image->cacheError();
}

TEST(EPSPictures, PicturesGoneBeforeTheirRenderingLeaveNothingBehind)
{
    for (int i = 0; i < 3; ++i) {
        auto image = Image::imageWithData(ourEPS());
        ASSERT_TRUE(image);
        image->setReadyHandler([](Image&) { FAIL() << "a freed picture was told"; });
        image->prepareCache();
    }
    ASSERT_TRUE(runUntil([] { return kit::MainQueue::backgroundWorkInFlight() == 0; }));
    kit::MainQueue::drain();
}

TEST(EPSPictures, PrintedEmbeddedWithTheirDSCWrapping)
{
    auto image = Image::imageWithData(dosEPS(ourEPS()));
    ASSERT_TRUE(image);
    kit::PostScriptContext ps;
    ps.beginPage("1", 1, kit::makeRect(0, 0, 300, 200));
    // Twice the natural size at (50, 40).
    ASSERT_TRUE(image->drawInRect(ps, kit::makeRect(50, 40, 200, 100)));
    ps.setgray(0.5f); // the page goes on after the picture
    ps.rectfill(0, 0, 10, 10);
    ps.endDocument();
    const std::string& out = ps.output();
    const auto begin = out.find("%%BeginDocument: Squares\n"), end = out.find("%%EndDocument\n");
    ASSERT_NE(begin, std::string::npos);
    ASSERT_NE(end, std::string::npos);
    EXPECT_NE(out.find("/showpage {} def"), std::string::npos);
    EXPECT_NE(out.find("Sc_eps_s restore"), std::string::npos);
    // The PostScript itself, not the DOS wrapper.
    EXPECT_NE(out.find(ourEPS()), std::string::npos);

    wysiwyg::TempFolder folder;
    const QImage printed = wysiwyg::printedImage(wysiwyg::findProgram("gs"), ps, folder.path(), 300, 200);
    ASSERT_FALSE(printed.isNull());
    // Page y up: the red square spans x 50..150, y 40..140 (rows 60..160).
    EXPECT_LE(channelDistance(printed.pixel(100, 100), 0xFFFF0000u), 2);
    EXPECT_LE(channelDistance(printed.pixel(200, 140), 0xFF0000FFu), 2);
    EXPECT_LE(channelDistance(printed.pixel(200, 80), 0xFFFFFFFFu), 2);
    EXPECT_LE(channelDistance(printed.pixel(5, 195), 0xFF808080u), 2); // drawn after the picture
}

TEST(PictureDrawing, RecordedOperatorsSayWhatEachBackEndGets)
{
    BitmapImageRep rep(8, 4, BitmapImageRep::ColorModel::CMYK, false);
    Image bitmapImage;
    bitmapImage.addRepresentation(rep.copy());
    auto epsImage = Image::imageWithData(ourEPS());
    ASSERT_TRUE(epsImage);

    kit::RecordingContext paper;
    bitmapImage.drawInRect(paper, kit::makeRect(1, 2, 16, 8));
    epsImage->drawInRect(paper, kit::makeRect(0, 0, 50, 25));
    ASSERT_EQ(paper.count("drawImage"), 1u);
    ASSERT_EQ(paper.count("includeEPS"), 1u);
    for (const auto& op : paper.ops()) {
        if (op.name == "drawImage") {
            EXPECT_EQ(op.text, "CMYK");
            EXPECT_EQ(op.numbers, (std::vector<float>{0, 0, 8, 4, 8, 4})); // in the rep's own space
        }
        if (op.name == "includeEPS") {
            EXPECT_EQ(op.data, ourEPS());
        }
    }

    // The delegate may veto a representation.
    struct Veto : kit::ImageDelegate {
        int asked = 0;
        bool imageWillDrawRep(kit::DrawContext&, Image&, kit::ImageRep&, const kit::Rect&) override { return ++asked, false; }
    } veto;
    bitmapImage.setDelegate(&veto);
    paper.clear();
    EXPECT_TRUE(bitmapImage.drawInRect(paper, kit::makeRect(0, 0, 8, 4)));
    EXPECT_EQ(veto.asked, 1);
    EXPECT_EQ(paper.count("drawImage"), 0u);
}

TEST(PictureDrawing, CompositingCopiesCachePixelsUnscaledAtTheDevicePoint)
{
    BitmapImageRep rep(4, 2, BitmapImageRep::ColorModel::RGB, false);
    unsigned char* d = rep.bitmapData();
    for (int i = 0; i < 4 * 2; ++i) // left column red, others green
        d[i * 3 + (i % 4 == 0 ? 0 : 1)] = 255;
    Image image;
    image.addRepresentation(rep.copy());
    ASSERT_EQ(image.prepareCache(), Image::CacheState::Ready);
    kit::RasterContext screen(20, 20);
    screen.scale(3, 3); // compositing ignores the scale
    ASSERT_TRUE(image.compositeToPoint(screen, {2, 5}, kit::makeRect(0, 0, 4, 2), kit::CompositeOp::Copy));
    // Point (2, 5) in user space is device (6, 20 - 15) = (6, 5).
    EXPECT_EQ(screen.pixel(6, 5), 0xFFFF0000u);
    EXPECT_EQ(screen.pixel(7, 6), 0xFF00FF00u);
    EXPECT_EQ(screen.pixel(9, 6), 0xFF00FF00u);
    EXPECT_EQ(screen.pixel(10, 5), 0u);
    EXPECT_EQ(screen.pixel(6, 7), 0u);
}

TEST(PictureDrawing, ACustomRepresentationDrawsIntoTheCacheAndIntoTIFF)
{
    std::vector<kit::Rect> asked;
    Image image;
    image.addRepresentation(std::make_unique<kit::CustomImageRep>(kit::Size{20, 10}, [&](kit::DrawContext& ctx, const kit::Rect& r) {
        asked.push_back(r);
        ctx.setrgbcolor(0, 0, 1);
        ctx.rectfill(0, 0, 10, 10); // the left half
        return true;
    }));
    image.setSize({40, 20}); // cached at twice the representation's size
    ASSERT_EQ(image.prepareCache(), Image::CacheState::Ready);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0], kit::makeRect(0, 0, 20, 10));
    const kit::ImagePixels* px = image.cachedPixels();
    ASSERT_TRUE(px);
    EXPECT_EQ(px->width, 40);
    auto at = [&](int x, int y) { return reinterpret_cast<const std::uint32_t*>(px->data + y * px->bytesPerRow)[x]; };
    EXPECT_EQ(at(5, 5), 0xFF0000FFu);
    EXPECT_EQ(at(35, 5), 0u);
    auto tiff = BitmapImageRep::imageRepWithData(image.TIFFRepresentation());
    ASSERT_TRUE(tiff);
    EXPECT_EQ(tiff->colorAt(5, 5), 0xFF0000FFu);
    EXPECT_EQ(tiff->colorAt(35, 5) >> 24, 0u);
}

TEST(PictureFiles, StoredAsTheirOwnBytes)
{
    Image::initialize();
    BitmapImageRep rep(5, 3, BitmapImageRep::ColorModel::CMYK, false);
    rep.bitmapData()[0] = 200;
    Image made;
    made.addRepresentation(rep.copy()); // made in memory: stored as its TIFF
    made.setSize({10, 6});
    auto eps = Image::imageWithData(dosEPS(ourEPS()));
    ASSERT_TRUE(eps);
    for (Image* original : {&made, eps.get()}) {
        auto back = kit::Unarchiver::unarchiveObjectWithData<Image>(kit::Archiver::archivedDataWithRootObject(original));
        ASSERT_TRUE(back);
        ASSERT_TRUE(back->isValid());
        EXPECT_EQ(back->size(), original->size());
        EXPECT_EQ(back->bestRepresentationForDevice()->className(), original->bestRepresentationForDevice()->className());
    }
    // The DOS-EPS file comes back whole, wrapper and all.
    auto back = kit::Unarchiver::unarchiveObjectWithData<Image>(kit::Archiver::archivedDataWithRootObject(eps.get()));
    EXPECT_EQ(back->data(), dosEPS(ourEPS()));
    auto madeBack = kit::Unarchiver::unarchiveObjectWithData<Image>(kit::Archiver::archivedDataWithRootObject(&made));
    auto* cmyk = dynamic_cast<BitmapImageRep*>(madeBack->bestRepresentationForDevice());
    ASSERT_TRUE(cmyk);
    EXPECT_EQ(cmyk->colorModel(), BitmapImageRep::ColorModel::CMYK);
    EXPECT_EQ(cmyk->bitmapData()[0], 200);
}

TEST(PictureFiles, FilesAreCopiedNotMappedAndTiffOfAnEPSIsItsRendering)
{
    wysiwyg::TempFolder folder;
    const std::string path = (folder.path() / "p.eps").string();
    {
        std::ofstream f(path, std::ios::binary);
        f << ourEPS();
    }
    auto image = Image::imageWithContentsOfFile(path);
    ASSERT_TRUE(image);
    // The user's file shrinks afterwards: the picture holds its own bytes.
    std::filesystem::resize_file(path, 10);
    auto* eps = dynamic_cast<kit::EPSImageRep*>(image->bestRepresentationForDevice());
    ASSERT_TRUE(eps);
    EXPECT_EQ(eps->EPSRepresentation(), ourEPS());

    const std::string tiff = image->TIFFRepresentation();
    auto back = BitmapImageRep::imageRepWithData(tiff);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->pixelsWide(), 100);
    EXPECT_EQ(back->colorAt(25, 25), 0xFFFF0000u);
    EXPECT_EQ(back->colorAt(85, 40), 0xFF0000FFu);

    std::string error;
    EXPECT_FALSE(Image::imageWithContentsOfFile((folder.path() / "missing.tiff").string(), &error));
    EXPECT_FALSE(error.empty());
}

// Named pictures are the TIFF files of the resources folder, each call a
// new image; anything else under the name, or none, gives nothing.
TEST(PictureFiles, NamedPicturesComeFromTheResourcesFolder)
{
    wysiwyg::TempFolder folder;
    struct Resources {
        explicit Resources(const std::string& path)
        {
            if (const char* old = std::getenv("SCRIVLY_RESOURCES"))
                saved = old;
            ::setenv("SCRIVLY_RESOURCES", path.c_str(), 1);
        }
        ~Resources()
        {
            if (saved)
                ::setenv("SCRIVLY_RESOURCES", saved->c_str(), 1);
            else
                ::unsetenv("SCRIVLY_RESOURCES");
        }
        std::optional<std::string> saved;
    } resources(folder.path().string());

    BitmapImageRep red(3, 2, BitmapImageRep::ColorModel::RGB, false);
    for (int i = 0; i < 6; ++i) {
        red.bitmapData()[i * 3] = 0xFF;
        red.bitmapData()[i * 3 + 1] = red.bitmapData()[i * 3 + 2] = 0;
    }
    auto write = [&](const std::string& name, const std::string& bytes) {
        std::ofstream f(folder.path() / name, std::ios::binary);
        f << bytes;
    };
    write("Red.tiff", red.TIFFRepresentation());
    write("Damaged.tiff", red.TIFFRepresentation().substr(0, 12));
    write("Text.tiff", "not a picture");
    write("Eps.ps", ourEPS());
    std::filesystem::create_directory(folder.path() / "Folder.tiff");

    auto first = Image::imageNamed("Red");
    auto second = Image::imageNamed("Red");
    ASSERT_TRUE(first && second);
    EXPECT_NE(first.get(), second.get());
    EXPECT_EQ(first->size(), kit::makeSize(3, 2));
    auto* rep = dynamic_cast<BitmapImageRep*>(first->bestRepresentationForDevice());
    ASSERT_TRUE(rep);
    EXPECT_EQ(rep->colorAt(2, 1), 0xFFFF0000u);
    for (const char* name : {"Damaged", "Text", "Eps", "Folder", "Missing", "", "../Red"})
        EXPECT_FALSE(Image::imageNamed(name)) << name;
}

} // namespace
