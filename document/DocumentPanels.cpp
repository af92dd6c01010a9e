#include "document/DocumentPanels.h"

namespace {

DocumentPanels* installed = nullptr;

} // namespace

DocumentPanels& DocumentPanels::shared()
{
    static DocumentPanels none;
    return installed ? *installed : none;
}

void DocumentPanels::setShared(DocumentPanels* panels) { installed = panels; }
