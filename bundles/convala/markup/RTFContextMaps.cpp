// The font and drive maps, read once per process from the user's folder,
// else the machine's, else the program's resources.

#include "bundles/convala/markup/RTFContext.h"

#include "core/Bundle.h"
#include "core/FileManager.h"
#include "core/UserDefaults.h"

#include <cstdlib>

namespace {

std::optional<std::map<std::string, std::string>> readMap(const std::string& userFolder,
                                                          const std::string& localFolder,
                                                          const std::string& shippedFolder, const char* name)
{
    for (const std::string& folder : {userFolder, localFolder, shippedFolder}) {
        if (folder.empty())
            continue;
        const std::string path = kit::FileManager::stringByAppendingPathComponent(folder, name);
        if (!kit::FileManager::fileExistsAtPath(path))
            continue;
        // The file found is the one: an unreadable user file does not fall
        // back to the machine's or the shipped one.
        std::map<std::string, std::string> map;
        if (std::optional<std::string> text = kit::FileManager::contentsAtPath(path))
            map = kit::UserDefaults::domainFromString(*text);
        return map;
    }
    return std::nullopt;
}

std::string lookUp(const std::optional<std::map<std::string, std::string>>& map, const std::string& key,
                   const std::string& otherwise)
{
    if (map) {
        if (const auto it = map->find(key); it != map->end())
            return it->second;
    }
    return otherwise;
}

RTFContextMaps& processMaps()
{
    static RTFContextMaps maps;
    return maps;
}

} // namespace

RTFContextMaps RTFContextMaps::load(const std::string& userFolder, const std::string& localFolder,
                                    const std::string& shippedFolder)
{
    RTFContextMaps maps;
    maps.fontImport = readMap(userFolder, localFolder, shippedFolder, "fontmap.import");
    maps.fontExport = readMap(userFolder, localFolder, shippedFolder, "fontmap.export");
    maps.driveImport = readMap(userFolder, localFolder, shippedFolder, "drivemap.import");
    return maps;
}

std::string RTFContextMaps::userFolder() { return kit::UserDefaults::defaultsFolder(); }

std::string RTFContextMaps::localFolder()
{
    // The XDG rules: the first entry of the list, which holds only absolute
    // paths; /etc/xdg when the variable is unset or empty.
    std::string first = "/etc/xdg";
    if (const char* dirs = std::getenv("XDG_CONFIG_DIRS"); dirs && dirs[0] == '/') {
        const std::string list(dirs);
        first = list.substr(0, list.find(':'));
    }
    return kit::FileManager::stringByAppendingPathComponent(first, "Scrivly");
}

std::string RTFContextMaps::shippedFolder() { return kit::Bundle::resourcePath(); }

std::string RTFContextMaps::mapImportFontName(const std::string& name) const
{
    return lookUp(fontImport, name, name);
}

std::string RTFContextMaps::mapExportFontName(const std::string& name) const
{
    return lookUp(fontExport, name, name);
}

std::string RTFContextMaps::mapImportDrive(const std::string& path) const
{
    const std::string drive = path.substr(0, 2);
    return lookUp(driveImport, drive, drive);
}

void RTFContext::initialize()
{
    static bool loaded = false;
    if (loaded)
        return;
    loaded = true;
    processMaps() = RTFContextMaps::load(RTFContextMaps::userFolder(), RTFContextMaps::localFolder(),
                                         RTFContextMaps::shippedFolder());
}

const RTFContextMaps& RTFContext::maps()
{
    initialize();
    return processMaps();
}

std::string RTFContext::mapImportFontName(const std::string& name)
{
    initialize();
    return processMaps().mapImportFontName(name);
}

std::string RTFContext::mapExportFontName(const std::string& name)
{
    initialize();
    return processMaps().mapExportFontName(name);
}

std::string RTFContext::mapImportDrive(const char* path)
{
    initialize();
    return processMaps().mapImportDrive(path ? std::string(path) : std::string());
}
