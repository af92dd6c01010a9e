// Sequences the page-view sequence found failing, shrunk to their shortest
// form, each kept as a test of its own: they failed before their mending
// and pass since.

#include "PageViewSequence.h"

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

class PageViewSequenceFinding : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ = kit::FileManager::uniqueTemporaryPath("view-finding");
        ASSERT_TRUE(kit::FileManager::createDirectoryAtPath(folder_));
        setenv("XDG_CONFIG_HOME", (folder_ + "/config").c_str(), 1);
        kit::UserDefaults::resetStandardUserDefaults();
        alerts_ = std::make_shared<kit::ScriptedAlertHandler>();
        kit::setAlertHandler(alerts_);
        panels_ = std::make_shared<kit::ScriptedFilePanelHandler>();
        kit::setFilePanelHandler(panels_);
    }

    void TearDown() override
    {
        kit::setFilePanelHandler(nullptr);
        kit::setAlertHandler(nullptr);
        kit::UserDefaults::resetStandardUserDefaults();
        kit::FileManager::removeFileAtPath(folder_);
    }

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

    std::string folder_;
    std::shared_ptr<kit::ScriptedAlertHandler> alerts_;
    std::shared_ptr<kit::ScriptedFilePanelHandler> panels_;
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

} // namespace
