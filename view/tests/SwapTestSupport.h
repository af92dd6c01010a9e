#pragma once

// An application without a document, with user defaults in a folder of the
// test's own and scripted alerts: enough for panels and swap views.

#include "appkit/Application.h"
#include "appkit/Window.h"
#include "core/Alert.h"
#include "core/FileManager.h"
#include "core/UserDefaults.h"
#include "view/SwapPanels.h"
#include "view/ZynSizableSwapView.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

class SwapTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        app_ = &kit::Application::sharedApplication();
        app_->resetForTesting();
        folder_ = kit::FileManager::uniqueTemporaryPath("swap-defaults");
        ASSERT_TRUE(kit::FileManager::createDirectoryAtPath(folder_));
        setenv("XDG_CONFIG_HOME", folder_.c_str(), 1);
        kit::UserDefaults::resetStandardUserDefaults();
        alerts_ = std::make_shared<kit::ScriptedAlertHandler>();
        kit::setAlertHandler(alerts_);
        ZynSizableSwapView::initialize();
    }

    void TearDown() override
    {
        app_->resetForTesting();
        kit::setAlertHandler(nullptr);
        kit::UserDefaults::resetStandardUserDefaults();
        kit::FileManager::removeFileAtPath(folder_);
    }

    std::vector<std::string> alertTitles() const
    {
        std::vector<std::string> titles;
        for (const auto& shown : alerts_->shown())
            titles.push_back(shown.title);
        return titles;
    }

    kit::Application* app_ = nullptr;
    std::string folder_;
    std::shared_ptr<kit::ScriptedAlertHandler> alerts_;
};

// A swap delegate that records what it was told and may refuse.
class RecordingSwapDelegate : public kit::Receiver, public SwapViewDelegate {
public:
    std::string className() const override { return "RecordingSwapDelegate"; }
    bool viewWillSwap(kit::Window* panel) override
    {
        calls.push_back({"will", panel});
        return !refuse;
    }
    void viewDidSwap(kit::Window* panel) override { calls.push_back({"did", panel}); }

    struct Call {
        std::string what;
        kit::Window* panel;
        bool operator==(const Call&) const = default;
    };
    std::vector<Call> calls;
    bool refuse = false;
};
