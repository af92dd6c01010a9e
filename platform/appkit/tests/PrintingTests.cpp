// Printing a view: the hooks in order, the document a printer gets (written
// to a file and rendered by Ghostscript, or taken by a private CUPS server),
// and the truth about failures.

#include "appkit/Button.h"
#include "appkit/PopUpButton.h"
#include "appkit/PrintOperation.h"
#include "appkit/PrintPanel.h"
#include "appkit/RunLoop.h"
#include "appkit/TextField.h"
#include "appkit/View.h"
#include "core/FileManager.h"
#include "graphics/DrawContext.h"
#include "graphics/PostScriptContext.h"
#include "AppKitTesting.h"
#include "PrivateCups.h"

#include <gtest/gtest.h>

#include <cups/cups.h>

#include <QImage>
#include <QString>

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace printtest;

std::size_t countOf(const std::string& text, const std::string& what)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

// Three pages of a US letter each, stacked in a flipped view; page n has a
// black square whose distance from the top-left corner grows with n.
class ThreePageView : public kit::View {
public:
    ThreePageView() : kit::View(kit::makeRect(0, 0, 612, 3 * 792)) {}
    bool isFlipped() const override { return true; }

    bool knowsPagesFirst(int& first, int& last) override
    {
        calls.push_back("knowsPagesFirst");
        first = 1;
        last = 3;
        return true;
    }
    kit::Rect rectForPage(int page) override
    {
        calls.push_back("rectForPage " + std::to_string(page));
        if (page < 1 || page > 3)
            return {};
        return kit::makeRect(0, float(page - 1) * 792, 612, 792);
    }
    void beginPrologueBBox(const kit::Rect& box, const std::string& date, const std::string& by,
                           const std::string& fonts, const std::string& forWhom, int pages,
                           const std::string& title) override
    {
        calls.push_back("beginPrologueBBox " + std::to_string(pages));
        View::beginPrologueBBox(box, date, by, fonts, forWhom, pages, title);
    }
    void endPrologue() override
    {
        calls.push_back("endPrologue");
        kit::DrawContext::current()->sendPostScript("/ThreePageProc {pop} def");
        View::endPrologue();
    }
    void addToPageSetup() override
    {
        calls.push_back("addToPageSetup");
        kit::DrawContext::current()->sendPostScript("% the view's page set-up");
    }
    void drawRect(const kit::Rect& rect) override
    {
        calls.push_back("drawRect");
        const int page = int(kit::minY(rect) / 792) + 1;
        kit::DrawContext* ctx = kit::DrawContext::current();
        ctx->setgray(0);
        // 100 points down and right per page, 50 points square.
        ctx->rectfill(float(page * 100), kit::minY(rect) + float(page * 100), 50, 50);
    }
    void endPage() override
    {
        calls.push_back("endPage");
        kit::DrawContext::current()->sendPostScript("% the view's page clean-up");
        View::endPage();
    }

    std::vector<std::string> calls;
};

std::shared_ptr<kit::PrintInfo> toFile(const fs::path& path)
{
    auto info = std::make_shared<kit::PrintInfo>();
    info->setSavePath(path.string());
    return info;
}

TEST(PrintOperation, ThreePagesToAFileInHookOrderRenderedByGhostscript)
{
    TempFolder folder;
    ThreePageView view;
    const fs::path out = folder.path() / "three.ps";
    auto op = kit::PrintOperation::printOperationWithView(view, toFile(out));
    op->setJobTitle("Three pages");
    ASSERT_TRUE(op->runOperation()) << op->lastError();
    EXPECT_EQ(op->pageCount(), 3);

    EXPECT_EQ(view.calls, (std::vector<std::string>{
                              "knowsPagesFirst", "beginPrologueBBox 3", "endPrologue",
                              "rectForPage 1", "addToPageSetup", "drawRect", "endPage",
                              "rectForPage 2", "addToPageSetup", "drawRect", "endPage",
                              "rectForPage 3", "addToPageSetup", "drawRect", "endPage"}));

    const std::string ps = readFile(out);
    EXPECT_EQ(ps, op->postScript());
    EXPECT_NE(ps.find("%%Pages: 3\n"), std::string::npos);
    EXPECT_NE(ps.find("%%Title: Three pages\n"), std::string::npos);
    EXPECT_NE(ps.find("%%BeginFeature: *PageSize Letter\n<</PageSize [612 792]>> setpagedevice"), std::string::npos);
    for (int n = 1; n <= 3; ++n)
        EXPECT_NE(ps.find("%%Page: " + std::to_string(n) + " " + std::to_string(n) + "\n"), std::string::npos) << n;
    EXPECT_EQ(countOf(ps, "% the view's page set-up"), 3u);
    EXPECT_EQ(countOf(ps, "% the view's page clean-up"), 3u);
    // The view's set-up text sits in the page set-up section.
    const auto setup = ps.find("%%BeginPageSetup"), added = ps.find("% the view's page set-up"),
               endSetup = ps.find("%%EndPageSetup");
    EXPECT_LT(setup, added);
    EXPECT_LT(added, endSetup);
    EXPECT_LT(ps.find("/ThreePageProc"), ps.find("%%EndProlog"));

    const std::string command = "gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=pnggray -r72 -sOutputFile='" +
                                (folder.path() / "p%d.png").string() + "' '" + out.string() + "' > '" +
                                (folder.path() / "gs.log").string() + "' 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << readFile(folder.path() / "gs.log");
    for (int n = 1; n <= 3; ++n) {
        QImage page(QString::fromStdString((folder.path() / ("p" + std::to_string(n) + ".png")).string()));
        ASSERT_FALSE(page.isNull()) << n;
        EXPECT_EQ(page.width(), 612);
        EXPECT_EQ(page.height(), 792);
        // The square of page n, from the top-left corner (the view is flipped).
        const int at = n * 100 + 25;
        EXPECT_EQ(qGray(page.pixel(at, at)), 0) << n;
        EXPECT_EQ(qGray(page.pixel(at + 100, at + 100)), 255) << n;
        EXPECT_EQ(qGray(page.pixel(at - 100, at - 100)), 255) << n;
    }
    EXPECT_FALSE(fs::exists(folder.path() / "p4.png"));
}

TEST(PrintOperation, PageRangesReverseOrderAndAnEmptyRectangleEndThePrint)
{
    TempFolder folder;
    ThreePageView view;
    auto info = toFile(folder.path() / "range.ps");
    info->setPageRange(2, 9);
    info->setReversePageOrder(true);
    auto op = kit::PrintOperation::printOperationWithView(view, info);
    ASSERT_TRUE(op->runOperation()) << op->lastError();
    EXPECT_EQ(op->pageCount(), 2);
    const std::string& ps = op->postScript();
    EXPECT_NE(ps.find("%%Pages: 2\n"), std::string::npos);
    EXPECT_LT(ps.find("%%Page: 3 1\n"), ps.find("%%Page: 2 2\n"));

    // A range outside the document prints nothing and says so.
    info->setPageRange(5, 6);
    EXPECT_FALSE(op->runOperation());
    EXPECT_FALSE(op->lastError().empty());
}

TEST(PrintOperation, ThePageIsCentredOnThePaperAndScaledByWhoeverSaysSo)
{
    // A view that scales its pages itself: the operation leaves the scale alone.
    struct SelfScaling : ThreePageView {
        bool scalesPrintedPages() const override { return true; }
    };
    struct Case {
        const char* what;
        bool selfScaling;
        bool centred;
        std::string translation; // in the page set-up, before the view's; empty: none
        bool operationScales;
    } cases[] = {
        {"centred, scaled by the operation", false, true, "153 306 translate\n", true},
        {"centred, the view scales", true, true, "0 108 translate\n", false},
        {"at the corner", false, false, "", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ThreePageView plain;
        SelfScaling scaling;
        ThreePageView& view = c.selfScaling ? scaling : plain;
        TempFolder folder;
        auto info = toFile(folder.path() / "centred.ps");
        info->setPaperSize(kit::makeSize(612, 1008));
        info->setScalingFactor(0.5);
        info->setHorizontallyCentered(c.centred);
        info->setVerticallyCentered(c.centred);
        auto op = kit::PrintOperation::printOperationWithView(view, info);
        op->setShowPanels(false);
        ASSERT_TRUE(op->runOperation()) << op->lastError();
        const std::string& ps = op->postScript();
        const auto setup = ps.find("%%BeginPageSetup"), viewSetup = ps.find("% the view's page set-up");
        ASSERT_NE(setup, std::string::npos);
        const std::string before = ps.substr(setup, viewSetup - setup);
        if (c.translation.empty())
            EXPECT_EQ(before.find("translate"), std::string::npos) << before;
        else
            EXPECT_NE(before.find(c.translation), std::string::npos) << before;
        EXPECT_EQ(ps.find("0.5 0.5 sc\n") != std::string::npos, c.operationScales);
    }
}

TEST(PrintOperation, EPSOfARectangleGoesNowhere)
{
    ThreePageView view;
    auto op = kit::PrintOperation::EPSOperationWithView(view, kit::makeRect(100, 100, 80, 60));
    ASSERT_TRUE(op->runOperation()) << op->lastError();
    EXPECT_TRUE(op->isEPSOperation());
    const std::string& eps = op->postScript();
    EXPECT_EQ(eps.rfind("%!PS-Adobe-3.0 EPSF-3.0\n", 0), 0u);
    EXPECT_NE(eps.find("%%BoundingBox: 0 0 80 60\n"), std::string::npos);
    EXPECT_EQ(eps.find("showpage"), std::string::npos);
}

TEST(PrintOperation, ACancelledPanelPrintsNothing)
{
    TempFolder folder;
    ThreePageView view;
    const fs::path out = folder.path() / "cancelled.ps";
    int shown = 0;
    kit::PrintOperation::setPanelRunner([&](kit::PrintOperation&) { return ++shown, false; });
    auto op = kit::PrintOperation::printOperationWithView(view, toFile(out));
    EXPECT_FALSE(op->runOperation());
    EXPECT_EQ(shown, 1);
    EXPECT_TRUE(op->lastError().empty());
    EXPECT_TRUE(view.calls.empty());
    EXPECT_FALSE(fs::exists(out));
    // Without panels the runner is not asked.
    op->setShowPanels(false);
    EXPECT_TRUE(op->runOperation());
    EXPECT_EQ(shown, 1);
    kit::PrintOperation::setPanelRunner(nullptr);
}

TEST(PrintOperation, AFullDiskFailsThePrintAndLeavesNothingUnderTheName)
{
    TempFolder folder;
    const fs::path out = folder.path() / "full.ps";
    for (bool existing : {false, true}) {
        if (existing) {
            std::ofstream(out) << "the old file";
        }
        pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            // The disk fills after 1 KB; a write past it fails with EFBIG.
            ::signal(SIGXFSZ, SIG_IGN);
            struct rlimit limit = {1024, 1024};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            ThreePageView view;
            auto op = kit::PrintOperation::printOperationWithView(view, toFile(out));
            const bool ok = op->runOperation();
            const bool said = op->lastError().find("File too large") != std::string::npos;
            ::_exit(ok ? 0 : said ? 1 : 2);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 1) << "1: failed and said why";
        if (existing)
            EXPECT_EQ(readFile(out), "the old file");
        else
            EXPECT_FALSE(fs::exists(out));
        // No temporary file stays behind either.
        std::size_t files = 0;
        for (const auto& entry : fs::directory_iterator(folder.path()))
            files += entry.path() != out;
        EXPECT_EQ(files, 0u);
    }
}

TEST_F(PrivateCups, TheQueueReceivesThePostScriptWeWrote)
{
    ThreePageView view;
    auto info = std::make_shared<kit::PrintInfo>();
    info->setPrinterName("ScrivlyTest");
    info->setCopies(2);
    auto op = kit::PrintOperation::printOperationWithView(view, info);
    op->setJobTitle("Through CUPS");
    ASSERT_TRUE(op->runOperation()) << op->lastError();
    ASSERT_GT(op->result().jobId, 0);
    EXPECT_EQ(jobAttribute(op->result().jobId, "job-name"), "Through CUPS");
    EXPECT_EQ(jobAttribute(op->result().jobId, "copies"), "2");

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    std::string received;
    while (std::chrono::steady_clock::now() < deadline) {
        received = readFile(output);
        if (received.size() >= op->postScript().size())
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_EQ(received, op->postScript()) << readFile(root / "log/error_log").substr(0, 4000);
}

TEST_F(PrivateCups, ARefusedJobIsAFailure)
{
    ThreePageView view;
    auto info = std::make_shared<kit::PrintInfo>();
    info->setPrinterName("NoSuchPrinter");
    auto op = kit::PrintOperation::printOperationWithView(view, info);
    EXPECT_FALSE(op->runOperation());
    EXPECT_NE(op->lastError().find("NoSuchPrinter"), std::string::npos) << op->lastError();
    EXPECT_FALSE(op->result().ok);

    // The print system's destinations: only ours.
    EXPECT_EQ(kit::PrintJob::destinations(), (std::vector<std::string>{"ScrivlyTest"}));
}

// The print panel offers the print system's destinations, and what the
// user chooses there (a printer, copies) is what the job carries.
TEST_F(PrivateCups, ThePrintPanelSendsTheChosenPrinterAndCopies)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    kit::Application& app = kit::Application::sharedApplication();
    kit::Clock::useVirtualClock(0.0);
    app.resetForTesting();
    kit::PrintPanel::install();
    std::vector<std::string> offered;
    auto timer = kit::Timer::timerWithTimeInterval(0.2, [&](kit::Timer&) {
        kit::PrintPanel& panel = *kit::PrintPanel::sharedPrintPanel();
        offered = panel.printerPopUp()->itemTitles();
        panel.printerPopUp()->selectItemWithTitle("ScrivlyTest");
        panel.copiesField()->setStringValue("3");
        panel.printButton()->performClick();
    }, false);
    kit::RunLoop::currentRunLoop().addTimer(timer, kit::ModalPanelRunLoopMode);

    ThreePageView view;
    TempFolder folder;
    // The settings say "a file"; the panel's choice sends it to the printer.
    auto op = kit::PrintOperation::printOperationWithView(view, toFile(folder.path() / "not-this.ps"));
    op->setJobTitle("Chosen in the panel");
    const bool printed = op->runOperation();
    kit::PrintOperation::setPanelRunner(nullptr);
    app.resetForTesting();
    kit::Clock::useRealClock();
    ASSERT_TRUE(printed) << op->lastError();
    EXPECT_EQ(offered, (std::vector<std::string>{"ScrivlyTest", kit::PrintPanel::SaveToFileTitle}));
    EXPECT_FALSE(fs::exists(folder.path() / "not-this.ps"));
    ASSERT_GT(op->result().jobId, 0);
    EXPECT_EQ(jobAttribute(op->result().jobId, "copies"), "3");
    EXPECT_EQ(op->printInfo().printerName(), "ScrivlyTest");
    EXPECT_EQ(op->printInfo().jobDisposition(), kit::PrintSpoolJob);
}

TEST(PrintJob, AServerThatIsNotThereIsAFailure)
{
    setenv("CUPS_SERVER", ("127.0.0.1:" + std::to_string(freePort())).c_str(), 1);
    auto result = kit::PrintJob::sendToPrinter("%!PS\nshowpage\n", "Anything", 1, "t");
    unsetenv("CUPS_SERVER");
    cupsSetServer(nullptr);
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.error.empty());
}

} // namespace
