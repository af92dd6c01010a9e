#include "TextTestSupport.h"

#include "core/Color.h"
#include "foundation/StyleParagraphNamed.h"
#include "graphics/FontManager.h"

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int FontBits = StyleFontMask | StyleSizeMask;

kit::Font* font(const char* name, float size = 12) { return kit::Font::fontWithName(name, size); }

std::string nameOf(const kit::Font* f)
{
    return f ? f->fontName() + " " + std::to_string(int(f->pointSize())) : "nil";
}

// Faces made from the fixture font with another name, family, weight and
// slant, registered once for the whole program.
void registerFace(const std::string& name, const std::string& family, const char* weight, int angle)
{
    std::ifstream in(std::string(SCRIVLY_FIXTURES_DIR) + "/Fixed-Test.afm");
    std::stringstream out;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("FontName ", 0) == 0)
            line = "FontName " + name;
        else if (line.rfind("FullName ", 0) == 0)
            line = "FullName " + name;
        else if (line.rfind("FamilyName ", 0) == 0)
            line = "FamilyName " + family;
        else if (line.rfind("Weight ", 0) == 0)
            line = std::string("Weight ") + weight;
        else if (line.rfind("ItalicAngle ", 0) == 0)
            line = "ItalicAngle " + std::to_string(angle);
        out << line << '\n';
    }
    const std::string path = kit::FileManager::uniqueTemporaryPath("face") + ".afm";
    ASSERT_TRUE(kit::FileManager::writeFileAtomically(path, out.str()));
    EXPECT_EQ(kit::Font::registerFontFromAFM(path), "") << name;
    kit::FileManager::removeFileAtPath(path);
}

void registerFallbackFamilies()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    fixtureFont();
    registerFace("FixedTest-Bold", "Fixed Test", "Bold", 0);
    registerFace("FixedTest-Italic", "Fixed Test", "Medium", -12);
    registerFace("FixedTest-BoldItalic", "Fixed Test", "Bold", -12);
    registerFace("PlainItalic-Regular", "Plain Italic", "Medium", 0);
    registerFace("PlainItalic-Italic", "Plain Italic", "Medium", -12);
    registerFace("PlainBold-Regular", "Plain Bold", "Medium", 0);
    registerFace("PlainBold-Bold", "Plain Bold", "Bold", 0);
    registerFace("PlainOnly-Regular", "Plain Only", "Medium", 0);
    registerFace("ItalicOnly-Italic", "Italic Only", "Medium", -12);
}

std::unique_ptr<StyleChar> styleIn(kit::Font* f)
{
    auto style = std::make_unique<StyleChar>();
    style->setFont(f);
    return style;
}

class ParagraphStylingTest : public TextTest {
protected:
    void SetUp() override
    {
        TextTest::SetUp();
        registerFallbackFamilies();
        style_ = paragraph_->paragraphStyle();
    }

    // A one-letter word styled in the font, at the end of the paragraph.
    StyleChar* addStyled(kit::Font* f)
    {
        TextWord* word = addWord("x");
        word->addCharStyle(styleIn(f), 0);
        return word->styleAt(0);
    }

    StyleParagraph* style_ = nullptr;
};

TEST_F(ParagraphStylingTest, NamedStyleMovesTheCharactersOfTheOldBaseOnlyWhenBlowingAwayFonts)
{
    struct Case {
        bool blowAway;
        bool fontDefinedLocally;
        const char* base;
        std::vector<const char*> characters;
    };
    const Case cases[] = {
        {true, false, "Times-Roman 12",
         {"Times-Roman 12", "Times-Bold 12", "Courier 12", "Times-Italic 10", "Symbol 12"}},
        {true, true, "Times-Roman 12",
         {"Times-Roman 12", "Times-Bold 12", "Courier 12", "Times-Italic 10", "Symbol 12"}},
        {false, false, "Times-Roman 12",
         {"Helvetica 12", "Helvetica-Bold 12", "Courier 12", "Helvetica-Oblique 10", "Symbol 12"}},
        {false, true, "Helvetica 12",
         {"Helvetica 12", "Helvetica-Bold 12", "Courier 12", "Helvetica-Oblique 10", "Symbol 12"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "blowAway " << c.blowAway << " local " << c.fontDefinedLocally);
        TearDown();
        SetUp();
        style_->setFont(font("Helvetica"));
        style_->setDefinedFlags(c.fontDefinedLocally ? FontBits : 0);
        std::vector<StyleChar*> chars{addStyled(font("Helvetica")), addStyled(font("Helvetica-Bold")),
                                      addStyled(font("Courier")), addStyled(font("Helvetica-Oblique", 10))};
        StyleChar* symbol = addStyled(font("Helvetica"));
        symbol->setSingleSymbol(true);
        symbol->setFont(font("Symbol"));
        chars.push_back(symbol);

        StyleParagraphNamed named;
        named.setFont(font("Times-Roman"));
        named.setDefinedFlags(FontBits);
        paragraph_->setStyleParaBlowAwayFonts(&named, c.blowAway);

        EXPECT_EQ(nameOf(paragraph_->font()), c.base);
        for (std::size_t i = 0; i < chars.size(); ++i)
            EXPECT_EQ(nameOf(chars[i]->font()), c.characters[i]) << "character " << i;
        EXPECT_TRUE(paragraph_->dirty());
    }
}

TEST_F(ParagraphStylingTest, ASizeChangeMovesTheCharactersOfTheOldSize)
{
    style_->setFont(font("Helvetica"));
    StyleChar* plain = addStyled(font("Helvetica"));
    StyleChar* bold = addStyled(font("Helvetica-Bold"));
    StyleChar* small = addStyled(font("Helvetica-Bold", 9));
    StyleChar* other = addStyled(font("Courier"));
    StyleChar* otherSize = addStyled(font("Courier", 10));

    StyleParagraphNamed named;
    named.setFont(font("Helvetica", 14));
    named.setDefinedFlags(FontBits);
    paragraph_->setStyleParaBlowAwayFonts(&named, true);

    EXPECT_EQ(nameOf(plain->font()), "Helvetica 14");
    EXPECT_EQ(nameOf(bold->font()), "Helvetica-Bold 14");
    EXPECT_EQ(nameOf(small->font()), "Helvetica-Bold 9");
    // Only the size changed: every character of the old size follows.
    EXPECT_EQ(nameOf(other->font()), "Courier 14");
    EXPECT_EQ(nameOf(otherSize->font()), "Courier 10");
}

TEST_F(ParagraphStylingTest, AStyleWithoutAFontNeverMovesCharacters)
{
    style_->setFont(font("Helvetica"));
    StyleChar* plain = addStyled(font("Helvetica-Bold"));
    StyleParagraph local;
    local.setFont(nullptr);
    paragraph_->setStylePara(&local, true, false);
    EXPECT_EQ(nameOf(plain->font()), "Helvetica-Bold 12");
}

TEST_F(ParagraphStylingTest, ANewStyleLevelAddsOrRemovesTheNumberWord)
{
    StyleParagraph numbered;
    numbered.setFont(font_);
    numbered.setAutonumberLevel(1);
    addWord("a");
    paragraph_->setStylePara(&numbered);
    ASSERT_NE(paragraph_->autonumberWord(), nullptr);
    EXPECT_EQ(paragraph_->autonumberLevel(), 1);
    EXPECT_EQ(paragraph_->wordCount(), 2);

    StyleParagraph plain;
    plain.setFont(font_);
    paragraph_->setStylePara(&plain);
    EXPECT_EQ(paragraph_->autonumberLevel(), 0);
    EXPECT_EQ(paragraph_->wordCount(), 1);
    EXPECT_STREQ(paragraph_->firstWord()->text(), "a");
}

TEST_F(ParagraphStylingTest, SetRulerTakesTabsAndIndentsOnly)
{
    StyleParagraph ruler;
    ruler.setFont(font("Courier"));
    ruler.setIndents(36, 18, -9);
    ruler.addTab(StyleTabStop{72, 2, '.'});
    style_->setSpaceBefore(4);
    paragraph_->setDirty(false);

    paragraph_->setRuler(&ruler, false);

    EXPECT_FLOAT_EQ(style_->indentLeft(), 36);
    EXPECT_FLOAT_EQ(style_->indentRight(), 18);
    EXPECT_FLOAT_EQ(style_->indentDeltaFirst(), -9);
    ASSERT_EQ(style_->numTabs(), 1);
    EXPECT_FLOAT_EQ(style_->tabs()[0].location, 72);
    EXPECT_EQ(style_->tabs()[0].leader, '.');
    EXPECT_EQ(paragraph_->font(), font_);
    EXPECT_FLOAT_EQ(style_->spaceBefore(), 4);
    EXPECT_TRUE(paragraph_->dirty());
}

// Bold-italic, bold, italic and plain characters of the old family, moved
// to a family that lacks some of those faces.
TEST_F(ParagraphStylingTest, AFamilyChangeFallsBackThroughTheTraits)
{
    struct Case {
        const char* family; // its plain face becomes the base
        const char* boldItalic;
        const char* bold;
        const char* italic;
        const char* plain;
    };
    const Case cases[] = {
        {"Times-Roman", "Times-BoldItalic", "Times-Bold", "Times-Italic", "Times-Roman"},
        {"PlainBold-Regular", "PlainBold-Bold", "PlainBold-Bold", "PlainBold-Regular", "PlainBold-Regular"},
        {"PlainItalic-Regular", "PlainItalic-Italic", "PlainItalic-Regular", "PlainItalic-Italic",
         "PlainItalic-Regular"},
        {"PlainOnly-Regular", "PlainOnly-Regular", "PlainOnly-Regular", "PlainOnly-Regular", "PlainOnly-Regular"},
        // No plain face: what has no fallback keeps its font.
        {"ItalicOnly-Italic", "ItalicOnly-Italic", "FixedTest-Bold", "ItalicOnly-Italic", "Fixed-Test"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.family);
        TearDown();
        SetUp();
        style_->setFont(fixtureFont(12));
        StyleChar* boldItalic = addStyled(font("FixedTest-BoldItalic"));
        StyleChar* bold = addStyled(font("FixedTest-Bold"));
        StyleChar* italic = addStyled(font("FixedTest-Italic"));
        StyleChar* plain = addStyled(fixtureFont(9));
        ASSERT_NE(font(c.family), nullptr);

        paragraph_->setFont(font(c.family), nullptr, false);

        EXPECT_EQ(nameOf(paragraph_->font()), std::string(c.family) + " 12");
        EXPECT_EQ(nameOf(boldItalic->font()), std::string(c.boldItalic) + " 12");
        EXPECT_EQ(nameOf(bold->font()), std::string(c.bold) + " 12");
        EXPECT_EQ(nameOf(italic->font()), std::string(c.italic) + " 12");
        EXPECT_EQ(nameOf(plain->font()), std::string(c.plain) + " 9");
    }
}

TEST_F(ParagraphStylingTest, SetFontWithUpdateSelectsTheFontAndTheSameFontOnlyMarksDirty)
{
    style_->setFont(font("Helvetica"));
    StyleChar* other = addStyled(font("Helvetica-Bold"));
    paragraph_->setDirty(false);
    paragraph_->setFont(font("Helvetica"));
    EXPECT_TRUE(paragraph_->dirty());
    EXPECT_EQ(nameOf(other->font()), "Helvetica-Bold 12");

    paragraph_->setFontAndUpdate(font("Times-Roman", 20), true);
    EXPECT_EQ(kit::FontManager::sharedFontManager().selectedFont(), font("Times-Roman", 20));
    EXPECT_EQ(nameOf(other->font()), "Times-Bold 20");
}

class RebaseTest : public ParagraphStylingTest {
protected:
    void SetUp() override
    {
        ParagraphStylingTest::SetUp();
        StyleParagraph::setForceParagraphStyleDefinitions(false);
        oldBase_.setFont(font("Helvetica"));
        oldBase_.setColor(kit::Color::blackColor());
        oldBase_.setDefinedFlags(FontBits | StyleColorMask);
        style_->setBasedOnStyle(&oldBase_);
        oldBase_.pushStyleValuesOn(style_, true);
        newBase_.setFont(font("Times-Roman"));
        newBase_.setColor(kit::Color::redColor());
        newBase_.setDefinedFlags(FontBits | StyleColorMask);
    }

    StyleParagraphNamed oldBase_;
    StyleParagraphNamed newBase_;
};

TEST_F(RebaseTest, CharactersThatFollowedTheOldBaseFollowTheNewOne)
{
    StyleChar* following = addStyled(font("Helvetica-Bold"));
    following->setColor(kit::Color::colorWithGray(0)); // equal to black, not the same object
    following->setTracking(0.5f);
    StyleChar* own = addStyled(font("Courier"));
    own->setColor(kit::Color::colorWithDeviceCyan(1, 0, 0, 0));
    own->setTracking(3);
    newBase_.setTracking(2);
    newBase_.setDefinedFlags(newBase_.definedFlags() | StyleTrackingMask);
    paragraph_->setDirty(false);

    paragraph_->setBasedOnStyle(&newBase_);

    EXPECT_EQ(style_->basedOnStyle(), &newBase_);
    EXPECT_EQ(nameOf(paragraph_->font()), "Times-Roman 12");
    EXPECT_TRUE(style_->color()->isEqual(*kit::Color::redColor()));
    EXPECT_EQ(nameOf(following->font()), "Times-Bold 12");
    EXPECT_TRUE(following->color()->isEqual(*kit::Color::redColor()));
    EXPECT_FLOAT_EQ(following->tracking(), 2);
    EXPECT_EQ(nameOf(own->font()), "Courier 12");
    EXPECT_TRUE(own->color()->isEqual(*kit::Color::colorWithDeviceCyan(1, 0, 0, 0)));
    EXPECT_FLOAT_EQ(own->tracking(), 3);
    EXPECT_TRUE(paragraph_->dirty());
    EXPECT_FALSE(StyleParagraph::forceParagraphStyleDefinitions());
}

TEST_F(RebaseTest, WithoutForcingLocalDefinitionsStay)
{
    style_->setDefinedFlags(StyleColorMask);
    style_->charStyle()->setColor(kit::Color::blackColor());
    StyleChar* following = addStyled(font("Helvetica"));
    following->setColor(kit::Color::blackColor());
    style_->setBasedOnStyle(&newBase_);
    paragraph_->convertStyleAttributes(&newBase_);
    EXPECT_TRUE(following->color()->isEqual(*kit::Color::blackColor()));
    EXPECT_EQ(nameOf(following->font()), "Times-Roman 12");

    // Nothing happens for a style the paragraph is not based on.
    StyleParagraphNamed stranger;
    stranger.setFont(font("Courier"));
    stranger.setDefinedFlags(FontBits);
    paragraph_->convertStyleAttributes(&stranger);
    EXPECT_EQ(nameOf(paragraph_->font()), "Times-Roman 12");
}

TEST_F(RebaseTest, ANewLevelAddsOrRemovesTheNumberWord)
{
    addWord("a");
    newBase_.setAutonumberLevel(2);
    newBase_.setDefinedFlags(StyleAutonumberMask);
    paragraph_->setBasedOnStyle(&newBase_);
    EXPECT_EQ(paragraph_->autonumberLevel(), 2);
    ASSERT_NE(paragraph_->autonumberWord(), nullptr);
    EXPECT_EQ(paragraph_->wordCount(), 2);

    StyleParagraphNamed unnumbered;
    unnumbered.setDefinedFlags(StyleAutonumberMask);
    paragraph_->setBasedOnStyle(&unnumbered);
    EXPECT_EQ(paragraph_->autonumberLevel(), 0);
    EXPECT_EQ(paragraph_->wordCount(), 1);
}

// The ligatures are redone for the setting the paragraph takes, not the one
// it had.
TEST_F(RebaseTest, LigaturesFollowTheNewSetting)
{
    setLigatures(true);
    TextWord* word = addWord("\xAE" "x");
    newBase_.setLigatures(false);
    newBase_.setDefinedFlags(StyleTypesettingMask);
    paragraph_->setBasedOnStyle(&newBase_);
    EXPECT_FALSE(paragraph_->ligatures());
    EXPECT_STREQ(word->text(), "fix");

    StyleParagraphNamed joined;
    joined.setLigatures(true);
    joined.setDefinedFlags(StyleTypesettingMask);
    paragraph_->modifyStyleAttributes(&joined);
    EXPECT_TRUE(paragraph_->ligatures());
    EXPECT_STREQ(word->text(), "\xAE" "x");
    EXPECT_EQ(style_->definedFlags() & StyleTypesettingMask, 0);
}

TEST_F(RebaseTest, ModifiedDefinitionsMoveWhatFollowedTheBase)
{
    struct Case {
        int defined;
        const char* font;
        bool followsColor;
        short level;
    };
    const Case cases[] = {
        {FontBits, "Times-Bold 12", true, 0},
        {StyleColorMask, "Helvetica-Bold 12", true, 0},
        {StyleAutonumberMask | FontBits | StyleColorMask, "Helvetica-Bold 12", false, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.defined);
        TearDown();
        SetUp();
        StyleChar* following = addStyled(font("Helvetica-Bold"));
        following->setColor(kit::Color::blackColor());
        newBase_.setAutonumberLevel(1);
        newBase_.setDefinedFlags(c.defined);
        paragraph_->setDirty(false);

        paragraph_->modifyStyleAttributes(&newBase_);

        EXPECT_EQ(nameOf(following->font()), c.font);
        EXPECT_EQ(following->color()->isEqual(*kit::Color::redColor()), c.followsColor);
        EXPECT_EQ(paragraph_->autonumberLevel(), c.level);
        EXPECT_TRUE(paragraph_->dirty());
    }
}

TEST_F(RebaseTest, WidowControlMarksTheRunKeptTogetherAndTheNextParagraph)
{
    std::vector<TextParagraph*> paragraphs{paragraph_};
    for (int i = 0; i < 3; ++i)
        paragraphs.push_back(flow_->addParagraph(std::make_unique<TextParagraph>()));
    paragraphs[1]->paragraphStyle()->setWidowControl(-2);
    paragraphs[1]->setFirstY(50);
    for (TextParagraph* p : paragraphs)
        p->setDirty(false);

    newBase_.setDefinedFlags(StyleWidowControlMask);
    paragraphs[2]->modifyStyleAttributes(&newBase_);

    EXPECT_FALSE(paragraphs[0]->dirty());
    EXPECT_TRUE(paragraphs[1]->dirty());
    EXPECT_TRUE(paragraphs[2]->dirty());
    EXPECT_TRUE(paragraphs[3]->dirty());
    EXPECT_EQ(TextParagraph::findFirstParagraphToKeepTogether(paragraphs[2], false), paragraphs[1]);
    // A run that already starts a column is not moved.
    paragraphs[1]->setFirstY(0);
    EXPECT_EQ(TextParagraph::findFirstParagraphToKeepTogether(paragraphs[2], false), paragraphs[2]);
}

TEST_F(ParagraphStylingTest, RemovingAReferencedStyleLocalizesTheParagraph)
{
    StyleParagraphNamed base;
    StyleParagraphNamed next;
    style_->setBasedOnStyle(&base);
    style_->setNextParagraphStyle(&next);
    paragraph_->removeStyleReference(&next);
    EXPECT_EQ(style_->nextParagraphStyle(), nullptr);
    EXPECT_EQ(style_->basedOnStyle(), &base);
    style_->setNextParagraphStyle(&next);
    paragraph_->removeStyleReference(&base);
    EXPECT_EQ(style_->basedOnStyle(), nullptr);
    EXPECT_EQ(style_->nextParagraphStyle(), nullptr);
}

} // namespace
