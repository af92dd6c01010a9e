// A second launch hands its files to the program that serves the session,
// also while that program waits in a modal loop: the files are taken at
// once and open when the program is back in its main loop.

#include "WordProcessorFixture.h"

#include "appkit/Connection.h"
#include "appkit/RunLoop.h"

#include <atomic>
#include <sys/stat.h>
#include <thread>

namespace {

class ScrivlyLaunch : public WordProcessorTest {
protected:
    void SetUp() override
    {
        WordProcessorTest::SetUp();
        if (const char* old = std::getenv("XDG_RUNTIME_DIR"))
            oldRuntime_ = old;
        runtime_ = path("run");
        ::mkdir(runtime_.c_str(), 0700);
        setenv("XDG_RUNTIME_DIR", runtime_.c_str(), 1);
        // The second launch runs on a thread of its own, in real time.
        kit::Clock::useRealClock();
    }
    void TearDown() override
    {
        if (oldRuntime_.empty())
            unsetenv("XDG_RUNTIME_DIR");
        else
            setenv("XDG_RUNTIME_DIR", oldRuntime_.c_str(), 1);
        WordProcessorTest::TearDown();
    }

    // Runs the loop in the mode until the condition holds (or a generous
    // bound passes); answers the condition.
    template <typename Condition>
    static bool runUntil(const char* mode, Condition done)
    {
        for (int turn = 0; turn < 2000 && !done(); ++turn)
            kit::RunLoop::currentRunLoop().runMode(mode, kit::Date::dateWithTimeIntervalSinceNow(0.01));
        return done();
    }

    std::string runtime_, oldRuntime_;
};

TEST_F(ScrivlyLaunch, FilesHandedOverInAModalLoopAreTakenAtOnceAndOpenedAfterIt)
{
    const std::string file = path("handed.syb");
    ScrivlyDocument* made = newDocument();
    typeText(*made, "Handed over.");
    ASSERT_TRUE(made->saveFile(file, false));
    ASSERT_TRUE(made->close(nullptr) == nullptr);
    ASSERT_TRUE(delegate_->documents().empty());

    bool elsewhere = true;
    std::unique_ptr<kit::Connection> launcher = delegate_->serveLaunchConnection(&elsewhere);
    ASSERT_NE(launcher, nullptr);
    EXPECT_FALSE(elsewhere);
    // A second program finds the name taken.
    EXPECT_EQ(delegate_->serveLaunchConnection(&elsewhere), nullptr);
    EXPECT_TRUE(elsewhere);

    // The second launch, while this program waits in an alert's loop.
    std::atomic<bool> ended{false};
    Scrivly::HandOver result = Scrivly::HandOver::NoProgram;
    std::string why;
    std::thread second([&] {
        result = Scrivly::handOverToRunningProgram({"Scrivly", file}, &why);
        ended = true;
    });
    const bool answered = runUntil(kit::ModalPanelRunLoopMode, [&] { return ended.load(); });
    second.join();
    ASSERT_TRUE(answered);
    EXPECT_EQ(result, Scrivly::HandOver::Taken) << why;
    // Nothing opens inside the modal loop.
    for (int turn = 0; turn < 20; ++turn)
        kit::RunLoop::currentRunLoop().runMode(kit::ModalPanelRunLoopMode, kit::Date::dateWithTimeIntervalSinceNow(0.01));
    EXPECT_TRUE(delegate_->documents().empty());

    // Back in the main loop, the file opens.
    ASSERT_TRUE(runUntil(kit::DefaultRunLoopMode, [&] { return !delegate_->documents().empty(); }));
    EXPECT_EQ(delegate_->documents().front()->filename(), file);
    EXPECT_EQ(textOf(*delegate_->documents().front()), "Handed over.\n");
}

TEST_F(ScrivlyLaunch, WithoutARunningProgramNothingIsHandedOver)
{
    std::string why;
    EXPECT_EQ(Scrivly::handOverToRunningProgram({"Scrivly", path("x.syb")}, &why), Scrivly::HandOver::NoProgram);
}

} // namespace
