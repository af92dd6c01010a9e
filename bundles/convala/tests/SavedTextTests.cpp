// Text typed in the word processor and saved as plain text and RTF through
// the document's own save: what the file holds is the text as typed (a tab
// or a break stands between its words with no space beside it, a picture
// adds no space of its own), and the RTF opened again is the same document,
// word for word, laid out as before.

#include "bundles/convala/tests/ConvalaWordProcessorFixture.h"

#include "bundles/convala/icf/ScrivlyDocumentSaveMethods.h"
#include "bundles/convala/markup/Convala.h"
#include "bundles/convala/markup/LayoutDocumentIOMethods.h"
#include "bundles/convala/rtf/RTFPlainTextFilter.h"

#include "core/FileManager.h"
#include "document/Page.h"
#include "graphics/BitmapImageRep.h"
#include "items/PlacedItem.h"
#include "text/TextSelection.h"
#include "text/TextWordSpecial.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr const char* RTFDFormat = ScrivlyDocumentSaveMethods::RTFDFormat;

// Keys as typed: '\r' is Return, '\v' a line break (Alternate-Return),
// '\f' a page break (Enter), '<' the left arrow, '@' places a picture at the
// caret.
struct Typed {
    const char* name;
    const char* keys;
    const char* text; // the plain text the keys make
};

const Typed Cases[] = {
    {"a tab between words", "Item\tQty\tPrice", "Item\tQty\tPrice"},
    {"a space typed after a tab", "A\t B", "A\t B"},
    {"a space typed before a tab", "A\tB<< ", "A \tB"},
    {"a tab at the paragraph's start and end", "\tA\t\rB", "\tA\t\nB"},
    {"a tab at a later paragraph's start", "A\r\tB\r\t\tC", "A\n\tB\n\t\tC"},
    {"spaces between tabs", "A\t \t  \tB", "A\t \t  \tB"},
    {"spaces before a tab at the paragraph's start", " \tA\r  \tB", " \tA\n  \tB"},
    {"two spaces typed before a tab", "A\tB<<  ", "A  \tB"},
    {"a space after a picture", "A@ \tB", "A \tB"},
    {"several tabs", "A\t\t\tB", "A\t\t\tB"},
    {"a space after a tab at the paragraph's end", "A\t \rB", "A\t \nB"},
    {"a tab after a picture", "A@\tB", "A\tB"},
    {"a line break", "one\vtwo", "one\ntwo"},
    {"a page break", "one\ftwo", "one\ntwo"},
    {"a heading with a picture at its end", "Heading@\rBody", "Heading\nBody"},
    {"a picture at the text's end", "Heading@", "Heading"},
    {"a heading with a picture in its middle", "Head@ line\rBody", "Head line\nBody"},
    {"two spaces", "two  spaces", "two  spaces"},
};

class SavedText : public ConvalaWordProcessorTest {
protected:
    void SetUp() override
    {
        ConvalaWordProcessorTest::SetUp();
        PlacedItem::initialize();
        kit::BitmapImageRep rep(8, 6, kit::BitmapImageRep::ColorModel::RGB, false);
        picture_ = path("picture.tiff");
        ASSERT_TRUE(kit::FileManager::writeFileAtomically(picture_, rep.TIFFRepresentation()));
    }

    static TextItem* mainColumn(ScrivlyDocument& document)
    {
        return document.mainTextItemForPage(document.pageAt(0));
    }

    ScrivlyDocument* typed(const char* keys)
    {
        ScrivlyDocument* document = newDocument();
        if (!document)
            return nullptr;
        TextItem* column = mainColumn(*document);
        TextFlow* flow = column->flow();
        for (const char* k = keys; *k; ++k) {
            if (*k == '@') {
                if (!flow->addGraphic(InlineImage::Source::path(picture_), false))
                    return nullptr;
            } else if (*k == '<') {
                column = flow->processKey(kit::LeftArrowFunctionKey, nullptr, column);
            } else if (*k == '\v') {
                flow->currentParagraph()->addSpecialWord(TextWordLineBreak);
            } else {
                const std::uint16_t code = *k == '\r' ? 13 : *k == '\f' ? 0xF7EB : std::uint16_t(*k);
                column = flow->processKey(code, nullptr, column);
            }
        }
        return document;
    }

    // The empty word after a special word that ends the text: the caret's
    // place, which nothing shows and nothing writes.
    static bool caretPlace(const TextFlow& flow, const TextParagraph& paragraph, int w)
    {
        const TextWord* word = paragraph.wordAtIndex(w);
        return &paragraph == flow.paragraphList().back().get() && w > 0 && w + 1 == paragraph.wordCount() &&
               !word->isSpecial() && word->length() == 0 && paragraph.wordAtIndex(w - 1)->isSpecial();
    }

    // The words of the main text, one line a paragraph: plain words in
    // quotes, special words by their type.
    static std::string wordsOf(ScrivlyDocument& document)
    {
        std::string out;
        const TextFlow* flow = mainColumn(document)->flow();
        for (const auto& paragraph : flow->paragraphList()) {
            for (int w = 0; w < paragraph->wordCount(); ++w) {
                if (caretPlace(*flow, *paragraph, w))
                    continue;
                const TextWord* word = paragraph->wordAtIndex(w);
                if (word->isSpecial())
                    out += "<" + std::to_string(word->wordType()) + ">";
                else
                    out += "\"" + std::string(word->text(), std::size_t(word->length())) + "\"";
            }
            out += "\n";
        }
        return out;
    }

    // Saved through the document's own save in the format; the file's
    // bytes (an RTFD folder's text).
    std::string saved(ScrivlyDocument& document, const char* format, const char* name)
    {
        const std::string file = path(name);
        document.setFileFormat(format);
        EXPECT_TRUE(document.saveFile(file, false)) << format;
        const std::string written = std::string(format) == RTFDFormat ? file + "/TXT.rtf" : file;
        return kit::FileManager::contentsAtPath(written).value_or("<none>");
    }

    // Where every word of the main text stands: one line a piece.
    static std::vector<std::string> layoutOf(ScrivlyDocument& document)
    {
        TextFlow* flow = mainColumn(document)->flow();
        flow->completeLayout();
        std::vector<std::string> pieces;
        for (int p = 0; p < flow->paragraphCount(); ++p) {
            const TextParagraph* paragraph = flow->paragraphAtIndex(p);
            for (int w = 0; w < paragraph->wordCount(); ++w) {
                const TextWord* word = paragraph->wordAtIndex(w);
                if (caretPlace(*flow, *paragraph, w))
                    continue;
                for (int k = 0; k < word->numWordPieces(); ++k) {
                    const WordPiece& piece = word->piece(k);
                    char line[160];
                    std::snprintf(line, sizeof line, "paragraph %d word %d piece %d: x %.3f y %.3f width %.3f", p,
                                  w, k, double(piece.x), double(piece.y), double(piece.width));
                    pieces.push_back(line);
                }
            }
        }
        return pieces;
    }

    std::string picture_;
};

TEST_F(SavedText, PlainTextAndRTFHoldTheTextAsTyped)
{
    for (const Typed& c : Cases) {
        SCOPED_TRACE(c.name);
        ScrivlyDocument* document = typed(c.keys);
        ASSERT_NE(document, nullptr);
        const std::string words = wordsOf(*document);
        EXPECT_EQ(saved(*document, ScrivlyDocumentSaveMethods::ASCIIFormat, "saved.txt"), c.text) << words;
        // The RTF's text as any reader of RTF takes it.
        const std::string rtf = saved(*document, ScrivlyDocumentSaveMethods::RTFFormat, "saved.rtf");
        EXPECT_EQ(RTFPlainTextFilter::plainTextOfRTF(rtf), c.text) << words << rtf;
        EXPECT_TRUE(document->close(nullptr) == nullptr);
    }
}

TEST_F(SavedText, RTFOpensAsTheSameDocumentLaidOutAsBefore)
{
    for (const Typed& c : Cases) {
        // Plain RTF has nowhere to keep a picture: RTFD does.
        const bool pictures = std::strchr(c.keys, '@') != nullptr;
        for (const char* name : {"again.rtfd", "again.rtf"}) {
            if (pictures && std::string(name) == "again.rtf")
                continue;
            SCOPED_TRACE(std::string(c.name) + " in " + name);
            ScrivlyDocument* document = typed(c.keys);
            ASSERT_NE(document, nullptr);
            const std::string words = wordsOf(*document);
            const std::vector<std::string> layout = layoutOf(*document);
            const char* format = std::string(name) == "again.rtf" ? ScrivlyDocumentSaveMethods::RTFFormat : RTFDFormat;
            saved(*document, format, name);
            EXPECT_TRUE(document->close(nullptr) == nullptr);
            auto* again = dynamic_cast<ScrivlyDocument*>(delegate_->openFile(path(name), false));
            ASSERT_NE(again, nullptr);
            EXPECT_EQ(wordsOf(*again), words);
            EXPECT_EQ(layoutOf(*again), layout);
            again->closeAndFree();
        }
    }
}

// A file this program wrote before every space in its RTF was a typed one:
// a space before each tab, break and picture, which stood for no space.
// It opens as the document that wrote it.
TEST_F(SavedText, FilesWrittenBeforeTypedSpacesOpenAsTheyWereWritten)
{
    const std::string folder = path("old.rtfd");
    ASSERT_TRUE(kit::FileManager::createDirectoryAtPath(folder));
    const std::optional<std::string> text =
        kit::FileManager::contentsAtPath(std::string(SCRIVLY_FIXTURES_DIR) + "/scrivly_spaces_before_tabs.rtf");
    ASSERT_TRUE(text);
    ASSERT_TRUE(kit::FileManager::writeFileAtomically(folder + "/TXT.rtf", *text));
    ASSERT_TRUE(kit::FileManager::writeFileAtomically(folder + "/picture.tiff",
                                                      *kit::FileManager::contentsAtPath(picture_)));
    auto* document = dynamic_cast<ScrivlyDocument*>(delegate_->openFile(folder, false));
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(wordsOf(*document), "\"Item\"<5>\"Qty\"<5>\"Price\"\n"
                                  "\"A\"<5>\"\"\"B\"\n"
                                  "\"A\"\"\"<5>\"B\"\n"
                                  "<5>\"A\"<5>\n"
                                  "\"A\"<5><5><5>\"B\"\n"
                                  "\"one\"<203>\n"
                                  "\"Head\"<101>\"\"\"line\"\n"
                                  "\"Heading\"<101>\n"
                                  "\"Body\"\n");
    document->closeAndFree();
}

} // namespace
