#include <dlfcn.h>

#include <gtest/gtest.h>

#include <string>

namespace {

// The module loads as the program loads it: every symbol it needs from the
// program's libraries resolves at once.
TEST(ConvalaBundle, ModuleLoadsWithEverySymbolResolved)
{
    void* handle = dlopen(SCRIVLY_CONVALA_MODULE, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr) << dlerror();
    EXPECT_EQ(dlclose(handle), 0);
}

} // namespace
