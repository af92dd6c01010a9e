#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kit {

class SavePanel;

// Who answers the open and save panels: Qt's file dialog by default (on
// any display, offscreen included); tests install a script.
class FilePanelHandler {
public:
    virtual ~FilePanelHandler() = default;
    // Runs the panel (its title, directory, name, required type, types and
    // accessory view are set): answers 1 for OK, 0 for Cancel, and on OK
    // hands the chosen paths to the panel (SavePanel::choose).
    virtual int runFilePanel(SavePanel& panel) = 0;
};

// Installs a handler (nullptr: Qt's dialog again); answers the previous one.
std::shared_ptr<FilePanelHandler> setFilePanelHandler(std::shared_ptr<FilePanelHandler> handler);
FilePanelHandler& filePanelHandler();

// Answers from a script, remembering what each panel asked.
class ScriptedFilePanelHandler : public FilePanelHandler {
public:
    struct Answer {
        int code = 1;
        std::vector<std::string> paths;
        // Runs while the panel is up, before the answer: the user's work
        // with the accessory view (choosing a type changes the required one).
        std::function<void(SavePanel&)> whileRunning;
    };
    struct Shown {
        std::string className, title, directory, name, requiredFileType;
        std::vector<std::string> allowedTypes;
        bool hadAccessoryView = false;
        bool allowsMultipleSelection = false;
    };

    // Answers given in order; when they run out, Cancel.
    void pushAnswer(Answer answer) { answers_.push_back(std::move(answer)); }
    const std::vector<Shown>& shown() const { return shown_; }

    int runFilePanel(SavePanel& panel) override;

private:
    std::vector<Answer> answers_;
    size_t next_ = 0;
    std::vector<Shown> shown_;
};

} // namespace kit
