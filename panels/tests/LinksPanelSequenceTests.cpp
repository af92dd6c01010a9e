// Seeded random runs of the links panel's commands among edits of the
// document: after every step the rows mirror the document's list, and no
// held picture loses its data, also across a save and a reopening.

#include "app/tests/WordProcessorFixture.h"

#include "appkit/CellMatrix.h"
#include "appkit/PopUpButton.h"
#include "core/Bundle.h"
#include "document/LinksInfo.h"
#include "document/Page.h"
#include "items/PlacedItem.h"
#include "panels/LinkCell.h"
#include "panels/LinksInspector.h"
#include "panels/LinksPanel.h"
#include "text/GraphicLink.h"
#include "view/PageView.h"

#include <random>

namespace {

class LinksPanelSequence : public WordProcessorTest {
protected:
    void SetUp() override
    {
        WordProcessorTest::SetUp();
        LinksPanel::initialize();
        document_ = newDocument();
        ASSERT_NE(document_, nullptr);
        ASSERT_TRUE(document_->addPages(2, document_->numPages()));
        panel_ = dynamic_cast<LinksPanel*>(delegate_->linksPanel(true));
        ASSERT_NE(panel_, nullptr);
        inspector_ = panel_->inspector();
        panel_->orderFront(nullptr);
        good_ = kit::FileManager::contentsAtPath(kit::Bundle::pathForResource("Linked", "tiff")).value_or("");
        ASSERT_FALSE(good_.empty());
    }

    std::string write(const std::string& name, const std::string& bytes)
    {
        const std::string file = path(name);
        EXPECT_TRUE(kit::FileManager::writeFileAtomically(file, bytes));
        return file;
    }

    // The rows are the list, in its order, each showing its link's state.
    void expectMirrors(const std::string& step)
    {
        const std::vector<GraphicLink*> links = document_->linksInfo().links();
        ASSERT_EQ(inspector_->matrix()->numberOfRows(), int(links.size())) << step;
        for (int row = 0; row < int(links.size()); ++row) {
            GraphicLink* link = links[std::size_t(row)];
            ASSERT_EQ(inspector_->linkAtRow(row), link) << step << " row " << row;
            LinkCell* cell = inspector_->cellAt(row);
            const char* status = link->cantFind() ? "Missing" : link->isLinked() ? "Linked" : "Anchor";
            EXPECT_EQ(cell->image(), inspector_->statusImage(status).get()) << step << " row " << row;
            if (!link->isLinked()) {
                auto* picture = dynamic_cast<PlacedItem*>(link->linkItem());
                ASSERT_NE(picture, nullptr) << step;
                EXPECT_NE(picture->sourceImage(), nullptr) << step << ": a held picture lost its data";
            }
        }
    }

    std::vector<PlacedItem*> pictures() const
    {
        std::vector<PlacedItem*> all;
        for (GraphicLink* link : document_->linksInfo().links())
            if (auto* picture = dynamic_cast<PlacedItem*>(link))
                all.push_back(picture);
        return all;
    }

    ScrivlyDocument* document_ = nullptr;
    LinksPanel* panel_ = nullptr;
    LinksInspector* inspector_ = nullptr;
    std::string good_;
};

TEST_F(LinksPanelSequence, RandomRunsKeepTheRowsTrueAndHeldPicturesWhole)
{
    for (unsigned seed = 1; seed <= 6; ++seed) {
        std::mt19937 random(seed);
        auto pick = [&](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(random); };
        int made = 0;
        for (int step = 0; step < 40; ++step) {
            const std::string label = "seed " + std::to_string(seed) + " step " + std::to_string(step);
            const std::vector<PlacedItem*> all = pictures();
            const int rows = inspector_->matrix()->numberOfRows();
            switch (all.empty() ? 0 : pick(8)) {
            case 0: { // place a linked or a held picture
                const int page = int(pick(std::size_t(document_->numPages())));
                std::shared_ptr<PlacedItem> item =
                    pick(2) ? PlacedItem::initWithContentsOfFile(write("p" + std::to_string(made++) + ".tiff", good_),
                                                                 true)
                            : PlacedItem::initFromStream(good_);
                ASSERT_TRUE(item) << label;
                document_->pageAt(page)->addItems(item);
                break;
            }
            case 1: // delete a picture
                document_->pageAt(0)->removeItems({all[pick(all.size())]});
                for (int p = 1; p < document_->numPages(); ++p)
                    document_->pageAt(p)->removeItems({all[pick(all.size())]});
                break;
            case 2: { // Replace with a good, a broken or a text file, or cancel
                const int row = int(pick(std::size_t(rows)));
                inspector_->matrix()->selectCellAtRow(row, 0);
                inspector_->showSelection(nullptr);
                GraphicLink* link = inspector_->linkAtRow(row);
                const std::optional<std::string> before = link->filename();
                const bool wasLinked = link->isLinked();
                const std::size_t kind = pick(4);
                if (kind < 3) {
                    const std::string bytes = kind == 0 ? good_ : kind == 1 ? good_.substr(0, 30) : "text";
                    const char* extension = kind == 2 ? ".txt" : ".tiff";
                    panels_->pushAnswer({1, {write("r" + std::to_string(made++) + extension, bytes)}, nullptr});
                }
                inspector_->replaceFile(nullptr);
                alerts_->reset();
                // Only a file that reads as a picture changes the link.
                if (kind != 0) {
                    EXPECT_EQ(link->filename(), before) << label;
                    EXPECT_EQ(link->isLinked(), wasLinked) << label;
                } else {
                    EXPECT_TRUE(link->isLinked() && !link->cantFind()) << label;
                }
                break;
            }
            case 3: { // Break one or several rows, confirmed or not, a file maybe gone
                inspector_->matrix()->deselectAllCells();
                inspector_->matrix()->selectCellAtRow(int(pick(std::size_t(rows))), 0);
                inspector_->matrix()->cellAtRow(int(pick(std::size_t(rows))), 0)->setState(1);
                inspector_->showSelection(nullptr);
                if (pick(3) == 0)
                    if (auto* gone = all[pick(all.size())]; gone->isLinked() && gone->filename())
                        kit::FileManager::removeFileAtPath(*gone->filename());
                alerts_->pushAnswer(pick(3) ? kit::AlertDefaultReturn : kit::AlertAlternateReturn);
                inspector_->break_(nullptr);
                alerts_->reset();
                break;
            }
            case 4: // sort
                inspector_->sortPopup()->selectItemAtIndex(int(pick(4)));
                inspector_->sort(inspector_->sortPopup());
                break;
            case 5: { // the document's selection
                std::vector<Item*> chosen;
                for (PlacedItem* picture : all)
                    if (pick(3) == 0)
                        chosen.push_back(picture);
                document_->setSelection(chosen, nullptr);
                break;
            }
            case 6: // OK
                inspector_->matrix()->selectCellAtRow(int(pick(std::size_t(rows))), 0);
                inspector_->ok(nullptr);
                break;
            default: // a click in the list
                inspector_->matrix()->selectCellAtRow(int(pick(std::size_t(rows))), 0);
                inspector_->singleAction(inspector_->matrix());
                break;
            }
            inspector_->inspect(nullptr);
            expectMirrors(label);
            if (HasFatalFailure())
                return;
        }
        // Saved and read again: every held picture comes back whole.
        int held = 0;
        for (PlacedItem* picture : pictures())
            held += picture->isLinked() ? 0 : 1;
        const std::string saved = path("run" + std::to_string(seed) + ".syb");
        ASSERT_TRUE(document_->saveFile(saved, false));
        // Read from a copy: the saved file itself would answer this document.
        const std::string copy = write("copy" + std::to_string(seed) + ".syb",
                                       kit::FileManager::contentsAtPath(saved).value_or(""));
        LayoutDocument* reopened = delegate_->openFile(copy, false);
        ASSERT_NE(reopened, nullptr);
        ASSERT_NE(reopened, document_);
        int heldBack = 0;
        for (GraphicLink* link : reopened->linksInfo().links())
            if (auto* picture = dynamic_cast<PlacedItem*>(link); picture && !picture->isLinked()) {
                ++heldBack;
                EXPECT_NE(picture->sourceImage(), nullptr) << "seed " << seed;
            }
        EXPECT_EQ(heldBack, held) << "seed " << seed;
        reopened->setEdited(false);
        reopened->close(nullptr);
        delegate_->setMainPageView(dynamic_cast<PageView*>(document_->mainView()));
    }
}

} // namespace
