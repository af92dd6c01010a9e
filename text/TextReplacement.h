#pragma once

// The record of one replacement over a whole flow (Replace All): each run of
// paragraphs that the replacements touched, kept as it was before the first
// one, so that one undo puts the text back byte for byte. The record holds
// only while those paragraphs are as the replacement left them and the
// flow has as many paragraphs as then.

#include <memory>
#include <string>
#include <vector>

class TableDefinition;
class TextDocument;
class TextFlow;
class TextParagraph;

class TextReplacement {
public:
    explicit TextReplacement(TextFlow& flow);
    ~TextReplacement();
    TextReplacement(const TextReplacement&) = delete;
    TextReplacement& operator=(const TextReplacement&) = delete;

    // Before the paragraph at index changes; the paragraphs are changed in
    // order, first to last. False when it could not be kept.
    bool willChange(int index);
    // After a change: the run now reaches the paragraph at index (a
    // replacement with line feeds makes one paragraph several).
    void didChange(int index);
    // After the last change: what the runs now hold.
    void finish();

    bool isEmpty() const { return runs_.empty(); }
    // The runs are still as the replacement left them.
    bool isValid() const;
    // The quick test of the menus: the flow has as many paragraphs as the
    // replacement left (isValid decides).
    bool mayBeValid() const;
    // Puts the kept paragraphs back; answers the index of the first one
    // (-1 when the record no longer holds, and nothing changed).
    int restore(TextDocument* document);

    // What a paragraph holds, words and their kinds, for the validity test.
    static std::string fingerprint(const TextParagraph& paragraph);

private:
    struct Run {
        int first = 0;
        int last = 0;
        std::string stored;               // the paragraph as it was, archived
        TableDefinition* table = nullptr; // a cell's table (the flow's)
        std::vector<const TextParagraph*> now;
        std::vector<std::string> fingerprints;
    };
    TextFlow& flow_;
    std::vector<Run> runs_;
    int paragraphCount_ = -1;
};
