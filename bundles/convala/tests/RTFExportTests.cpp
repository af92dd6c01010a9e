#include "ExportTestSupport.h"

#include "bundles/convala/markup/LayoutDocumentIOMethods.h"

#include "core/Color.h"
#include "foundation/StyleInfo.h"
#include "text/TableDefinition.h"
#include "text/TableParagraph.h"
#include "text/TableRow.h"

#include <algorithm>

using namespace convala_test;

namespace {

std::size_t count(const std::string& text, const std::string& what)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size()))
        ++n;
    return n;
}

// What follows the document's page set-up: the text.
std::string body(const std::string& rtf)
{
    const std::size_t at = rtf.find("\\footery");
    return at == std::string::npos ? rtf : rtf.substr(rtf.find_first_not_of("-0123456789", at + 8));
}

class RTFExport : public ExportTest {};

class LayoutRTFExport : public ExportTest {
protected:
    bool wordProcessor() const override { return false; }
};

TEST_F(LayoutRTFExport, AnEmptyDocumentWritesTheFrameAndTheTablesItNeeds)
{
    setWords(0, {});
    EXPECT_EQ(exportRTF(), "{\\rtf1\\ansi\\ansicpg1252\\uc1\\deff0\\zynspaces{\\fonttbl \\f0\\fswiss Arial;}\n"
                           "{\\colortbl \\red0\\green0\\blue0;}\n"
                           "\\pard \\ql \\nowidctlpar \\fi0\\li0\\ri0 \\sb0 \\sa0 \\sl300 \\f0\\fs24\\b0 \\i0 \\cf0 }\n");
}

TEST_F(LayoutRTFExport, TheLayoutDocumentWritesItsActiveTextOnly)
{
    setWords(0, {{"shown"}});
    document_->setActiveTextItem(nullptr);
    EXPECT_EQ(exportRTF().find("shown"), std::string::npos);
}

TEST_F(RTFExport, WordsAndFormatsAsTheReaderExpectsThem)
{
    const StyleChar* boldTen = charStyle(font("Helvetica-Bold", 10), StyleBoldFlag);
    setWords(0, {{"a{b}"}, {"caf\xDD"}, {"bold", boldTen}});
    const std::string rtf = exportRTF();
    // The face by the name other programs know it by (the shipped export map).
    EXPECT_NE(rtf.find("{\\fonttbl \\f0\\fswiss Arial;}"), std::string::npos) << rtf;
    // The font's characteristics, then the type style's own switch.
    EXPECT_NE(rtf.find("a\\{b\\} caf\\'e9 \\f0\\fs20\\b \\i0 \\b bold"), std::string::npos) << rtf;
    // The document's own character set is never declared or written raw.
    EXPECT_EQ(rtf.find("nextcset"), std::string::npos);
    EXPECT_TRUE(std::none_of(rtf.begin(), rtf.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }));
}

TEST_F(RTFExport, AParagraphFormattedLikeTheOneBeforeIsNotFormattedAgain)
{
    setWords(0, {{"one"}});
    setWords(1, {{"two"}});
    TextParagraph* third = setWords(2, {{"three"}});
    third->paragraphStyle()->setAlignment(2);
    const std::string text = body(exportRTF());
    // The first in full, the second not at all, the third (centred) in full;
    // the last paragraph of the flow has no break after it.
    EXPECT_EQ(count(text, "\\pard"), 2u) << text;
    EXPECT_NE(text.find("one\\par\ntwo\\par\n\\pard \\qc "), std::string::npos) << text;
    EXPECT_EQ(text.substr(text.size() - 7), "three}\n");
}

TEST_F(RTFExport, OffsetsTrackingUnderlinesAndSwitchesAreWrittenAsTheyChange)
{
    auto styled = [this](float vertical, float tracking, unsigned short special) {
        auto style = std::make_unique<StyleChar>();
        style->setFont(helvetica_);
        style->setVertical(vertical);
        style->setTracking(tracking);
        style->setSpecial(special);
        styles_.push_back(std::move(style));
        return styles_.back().get();
    };
    setWords(0, {{"low", styled(-3, 0, 0)},
                 {"wide", styled(0, 1.5f, StyleUnderlineFlag)},
                 {"twice", styled(0, 1.5f, StyleDoubleUnderlineFlag | StyleSmallCapsFlag)},
                 {"words", styled(0, 1.5f, StyleWordUnderlineFlag | StyleStrikeoutFlag)},
                 {"plain", styled(0, 0, 0)}});
    const std::string text = body(exportRTF());
    EXPECT_NE(text.find("\\dn6 low"), std::string::npos) << text;
    EXPECT_NE(text.find("\\expnd6 \\up0\\dn0 \\ul wide"), std::string::npos) << text;
    EXPECT_NE(text.find("\\scaps \\uldb twice"), std::string::npos) << text;
    EXPECT_NE(text.find("\\scaps0 \\strike \\ulw words"), std::string::npos) << text;
    EXPECT_NE(text.find("\\expnd0 \\strike0 \\ulnone plain"), std::string::npos) << text;
}

TEST_F(RTFExport, ColoursAreNumberedFromTheFirstEntry)
{
    const StyleChar* red = charStyle(helvetica_, 0, kit::Color::colorWithDeviceRed(1, 0, 0));
    setWords(0, {{"black"}, {"red", red}});
    const std::string rtf = exportRTF();
    EXPECT_NE(rtf.find("{\\colortbl \\red0\\green0\\blue0;\\red255\\green0\\blue0;}"), std::string::npos) << rtf;
    EXPECT_NE(rtf.find("black \\gray300\\fc1\\cf1 red"), std::string::npos) << rtf;
}

TEST_F(RTFExport, TheStyleSheetWritesWhatEachNamedStyleDefines)
{
    StyleInfo* sheet = document_->styleInfo();
    auto* heading = static_cast<StyleParagraphNamed*>(sheet->addNewStyleInStyles(sheet->paragraphStyles()));
    ASSERT_NE(heading, nullptr);
    (void)sheet->renameStyle(heading, std::string("Head}ing; 1"), sheet->paragraphStyles());
    heading->setDefinedFlags(0);
    StyleParagraph::setForceParagraphStyleDefinitions(true);
    heading->setAlignment(2);
    heading->setFont(font("Times-Bold", 18));
    StyleParagraph::setForceParagraphStyleDefinitions(false);
    setWords(0, {{"Title"}})->setBasedOnStyle(heading);
    const std::string rtf = exportRTF();
    // The entry: its number, what it defines (alignment, font and size),
    // its escaped name without the semicolon; the paragraph names it.
    EXPECT_NE(rtf.find("{\\stylesheet {\\s0\\sbasedon222 No Style;}{\\s1\\qc \\f0\\fs36\\b \\i0  Head\\}ing 1;}}\n"),
              std::string::npos)
        << rtf;
    EXPECT_NE(rtf.find("\\pard\\s1 \\qc "), std::string::npos) << rtf;
    EXPECT_NE(rtf.find("{\\fonttbl \\f0\\froman Times New Roman;}"), std::string::npos) << rtf;
}

TEST_F(RTFExport, LineSpacingIsWrittenAsOtherReadersTakeIt)
{
    const struct {
        float leading, spacing;
        const char* word;
    } cases[] = {
        // Automatic single spacing: at least the font's natural height, not
        // the reader-specific 1000 (which others take as 50 points).
        {111110.0f, 1.0f, "\\sl300 "},
        {111116.0f, 1.0f, "\\sl420 "},
        {111110.0f, 2.0f, "\\sl600 "},
        {18.0f, 1.0f, "\\sl-360 "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.word);
        StyleChar* base = setWords(0, {{"x"}})->paragraphStyle()->charStyle();
        base->setLeading(c.leading);
        base->setLineSpacing(c.spacing);
        const std::string rtf = exportRTF();
        EXPECT_NE(rtf.find(c.word), std::string::npos) << rtf;
        EXPECT_EQ(rtf.find("\\sl1000"), std::string::npos);
    }
}

TEST_F(RTFExport, TabsWithTheirKindsAndLeaders)
{
    TextParagraph* p = setWords(0, {{"Name"}});
    addSpecial(0, TextWordTab);
    p->addWord(std::make_unique<TextWord>("page"));
    const StyleTabStop tabs[] = {{72, 0, 0}, {144, 1, '.'}, {216, 2, '-'}, {288, 3, '_'}};
    p->paragraphStyle()->setTabs(tabs, 4);
    const std::string rtf = exportRTF();
    EXPECT_NE(rtf.find("\\tx1440\\tqc\\tldot\\tx2880\\tqr\\tlhyph\\tx4320\\tqdec\\tlul\\tx5760"), std::string::npos)
        << rtf;
    EXPECT_NE(rtf.find("Name\\tab page"), std::string::npos) << rtf;
}

TEST_F(RTFExport, ABulletAndATabStandWhereTheFirstLineBegan)
{
    TextParagraph* p = setWords(0, {{"item"}});
    StyleParagraph* style = p->paragraphStyle();
    style->setIndents(36, 0, 0);
    style->makeBullet("\xB7", nullptr, 0, 0, kit::Color::blackColor());
    const float width = style->bulletWidth();
    const std::string rtf = exportRTF();
    EXPECT_NE(rtf.find("\\fi" + std::to_string(RTFExportMethods::twips(-width)) + "\\li720\\ri0 "), std::string::npos)
        << rtf;
    EXPECT_NE(rtf.find("\\tx720"), std::string::npos) << rtf;
    // The bullet (NeXTSTEP's bullet, Windows-1252's 0x95) and a tab, then
    // the text.
    const std::size_t bullet = rtf.find("\\'95\\tab ");
    ASSERT_NE(bullet, std::string::npos) << rtf;
    EXPECT_GT(rtf.find("item"), bullet);
    // The style itself is left as it was.
    EXPECT_EQ(style->indentDeltaFirst(), 0.0f);
    EXPECT_TRUE(style->tabs().empty());
}

TEST_F(RTFExport, SpecialWordsAsTheirWordsOrTheirText)
{
    setWords(0, {{"Page"}});
    addSpecial(0, TextWordPageNumber);
    paragraph(0)->addWord(std::make_unique<TextWord>("of"));
    addSpecial(0, TextWordLastPageNumber, "12");
    addSpecial(0, TextWordFixedDate, "1 May 1994");
    addSpecial(0, TextWordMergeToken, "<<Name>>");
    addSpecial(0, TextWordLineBreak);
    addSpecial(0, TextWordPageBreak);
    paragraph(0)->addWord(std::make_unique<TextWord>("end"));
    const std::string text = body(exportRTF());
    // A token stands between words as a word does: a space follows it. A
    // break stands by itself, with no space beside it.
    EXPECT_NE(text.find("Page \\chpgn  of 12 1 May 1994 <<Name>>\\line\n\\page\nend"), std::string::npos) << text;
}

TEST_F(RTFExport, TheWordProcessorWritesItsPageSetUp)
{
    setWords(0, {{"x"}});
    const std::string rtf = exportRTF();
    EXPECT_NE(rtf.find("\\zynunits"), std::string::npos);
    EXPECT_NE(rtf.find("\\paperw12240\\paperh15840\\margl1440\\margr1440\\margt1440\\margb1440\\deftab720"
                       "\\pgnstart1\\widowctrl \n\\sectd \\pgnstarts1\\pgndec \\headery720\\footery720"),
              std::string::npos)
        << rtf;

    RTFPageSetup setup = RTFExportMethods::pageSetupOf(*document_);
    setup.landscape = true;
    setup.pageNumberFormat = 3;
    setup.firstPageNum = 5;
    ZMemoryStream stream;
    RTFExportRun run(stream);
    RTFExportMethods::writeRTFDocumentInfo(setup, run);
    EXPECT_NE(stream.data()->find("\\pgnstart5\\landscape \\widowctrl \n\\sectd \\pgnstarts5\\pgnlcltr "),
              std::string::npos)
        << *stream.data();
}

TEST_F(RTFExport, TextRunsAndNamesOfAnyLengthAreWrittenWhole)
{
    const std::string run(5000, 'x');
    setWords(0, {{run}, {"end"}});
    const std::string rtf = exportRTF();
    EXPECT_NE(rtf.find(run + " end"), std::string::npos);

    StyleInfo* sheet = document_->styleInfo();
    auto* named = static_cast<StyleParagraphNamed*>(sheet->addNewStyleInStyles(sheet->paragraphStyles()));
    const std::string name(5000, 'n');
    (void)sheet->renameStyle(named, name, sheet->paragraphStyles());
    paragraph(0)->setBasedOnStyle(named);
    EXPECT_NE(exportRTF().find(" " + name + ";}"), std::string::npos);
}

TEST_F(RTFExport, AHeaderGroupLeavesTheFormattingInForceAsItWas)
{
    // The header's own text is plain; the text around the marker is bold,
    // then plain again after it.
    auto header = std::make_shared<TextItem>();
    ASSERT_NE(header->initFlow(), nullptr);
    header->flow()->firstParagraph()->paragraphStyle()->setFont(helvetica_);
    header->flow()->firstParagraph()->addWord(std::make_unique<TextWord>("Running"));
    const StyleChar* bold = charStyle(font("Helvetica-Bold", 12), StyleBoldFlag);
    const StyleChar* plain = charStyle(helvetica_);
    setWords(0, {{"before", bold}});
    TextWordSpecial* marker = addSpecial(0, TextWordHeaderMarker);
    marker->setObjectReference(std::static_pointer_cast<kit::Object>(header));
    paragraph(0)->addWord(std::make_unique<TextWord>("after"))->addCharStyle(plain->copy(), 0);
    const std::string text = body(exportRTF());
    EXPECT_NE(text.find("{\\header \\sectd \\pard \\plain \\pard"), std::string::npos) << text;
    // The text after the group is plain: the reader has bold in force
    // again after the group's brace, so it is switched off.
    const std::size_t end = text.find("Running}\n");
    ASSERT_NE(end, std::string::npos) << text;
    const std::size_t off = text.find("\\b0 ", end);
    EXPECT_LT(off, text.find("after", end)) << text;
}

TEST_F(RTFExport, AMarkerInItsOwnHeadersTextIsNotWrittenAgain)
{
    auto header = std::make_shared<TextItem>();
    ASSERT_NE(header->initFlow(), nullptr);
    header->flow()->firstParagraph()->addWord(std::make_unique<TextWord>("Running"));
    auto inside = std::make_unique<TextWordSpecial>(TextWordHeaderMarker);
    inside->setObjectReference(header.get());
    header->flow()->firstParagraph()->addWord(std::move(inside));
    setWords(0, {{"text"}});
    addSpecial(0, TextWordHeaderMarker)->setObjectReference(std::static_pointer_cast<kit::Object>(header));
    const std::string rtf = exportRTF();
    EXPECT_EQ(count(rtf, "{\\header"), 1u) << rtf;
}

} // namespace

namespace {

class SelectionRTF : public ExportTest {
protected:
    std::string selectionRTF(textPoint from, textPoint to, int type = SelectionChar)
    {
        TextSelection selection;
        selection.selectBetween(&from, &to, flow_, type, false);
        ZMemoryStream stream;
        RTFExportRun run(stream);
        RTFExportMethods::writeRTF(selection, run);
        return *stream.data();
    }
};

TEST_F(SelectionRTF, TheSelectedTextFromItsFirstLetterToItsLast)
{
    const StyleChar* bold = charStyle(font("Helvetica-Bold", 12), StyleBoldFlag);
    setWords(0, {{"first", bold}, {"word"}});
    setWords(1, {{"second"}, {"line"}});
    setWords(2, {{"third"}});
    const std::string rtf = selectionRTF({0, 0, 2}, {1, 1, 2});
    // The style in force where the selection starts, though its word began
    // before; the paragraph break between the two, none after the last.
    EXPECT_NE(rtf.find("\\b rst word\\par\n"), std::string::npos) << rtf;
    EXPECT_NE(rtf.find("second li}\n"), std::string::npos) << rtf;
    EXPECT_EQ(rtf.find("third"), std::string::npos);
    EXPECT_EQ(rtf.find("\\paperw"), std::string::npos) << "a selection has no page set-up";
    if (!haveProgram("unrtf") || !haveProgram("pandoc"))
        GTEST_SKIP() << "needs unrtf and pandoc (tools/deps installs them)";
    EXPECT_EQ(unrtfText(rtf), "rst word\nsecond li");
    EXPECT_NE(pandocNative(rtf).find("Strong"), std::string::npos);
}

TEST_F(SelectionRTF, AWordsEndInTheMiddleOfTheSelectionKeepsItsSpace)
{
    setWords(0, {{"alpha"}, {"beta"}, {"gamma"}});
    // From inside the first word to the end of the second: the space
    // between them stays.
    const std::string rtf = selectionRTF({0, 0, 3}, {0, 1, 4});
    EXPECT_NE(rtf.find(" ha beta}"), std::string::npos) << rtf;
}

} // namespace

namespace {

// A face of that name (and family), with metrics enough to set text in.
kit::Font* registeredFace(const std::string& folder, const std::string& name)
{
    std::string afm = "StartFontMetrics 4.1\nFontName " + name + "\nFullName Odd\nFamilyName Odd\nWeight Medium\n"
                      "ItalicAngle 0\nIsFixedPitch true\nFontBBox 0 -200 600 800\nEncodingScheme AdobeStandardEncoding\n"
                      "Ascender 750\nDescender -200\nStartCharMetrics 2\nC 32 ; WX 600 ; N space ; B 0 0 0 0 ;\n"
                      "C 120 ; WX 600 ; N x ; B 0 0 600 500 ;\nEndCharMetrics\nEndFontMetrics\n";
    const std::string path = folder + "/face" + std::to_string(std::hash<std::string>{}(name)) + ".afm";
    std::ofstream(path) << afm;
    const std::string error = kit::Font::registerFontFromAFM(path);
    EXPECT_EQ(error, "") << name.substr(0, 40);
    return kit::Font::fontWithName(name, 12);
}

TEST_F(RTFExport, FontNamesAreEscapedAndWrittenWhole)
{
    const struct {
        std::string name;
        std::string entry;
    } cases[] = {
        {"Brace}Semi;Back\\slash", "\\fnil Brace\\}SemiBack\\\\slash;"},
        {std::string(5000, 'N'), "\\fnil " + std::string(5000, 'N') + ";"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name.substr(0, 40));
        kit::Font* face = registeredFace(folder_, c.name);
        ASSERT_NE(face, nullptr);
        setWords(0, {{"x", charStyle(face)}});
        const std::string rtf = exportRTF();
        EXPECT_NE(rtf.find("\\f1" + c.entry + "}\n"), std::string::npos) << rtf.substr(0, 300);
    }
}

TEST(RTFExportFamilies, FontsGoByTheirFamily)
{
    const struct {
        const char* font;
        const char* family;
    } cases[] = {
        {"Helvetica-Bold", "swiss"},   {"Times-Italic", "roman"},
        {"Courier", "modern"},         {"Symbol", "tech"},
        {"Palatino-Roman", "roman"},   {"Bookman-Demi", "roman"},
        {"NewCenturySchlbk-Italic", "roman"}, {"AvantGarde-Book", "swiss"},
        {"Helvetica-Narrow-Bold", "swiss"},   {"ZapfChancery-MediumItalic", "script"},
        {"ZapfDingbats", "tech"},      {nullptr, "nil"},
    };
    for (const auto& c : cases)
        EXPECT_STREQ(RTFExportMethods::rtfFamilyOf(c.font ? kit::Font::fontWithName(c.font, 12) : nullptr), c.family)
            << (c.font ? c.font : "none");
}

} // namespace

namespace {

TEST_F(RTFExport, StyleSheetEntriesNameTheirBaseAndNextStyles)
{
    StyleInfo* sheet = document_->styleInfo();
    auto named = [&](const char* name) {
        auto* style = static_cast<StyleParagraphNamed*>(sheet->addNewStyleInStyles(sheet->paragraphStyles()));
        (void)sheet->renameStyle(style, std::string(name), sheet->paragraphStyles());
        style->setDefinedFlags(0);
        return style;
    };
    StyleParagraphNamed* body = named("Body");
    StyleParagraphNamed* quote = named("Quote");
    StyleParagraph::setForceParagraphStyleDefinitions(true);
    quote->setBasedOnStyle(body);
    quote->setNextParagraphStyle(body);
    quote->setIndents(36, 36, 0);
    StyleParagraph::setForceParagraphStyleDefinitions(false);
    // Without the defined bits nothing but the name is written.
    body->setNextParagraphStyle(quote);
    setWords(0, {{"x"}});

    const std::string rtf = exportRTF();
    EXPECT_NE(rtf.find("{\\s1 Body;}{\\s2\\snext1\\sbasedon1\\fi0\\li720\\ri720  Quote;}}\n"), std::string::npos) << rtf;

    // The style sheet's own form: one entry a line.
    ZMemoryStream stream;
    RTFExportRun run(stream);
    LayoutDocumentIOMethods::buildMarkupLists(*document_, run.context(), run.flowList);
    RTFExportMethods::writeRTF(*sheet, run);
    EXPECT_EQ(*stream.data(), "{\\stylesheet {\\s0\\sbasedon222 No Style;}{\\s1 Body;}\n"
                              "{\\s2\\snext1\\sbasedon1\\fi0\\li720\\ri720  Quote;}\n}\n");
}

} // namespace

namespace {

TEST_F(RTFExport, AParagraphWrittenInFullSwitchesOffWhatTheOneBeforeLeftOn)
{
    auto styled = [this](unsigned short special, float vertical) {
        auto style = std::make_unique<StyleChar>();
        style->setFont(helvetica_);
        style->setSpecial(special);
        style->setVertical(vertical);
        styles_.push_back(std::move(style));
        return styles_.back().get();
    };
    setWords(0, {{"plain"}, {"marked", styled(StyleUnderlineFlag | StyleStrikeoutFlag, 4)}});
    setWords(1, {{"next"}})->paragraphStyle()->setAlignment(2);
    const std::string text = body(exportRTF());
    const std::size_t next = text.find("\\pard \\qc ");
    ASSERT_NE(next, std::string::npos) << text;
    const std::string second = text.substr(next);
    for (const char* off : {"\\ulnone ", "\\strike0 ", "\\up0\\dn0 "})
        EXPECT_LT(second.find(off), second.find("next")) << off << "\n" << text;
    if (!haveProgram("pandoc"))
        GTEST_SKIP() << "needs pandoc (tools/deps installs it)";
    const std::string native = pandocNative(exportRTF());
    EXPECT_EQ(native.find("Underline [ Str \"next\""), std::string::npos) << native;
}

TEST_F(RTFExport, AStyleOnlyTheStyleSheetUsesHasItsFontNumbered)
{
    StyleInfo* sheet = document_->styleInfo();
    auto* code = static_cast<StyleParagraphNamed*>(sheet->addNewStyleInStyles(sheet->paragraphStyles()));
    (void)sheet->renameStyle(code, std::string("Code"), sheet->paragraphStyles());
    code->setDefinedFlags(0);
    StyleParagraph::setForceParagraphStyleDefinitions(true);
    code->setFont(font("Courier", 10));
    code->setColor(kit::Color::colorWithDeviceRed(0, 0, 1));
    StyleParagraph::setForceParagraphStyleDefinitions(false);
    setWords(0, {{"text"}});
    const std::string rtf = exportRTF();
    EXPECT_NE(rtf.find("{\\fonttbl \\f0\\fmodern Courier New;\\f1\\fswiss Arial;}"), std::string::npos) << rtf;
    EXPECT_NE(rtf.find("{\\s1\\f0\\fs20\\b0 \\i0 \\cf0  Code;}"), std::string::npos) << rtf;
    EXPECT_NE(rtf.find("{\\colortbl \\red0\\green0\\blue255;"), std::string::npos) << rtf;
}

TEST_F(SelectionRTF, ParagraphsFormattedAlikeStillTakeTheirOwnCharacterFormat)
{
    const StyleChar* bold = charStyle(font("Helvetica-Bold", 12), StyleBoldFlag);
    setWords(0, {{"one"}, {"loud", bold}});
    setWords(1, {{"quiet"}});
    const std::string rtf = selectionRTF({0, 0, 0}, {1, 0, 5});
    const std::size_t second = rtf.find("\\par\n");
    ASSERT_NE(second, std::string::npos) << rtf;
    EXPECT_LT(rtf.find("\\b0 ", second), rtf.find("quiet")) << rtf;
}

// A table's cells are paragraphs of the flow: each is written in order with
// its own text, also a cell without a paragraph format of its own.
TEST_F(RTFExport, TableCellsAreWrittenInOrder)
{
    setWords(0, {{"before"}});
    auto owned = std::make_unique<TableDefinition>();
    owned->setMargins({{10.0f, 90.0f}, {110.0f, 190.0f}});
    TableDefinition* table = flow_->addTable(std::move(owned));
    for (int r = 0; r < 2; ++r) {
        TableRow* row = table->addRow();
        row->setColumnCount(2);
        for (int c = 0; c < 2; ++c) {
            auto cell = std::make_unique<TableParagraph>(table, r, c);
            if (r == 0)
                cell->setParagraphStyle(flow_->firstParagraph()->paragraphStyle()->copy());
            const std::string text = "r" + std::to_string(r) + "c" + std::to_string(c);
            cell->addWord(std::make_unique<TextWord>())->setText(text.c_str());
            flow_->addParagraph(std::move(cell));
        }
    }
    flow_->addParagraph(std::make_unique<TextParagraph>())->addWord(std::make_unique<TextWord>("after"));
    const std::string rtf = exportRTF();
    std::size_t at = 0;
    for (const char* text : {"before\\par\n", "r0c0\\par\n", "r0c1\\par\n", "r1c0\\par\n", "r1c1\\par\n", "after}"}) {
        at = rtf.find(text, at);
        ASSERT_NE(at, std::string::npos) << text << " in\n" << rtf;
    }
    EXPECT_EQ(count(rtf, "\\par\n"), 5u) << rtf;
}

} // namespace
