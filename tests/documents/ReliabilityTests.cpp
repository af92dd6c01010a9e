// A save killed at any moment leaves the file readable, holding the old
// version or the new one.

#include "DocumentTestSupport.h"
#include "KillDuringSave.h"

namespace {

using Reliability = DocumentFileTest;

TEST_F(Reliability, ASaveKilledAtAnyMomentLeavesTheOldOrTheNewFile)
{
    // Fifty pages in large type: every page's columns, lines and words are
    // written, with fewer words than body text has.
    std::unique_ptr<LayoutDocument> first = makeDocument(6000, true, 28);
    ASSERT_GE(first->numPages(), 45);
    std::unique_ptr<LayoutDocument> second = makeDocument(6000, true, 28);
    edit(*second, "second");
    const stress::KillReport report = stress::killDuringSave(*first, *second, path("killed.lvb"), 100, 2024);
    EXPECT_EQ(report.kills, 100);
    EXPECT_EQ(report.unreadable, 0);
    EXPECT_EQ(report.neither, 0);
    // The kills came at different moments: both versions were found.
    EXPECT_GT(report.first, 0);
    EXPECT_GT(report.second, 0);
    std::printf("100 kills: %d found the first version, %d the second, %d temporary files left\n", report.first,
                report.second, report.leftovers);
}

} // namespace
