#include "AppKitTesting.h"
#include "ConnectionTesting.h"

#include "appkit/Connection.h"
#include "core/FileManager.h"

#include <csignal>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace kit;

class ConnectionTest : public AppKitTest {
protected:
    void SetUp() override
    {
        AppKitTest::SetUp();
        if (const char* old = std::getenv("XDG_RUNTIME_DIR"))
            oldRuntime_ = old;
        runtime_ = FileManager::uniqueTemporaryPath("runtime");
        ::mkdir(runtime_.c_str(), 0700);
        setenv("XDG_RUNTIME_DIR", runtime_.c_str(), 1);
    }
    void TearDown() override
    {
        if (oldRuntime_.empty())
            unsetenv("XDG_RUNTIME_DIR");
        else
            setenv("XDG_RUNTIME_DIR", oldRuntime_.c_str(), 1);
        FileManager::removeFileAtPath(runtime_);
        AppKitTest::TearDown();
    }
    std::string runtime_, oldRuntime_;
};

TEST_F(ConnectionTest, ANameIsServedByOneProgramAtATime)
{
    EXPECT_EQ(Connection::socketPathForName("ScrivlyRemoteControl"), runtime_ + "/ScrivlyRemoteControl");
    for (const char* bad : {"", "../x", "a/b", ".hidden", "sp ace"})
        EXPECT_EQ(Connection::socketPathForName(bad), "") << bad;

    std::unique_ptr<Connection> server = Connection::serviceConnectionWithName("ScrivlyTest");
    ASSERT_NE(server, nullptr);
    struct stat st {};
    ASSERT_EQ(::stat((runtime_ + "/ScrivlyTest").c_str(), &st), 0);
    EXPECT_TRUE(S_ISSOCK(st.st_mode));
    EXPECT_EQ(st.st_mode & 077, 0u); // for this user only
    EXPECT_EQ(Connection::serviceConnectionWithName("ScrivlyTest"), nullptr);
    EXPECT_EQ(Connection::connectionWithRegisteredName("ScrivlyTest", "otherhost"), nullptr);
    EXPECT_EQ(Connection::connectionWithRegisteredName("NobodyServesThis"), nullptr);

    // A socket left by a program that died is taken over.
    server.reset();
    int stale = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, (runtime_ + "/ScrivlyTest").c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(stale, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(stale); // bound, never listening: as a crash leaves it
    server = Connection::serviceConnectionWithName("ScrivlyTest");
    EXPECT_NE(server, nullptr);

    // Without a session folder, a private one of the user's own.
    unsetenv("XDG_RUNTIME_DIR");
    std::string fallback = Connection::socketPathForName("ScrivlyTest");
    EXPECT_EQ(fallback, "/tmp/scrivly-" + std::to_string(::geteuid()) + "/ScrivlyTest");
    setenv("XDG_RUNTIME_DIR", runtime_.c_str(), 1);
}

TEST_F(ConnectionTest, ASecondProgramHandsItsFilesToTheFirst)
{
    Clock::useRealClock();
    std::string name = "ScrivlyTest" + std::to_string(::getpid());
    std::unique_ptr<Connection> server = Connection::serviceConnectionWithName(name);
    ASSERT_NE(server, nullptr);
    std::vector<std::string> opened;
    std::unique_ptr<Receiver> opener = makeFileOpener(opened);
    server->setRootObject(opener.get());

    pid_t child = fork();
    if (child == 0) {
        setenv("SCRIVLY_CONNECTION_NAME", name.c_str(), 1);
        execl("/proc/self/exe", "kit_appkit_tests", "--gtest_filter=ConnectionChild.*", static_cast<char*>(nullptr));
        _exit(127);
    }
    ASSERT_GT(child, 0);
    int status = -1;
    double waited = 0;
    // The first program's loop runs until the second has finished.
    auto watch = Timer::scheduledTimerWithTimeInterval(0.02, [&](Timer& t) {
        waited += 0.02;
        pid_t done = ::waitpid(child, &status, WNOHANG);
        if (done == child || waited > 60) {
            if (done != child) {
                ::kill(child, SIGKILL);
                ::waitpid(child, &status, 0);
            }
            t.invalidate();
            app->stop();
            app->postEvent(Event::otherEventWithType(EventType::ApplicationDefined, {}, 0, 0, 0), false);
        }
    }, true);
    app->run();
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(opened, (std::vector<std::string>{"/docs/one.syb", "/docs/two.syb", "/docs/three.syb"}));
    // Every client, the hostile ones included, is gone again once the
    // server has read their ends.
    RunLoop::currentRunLoop().runUntilDate(Date::dateWithTimeIntervalSinceNow(0.3));
    EXPECT_EQ(server->clientCount(), 0u);
}
