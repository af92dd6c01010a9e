#pragma once

// The words the user taught the spelling check: the file "LearnedWords" in
// the settings folder ($XDG_CONFIG_HOME/Scrivly), in the kit's dictionary
// text form ("word" = "word"; one a line), words in UTF-8. In memory the
// words are bytes of the documents' set, as the text holds them.
//
// A present file that cannot be read whole and soundly (a folder, a link,
// over MaxFileBytes, unreadable, damaged or binary lines, words the
// documents' set lacks) keeps what it soundly holds and is never written
// over: learning then fails, with the alert "Spelling" / "SpellBadFile".

#include <cstddef>
#include <set>
#include <string>
#include <string_view>

class LearnedWords {
public:
    static constexpr std::size_t MaxFileBytes = 16u << 20;

    enum class Status {
        Missing,    // no file yet: learning makes one
        Read,       // every line was sound
        Damaged,    // the sound lines were kept, others skipped
        Unreadable, // present, but nothing could be read
    };

    // The settings folder and the file in it.
    static std::string learnPathname();
    static std::string learnFilename();
    // Makes the folder when it does not exist; on failure beeps, shows the
    // alert "Spelling" / "SpellBadFile" and answers false.
    static bool createLearnPath();

    // The file at path replaces what is held (empty when it is missing or
    // unreadable).
    Status loadLearnedWords(const std::string& path);
    Status loadLearnedWords() { return loadLearnedWords(learnFilename()); }
    // The file's text, read as loadLearnedWords reads it: Read or Damaged.
    Status readText(std::string_view text);
    Status status() const { return status_; }

    bool contains(const std::string& word) const { return words_.count(word) != 0; }
    const std::set<std::string>& words() const { return words_; }
    std::size_t size() const { return words_.size(); }

    // Adds the words (documents' set) and writes the file atomically. A file
    // that was not read soundly is kept as it is: nothing is learned, the
    // user is told (beep and "SpellBadFile") and the answer is false; so is
    // a word the file cannot hold (empty, or with a control character).
    bool learn(const std::set<std::string>& words, const std::string& path);
    bool learn(const std::set<std::string>& words) { return learn(words, learnFilename()); }

    // The file's text for the words held.
    std::string text() const;

private:
    std::set<std::string> words_;
    Status status_ = Status::Missing;
};
