// Long seeded sequences of edits, undos and redos. Without a limit, undoing
// everything gives back the first state and redoing everything the last;
// with the default limit the oldest records are dropped and freed. Run under
// the sanitizers, nothing is read after it is freed and nothing leaks.

#include "UndoTestSupport.h"

#include "document/UndoComposite.h"
#include "document/UndoGuide.h"
#include "document/UndoOrder.h"
#include "document/UndoPage.h"
#include "document/UndoTrans.h"
#include "foundation/GxRecords.h"
#include "foundation/StyleGraphicNamed.h"
#include "foundation/StyleInfo.h"
#include "items/ItemArray.h"

#include <algorithm>
#include <cmath>
#include <random>
#include <sstream>

namespace {

// What a page shows of an item, with geometry to a tolerance: transforms
// undone by their inverse come back to within rounding.
struct ItemState {
    const Item* item;
    kit::Rect frame;
    float matrix[4];
    bool locked;
    bool hasFill, hasLine, overprint, crop;
    kit::ColorRef fillColor, lineColor;
    float lineWidth;
    int dashCount;
    bool named;
    const Item* prev;
    const Item* next;
};

struct PageState {
    const Page* page;
    std::vector<ItemState> items;
    std::vector<std::pair<int, float>> guides;
};

bool near(float a, float b) { return std::fabs(a - b) <= 0.01f + 1e-4f * std::fabs(a); }
bool sameColor(const kit::ColorRef& a, const kit::ColorRef& b) { return a == b || (a && b && a->isEqual(*b)); }

std::string differences(const std::vector<PageState>& a, const std::vector<PageState>& b)
{
    std::ostringstream out;
    if (a.size() != b.size())
        return "page count " + std::to_string(a.size()) + " / " + std::to_string(b.size());
    for (std::size_t p = 0; p < a.size(); ++p) {
        if (a[p].page != b[p].page)
            out << "page " << p << " is another page; ";
        if (a[p].items.size() != b[p].items.size()) {
            out << "page " << p << " items " << a[p].items.size() << " / " << b[p].items.size() << "; ";
            continue;
        }
        if (a[p].guides.size() != b[p].guides.size())
            out << "page " << p << " guides differ; ";
        for (std::size_t g = 0; g < a[p].guides.size() && g < b[p].guides.size(); ++g)
            if (a[p].guides[g].first != b[p].guides[g].first || !near(a[p].guides[g].second, b[p].guides[g].second))
                out << "page " << p << " guide " << g << "; ";
        for (std::size_t i = 0; i < a[p].items.size(); ++i) {
            const ItemState& x = a[p].items[i];
            const ItemState& y = b[p].items[i];
            const bool same = x.item == y.item && near(x.frame.origin.x, y.frame.origin.x) &&
                              near(x.frame.origin.y, y.frame.origin.y) && near(x.frame.size.width, y.frame.size.width) &&
                              near(x.frame.size.height, y.frame.size.height) && near(x.matrix[0], y.matrix[0]) &&
                              near(x.matrix[1], y.matrix[1]) && near(x.matrix[2], y.matrix[2]) &&
                              near(x.matrix[3], y.matrix[3]) && x.locked == y.locked && x.hasFill == y.hasFill &&
                              x.hasLine == y.hasLine && x.overprint == y.overprint && x.crop == y.crop &&
                              sameColor(x.fillColor, y.fillColor) && sameColor(x.lineColor, y.lineColor) &&
                              near(x.lineWidth, y.lineWidth) && x.dashCount == y.dashCount && x.named == y.named &&
                              x.prev == y.prev && x.next == y.next;
            if (!same) {
                out << "page " << p << " item " << i << " (";
                if (x.item != y.item)
                    out << "another item ";
                if (!near(x.frame.origin.x, y.frame.origin.x) || !near(x.frame.origin.y, y.frame.origin.y) ||
                    !near(x.frame.size.width, y.frame.size.width) || !near(x.frame.size.height, y.frame.size.height))
                    out << "frame ";
                for (int m = 0; m < 4; ++m)
                    if (!near(x.matrix[m], y.matrix[m])) {
                        out << "matrix ";
                        break;
                    }
                if (x.locked != y.locked)
                    out << "lock ";
                if (x.hasFill != y.hasFill || !sameColor(x.fillColor, y.fillColor) || x.overprint != y.overprint)
                    out << "fill ";
                if (x.hasLine != y.hasLine || !sameColor(x.lineColor, y.lineColor) || !near(x.lineWidth, y.lineWidth) ||
                    x.dashCount != y.dashCount)
                    out << "line ";
                if (x.crop != y.crop || x.named != y.named)
                    out << "style ";
                if (x.prev != y.prev || x.next != y.next)
                    out << "chain ";
                out << "); ";
            }
        }
    }
    return out.str();
}

class UndoRandomSequenceTest : public UndoTest {
protected:
    std::vector<PageState> state() const
    {
        std::vector<PageState> pages;
        for (const auto& p : document_->pages()) {
            PageState s{p.get(), {}, {}};
            for (const auto& item : p->pageItems()) {
                ItemState i{};
                i.item = item.get();
                i.frame = item->frame();
                item->getMatrix(i.matrix);
                i.locked = item->isLocked();
                i.hasFill = item->hasFill();
                i.hasLine = item->hasLine();
                i.crop = item->doesCrop();
                if (const StyleGraphic* style = item->graphicStyle()) {
                    i.overprint = style->fillOverprint();
                    i.fillColor = style->hasFill() ? style->fillColor() : nullptr;
                    i.lineColor = style->hasLine() ? style->lineColor() : nullptr;
                    i.lineWidth = style->hasLine() ? style->lineWidth() : 0.0f;
                    i.dashCount = style->hasLine() && style->lineDash() ? style->lineDash()->count : 0;
                    i.named = style->isNamedStyle();
                }
                if (const auto* column = dynamic_cast<const TextItem*>(item.get())) {
                    i.prev = column->prevColumn();
                    i.next = column->nextColumn();
                }
                s.items.push_back(i);
            }
            for (const auto& guide : p->guides())
                s.guides.emplace_back(guide->orientation(), guide->location());
            pages.push_back(std::move(s));
        }
        return pages;
    }

    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }
    float between(float a, float b) { return std::uniform_real_distribution<float>(a, b)(random_); }

    Page* somePage() { return page(pick(document_->numPages())); }

    // A few of the page's items, in page order; empty for none.
    std::vector<Item*> someItems(Page* p)
    {
        std::vector<Item*> chosen;
        for (const auto& item : p->pageItems())
            if (pick(2) == 0)
                chosen.push_back(item.get());
        if (chosen.empty() && !p->pageItems().empty())
            chosen.push_back(p->pageItems()[std::size_t(pick(int(p->pageItems().size())))].get());
        return chosen;
    }

    void addItem(Page* p)
    {
        std::shared_ptr<Item> item;
        if (pick(4) == 0) {
            auto column = std::make_shared<TextItem>();
            // Only a column the document shows can be continued.
            TextItem* last = lastColumn_.get();
            const bool shown = last && last->page() && document_->indexOfPage(last->page()) !=
                                                           LayoutDocument::PageNotFound &&
                               placeOf(last->page(), last) >= 0;
            if (shown && pick(2) == 0) {
                lastColumn_ = column.get();
                column->setFrame(kit::makeRect(between(0, 400), between(0, 600), 100, 80), false);
                p->addItems(column);
                last->joinColumn(column.get());
            } else {
                lastColumn_ = column.get();
                column->setFrame(kit::makeRect(between(0, 400), between(0, 600), 100, 80), false);
                p->addItems(column);
            }
            item = column;
        } else {
            auto box = std::make_shared<ItemBox>();
            box->setFrame(kit::makeRect(between(0, 400), between(0, 600), between(10, 100), between(10, 100)), false);
            box->setHasFill(pick(2) == 0);
            box->setFillColor(colors_[std::size_t(pick(3))]);
            item = box;
            p->addItems(item);
        }
        undo_->push(std::make_unique<Undo>(std::vector<Item*>{item.get()}, p, Undo::ItemsAdded));
    }

    void removeItems(Page* p)
    {
        std::vector<Item*> items = someItems(p);
        if (items.empty())
            return addItem(p);
        std::vector<int> places;
        for (Item* item : items)
            places.push_back(placeOf(p, item));
        handleTextColumns(items, Undo::ItemsAdded);
        auto record = std::make_unique<Undo>(items, p, Undo::ItemsRemoved);
        record->hold(p->removeItems(items), std::move(places));
        undo_->push(std::move(record));
    }

    void order(Page* p)
    {
        std::vector<Item*> items = someItems(p);
        if (items.empty())
            return addItem(p);
        std::vector<int> places;
        for (Item* item : items)
            places.push_back(placeOf(p, item));
        auto record = std::make_unique<UndoOrder>(items, p, Undo::BroughtToFront + pick(4));
        record->setPlaces(std::move(places));
        record->redoInDocument(document_.get());
        undo_->push(std::move(record));
    }

    void guides(Page* p)
    {
        const auto& list = p->guides();
        if (list.empty() || pick(3) == 0) {
            auto made = std::make_unique<Guide>(between(0, 700), pick(2) ? Guide::Horizontal : Guide::Vertical);
            Guide* raw = made.get();
            p->addGuide(std::move(made));
            auto record = std::make_unique<UndoGuide>(std::vector<Item*>{}, p, Undo::GuideAdded);
            record->setGuide(raw);
            undo_->push(std::move(record));
        } else if (pick(2) == 0) {
            Guide* guide = list.back().get();
            auto record = std::make_unique<UndoGuide>(std::vector<Item*>{}, p, Undo::GuideRemoved);
            record->hold(p->removeGuide(guide), LayoutDocument::PagesLayer);
            undo_->push(std::move(record));
        } else {
            Guide* guide = list[std::size_t(pick(int(list.size())))].get();
            const float by = between(-30, 30);
            guide->setLocation(guide->location() + by);
            auto record = std::make_unique<UndoGuide>(std::vector<Item*>{}, p, Undo::GuideMoved);
            record->setGuide(guide);
            if (guide->orientation() == Guide::Horizontal)
                record->setMoveBy(0, by);
            else
                record->setMoveBy(by, 0);
            undo_->push(std::move(record));
        }
    }

    void pages()
    {
        const int n = document_->numPages();
        if (n < 6 && (n < 3 || pick(2) == 0)) {
            const int at = pick(n + 1);
            const int count = 1 + pick(2);
            ASSERT_TRUE(document_->addPages(count, at));
            std::vector<Page*> added;
            for (int k = at; k < at + count; ++k)
                added.push_back(page(k));
            undo_->push(std::make_unique<UndoPage>(added, at, count, Undo::PagesAdded));
        } else {
            const int at = pick(n);
            Page* gone = page(at);
            auto record = std::make_unique<UndoPage>(std::vector<Page*>{gone}, at, 1, Undo::PagesRemoved);
            record->hold(document_->deletePages(1, at));
            undo_->push(std::move(record));
        }
    }

    void moveToOtherPage(Page* from)
    {
        Page* to = somePage();
        std::vector<Item*> items = someItems(from);
        if (to == from || items.empty())
            return;
        std::vector<int> places;
        for (Item* item : items)
            places.push_back(placeOf(from, item));
        to->addItems(from->removeItems(items));
        auto record = std::make_unique<UndoTrans>(items, to, Undo::MovedToPage);
        record->setOldPage(from, std::move(places));
        undo_->push(std::move(record));
    }

    void edit()
    {
        Page* p = somePage();
        if (p->pageItems().size() < 3)
            return addItem(p);
        const std::vector<Item*> items = someItems(p);
        std::unique_ptr<Undo> record;
        switch (pick(22)) {
        case 0: return addItem(p);
        case 1: return removeItems(p);
        case 2: record = moveBy(items, between(-20, 20), between(-20, 20), true); break;
        case 3: record = rotateBy(items, between(-90, 90), true); break;
        case 4: record = sizeBy(items, between(-5, 5), between(-5, 5), true); break;
        case 5: record = scaleBy(items, between(0.8f, 1.25f), between(0.8f, 1.25f), true); break;
        case 6:
            record = setFrame(items, kit::makeRect(between(0, 300), between(0, 300), between(10, 90), between(10, 90)),
                              Undo::FrameXSet + pick(7), true);
            break;
        case 7: record = rotateTo(items, between(-180, 180), true); break;
        case 8: record = scaleTo(items, between(0.8f, 1.25f), between(0.8f, 1.25f), true); break;
        case 9:
            record = modifyColor(items, colors_[std::size_t(pick(3))], pick(2) ? Undo::FillColorSet : Undo::LineColorSet,
                                 true);
            break;
        case 10: record = modifyLineWidth(items, between(0, 5), true); break;
        case 11: {
            static const int flags[] = {Undo::FillOverprintSet, Undo::LineOverprintSet, Undo::CropSet, Undo::HasFillSet,
                                        Undo::HasLineSet};
            record = modifyFlag(items, pick(2) == 0, flags[pick(5)], true);
            break;
        }
        case 12: {
            GxDash dash;
            dash.count = short(pick(3));
            dash.values[0] = 2;
            dash.values[1] = 3;
            record = modifyDash(items, dash.count ? &dash : nullptr, true);
            break;
        }
        case 13: {
            GxFill fill;
            GxInitFill(&fill);
            GxSetFillColor(&fill, colors_[std::size_t(pick(3))]);
            record = modifyFill(items, pick(3) ? &fill : nullptr, true);
            break;
        }
        case 14: {
            GxLine line;
            GxInitLine(&line);
            GxSetLineWidth(&line, between(0, 4));
            record = modifyLine(items, pick(3) ? &line : nullptr, true);
            break;
        }
        case 15:
            // A named style is applied; the styles panel's unnamed entry
            // takes named styles off.
            record = pick(2) ? modifyStyle(items, style_, true, false) : modifyStyle(items, &plain_, true, pick(2) == 0);
            break;
        case 16: {
            // The items whose state changes are recorded.
            const bool lock = pick(2) == 0;
            std::vector<Item*> changed;
            for (Item* item : items)
                if (item->isLocked() != lock) {
                    lock ? item->lock() : item->unlock();
                    changed.push_back(item);
                }
            if (!changed.empty())
                record = std::make_unique<Undo>(changed, p, lock ? Undo::Locked : Undo::Unlocked);
            break;
        }
        case 17: {
            const int code = pick(2) ? Undo::FlippedHorizontally : Undo::FlippedVertically;
            for (auto at = items.rbegin(); at != items.rend(); ++at)
                (*at)->flip(code == Undo::FlippedHorizontally ? 1 : 2);
            record = std::make_unique<UndoTrans>(items, p, code);
            break;
        }
        case 18: {
            std::vector<UndoTrans::Matrix> saved;
            for (auto at = items.rbegin(); at != items.rend(); ++at) {
                UndoTrans::Matrix m{};
                (*at)->getMatrix(m.data());
                saved.push_back(m);
                (*at)->makeNatural();
            }
            auto natural = std::make_unique<UndoTrans>(items, p, Undo::MadeNatural);
            natural->setMatrixInfo(std::move(saved));
            record = std::move(natural);
            break;
        }
        case 19: return order(p);
        case 20: return pick(3) ? guides(p) : pages();
        default: {
            if (pick(2))
                return moveToOtherPage(p);
            auto composite = std::make_unique<UndoComposite>();
            composite->addUndo(moveBy(items, 3, 0, true));
            composite->addUndo(modifyLineWidth(items, 1.5f, true));
            record = std::move(composite);
            break;
        }
        }
        if (record)
            undo_->push(std::move(record));
    }

    void run(int steps)
    {
        for (int step = 0; step < steps; ++step) {
            const int what = pick(20);
            if (what < 5)
                undo_->undo();
            else if (what < 8)
                undo_->redo();
            else
                edit();
            if (HasFatalFailure())
                return;
        }
    }

    std::mt19937 random_{20240611u};
    kit::ColorRef colors_[3] = {kit::Color::colorWithDeviceRed(1, 0, 0), kit::Color::colorWithDeviceRed(0, 0.5f, 0),
                                kit::Color::colorWithGray(0.25f)};
    StyleGraphicNamed* style_ = nullptr;
    StyleGraphic plain_;
    kit::WeakLink<TextItem> lastColumn_;
};

TEST_F(UndoRandomSequenceTest, UndoingEverythingGivesBackTheFirstStateAndRedoingEverythingTheLast)
{
    UndoInfo::setCapacity(-1);
    StyleInfo* sheet = document_->styleInfo();
    style_ = dynamic_cast<StyleGraphicNamed*>(sheet->addNewStyleInStyles(sheet->graphicStyles()));
    ASSERT_NE(style_, nullptr);
    style_->setLineWidth(2.5f);
    for (int i = 0; i < 3; ++i)
        for (int k = 0; k < 3; ++k)
            addItem(page(i));
    undo_->empty();
    const std::vector<PageState> first = state();

    run(2000);
    ASSERT_GT(undo_->count(), 100);
    while (undo_->redo()) {
    }
    const std::vector<PageState> last = state();
    while (undo_->undo()) {
    }
    EXPECT_EQ(differences(state(), first), "");
    while (undo_->redo()) {
    }
    EXPECT_EQ(differences(state(), last), "");
    EXPECT_FALSE(document_->isEdited() && undo_->count() == 0);
}

TEST_F(UndoRandomSequenceTest, WithTheDefaultLimitTheOldestRecordsAreDroppedAndFreed)
{
    UndoInfo::setCapacity(100);
    StyleInfo* sheet = document_->styleInfo();
    style_ = dynamic_cast<StyleGraphicNamed*>(sheet->addNewStyleInStyles(sheet->graphicStyles()));
    ASSERT_NE(style_, nullptr);
    // Fifty removals first: each record is the only holder of its item.
    std::vector<std::weak_ptr<Item>> removed;
    for (int i = 0; i < 50; ++i) {
        Item* box = addBox(i % 3, kit::makeRect(10, 10, 10, 10));
        for (const auto& held : box->page()->pageItems())
            if (held.get() == box)
                removed.push_back(held);
        auto record = std::make_unique<Undo>(std::vector<Item*>{box}, box->page(), Undo::ItemsRemoved);
        record->hold(box->page()->removeItems({box}));
        undo_->push(std::move(record));
    }
    for (const auto& watch : removed)
        ASSERT_FALSE(watch.expired());
    run(2000);
    EXPECT_LE(undo_->count(), 100);
    EXPECT_TRUE(undo_->limitReached());
    for (const auto& watch : removed)
        EXPECT_TRUE(watch.expired());
    // What is left can all be undone and redone.
    while (undo_->undo()) {
    }
    EXPECT_EQ(undo_->undoCount(), 0);
    EXPECT_TRUE(document_->isEdited());
    while (undo_->redo()) {
    }
    EXPECT_EQ(undo_->redoCount(), 0);
}

} // namespace
