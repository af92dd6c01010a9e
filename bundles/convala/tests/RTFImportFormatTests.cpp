// Character and paragraph formatting, tabs, bullets and the tables of an
// RTF document as the reader takes them.

#include "ImportTestSupport.h"

#include "core/Color.h"
#include "foundation/StyleInfo.h"

#include <cmath>

using namespace convala_test;

namespace {

class RTFImportFormat : public ImportTest {
protected:
    // The character style in force at the word's first letter.
    const StyleChar* styleOfWord(int paragraph, int word)
    {
        textPoint point{};
        setTextPoint(&point, paragraph, word, 0);
        return flow_->styleCharAt(&point);
    }
    const StyleParagraph* paragraphStyle(int index) { return flow_->paragraphAtIndex(index)->paragraphStyle(); }
};

TEST_F(RTFImportFormat, AGroupThatBeginsWithACharacterWordGivesItsFormatBackAtItsEnd)
{
    ASSERT_TRUE(import("{\\rtf1{\\fonttbl\\f0\\fswiss Helvetica;\\f1\\froman Times-Roman;}"
                       "\\f0\\fs24 a {\\b b} c {\\pard\\b d} e}"));
    EXPECT_EQ(text(), "a b c d e");
    EXPECT_FALSE(styleOfWord(0, 0)->isBoldface());
    EXPECT_TRUE(styleOfWord(0, 1)->isBoldface());
    EXPECT_FALSE(styleOfWord(0, 2)->isBoldface());
    // A group that begins with \pard gives its format back too, as RTF's
    // groups do (other programs write every paragraph so).
    EXPECT_TRUE(styleOfWord(0, 3)->isBoldface());
    EXPECT_FALSE(styleOfWord(0, 4)->isBoldface());
}

TEST_F(RTFImportFormat, CharacterWordsAndTheirUnits)
{
    ASSERT_TRUE(import("{\\rtf1{\\fonttbl\\f0\\fswiss Helvetica;\\f1\\froman Times-Roman;}"
                       "{\\colortbl;\\red255\\green0\\blue0;}"
                       "\\f0\\fs21 a \\f1\\fs30\\i\\ul\\cf1\\up6 b \\plain c \\dn6\\expnd6\\strike\\scaps d \\b0\\i0 e}"));
    const StyleChar* a = styleOfWord(0, 0);
    EXPECT_EQ(a->font()->familyName(), "Helvetica");
    EXPECT_FLOAT_EQ(a->pointSize(), 10.5f);
    const StyleChar* b = styleOfWord(0, 1);
    EXPECT_EQ(b->font()->familyName(), "Times");
    EXPECT_FLOAT_EQ(b->pointSize(), 15.0f);
    EXPECT_TRUE(b->isItalic());
    EXPECT_TRUE(b->isUnderline());
    EXPECT_FLOAT_EQ(b->vertical(), 3.0f);
    float r = 0, g = 0, bl = 0;
    b->color()->getRed(r, g, bl);
    EXPECT_FLOAT_EQ(r, 1.0f);
    // \plain keeps the font and its size and clears the rest.
    const StyleChar* c = styleOfWord(0, 2);
    EXPECT_EQ(c->font()->familyName(), "Times");
    EXPECT_FLOAT_EQ(c->pointSize(), 15.0f);
    EXPECT_FALSE(c->isItalic());
    EXPECT_FALSE(c->isUnderline());
    EXPECT_FLOAT_EQ(c->vertical(), 0.0f);
    const StyleChar* d = styleOfWord(0, 3);
    EXPECT_FLOAT_EQ(d->vertical(), -3.0f);
    EXPECT_FLOAT_EQ(d->tracking(), 1.5f);
    EXPECT_TRUE(d->isStrikeout());
    EXPECT_TRUE(d->isSmallCaps());
}

TEST_F(RTFImportFormat, ParagraphWordsShapeTheParagraphTheyBeginAndWhatIsTypedAfter)
{
    ASSERT_TRUE(import("{\\rtf1\\pard\\qc\\sa120\\sb240\\fi-360\\li720\\ri360\\keepn first\\par"
                       "\\pard\\qj second \\qr still\\par}"));
    const StyleParagraph* first = paragraphStyle(0);
    EXPECT_EQ(first->alignment(), 2);
    EXPECT_FLOAT_EQ(first->spaceAfter(), 6.0f);
    EXPECT_FLOAT_EQ(first->spaceBefore(), 12.0f);
    EXPECT_FLOAT_EQ(first->spaceBetween(), 12.0f);
    EXPECT_FLOAT_EQ(first->indentDeltaFirst(), -18.0f);
    EXPECT_FLOAT_EQ(first->indentLeft(), 36.0f);
    EXPECT_FLOAT_EQ(first->indentRight(), 18.0f);
    EXPECT_EQ(first->widowControl(), -2);
    // \pard resets alignment and indents; \qr in mid-paragraph leaves the
    // paragraph justified.
    const StyleParagraph* second = paragraphStyle(1);
    EXPECT_EQ(second->alignment(), 3);
    EXPECT_FLOAT_EQ(second->indentLeft(), 0.0f);
    EXPECT_EQ(flow_->paragraphStyle()->alignment(), 1);
}

TEST_F(RTFImportFormat, LineSpacingInItsThreeForms)
{
    const struct {
        const char* word;
        bool automatic;
        float exact;
    } cases[] = {
        {"\\sl1000", true, 0},
        {"\\sl-12", false, 12},
        {"\\sl-240", false, 12},
        {"\\sl0", true, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.word);
        fresh();
        ASSERT_TRUE(import(std::string("{\\rtf1\\pard") + c.word + " x\\par}"));
        const float leading = paragraphStyle(0)->charStyle()->leading();
        if (c.automatic)
            EXPECT_FLOAT_EQ(leading, StyleAutoLeading);
        else
            EXPECT_FLOAT_EQ(leading, c.exact);
    }
    // \sl12 is 12 points, more than the font's natural height: automatic
    // leading with the difference added.
    fresh();
    ASSERT_TRUE(import("{\\rtf1{\\fonttbl\\f0\\fswiss Helvetica;}\\pard\\f0\\fs16\\sl600 x\\par}"));
    const StyleParagraph* style = paragraphStyle(0);
    const float natural = style->font()->naturalHeight();
    EXPECT_FLOAT_EQ(style->charStyle()->leading(), StyleAutoLeading + 30.0f - natural);
}

TEST_F(RTFImportFormat, TabStopsWithKindsAndLeadersUpToTheStylesCapacity)
{
    ASSERT_TRUE(import("{\\rtf1\\pard\\tqr\\tldot\\tx5760\\tx720\\tqc\\tlul\\tx1440 a\\par}"));
    const auto& tabs = paragraphStyle(0)->tabs();
    ASSERT_EQ(tabs.size(), 3u);
    EXPECT_FLOAT_EQ(tabs[0].location, 36.0f);
    EXPECT_EQ(tabs[0].type, 0);
    EXPECT_EQ(tabs[0].leader, 0);
    EXPECT_EQ(tabs[1].type, 1);
    EXPECT_EQ(tabs[1].leader, '_');
    EXPECT_FLOAT_EQ(tabs[2].location, 288.0f);
    EXPECT_EQ(tabs[2].type, 2);
    EXPECT_EQ(tabs[2].leader, '.');

    // Stops past the capacity are dropped and the loss is noted.
    fresh();
    std::string many = "{\\rtf1\\pard";
    for (int i = 1; i <= RTFImportMethods::MaxTabStops + 20; ++i)
        many += "\\tx" + std::to_string(i * 20);
    many += " a\\par}";
    bool lost = false;
    ASSERT_TRUE(import(many, &lost));
    EXPECT_EQ(paragraphStyle(0)->numTabs(), RTFImportMethods::MaxTabStops);
    EXPECT_TRUE(lost);
}

TEST_F(RTFImportFormat, TheTablesAreNumberedAndEntriesNamedWhole)
{
    ASSERT_TRUE(import("{\\rtf1{\\fonttbl{\\f0\\fswiss Helvetica;}{\\f3\\froman Ti\\'6des-Roman;}"
                       "{\\f5\\fswiss Nonexistent Sans;}}{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}"
                       "{\\stylesheet{\\s2\\sbasedon222\\b Body\\'e9;}{\\s3\\sbasedon2\\snext2 Sub;}"
                       "{\\s4\\uc1 Gr\\u945\\'3fk;}}x}"));
    RTFContext& context = *LayvaneIOMethods::rtfContext();
    ASSERT_NE(context.fontList().count(3), 0u);
    EXPECT_EQ(context.fontList().at(3)->fontName(), "Times-Roman");
    // An unknown name falls back to its family's font.
    ASSERT_NE(context.fontList().count(5), 0u);
    EXPECT_EQ(context.fontList().at(5)->familyName(), "Helvetica");
    ASSERT_EQ(context.colorList().size(), 3u);
    float r = 0, g = 0, b = 0;
    context.colorAtIndex(2)->getRed(r, g, b);
    EXPECT_FLOAT_EQ(b, 1.0f);
    // The style sheet's styles join the document's sheet by name, bold
    // belonging to the style, and the substyle based on it.
    StyleInfo* sheet = document_->styleInfo();
    auto* body = dynamic_cast<StyleParagraphNamed*>(sheet->styleWithName(std::string("Body\xC3\xA9"),
                                                                         sheet->paragraphStyles()));
    auto* sub = dynamic_cast<StyleParagraphNamed*>(sheet->styleWithName(std::string("Sub"), sheet->paragraphStyles()));
    ASSERT_NE(body, nullptr);
    ASSERT_NE(sub, nullptr);
    EXPECT_TRUE(body->charStyle()->isBoldface());
    EXPECT_EQ(body->definedFlags() & 3, 3);
    EXPECT_EQ(sub->basedOnStyle(), body);
    EXPECT_EQ(sub->nextParagraphStyle(), body);
    // A "\\u" word in a name is the name's, its fallback skipped.
    EXPECT_NE(sheet->styleWithName(std::string("Gr\xCE\xB1k"), sheet->paragraphStyles()), nullptr);
    EXPECT_EQ(text(), "x");
}

TEST_F(RTFImportFormat, AStyleBasedOnItselfOrOnALoopIsRefused)
{
    const std::pair<const char*, bool> sheets[] = {
        {"{\\stylesheet{\\s1\\sbasedon1 Self;}}", true},
        // A number defined again is a new style: the old one is the base.
        {"{\\stylesheet{\\s1 A;}{\\s2\\sbasedon1 B;}{\\s1\\sbasedon2 A;}}", false},
    };
    for (const auto& [sheet, refused] : sheets) {
        SCOPED_TRACE(sheet);
        fresh();
        bool lost = !refused;
        ASSERT_TRUE(import(std::string("{\\rtf1") + sheet + "\\pard\\s1 text\\par}", &lost));
        EXPECT_EQ(lost, refused);
        EXPECT_EQ(text(), "text\n");
        for (const auto& [number, style] : LayvaneIOMethods::rtfContext()->styleList())
            if (style) {
                EXPECT_FALSE(style->basedOnStyle() && style->basedOnStyle()->isBasedOnStyle(style)) << number;
            }
    }
}

TEST_F(RTFImportFormat, NumbersOutOfRangeAreClampedOrIgnored)
{
    bool lost = false;
    ASSERT_TRUE(import("{\\rtf1{\\colortbl;\\red300\\green-5\\blue0;}\\pard\\fs2147483647\\cf99\\li-2000000"
                       "\\fi2000000\\s77\\f-3 x\\par}",
                       &lost));
    EXPECT_EQ(text(), "x\n");
    const StyleParagraph* style = paragraphStyle(0);
    EXPECT_LE(style->charStyle()->pointSize(), RTFImportMethods::MaxFontSize);
    EXPECT_GE(style->indentLeft(), -612.0f);
    EXPECT_LE(style->indentDeltaFirst(), 612.0f);
    EXPECT_EQ(style->basedOnStyle(), nullptr);
    EXPECT_TRUE(lost);
}

TEST_F(RTFImportFormat, ABulletDefinedAtAParagraphsStart)
{
    ASSERT_TRUE(import("{\\rtf1{\\fonttbl\\f0\\fswiss Helvetica;\\f1\\froman Times-Roman;}"
                       "{\\colortbl;\\red0\\green0\\blue0;\\red255\\green0\\blue0;}"
                       "\\pard{\\*\\zynbullet\\f1\\fs20\\cf2\\zynbullwidth360 x}item\\par}"));
    const StyleParagraph* style = paragraphStyle(0);
    ASSERT_NE(style->bullet(), nullptr);
    EXPECT_EQ(style->bulletText(), "x");
    EXPECT_EQ(style->bulletFont()->familyName(), "Times");
    EXPECT_FLOAT_EQ(style->bulletFont()->pointSize(), 10.0f);
    EXPECT_FLOAT_EQ(style->bulletWidth(), 18.0f);
    EXPECT_EQ(text(), "item\n");
}

} // namespace

namespace {

TEST_F(RTFImportFormat, TheDefaultFontNamedBeforeTheFontTableIsTheTablesFont)
{
    // "\deff1" comes before the table that defines font 1: "\pard" still
    // finds it, at the paragraph's size.
    ASSERT_TRUE(import("{\\rtf1\\deff1{\\fonttbl\\f0\\froman Times-Roman;\\f1\\fmodern Courier;}"
                       "\\pard\\fs20 \\pard x\\par}"));
    const StyleParagraph* style = paragraphStyle(0);
    EXPECT_EQ(style->font()->familyName(), "Courier");
    EXPECT_FLOAT_EQ(style->font()->pointSize(), 10.0f);
}

} // namespace
