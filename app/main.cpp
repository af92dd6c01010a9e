// The program's entry.

#include "app/Scrivly.h"
#include "panels/PanelInterfaceFiles.h"

#include <string>
#include <vector>

int main(int argc, char** argv)
{
    // The panels' interface files, which the application's registry loads by name.
    registerPanelInterfaceFiles();
    return Scrivly::runMain(std::vector<std::string>(argv, argv + argc), "Scrivly.nib");
}
