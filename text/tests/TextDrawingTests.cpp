
TEST_F(DrawingTest, AWordOverMoreThanAHundredAndSixtyLinesIsDrawnAndHighlightedWhole)
{
    makeChain(1, 12, 100000);
    const std::string digits(400, '7');
    type(digits.c_str());
    layOut();
    ASSERT_EQ(word(0, 0)->numWordPieces(), 200);
    draw();
    std::string text = shownText();
    EXPECT_EQ(std::count(text.begin(), text.end(), '-'), 199);
    std::erase(text, ' ');
    std::erase(text, '-');
    EXPECT_EQ(text, digits);

    TextSelection selection;
    const textPoint a{0, 0, 1}, b{0, 0, 399};
    selection.selectBetween(&a, &b, flow_.get(), SelectionChar, false);
    const std::vector<kit::Rect> got = selection.highlightRectsInItem(columns_[0]);
    ASSERT_EQ(got.size(), 3u);
    EXPECT_TRUE(kit::equalRects(got[0], kit::makeRect(0, 0, 12, 2000))) << kit::stringFromRect(got[0]);
}
