#pragma once

// Documents made in code for the tests, benchmarks and fuzz seeds of the
// document file: pages whose automatic master column copies carry one flow
// of paragraphs in Times 12 (a chain of columns over every page), a named
// paragraph style the text is based on, a named graphic style on a box,
// master and page guides, a header and a footer, and a table.

#include "document/Guide.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "foundation/Preferences.h"
#include "foundation/StyleChar.h"
#include "foundation/StyleGraphicNamed.h"
#include "foundation/StyleInfo.h"
#include "foundation/StyleParagraph.h"
#include "foundation/StyleParagraphNamed.h"
#include "graphics/Font.h"
#include "items/ItemBox.h"
#include "items/TextItem.h"
#include "text/TableDefinition.h"
#include "text/TableParagraph.h"
#include "text/TableRow.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextWord.h"
#include "text/TextWordSpecial.h"

#include <memory>
#include <random>
#include <string>

namespace sample {

inline TextItem* firstColumnOn(const Page* page)
{
    for (const auto& item : page->pageItems())
        if (auto* column = dynamic_cast<TextItem*>(item.get()))
            return column;
    return nullptr;
}

// A marker word at the start of the paragraph, holding a new header or
// footer frame with a line of text.
inline TextWordSpecial* addMarker(LayoutDocument& document, TextParagraph* paragraph, int type, const char* text,
                                  kit::Font* font)
{
    auto* marker = static_cast<TextWordSpecial*>(paragraph->insertWord(std::make_unique<TextWordSpecial>(type), 0));
    const bool header = type == TextWordHeaderMarker;
    std::shared_ptr<TextItem> frame =
        TextItem::newHeaderOrFooterTextItem_(header ? document.headerFrame() : document.footerFrame());
    TextItem* raw = frame.get();
    raw->flow()->firstParagraph()->paragraphStyle()->setFont(font);
    raw->flow()->firstParagraph()->addWord(std::make_unique<TextWord>(text, font));
    marker->setObjectReference(std::shared_ptr<kit::Object>(std::move(frame)));
    if (header)
        document.addHeader(marker);
    else
        document.addFooter(marker);
    raw->setMyMaster(marker);
    raw->setMasterFlags(3);
    return marker;
}

// words: how many words of running text (0: a few paragraphs), in Times
// of the size. The pages are laid out: the layout adds pages as the text
// grows.
inline std::unique_ptr<LayoutDocument> make(const Preferences* preferences, int words = 0, bool extras = true,
                                            float size = 12)
{
    kit::Font* font = kit::Font::fontWithName("Times-Roman", size);
    auto document = std::make_unique<LayoutDocument>(preferences);
    document->setPageSize(kit::makeSize(612, 792));
    document->setFirstPageNum(1);
    document->setMasterPage(std::make_unique<Page>());
    document->setHeaderFrame(LayoutDocument::defaultHeaderFrame());
    document->setFooterFrame(LayoutDocument::defaultFooterFrame());
    auto master = std::make_unique<TextItem>();
    master->setFrame(kit::makeRect(72, 72, 468, 648), false);
    master->setTextType(1);
    master->setAutoFlowText(true);
    master->setMasterFlags(3);
    document->addMasterItem(std::move(master));
    document->addPages(1, 0);
    document->setup();

    TextFlow* flow = firstColumnOn(document->pageAt(0))->flow();
    StyleInfo* sheet = document->styleInfo();
    auto body = std::make_unique<StyleParagraphNamed>();
    body->setStyleName(std::string("Body"));
    body->setFont(font);
    body->setAlignment(3);
    sheet->addStyle(std::move(body), sheet->paragraphStyles());
    auto* bodyStyle =
        dynamic_cast<StyleParagraph*>(sheet->styleWithName(std::string("Body"), sheet->paragraphStyles()));
    flow->firstParagraph()->paragraphStyle()->setFont(font);
    flow->firstParagraph()->paragraphStyle()->setBasedOnStyle(bodyStyle);
    auto typing = std::make_unique<StyleChar>();
    typing->setFont(font);
    flow->setCharStyle(std::move(typing));

    const char* vocabulary[] = {"the", "measuring", "of", "paragraphs", "through", "columns", "and", "pages",
                                "justified", "hyphenation", "typesetting", "a", "word", "processor",
                                "international", "responsibility", "in", "layout", "with", "breaking"};
    std::mt19937 random(12345);
    const int total = words > 0 ? words : 600;
    int written = 0;
    document->setDispatching(true);
    while (written < total) {
        const int count = 20 + int(random() % 181);
        TextParagraph* paragraph = flow->currentParagraph();
        for (int i = 0; i < count; ++i)
            paragraph->addWord(std::make_unique<TextWord>(vocabulary[random() % 20]));
        written += count;
        if (written < total)
            flow->currentParagraph()->breakAtPoint(paragraph->wordCount() - 1, false);
        paragraph->setCurrentWord(paragraph->lastWord());
    }
    document->setDispatching(false);

    if (extras) {
        addMarker(*document, flow->firstParagraph(), TextWordHeaderMarker, "Header", font);
        addMarker(*document, flow->firstParagraph(), TextWordFooterMarker, "Footer", font);
        // A table of two rows and two columns after the first paragraph.
        auto owned = std::make_unique<TableDefinition>();
        owned->setMargins({{0.0f, 200.0f}, {220.0f, 460.0f}});
        TableDefinition* table = flow->addTable(std::move(owned));
        int at = 1;
        for (int r = 0; r < 2; ++r) {
            TableRow* row = table->addRow();
            row->setColumnCount(2);
            for (int c = 0; c < 2; ++c) {
                auto cell = std::make_unique<TableParagraph>(table, r, c);
                cell->paragraphStyle()->setFont(font);
                cell->addWord(std::make_unique<TextWord>(("cell" + std::to_string(r) + std::to_string(c)).c_str()));
                flow->insertParagraph(std::move(cell), at++);
            }
        }
        document->addMasterGuide(std::make_unique<Guide>(72.0f, Guide::Vertical));
        document->pageAt(0)->addGuide(std::make_unique<Guide>(144.0f, Guide::Horizontal));
        auto frame = std::make_unique<StyleGraphicNamed>();
        frame->setStyleName(std::string("Frame"));
        sheet->addStyle(std::move(frame), sheet->graphicStyles());
        auto box = std::make_unique<ItemBox>();
        box->setFrame(kit::makeRect(300, 700, 100, 50), false);
        box->setGraphicStyle(
            dynamic_cast<StyleGraphic*>(sheet->styleWithName(std::string("Frame"), sheet->graphicStyles())));
        document->pageAt(0)->addItems(std::move(box));
    }
    for (const auto& paragraph : flow->paragraphList())
        paragraph->recomputeAllWords();
    flow->recomputeAll();
    for (TextFlow* other : document->flows())
        if (other != flow) {
            for (const auto& paragraph : other->paragraphList())
                paragraph->recomputeAllWords();
            other->recomputeAll();
        }
    document->setEdited(false);
    return document;
}

} // namespace sample
