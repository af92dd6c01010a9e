#include "appkit/PageLayout.h"

#include "appkit/Application.h"
#include "appkit/Button.h"
#include "appkit/Form.h"
#include "appkit/NibLoader.h"
#include "appkit/PopUpButton.h"
#include "appkit/TextField.h"
#include "core/PaperSize.h"
#include "graphics/PrintInfo.h"

#include <cmath>

namespace kit {

namespace {

constexpr const char* NibName = "PageLayout.nib";
constexpr const char* Portrait = "Portrait";
constexpr const char* Landscape = "Landscape";
constexpr const char* OtherPaper = "Other";

bool usable(double value) { return std::isfinite(value) && value > 0.0; }

} // namespace

// The panel's interface: title, paper, size and scale, orientation, OK and
// Cancel, laid out top to bottom in a panel 360 points wide.
struct PageLayoutBuilder {
    static bool build(NibLoad& load)
    {
        auto* panel = load.ownerAs<PageLayout>();
        if (!panel)
            return false;
        View* content = panel->contentView();
        auto title = std::make_unique<TextField>(makeRect(20, 230, 320, 24));
        title->setTag(PageLayout::TitleTag);
        title->setEditable(false);
        title->setSelectable(false);
        title->setBezeled(false);
        title->setBordered(false);
        title->setDrawsBackground(false);
        content->addSubview(std::move(title));

        auto paper = std::make_unique<PopUpButton>(makeRect(120, 196, 220, 24));
        paper->addItemsWithTitles(paperNames());
        paper->addItemWithTitle(OtherPaper);
        paper->setTarget(panel);
        paper->setAction("paperChosen:");
        panel->paper_ = static_cast<PopUpButton*>(content->addSubview(std::move(paper)));

        auto size = std::make_unique<Form>(makeRect(20, 100, 320, 84));
        size->addEntry("Width:");
        size->addEntry("Height:");
        size->addEntry("Scale (%):");
        panel->size_ = static_cast<Form*>(content->addSubview(std::move(size)));

        auto orientation = std::make_unique<PopUpButton>(makeRect(120, 64, 220, 24));
        orientation->addItemsWithTitles({Portrait, Landscape});
        panel->orientation_ = static_cast<PopUpButton*>(content->addSubview(std::move(orientation)));

        auto cancel = std::make_unique<Button>(makeRect(160, 16, 80, 24), "Cancel");
        cancel->setTarget(panel);
        cancel->setAction("cancel:");
        cancel->setKeyEquivalent("\x1b");
        panel->cancel_ = static_cast<Button*>(content->addSubview(std::move(cancel)));
        auto ok = std::make_unique<Button>(makeRect(260, 16, 80, 24), "OK");
        ok->setTarget(panel);
        ok->setAction("ok:");
        ok->setKeyEquivalent("\r");
        panel->ok_ = static_cast<Button*>(content->addSubview(std::move(ok)));
        return true;
    }
};

void PageLayout::initialize()
{
    if (!NibLoader::isRegistered(NibName))
        NibLoader::registerNib(NibName, PageLayoutBuilder::build);
}

PageLayout::PageLayout() : Panel(makeRect(200, 200, 360, 270))
{
    setTitle("Page Layout");
    setAction("ok:", [](Object*) -> Object* {
        Application::sharedApplication().stopModalWithCode(OK);
        return nullptr;
    });
    setAction("cancel:", [](Object*) -> Object* {
        Application::sharedApplication().stopModalWithCode(Cancel);
        return nullptr;
    });
    setAction("paperChosen:", [this](Object*) -> Object* {
        paperChosen();
        return nullptr;
    });
    initialize();
    NibLoader::loadNibFile(NibName, this);
}

PageLayout::~PageLayout() = default;

PageLayout* PageLayout::pageLayout()
{
    static std::unique_ptr<PageLayout> shared;
    if (!shared)
        shared = std::make_unique<PageLayout>();
    return shared.get();
}

TextField* PageLayout::titleField() const
{
    return contentView() ? dynamic_cast<TextField*>(contentView()->viewWithTag(TitleTag)) : nullptr;
}

void PageLayout::paperChosen()
{
    if (!paper_ || !size_)
        return;
    if (auto size = sizeForPaperName(paper_->titleOfSelectedItem())) {
        size_->cellAtIndex(0)->setFloatValue(size->width);
        size_->cellAtIndex(1)->setFloatValue(size->height);
    }
}

void PageLayout::readPrintInfo(const PrintInfo& info)
{
    if (!paper_ || !size_ || !orientation_)
        return;
    const Size size = info.paperSize();
    const std::string name = info.paperName();
    paper_->selectItemWithTitle(paper_->indexOfItemWithTitle(name) >= 0 ? name : OtherPaper);
    size_->cellAtIndex(0)->setFloatValue(size.width);
    size_->cellAtIndex(1)->setFloatValue(size.height);
    size_->cellAtIndex(2)->setFloatValue(static_cast<float>(info.scalingFactor() * 100.0));
    orientation_->selectItemWithTitle(info.orientation() == PrintInfo::Orientation::Landscape ? Landscape : Portrait);
}

void PageLayout::writePrintInfo(PrintInfo& info) const
{
    if (!paper_ || !size_ || !orientation_)
        return;
    const double width = size_->cellAtIndex(0)->doubleValue();
    const double height = size_->cellAtIndex(1)->doubleValue();
    if (usable(width) && usable(height))
        info.setPaperSize(makeSize(static_cast<float>(width), static_cast<float>(height)));
    const double scale = size_->cellAtIndex(2)->doubleValue();
    if (usable(scale))
        info.setScalingFactor(scale / 100.0);
    info.setOrientation(orientation_->titleOfSelectedItem() == Landscape ? PrintInfo::Orientation::Landscape
                                                                        : PrintInfo::Orientation::Portrait);
}

int PageLayout::runModal()
{
    return runModalWithPrintInfo(*PrintInfo::sharedPrintInfo());
}

int PageLayout::runModalWithPrintInfo(PrintInfo& info)
{
    readPrintInfo(info);
    const int answer = Panel::runModal();
    orderOut();
    if (answer != OK)
        return Cancel;
    writePrintInfo(info);
    return OK;
}

} // namespace kit
