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
#include "foundation/tests/TestEnvironment.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

class AppTest : public DefaultsFolderTest {
protected:
    void SetUp() override
    {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        app_ = &kit::Application::sharedApplication();
        kit::Clock::useVirtualClock(0.0);
        app_->resetForTesting();
        DefaultsFolderTest::SetUp();
    }

    void TearDown() override
    {
        delegate_.reset();
        app_->resetForTesting();
        kit::Clock::useRealClock();
        DefaultsFolderTest::TearDown();
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
};
