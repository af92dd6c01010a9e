#include "bundles/convala/markup/ZynToken.h"
#include "bundles/convala/markup/ZynTokenStream.h"

#include "foundation/ZMemoryStream.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Tok {
    std::string text;
    char quote = 0;
    bool delimiter = false;
    bool operator==(const Tok&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Tok& t)
{
    os << "[" << t.text << "]";
    if (t.quote)
        os << " quoted " << t.quote;
    if (t.delimiter)
        os << " delimiter";
    return os;
}

Tok D(std::string text) { return {std::move(text), 0, true}; }
Tok Q(std::string text, char q = '"') { return {std::move(text), q, false}; }
Tok W(std::string text) { return {std::move(text), 0, false}; }

std::vector<Tok> tokens(ZynTokenStream& stream)
{
    std::vector<Tok> out;
    ZynToken token;
    // Until the data ends: an empty quoted string inside it is a token too.
    while (!stream.atEOS()) {
        EXPECT_EQ(stream.getNextToken(&token), &stream);
        out.push_back({token.text(), static_cast<char>(token.quoteChar()), token.isDelimiter()});
    }
    return out;
}

std::vector<Tok> tokens(const std::string& data)
{
    ZynTokenStream stream(data);
    return tokens(stream);
}

TEST(ZynTokenStream, CutsDataIntoTokensWithTheDefaultSettings)
{
    struct Case {
        const char* name;
        std::string data;
        std::vector<Tok> expected;
    } const cases[] = {
        {"leading delimiters are tokens", "  ab", {D(" "), D(" "), W("ab")}},
        {"every white space", "a\tb\nc\rd", {W("a"), D("\t"), W("b"), D("\n"), W("c"), D("\r"), W("d")}},
        {"quoted string keeps its delimiters", "\"a b\"", {Q("a b")}},
        {"empty quoted string at the end", "x \"\"", {W("x"), D(" "), Q("")}},
        {"empty quoted string before a delimiter", "\"\" b", {Q(""), D(" "), W("b")}},
        {"escaped space is ordinary", "a\\ b", {W("a b")}},
        {"escaped quote is ordinary", "a\\\"b c", {W("a\"b"), D(" "), W("c")}},
        {"escape right after an opening quote", "\"\\\"x\"", {Q("\"x")}},
        {"quoted pieces join", "\"a\"\"b\" c", {Q("ab"), D(" "), W("c")}},
        {"quote opens inside a word", "ab\"c d\"e f", {Q("abc de"), D(" "), W("f")}},
        {"escape at the end", "ab\\", {W("ab")}},
        {"unclosed quote", "\"open to the end", {Q("open to the end")}},
        {"no-break space is white space", "a\x80" "b\xFF", {W("a"), D("\x80"), W("b\xFF")}},
        {"NUL is ordinary", std::string("a\0b c", 5), {W(std::string("a\0b", 3)), D(" "), W("c")}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(tokens(c.data), c.expected) << c.name;
}

TEST(ZynTokenStream, TokensHaveNoLengthLimit)
{
    const std::string word(100000, 'w');
    EXPECT_EQ(tokens(word + " " + word), (std::vector<Tok>{W(word), D(" "), W(word)}));
    const std::string quoted(9000, 'q');
    EXPECT_EQ(tokens("\"" + quoted + "\""), std::vector<Tok>{Q(quoted)});
}

TEST(ZynTokenStream, AtTheEndATokenIsEmptyAndMarksTheEndOfStream)
{
    ZynTokenStream stream(std::string("a"));
    ZynToken token;
    stream.getNextToken(&token);
    EXPECT_FALSE(token.isEndOfStream());
    stream.getNextToken(&token);
    EXPECT_TRUE(token.isEndOfStream());
    EXPECT_EQ(token.textLength(), 0);
    EXPECT_EQ(stream.getNextToken(nullptr), nullptr);
}

TEST(ZynTokenStream, DelimiterListAndMapStayInStep)
{
    ZynTokenStream stream(std::string("a,b;c d:e,f"));
    stream.setDelimiters(",;");
    stream.addDelimiters(":,");
    EXPECT_EQ(stream.delimiters(), ",;:,");
    stream.removeDelimiters(",x");
    EXPECT_EQ(stream.delimiters(), ";:,");
    EXPECT_EQ(stream.replaceDelimiter('x', ' '), nullptr);
    EXPECT_EQ(stream.delimiters(), ";:,");
    EXPECT_EQ(stream.replaceDelimiter(':', ' '), &stream);
    EXPECT_EQ(stream.delimiters(), "; ,");
    EXPECT_TRUE(stream.isDelimiter(' '));
    EXPECT_FALSE(stream.isDelimiter(':'));
    EXPECT_FALSE(stream.isDelimiter(0));
    EXPECT_EQ(tokens(stream), (std::vector<Tok>{W("a"), D(","), W("b"), D(";"), W("c"), D(" "), W("d:e"), D(","),
                                                W("f")}));

    // Quotes and escapes as set; no escape byte at all.
    ZynTokenStream other(std::string("'a b' |x\\ y|"));
    other.setQuotes("'|");
    other.setEscapeChar(0);
    EXPECT_EQ(other.quotes(), "'|");
    EXPECT_EQ(tokens(other), (std::vector<Tok>{Q("a b", '\''), D(" "), Q("x\\ y", '|')}));
    EXPECT_EQ(ZynTokenStream::defaultDelimiters(), std::string("\t\n\v\f\r \x80"));
}

TEST(ZynTokenStream, EscapeAndQuoteStepsFollowTheirFlags)
{
    ZynTokenStream stream(std::string("xy"));
    EXPECT_TRUE(stream.isEscapeChar('\\'));
    EXPECT_EQ(stream.tryToOpenEscape('\\'), 'x');
    EXPECT_TRUE(stream.escapeOpen());
    EXPECT_FALSE(stream.isEscapeChar('\\'));
    EXPECT_FALSE(stream.isDelimiter(' '));
    EXPECT_FALSE(stream.isQuoteChar('"'));
    EXPECT_EQ(stream.tryToOpenQuote('"'), '"'); // not while an escape is open
    EXPECT_EQ(stream.tryToOpenEscape('a'), 'a');
    EXPECT_FALSE(stream.escapeOpen());
    EXPECT_EQ(stream.tryToOpenQuote('"'), 'y');
    EXPECT_TRUE(stream.quoteOpen());
    EXPECT_EQ(stream.quoteChar(), '"');
    EXPECT_EQ(stream.tryToOpenQuote('\''), '\'');
    EXPECT_EQ(stream.nextChar(), 0); // the end
}

// What writeToken writes reads back as the same tokens.
TEST(ZynTokenStream, WrittenTokensReadBackTheSame)
{
    const std::string inputs[] = {
        "plain words here",
        "\"quoted with spaces\" and \\ escaped\\ spaces",
        "\"a \\\"quote\\\" inside\" x",
        "back\\\\slash \"\" empty",
        "\"\\\\lead\" \"\\\"lead\"",
        "tabs\tand\nlines",
    };
    for (const std::string& input : inputs) {
        ZynTokenStream reader(input);
        ZMemoryStream out;
        ZynToken token;
        std::vector<Tok> first;
        while (!reader.atEOS()) {
            reader.getNextToken(&token);
            first.push_back({token.text(), static_cast<char>(token.quoteChar()), token.isDelimiter()});
            ASSERT_EQ(reader.writeToken(&token, &out), &reader);
        }
        EXPECT_EQ(tokens(*out.data()), first) << input << " written as " << *out.data();
    }
}

TEST(ZynTokenStream, WriteTokenNeedsATokenAndAMemoryStream)
{
    ZynTokenStream stream(std::string("a"));
    ZynToken token;
    token.setText("a b");
    ZMemoryStream out;
    EXPECT_EQ(stream.writeToken(nullptr, &out), nullptr);
    EXPECT_EQ(stream.writeToken(&token, nullptr), nullptr);
    EXPECT_EQ(stream.writeToken(&token), nullptr); // a token stream is no output
    EXPECT_EQ(*out.data(), "");
    EXPECT_EQ(stream.writeToken(&token, &out), &stream);
    EXPECT_EQ(*out.data(), "a\\ b");
}

TEST(ZynToken, TextAccessorsTellAbsentFromEmpty)
{
    ZynToken token;
    EXPECT_FALSE(token.hasText());
    EXPECT_EQ(token.textLength(), -1);
    EXPECT_EQ(token.textAsChar(), 0);
    EXPECT_TRUE(token.isEndOfStream());
    token.setText("ab");
    token.appendText("cd");
    EXPECT_EQ(token.text(), "abcd");
    EXPECT_EQ(token.textAsChar(), 'a');
    token.setTextToChar('z');
    EXPECT_EQ(token.text(), "z");
    token.setText("");
    EXPECT_EQ(token.textLength(), -1);
    token.directSetText(std::string());
    EXPECT_EQ(token.textLength(), 0);
    token.setQuoteChar('\'');
    EXPECT_TRUE(token.isQuotedString());
}

} // namespace
