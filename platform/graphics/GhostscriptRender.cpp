// Rasterising EPS for the screen with Ghostscript. The program, not the
// library: a hostile or broken file can only take down a child process,
// which is stopped after a time limit and kept within a memory limit, and
// the one-instance library never has to be shared between threads.

#include "graphics/EPSImageRep.h"

#include "core/FileManager.h"
#include "graphics/PostScriptContext.h"

#include "core/MainQueue.h"

#include <QBuffer>
#include <QImage>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace kit::detail {

namespace {

std::atomic<unsigned> g_serial{0};

bool writeAll(const std::string& path, const std::string& a, const std::string& b, const std::string& c)
{
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    bool ok = FileManager::writeAllToDescriptor(fd, a) && FileManager::writeAllToDescriptor(fd, b) &&
              FileManager::writeAllToDescriptor(fd, c);
    return ::close(fd) == 0 && ok;
}

// The first line of Ghostscript's complaint.
std::string complaint(const std::string& path)
{
    auto text = FileManager::contentsAtPath(path);
    if (!text)
        return {};
    for (std::string_view key : {"Error:", "Unrecoverable", "error"}) {
        std::size_t at = text->find(key);
        if (at != std::string::npos) {
            std::size_t end = text->find('\n', at);
            return text->substr(at, std::min<std::size_t>(end == std::string::npos ? text->size() - at : end - at, 200));
        }
    }
    return {};
}

} // namespace

void prepareRendering()
{
    static const bool prepared = [] {
        // Reading a PNG once makes the reader's lazily built statics, which
        // exit destroys in the reverse order of their making.
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        QImage(1, 1, QImage::Format_ARGB32).save(&buffer, "PNG");
        (void)QImage::fromData(png, "PNG");
        MainQueue::waitForBackgroundWorkAtExit();
        return true;
    }();
    (void)prepared;
}

EPSRaster renderEPS(const std::string& postscript, const Rect& box, int width, int height, double timeLimit)
{
    EPSRaster result;
    result.width = width;
    result.height = height;
    result.state = EPSRaster::State::Failed;
    if (width <= 0 || height <= 0 || width > 32768 || height > 32768 || !(kit::width(box) > 0) ||
        !(kit::height(box) > 0)) {
        result.error = "nothing to render";
        return result;
    }
    const std::string stem = FileManager::temporaryDirectory() + "/gs-" + std::to_string(::getpid()) + "-" +
                             std::to_string(g_serial.fetch_add(1));
    const std::string in = stem + ".ps", out = stem + ".png", err = stem + ".err";
    struct Cleanup {
        std::string a, b, c;
        ~Cleanup()
        {
            ::unlink(a.c_str());
            ::unlink(b.c_str());
            ::unlink(c.c_str());
        }
    } cleanup{in, out, err};

    // The picture's box fills the page; its showpage does nothing, and what
    // it leaves on the stacks is undone before the page is shown.
    std::string head = "%!PS\n/Sc_eps_s save def\n/Sc_eps_d countdictstack def\n/Sc_eps_o count 1 sub def\n"
                       "userdict begin\n/showpage {} def\n";
    head += postScriptNumber(-minX(box)) + " " + postScriptNumber(-minY(box)) + " translate\n%%BeginDocument: picture\n";
    const std::string tail = "\n%%EndDocument\ncount Sc_eps_o sub {pop} repeat\n"
                             "countdictstack Sc_eps_d sub {end} repeat\nSc_eps_s restore\nshowpage\n";
    if (!writeAll(in, head, postscript, tail)) {
        result.error = "cannot write a temporary file for Ghostscript";
        return result;
    }

    char resolution[64];
    std::snprintf(resolution, sizeof resolution, "-r%.4fx%.4f", 72.0 * width / kit::width(box),
                  72.0 * height / kit::height(box));
    const std::string size = "-g" + std::to_string(width) + "x" + std::to_string(height);
    const std::string output = "-sOutputFile=" + out;
    const char* argv[] = {"gs",
                          "-q",
                          "-dSAFER",
                          "-dBATCH",
                          "-dNOPAUSE",
                          "-dNOPROMPT",
                          "-dFIXEDMEDIA",
                          "-sDEVICE=pngalpha",
                          "-dTextAlphaBits=4",
                          "-dGraphicsAlphaBits=4",
                          "-dUseFastColor",
                          size.c_str(),
                          resolution,
                          output.c_str(),
                          "-f",
                          in.c_str(),
                          nullptr};
    const int errFd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const int nullFd = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    pid_t pid = ::fork();
    if (pid == 0) {
        // Only async-signal-safe calls between fork and exec.
        if (nullFd >= 0) {
            ::dup2(nullFd, 0);
            ::dup2(nullFd, 1);
        }
        if (errFd >= 0)
            ::dup2(errFd, 2);
        struct rlimit limit = {rlim_t(1) << 30, rlim_t(1) << 30};
        ::setrlimit(RLIMIT_AS, &limit);
        ::execvp("gs", const_cast<char* const*>(argv));
        ::_exit(127);
    }
    if (errFd >= 0)
        ::close(errFd);
    if (nullFd >= 0)
        ::close(nullFd);
    if (pid < 0) {
        result.error = "cannot start Ghostscript";
        return result;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeLimit);
    int status = 0;
    auto pause = std::chrono::milliseconds(1);
    for (;;) {
        pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid)
            break;
        if (done < 0 && errno != EINTR) {
            result.error = "lost the Ghostscript process";
            return result;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            result.error = "Ghostscript took too long and was stopped";
            return result;
        }
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(10));
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        if (WIFEXITED(status) && WEXITSTATUS(status) == 127)
            result.error = "Ghostscript (gs) is not installed";
        else
            result.error = "Ghostscript could not render the picture" +
                           [&] { std::string c = complaint(err); return c.empty() ? std::string() : ": " + c; }();
        return result;
    }
    QImage image;
    if (!image.load(QString::fromStdString(out), "PNG") || image.width() != width || image.height() != height) {
        result.error = "Ghostscript's rendering could not be read";
        return result;
    }
    image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    result.argb.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y)
        std::memcpy(result.argb.data() + static_cast<std::size_t>(y) * width, image.constScanLine(y),
                    static_cast<std::size_t>(width) * 4);
    result.state = EPSRaster::State::Ready;
    return result;
}

} // namespace kit::detail
