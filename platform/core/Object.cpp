#include "core/Object.h"

#include <cstdio>
#include <map>

namespace kit {

void Object::encodeWithCoder(Coder&) const {}

Object* Object::initWithCoder(Coder&) { return this; }

std::string Object::description() const
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "<%s: %p>", className().c_str(), static_cast<const void*>(this));
    return buf;
}

namespace {
struct Entry {
    int version;
    ClassRegistry::Factory factory;
};
std::map<std::string, Entry>& registry()
{
    static std::map<std::string, Entry> r;
    return r;
}
} // namespace

void ClassRegistry::registerClass(const std::string& name, int version, Factory factory)
{
    registry()[name] = Entry{version, std::move(factory)};
}

bool ClassRegistry::isRegistered(const std::string& name)
{
    return registry().count(name) != 0;
}

std::unique_ptr<Object> ClassRegistry::create(const std::string& name)
{
    auto it = registry().find(name);
    if (it == registry().end())
        return nullptr;
    return it->second.factory();
}

const ClassRegistry::Factory* ClassRegistry::factoryOf(const std::string& name)
{
    auto it = registry().find(name);
    return it == registry().end() ? nullptr : &it->second.factory;
}

int ClassRegistry::versionOf(const std::string& name)
{
    auto it = registry().find(name);
    return it == registry().end() ? 0 : it->second.version;
}

} // namespace kit
