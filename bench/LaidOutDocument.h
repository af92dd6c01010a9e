#pragma once

#include "BenchText.h"
#include "TextBenchSetting.h"

#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "items/TextItem.h"
#include "text/TextWordSpecial.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

// A new document of one Letter page whose column, a copy of an automatic
// master column, holds one empty paragraph set justified and hyphenated.
struct BenchDocument : TextBenchSetting {
    explicit BenchDocument(const char* folderName) : TextBenchSetting(folderName) {}

    void makeDocument()
    {
        document = std::make_unique<LayoutDocument>(delegate->preferences());
        document->setPageSize(kit::makeSize(612, 792));
        document->setFirstPageNum(1);
        document->setMasterPage(std::make_unique<Page>());
        auto master = std::make_unique<TextItem>();
        master->setFrame(kit::makeRect(72, 72, 468, 648), false);
        // Ordinary column text, as a column drawn by the user is.
        master->setTextType(1);
        master->setAutoFlowText(true);
        master->setMasterFlags(3);
        document->addMasterItem(std::move(master));
        document->addPages(1, 0);
        first = nullptr;
        for (const auto& item : document->pageAt(0)->pageItems())
            if (!first)
                first = dynamic_cast<TextItem*>(item.get());
        text = first->flow();
        StyleParagraph* style = text->firstParagraph()->paragraphStyle();
        style->setFont(font);
        style->setAlignment(3);
        style->setHyphenate(true);
        auto typing = std::make_unique<StyleChar>();
        typing->setFont(font);
        text->setCharStyle(std::move(typing));
    }

    // The columns that show text, one per page, in page order.
    std::vector<TextItem*> shownColumns() const
    {
        std::vector<TextItem*> shown;
        for (const auto& page : document->pages())
            for (const auto& item : page->pageItems())
                if (auto* column = dynamic_cast<TextItem*>(item.get()); column && column->startParagraph() >= 0)
                    shown.push_back(column);
        return shown;
    }

    // What a laid-out flow shows: its words and the lines that end inside
    // a word.
    struct Shown {
        long words = 0;
        long splitWords = 0; // hyphenated line ends
    };
    static Shown shown(const TextFlow& flow)
    {
        Shown s;
        for (const auto& paragraph : flow.paragraphList())
            for (const auto& word : paragraph->wordList())
                if (!word->isSpecial() && word->length() > 0) {
                    ++s.words;
                    s.splitWords += word->numWordPieces() - 1;
                }
        return s;
    }

    // A justified, hyphenated text of this length that splits no word over
    // a line end is not hyphenated, whatever its style says; a benchmark of
    // it would measure something else. Every word must have arrived, too.
    static Shown checkHyphenated(const TextFlow& flow, long words, const char* what)
    {
        const Shown s = shown(flow);
        auto fail = [what](const std::string& why) {
            std::fprintf(stderr, "%s: %s\n", what, why.c_str());
            std::abort();
        };
        if (s.words != words)
            fail(std::to_string(s.words) + " words laid out, not " + std::to_string(words));
        if (s.splitWords == 0)
            fail("no word is split across lines: the text is not hyphenated");
        return s;
    }

    std::unique_ptr<LayoutDocument> document;
    TextItem* first = nullptr;
    TextFlow* text = nullptr;
};

// About 200,000 words of running text in paragraphs of 20 to 200 words, Times
// 12, justified, hyphenated, through the copies of an automatic master column
// on Letter pages: the layout adds the pages as the text grows.

struct LaidOutDocument : BenchDocument {
    LaidOutDocument() : BenchDocument("bench-layout") { build(); }

    // The document with the words in its column, unmeasured as after
    // reading a file.
    void build()
    {
        makeDocument();
        const StyleParagraph* style = text->firstParagraph()->paragraphStyle();

        // Every paragraph is a paragraph of its own style (a copy, as Return
        // makes one) whose first word is the first word of its text. A word
        // joins its paragraph before it takes its text: the import into the
        // document holds back the measuring of the document's words only.
        document->setDispatching(true);
        TextParagraph* paragraph = text->firstParagraph();
        for (const auto& words : benchtext::paragraphs(Words)) {
            if (paragraph->wordCount() > 0) {
                auto next = std::make_unique<TextParagraph>();
                next->setParagraphStyle(style->copy());
                paragraph = text->addParagraph(std::move(next));
            }
            for (const char* word : words)
                paragraph->addWord(std::make_unique<TextWord>())->setText(word);
            paragraph->setCurrentWord(paragraph->lastWord());
        }
        document->setDispatching(false);
        text->setCurrentParagraph(text->lastParagraph(), false);
        checkBuilt();
    }

    // The set-up is what it says: each paragraph justified and hyphenated
    // in Times 12, starting with a word of the text. A benchmark of
    // something else would measure nothing useful, so a wrong set-up stops.
    void checkBuilt() const
    {
        const std::vector<std::vector<const char*>> expected = benchtext::paragraphs(Words);
        auto fail = [](const std::string& why) {
            std::fprintf(stderr, "LaidOutDocument: %s\n", why.c_str());
            std::abort();
        };
        if (text->paragraphCount() != int(expected.size()))
            fail(std::to_string(text->paragraphCount()) + " paragraphs, not " + std::to_string(expected.size()));
        for (int p = 0; p < text->paragraphCount(); ++p) {
            const TextParagraph* paragraph = text->paragraphAtIndex(p);
            const StyleParagraph* style = paragraph->paragraphStyle();
            const std::string where = "paragraph " + std::to_string(p);
            if (style->alignment() != 3 || !style->hyphenate() || style->font() != font)
                fail(where + " is not justified and hyphenated in Times 12");
            const std::vector<const char*>& words = expected[std::size_t(p)];
            if (paragraph->wordCount() != int(words.size()) || !paragraph->firstWord() ||
                std::string(paragraph->firstWord()->text()) != words.front())
                fail(where + " does not hold its words, first word first");
        }
    }

    // Laid out, the text is hyphenated as it asks: words run over line ends.
    Shown checkLaidOut() const { return checkHyphenated(*text, totalWords(), "LaidOutDocument"); }

    static long totalWords()
    {
        long n = 0;
        for (const auto& paragraph : benchtext::paragraphs(Words))
            n += long(paragraph.size());
        return n;
    }

    void measureAll()
    {
        for (const auto& paragraph : text->paragraphList())
            paragraph->recomputeAllWords();
    }

    static constexpr int Words = 200000;
};

inline LaidOutDocument& laidOut()
{
    static LaidOutDocument doc;
    static bool ready = false;
    if (!ready) {
        doc.measureAll();
        doc.text->recomputeAll();
        doc.checkLaidOut();
        ready = true;
    }
    return doc;
}
