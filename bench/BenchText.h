#pragma once

// The running text of the document benchmarks: paragraphs of 20 to 200
// words drawn from a small vocabulary in a fixed pseudo-random order, so
// that every benchmark that lays out or prints "the long document" sees the
// same words.

#include <random>
#include <string>
#include <vector>

namespace benchtext {

// The paragraphs of about `words` words (the last paragraph may run over).
inline std::vector<std::vector<const char*>> paragraphs(int words)
{
    static const char* const vocabulary[] = {"the", "measuring", "of", "paragraphs", "through", "columns", "and",
                                             "pages", "justified", "hyphenation", "typesetting", "a", "word",
                                             "processor", "international", "responsibility", "in", "layout", "with",
                                             "breaking"};
    std::mt19937 random(12345);
    std::vector<std::vector<const char*>> out;
    int made = 0;
    while (made < words) {
        const int count = 20 + int(random() % 181);
        std::vector<const char*>& paragraph = out.emplace_back();
        for (int i = 0; i < count; ++i)
            paragraph.push_back(vocabulary[random() % 20]);
        made += count;
    }
    return out;
}

// The same text as plain text: one paragraph a line, words apart by one space.
inline std::string plainText(int words)
{
    std::string text;
    for (const auto& paragraph : paragraphs(words)) {
        for (std::size_t i = 0; i < paragraph.size(); ++i) {
            if (i > 0)
                text += ' ';
            text += paragraph[i];
        }
        text += '\n';
    }
    return text;
}

} // namespace benchtext
