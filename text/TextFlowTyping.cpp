#include "text/TextFlow.h"

#include "foundation/ApplicationDelegate.h"
#include "foundation/FontAccessoryValues.h"
#include "foundation/Preferences.h"
#include "foundation/SelectionPanel.h"
#include "foundation/StyleChar.h"
#include "foundation/StyleParagraph.h"
#include "graphics/Font.h"
#include "graphics/FontManager.h"
#include "items/TextItem.h"
#include "text/DocumentView.h"
#include "text/ParagraphPanel.h"
#include "text/TextDocument.h"
#include "text/TextPanels.h"
#include "text/TextParagraph.h"
#include "text/TextSelection.h"
#include "text/TextWord.h"

namespace {
// The info bar of the window of the document's main view.
InfoBarDisplay* mainInfoBar(const TextFlow& flow)
{
    TextDocument* document = flow.document();
    DocumentView* view = document ? document->mainView() : nullptr;
    return view ? view->infoBarDisplay() : nullptr;
}
} // namespace

namespace {
// The column's editing mark; commands leave the text alone while it is off.
bool editing(const TextItem* column) { return column && column->itFlags().editing; }

// The tracking step the preferences give for the modifier keys held.
constexpr int TrackingIncrementKind = 51;
} // namespace

void TextFlow::markDocumentEdited() const
{
    if (TextDocument* document = this->document())
        document->setEdited(true);
}

bool TextFlow::isDispatching() const
{
    const TextDocument* document = this->document();
    return document && document->isDispatching();
}

bool TextFlow::importGate() const
{
    const TextDocument* document = this->document();
    return document && document->isDispatching() && !document->isDispatchingSuspended();
}

// ---- The typing style.

kit::Font* TextFlow::font() const { return charStyle()->font(); }

kit::ColorRef TextFlow::color() const { return charStyle()->color(); }

void TextFlow::setCurrentFont(kit::Font* font) { charStyle()->setFont(font); }

void TextFlow::setSingleSymbol(bool flag) { charStyle()->setSingleSymbol(flag); }

// ---- Commands.

void TextFlow::changeFont(kit::Object* sender, TextItem* column)
{
    if (editing(column)) {
        if (textSelection_) {
            textSelection_->changeFont(sender, column);
            updateFontPanel(column);
        } else if (currentParagraph_ && currentParagraph_->isEmpty()) {
            currentParagraph_->changeFont(sender, column);
            currentParagraph_->recompute();
        }
        markDocumentEdited();
    }
    charStyle()->changeFont(sender);
}

void TextFlow::changeFontAttribute(unsigned short attribute, TextItem* column)
{
    if (!editing(column))
        return;
    const bool enable = (charStyle()->special() & attribute) == 0;
    if (textSelection_) {
        textSelection_->modifyFontAttribute(attribute, enable, column);
        updateFontPanel(column);
    }
    charStyle()->modifyFontAttribute(attribute, enable);
    markDocumentEdited();
}

void TextFlow::setFontAttribute(unsigned short attribute, bool onOrOff, TextItem* column)
{
    if (!editing(column))
        return;
    const bool isOn = (charStyle()->special() & attribute) != 0;
    if (isOn == onOrOff)
        return;
    changeFontAttribute(attribute, column);
}

void TextFlow::setFont(kit::Font* font, TextItem* column)
{
    if (editing(column)) {
        if (textSelection_) {
            textSelection_->setFont(font, column);
            if (FontAccessoryValues* accessory = StyleChar::fontAccessory(false); accessory && accessory->color())
                textSelection_->setTextColor(accessory->color());
        } else if (currentParagraph_ && currentParagraph_->isEmpty()) {
            currentParagraph_->setFontWithItem(font, column);
            currentParagraph_->recompute();
        }
        updateFontPanel(column);
        markDocumentEdited();
    }
    charStyle()->setFont(font);
}

void TextFlow::setParagraphDefaultFont(kit::Font* font, TextItem* column)
{
    if (editing(column) && textSelection_) {
        textSelection_->setParagraphDefaultFont(font, column);
        markDocumentEdited();
    }
    kit::Font* shown = currentParagraph_ ? currentParagraph_->font() : font;
    charStyle()->setFont(shown);
    kit::FontManager::sharedFontManager().setSelectedFont(shown, false);
    if (InfoBarDisplay* bar = mainInfoBar(*this))
        bar->setFont(shown, false);
}

namespace {
float halfAscent(const StyleChar* style)
{
    return style && style->font() ? 0.5f * style->font()->ascent() : 0.0f;
}
} // namespace

void TextFlow::subscript(TextItem* column)
{
    const float delta = -halfAscent(charStyle());
    if (editing(column) && textSelection_) {
        textSelection_->changeVertical(delta, column);
        markDocumentEdited();
    }
    charStyle()->setVertical(charStyle()->vertical() + delta);
    if (FontAccessoryValues* accessory = StyleChar::fontAccessory(false))
        accessory->setNewVertical(charStyle()->vertical());
}

void TextFlow::superscript(TextItem* column)
{
    const float delta = halfAscent(charStyle());
    if (editing(column) && textSelection_) {
        textSelection_->changeVertical(delta, column);
        markDocumentEdited();
    }
    charStyle()->setVertical(charStyle()->vertical() + delta);
    if (FontAccessoryValues* accessory = StyleChar::fontAccessory(false))
        accessory->setNewVertical(charStyle()->vertical());
}

void TextFlow::unscript(TextItem* column)
{
    if (editing(column) && textSelection_) {
        textSelection_->changeVertical(0, column);
        markDocumentEdited();
    }
    charStyle()->setVertical(0);
    if (FontAccessoryValues* accessory = StyleChar::fontAccessory(false))
        accessory->setNewVertical(0);
}

void TextFlow::changeKerning(int tag, TextItem* column)
{
    if (!editing(column))
        return;
    const float step = Main && Main->preferences() ? Main->preferences()->flagsIncrement(TrackingIncrementKind) : 1.0f;
    const float amount = step * float(tag);
    const bool temporary = !textSelection_;
    textPoint caret{};
    getCurrentTextPoint(&caret);
    if (temporary) {
        // The character before the caret, for this command only. Finding it
        // makes the word before current; the caret stays where it was.
        textPoint before = caret;
        if (!getNewTextPoint(&before, 0xF702, column))
            before = caret;
        setCurrentPoint(&caret);
        selectBetween(&before, &caret, false);
    }
    if (textSelection_)
        textSelection_->changeTracking(amount, column);
    if (temporary) {
        textSelection_.reset();
        setCurrentPoint(&caret);
    }
    updateFontPanel(column);
    markDocumentEdited();
}

void TextFlow::setTextColor(const kit::ColorRef& color)
{
    if (textSelection_ && !textSelection_->isEmpty()) {
        textSelection_->setTextColor(color);
        return;
    }
    if (currentParagraph_) {
        currentParagraph_->charStyle()->setColor(color);
        currentParagraph_->setDirty(true);
    }
}

// ---- Panels.

void TextFlow::updateFontPanel(TextItem* column)
{
    textPoint caret{};
    getCurrentTextPoint(&caret);
    updateFontPanelFromPoint(&caret, column);
}

void TextFlow::updateFontPanelFromPoint(const textPoint* tp, TextItem* column)
{
    if (!tp || tp->paragraph < 0 || tp->paragraph >= paragraphCount())
        return;
    TextParagraph* paragraph = paragraphAtIndex(tp->paragraph);
    if (paragraph != inspectedParagraph_)
        inspectParagraph(paragraph);
    _updateObjectLinkInspector();
    if (textSelection_) {
        textSelection_->updateFontPanel();
        return;
    }
    // The style before the caret; a single-symbol character shows the
    // ordinary character before it.
    textPoint at = *tp;
    --at.letter;
    StyleChar* style = styleCharAt(&at);
    for (int guard = 0; style && style->isSingleSymbol() && guard < 100000; ++guard) {
        --at.letter;
        StyleChar* before = styleCharAt(&at);
        if (before == style)
            break;
        style = before;
    }
    if (!style)
        style = paragraph->charStyle();
    kit::FontManager::sharedFontManager().setSelectedFont(style->font(), false);
    if (InfoBarDisplay* bar = mainInfoBar(*this)) {
        bar->setFont(style->font(), false);
        TextItem* holder = nullptr;
        kit::Point xy = getXYFromTextPoint(tp, column ? column : firstTextItem_, &holder);
        if (holder) {
            xy.x += holder->frame().origin.x;
            xy.y += holder->frame().origin.y;
        }
        bar->setMoveTo(xy.x, xy.y);
    }
    paragraphStyle_->takeStyleValuesFrom(paragraph->paragraphStyle());
    charStyle()->takeCharStyleValuesFrom(style);
    paragraphStyle_->setLeading(paragraph->charStyle()->leading());
    paragraphStyle_->setLineSpacing(paragraph->charStyle()->lineSpacing());
    if (FontAccessoryValues* accessory = StyleChar::fontAccessory(false)) {
        accessory->setColor(style->color());
        accessory->setNewLeading(style->leading());
        accessory->setNewTracking(style->tracking());
        accessory->setNewWordSpace(style->wordSpace());
        accessory->setNewVertical(style->vertical());
        accessory->setNewCondense(style->condense());
        if (const TextWord* word = paragraph->wordAtIndex(tp->word))
            accessory->setLangId(word->langId());
        if (Main)
            accessory->setMessage(Main->valueForStringKey("SetFontSelection"));
    }
}

void TextFlow::inspectParagraph(TextParagraph* paragraph)
{
    if (!paragraph)
        return;
    if (ParagraphInspectorPanel* inspector = Main ? Main->paragraphInspectorPanel() : nullptr) {
        inspector->inspectStyle(paragraph->paragraphStyle());
        inspector->updateFromParagraph(paragraph);
    }
    if (TextDocument* doc = document())
        if (ParagraphPanel* tabs = doc->tabsPanel())
            tabs->updateFromParagraph(paragraph);
    if (TextPanel* styles = TextPanels::paragraphStylesPanel())
        styles->inspect();
    inspectedParagraph_ = paragraph;
}

void TextFlow::_updateObjectLinkInspector()
{
    if (!Main)
        return;
    SelectionPanel* graphics = Main->graphicsInspectorPanel();
    if (graphics && graphics->selectionPanelIsVisible()) {
        if (TextDocument* doc = document()) {
            const std::vector<Item*> items = doc->selected();
            graphics->inspectSelectedItems(&items);
        } else {
            graphics->inspectSelectedItems(nullptr);
        }
    }
    SelectionPanel* links = Main->linksSelectionPanel();
    if (links && links->selectionPanelIsVisible()) {
        if (textSelection_) {
            const std::vector<TextWord*> words = textSelection_->embeddedGraphicsList();
            links->inspectInlineGraphics(&words);
        } else {
            links->inspectInlineGraphics(nullptr);
        }
    }
}
