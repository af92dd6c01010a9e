#include "appkit/FilePanelHandler.h"

#include "appkit/Application.h"
#include "appkit/SavePanel.h"

#include <QFileDialog>

namespace kit {

namespace {

// Qt's own file dialog (not the desktop's: the required type must be able
// to change while it runs), run in the application's modal loop so that
// the accessory view's controls work as any other.
class DialogFilePanelHandler : public FilePanelHandler {
public:
    int runFilePanel(SavePanel& panel) override
    {
        Application& app = Application::sharedApplication();
        auto* dialog = new QFileDialog(nullptr, QString::fromStdString(panel.title()));
        dialog->setOption(QFileDialog::DontUseNativeDialog, true);
        bool open = panel.isOpenPanel();
        dialog->setAcceptMode(open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
        if (!open)
            dialog->setFileMode(QFileDialog::AnyFile);
        else if (panel.canChooseDirectories() && !panel.canChooseFiles())
            dialog->setFileMode(QFileDialog::Directory);
        else
            dialog->setFileMode(panel.allowsMultipleSelection() ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
        if (!panel.prompt().empty())
            dialog->setLabelText(QFileDialog::Accept, QString::fromStdString(panel.prompt()));
        if (!panel.directory().empty())
            dialog->setDirectory(QString::fromStdString(panel.directory()));
        panel.setDialog(dialog);
        panel.updateDialogFilters();
        if (!panel.proposedName().empty())
            dialog->selectFile(QString::fromStdString(panel.proposedName()));
        QObject::connect(dialog, &QDialog::finished, [&app](int result) {
            app.stopModalWithCode(result == QDialog::Accepted ? FileHandlingPanelOKButton
                                                              : FileHandlingPanelCancelButton);
        });
        int code = panel.runPanelWindowModally();
        std::vector<std::string> chosen;
        if (code == FileHandlingPanelOKButton)
            for (const QString& f : dialog->selectedFiles())
                chosen.push_back(f.toStdString());
        panel.setDialog(nullptr);
        dialog->hide();
        delete dialog;
        if (code != FileHandlingPanelOKButton || !panel.choose(chosen))
            return FileHandlingPanelCancelButton;
        return FileHandlingPanelOKButton;
    }
};

std::shared_ptr<FilePanelHandler>& current()
{
    static auto* handler = new std::shared_ptr<FilePanelHandler>;
    return *handler;
}

} // namespace

std::shared_ptr<FilePanelHandler> setFilePanelHandler(std::shared_ptr<FilePanelHandler> handler)
{
    std::shared_ptr<FilePanelHandler> previous = current();
    current() = std::move(handler);
    return previous;
}

FilePanelHandler& filePanelHandler()
{
    if (!current())
        current() = std::make_shared<DialogFilePanelHandler>();
    return *current();
}

int ScriptedFilePanelHandler::runFilePanel(SavePanel& panel)
{
    Shown s;
    s.className = panel.className();
    s.title = panel.title();
    s.directory = panel.directory();
    s.name = panel.proposedName();
    s.requiredFileType = panel.requiredFileType();
    s.allowedTypes = panel.allowedFileTypes();
    s.hadAccessoryView = panel.accessoryView() != nullptr;
    s.allowsMultipleSelection = panel.allowsMultipleSelection();
    shown_.push_back(std::move(s));
    if (next_ >= answers_.size())
        return FileHandlingPanelCancelButton;
    Answer& a = answers_[next_++];
    if (a.whileRunning)
        a.whileRunning(panel);
    if (a.code != FileHandlingPanelOKButton || !panel.choose(a.paths))
        return FileHandlingPanelCancelButton;
    return FileHandlingPanelOKButton;
}

} // namespace kit
