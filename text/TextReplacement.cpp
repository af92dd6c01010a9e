#include "text/TextReplacement.h"

#include "core/Archiver.h"
#include "core/Exception.h"
#include "core/Unarchiver.h"
#include "text/TableParagraph.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextWord.h"

TextReplacement::TextReplacement(TextFlow& flow) : flow_(flow) {}

TextReplacement::~TextReplacement() = default;

std::string TextReplacement::fingerprint(const TextParagraph& paragraph)
{
    std::string out;
    for (const auto& word : paragraph.wordList()) {
        out += static_cast<char>(word->wordType() & 0xFF);
        out.append(word->text(), std::size_t(std::max(0, word->length())));
        out += '\0';
    }
    return out;
}

bool TextReplacement::willChange(int index)
{
    if (!runs_.empty() && index <= runs_.back().last)
        return true;
    const TextParagraph* paragraph = flow_.paragraphAtIndex(index);
    if (!paragraph)
        return false;
    Run run;
    run.first = run.last = index;
    try {
        run.stored = kit::Archiver::archivedDataWithRootObject(paragraph);
    } catch (const kit::Exception&) {
        return false;
    }
    if (run.stored.empty())
        return false;
    if (const auto* cell = dynamic_cast<const TableParagraph*>(paragraph))
        run.table = cell->table();
    runs_.push_back(std::move(run));
    return true;
}

void TextReplacement::didChange(int index)
{
    if (!runs_.empty() && index > runs_.back().last)
        runs_.back().last = index;
}

void TextReplacement::finish()
{
    paragraphCount_ = flow_.paragraphCount();
    for (Run& run : runs_) {
        run.now.clear();
        run.fingerprints.clear();
        for (int i = run.first; i <= run.last; ++i) {
            const TextParagraph* paragraph = flow_.paragraphAtIndex(i);
            run.now.push_back(paragraph);
            run.fingerprints.push_back(paragraph ? fingerprint(*paragraph) : std::string());
        }
    }
}

bool TextReplacement::mayBeValid() const { return !runs_.empty() && paragraphCount_ == flow_.paragraphCount(); }

bool TextReplacement::isValid() const
{
    if (runs_.empty() || paragraphCount_ != flow_.paragraphCount())
        return false;
    for (const Run& run : runs_)
        for (int i = run.first; i <= run.last; ++i) {
            const TextParagraph* paragraph = flow_.paragraphAtIndex(i);
            const std::size_t k = std::size_t(i - run.first);
            if (!paragraph || k >= run.now.size() || paragraph != run.now[k] ||
                fingerprint(*paragraph) != run.fingerprints[k])
                return false;
        }
    return true;
}

int TextReplacement::restore(TextDocument* document)
{
    if (!isValid())
        return -1;
    // Every kept paragraph is read back before anything changes: a damaged
    // one leaves the text as it is.
    std::vector<std::unique_ptr<TextParagraph>> restored;
    for (const Run& run : runs_) {
        std::unique_ptr<TextParagraph> paragraph;
        try {
            kit::Unarchiver unarchiver(run.stored);
            paragraph = unarchiver.decodeOwnedObject<TextParagraph>();
        } catch (const kit::Exception&) {
            return -1;
        }
        if (!paragraph)
            return -1;
        if (auto* cell = dynamic_cast<TableParagraph*>(paragraph.get()))
            cell->setTable(run.table);
        restored.push_back(std::move(paragraph));
    }
    // From the last run back, so that the earlier runs keep their places.
    for (std::size_t r = runs_.size(); r-- > 0;) {
        const Run& run = runs_[r];
        TextParagraph* back = flow_.insertParagraph(std::move(restored[r]), run.first);
        back->recomputeAllWords();
        if (document)
            back->resolveInDocument(document);
        for (int i = run.last; i >= run.first; --i)
            (void)flow_.removeParagraph(flow_.paragraphAtIndex(i + 1));
        back->setDirty(true);
    }
    const int first = runs_.front().first;
    runs_.clear();
    paragraphCount_ = -1;
    return first;
}
