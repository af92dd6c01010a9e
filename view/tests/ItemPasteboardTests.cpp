// Items copied and pasted between layout documents with their graphic
// styles, the attribute pastes, pictures pasted as placed graphics, the
// repeated-paste offset, and damaged pasteboard data that pastes nothing.

#include "ItemLoopTestSupport.h"

#include "appkit/MenuItem.h"
#include "core/Archiver.h"
#include "core/Pasteboard.h"
#include "core/Unarchiver.h"
#include "foundation/PboardTypes.h"
#include "foundation/StyleGraphicNamed.h"
#include "foundation/StyleInfo.h"
#include "foundation/StyleParagraphNamed.h"
#include "graphics/BitmapImageRep.h"
#include "items/ItemArray.h"
#include "items/ItemGroup.h"
#include "items/PlacedItem.h"

#include <cmath>

namespace {

kit::ColorRef blue() { return kit::Color::colorWithDeviceRed(0, 0, 1); }
kit::ColorRef yellow() { return kit::Color::colorWithDeviceRed(1, 1, 0); }

std::string greenTIFF(int w, int h)
{
    kit::BitmapImageRep rep(w, h, kit::BitmapImageRep::ColorModel::RGB, false);
    for (int i = 0; i < w * h; ++i)
        rep.bitmapData()[std::size_t(i) * 3 + 1] = 255;
    return rep.TIFFRepresentation();
}

// An application built on the layout framework, as the word processor is:
// any subclass of the framework's delegate.
class LayoutSubclassDelegate : public Layvane {
};

// A second layout document of one Letter page in a window of its own.
struct OtherDocument {
    std::unique_ptr<LayoutDocument> document;
    std::unique_ptr<kit::Window> window;
    PageView* view = nullptr;

    explicit OtherDocument(Preferences* preferences)
    {
        document = std::make_unique<LayoutDocument>(preferences);
        document->setPageSize(kit::makeSize(612, 792));
        document->setup();
        document->calcPageRectsFor(1);
        window = std::make_unique<kit::Window>(kit::makeRect(0, 0, 700, 900));
        auto owned = std::make_unique<PageView>(kit::makeRect(0, 0, 0, 0));
        view = owned.get();
        view->setFrameSize(document->canvasSize());
        view->setDocument(document.get());
        window->setContentView(std::move(owned));
        document->addView(view);
        document->setActivePage(document->pageAt(0));
    }
    ~OtherDocument()
    {
        document->detachView(view);
        window.reset();
        document.reset();
    }
    Page* page() const { return document->pageAt(0); }
};

StyleGraphicNamed* addNamedStyle(LayoutDocument& document, const std::string& name, const kit::ColorRef& fill)
{
    StyleInfo* sheet = document.styleInfo();
    auto* style = dynamic_cast<StyleGraphicNamed*>(sheet->addNewStyleInStyles(sheet->graphicStyles()));
    EXPECT_NE(style, nullptr);
    EXPECT_EQ(sheet->renameStyle(style, name, sheet->graphicStyles()), StyleInfo::RenameResult::Renamed);
    style->setHasFill(true);
    style->setFillColor(fill);
    return style;
}

class ItemPasteboardTest : public ItemLoopTest {
protected:
    void SetUp() override
    {
        ItemLoopTest::SetUp();
        kit::Pasteboard::generalPasteboard().declareTypes({}, nullptr);
    }

    std::vector<Item*> itemsOf(const Page* page) const
    {
        std::vector<Item*> list;
        for (const auto& item : page->pageItems())
            list.push_back(item.get());
        return list;
    }

    std::optional<std::string> general(const char* type)
    {
        return kit::Pasteboard::generalPasteboard().dataForType(type);
    }

    void putOnGeneral(const std::string& data, const char* type)
    {
        kit::Pasteboard& pboard = kit::Pasteboard::generalPasteboard();
        pboard.declareTypes({type}, nullptr);
        pboard.setData(data, type);
    }
};

// A group holding a styled box and a placed picture, and a second box whose
// style has a name the other document uses differently: copied, pasted
// under each answer to the style question.
TEST_F(ItemPasteboardTest, ItemsPasteIntoAnotherDocumentWithTheirStylesMappedByTheUsersChoice)
{
    StyleGraphicNamed* red = addNamedStyle(*document_, "Accent", kit::Color::redColor());
    StyleGraphicNamed* memberStyle = addNamedStyle(*document_, "Member", blue());
    ItemBox* member = addBox(0, kit::makeRect(100, 100, 40, 40));
    member->setGraphicStyle(memberStyle);
    std::shared_ptr<PlacedItem> picture = PlacedItem::initFromStream(greenTIFF(20, 10));
    ASSERT_NE(picture, nullptr);
    picture->setFrameOrigin(kit::makePoint(150, 100));
    pages_[0]->addItems(picture);
    document_->setSelection({member, picture.get()}, view_);
    view_->group(nullptr);
    ASSERT_EQ(document_->selected().size(), 1u);
    Item* group = document_->selected().front();
    ItemBox* accent = addBox(0, kit::makeRect(300, 300, 50, 60));
    accent->setGraphicStyle(red);
    document_->setSelection({group, accent}, view_);
    view_->copy(nullptr);
    ASSERT_TRUE(general(LayvanePboardType));
    const kit::Rect groupFrame = group->frame();

    struct Case {
        int answer;
        bool pasted;
        bool existing; // the sheet's own style, else a renamed new one
    };
    for (const Case& c : {Case{1, true, true}, Case{0, true, false}, Case{-1, false, false}}) {
        SCOPED_TRACE(c.answer);
        OtherDocument other(delegate_->preferences());
        addNamedStyle(*other.document, "Accent", yellow());
        alerts_->reset();
        alerts_->pushAnswer(c.answer);
        other.view->paste(nullptr);
        // One question for the whole paste, asked only for the style that differs.
        ASSERT_EQ(alerts_->shown().size(), 1u);
        EXPECT_EQ(alerts_->shown()[0].title, "Paste Styles");
        const std::vector<Item*> pasted = itemsOf(other.page());
        if (!c.pasted) {
            EXPECT_TRUE(pasted.empty());
            EXPECT_EQ(other.document->undoInfo()->count(), 0);
            continue;
        }
        ASSERT_EQ(pasted.size(), 2u);
        auto* pastedGroup = dynamic_cast<ItemGroup*>(pasted[0]);
        ASSERT_NE(pastedGroup, nullptr);
        // Another document: the items keep their places.
        EXPECT_TRUE(near(pastedGroup->frame(), groupFrame));
        ASSERT_EQ(pastedGroup->items().size(), 2u);
        EXPECT_NE(dynamic_cast<PlacedItem*>(pastedGroup->items()[1].get()), nullptr);
        // The member's style came with it into the sheet.
        StyleInfo* sheet = other.document->styleInfo();
        auto* memberHere = dynamic_cast<StyleGraphicNamed*>(sheet->styleWithName("Member", sheet->graphicStyles()));
        ASSERT_NE(memberHere, nullptr);
        EXPECT_EQ(pastedGroup->items()[0]->graphicStyle()->rootStyle(), memberHere);
        // The conflicting one: the sheet's own (keeping its look as a
        // substyle), or a renamed copy.
        StyleGraphic* accentStyle = pasted[1]->graphicStyle();
        ASSERT_NE(accentStyle, nullptr);
        StyleGraphic* root = accentStyle->rootStyle();
        ASSERT_NE(root, nullptr);
        EXPECT_EQ(root == sheet->styleWithName("Accent", sheet->graphicStyles()), c.existing);
        EXPECT_EQ(root, sheet->styleWithName(root->styleName(), sheet->graphicStyles()));
        EXPECT_TRUE(accentStyle->fillColor()->isEqual(*kit::Color::redColor()));
        // One record; undo takes both away.
        ASSERT_EQ(other.document->undoInfo()->count(), 1);
        EXPECT_EQ(other.document->selected(), pasted);
        ASSERT_TRUE(other.document->undoInfo()->undo());
        EXPECT_TRUE(itemsOf(other.page()).empty());
    }
}

// Documents are told apart by serial number, not by where they live: a
// document made where a closed one was is another document all the same.
TEST_F(ItemPasteboardTest, ADocumentMadeWhereAClosedOneLivedIsAnotherDocument)
{
    std::uint32_t serial = 0;
    {
        OtherDocument first(delegate_->preferences());
        StyleGraphicNamed* style = addNamedStyle(*first.document, "Accent", kit::Color::redColor());
        auto box = std::make_shared<ItemBox>();
        box->setFrame(kit::makeRect(10, 10, 20, 20), false);
        box->setGraphicStyle(style);
        first.page()->addItems(box);
        first.document->setSelection({box.get()}, first.view);
        first.view->copy(nullptr);
        serial = first.document->pasteSerial();
    }
    OtherDocument second(delegate_->preferences());
    EXPECT_NE(second.document->pasteSerial(), serial);
    addNamedStyle(*second.document, "Accent", yellow());
    alerts_->reset();
    alerts_->pushAnswer(1);
    second.view->paste(nullptr);
    // Asked: a paste from the same document would never ask.
    EXPECT_EQ(alerts_->shown().size(), 1u);
    EXPECT_EQ(itemsOf(second.page()).size(), 1u);
}

TEST_F(ItemPasteboardTest, PastesOnTheSamePageStepAndRepeatTheUsersMove)
{
    ItemBox* box = addBox(0, kit::makeRect(100, 100, 40, 40));
    document_->setSelection({box}, view_);
    view_->copy(nullptr);
    view_->paste(nullptr);
    ASSERT_EQ(document_->selected().size(), 1u);
    Item* first = document_->selected().front();
    EXPECT_TRUE(near(first->frame(), kit::makeRect(110, 110, 40, 40)));
    // Moved by the user, then pasted again: the move is repeated, 10 further.
    view_->doNudge(30, 0);
    view_->paste(nullptr);
    Item* second = document_->selected().front();
    EXPECT_TRUE(near(second->frame(), kit::makeRect(150, 120, 40, 40))) << kit::stringFromRect(second->frame());
    // The remembered items deleted: the next paste steps by 10 again, from
    // the copy's origin.
    view_->delete_(nullptr);
    view_->paste(nullptr);
    EXPECT_TRUE(near(document_->selected().front()->frame(), kit::makeRect(110, 110, 40, 40)));
    // Pasted on another page, the copy keeps its place.
    document_->setActivePage(pages_[1]);
    view_->paste(nullptr);
    EXPECT_TRUE(near(document_->selected().front()->frame(), kit::makeRect(100, 100, 40, 40)));
}

TEST_F(ItemPasteboardTest, ALinkedTextFrameArrivesEmptyAndUnlinked)
{
    TextItem* a = addColumn(0, kit::makeRect(72, 72, 200, 100));
    TextItem* b = addColumn(1, kit::makeRect(72, 72, 200, 100));
    a->joinColumn(b);
    setFont(a->flow());
    type(a->flow(), "some words here");
    // The second column of the chain: its text lives in the chain.
    document_->setSelection({b}, view_);
    view_->copy(nullptr);
    OtherDocument other(delegate_->preferences());
    other.view->paste(nullptr);
    ASSERT_EQ(itemsOf(other.page()).size(), 1u);
    auto* column = dynamic_cast<TextItem*>(itemsOf(other.page())[0]);
    ASSERT_NE(column, nullptr);
    EXPECT_EQ(column->nextColumn(), nullptr);
    EXPECT_EQ(column->prevColumn(), nullptr);
    ASSERT_NE(column->flow(), nullptr);
    EXPECT_EQ(text(column->flow()), "");
    // The source chain is untouched.
    EXPECT_EQ(a->nextColumn(), b);
}

TEST_F(ItemPasteboardTest, AnApplicationBuiltOnTheFrameworkPastesCopiedItemsAsOnePicture)
{
    ItemBox* box = addBox(0, kit::makeRect(100, 100, 40, 30));
    document_->setSelection({box}, view_);
    view_->copy(nullptr);
    // What the copy promised is made when asked for.
    const std::optional<std::string> eps = general(kit::PostScriptPboardType);
    ASSERT_TRUE(eps);
    EXPECT_EQ(eps->compare(0, 4, "%!PS"), 0);

    document_->detachView(view_);
    window_.reset();
    document_.reset();
    delegate_.reset();
    delegate_ = std::make_unique<LayoutSubclassDelegate>();
    OtherDocument other(delegate_->preferences());
    other.view->paste(nullptr);
    ASSERT_EQ(itemsOf(other.page()).size(), 1u);
    auto* picture = dynamic_cast<PlacedItem*>(itemsOf(other.page())[0]);
    ASSERT_NE(picture, nullptr);
    EXPECT_TRUE(picture->isEPSFile());
    // The picture of the box and its line, centred where the view looks.
    EXPECT_NEAR(picture->frame().size.width, 42, 2);
    EXPECT_NEAR(picture->frame().size.height, 32, 2);
}

TEST_F(ItemPasteboardTest, APastedPictureFitsThePageAndUndecodableBytesPasteNothing)
{
    putOnGeneral(greenTIFF(1224, 396), kit::TIFFPboardType);
    const kit::Point origin = pages_[0]->pageRect().origin;
    view_->paste(kit::Pasteboard::generalPasteboard(), false, kit::makePoint(origin.x + 306, origin.y + 396));
    ASSERT_EQ(itemsOf(pages_[0]).size(), 1u);
    const kit::Rect frame = itemsOf(pages_[0])[0]->frame();
    // Into the page less 5 points a side, proportionally, centred on the point.
    EXPECT_NEAR(frame.size.width, 602, 0.5);
    EXPECT_NEAR(frame.size.height, 602.0 * 396 / 1224, 0.5);
    EXPECT_NEAR(frame.origin.x + frame.size.width / 2, 306, 1);

    for (const char* type : {kit::TIFFPboardType, kit::PostScriptPboardType}) {
        alerts_->reset();
        putOnGeneral("II*\0garbage that is no picture", type);
        view_->paste(nullptr);
        EXPECT_EQ(itemsOf(pages_[0]).size(), 1u) << type;
        ASSERT_EQ(alerts_->shown().size(), 1u) << type;
        EXPECT_EQ(alerts_->shown()[0].title, "Paste Error");
    }
}

TEST_F(ItemPasteboardTest, DimensionsAndGraphicsPasteOntoTheSelectionWithUndo)
{
    ItemBox* source = addBox(0, kit::makeRect(100, 100, 80, 30));
    source->setFillColor(kit::Color::redColor());
    ItemBox* target = addBox(0, kit::makeRect(300, 300, 20, 20));
    document_->setSelection({source}, view_);
    MenuItemSender width(Undo::FrameWidthSet, "Copy Width");
    view_->copyDimensions(&width);
    MenuItemSender fill(Undo::FillColorSet, "Copy Colour");
    document_->setSelection({target}, view_);
    view_->paste(nullptr);
    EXPECT_TRUE(near(target->frame(), kit::makeRect(300, 300, 80, 20)));
    document_->setSelection({source}, view_);
    view_->copyGraphics(&fill);
    document_->setSelection({target}, view_);
    view_->paste(nullptr);
    EXPECT_TRUE(target->graphicStyle()->fillColor()->isEqual(*kit::Color::redColor()));
    ASSERT_TRUE(document_->undoInfo()->undo());
    EXPECT_TRUE(target->graphicStyle()->fillColor()->isEqual(*kit::Color::whiteColor()));
    ASSERT_TRUE(document_->undoInfo()->undo());
    EXPECT_TRUE(near(target->frame(), kit::makeRect(300, 300, 20, 20)));

    // Copying the fill colour of a selection that has only a line copies
    // the line's colour.
    source->setHasFill(false);
    source->setLineColor(blue());
    document_->setSelection({source}, view_);
    view_->copyGraphics(&fill);
    const std::optional<std::string> stream = general(GxGraphicsPboardType);
    ASSERT_TRUE(stream);
    kit::Unarchiver reader(*stream);
    int code = 0;
    reader.decodeValuesOfObjCTypes("i", &code);
    EXPECT_EQ(code, Undo::LineColorSet);
    document_->setSelection({target}, view_);
    view_->paste(nullptr);
    EXPECT_TRUE(target->graphicStyle()->lineColor()->isEqual(*blue()));
    // A paste with a link asked for is refused.
    const int beeps = alerts_->beeps();
    view_->pasteAndLink(nullptr);
    EXPECT_EQ(alerts_->beeps(), beeps + 1);
}

// Pasteboard data from another program: values that would break the
// document are refused whole, with an alert, and nothing changes.
TEST_F(ItemPasteboardTest, DamagedPasteboardDataPastesNothing)
{
    ItemBox* box = addBox(0, kit::makeRect(100, 100, 40, 40));
    document_->setSelection({box}, view_);
    view_->copy(nullptr);
    const std::string items = *general(LayvanePboardType);
    // The source page's width (612, the first such float of the stream)
    // made not a number.
    std::string nanItems = items;
    const float width = 612, notANumber = NAN;
    const std::string widthBytes(reinterpret_cast<const char*>(&width), sizeof width);
    const std::size_t at = nanItems.find(widthBytes);
    ASSERT_NE(at, std::string::npos);
    nanItems.replace(at, sizeof width, std::string(reinterpret_cast<const char*>(&notANumber), sizeof notANumber));
    const auto dimensions = [](int code, kit::Rect rect, float angle, float sx, float sy) {
        kit::Archiver a;
        a.encodeValuesOfObjCTypes("i", code);
        a.encodeRect(rect);
        a.encodeValuesOfObjCTypes("fff", angle, sx, sy);
        return a.data();
    };
    struct Case {
        const char* what;
        std::string data;
        const char* type;
    };
    const Case cases[] = {
        {"item stream cut short", items.substr(0, items.size() / 2), LayvanePboardType},
        {"page size NaN", nanItems, LayvanePboardType},
        {"not an archive", "garbage", LayvanePboardType},
        {"width infinite", dimensions(Undo::FrameWidthSet, kit::makeRect(0, 0, INFINITY, 5), 0, 1, 1),
         GxDimensionsPboardType},
        {"negative size", dimensions(Undo::FrameSet, kit::makeRect(0, 0, -5, 5), 0, 1, 1), GxDimensionsPboardType},
        {"zero scale", dimensions(Undo::ScaledTo, kit::makeRect(0, 0, 5, 5), 0, 0, 1), GxDimensionsPboardType},
        {"angle NaN", dimensions(Undo::RotatedTo, kit::makeRect(0, 0, 5, 5), NAN, 1, 1), GxDimensionsPboardType},
        {"graphics without a style", dimensions(Undo::FillColorSet, kit::makeRect(0, 0, 5, 5), 0, 1, 1),
         GxGraphicsPboardType},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        alerts_->reset();
        document_->setSelection({box}, view_);
        const int records = document_->undoInfo()->count();
        putOnGeneral(c.data, c.type);
        view_->paste(nullptr);
        EXPECT_EQ(itemsOf(pages_[0]).size(), 1u);
        EXPECT_TRUE(near(box->frame(), kit::makeRect(100, 100, 40, 40)));
        EXPECT_EQ(document_->undoInfo()->count(), records);
        ASSERT_EQ(alerts_->shown().size(), 1u);
        EXPECT_EQ(alerts_->shown()[0].title, "Paste Error");
    }
}

// The paragraph stream as the styles panel writes it; the index it names
// is used only while it still names the same style.
TEST_F(ItemPasteboardTest, AParagraphStyleStreamAppliesToTheSelectedTextFrames)
{
    TextItem* column = addColumn(0, kit::makeRect(72, 72, 200, 100));
    setFont(column->flow());
    type(column->flow(), "words");
    StyleInfo* sheet = document_->styleInfo();
    auto* heading = dynamic_cast<StyleParagraphNamed*>(sheet->addNewStyleInStyles(sheet->paragraphStyles()));
    ASSERT_NE(heading, nullptr);
    heading->setIndentLeft(36);
    const int index = int(sheet->indexOfObject(heading, sheet->paragraphStyles()));
    struct Case {
        int index;
        float expected;
    };
    // The right index, one out of range, and one naming another style.
    for (const Case& c : {Case{index, 36}, Case{999, 36}, Case{0, 36}}) {
        SCOPED_TRACE(c.index);
        column->flow()->firstParagraph()->paragraphStyle()->setIndentLeft(0);
        const std::string stream =
            PageView::copyParagraphStyleToStream(heading, 41, document_.get(), PageView::PasteOwnerPageView, c.index);
        kit::Pasteboard& pboard = kit::Pasteboard::pasteboardWithName(GxParagraphPboardType);
        pboard.declareTypes({GxParagraphPboardType}, nullptr);
        pboard.setData(stream, GxParagraphPboardType);
        document_->setSelection({column}, view_);
        view_->pasteParagraphStyle(nullptr);
        EXPECT_FLOAT_EQ(column->flow()->firstParagraph()->paragraphStyle()->indentLeft(), c.expected);
    }
}

// A named paragraph style from another document whose name this document
// uses for a different style arrives renamed, and the user is told.
TEST_F(ItemPasteboardTest, AParagraphStyleFromAnotherDocumentThatDiffersArrivesRenamed)
{
    TextItem* column = addColumn(0, kit::makeRect(72, 72, 200, 100));
    setFont(column->flow());
    type(column->flow(), "words");
    const auto namedStyle = [](LayoutDocument& document, float indent) {
        StyleInfo* sheet = document.styleInfo();
        auto* style = dynamic_cast<StyleParagraphNamed*>(sheet->addNewStyleInStyles(sheet->paragraphStyles()));
        EXPECT_NE(style, nullptr);
        EXPECT_EQ(sheet->renameStyle(style, std::string("Heading"), sheet->paragraphStyles()),
                  StyleInfo::RenameResult::Renamed);
        style->setIndentLeft(indent);
        return style;
    };
    StyleParagraphNamed* here = namedStyle(*document_, 30);
    OtherDocument other(delegate_->preferences());
    StyleParagraphNamed* there = namedStyle(*other.document, 10);
    const std::string stream =
        PageView::copyParagraphStyleToStream(there, 41, other.document.get(), PageView::PasteOwnerPageView, 1);
    kit::Pasteboard& pboard = kit::Pasteboard::pasteboardWithName(GxParagraphPboardType);
    pboard.declareTypes({GxParagraphPboardType}, nullptr);
    pboard.setData(stream, GxParagraphPboardType);
    document_->setSelection({column}, view_);
    alerts_->reset();
    view_->pasteParagraphStyle(nullptr);
    ASSERT_EQ(alerts_->shown().size(), 1u);
    EXPECT_EQ(alerts_->shown()[0].title, "Paste Styles");
    const StyleParagraph* applied = column->flow()->firstParagraph()->paragraphStyle();
    EXPECT_FLOAT_EQ(applied->indentLeft(), 10);
    ASSERT_NE(applied->basedOnStyle(), nullptr);
    EXPECT_NE(applied->basedOnStyle(), here);
    EXPECT_NE(applied->basedOnStyle()->styleName(), here->styleName());
    EXPECT_NE(alerts_->shown()[0].message.find(applied->basedOnStyle()->styleName().value_or("?")), std::string::npos);
    EXPECT_FLOAT_EQ(here->indentLeft(), 30);
}

TEST_F(ItemPasteboardTest, CopyDeclaresWhatItIsAskedForAndCopyRulerAlwaysCopiesTheRuler)
{
    ItemBox* box = addBox(0, kit::makeRect(100, 100, 40, 40));
    document_->setSelection({box}, view_);
    kit::Pasteboard& pboard = kit::Pasteboard::pasteboardWithUniqueName();
    const std::vector<std::string> onlyText{kit::StringPboardType};
    view_->copyToPasteboard(pboard, &onlyText);
    EXPECT_EQ(pboard.types(), std::vector<std::string>{LayvanePboardType});
    view_->copyToPasteboard(pboard, nullptr);
    EXPECT_EQ(pboard.types(),
              (std::vector<std::string>{LayvanePboardType, kit::PostScriptPboardType, kit::TIFFPboardType}));
    // Nothing selected: no pasteboard is touched.
    const int count = pboard.changeCount();
    document_->setSelection({}, view_);
    view_->copyToPasteboard(pboard, nullptr);
    EXPECT_EQ(pboard.changeCount(), count);
    pboard.releaseGlobally();

    TextItem* column = addColumn(0, kit::makeRect(72, 300, 200, 100));
    setFont(column->flow());
    type(column->flow(), "words");
    document_->setSelection({column}, view_);
    kit::MenuItem item;
    item.setTag(0);
    view_->copyRuler(&item);
    EXPECT_EQ(item.tag(), 48);
    const std::optional<std::string> stream =
        kit::Pasteboard::pasteboardWithName(GxParagraphPboardType).dataForType(GxParagraphPboardType);
    ASSERT_TRUE(stream);
    kit::Unarchiver reader(*stream);
    int code = 0;
    reader.decodeValuesOfObjCTypes("i", &code);
    EXPECT_EQ(code, 48);
    // A first item without a paragraph style beeps.
    document_->setSelection({box}, view_);
    const int beeps = alerts_->beeps();
    view_->copyParagraphStyle(&item);
    EXPECT_EQ(alerts_->beeps(), beeps + 1);
}

} // namespace

// Pasted text takes the same path as a pasted style stream: the named
// styles its paragraphs refer to become this sheet's, installed when
// missing and renamed (the user told) when a different one has the name.
TEST_F(ItemPasteboardTest, PastedParagraphsBringTheirNamedStylesIntoTheSheet)
{
    const auto named = [](LayoutDocument& document, const char* name, float indent) {
        StyleInfo* sheet = document.styleInfo();
        auto* style = dynamic_cast<StyleParagraphNamed*>(sheet->addNewStyleInStyles(sheet->paragraphStyles()));
        EXPECT_NE(style, nullptr);
        EXPECT_EQ(sheet->renameStyle(style, std::string(name), sheet->paragraphStyles()),
                  StyleInfo::RenameResult::Renamed);
        style->setIndentLeft(indent);
        return style;
    };
    StyleInfo* sheet = document_->styleInfo();
    StyleParagraphNamed* equal = named(*document_, "Body", 12);
    StyleParagraphNamed* different = named(*document_, "Heading", 30);
    OtherDocument other(delegate_->preferences());
    struct Case {
        const char* name;
        float indent;
        StyleParagraphNamed* expectedHere; // nil: a new style of the sheet
        const char* expectedName;
        std::size_t alerts;
    };
    const Case cases[] = {
        {"Quote", 5, nullptr, "Quote", 0},
        {"Body", 12, equal, "Body", 0},
        {"Heading", 10, nullptr, "Heading1", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StyleParagraphNamed* there = named(*other.document, c.name, c.indent);
        StyleParagraphNamed* follow = named(*other.document, (std::string(c.name) + "Next").c_str(), 1);
        StyleParagraph pasted;
        pasted.setBasedOnStyle(there);
        pasted.setNextParagraphStyle(follow);
        const std::size_t before = sheet->paragraphStyles()->size();
        alerts_->reset();
        std::unique_ptr<StyleParagraph> mapped = view_->checkPastedParaStyleFor(&pasted, other.document.get());
        ASSERT_NE(mapped, nullptr);
        StyleParagraphNamed* based = mapped->basedOnStyle();
        ASSERT_NE(based, nullptr);
        EXPECT_NE(sheet->indexOfObject(based, sheet->paragraphStyles()), StyleInfo::NotFound);
        if (c.expectedHere) {
            EXPECT_EQ(based, c.expectedHere);
        }
        EXPECT_EQ(based->styleName().value_or(""), c.expectedName);
        EXPECT_FLOAT_EQ(based->indentLeft(), c.indent);
        // The next style is the sheet's too, never the pasted data's.
        ASSERT_NE(mapped->nextParagraphStyle(), nullptr);
        EXPECT_NE(sheet->indexOfObject(mapped->nextParagraphStyle(), sheet->paragraphStyles()), StyleInfo::NotFound);
        EXPECT_EQ(sheet->paragraphStyles()->size(), before + (c.expectedHere ? 1 : 2));
        ASSERT_EQ(alerts_->shown().size(), c.alerts);
        if (c.alerts) {
            EXPECT_NE(alerts_->shown()[0].message.find(c.expectedName), std::string::npos) << alerts_->shown()[0].message;
        }
    }
    EXPECT_FLOAT_EQ(different->indentLeft(), 30);
    EXPECT_EQ(different->styleName().value_or(""), "Heading");

    // Another paragraph of the same conflicting style (pasted text brings
    // one per paragraph) takes the copy made for the first: no second copy,
    // no second alert.
    StyleParagraphNamed* heading = nullptr;
    for (const auto& entry : *other.document->styleInfo()->paragraphStyles())
        if (auto* style = dynamic_cast<StyleParagraphNamed*>(entry.get()); style && style->styleName() == "Heading")
            heading = style;
    ASSERT_NE(heading, nullptr);
    StyleParagraph second;
    second.setBasedOnStyle(heading);
    const std::size_t before = sheet->paragraphStyles()->size();
    alerts_->reset();
    std::unique_ptr<StyleParagraph> mapped = view_->checkPastedParaStyleFor(&second, other.document.get());
    ASSERT_NE(mapped, nullptr);
    ASSERT_NE(mapped->basedOnStyle(), nullptr);
    EXPECT_EQ(mapped->basedOnStyle()->styleName().value_or(""), "Heading1");
    EXPECT_EQ(sheet->paragraphStyles()->size(), before);
    EXPECT_TRUE(alerts_->shown().empty());
}
