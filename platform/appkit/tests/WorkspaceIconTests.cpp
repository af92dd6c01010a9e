#include "AppKitTesting.h"

#include "appkit/Workspace.h"
#include "core/FileManager.h"
#include "graphics/BitmapImageRep.h"
#include "graphics/Image.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <fstream>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace kit;

namespace {

// The samples of a picture's bitmap, to tell pictures apart.
std::string samplesOf(const Image& image)
{
    auto* rep = dynamic_cast<const BitmapImageRep*>(image.bestRepresentationForDevice());
    if (!rep)
        return std::string();
    return std::string(reinterpret_cast<const char*>(rep->bitmapData()), rep->bytesPerRow() * rep->pixelsHigh());
}

class WorkspaceIconTest : public AppKitTest {
protected:
    void SetUp() override
    {
        AppKitTest::SetUp();
        folder = FileManager::uniqueTemporaryPath("icons");
        ASSERT_TRUE(FileManager::createDirectoryAtPath(folder));
        // A resources folder holding the documents' picture: all red.
        resources = folder + "/resources";
        ASSERT_TRUE(FileManager::createDirectoryAtPath(resources));
        BitmapImageRep red(16, 16, BitmapImageRep::ColorModel::RGB, false);
        for (int i = 0; i < 16 * 16; ++i)
            red.bitmapData()[i * 3] = 255;
        std::ofstream(resources + "/TestDocument.tiff", std::ios::binary) << red.TIFFRepresentation();
        if (const char* old = std::getenv("SCRIVLY_RESOURCES"))
            oldResources = old;
        setenv("SCRIVLY_RESOURCES", resources.c_str(), 1);
        Workspace::sharedWorkspace().setDocumentIcon({"syb", "SYT"}, "TestDocument");
    }
    void TearDown() override
    {
        if (oldResources.empty())
            unsetenv("SCRIVLY_RESOURCES");
        else
            setenv("SCRIVLY_RESOURCES", oldResources.c_str(), 1);
        FileManager::removeFileAtPath(folder);
        AppKitTest::TearDown();
    }

    std::string folder, resources, oldResources;
};

} // namespace

TEST_F(WorkspaceIconTest, TheIconComesFromTheNameAlone)
{
    Workspace& ws = Workspace::sharedWorkspace();
    std::string red = samplesOf(*Image::imageNamed("TestDocument"));
    ASSERT_FALSE(red.empty());
    std::string plain = samplesOf(*ws.iconForFile(folder + "/missing.zz-no-such-type"));
    std::string aFolder = samplesOf(*ws.iconForFile(folder));
    ASSERT_FALSE(plain.empty());
    EXPECT_NE(aFolder, plain);

    enum Kind { Document, Folder, NotDocument };
    struct Case {
        std::string path;
        Kind kind;
    } cases[] = {
        {folder + "/letter.syb", Document},        // need not exist
        {folder + "/Template.SYT", Document},      // any case
        {folder + "/", Folder},                    // a folder by its name
        {folder + "/gone/", Folder},               // even one that is not there
        {folder + "/notes.txt", NotDocument},
        {folder + "/syb", NotDocument},            // a name, not an extension
        {folder + "/letter.syb.txt", NotDocument},
        {"", NotDocument},
    };
    for (const Case& c : cases) {
        std::unique_ptr<Image> icon = ws.iconForFile(c.path);
        ASSERT_NE(icon, nullptr) << c.path;
        EXPECT_TRUE(icon->isValid()) << c.path;
        std::string samples = samplesOf(*icon);
        EXPECT_EQ(samples == red, c.kind == Document) << c.path;
        EXPECT_EQ(samples == aFolder, c.kind == Folder) << c.path;
    }
    EXPECT_EQ(ws.iconForFile(folder + "/a.txt")->size(), makeSize(48, 48));

    // Without its resource picture a document shows as any file of its type.
    unlink((resources + "/TestDocument.tiff").c_str());
    EXPECT_NE(samplesOf(*ws.iconForFile(folder + "/letter.syb")), red);
}

// A named pipe with no writer blocks whoever opens it: the icon must not
// open it. Should it, a helper opens the other end after a while, so the
// test ends and fails instead of hanging.
TEST_F(WorkspaceIconTest, ANamedPipeIsNeverOpened)
{
    Workspace& ws = Workspace::sharedWorkspace();
    std::string red = samplesOf(*Image::imageNamed("TestDocument"));
    std::vector<std::string> pipes = {folder + "/pipe.syb", folder + "/pipe.tiff", folder + "/pipe"};
    for (const std::string& p : pipes)
        ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0) << p;

    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    std::atomic<bool> hadToUnblock{false};
    std::thread watchdog([&] {
        std::unique_lock<std::mutex> lock(mutex);
        if (done.wait_for(lock, std::chrono::seconds(20), [&] { return finished; }))
            return;
        hadToUnblock = true;
        for (const std::string& p : pipes)
            if (int fd = ::open(p.c_str(), O_WRONLY | O_NONBLOCK); fd >= 0)
                ::close(fd);
    });
    std::vector<std::string> samples;
    for (const std::string& p : pipes) {
        std::unique_ptr<Image> icon = ws.iconForFile(p);
        samples.push_back(icon ? samplesOf(*icon) : std::string());
    }
    {
        std::lock_guard<std::mutex> lock(mutex);
        finished = true;
    }
    done.notify_all();
    watchdog.join();
    EXPECT_FALSE(hadToUnblock);
    EXPECT_EQ(samples[0], red);
    EXPECT_FALSE(samples[1].empty());
    EXPECT_FALSE(samples[2].empty());
}
