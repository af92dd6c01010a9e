// The paragraph style editor's window: the name and the two style pop-ups
// at the top, two columns of attributes (each with its defined checkbox at
// the left), the tab ruler across, and the buttons at the bottom.

#include "panels/PanelStylesEditor.h"

#include "app/Layvane.h"
#include "appkit/Button.h"
#include "appkit/ButtonCell.h"
#include "appkit/CellMatrix.h"
#include "appkit/ColorWell.h"
#include "appkit/PopUpButton.h"
#include "appkit/ScrollView.h"
#include "appkit/TextField.h"
#include "appkit/View.h"
#include "foundation/Units.h"
#include "view/RulerViewInset.h"

namespace {

constexpr float kWidth = PanelStylesEditor::ContentWidth;
constexpr float kHeight = PanelStylesEditor::ContentHeight;
constexpr float kRow = 26.0f;
constexpr float kColumn = 280.0f;

constexpr auto& text = applicationString;

class Builder {
public:
    Builder(kit::View* content, PanelStylesEditor* owner) : content_(content), owner_(owner) {}

    kit::View* add(std::unique_ptr<kit::View> view) { return content_->addSubview(std::move(view)); }

    void label(float x, float y, float width, const std::string& title, int tag = 0)
    {
        auto field = kit::TextField::makeLabel(kit::makeRect(x, y, width, 20), title);
        field->setTag(tag);
        add(std::move(field));
    }

    kit::TextField* field(const char* outlet, float x, float y, float width, const char* action)
    {
        auto made = std::make_unique<kit::TextField>(kit::makeRect(x, y, width, 22));
        made->setTarget(owner_);
        if (action)
            made->setAction(action);
        auto* raw = static_cast<kit::TextField*>(add(std::move(made)));
        owner_->setOutlet(outlet, raw);
        return raw;
    }

    kit::Button* button(float x, float y, float width, const std::string& title, const char* action)
    {
        auto made = std::make_unique<kit::Button>(kit::makeRect(x, y, width, 24), title);
        made->setTarget(owner_);
        made->setAction(action);
        return static_cast<kit::Button*>(add(std::move(made)));
    }

    kit::Button* toggle(const char* outlet, float x, float y, float width, const std::string& title,
                        const char* action)
    {
        kit::Button* made = button(x, y, width, title, action);
        made->setButtonType(kit::ButtonType::Switch);
        if (outlet)
            owner_->setOutlet(outlet, made);
        return made;
    }

    // A defined checkbox, titled by what it stands for.
    void defined(const char* outlet, float x, float y, const std::string& caption)
    {
        toggle(outlet, x, y, 108, caption, "windowChanged:");
    }

    kit::CellMatrix* matrix(const char* outlet, float x, float y, float width,
                            const std::vector<std::pair<int, std::string>>& cells)
    {
        auto prototype = std::make_unique<kit::ButtonCell>();
        prototype->setButtonType(kit::ButtonType::Radio);
        const int count = int(cells.size());
        auto made = std::make_unique<kit::CellMatrix>(kit::makeRect(x, y, width, 22), kit::MatrixMode::Radio,
                                                      std::move(prototype), 1, count);
        made->setCellSize({width / float(count), 22});
        for (int i = 0; i < count; ++i) {
            kit::Cell* cell = made->cellAtRow(0, i);
            cell->setTag(cells[std::size_t(i)].first);
            cell->setTitle(cells[std::size_t(i)].second);
        }
        made->setTarget(owner_);
        made->setAction("windowChanged:");
        auto* raw = static_cast<kit::CellMatrix*>(add(std::move(made)));
        owner_->setOutlet(outlet, raw);
        return raw;
    }

    kit::PopUpButton* popup(const char* outlet, float x, float y, float width, const char* action)
    {
        auto made = std::make_unique<kit::PopUpButton>(kit::makeRect(x, y, width, 22));
        made->setTarget(owner_);
        made->setAction(action);
        auto* raw = static_cast<kit::PopUpButton*>(add(std::move(made)));
        owner_->setOutlet(outlet, raw);
        return raw;
    }

    // A measured field: its defined checkbox, the field and (for lengths)
    // the unit's label.
    void measure(const char* definedOutlet, const std::string& caption, const char* outlet, float x, float y,
                 bool length)
    {
        if (definedOutlet)
            defined(definedOutlet, x, y, caption);
        else
            label(x + 20, y, 88, caption);
        field(outlet, x + 112, y, 70, nullptr);
        if (length)
            label(x + 186, y, 26, UnitsAbbreviationText(UNITS_POINTS), UNITS_LABEL_TAG);
    }

private:
    kit::View* content_;
    PanelStylesEditor* owner_;
};

} // namespace

std::unique_ptr<PanelStylesEditor> makePanelStylesEditor(PanelHost* host)
{
    auto editor = std::make_unique<PanelStylesEditor>();
    PanelStylesEditor* owner = editor.get();
    owner->setPanelHost(host);
    owner->setTitle(text("EditStyle", "Paragraph Style"));
    kit::View* content = owner->contentView();
    Builder b(content, owner);

    // Name and the two style pop-ups.
    float y = kHeight - 34;
    b.label(12, y, 100, text("StyleName", "Name:"));
    kit::TextField* name = b.field("nameField", 124, y, 300, "changeName:");
    y -= kRow;
    b.defined("isBasedOnStyleDefined", 12, y, text("BasedOn", "Based on"));
    b.popup("basedOnStylePopupButton", 124, y, 160, "setBasedOnStyle:");
    b.defined("isNextStyleDefined", 292, y, text("StyleAfter", "Next:"));
    b.popup("styleAfterPopupButton", 404, y, 144, "setStyleAfter:");
    y -= kRow + 6;
    const float top = y;

    // Left column: alignment, font, colour, flags, widows, bullet, level.
    b.defined("isAlignmentDefined", 12, y, text("Alignment", "Alignment"));
    b.matrix("alignment", 124, y, 150, {{0, "L"}, {2, "C"}, {1, "R"}, {3, "J"}});
    y -= kRow;
    b.defined("isFontDefined", 12, y, text("Font", "Font"));
    kit::TextField* font = b.field("fontField", 124, y, 110, "runFontPanel:");
    font->setEditable(false);
    b.button(238, y, 36, text("Set", "Set…"), "runFontPanel:");
    y -= kRow;
    b.defined("isColorDefined", 12, y, text("Color", "Color"));
    {
        auto well = std::make_unique<kit::ColorWell>(kit::makeRect(124, y, 44, 22));
        well->setTarget(owner);
        well->setAction("windowChanged:");
        owner->setOutlet("textColor", b.add(std::move(well)));
    }
    y -= kRow;
    b.defined("isParaFlagsDefined", 12, y, text("ParaFlags", "Typesetting"));
    b.toggle("ligatures", 124, y, 74, text("Ligatures", "Ligatures"), "windowChanged:");
    b.toggle("autoKern", 200, y, 74, text("AutoKern", "Kerning"), "windowChanged:");
    y -= kRow;
    b.toggle("hungPunctuation", 124, y, 74, text("HungPunctuation", "Hang punct."), "windowChanged:");
    b.toggle("hyphenate", 200, y, 74, text("Hyphenate", "Hyphenate"), "windowChanged:");
    y -= kRow;
    b.defined("isWidowControlDefined", 12, y, text("WidowControl", "Widows"));
    b.matrix("widowControl", 124, y, 150, {{-2, "Next"}, {-1, "Keep"}, {0, "None"}, {1, "Widow"}});
    y -= kRow;
    b.defined("isColumnStartDefined", 12, y, text("ColumnStart", "Column"));
    b.toggle("startColumnTop", 124, y, 150, text("StartColumnTop", "Start at top of column"), "windowChanged:");
    y -= kRow;
    b.defined("isBulletDefined", 12, y, text("Bullet", "Bullet"));
    kit::TextField* bullet = b.field("bulletText", 124, y, 40, nullptr);
    b.field("bulletX", 168, y, 52, nullptr);
    b.field("bulletY", 222, y, 52, nullptr);
    y -= kRow;
    b.measure("isAutonumberLevelDefined", text("AutonumberLevel", "Level"), "autonumberLevel", 12, y, false);

    // Right column: spacing, leading, indents, spaces.
    y = top;
    b.measure("isWordSpaceDefined", text("WordSpace", "Word space"), "wordSpace", kColumn, y, false);
    y -= kRow;
    b.measure("isTrackingDefined", text("Tracking", "Tracking"), "tracking", kColumn, y, false);
    y -= kRow;
    b.measure("isLeadingDefined", text("Leading", "Leading"), "leading", kColumn, y, false);
    y -= kRow;
    b.toggle("autoLeading", kColumn + 112, y, 120, text("AutoLeading", "Automatic"), "windowChanged:");
    y -= kRow;
    b.measure("isLineSpacingDefined", text("LineSpacing", "Spacing"), "lineSpacing", kColumn, y, false);
    y -= kRow;
    b.measure("isIndentDefined", text("IndentLeft", "Left"), "indentLeft", kColumn, y, true);
    y -= kRow;
    b.measure(nullptr, text("IndentRight", "Right"), "indentRight", kColumn, y, true);
    y -= kRow;
    b.measure(nullptr, text("IndentFirst", "First"), "indentDeltaFirst", kColumn, y, true);
    y -= kRow;
    b.measure("isSpaceBeforeDefined", text("SpaceBefore", "Before"), "spaceBefore", kColumn, y, true);
    y -= kRow;
    b.measure("isSpaceAfterDefined", text("SpaceAfter", "After"), "spaceAfter", kColumn, y, true);
    y -= kRow;
    b.measure("isSpaceBetweenDefined", text("SpaceBetween", "Between"), "spaceBetween", kColumn, y, true);
    y -= kRow + 8;

    // The tab ruler, scrolled sideways when the page is wider than the panel.
    b.defined("isRulerDefined", 12, y, text("Tabs", "Tabs"));
    y -= 36;
    {
        auto scroll = std::make_unique<kit::ScrollView>(kit::makeRect(12, y, kWidth - 24, 34));
        scroll->setHasHorizontalScroller(false);
        auto ruler = std::make_unique<RulerViewInset>(kit::makeRect(0, 0, 612, 32));
        owner->setOutlet("ruler", ruler.get());
        scroll->setDocumentView(std::move(ruler));
        b.add(std::move(scroll));
    }

    // The buttons.
    b.button(12, 12, 90, text("Cancel", "Cancel"), "cancel:");
    b.button(kWidth - 330, 12, 100, text("SaveStyle", "Save"), "saveOnly:");
    b.button(kWidth - 222, 12, 100, text("ApplyStyle", "Apply"), "saveAndApplyUnforced:");
    kit::Button* all = b.button(kWidth - 114, 12, 102, text("ApplyStyleAll", "Apply to All"), "saveAndApplyForced:");
    all->setKeyEquivalent("\r");

    name->setNextText(bullet);
    owner->awakeFromNib();
    return editor;
}
