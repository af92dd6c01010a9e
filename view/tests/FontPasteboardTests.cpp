// The font pasteboard's data as this program writes it and as others may.

#include "view/FontPasteboard.h"

#include <gtest/gtest.h>

namespace {

TEST(FontPasteboard, WrittenDataReadsBackAsTheSameFont)
{
    for (const FontChoice& font : {FontChoice{"Times-Roman", 12.0f}, FontChoice{"Helvetica-BoldOblique", 18.5f},
                                   FontChoice{"Courier", 1.0f}, FontChoice{"Symbol", 1000.0f}}) {
        const std::optional<FontChoice> back = readFontPasteboardData(fontPasteboardData(font));
        ASSERT_TRUE(back) << font.name;
        EXPECT_EQ(back->name, font.name);
        EXPECT_FLOAT_EQ(back->size, font.size) << font.name;
    }
}

TEST(FontPasteboard, OtherProgramsDataGivesItsFirstFontOrNothing)
{
    struct Case {
        const char* data;
        const char* name; // nullptr: refused
        float size;
    };
    const Case cases[] = {
        {R"({\rtf1\ansi\deff0{\fonttbl{\f0\fswiss\fcharset0 Helvetica-Bold;}{\f1 Courier;}}\f0\fs36 a})",
         "Helvetica-Bold", 18.0f},
        {R"({\rtf1{\fonttbl\f0\fnil Times-Roman ;}\f0 a})", "Times-Roman", 12.0f},
        {R"({\rtf1{\fonttbl\f0\fnil Times-Roman;}\fswiss\fs21 a})", "Times-Roman", 10.5f},
        {R"({\rtf1{\fonttbl\f0\fnil Times-Roman;}\fs0 a})", nullptr, 0},
        {R"({\rtf1{\fonttbl\f0\fnil Times-Roman;}\fs2002 a})", nullptr, 0},
        {R"({\rtf1{\fonttbl\f0\fnil Times-Roman;}\fs99999999999 a})", nullptr, 0},
        {R"({\rtf1{\fonttbl\f0\fnil Bad{Name;}\fs24 a})", nullptr, 0},
        {R"({\rtf1{\fonttbl\f0\fnil ;}\fs24 a})", nullptr, 0},
        {R"({\rtf1{\fonttbl\f0\fnil Times-Roman})", nullptr, 0},
        {R"({\rtf1 no table})", nullptr, 0},
        {"Times-Roman 12", nullptr, 0},
        {"", nullptr, 0},
    };
    for (const Case& c : cases) {
        const std::optional<FontChoice> font = readFontPasteboardData(c.data);
        if (!c.name) {
            EXPECT_FALSE(font) << c.data;
            continue;
        }
        ASSERT_TRUE(font) << c.data;
        EXPECT_EQ(font->name, c.name);
        EXPECT_FLOAT_EQ(font->size, c.size) << c.data;
    }
    // A name longer than any font's is refused.
    const std::string longName = "{\\rtf1{\\fonttbl\\f0 " + std::string(MaxFontNameLength + 1, 'A') + ";}\\fs24 a}";
    EXPECT_FALSE(readFontPasteboardData(longName));
}

} // namespace
