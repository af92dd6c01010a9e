// Work on other threads reports back on the run loop, and a loop waiting for
// events waits for it too instead of calling itself idle.

#include "AppKitTesting.h"

#include "core/MainQueue.h"
#include "graphics/Image.h"
#include "graphics/PostScriptContext.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

using namespace kit;

using BackgroundWorkTest = AppKitTest;

TEST_F(BackgroundWorkTest, AWaitingLoopRunsWhatAnotherThreadPosts)
{
    bool ran = false;
    std::thread::id ranOn;
    MainQueue::beginBackgroundWork();
    std::thread worker([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        MainQueue::post([&] {
            ran = true;
            ranOn = std::this_thread::get_id();
        });
        MainQueue::endBackgroundWork();
    });
    // On the virtual clock nothing else can wake this loop: it must wait
    // for the work, run its result, and only then find itself idle.
    auto event = app->nextEventMatchingMask(AnyEventMask, Date::distantFuture(), DefaultRunLoopMode, true);
    worker.join();
    EXPECT_FALSE(event.has_value());
    EXPECT_TRUE(ran);
    EXPECT_EQ(ranOn, std::this_thread::get_id());
}

TEST(BackgroundWorkExit, TheProgramExitsOnlyAfterWorkStillInFlightHasPosted)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            MainQueue::beginBackgroundWork();
            std::thread([] {
                std::this_thread::sleep_for(std::chrono::milliseconds(300));
                MainQueue::post([] {});
                std::fputs("worker posted\n", stderr);
                MainQueue::endBackgroundWork();
            }).detach();
            std::exit(0);
        },
        testing::ExitedWithCode(0), "worker posted");
}

TEST_F(BackgroundWorkTest, AnEPSPictureBecomesReadyWhileTheLoopRuns)
{
    PostScriptContext eps(PostScriptContext::Kind::EPS);
    eps.beginPage("1", 1, makeRect(0, 0, 40, 40));
    eps.setgray(0);
    eps.rectfill(0, 0, 40, 40);
    eps.endDocument();
    auto image = Image::imageWithData(eps.output());
    ASSERT_TRUE(image);
    int ready = 0;
    image->setReadyHandler([&](Image&) { ++ready; });
    ASSERT_EQ(image->prepareCache(), Image::CacheState::NotReady);
    app->run(); // returns once idle, on the virtual clock
    EXPECT_EQ(ready, 1);
    EXPECT_EQ(image->cacheState(), Image::CacheState::Ready) << image->cacheError();
}
