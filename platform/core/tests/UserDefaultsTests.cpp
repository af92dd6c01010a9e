#include "core/Exception.h"
#include "core/ProcessInfo.h"
#include "core/UserDefaults.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using kit::UserDefaults;

namespace {

std::string get(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void put(const std::string& path, const std::string& contents)
{
    std::ofstream out(path, std::ios::binary);
    out << contents;
}

class SavedVariable {
public:
    explicit SavedVariable(const char* name) : name_(name)
    {
        if (const char* value = std::getenv(name))
            saved_ = value;
    }
    ~SavedVariable()
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

// Each test gets its own configuration folder and a fresh shared object.
class UserDefaultsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "kit-defaults-test-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        config_ = pattern;
        setenv("XDG_CONFIG_HOME", config_.c_str(), 1);
        UserDefaults::resetStandardUserDefaults();
    }
    void TearDown() override
    {
        UserDefaults::resetStandardUserDefaults();
        std::error_code ec;
        fs::remove_all(config_, ec);
    }

    std::string folder() const { return config_ + "/Scrivly"; }
    std::string file(const std::string& domain) const { return folder() + "/" + domain + ".defaults"; }

    std::string config_;
    SavedVariable savedConfig_{"XDG_CONFIG_HOME"};
};

} // namespace

TEST_F(UserDefaultsTest, LooksUpTheProgramThenTheGlobalThenTheRegistrationDomain)
{
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    EXPECT_EQ(&defaults, &UserDefaults::standardUserDefaults());
    EXPECT_EQ(defaults.applicationDomain(), "Scrivly");
    EXPECT_EQ(defaults.folder(), folder());

    defaults.registerDefaults({{"NSPaperType", "Letter"}, {"Units", "2"}, {"UndoLimit", "100"}});
    defaults.setPersistentDomain({{"NSPaperType", "A4"}, {"Units", "9"}}, UserDefaults::GlobalDomain);
    defaults.setStringForKey("3", "Units");

    EXPECT_EQ(defaults.stringForKey("Units"), "3");
    EXPECT_EQ(defaults.stringForKey("NSPaperType"), "A4");
    EXPECT_EQ(defaults.stringForKey("UndoLimit"), "100");
    EXPECT_EQ(defaults.stringForKey("Absent"), std::nullopt);

    defaults.removeObjectForKey("Units");
    EXPECT_EQ(defaults.stringForKey("Units"), "9");
    defaults.removePersistentDomainForName(UserDefaults::GlobalDomain);
    EXPECT_EQ(defaults.stringForKey("Units"), "2");
    EXPECT_EQ(defaults.stringForKey("NSPaperType"), "Letter");

    // Registration merges and is never stored.
    defaults.registerDefaults({{"Units", "1"}});
    EXPECT_EQ(defaults.stringForKey("UndoLimit"), "100");
    EXPECT_EQ(defaults.stringForKey("Units"), "1");
    ASSERT_TRUE(defaults.synchronize());
    EXPECT_TRUE(defaults.persistentDomainForName("Scrivly").empty());
    EXPECT_EQ(get(file("Scrivly")).find("UndoLimit"), std::string::npos);
}

TEST_F(UserDefaultsTest, SynchronizeStoresEveryValueExactly)
{
    const UserDefaults::Domain values = {
        {"Plain", "value"},
        {"Quotes", "say \"hi\" = \"x\";"},
        {"Backslashes", "C:\\path\\"},
        {"Lines", "one\ntwo\r\nthree"},
        {"Controls", std::string("\0\x01\x1f\x7f\t", 5)},
        {"Empty", ""},
        {"", "empty key"},
        {"UTF-8", "Fran\xC3\xA7" "ais \xE2\x80\x94"},
        {"Comment-like", "// not a comment"},
        {"Rect", "{{99, 41}, {644, 792}}"},
    };
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    for (const auto& [key, value] : values)
        defaults.setStringForKey(value, key);
    defaults.setPersistentDomain({{"NSPaperType", "A4"}}, UserDefaults::GlobalDomain);
    ASSERT_TRUE(defaults.synchronize());

    struct stat st;
    ASSERT_EQ(stat(folder().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(get(file("GlobalDomain")).find("\"NSPaperType\" = \"A4\";\n") != std::string::npos, true);

    UserDefaults again("Scrivly", folder());
    EXPECT_EQ(again.persistentDomainForName("Scrivly"), values);
    EXPECT_EQ(again.stringForKey("NSPaperType"), "A4");
    // One line per entry plus the heading comment.
    std::string text = get(file("Scrivly"));
    EXPECT_EQ(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')), values.size() + 1);
}

TEST_F(UserDefaultsTest, SynchronizeWritesOnlyWhatChanged)
{
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    defaults.setStringForKey("1", "Rulers");
    ASSERT_TRUE(defaults.synchronize());
    ASSERT_TRUE(fs::exists(file("Scrivly")));

    // Unchanged: nothing is written, so a removed file stays removed.
    fs::remove(file("Scrivly"));
    ASSERT_TRUE(defaults.synchronize());
    EXPECT_FALSE(fs::exists(file("Scrivly")));
    defaults.setStringForKey("1", "Rulers"); // the same value is no change
    defaults.setPersistentDomain({{"Rulers", "1"}}, "Scrivly");
    ASSERT_TRUE(defaults.synchronize());
    EXPECT_FALSE(fs::exists(file("Scrivly")));

    defaults.setStringForKey("0", "Rulers");
    ASSERT_TRUE(defaults.synchronize());
    EXPECT_NE(get(file("Scrivly")).find("\"Rulers\" = \"0\";"), std::string::npos);

    defaults.removePersistentDomainForName("Scrivly");
    ASSERT_TRUE(defaults.synchronize());
    EXPECT_FALSE(fs::exists(file("Scrivly")));
    EXPECT_EQ(fs::directory_iterator(folder()) == fs::directory_iterator(), true);
}

TEST_F(UserDefaultsTest, FailedSynchronizeKeepsTheChangesForLater)
{
    // A file where the folder should be: nothing can be written.
    put(config_ + "/Scrivly", "in the way");
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    defaults.setStringForKey("5", "PageZoom");
    EXPECT_FALSE(defaults.synchronize());
    EXPECT_EQ(get(config_ + "/Scrivly"), "in the way");

    fs::remove(config_ + "/Scrivly");
    EXPECT_TRUE(defaults.synchronize());
    EXPECT_NE(get(file("Scrivly")).find("\"PageZoom\" = \"5\";"), std::string::npos);
}

TEST_F(UserDefaultsTest, DamagedFilesKeepTheirSoundLines)
{
    struct Case {
        const char* what;
        std::string line;
    };
    const Case cases[] = {
        {"bad escape", "\"bad\" = \"a\\qb\";"},
        {"bad hex escape", "\"bad\" = \"\\xG1\";"},
        {"missing opening quote", "bad\" = \"value\";"},
        {"missing closing quote", "\"bad\" = \"value;"},
        {"missing semicolon", "\"bad\" = \"value\""},
        {"missing equals sign", "\"bad\" \"value\";"},
        {"text after the entry", "\"bad\" = \"value\"; junk"},
        {"raw control byte", std::string("\"bad\" = \"va\x01lue\";")},
        {"NUL byte", std::string("\"bad\" = \"va\0lue\";", 17)},
        {"binary garbage", "\xFF\xFE\x00\x13\x88\"\\=;"},
        {"lone quote", "\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto domain = UserDefaults::domainFromString("\"before\" = \"1\";\n" + c.line + "\n\"after\" = \"2\";\n");
        EXPECT_EQ(domain, (UserDefaults::Domain{{"before", "1"}, {"after", "2"}}));
    }

    // A file cut short keeps every complete line.
    std::string text = UserDefaults::stringFromDomain({{"a", "1"}, {"b", "2"}, {"c", "three"}});
    for (std::size_t cut = 0; cut <= text.size(); ++cut) {
        auto domain = UserDefaults::domainFromString(text.substr(0, cut));
        std::size_t complete = 0;
        for (std::size_t i = text.find('\n'); i < cut; ++i) // after the heading comment
            complete += text[i] == ';';
        EXPECT_EQ(domain.size(), complete) << cut;
    }

    // Through the file: the damaged domain reads as far as it is sound.
    fs::create_directories(folder());
    put(file("Scrivly"), "\"Units\" = \"3\";\n\"Rulers\" = \"1\n\x01\x02garbage\xff\n\"Zoom\" = \"1.5\";\n\"Cut\" = \"sho");
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    EXPECT_EQ(defaults.persistentDomainForName("Scrivly"), (UserDefaults::Domain{{"Units", "3"}, {"Zoom", "1.5"}}));
}

TEST_F(UserDefaultsTest, RandomBytesNeverCrash)
{
    std::mt19937 random(7);
    const std::string alphabet = "\"\\=;/\n xn0\x01\xff";
    for (int round = 0; round < 2000; ++round) {
        std::string junk;
        std::size_t length = random() % 100;
        for (std::size_t i = 0; i < length; ++i)
            junk.push_back(round % 2 ? static_cast<char>(random()) : alphabet[random() % alphabet.size()]);
        auto domain = UserDefaults::domainFromString(junk + "\n\"sound\" = \"yes\";\n");
        EXPECT_EQ(domain["sound"], "yes") << junk;
        // Whatever was read writes and reads back the same.
        EXPECT_EQ(UserDefaults::domainFromString(UserDefaults::stringFromDomain(domain)), domain);
    }
}

TEST_F(UserDefaultsTest, FolderFollowsTheEnvironment)
{
    SavedVariable savedHome("HOME");
    setenv("HOME", "/home/someone", 1);
    setenv("XDG_CONFIG_HOME", "relative/config", 1); // not absolute: ignored
    EXPECT_EQ(UserDefaults::defaultsFolder(), "/home/someone/.config/Scrivly");
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(UserDefaults::defaultsFolder(), "/home/someone/.config/Scrivly");
    setenv("XDG_CONFIG_HOME", "/elsewhere/", 1);
    EXPECT_EQ(UserDefaults::defaultsFolder(), "/elsewhere/Scrivly");
}

TEST_F(UserDefaultsTest, DomainNamesMustBeFileNames)
{
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    const std::string names[] = {"", "../escape", "a/b", ".hidden", std::string("a\0b", 3)};
    for (const std::string& name : names) {
        EXPECT_THROW(defaults.persistentDomainForName(name), kit::Exception) << name;
        EXPECT_THROW(defaults.setPersistentDomain({}, name), kit::Exception) << name;
    }
    EXPECT_THROW(UserDefaults("a/b", folder()), kit::Exception);
}

TEST_F(UserDefaultsTest, DomainIsNamedAfterTheProcess)
{
    kit::ProcessInfo::setProcessName("Other");
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    defaults.setStringForKey("x", "Key");
    bool written = defaults.synchronize();
    kit::ProcessInfo::setProcessName("Scrivly");
    EXPECT_TRUE(written);
    EXPECT_TRUE(fs::exists(file("Other")));
    EXPECT_FALSE(fs::exists(file("Scrivly")));
}

// Run as a separate process by PersistsAcrossProcesses: reads what the parent
// stored and stores an answer.
TEST(UserDefaultsChildProcess, ReadsAndAnswers)
{
    if (!std::getenv("SCRIVLY_DEFAULTS_CHILD"))
        GTEST_SKIP() << "run by UserDefaultsTest.PersistsAcrossProcesses";
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    ASSERT_EQ(defaults.stringForKey("FromParent"), "line one\nline \"two\"");
    ASSERT_EQ(defaults.stringForKey("NSPaperType"), "A4");
    defaults.setStringForKey("answer", "FromChild");
    ASSERT_TRUE(defaults.synchronize());
}

TEST_F(UserDefaultsTest, PersistsAcrossProcesses)
{
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    defaults.setStringForKey("line one\nline \"two\"", "FromParent");
    defaults.setPersistentDomain({{"NSPaperType", "A4"}}, UserDefaults::GlobalDomain);
    ASSERT_TRUE(defaults.synchronize());

    pid_t pid = fork();
    if (pid == 0) {
        setenv("SCRIVLY_DEFAULTS_CHILD", "1", 1);
        execl("/proc/self/exe", "kit_core_tests", "--gtest_filter=UserDefaultsChildProcess.ReadsAndAnswers",
            static_cast<char*>(nullptr));
        _exit(127);
    }
    ASSERT_GT(pid, 0);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0);

    UserDefaults::resetStandardUserDefaults();
    UserDefaults& fresh = UserDefaults::standardUserDefaults();
    EXPECT_EQ(fresh.stringForKey("FromChild"), "answer");
    EXPECT_EQ(fresh.stringForKey("FromParent"), "line one\nline \"two\"");
}
