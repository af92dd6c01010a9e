#include "panels/PanelStyles.h"

#include "appkit/Application.h"
#include "appkit/Button.h"
#include "appkit/ButtonCell.h"
#include "appkit/CellMatrix.h"
#include "appkit/Event.h"
#include "appkit/ScrollView.h"
#include "core/Alert.h"
#include "document/LayoutDocument.h"
#include "foundation/ApplicationDelegate.h"
#include "foundation/StyleGraphic.h"
#include "foundation/StyleInfo.h"
#include "foundation/StyleParagraph.h"
#include "foundation/StyleParagraphNamed.h"
#include "graphics/Image.h"
#include "panels/StyleEditPanel.h"

#include <algorithm>

namespace {

constexpr auto& text = applicationString;

std::string titleOf(const StyleSheetEntry* style)
{
    const std::optional<std::string> name = style ? style->styleName() : std::nullopt;
    return name.value_or(std::string());
}

constexpr char16_t UpArrow = 0xF700;
constexpr char16_t DownArrow = 0xF701;

} // namespace

PanelStyles::PanelStyles()
    : PanelSubClass(kit::makeRect(0, 0, 220, 300),
                    kit::TitledWindowMask | kit::ClosableWindowMask | kit::ResizableWindowMask)
{
    const auto command = [this](const char* name, void (PanelStyles::*body)(kit::Object*)) {
        setAction(name, [this, body](kit::Object* sender) -> kit::Object* {
            (this->*body)(sender);
            return this;
        });
    };
    command("new:", &PanelStyles::newStyle);
    command("duplicate:", &PanelStyles::duplicate);
    command("delete:", &PanelStyles::deleteStyles);
    command("edit:", &PanelStyles::edit);
    command("apply:", &PanelStyles::apply);
    command("doubleAction:", &PanelStyles::apply);
    command("singleAction:", &PanelStyles::singleAction);
    command("windowDidBecomeKey:", &PanelStyles::windowDidBecomeKey);
    command("windowDidResignKey:", &PanelStyles::windowDidResignKey);
    command("windowDidResize:", &PanelStyles::windowDidResize);
    setAction("windowDidExpose:", [this](kit::Object*) -> kit::Object* {
        inspect();
        return this;
    });
    // Styles do not travel through the clipboard from here.
    for (const char* name : {"cut:", "copy:", "paste:", "clone:"})
        setAction(name, [this](kit::Object*) -> kit::Object* {
            kit::beep();
            return this;
        });
    setAction("import:", [this](kit::Object*) -> kit::Object* { return this; });
}

PanelStyles::~PanelStyles() = default;

bool PanelStyles::setOutlet(const std::string& name, kit::Object* object)
{
    if (name == "styleMatrix")
        prototypeMatrix_ = dynamic_cast<kit::CellMatrix*>(object);
    else if (name == "scrollView")
        scrollView_ = dynamic_cast<kit::ScrollView*>(object);
    else if (name == "applyButton")
        applyButton_ = dynamic_cast<kit::Button*>(object);
    else
        return false;
    return true;
}

PanelStyles* PanelStyles::init(kit::Object* sender)
{
    PanelSubClass::init(sender);
    setBecomesKeyOnlyIfNeeded(true);
    setDelegate(this);
    if (!scrollView_)
        return this;
    scrollView_->setAutoresizesSubviews(true);
    const kit::Size content = scrollView_->contentSize();
    const kit::Size cell = prototypeMatrix_ ? prototypeMatrix_->cellSize() : kit::Size{content.width, 17};
    auto prototype = std::make_unique<kit::ButtonCell>();
    prototype->setButtonType(kit::ButtonType::PushOnPushOff);
    prototype->setBordered(false);
    prototype->setBezeled(false);
    prototype->setAlignment(kit::TextAlignment::Left);
    auto matrix = std::make_unique<kit::CellMatrix>(kit::makeRect(0, 0, content.width, cell.height),
                                                    kit::MatrixMode::Radio, std::move(prototype), 1, 1);
    matrix->setCellSize({content.width, cell.height});
    matrix->setIntercellSpacing({0, 0});
    matrix->setTarget(this);
    matrix->setAction("singleAction:");
    matrix->setDoubleAction("doubleAction:");
    matrix->setAllowsEmptySelection(true);
    styleMatrix_ = matrix.get();
    // The file's matrix goes with the view it was shown in.
    prototypeMatrix_ = nullptr;
    scrollView_->setDocumentView(std::move(matrix));
    return this;
}

std::string PanelStyles::panelName() const
{
    if (styleType_ == StyleInfo::ParagraphStyleType)
        return "PanelStyleParagraph";
    if (styleType_ == StyleInfo::GraphicStyleType)
        return "PanelStyleGraphics";
    return PanelSubClass::panelName();
}

LayoutDocument* PanelStyles::document() const { return host_ ? host_->mainDocument() : nullptr; }

PageView* PanelStyles::pageView() const { return host_ ? host_->mainPageView() : nullptr; }

StyleInfo* PanelStyles::styleInfo() const
{
    if (LayoutDocument* doc = document())
        return doc->styleInfo();
    return host_ ? host_->styleInfo() : nullptr;
}

std::vector<Item*> PanelStyles::selected() const
{
    LayoutDocument* doc = document();
    return doc ? doc->selected() : std::vector<Item*>{};
}

StyleList* PanelStyles::styles() const
{
    StyleInfo* sheet = styleInfo();
    return sheet ? sheet->stylesForType(styleType_) : nullptr;
}

StyleSheetEntry* PanelStyles::currentEntry() const
{
    StyleList* list = styles();
    if (!list || list->empty() || !styleMatrix_)
        return nullptr;
    const int row = styleMatrix_->selectedRow();
    if (row < 0 || std::size_t(row) >= list->size())
        return nullptr;
    return (*list)[std::size_t(row)].get();
}

kit::Object* PanelStyles::currentStyle() const { return dynamic_cast<kit::Object*>(currentEntry()); }

std::vector<StyleSheetEntry*> PanelStyles::currentStyles() const
{
    std::vector<StyleSheetEntry*> out;
    StyleList* list = styles();
    if (!list || !styleMatrix_)
        return out;
    for (int row = 0; row < styleMatrix_->numberOfRows() && std::size_t(row) < list->size(); ++row)
        if (kit::Cell* cell = styleMatrix_->cellAtRow(row, 0); cell && cell->intValue() != 0)
            out.push_back((*list)[std::size_t(row)].get());
    return out;
}

void PanelStyles::selectCellAtRow(int row, int column)
{
    if (styleMatrix_)
        styleMatrix_->selectCellAtRow(row, column);
}

int PanelStyles::rowOf(const StyleSheetEntry* style) const
{
    StyleInfo* sheet = styleInfo();
    StyleList* list = styles();
    if (!sheet || !list || !style)
        return -1;
    const std::size_t index = sheet->indexOfObject(style, list);
    return index == StyleInfo::NotFound ? -1 : int(index);
}

void PanelStyles::fillMatrix()
{
    if (!styleMatrix_)
        return;
    StyleList* list = styles();
    const int count = list ? int(list->size()) : 0;
    if (styleMatrix_->numberOfRows() != count || styleMatrix_->numberOfColumns() != 1)
        styleMatrix_->renewRows(count, 1);
    const std::string iconName = StyleInfo::styleIconForType(styleType_);
    const std::unique_ptr<kit::Image> icon = kit::Image::imageNamed(iconName);
    for (int row = 0; row < count; ++row) {
        auto* cell = dynamic_cast<kit::ButtonCell*>(styleMatrix_->cellAtRow(row, 0));
        if (!cell)
            continue;
        // A cell already showing its style is left alone.
        const std::string title = titleOf((*list)[std::size_t(row)].get());
        if (cell->title() != title)
            cell->setTitle(title);
        if (icon && !cell->image())
            cell->setImage(icon.get());
    }
    styleMatrix_->sizeToCells();
    styleMatrix_->setNeedsDisplay(true);
}

void PanelStyles::reloadMatrix(int row)
{
    if (!styleMatrix_)
        return;
    disableFlushWindow();
    const kit::Rect visible = styleMatrix_->visibleRect();
    fillMatrix();
    styleMatrix_->selectCellAtRow(row < 0 ? -1 : row, row < 0 ? -1 : 0);
    if (row < 0)
        styleMatrix_->scrollRectToVisible(visible);
    else
        styleMatrix_->scrollCellToVisible(row, 0);
    enableFlushWindow();
    flushWindow();
}

void PanelStyles::retitleMatrixCellAt(int row)
{
    StyleList* list = styles();
    if (!styleMatrix_ || !list || row < 0 || std::size_t(row) >= list->size())
        return;
    if (kit::Cell* cell = styleMatrix_->cellAtRow(row, 0))
        cell->setTitle(titleOf((*list)[std::size_t(row)].get()));
}

void PanelStyles::notifyUpdateForStyle(const StyleGraphic* style)
{
    (void)style;
    retitleMatrixCellAt(changedRow_);
}

void PanelStyles::notifyUpdateForStyle(const StyleParagraph* style)
{
    (void)style;
    retitleMatrixCellAt(changedRow_);
}

void PanelStyles::addUpdatePanel(DocumentPanel* panel)
{
    if (panel && std::find(panelUpdateList_.begin(), panelUpdateList_.end(), panel) == panelUpdateList_.end())
        panelUpdateList_.push_back(panel);
}

void PanelStyles::removeUpdatePanel(DocumentPanel* panel) { std::erase(panelUpdateList_, panel); }

void PanelStyles::updatePanels()
{
    StyleSheetEntry* style = currentEntry();
    auto* paragraph = dynamic_cast<StyleParagraph*>(style);
    if (panelEdit_ && paragraph)
        if (auto* window = dynamic_cast<kit::Window*>(panelEdit_); window && window->isVisible())
            panelEdit_->inspectStyle(paragraph);
    const auto* graphic = dynamic_cast<const StyleGraphic*>(style);
    for (DocumentPanel* panel : panelUpdateList_) {
        if (!panel->isVisible())
            continue;
        if (graphic)
            panel->inspectStyle(graphic);
        else if (auto* editor = dynamic_cast<StyleEditPanel*>(panel); editor && paragraph)
            editor->inspectStyle(paragraph);
    }
}

void PanelStyles::inspect()
{
    const std::vector<Item*> selection = selected();
    inspectSelection(&selection);
}

void PanelStyles::inspectSelection(const std::vector<Item*>* selection)
{
    std::vector<Item*> own;
    if (!selection) {
        own = selected();
        selection = &own;
    }
    StyleInfo* sheet = styleInfo();
    StyleList* list = styles();
    LayoutDocument* doc = document();
    if (styleType_ == StyleInfo::ParagraphStyleType) {
        if (!sheet || !list)
            return;
        // An empty selection keeps the style the user picked.
        if (selection->empty() && currentEntry())
            return;
        StyleParagraph* style = doc ? doc->currentParagraphStyle() : nullptr;
        StyleParagraphNamed* named = style ? style->basedOnStyle() : nullptr;
        int row = 0;
        if (named) {
            row = rowOf(named);
            if (row < 0) {
                // A style from another document's text: listed under its
                // name here (a same-named style of ours stands for it).
                (void)sheet->addStyle(named->copyNamed(), list);
                row = rowOf(sheet->styleWithName(named->styleName(), list));
            }
        }
        reloadMatrix(row);
        return;
    }
    if (styleType_ == StyleInfo::GraphicStyleType) {
        int row = -1;
        std::string title;
        const std::unique_ptr<StyleGraphic> style = selection->empty() || !doc ? nullptr : doc->graphicStyleOfSelection();
        if (const auto* entry = dynamic_cast<const StyleSheetEntry*>(style.get()); entry && sheet && list) {
            if (!entry->isNamedStyle()) {
                row = 0;
            } else {
                row = rowOf(sheet->styleWithName(entry->rootName(), list));
                if (row < 0)
                    row = rowOf(sheet->styleWithName(entry->styleName(), list));
            }
            title = titleOf(entry);
        }
        disableFlushWindow();
        retitleMatrixCellAt(changedRow_);
        selectCellAtRow(row, row < 0 ? -1 : 0);
        if (row >= 0 && styleMatrix_) {
            if (kit::Cell* cell = styleMatrix_->cellAtRow(row, 0); cell && !title.empty())
                cell->setTitle(title);
            styleMatrix_->scrollCellToVisible(row, 0);
        }
        changedRow_ = row;
        enableFlushWindow();
        flushWindow();
        return;
    }
    kit::beep();
}

void PanelStyles::markEdited() const
{
    if (LayoutDocument* doc = document())
        doc->setEdited(true);
}

void PanelStyles::newStyle(kit::Object* sender)
{
    StyleInfo* sheet = styleInfo();
    StyleSheetEntry* made = sheet ? sheet->addNewStyleInStyles(styles()) : nullptr;
    if (!made) {
        kit::beep();
        return;
    }
    reloadMatrix(rowOf(made));
    markEdited();
    if (styleType_ == StyleInfo::ParagraphStyleType)
        edit(sender);
    updatePanels();
    orderFront(sender);
}

void PanelStyles::duplicate(kit::Object* sender)
{
    StyleInfo* sheet = styleInfo();
    const std::vector<StyleSheetEntry*> chosen = currentStyles();
    if (!sheet || chosen.empty()) {
        kit::beep();
        return;
    }
    StyleSheetEntry* last = nullptr;
    for (StyleSheetEntry* style : chosen)
        if (style->isNamedStyle())
            if (StyleSheetEntry* copy = sheet->copyStyle(style, styles()))
                last = copy;
    if (!last) {
        kit::beep();
        return;
    }
    reloadMatrix(rowOf(last));
    markEdited();
    if (styleType_ == StyleInfo::ParagraphStyleType)
        edit(sender);
    updatePanels();
    orderFront(sender);
}

void PanelStyles::deleteStyles(kit::Object* sender)
{
    (void)sender;
    StyleInfo* sheet = styleInfo();
    std::vector<StyleSheetEntry*> chosen = currentStyles();
    std::erase_if(chosen, [](const StyleSheetEntry* style) { return !style->isNamedStyle(); });
    if (!sheet || chosen.empty()) {
        kit::beep();
        return;
    }
    const std::string message = chosen.size() == 1 ? text("OKDeleteStyle", "Delete the style %s?")
                                                   : text("OKDeleteStyles", "Delete the selected styles?");
    std::vector<kit::FormatArg> args;
    if (chosen.size() == 1)
        args.emplace_back(titleOf(chosen.front()));
    const int answer = kit::runAlertPanel(text("DeleteStyle", "Delete Style"), message, text("Delete", "Delete"),
                                         text("Cancel", "Cancel"), "", args);
    if (answer != kit::AlertDefaultReturn)
        return;
    for (StyleSheetEntry* style : chosen)
        (void)sheet->removeStyle(style, styles());
    reloadMatrix(-1);
    inspectSelection(nullptr);
    markEdited();
    updatePanels();
}

void PanelStyles::edit(kit::Object* sender)
{
    if (!panelEdit_)
        return;
    auto* style = dynamic_cast<StyleParagraph*>(currentEntry());
    if (!style)
        return;
    if (styleType_ == StyleInfo::ParagraphStyleType) {
        panelEdit_->runModalForStyle(style);
        reloadMatrix(rowOf(style));
        return;
    }
    if (PageView* view = pageView())
        view->endEditing();
    panelEdit_->inspectStyle(style);
    if (auto* window = dynamic_cast<kit::Window*>(panelEdit_))
        window->orderFront(sender);
}

void PanelStyles::apply(kit::Object* sender)
{
    (void)sender;
    PageView* view = pageView();
    if (!view)
        return;
    view->applyStyle(this);
    const kit::Event* event = kit::Application::sharedApplication().currentEvent();
    if (isKeyWindow() && event && event->type() == kit::EventType::KeyDown)
        if (kit::Window* window = view->window())
            window->makeKeyWindow();
}

void PanelStyles::singleAction(kit::Object* sender)
{
    (void)sender;
    updatePanels();
}

void PanelStyles::windowDidBecomeKey(kit::Object* sender)
{
    (void)sender;
    if (applyButton_)
        applyButton_->setKeyEquivalent("\r");
}

void PanelStyles::windowDidResignKey(kit::Object* sender)
{
    (void)sender;
    if (applyButton_)
        applyButton_->setKeyEquivalent("");
}

void PanelStyles::windowDidResize(kit::Object* sender)
{
    (void)sender;
    if (!styleMatrix_ || !scrollView_)
        return;
    const kit::Size content = scrollView_->contentSize();
    styleMatrix_->setFrameSize({content.width, styleMatrix_->frame().size.height});
    styleMatrix_->setNeedsDisplay(true);
}

void PanelStyles::keyDown(const kit::Event& event)
{
    const std::u16string& keys = event.charactersIgnoringModifiers();
    if (!keys.empty() && (keys.front() == UpArrow || keys.front() == DownArrow) && styleMatrix_) {
        const int row = styleMatrix_->selectedRow() + (keys.front() == UpArrow ? -1 : 1);
        if (row >= 0 && row < styleMatrix_->numberOfRows()) {
            styleMatrix_->selectCellAtRow(row, 0);
            styleMatrix_->scrollCellToVisible(row, 0);
        }
        return;
    }
    PanelSubClass::keyDown(event);
}
