#pragma once

// A flow on the first page of a document, filled from lists of words, with
// the document as the delegate's main document.

#include "HigherLayers.h"
#include "TextTestSupport.h"

#include "text/TextSelection.h"

#include <string>
#include <vector>

class SelectionTest : public TextTest {
protected:
    void SetUp() override
    {
        TextTest::SetUp();
        TextSelection::initialize();
        document_ = std::make_unique<LayoutDocument>(delegate_->preferences());
        document_->setup();
        page_ = document_->addPage(std::make_unique<Page>());
        column_ = std::make_shared<TextItem>();
        column_->setPage(page_);
        column_->setFlow(flow_.get());
        flow_->setFirstTextItem(column_.get());
        delegate_->setMainDocument(document_.get());
    }

    void TearDown() override
    {
        // The column leaves its flow as it goes: the flow must still be there.
        column_.reset();
        flow_.reset();
        TextTest::TearDown();
    }

    // Paragraphs of words ("" an empty word).
    void fill(TextFlow& flow, const std::vector<std::vector<std::string>>& paragraphs)
    {
        while (flow.paragraphCount() < int(paragraphs.size())) {
            TextParagraph* added = flow.addParagraph(std::make_unique<TextParagraph>());
            added->paragraphStyle()->setFont(font_);
        }
        for (std::size_t p = 0; p < paragraphs.size(); ++p) {
            TextParagraph* paragraph = flow.paragraphAtIndex(int(p));
            paragraph->paragraphStyle()->setFont(font_);
            while (paragraph->wordCount() > 0)
                (void)paragraph->removeWord(paragraph->firstWord());
            for (const std::string& text : paragraphs[p]) {
                TextWord* word = paragraph->addWord(std::make_unique<TextWord>());
                word->setText(text.c_str());
                word->computeWithStyle(nullptr);
            }
        }
    }
    void fill(const std::vector<std::vector<std::string>>& paragraphs) { fill(*flow_, paragraphs); }

    // Words joined by " ", paragraphs by "|"; special words as <type>.
    static std::string dump(const TextFlow& flow)
    {
        std::string out;
        for (int p = 0; p < flow.paragraphCount(); ++p) {
            if (p)
                out += "|";
            const TextParagraph* paragraph = flow.paragraphAtIndex(p);
            for (int w = 0; w < paragraph->wordCount(); ++w) {
                if (w)
                    out += " ";
                const TextWord* word = paragraph->wordAtIndex(w);
                out += word->isSpecial() ? "<" + std::to_string(word->wordType()) + ">" : std::string(word->text());
            }
        }
        return out;
    }
    std::string dump() const { return dump(*flow_); }

    // Makes the flow's selection and answers it.
    TextSelection* select(textPoint a, textPoint b, int type = SelectionChar, TextFlow* flow = nullptr)
    {
        flow = flow ? flow : flow_.get();
        auto selection = std::make_unique<TextSelection>();
        selection->selectBetween(&a, &b, flow, type, false);
        TextSelection* raw = selection.get();
        flow->setTextSelection(std::move(selection));
        return raw;
    }

    void caretAt(textPoint point, TextFlow* flow = nullptr) { (flow ? flow : flow_.get())->setCurrentPoint(&point); }

    std::unique_ptr<LayoutDocument> document_;
    Page* page_ = nullptr;
    std::shared_ptr<TextItem> column_;
};
