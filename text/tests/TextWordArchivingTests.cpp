#include "TextTestSupport.h"

#include "core/Archiver.h"
#include "core/Exception.h"
#include "core/Unarchiver.h"
#include "core/Values.h"

#include <functional>

namespace {

template <class T>
std::unique_ptr<T> roundTrip(const T& word, std::vector<std::unique_ptr<kit::Object>>& unclaimed)
{
    const std::string data = kit::Archiver::archivedDataWithRootObject(&word);
    return kit::Unarchiver::unarchiveObjectWithData<T>(data, unclaimed);
}

} // namespace

TEST_F(TextTest, EveryWordKindSurvivesTheStoredForm)
{
    kit::registerValueClasses();
    std::vector<std::unique_ptr<kit::Object>> unclaimed;
    TextWord plain("styled");
    auto big = std::make_unique<StyleChar>();
    big->setFont(fixtureFont(20));
    plain.addCharStyle(std::move(big), 2);
    plain.addCharStyle(std::make_unique<StyleChar>(), 6);
    auto back = roundTrip(plain, unclaimed);
    ASSERT_NE(back, nullptr);
    EXPECT_STREQ(back->text(), "styled");
    EXPECT_EQ(back->hyphenCount(), -1);
    ASSERT_NE(back->styleAt(2), nullptr);
    EXPECT_EQ(back->styleAt(2)->font(), fixtureFont(20));
    EXPECT_NE(back->styleAt(6), nullptr);
    EXPECT_EQ(back->styleAt(0), nullptr);
    EXPECT_FALSE(roundTrip(TextWord("bare"), unclaimed)->hasStyles());

    for (int type : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 101, 102, 103, 104, 201, 202, 203, 204}) {
        TextWordSpecial word(type);
        word.setTab(3, 72, '.');
        word.setFormatString(std::string("%Y"));
        word.setItemSerialNumber(17);
        word.setScale(0.5f, 2.0f);
        auto copy = roundTrip(word, unclaimed);
        ASSERT_NE(copy, nullptr) << type;
        EXPECT_EQ(copy->wordType(), type);
        EXPECT_EQ(copy->length(), word.length()) << type;
        if (type == TextWordTab) {
            EXPECT_EQ(copy->tabType(), 3);
            EXPECT_EQ(copy->tabLeader(), '.');
        }
        if (type == 1 || type == 3 || type == 6 || type == 7) {
            EXPECT_EQ(copy->formatString(), std::optional<std::string>("%Y")) << type;
        }
        if (type == 102) {
            EXPECT_EQ(copy->itemSerialNumber(), std::optional<int>(17));
            EXPECT_FLOAT_EQ(copy->scaleY(), 2.0f);
        }
    }
}

TEST_F(TextTest, DamagedStoredWordsAreRefused)
{
    const struct {
        const char* what;
        std::function<void(kit::Archiver&)> write;
    } cases[] = {
        {"negative length", [](kit::Archiver& out) { out.encodeValuesOfObjCTypes("ss", short(-4), short(0)); }},
        {"length past the bytes",
         [](kit::Archiver& out) {
             out.encodeValuesOfObjCTypes("ss", short(30000), short(0));
             const char few[3] = "ab";
             out.encodeArrayOfObjCType("c", 3, few);
         }},
        {"more styles than slots",
         [](kit::Archiver& out) {
             out.encodeValuesOfObjCTypes("ss", short(2), short(9));
             const char letters[3] = "ab";
             out.encodeArrayOfObjCType("c", 3, letters);
             out.encodeObject(nullptr);
         }},
        {"style slot out of range",
         [](kit::Archiver& out) {
             out.encodeValuesOfObjCTypes("ss", short(2), short(1));
             const char letters[3] = "ab";
             out.encodeArrayOfObjCType("c", 3, letters);
             out.encodeObject(nullptr);
             out.encodeValuesOfObjCTypes("s", short(3));
             out.encodeObject(nullptr);
         }},
    };
    for (const auto& c : cases) {
        TextWord word;
        EXPECT_THROW(readUnits(kit::OpenFileVersionCurrent, c.write, word), kit::Exception) << c.what;
    }
    TextWord old;
    EXPECT_THROW(readUnits(
                     2.24f,
                     [](kit::Archiver& out) {
                         out.encodeValuesOfObjCTypes("*sssssfs", "abc", short(3), short(0), short(1), short(20000),
                                                     short(0), 2.0f, short(0));
                         out.encodeRect(kit::makeRect(0, 0, 1, 1));
                         out.encodeValuesOfObjCTypes("ffi", 0.0f, 0.0f, -1);
                     },
                     old),
                 kit::Exception);
}

TEST_F(TextTest, OlderStoredFormsAreRead)
{
    TextWord word;
    readUnits(
        2.24f,
        [](kit::Archiver& out) {
            out.encodeValuesOfObjCTypes("*sssssfs", "word", short(4), short(2), short(2), short(1), short(3), 2.0f,
                                        short(0));
            out.encodeRect(kit::makeRect(1, 2, 18, 10));
            out.encodeValuesOfObjCTypes("ffi", 0.0f, 12.0f, 1);
            out.encodeRect(kit::makeRect(5, 14, 12, 10));
            out.encodeValuesOfObjCTypes("ffi", 12.0f, 12.0f, -1);
            out.encodeObject(nullptr);
            const float widths[4] = {6, 6, 6, 6};
            out.encodeArrayOfObjCType("f", 4, widths);
            const short hyphens[1] = {2};
            out.encodeArrayOfObjCType("s", 1, hyphens);
        },
        word);
    EXPECT_STREQ(word.text(), "word");
    EXPECT_EQ(word.langId(), 3);
    EXPECT_EQ(word.numWordPieces(), 2);
    EXPECT_EQ(word.firstOffsetForPiece(1), 2);
    EXPECT_EQ(word.hyphenCount(), -1);

    // A tab word of 2.555: tab type and leader in one int.
    TextWordSpecial tab;
    readUnits(
        2.555f,
        [](kit::Archiver& out) {
            out.encodeValuesOfObjCTypes("sss", short(0), short(0), short(0));
            const char letters[1] = "";
            out.encodeArrayOfObjCType("c", 1, letters);
            out.encodeObject(nullptr);
            out.encodeValuesOfObjCTypes("i", int(TextWordTab));
            out.encodeValuesOfObjCTypes("i", int(('.' << 16) | 2));
        },
        tab);
    EXPECT_EQ(tab.wordType(), TextWordTab);
    EXPECT_EQ(tab.tabType(), 2);
    EXPECT_EQ(tab.tabLeader(), '.');
}

TEST_F(TextTest, TemplateDateTokensBecomeFixed)
{
    kit::registerValueClasses();
    std::vector<std::unique_ptr<kit::Object>> unclaimed;
    TextWordSpecial date(TextWordDate);
    date.setFormatString(std::string("%Y"));
    convertToFixedTokens = true;
    auto back = roundTrip(date, unclaimed);
    convertToFixedTokens = false;
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->wordType(), TextWordFixedDate);
    EXPECT_EQ(back->textLength(), 4);
    EXPECT_TRUE(hasUpdatingTokens);
    hasUpdatingTokens = false;
}
