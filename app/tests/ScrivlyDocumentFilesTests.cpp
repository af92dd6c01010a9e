// Foreign files opened through the word processor's document (a test hook
// stands for the import bundle's reader), and saving natively or by format.

#include "WordProcessorFixture.h"

#include "app/ScrivlyDocument.h"
#include "appkit/FilePanelHandler.h"
#include "appkit/SavePanel.h"
#include "core/FileManager.h"
#include "document/DocumentFiles.h"
#include "document/ZynDocumentContents.h"
#include "core/MainQueue.h"
#include "foundation/FileManagerExtensions.h"
#include "text/DocumentView.h"

#include <sys/stat.h>

namespace {

// What the import was handed.
struct Imported {
    int calls = 0;
    bool interchange = false;
    std::string format;
    std::string data;
    bool folder = false;
};

} // namespace

class WordProcessorFilesTest : public WordProcessorTest {
protected:
    void SetUp() override
    {
        WordProcessorTest::SetUp();
        savedImport_ = LayoutDocument::dispatchContentsHook();
        savedForeign_ = LayoutDocument::saveForeignFileHook();
        LayoutDocument::dispatchContentsHook() = [this](LayoutDocument& document, bool interchange, bool* lost) {
            ++imported_.calls;
            const ZynDocumentContents* contents = document.activeDocumentContents();
            if (!contents)
                return false;
            imported_.interchange = interchange;
            imported_.format = contents->fileFormat().value_or("");
            imported_.data = contents->serializedRepresentation().value_or("");
            imported_.folder = contents->isWrapper();
            if (lost)
                *lost = importLoses_;
            return importSucceeds_;
        };
    }

    void TearDown() override
    {
        LayoutDocument::dispatchContentsHook() = savedImport_;
        LayoutDocument::saveForeignFileHook() = savedForeign_;
        ScrivlyDocument::saveToTypeSource() = nullptr;
        WordProcessorTest::TearDown();
    }

    std::string write(const std::string& name, const std::string& bytes)
    {
        const std::string file = path(name);
        EXPECT_TRUE(kit::FileManager::writeFileAtomically(file, bytes));
        return file;
    }

    ScrivlyDocument* open(const std::string& file)
    {
        return dynamic_cast<ScrivlyDocument*>(delegate_->openFile(file, false));
    }

    bool alertShown(const std::string& message) const
    {
        for (const auto& shown : alerts_->shown())
            if (shown.message.rfind(message, 0) == 0)
                return true;
        return false;
    }

    Imported imported_;
    bool importSucceeds_ = true;
    bool importLoses_ = false;
    LayoutDocument::DispatchContentsHook savedImport_;
    LayoutDocument::SaveForeignFileHook savedForeign_;
};

TEST_F(WordProcessorFilesTest, ForeignFilesAreReadByExtensionThenByContentThenAsText)
{
    const std::string rtf = "{\\rtf1\\ansi Hello}";
    struct Case {
        const char* name;
        std::string bytes;
        const char* format;
    };
    const Case cases[] = {
        {"upper.RTF", rtf, "Rich Text Format (rtf)"},
        {"lower.rtf", rtf, "Rich Text Format (rtf)"},
        // RTF by its first five bytes, whatever the name says.
        {"letter.txt", rtf, "Rich Text Format (rtf)"},
        // Too short to be RTF: plain text.
        {"short.txt", "{\\rt", "ascii"},
        {"plain.txt", "Hello there\n", "ascii"},
    };
    for (const Case& c : cases) {
        imported_ = {};
        const std::size_t before = delegate_->documents().size();
        ScrivlyDocument* document = open(write(c.name, c.bytes));
        ASSERT_NE(document, nullptr) << c.name;
        EXPECT_EQ(imported_.calls, 1) << c.name;
        EXPECT_FALSE(imported_.interchange) << c.name;
        EXPECT_EQ(imported_.format, c.format) << c.name;
        if (std::string(c.format) != "ascii")
            EXPECT_EQ(imported_.data, c.bytes) << c.name;
        else
            EXPECT_EQ(imported_.data.compare(0, 5, "{\\rtf"), 0) << c.name; // the text wrapped as RTF
        EXPECT_EQ(document->fileFormat(), c.format) << c.name;
        // Read into a new untitled document, which counts as edited.
        EXPECT_FALSE(document->named()) << c.name;
        EXPECT_TRUE(document->isEdited()) << c.name;
        EXPECT_EQ(document->activeDocumentContents(), nullptr) << c.name;
        EXPECT_EQ(delegate_->documents().size(), before + 1) << c.name;
        ASSERT_NE(document->mainTextItem(), nullptr) << c.name;
    }
}

TEST_F(WordProcessorFilesTest, WhatCannotBeReadOrImportedClosesQuietly)
{
    // A folder that is no RTFD is nothing to read.
    ASSERT_TRUE(kit::FileManager::createDirectoryAtPath(path("folder.doc")));
    const std::size_t before = delegate_->documents().size();
    EXPECT_EQ(open(path("folder.doc")), nullptr);
    EXPECT_EQ(imported_.calls, 0);
    EXPECT_TRUE(alerts_->shown().empty());
    // A named pipe is never read (it would block, or be mapped).
    ASSERT_EQ(mkfifo(path("pipe.txt").c_str(), 0600), 0);
    EXPECT_EQ(open(path("pipe.txt")), nullptr);
    EXPECT_EQ(imported_.calls, 0);

    // An import that fails says so when the document is shown.
    importSucceeds_ = false;
    const std::string file = write("bad.rtf", "{\\rtf1 x}");
    EXPECT_EQ(delegate_->openFile(file, true), nullptr);
    EXPECT_EQ(imported_.calls, 1);
    ASSERT_EQ(alerts_->shown().size(), 1u);
    EXPECT_EQ(alerts_->shown()[0].title, delegate_->valueForStringKey("ImportProblem"));
    kit::MainQueue::drain();
    EXPECT_EQ(delegate_->documents().size(), before);
}

// An import that left parts out is told when the document is shown, with
// a beep, whatever the file's format: every file opened this way has one.
TEST_F(WordProcessorFilesTest, AnImportThatLostDataIsToldWhenShown)
{
    importLoses_ = true;
    const struct {
        const char* name;
        const char* bytes;
        bool display;
        bool told;
    } cases[] = {
        {"lossy.rtf", "{\\rtf1 x}", true, true},
        {"lossy.txt", "plain", true, true},
        {"content.txt", "{\\rtf1 y}", true, true},
        {"hidden.rtf", "{\\rtf1 z}", false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        alerts_->reset();
        ScrivlyDocument* document =
            dynamic_cast<ScrivlyDocument*>(delegate_->openFile(write(c.name, c.bytes), c.display));
        ASSERT_NE(document, nullptr);
        EXPECT_FALSE(document->fileFormat().empty());
        EXPECT_EQ(alerts_->beeps(), c.told ? 1 : 0);
        ASSERT_EQ(alerts_->shown().size(), c.told ? 1u : 0u);
        if (c.told) {
            EXPECT_EQ(alerts_->shown()[0].title, delegate_->valueForStringKey("Import"));
            EXPECT_EQ(alerts_->shown()[0].message, delegate_->valueForStringKey("ImportDataLoss"));
        }
        // The document stays open, as the untitled copy of the file.
        EXPECT_FALSE(document->named());
    }
    // Nothing lost, nothing told.
    importLoses_ = false;
    alerts_->reset();
    ASSERT_NE(delegate_->openFile(write("whole.rtf", "{\\rtf1 w}"), true), nullptr);
    EXPECT_TRUE(alerts_->shown().empty());
    EXPECT_EQ(alerts_->beeps(), 0);
}

TEST_F(WordProcessorFilesTest, SaveToWritesTheNativeFormForBothOwnTypesAndKeepsTheName)
{
    ScrivlyDocument* document = newDocument();
    typeText(*document, "Kept");
    const std::string own = path("own.syb");
    ASSERT_TRUE(document->saveFile(own, false));
    for (const char* type : {"Scrivly Document (syb)", "Scrivly Template (syt)"}) {
        ScrivlyDocument::saveToTypeSource() = [type] { return std::string(type); };
        document->setSaveFlag(Document::SaveModeSaveTo);
        const std::string copy = path(std::string("copy.") + (type[17] == 'D' ? "syb" : "syt"));
        EXPECT_TRUE(document->saveFile(copy, false)) << type;
        std::unique_ptr<LayoutDocument> read = readDocumentFile(copy);
        ASSERT_NE(dynamic_cast<ScrivlyDocument*>(read.get()), nullptr) << type;
        EXPECT_EQ(textOf(*read), "Kept\n");
        EXPECT_EQ(document->filename(), own) << type;
    }
}

TEST_F(WordProcessorFilesTest, ForeignSavesGoThroughTheBundleAndFailuresAreTold)
{
    std::vector<std::string> written;
    int status = 0;
    LayoutDocument::saveForeignFileHook() = [&](LayoutDocument& document, const std::string& file, bool) {
        written.push_back(document.fileFormat());
        if (status == 0)
            kit::FileManager::writeFileAtomically(file, "foreign");
        return status;
    };
    ScrivlyDocument* document = newDocument();
    const std::string own = path("own.syb");
    ASSERT_TRUE(document->saveFile(own, false));

    // Save To in a foreign format: written by its type, the name kept.
    ScrivlyDocument::saveToTypeSource() = [] { return std::string("Rich Text Format (rtf)"); };
    document->setSaveFlag(Document::SaveModeSaveTo);
    EXPECT_TRUE(document->saveFile(path("copy.rtf"), false));
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(written[0], "Rich Text Format (rtf)");
    EXPECT_EQ(document->fileFormat(), "");
    EXPECT_EQ(document->filename(), own);

    // A document of a foreign format takes the new path.
    document->setSaveFlag(Document::SaveModeSave);
    document->setFileFormat("Rich Text Format (rtf)");
    EXPECT_TRUE(document->saveFile(path("mine.rtf"), false));
    EXPECT_EQ(document->filename(), path("mine.rtf"));
    EXPECT_EQ(kit::FileManager::contentsAtPath(path("mine.rtf")).value_or(""), "foreign");

    // A failed write is told and changes nothing.
    status = 3;
    EXPECT_FALSE(document->saveFile(path("other.rtf"), false));
    EXPECT_TRUE(alertShown("Could not save " + path("other.rtf")));
    EXPECT_EQ(document->filename(), path("mine.rtf"));
}

TEST_F(WordProcessorFilesTest, AFormatNoWriterKnowsIsSavedNatively)
{
    int foreign = 0;
    LayoutDocument::saveForeignFileHook() = [&](LayoutDocument&, const std::string&, bool) { return ++foreign, 5; };
    ScrivlyDocument* document = newDocument();
    typeText(*document, "Native");
    document->setFileFormat("WordStar 2000 (ws)");
    EXPECT_FALSE(fileFormatPresent("WordStar 2000 (ws)"));
    EXPECT_TRUE(fileFormatPresent(""));
    EXPECT_TRUE(fileFormatPresent("ascii"));
    document->setSaveFlag(Document::SaveModeSave);
    EXPECT_TRUE(document->saveFile(path("stored.syb"), false));
    EXPECT_EQ(foreign, 0);
    std::unique_ptr<LayoutDocument> read = readDocumentFile(path("stored.syb"));
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(textOf(*read), "Native\n");
}

TEST_F(WordProcessorFilesTest, SaveAsProposesTheExtensionOfTheFormat)
{
    ScrivlyDocument* document = newDocument();
    struct Case {
        const char* format;
        const char* extension;
    };
    const Case cases[] = {{"", "syb"}, {"Rich Text Format (rtf)", "rtf"}, {"Rich Text Format Directory (rtfd)", "rtfd"}};
    for (const Case& c : cases) {
        document->setFileFormat(c.format);
        EXPECT_FALSE(document->saveAs(nullptr)); // the script cancels
        ASSERT_FALSE(panels_->shown().empty());
        EXPECT_EQ(panels_->shown().back().requiredFileType, c.extension) << c.format;
    }
}

TEST_F(WordProcessorFilesTest, ReadingAForeignFileAgainKeepsTheDocumentAndItsViews)
{
    const std::string file = write("again.rtf", "{\\rtf1\\ansi Again}");
    auto* document = dynamic_cast<ScrivlyDocument*>(delegate_->openFile(file, true));
    ASSERT_NE(document, nullptr);
    ASSERT_EQ(document->views().size(), 1u);
    DocumentView* view = document->views().front();
    ASSERT_TRUE(document->resetDocumentColumnCount(3, 10));
    const std::size_t listed = delegate_->documents().size();

    // The revert path: the document empties itself and reads the file anew.
    EXPECT_EQ(document->_initFromAlienTypeFile(file, true, true), document);
    EXPECT_EQ(imported_.calls, 2);
    EXPECT_EQ(delegate_->documents().size(), listed);
    ASSERT_EQ(document->views().size(), 1u);
    EXPECT_EQ(document->views().front(), view);
    EXPECT_EQ(view->document(), document);
    // Set up afresh: one column, the guides and the main text again.
    EXPECT_EQ(document->columnCount(), 1);
    EXPECT_EQ(document->masterColumns().size(), 1u);
    EXPECT_EQ(document->masterGuides().size(), 8u);
    ASSERT_NE(document->mainTextItemForPage(document->pageAt(0)), nullptr);
    EXPECT_EQ(document->activePage(), document->pageAt(0));
    EXPECT_EQ(document->activeDocumentContents(), nullptr);
}
