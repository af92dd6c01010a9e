#pragma once

// What a route's run checks after its measurement: that the document holds
// every word of the text it was made from, in order, how many pages it has
// and how many words the layout split across lines; and the process's own
// memory figures.

#include <cstddef>
#include <string>
#include <vector>

class LayoutDocument;
class TextFlow;

namespace route {

// The words of a text: its runs of bytes between white space.
std::vector<std::string> wordsOf(const std::string& text);

// The flow that holds the document's running text: the one with the most
// words.
TextFlow* mainFlow(const LayoutDocument& document);

// The flow's words in order: its words' texts, special words (tabs, page
// numbers) left out.
std::vector<std::string> wordsOf(const TextFlow& flow);

// Words the layout cut into pieces on more than one line.
int splitWords(const TextFlow& flow);

// "every word arrived" or where the first difference is.
struct WordComparison {
    bool same = false;
    std::size_t expected = 0;
    std::size_t found = 0;
    std::string verdict;
};
WordComparison compareWords(const std::vector<std::string>& expected, const std::vector<std::string>& found);

// The process's peak and current resident memory, in MiB (/proc/self/status).
double peakResidentMiB();
double residentMiB();
// Pages the system has handed the process so far (minor faults): the cost
// of memory written for the first time.
long memoryFaults();

} // namespace route
