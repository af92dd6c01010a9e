// Swap views and linked swap panels as interface files store them: the
// bytes read as an archive (the root a list of such objects, as an
// interface file holds them, with pop-up buttons and text fields). Whatever comes out is put to work: each swap
// view goes into a window, builds its popup, is drawn, shows every decoded
// panel in turn, steps through the chain and is emptied; then everything
// goes, the panels or the window first as the first byte says.

#include "FuzzInput.h"

#include "SwapViewArchive.h"

#include "appkit/Application.h"
#include "appkit/Window.h"
#include "core/Alert.h"
#include "core/Exception.h"
#include "core/Unarchiver.h"
#include "view/ZynLinkedSwapPanel.h"

#include <cstdlib>
#include <memory>
#include <vector>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("XDG_CONFIG_HOME", fuzz::scratchFolder().c_str(), 1);
    kit::setAlertHandler(std::make_shared<kit::ScriptedAlertHandler>());
    fuzz::registerSwapArchiveClasses();
    (void)kit::Application::sharedApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Input in(data, size);
    const bool panelsFirst = in.byte() & 1;
    std::vector<std::unique_ptr<kit::Object>> objects;
    try {
        kit::Unarchiver u(in.rest());
        if (std::unique_ptr<kit::Object> root = u.decodeOwnedObject<kit::Object>())
            objects.push_back(std::move(root));
        for (auto& o : u.releaseUnclaimed())
            objects.push_back(std::move(o));
    } catch (const kit::Exception&) {
        return 0;
    }

    auto window = std::make_unique<kit::Window>(kit::makeRect(0, 0, 400, 300));
    std::vector<ZynSizableSwapView*> views;
    std::vector<ZynLinkedSwapPanel*> panels;
    for (auto& o : objects) {
        if (auto* view = dynamic_cast<ZynSizableSwapView*>(o.get()); view && !view->superview()) {
            (void)o.release();
            views.push_back(static_cast<ZynSizableSwapView*>(
                window->contentView()->addSubview(std::unique_ptr<kit::View>(view))));
        } else if (auto* panel = dynamic_cast<ZynLinkedSwapPanel*>(o.get())) {
            panels.push_back(panel);
        }
    }
    for (ZynSizableSwapView* view : views) {
        view->awakeFromNib();
        window->display();
        for (ZynLinkedSwapPanel* panel : panels) {
            view->addSwapPanel(panel);
            (void)panel->swapIn(nullptr);
            view->viewNextSwapPanel(nullptr);
            view->viewPreviousSwapPanel(nullptr);
            window->display();
        }
        view->buildPopUpList();
        view->swapIn(nullptr);
        window->display();
    }
    if (panelsFirst)
        objects.clear();
    window.reset();
    return 0;
}
