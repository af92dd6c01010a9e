// A tiny loadable bundle for the bundle loader's tests: its entry point
// registers a class by name (the hook a program offers) and answers it as
// the principal class.
#include "core/Bundle.h"
#include "core/FileManager.h"
#include "core/Object.h"

#include <memory>
#include <string>

namespace {

int g_entries = 0;
std::string g_bundleName;

class Greeter : public kit::Object {
public:
    std::string className() const override { return "KitTestGreeter"; }
    std::string description() const override
    {
        return "hello from " + g_bundleName + ", entered " + std::to_string(g_entries) + " time(s)";
    }
};

} // namespace

extern "C" const kit::BundleClass* ScrivlyBundlePrincipalClass(kit::Bundle* bundle)
{
    ++g_entries;
    g_bundleName = kit::FileManager::lastPathComponent(bundle->bundlePath());
    kit::registerClass<Greeter>("KitTestGreeter");
    static const kit::BundleClass principal{"KitTestGreeter", [] { return std::make_unique<Greeter>(); }};
    return &principal;
}
