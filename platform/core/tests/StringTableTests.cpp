#include "core/Bundle.h"
#include "core/StringTable.h"

#include <gtest/gtest.h>

#include <random>
#include <regex>

using kit::StringTable;

TEST(StringTable, ReadsEntriesEscapesAndComments)
{
    StringTable table;
    table.loadFromString(
        "\xEF\xBB\xBF/* Header comment\n"
        "   over \"two\" lines = \"x\"; */\n"
        "\"OK\" = \"OK\";\n"
        "// \"Commented\" = \"out\";\n"
        "  \"Quote\"=\"say \\\"hi\\\"\";   // trailing comment\n"
        "\"Lines\" = \"one\\ntwo\\tthree\\\\\";\n"
        "\"Hex\" = \"\\x41\\x7e\";\n"
        "\"Two\" = \"first\"; \"Three\" = \"second\";\n"
        "\"Inline\" /* note */ = /* note */ \"kept\";\n"
        "\"Empty\" = \"\";\n"
        "\"UTF-8\" = \"Fran\xC3\xA7" "ais\";\n"
        "\"OK\" = \"Fine\";\n");
    EXPECT_EQ(table.skippedEntries(), 0u);
    EXPECT_EQ(table.valueForStringKey("OK"), "Fine"); // a later entry wins
    EXPECT_EQ(table.valueForStringKey("Quote"), "say \"hi\"");
    EXPECT_EQ(table.valueForStringKey("Lines"), "one\ntwo\tthree\\");
    EXPECT_EQ(table.valueForStringKey("Hex"), "A~");
    EXPECT_EQ(table.valueForStringKey("Two"), "first");
    EXPECT_EQ(table.valueForStringKey("Three"), "second");
    EXPECT_EQ(table.valueForStringKey("Inline"), "kept");
    EXPECT_EQ(table.valueForStringKey("Empty"), "");
    EXPECT_EQ(table.valueForStringKey("UTF-8"), "Fran\xC3\xA7" "ais");
    EXPECT_FALSE(table.hasKey("Commented"));
    EXPECT_FALSE(table.hasKey("over \"two\" lines"));
    EXPECT_EQ(table.count(), 9u);
}

TEST(StringTable, MissingKeyGivesExactlyMissingStringKey)
{
    StringTable table;
    EXPECT_EQ(table.valueForStringKey("Anything"), "Missing String Key");
    table.loadFromString("\"a\" = \"b\";");
    EXPECT_EQ(table.valueForStringKey("A"), "Missing String Key");
    EXPECT_EQ(table.valueForStringKey(""), "Missing String Key");
}

TEST(StringTable, MalformedLinesAreSkippedAndTheRestKept)
{
    struct Case {
        const char* what;
        const char* line;
    };
    const Case cases[] = {
        {"no semicolon", "\"bad\" = \"value\""},
        {"no equals sign", "\"bad\" \"value\";"},
        {"unquoted key", "bad = \"value\";"},
        {"unquoted value", "\"bad\" = value;"},
        {"unterminated value", "\"bad\" = \"value;"},
        {"unterminated key", "\"bad = \"value\";"},
        {"unknown escape", "\"bad\" = \"a\\qb\";"},
        {"short hex escape", "\"bad\" = \"\\x4\";"},
        {"bad hex escape", "\"bad\" = \"\\xZZ\";"},
        {"backslash at the end", "\"bad\" = \"abc\\"},
        {"garbage", "\x01\x02\xFF\xFE garbage"},
        {"key only", "\"bad\";"},
        {"value on the next line", "\"bad\" =\n\"value\";"},
        {"string over two lines", "\"bad\" = \"split\nline\";"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        StringTable table;
        table.loadFromString(std::string("\"before\" = \"1\";\n") + c.line + "\n\"after\" = \"2\";\n");
        EXPECT_EQ(table.valueForStringKey("before"), "1");
        EXPECT_EQ(table.valueForStringKey("after"), "2");
        EXPECT_FALSE(table.hasKey("bad"));
        EXPECT_GE(table.skippedEntries(), 1u);
    }

    // An unclosed comment runs to the end; what came before stays.
    StringTable table;
    table.loadFromString("\"a\" = \"1\";\n/* open\n\"b\" = \"2\";\n");
    EXPECT_EQ(table.valueForStringKey("a"), "1");
    EXPECT_FALSE(table.hasKey("b"));

    // A last line without its newline, sound or cut short.
    table.loadFromString("\"a\" = \"1\";\n\"b\" = \"2\";");
    EXPECT_EQ(table.valueForStringKey("b"), "2");
    table.loadFromString("\"a\" = \"1\";\n\"b\" = \"2");
    EXPECT_EQ(table.count(), 1u);
}

TEST(StringTable, RandomBytesNeverCrashAndLaterLinesStillRead)
{
    std::mt19937 random(42);
    const std::string alphabet = "\"\\=;/*\n \tabxn0\xff";
    for (int round = 0; round < 2000; ++round) {
        std::string junk;
        std::size_t length = random() % 80;
        for (std::size_t i = 0; i < length; ++i)
            junk.push_back(round % 2 ? static_cast<char>(random()) : alphabet[random() % alphabet.size()]);
        StringTable table;
        // A junk line can open a block comment; close it so the check below
        // is about line recovery alone.
        table.loadFromString(junk + "\n*/\n\"sound\" = \"yes\";\n");
        EXPECT_EQ(table.valueForStringKey("sound"), "yes") << junk;
    }
}

TEST(StringTable, LoadsFromFiles)
{
    StringTable table;
    EXPECT_TRUE(table.loadFromFile(std::string(SCRIVLY_FIXTURES_DIR) + "/Damaged.strings"));
    EXPECT_EQ(table.valueForStringKey("First"), "first text");
    EXPECT_EQ(table.valueForStringKey("Last"), "last text");
    EXPECT_EQ(table.valueForStringKey("Broken"), "Missing String Key");
    EXPECT_EQ(table.skippedEntries(), 3u);

    EXPECT_FALSE(table.loadFromFile(std::string(SCRIVLY_FIXTURES_DIR) + "/NoSuchFile.strings"));
    EXPECT_EQ(table.count(), 0u);
    EXPECT_EQ(table.valueForStringKey("First"), "Missing String Key");
}

TEST(StringTable, QuotingRoundTripsEveryByte)
{
    std::string all;
    for (int c = 1; c < 256; ++c)
        all.push_back(static_cast<char>(c));
    std::string quoted = kit::detail::quoteString(all);
    EXPECT_EQ(quoted.find('\n'), std::string::npos);
    std::size_t position = 0;
    std::string back;
    ASSERT_TRUE(kit::detail::readQuotedString(quoted, position, back));
    EXPECT_EQ(back, all);
    EXPECT_EQ(position, quoted.size());
}

// The shipped table: every key the program asks for is there, every line
// reads, and format texts take the arguments their callers pass.
TEST(StringTable, ApplicationTableHasTheProgramsTexts)
{
    StringTable::resetApplicationTable();
    ASSERT_FALSE(kit::Bundle::pathForResource("Application", "strings").empty());
    const StringTable& table = StringTable::applicationTable();
    EXPECT_EQ(&table, &StringTable::applicationTable());
    EXPECT_EQ(table.skippedEntries(), 0u);

    struct Key {
        const char* key;
        const char* conversions; // the printf conversions, in order
    };
    const Key keys[] = {
        {"OK", ""}, {"Cancel", ""}, {"OK Forever", ""}, {"OpenAnyway", ""},
        {"pc", ""}, {"pt", ""}, {"in", ""}, {"cm", ""},
        {"Precision", ""}, {"LargeElements", ""}, {"SmallElements", ""},
        {"Missing Font", ""}, {"MissingFontMsg", "sg"}, {"Untitled", ""},
        {"No Style", ""}, {"New Style", ""}, {"RenameStyle", ""}, {"StyleNameDupe", "s"},
        {"SetFontSelection", ""}, {"Delete", ""}, {"ConfirmDeleteHeaderFooter", ""},
        {"BadDoc", ""}, {"BadDocNewVersion", "g"}, {"BadDocCannotOpen", "s"},
        {"MissingFiles", ""}, {"MissingFilesMsg", "d"},
        {"Save", ""}, {"SaveError", "s"}, {"SaveChanges", "s"}, {"SaveStaleDate", "s"}, {"SaveNoBackup", "s"},
        {"SaveOverOpen", "s"}, {"CloseAndSave", ""},
    };
    const std::regex conversion("%(%|[-+ #0]*[0-9]*(\\.[0-9]+)?([a-zA-Z@]))");
    for (const Key& k : keys) {
        SCOPED_TRACE(k.key);
        ASSERT_TRUE(table.hasKey(k.key));
        const std::string& text = table.valueForStringKey(k.key);
        EXPECT_FALSE(text.empty());
        std::string found;
        for (std::sregex_iterator it(text.begin(), text.end(), conversion), end; it != end; ++it) {
            if ((*it)[1] != "%")
                found += (*it)[3].str();
        }
        EXPECT_EQ(found, k.conversions) << text;
    }
    StringTable::resetApplicationTable();
}
