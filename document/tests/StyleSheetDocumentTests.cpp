// The document's side of its style sheet: a removed paragraph style leaves
// no paragraph, typing style or table cell pointing at it, and new styles
// take their values from the selection.

#include "core/Alert.h"
#include "core/FileManager.h"
#include "core/UserDefaults.h"
#include "core/Values.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "foundation/StyleGraphic.h"
#include "foundation/StyleGraphicNamed.h"
#include "foundation/StyleInfo.h"
#include "foundation/StyleParagraph.h"
#include "foundation/StyleParagraphNamed.h"
#include "graphics/Font.h"
#include "items/ItemBox.h"
#include "items/TextItem.h"
#include "text/TableParagraph.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextSelection.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

class StyleSheetDocumentTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        kit::registerValueClasses();
        StyleGraphic::initialize();
        StyleParagraph::initialize();
        Item::initialize();
        Page::initialize();
        TextFlow::initialize();
        TextSelection::initialize();
    }

    void SetUp() override
    {
        alerts_ = std::make_shared<kit::ScriptedAlertHandler>();
        kit::setAlertHandler(alerts_);
        folder_ = kit::FileManager::uniqueTemporaryPath("style-sheet-document");
        ASSERT_TRUE(kit::FileManager::createDirectoryAtPath(folder_));
        setenv("XDG_CONFIG_HOME", folder_.c_str(), 1);
        kit::UserDefaults::resetStandardUserDefaults();
        document_ = std::make_unique<LayoutDocument>();
        document_->setPageSize(kit::makeSize(612, 792));
        document_->setFirstPageNum(1);
        ASSERT_TRUE(document_->addPages(1, 0));
        auto column = std::make_shared<TextItem>();
        column->setFrame(kit::makeRect(72, 72, 468, 648), false);
        column_ = column.get();
        document_->pageAt(0)->addItems(std::move(column));
        ASSERT_NE(column_->flow(), nullptr);
    }

    void TearDown() override
    {
        document_.reset();
        kit::UserDefaults::resetStandardUserDefaults();
        kit::FileManager::removeFileAtPath(folder_);
        kit::setAlertHandler(nullptr);
    }

    StyleInfo* sheet() const { return document_->styleInfo(); }
    TextFlow* flow() const { return column_->flow(); }

    StyleParagraphNamed* addNamed(const std::string& name)
    {
        auto* style = dynamic_cast<StyleParagraphNamed*>(sheet()->addNewStyleInStyles(sheet()->paragraphStyles()));
        EXPECT_NE(style, nullptr);
        if (style) {
            EXPECT_EQ(sheet()->renameStyle(style, name, nullptr), StyleInfo::RenameResult::Renamed);
        }
        return style;
    }

    // The audit's lines, caught from standard output.
    std::string audit() const
    {
        std::fflush(stdout);
        char path[] = "/tmp/style-audit-XXXXXX";
        const int fd = mkstemp(path);
        EXPECT_GE(fd, 0);
        const int saved = dup(1);
        dup2(fd, 1);
        document_->audit(0);
        std::fflush(stdout);
        dup2(saved, 1);
        close(saved);
        std::string text;
        if (FILE* in = std::fopen(path, "r")) {
            char buffer[4096];
            std::size_t n = 0;
            while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0)
                text.append(buffer, n);
            std::fclose(in);
        }
        close(fd);
        unlink(path);
        return text;
    }

    std::shared_ptr<kit::ScriptedAlertHandler> alerts_;
    std::string folder_;
    std::unique_ptr<LayoutDocument> document_;
    TextItem* column_ = nullptr;
};

TEST_F(StyleSheetDocumentTest, ARemovedStyleLeavesNoReferenceInTextTypingStyleOrCells)
{
    StyleParagraphNamed* body = addNamed("Body");
    StyleParagraphNamed* heading = addNamed("Heading");
    ASSERT_TRUE(body && heading);
    TextParagraph* first = flow()->firstParagraph();
    first->setBasedOnStyle(body);
    TextParagraph* cell = flow()->addParagraph(std::make_unique<TableParagraph>());
    cell->setBasedOnStyle(body);
    TextParagraph* other = flow()->addParagraph(std::make_unique<TextParagraph>());
    other->setBasedOnStyle(heading);
    other->paragraphStyle()->setNextParagraphStyle(body);
    flow()->paragraphStyle()->setBasedOnStyle(body);
    flow()->paragraphStyle()->setNextParagraphStyle(body);
    ASSERT_EQ(audit().find("Stale style reference"), std::string::npos);

    // Freed right here: under ASan any paragraph still pointing at it would
    // be caught by the audit's walk below.
    std::unique_ptr<StyleSheetEntry> removed = sheet()->removeStyle(body, nullptr);
    ASSERT_NE(removed, nullptr);
    const StyleSheetEntry* gone = removed.get();
    removed.reset();

    for (TextParagraph* paragraph : {first, cell, other}) {
        EXPECT_NE(paragraph->paragraphStyle()->basedOnStyle(), gone);
        EXPECT_NE(paragraph->paragraphStyle()->nextParagraphStyle(), gone);
    }
    EXPECT_EQ(other->paragraphStyle()->basedOnStyle(), heading);
    EXPECT_EQ(flow()->paragraphStyle()->basedOnStyle(), nullptr);
    EXPECT_EQ(flow()->paragraphStyle()->nextParagraphStyle(), nullptr);
    EXPECT_EQ(audit().find("Stale style reference"), std::string::npos);
}

TEST_F(StyleSheetDocumentTest, TheAuditReportsAParagraphBasedOnAStyleOutsideTheSheet)
{
    StyleParagraphNamed stray;
    stray.setStyleName(std::string("Stray"));
    flow()->firstParagraph()->paragraphStyle()->setBasedOnStyle(&stray);
    EXPECT_NE(audit().find("Stale style reference"), std::string::npos);
    flow()->firstParagraph()->localizeNamedParaStyle();
    EXPECT_EQ(audit().find("Stale style reference"), std::string::npos);
}

TEST_F(StyleSheetDocumentTest, NewTakesTheCaretParagraphsStyleAndRebasesIt)
{
    StyleParagraphNamed* body = addNamed("Body");
    ASSERT_NE(body, nullptr);
    body->setLeading(31.0f);
    TextParagraph* paragraph = flow()->firstParagraph();
    paragraph->setBasedOnStyle(body);
    StyleList* list = sheet()->paragraphStyles();

    // Nothing selected: a plain new style.
    auto* plain = dynamic_cast<StyleParagraphNamed*>(sheet()->addNewStyleInStyles(list));
    ASSERT_NE(plain, nullptr);
    EXPECT_NE(plain->leading(), 31.0f);
    EXPECT_EQ(paragraph->paragraphStyle()->basedOnStyle(), body);

    document_->setSelection({column_}, nullptr);
    EXPECT_EQ(document_->currentParagraphStyle(), paragraph->paragraphStyle());
    auto* made = dynamic_cast<StyleParagraphNamed*>(sheet()->addNewStyleInStyles(list));
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->leading(), 31.0f);
    EXPECT_EQ(made->styleName().value_or(""), "Body1");
    EXPECT_EQ(paragraph->paragraphStyle()->basedOnStyle(), made);
}

TEST_F(StyleSheetDocumentTest, AGraphicNewTakesTheSelectedItemsValues)
{
    auto box = std::make_shared<ItemBox>();
    box->setFrame(kit::makeRect(10, 10, 50, 50), false);
    Item* item = box.get();
    document_->pageAt(0)->addItems(std::move(box));
    item->setLineWidth(7.5f);

    EXPECT_EQ(document_->graphicStyleOfSelection(), nullptr);
    document_->setSelection({item}, nullptr);
    std::unique_ptr<StyleGraphic> selected = document_->graphicStyleOfSelection();
    ASSERT_NE(selected, nullptr);
    auto* made = dynamic_cast<StyleGraphicNamed*>(sheet()->addNewStyleInStyles(sheet()->graphicStyles()));
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->lineWidth(), 7.5f);
}

TEST_F(StyleSheetDocumentTest, FlowForwardersReachEveryParagraphAndOnlyItsOwnStyle)
{
    flow()->addParagraph(std::make_unique<TextParagraph>());
    flow()->addParagraph(std::make_unique<TableParagraph>());
    std::vector<TextParagraph*> walked;
    flow()->walkParagraphsForObject([&](TextParagraph* p) { walked.push_back(p); });
    ASSERT_EQ(walked.size(), 3u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(walked[std::size_t(i)], flow()->paragraphAtIndex(i));

    flow()->completeLayout();
    for (const auto& p : flow()->paragraphList())
        p->setDirty(false);
    TextParagraph* second = flow()->paragraphAtIndex(1);
    flow()->dirtyParagraphsWithStyle(second->paragraphStyle());
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(flow()->paragraphAtIndex(i)->dirty(), i == 1) << i;

    second->setDirty(false);
    StyleParagraph copy;
    second->recomputeIfParagraphStyle(&copy);
    EXPECT_FALSE(second->dirty());
    second->recomputeIfParagraphStyle(second->paragraphStyle());
    EXPECT_TRUE(second->dirty());

    int words = 0;
    second->walkWordsForObject([&](TextWord*) { ++words; });
    EXPECT_EQ(words, second->wordCount());
}

} // namespace
