#include "view/tests/EditingTestSupport.h"

#include "panels/PanelFind.h"

#include "appkit/Button.h"
#include "appkit/TextField.h"
#include "text/TextReplacement.h"

#include <random>
#include <string>
#include <vector>

namespace {

// Seeded sequences of what a user does with the find panel between edits:
// typing, Find Next and Previous, Replace, Replace & Find, Replace All and
// Undo. Each Replace All followed at once by Undo gives the text back, and
// after every step the flow lays out to a settled state.
class PanelFindSequenceTest : public EditingTest {
protected:
    std::vector<std::string> snapshot() const
    {
        std::vector<std::string> out;
        for (const auto& paragraph : flow_->paragraphList())
            out.push_back(TextReplacement::fingerprint(*paragraph));
        return out;
    }
};

TEST_F(PanelFindSequenceTest, RandomFindReplaceAndUndoKeepTheTextSound)
{
    PanelFind::initialize();
    auto* panel = dynamic_cast<PanelFind*>(delegate_->panel("findPanel", true));
    ASSERT_NE(panel, nullptr);
    type(flow_, "the cat sat on the mat\nthe hat\tand the cat");
    first_->beginEditing(nullptr, view_);
    document_->setSelection({first_}, view_);
    ASSERT_TRUE(view_->isEditing());

    static const char* const words[] = {"cat", "the", "at", "t h", "hat and", "x", "cats", "", "Cat", "a\nb"};
    for (std::uint32_t seed = 1; seed <= 12; ++seed) {
        std::mt19937 random(seed);
        auto pick = [&](int n) { return int(random() % std::uint32_t(n)); };
        for (int step = 0; step < 40; ++step) {
            SCOPED_TRACE("seed " + std::to_string(seed) + " step " + std::to_string(step));
            const std::string find = words[pick(int(std::size(words)))];
            const std::string replacement = words[pick(int(std::size(words)))];
            panel->findField()->setStringValue(find);
            panel->replaceField()->setStringValue(replacement);
            panel->ignoreCaseSwitch()->setState(pick(2));
            switch (pick(7)) {
            case 0: {
                const textPoint caret{pick(flow_->paragraphCount()), 0, 0};
                flow_->removeSelection();
                flow_->setCurrentPoint(&caret);
                flow_->currentParagraph()->addByte(static_cast<unsigned char>("ab c"[pick(4)]));
                break;
            }
            case 1: panel->findNext(nullptr); break;
            case 2: panel->findPrevious(nullptr); break;
            case 3: panel->replace(nullptr); break;
            case 4: panel->replaceAndFind(nullptr); break;
            case 5: {
                const std::vector<std::string> before = snapshot();
                flow_->setReplacement(nullptr);
                panel->replaceAll(nullptr);
                // Nothing replaced leaves no record: Undo would undelete.
                if (flow_->replacement()) {
                    view_->undo(nullptr);
                    EXPECT_EQ(snapshot(), before);
                } else {
                    EXPECT_EQ(snapshot(), before);
                }
                break;
            }
            default: view_->undo(nullptr); break;
            }
            flow_->completeLayout();
            ASSERT_TRUE(flow_->isSettled());
            ASSERT_GT(flow_->paragraphCount(), 0);
            if (TextWord* word = panel->currentWord()) {
                ASSERT_GE(word->paragraph() ? word->paragraph()->indexOfWord(word) : -1, 0);
            }
        }
    }
}

} // namespace
