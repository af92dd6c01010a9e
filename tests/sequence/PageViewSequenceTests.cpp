// The page-view sequence over many seeds. Each block of the suite runs every
// seed of its residue; SCRIVLY_VIEW_SEQUENCE_SEEDS sets how many seeds in
// all (a few hundred by default), SCRIVLY_VIEW_SEQUENCE_FROM the first and
// SCRIVLY_VIEW_SEQUENCE_STEPS the length of each sequence. A failure shrinks
// to the shortest sequence that still breaks the same invariant and is
// reported with its steps.

#include "PageViewSequence.h"
#include "SequenceSandbox.h"

#include "core/FileManager.h"
#include "core/UserDefaults.h"
#include "core/Alert.h"
#include "appkit/FilePanelHandler.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace {

constexpr int Blocks = 8;

long setting(const char* name, long fallback)
{
    const char* value = std::getenv(name);
    if (!value || !*value)
        return fallback;
    char* end = nullptr;
    const long parsed = std::strtol(value, &end, 10);
    return end && *end == '\0' && parsed >= 0 ? parsed : fallback;
}

class PageViewSequenceTest : public SequenceSandbox<::testing::TestWithParam<int>> {
protected:
    PageViewSequenceTest() : SequenceSandbox("view-sequence") {}
};

TEST_P(PageViewSequenceTest, UndoRedoAndReopenGiveBackTheDocument)
{
    const long seeds = setting("SCRIVLY_VIEW_SEQUENCE_SEEDS", 240);
    const long from = setting("SCRIVLY_VIEW_SEQUENCE_FROM", 0);
    const int steps = int(setting("SCRIVLY_VIEW_SEQUENCE_STEPS", 30));
    int failures = 0;
    for (long seed = from + GetParam(); seed < from + seeds; seed += Blocks) {
        const viewsequence::Sequence sequence = viewsequence::sequenceForSeed(std::uint64_t(seed), steps);
        const viewsequence::Result result = viewsequence::run(sequence, folder_);
        if (!result.failed())
            continue;
        // A survey of many seeds: each failure in one line, unshrunk.
        if (setting("SCRIVLY_VIEW_SEQUENCE_SURVEY", 0)) {
            ADD_FAILURE() << "seed " << seed << ": " << result.invariant << ": "
                          << result.failure.substr(0, result.failure.find('\n'));
            continue;
        }
        viewsequence::Result shrunk;
        const viewsequence::Sequence shortest = viewsequence::shrink(sequence, folder_, &shrunk);
        ADD_FAILURE() << "seed " << seed << ": " << viewsequence::report(shortest, shrunk);
        // A few shrunk failures say enough.
        if (++failures >= 3)
            break;
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, PageViewSequenceTest, ::testing::Range(0, Blocks));

// Items changed through the Graphics pane among the other item commands:
// every change undoes and redoes, and the document reopens the same.
TEST_F(PageViewSequenceTest, GraphicsPaneChangesUndoAndReopen)
{
    const long seeds = setting("SCRIVLY_VIEW_SEQUENCE_PANE_SEEDS", 24);
    const int steps = int(setting("SCRIVLY_VIEW_SEQUENCE_STEPS", 30));
    int failures = 0;
    // The pane must have had items to change.
    int paneChanges = 0;
    for (long seed = 0; seed < seeds; ++seed) {
        const viewsequence::Sequence sequence = viewsequence::graphicsPaneSequenceForSeed(std::uint64_t(seed), steps);
        const viewsequence::Result result = viewsequence::run(sequence, folder_);
        for (const std::string& line : result.trace)
            if (line.find("graphics pane:") != std::string::npos && line.find("(0 selected)") == std::string::npos)
                ++paneChanges;
        if (!result.failed())
            continue;
        viewsequence::Result shrunk;
        const viewsequence::Sequence shortest = viewsequence::shrink(sequence, folder_, &shrunk);
        ADD_FAILURE() << "seed " << seed << ": " << viewsequence::report(shortest, shrunk);
        if (++failures >= 3)
            break;
    }
    EXPECT_GT(paneChanges, seeds);
}

} // namespace
