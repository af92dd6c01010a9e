#include "DocumentTestSupport.h"

#include "appkit/Application.h"
#include "appkit/Clock.h"
#include "appkit/FilePanelHandler.h"

void DocumentFileTest::SetUp()
{
    folder_ = kit::FileManager::uniqueTemporaryPath("documents");
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
    Layvane::initialize();
    delegate_ = std::make_unique<RecordingDelegate>();
    delegate_->preferences()->setNewSmartPunctuation(false);
}

void DocumentFileTest::TearDown()
{
    delegate_.reset();
    kit::setFilePanelHandler(nullptr);
    kit::setAlertHandler(nullptr);
    kit::Clock::useRealClock();
    kit::FileManager::removeFileAtPath(folder_);
}
