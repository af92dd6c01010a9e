// The program's entry.

#include "app/Scrivly.h"
#include "panels/ColumnsInspector.h"
#include "panels/FontAccessory.h"
#include "panels/PanelTabs.h"
#include "panels/ParagraphInspector.h"
#include "panels/ZynInspectorPanel.h"

#include <string>
#include <vector>

int main(int argc, char** argv)
{
    // The panels' interface files, which the application's registry loads by name.
    PanelTabs::initialize();
    ColumnsInspector::initialize();
    ParagraphInspector::initialize();
    FontAccessory::initialize();
    ZynInspectorPanel::initialize();
    return Scrivly::runMain(std::vector<std::string>(argv, argv + argc), "Scrivly.nib");
}
