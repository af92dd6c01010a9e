#pragma once

// The root class of documents: its file path and format, whether it is
// edited, named, a template, read-only or imported, the custom colours it
// uses, and the whole conversation of saving (Save, Save As, Save As
// Template, the save panel, the close question, the crash copy). Writing the
// file is the subclass's.

#include "core/Object.h"

#include <memory>
#include <string>
#include <vector>

namespace kit {
class View;
}

class Document : public kit::Object {
public:
    // Save modes of the save in progress.
    static constexpr int SaveModeSave = 0;
    static constexpr int SaveModeTemplate = 1;
    static constexpr int SaveModeSaveTo = 2;

    // The file name is the string table's "Untitled"; no format, not
    // foreign, not read-only.
    Document();
    ~Document() override;

    std::string className() const override { return "Document"; }

    // Extensions of the class's documents and templates ("" here).
    virtual std::string documentExtension() const { return ""; }
    virtual std::string templateExtension() const { return ""; }

    // ---- Fields. An empty file name is none.
    const std::string& filename() const { return filename_; }
    // Keeps the name and recomputes named: a real path, one that does not
    // begin with the text of "Untitled".
    virtual void setFilename(const std::string& name);
    const std::string& fileFormat() const { return fileFormat_; }
    void setFileFormat(const std::string& format) { fileFormat_ = format; }
    // The path being written, from documentWillSave to documentDidSave.
    const std::string& filenameSavingIn() const { return filenameSavingIn_; }
    bool isEdited() const { return edited_; }
    virtual void setEdited(bool flag) { edited_ = flag; }
    bool isTemplate() const { return template_; }
    void setTemplate(bool flag) { template_ = flag; }
    bool isReadOnly() const { return readOnly_; }
    virtual void setReadOnly(bool flag) { readOnly_ = flag; }
    bool isForeign() const { return foreign_; }
    void setForeign(bool flag) { foreign_ = flag; }
    bool named() const { return named_; }
    int saveFlag() const { return saveFlag_; }
    void setSaveFlag(int flag) { saveFlag_ = flag; }
    // Neither edited nor named.
    bool isUnused() const { return !edited_ && !named_; }

    // ---- Custom colour names the document uses (spot colours of its
    // pictures), each once, in the order first met.
    void addCustomColor(const std::string& name);
    // Empty outside the list.
    std::string customColorAt(int index) const;
    int docCustomColorCount() const { return static_cast<int>(docCustomColors_.size()); }
    const std::vector<std::string>& customColors() const { return docCustomColors_; }
    void destroyCustomColors() { docCustomColors_.clear(); }

    // Before the document is filled again: no file name, no file format, no
    // custom colours.
    virtual void emptyDocument();

    // ---- Closing: nothing here (the document stays; answers itself).
    virtual Document* close(kit::Object* sender);
    virtual Document* emergencyClose(kit::Object* sender);
    virtual bool documentDidImport(kit::Object* sender);

    // ---- Saving.
    // Writes the file; nothing here (false).
    virtual bool saveFile(const std::string& path, bool withBackup);
    // With the preference for keeping backups.
    bool saveFile(const std::string& path);
    // Writes the document to the path and nothing else: no questions, no
    // backup, the document's own name and marks untouched. Used for crash
    // copies; nothing here (false).
    virtual bool writeToPath(const std::string& path);
    virtual bool documentWillSave(const std::string& path);
    virtual void documentDidSave(const std::string& path);
    // documentWillSave, saveFile, documentDidSave; false when a step fails.
    bool doSave(kit::Object* sender, const std::string& filename, bool backup);
    // The menu commands: save over the document's own file (an unnamed
    // document goes to Save As), save under a new name, save as a template
    // (a template mark that the save did not keep is taken back).
    bool save(kit::Object* sender);
    virtual bool saveAs(kit::Object* sender);
    bool saveAsTemplate(kit::Object* sender);
    // Runs the save panel with the accessory view (taken while the panel
    // runs and handed back), the required extension, in the document's
    // folder or the preferences' save folder, and saves on OK.
    bool runSavePanel(kit::Object* sender, std::unique_ptr<kit::View>& accessoryView, const std::string& extension,
                      bool isTemplate);
    // Two open documents on one file would each save over the other: when
    // another open document has the file at the path, the user closes it
    // first (true once it is closed) or keeps both as they are (false).
    bool closeOtherDocumentOn(kit::Object* sender, const std::string& path);
    // Makes sure the templates folder (the preferences', else the home
    // folder) exists; the argument is not used.
    bool createTemplateDir(const std::string& directory);
    bool fileKnowsObjectLinks(const std::string& path) const;
    // Asks about unsaved changes: save (answers whether it saved), close
    // without saving (true) or cancel (false).
    virtual bool shouldClose();
    // The copy of an edited document written when the program must stop:
    // "_CRASH" before the extension of the file's name, beside the file (an
    // untitled document in the save folder or the home folder), never over
    // an earlier copy; asks nothing. When the copy cannot be written the
    // document is closed in emergency mode.
    bool crashAs(kit::Object* sender);
    // Where the crash copy of the document goes.
    std::string crashPath() const;

    // The base part of a stored document: file name, format, named and
    // template marks (the layout document stores none of it).
    void encodeWithCoder(kit::Coder& coder) const override;
    kit::Object* initWithCoder(kit::Coder& coder) override;

private:
    int saveFlag_ = SaveModeSave;
    std::string filenameSavingIn_;
    std::string filename_;
    std::string fileFormat_;
    bool edited_ = false;
    bool named_ = false;
    bool template_ = false;
    bool readOnly_ = false;
    std::vector<std::string> docCustomColors_;
    bool foreign_ = false;
};
