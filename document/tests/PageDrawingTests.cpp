// A page draws itself into whatever context a paint names: printing and
// thumbnails need no page view.

#include "core/Alert.h"
#include "core/Color.h"
#include "core/Values.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "foundation/Paint.h"
#include "foundation/StyleGraphic.h"
#include "foundation/StyleParagraph.h"
#include "graphics/Font.h"
#include "graphics/PostScriptContext.h"
#include "graphics/tests/WysiwygSupport.h"
#include "items/ItemBox.h"
#include "items/TextItem.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextWord.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

class PageDrawingTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        kit::registerValueClasses();
        StyleGraphic::initialize();
        Item::initialize();
        Page::initialize();
        TextFlow::initialize();
    }
    void SetUp() override
    {
        alerts_ = std::make_shared<kit::ScriptedAlertHandler>();
        kit::setAlertHandler(alerts_);
    }
    void TearDown() override { kit::setAlertHandler(nullptr); }

    std::shared_ptr<kit::ScriptedAlertHandler> alerts_;
};

// Dark pixels in the rectangle of the image (points at 72 dpi).
int inkIn(const QImage& image, const kit::Rect& r)
{
    int dark = 0;
    for (int y = int(r.origin.y); y < int(kit::maxY(r)); ++y)
        for (int x = int(r.origin.x); x < int(kit::maxX(r)); ++x)
            if (qGray(image.pixel(x, y)) < 128)
                ++dark;
    return dark;
}

TEST_F(PageDrawingTest, APageWithoutAPageViewPrintsItsPaperTextAndItems)
{
    const std::string gs = wysiwyg::findProgram("gs");
    if (gs.empty())
        GTEST_SKIP() << "Ghostscript (gs) is not installed";
    wysiwyg::TempFolder folder;
    ASSERT_FALSE(folder.path().empty());

    // The document has no view at all; its second page lies far down the
    // canvas, where a page view would have placed it.
    LayoutDocument document;
    document.setPageSize(kit::makeSize(612, 792));
    document.setFirstPageNum(1);
    document.setMasterPage(std::make_unique<Page>());
    ASSERT_TRUE(document.addPages(2, 0));
    ASSERT_TRUE(document.views().empty());
    Page* page = document.pageAt(1);
    const kit::Rect pageRect = kit::makeRect(40, 900, 612, 792);
    page->setRect(pageRect);

    auto column = std::make_unique<TextItem>();
    column->setFrame(kit::makeRect(72, 72, 300, 200), false);
    TextItem* text = column.get();
    page->addItems(std::move(column));
    TextParagraph* paragraph = text->flow()->firstParagraph();
    paragraph->paragraphStyle()->setFont(kit::Font::fontWithName("Courier", 24));
    for (const char* word : {"Printed", "without", "a", "view"})
        paragraph->addWord(std::make_unique<TextWord>())->setText(word);
    text->flow()->recomputeAll();

    auto box = std::make_unique<ItemBox>();
    box->setFrame(kit::makeRect(72, 400, 200, 100), false);
    box->setHasFill(true);
    box->setFillColor(kit::Color::blackColor());
    page->addItems(std::move(box));

    // Printed as printing does: the page's coordinates run down from its top
    // left, the page's place on the canvas moved to the sheet's corner.
    kit::PostScriptContext ps;
    kit::PostScriptDocumentInfo info;
    info.title = "Page without a view";
    ps.beginDocument(info);
    ps.beginPage("1", 1, kit::makeRect(0, 0, 612, 792));
    ps.translate(0, 792);
    ps.scale(1, -1);
    ps.translate(-pageRect.origin.x, -pageRect.origin.y);
    EXPECT_TRUE(page->drawSelfInView(Paint::into(ps, 1.0f, pageRect), pageRect));
    ps.endPage();
    ps.endDocument();
    ASSERT_EQ(ps.errorCount(), 0u) << ps.lastError();
    EXPECT_EQ(ps.gsaveDepth(), 0);

    const QImage printed = wysiwyg::printedImage(gs, ps, folder.path(), 612, 792);
    ASSERT_FALSE(printed.isNull());
    // The text stands in the column's first line, the box is filled, and
    // the rest of the paper is white.
    EXPECT_GT(inkIn(printed, kit::makeRect(72, 72, 300, 40)), 100);
    EXPECT_EQ(inkIn(printed, kit::makeRect(80, 410, 180, 80)), 180 * 80);
    EXPECT_EQ(inkIn(printed, kit::makeRect(400, 72, 200, 300)), 0);
    EXPECT_EQ(inkIn(printed, kit::makeRect(72, 520, 400, 250)), 0);
}

} // namespace
