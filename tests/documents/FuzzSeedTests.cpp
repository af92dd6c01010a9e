// The fuzz targets' seeds for document files and packages are documents the
// program wrote. With SCRIVLY_WRITE_SEEDS set the test writes them into the
// source tree's corpus; otherwise it checks that the committed ones are
// still documents this program reads.

#include "DocumentTestSupport.h"

#include "core/FileWrapper.h"

#include <cstdlib>

namespace {

using FuzzSeeds = DocumentFileTest;

struct Seed {
    std::string target;
    std::string name;
    std::string bytes;
    bool reads;
};

std::string packageOf(std::unique_ptr<kit::FileWrapper> inside, const std::string& name)
{
    kit::FileWrapper::Wrappers members;
    members[name] = std::move(inside);
    return kit::FileWrapper::initDirectoryWithFileWrappers(std::move(members))->serializedRepresentation();
}

TEST_F(FuzzSeeds, TheCommittedSeedsAreDocumentsThisProgramWrites)
{
    const std::string small = bytesOf(*makeDocument(80));
    const std::string plain = bytesOf(*makeDocument(40, false));
    std::vector<Seed> seeds = {
        {"document", "small", std::string(1, '\0') + small, true},
        {"document", "plain", std::string(1, '\0') + plain, true},
        {"document", "package-archive", std::string(1, '\1') + plain, true},
        {"package", "archive", packageOf(kit::FileWrapper::initRegularFileWithContents(plain), "LayvaneDoc.lvb"), true},
        {"package", "folder-in-its-place",
         packageOf(kit::FileWrapper::initDirectoryWithFileWrappers({}), "LayvaneDoc.lvb"), false},
        {"package", "link-in-its-place",
         packageOf(kit::FileWrapper::initSymbolicLinkWithDestination("/dev/zero"), "LayvaneDoc.lvb"), false},
    };
    const std::string corpus = SCRIVLY_FUZZ_CORPUS_DIR;
    const bool write = std::getenv("SCRIVLY_WRITE_SEEDS") != nullptr;
    for (const Seed& seed : seeds) {
        const std::string file = corpus + "/" + seed.target + "/" + seed.name;
        if (write) {
            kit::FileManager::createDirectoryAtPath(corpus + "/" + seed.target);
            ASSERT_TRUE(kit::FileManager::writeFileAtomically(file, seed.bytes)) << file;
        }
        const std::optional<std::string> committed = kit::FileManager::contentsAtPath(file);
        ASSERT_TRUE(committed.has_value()) << file;
        if (seed.target == "document") {
            EXPECT_EQ(readDocumentData(committed->substr(1), (*committed)[0] & 1) != nullptr, seed.reads) << file;
        } else {
            const std::string folder = path("Package.lvb");
            kit::FileManager::removeFileAtPath(folder);
            ASSERT_TRUE(kit::FileWrapper::initWithSerializedRepresentation(*committed)->writeToFile(folder, false));
            EXPECT_EQ(readDocumentFile(folder) != nullptr, seed.reads) << file;
        }
    }
}

} // namespace
