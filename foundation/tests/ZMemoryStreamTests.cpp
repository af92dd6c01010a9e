#include "core/FileManager.h"
#include "foundation/ZMemoryStream.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(FoundationMemoryStream, WritesBytesCharactersAndFormattedText)
{
    ZMemoryStream stream;
    EXPECT_EQ(stream.write("ab\0c", 4), 4);
    EXPECT_EQ(stream.putc(0), 0);
    EXPECT_EQ(stream.putc(0xE9), 0xE9);
    stream.printf("%d-%s", 7, "x");
    EXPECT_EQ(stream.write("zz", -3), 0);
    EXPECT_EQ(*stream.data(), std::string("ab\0c\0\xE9" "7-x", 9));
}

TEST(FoundationMemoryStream, LongFormattedTextIsAppendedWhole)
{
    ZMemoryStream stream;
    const std::string longText(100000, 'q');
    stream.printf("<%s>%g", longText.c_str(), 0.5);
    ASSERT_EQ(stream.data()->size(), longText.size() + 5);
    EXPECT_EQ(stream.data()->substr(stream.data()->size() - 5), "q>0.5");
}

// The RTF writer emits font names and text runs through printf: neither is
// cut at any buffer size.
TEST(FoundationMemoryStream, LongFontNamesAndTextRunsAreWrittenWhole)
{
    std::string name(5000, 'n');
    name.back() = 'N';
    std::string run;
    for (int i = 0; run.size() < 9000; ++i)
        run += "word" + std::to_string(i) + " ";
    ZMemoryStream stream;
    stream.printf("{\\f%d\\f%s %s;}", 12, "swiss", name.c_str());
    stream.printf("%s", run.c_str());
    stream.printf("\\par}");
    EXPECT_EQ(*stream.data(), "{\\f12\\fswiss " + name + ";}" + run + "\\par}");
}

TEST(FoundationMemoryStream, SavesAtomicallyAndNothingAfterClose)
{
    const std::string path = kit::FileManager::uniqueTemporaryPath("stream");
    ZMemoryStream empty;
    EXPECT_TRUE(empty.saveToFile(path));
    EXPECT_EQ(kit::FileManager::contentsAtPath(path), "");
    ZMemoryStream stream;
    stream.printf("%s", "new contents");
    EXPECT_TRUE(stream.saveToFile(path));
    EXPECT_EQ(kit::FileManager::contentsAtPath(path), "new contents");
    // A folder that does not exist fails and leaves no file.
    EXPECT_FALSE(stream.saveToFile(path + ".missing/file"));
    stream.close();
    EXPECT_EQ(stream.data(), nullptr);
    EXPECT_EQ(stream.write("x", 1), 0);
    EXPECT_EQ(stream.putc('x'), -1);
    stream.printf("ignored");
    EXPECT_FALSE(stream.saveToFile(path));
    EXPECT_EQ(kit::FileManager::contentsAtPath(path), "new contents");
    stream.close();
    kit::FileManager::removeFileAtPath(path);
}

} // namespace
