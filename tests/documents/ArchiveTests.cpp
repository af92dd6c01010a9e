// The root of the stored form read from units written by hand: values that
// cannot be right, counts, the class of every object kept, the version
// question, older forms; and the coders of the document's helpers.

#include "DocumentTestSupport.h"

#include "core/Archiver.h"
#include "core/Exception.h"
#include "core/Unarchiver.h"
#include "core/Values.h"
#include "document/Guide.h"
#include "document/LinksInfo.h"
#include "document/Page.h"
#include "document/PageSet.h"
#include "foundation/StyleInfo.h"
#include "foundation/UnitsInfo.h"
#include "items/ItemBox.h"
#include "text/TextFlow.h"

#include <cmath>
#include <limits>

namespace {

constexpr float NaN = std::numeric_limits<float>::quiet_NaN();

// The root of a document of the current form, every unit set by the test.
class StoredRoot : public kit::Object {
public:
    std::string className() const override { return "LayoutDocument"; }
    void encodeWithCoder(kit::Coder& coder) const override
    {
        coder.encodeValueOfObjCType("f", &version);
        coder.encodeValuesOfObjCTypes("ssfcciff", short(1), short(0), pageScale, char(0), char(0), 1, zoom, tab);
        coder.encodeSize(pageSize);
        coder.encodeSize(kit::makeSize(612, 792));
        coder.encodeRect(frame);
        for (const kit::Object* object : objects)
            coder.encodeObject(object);
        coder.encodeObject(serials);
        coder.encodeValuesOfObjCTypes("i", numberingCount);
        for (int i = 0; i < levelsWritten; ++i)
            coder.encodeValuesOfObjCTypes("**sscc", "(", ")", short(1), short(0), char(0), char(0));
        // Written in full, as a flow that some other unit also wrote.
        coder.encodeObject(activeFlow);
        coder.encodeValuesOfObjCTypes("iii", 0, 0, 0);
    }
    float version = 3.0f;
    kit::Size pageSize = kit::makeSize(612, 792);
    float pageScale = 1.0f;
    float zoom = 1.0f;
    float tab = 36.0f;
    kit::Rect frame = kit::makeRect(10, 20, 500, 600);
    // Units, styles, masters, master guides, pages, headers, footers,
    // footnotes, named items.
    const kit::Object* objects[9] = {};
    const kit::Object* serials = nullptr;
    int numberingCount = 0;
    int levelsWritten = 0;
    const kit::Object* activeFlow = nullptr;
};

class StoredForm : public DocumentFileTest {
protected:
    std::unique_ptr<LayoutDocument> read(const kit::Object& root)
    {
        return readDocumentData(kit::Archiver::archivedDataWithRootObject(&root));
    }
};

TEST_F(StoredForm, APageSizeThatCannotBeRightRefusesTheFile)
{
    const float bad[] = {NaN, 0.0f, -612.0f, std::numeric_limits<float>::infinity()};
    for (float width : bad) {
        StoredRoot root;
        root.pageSize = kit::makeSize(width, 792);
        EXPECT_EQ(read(root), nullptr) << width;
        root.pageSize = kit::makeSize(612, width);
        EXPECT_EQ(read(root), nullptr) << width;
    }
    StoredRoot good;
    std::unique_ptr<LayoutDocument> document = read(good);
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(document->pageSize(), kit::makeSize(612, 792));
    EXPECT_EQ(document->numPages(), 1); // set-up made the page the file lacked
}

TEST_F(StoredForm, SettingsThatCannotBeRightFallBackToTheirDefaults)
{
    struct Case {
        float zoom, tab, scale;
        kit::Rect frame;
        float readZoom, readTab, readScale;
        kit::Rect readFrame;
    };
    const kit::Rect frame = kit::makeRect(10, 20, 500, 600);
    const Case cases[] = {
        {2.0f, 18.0f, 0.5f, frame, 2.0f, 18.0f, 0.5f, frame},
        {0.05f, -1.0f, NaN, kit::makeRect(NaN, 0, 1, 1), 1.0f, 36.0f, 1.0f, {}},
        {17.0f, NaN, -2.0f, kit::makeRect(0, 0, std::numeric_limits<float>::infinity(), 1), 1.0f, 36.0f, 1.0f, {}},
        {NaN, 0.0f, 0.0f, frame, 1.0f, 36.0f, 1.0f, frame},
    };
    for (const Case& c : cases) {
        StoredRoot root;
        root.zoom = c.zoom;
        root.tab = c.tab;
        root.pageScale = c.scale;
        root.frame = c.frame;
        std::unique_ptr<LayoutDocument> document = read(root);
        ASSERT_NE(document, nullptr) << c.zoom;
        EXPECT_EQ(document->storedZoom(), c.readZoom) << c.zoom;
        EXPECT_EQ(document->defaultTabSpacing(), c.readTab) << c.zoom;
        EXPECT_EQ(document->pageScale(), c.readScale) << c.zoom;
        EXPECT_EQ(document->storedWindowFrame(), c.readFrame) << c.zoom;
    }
}

TEST_F(StoredForm, CountsAreCheckedBeforeAnythingIsMadeFromThem)
{
    struct Case {
        int count;
        int written;
        bool reads;
    };
    const Case cases[] = {{-1, 0, false}, {1000000000, 1, false}, {3, 2, false}, {2, 2, true}, {0, 0, true}};
    for (const Case& c : cases) {
        StoredRoot root;
        root.numberingCount = c.count;
        root.levelsWritten = c.written;
        std::unique_ptr<LayoutDocument> document = read(root);
        EXPECT_EQ(document != nullptr, c.reads) << c.count;
        if (document && c.count == 2) {
            EXPECT_EQ(document->paragraphNumberingCount(), 2);
            ASSERT_NE(document->paragraphNumberingLevel(2), nullptr);
            EXPECT_EQ(document->paragraphNumberingLevel(2)->prefix, "(");
        }
    }
}

TEST_F(StoredForm, EveryObjectKeptIsOfTheClassItsPlaceHolds)
{
    Page page;
    PageSet run;
    ItemBox box;
    Guide guide;
    TextWordSpecial footer(TextWordFooterMarker);
    kit::String text;
    text.setValue("not a number");
    kit::Array pages, runs, boxes, guides, items, footers;
    pages.addObject(&page);
    runs.addObject(&run);
    boxes.addObject(&box);
    guides.addObject(&guide);
    footers.addObject(&footer);
    kit::Dictionary wrongSerials;
    wrongSerials.setObject(&box, &text);
    struct Case {
        const char* what;
        int slot; // -1: the serial numbers
        const kit::Object* object;
    };
    const Case cases[] = {
        {"a page as the units", 0, &page},
        {"an array as the style sheet", 1, &pages},
        {"a guide among the master items", 2, &guides},
        {"a box among the master guides", 3, &boxes},
        {"a box among the pages", 4, &boxes},
        {"a collapsed run among the pages", 4, &runs},
        {"a footer among the headers", 5, &footers},
        {"a page as the footers", 6, &page},
        {"a text as a serial number", -1, &wrongSerials},
    };
    for (const Case& c : cases) {
        StoredRoot root;
        if (c.slot >= 0)
            root.objects[c.slot] = c.object;
        else
            root.serials = c.object;
        EXPECT_EQ(read(root), nullptr) << c.what;
    }
    // The same lists with what they should hold read.
    StoredRoot root;
    root.objects[3] = &guides;
    root.objects[4] = &pages;
    root.objects[6] = &footers;
    std::unique_ptr<LayoutDocument> document = read(root);
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(document->masterGuides().size(), 1u);
    EXPECT_EQ(document->footers().size(), 1u);
}

TEST_F(StoredForm, TheActiveFlowIsKeptOnlyWhenItIsOneOfTheDocumentsOwn)
{
    std::unique_ptr<LayoutDocument> made = makeDocument(60, false);
    TextFlow* own = sample::firstColumnOn(made->pageAt(0))->flow();
    made->setActiveTextFlow(own);
    std::unique_ptr<LayoutDocument> document = readDocumentData(bytesOf(*made));
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(document->activeTextFlow(), sample::firstColumnOn(document->pageAt(0))->flow());

    // A flow that none of the document's columns shows, or no flow at all.
    TextFlow stranger;
    Page page;
    for (const kit::Object* object : std::initializer_list<const kit::Object*>{&stranger, &page}) {
        StoredRoot root;
        root.activeFlow = object;
        std::unique_ptr<LayoutDocument> read = this->read(root);
        ASSERT_NE(read, nullptr);
        EXPECT_EQ(read->activeTextFlow(), nullptr);
    }
}

TEST_F(StoredForm, ANewerVersionAsksBeforeItIsRead)
{
    struct Case {
        float version;
        int answer;
        bool asks;
        bool reads;
    };
    const Case cases[] = {{3.0f, kit::AlertDefaultReturn, false, true},
                          {3.01f, kit::AlertDefaultReturn, true, true},
                          {3.01f, kit::AlertAlternateReturn, true, false},
                          {NaN, kit::AlertDefaultReturn, false, false}};
    for (const Case& c : cases) {
        alerts_->reset();
        alerts_->pushAnswer(c.answer);
        StoredRoot root;
        root.version = c.version;
        EXPECT_EQ(read(root) != nullptr, c.reads) << c.version << " " << c.answer;
        EXPECT_EQ(alerted("BadDocNewVersion"), c.asks) << c.version;
        if (c.asks) {
            EXPECT_EQ(alerts_->shown().front().title, text("BadDoc"));
            EXPECT_EQ(alerts_->shown().front().defaultButton, text("OpenAnyway"));
            EXPECT_EQ(alerts_->beeps(), 1);
        }
    }
}

TEST_F(StoredForm, WithoutAViewTheZoomAndFrameItWasShownWithAreWrittenBack)
{
    const kit::Rect preferred = kit::makeRect(30, 40, 420, 500);
    delegate_->preferences()->setWindowFrame(preferred);
    std::unique_ptr<LayoutDocument> made = makeDocument(60, false);
    std::unique_ptr<LayoutDocument> document = readDocumentData(bytesOf(*made));
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(document->storedZoom(), 1.0f);
    EXPECT_EQ(document->storedWindowFrame(), preferred);

    StoredRoot root;
    root.zoom = 1.5f;
    std::unique_ptr<LayoutDocument> zoomed = read(root);
    ASSERT_NE(zoomed, nullptr);
    std::unique_ptr<LayoutDocument> again = readDocumentData(bytesOf(*zoomed));
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->storedZoom(), 1.5f);
    EXPECT_EQ(again->storedWindowFrame(), root.frame);
}

TEST_F(StoredForm, ItemsNamedForObjectLinksKeepTheirSerialNumbers)
{
    std::unique_ptr<LayoutDocument> made = makeDocument(60);
    Item* box = nullptr;
    for (const auto& item : made->pageAt(0)->pageItems())
        if (dynamic_cast<ItemBox*>(item.get()) && !dynamic_cast<TextItem*>(item.get()))
            box = item.get();
    ASSERT_NE(box, nullptr);
    made->assignSerialNumberToObjectLinkItem(box);
    const int serial = *box->itemSerialNumber();
    std::unique_ptr<LayoutDocument> document = readDocumentData(bytesOf(*made));
    ASSERT_NE(document, nullptr);
    Item* linked = document->linkedItemAt("1 1 " + std::to_string(serial));
    ASSERT_NE(linked, nullptr);
    EXPECT_EQ(linked->itemSerialNumber(), serial);
    EXPECT_EQ(linked->page(), document->pageAt(0));
    EXPECT_EQ(document->lastItemSerialNumber(), made->lastItemSerialNumber());
}

// ---- Older forms.

// Units of an older unit set: four one-value shorts and the origin.
class OldUnits : public kit::Object {
public:
    std::string className() const override { return "UnitsInfo"; }
    void encodeWithCoder(kit::Coder& coder) const override
    {
        for (short value : {units, short(1), short(3), short(5)})
            coder.encodeValueOfObjCType("s", &value);
        coder.encodePoint(origin);
    }
    short units = 0;
    kit::Point origin{NaN, 7.0f};
};

// The root as files below 3.0 store it, for the version written.
class OldRoot : public kit::Object {
public:
    std::string className() const override { return "LayoutDocument"; }
    void encodeWithCoder(kit::Coder& coder) const override
    {
        coder.encodeValueOfObjCType("f", &version);
        const short first = 5, format = 1;
        coder.encodeValueOfObjCType("s", &first);
        coder.encodeValueOfObjCType("s", &format);
        coder.encodeSize(kit::makeSize(595, 842));
        coder.encodeSize(kit::makeSize(595, 842));
        const float scale = 0.75f;
        coder.encodeValueOfObjCType("f", &scale);
        if (version >= 2.0f) {
            coder.encodeValuesOfObjCTypes("ss", short(2), short(1));
        } else {
            const char modes = 2 | (1 << 2);
            coder.encodeValueOfObjCType("c", &modes);
        }
        coder.encodeValuesOfObjCTypes("@@@", nullptr, &units, nullptr);
        coder.encodeObject(&empty); // masters or pages
        coder.encodeObject(&empty);
        if (version < 2.2f) {
            coder.encodeValuesOfObjCTypes("ss", short(1), short(1));
            const float locations[2] = {10, 20};
            coder.encodeArrayOfObjCType("f", 2, locations);
            return;
        }
        coder.encodeObject(&guides);
        if (version >= 2.21f)
            coder.encodeValuesOfObjCTypes("@i", &serials, 42);
        if (version >= 2.52f) {
            coder.encodeRect(kit::makeRect(5, 6, 300, 400));
            coder.encodeValuesOfObjCTypes("f@iii", 2.0f, nullptr, 0, 0, 0);
            coder.encodeObject(&empty);
        }
        if (version >= 2.6f) {
            coder.encodeValuesOfObjCTypes("f", 24.0f);
            coder.encodeValuesOfObjCTypes("i", 1);
            coder.encodeValuesOfObjCTypes("**sscc", nullptr, ".", short(3), short(0), char(4), char(1));
            coder.encodeObject(&empty);
            coder.encodeObject(&empty);
            coder.encodeObject(&empty);
        }
    }
    float version = 2.6f;
    OldUnits units;
    kit::Array empty;
    kit::Array guides;
    kit::Dictionary serials;
};

TEST_F(StoredForm, OlderFormsReadEachTheirOwnUnits)
{
    struct Case {
        float version;
        float tab;
        float zoom;
        int numbering; // levels read, -1: the default table
        int serial;
    };
    const Case cases[] = {
        {1.5f, 36.0f, 1.0f, -1, 1},  {2.1f, 36.0f, 1.0f, -1, 1},  {2.2f, 36.0f, 1.0f, -1, 1},
        {2.21f, 36.0f, 1.0f, -1, 42}, {2.52f, 36.0f, 2.0f, -1, 42}, {2.6f, 24.0f, 2.0f, 1, 42},
    };
    for (const Case& c : cases) {
        OldRoot root;
        root.version = c.version;
        std::unique_ptr<LayoutDocument> document = readDocumentData(kit::Archiver::archivedDataWithRootObject(&root));
        ASSERT_NE(document, nullptr) << c.version;
        EXPECT_EQ(document->firstPageNum(), 5) << c.version;
        EXPECT_EQ(document->pageNumberFormat(), 1) << c.version;
        EXPECT_EQ(document->pageSize(), kit::makeSize(595, 842)) << c.version;
        EXPECT_EQ(document->pageScale(), 0.75f) << c.version;
        EXPECT_EQ(document->tileMode(), 2) << c.version;
        EXPECT_EQ(document->sidedMode(), 1) << c.version;
        EXPECT_EQ(document->defaultTabSpacing(), c.tab) << c.version;
        EXPECT_EQ(document->storedZoom(), c.zoom) << c.version;
        EXPECT_EQ(document->lastItemSerialNumber(), c.serial) << c.version;
        EXPECT_EQ(document->paragraphNumberingCount(), c.numbering < 0 ? 8 : c.numbering) << c.version;
        if (c.numbering == 1) {
            EXPECT_EQ(document->paragraphNumberingLevel(1)->prefix, std::nullopt);
            EXPECT_EQ(document->paragraphNumberingLevel(1)->start, 3);
        }
        // The old units, their origin that was not a number now 0.
        EXPECT_EQ(document->unitsInfo()->units(), 0) << c.version;
        EXPECT_EQ(document->unitsInfo()->horizontalUnitsOrigin(), -0.0f) << c.version;
        EXPECT_EQ(document->unitsInfo()->verticalUnitsOrigin(), -7.0f) << c.version;
    }
}

// ---- The helpers' own stored forms.

TEST_F(StoredForm, UnitsKeepTheirKindSidesAndOriginAndRefuseAKindThereIsNone)
{
    UnitsInfo units;
    units.setUnits(3);
    units.setUnitsOriginMask(2);
    units.setRulerHorizSides(1);
    units.setRulerVertSides(8);
    units.setUnitsOrigin(kit::makePoint(12, 34));
    std::vector<std::unique_ptr<kit::Object>> unclaimed;
    auto back = kit::Unarchiver::unarchiveObjectWithData<UnitsInfo>(kit::Archiver::archivedDataWithRootObject(&units),
                                                                    unclaimed);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->units(), 3);
    EXPECT_EQ(back->unitsOriginMask(), 2);
    EXPECT_EQ(back->rulerHorizSides(), 1);
    EXPECT_EQ(back->rulerVertSides(), 8);
    EXPECT_EQ(back->horizontalUnitsOrigin(), -12.0f);

    OldUnits old;
    old.units = 9;
    kit::Unarchiver in(kit::Archiver::archivedDataWithRootObject(&old));
    in.setOpenFileVersion(2.5f);
    std::unique_ptr<UnitsInfo> read = in.decodeOwnedObject<UnitsInfo>();
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->units(), 2); // a kind outside 0 to 3 is inches
    EXPECT_EQ(read->rulerVertSides(), 5);
}

TEST_F(StoredForm, AStyleSheetKeepsItsListsHeadedByTheirRoots)
{
    std::unique_ptr<LayoutDocument> made = makeDocument(60);
    StyleInfo* sheet = made->styleInfo();
    std::vector<std::unique_ptr<kit::Object>> unclaimed;
    auto back = kit::Unarchiver::unarchiveObjectWithData<StyleInfo>(kit::Archiver::archivedDataWithRootObject(sheet),
                                                                    unclaimed);
    ASSERT_NE(back, nullptr);
    ASSERT_EQ(back->paragraphStyles()->size(), sheet->paragraphStyles()->size());
    EXPECT_FALSE(back->paragraphStyles()->front()->isNamedStyle());
    EXPECT_NE(back->styleWithName(std::string("Body"), back->paragraphStyles()), nullptr);
    EXPECT_NE(back->styleWithName(std::string("Frame"), back->graphicStyles()), nullptr);

    // A list without its root gets one; a list of the wrong styles is refused.
    class Sheet : public kit::Object {
    public:
        std::string className() const override { return "StyleInfo"; }
        void encodeWithCoder(kit::Coder& coder) const override
        {
            coder.encodeObject(paragraphs);
            coder.encodeObject(graphics);
        }
        const kit::Object* paragraphs = nullptr;
        const kit::Object* graphics = nullptr;
    };
    StyleParagraphNamed named;
    named.setStyleName(std::string("Alone"));
    kit::Array rootless;
    rootless.addObject(&named);
    Sheet stored;
    stored.paragraphs = &rootless;
    auto repaired = kit::Unarchiver::unarchiveObjectWithData<StyleInfo>(
        kit::Archiver::archivedDataWithRootObject(&stored), unclaimed);
    ASSERT_NE(repaired, nullptr);
    ASSERT_EQ(repaired->paragraphStyles()->size(), 2u);
    EXPECT_FALSE(repaired->paragraphStyles()->front()->isNamedStyle());
    EXPECT_EQ(repaired->graphicStyles()->size(), 1u);

    stored.paragraphs = nullptr;
    stored.graphics = &rootless;
    EXPECT_THROW(kit::Unarchiver::unarchiveObjectWithData<StyleInfo>(
                     kit::Archiver::archivedDataWithRootObject(&stored), unclaimed),
                 kit::Exception);
}

TEST_F(StoredForm, TheLinksListReadsEachVersionsFlagAndRefusesAStrangeDocument)
{
    class StoredLinks : public kit::Object {
    public:
        std::string className() const override { return "LinksInfo"; }
        void encodeWithCoder(kit::Coder& coder) const override
        {
            if (version >= 3.0f) {
                coder.encodeObject(document);
                coder.encodeObject(&list);
                coder.encodeValuesOfObjCTypes("c", char(0));
            } else if (version >= 2.0f) {
                coder.encodeValuesOfObjCTypes("@@", document, &list);
                coder.encodeValuesOfObjCTypes("s", short(2));
            } else {
                coder.encodeValuesOfObjCTypes("@@c", document, &list, char(6));
            }
        }
        float version = 3.0f;
        const kit::Object* document = nullptr;
        kit::Array list;
    };
    for (float version : {3.0f, 2.5f, 1.5f}) {
        StoredLinks links;
        links.version = version;
        kit::Unarchiver in(kit::Archiver::archivedDataWithRootObject(&links));
        in.setOpenFileVersion(version);
        std::unique_ptr<LinksInfo> read = in.decodeOwnedObject<LinksInfo>();
        ASSERT_NE(read, nullptr) << version;
        EXPECT_FALSE(read->doesNotifyDocumentPanel()) << version;
        EXPECT_EQ(read->count(), 0u);
    }
    StoredLinks strange;
    Page page;
    strange.document = &page;
    std::vector<std::unique_ptr<kit::Object>> unclaimed;
    EXPECT_THROW(kit::Unarchiver::unarchiveObjectWithData<LinksInfo>(
                     kit::Archiver::archivedDataWithRootObject(&strange), unclaimed),
                 kit::Exception);
}

TEST_F(StoredForm, TheBaseDocumentPartReadsEveryVersionsNameAndMarks)
{
    class BaseDocument : public Document {
    public:
        std::string className() const override { return "Document"; }
    };
    kit::registerClass<BaseDocument>("Document");
    BaseDocument document;
    document.setFilename("/docs/Letter.syb");
    document.setFileFormat("RTF");
    document.setTemplate(true);
    std::vector<std::unique_ptr<kit::Object>> unclaimed;
    auto back = kit::Unarchiver::unarchiveObjectWithData<Document>(kit::Archiver::archivedDataWithRootObject(&document),
                                                                   unclaimed);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->filename(), "/docs/Letter.syb");
    EXPECT_EQ(back->fileFormat(), "RTF");
    EXPECT_TRUE(back->named());
    EXPECT_TRUE(back->isTemplate());

    class OldBase : public kit::Object {
    public:
        std::string className() const override { return "Document"; }
        void encodeWithCoder(kit::Coder& coder) const override
        {
            if (version >= 2.0f) {
                coder.encodeValuesOfObjCTypes("*", "/old/a.lvb");
                coder.encodeValuesOfObjCTypes("sss", short(1), short(0), short(1));
            } else {
                coder.encodeValuesOfObjCTypes("*c", "/older/b.lvb", char(1 | 4 | 8));
            }
        }
        float version = 2.5f;
    };
    for (float version : {2.5f, 1.5f}) {
        OldBase old;
        old.version = version;
        kit::Unarchiver in(kit::Archiver::archivedDataWithRootObject(&old));
        in.setOpenFileVersion(version);
        std::unique_ptr<Document> read = in.decodeOwnedObject<Document>();
        ASSERT_NE(read, nullptr) << version;
        EXPECT_FALSE(read->named()) << version;
        EXPECT_TRUE(read->isTemplate()) << version;
        EXPECT_EQ(read->isEdited(), version < 2.0f);
        EXPECT_EQ(read->isReadOnly(), version < 2.0f);
    }
}

} // namespace
