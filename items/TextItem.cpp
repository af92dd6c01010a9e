#include "items/TextItem.h"

#include "core/Color.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "foundation/StyleChar.h"
#include "foundation/StyleInfo.h"
#include "foundation/StyleParagraph.h"
#include "foundation/StyleParagraphNamed.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextSelection.h"

#include <algorithm>
#include <climits>
#include <cstdio>

namespace {

bool archiveFlows = true;

// One empty paragraph, as a new column's flow holds.
bool holdsNoText(const TextFlow& flow)
{
    return flow.paragraphCount() == 1 && flow.firstParagraph()->isEmpty();
}

} // namespace

bool TextItem::archiveTextFlows() { return archiveFlows; }
void TextItem::setArchiveTextFlows(bool flag) { archiveFlows = flag; }

TextItem::TextItem()
{
    initFlow();
    setFillOverprint(true);
    setHasFill(false);
    setHasLine(false);
    shadowOffset_ = {1.5f, 1.5f};
    shadowColor_ = kit::Color::lightGrayColor();
    changed_ = false;
}

TextItem::~TextItem()
{
    // A link a damaged stream left unchecked may point at a column that is
    // gone: it is dropped, not followed.
    if (nextUnchecked_)
        nextColumn_ = nullptr;
    if (prevUnchecked_)
        prevColumn_ = nullptr;
    // Either way the flow forgets the column, once.
    if (!disconnected_)
        removeFromTextFlowAndRecompute(false);
    else if (flow_)
        flow_->forgetItem(this);
    stopWaitingForFlow();
}

void TextItem::audit(int indent) const
{
    ItemBox::audit(indent);
    std::printf("\ttype=%d, series=%d, prev=%p, next=%p, flow=%p", textType_, columnSeries_,
                static_cast<const void*>(prevColumn_.get()), static_cast<const void*>(nextColumn_.get()),
                static_cast<const void*>(flow_.get()));
    if (const kit::Object* master = myMaster())
        std::printf(", master=%p", static_cast<const void*>(master));
    std::printf("\n");
    std::printf("Geometry: %d/%d/%d to %d/%d/%d\n", startPoint_.paragraph, startPoint_.word, startPoint_.letter,
                endPoint_.paragraph, endPoint_.word, endPoint_.letter);
    if (!prevColumn_ && flow_)
        flow_->audit(indent);
}

// ---- Flow.

void TextItem::setFlow(TextFlow* flow)
{
    if (!flow) {
        flow_.reset();
        return;
    }
    if (std::shared_ptr<TextFlow> held = flow->weak_from_this().lock())
        flow_ = std::move(held);
    else
        flow_ = std::shared_ptr<TextFlow>(std::shared_ptr<TextFlow>(), flow); // its owner keeps it
}

TextFlow* TextItem::initFlow()
{
    flow_ = std::make_shared<TextFlow>(this);
    return flow_.get();
}

TextItem* TextItem::masterColumn() const { return dynamic_cast<TextItem*>(myMaster()); }

LayoutDocument* TextItem::pageDocument() const
{
    Page* page = page_.get();
    return page ? page->document() : nullptr;
}

TextDocument* TextItem::textDocument() const { return pageDocument(); }

std::vector<Item*> TextItem::runaroundItems() const
{
    Page* page = page_.get();
    return page ? page->runaroundItemsFor(this) : std::vector<Item*>{};
}

// ---- Hanging margins.

float TextItem::hangLeft() const
{
    const LayoutDocument* document = pageDocument();
    if (document && document->prefersScreenMetrics() && screenHangLeft_ > hangLeft_)
        return screenHangLeft_;
    return hangLeft_;
}

float TextItem::hangRight() const
{
    const LayoutDocument* document = pageDocument();
    if (document && document->prefersScreenMetrics() && screenHangRight_ > hangRight_)
        return screenHangRight_;
    return hangRight_;
}

void TextItem::setNewHangLeft(float value) { hangLeft_ = std::max(hangLeft_, value); }
void TextItem::setNewHangRight(float value) { hangRight_ = std::max(hangRight_, value); }
void TextItem::setNewScreenHangLeft(float value) { screenHangLeft_ = std::max(screenHangLeft_, value); }
void TextItem::setNewScreenHangRight(float value) { screenHangRight_ = std::max(screenHangRight_, value); }

// ---- Layout and the chain.

void TextItem::flowAroundResizedHeadline()
{
    if (!headlineResized_)
        return;
    headlineResized_ = false;
    Page* page = page_.get();
    if (!page)
        return;
    page->itemDidChange(this);
    // The text around it moved: shown again.
    if (LayoutDocument* document = pageDocument())
        document->notifyUpdate(nullptr, nullptr);
}


TextParagraph* TextItem::recompute()
{
    hangLeft_ = hangRight_ = screenHangLeft_ = screenHangRight_ = 0.0f;
    if (!flow_)
        return nullptr;
    flow_->dirtyFrom(startPoint_.paragraph, INT_MAX);
    TextParagraph* paragraph = flow_->paragraphAtIndex(startPoint_.paragraph);
    if (paragraph)
        paragraph->recompute();
    return paragraph;
}

void TextItem::removeFromTextFlowAndRecompute(bool recompute)
{
    TextItem* previous = prevColumn_.get();
    TextItem* next = nextColumn_.get();
    // Only links that point back here are moved: a neighbour of another
    // chain keeps its own.
    if (previous && previous->nextColumn_ == this)
        previous->nextColumn_ = next;
    if (next && next->prevColumn_ == this)
        next->prevColumn_ = previous;
    if (previous) {
        if (recompute)
            previous->recompute();
    } else if (flow_ && flow_->firstTextItem() == this) {
        // The flow must never name a column that left it as its first.
        TextItem* heir = next && next->flow_ == flow_ ? next : nullptr;
        flow_->setFirstTextItem(heir);
        if (recompute && heir)
            heir->recompute();
    }
    if (flow_)
        flow_->forgetItem(this);
    disconnected_ = true;
    changed_ = true;
}

void TextItem::leaveForgettingFlow()
{
    TextItem* previous = prevColumn_.get();
    TextItem* next = nextColumn_.get();
    if (previous && previous->nextColumn_ == this)
        previous->nextColumn_ = next;
    if (next && next->prevColumn_ == this)
        next->prevColumn_ = previous;
    disconnected_ = true;
    changed_ = true;
    flow_.reset();
}

bool TextItem::relinkInTextFlow()
{
    // Neighbours that went, or left the flow, are no neighbours any more.
    const auto inChain = [&](const TextItem* c) { return c && c->flow_ == flow_ && !c->disconnected_; };
    TextItem* previous = inChain(prevColumn_.get()) ? prevColumn_.get() : nullptr;
    TextItem* next = inChain(nextColumn_.get()) ? nextColumn_.get() : nullptr;
    const bool fits = flow_ && flow_->paragraphCount() > 0 &&
                      (previous ? previous->nextColumn() == next : flow_->firstTextItem() == next) &&
                      (!next || next->prevColumn() == previous);
    if (!fits)
        return false;
    prevColumn_ = previous;
    nextColumn_ = next;
    if (next)
        next->prevColumn_ = this;
    if (previous) {
        previous->nextColumn_ = this;
        previous->recompute();
    } else {
        flow_->setFirstTextItem(this);
        recompute();
    }
    disconnected_ = false;
    changed_ = true;
    return true;
}

void TextItem::takeEmptyFlow()
{
    if (flow_)
        flow_->forgetItem(this);
    initFlow();
    startPoint_ = {0, 0, 0};
    nextColumn_ = prevColumn_ = nullptr;
    disconnected_ = false;
    changed_ = true;
    recompute();
}

template <class F>
void TextItem::forEachToEnd(F&& f)
{
    for (TextItem* at = this; at;) {
        TextItem* next = at->nextColumn_.get();
        f(at);
        if (next == this)
            break;
        at = next;
    }
}

void TextItem::joinColumn(TextItem* column)
{
    if (!column || column == this)
        return;
    std::shared_ptr<TextFlow> joined = column->flow_;
    nextColumn_ = column;
    column->prevColumn_ = this;
    if (flow_ && joined && joined != flow_) {
        // A flow without text (a new column's one empty paragraph) brings
        // no paragraph, and gives way to text that joins it: the chain
        // starts with its text, and two new columns share one paragraph.
        const bool bringsText = !holdsNoText(*joined);
        TextParagraph* givesWay = bringsText && holdsNoText(*flow_) ? flow_->firstParagraph() : nullptr;
        TextItem* last = flow_->lastParagraph() ? flow_->lastParagraph()->lastItem() : nullptr;
        while (bringsText && joined->paragraphCount() > 0) {
            std::unique_ptr<TextParagraph> moved = joined->removeParagraph(joined->firstParagraph());
            moved->setFirstItem(last);
            flow_->addParagraph(std::move(moved));
        }
        if (givesWay)
            flow_->removeParagraph(givesWay);
        joined->forgetItem(column);
        column->forEachToEnd([&](TextItem* at) { at->flow_ = flow_; });
    } else if (flow_ && !joined) {
        column->forEachToEnd([&](TextItem* at) { at->flow_ = flow_; });
    }
    // The joined flow goes with the last column that held it.
    joined.reset();
    recompute();
    changed_ = true;
}

void TextItem::unlinkColumn()
{
    TextItem* next = nextColumn_.get();
    nextColumn_ = nullptr;
    if (next) {
        std::shared_ptr<TextFlow> old = flow_;
        next->prevColumn_ = nullptr;
        auto fresh = std::make_shared<TextFlow>(next);
        next->forEachToEnd([&](TextItem* at) {
            if (old)
                old->forgetItem(at);
            at->flow_ = fresh;
            at->setDirty(true);
            at->startPoint_ = {0, 0, 0};
        });
        next->forEachToEnd([](TextItem* at) { at->recompute(); });
    }
    recompute();
    changed_ = true;
}

void TextItem::emptyAndDisconnect()
{
    initFlow();
    startPoint_ = {0, 0, 0};
    nextColumn_ = prevColumn_ = nullptr;
    disconnected_ = true;
}

TextItem* TextItem::_findEndOfFlow(int direction)
{
    TextItem* at = this;
    for (;;) {
        TextItem* step = direction == 1 ? at->prevColumn_.get() : at->nextColumn_.get();
        if (!step || step == this || step->page() != page() || at->masterFlags() != masterFlags())
            return at;
        at = step;
    }
}

// ---- Geometry that marks the column changed.

Page* TextItem::setPage(Page* page)
{
    Page* old = page_.get();
    const kit::Point was = old ? old->pageRect().origin : kit::Point{0, 0};
    const kit::Point now = page ? page->pageRect().origin : kit::Point{0, 0};
    if (was.x != now.x || was.y != now.y)
        changed_ = true;
    return Item::setPage(page);
}

void TextItem::updatePositionOnPage(Page* page)
{
    (void)page;
    setFrameOrigin(frame_.origin);
}

void TextItem::moveTo(float x, float y, bool recompute)
{
    ItemBox::moveTo(x, y, recompute);
    changed_ = true;
}

void TextItem::scaleUnitSquareToSize(kit::Size scale)
{
    ItemBox::scaleUnitSquareToSize(scale);
    changed_ = true;
}

// ---- Styles.

bool TextItem::canAcceptStyle(std::string_view styleClass) const
{
    return styleClass == "StyleParagraph" || styleClass == "StyleGraphic";
}

StyleParagraph* TextItem::paragraphStyle() const
{
    TextParagraph* current = flow_ ? flow_->currentParagraph() : nullptr;
    return current ? current->paragraphStyle() : nullptr;
}

kit::Font* TextItem::font() const
{
    return flow_ && flow_->paragraphStyle() ? flow_->paragraphStyle()->font() : nullptr;
}

// The selection carries these once it exists; until then the caret's
// paragraph takes them.
void TextItem::setRuler(const StyleParagraph* style)
{
    TextSelection* selection = flow_ ? flow_->textSelection() : nullptr;
    if (selection && selection->setRuler(style))
        return;
    if (TextParagraph* current = flow_ ? flow_->currentParagraph() : nullptr)
        current->setRuler(style, true);
}

void TextItem::setStylePara(const StyleParagraph* style)
{
    if (TextSelection* selection = flow_ ? flow_->textSelection() : nullptr)
        selection->setStylePara(style);
    else if (TextParagraph* current = flow_ ? flow_->currentParagraph() : nullptr)
        current->setStyleParaAndUpdate(style, true);
    if (LayoutDocument* document = pageDocument())
        document->setEdited(true);
}

void TextItem::localizeNamedParaStyle()
{
    if (TextSelection* selection = flow_ ? flow_->textSelection() : nullptr)
        selection->localizeNamedParaStyle(nullptr);
    else if (TextParagraph* current = flow_ ? flow_->currentParagraph() : nullptr)
        current->localizeNamedParaStyle();
    if (LayoutDocument* document = pageDocument())
        document->setEdited(true);
}

void TextItem::setTextColor(const kit::ColorRef& color)
{
    if (!flow_)
        return;
    if (TextSelection* selection = flow_->textSelection())
        selection->setTextColor(color);
    else if (StyleChar* typing = flow_->charStyle())
        typing->setColor(color); // what is typed next
}

void TextItem::resolveStyles(LayoutDocument* pastedInto)
{
    if (prevColumn_ || nextColumn_ || !flow_)
        return;
    LayoutDocument* document = pageDocument();
    // A pasted column on no page yet resolves against the document it is
    // pasted into.
    if (!document)
        document = pastedInto;
    StyleInfo* sheet = document ? document->styleInfo() : nullptr;
    if (!sheet)
        return;
    for (const auto& paragraph : flow_->paragraphList()) {
        StyleParagraph* style = paragraph->paragraphStyle();
        StyleParagraph* root = style ? style->rootStyle() : nullptr;
        if (!root || !root->isNamedStyle())
            continue;
        auto* found = dynamic_cast<StyleParagraph*>(sheet->styleWithName(root->rootName(), sheet->paragraphStyles()));
        if (found && found != root)
            paragraph->setBasedOnStyle(found);
    }
}

void TextItem::resolveInDocument(TextDocument* document)
{
    // Every column of the chain is told; the flow must hear it once.
    if (flow_ && flow_->firstTextItem() == this)
        flow_->resolveInDocument(document);
}

void TextItem::pleaseListFlows(std::vector<TextFlow*>& flows) const
{
    if (!flow_ || flow_->firstTextItem() != this)
        return;
    if (std::find(flows.begin(), flows.end(), flow_.get()) == flows.end())
        flows.push_back(flow_.get());
}
