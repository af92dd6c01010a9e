#include "ExportTestSupport.h"

#include "bundles/convala/markup/LayoutDocumentIOMethods.h"
#include "bundles/convala/markup/LayvaneIOMethods.h"
#include "bundles/convala/markup/RTFContext.h"
#include "bundles/convala/markup/ZynDispatchTable.h"
#include "bundles/convala/markup/ZynHandler.h"
#include "bundles/convala/markup/ZynImportRun.h"
#include "bundles/convala/markup/ZynMarkupElement.h"

#include "core/Exception.h"
#include "core/FileWrapper.h"
#include "core/Pasteboard.h"
#include "foundation/StyleInfo.h"
#include "graphics/BitmapImageRep.h"
#include "items/ItemBox.h"
#include "items/PlacedItem.h"
#include "view/PageView.h"

#include <functional>
#include <stdexcept>

using namespace convala_test;

namespace {

// A handler standing for a format's handlers: it notes what it receives
// and the state the import is in, and does what the test asks.
class Probe : public kit::Object {
public:
    std::string className() const override { return "ImportProbe"; }

    kit::Object* probe(ZynMarkupElement* element)
    {
        if (!element)
            return this;
        auto* run = dynamic_cast<ZynImportRun*>(element->dispatchRun());
        if (element->isTextRun())
            text += element->textValue();
        else if (!element->isTerminator())
            words.push_back(element->text());
        if (run) {
            sawDocument = &run->document();
            sawReadOnly = run->document().isReadOnly();
            sawDispatching = run->document().isDispatching();
            sawThreshold = run->dispatchThreshold();
        }
        if (onElement)
            onElement(*element, run);
        return this;
    }
    static ZynSelector selector() { return ZynHandler::addMethod("importProbe:", &Probe::probe); }

    std::string text;
    std::vector<std::string> words;
    LayoutDocument* sawDocument = nullptr;
    bool sawReadOnly = false;
    bool sawDispatching = false;
    long sawThreshold = 0;
    std::function<void(ZynMarkupElement&, ZynImportRun*)> onElement;
};

class ImportDriver : public ExportTest {
protected:
    void SetUp() override
    {
        ExportTest::SetUp();
        LayoutDocumentIOMethods::rtfReader().registerWithMarkupDispatcher = [this](ZynImportRun& run,
                                                                                   ZynDispatchTable& table) {
            ++registrations_;
            registeredFor_ = &run.document();
            for (const char* word : {"rtf", "zyntext", "b", "par"})
                table.registerObject(&probe_, Probe::selector(), word);
        };
    }
    void TearDown() override
    {
        LayoutDocumentIOMethods::rtfReader() = {};
        ExportTest::TearDown();
    }

    // Every keyword's stack as deep as before any import.
    static bool tableIsEmpty()
    {
        const ZynDispatchTable& table = *LayvaneIOMethods::markupDispatchTable();
        for (const std::string& keyword : table.keywords())
            if (table.actorForKeyword(keyword))
                return false;
        return true;
    }

    Probe probe_;
    int registrations_ = 0;
    LayoutDocument* registeredFor_ = nullptr;
};

TEST_F(ImportDriver, AnImportRunsReadOnlyAndLeavesTheDocumentAndTheTableAsTheyWere)
{
    for (const bool readOnly : {false, true}) {
        SCOPED_TRACE(readOnly);
        probe_ = Probe();
        document_->setReadOnly(readOnly);
        bool lost = true;
        ASSERT_TRUE(LayoutDocumentIOMethods::dispatchRTFStream(*document_, std::string("{\\rtf1 {\\b Hi} there\\par}"),
                                                               &lost));
        EXPECT_EQ(probe_.text, "Hi there");
        EXPECT_EQ(probe_.words, (std::vector<std::string>{"rtf", "b", "par"}));
        EXPECT_EQ(probe_.sawDocument, document_.get());
        EXPECT_TRUE(probe_.sawReadOnly);
        EXPECT_TRUE(probe_.sawDispatching);
        EXPECT_EQ(probe_.sawThreshold, 8192);
        EXPECT_FALSE(lost);
        EXPECT_EQ(document_->isReadOnly(), readOnly);
        EXPECT_FALSE(document_->isDispatching());
        EXPECT_TRUE(tableIsEmpty());
    }
    // Plain text is read as RTF.
    probe_ = Probe();
    ASSERT_TRUE(LayoutDocumentIOMethods::dispatchRTFStream(*document_, std::string("plain {text}")));
    EXPECT_EQ(probe_.text, "plain {text}");
}

TEST_F(ImportDriver, AHandlersExceptionLeavesNothingRegisteredAndTheFlagsAsTheyWere)
{
    const struct {
        const char* what;
        std::function<void()> raise;
    } failures[] = {
        {"the platform's exception", [] { kit::Exception::raise("ImportFailed", "a handler gave up"); }},
        {"another exception", [] { throw std::runtime_error("out of something"); }},
    };
    for (const auto& failure : failures) {
        SCOPED_TRACE(failure.what);
        document_->setReadOnly(false);
        StyleParagraph::setForceParagraphStyleDefinitions(false);
        ZynDispatchTable& table = *LayvaneIOMethods::markupDispatchTable();
        probe_.onElement = [&](ZynMarkupElement& element, ZynImportRun*) {
            // Handlers register for a group and set the class-wide switch,
            // as the style-sheet reader does, before the data gives out.
            if (element.text() == "b") {
                table.registerObject(&probe_, Probe::selector(), "s");
                StyleParagraph::setForceParagraphStyleDefinitions(true);
                failure.raise();
            }
        };
        EXPECT_ANY_THROW(LayoutDocumentIOMethods::dispatchRTFStream(*document_, std::string("{\\rtf1 {\\b x}}")));
        EXPECT_FALSE(document_->isReadOnly());
        EXPECT_FALSE(document_->isDispatching());
        EXPECT_FALSE(StyleParagraph::forceParagraphStyleDefinitions());
        EXPECT_TRUE(tableIsEmpty());
        // The next import runs as the first did.
        probe_.onElement = nullptr;
        probe_.text.clear();
        ASSERT_TRUE(LayoutDocumentIOMethods::dispatchRTFStream(*document_, std::string("{\\rtf1 again}")));
        EXPECT_EQ(probe_.text, "again");
    }
}

TEST_F(ImportDriver, TheDocumentClosedDuringAnImportAnswersNoQuietly)
{
    probe_.onElement = [](ZynMarkupElement& element, ZynImportRun*) {
        if (element.isTextRun())
            kit::Exception::raise(LayoutDocumentIOMethods::ClosedDuringImport, LayoutDocumentIOMethods::ClosedDuringImport);
    };
    auto folder = kit::FileWrapper::initDirectoryWithFileWrappers({});
    folder->addRegularFileWithContents("{\\rtf1 text}", "TXT.rtf");
    EXPECT_FALSE(LayoutDocumentIOMethods::dispatchMarkup(*document_, kit::RTFDPboardType,
                                                         folder->serializedRepresentation(), nullptr));
    EXPECT_FALSE(document_->isDispatching());
    EXPECT_FALSE(document_->isReadOnly());
    EXPECT_TRUE(tableIsEmpty());
}

TEST_F(ImportDriver, ForeignDataByItsPasteboardType)
{
    auto folder = kit::FileWrapper::initDirectoryWithFileWrappers({});
    folder->addRegularFileWithContents("{\\rtf1 from the folder}", "TXT.rtf");
    const std::string rtfd = folder->serializedRepresentation();
    auto withoutMain = kit::FileWrapper::initDirectoryWithFileWrappers({});
    withoutMain->addRegularFileWithContents("x", "picture.tiff");
    const struct {
        const char* type;
        std::string data;
        bool answer;
        const char* read;
    } cases[] = {
        {kit::RTFDPboardType, rtfd, true, "from the folder"},
        {kit::RTFDPboardType, withoutMain->serializedRepresentation(), false, ""},
        {kit::RTFDPboardType, "damaged", false, ""},
        // Types with no reader here read nothing and say so.
        {"ZYN HTML pasteboard type", "<p>x</p>", false, ""},
        {"ZYN ICF pasteboard type", "x.icf", false, ""},
        // Types the driver does not import from contents: nothing to do.
        {"ascii", "text", true, ""},
        {kit::RTFPboardType, "{\\rtf1 x}", true, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.type) + " " + c.data.substr(0, 12));
        probe_.text.clear();
        EXPECT_EQ(LayoutDocumentIOMethods::dispatchMarkup(*document_, c.type, c.data, nullptr), c.answer);
        EXPECT_EQ(probe_.text, c.read);
    }
    // The flag of content the import could not take comes back.
    probe_.onElement = [](ZynMarkupElement& element, ZynImportRun* run) {
        if (element.isTextRun() && run)
            run->context().setLostDataDuringImport(true);
    };
    bool lost = false;
    EXPECT_TRUE(LayoutDocumentIOMethods::dispatchMarkup(*document_, kit::RTFDPboardType, rtfd, &lost));
    EXPECT_TRUE(lost);
}

TEST_F(ImportDriver, NothingIsReadWithoutAReaderOrWhileAnotherImportRuns)
{
    EXPECT_FALSE(LayoutDocumentIOMethods::dispatchRTFStream(*document_, std::nullopt));
    probe_.onElement = [this](ZynMarkupElement& element, ZynImportRun*) {
        if (element.text() == "b") {
            EXPECT_FALSE(LayoutDocumentIOMethods::dispatchRTFStream(*document_, std::string("{\\rtf1 nested}")));
        }
    };
    EXPECT_TRUE(LayoutDocumentIOMethods::dispatchRTFStream(*document_, std::string("{\\rtf1 {\\b outer}}")));
    EXPECT_EQ(probe_.text, "outer");
    EXPECT_EQ(registrations_, 1);
    LayoutDocumentIOMethods::rtfReader() = {};
    EXPECT_FALSE(LayoutDocumentIOMethods::dispatchRTFStream(*document_, std::string("{\\rtf1 x}")));
    EXPECT_FALSE(LayoutDocumentIOMethods::dispatchHTMLStream(*document_, std::string("<p>x</p>")));
}

TEST_F(ImportDriver, TheReceivingDocumentEditsItsOwnMainText)
{
    // Another document is the main one; the import goes into this one.
    LayoutDocument other(delegate_->preferences());
    delegate_->setMainDocument(&other);
    document_->setActiveTextItem(nullptr);
    ASSERT_TRUE(LayoutDocumentIOMethods::dispatchRTFStream(*document_, std::string("{\\rtf1 x}")));
    EXPECT_EQ(registeredFor_, document_.get());
    EXPECT_EQ(document_->activeTextItem(), column_);
    EXPECT_EQ(other.activeTextItem(), nullptr);
    delegate_->setMainDocument(nullptr);
}

// Through the document's own view: the main text begins editing there,
// unless the view is editing a column already, which then keeps it.
TEST_F(ImportDriver, TheDocumentsViewEditsTheMainTextUnlessItEditsAnotherColumn)
{
    PageView view;
    view.setDocument(document_.get());
    document_->addView(&view);
    document_->setActiveTextItem(nullptr);
    ASSERT_TRUE(LayoutDocumentIOMethods::dispatchRTFStream(*document_, std::string("{\\rtf1 x}")));
    EXPECT_TRUE(column_->isEditing());
    EXPECT_EQ(column_->editPageView(), &view);
    EXPECT_EQ(document_->activeTextItem(), column_);
    view.endEditingIfNeeded();

    auto other = std::make_shared<TextItem>();
    ASSERT_NE(other->initFlow(), nullptr);
    other->setFrame(kit::makeRect(72, 600, 200, 100), false);
    document_->pageAt(0)->addItems(other, false);
    view.beginEditingItem(other.get());
    ASSERT_TRUE(other->isEditing());
    ASSERT_TRUE(LayoutDocumentIOMethods::dispatchRTFStream(*document_, std::string("{\\rtf1 y}")));
    EXPECT_EQ(document_->activeTextItem(), other.get());
    EXPECT_TRUE(other->isEditing());
    EXPECT_FALSE(column_->isEditing());
    view.endEditingIfNeeded();
    document_->removeView(&view);
}

TEST_F(ImportDriver, EveryImportedNamedStyleJoinsTheStyleSheet)
{
    StyleInfo* sheet = document_->styleInfo();
    auto* existing = static_cast<StyleParagraphNamed*>(sheet->addNewStyleInStyles(sheet->paragraphStyles()));
    (void)sheet->renameStyle(existing, std::string("Body"), sheet->paragraphStyles());
    const std::size_t before = sheet->paragraphStyles()->size();

    RTFContext context;
    auto named = [&](const char* name, int number) {
        auto style = std::make_unique<StyleParagraphNamed>();
        style->setStyleName(std::string(name));
        StyleParagraphNamed* raw = style.get();
        context.adoptStyle(std::move(style), number);
        return raw;
    };
    named("Body", 1);
    StyleParagraphNamed* heading = named("Heading", 2);
    StyleParagraphNamed* sub = named("Subheading", 3);
    sub->setBasedOnStyle(heading);
    sub->setNextParagraphStyle(context.styleAtIndex(1));
    LayoutDocumentIOMethods::_integrateImportedStyleList(*document_, context);

    // The last style is taken too; a name the sheet has is not taken twice.
    ASSERT_EQ(sheet->paragraphStyles()->size(), before + 2);
    auto* added = dynamic_cast<StyleParagraphNamed*>(
        sheet->styleWithName(std::string("Subheading"), sheet->paragraphStyles()));
    ASSERT_NE(added, nullptr);
    EXPECT_NE(added, sub);
    // Its based-on and next styles are the sheet's own of those names.
    EXPECT_EQ(added->basedOnStyle(), sheet->styleWithName(std::string("Heading"), sheet->paragraphStyles()));
    EXPECT_EQ(added->nextParagraphStyle(), existing);
}

TEST_F(ImportDriver, EveryItemOfEveryPageIsVisitedMastersFirst)
{
    document_->addPages(2, 1);
    std::vector<Item*> boxes;
    for (int i = 0; i < 5; ++i) {
        auto box = std::make_shared<ItemBox>();
        boxes.push_back(box.get());
        document_->pageAt(0)->addItems(std::move(box), false);
    }
    std::vector<Item*> visited;
    LayoutDocumentIOMethods::walkItemsForObject(*document_, [&](Item* item) { visited.push_back(item); });
    std::vector<Item*> expected;
    for (const auto& item : document_->masterItems())
        expected.push_back(item.get());
    for (const auto& page : document_->pages())
        for (const auto& item : page->pageItems())
            expected.push_back(item.get());
    EXPECT_EQ(visited, expected);
    EXPECT_GE(document_->pageAt(0)->pageItems().size(), 6u);
    EXPECT_EQ(document_->numPages(), 3);
}

TEST_F(ImportDriver, BeforeAnExportEveryFlowAndPictureIsListedOnce)
{
    PlacedItem::initialize();
    kit::BitmapImageRep rep(2, 2, kit::BitmapImageRep::ColorModel::RGB, false);
    std::shared_ptr<PlacedItem> picture = PlacedItem::initFromStream(rep.TIFFRepresentation());
    ASSERT_TRUE(picture);
    picture->setHasFill(true);
    picture->setFillColor(kit::Color::colorWithDeviceRed(0, 1, 0));
    document_->pageAt(0)->addItems(picture, false);
    document_->addPages(1, 1);
    RTFContext context;
    std::vector<TextFlow*> flows;
    LayoutDocumentIOMethods::buildMarkupLists(*document_, context, flows);
    // The one flow the master column and its copies on both pages share.
    EXPECT_EQ(flows, (std::vector<TextFlow*>{flow_}));
    EXPECT_EQ(context.placedGraphicList(), (std::vector<kit::Object*>{picture.get()}));
    EXPECT_NE(context.colorNumberFor(kit::Color::colorWithDeviceRed(0, 1, 0)), RTFContext::NotFound);
}

} // namespace
