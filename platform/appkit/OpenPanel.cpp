#include "appkit/OpenPanel.h"

namespace kit {

OpenPanel::OpenPanel()
{
    setTitle("Open");
}

OpenPanel* OpenPanel::openPanel()
{
    static auto* shared = new OpenPanel;
    return shared;
}

int OpenPanel::runModalForTypes(const std::vector<std::string>& types)
{
    return runWithTypes(std::string(), std::string(), types);
}

int OpenPanel::runModalForDirectory(const std::string& path, const std::string& name,
                                    const std::vector<std::string>& types)
{
    return runWithTypes(path, name, types);
}

} // namespace kit
