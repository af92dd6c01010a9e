// How a placed picture draws: the empty-frame forms, the one alert of a
// picture that fails (told after the drawing), pictures too large for a
// cache, colour separations, the drop shadow of an EPS picture, rotated
// pictures, renderings that arrive later; its per-zoom cache; and its hit
// tests by opaque pixels.

#include "ItemTestSupport.h"
#include "PictureTestSupport.h"

#include "core/Alert.h"
#include "core/MainQueue.h"
#include "foundation/CMGeometry.h"
#include "foundation/StyleGraphic.h"
#include "graphics/BitmapImageRep.h"
#include "graphics/PostScriptContext.h"
#include "graphics/RecordingContext.h"
#include "items/PlacedItem.h"
#include "view/PageView.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using pictures::TempDir;

// A bitmap picture held in the document: w x h pixels at 72 dpi, every
// pixel the colour, alpha as given (none: no alpha at all).
std::shared_ptr<PlacedItem> bitmapPicture(int w, int h, kit::BitmapImageRep::ColorModel model,
                                          std::optional<unsigned char> alpha = std::nullopt)
{
    kit::BitmapImageRep rep(w, h, model, alpha.has_value());
    unsigned char* d = rep.bitmapData();
    const int spp = rep.samplesPerPixel();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int s = 0; s < spp; ++s)
                d[std::size_t(y) * rep.bytesPerRow() + std::size_t(x * spp + s)] =
                    alpha && s == spp - 1 ? *alpha : static_cast<unsigned char>(s == 0 ? 200 : 40);
    return PlacedItem::initFromStream(rep.TIFFRepresentation());
}

class PlacedDrawing : public ::testing::Test {
protected:
    static void SetUpTestSuite() { setUpItemClasses(); }
    void SetUp() override
    {
        alerts_ = std::make_shared<kit::ScriptedAlertHandler>();
        previous_ = kit::setAlertHandler(alerts_);
    }
    void TearDown() override
    {
        EXPECT_TRUE(pictures::settle());
        kit::setAlertHandler(previous_);
    }
    static PlacedPaint screenPaint(kit::DrawContext& context, float zoom = 1.0f)
    {
        PlacedPaint paint{context};
        paint.zoom = zoom;
        return paint;
    }

    std::shared_ptr<kit::ScriptedAlertHandler> alerts_;
    std::shared_ptr<kit::AlertHandler> previous_;
    const kit::Rect everywhere_ = kit::makeRect(-1000, -1000, 3000, 3000);
};

TEST_F(PlacedDrawing, TheEmptyFrameFormShowsTheNameOnlyWhileTheFrameIsAtMostRotated)
{
    auto item = bitmapPicture(30, 20, kit::BitmapImageRep::ColorModel::RGB);
    ASSERT_TRUE(item);
    item->setFrame(kit::makeRect(10, 10, 90, 60));
    const struct {
        const char* what;
        void (*shape)(PlacedItem&);
        bool named;
    } cases[] = {
        {"upright", [](PlacedItem&) {}, true},
        {"rotated", [](PlacedItem& i) { i.rotateByAngle(30); }, true},
        {"sheared", [](PlacedItem& i) { i.shear(0.5f, 0); }, false},
        {"flipped", [](PlacedItem& i) { i.flip(1); }, false},
    };
    for (const auto& c : cases) {
        auto shaped = bitmapPicture(30, 20, kit::BitmapImageRep::ColorModel::RGB);
        shaped->setFrame(kit::makeRect(10, 10, 90, 60));
        c.shape(*shaped);
        for (bool white : {false, true}) {
            kit::RecordingContext screen;
            screen.setDrawingToScreen(true);
            PlacedPaint paint = screenPaint(screen);
            paint.showGraphics = false; // the document hides its pictures
            ASSERT_TRUE(shaped->renderInView(paint, everywhere_, white)) << c.what;
            EXPECT_EQ(screen.count("compositeImage") + screen.count("drawImage"), 0u) << c.what;
            EXPECT_EQ(screen.count("setdash"), 1u) << c.what; // the dotted frame
            EXPECT_EQ(screen.count("show"), c.named ? 1u : 0u) << c.what;
            bool grayFill = false;
            for (const auto& op : screen.ops())
                if (op.name == "setgray" && !op.numbers.empty() &&
                    std::abs(op.numbers[0] - (white ? 0.8f : 0.8333f)) < 1e-4f)
                    grayFill = true;
            EXPECT_TRUE(grayFill) << c.what;
        }
    }
}

TEST_F(PlacedDrawing, AMissingLinkedFileIsDrawnAsALightFrameWithoutAnAlert)
{
    TempDir dir;
    const std::string path = dir.file("gone.eps");
    pictures::writeFile(path, pictures::ourEPS());
    auto item = PlacedItem::initWithContentsOfFile(path, true);
    ASSERT_TRUE(item);
    std::filesystem::remove(path);
    item->setNeedsChecking(true);
    kit::RecordingContext screen;
    screen.setDrawingToScreen(true);
    ASSERT_TRUE(item->renderInView(screenPaint(screen), everywhere_, false));
    EXPECT_TRUE(item->cantFind());
    EXPECT_FALSE(item->needsChecking());
    EXPECT_EQ(screen.count("compositeImage"), 0u);
    EXPECT_EQ(screen.count("show"), 1u);
    kit::MainQueue::drain();
    EXPECT_TRUE(alerts_->shown().empty());
}

TEST_F(PlacedDrawing, APictureThatFailsIsToldOnceAfterTheDrawingThenShownAsAnEmptyFrame)
{
    // PostScript that Ghostscript cannot run: the rendering fails.
    auto item = PlacedItem::initFromStream("%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 40 20\n%%EndComments\n"
                                           "0 0 moveto nosuchoperator\n");
    ASSERT_TRUE(item);
    kit::RecordingContext screen;
    screen.setDrawingToScreen(true);
    // While the rendering is made, the empty frame shows: nothing waits.
    item->renderInView(screenPaint(screen), everywhere_, false);
    EXPECT_EQ(screen.count("setdash"), 1u);
    kit::Image* image = item->_findMatchingImage(1.0f);
    ASSERT_TRUE(image);
    ASSERT_TRUE(pictures::runUntil([&] { return image->cacheState() != kit::Image::CacheState::NotReady; }));
    ASSERT_EQ(image->cacheState(), kit::Image::CacheState::Failed);

    for (int pass = 0; pass < 3; ++pass) {
        screen.clear();
        item->renderInView(screenPaint(screen), everywhere_, false);
        // Never inside the drawing.
        EXPECT_EQ(alerts_->shown().size(), pass == 0 ? 0u : 1u) << pass;
        EXPECT_EQ(screen.count("setdash"), 1u) << pass;
        kit::MainQueue::drain();
        ASSERT_EQ(alerts_->shown().size(), 1u) << pass;
    }
    EXPECT_TRUE(item->errorNoted());
    const auto& alert = alerts_->shown()[0];
    EXPECT_EQ(alert.title, "ImageError");
    EXPECT_EQ(alert.message, "ImageErrorStringI" + *item->filename() + "ImageErrorStringII");
    // Printing says nothing and puts nothing in its place.
    kit::RecordingContext paper;
    PlacedPaint print{paper};
    print.screen = false;
    item->renderInView(print, everywhere_, false);
    kit::MainQueue::drain();
    EXPECT_EQ(alerts_->shown().size(), 1u);
}

TEST_F(PlacedDrawing, APictureTooLargeForACacheIsDrawnFromThePictureItself)
{
    const float saved = CMMaxImageSize;
    CMMaxImageSize = 150;
    auto item = bitmapPicture(40, 20, kit::BitmapImageRep::ColorModel::RGB);
    item->setFrame(kit::makeRect(0, 0, 100, 50));
    for (const auto& [zoom, cached] : {std::pair{1.0f, true}, {1.5f, true}, {2.0f, false}}) {
        kit::RecordingContext screen;
        screen.setDrawingToScreen(true);
        item->renderInView(screenPaint(screen, zoom), everywhere_, false);
        EXPECT_EQ(screen.count("compositeImage"), cached ? 1u : 0u) << zoom;
        EXPECT_EQ(screen.count("drawImage"), cached ? 0u : 1u) << zoom;
        kit::Image* image = item->_findMatchingImage(zoom);
        ASSERT_TRUE(image);
        EXPECT_EQ(image->cacheSideLimit(), 150.0f);
    }
    CMMaxImageSize = saved;
}

TEST_F(PlacedDrawing, SeparationPlatesPrintBitmapsOnlyWhereTheirColoursSeparate)
{
    using Model = kit::BitmapImageRep::ColorModel;
    auto gray = bitmapPicture(4, 4, Model::Gray);
    auto rgb = bitmapPicture(4, 4, Model::RGB);
    auto cmyk = bitmapPicture(4, 4, Model::CMYK);
    auto eps = PlacedItem::initFromStream(pictures::ourEPS());
    const struct {
        PlacedItem* item;
        int plate;
        bool eps;
        bool printed;
    } cases[] = {
        {gray.get(), 0, false, true},    {gray.get(), 104, false, false}, {gray.get(), 101, false, false},
        {rgb.get(), 104, false, true},   {cmyk.get(), 102, false, true},  {rgb.get(), 105, false, false},
        {cmyk.get(), 105, false, false}, {eps.get(), 105, true, true},    {eps.get(), 104, true, true},
        {gray.get(), 104, true, true}, // an EPS operation separates nothing
    };
    for (const auto& c : cases) {
        kit::RecordingContext paper;
        paper.setEPSOperation(c.eps && c.item == gray.get());
        PlacedPaint print{paper};
        print.screen = false;
        print.plateCode = c.plate;
        c.item->renderInView(print, everywhere_, false);
        const std::size_t drawn = paper.count("drawImage") + paper.count("includeEPS");
        EXPECT_EQ(drawn, c.printed ? 1u : 0u) << c.plate << " " << c.item->filename().value_or("");
    }
}

TEST_F(PlacedDrawing, TheDropShadowOfAnEPSPictureIsThePicturesOwnPostScriptInTheShadowColour)
{
    // Held in the document, from a DOS-EPS file: its name is no file, and
    // the file's bytes start with a binary header.
    TempDir dir;
    auto item = PlacedItem::initFromStream(pictures::dosEPS(pictures::ourEPS()));
    ASSERT_TRUE(item);
    item->setFrame(kit::makeRect(20, 20, 100, 50));
    item->setDropShadow(true);
    item->setNewShadowOffset({10, 8});
    item->setNewShadowColor(kit::Color::colorWithDeviceRed(0, 1, 0));
    constexpr int W = 160, H = 100;
    kit::PostScriptContext ps;
    ps.beginPage("1", 1, kit::makeRect(0, 0, W, H));
    ps.translate(0, H);
    ps.scale(1, -1);
    PlacedPaint print{ps};
    print.screen = false;
    item->renderInView(print, everywhere_, false);
    ps.endDocument();
    // The picture twice: once as its shadow, once itself.
    const std::string& out = ps.output();
    const std::string picture = pictures::ourEPS();
    const std::size_t first = out.find(picture);
    ASSERT_NE(first, std::string::npos);
    EXPECT_NE(out.find(picture, first + 1), std::string::npos);
    EXPECT_EQ(out.find("LAYVANE_MISSING_FILE_ERROR"), std::string::npos);
    const std::vector<std::uint32_t> printed = pictures::ghostscriptPixels(dir, out, W, H);
    ASSERT_EQ(printed.size(), std::size_t(W * H));
    auto at = [&](int x, int y) { return printed[std::size_t(y) * W + x]; };
    // The red square and the blue bar, and below and right of them their
    // shadow in green where the picture does not cover it.
    EXPECT_LE(pictures::channelDistance(at(40, 45), 0xFFFF0000u), 3);
    EXPECT_LE(pictures::channelDistance(at(100, 60), 0xFF0000FFu), 3);
    EXPECT_LE(pictures::channelDistance(at(125, 70), 0xFF00FF00u), 3); // the bar's shadow
    EXPECT_LE(pictures::channelDistance(at(35, 74), 0xFF00FF00u), 3);  // the square's
    EXPECT_LE(pictures::channelDistance(at(115, 30), 0xFFFFFFFFu), 3); // above the bar: nothing
}

TEST_F(PlacedDrawing, ARotatedPictureIsDrawnFromItsCacheThroughItsMatrix)
{
    // 20 x 10 pixels, the left half red, the right half blue, shown five
    // times its size and turned a quarter.
    kit::BitmapImageRep rep(20, 10, kit::BitmapImageRep::ColorModel::RGB, false);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x)
            rep.bitmapData()[std::size_t(y) * rep.bytesPerRow() + std::size_t(x * 3 + (x < 10 ? 0 : 2))] = 255;
    auto item = PlacedItem::initFromStream(rep.TIFFRepresentation());
    ASSERT_TRUE(item);
    item->setFrame(kit::makeRect(60, 20, 100, 50));
    kit::Image* image = item->_findMatchingImage(1.0f);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->delegate(), nullptr);
    item->rotateByAngle(90);
    EXPECT_NE(image->delegate(), nullptr); // a transformed picture draws through its delegate
    kit::RasterContext screen(220, 160);
    pictures::layOutAsPage(screen, 1.0f);
    ASSERT_TRUE(item->renderInView(screenPaint(screen), kit::makeRect(0, 0, 220, 160), false));
    // Where the matrix takes the frame's corners: a quarter turn about the
    // frame's origin maps a point (dx, dy) from it to (-dy, dx).
    auto where = [](float dx, float dy) { return std::pair{int(60 - dy), int(20 + dx)}; };
    const auto [rx, ry] = where(25, 25);
    const auto [bx, by] = where(75, 25);
    EXPECT_EQ(screen.pixel(rx, ry), 0xFFFF0000u);
    EXPECT_EQ(screen.pixel(bx, by), 0xFF0000FFu);
    const auto [ox, oy] = where(-10, 25); // outside the frame
    EXPECT_EQ(screen.pixel(ox, oy), 0xFFFFFFFFu);
    // Untransformed again, the delegate goes.
    item->makeNatural();
    EXPECT_EQ(image->delegate(), nullptr);
}

// The picture's rendering arrives later; its document's views redraw it.
class CountingView : public PageView {
public:
    void notifyUpdateForItems(const std::vector<kit::Object*>* items) override
    {
        updates.push_back(items ? *items : std::vector<kit::Object*>{});
    }
    std::vector<std::vector<kit::Object*>> updates;
};

TEST_F(PlacedDrawing, AnEPSRenderingArrivesWithoutTheDrawingWaitingAndTheViewsRedrawThePicture)
{
    LayoutDocument document;
    document.setup();
    CountingView view;
    document.addView(&view);
    auto item = PlacedItem::initFromStream(pictures::ourEPS());
    ASSERT_TRUE(item);
    document.pageAt(0)->addItems(item);
    view.updates.clear();
    kit::RecordingContext screen;
    screen.setDrawingToScreen(true);
    item->renderInView(screenPaint(screen), everywhere_, false);
    kit::Image* image = item->_findMatchingImage(1.0f);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->cacheState(), kit::Image::CacheState::NotReady);
    EXPECT_EQ(screen.count("compositeImage"), 0u);
    EXPECT_EQ(screen.count("setdash"), 1u);
    ASSERT_TRUE(pictures::runUntil([&] { return !view.updates.empty(); }));
    EXPECT_EQ(view.updates.back(), std::vector<kit::Object*>{item.get()});
    screen.clear();
    item->renderInView(screenPaint(screen), everywhere_, false);
    EXPECT_EQ(screen.count("compositeImage"), 1u);

    // Too large for a cache, it is rendered at the size drawn: that rendering
    // too redraws the picture when it arrives.
    const float saved = CMMaxImageSize;
    CMMaxImageSize = 50;
    view.updates.clear();
    screen.clear();
    item->renderInView(screenPaint(screen), everywhere_, false);
    EXPECT_EQ(screen.count("setdash"), 1u);
    EXPECT_EQ(screen.count("drawImage"), 0u);
    ASSERT_TRUE(pictures::runUntil([&] { return !view.updates.empty(); }));
    screen.clear();
    item->renderInView(screenPaint(screen), everywhere_, false);
    EXPECT_EQ(screen.count("drawImage"), 1u);
    EXPECT_EQ(screen.count("setdash"), 0u);
    CMMaxImageSize = saved;
    document.detachView(&view);
}

TEST_F(PlacedDrawing, ThumbnailsObjectLinksAndTheAudit)
{
    LayoutDocument document;
    document.setup();
    auto item = bitmapPicture(30, 20, kit::BitmapImageRep::ColorModel::RGB);
    item->setFrame(kit::makeRect(10, 10, 30, 20));
    document.pageAt(0)->addItems(item);
    // The fast form of page thumbnails: a dark box.
    kit::RecordingContext thumbnail;
    thumbnail.setDrawingToScreen(true);
    EXPECT_TRUE(item->drawFastInView(screenPaint(thumbnail), everywhere_));
    EXPECT_EQ(thumbnail.count("rectfill") + thumbnail.count("doUserPath"), 1u);
    EXPECT_FALSE(item->drawFastInView(screenPaint(thumbnail), kit::makeRect(500, 500, 10, 10)));
    // An object-linked picture is framed where the view shows object links.
    document.assignSerialNumberToObjectLinkItem(item.get());
    document.addDestinationLink(item->createDestinationSelection());
    ASSERT_TRUE(item->isObjectLinked());
    for (bool shown : {false, true}) {
        kit::RecordingContext screen;
        screen.setDrawingToScreen(true);
        PlacedPaint paint = screenPaint(screen);
        paint.showObjectLinks = shown;
        item->renderInView(paint, everywhere_, false);
        EXPECT_EQ(screen.count("frameLinkRect"), shown ? 1u : 0u);
    }
    ::testing::internal::CaptureStdout();
    item->audit(0);
    const std::string dump = ::testing::internal::GetCapturedStdout();
    EXPECT_NE(dump.find("\t" + *item->filename() + "\n"), std::string::npos) << dump;
}

TEST_F(PlacedDrawing, ScaleAndNaturalProportions)
{
    auto item = PlacedItem::initFromStream(pictures::ourEPS()); // a box of 100 x 50
    ASSERT_TRUE(item);
    const struct {
        kit::Size frame;
        float sx, sy;
        bool natural;
    } cases[] = {
        {{100, 50}, 1, 1, true},
        {{50, 25}, 0.5f, 0.5f, true},
        {{100.002f, 50}, 1.00002f, 1.00002f, true}, // within 5e-5: made equal
        {{200, 50}, 2, 1, false},
        {{100, 0}, 1, 0, true},
    };
    for (const auto& c : cases) {
        item->setFrameSize(c.frame);
        float sx = 0, sy = 0;
        EXPECT_TRUE(item->getScale(&sx, &sy));
        EXPECT_FLOAT_EQ(sx, c.sx) << c.frame.width << "x" << c.frame.height;
        EXPECT_FLOAT_EQ(sy, c.sy) << c.frame.width << "x" << c.frame.height;
        EXPECT_EQ(item->shouldResizeNaturally(), c.natural) << c.frame.width << "x" << c.frame.height;
    }
    // Back to its proportions from the same origin; nothing to do once there.
    item->setFrame(kit::makeRect(0, 0, 200, 50));
    item->setNeedsChecking(false);
    item->makeNatural();
    EXPECT_EQ(item->frame(), kit::makeRect(0, 0, 100, 50));
    EXPECT_TRUE(item->needsChecking());
    item->setNeedsChecking(false);
    item->makeNatural();
    EXPECT_FALSE(item->needsChecking());
    item->flip(1);
    EXPECT_TRUE(item->needsChecking());
}

// ---- The cache.

class PlacedCache : public PlacedDrawing {
protected:
    void SetUp() override
    {
        PlacedDrawing::SetUp();
        document_.setup();
        item_ = bitmapPicture(20, 10, kit::BitmapImageRep::ColorModel::RGB);
        item_->setFrame(kit::makeRect(10, 10, 40, 20));
        document_.pageAt(0)->addItems(item_);
    }
    void TearDown() override
    {
        for (auto& view : views_)
            document_.detachView(view.get());
        PlacedDrawing::TearDown();
    }
    PageView* addView(float zoom)
    {
        views_.push_back(std::make_unique<PageView>());
        views_.back()->setZoom(zoom);
        document_.addView(views_.back().get());
        return views_.back().get();
    }
    void drawAt(float zoom)
    {
        kit::RecordingContext screen;
        screen.setDrawingToScreen(true);
        item_->renderInView(screenPaint(screen, zoom), everywhere_, false);
    }
    std::vector<float> zooms() const
    {
        std::vector<float> out;
        for (int i = 0; auto entry = item_->imageAtOffset(i); ++i)
            out.push_back(entry->zoom);
        return out;
    }

    LayoutDocument document_;
    std::shared_ptr<PlacedItem> item_;
    std::vector<std::unique_ptr<PageView>> views_;
};

TEST_F(PlacedCache, OneViewChangingItsZoomRetargetsTheOnlyEntry)
{
    PageView* view = addView(1.0f);
    drawAt(1.0f);
    view->setZoom(2.0f);
    drawAt(2.0f);
    EXPECT_EQ(zooms(), std::vector<float>{2.0f});
    EXPECT_FALSE(item_->hasCacheList());
    EXPECT_EQ(item_->_findMatchingImage(2.0f)->size(), (kit::Size{80, 40}));
}

TEST_F(PlacedCache, ViewsAtSeveralZoomsKeepAnEntryEachAndAnUnusedOneIsRetargeted)
{
    addView(1.0f);
    addView(2.0f);
    drawAt(1.0f);
    drawAt(2.0f);
    EXPECT_EQ(zooms(), (std::vector<float>{1.0f, 2.0f}));
    EXPECT_TRUE(item_->hasCacheList());

    PageView* half = addView(0.5f);
    drawAt(0.5f);
    EXPECT_EQ(zooms(), (std::vector<float>{1.0f, 2.0f, 0.5f}));
    half->setZoom(0.75f);
    drawAt(0.75f);
    EXPECT_EQ(zooms(), (std::vector<float>{1.0f, 2.0f, 0.75f}));
    // Every entry follows the frame, each side rounded to whole pixels.
    item_->setFrameSize({33.3f, 20.1f});
    for (const auto& [zoom, size] : {std::pair{1.0f, kit::Size{33, 20}}, {2.0f, kit::Size{67, 40}},
                                     {0.75f, kit::Size{25, 15}}})
        EXPECT_EQ(item_->_findMatchingImage(zoom)->size(), size) << zoom;
    // An entry freed from a list of two leaves a single one.
    item_->_removeImageAtIndex(2);
    item_->_removeImageAtIndex(0);
    EXPECT_EQ(zooms(), std::vector<float>{2.0f});
    EXPECT_FALSE(item_->hasCacheList());
}

TEST_F(PlacedCache, AnItemWithoutAFileNameHasAnEntryWithoutAnImage)
{
    PlacedItem bare(PlacedItem::Defaults::None);
    const PlacedItem::PZInfo entry = bare._newPZInfo(item_->sourceImage()->copy(), 2.0f);
    EXPECT_EQ(entry.image, nullptr);
    EXPECT_EQ(entry.zoom, 1.0f);
}

TEST_F(PlacedCache, TheCacheOfManyPicturesStaysWithinTheirScreenImages)
{
    addView(1.0f);
    std::uint64_t screenBytes = 0, cacheBytes = 0;
    std::vector<std::shared_ptr<PlacedItem>> many;
    for (int i = 0; i < 20; ++i) {
        many.push_back(bitmapPicture(64 + i, 48, kit::BitmapImageRep::ColorModel::RGB));
        many.back()->setFrame(kit::makeRect(10, 10, float(64 + i) * 1.5f, 72));
        document_.pageAt(0)->addItems(many.back());
        kit::RecordingContext screen;
        screen.setDrawingToScreen(true);
        many.back()->renderInView(screenPaint(screen), everywhere_, false);
        const kit::ImagePixels* cached = many.back()->_findMatchingImage(1.0f)->cachedPixels();
        ASSERT_TRUE(cached);
        cacheBytes += std::uint64_t(cached->bytesPerRow) * std::uint64_t(cached->height);
        screenBytes += std::uint64_t(std::lround(float(64 + i) * 1.5f)) * 72u * 4u;
        EXPECT_EQ(many.back()->cacheEntryCount(), 1);
    }
    EXPECT_LE(cacheBytes, screenBytes * 12 / 10);
}

// ---- Hit testing.

TEST(PlacedHits, AnAlphaScanReadsEachRowWithinTheRowAndThePlane)
{
    // 10 one-bit samples in rows of 2 bytes: 6 bits of padding a row.
    const std::vector<unsigned char> padded = {0x00, 0x3F, 0x00, 0x3F};
    const std::vector<unsigned char> oneSet = {0x00, 0x00, 0x00, 0x40};
    // 2-bit samples, 5 a row, in rows of 2 bytes (the last byte's tail is padding).
    const std::vector<unsigned char> twoBitPadding = {0x00, 0x3F};
    const std::vector<unsigned char> twoBitLast = {0x00, 0x40};
    // RGBA bytes: only the colour is set, then one alpha.
    const std::vector<unsigned char> rgbaClear = {255, 255, 255, 0, 255, 0, 0, 0};
    const std::vector<unsigned char> rgbaOne = {255, 255, 255, 0, 0, 0, 0, 1};
    const std::vector<unsigned char> wide16 = {0, 0, 0, 1};
    const struct {
        const char* what;
        const std::vector<unsigned char>* plane;
        std::size_t bytesPerRow;
        int wide, high, bits, spp, index;
        bool any;
    } cases[] = {
        {"1-bit, padding set, samples clear", &padded, 2, 10, 2, 1, 1, 0, false},
        {"1-bit, last sample of the last row", &oneSet, 2, 10, 2, 1, 1, 0, true},
        {"2-bit, padding set", &twoBitPadding, 2, 5, 1, 2, 1, 0, false},
        {"2-bit, the fifth sample", &twoBitLast, 2, 5, 1, 2, 1, 0, true},
        {"meshed RGBA, clear", &rgbaClear, 8, 2, 1, 8, 4, 3, false},
        {"meshed RGBA, one alpha", &rgbaOne, 8, 2, 1, 8, 4, 3, true},
        {"16-bit", &wide16, 4, 2, 1, 16, 1, 0, true},
        {"rows longer than the plane", &oneSet, 2, 10, 3, 1, 1, 0, false},
        {"a row too short for its samples", &oneSet, 1, 10, 2, 1, 1, 0, false},
    };
    for (const auto& c : cases) {
        // An exact copy: any read past the plane is caught.
        std::vector<unsigned char> plane(*c.plane);
        EXPECT_EQ(PlacedItem::findAlphaData(plane.data(), plane.size(), c.bytesPerRow, c.wide, c.high, c.bits, c.spp,
                                            c.index),
                  c.any)
            << c.what;
    }
}

TEST(PlacedHits, APictureWithoutAnOpaqueFillIsHitOnlyWhereItHasOpaquePixels)
{
    setUpItemClasses();
    using Model = kit::BitmapImageRep::ColorModel;
    auto clear = bitmapPicture(60, 60, Model::RGB, 0);
    auto someOpaque = bitmapPicture(60, 60, Model::RGB, 0);
    {
        // One opaque pixel, far from the point tested.
        kit::BitmapImageRep rep(60, 60, Model::RGB, true);
        rep.bitmapData()[3] = 255;
        someOpaque = PlacedItem::initFromStream(rep.TIFFRepresentation());
    }
    auto opaque = bitmapPicture(60, 60, Model::RGB);
    auto filled = bitmapPicture(60, 60, Model::RGB, 0);
    filled->setHasFill(true);
    filled->setFillColor(kit::Color::whiteColor());
    auto small = bitmapPicture(30, 30, Model::RGB, 0);
    for (auto* item : {clear.get(), someOpaque.get(), opaque.get(), filled.get(), small.get()}) {
        item->setFrame(kit::makeRect(0, 0, item == small.get() ? 30 : 60, item == small.get() ? 30 : 60));
        kit::RecordingContext screen;
        screen.setDrawingToScreen(true);
        PlacedPaint paint{screen};
        item->renderInView(paint, kit::makeRect(0, 0, 100, 100), false);
    }
    PageView view;
    view.setZoom(1.0f);
    const kit::Point inside{30, 30};
    const kit::Rect marquee = kit::makeRect(20, 20, 5, 5);
    EXPECT_FALSE(clear->isHitAt(inside, &view));
    EXPECT_FALSE(clear->isHitInRect(marquee, &view));
    EXPECT_TRUE(someOpaque->isHitAt(inside, &view));
    EXPECT_TRUE(opaque->isHitAt(inside, &view));
    EXPECT_TRUE(filled->isHitAt(inside, &view));
    EXPECT_TRUE(small->isHitAt({15, 15}, &view)); // 30 pixels on screen: the frame decides
    EXPECT_FALSE(clear->isHitAt({70, 30}, &view)); // outside the frame, as ever
    // No rendering for the view's zoom yet: the frame decides.
    view.setZoom(3.0f);
    EXPECT_TRUE(clear->isHitAt(inside, &view));
    // Pictures hidden: the frame decides.
    view.setZoom(1.0f);
    const float shown = CMShowGraphics;
    CMShowGraphics = 0.0f; // no document: the view's setting decides
    EXPECT_TRUE(clear->isHitAt(inside, &view));
    CMShowGraphics = shown;
}

} // namespace
