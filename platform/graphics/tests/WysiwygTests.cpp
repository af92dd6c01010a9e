// What the screen shows is what the printer prints: one page drawn through
// the PostScript writer and rendered by Ghostscript, and through the screen
// back end, must give the same picture.

#include "graphics/Font.h"
#include "graphics/PostScriptContext.h"
#include "graphics/RasterContext.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QString>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

using namespace kit;

namespace {

constexpr int kPageWidth = 400;
constexpr int kPageHeight = 300;

// Mistakes the comparison must catch, made on the screen side only.
enum class Mistake {
    None,
    TextRunShifted,   // one line of text two points to the right
    WrongFont,        // Helvetica where Times-Roman belongs
    WrongGlyph,       // one letter replaced by another
    DashMissing,      // a dashed line drawn solid
    ClipMissing,      // stripes drawn without their circular clip
    RotationMissing,  // the rotated run drawn upright
    XyshowIgnored,    // xyshow's offsets replaced by the font's advances
    PageShifted,      // everything one point down and to the left
    ScreenAdvances,   // a line set with the whole-pixel advances of the screen font
    GlyphNudged,      // one large glyph one point to the right
};

const char* mistakeName(Mistake m)
{
    switch (m) {
    case Mistake::None: return "none";
    case Mistake::TextRunShifted: return "text run shifted";
    case Mistake::WrongFont: return "wrong font";
    case Mistake::WrongGlyph: return "wrong glyph";
    case Mistake::DashMissing: return "dash missing";
    case Mistake::ClipMissing: return "clip missing";
    case Mistake::RotationMissing: return "rotation missing";
    case Mistake::XyshowIgnored: return "xyshow ignored";
    case Mistake::PageShifted: return "page shifted";
    case Mistake::ScreenAdvances: return "screen advances";
    case Mistake::GlyphNudged: return "glyph nudged";
    }
    return "?";
}

Font* font(const char* name, float size)
{
    Font* f = Font::fontWithName(name, size);
    EXPECT_NE(f, nullptr) << name << " is missing (is fonts-urw-base35 installed?)";
    return f;
}

void drawPage(DrawContext& ctx, Mistake mistake)
{
    if (mistake == Mistake::PageShifted)
        ctx.translate(-1, -1);

    // Text in several faces and sizes, the documents' set beyond ASCII too.
    ctx.setgray(0);
    Font* times = font(mistake == Mistake::WrongFont ? "Helvetica" : "Times-Roman", 12);
    ctx.selectfont(times && mistake == Mistake::ScreenAdvances ? times->screenFont() : times);
    ctx.moveto(14, 280);
    ctx.show("The quick brown fox jumps over the lazy dog: \xE1\xFB\xD9 1/2 & $19.95");
    ctx.selectfont(font("Helvetica-Bold", 18));
    ctx.moveto(mistake == Mistake::TextRunShifted ? 16 : 14, 256);
    ctx.show(mistake == Mistake::WrongGlyph ? "Helvetica Bold, WAVF fi" : "Helvetica Bold, WAVE fi");
    ctx.selectfont(font("Courier", 10));
    ctx.moveto(14, 240);
    ctx.show("Courier 10: for (i = 0; i < n; ++i) []");
    ctx.selectfont(font("Symbol", 16));
    ctx.moveto(14, 220);
    ctx.show("abgdpSW \xA5 \xD6 \xE5");
    ctx.selectfont(font("Times-Roman", 40));
    ctx.setrgbcolor(0.1f, 0.2f, 0.7f);
    ctx.moveto(200, 212);
    ctx.show("Wysiw");
    if (mistake == Mistake::GlyphNudged)
        ctx.rmoveto(1, 0);
    ctx.show("yg");

    // xyshow: letters spread out along a slope.
    ctx.setgray(0.2f);
    ctx.selectfont(font("Helvetica-Bold", 14));
    ctx.moveto(14, 190);
    if (mistake == Mistake::XyshowIgnored) {
        ctx.show("SPREAD");
    } else {
        const float offsets[] = {14, 1, 15, 2, 16, 3, 17, 4, 18, 5, 0, 0};
        ctx.xyshow("SPREAD", offsets);
    }

    // A rotated run and a condensed one.
    ctx.gsave();
    ctx.translate(150, 120);
    if (mistake != Mistake::RotationMissing)
        ctx.rotate(35);
    ctx.setgray(0);
    ctx.selectfont(font("Times-Bold", 16));
    ctx.moveto(0, 0);
    ctx.show("Rotated text run");
    ctx.grestore();
    ctx.selectfont(font("Times-Italic", 18));
    ctx.makefont(Matrix{0.7f, 0, 0, 1, 0, 0});
    ctx.moveto(250, 180);
    ctx.show("condensed italic");

    // Lines: widths, caps, joins, dashes.
    ctx.setgray(0);
    ctx.setlinewidth(3);
    ctx.setlinecap(1);
    ctx.moveto(14, 160);
    ctx.lineto(120, 160);
    ctx.stroke();
    ctx.setlinecap(0);
    ctx.setlinewidth(2);
    if (mistake != Mistake::DashMissing) {
        const float dash[] = {6, 3, 1, 3};
        ctx.setdash(dash, 0);
    }
    ctx.moveto(14, 148);
    ctx.lineto(120, 148);
    ctx.stroke();
    const float none[] = {0};
    ctx.setdash(std::span<const float>(none, 0), 0);
    ctx.setlinewidth(5);
    ctx.setlinejoin(0);
    ctx.moveto(14, 100);
    ctx.lineto(40, 135);
    ctx.lineto(66, 100);
    ctx.lineto(92, 135);
    ctx.lineto(118, 100);
    ctx.stroke();

    // Curves and fills.
    ctx.setrgbcolor(0.8f, 0.1f, 0.1f);
    ctx.setlinewidth(1.5f);
    ctx.moveto(14, 30);
    ctx.curveto(40, 90, 80, -10, 118, 60);
    ctx.stroke();
    ctx.setcmykcolor(0.6f, 0, 0.9f, 0.1f);
    ctx.arc(330, 60, 35, 0, 360);
    ctx.fill();
    // A five-pointed star, even-odd: its centre stays empty.
    ctx.setgray(0.3f);
    for (int i = 0; i < 5; ++i) {
        const double a = std::numbers::pi / 2 + i * 4 * std::numbers::pi / 5;
        const float x = static_cast<float>(250 + 35 * std::cos(a)), y = static_cast<float>(60 + 35 * std::sin(a));
        if (i == 0)
            ctx.moveto(x, y);
        else
            ctx.lineto(x, y);
    }
    ctx.closepath();
    ctx.eofill();
    const Rect bars[] = {makeRect(140, 20, 8, 50), makeRect(152, 20, 8, 35), makeRect(164, 20, 8, 20)};
    ctx.setgray(0.5f);
    ctx.rectfillList(bars);
    ctx.setgray(0);
    ctx.setlinewidth(1);
    ctx.rectstroke(136, 16, 40, 58);

    // Clipping: stripes seen through a circle.
    ctx.gsave();
    if (mistake != Mistake::ClipMissing) {
        ctx.arc(240, 135, 28, 0, 360);
        ctx.clip();
        ctx.newpath();
    }
    ctx.setrgbcolor(0.9f, 0.5f, 0);
    for (int i = 0; i < 8; ++i)
        ctx.rectfill(205, 105 + 8 * i, 70, 4);
    ctx.grestore();
}

std::string findProgram(const std::string& name)
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

// The page as Ghostscript prints it at 72 dpi, antialiased.
QImage printedPage(const std::string& gs, const std::filesystem::path& folder)
{
    PostScriptContext ps;
    PostScriptDocumentInfo info;
    info.title = "Wysiwyg";
    ps.beginDocument(info);
    ps.beginPage("1", 1, makeRect(0, 0, kPageWidth, kPageHeight));
    drawPage(ps, Mistake::None);
    ps.endPage();
    ps.endDocument();
    EXPECT_EQ(ps.errorCount(), 0u) << ps.lastError();
    const std::filesystem::path in = folder / "page.ps", out = folder / "printed.png";
    if (!ps.writeToFile(in.string()))
        return {};
    // -dUseFastColor: PostScript's own conversion of CMYK rather than a
    // colour profile's, as the screen converts it.
    const std::string command = "'" + gs + "' -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=png16m -r72" +
                                " -dGraphicsAlphaBits=4 -dTextAlphaBits=4 -dUseFastColor -dFIXEDMEDIA" +
                                " -dDEVICEWIDTHPOINTS=" + std::to_string(kPageWidth) +
                                " -dDEVICEHEIGHTPOINTS=" + std::to_string(kPageHeight) + " -sOutputFile='" +
                                out.string() + "' '" + in.string() + "' > '" + (folder / "gs.log").string() +
                                "' 2>&1";
    const int status = std::system(command.c_str());
    EXPECT_EQ(status, 0) << command;
    return QImage(QString::fromStdString(out.string())).convertToFormat(QImage::Format_RGB32);
}

// The page as the screen back end paints it, over white like paper.
QImage screenPage(Mistake mistake)
{
    RasterContext ctx(kPageWidth, kPageHeight, 72);
    ctx.fillImage(0xFFFFFFFF);
    drawPage(ctx, mistake);
    EXPECT_EQ(ctx.errorCount(), 0u) << ctx.lastError();
    QImage image(kPageWidth, kPageHeight, QImage::Format_RGB32);
    for (int y = 0; y < kPageHeight; ++y)
        for (int x = 0; x < kPageWidth; ++x)
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
// On the correct page the worst tile holds about 14 such pixels (the
// clipped stripes' ends); the mildest deliberate mistakes (a dash pattern
// lost, the screen font's rounded advances along a line) give about 40.
constexpr int kChannel = 48;
constexpr int kTileSide = 16;
constexpr int kTile = 24;

struct Comparison {
    int worstTile = 0;      // differing pixels in the worst tile
    int worstTileX = 0, worstTileY = 0;
    int differing = 0;      // over the whole page
    QImage difference;      // differing pixels in red, for a person to look at
};

std::vector<int> blurred(const QImage& image, int channel)
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

Comparison compare(const QImage& a, const QImage& b)
{
    Comparison result;
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

std::string describe(const Comparison& c)
{
    return std::to_string(c.differing) + " pixels differ; the worst 16 × 16 tile, at (" + std::to_string(c.worstTileX) +
           ", " + std::to_string(c.worstTileY) + "), holds " + std::to_string(c.worstTile);
}

class Wysiwyg : public ::testing::Test {
protected:
    void SetUp() override
    {
        gs_ = findProgram("gs");
        if (gs_.empty())
            GTEST_SKIP() << "Ghostscript (gs) is not installed";
        ASSERT_FALSE(folder_.path().empty());
        printed_ = printedPage(gs_, folder_.path());
        ASSERT_FALSE(printed_.isNull()) << "Ghostscript gave no image; see " << (folder_.path() / "gs.log");
        ASSERT_EQ(printed_.width(), kPageWidth);
        ASSERT_EQ(printed_.height(), kPageHeight);
    }

    // Keeps the images of a failed comparison for a person to look at.
    std::string keepImages(const QImage& screen, const Comparison& c)
    {
        folder_.keep();
        screen.save(QString::fromStdString((folder_.path() / "screen.png").string()));
        c.difference.save(QString::fromStdString((folder_.path() / "difference.png").string()));
        return folder_.path().string();
    }

    std::string gs_;
    TempFolder folder_;
    QImage printed_;
};

} // namespace

TEST_F(Wysiwyg, ScreenMatchesPrintedPage)
{
    const QImage screen = screenPage(Mistake::None);
    const Comparison c = compare(printed_, screen);
    EXPECT_LE(c.worstTile, kTile) << describe(c) << "; images in " << keepImages(screen, c);
    // Ink is there at all: a blank screen would match a blank print.
    int dark = 0;
    for (int y = 0; y < kPageHeight; ++y)
        for (int x = 0; x < kPageWidth; ++x)
            dark += qGray(screen.pixel(x, y)) < 128;
    EXPECT_GT(dark, 5000);
}

TEST_F(Wysiwyg, EveryDeliberateMistakeFailsTheComparison)
{
    const Mistake mistakes[] = {Mistake::TextRunShifted, Mistake::WrongFont,       Mistake::WrongGlyph,
                                Mistake::DashMissing,    Mistake::ClipMissing,     Mistake::RotationMissing,
                                Mistake::XyshowIgnored,  Mistake::PageShifted,     Mistake::ScreenAdvances,
                                Mistake::GlyphNudged};
    for (Mistake m : mistakes) {
        const Comparison c = compare(printed_, screenPage(m));
        EXPECT_GT(c.worstTile, kTile) << mistakeName(m) << ": " << describe(c);
    }
}
