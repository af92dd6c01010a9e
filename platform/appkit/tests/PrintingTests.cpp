// Printing a view: the hooks in order, the document a printer gets (written
// to a file and rendered by Ghostscript, or taken by a private CUPS server),
// and the truth about failures.

#include "appkit/PrintOperation.h"
#include "appkit/View.h"
#include "core/FileManager.h"
#include "graphics/DrawContext.h"
#include "graphics/PostScriptContext.h"

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

class TempFolder {
public:
    TempFolder()
    {
        std::string pattern = (fs::temp_directory_path() / "printing-XXXXXX").string();
        if (::mkdtemp(pattern.data()))
            path_ = pattern;
    }
    ~TempFolder()
    {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

std::string readFile(const fs::path& p)
{
    std::ifstream f(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

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

// ---- Through CUPS: a scheduler of the test's own, on its own port, with a
// queue whose device is a file.

int freePort()
{
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
        port = ntohs(addr.sin_port);
    ::close(fd);
    return port;
}

bool accepting(int port)
{
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(std::uint16_t(port));
    bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    ::close(fd);
    return ok;
}

class PrivateCups : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* cupsd = "/usr/sbin/cupsd";
        if (::access(cupsd, X_OK) != 0)
            GTEST_SKIP() << "no CUPS scheduler at " << cupsd << " (tools/deps installs cups-daemon)";
        if (::access("/usr/lib/cups/filter/gziptoany", X_OK) != 0)
            GTEST_SKIP() << "CUPS's pass-through filter gziptoany is missing (tools/deps installs cups-core-drivers)";
        port = freePort();
        root = folder.path();
        for (const char* sub : {"spool", "cache", "state", "log", "ppd"})
            fs::create_directories(root / sub);
        output = root / "received.ps";
        std::ofstream(root / "cupsd.conf") << "Listen 127.0.0.1:" << port << "\n"
                                           << "LogLevel debug\nBrowsing Off\nDefaultAuthType None\nWebInterface No\n"
                                              "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                                              "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n"
                                              "</Policy>\n";
        std::ofstream files(root / "cups-files.conf");
        files << "FileDevice Yes\nServerRoot " << root.string() << "\nRequestRoot " << (root / "spool").string()
              << "\nCacheDir " << (root / "cache").string() << "\nStateDir " << (root / "state").string()
              << "\nTempDir " << (root / "spool").string() << "\nServerBin /usr/lib/cups\nDataDir /usr/share/cups\n"
              << "ErrorLog " << (root / "log/error_log").string() << "\nAccessLog " << (root / "log/access_log").string()
              << "\nPageLog " << (root / "log/page_log").string() << "\n";
        // The scheduler refuses to run its jobs as root.
        if (::geteuid() == 0)
            files << "User lp\nGroup lp\nSystemGroup root\n";
        files.close();
        // A queue with no PPD would be "raw", and CUPS 2.4 sends a raw job to
        // a file device through no program at all, writing nothing. This PPD's
        // one filter, gziptoany, passes PostScript through unchanged.
        std::ofstream(root / "ppd" / "ScrivlyTest.ppd")
            << "*PPD-Adobe: \"4.3\"\n*FormatVersion: \"4.3\"\n*FileVersion: \"1.0\"\n*LanguageVersion: English\n"
               "*LanguageEncoding: ISOLatin1\n*PCFileName: \"SCRIVLY.PPD\"\n*Manufacturer: \"Scrivly\"\n"
               "*Product: \"(Test)\"\n*ModelName: \"Scrivly Test File\"\n*ShortNickName: \"Scrivly Test File\"\n"
               "*NickName: \"Scrivly Test File\"\n*PSVersion: \"(3010.000) 0\"\n*LanguageLevel: \"3\"\n"
               "*ColorDevice: True\n*DefaultColorSpace: RGB\n*FileSystem: False\n*Throughput: \"1\"\n"
               "*cupsFilter: \"application/postscript 0 gziptoany\"\n"
               "*OpenUI *PageSize: PickOne\n*DefaultPageSize: Letter\n*PageSize Letter: \"\"\n*CloseUI: *PageSize\n"
               "*DefaultPageRegion: Letter\n*PageRegion Letter: \"\"\n*DefaultImageableArea: Letter\n"
               "*ImageableArea Letter: \"0 0 612 792\"\n*DefaultPaperDimension: Letter\n"
               "*PaperDimension Letter: \"612 792\"\n";
        std::ofstream(root / "printers.conf") << "<Printer ScrivlyTest>\nDeviceURI file://" << output.string()
                                              << "\nState Idle\nAccepting Yes\nShared No\n</Printer>\n";
        fs::permissions(root, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                  fs::perms::others_read | fs::perms::others_exec);

        const std::string conf = (root / "cupsd.conf").string(), filesConf = (root / "cups-files.conf").string();
        const std::string stderrPath = (root / "log" / "stderr").string();
        pid = ::fork();
        if (pid == 0) {
            FILE* err = std::freopen(stderrPath.c_str(), "w", stderr);
            (void)err;
            ::execl(cupsd, cupsd, "-f", "-c", conf.c_str(), "-s", filesConf.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        if (pid < 0)
            GTEST_SKIP() << "cannot start a process for the CUPS scheduler";
        for (int i = 0; i < 200 && !accepting(port); ++i) {
            int status = 0;
            if (::waitpid(pid, &status, WNOHANG) == pid) {
                pid = -1;
                GTEST_SKIP() << "the CUPS scheduler would not start on this machine: "
                             << readFile(stderrPath) << readFile(root / "log/error_log").substr(0, 2000);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        if (!accepting(port))
            GTEST_SKIP() << "the CUPS scheduler did not listen on port " << port;
        setenv("CUPS_SERVER", ("127.0.0.1:" + std::to_string(port)).c_str(), 1);
    }

    void TearDown() override
    {
        unsetenv("CUPS_SERVER");
        cupsSetServer(nullptr);
        if (pid > 0) {
            ::kill(pid, SIGTERM);
            int status = 0;
            ::waitpid(pid, &status, 0);
        }
    }

    // A job attribute as the scheduler keeps it.
    std::string jobAttribute(int job, const char* name)
    {
        http_t* http = httpConnect2("127.0.0.1", port, nullptr, AF_UNSPEC, HTTP_ENCRYPTION_NEVER, 1, 5000, nullptr);
        if (!http)
            return "no connection";
        ipp_t* request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
        char uri[256];
        std::snprintf(uri, sizeof uri, "ipp://localhost/jobs/%d", job);
        ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri);
        ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
        ipp_t* response = cupsDoRequest(http, request, "/");
        std::string value = "missing";
        if (response) {
            if (ipp_attribute_t* a = ippFindAttribute(response, name, IPP_TAG_ZERO)) {
                char text[256];
                ippAttributeString(a, text, sizeof text);
                value = text;
            }
            ippDelete(response);
        }
        httpClose(http);
        return value;
    }

    TempFolder folder;
    fs::path root, output;
    int port = 0;
    pid_t pid = -1;
};

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
