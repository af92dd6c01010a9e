#pragma once

#include "appkit/Panel.h"

#include <memory>
#include <string>
#include <vector>

class QFileDialog;

namespace kit {

inline constexpr int FileHandlingPanelOKButton = 1;
inline constexpr int FileHandlingPanelCancelButton = 0;

// The save panel: a folder and a file name chosen by the user, over Qt's
// own (not the desktop's) file dialog, so that the required file type can
// change while it runs. An accessory view (owned while it is set) shows
// inside the dialog, in this panel's window: its controls' window() is the
// panel. A name without the required type's extension gets it.
class SavePanel : public Panel {
public:
    SavePanel();
    ~SavePanel() override;

    std::string className() const override { return "NSSavePanel"; }

    // The shared one, made on first use.
    static SavePanel* savePanel();

    const std::string& prompt() const { return prompt_; }
    void setPrompt(const std::string& prompt) { prompt_ = prompt; }
    // Without a leading dot ("syb"); empty for any. While the panel runs,
    // the dialog's filter and the typed name follow at once.
    const std::string& requiredFileType() const { return requiredFileType_; }
    void setRequiredFileType(const std::string& type);
    const std::string& directory() const { return directory_; }
    void setDirectory(const std::string& path) { directory_ = path; }
    // The name proposed when the panel runs.
    const std::string& proposedName() const { return name_; }

    View* accessoryView() const { return accessoryView_; }
    // Puts the view in the panel; the previous one is handed back.
    std::unique_ptr<View> setAccessoryView(std::unique_ptr<View> view);

    // After OK: the path chosen (absolute), and the folder it is in.
    std::string filename() const { return filenames_.empty() ? std::string() : filenames_.front(); }
    const std::vector<std::string>& filenames() const { return filenames_; }

    // Runs in the folder with the name proposed (empty: the last folder and
    // no name); answers 1 for OK, 0 for Cancel.
    int runModalForDirectory(const std::string& path, const std::string& name);
    int runModal();
    bool isRunning() const { return running_; }

    // ---- For the handlers.
    // The types the panel offers (an open panel's types; the required one).
    virtual std::vector<std::string> allowedFileTypes() const;
    virtual bool isOpenPanel() const { return false; }
    virtual bool allowsMultipleSelection() const { return false; }
    virtual bool canChooseDirectories() const { return false; }
    virtual bool canChooseFiles() const { return true; }
    // Takes the chosen paths of an OK answer: made absolute, the required
    // extension added to a save panel's name, an open panel's paths of other
    // types dropped. Answers whether any path is left.
    bool choose(const std::vector<std::string>& paths);
    // The running Qt dialog (nil when none or scripted).
    QFileDialog* dialog() const { return dialog_; }
    void setDialog(QFileDialog* dialog) { dialog_ = dialog; }
    // The dialog's filter (and a save dialog's default suffix) from the types.
    void updateDialogFilters();
    // Shows the accessory view in the panel's window while the dialog runs.
    int runPanelWindowModally();

protected:
    std::unique_ptr<detail::WindowScreen> makeScreen() override;
    int runWithTypes(const std::string& path, const std::string& name, const std::vector<std::string>& types);
    std::vector<std::string> types_;

private:
    std::string prompt_;
    std::string requiredFileType_;
    std::string directory_;
    std::string name_;
    View* accessoryView_ = nullptr;
    std::vector<std::string> filenames_;
    bool running_ = false;
    QFileDialog* dialog_ = nullptr;
};

} // namespace kit
