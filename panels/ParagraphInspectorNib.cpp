// The interface file "ParagraphInspector": the pane with a page selector
// above a strip of two pages of controls, the strip moved sideways to show
// one page or the other.

#include "panels/ParagraphInspector.h"

#include "app/Layvane.h"
#include "appkit/Button.h"
#include "appkit/ButtonCell.h"
#include "appkit/CellMatrix.h"
#include "appkit/ColorWell.h"
#include "appkit/NibLoader.h"
#include "appkit/PopUpButton.h"
#include "appkit/TextField.h"
#include "appkit/View.h"
#include "core/Object.h"
#include "foundation/Units.h"
#include "panels/ZynInspectorSwapPanel.h"

namespace {

constexpr float kPage = ParagraphInspector::PageShift;
constexpr float kHeight = 400.0f;

constexpr auto& text = applicationString;

// Places controls row by row from the top of one page of the strip.
class PageBuilder {
public:
    PageBuilder(kit::View* strip, ParagraphInspector* owner, float left) : strip_(strip), owner_(owner), left_(left) {}

    float rowY() const { return kHeight - 28.0f * float(row_ + 1); }
    void nextRow() { ++row_; }

    kit::View* add(std::unique_ptr<kit::View> view) { return strip_->addSubview(std::move(view)); }

    void label(float x, float width, const std::string& title, int tag = 0)
    {
        auto field = kit::TextField::makeLabel(kit::makeRect(left_ + x, rowY(), width, 20), title);
        field->setTag(tag);
        add(std::move(field));
    }

    kit::TextField* field(const char* outlet, float x, float width, const char* action)
    {
        auto made = std::make_unique<kit::TextField>(kit::makeRect(left_ + x, rowY(), width, 22));
        made->setTarget(owner_);
        made->setAction(action);
        auto* raw = static_cast<kit::TextField*>(add(std::move(made)));
        owner_->setOutlet(outlet, raw);
        return raw;
    }

    kit::Button* button(float x, float width, const std::string& title, const char* action)
    {
        auto made = std::make_unique<kit::Button>(kit::makeRect(left_ + x, rowY(), width, 22), title);
        made->setTarget(owner_);
        made->setAction(action);
        return static_cast<kit::Button*>(add(std::move(made)));
    }

    kit::Button* toggle(const char* outlet, float x, float width, const std::string& title, const char* action)
    {
        kit::Button* made = button(x, width, title, action);
        made->setButtonType(kit::ButtonType::Switch);
        owner_->setOutlet(outlet, made);
        return made;
    }

    // A measured field with its caption, its unit (tag 1000 when a length)
    // and its two steppers.
    kit::TextField* measure(const char* outlet, const std::string& caption, const char* action, const char* steps,
                            bool length)
    {
        label(0, 78, caption);
        kit::TextField* made = field(outlet, 80, 58, action);
        label(140, 22, length ? UnitsAbbreviationText(UNITS_POINTS) : std::string(), length ? UNITS_LABEL_TAG : 0);
        if (steps) {
            button(164, 22, "-", (std::string("decrease") + steps + ":").c_str());
            button(188, 22, "+", (std::string("increase") + steps + ":").c_str());
        }
        nextRow();
        return made;
    }

    kit::CellMatrix* matrix(const char* outlet, const std::vector<std::pair<int, std::string>>& cells,
                            const char* action)
    {
        auto prototype = std::make_unique<kit::ButtonCell>();
        prototype->setButtonType(kit::ButtonType::Radio);
        const int count = int(cells.size());
        auto made = std::make_unique<kit::CellMatrix>(kit::makeRect(left_ + 4, rowY(), 206, 22),
                                                      kit::MatrixMode::Radio, std::move(prototype), 1, count);
        made->setCellSize({206.0f / float(count), 22});
        for (int i = 0; i < count; ++i) {
            kit::Cell* cell = made->cellAtRow(0, i);
            cell->setTag(cells[std::size_t(i)].first);
            cell->setTitle(cells[std::size_t(i)].second);
        }
        made->setTarget(owner_);
        made->setAction(action);
        auto* raw = static_cast<kit::CellMatrix*>(add(std::move(made)));
        owner_->setOutlet(outlet, raw);
        nextRow();
        return raw;
    }

private:
    kit::View* strip_;
    ParagraphInspector* owner_;
    float left_;
    int row_ = 0;
};

bool build(kit::NibLoad& load)
{
    auto* owner = load.ownerAs<ParagraphInspector>();
    if (!owner)
        return false;
    auto pane = std::make_unique<ZynInspectorSwapPanel>(kit::makeRect(0, 0, kPage, kHeight + 30));
    // The inspector window's popup item and its key.
    pane->setTitle(text("ParagraphPane", "Paragraph") + ",1");
    kit::View* content = pane->contentView();

    // The page selector above the strip.
    auto prototype = std::make_unique<kit::ButtonCell>();
    prototype->setButtonType(kit::ButtonType::PushOnPushOff);
    auto pages = std::make_unique<kit::CellMatrix>(kit::makeRect(4, kHeight + 4, 206, 22), kit::MatrixMode::Radio,
                                                   std::move(prototype), 1, 2);
    pages->setCellSize({103, 22});
    pages->cellAtRow(0, 0)->setTag(1);
    pages->cellAtRow(0, 0)->setTitle(text("ParagraphPageFormat", "Format"));
    pages->cellAtRow(0, 1)->setTag(2);
    pages->cellAtRow(0, 1)->setTitle(text("ParagraphPageSpacing", "Spacing"));
    pages->selectCellWithTag(1);
    pages->setTarget(owner);
    pages->setAction("scrollToOtherView:");
    content->addSubview(std::move(pages));

    // The two pages side by side, seen one at a time through a page-wide
    // window (the inspector may be wider than a page).
    auto page = std::make_unique<kit::View>(kit::makeRect(0, 0, kPage, kHeight));
    kit::View* pageWindow = content->addSubview(std::move(page));
    auto strip = std::make_unique<kit::View>(kit::makeRect(0, 0, 2 * kPage, kHeight));
    kit::View* scroll = pageWindow->addSubview(std::move(strip));
    owner->setOutlet("scrollView", scroll);

    // Page 1: styles, alignment, font, colour, switches, widows, bullet.
    PageBuilder one(scroll, owner, 0);
    one.label(0, 60, text("Style", "Style:"));
    {
        auto popup = std::make_unique<kit::PopUpButton>(kit::makeRect(62, one.rowY(), 148, 22));
        popup->setTarget(owner);
        popup->setAction("setStyle:");
        owner->setOutlet("stylePopupButton", one.add(std::move(popup)));
    }
    one.nextRow();
    one.label(0, 60, text("StyleAfter", "Next:"));
    {
        auto popup = std::make_unique<kit::PopUpButton>(kit::makeRect(62, one.rowY(), 148, 22));
        popup->setTarget(owner);
        popup->setAction("setStyleAfter:");
        owner->setOutlet("styleAfterPopupButton", one.add(std::move(popup)));
    }
    one.nextRow();
    one.matrix("alignment", {{0, "L"}, {2, "C"}, {1, "R"}, {3, "J"}}, "changeAlignment:");
    kit::TextField* font = one.field("fontField", 4, 150, "runFontPanel:");
    font->setEditable(false);
    one.button(158, 52, text("Set", "Set…"), "runFontPanel:");
    one.nextRow();
    one.label(0, 60, text("Color", "Color:"));
    {
        auto well = std::make_unique<kit::ColorWell>(kit::makeRect(62, one.rowY(), 44, 22));
        well->setTarget(owner);
        well->setAction("changeColor:");
        owner->setOutlet("textColor", one.add(std::move(well)));
    }
    one.nextRow();
    one.toggle("ligatures", 4, 100, text("Ligatures", "Ligatures"), "changeLigatures:");
    one.toggle("autoKern", 108, 100, text("AutoKern", "Kerning"), "changeAutoKern:");
    one.nextRow();
    one.toggle("hungPunctuation", 4, 100, text("HungPunctuation", "Hang punct."), "changeHangPunct:");
    one.toggle("hyphenate", 108, 100, text("Hyphenate", "Hyphenate"), "changeHyphenate:");
    one.nextRow();
    one.matrix("widowControl", {{-2, "Next"}, {-1, "Keep"}, {0, "None"}, {1, "Widow"}}, "changeWidowControl:");
    one.label(0, 60, text("Bullet", "Bullet:"));
    kit::TextField* bullet = one.field("bulletText", 62, 40, "changeBullet:");
    one.button(106, 24, "0", "bulletZero:");
    one.button(132, 18, "<", "bulletLeft:");
    one.button(152, 18, ">", "bulletRight:");
    one.button(172, 18, "^", "bulletUp:");
    one.button(192, 18, "v", "bulletDown:");
    one.nextRow();
    owner->setOutlet("firstText", bullet);

    // Page 2: spacing, leading, indents, spaces, column start, level.
    PageBuilder two(scroll, owner, kPage);
    kit::TextField* first = two.measure("wordSpace", text("WordSpace", "Word space"), "changeWordSpacing:",
                                        "WordSpace", false);
    two.measure("tracking", text("Tracking", "Tracking"), "changeTracking:", "Tracking", false);
    two.measure("leading", text("Leading", "Leading"), "changeLineSpacing:", "Leading", false);
    two.toggle("autoLeading", 80, 130, text("AutoLeading", "Automatic"), "setAutoleading:");
    two.nextRow();
    two.measure("lineSpacing", text("LineSpacing", "Spacing"), "changeLineSpacing:", nullptr, false);
    two.measure("indentLeft", text("IndentLeft", "Left"), "changeIndents:", "IndentLeft", true);
    two.measure("indentRight", text("IndentRight", "Right"), "changeIndents:", "IndentRight", true);
    two.measure("indentDeltaFirst", text("IndentFirst", "First"), "changeIndents:", "IndentDeltaFirst", true);
    two.measure("spaceBefore", text("SpaceBefore", "Before"), "changeParagraphSpacing:", "SpaceBefore", true);
    two.measure("spaceAfter", text("SpaceAfter", "After"), "changeParagraphSpacing:", "SpaceAfter", true);
    two.measure("spaceBetween", text("SpaceBetween", "Between"), "changeParagraphSpacing:", "SpaceBetween", true);
    two.toggle("startColumnTop", 4, 200, text("StartColumnTop", "Start at top of column"), "changeColumnStart:");
    two.nextRow();
    two.measure("autonumberLevel", text("AutonumberLevel", "Level"), "changeAutonumberLevel:", nullptr, false);
    owner->setOutlet("otherFirstText", first);

    pane->setFirstText(bullet);
    kit::Window* made = load.addTopLevelObject(std::move(pane));
    owner->setOutlet("inspectorView", made);
    load.awaken(owner);
    return true;
}

} // namespace

void ParagraphInspector::initialize()
{
    kit::registerClass<ParagraphInspector>("ParagraphInspector");
    kit::NibLoader::registerNib("ParagraphInspector", build);
}
