// The text side of the find panel: the word-by-word search of a flow, the
// replacement of the selection and Replace All.

#include "panels/PanelFind.h"

#include "appkit/Button.h"
#include "core/Alert.h"
#include "core/CharClass.h"
#include "document/LayoutDocument.h"
#include "foundation/StyleChar.h"
#include "items/TextItem.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextReplacement.h"
#include "text/TextSelection.h"
#include "text/TextWord.h"
#include "view/PageView.h"

#include <algorithm>
#include <vector>

namespace {

unsigned char fold(unsigned char c, bool ignoreCase)
{
    return ignoreCase && c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

// What is searched for, prepared once.
struct Needle {
    std::string text; // folded, ligatures spelt out
    int spaces = 0;   // the number of following words each candidate takes
    bool ignoreCase = false;
    bool wholeWord = false;
    int direction = 1;
};

// A word with the words joined to it: its text as the search sees it, and
// for every character where a hit starting there starts, and where a hit
// ending with it ends.
struct Candidate {
    std::string text;
    std::vector<textPoint> starts;
    std::vector<textPoint> ends;
    int firstLength = 0; // characters of the first word
    void clear()
    {
        text.clear();
        starts.clear();
        ends.clear();
    }
};

void appendWord(Candidate& candidate, const TextWord& word, int paragraph, int index, bool ligatures,
                bool ignoreCase)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(word.text());
    for (int i = 0; i < word.length(); ++i) {
        const unsigned char c = bytes[i];
        const textPoint start{paragraph, index, i}, end{paragraph, index, i + 1};
        if (ligatures && (c == TextFiLigature || c == TextFlLigature)) {
            candidate.text += 'f';
            candidate.text += c == TextFiLigature ? 'i' : 'l';
            candidate.starts.insert(candidate.starts.end(), 2, start);
            candidate.ends.insert(candidate.ends.end(), 2, end);
        } else {
            candidate.text += static_cast<char>(fold(c, ignoreCase));
            candidate.starts.push_back(start);
            candidate.ends.push_back(end);
        }
    }
}

enum class Built { Yes, NotAWord, RanOut };

// The candidate of the word at index: special words are no candidates,
// and are passed over when the following words are joined.
Built buildCandidate(const TextParagraph& paragraph, int paragraphIndex, int index, const Needle& needle,
                     Candidate& candidate)
{
    candidate.clear();
    const TextWord* word = paragraph.wordAtIndex(index);
    if (!word || word->isSpecial())
        return Built::NotAWord;
    const bool ligatures = paragraph.ligatures();
    appendWord(candidate, *word, paragraphIndex, index, ligatures, needle.ignoreCase);
    candidate.firstLength = int(candidate.text.size());
    const TextWord* previous = word;
    int previousIndex = index;
    int at = index;
    for (int need = needle.spaces; need > 0;) {
        const TextWord* next = paragraph.wordAtIndex(++at);
        if (!next)
            return Built::RanOut;
        if (next->isSpecial())
            continue;
        candidate.text += ' ';
        candidate.starts.push_back({paragraphIndex, at, 0});
        candidate.ends.push_back({paragraphIndex, previousIndex, previous->length()});
        appendWord(candidate, *next, paragraphIndex, at, ligatures, needle.ignoreCase);
        previous = next;
        previousIndex = at;
        --need;
    }
    return Built::Yes;
}

// The offset of the hit in the candidate, or -1. letter: where in the first
// word the search starts (-1: from its end, searching backward).
int matchIn(const Candidate& candidate, const Needle& needle, int letter)
{
    const std::string& text = candidate.text;
    const int length = int(text.size());
    const int size = int(needle.text.size());
    if (needle.wholeWord) {
        if (needle.direction != 1)
            return text == needle.text ? 0 : -1;
        int from = 0, to = length;
        while (to > 0 && kit::isPunct(static_cast<unsigned char>(text[std::size_t(to - 1)])))
            --to;
        while (from < to && kit::isPunct(static_cast<unsigned char>(text[std::size_t(from)])))
            ++from;
        return to - from == size && text.compare(std::size_t(from), std::size_t(size), needle.text) == 0 ? from : -1;
    }
    if (size > length)
        return -1;
    // The letter as an offset of the candidate (ligatures take two).
    int offset = 0;
    if (letter < 0) {
        offset = length - size;
    } else {
        while (offset < candidate.firstLength && candidate.starts[std::size_t(offset)].letter < letter)
            ++offset;
    }
    if (needle.direction == 1) {
        for (int o = offset; o + size <= length; ++o)
            if (text.compare(std::size_t(o), std::size_t(size), needle.text) == 0)
                return o;
        return -1;
    }
    for (int o = std::min(offset, length - size); o >= 0; --o)
        if (text.compare(std::size_t(o), std::size_t(size), needle.text) == 0)
            return o;
    return -1;
}

struct Found {
    textPoint start;
    textPoint end;
};

// The scan, word by word from the start in the needle's direction. With
// wrap it goes on past the end of the flow to its start (or back from the
// start to the end) once and stops once the start word has been tested
// again; without, it stops at the end. A stop point ends the scan once its
// word has been tested.
std::optional<Found> scan(const TextFlow& flow, const Needle& needle, textPoint start, const textPoint* stopPoint,
                          bool wrap)
{
    const int count = flow.paragraphCount();
    if (count == 0 || needle.text.empty())
        return std::nullopt;
    int p = std::clamp(start.paragraph, 0, count - 1);
    int w = start.word;
    int letter = start.letter;
    const int startParagraph = p, startWord = w;
    const bool forward = needle.direction == 1;
    int wraps = 0;
    Candidate candidate;
    for (;;) {
        const TextParagraph* paragraph = flow.paragraphAtIndex(p);
        const bool atStop = stopPoint && p == stopPoint->paragraph && w == stopPoint->word;
        if (paragraph && w >= 0 && w + needle.spaces < paragraph->wordCount()) {
            const Built built = buildCandidate(*paragraph, p, w, needle, candidate);
            if (built == Built::Yes) {
                const int at = matchIn(candidate, needle, letter);
                if (at >= 0) {
                    const std::size_t last = std::size_t(at) + needle.text.size() - 1;
                    return Found{candidate.starts[std::size_t(at)], candidate.ends[last]};
                }
            } else if (built == Built::RanOut && forward) {
                w = paragraph->wordCount() - 1;
            }
        }
        if (atStop || (wraps > 0 && p == startParagraph && w == startWord) || wraps > 1)
            return std::nullopt;
        if (forward) {
            letter = 0;
            if (!paragraph || ++w >= paragraph->wordCount()) {
                w = 0;
                if (++p >= count) {
                    p = 0;
                    ++wraps;
                }
            }
        } else {
            letter = -1;
            if (--w < 0) {
                if (--p < 0) {
                    p = count - 1;
                    ++wraps;
                }
                const TextParagraph* before = flow.paragraphAtIndex(p);
                w = before ? before->wordCount() - 1 : -1;
            }
        }
        if (wraps > 0 && !wrap)
            return std::nullopt;
    }
}

Needle prepare(const std::string& text, const TextFlow& flow, bool ignoreCase, bool wholeWord, int direction)
{
    Needle needle;
    needle.ignoreCase = ignoreCase;
    needle.wholeWord = wholeWord;
    needle.direction = direction == 1 ? 1 : -1;
    needle.spaces = int(std::count(text.begin(), text.end(), ' '));
    const TextParagraph* current = flow.currentParagraph();
    const bool ligatures = current && current->ligatures();
    for (unsigned char c : text) {
        if (ligatures && (c == TextFiLigature || c == TextFlLigature)) {
            needle.text += 'f';
            needle.text += c == TextFiLigature ? 'i' : 'l';
        } else {
            needle.text += static_cast<char>(fold(c, ignoreCase));
        }
    }
    return needle;
}

bool onlySpaces(const std::string& text) { return text.find_first_not_of(' ') == std::string::npos; }

} // namespace

TextFlow* PanelFind::searchedFlow(bool alert) const
{
    PageView* view = mainPageView();
    if (!view || !view->isEditing()) {
        if (alert)
            noTextPoint();
        return nullptr;
    }
    LayoutDocument* document = view->document();
    const std::vector<Item*> selected = document ? document->selected() : std::vector<Item*>{};
    auto* column = selected.empty() ? nullptr : dynamic_cast<TextItem*>(selected.front());
    return column ? column->flow() : nullptr;
}

TextFlow* PanelFind::currentFlow() const { return currentFlow_.lock().get(); }

TextWord* PanelFind::currentWord() const
{
    const std::shared_ptr<TextFlow> flow = wordFlow_.lock();
    if (!flow || !wordPoint_)
        return nullptr;
    const TextParagraph* paragraph = flow->paragraphAtIndex(wordPoint_->paragraph);
    return paragraph ? paragraph->wordAtIndex(wordPoint_->word) : nullptr;
}

int PanelFind::findText(const std::string& text, int direction, bool fromStart, bool wholeWord, bool display,
                        const textPoint* stopPoint)
{
    if (text.empty() || !isAcceptableText(text) || onlySpaces(text))
        return 0;
    TextFlow* flow = searchedFlow(true);
    if (!flow)
        return 0;
    PageView* view = mainPageView();
    if (fromStart) {
        flow->removeSelectionInViews(display ? view : nullptr);
        const textPoint origin{};
        flow->setCurrentPoint(&origin);
    }
    const Needle needle = prepare(text, *flow, ignoresCase(), wholeWord, direction);
    wordPoint_.reset();
    wordFlow_.reset();

    textPoint start{};
    TextSelection* selection = flow->textSelection();
    if (selection && !selection->isEmpty()) {
        if (needle.direction == 1) {
            start = selection->end();
            // The hit's own end: a next occurrence right after it is found.
            if (wholeWord)
                flow->nextWholeWord(&start);
        } else {
            start = selection->start();
            if (start.letter == 0) {
                start.letter = -1;
                if (start.word > 0) {
                    --start.word;
                } else if (start.paragraph > 0) {
                    --start.paragraph;
                    const TextParagraph* before = flow->paragraphAtIndex(start.paragraph);
                    start.word = before ? std::max(0, before->wordCount() - 1) : 0;
                }
            } else {
                --start.letter;
            }
        }
    } else {
        if (!flow->currentParagraph())
            return 0;
        flow->getCurrentTextPoint(&start);
    }

    const std::optional<Found> found = scan(*flow, needle, start, stopPoint, true);
    if (found) {
        currentFlow_ = flow->weak_from_this();
        if (wholeWord) {
            wordFlow_ = flow->weak_from_this();
            wordPoint_ = textPoint{found->start.paragraph, found->start.word, 0};
        }
        if (display && view)
            flow->drawAndSetSelectionType(SelectionChar, &found->start, &found->end, false, view, 0);
        else
            flow->selectBetween(&found->start, &found->end, int(SelectionChar));
        flow->setCurrentPoint(&found->end);
    }
    if (display)
        showHit(flow, found ? found->end : textPoint{}, found.has_value());
    return found ? 1 : 0;
}

void PanelFind::showHit(TextFlow* flow, const textPoint& end, bool found)
{
    PageView* view = mainPageView();
    LayoutDocument* document = view ? view->document() : nullptr;
    if (found) {
        TextItem* column = flow->item(end);
        flow->scrollCurrentWordToVisible(column, view);
        if (TextSelection* selection = flow->textSelection())
            selection->updateFontPanel();
    }
    if (document)
        document->notifyUpdate(view, static_cast<const std::vector<kit::Object*>*>(nullptr));
}

TextItem* PanelFind::replaceSelectionWith(const std::string& text, bool display)
{
    PageView* view = mainPageView();
    LayoutDocument* document = view ? view->document() : nullptr;
    const std::vector<Item*> selected = document ? document->selected() : std::vector<Item*>{};
    auto* first = selected.empty() ? nullptr : dynamic_cast<TextItem*>(selected.front());
    TextFlow* flow = first ? first->flow() : nullptr;
    if (!flow || !isAcceptableText(text))
        return nullptr;
    TextSelection* selection = flow->textSelection();
    const bool selects = selection && !selection->isEmpty();
    textPoint position{};
    if (selects)
        position = selection->start();
    else
        flow->getCurrentTextPoint(&position);
    TextItem* column = flow->item(flow->firstTextItem(), &position);
    if (selects)
        selection->deleteFromItem(column ? column : first, display, display);
    textPoint at = position;
    if (StyleChar* style = flow->styleCharAt(&at))
        flow->setCharStyle(style->copy());
    wordPoint_.reset();
    wordFlow_.reset();
    TextParagraph* paragraph = flow->currentParagraph();
    const std::size_t last = text.size() - 1;
    // A line feed that lands at the start of the next word takes the word
    // space before it: the characters after it then begin a word of their own.
    bool ownWord = false;
    for (std::size_t i = 0; i < text.size() && paragraph; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        const bool recompute = i == 0 || i == last || c == ' ' || c == '\n';
        paragraph->addByte(c, recompute, true);
        paragraph->setDirty(true);
        if (c == '\n') {
            paragraph = flow->currentParagraph();
            const TextWord* word = paragraph ? paragraph->currentWord() : nullptr;
            ownWord = word && word->insertPoint() == 0 && word->length() > 0;
        } else if (c == ' ') {
            ownWord = false;
        }
    }
    if (ownWord && paragraph && text.back() != '\n')
        paragraph->addByte(' ', true, true);
    if (display && document)
        document->notifyUpdate(view, static_cast<const std::vector<kit::Object*>*>(nullptr));
    flow->markDocumentEdited();
    return column;
}

int PanelFind::replaceAllText(const std::string& find, const std::string& replacement)
{
    if (find.empty() || !isAcceptableText(find) || !isAcceptableText(replacement) || onlySpaces(find)) {
        kit::beep();
        return 0;
    }
    const bool ignoreCase = ignoresCase();
    if (ignoreCase && find.size() == replacement.size() &&
        std::equal(find.begin(), find.end(), replacement.begin(), [](char a, char b) {
            return fold(static_cast<unsigned char>(a), true) == fold(static_cast<unsigned char>(b), true);
        })) {
        kit::beep();
        return 0;
    }
    TextFlow* flow = searchedFlow(true);
    if (!flow)
        return 0;
    PageView* view = mainPageView();
    LayoutDocument* document = view->document();
    const Needle needle = prepare(find, *flow, ignoreCase, false, 1);
    flow->removeSelectionInViews(view);

    // One pass from the start to the end: the scan goes on after each
    // inserted text, so the replacement is never searched.
    auto record = std::make_unique<TextReplacement>(*flow);
    bool undoable = true;
    int replaced = 0;
    textPoint at{};
    {
        TextFlow::DeferLayout defer(*flow);
        while (const std::optional<Found> found = scan(*flow, needle, at, nullptr, false)) {
            undoable = undoable && record->willChange(found->start.paragraph);
            flow->selectBetween(&found->start, &found->end, int(SelectionChar));
            (void)replaceSelectionWith(replacement, false);
            flow->getCurrentTextPoint(&at);
            record->didChange(at.paragraph);
            ++replaced;
        }
    }
    wordPoint_.reset();
    wordFlow_.reset();
    if (replaced == 0) {
        kit::beep();
        return 0;
    }
    record->finish();
    flow->setReplacement(undoable ? std::move(record) : nullptr);
    flow->completeLayout();
    if (document)
        document->notifyUpdate(view, static_cast<const std::vector<kit::Object*>*>(nullptr));
    return replaced;
}
