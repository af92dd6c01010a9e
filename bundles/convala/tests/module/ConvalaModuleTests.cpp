// The bundle as the program meets it: loaded at start-up from the resources
// folder, with nothing of it linked in, it sets the program's hooks; copied
// text then carries RTF, to the system clipboard too, where another program
// (xclip) reads it; and documents save as RTF through the program's own
// entry point.

#include "app/Scrivly.h"
#include "appkit/Application.h"
#include "appkit/SystemClipboard.h"
#include "core/Alert.h"
#include "core/Encoding.h"
#include "core/FileManager.h"
#include "core/Pasteboard.h"
#include "core/UserDefaults.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "foundation/StyleChar.h"
#include "foundation/StyleParagraph.h"
#include "graphics/Font.h"
#include "items/TextItem.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextSelection.h"
#include "text/TextWord.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace {

class ConvalaModule : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ = kit::FileManager::uniqueTemporaryPath("convala-module");
        ASSERT_TRUE(kit::FileManager::createDirectoryAtPath(folder_));
        setenv("XDG_CONFIG_HOME", folder_.c_str(), 1);
        kit::UserDefaults::resetStandardUserDefaults();
        Scrivly::initialize();
        TextWord::initialize();
        TextSelection::initialize();
        delegate_ = std::make_unique<Scrivly>();
        ASSERT_TRUE(Layvane::loadImportExportBundle());

        document_ = std::make_unique<LayoutDocument>(delegate_->preferences());
        document_->setPageSize(kit::makeSize(612, 792));
        document_->setMasterPage(std::make_unique<Page>());
        auto master = std::make_unique<TextItem>();
        master->setFrame(kit::makeRect(72, 72, 468, 648), false);
        master->setTextType(1);
        master->setAutoFlowText(true);
        master->setMasterFlags(3);
        document_->addMasterItem(std::move(master));
        document_->addPages(1, 0);
        for (const auto& item : document_->pageAt(0)->pageItems())
            if (auto* column = dynamic_cast<TextItem*>(item.get()); column && !flow_)
                flow_ = column->flow();
        ASSERT_NE(flow_, nullptr);
        TextParagraph* paragraph = flow_->firstParagraph();
        paragraph->paragraphStyle()->setFont(kit::Font::fontWithName("Times-Roman", 12));
        // "Caf\xE9 au lait" in the documents' character set.
        for (const char* text : {"Caf\xDD", "au", "lait"})
            paragraph->addWord(std::make_unique<TextWord>(text));
    }

    void TearDown() override
    {
        document_.reset();
        delegate_.reset();
        kit::UserDefaults::resetStandardUserDefaults();
        kit::FileManager::removeFileAtPath(folder_);
    }

    // Copies "Caf\xE9 au" to the pasteboard as the text engine copies.
    void copyTo(kit::Pasteboard& pboard)
    {
        textPoint from{0, 0, 0}, to{0, 1, 2};
        auto selection = std::make_unique<TextSelection>();
        selection->selectBetween(&from, &to, flow_, SelectionChar, false);
        selection->copyToPasteboard(pboard);
    }

    // A character in the documents' set.
    static std::string inSet(char32_t ch)
    {
        return std::string(1, char(kit::fromUnicode(kit::Encoding::NeXTSTEP, ch).value_or('?')));
    }

    // The main column, its caret after "lait".
    TextItem* column()
    {
        for (const auto& item : document_->pageAt(0)->pageItems())
            if (auto* c = dynamic_cast<TextItem*>(item.get()); c && c->flow() == flow_) {
                const textPoint end{0, 2, 4};
                flow_->setCurrentPoint(&end);
                return c;
            }
        return nullptr;
    }

    // The words of the flow's paragraphs, a space between, "|" between paragraphs.
    std::string words() const
    {
        std::string text;
        for (const auto& paragraph : flow_->paragraphList()) {
            if (!text.empty())
                text += '|';
            for (const auto& word : paragraph->wordList())
                if (!word->isSpecial() && word->length() > 0)
                    text += std::string(word->text(), std::size_t(word->textLength())) + ' ';
        }
        return text;
    }

    std::string folder_;
    std::unique_ptr<Scrivly> delegate_;
    std::unique_ptr<LayoutDocument> document_;
    TextFlow* flow_ = nullptr;
};

TEST_F(ConvalaModule, LoadingTheBundleSetsTheProgramsHooks)
{
    EXPECT_TRUE(TextSelection::writeRTFHook());
    EXPECT_TRUE(LayoutDocument::saveForeignFileHook());
    // The RTF reader: pasted RTF and RTFD, and the paragraph's step before
    // a character is added.
    EXPECT_TRUE(LayoutDocument::dispatchRTFStreamHook());
    EXPECT_TRUE(LayoutDocument::dispatchMarkupHook());
    EXPECT_TRUE(TextParagraph::prepareForAddByteHook());
    // Loading again changes nothing.
    EXPECT_TRUE(Layvane::loadImportExportBundle());
}

TEST_F(ConvalaModule, CopiedTextCarriesRTFAndDocumentsSaveAsRTF)
{
    kit::Pasteboard& pboard = kit::Pasteboard::pasteboardWithUniqueName();
    copyTo(pboard);
    const std::optional<std::string> rtf = pboard.dataForType(kit::RTFPboardType);
    pboard.releaseGlobally();
    ASSERT_TRUE(rtf);
    EXPECT_EQ(rtf->rfind("{\\rtf1\\ansi\\ansicpg1252", 0), 0u) << *rtf;
    EXPECT_NE(rtf->find("Caf\\'e9 au}"), std::string::npos) << *rtf;

    const std::string path = folder_ + "/saved.rtf";
    document_->setFileFormat("Rich Text Format (rtf)");
    EXPECT_EQ(document_->saveForeignFile(path, true), 0);
    const std::optional<std::string> saved = kit::FileManager::contentsAtPath(path);
    ASSERT_TRUE(saved);
    EXPECT_NE(saved->find("Caf\\'e9 au lait}"), std::string::npos) << *saved;
}

TEST_F(ConvalaModule, PastedRTFGoesInAtTheColumnsCaretWithItsFormat)
{
    TextItem* target = column();
    ASSERT_NE(target, nullptr);
    kit::Pasteboard& pboard = kit::Pasteboard::pasteboardWithUniqueName();
    pboard.declareTypes({kit::RTFPboardType}, nullptr);
    pboard.setData(std::string("{\\rtf1\\ansi{\\fonttbl\\f0\\fswiss Helvetica;} \\f0{\\b cr\\'e8me} br\\'fbl\\'e9e}"),
                   kit::RTFPboardType);
    EXPECT_TRUE(target->paste(pboard, false, nullptr));
    pboard.releaseGlobally();
    EXPECT_EQ(words(), "Caf\xDD au lait cr\xDC" "me br" + inSet(U'\u00FB') + "l\xDD" "e ");
    textPoint creme{0, 3, 0};
    EXPECT_TRUE(flow_->styleCharAt(&creme)->isBoldface());
    textPoint brulee{0, 4, 0};
    EXPECT_FALSE(flow_->styleCharAt(&brulee)->isBoldface());

    // What the document cannot hold is left out, and the user is told.
    auto alerts = std::make_shared<kit::ScriptedAlertHandler>();
    kit::setAlertHandler(alerts);
    kit::Pasteboard& lossy = kit::Pasteboard::pasteboardWithUniqueName();
    lossy.declareTypes({kit::RTFPboardType}, nullptr);
    lossy.setData(std::string("{\\rtf1 {\\pict 0a0b} x}"), kit::RTFPboardType);
    EXPECT_TRUE(target->paste(lossy, false, nullptr));
    lossy.releaseGlobally();
    ASSERT_EQ(alerts->shown().size(), 1u);
    EXPECT_EQ(alerts->shown()[0].title, "Import Problem");
    EXPECT_EQ(alerts->shown()[0].message, "Some parts of the file could not be converted and were left out.");
    kit::setAlertHandler(nullptr);
}

// On a real X display, another program (xclip) puts RTF on the clipboard,
// and pasting into a column reads it.
TEST_F(ConvalaModule, AnotherProgramsRTFOnTheClipboardPastesIntoAColumn)
{
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (!std::getenv("DISPLAY") || (platform && std::string(platform) != "xcb"))
        GTEST_SKIP() << "needs an X display (QT_QPA_PLATFORM=xcb)";
    if (std::system("command -v xclip >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "needs xclip (tools/deps installs it)";
    kit::Application::sharedApplication();
    kit::SystemClipboard::install();
    QProcess writer;
    writer.start("xclip", {"-selection", "clipboard", "-target", "text/rtf", "-in"});
    ASSERT_TRUE(writer.waitForStarted(5000));
    writer.write("{\\rtf1\\ansi\\ansicpg1252 {\\i na\\'efve}\\par second}");
    writer.closeWriteChannel();
    // xclip serves the clipboard from a process of its own once it has read.
    ASSERT_TRUE(writer.waitForFinished(5000));
    TextItem* target = column();
    ASSERT_NE(target, nullptr);
    bool pasted = false;
    // The clipboard owner may be slow to answer on a busy machine: wait on the
    // clock, not on a count of event passes (a pass with nothing to do is instant).
    QElapsedTimer waited;
    waited.start();
    while (!pasted && waited.elapsed() < 10000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(10);
        pasted = !kit::Pasteboard::generalPasteboard().availableTypeFromArray({kit::RTFPboardType}).empty() &&
                 target->paste(kit::Pasteboard::generalPasteboard(), false, nullptr);
    }
    EXPECT_TRUE(pasted);
    // The group goes in at the caret, in the word "lait".
    EXPECT_EQ(words(), "Caf\xDD au laitna" + inSet(U'\u00EF') + "ve |second ");
    kit::SystemClipboard::uninstall();
}

// On a real X display: the copy reaches the X clipboard as text/rtf, and
// another program reads it while this one serves the selection.
TEST_F(ConvalaModule, AnotherProgramReadsCopiedTextAsRTFFromTheClipboard)
{
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (!std::getenv("DISPLAY") || (platform && std::string(platform) != "xcb"))
        GTEST_SKIP() << "needs an X display (QT_QPA_PLATFORM=xcb)";
    if (std::system("command -v xclip >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "needs xclip (tools/deps installs it)";
    kit::Application::sharedApplication();
    kit::SystemClipboard::install();
    copyTo(kit::Pasteboard::generalPasteboard());

    QProcess reader;
    reader.start("xclip", {"-selection", "clipboard", "-target", "text/rtf", "-out"});
    ASSERT_TRUE(reader.waitForStarted(5000));
    // The selection is served from this program's event loop.
    for (int i = 0; i < 1000 && reader.state() != QProcess::NotRunning; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        reader.waitForFinished(10);
    }
    ASSERT_EQ(reader.state(), QProcess::NotRunning);
    EXPECT_EQ(reader.exitCode(), 0) << reader.readAllStandardError().toStdString();
    const std::string rtf = reader.readAllStandardOutput().toStdString();
    EXPECT_EQ(rtf.rfind("{\\rtf1\\ansi\\ansicpg1252", 0), 0u) << rtf;
    EXPECT_NE(rtf.find("Caf\\'e9 au}"), std::string::npos) << rtf;
    kit::SystemClipboard::uninstall();
}

} // namespace
