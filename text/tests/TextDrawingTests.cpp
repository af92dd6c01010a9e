#include "HigherLayers.h"
#include "TextTestSupport.h"

#include "ColumnChainSupport.h"

#include "foundation/FontAccessoryValues.h"
#include "foundation/Paint.h"
#include "graphics/FontManager.h"
#include "graphics/PostScriptContext.h"
#include "graphics/RasterContext.h"
#include "graphics/RecordingContext.h"
#include "text/TextParagraphDrawing.h"
#include "text/TextSelection.h"

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

// Text laid out in the fixture font (6 points a glyph at 10 points, lines
// 10 high, baselines 8 below their top) and drawn into the recording context.

namespace {

struct Stroke {
    float x, y, w;
    std::string color; // the last colour operator before it
};

struct Mark {
    unsigned char glyph;
    float x, y;
};

class DrawingTest : public TextTest {
protected:
    void SetUp() override
    {
        TextTest::SetUp();
        setSmartPunctuation(false);
        document_ = std::make_unique<LayoutDocument>(delegate_->preferences());
        document_->setDefaultTabSpacing(0);
        view_.setDocument(document_.get());
        recording_.setDrawingToScreen(true);
    }

    void TearDown() override
    {
        document_.reset();
        flow_.reset();
        TextTest::TearDown();
    }

    // A new flow and document: the columns go before the flow they show.
    // The text typed next has the type-style flags given.
    void restart(unsigned short special = 0)
    {
        document_.reset();
        columns_.clear();
        flow_ = std::make_unique<TextFlow>();
        flow_->firstParagraph()->paragraphStyle()->setFont(font_);
        flow_->firstParagraph()->paragraphStyle()->charStyle()->setSpecial(special);
        auto typing = std::make_unique<StyleChar>();
        typing->setFont(font_);
        typing->setSpecial(special);
        flow_->setCharStyle(std::move(typing));
        document_ = std::make_unique<LayoutDocument>(delegate_->preferences());
        document_->setDefaultTabSpacing(0);
        view_.setDocument(document_.get());
    }

    void makeChain(int count, float width, float height)
    {
        appendColumnChain(*document_, *flow_, columns_, count, width, height);
    }

    void type(const char* text) { typeInto(*flow_, text); }

    void layOut() { flow_->recomputeAll(); }

    // Draws what the column shows of the flow, from scratch.
    bool draw(int column = 0)
    {
        recording_.reset();
        kit::DrawContext::Scope scope(recording_);
        return flow_->drawSelfInView(view_.paint(recording_, {}), columns_[std::size_t(column)], kit::makeRect(-1000, -1000, 5000, 5000));
    }

    TextParagraph* para(int i) { return flow_->paragraphAtIndex(i); }
    TextWord* word(int p, int w) { return para(p)->wordAtIndex(w); }

    std::vector<const kit::RecordedOp*> ops(const char* name) const
    {
        std::vector<const kit::RecordedOp*> found;
        for (const kit::RecordedOp& op : recording_.ops())
            if (op.name == name)
                found.push_back(&op);
        return found;
    }

    // Every glyph shown with xyshow, in order.
    std::string shownText() const
    {
        std::string all;
        for (const kit::RecordedOp* op : ops("xyshow"))
            all += op->text;
        return all;
    }

    // The single strokes "x y moveto w 0 rlineto stroke" of decorations.
    std::vector<Stroke> strokes() const
    {
        std::vector<Stroke> found;
        std::string color;
        const auto& all = recording_.ops();
        for (std::size_t i = 0; i + 2 < all.size(); ++i) {
            const std::string& n = all[i].name;
            if (n == "setgray" || n == "setrgbcolor" || n == "setcmykcolor")
                color = all[i].toString();
            if (n == "moveto" && all[i + 1].name == "rlineto" && all[i + 2].name == "stroke")
                found.push_back({all[i].numbers[0], all[i].numbers[1], all[i + 1].numbers[0], color});
        }
        return found;
    }

    // The marks of the last xyshow that starts with a blank, placed from
    // the moveto before it.
    std::vector<Mark> marks() const
    {
        std::vector<Mark> found;
        const auto& all = recording_.ops();
        for (std::size_t i = all.size(); i-- > 1;) {
            if (all[i].name != "xyshow" || all[i].text.empty() || all[i].text[0] != ' ' ||
                all[i - 1].name != "moveto")
                continue;
            float x = all[i - 1].numbers[0], y = all[i - 1].numbers[1];
            for (std::size_t k = 1; k < all[i].text.size(); ++k) {
                x += all[i].numbers[2 * (k - 1)];
                y += all[i].numbers[2 * (k - 1) + 1];
                found.push_back({static_cast<unsigned char>(all[i].text[k]), x, y});
            }
            break;
        }
        return found;
    }

    std::unique_ptr<LayoutDocument> document_;
    std::vector<TextItem*> columns_;
    PageView view_;
    kit::RecordingContext recording_;
};

} // namespace

TEST_F(DrawingTest, UnderlineRunsSplitAtAColourChangeAndAtALineEnd)
{
    struct Case {
        const char* name;
        float width;
        const char* text;
        int colourAt; // letter of word 0 where red begins; -1 none
        std::vector<Stroke> expected;
    };
    const Case cases[] = {
        {"colour change", 200, "abcdef", 3,
         {{0, 9, 18, "setcmykcolor 0 0 0 1"}, {18, 9, 18, "setrgbcolor 1 0 0"}}},
        {"wrap", 60, "aaaa bbbbb cc", -1, {{0, 9, 24, ""}, {0, 19, 48, ""}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        restart(StyleUnderlineFlag);
        makeChain(1, c.width, 500);
        type(c.text);
        if (c.colourAt >= 0) {
            auto red = flow_->firstParagraph()->charStyle()->copy();
            red->setColor(kit::Color::redColor());
            word(0, 0)->addCharStyle(std::move(red), c.colourAt);
        }
        layOut();
        draw();
        const std::vector<Stroke> got = strokes();
        ASSERT_EQ(got.size(), c.expected.size());
        for (std::size_t i = 0; i < got.size(); ++i) {
            EXPECT_FLOAT_EQ(got[i].x, c.expected[i].x);
            EXPECT_FLOAT_EQ(got[i].y, c.expected[i].y);
            EXPECT_FLOAT_EQ(got[i].w, c.expected[i].w);
            if (!c.expected[i].color.empty()) {
                EXPECT_EQ(got[i].color, c.expected[i].color);
            }
        }
    }
}

TEST_F(DrawingTest, WordUnderlineLeavesTheGapsAndTabsUnlined)
{
    struct Case {
        const char* text;
        int words;
    };
    for (const Case& c : {Case{"aa bb", 2}, Case{"aa\tbb", 3}}) {
        SCOPED_TRACE(c.text);
        restart(StyleWordUnderlineFlag);
        document_->setDefaultTabSpacing(36);
        makeChain(1, 200, 500);
        type(c.text);
        layOut();
        ASSERT_EQ(para(0)->wordCount(), c.words);
        draw();
        const float second = word(0, c.words - 1)->xOriginForPiece(0);
        ASSERT_GT(second, 12.0f);
        const std::vector<Stroke> got = strokes();
        ASSERT_EQ(got.size(), 2u);
        EXPECT_FLOAT_EQ(got[0].x, 0);
        EXPECT_FLOAT_EQ(got[0].w, 12);
        EXPECT_FLOAT_EQ(got[1].x, second);
        EXPECT_FLOAT_EQ(got[1].w, 12);
    }
}

TEST_F(DrawingTest, APieceEndGetsAHyphenUnlessItEndsInADash)
{
    struct Case {
        const char* text;
        const char* shown;
    };
    const Case cases[] = {
        {"123456789012345", "1234567890- 12345"},
        {"123456789-12345", "123456789- 12345"},
        {"123456789\xD0"
         "12345",
         "123456789\xD0 12345"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        restart();
        makeChain(1, 60, 500);
        type(c.text);
        layOut();
        ASSERT_EQ(word(0, 0)->numWordPieces(), 2);
        draw();
        EXPECT_EQ(shownText(), c.shown);
    }
}

TEST_F(DrawingTest, AWordCutByTheColumnEndGetsItsHyphenThere)
{
    makeChain(2, 60, 10);
    type("123456789012345");
    layOut();
    ASSERT_EQ(columns_[1]->startParagraph(), 0);
    EXPECT_FALSE(draw(0)); // nothing after the paragraph: the column ends inside it
    EXPECT_EQ(shownText(), "1234567890-");
    draw(1);
    EXPECT_EQ(shownText(), "12345");
}

TEST_F(DrawingTest, WordsBecomeBoxesAtAQuarterZoomOnScreenOnly)
{
    struct Case {
        float zoom;
        bool screen;
        bool boxes;
    };
    makeChain(1, 200, 500);
    type("abc def");
    layOut();
    for (const Case& c : {Case{0.25f, true, true}, Case{0.1f, true, true}, Case{0.26f, true, false},
                          Case{0.25f, false, false}}) {
        SCOPED_TRACE(c.zoom);
        view_.setZoom(c.zoom);
        recording_.setDrawingToScreen(c.screen);
        draw();
        EXPECT_EQ(recording_.count("xyshow") == 0, c.boxes);
        EXPECT_EQ(recording_.count("rectfill"), c.boxes ? 2u : 0u);
    }
}

TEST_F(DrawingTest, MarkersSitBetweenWordsAndAfterTheParagraph)
{
    document_->setShowTextMarkers(true);
    flow_->firstParagraph()->paragraphStyle()->setAlignment(3);
    makeChain(1, 60, 500);
    type("ab cd efghij");
    layOut();
    const float cd = word(0, 1)->xOriginForPiece(0);
    ASSERT_GT(cd, 18.0f); // justified: the gap is wider than a space
    draw();
    const std::vector<Mark> got = marks();
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0].glyph, TextSpaceMarker);
    EXPECT_FLOAT_EQ(got[0].x, 12 + ((cd - 12) - 6) / 2);
    EXPECT_FLOAT_EQ(got[0].y, 8);
    EXPECT_EQ(got[1].glyph, TextSpaceMarker); // after "cd", whose next word is on the next line
    EXPECT_FLOAT_EQ(got[1].x, cd + 12);
    EXPECT_FLOAT_EQ(got[1].y, 8);
    EXPECT_EQ(got[2].glyph, TextParagraphMarker);
    EXPECT_FLOAT_EQ(got[2].x, 36);
    EXPECT_FLOAT_EQ(got[2].y, 18);

    // Printing shows none.
    recording_.setDrawingToScreen(false);
    draw();
    EXPECT_TRUE(marks().empty());
}

TEST_F(DrawingTest, TheMarkerListStopsAtItsBound)
{
    document_->setShowTextMarkers(true);
    makeChain(1, 400, 100000);
    for (int i = 0; i < 1100; ++i)
        type("ab ");
    layOut();
    ASSERT_GT(para(0)->wordCount(), TextMarkerList::Capacity);
    draw();
    EXPECT_EQ(int(marks().size()), TextMarkerList::Capacity);
}

TEST_F(DrawingTest, BatchesAreSentAtTheThresholdOfTheOutput)
{
    struct Case {
        bool screen, eps;
        int count;
        bool sent;
    };
    const Case cases[] = {
        {true, false, 4093, false}, {true, false, 4094, true},  {false, true, 4093, false},
        {false, true, 4094, true},  {false, false, 197, false}, {false, false, 198, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.screen << c.eps << " " << c.count);
        kit::RecordingContext context;
        context.setDrawingToScreen(c.screen);
        context.setEPSOperation(c.eps);
        context.selectfont(font_);
        context.moveto(0, 0);
        TextGlyphBatch batch(context);
        for (int i = 0; i < c.count; ++i)
            batch.add('a', 6, 0);
        flushXYbuffIfNeeded(batch);
        EXPECT_EQ(context.count("xyshow"), c.sent ? 1u : 0u);
        EXPECT_EQ(batch.count(), c.sent ? 0 : c.count);
    }
}

TEST_F(DrawingTest, TheBatchNeverOverflows)
{
    kit::RecordingContext context;
    context.selectfont(font_);
    context.moveto(0, 0);
    TextGlyphBatch batch(context);
    for (int i = 0; i < 5000; ++i)
        batch.add('a', 6, 0);
    batch.addVerticalMove(2);
    flushXYbuff(batch);
    const auto& all = context.ops();
    ASSERT_EQ(all.size(), 4u); // selectfont, moveto, two xyshows
    EXPECT_EQ(all[2].text.size(), std::size_t(TextGlyphBatch::Capacity));
    EXPECT_EQ(all[3].text.size(), std::size_t(5000 - TextGlyphBatch::Capacity));
    EXPECT_FLOAT_EQ(all[3].numbers.back(), 2);
}

TEST_F(DrawingTest, ALongParagraphIsSentInBatchesOfTheOutputsSize)
{
    makeChain(1, 400, 100000);
    std::string letters;
    for (int i = 0; i < 1500; ++i) {
        type("abcd ");
        letters += "abcd";
    }
    layOut();
    struct Case {
        bool screen;
        std::size_t batch;
    };
    for (const Case& c : {Case{true, 4094}, Case{false, 200}}) {
        SCOPED_TRACE(c.screen);
        recording_.setDrawingToScreen(c.screen);
        draw();
        const auto shows = ops("xyshow");
        ASSERT_GT(shows.size(), 1u);
        EXPECT_EQ(shows.front()->text.size(), c.batch);
        for (const kit::RecordedOp* op : shows)
            EXPECT_LE(op->text.size(), c.batch);
        std::string text = shownText();
        std::erase(text, ' ');
        EXPECT_EQ(text, letters);
    }
}

TEST_F(DrawingTest, AColumnWithoutTextDrawsNothing)
{
    makeChain(2, 200, 500);
    type("short");
    layOut();
    ASSERT_LT(columns_[1]->startParagraph(), 0);
    EXPECT_FALSE(draw(1));
    EXPECT_EQ(recording_.count("xyshow"), 0u);
}

TEST_F(DrawingTest, ErasingTakesColouredTextToo)
{
    makeChain(1, 200, 500);
    type("abc def");
    auto red = flow_->firstParagraph()->charStyle()->copy();
    red->setColor(kit::Color::redColor());
    word(0, 1)->addCharStyle(std::move(red), 0);
    layOut();
    recording_.reset();
    {
        kit::DrawContext::Scope scope(recording_);
        flow_->whiteSelfInView(view_.paint(recording_, {}), columns_[0], kit::makeRect(0, 0, 200, 500));
    }
    ASSERT_EQ(shownText(), "abc def");
    for (const kit::RecordedOp& op : recording_.ops()) {
        EXPECT_NE(op.name, "setrgbcolor");
        EXPECT_NE(op.name, "setcmykcolor");
    }
    EXPECT_GE(recording_.count("setgray"), 1u);
}

TEST_F(DrawingTest, HighlightTakesOneOrThreeRectanglesInAColumn)
{
    makeChain(1, 60, 500);
    // Lines: "aaaa" / "bbbbb cc" / "dd eeee"
    type("aaaa bbbbb cc dd eeee");
    layOut();
    ASSERT_FLOAT_EQ(word(0, 3)->lineStartForPiece(0), 20);
    struct Case {
        const char* name;
        textPoint a, b;
        std::vector<kit::Rect> expected;
    };
    const Case cases[] = {
        {"two words of one line", {0, 1, 1}, {0, 2, 1}, {kit::makeRect(6, 10, 36, 10)}},
        {"line 1 to line 3",
         {0, 0, 2},
         {0, 4, 1},
         {kit::makeRect(0, 0, 60, 30), kit::makeRect(0, 0, 12, 10), kit::makeRect(24, 20, 36, 10)}},
        {"end of line 1 to start of line 2", {0, 0, 3}, {0, 1, 1},
         {kit::makeRect(18, 0, 42, 10), kit::makeRect(0, 10, 6, 10)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TextSelection selection;
        selection.selectBetween(&c.a, &c.b, flow_.get(), SelectionChar, false);
        const std::vector<kit::Rect> got = selection.highlightRectsInItem(columns_[0]);
        ASSERT_EQ(got.size(), c.expected.size());
        for (std::size_t i = 0; i < got.size(); ++i)
            EXPECT_TRUE(kit::equalRects(got[i], c.expected[i]))
                << kit::stringFromRect(got[i]) << " != " << kit::stringFromRect(c.expected[i]);
    }
}

// A highlight never reaches past what its column draws, and so redraws: a
// first line indented to the left widens the paragraph's box, but hangs in
// one column only.
TEST_F(DrawingTest, AHighlightStaysInsideTheAreaOfItsColumn)
{
    makeChain(2, 60, 30);
    type("aaaa bbbb cccc dddd eeee ffff gggg hhhh");
    std::unique_ptr<StyleParagraph> style = paragraph_->paragraphStyle()->copy();
    style->setIndentDeltaFirst(-6);
    paragraph_->setStylePara(style.get(), false, false);
    layOut();
    ASSERT_EQ(columns_[1]->startParagraph(), 0);
    struct Case {
        const char* name;
        textPoint a, b;
    } cases[] = {{"the whole paragraph", {0, 0, 0}, {0, 7, 4}},
                 {"from the second line into the next column", {0, 2, 2}, {0, 6, 1}},
                 {"from the first line into the next column", {0, 0, 2}, {0, 5, 1}}};
    for (const Case& c : cases) {
        TextSelection selection;
        selection.selectBetween(&c.a, &c.b, flow_.get(), SelectionChar, false);
        for (std::size_t i = 0; i < columns_.size(); ++i) {
            kit::Rect area{};
            columns_[i]->getUpdateBounds(&area, nullptr);
            area = kit::offsetRect(area, -columns_[i]->frame().origin.x, -columns_[i]->frame().origin.y);
            for (const kit::Rect& r : selection.highlightRectsInItem(columns_[i])) {
                SCOPED_TRACE(std::string(c.name) + ", column " + std::to_string(i) + ": " + kit::stringFromRect(r) +
                             " in " + kit::stringFromRect(area));
                EXPECT_GE(r.size.width, 0);
                EXPECT_GE(r.size.height, 0);
                EXPECT_GE(kit::minX(r), kit::minX(area));
                EXPECT_LE(kit::maxX(r), kit::maxX(area));
                EXPECT_GE(kit::minY(r), kit::minY(area));
                EXPECT_LE(kit::maxY(r), kit::maxY(area));
            }
        }
    }
}

TEST_F(DrawingTest, AColumnBetweenTheEndsIsHighlightedWhole)
{
    makeChain(3, 60, 10);
    type("aaaa bbbb cccc dddd eeee ffff");
    layOut();
    ASSERT_EQ(columns_[2]->startPoint().word, 4);
    TextSelection selection;
    const textPoint a{0, 0, 1}, b{0, 5, 2};
    selection.selectBetween(&a, &b, flow_.get(), SelectionChar, false);
    const std::vector<kit::Rect> got = selection.highlightRectsInItem(columns_[1]);
    ASSERT_EQ(got.size(), 3u);
    EXPECT_TRUE(kit::equalRects(got[0], kit::makeRect(0, 0, 60, 10))) << kit::stringFromRect(got[0]);
    EXPECT_FLOAT_EQ(got[1].size.width, 0);
    EXPECT_FLOAT_EQ(got[2].size.width, 0);

    // Drawn on screen, each is inverted once.
    recording_.reset();
    {
        kit::DrawContext::Scope scope(recording_);
        selection.drawSelfInItem(columns_[1], view_.paint(recording_, {}));
    }
    EXPECT_EQ(recording_.count("highlightRect"), got.size());
}

namespace {

class RecordingAccessory : public FontAccessoryValues {
public:
    float condense() const override { return 1; }
    float tracking() const override { return 0; }
    float leading() const override { return 0; }
    float vertical() const override { return 0; }
    float wordSpaceOnly() const override { return 0; }
    void setNewLeading(float v) override { leading_ = v; }
    void setNewTracking(float v) override { tracking_ = v; }
    void setNewVertical(float v) override { vertical_ = v; }
    void setNewCondense(float v) override { condense_ = v; }
    float leading_ = 0, tracking_ = 0, vertical_ = 0, condense_ = 0;
};

} // namespace

TEST_F(DrawingTest, ThePanelShowsMixedValuesAsTheMarker)
{
    makeChain(1, 200, 500);
    type("abc def");
    layOut();
    kit::Font* other = fixtureFont(12);
    auto second = flow_->firstParagraph()->charStyle()->copy();
    second->setTracking(5);
    second->setFont(other);
    word(0, 1)->addCharStyle(std::move(second), 0);

    RecordingAccessory accessory;
    StyleChar::setFontAccessoryHook([&](bool) { return &accessory; });
    TextSelection selection;
    const textPoint a{0, 0, 1}, b{0, 1, 2};
    selection.selectBetween(&a, &b, flow_.get(), SelectionChar, false);
    selection.updateFontPanel();
    StyleChar::setFontAccessoryHook(nullptr);

    EXPECT_FLOAT_EQ(accessory.tracking_, StyleMixedValue);
    EXPECT_FLOAT_EQ(accessory.leading_, flow_->firstParagraph()->charStyle()->leading());
    EXPECT_FLOAT_EQ(accessory.vertical_, 0);
    EXPECT_EQ(kit::FontManager::sharedFontManager().selectedFont(), font_);
    EXPECT_TRUE(kit::FontManager::sharedFontManager().isMultiple());
    // Typing goes on in the start's style.
    EXPECT_EQ(flow_->charStyle()->font(), font_);

    // Within one run nothing is mixed.
    RecordingAccessory plain;
    StyleChar::setFontAccessoryHook([&](bool) { return &plain; });
    const textPoint c{0, 1, 0}, d{0, 1, 2};
    selection.selectBetween(&c, &d, flow_.get(), SelectionChar, false);
    selection.updateFontPanel();
    StyleChar::setFontAccessoryHook(nullptr);
    EXPECT_FLOAT_EQ(plain.tracking_, 5);
    EXPECT_FALSE(kit::FontManager::sharedFontManager().isMultiple());
    EXPECT_EQ(kit::FontManager::sharedFontManager().selectedFont(), other);
}

// The panel shows the font at the selection's start and whether other fonts
// are selected too, however long the runs between: a run in another font in
// the middle of a long paragraph, a paragraph whose own style has it.
TEST_F(DrawingTest, ThePanelShowsTheStartsFontAndWhetherTheSelectionMixesFonts)
{
    makeChain(1, 400, 5000);
    std::string text;
    for (int i = 0; i < 300; ++i)
        text += "word ";
    text += "end\nsecond paragraph here\nthird";
    type(text.c_str());
    ASSERT_EQ(flow_->paragraphCount(), 3);
    kit::Font* other = fixtureFont(12);
    auto otherRun = para(0)->charStyle()->copy();
    otherRun->setFont(other);
    otherRun->setTracking(5);
    word(0, 100)->addCharStyle(std::move(otherRun), 0);
    word(0, 200)->addCharStyle(para(0)->charStyle()->copy(), 0);
    std::unique_ptr<StyleParagraph> otherParagraph = para(1)->paragraphStyle()->copy();
    otherParagraph->setFont(other);
    otherParagraph->charStyle()->setTracking(5);
    para(1)->setParagraphStyle(std::move(otherParagraph));
    ASSERT_EQ(para(1)->charStyle()->font(), other);
    ASSERT_EQ(para(2)->charStyle()->font(), font_);
    layOut();
    const float tracking = para(0)->charStyle()->tracking();

    struct Case {
        const char* name;
        textPoint a, b;
        bool otherFont; // the font at the start
        bool multiple;
    } cases[] = {
        {"in the paragraph's own style", {0, 0, 0}, {0, 50, 2}, false, false},
        {"into the other run", {0, 50, 0}, {0, 150, 2}, false, true},
        {"inside the other run", {0, 120, 0}, {0, 180, 2}, true, false},
        {"out of the other run", {0, 150, 0}, {0, 250, 1}, true, true},
        {"the whole long paragraph", {0, 0, 0}, {0, 300, 3}, false, true},
        {"the paragraph in the other style", {1, 0, 0}, {1, 2, 4}, true, false},
        {"into the paragraph in the other style", {0, 250, 0}, {1, 1, 3}, false, true},
        {"up to the start of that paragraph", {0, 250, 0}, {1, 0, 0}, false, false},
        {"from that paragraph into the next", {1, 1, 0}, {2, 0, 3}, true, true},
        {"everything", {0, 0, 0}, {2, 0, 5}, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingAccessory accessory;
        StyleChar::setFontAccessoryHook([&](bool) { return &accessory; });
        TextSelection selection;
        selection.selectBetween(&c.a, &c.b, flow_.get(), SelectionChar, false);
        selection.updateFontPanel();
        StyleChar::setFontAccessoryHook(nullptr);
        EXPECT_EQ(kit::FontManager::sharedFontManager().selectedFont(), c.otherFont ? other : font_);
        EXPECT_EQ(kit::FontManager::sharedFontManager().isMultiple(), c.multiple);
        EXPECT_FLOAT_EQ(accessory.tracking_, c.multiple ? StyleMixedValue : c.otherFont ? 5.0f : tracking);
    }
}

TEST_F(DrawingTest, AColumnDrawsItsTextAtItsOriginAndNotesWhetherItContinues)
{
    makeChain(3, 60, 10);
    columns_[0]->setFrame(kit::makeRect(72, 90, 60, 10), false);
    type("aaaa bbbb cccc dddd\nee");
    layOut();
    ASSERT_EQ(columns_[1]->startParagraph(), 0);
    ASSERT_EQ(columns_[2]->startParagraph(), 1);
    // Paragraphs after the last one drawn: the first column ends inside
    // paragraph 0, the second at the end of it.
    struct Case {
        int column;
        bool continues;
    };
    for (const Case& c : {Case{0, true}, Case{1, false}}) {
        SCOPED_TRACE(c.column);
        TextItem* column = columns_[std::size_t(c.column)];
        recording_.reset();
        column->drawSelf(view_.paint(recording_, {}), kit::makeRect(0, 0, 612, 792));
        EXPECT_EQ(column->textContinues(), c.continues);
        EXPECT_EQ(shownText(), c.column == 0 ? "aaaa bbbb" : "cccc dddd");
        const auto moves = ops("translate");
        ASSERT_FALSE(moves.empty());
        EXPECT_FLOAT_EQ(moves.front()->numbers[0], column->frame().origin.x);
        EXPECT_FLOAT_EQ(moves.front()->numbers[1], column->frame().origin.y);
        EXPECT_EQ(recording_.gsaveDepth(), 0);
    }
    // Outside the rectangle asked for, nothing is drawn.
    recording_.reset();
    columns_[0]->drawSelf(view_.paint(recording_, {}), kit::makeRect(300, 300, 10, 10));
    EXPECT_EQ(recording_.count("xyshow"), 0u);
}

TEST_F(DrawingTest, FastDrawingShowsBarsForLines)
{
    makeChain(1, 60, 100);
    columns_[0]->setFrame(kit::makeRect(10, 20, 60, 100), false);
    recording_.reset();
    {
        kit::DrawContext::Scope scope(recording_);
        EXPECT_TRUE(columns_[0]->drawFastInView(view_.paint(recording_, {}), kit::makeRect(0, 0, 612, 792)));
    }
    const auto fills = ops("rectfill");
    ASSERT_EQ(fills.size(), 1u);
    const std::vector<float>& n = fills[0]->numbers;
    ASSERT_EQ(n.size(), 12u); // bars at 20, 53.94 and 87.89
    for (int i = 0; i < 3; ++i) {
        EXPECT_FLOAT_EQ(n[std::size_t(4 * i)], 10);
        EXPECT_NEAR(n[std::size_t(4 * i + 1)], 20 + 33.9426f * float(i), 1e-3);
        EXPECT_FLOAT_EQ(n[std::size_t(4 * i + 2)], 60);
        EXPECT_FLOAT_EQ(n[std::size_t(4 * i + 3)], 1.25f);
    }
}

TEST_F(DrawingTest, AQuickRedrawStartsAtASelectionInAnEarlierColumn)
{
    makeChain(3, 60, 10);
    type("aaaa\nbbbb\ncccc");
    layOut();
    ASSERT_EQ(columns_[2]->startParagraph(), 2);
    TextItem* from = nullptr;
    int paragraph = -1;
    // From the column the paragraph before ends in: the paragraph may just
    // have left it.
    columns_[2]->quickRedrawStart(&from, &paragraph);
    EXPECT_EQ(from, columns_[1]);
    EXPECT_EQ(paragraph, 2);

    auto selection = std::make_unique<TextSelection>();
    const textPoint a{0, 0, 1}, b{2, 0, 2};
    selection->selectBetween(&a, &b, flow_.get(), SelectionChar, false);
    flow_->setTextSelection(std::move(selection));
    columns_[2]->quickRedrawStart(&from, &paragraph);
    EXPECT_EQ(from, columns_[0]);
    EXPECT_EQ(paragraph, 0);
}

// A paragraph changed in a later column it runs on into (a larger font
// made it longer) is redrawn from the column it begins in.
TEST_F(DrawingTest, AQuickRedrawStartsInTheColumnItsParagraphBeginsIn)
{
    makeChain(3, 60, 10);
    type("aaaa bbbb cccc dddd\nee");
    layOut();
    ASSERT_EQ(para(0)->firstItem(), columns_[0]);
    ASSERT_EQ(columns_[1]->startParagraph(), 0);
    TextItem* from = nullptr;
    int paragraph = -1;
    auto selection = std::make_unique<TextSelection>();
    const textPoint a{0, 0, 0}, b{0, 3, 4};
    selection->selectBetween(&a, &b, flow_.get(), SelectionChar, false);
    flow_->setTextSelection(std::move(selection));
    columns_[1]->quickRedrawStart(&from, &paragraph);
    EXPECT_EQ(from, columns_[0]);
    EXPECT_EQ(paragraph, 0);
}

// A left indent wider than the column is cut back by the layout: a redraw
// of only the part of the column where the text stands draws it.
TEST_F(DrawingTest, TextLeftOfAnIndentWiderThanItsColumnIsDrawnInAPartialRedraw)
{
    makeChain(1, 26, 40);
    columns_[0]->setFrame(kit::makeRect(100, 100, 26, 40), false);
    para(0)->paragraphStyle()->setIndentLeft(48);
    type("a");
    layOut();
    const float x = word(0, 0)->xOriginForPiece(0);
    ASSERT_LT(x, 26.0f);
    recording_.reset();
    columns_[0]->drawSelf(view_.paint(recording_, {}), kit::makeRect(100 + x + 3, 100, 2, 12));
    EXPECT_EQ(shownText(), "a");
}

// Tracking tighter than the glyphs are wide moves the pen back along the
// word: its glyphs stand left of where its piece begins, and a redraw there
// (the caret's old place) must draw them as the whole column does.
TEST_F(DrawingTest, AWordTrackedBackwardsIsDrawnInAPartialRedrawLeftOfItsPiece)
{
    makeChain(1, 200, 40);
    columns_[0]->setFrame(kit::makeRect(100, 100, 200, 40), false);
    type("abcdefgh ");
    flow_->charStyle()->setTracking(-10);
    type("xxxxxxxxxx");
    layOut();
    TextWord* tracked = word(0, 1);
    ASSERT_EQ(std::string(tracked->text(), std::size_t(tracked->length())), "xxxxxxxxxx");
    const float x = tracked->xOriginForPiece(0);
    ASSERT_GT(x - 36, 0.0f);
    // Its last glyph stands 36 points left of the piece's origin.
    recording_.reset();
    columns_[0]->drawSelf(view_.paint(recording_, {}), kit::makeRect(100 + x - 36, 100, 2, 12));
    EXPECT_NE(shownText().find("xxxxxxxxxx"), std::string::npos) << shownText();
}

TEST_F(DrawingTest, TextStandsUprightOnAPageWhoseCoordinatesRunDownward)
{
    kit::Font* times = kit::Font::fontWithName("Times-Roman", 24);
    ASSERT_NE(times, nullptr);
    restart();
    flow_->firstParagraph()->paragraphStyle()->setFont(times);
    flow_->charStyle()->setFont(times);
    makeChain(1, 180, 80);
    columns_[0]->setFrame(kit::makeRect(10, 10, 180, 80), false);
    type("HHH");
    layOut();
    const int baseline = int(10 + word(0, 0)->yOriginForPiece(0));

    kit::RasterContext raster(200, 100, 72);
    raster.fillImage(0xFFFFFFFF);
    raster.translate(0, 100);
    raster.scale(1, -1);
    columns_[0]->drawSelf(Paint::into(raster), kit::makeRect(0, 0, 200, 100));
    int top = 100, bottom = -1;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x)
            if ((raster.pixel(x, y) & 0xFF) < 0x80) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    ASSERT_GE(bottom, 0) << "nothing drawn";
    // Capitals stand on the baseline and reach up from it.
    EXPECT_LE(bottom, baseline + 1);
    EXPECT_GE(top, baseline - 24);
    EXPECT_LE(top, baseline - 12);
}

TEST_F(DrawingTest, AWordOverMoreThanAHundredAndSixtyLinesIsDrawnAndHighlightedWhole)
{
    makeChain(1, 12, 100000);
    const std::string digits(400, '7');
    type(digits.c_str());
    layOut();
    ASSERT_EQ(para(0)->wordCount(), 1);
    const int pieces = word(0, 0)->numWordPieces();
    ASSERT_GT(pieces, 160);
    draw();
    std::string text = shownText();
    EXPECT_EQ(std::count(text.begin(), text.end(), '-'), pieces - 1);
    std::erase(text, ' ');
    std::erase(text, '-');
    EXPECT_EQ(text, digits);

    TextSelection selection;
    const textPoint a{0, 0, 1}, b{0, 0, 399};
    selection.selectBetween(&a, &b, flow_.get(), SelectionChar, false);
    const std::vector<kit::Rect> got = selection.highlightRectsInItem(columns_[0]);
    ASSERT_EQ(got.size(), 3u);
    EXPECT_TRUE(kit::equalRects(got[0], kit::makeRect(0, 0, 12, 10.0f * float(pieces))))
        << kit::stringFromRect(got[0]);
}

// Blanks at the start of a paragraph whose style names no font (and no
// default font to fall back on) cannot be shown, but their moves still place
// the words after them.
TEST_F(DrawingTest, BlanksBeforeAnyFontStillMoveTheTextAfterThem)
{
    makeChain(1, 200, 100);
    type("   ab cd");
    layOut();
    ASSERT_EQ(para(0)->wordCount(), 5);
    para(0)->paragraphStyle()->charStyle()->setFont(nullptr);
    auto own = std::make_unique<StyleChar>();
    own->setFont(font_);
    word(0, 3)->addCharStyle(std::move(own), 0);
    draw();
    // Where the recorded operators put the first glyph of "ab".
    float x = 0;
    bool found = false;
    for (const kit::RecordedOp& op : recording_.ops()) {
        if (op.name == "moveto") {
            x = op.numbers[0];
        } else if (op.name == "rmoveto") {
            x += op.numbers[0];
        } else if (op.name == "xyshow") {
            for (std::size_t i = 0; i < op.text.size() && !found; ++i) {
                if (op.text[i] == 'a')
                    found = true;
                else
                    x += op.numbers[2 * i];
            }
        }
        if (found)
            break;
    }
    ASSERT_TRUE(found) << shownText();
    EXPECT_FLOAT_EQ(x, word(0, 3)->xOriginForPiece(0));
    EXPECT_EQ(shownText(), "ab cd");
}

// Printed on a page whose coordinates run downward, the text's font goes
// out once where the text takes it: never selected and then flipped, never
// sent again while it is the current one.
TEST_F(DrawingTest, APrintedFontIsSentOnceWhereTheTextTakesIt)
{
    makeChain(1, 300, 200);
    type("first paragraph\rsecond with a big word here");
    auto big = std::make_unique<StyleChar>();
    big->setFont(fixtureFont(20));
    word(1, 3)->addCharStyle(std::move(big), 0);
    auto normal = std::make_unique<StyleChar>();
    normal->setFont(font_);
    word(1, 4)->addCharStyle(std::move(normal), 0);
    // A style entry that changes nothing: the font it names is already set.
    auto same = std::make_unique<StyleChar>();
    same->setFont(font_);
    word(1, 5)->addCharStyle(std::move(same), 0);
    layOut();

    kit::PostScriptContext ps;
    ps.beginPage("1", 1, kit::makeRect(0, 0, 612, 792));
    ps.translate(0, 792);
    ps.scale(1, -1);
    columns_[0]->drawSelf(Paint::into(ps), kit::makeRect(0, 0, 612, 792));
    ps.endDocument();
    std::vector<std::string> fonts;
    std::string previous;
    std::istringstream lines(ps.output());
    for (std::string line; std::getline(lines, line);) {
        const bool font = line.size() > 3 && line.compare(line.size() - 3, 3, " sf") == 0;
        if (font) {
            EXPECT_FALSE(previous.size() > 3 && previous.compare(previous.size() - 3, 3, " sf") == 0)
                << previous << " then " << line;
            fonts.push_back(line);
        }
        previous = line;
    }
    // Each paragraph is drawn inside its own gsave: its font, then the big
    // word's and back.
    EXPECT_EQ(fonts, (std::vector<std::string>{"/Sc-Fixed-Test [10 0 0 -10 0 0] sf", "/Sc-Fixed-Test [10 0 0 -10 0 0] sf",
                                               "/Sc-Fixed-Test [20 0 0 -20 0 0] sf", "/Sc-Fixed-Test [10 0 0 -10 0 0] sf"}));
}
