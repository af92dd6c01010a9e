// Pictures in a document shown in a window: a linked EPS file and a TIFF
// held in the document on the page, and an in-line graphic in a paragraph;
// drawn on the screen, printed (Ghostscript renders the page), stored and
// read back, and the linked file followed once the application is active
// again. In-line graphics sit on the baseline by their EPS comments, move
// with their text and print where the screen shows them.

#include "EditingTestSupport.h"

#include "core/Archiver.h"
#include "core/MainQueue.h"
#include "core/Pasteboard.h"
#include "core/Unarchiver.h"
#include "document/LinksInfo.h"
#include "foundation/Paint.h"
#include "foundation/Preferences.h"
#include "graphics/BitmapImageRep.h"
#include "graphics/PostScriptContext.h"
#include "graphics/RasterContext.h"
#include "graphics/tests/WysiwygSupport.h"
#include "items/PlacedItem.h"

#include <sys/stat.h>

#include <chrono>
#include <cmath>
#include <fcntl.h>
#include <fstream>

namespace {

constexpr int kPageWidth = 612, kPageHeight = 792;

void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// A box of one colour, with the comments given.
std::string boxEPS(int w, int h, const char* rgb, const std::string& comments = "")
{
    return "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 " + std::to_string(w) + " " + std::to_string(h) + "\n" +
           comments + "%%EndComments\n" + rgb + " setrgbcolor 0 0 " + std::to_string(w) + " " + std::to_string(h) +
           " rectfill\n";
}

std::string greenTIFF(int w, int h)
{
    kit::BitmapImageRep rep(w, h, kit::BitmapImageRep::ColorModel::RGB, false);
    for (int i = 0; i < w * h; ++i)
        rep.bitmapData()[std::size_t(i) * 3 + 1] = 255;
    return rep.TIFFRepresentation();
}

bool near(std::uint32_t a, std::uint32_t b)
{
    for (int shift = 0; shift < 24; shift += 8)
        if (std::abs(int(a >> shift & 0xFF) - int(b >> shift & 0xFF)) > 8)
            return false;
    return true;
}

// The box of the pixels of a colour; empty when there are none.
kit::Rect boxOf(const QImage& image, std::uint32_t colour)
{
    int x0 = image.width(), y0 = image.height(), x1 = -1, y1 = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (near(image.pixel(x, y) | 0xFF000000u, colour)) {
                x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x), y1 = std::max(y1, y);
            }
    return x1 < 0 ? kit::Rect{} : kit::makeRect(float(x0), float(y0), float(x1 - x0 + 1), float(y1 - y0 + 1));
}

class PlacedGraphics : public EditingTest {
protected:
    void SetUp() override
    {
        startApplication();
        std::string top = SCRIVLY_FIXTURES_DIR;
        top.erase(top.rfind("view/tests/fixtures"));
        static const std::string registered =
            kit::Font::registerFontFromAFM(top + "text/tests/fixtures/Fixed-Test.afm");
        ASSERT_EQ(registered, "");
        font_ = kit::Font::fontWithName("Fixed-Test", 10);
        ASSERT_NE(font_, nullptr);
        document_ = std::make_unique<LayoutDocument>(delegate_->preferences());
        document_->setPageSize(kit::makeSize(kPageWidth, kPageHeight));
        document_->setup();
        document_->setShowTextRects(false);
        pages_.push_back(document_->pageAt(0));
        column_ = addColumn(0, kit::makeRect(72, 72, 300, 200));
        column_->setTextType(1);
        flow_ = column_->flow();
        setFont(flow_);
        openWindow(kit::makeRect(0, 0, kPageWidth, kPageHeight));
        view_->scrollPoint(pages_[0]->pageRect().origin);
        ASSERT_TRUE(kit::equalRects(view_->visibleRect(), pages_[0]->pageRect()));
        folder_ = std::make_unique<wysiwyg::TempFolder>();
        gs_ = wysiwyg::findProgram("gs");
        ASSERT_FALSE(gs_.empty());
    }

    void TearDown() override
    {
        EXPECT_TRUE(waitForRenderings());
        folder_.reset();
        EditingTest::TearDown();
    }

    static bool waitForRenderings()
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (kit::MainQueue::backgroundWorkInFlight() > 0 || kit::MainQueue::hasPosted()) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            kit::MainQueue::waitForPosted(0.05);
            kit::MainQueue::drain();
        }
        return true;
    }

    // What the window shows once every rendering has arrived.
    QImage screen()
    {
        window_->display();
        EXPECT_TRUE(waitForRenderings());
        window_->displayIfNeeded();
        return wysiwyg::screenImage(window_->graphicsContext());
    }

    // The page printed as printing draws it (coordinates running down from
    // the page's top left) and rendered by Ghostscript.
    QImage printed(const LayoutDocument& document, Page* page)
    {
        kit::PostScriptContext ps;
        kit::PostScriptDocumentInfo info;
        info.title = "Pictures";
        ps.beginDocument(info);
        ps.beginPage("1", 1, kit::makeRect(0, 0, kPageWidth, kPageHeight));
        ps.translate(0, kPageHeight);
        ps.scale(1, -1);
        (void)document;
        view_->lockFocus(ps);
        const kit::Rect whole = kit::makeRect(0, 0, kPageWidth, kPageHeight);
        for (const auto& item : page->pageItems()) {
            if (auto* column = dynamic_cast<TextItem*>(item.get())) {
                column->drawSelf(view_->paint(ps, whole), whole);
            } else {
                kit::DrawContext::Scope scope(ps);
                item->drawSelfInView(view_->paint(ps, whole), whole);
            }
        }
        ps.endPage();
        ps.endDocument();
        EXPECT_EQ(ps.errorCount(), 0u) << ps.lastError();
        return wysiwyg::printedImage(gs_, ps, folder_->path(), kPageWidth, kPageHeight);
    }

    std::string path(const std::string& name) const { return (folder_->path() / name).string(); }

    TextWordSpecial* insertGraphic(const std::string& file, std::string* error = nullptr)
    {
        return static_cast<TextWordSpecial*>(flow_->addGraphic(InlineImage::Source::path(file), true, error));
    }

    TextItem* column_ = nullptr;
    std::unique_ptr<wysiwyg::TempFolder> folder_;
    std::string gs_;
};

constexpr std::uint32_t Red = 0xFFFF0000u, Blue = 0xFF0000FFu, Green = 0xFF00FF00u, Yellow = 0xFFFFFF00u;

TEST_F(PlacedGraphics, LinkedEmbeddedAndInlinePicturesAreShownPrintedStoredAndFollowed)
{
    // A linked EPS picture and a TIFF held in the document on the page.
    const std::string linkedPath = path("linked.eps");
    writeFile(linkedPath, boxEPS(100, 50, "1 0 0"));
    std::string error;
    auto linked = PlacedItem::initWithContentsOfFile(linkedPath, true, &error);
    ASSERT_TRUE(linked) << error;
    linked->setFrameOrigin({300, 400});
    pages_[0]->addItems(linked);
    auto embedded = PlacedItem::initFromStream(greenTIFF(40, 30), &error);
    ASSERT_TRUE(embedded) << error;
    embedded->setFrameOrigin({100, 400});
    pages_[0]->addItems(embedded);
    // An in-line graphic in a paragraph.
    const std::string inlinePath = path("inline.eps");
    writeFile(inlinePath, boxEPS(30, 20, "0 0 1"));
    type(flow_, "Pictures ");
    TextWordSpecial* word = insertGraphic(inlinePath, &error);
    ASSERT_TRUE(word) << error;
    type(flow_, " here");
    EXPECT_EQ(document_->linksInfo().count(), 3u);

    const QImage shown = screen();
    EXPECT_TRUE(near(shown.pixel(350, 425) | 0xFF000000u, Red));
    EXPECT_TRUE(near(shown.pixel(120, 415) | 0xFF000000u, Green));
    const kit::Rect inlineOnScreen = boxOf(shown, Blue);
    ASSERT_FALSE(kit::isEmptyRect(inlineOnScreen));
    EXPECT_NEAR(inlineOnScreen.size.width, 30, 1);
    EXPECT_NEAR(inlineOnScreen.size.height, 20, 1);
    // In the column, after "Pictures " in the fixture font (6 points a
    // character at 10 points).
    EXPECT_NEAR(inlineOnScreen.origin.x, 72 + 9 * 6, 1.5);

    const QImage paper = printed(*document_, pages_[0]);
    ASSERT_FALSE(paper.isNull());
    EXPECT_TRUE(near(paper.pixel(350, 425), Red));
    EXPECT_TRUE(near(paper.pixel(120, 415), Green));
    const kit::Rect inlineOnPaper = boxOf(paper, Blue);
    EXPECT_NEAR(inlineOnPaper.origin.x, inlineOnScreen.origin.x, 1);
    EXPECT_NEAR(inlineOnPaper.origin.y, inlineOnScreen.origin.y, 1);
    EXPECT_NEAR(inlineOnPaper.size.width, inlineOnScreen.size.width, 1);

    // Stored with the page and read back into a new document.
    kit::Archiver archiver;
    archiver.setOpenFileVersion(3.0f);
    archiver.encodeRootObject(pages_[0]);
    std::vector<std::unique_ptr<kit::Object>> unclaimed;
    std::unique_ptr<Page> page;
    {
        kit::Unarchiver unarchiver(archiver.data());
        unarchiver.setOpenFileVersion(3.0f);
        page = unarchiver.decodeOwnedObject<Page>();
        unclaimed = unarchiver.releaseUnclaimed();
    }
    ASSERT_TRUE(page);
    LayoutDocument reopened(delegate_->preferences());
    reopened.setPageSize(kit::makeSize(kPageWidth, kPageHeight));
    Page* back = reopened.addPage(std::move(page));
    reopened.setup();
    // As opening lays out every flow: stored words carry no measurements.
    for (const auto& item : back->pageItems())
        if (auto* column = dynamic_cast<TextItem*>(item.get()))
            column->flow()->recomputeAll();
    EXPECT_EQ(reopened.linksInfo().count(), 3u);
    std::vector<std::string> names;
    for (GraphicLink* link : reopened.linksInfo().links())
        names.push_back(link->filename().value_or(""));
    EXPECT_NE(std::find(names.begin(), names.end(), linkedPath), names.end());
    EXPECT_NE(std::find(names.begin(), names.end(), inlinePath), names.end());
    EXPECT_NE(std::find(names.begin(), names.end(), *embedded->filename()), names.end());
    const QImage reprinted = printed(reopened, back);
    EXPECT_TRUE(near(reprinted.pixel(350, 425), Red));
    EXPECT_TRUE(near(reprinted.pixel(120, 415), Green));
    const kit::Rect inlineReprinted = boxOf(reprinted, Blue);
    EXPECT_NEAR(inlineReprinted.origin.x, inlineOnPaper.origin.x, 1);
    EXPECT_NEAR(inlineReprinted.origin.y, inlineOnPaper.origin.y, 1);

    // The linked file changes on disk; once the application is active
    // again the window shows the new picture.
    writeFile(linkedPath, boxEPS(100, 50, "1 1 0"));
    struct timespec later[2];
    later[0].tv_sec = 0;
    later[0].tv_nsec = UTIME_OMIT;
    later[1].tv_sec = static_cast<time_t>(*linked->lastModifyTime()) + 20;
    later[1].tv_nsec = 0;
    ASSERT_EQ(utimensat(AT_FDCWD, linkedPath.c_str(), later, 0), 0);
    EXPECT_TRUE(near(screen().pixel(350, 425) | 0xFF000000u, Red)) << std::hex << screen().pixel(350, 425);
    document_->notifyAppDidBecomeActive();
    EXPECT_TRUE(near(screen().pixel(350, 425) | 0xFF000000u, Yellow)) << std::hex << screen().pixel(350, 425);
}

TEST_F(PlacedGraphics, AnInlineGraphicSitsOnTheBaselineByItsComments)
{
    const struct {
        const char* comments;
        bool flip;
        float descent, width;
    } cases[] = {
        {"", false, 0, 30},
        {"%%Baseline: 0 12 0 0\n", false, 12, 30},
        {"%%Baseline: 0 12 0 0\n", true, -12, 30},
        {"%%Baseline: 0 12 40 0\n", false, 12, 40},
        {"%%Translation: 0 5 0 0\n", true, 5, 30},
        {"%%Baseline: 0 1e30 inf 0\n", false, 0, 30},
    };
    int n = 0;
    for (const auto& c : cases) {
        delegate_->preferences()->setBaselineFlip(c.flip);
        const std::string file = path("baseline" + std::to_string(n++) + ".eps");
        writeFile(file, boxEPS(30, 20, "0 0 1", c.comments));
        TextWordSpecial* word = insertGraphic(file);
        ASSERT_TRUE(word) << c.comments;
        EXPECT_FLOAT_EQ(word->descent(), c.descent) << c.comments;
        EXPECT_FLOAT_EQ(word->ascent(), 20 - c.descent) << c.comments;
        EXPECT_FLOAT_EQ(word->piece(0).width, c.width) << c.comments;
        EXPECT_TRUE(std::isfinite(word->offY())) << c.comments;
    }
    delegate_->preferences()->setBaselineFlip(false);
}

TEST_F(PlacedGraphics, APlacedPictureTakesItsFillAndLineFromThePreferencesAnInlineOneNeither)
{
    Preferences* preferences = delegate_->preferences();
    preferences->setHasFill(true);
    preferences->setHasLine(true);
    preferences->setLineWidth(3);
    const std::string file = path("defaults.eps");
    writeFile(file, boxEPS(30, 20, "0 0 1"));
    auto placed = PlacedItem::initWithContentsOfFile(file, true);
    ASSERT_TRUE(placed);
    EXPECT_TRUE(placed->hasFill());
    EXPECT_TRUE(placed->hasLine());
    EXPECT_FLOAT_EQ(placed->lineWidth(), 3);
    TextWordSpecial* word = insertGraphic(file);
    ASSERT_TRUE(word);
    EXPECT_FALSE(word->graphicItem()->hasFill());
    EXPECT_FALSE(word->graphicItem()->hasLine());
    preferences->setHasFill(false);
    preferences->setHasLine(false);
}

TEST_F(PlacedGraphics, AGraphicWordNotYetLaidOutIsSetUpWhenMeasured)
{
    // A copy on the pasteboard is read without being laid out: its piece
    // has no height until its picture sizes it.
    const std::string file = path("copied.eps");
    writeFile(file, boxEPS(30, 20, "0 0 1", "%%Baseline: 0 12 0 0\n"));
    type(flow_, "a ");
    TextWordSpecial* word = insertGraphic(file);
    ASSERT_TRUE(word);
    const std::string copied = kit::Archiver::archivedDataWithRootObject(word);
    std::vector<std::unique_ptr<kit::Object>> unclaimed;
    std::unique_ptr<TextWordSpecial> back = kit::Unarchiver::unarchiveObjectWithData<TextWordSpecial>(copied, unclaimed);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->piece(0).height, 0.0f);
    TextParagraph* paragraph = flow_->firstParagraph();
    auto* inserted = static_cast<TextWordSpecial*>(paragraph->insertWord(std::move(back), 0));
    inserted->computeWithStyle(nullptr);
    EXPECT_TRUE(std::isfinite(inserted->offY()));
    EXPECT_FLOAT_EQ(inserted->piece(0).height, 20);
    EXPECT_FLOAT_EQ(inserted->descent(), 12);
    EXPECT_FLOAT_EQ(inserted->piece(0).width, 30);
}

TEST_F(PlacedGraphics, AnInlineGraphicMovesWithItsTextAndFollowsItsPicturesSize)
{
    const std::string file = path("moving.eps");
    writeFile(file, boxEPS(30, 20, "0 0 1", "%%Baseline: 0 0 0 0\n"));
    type(flow_, "ab ");
    TextWordSpecial* word = insertGraphic(file);
    ASSERT_TRUE(word);
    flow_->recomputeAll();
    const float before = boxOf(screen(), Blue).origin.x;
    // Five characters before it push it five advances right.
    caretAt(0, 0, 0);
    type(flow_, "xxxxx");
    const float after = boxOf(screen(), Blue).origin.x;
    EXPECT_NEAR(after - before, 5 * 6, 1);

    // Resizing the picture through the word: under a point changes nothing,
    // a point or more takes the new scale and lays the line out again.
    word->forwardToImage([](Item& item) { item.sizeTo(30.5f, 20.5f, false); });
    EXPECT_FLOAT_EQ(word->scaleX(), 1.0f);
    EXPECT_FLOAT_EQ(word->piece(0).width, 30);
    word->forwardToImage([](Item& item) { item.sizeTo(60, 40, false); });
    EXPECT_FLOAT_EQ(word->scaleX(), 2.0f);
    EXPECT_FLOAT_EQ(word->scaleY(), 2.0f);
    EXPECT_FLOAT_EQ(word->piece(0).width, 60);
    EXPECT_FLOAT_EQ(word->ascent(), 40);
    const kit::Rect grown = boxOf(screen(), Blue);
    EXPECT_NEAR(grown.size.width, 60, 1);
    EXPECT_NEAR(grown.size.height, 40, 1);

    // The text as plain text names the picture.
    std::string plain;
    word->writeTextToStream(plain, TextExportPlain);
    EXPECT_EQ(plain, "<graphic:  " + file + "> ");
}

TEST_F(PlacedGraphics, APastedPictureBecomesAnInlineGraphicHeldInTheDocument)
{
    const struct {
        const char* type;
        std::string data;
        const char* extension;
    } cases[] = {
        {kit::TIFFPboardType, greenTIFF(20, 10), "tiff"},
        {kit::PostScriptPboardType, boxEPS(30, 20, "0 0 1"), "eps"},
    };
    for (const auto& c : cases) {
        kit::Pasteboard& pboard = kit::Pasteboard::pasteboardWithUniqueName();
        pboard.declareTypes({c.type}, nullptr);
        pboard.setData(c.data, c.type);
        type(flow_, "x ");
        const unsigned before = document_->linksInfo().count();
        ASSERT_TRUE(column_->paste(pboard, false, view_)) << c.type;
        ASSERT_EQ(document_->linksInfo().count(), before + 1) << c.type;
        GraphicLink* link = document_->linksInfo().linkAtIndex(int(before));
        ASSERT_TRUE(link);
        EXPECT_FALSE(link->isLinked());
        EXPECT_EQ(kit::FileManager::pathExtension(link->filename().value_or("")), c.extension);
        auto* word = dynamic_cast<TextWordSpecial*>(link);
        ASSERT_TRUE(word);
        EXPECT_EQ(word->paragraph(), flow_->currentParagraph());
        pboard.releaseGlobally();
    }
    // Bytes that hold no picture paste nothing.
    kit::Pasteboard& bad = kit::Pasteboard::pasteboardWithUniqueName();
    bad.declareTypes({kit::TIFFPboardType}, nullptr);
    bad.setData("not a picture", kit::TIFFPboardType);
    EXPECT_FALSE(column_->paste(bad, false, view_));
    bad.releaseGlobally();
}

TEST_F(PlacedGraphics, AnInlineGraphicLeavesTheLinksListWithItsText)
{
    const std::string file = path("deleted.eps");
    writeFile(file, boxEPS(30, 20, "0 0 1"));
    type(flow_, "a ");
    TextWordSpecial* word = insertGraphic(file);
    ASSERT_TRUE(word);
    type(flow_, " b");
    ASSERT_EQ(document_->linksInfo().count(), 1u);
    pages_[0]->resolveLinks(); // as after reading: listed once all the same
    ASSERT_EQ(document_->linksInfo().count(), 1u);
    EXPECT_EQ(document_->linksInfo().linkAtIndex(0), static_cast<GraphicLink*>(word));
    EXPECT_EQ(word->linkPage(), pages_[0]);
    flow_->selectAll(column_, view_);
    ASSERT_TRUE(flow_->textSelection());
    flow_->textSelection()->deleteFromItem(column_, true, false);
    EXPECT_EQ(document_->linksInfo().count(), 0u);

    // A file that holds no picture inserts nothing and says why.
    writeFile(file, "no picture");
    std::string error;
    EXPECT_EQ(insertGraphic(file, &error), nullptr);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(document_->linksInfo().count(), 0u);
}

} // namespace
