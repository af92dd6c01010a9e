// Protecting open documents: saves on a timer, crash copies when the
// process receives a fatal signal, the question about unsaved documents
// before quitting, and the documents of a device being unmounted.

#include "app/Layvane.h"

#include "appkit/FontPanel.h"
#include "appkit/Window.h"
#include "core/Alert.h"
#include "document/LayoutDocument.h"
#include "foundation/Preferences.h"
#include "text/DocumentView.h"
#include "view/PageView.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t cleaningUp = 0;

// How long a crash save may take before the process gives up: code that
// crashed may hold a lock the save needs.
constexpr unsigned CrashSaveSeconds = 30;

// Fatal signals by name, in the order they are installed.
constexpr int FatalSignals[] = {SIGHUP, SIGINT, SIGILL, SIGBUS, SIGSEGV, SIGABRT, SIGFPE};

void writeError(const char* text) { (void)!::write(STDERR_FILENO, text, std::strlen(text)); }

void crashSaveTimedOut(int)
{
    writeError("Cannot save document!\n");
    ::_exit(1);
}

} // namespace

double Layvane::firstAutoSaveDelay(int interval) { return interval > 0 ? interval * 60.0 : 300.0; }

// The interval is in minutes for every save, not only the first one (a
// factor of 6 would save every tenth of the interval).
double Layvane::laterAutoSaveDelay(int interval) { return interval > 0 ? interval * 60.0 : 30.0; }

void Layvane::scheduleAutoSave(double delay)
{
    kit::Receiver::cancelPreviousPerformRequestsWithTarget(this, "autoSaveAll:", nullptr);
    performSelector("autoSaveAll:", nullptr, delay);
}

void Layvane::autoSaveAll(kit::Object* sender)
{
    const int interval = preferences()->autoSaveInterval();
    if (interval > 0) {
        const std::vector<LayoutDocument*> list = documents();
        for (auto it = list.rbegin(); it != list.rend(); ++it) {
            const auto now = documents();
            if (std::find(now.begin(), now.end(), *it) == now.end())
                continue;
            if ((*it)->isEdited() && (*it)->named())
                (*it)->save(sender);
        }
    }
    scheduleAutoSave(laterAutoSaveDelay(interval));
}

int Layvane::hasEditedDocument(const std::vector<LayoutDocument*>& documents)
{
    return int(std::count_if(documents.begin(), documents.end(), [](LayoutDocument* d) { return d->isEdited(); }));
}

bool Layvane::terminateCheck(bool crash)
{
    const int edited = hasEditedDocument(documents());
    if (!crash && mainPageView_)
        mainPageView_->endEditingIfNeeded();
    if (edited == 0)
        return true;
    if (crash) {
        const std::vector<LayoutDocument*> list = documents();
        for (auto it = list.rbegin(); it != list.rend(); ++it)
            if ((*it)->isEdited())
                (*it)->crashAs(this);
        return false;
    }
    const int answer = kit::runAlertPanel(valueForStringKey("Quit"),
                                          valueForStringKey(edited == 1 ? "DirtyDoc" : "DirtyDocs"),
                                          valueForStringKey("Review"), valueForStringKey("QAnyway"),
                                          valueForStringKey("Cancel"), {edited});
    if (answer == kit::AlertAlternateReturn)
        return true;
    if (answer == kit::AlertOtherReturn)
        return false;
    // Review: closes from the last opened; each edited one asks.
    while (!documents_.empty()) {
        const size_t before = documents_.size();
        LayoutDocument* last = documents_.back().get();
        if (last->close(this))
            return false; // refused
        // A close that did not shorten the list leaves documents nobody
        // was asked about: the program must not quit over them.
        if (documents_.size() >= before)
            return false;
    }
    return true;
}

int Layvane::visiblePanelsMask()
{
    int mask = preferences()->visibleMask() & 0x01;
    if (!preferences()->rememberVisiblePanels())
        return mask;
    auto visible = [](kit::Object* panel) {
        auto* window = dynamic_cast<kit::Window*>(panel);
        return window && window->isVisible();
    };
    if (visible(graphicStylesPanel(false)))
        mask |= 0x80;
    if (visible(paragraphStylesPanel(false)))
        mask |= 0x08;
    if (visible(pagesPanel(false)))
        mask |= 0x10;
    if (visible(outlet("inspectorPanel")))
        mask |= 0x04;
    if (kit::FontPanel* fonts = kit::FontPanel::sharedFontPanel(false); fonts && fonts->isVisible())
        mask |= 0x02;
    return mask;
}

bool Layvane::applicationShouldTerminate()
{
    const bool may = terminateCheck(false);
    if (!may)
        return false;
    preferences()->setVisibleMask(visiblePanelsMask());
    // Without this every preference changed in the run is lost.
    preferences()->storeDefaults();
    return true;
}

bool Layvane::appPowerOff()
{
    // The desktop asks for no more time: the session manager waits for the
    // answer.
    return applicationShouldTerminate();
}

void Layvane::appUnmounting(const std::string& devicePathAsked)
{
    std::string device = devicePathAsked;
    while (device.size() > 1 && device.back() == '/')
        device.pop_back();
    if (device.empty())
        return;
    // Whole path components: "/media/usb" holds "/media/usb/a.lvb", not
    // "/media/usb2/a.lvb".
    auto onDevice = [&](const LayoutDocument* document) {
        const std::string& name = document->filename();
        if (!document->named() || name.compare(0, device.size(), device) != 0)
            return false;
        return device == "/" || name.size() == device.size() || name[device.size()] == '/';
    };
    std::vector<LayoutDocument*> list = documents();
    for (auto it = list.rbegin(); it != list.rend(); ++it)
        if (onDevice(*it) && (*it)->isEdited())
            (*it)->save(*it);
    list = documents();
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
        const auto now = documents();
        if (std::find(now.begin(), now.end(), *it) != now.end() && onDevice(*it))
            (*it)->close(nullptr);
    }
}

void Layvane::installSignalHandlers()
{
    // The handler runs on a stack of its own, so that a stack overflow can
    // still save; large, since it saves whole documents.
    static void* stack = nullptr;
    constexpr size_t StackSize = 8u << 20;
    if (!stack) {
        stack = ::mmap(nullptr, StackSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (stack == MAP_FAILED) {
            stack = nullptr;
        } else {
            stack_t alternate{};
            alternate.ss_sp = stack;
            alternate.ss_size = StackSize;
            ::sigaltstack(&alternate, nullptr);
        }
    }
    struct sigaction action {};
    action.sa_handler = &Layvane::segfault_cleanup;
    sigemptyset(&action.sa_mask);
    // A second signal during the crash save reaches the handler, which
    // aborts.
    action.sa_flags = SA_ONSTACK | SA_NODEFER;
    for (int number : FatalSignals)
        ::sigaction(number, &action, nullptr);
}

void Layvane::segfault_cleanup(int number)
{
    if (number != SIGINT) {
        char line[64];
        const int length = std::snprintf(line, sizeof line, "Unexpected signal: %d\n", number);
        if (length > 0)
            (void)!::write(STDERR_FILENO, line, size_t(length));
    }
    if (cleaningUp) {
        writeError("Cannot save document!\n");
        ::signal(SIGABRT, SIG_DFL);
        std::abort();
    }
    if (number == SIGINT)
        return;
    cleaningUp = 1;
    ::signal(SIGALRM, &crashSaveTimedOut);
    ::alarm(CrashSaveSeconds);
    if (auto* delegate = dynamic_cast<Layvane*>(Main))
        delegate->terminateCheck(true);
    ::_exit(1);
}
