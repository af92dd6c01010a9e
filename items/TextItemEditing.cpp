// Editing a column in a page view: opening and closing editing, and the text
// commands the view forwards while the column is being edited.

#include "items/TextItem.h"

#include "appkit/Cursor.h"
#include "appkit/View.h"
#include "appkit/Window.h"
#include "core/Alert.h"
#include "core/Pasteboard.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "document/Undo.h"
#include "document/UndoInfo.h"
#include "graphics/Font.h"
#include "text/DocumentView.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextSelection.h"
#include "text/TextWord.h"

#include <cstdio>

namespace {

// Text key codes of the movements killing runs to.
constexpr std::uint16_t EndOfLineKey = 0xF72B;
constexpr std::uint16_t EndOfParagraphKey = 0xF7ED;

// A headline is empty when its first paragraph holds no text at all.
bool isEmptied(const TextFlow* flow)
{
    const TextParagraph* first = flow ? flow->firstParagraph() : nullptr;
    if (!first || first->wordCount() == 0)
        return true;
    return first->wordCount() == 1 && first->firstWord()->length() == 0;
}

} // namespace

bool TextItem::senderTag(const kit::Object* sender, int* tag)
{
    if (auto* command = dynamic_cast<const CommandSender*>(sender)) {
        *tag = command->tag();
        return true;
    }
    if (auto* view = dynamic_cast<const kit::View*>(sender)) {
        *tag = view->tag();
        return true;
    }
    return false;
}

TextItem::PanelCommandHook& TextItem::panelCommandHook()
{
    static PanelCommandHook hook;
    return hook;
}

bool TextItem::editingOrBeep() const
{
    if (isEditing() && flow_)
        return true;
    kit::beep();
    return false;
}

// ---- Opening and closing.

void TextItem::beginEditing(const kit::Event* event, DocumentView* view)
{
    if (!view || !flow_)
        return;
    view->notifyItemIsEditing(this);
    editPageView_ = view;
    itFlags_.editing = 1;
    kit::Cursor::setHiddenUntilMouseMoves(true);
    if (event) {
        flow_->mouseHandle(*event, view, this);
        return;
    }
    flow_->scrollCurrentWordToVisible(this, view);
    textPoint caret{};
    flow_->getCurrentTextPoint(&caret);
    view->moveCursorToTextPoint(&caret, this, false);
}

void TextItem::continueEditing(const kit::Event* event, DocumentView* view)
{
    if (!view || view != editPageView_) {
        beginEditing(event, view);
        return;
    }
    kit::Cursor::setHiddenUntilMouseMoves(true);
    if (event && flow_)
        flow_->mouseHandle(*event, view, this);
}

void TextItem::transferEditingInView(DocumentView* view)
{
    if (view)
        view->eraseTextCursor();
    // Shown as selected until now (with the continuation marker): that area
    // joins the next redisplay, which the caller's change of selection sends.
    if (LayoutDocument* document = pageDocument())
        document->invalidate(view, {this});
    itFlags_.editing = 0;
    Item::deselect();
    editPageView_ = nullptr;
}

void TextItem::finishEditingInView(DocumentView* view)
{
    transferEditingInView(view);
    if (flow_)
        flow_->removeSelectionInViews(view);
    kit::Window* window = view ? view->window() : nullptr;
    Page* onPage = page();
    if (isDisplay() && isEmptied(flow_.get()) && onPage) {
        // An emptied headline goes; undo brings it back. The record holds
        // the column from here on, so nothing of it is touched afterwards.
        LayoutDocument* document = onPage->document();
        auto record = std::make_unique<Undo>(std::vector<Item*>{this}, onPage, Undo::ItemsRemoved);
        std::vector<int> places;
        const auto& list = onPage->editedItemList();
        for (std::size_t i = 0; i < list.size(); ++i)
            if (list[i].get() == this)
                places.push_back(static_cast<int>(i));
        record->hold(onPage->removeItems({this}), std::move(places));
        if (document && document->undoInfo())
            document->undoInfo()->push(std::move(record));
        if (view)
            view->notifyUpdateForRect({});
    }
    if (window)
        window->flushWindow();
}

// ---- Commands handed to the flow.

template <class F>
void TextItem::whileEditing(DocumentView* view, F&& command)
{
    if (!isEditing() || !flow_)
        return;
    command(*flow_);
    redrawQuickInView(view);
}

void TextItem::changeCase(kit::Object* sender, DocumentView* view)
{
    TextSelection* selection = flow_ ? flow_->textSelection() : nullptr;
    if (!isEditing() || !selection) {
        kit::beep();
        return;
    }
    int tag = 0;
    senderTag(sender, &tag);
    selection->changeCaseWithTag(tag);
    redrawQuickInView(view);
}

void TextItem::changeFont(kit::Object* sender, DocumentView* view)
{
    if (!editingOrBeep())
        return;
    flow_->changeFont(sender, this);
    redrawQuickInView(view);
}

void TextItem::changeFontAttribute(kit::Object* sender, DocumentView* view)
{
    // The attribute is the menu item's tag; a sender without one does nothing.
    int tag = 0;
    if (editingOrBeep() && senderTag(sender, &tag))
        whileEditing(view, [&](TextFlow& flow) { flow.changeFontAttribute(static_cast<unsigned short>(tag), this); });
}

void TextItem::changeKerning(kit::Object* sender, DocumentView* view)
{
    int tag = 0;
    if (editingOrBeep() && senderTag(sender, &tag))
        whileEditing(view, [&](TextFlow& flow) { flow.changeKerning(tag, this); });
}


void TextItem::setFont(kit::Font* font, DocumentView* view)
{
    whileEditing(view, [&](TextFlow& flow) { flow.setFont(font, this); });
}

void TextItem::setParagraphDefaultFont(kit::Font* font, DocumentView* view)
{
    whileEditing(view, [&](TextFlow& flow) { flow.setParagraphDefaultFont(font, this); });
}

void TextItem::subscript(kit::Object* sender, DocumentView* view)
{
    (void)sender;
    whileEditing(view, [&](TextFlow& flow) { flow.subscript(this); });
}

void TextItem::superscript(kit::Object* sender, DocumentView* view)
{
    (void)sender;
    whileEditing(view, [&](TextFlow& flow) { flow.superscript(this); });
}

void TextItem::unscript(kit::Object* sender, DocumentView* view)
{
    (void)sender;
    whileEditing(view, [&](TextFlow& flow) { flow.unscript(this); });
}

void TextItem::setMenuFontSize(kit::Object* sender, DocumentView* view)
{
    TextSelection* selection = flow_ ? flow_->textSelection() : nullptr;
    if (!isEditing() || !selection) {
        kit::beep();
        return;
    }
    auto* command = dynamic_cast<CommandSender*>(sender);
    float size = 0;
    // A title that is not a number changes nothing.
    if (!command || std::sscanf(command->title().c_str(), "%f", &size) != 1 || size == 0)
        return;
    selection->setFontSize(size, this);
    redrawQuickInView(view);
}

// ---- Commands handed to panels.

void TextItem::forwardToPanel(const char* command, kit::Object* sender)
{
    if (!editingOrBeep())
        return;
    if (panelCommandHook())
        panelCommandHook()(command, sender, flow_->textSelection());
}

void TextItem::setMenuAlign(kit::Object* sender, DocumentView*) { forwardToPanel("setAlignmentFromMenu:", sender); }
void TextItem::setMenuLeading(kit::Object* sender, DocumentView*) { forwardToPanel("setLeadingFromMenu:", sender); }
void TextItem::hangingIndentExpand(kit::Object* sender, DocumentView*) { forwardToPanel("hangingIndentExpand:", sender); }
void TextItem::hangingIndentReduce(kit::Object* sender, DocumentView*) { forwardToPanel("hangingIndentReduce:", sender); }
void TextItem::indentLeftIn(kit::Object* sender, DocumentView*) { forwardToPanel("indentLeftIn:", sender); }
void TextItem::indentLeftOut(kit::Object* sender, DocumentView*) { forwardToPanel("indentLeftOut:", sender); }
void TextItem::indentRightIn(kit::Object* sender, DocumentView*) { forwardToPanel("indentRightIn:", sender); }
void TextItem::indentRightOut(kit::Object* sender, DocumentView*) { forwardToPanel("indentRightOut:", sender); }

void TextItem::findEnterSelection(kit::Object* sender, DocumentView*)
{
    // The find panel takes the selection whether or not the column is edited.
    TextSelection* selection = flow_ ? flow_->textSelection() : nullptr;
    if (selection && panelCommandHook())
        panelCommandHook()("enterSelection:", sender, selection);
}

// ---- The pasteboard and deleting.

void TextItem::copy(kit::Object*, DocumentView* view) { copyToPasteboard(kit::Pasteboard::generalPasteboard(), view); }

void TextItem::copyToPasteboard(kit::Pasteboard& pboard, DocumentView*)
{
    TextSelection* selection = flow_ ? flow_->textSelection() : nullptr;
    if (!isEditing() || !selection) {
        kit::beep();
        return;
    }
    selection->copyToPasteboard(pboard);
}

void TextItem::cut(kit::Object*, DocumentView* view) { cutToPasteboard(kit::Pasteboard::generalPasteboard(), view); }

void TextItem::cutToPasteboard(kit::Pasteboard& pboard, DocumentView* view)
{
    TextSelection* selection = flow_ ? flow_->textSelection() : nullptr;
    if (!isEditing() || !selection || !selection->canDelete()) {
        kit::beep();
        return;
    }
    const textPoint start = selection->start();
    const textPoint end = selection->end();
    TextItem* startColumn = flow_->item(this, &start);
    TextItem* endColumn = flow_->item(this, &end);
    selection->copyToPasteboard(pboard);
    // The text is on the pasteboard: it is not also kept for undelete.
    selection->deleteFromItem(startColumn ? startColumn : this, true, false);
    textPoint caret{};
    flow_->getCurrentTextPoint(&caret);
    flow_->_finishModifyingInView(view, endColumn ? endColumn : this, &caret, &caret, true);
}

void TextItem::delete_(kit::Object*, DocumentView* view)
{
    TextSelection* selection = flow_ ? flow_->textSelection() : nullptr;
    if (!isEditing() || !selection || !selection->canDelete()) {
        kit::beep();
        return;
    }
    const textPoint start = selection->start();
    const textPoint end = selection->end();
    TextItem* startColumn = flow_->item(this, &start);
    TextItem* endColumn = flow_->item(this, &end);
    selection->deleteFromItem(startColumn ? startColumn : this, !disableRedraw, true);
    textPoint caret{};
    flow_->getCurrentTextPoint(&caret);
    flow_->_finishModifyingInView(view, endColumn ? endColumn : this, &caret, &caret, true);
}

void TextItem::undelete(kit::Object*, DocumentView* view)
{
    if (!editingOrBeep())
        return;
    if (TextSelection* selection = flow_->textSelection()) {
        if (!selection->canDelete()) {
            kit::beep();
            return;
        }
        const textPoint start = selection->start();
        TextItem* startColumn = flow_->item(this, &start);
        selection->deleteFromItem(startColumn ? startColumn : this, true, false);
    }
    paste(kit::Pasteboard::pasteboardWithName(ZYN_PRIVATEKILL), false, view);
    redrawQuickInView(view);
}

void TextItem::killToEOL(kit::Object* sender, DocumentView* view) { _killTo(sender, view, EndOfLineKey); }
void TextItem::killToEOP(kit::Object* sender, DocumentView* view) { _killTo(sender, view, EndOfParagraphKey); }

void TextItem::_killTo(kit::Object* sender, DocumentView* view, std::uint16_t extent)
{
    if (!editingOrBeep())
        return;
    textPoint a{}, b{};
    if (TextSelection* selection = flow_->textSelection()) {
        a = selection->start();
        b = selection->end();
    } else {
        flow_->getCurrentTextPoint(&a);
        b = a;
    }
    flow_->getNewTextPoint(&b, extent, this);
    // At a paragraph's end the kill takes the break: the next paragraph joins.
    const TextParagraph* paragraph = flow_->paragraphAtIndex(a.paragraph);
    const bool atEnd = paragraph && paragraph->isLastPoint(&a);
    if (EqualTextPoints(&a, &b) && !atEnd) {
        // Nothing to kill: the selection stays, as it shows.
        kit::beep();
        return;
    }
    flow_->selectBetween(&a, &b, atEnd);
    cut(sender, view);
}

void TextItem::insertPageBreak(kit::Object*, DocumentView* view)
{
    if (!editingOrBeep())
        return;
    if (TextSelection* selection = flow_->textSelection()) {
        if (!selection->canDelete())
            return;
        selection->deleteFromItem(this, false, true);
    }
    textPoint before{};
    flow_->getCurrentTextPoint(&before);
    TextParagraph* paragraph = flow_->currentParagraph();
    if (!paragraph)
        return;
    paragraph->addSpecialWord(203);
    paragraph->addByte(10);
    paragraph->recompute();
    textPoint after{};
    flow_->getCurrentTextPoint(&after);
    flow_->_finishModifyingInView(view, this, &before, &after, true);
}

void TextItem::selectAll(kit::Object*, DocumentView* view)
{
    if (!isEditing() || !flow_)
        return;
    flow_->selectAll(this, view);
    if (LayoutDocument* document = view ? view->document() : pageDocument()) {
        std::vector<kit::Object*> items{this};
        document->notifyUpdate(view, &items);
    }
}

void TextItem::jumpToSelection(kit::Object*, DocumentView* view)
{
    if (isEditing() && flow_)
        flow_->scrollCurrentWordToVisible(this, view);
}
