// A linked picture follows its file: read again when its date changes and
// the application becomes active, shown missing while it is gone, pointed
// at another file or taken into the document; and the orders of the
// document's links list.

#include "ItemTestSupport.h"
#include "PictureTestSupport.h"

#include "core/Alert.h"
#include "core/FileManager.h"
#include "document/LinksInfo.h"
#include "graphics/RecordingContext.h"
#include "items/ItemBox.h"
#include "items/PlacedItem.h"
#include "view/PageView.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include <fcntl.h>
#include <sys/stat.h>

namespace {

using pictures::TempDir;

// A square picture of another colour and other proportions.
std::string greenSquareEPS()
{
    return "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 60 60\n%%EndComments\n"
           "0 1 0 setrgbcolor 0 0 60 60 rectfill\n";
}

void setModificationTime(const std::string& path, double seconds)
{
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = static_cast<time_t>(std::floor(seconds));
    times[1].tv_nsec = static_cast<long>((seconds - std::floor(seconds)) * 1e9);
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

double modificationTime(const std::string& path)
{
    return kit::FileManager::fileAttributesAtPath(path)->modificationDate;
}

class CountingView : public PageView {
public:
    void notifyUpdateForItems(const std::vector<kit::Object*>* items) override
    {
        updates.push_back(items ? *items : std::vector<kit::Object*>{});
    }
    std::vector<std::vector<kit::Object*>> updates;
};

class PlacedLinks : public ::testing::Test {
protected:
    static void SetUpTestSuite() { setUpItemClasses(); }
    void SetUp() override
    {
        document_.setup();
        view_.setFrameSize(document_.canvasSize());
        document_.addView(&view_);
        path_ = dir_.file("linked.eps");
        pictures::writeFile(path_, pictures::ourEPS());
        item_ = PlacedItem::initWithContentsOfFile(path_, true);
        ASSERT_TRUE(item_);
        item_->setFrameOrigin({72, 72});
        document_.pageAt(0)->addItems(item_);
        view_.updates.clear();
    }
    void TearDown() override
    {
        document_.detachView(&view_);
        LinksInfo::loadCellHook() = nullptr;
        EXPECT_TRUE(pictures::settle());
    }

    TempDir dir_;
    LayoutDocument document_;
    CountingView view_;
    std::string path_;
    std::shared_ptr<PlacedItem> item_;
};

TEST_F(PlacedLinks, AFileChangedOnDiskIsReadAgainOnceTheApplicationIsActiveAgain)
{
    auto held = PlacedItem::initFromStream(pictures::ourEPS());
    document_.pageAt(0)->addItems(held);
    EXPECT_EQ(document_.linksInfo().count(), 2u);
    const double before = modificationTime(path_);
    pictures::writeFile(path_, greenSquareEPS());
    setModificationTime(path_, before + 10);
    // Nothing looks at the disk meanwhile.
    EXPECT_EQ(item_->sourceImage()->data(), pictures::ourEPS());

    document_.notifyAppDidBecomeActive();
    EXPECT_EQ(item_->sourceImage()->data(), greenSquareEPS());
    EXPECT_EQ(item_->lastModifyTime(), modificationTime(path_));
    EXPECT_EQ(item_->filesize(), std::int32_t(greenSquareEPS().size()));
    EXPECT_FALSE(item_->needsChecking());
    EXPECT_FALSE(held->needsChecking()); // held in the document: nothing to follow
    // Shown at its natural proportions, it takes the new ones.
    EXPECT_FLOAT_EQ(item_->naturalRatio(), 1.0f);
    EXPECT_FLOAT_EQ(item_->currentRatio(), 1.0f);
    EXPECT_EQ(item_->bestRepresentationForDevice()->size(), (kit::Size{60, 60}));
    ASSERT_EQ(view_.updates.size(), 1u);
    EXPECT_EQ(view_.updates[0], std::vector<kit::Object*>{item_.get()});
}

TEST_F(PlacedLinks, TheDateAloneSaysWhetherTheFileChanged)
{
    const double before = modificationTime(path_);
    const struct {
        const char* what;
        std::string content;
        double date;
        bool reread;
    } cases[] = {
        {"size changed, same date", greenSquareEPS(), before, false},
        {"date moved back", greenSquareEPS(), before - 100, true},
        {"date touched", greenSquareEPS(), before + 5, true},
    };
    for (const auto& c : cases) {
        const std::string path = dir_.file(std::string(c.what) + ".eps");
        pictures::writeFile(path, pictures::ourEPS());
        setModificationTime(path, before);
        auto item = PlacedItem::initWithContentsOfFile(path, true);
        ASSERT_TRUE(item);
        document_.pageAt(0)->addItems(item);
        pictures::writeFile(path, c.content);
        setModificationTime(path, c.date);
        view_.updates.clear();
        document_.notifyAppDidBecomeActive();
        EXPECT_EQ(item->sourceImage()->data() == c.content, c.reread) << c.what;
        EXPECT_EQ(view_.updates.size(), c.reread ? 1u : 0u) << c.what;
        if (c.reread) {
            EXPECT_EQ(item->lastModifyTime(), c.date) << c.what;
        }
        document_.pageAt(0)->removeItems({item.get()});
    }
}

TEST_F(PlacedLinks, ARemovedFileIsShownMissingAndReadAgainWhenItComesBack)
{
    std::filesystem::remove(path_);
    document_.notifyAppDidBecomeActive();
    EXPECT_TRUE(item_->cantFind());
    EXPECT_EQ(document_.linksInfo().missingLinks(), 1u);
    EXPECT_FALSE(item_->resolvedname());
    kit::RecordingContext screen;
    screen.setDrawingToScreen(true);
    PlacedPaint paint{screen};
    item_->renderInView(paint, kit::makeRect(0, 0, 612, 792), false);
    EXPECT_EQ(screen.count("compositeImage"), 0u);
    EXPECT_EQ(screen.count("show"), 1u); // the empty frame with its name

    pictures::writeFile(path_, greenSquareEPS());
    document_.notifyAppDidBecomeActive();
    EXPECT_FALSE(item_->cantFind());
    EXPECT_EQ(document_.linksInfo().missingLinks(), 0u);
    EXPECT_EQ(item_->sourceImage()->data(), greenSquareEPS());
    // A file that comes back not holding a picture is as good as missing.
    pictures::writeFile(path_, "not a picture");
    setModificationTime(path_, modificationTime(path_) + 10);
    document_.notifyAppDidBecomeActive();
    EXPECT_TRUE(item_->cantFind());
}

TEST_F(PlacedLinks, AStretchedPictureKeepsItsFrameWhenItsFileChangesProportions)
{
    item_->setFrameSize({200, 50});
    pictures::writeFile(path_, greenSquareEPS());
    setModificationTime(path_, modificationTime(path_) + 10);
    document_.notifyAppDidBecomeActive();
    EXPECT_EQ(item_->frame().size, (kit::Size{200, 50}));
    EXPECT_FLOAT_EQ(item_->naturalRatio(), 1.0f);
}

TEST_F(PlacedLinks, AForcedCheckRedrawsTheLinksPanelRowOfTheItemsOwnDocument)
{
    std::vector<std::pair<LinksInfo*, int>> rows;
    LinksInfo::loadCellHook() = [&](LinksInfo& links, int row) { rows.emplace_back(&links, row); };
    auto before = PlacedItem::initFromStream(pictures::ourEPS());
    document_.pageAt(0)->addItems(before);
    EXPECT_TRUE(item_->checkFileInfoWithForce(true));
    EXPECT_FALSE(item_->checkFileInfoWithForce(false));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].first, &document_.linksInfo());
    EXPECT_EQ(rows[0].second, 0);
    // Held in the document: answers the force, changes nothing.
    const auto data = before->sourceImage()->data();
    EXPECT_TRUE(before->checkFileInfoWithForce(true));
    EXPECT_EQ(before->sourceImage()->data(), data);
    EXPECT_EQ(rows.size(), 1u);
}

TEST_F(PlacedLinks, RepointingAndBreakingTheLink)
{
    const std::string other = dir_.file("other.eps");
    pictures::writeFile(other, greenSquareEPS());
    const kit::Rect frame = item_->frame();
    item_->replaceFilenameWith(other);
    EXPECT_TRUE(item_->isLinked());
    EXPECT_EQ(item_->filename(), other);
    EXPECT_EQ(item_->sourceImage()->data(), greenSquareEPS());
    EXPECT_FLOAT_EQ(item_->naturalRatio(), 1.0f);
    EXPECT_EQ(item_->frame(), frame);

    document_.setEdited(false);
    ASSERT_EQ(item_->breakInDocument(&document_), item_.get());
    EXPECT_FALSE(item_->isLinked());
    EXPECT_TRUE(document_.isEdited());
    EXPECT_EQ(item_->filename()->rfind("other", 0), 0u);
    EXPECT_EQ(item_->filename()->find('/'), std::string::npos);
    EXPECT_EQ(item_->filesize(), std::int32_t(greenSquareEPS().size()));
    // The bytes were copied: the file cut short or gone changes nothing.
    std::filesystem::resize_file(other, 10);
    std::filesystem::remove(other);
    kit::RecordingContext paper;
    PlacedPaint print{paper};
    print.screen = false;
    item_->renderInView(print, kit::makeRect(0, 0, 612, 792), false);
    ASSERT_EQ(paper.count("includeEPS"), 1u);
    for (const auto& op : paper.ops())
        if (op.name == "includeEPS") {
            EXPECT_EQ(op.data, greenSquareEPS());
        }
    EXPECT_EQ(item_->breakInDocument(&document_), nullptr);
}

// ---- The links list.

TEST(LinksList, SortOrdersAreStrictWeakOrders)
{
    setUpItemClasses();
    LayoutDocument document;
    document.setup();
    document.addPages(1, 1);
    TempDir dir;
    std::vector<std::shared_ptr<PlacedItem>> items;
    auto add = [&](std::optional<std::string> name, int page, bool linked, bool missing) {
        auto item = PlacedItem::initFromStream(pictures::ourEPS());
        item->setFilename(name);
        if (linked) {
            const std::string path = dir.file(name.value_or("x") + (missing ? ".gone" : ""));
            if (!missing)
                pictures::writeFile(path, pictures::ourEPS());
            item->replaceFilenameWith(path);
        }
        if (page >= 0)
            document.pageAt(page)->addItems(item);
        items.push_back(item);
    };
    add(std::nullopt, 0, false, false);
    add(std::nullopt, 1, false, false);
    add("b.tiff", 0, false, false);
    add("a.eps", 1, true, false);
    add("c.eps", 1, true, true);
    add("a.tiff", -1, false, false);
    add("d.eps", 0, true, false);
    using Order = int (GraphicLink::*)(const GraphicLink&) const;
    for (Order order : {&GraphicLink::compareName, &GraphicLink::comparePage, &GraphicLink::compareStatus,
                        &GraphicLink::compareType}) {
        for (const auto& a : items) {
            EXPECT_EQ(((*a).*order)(*a), 0);
            for (const auto& b : items) {
                const int ab = ((*a).*order)(*b), ba = ((*b).*order)(*a);
                EXPECT_EQ(ab, -ba);
                for (const auto& c : items)
                    if (ab < 0 && ((*b).*order)(*c) < 0) {
                        EXPECT_LT(((*a).*order)(*c), 0);
                    }
            }
        }
        std::vector<GraphicLink*> list;
        for (const auto& item : items)
            list.push_back(item.get());
        std::shuffle(list.begin(), list.end(), std::mt19937(7));
        std::sort(list.begin(), list.end(), [&](auto* x, auto* y) { return (x->*order)(*y) < 0; });
        for (std::size_t i = 0; i + 1 < list.size(); ++i)
            EXPECT_LE((list[i]->*order)(*list[i + 1]), 0);
    }
    // The nameless first, then by name; on pages in their order.
    EXPECT_LT(items[0]->compareName(*items[2]), 0);
    EXPECT_LT(items[3]->compareName(*items[2]), 0);
    EXPECT_LT(items[2]->comparePage(*items[3]), 0);    // page 0 before page 1
    EXPECT_LT(items[6]->comparePage(*items[3]), 0);    // d on page 0 before a on page 1
    EXPECT_LT(items[3]->comparePage(*items[5]), 0);    // no page: after every page
    EXPECT_LT(items[2]->compareStatus(*items[3]), 0);  // held before linked
    EXPECT_LT(items[3]->compareStatus(*items[4]), 0);  // linked before missing
    EXPECT_LT(items[3]->compareType(*items[2]), 0);    // eps before tiff
    EXPECT_LT(items[5]->compareType(*items[2]), 0);    // same extension: by name
}

TEST(LinksList, AnEntryThatGoesLeavesTheList)
{
    setUpItemClasses();
    LinksInfo links;
    auto item = PlacedItem::initFromStream(pictures::ourEPS());
    links.addLink(item.get());
    ItemBox box;
    links.addLink(&box); // no graphic link
    EXPECT_EQ(links.count(), 1u);
    EXPECT_EQ(links.linkAtIndex(0), item.get());
    item.reset();
    EXPECT_EQ(links.count(), 0u);
    EXPECT_EQ(links.linkAtIndex(0), nullptr);
    EXPECT_EQ(links.linkAtIndex(-1), nullptr);
}

} // namespace
