#include "TextTestSupport.h"

TEST_F(TextTest, MeasuresEveryCharacterInTheFixtureFont)
{
    setSmartPunctuation(false);
    TextWord* word = addWord("abc ");
    EXPECT_EQ(word->length(), 4);
    for (int i = 0; i < 3; ++i)
        EXPECT_FLOAT_EQ(word->widthOfCharAtIdx(i), 6.0f) << i;
    // The trailing space is not measured.
    EXPECT_FLOAT_EQ(word->xWidthForPiece(0), 18.0f);
    EXPECT_FLOAT_EQ(word->spaceWidth(), 6.0f);
}
