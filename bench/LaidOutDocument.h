#pragma once

#include "TextBenchSetting.h"

#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "items/TextItem.h"
#include "text/TextWordSpecial.h"

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

// About 200,000 words of running text in paragraphs of 20 to 200 words, Times
// 12, justified, hyphenated, through the copies of an automatic master column
// on Letter pages: the layout adds the pages as the text grows.

struct LaidOutDocument : TextBenchSetting {
    LaidOutDocument() : TextBenchSetting("bench-layout") { build(); }

    // A document of one page whose column holds the words, unmeasured as
    // after reading a file.
    void build()
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

        document->setDispatching(true);
        const char* vocabulary[] = {"the", "measuring", "of", "paragraphs", "through", "columns", "and", "pages",
                                    "justified", "hyphenation", "typesetting", "a", "word", "processor",
                                    "international", "responsibility", "in", "layout", "with", "breaking"};
        std::mt19937 random(12345);
        int words = 0;
        while (words < Words) {
            const int count = 20 + int(random() % 181);
            TextParagraph* paragraph = text->currentParagraph();
            for (int i = 0; i < count; ++i) {
                TextWord* added = paragraph->addWord(std::make_unique<TextWord>());
                added->setText(vocabulary[random() % 20]);
            }
            words += count;
            if (words < Words)
                text->currentParagraph()->breakAtPoint(paragraph->wordCount() - 1, false);
            paragraph->setCurrentWord(paragraph->lastWord());
        }
        document->setDispatching(false);
    }

    void measureAll()
    {
        for (const auto& paragraph : text->paragraphList())
            paragraph->recomputeAllWords();
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

    static constexpr int Words = 200000;
    std::unique_ptr<LayoutDocument> document;
    TextItem* first = nullptr;
    TextFlow* text = nullptr;
};

inline LaidOutDocument& laidOut()
{
    static LaidOutDocument doc;
    static bool ready = false;
    if (!ready) {
        doc.measureAll();
        doc.text->recomputeAll();
        ready = true;
    }
    return doc;
}
