#pragma once

#include "appkit/SavePanel.h"

namespace kit {

// The open panel: one or more existing files (or folders) of the given
// types, over Qt's file dialog.
class OpenPanel : public SavePanel {
public:
    OpenPanel();

    std::string className() const override { return "NSOpenPanel"; }

    // The shared one, made on first use.
    static OpenPanel* openPanel();

    void setAllowsMultipleSelection(bool flag) { multiple_ = flag; }
    bool allowsMultipleSelection() const override { return multiple_; }
    void setCanChooseDirectories(bool flag) { directories_ = flag; }
    bool canChooseDirectories() const override { return directories_; }
    void setCanChooseFiles(bool flag) { files_ = flag; }
    bool canChooseFiles() const override { return files_; }

    // Extensions without dots; empty for every file.
    int runModalForTypes(const std::vector<std::string>& types);
    int runModalForDirectory(const std::string& path, const std::string& name, const std::vector<std::string>& types);
    using SavePanel::runModalForDirectory;

    std::vector<std::string> allowedFileTypes() const override { return types_; }
    bool isOpenPanel() const override { return true; }

private:
    bool multiple_ = false;
    bool directories_ = false;
    bool files_ = true;
};

} // namespace kit
