#pragma once

#include "app/Layvane.h"

#include <memory>

namespace kit {
class Connection;
class PopUpButton;
class View;
}

// The word processor's application delegate.
class Scrivly : public Layvane {
public:
    // The framework's class set-up, then the word processor's factory values.
    static void initialize();

    Scrivly();
    ~Scrivly() override;

    // The main interface file "Scrivly.nib": the delegate, the application's
    // delegate and main menu, the desktop's notices.
    static void registerMainInterface();
    // The name that the program of a user's session serves, and serving it:
    // the files of a later launch open here. Nil when another program
    // serves it already (servedElsewhere is then set). Requests are taken
    // in every loop, inside alerts, modal panels and mouse drags too, and
    // answered at once; the files open when the program is back in its
    // main loop.
    static std::string launchConnectionName() { return "ScrivlyLaunch"; }
    std::unique_ptr<kit::Connection> serveLaunchConnection(bool* servedElsewhere = nullptr);
    // Hands the files named after the program's name to the program that
    // serves the session. A program that is starting, not yet listening,
    // is waited for. Unreachable (with why) when a program runs but did not
    // take them: the files must then not be opened here, where a second
    // program would write them too.
    enum class HandOver { Taken, NoProgram, Unreachable };
    static HandOver handOverToRunningProgram(const std::vector<std::string>& arguments, std::string* why);
    // How long a second launch waits for the running program (seconds).
    static constexpr double HandOverPatience = 30;
    // What the process sets up before anything else: the allocator keeps
    // the memory the program frees for its next use.
    static void prepareProcess();
    // The program: hands the files over, or loads the main interface file,
    // launches and runs the event loop. The exit status: 0, or 1 when the
    // program could not start.
    static int runMain(const std::vector<std::string>& arguments, const std::string& mainInterface);

    std::string className() const override { return "Scrivly"; }
    // New and opened documents are the word processor's.
    std::unique_ptr<LayoutDocument> documentClass() override;
    void documentDidCreate(LayoutDocument* document) override;
    bool prefersAutomaticTextItems() const override { return true; }
    bool startsWithTextTool() const override { return true; }
    bool prefersEmbeddedTabRulers() const override { return true; }
    kit::Image* miniwindowImage() override { return namedImage("ScrivlyDocument"); }
    kit::Image* miniwindowImageH() override { return namedImage("ScrivlyDocumentH"); }
    std::string _apiConnectionName() const override { return "ScrivlyRemoteControl"; }
    std::string templateDir() const override { return "Library/Scrivly/Templates"; }
    // Every file: the document decides by the extension.
    std::vector<std::string> openTypes() override { return {}; }

    // Opening a file: the flag that tells the import it runs.
    LayoutDocument* openFile(const std::string& path, bool display) override;


    // ---- Save To: a copy of the main document in a format the pop-up of
    // the save panel's accessory names; the document keeps its own name.
    // Fills the pop-up; answers its number of items.
    int setupSaveToAccessory();
    // The pop-up's choice becomes the save panel's required type.
    void setSaveToType(kit::Object* popup);
    std::string saveToType() const;
    kit::PopUpButton* saveToAccessoryPopup() const { return saveToAccessoryPopup_; }
    // "rtf" of "Rich Text Format (rtf)"; none without a non-empty
    // parenthesis at the end.
    static std::optional<std::string> extensionForPBoardType(const std::string& type);
    bool saveTo(kit::Object* sender);
    bool validateMenuItem(kit::MenuItem* item) override;

protected:
    std::unique_ptr<Preferences> makePreferences() override;
    void launchedWithDocuments() override;
    // The preference "SaveFormat" becomes the new document's file format.
    void prepareNewDocument(LayoutDocument& document) override;

private:
    // Opens what later launches handed over (from the main loop).
    void openHandedOverFiles();

    kit::PopUpButton* saveToAccessoryPopup_ = nullptr;
    // Files handed over and not yet opened; an empty list asks for a new
    // document when none is open.
    std::vector<std::vector<std::string>> handedOver_;
    std::unique_ptr<kit::View> saveToAccessoryView_;
};
