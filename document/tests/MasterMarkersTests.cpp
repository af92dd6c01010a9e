#include "document/LayoutDocument.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextWordSpecial.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// A flow of paragraphs, each of a few plain words, to place markers in.
class MarkerOrderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (int i = 0; i < 2; ++i)
            flow_.addParagraph(std::make_unique<TextParagraph>());
        document_.setup();
    }

    // A marker put at the word index of the paragraph (paragraph 0 is the
    // flow's first).
    TextWordSpecial* markerAt(int paragraph, int word, int type = TextWordHeaderMarker)
    {
        TextParagraph* p = flow_.paragraphAtIndex(paragraph);
        while (p->wordCount() < word)
            p->addWord(std::make_unique<TextWordSpecial>(TextWordFootnoteMarker));
        return static_cast<TextWordSpecial*>(p->insertWord(std::make_unique<TextWordSpecial>(type), word));
    }

    TextFlow flow_;
    LayoutDocument document_;
};

TEST_F(MarkerOrderTest, HeadersAndFootersKeepTextOrder)
{
    // Two in one paragraph, added last word first.
    TextWordSpecial* seventh = markerAt(1, 7);
    TextWordSpecial* third = markerAt(1, 3);
    document_.addHeader(seventh);
    document_.addHeader(third);
    EXPECT_EQ(document_.headers(), (std::vector<TextWordSpecial*>{third, seventh}));

    // An earlier paragraph goes first whatever its word index; a repeat is
    // not listed twice.
    TextWordSpecial* early = markerAt(0, 9);
    document_.addHeader(early);
    document_.addHeader(third);
    EXPECT_EQ(document_.headers(), (std::vector<TextWordSpecial*>{early, third, seventh}));

    // Footers keep a list of their own in the same order.
    TextWordSpecial* footer = markerAt(0, 2, TextWordFooterMarker);
    document_.addFooter(seventh);
    document_.addFooter(footer);
    EXPECT_EQ(document_.footers(), (std::vector<TextWordSpecial*>{footer, seventh}));

    document_.removeHeader(third);
    EXPECT_EQ(document_.headers(), (std::vector<TextWordSpecial*>{early, seventh}));
    document_.removeFooter(footer);
    EXPECT_EQ(document_.footers(), (std::vector<TextWordSpecial*>{seventh}));
}

TEST_F(MarkerOrderTest, AddingAHeaderMarksTheDocumentEdited)
{
    ASSERT_FALSE(document_.isEdited());
    document_.addHeader(markerAt(0, 0));
    EXPECT_TRUE(document_.isEdited());
    document_.setEdited(false);
    document_.addFooter(markerAt(0, 1, TextWordFooterMarker));
    EXPECT_TRUE(document_.isEdited());
}

TEST_F(MarkerOrderTest, FootnotesKeepTheOrderAddedWithoutEditedMark)
{
    TextWordSpecial* late = markerAt(1, 4, TextWordFootnoteMarker);
    TextWordSpecial* early = markerAt(0, 0, TextWordFootnoteMarker);
    document_.addFootnote(late);
    document_.addFootnote(early);
    document_.addFootnote(late);
    EXPECT_EQ(document_.footnotes(), (std::vector<TextWordSpecial*>{late, early}));
    EXPECT_FALSE(document_.isEdited());
    document_.removeFootnote(late);
    EXPECT_EQ(document_.footnotes(), (std::vector<TextWordSpecial*>{early}));
}

} // namespace
