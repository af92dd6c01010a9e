// The bundle's step before a paragraph adds a character: at a special word
// the character goes into the word before it or after it, by the word's
// insert point, whether it is a page break, and whether an import is
// running.

#include "ImportTestSupport.h"

using namespace convala_test;

namespace {

class PrepareForAddByte : public ImportTest {
protected:
    // A paragraph of the words given ("" for a tab, "|" for a page
    // break), the caret in word `at` at its insert point.
    TextParagraph* words(const std::vector<std::string>& list, int at, int insert)
    {
        TextParagraph* p = paragraph(0);
        while (p->wordCount() > 0)
            (void)p->removeWord(p->firstWord());
        for (const std::string& w : list) {
            if (w.empty())
                p->addWord(std::make_unique<TextWordSpecial>(TextWordTab));
            else if (w == "|")
                p->addWord(std::make_unique<TextWordSpecial>(TextWordPageBreak));
            else
                p->addWord(std::make_unique<TextWord>(w.c_str()));
        }
        p->setCurrentWord(p->wordAtIndex(at));
        p->currentWord()->setInsertPoint(insert);
        return p;
    }

    // The words after the step, special ones in angle brackets, the
    // caret's word marked with "*".
    static std::string layout(const TextParagraph* p)
    {
        std::string out;
        for (int w = 0; w < p->wordCount(); ++w) {
            const TextWord* word = p->wordAtIndex(w);
            if (!out.empty())
                out += ' ';
            if (word->isSpecial())
                out += word->isSpecialType(TextWordPageBreak) ? "<break>" : "<tab>";
            else
                out += "'" + std::string(word->text(), std::size_t(word->textLength())) + "'";
            if (word == p->currentWord())
                out += "*" + std::to_string(word->insertPoint());
        }
        return out;
    }
};

TEST_F(PrepareForAddByte, TheCharacterGoesBeforeOrAfterASpecialWord)
{
    const struct {
        std::vector<std::string> words;
        int at, insert;
        char c;
        bool importing;
        const char* after;
    } cases[] = {
        // At the start of a special word: into the word before it...
        {{"ab", "", "cd"}, 1, 0, 'x', false, "'ab'*2 <tab> 'cd'"},
        // ...or a new word of its own when none is there.
        {{"", "cd"}, 0, 0, 'x', false, "''*0 <tab> 'cd'"},
        // After it: into the word after it, at its start.
        {{"ab", "", "cd"}, 1, 1, 'x', false, "'ab' <tab> 'cd'*0"},
        // Two special words in a row: a new word between them.
        {{"", ""}, 0, 1, 'x', false, "<tab> ''*0 <tab>"},
        // A page break while typing: a letter before it, Return after it.
        {{"ab", "|"}, 1, 1, 'x', false, "'ab'*2 <break>"},
        {{"ab", "|"}, 1, 1, '\r', false, "'ab' <break> ''*0"},
        // During an import every character meets a page break after it.
        {{"ab", "|"}, 1, 1, 'x', true, "'ab' <break> ''*0"},
        {{"ab", "|"}, 1, 0, 'x', true, "'ab' <break> ''*0"},
    };
    for (const auto& c : cases) {
        TextParagraph* p = words(c.words, c.at, c.insert);
        SCOPED_TRACE(layout(p) + " + " + std::string(1, c.c) + (c.importing ? " importing" : ""));
        document_->setDispatching(c.importing);
        RTFImportMethods::prepareForAddByte(*p, c.c);
        document_->setDispatching(false);
        EXPECT_EQ(layout(p), c.after);
    }
}

} // namespace
