// The Graphics pane over a word-processor document: what it shows for a
// selection, each change with its one undo record, OK with rotation and
// scale, the in-line graphics of edited text, refused field texts and the
// preview's ground.

#include "app/tests/WordProcessorFixture.h"

#include "appkit/Button.h"
#include "appkit/ColorWell.h"
#include "appkit/MenuItem.h"
#include "appkit/PopUpButton.h"
#include "appkit/TextField.h"
#include "document/DocumentPanels.h"
#include "document/Page.h"
#include "document/Undo.h"
#include "document/UndoComposite.h"
#include "document/UndoInfo.h"
#include "foundation/StyleGraphicNamed.h"
#include "foundation/StyleInfo.h"
#include "graphics/RecordingContext.h"
#include "items/ItemArray.h"
#include "items/ItemBox.h"
#include "items/PlacedItem.h"
#include "panels/GraphicsInspector.h"
#include "text/TextSelection.h"
#include "text/TextWordSpecial.h"
#include "view/PageView.h"

#include <cmath>
#include <functional>

namespace {

// The inspector window as the document reaches it: each notice shows the
// selection in the pane again, and is counted.
class ReloadingWindow : public DocumentPanel {
public:
    bool isVisible() const override { return true; }
    void inspect(const std::vector<Item*>& selection) override
    {
        ++notices;
        if (inspector)
            inspector->inspectSelection(&selection);
    }
    GraphicsInspector* inspector = nullptr;
    int notices = 0;
};

class ReloadingPanels : public DocumentPanels {
public:
    DocumentPanel* inspectorPanel() override { return &window; }
    ReloadingWindow window;
};

class GraphicsInspectorTest : public WordProcessorTest {
protected:
    void SetUp() override
    {
        WordProcessorTest::SetUp();
        GraphicsInspector::initialize();
        document_ = newDocument();
        ASSERT_NE(document_, nullptr);
        inspector_ = std::make_unique<GraphicsInspector>();
        inspector_->setPanelHost(delegate_.get());
        inspector_->init(nullptr);
        ASSERT_NE(inspector_->inspectorView(), nullptr);
        DocumentPanels::setShared(&panels_);
        panels_.window.inspector = inspector_.get();
    }
    void TearDown() override
    {
        DocumentPanels::setShared(nullptr);
        inspector_.reset();
        WordProcessorTest::TearDown();
    }

    ItemBox* addBox(const kit::Rect& frame, kit::ColorRef fill = kit::Color::whiteColor(), float width = 1.0f)
    {
        auto box = std::make_shared<ItemBox>();
        box->setFrame(frame, false);
        box->setHasFill(true);
        box->setFillColor(std::move(fill));
        box->setHasLine(true);
        box->setLineWidth(width);
        box->setLineColor(kit::Color::blackColor());
        ItemBox* raw = box.get();
        document_->pageAt(0)->addItems(std::move(box));
        return raw;
    }
    void select(const std::vector<Item*>& items)
    {
        document_->setSelection(items, delegate_->mainPageView());
        inspector_->inspectSelection(&items);
    }
    UndoInfo& undo() { return *document_->undoInfo(); }

    ScrivlyDocument* document_ = nullptr;
    std::unique_ptr<GraphicsInspector> inspector_;
    ReloadingPanels panels_;
};

bool sameColor(const kit::ColorRef& a, const kit::ColorRef& b)
{
    float ar = 0, ag = 0, ab = 0, br = 0, bg = 0, bb = 0;
    a->getRed(ar, ag, ab);
    b->getRed(br, bg, bb);
    return std::fabs(ar - br) < 0.01f && std::fabs(ag - bg) < 0.01f && std::fabs(ab - bb) < 0.01f;
}

TEST_F(GraphicsInspectorTest, MixedValuesShowEmptyOrLightGrey)
{
    ItemBox* red = addBox(kit::makeRect(50, 50, 40, 40), kit::Color::redColor(), 2.0f);
    ItemBox* black = addBox(kit::makeRect(150, 50, 40, 40), kit::Color::blackColor(), 2.0f);
    select({red, black});
    EXPECT_TRUE(sameColor(inspector_->fillColor()->color(), kit::Color::lightGrayColor()));
    EXPECT_TRUE(sameColor(inspector_->lineColor()->color(), kit::Color::blackColor()));
    EXPECT_EQ(inspector_->widthField()->stringValue(), "2.0");
    EXPECT_EQ(inspector_->nameField()->stringValue(), "Multiple Selection");
    EXPECT_FALSE(inspector_->nameField()->isEnabled());

    black->setLineWidth(3.0f);
    select({red, black});
    EXPECT_EQ(inspector_->widthField()->stringValue(), "");

    select({red});
    EXPECT_TRUE(sameColor(inspector_->fillColor()->color(), kit::Color::redColor()));
    EXPECT_EQ(inspector_->widthField()->stringValue(), "2.0");
    EXPECT_EQ(inspector_->fillButton()->state(), 1);

    // Nothing selected: the fields empty, no pane to show.
    const std::vector<Item*> none;
    EXPECT_EQ(inspector_->inspectSelection(&none), nullptr);
    EXPECT_EQ(inspector_->rotationField()->stringValue(), "");
    EXPECT_EQ(inspector_->scaleField()->stringValue(), "");
}

// Each immediate change: the items take it, one record of its type is
// pushed, undo and redo move it, and the document's notice does not show
// the selection again while the change runs.
TEST_F(GraphicsInspectorTest, EachImmediateChangeMakesOneRecord)
{
    struct Case {
        const char* name;
        int type;
        std::function<void(GraphicsInspector&)> act;
        std::function<bool(const Item&)> changed;
    };
    const Case cases[] = {
        {"fill off", Undo::HasFillSet,
         [](GraphicsInspector& g) {
             g.fillButton()->setState(0);
             g.changeFill(g.fillButton());
         },
         [](const Item& item) { return !item.graphicStyle()->hasFill(); }},
        {"fill colour", Undo::FillColorSet,
         [](GraphicsInspector& g) {
             g.fillColor()->setColor(kit::Color::redColor());
             g.changeFillColor(g.fillColor());
         },
         [](const Item& item) { return sameColor(item.graphicStyle()->fillColor(), kit::Color::redColor()); }},
        {"line off", Undo::HasLineSet,
         [](GraphicsInspector& g) {
             g.lineButton()->setState(0);
             g.changeLine(g.lineButton());
         },
         [](const Item& item) { return !item.graphicStyle()->hasLine(); }},
        {"line colour", Undo::LineColorSet,
         [](GraphicsInspector& g) {
             g.lineColor()->setColor(kit::Color::redColor());
             g.changeLineColor(g.lineColor());
         },
         [](const Item& item) { return sameColor(item.graphicStyle()->lineColor(), kit::Color::redColor()); }},
        {"typed width", Undo::LineWidthSet,
         [](GraphicsInspector& g) {
             g.widthField()->setStringValue("4");
             g.changeLineWidth(g.widthField());
         },
         [](const Item& item) { return item.graphicStyle()->lineWidth() == 4.0f; }},
        {"hairline", Undo::LineWidthSet,
         [](GraphicsInspector& g) {
             kit::PopUpButton* pullDown = g.widthPullDown();
             pullDown->selectItemWithTag(-3);
             g.changeLineWidthFromPopup(pullDown);
         },
         [](const Item& item) { return std::fabs(item.graphicStyle()->lineWidth() - 0.15f) < 1e-6f; }},
        {"width 0.5 from the pull-down", Undo::LineWidthSet,
         [](GraphicsInspector& g) {
             kit::PopUpButton* pullDown = g.widthPullDown();
             pullDown->selectItemWithTitle("0.5");
             g.changeLineWidthFromPopup(pullDown);
         },
         [](const Item& item) { return item.graphicStyle()->lineWidth() == 0.5f; }},
        {"one step thicker", Undo::LineWidthSet,
         [](GraphicsInspector& g) {
             kit::Button step(kit::makeRect(0, 0, 10, 10), "+");
             step.setTag(1);
             g.nudgeLineWidth(&step);
         },
         [](const Item& item) { return item.graphicStyle()->lineWidth() > 1.0f; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ItemBox* a = addBox(kit::makeRect(50, 50, 40, 40));
        ItemBox* b = addBox(kit::makeRect(150, 50, 40, 40));
        select({a, b});
        const int before = undo().count();
        const int noticesBefore = panels_.window.notices;
        // A name typed but not applied survives only if nothing reloads.
        inspector_->nameField()->setStringValue("typed");
        c.act(*inspector_);
        EXPECT_GT(panels_.window.notices, noticesBefore);
        EXPECT_EQ(inspector_->nameField()->stringValue(), "typed");
        ASSERT_EQ(undo().count(), before + 1);
        EXPECT_EQ(undo().currentRecord()->undoType(), c.type);
        EXPECT_TRUE(c.changed(*a));
        EXPECT_TRUE(c.changed(*b));
        ASSERT_TRUE(undo().undo());
        EXPECT_FALSE(c.changed(*a));
        EXPECT_FALSE(c.changed(*b));
        ASSERT_TRUE(undo().redo());
        EXPECT_TRUE(c.changed(*a));
        EXPECT_TRUE(c.changed(*b));
        document_->setSelection({}, delegate_->mainPageView());
        document_->pageAt(0)->removeItems({a, b});
    }
}

TEST_F(GraphicsInspectorTest, DisplaysRotationScaleAndWidth)
{
    struct Angle {
        float given;
        const char* shown;
    };
    for (const Angle& c : {Angle{-30, "330.0"}, Angle{400, "40.0"}, Angle{360, "360.0"}, Angle{12.25f, "12.2"}}) {
        inspector_->setRotate(c.given);
        EXPECT_EQ(inspector_->rotationField()->stringValue(), c.shown) << c.given;
    }
    struct Scale {
        float x, y;
        const char* shown;
    };
    for (const Scale& c : {Scale{0.5f, 0.5f, "50.0"}, Scale{0.5f, 0.75f, "50/75"}, Scale{2, 1, "200/100"}}) {
        inspector_->setScale(c.x, c.y);
        EXPECT_EQ(inspector_->scaleField()->stringValue(), c.shown);
    }
    struct Width {
        float width;
        const char* shown;
    };
    for (const Width& c : {Width{2, "2.0"}, Width{0.15f, "0.15"}, Width{12.5f, "12.5"}, Width{0, "0.0"}})
        EXPECT_EQ(GraphicsInspector::formatWidth(c.width), c.shown);
}

TEST_F(GraphicsInspectorTest, OkRotatesAndScalesInOneUndoStep)
{
    ItemBox* box = addBox(kit::makeRect(100, 100, 40, 20));
    select({box});
    EXPECT_EQ(inspector_->scaleField()->stringValue(), "100.0");
    EXPECT_EQ(inspector_->rotationField()->stringValue(), "0.0");
    const int before = undo().count();
    inspector_->scaleField()->setStringValue("200/100");
    inspector_->rotationField()->setStringValue("30");
    inspector_->ok(nullptr);
    ASSERT_EQ(undo().count(), before + 1);
    EXPECT_EQ(undo().currentRecord()->undoType(), Undo::Composite);
    // A box takes a scale as its size.
    EXPECT_NEAR(box->size().width, 80.0f, 1e-3);
    EXPECT_NEAR(box->size().height, 20.0f, 1e-3);
    select({box});
    EXPECT_EQ(inspector_->rotationField()->stringValue(), "30.0");

    ASSERT_TRUE(undo().undo());
    EXPECT_NEAR(box->size().width, 40.0f, 1e-3);
    float angle = 0;
    ASSERT_TRUE(getRotation({box}, &angle));
    EXPECT_NEAR(angle, 0.0f, 1e-3);
    ASSERT_TRUE(undo().redo());
    EXPECT_NEAR(box->size().width, 80.0f, 1e-3);
    ASSERT_TRUE(getRotation({box}, &angle));
    EXPECT_NEAR(angle, 30.0f, 1e-3);
}

TEST_F(GraphicsInspectorTest, UnchangedOrEmptyRotationRotatesNothing)
{
    ItemBox* a = addBox(kit::makeRect(100, 100, 40, 20));
    ItemBox* b = addBox(kit::makeRect(200, 100, 40, 20));
    rotateTo({a}, -20, false);
    select({a});
    EXPECT_EQ(inspector_->rotationField()->stringValue(), "20.0");
    const int before = undo().count();
    inspector_->ok(nullptr);
    EXPECT_EQ(undo().count(), before);
    float angle = 0;
    ASSERT_TRUE(getRotation({a}, &angle));
    EXPECT_NEAR(angle, 20.0f, 1e-3);

    // Different rotations: the field is empty, and OK keeps both.
    select({a, b});
    EXPECT_EQ(inspector_->rotationField()->stringValue(), "");
    inspector_->ok(nullptr);
    EXPECT_EQ(undo().count(), before);
    ASSERT_TRUE(getRotation({a}, &angle));
    EXPECT_NEAR(angle, 20.0f, 1e-3);
    ASSERT_TRUE(getRotation({b}, &angle));
    EXPECT_NEAR(angle, 0.0f, 1e-3);
}

// Texts that are no number the document takes beep and change nothing:
// before, a typo read as 0 (a hairline on every item) and "nan" passed.
TEST_F(GraphicsInspectorTest, RefusedFieldTextsBeepAndChangeNothing)
{
    const std::string huge(5000, '7');
    struct Case {
        std::string typed;
        bool width, scale, rotation; // refused by that field
    };
    const Case cases[] = {
        {"abc", true, true, true},         {"1e40", true, true, true},         {"0/0", true, true, true},
        {"-50", true, true, false},        {"nan", true, true, true},          {"inf", true, true, true},
        {"2abc", true, true, true},        {"99999999999", true, false, false}, {huge, true, true, true},
        {"200/100", true, false, true},
    };
    ItemBox* box = addBox(kit::makeRect(100, 100, 40, 20), kit::Color::whiteColor(), 3.0f);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.substr(0, 20));
        auto check = [&](kit::TextField* field, bool refused, const std::function<void()>& act) {
            select({box});
            const int before = undo().undoCount();
            const int beeps = alerts_->beeps();
            const kit::Size size = box->size();
            field->setStringValue(c.typed);
            act();
            if (refused) {
                EXPECT_EQ(alerts_->beeps(), beeps + 1);
                EXPECT_EQ(undo().undoCount(), before);
                EXPECT_EQ(box->graphicStyle()->lineWidth(), 3.0f);
                EXPECT_EQ(box->size(), size);
            } else if (undo().undoCount() > before) {
                ASSERT_TRUE(undo().undo());
            }
        };
        check(inspector_->widthField(), c.width, [&] { inspector_->changeLineWidth(inspector_->widthField()); });
        check(inspector_->widthField(), c.width, [&] { inspector_->ok(nullptr); });
        check(inspector_->scaleField(), c.scale, [&] { inspector_->ok(nullptr); });
        check(inspector_->rotationField(), c.rotation, [&] { inspector_->ok(nullptr); });
    }
    // A scale far too large is limited to what an item may measure.
    select({box});
    inspector_->scaleField()->setStringValue("99999999999");
    inspector_->ok(nullptr);
    EXPECT_LE(box->size().width, 20000.5f);
    EXPECT_GT(box->size().width, 40.0f);

    // An empty width field applies no width and is no error.
    select({box});
    const int beeps = alerts_->beeps();
    const float width = box->graphicStyle()->lineWidth();
    inspector_->widthField()->setStringValue("");
    inspector_->ok(nullptr);
    EXPECT_EQ(alerts_->beeps(), beeps);
    EXPECT_EQ(box->graphicStyle()->lineWidth(), width);
}

TEST_F(GraphicsInspectorTest, StandoffArrowsStepOnePointAndTurnRunaroundOn)
{
    ItemBox* box = addBox(kit::makeRect(100, 100, 40, 20));
    select({box});
    document_->setEdited(false);
    inspector_->standoffLeft()->setStringValue("3.00");
    inspector_->runaround()->setState(0);
    inspector_->increaseStandoffLeft(nullptr);
    EXPECT_EQ(inspector_->standoffLeft()->stringValue(), "4.00");
    EXPECT_EQ(inspector_->runaround()->state(), 1);
    ASSERT_TRUE(box->hasRunaround());
    float l = 0, r = 0, t = 0, b = 0;
    int side = -1;
    box->getRunaroundValues(nullptr, &l, &r, &t, &b, &side);
    EXPECT_EQ(l, 4.0f);
    EXPECT_EQ(b, 4.0f);
    inspector_->decreaseStandoffLeft(nullptr);
    inspector_->decreaseStandoffLeft(nullptr);
    EXPECT_EQ(inspector_->standoffLeft()->stringValue(), "2.00");
    box->getRunaroundValues(nullptr, &l, &r, &t, &b, &side);
    EXPECT_EQ(r, 2.0f);
    EXPECT_TRUE(document_->isEdited());
}

TEST_F(GraphicsInspectorTest, NamesOnlyAnUnlockedSingleItem)
{
    ItemBox* box = addBox(kit::makeRect(100, 100, 40, 20));
    select({box});
    document_->setEdited(false);
    inspector_->nameField()->setStringValue("Logo");
    inspector_->changeName(inspector_->nameField());
    EXPECT_EQ(box->name().value_or(""), "Logo");
    // No undo record holds the name: the document asks to be saved.
    EXPECT_TRUE(document_->isEdited());
    box->lock();
    select({box});
    EXPECT_EQ(inspector_->lockButton()->state(), 1);
    inspector_->nameField()->setStringValue("Other");
    inspector_->changeName(inspector_->nameField());
    EXPECT_EQ(box->name().value_or(""), "Logo");
}

TEST_F(GraphicsInspectorTest, PreviewGroundIsGreyBehindWhite)
{
    kit::RecordingContext recording;
    kit::DrawContext::setCurrent(&recording);
    struct Case {
        kit::ColorRef fill;
        float ground;
    };
    for (const Case& c : {Case{kit::Color::whiteColor(), GraphicsInspector::WhiteGround},
                          Case{kit::Color::colorWithGray(0.97f), GraphicsInspector::WhiteGround},
                          Case{kit::Color::blackColor(), 1.0f}}) {
        ItemBox* box = addBox(kit::makeRect(100, 100, 40, 20), c.fill);
        select({box});
        recording.reset();
        inspector_->drawPreview(kit::makeRect(0, 0, 200, 40));
        ASSERT_GE(recording.count("rectfill"), 2u);
        bool groundSeen = false;
        for (const kit::RecordedOp& op : recording.ops())
            if (op.name == "setgray" && !op.numbers.empty()) {
                EXPECT_NEAR(op.numbers.front(), c.ground, 1e-4);
                groundSeen = true;
                break;
            }
        EXPECT_TRUE(groundSeen);
    }
    kit::DrawContext::setCurrent(nullptr);
}

TEST_F(GraphicsInspectorTest, FileLineNamesWhatIsSelected)
{
    kit::Application::sharedApplication().setActiveQuery([] { return true; });
    ItemBox* box = addBox(kit::makeRect(100, 100, 40, 20));
    auto placed = std::make_shared<PlacedItem>(PlacedItem::Defaults::None);
    placed->setFrame(kit::makeRect(200, 200, 40, 40), false);
    placed->setFilename(std::string("/pictures/shots/logo.tiff"));
    PlacedItem* picture = placed.get();
    document_->pageAt(0)->addItems(std::move(placed));
    Item* column = document_->mainTextItemForPage(document_->pageAt(0));

    select({box});
    EXPECT_EQ(inspector_->fileTitle()->stringValue(), "None");
    EXPECT_EQ(inspector_->iconButton()->image(), nullptr);
    select({picture});
    EXPECT_EQ(inspector_->fileTitle()->stringValue(), "logo.tiff");
    EXPECT_EQ(inspector_->pathField()->stringValue(), "/pictures/shots");
    EXPECT_NE(inspector_->iconButton()->image(), nullptr);
    select({column});
    EXPECT_EQ(inspector_->fileTitle()->stringValue(), "Text");
    EXPECT_EQ(inspector_->pathField()->stringValue(), "None");
    EXPECT_FALSE(inspector_->nameField()->isEnabled());
    select({picture, column});
    EXPECT_EQ(inspector_->fileTitle()->stringValue(), "Multiple Selection");
    kit::Application::sharedApplication().setActiveQuery({});
}

// With a text selection holding an in-line picture, the pane works on the
// picture: runaround, lock and rotation are off, and OK scales the picture.
TEST_F(GraphicsInspectorTest, InlineGraphicsOfTheEditedText)
{
    auto* column = document_->mainTextItemForPage(document_->pageAt(0));
    TextFlow* flow = column->flow();
    auto picture = std::make_shared<PlacedItem>(PlacedItem::Defaults::None);
    picture->setFrame(kit::makeRect(0, 0, 30, 20), false);
    picture->setHasLine(true);
    picture->setLineWidth(1.0f);
    Item* held = picture.get();
    auto word = std::make_unique<TextWordSpecial>(TextWordGraphic);
    word->setObjectReference(std::shared_ptr<kit::Object>(picture));
    flow->firstParagraph()->insertWord(std::move(word), 0);
    flow->selectAll(column, delegate_->mainPageView());
    ASSERT_NE(flow->textSelection(), nullptr);
    ASSERT_FALSE(flow->textSelection()->embeddedGraphicsList().empty());

    select({column});
    EXPECT_EQ(inspector_->workingSelection({column}), (std::vector<Item*>{held}));
    EXPECT_FALSE(inspector_->runaround()->isEnabled());
    EXPECT_FALSE(inspector_->lockButton()->isEnabled());
    EXPECT_FALSE(inspector_->rotationField()->isEnabled());
    EXPECT_EQ(inspector_->widthField()->stringValue(), "1.0");

    const int before = undo().count();
    inspector_->lineColor()->setColor(kit::Color::redColor());
    inspector_->changeLineColor(inspector_->lineColor());
    ASSERT_EQ(undo().count(), before + 1);
    EXPECT_TRUE(sameColor(held->graphicStyle()->lineColor(), kit::Color::redColor()));
    EXPECT_FALSE(sameColor(column->graphicStyle() ? column->graphicStyle()->lineColor() : kit::Color::blackColor(),
                           kit::Color::redColor()));

    // OK gives the picture the typed width directly.
    inspector_->widthField()->setStringValue("3");
    inspector_->ok(nullptr);
    EXPECT_EQ(held->graphicStyle()->lineWidth(), 3.0f);
    EXPECT_FALSE(column->graphicStyle() && column->graphicStyle()->lineWidth() == 3.0f);
}

// A named style shown in the popup is redefined from the pane's values
// with one record (58) that gives the old values back; choosing a style
// applies it to the selection.
TEST_F(GraphicsInspectorTest, RedefinesAndAppliesNamedStyles)
{
    StyleInfo* sheet = document_->styleInfo();
    ASSERT_NE(sheet, nullptr);
    auto* named = dynamic_cast<StyleGraphic*>(sheet->addNewStyleInStyles(sheet->graphicStyles()));
    ASSERT_NE(named, nullptr);
    named->setHasFill(true);
    named->setFillColor(kit::Color::whiteColor());
    ItemBox* box = addBox(kit::makeRect(100, 100, 40, 20));
    box->setGraphicStyle(named);
    select({box});
    ASSERT_NE(inspector_->styles().size(), 0u);
    EXPECT_EQ(inspector_->stylePopupButton()->titleOfSelectedItem(), named->styleName().value_or("?"));

    inspector_->currentGraphicStyle()->setFillColor(kit::Color::redColor());
    const int before = undo().undoCount();
    inspector_->applyStyle(nullptr);
    ASSERT_EQ(undo().undoCount(), before + 1);
    EXPECT_EQ(undo().currentRecord()->undoType(), Undo::GraphicStyleRedefined);
    EXPECT_TRUE(sameColor(named->fillColor(), kit::Color::redColor()));
    ASSERT_TRUE(undo().undo());
    EXPECT_TRUE(sameColor(named->fillColor(), kit::Color::whiteColor()));

    // Choosing the style in the popup gives a plain box its values.
    ItemBox* plain = addBox(kit::makeRect(200, 100, 40, 20), kit::Color::blackColor());
    select({plain});
    inspector_->stylePopupButton()->selectItemWithTitle(named->styleName().value_or("?"));
    inspector_->setStyle(inspector_->stylePopupButton());
    EXPECT_TRUE(sameColor(plain->graphicStyle()->fillColor(), kit::Color::whiteColor()));
}

TEST_F(GraphicsInspectorTest, LeavingTheWindowDeactivatesTheWells)
{
    inspector_->fillColor()->activate(true);
    inspector_->lineColor()->activate(false);
    inspector_->swapOut(nullptr);
    EXPECT_FALSE(inspector_->fillColor()->isActive());
    EXPECT_FALSE(inspector_->lineColor()->isActive());
}

// The pane keeps no pointer into items that go: showing, changing and OK
// after the shown item was deleted touch nothing freed.
TEST_F(GraphicsInspectorTest, ItemDeletedWhileShown)
{
    ItemBox* box = addBox(kit::makeRect(100, 100, 40, 20));
    select({box});
    document_->setSelection({}, delegate_->mainPageView());
    document_->pageAt(0)->removeItems({box});
    const int before = undo().count();
    inspector_->fillColor()->setColor(kit::Color::redColor());
    inspector_->changeFillColor(inspector_->fillColor());
    inspector_->scaleField()->setStringValue("50");
    inspector_->ok(nullptr);
    inspector_->applyStyle(nullptr);
    EXPECT_EQ(undo().count(), before);
    EXPECT_EQ(inspector_->inspect(nullptr), nullptr);
}

} // namespace

namespace {

// The application makes the pane by its class name with the other
// inspectors, and reaches it as its graphics inspector, as the text
// engine's selection panel and as the documents' panel.
TEST_F(WordProcessorTest, TheInspectorsGroupMakesTheGraphicsPane)
{
    GraphicsInspector::initialize();
    ScrivlyDocument* document = newDocument();
    ASSERT_NE(document, nullptr);
    delegate_->loadClasses("Inspectors", nullptr);
    auto* made = dynamic_cast<GraphicsInspector*>(delegate_->graphicsInspector());
    ASSERT_NE(made, nullptr);
    EXPECT_NE(made->inspectorView(), nullptr);
    EXPECT_EQ(delegate_->graphicsInspectorPanel(), static_cast<SelectionPanel*>(made));
    EXPECT_EQ(DocumentPanels::shared().graphicsInspector(), static_cast<DocumentPanel*>(made));

    // The text engine's notice shows the document's selection.
    Item* column = document->mainTextItemForPage(document->pageAt(0));
    const std::vector<Item*> items{column};
    made->inspectSelectedItems(&items);
    EXPECT_EQ(made->fileTitle()->stringValue(), "Text");
    // Closing the document leaves the pane showing no style of it.
    made->inspectStyle(nullptr);
    EXPECT_EQ(made->oldStyle(), nullptr);
}

} // namespace

namespace {

// A pane made outside the registry (a tool, the fuzzer) names itself to the
// delegate; once it goes the delegate names none, so that showing the main
// document in the panels reaches nothing freed.
TEST_F(WordProcessorTest, AGoneGraphicsPaneIsNoLongerTheDelegates)
{
    GraphicsInspector::initialize();
    auto pane = std::make_unique<GraphicsInspector>();
    pane->init(nullptr);
    EXPECT_EQ(delegate_->graphicsInspector(), pane.get());
    pane.reset();
    EXPECT_EQ(delegate_->graphicsInspector(), nullptr);
    ScrivlyDocument* document = newDocument();
    ASSERT_NE(document, nullptr);
    delegate_->setMainPageView(document->mainView() ? dynamic_cast<PageView*>(document->mainView()) : nullptr);
}

} // namespace
