#include "ConnectionTesting.h"

#include "appkit/Connection.h"
#include "appkit/Responder.h"
#include "core/FileManager.h"
#include "core/PortMessage.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace kit;

namespace {

// The first program's side: it opens the files it is handed.
class FileOpener : public Responder {
public:
    explicit FileOpener(std::vector<std::string>& into) : opened(into)
    {
        setAction("openFiles:", [this](Object* argument) -> Object* {
            auto* files = dynamic_cast<Array*>(argument);
            for (Object* f : files ? files->objects() : std::vector<Object*>{})
                if (auto* s = dynamic_cast<String*>(f))
                    opened.push_back(s->value());
            answer = std::make_unique<Number>(static_cast<int>(opened.size()));
            return answer.get();
        });
        setAction("echo:", [](Object* argument) -> Object* { return argument; });
    }
    std::string className() const override { return "FileOpener"; }
    std::vector<std::string>& opened;
    std::unique_ptr<Object> answer;
};

std::unique_ptr<Array> arrayOf(std::initializer_list<std::string> strings)
{
    auto a = std::make_unique<Array>();
    for (const auto& s : strings)
        a->addOwnedObject(std::make_unique<String>(s));
    return a;
}

int rawSocketTo(const std::string& path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Whether the server ends the connection after what was written.
bool serverHangsUp(int fd)
{
    char buffer[4096];
    for (int i = 0; i < 100; ++i) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0 || (n < 0 && errno != EINTR))
            return true;
    }
    return false;
}

} // namespace

std::unique_ptr<Receiver> makeFileOpener(std::vector<std::string>& opened)
{
    return std::make_unique<FileOpener>(opened);
}

std::string echoRequestFrame()
{
    std::string frame;
    PortMessage::request(1, "echo:", arrayOf({"hello"})).encode(&frame);
    return frame;
}

bool isWholeReply(const std::string& bytes)
{
    if (bytes.size() < 4)
        return false;
    const std::uint32_t length = PortMessage::frameLength(reinterpret_cast<const unsigned char*>(bytes.data()));
    if (bytes.size() < 4 + static_cast<std::size_t>(length))
        return false;
    std::optional<PortMessage> reply = PortMessage::decode(bytes.substr(4, length));
    return reply && reply->kind() == PortMessage::Kind::Reply;
}

// Run by ConnectionTest in a second process, as a second launch of the
// program would: it finds the first by name and hands it its files.
TEST(ConnectionChild, HandsFilesToTheFirstProgram)
{
    const char* name = std::getenv("SCRIVLY_CONNECTION_NAME");
    if (!name)
        GTEST_SKIP() << "run by ConnectionTest.ASecondProgramHandsItsFilesToTheFirst";
    std::unique_ptr<Connection> first = Connection::connectionWithRegisteredName(name);
    ASSERT_NE(first, nullptr);
    std::string error;
    std::unique_ptr<Object> reply = first->sendRequest("openFiles:", arrayOf({"/docs/one.syb", "/docs/two.syb"}), &error);
    ASSERT_NE(reply, nullptr) << error;
    EXPECT_EQ(static_cast<Number*>(reply.get())->intValue(), 2);
    EXPECT_EQ(first->sendRequest("launchMissiles:", arrayOf({}), &error), nullptr);
    EXPECT_NE(error.find("no operation"), std::string::npos);

    // Hostile peers: a length beyond every limit, and a frame of garbage.
    std::string path = Connection::socketPathForName(name);
    int huge = rawSocketTo(path);
    ASSERT_GE(huge, 0);
    ASSERT_EQ(::write(huge, "\x7f\xff\xff\xff" "abc", 7), 7);
    EXPECT_TRUE(serverHangsUp(huge));
    ::close(huge);
    int garbage = rawSocketTo(path);
    ASSERT_GE(garbage, 0);
    const char frame[] = "\x00\x00\x00\x06\x01\x01\xff\xff\xff\xff";
    ASSERT_EQ(::write(garbage, frame, 10), 10);
    EXPECT_TRUE(serverHangsUp(garbage));
    ::close(garbage);

    // The first program still serves, nested values and all.
    auto nested = arrayOf({"a"});
    auto inner = std::make_unique<Dictionary>();
    inner->setOwnedObject(std::make_unique<Number>(1.5), std::make_unique<String>("size"));
    nested->addOwnedObject(std::move(inner));
    auto expected = PortMessage::copyValue(nested.get());
    reply = first->sendRequest("echo:", std::move(nested), &error);
    ASSERT_NE(reply, nullptr) << error;
    EXPECT_TRUE(reply->isEqual(*expected));
    reply = first->sendRequest("openFiles:", arrayOf({"/docs/three.syb"}), &error);
    ASSERT_NE(reply, nullptr) << error;
    EXPECT_EQ(static_cast<Number*>(reply.get())->intValue(), 3);
}

