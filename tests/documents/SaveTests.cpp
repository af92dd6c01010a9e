// Saving: the save conversation, backups, the date check, failures that
// must leave the user's file as it was, crash copies.

#include "ChildProcess.h"
#include "DocumentTestSupport.h"

#include "appkit/FilePanelHandler.h"
#include "appkit/SavePanel.h"
#include "appkit/Workspace.h"
#include "core/Archiver.h"
#include "core/MainQueue.h"
#include "core/Pasteboard.h"
#include "core/Unarchiver.h"
#include "document/Page.h"
#include "document/Undo.h"
#include "document/UndoInfo.h"
#include "foundation/StyleParagraph.h"
#include "items/ItemBox.h"
#include "items/TextItem.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "view/PageView.h"

#include <functional>

#include <sys/stat.h>
#include <utime.h>

namespace {

using Saving = DocumentFileTest;

ino_t inodeOf(const std::string& file)
{
    struct stat st {};
    return ::stat(file.c_str(), &st) == 0 ? st.st_ino : 0;
}

TEST_F(Saving, OverItsOwnFileTheOldVersionStaysAsABackupOnlyWhenWanted)
{
    for (const bool keep : {true, false}) {
        const std::string file = path(keep ? "kept.lvb" : "dropped.lvb");
        LayoutDocument* document = savedDocument(file);
        const std::string before = fileBytes(file);
        const ino_t oldFile = inodeOf(file);
        edit(*document);
        ASSERT_TRUE(document->saveFile(file, keep)) << keep;
        EXPECT_TRUE(fileBytes(file) == bytesOf(*document)) << keep;
        EXPECT_NE(fileBytes(file), before) << keep;
        EXPECT_EQ(kit::FileManager::fileExistsAtPath(file + "~"), keep) << keep;
        if (keep) {
            // The backup is the old file itself, never renamed away first.
            EXPECT_TRUE(fileBytes(file + "~") == before);
            EXPECT_EQ(inodeOf(file + "~"), oldFile);
        }
        EXPECT_NE(inodeOf(file), oldFile) << keep;
    }
    EXPECT_TRUE(alerts_->shown().empty());
}

TEST_F(Saving, AnotherPathOrAnUntitledDocumentGetsNoBackupAndNoDateCheck)
{
    const std::string mine = path("mine.lvb");
    const std::string other = path("other.lvb");
    LayoutDocument* document = savedDocument(mine);
    kit::FileManager::writeFileAtomically(other, "something else");
    kit::FileManager::writeFileAtomically(other + "~", "an old backup");
    // The own file changed on disk: only a save over it would ask.
    ::utime(mine.c_str(), nullptr);
    document->setLastModifyTime(1.0);
    ASSERT_TRUE(document->saveFile(other, true));
    EXPECT_TRUE(fileBytes(other) == bytesOf(*document));
    EXPECT_EQ(fileBytes(other + "~"), "an old backup");
    EXPECT_EQ(document->filename(), other);
    EXPECT_TRUE(alerts_->shown().empty());

    std::unique_ptr<LayoutDocument> untitled = makeDocument();
    ASSERT_FALSE(untitled->named());
    ASSERT_TRUE(untitled->saveFile(other, true));
    EXPECT_TRUE(fileBytes(other) == bytesOf(*untitled));
    EXPECT_EQ(fileBytes(other + "~"), "an old backup");
    EXPECT_TRUE(untitled->named());
}

TEST_F(Saving, AFileChangedOnDiskSinceItWasReadIsOverwrittenOnlyWhenTheUserSaysSo)
{
    const std::string file = path("shared.lvb");
    LayoutDocument* document = savedDocument(file);
    kit::FileManager::writeFileAtomically(file, "changed by someone else");
    struct utimbuf later {};
    later.actime = later.modtime = std::time(nullptr) + 100;
    ::utime(file.c_str(), &later);

    alerts_->pushAnswer(kit::AlertAlternateReturn);
    EXPECT_FALSE(document->saveFile(file, true));
    EXPECT_EQ(fileBytes(file), "changed by someone else");
    EXPECT_FALSE(kit::FileManager::fileExistsAtPath(file + "~"));
    ASSERT_EQ(alerts_->shown().size(), 1u);
    EXPECT_TRUE(alerted("SaveStaleDate"));

    alerts_->pushAnswer(kit::AlertDefaultReturn);
    EXPECT_TRUE(document->saveFile(file, true));
    EXPECT_TRUE(fileBytes(file) == bytesOf(*document));
    EXPECT_EQ(fileBytes(file + "~"), "changed by someone else");
    // Its own save is not a change by someone else.
    alerts_->reset();
    EXPECT_TRUE(document->saveFile(file, false));
    EXPECT_TRUE(alerts_->shown().empty());
}

TEST_F(Saving, OnADOSVolumeEverySaveOverItsOwnFileAsksAboutTheBackup)
{
    const std::string file = path("dos.lvb");
    LayoutDocument* document = savedDocument(file);
    kit::Workspace::sharedWorkspace().setFileSystemTypeQuery([](const std::string&) { return std::string("DOS"); });
    alerts_->pushAnswer(kit::AlertAlternateReturn);
    EXPECT_FALSE(document->saveFile(file, true));
    EXPECT_TRUE(alerted("SaveNoBackup"));
    alerts_->pushAnswer(kit::AlertDefaultReturn);
    edit(*document);
    EXPECT_TRUE(document->saveFile(file, true));
    EXPECT_TRUE(fileBytes(file) == bytesOf(*document));
    EXPECT_FALSE(kit::FileManager::fileExistsAtPath(file + "~"));
    kit::Workspace::sharedWorkspace().setFileSystemTypeQuery(nullptr);
}

TEST_F(Saving, SaveToWritesACopyAndKeepsTheDocumentsNameAndMark)
{
    const std::string file = path("original.lvb");
    LayoutDocument* document = savedDocument(file);
    edit(*document);
    document->setSaveFlag(Document::SaveModeSaveTo);
    ASSERT_TRUE(document->doSave(nullptr, path("copy.lvb"), true));
    EXPECT_EQ(document->filename(), file);
    EXPECT_TRUE(document->isEdited());
    EXPECT_TRUE(fileBytes(path("copy.lvb")) == bytesOf(*document));
    EXPECT_FALSE(kit::FileManager::fileExistsAtPath(path("copy.lvb~")));
}

// An edit that changes nothing: what counts here is where the stack stands.
class StepRecord : public Undo {
public:
    void undoInDocument(LayoutDocument*) override {}
    void redoInDocument(LayoutDocument*) override {}
};

TEST_F(Saving, UndoAndRedoFindTheDocumentUneditedExactlyWhereItWasLastSavedOrOpened)
{
    const std::string file = path("steps.lvb");
    LayoutDocument* made = savedDocument(file);
    UndoInfo* undo = made->undoInfo();
    undo->push(std::make_unique<StepRecord>());
    ASSERT_TRUE(made->isEdited());
    ASSERT_TRUE(made->save(nullptr));
    EXPECT_FALSE(made->isEdited());
    // Undoing the saved edit leaves the document unlike its file; redoing
    // it comes back to the file.
    ASSERT_TRUE(undo->undo());
    EXPECT_TRUE(made->isEdited());
    ASSERT_TRUE(undo->redo());
    EXPECT_FALSE(made->isEdited());
    // A copy written elsewhere moves nothing.
    undo->push(std::make_unique<StepRecord>());
    made->setSaveFlag(Document::SaveModeSaveTo);
    ASSERT_TRUE(made->doSave(nullptr, path("elsewhere.lvb"), false));
    EXPECT_TRUE(made->isEdited());
    ASSERT_TRUE(undo->undo());
    EXPECT_FALSE(made->isEdited());
    ASSERT_TRUE(undo->undo());
    EXPECT_TRUE(made->isEdited());

    // A document opened from its file is unedited at the bottom of its stack.
    LayoutDocument prototype(delegate_->preferences());
    LayoutDocument* opened = prototype.initFromFile(file, false);
    ASSERT_NE(opened, nullptr);
    ASSERT_FALSE(opened->isEdited());
    opened->undoInfo()->push(std::make_unique<StepRecord>());
    EXPECT_TRUE(opened->isEdited());
    ASSERT_TRUE(opened->undoInfo()->undo());
    EXPECT_FALSE(opened->isEdited());
}

// Typing, deleting text and changing a paragraph put no record on the undo
// stack: once one of them happened, no undo or redo of an item's edit brings
// the document back to its file, and closing it asks about the changes.
TEST_F(Saving, TextEditedSinceTheSaveStaysEditedThroughUndoAndRedoOfItemEdits)
{
    struct Case {
        const char* name;
        bool nudgeBeforeSave;
        std::function<void(TextFlow*, PageView*, TextItem*)> edit;
    };
    const auto typed = [](TextFlow* flow, PageView* view, TextItem* column) {
        for (char c : std::string("typed"))
            flow->processKey(std::uint16_t(c), view, column);
    };
    const auto deleted = [](TextFlow* flow, PageView* view, TextItem* column) {
        flow->processKey(TextParagraph::DeleteBackwardKey, view, column);
    };
    const auto centred = [](TextFlow* flow, PageView*, TextItem* column) {
        std::unique_ptr<StyleParagraph> style = flow->currentParagraph()->paragraphStyle()->copy();
        style->setAlignment(2);
        column->setStylePara(style.get());
    };
    const Case cases[] = {
        {"typed after the save, nudged before it", true, typed},
        {"typed after the save and the nudge", false, typed},
        {"a letter deleted", true, deleted},
        {"a paragraph centred", false, centred},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        alerts_->reset();
        const std::string file = path("typed.lvb");
        LayoutDocument* document = savedDocument(file);
        auto* view = dynamic_cast<PageView*>(document->newView(nullptr, 1));
        ASSERT_NE(view, nullptr);
        auto owned = std::make_shared<ItemBox>();
        ItemBox* box = owned.get();
        box->setFrame(kit::makeRect(100, 100, 50, 50), false);
        document->pageAt(0)->addItems(std::move(owned));
        const auto nudge = [&] {
            view->endEditingIfNeeded();
            document->setSelection({box}, view);
            view->doNudge(1, 0);
        };
        if (c.nudgeBeforeSave)
            nudge();
        ASSERT_TRUE(document->save(nullptr));
        ASSERT_FALSE(document->isEdited());
        if (!c.nudgeBeforeSave)
            nudge();
        TextItem* column = sample::firstColumnOn(document->pageAt(0));
        document->setSelection({}, view);
        column->beginEditing(nullptr, view);
        c.edit(column->flow(), view, column);
        ASSERT_TRUE(document->isEdited());
        const std::string edited = textOf(*document);
        view->endEditingIfNeeded();

        UndoInfo* undo = document->undoInfo();
        ASSERT_TRUE(undo->undo());
        EXPECT_TRUE(document->isEdited()) << "the typed text would be lost";
        ASSERT_TRUE(undo->redo());
        EXPECT_TRUE(document->isEdited());
        ASSERT_TRUE(undo->undo());
        EXPECT_TRUE(document->isEdited());
        EXPECT_EQ(textOf(*document), edited);
        // Close asks; the user keeps the document open.
        alerts_->pushAnswer(kit::AlertOtherReturn);
        EXPECT_EQ(document->close(nullptr), document);
        EXPECT_EQ(alerts_->shown().size(), 1u);
        delegate_->removeDocument(document);
        kit::MainQueue::drain();
    }
}

// An item's edit alone is what the stack gives back: undone to the saved
// point, the document is its file again.
TEST_F(Saving, AnItemEditUndoneBackToTheSaveLeavesTheDocumentUnedited)
{
    struct Case {
        const char* name;
        std::function<void(PageView*, ItemBox*)> edit;
    };
    const Case cases[] = {
        {"nudged", [](PageView* view, ItemBox*) { view->doNudge(1, 0); }},
        {"copied and pasted",
         [](PageView* view, ItemBox*) {
             kit::Pasteboard& pboard = kit::Pasteboard::pasteboardWithUniqueName();
             view->copyToPasteboard(pboard);
             view->paste(pboard, false);
             pboard.releaseGlobally();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = path("nudged.lvb");
        LayoutDocument* document = savedDocument(file);
        auto* view = dynamic_cast<PageView*>(document->newView(nullptr, 1));
        ASSERT_NE(view, nullptr);
        auto owned = std::make_shared<ItemBox>();
        ItemBox* box = owned.get();
        box->setFrame(kit::makeRect(100, 100, 50, 50), false);
        document->pageAt(0)->addItems(std::move(owned));
        ASSERT_TRUE(document->save(nullptr));
        document->setSelection({box}, view);
        const int records = document->undoInfo()->count();
        c.edit(view, box);
        ASSERT_EQ(document->undoInfo()->count(), records + 1);
        ASSERT_TRUE(document->isEdited());
        ASSERT_TRUE(document->undoInfo()->undo());
        EXPECT_FALSE(document->isEdited());
        ASSERT_TRUE(document->undoInfo()->redo());
        EXPECT_TRUE(document->isEdited());
        delegate_->removeDocument(document);
        kit::MainQueue::drain();
    }
}

TEST_F(Saving, TheSaveCommandsGoThroughThePanelWhenTheDocumentHasNoName)
{
    std::unique_ptr<LayoutDocument> owned = makeDocument();
    LayoutDocument* document = owned.get();
    delegate_->addDocument(std::move(owned));
    edit(*document);
    delegate_->preferences()->setLoadSaveDir(folder_);
    panels_->pushAnswer({kit::FileHandlingPanelOKButton, {path("Letter")}, {}});
    ASSERT_TRUE(document->save(nullptr));
    ASSERT_EQ(panels_->shown().size(), 1u);
    EXPECT_EQ(panels_->shown()[0].directory, folder_);
    EXPECT_EQ(panels_->shown()[0].requiredFileType, "lvb");
    EXPECT_EQ(document->filename(), path("Letter.lvb"));
    EXPECT_FALSE(document->isEdited());
    EXPECT_EQ(delegate_->saved, std::vector<LayoutDocument*>{document});
    EXPECT_TRUE(fileBytes(path("Letter.lvb")) == bytesOf(*document));

    // Named now: Save goes straight to the file.
    edit(*document);
    ASSERT_TRUE(document->save(nullptr));
    EXPECT_EQ(panels_->shown().size(), 1u);
}

// Two open documents on one file would each save over the other.
TEST_F(Saving, SaveAsOntoAnotherOpenDocumentsFileClosesThatDocumentFirstOrSavesNothing)
{
    const std::string theirs = path("theirs.lvb");
    const std::string mine = path("mine.lvb");
    LayoutDocument* other = savedDocument(theirs);
    LayoutDocument* document = savedDocument(mine, 40);
    const std::string before = fileBytes(theirs);
    struct Case {
        const char* label;
        std::vector<int> answers; // ours, then the other document's close question
    };
    const Case refused[] = {{"Cancel", {kit::AlertDefaultReturn}},
                            {"the other's close cancelled", {kit::AlertAlternateReturn, kit::AlertOtherReturn}}};
    for (const Case& c : refused) {
        SCOPED_TRACE(c.label);
        edit(*other);
        alerts_->reset();
        for (int answer : c.answers)
            alerts_->pushAnswer(answer);
        panels_->pushAnswer({kit::FileHandlingPanelOKButton, {theirs}, {}});
        EXPECT_FALSE(document->saveAs(nullptr));
        EXPECT_TRUE(alerted("SaveOverOpen"));
        EXPECT_EQ(fileBytes(theirs), before);
        EXPECT_EQ(delegate_->documents(), (std::vector<LayoutDocument*>{other, document}));
        EXPECT_EQ(document->filename(), mine);
    }
    // Close and Save, the path spelled otherwise: the other document goes
    // (without saving its changes, as its user says), then the save.
    alerts_->reset();
    alerts_->pushAnswer(kit::AlertAlternateReturn);
    alerts_->pushAnswer(kit::AlertAlternateReturn);
    panels_->pushAnswer({kit::FileHandlingPanelOKButton, {path("./theirs.lvb")}, {}});
    EXPECT_TRUE(document->saveAs(nullptr));
    EXPECT_TRUE(alerted("SaveChanges"));
    EXPECT_EQ(delegate_->documents(), std::vector<LayoutDocument*>{document});
    EXPECT_TRUE(fileBytes(theirs) == bytesOf(*document));

    // A file no other document has: no question.
    alerts_->reset();
    panels_->pushAnswer({kit::FileHandlingPanelOKButton, {mine}, {}});
    EXPECT_TRUE(document->saveAs(nullptr));
    EXPECT_TRUE(alerts_->shown().empty());
}

TEST_F(Saving, SaveAsTemplateProposesTheTemplateNameAndACancelKeepsTheDocumentWhatItWas)
{
    LayoutDocument* document = savedDocument(path("plan.lvb"));
    delegate_->preferences()->setTemplateDir(path("templates"));
    panels_->pushAnswer({kit::FileHandlingPanelCancelButton, {}, {}});
    EXPECT_FALSE(document->saveAsTemplate(nullptr));
    EXPECT_FALSE(document->isTemplate());
    ASSERT_EQ(panels_->shown().size(), 1u);
    EXPECT_EQ(panels_->shown()[0].name, "plan.lvt");
    EXPECT_EQ(panels_->shown()[0].directory, folder_);
    EXPECT_EQ(panels_->shown()[0].requiredFileType, "lvt");
    EXPECT_TRUE(kit::FileManager::fileExistsAtPath(path("templates")));

    panels_->pushAnswer({kit::FileHandlingPanelOKButton, {path("plan.lvt")}, {}});
    EXPECT_TRUE(document->saveAsTemplate(nullptr));
    EXPECT_TRUE(document->isTemplate());
    EXPECT_EQ(document->filename(), path("plan.lvt"));
}

TEST_F(Saving, ATemplatesFolderThatCannotBeMadeIsReported)
{
    LayoutDocument* document = savedDocument(path("plan.lvb"));
    kit::FileManager::writeFileAtomically(path("afile"), "x");
    delegate_->preferences()->setTemplateDir(path("afile/templates"));
    EXPECT_FALSE(document->saveAsTemplate(nullptr));
    EXPECT_TRUE(panels_->shown().empty());
    ASSERT_EQ(alerts_->shown().size(), 1u);
    EXPECT_NE(alerts_->shown()[0].message.find(path("afile/templates")), std::string::npos);
    EXPECT_FALSE(document->isTemplate());
}

TEST_F(Saving, TheCloseQuestionSavesClosesOrStays)
{
    struct Case {
        int answer;
        bool closes;
        bool writes;
    };
    const Case cases[] = {{kit::AlertDefaultReturn, true, true},
                          {kit::AlertAlternateReturn, true, false},
                          {kit::AlertOtherReturn, false, false}};
    for (const Case& c : cases) {
        const std::string file = path("question" + std::to_string(c.answer) + ".lvb");
        LayoutDocument* document = savedDocument(file);
        const std::string before = fileBytes(file);
        edit(*document);
        alerts_->reset();
        alerts_->pushAnswer(c.answer);
        EXPECT_EQ(document->shouldClose(), c.closes) << c.answer;
        EXPECT_TRUE(alerted("SaveChanges")) << c.answer;
        EXPECT_EQ(fileBytes(file) != before, c.writes) << c.answer;
    }
    // Nothing to save: no question.
    alerts_->reset();
    LayoutDocument* clean = savedDocument(path("clean.lvb"));
    EXPECT_TRUE(clean->shouldClose());
    EXPECT_TRUE(alerts_->shown().empty());
}

TEST_F(Saving, CrashCopiesGoBesideTheFileUnderANewNameWithoutAQuestion)
{
    std::unique_ptr<LayoutDocument> document = makeDocument();
    struct Case {
        std::string file;
        std::string copy;
    };
    const Case cases[] = {
        {"/docs/report.lvb", "/docs/report_CRASH.lvb"},
        {"/docs/a.b/letter", "/docs/a.b/letter_CRASH.lvb"},
        {"/docs/v1.2/notes.old.lvb", "/docs/v1.2/notes.old_CRASH.lvb"},
        // Kept in another format: the copy is named for what it holds.
        {"/docs/mine.rtf", "/docs/mine_CRASH.lvb"},
        {"/docs/mine.txt", "/docs/mine_CRASH.lvb"},
    };
    for (const Case& c : cases) {
        document->setFilename(c.file);
        EXPECT_EQ(document->crashPath(), c.copy) << c.file;
    }
    // Untitled: in the save folder, else the home folder.
    document->setFilename(text("Untitled") + "-3");
    EXPECT_EQ(document->crashPath(), folder_ + "/home/" + text("Untitled") + "-3_CRASH.lvb");
    delegate_->preferences()->setLoadSaveDir(path("saved"));
    EXPECT_EQ(document->crashPath(), path("saved/") + text("Untitled") + "-3_CRASH.lvb");

    // An earlier copy is never replaced; questions a save would ask are not.
    const std::string file = path("letter.lvb");
    LayoutDocument* saved = savedDocument(file);
    kit::FileManager::writeFileAtomically(path("letter_CRASH.lvb"), "earlier");
    edit(*saved);
    saved->setLastModifyTime(1.0);
    kit::Workspace::sharedWorkspace().setFileSystemTypeQuery([](const std::string&) { return std::string("DOS"); });
    EXPECT_TRUE(saved->crashAs(nullptr));
    kit::Workspace::sharedWorkspace().setFileSystemTypeQuery(nullptr);
    EXPECT_TRUE(alerts_->shown().empty());
    EXPECT_EQ(fileBytes(path("letter_CRASH.lvb")), "earlier");
    EXPECT_TRUE(fileBytes(path("letter_CRASH-2.lvb")) == bytesOf(*saved));
    EXPECT_NE(fileBytes(file), bytesOf(*saved));
}

TEST_F(Saving, ACrashCopyThatCannotBeWrittenClosesTheDocumentInEmergency)
{
    LayoutDocument* document = savedDocument(path("letter.lvb"));
    edit(*document);
    document->setFilename(path("missing/letter.lvb"));
    EXPECT_FALSE(document->crashAs(nullptr));
    EXPECT_EQ(delegate_->closed, std::vector<LayoutDocument*>{document});
    EXPECT_TRUE(delegate_->documents().empty());
}

TEST_F(Saving, CustomColourNamesAreKeptOnce)
{
    std::unique_ptr<LayoutDocument> document = makeDocument();
    document->addCustomColor("PANTONE 185");
    document->addCustomColor("Sky");
    document->addCustomColor("PANTONE 185");
    ASSERT_EQ(document->docCustomColorCount(), 2);
    EXPECT_EQ(document->customColorAt(1), "Sky");
    EXPECT_EQ(document->customColorAt(2), "");
    document->emptyDocument();
    EXPECT_EQ(document->docCustomColorCount(), 0);
}

TEST_F(Saving, ANameBeginningWithTheUntitledTextIsNoName)
{
    std::unique_ptr<LayoutDocument> document = makeDocument();
    EXPECT_EQ(document->filename(), text("Untitled"));
    EXPECT_FALSE(document->named());
    EXPECT_TRUE(document->isUnused());
    document->setFilename(text("Untitled") + "-3");
    EXPECT_FALSE(document->named());
    document->setFilename("/tmp/Untitled notes.lvb");
    EXPECT_TRUE(document->named());
    EXPECT_FALSE(document->isUnused());
}

// ---- Failures must leave the user's file as it was.

// Writes that fail half way (the disk fills up) in a child limited to a
// file size smaller than the document.
class FailingWrites : public Saving {
protected:
    // Codes the child answers: bit 0 the save said it failed, bit 1 it
    // showed "SaveError".
    int saveInChild(LayoutDocument& document, const std::string& file, bool backup)
    {
        return child::run([&] {
            child::limitFileSize(1000);
            const bool saved = document.saveFile(file, backup);
            return (saved ? 0 : 1) | (alerted("SaveError") ? 2 : 0);
        });
    }
};

TEST_F(FailingWrites, ADiskThatFillsUpLeavesTheOldFileWholeWhateverTheSave)
{
    struct Case {
        const char* what;
        bool named;
        bool dos;
    };
    const Case cases[] = {
        {"over its own file", true, false},
        {"an untitled document over an existing file", false, false},
        {"over its own file without a backup, the user said Save", true, true},
    };
    for (const Case& c : cases) {
        const std::string file = path("full.lvb");
        kit::FileManager::removeFileAtPath(file);
        LayoutDocument* document = savedDocument(file, 2000);
        const std::string before = fileBytes(file);
        ASSERT_GT(before.size(), 1000u);
        if (!c.named)
            document->setFilename(text("Untitled") + "-2");
        edit(*document);
        if (c.dos)
            kit::Workspace::sharedWorkspace().setFileSystemTypeQuery(
                [](const std::string&) { return std::string("DOS"); });
        EXPECT_EQ(saveInChild(*document, file, true), 3) << c.what;
        kit::Workspace::sharedWorkspace().setFileSystemTypeQuery(nullptr);
        EXPECT_TRUE(fileBytes(file) == before) << c.what;
        // No temporary file is left behind.
        for (const std::string& name : listing())
            EXPECT_TRUE(name == "full.lvb" || name == "full.lvb~" || name == "config" || name == "home")
                << c.what << ": " << name;
        kit::FileManager::removeFileAtPath(file + "~");
    }
}

// A folder of its own under /tmp that an unprivileged child can reach.
class Permissions : public Saving {
protected:
    void SetUp() override
    {
        Saving::SetUp();
        char pattern[] = "/tmp/scrivly-permissions-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        shared_ = pattern;
        ::chmod(shared_.c_str(), 0755);
        if (!child::giveToUnprivilegedUser(shared_))
            GTEST_SKIP() << "running as root and no user \"nobody\" to test permissions as";
    }
    void TearDown() override
    {
        if (!shared_.empty()) {
            ::chmod((shared_ + "/locked").c_str(), 0755);
            kit::FileManager::removeFileAtPath(shared_);
        }
        Saving::TearDown();
    }
    std::string in(const std::string& name) const { return shared_ + "/" + name; }
    std::string shared_;
};

TEST_F(Permissions, FilesAndFoldersThatCannotBeWrittenAreReportedAndLeftAsTheyWere)
{
    kit::FileManager::createDirectoryAtPath(in("locked"));
    kit::FileManager::writeFileAtomically(in("locked/inside.lvb"), "inside");
    kit::FileManager::writeFileAtomically(in("readonly.lvb"), "read only");
    kit::FileManager::createDirectoryAtPath(in("folder.lvb"));
    kit::FileManager::writeFileAtomically(in("folder.lvb/kept"), "kept");
    for (const char* name : {"locked", "locked/inside.lvb", "readonly.lvb", "folder.lvb", "folder.lvb/kept"})
        ASSERT_TRUE(child::giveToUnprivilegedUser(in(name))) << name;
    ::chmod(in("readonly.lvb").c_str(), 0444);
    ::chmod(in("locked").c_str(), 0555);
    std::unique_ptr<LayoutDocument> document = makeDocument();

    struct Case {
        const char* what;
        std::string target;
        bool named;
    };
    const Case cases[] = {
        {"a read-only file", in("readonly.lvb"), false},
        {"a new file in a read-only folder", in("locked/new.lvb"), false},
        {"its own file in a read-only folder", in("locked/inside.lvb"), true},
        {"a file in a missing folder", in("missing/new.lvb"), false},
        {"a path that is a folder", in("folder.lvb"), false},
    };
    for (const Case& c : cases) {
        document->setFilename(c.named ? c.target : text("Untitled"));
        alerts_->reset();
        const int code = child::run([&] {
            if (!child::dropPrivileges())
                return 100;
            // Without a backup it may still save: it cannot.
            alerts_->pushAnswer(kit::AlertDefaultReturn);
            const bool saved = document->saveFile(c.target, true);
            return (saved ? 0 : 1) | (alerted("SaveError") ? 2 : 0);
        });
        ASSERT_NE(code, 100) << "could not become an unprivileged user";
        EXPECT_EQ(code, 3) << c.what;
    }
    EXPECT_EQ(fileBytes(in("readonly.lvb")), "read only");
    EXPECT_EQ(fileBytes(in("locked/inside.lvb")), "inside");
    EXPECT_EQ(kit::FileManager::directoryContentsAtPath(in("locked")).value_or(std::vector<std::string>{}),
              std::vector<std::string>{"inside.lvb"});
    EXPECT_EQ(kit::FileManager::directoryContentsAtPath(in("folder.lvb")).value_or(std::vector<std::string>{}),
              std::vector<std::string>{"kept"});
    EXPECT_FALSE(kit::FileManager::fileExistsAtPath(in("missing")));
}

} // namespace
