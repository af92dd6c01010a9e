// The edits of a selection and the undo records they answer.

#include "items/ItemArray.h"
#include "items/GraphicStyleSnapshot.h"

#include "core/EventState.h"
#include "document/Page.h"
#include "document/Undo.h"
#include "document/UndoStyleGraphic.h"
#include "document/UndoTrans.h"
#include "foundation/ApplicationDelegate.h"
#include "foundation/CMGeometry.h"
#include "foundation/GxRecords.h"
#include "foundation/Preferences.h"
#include "foundation/StyleGraphic.h"
#include "foundation/StyleGraphicNamed.h"
#include "items/GraphicStyleSnapshot.h"
#include "items/Item.h"
#include "items/TextItem.h"

#include <algorithm>
#include <cmath>

namespace {

using TransformInfo = UndoTrans::TransformInfo;

Page* pageOf(const std::vector<Item*>& items) { return items.empty() ? nullptr : items.front()->page(); }

template <class Record>
std::unique_ptr<Record> recordFor(const std::vector<Item*>& items, int type)
{
    return std::make_unique<Record>(items, pageOf(items), type);
}

// From the last item to the first, with each item's index.
template <class F>
void backwards(const std::vector<Item*>& items, F&& f)
{
    for (std::size_t k = items.size(); k-- > 0;)
        if (items[k])
            f(items[k], k);
}

kit::Rect drawnBounds(const std::vector<Item*>& items)
{
    kit::Rect all{};
    bool first = true;
    for (Item* item : items) {
        if (!item)
            continue;
        kit::Rect r{};
        item->getFrameBounds(&r);
        all = first ? r : kit::unionRect(all, r);
        first = false;
    }
    return all;
}

kit::Point centreOf(const kit::Rect& r) { return {r.origin.x + r.size.width / 2, r.origin.y + r.size.height / 2}; }

TransformInfo transformBefore(const Item* item)
{
    TransformInfo t;
    t.oldOrigin = item->frame().origin;
    t.oldFrame = item->frame();
    item->getMatrix(t.oldMatrix);
    return t;
}

// Where the text runs around the items, once per page after they all moved.
void handleOverlaps(const std::vector<Item*>& items)
{
    std::vector<Page*> pages;
    for (Item* item : items)
        if (Page* page = item ? item->page() : nullptr; page && std::find(pages.begin(), pages.end(), page) == pages.end())
            pages.push_back(page);
    for (Page* page : pages)
        page->handleOverlaps(nullptr, true);
}

GxFill noFill()
{
    GxFill fill;
    GxInitFill(&fill);
    GxSetNoFill(&fill, true);
    return fill;
}

GxLine noLine()
{
    GxLine line;
    GxInitLine(&line);
    GxSetNoLine(&line, true);
    return line;
}

GxFill fillCopy(const GxFill* from)
{
    GxFill fill;
    GxInitFill(&fill);
    GxCopyFill(&fill, from);
    return fill;
}

GxLine lineCopy(const GxLine* from)
{
    GxLine line;
    GxInitLine(&line);
    GxCopyLine(&line, from);
    return line;
}

// An item's fill as its style keeps it, also while it is switched off (the
// switch is recorded apart); no-fill when the style keeps none.
GxFill savedFill(const StyleGraphic* style)
{
    if (!style || !style->fill())
        return noFill();
    GxFill fill = fillCopy(style->fill());
    GxSetNoFill(&fill, false);
    return fill;
}

GxLine savedLine(const StyleGraphic* style)
{
    if (!style || !style->line())
        return noLine();
    GxLine line = lineCopy(style->line());
    GxSetNoLine(&line, false);
    return line;
}

// What an item's fill or line was before a change switched it on: on, off
// with its values kept, or not there at all.
unsigned char fillState(const Item* item)
{
    const StyleGraphic* style = item->graphicStyle();
    if (!style || !style->fill())
        return UndoStyleGraphic::AttributeAbsent;
    return style->hasFill() ? UndoStyleGraphic::AttributeOn : UndoStyleGraphic::AttributeOff;
}

unsigned char lineState(const Item* item)
{
    const StyleGraphic* style = item->graphicStyle();
    if (!style || !style->line())
        return UndoStyleGraphic::AttributeAbsent;
    return style->hasLine() ? UndoStyleGraphic::AttributeOn : UndoStyleGraphic::AttributeOff;
}

bool takesFlag(const Item* item, int type)
{
    switch (type) {
    case Undo::FillOverprintSet:
    case Undo::LineOverprintSet: return true;
    case Undo::CropSet: return item->canCrop();
    case Undo::HasFillSet: return item->canFill();
    case Undo::HasLineSet: return item->canLine();
    default: return false;
    }
}

bool flagOf(const Item* item, int type)
{
    const StyleGraphic* style = item->graphicStyle();
    switch (type) {
    case Undo::FillOverprintSet: return style && style->fillOverprint();
    case Undo::LineOverprintSet: return style && style->lineOverprint();
    case Undo::CropSet: return item->doesCrop();
    case Undo::HasFillSet: return item->hasFill();
    case Undo::HasLineSet: return item->hasLine();
    default: return false;
    }
}

void setFlag(Item* item, bool flag, int type)
{
    switch (type) {
    case Undo::FillOverprintSet: item->setFillOverprint(flag); break;
    case Undo::LineOverprintSet: item->setLineOverprint(flag); break;
    case Undo::CropSet: item->setDoesCrop(flag); break;
    case Undo::HasFillSet: item->setHasFill(flag); break;
    case Undo::HasLineSet: item->setHasLine(flag); break;
    default: break;
    }
}

} // namespace

// ---- Geometry.

std::unique_ptr<Undo> moveBy(const std::vector<Item*>& items, float dx, float dy, bool undo)
{
    backwards(items, [&](Item* item, std::size_t) {
        const kit::Point o = item->frame().origin;
        item->moveTo(o.x + dx, o.y + dy, false);
    });
    handleOverlaps(items);
    if (!undo || items.empty())
        return nullptr;
    auto record = recordFor<UndoTrans>(items, Undo::Moved);
    record->setMoveBy(dx, dy);
    return record;
}

std::unique_ptr<Undo> rotateBy(const std::vector<Item*>& items, float degrees, bool undo)
{
    const OverlapsHeld held(items);
    const kit::Point c = centreOf(drawnBounds(items));
    float rotation[4];
    getRotationMatrix(degrees, rotation);
    std::vector<TransformInfo> entries;
    backwards(items, [&](Item* item, std::size_t) {
        TransformInfo t = transformBefore(item);
        kit::Point o = t.oldOrigin;
        applyMatrixToPoint(&o, &c, rotation);
        item->setFrameOrigin(o);
        item->rotateByAngle(degrees);
        t.newOrigin = item->frame().origin;
        entries.push_back(t);
    });
    if (!undo || items.empty())
        return nullptr;
    auto record = recordFor<UndoTrans>(items, Undo::Rotated);
    record->setRotate(degrees);
    record->setPointDataFromTInfo(entries);
    return record;
}

std::unique_ptr<Undo> sizeBy(const std::vector<Item*>& items, float dw, float dh, bool undo)
{
    backwards(items, [&](Item* item, std::size_t) {
        const kit::Size s = item->frame().size;
        item->sizeTo(s.width + dw, s.height + dh, false);
    });
    handleOverlaps(items);
    if (!undo || items.empty())
        return nullptr;
    auto record = recordFor<UndoTrans>(items, Undo::SizedBy);
    record->setSizeBy(dw, dh);
    return record;
}

std::unique_ptr<Undo> scaleBy(const std::vector<Item*>& items, float sx, float sy, bool undo)
{
    const OverlapsHeld held(items);
    GraphicStyleSnapshot styles(undo ? items : std::vector<Item*>{}, GraphicStyleSnapshot::ItemsAndMembers);
    // A factor of 0 would flatten the items beyond what undo can invert.
    if (sx == 0.0f || sy == 0.0f || !std::isfinite(sx) || !std::isfinite(sy))
        return nullptr;
    const kit::Point c = centreOf(drawnBounds(items));
    float scale[4];
    getScaleMatrix(sx, sy, scale);
    std::vector<kit::Point> displacements;
    backwards(items, [&](Item* item, std::size_t) {
        const kit::Point old = item->frame().origin;
        kit::Point o = old;
        applyMatrixToPoint(&o, &c, scale);
        item->setFrameOrigin(o);
        item->scaleUnitSquareToSize({sx, sy});
        const kit::Point now = item->frame().origin;
        displacements.push_back({now.x - old.x, now.y - old.y});
    });
    if (!undo || items.empty())
        return nullptr;
    auto record = recordFor<UndoTrans>(items, Undo::ScaledBy);
    record->keepStyles(std::move(styles));
    record->setScale(sx, sy);
    record->setPointData(std::move(displacements));
    return record;
}

std::unique_ptr<Undo> setFrame(const std::vector<Item*>& items, const kit::Rect& rect, int type, bool undo)
{
    const OverlapsHeld held(items);
    if (type < Undo::FrameXSet || type > Undo::FrameSet)
        return nullptr;
    std::vector<kit::Rect> rects(items.size() + 1);
    rects[0] = rect;
    backwards(items, [&](Item* item, std::size_t k) {
        kit::Rect f = item->frame();
        rects[k + 1] = f;
        switch (type) {
        case Undo::FrameXSet: f.origin.x = rect.origin.x; break;
        case Undo::FrameYSet: f.origin.y = rect.origin.y; break;
        case Undo::FrameWidthSet: f.size.width = rect.size.width; break;
        case Undo::FrameHeightSet: f.size.height = rect.size.height; break;
        case Undo::FrameOriginSet: f.origin = rect.origin; break;
        case Undo::FrameSizeSet: f.size = rect.size; break;
        default: f = rect; break;
        }
        item->setFrame(f);
    });
    if (!undo || items.empty())
        return nullptr;
    auto record = recordFor<UndoTrans>(items, type);
    record->setRectData(std::move(rects));
    return record;
}

std::unique_ptr<Undo> rotateTo(const std::vector<Item*>& items, float degrees, bool undo)
{
    const OverlapsHeld held(items);
    std::vector<TransformInfo> entries;
    backwards(items, [&](Item* item, std::size_t) {
        TransformInfo t = transformBefore(item);
        float reading = 0.0f;
        item->getRotation(&reading);
        const float delta = degrees + reading;
        kit::Point centre{};
        item->calcMidpoints(&centre, false);
        float rotation[4];
        getRotationMatrix(delta, rotation);
        kit::Point o = t.oldOrigin;
        applyMatrixToPoint(&o, &centre, rotation);
        item->setFrameOrigin(o);
        item->rotateByAngle(delta);
        t.newOrigin = item->frame().origin;
        entries.push_back(t);
    });
    if (!undo || items.empty())
        return nullptr;
    auto record = recordFor<UndoTrans>(items, Undo::RotatedTo);
    record->setRotate(degrees);
    record->setTInfo(std::move(entries));
    return record;
}

std::unique_ptr<Undo> scaleTo(const std::vector<Item*>& items, float sx, float sy, bool undo)
{
    const OverlapsHeld held(items);
    GraphicStyleSnapshot styles(undo ? items : std::vector<Item*>{}, GraphicStyleSnapshot::ItemsAndMembers);
    std::vector<kit::Rect> rects(items.size());
    backwards(items, [&](Item* item, std::size_t k) {
        rects[k] = item->frame();
        float cx = 1.0f, cy = 1.0f;
        item->getScale(&cx, &cy);
        if (cx == 0.0f || cy == 0.0f)
            return;
        const float fx = sx / cx, fy = sy / cy;
        kit::Point centre{};
        item->calcMidpoints(&centre, false);
        float scale[4];
        getScaleMatrix(fx, fy, scale);
        kit::Point o = item->frame().origin;
        applyMatrixToPoint(&o, &centre, scale);
        item->setFrameOrigin(o);
        item->scaleUnitSquareToSize({fx, fy});
    });
    if (!undo || items.empty())
        return nullptr;
    auto record = recordFor<UndoTrans>(items, Undo::ScaledTo);
    record->keepStyles(std::move(styles));
    record->setScale(sx, sy);
    record->setRectData(std::move(rects));
    return record;
}

// ---- Graphic attributes.

std::unique_ptr<Undo> modifyStyle(const std::vector<Item*>& items, StyleGraphic* style, bool undo, bool remove)
{
    const OverlapsHeld held(items);
    GraphicStyleSnapshot members(undo ? items : std::vector<Item*>{}, GraphicStyleSnapshot::GroupMembers);
    std::vector<UndoStyleGraphic::StyleEntry> entries(items.size() + 1);
    backwards(items, [&](Item* item, std::size_t k) {
        if (!item->canAcceptStyle("StyleGraphic"))
            return;
        StyleGraphic* old = item->graphicStyle();
        if (undo && old == style)
            return;
        if (undo)
            entries[k + 1] = old ? GraphicStyleSnapshot::keptCopy(old) : nullptr;
        if (remove)
            item->removeGraphicStyle(style);
        else
            item->setGraphicStyle(style);
    });
    if (!undo || items.empty())
        return nullptr;
    entries[0] = style ? GraphicStyleSnapshot::keptCopy(style) : nullptr;
    auto record = recordFor<UndoStyleGraphic>(items, remove ? Undo::GraphicStyleRemoved : Undo::GraphicStyleApplied);
    record->keepMemberStyles(std::move(members));
    record->setListData(std::move(entries));
    return record;
}

std::unique_ptr<Undo> modifyFill(const std::vector<Item*>& items, const GxFill* fill, bool undo)
{
    const OverlapsHeld held(items);
    GraphicStyleSnapshot members(undo ? items : std::vector<Item*>{}, GraphicStyleSnapshot::GroupMembers);
    std::vector<GxFill> fills(items.size() + 1);
    std::vector<unsigned char> wasOn(items.size() + 1, UndoStyleGraphic::AttributeOn);
    fills[0] = fill ? fillCopy(fill) : noFill();
    backwards(items, [&](Item* item, std::size_t k) {
        // Every item's own slot holds what it has, whether or not it takes
        // the change: undo reads them all.
        fills[k + 1] = savedFill(item->graphicStyle());
        if (!item->canFill())
            return;
        wasOn[k + 1] = fillState(item);
        item->setFill(fill);
    });
    if (!undo || items.empty())
        return nullptr;
    auto record = recordFor<UndoStyleGraphic>(items, Undo::FillSet);
    record->keepMemberStyles(std::move(members));
    record->setFillData(std::move(fills));
    record->setWasOnData(std::move(wasOn));
    return record;
}

std::unique_ptr<Undo> modifyLine(const std::vector<Item*>& items, const GxLine* line, bool undo)
{
    const OverlapsHeld held(items);
    GraphicStyleSnapshot members(undo ? items : std::vector<Item*>{}, GraphicStyleSnapshot::GroupMembers);
    std::vector<GxLine> lines(items.size() + 1);
    std::vector<unsigned char> wasOn(items.size() + 1, UndoStyleGraphic::AttributeOn);
    lines[0] = line ? lineCopy(line) : noLine();
    backwards(items, [&](Item* item, std::size_t k) {
        lines[k + 1] = savedLine(item->graphicStyle());
        if (!item->canLine())
            return;
        wasOn[k + 1] = lineState(item);
        item->setLine(line);
    });
    if (!undo || items.empty())
        return nullptr;
    auto record = recordFor<UndoStyleGraphic>(items, Undo::LineSet);
    record->keepMemberStyles(std::move(members));
    record->setLineData(std::move(lines));
    record->setWasOnData(std::move(wasOn));
    return record;
}

std::unique_ptr<Undo> modifyColor(const std::vector<Item*>& items, const kit::ColorRef& color, int type, bool undo)
{
    const OverlapsHeld held(items);
    GraphicStyleSnapshot members(undo ? items : std::vector<Item*>{}, GraphicStyleSnapshot::GroupMembers);
    std::vector<UndoStyleGraphic::ColorEntry> colors(items.size() + 1);
    std::vector<unsigned char> wasOn(items.size() + 1, UndoStyleGraphic::AttributeOn);
    colors[0] = color;
    bool took = false;
    backwards(items, [&](Item* item, std::size_t k) {
        const StyleGraphic* style = item->graphicStyle();
        if (type == Undo::FillColorSet) {
            if (!item->canFill())
                return;
            wasOn[k + 1] = fillState(item);
            colors[k + 1] = style && style->fill() ? style->fill()->color : nullptr;
            item->setFillColor(color);
        } else if (type == Undo::LineColorSet || type == Undo::TextColorDropped) {
            if (!item->canLine())
                return;
            wasOn[k + 1] = lineState(item);
            colors[k + 1] = style && style->line() ? style->line()->color : nullptr;
            if (type == Undo::LineColorSet)
                item->setLineColor(color);
            else if (auto* column = dynamic_cast<TextItem*>(item))
                column->setTextColor(color);
        } else {
            return;
        }
        took = true;
    });
    if (!undo || items.empty() || !took)
        return nullptr;
    auto record = recordFor<UndoStyleGraphic>(items, type);
    record->keepMemberStyles(std::move(members));
    record->setColorData(std::move(colors));
    record->setWasOnData(std::move(wasOn));
    return record;
}

std::unique_ptr<Undo> modifyPattern(const std::vector<Item*>& items, std::shared_ptr<const kit::Object> pattern,
                                    bool undo)
{
    const OverlapsHeld held(items);
    GraphicStyleSnapshot members(undo ? items : std::vector<Item*>{}, GraphicStyleSnapshot::GroupMembers);
    std::vector<UndoStyleGraphic::PatternEntry> patterns(items.size() + 1);
    std::vector<unsigned char> wasOn(items.size() + 1, UndoStyleGraphic::AttributeOn);
    patterns[0] = pattern;
    backwards(items, [&](Item* item, std::size_t k) {
        if (!item->canFill())
            return;
        wasOn[k + 1] = fillState(item);
        const StyleGraphic* style = item->graphicStyle();
        patterns[k + 1] = style && style->fill() ? style->fill()->pattern : nullptr;
        item->setFillPattern(pattern);
    });
    if (!undo || items.empty())
        return nullptr;
    auto record = recordFor<UndoStyleGraphic>(items, Undo::FillPatternSet);
    record->keepMemberStyles(std::move(members));
    record->setPatternData(std::move(patterns));
    record->setWasOnData(std::move(wasOn));
    return record;
}

namespace {

std::unique_ptr<Undo> changeLineWidth(const std::vector<Item*>& items, float value, bool relative, bool undo)
{
    const OverlapsHeld held(items);
    GraphicStyleSnapshot members(undo ? items : std::vector<Item*>{}, GraphicStyleSnapshot::GroupMembers);
    std::vector<float> widths(items.size() + 1, 0.0f);
    std::vector<unsigned char> wasOn(items.size() + 1, UndoStyleGraphic::AttributeOn);
    widths[0] = value;
    backwards(items, [&](Item* item, std::size_t k) {
        const float old = item->lineWidth();
        // A line that is off keeps its width for when it is on again.
        const StyleGraphic* style = item->graphicStyle();
        widths[k + 1] = style && style->line() ? style->line()->width : old;
        if (!item->canLine())
            return;
        wasOn[k + 1] = lineState(item);
        float width = value;
        if (relative) {
            width = old + value;
            if (!(width > 0.0f))
                width = 0.0f;
        }
        item->setLineWidth(width);
    });
    if (!undo || items.empty())
        return nullptr;
    auto record = recordFor<UndoStyleGraphic>(items, Undo::LineWidthSet);
    record->keepMemberStyles(std::move(members));
    record->setFloatData(std::move(widths));
    record->setRelativeLineWidth(relative);
    record->setWasOnData(std::move(wasOn));
    return record;
}

} // namespace

std::unique_ptr<Undo> modifyLineWidth(const std::vector<Item*>& items, float width, bool undo)
{
    if (width != -1.0f && width != -2.0f) {
        // -1 and -2 are steps; any other width below 0 (or not a number) is
        // no width at all.
        if (!(width >= 0.0f) || !std::isfinite(width))
            width = 0.0f;
        return changeLineWidth(items, width, false, undo);
    }
    const Preferences* preferences = Main ? Main->preferences() : nullptr;
    const unsigned flags = kit::currentEventModifierFlags();
    const float step = preferences ? preferences->incrementForType(IncrementLineWidth, flags, 1.0f) : 0.0f;
    return changeLineWidth(items, width == -1.0f ? -step : step, true, undo);
}

std::unique_ptr<Undo> changeLineWidthBy(const std::vector<Item*>& items, float step, bool undo)
{
    return changeLineWidth(items, step, true, undo);
}

std::unique_ptr<Undo> modifyFlag(const std::vector<Item*>& items, bool flag, int type, bool undo)
{
    const OverlapsHeld held(items);
    GraphicStyleSnapshot members(undo ? items : std::vector<Item*>{}, GraphicStyleSnapshot::GroupMembers);
    std::vector<unsigned char> flags(items.size() + 1, 0);
    flags[0] = flag;
    bool took = false;
    backwards(items, [&](Item* item, std::size_t k) {
        flags[k + 1] = flagOf(item, type);
        if (!takesFlag(item, type))
            return;
        setFlag(item, flag, type);
        took = true;
    });
    if (!undo || items.empty() || !took)
        return nullptr;
    auto record = recordFor<UndoStyleGraphic>(items, type);
    record->keepMemberStyles(std::move(members));
    record->setFlagData(std::move(flags));
    return record;
}

std::unique_ptr<Undo> modifyDash(const std::vector<Item*>& items, const GxDash* dash, bool undo)
{
    const OverlapsHeld held(items);
    GraphicStyleSnapshot members(undo ? items : std::vector<Item*>{}, GraphicStyleSnapshot::GroupMembers);
    std::vector<GxDash> dashes(items.size() + 1, GxNoDash);
    std::vector<unsigned char> wasOn(items.size() + 1, UndoStyleGraphic::AttributeOn);
    if (dash)
        GxCopyDash(&dashes[0], dash);
    backwards(items, [&](Item* item, std::size_t k) {
        const StyleGraphic* style = item->graphicStyle();
        if (const GxDash* old = style ? style->lineDash() : nullptr)
            GxCopyDash(&dashes[k + 1], old);
        if (!item->canLine())
            return;
        wasOn[k + 1] = lineState(item);
        item->setLineDash(dash);
    });
    if (!undo || items.empty())
        return nullptr;
    auto record = recordFor<UndoStyleGraphic>(items, Undo::DashSet);
    record->keepMemberStyles(std::move(members));
    record->setDashData(std::move(dashes));
    record->setWasOnData(std::move(wasOn));
    return record;
}

std::unique_ptr<Undo> modifyArrow(const std::vector<Item*>& items, const GxArrow* arrow, int type, bool undo)
{
    const OverlapsHeld held(items);
    GraphicStyleSnapshot members(undo ? items : std::vector<Item*>{}, GraphicStyleSnapshot::GroupMembers);
    const bool left = type == Undo::LeftArrowSet;
    std::vector<GxArrow> arrows(items.size() + 1, GxNoArrow);
    std::vector<unsigned char> wasOn(items.size() + 1, UndoStyleGraphic::AttributeOn);
    if (arrow)
        GxCopyArrow(&arrows[0], arrow);
    backwards(items, [&](Item* item, std::size_t k) {
        if (const StyleGraphic* style = item->graphicStyle()) {
            const GxArrow* old = left ? (style->hasLeftArrow() ? style->leftArrow() : nullptr)
                                      : (style->hasRightArrow() ? style->rightArrow() : nullptr);
            if (old)
                GxCopyArrow(&arrows[k + 1], old);
        }
        if (!item->canArrow())
            return;
        wasOn[k + 1] = lineState(item);
        if (left)
            item->setLeftArrow(arrow);
        else
            item->setRightArrow(arrow);
    });
    if (!undo || items.empty())
        return nullptr;
    auto record = recordFor<UndoStyleGraphic>(items, left ? Undo::LeftArrowSet : Undo::RightArrowSet);
    record->keepMemberStyles(std::move(members));
    record->setArrowData(std::move(arrows));
    record->setWasOnData(std::move(wasOn));
    return record;
}

// ---- Paragraph settings.

std::unique_ptr<Undo> modifyRuler(const std::vector<Item*>& items, const StyleParagraph* ruler, bool undo)
{
    (void)undo;
    backwards(items, [&](Item* item, std::size_t) {
        if (auto* column = dynamic_cast<TextItem*>(item); column && column->canAcceptStyle("StyleParagraph"))
            column->setRuler(ruler);
    });
    return nullptr;
}

std::unique_ptr<Undo> modifyTextStyle(const std::vector<Item*>& items, const StyleParagraph* style, bool undo,
                                      bool remove)
{
    (void)undo;
    backwards(items, [&](Item* item, std::size_t) {
        auto* column = dynamic_cast<TextItem*>(item);
        if (!column || !column->canAcceptStyle("StyleParagraph"))
            return;
        if (remove)
            column->localizeNamedParaStyle();
        else
            column->setStylePara(style);
    });
    return nullptr;
}
