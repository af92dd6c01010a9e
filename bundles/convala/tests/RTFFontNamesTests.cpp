// The font names other programs write into an RTF font table, read onto the
// URW faces through the shipped "fontmap.import", the entry's own family
// word for a name nobody knows, and the names the writer gives back.

#include "ImportTestSupport.h"

#include "bundles/convala/rtf/RTFFontNames.h"

#include "graphics/Font.h"

using namespace convala_test;

namespace {

class RTFFontNamesTest : public ImportTest {
protected:
    void SetUp() override
    {
        ImportTest::SetUp();
        // Not one of the family words' faces, so that the body font is told apart.
        delegate_->preferences()->setBodyFont(font("NewCenturySchlbk-Roman", 12));
    }

    // The face stored at the slot, or "(none)".
    static std::string faceAt(int slot)
    {
        const auto& fonts = LayvaneIOMethods::rtfContext()->fontList();
        const auto it = fonts.find(slot);
        return it == fonts.end() || !it->second ? std::string("(none)") : it->second->fontName();
    }

    // Reads the font table; what the reader printed.
    std::string importFontTable(const std::string& entries)
    {
        testing::internal::CaptureStdout();
        const bool read = import("{\\rtf1{\\fonttbl" + entries + "}x}");
        const std::string printed = testing::internal::GetCapturedStdout();
        EXPECT_TRUE(read);
        return printed;
    }
};

TEST_F(RTFFontNamesTest, OtherProgramsNamesTakeTheMatchingURWFace)
{
    const std::pair<const char*, const char*> names[] = {
        // Serif, sans and mono, with the faces metric-compatible with them.
        {"Times New Roman", "Times-Roman"},
        {"Times", "Times-Roman"},
        {"Liberation Serif", "Times-Roman"},
        {"Tinos", "Times-Roman"},
        {"DejaVu Serif", "Times-Roman"},
        {"Georgia", "Times-Roman"},
        {"Cambria", "Times-Roman"},
        {"Arial", "Helvetica"},
        {"Helvetica", "Helvetica"},
        {"Liberation Sans", "Helvetica"},
        {"Arimo", "Helvetica"},
        {"DejaVu Sans", "Helvetica"},
        {"Calibri", "Helvetica"},
        {"Carlito", "Helvetica"},
        {"Verdana", "Helvetica"},
        {"Tahoma", "Helvetica"},
        {"Segoe UI", "Helvetica"},
        {"Arial Narrow", "Helvetica-Narrow"},
        {"Liberation Sans Narrow", "Helvetica-Narrow"},
        {"Courier New", "Courier"},
        {"Courier", "Courier"},
        {"Liberation Mono", "Courier"},
        {"Cousine", "Courier"},
        {"DejaVu Sans Mono", "Courier"},
        {"Consolas", "Courier"},
        {"Lucida Console", "Courier"},
        // The other URW families' look-alikes.
        {"Book Antiqua", "Palatino-Roman"},
        {"Palatino Linotype", "Palatino-Roman"},
        {"Bookman Old Style", "Bookman-Light"},
        {"Century Schoolbook", "NewCenturySchlbk-Roman"},
        {"Century Gothic", "AvantGarde-Book"},
        {"Monotype Corsiva", "ZapfChancery-MediumItalic"},
        {"Symbol", "Symbol"},
        {"OpenSymbol", "Symbol"},
        {"StarSymbol", "Symbol"},
        {"Wingdings", "ZapfDingbats"},
        {"Zapf Dingbats", "ZapfDingbats"},
        // Names of one face of a family: the family's face, the character
        // format carries bold and italic.
        {"Arial Bold", "Helvetica"},
        {"Arial,Bold", "Helvetica"},
        {"Arial,BoldItalic", "Helvetica"},
        {"Arial-BoldMT", "Helvetica"},
        {"Times New Roman Bold Italic", "Times-Roman"},
        {"TimesNewRomanPS-BoldItalicMT", "Times-Roman"},
        {"Courier New Italic", "Courier"},
        {"Arial Narrow Bold", "Helvetica-Narrow"},
        {"Calibri Light", "Helvetica"},
        {"Segoe UI Semibold", "Helvetica"},
        // PostScript names the font manager knows stay as they are.
        {"Times-Roman", "Times-Roman"},
        {"Palatino-Roman", "Palatino-Roman"},
        {"Helvetica-Bold", "Helvetica-Bold"},
    };
    std::string entries;
    for (std::size_t i = 0; i < std::size(names); ++i)
        entries += "{\\f" + std::to_string(i) + " " + names[i].first + ";}";
    EXPECT_EQ(importFontTable(entries), "");
    for (std::size_t i = 0; i < std::size(names); ++i)
        EXPECT_EQ(faceAt(int(i)), names[i].second) << names[i].first;
}

TEST_F(RTFFontNamesTest, ANameNobodyKnowsTakesItsOwnEntrysFamily)
{
    const std::string missing = "Scrivly: Can't map fontname 'Nonexistent'\n";
    struct Case {
        std::string entries;
        int slot;
        const char* face;
        std::string printed;
    };
    const Case cases[] = {
        {"{\\f1\\froman Nonexistent;}", 1, "Times-Roman", missing},
        {"{\\f1\\fswiss Nonexistent;}", 1, "Helvetica", missing},
        {"{\\f1\\fmodern Nonexistent;}", 1, "Courier", missing},
        {"{\\f1\\ftech Nonexistent;}", 1, "Symbol", missing},
        {"{\\f1\\fscript Nonexistent;}", 1, "ZapfChancery-MediumItalic", missing},
        {"{\\f1\\fdecor Nonexistent;}", 1, "ZapfChancery-MediumItalic", missing},
        {"{\\f1\\fnil Nonexistent;}", 1, "NewCenturySchlbk-Roman", missing},
        {"{\\f1\\fbidi Nonexistent;}", 1, "NewCenturySchlbk-Roman", missing},
        {"{\\f1 Nonexistent;}", 1, "NewCenturySchlbk-Roman", missing},
        // Word writes "\fbidi" before the family word.
        {"{\\f1\\fbidi \\fmodern\\fcharset0\\fprq1 Nonexistent;}", 1, "Courier", missing},
        // The family word after other words of the entry, and after its name.
        {"{\\f1\\fcharset0\\fprq2\\fswiss Nonexistent;}", 1, "Helvetica", missing},
        {"{\\f1 Nonexistent\\fmodern;}", 1, "Courier", missing},
        // A group that begins with the family word.
        {"{\\fswiss\\f1 Nonexistent;}", 1, "Helvetica", missing},
        // Nested groups: the PANOSE number is skipped, the alternative
        // name stands in for a name nobody knows.
        {"{\\f1\\froman\\fcharset0\\fprq2{\\*\\panose 02020603050405020304}Nonexistent;}", 1, "Times-Roman", missing},
        {"{\\f1\\froman{\\*\\panose 02020603050405020304}Nonexistent{\\*\\falt Arial};}", 1, "Helvetica", missing},
        {"{\\f1\\froman{\\*\\falt Courier New}Arial;}", 1, "Helvetica", ""},
        {"{\\f1\\fswiss Nonexistent{\\*\\falt Unknown Too};}", 1, "Helvetica",
         missing + "Scrivly: Can't map fontname 'Unknown Too'\n"},
        // The family word of one entry is that entry's only.
        {"{\\f0\\fswiss Nonexistent;}{\\f1 Nonexistent;}", 1, "NewCenturySchlbk-Roman", missing + missing},
        {"\\f0\\fswiss Nonexistent;\\f1 Nonexistent;", 1, "NewCenturySchlbk-Roman", missing + missing},
        {"{\\fswiss\\f0 Nonexistent;}{\\f1 Nonexistent;}", 1, "NewCenturySchlbk-Roman", missing + missing},
        {"{\\f0\\fmodern Nonexistent}{\\f1 Nonexistent}", 1, "NewCenturySchlbk-Roman", missing + missing},
        {"{\\f0\\froman Nonexistent{\\*\\falt Arial};}{\\f1 Nonexistent;}", 1, "NewCenturySchlbk-Roman",
         missing + missing},
        {"{\\f0\\froman Nonexistent;}{\\f1 Nonexistent;}", 0, "Times-Roman", missing + missing},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.entries);
        fresh();
        delegate_->preferences()->setBodyFont(font("NewCenturySchlbk-Roman", 12));
        EXPECT_EQ(importFontTable(c.entries), c.printed);
        EXPECT_EQ(faceAt(c.slot), c.face);
    }
}

TEST_F(RTFFontNamesTest, StyleWordsComeOffTheEndOfANameOnly)
{
    const std::pair<const char*, const char*> names[] = {
        {"Arial Bold", "Arial"},          {"Arial,Bold", "Arial"},     {"Arial-BoldMT", "Arial"},
        {"Arial Bold Italic", "Arial Bold"}, {"Times New Roman", "Times New Roman"},
        {"Helvetica-Narrow", "Helvetica-Narrow"}, {"Bold", "Bold"},    {" Bold", ""},
        {"MT", "MT"},
    };
    for (const auto& [name, shorter] : names)
        EXPECT_EQ(RTFFontNames::withoutStyleWord(name), shorter) << name;
}

TEST_F(RTFFontNamesTest, TheShippedMapsReadEachOthersNamesBack)
{
    const RTFContextMaps maps = RTFContextMaps::load("", "", RTFContextMaps::shippedFolder());
    ASSERT_TRUE(maps.fontImport) << "no fontmap.import in " << RTFContextMaps::shippedFolder();
    ASSERT_TRUE(maps.fontExport) << "no fontmap.export in " << RTFContextMaps::shippedFolder();
    for (const auto& [name, face] : *maps.fontImport)
        EXPECT_TRUE(kit::Font::hasFace(face)) << name << " = " << face;
    for (const auto& [face, name] : *maps.fontExport) {
        SCOPED_TRACE(face);
        kit::Font* f = kit::Font::fontWithName(face, 12);
        ASSERT_NE(f, nullptr);
        // A plain face, which a reader that lacks the name still finds by
        // its family word.
        EXPECT_EQ(RTFContext::goodFamilyNameFor(f), face);
        EXPECT_STRNE(RTFExportMethods::rtfFamilyOf(f), "nil");
        EXPECT_EQ(RTFFontNames::importFontName(name, maps), face) << name;
    }
}

TEST_F(RTFFontNamesTest, TheWriterNamesEachFaceAsOtherProgramsDoAndReadsItBack)
{
    const std::pair<const char*, const char*> faces[] = {
        {"Times-Roman", "\\froman Times New Roman;"},
        {"Helvetica-Bold", "\\fswiss Arial;"},
        {"Courier-Oblique", "\\fmodern Courier New;"},
        {"Symbol", "\\ftech Symbol;"},
        {"Palatino-Italic", "\\froman Palatino Linotype;"},
        {"Bookman-Demi", "\\froman Bookman Old Style;"},
        {"NewCenturySchlbk-Roman", "\\froman Century Schoolbook;"},
        {"AvantGarde-Book", "\\fswiss ITC Avant Garde Gothic;"},
        {"Helvetica-Narrow", "\\fswiss Arial Narrow;"},
        {"ZapfChancery-MediumItalic", "\\fscript ITC Zapf Chancery;"},
        {"ZapfDingbats", "\\ftech Zapf Dingbats;"},
    };
    std::vector<Word> words;
    for (const auto& [face, entry] : faces)
        words.push_back({"x", charStyle(font(face, 12))});
    setWords(0, words);
    const std::string rtf = exportRTF();
    for (const auto& [face, entry] : faces)
        EXPECT_NE(rtf.find(entry), std::string::npos) << face << " in " << rtf;

    // Read back, every word is in its own face again.
    fresh();
    ASSERT_TRUE(import(rtf));
    ASSERT_GE(flow_->paragraphCount(), 1);
    const TextParagraph* paragraph = flow_->paragraphAtIndex(0);
    ASSERT_EQ(paragraph->wordCount(), int(std::size(faces)));
    for (int w = 0; w < paragraph->wordCount(); ++w) {
        textPoint point{};
        setTextPoint(&point, 0, w, 0);
        const StyleChar* style = flow_->styleCharAt(&point);
        ASSERT_NE(style, nullptr);
        EXPECT_EQ(style->font()->fontName(), faces[w].first);
    }
}

} // namespace
