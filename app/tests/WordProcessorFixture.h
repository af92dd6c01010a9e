#pragma once

// The word processor's documents under a real Scrivly delegate: a folder of
// their own for the user's defaults and files, scripted alerts and file
// panels, windows on the offscreen screen, a virtual clock.

#include "app/Scrivly.h"
#include "app/ScrivlyDocument.h"
#include "appkit/Application.h"
#include "appkit/Clock.h"
#include "appkit/Event.h"
#include "appkit/FilePanelHandler.h"
#include "appkit/SavePanel.h"
#include "foundation/Preferences.h"
#include "foundation/StyleChar.h"
#include "foundation/StyleParagraph.h"
#include "graphics/Font.h"
#include "core/Alert.h"
#include "core/FileManager.h"
#include "core/UserDefaults.h"
#include "document/LayoutDocument.h"
#include "items/TextItem.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextWord.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

class WordProcessorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ = kit::FileManager::uniqueTemporaryPath("words");
        ASSERT_TRUE(kit::FileManager::createDirectoryAtPath(folder_));
        setenv("XDG_CONFIG_HOME", (folder_ + "/config").c_str(), 1);
        setenv("HOME", (folder_ + "/home").c_str(), 1);
        kit::FileManager::createDirectoryAtPath(folder_ + "/home");
        kit::UserDefaults::resetStandardUserDefaults();
        alerts_ = std::make_shared<kit::ScriptedAlertHandler>();
        kit::setAlertHandler(alerts_);
        panels_ = std::make_shared<kit::ScriptedFilePanelHandler>();
        kit::setFilePanelHandler(panels_);
        kit::Application::sharedApplication().resetForTesting();
        kit::Clock::useVirtualClock();
        Scrivly::initialize();
        TextWord::initialize();
        delegate_ = std::make_unique<Scrivly>();
        delegate_->preferences()->setNewSmartPunctuation(false);
    }

    void TearDown() override
    {
        delegate_.reset();
        kit::setFilePanelHandler(nullptr);
        kit::setAlertHandler(nullptr);
        kit::Clock::useRealClock();
        kit::FileManager::removeFileAtPath(folder_);
    }

    std::string path(const std::string& name) const { return folder_ + "/" + name; }

    // File > New, in a window that is not shown.
    ScrivlyDocument* newDocument() { return dynamic_cast<ScrivlyDocument*>(delegate_->new_(false)); }

    kit::Event key(const std::u16string& characters) const
    {
        return kit::Event::keyEventWithType(kit::EventType::KeyDown, {}, 0, kit::Clock::now(), 0, characters,
                                            characters, false);
    }

    // Text typed at the caret of the first page's main text.
    static void typeText(ScrivlyDocument& document, const std::string& text)
    {
        TextFlow* flow = document.mainTextItemForPage(document.pageAt(0))->flow();
        // Without launching there is no default font: a printer font of
        // known widths.
        kit::Font* font = kit::Font::fontWithName("Times-Roman", 12);
        for (const auto& paragraph : flow->paragraphList())
            paragraph->paragraphStyle()->setFont(font);
        auto typing = std::make_unique<StyleChar>();
        typing->setFont(font);
        flow->setCharStyle(std::move(typing));
        for (char c : text)
            flow->currentParagraph()->addByte(static_cast<unsigned char>(c));
        flow->recomputeAll();
        flow->completeLayout();
    }

    // The words of every flow, a space between words, paragraphs on lines
    // of their own.
    static std::string textOf(const LayoutDocument& document)
    {
        std::string text;
        for (TextFlow* flow : document.flows())
            for (const auto& paragraph : flow->paragraphList()) {
                std::string line;
                for (int i = 0; i < paragraph->wordCount(); ++i)
                    if (const TextWord* word = paragraph->wordAtIndex(i); word && !word->isSpecial() && word->length()) {
                        if (!line.empty())
                            line += ' ';
                        line.append(word->text(), std::size_t(word->length()));
                    }
                text += line + "\n";
            }
        return text;
    }

    std::string folder_;
    std::shared_ptr<kit::ScriptedAlertHandler> alerts_;
    std::shared_ptr<kit::ScriptedFilePanelHandler> panels_;
    std::unique_ptr<Scrivly> delegate_;
};
