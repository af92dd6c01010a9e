#include "document/UndoStyleGraphic.h"

#include "core/Coder.h"
#include "core/Values.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "document/UndoDetail.h"
#include "foundation/StyleGraphic.h"
#include "foundation/StyleGraphicNamed.h"
#include "foundation/StyleInfo.h"
#include "foundation/StyleSheetEntry.h"
#include "items/Item.h"
#include "items/ItemArray.h"

using namespace undo_detail;

namespace {

// Marks for the entries of a stored list that hold no object.
constexpr int EntryUnchanged = 0;
constexpr int EntryNone = 1;

const GxDash* dashOrNone(const GxDash& dash) { return GxEqualDash(&dash, nullptr) ? nullptr : &dash; }
const GxArrow* arrowOrNone(const GxArrow& arrow) { return GxEqualArrow(&arrow, nullptr) ? nullptr : &arrow; }

bool isFlagCode(int code)
{
    return code == Undo::FillOverprintSet || code == Undo::LineOverprintSet || code == Undo::CropSet ||
           code == Undo::HasFillSet || code == Undo::HasLineSet;
}

bool isRecordCode(int code)
{
    return code == Undo::DashSet || code == Undo::LeftArrowSet || code == Undo::RightArrowSet ||
           code == Undo::FillSet || code == Undo::LineSet;
}

// An item's own style takes a saved style's values without the fill and
// line that are switched off; they come back too, so that switching them on
// again shows what they were.
void keepSwitchedOffValues(StyleGraphic* style, const StyleGraphic* saved)
{
    if (!style || !saved || style->isNamedStyle())
        return;
    if (!saved->hasFill() && saved->fill()) {
        style->setFill(saved->fill());
        style->setHasFill(false);
    }
    if (!saved->hasLine() && saved->line()) {
        style->setLine(saved->line());
        style->setHasLine(false);
    }
}

} // namespace

void checkStyle(LayoutDocument* document, StyleGraphic* style)
{
    auto* named = dynamic_cast<StyleGraphicNamed*>(style);
    if (!named || !document || !document->styleInfo())
        return;
    StyleInfo* sheet = document->styleInfo();
    StyleGraphicNamed* super = named->superstyle();
    if (super && sheet->indexOfObject(super, sheet->graphicStyles()) != StyleInfo::NotFound)
        return;
    named->setSuperstyle(nullptr);
    named->setStyleName(StyleSheetEntry::stringForKey("No Style"));
    named->setDefinedFlags(0);
}

StyleGraphic* getSuperstyle(LayoutDocument* document, const StyleGraphic* style)
{
    if (!style || !style->isNamedStyle() || !document || !document->styleInfo())
        return nullptr;
    StyleInfo* sheet = document->styleInfo();
    return dynamic_cast<StyleGraphic*>(sheet->styleWithName(style->rootName(), sheet->graphicStyles()));
}

UndoStyleGraphic::UndoStyleGraphic() = default;

UndoStyleGraphic::UndoStyleGraphic(std::vector<Item*> items, Page* page, int undoType)
    : Undo(std::move(items), page, undoType)
{
}

UndoStyleGraphic::~UndoStyleGraphic() = default;

void UndoStyleGraphic::setGraphicStyle(std::unique_ptr<StyleGraphic> style) { data_ = std::move(style); }
void UndoStyleGraphic::setListData(std::vector<StyleEntry> styles) { data_ = std::move(styles); }
void UndoStyleGraphic::setColorData(std::vector<ColorEntry> colors) { data_ = std::move(colors); }
void UndoStyleGraphic::setPatternData(std::vector<PatternEntry> patterns) { data_ = std::move(patterns); }
void UndoStyleGraphic::setFlagData(std::vector<unsigned char> flags) { data_ = std::move(flags); }
void UndoStyleGraphic::setFloatData(std::vector<float> values) { data_ = std::move(values); }
void UndoStyleGraphic::setFillData(std::vector<GxFill> fills) { data_ = std::move(fills); }
void UndoStyleGraphic::setLineData(std::vector<GxLine> lines) { data_ = std::move(lines); }
void UndoStyleGraphic::setDashData(std::vector<GxDash> dashes) { data_ = std::move(dashes); }
void UndoStyleGraphic::setArrowData(std::vector<GxArrow> arrows) { data_ = std::move(arrows); }

const StyleGraphic* UndoStyleGraphic::savedStyle() const
{
    const auto* style = std::get_if<std::unique_ptr<StyleGraphic>>(&data_);
    return style ? style->get() : nullptr;
}

void UndoStyleGraphic::undoInDocument(LayoutDocument* document) { perform(document, true); }
void UndoStyleGraphic::redoInDocument(LayoutDocument* document) { perform(document, false); }

void UndoStyleGraphic::perform(LayoutDocument* document, bool undo)
{
    if (!document)
        return;
    const bool redefinition = undoType() == GraphicStyleRedefined;
    invalidateSelectionAndItems(document, items());
    if (!redefinition)
        activate(document, page());
    const OverlapsHeld held(items());
    if ((itemCount() > 0 || redefinition) && hasData()) {
        if (redefinition)
            swapRedefinedStyle(document);
        else if (undo) {
            undoStep(document);
            memberStyles_.restore();
        } else
            redoStep(document);
    }
    if (!redefinition) {
        const bool sameLayer = document->getEditingLayer() == getItemsEditingLayer();
        select(document, sameLayer ? items() : std::vector<Item*>{});
    }
    document->setEdited(true);
}

void UndoStyleGraphic::swapRedefinedStyle(LayoutDocument* document)
{
    auto& saved = std::get<std::unique_ptr<StyleGraphic>>(data_);
    StyleGraphic* live = getSuperstyle(document, saved.get());
    // The style left the sheet: there is nothing to redefine.
    if (!live)
        return;
    std::unique_ptr<StyleGraphic> now = live->copy();
    live->takeStyleValuesFrom(saved.get());
    saved = std::move(now);
    document->notifyUpdate(nullptr, nullptr);
}

void UndoStyleGraphic::undoStep(LayoutDocument* document)
{
    const std::size_t n = itemCount();
    const int code = undoType();
    // Item k and its own entry k + 1.
    auto eachItem = [&](const auto& list, auto&& f) {
        for (std::size_t k = 0; k < n && k + 1 < list.size(); ++k)
            if (Item* item = itemAt(k))
                f(item, list[k + 1]);
    };
    if (const auto* styles = listData()) {
        if (code != GraphicStyleRemoved && code != GraphicStyleApplied)
            return;
        eachItem(*styles, [&](Item* item, const StyleEntry& entry) {
            if (!entry)
                return;
            checkStyle(document, entry->get());
            item->setGraphicStyle(entry->get());
            keepSwitchedOffValues(item->graphicStyle(), entry->get());
        });
    } else if (const auto* colors = colorData()) {
        if (code != FillColorSet && code != LineColorSet)
            return;
        eachItem(*colors, [&](Item* item, const ColorEntry& entry) {
            if (!entry)
                return;
            if (code == FillColorSet)
                item->setFillColor(*entry);
            else
                item->setLineColor(*entry);
        });
    } else if (const auto* patterns = patternData()) {
        eachItem(*patterns, [&](Item* item, const PatternEntry& entry) {
            if (entry)
                item->setFillPattern(*entry);
        });
    } else if (const auto* flags = flagData()) {
        eachItem(*flags, [&](Item* item, unsigned char flag) {
            switch (code) {
            case FillOverprintSet: item->setFillOverprint(flag); break;
            case LineOverprintSet: item->setLineOverprint(flag); break;
            case CropSet: item->setDoesCrop(flag); break;
            case HasFillSet: item->setHasFill(flag); break;
            case HasLineSet: item->setHasLine(flag); break;
            default: break;
            }
        });
    } else if (const auto* widths = floatData()) {
        eachItem(*widths, [&](Item* item, float width) { item->setLineWidth(width); });
    } else if (const auto* dashes = dashData()) {
        eachItem(*dashes, [&](Item* item, const GxDash& dash) { item->setLineDash(dashOrNone(dash)); });
    } else if (const auto* arrows = arrowData()) {
        eachItem(*arrows, [&](Item* item, const GxArrow& arrow) {
            if (code == LeftArrowSet)
                item->setLeftArrow(arrowOrNone(arrow));
            else
                item->setRightArrow(arrowOrNone(arrow));
        });
    } else if (const auto* fills = fillData()) {
        // Judged by the item's own saved record: one that had no fill gets none.
        eachItem(*fills, [&](Item* item, const GxFill& fill) { item->setFill(GxIsNoFill(&fill) ? nullptr : &fill); });
    } else if (const auto* lines = lineData()) {
        eachItem(*lines, [&](Item* item, const GxLine& line) { item->setLine(GxIsNoLine(&line) ? nullptr : &line); });
    }
    // What the values switched on is switched off again; a fill or line
    // that was off keeps its values for when it is on again.
    const bool fill = code == FillColorSet || code == FillPatternSet || code == FillSet;
    const bool line = code == LineColorSet || code == LineWidthSet || code == DashSet || code == LeftArrowSet ||
                      code == RightArrowSet || code == LineSet;
    if (fill || line)
        eachItem(wasOn_, [&](Item* item, unsigned char was) {
            if (was == AttributeAbsent) {
                if (fill)
                    item->setFill(nullptr);
                else
                    item->setLine(nullptr);
            } else if (was == AttributeOff) {
                if (fill)
                    item->setHasFill(false);
                else
                    item->setHasLine(false);
            }
        });
}

void UndoStyleGraphic::redoStep(LayoutDocument* document)
{
    const std::vector<Item*> present = items();
    const int code = undoType();
    switch (code) {
    case GraphicStyleRemoved:
    case GraphicStyleApplied: {
        const auto* styles = listData();
        if (!styles || styles->empty() || !styles->front())
            return;
        StyleGraphic* style = styles->front()->get();
        checkStyle(document, style);
        modifyStyle(present, style, false, code == GraphicStyleRemoved);
        break;
    }
    case FillColorSet:
    case LineColorSet:
        if (const auto* colors = colorData(); colors && !colors->empty() && colors->front())
            modifyColor(present, *colors->front(), code, false);
        break;
    case FillPatternSet:
        if (const auto* patterns = patternData(); patterns && !patterns->empty() && patterns->front())
            modifyPattern(present, *patterns->front(), false);
        break;
    case FillOverprintSet:
    case LineOverprintSet:
    case CropSet:
    case HasFillSet:
    case HasLineSet:
        if (const auto* flags = flagData(); flags && !flags->empty())
            modifyFlag(present, flags->front() != 0, code, false);
        break;
    case LineWidthSet:
        if (const auto* widths = floatData(); widths && !widths->empty()) {
            if (relativeLineWidth_)
                changeLineWidthBy(present, widths->front(), false);
            else
                modifyLineWidth(present, widths->front(), false);
        }
        break;
    case DashSet:
        if (const auto* dashes = dashData(); dashes && !dashes->empty())
            modifyDash(present, dashOrNone(dashes->front()), false);
        break;
    case LeftArrowSet:
    case RightArrowSet:
        if (const auto* arrows = arrowData(); arrows && !arrows->empty())
            modifyArrow(present, arrowOrNone(arrows->front()), code, false);
        break;
    case FillSet:
        if (const auto* fills = fillData(); fills && !fills->empty())
            modifyFill(present, GxIsNoFill(&fills->front()) ? nullptr : &fills->front(), false);
        break;
    case LineSet:
        if (const auto* lines = lineData(); lines && !lines->empty())
            modifyLine(present, GxIsNoLine(&lines->front()) ? nullptr : &lines->front(), false);
        break;
    default:
        break;
    }
}

// ---- Stored form.

void UndoStyleGraphic::encodeWithCoder(kit::Coder& coder) const
{
    Undo::encodeWithCoder(coder);
    const int code = undoType();
    if (!((itemCount() > 0 || code == GraphicStyleRedefined) && hasData()))
        return;
    if (const StyleGraphic* style = savedStyle()) {
        coder.encodeObject(style);
        return;
    }
    // The lists as one array object; an entry without an object is a number.
    auto listOf = [&](const auto& entries, auto&& objectOf) {
        codedData_ = std::make_unique<kit::Array>();
        for (const auto& entry : entries) {
            kit::Object* object = entry ? objectOf(*entry) : nullptr;
            if (object)
                codedData_->addObject(object);
            else
                codedData_->addOwnedObject(std::make_unique<kit::Number>(entry ? EntryNone : EntryUnchanged));
        }
        coder.encodeObject(codedData_.get());
    };
    if (const auto* styles = listData())
        listOf(*styles, [](const std::unique_ptr<StyleGraphic>& s) -> kit::Object* { return s.get(); });
    else if (const auto* colors = colorData())
        listOf(*colors, [](const kit::ColorRef& c) -> kit::Object* { return const_cast<kit::Color*>(c.get()); });
    else if (const auto* patterns = patternData())
        listOf(*patterns,
               [](const std::shared_ptr<const kit::Object>& p) -> kit::Object* { return const_cast<kit::Object*>(p.get()); });
    else if (const auto* flags = flagData())
        coder.encodeArrayOfObjCType("c", flags->size(), flags->data());
    else if (const auto* widths = floatData())
        coder.encodeArrayOfObjCType("f", widths->size(), widths->data());
    else if (const auto* dashes = dashData())
        for (const GxDash& d : *dashes)
            GxWriteDash(coder, &d);
    else if (const auto* arrows = arrowData())
        for (const GxArrow& a : *arrows)
            GxWriteArrow(coder, &a);
    else if (const auto* fills = fillData())
        for (const GxFill& f : *fills)
            GxWriteFill(coder, &f);
    else if (const auto* lines = lineData())
        for (const GxLine& l : *lines)
            GxWriteLine(coder, &l);
}

kit::Object* UndoStyleGraphic::initWithCoder(kit::Coder& coder)
{
    Undo::initWithCoder(coder);
    const int code = undoType();
    if (coder.isAtEnd())
        return this;
    const std::size_t count = itemCount() + 1;
    if (code == GraphicStyleRedefined) {
        data_ = coder.decodeOwnedObject<StyleGraphic>();
        return this;
    }
    if ((code >= GraphicStyleRemoved && code <= FillPatternSet) || code == LineColorSet) {
        auto* array = dynamic_cast<kit::Array*>(coder.decodeObject());
        if (!array)
            return this;
        auto isMark = [](kit::Object* o) { return dynamic_cast<kit::Number*>(o) != nullptr; };
        auto markOf = [](kit::Object* o) { return static_cast<kit::Number*>(o)->intValue(); };
        if (code == GraphicStyleRemoved || code == GraphicStyleApplied) {
            std::vector<StyleEntry> styles;
            for (kit::Object* o : array->objects()) {
                if (isMark(o))
                    styles.push_back(markOf(o) == EntryNone ? StyleEntry(nullptr) : StyleEntry());
                else
                    styles.emplace_back(coder.claim<StyleGraphic>(o, *this));
            }
            data_ = std::move(styles);
        } else if (code == FillPatternSet) {
            std::vector<PatternEntry> patterns;
            for (kit::Object* o : array->objects())
                patterns.push_back(isMark(o) ? (markOf(o) == EntryNone ? PatternEntry(nullptr) : PatternEntry())
                                             : PatternEntry(coder.share<kit::Object>(o)));
            data_ = std::move(patterns);
        } else {
            std::vector<ColorEntry> colors;
            for (kit::Object* o : array->objects())
                colors.push_back(isMark(o) ? (markOf(o) == EntryNone ? ColorEntry(nullptr) : ColorEntry())
                                           : ColorEntry(coder.share<kit::Color>(o)));
            data_ = std::move(colors);
        }
        return this;
    }
    if (isFlagCode(code)) {
        data_ = coder.decodeVectorOfObjCType<unsigned char>("c", count);
    } else if (code == LineWidthSet) {
        data_ = coder.decodeVectorOfObjCType<float>("f", count);
    } else if (isRecordCode(code)) {
        // Each record is at least its presence byte.
        coder.checkUnitCount("c", count);
        auto readAll = [&](auto read, auto empty) {
            std::vector<decltype(empty)> records;
            for (std::size_t k = 0; k < count; ++k) {
                auto record = read(coder);
                records.push_back(record ? std::move(*record) : decltype(empty){});
            }
            return records;
        };
        switch (code) {
        case DashSet: data_ = readAll(GxReadDash, GxDash{}); break;
        case LeftArrowSet:
        case RightArrowSet: data_ = readAll(GxReadArrow, GxArrow{}); break;
        case FillSet: data_ = readAll(GxReadFill, GxFill{}); break;
        default: data_ = readAll(GxReadLine, GxLine{}); break;
        }
    }
    return this;
}
