#include "document/Document.h"

#include "appkit/Panel.h"
#include "appkit/SavePanel.h"
#include "appkit/View.h"
#include "core/Alert.h"
#include "core/FileManager.h"
#include "core/ProcessInfo.h"
#include "document/DocumentDelegate.h"
#include "document/LayoutDocument.h"
#include "foundation/Preferences.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace {

bool keepsBackups()
{
    const Preferences* preferences = documentPreferences();
    return preferences && preferences->autoBackupOnSave();
}

std::string preferredSaveFolder()
{
    const Preferences* preferences = documentPreferences();
    if (preferences && preferences->loadSaveDir() && !preferences->loadSaveDir()->empty())
        return *preferences->loadSaveDir();
    return {};
}

// "_CRASH" before the last dot of the name, then the document's own
// extension: the copy holds the document's own stored form, whatever format
// its file was kept in ("mine.rtf" gives "mine_CRASH.lvb" in the page
// layout program). "-2", "-3"... follow "_CRASH" while such a file exists.
std::string crashName(const std::string& folder, const std::string& name, const std::string& extension)
{
    const auto dot = name.find_last_of('.');
    const std::string stem = dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
    std::string tail = extension.empty() ? std::string() : "." + extension;
    if (extension.empty() && dot != std::string::npos && dot != 0)
        tail = name.substr(dot);
    for (int n = 1;; ++n) {
        const std::string candidate = kit::FileManager::stringByAppendingPathComponent(
            folder, stem + "_CRASH" + (n > 1 ? "-" + std::to_string(n) : std::string()) + tail);
        if (!kit::FileManager::fileAttributesAtPath(candidate, false))
            return candidate;
    }
}

// The same file, whether it exists yet or not.
bool sameFile(const std::string& a, const std::string& b)
{
    const auto canonical = [](const std::string& path) {
        std::error_code error;
        std::filesystem::path result = std::filesystem::weakly_canonical(path, error);
        return error ? std::filesystem::path(path).lexically_normal() : result;
    };
    if (canonical(a) == canonical(b))
        return true;
    std::error_code error;
    return std::filesystem::equivalent(a, b, error) && !error;
}

} // namespace

Document::Document() : filename_(documentString("Untitled")) { setFilename(filename_); }

Document::~Document() = default;

void Document::setFilename(const std::string& name)
{
    filename_ = name;
    const std::string untitled = documentString("Untitled");
    named_ = !name.empty() && !(name.size() >= untitled.size() && name.compare(0, untitled.size(), untitled) == 0);
}

void Document::addCustomColor(const std::string& name)
{
    if (std::find(docCustomColors_.rbegin(), docCustomColors_.rend(), name) == docCustomColors_.rend())
        docCustomColors_.push_back(name);
}

std::string Document::customColorAt(int index) const
{
    return index >= 0 && std::size_t(index) < docCustomColors_.size() ? docCustomColors_[std::size_t(index)]
                                                                        : std::string();
}

void Document::emptyDocument()
{
    filename_.clear();
    named_ = false;
    fileFormat_.clear();
    destroyCustomColors();
}

Document* Document::close(kit::Object*) { return this; }

Document* Document::emergencyClose(kit::Object*) { return this; }

bool Document::documentDidImport(kit::Object*) { return false; }

bool Document::saveFile(const std::string&, bool) { return false; }

bool Document::saveFile(const std::string& path) { return saveFile(path, keepsBackups()); }

bool Document::writeToPath(const std::string&) { return false; }

bool Document::documentWillSave(const std::string& path)
{
    filenameSavingIn_ = path;
    return true;
}

void Document::documentDidSave(const std::string&) { filenameSavingIn_.clear(); }

bool Document::doSave(kit::Object*, const std::string& filename, bool backup)
{
    if (!documentWillSave(filename))
        return false;
    if (!saveFile(filename, backup))
        return false;
    documentDidSave(filename);
    return true;
}

bool Document::save(kit::Object* sender)
{
    saveFlag_ = SaveModeSave;
    if (named_)
        return doSave(sender, filename_, keepsBackups());
    return saveAs(sender);
}

namespace {

// The accessory panel's content view, lent to the save panel while it runs.
struct LentAccessory {
    explicit LentAccessory(kit::Panel* panel) : panel(panel)
    {
        if (panel)
            view = panel->setContentView(nullptr);
    }
    ~LentAccessory()
    {
        if (panel && view)
            panel->setContentView(std::move(view));
    }
    kit::Panel* panel;
    std::unique_ptr<kit::View> view;
};

} // namespace

bool Document::saveAs(kit::Object* sender)
{
    saveFlag_ = SaveModeSave;
    DocumentDelegate* delegate = documentDelegate();
    LentAccessory accessory(delegate ? delegate->saveAsAccessoryPanel() : nullptr);
    return runSavePanel(sender, accessory.view, documentExtension(), false);
}

bool Document::saveAsTemplate(kit::Object* sender)
{
    saveFlag_ = SaveModeTemplate;
    const bool wasTemplate = template_;
    setTemplate(true);
    DocumentDelegate* delegate = documentDelegate();
    LentAccessory accessory(delegate ? delegate->saveAsTemplateAccessoryPanel() : nullptr);
    const bool saved = runSavePanel(sender, accessory.view, templateExtension(), true);
    // A cancelled or failed save leaves the document what it was.
    if (!saved)
        setTemplate(wasTemplate);
    return saved;
}

bool Document::runSavePanel(kit::Object* sender, std::unique_ptr<kit::View>& accessoryView,
                            const std::string& extension, bool isTemplate)
{
    kit::SavePanel* panel = kit::SavePanel::savePanel();
    std::unique_ptr<kit::View> previous = panel->setAccessoryView(std::move(accessoryView));
    struct GiveBack {
        kit::SavePanel* panel;
        std::unique_ptr<kit::View>& view;
        std::unique_ptr<kit::View> previous;
        ~GiveBack() { view = panel->setAccessoryView(std::move(previous)); }
    } giveBack{panel, accessoryView, std::move(previous)};

    std::string folder;
    std::string name;
    if (named_) {
        folder = kit::FileManager::stringByDeletingLastPathComponent(filename_);
        name = kit::FileManager::lastPathComponent(filename_);
    } else {
        folder = preferredSaveFolder();
    }
    if (isTemplate) {
        if (!createTemplateDir(folder)) {
            const Preferences* preferences = documentPreferences();
            const std::string templates = preferences && preferences->templateDir() &&
                                                  !preferences->templateDir()->empty()
                                              ? *preferences->templateDir()
                                              : kit::ProcessInfo::homeDirectory();
            const std::string title = documentString("TemplateBadDir");
            kit::runAlertPanel(title, title, "", "", "", {templates});
            return false;
        }
        if (!name.empty())
            name = kit::FileManager::stringByDeletingPathExtension(name) + "." + templateExtension();
    }
    panel->setRequiredFileType(extension);
    if (panel->runModalForDirectory(folder, name) != kit::FileHandlingPanelOKButton)
        return false;
    const std::string chosen = panel->filename();
    if (!closeOtherDocumentOn(sender, chosen))
        return false;
    return doSave(sender, chosen, keepsBackups());
}

bool Document::closeOtherDocumentOn(kit::Object* sender, const std::string& path)
{
    DocumentDelegate* delegate = documentDelegate();
    if (!delegate || path.empty())
        return true;
    for (LayoutDocument* other : delegate->documents()) {
        if (other == this || !other->named() || !sameFile(other->filename(), path))
            continue;
        const int answer = kit::runAlertPanel(documentString("Save"), documentString("SaveOverOpen"),
                                              documentString("Cancel"), documentString("CloseAndSave"), "",
                                              {kit::FileManager::lastPathComponent(path)});
        // Closing asks about the other document's own changes; a close the
        // user refuses keeps both documents as they were.
        return answer == kit::AlertAlternateReturn && other->close(sender) == nullptr;
    }
    return true;
}

bool Document::createTemplateDir(const std::string&)
{
    const Preferences* preferences = documentPreferences();
    std::string folder = preferences && preferences->templateDir() ? *preferences->templateDir() : std::string();
    if (folder.empty())
        folder = kit::ProcessInfo::homeDirectory();
    if (kit::FileManager::fileExistsAtPath(folder))
        return true;
    return kit::FileManager::createDirectoryAtPath(folder, false);
}

bool Document::fileKnowsObjectLinks(const std::string& path) const
{
    const std::string extension = kit::FileManager::pathExtension(path);
    return extension == documentExtension() || extension == templateExtension();
}

bool Document::shouldClose()
{
    if (!edited_)
        return true;
    const int answer =
        kit::runAlertPanel(documentString("Save"), documentString("SaveChanges"), documentString("SaveButtonYES"),
                           documentString("SaveButtonNO"), documentString("Cancel"),
                           {kit::FileManager::lastPathComponent(filename_)});
    if (answer == kit::AlertDefaultReturn)
        return save(this);
    return answer == kit::AlertAlternateReturn;
}

std::string Document::crashPath() const
{
    if (named_)
        return crashName(kit::FileManager::stringByDeletingLastPathComponent(filename_),
                         kit::FileManager::lastPathComponent(filename_), documentExtension());
    std::string folder = preferredSaveFolder();
    if (folder.empty())
        folder = kit::ProcessInfo::homeDirectory();
    std::string name = kit::FileManager::lastPathComponent(filename_);
    if (name.empty())
        name = documentString("Untitled");
    return crashName(folder, name, documentExtension());
}

bool Document::crashAs(kit::Object*)
{
    const std::string path = crashPath();
    setFilename(path);
    std::fprintf(stderr, "Crash saving: %s ... ", path.c_str());
    std::fflush(stderr);
    if (writeToPath(path)) {
        std::fprintf(stderr, "done.\n");
        return true;
    }
    std::fprintf(stderr, "canceled.");
    std::fflush(stderr);
    emergencyClose(this);
    return false;
}
