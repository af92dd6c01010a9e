#include "ExportTestSupport.h"

#include "bundles/convala/icf/ScrivlyDocumentSaveMethods.h"
#include "bundles/convala/rtf/RTFPlainTextFilter.h"

#include "core/FileWrapper.h"
#include "core/Pasteboard.h"
#include "graphics/BitmapImageRep.h"
#include "items/PlacedItem.h"

using namespace convala_test;

namespace {

TEST(RTFPlainTextFilter, ReadsTheTextOfRTF)
{
    const struct {
        const char* rtf;
        const char* text;
    } cases[] = {
        {"{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl \\f0\\fswiss Helvetica;}{\\colortbl \\red0\\green0\\blue0;}"
         "\\pard\\f0\\fs24 caf\\'e9\\par\nsecond\\tab line}",
         "caf\xC3\xA9\nsecond\tline"},
        // Unicode escapes, their fallbacks skipped, surrogate halves joined.
        {"{\\rtf1 \\u321\\'3fodz \\uc2\\u945??x \\u-10179\\'3f\\u-8704\\'3f}", "\xC5\x81odz \xCE\xB1x \xF0\x9F\x98\x80"},
        // Formatting groups are read; destinations, tables and headers not.
        {"{\\rtf1 {\\b bold} {\\*\\generator x;}{\\info{\\title T}}{\\header head}\\emdash ;\\ldblquote q\\rdblquote}",
         "bold \xE2\x80\x94;\xE2\x80\x9Cq\xE2\x80\x9D"},
        // Numbers that are no 16-bit character stand for nothing.
        {"{\\rtf1 a\\u2147483647\\'3fb\\u-70000?c\\u0?d}", "abcd"},
        {"", ""},
        {"{\\rtf1 unclosed {\\b group", "unclosed group"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rtf);
        EXPECT_EQ(RTFPlainTextFilter::plainTextOfRTF(c.rtf), c.text);
    }
}

// The filter reads text as the RTF reader does: groups of words it does not
// know are read on, destinations that hold no text skipped, field results
// and list numbers kept, each font's character set honoured.
TEST(RTFPlainTextFilter, ReadsTextAsTheReaderDoes)
{
    const std::string fonts = "{\\fonttbl{\\f0\\fcharset0 Arial;}{\\f1\\fcharset204 Arial Cyr;}"
                              "{\\f2\\fcharset2 Symbol;}{\\f3\\fcharset2 Wingdings;}{\\f4\\fcharset128 MS Mincho;}}";
    const struct {
        const char* what;
        std::string rtf;
        const char* text;
    } cases[] = {
        {"groups of words nobody reads", "{\\rtf1 {\\loch Le caf\\u233\\'e9 }{\\rtlch\\ab \\ltrch\\loch\\b midi}\\par}",
         "Le caf\xC3\xA9 midi\n"},
        {"a field's result", "{\\rtf1 A {\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt {\\ul link}}} here}",
         "A link here"},
        {"list numbers", "{\\rtf1 {\\listtext\\pard\\plain \\u8226\\'95\\tab}one\\par{\\pntext 2.\\tab}"
                          "{\\*\\pn{\\pntxta .}}{\\pn{\\pntxtb x}}two}",
         "\xE2\x80\xA2\tone\n2.\ttwo"},
        {"the ANSI half of \\upr", "{\\rtf1 {\\upr{\\loch ansi}{\\*\\ud{\\loch unicode}}}}", "ansi"},
        {"line ends, cells and rows", "{\\rtf1 a\\line b\\par\\intbl A\\cell B\\par\\cell\\row C}", "a\nb\nA\nB\nC"},
        {"binary data", std::string("{\\rtf1 a{\\pict\\bin4 }}{\\}b}"), "ab"},
        {"non-text destinations", "{\\rtf1 {\\listtable{\\list x}}{\\themedata 01}{\\bkmkstart m}a{\\header h}}", "a"},
        {"\\uc ends with its group", "{\\rtf1 {\\uc2 \\u233 ab}\\u233 ?c}", "\xC3\xA9\xC3\xA9" "c"},
        {"fonts' character sets", "{\\rtf1\\ansi\\ansicpg1252" + fonts + "\\f1 \\'c0 \\f0 \\'c0 \\f4 \\'93\\'fa}",
         "\xD0\x90 \xC3\x80 \xE6\x97\xA5"},
        {"the Symbol font's bullet; another symbol font's glyphs are no text",
         "{\\rtf1" + fonts + "\\f2 \\'b7\\f3 \\'a7\\f0 x}", "\xE2\x80\xA2x"},
        {"a document in another code page", "{\\rtf1\\ansi\\ansicpg1251 \\'c0}", "\xD0\x90"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(RTFPlainTextFilter::plainTextOfRTF(c.rtf), c.text) << c.rtf;
    }
}

TEST(RTFPlainTextFilter, ServesTheConverterRegistry)
{
    RTFPlainTextFilter::registerService();
    kit::Pasteboard& filtered = kit::Pasteboard::pasteboardByFilteringData("{\\rtf1 na\\'efve}", kit::RTFPboardType);
    EXPECT_EQ(filtered.stringForType(kit::StringPboardType), "na\xC3\xAFve");
    filtered.releaseGlobally();
}

class ForeignSave : public ExportTest {
protected:
    void SetUp() override
    {
        ExportTest::SetUp();
        RTFPlainTextFilter::registerService();
        setWords(0, {{"caf\xDD"}, {"na\xE5ve"}});
        setWords(1, {{"second"}});
        path_ = folder_ + "/saved";
    }

    int save(const char* type)
    {
        document_->setFileFormat(type);
        return ScrivlyDocumentSaveMethods::saveForeignFile(*document_, path_, true);
    }

    static std::string contents(const std::string& path)
    {
        return kit::FileManager::contentsAtPath(path).value_or("<none>");
    }

    std::string path_;
};

TEST_F(ForeignSave, EachFormatIsWrittenWholeOverTheOldFile)
{
    const struct {
        const char* type;
        std::function<void(const std::string& path)> check;
    } cases[] = {
        {"Rich Text Format (rtf)",
         [](const std::string& path) {
             const std::string rtf = contents(path);
             EXPECT_EQ(rtf.rfind("{\\rtf1\\ansi\\ansicpg1252", 0), 0u) << rtf;
             EXPECT_NE(rtf.find("caf\\'e9 na\\'efve\\par\nsecond}"), std::string::npos) << rtf;
         }},
        {"Rich Text Format Directory (rtfd)",
         [](const std::string& path) {
             std::unique_ptr<kit::FileWrapper> folder = kit::FileWrapper::initWithPath(path);
             ASSERT_TRUE(folder && folder->isDirectory());
             ASSERT_EQ(folder->fileWrappers().size(), 1u);
             EXPECT_NE(contents(path + "/TXT.rtf").find("second}"), std::string::npos);
         }},
        {"ascii",
         [](const std::string& path) { EXPECT_EQ(contents(path), "caf\xC3\xA9 na\xC3\xAFve\nsecond"); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        kit::FileManager::removeFileAtPath(path_);
        ASSERT_TRUE(kit::FileManager::writeFileAtomically(path_, std::string("old contents")));
        EXPECT_EQ(save(c.type), ScrivlyDocumentSaveMethods::Written);
        c.check(path_);
    }
}

TEST_F(ForeignSave, ATypeNoFilterOffersWritesNothing)
{
    ASSERT_TRUE(kit::FileManager::writeFileAtomically(path_, std::string("old contents")));
    EXPECT_EQ(save("WordPerfect 5.1 (wp)"), ScrivlyDocumentSaveMethods::NoConverter);
    // Without the filter service, plain text cannot be made either.
    kit::Pasteboard::removeAllConverters();
    EXPECT_EQ(save("ascii"), ScrivlyDocumentSaveMethods::NoConverter);
    RTFPlainTextFilter::registerService();
    EXPECT_EQ(contents(path_), "old contents");
}

TEST_F(ForeignSave, AFolderThatCannotBeWrittenFails)
{
    path_ = folder_ + "/missing/saved.rtf";
    EXPECT_EQ(save("Rich Text Format (rtf)"), ScrivlyDocumentSaveMethods::WriteFailed);
    EXPECT_FALSE(kit::FileManager::fileExistsAtPath(path_));
}

} // namespace

namespace {

TEST_F(ForeignSave, RTFDHoldsTheInlinePicturesUnderNamesOfTheirOwn)
{
    PlacedItem::initialize();
    kit::BitmapImageRep rep(4, 3, kit::BitmapImageRep::ColorModel::RGB, false);
    const std::string tiff = rep.TIFFRepresentation();
    // Two pictures of one name, and the text's own file name.
    for (const char* name : {"/pictures/logo.tiff", "/elsewhere/logo.tiff", "/x/TXT.rtf"}) {
        const textPoint caret{1, 0, 0};
        flow_->setCurrentPoint(&caret);
        auto* word = static_cast<TextWordSpecial*>(flow_->addGraphic(InlineImage::Source::data(tiff), false));
        ASSERT_NE(word, nullptr);
        auto* item = dynamic_cast<PlacedItem*>(word->graphicItem());
        ASSERT_NE(item, nullptr);
        item->setFilename(std::string(name));
    }
    ASSERT_EQ(save("Rich Text Format Directory (rtfd)"), ScrivlyDocumentSaveMethods::Written);
    std::unique_ptr<kit::FileWrapper> folder = kit::FileWrapper::initWithPath(path_);
    ASSERT_TRUE(folder && folder->isDirectory());
    std::vector<std::string> names;
    for (const auto& [name, file] : folder->fileWrappers())
        names.push_back(name);
    EXPECT_EQ(names, (std::vector<std::string>{"TXT 2.rtf", "TXT.rtf", "logo 2.tiff", "logo.tiff"}));
    EXPECT_EQ(contents(path_ + "/logo 2.tiff"), tiff);
    const std::string rtf = contents(path_ + "/TXT.rtf");
    for (const char* name : {"logo.tiff", "logo 2.tiff", "TXT 2.rtf"})
        EXPECT_NE(rtf.find(std::string("{{\\NeXTGraphic0 ") + name + " \\width80 \\height60\n},}"), std::string::npos)
            << name << "\n" << rtf;

    // Plain RTF has nowhere to keep them.
    ASSERT_EQ(save("Rich Text Format (rtf)"), ScrivlyDocumentSaveMethods::Written);
    EXPECT_EQ(contents(path_).find("NeXTGraphic"), std::string::npos);
}

} // namespace
