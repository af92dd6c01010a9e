#include "TextTestSupport.h"

#include "core/Archiver.h"
#include "core/Exception.h"
#include "core/Unarchiver.h"
#include "core/Values.h"
#include "foundation/StyleParagraphNamed.h"

#include <functional>

namespace {

// Paragraph styles whose own stored form is beside the point: they store
// only their left indent, in any version.
template <class Base>
class IndentOnly : public Base {
public:
    std::string className() const override { return "IndentOnly" + std::to_string(Base().isNamedStyle()); }
    void encodeWithCoder(kit::Coder& coder) const override { coder.encodeValuesOfObjCTypes("f", this->indentLeft()); }
    kit::Object* initWithCoder(kit::Coder& coder) override
    {
        float indent = 0;
        coder.decodeValuesOfObjCTypes("f", &indent);
        this->setIndentLeft(indent);
        return this;
    }
};

class FlowArchivingTest : public TextTest {
protected:
    void SetUp() override
    {
        TextTest::SetUp();
        TextFlow::initialize();
        kit::registerClass<IndentOnly<StyleParagraph>>(IndentOnly<StyleParagraph>().className());
        kit::registerClass<IndentOnly<StyleParagraphNamed>>(IndentOnly<StyleParagraphNamed>().className());
    }

    std::unique_ptr<TextFlow> roundTrip(const TextFlow& flow)
    {
        const std::string data = kit::Archiver::archivedDataWithRootObject(&flow);
        return kit::Unarchiver::unarchiveObjectWithData<TextFlow>(data, unclaimed_);
    }

    std::vector<std::unique_ptr<kit::Object>> unclaimed_;
};

// An array as stored, claiming to hold more elements than it does.
class LyingArray : public kit::Object {
public:
    explicit LyingArray(int count = 0) : count_(count) {}
    std::string className() const override { return "Array"; }
    void encodeWithCoder(kit::Coder& coder) const override { coder.encodeValuesOfObjCTypes("i", count_); }

private:
    int count_;
};

// A word in the form files before 2.2 hold it.
class WordBefore22 : public kit::Object {
public:
    WordBefore22(std::string text, int type) : text_(std::move(text)), type_(type) {}
    std::string className() const override { return type_ ? "TextWordSpecial" : "TextWord"; }
    void encodeWithCoder(kit::Coder& coder) const override
    {
        const int length = int(text_.size()), zero = 0;
        coder.encodeValuesOfObjCTypes("*", text_.c_str());
        coder.encodeValuesOfObjCTypes("ii", length, zero);
        coder.encodeValuesOfObjCTypes("ii", zero, zero);
        coder.encodeValuesOfObjCTypes("i", zero);
        coder.encodeValuesOfObjCTypes("s", short(0));
        for (int i = 0; i < length; ++i)
            coder.encodeValuesOfObjCTypes("f", 6.0f);
        coder.encodeValuesOfObjCTypes("@", nullptr);
        coder.encodeRect(kit::Rect{});
        coder.encodeValuesOfObjCTypes("f", 0.0f);
        coder.encodeValuesOfObjCTypes("s", short(0));
        if (type_) {
            coder.encodeValuesOfObjCTypes("*", nullptr);
            coder.encodeValuesOfObjCTypes("i@", type_, nullptr);
        }
    }

private:
    std::string text_;
    int type_;
};

std::vector<std::string> wordTexts(const TextParagraph& paragraph)
{
    std::vector<std::string> texts;
    for (const auto& word : paragraph.wordList())
        texts.emplace_back(word->isSpecial() ? "#" + std::to_string(static_cast<TextWordSpecial&>(*word).wordType())
                                             : std::string(word->text()));
    return texts;
}

} // namespace

TEST_F(FlowArchivingTest, AFlowWithEverySpecialWordKindSurvivesTheStoredForm)
{
    const std::vector<int> kinds = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 101, 102, 103, 104, 201, 202, 203, 204};
    addWord("first");
    TextParagraph* second = flow_->addParagraph(std::make_unique<TextParagraph>());
    second->paragraphStyle()->setIndentLeft(36);
    second->paragraphStyle()->setFont(font_);
    std::vector<std::string> expected;
    for (int kind : kinds) {
        auto special = std::make_unique<TextWordSpecial>(kind);
        special->setFormatString(std::string("%d"));
        second->addWord(std::move(special));
        second->addWord(std::make_unique<TextWord>("w"));
        expected.push_back("#" + std::to_string(kind));
        expected.emplace_back("w");
    }
    TextWord* caret = second->wordAtIndex(3);
    second->setCurrentWord(caret);
    flow_->setCurrentParagraph(second, false);
    flow_->addParagraph(std::make_unique<TextParagraph>());

    auto back = roundTrip(*flow_);
    ASSERT_NE(back, nullptr);
    ASSERT_EQ(back->paragraphCount(), 3);
    EXPECT_EQ(wordTexts(*back->paragraphAtIndex(0)), wordTexts(*flow_->firstParagraph()));
    TextParagraph* read = back->paragraphAtIndex(1);
    EXPECT_EQ(wordTexts(*read), expected);
    EXPECT_EQ(back->currentParagraph(), read);
    EXPECT_EQ(read->currentWord(), read->wordAtIndex(3));
    EXPECT_EQ(read->paragraphStyle()->indentLeft(), 36);
    // The flow links everything back: no paragraph or word points elsewhere.
    for (int p = 0; p < back->paragraphCount(); ++p) {
        TextParagraph* paragraph = back->paragraphAtIndex(p);
        EXPECT_EQ(paragraph->flow(), back.get());
        EXPECT_EQ(back->indexOfParagraph(paragraph), p);
        EXPECT_FALSE(paragraph->wordList().empty());
        for (const auto& word : paragraph->wordList())
            EXPECT_EQ(word->paragraph(), paragraph);
    }
    // Measures are rebuilt on reading.
    const TextWord* first = back->firstParagraph()->lastWord();
    EXPECT_STREQ(first->text(), "first");
    EXPECT_FLOAT_EQ(first->widthOfCharAtIdx(0), 6.0f);
}

TEST_F(FlowArchivingTest, LinksOutsideTheArchiveReadBackAsNil)
{
    // A paragraph archived alone: its flow and caret links are conditional.
    paragraph_->addWord(std::make_unique<TextWord>("alone"));
    const std::string data = kit::Archiver::archivedDataWithRootObject(paragraph_);
    auto back = kit::Unarchiver::unarchiveObjectWithData<TextParagraph>(data, unclaimed_);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->flow(), nullptr);
    EXPECT_EQ(back->currentWord(), nullptr);
    EXPECT_EQ(wordTexts(*back), (std::vector<std::string>{"alone"}));

    // An empty word list gets a fresh current word.
    TextParagraph empty;
    const std::string none = kit::Archiver::archivedDataWithRootObject(&empty);
    auto fresh = kit::Unarchiver::unarchiveObjectWithData<TextParagraph>(none, unclaimed_);
    ASSERT_EQ(fresh->wordCount(), 1);
    EXPECT_EQ(fresh->currentWord(), fresh->firstWord());
}

// A word stored with a link to a paragraph that does not hold it (an archive
// from elsewhere) must not keep that link: the paragraph may be freed first.
TEST_F(FlowArchivingTest, AWordReadOutsideItsParagraphsListKeepsNoLinkToIt)
{
    paragraph_->addWord(std::make_unique<TextWord>("held"));
    TextWordSpecial stray(TextWordHeaderMarker);
    stray.setParagraph(paragraph_);
    kit::Array both;
    both.addObject(paragraph_);
    both.addObject(&stray);
    const std::string data = kit::Archiver::archivedDataWithRootObject(&both);
    {
        auto back = kit::Unarchiver::unarchiveObjectWithData<kit::Array>(data, unclaimed_);
        ASSERT_NE(back, nullptr);
        ASSERT_EQ(back->count(), 2u);
        auto* paragraph = dynamic_cast<TextParagraph*>(back->objectAt(0));
        auto* word = dynamic_cast<TextWordSpecial*>(back->objectAt(1));
        ASSERT_NE(paragraph, nullptr);
        ASSERT_NE(word, nullptr);
        EXPECT_EQ(word->paragraph(), nullptr);
        EXPECT_EQ(paragraph->firstWord()->paragraph(), paragraph);
        // Freed in the order stored: the paragraph before the stray word.
    }
    unclaimed_.clear();
    stray.setParagraph(nullptr);
}

TEST_F(FlowArchivingTest, DamagedStoredFlowsAndParagraphsAreRefused)
{
    TextWord stray("stray");
    struct Case {
        const char* what;
        std::function<void(kit::Archiver&)> write;
    };
    const std::vector<Case> flows = {
        {"a count far beyond the bytes",
         [](kit::Archiver& a) {
             a.encodeTemporaryObject(LyingArray(0x7fffffff));
             a.encodeObject(nullptr);
             a.encodeObject(nullptr);
             a.encodeObject(nullptr);
         }},
        {"a negative count",
         [](kit::Archiver& a) {
             a.encodeTemporaryObject(LyingArray(-1));
             a.encodeObject(nullptr);
             a.encodeObject(nullptr);
             a.encodeObject(nullptr);
         }},
        {"a word where a paragraph belongs",
         [&](kit::Archiver& a) {
             a.encodeArray({&stray});
             a.encodeObject(nullptr);
             a.encodeObject(nullptr);
             a.encodeObject(nullptr);
         }},
        {"a string where the list belongs",
         [](kit::Archiver& a) {
             a.encodeString("paragraphs");
             a.encodeObject(nullptr);
             a.encodeObject(nullptr);
             a.encodeObject(nullptr);
         }},
    };
    for (const Case& c : flows) {
        TextFlow flow;
        EXPECT_THROW(readUnits(kit::OpenFileVersionCurrent, c.write, flow), kit::Exception) << c.what;
    }

    // A word stored twice in one list would have two owners.
    TextWord twice("twice");
    StyleParagraph style;
    auto paragraphUnits = [&](std::vector<const kit::Object*> words, const kit::Object* ppStyle) {
        return [=](kit::Archiver& a) {
            a.encodeArray(words);
            a.encodeObject(ppStyle);
            for (int i = 0; i < 6; ++i)
                a.encodeObject(nullptr);
            a.encodeValuesOfObjCTypes("fcc", 0.0f, char(0), char(0));
            a.encodeRect(kit::Rect{});
        };
    };
    const std::vector<Case> paragraphs = {
        {"a word twice", paragraphUnits({&twice, &twice}, &style)},
        {"a style where a word belongs", paragraphUnits({&style}, &style)},
        {"no paragraph style", paragraphUnits({&twice}, nullptr)},
        {"a word where the style belongs", paragraphUnits({}, &twice)},
    };
    for (const Case& c : paragraphs) {
        TextParagraph paragraph;
        EXPECT_THROW(readUnits(kit::OpenFileVersionCurrent, c.write, paragraph), kit::Exception) << c.what;
    }

    // Every cut of a real archive fails cleanly.
    addWord("cut");
    flow_->firstParagraph()->addWord(std::make_unique<TextWordSpecial>(TextWordTab));
    const std::string data = kit::Archiver::archivedDataWithRootObject(flow_.get());
    for (std::size_t n = 0; n < data.size(); ++n) {
        std::vector<std::unique_ptr<kit::Object>> unclaimed;
        EXPECT_THROW(kit::Unarchiver::unarchiveObjectWithData<TextFlow>(data.substr(0, n), unclaimed), kit::Exception)
            << n;
    }
}

TEST_F(FlowArchivingTest, OlderParagraphsAreMappedOnReading)
{
    // 2.1: type-4 special words are dropped, the caret with them.
    WordBefore22 a("a", 0), gone("", TextWordNoText), b("b", 0);
    IndentOnly<StyleParagraph> plain;
    TextParagraph old;
    readUnits(
        2.1f,
        [&](kit::Archiver& out) {
            out.encodeValuesOfObjCTypes("@@@", nullptr, nullptr, nullptr);
            out.encodeObject(&plain);
            out.encodePoint(kit::Point{});
            out.encodeRect(kit::makeRect(1, 2, 3, 4));
            out.encodeValuesOfObjCTypes("i", 0);
            out.encodeArray({&a, &gone, &b});
            out.encodeValuesOfObjCTypes("f", 0.0f);
        },
        old);
    EXPECT_EQ(wordTexts(old), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(old.box().origin.y, 2);

    // 2.5: a named style becomes the base of the paragraph's own style.
    IndentOnly<StyleParagraphNamed> named;
    named.setStyleName("Body");
    named.setIndentLeft(18);
    kit::Archiver out;
    for (int i = 0; i < 6; ++i)
        out.encodeObject(nullptr);
    out.encodeObject(&named);
    out.encodeValuesOfObjCTypes("fcc", 0.0f, char(1), char(0));
    out.encodeRect(kit::Rect{});
    out.encodeArray({});
    // The named style stays with the decoder, as a document's style sheet would keep it.
    kit::Unarchiver in(out.data());
    in.setOpenFileVersion(2.5f);
    TextParagraph based;
    based.initWithCoder(in);
    EXPECT_TRUE(in.isAtEnd());
    ASSERT_NE(based.paragraphStyle(), nullptr);
    EXPECT_FALSE(based.paragraphStyle()->isNamedStyle());
    EXPECT_EQ(based.paragraphStyle()->indentLeft(), 18);
    EXPECT_EQ(based.paragraphStyle()->definedFlags(), 0);
    ASSERT_NE(based.paragraphStyle()->basedOnStyle(), nullptr);
    EXPECT_EQ(based.paragraphStyle()->basedOnStyle()->indentLeft(), 18);
    // Older empty lists stay empty.
    EXPECT_EQ(based.wordCount(), 0);
}
