#pragma once

// A CUPS scheduler of a test's own: its configuration in a temporary
// folder, its own port, a queue "ScrivlyTest" whose device is a file. When
// the scheduler cannot start on the machine the test is skipped and says
// why. CUPS_SERVER points at it while the test runs.

#include <gtest/gtest.h>

#include <cups/cups.h>

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace printtest {

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

inline std::string readFile(const fs::path& p)
{
    std::ifstream f(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

inline int freePort()
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

inline bool accepting(int port)
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


} // namespace printtest
