// The windows of a document: where a new one goes, its title, more views,
// closing a window or the document.

#include "DocumentTestSupport.h"

#include "appkit/ScrollView.h"
#include "appkit/Window.h"
#include "core/Exception.h"
#include "core/MainQueue.h"
#include "document/Page.h"
#include "view/PageView.h"

namespace {

class Views : public DocumentFileTest {
protected:
    LayoutDocument* listed(int words = 60)
    {
        std::unique_ptr<LayoutDocument> document = makeDocument(words, false);
        LayoutDocument* raw = document.get();
        delegate_->addDocument(std::move(document));
        return raw;
    }

    static kit::Point topLeft(const kit::Window& window)
    {
        const kit::Rect frame = window.frame();
        return kit::makePoint(kit::minX(frame), kit::maxY(frame));
    }
};

TEST_F(Views, NewWindowsCascadeFromThePreferencesFrameByTheNumberOfOpenDocuments)
{
    const kit::Rect screen = kit::Window::mainScreenFrame();
    const kit::Rect preferred = kit::makeRect(200, 100, 300, 250);
    ASSERT_LE(kit::maxX(preferred), kit::maxX(screen));
    ASSERT_LE(kit::maxY(preferred), kit::maxY(screen));
    delegate_->preferences()->setWindowFrame(preferred);
    delegate_->preferences()->setZoom(1.25f);
    struct Case {
        int open;
        float dx, dy;
    };
    // With 1 open 22 right of and 24 below the frame's top left, with 5
    // open 22 left of and 24 below it.
    const Case cases[] = {{0, 0, 0}, {1, 22, -24}, {5, -22, -24}};
    for (const Case& c : cases) {
        while (int(delegate_->documents().size()) < c.open)
            listed();
        std::unique_ptr<LayoutDocument> document = makeDocument(60, false);
        DocumentView* view = document->newView(nullptr, 1);
        ASSERT_NE(view, nullptr);
        kit::Window* window = view->window();
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(topLeft(*window), kit::makePoint(200 + c.dx, 350 + c.dy)) << c.open;
        EXPECT_EQ(window->frame().size, preferred.size) << c.open;
        EXPECT_EQ(view->zoom(), 1.25f);
        EXPECT_TRUE(window->isVisible());
        EXPECT_EQ(window->firstResponder(), dynamic_cast<kit::Responder*>(view));
        EXPECT_EQ(delegate_->mainPageView(), view);
        EXPECT_EQ(window->title(), document->filename() + " * Layvane Document (lvb)");
        EXPECT_EQ(document->views(), std::vector<DocumentView*>{view});
        // The document shows the page asked for.
        EXPECT_EQ(document->activePage(), document->pageAt(0));
        while (!delegate_->documents().empty())
            delegate_->removeDocument(delegate_->documents().back());
    }
}

TEST_F(Views, TheCascadeRunsFiveStepsDownThenStartsAgainAStepLeft)
{
    const kit::Rect frame = kit::makeRect(100, 200, 300, 400);
    struct Case {
        int n;
        kit::Point at;
    };
    const Case cases[] = {{0, {100, 600}}, {1, {122, 576}}, {4, {188, 504}},
                          {5, {78, 576}},  {9, {166, 480}}, {10, {100, 600}}};
    for (const Case& c : cases)
        EXPECT_EQ(getWindowPosition(frame, c.n), c.at) << c.n;
}

TEST_F(Views, AFrameThatDoesNotFitTheScreenGivesWay)
{
    const kit::Rect screen = kit::Window::mainScreenFrame();
    // Off the screen: the window's own frame instead.
    delegate_->preferences()->setWindowFrame(kit::makeRect(screen.size.width + 100, 10, 300, 300));
    std::unique_ptr<LayoutDocument> away = makeDocument(60, false);
    DocumentView* view = away->newView(nullptr, 1);
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(kit::maxX(view->window()->frame()) <= kit::maxX(screen));
    // Taller than the screen less 24 points: cut to that.
    delegate_->preferences()->setWindowFrame(kit::makeRect(0, 0, 300, screen.size.height));
    std::unique_ptr<LayoutDocument> tall = makeDocument(60, false);
    view = tall->newView(nullptr, 1);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->window()->frame().size.height, screen.size.height - 24);
}

TEST_F(Views, AnOpenedDocumentComesBackWhereItWasShown)
{
    std::unique_ptr<LayoutDocument> made = makeDocument(60, false);
    made->setStoredZoom(2.0f);
    made->setStoredWindowFrame(kit::makeRect(40, 30, 350, 380));
    ASSERT_TRUE(made->saveFile(path("placed.lvb"), false));
    LayoutDocument prototype(delegate_->preferences());
    LayoutDocument* opened = prototype.initFromFile(path("placed.lvb"), true);
    ASSERT_NE(opened, nullptr);
    DocumentView* view = opened->views().front();
    EXPECT_EQ(view->window()->frame(), kit::makeRect(40, 30, 350, 380));
    EXPECT_EQ(view->zoom(), 2.0f);
    // Written back from the view while it shows the document.
    std::unique_ptr<LayoutDocument> again = readDocumentData(bytesOf(*opened));
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->storedZoom(), 2.0f);
    EXPECT_EQ(again->storedWindowFrame(), kit::makeRect(40, 30, 350, 380));
}

TEST_F(Views, MoreViewsAreNumberedInTheirTitlesAndClosingOneRelabelsTheOther)
{
    LayoutDocument* document = listed();
    document->setFilename("/docs/Report.lvb");
    DocumentView* first = document->newView(nullptr, 1);
    ASSERT_NE(first, nullptr);
    DocumentView* second = document->newView(first, 1);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->window()->frame().origin.x,
              first->window()->frame().origin.x + LayoutDocument::newViewOffset());
    EXPECT_EQ(second->window()->frame().origin.y,
              first->window()->frame().origin.y - LayoutDocument::newViewOffset());
    EXPECT_GT(LayoutDocument::newViewOffset(), 0.0f);
    const std::string base = "/docs/Report.lvb * Layvane Document (lvb)";
    EXPECT_EQ(first->window()->title(), base + " * " + text("View") + " 1");
    EXPECT_EQ(second->window()->title(), base + " * " + text("View") + " 2");
    // The application's main view when it is one of the document's, else the last.
    EXPECT_EQ(document->mainView(), second);
    delegate_->setMainDocumentView(first);
    EXPECT_EQ(document->mainView(), first);

    // Closing a window of two asks nothing.
    edit(*document);
    second->window()->performClose(nullptr);
    EXPECT_TRUE(second->window()->isClosed());
    EXPECT_TRUE(alerts_->shown().empty());
    EXPECT_EQ(document->views(), std::vector<DocumentView*>{first});
    EXPECT_EQ(first->window()->title(), base);
    EXPECT_EQ(delegate_->documents(), std::vector<LayoutDocument*>{document});
}

TEST_F(Views, ClosingTheLastWindowClosesTheDocumentAfterAskingAboutChanges)
{
    struct Case {
        bool edited;
        int answer;
        bool closes;
    };
    const Case cases[] = {{false, kit::AlertDefaultReturn, true},
                          {true, kit::AlertOtherReturn, false},
                          {true, kit::AlertAlternateReturn, true}};
    for (const Case& c : cases) {
        alerts_->reset();
        delegate_->closed.clear();
        const std::string file = path("last.lvb");
        LayoutDocument* document = savedDocument(file);
        const std::string before = fileBytes(file);
        DocumentView* view = document->newView(nullptr, 1);
        ASSERT_NE(view, nullptr);
        kit::Window* window = view->window();
        if (c.edited)
            edit(*document);
        alerts_->pushAnswer(c.answer);
        window->performClose(nullptr);
        EXPECT_EQ(alerts_->shown().size(), c.edited ? 1u : 0u) << c.answer;
        EXPECT_EQ(window->isClosed(), c.closes) << c.answer;
        EXPECT_EQ(delegate_->documents().empty(), c.closes) << c.answer;
        EXPECT_TRUE(fileBytes(file) == before) << c.answer;
        if (c.closes) {
            EXPECT_EQ(delegate_->closed.size(), 1u);
            EXPECT_EQ(view->document(), nullptr);
            EXPECT_EQ(delegate_->mainPageView(), nullptr);
        } else {
            EXPECT_EQ(view->document(), document);
            EXPECT_TRUE(document->isEdited());
            EXPECT_TRUE(window->isDocumentEdited());
            delegate_->removeDocument(document);
        }
        kit::MainQueue::drain();
    }
}

TEST_F(Views, TheCloseCommandAsksAndClosesEveryWindow)
{
    LayoutDocument* document = listed();
    DocumentView* first = document->newView(nullptr, 1);
    DocumentView* second = document->newView(first, 1);
    ASSERT_TRUE(first && second);
    kit::Window* windows[] = {first->window(), second->window()};
    edit(*document);
    alerts_->pushAnswer(kit::AlertOtherReturn);
    EXPECT_EQ(document->close(nullptr), document);
    EXPECT_FALSE(windows[0]->isClosed());
    EXPECT_TRUE(document->isEdited());

    alerts_->pushAnswer(kit::AlertAlternateReturn);
    EXPECT_EQ(document->close(nullptr), nullptr);
    EXPECT_TRUE(windows[0]->isClosed());
    EXPECT_TRUE(windows[1]->isClosed());
    EXPECT_TRUE(delegate_->documents().empty());
    EXPECT_EQ(delegate_->mainPageView(), nullptr);
    kit::MainQueue::drain();
}

TEST_F(Views, AWindowClosedWhileADocumentIsBeingImportedStays)
{
    LayoutDocument* document = listed();
    DocumentView* view = document->newView(nullptr, 1);
    ASSERT_NE(view, nullptr);
    document->setDispatching(true);
    delegate_->setOpeningFile(true);
    alerts_->pushAnswer(kit::AlertAlternateReturn);
    EXPECT_EQ(document->removeView(view), nullptr);
    EXPECT_TRUE(alerted("CloseDuringLoad"));
    alerts_->pushAnswer(kit::AlertDefaultReturn);
    EXPECT_THROW(document->removeView(view), kit::Exception);
    delegate_->setOpeningFile(false);
    alerts_->reset();
    EXPECT_EQ(document->removeView(view), nullptr);
    EXPECT_TRUE(alerts_->shown().empty());
    document->setDispatching(false);
    EXPECT_EQ(document->views(), std::vector<DocumentView*>{view});
}

TEST_F(Views, AnEmergencyCloseTakesTheWindowsAndTheListPlaceButNotTheDocument)
{
    LayoutDocument* document = listed();
    DocumentView* view = document->newView(nullptr, 1);
    ASSERT_NE(view, nullptr);
    kit::Window* window = view->window();
    edit(*document);
    EXPECT_EQ(document->emergencyClose(nullptr), nullptr);
    EXPECT_TRUE(window->isClosed());
    EXPECT_TRUE(delegate_->documents().empty());
    EXPECT_TRUE(alerts_->shown().empty());
    EXPECT_TRUE(document->isEdited()); // still there to be asked
    kit::MainQueue::drain();
}

TEST_F(Views, ADelayedCloseHappensLaterWithoutAQuestion)
{
    LayoutDocument* document = listed();
    ASSERT_NE(document->newView(nullptr, 1), nullptr);
    edit(*document);
    document->delayedCloseAndFree();
    EXPECT_EQ(delegate_->documents().size(), 1u);
    kit::MainQueue::drain();
    EXPECT_TRUE(delegate_->documents().empty());
    EXPECT_TRUE(alerts_->shown().empty());
}

TEST_F(Views, ADocumentMadeInCodeIsSavedReopenedEditedRevertedAndSavedAgain)
{
    const std::string file = path("whole.lvb");
    std::unique_ptr<LayoutDocument> made = makeDocument(1200);
    const std::string madeText = textOf(*made);
    ASSERT_TRUE(made->saveFile(file, false));
    made.reset();

    LayoutDocument prototype(delegate_->preferences());
    LayoutDocument* opened = prototype.initFromFile(file, true);
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(textOf(*opened), madeText);
    edit(*opened, "changed");
    EXPECT_NE(textOf(*opened), madeText);
    alerts_->pushAnswer(kit::AlertDefaultReturn);
    ASSERT_TRUE(opened->revert(nullptr));
    LayoutDocument* reverted = delegate_->documents().front();
    EXPECT_EQ(textOf(*reverted), madeText);
    edit(*reverted, "kept");
    ASSERT_TRUE(reverted->save(nullptr));
    EXPECT_FALSE(reverted->isEdited());
    std::unique_ptr<LayoutDocument> read = readDocumentData(fileBytes(file));
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(textOf(*read), textOf(*reverted));
    EXPECT_NE(textOf(*read).find("kept"), std::string::npos);
}

} // namespace

namespace {

TEST(ScrollPlaces, AVisibleRectangleOnItsPageAndTheTopOfAPage)
{
    Page page;
    page.setRect(kit::makeRect(50, 900, 612, 792));
    kit::Rect visible = kit::makeRect(80, 1000, 400, 300);
    convertVisibleRectToVisiblePage(&page, &visible);
    EXPECT_EQ(visible, kit::makeRect(30, 100, 400, 300));
    // Centred across the page, its top 5 points above the page's.
    getScrollRectForInitialPageRect(page.pageRect(), &visible);
    EXPECT_EQ(visible, kit::makeRect(50 + (612 - 400) / 2.0f, 895, 400, 300));
}

} // namespace
