#include "panels/PanelInterfaceFiles.h"

#include "panels/ColumnsInspector.h"
#include "panels/FontAccessory.h"
#include "panels/GraphicsInspector.h"
#include "panels/LinksPanel.h"
#include "panels/PanelFind.h"
#include "panels/PanelSpellCheck.h"
#include "panels/PanelStyles.h"
#include "panels/PanelTabs.h"
#include "panels/ParagraphInspector.h"
#include "panels/ZynInspectorPanel.h"

void registerPanelInterfaceFiles()
{
    PanelTabs::initialize();
    ColumnsInspector::initialize();
    LinksPanel::initialize();
    ZynInspectorPanel::initialize();
    GraphicsInspector::initialize();
    PanelFind::initialize();
    PanelSpellCheck::initialize();
    PanelStyles::initialize();
    ParagraphInspector::initialize();
    FontAccessory::initialize();
}
