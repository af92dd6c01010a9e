#include "appkit/NibLoader.h"

#include "core/Exception.h"

#include <iostream>
#include <map>

namespace kit {

namespace {

std::map<std::string, NibLoader::Builder>& builders()
{
    static auto* registry = new std::map<std::string, NibLoader::Builder>;
    return *registry;
}

// What was loaded without an owner for its top-level objects: kept for the
// life of the program.
std::vector<std::unique_ptr<Object>>& keptForever()
{
    static auto* kept = new std::vector<std::unique_ptr<Object>>;
    return *kept;
}

} // namespace

void NibLoad::awaken(Object* object)
{
    if (!object)
        return;
    for (Object* o : awaken_)
        if (o == object)
            return;
    awaken_.push_back(object);
}

bool NibLoad::connectOutlet(const std::string& name, Object* object)
{
    auto* owner = dynamic_cast<NibOwner*>(owner_);
    return owner && owner->setOutlet(name, object);
}

void NibLoader::registerNib(const std::string& fileName, Builder builder)
{
    if (builder)
        builders()[fileName] = std::move(builder);
    else
        builders().erase(fileName);
}

bool NibLoader::isRegistered(const std::string& fileName)
{
    return builders().count(fileName) != 0;
}

void NibLoader::unregisterNib(const std::string& fileName)
{
    builders().erase(fileName);
}

bool NibLoader::loadNibFile(const std::string& fileName, Object* owner,
                            std::vector<std::unique_ptr<Object>>* topLevelObjects)
{
    auto it = builders().find(fileName);
    if (it == builders().end())
        return false;
    // A copy: the builder may register builders itself.
    Builder builder = it->second;
    NibLoad load(owner);
    load.fileName_ = fileName;
    bool built = false;
    try {
        built = builder(load);
    } catch (const Exception& e) {
        std::cerr << "Interface file " << fileName << " could not be built: " << e.name() << ": " << e.reason()
                  << "\n";
        built = false;
    } catch (const std::exception& e) {
        std::cerr << "Interface file " << fileName << " could not be built: " << e.what() << "\n";
        built = false;
    }
    if (!built) {
        // The owner's outlets may point at what was made: keep it, unused,
        // rather than leave them dangling.
        for (auto& o : load.topLevel_)
            keptForever().push_back(std::move(o));
        return false;
    }
    for (Object* o : load.awaken_)
        if (auto* a = dynamic_cast<NibAwaking*>(o))
            a->awakeFromNib();
    auto& destination = topLevelObjects ? *topLevelObjects : keptForever();
    for (auto& o : load.topLevel_)
        destination.push_back(std::move(o));
    return true;
}

} // namespace kit
