// Two documents read at once: what a read keeps while it runs (the columns
// waiting for their flow, an import's dispatching flags) belongs to that
// read, so that another read meanwhile neither sees nor disturbs it.

#include "core/Alert.h"
#include "core/Archiver.h"
#include "core/Unarchiver.h"
#include "core/Values.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "foundation/StyleGraphic.h"
#include "foundation/StyleParagraph.h"
#include "graphics/Font.h"
#include "items/TextItem.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextWord.h"
#include "text/TextWordSpecial.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

// A document of three pages, a column on each, the columns joined into one
// chain whose text is the given words.
struct ChainedDocument {
    explicit ChainedDocument(const std::vector<std::string>& words)
    {
        document.setPageSize(kit::makeSize(612, 792));
        document.setFirstPageNum(1);
        document.setMasterPage(std::make_unique<Page>());
        EXPECT_TRUE(document.addPages(3, 0));
        for (int i = 0; i < 3; ++i) {
            auto column = std::make_unique<TextItem>();
            column->setFrame(kit::makeRect(10, 10, 200, 100), false);
            columns.push_back(column.get());
            document.pageAt(i)->addItems(std::move(column));
        }
        columns[0]->joinColumn(columns[1]);
        columns[1]->joinColumn(columns[2]);
        TextParagraph* paragraph = flow()->firstParagraph();
        paragraph->paragraphStyle()->setFont(kit::Font::fontWithName("Courier", 10));
        for (const std::string& text : words)
            paragraph->addWord(std::make_unique<TextWord>())->setText(text.c_str());
    }

    TextFlow* flow() const { return columns[0]->flow(); }

    LayoutDocument document;
    std::vector<TextItem*> columns;
};

std::vector<std::string> wordsOf(const TextFlow* flow)
{
    std::vector<std::string> words;
    for (const auto& paragraph : flow->paragraphList())
        for (const auto& word : paragraph->wordList())
            if (word->length() > 0 && !dynamic_cast<const TextWordSpecial*>(word.get()))
                words.emplace_back(word->text());
    return words;
}

// Every word with characters has them measured. A special word's width is
// what it holds (a picture's), not its characters'.
bool measured(const TextFlow* flow)
{
    for (const auto& paragraph : flow->paragraphList())
        for (const auto& word : paragraph->wordList())
            if (word->length() > 0 && !dynamic_cast<const TextWordSpecial*>(word.get()) &&
                !(word->widthOfCharAtIdx(0) > 0))
                return false;
    return true;
}

// The middle page first: its column, met before the head of its chain, reads
// the flow, and the head column, read inside the flow, waits for the flow
// until the middle column holds it.
const std::size_t pageOrder[] = {1, 0, 2};

// Pages as a document keeps them, read back with what the read left over.
struct ReadPages {
    std::unique_ptr<kit::Array> root;
    std::vector<std::unique_ptr<kit::Object>> unclaimed;

    TextItem* column(std::size_t page) const
    {
        std::size_t at = 0;
        while (pageOrder[at] != page)
            ++at;
        auto* read = dynamic_cast<Page*>(root->objects().at(at));
        return read && !read->pageItems().empty() ? dynamic_cast<TextItem*>(read->pageItems()[0].get()) : nullptr;
    }
};

std::string pagesData(const LayoutDocument& document)
{
    kit::Array root;
    for (std::size_t i : pageOrder)
        root.addObject(document.pageAt(int(i)));
    return kit::Archiver::archivedDataWithRootObject(&root);
}

// Reads another document's pages while the read it stands in is still in
// progress, as a document that embeds another would; the inner read runs in
// full inside the outer one.
class ReadsAnotherDocument : public kit::Object {
public:
    std::string className() const override { return "ReadsAnotherDocument"; }
    void encodeWithCoder(kit::Coder& coder) const override { coder.encodeBytes(data_); }
    kit::Object* initWithCoder(kit::Coder& coder) override
    {
        data_ = coder.decodeBytes();
        inner_.root = kit::Unarchiver::unarchiveObjectWithData<kit::Array>(data_, inner_.unclaimed);
        if (meanwhile)
            meanwhile(inner_);
        return this;
    }

    void setData(std::string data) { data_ = std::move(data); }
    const ReadPages& inner() const { return inner_; }
    // What the test checks while the outer read is still going on.
    static inline std::function<void(const ReadPages&)> meanwhile;

private:
    std::string data_;
    ReadPages inner_;
};

class ReadStateTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        kit::registerValueClasses();
        StyleGraphic::initialize();
        Item::initialize();
        Page::initialize();
        TextFlow::initialize();
        kit::registerClass<ReadsAnotherDocument>("ReadsAnotherDocument");
    }

    void SetUp() override
    {
        alerts_ = std::make_shared<kit::ScriptedAlertHandler>();
        kit::setAlertHandler(alerts_);
    }
    void TearDown() override
    {
        ReadsAnotherDocument::meanwhile = nullptr;
        kit::setAlertHandler(nullptr);
    }

    // Each read column belongs to its own chain and flow, with its own text,
    // measured.
    static void expectChain(const ReadPages& pages, const std::vector<std::string>& words)
    {
        TextItem* first = pages.column(0);
        ASSERT_NE(first, nullptr);
        TextFlow* flow = first->flow();
        ASSERT_NE(flow, nullptr);
        for (std::size_t i = 0; i < 3; ++i) {
            TextItem* column = pages.column(i);
            ASSERT_NE(column, nullptr) << i;
            EXPECT_EQ(column->flow(), flow) << i;
            EXPECT_EQ(column->prevColumn(), i == 0 ? nullptr : pages.column(i - 1)) << i;
            EXPECT_EQ(column->nextColumn(), i == 2 ? nullptr : pages.column(i + 1)) << i;
        }
        EXPECT_EQ(wordsOf(flow), words);
        EXPECT_TRUE(measured(flow));
    }

    std::shared_ptr<kit::ScriptedAlertHandler> alerts_;
};

TEST_F(ReadStateTest, TwoDocumentsReadAtOnceWhileAThirdIsImportedInto)
{
    const std::vector<std::string> outerWords = {"one", "two", "three"};
    const std::vector<std::string> innerWords = {"alpha", "beta"};
    ChainedDocument outer(outerWords);
    ChainedDocument inner(innerWords);

    // The inner document is read from inside the outer one's text, while
    // the outer flow and its columns are still being read.
    auto embedded = std::make_shared<ReadsAnotherDocument>();
    embedded->setData(pagesData(inner.document));
    auto holder = std::make_unique<TextWordSpecial>(TextWordGraphic);
    holder->setObjectReference(std::shared_ptr<kit::Object>(embedded));
    outer.flow()->firstParagraph()->addWord(std::move(holder));
    const std::string outerData = pagesData(outer.document);

    // An import into a third document runs all along: its words wait to be
    // measured until it ends; the documents read meanwhile are not its own.
    ChainedDocument imported({});
    imported.document.setDispatching(true);
    TextWord* arriving = imported.flow()->firstParagraph()->addWord(std::make_unique<TextWord>());
    arriving->setText("imported");
    EXPECT_FALSE(arriving->widthOfCharAtIdx(0) > 0);

    bool innerChecked = false;
    ReadsAnotherDocument::meanwhile = [&](const ReadPages& pages) {
        expectChain(pages, innerWords);
        innerChecked = true;
    };
    ReadPages read;
    read.root = kit::Unarchiver::unarchiveObjectWithData<kit::Array>(outerData, read.unclaimed);
    ASSERT_TRUE(innerChecked);
    expectChain(read, {"one", "two", "three"});
    // The inner document's pages came through the word that embedded them.
    const TextWord* word = read.column(0)->flow()->firstParagraph()->lastWord();
    auto* special = dynamic_cast<const TextWordSpecial*>(word);
    ASSERT_NE(special, nullptr);
    auto* back = dynamic_cast<ReadsAnotherDocument*>(special->objectReference());
    ASSERT_NE(back, nullptr);
    expectChain(back->inner(), innerWords);

    EXPECT_FALSE(arriving->widthOfCharAtIdx(0) > 0);
    imported.document.setDispatching(false);
    imported.flow()->firstParagraph()->recomputeAllWords();
    EXPECT_TRUE(measured(imported.flow()));
}

} // namespace
