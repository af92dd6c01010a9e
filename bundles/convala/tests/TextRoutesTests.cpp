// The same text reaches a document by every route a user has: typed at the
// keyboard, pasted as plain text, pasted as RTF, an RTF file opened, a
// plain-text file opened, a saved document opened again, and words made
// whole while the document imports (as an import driver makes them). In one
// justified, hyphenated column each route breaks the same lines at the same
// letters and puts every piece of every word in the same place as typing.
// Plain text says nothing of its format: the user formats what it brought.

#include "bundles/convala/tests/ConvalaWordProcessorFixture.h"

#include "bundles/convala/markup/Convala.h"
#include "bundles/convala/markup/LayoutDocumentIOMethods.h"
#include "bundles/convala/rtf/RTFImportMethods.h"

#include "core/FileManager.h"
#include "core/Pasteboard.h"
#include "document/Page.h"
#include "foundation/StyleParagraph.h"
#include "text/TextSelection.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

const char* const Paragraphs[] = {
    "Typesetting international correspondence demands extraordinary responsibility from every word "
    "processor, because justified paragraphs without hyphenation leave conspicuous rivers between "
    "characteristically unbreakable multisyllabic expressions, and administrative documentation "
    "frequently contains institutionalised terminology.",
    "Comprehensive specifications describe telecommunications infrastructure, interdisciplinary "
    "considerations and unconventional typographical arrangements; experienced compositors "
    "nevertheless recommend straightforward measurements, consistent indentation and "
    "understandable punctuation throughout.",
    "Hyphenation algorithms distinguish prefixes, suffixes and roots: incomprehensibility, "
    "internationalisation, counterrevolutionary, photosynthesis, thermodynamics, electroencephalography "
    "and disestablishmentarianism break between syllables, whereas abbreviations never do.",
};

std::string plainText()
{
    std::string text;
    for (const char* paragraph : Paragraphs)
        text += std::string(paragraph) + "\n";
    return text;
}

// One line per piece of every word: where it stands in its column.
struct Layout {
    std::vector<std::string> pieces;
    int splitWords = 0; // words that run over a line end
};

Layout layoutOf(const TextFlow& flow)
{
    Layout layout;
    int shown = 0;
    for (const auto& paragraph : flow.paragraphList()) {
        bool any = false;
        for (int w = 0; w < paragraph->wordCount(); ++w) {
            const TextWord* word = paragraph->wordAtIndex(w);
            if (word->isSpecial() || word->length() == 0)
                continue;
            any = true;
            if (word->numWordPieces() > 1)
                ++layout.splitWords;
            for (int k = 0; k < word->numWordPieces(); ++k) {
                const WordPiece& piece = word->piece(k);
                char line[256];
                std::snprintf(line, sizeof line, "paragraph %d \"%s\" piece %d: x %.3f y %.3f width %.3f ends %d",
                              shown, word->text(), k, double(piece.x), double(piece.y), double(piece.width),
                              word->endOffsetForPiece(k));
                layout.pieces.push_back(line);
            }
        }
        shown += any ? 1 : 0;
    }
    return layout;
}

class TextRoutes : public ConvalaWordProcessorTest {
protected:
    void SetUp() override
    {
        ConvalaWordProcessorTest::SetUp();
        font_ = kit::Font::fontWithName("Times-Roman", 12);
        ASSERT_NE(font_, nullptr);
    }

    static TextItem* mainColumn(ScrivlyDocument& document)
    {
        return document.mainTextItemForPage(document.pageAt(0));
    }

    // Times 12, justified and hyphenated, in every paragraph and at the caret.
    void format(TextFlow& flow) const
    {
        for (const auto& paragraph : flow.paragraphList()) {
            StyleParagraph* style = paragraph->paragraphStyle();
            style->setFont(font_);
            style->setAlignment(3);
            style->setHyphenate(true);
        }
        auto typing = std::make_unique<StyleChar>();
        typing->setFont(font_);
        flow.setCharStyle(std::move(typing));
    }

    // A new document whose empty column is formatted for the text.
    ScrivlyDocument* formattedDocument()
    {
        ScrivlyDocument* document = newDocument();
        if (document)
            format(*mainColumn(*document)->flow());
        return document;
    }

    ScrivlyDocument* typed()
    {
        ScrivlyDocument* document = formattedDocument();
        TextItem* column = mainColumn(*document);
        TextFlow* flow = column->flow();
        const std::string text = plainText();
        // Every key as the keyboard sends it; Return ends a paragraph.
        for (std::size_t i = 0; i + 1 < text.size(); ++i)
            column = flow->processKey(text[i] == '\n' ? 13 : std::uint16_t(static_cast<unsigned char>(text[i])),
                                      nullptr, column);
        return document;
    }

    ScrivlyDocument* pasted(const std::string& type, const std::string& data)
    {
        ScrivlyDocument* document = formattedDocument();
        kit::Pasteboard& pboard = kit::Pasteboard::pasteboardWithUniqueName();
        pboard.declareTypes({type}, nullptr);
        pboard.setData(data, type);
        const bool done = mainColumn(*document)->paste(pboard, false, nullptr);
        pboard.releaseGlobally();
        return done ? document : nullptr;
    }

    // The text as RTF that says the format the column has.
    std::string rtf(const ScrivlyDocument* page) const
    {
        std::string out = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\froman Times-Roman;}}";
        if (page) {
            // The page of a new document, so that the column is as wide.
            const kit::Size size = page->pageSize();
            auto twips = [](float points) { return std::to_string(int(points * 20 + 0.5f)); };
            out += "\\paperw" + twips(size.width) + "\\paperh" + twips(size.height) + "\\margl" +
                   twips(page->leftMargin()) + "\\margr" + twips(size.width - page->rightMargin()) + "\\margt" +
                   twips(page->topMargin()) + "\\margb" + twips(size.height - page->bottomMargin());
        }
        out += "\n";
        for (const char* paragraph : Paragraphs)
            out += std::string("\\pard\\qj\\zynhyph1\\plain\\f0\\fs24 ") + paragraph + "\\par\n";
        return out + "}";
    }

    ScrivlyDocument* opened(const std::string& name, const std::string& bytes)
    {
        const std::string file = path(name);
        if (!kit::FileManager::writeFileAtomically(file, bytes))
            return nullptr;
        return dynamic_cast<ScrivlyDocument*>(delegate_->openFile(file, false));
    }

    // The format set on the text that came, as the paragraph inspector sets
    // it on every paragraph.
    ScrivlyDocument* formatted(ScrivlyDocument* document) const
    {
        if (!document)
            return nullptr;
        TextFlow* flow = mainColumn(*document)->flow();
        format(*flow);
        for (const auto& paragraph : flow->paragraphList()) {
            paragraph->recomputeAllWords();
            paragraph->setDirty(true);
        }
        flow->recomputeAll();
        return document;
    }

    // Every word made and given its text while the document imports, then
    // measured at the import's end.
    ScrivlyDocument* madeDuringAnImport()
    {
        ScrivlyDocument* document = formattedDocument();
        TextFlow* flow = mainColumn(*document)->flow();
        const StyleParagraph* style = flow->firstParagraph()->paragraphStyle();
        document->setDispatching(true);
        TextParagraph* paragraph = flow->firstParagraph();
        for (const char* text : Paragraphs) {
            if (paragraph->wordCount() > 0 && paragraph->lastWord()->length() > 0) {
                auto next = std::make_unique<TextParagraph>();
                next->setParagraphStyle(style->copy());
                paragraph = flow->addParagraph(std::move(next));
            }
            std::string words(text);
            for (std::size_t at = 0; at <= words.size();) {
                std::size_t end = std::min(words.find(' ', at), words.size());
                TextWord* word = paragraph->wordCount() == 1 && paragraph->firstWord()->length() == 0
                                     ? paragraph->firstWord()
                                     : paragraph->addWord(std::make_unique<TextWord>());
                word->setText(words.substr(at, end - at).c_str());
                at = end + 1;
            }
            paragraph->setCurrentWord(paragraph->lastWord());
        }
        document->setDispatching(false);
        for (const auto& each : flow->paragraphList()) {
            each->recomputeAllWords();
            each->setDirty(true);
        }
        flow->recomputeAll();
        return document;
    }

    ScrivlyDocument* savedAndOpened()
    {
        ScrivlyDocument* document = typed();
        const std::string file = path("routes.syb");
        if (!document->saveFile(file, false))
            return nullptr;
        if (document->close(nullptr) != nullptr)
            return nullptr;
        return dynamic_cast<ScrivlyDocument*>(delegate_->openFile(file, false));
    }

    static std::string words(const ScrivlyDocument& document)
    {
        std::string text = textOf(document);
        while (text.size() >= 2 && text.compare(text.size() - 2, 2, "\n\n") == 0)
            text.pop_back();
        return text;
    }

    Layout layoutOf(ScrivlyDocument& document) const
    {
        TextFlow* flow = mainColumn(document)->flow();
        flow->completeLayout();
        return ::layoutOf(*flow);
    }

    kit::Font* font_ = nullptr;
};

TEST_F(TextRoutes, EveryRouteLaysTheTextOutAsTypingDoes)
{
    ScrivlyDocument* reference = typed();
    ASSERT_NE(reference, nullptr);
    const Layout expected = layoutOf(*reference);
    ASSERT_FALSE(expected.pieces.empty());
    // The column is hyphenated: words run over line ends, or there would
    // be nothing to compare.
    ASSERT_GE(expected.splitWords, 3);
    const kit::Size column = mainColumn(*reference)->frame().size;

    const struct {
        const char* route;
        std::function<ScrivlyDocument*()> make;
    } routes[] = {
        {"pasted as plain text", [&] { return formatted(pasted(kit::StringPboardType, plainText())); }},
        {"pasted as RTF", [&] { return pasted(kit::RTFPboardType, rtf(nullptr)); }},
        {"an RTF file opened", [&] { return opened("routes.rtf", rtf(reference)); }},
        {"a plain-text file opened", [&] { return formatted(opened("routes.txt", plainText())); }},
        {"a saved document opened", [&] { return savedAndOpened(); }},
        {"words made during an import", [&] { return madeDuringAnImport(); }},
    };
    for (const auto& r : routes) {
        SCOPED_TRACE(r.route);
        ScrivlyDocument* document = r.make();
        ASSERT_NE(document, nullptr);
        // Every word arrived (an empty paragraph at the end aside).
        ASSERT_EQ(words(*document), words(*reference));
        EXPECT_FLOAT_EQ(mainColumn(*document)->frame().size.width, column.width);
        EXPECT_FLOAT_EQ(mainColumn(*document)->frame().size.height, column.height);
        const Layout got = layoutOf(*document);
        EXPECT_EQ(got.splitWords, expected.splitWords);
        for (std::size_t i = 0; i < expected.pieces.size() && i < got.pieces.size(); ++i)
            if (got.pieces[i] != expected.pieces[i]) {
                ADD_FAILURE() << "first difference:\n  typed:  " << expected.pieces[i] << "\n  " << r.route
                              << ": " << got.pieces[i];
                break;
            }
        EXPECT_EQ(got.pieces.size(), expected.pieces.size());
    }
}

} // namespace
