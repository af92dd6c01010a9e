#pragma once

#include "appkit/Application.h"
#include "appkit/Clock.h"
#include "appkit/Responder.h"
#include "appkit/RunLoop.h"
#include "core/Alert.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

// A responder that answers the actions it is told to and remembers each
// call with its sender.
class ActionRecorder : public kit::Responder {
public:
    struct Call {
        std::string action;
        kit::Object* sender;
    };

    explicit ActionRecorder(std::initializer_list<const char*> actions = {})
    {
        for (const char* a : actions)
            listen(a);
    }
    std::string className() const override { return "ActionRecorder"; }

    void listen(const std::string& action)
    {
        setAction(action, [this, action](kit::Object* sender) -> kit::Object* {
            calls.push_back({action, sender});
            return nullptr;
        });
    }
    int count(const std::string& action) const
    {
        int n = 0;
        for (const Call& c : calls)
            n += c.action == action;
        return n;
    }

    std::vector<Call> calls;
};

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
