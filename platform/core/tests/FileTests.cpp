#include "core/Bundle.h"
#include "core/Exception.h"
#include "core/FileManager.h"
#include "core/FileWrapper.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using kit::FileManager;
using kit::FileWrapper;

namespace {

class TempFolder {
public:
    TempFolder()
    {
        std::string pattern = (fs::temp_directory_path() / "kit-file-test-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~TempFolder()
    {
        std::error_code ec;
        fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(path_, ec);
    }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

void put(const std::string& path, const std::string& contents)
{
    std::ofstream out(path, std::ios::binary);
    out << contents;
}

std::string get(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> names(const std::string& folder)
{
    return FileManager::directoryContentsAtPath(folder).value_or(std::vector<std::string>{"<unreadable>"});
}

// Makes writes past a size fail with EFBIG for as long as it lives, so that
// a write can be made to fail half-way even when the tests run as root.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previousHandler_);
    }

private:
    rlimit saved_{};
    void (*previousHandler_)(int) = nullptr;
};

// Runs this test program again with only the given test, as a fresh process.
int runChildTest(const std::string& filter, const std::string& outputPath)
{
    pid_t pid = fork();
    if (pid == 0) {
        setenv("SCRIVLY_CHILD_OUTPUT", outputPath.c_str(), 1);
        std::string argument = "--gtest_filter=" + filter;
        execl("/proc/self/exe", "kit_core_tests", argument.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

// ---------------------------------------------------------------------------
// FileManager

TEST(FileManager, ExistenceAndAttributesFollowLinksOnlyWhenAsked)
{
    TempFolder dir;
    put(dir / "file", "12345");
    fs::create_directory(dir / "folder");
    fs::create_symlink(dir / "file", dir / "link");
    fs::create_symlink(dir / "nowhere", dir / "dangling");
    timespec times[2] = {{1000000000, 250000000}, {1000000000, 250000000}};
    ASSERT_EQ(utimensat(AT_FDCWD, (dir / "file").c_str(), times, 0), 0);

    bool isDirectory = true;
    EXPECT_TRUE(FileManager::fileExistsAtPath(dir / "file", &isDirectory));
    EXPECT_FALSE(isDirectory);
    EXPECT_TRUE(FileManager::fileExistsAtPath(dir / "folder", &isDirectory));
    EXPECT_TRUE(isDirectory);
    EXPECT_FALSE(FileManager::fileExistsAtPath(dir / "absent", &isDirectory));
    EXPECT_FALSE(isDirectory);
    EXPECT_FALSE(FileManager::fileExistsAtPath(dir / "dangling"));
    EXPECT_FALSE(FileManager::fileExistsAtPath(""));

    auto followed = FileManager::fileAttributesAtPath(dir / "link", true);
    ASSERT_TRUE(followed);
    EXPECT_EQ(followed->type, kit::FileType::Regular);
    EXPECT_EQ(followed->size, 5u);
    EXPECT_DOUBLE_EQ(followed->modificationDate, 1000000000.25);

    auto own = FileManager::fileAttributesAtPath(dir / "link", false);
    ASSERT_TRUE(own);
    EXPECT_EQ(own->type, kit::FileType::SymbolicLink);
    EXPECT_EQ(own->size, (dir / "file").size());

    EXPECT_EQ(FileManager::fileAttributesAtPath(dir / "folder")->type, kit::FileType::Directory);
    EXPECT_FALSE(FileManager::fileAttributesAtPath(dir / "dangling", true));
    EXPECT_TRUE(FileManager::fileAttributesAtPath(dir / "dangling", false));
}

TEST(FileManager, AtomicWriteReplacesContentsKeepsPermissionsAndLeavesNoTemporary)
{
    TempFolder dir;
    const std::string path = dir / "doc.scrivly";
    std::string binary("a\0b\xff\n", 5);
    ASSERT_TRUE(FileManager::writeFileAtomically(path, binary));
    EXPECT_EQ(get(path), binary);

    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    ASSERT_TRUE(FileManager::writeFileAtomically(path, std::string_view("second")));
    EXPECT_EQ(get(path), "second");
    EXPECT_EQ(FileManager::fileAttributesAtPath(path)->permissions, 0640u);

    const unsigned char bytes[] = {1, 2, 3};
    ASSERT_TRUE(FileManager::writeFileAtomically(path, std::span<const unsigned char>(bytes)));
    EXPECT_EQ(get(path), "\x01\x02\x03");
    EXPECT_EQ(names(dir.path()), std::vector<std::string>{"doc.scrivly"});
}

TEST(FileManager, AtomicWriteFollowsASymbolicLinkToItsTarget)
{
    TempFolder dir;
    put(dir / "real", "old");
    fs::create_symlink("real", dir / "alias");
    ASSERT_TRUE(FileManager::writeFileAtomically(dir / "alias", std::string_view("new")));
    EXPECT_TRUE(fs::is_symlink(dir / "alias"));
    EXPECT_EQ(get(dir / "real"), "new");
}

TEST(FileManager, FailedAtomicWriteLeavesOldFileAndRemovesTemporary)
{
    TempFolder dir;
    const std::string path = dir / "keep";
    put(path, "old contents");
    {
        FileSizeLimit limit(1024);
        EXPECT_FALSE(FileManager::writeFileAtomically(path, std::string(64 * 1024, 'x')));
    }
    EXPECT_EQ(get(path), "old contents");
    EXPECT_EQ(names(dir.path()), std::vector<std::string>{"keep"});

    // A folder in the way, and a missing parent folder.
    fs::create_directory(dir / "sub");
    put(dir / "sub/inside", "x");
    EXPECT_FALSE(FileManager::writeFileAtomically(dir / "sub", std::string_view("data")));
    EXPECT_EQ(get(dir / "sub/inside"), "x");
    EXPECT_FALSE(FileManager::writeFileAtomically(dir / "missing/file", std::string_view("data")));
    EXPECT_FALSE(FileManager::writeFileAtomically("", std::string_view("data")));
    EXPECT_EQ(names(dir.path()), (std::vector<std::string>{"keep", "sub"}));
}

TEST(FileManager, ReadsWholeAndMappedContents)
{
    TempFolder dir;
    std::string binary;
    for (int i = 0; i < 70000; ++i)
        binary.push_back(static_cast<char>(i * 7));
    put(dir / "big", binary);
    put(dir / "empty", "");
    fs::create_directory(dir / "folder");

    EXPECT_EQ(FileManager::contentsAtPath(dir / "big"), binary);
    // The contents are held once: the buffer is not grown for the read
    // that finds the end of the file.
    const std::optional<std::string> big = FileManager::contentsAtPath(dir / "big");
    ASSERT_TRUE(big);
    EXPECT_LT(big->capacity(), 2 * binary.size());
    EXPECT_EQ(FileManager::contentsAtPath(dir / "empty"), std::string());
    EXPECT_FALSE(FileManager::contentsAtPath(dir / "folder"));
    EXPECT_FALSE(FileManager::contentsAtPath(dir / "absent"));

    auto mapped = FileManager::mappedContentsAtPath(dir / "big");
    ASSERT_TRUE(mapped);
    EXPECT_TRUE(mapped->isMapped());
    EXPECT_EQ(mapped->view(), binary);
    ASSERT_EQ(mapped->bytes().size(), binary.size());
    EXPECT_EQ(mapped->bytes()[69999], static_cast<unsigned char>(binary[69999]));

    kit::MappedFile moved = std::move(*mapped);
    EXPECT_EQ(moved.view(), binary);
    EXPECT_EQ(mapped->size(), 0u);
    EXPECT_TRUE(mapped->view().empty());

    auto empty = FileManager::mappedContentsAtPath(dir / "empty");
    ASSERT_TRUE(empty);
    EXPECT_FALSE(empty->isMapped());
    EXPECT_EQ(empty->size(), 0u);

    // /proc files report size 0 but have contents: read, not mapped.
    auto status = FileManager::mappedContentsAtPath("/proc/self/status");
    ASSERT_TRUE(status);
    EXPECT_NE(status->view().find("Pid:"), std::string_view::npos);

    EXPECT_FALSE(FileManager::mappedContentsAtPath(dir / "folder"));
    EXPECT_FALSE(FileManager::mappedContentsAtPath(dir / "absent"));

    // A pipe without a writer would block a reader for ever.
    ASSERT_EQ(mkfifo((dir / "pipe").c_str(), 0600), 0);
    EXPECT_FALSE(FileManager::contentsAtPath(dir / "pipe"));
    EXPECT_FALSE(FileManager::mappedContentsAtPath(dir / "pipe"));
}

TEST(FileManager, TemporaryNamesAreUniqueAndInAPrivateFolder)
{
    const std::string& folder = FileManager::temporaryDirectory();
    EXPECT_EQ(&folder, &FileManager::temporaryDirectory());
    auto attributes = FileManager::fileAttributesAtPath(folder);
    ASSERT_TRUE(attributes);
    EXPECT_EQ(attributes->type, kit::FileType::Directory);
    EXPECT_EQ(attributes->permissions, 0700u);

    std::string first = FileManager::uniqueTemporaryPath("page");
    std::string second = FileManager::uniqueTemporaryPath("page");
    EXPECT_NE(first, second);
    for (const std::string& path : {first, second}) {
        EXPECT_EQ(FileManager::stringByDeletingLastPathComponent(path), folder);
        EXPECT_EQ(FileManager::lastPathComponent(path).rfind("page", 0), 0u);
        EXPECT_FALSE(FileManager::fileExistsAtPath(path));
    }
    // A path that is taken is not answered again.
    put(second, "taken");
    std::string third = FileManager::uniqueTemporaryPath("page");
    EXPECT_FALSE(FileManager::fileExistsAtPath(third));

    std::string slashed = FileManager::uniqueTemporaryPath("../escape/x");
    EXPECT_EQ(FileManager::stringByDeletingLastPathComponent(slashed), folder);
}

TEST(FileManager, ForkedChildLeavesTheParentsTemporaryFolder)
{
    const std::string folder = FileManager::temporaryDirectory();
    pid_t pid = fork();
    if (pid == 0) {
        // exit() runs the exit handlers, as a child that ends normally would.
        std::exit(0);
    }
    ASSERT_GT(pid, 0);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(FileManager::fileExistsAtPath(folder));
}

TEST(FileChildProcess, MakesTemporaryFolder)
{
    const char* output = std::getenv("SCRIVLY_CHILD_OUTPUT");
    if (!output)
        GTEST_SKIP() << "run by FileManager.TemporaryFolderIsRemovedAtNormalExit";
    const std::string& folder = FileManager::temporaryDirectory();
    put(folder + "/inside", "x");
    put(output, folder);
}

TEST(FileManager, TemporaryFolderIsRemovedAtNormalExit)
{
    TempFolder dir;
    ASSERT_EQ(runChildTest("FileChildProcess.MakesTemporaryFolder", dir / "out"), 0);
    std::string childFolder = get(dir / "out");
    ASSERT_FALSE(childFolder.empty());
    EXPECT_NE(childFolder, FileManager::temporaryDirectory());
    EXPECT_FALSE(fs::exists(childFolder));
}

TEST(FileManager, CreatesFoldersWithIntermediates)
{
    TempFolder dir;
    EXPECT_TRUE(FileManager::createDirectoryAtPath(dir / "a/b/c/"));
    EXPECT_TRUE(fs::is_directory(dir / "a/b/c"));
    EXPECT_TRUE(FileManager::createDirectoryAtPath(dir / "a/b/c"));
    EXPECT_FALSE(FileManager::createDirectoryAtPath(dir / "a/b/c", false));
    EXPECT_FALSE(FileManager::createDirectoryAtPath(dir / "x/y", false));
    EXPECT_TRUE(FileManager::createDirectoryAtPath(dir / "a/private", false, 0700));
    EXPECT_EQ(FileManager::fileAttributesAtPath(dir / "a/private")->permissions, 0700u);

    put(dir / "plain", "");
    errno = 0;
    EXPECT_FALSE(FileManager::createDirectoryAtPath(dir / "plain/sub"));
    EXPECT_EQ(errno, ENOTDIR);
}

TEST(FileManager, RemovesTreesWithoutFollowingLinks)
{
    TempFolder dir;
    TempFolder outside;
    put(outside / "precious", "keep me");
    fs::create_directories(dir / "tree/deep/er");
    put(dir / "tree/deep/er/f", "x");
    fs::create_directory_symlink(outside.path(), dir / "tree/link");

    EXPECT_TRUE(FileManager::removeFileAtPath(dir / "tree"));
    EXPECT_FALSE(fs::exists(dir / "tree"));
    EXPECT_EQ(get(outside / "precious"), "keep me");
    EXPECT_FALSE(FileManager::removeFileAtPath(dir / "tree"));

    fs::create_symlink(outside / "precious", dir / "filelink");
    EXPECT_TRUE(FileManager::removeFileAtPath(dir / "filelink"));
    EXPECT_EQ(get(outside / "precious"), "keep me");
}

TEST(FileManager, CopiesAndMovesOnlyToFreePaths)
{
    TempFolder dir;
    put(dir / "source", "contents");
    chmod((dir / "source").c_str(), 0604);
    fs::create_directories(dir / "tree/sub");
    put(dir / "tree/sub/file", "inner");
    fs::create_symlink("sub/file", dir / "tree/link");

    ASSERT_TRUE(FileManager::copyPath(dir / "source", dir / "copy"));
    EXPECT_EQ(get(dir / "copy"), "contents");
    EXPECT_EQ(FileManager::fileAttributesAtPath(dir / "copy")->permissions, 0604u);

    errno = 0;
    EXPECT_FALSE(FileManager::copyPath(dir / "source", dir / "copy"));
    EXPECT_EQ(errno, EEXIST);
    EXPECT_FALSE(FileManager::copyPath(dir / "absent", dir / "other"));

    ASSERT_TRUE(FileManager::copyPath(dir / "tree", dir / "treecopy"));
    EXPECT_EQ(get(dir / "treecopy/sub/file"), "inner");
    EXPECT_TRUE(fs::is_symlink(dir / "treecopy/link"));
    EXPECT_EQ(fs::read_symlink(dir / "treecopy/link"), "sub/file");
    EXPECT_FALSE(FileManager::copyPath(dir / "tree", dir / "tree/sub/inside"));
    EXPECT_FALSE(fs::exists(dir / "tree/sub/inside"));

    ASSERT_TRUE(FileManager::movePath(dir / "copy", dir / "moved"));
    EXPECT_FALSE(fs::exists(dir / "copy"));
    EXPECT_EQ(get(dir / "moved"), "contents");
    EXPECT_FALSE(FileManager::movePath(dir / "moved", dir / "source"));
    EXPECT_EQ(get(dir / "source"), "contents");
    EXPECT_EQ(get(dir / "moved"), "contents");

    // Nothing half-made is left beside the copies.
    EXPECT_EQ(names(dir.path()), (std::vector<std::string>{"moved", "source", "tree", "treecopy"}));
}

TEST(FileManager, ListsFolderEntriesSorted)
{
    TempFolder dir;
    for (const char* name : {"b", "A", "a", ".hidden", "10", "9"})
        put(dir / name, "");
    EXPECT_EQ(names(dir.path()), (std::vector<std::string>{".hidden", "10", "9", "A", "a", "b"}));
    EXPECT_FALSE(FileManager::directoryContentsAtPath(dir / "a"));
    EXPECT_FALSE(FileManager::directoryContentsAtPath(dir / "absent"));
}

TEST(FileManager, PathHelpers)
{
    struct Case {
        const char* path;
        const char* last;
        const char* parent;
        const char* extension;
        const char* withoutExtension;
    };
    const Case cases[] = {
        {"/tmp/scratch.tiff", "scratch.tiff", "/tmp", "tiff", "/tmp/scratch"},
        {"/tmp/lock/", "lock", "/tmp", "", "/tmp/lock"},
        {"/tmp", "tmp", "/", "", "/tmp"},
        {"/", "/", "/", "", "/"},
        {"scratch.tiff", "scratch.tiff", "", "tiff", "scratch"},
        {"", "", "", "", ""},
        {"/a/.profile", ".profile", "/a", "", "/a/.profile"},
        {"/a.b/c", "c", "/a.b", "", "/a.b/c"},
        {"/a//b.tar.gz", "b.tar.gz", "/a", "gz", "/a//b.tar"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(FileManager::lastPathComponent(c.path), c.last);
        EXPECT_EQ(FileManager::stringByDeletingLastPathComponent(c.path), c.parent);
        EXPECT_EQ(FileManager::pathExtension(c.path), c.extension);
        EXPECT_EQ(FileManager::stringByDeletingPathExtension(c.path), c.withoutExtension);
    }
    EXPECT_EQ(FileManager::stringByAppendingPathComponent("/tmp", "x"), "/tmp/x");
    EXPECT_EQ(FileManager::stringByAppendingPathComponent("/tmp/", "x"), "/tmp/x");
    EXPECT_EQ(FileManager::stringByAppendingPathComponent("/", "x"), "/x");
    EXPECT_EQ(FileManager::stringByAppendingPathComponent("", "x"), "x");
    EXPECT_EQ(FileManager::stringByAppendingPathComponent("a", "/x"), "a/x");
}

// ---------------------------------------------------------------------------
// FileWrapper

namespace {

std::unique_ptr<FileWrapper> sampleFolder()
{
    FileWrapper::Wrappers inner;
    inner.emplace("pict.tiff", FileWrapper::initRegularFileWithContents(std::string("\0\1\2II*", 6)));
    FileWrapper::Wrappers top;
    top.emplace("TXT.rtf", FileWrapper::initRegularFileWithContents("{\\rtf1 hello}"));
    top.emplace("images", FileWrapper::initDirectoryWithFileWrappers(std::move(inner)));
    top.emplace("alias", FileWrapper::initSymbolicLinkWithDestination("images/pict.tiff"));
    top.emplace("empty", FileWrapper::initRegularFileWithContents(""));
    auto folder = FileWrapper::initDirectoryWithFileWrappers(std::move(top));
    folder->setPreferredFilename("Letter.rtfd");
    return folder;
}

void forgetPreferredNames(FileWrapper& wrapper)
{
    wrapper.setPreferredFilename("");
    if (wrapper.isDirectory()) {
        for (const auto& [name, child] : wrapper.fileWrappers())
            forgetPreferredNames(*child);
    }
}

// Trees of the same names, kinds and contents have the same serialized form
// once the preferred names (which reading from disk fills in) are set aside.
std::string shape(const FileWrapper& wrapper)
{
    auto copy = FileWrapper::initWithSerializedRepresentation(wrapper.serializedRepresentation());
    forgetPreferredNames(*copy);
    return copy->serializedRepresentation();
}

} // namespace

TEST(FileWrapper, ReadsAFolderTreeKeepingLinksAsLinks)
{
    TempFolder dir;
    auto written = sampleFolder();
    ASSERT_TRUE(written->writeToFile(dir / "Letter.rtfd", true));
    mkfifo((dir / "Letter.rtfd/pipe").c_str(), 0600);

    auto read = FileWrapper::initWithPath(dir / "Letter.rtfd");
    ASSERT_TRUE(read);
    EXPECT_TRUE(read->isDirectory());
    EXPECT_EQ(read->filename(), "Letter.rtfd");
    EXPECT_EQ(read->preferredFilename(), "Letter.rtfd");
    const auto& entries = read->fileWrappers();
    EXPECT_EQ(entries.count("pipe"), 0u); // a pipe is left out, not read
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_TRUE(entries.at("alias")->isSymbolicLink());
    EXPECT_EQ(entries.at("alias")->symbolicLinkDestination(), "images/pict.tiff");
    EXPECT_EQ(entries.at("images")->fileWrappers().at("pict.tiff")->regularFileContents(), std::string("\0\1\2II*", 6));
    EXPECT_EQ(entries.at("images")->fileWrappers().at("pict.tiff")->filename(), "pict.tiff");
    EXPECT_EQ(shape(*read), shape(*written));

    // The path itself is followed when it is a link.
    fs::create_symlink(dir / "Letter.rtfd/TXT.rtf", dir / "shortcut");
    auto file = FileWrapper::initWithPath(dir / "shortcut");
    ASSERT_TRUE(file);
    EXPECT_TRUE(file->isRegularFile());
    EXPECT_EQ(file->regularFileContents(), "{\\rtf1 hello}");

    EXPECT_FALSE(FileWrapper::initWithPath(dir / "absent"));
    EXPECT_FALSE(FileWrapper::initWithPath(dir / "Letter.rtfd/pipe"));
}

TEST(FileWrapper, ReadingFromDiskStopsAtTheDepthLimit)
{
    TempFolder dir;
    std::string path = dir / "top";
    for (int level = 0; level < FileWrapper::MaximumDepth; ++level)
        path += "/d";
    fs::create_directories(path);
    put(path + "/leaf", "x");

    errno = 0;
    EXPECT_FALSE(FileWrapper::initWithPath(dir / "top"));
    EXPECT_EQ(errno, ELOOP);
    // One level less is as deep as the serialized form allows.
    auto shallower = FileWrapper::initWithPath(dir / "top/d");
    ASSERT_TRUE(shallower);
    EXPECT_NO_THROW(FileWrapper::initWithSerializedRepresentation(shallower->serializedRepresentation()));
}

TEST(FileWrapper, AtomicFolderWriteReplacesTheOldFolderWhole)
{
    TempFolder dir;
    fs::create_directory(dir / "Letter.rtfd");
    put(dir / "Letter.rtfd/stale.tiff", "old");
    put(dir / "Letter.rtfd/TXT.rtf", "old text");

    auto folder = sampleFolder();
    ASSERT_TRUE(folder->writeToFile(dir / "Letter.rtfd", true, true));
    EXPECT_FALSE(fs::exists(dir / "Letter.rtfd/stale.tiff"));
    EXPECT_EQ(get(dir / "Letter.rtfd/TXT.rtf"), "{\\rtf1 hello}");
    EXPECT_EQ(fs::read_symlink(dir / "Letter.rtfd/alias"), "images/pict.tiff");
    EXPECT_EQ(names(dir.path()), std::vector<std::string>{"Letter.rtfd"});
    EXPECT_EQ(folder->filename(), "Letter.rtfd");
    EXPECT_EQ(folder->fileWrappers().at("images")->filename(), "images");

    // A file over a folder and a folder over a file.
    auto single = FileWrapper::initRegularFileWithContents("plain");
    ASSERT_TRUE(single->writeToFile(dir / "Letter.rtfd", true));
    EXPECT_EQ(get(dir / "Letter.rtfd"), "plain");
    ASSERT_TRUE(folder->writeToFile(dir / "Letter.rtfd", true));
    EXPECT_EQ(get(dir / "Letter.rtfd/empty"), "");
    EXPECT_EQ(names(dir.path()), std::vector<std::string>{"Letter.rtfd"});

    // Not atomically, the result is the same.
    ASSERT_TRUE(folder->writeToFile(dir / "Other.rtfd", false));
    EXPECT_EQ(shape(*FileWrapper::initWithPath(dir / "Other.rtfd")), shape(*folder));
}

TEST(FileWrapper, FailedAtomicFolderWriteLeavesTheOldFolder)
{
    TempFolder dir;
    fs::create_directory(dir / "Letter.rtfd");
    put(dir / "Letter.rtfd/TXT.rtf", "old text");

    FileWrapper::Wrappers entries;
    entries.emplace("TXT.rtf", FileWrapper::initRegularFileWithContents(std::string(64 * 1024, 'y')));
    auto folder = FileWrapper::initDirectoryWithFileWrappers(std::move(entries));
    {
        FileSizeLimit limit(1024);
        EXPECT_FALSE(folder->writeToFile(dir / "Letter.rtfd", true, true));
    }
    EXPECT_EQ(get(dir / "Letter.rtfd/TXT.rtf"), "old text");
    EXPECT_EQ(names(dir / "Letter.rtfd"), std::vector<std::string>{"TXT.rtf"});
    EXPECT_EQ(names(dir.path()), std::vector<std::string>{"Letter.rtfd"});
    EXPECT_EQ(folder->filename(), "");
}

TEST(FileWrapper, AddingAndRemovingWrappers)
{
    auto folder = FileWrapper::initDirectoryWithFileWrappers({});
    EXPECT_EQ(folder->addRegularFileWithContents("1", "notes.txt"), "notes.txt");
    EXPECT_EQ(folder->addRegularFileWithContents("2", "notes.txt"), "notes 2.txt");
    EXPECT_EQ(folder->addRegularFileWithContents("3", "notes.txt"), "notes 3.txt");
    EXPECT_EQ(folder->addRegularFileWithContents("4", ".profile"), ".profile");
    EXPECT_EQ(folder->addRegularFileWithContents("5", ".profile"), ".profile 2");
    std::string longName(255, 'n');
    EXPECT_EQ(folder->addRegularFileWithContents("6", longName), longName);
    std::string second = folder->addRegularFileWithContents("7", longName);
    EXPECT_EQ(second.size(), 255u);
    EXPECT_NE(second, longName);

    auto named = FileWrapper::initRegularFileWithContents("x");
    named->setFilename("from-disk");
    const FileWrapper* pointer = named.get();
    EXPECT_EQ(folder->addFileWrapper(std::move(named)), "from-disk");
    EXPECT_EQ(folder->keyForFileWrapper(*pointer), "from-disk");

    const std::string badNames[] = {"", ".", "..", "a/b", std::string("a\0b", 3), std::string(256, 'x')};
    for (const std::string& bad : badNames) {
        EXPECT_THROW(folder->addRegularFileWithContents("x", bad), kit::Exception) << bad;
    }
    FileWrapper::Wrappers badEntries;
    badEntries.emplace("..", FileWrapper::initRegularFileWithContents(""));
    EXPECT_THROW(FileWrapper::initDirectoryWithFileWrappers(std::move(badEntries)), kit::Exception);

    auto removed = folder->removeFileWrapper("notes 2.txt");
    ASSERT_TRUE(removed);
    EXPECT_EQ(removed->regularFileContents(), "2");
    EXPECT_FALSE(folder->removeFileWrapper("notes 2.txt"));
    EXPECT_EQ(folder->keyForFileWrapper(*removed), "");

    auto file = FileWrapper::initRegularFileWithContents("x");
    EXPECT_THROW(file->fileWrappers(), kit::Exception);
    EXPECT_THROW(file->symbolicLinkDestination(), kit::Exception);
    EXPECT_THROW(folder->regularFileContents(), kit::Exception);
    EXPECT_THROW(file->addRegularFileWithContents("x", "y"), kit::Exception);
}

TEST(FileWrapper, SerializedFormRoundTrips)
{
    auto folder = sampleFolder();
    std::string bytes = folder->serializedRepresentation();
    auto copy = FileWrapper::initWithSerializedRepresentation(bytes);
    EXPECT_EQ(copy->serializedRepresentation(), bytes);
    EXPECT_EQ(copy->preferredFilename(), "Letter.rtfd");
    EXPECT_EQ(copy->fileWrappers().at("TXT.rtf")->filename(), "TXT.rtf");
    EXPECT_EQ(copy->fileWrappers().at("images")->fileWrappers().at("pict.tiff")->regularFileContents(),
        std::string("\0\1\2II*", 6));

    auto file = FileWrapper::initRegularFileWithContents(std::string(100000, '\xAB'));
    EXPECT_EQ(FileWrapper::initWithSerializedRepresentation(file->serializedRepresentation())->regularFileContents(),
        file->regularFileContents());
}

namespace {

// Hand-built serialized forms.
struct Bytes {
    std::string data = "SFW1";
    Bytes& u8(unsigned v) { data.push_back(static_cast<char>(v)); return *this; }
    Bytes& u32(std::uint64_t v) { for (int s = 24; s >= 0; s -= 8) data.push_back(static_cast<char>((v >> s) & 0xFF)); return *this; }
    Bytes& u64(std::uint64_t v) { for (int s = 56; s >= 0; s -= 8) data.push_back(static_cast<char>((v >> s) & 0xFF)); return *this; }
    Bytes& text(const std::string& t) { u32(t.size()); data += t; return *this; }
    Bytes& file(const std::string& contents) { u8(1).text(""); u64(contents.size()); data += contents; return *this; }
};

} // namespace

TEST(FileWrapper, DamagedSerializedFormsThrow)
{
    struct Case {
        const char* what;
        std::string bytes;
    };
    std::vector<Case> cases = {
        {"empty", ""},
        {"wrong magic", "XFW1" + Bytes().file("x").data.substr(4)},
        {"magic only", "SFW1"},
        {"unknown kind", Bytes().u8(9).text("").data},
        {"contents longer than the data", Bytes().u8(1).text("").u64(1000).data + "abc"},
        {"huge contents length", Bytes().u8(1).text("").u64(UINT64_MAX).data},
        {"huge name length", Bytes().u8(1).u32(0xFFFFFFFF).data},
        {"folder count beyond the data", Bytes().u8(2).text("").u32(0xFFFFFFFF).data},
        {"slash in a name", Bytes().u8(2).text("").u32(1).text("a/b").file("").data},
        {"dot name", Bytes().u8(2).text("").u32(1).text(".").file("").data},
        {"dot-dot name", Bytes().u8(2).text("").u32(1).text("..").file("").data},
        {"empty name", Bytes().u8(2).text("").u32(1).text("").file("").data},
        {"NUL in a name", Bytes().u8(2).text("").u32(1).text(std::string("a\0", 2)).file("").data},
        {"name twice", Bytes().u8(2).text("").u32(2).text("a").file("1").text("a").file("2").data},
        {"bad preferred name", Bytes().u8(1).text("../x").u64(0).data},
        {"empty link", Bytes().u8(3).text("").text("").data},
        {"trailing bytes", Bytes().file("x").data + "!"},
    };
    for (const Case& c : cases) {
        EXPECT_THROW(FileWrapper::initWithSerializedRepresentation(c.bytes), kit::Exception) << c.what;
    }
    try {
        FileWrapper::initWithSerializedRepresentation(cases[4].bytes);
    } catch (const kit::Exception& e) {
        EXPECT_EQ(e.name(), kit::ArchiverArchiveInconsistencyException);
    }

    // Every cut of a sound form is damaged; none reads past the end.
    std::string sound = sampleFolder()->serializedRepresentation();
    for (std::size_t cut = 0; cut < sound.size(); ++cut)
        EXPECT_THROW(FileWrapper::initWithSerializedRepresentation(sound.substr(0, cut)), kit::Exception) << cut;
}

TEST(FileWrapper, NestingDepthIsBounded)
{
    auto nested = [](int depth) {
        Bytes b;
        for (int i = 0; i < depth; ++i)
            b.u8(2).text("").u32(1).text("d");
        b.file("leaf");
        return b.data;
    };
    auto deepest = FileWrapper::initWithSerializedRepresentation(nested(FileWrapper::MaximumDepth));
    const FileWrapper* node = deepest.get();
    for (int i = 0; i < FileWrapper::MaximumDepth; ++i)
        node = node->fileWrappers().at("d").get();
    EXPECT_EQ(node->regularFileContents(), "leaf");
    EXPECT_THROW(FileWrapper::initWithSerializedRepresentation(nested(FileWrapper::MaximumDepth + 1)), kit::Exception);
    EXPECT_THROW(FileWrapper::initWithSerializedRepresentation(nested(100000)), kit::Exception);
}

TEST(FileWrapper, CorruptedBytesNeverCrash)
{
    std::string sound = sampleFolder()->serializedRepresentation();
    std::mt19937 random(1234);
    int read = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string bytes = sound;
        int flips = 1 + static_cast<int>(random() % 4);
        for (int i = 0; i < flips; ++i)
            bytes[random() % bytes.size()] = static_cast<char>(random());
        try {
            auto wrapper = FileWrapper::initWithSerializedRepresentation(bytes);
            // What reads is sound: its own form reads back to the same form.
            std::string again = wrapper->serializedRepresentation();
            EXPECT_EQ(FileWrapper::initWithSerializedRepresentation(again)->serializedRepresentation(), again);
            ++read;
        } catch (const kit::Exception&) {
        }
    }
    EXPECT_GT(read, 0); // flips inside contents leave a sound form
}

// ---------------------------------------------------------------------------
// Resources folder

namespace {

class EnvironmentVariable {
public:
    EnvironmentVariable(const char* name, const char* value) : name_(name)
    {
        if (const char* old = std::getenv(name))
            saved_ = old;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~EnvironmentVariable()
    {
        if (saved_)
            setenv(name_, saved_->c_str(), 1);
        else
            unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> saved_;
};

} // namespace

TEST(FileBundle, ResourcesFromTheEnvironment)
{
    TempFolder dir;
    put(dir / "Application.strings", "\"a\" = \"b\";\n");
    fs::create_directory(dir / "Convala.bundle");
    EnvironmentVariable resources("SCRIVLY_RESOURCES", dir.path().c_str());

    EXPECT_EQ(kit::Bundle::resourcePath(), dir.path());
    EXPECT_EQ(kit::Bundle::pathForResource("Application", "strings"), dir / "Application.strings");
    EXPECT_EQ(kit::Bundle::pathForResource("Convala", "bundle"), dir / "Convala.bundle");
    EXPECT_EQ(kit::Bundle::pathForResource("Missing", "strings"), "");
    EXPECT_EQ(kit::Bundle::pathForResource("", "strings"), "");
    EXPECT_EQ(kit::Bundle::pathForResource("../" + FileManager::lastPathComponent(dir.path()) + "/Application", "strings"), "");
}

TEST(FileBundle, ResourcesBesideTheExecutable)
{
    EnvironmentVariable resources("SCRIVLY_RESOURCES", nullptr);
    // Test programs sit in <build>/bin, the resources in <build>/resources.
    fs::path expected = fs::weakly_canonical(fs::path(kit::Bundle::executablePath()).parent_path() / ".." / "resources");
    ASSERT_TRUE(fs::is_directory(expected)) << expected;
    EXPECT_EQ(kit::Bundle::resourcePath(), expected.string());
    EXPECT_EQ(kit::Bundle::pathForResource("Application", "strings"), (expected / "Application.strings").string());
}
