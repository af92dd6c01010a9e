#include "TextTestSupport.h"

namespace {

// A word that notes, as it is freed, the paragraph it still points at.
class WatchedWord : public TextWord {
public:
    explicit WatchedWord(const TextParagraph** pointsAt)
        : pointsAt_(pointsAt)
    {
    }
    ~WatchedWord() override { *pointsAt_ = paragraph(); }

private:
    const TextParagraph** pointsAt_;
};

using TextParagraphWordsTest = TextTest;

TEST_F(TextParagraphWordsTest, WordsNoLongerPointAtTheParagraphWhenFreed)
{
    const TextParagraph* pointsAt = nullptr;
    // A paragraph freed with its words.
    {
        auto paragraph = std::make_unique<TextParagraph>();
        paragraph->addWord(std::make_unique<TextWord>());
        paragraph->addWord(std::make_unique<WatchedWord>(&pointsAt));
        pointsAt = paragraph.get();
        paragraph.reset();
        EXPECT_EQ(pointsAt, nullptr);
    }
    // An empty paragraph joined to the one before: its empty word goes.
    {
        addWord("one");
        TextParagraph* empty = flow_->addParagraph(std::make_unique<TextParagraph>());
        empty->addWord(std::make_unique<WatchedWord>(&pointsAt));
        pointsAt = empty;
        paragraph_->join(empty, false);
        EXPECT_EQ(pointsAt, nullptr);
        EXPECT_EQ(flow_->paragraphCount(), 1);
        EXPECT_EQ(paragraph_->wordCount(), 1);
    }
}

} // namespace
