// Text that stands for something: page numbers, the last page's number,
// dates and times, and the markers that call up a header or a footer with a
// column of their own. Each goes in at the caret of the column being edited.

#include "items/TextItem.h"

#include "core/Pasteboard.h"
#include "document/LayoutDocument.h"
#include "foundation/StyleChar.h"
#include "foundation/ZYNTime.h"
#include "items/TimeDateFormatPanel.h"
#include "text/DocumentView.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextSelection.h"
#include "text/TextWordSpecial.h"

#include <ctime>

namespace {

// The inserted word takes the style of the text around the caret.
void takeStyleAtCaret(TextFlow& flow, textPoint at)
{
    if (StyleChar* style = flow.styleCharAt(&at))
        flow.setCharStyle(style->copy());
}

std::tm localNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

} // namespace

TextWordSpecial* TextItem::_insertTextVariable(int type, DocumentView* view)
{
    if (!isEditing() || !flow_)
        return nullptr;
    TextSelection* selection = flow_->textSelection();
    if (selection && !selection->canDelete())
        return nullptr;
    if (selection)
        selection->deleteFromItem(this, false, true);
    TextParagraph* paragraph = flow_->currentParagraph();
    if (!paragraph)
        return nullptr;
    textPoint before{};
    flow_->getCurrentTextPoint(&before);
    textPoint at = before;
    // A marker goes before the word the caret is in, not into it; the caret
    // stays where it was in that word.
    TextWord* inWord = nullptr;
    int offset = 0;
    if ((type == TextWordHeaderMarker || type == TextWordFooterMarker) && before.letter > 0) {
        inWord = paragraph->currentWord();
        if (inWord) {
            offset = inWord->insertPoint();
            inWord->setInsertToStart();
            at.letter = 0;
        }
    }
    takeStyleAtCaret(*flow_, at);
    auto* word = dynamic_cast<TextWordSpecial*>(paragraph->addSpecialWord(type));
    if (!word)
        return nullptr;
    word->setInsertToEnd();
    // Measured with the number it shows here: found only when drawn, it
    // would resize the line (a headline its frame) under the drawing.
    word->computeWordTokenInItem(this);
    paragraph->recompute();
    if (inWord && paragraph->indexOfWord(inWord) >= 0) {
        paragraph->setCurrentWord(inWord);
        inWord->setInsertPoint(offset);
    }
    textPoint after{};
    flow_->getCurrentTextPoint(&after);
    flow_->_finishModifyingInView(view, this, &before, &after, true);
    LayoutDocument* document = view && view->document() ? view->document() : pageDocument();
    if (document)
        document->setEdited(true);
    return word;
}

void TextItem::insertPageNumber(kit::Object*, DocumentView* view) { _insertTextVariable(TextWordPageNumber, view); }

void TextItem::insertLastPageNumber(kit::Object*, DocumentView* view)
{
    _insertTextVariable(TextWordLastPageNumber, view);
}

std::shared_ptr<TextItem> TextItem::newHeaderOrFooterTextItem_(const kit::Rect& frame)
{
    auto column = std::make_shared<TextItem>();
    column->setTextType(1);
    column->setFrame(frame, false);
    return column;
}

TextWordSpecial* TextItem::insertHeader(kit::Object* sender, DocumentView* view)
{
    return insertMarker(TextWordHeaderMarker, sender, view);
}

TextWordSpecial* TextItem::insertFooter(kit::Object* sender, DocumentView* view)
{
    return insertMarker(TextWordFooterMarker, sender, view);
}

TextWordSpecial* TextItem::insertMarker(int type, kit::Object* sender, DocumentView* view)
{
    TextWordSpecial* marker = _insertTextVariable(type, view);
    if (!marker)
        return nullptr;
    LayoutDocument* document = view && view->document() ? view->document() : pageDocument();
    if (!document)
        return marker;
    const bool header = type == TextWordHeaderMarker;
    std::shared_ptr<TextItem> column = newHeaderOrFooterTextItem_(header ? document->headerFrame()
                                                                         : document->footerFrame());
    TextItem* frame = column.get();
    marker->setObjectReference(std::shared_ptr<kit::Object>(std::move(column)));
    if (header)
        document->addHeader(marker);
    else
        document->addFooter(marker);
    frame->setMyMaster(marker);
    int tag = 0;
    if (senderTag(sender, &tag))
        frame->setMasterFlags(tag);
    return marker;
}

void TextItem::_insertDateOrTime(int kind, DocumentView* view)
{
    if (!isEditing() || !flow_)
        return;
    if (TextSelection* selection = flow_->textSelection(); selection && !selection->canDelete())
        return;
    LayoutDocument* document = view && view->document() ? view->document() : pageDocument();
    std::unique_ptr<TimeDateFormatPanel> panel = TimeDateFormatPanel::maker() ? TimeDateFormatPanel::maker()() : nullptr;
    if (!panel)
        return;
    const int answer =
        panel->runForDocument(document, kind == 1 ? TimeDateFormatPanel::Date : TimeDateFormatPanel::Time);
    if (answer == TimeDateFormatPanel::InsertFixed) {
        // Fixed text arrives as plain text in the surrounding style.
        const std::string text = ZYNStrfTime(panel->format(), localNow());
        kit::Pasteboard& pboard = kit::Pasteboard::pasteboardWithUniqueName();
        pboard.declareTypes({kit::StringPboardType}, nullptr);
        pboard.setString(text, kit::StringPboardType);
        paste(pboard, false, view);
        pboard.releaseGlobally();
        if (document)
            document->setEdited(true);
    } else if (answer == TimeDateFormatPanel::InsertUpdating) {
        if (TextSelection* selection = flow_->textSelection())
            selection->deleteFromItem(this, false, true);
        TextParagraph* paragraph = flow_->currentParagraph();
        if (!paragraph)
            return;
        textPoint before{};
        flow_->getCurrentTextPoint(&before);
        takeStyleAtCaret(*flow_, before);
        auto* word = dynamic_cast<TextWordSpecial*>(paragraph->addSpecialWord(kind == 1 ? TextWordDate : TextWordTime));
        if (!word)
            return;
        word->setFormatString(panel->format());
        word->updateTokenString();
        word->setInsertToEnd();
        paragraph->recompute();
        textPoint after{};
        flow_->getCurrentTextPoint(&after);
        flow_->_finishModifyingInView(view, this, &before, &after, true);
        if (document)
            document->setEdited(true);
    }
}

void TextItem::insertDate(kit::Object*, DocumentView* view) { _insertDateOrTime(1, view); }
void TextItem::insertTime(kit::Object*, DocumentView* view) { _insertDateOrTime(0, view); }
