// The undo stack: undo and redo of one move of 1,000 items, and many small
// edits pushed and undone without a limit (the cost per edit should not grow
// with their number).

#include "core/Values.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "document/Undo.h"
#include "document/UndoInfo.h"
#include "foundation/StyleGraphic.h"
#include "items/ItemArray.h"
#include "items/ItemBox.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

struct Setting {
    Setting()
    {
        kit::registerValueClasses();
        StyleGraphic::initialize();
        Item::initialize();
        Page::initialize();
        Undo::initialize();
        document.setPageSize(kit::makeSize(612, 792));
        document.setup();
    }
    std::vector<Item*> boxes(int count)
    {
        std::vector<Item*> made;
        for (int i = 0; i < count; ++i) {
            auto box = std::make_shared<ItemBox>();
            box->setFrame(kit::makeRect(float(i % 40) * 12, float(i / 40) * 12, 10, 10), false);
            made.push_back(box.get());
            document.pageAt(0)->addItems(std::move(box));
        }
        return made;
    }
    LayoutDocument document;
};

// One record of a move of 1,000 items, undone and redone in turn; the time
// is per call (an undo or a redo).
void BM_UndoRedoMoveOf1000Items(benchmark::State& state)
{
    UndoInfo::setCapacity(-1);
    Setting setting;
    std::vector<Item*> items = setting.boxes(1000);
    UndoInfo* undo = setting.document.undoInfo();
    undo->push(moveBy(items, 5, 5, true));
    bool undone = false;
    for (auto _ : state) {
        benchmark::DoNotOptimize(undone ? undo->redo() : undo->undo());
        undone = !undone;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_UndoRedoMoveOf1000Items)->Unit(benchmark::kMillisecond);

// n moves of one item pushed, then all undone; the rate is per edit.
void BM_PushAndUndoSmallEdits(benchmark::State& state)
{
    UndoInfo::setCapacity(-1);
    const int n = static_cast<int>(state.range(0));
    Setting setting;
    std::vector<Item*> items = setting.boxes(20);
    UndoInfo* undo = setting.document.undoInfo();
    for (auto _ : state) {
        for (int i = 0; i < n; ++i)
            undo->push(moveBy({items[std::size_t(i % 20)]}, 1, 0, true));
        while (undo->undo()) {
        }
        state.PauseTiming();
        undo->empty();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_PushAndUndoSmallEdits)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace
