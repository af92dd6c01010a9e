#include "core/StringTable.h"

#include "core/Bundle.h"
#include "core/FileManager.h"

#include <cstdio>
#include <memory>

namespace kit {

namespace detail {

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

bool readQuotedString(std::string_view text, std::size_t& position, std::string& out)
{
    out.clear();
    if (position >= text.size() || text[position] != '"')
        return false;
    ++position;
    while (position < text.size()) {
        char c = text[position++];
        if (c == '"')
            return true;
        if (c == '\n' || c == '\r')
            return false;
        if (c != '\\') {
            out.push_back(c);
            continue;
        }
        if (position >= text.size())
            return false;
        char escape = text[position++];
        switch (escape) {
        case '"': out.push_back('"'); break;
        case '\\': out.push_back('\\'); break;
        case 'n': out.push_back('\n'); break;
        case 't': out.push_back('\t'); break;
        case 'r': out.push_back('\r'); break;
        case 'x': {
            if (position + 2 > text.size())
                return false;
            int high = hexValue(text[position]);
            int low = hexValue(text[position + 1]);
            if (high < 0 || low < 0)
                return false;
            out.push_back(static_cast<char>(high * 16 + low));
            position += 2;
            break;
        }
        default:
            return false;
        }
    }
    return false;
}

std::string quoteString(std::string_view text)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size() + 2);
    out.push_back('"');
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        case '\r': out += "\\r"; break;
        default:
            if (byte < 0x20 || byte == 0x7F) {
                out += "\\x";
                out.push_back(digits[byte >> 4]);
                out.push_back(digits[byte & 0xF]);
            } else {
                out.push_back(c);
            }
        }
    }
    out.push_back('"');
    return out;
}

} // namespace detail

namespace {

class Parser {
public:
    explicit Parser(std::string_view text) : text_(text)
    {
        if (text_.substr(0, 3) == "\xEF\xBB\xBF")
            position_ = 3;
    }

    // Reads every entry, handing each to add; answers the number skipped.
    template <class Add>
    std::size_t parse(Add add)
    {
        std::size_t skipped = 0;
        while (skipSpaceAndComments()) {
            std::string key, value;
            if (entry(key, value)) {
                add(std::move(key), std::move(value));
            } else {
                ++skipped;
                skipRestOfLine();
            }
        }
        return skipped;
    }

private:
    // Answers whether anything is left.
    bool skipSpaceAndComments()
    {
        while (position_ < text_.size()) {
            char c = text_[position_];
            if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v') {
                ++position_;
            } else if (text_.compare(position_, 2, "//") == 0) {
                skipRestOfLine();
            } else if (text_.compare(position_, 2, "/*") == 0) {
                std::size_t end = text_.find("*/", position_ + 2);
                // An unclosed comment runs to the end of the text.
                position_ = end == std::string_view::npos ? text_.size() : end + 2;
            } else {
                return true;
            }
        }
        return false;
    }

    // Space between the parts of one entry stays on its line, so that a
    // broken entry never swallows the next one.
    void skipSpaceOnLine()
    {
        while (position_ < text_.size()) {
            if (text_[position_] == ' ' || text_[position_] == '\t') {
                ++position_;
            } else if (text_.compare(position_, 2, "/*") == 0) {
                std::size_t end = text_.find("*/", position_ + 2);
                std::size_t newline = text_.find('\n', position_);
                if (end == std::string_view::npos || (newline != std::string_view::npos && newline < end))
                    return;
                position_ = end + 2;
            } else {
                return;
            }
        }
    }

    bool expect(char c)
    {
        skipSpaceOnLine();
        if (position_ < text_.size() && text_[position_] == c) {
            ++position_;
            return true;
        }
        return false;
    }

    bool entry(std::string& key, std::string& value)
    {
        const std::size_t start = position_;
        bool ok = detail::readQuotedString(text_, position_, key) && expect('=');
        if (ok) {
            skipSpaceOnLine();
            ok = detail::readQuotedString(text_, position_, value) && expect(';');
        }
        if (!ok)
            position_ = start; // the caller skips the rest of this line
        return ok;
    }

    void skipRestOfLine()
    {
        std::size_t newline = text_.find('\n', position_);
        position_ = newline == std::string_view::npos ? text_.size() : newline + 1;
    }

    std::string_view text_;
    std::size_t position_ = 0;
};

std::unique_ptr<StringTable>& applicationTableStorage()
{
    static std::unique_ptr<StringTable> table;
    return table;
}

} // namespace

const std::string& StringTable::valueForStringKey(const std::string& key) const
{
    static const std::string missing = MissingStringKey;
    auto found = strings_.find(key);
    return found == strings_.end() ? missing : found->second;
}

void StringTable::loadFromString(std::string_view text)
{
    strings_.clear();
    skipped_ = Parser(text).parse([this](std::string key, std::string value) {
        strings_.insert_or_assign(std::move(key), std::move(value));
    });
}

bool StringTable::loadFromFile(const std::string& path)
{
    auto contents = FileManager::contentsAtPath(path);
    if (!contents) {
        strings_.clear();
        skipped_ = 0;
        return false;
    }
    loadFromString(*contents);
    return true;
}

const StringTable& StringTable::applicationTable()
{
    auto& table = applicationTableStorage();
    if (!table) {
        table = std::make_unique<StringTable>();
        std::string path = Bundle::pathForResource("Application", "strings");
        if (path.empty() || !table->loadFromFile(path))
            std::fprintf(stderr, "Scrivly: cannot read the string table Application.strings in \"%s\"\n",
                Bundle::resourcePath().c_str());
    }
    return *table;
}

void StringTable::resetApplicationTable()
{
    applicationTableStorage().reset();
}

} // namespace kit
