// The panels registry as rows: menu validation with and without a
// document, the main page view switch and a closing document reaching the
// panels the rows name, the inspectors made by class name, and a panel that
// is nothing but its row.

#include "DocumentTestSupport.h"

#include "app/PanelHost.h"
#include "app/PanelRegistry.h"
#include "app/Scrivly.h"
#include "appkit/Application.h"
#include "appkit/MenuItem.h"
#include "appkit/NibLoader.h"
#include "appkit/Panel.h"
#include "core/Object.h"
#include "document/DocumentPanels.h"
#include "items/Item.h"
#include "panels/PanelTabs.h"
#include "view/PageView.h"

#include <set>

namespace {

// A panel as an interface file would make it, which remembers what it was
// shown as a real one does (the items, until it is told to forget them).
class ProbePanel : public kit::Panel, public DocumentPanel, public HostedPanel {
public:
    ProbePanel() : kit::Panel(kit::makeRect(0, 0, 120, 80)) {}
    std::string className() const override { return "ProbePanel"; }

    bool isVisible() const override { return kit::Panel::isVisible(); }
    void inspect(const std::vector<Item*>& selection) override
    {
        calls.push_back("inspect");
        shown = selection;
    }
    void inspectSelection(const std::vector<Item*>* selection) override
    {
        calls.push_back(selection ? "inspectSelection" : "inspectSelection nil");
        shown = selection ? *selection : std::vector<Item*>{};
    }
    void inspectStyle(const StyleGraphic* style) override
    {
        calls.push_back(style ? "inspectStyle" : "inspectStyle nil");
        if (!style)
            shown.clear();
    }
    void setPanelHost(PanelHost* given) override { host = given; }

    // What a redisplay reads of the items shown.
    float touch() const
    {
        float sum = 0;
        for (const Item* item : shown)
            sum += item->frame().size.width;
        return sum;
    }

    std::vector<std::string> calls;
    std::vector<Item*> shown;
    PanelHost* host = nullptr;
};

// An inspector made by its class name, and the window that starts it.
class ProbeInspector : public kit::Object, public GroupMember {
public:
    std::string className() const override { return "ProbeInspector"; }
    kit::Object* init(kit::Object* given) override
    {
        owner = given;
        return this;
    }
    kit::Object* owner = nullptr;
};

class ProbeStarter : public kit::Object, public GroupStarter {
public:
    std::string className() const override { return "ProbeStarter"; }
    void runPanelFor(kit::Object*) override { ++starts; }
    int starts = 0;
};

class PanelRegistryTest : public DocumentFileTest {
protected:
    void TearDown() override
    {
        for (const std::string& file : registered_)
            kit::NibLoader::unregisterNib(file);
        DocumentFileTest::TearDown();
    }

    // The interface file makes a probe panel for the outlet.
    void registerProbe(const std::string& file, const std::string& outlet)
    {
        registered_.insert(file);
        kit::NibLoader::registerNib(file, [outlet](kit::NibLoad& load) {
            ProbePanel* panel = load.addTopLevelObject(std::make_unique<ProbePanel>());
            return load.connectOutlet(outlet, panel);
        });
    }

    // A document in a window of its own, listed, and its page view.
    PageView* shownDocument()
    {
        std::unique_ptr<LayoutDocument> document = makeDocument(0, false);
        LayoutDocument* raw = document.get();
        delegate_->addDocument(std::move(document));
        raw->newView(nullptr, 1, false);
        return dynamic_cast<PageView*>(raw->mainView());
    }

    static bool validate(Layvane& delegate, const std::string& action)
    {
        kit::MenuItem item("", action, "");
        return delegate.validateMenuItem(&item);
    }

    void send(const char* action) { delegate_->performSelector(action, nullptr); }

    std::set<std::string> registered_;
};

TEST_F(PanelRegistryTest, PanelCommandsAreEnabledAsTheirRowsSayWithAndWithoutADocument)
{
    struct Case {
        const char* action;
        const char* file; // registered for the case; nullptr: none
        const char* outlet;
        bool scrivly;
        bool withoutDocument;
        bool withDocument;
    };
    const Case cases[] = {
        // A shared panel needs its builder only.
        {"runPages:", nullptr, nullptr, false, false, false},
        {"runPages:", "PanelPages.nib", "pagesPanel", false, true, true},
        {"runFind:", "PanelFind.nib", "findPanel", false, true, true},
        {"runTabs:", "PanelTabs.nib", "tabsPanel", false, true, true},
        {"showCharacterSetPanel:", "CharacterSetPanel.nib", "characterSetPanel", false, true, true},
        // A panel run for a document needs the main one too.
        {"runColumnsInspector:", "ColumnsInspector.nib", "columnsInspector", false, false, true},
        {"runColumnsInspector:", nullptr, nullptr, false, false, false},
        {"runMoveBy:", "PanelMoveBy.nib", "moveByPanel", false, false, true},
        {"runParaNumbering:", "PanelAutonumbering.nib", "paragraphNumberingPanel", false, false, true},
        {"runGotoPage:", "PanelPagesGoto.nib", "gotoPagesPanel", false, false, true},
        // Rows whose classes are not built yet.
        {"inspect:", nullptr, nullptr, false, false, false},
        {"runLinksPanel:", nullptr, nullptr, false, false, false},
        // The word processor's rows have no graphic styles panel, whatever
        // files there are.
        {"runGraphicStyles:", "GPanelStyles.nib", "stylesPanel", false, true, true},
        {"runGraphicStyles:", "GPanelStyles.nib", "stylesPanel", true, false, false},
        {"runLineEditor:", "PanelLineEditor.nib", "lineEditorPanel", true, false, false},
        {"runInfo:", "Info.nib", "infoPanel", true, true, true},
        {"runInfo:", "Info.nib", "infoPanel", false, false, false},
        // Commands that are no row's.
        {"runFontPanel:", nullptr, nullptr, false, true, true},
        {"runSuggest:", nullptr, nullptr, true, true, true},
        {"closeAllPanels:", nullptr, nullptr, false, true, true},
    };
    std::unique_ptr<Scrivly> scrivly = std::make_unique<Scrivly>();
    std::unique_ptr<LayoutDocument> document = makeDocument(0, false);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.action) + (c.file ? std::string(" with ") + c.file : "") +
                     (c.scrivly ? " (word processor)" : ""));
        if (c.file)
            registerProbe(c.file, c.outlet);
        Layvane& delegate = c.scrivly ? static_cast<Layvane&>(*scrivly) : *delegate_;
        delegate.setMainDocument(nullptr);
        EXPECT_EQ(validate(delegate, c.action), c.withoutDocument) << "without a document";
        delegate.setMainDocument(document.get());
        EXPECT_EQ(validate(delegate, c.action), c.withDocument) << "with a document";
        delegate.setMainDocument(nullptr);
        if (c.file)
            kit::NibLoader::unregisterNib(c.file);
    }
}

TEST_F(PanelRegistryTest, AMainPageViewSwitchReachesTheVisiblePanelsTheRowsName)
{
    PanelTabs::initialize();
    registered_.insert("PanelTabs.nib");
    registerProbe("LinksPanel.nib", "linksPanel");
    registerProbe("PanelStyles.nib", "stylesPanel");
    registerProbe("PanelPages.nib", "pagesPanel");
    PageView* first = shownDocument();
    PageView* second = shownDocument();
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    delegate_->setMainPageView(first);

    send("runLinksPanel:");
    send("runParaStyles:");
    send("runPages:");
    auto* links = dynamic_cast<ProbePanel*>(delegate_->linksPanel(false));
    auto* styles = dynamic_cast<ProbePanel*>(delegate_->paragraphStylesPanel(false));
    auto* pages = dynamic_cast<ProbePanel*>(delegate_->pagesPanel(false));
    ASSERT_NE(links, nullptr);
    ASSERT_NE(styles, nullptr);
    ASSERT_NE(pages, nullptr);
    // The paragraph styles panel's row makes the tabs panel first.
    EXPECT_NE(dynamic_cast<PanelTabs*>(delegate_->tabsPanel(false)), nullptr);
    // Each panel was given the host.
    EXPECT_EQ(links->host, static_cast<PanelHost*>(delegate_.get()));
    EXPECT_EQ(links->host->mainDocument(), first->document());

    LayoutDocument* other = second->document();
    Item* column = sample::firstColumnOn(other->pageAt(0));
    other->setSelection({column}, second);
    for (ProbePanel* panel : {links, styles, pages})
        panel->calls.clear();

    delegate_->setMainPageView(second);
    EXPECT_EQ(links->calls, std::vector<std::string>{"inspect"});
    EXPECT_EQ(links->shown, std::vector<Item*>{column});
    EXPECT_EQ(styles->calls, std::vector<std::string>{"inspectSelection"});
    EXPECT_EQ(styles->shown, std::vector<Item*>{column});
    EXPECT_TRUE(pages->calls.empty());
    EXPECT_EQ(links->host->mainDocument(), other);

    // Another view of the same document is no switch of documents.
    for (ProbePanel* panel : {links, styles, pages})
        panel->calls.clear();
    delegate_->setMainPageView(second);
    EXPECT_TRUE(links->calls.empty());

    // A hidden panel is not told; while text is edited the paragraph styles
    // panel is not either.
    links->orderOut(nullptr);
    first->beginEditingItem(sample::firstColumnOn(first->document()->pageAt(0)));
    ASSERT_NE(first->document()->activeTextFlow(), nullptr);
    for (ProbePanel* panel : {links, styles, pages})
        panel->calls.clear();
    delegate_->setMainPageView(first);
    EXPECT_TRUE(links->calls.empty());
    EXPECT_TRUE(styles->calls.empty()) << styles->calls.front();
    EXPECT_EQ(delegate_->mainPageView(), first);
}

TEST_F(PanelRegistryTest, ClosingTheMainDocumentLeavesNoPanelPointingIntoIt)
{
    PanelTabs::initialize();
    registered_.insert("PanelTabs.nib");
    registerProbe("LinksPanel.nib", "linksPanel");
    PageView* view = shownDocument();
    ASSERT_NE(view, nullptr);
    LayoutDocument* document = view->document();
    delegate_->setMainPageView(view);
    Item* column = sample::firstColumnOn(document->pageAt(0));
    document->setSelection({column}, view);

    // The links panel and an inspector show the document's items; the tabs
    // panel is open on it.
    send("runLinksPanel:");
    auto* links = dynamic_cast<ProbePanel*>(delegate_->linksPanel(false));
    ASSERT_NE(links, nullptr);
    links->inspect(document->selected());
    ProbePanel inspector;
    ASSERT_TRUE(delegate_->setOutlet("GraphicsInspector", &inspector));
    EXPECT_EQ(delegate_->graphicsInspector(), &inspector);
    inspector.inspect(document->selected());
    send("runTabs:");
    auto* tabs = dynamic_cast<PanelTabs*>(delegate_->tabsPanel(false));
    ASSERT_NE(tabs, nullptr);
    ASSERT_TRUE(tabs->isVisible());

    send("close:");
    ASSERT_EQ(delegate_->closed, std::vector<LayoutDocument*>{document});
    EXPECT_EQ(delegate_->mainDocument(), nullptr);
    EXPECT_EQ(links->calls.back(), "inspectSelection nil");
    EXPECT_EQ(inspector.calls.back(), "inspectStyle nil");
    // What they draw next reads nothing of the closed document (ASan).
    EXPECT_EQ(links->touch(), 0);
    EXPECT_EQ(inspector.touch(), 0);
    tabs->inspect({});
    tabs->addTab(0, 36);
    delegate_->setGraphicsInspector(nullptr);
    EXPECT_EQ(delegate_->graphicsInspector(), nullptr);
}

TEST_F(PanelRegistryTest, APanelThatIsOnlyItsRowIsMadeRunValidatedAndClosed)
{
    delegate_->addPanelRow({.name = "probePanel", .file = "ProbePanel.nib", .className = "ProbePanel",
                            .action = "runProbePanel:", .show = PanelRow::Show::MakeKeyAndOrderFront});
    EXPECT_EQ(delegate_->panel("probePanel", true), nullptr);
    EXPECT_FALSE(validate(*delegate_, "runProbePanel:"));

    registerProbe("ProbePanel.nib", "probePanel");
    EXPECT_TRUE(validate(*delegate_, "runProbePanel:"));
    EXPECT_EQ(delegate_->panel("probePanel", false), nullptr);
    ASSERT_TRUE(delegate_->respondsToSelector("runProbePanel:"));
    send("runProbePanel:");
    auto* probe = dynamic_cast<ProbePanel*>(delegate_->panel("probePanel", false));
    ASSERT_NE(probe, nullptr);
    EXPECT_TRUE(probe->isVisible());
    EXPECT_EQ(probe->host, static_cast<PanelHost*>(delegate_.get()));
    EXPECT_EQ(probe->delegate(), delegate_.get());
    send("runProbePanel:");
    EXPECT_EQ(delegate_->panel("probePanel", true), probe);

    // Close All Panels closes it and leaves the toolbar, as its row says.
    registerProbe("PanelToolbar.nib", "toolbar");
    auto* toolbar = dynamic_cast<ProbePanel*>(delegate_->panel("toolbar", true));
    ASSERT_NE(toolbar, nullptr);
    toolbar->orderFront(nullptr);
    send("closeAllPanels:");
    EXPECT_FALSE(probe->isVisible());
    EXPECT_TRUE(toolbar->isVisible());

    // A command of the row's own steps alone (a modal run) shows nothing
    // itself.
    std::vector<kit::Object*> ran;
    delegate_->addPanelRow({.name = "probeDialog", .file = "ProbeDialog.nib", .action = "runProbeDialog:",
                            .shared = false,
                            .prepare = [&ran](kit::Object* made, kit::Object* sender) {
                                ran = {made, sender};
                            }});
    registerProbe("ProbeDialog.nib", "probeDialog");
    std::unique_ptr<LayoutDocument> document = makeDocument(0, false);
    EXPECT_FALSE(validate(*delegate_, "runProbeDialog:"));
    delegate_->setMainDocument(document.get());
    EXPECT_TRUE(validate(*delegate_, "runProbeDialog:"));
    delegate_->performSelector("runProbeDialog:", toolbar);
    delegate_->setMainDocument(nullptr);
    auto* dialog = dynamic_cast<ProbePanel*>(delegate_->panel("probeDialog", false));
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(ran, (std::vector<kit::Object*>{dialog, toolbar}));
    EXPECT_FALSE(dialog->isVisible());
}

TEST_F(PanelRegistryTest, TheInspectorsAreMadeByClassNameAndThoseNotBuiltAreSkipped)
{
    kit::registerClass<ProbeInspector>("ProbeInspector");
    delegate_->addPanelRow({.name = "probeInspector", .className = "ProbeInspector",
                            .builderOutlet = "ProbeInspector", .group = "Inspectors"});
    // A member of a group is never made by its getter.
    EXPECT_EQ(delegate_->panel("probeInspector", true), nullptr);
    EXPECT_EQ(delegate_->inspectorPanel(), nullptr);

    ProbeStarter window;
    delegate_->loadClasses("Inspectors", &window);
    auto* made = dynamic_cast<ProbeInspector*>(delegate_->outlet("probeInspector"));
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->owner, &window);
    EXPECT_EQ(window.starts, 1);
    EXPECT_EQ(delegate_->paragraphInspector(), nullptr);
    EXPECT_EQ(delegate_->graphicsInspector(), nullptr);
    EXPECT_EQ(delegate_->placementInspector(), nullptr);

    // Made once; a group no row names makes nothing and starts nothing.
    delegate_->loadClasses("Inspectors", &window);
    EXPECT_EQ(delegate_->outlet("probeInspector"), made);
    delegate_->loadClasses("Accessories", &window);
    EXPECT_EQ(window.starts, 2);

    // Outlets: a row's name or its builder's outlet; nothing else.
    EXPECT_FALSE(delegate_->setOutlet("NoSuchPanel", &window));
    EXPECT_EQ(delegate_->outlet("NoSuchPanel"), nullptr);
    // Two rows' files fill "stylesPanel": outside their loading it is no
    // one's.
    EXPECT_FALSE(delegate_->setOutlet("stylesPanel", &window));
}

TEST_F(PanelRegistryTest, AFileThatFailsToBuildLeavesItsPanelNil)
{
    registered_.insert("PanelFind.nib");
    kit::NibLoader::registerNib("PanelFind.nib", [](kit::NibLoad& load) {
        ProbePanel* panel = load.addTopLevelObject(std::make_unique<ProbePanel>());
        (void)load.connectOutlet("findPanel", panel);
        return false;
    });
    EXPECT_EQ(delegate_->findPanel(true), nullptr);
    EXPECT_EQ(delegate_->findPanel(false), nullptr);
    send("runFind:");
    EXPECT_EQ(delegate_->findPanel(false), nullptr);
}

} // namespace
