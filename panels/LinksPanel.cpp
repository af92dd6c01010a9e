#include "panels/LinksPanel.h"

#include "appkit/Box.h"
#include "appkit/Button.h"
#include "appkit/MenuItem.h"
#include "appkit/NibLoader.h"
#include "appkit/PopUpButton.h"
#include "appkit/ScrollView.h"
#include "appkit/TextField.h"
#include "document/LinksInfo.h"
#include "foundation/ApplicationDelegate.h"
#include "panels/LinksInspector.h"

#include <algorithm>

namespace {

// The panel whose inspector the links lists' hooks reach (one at a time).
LinksPanel*& hookOwner()
{
    static LinksPanel* owner = nullptr;
    return owner;
}

constexpr auto& text = applicationString;

constexpr auto& label = kit::TextField::makeLabel;

constexpr float PanelWidth = 440;
constexpr float PanelHeight = 300;

} // namespace

void LinksPanel::initialize()
{
    kit::NibLoader::registerNib("LinksPanel.nib", [](kit::NibLoad& load) {
        auto panel = std::make_unique<LinksPanel>();
        auto inspector = std::make_unique<LinksInspector>();
        LinksInspector* owner = inspector.get();
        panel->setTitle(text("Links", "Links"));
        kit::View* content = panel->contentView();
        constexpr unsigned StayTop = kit::ViewMinYMargin;

        auto sort = std::make_unique<kit::PopUpButton>(kit::makeRect(10, PanelHeight - 32, 150, 24));
        const char* orders[][2] = {{"SortName", "By Name"},
                                   {"SortPage", "By Page"},
                                   {"SortStatus", "By Status"},
                                   {"SortType", "By Type"}};
        for (int i = 0; i < 4; ++i)
            sort->addItemWithTitle(text(orders[i][0], orders[i][1]))->setTag(i);
        sort->selectItemAtIndex(LinksInspector::SortByPage);
        sort->setTarget(owner);
        sort->setAction("sort:");
        sort->setAutoresizingMask(StayTop);

        // The sample row: its views' frames place the columns of every row.
        auto entry = std::make_unique<kit::Box>(kit::makeRect(10, 112, 404, 18), "");
        entry->setTitlePosition(kit::BoxTitlePosition::NoTitle);
        entry->setContentViewMargins({0, 0});
        struct Column {
            const char* outlet;
            kit::Rect frame;
        };
        const Column columns[] = {{"entryButton", kit::makeRect(4, 0, 16, 16)},
                                  {"entryName", kit::makeRect(26, 0, 170, 18)},
                                  {"entryPage", kit::makeRect(200, 0, 34, 18)},
                                  {"entryChange", kit::makeRect(244, 0, 80, 18)},
                                  {"entrySize", kit::makeRect(330, 0, 66, 18)}};
        for (const Column& column : columns)
            owner->setOutlet(column.outlet,
                             entry->contentView()->addSubview(std::make_unique<kit::View>(column.frame)));

        auto scroll = std::make_unique<kit::ScrollView>(kit::makeRect(10, 104, PanelWidth - 20, PanelHeight - 144));
        scroll->setAutoresizingMask(kit::ViewHeightSizable);

        auto icon = std::make_unique<kit::Button>(kit::makeRect(10, 46, 48, 48), "");
        icon->setBordered(false);
        auto name = label(kit::makeRect(66, 72, PanelWidth - 76, 20), "");
        auto pathTitle = label(kit::makeRect(66, 48, 40, 20), text("Path", "Path:"));
        auto path = label(kit::makeRect(108, 48, PanelWidth - 118, 20), "");

        auto button = [&](float x, float width, const char* key, const char* fallback, const char* action) {
            auto made = std::make_unique<kit::Button>(kit::makeRect(x, 10, width, 26), text(key, fallback));
            made->setTarget(owner);
            made->setAction(action);
            return made;
        };
        auto open = button(10, 80, "Open", "Open", "openFile:");
        auto replace = button(96, 80, "Replace", "Replace", "replaceFile:");
        auto breakLink = button(182, 80, "Break", "Break", "break:");
        auto ok = button(PanelWidth - 90, 80, "OK", "OK", "ok:");
        ok->setKeyEquivalent("\r");

        owner->setOutlet("sortPopup", content->addSubview(std::move(sort)));
        owner->setOutlet("entryBox", content->addSubview(std::move(entry)));
        owner->setOutlet("scrollView", content->addSubview(std::move(scroll)));
        owner->setOutlet("iconButton", content->addSubview(std::move(icon)));
        owner->setOutlet("fileTitle", content->addSubview(std::move(name)));
        owner->setOutlet("pathTitle", content->addSubview(std::move(pathTitle)));
        owner->setOutlet("pathField", content->addSubview(std::move(path)));
        owner->setOutlet("openButton", content->addSubview(std::move(open)));
        owner->setOutlet("replaceButton", content->addSubview(std::move(replace)));
        owner->setOutlet("breakButton", content->addSubview(std::move(breakLink)));
        content->addSubview(std::move(ok));
        owner->setOutlet("view", content);
        owner->setOutlet("window", panel.get());
        owner->setOutlet("inspectorView", panel.get());
        panel->setInspector(std::move(inspector));
        LinksPanel* made = load.addTopLevelObject(std::move(panel));
        made->setDelegate(made);
        made->setFloatingPanel(false);
        made->init(load.owner());
        return load.connectOutlet("linksPanel", made);
    });
}

LinksPanel::LinksPanel()
    : PanelSubClass(kit::makeRect(0, 0, PanelWidth, PanelHeight),
                    kit::TitledWindowMask | kit::ClosableWindowMask | kit::ResizableWindowMask)
{
    setAction("ok:", [this](kit::Object* sender) -> kit::Object* {
        ok(sender);
        return this;
    });
    setAction("inspect:", [this](kit::Object* sender) { return inspect(sender); });
}

LinksPanel::~LinksPanel() { removeHooks(); }

void LinksPanel::setInspector(std::unique_ptr<LinksInspector> inspector) { inspector_ = std::move(inspector); }

LinksPanel* LinksPanel::init(kit::Object* owner)
{
    PanelSubClass::init(owner);
    if (inspector_)
        inspector_->init(owner);
    installHooks();
    return this;
}

void LinksPanel::installHooks()
{
    if (hooked_)
        return;
    hooked_ = true;
    hookOwner() = this;
    LinksInfo::inspectHook() = [this](LinksInfo& info) {
        if (isVisible() && inspector_ && &info == inspector_->linksInfo())
            inspector_->inspect(this);
    };
    LinksInfo::loadCellHook() = [this](LinksInfo& info, int row) {
        if (!inspector_ || &info != inspector_->linksInfo())
            return;
        // Rows listed before the list changed: list it again.
        if (info.linkAtIndex(row) == inspector_->linkAtRow(row))
            inspector_->loadCellAt(row);
        else if (isVisible())
            inspector_->inspect(this);
    };
}

void LinksPanel::removeHooks()
{
    if (!hooked_ || hookOwner() != this)
        return;
    LinksInfo::inspectHook() = nullptr;
    LinksInfo::loadCellHook() = nullptr;
    hookOwner() = nullptr;
    hooked_ = false;
}

void LinksPanel::ok(kit::Object* sender)
{
    if (inspector_)
        inspector_->ok(sender);
}

kit::Object* LinksPanel::inspect(kit::Object* sender) { return inspector_ ? inspector_->inspect(sender) : nullptr; }

void LinksPanel::inspect(const std::vector<Item*>& selection)
{
    (void)selection;
    inspect(static_cast<kit::Object*>(this));
}

void LinksPanel::inspectSelection(const std::vector<Item*>* selection)
{
    if (inspector_)
        inspector_->inspectSelection(selection);
}

void LinksPanel::inspectSelectedItems(const std::vector<Item*>* items) { inspectSelection(items); }

void LinksPanel::inspectInlineGraphics(const std::vector<TextWord*>* words)
{
    if (inspector_)
        inspector_->inspectWords(words);
}

void LinksPanel::setPanelHost(PanelHost* host)
{
    if (inspector_)
        inspector_->setPanelHost(host);
}

kit::Size LinksPanel::windowWillResize(kit::Object* sender, kit::Size proposedFrameSize)
{
    (void)sender;
    return {frame().size.width, std::max(proposedFrameSize.height, MinimumHeight)};
}
