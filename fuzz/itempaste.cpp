// The page view's private pasteboard formats as another process may write
// them: copied items, dimensions, graphic attributes and paragraph styles,
// a colour and a list of file names dropped on the canvas. The first byte
// picks the type, the second whether a link is asked for; the rest is the
// data. Afterwards every item on the page has a finite frame and the page
// stores.

#include "FuzzInput.h"
#include "ModelClasses.h"

#include "app/Layvane.h"
#include "appkit/DraggingDestination.h"
#include "core/Alert.h"
#include "core/Archiver.h"
#include "core/Exception.h"
#include "core/Pasteboard.h"
#include "core/Values.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "document/Undo.h"
#include "foundation/PboardTypes.h"
#include "foundation/StyleGraphic.h"
#include "foundation/StyleParagraph.h"
#include "graphics/Font.h"
#include "items/Item.h"
#include "items/ItemBox.h"
#include "items/TextItem.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextSelection.h"
#include "text/TextWord.h"
#include "view/PageView.h"

#include <cmath>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <string>

namespace {

const char* const types[] = {
    LayvanePboardType,     GxDimensionsPboardType, GxGraphicsPboardType,
    GxParagraphPboardType, kit::ColorPboardType,   kit::FilenamesPboardType,
};

std::unique_ptr<Layvane> delegate;
std::shared_ptr<kit::ScriptedAlertHandler> alerts;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    setenv("XDG_CONFIG_HOME", fuzz::scratchFolder().c_str(), 1);
    alerts = std::make_shared<kit::ScriptedAlertHandler>();
    kit::setAlertHandler(alerts);
    fuzz::initializeModelClasses();
    Undo::initialize();
    Layvane::initialize();
    TextWord::initialize();
    delegate = std::make_unique<Layvane>();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Input in(data, size);
    const char* type = types[in.byte() % std::size(types)];
    const int how = in.byte();
    const std::string bytes = in.rest();
    alerts->reset();

    LayoutDocument document(delegate->preferences());
    document.setup();
    delegate->setMainDocument(&document);
    Page* page = document.pageAt(0);
    document.setActivePage(page);
    auto box = std::make_shared<ItemBox>();
    box->setFrame(kit::makeRect(100, 100, 50, 40), false);
    auto column = std::make_shared<TextItem>();
    column->setFrame(kit::makeRect(72, 300, 300, 200), false);
    page->addItems(box, false);
    page->addItems(column, false);
    column->flow()->firstParagraph()->addWord(std::make_unique<TextWord>("words"));
    column->flow()->recomputeAll();
    PageView view(kit::makeRect(0, 0, 612, 792));
    view.setDocument(&document);
    document.addView(&view);
    document.setSelection({box.get(), column.get()}, &view);

    // The readers that come before any paste.
    (void)kit::filenamesFromPropertyList(bytes);
    (void)PageViewColorFromData(bytes);

    kit::Pasteboard& pboard = kit::Pasteboard::pasteboardWithUniqueName();
    pboard.declareTypes({type}, nullptr);
    pboard.setData(bytes, type);
    if (type == kit::ColorPboardType) {
        if (kit::ColorRef color = PageViewColorFromData(bytes))
            view.acceptColor(color, kit::makePoint(120, 120));
    } else if (type == kit::FilenamesPboardType) {
        // Only names that cannot exist: the reading, not the files.
        if (auto names = kit::filenamesFromPropertyList(bytes))
            for (const std::string& name : *names)
                if (!name.empty() && name.find('/') == std::string::npos)
                    (void)view._importFiles({"/nonexistent/" + name}, false, page, nullptr, true, kit::Point{});
    } else {
        view.paste(pboard, (how & 1) != 0, kit::makePoint(float(how & 0x7F) * 4, float(how >> 1) * 4));
    }
    pboard.releaseGlobally();

    for (Item* item : page->items()) {
        const kit::Rect f = item->frame();
        if (!std::isfinite(f.origin.x) || !std::isfinite(f.origin.y) || !std::isfinite(f.size.width) ||
            !std::isfinite(f.size.height))
            fuzz::fail("a pasted item has a frame that is not finite");
    }
    try {
        (void)kit::Archiver::archivedDataWithRootObject(page);
    } catch (const kit::Exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        fuzz::fail("a page holding pasted items cannot be stored");
    }
    document.detachView(&view);
    delegate->setMainDocument(nullptr);
    return 0;
}
