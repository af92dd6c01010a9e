// RTF written by other programs: pandoc's (an independent writer packaged
// for Debian, fixture made with "pandoc -s -t rtf" from a Markdown file with
// emphasis, a list, a table and a link), and small hand-written files with
// a code page, a Unicode character, unknown destinations, self-based
// styles, nested headers and absurd page sizes.
//
// And documents as other programs write them, made once and kept (their
// sources in fixtures/sources):
// - libreoffice_pages.rtf: LibreOffice 7.4.7.2,
//   "soffice --headless --convert-to rtf pages.fodt" (French and German
//   text, a header, a footer with a page number, a page break);
// - libreoffice_lists_table.rtf: "pandoc -s -t docx structure.md", then
//   "soffice --headless --convert-to rtf structure.docx" (a heading,
//   emphasis, a link, a bulleted and a numbered list, a table);
// - pandoc_languages.rtf: pandoc 2.17.1.1, "pandoc -s -t rtf languages.md"
//   (Polish, Czech, Greek, Russian, French and German);
// - word_style.rtf: by hand, as Word writes RTF after RTF's rules: every
//   run in {\rtlch\fcs1 ... \insrsid ...} groups, theme fonts, optional
//   destinations ({\*\...}), \upr, \listtext bullets in the Symbol font, a
//   hyperlink's \fldrslt, a line end, \uc2 fallbacks, escapes in Cyrillic
//   and Central European fonts, double-byte text, a table without
//   paragraph ends, a picture in \bin data, a header, a footer, a page
//   break.

#include "ImportTestSupport.h"

#include "bundles/convala/rtf/RTFPlainTextFilter.h"
#include "core/Encoding.h"

#include <fstream>
#include <sstream>

using namespace convala_test;

namespace {

class RTFImportForeign : public ImportTest {
protected:
    static std::string fixture(const char* name) { return std::string(SCRIVLY_FIXTURES_DIR) + "/" + name; }

    bool open(const char* name, bool* lost)
    {
        std::string error;
        const bool read = RTFImportMethods::openRTFFile(*document_, fixture(name), lost, &error);
        EXPECT_TRUE(read) << error;
        return read;
    }

    const StyleChar* styleAt(int paragraph, int word)
    {
        textPoint point{};
        setTextPoint(&point, paragraph, word, 0);
        return flow_->styleCharAt(&point);
    }
};

TEST_F(RTFImportForeign, PandocsDocumentOpensWithItsTextTheTableAsParagraphsAndTheLossNoted)
{
    bool lost = false;
    ASSERT_TRUE(open("pandoc_report.rtf", &lost));
    // The table is no table here, and the link's address is lost; the
    // link's text arrives.
    EXPECT_TRUE(lost);
    const std::string read = text();
    for (const char* expected : {"Report\n", "Some emphasis and strong text, and a", "\xB7 <tab>first item\n",
                                 "\xB7 <tab>second item\n", "Name\n", "Value\n", "one\n", "1\n", "two\n", "2\n",
                                 "Caf\xDD au lait.\n"})
        EXPECT_NE(read.find(expected), std::string::npos) << expected << "\n" << read;
    EXPECT_NE(read.find("and a link."), std::string::npos) << read;
    EXPECT_EQ(read.find("HYPERLINK"), std::string::npos) << read;
    // The heading's group gives its format back: only the heading is bold.
    EXPECT_TRUE(styleAt(0, 0)->isBoldface());
    EXPECT_FLOAT_EQ(styleAt(0, 0)->pointSize(), 18.0f);
    EXPECT_FALSE(styleAt(1, 0)->isBoldface());
    EXPECT_FLOAT_EQ(styleAt(1, 0)->pointSize(), 12.0f);
    EXPECT_TRUE(styleAt(1, 1)->isItalic());
    EXPECT_FALSE(styleAt(1, 2)->isItalic());
    // The list's hanging indent.
    const StyleParagraph* item = flow_->paragraphAtIndex(2)->paragraphStyle();
    EXPECT_FLOAT_EQ(item->indentLeft(), 18.0f);
    EXPECT_FLOAT_EQ(item->indentDeltaFirst(), -18.0f);
}

TEST_F(RTFImportForeign, ACodePageAUnicodeCharacterAndUnknownDestinations)
{
    bool lost = false;
    ASSERT_TRUE(open("foreign_codepage.rtf", &lost));
    // The euro has no place in the documents' set: it is left out (never
    // its fallback "?") and the loss noted.
    EXPECT_EQ(text(), "Price: 5, caf\xDD cr\xDCme\n");
    EXPECT_TRUE(lost);
}

TEST_F(RTFImportForeign, DocumentsOfOtherProgramsArriveWhole)
{
    const struct {
        const char* fixture;
        const char* text; // UTF-8
        const char* header;
        const char* footer;
        const char* plain; // what the text filter makes of it, in part
    } cases[] = {
        {"word_style.rtf",
         "<header> <footer>Caf\u00e9 bold and a link. Line one <line>line two.\n"
         "\u2022 <tab>First item\n\u2022 <tab>Second item\n"
         // The Russian word and the letters of Polish that the documents'
         // set lacks are left out; so are the euro and the Japanese.
         " is Russian, \u0141\u00f3d i caf\u00e9 is Polish.\n"
         "Euro  and  and  then \u00e9t\u00e9 \u201cquoted\u201d.\n"
         // A page break alone in its paragraph comes first in it, as typed.
         "Plain half\nCell one\nCell two\n<break>\nAfter the picture and the break.\n",
         "Header in Word\n", "1\n",
         "\u041f\u0440\u0438\u0432\u0435\u0442 is Russian, \u0141\u00f3d\u017a i caf\u00e9 is Polish.\n"
         "Euro \u20ac and \u65e5\u672c and \u65e5 then"},
        {"libreoffice_pages.rtf",
         "<header> <footer>Le caf\u00e9 est pr\u00eat \u00e0 midi, d\u00e9j\u00e0 tr\u00e8s bien. O\u00f9 est le "
         "gar\u00e7on? No\u00ebl et Zo\u00e9, na\u00efve.\n"
         "Stra\u00dfe und Gr\u00f6\u00dfe, \u00fcberm\u00e4\u00dfig viele \u00c4pfel. Gr\u00fc\u00dfe aus K\u00f6ln.\n",
         "Kopfzeile oben\n", "Fu\u00dfzeile unten 2\n", "Le caf\u00e9 est pr\u00eat"},
        {"libreoffice_lists_table.rtf",
         "Report of the day\nSome emphasis and strong text with a link to the site in it.\n"
         " \u2022 <tab>first bullet\n \u2022 <tab>second bullet\n 1. <tab>one numbered\n 2. <tab>two numbered\n"
         "Name\nValue\nalpha\none\nbeta\ntwo\nClosing words.\n",
         nullptr, nullptr, "\u2022\tfirst bullet\n"},
        {"pandoc_languages.rtf",
         "Za\u00f3\u0142 gl ja. \u0141\u00f3d ley w Polsce.\nP\u00edli luouk\u00fd k \u00fapl \u00e1belsk\u00e9 "
         "\u00f3dy.\nLatin before   and after.\n  then Latin again.\nLe caf\u00e9 est pr\u00eat \u00e0 midi, "
         "Stra\u00dfe und Gr\u00f6\u00dfe.\n",
         nullptr, nullptr,
         "Za\u017c\u00f3\u0142\u0107 g\u0119\u015bl\u0105 ja\u017a\u0144. \u0141\u00f3d\u017a le\u017cy w Polsce.\n"
         "P\u0159\u00edli\u0161 \u017elu\u0165ou\u010dk\u00fd k\u016f\u0148 \u00fap\u011bl \u010f\u00e1belsk\u00e9 "
         "\u00f3dy.\nLatin before \u0395\u03bb\u03bb\u03b7\u03bd\u03b9\u03ba\u03ac"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fixture);
        fresh();
        bool lost = false;
        ASSERT_TRUE(open(c.fixture, &lost));
        // Letters the set lacks, a link's address, a table's form: lost.
        EXPECT_TRUE(lost);
        EXPECT_EQ(kit::toUTF8(kit::Encoding::NeXTSTEP, text()), c.text);
        auto only = [](const std::vector<TextWordSpecial*>& items) -> std::string {
            if (items.size() != 1)
                return "(" + std::to_string(items.size()) + " items)";
            auto* column = dynamic_cast<TextItem*>(items[0]->objectReference());
            return column ? kit::toUTF8(kit::Encoding::NeXTSTEP, textOf(column->flow())) : "(no column)";
        };
        if (c.header) {
            EXPECT_EQ(only(document_->headers()), c.header);
            EXPECT_EQ(only(document_->footers()), c.footer);
        }
        std::ifstream in(fixture(c.fixture), std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        EXPECT_NE(RTFPlainTextFilter::plainTextOfRTF(bytes.str()).find(c.plain), std::string::npos);
    }
}

TEST_F(RTFImportForeign, SelfBasedStylesNestedHeadersAndAbsurdPagesOpenSafely)
{
    bool lost = false;
    ASSERT_TRUE(open("foreign_absurd.rtf", &lost));
    EXPECT_TRUE(lost);
    const std::string read = text();
    EXPECT_EQ(read.substr(read.size() - 10), "Body text\n") << read;
    ASSERT_EQ(document_->headers().size(), 1u);
    EXPECT_TRUE(document_->footers().empty());
    auto* header = dynamic_cast<TextItem*>(document_->headers()[0]->objectReference());
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(textOf(header->flow()), "Outer  end\n");
    const kit::Size page = document_->pageSize();
    EXPECT_GE(page.width, RTFImportMethods::MinPageSide);
    EXPECT_LE(page.height, RTFImportMethods::MaxPageSide);
}

} // namespace
