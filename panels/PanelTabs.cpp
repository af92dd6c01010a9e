#include "panels/PanelTabs.h"

#include "app/Layvane.h"
#include "appkit/Button.h"
#include "appkit/ButtonCell.h"
#include "appkit/CellMatrix.h"
#include "appkit/NibLoader.h"
#include "appkit/TextField.h"
#include "appkit/View.h"
#include "core/Alert.h"
#include "core/Color.h"
#include "core/NumberFormatter.h"
#include "document/LayoutDocument.h"
#include "foundation/StyleInfo.h"
#include "foundation/Units.h"
#include "foundation/UnitsInfo.h"
#include "items/TextItem.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextSelection.h"
#include "view/PageView.h"
#include "view/RulerViewInset.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace {

// One working copy for every tabs panel: the style editor's panel and the
// main one edit the same records, as the ruler's pointers expect.
struct WorkingState {
    std::vector<StyleTabStop> tabs;
    StyleTabStop indents[PanelTabs::NumIndents] = {
        {0, PanelTabs::LeftIndent, 0},   {0, PanelTabs::RightIndent, 0}, {0, PanelTabs::FirstLineIndent, 0},
        {0, PanelTabs::LeftMargin, 0},   {0, PanelTabs::RightMargin, 0},
    };
    short newTabType = 0;
    char newTabLeader = 0;
    bool absoluteTabs = false;
};

WorkingState& working()
{
    static WorkingState state;
    return state;
}

} // namespace

bool PanelTabs::editingText() const
{
    PageView* view = mainPageView();
    return view && view->isEditing();
}

void PanelTabs::initialize()
{
    kit::NibLoader::registerNib("PanelTabs.nib", [](kit::NibLoad& load) {
        auto panel = std::make_unique<PanelTabs>();
        kit::View* content = panel->contentView();
        content->setAutoresizesSubviews(true);
        // The panel's own tab ruler, across the top; it widens with the panel.
        auto ownRuler = std::make_unique<RulerViewInset>(kit::makeRect(0, 50, MinimumWidth, 30));
        ownRuler->setAutoresizingMask(kit::ViewWidthSizable | kit::ViewMinYMargin);
        auto position = std::make_unique<kit::TextField>(kit::makeRect(10, 10, 70, 22));
        auto numbers = std::make_shared<kit::NumberFormatter>();
        numbers->setAllowsEmpty(true);
        position->setFormatter(numbers);
        auto units = kit::TextField::makeLabel(kit::makeRect(82, 10, 26, 22), std::string());
        units->setTag(UNITS_LABEL_TAG);
        auto prototype = std::make_unique<kit::ButtonCell>();
        prototype->setButtonType(kit::ButtonType::Radio);
        auto types = std::make_unique<kit::CellMatrix>(kit::makeRect(116, 10, 236, 22), kit::MatrixMode::Radio,
                                                       std::move(prototype), 1, 4);
        types->setCellSize({58, 22});
        types->setIntercellSpacing({1, 0});
        const char* titles[] = {"Left", "Center", "Right", "Decimal"};
        for (int type = 0; type < 4; ++type) {
            kit::Cell* cell = types->cellAtRow(0, type);
            cell->setTitle(Main ? Main->valueForStringKey(titles[type]) : titles[type]);
            cell->setTag(type);
        }
        types->selectCellAtRow(0, 0);
        types->setTarget(panel.get());
        types->setAction("setTabType:");
        auto add = std::make_unique<kit::Button>(kit::makeRect(358, 9, 54, 24),
                                                 Main ? Main->valueForStringKey("Add") : "Add");
        add->setTarget(panel.get());
        add->setAction("addTab:");
        PanelTabs* raw = panel.get();
        raw->setPositionField(static_cast<kit::TextField*>(content->addSubview(std::move(position))));
        raw->setUnitsLabel(static_cast<kit::TextField*>(content->addSubview(std::move(units))));
        raw->setTabTypeSelector(static_cast<kit::CellMatrix*>(content->addSubview(std::move(types))));
        content->addSubview(std::move(add));
        kit::View* rulerView = content->addSubview(std::move(ownRuler));
        PanelTabs* made = load.addTopLevelObject(std::move(panel));
        // Its own delegate: it bounds its sizes.
        made->setDelegate(made);
        made->init(nullptr, rulerView);
        made->setFloatingPanel(true);
        return load.connectOutlet("tabsPanel", made);
    });
}

void PanelTabs::resetWorkingState() { working() = WorkingState{}; }

PanelTabs::PanelTabs()
    : PanelSubClass(kit::makeRect(0, 0, MinimumWidth, 80),
                    kit::TitledWindowMask | kit::ClosableWindowMask | kit::ResizableWindowMask)
{
    setAction("addTab:", [this](kit::Object* sender) -> kit::Object* {
        addTab(sender);
        return this;
    });
    setAction("setTabType:", [this](kit::Object* sender) -> kit::Object* {
        setTabType(sender);
        return this;
    });
    // The text frames' indent commands arrive here by name.
    static const struct {
        const char* action;
        void (PanelTabs::*step)(kit::Object*);
    } kSteps[] = {
        {"hangingIndentExpand:", &PanelTabs::hangingIndentExpand},
        {"hangingIndentReduce:", &PanelTabs::hangingIndentReduce},
        {"indentLeftIn:", &PanelTabs::indentLeftIn},
        {"indentLeftOut:", &PanelTabs::indentLeftOut},
        {"indentRightIn:", &PanelTabs::indentRightIn},
        {"indentRightOut:", &PanelTabs::indentRightOut},
        {"alignPanel:", &PanelTabs::alignPanel},
    };
    for (const auto& entry : kSteps) {
        const auto step = entry.step;
        setAction(entry.action, [this, step](kit::Object* sender) -> kit::Object* {
            (this->*step)(sender);
            return this;
        });
    }
}

PanelTabs::~PanelTabs()
{
    // The rulers outlive this part of the panel (its own goes with the
    // window's views): they must not ask it anything more.
    for (kit::View* view : {ruler_, ownRuler_.get()})
        if (auto* tabRuler = dynamic_cast<RulerViewInset*>(view); tabRuler && tabRuler->tabPanel() == this)
            tabRuler->setTabPanel(nullptr);
}

PanelTabs* PanelTabs::init(kit::Object* sender) { return init(sender, ruler_); }

PanelTabs* PanelTabs::init(kit::Object* sender, kit::View* ruler)
{
    PanelSubClass::init(sender);
    currentUnits_ = -1;
    if (auto* tabRuler = dynamic_cast<RulerViewInset*>(ruler)) {
        ruler_ = tabRuler;
        if (tabRuler->window() == this)
            ownRuler_ = kit::WeakRef<kit::View>(tabRuler);
    }
    if (auto* tabRuler = dynamic_cast<RulerViewInset*>(ruler_)) {
        tabRuler->setBorderColor(kit::Color::lightGrayColor()); // the controls' colour
        tabRuler->setTabPanel(this);
        tabRuler->setBordered(false);
        tabRuler->setSide(0);
        if (kit::View* above = tabRuler->superview())
            above->allocateGState();
    }
    awakeFromNib();
    return this;
}

void PanelTabs::awakeFromNib()
{
    if (positionField_)
        return;
    auto field = std::make_unique<kit::TextField>(kit::makeRect(10, 10, 70, 22));
    positionField_ = static_cast<kit::TextField*>(contentView()->addSubview(std::move(field)));
}

void PanelTabs::setRuler(kit::View* ruler)
{
    ruler_ = ruler;
    if (auto* tabRuler = dynamic_cast<RulerViewInset*>(ruler)) {
        tabRuler->setTicksColor(kit::Color::darkGrayColor());
        tabRuler->setTabPanel(this);
        tabRuler->setBordered(false);
        tabRuler->setSide(0);
    }
    redisplayRuler();
}

kit::Size PanelTabs::windowWillResize(kit::Object* sender, kit::Size proposedFrameSize)
{
    (void)sender;
    // Also a width that is no number comes out at the least one.
    const float width = proposedFrameSize.width > MinimumWidth ? proposedFrameSize.width : MinimumWidth;
    return {width, frame().size.height};
}

void PanelTabs::setEmbeddedRuler(kit::View* ruler)
{
    ruler_ = ruler;
    if (LayoutDocument* document = mainDocument())
        inspect(document->selected());
}

void PanelTabs::rulerWillFree(kit::View* ruler)
{
    if (ruler_ == ruler)
        ruler_ = nullptr;
}

void PanelTabs::setEmbeddedRuler(RulerViewInset* ruler) { setEmbeddedRuler(static_cast<kit::View*>(ruler)); }

void PanelTabs::rulerWillFree(RulerViewInset* ruler) { rulerWillFree(static_cast<kit::View*>(ruler)); }

void PanelTabs::apply(RulerViewInset* ruler, bool isIndent, bool adjustAutonumber)
{
    apply(static_cast<kit::Object*>(ruler), isIndent, adjustAutonumber ? 1 : 0);
}

void PanelTabs::redisplayRuler()
{
    if (ruler_)
        ruler_->setNeedsDisplay(true);
}

StyleTabStop* PanelTabs::tabs() { return working().tabs.empty() ? nullptr : working().tabs.data(); }
int PanelTabs::numTabs() const { return static_cast<int>(working().tabs.size()); }
StyleTabStop* PanelTabs::indents() { return working().indents; }
short PanelTabs::newTabType() const { return working().newTabType; }
char PanelTabs::newTabLeader() const { return working().newTabLeader; }
bool PanelTabs::absoluteTabs() const { return working().absoluteTabs; }

UnitsInfo* PanelTabs::unitsInfo() const
{
    if (LayoutDocument* document = mainDocument())
        return document->unitsInfo();
    return Layvane::applicationUnitsInfo();
}

// ---- Tab stops.

void PanelTabs::setPosition(float location)
{
    position_ = location;
    if (!positionField_)
        return;
    float perUnit = 1;
    if (UnitsInfo* units = unitsInfo())
        units->convertFloatValueFromUnits(1.0f, &perUnit);
    positionField_->setFloatValue(perUnit != 0 ? location / perUnit : location);
    shownPosition_ = positionField_->stringValue();
}

void PanelTabs::addTab(int type, float location) { addTab(type, location, 0); }

void PanelTabs::addTab(int type, float location, char leader)
{
    setPosition(location);
    working().newTabType = static_cast<short>(type);
    working().newTabLeader = leader;
    addTab(static_cast<kit::Object*>(nullptr));
}

void PanelTabs::addTab(kit::Object* sender)
{
    (void)sender;
    float location = position_;
    if (positionField_ && positionField_->stringValue() != shownPosition_) {
        float perUnit = 1;
        if (UnitsInfo* units = unitsInfo())
            units->convertFloatValueFromUnits(1.0f, &perUnit);
        location = positionField_->floatValue() * perUnit;
    }
    // A typed negative position puts the stop at the ruler's zero; a value
    // that is no number adds nothing.
    if (std::isfinite(location)) {
        location = std::max(location, 0.0f);
        std::vector<StyleTabStop>& tabs = working().tabs;
        const bool taken = std::any_of(tabs.begin(), tabs.end(),
                                       [&](const StyleTabStop& tab) { return tab.location == location; });
        if (!taken)
            tabs.push_back({location, working().newTabType, working().newTabLeader});
    }
    sortTabs(tabs(), numTabs());
    redisplayRuler();
    apply(this, false, 0);
}

StyleTabStop* PanelTabs::removeTab(StyleTabStop* record)
{
    std::vector<StyleTabStop>& tabs = working().tabs;
    // Only a record of the array itself can go.
    if (record && !tabs.empty() && record >= tabs.data() && record < tabs.data() + tabs.size()) {
        record->location = std::numeric_limits<float>::infinity();
        sortTabs(tabs.data(), numTabs());
        tabs.pop_back();
    }
    redisplayRuler();
    return this->tabs();
}

void PanelTabs::setTabType(kit::Object* sender)
{
    if (auto* control = dynamic_cast<kit::Control*>(sender))
        working().newTabType = static_cast<short>(std::max(control->selectedTag(), 0));
}

void PanelTabs::updateTabType(int type)
{
    if (tabTypeSelector_ && tabTypeSelector_->cellWithTag(type))
        tabTypeSelector_->selectCellWithTag(type);
}

// ---- Loading and writing styles.

void PanelTabs::updateFromParagraph(TextParagraph* paragraph)
{
    if (paragraph)
        updateFromParagraphStyle(paragraph->paragraphStyle());
}

void PanelTabs::updateFromParagraphStyle(const StyleParagraph* style)
{
    if (style) {
        WorkingState& state = working();
        LayoutDocument* document = mainDocument();
        kit::Rect frame{};
        if (TextItem* item = document ? document->activeTextItem() : nullptr)
            frame = item->frame();
        else if (document)
            frame.size = document->pageSize();
        state.absoluteTabs = style->absoluteTabs();
        const float left = host_ && host_->prefersEmbeddedTabRulers() ? frame.origin.x : 0.0f;
        state.indents[3].location = left;
        state.indents[4].location = left + frame.size.width;
        state.indents[0].location = style->indentLeft() + left;
        state.indents[1].location = state.indents[4].location - style->indentRight();
        state.indents[2].location = style->indentDeltaFirst() + state.indents[0].location;
        state.tabs.clear();
        for (const StyleTabStop& tab : style->tabs())
            state.tabs.push_back({state.absoluteTabs ? tab.location : tab.location + left, tab.type, tab.leader});
    }
    redisplayRuler();
}

void PanelTabs::updateTabsForParagraphStyle(StyleParagraph* style, bool isIndent) const
{
    if (!style)
        return;
    const WorkingState& state = working();
    if (isIndent) {
        style->setIndentLeft(state.indents[0].location - state.indents[3].location);
        style->setIndentRight(state.indents[4].location - state.indents[1].location);
        style->setIndentDeltaFirst(state.indents[2].location - state.indents[0].location);
        return;
    }
    // The style keeps its stops from the left margin unless they are
    // absolute; the working array itself stays as it is.
    std::vector<StyleTabStop> stored = state.tabs;
    if (!state.absoluteTabs)
        for (StyleTabStop& tab : stored)
            tab.location -= state.indents[3].location;
    style->setTabs(stored.empty() ? nullptr : stored.data(), static_cast<int>(stored.size()));
}

void PanelTabs::apply(kit::Object* sender, bool isIndent, int adjustAutonumber)
{
    (void)sender;
    if (disableApply_)
        return;
    if (!editingText()) {
        kit::beep();
        return;
    }
    LayoutDocument* document = mainDocument();
    TextFlow* flow = document ? document->activeTextFlow() : nullptr;
    if (!flow || flow->paragraphCount() == 0)
        return;
    int first = 0, last = 0;
    if (TextSelection* selection = flow->textSelection()) {
        first = selection->start().paragraph;
        last = selection->end().paragraph;
    } else {
        first = last = flow->indexOfParagraph(flow->currentParagraph());
    }
    first = std::clamp(first, 0, flow->paragraphCount() - 1);
    last = std::clamp(last, first, flow->paragraphCount() - 1);

    bool stepped = false, styled = false;
    const int levels = document->paragraphNumberingCount();
    StyleInfo* sheet = host_ ? host_->styleInfo() : nullptr;
    for (int index = last; index >= first; --index) {
        TextParagraph* paragraph = flow->paragraphAtIndex(index);
        if (!paragraph)
            continue;
        const short level = paragraph->autonumberLevel();
        if ((adjustAutonumber < 0 && level > 1) || (adjustAutonumber > 0 && level < levels)) {
            const short target = static_cast<short>(level + adjustAutonumber);
            const StyleParagraph* found = nullptr;
            if (const StyleList* styles = sheet ? sheet->stylesForType(0) : nullptr)
                for (auto it = styles->rbegin(); it != styles->rend() && !found; ++it)
                    if (auto* style = dynamic_cast<const StyleParagraph*>(it->get());
                        style && style->autonumberLevel() == target)
                        found = style;
            if (found) {
                paragraph->setStylePara(found);
                styled = true;
            } else {
                paragraph->setAutonumberLevel(target);
            }
            stepped = true;
        }
        updateTabsForParagraphStyle(paragraph->paragraphStyle(), isIndent);
        paragraph->setDirty(true);
    }
    if (stepped)
        flow->recomputeAutonumberingFrom(first);
    if (TextParagraph* paragraph = flow->paragraphAtIndex(first)) {
        paragraph->recompute();
        if (styled)
            flow->updateFontPanel(document->activeTextItem());
    }
    document->notifyUpdate(mainPageView(), nullptr);
    document->setEdited(true);
}

// ---- Following the main document.

bool PanelTabs::isVisible() const
{
    if (kit::Window::isVisible())
        return true;
    // An embedded ruler lies in a document window, which shows it.
    return ruler_ && ruler_->window() != this && ruler_->window() != nullptr;
}

void PanelTabs::inspect(const std::vector<Item*>& selection)
{
    updatePanel(mainDocument());
    inspectSelection(&selection);
}

void PanelTabs::inspectSelection(const std::vector<Item*>* selection)
{
    if (!selection || selection->empty() || !editingText())
        return;
    TextItem* only = nullptr;
    int count = 0;
    for (Item* item : *selection)
        if (auto* text = dynamic_cast<TextItem*>(item)) {
            only = text;
            ++count;
        }
    if (count != 1 || !only->flow())
        return;
    if (TextParagraph* paragraph = only->flow()->currentParagraph())
        updateFromParagraph(paragraph);
}

void PanelTabs::updatePanel(LayoutDocument* document)
{
    UnitsInfo* units = document ? document->unitsInfo() : nullptr;
    if (units && units->units() != currentUnits_) {
        currentUnits_ = units->units();
        if (unitsLabel_)
            unitsLabel_->setStringValue(UnitsAbbreviationText(currentUnits_));
        setPosition(position_);
    }
    redisplayRuler();
}
