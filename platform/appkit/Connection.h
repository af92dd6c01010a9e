#pragma once

#include "appkit/Receiver.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kit {

class Array;
class PortMessage;
class Timer;

// A named connection between programs of one user: a local socket named
// after the connection in $XDG_RUNTIME_DIR (without one, in a folder of the
// user's own under /tmp). A server registers the name and serves requests
// on the main run loop; a client connects by name and sends requests, each
// a selector with arguments, and waits for the reply. The second launch of
// the program hands its files to the first this way, and the remote API is
// served over it.
//
// Requests come from other programs: the server reads them with bounded
// buffers (PortMessage's limits), refuses peers of other users, and drops a
// client that sends anything malformed. Clients hold at most MaxClients
// places: one silent for longer than the idle time-out is dropped, and when
// every place is taken the one silent longest makes way for a newcomer, so
// that clients that never speak cannot keep a request out.
class Connection : public Receiver {
public:
    using RequestHandler =
        std::function<std::unique_ptr<Object>(const std::string& selector, const Array& arguments, std::string* error)>;

    ~Connection() override;
    std::string className() const override { return "NSConnection"; }

    // ---- Where names live.
    // The socket's path for the name; empty for a name that is not a plain
    // word ([A-Za-z0-9._-], not starting with a dot, at most 64 bytes) or a
    // folder that is not the user's own.
    static std::string socketPathForName(const std::string& name);

    // ---- Serving.
    // A connection that serves the name, or nil when another live program
    // serves it already (servedElsewhere is then set) or the socket cannot
    // be made. The server holds a lock beside the socket for as long as it
    // serves, so that two programs starting at once never both serve; a
    // socket left by a program that died is replaced.
    static std::unique_ptr<Connection> serviceConnectionWithName(const std::string& name,
                                                                 bool* servedElsewhere = nullptr);
    // Whether a live program holds the name: it serves it, or is about to.
    static bool isNameHeld(const std::string& name);
    // Requests are sent to the root object as its actions, the arguments
    // (an Array) as argument; what it answers is the reply (the root keeps
    // it). A selector it does not answer gets an error reply.
    void setRootObject(Receiver* root);
    Receiver* rootObject() const { return root_.get(); }
    // Or a handler that answers each request itself.
    void setRequestHandler(RequestHandler handler) { handler_ = std::move(handler); }
    // The run-loop modes requests are served in (the default mode only, so
    // that none arrives inside a modal panel, an alert or a mouse drag).
    void setRequestModes(const std::vector<std::string>& modes);
    size_t clientCount() const;
    static constexpr size_t MaxClients = 64;
    // Seconds a client may stay silent before it is dropped (30 at first).
    double idleTimeout() const { return idleTimeout_; }
    void setIdleTimeout(double seconds);

    // ---- Sending.
    // A connection to the program serving the name; nil when none does.
    // The host must be empty (this machine).
    static std::unique_ptr<Connection> connectionWithRegisteredName(const std::string& name,
                                                                    const std::string& host = std::string());
    // Sends the request and waits for its reply (up to the reply time-out).
    // Nil with *error set when the request failed, was refused or timed out.
    std::unique_ptr<Object> sendRequest(const std::string& selector, std::unique_ptr<Array> arguments,
                                        std::string* error = nullptr);
    double requestTimeout() const { return requestTimeout_; }
    void setRequestTimeout(double seconds);
    double replyTimeout() const { return replyTimeout_; }
    void setReplyTimeout(double seconds);

    const std::string& name() const { return name_; }
    bool isValid() const { return fd_ >= 0; }
    // Closes the socket (a server also removes its name).
    void invalidate();

private:
    Connection() = default;
    struct Client;
    void acceptClients();
    void readFrom(int clientId);
    void dropClient(int clientId);
    void serve(Client& client, const PortMessage& request);
    bool writeAll(int fd, const std::string& bytes, double timeout);
    void listenInModes();
    void dropIdleClients();
    void watchIdleClients();

    std::string name_;
    std::string path_;
    int fd_ = -1;
    bool server_ = false;
    // The socket file this server made (device, inode).
    unsigned long socketDevice_ = 0;
    unsigned long socketInode_ = 0;
    int listenSource_ = 0;
    std::vector<std::string> modes_;
    std::vector<std::unique_ptr<Client>> clients_;
    int nextClientId_ = 1;
    WeakRef<Receiver> root_;
    RequestHandler handler_;
    std::uint32_t nextSequence_ = 1;
    double requestTimeout_ = 60;
    double replyTimeout_ = 60;
    double idleTimeout_ = 30;
    // The lock a server holds on "<socket>.lock" while it serves.
    int lockFd_ = -1;
    std::shared_ptr<Timer> idleTimer_;
};

} // namespace kit
