#include "graphics/FontMetrics.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>

using kit::FontMetrics;

namespace {

std::string readFixture(const std::string& name)
{
    std::ifstream in(std::string(SCRIVLY_FIXTURES_DIR) + "/" + name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// A small but complete file; the damaged cases below are edits of it.
const std::string minimal = "StartFontMetrics 4.1\n"
                            "Comment minimal\n"
                            "FontName Mini-Regular\n"
                            "FamilyName Mini\n"
                            "Weight Bold\n"
                            "ItalicAngle -12.5\n"
                            "IsFixedPitch false\n"
                            "FontBBox -10 -250 1010 900\n"
                            "UnderlinePosition -100\n"
                            "UnderlineThickness 50\n"
                            "CapHeight 700\n"
                            "XHeight 480\n"
                            "Ascender 720\n"
                            "Descender -230\n"
                            "StartCharMetrics 3\n"
                            "C 32 ; WX 250 ; N space ; B 0 0 0 0 ;\n"
                            "C 65 ; WX 700.5 ; N A ; B 5 0 695 700 ; L f fi ;\n"
                            "C -1 ; W 600 0 ; N V ; B 2 -10 598 700 ;\n"
                            "EndCharMetrics\n"
                            "StartKernData\n"
                            "StartKernPairs 3\n"
                            "KPX A V -80\n"
                            "KP V A -70 0\n"
                            "KPX A nosuchglyph -20\n"
                            "EndKernPairs\n"
                            "EndKernData\n"
                            "EndFontMetrics\n";

std::string replaced(std::string s, const std::string& from, const std::string& to)
{
    std::size_t at = s.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos)
        s.replace(at, from.size(), to);
    return s;
}

} // namespace

TEST(FontMetricsParse, ReadsHeaderGlyphsAndKerning)
{
    std::string error;
    auto m = FontMetrics::parse(minimal, error);
    ASSERT_TRUE(m) << error;
    EXPECT_EQ(m->fontName, "Mini-Regular");
    EXPECT_EQ(m->familyName, "Mini");
    EXPECT_EQ(m->weight, "Bold");
    EXPECT_FLOAT_EQ(m->italicAngle, -12.5f);
    EXPECT_FALSE(m->isFixedPitch);
    EXPECT_EQ(m->fontBBox.lly, -250);
    EXPECT_EQ(m->fontBBox.ury, 900);
    EXPECT_EQ(m->ascender, 720);
    EXPECT_EQ(m->descender, -230);
    ASSERT_EQ(m->glyphs.size(), 3u);
    EXPECT_EQ(m->glyphs[1].code, 65);
    EXPECT_FLOAT_EQ(m->glyphs[1].width, 700.5f);
    EXPECT_EQ(m->glyphs[1].box.urx, 695);
    // W gives the width as its x part; C -1 is an unencoded glyph.
    const FontMetrics::Glyph* v = m->glyphNamed("V");
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->code, -1);
    EXPECT_EQ(v->width, 600);
    // A pair naming a glyph the file lacks is dropped, the others kept.
    ASSERT_EQ(m->kernPairs.size(), 2u);
    EXPECT_EQ(m->glyphs[m->kernPairs[0].first].name, "A");
    EXPECT_EQ(m->glyphs[m->kernPairs[0].second].name, "V");
    EXPECT_EQ(m->kernPairs[0].x, -80);
    EXPECT_EQ(m->kernPairs[1].x, -70);
}

TEST(FontMetricsParse, ToleratesWhatLosesNothing)
{
    struct Case {
        const char* what;
        std::string text;
    };
    std::string crlf;
    for (char c : minimal) {
        if (c == '\n')
            crlf += '\r';
        crlf += c;
    }
    const Case cases[] = {
        {"CRLF line ends", crlf},
        {"a byte order mark", "\xEF\xBB\xBF" + minimal},
        {"unknown keys and blank lines", replaced(minimal, "Comment minimal\n", "Comment x\n\nMetricsSets 0\nFooBar 1 2\n")},
        {"composites and track kerning skipped",
         replaced(minimal, "EndKernData\n",
                  "EndKernData\nStartComposites 1\nCC Aring 2 ; PCC A 0 0 ; PCC ring 100 200 ;\nEndComposites\n"
                  "StartTrackKern 1\nTrackKern 1 6 0 72 -1\nEndTrackKern\n")},
        {"a glyph count that disagrees with the lines", replaced(minimal, "StartCharMetrics 3", "StartCharMetrics 99")},
        {"a leading plus sign", replaced(minimal, "WX 250", "WX +250")},
        {"vertical kerning ignored", replaced(minimal, "StartKernPairs 3\n", "StartKernPairs1 1\nKPX A V 5\nEndKernPairs\nStartKernPairs 3\n")},
    };
    for (const Case& c : cases) {
        std::string error;
        auto m = FontMetrics::parse(c.text, error);
        ASSERT_TRUE(m) << c.what << ": " << error;
        EXPECT_EQ(m->glyphs.size(), 3u) << c.what;
        ASSERT_EQ(m->kernPairs.size(), 2u) << c.what;
        EXPECT_EQ(m->kernPairs[0].x, -80) << c.what;
        EXPECT_EQ(m->glyphNamed("space")->width, 250) << c.what;
    }
}

TEST(FontMetricsParse, RefusesDamageWithAReason)
{
    struct Case {
        const char* what;
        std::string text;
        const char* reason; // part of the error
    };
    const Case cases[] = {
        {"empty file", "", "no StartFontMetrics"},
        {"not an AFM file", "%!PS-AdobeFont-1.0: Foo\n", "no StartFontMetrics"},
        {"NUL byte", replaced(minimal, "Mini-Regular", std::string("Mini\0Regular", 12)), "NUL"},
        {"no FontName", replaced(minimal, "FontName Mini-Regular\n", ""), "no FontName"},
        {"no character metrics",
         replaced(minimal,
                  "StartCharMetrics 3\nC 32 ; WX 250 ; N space ; B 0 0 0 0 ;\nC 65 ; WX 700.5 ; N A ; B 5 0 695 700 ; L f fi "
                  ";\nC -1 ; W 600 0 ; N V ; B 2 -10 598 700 ;\nEndCharMetrics\n",
                  ""),
         "character metrics"},
        {"ends inside the glyphs", minimal.substr(0, minimal.find("EndCharMetrics")), "EndCharMetrics"},
        {"ends inside the kerning", minimal.substr(0, minimal.find("EndKernPairs")), "EndKernPairs"},
        {"ends before EndFontMetrics", minimal.substr(0, minimal.find("EndFontMetrics")), "EndFontMetrics"},
        {"ends inside composites", replaced(minimal, "EndFontMetrics\n", "StartComposites 1\n"), "EndComposites"},
        {"width not a number", replaced(minimal, "WX 250", "WX 2S0"), "line 16"},
        {"width missing", replaced(minimal, "WX 250 ; ", ""), "without a width"},
        {"code missing", replaced(minimal, "C 32 ; ", ""), "without a code"},
        {"code out of range", replaced(minimal, "C 32 ;", "C -7 ;"), "out of range"},
        {"huge number", replaced(minimal, "WX 250", "WX 1e30"), "out of range"},
        {"not finite", replaced(minimal, "WX 250", "WX nan"), "WX"},
        {"short box", replaced(minimal, "B 0 0 0 0", "B 0 0 0"), "B needs 4"},
        {"bad FontBBox", replaced(minimal, "FontBBox -10 -250 1010 900", "FontBBox -10 -250"), "FontBBox"},
        {"bad IsFixedPitch", replaced(minimal, "IsFixedPitch false", "IsFixedPitch maybe"), "IsFixedPitch"},
        {"kerning pair without amount", replaced(minimal, "KPX A V -80", "KPX A V"), "KPX"},
        {"kerning before glyphs", replaced(minimal, "Comment minimal\n", "StartKernPairs 0\nEndKernPairs\n"), "before"},
        {"second StartCharMetrics", replaced(minimal, "StartKernData\n", "StartCharMetrics 0\nEndCharMetrics\nStartKernData\n"), "second"},
        {"hex code not hex", replaced(minimal, "C 32 ;", "CH <2G> ;"), "CH"},
        {"two names", replaced(minimal, "N space", "N space bar"), "one glyph name"},
    };
    for (const Case& c : cases) {
        std::string error;
        auto m = FontMetrics::parse(c.text, error);
        EXPECT_FALSE(m) << c.what;
        EXPECT_NE(error.find(c.reason), std::string::npos) << c.what << ": \"" << error << "\"";
    }
}

TEST(FontMetricsParse, EveryProperPrefixOfAFileIsRefused)
{
    // A file cut anywhere must not read as a shorter, valid face.
    std::string text = readFixture("Fixed-Test.afm");
    ASSERT_GT(text.size(), 1000u);
    std::string error;
    ASSERT_TRUE(FontMetrics::parse(text, error)) << error;
    std::size_t end = text.rfind("EndFontMetrics");
    for (std::size_t n = 0; n < end + 14; n += (n < end - 400 ? 37 : 1)) {
        auto m = FontMetrics::parse(std::string_view(text).substr(0, n), error);
        ASSERT_FALSE(m) << "prefix of " << n << " bytes was accepted";
        EXPECT_FALSE(error.empty());
    }
}

TEST(FontMetricsParse, SurvivesRandomDamage)
{
    // Sanitizers catch any out-of-bounds read; every answer is either a
    // face or an error.
    std::string text = readFixture("Fixed-Test.afm");
    ASSERT_FALSE(text.empty());
    std::mt19937 random(1234);
    const char bytes[] = {' ', ';', '\n', '\r', '-', '9', 'e', '<', '>', 'C', 'N', '\0', '\xff', '.'};
    for (int round = 0; round < 300; ++round) {
        std::string damaged = text;
        int edits = 1 + int(random() % 8);
        for (int e = 0; e < edits; ++e) {
            std::size_t at = random() % damaged.size();
            switch (random() % 3) {
            case 0:
                damaged[at] = bytes[random() % sizeof bytes];
                break;
            case 1:
                damaged.erase(at, 1 + random() % 20);
                break;
            default:
                damaged.insert(at, 1, bytes[random() % sizeof bytes]);
                break;
            }
            if (damaged.empty())
                damaged = "x";
        }
        std::string error;
        auto m = FontMetrics::parse(damaged, error);
        EXPECT_EQ(bool(m), error.empty());
        if (m) {
            EXPECT_FALSE(m->fontName.empty());
        }
    }
}

TEST(FontMetricsParse, ReportsFilesThatCannotBeRead)
{
    std::string error;
    EXPECT_FALSE(FontMetrics::parseFile(std::string(SCRIVLY_FIXTURES_DIR) + "/no-such-file.afm", error));
    EXPECT_NE(error.find("cannot open"), std::string::npos) << error;

    EXPECT_FALSE(FontMetrics::parseFile(std::string(SCRIVLY_FIXTURES_DIR) + "/Damaged-Truncated.afm", error));
    EXPECT_NE(error.find("Damaged-Truncated.afm"), std::string::npos) << error;
    EXPECT_NE(error.find("EndCharMetrics"), std::string::npos) << error;
}
