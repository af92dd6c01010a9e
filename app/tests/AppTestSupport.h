#pragma once

// A fresh defaults folder (the user's key-map folder lies in it), scripted
// alerts, the application on the virtual clock and a delegate that is Main.

#include "app/Layvane.h"
#include "app/Scrivly.h"
#include "app/ScrivlyPreferences.h"
#include "appkit/Application.h"
#include "appkit/Clock.h"
#include "appkit/Event.h"
#include "core/Alert.h"
#include "core/FileManager.h"
#include "core/UserDefaults.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

class AppTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        app_ = &kit::Application::sharedApplication();
        kit::Clock::useVirtualClock(0.0);
        app_->resetForTesting();
        folder_ = kit::FileManager::uniqueTemporaryPath("app-defaults");
        ASSERT_TRUE(kit::FileManager::createDirectoryAtPath(folder_));
        setenv("XDG_CONFIG_HOME", folder_.c_str(), 1);
        kit::UserDefaults::resetStandardUserDefaults();
        ScrivlyPreferences::resetClassSetUp();
        alerts_ = std::make_shared<kit::ScriptedAlertHandler>();
        kit::setAlertHandler(alerts_);
    }

    void TearDown() override
    {
        delegate_.reset();
        app_->resetForTesting();
        kit::Clock::useRealClock();
        kit::setAlertHandler(nullptr);
        kit::UserDefaults::resetStandardUserDefaults();
        ScrivlyPreferences::resetClassSetUp();
        kit::FileManager::removeFileAtPath(folder_);
    }

    Layvane& makeDelegate(bool wordProcessor = false)
    {
        delegate_.reset();
        if (wordProcessor) {
            Scrivly::initialize();
            delegate_ = std::make_unique<Scrivly>();
        } else {
            Layvane::initialize();
            delegate_ = std::make_unique<Layvane>();
        }
        return *delegate_;
    }

    // Writes a file into the user's key-map folder.
    void writeUserKeymap(const std::string& name, const std::string& bytes)
    {
        const std::string folder = kit::UserDefaults::defaultsFolder();
        ASSERT_TRUE(kit::FileManager::createDirectoryAtPath(folder));
        ASSERT_TRUE(kit::FileManager::writeFileAtomically(folder + "/" + name + ".keymap", bytes));
    }

    static kit::Event key(std::u16string chars, unsigned flags = 0, kit::EventType type = kit::EventType::KeyDown)
    {
        return kit::Event::keyEventWithType(type, {}, flags, kit::Clock::now(), 0, chars, chars, false);
    }

    kit::Application* app_ = nullptr;
    std::string folder_;
    std::shared_ptr<kit::ScriptedAlertHandler> alerts_;
    std::unique_ptr<Layvane> delegate_;
};
