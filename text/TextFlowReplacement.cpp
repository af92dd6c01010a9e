#include "text/TextFlow.h"

#include "text/TextDocument.h"
#include "text/TextParagraph.h"
#include "text/TextReplacement.h"
#include "text/TextSelection.h"

void TextFlow::setReplacement(std::unique_ptr<TextReplacement> record) { replacement_ = std::move(record); }

bool TextFlow::undoReplacement(DocumentView* view)
{
    if (!replacement_)
        return false;
    if (!replacement_->isValid()) {
        // Edited since: the kept paragraphs no longer fit the text.
        replacement_.reset();
        return false;
    }
    removeSelectionInViews(view);
    TextDocument* doc = document();
    const int first = replacement_->restore(doc);
    replacement_.reset();
    if (first < 0)
        return false;
    if (TextParagraph* paragraph = paragraphAtIndex(first)) {
        setCurrentParagraph(paragraph, false);
        paragraph->setInsertToStart();
    }
    recomputeAutonumberingFrom(first);
    completeLayout();
    markDocumentEdited();
    if (doc)
        doc->notifyUpdate(view, static_cast<const std::vector<kit::Object*>*>(nullptr));
    return true;
}
