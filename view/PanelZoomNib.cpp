#include "view/PanelZoomNib.h"

#include "appkit/ButtonCell.h"
#include "appkit/CellMatrix.h"
#include "appkit/Form.h"
#include "appkit/NibLoader.h"
#include "appkit/Panel.h"
#include "core/NumberFormatter.h"
#include "foundation/ApplicationDelegate.h"

#include <memory>

namespace {
constexpr auto& text = applicationString;
} // namespace

void RegisterPanelZoomNib()
{
    kit::NibLoader::registerNib("PanelZoom.nib", [](kit::NibLoad& load) {
        auto panel = std::make_unique<kit::Panel>(kit::makeRect(0, 0, 240, 96));
        panel->setTitle(text("Zoom", "Zoom"));
        kit::View* content = panel->contentView();

        auto form = std::make_unique<kit::Form>(kit::makeRect(16, 52, 208, 24));
        form->setTag(PanelZoomFormTag);
        kit::FormCell* entry = form->addEntry("Zoom %:");
        // Whole numbers only; which of them is a zoom the scroll view decides.
        auto percent = std::make_shared<kit::NumberFormatter>();
        percent->setAllowsFloats(false);
        entry->setFormatter(percent);
        form->sizeToCells();

        auto buttons = std::make_unique<kit::CellMatrix>(kit::makeRect(64, 12, 160, 24), kit::MatrixMode::Highlight,
                                                         std::make_unique<kit::ButtonCell>(), 1, 2);
        buttons->setTag(PanelZoomButtonsTag);
        buttons->setCellSize({79, 24});
        buttons->setIntercellSpacing({2, 0});
        kit::Cell* cancel = buttons->cellAtRow(0, 0);
        cancel->setTitle(text("Cancel", "Cancel"));
        cancel->setTag(0);
        static_cast<kit::ButtonCell*>(cancel)->setKeyEquivalent("\x1b");
        kit::Cell* ok = buttons->cellAtRow(0, 1);
        ok->setTitle(text("OK", "OK"));
        ok->setTag(1);
        static_cast<kit::ButtonCell*>(ok)->setKeyEquivalent("\r");
        buttons->sizeToCells();

        auto* formView = static_cast<kit::Form*>(content->addSubview(std::move(form)));
        auto* buttonsView = static_cast<kit::CellMatrix*>(content->addSubview(std::move(buttons)));
        formView->setNextText(buttonsView);
        buttonsView->setNextKeyView(formView);
        panel->setInitialFirstResponder(formView);
        kit::Panel* made = load.addTopLevelObject(std::move(panel));
        return load.connectOutlet("zoomPanel", made);
    });
}
