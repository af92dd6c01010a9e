#include "document/DocumentPanels.h"

#include "core/Object.h"

namespace {

DocumentPanels* installed = nullptr;

} // namespace

DocumentPanel* documentPanelOf(kit::Object* object)
{
    if (auto* panel = dynamic_cast<DocumentPanel*>(object))
        return panel;
    auto* owner = dynamic_cast<DocumentPanelOwner*>(object);
    return owner ? owner->documentPanel() : nullptr;
}

DocumentPanels& DocumentPanels::shared()
{
    static DocumentPanels none;
    return installed ? *installed : none;
}

void DocumentPanels::setShared(DocumentPanels* panels) { installed = panels; }
