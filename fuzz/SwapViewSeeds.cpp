// Seeds of the swap-view target, made by the classes' own writers (a file
// of its own: the kit's window headers and the value classes' cannot meet).

#include "SwapViewArchive.h"

#include "appkit/Window.h"
#include "core/Archiver.h"
#include "view/ZynLinkedSwapPanel.h"

#include <cstdlib>
#include <functional>

namespace fuzz {

void writeSwapViewSeeds(const std::function<void(const std::string&, const std::string&)>& write)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    registerSwapArchiveClasses();
    auto archive = [&](const std::string& name, const std::vector<const kit::Object*>& objects) {
        SwapArchiveList root;
        root.objects = objects;
        const std::string bytes = kit::Archiver::archivedDataWithRootObject(&root);
        // The first byte: the window goes first (0) or the panels (1).
        write(name, std::string(1, '\0') + bytes);
        write(name + "-panels-first", std::string(1, '\1') + bytes);
    };
    kit::Window window(kit::makeRect(0, 0, 300, 200));
    auto* view = static_cast<ZynSizableSwapView*>(
        window.contentView()->addSubview(std::make_unique<ZynSizableSwapView>(kit::makeRect(0, 20, 200, 150))));
    view->setResizeWidth(1);
    view->setResizeHeight(1);
    view->setHasNumberedKeyEquivalents(1);
    kit::PopUpButton popup(kit::makeRect(0, 175, 120, 22));
    kit::TextField title(kit::makeRect(130, 175, 100, 22)), first(kit::makeRect(210, 10, 80, 22)),
        last(kit::makeRect(210, 40, 80, 22)), inside(kit::makeRect(10, 10, 80, 22));
    view->setPopUpListsButton(&popup);
    view->setTitleText(&title);
    view->setFirstOutsideText(&first);
    view->setLastOutsideText(&last);
    ZynLinkedSwapPanel a(kit::makeRect(0, 0, 240, 120)), b(kit::makeRect(0, 0, 160, 190)), c;
    a.setTitle("Alpha,1");
    b.setTitle("Beta");
    c.setTitle("Gamma");
    a.setFirstText(&inside);
    a.setLastText(&inside);
    for (ZynLinkedSwapPanel* p : {&a, &b, &c})
        view->addSwapPanel(p);
    archive("chain", {view, &popup, &title, &first, &last, &inside, &a, &b, &c});
    archive("view-alone", {view});
    archive("panels-alone", {&a, &b, &c});
    // A chain that loops back to its middle, and a panel that is its own next.
    c.setNextSwapPanel(&b);
    archive("loop", {view, &popup, &a, &b, &c});
    c.setNextSwapPanel(&c);
    archive("self-loop", {&c, view, &popup});
}

} // namespace fuzz
