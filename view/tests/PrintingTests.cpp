// Printing a document from its page view: the whole document, a range or a
// list of pages, into a PostScript file that Ghostscript renders or to a
// private CUPS server; the paper check, the page set-up PostScript, crop
// marks, the scale read back from the print panel, and failures that are
// reported as failures.

#include "EditingTestSupport.h"

#include "appkit/Box.h"
#include "appkit/Button.h"
#include "appkit/Panel.h"
#include "appkit/PopUpButton.h"
#include "appkit/PrintOperation.h"
#include "appkit/PrintPanel.h"
#include "appkit/RunLoop.h"
#include "appkit/TextField.h"
#include "core/Bundle.h"
#include "appkit/Clock.h"
#include "core/Color.h"
#include "core/Exception.h"
#include "graphics/PostScriptContext.h"
#include "graphics/PrintInfo.h"
#include "graphics/tests/WysiwygSupport.h"
#include "items/ItemBox.h"
#include "platform/appkit/tests/PrivateCups.h"
#include "view/PrintAccessoryKeys.h"

#include <QImage>
#include <QString>

#include <filesystem>
#include <fstream>
#include <functional>

namespace {

namespace fs = std::filesystem;

std::size_t countOf(const std::string& text, const std::string& what)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

// Where page n's marker box stands on its page (page coordinates, from the
// top left): one box per page, moved right by the page number.
kit::Rect markerOf(int n) { return kit::makeRect(float(20 + 60 * (n - 1)), 400, 40, 40); }

// Dark pixels in the rectangle of the image (72 dpi, rows from the top).
int inkIn(const QImage& image, const kit::Rect& r)
{
    int dark = 0;
    for (int y = std::max(0, int(r.origin.y)); y < std::min(image.height(), int(kit::maxY(r))); ++y)
        for (int x = std::max(0, int(r.origin.x)); x < std::min(image.width(), int(kit::maxX(r))); ++x)
            if (qGray(image.pixel(x, y)) < 128)
                ++dark;
    return dark;
}

class PrintTest : public EditingTest {
protected:
    void SetUp() override
    {
        EditingTest::SetUp();
        PageView::askAboutPageSize = 1;
        kit::PrintOperation::setPanelRunner(nullptr);
        // A document as a window has it: ready for edits to count.
        document_->setup();
        document_->setPaperSize(kit::makeSize(612, 792));
        document_->setPageScale(1.0f);
        for (int n = 1; n <= 3; ++n)
            addMarker(pages_[std::size_t(n - 1)], n);
        out_ = folder_ + "/printed.ps";
    }
    void TearDown() override
    {
        kit::PrintOperation::setPanelRunner(nullptr);
        PageView::askAboutPageSize = 1;
        EditingTest::TearDown();
    }

    static void addMarker(Page* page, int n)
    {
        auto box = std::make_shared<ItemBox>();
        box->setFrame(markerOf(n), false);
        box->setHasFill(true);
        box->setFillColor(kit::Color::blackColor());
        page->addItems(box, false);
    }

    // Pages up to the count, each with its marker.
    void growTo(int count)
    {
        while (document_->numPages() < count) {
            auto page = std::make_unique<Page>();
            page->setSize(kit::makeSize(612, 792));
            Page* added = document_->addPage(std::move(page));
            pages_.push_back(added);
            addMarker(added, document_->numPages());
        }
        document_->calcPageRectsFor(1);
    }

    kit::PrintInfo& settings()
    {
        if (!document_->printSettings())
            document_->setPrintSettings(std::make_shared<kit::PrintInfo>());
        return *document_->printSettings();
    }
    void printToFile() { settings().setSavePath(out_); }

    // The print list of the pages panel, printed with a panel as sender.
    void printList(const std::vector<int>& numbers)
    {
        view_->initializePrintList(int(numbers.size()));
        for (int n : numbers)
            view_->addPageToPrintList(n);
        kit::Panel pagesPanel(kit::makeRect(0, 0, 100, 100));
        view_->printDocument(&pagesPanel);
    }

    // The printed file's pages as Ghostscript renders them (72 dpi).
    std::vector<QImage> render(const std::string& path, int expectedPages)
    {
        std::vector<QImage> images;
        const std::string gs = wysiwyg::findProgram("gs");
        if (gs.empty()) {
            ADD_FAILURE() << "Ghostscript (gs) is not installed";
            return images;
        }
        const std::string command = "'" + gs + "' -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=pnggray -r72 -sOutputFile='" +
                                    folder_ + "/p%d.png' '" + path + "' > '" + folder_ + "/gs.log' 2>&1";
        EXPECT_EQ(std::system(command.c_str()), 0) << printtest::readFile(folder_ + "/gs.log");
        for (int n = 1;; ++n) {
            const std::string png = folder_ + "/p" + std::to_string(n) + ".png";
            if (!fs::exists(png))
                break;
            images.emplace_back(QString::fromStdString(png));
            fs::remove(png);
        }
        EXPECT_EQ(int(images.size()), expectedPages);
        return images;
    }

    // Which page's marker the image shows (0: none, -1: more than one).
    static int markerShown(const QImage& image, float dx = 0, float dy = 0)
    {
        int found = 0;
        for (int n = 1; n <= 9; ++n) {
            const kit::Rect inside = kit::insetRect(kit::offsetRect(markerOf(n), dx, dy), 4, 4);
            if (inkIn(image, inside) > 0)
                found = found ? -1 : n;
        }
        return found;
    }

    // Runs the work while the print panel is up (from a timer of the panel's
    // modal loop), then presses the button.
    void whileThePanelRuns(std::function<void(kit::PrintPanel&)> work, bool print = true)
    {
        kit::PrintPanel::install();
        auto timer = kit::Timer::timerWithTimeInterval(0.2, [work, print](kit::Timer&) {
            kit::PrintPanel& panel = *kit::PrintPanel::sharedPrintPanel();
            work(panel);
            (print ? panel.printButton() : panel.cancelButton())->performClick();
        }, false);
        kit::RunLoop::currentRunLoop().addTimer(timer, kit::ModalPanelRunLoopMode);
    }

    std::string out_;
};

TEST_F(PrintTest, ThreePagesToAFileRenderedByGhostscript)
{
    printToFile();
    view_->printDocument(nullptr);
    ASSERT_TRUE(view_->lastPrintSuccessful()) << view_->lastPrintError();
    EXPECT_TRUE(alerts_->shown().empty());

    const std::string ps = printtest::readFile(out_);
    EXPECT_NE(ps.find("%%Pages: 3\n"), std::string::npos);
    for (int n = 1; n <= 3; ++n)
        EXPECT_NE(ps.find("%%Page: " + std::to_string(n) + " " + std::to_string(n) + "\n"), std::string::npos) << n;
    EXPECT_EQ(countOf(ps, "%%BeginPageSetup"), 3u);
    EXPECT_EQ(countOf(ps, "%% BEGIN Layvane page setup\n"), 3u);
    EXPECT_EQ(countOf(ps, "%% BEGIN Layvane page cleanup\n"), 3u);
    EXPECT_EQ(countOf(ps, "/QK_startmatrix matrix currentmatrix def"), 3u);
    // The prologue resource, before the prologue ends, defines what the
    // pages use.
    const auto setbleed = ps.find("/setbleed");
    ASSERT_NE(setbleed, std::string::npos);
    EXPECT_LT(setbleed, ps.find("%%EndProlog"));
    EXPECT_EQ(ps.find("LAYVANE_MISSING_FILE_ERROR\n"), std::string::npos) << "no resource is missing";

    const std::vector<QImage> pages = render(out_, 3);
    for (std::size_t i = 0; i < pages.size(); ++i)
        EXPECT_EQ(markerShown(pages[i]), int(i + 1)) << "printed page " << i + 1;
    // The display layout is back.
    EXPECT_EQ(document_->numDisplayedPages(), 3);
}

TEST_F(PrintTest, APageListPrintsItsPagesInItsOrder)
{
    growTo(9);
    printToFile();
    struct Case {
        std::vector<int> list;
        std::vector<int> printed; // the markers of the printed pages, in order
    } cases[] = {
        {{2}, {2}},
        {{5, 2, 9}, {5, 2, 9}},
        // Numbers no page has (a page deleted since) print nothing.
        {{2, 12, 0, -4, 3}, {2, 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.list));
        printList(c.list);
        ASSERT_TRUE(view_->lastPrintSuccessful()) << view_->lastPrintError();
        const std::string ps = printtest::readFile(out_);
        EXPECT_NE(ps.find("%%Pages: " + std::to_string(c.printed.size()) + "\n"), std::string::npos);
        const std::vector<QImage> pages = render(out_, int(c.printed.size()));
        for (std::size_t i = 0; i < pages.size() && i < c.printed.size(); ++i)
            EXPECT_EQ(markerShown(pages[i]), c.printed[i]) << "printed page " << i + 1;
    }

    // The print operation is told the list's range from the first page.
    view_->initializePrintList(3);
    for (int n : {5, 2, 9})
        view_->addPageToPrintList(n);
    int first = 0, last = 0;
    EXPECT_TRUE(view_->knowsPagesFirst(first, last));
    EXPECT_EQ(first, 1);
    EXPECT_EQ(last, 3);

    // A print from the menu afterwards prints the whole document.
    view_->printDocument(nullptr);
    ASSERT_TRUE(view_->lastPrintSuccessful()) << view_->lastPrintError();
    EXPECT_EQ(view_->printListCount(), 0);
    EXPECT_NE(printtest::readFile(out_).find("%%Pages: 9\n"), std::string::npos);
}

TEST_F(PrintTest, ThePrintListGrowsFromAnyCapacity)
{
    for (int capacity : {0, 1, 2}) {
        view_->initializePrintList(capacity);
        for (int n : {3, 0, 1, 2, 3, 1})
            view_->addPageToPrintList(n);
        EXPECT_EQ(view_->printList(), (std::vector<int>{3, 1, 2, 3, 1})) << capacity;
    }
    view_->freePrintListIfPossible();
    EXPECT_EQ(view_->printListCount(), 0);
    // Without a list the document's pages are asked for by number.
    document_->setFirstPageNum(5);
    document_->calcPageRectsFor(1);
    int first = 0, last = 0;
    EXPECT_TRUE(view_->knowsPagesFirst(first, last));
    EXPECT_EQ(first, 5);
    EXPECT_EQ(last, 7);
    EXPECT_EQ(view_->rectForPage(6), document_->pageRectAt(1));
    EXPECT_TRUE(kit::isEmptyRect(view_->rectForPage(4)));
    EXPECT_TRUE(kit::isEmptyRect(view_->rectForPage(8)));
}

TEST_F(PrintTest, ThePaperCheckAsksWhenTheScaledPageDoesNotFit)
{
    printToFile();
    struct Case {
        const char* what;
        kit::Size paper;
        float scale;
        std::vector<int> answers; // the alert's answers, one per print
        int alerts;               // alerts shown over the prints
        std::vector<bool> printed;
    } cases[] = {
        {"fits", {612, 1008}, 1.0f, {}, 0, {true}},
        {"fits when scaled", {595, 842}, 0.5f, {}, 0, {true}},
        {"print anyway asks again", {595, 842}, 1.0f, {kit::AlertDefaultReturn, kit::AlertDefaultReturn}, 2,
         {true, true}},
        {"cancel", {595, 842}, 1.0f, {kit::AlertAlternateReturn}, 1, {false}},
        {"OK Forever asks no more", {595, 842}, 1.0f, {kit::AlertOtherReturn}, 1, {true, true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PageView::askAboutPageSize = 1;
        alerts_->reset();
        for (int a : c.answers)
            alerts_->pushAnswer(a);
        document_->setPaperSize(c.paper);
        document_->setPageScale(c.scale);
        for (bool expected : c.printed) {
            fs::remove(out_);
            view_->printDocument(nullptr);
            EXPECT_EQ(view_->lastPrintSuccessful(), expected);
            EXPECT_EQ(fs::exists(out_), expected);
        }
        ASSERT_EQ(int(alerts_->shown().size()), c.alerts);
        for (const auto& shown : alerts_->shown()) {
            EXPECT_EQ(shown.title, delegate_->valueForStringKey("Print"));
            EXPECT_EQ(shown.message, delegate_->valueForStringKey("PaperTooSmall"));
            EXPECT_EQ(shown.defaultButton, delegate_->valueForStringKey("Print Anyway"));
            EXPECT_EQ(shown.alternateButton, delegate_->valueForStringKey("Cancel"));
            EXPECT_EQ(shown.otherButton, delegate_->valueForStringKey("OK Forever"));
        }
    }
    EXPECT_EQ(PageView::askAboutPageSize, 0);
}

TEST_F(PrintTest, PageSetUpScalesAboutThePageCentreOnTheMiddleOfThePaper)
{
    printToFile();
    document_->setPaperSize(kit::makeSize(612, 1008));
    document_->setPageScale(0.5f);
    view_->printDocument(nullptr);
    ASSERT_TRUE(view_->lastPrintSuccessful()) << view_->lastPrintError();
    const std::string ps = printtest::readFile(out_);
    EXPECT_NE(ps.find("%% BEGIN Layvane page setup\n 306 396 translate\n 0.5 0.5 scale\n -306 -396 translate\n"
                      " gsave\n  0 -108 translate\n  /QK_startmatrix matrix currentmatrix def\n grestore\n"
                      " false setbleed\n%% END Layvane page setup\n"),
              std::string::npos)
        << ps.substr(ps.find("%%BeginPageSetup"), 600);
    EXPECT_NE(ps.find("%% BEGIN Layvane page cleanup\ngsave\n initclip %% guarantee that crops aren't clipped\n"
                      " QK_startmatrix setmatrix %% crops in right place\n 0 108 translate\n"),
              std::string::npos);

    // The page is centred on the paper (108 points above and below) and
    // drawn at half its size about its centre: a marker's corner at
    // (x, y) from the page's top left lands at 153 + x / 2, 108 + 198 + y / 2.
    const std::vector<QImage> pages = render(out_, 3);
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_EQ(pages[0].width(), 612);
    EXPECT_EQ(pages[0].height(), 1008);
    for (int n = 1; n <= 3; ++n) {
        const kit::Rect m = markerOf(n);
        const kit::Rect expected = kit::makeRect(153 + m.origin.x / 2, 306 + m.origin.y / 2, 20, 20);
        EXPECT_EQ(inkIn(pages[std::size_t(n - 1)], kit::insetRect(expected, 2, 2)), 16 * 16) << n;
        // Nothing where the unscaled marker would be.
        EXPECT_EQ(inkIn(pages[std::size_t(n - 1)], kit::insetRect(kit::offsetRect(m, 0, 108), 2, 2)), 0) << n;
    }

    settings().setValue(PrintBleedKey, 1);
    view_->printDocument(nullptr);
    EXPECT_NE(printtest::readFile(out_).find(" true setbleed\n"), std::string::npos);
}

TEST_F(PrintTest, CropMarksLieOutsideThePagesTrimBox)
{
    printToFile();
    // Room around the page: 90 points each side, 108 above and below.
    document_->setPaperSize(kit::makeSize(792, 1008));
    const kit::Rect trim = kit::makeRect(90, 108, 612, 792); // from the sheet's top left
    for (bool marks : {false, true}) {
        SCOPED_TRACE(marks ? "with crop marks" : "without");
        settings().setValue(PrintCropMarksKey, marks ? 1 : 0);
        view_->printDocument(nullptr);
        ASSERT_TRUE(view_->lastPrintSuccessful()) << view_->lastPrintError();
        const std::vector<QImage> pages = render(out_, 3);
        ASSERT_EQ(pages.size(), 3u);
        const QImage& page = pages[0];
        // Each corner: marks along both edges, beyond the trim box.
        for (float x : {kit::minX(trim), kit::maxX(trim)})
            for (float y : {kit::minY(trim), kit::maxY(trim)}) {
                const float out = x == kit::minX(trim) ? -1 : 1, down = y == kit::minY(trim) ? -1 : 1;
                const kit::Rect horizontal = kit::makeRect(out < 0 ? x - 30 : x + 2, y - 2, 28, 4);
                const kit::Rect vertical = kit::makeRect(x - 2, down < 0 ? y - 30 : y + 2, 4, 28);
                EXPECT_EQ(inkIn(page, horizontal) > 0, marks) << x << " " << y;
                EXPECT_EQ(inkIn(page, vertical) > 0, marks) << x << " " << y;
            }
        // Nothing of them inside the trim box: there only the marker shows.
        EXPECT_EQ(inkIn(page, kit::makeRect(trim.origin.x, trim.origin.y, 612, 300)), 0);
        EXPECT_EQ(markerShown(page, trim.origin.x, trim.origin.y), 1);
    }
}

TEST_F(PrintTest, TheScaleChosenInThePanelIsStoredInTheDocument)
{
    printToFile();
    struct Case {
        const char* typed;
        float scale;
        bool edited;
    } cases[] = {
        {"100", 1.0f, false},
        {"50", 0.5f, true},
        {"50", 0.5f, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        document_->setEdited(false);
        whileThePanelRuns([&](kit::PrintPanel& panel) { panel.scaleField()->setStringValue(c.typed); });
        view_->printDocument(nullptr);
        EXPECT_TRUE(view_->lastPrintSuccessful()) << view_->lastPrintError();
        EXPECT_FLOAT_EQ(document_->pageScale(), c.scale);
        EXPECT_EQ(document_->isEdited(), c.edited);
    }
    // A scale that is not a finite positive number is refused (the panel
    // beeps and stays), then the panel is cancelled: nothing prints, nothing
    // is said, the document keeps its scale.
    for (const char* typed : {"0", "-50", "nan", "inf", "1e400", "abc", ""}) {
        SCOPED_TRACE(typed);
        fs::remove(out_);
        alerts_->reset();
        document_->setEdited(false);
        bool refused = false;
        whileThePanelRuns(
            [&](kit::PrintPanel& panel) {
                panel.scaleField()->setStringValue(typed);
                panel.printButton()->performClick();
                refused = alerts_->beeps() == 1;
            },
            false);
        view_->printDocument(nullptr);
        EXPECT_TRUE(refused);
        EXPECT_FALSE(view_->lastPrintSuccessful());
        EXPECT_TRUE(alerts_->shown().empty());
        EXPECT_FALSE(fs::exists(out_));
        EXPECT_FLOAT_EQ(document_->pageScale(), 0.5f);
        EXPECT_FALSE(document_->isEdited());
    }
}

TEST_F(PrintTest, APageListPrintThroughThePanelLocksTheRangeFields)
{
    printToFile();
    kit::PrintPanel& panel = *kit::PrintPanel::sharedPrintPanel();
    const std::string title = panel.pagesBox()->title();
    bool editable = true, allEnabled = true;
    std::string shownTitle;
    whileThePanelRuns([&](kit::PrintPanel& p) {
        editable = p.fromField()->isEditable() || p.toField()->isEditable();
        allEnabled = p.allPagesSwitch()->isEnabled();
        shownTitle = p.pagesBox()->title();
    });
    printList({3});
    ASSERT_TRUE(view_->lastPrintSuccessful()) << view_->lastPrintError();
    EXPECT_FALSE(editable);
    EXPECT_FALSE(allEnabled);
    EXPECT_EQ(shownTitle, delegate_->valueForStringKey("SelectedPagesOnly"));
    // Put back afterwards.
    EXPECT_TRUE(panel.fromField()->isEditable());
    EXPECT_TRUE(panel.toField()->isEditable());
    EXPECT_TRUE(panel.allPagesSwitch()->isEnabled());
    EXPECT_EQ(panel.pagesBox()->title(), title);
    const std::vector<QImage> pages = render(out_, 1);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(markerShown(pages[0]), 3);

    // A range chosen in the panel prints from the menu.
    whileThePanelRuns([](kit::PrintPanel& p) {
        p.allPagesSwitch()->setState(0);
        p.fromField()->setStringValue("2");
        p.toField()->setStringValue("3");
    });
    view_->printDocument(nullptr);
    ASSERT_TRUE(view_->lastPrintSuccessful()) << view_->lastPrintError();
    const std::vector<QImage> range = render(out_, 2);
    ASSERT_EQ(range.size(), 2u);
    EXPECT_EQ(markerShown(range[0]), 2);
    EXPECT_EQ(markerShown(range[1]), 3);
}

TEST_F(PrintTest, FailuresAreReportedAndLeaveNothingUnderTheName)
{
    // Collapsed pages show how the display layout comes back on every way out.
    pages_[1]->setCollapsed(true);
    pages_[2]->setCollapsed(true);
    document_->calcPageRectsFor(1);
    ASSERT_EQ(document_->numDisplayedPages(), 2);

    struct Case {
        const char* what;
        std::function<void()> arrange;
        bool alert;
    } cases[] = {
        {"a folder that is not there", [this] { settings().setSavePath(folder_ + "/no/such/folder/out.ps"); }, true},
        {"a printer that is not there",
         [this] {
             setenv("CUPS_SERVER", ("127.0.0.1:" + std::to_string(printtest::freePort())).c_str(), 1);
             settings().setPrinterName("NoSuchPrinter");
             settings().setJobDisposition(kit::PrintSpoolJob);
         },
         true},
        {"the panel cancelled",
         [this] {
             printToFile();
             whileThePanelRuns([](kit::PrintPanel&) {}, false);
         },
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        alerts_->reset();
        fs::remove(out_);
        c.arrange();
        view_->printDocument(nullptr);
        unsetenv("CUPS_SERVER");
        EXPECT_FALSE(view_->lastPrintSuccessful());
        EXPECT_EQ(view_->lastPrintError().empty(), !c.alert);
        ASSERT_EQ(alerts_->shown().size(), c.alert ? 1u : 0u);
        if (c.alert) {
            EXPECT_EQ(alerts_->shown()[0].title, delegate_->valueForStringKey("Print"));
            EXPECT_NE(alerts_->shown()[0].message.find(view_->lastPrintError()), std::string::npos);
        }
        EXPECT_FALSE(fs::exists(out_));
        EXPECT_FALSE(fs::exists(folder_ + "/no"));
        EXPECT_EQ(document_->numDisplayedPages(), 2);
    }

    // An exception out of the print (here from its panel) leaves the pages
    // in their display layout too.
    printToFile();
    kit::PrintOperation::setPanelRunner([](kit::PrintOperation&) -> bool {
        throw kit::Exception("PanelBroke", "the panel could not be shown");
    });
    EXPECT_THROW(view_->printDocument(nullptr), kit::Exception);
    kit::PrintOperation::setPanelRunner(nullptr);
    EXPECT_FALSE(view_->lastPrintSuccessful());
    EXPECT_EQ(document_->numDisplayedPages(), 2);

    // Printing without panels (mail merge) learns the outcome without an alert.
    alerts_->reset();
    settings().setSavePath(folder_ + "/no/such/folder/out.ps");
    view_->setSuppressPrintPanel(true);
    view_->printDocument(nullptr);
    EXPECT_FALSE(view_->lastPrintSuccessful());
    EXPECT_TRUE(alerts_->shown().empty());
    printToFile();
    view_->printDocument(nullptr);
    EXPECT_TRUE(view_->lastPrintSuccessful()) << view_->lastPrintError();
    EXPECT_EQ(document_->numDisplayedPages(), 2);
}

TEST_F(PrintTest, AMissingResourceWritesItsErrorLineAndPrintingGoesOn)
{
    kit::PostScriptContext ps;
    ps.beginDocument({});
    kit::DrawContext::Scope scope(ps);
    EXPECT_EQ(view_->sendPrintFile("no-such-resource"), nullptr);
    EXPECT_EQ(view_->sendPrintFile("preprint"), view_);
    ps.beginPage("1", 1, kit::makeRect(0, 0, 612, 792));
    ps.endPage();
    ps.endDocument();
    const std::string& out = ps.output();
    EXPECT_NE(out.find("(no-such-resource) LAYVANE_MISSING_FILE_ERROR\n"), std::string::npos);
    const std::string preprint =
        printtest::readFile(kit::Bundle::pathForResource("preprint", "ps"));
    ASSERT_FALSE(preprint.empty());
    EXPECT_NE(out.find(preprint), std::string::npos) << "sent unchanged";
}

TEST_F(PrintTest, PrintingClearsThePlateAndSeparatesNothing)
{
    printToFile();
    view_->printDocument(nullptr);
    EXPECT_TRUE(view_->lastPrintSuccessful());
    EXPECT_EQ(view_->colorPlate(), "");
    EXPECT_EQ(view_->plateCode(), 0);
    EXPECT_FALSE(view_->isSeparating());
    EXPECT_FALSE(view_->isPreviewing());
}

// The print panel in a real window on an X display, used through the X
// server (xdotool): the user types a scale into it and presses Return.
// ctest runs it under Xvfb; without a display it is skipped.
// SCRIVLY_LIVE_WINDOW_DUMP keeps the panel's picture (xwd) for a person.
class LiveWindowPrint : public PrintTest {
protected:
    void SetUp() override
    {
        const char* platform = std::getenv("QT_QPA_PLATFORM");
        if (!std::getenv("DISPLAY") || (platform && std::string(platform) != "xcb"))
            GTEST_SKIP() << "needs an X display (QT_QPA_PLATFORM=xcb)";
        xdotool_ = wysiwyg::findProgram("xdotool");
        xwd_ = wysiwyg::findProgram("xwd");
        if (xdotool_.empty() || xwd_.empty())
            GTEST_SKIP() << "needs xdotool and xwd";
        PrintTest::SetUp();
        kit::Clock::useRealClock();
        setUp_ = true;
    }
    void TearDown() override
    {
        if (setUp_)
            PrintTest::TearDown();
    }
    std::string xdotool_, xwd_;
    bool setUp_ = false;
};

TEST_F(LiveWindowPrint, ThePrintPanelTakesWhatIsTypedIntoIt)
{
    printToFile();
    kit::PrintPanel::install();
    kit::PrintPanel& panel = *kit::PrintPanel::sharedPrintPanel();
    // The scale field and the Print button in X coordinates (rows down).
    const kit::Rect field = panel.scaleField()->convertRectToView(panel.scaleField()->bounds(), nullptr);
    const float contentHeight = panel.contentRect().size.height;
    const int fieldX = int(kit::midX(field)), fieldY = int(contentHeight - kit::midY(field));
    const std::string dump = folder_ + "/panel.xwd", done = folder_ + "/done";
    const std::string x = "'" + xdotool_ + "' ";
    const std::string script =
        "id=$(" + x + "search --sync --name '^Print$' | head -1) && " + x + "windowfocus --sync $id && sleep 0.5 && " +
        x + "mousemove --window $id " + std::to_string(fieldX) + " " + std::to_string(fieldY) + " click 1 && " + x +
        "key --delay 40 End BackSpace BackSpace BackSpace && " + x + "type --delay 40 50 && sleep 0.3 && '" + xwd_ +
        "' -silent -id $id -out '" + dump + "' && " + x + "key Return";
    ASSERT_EQ(std::system(("(" + script + "; echo $? > '" + done + "') > '" + folder_ + "/xdotool.log' 2>&1 &").c_str()),
              0);
    // Should the X server never answer, the panel is cancelled.
    auto giveUp = kit::Timer::timerWithTimeInterval(30.0, [](kit::Timer&) { kit::Application::sharedApplication().abortModal(); },
                                                    false);
    kit::RunLoop::currentRunLoop().addTimer(giveUp, kit::ModalPanelRunLoopMode);
    view_->printDocument(nullptr);
    giveUp->invalidate();
    for (int i = 0; i < 100 && !fs::exists(done); ++i)
        usleep(50000);
    EXPECT_EQ(printtest::readFile(done), "0\n") << printtest::readFile(folder_ + "/xdotool.log");
    ASSERT_TRUE(view_->lastPrintSuccessful()) << view_->lastPrintError();
    EXPECT_FLOAT_EQ(document_->pageScale(), 0.5f);
    EXPECT_TRUE(document_->isEdited());
    EXPECT_NE(printtest::readFile(out_).find(" 0.5 0.5 scale\n"), std::string::npos);
    // The X server showed the panel: a picture of its size.
    ASSERT_TRUE(fs::exists(dump));
    EXPECT_GT(fs::file_size(dump), std::uintmax_t(360 * 270 * 3));
    if (const char* keep = std::getenv("SCRIVLY_LIVE_WINDOW_DUMP")) {
        EXPECT_EQ(std::system(("cp '" + dump + "' '" + std::string(keep) + "-print-panel.xwd'").c_str()), 0);
    }
}

// The private CUPS server as a part of a printing test.
struct CupsServer : public printtest::PrivateCups {
    void TestBody() override {}
    using PrivateCups::SetUp;
    using PrivateCups::TearDown;
    using PrivateCups::output;
    using PrivateCups::root;
};

class PrintThroughCups : public PrintTest {
protected:
    void SetUp() override
    {
        PrintTest::SetUp();
        cups_.SetUp(); // skips the test, saying why, when the server cannot start
    }
    void TearDown() override
    {
        cups_.TearDown();
        PrintTest::TearDown();
    }
    CupsServer cups_;
};

TEST_F(PrintThroughCups, TheDocumentArrivesAsThePostScriptWeWrote)
{
    settings().setPrinterName("ScrivlyTest");
    settings().setJobDisposition(kit::PrintSpoolJob);
    view_->printDocument(nullptr);
    ASSERT_TRUE(view_->lastPrintSuccessful()) << view_->lastPrintError();
    EXPECT_TRUE(alerts_->shown().empty());

    // The same document written to a file, for comparison: only the
    // creation date may differ.
    printToFile();
    view_->printDocument(nullptr);
    ASSERT_TRUE(view_->lastPrintSuccessful()) << view_->lastPrintError();
    const std::string wrote = printtest::readFile(out_);

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    std::string received;
    while (std::chrono::steady_clock::now() < deadline) {
        received = printtest::readFile(cups_.output);
        if (received.find("%%EOF\n") != std::string::npos)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    const auto withoutDate = [](std::string s) {
        const auto at = s.find("%%CreationDate:");
        if (at != std::string::npos)
            s.erase(at, s.find('\n', at) - at);
        return s;
    };
    EXPECT_EQ(withoutDate(received), withoutDate(wrote))
        << printtest::readFile(cups_.root / "log/error_log").substr(0, 4000);
    EXPECT_NE(received.find("%%Pages: 3\n"), std::string::npos);
}

} // namespace
