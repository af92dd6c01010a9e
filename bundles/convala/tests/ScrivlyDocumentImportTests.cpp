// RTF and RTFD files opened by the program as word-processor documents,
// through the document's foreign-file path and the bundle's hooks: the
// text arrives, and the page set-up and column count reach the document's
// guides and master columns.

#include "bundles/convala/tests/ConvalaWordProcessorFixture.h"

#include "bundles/convala/markup/Convala.h"
#include "bundles/convala/markup/LayoutDocumentIOMethods.h"
#include "bundles/convala/markup/ZynImportRun.h"
#include "bundles/convala/rtf/RTFImportMethods.h"

#include "appkit/Menu.h"
#include "appkit/MenuItem.h"
#include "appkit/View.h"
#include "appkit/Window.h"
#include "core/Encoding.h"
#include "core/FileManager.h"
#include "core/FileWrapper.h"
#include "core/Pasteboard.h"
#include "document/Page.h"
#include "text/DocumentView.h"
#include "text/TextSelection.h"

namespace {

class ScrivlyDocumentImport : public ConvalaWordProcessorTest {
protected:
    ScrivlyDocument* open(const std::string& file, bool display = false)
    {
        return dynamic_cast<ScrivlyDocument*>(delegate_->openFile(file, display));
    }

    // The text of the document as UTF-8, paragraphs on lines of their own.
    static std::string unicodeText(const LayoutDocument& document)
    {
        return kit::toUTF8(kit::Encoding::NeXTSTEP, textOf(document));
    }

    // Whether the user was told, with a beep, that parts were left out.
    bool toldOfLostData() const
    {
        return alerts_->beeps() == 1 && alerts_->shown().size() == 1 &&
               alerts_->shown()[0].title == delegate_->valueForStringKey("Import") &&
               alerts_->shown()[0].message == delegate_->valueForStringKey("ImportDataLoss");
    }
};

TEST_F(ScrivlyDocumentImport, AnRTFFileBringsItsTextPaperMarginsAndColumns)
{
    const std::string file = path("report.rtf");
    // A4 with 1.25 inch side margins, two columns 0.5 inch apart.
    ASSERT_TRUE(kit::FileManager::writeFileAtomically(
        file, "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Times;}}\\paperw11900\\paperh16840\\margl1800\\margr1800"
              "\\cols2\\colsx720 First paragraph.\\par Second one.\\par}"));
    ScrivlyDocument* document = open(file);
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(textOf(*document), "First paragraph.\nSecond one.\n\n");
    EXPECT_EQ(document->fileFormat(), "Rich Text Format (rtf)");
    EXPECT_FLOAT_EQ(document->pageSize().width, 595);
    EXPECT_FLOAT_EQ(document->pageSize().height, 842);
    EXPECT_FLOAT_EQ(document->leftMargin(), 90);
    EXPECT_FLOAT_EQ(document->rightMargin(), 595 - 90);
    EXPECT_EQ(document->columnCount(), 2);
    EXPECT_FLOAT_EQ(document->columnGutterWidth(), 36);
    const std::vector<TextItem*> masters = document->masterColumns();
    ASSERT_EQ(masters.size(), 2u);
    const float width = (595 - 180 - 36) / 2.0f;
    EXPECT_FLOAT_EQ(masters[1]->frame().origin.x, 90 + width + 36);
    TextItem* second = document->pageAt(0)->copyOfMaster(masters[1]);
    ASSERT_NE(second, nullptr);
    EXPECT_FLOAT_EQ(second->frame().size.width, width);
    EXPECT_EQ(document->activeDocumentContents(), nullptr);
}

TEST_F(ScrivlyDocumentImport, AnRTFDFolderIsReadWithItsMainFile)
{
    const std::string folder = path("notes.rtfd");
    ASSERT_TRUE(kit::FileManager::createDirectoryAtPath(folder));
    ASSERT_TRUE(kit::FileManager::writeFileAtomically(folder + "/TXT.rtf", "{\\rtf1\\ansi In a folder.\\par}"));
    ScrivlyDocument* document = open(folder);
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(textOf(*document), "In a folder.\n\n");
    EXPECT_EQ(document->fileFormat(), "Rich Text Format Directory (rtfd)");
}

// A header group that shrinks the paper below the header's own height: the
// main column stays on the page, and the read says that the file's layout
// could not be kept.
TEST_F(ScrivlyDocumentImport, AHeaderTallerThanThePaperLeavesTheMainColumnOnThePage)
{
    const std::string rtf = "{\\rtf1\\ansi{\\header One\\par Two\\par Three\\par Four\\par Five\\par Six\\par"
                            " Seven\\par\\paperh1440}Body text.\\par}";
    const std::string folder = path("tall.rtfd");
    ASSERT_TRUE(kit::FileManager::createDirectoryAtPath(folder));
    ASSERT_TRUE(kit::FileManager::writeFileAtomically(folder + "/TXT.rtf", rtf));
    ASSERT_TRUE(kit::FileManager::writeFileAtomically(path("tall.rtf"), rtf));
    for (const std::string& file : {path("tall.rtf"), folder}) {
        SCOPED_TRACE(file);
        ScrivlyDocument* document = open(file);
        ASSERT_NE(document, nullptr);
        const kit::Size page = document->pageSize();
        EXPECT_FLOAT_EQ(page.height, 72);
        EXPECT_NE(textOf(*document).find("Body text."), std::string::npos);
        std::vector<TextItem*> columns = document->masterColumns();
        columns.push_back(document->mainTextItemForPage(document->pageAt(0)));
        for (TextItem* column : columns) {
            ASSERT_NE(column, nullptr);
            const kit::Rect frame = column->frame();
            EXPECT_GE(frame.origin.y, 0.0f);
            EXPECT_GE(frame.size.height, RTFImportMethods::MinColumnWidth);
            EXPECT_LE(frame.origin.y + frame.size.height, page.height);
            EXPECT_GE(frame.origin.x, 0.0f);
            EXPECT_LE(frame.origin.x + frame.size.width, page.width);
        }
    }
    ScrivlyDocument* document = newDocument();
    bool lost = false;
    ASSERT_TRUE(LayoutDocumentIOMethods::dispatchRTFStream(*document, rtf, &lost, ZynImportOptions{true, nullptr}));
    EXPECT_TRUE(lost);
}

TEST_F(ScrivlyDocumentImport, TwoColumnsSetThroughTheDocumentSurviveSaveAndReopen)
{
    ScrivlyDocument* document = newDocument();
    typeText(*document, "Columns kept.");
    ASSERT_TRUE(document->resetDocumentColumnCount(2, 24));
    const std::string file = path("columns.syb");
    ASSERT_TRUE(document->saveFile(file, false));
    EXPECT_TRUE(document->close(nullptr) == nullptr);
    ScrivlyDocument* again = open(file);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->columnCount(), 2);
    EXPECT_FLOAT_EQ(again->columnGutterWidth(), 24);
    EXPECT_EQ(again->masterColumns().size(), 2u);
    EXPECT_EQ(textOf(*again), "Columns kept.\n");
    EXPECT_FALSE(again->isEdited());
}

// A plain-text file opens as what it is: well-formed UTF-8 (with or without
// a byte-order mark) as UTF-8, anything else as Windows-1252. What the
// documents' character set lacks is left out, and the user is told.
TEST_F(ScrivlyDocumentImport, APlainTextFileOpensInItsOwnEncoding)
{
    const struct {
        const char* name;
        std::string bytes;
        const char* text;
        bool lost;
    } cases[] = {
        {"utf8.txt", "Caf\xC3\xA9 na\xC3\xAFve\n\xC5\x93uvre \xE2\x80\x94 1\xC2\xBD",
         "Caf\xC3\xA9 na\xC3\xAFve\n\xC5\x93uvre \xE2\x80\x94 1\xC2\xBD\n", false},
        {"bom.txt", "\xEF\xBB\xBF" "Stra\xC3\x9F" "e", "Stra\xC3\x9F" "e\n", false},
        {"latin.txt", "Caf\xE9 na\xEFve \x93q\x94 \x97",
         "Caf\xC3\xA9 na\xC3\xAFve \xE2\x80\x9Cq\xE2\x80\x9D \xE2\x80\x94\n", false},
        // One malformed byte makes the whole file Windows-1252.
        {"mixed.txt", "Caf\xC3\xA9 \xE9", "Caf\xC3\x83\xC2\xA9 \xC3\xA9\n", false},
        {"euro.txt", "5\xE2\x82\xAC or \xC2\xA3" "5", "5 or \xC2\xA3" "5\n", true},
        {"emoji.txt", "smile\xF0\x9F\x98\x80!", "smile!\n", true},
        {"latin-euro.txt", "5\x80 or \xA3" "5", "5 or \xC2\xA3" "5\n", true},
        {"undefined.txt", "a\x81z", "az\n", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        alerts_->reset();
        const std::string file = path(c.name);
        ASSERT_TRUE(kit::FileManager::writeFileAtomically(file, c.bytes));
        ScrivlyDocument* document = open(file, true);
        ASSERT_NE(document, nullptr);
        EXPECT_EQ(document->fileFormat(), "ascii");
        EXPECT_EQ(unicodeText(*document), c.text);
        EXPECT_EQ(toldOfLostData(), c.lost);
        EXPECT_EQ(alerts_->shown().empty(), !c.lost);
    }
    // Told only when the document is shown.
    alerts_->reset();
    ASSERT_NE(open(path("euro.txt"), false), nullptr);
    EXPECT_TRUE(alerts_->shown().empty());
    EXPECT_EQ(alerts_->beeps(), 0);
}

// An RTF file that lost parts on its way in says so too, though it opens as
// an untitled document of its own format.
TEST_F(ScrivlyDocumentImport, AnOpenedRTFFileThatLostPartsTellsTheUser)
{
    const std::string lossy = path("lossy.rtf");
    ASSERT_TRUE(kit::FileManager::writeFileAtomically(lossy, "{\\rtf1\\ansi 5\\u8364\\'3f each\\par}"));
    ScrivlyDocument* document = open(lossy, true);
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(document->fileFormat(), "Rich Text Format (rtf)");
    // The euro has no place in the documents' set: left out, never its fallback.
    EXPECT_EQ(unicodeText(*document), "5 each\n\n");
    EXPECT_TRUE(toldOfLostData());

    alerts_->reset();
    const std::string whole = path("whole.rtf");
    ASSERT_TRUE(kit::FileManager::writeFileAtomically(whole, "{\\rtf1\\ansi caf\\'e9\\par}"));
    ASSERT_NE(open(whole, true), nullptr);
    EXPECT_TRUE(alerts_->shown().empty());
}

// What Scrivly writes as plain text (UTF-8) opens again as the same text,
// and writes the same bytes again.
TEST_F(ScrivlyDocumentImport, ThePlainTextSaveReopensUnchanged)
{
    const std::string text = "Caf\xC3\xA9, \xC3\xBC" "ber die Stra\xC3\x9F" "e, gar\xC3\xA7on, \xC5\x93uvre.\n"
                             "\xE2\x80\x9CQuoted\xE2\x80\x9D and \xE2\x80\x98single\xE2\x80\x99, it's \"straight\".\n"
                             "En \xE2\x80\x93 and em \xE2\x80\x94 dashes, \xC2\xA3" "5 and \xC2\xBD.\n"
                             "one\ttwo\tthree\n"
                             "\xC3\x83\xC2\xA9 is how Windows-1252 shows \xC3\xA9 written as UTF-8.\n"
                             "{braces} and \\back\\slashes\n"
                             "\n"
                             "Last line";
    const std::optional<std::string> bytes = kit::fromUTF8(kit::Encoding::NeXTSTEP, text);
    ASSERT_TRUE(bytes);
    ScrivlyDocument* document = newDocument();
    typeText(*document, *bytes);
    const std::string typed = textOf(*document);
    document->setFileFormat("ascii");
    const std::string file = path("round.txt");
    ASSERT_TRUE(document->saveFile(file, false));
    const std::string saved = kit::FileManager::contentsAtPath(file).value_or("");
    EXPECT_TRUE(kit::isWellFormedUTF8(saved));
    EXPECT_NE(saved.find("Caf\xC3\xA9, \xC3\xBC" "ber die Stra\xC3\x9F" "e, gar\xC3\xA7on, \xC5\x93uvre.\n"),
              std::string::npos)
        << saved;
    EXPECT_EQ(document->close(nullptr), nullptr);

    ScrivlyDocument* again = open(file, true);
    ASSERT_NE(again, nullptr);
    ASSERT_NE(again, document);
    EXPECT_EQ(again->fileFormat(), "ascii");
    EXPECT_EQ(textOf(*again), typed);
    EXPECT_TRUE(alerts_->shown().empty());
    const std::string second = path("again.txt");
    ASSERT_TRUE(again->saveFile(second, false));
    EXPECT_EQ(kit::FileManager::contentsAtPath(second), saved);
}

// Plain text from another program is converted once, character by
// character: what the documents' set holds arrives as it is, the rest is
// left out and the user is told, as for pasted RTF.
TEST_F(ScrivlyDocumentImport, PastedPlainTextArrivesCharacterByCharacter)
{
    const struct {
        std::string pasted;
        const char* text;
        bool lost;
    } cases[] = {
        {"caf\xC3\xA9 na\xC3\xAFve", "xcaf\xC3\xA9 na\xC3\xAFve\n", false},
        {"\xE2\x80\x9Cq\xE2\x80\x9D \xE2\x80\x94 1\xC2\xBD", "x\xE2\x80\x9Cq\xE2\x80\x9D \xE2\x80\x94 1\xC2\xBD\n",
         false},
        // The degree sign is not in the set.
        {"50\xC2\xB0 in the shade", "x50 in the shade\n", true},
        {"a{b}\\c\nline 2", "xa{b}\\c\nline 2\n", false},
        // One euro sign no longer refuses the whole paste.
        {"5\xE2\x82\xAC or \xC2\xA3" "5", "x5 or \xC2\xA3" "5\n", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pasted);
        alerts_->reset();
        ScrivlyDocument* document = newDocument();
        typeText(*document, "x");
        TextItem* column = document->mainTextItemForPage(document->pageAt(0));
        ASSERT_NE(column, nullptr);
        kit::Pasteboard& pboard = kit::Pasteboard::pasteboardWithUniqueName();
        pboard.declareTypes({kit::StringPboardType}, nullptr);
        pboard.setString(c.pasted, kit::StringPboardType);
        EXPECT_TRUE(column->paste(pboard, false, nullptr));
        pboard.releaseGlobally();
        EXPECT_EQ(unicodeText(*document), c.text);
        if (c.lost) {
            ASSERT_EQ(alerts_->shown().size(), 1u);
            EXPECT_EQ(alerts_->shown()[0].title, delegate_->valueForStringKey("ImportProblem"));
            EXPECT_EQ(alerts_->shown()[0].message, delegate_->valueForStringKey("ImportDataLoss"));
        } else {
            EXPECT_TRUE(alerts_->shown().empty());
        }
    }
}

// Edit > Paste, its key equivalent (Super-V) and the text's paste keys of
// the key table (Control-Y, Shift-Insert) take one route: the same text
// arrives and the same alert tells what was left out.
TEST_F(ScrivlyDocumentImport, ThePasteKeysActAsTheMenuItemDoes)
{
    kit::Application& app = kit::Application::sharedApplication();
    app.setMainMenu(delegate_->makeMainMenu());
    kit::MenuItem* paste = nullptr;
    for (kit::MenuItem* top : app.mainMenu()->itemArray())
        if (kit::Menu* menu = top->submenu(); menu && menu->title() == "Edit")
            paste = menu->itemWithTitle("Paste");
    ASSERT_NE(paste, nullptr);

    const auto key = [](std::u16string characters, std::u16string plain, unsigned flags, int window) {
        return kit::Event::keyEventWithType(kit::EventType::KeyDown, {}, flags, kit::Clock::now(), window, characters,
                                            plain, false);
    };
    const struct {
        const char* route;
        std::function<kit::Event(int window)> event;
    } routes[] = {
        {"menu",
         [&](int) {
             return kit::Event::otherEventWithType(kit::EventType::AppKitDefined, {}, 0, kit::Clock::now(), 0,
                                                   kit::MenuItemChosenSubtype, long(paste->serial()));
         }},
        {"Super-V", [&](int window) { return key(u"v", u"v", kit::CommandKeyMask, window); }},
        {"Control-Y", [&](int window) { return key(u"\x19", u"y", kit::ControlKeyMask, window); }},
        {"Shift-Insert", [&](int window) { return key(u"\uF727", u"\uF727", kit::ShiftKeyMask, window); }},
    };
    for (const auto& r : routes) {
        SCOPED_TRACE(r.route);
        auto* document = dynamic_cast<ScrivlyDocument*>(delegate_->new_(true));
        ASSERT_NE(document, nullptr);
        typeText(*document, "x");
        auto* view = dynamic_cast<kit::View*>(document->mainView());
        ASSERT_TRUE(view && view->window());
        ASSERT_TRUE(document->mainView()->isEditing());
        kit::Pasteboard& general = kit::Pasteboard::generalPasteboard();
        general.declareTypes({kit::StringPboardType}, nullptr);
        general.setString("caf\xC3\xA9 5\xE2\x82\xAC", kit::StringPboardType);
        alerts_->reset();
        app.sendEvent(r.event(view->window()->windowNumber()));
        EXPECT_EQ(unicodeText(*document), "xcaf\xC3\xA9 5\n");
        ASSERT_EQ(alerts_->shown().size(), 1u);
        EXPECT_EQ(alerts_->shown()[0].message, delegate_->valueForStringKey("ImportDataLoss"));
        EXPECT_TRUE(document->isEdited());
        document->close(nullptr);
    }
    app.setMainMenu(nullptr);
}

} // namespace
