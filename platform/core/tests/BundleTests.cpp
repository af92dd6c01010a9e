#include "core/Bundle.h"
#include "core/FileManager.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

using namespace kit;

namespace {

// Points the resources folder somewhere for one test.
class ResourcesAt {
public:
    explicit ResourcesAt(const std::string& folder)
    {
        if (const char* old = std::getenv("SCRIVLY_RESOURCES"))
            old_ = old;
        setenv("SCRIVLY_RESOURCES", folder.c_str(), 1);
    }
    ~ResourcesAt()
    {
        if (old_.empty())
            unsetenv("SCRIVLY_RESOURCES");
        else
            setenv("SCRIVLY_RESOURCES", old_.c_str(), 1);
    }

private:
    std::string old_;
};

} // namespace

TEST(BundleTest, APrincipalClassIsLoadedByNameFromTheResourcesFolder)
{
    ResourcesAt resources(SCRIVLY_TEST_BUNDLES_DIR);
    EXPECT_FALSE(ClassRegistry::isRegistered("KitTestGreeter"));
    Bundle* bundle = Bundle::bundleForResource("KitTestBundle");
    ASSERT_NE(bundle, nullptr);
    EXPECT_FALSE(bundle->isLoaded());
    EXPECT_EQ(FileManager::lastPathComponent(bundle->modulePath()), "KitTestBundle.so");

    const BundleClass* principal = bundle->principalClass();
    ASSERT_NE(principal, nullptr) << bundle->loadError();
    EXPECT_EQ(principal->name, "KitTestGreeter");
    std::unique_ptr<Object> greeter = principal->create();
    ASSERT_NE(greeter, nullptr);
    EXPECT_EQ(greeter->description(), "hello from KitTestBundle.bundle, entered 1 time(s)");
    // The entry point registered the bundle's class with the program.
    EXPECT_TRUE(ClassRegistry::isRegistered("KitTestGreeter"));
    EXPECT_EQ(ClassRegistry::create("KitTestGreeter")->className(), "KitTestGreeter");

    // One bundle per path, loaded once.
    EXPECT_EQ(Bundle::bundleWithPath(std::string(SCRIVLY_TEST_BUNDLES_DIR) + "/./KitTestBundle.bundle"), bundle);
    EXPECT_EQ(bundle->principalClass(), principal);
    EXPECT_EQ(principal->create()->description(), "hello from KitTestBundle.bundle, entered 1 time(s)");
}

TEST(BundleTest, MissingAndBrokenBundlesLoadNothing)
{
    std::string folder = FileManager::uniqueTemporaryPath("bundles");
    ASSERT_TRUE(FileManager::createDirectoryAtPath(folder + "/Garbage.bundle"));
    std::ofstream(folder + "/Garbage.bundle/Garbage.so") << "not an ELF file at all";
    ASSERT_TRUE(FileManager::createDirectoryAtPath(folder + "/Empty.bundle"));
    ResourcesAt resources(folder);

    EXPECT_EQ(Bundle::bundleForResource("Remotix"), nullptr);
    EXPECT_EQ(Bundle::bundleForResource("../etc/passwd"), nullptr);

    struct Case {
        std::string path;
    } cases[] = {
        {folder + "/Garbage.bundle"},
        {folder + "/Empty.bundle"},
        {std::string(SCRIVLY_TEST_BUNDLES_DIR) + "/KitTestBundleWithoutEntry.bundle"},
    };
    for (const Case& c : cases) {
        Bundle* b = Bundle::bundleWithPath(c.path);
        ASSERT_NE(b, nullptr) << c.path;
        EXPECT_EQ(b->principalClass(), nullptr) << c.path;
        EXPECT_FALSE(b->isLoaded());
        EXPECT_FALSE(b->loadError().empty()) << c.path;
        // Asking again does not try again.
        EXPECT_EQ(b->principalClass(), nullptr);
    }
    FileManager::removeFileAtPath(folder);
}
