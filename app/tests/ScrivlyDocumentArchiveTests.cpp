// The word processor's stored form: a document saved and read back, and
// archives of the older forms (2.4 to 2.6), made here by a small writer that
// lays the record out as those versions did, read into the current model.

#include "WordProcessorFixture.h"

#include "app/ScrivlyDocument.h"
#include "appkit/Window.h"
#include "core/Archiver.h"
#include "core/Coder.h"
#include "core/FileManager.h"
#include "document/DocumentFiles.h"
#include "document/Guide.h"
#include "document/Page.h"
#include "foundation/StyleInfo.h"
#include "foundation/UnitsInfo.h"
#include "items/TextItem.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextWordSpecial.h"

#include <cstdlib>

namespace {

// A text column as files from 2.26 up to 2.51 store it (no name yet): the
// item's units, the box's, the column's; no flow of its own.
struct OlderFrame : kit::Object {
    kit::Rect frame{};
    std::string className() const override { return "TextItem"; }
    void encodeWithCoder(kit::Coder& coder) const override
    {
        coder.encodeRect(frame);
        char flags[16] = {1}; // shown
        coder.encodeValueOfObjCType("[16c]", &flags);
        coder.encodeObject(nullptr); // graphic style
        coder.encodePoint(kit::makePoint(4, 6));
        float components[4] = {0.5f, 0, 0, 0};
        coder.encodeValuesOfObjCTypes("c[4f]f", char(0), components, 1.0f);
        coder.encodeValuesOfObjCTypes("s", short(0)); // no runaround
        coder.encodeValuesOfObjCTypes("i", 0);         // serial number
        coder.encodeValuesOfObjCTypes("s", short(0)); // box flags
        coder.encodeValuesOfObjCTypes("ii", 1, 1);     // text type, column series
        for (int i = 0; i < 4; ++i)                    // flow, next, previous, master
            coder.encodeObject(nullptr);
        coder.encodeValuesOfObjCTypes("iiiiiiiiffc", 0, 0, 0, 0, 0, 0, 1, 1, 0.0f, 0.0f, char(0));
    }
};

// The older record, written from a live document's parts.
struct OlderRecord : kit::Object {
    const ScrivlyDocument* source = nullptr;
    float version = 2.4f;
    int columns = 2;
    float gutter = 24.0f;
    kit::Rect windowFrame = kit::makeRect(100, 100, 500, 400);
    float zoom = 1.5f;
    // Before 2.6: the old header frames (master items) and their flags.
    const OlderFrame* header = nullptr;
    const OlderFrame* secondHeader = nullptr;
    bool writeNumbering = true;

    std::string className() const override { return "ScrivlyDocument"; }

    template <class List>
    static std::vector<const kit::Object*> objects(const List& list)
    {
        std::vector<const kit::Object*> out;
        for (const auto& element : list)
            out.push_back(&*element);
        return out;
    }

    void encodeWithCoder(kit::Coder& coder) const override
    {
        coder.encodeValueOfObjCType("f", &version);
        const kit::Object* print = nullptr;
        // Units and style sheet have older forms of their own, tested with
        // them; a file without them keeps the new document's.
        const kit::Object* units = nullptr;
        const kit::Object* styles = nullptr;
        coder.encodeValuesOfObjCTypes("ssfcc@@@", short(1), short(0), 1.0f, char(0), char(0), print, units, styles);
        coder.encodeSize(source->pageSize());
        coder.encodeSize(source->paperSize());
        coder.encodeArray(objects(source->masterGuides()));
        // Items and pages have older forms of their own: only old header
        // frames here; set-up makes the main text anew.
        std::vector<const kit::Object*> masters;
        for (const kit::Object* frame : {static_cast<const kit::Object*>(header), static_cast<const kit::Object*>(secondHeader)})
            if (frame)
                masters.push_back(frame);
        coder.encodeArray(masters);
        coder.encodeArray({});
        if (version < 2.6f) {
            const char hasHeader = header ? 1 : 0;
            const char hasSecond = secondHeader ? 1 : 0;
            coder.encodeValuesOfObjCTypes("cccccc", hasSecond, char(0), char(0), char(0), hasHeader, char(0));
            const kit::Object* none = nullptr;
            coder.encodeObject(none);
            coder.encodeObject(header);
            coder.encodeObject(none);
            coder.encodeObject(secondHeader);
        }
        coder.encodeObject(nullptr); // the main column, with the items
        if (version >= 2.21f) {
            const kit::Object* table = nullptr;
            coder.encodeValuesOfObjCTypes("@i", table, 1);
        }
        if (version >= 2.5f)
            coder.encodeValuesOfObjCTypes("if", columns, gutter);
        if (version >= 2.51f) {
            coder.encodeRect(windowFrame);
            const kit::Object* flow = nullptr;
            coder.encodeValuesOfObjCTypes("f@iii", zoom, flow, 0, 0, 0);
        }
        if (version >= 2.52f)
            coder.encodeArray({});
        if (version >= 2.6f) {
            coder.encodeValuesOfObjCTypes("f", 48.0f);
            const int count = writeNumbering ? 2 : 0;
            coder.encodeValuesOfObjCTypes("i", count);
            for (int level = 1; level <= count; ++level) {
                const std::optional<std::string> prefix = "(";
                const std::optional<std::string> suffix = ")";
                coder.encodeValuesOfObjCTypes("**sscc", prefix, suffix, short(level), short(0), char(0), char(0));
            }
            coder.encodeArray({});
            coder.encodeArray({});
            coder.encodeArray({});
        }
    }
};

std::string writeOlder(const OlderRecord& record) { return kit::Archiver::archivedDataWithRootObject(&record); }

std::unique_ptr<ScrivlyDocument> readBack(const std::string& bytes)
{
    std::unique_ptr<LayoutDocument> read = readDocumentData(bytes, false);
    auto* words = dynamic_cast<ScrivlyDocument*>(read.get());
    if (!words)
        return nullptr;
    read.release();
    return std::unique_ptr<ScrivlyDocument>(words);
}

} // namespace

class WordProcessorArchiveTest : public WordProcessorTest {
protected:
    // Where a test writes the older archives it makes for the document fuzz
    // target's corpus (unset: nowhere).
    void keepAsSeed(const std::string& name, const std::string& bytes)
    {
        const char* folder = std::getenv("SCRIVLY_WRITE_SEEDS");
        if (folder && *folder)
            // The target's first byte chooses a plain file.
            kit::FileManager::writeFileAtomically(std::string(folder) + "/" + name, std::string(1, '\0') + bytes);
    }
};

TEST_F(WordProcessorArchiveTest, ADocumentSavedAndReadBackEqualsItself)
{
    ScrivlyDocument* document = newDocument();
    typeText(*document, "Three columns hold this text.");
    ASSERT_TRUE(document->resetDocumentColumnCount(3, 12));
    document->setLocationAt(ScrivlyDocument::LeftMarginSlot, 90);
    document->resizeMasterTextItems();
    const std::string bytes = writeDocumentData(*document).value_or("");
    ASSERT_FALSE(bytes.empty());
    keepAsSeed("wordprocessor-3.0", bytes);

    std::unique_ptr<ScrivlyDocument> read = readBack(bytes);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->columnCount(), 3);
    EXPECT_FLOAT_EQ(read->columnGutterWidth(), 12);
    EXPECT_EQ(read->masterColumns().size(), 3u);
    for (int slot = 0; slot < ScrivlyDocument::GuideSlotCount; ++slot)
        EXPECT_FLOAT_EQ(read->locationAt(slot), document->locationAt(slot)) << slot;
    EXPECT_EQ(read->guideAt(0)->delegate(), static_cast<GuideDelegate*>(read.get()));
    EXPECT_EQ(read->masterGuides().size(), 8u);
    EXPECT_EQ(textOf(*read), textOf(*document));
    ASSERT_NE(read->mainTextItemForPage(read->pageAt(0)), nullptr);
    EXPECT_EQ(read->mainTextItemForPage(read->pageAt(0))->frame().origin.x, 90);
    // Written again, the very same bytes.
    EXPECT_EQ(writeDocumentData(*read).value_or(""), bytes);
}

// A paragraph holding a header or footer marker is read before its flow
// (the marker's frame leads there): its words are measured all the same,
// and the document lays out as it was saved.
TEST_F(WordProcessorArchiveTest, AParagraphWithAMarkerIsMeasuredWhenReadBack)
{
    for (const int type : {int(TextWordHeaderMarker), int(TextWordFooterMarker)}) {
        SCOPED_TRACE(type);
        ScrivlyDocument* document = newDocument();
        typeText(*document, "Some words before\rand a paragraph after");
        TextFlow* flow = document->mainTextItemForPage(document->pageAt(0))->flow();
        const textPoint at{0, 1, 2};
        flow->setCurrentPoint(&at);
        auto* marker = dynamic_cast<TextWordSpecial*>(flow->currentParagraph()->addSpecialWord(type));
        ASSERT_NE(marker, nullptr);
        auto frame = std::make_shared<TextItem>();
        frame->setFrame(LayoutDocument::defaultFooterFrame(), false);
        marker->setObjectReference(std::shared_ptr<kit::Object>(frame));
        if (type == TextWordHeaderMarker)
            document->addHeader(marker);
        else
            document->addFooter(marker);
        frame->setMyMaster(marker);
        frame->setMasterFlags(3);
        flow->recomputeAll();
        flow->completeLayout();

        std::unique_ptr<ScrivlyDocument> read = readBack(writeDocumentData(*document).value_or(""));
        ASSERT_NE(read, nullptr);
        TextFlow* again = read->mainTextItemForPage(read->pageAt(0))->flow();
        ASSERT_EQ(again->paragraphCount(), flow->paragraphCount());
        const TextParagraph* was = flow->paragraphAtIndex(0);
        const TextParagraph* now = again->paragraphAtIndex(0);
        ASSERT_EQ(now->wordCount(), was->wordCount());
        for (int w = 0; w < was->wordCount(); ++w) {
            EXPECT_FLOAT_EQ(now->wordAtIndex(w)->xWidthForPiece(0), was->wordAtIndex(w)->xWidthForPiece(0)) << w;
            EXPECT_FLOAT_EQ(now->wordAtIndex(w)->piece(0).height, was->wordAtIndex(w)->piece(0).height) << w;
        }
        EXPECT_GT(now->wordAtIndex(0)->xWidthForPiece(0), 0.0f);
        again->completeLayout();
        EXPECT_EQ(now->firstY(), was->firstY());
        EXPECT_EQ(now->lastY(), was->lastY());
        EXPECT_EQ(again->paragraphAtIndex(1)->firstY(), flow->paragraphAtIndex(1)->firstY());
    }
}

TEST_F(WordProcessorArchiveTest, StoredCountsAndGuttersThatCannotBeLaidOutArePutRight)
{
    ScrivlyDocument* document = newDocument();
    ASSERT_TRUE(document->resetDocumentColumnCount(2, 18));
    struct Case {
        int count;
        float gutter;
        int readCount;
        float readGutter;
    };
    const Case cases[] = {{0, 18, 1, 18}, {-7, 18, 1, 18}, {99, 18, 24, 18}, {2, -5, 2, 0}};
    for (const Case& c : cases) {
        OlderRecord record;
        record.source = document;
        record.version = 2.6f;
        record.columns = c.count;
        record.gutter = c.gutter;
        std::unique_ptr<ScrivlyDocument> read = readBack(writeOlder(record));
        ASSERT_NE(read, nullptr) << c.count;
        EXPECT_EQ(read->columnCount(), c.readCount) << c.count;
        EXPECT_FLOAT_EQ(read->columnGutterWidth(), c.readGutter) << c.count;
        EXPECT_EQ(int(read->masterColumns().size()), c.readCount) << c.count;
    }
}

TEST_F(WordProcessorArchiveTest, AVersion24ArchiveReadsIntoTheCurrentModel)
{
    ScrivlyDocument* document = newDocument();
    document->setLocationAt(ScrivlyDocument::LeftMarginSlot, 60);
    OlderRecord record;
    record.source = document;
    record.version = 2.4f;
    const std::string bytes = writeOlder(record);
    keepAsSeed("wordprocessor-2.4", bytes);
    std::unique_ptr<ScrivlyDocument> read = readBack(bytes);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->columnCount(), 1);
    EXPECT_FLOAT_EQ(read->columnGutterWidth(), 18);
    EXPECT_FLOAT_EQ(read->defaultTabSpacing(), 36);
    EXPECT_EQ(read->findItemNamed(std::string("MainText")), read->mainTextItemForPage(read->pageAt(0)));
    TextItem* main = read->mainTextItemForPage(read->pageAt(0));
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(main->name());
    EXPECT_EQ(*main->name(), "MainText");
    // The stored guides, and the main text between them.
    EXPECT_FLOAT_EQ(read->leftMargin(), 60);
    EXPECT_FLOAT_EQ(main->frame().origin.x, 60);
    // Saved again, it is of the current form.
    std::unique_ptr<ScrivlyDocument> again = readBack(writeDocumentData(*read).value_or(""));
    ASSERT_NE(again, nullptr);
    EXPECT_FLOAT_EQ(again->leftMargin(), 60);
}

TEST_F(WordProcessorArchiveTest, Version25HeadersBecomeMarkersAtTheStartOfTheMainText)
{
    ScrivlyDocument* document = newDocument();
    OlderFrame header, secondHeader;
    header.frame = kit::makeRect(72, 36, 468, 30);
    secondHeader.frame = kit::makeRect(72, 40, 468, 30);
    OlderRecord record;
    record.source = document;
    record.version = 2.5f;
    record.header = &header;
    record.secondHeader = &secondHeader;
    const std::string bytes = writeOlder(record);
    keepAsSeed("wordprocessor-2.5-headers", bytes);
    std::unique_ptr<ScrivlyDocument> read = readBack(bytes);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->columnCount(), 2);
    EXPECT_FLOAT_EQ(read->columnGutterWidth(), 24);
    ASSERT_EQ(read->headers().size(), 2u);
    const auto* first = dynamic_cast<TextItem*>(read->headers()[0]->heldItem().get());
    const auto* second = dynamic_cast<TextItem*>(read->headers()[1]->heldItem().get());
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(first->masterFlags(), 1);
    EXPECT_EQ(second->masterFlags(), 2);
    EXPECT_EQ(first->myMaster(), read->headers()[0]);
    // The markers stand at the start of the main text, before its words.
    TextFlow* flow = read->mainTextItemForPage(read->pageAt(0))->flow();
    TextParagraph* paragraph = flow->paragraphAtIndex(0);
    int markers = 0;
    for (int i = 0; i < paragraph->wordCount() && paragraph->wordAtIndex(i)->isSpecial(); ++i)
        ++markers;
    EXPECT_EQ(markers, 2);
    EXPECT_NE(read->headerItemForPageNumber(1), nullptr);
    EXPECT_NE(read->headerItemForPageNumber(2), nullptr);
}

TEST_F(WordProcessorArchiveTest, Version26WindowFrameComesBackOnTheScreen)
{
    ScrivlyDocument* document = newDocument();
    OlderRecord record;
    record.source = document;
    record.version = 2.6f;
    record.windowFrame = kit::makeRect(-40000, 90000, 50000, 300);
    const std::string bytes = writeOlder(record);
    keepAsSeed("wordprocessor-2.6", bytes);
    std::unique_ptr<ScrivlyDocument> read = readBack(bytes);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->paragraphNumberingCount(), 2);
    ASSERT_NE(read->paragraphNumberingLevel(2), nullptr);
    EXPECT_EQ(read->paragraphNumberingLevel(2)->start, 2);
    EXPECT_EQ(read->paragraphNumberingLevel(2)->prefix.value_or(""), "(");
    EXPECT_FLOAT_EQ(read->defaultTabSpacing(), 48);
    EXPECT_FLOAT_EQ(read->storedZoom(), 1.5f);
    const kit::Rect screenNow = kit::Window::mainScreenFrame();
    const kit::Rect stored = read->storedWindowFrame();
    EXPECT_GE(stored.origin.x, screenNow.origin.x);
    EXPECT_GE(stored.origin.y, screenNow.origin.y);
    EXPECT_LE(stored.origin.x + stored.size.width, screenNow.origin.x + screenNow.size.width);
    EXPECT_LE(stored.origin.y + stored.size.height, screenNow.origin.y + screenNow.size.height);
    EXPECT_FLOAT_EQ(stored.size.height, 300);

    const kit::Rect screen = kit::makeRect(0, 0, 1280, 1024);
    const kit::Rect clamped = ScrivlyDocument::clampFrameToScreen(record.windowFrame, screen);
    EXPECT_FLOAT_EQ(clamped.origin.x, 0);
    EXPECT_FLOAT_EQ(clamped.size.width, 1280);
    EXPECT_FLOAT_EQ(clamped.origin.y, 1024 - 300);
    EXPECT_FLOAT_EQ(clamped.size.height, 300);
    const kit::Rect inside = kit::makeRect(10, 20, 300, 200);
    const kit::Rect same = ScrivlyDocument::clampFrameToScreen(inside, screen);
    EXPECT_EQ(same.origin.x, 10);
    EXPECT_EQ(same.size.width, 300);
}

TEST_F(WordProcessorArchiveTest, AnArchiveWithoutItsVersionIsReadAsCurrent)
{
    ScrivlyDocument* document = newDocument();
    ASSERT_TRUE(document->resetDocumentColumnCount(2, 10));
    const std::string bytes = writeDocumentData(*document).value_or("");
    // The package's preset version does not apply to an archive of the
    // current form.
    std::unique_ptr<LayoutDocument> read = readDocumentData(bytes, true);
    auto* words = dynamic_cast<ScrivlyDocument*>(read.get());
    ASSERT_NE(words, nullptr);
    EXPECT_EQ(words->columnCount(), 2);
    EXPECT_FLOAT_EQ(words->columnGutterWidth(), 10);
}
