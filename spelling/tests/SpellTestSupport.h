#pragma once

// Shared set-up of the spelling tests: a pool of the size the spelling panel
// uses, the built dictionaries, and the dictionary builder for round trips.

#include "spelling/pwd.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace spelltest {

inline std::string resources()
{
    const char* r = std::getenv("SCRIVLY_RESOURCES");
    return r ? r : "";
}

inline std::string dictionary(const std::string& name)
{
    return resources() + "/" + name + ".dct";
}

inline std::string builder()
{
    return resources() + "/../bin/dictbuild";
}

inline std::string tempPath(const std::string& name)
{
    const char* t = std::getenv("TMPDIR");
    return std::string(t ? t : "/tmp") + "/scrivly-spell-" + std::to_string(::getpid()) + "-" + name;
}

// Builds a dictionary from words (UTF-8) with the real builder.
inline std::string buildDictionary(const std::string& name, int language, const std::vector<std::string>& words,
                                   const std::string& flags = "")
{
    std::string list = tempPath(name + ".txt"), out = tempPath(name + ".dct");
    std::ofstream f(list, std::ios::binary);
    for (const std::string& w : words)
        f << w << "\n";
    f.close();
    std::string cmd = builder() + " " + flags + " " + std::to_string(language) + " " + out + " " + list + " > /dev/null";
    if (std::system(cmd.c_str()) != 0)
        return "";
    std::remove(list.c_str());
    return out;
}

inline std::vector<unsigned char> readFile(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return std::vector<unsigned char>((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

inline void writeFile(const std::string& path, const std::vector<unsigned char>& data)
{
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

class PoolTest : public ::testing::Test {
protected:
    std::vector<unsigned char> block = std::vector<unsigned char>(307200);
    void SetUp() override
    {
        ASSERT_EQ(InitMemPool(block.data(), static_cast<long>(block.size())), 0);
        UserFreeSpace = PWDPurge;
    }
    void TearDown() override
    {
        UserFreeSpace = nullptr;
        CNSPool = nullptr;
    }

    static int check(PWDHandle speller, const std::string& word)
    {
        const unsigned char* p = reinterpret_cast<const unsigned char*>(word.data());
        return PWDSpellCheck(speller, p, p + word.size() - 1, 0);
    }

    // Guesses as (flag byte, word) pairs in their order.
    static std::vector<std::pair<int, std::string>> guesses(PWDHandle speller, const std::string& word)
    {
        std::vector<std::pair<int, std::string>> out;
        const unsigned char* p = reinterpret_cast<const unsigned char*>(word.data());
        PWDHandle h = PWDGuess(speller, p, p + word.size() - 1, 1, 1);
        if (!h)
            return out;
        CNSLock(h);
        const unsigned char* d = static_cast<const unsigned char*>(CNSDeref(h));
        long size = CNSGetHandleSize(h);
        for (long i = 0; i < size;) {
            int flag = d[i++];
            std::string w(reinterpret_cast<const char*>(d + i));
            i += static_cast<long>(w.size()) + 1;
            out.push_back({flag, w});
        }
        CNSUnlock(h);
        CNSDisposHandle(h);
        return out;
    }
};

// A pool with dictionaries built for the test from word lists; the files go
// with the test.
class BuiltDictionaryTest : public PoolTest {
protected:
    std::vector<std::string> paths;
    PWDHandle open(const std::string& name, int language, const std::vector<std::string>& words,
                   const std::string& flags = "")
    {
        std::string path = buildDictionary(name, language, words, flags);
        EXPECT_FALSE(path.empty()) << "dictbuild failed for " << name;
        paths.push_back(path);
        PWDHandle sp = PWDInitSpell(path.c_str(), 0);
        EXPECT_NE(sp, 0u) << name;
        return sp;
    }
    void TearDown() override
    {
        for (const std::string& p : paths)
            std::remove(p.c_str());
        PoolTest::TearDown();
    }
};

} // namespace spelltest
