#pragma once

// A test of page-view sequences in a folder and a settings place of its
// own, with alerts and file panels answered by a script; all of it gone
// after the test.

#include "appkit/FilePanelHandler.h"
#include "core/Alert.h"
#include "core/FileManager.h"
#include "core/UserDefaults.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

template <class Base>
class SequenceSandbox : public Base {
protected:
    explicit SequenceSandbox(const char* name) : name_(name) {}

    void SetUp() override
    {
        folder_ = kit::FileManager::uniqueTemporaryPath(name_);
        ASSERT_TRUE(kit::FileManager::createDirectoryAtPath(folder_));
        setenv("XDG_CONFIG_HOME", (folder_ + "/config").c_str(), 1);
        kit::UserDefaults::resetStandardUserDefaults();
        alerts_ = std::make_shared<kit::ScriptedAlertHandler>();
        kit::setAlertHandler(alerts_);
        panels_ = std::make_shared<kit::ScriptedFilePanelHandler>();
        kit::setFilePanelHandler(panels_);
    }

    void TearDown() override
    {
        kit::setFilePanelHandler(nullptr);
        kit::setAlertHandler(nullptr);
        kit::UserDefaults::resetStandardUserDefaults();
        kit::FileManager::removeFileAtPath(folder_);
    }

    std::string folder_;
    std::shared_ptr<kit::ScriptedAlertHandler> alerts_;
    std::shared_ptr<kit::ScriptedFilePanelHandler> panels_;

private:
    const char* name_;
};
