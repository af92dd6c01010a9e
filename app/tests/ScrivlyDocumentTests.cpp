// The word processor's document under the real delegate: its guides and
// their drags, columns, paper changes, keys, saving and its stored form.

#include "WordProcessorFixture.h"

#include "app/ScrivlyDocument.h"
#include "appkit/View.h"
#include "appkit/Window.h"
#include "core/Archiver.h"
#include "core/FileManager.h"
#include "document/CanvasView.h"
#include "document/DocumentFiles.h"
#include "document/Guide.h"
#include "document/Page.h"
#include "graphics/BitmapImageRep.h"
#include "graphics/Image.h"
#include "items/TextItem.h"
#include "text/DocumentView.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextWord.h"
#include "text/TextWordSpecial.h"

#include <cmath>
#include <limits>

namespace {

kit::Rect frameOf(const TextItem* item) { return item ? item->frame() : kit::Rect{}; }

// The copies of the master columns on a page, in chain order.
std::vector<TextItem*> columnsOn(const ScrivlyDocument& document, Page* page)
{
    std::vector<TextItem*> columns;
    for (TextItem* master : document.masterColumns())
        columns.push_back(page->copyOfMaster(master));
    return columns;
}

void expectRect(const kit::Rect& r, float x, float y, float w, float h)
{
    EXPECT_FLOAT_EQ(r.origin.x, x);
    EXPECT_FLOAT_EQ(r.origin.y, y);
    EXPECT_FLOAT_EQ(r.size.width, w);
    EXPECT_FLOAT_EQ(r.size.height, h);
}

} // namespace

TEST_F(WordProcessorTest, NewDocumentHasTheFixedGuidesAndOneMainColumn)
{
    ScrivlyDocument* document = newDocument();
    ASSERT_NE(document, nullptr);
    const float expected[8] = {36, 756, 72, 720, 72, 540, 70, 722};
    const int orientation[8] = {1, 1, 1, 1, 2, 2, 1, 1};
    for (int slot = 0; slot < 8; ++slot) {
        ASSERT_NE(document->guideAt(slot), nullptr) << slot;
        EXPECT_FLOAT_EQ(document->locationAt(slot), expected[slot]) << slot;
        EXPECT_EQ(document->guideAt(slot)->orientation(), orientation[slot]) << slot;
        EXPECT_EQ(document->guideAt(slot)->delegate(), static_cast<GuideDelegate*>(document)) << slot;
    }
    EXPECT_EQ(document->topMarginGuide()->partner(), document->headerBottomGuide());
    EXPECT_EQ(document->headerBottomGuide()->partner(), document->headerTopGuide());
    EXPECT_EQ(document->bottomMarginGuide()->partner(), document->footerTopGuide());
    EXPECT_EQ(document->footerTopGuide()->partner(), document->footerBottomGuide());

    expectRect(frameOf(document->mainTextItem()), 72, 72, 468, 648);
    TextItem* main = document->mainTextItemForPage(document->pageAt(0));
    ASSERT_NE(main, nullptr);
    expectRect(main->frame(), 72, 72, 468, 648);
    ASSERT_TRUE(main->name());
    EXPECT_EQ(*main->name(), "MainText");
    EXPECT_EQ(document->columnCount(), 1);
    EXPECT_FLOAT_EQ(document->columnGutterWidth(), 18);
    EXPECT_FALSE(document->isEdited());

    kit::Rect header, footer;
    document->getHeaderFrame(&header);
    document->getFooterFrame(&footer);
    expectRect(header, 72, 36, 468, 34);
    expectRect(footer, 72, 722, 468, 34);

    // What the word processor's documents are.
    EXPECT_EQ(document->documentExtension(), "syb");
    EXPECT_EQ(document->templateExtension(), "syt");
    EXPECT_EQ(document->documentPboardType(), "Scrivly Document (syb)");
    EXPECT_EQ(document->templatePboardType(), "Scrivly Template (syt)");
    EXPECT_EQ(document->docEmbeddedFilename(), "SYB.typedstream");
    EXPECT_EQ(document->canvasMargin().width, 0);
    EXPECT_EQ(document->canvasMargin().height, 0);
    EXPECT_FALSE(document->showTextKnobs());
    EXPECT_FALSE(document->viewWillChangeOrigin(nullptr, kit::makePoint(0, 0)));
    EXPECT_FALSE(document->showTextRects());
    EXPECT_FALSE(document->snapToGuides());
}

TEST_F(WordProcessorTest, PaperChangeKeepsTheFarMarginsAndResizesTheColumns)
{
    ScrivlyDocument* document = newDocument();
    document->paperSizeDidChange(kit::makeRect(0, 0, 595, 842), kit::makeRect(0, 0, 612, 792));
    EXPECT_FLOAT_EQ(document->rightMargin(), 523);
    EXPECT_FLOAT_EQ(document->leftMargin(), 72);
    EXPECT_FLOAT_EQ(document->bottomMargin(), 770);
    EXPECT_FLOAT_EQ(document->footerTopLocation(), 772);
    EXPECT_FLOAT_EQ(document->footerBottomLocation(), 806);
    EXPECT_FLOAT_EQ(document->topMargin(), 72);
    expectRect(frameOf(document->mainTextItemForPage(document->pageAt(0))), 72, 72, 451, 698);
}

TEST_F(WordProcessorTest, ColumnsAreChainedMasterColumnsOnEveryPage)
{
    ScrivlyDocument* document = newDocument();
    std::string words;
    for (int i = 0; i < 2400; ++i)
        words += "word ";
    typeText(*document, words);
    ASSERT_GE(document->numPages(), 3);

    ASSERT_TRUE(document->resetDocumentColumnCount(2, 18));
    ASSERT_EQ(document->masterColumns().size(), 2u);
    const int pages = document->numPages();
    ASSERT_GE(pages, 3);
    for (int p = 0; p < pages; ++p) {
        const std::vector<TextItem*> columns = columnsOn(*document, document->pageAt(p));
        ASSERT_EQ(columns.size(), 2u);
        ASSERT_NE(columns[0], nullptr) << p;
        ASSERT_NE(columns[1], nullptr) << p;
        expectRect(columns[0]->frame(), 72, 72, 225, 648);
        expectRect(columns[1]->frame(), 315, 72, 225, 648);
        // One flow through the page's columns and on to the next page.
        EXPECT_EQ(columns[0]->nextColumn(), columns[1]) << p;
        EXPECT_EQ(columns[1]->flow(), columns[0]->flow()) << p;
        if (p + 1 < pages) {
            EXPECT_EQ(columns[1]->nextColumn(), columnsOn(*document, document->pageAt(p + 1))[0]) << p;
        }
    }
    EXPECT_TRUE(document->isEdited());
    EXPECT_EQ(document->columnCount(), 2);

    ASSERT_TRUE(document->resetDocumentColumnCount(3, 12));
    ASSERT_TRUE(document->resetDocumentColumnCount(1, 12));
    EXPECT_EQ(document->masterColumns().size(), 1u);
    std::size_t masterColumns = 0;
    for (const auto& item : document->masterItems())
        masterColumns += dynamic_cast<TextItem*>(item.get()) ? 1 : 0;
    EXPECT_EQ(masterColumns, 1u);
    for (int p = 0; p < document->numPages(); ++p) {
        std::size_t copies = 0;
        for (const auto& item : document->pageAt(p)->pageItems())
            copies += dynamic_cast<TextItem*>(item.get()) ? 1 : 0;
        EXPECT_EQ(copies, 1u) << p;
        expectRect(frameOf(document->mainTextItemForPage(document->pageAt(p))), 72, 72, 468, 648);
    }
}

TEST_F(WordProcessorTest, ColumnCountsAndGuttersThatCannotBeLaidOutAreRefused)
{
    ScrivlyDocument* document = newDocument();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        int count;
        float gutter;
    };
    // 0 divides by zero; 24 columns with a 20-point gutter leave less
    // than a point each between the margins.
    const Case refused[] = {{0, 18}, {-3, 18}, {25, 18}, {100, 0}, {2, -1}, {2, nan}, {2, inf}, {24, 20}};
    for (const Case& c : refused) {
        EXPECT_FALSE(document->resetDocumentColumnCount(c.count, c.gutter)) << c.count << " " << c.gutter;
        EXPECT_EQ(document->columnCount(), 1);
        EXPECT_FLOAT_EQ(document->columnGutterWidth(), 18);
        EXPECT_EQ(document->masterColumns().size(), 1u);
        EXPECT_FALSE(document->isEdited());
    }
    EXPECT_FALSE(document->setColumnCount(0));
    EXPECT_FALSE(document->setColumnCount(25));
    EXPECT_EQ(document->columnCount(), 1);
    EXPECT_TRUE(document->resetDocumentColumnCount(24, 0));
    EXPECT_EQ(document->masterColumns().size(), 24u);
}

TEST_F(WordProcessorTest, HalfAPointOfGutterIsAChangeThatMarksTheDocument)
{
    ScrivlyDocument* document = newDocument();
    ASSERT_TRUE(document->resetDocumentColumnCount(2, 18));
    document->setEdited(false);
    ASSERT_TRUE(document->resetDocumentColumnCount(2, 18.5f));
    EXPECT_TRUE(document->isEdited());
    EXPECT_FLOAT_EQ(frameOf(document->masterColumns()[1]).origin.x, 72 + (468 - 18.5f) / 2 + 18.5f);
    document->setEdited(false);
    ASSERT_TRUE(document->resetDocumentColumnCount(2, 18.5f));
    EXPECT_FALSE(document->isEdited());
}

TEST_F(WordProcessorTest, AChainShorterThanTheCountIsWalkedAsItIs)
{
    ScrivlyDocument* document = newDocument();
    // A damaged file says three columns where one is stored.
    ASSERT_TRUE(document->setColumnCount(3));
    ASSERT_EQ(document->masterColumns().size(), 1u);
    ASSERT_TRUE(document->resetDocumentColumnCount(2, 18));
    ASSERT_EQ(document->masterColumns().size(), 2u);
    const std::vector<TextItem*> columns = columnsOn(*document, document->pageAt(0));
    ASSERT_NE(columns[1], nullptr);
    expectRect(columns[1]->frame(), 315, 72, 225, 648);
}

TEST_F(WordProcessorTest, GuidesForAPageAreItsOwnFreshList)
{
    ScrivlyDocument* document = newDocument();
    Page* page = document->pageAt(0);
    const std::vector<Guide*> margins = document->guidesForPage(page);
    const std::vector<Guide*> expected = {document->topMarginGuide(), document->bottomMarginGuide(),
                                          document->leftMarginGuide(), document->rightMarginGuide()};
    EXPECT_EQ(margins, expected);

    // A header on the page adds its two guides; the list held before stays.
    TextFlow* flow = document->mainTextItemForPage(page)->flow();
    auto* marker = dynamic_cast<TextWordSpecial*>(flow->currentParagraph()->addSpecialWord(TextWordHeaderMarker));
    ASSERT_NE(marker, nullptr);
    auto frame = std::make_shared<TextItem>();
    frame->setFrame(kit::makeRect(72, 36, 468, 34), false);
    marker->setObjectReference(std::shared_ptr<kit::Object>(frame));
    document->addHeader(marker);
    frame->setMyMaster(marker);
    frame->setMasterFlags(3);
    flow->recomputeAll();
    ASSERT_NE(document->headerItemForPageNumber(1), nullptr);
    const std::vector<Guide*> withHeader = document->guidesForPage(page);
    ASSERT_EQ(withHeader.size(), 6u);
    EXPECT_EQ(withHeader[4], document->headerTopGuide());
    EXPECT_EQ(withHeader[5], document->headerBottomGuide());
    EXPECT_EQ(margins, expected);

    // The header frame follows its guides.
    document->setLocationAt(ScrivlyDocument::HeaderBottomSlot, 60);
    document->resizeMasterTextItems();
    expectRect(frame->frame(), 72, 36, 468, 24);
}

TEST_F(WordProcessorTest, OnlyTheFixedGuidesDragAndOnlyFromTheMargins)
{
    ScrivlyDocument* document = newDocument();
    document->setActivePage(document->pageAt(0));
    const kit::Point pageOrigin = document->pageAt(0)->pageRect().origin;
    const auto at = [&](float x, float y) { return kit::makePoint(pageOrigin.x + x, pageOrigin.y + y); };
    kit::Rect limits{};
    // A horizontal guide clicked over the text area stays; in the left
    // page margin it drags.
    EXPECT_FALSE(document->guideWillDrag(document->topMarginGuide(), at(300, 72), &limits, false));
    EXPECT_FALSE(document->guideWillDrag(document->topMarginGuide(), at(71, 72), &limits, false));
    EXPECT_TRUE(document->guideWillDrag(document->topMarginGuide(), at(20, 72), &limits, false));
    EXPECT_FLOAT_EQ(limits.origin.y, 0);
    EXPECT_FLOAT_EQ(limits.size.height, 720 - 18);
    // A vertical guide within the text's height stays; below the bottom
    // margin it drags.
    EXPECT_FALSE(document->guideWillDrag(document->leftMarginGuide(), at(72, 400), &limits, false));
    EXPECT_TRUE(document->guideWillDrag(document->leftMarginGuide(), at(72, 760), &limits, false));
    EXPECT_FLOAT_EQ(limits.origin.x, 0);
    EXPECT_FLOAT_EQ(limits.size.width, 540 - 36);
    // New guides and guides of the user's own are not the word processor's.
    EXPECT_FALSE(document->guideWillDrag(document->topMarginGuide(), at(20, 72), &limits, true));
    Guide own(300, Guide::Horizontal);
    EXPECT_FALSE(document->guideWillDrag(&own, at(20, 300), &limits, false));

    struct Case {
        int slot;
        float low, high;
    };
    const Case cases[] = {
        {ScrivlyDocument::HeaderTopSlot, 0, 52},      {ScrivlyDocument::FooterBottomSlot, 740, 792},
        {ScrivlyDocument::BottomMarginSlot, 90, 792}, {ScrivlyDocument::RightMarginSlot, 108, 612},
        {ScrivlyDocument::HeaderBottomSlot, 34, 70},  {ScrivlyDocument::FooterTopSlot, 722, 758},
    };
    for (const Case& c : cases) {
        document->calcDragRect(&limits, c.slot);
        const bool vertical = c.slot == ScrivlyDocument::RightMarginSlot;
        EXPECT_FLOAT_EQ(vertical ? limits.origin.x : limits.origin.y, c.low) << c.slot;
        EXPECT_FLOAT_EQ(vertical ? limits.origin.x + limits.size.width : limits.origin.y + limits.size.height, c.high)
            << c.slot;
    }
}

TEST_F(WordProcessorTest, MovingTheLeftMarginResizesEveryPageAndReflowsTheText)
{
    ScrivlyDocument* document = newDocument();
    TextItem* first = document->mainTextItemForPage(document->pageAt(0));
    std::string words;
    for (int i = 0; i < 60; ++i)
        words += "word ";
    typeText(*document, words);
    TextParagraph* paragraph = first->flow()->paragraphAtIndex(0);
    const float heightBefore = paragraph->lastY() - paragraph->firstY();

    document->setLocationAt(ScrivlyDocument::LeftMarginSlot, 200);
    document->guideDidDrag(document->leftMarginGuide(), false);
    for (int p = 0; p < document->numPages(); ++p)
        expectRect(frameOf(document->mainTextItemForPage(document->pageAt(p))), 200, 72, 340, 648);
    EXPECT_GT(paragraph->lastY() - paragraph->firstY(), heightBefore);
    EXPECT_GT(heightBefore, 24.0f);

    // Crossed margins are put apart again.
    document->setLocationAt(ScrivlyDocument::RightMarginSlot, 100);
    document->resizeMasterTextItems();
    EXPECT_FLOAT_EQ(document->rightMargin(), 272);
}

TEST_F(WordProcessorTest, EscapeSwitchesEditingAndKeysGoToTheTextOrTheItems)
{
    ScrivlyDocument* document = newDocument();
    DocumentView* view = document->mainView();
    ASSERT_NE(view, nullptr);
    auto* canvas = dynamic_cast<CanvasView*>(view);
    ASSERT_NE(canvas, nullptr);
    view->endEditingIfNeeded();
    ASSERT_FALSE(view->isEditing());

    EXPECT_TRUE(document->keyDown(key(u"\x1b"), canvas));
    EXPECT_TRUE(view->isEditing());
    EXPECT_EQ(document->activeTextItem(), document->mainTextItemForPage(document->pageAt(0)));
    EXPECT_TRUE(document->keyDown(key(u"a"), canvas));
    EXPECT_EQ(textOf(*document), "a\n");
    EXPECT_TRUE(document->keyDown(key(u"\x1b"), canvas));
    EXPECT_FALSE(view->isEditing());
    // Not editing: a letter is not the document's, a delete key is.
    EXPECT_FALSE(document->keyDown(key(u"A"), canvas));
    EXPECT_TRUE(document->keyDown(key(u"\x7f"), canvas));
    EXPECT_EQ(textOf(*document), "a\n");

    // A read-only document only beeps.
    EXPECT_TRUE(document->keyDown(key(u"\x1b"), canvas));
    document->setReadOnly(true);
    EXPECT_TRUE(document->keyDown(key(u"b"), canvas));
    EXPECT_EQ(textOf(*document), "a\n");
}

TEST_F(WordProcessorTest, DeletingInTheMasterLayerKeepsTheMainColumns)
{
    ScrivlyDocument* document = newDocument();
    ASSERT_TRUE(document->resetDocumentColumnCount(2, 18));
    DocumentView* view = document->mainView();
    view->endEditingIfNeeded();
    ASSERT_TRUE(document->setEditingLayer(LayoutDocument::MasterLayer));
    document->setActivePage(document->pageAt(0));
    const std::vector<TextItem*> masters = document->masterColumns();
    document->setSelection({masters[0], masters[1]}, view);
    ASSERT_EQ(document->selected().size(), 2u);
    dynamic_cast<CanvasView*>(view)->delete_(nullptr);
    EXPECT_EQ(document->masterColumns(), masters);
    EXPECT_EQ(document->mainTextItem(), masters[0]);
    ASSERT_TRUE(document->setEditingLayer(LayoutDocument::PagesLayer));
    EXPECT_NE(columnsOn(*document, document->pageAt(0))[1], nullptr);
}

TEST_F(WordProcessorTest, ADragInTheHeaderAreaEditsTheHeaderAndInTheTextTheMainText)
{
    ScrivlyDocument* document = newDocument();
    Page* page = document->pageAt(0);
    TextItem* main = document->mainTextItemForPage(page);
    typeText(*document, "Body");
    TextFlow* flow = main->flow();
    auto* marker = dynamic_cast<TextWordSpecial*>(flow->currentParagraph()->addSpecialWord(TextWordHeaderMarker));
    ASSERT_NE(marker, nullptr);
    auto frame = std::make_shared<TextItem>();
    frame->setFrame(kit::makeRect(72, 36, 468, 34), false);
    marker->setObjectReference(std::shared_ptr<kit::Object>(frame));
    document->addHeader(marker);
    frame->setMyMaster(marker);
    frame->setMasterFlags(3);
    flow->recomputeAll();
    ASSERT_EQ(document->headerItemForPageNumber(1), frame.get());

    DocumentView* view = document->mainView();
    auto* canvas = dynamic_cast<CanvasView*>(view);
    auto* shown = dynamic_cast<kit::View*>(view);
    ASSERT_NE(canvas, nullptr);
    ASSERT_NE(shown, nullptr);
    view->endEditingIfNeeded();
    kit::Application& app = kit::Application::sharedApplication();
    const int window = view->window()->windowNumber();
    // A press at a point of the page, then a drag that the document waits
    // for before it decides where the text goes.
    const auto press = [&](float x, float y) {
        const kit::Point inView = kit::makePoint(page->pageRect().origin.x + x, page->pageRect().origin.y + y);
        const kit::Point base = shown->convertPointToView(inView, nullptr);
        app.postEvent(kit::Event::mouseEventWithType(kit::EventType::LeftMouseDragged, base, 0, kit::Clock::now(), window),
                      false);
        app.postEvent(kit::Event::mouseEventWithType(kit::EventType::LeftMouseUp, base, 0, kit::Clock::now(), window),
                      false);
        document->mouseDown(
            kit::Event::mouseEventWithType(kit::EventType::LeftMouseDown, base, 0, kit::Clock::now(), window), canvas);
    };
    // In the page's left margin, level with the header: no item is hit there.
    press(20, 50);
    EXPECT_TRUE(view->isEditing());
    EXPECT_EQ(document->activeTextItem(), frame.get());
    view->endEditingIfNeeded();
    press(20, 300);
    EXPECT_TRUE(view->isEditing());
    EXPECT_EQ(document->activeTextItem(), main);
}

// A miniaturised document window shows the word processor's document
// picture from the resources, the one for unsaved changes once the text was
// typed into.
TEST_F(WordProcessorTest, AMiniaturisedWindowShowsTheDocumentPictureOfItsState)
{
    kit::Image* plain = delegate_->miniwindowImage();
    kit::Image* edited = delegate_->miniwindowImageH();
    ASSERT_TRUE(plain && edited);
    auto samples = [](const kit::Image* image) {
        auto* rep = image ? dynamic_cast<const kit::BitmapImageRep*>(image->bestRepresentationForDevice()) : nullptr;
        return rep ? rep->TIFFRepresentation(kit::TIFFCompression::None) : std::string();
    };
    for (kit::Image* image : {plain, edited})
        EXPECT_EQ(image->size(), kit::makeSize(48, 48));
    EXPECT_NE(samples(plain), samples(edited));
    // Read once and kept.
    EXPECT_EQ(delegate_->miniwindowImage(), plain);

    ScrivlyDocument* document = newDocument();
    ASSERT_TRUE(document && document->mainView());
    auto* canvas = dynamic_cast<CanvasView*>(document->mainView());
    kit::Window* window = document->mainView()->window();
    ASSERT_TRUE(canvas && window);
    ASSERT_FALSE(document->isEdited());
    window->miniaturize();
    EXPECT_EQ(samples(window->miniwindowImage()), samples(plain));

    document->mainView()->endEditingIfNeeded();
    ASSERT_TRUE(document->keyDown(key(u"\x1b"), canvas));
    ASSERT_TRUE(document->keyDown(key(u"a"), canvas));
    ASSERT_TRUE(document->isEdited());
    window->miniaturize();
    EXPECT_EQ(samples(window->miniwindowImage()), samples(edited));
}

// File > New's main text is typed in the body font; the copies on the pages
// that overflow and page insertion add go on in that one flow.
TEST_F(WordProcessorTest, TheMainTextHasTheBodyFontOnEveryPage)
{
    ScrivlyDocument* document = newDocument();
    kit::Font* body = document->preferences()->bodyFont();
    ASSERT_NE(body, nullptr);
    TextFlow* flow = document->mainTextItemForPage(document->pageAt(0))->flow();
    ASSERT_NE(flow, nullptr);
    EXPECT_EQ(flow->firstParagraph()->font(), body);
    ASSERT_NE(flow->charStyle(), nullptr);
    EXPECT_EQ(flow->charStyle()->font(), body);

    std::string words;
    for (int i = 0; i < 1200; ++i)
        words += "word ";
    typeText(*document, words);
    ASSERT_GE(document->numPages(), 2);
    ASSERT_TRUE(document->addPages(1, 0));
    ASSERT_TRUE(document->addPages(1, document->numPages()));
    for (int p = 0; p < document->numPages(); ++p) {
        TextItem* main = document->mainTextItemForPage(document->pageAt(p));
        ASSERT_NE(main, nullptr) << p;
        EXPECT_EQ(main->flow(), flow) << p;
    }
}
