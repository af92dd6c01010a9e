#pragma once

// A flow of one paragraph in the fixture font (every glyph 600 units wide,
// so 6 points at size 10), with a delegate whose preferences the test sets.

#include "HigherLayers.h"

#include "core/Alert.h"
#include "core/Archiver.h"
#include "core/FileManager.h"
#include "core/Unarchiver.h"
#include "core/UserDefaults.h"
#include "foundation/Preferences.h"
#include "foundation/StyleChar.h"
#include "foundation/StyleParagraph.h"
#include "graphics/Font.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextWord.h"
#include "text/TextWordSpecial.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

inline kit::Font* fixtureFont(float size = 10)
{
    static const std::string registered =
        kit::Font::registerFontFromAFM(std::string(SCRIVLY_FIXTURES_DIR) + "/Fixed-Test.afm");
    EXPECT_EQ(registered, "");
    return kit::Font::fontWithName("Fixed-Test", size);
}

// Units written by hand, read into an object under a version.
template <class T>
void readUnits(float version, const std::function<void(kit::Archiver&)>& write, T& object)
{
    kit::Archiver out;
    write(out);
    kit::Unarchiver in(out.data());
    in.setOpenFileVersion(version);
    object.initWithCoder(in);
    EXPECT_TRUE(in.isAtEnd());
}

class TextTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ = kit::FileManager::uniqueTemporaryPath("text-defaults");
        ASSERT_TRUE(kit::FileManager::createDirectoryAtPath(folder_));
        setenv("XDG_CONFIG_HOME", folder_.c_str(), 1);
        kit::UserDefaults::resetStandardUserDefaults();
        alerts_ = std::make_shared<kit::ScriptedAlertHandler>();
        kit::setAlertHandler(alerts_);
        Layvane::initialize();
        TextWord::initialize();
        delegate_ = std::make_unique<Layvane>();
        font_ = fixtureFont();
        ASSERT_NE(font_, nullptr);
        flow_ = std::make_unique<TextFlow>();
        paragraph_ = flow_->firstParagraph();
        paragraph_->paragraphStyle()->setFont(font_);
        auto typing = std::make_unique<StyleChar>();
        typing->setFont(font_);
        flow_->setCharStyle(std::move(typing));
    }

    void TearDown() override
    {
        flow_.reset();
        delegate_.reset();
        kit::setAlertHandler(nullptr);
        kit::UserDefaults::resetStandardUserDefaults();
        kit::FileManager::removeFileAtPath(folder_);
    }

    Preferences& preferences() { return *delegate_->preferences(); }
    void setSmartPunctuation(bool on) { preferences().setNewSmartPunctuation(on); }
    void setLigatures(bool on) { paragraph_->paragraphStyle()->setLigatures(on); }

    // A word of the paragraph (appended), measured.
    TextWord* addWord(const char* text)
    {
        auto word = std::make_unique<TextWord>();
        TextWord* added = paragraph_->addWord(std::move(word));
        added->setText(text);
        return added;
    }

    template <class W>
    W* add(std::unique_ptr<W> word)
    {
        W* raw = word.get();
        paragraph_->addWord(std::move(word));
        raw->computeWithStyle(nullptr);
        return raw;
    }

    std::string folder_;
    std::shared_ptr<kit::ScriptedAlertHandler> alerts_;
    std::unique_ptr<Layvane> delegate_;
    kit::Font* font_ = nullptr;
    std::unique_ptr<TextFlow> flow_;
    TextParagraph* paragraph_ = nullptr;
};
