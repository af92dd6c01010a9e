#pragma once

// The record of a change of the graphic attributes of items (style, fill
// and line colour, pattern, flags, line width, dash, arrows, whole fill and
// line records), and of the redefinition of a named graphic style (58). Its
// code never changes: undo gives each item back its own old value, redo
// performs the change again through the selection's edits.
//
// Entry 0 of the data holds the value the change applied, entry k + 1 the
// value item k had before it.

#include "core/Color.h"
#include "document/Undo.h"
#include "items/GraphicStyleSnapshot.h"
#include "foundation/GxRecords.h"

#include <memory>
#include <optional>
#include <variant>
#include <vector>

class StyleGraphic;

class UndoStyleGraphic : public Undo {
public:
    // A style entry: nullopt for an item the change left alone, nullptr for
    // no style.
    using StyleEntry = std::optional<std::unique_ptr<StyleGraphic>>;
    // A colour or pattern entry: nullopt for an item the change left alone.
    using ColorEntry = std::optional<kit::ColorRef>;
    using PatternEntry = std::optional<std::shared_ptr<const kit::Object>>;

    UndoStyleGraphic();
    UndoStyleGraphic(std::vector<Item*> items, Page* page, int undoType);
    ~UndoStyleGraphic() override;

    // A copy of a named style as it was before it was redefined (58).
    void setGraphicStyle(std::unique_ptr<StyleGraphic> style);
    void setListData(std::vector<StyleEntry> styles);
    void setColorData(std::vector<ColorEntry> colors);
    void setPatternData(std::vector<PatternEntry> patterns);
    void setFlagData(std::vector<unsigned char> flags);
    void setFloatData(std::vector<float> values);
    void setFillData(std::vector<GxFill> fills);
    void setLineData(std::vector<GxLine> lines);
    void setDashData(std::vector<GxDash> dashes);
    void setArrowData(std::vector<GxArrow> arrows);
    // What item k's fill (colour, pattern, record) or line (colour, width,
    // dash, arrows, record) was before the change, in entry k + 1: setting
    // such a value switches the attribute on, so undo switches it off again,
    // or takes it away when the item had none.
    static constexpr unsigned char AttributeOff = 0;
    static constexpr unsigned char AttributeOn = 1;
    static constexpr unsigned char AttributeAbsent = 2;
    void setWasOnData(std::vector<unsigned char> flags) { wasOn_ = std::move(flags); }
    // The styles of the members of groups among the items before the
    // change: a group takes one value for all, and undo gives each member
    // its own again.
    void keepMemberStyles(GraphicStyleSnapshot styles) { memberStyles_ = std::move(styles); }
    const std::vector<unsigned char>& wasOnData() const { return wasOn_; }
    // A line width changed by a step (thinner, thicker) rather than set:
    // entry 0 is then the step, and redo steps again.
    void setRelativeLineWidth(bool flag) { relativeLineWidth_ = flag; }
    bool isRelativeLineWidth() const { return relativeLineWidth_; }

    bool hasData() const { return !std::holds_alternative<std::monostate>(data_); }
    const StyleGraphic* savedStyle() const;
    const std::vector<StyleEntry>* listData() const { return std::get_if<std::vector<StyleEntry>>(&data_); }
    const std::vector<ColorEntry>* colorData() const { return std::get_if<std::vector<ColorEntry>>(&data_); }
    const std::vector<PatternEntry>* patternData() const { return std::get_if<std::vector<PatternEntry>>(&data_); }
    const std::vector<unsigned char>* flagData() const { return std::get_if<std::vector<unsigned char>>(&data_); }
    const std::vector<float>* floatData() const { return std::get_if<std::vector<float>>(&data_); }
    const std::vector<GxFill>* fillData() const { return std::get_if<std::vector<GxFill>>(&data_); }
    const std::vector<GxLine>* lineData() const { return std::get_if<std::vector<GxLine>>(&data_); }
    const std::vector<GxDash>* dashData() const { return std::get_if<std::vector<GxDash>>(&data_); }
    const std::vector<GxArrow>* arrowData() const { return std::get_if<std::vector<GxArrow>>(&data_); }

    void undoInDocument(LayoutDocument* document) override;
    void redoInDocument(LayoutDocument* document) override;

    std::string className() const override { return "UndoStyleGraphic"; }
    void encodeWithCoder(kit::Coder& coder) const override;
    kit::Object* initWithCoder(kit::Coder& coder) override;

private:
    void perform(LayoutDocument* document, bool undo);
    void undoStep(LayoutDocument* document);
    void redoStep(LayoutDocument* document);
    void swapRedefinedStyle(LayoutDocument* document);

    std::variant<std::monostate, std::unique_ptr<StyleGraphic>, std::vector<StyleEntry>, std::vector<ColorEntry>,
                 std::vector<PatternEntry>, std::vector<unsigned char>, std::vector<float>, std::vector<GxFill>,
                 std::vector<GxLine>, std::vector<GxDash>, std::vector<GxArrow>>
        data_;
    bool relativeLineWidth_ = false;
    std::vector<unsigned char> wasOn_;
    GraphicStyleSnapshot memberStyles_;
    mutable std::unique_ptr<kit::Array> codedData_;
};

// A named style whose superstyle is no longer among the document's graphic
// styles is cut loose: no superstyle, the name "No Style", nothing defined.
void checkStyle(LayoutDocument* document, StyleGraphic* style);
// The style of the document's style sheet that a saved copy of a named style
// stands for (by its root name); nil for none.
StyleGraphic* getSuperstyle(LayoutDocument* document, const StyleGraphic* style);
