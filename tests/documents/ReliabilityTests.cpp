// A save killed at any moment, or before any one of its calls that change
// files, leaves the file readable, holding the old version or the new one.

#include "DocumentTestSupport.h"
#include "KillBeforeCall.h"
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

namespace {

// A save killed before each of its calls that change files, one kill a
// run, the path opened after each: it holds the old version or the new one,
// whole, and opens as that document.
class KilledBeforeEachCall : public DocumentFileTest {
protected:
    struct Case {
        const char* name;
        bool package;         // the file starts as an old package folder
        bool withoutExchange; // the kernel answers that it cannot exchange
        bool keepBackup;
    };

    // The old version at the path, fresh for each run; nothing else beside it.
    void putOldVersion(const Case& c, const std::string& file, const std::string& bytes)
    {
        for (const std::string& name : listing())
            kit::FileManager::removeFileAtPath(path(name));
        if (c.package) {
            ASSERT_TRUE(kit::FileManager::createDirectoryAtPath(file));
            ASSERT_TRUE(kit::FileManager::writeFileAtomically(file + "/LayvaneDoc.lvb", bytes));
        } else {
            ASSERT_TRUE(kit::FileManager::writeFileAtomically(file, bytes));
        }
    }

    // The archive the path holds: the file, or the one inside the package.
    std::string storedAt(const std::string& file)
    {
        bool package = false;
        return readStoredForm(file, "LayvaneDoc.lvb", &package).value_or("<nothing>");
    }
};

TEST_F(KilledBeforeEachCall, TheSaveLeavesTheOldOrTheNewVersionAtThePath)
{
    const Case cases[] = {
        {"package, exchanged", true, false, false},
        {"package with a backup, exchanged", true, false, true},
        {"package, no exchange", true, true, false},
        {"package with a backup, no exchange", true, true, true},
        {"plain file with a backup", false, false, true},
    };
    std::unique_ptr<LayoutDocument> older = makeDocument(200);
    std::unique_ptr<LayoutDocument> newer = makeDocument(200);
    edit(*newer, "second");
    const std::string oldBytes = bytesOf(*older);
    const std::string newBytes = bytesOf(*newer);
    ASSERT_NE(oldBytes, newBytes);
    const std::string file = path("letter.lvb");
    newer->setFilename(file);

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int kills = 0;
        bool finished = false;
        for (int n = 1; n < 500 && !finished; ++n) {
            putOldVersion(c, file, oldBytes);
            newer->setLastModifyTime(std::nullopt);
            const stress::TracedEnd end = stress::runKilledBeforeCall(
                [&] { return newer->saveFile(file, c.keepBackup); }, n, c.withoutExchange);
            if (end == stress::TracedEnd::Unavailable)
                GTEST_SKIP() << "this machine does not let a test trace its child (ptrace, seccomp)";
            ASSERT_NE(end, stress::TracedEnd::Failed) << "call " << n;
            finished = end == stress::TracedEnd::Finished;
            kills += finished ? 0 : 1;

            // Opened as the program opens it.
            LayoutDocument prototype(delegate_->preferences());
            LayoutDocument* opened = prototype.initFromFile(file, false);
            ASSERT_NE(opened, nullptr) << "killed before call " << n << ": " << ::testing::PrintToString(listing());
            const std::string stored = storedAt(file);
            EXPECT_TRUE(stored == oldBytes || stored == newBytes) << "killed before call " << n;
            EXPECT_EQ(textOf(*opened), textOf(stored == newBytes ? *newer : *older)) << "killed before call " << n;
            if (finished) {
                EXPECT_EQ(stored, newBytes);
                // Done, a package is a plain file where the file system
                // could exchange the two.
                const bool folder = kit::FileManager::fileAttributesAtPath(file)->type == kit::FileType::Directory;
                EXPECT_EQ(folder, c.package && c.withoutExchange);
            }
            delegate_->documentDidClose(opened);
        }
        EXPECT_TRUE(finished);
        EXPECT_GT(kills, 2);
        std::printf("%s: killed before each of %d calls\n", c.name, kills);
    }
}

} // namespace
