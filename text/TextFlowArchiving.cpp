// The stored form of flows, their paragraphs and their tables. Words store
// themselves (TextWordArchiving.cpp). Every list read here is checked element by element
// before the flow or paragraph takes it, so a damaged stream fails the read
// instead of leaving a paragraph with a foreign object in its word list.

#include "text/TextFlow.h"
#include "text/TextParagraph.h"

#include "core/Coder.h"
#include "core/Exception.h"
#include "core/Values.h"
#include "foundation/ArrayExtensions.h"
#include "foundation/StoredColor.h"
#include "foundation/StyleChar.h"
#include "foundation/StyleParagraph.h"
#include "items/TextItem.h"
#include "text/TableDefinition.h"
#include "text/TableParagraph.h"
#include "text/TextWord.h"
#include "text/TextWordSpecial.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace {

[[noreturn]] void damaged(const std::string& what, const std::string& why)
{
    kit::Exception::raise(kit::ArchiverArchiveInconsistencyException, "damaged " + what + ": " + why);
}

// A stored list (current files: an array; older files: an old list, which
// the platform reads as an array too), its elements claimed for the owner.
// nil answers an empty list.
template <class T>
std::vector<std::unique_ptr<T>> claimList(kit::Coder& coder, kit::Object* list, const kit::Object& owner,
                                          const char* what)
{
    std::vector<std::unique_ptr<T>> claimed;
    if (!list)
        return claimed;
    auto* array = dynamic_cast<kit::Array*>(list);
    if (!array)
        damaged(what, "a " + list->className() + " where a list was stored");
    const std::vector<T*> elements = initWithNXList<T>(array);
    claimed.reserve(elements.size());
    for (T* element : elements)
        claimed.push_back(coder.claim<T>(element, owner));
    return claimed;
}

// A weak link of a stored class: nil, or an object of that class.
template <class T>
T* decodeLink(kit::Object* object, const char* what)
{
    if (!object)
        return nullptr;
    T* typed = dynamic_cast<T*>(object);
    if (!typed)
        damaged(what, "a " + object->className() + " where a link was stored");
    return typed;
}

std::vector<const kit::Object*> listOf(const auto& owned)
{
    std::vector<const kit::Object*> list;
    list.reserve(owned.size());
    for (const auto& element : owned)
        list.push_back(element.get());
    return list;
}

} // namespace

void TextFlow::initialize()
{
    TextWord::initialize();
    StyleParagraph::initialize();
    kit::registerClass<TextParagraph>("TextParagraph");
    kit::registerClass<TextFlow>("TextFlow");
    TableDefinition::initialize();
}

void TableDefinition::initialize()
{
    kit::registerClass<ColumnDefinition>("ColumnDefinition");
    kit::registerClass<TableDefinition>("TableDefinition");
    kit::registerClass<TableRow>("TableRow");
    kit::registerClass<TableParagraph>("TableParagraph");
}

// ---- Flows.

void TextFlow::encodeWithCoder(kit::Coder& coder) const
{
    coder.encodeArray(listOf(paragraphList_));
    coder.encodeConditionalObject(currentParagraph_);
    coder.encodeConditionalObject(firstTextItem_);
    // No tables: nil, as flows without tables always stored.
    if (tables_.empty())
        coder.encodeObject(nullptr);
    else
        coder.encodeArray(listOf(tables_));
}

kit::Object* TextFlow::initWithCoder(kit::Coder& coder)
{
    const float v = coder.openFileVersion();
    kit::Object* list = nullptr;
    kit::Object* current = nullptr;
    kit::Object* item = nullptr;
    kit::Object* tables = nullptr;
    if (kit::isCurrentFileVersion(v)) {
        list = coder.decodeObject();
        current = coder.decodeObject();
        item = coder.decodeObject();
        tables = coder.decodeObject();
    } else if (v >= 2.2f) {
        current = coder.decodeObject();
        item = coder.decodeObject();
        list = coder.decodeObject();
        if (v >= 2.6f)
            tables = coder.decodeObject();
    } else {
        coder.decodeValuesOfObjCTypes("@@", &current, &item);
        (void)decodeNXColor(coder);
        list = coder.decodeObject();
    }

    currentParagraph_ = inspectedParagraph_ = nullptr;
    paragraphList_ = claimList<TextParagraph>(coder, list, *this, "flow");
    indexValidBelow_ = 0;
    firstTextItem_ = decodeLink<TextItem>(item, "flow");
    tables_ = claimList<TableDefinition>(coder, tables, *this, "flow");
    // The current paragraph is a weak link: one that is not in the list would
    // be left pointing at an object nobody keeps.
    auto* stored = decodeLink<TextParagraph>(current, "flow");
    for (const auto& paragraph : paragraphList_)
        if (paragraph.get() == stored)
            currentParagraph_ = stored;
    // Every caller relies on a flow having a paragraph.
    if (paragraphList_.empty())
        currentParagraph_ = addParagraph(std::make_unique<TextParagraph>());

    if (!paragraphStyle_)
        paragraphStyle_ = std::make_unique<StyleParagraph>();
    if (currentParagraph_)
        paragraphStyle_->setFont(currentParagraph_->font());
    for (const auto& paragraph : paragraphList_) {
        paragraph->setFlow(this);
        paragraph->recomputeAllWords();
    }
    adoptTablesOfCells(coder);
    return this;
}

// A cell's table is a weak link: one that the flow's tables do not hold
// would be freed with the decoder. The flow takes it (a table owned
// elsewhere makes the claim fail: the stream is damaged).
void TextFlow::adoptTablesOfCells(kit::Coder& coder)
{
    for (const auto& paragraph : paragraphList_) {
        auto* cell = dynamic_cast<TableParagraph*>(paragraph.get());
        TableDefinition* table = cell ? cell->table() : nullptr;
        if (!table)
            continue;
        const bool held = std::any_of(tables_.begin(), tables_.end(),
                                      [&](const auto& owned) { return owned.get() == table; });
        if (!held)
            tables_.push_back(coder.claim<TableDefinition>(table, *this));
    }
}

// ---- Paragraphs.

void TextParagraph::encodeWithCoder(kit::Coder& coder) const
{
    coder.encodeArray(listOf(wordList_));
    coder.encodeObject(paragraphStyle_.get());
    coder.encodeConditionalObject(flow_);
    coder.encodeConditionalObject(currentWord_);
    coder.encodeConditionalObject(currentItem_);
    coder.encodeConditionalObject(firstItem_);
    coder.encodeConditionalObject(lastItem_);
    coder.encodeConditionalObject(prevParaLastItem_);
    const char containsWordTokens = containsWordTokens_, hasIntruders = hasIntruders_;
    coder.encodeValuesOfObjCTypes("fcc", prevParaLastY_, containsWordTokens, hasIntruders);
    coder.encodeRect(box_);
}

// The words become this paragraph's, whatever paragraph they named: a word
// must never point at a paragraph that does not hold it.
void TextParagraph::takeWordList(kit::Coder& coder, kit::Object* list)
{
    currentWord_ = nullptr;
    wordList_ = claimList<TextWord>(coder, list, *this, "paragraph");
    lastFoundWord_ = 0;
    noteWordsChangedFrom(0);
    for (const auto& word : wordList_)
        word->setParagraph(this);
}

kit::Object* TextParagraph::initWithCoder(kit::Coder& coder)
{
    const float v = coder.openFileVersion();
    // The flow links its paragraphs to itself once it has them all; when the
    // flow is reached through this paragraph, that happens while this one is
    // still being read.
    flow_ = nullptr;
    kit::Object* current = nullptr;
    if (kit::isCurrentFileVersion(v)) {
        kit::Object* list = coder.decodeObject();
        std::unique_ptr<StyleParagraph> style = coder.decodeOwnedObject<StyleParagraph>();
        (void)decodeLink<TextFlow>(coder.decodeObject(), "paragraph");
        current = coder.decodeObject();
        currentItem_ = decodeLink<TextItem>(coder.decodeObject(), "paragraph");
        firstItem_ = decodeLink<TextItem>(coder.decodeObject(), "paragraph");
        lastItem_ = decodeLink<TextItem>(coder.decodeObject(), "paragraph");
        prevParaLastItem_ = decodeLink<TextItem>(coder.decodeObject(), "paragraph");
        char containsWordTokens = 0, hasIntruders = 0;
        coder.decodeValuesOfObjCTypes("fcc", &prevParaLastY_, &containsWordTokens, &hasIntruders);
        containsWordTokens_ = containsWordTokens != 0;
        hasIntruders_ = hasIntruders != 0;
        box_ = coder.decodeRect();
        if (!style)
            damaged("paragraph", "no paragraph style");
        paragraphStyle_ = std::move(style);
        takeWordList(coder, list);
    } else {
        readOlderForm(coder, v);
        return this;
    }
    auto* stored = decodeLink<TextWord>(current, "paragraph");
    if (stored && stored->paragraph() == this)
        currentWord_ = stored;
    if (wordList_.empty())
        createCurrentWord();
    // Reached first through a word of this paragraph (a header or footer
    // marker's frame), the flow was read, and measured its paragraphs,
    // before this one had its words: they are measured now.
    if (flow_)
        recomputeAllWords();
    return this;
}

void TextParagraph::readOlderForm(kit::Coder& coder, float v)
{
    kit::Object* current = nullptr;
    kit::Object* items[4] = {};
    kit::Object* flow = nullptr;
    if (v >= 2.2f) {
        current = coder.decodeObject();
        for (kit::Object*& item : items)
            item = coder.decodeObject();
        flow = coder.decodeObject();
    } else if (v >= 1.02f) {
        coder.decodeValuesOfObjCTypes("@@@", &current, &items[0], &flow);
    } else {
        coder.decodeValuesOfObjCTypes("@", &current);
    }
    (void)decodeLink<TextFlow>(flow, "paragraph");
    currentItem_ = decodeLink<TextItem>(items[0], "paragraph");
    firstItem_ = decodeLink<TextItem>(items[1], "paragraph");
    lastItem_ = decodeLink<TextItem>(items[2], "paragraph");
    prevParaLastItem_ = decodeLink<TextItem>(items[3], "paragraph");

    kit::Object* styleObject = coder.decodeObject();
    auto* style = decodeLink<StyleParagraph>(styleObject, "paragraph");
    if (!style)
        damaged("paragraph", "no paragraph style");
    // A named style belongs to the document's style sheet: the paragraph
    // gets its own style based on it instead (files before 2.55).
    if (v < 2.55f && style->isNamedStyle()) {
        auto own = std::make_unique<StyleParagraph>();
        own->takeStyleValuesFrom(style);
        own->setBasedOnStyle(style);
        own->setDefinedFlags(0);
        paragraphStyle_ = std::move(own);
    } else {
        paragraphStyle_ = coder.claim<StyleParagraph>(styleObject);
    }

    if (v >= 2.2f) {
        char containsWordTokens = 0, hasIntruders = 0;
        coder.decodeValuesOfObjCTypes("fcc", &prevParaLastY_, &containsWordTokens, &hasIntruders);
        containsWordTokens_ = containsWordTokens != 0;
        hasIntruders_ = hasIntruders != 0;
    } else {
        (void)coder.decodePoint();
    }
    box_ = coder.decodeRect();
    if (v < 2.2f) {
        int dropped = 0;
        coder.decodeValuesOfObjCTypes("i", &dropped);
    }
    kit::Object* list = coder.decodeObject();
    if (v >= 2.0f && v < 2.2f) {
        float dropped = 0;
        coder.decodeValuesOfObjCTypes("f", &dropped);
    }
    if (!list)
        std::printf("creating a wordList\n");
    takeWordList(coder, list);
    flow_ = nullptr;
    auto* stored = decodeLink<TextWord>(current, "paragraph");
    if (stored && stored->paragraph() == this)
        currentWord_ = stored;

    // Type-4 special words are no longer kept (files before 2.2).
    if (v < 2.2f)
        for (int i = wordCount() - 1; i >= 0; --i) {
            TextWord* word = wordList_[std::size_t(i)].get();
            if (!word->isSpecialType(4))
                continue;
            if (currentWord_ == word)
                currentWord_ = nullptr;
            removeWord(word);
        }
    // The style after a word's last letter ended where the next word set
    // none; it now carries on, so it is spelled out (files before 2.3).
    if (v < 2.3f)
        for (std::size_t i = 0; i + 1 < wordList_.size(); ++i) {
            TextWord* word = wordList_[i].get();
            const TextWord* next = wordList_[i + 1].get();
            if (!word->hasStyles() || word->styleAt(word->textLength()))
                continue;
            if (next->hasStyles() && next->styleAt(0))
                continue;
            auto& styles = word->createStylesIfNeeded();
            const auto at = std::size_t(word->textLength());
            if (at < styles.size() && charStyle())
                styles[at] = charStyle()->copy();
        }
}

// ---- Tables.

void ColumnDefinition::encodeWithCoder(kit::Coder& coder) const
{
    coder.encodeValuesOfObjCTypes("sccc", columnCount_, flowType_, hasLinesBetween_, isBalanced_);
    for (const Margin& margin : margins_)
        coder.encodeValuesOfObjCTypes("ff", margin.first, margin.second);
}

kit::Object* ColumnDefinition::initWithCoder(kit::Coder& coder)
{
    short count = 0;
    coder.decodeValuesOfObjCTypes("sccc", &count, &flowType_, &hasLinesBetween_, &isBalanced_);
    if (count < 0)
        damaged("column definition", std::to_string(count) + " columns");
    coder.checkUnitCount("ff", std::size_t(count));
    columnCount_ = count;
    margins_.assign(std::size_t(count), Margin{});
    for (Margin& margin : margins_)
        coder.decodeValuesOfObjCTypes("ff", &margin.first, &margin.second);
    return this;
}

void TableDefinition::encodeWithCoder(kit::Coder& coder) const
{
    ColumnDefinition::encodeWithCoder(coder);
    coder.encodeValuesOfObjCTypes("c", justification_);
    coder.encodeArray(listOf(rows_));
}

kit::Object* TableDefinition::initWithCoder(kit::Coder& coder)
{
    ColumnDefinition::initWithCoder(coder);
    coder.decodeValuesOfObjCTypes("c", &justification_);
    // Current files store an array, older ones an old list: both read as one.
    rows_ = claimList<TableRow>(coder, coder.decodeObject(), *this, "table");
    return this;
}

void TableRow::encodeWithCoder(kit::Coder& coder) const
{
    coder.encodeValuesOfObjCTypes("sccf", columnCount_, justification_, isAutoHeight_, height_);
}

kit::Object* TableRow::initWithCoder(kit::Coder& coder)
{
    coder.decodeValuesOfObjCTypes("sccf", &columnCount_, &justification_, &isAutoHeight_, &height_);
    if (columnCount_ < 0)
        damaged("table row", std::to_string(columnCount_) + " cells");
    return this;
}

void TableParagraph::encodeWithCoder(kit::Coder& coder) const
{
    TextParagraph::encodeWithCoder(coder);
    coder.encodeConditionalObject(table_);
    const std::array<char, 6> flags = {char(flags_.columnSpan),   char(flags_.rowSpan),
                                       char(flags_.horizAlign),   char(flags_.vertAlign),
                                       char(flags_.decimalPlaces), char(flags_.isVirtual)};
    coder.encodeValuesOfObjCTypes("ii[6c]", row_, column_, flags);
}

kit::Object* TableParagraph::initWithCoder(kit::Coder& coder)
{
    TextParagraph::initWithCoder(coder);
    kit::Object* table = nullptr;
    int row = 0, column = 0;
    std::array<char, 6> flags{};
    if (kit::isCurrentFileVersion(coder.openFileVersion())) {
        table = coder.decodeObject();
        coder.decodeValuesOfObjCTypes("ii[6c]", &row, &column, &flags);
    } else {
        coder.decodeValuesOfObjCTypes("@ii[6c]", &table, &row, &column, &flags);
    }
    table_ = decodeLink<TableDefinition>(table, "table cell");
    // Every cell operation indexes the table's rows and margins by these.
    if (row < 0 || column < 0 || (table_ && (row >= table_->rowCount() || column >= table_->columnCount())))
        damaged("table cell", "row " + std::to_string(row) + ", column " + std::to_string(column) +
                                  " outside its table");
    row_ = row;
    column_ = column;
    setColumnSpan(static_cast<unsigned char>(flags[0]));
    setRowSpan(static_cast<unsigned char>(flags[1]));
    flags_.horizAlign = static_cast<unsigned char>(flags[2]) & 0x7u;
    setVerticalAlignment(static_cast<unsigned char>(flags[3]));
    setDecimalPlaces(static_cast<unsigned char>(flags[4]));
    setVirtual((flags[5] & 1) != 0);
    return this;
}
