#include "RouteChecks.h"

#include "document/LayoutDocument.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextWord.h"

#include <fstream>

#include <sys/resource.h>

namespace route {

namespace {

bool isSpace(unsigned char c) { return c <= ' '; }

void addWords(std::vector<std::string>& out, std::string& pending, const char* text, std::size_t length)
{
    for (std::size_t i = 0; i < length; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (isSpace(c)) {
            if (!pending.empty())
                out.push_back(std::move(pending));
            pending.clear();
        } else {
            pending += char(c);
        }
    }
}

double statusMiB(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string key = std::string(field) + ":";
    while (std::getline(status, line))
        if (line.compare(0, key.size(), key) == 0)
            return std::stod(line.substr(key.size())) / 1024.0; // kB
    return 0;
}

} // namespace

std::vector<std::string> wordsOf(const std::string& text)
{
    std::vector<std::string> out;
    std::string pending;
    addWords(out, pending, text.data(), text.size());
    if (!pending.empty())
        out.push_back(std::move(pending));
    return out;
}

TextFlow* mainFlow(const LayoutDocument& document)
{
    TextFlow* best = nullptr;
    std::size_t most = 0;
    for (TextFlow* flow : document.flows()) {
        std::size_t words = 0;
        for (const auto& paragraph : flow->paragraphList())
            words += std::size_t(paragraph->wordCount());
        if (!best || words > most) {
            best = flow;
            most = words;
        }
    }
    return best;
}

std::vector<std::string> wordsOf(const TextFlow& flow)
{
    std::vector<std::string> out;
    std::string pending;
    // Words stand apart by the gap the layout puts between them.
    for (const auto& paragraph : flow.paragraphList())
        for (const auto& word : paragraph->wordList()) {
            if (!word->isSpecial())
                addWords(out, pending, word->text(), std::size_t(word->textLength()));
            addWords(out, pending, " ", 1);
        }
    if (!pending.empty())
        out.push_back(std::move(pending));
    return out;
}

int splitWords(const TextFlow& flow)
{
    int split = 0;
    for (const auto& paragraph : flow.paragraphList())
        for (const auto& word : paragraph->wordList())
            if (word->numWordPieces() > 1)
                ++split;
    return split;
}

WordComparison compareWords(const std::vector<std::string>& expected, const std::vector<std::string>& found)
{
    WordComparison result;
    result.expected = expected.size();
    result.found = found.size();
    std::size_t i = 0;
    while (i < expected.size() && i < found.size() && expected[i] == found[i])
        ++i;
    result.same = i == expected.size() && i == found.size();
    if (result.same) {
        result.verdict = "every word arrived, in order";
    } else if (i < expected.size() && i < found.size()) {
        result.verdict = "word " + std::to_string(i + 1) + " is \"" + found[i] + "\", not \"" + expected[i] + "\"";
    } else if (i < expected.size()) {
        result.verdict = "the document ends after word " + std::to_string(i) + ", before \"" + expected[i] + "\"";
    } else {
        result.verdict = "the document has more words than the text, from \"" + found[i] + "\" on";
    }
    return result;
}

double peakResidentMiB() { return statusMiB("VmHWM"); }
double residentMiB() { return statusMiB("VmRSS"); }

long memoryFaults()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

} // namespace route
