// Sequences the page-view sequence found failing, shrunk to their shortest
// form, each kept as a test of its own: they failed before their mending
// and pass since.

#include "PageViewSequence.h"
#include "SequenceSandbox.h"

#include "appkit/FilePanelHandler.h"
#include "core/Alert.h"
#include "core/FileManager.h"
#include "core/UserDefaults.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <string>

namespace {

using Bytes = std::initializer_list<int>;

class PageViewSequenceFinding : public SequenceSandbox<::testing::Test> {
protected:
    PageViewSequenceFinding() : SequenceSandbox("view-finding") {}

    // The steps as the failure report gives them: an operation and its
    // eight argument bytes each.
    void expectHolds(bool wordProcessor, std::initializer_list<Bytes> steps)
    {
        viewsequence::Sequence sequence;
        sequence.wordProcessor = wordProcessor;
        for (const Bytes& bytes : steps) {
            viewsequence::Step step;
            auto b = bytes.begin();
            step.op = std::uint8_t(*b++);
            for (int i = 0; i < 8 && b != bytes.end(); ++i)
                step.arg[i] = std::uint8_t(*b++);
            sequence.steps.push_back(step);
        }
        const viewsequence::Result result = viewsequence::run(sequence, folder_);
        EXPECT_FALSE(result.failed()) << viewsequence::report(sequence, result);
    }

};

// A page break adds a page; Undo of everything takes it out and the layout
// adds one again while the undo runs: no record of it cuts the redo tail,
// and Redo puts the first page back in its place in the chain.
TEST_F(PageViewSequenceFinding, AnAutomaticPageAddedWhileAnUndoRuns)
{
    expectHolds(true, {{32, 64, 162, 209, 160, 80, 78, 87, 87}});
}

// A footer marker in the text: the document opened again lays out as saved.
TEST_F(PageViewSequenceFinding, AFooterMarkerInTheTextReopens)
{
    expectHolds(true, {{33, 246, 206, 237, 59, 169, 231, 133, 189}});
    expectHolds(true, {{33, 161, 93, 249, 188, 207, 97, 143, 251}});
}

// Clone pushes its record: Undo of everything takes the copy away.
TEST_F(PageViewSequenceFinding, CloneIsUndone)
{
    expectHolds(false, {{3, 120, 9, 232, 217, 95, 147, 213, 199}, {24, 111, 114, 203, 161, 55, 140, 65, 186}});
    expectHolds(false, {{7, 1, 144, 33, 126, 136, 206, 32, 62}, {24, 3, 28, 233, 101, 218, 145, 184, 191}});
}

// A picture on a page the text added; the text shrinks; Undo of everything
// takes the picture off (the page, empty now, stays for the record that
// added it) and then the page; Redo of everything gives both back.
TEST_F(PageViewSequenceFinding, APageLeftEmptyByAnUndoStaysForTheRecordsThatNeedIt)
{
    expectHolds(true, {{32, 192, 108, 103, 105, 169, 237, 40, 220},
                       {1, 169, 126, 55, 49, 87, 236, 208, 38},
                       {31, 12, 16, 206, 170, 74, 149, 41, 173}});
}

// A picture on a page the text takes away again: the records of the
// picture neither select it nor make its page active when undone.
TEST_F(PageViewSequenceFinding, RecordsOfAnItemWhosePageWentTouchNothingThatIsGone)
{
    expectHolds(true, {{32, 86, 202, 116, 66, 207, 110, 250, 13},
                       {1, 69, 152, 76, 141, 133, 18, 229, 245},
                       {9, 177, 214, 245, 145, 40, 157, 255, 205},
                       {20, 100, 211, 150, 105, 179, 120, 143, 220},
                       {30, 107, 176, 192, 170, 80, 7, 207, 174}});
}

// Unlock of an unlocked column, Unlock All and a turn of the word
// processor's main text, a margin dragged below the text, a knob of a
// picture dragged with Shift: each undone and redone gives back the
// document.
TEST_F(PageViewSequenceFinding, SmallSequencesOfUnlockMarginsAndKnobs)
{
    expectHolds(false, {{3, 235, 53, 151, 171, 15, 237, 125, 84}, {15, 246, 159, 84, 222, 66, 56, 14, 197}});
    expectHolds(true, {{15, 159, 7, 250, 54, 159, 2, 38, 24}, {10, 93, 244, 80, 104, 244, 100, 9, 124}});
    expectHolds(true, {{4, 209, 225, 254, 198, 248, 140, 190, 60}});
    expectHolds(true, {{1, 118, 246, 196, 233, 66, 135, 131, 16}, {9, 38, 42, 152, 96, 97, 193, 216, 181}});
}

// A group holding a column of a chain: its links stay whole.
TEST_F(PageViewSequenceFinding, AGroupHoldingAChainedColumn)
{
    expectHolds(false, {{1, 168, 132, 146, 60, 12, 163, 132, 8},
                        {5, 229, 50, 200, 140, 23, 37, 168, 109},
                        {12, 224, 203, 183, 22, 238, 42, 118, 221}});
}

// A page break undone, a box drawn on the page it left, Returns that move
// the text on: Undo of everything chains page 1's column on to page 2's
// again, as a fresh document given the same text has it.
TEST_F(PageViewSequenceFinding, TheColumnChainAfterAnUndonePageBreakAndABoxOnPageTwo)
{
    expectHolds(true, {{32, 40, 167, 222, 117, 76, 133, 255, 154},
                       {34, 190, 48, 141, 211, 250, 127, 73, 59},
                       {0, 155, 17, 227, 181, 61, 78, 240, 97},
                       {30, 83, 152, 25, 90, 71, 208, 147, 190}});
}

// A group of a box and the page's column, dragged by a corner knob; undone
// and redone, saved and opened: the text lays out as it was saved.
TEST_F(PageViewSequenceFinding, AKnobDragOfAGroupHoldingAColumnReopens)
{
    expectHolds(false, {{0, 222, 191, 24, 228, 176, 29, 60, 5},
                        {5, 215, 59, 38, 54, 80, 159, 104, 96},
                        {12, 130, 233, 185, 213, 170, 249, 133, 32},
                        {9, 136, 112, 8, 65, 230, 90, 101, 221}});
}

} // namespace
