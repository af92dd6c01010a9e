// What the screen shows is what the printer prints: one page drawn through
// the PostScript writer and rendered by Ghostscript, and through the screen
// back end, must give the same picture.

#include "WysiwygSupport.h"

#include "graphics/Font.h"

#include <cmath>
#include <filesystem>
#include <numbers>
#include <string>

using namespace kit;
using namespace wysiwyg;

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

// The page as Ghostscript prints it.
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
    return wysiwyg::printedImage(gs, ps, folder, kPageWidth, kPageHeight);
}

// The page as the screen back end paints it, over white like paper.
QImage screenPage(Mistake mistake)
{
    RasterContext ctx(kPageWidth, kPageHeight, 72);
    ctx.fillImage(0xFFFFFFFF);
    drawPage(ctx, mistake);
    EXPECT_EQ(ctx.errorCount(), 0u) << ctx.lastError();
    return wysiwyg::screenImage(ctx);
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

    std::string gs_;
    TempFolder folder_;
    QImage printed_;
};

} // namespace

TEST_F(Wysiwyg, ScreenMatchesPrintedPage)
{
    const QImage screen = screenPage(Mistake::None);
    const Comparison c = compare(printed_, screen);
    EXPECT_TRUE(matches(c)) << describe(c) << "; images in " << keepImages(folder_, screen, c);
    EXPECT_GT(inkOf(screen), 5000);
}

TEST_F(Wysiwyg, EveryDeliberateMistakeFailsTheComparison)
{
    const Mistake mistakes[] = {Mistake::TextRunShifted, Mistake::WrongFont,       Mistake::WrongGlyph,
                                Mistake::DashMissing,    Mistake::ClipMissing,     Mistake::RotationMissing,
                                Mistake::XyshowIgnored,  Mistake::PageShifted,     Mistake::ScreenAdvances,
                                Mistake::GlyphNudged};
    for (Mistake m : mistakes) {
        const Comparison c = compare(printed_, screenPage(m));
        EXPECT_FALSE(matches(c)) << mistakeName(m) << ": " << describe(c);
    }
}
