#include "AppKitTesting.h"
#include "ConnectionTesting.h"

#include "appkit/Connection.h"
#include "core/FileManager.h"

#include <cmath>
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

namespace {

int rawClientOf(const std::string& path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Runs the loop a little (the virtual clock jumps to its end).
void turnLoop()
{
    RunLoop::currentRunLoop().runUntilDate(Date::dateWithTimeIntervalSinceNow(0.01));
}

// What the server sends on the descriptor while its loop runs, until the
// server ends the connection, a whole reply has come, or the turns run out.
std::string readWhileServing(int fd)
{
    std::string read;
    for (int turn = 0; turn < 500 && !isWholeReply(read); ++turn) {
        turnLoop();
        char chunk[4096];
        ssize_t n = ::recv(fd, chunk, sizeof chunk, MSG_DONTWAIT);
        if (n == 0)
            break;
        if (n > 0)
            read.append(chunk, static_cast<size_t>(n));
    }
    return read;
}

} // namespace

TEST_F(ConnectionTest, ClientsThatNeverSpeakCannotKeepARequestOut)
{
    std::unique_ptr<Connection> server = Connection::serviceConnectionWithName("ScrivlyTest");
    ASSERT_NE(server, nullptr);
    std::vector<std::string> opened;
    std::unique_ptr<Receiver> opener = makeFileOpener(opened);
    server->setRootObject(opener.get());
    const std::string path = Connection::socketPathForName("ScrivlyTest");

    // Every place taken by a client that says nothing.
    std::vector<int> silent;
    for (size_t i = 0; i < Connection::MaxClients; ++i) {
        silent.push_back(rawClientOf(path));
        ASSERT_GE(silent.back(), 0);
        turnLoop();
    }
    EXPECT_EQ(server->clientCount(), Connection::MaxClients);

    // One more, with a request: it is answered, and the places stay as many.
    int asking = rawClientOf(path);
    ASSERT_GE(asking, 0);
    const std::string frame = echoRequestFrame();
    ASSERT_EQ(::write(asking, frame.data(), frame.size()), static_cast<ssize_t>(frame.size()));
    EXPECT_TRUE(isWholeReply(readWhileServing(asking)));
    EXPECT_EQ(server->clientCount(), Connection::MaxClients);

    // Silent clients are dropped once they have been silent too long.
    server->setIdleTimeout(5);
    RunLoop::currentRunLoop().runUntilDate(Date::dateWithTimeIntervalSinceNow(20));
    EXPECT_EQ(server->clientCount(), 0u);
    int ended = 0;
    for (int fd : silent) {
        char byte;
        ended += ::recv(fd, &byte, 1, MSG_DONTWAIT) == 0 ? 1 : 0;
        ::close(fd);
    }
    EXPECT_EQ(ended, static_cast<int>(silent.size()));
    ::close(asking);
    // Without clients nothing is left to wake the loop.
    EXPECT_TRUE(std::isinf(RunLoop::currentRunLoop().limitDateForMode(DefaultRunLoopMode)));
}

TEST_F(ConnectionTest, TwoProgramsStartingAtOnceNeverBothServe)
{
    std::unique_ptr<Connection> first = Connection::serviceConnectionWithName("ScrivlyTest");
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(Connection::isNameHeld("ScrivlyTest"));
    // As though the first had taken the name and did not listen yet: no
    // socket answers, but the name is taken.
    ASSERT_EQ(::unlink((runtime_ + "/ScrivlyTest").c_str()), 0);
    bool elsewhere = false;
    EXPECT_EQ(Connection::serviceConnectionWithName("ScrivlyTest", &elsewhere), nullptr);
    EXPECT_TRUE(elsewhere);
    first.reset();
    EXPECT_FALSE(Connection::isNameHeld("ScrivlyTest"));
    std::unique_ptr<Connection> second = Connection::serviceConnectionWithName("ScrivlyTest", &elsewhere);
    EXPECT_NE(second, nullptr);
    EXPECT_FALSE(elsewhere);
    EXPECT_FALSE(Connection::isNameHeld("NobodyServesThis"));
}
