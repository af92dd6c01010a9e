// The inspector base: its pane from the interface file named after its
// class, the selection it is asked to show, and its pane brought forward
// through the inspector window.

#include "app/tests/WordProcessorFixture.h"

#include "appkit/Panel.h"
#include "document/Page.h"
#include "panels/ZynInspector.h"
#include "view/PageView.h"

namespace {

// A pane that remembers the inspector it joined.
class ProbePane : public kit::Panel, public InspectorPane {
public:
    ProbePane() : kit::Panel(kit::makeRect(0, 0, 200, 100)) {}
    void registerWith(ZynInspector* inspector) override { registeredWith = inspector; }
    ZynInspector* registeredWith = nullptr;
};

class ProbeWindow : public InspectorWindow {
public:
    void forceSwapPanel(kit::Window* swapPanel) override { forced.push_back(swapPanel); }
    std::vector<kit::Window*> forced;
};

// An inspector that applies to any selection and records what it was shown.
class ProbeInspector : public ZynInspector {
public:
    explicit ProbeInspector(std::string name = "ProbeInspector") : name_(std::move(name)) {}
    std::string className() const override { return name_; }
    kit::Object* inspectSelection(const std::vector<Item*>* selection) override
    {
        asked = true;
        shown = selection ? std::optional<std::vector<Item*>>(*selection) : std::nullopt;
        return this;
    }
    InspectorWindow* inspectorWindow() const override { return window; }

    bool asked = false;
    std::optional<std::vector<Item*>> shown;
    InspectorWindow* window = nullptr;

private:
    std::string name_;
};

class ZynInspectorTest : public WordProcessorTest {
protected:
    void SetUp() override
    {
        WordProcessorTest::SetUp();
        kit::NibLoader::registerNib("ProbeInspector", [](kit::NibLoad& load) {
            ProbePane* pane = load.addTopLevelObject(std::make_unique<ProbePane>());
            return load.connectOutlet("inspectorView", pane);
        });
    }
    void TearDown() override
    {
        kit::NibLoader::unregisterNib("ProbeInspector");
        WordProcessorTest::TearDown();
    }
};

TEST_F(ZynInspectorTest, InitBuildsThePaneFromTheFileNamedAfterTheClassAndRegistersIt)
{
    ProbeInspector inspector;
    EXPECT_EQ(inspector.init(nullptr), &inspector);
    auto* pane = dynamic_cast<ProbePane*>(inspector.inspectorView());
    ASSERT_NE(pane, nullptr);
    EXPECT_EQ(pane->registeredWith, &inspector);

    EXPECT_FALSE(inspector.isVisible());
    pane->orderFront(nullptr);
    EXPECT_TRUE(inspector.isVisible());
    pane->orderOut(nullptr);
    EXPECT_FALSE(inspector.isVisible());

    // Without its file an inspector has no pane, and nothing to show.
    ProbeInspector lost("NoSuchInspector");
    ProbeWindow window;
    lost.window = &window;
    EXPECT_EQ(lost.init(nullptr), &lost);
    EXPECT_EQ(lost.inspectorView(), nullptr);
    EXPECT_FALSE(lost.isVisible());
    lost.makeKeyAndOrderFront(nullptr);
    EXPECT_TRUE(window.forced.empty());
}

TEST_F(ZynInspectorTest, MakeKeyAndOrderFrontAsksTheInspectorWindowForThePane)
{
    ProbeInspector inspector;
    inspector.init(nullptr);
    inspector.makeKeyAndOrderFront(nullptr); // no inspector window yet: nothing
    ProbeWindow window;
    inspector.window = &window;
    inspector.makeKeyAndOrderFront(nullptr);
    EXPECT_EQ(window.forced, (std::vector<kit::Window*>{inspector.inspectorView()}));
}

// inspect: hands the main document's selection over; without a main
// document the selection is nil. The base applies to nothing.
TEST_F(ZynInspectorTest, InspectShowsTheMainDocumentsSelection)
{
    ProbeInspector inspector;
    EXPECT_EQ(inspector.document(), nullptr);
    inspector.inspect(nullptr);
    EXPECT_TRUE(inspector.asked);
    EXPECT_FALSE(inspector.shown.has_value());

    ScrivlyDocument* document = newDocument();
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(inspector.pageView(), delegate_->mainPageView());
    EXPECT_EQ(inspector.document(), document);
    Item* item = document->mainTextItemForPage(document->pageAt(0));
    document->setSelection({item}, inspector.pageView());
    EXPECT_EQ(inspector.inspect(nullptr), &inspector);
    ASSERT_TRUE(inspector.shown.has_value());
    EXPECT_EQ(*inspector.shown, (std::vector<Item*>{item}));

    ZynInspector base;
    EXPECT_EQ(base.inspect(nullptr), nullptr);
}

// The pane reference never outlives the pane.
TEST_F(ZynInspectorTest, ThePaneReferenceEmptiesWhenThePaneGoes)
{
    ProbeInspector inspector;
    auto pane = std::make_unique<ProbePane>();
    inspector.setInspectorView(pane.get());
    pane->orderFront(nullptr);
    EXPECT_TRUE(inspector.isVisible());
    pane.reset();
    EXPECT_EQ(inspector.inspectorView(), nullptr);
    EXPECT_FALSE(inspector.isVisible());
}

} // namespace
