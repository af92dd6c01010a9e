// RTF the program writes, read by LibreOffice and printed to PDF: each
// word must come out in a face of its own kind (serif, sans, fixed-width)
// and, for the URW families another program can have too, in that very
// family. LibreOffice finds its faces through fontconfig, which knows the
// URW files by their own names and by the names the writer gives.

#include "../ExportTestSupport.h"

#include <algorithm>
#include <map>
#include <regex>
#include <sstream>

using namespace convala_test;

namespace {

// The fonts of the PDF's words, by word: what pdftohtml reads (its font
// specifications and the text set in each), with the subset prefix
// ("BAAAAA+") taken off the font names.
std::map<std::string, std::string> fontsOfWords(const std::string& xml)
{
    std::map<std::string, std::string> fonts;
    const std::regex spec(R"re(<fontspec id="(\d+)"[^>]* family="(?:[A-Z]{6}\+)?([^"]*)")re");
    for (auto it = std::sregex_iterator(xml.begin(), xml.end(), spec); it != std::sregex_iterator(); ++it)
        fonts[(*it)[1]] = (*it)[2];
    std::map<std::string, std::string> words;
    const std::regex text(R"re(<text [^>]*font="(\d+)"[^>]*>(.*?)</text>)re");
    const std::regex tag("<[^>]*>");
    for (auto it = std::sregex_iterator(xml.begin(), xml.end(), text); it != std::sregex_iterator(); ++it) {
        const std::string plain = std::regex_replace((*it)[2].str(), tag, "");
        std::istringstream in(plain);
        for (std::string word; in >> word;)
            words.emplace(word, fonts[(*it)[1]]);
    }
    return words;
}

class RTFFontsInLibreOffice : public ExportTest {};

TEST_F(RTFFontsInLibreOffice, SerifSansAndFixedWidthTextKeepTheirKind)
{
    if (!haveProgram("soffice"))
        GTEST_SKIP() << "needs soffice (libreoffice-writer-nogui; tools/deps installs it)";
    if (!haveProgram("pdftohtml"))
        GTEST_SKIP() << "needs pdftohtml (poppler-utils; tools/deps installs it)";

    struct Row {
        const char* face;
        const char* word;
        // The PDF font names the word may be set in (their beginnings),
        // and what none of them may contain.
        std::vector<std::string> accepted;
        const char* refused;
        // The word as the PDF has it, when the face's own encoding makes
        // other characters of it.
        const char* pdfWord = nullptr;
    };
    const Row rows[] = {
        {"Times-Roman", "Serifline", {"NimbusRoman", "LiberationSerif", "Tinos", "TimesNewRoman", "DejaVuSerif"}, ""},
        {"Helvetica", "Sansline", {"NimbusSans", "LiberationSans", "Arimo", "Arial", "DejaVuSans"}, "Mono"},
        {"Courier", "Monoline", {"NimbusMono", "LiberationMono", "Cousine", "CourierNew", "DejaVuSansMono"}, ""},
        // The other URW families, which fontconfig finds by the names written.
        {"Palatino-Roman", "Palatinoline", {"P052"}, ""},
        {"Bookman-Light", "Bookmanline", {"URWBookman"}, ""},
        {"NewCenturySchlbk-Roman", "Schoolbookline", {"C059"}, ""},
        {"AvantGarde-Book", "Gothicline", {"URWGothic"}, ""},
        {"Helvetica-Narrow", "Narrowline", {"NimbusSansNarrow"}, ""},
        {"ZapfChancery-MediumItalic", "Chanceryline", {"Z003"}, ""},
        // Symbol's letters are Greek ones: LibreOffice may show them in its own symbol face.
        {"Symbol",
         "Symbolline",
         {"StandardSymbolsPS", "OpenSymbol"},
         "",
         "\u03A3\u03C8\u03BC\u03B2\u03BF\u03BB\u03BB\u03B9\u03BD\u03B5"},
        {"ZapfDingbats", "Dingbatline", {"D050000L"}, ""},
    };
    int index = 0;
    for (const Row& row : rows)
        setWords(index++, {{row.word, charStyle(font(row.face, 12))}});
    const std::string rtf = exportRTF();

    const std::string folder = kit::FileManager::uniqueTemporaryPath("convala-libreoffice");
    ASSERT_TRUE(kit::FileManager::createDirectoryAtPath(folder));
    struct Removed {
        const std::string& folder;
        ~Removed() { kit::FileManager::removeFileAtPath(folder); }
    } removed{folder};
    std::ofstream(folder + "/fonts.rtf", std::ios::binary) << rtf;
    // A profile of its own, so that runs side by side do not wait for each other.
    int status = -1;
    const std::string log =
        runProgram("cd '" + folder + "' && timeout 600 soffice --headless -env:UserInstallation=file://" + folder +
                       "/profile --convert-to pdf fonts.rtf 2>&1",
                   &status);
    ASSERT_EQ(status, 0) << log;
    const std::string xml = runProgram("pdftohtml -xml -i -stdout '" + folder + "/fonts.pdf' 2>&1", &status);
    ASSERT_EQ(status, 0) << log << xml;

    const std::map<std::string, std::string> fonts = fontsOfWords(xml);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.face);
        const char* word = row.pdfWord ? row.pdfWord : row.word;
        const auto found = fonts.find(word);
        ASSERT_NE(found, fonts.end()) << word << " is not in the PDF:\n" << xml << "\nfrom\n" << rtf;
        const std::string& pdfFont = found->second;
        const bool accepted = std::any_of(row.accepted.begin(), row.accepted.end(),
                                          [&](const std::string& name) { return pdfFont.rfind(name, 0) == 0; });
        EXPECT_TRUE(accepted && (!*row.refused || pdfFont.find(row.refused) == std::string::npos))
            << row.word << " is set in " << pdfFont << "; the RTF:\n"
            << rtf;
    }
}

} // namespace
