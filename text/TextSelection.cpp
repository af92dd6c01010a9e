// The selection model: making a selection, walking its words, the lists it
// builds for copying, membership tests, and its stored form.

#include "text/TextSelection.h"

#include "core/Coder.h"
#include "core/Exception.h"
#include "core/Values.h"
#include "items/TextItem.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextWord.h"
#include "text/TextWordSpecial.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <unordered_set>

const char ZYNSmartLeft[10] = {' ', '\x80', '\n', '(', '\t', '[', '\xD0', '"', '\'', 0};
const char ZYNSmartRight[15] = {' ', '\x80', '\n', ')', '\t', ']', '.', ',', ';', ':', '?', '\'', '!', '"', 0};

kit::Pasteboard* textWordSpecialPboardGlobalHack = nullptr;

namespace {

[[noreturn]] void damaged(const std::string& why)
{
    kit::Exception::raise(kit::ArchiverArchiveInconsistencyException, "damaged selection: " + why);
}

bool before(const textPoint& a, const textPoint& b)
{
    if (a.paragraph != b.paragraph)
        return a.paragraph < b.paragraph;
    if (a.word != b.word)
        return a.word < b.word;
    return a.letter < b.letter;
}

bool samePoint(const textPoint& a, const textPoint& b)
{
    return a.paragraph == b.paragraph && a.word == b.word && a.letter == b.letter;
}

} // namespace

TextSelection::TextSelection() = default;

TextSelection::~TextSelection()
{
    for (const auto& word : paraBreakList_)
        word->setParagraph(nullptr);
}

void TextSelection::initialize()
{
    TextFlow::initialize();
    kit::registerClass<TextSelection>("TextSelection");
}

// ---- Class functions.

const char* TextSelection::selType(int type)
{
    switch (type) {
    case SelectionNone:
        return "-1";
    case SelectionChar:
        return "CHAR";
    case SelectionPara:
        return "PARA";
    case SelectionWord:
        return "WORD";
    case SelectionCharTail:
        return "CHAR_TAIL";
    case SelectionWordTail:
        return "WORD_TAIL";
    default:
        return "Bogus_SelType";
    }
}

int TextSelection::selTypeWithTail(int type)
{
    return type == SelectionPara || type == SelectionCharTail || type == SelectionWordTail ? 1 : 0;
}

bool TextSelection::inMainBody(const TextFlow* flow)
{
    const TextItem* first = flow ? flow->firstTextItem() : nullptr;
    return first && first->name() && *first->name() == "MainText";
}

const char* TextSelection::charForIndex(const TextWord* word, unsigned index)
{
    if (!word)
        return nullptr;
    if (word->length() == 0)
        return word->text();
    if (index < unsigned(word->length()))
        return word->text() + index;
    return nullptr;
}

bool TextSelection::isCharAPasteFence(int endType, char c)
{
    if (c == 0)
        return false;
    const char* set = endType == SelectionCharTail ? ZYNSmartLeft : ZYNSmartRight;
    return std::strchr(set, c) != nullptr;
}

// ---- Making and clearing.

void TextSelection::dropLists()
{
    for (const auto& word : paraBreakList_)
        word->setParagraph(nullptr);
    paraBreakList_.clear();
    wordList_.clear();
    paragraphList_.clear();
    listsBuilt_ = false;
}

void TextSelection::empty()
{
    dropLists();
    textPointsFlipped_ = endOfFlow_ = endWithParaBreak_ = false;
    endType_ = SelectionNone;
    start_ = end_ = textPoint{};
}

bool TextSelection::selectBetween(const textPoint* a, const textPoint* b, TextFlow* flow, bool endWithParaBreak)
{
    if (!a || !b)
        return false;
    empty();
    flow_ = flow;
    setEndWithParaBreak(endWithParaBreak);
    endType_ = endWithParaBreak ? SelectionPara : SelectionChar;
    return placePoints(*a, *b, endType_ == SelectionPara);
}

bool TextSelection::selectBetween(const textPoint* a, const textPoint* b, TextFlow* flow, int endAs, bool drawTail)
{
    (void)drawTail;
    if (!a || !b)
        return false;
    empty();
    flow_ = flow;
    if (selTypeWithTail(endAs))
        setEndWithParaBreak(true);
    endType_ = endAs;
    if (flow) {
        textPoint last;
        flow->lastTextPoint(&last);
        endOfFlow_ = samePoint(*b, last);
    }
    return placePoints(*a, *b, selTypeWithTail(endAs));
}

bool TextSelection::placePoints(const textPoint& a, const textPoint& b, bool equalPointsSelect)
{
    if (samePoint(a, b) && equalPointsSelect) {
        start_ = a;
        end_ = b;
        return true;
    }
    if (before(b, a)) {
        start_ = b;
        end_ = a;
        textPointsFlipped_ = true;
    } else {
        start_ = a;
        end_ = b;
    }
    return !samePoint(a, b);
}

// ---- Reading.

bool TextSelection::isEmpty() const { return samePoint(start_, end_) && !selTypeWithTail(endType_); }

bool TextSelection::containsTextPoint(const textPoint* point) const
{
    return point && TextPointCmp(&start_, point) <= 0 && TextPointCmp(point, &end_) <= 0;
}

bool TextSelection::containsItem(TextItem* item) const
{
    if (isEmpty() || !flow_)
        return false;
    TextItem* startItem = flow_->item(item, &start_);
    TextItem* endItem = flow_->item(item, &end_);
    if (!startItem)
        return false;
    // Counting alone would give up on a long chain; past the guard the
    // columns are remembered, so only a chain that comes back on itself
    // stops the walk.
    std::unordered_set<const TextItem*> seen;
    int steps = 0;
    for (TextItem* at = startItem; at; at = at->nextColumn()) {
        if (at == item)
            return true;
        if (at == endItem)
            return false;
        if (++steps > MaxChainSteps && !seen.insert(at).second) {
            std::fputs("infinite loop: TextSelection containsItem\n", stderr);
            return false;
        }
    }
    return false;
}

void TextSelection::walkWords(const std::function<bool(TextWord*)>& fn) const
{
    if (!flow_ || (samePoint(start_, end_) && endType_ != SelectionPara))
        return;
    int p = start_.paragraph;
    int w = std::max(start_.word, 0);
    const TextParagraph* paragraph = flow_->paragraphAtIndex(p);
    while (paragraph) {
        if (TextWord* word = paragraph->wordAtIndex(w))
            if (!fn(word))
                return;
        if (end_.paragraph <= p && end_.word <= w)
            return;
        if (++w >= paragraph->wordCount()) {
            w = 0;
            paragraph = flow_->paragraphAtIndex(++p);
        }
    }
}

bool TextSelection::containsSpecialWordType(int type) const
{
    bool found = false;
    walkWords([&](TextWord* word) {
        found = word->isSpecialType(type);
        return !found;
    });
    return found;
}

std::vector<TextWord*> TextSelection::embeddedGraphicsList() const
{
    std::vector<TextWord*> graphics;
    walkWords([&](TextWord* word) {
        if (word->isSpecialType(TextWordGraphic))
            graphics.push_back(word);
        return true;
    });
    return graphics;
}

TextWord* TextSelection::countObjectLinks(int* count) const
{
    int n = 0;
    TextWord* last = nullptr;
    walkWords([&](TextWord* word) {
        auto* special = dynamic_cast<TextWordSpecial*>(word);
        if (special && special->itemSerialNumber().value_or(0) != 0) {
            last = word;
            ++n;
        }
        return n < 2;
    });
    if (count)
        *count = n;
    return last;
}

const std::vector<TextWord*>* TextSelection::_buildWordList()
{
    if (isEmpty())
        return nullptr;
    if (listsBuilt_)
        return &wordList_;
    listsBuilt_ = true;
    TextParagraph* paragraph = flow_ ? flow_->paragraphAtIndex(start_.paragraph) : nullptr;
    if (!paragraph)
        return &wordList_;
    auto breakFor = [this](TextParagraph* owner) {
        auto word = std::make_unique<TextWordSpecial>(TextWordParagraphEnd);
        word->setParagraph(owner);
        wordList_.push_back(word.get());
        paraBreakList_.push_back(std::move(word));
    };
    paragraphList_.push_back(paragraph);
    int p = start_.paragraph;
    int w = std::max(start_.word, 0);
    for (;;) {
        const int count = paragraph->wordCount();
        if (w < count)
            wordList_.push_back(paragraph->wordAtIndex(w));
        if (w == count - 1 && p == end_.paragraph && w == end_.word && selTypeWithTail(endType_))
            breakFor(paragraph);
        if (end_.paragraph <= p && end_.word <= w)
            break;
        if (++w >= count) {
            // The break between two selected paragraphs is always taken.
            breakFor(paragraph);
            w = 0;
            paragraph = flow_->paragraphAtIndex(++p);
            if (!paragraph)
                break;
            paragraphList_.push_back(paragraph);
        }
    }
    // The flow's last paragraph has no break to copy.
    if (endOfFlow_ && endType_ == SelectionPara && !paraBreakList_.empty() &&
        !wordList_.empty() && wordList_.back() == paraBreakList_.back().get()) {
        wordList_.pop_back();
        paraBreakList_.back()->setParagraph(nullptr);
        paraBreakList_.pop_back();
    }
    return &wordList_;
}

TextSelection* TextSelection::printSelection(int tag)
{
    std::printf("SEL:%d %s, {%d,%d,%d; %d,%d,%d} %s Tail? %s EOF? %s\n", tag, textPointsFlipped_ ? "BWD" : "FWD",
                start_.paragraph, start_.word, start_.letter, end_.paragraph, end_.word, end_.letter,
                selType(endType_), endWithParaBreak_ ? "YES" : "NO", endOfFlow_ ? "YES" : "NO");
    return this;
}

// ---- Stored form.

void TextSelection::encodeWithCoder(kit::Coder& coder) const
{
    // Writing builds the lists it writes; they are the selection's cache.
    const_cast<TextSelection*>(this)->_buildWordList();
    if (listsBuilt_) {
        coder.encodeArray(std::vector<const kit::Object*>(paragraphList_.begin(), paragraphList_.end()));
        coder.encodeArray(std::vector<const kit::Object*>(wordList_.begin(), wordList_.end()));
    } else {
        coder.encodeObject(nullptr);
        coder.encodeObject(nullptr);
    }
    coder.encodeValuesOfObjCTypes("iii", start_.paragraph, start_.word, start_.letter);
    coder.encodeValuesOfObjCTypes("iii", end_.paragraph, end_.word, end_.letter);
    const char type = static_cast<char>(endType_);
    const char flipped = textPointsFlipped_ ? 1 : 0;
    const char eof = endOfFlow_ ? 1 : 0;
    coder.encodeValuesOfObjCTypes("ccc", type, flipped, eof);
}

kit::Object* TextSelection::initWithCoder(kit::Coder& coder)
{
    const std::optional<std::vector<kit::Object*>> paragraphs = coder.decodeArray();
    const std::optional<std::vector<kit::Object*>> words = coder.decodeArray();
    coder.decodeValuesOfObjCTypes("iii", &start_.paragraph, &start_.word, &start_.letter);
    coder.decodeValuesOfObjCTypes("iii", &end_.paragraph, &end_.word, &end_.letter);
    signed char type = 0;
    char flipped = 0, eof = 0;
    coder.decodeValuesOfObjCTypes("ccc", &type, &flipped, &eof);
    if (before(end_, start_))
        damaged("its end comes before its start");
    endType_ = type;
    endWithParaBreak_ = selTypeWithTail(endType_) != 0;
    textPointsFlipped_ = flipped != 0;
    endOfFlow_ = eof != 0;

    // No searches of the lists: a selection may hold many words and lines.
    for (kit::Object* object : paragraphs.value_or(std::vector<kit::Object*>{})) {
        if (!dynamic_cast<TextParagraph*>(object))
            damaged("a " + (object ? object->className() : std::string("nil")) + " in its paragraph list");
        ownedParagraphs_.push_back(coder.claim<TextParagraph>(object));
        paragraphList_.push_back(ownedParagraphs_.back().get());
    }
    // The words come in the order of their paragraphs, so a cursor finds
    // each one's paragraph; a set is made only for a list out of that order.
    std::size_t cursor = 0;
    std::unordered_set<const TextParagraph*> listed;
    auto isListed = [&](const TextParagraph* paragraph) {
        for (std::size_t k = cursor; k < paragraphList_.size() && k <= cursor + 1; ++k)
            if (paragraphList_[k] == paragraph) {
                cursor = k;
                return true;
            }
        if (listed.empty())
            listed.insert(paragraphList_.begin(), paragraphList_.end());
        return listed.contains(paragraph);
    };
    for (kit::Object* object : words.value_or(std::vector<kit::Object*>{})) {
        auto* word = dynamic_cast<TextWord*>(object);
        if (!word)
            damaged("a " + (object ? object->className() : std::string("nil")) + " in its word list");
        const bool held = word->paragraph() && isListed(word->paragraph()) &&
                          word->paragraph()->indexOfWord(word) >= 0;
        // A second entry of the same word is refused by its second claim.
        if (!held)
            ownedWords_.push_back(coder.claim<TextWord>(object));
        wordList_.push_back(word);
    }
    listsBuilt_ = paragraphs.has_value() || words.has_value();
    return this;
}
