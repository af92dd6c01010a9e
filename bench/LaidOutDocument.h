#pragma once

#include "TextBenchSetting.h"

#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "items/TextItem.h"
#include "text/TextWordSpecial.h"

#include <memory>
#include <random>
#include <string>
#include <vector>

// About 200,000 words of running text in paragraphs of 20 to 200 words, Times
// 12, justified, hyphenated, through one chain of columns on Letter pages.
// The chain is made beforehand on 500 pages (pages are not yet added by the
// columns themselves); the layout empties the columns it does not reach.

struct LaidOutDocument : TextBenchSetting {
    LaidOutDocument() : TextBenchSetting("bench-layout")
    {
        document = std::make_unique<LayoutDocument>(delegate->preferences());
        for (int i = 0; i < Pages; ++i) {
            Page* page = document->addPage(std::make_unique<Page>());
            auto column = std::make_unique<TextItem>();
            column->setFrame(kit::makeRect(72, 72, 468, 648), false);
            column->setFlow(flow.get());
            TextItem* raw = column.get();
            page->addItems(std::move(column), false);
            if (!columns.empty()) {
                columns.back()->setNextColumn(raw);
                raw->setPrevColumn(columns.back());
            }
            columns.push_back(raw);
        }
        flow->setFirstTextItem(columns.front());
        StyleParagraph* style = flow->firstParagraph()->paragraphStyle();
        style->setAlignment(3);
        style->setHyphenate(true);

        // Words arrive as from a file: stored, not measured.
        LayoutDocument::setDispatching(true);
        const char* vocabulary[] = {"the", "measuring", "of", "paragraphs", "through", "columns", "and", "pages",
                                    "justified", "hyphenation", "typesetting", "a", "word", "processor",
                                    "international", "responsibility", "in", "layout", "with", "breaking"};
        std::mt19937 random(12345);
        int words = 0;
        while (words < Words) {
            const int count = 20 + int(random() % 181);
            TextParagraph* paragraph = flow->currentParagraph();
            for (int i = 0; i < count; ++i) {
                auto word = std::make_unique<TextWord>();
                TextWord* added = paragraph->addWord(std::move(word));
                added->setText(vocabulary[random() % 20]);
            }
            words += count;
            if (words < Words)
                flow->currentParagraph()->breakAtPoint(paragraph->wordCount() - 1, false);
            paragraph->setCurrentWord(paragraph->lastWord());
        }
        LayoutDocument::setDispatching(false);
    }

    void measureAll()
    {
        for (const auto& paragraph : flow->paragraphList())
            paragraph->recomputeAllWords();
    }

    static constexpr int Pages = 500;
    static constexpr int Words = 200000;
    std::unique_ptr<LayoutDocument> document;
    std::vector<TextItem*> columns;
};

inline LaidOutDocument& laidOut()
{
    static LaidOutDocument doc;
    static bool ready = false;
    if (!ready) {
        doc.measureAll();
        doc.flow->recomputeAll();
        ready = true;
    }
    return doc;
}
