#include "panels/LearnedWords.h"

#include "core/Alert.h"
#include "core/Encoding.h"
#include "core/FileManager.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

class LearnedWordsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        config_ = kit::FileManager::uniqueTemporaryPath("learned-words");
        ASSERT_TRUE(kit::FileManager::createDirectoryAtPath(config_));
        setenv("XDG_CONFIG_HOME", config_.c_str(), 1);
        alerts_ = std::make_shared<kit::ScriptedAlertHandler>();
        kit::setAlertHandler(alerts_);
    }
    void TearDown() override
    {
        kit::setAlertHandler(nullptr);
        kit::FileManager::removeFileAtPath(config_);
    }
    static void write(const std::string& path, const std::string& bytes)
    {
        std::ofstream out(path, std::ios::binary);
        out << bytes;
    }
    static std::string read(const std::string& path)
    {
        return kit::FileManager::contentsAtPath(path).value_or("(none)");
    }

    std::string config_;
    std::shared_ptr<kit::ScriptedAlertHandler> alerts_;
};

TEST_F(LearnedWordsTest, TheFileLivesInTheSettingsFolderAndKeepsWordsAcrossReads)
{
    EXPECT_EQ(LearnedWords::learnFilename(), config_ + "/Scrivly/LearnedWords");
    LearnedWords words;
    EXPECT_EQ(words.loadLearnedWords(), LearnedWords::Status::Missing);
    // "café" in the documents' set is stored as UTF-8.
    const std::string cafe = *kit::fromUTF8(kit::Encoding::NeXTSTEP, "caf\xC3\xA9");
    ASSERT_TRUE(words.learn({"Scrivly", cafe}));
    const std::string file = read(LearnedWords::learnFilename());
    EXPECT_NE(file.find("\"caf\xC3\xA9\" = \"caf\xC3\xA9\";"), std::string::npos);
    LearnedWords again;
    EXPECT_EQ(again.loadLearnedWords(), LearnedWords::Status::Read);
    EXPECT_TRUE(again.contains(cafe));
    EXPECT_TRUE(again.contains("Scrivly"));
    EXPECT_EQ(again.size(), 2u);
    EXPECT_TRUE(alerts_->shown().empty());
}

// Whatever the file holds that is not sound, the sound words are kept and
// the file is never written over.
TEST_F(LearnedWordsTest, AFileThatIsNotReadSoundlyIsKeptAndNothingIsLearned)
{
    struct Case {
        const char* name;
        std::string bytes;
        LearnedWords::Status status;
        std::size_t kept;
    };
    const Case cases[] = {
        {"garbage line", "\"good\" = \"good\";\nnot a line at all\n", LearnedWords::Status::Damaged, 1},
        {"binary", std::string("\"good\" = \"good\";\n") + std::string("\x01\x02\xff\xfe\0\0", 6),
         LearnedWords::Status::Damaged, 1},
        {"word not itself", "\"good\" = \"good\";\n\"a\" = \"b\";\n", LearnedWords::Status::Damaged, 1},
        {"not in the set", "\"good\" = \"good\";\n\"snow\xE2\x98\x83\" = \"snow\xE2\x98\x83\";\n",
         LearnedWords::Status::Damaged, 1},
        {"sound", "// words\n\"good\" = \"good\";\n\n", LearnedWords::Status::Read, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        alerts_->reset();
        ASSERT_TRUE(LearnedWords::createLearnPath());
        const std::string path = LearnedWords::learnFilename();
        write(path, c.bytes);
        LearnedWords words;
        EXPECT_EQ(words.loadLearnedWords(), c.status);
        EXPECT_EQ(words.size(), c.kept);
        EXPECT_TRUE(words.contains("good"));
        const bool learned = words.learn({"new"});
        EXPECT_EQ(learned, c.status == LearnedWords::Status::Read);
        if (!learned) {
            EXPECT_EQ(read(path), c.bytes);
            ASSERT_EQ(alerts_->shown().size(), 1u);
            // Without the application's strings the key itself is shown.
            const std::string& message = alerts_->shown()[0].message;
            EXPECT_TRUE(message == "SpellBadFile" || message.find(path) != std::string::npos) << message;
            EXPECT_EQ(alerts_->beeps(), 1);
        }
    }
}

TEST_F(LearnedWordsTest, AFolderALinkOrAHugeFileIsUnreadableAndLeftAlone)
{
    ASSERT_TRUE(LearnedWords::createLearnPath());
    const std::string path = LearnedWords::learnFilename();
    const std::string target = config_ + "/elsewhere";

    // A folder.
    ASSERT_TRUE(kit::FileManager::createDirectoryAtPath(path));
    LearnedWords words;
    EXPECT_EQ(words.loadLearnedWords(), LearnedWords::Status::Unreadable);
    EXPECT_FALSE(words.learn({"new"}));
    bool folder = false;
    EXPECT_TRUE(kit::FileManager::fileExistsAtPath(path, &folder) && folder);
    ASSERT_TRUE(kit::FileManager::removeFileAtPath(path));

    // A link to a file of words.
    write(target, "\"good\" = \"good\";\n");
    ASSERT_EQ(::symlink(target.c_str(), path.c_str()), 0);
    EXPECT_EQ(words.loadLearnedWords(), LearnedWords::Status::Unreadable);
    EXPECT_EQ(words.size(), 0u);
    EXPECT_FALSE(words.learn({"new"}));
    EXPECT_EQ(read(target), "\"good\" = \"good\";\n");
    ASSERT_TRUE(kit::FileManager::removeFileAtPath(path));

    // Over 16 MiB.
    write(path, "\"good\" = \"good\";\n");
    ASSERT_EQ(::truncate(path.c_str(), off_t(LearnedWords::MaxFileBytes) + 1), 0);
    EXPECT_EQ(words.loadLearnedWords(), LearnedWords::Status::Unreadable);
    EXPECT_FALSE(words.learn({"new"}));
    EXPECT_EQ(kit::FileManager::fileAttributesAtPath(path)->size, LearnedWords::MaxFileBytes + 1);
    EXPECT_EQ(alerts_->beeps(), 3);
}

TEST_F(LearnedWordsTest, AWordTheFileCannotHoldIsRefused)
{
    LearnedWords words;
    (void)words.loadLearnedWords();
    EXPECT_FALSE(words.learn({"tab\tword"}));
    EXPECT_FALSE(words.learn({""}));
    EXPECT_EQ(words.size(), 0u);
    EXPECT_FALSE(kit::FileManager::fileExistsAtPath(LearnedWords::learnFilename()));
}

} // namespace
