#pragma once

#include <functional>
#include <string>

namespace kit {

// The desktop the program runs in.
class Workspace {
public:
    static Workspace& sharedWorkspace();

    // Hands an existing regular file (a symbolic link is followed) to the
    // desktop's program for its type, as an argument, never through a
    // shell. Programs, scripts, desktop launchers and files marked
    // executable are never handed over: opening them would run them. False
    // when the file is refused or the desktop cannot open it.
    bool openFile(const std::string& path);
    // Why a path may not be opened; empty when it may.
    static std::string reasonNotToOpen(const std::string& path);

    // Who opens files: the desktop (QDesktopServices, which runs the
    // desktop's opener such as xdg-open) by default; tests put a stand-in.
    using Opener = std::function<bool(const std::string& path)>;
    void setOpener(Opener opener) { opener_ = std::move(opener); }

private:
    Workspace() = default;
    Opener opener_;
};

} // namespace kit
