#pragma once

// Columns of one flow, each on a new page of the document, linked in order:
// what the layout and drawing tests lay text into.

#include "HigherLayers.h"

#include "text/TextFlow.h"
#include "text/TextParagraph.h"

#include <memory>
#include <vector>

// Appends count columns of the size given to the chain in columns (which may
// already hold some) and makes its first column the flow's.
inline void appendColumnChain(LayoutDocument& document, TextFlow& flow, std::vector<TextItem*>& columns, int count,
                              float width, float height)
{
    for (int i = 0; i < count; ++i) {
        Page* page = document.addPage(std::make_unique<Page>());
        auto column = std::make_unique<TextItem>();
        column->setFrame(kit::makeRect(0, 0, width, height), false);
        column->setFlow(&flow);
        TextItem* raw = column.get();
        page->addItems(std::move(column), false);
        if (!columns.empty()) {
            columns.back()->setNextColumn(raw);
            raw->setPrevColumn(columns.back());
        }
        columns.push_back(raw);
    }
    if (!columns.empty())
        flow.setFirstTextItem(columns.front());
}

// Types the text at the caret: spaces part words, tabs make tab words, line
// feeds start paragraphs.
inline void typeInto(TextFlow& flow, const char* text)
{
    for (const char* c = text; *c; ++c)
        flow.currentParagraph()->addByte(static_cast<unsigned char>(*c));
}
