#include "appkit/SavePanel.h"

#include "appkit/Application.h"
#include "appkit/FilePanelHandler.h"
#include "appkit/View.h"
#include "appkit/WindowScreen.h"
#include "core/FileManager.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>

#include <algorithm>
#include <cctype>

namespace kit {

namespace {

std::string lowered(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

QStringList filtersFor(const std::vector<std::string>& types)
{
    if (types.empty())
        return {QStringLiteral("All files (*)")};
    QStringList patterns;
    for (const std::string& t : types)
        patterns << QString::fromStdString("*." + t);
    return {QStringLiteral("Documents (%1)").arg(patterns.join(' '))};
}

} // namespace

SavePanel::SavePanel() : Panel(makeRect(0, 0, 1, 1), TitledWindowMask | ClosableWindowMask)
{
    setTitle("Save");
}

SavePanel::~SavePanel() = default;

SavePanel* SavePanel::savePanel()
{
    static auto* shared = new SavePanel;
    return shared;
}

void SavePanel::setRequiredFileType(const std::string& type)
{
    std::string t = type;
    while (!t.empty() && t.front() == '.')
        t.erase(t.begin());
    requiredFileType_ = t;
    if (!dialog_ || isOpenPanel())
        return;
    // The running dialog follows: its filter, and the name being typed.
    updateDialogFilters();
    QStringList selected = dialog_->selectedFiles();
    if (!selected.isEmpty() && !t.empty()) {
        QString name = QFileInfo(selected.front()).fileName();
        if (!name.isEmpty()) {
            QString base = QFileInfo(name).completeBaseName();
            dialog_->selectFile(base + "." + QString::fromStdString(t));
        }
    }
}

std::unique_ptr<View> SavePanel::setAccessoryView(std::unique_ptr<View> view)
{
    std::unique_ptr<View> old;
    if (accessoryView_)
        old = accessoryView_->removeFromSuperview();
    accessoryView_ = nullptr;
    if (view) {
        Size size = view->frame().size;
        view->setFrameOrigin({0, 0});
        setContentSize({std::max(size.width, 1.0f), std::max(size.height, 1.0f)});
        accessoryView_ = contentView()->addSubview(std::move(view));
    } else {
        setContentSize({1, 1});
    }
    return old;
}

void SavePanel::updateDialogFilters()
{
    if (!dialog_)
        return;
    dialog_->setNameFilters(filtersFor(allowedFileTypes()));
    if (!isOpenPanel())
        dialog_->setDefaultSuffix(QString::fromStdString(requiredFileType_));
}

std::vector<std::string> SavePanel::allowedFileTypes() const
{
    if (requiredFileType_.empty())
        return {};
    return {requiredFileType_};
}

int SavePanel::runModal()
{
    return runModalForDirectory(std::string(), std::string());
}

int SavePanel::runModalForDirectory(const std::string& path, const std::string& name)
{
    return runWithTypes(path, name, {});
}

int SavePanel::runWithTypes(const std::string& path, const std::string& name, const std::vector<std::string>& types)
{
    if (running_)
        return FileHandlingPanelCancelButton;
    if (!path.empty())
        directory_ = path;
    name_ = name;
    types_ = types;
    filenames_.clear();
    running_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{running_};
    int code = filePanelHandler().runFilePanel(*this);
    if (code != FileHandlingPanelOKButton || filenames_.empty()) {
        filenames_.clear();
        return FileHandlingPanelCancelButton;
    }
    return FileHandlingPanelOKButton;
}

bool SavePanel::choose(const std::vector<std::string>& paths)
{
    filenames_.clear();
    std::vector<std::string> types;
    for (const std::string& t : allowedFileTypes())
        types.push_back(lowered(t));
    for (std::string p : paths) {
        if (p.empty())
            continue;
        if (p.front() != '/') {
            std::string base = directory_.empty() ? FileManager::currentDirectoryPath() : directory_;
            p = FileManager::stringByAppendingPathComponent(base, p);
        }
        if (!isOpenPanel()) {
            if (FileManager::lastPathComponent(p).empty())
                continue;
            if (!requiredFileType_.empty() && lowered(FileManager::pathExtension(p)) != lowered(requiredFileType_))
                p += "." + requiredFileType_;
        } else if (!types.empty()) {
            bool isFolder = false;
            FileManager::fileExistsAtPath(p, &isFolder);
            bool typeOk = std::find(types.begin(), types.end(), lowered(FileManager::pathExtension(p))) != types.end();
            if (!(typeOk || (isFolder && canChooseDirectories())))
                continue;
        }
        filenames_.push_back(p);
        if (!allowsMultipleSelection())
            break;
    }
    if (!filenames_.empty())
        directory_ = FileManager::stringByDeletingLastPathComponent(filenames_.front());
    return !filenames_.empty();
}

std::unique_ptr<detail::WindowScreen> SavePanel::makeScreen()
{
    if (!dialog_)
        return nullptr;
    // The accessory view's window lies inside the dialog, under its list.
    std::unique_ptr<detail::WindowScreen> screen = detail::WindowScreen::create(*this, dialog_);
    if (screen) {
        if (auto* grid = qobject_cast<QGridLayout*>(dialog_->layout()))
            grid->addWidget(screen->widget(), grid->rowCount(), 0, 1, std::max(1, grid->columnCount()));
        screen->widget()->setVisible(accessoryView_ != nullptr);
    }
    return screen;
}

int SavePanel::runPanelWindowModally()
{
    if (!dialog_)
        return FileHandlingPanelCancelButton;
    dialog_->setWindowModality(Qt::ApplicationModal);
    dialog_->show();
    int code = Application::sharedApplication().runModalForWindow(this);
    orderOut(nullptr);
    // The screen side lives in the dialog, which goes after this run.
    dropScreen();
    return code == FileHandlingPanelOKButton ? FileHandlingPanelOKButton : FileHandlingPanelCancelButton;
}

} // namespace kit
