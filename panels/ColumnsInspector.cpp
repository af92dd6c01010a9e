#include "panels/ColumnsInspector.h"

#include "app/ScrivlyDocument.h"
#include "appkit/Application.h"
#include "appkit/Button.h"
#include "appkit/ButtonCell.h"
#include "appkit/CellMatrix.h"
#include "appkit/Panel.h"
#include "appkit/TextField.h"
#include "core/Alert.h"
#include "foundation/ApplicationDelegate.h"
#include "foundation/Units.h"
#include "foundation/UnitsInfo.h"
#include "panels/FieldNumber.h"
#include "view/PageView.h"

#include <charconv>
#include <cmath>

namespace {

constexpr auto& text = applicationString;

std::optional<int> wholeNumber(std::string_view s)
{
    s = trimmedFieldText(s);
    int value = 0;
    const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (s.empty() || error != std::errc() || end != s.data() + s.size())
        return std::nullopt;
    return value;
}

// A view as ConvertViewsToUnits walks it: only controls have a text to set.
struct LabelNode {
    kit::View* view = nullptr;
    std::vector<std::unique_ptr<LabelNode>> children;
    std::vector<LabelNode*> links;

    explicit LabelNode(kit::View* v) : view(v)
    {
        for (const auto& sub : v->subviews()) {
            children.push_back(std::make_unique<LabelNode>(sub.get()));
            links.push_back(children.back().get());
        }
    }
    const std::vector<LabelNode*>& subviews() const { return links; }
    int tag() const { return view->tag(); }
    void setStringValue(const std::string& value)
    {
        if (auto* control = dynamic_cast<kit::Control*>(view))
            control->setStringValue(value);
    }
};

constexpr auto& label = kit::TextField::makeLabel;

std::unique_ptr<kit::Button> button(const kit::Rect& frame, const std::string& title, kit::Receiver* target,
                                    const char* action)
{
    auto made = std::make_unique<kit::Button>(frame, title);
    made->setTarget(target);
    made->setAction(action);
    return made;
}

} // namespace

void ColumnsInspector::initialize()
{
    kit::NibLoader::registerNib("ColumnsInspector.nib", [](kit::NibLoad& load) {
        auto inspector = std::make_unique<ColumnsInspector>();
        ColumnsInspector* owner = inspector.get();
        auto panel = std::make_unique<kit::Panel>(kit::makeRect(0, 0, 444, 172));
        panel->setTitle(text("Columns", "Columns"));
        kit::View* content = panel->contentView();

        content->addSubview(label(kit::makeRect(12, 134, 64, 20), text("ColumnsCount", "Columns:")));
        auto prototype = std::make_unique<kit::ButtonCell>();
        prototype->setButtonType(kit::ButtonType::Radio);
        auto matrix = std::make_unique<kit::CellMatrix>(kit::makeRect(80, 132, 353, 22), kit::MatrixMode::Radio,
                                                        std::move(prototype), 1, 6);
        matrix->setCellSize({58, 22});
        matrix->setDrawsBackground(false);
        matrix->setIntercellSpacing({1, 0});
        for (int tag = 0; tag <= CustomCountTag; ++tag) {
            kit::Cell* cell = matrix->cellAtRow(0, tag);
            cell->setTitle(tag == CustomCountTag ? text("ColumnsOther", "Other") : std::to_string(tag + 1));
            cell->setTag(tag);
        }
        matrix->setTarget(owner);
        matrix->setAction("columnNumber:");
        auto custom = std::make_unique<kit::TextField>(kit::makeRect(376, 102, 57, 22));
        content->addSubview(label(kit::makeRect(262, 104, 110, 20), text("ColumnsOtherCount", "Other count:")));

        content->addSubview(label(kit::makeRect(12, 66, 64, 20), text("Gutter", "Gutter:")));
        auto gutter = std::make_unique<kit::TextField>(kit::makeRect(80, 64, 70, 22));
        auto units = label(kit::makeRect(154, 66, 30, 20), "");
        units->setTag(UNITS_LABEL_TAG);
        content->addSubview(std::move(units));
        content->addSubview(button(kit::makeRect(188, 63, 26, 24), "-", owner, "decreaseGutter:"));
        content->addSubview(button(kit::makeRect(216, 63, 26, 24), "+", owner, "increaseGutter:"));

        content->addSubview(button(kit::makeRect(12, 14, 150, 26), text("ColumnsForce", "Deselect and Apply"), owner,
                                   "forceNew:"));
        auto cancel = button(kit::makeRect(274, 14, 76, 26), text("Cancel", "Cancel"), owner, "cancel:");
        cancel->setKeyEquivalent("\x1b");
        content->addSubview(std::move(cancel));
        auto ok = button(kit::makeRect(356, 14, 76, 26), text("OK", "OK"), owner, "ok:");
        ok->setKeyEquivalent("\r");
        content->addSubview(std::move(ok));

        owner->setOutlet("columnCountMatrix", content->addSubview(std::move(matrix)));
        owner->setOutlet("columnCountCustom", content->addSubview(std::move(custom)));
        owner->setOutlet("gutter", content->addSubview(std::move(gutter)));
        kit::Panel* window = load.addTopLevelObject(std::move(panel));
        owner->setOutlet("inspectorView", window);
        ColumnsInspector* made = load.addTopLevelObject(std::move(inspector));
        made->init();
        return load.connectOutlet("columnsInspector", made);
    });
}

ColumnsInspector::ColumnsInspector()
{
    setAction("columnNumber:", [this](kit::Object* sender) -> kit::Object* {
        columnNumber(sender);
        return this;
    });
    setAction("increaseGutter:", [this](kit::Object* sender) -> kit::Object* {
        increaseGutter(sender);
        return this;
    });
    setAction("decreaseGutter:", [this](kit::Object* sender) -> kit::Object* {
        decreaseGutter(sender);
        return this;
    });
    setAction("cancel:", [this](kit::Object* sender) -> kit::Object* {
        cancel(sender);
        return this;
    });
    setAction("forceNew:", [this](kit::Object* sender) -> kit::Object* {
        forceNew(sender);
        return this;
    });
}

ColumnsInspector::~ColumnsInspector() = default;

ColumnsInspector* ColumnsInspector::init()
{
    currentUnits_ = -1;
    myUnitsInfo_ = std::make_unique<UnitsInfo>();
    myUnitsInfo_->setUnits(2);
    if (kit::TextField* custom = columnCountCustom())
        custom->setEnabled(false);
    return this;
}

void ColumnsInspector::awakeFromNib()
{
    if (!gutter_.get() && !ownGutter_)
        ownGutter_ = std::make_unique<kit::TextField>();
}

kit::TextField* ColumnsInspector::columnCountCustom() const { return columnCountCustom_.get(); }

kit::CellMatrix* ColumnsInspector::columnCountMatrix() const { return columnCountMatrix_.get(); }

kit::TextField* ColumnsInspector::gutter() const
{
    if (kit::TextField* field = gutter_.get())
        return field;
    return ownGutter_.get();
}

bool ColumnsInspector::setOutlet(const std::string& name, kit::Object* object)
{
    if (name == "columnCountCustom")
        columnCountCustom_ = kit::WeakRef<kit::TextField>(dynamic_cast<kit::TextField*>(object));
    else if (name == "columnCountMatrix")
        columnCountMatrix_ = kit::WeakRef<kit::CellMatrix>(dynamic_cast<kit::CellMatrix*>(object));
    else if (name == "gutter")
        gutter_ = kit::WeakRef<kit::TextField>(dynamic_cast<kit::TextField*>(object));
    else
        return ZynInspector::setOutlet(name, object);
    return true;
}

ScrivlyDocument* ColumnsInspector::wordDocument() const { return dynamic_cast<ScrivlyDocument*>(document()); }

int ColumnsInspector::runModalForWindow(kit::Object* sender)
{
    ScrivlyDocument* doc = wordDocument();
    kit::Window* window = inspectorView();
    if (!doc || !window || !myUnitsInfo_)
        return 0;
    const int count = doc->columnCount();
    inspectSelection(nullptr);
    kit::CellMatrix* matrix = columnCountMatrix();
    kit::TextField* custom = columnCountCustom();
    if (count < 6) {
        if (matrix)
            matrix->selectCellWithTag(count - 1);
        if (custom)
            custom->setStringValue("");
    } else {
        if (matrix)
            matrix->selectCellWithTag(CustomCountTag);
        if (custom)
            custom->setIntValue(count);
    }
    // The custom field follows the cell chosen here as it does a click.
    columnNumber(matrix);
    float perUnit = 1;
    myUnitsInfo_->convertFloatValueFromUnits(1.0f, &perUnit);
    if (kit::TextField* field = gutter())
        field->setFloatValue(perUnit != 0 ? doc->columnGutterWidth() / perUnit : doc->columnGutterWidth());

    window->makeKeyAndOrderFront(nullptr);
    if (kit::TextField* field = gutter_.get())
        field->selectText(nullptr);
    kit::Application& app = kit::Application::sharedApplication();
    int response = 0;
    // Only the dialog's own OK and force buttons apply: a run stopped or
    // aborted from outside answers other codes and changes nothing.
    for (;;) {
        response = app.runModalForWindow(window);
        if (response != 1 || apply(sender))
            break;
        kit::beep();
    }
    window->orderOut(nullptr);
    return response;
}

kit::Object* ColumnsInspector::inspectSelection(const std::vector<Item*>* selection)
{
    (void)selection;
    LayoutDocument* doc = document();
    UnitsInfo* units = doc ? doc->unitsInfo() : nullptr;
    if (!units || !myUnitsInfo_ || units->units() == currentUnits_)
        return this;
    currentUnits_ = units->units();
    if (kit::Window* window = inspectorView(); window && window->contentView()) {
        LabelNode root(window->contentView());
        ConvertViewsToUnits(std::vector<LabelNode*>{&root}, currentUnits_);
    }
    float mine = 1;
    float theirs = 1;
    myUnitsInfo_->convertFloatValueFromUnits(1.0f, &mine);
    units->convertFloatValueFromUnits(1.0f, &theirs);
    if (kit::TextField* field = gutter()) {
        field->validateEditing();
        // A field without a number keeps its text for the user to mend.
        if (const auto value = parseFieldNumber(field->stringValue()); value && theirs != 0)
            field->setFloatValue(*value * mine / theirs);
    }
    myUnitsInfo_->setUnits(currentUnits_);
    return this;
}

void ColumnsInspector::columnNumber(kit::Object* sender)
{
    auto* control = dynamic_cast<kit::Control*>(sender);
    if (kit::TextField* custom = columnCountCustom())
        custom->setEnabled(control && control->selectedTag() == CustomCountTag);
}

void ColumnsInspector::increaseGutter(kit::Object* sender)
{
    (void)sender;
    changeValue(gutter(), 1);
}

void ColumnsInspector::decreaseGutter(kit::Object* sender)
{
    (void)sender;
    changeValue(gutter(), -1);
}

void ColumnsInspector::changeValue(kit::TextField* field, short direction)
{
    if (!field)
        return;
    field->validateEditing();
    const auto value = parseFieldNumber(field->stringValue());
    LayoutDocument* doc = document();
    UnitsInfo* units = doc && doc->unitsInfo() ? doc->unitsInfo() : myUnitsInfo_.get();
    if (!value || !units) {
        kit::beep();
        return;
    }
    float next = *value + float(direction) * units->unitsDivision();
    // A gutter is never negative; a larger one the document judges.
    if (!(next > 0.0f))
        next = 0.0f;
    field->setFloatValue(next);
}

void ColumnsInspector::ok(kit::Object* sender)
{
    (void)sender;
    kit::Application::sharedApplication().stopModalWithCode(1);
}

void ColumnsInspector::cancel(kit::Object* sender)
{
    (void)sender;
    kit::Application::sharedApplication().stopModalWithCode(0);
}

void ColumnsInspector::forceNew(kit::Object* sender)
{
    (void)sender;
    if (LayoutDocument* doc = document())
        doc->setSelection({}, pageView());
    kit::Application::sharedApplication().stopModalWithCode(1);
}

std::optional<int> ColumnsInspector::chosenCount() const
{
    kit::CellMatrix* matrix = columnCountMatrix();
    const int count = (matrix ? matrix->selectedTag() : 0) + 1;
    if (count != CustomCountTag + 1)
        return count;
    kit::TextField* custom = columnCountCustom();
    if (!custom)
        return 1;
    custom->validateEditing();
    const std::string typed = custom->stringValue();
    if (trimmedFieldText(typed).empty())
        return 1;
    const auto value = wholeNumber(typed);
    if (value && *value == 0)
        return 1;
    return value;
}

bool ColumnsInspector::apply(kit::Object* sender)
{
    (void)sender;
    ScrivlyDocument* doc = wordDocument();
    kit::TextField* field = gutter();
    if (!doc || !field)
        return false;
    float perUnit = 1;
    if (UnitsInfo* units = doc->unitsInfo())
        units->convertFloatValueFromUnits(1.0f, &perUnit);
    field->validateEditing();
    const auto typed = parseFieldNumber(field->stringValue());
    const auto count = chosenCount();
    if (!typed || !count)
        return false;
    const float points = *typed * perUnit;
    if (!std::isfinite(points))
        return false;
    return doc->resetDocumentColumnCount(*count, points);
}
