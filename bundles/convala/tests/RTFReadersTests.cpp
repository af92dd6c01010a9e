// Documents written as RTF and read by independent readers packaged for
// Debian: unrtf for the text (in order, with the right characters), pandoc
// for emphasis, paragraphs and list items. What neither shows (indents,
// leaders, line spacing, page breaks) is only checked to leave the text
// whole here.

#include "ExportTestSupport.h"

#include "core/Color.h"

#include <functional>

using namespace convala_test;

namespace {

// Runs of white space (no-break spaces included) as one space, each line
// trimmed; lines stay.
std::string squeeze(const std::string& utf8)
{
    std::string out;
    bool space = false;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const bool nbsp = utf8.compare(i, 2, "\xC2\xA0") == 0;
        const char c = utf8[i];
        if (c == ' ' || c == '\t' || nbsp) {
            space = true;
            i += nbsp ? 1 : 0;
            continue;
        }
        if (c == '\n') {
            out += '\n';
            space = false;
            continue;
        }
        if (space && !out.empty() && out.back() != '\n')
            out += ' ';
        space = false;
        out += c;
    }
    return out;
}

// pandoc's native output on one line.
std::string flat(const std::string& native)
{
    std::string out;
    for (char c : native) {
        if (c == '\n' || c == ' ') {
            if (!out.empty() && out.back() != ' ')
                out += ' ';
        } else {
            out += c;
        }
    }
    return out;
}

class IndependentReaders : public ExportTest {
protected:
    void SetUp() override
    {
        ExportTest::SetUp();
        if (!haveProgram("unrtf") || !haveProgram("pandoc"))
            GTEST_SKIP() << "needs unrtf and pandoc (tools/deps installs them)";
    }

    const StyleChar* in(const char* fontName, float size, unsigned short special = 0, kit::ColorRef color = nullptr)
    {
        return charStyle(font(fontName, size), special, color);
    }

    struct Case {
        const char* what;
        std::function<void()> build;
        const char* text;                        // what unrtf reads, squeezed
        std::vector<std::string> pandoc;         // what pandoc's native form holds
        int paragraphs;                          // pandoc's paragraphs
    };
};

TEST_F(IndependentReaders, ReadTheTextTheEmphasisAndTheListsOfEachDocument)
{
    const std::vector<Case> cases = {
        {"fonts and sizes",
         [&] {
             setWords(0, {{"Helvetica", in("Helvetica", 12)}, {"body"}});
             setWords(1, {{"Times", in("Times-Roman", 18)}, {"large"}});
             setWords(2, {{"Courier", in("Courier", 9)}, {"small"}});
         },
         "Helvetica body\nTimes large\nCourier small",
         {},
         3},
        {"bold and italic",
         [&] {
             setWords(0, {{"plain"},
                          {"bold", in("Helvetica-Bold", 12, StyleBoldFlag)},
                          {"italic", in("Helvetica-Oblique", 12, StyleItalicFlag)},
                          {"both", in("Helvetica-BoldOblique", 12, StyleBoldFlag | StyleItalicFlag)},
                          {"plain", in("Helvetica", 12)}});
         },
         "plain bold italic both plain",
         // A word's space takes its style: pandoc keeps it in the run.
         {"Str \"plain\" , Space , Strong [ Str \"bold\"", "Emph [ Str \"italic\"",
          "Strong [ Emph [ Str \"both\"", "] ] , Str \"plain\" ] ]"},
         1},
        {"colours",
         [&] {
             setWords(0, {{"red", in("Helvetica", 12, 0, kit::Color::colorWithDeviceRed(1, 0, 0))},
                          {"blue", in("Helvetica", 12, 0, kit::Color::colorWithDeviceCyan(1, 1, 0, 0))},
                          {"black", in("Helvetica", 12)}});
         },
         "red blue black",
         {"Str \"red\" , Space , Str \"blue\" , Space , Str \"black\""},
         1},
        {"alignment and indents",
         [&] {
             setWords(0, {{"left"}});
             setWords(1, {{"centred"}})->paragraphStyle()->setAlignment(2);
             setWords(2, {{"right"}})->paragraphStyle()->setAlignment(1);
             TextParagraph* p = setWords(3, {{"indented"}, {"and"}, {"justified"}});
             p->paragraphStyle()->setAlignment(3);
             p->paragraphStyle()->setIndents(72, 36, -18);
         },
         "left\ncentred\nright\nindented and justified",
         {},
         4},
        {"tabs with leaders",
         [&] {
             TextParagraph* p = setWords(0, {{"Chapter"}});
             addSpecial(0, TextWordTab);
             p->addWord(std::make_unique<TextWord>("12"));
             const StyleTabStop tabs[] = {{400, 2, '.'}};
             p->paragraphStyle()->setTabs(tabs, 1);
         },
         "Chapter 12",
         {"Str \"Chapter\"", "Str \"12\""},
         1},
        {"line spacing",
         [&] {
             setWords(0, {{"double"}, {"spaced"}})->paragraphStyle()->charStyle()->setLineSpacing(2);
             setWords(1, {{"exactly"}, {"twenty"}})->paragraphStyle()->charStyle()->setLeading(20);
         },
         "double spaced\nexactly twenty",
         {},
         2},
        {"page breaks",
         [&] {
             setWords(0, {{"before"}});
             addSpecial(0, TextWordPageBreak);
             paragraph(0)->addWord(std::make_unique<TextWord>("after"));
             setWords(1, {{"next"}});
         },
         // The text as typed has no space beside the break, and neither
         // unrtf nor pandoc shows a page break: the words meet.
         "beforeafter\nnext",
         {"Str \"beforeafter\"", "Str \"next\""},
         2},
        {"autonumbering and bullets",
         [&] {
             std::vector<LayoutDocument::NumberingLevel> table(2);
             table[1].suffix = std::string(".");
             document_->setParagraphNumbering(table, 1);
             setWords(0, {{"Steps"}});
             for (int i = 1; i <= 2; ++i) {
                 TextParagraph* p = setWords(i, {{i == 1 ? "First" : "Second"}});
                 p->setAutonumberLevel(1);
             }
             flow_->recomputeAllParagraphNumbering();
             TextParagraph* bulleted = setWords(3, {{"Bulleted"}});
             bulleted->paragraphStyle()->makeBullet("\xB7", nullptr, 0, 0, kit::Color::blackColor());
         },
         "Steps\n1. First\n2. Second\n\xE2\x80\xA2 Bulleted",
         {"Str \"1.\"", "Str \"First\"", "Str \"2.\"", "Str \"Second\"", "Str \"\\8226\" , Space , Str \"Bulleted\""},
         4},
        {"accented letters and symbols",
         [&] {
             // NeXTSTEP bytes: e acute, i diaeresis, O stroke, copyright,
             // curly quotes, en and em dashes, ellipsis, L stroke (no
             // Windows-1252 byte), o acute, z; then Greek in the Symbol font.
             setWords(0, {{"caf\xDD"}, {"na\xE5ve"}, {"\xE9re"}, {"\xA0" "2024"}, {"\xAAquoted\xBA"},
                          {"\xB1"}, {"\xD0"}, {"\xBC"}, {"\xE8\xED" "dz"}});
             setWords(1, {{"abg", in("Symbol", 12)}, {"=", in("Symbol", 12)}, {"Greek", in("Helvetica", 12)}});
         },
         "caf\xC3\xA9 na\xC3\xAFve \xC3\x98re \xC2\xA9" "2024 \xE2\x80\x9Cquoted\xE2\x80\x9D \xE2\x80\x93 \xE2\x80\x94 "
         "\xE2\x80\xA6 \xC5\x81\xC3\xB3" "dz\n\xCE\xB1\xCE\xB2\xCE\xB3 = Greek",
         {"Str \"caf\\233\"", "Str \"\\321\\243dz\"", "Str \"\\945\\946\\947\""},
         2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        while (flow_->paragraphCount() > 1)
            (void)flow_->removeParagraph(flow_->lastParagraph());
        flow_->firstParagraph()->setParagraphStyle(std::make_unique<StyleParagraph>(delegate_->preferences()));
        flow_->firstParagraph()->paragraphStyle()->setFont(helvetica_);
        c.build();
        const std::string rtf = exportRTF();
        EXPECT_EQ(squeeze(unrtfText(rtf)), c.text) << rtf;
        const std::string native = flat(pandocNative(rtf));
        for (const std::string& part : c.pandoc)
            EXPECT_NE(native.find(part), std::string::npos) << part << "\n" << native;
        if (c.paragraphs >= 0) {
            std::size_t paras = 0;
            // pandoc takes a paragraph all in Courier for code.
            for (const char* kind : {"Para ", "CodeBlock "})
                for (std::size_t at = native.find(kind); at != std::string::npos; at = native.find(kind, at + 1))
                    ++paras;
            EXPECT_EQ(paras, std::size_t(c.paragraphs)) << native;
        }
    }
}

} // namespace
