// One program per user session: the program serves a named connection, and
// a later launch hands its files to it instead of opening them itself, so
// that two programs never edit and autosave one file. A later launch that
// finds a program it cannot reach ends without opening anything.

#include "app/Scrivly.h"

#include "appkit/Connection.h"
#include "appkit/Event.h"
#include "core/FileManager.h"
#include "core/Values.h"

#include <chrono>
#include <cstdio>
#include <thread>

Scrivly::HandOver Scrivly::handOverToRunningProgram(const std::vector<std::string>& arguments, std::string* why)
{
    const auto start = std::chrono::steady_clock::now();
    const auto waited = [&start] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    std::unique_ptr<kit::Connection> running;
    for (;;) {
        running = kit::Connection::connectionWithRegisteredName(launchConnectionName());
        if (running)
            break;
        if (!kit::Connection::isNameHeld(launchConnectionName()))
            return HandOver::NoProgram;
        // A program is starting and does not listen yet.
        if (waited() > HandOverPatience) {
            *why = "it does not accept connections";
            return HandOver::Unreachable;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    auto files = std::make_unique<kit::Array>();
    for (size_t i = 1; i < arguments.size(); ++i) {
        std::string path = arguments[i];
        if (!path.empty() && path[0] != '/')
            path = kit::FileManager::currentDirectoryPath() + "/" + path;
        files->addOwnedObject(std::make_unique<kit::String>(path));
    }
    // The program takes the files at once, whatever it is doing; only one
    // that hangs makes this wait so long.
    running->setReplyTimeout(HandOverPatience);
    std::string error;
    const std::unique_ptr<kit::Object> reply = running->sendRequest("openFiles:", std::move(files), &error);
    if (!error.empty()) {
        *why = error;
        return HandOver::Unreachable;
    }
    return HandOver::Taken;
}

std::unique_ptr<kit::Connection> Scrivly::serveLaunchConnection(bool* servedElsewhere)
{
    std::unique_ptr<kit::Connection> connection =
        kit::Connection::serviceConnectionWithName(launchConnectionName(), servedElsewhere);
    if (!connection)
        return nullptr;
    connection->setRequestModes({kit::DefaultRunLoopMode, kit::ModalPanelRunLoopMode, kit::EventTrackingRunLoopMode});
    setAction("openHandedOverFiles:", [this](kit::Object*) -> kit::Object* {
        openHandedOverFiles();
        return nullptr;
    });
    connection->setRequestHandler([this](const std::string& selector, const kit::Array& arguments,
                                         std::string* error) -> std::unique_ptr<kit::Object> {
        if (selector != "openFiles:") {
            *error = "unknown request";
            return nullptr;
        }
        // Taken now, opened from the main loop: a request may arrive while
        // an alert or a panel waits for the user, or in a mouse drag.
        std::vector<std::string> paths;
        for (kit::Object* argument : arguments.objects())
            if (auto* path = dynamic_cast<kit::String*>(argument))
                paths.push_back(path->value());
        const int taken = static_cast<int>(paths.size());
        handedOver_.push_back(std::move(paths));
        performSelector("openHandedOverFiles:", nullptr, 0.0);
        return std::make_unique<kit::Number>(taken);
    });
    return connection;
}

void Scrivly::openHandedOverFiles()
{
    while (!handedOver_.empty()) {
        const std::vector<std::string> paths = std::move(handedOver_.front());
        handedOver_.erase(handedOver_.begin());
        for (const std::string& path : paths)
            applicationOpenFile(path);
        // A launch without files brings a document to the front.
        if (paths.empty() && documents().empty())
            new_(true);
    }
}
