#pragma once

#include "appkit/Application.h"
#include "appkit/Clock.h"
#include "appkit/RunLoop.h"
#include "core/Alert.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

// Every test starts with an empty queue on a virtual clock at 0, with alerts
// and beeps answered by a script.
class AppKitTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        app = &kit::Application::sharedApplication();
        kit::Clock::useVirtualClock(0.0);
        app->resetForTesting();
        alerts = std::make_shared<kit::ScriptedAlertHandler>();
        kit::setAlertHandler(alerts);
    }

    void TearDown() override
    {
        app->resetForTesting();
        kit::setAlertHandler(nullptr);
        kit::Clock::useRealClock();
    }

    kit::Application* app = nullptr;
    std::shared_ptr<kit::ScriptedAlertHandler> alerts;
};
