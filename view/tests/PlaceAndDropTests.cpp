// Files placed with the Place command or dropped on the canvas, PostScript
// of several pages placed one picture per page, and the canvas as a drop
// target for pictures, colours and paragraph styles.

#include "ItemLoopTestSupport.h"

#include "appkit/DraggingDestination.h"
#include "appkit/FilePanelHandler.h"
#include "appkit/OpenPanel.h"
#include "core/Archiver.h"
#include "core/Pasteboard.h"
#include "document/DocumentPanels.h"
#include "foundation/PboardTypes.h"
#include "foundation/StyleInfo.h"
#include "foundation/StyleParagraphNamed.h"
#include "graphics/BitmapImageRep.h"
#include "items/ItemArray.h"
#include "items/ItemGroup.h"
#include "items/PlacedItem.h"
#include "text/TextParagraph.h"
#include "text/TextWord.h"

#include <fstream>

namespace {

void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string greenTIFF(int w, int h)
{
    kit::BitmapImageRep rep(w, h, kit::BitmapImageRep::ColorModel::RGB, false);
    for (int i = 0; i < w * h; ++i)
        rep.bitmapData()[std::size_t(i) * 3 + 1] = 255;
    return rep.TIFFRepresentation();
}

// PostScript of `pages` pages of 200 x 100 points, announcing `announced`.
std::string pagesPS(int pages, int announced)
{
    std::string ps = "%!PS-Adobe-3.0\n%%BoundingBox: 0 0 200 100\n%%Pages: " + std::to_string(announced) +
                     "\n%%EndComments\n";
    for (int n = 1; n <= pages; ++n)
        ps += "%%Page: " + std::to_string(n) + " " + std::to_string(n) + "\n0 0 200 100 rectfill showpage\n";
    ps += "%%Trailer\n%%EOF\n";
    return ps;
}

// The place panel, as the application's registry answers it.
class PlaceRegistry : public DocumentPanels {
public:
    kit::OpenPanel* placePanel(bool) override { return kit::OpenPanel::openPanel(); }
};

class PlaceAndDropTest : public ItemLoopTest {
protected:
    void SetUp() override
    {
        ItemLoopTest::SetUp();
        files_ = kit::FileManager::uniqueTemporaryPath("place");
        ASSERT_TRUE(kit::FileManager::createDirectoryAtPath(files_));
        view_->registerWindow();
    }
    void TearDown() override
    {
        kit::FileManager::removeFileAtPath(files_);
        ItemLoopTest::TearDown();
    }

    std::string file(const std::string& name, const std::string& bytes)
    {
        const std::string path = files_ + "/" + name;
        writeFile(path, bytes);
        return path;
    }

    std::vector<Item*> itemsOf(const Page* page) const
    {
        std::vector<Item*> list;
        for (const auto& item : page->pageItems())
            list.push_back(item.get());
        return list;
    }

    // A drag from outside over the page point (nil page: the canvas point).
    int dragOver(kit::Pasteboard& pboard, const Page* page, kit::Point p, int mask = kit::DragOperationAll)
    {
        drag_ = std::make_unique<kit::PlainDraggingInfo>(pboard, page ? inWindow(page, p) : canvasInWindow(p), mask);
        return view_->draggingEntered(*drag_);
    }
    void drop()
    {
        ASSERT_TRUE(view_->prepareForDragOperation(*drag_));
        ASSERT_TRUE(view_->performDragOperation(*drag_));
        view_->concludeDragOperation(*drag_);
    }
    kit::Pasteboard& dragPasteboard(const std::string& data, const char* type)
    {
        kit::Pasteboard& pboard = kit::Pasteboard::pasteboardWithName(kit::DragPboard);
        pboard.declareTypes({type}, nullptr);
        pboard.setData(data, type);
        return pboard;
    }

    std::string files_;
    std::unique_ptr<kit::PlainDraggingInfo> drag_;
};

TEST_F(PlaceAndDropTest, PostScriptOfThreePagesPlacedOnTheLastPageAddsTwoPagesAndUndoesStepByStep)
{
    const std::string path = file("three.ps", pagesPS(3, 3));
    document_->setActivePage(pages_[1]);
    alerts_->pushAnswer(kit::AlertDefaultReturn);
    ASSERT_TRUE(view_->_importFiles({path}, false, pages_[1], nullptr, false, kit::Point{}));
    ASSERT_EQ(alerts_->shown().size(), 1u);
    EXPECT_EQ(alerts_->shown()[0].title, "Import PostScript");
    ASSERT_EQ(document_->numPages(), 4);
    for (int i = 1; i < 4; ++i) {
        SCOPED_TRACE(i);
        const std::vector<Item*> items = itemsOf(document_->pageAt(i));
        ASSERT_EQ(items.size(), 1u);
        auto* picture = dynamic_cast<PlacedItem*>(items[0]);
        ASSERT_NE(picture, nullptr);
        // Centred on its page.
        EXPECT_TRUE(near(picture->frame(), kit::makeRect(206, 346, 200, 100))) << kit::stringFromRect(picture->frame());
    }
    // A record per picture and per page added: 1 picture, then page and
    // picture twice.
    UndoInfo& undo = *document_->undoInfo();
    EXPECT_EQ(undo.count(), 5);
    while (undo.undo()) {
    }
    EXPECT_EQ(document_->numPages(), 2);
    EXPECT_TRUE(itemsOf(pages_[1]).empty());
}

TEST_F(PlaceAndDropTest, ASplitThatWritesFewerPagesPlacesThoseAndSaysSo)
{
    // Three pages announced, two there.
    const std::string path = file("short.ps", pagesPS(2, 3));
    alerts_->pushAnswer(kit::AlertDefaultReturn);
    ASSERT_TRUE(view_->_importFiles({path}, false, pages_[0], nullptr, false, kit::Point{}));
    ASSERT_EQ(alerts_->shown().size(), 2u);
    EXPECT_EQ(alerts_->shown()[1].title, "Import PostScript");
    EXPECT_NE(alerts_->shown()[1].message.find("2 of the 3"), std::string::npos) << alerts_->shown()[1].message;
    EXPECT_EQ(document_->numPages(), 2);
    EXPECT_EQ(itemsOf(pages_[0]).size(), 1u);
    EXPECT_EQ(itemsOf(pages_[1]).size(), 1u);
    // Cancel skips the file.
    alerts_->reset();
    alerts_->pushAnswer(kit::AlertOtherReturn);
    EXPECT_FALSE(view_->_importFiles({path}, false, pages_[0], nullptr, false, kit::Point{}));
    EXPECT_EQ(itemsOf(pages_[0]).size(), 1u);
}

TEST_F(PlaceAndDropTest, ThePlaceCommandFitsALargePictureOnThePageAndKeepsThePanelsFolder)
{
    PlaceRegistry registry;
    DocumentPanels::setShared(&registry);
    auto panels = std::make_shared<kit::ScriptedFilePanelHandler>();
    auto previous = kit::setFilePanelHandler(panels);
    const std::string path = file("wide.tiff", greenTIFF(1224, 396));
    panels->pushAnswer({1, {path}, [](kit::SavePanel& panel) { panel.setDirectory("/tmp/elsewhere"); }});
    kit::OpenPanel::openPanel()->setDirectory(files_);
    view_->place(nullptr);
    kit::setFilePanelHandler(previous);
    DocumentPanels::setShared(nullptr);
    EXPECT_EQ(kit::OpenPanel::openPanel()->directory(), files_);
    const std::vector<Item*> items = itemsOf(pages_[0]);
    ASSERT_EQ(items.size(), 1u);
    const kit::Rect frame = items[0]->frame();
    EXPECT_NEAR(frame.size.width, 602, 0.5);
    EXPECT_NEAR(frame.origin.x + frame.size.width / 2, 306, 1);
    EXPECT_NEAR(frame.origin.y + frame.size.height / 2, 396, 1);
    EXPECT_EQ(document_->selected(), items);
    ASSERT_TRUE(document_->undoInfo()->undo());
    EXPECT_TRUE(itemsOf(pages_[0]).empty());
}

TEST_F(PlaceAndDropTest, TextPlacedWithoutAFrameBeingEditedIsRefused)
{
    const std::string path = file("notes.txt", "plain words\n");
    EXPECT_FALSE(view_->_importFiles({path}, false, pages_[0], nullptr, false, kit::Point{}));
    ASSERT_EQ(alerts_->shown().size(), 1u);
    EXPECT_EQ(alerts_->shown()[0].title, "Place");
    EXPECT_TRUE(itemsOf(pages_[0]).empty());
    // A missing file is skipped without a word.
    alerts_->reset();
    EXPECT_FALSE(view_->_importFiles({files_ + "/missing.tiff"}, false, pages_[0], nullptr, false, kit::Point{}));
    EXPECT_TRUE(alerts_->shown().empty());
}

TEST_F(PlaceAndDropTest, ATextFileDroppedOnAFramePastesItsText)
{
    TextItem* column = addColumn(0, kit::makeRect(72, 72, 300, 200));
    setFont(column->flow());
    const std::string path = file("notes.txt", "dropped words\n");
    ASSERT_GT(dragOver(dragPasteboard(kit::filenamesPropertyList({path}), kit::FilenamesPboardType), pages_[0],
                       kit::makePoint(100, 100)),
              0);
    drop();
    EXPECT_TRUE(view_->isEditing());
    EXPECT_NE(text(column->flow()).find("dropped words"), std::string::npos) << text(column->flow());
}

TEST_F(PlaceAndDropTest, ATIFFFileDroppedOnThePageLandsAtThePointAndOffThePagesIsRefused)
{
    const std::string path = file("small.tiff", greenTIFF(40, 20));
    kit::Pasteboard& pboard = dragPasteboard(kit::filenamesPropertyList({path}), kit::FilenamesPboardType);
    ASSERT_EQ(dragOver(pboard, pages_[1], kit::makePoint(100, 200), kit::DragOperationCopy), kit::DragOperationCopy);
    drop();
    const std::vector<Item*> items = itemsOf(pages_[1]);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_TRUE(near(items[0]->frame(), kit::makeRect(80, 190, 40, 20))) << kit::stringFromRect(items[0]->frame());
    EXPECT_FALSE(dynamic_cast<PlacedItem*>(items[0])->isLinked());
    ASSERT_TRUE(document_->undoInfo()->undo());
    EXPECT_TRUE(itemsOf(pages_[1]).empty());

    // The source allows linking: the file is linked.
    ASSERT_EQ(dragOver(pboard, pages_[1], kit::makePoint(100, 200)), kit::DragOperationLink);
    drop();
    ASSERT_EQ(itemsOf(pages_[1]).size(), 1u);
    EXPECT_TRUE(dynamic_cast<PlacedItem*>(itemsOf(pages_[1])[0])->isLinked());

    // A picture dragged over the canvas between pages: refused.
    kit::Pasteboard& picture = dragPasteboard(greenTIFF(4, 4), kit::TIFFPboardType);
    const kit::Rect gap = pages_[0]->pageRect();
    EXPECT_EQ(dragOver(picture, nullptr, kit::makePoint(gap.origin.x - 3, gap.origin.y + 10)),
              kit::DragOperationNone);
    // A picture dropped on empty paper is pasted at the point.
    ASSERT_GT(dragOver(picture, pages_[0], kit::makePoint(300, 300)), 0);
    drop();
    ASSERT_EQ(itemsOf(pages_[0]).size(), 1u);
    EXPECT_TRUE(near(itemsOf(pages_[0])[0]->frame(), kit::makeRect(298, 298, 4, 4)));
}

TEST_F(PlaceAndDropTest, AColourDroppedOnAnUnselectedBoxColoursOnlyThatBox)
{
    ItemBox* selected = addBox(0, kit::makeRect(50, 50, 60, 60));
    ItemBox* target = addBox(0, kit::makeRect(200, 200, 60, 60));
    ItemBox* locked = addBox(0, kit::makeRect(400, 400, 60, 60));
    locked->lock();
    document_->setSelection({selected}, view_);
    const kit::ColorRef red = kit::Color::redColor();
    kit::Pasteboard& pboard = dragPasteboard(PageViewColorData(red), kit::ColorPboardType);
    // Inside: the fill.
    ASSERT_EQ(dragOver(pboard, pages_[0], kit::makePoint(230, 230)), kit::DragOperationGeneric);
    drop();
    EXPECT_TRUE(target->graphicStyle()->fillColor()->isEqual(*red));
    EXPECT_TRUE(selected->graphicStyle()->fillColor()->isEqual(*kit::Color::whiteColor()));
    // On the border: the line.
    ASSERT_GT(dragOver(pboard, pages_[0], kit::makePoint(200, 230)), 0);
    drop();
    EXPECT_TRUE(target->graphicStyle()->lineColor()->isEqual(*red));
    EXPECT_TRUE(selected->graphicStyle()->lineColor()->isEqual(*kit::Color::blackColor()));
    // A locked box takes no colour.
    ASSERT_GT(dragOver(pboard, pages_[0], kit::makePoint(430, 430)), 0);
    drop();
    EXPECT_TRUE(locked->graphicStyle()->fillColor()->isEqual(*kit::Color::whiteColor()));
    ASSERT_TRUE(document_->undoInfo()->undo());
    EXPECT_TRUE(target->graphicStyle()->lineColor()->isEqual(*kit::Color::blackColor()));
}

TEST_F(PlaceAndDropTest, AColourDroppedOnSelectedTextColoursTheText)
{
    TextItem* column = addColumn(0, kit::makeRect(72, 72, 300, 200));
    setFont(column->flow());
    type(column->flow(), "plain red plain");
    view_->beginEditingItem(column);
    TextFlow* flow = column->flow();
    const textPoint from{0, 1, 0}, to{0, 1, 3};
    flow->selectBetween(&from, &to, SelectionChar);
    ASSERT_TRUE(flow->textSelection() && !flow->textSelection()->isEmpty());
    // The middle of the word "red": 6 points a letter, "plain " before it.
    const kit::Point onWord = kit::makePoint(72 + 6 * 6 + 9, 72 + 5);
    const kit::ColorRef red = kit::Color::redColor();
    ASSERT_GT(dragOver(dragPasteboard(PageViewColorData(red), kit::ColorPboardType), pages_[0], onWord), 0);
    drop();
    textPoint inside{0, 1, 1};
    ASSERT_NE(flow->styleCharAt(&inside), nullptr);
    EXPECT_TRUE(flow->styleCharAt(&inside)->color() && flow->styleCharAt(&inside)->color()->isEqual(*red));
    textPoint before{0, 0, 1};
    StyleChar* plain = flow->styleCharAt(&before);
    EXPECT_FALSE(plain && plain->color() && plain->color()->isEqual(*red));
    // The frame itself keeps its fill.
    EXPECT_FALSE(column->graphicStyle() && column->graphicStyle()->hasFill() &&
                 column->graphicStyle()->fillColor()->isEqual(*red));
}

TEST_F(PlaceAndDropTest, AParagraphStyleDroppedOnAParagraphAppliesToItAndShowsWhereItLands)
{
    TextItem* column = addColumn(0, kit::makeRect(72, 72, 300, 200));
    setFont(column->flow());
    type(column->flow(), "first\nsecond");
    StyleInfo* sheet = document_->styleInfo();
    auto* heading = dynamic_cast<StyleParagraphNamed*>(sheet->addNewStyleInStyles(sheet->paragraphStyles()));
    ASSERT_NE(heading, nullptr);
    heading->setIndentLeft(24);
    const std::string stream =
        PageView::copyParagraphStyleToStream(heading, 41, document_.get(), PageView::PasteOwnerPageView, 0);
    kit::Pasteboard& pboard = dragPasteboard(stream, GxParagraphPboardType);
    // Over the second paragraph: its frame is highlighted.
    TextParagraph* second = column->flow()->paragraphAtIndex(1);
    ASSERT_NE(second, nullptr);
    const kit::Rect border = second->borderInItem(column);
    const kit::Point over = kit::makePoint(72 + border.origin.x + 5, 72 + border.origin.y + border.size.height / 2);
    ASSERT_EQ(dragOver(pboard, pages_[0], over), kit::DragOperationGeneric);
    EXPECT_FALSE(kit::isEmptyRect(view_->dropRect()));
    const kit::Rect shown = view_->dropRect();
    EXPECT_EQ(view_->draggingUpdated(*drag_), kit::DragOperationGeneric);
    EXPECT_TRUE(kit::equalRects(view_->dropRect(), shown));
    drop();
    EXPECT_TRUE(kit::isEmptyRect(view_->dropRect()));
    EXPECT_FLOAT_EQ(column->flow()->paragraphAtIndex(1)->paragraphStyle()->indentLeft(), 24);
    EXPECT_FLOAT_EQ(column->flow()->paragraphAtIndex(0)->paragraphStyle()->indentLeft(), 0);
    // Dropped on a box: a beep, nothing else.
    ItemBox* box = addBox(0, kit::makeRect(400, 400, 50, 50));
    const int beeps = alerts_->beeps();
    ASSERT_EQ(dragOver(pboard, pages_[0], kit::makePoint(420, 420)), kit::DragOperationNone);
    drop();
    EXPECT_EQ(alerts_->beeps(), beeps + 1);
    (void)box;
}

TEST_F(PlaceAndDropTest, APictureIntoEditedTextIsAnInlineGraphicAndOneOnACroppingBoxIsGroupedWithIt)
{
    const std::string path = file("small.tiff", greenTIFF(40, 20));
    TextItem* column = addColumn(0, kit::makeRect(72, 72, 300, 200));
    setFont(column->flow());
    type(column->flow(), "ab cd");
    view_->beginEditingItem(column);
    ASSERT_TRUE(view_->isEditing());
    ASSERT_TRUE(view_->_importFiles({path}, false, pages_[0], column, false, kit::Point{}));
    int graphics = 0;
    for (const auto& paragraph : column->flow()->paragraphList())
        for (const auto& word : paragraph->wordList())
            graphics += word->isSpecialType(101) ? 1 : 0;
    EXPECT_EQ(graphics, 1);
    // The text holds it: no item joined the page.
    EXPECT_EQ(itemsOf(pages_[0]), std::vector<Item*>{column});
    view_->endEditingIfNeeded();

    ItemBox* box = addBox(0, kit::makeRect(300, 400, 100, 100));
    (void)modifyFlag({box}, true, Undo::CropSet, false);
    ASSERT_TRUE(box->doesCrop());
    const int records = document_->undoInfo()->count();
    ASSERT_TRUE(view_->_importFiles({path}, false, pages_[0], box, false, kit::Point{}));
    ASSERT_EQ(itemsOf(pages_[0]).size(), 2u);
    auto* group = dynamic_cast<ItemGroup*>(itemsOf(pages_[0])[1]);
    ASSERT_NE(group, nullptr);
    ASSERT_EQ(group->items().size(), 2u);
    EXPECT_EQ(group->items()[0].get(), box);
    EXPECT_NE(dynamic_cast<PlacedItem*>(group->items()[1].get()), nullptr);
    // Undone step by step: the group, then the picture itself.
    EXPECT_EQ(document_->undoInfo()->count(), records + 2);
    ASSERT_TRUE(document_->undoInfo()->undo());
    EXPECT_EQ(itemsOf(pages_[0]).size(), 3u);
    ASSERT_TRUE(document_->undoInfo()->undo());
    EXPECT_EQ(itemsOf(pages_[0]), (std::vector<Item*>{column, box}));
}

TEST(FilenamesPropertyList, ReadsWhatItWritesAndRefusesTheRest)
{
    const std::vector<std::string> paths{"/a b/c.tiff", "/q\"uote\\d.ps", ""};
    EXPECT_EQ(kit::filenamesFromPropertyList(kit::filenamesPropertyList(paths)), paths);
    EXPECT_EQ(kit::filenamesFromPropertyList("()"), std::vector<std::string>{});
    for (const char* bad : {"", "(", "(\"a\"", "(\"a\" \"b\")", "(\"a\\", "(\"a\",)", "(\"a\") x", "\"a\""})
        EXPECT_FALSE(kit::filenamesFromPropertyList(bad)) << bad;
}

} // namespace
