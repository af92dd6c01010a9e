#include "graphics/Font.h"

#include "core/Archiver.h"
#include "core/Encoding.h"
#include "core/Unarchiver.h"
#include "core/UserDefaults.h"
#include "graphics/FontManager.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

using namespace kit;

namespace {

const std::string fixtures = SCRIVLY_FIXTURES_DIR;

Font* font(const char* name, float size = 12)
{
    Font* f = Font::fontWithName(name, size);
    EXPECT_NE(f, nullptr) << name << " is missing (is fonts-urw-base35 installed?)";
    return f;
}

Font* fixedTest(float size = 12)
{
    std::string error = Font::registerFontFromAFM(fixtures + "/Fixed-Test.afm");
    EXPECT_EQ(error, "");
    return Font::fontWithName("Fixed-Test", size);
}

} // namespace

// ---- Printer metrics of the standard faces, read off the URW AFM files.

TEST(FontMetricsOfStandardFaces, AdvancesAtTwelvePoints)
{
    struct Case {
        const char* font;
        unsigned char code;
        const char* glyph; // the name the code must reach
        float wx;          // the AFM's WX
    };
    const Case cases[] = {
        {"Times-Roman", 'A', "A", 722},
        {"Times-Roman", ' ', "space", 250},
        {"Times-Roman", 0xAE, "fi", 556},
        {"Times-Roman", 0xAF, "fl", 556},
        {"Times-Roman", 0xB1, "endash", 500},
        {"Times-Roman", 0xD0, "emdash", 1000},
        {"Times-Roman", 0x27, "quoteright", 333},
        {"Times-Roman", 0x60, "quoteleft", 333},
        {"Times-Bold", 'W', "W", 1000},
        {"Times-Bold", 's', "s", 389},
        {"Helvetica", 'A', "A", 667},
        {"Helvetica", 'y', "y", 500},
        {"Helvetica", 0xAE, "fi", 500},
        {"Helvetica", 0xB1, "endash", 556},
        {"Helvetica", 0xD0, "emdash", 1000},
        {"Helvetica", 0xE8, "Lslash", 556},
        {"Courier", 'A', "A", 600},
        {"Courier", 0xAF, "fl", 600},
        {"Courier", 0xD0, "emdash", 600},
        {"Symbol", 'a', "alpha", 631},
        {"Symbol", 'W', "Omega", 768},
        {"Symbol", ' ', "space", 250},
        {"Symbol", 0xA0, "Euro", 750},
        // The file encodes "apple" at 128; the Symbol set has it at 0xF0.
        {"Symbol", 0xF0, "apple", 790},
        {"ZapfDingbats", 0x21, "a1", 974},
    };
    for (const Case& c : cases) {
        Font* f = font(c.font);
        ASSERT_NE(f, nullptr);
        SCOPED_TRACE(std::string(c.font) + " code " + std::to_string(c.code));
        EXPECT_EQ(f->glyphName(c.code), c.glyph);
        EXPECT_TRUE(f->glyphIsEncoded(c.code));
        EXPECT_FLOAT_EQ(f->widths()[c.code], c.wx / 1000);
        EXPECT_FLOAT_EQ(f->advance(c.code), c.wx * 12 / 1000);
        EXPECT_FLOAT_EQ(f->advancementForGlyph(c.code).width, c.wx * 12 / 1000);
        EXPECT_FLOAT_EQ(f->advancementForGlyphNamed(c.glyph), c.wx * 12 / 1000);
        EXPECT_FLOAT_EQ(f->widthOfString(std::string(3, char(c.code))), 3 * c.wx * 12 / 1000);
    }
}

TEST(FontMetricsOfStandardFaces, EncodingSchemes)
{
    EXPECT_EQ(font("Times-Roman")->encodingScheme(), FontEncodingScheme::Document);
    EXPECT_EQ(font("Symbol")->encodingScheme(), FontEncodingScheme::Symbol);
    EXPECT_EQ(font("ZapfDingbats")->encodingScheme(), FontEncodingScheme::FontSpecific);

    // Every code of the documents' set that has a glyph name has a glyph in
    // every text face, and every Symbol code in Symbol: nothing the user
    // types measures as zero by a naming slip.
    for (const char* name : {"Times-Roman", "Helvetica-Oblique", "Courier-Bold", "Palatino-Roman",
                             "NewCenturySchlbk-Italic", "AvantGarde-Demi", "Bookman-Light",
                             "ZapfChancery-MediumItalic", "Helvetica-Narrow"}) {
        Font* f = font(name);
        ASSERT_NE(f, nullptr);
        for (int c = 0; c < 256; ++c)
            EXPECT_EQ(f->glyphIsEncoded(c), !glyphName(Encoding::NeXTSTEP, c).empty()) << name << " code " << c;
    }
    Font* symbol = font("Symbol");
    for (int c = 0; c < 256; ++c)
        EXPECT_EQ(symbol->glyphIsEncoded(c), !glyphName(Encoding::Symbol, c).empty()) << "Symbol code " << c;
}

TEST(FontMetricsOfStandardFaces, UnencodedCodesHaveNoWidth)
{
    // What PostScript prints for them: .notdef, which has no width.
    Font* times = font("Times-Roman");
    for (unsigned char c : {0x00, 0x09, 0x0A, 0x1F, 0x7F, 0xFE, 0xFF}) {
        EXPECT_FALSE(times->glyphIsEncoded(c)) << int(c);
        EXPECT_EQ(times->glyphName(c), "") << int(c);
        EXPECT_EQ(times->advance(c), 0) << int(c);
        EXPECT_TRUE(isEmptyRect(times->boundingRectForGlyph(c))) << int(c);
    }
    EXPECT_EQ(times->widthOfString(std::string("A\x09\xFF", 3)), times->advance('A'));
    // Dingbats has no glyph at 0x90 in its own encoding.
    Font* dingbats = font("ZapfDingbats");
    EXPECT_FALSE(dingbats->glyphIsEncoded(0x90));
    EXPECT_EQ(dingbats->advance(0x90), 0);
    EXPECT_EQ(font("Symbol")->advance(0x7F), 0);
}

TEST(FontMetricsOfStandardFaces, KerningPairs)
{
    struct Case {
        const char* font;
        unsigned char first, second;
        float kpx; // the AFM's KPX, 0 for no pair
    };
    const Case cases[] = {
        {"Times-Roman", 'A', 'V', -128},
        {"Times-Roman", 'T', 'o', -87},
        // quoteright is at 0x27 and 0xA9 of the documents' set: both kern.
        {"Times-Roman", 0x27, 's', -51},
        {"Times-Roman", 0xA9, 's', -51},
        {"Times-Bold", 'A', 'V', -130},
        {"Helvetica", 'A', 'V', -71},
        {"Helvetica", 'T', 'o', -91},
        {"Helvetica", 0x27, 's', -19},
        {"Helvetica", 'x', 'x', 0},
        {"Courier", 'A', 'V', 0},
    };
    for (const Case& c : cases) {
        Font* f = font(c.font);
        ASSERT_NE(f, nullptr);
        EXPECT_FLOAT_EQ(f->kern(c.first, c.second), c.kpx * 12 / 1000)
            << c.font << " " << c.first << " " << c.second;
        bool nominal = false;
        Point p = f->positionOfGlyph(c.second, c.first, &nominal);
        EXPECT_TRUE(nominal);
        EXPECT_FLOAT_EQ(p.x, f->advance(c.first) + c.kpx * 12 / 1000);
    }
    // Kerning scales with the size and is not symmetric by accident.
    Font* t24 = font("Times-Roman", 24);
    EXPECT_FLOAT_EQ(t24->kern('A', 'V'), -128 * 24 / 1000.0f);
    EXPECT_NE(t24->kern('A', 'V'), t24->kern('V', 'A'));
    EXPECT_EQ(t24->kern('A', 0xFF), 0);
}

TEST(FontMetricsOfStandardFaces, BoxesAndVerticalMetrics)
{
    Font* times = font("Times-Roman");
    // B 15 0 706 674 for "A".
    Rect a = times->boundingRectForGlyph('A');
    EXPECT_FLOAT_EQ(a.origin.x, 15 * 0.012f);
    EXPECT_FLOAT_EQ(a.origin.y, 0);
    EXPECT_FLOAT_EQ(a.size.width, (706 - 15) * 0.012f);
    EXPECT_FLOAT_EQ(a.size.height, 674 * 0.012f);
    // The URW files state Ascender and Descender as 0: the top of "d" (683)
    // and the bottom of "p" (-217) stand in, as the AFM format defines them.
    EXPECT_FLOAT_EQ(times->ascender(), 683 * 0.012f);
    EXPECT_FLOAT_EQ(times->descender(), -217 * 0.012f);
    EXPECT_FLOAT_EQ(times->capHeight(), 662 * 0.012f);
    EXPECT_FLOAT_EQ(times->xHeight(), 450 * 0.012f);
    EXPECT_FLOAT_EQ(times->underlinePosition(), -107 * 0.012f);
    EXPECT_FLOAT_EQ(times->underlineThickness(), 50 * 0.012f);
    EXPECT_FALSE(times->isFixedPitch());
    EXPECT_TRUE(font("Courier")->isFixedPitch());
    EXPECT_LT(font("Times-Italic")->italicAngle(), 0);
    EXPECT_EQ(times->italicAngle(), 0);

    // The font box spans the ink of every glyph the encoding reaches.
    Rect box = times->boundingRectForFont();
    for (int c = 0; c < 256; ++c) {
        Rect g = times->boundingRectForGlyph(c);
        if (isEmptyRect(g))
            continue;
        EXPECT_LE(minY(box), minY(g) + 1e-4f) << c;
        EXPECT_GE(maxY(box), maxY(g) - 1e-4f) << c;
        EXPECT_LE(minX(box), minX(g) + 1e-4f) << c;
        EXPECT_GE(maxX(box), maxX(g) - 1e-4f) << c;
    }
    // The text engine's line metrics: whole points, descent positive.
    for (const char* name : {"Times-Roman", "Helvetica", "Courier", "Symbol", "ZapfDingbats"}) {
        for (float size : {9.0f, 12.0f, 13.5f, 72.0f}) {
            Font* f = font(name, size);
            SCOPED_TRACE(std::string(name) + " " + std::to_string(size));
            EXPECT_EQ(f->naturalHeight(), std::ceil(f->boundingRectForFont().size.height));
            EXPECT_EQ(f->descent(), std::ceil(std::fabs(f->descender())));
            EXPECT_GT(f->descent(), 0);
            EXPECT_EQ(f->ascent(), f->naturalHeight() - f->descent());
            EXPECT_GT(f->ascent(), 0);
        }
    }
    EXPECT_EQ(times->naturalHeight(), 14); // ink -249..915 at 12 points: 13.97
    EXPECT_EQ(times->descent(), 3);
}

TEST(FontMetricsOfStandardFaces, NamesAndFiles)
{
    Font* times = font("Times-BoldItalic");
    EXPECT_EQ(times->fontName(), "Times-BoldItalic");
    EXPECT_EQ(times->familyName(), "Times");
    EXPECT_EQ(times->fullName(), "Times Bold Italic");
    EXPECT_EQ(font("Helvetica-Narrow-Oblique")->familyName(), "Helvetica Narrow");
    EXPECT_EQ(font("AvantGarde-Book")->familyName(), "AvantGarde");
    EXPECT_EQ(font("NewCenturySchlbk-Roman")->familyName(), "NewCenturySchlbk");
    // The font file the PostScript writer embeds.
    std::string file = times->fontFilePath();
    EXPECT_NE(file.find("NimbusRoman-BoldItalic"), std::string::npos) << file;
    EXPECT_TRUE(std::filesystem::exists(file)) << file;
    // The URW name reaches the same face, and the same interned font.
    EXPECT_EQ(Font::fontWithName("NimbusRoman-BoldItalic", 12), times);
}

// ---- Interning.

TEST(FontInterning, SameNameAndSizeIsTheSameFont)
{
    Font* a = Font::fontWithName("Helvetica", 12);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(Font::fontWithName("Helvetica", 12.0f), a);
    EXPECT_EQ(Font::fontWithName(std::string("Helvetica"), 12), a);
    EXPECT_EQ(a->pointSize(), 12);
    // Sizes are keyed by their float bits.
    EXPECT_NE(Font::fontWithName("Helvetica", 12.5f), a);
    EXPECT_NE(Font::fontWithName("Helvetica", std::nextafter(12.0f, 13.0f)), a);
    EXPECT_NE(Font::fontWithName("Helvetica-Bold", 12), a);
    EXPECT_EQ(Font::fontWithName("Helvetica", 12.5f), Font::fontWithName("Helvetica", 12.5f));
}

TEST(FontInterning, MissingFontsAndBadSizesAreNil)
{
    for (const char* name : {"NoSuchFont", "", "times-roman", "Times Roman", "../../etc/passwd",
                             "/usr/share/fonts/type1/urw-base35/NimbusRoman-Regular.afm"})
        EXPECT_EQ(Font::fontWithName(name, 12), nullptr) << name;
    for (float size : {0.0f, -0.0f, -12.0f, NAN, INFINITY, -INFINITY})
        EXPECT_EQ(Font::fontWithName("Times-Roman", size), nullptr) << size;
    EXPECT_FALSE(Font::hasFace("NoSuchFont"));
    EXPECT_TRUE(Font::hasFace("Courier"));
}

TEST(FontInterning, AvailableFacesAreTheThirtyFiveStandardOnes)
{
    std::vector<FontFaceInfo> faces = Font::availableFaces();
    std::vector<std::string> names;
    for (const FontFaceInfo& f : faces)
        if (f.fontName != "Fixed-Test")
            names.push_back(f.fontName);
    EXPECT_EQ(names.size(), 35u);
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
    for (const FontFaceInfo& f : faces)
        EXPECT_NE(Font::fontWithName(f.fontName, 10), nullptr) << f.fontName;
}

TEST(FontInterning, ADamagedStandardFileLeavesThatFaceAbsent)
{
    // In a fresh process (faces load once per run), with a damaged copy of
    // one URW file found first on the search path.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    std::string folder = testing::TempDir() + "/font-path-damaged";
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file(fixtures + "/Damaged-Truncated.afm", folder + "/URWBookman-LightItalic.afm",
                               std::filesystem::copy_options::overwrite_existing);
    EXPECT_EXIT(
        {
            setenv("SCRIVLY_FONT_PATH", folder.c_str(), 1);
            bool absent = Font::fontWithName("Bookman-LightItalic", 12) == nullptr;
            bool othersThere = Font::fontWithName("Bookman-Light", 12) != nullptr;
            bool unlisted = true;
            for (const FontFaceInfo& f : Font::availableFaces())
                unlisted = unlisted && f.fontName != "Bookman-LightItalic";
            bool noItalic = FontManager::sharedFontManager().fontWithFamily("Bookman", ItalicFontMask, 3, 12) == nullptr;
            std::exit(absent && othersThere && unlisted && noItalic ? 0 : 1);
        },
        testing::ExitedWithCode(0), "Font Bookman-LightItalic is not available: .*EndCharMetrics");
    std::filesystem::remove_all(folder);
}

// ---- Screen fonts.

TEST(FontScreen, AdvancesAreWholePixelsAtTheFontsSize)
{
    for (float size : {7.0f, 10.0f, 12.0f, 13.5f, 36.0f}) {
        Font* printer = font("Times-Roman", size);
        Font* screen = printer->screenFont();
        ASSERT_NE(screen, nullptr);
        EXPECT_NE(screen, printer);
        EXPECT_TRUE(screen->isScreenFont());
        EXPECT_FALSE(printer->isScreenFont());
        EXPECT_EQ(printer->screenFont(), screen); // interned
        EXPECT_EQ(screen->screenFont(), screen);
        EXPECT_EQ(screen->printerFont(), printer);
        EXPECT_EQ(printer->printerFont(), printer);
        EXPECT_EQ(screen->pointSize(), size);
        EXPECT_EQ(screen->fontName(), "Times-Roman");
        // The text engine scales screen widths by 1: they are at size already.
        for (int c = 0; c < 256; ++c) {
            float w = screen->widths()[c];
            EXPECT_EQ(w, std::round(w)) << c;
            EXPECT_EQ(w, std::round(printer->widths()[c] * size)) << c;
            EXPECT_EQ(screen->advance(c), w);
        }
        EXPECT_EQ(screen->widthOfString("AVA"), 3 * screen->advance('A'));
        EXPECT_EQ(screen->naturalHeight(), printer->naturalHeight());
    }
    // 12-point Times: "A" is 8.664 points on paper, 9 pixels on screen.
    EXPECT_EQ(font("Times-Roman", 12)->screenFont()->advance('A'), 9);
}

// ---- Fixture faces.

TEST(FontFixture, FixedTestFaceMeasuresInWholeUnits)
{
    Font* f = fixedTest(10);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f, Font::fontWithName("Fixed-Test", 10));
    EXPECT_EQ(f->familyName(), "Fixed Test");
    EXPECT_TRUE(f->isFixedPitch());
    EXPECT_EQ(f->fontFilePath(), "");
    EXPECT_EQ(f->encodingScheme(), FontEncodingScheme::Document);
    for (int c = 0; c < 256; ++c)
        EXPECT_EQ(f->advance(c), glyphName(Encoding::NeXTSTEP, c).empty() ? 0 : 6) << c;
    EXPECT_EQ(f->widthOfString("Hello, world"), 72);
    EXPECT_EQ(f->widthOfString(std::string("\xAE\xD0\xB1", 3)), 18);
    EXPECT_FLOAT_EQ(f->kern('A', 'V'), -0.8f);
    EXPECT_FLOAT_EQ(f->kern(0x27, 's'), -0.5f);
    EXPECT_FLOAT_EQ(f->kern(0xA9, 's'), -0.5f);
    EXPECT_EQ(f->kern('A', 'A'), 0);
    EXPECT_EQ(f->naturalHeight(), 10);
    EXPECT_EQ(f->descent(), 2);
    EXPECT_EQ(f->ascent(), 8);
    EXPECT_EQ(f->ascender(), 7.5f);
    EXPECT_EQ(f->screenFont()->advance('x'), 6);
    // A second registration of the same file is no error.
    EXPECT_EQ(Font::registerFontFromAFM(fixtures + "/Fixed-Test.afm"), "");
    EXPECT_EQ(Font::fontWithName("Fixed-Test", 10), f);
}

TEST(FontFixture, DamagedOrConflictingFilesAreRefused)
{
    std::string error = Font::registerFontFromAFM(fixtures + "/Damaged-Truncated.afm");
    EXPECT_NE(error.find("Damaged-Truncated.afm"), std::string::npos) << error;
    EXPECT_NE(error.find("EndCharMetrics"), std::string::npos) << error;
    EXPECT_EQ(Font::fontWithName("Fixed-Test-Truncated", 12), nullptr);

    error = Font::registerFontFromAFM(fixtures + "/Damaged-Number.afm");
    EXPECT_NE(error.find("line 52"), std::string::npos) << error;
    EXPECT_NE(error.find("6O0"), std::string::npos) << error;
    EXPECT_EQ(Font::fontWithName("Damaged-Number", 12), nullptr);

    error = Font::registerFontFromAFM(fixtures + "/absent.afm");
    EXPECT_NE(error.find("cannot open"), std::string::npos) << error;
    error = Font::registerFontFromAFM(fixtures);
    EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;

    error = Font::registerFontFromAFM(fixtures + "/Fixed-Test.afm", fixtures + "/absent.t1");
    EXPECT_NE(error.find("absent.t1"), std::string::npos) << error;

    // A standard face cannot be shadowed by another file of its name.
    std::string dir = testing::TempDir();
    std::string copy = dir + "/Times-Shadow.afm";
    {
        std::ifstream in(fixtures + "/Fixed-Test.afm");
        std::ofstream out(copy);
        std::string line;
        while (std::getline(in, line))
            out << (line.rfind("FontName ", 0) == 0 ? "FontName Times-Roman" : line) << "\n";
    }
    error = Font::registerFontFromAFM(copy);
    EXPECT_NE(error.find("exists already"), std::string::npos) << error;
    EXPECT_FLOAT_EQ(font("Times-Roman")->advance('A'), 722 * 0.012f);
    std::filesystem::remove(copy);
}

TEST(FontFixture, FontSpecificEncodingUsesTheFilesCodes)
{
    std::string path = testing::TempDir() + "/Pict-Test.afm";
    {
        std::ofstream out(path);
        out << "StartFontMetrics 4.1\nFontName Pict-Test\nWeight Medium\nEncodingScheme FontSpecific\n"
               "FontBBox 0 0 1000 1000\nStartCharMetrics 3\n"
               "C 65 ; WX 900 ; N heart ; B 0 0 900 900 ;\n"
               "C 66 ; WX 500 ; N club ; B 0 0 500 500 ;\n"
               "C -1 ; WX 700 ; N A ; B 0 0 700 700 ;\n"
               "EndCharMetrics\nEndFontMetrics\n";
    }
    ASSERT_EQ(Font::registerFontFromAFM(path), "");
    Font* f = Font::fontWithName("Pict-Test", 10);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->encodingScheme(), FontEncodingScheme::FontSpecific);
    EXPECT_EQ(f->glyphName('A'), "heart"); // not the glyph named "A"
    EXPECT_EQ(f->advance('A'), 9);
    EXPECT_EQ(f->advance('B'), 5);
    EXPECT_FALSE(f->glyphIsEncoded('C'));
    EXPECT_EQ(f->familyName(), "Pict");
    EXPECT_NE(f->traits() & NonStandardCharacterSetFontMask, 0);
    // No Ascender, no "d": the font box stands in.
    EXPECT_EQ(f->ascender(), 10);
    std::filesystem::remove(path);
}

// ---- User fonts from the defaults.

class FontUserFonts : public testing::Test {
protected:
    void SetUp() override
    {
        if (const char* old = std::getenv("XDG_CONFIG_HOME"))
            saved_ = old;
        folder_ = testing::TempDir() + "/font-user-defaults";
        std::filesystem::create_directories(folder_);
        setenv("XDG_CONFIG_HOME", folder_.c_str(), 1);
        UserDefaults::resetStandardUserDefaults();
    }
    void TearDown() override
    {
        UserDefaults::resetStandardUserDefaults();
        if (saved_)
            setenv("XDG_CONFIG_HOME", saved_->c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
        std::filesystem::remove_all(folder_);
    }

    std::string folder_;
    std::optional<std::string> saved_;
};

TEST_F(FontUserFonts, DefaultsAndTheirFallbacks)
{
    EXPECT_EQ(Font::userFontOfSize(10), Font::fontWithName("Helvetica", 10));
    EXPECT_EQ(Font::userFixedPitchFontOfSize(10), Font::fontWithName("Courier", 10));
    EXPECT_EQ(Font::userFontOfSize(0), Font::fontWithName("Helvetica", 12));

    UserDefaults& d = UserDefaults::standardUserDefaults();
    d.setStringForKey("Times-Roman", "NSFont");
    d.setStringForKey("Courier-Bold", "NSFixedPitchFont");
    d.setStringForKey("14", "NSFontSize");
    EXPECT_EQ(Font::userFontOfSize(0), Font::fontWithName("Times-Roman", 14));
    EXPECT_EQ(Font::userFontOfSize(-1), Font::fontWithName("Times-Roman", 14));
    EXPECT_EQ(Font::userFontOfSize(9), Font::fontWithName("Times-Roman", 9));
    EXPECT_EQ(Font::userFixedPitchFontOfSize(0), Font::fontWithName("Courier-Bold", 14));

    // A name no face has, or a size that is no size, falls back.
    d.setStringForKey("Nonesuch", "NSFont");
    d.setStringForKey("big", "NSFontSize");
    EXPECT_EQ(Font::userFontOfSize(0), Font::fontWithName("Helvetica", 12));
}

// ---- Archiving.

namespace {

std::string replacedBytes(std::string data, const std::string& from, const std::string& to)
{
    std::size_t at = data.find(from);
    EXPECT_NE(at, std::string::npos);
    EXPECT_EQ(data.find(from, at + 1), std::string::npos) << "not unique";
    if (at != std::string::npos)
        data.replace(at, from.size(), to);
    return data;
}

} // namespace

TEST(FontArchiving, RoundTripAnswersTheInternedFont)
{
    Font::initialize();
    for (Font* f : {font("Times-Roman", 12), font("Helvetica-BoldOblique", 9.5f), fixedTest(11)}) {
        ASSERT_NE(f, nullptr);
        std::string data = Archiver::archivedDataWithRootObject(f);
        Unarchiver u(data);
        EXPECT_EQ(u.decodeObject(), f);
    }
    // A screen font is stored as its printer font.
    Font* screen = font("Courier", 10)->screenFont();
    Unarchiver u(Archiver::archivedDataWithRootObject(screen));
    EXPECT_EQ(u.decodeObject(), font("Courier", 10));
}

TEST(FontArchiving, InternedFontsAreNotOwnedByTheReader)
{
    Font* f = font("Times-Roman", 12);
    std::string data = Archiver::archivedDataWithRootObject(f);
    {
        Unarchiver u(data);
        Object* o = u.decodeObject();
        EXPECT_EQ(o, f);
        // Claiming it would make a second owner.
        EXPECT_THROW(u.claim<Font>(o), Exception);
    }
    // The decoder is gone; the font is intact.
    EXPECT_EQ(f->fontName(), "Times-Roman");
    EXPECT_EQ(Font::fontWithName("Times-Roman", 12), f);
}

TEST(FontArchiving, UnknownNamesAndBadSizes)
{
    Font* fixed = fixedTest(12);
    ASSERT_NE(fixed, nullptr);
    std::string data = Archiver::archivedDataWithRootObject(fixed);

    // An unknown name reads as Courier at the stored size.
    std::string unknown = replacedBytes(data, "Fixed-Test", "Fixed-Tesx");
    {
        Unarchiver u(unknown);
        EXPECT_EQ(u.decodeObject(), font("Courier", 12));
    }
    // ... or as what the installed handler says.
    std::string askedName;
    float askedSize = 0;
    Font::setSubstituteFontHandler([&](const std::string& name, float size) {
        askedName = name;
        askedSize = size;
        return Font::fontWithName("Times-Roman", size);
    });
    {
        Unarchiver u(unknown);
        EXPECT_EQ(u.decodeObject(), font("Times-Roman", 12));
    }
    Font::setSubstituteFontHandler(nullptr);
    EXPECT_EQ(askedName, "Fixed-Tesx");
    EXPECT_EQ(askedSize, 12);

    // A size that is no size reads as nil, without an error.
    const float twelve = 12.0f;
    std::string twelveBytes(reinterpret_cast<const char*>(&twelve), 4);
    for (float bad : {NAN, -12.0f, 0.0f}) {
        std::string badBytes(reinterpret_cast<const char*>(&bad), 4);
        Unarchiver u(replacedBytes(data, twelveBytes, badBytes));
        EXPECT_EQ(u.decodeObject(), nullptr) << bad;
    }
}
