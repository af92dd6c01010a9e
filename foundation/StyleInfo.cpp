#include "foundation/StyleInfo.h"

#include "core/Alert.h"
#include "foundation/Preferences.h"
#include "foundation/StyleGraphicNamed.h"
#include "foundation/StyleNames.h"
#include "foundation/StyleParagraphNamed.h"
#include "foundation/StyleSheetDocument.h"

#include <algorithm>
#include <cstdio>

StyleInfo::StyleInfo(const Preferences* preferences)
    : preferences_(preferences)
{
    graphicStyles_.reserve(1);
    graphicStyles_.push_back(std::make_unique<StyleGraphic>());
    paragraphStyles_.reserve(1);
    paragraphStyles_.push_back(std::make_unique<StyleParagraph>(preferences_));
}

StyleInfo::~StyleInfo() = default;

namespace {
bool contains(const StyleList& list, const StyleSheetEntry* style)
{
    return std::any_of(list.begin(), list.end(), [style](const auto& s) { return s.get() == style; });
}
} // namespace

int StyleInfo::styleTypeForStyle(const StyleSheetEntry* style) const
{
    if (contains(paragraphStyles_, style))
        return ParagraphStyleType;
    if (contains(graphicStyles_, style))
        return GraphicStyleType;
    return ParagraphStyleType;
}

StyleList* StyleInfo::stylesForStyle(const StyleSheetEntry* style)
{
    if (!style)
        return nullptr;
    if (contains(paragraphStyles_, style))
        return &paragraphStyles_;
    if (contains(graphicStyles_, style))
        return &graphicStyles_;
    return nullptr;
}

StyleList* StyleInfo::stylesForType(int type)
{
    switch (type) {
    case ParagraphStyleType:
        return &paragraphStyles_;
    case GraphicStyleType:
        return &graphicStyles_;
    default:
        return nullptr;
    }
}

std::string StyleInfo::styleIconForType(int type)
{
    switch (type) {
    case ParagraphStyleType:
        return "StylePara";
    case CharacterStyleType:
        return "StyleChar";
    case GraphicStyleType:
        return "StyleLineFill";
    default:
        return std::string();
    }
}

int StyleInfo::styleAttributeForType(int type)
{
    switch (type) {
    case ParagraphStyleType:
        return 41;
    case GraphicStyleType:
        return 60;
    default:
        return -1;
    }
}

std::string StyleInfo::stylePasteboardForType(int type)
{
    switch (type) {
    case ParagraphStyleType:
        return "Paragraph Pasteboard Type";
    case GraphicStyleType:
        return "Graphics Pasteboard Type";
    default:
        return std::string();
    }
}

std::string StyleInfo::styleIconForStyle(const StyleSheetEntry* style) const
{
    return styleIconForType(styleTypeForStyle(style));
}

std::size_t StyleInfo::indexOfObject(const StyleSheetEntry* style, const StyleList* list)
{
    if (!list)
        list = stylesForStyle(style);
    if (!list)
        return NotFound;
    for (std::size_t i = 0; i < list->size(); ++i)
        if ((*list)[i].get() == style)
            return i;
    return NotFound;
}

StyleSheetEntry* StyleInfo::styleWithName(const std::optional<std::string>& name, const StyleList* list) const
{
    return findStyleWithName(list, name);
}

StyleSheetEntry* StyleInfo::insert(std::unique_ptr<StyleSheetEntry> style, StyleList* list)
{
    style->setCanFree(false);
    StyleSheetEntry* raw = style.get();
    list->push_back(std::move(style));
    sortStyles(list);
    return raw;
}

std::unique_ptr<StyleSheetEntry> StyleInfo::addStyle(std::unique_ptr<StyleSheetEntry> style, StyleList* list)
{
    if (!style || !list)
        return style;
    if (style->isNamedStyle() && findStyleWithName(list, style->styleName()))
        return style;
    insert(std::move(style), list);
    return nullptr;
}

StyleSheetEntry* StyleInfo::addNewStyleInStyles(StyleList* list)
{
    const std::string newStyle = StyleSheetEntry::stringForKey("New Style");
    if (isParagraphList(list)) {
        auto style = std::make_unique<StyleParagraphNamed>(preferences_);
        StyleParagraph* current = document_ ? document_->currentParagraphStyle() : nullptr;
        StyleParagraphNamed* based = current ? current->basedOnStyle() : nullptr;
        std::optional<std::string> name;
        if (based) {
            style->takeStyleValuesFrom(based);
            name = getUniqueName(list, based->styleName());
        } else {
            name = getUniqueName(list, newStyle);
        }
        // Never a named style without a name.
        if (!name)
            return nullptr;
        style->setStyleName(name);
        StyleParagraphNamed* raw = style.get();
        insert(std::move(style), list);
        if (based && document_)
            document_->setCurrentParagraphBasedOnStyle(raw);
        return raw;
    }
    if (isGraphicList(list)) {
        const std::optional<std::string> name = getUniqueName(list, newStyle);
        if (!name)
            return nullptr;
        auto style = std::make_unique<StyleGraphicNamed>();
        std::unique_ptr<StyleGraphic> selected = document_ ? document_->graphicStyleOfSelection() : nullptr;
        if (selected) {
            style->takeStyleValuesFrom(selected.get());
        } else {
            const Preferences* prefs = preferences_;
            if (prefs && prefs->hasFill())
                style->setFillColor(kit::Color::whiteColor());
            else
                style->setFill(nullptr);
            if (!prefs || prefs->hasLine()) {
                style->setLineWidth(prefs ? prefs->lineWidth() : 1.0f);
                style->setLineColor(kit::Color::colorWithDeviceCyan(0.0f, 0.0f, 0.0f, 1.0f, 1.0f));
            } else {
                style->setLine(nullptr);
            }
        }
        style->setStyleName(name);
        return insert(std::move(style), list);
    }
    return nullptr;
}

StyleSheetEntry* StyleInfo::copyStyle(StyleSheetEntry* style, StyleList* list)
{
    if (!style)
        return nullptr;
    if (!list)
        list = stylesForStyle(style);
    if (!list)
        return nullptr;
    std::unique_ptr<StyleSheetEntry> copy;
    std::optional<std::string> name;
    if (auto* p = dynamic_cast<StyleParagraphNamed*>(style)) {
        name = getCopyName(list, p->styleName());
        auto c = p->copyNamed();
        c->setStyleName(name);
        copy = std::move(c);
    } else if (auto* g = dynamic_cast<StyleGraphicNamed*>(style)) {
        name = getCopyName(list, g->styleName());
        auto c = g->copyNamed();
        c->setStyleName(name);
        copy = std::move(c);
    } else {
        name = getUniqueName(list, StyleSheetEntry::stringForKey("New Style"));
        if (isGraphicList(list)) {
            auto c = std::make_unique<StyleGraphicNamed>();
            c->takeStyleValuesFrom(dynamic_cast<const StyleGraphic*>(style));
            c->setStyleName(name);
            copy = std::move(c);
        } else {
            auto c = std::make_unique<StyleParagraphNamed>(preferences_);
            c->takeStyleValuesFrom(dynamic_cast<const StyleParagraph*>(style));
            c->setStyleName(name);
            copy = std::move(c);
        }
    }
    // Never a named style without a name.
    if (!name)
        return nullptr;
    return insert(std::move(copy), list);
}

StyleInfo::RenameResult StyleInfo::renameStyle(StyleSheetEntry* style, const std::optional<std::string>& newName,
                                               StyleList* list)
{
    if (!newName || !style || !style->isNamedStyle())
        return RenameResult::Unchanged;
    const std::optional<std::string> current = style->styleName();
    if (!current || *current == *newName || *newName == StyleSheetEntry::stringForKey("No Style"))
        return RenameResult::Unchanged;
    if (!list)
        list = stylesForStyle(style);
    if (list && findStyleWithName(list, newName)) {
        kit::runAlertPanel(StyleSheetEntry::stringForKey("RenameStyle"),
                           StyleSheetEntry::stringForKey("StyleNameDupe"), "", "", "", {*newName});
        return RenameResult::Refused;
    }
    const std::optional<std::string> subName = getSubName(newName);
    if (auto* p = dynamic_cast<StyleParagraphNamed*>(style)) {
        p->setStyleName(newName);
        if (p->substyles())
            for (StyleParagraphNamed* child : *p->substyles())
                child->setStyleName(subName);
    } else if (auto* g = dynamic_cast<StyleGraphicNamed*>(style)) {
        g->setStyleName(newName);
        if (g->substyles())
            for (StyleGraphicNamed* child : *g->substyles())
                child->setStyleName(subName);
    }
    sortStyles(list);
    return RenameResult::Renamed;
}

std::unique_ptr<StyleSheetEntry> StyleInfo::removeStyle(StyleSheetEntry* style, StyleList* list)
{
    if (!style || !style->isNamedStyle())
        return nullptr;
    if (!list)
        list = stylesForStyle(style);
    if (!list)
        return nullptr;
    auto it = std::find_if(list->begin(), list->end(), [style](const auto& s) { return s.get() == style; });
    if (it == list->end())
        return nullptr;
    std::unique_ptr<StyleSheetEntry> removed = std::move(*it);
    list->erase(it);
    if (auto* p = dynamic_cast<StyleParagraphNamed*>(removed.get())) {
        if (document_)
            document_->removeStyleReference(p);
        for (auto& entry : *list)
            if (auto* other = dynamic_cast<StyleParagraph*>(entry.get()))
                other->removeStyleReference(p);
        p->releaseBasedStyles();
        p->removeFromSuperstyle();
        p->setStyleName(std::nullopt);
    } else if (auto* g = dynamic_cast<StyleGraphicNamed*>(removed.get())) {
        if (document_)
            document_->removeGraphicStyle(g);
        // Items the document does not reach (held by undo records or
        // pasteboards) let go of it too.
        g->releaseUsers();
        g->releaseBasedStyles();
        g->removeFromSuperstyle();
        g->setCanFree(true);
    }
    return removed;
}

void StyleInfo::sortStyles(StyleList* list)
{
    if (!list || list->size() <= 2)
        return;
    std::stable_sort(list->begin(), list->end(),
                     [](const auto& a, const auto& b) { return a->compare(*b) < 0; });
}

void StyleInfo::audit(int indent) const
{
    (void)indent;
    std::printf("Paragraph styles:\n");
    for (const auto& s : paragraphStyles_)
        std::printf("\t%p %s\n", static_cast<const void*>(s.get()), s->styleName().value_or("(null)").c_str());
    std::printf("\nGraphic styles:\n");
    for (const auto& s : graphicStyles_)
        std::printf("\t%p %s\n", static_cast<const void*>(s.get()), s->styleName().value_or("(null)").c_str());
    std::printf("\n");
    std::fflush(stdout);
}

std::unique_ptr<StyleParagraph> StyleInfo::adaptPastedStyle(const StyleParagraph* style, const StyleInfo* sheet)
{
    if (!style)
        return nullptr;
    std::unique_ptr<StyleParagraph> adapted = style->copy();
    auto here = [sheet](const StyleParagraph* named) -> StyleParagraphNamed* {
        if (!named || !sheet)
            return nullptr;
        return dynamic_cast<StyleParagraphNamed*>(
            sheet->styleWithName(named->styleName(), sheet->paragraphStyles()));
    };
    // Styles of the pasted data go with it: only the sheet's named styles of
    // the same names may stay referenced.
    adapted->setBasedOnStyle(here(style->basedOnStyle()));
    adapted->setNextParagraphStyle(here(style->nextParagraphStyle()));
    return adapted;
}
