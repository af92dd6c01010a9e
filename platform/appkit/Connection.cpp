#include "appkit/Connection.h"

#include "appkit/Event.h"
#include "appkit/InputSource.h"
#include "core/FileManager.h"
#include "core/PortMessage.h"
#include "core/Values.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace kit {

namespace {

bool plainName(const std::string& name)
{
    if (name.empty() || name.size() > 64 || name.front() == '.')
        return false;
    for (char c : name)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '_' ||
              c == '-'))
            return false;
    return true;
}

// A folder only this user can enter.
bool isPrivateFolder(const std::string& path)
{
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return false;
    return S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & 077) == 0;
}

std::string socketFolder()
{
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime == '/' && isPrivateFolder(runtime))
        return runtime;
    // No session folder: one of our own under /tmp, made private; one that
    // someone else made, or that is not private, is not used.
    std::string folder = "/tmp/scrivly-" + std::to_string(::geteuid());
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return std::string();
    return isPrivateFolder(folder) ? folder : std::string();
}

bool fillAddress(const std::string& path, sockaddr_un* address)
{
    std::memset(address, 0, sizeof *address);
    address->sun_family = AF_UNIX;
    if (path.size() >= sizeof address->sun_path)
        return false;
    std::memcpy(address->sun_path, path.data(), path.size());
    return true;
}

// Connects to the socket at path. A server whose queue of new clients is
// full keeps a connect waiting: for the seconds given at most.
int connectTo(const std::string& path, double timeout)
{
    sockaddr_un address;
    if (!fillAddress(path, &address))
        return -1;
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    timeval limit{};
    limit.tv_sec = static_cast<time_t>(timeout);
    limit.tv_usec = static_cast<suseconds_t>((timeout - static_cast<double>(limit.tv_sec)) * 1e6);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        int saved = errno;
        ::close(fd);
        errno = saved;
        return -1;
    }
    return fd;
}

// The lock beside a socket that its server holds while it serves: an open
// file description lock, which the kernel lets go when the server ends,
// however it ends.
flock wholeFile(short type)
{
    flock lock{};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    return lock;
}

int openNameLock(const std::string& path)
{
    return ::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
}

bool sameUser(int fd)
{
    ucred peer{};
    socklen_t length = sizeof peer;
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &length) == 0 && peer.uid == ::geteuid();
}

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Waits for the descriptor to be readable (or writable) up to the time left.
bool waitFor(int fd, short events, std::chrono::steady_clock::time_point start, double timeout)
{
    for (;;) {
        double left = timeout - secondsSince(start);
        if (left <= 0)
            return false;
        pollfd p{fd, events, 0};
        int ms = left > 3600 ? 3600000 : static_cast<int>(left * 1000) + 1;
        int r = ::poll(&p, 1, ms);
        if (r > 0)
            return true;
        if (r < 0 && errno != EINTR)
            return false;
    }
}

} // namespace

struct Connection::Client {
    int id;
    int fd;
    int source = 0;
    std::string buffer;
    // When the client was last heard from (or last answered).
    double heard = 0;
    // Its request is being answered: however long that takes (an answer
    // may wait for the user), it is not silent.
    bool serving = false;
};

Connection::~Connection()
{
    invalidate();
}

std::string Connection::socketPathForName(const std::string& name)
{
    if (!plainName(name))
        return std::string();
    std::string folder = socketFolder();
    if (folder.empty())
        return std::string();
    return folder + "/" + name;
}

// ---- Serving.

std::unique_ptr<Connection> Connection::serviceConnectionWithName(const std::string& name, bool* servedElsewhere)
{
    if (servedElsewhere)
        *servedElsewhere = false;
    std::string path = socketPathForName(name);
    sockaddr_un address;
    if (path.empty() || !fillAddress(path, &address))
        return nullptr;
    // A live server answers; a socket that refuses is what a dead one left.
    if (int other = connectTo(path, 5.0); other >= 0) {
        ::close(other);
        if (servedElsewhere)
            *servedElsewhere = true;
        return nullptr;
    }
    // Only the holder of the lock may take the name: of two programs that
    // start at once, the other one finds the lock taken.
    int lock = openNameLock(path);
    if (lock < 0)
        return nullptr;
    flock exclusive = wholeFile(F_WRLCK);
    if (::fcntl(lock, F_OFD_SETLK, &exclusive) != 0) {
        ::close(lock);
        if (servedElsewhere)
            *servedElsewhere = true;
        return nullptr;
    }
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) {
        if (!S_ISSOCK(st.st_mode)) {
            ::close(lock);
            return nullptr; // something else has the name: leave it alone
        }
        ::unlink(path.c_str());
    }
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        ::close(lock);
        return nullptr;
    }
    mode_t old = ::umask(077);
    int bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::umask(old);
    if (bound != 0 || ::listen(fd, 16) != 0) {
        ::close(fd);
        ::close(lock);
        return nullptr;
    }
    std::unique_ptr<Connection> c(new Connection);
    c->name_ = name;
    c->path_ = path;
    c->fd_ = fd;
    c->lockFd_ = lock;
    c->server_ = true;
    if (::lstat(path.c_str(), &st) == 0) {
        c->socketDevice_ = static_cast<unsigned long>(st.st_dev);
        c->socketInode_ = static_cast<unsigned long>(st.st_ino);
    }
    c->modes_ = {DefaultRunLoopMode};
    c->listenInModes();
    return c;
}

bool Connection::isNameHeld(const std::string& name)
{
    const std::string path = socketPathForName(name);
    if (path.empty())
        return false;
    int lock = openNameLock(path);
    if (lock < 0)
        return false;
    flock probe = wholeFile(F_WRLCK);
    const bool held = ::fcntl(lock, F_OFD_GETLK, &probe) == 0 && probe.l_type != F_UNLCK;
    ::close(lock);
    return held;
}

void Connection::listenInModes()
{
    if (listenSource_)
        detail::removeInputSource(listenSource_);
    listenSource_ = detail::addInputSource(fd_, [this] { acceptClients(); }, modes_);
    for (auto& client : clients_) {
        detail::removeInputSource(client->source);
        int id = client->id;
        client->source = detail::addInputSource(client->fd, [this, id] { readFrom(id); }, modes_);
    }
    // The watch on silent clients runs in the same modes.
    detail::invalidateTimer(idleTimer_);
    idleTimer_.reset();
    watchIdleClients();
}

void Connection::setRequestModes(const std::vector<std::string>& modes)
{
    modes_ = modes.empty() ? std::vector<std::string>{DefaultRunLoopMode} : modes;
    if (server_ && fd_ >= 0)
        listenInModes();
}

void Connection::setIdleTimeout(double seconds)
{
    if (!(seconds > 0 && seconds < 1e9))
        return;
    idleTimeout_ = seconds;
    detail::invalidateTimer(idleTimer_);
    idleTimer_.reset();
    watchIdleClients();
}

void Connection::dropIdleClients()
{
    const double now = detail::clockNow();
    for (size_t i = clients_.size(); i-- > 0;)
        if (i < clients_.size() && !clients_[i]->serving && now - clients_[i]->heard > idleTimeout_)
            dropClient(clients_[i]->id);
}

// While clients are connected a timer looks for the silent ones; without
// clients nothing is scheduled, so that an idle loop stays idle.
void Connection::watchIdleClients()
{
    if (clients_.empty()) {
        detail::invalidateTimer(idleTimer_);
        idleTimer_.reset();
        return;
    }
    if (idleTimer_)
        return;
    idleTimer_ = detail::addRepeatingTimer(
        idleTimeout_ / 2, [this] {
            dropIdleClients();
            watchIdleClients();
        },
        modes_);
}

void Connection::setRootObject(Receiver* root)
{
    root_ = WeakRef<Receiver>(root);
}

size_t Connection::clientCount() const
{
    return clients_.size();
}

void Connection::acceptClients()
{
    for (;;) {
        int client = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (client < 0)
            return;
        if (!sameUser(client)) {
            ::close(client);
            continue;
        }
        dropIdleClients();
        if (clients_.size() >= MaxClients) {
            // The newcomer takes the place of the client silent longest.
            auto longest = std::min_element(clients_.begin(), clients_.end(), [](const auto& a, const auto& b) {
                return a->serving != b->serving ? b->serving : a->heard < b->heard;
            });
            if (!(*longest)->serving)
                dropClient((*longest)->id);
        }
        auto c = std::make_unique<Client>();
        c->id = nextClientId_++;
        c->fd = client;
        c->heard = detail::clockNow();
        int id = c->id;
        c->source = detail::addInputSource(client, [this, id] { readFrom(id); }, modes_);
        clients_.push_back(std::move(c));
        watchIdleClients();
    }
}

void Connection::dropClient(int clientId)
{
    for (auto it = clients_.begin(); it != clients_.end(); ++it) {
        if ((*it)->id != clientId)
            continue;
        detail::removeInputSource((*it)->source);
        ::close((*it)->fd);
        clients_.erase(it);
        if (clients_.empty())
            watchIdleClients();
        return;
    }
}

void Connection::readFrom(int clientId)
{
    Client* client = nullptr;
    for (auto& c : clients_)
        if (c->id == clientId)
            client = c.get();
    if (!client)
        return;
    char chunk[65536];
    for (;;) {
        ssize_t n = ::read(client->fd, chunk, sizeof chunk);
        if (n > 0) {
            client->heard = detail::clockNow();
            client->buffer.append(chunk, static_cast<size_t>(n));
            // Never more than one whole message (and its length) waiting.
            if (client->buffer.size() > PortMessage::MaxMessageSize + 4 + sizeof chunk)
                break;
            continue;
        }
        if (n == 0 || (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK)) {
            dropClient(clientId);
            return;
        }
        if (errno == EINTR)
            continue;
        break;
    }
    // Every whole frame that has arrived, in order.
    while (client->buffer.size() >= 4) {
        std::uint32_t length = PortMessage::frameLength(reinterpret_cast<const unsigned char*>(client->buffer.data()));
        if (length > PortMessage::MaxMessageSize) {
            dropClient(clientId);
            return;
        }
        if (client->buffer.size() < 4 + static_cast<size_t>(length))
            return;
        std::string payload = client->buffer.substr(4, length);
        client->buffer.erase(0, 4 + static_cast<size_t>(length));
        std::string why;
        std::optional<PortMessage> message = PortMessage::decode(payload, &why);
        if (!message || message->kind() != PortMessage::Kind::Request) {
            // Nothing more is believed from a client that sends garbage.
            std::string frame;
            if (PortMessage::error(0, message ? "only requests are served" : why).encode(&frame))
                writeAll(client->fd, frame, 1.0);
            dropClient(clientId);
            return;
        }
        serve(*client, *message);
        // Serving may have run anything, this client's end included.
        client = nullptr;
        for (auto& c : clients_)
            if (c->id == clientId)
                client = c.get();
        if (!client)
            return;
    }
}

void Connection::serve(Client& client, const PortMessage& request)
{
    int id = client.id;
    client.serving = true;
    std::string error;
    std::unique_ptr<Object> result;
    bool answered = false;
    const Array& arguments = *request.arguments();
    if (handler_) {
        result = handler_(request.selector(), arguments, &error);
        answered = error.empty();
    } else if (Receiver* root = root_.get()) {
        if (root->respondsToSelector(request.selector())) {
            // The root keeps what it answers; the reply carries a copy.
            result = PortMessage::copyValue(root->performSelector(request.selector(), const_cast<Array*>(&arguments)));
            answered = true;
        } else {
            error = "no operation " + request.selector();
        }
    } else {
        error = "nothing is served";
    }
    std::string frame;
    std::string encodeError;
    bool encoded = answered ? PortMessage::reply(request.sequence(), std::move(result)).encode(&frame, &encodeError)
                            : PortMessage::error(request.sequence(), error).encode(&frame);
    if (!encoded)
        PortMessage::error(request.sequence(), encodeError).encode(&frame);
    // Answering may have run anything, the end of this connection included.
    Client* asker = nullptr;
    for (auto& c : clients_)
        if (c->id == id)
            asker = c.get();
    if (!asker)
        return;
    asker->serving = false;
    if (!writeAll(asker->fd, frame, replyTimeout_)) {
        dropClient(id);
        return;
    }
    // The time the request took is not the client's silence.
    asker->heard = detail::clockNow();
}

bool Connection::writeAll(int fd, const std::string& bytes, double timeout)
{
    auto start = std::chrono::steady_clock::now();
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && waitFor(fd, POLLOUT, start, timeout))
            continue;
        return false;
    }
    return true;
}

// ---- Sending.

std::unique_ptr<Connection> Connection::connectionWithRegisteredName(const std::string& name, const std::string& host)
{
    if (!host.empty())
        return nullptr;
    std::string path = socketPathForName(name);
    if (path.empty())
        return nullptr;
    int fd = connectTo(path, 60.0);
    if (fd < 0)
        return nullptr;
    if (!sameUser(fd)) {
        ::close(fd);
        return nullptr;
    }
    std::unique_ptr<Connection> c(new Connection);
    c->name_ = name;
    c->path_ = path;
    c->fd_ = fd;
    return c;
}

void Connection::setRequestTimeout(double seconds)
{
    if (seconds > 0 && seconds < 1e9)
        requestTimeout_ = seconds;
}

void Connection::setReplyTimeout(double seconds)
{
    if (seconds > 0 && seconds < 1e9)
        replyTimeout_ = seconds;
}

std::unique_ptr<Object> Connection::sendRequest(const std::string& selector, std::unique_ptr<Array> arguments,
                                                std::string* error)
{
    auto fail = [error](const std::string& why) -> std::unique_ptr<Object> {
        if (error)
            *error = why;
        return nullptr;
    };
    if (server_ || fd_ < 0)
        return fail("not a connection to a server");
    std::uint32_t sequence = nextSequence_++;
    std::string frame, why;
    if (!PortMessage::request(sequence, selector, std::move(arguments)).encode(&frame, &why))
        return fail(why);
    if (!writeAll(fd_, frame, requestTimeout_))
        return fail("the request could not be sent");
    auto start = std::chrono::steady_clock::now();
    auto readExactly = [&](char* into, size_t count) {
        size_t got = 0;
        while (got < count) {
            if (!waitFor(fd_, POLLIN, start, replyTimeout_))
                return false;
            ssize_t n = ::read(fd_, into + got, count - got);
            if (n > 0)
                got += static_cast<size_t>(n);
            else if (n == 0 || errno != EINTR)
                return false;
        }
        return true;
    };
    unsigned char header[4];
    if (!readExactly(reinterpret_cast<char*>(header), 4)) {
        invalidate();
        return fail("no reply came");
    }
    std::uint32_t length = PortMessage::frameLength(header);
    if (length > PortMessage::MaxMessageSize) {
        invalidate();
        return fail("the reply is too large");
    }
    std::string payload(length, '\0');
    if (!readExactly(payload.data(), length)) {
        invalidate();
        return fail("the reply was cut short");
    }
    std::optional<PortMessage> reply = PortMessage::decode(payload, &why);
    if (!reply) {
        invalidate();
        return fail(why);
    }
    if (reply->kind() == PortMessage::Kind::Error)
        return fail(reply->reason().empty() ? "the request was refused" : reply->reason());
    if (reply->kind() != PortMessage::Kind::Reply || reply->sequence() != sequence) {
        invalidate();
        return fail("a reply to another request");
    }
    if (error)
        error->clear();
    return reply->takeResult();
}

void Connection::invalidate()
{
    while (!clients_.empty())
        dropClient(clients_.back()->id);
    detail::invalidateTimer(idleTimer_);
    idleTimer_.reset();
    if (listenSource_) {
        detail::removeInputSource(listenSource_);
        listenSource_ = 0;
    }
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
        // Only the socket this server made goes: another may have the name now.
        struct stat st {};
        if (server_ && ::lstat(path_.c_str(), &st) == 0 && S_ISSOCK(st.st_mode) &&
            static_cast<unsigned long>(st.st_dev) == socketDevice_ && static_cast<unsigned long>(st.st_ino) == socketInode_)
            ::unlink(path_.c_str());
    }
    // The name is free once its socket is gone.
    if (lockFd_ >= 0) {
        ::close(lockFd_);
        lockFd_ = -1;
    }
}

} // namespace kit
