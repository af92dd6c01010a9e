// The links panel over a word-processor document: the rows it lists, its
// sort orders, what the selection enables, and Open, Replace, Break and OK
// with scripted alerts and file panels.

#include "app/tests/WordProcessorFixture.h"

#include "appkit/Button.h"
#include "appkit/CellMatrix.h"
#include "appkit/PopUpButton.h"
#include "appkit/TextField.h"
#include "appkit/Workspace.h"
#include "core/Bundle.h"
#include "document/LinksInfo.h"
#include "foundation/CommonHelpers.h"
#include "document/Page.h"
#include "graphics/Image.h"
#include "items/PlacedItem.h"
#include "panels/LinkCell.h"
#include "panels/LinksInspector.h"
#include "panels/LinksPanel.h"
#include "text/GraphicLink.h"
#include "text/TextSelection.h"
#include "text/TextWordSpecial.h"
#include "view/PageView.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

namespace {

std::string resourceBytes(const std::string& name)
{
    const std::string path = kit::Bundle::pathForResource(name, "tiff");
    return kit::FileManager::contentsAtPath(path).value_or("");
}

class LinksPanelTest : public WordProcessorTest {
protected:
    void SetUp() override
    {
        WordProcessorTest::SetUp();
        LinksPanel::initialize();
        kit::Application::sharedApplication().setActiveQuery([] { return true; });
        document_ = newDocument();
        ASSERT_NE(document_, nullptr);
        ASSERT_TRUE(document_->addPages(2, document_->numPages()));
        ASSERT_GE(document_->numPages(), 3);
        panel_ = dynamic_cast<LinksPanel*>(delegate_->linksPanel(true));
        ASSERT_NE(panel_, nullptr);
        inspector_ = panel_->inspector();
        ASSERT_NE(inspector_, nullptr);
        ASSERT_EQ(inspector_->document(), document_);
        panel_->orderFront(nullptr);
        ASSERT_FALSE(resourceBytes("Linked").empty());
    }

    void TearDown() override
    {
        kit::Application::sharedApplication().setActiveQuery(nullptr);
        kit::Workspace::sharedWorkspace().setOpener(nullptr);
        WordProcessorTest::TearDown();
    }

    std::string picture(const std::string& name, const std::string& image = "Linked")
    {
        const std::string file = path(name);
        EXPECT_TRUE(kit::FileManager::writeFileAtomically(file, resourceBytes(image)));
        return file;
    }

    PlacedItem* place(const std::string& file, int pageIndex)
    {
        std::string error;
        std::shared_ptr<PlacedItem> item = PlacedItem::initWithContentsOfFile(file, true, &error);
        EXPECT_TRUE(item) << error;
        if (!item)
            return nullptr;
        document_->pageAt(pageIndex)->addItems(item);
        return item.get();
    }

    PlacedItem* hold(int pageIndex, const std::string& image = "Anchor")
    {
        std::string error;
        std::shared_ptr<PlacedItem> item = PlacedItem::initFromStream(resourceBytes(image), &error);
        EXPECT_TRUE(item) << error;
        if (!item)
            return nullptr;
        document_->pageAt(pageIndex)->addItems(item);
        return item.get();
    }

    TextWordSpecial* inlineGraphic(const std::string& file)
    {
        TextFlow* flow = document_->mainTextItemForPage(document_->pageAt(0))->flow();
        typeText(*document_, "See ");
        std::string error;
        auto* word = dynamic_cast<TextWordSpecial*>(flow->addGraphic(InlineImage::Source::path(file), true, &error));
        EXPECT_NE(word, nullptr) << error;
        return word;
    }

    // The six links of the fixture: linked pictures on pages 1 and 3, a
    // missing one, a held one, an in-line one and an object-linked picture
    // on the master page of the left-hand pages.
    void sixLinks()
    {
        page1_ = place(picture("a-page1.tiff"), 0);
        page3_ = place(picture("c-page3.tiff"), 2);
        missing_ = place(picture("d-missing.tiff"), 1);
        ASSERT_TRUE(kit::FileManager::removeFileAtPath(path("d-missing.tiff")));
        missing_->calcFileInfo();
        ASSERT_TRUE(missing_->cantFind());
        held_ = hold(1);
        word_ = inlineGraphic(picture("b-inline.tiff"));
        ASSERT_NE(document_->masterPage(), nullptr);
        std::string error;
        std::shared_ptr<PlacedItem> master = PlacedItem::initWithContentsOfFile(picture("f-master.tiff"), true, &error);
        ASSERT_TRUE(master) << error;
        master->setMasterFlags(1);
        master->setItemSerialNumber(7);
        document_->masterPage()->addItems(master);
        master_ = master.get();
        ASSERT_EQ(document_->linksInfo().count(), 6u);
    }

    LinkCell* cell(int row) const { return inspector_->cellAt(row); }
    int rows() const { return inspector_->matrix()->numberOfRows(); }
    int rowOf(const void* link) const
    {
        for (int row = 0; row < rows(); ++row)
            if (dynamic_cast<const void*>(dynamic_cast<kit::Object*>(inspector_->linkAtRow(row))) == link)
                return row;
        return -1;
    }
    std::string name(int row) const { return cell(row)->filename().value_or("<none>"); }

    // Chooses the rows as a click and Shift-clicks would.
    void choose(const std::vector<int>& chosen)
    {
        kit::CellMatrix* matrix = inspector_->matrix();
        matrix->deselectAllCells();
        for (std::size_t i = 0; i < chosen.size(); ++i) {
            if (i == 0)
                matrix->selectCellAtRow(chosen[i], 0);
            else
                matrix->cellAtRow(chosen[i], 0)->setState(1);
        }
        inspector_->showSelection(nullptr);
    }

    // Saved, then read back from a copy of the file as another document
    // (opening the saved file itself would answer the open document).
    LayoutDocument* saveAndReopen(const std::string& name)
    {
        const std::string saved = path(name + ".syb");
        EXPECT_TRUE(document_->saveFile(saved, false));
        const std::string copy = path(name + "-copy.syb");
        EXPECT_TRUE(kit::FileManager::writeFileAtomically(copy, kit::FileManager::contentsAtPath(saved).value_or("")));
        LayoutDocument* reopened = delegate_->openFile(copy, false);
        EXPECT_NE(reopened, document_);
        return reopened;
    }

    ScrivlyDocument* document_ = nullptr;
    LinksPanel* panel_ = nullptr;
    LinksInspector* inspector_ = nullptr;
    PlacedItem* page1_ = nullptr;
    PlacedItem* page3_ = nullptr;
    PlacedItem* missing_ = nullptr;
    PlacedItem* held_ = nullptr;
    TextWordSpecial* word_ = nullptr;
    PlacedItem* master_ = nullptr;
};

TEST_F(LinksPanelTest, EachRowShowsItsLinksStatusNamePageDateAndSize)
{
    sixLinks();
    inspector_->inspect(nullptr);
    ASSERT_EQ(rows(), 6);
    struct Case {
        const void* link;
        std::string name;
        std::string page;
        const char* status;
        bool dated;
    };
    const std::string heldName = kit::FileManager::lastPathComponent(held_->filename().value_or(""));
    const Case cases[] = {
        {page1_, "a-page1.tiff", "1", "Linked", true},
        {page3_, "c-page3.tiff", "3", "Linked", true},
        {missing_, "d-missing.tiff", "2", "Missing", false},
        {held_, heldName, "2", "Anchor", true},
        {static_cast<const kit::Object*>(word_), "b-inline.tiff", "1", "Linked", true},
        {master_, "f-master.tiff", "L", "ObjectLinked", true},
    };
    const std::string size = getSizeString(static_cast<long>(resourceBytes("Linked").size()));
    for (const Case& c : cases) {
        const int row = rowOf(dynamic_cast<const void*>(static_cast<const kit::Object*>(c.link)));
        ASSERT_GE(row, 0) << c.name;
        LinkCell* shown = cell(row);
        EXPECT_EQ(shown->tag(), row);
        EXPECT_EQ(name(row), c.name);
        EXPECT_EQ(shown->pageString().value_or("<none>"), c.page) << c.name;
        EXPECT_EQ(shown->image(), inspector_->statusImage(c.status).get()) << c.name;
        EXPECT_NE(shown->image(), nullptr) << c.name;
        EXPECT_EQ(shown->alternateImage(), inspector_->statusImage(std::string(c.status) + "H").get()) << c.name;
        EXPECT_EQ(shown->changeString().has_value(), c.dated) << c.name;
        EXPECT_EQ(shown->sizeString().has_value(), c.dated) << c.name;
        if (c.dated && c.link != held_) {
            EXPECT_EQ(shown->sizeString().value_or(""), size) << c.name;
            // "%b %d %y": a month's short name, the day and the year.
            EXPECT_EQ(shown->changeString()->size(), 9u) << *shown->changeString();
        }
    }
}

TEST_F(LinksPanelTest, EachSortOrderListsTheRowsInTheListsNewOrder)
{
    sixLinks();
    struct Case {
        int order;
        int (GraphicLink::*compare)(const GraphicLink&) const;
    };
    const Case cases[] = {{LinksInspector::SortByName, &GraphicLink::compareName},
                          {LinksInspector::SortByPage, &GraphicLink::comparePage},
                          {LinksInspector::SortByStatus, &GraphicLink::compareStatus},
                          {LinksInspector::SortByType, &GraphicLink::compareType}};
    for (const Case& c : cases) {
        inspector_->sortPopup()->selectItemAtIndex(c.order);
        inspector_->sort(inspector_->sortPopup());
        const std::vector<GraphicLink*> links = document_->linksInfo().links();
        ASSERT_EQ(rows(), 6) << c.order;
        for (int row = 0; row < rows(); ++row) {
            EXPECT_EQ(inspector_->linkAtRow(row), links[std::size_t(row)]) << c.order;
            EXPECT_EQ(cell(row)->tag(), row);
            if (row > 0) {
                EXPECT_LE((links[std::size_t(row - 1)]->*c.compare)(*links[std::size_t(row)]), 0) << c.order;
            }
        }
    }
    inspector_->sortPopup()->selectItemAtIndex(LinksInspector::SortByName);
    inspector_->sort(inspector_->sortPopup());
    std::vector<std::string> names;
    for (int row = 0; row < rows(); ++row)
        names.push_back(name(row));
    // Names compare without regard to case.
    const std::string heldName = kit::FileManager::lastPathComponent(held_->filename().value_or(""));
    ASSERT_EQ(heldName.substr(0, 5), "Image");
    EXPECT_EQ(names, (std::vector<std::string>{"a-page1.tiff", "b-inline.tiff", "c-page3.tiff", "d-missing.tiff",
                                               "f-master.tiff", heldName}));
}

TEST_F(LinksPanelTest, AnEmptyListDisablesTheCommandsAndEmptiesTheFields)
{
    inspector_->inspect(nullptr);
    EXPECT_EQ(rows(), 0);
    EXPECT_FALSE(inspector_->breakButton()->isEnabled());
    EXPECT_FALSE(inspector_->replaceButton()->isEnabled());
    EXPECT_FALSE(inspector_->openButton()->isEnabled());
    EXPECT_EQ(inspector_->fileTitle()->stringValue(), "");
    EXPECT_EQ(inspector_->pathField()->stringValue(), "");
    alerts_->reset();
    inspector_->break_(nullptr);
    inspector_->replaceFile(nullptr);
    inspector_->ok(nullptr);
    EXPECT_TRUE(alerts_->shown().empty());
    EXPECT_TRUE(panels_->shown().empty());
}

TEST_F(LinksPanelTest, TheChosenRowsDecideTheFieldsAndTheCommands)
{
    ASSERT_TRUE(kit::FileManager::createDirectoryAtPath(path("A")));
    ASSERT_TRUE(kit::FileManager::createDirectoryAtPath(path("B")));
    PlacedItem* inA = place(picture("A/one.tiff"), 0);
    PlacedItem* inB = place(picture("B/two.tiff"), 0);
    PlacedItem* alsoB = place(picture("B/three.tiff"), 1);
    PlacedItem* held = hold(1);
    inspector_->inspect(nullptr);
    ASSERT_EQ(rows(), 4);
    const int a = rowOf(inA), b = rowOf(inB), b2 = rowOf(alsoB), h = rowOf(held);

    struct Case {
        std::vector<int> chosen;
        std::string title;
        std::string path;
        bool breakOpen, replace, pathEnabled;
    };
    const std::string multiple = delegate_->valueForStringKey("MultipleFiles");
    const std::string notLinked = delegate_->valueForStringKey("NotLinked");
    const Case cases[] = {
        {{a}, "one.tiff", path("A"), true, true, true},
        {{a, b, b2}, multiple, "", true, false, true},
        {{b, b2}, multiple, path("B"), true, false, true},
        {{b, h}, multiple, path("B"), true, false, true},
        {{h}, kit::FileManager::lastPathComponent(*held->filename()), notLinked, false, true, false},
        {{}, "", "", false, false, true},
    };
    for (const Case& c : cases) {
        choose(c.chosen);
        const std::string label = std::to_string(c.chosen.size()) + " rows";
        EXPECT_EQ(inspector_->fileTitle()->stringValue(), c.title) << label;
        EXPECT_EQ(inspector_->pathField()->stringValue(), c.path) << label;
        EXPECT_EQ(inspector_->pathField()->isEnabled(), c.pathEnabled) << label;
        EXPECT_EQ(inspector_->breakButton()->isEnabled(), c.breakOpen) << label;
        EXPECT_EQ(inspector_->openButton()->isEnabled(), c.breakOpen) << label;
        EXPECT_EQ(inspector_->replaceButton()->isEnabled(), c.replace) << label;
        ASSERT_TRUE(inspector_->pathTitle()->textColor()) << label;
        EXPECT_EQ(inspector_->pathTitle()->textColor()->grayLevel(),
                  (c.pathEnabled ? kit::Color::blackColor() : kit::Color::darkGrayColor())->grayLevel())
            << label;
        if (c.chosen.size() > 1) {
            EXPECT_EQ(inspector_->iconImage(), inspector_->statusImage("MultipleFiles").get());
        }
    }
}

TEST_F(LinksPanelTest, NextAndPreviousStopAtTheEndsAndClickingARowClearsTheDocumentsSelection)
{
    PlacedItem* first = place(picture("one.tiff"), 0);
    place(picture("two.tiff"), 1);
    inspector_->inspect(nullptr);
    ASSERT_EQ(rows(), 2);
    choose({1});
    inspector_->nextItem(nullptr);
    EXPECT_EQ(inspector_->selectedRows(), std::vector<int>{1});
    inspector_->previousItem(nullptr);
    EXPECT_EQ(inspector_->selectedRows(), std::vector<int>{0});
    inspector_->previousItem(nullptr);
    EXPECT_EQ(inspector_->selectedRows(), std::vector<int>{0});

    // The document's selection shows as the row of its picture.
    document_->setSelection({first}, nullptr);
    EXPECT_EQ(inspector_->selectedRows(), std::vector<int>{rowOf(first)});
    // A click on the other row: the document's selection goes, the row
    // stays chosen (the list is not listed again from that selection).
    const int other = 1 - rowOf(first);
    inspector_->matrix()->selectCellAtRow(other, 0);
    inspector_->singleAction(inspector_->matrix());
    EXPECT_TRUE(document_->selected().empty());
    EXPECT_EQ(inspector_->selectedRows(), std::vector<int>{other});
}

TEST_F(LinksPanelTest, TheRowsFollowTheListAndARowWhoseLinkWentDoesNothing)
{
    PlacedItem* one = place(picture("one.tiff"), 0);
    inspector_->inspect(nullptr);
    EXPECT_EQ(rows(), 1);
    place(picture("two.tiff"), 0);
    EXPECT_EQ(rows(), 2);

    // Gone without the list telling the panel.
    document_->linksInfo().setNotifyDocumentPanel(false);
    const int row = rowOf(one);
    choose({row});
    document_->pageAt(0)->removeItems({one});
    EXPECT_EQ(rows(), 2);
    EXPECT_EQ(inspector_->linkAtRow(row), nullptr);
    alerts_->reset();
    inspector_->ok(nullptr);
    inspector_->replaceFile(nullptr);
    inspector_->break_(nullptr);
    inspector_->openFile(nullptr);
    inspector_->loadCellAt(row);
    EXPECT_TRUE(panels_->shown().empty());
    EXPECT_TRUE(alerts_->shown().empty());
    document_->linksInfo().setNotifyDocumentPanel(true);
}

TEST_F(LinksPanelTest, ReplaceWithSeveralRowsOnlyExplains)
{
    place(picture("one.tiff"), 0);
    place(picture("two.tiff"), 0);
    inspector_->inspect(nullptr);
    choose({0, 1});
    alerts_->reset();
    inspector_->replaceFile(nullptr);
    ASSERT_EQ(alerts_->shown().size(), 1u);
    EXPECT_EQ(alerts_->shown()[0].title, delegate_->valueForStringKey("ReplaceFile"));
    EXPECT_EQ(alerts_->shown()[0].message, delegate_->valueForStringKey("ReplaceMultipleFiles"));
    EXPECT_TRUE(panels_->shown().empty());
}

TEST_F(LinksPanelTest, ReplaceTakesOnlyAFileThatReadsAsAPicture)
{
    PlacedItem* held = hold(0);
    const std::string heldName = *held->filename();
    const std::int32_t heldSize = held->filesize();
    inspector_->inspect(nullptr);
    choose({0});
    // A file with a picture's extension that is no picture, a text file, a
    // folder and a named pipe with pictures' names.
    kit::FileManager::writeFileAtomically(path("broken.tiff"), resourceBytes("Linked").substr(0, 40));
    kit::FileManager::writeFileAtomically(path("notes.txt"), "just words");
    ASSERT_TRUE(kit::FileManager::createDirectoryAtPath(path("folder.tiff")));
    ASSERT_EQ(mkfifo(path("pipe.tiff").c_str(), 0600), 0);
    const char* refused[] = {"broken.tiff", "notes.txt", "folder.tiff", "pipe.tiff"};
    const std::string before = kit::FileManager::currentDirectoryPath();
    for (const char* file : refused) {
        alerts_->reset();
        panels_->pushAnswer({1, {path(file)}, nullptr});
        inspector_->replaceFile(nullptr);
        EXPECT_FALSE(held->isLinked()) << file;
        EXPECT_EQ(held->filename(), heldName) << file;
        EXPECT_NE(held->sourceImage(), nullptr) << file;
        // Only a picture's extension is told; another is ignored.
        EXPECT_EQ(alerts_->shown().size(), std::string(file) == "notes.txt" ? 0u : 1u) << file;
    }
    EXPECT_EQ(kit::FileManager::currentDirectoryPath(), before);

    // The held picture's data survives a save and a reopening.
    LayoutDocument* reopened = saveAndReopen("held");
    ASSERT_NE(reopened, nullptr);
    ASSERT_EQ(reopened->linksInfo().count(), 1u);
    auto* back = dynamic_cast<PlacedItem*>(reopened->linksInfo().linkAtIndex(0));
    ASSERT_NE(back, nullptr);
    EXPECT_FALSE(back->isLinked());
    EXPECT_FALSE(back->cantFind());
    EXPECT_NE(back->sourceImage(), nullptr);
    EXPECT_EQ(back->filesize(), heldSize);
}

TEST_F(LinksPanelTest, ReplaceWithAGoodPicturePointsTheLinkAtItAndReloadsTheRow)
{
    PlacedItem* item = place(picture("old.tiff"), 0);
    item->setItemSerialNumber(3);
    inspector_->inspect(nullptr);
    choose({0});
    const std::string chosen = picture("new.tiff", "Missing");
    panels_->pushAnswer({1, {chosen}, nullptr});
    document_->setEdited(false);
    inspector_->replaceFile(nullptr);
    ASSERT_EQ(panels_->shown().size(), 1u);
    EXPECT_EQ(panels_->shown()[0].directory, folder_);
    EXPECT_EQ(panels_->shown()[0].name, "old.tiff");
    EXPECT_TRUE(item->isLinked());
    EXPECT_EQ(item->filename(), chosen);
    EXPECT_TRUE(document_->isEdited());
    EXPECT_EQ(document_->selected(), std::vector<Item*>{item});
    EXPECT_EQ(name(0), "new.tiff");
    EXPECT_EQ(inspector_->updateList(), std::vector<kit::Object*>{item});
    // Cancel changes nothing.
    inspector_->replaceFile(nullptr);
    EXPECT_EQ(item->filename(), chosen);
}

TEST_F(LinksPanelTest, BreakAsksThenCopiesTheFileIntoTheDocument)
{
    PlacedItem* item = place(picture("50%@off.tiff"), 0);
    inspector_->inspect(nullptr);
    choose({0});
    // Cancelled: nothing changes.
    alerts_->reset();
    alerts_->pushAnswer(kit::AlertAlternateReturn);
    inspector_->break_(nullptr);
    ASSERT_EQ(alerts_->shown().size(), 1u);
    EXPECT_EQ(alerts_->shown()[0].title, delegate_->valueForStringKey("BreakFile"));
    // The name's "%@" is shown as it is.
    EXPECT_EQ(alerts_->shown()[0].message, delegate_->valueForStringKey("BreakFileMsgOne") + " 50%@off.tiff?");
    EXPECT_EQ(alerts_->shown()[0].defaultButton, delegate_->valueForStringKey("Break"));
    EXPECT_EQ(alerts_->shown()[0].alternateButton, delegate_->valueForStringKey("Cancel"));
    EXPECT_TRUE(item->isLinked());

    alerts_->reset();
    inspector_->break_(nullptr);
    EXPECT_EQ(alerts_->shown().size(), 1u);
    EXPECT_FALSE(item->isLinked());
    EXPECT_NE(item->sourceImage(), nullptr);
    EXPECT_EQ(cell(0)->image(), inspector_->statusImage("Anchor").get());
    EXPECT_FALSE(inspector_->breakButton()->isEnabled());
    // Copied in: the file may go.
    kit::FileManager::removeFileAtPath(path("50%@off.tiff"));
    LayoutDocument* reopened = saveAndReopen("broken");
    ASSERT_NE(reopened, nullptr);
    auto* back = dynamic_cast<PlacedItem*>(reopened->linksInfo().linkAtIndex(0));
    ASSERT_NE(back, nullptr);
    EXPECT_FALSE(back->cantFind());
    EXPECT_NE(back->sourceImage(), nullptr);
}

TEST_F(LinksPanelTest, BreakOfFilesThatVanishedKeepsThemLinkedAndNamesThemOnce)
{
    PlacedItem* kept = place(picture("kept.tiff"), 0);
    PlacedItem* gone1 = place(picture("gone1.tiff"), 0);
    PlacedItem* gone2 = place(picture("gone2.tiff"), 0);
    inspector_->sortPopup()->selectItemAtIndex(LinksInspector::SortByName);
    inspector_->inspect(nullptr);
    choose({0, 1, 2});
    // Gone since they were last looked at.
    kit::FileManager::removeFileAtPath(path("gone1.tiff"));
    kit::FileManager::removeFileAtPath(path("gone2.tiff"));
    alerts_->reset();
    inspector_->break_(nullptr);
    ASSERT_EQ(alerts_->shown().size(), 2u);
    EXPECT_EQ(alerts_->shown()[0].message, delegate_->valueForStringKey("BreakFileMsgMany"));
    const std::string& told = alerts_->shown()[1].message;
    EXPECT_NE(told.find("gone1.tiff"), std::string::npos) << told;
    EXPECT_NE(told.find("gone2.tiff"), std::string::npos) << told;
    EXPECT_EQ(told.find("kept.tiff"), std::string::npos) << told;
    EXPECT_FALSE(kept->isLinked());
    EXPECT_TRUE(gone1->isLinked());
    EXPECT_TRUE(gone2->isLinked());
}

TEST_F(LinksPanelTest, OkShowsAPlacedPictureAndSelectsAnInlineOne)
{
    PlacedItem* onPage3 = place(picture("three.tiff"), 2);
    TextWordSpecial* word = inlineGraphic(picture("inline.tiff"));
    ASSERT_NE(word, nullptr);
    inspector_->inspect(nullptr);
    auto* view = dynamic_cast<PageView*>(document_->mainView());
    ASSERT_NE(view, nullptr);

    choose({rowOf(onPage3)});
    inspector_->ok(nullptr);
    EXPECT_EQ(document_->selected(), std::vector<Item*>{onPage3});
    EXPECT_EQ(view->mostVisiblePage(), document_->pageAt(2));

    choose({rowOf(static_cast<kit::Object*>(word))});
    inspector_->doubleAction(inspector_->matrix());
    EXPECT_TRUE(view->isEditing());
    TextFlow* flow = word->paragraph()->flow();
    ASSERT_NE(flow->textSelection(), nullptr);
    const textPoint at = flow->pointOfWord(word);
    EXPECT_EQ(flow->textSelection()->selectionEndType(), SelectionWord);
    EXPECT_EQ(flow->textSelection()->start().paragraph, at.paragraph);
    EXPECT_EQ(flow->textSelection()->start().word, at.word);
    EXPECT_EQ(view->mostVisiblePage(), document_->pageAt(0));
}

TEST_F(LinksPanelTest, UnusualNamesDatesAndSizesListWithoutHarm)
{
    PlacedItem* odd = place(picture("caf\xe9 \xff.tiff"), 0);
    PlacedItem* old = place(picture("old.tiff"), 0);
    PlacedItem* late = place(picture("late.tiff"), 0);
    PlacedItem* never = place(picture("never.tiff"), 0);
    PlacedItem* far = hold(0);
    // Dates in the local time zone, here fixed.
    const char* zone = getenv("TZ");
    const std::string savedZone = zone ? zone : "";
    setenv("TZ", "UTC", 1);
    tzset();
    old->setLastModifyTime(-2.0e9);   // 1906
    late->setLastModifyTime(5.0e9);   // 2128
    never->setLastModifyTime(std::nan(""));
    far->setFilename(std::string(4096, 'x') + "/" + std::string(200, 'y') + ".tiff");
    inspector_->inspect(nullptr);
    ASSERT_EQ(rows(), 5);
    EXPECT_EQ(name(rowOf(odd)), "caf\xe9 \xff.tiff");
    EXPECT_EQ(cell(rowOf(old))->changeString().value_or(""), "Aug 16 06");
    EXPECT_EQ(cell(rowOf(late))->changeString()->substr(7), "28");
    EXPECT_FALSE(cell(rowOf(never))->changeString().has_value());
    if (zone)
        setenv("TZ", savedZone.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
    EXPECT_EQ(name(rowOf(far)), std::string(200, 'y') + ".tiff");
    choose({rowOf(far)});
    EXPECT_EQ(inspector_->fileTitle()->stringValue(), std::string(200, 'y') + ".tiff");
    choose({rowOf(odd)});
    EXPECT_EQ(inspector_->pathField()->stringValue(), folder_);
    // Sizes past 2 GiB read as the largest the link keeps.
    EXPECT_EQ(getSizeString(2147483647L), "2048.00M");
}

TEST_F(LinksPanelTest, AnIconOfANamedPipeIsFoundByItsNameAlone)
{
    const std::string file = picture("pipe.tiff");
    PlacedItem* item = place(file, 0);
    inspector_->inspect(nullptr);
    // The file becomes a named pipe: reading it would wait for a writer.
    ASSERT_TRUE(kit::FileManager::removeFileAtPath(file));
    ASSERT_EQ(mkfifo(file.c_str(), 0600), 0);
    choose({rowOf(item)});
    EXPECT_NE(inspector_->iconButton()->image(), nullptr);
    std::vector<std::string> opened;
    kit::Workspace::sharedWorkspace().setOpener([&](const std::string& p) {
        opened.push_back(p);
        return true;
    });
    inspector_->openFile(nullptr);
    EXPECT_TRUE(opened.empty()); // a pipe is no file to hand the desktop
}

TEST_F(LinksPanelTest, OpenHandsLinkedFilesToTheDesktopAndSkipsHeldOnes)
{
    PlacedItem* linked = place(picture("one.tiff"), 0);
    PlacedItem* held = hold(0);
    inspector_->inspect(nullptr);
    std::vector<std::string> opened;
    kit::Workspace::sharedWorkspace().setOpener([&](const std::string& p) {
        opened.push_back(p);
        return true;
    });
    choose({rowOf(linked), rowOf(held)});
    inspector_->openFile(nullptr);
    EXPECT_EQ(opened, std::vector<std::string>{path("one.tiff")});
}

TEST_F(LinksPanelTest, ResizingKeepsTheWidthAndAMinimumHeight)
{
    const float width = panel_->frame().size.width;
    const struct {
        kit::Size proposed;
        kit::Size expected;
    } cases[] = {
        {{width + 100, 400}, {width, 400}},
        {{width - 50, 100}, {width, LinksPanel::MinimumHeight}},
        {{width, LinksPanel::MinimumHeight}, {width, LinksPanel::MinimumHeight}},
    };
    for (const auto& c : cases) {
        const kit::Size got = panel_->windowWillResize(panel_, c.proposed);
        EXPECT_EQ(got.width, c.expected.width);
        EXPECT_EQ(got.height, c.expected.height);
    }
}

TEST_F(LinksPanelTest, TheRunCommandListsTheMainDocumentsPictures)
{
    panel_->orderOut(nullptr);
    PlacedItem* item = place(picture("one.tiff"), 0);
    document_->setSelection({item}, nullptr);
    delegate_->performSelector("runLinksPanel:", nullptr);
    EXPECT_TRUE(panel_->isVisible());
    ASSERT_EQ(rows(), 1);
    EXPECT_EQ(inspector_->selectedRows(), std::vector<int>{0});
    EXPECT_EQ(inspector_->fileTitle()->stringValue(), "one.tiff");
}

} // namespace

namespace {

TEST_F(LinksPanelTest, TheEditedTextsInlineGraphicsChooseTheirRows)
{
    PlacedItem* placed = place(picture("placed.tiff"), 0);
    TextWordSpecial* word = inlineGraphic(picture("inline.tiff"));
    ASSERT_NE(word, nullptr);
    inspector_->inspect(nullptr);
    ASSERT_EQ(rows(), 2);
    const std::vector<TextWord*> words{word};
    panel_->inspectInlineGraphics(&words);
    EXPECT_EQ(inspector_->selectedRows(), std::vector<int>{rowOf(static_cast<kit::Object*>(word))});
    EXPECT_EQ(inspector_->fileTitle()->stringValue(), "inline.tiff");
    panel_->inspectInlineGraphics(nullptr);
    EXPECT_TRUE(inspector_->selectedRows().empty());
    // The document's selected items choose theirs the same way.
    const std::vector<Item*> items{placed};
    panel_->inspectSelectedItems(&items);
    EXPECT_EQ(inspector_->selectedRows(), std::vector<int>{rowOf(placed)});
    EXPECT_TRUE(panel_->selectionPanelIsVisible());
}

} // namespace
