// The program's entry: one program per user session (a second launch hands
// its files to the first and ends), the application object, the main
// interface file that makes the application's delegate, launching and the
// event loop.

#include "app/Scrivly.h"

#include "appkit/Application.h"
#include "appkit/Connection.h"
#include "appkit/Menu.h"
#include "appkit/NibLoader.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>


int main(int argc, char** argv)
{
    std::vector<std::string> arguments(argv, argv + argc);
    if (Scrivly::handOverToRunningProgram(arguments))
        return 0;

    kit::Application& application = kit::Application::sharedApplication();
    Scrivly::initialize();
    std::vector<std::unique_ptr<kit::Object>> made;
    if (!kit::NibLoader::loadNibFile("Scrivly.nib", &application, &made)) {
        std::fputs("Scrivly: the main interface file \"Scrivly.nib\" could not be loaded; the program cannot start.\n",
                   stderr);
        return 1;
    }
    auto* delegate = dynamic_cast<Scrivly*>(application.delegate());
    if (!delegate) {
        std::fputs("Scrivly: the main interface file made no application delegate; the program cannot start.\n",
                   stderr);
        return 1;
    }

    // A second launch that starts meanwhile finds this one.
    std::unique_ptr<kit::Connection> launcher = delegate->serveLaunchConnection();
    if (!launcher && Scrivly::handOverToRunningProgram(arguments))
        return 0;

    delegate->setCommandLineArguments(arguments);
    delegate->applicationWillFinishLaunching();
    delegate->appDidInit(&application, false);
    application.run();

    launcher.reset();
    application.setMainMenu(nullptr);
    made.clear();
    return 0;
}
