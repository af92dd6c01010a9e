// The stored form of a column: its box part, then its flow (in full from the
// chain's head, as a conditional reference elsewhere), its links, its text
// points and margins. Reading checks every link both ways once both ends are
// read, and cuts a link the other end does not return, so that no column is
// left pointing at one that does not point back.

#include "items/TextItem.h"

#include "core/Coder.h"
#include "core/Exception.h"
#include "text/TextFlow.h"
#include "text/TextWordSpecial.h"

#include <algorithm>
#include <cmath>

namespace {

[[noreturn]] void damaged(const std::string& why)
{
    kit::Exception::raise(kit::ArchiverArchiveInconsistencyException, "damaged text column: " + why);
}

TextItem* decodeColumnLink(kit::Object* object, const TextItem* self)
{
    if (!object)
        return nullptr;
    auto* column = dynamic_cast<TextItem*>(object);
    if (!column)
        damaged("a " + object->className() + " where a column was stored");
    if (column == self)
        damaged("a column linked to itself");
    return column;
}

kit::Object* decodeMasterLink(kit::Object* object, const TextItem* self)
{
    if (!object)
        return nullptr;
    if (object == self || !(dynamic_cast<TextItem*>(object) || dynamic_cast<TextWordSpecial*>(object)))
        damaged("a " + object->className() + " where a master was stored");
    return object;
}

bool isOrigin(const textPoint& p) { return p.paragraph == 0 && p.word == 0 && p.letter == 0; }

float finiteOrZero(float value) { return std::isfinite(value) ? value : 0.0f; }

} // namespace

// Columns of one read that met their flow while the flow was still being
// read: they take their hold once a column of the same flow can share it. The
// list belongs to the read: a column still waiting when the read ends stops
// waiting, and a column that goes leaves the list.
struct TextItem::WaitingForFlow {
    std::vector<TextItem*> columns;

    WaitingForFlow() = default;
    WaitingForFlow(const WaitingForFlow&) = delete;
    WaitingForFlow& operator=(const WaitingForFlow&) = delete;
    ~WaitingForFlow()
    {
        for (TextItem* column : columns) {
            column->flowToHold_ = nullptr;
            column->waitingIn_ = nullptr;
        }
    }
};

void TextItem::encodeWithCoder(kit::Coder& coder) const
{
    ItemBox::encodeWithCoder(coder);
    // A column out of its chain keeps its old neighbours only to be put back:
    // they may be gone, and are not its links.
    TextItem* next = disconnected_ ? nullptr : nextColumn_.get();
    TextItem* previous = disconnected_ ? nullptr : prevColumn_.get();
    if (archiveTextFlows()) {
        // From the head too: a chain whose first column starts nowhere would
        // otherwise store its text only conditionally, and lose it.
        if (!previous || isOrigin(startPoint_))
            coder.encodeObject(flow_.get());
        else
            coder.encodeConditionalObject(flow_.get());
    }
    coder.encodeConditionalObject(next);
    coder.encodeConditionalObject(previous);
    coder.encodeConditionalObject(myMaster_.get());
    const char continues = textContinues_ ? 1 : 0;
    coder.encodeValuesOfObjCTypes("iiiiiiiiiiffc", textType_, columnSeries_, startPoint_.paragraph, startPoint_.word,
                                  startPoint_.letter, endPoint_.paragraph, endPoint_.word, endPoint_.letter,
                                  textType_, columnSeries_, hangLeft_, hangRight_, continues);
}

kit::Object* TextItem::initWithCoder(kit::Coder& coder)
{
    read_ = false;
    flow_.reset(); // the flow the constructor made
    ItemBox::initWithCoder(coder);
    const float version = coder.openFileVersion();
    kit::Object* storedFlow = nullptr;
    kit::Object* next = nullptr;
    kit::Object* previous = nullptr;
    kit::Object* master = nullptr;
    char continues = 0;
    bool holdsFlow = false;
    if (kit::isCurrentFileVersion(version) || version >= 2.2f) {
        const bool current = kit::isCurrentFileVersion(version);
        if (!current)
            coder.decodeValuesOfObjCTypes("ii", &textType_, &columnSeries_);
        if (archiveTextFlows())
            storedFlow = coder.decodeObject();
        next = coder.decodeObject();
        previous = coder.decodeObject();
        master = coder.decodeObject();
        textPoint s{}, e{};
        if (current)
            coder.decodeValuesOfObjCTypes("iiiiiiiiiiffc", &textType_, &columnSeries_, &s.paragraph, &s.word,
                                          &s.letter, &e.paragraph, &e.word, &e.letter, &textType_, &columnSeries_,
                                          &hangLeft_, &hangRight_, &continues);
        else
            coder.decodeValuesOfObjCTypes("iiiiiiiiffc", &s.paragraph, &s.word, &s.letter, &e.paragraph, &e.word,
                                          &e.letter, &textType_, &columnSeries_, &hangLeft_, &hangRight_,
                                          &continues);
        startPoint_ = s;
        endPoint_ = e;
        holdsFlow = !previous || (current && isOrigin(s));
    } else {
        kit::Object* dropped = nullptr;
        (void)coder.decodeObject();
        coder.decodeValuesOfObjCTypes("@@", &next, &previous);
        coder.decodeValuesOfObjCTypes("@", &dropped);
        coder.decodeValuesOfObjCTypes("i", &textType_);
        (void)coder.decodePoint();
        coder.decodeValuesOfObjCTypes("@", &master);
        coder.decodeValuesOfObjCTypes("i", &columnSeries_);
    }
    TextItem* nextColumn = decodeColumnLink(next, this);
    TextItem* prevColumn = decodeColumnLink(previous, this);
    kit::Object* myMaster = decodeMasterLink(master, this);
    if (storedFlow && !dynamic_cast<TextFlow*>(storedFlow))
        damaged("a " + storedFlow->className() + " where a flow was stored");
    // Nothing below throws: the links are taken and checked at once.
    nextColumn_ = nextColumn;
    prevColumn_ = prevColumn;
    myMaster_ = myMaster;
    hangLeft_ = finiteOrZero(hangLeft_);
    hangRight_ = finiteOrZero(hangRight_);
    textContinues_ = (continues & 1) != 0;
    if (textType_ == 0)
        textType_ = 1;
    if (storedFlow) {
        takeFlowHold(coder, storedFlow);
    } else if (holdsFlow && !autoFlowMaster() && !manualFlowMaster()) {
        // A flowing master has no text of its own: its copies carry it.
        initFlow();
        startPoint_ = {0, 0, 0};
    }
    settleLinksAfterReading(coder);
    return this;
}

void TextItem::takeFlowHold(kit::Coder& coder, kit::Object* stored)
{
    auto* flow = static_cast<TextFlow*>(stored);
    if (std::shared_ptr<TextFlow> held = flow->weak_from_this().lock()) {
        flow_ = std::move(held);
        return;
    }
    try {
        flow_ = std::const_pointer_cast<TextFlow>(coder.share<TextFlow>(stored));
        return;
    } catch (const kit::Exception&) {
        // Still being read (it holds this column), or owned by something
        // else: the column waits for a column of the same flow to share it.
    }
    flowToHold_ = flow;
    waitingIn_ = &coder.readContext<WaitingForFlow>();
    waitingIn_->columns.push_back(this);
}

void TextItem::holdFlowMetWhileReading(kit::Coder& coder)
{
    TextFlow* flow = flowToHold_;
    if (!flow)
        return;
    stopWaitingForFlow();
    if (flow_)
        return;
    if (std::shared_ptr<TextFlow> held = flow->weak_from_this().lock())
        flow_ = std::move(held);
    else
        flow_ = std::const_pointer_cast<TextFlow>(coder.share<TextFlow>(flow));
}

void TextItem::stopWaitingForFlow()
{
    if (waitingIn_)
        std::erase(waitingIn_->columns, this);
    waitingIn_ = nullptr;
    flowToHold_ = nullptr;
}

void TextItem::settleLinksAfterReading(kit::Coder& coder)
{
    // Each end checks its links once the other end is read too.
    if (nextColumn_) {
        if (!nextColumn_->read_)
            nextColumn_->waitingForCheck_.push_back(this), nextUnchecked_ = true;
        else if (nextColumn_->prevColumn_ != this)
            nextColumn_ = nullptr;
    }
    if (prevColumn_) {
        if (!prevColumn_->read_)
            prevColumn_->waitingForCheck_.push_back(this), prevUnchecked_ = true;
        else if (prevColumn_->nextColumn_ != this)
            prevColumn_ = nullptr;
    }
    // Columns read before this one whose links here could not be checked.
    for (TextItem* waiting : waitingForCheck_) {
        if (waiting->nextColumn_ == this) {
            waiting->nextUnchecked_ = false;
            if (prevColumn_ != waiting)
                waiting->nextColumn_ = nullptr;
        }
        if (waiting->prevColumn_ == this) {
            waiting->prevUnchecked_ = false;
            if (nextColumn_ != waiting)
                waiting->prevColumn_ = nullptr;
        }
    }
    waitingForCheck_.clear();
    read_ = true;
    if (flow_) {
        auto& waiting = coder.readContext<WaitingForFlow>().columns;
        for (TextItem* column : waiting)
            if (column->flowToHold_ == flow_.get()) {
                column->flow_ = flow_;
                column->flowToHold_ = nullptr;
                column->waitingIn_ = nullptr;
            }
        std::erase_if(waiting, [](const TextItem* c) { return !c->flowToHold_; });
    }
}
