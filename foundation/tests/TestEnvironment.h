#pragma once

// Each test gets an empty defaults folder of its own and a fresh delegate.

#include "app/Layvane.h"
#include "app/Scrivly.h"
#include "app/ScrivlyPreferences.h"
#include "core/Alert.h"
#include "core/FileManager.h"
#include "core/UserDefaults.h"
#include "foundation/Preferences.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

class DefaultsFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ = kit::FileManager::uniqueTemporaryPath("defaults");
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
        kit::setAlertHandler(nullptr);
        kit::UserDefaults::resetStandardUserDefaults();
        ScrivlyPreferences::resetClassSetUp();
        kit::FileManager::removeFileAtPath(folder_);
    }

    kit::UserDefaults& defaults() { return kit::UserDefaults::standardUserDefaults(); }

    // Main for the length of the test.
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

    std::string folder_;
    std::shared_ptr<kit::ScriptedAlertHandler> alerts_;
    std::unique_ptr<Layvane> delegate_;
};
