#include "TestEnvironment.h"

#include "core/Encoding.h"
#include "core/ImageFileTypes.h"
#include "core/Pasteboard.h"
#include "core/ProcessInfo.h"
#include "core/Values.h"
#include "foundation/ArrayExtensions.h"
#include "foundation/CommonHelpers.h"
#include "foundation/FileManagerExtensions.h"
#include "foundation/Languages.h"
#include "foundation/PageNumbers.h"
#include "foundation/PboardTypes.h"
#include "foundation/ZYNTime.h"
#include "graphics/Font.h"

#include <climits>
#include <set>

namespace {

TEST(FoundationPageNumbers, NumbersToStrings)
{
    struct Case {
        int number;
        int type;
        const char* text;
    };
    const Case cases[] = {
        {0, 0, ""},        {-3, 1, ""},        {7, 0, "7"},        {14, 2, "XIV"},      {14, 1, "xiv"},
        {1994, 1, "mcmxciv"}, {4999, 2, "MMMMCMXCIX"}, {9999, 1, "mmmmmmmmmcmxcix"}, {10000, 1, "????"},
        {28, 3, "ab"},     {1, 3, "a"},        {26, 4, "Z"},       {27, 4, "AA"},       {703, 3, "aaa"},
        {5, 9, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(pageNumberString(c.number, c.type), c.text) << c.number << " type " << c.type;
    EXPECT_EQ(pageRangeString(3, 0, 1), "iii");
    EXPECT_EQ(pageRangeString(3, 3, 1), "iii");
    EXPECT_EQ(pageRangeString(3, 5, 1), "iii-v");
    EXPECT_EQ(ConvertToLetters(0, 3), "");
}

TEST(FoundationPageNumbers, StringsToNumbers)
{
    struct Case {
        const char* text;
        int roman;
        int letters;
    };
    const Case cases[] = {
        {"  xiv.", 14, INT_MIN}, {"iiv", -1, INT_MIN}, {"cl", 150, INT_MIN}, {"12", 0, 0},
        {"", -1, -1},            {"   ", -1, -1},       {"MCMXC", 1990, INT_MIN}, {"xxl", -1, INT_MIN},
        {"ab", INT_MIN, 28},     {"AB", INT_MIN, 28},   {"z9", INT_MIN, 26},  {"vx", -1, INT_MIN},
        {"xk", -1, INT_MIN},     {"mmcdxliv", 2444, INT_MIN},
    };
    for (const Case& c : cases) {
        if (c.roman != INT_MIN) {
            EXPECT_EQ(ConvertFromRoman(c.text), c.roman) << '"' << c.text << '"';
        }
        if (c.letters != INT_MIN) {
            EXPECT_EQ(ConvertFromLetters(c.text), c.letters) << '"' << c.text << '"';
        }
    }
    EXPECT_EQ(ConvertPageStringToNumber(std::nullopt, 0), 1);
    EXPECT_EQ(ConvertPageStringToNumber(std::string("42"), 0), 42);
    EXPECT_EQ(ConvertPageStringToNumber(std::string("XL"), 2), 40);
    EXPECT_EQ(ConvertPageStringToNumber(std::string("ab"), 4), 28);
    EXPECT_EQ(ConvertPageStringToNumber(std::string("ab"), 7), 1);
}

TEST(FoundationPageNumbers, RoundTripsBothWays)
{
    for (int n = 1; n <= 3000; ++n) {
        ASSERT_EQ(ConvertFromRoman(ConvertToRoman(n, 1)), n);
        ASSERT_EQ(ConvertFromLetters(ConvertToLetters(n, 4)), n);
    }
}

TEST(FoundationPageNumbers, LongInputSaturatesInsteadOfOverflowing)
{
    EXPECT_EQ(ConvertFromLetters(std::string(40, 'z')), INT_MAX);
    EXPECT_EQ(ConvertFromRoman(std::string(3000000, 'm')), INT_MAX);
    EXPECT_EQ(ConvertFromLetters("zzzzzz"), 321272406);
}

std::tm makeTime(int year, int month, int day, int hour, int minute)
{
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    std::mktime(&t);
    return t;
}

TEST(FoundationDates, ExtraEscapes)
{
    struct Case {
        const char* format;
        std::tm time;
        const char* text;
    };
    const Case cases[] = {
        {"%B %D, %Y", makeTime(1996, 3, 5, 9, 0), "March 5, 1996"},
        {"%B %D, %Y", makeTime(1996, 3, 15, 9, 0), "March 15, 1996"},
        {"%i:%M", makeTime(1996, 3, 5, 12, 30), "12:30"},
        {"%i:%M", makeTime(1996, 3, 5, 13, 5), "1:05"},
        {"%i:%M", makeTime(1996, 3, 5, 0, 5), "12:05"},
        {"%i:%M%p", makeTime(1996, 3, 5, 22, 15), "10:15PM"},
        {"%n/%D", makeTime(1996, 3, 5, 1, 0), "3/5"},
        {"%n/%D", makeTime(1996, 11, 25, 1, 0), "11/25"},
        {"100%% %D%", makeTime(1996, 3, 5, 1, 0), "100% 5%"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ZYNStrfTime(c.format, c.time), c.text) << c.format;
}

TEST(FoundationDates, LongFormatsAreNotCutShort)
{
    std::string format;
    for (int i = 0; i < 100; ++i)
        format += "%D-%B ";
    const std::string text = ZYNStrfTime(format, makeTime(2001, 9, 7, 8, 0));
    EXPECT_EQ(text.size(), 100u * std::string("7-September ").size());
    EXPECT_EQ(text.substr(text.size() - 12), "7-September ");
}

TEST(FoundationDates, WideFieldsAreNarrowedNotRefused)
{
    const std::tm t = makeTime(2001, 9, 7, 8, 0);
    EXPECT_EQ(ZYNStrfTime("%10Y|%_6Y|%%99Y", t), "0000002001|  2001|%99Y");
    // A stored format asking for a field of thousands of characters (a
    // preference or a date token read from a file) gets the widest field.
    std::string wide;
    ASSERT_NO_THROW(wide = ZYNStrfTime("%99999999999999999999Y|%_4000d.", t));
    EXPECT_EQ(wide, std::string(251, '0') + "2001|" + std::string(254, ' ') + "7.");
    // After a modifier the next character is the conversion, a '%' too:
    // "%6O%" is one escape and "%99999Y" the next.
    // One modifier at most: "%OO" is an unknown conversion, which the C
    // library copies, widened too.
    for (const char* format : {"%6O%%99999Y", "%OO%99999Y"}) {
        ASSERT_NO_THROW(wide = ZYNStrfTime(format, t)) << format;
        EXPECT_LE(wide.size(), 6u + 255u) << format;
        EXPECT_EQ(wide.substr(wide.size() - 4), "2001") << format;
    }
}

TEST(FoundationDates, PreProcessingKeepsWithinItsSize)
{
    const std::tm t = makeTime(2001, 9, 7, 8, 0);
    EXPECT_EQ(preProcessStrftime(128, "%D %n %i %d", t), "7 9 8 %d");
    EXPECT_EQ(preProcessStrftime(4, "abcdef", t), "abc");
    // An escape that does not fit whole is dropped with the rest.
    EXPECT_EQ(preProcessStrftime(4, "ab%Y", t), "ab");
    EXPECT_EQ(preProcessStrftime(0, "abc", t), "");
}

TEST(FoundationHelpers, SizeStringsAndDashes)
{
    EXPECT_EQ(getSizeString(9999), "9999");
    EXPECT_EQ(getSizeString(10240), "10.0K");
    EXPECT_EQ(getSizeString(2097152), "2.00M");
    EXPECT_TRUE(isDash('-'));
    EXPECT_TRUE(isDash(0xB1));
    EXPECT_TRUE(isDash(0xD0));
    EXPECT_FALSE(isDash('_'));
}

TEST(FoundationHelpers, StringEquality)
{
    struct Case {
        const char* a;
        const char* b;
        bool caseSensitive;
        int length;
        bool equal;
    };
    const Case cases[] = {
        {"Abc", "aBC", false, -1, true}, {"Abc", "aBC", true, -1, false}, {nullptr, nullptr, true, -1, true},
        {"a", nullptr, false, -1, false}, {"abcd", "abXY", true, 2, true}, {"ab", "abc", true, -1, false},
        {"ab", "abc", true, 2, true},    {"", "", false, 0, true},        {"\xC4", "\xE4", false, -1, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ZYNStringEqual(c.a, c.b, c.caseSensitive, c.length), c.equal)
            << (c.a ? c.a : "nil") << " / " << (c.b ? c.b : "nil");
    // Strings that differ only after their first 1023 bytes are different.
    std::string a(2000, 'x'), b(2000, 'x');
    b[1500] = 'y';
    EXPECT_FALSE(ZYNStringEqual(a.c_str(), b.c_str(), false, -1));
    EXPECT_FALSE(ZYNStringEqual(a.c_str(), b.c_str(), true, -1));
}

TEST(FoundationHelpers, MenuValues)
{
    struct Cell {
        int tag_;
        std::optional<std::string> title_;
        int tag() const { return tag_; }
        const std::optional<std::string>& title() const { return title_; }
    };
    EXPECT_FLOAT_EQ(getValueFromMenu(Cell{0, "12.5"}), 12.5f);
    EXPECT_FLOAT_EQ(getValueFromMenu(Cell{0, std::nullopt}), -10.0f);
    EXPECT_FLOAT_EQ(getValueFromMenu(Cell{-3, "x"}), 0.15f);
    EXPECT_FLOAT_EQ(getValueFromMenu(Cell{-1, "x"}), -1.0f);
    EXPECT_FLOAT_EQ(getValueFromMenu(Cell{-2, "x"}), -2.0f);
    EXPECT_FLOAT_EQ(getValueFromMenu(Cell{5, "9"}), -10.0f);
}

TEST(FoundationHelpers, LanguageNames)
{
    initLanguageStringTables();
    const std::string francais = *kit::fromUTF8(kit::Encoding::NeXTSTEP, "Fran\u00e7ais");
    EXPECT_EQ(nativeFromEnglish("French1"), francais);
    EXPECT_EQ(englishFromNative(francais), "French1");
    EXPECT_EQ(nativeFromEnglish("German"), "Deutsch");
    EXPECT_EQ(englishFromNative("Schweizer"), "SwissGerman");
    EXPECT_EQ(nativeFromEnglish("Klingon"), "English");
    EXPECT_EQ(englishFromNative("tlhIngan"), "English");
}

TEST(FoundationHelpers, PasteTypes)
{
    EXPECT_EQ(getPastePboardTypes().size(), 16u);
    EXPECT_EQ(getPasteType(std::vector<std::string>{kit::StringPboardType, kit::RTFPboardType}), kit::RTFPboardType);
    EXPECT_EQ(getPasteType(std::vector<std::string>{"unknown"}), "");
    EXPECT_EQ(getPasteType(std::vector<std::string>{GxAdobePboardType, LayvanePboardType}), LayvanePboardType);
    EXPECT_TRUE(includesType(getServiceSendPboardTypesNoText(), kit::TIFFPboardType));
    EXPECT_FALSE(includesType(getServiceSendPboardTypesNoText(), kit::RTFPboardType));
    EXPECT_TRUE(isKnownEPSFileExtension("ps"));
    EXPECT_FALSE(isKnownEPSFileExtension("eps"));
    EXPECT_TRUE(matchImportType("tiff"));
    EXPECT_TRUE(matchImportType("eps"));
    EXPECT_FALSE(matchImportType("rtf"));
}

TEST(FoundationHelpers, TextImportTypesAskTheFilterServices)
{
    setOpenFileTypesForType([](const std::string& type) {
        return type == ZynICFPboardType ? std::vector<std::string>{"wp5"} : std::vector<std::string>{"doc"};
    });
    EXPECT_EQ(getTextImportTypes(), (std::vector<std::string>{"rtf", "rtfd", "wp5", "doc"}));
    EXPECT_TRUE(matchTextImportType("doc"));
    EXPECT_FALSE(matchTextImportType("tiff"));
    setOpenFileTypesForType(nullptr);
    EXPECT_EQ(getTextImportTypes(), (std::vector<std::string>{"rtf", "rtfd"}));
}

TEST(FoundationHelpers, TemporaryNamesAreUniqueWithinOneMillisecond)
{
    kit::ProcessInfo::setFixedCurrentTime(1.0e9);
    std::set<std::string> names;
    for (int i = 0; i < 50; ++i) {
        const std::string name = tempFilenameWithExtension("ps");
        EXPECT_EQ(name.rfind(tempPath() + "/lvb", 0), 0u) << name;
        EXPECT_EQ(name.substr(name.size() - 3), ".ps");
        names.insert(name);
    }
    for (int i = 0; i < 10; ++i)
        names.insert(*uniqueEmbeddedFilename(std::string("/a/b/picture.tiff"), std::string("/x")));
    kit::ProcessInfo::setFixedCurrentTime(std::nullopt);
    EXPECT_EQ(names.size(), 60u);
    EXPECT_FALSE(uniqueEmbeddedFilename(std::nullopt, std::nullopt));
    const std::string bare = *uniqueEmbeddedFilename(std::string("pic.eps"), std::nullopt);
    EXPECT_EQ(bare.rfind("pic", 0), 0u);
    EXPECT_EQ(bare.find('/'), std::string::npos);
    bool isFolder = false;
    EXPECT_TRUE(kit::FileManager::fileExistsAtPath(tempPath(), &isFolder));
    EXPECT_TRUE(isFolder);
}

TEST(FoundationHelpers, ArrayOperations)
{
    std::vector<std::string> a{"a", "b", "c"};
    insertSublist(a, {"x", "y"}, 1);
    EXPECT_EQ(a, (std::vector<std::string>{"a", "x", "y", "b", "c"}));
    insertSublist(a, {"z"}, 9);
    insertSublist(a, {}, 0);
    EXPECT_EQ(a.size(), 5u);
    insertSublist(a, {"z"}, a.size());
    EXPECT_EQ(a.back(), "z");
    auto removed = replaceObjectAtIndex(a, 0, std::vector<std::string>{"1", "2"});
    EXPECT_EQ(removed, "a");
    EXPECT_EQ(a.front(), "1");
    EXPECT_FALSE(replaceObjectAtIndex(a, 99, std::vector<std::string>{"q"}));
    EXPECT_FALSE(replaceObject(a, std::string("nope"), std::vector<std::string>{"q"}));
    a.push_back("x");
    EXPECT_EQ(indexOfString(a, std::string("x")), static_cast<int>(a.size()) - 1);
    EXPECT_EQ(indexOfString(a, std::nullopt), INT_MAX);
    EXPECT_EQ(indexOfString(a, std::string("none")), INT_MAX);
    addObjectIfAbsent(a, std::string("x"));
    EXPECT_EQ(std::count(a.begin(), a.end(), "x"), 2);
    exchangeObjectAtIndex(a, 0, 99);
    EXPECT_EQ(a.front(), "1");
    std::vector<std::string> sorted{"b", "d"};
    addSortedString(sorted, "c");
    EXPECT_EQ(sorted, (std::vector<std::string>{"b", "c", "d"}));
}

TEST(FoundationHelpers, OldListsBecomeArraysInOrder)
{
    kit::Array list;
    kit::String first("first"), second("second");
    list.addObject(&first);
    list.addObject(&second);
    list.addObject(&first);
    EXPECT_EQ(initWithNXList<kit::String>(&list), (std::vector<kit::String*>{&first, &second, &first}));
    EXPECT_EQ(initWithNXList<kit::Object>(&list).size(), 3u);
    EXPECT_TRUE(initWithNXList<kit::String>(static_cast<const kit::Array*>(nullptr)).empty());

    // A list of a damaged file: an element of another class, or none.
    kit::Number stray(7);
    list.addObject(&stray);
    EXPECT_THROW(initWithNXList<kit::String>(&list), kit::Exception);
    struct ListWithHole {
        std::size_t count() const { return 2; }
        kit::Object* objectAt(std::size_t i) const { return i == 0 ? element : nullptr; }
        kit::Object* element;
    };
    const ListWithHole holed{&first};
    EXPECT_THROW(initWithNXList<kit::Object>(&holed), kit::Exception);
}

class FoundationFonts : public DefaultsFolderTest {};

TEST_F(FoundationFonts, MissingFontsWarnOncePerNameAndFallBackToCourier)
{
    makeDelegate();
    askAboutFonts = 1;
    const int before = unfoundFontCount;
    kit::Font* font = findFont("NoSuchFace-Bold", 11.0f, true);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->fontName(), "Courier");
    EXPECT_FLOAT_EQ(font->pointSize(), 11.0f);
    findFont("NoSuchFace-Bold", 12.0f, true);
    EXPECT_EQ(unfoundFontCount, before + 2);
    ASSERT_EQ(alerts_->shown().size(), 1u);
    EXPECT_EQ(alerts_->shown()[0].title, Main->valueForStringKey("Missing Font"));
    EXPECT_NE(alerts_->shown()[0].message.find("NoSuchFace-Bold"), std::string::npos);
    // "Don't ask again" silences every later name.
    alerts_->pushAnswer(kit::AlertAlternateReturn);
    findFont("OtherMissing", 10.0f, true);
    findFont("ThirdMissing", 10.0f, true);
    EXPECT_EQ(alerts_->shown().size(), 2u);
    EXPECT_EQ(askAboutFonts, 0);
    askAboutFonts = 1;
    // A font that exists comes back as itself.
    EXPECT_EQ(findFont("Times-Roman", 10.0f, true)->fontName(), "Times-Roman");
}

TEST_F(FoundationFonts, UntitledNamesCountUp)
{
    makeDelegate();
    const std::string first = newUntitled();
    const std::string second = newUntitled();
    const std::string prefix = Main->valueForStringKey("Untitled") + "-";
    ASSERT_EQ(first.rfind(prefix, 0), 0u);
    EXPECT_EQ(std::stoi(second.substr(prefix.size())), std::stoi(first.substr(prefix.size())) + 1);
}

} // namespace
