#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>

namespace kit {

// The texts the user sees, looked up by key. The file format is
//
//   /* comments like this, over several lines */
//   // or like this, to the end of the line
//   "key" = "text";
//
// Each entry stands on one line. Between the quotes \" \\ \n \t \r and \xHH
// (two hex digits) stand for what C means by them. An entry that does not read
// (missing quote, bad escape, no '=' or ';') is skipped with the rest of its
// line, and reading goes on with the next line. A later entry of the same
// key replaces an earlier one.
class StringTable {
public:
    static constexpr const char* MissingStringKey = "Missing String Key";

    // The text for key; exactly "Missing String Key" when there is none.
    const std::string& valueForStringKey(const std::string& key) const;
    bool hasKey(const std::string& key) const { return strings_.count(key) != 0; }
    std::size_t count() const { return strings_.size(); }
    // Entries skipped as malformed by the last load.
    std::size_t skippedEntries() const { return skipped_; }

    // Replaces the table by the file's entries; false (table emptied) when
    // the file cannot be read.
    bool loadFromFile(const std::string& path);
    // Replaces the table by the entries of text.
    void loadFromString(std::string_view text);

    // "Application.strings" of the resources folder, loaded at first use. A
    // missing file gives an empty table (and one warning on standard error).
    static const StringTable& applicationTable();
    // Makes the next applicationTable() load again (for tests).
    static void resetApplicationTable();

private:
    std::map<std::string, std::string> strings_;
    std::size_t skipped_ = 0;
};

namespace detail {

// Reads a quoted string at text[position] (which must be '"') with the
// escapes above, into out; position ends after the closing quote. False,
// with position unspecified, when the string is broken.
bool readQuotedString(std::string_view text, std::size_t& position, std::string& out);
// The string quoted so that readQuotedString gives it back, on one line.
std::string quoteString(std::string_view text);

} // namespace detail

} // namespace kit
