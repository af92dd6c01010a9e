// The program's entry.

#include "app/Scrivly.h"
#include "panels/ColumnsInspector.h"
#include "panels/GraphicsInspector.h"
#include "panels/LinksPanel.h"
#include "panels/PanelFind.h"
#include "panels/PanelTabs.h"
#include "panels/ZynInspectorPanel.h"

#include <string>
#include <vector>

int main(int argc, char** argv)
{
    // The panels' interface files, which the application's registry loads by name.
    PanelTabs::initialize();
    ColumnsInspector::initialize();
    LinksPanel::initialize();
    ZynInspectorPanel::initialize();
    GraphicsInspector::initialize();
    PanelFind::initialize();
    return Scrivly::runMain(std::vector<std::string>(argv, argv + argc), "Scrivly.nib");
}
