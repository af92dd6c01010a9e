// One row per undo type code: the edit as its creator makes it, then undo
// gives back the document as it was before, and redo as it was after,
// compared through the stored form, twice over.

#include "UndoTestSupport.h"

#include "document/UndoComposite.h"
#include "document/UndoGuide.h"
#include "document/UndoOrder.h"
#include "document/UndoPage.h"
#include "document/UndoStyleGraphic.h"
#include "document/UndoTrans.h"
#include "foundation/GxRecords.h"
#include "foundation/StyleGraphicNamed.h"
#include "foundation/StyleInfo.h"
#include "items/ItemArray.h"

namespace {

// A box that can carry arrows, as a line item can.
class ArrowBox : public ItemBox {
public:
    bool canArrow() const override { return true; }
};

class UndoRecordTable;

struct Row {
    const char* name;
    int code;
    int codeAfterUndo;
    void (*prepare)(UndoRecordTable&);
    void (*edit)(UndoRecordTable&);
};

class UndoRecordTable : public UndoTest, public ::testing::WithParamInterface<Row> {
public:
    // Two boxes on the first page, red and blue, with lines of 1 and 2.
    void twoBoxes()
    {
        a = addBox(0, kit::makeRect(100, 100, 50, 40), kit::Color::colorWithDeviceRed(1, 0, 0));
        b = addBox(0, kit::makeRect(130, 120, 60, 30), kit::Color::colorWithDeviceRed(0, 0, 1), 2.0f);
    }
    std::vector<Item*> both() const { return {a, b}; }
    void push(std::unique_ptr<Undo> record)
    {
        ASSERT_NE(record, nullptr);
        undo_->push(std::move(record));
    }
    // A named graphic style of the sheet, red-filled.
    StyleGraphicNamed* namedStyle()
    {
        StyleInfo* sheet = document_->styleInfo();
        auto* named = dynamic_cast<StyleGraphicNamed*>(sheet->addNewStyleInStyles(sheet->graphicStyles()));
        EXPECT_NE(named, nullptr);
        named->setHasFill(true);
        named->setFillColor(kit::Color::colorWithDeviceRed(1, 0, 0));
        return named;
    }
    // Six boxes on the first page; the second and fifth are moved.
    void sixBoxes()
    {
        for (int i = 0; i < 6; ++i)
            six.push_back(addBox(0, kit::makeRect(20.0f + 10 * i, 20, 30, 30)));
    }
    void order(int code)
    {
        auto record = std::make_unique<UndoOrder>(std::vector<Item*>{six[1], six[4]}, page(0), code);
        record->setPlaces({1, 4});
        record->redoInDocument(document_.get());
        push(std::move(record));
    }
    void frameField(int code)
    {
        push(setFrame(both(), kit::makeRect(10, 12, 70, 80), code, true));
    }

    ItemBox* a = nullptr;
    ItemBox* b = nullptr;
    Guide* guide = nullptr;
    StyleGraphicNamed* style = nullptr;
    StyleGraphic plain;
    std::vector<ItemBox*> six;
};

void none(UndoRecordTable&) {}
void twoBoxes(UndoRecordTable& t) { t.twoBoxes(); }

const Row rows[] = {
    {"ItemsAdded", 1, 2, twoBoxes,
     [](UndoRecordTable& t) {
         auto box = std::make_shared<ItemBox>();
         box->setFrame(kit::makeRect(300, 300, 20, 20), false);
         Item* raw = box.get();
         t.page(0)->addItems(std::move(box));
         t.push(std::make_unique<Undo>(std::vector<Item*>{raw}, t.page(0), Undo::ItemsAdded));
     }},
    {"ItemsRemoved", 2, 1,
     [](UndoRecordTable& t) {
         t.twoBoxes();
         t.addBox(0, kit::makeRect(400, 400, 10, 10));
     },
     [](UndoRecordTable& t) {
         // The middle one of three goes; undo puts it back in the middle.
         auto record = std::make_unique<Undo>(std::vector<Item*>{t.b}, t.page(0), Undo::ItemsRemoved);
         record->hold(t.page(0)->removeItems({t.b}), {1});
         t.push(std::move(record));
     }},
    {"Moved", 3, 3, twoBoxes, [](UndoRecordTable& t) { t.push(moveBy(t.both(), 10, 20, true)); }},
    {"Rotated", 4, 4, twoBoxes, [](UndoRecordTable& t) { t.push(rotateBy(t.both(), 30, true)); }},
    {"Locked", 6, 7, twoBoxes,
     [](UndoRecordTable& t) {
         t.a->lock();
         t.b->lock();
         t.push(std::make_unique<Undo>(t.both(), t.page(0), Undo::Locked));
     }},
    {"Unlocked", 7, 6,
     [](UndoRecordTable& t) {
         t.twoBoxes();
         t.a->lock();
         t.b->lock();
     },
     [](UndoRecordTable& t) {
         t.a->unlock();
         t.b->unlock();
         t.push(std::make_unique<Undo>(t.both(), t.page(0), Undo::Unlocked));
     }},
    {"BroughtToFront", 10, 10, [](UndoRecordTable& t) { t.sixBoxes(); },
     [](UndoRecordTable& t) { t.order(Undo::BroughtToFront); }},
    {"SentToBack", 11, 11, [](UndoRecordTable& t) { t.sixBoxes(); },
     [](UndoRecordTable& t) { t.order(Undo::SentToBack); }},
    {"BroughtForward", 12, 12, [](UndoRecordTable& t) { t.sixBoxes(); },
     [](UndoRecordTable& t) { t.order(Undo::BroughtForward); }},
    {"SentBackward", 13, 13, [](UndoRecordTable& t) { t.sixBoxes(); },
     [](UndoRecordTable& t) { t.order(Undo::SentBackward); }},
    {"MadeNatural", 14, 14,
     [](UndoRecordTable& t) {
         t.twoBoxes();
         t.a->rotateByAngle(30);
         t.b->rotateByAngle(45);
     },
     [](UndoRecordTable& t) {
         // The saved transforms run from the last item backwards.
         std::vector<UndoTrans::Matrix> saved;
         for (Item* item : {static_cast<Item*>(t.b), static_cast<Item*>(t.a)}) {
             UndoTrans::Matrix m{};
             item->getMatrix(m.data());
             saved.push_back(m);
             item->makeNatural();
         }
         auto record = std::make_unique<UndoTrans>(t.both(), t.page(0), Undo::MadeNatural);
         record->setMatrixInfo(std::move(saved));
         t.push(std::move(record));
     }},
    {"Centred", 16, 16, twoBoxes,
     [](UndoRecordTable& t) {
         std::vector<UndoTrans::TransformInfo> moves;
         for (Item* item : t.both()) {
             UndoTrans::TransformInfo m;
             m.oldOrigin = item->frame().origin;
             item->moveBy(306 - kit::midX(item->frame()), 396 - kit::midY(item->frame()));
             m.newOrigin = item->frame().origin;
             moves.push_back(m);
         }
         auto record = std::make_unique<UndoTrans>(t.both(), t.page(0), Undo::Centred);
         record->setPointDataFromTInfo(moves);
         t.push(std::move(record));
     }},
    {"GuideAdded", 18, 19, none,
     [](UndoRecordTable& t) {
         auto guide = std::make_unique<Guide>(100.0f, Guide::Horizontal);
         Guide* raw = guide.get();
         t.page(0)->addGuide(std::move(guide));
         auto record = std::make_unique<UndoGuide>(std::vector<Item*>{}, t.page(0), Undo::GuideAdded);
         record->setGuide(raw);
         t.push(std::move(record));
     }},
    {"GuideRemoved", 19, 18,
     [](UndoRecordTable& t) {
         t.page(0)->addGuide(std::make_unique<Guide>(50.0f, Guide::Vertical));
         auto guide = std::make_unique<Guide>(100.0f, Guide::Horizontal);
         t.guide = guide.get();
         t.page(0)->addGuide(std::move(guide));
     },
     [](UndoRecordTable& t) {
         auto record = std::make_unique<UndoGuide>(std::vector<Item*>{}, t.page(0), Undo::GuideRemoved);
         record->hold(t.page(0)->removeGuide(t.guide), LayoutDocument::PagesLayer);
         t.push(std::move(record));
     }},
    {"GuideMoved", 20, 20,
     [](UndoRecordTable& t) {
         auto guide = std::make_unique<Guide>(100.0f, Guide::Horizontal);
         t.guide = guide.get();
         t.page(0)->addGuide(std::move(guide));
     },
     [](UndoRecordTable& t) {
         t.guide->setLocation(120.0f);
         auto record = std::make_unique<UndoGuide>(std::vector<Item*>{}, t.page(0), Undo::GuideMoved);
         record->setGuide(t.guide);
         record->setMoveBy(0, 20);
         t.push(std::move(record));
     }},
    {"FlippedHorizontally", 21, 21, twoBoxes,
     [](UndoRecordTable& t) {
         t.b->flip(1);
         t.a->flip(1);
         t.push(std::make_unique<UndoTrans>(t.both(), t.page(0), Undo::FlippedHorizontally));
     }},
    {"FlippedVertically", 22, 22, twoBoxes,
     [](UndoRecordTable& t) {
         t.b->flip(2);
         t.a->flip(2);
         t.push(std::make_unique<UndoTrans>(t.both(), t.page(0), Undo::FlippedVertically));
     }},
    {"SizedBy", 23, 23, twoBoxes, [](UndoRecordTable& t) { t.push(sizeBy(t.both(), 10, -5, true)); }},
    {"ScaledBy", 24, 24, twoBoxes, [](UndoRecordTable& t) { t.push(scaleBy(t.both(), 2, 0.5f, true)); }},
    {"Composite", 25, 25,
     [](UndoRecordTable& t) {
         t.twoBoxes();
         auto guide = std::make_unique<Guide>(100.0f, Guide::Vertical);
         t.guide = guide.get();
         t.page(0)->addGuide(std::move(guide));
     },
     [](UndoRecordTable& t) {
         auto composite = std::make_unique<UndoComposite>();
         composite->addUndo(moveBy(t.both(), 8, 0, true));
         t.guide->setLocation(108.0f);
         auto moved = std::make_unique<UndoGuide>(std::vector<Item*>{}, t.page(0), Undo::GuideMoved);
         moved->setGuide(t.guide);
         moved->setMoveBy(8, 0);
         composite->addUndo(std::move(moved));
         t.push(std::move(composite));
     }},
    {"PagesAdded", 26, 27, twoBoxes,
     [](UndoRecordTable& t) {
         ASSERT_TRUE(t.document_->addPages(2, 1));
         t.push(std::make_unique<UndoPage>(std::vector<Page*>{t.page(1), t.page(2)}, 1, 2, Undo::PagesAdded));
     }},
    {"PagesRemoved", 27, 26,
     [](UndoRecordTable& t) { t.addBox(1, kit::makeRect(10, 10, 10, 10)); },
     [](UndoRecordTable& t) {
         Page* gone = t.page(1);
         auto record = std::make_unique<UndoPage>(std::vector<Page*>{gone}, 1, 1, Undo::PagesRemoved);
         record->hold(t.document_->deletePages(1, 1));
         t.push(std::move(record));
     }},
    {"FrameXSet", 28, 28, twoBoxes, [](UndoRecordTable& t) { t.frameField(Undo::FrameXSet); }},
    {"FrameYSet", 29, 29, twoBoxes, [](UndoRecordTable& t) { t.frameField(Undo::FrameYSet); }},
    {"FrameWidthSet", 30, 30, twoBoxes, [](UndoRecordTable& t) { t.frameField(Undo::FrameWidthSet); }},
    {"FrameHeightSet", 31, 31, twoBoxes, [](UndoRecordTable& t) { t.frameField(Undo::FrameHeightSet); }},
    {"FrameOriginSet", 32, 32, twoBoxes, [](UndoRecordTable& t) { t.frameField(Undo::FrameOriginSet); }},
    {"FrameSizeSet", 33, 33, twoBoxes, [](UndoRecordTable& t) { t.frameField(Undo::FrameSizeSet); }},
    {"FrameSet", 34, 34, twoBoxes, [](UndoRecordTable& t) { t.frameField(Undo::FrameSet); }},
    {"RotatedTo", 35, 35,
     [](UndoRecordTable& t) {
         t.twoBoxes();
         t.b->rotateByAngle(10);
     },
     [](UndoRecordTable& t) { t.push(rotateTo(t.both(), 30, true)); }},
    {"ScaledTo", 36, 36, twoBoxes, [](UndoRecordTable& t) { t.push(scaleTo(t.both(), 2, 2, true)); }},
    {"GraphicStyleRedefined", 58, 58,
     [](UndoRecordTable& t) {
         t.twoBoxes();
         t.style = t.namedStyle();
         t.a->setGraphicStyle(t.style);
     },
     [](UndoRecordTable& t) {
         auto record = std::make_unique<UndoStyleGraphic>(std::vector<Item*>{}, nullptr, Undo::GraphicStyleRedefined);
         record->setGraphicStyle(t.style->copy());
         StyleGraphic redefined;
         redefined.takeStyleValuesFrom(t.style);
         redefined.setFillColor(kit::Color::colorWithDeviceRed(0, 1, 0));
         redefined.setLineWidth(4.0f);
         t.style->takeStyleValuesFrom(&redefined);
         t.push(std::move(record));
     }},
    {"GraphicStyleRemoved", 59, 59,
     [](UndoRecordTable& t) {
         t.twoBoxes();
         t.style = t.namedStyle();
         t.a->setGraphicStyle(t.style);
         t.b->setGraphicStyle(t.style);
     },
     // The styles panel's unnamed entry takes the named style off the items.
     [](UndoRecordTable& t) { t.push(modifyStyle(t.both(), &t.plain, true, true)); }},
    {"GraphicStyleApplied", 60, 60,
     [](UndoRecordTable& t) {
         t.twoBoxes();
         t.style = t.namedStyle();
     },
     [](UndoRecordTable& t) { t.push(modifyStyle(t.both(), t.style, true, false)); }},
    {"FillColorSet", 61, 61, twoBoxes,
     [](UndoRecordTable& t) { t.push(modifyColor(t.both(), kit::Color::colorWithDeviceRed(0, 1, 0), 61, true)); }},
    {"FillPatternSet", 62, 62, twoBoxes,
     [](UndoRecordTable& t) { t.push(modifyPattern(t.both(), std::make_shared<kit::String>("dots"), true)); }},
    {"FillOverprintSet", 63, 63, twoBoxes, [](UndoRecordTable& t) { t.push(modifyFlag(t.both(), true, 63, true)); }},
    {"LineColorSet", 64, 64, twoBoxes,
     [](UndoRecordTable& t) { t.push(modifyColor(t.both(), kit::Color::colorWithDeviceRed(0, 1, 0), 64, true)); }},
    {"LineWidthSet", 65, 65, twoBoxes, [](UndoRecordTable& t) { t.push(modifyLineWidth(t.both(), 3.0f, true)); }},
    {"LineOverprintSet", 66, 66, twoBoxes, [](UndoRecordTable& t) { t.push(modifyFlag(t.both(), true, 66, true)); }},
    {"DashSet", 67, 67, twoBoxes,
     [](UndoRecordTable& t) {
         GxDash dash;
         dash.count = 2;
         dash.values[0] = 3;
         dash.values[1] = 2;
         t.push(modifyDash(t.both(), &dash, true));
     }},
    {"LeftArrowSet", 68, 68,
     [](UndoRecordTable& t) {
         auto line = std::make_shared<ArrowBox>();
         line->setFrame(kit::makeRect(10, 10, 100, 0), false);
         t.a = line.get();
         t.page(0)->addItems(std::move(line));
         t.b = t.addBox(0, kit::makeRect(50, 50, 10, 10));
     },
     [](UndoRecordTable& t) {
         GxArrow arrow;
         arrow.kind = 2;
         arrow.count = 2;
         arrow.points[1] = {4, 4};
         t.push(modifyArrow(t.both(), &arrow, 68, true));
     }},
    {"RightArrowSet", 69, 69,
     [](UndoRecordTable& t) {
         auto line = std::make_shared<ArrowBox>();
         line->setFrame(kit::makeRect(10, 10, 100, 0), false);
         t.a = line.get();
         t.page(0)->addItems(std::move(line));
         t.b = t.addBox(0, kit::makeRect(50, 50, 10, 10));
     },
     [](UndoRecordTable& t) {
         GxArrow arrow;
         arrow.kind = 1;
         arrow.count = 3;
         arrow.points[1] = {4, 2};
         arrow.points[2] = {0, 4};
         t.push(modifyArrow(t.both(), &arrow, 69, true));
     }},
    {"CropSet", 70, 70, twoBoxes, [](UndoRecordTable& t) { t.push(modifyFlag(t.both(), true, 70, true)); }},
    {"FillSet", 71, 71,
     [](UndoRecordTable& t) {
         t.twoBoxes();
         t.b->setHasFill(false);
     },
     [](UndoRecordTable& t) {
         GxFill fill;
         GxInitFill(&fill);
         GxSetFillColor(&fill, kit::Color::colorWithGray(0.5f));
         t.push(modifyFill(t.both(), &fill, true));
     }},
    {"LineSet", 72, 72,
     [](UndoRecordTable& t) {
         t.twoBoxes();
         t.b->setHasLine(false);
     },
     [](UndoRecordTable& t) {
         GxLine line;
         GxInitLine(&line);
         GxSetLineWidth(&line, 5.0f);
         GxSetLineColor(&line, kit::Color::colorWithGray(0.25f));
         t.push(modifyLine(t.both(), &line, true));
     }},
    {"HasFillSet", 73, 73, twoBoxes, [](UndoRecordTable& t) { t.push(modifyFlag(t.both(), false, 73, true)); }},
    {"HasLineSet", 74, 74, twoBoxes, [](UndoRecordTable& t) { t.push(modifyFlag(t.both(), false, 74, true)); }},
    {"MovedToPage", 80, 80, twoBoxes,
     [](UndoRecordTable& t) {
         // The lower box is dragged onto the next page.
         t.page(1)->addItems(t.page(0)->removeItems({t.a}));
         auto record = std::make_unique<UndoTrans>(std::vector<Item*>{t.a}, t.page(1), Undo::MovedToPage);
         record->setOldPage(t.page(0), {0});
         t.push(std::move(record));
     }},
};

TEST_P(UndoRecordTable, UndoGivesBackTheStateBeforeAndRedoTheStateAfter)
{
    const Row& row = GetParam();
    row.prepare(*this);
    const std::string before = storedForm();
    row.edit(*this);
    ASSERT_EQ(undo_->count(), 1);
    Undo* record = undo_->currentRecord();
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->undoType(), row.code);
    const std::string after = storedForm();
    ASSERT_NE(after, before) << "the edit changed nothing";
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(undo_->undo());
        EXPECT_EQ(record->undoType(), row.codeAfterUndo);
        EXPECT_TRUE(storedForm() == before) << "undo";
        ASSERT_TRUE(undo_->redo());
        EXPECT_EQ(record->undoType(), row.code);
        EXPECT_TRUE(storedForm() == after) << "redo";
    }
}

INSTANTIATE_TEST_SUITE_P(EveryCode, UndoRecordTable, ::testing::ValuesIn(rows),
                         [](const ::testing::TestParamInfo<Row>& info) { return std::string(info.param.name); });

} // namespace
