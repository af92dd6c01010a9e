// One program per user session: the program serves a named connection, and
// a later launch hands its files to it instead of opening them itself, so
// that two programs never edit and autosave one file.

#include "app/Scrivly.h"

#include "appkit/Connection.h"
#include "core/FileManager.h"
#include "core/Values.h"

#include <cstdio>


// Hands the files to the program that serves the session; false when no
// program answers.
bool Scrivly::handOverToRunningProgram(const std::vector<std::string>& arguments)
{
    std::unique_ptr<kit::Connection> running = kit::Connection::connectionWithRegisteredName(Scrivly::launchConnectionName());
    if (!running)
        return false;
    auto files = std::make_unique<kit::Array>();
    for (size_t i = 1; i < arguments.size(); ++i) {
        std::string path = arguments[i];
        if (!path.empty() && path[0] != '/')
            path = kit::FileManager::currentDirectoryPath() + "/" + path;
        files->addOwnedObject(std::make_unique<kit::String>(path));
    }
    std::string error;
    const std::unique_ptr<kit::Object> reply = running->sendRequest("openFiles:", std::move(files), &error);
    if (!error.empty()) {
        std::fprintf(stderr, "Scrivly: the running program did not take the files: %s\n", error.c_str());
        return false;
    }
    return true;
}


std::unique_ptr<kit::Connection> Scrivly::serveLaunchConnection()
{
    std::unique_ptr<kit::Connection> connection = kit::Connection::serviceConnectionWithName(launchConnectionName());
    if (!connection)
        return nullptr;
    connection->setRequestHandler([this](const std::string& selector, const kit::Array& arguments,
                                         std::string* error) -> std::unique_ptr<kit::Object> {
        if (selector != "openFiles:") {
            *error = "unknown request";
            return nullptr;
        }
        int opened = 0;
        for (kit::Object* argument : arguments.objects())
            if (auto* path = dynamic_cast<kit::String*>(argument))
                opened += applicationOpenFile(path->value()) ? 1 : 0;
        if (arguments.count() == 0 && documents().empty())
            new_(true);
        // The program comes to the front with what it opened.
        return std::make_unique<kit::Number>(opened);
    });
    return connection;
}

