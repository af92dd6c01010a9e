#include "AppKitTesting.h"

#include "appkit/Button.h"
#include "appkit/NibLoader.h"
#include "appkit/Panel.h"
#include "appkit/TextField.h"
#include "core/Exception.h"

using namespace kit;

namespace {

// An owner with outlets the builder fills directly.
class ZoomPanelOwner : public Responder {
public:
    std::string className() const override { return "ZoomPanelOwner"; }
    Panel* zoomPanel = nullptr;
    TextField* zoomField = nullptr;
};

// An owner that fills its outlets by name.
class NamedOutlets : public Responder, public NibOwner {
public:
    std::string className() const override { return "NamedOutlets"; }
    bool setOutlet(const std::string& name, Object* object) override
    {
        if (name != "okButton")
            return false;
        okButton = dynamic_cast<Button*>(object);
        return true;
    }
    Button* okButton = nullptr;
};

std::vector<std::string>& awakeOrder()
{
    static std::vector<std::string> order;
    return order;
}

class AwakeField : public TextField, public NibAwaking {
public:
    using TextField::TextField;
    void awakeFromNib() override
    {
        awakeOrder().push_back("field");
        setStringValue("100");
    }
};

class AwakePanel : public Panel, public NibAwaking {
public:
    using Panel::Panel;
    void awakeFromNib() override { awakeOrder().push_back("panel"); }
};

bool buildZoomPanel(NibLoad& load)
{
    auto panel = std::make_unique<AwakePanel>(makeRect(100, 100, 200, 80));
    panel->setTitle("Zoom");
    auto* field = static_cast<AwakeField*>(
        panel->contentView()->addSubview(std::make_unique<AwakeField>(makeRect(10, 40, 80, 22))));
    auto* ok = static_cast<Button*>(panel->contentView()->addSubview(std::make_unique<Button>(makeRect(110, 10, 80, 24), "OK")));
    ok->setAction("zoom:");
    load.awaken(field);
    Panel* p = load.addTopLevelObject(std::move(panel));
    if (auto* owner = load.ownerAs<ZoomPanelOwner>()) {
        owner->zoomPanel = p;
        owner->zoomField = field;
    } else if (!load.connectOutlet("okButton", ok)) {
        return false;
    }
    return true;
}

} // namespace

using NibLoaderTest = AppKitTest;

TEST_F(NibLoaderTest, ABuilderMakesTheObjectsAndFillsTheOwnersOutlets)
{
    NibLoader::registerNib("TestZoom.nib", buildZoomPanel);
    awakeOrder().clear();
    ZoomPanelOwner owner;
    std::vector<std::unique_ptr<Object>> top;
    ASSERT_TRUE(NibLoader::loadNibFile("TestZoom.nib", &owner, &top));
    ASSERT_EQ(top.size(), 1u);
    EXPECT_EQ(top[0].get(), owner.zoomPanel);
    ASSERT_NE(owner.zoomField, nullptr);
    EXPECT_EQ(owner.zoomField->window(), owner.zoomPanel);
    // Every object is awoken once the whole file is built, in the order named.
    EXPECT_EQ(awakeOrder(), (std::vector<std::string>{"field", "panel"}));
    EXPECT_EQ(owner.zoomField->intValue(), 100);

    NamedOutlets named;
    ASSERT_TRUE(NibLoader::loadNibFile("TestZoom.nib", &named, &top));
    ASSERT_NE(named.okButton, nullptr);
    EXPECT_EQ(named.okButton->action(), "zoom:");
    EXPECT_EQ(top.size(), 2u);

    // An owner with neither kind of outlet: the builder refuses.
    ActionRecorder stranger;
    EXPECT_FALSE(NibLoader::loadNibFile("TestZoom.nib", &stranger, &top));
    EXPECT_EQ(top.size(), 2u);
    NibLoader::unregisterNib("TestZoom.nib");
}

TEST_F(NibLoaderTest, AMissingOrFailingFileLoadsNothing)
{
    ZoomPanelOwner owner;
    EXPECT_FALSE(NibLoader::isRegistered("Nowhere.nib"));
    EXPECT_FALSE(NibLoader::loadNibFile("Nowhere.nib", &owner));
    EXPECT_EQ(owner.zoomPanel, nullptr);

    int awoken = 0;
    struct Counting : public Responder, public NibAwaking {
        explicit Counting(int& n) : n(n) {}
        std::string className() const override { return "Counting"; }
        void awakeFromNib() override { ++n; }
        int& n;
    };
    NibLoader::registerNib("Broken.nib", [&awoken](NibLoad& load) -> bool {
        load.addTopLevelObject(std::make_unique<Counting>(awoken));
        throw Exception("NSInternalInconsistencyException", "a builder that breaks");
    });
    std::vector<std::unique_ptr<Object>> top;
    EXPECT_FALSE(NibLoader::loadNibFile("Broken.nib", &owner, &top));
    EXPECT_TRUE(top.empty());
    EXPECT_EQ(awoken, 0);
    NibLoader::unregisterNib("Broken.nib");
}
