// The import/export module that the program loads from the resources folder
// ("Convala.bundle/Convala.so"): its entry point sets the program's hooks
// and answers the principal class.

#include "bundles/convala/markup/Convala.h"

#include "core/Bundle.h"

#include <memory>

extern "C" const kit::BundleClass* ScrivlyBundlePrincipalClass(kit::Bundle* bundle)
{
    (void)bundle;
    Convala::installHooks();
    static const kit::BundleClass principal{"Convala", [] { return std::make_unique<Convala>(); }};
    return &principal;
}
