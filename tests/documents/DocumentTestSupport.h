#pragma once

// Documents on disk under a real application delegate: a folder of their
// own for the user's defaults and files, scripted alerts and file panels,
// windows on the offscreen screen.

#include "SampleDocument.h"

#include "app/Layvane.h"
#include "core/Alert.h"
#include "core/FileManager.h"
#include "core/UserDefaults.h"
#include "document/DocumentFiles.h"
#include "document/LayoutDocument.h"
#include "text/DocumentView.h"
#include "foundation/Preferences.h"
#include "text/TextWord.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace kit {
class ScriptedFilePanelHandler;
}

// Remembers what documents told it.
class RecordingDelegate : public Layvane {
public:
    void documentDidCreate(LayoutDocument* document) override { created.push_back(document); }
    void documentDidSave(LayoutDocument* document) override { saved.push_back(document); }
    std::unique_ptr<LayoutDocument> documentDidClose(LayoutDocument* document) override
    {
        closed.push_back(document);
        return Layvane::documentDidClose(document);
    }
    std::vector<LayoutDocument*> created;
    std::vector<LayoutDocument*> saved;
    std::vector<LayoutDocument*> closed;
};

class DocumentFileTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        LayoutDocument::initialize();
        TextWord::initialize();
        kit::Font::initialize();
    }

    void SetUp() override;
    void TearDown() override;

    std::string path(const std::string& name) const { return folder_ + "/" + name; }

    std::unique_ptr<LayoutDocument> makeDocument(int words = 0, bool extras = true, float size = 12)
    {
        return sample::make(delegate_->preferences(), words, extras, size);
    }

    // The bytes a document writes.
    static std::string bytesOf(const LayoutDocument& document) { return writeDocumentData(document).value_or(""); }

    static std::string fileBytes(const std::string& file)
    {
        return kit::FileManager::contentsAtPath(file).value_or("<none>");
    }

    // A document made in code, saved as the file: the list owns it.
    LayoutDocument* savedDocument(const std::string& file, int words = 0)
    {
        std::unique_ptr<LayoutDocument> document = makeDocument(words);
        LayoutDocument* raw = document.get();
        delegate_->addDocument(std::move(document));
        EXPECT_TRUE(raw->saveFile(file, false));
        return raw;
    }

    // The alert titles and messages shown, in order.
    std::vector<std::string> shownMessages() const
    {
        std::vector<std::string> messages;
        for (const auto& shown : alerts_->shown())
            messages.push_back(shown.message);
        return messages;
    }

    std::string text(const char* key) const { return delegate_->valueForStringKey(key); }

    // Whether an alert with the message of the key was shown (its text up
    // to the first value put in).
    bool alerted(const char* key) const
    {
        const std::string message = text(key);
        const std::string lead = message.substr(0, message.find('%'));
        for (const auto& shown : alerts_->shown())
            if (shown.message.compare(0, lead.size(), lead) == 0)
                return true;
        return false;
    }

    // The names in the test's folder (or a folder in it).
    std::vector<std::string> listing(const std::string& name = "") const
    {
        return kit::FileManager::directoryContentsAtPath(name.empty() ? folder_ : path(name))
            .value_or(std::vector<std::string>{});
    }

    // The words of every flow, paragraphs on lines of their own.
    static std::string textOf(const LayoutDocument& document)
    {
        std::string text;
        for (TextFlow* flow : document.flows())
            for (const auto& paragraph : flow->paragraphList()) {
                for (int i = 0; i < paragraph->wordCount(); ++i)
                    if (const TextWord* word = paragraph->wordAtIndex(i))
                        text.append(word->text(), std::size_t(word->length())).push_back(' ');
                text.push_back('\n');
            }
        return text;
    }

    // Something the user did to the document: a word at the end of the text.
    static void edit(LayoutDocument& document, const char* word = "edited")
    {
        TextFlow* flow = sample::firstColumnOn(document.pageAt(0))->flow();
        flow->currentParagraph()->addWord(std::make_unique<TextWord>(word));
        document.setEdited(true);
    }

    std::string folder_;
    std::shared_ptr<kit::ScriptedAlertHandler> alerts_;
    std::shared_ptr<kit::ScriptedFilePanelHandler> panels_;
    std::unique_ptr<RecordingDelegate> delegate_;
};
